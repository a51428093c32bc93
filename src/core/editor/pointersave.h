#pragma once

#include <functional>
#include <span>
#include <string>
#include <vector>

#include "editor/entrytexts.h"
#include "files/result.h"
#include "files/safewrite.h"
#include "templates/gametemplate.h"

namespace rq::editor {

// The writes of a save whose template has pointer entries. An entry without cells is planned as planSave
// plans it. A pointer entry's changed text is written in place when it fits its room (its end token
// included); otherwise it moves to the first free block of the template's [FreeSpace] that lies inside its
// pointer's region and holds it, every cell of every entry that reaches the same string is rewritten, and its
// old room is filled with the fill byte where it lies inside a free range and no other string lies on it.
// Only what canMove allows moves, and no string longer than kLongestMovedString. Entries that reach one
// string share its text: two different changed texts for them are refused, naming both. Refused before
// anything is written when a string finds no block ("needs N bytes; the largest free block in its region has
// M"). rooms are those read with the texts; the free ranges are read from gameFile.
[[nodiscard]] Result<std::vector<files::RoomWrite>> planPointerSave(
    const templates::GameTemplate& gameTemplate, std::span<const EntryEdit> edits, std::size_t shownEntries,
    std::span<const EntryRoom> rooms, const std::string& gameFile);

}  // namespace rq::editor
