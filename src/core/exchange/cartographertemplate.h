#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "exchange/cartographer.h"
#include "files/result.h"
#include "search/madefiles.h"
#include "templates/table.h"

namespace rq::exchange {

// A block's table as the template names it (a file name in plugins/alphabets/) with its lines; or the
// phrase said of #TABLE when it cannot be one (not found, lines a read cannot use).
struct BlockTable {
    std::string name;
    std::shared_ptr<const templates::Table> table;
};
using BlockTables = std::function<Result<BlockTable>(const std::string& table)>;

struct CommandTemplate {
    search::TemplatePlan plan;     // written by search::templateForPointers
    std::vector<TableNote> notes;  // the command file's, then the blocks left out here, in line order
    int blocks = 0;                // carried
};

// A template that reads the strings of each block the command file carries: a pointer block's cells as a
// [PointerTableN] (every cell that begins before STOP; a negative BASE as the template's Base, a positive
// one as a Region that begins there), a RAW block's bytes as entries, one for every STRING LENGTH bytes or,
// for a NORMAL block, one after each end token of its table (found in the game file; what follows the last
// one to STOP gets a Length), each block's name its comment. A block whose table cannot be had, a NORMAL
// pointer block whose table has no end token, a range past the game file, a string longer than a template
// reads, or more entries than the editor has room for leave the block out with a note. Refused (a
// sentence) when a NORMAL RAW block is carried and no game file is given, or the game file cannot be read.
[[nodiscard]] Result<CommandTemplate> templateFromCommands(const CommandFile& commands,
                                                           const BlockTables& tables,
                                                           const std::optional<std::string>& gameFile);

}  // namespace rq::exchange
