#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "search/searchfile.h"

// The cell scan the pointer searches share: one pass over a file per cell format, every position checked
// against all the values wanted in that format at once.
namespace rq::search::cells {

// A cell's size and byte order: what one pass reads at every position.
struct CellFormat {
    int size;  // 2, 3 or 4
    bool bigEndian;
};

// A value wanted: what a cell holds for one string (its index among the strings) under one context (a base
// and region of the cell format, the caller's index).
struct Target {
    std::uint32_t value;
    std::uint32_t context;
    std::uint32_t string;
    std::uint64_t hits = 0;  // found so far in the scan
    bool operator<(const Target& other) const { return value < other.value; }
};

// A cell holding the value of a string.
struct Hit {
    std::uint64_t pos;
    std::uint32_t string;
};

// One pass over the file: every position whose cell holds a target's value, as a hit of the target's
// context (hits has a list per context). targets must be sorted. A target whose value fills far more cells
// than chance would (more than 4096 of them, or 16 times what random bytes give a value) is padding or code,
// not a pointer: it loses its hits and is taken out of targets. done counts the bytes passed for progress
// over total; false when progress cancelled the scan.
[[nodiscard]] bool scanCells(CellFormat cell, std::string_view file, std::vector<Target>& targets,
                             std::vector<std::vector<Hit>>& hits, std::uint64_t& done, std::uint64_t total,
                             const SearchProgress& progress = {});

}  // namespace rq::search::cells
