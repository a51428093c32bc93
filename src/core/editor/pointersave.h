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
// old room is filled with the fill byte where it lies inside a free range. Entries that reach one string
// share its text: two different changed texts for them are refused, naming both. Refused before anything is
// written when a string finds no block ("needs N bytes; the largest free block in its region has M").
// rooms are those read with the texts; the free ranges are read from gameFile.
[[nodiscard]] Result<std::vector<files::RoomWrite>> planPointerSave(
    const templates::GameTemplate& gameTemplate, std::span<const EntryEdit> edits, std::size_t shownEntries,
    std::span<const EntryRoom> rooms, const std::string& gameFile);

// The proof of such a save, for writeRooms: made before the save (it reads what every entry holds now), it
// reads every entry again through its cells and refuses, naming the first, an entry whose text is not its
// edit, the edit of an entry that reaches the same string, or what it held.
[[nodiscard]] std::function<Status()> pointerSaveProof(const templates::GameTemplate& gameTemplate,
                                                       const std::string& gameFile,
                                                       std::span<const EntryEdit> edits,
                                                       std::span<const EntryRoom> rooms);

}  // namespace rq::editor
