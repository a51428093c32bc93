#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "files/filehandle.h"
#include "files/safewrite.h"

namespace rq::files {

// What a save keeps in its undo file: the game file's size and identity when the save began, and the old
// bytes of every room it writes. Files of the first format record no identity.
struct Undo {
    std::uint64_t gameSize = 0;
    std::optional<FileIdentity> identity;
    std::vector<RoomWrite> rooms;
};

// An undo file's bytes as read back. CutShort: shorter than its header declares, so it was still being
// written and the game file was not touched yet. Damaged: anything else that is not a whole, sound undo
// file; damage gives what is wrong, as words that follow "is damaged: ".
struct UndoContents {
    enum class State { Whole, CutShort, Damaged };
    State state = State::Damaged;
    Undo undo;
    std::string damage;
};

// In the current format; undo.identity must be there.
[[nodiscard]] std::string encodeUndo(const Undo& undo);
[[nodiscard]] UndoContents decodeUndo(std::string_view bytes);

// Where the undo file of a game file lies: the name a new one gets, beside the file's resolved path
// (resolved), and the undo file of an interrupted save, if there is one. That is the one at the new name,
// or beside the name the file was given (older versions named it so), or, for a file with several hard
// links, any undo file in the resolved path's folder that records the same identity. A dangling symbolic
// link counts.
struct UndoPlace {
    std::string name;
    std::optional<std::string> interrupted;
};
[[nodiscard]] UndoPlace findUndoFile(const std::string& gameFile, const std::string& resolved,
                                     const std::optional<FileIdentity>& identity);

}  // namespace rq::files
