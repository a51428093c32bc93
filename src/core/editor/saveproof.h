#pragma once

#include <span>
#include <string>

#include "editor/entrytexts.h"
#include "files/safewrite.h"
#include "templates/gametemplate.h"

namespace rq::editor {

// What a save of texts through a template may write, and its proof, for writeRooms.
// - Allowed: the room as read of each entry edited (and of each pointer entry that reaches the same string),
//   the cells of every pointer entry, and the template's free space; any other byte is refused before the
//   first is written.
// - The proof, made before the save (it reads what every entry holds now, through each of its cells), reads
//   every entry again through each of its cells and refuses, naming the first, an entry whose text is not its
//   edit, the edit of an entry that reaches the same string, or what it held.
// rooms are those read with the texts, by entry (none: each entry's Length).
[[nodiscard]] files::SaveGuard entrySaveGuard(const templates::GameTemplate& gameTemplate,
                                              const std::string& gameFile, std::span<const EntryEdit> edits,
                                              std::span<const EntryRoom> rooms);

}  // namespace rq::editor
