#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "editor/tablerooms.h"
#include "files/result.h"
#include "files/safewrite.h"
#include "templates/gametemplate.h"

namespace rq::editor {

// The texts of a template's entries as read from a game file, decoded through each entry's alphabet.
struct EntryTexts {
    std::vector<std::string> texts;  // one per entry, UTF-8
    bool readFailed = false;         // the game file could not be read; its entries came back empty
    std::vector<EntryRoom> rooms;    // one per entry: where its string lies as read
    bool tooMuchText = false;  // the texts came to more than kDecodedTextLimit bytes: the rest are unread
    // With everyCell, by entry: the texts read through a pointer entry's second cell and those after it
    // (empty for an entry of one cell; empty as a whole when no entry has more).
    std::vector<std::vector<std::string>> otherCells;
};
[[nodiscard]] EntryTexts readEntryTexts(const templates::GameTemplate& gameTemplate,
                                        const std::string& gameFile, bool everyCell = false);

// An entry to be saved: its index among the template's entries and its UTF-8 text, padded as it is saved
// (an alphabet's entry; a table's is padded in bytes by the save).
struct EntryEdit {
    std::size_t index = 0;
    std::string text;
};

// Whether the entry's text after differs from before as a save sees it (textChanged for an alphabet's entry,
// tableTextChanged for a table's).
[[nodiscard]] bool entryChanged(const templates::TemplateEntry& entry, const EntryRoom& room,
                                const std::string& before, const std::string& after);

// The text as the editors show it: without the padding its save adds (files::unpadded for an alphabet's
// entry, shownTableText for a table's).
[[nodiscard]] std::string_view shownText(const templates::TemplateEntry& entry, const EntryRoom& room,
                                         std::string_view text);

// The entries whose text changed (entryChanged), each padded. Only these are ever written: every other entry
// keeps its bytes exactly, whether or not its alphabet reads back what it wrote. rooms are those read with
// before (EntryTexts::rooms); a table entry without one has the fixed room of its Length.
[[nodiscard]] std::vector<EntryEdit> changedEntries(const templates::GameTemplate& gameTemplate,
                                                    std::span<const std::string> before,
                                                    std::span<const std::string> after,
                                                    std::span<const EntryRoom> rooms = {});

// Encodes every edit before anything is written: one code-page byte a character, through the entry's
// alphabet, or a table entry's through tableRoomBytes. Refuses (ErrorKind::Refusal) an edit of a locked entry
// (templates::lockedRefusal), a text of more characters
// than the entry's limit, the first character that has no byte in the code page or whose byte the alphabet
// has no save code for, an entry whose bytes would be longer than its Length, and a template that no longer
// has the shownEntries entries the caller showed. rooms are those read with the texts (EntryTexts::rooms), by
// entry; a table entry without one has the fixed room of its Length.
[[nodiscard]] Result<std::vector<files::RoomWrite>> planSave(const templates::GameTemplate& gameTemplate,
                                                             std::span<const EntryEdit> edits,
                                                             std::size_t shownEntries,
                                                             std::span<const EntryRoom> rooms = {});

// The characters among a UTF-8 text's first limit characters that the entry cannot save (planSave would
// refuse them), each once, in the order they first stand; empty for malformed UTF-8, which the save reports.
[[nodiscard]] std::u32string unsaveableCharacters(const templates::TemplateEntry& entry,
                                                  std::string_view utf8);

// planSave (planPointerSave for a template with pointer entries), then the rooms written through the one safe
// write path (writeRooms): nothing is written unless
// every edit can be, and a failure part-way says which entries were written.
[[nodiscard]] Status writeEntryTexts(const templates::GameTemplate& gameTemplate, const std::string& gameFile,
                                     std::size_t shownEntries, std::span<const EntryEdit> edits,
                                     std::span<const EntryRoom> rooms = {});

// The whole save as the command line does it: the template read afresh, the texts that differ from before
// (read with rooms) padded, encoded, checked and written. moreFreeSpace counts as free space for this save
// only, after the template's own ranges (an inserter script's rooms). Gives the edits written.
[[nodiscard]] Result<std::vector<EntryEdit>> saveEntryTexts(
    const std::string& templatePath, const std::string& gameFile, std::span<const std::string> before,
    std::span<const std::string> after, std::span<const EntryRoom> rooms = {},
    std::span<const templates::ByteRange> moreFreeSpace = {});

}  // namespace rq::editor
