#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/tablefile.h"

namespace rq::exchange {

// A dumper's command file: blocks of "#KEY: value" lines, each ended by "#END BLOCK", each saying where a
// run of strings lies and which table reads them; "//" starts a comment. Numbers are $hex or decimal.

// A block a template can carry, as its keys say it.
struct DumpBlock {
    enum class Method { Pointer, Raw };
    int line = 0;      // its first line
    std::string name;  // #BLOCK NAME, UTF-8
    Method method = Method::Pointer;
    std::optional<int> stringLength;  // #TYPE: FIXED_STRING: the bytes of each string
    std::string table;                // #TABLE, as written
    int tableLine = 0;
    // POINTER and POINTER_RELATIVE: the cells from START up to STOP (excluded), each SIZE bytes and SPACE
    // more to the next; a string lies at a cell's value plus BASE.
    std::uint64_t tableStart = 0;
    std::uint64_t tableStop = 0;
    int pointerSize = 0;
    std::uint64_t pointerSpace = 0;
    bool bigEndian = false;
    std::int64_t base = 0;
    // RAW: the bytes from START to STOP, both included.
    std::uint64_t scriptStart = 0;
    std::uint64_t scriptStop = 0;
    int stopLine = 0;
};

struct CommandFile {
    std::string gameName;  // #GAME NAME, UTF-8; empty when none
    std::vector<DumpBlock> blocks;
    // What a template cannot carry, in line order, each saying the block it leaves out.
    std::vector<TableNote> notes;
};

// Never fails: the text is UTF-8, or else read as the template's code page; LF or CRLF. Keys that only shape
// the dumper's own output are understood and dropped. A block is left out, with a note on each line that
// makes it so, for a key the template cannot carry or that is unknown, a value that is no number or none the
// key takes, a key a block needs that it lacks, or no #END BLOCK.
[[nodiscard]] CommandFile parseCommandFile(std::string_view bytes);

// " $hex" or decimal, negative too when allowed; nothing when it is not one or is past 32 bits.
[[nodiscard]] std::optional<std::int64_t> commandNumber(std::string_view text, bool negative = false);

}  // namespace rq::exchange
