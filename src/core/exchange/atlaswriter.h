#pragma once

#include <cstdint>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "editor/tablerooms.h"
#include "files/result.h"
#include "templates/gametemplate.h"

namespace rq::exchange {

// The texts of a template as a script for the classic inserter, Atlas, which puts every string back where it
// was read: its tables (#VAR, #ADDTBL), a custom pointer for each cell width and offsetting (#CREATEPTR), the
// free space as commented #JMP lines to move a string to; then for each entry a "//" line with its number and
// comment, its original text as "//" lines, #JMP to its room (bounded by the room's last byte), #WRITE for
// each pointer cell, and its text with the table's labels, each line break as its code followed by a line
// end, and its end token. Hexadecimal in upper case after "$", straight quotes, LF line ends, UTF-8. Returns
// what it leaves out, one message an entry (an alphabet's entry, which no table describes; an entry whose
// text was not read); refuses (ErrorKind::Refusal), before writing anything, a table path the script cannot
// quote.
[[nodiscard]] Result<std::vector<std::string>> writeAtlasScript(std::ostream& out,
                                                                const templates::GameTemplate& gameTemplate,
                                                                std::span<const std::string> texts,
                                                                std::span<const editor::EntryRoom> rooms);

// What a #CREATEPTR pointer subtracts from a string's position so that it writes what a cell of this format
// holds (position - regionStart + base): negative when the base lies above the region's start.
[[nodiscard]] std::int64_t atlasOffsetting(const templates::PointerFormat& format);

}  // namespace rq::exchange
