#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "files/result.h"
#include "files/safewrite.h"

namespace rq::cutscenes {

// The PC executable's editions, told apart by the byte at 0x3C: "0" (E), "(" (J).
enum class Edition { None, E, J };

enum class Group { Sonic, Tikal, PlayAs };

// One text of the executable: the window's box and the command line's key ("sonic[12]", "tikaltxt[0]",
// "playas1") stand for it.
struct Room {
    Group group;
    int index;             // Sonic 0 to 99, Tikal 0 to 3, PlayAs 1 to 6
    std::int32_t offset;   // Sonic and Tikal: the offset in the (J) executable; PlayAs: its stored (E) value
    std::int32_t offsetJ;  // PlayAs: its stored (J) value
    std::int16_t size;     // bytes, and characters: one code-page byte each
    int cutscene;          // Sonic: the cutscene (1 to 5) whose frame shows the box
    bool rightColumn;      // Sonic: the frame's right column
    int top;               // twips from the top of the box's frame
};

// Sonic 0 to 99, then Tikal 0 to 3, then PlayAs 1 to 6: the one table the window and the command line share.
[[nodiscard]] std::span<const Room> rooms();
[[nodiscard]] std::string roomKey(const Room& room);
[[nodiscard]] std::optional<std::size_t> findRoom(std::string_view key);
// Where the room's box stands in its frame, from 1: down the left column, then down the right one.
[[nodiscard]] int roomLine(const Room& room);
// The room as the window shows it, for messages: "Cutscene 1, line 6", "Tikal Text, line 1",
// "Now You Can Play With..., line 1".
[[nodiscard]] std::string roomName(const Room& room);

// The edition the marker byte names, read with no address shift; a file that cannot be read names none.
[[nodiscard]] Edition readEdition(const std::string& path);
[[nodiscard]] std::string_view editionName(Edition edition);  // "E", "J" or ""

// Whether texts may be written into the file: an executable ("MZ" at its start) whose marker names an
// edition. Anything else, a ROM given by mistake above all, is refused (ErrorKind::Refusal) with a message
// that names the file and what it lacks; a file that cannot be read fails with "ROM not found!".
[[nodiscard]] Status checkCutsceneFile(const std::string& path);

// Where a room lies in a file of this edition: Sonic and Tikal texts 16 bytes later in (E) than their
// offset, the playable-character messages at their stored value for the edition (plus 16 in (E)). Nothing
// for a playable-character message when the file names no edition.
[[nodiscard]] std::optional<std::int64_t> fileOffset(const Room& room, Edition edition);

struct CutsceneTexts {
    Edition edition = Edition::None;
    std::vector<std::optional<std::string>>
        texts;                // a room, UTF-8 up to its first zero byte; nothing: not read
    bool readFailed = false;  // some room could not be read; its text is empty
};
// Every room the file's edition places, read afresh: the edition, and so the shift, is decided each time.
[[nodiscard]] CutsceneTexts readCutsceneTexts(const std::string& path);

// A room to be saved with this UTF-8 text.
struct CutsceneEdit {
    std::size_t room = 0;
    std::string text;
};

// The rooms whose text after (nothing: not given) differs from the text before (as read, or as last saved;
// nothing: not read) once both are padded with spaces to the room's size, as the save pads them: a box that
// shows its text without the padding is no edit. A room not read is changed by any text, which the save plan
// then refuses. In the table's order.
[[nodiscard]] std::vector<CutsceneEdit> changedRooms(std::span<const std::optional<std::string>> before,
                                                     std::span<const std::optional<std::string>> after);

// Every edit padded with spaces to its room's size and encoded one code-page byte a character, before
// anything is written. Refuses (ErrorKind::Refusal) a text longer than its room, a character without a byte
// in the code page and a playable-character message when the file names no edition.
[[nodiscard]] Result<std::vector<files::RoomWrite>> planCutsceneSave(Edition edition,
                                                                     std::span<const CutsceneEdit> edits);

// The plan, then the rooms written through the one safe write path.
[[nodiscard]] Status saveCutsceneTexts(const std::string& path, Edition edition,
                                       std::span<const CutsceneEdit> edits);

}  // namespace rq::cutscenes
