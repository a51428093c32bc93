#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "editor/tablerooms.h"
#include "exchange/atlaswalk.h"
#include "files/result.h"
#include "files/safewrite.h"
#include "templates/gametemplate.h"

namespace rq::exchange {

// A walked inserter script placed as the classic inserter places it: each text's bytes and end token at its
// place, one after another from its #JMP, and each pointer's value at its cell. Where the inserter would
// cut a text at its #JMP's last byte, leave a pointer unwritten or stop half-way, this plan is refused
// instead, before anything is written.
struct AtlasPlan {
    std::vector<files::RoomWrite> writes;  // each named "SCRIPT, line N" (a pointer: "..., pointer at $CELL")
    int strings = 0;
    int pointers = 0;
};

// A #FIXEDLENGTH text is filled with its byte to that length. Refused, every problem listed with its line:
// a text that runs past its #JMP's last byte (the bytes it needs and those the room has) or its fixed
// length, a write past the end of the file (a file never grows), and two writes over the same byte.
[[nodiscard]] Result<AtlasPlan> planAtlasLayout(const ScriptLayout& layout, std::uint64_t fileSize,
                                                const std::string& name);

// Refuses a plan that changes a byte of a locked entry's string (where rooms says it was read) or of its
// pointer cells, naming the entry and the script's line, every one listed: this layout writes past the
// template's entries, so their locks are held by their bytes.
[[nodiscard]] Status refuseLockedWrites(const AtlasPlan& plan, const templates::GameTemplate& gameTemplate,
                                        std::span<const editor::EntryRoom> rooms, const std::string& gameFile,
                                        const std::string& name);

// Writes the plan through the one safe write path; its proof reads every room back and compares it with
// the plan.
[[nodiscard]] Status writeAtlasLayout(const std::string& gameFile, const AtlasPlan& plan);

}  // namespace rq::exchange
