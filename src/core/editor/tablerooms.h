#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "files/result.h"
#include "templates/gametemplate.h"
#include "templates/templatecheck.h"

namespace rq::editor {

// Where an entry's string lies as it was read. An alphabet's room is its Length; a table's may hold an end
// token, which ends the text and is written again after a new one.
struct EntryRoom {
    std::size_t size = 0;      // bytes, the end token included
    std::string end;           // the end token that ended the text as read; empty for a fixed room
    bool known = true;         // false: an entry without Length whose end token was not found
    std::uint64_t offset = 0;  // where it lies: HexLocation, or where the entry's first pointer cell points
    bool unread = false;       // past the bound on the texts read: neither its text nor its room is known
    std::string bytes;         // an ended room's bytes as read: what follows a shorter text's end token
    // A fixed room that held no end token, of a table that has them, whose text a save ends with this one
    // (Ended, or a blank room): the table's first end token. Empty when the room is padded.
    std::string addedEnd;
};

// The room of an entry's Length, without an end token: every alphabet's room.
[[nodiscard]] EntryRoom lengthRoom(const templates::TemplateEntry& entry);

// A table entry's text and room from the bytes at its offset: its Length of them, or for an entry without
// Length, those up to and including the first end token.
struct RoomText {
    std::string text;  // UTF-8, as read: a fixed room's padding included
    EntryRoom room;
};
[[nodiscard]] RoomText readTableText(const templates::TemplateEntry& entry, std::string_view bytes);

// Whether a text differs from the one read (or last saved) as a save sees it: a fixed room's padding spaces
// are the save's to add, so they count for nothing; an ended string's spaces are its own.
[[nodiscard]] bool tableTextChanged(const EntryRoom& room, std::string_view before, std::string_view after);

// The text as an editor shows it: a fixed room's text without its padding, an ended string as it is.
[[nodiscard]] std::string_view shownTableText(const EntryRoom& room, std::string_view text);

// Whether a longer text of the entry than its room holds moves to free space: a pointer entry under a table,
// whose string as read ended with an end token (a string without one, or an alphabet's, has no length but
// its room's). The save, the counters and the checks all ask this.
[[nodiscard]] bool canMove(const templates::TemplateEntry& entry, const EntryRoom& room);

// The most bytes a string moved to free space may take, its end token included: a string without Length is
// read for no more than this, so a longer one could never be read back.
inline constexpr std::uint64_t kLongestMovedString = templates::kLongestEndedRoom;

// The bytes a save writes at the entry's offset for a new text, checked by reading them back: the text's
// shortest encoding, then the same end token and, with Fill, the fill byte to the room's end; in a fixed
// room, the fill byte or the table's space to fill the room exactly. After an end token the room keeps what
// it held, but for a byte that the table would read together with the token as a longer key: that byte is
// replaced by one that ends it. Refused (ErrorKind::Refusal, the entry named) when the text cannot be
// written, does not fit, or cannot be padded exactly; a text far longer than the room is refused before it is
// encoded.
[[nodiscard]] Result<std::string> tableRoomBytes(const templates::TemplateEntry& entry, const EntryRoom& room,
                                                 const std::string& text);

// The bytes left in the room after the text's shortest encoding (its end token counted), negative when it
// is over; characters the table lacks count for nothing (they are marked apart). Nothing when the text
// cannot be written for another reason (a label without its parameters).
[[nodiscard]] std::optional<long> tableBytesLeft(const templates::TemplateEntry& entry, const EntryRoom& room,
                                                 std::string_view utf8);

// What a save does with a table entry's text, as the counters and the checks tell it: the bytes left in the
// room (tableBytesLeft), whether the text moves to free space (moving: the largest free block it may move
// to, as movingRooms gives it), and, when the save would refuse it for its room (too long for its room and
// any block, or a room it cannot fill exactly), the refusal said of the entry: "needs 12 bytes with its end
// token, but its room is 10 bytes". Characters the table lacks are left to their own check.
struct TableFit {
    std::optional<long> left;
    bool moves = false;
    std::optional<std::string> refusal;
};
[[nodiscard]] TableFit tableFit(const templates::TemplateEntry& entry, const EntryRoom& room,
                                std::optional<std::uint64_t> moving, std::string_view utf8);

// Warnings for the fixed rooms of a table with end tokens that hold none in the game file and whose entry
// does not say Ended: what a save does with each, so that the template's author can say which they are.
[[nodiscard]] std::vector<templates::TemplateProblem> checkRoomEnds(const std::string& templatePath,
                                                                    const std::string& gameFile);

}  // namespace rq::editor
