#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "search/searchfile.h"
#include "templates/pointerformat.h"

// The pointer finder: given where some strings lie, the pointer tables that explain them.
namespace rq::search {

// A run of cells at a regular stride, some of them holding the places of the given strings.
struct PointerTableCandidate {
    templates::PointerFormat
        format;                // size, byte order, base, and region (regionStart/regionEnd) of the cells
    std::uint64_t table = 0;   // file offset of the run's first cell
    std::uint32_t stride = 0;  // bytes from one cell to the next
    std::uint32_t cells = 0;   // cells in the run (what a template's Count would be)
    std::uint32_t count = 0;   // how many of the given strings the run explains
};

// The pointer tables that explain the strings at offsets, best first (most strings explained; then fewer
// cells, so that of a run stretched back over cells before its first hit the one that starts at that hit
// comes first; then lower table offset; then larger cells), at most `most` of them. file: the whole game
// file, held once. progress (may be empty) is called now and then; a cancelled search gives nothing.
//
// - Formats tried: le16, be16, le24, be24, le32, be32, each with base 0 and base 08000000 over the whole
// file;
//   16-bit cells also with each 16 KiB bank that holds a string as their region, at bases 4000, 8000, C000
//   and 0; banks counted from the file's start, and from the end of a 16-byte cartridge header and of a
//   512-byte copier header.
//   A string whose value does not fit the cell is not looked for under that format.
// - A string whose value fills far more cells than chance would (more than 4096 of them, or 16 times what
//   random bytes give a value, under one base and region) says nothing about where a table is: its value is
//   padding or code, such as a string at 0 under base 0 in a file of zero runs. It is not looked for under
//   that base and region, so tables there are found from the other strings, without it: its cell at a
//   table's end reads as padding.
// - Cells may lie at any offset. Each cell format costs one pass over the file, every position checked
// against
//   all the values of that format at once.
// - A run: cells at one of the strides 1 to 4 times the cell size, each plausible (it reaches an offset
// inside
//   its region and the file), with a hit, a cell holding a string's value, among them. It stops at a cell
//   that is not plausible, or where no hit follows within the distance at which chance hits come (so that a
//   format whose every cell is plausible cannot join the whole file into one run); it never exceeds
//   templates::kMostTableCells cells. Its table and cells cover it from its first to its last plausible cell,
//   except where the plausible cells go on past that bound: that side ends at its outermost hit. Beyond its
//   hits, a run of records (a stride larger than the cell) covers only elements whose other fields are
//   plausible pointers where its hits' are, so that the array beside it is not taken in. A run that starts
//   before its first hit is given a second time starting there; one whose every cell from its first hit to
//   its last is a hit (the strings given are a whole table) and that goes on after them, a time more ending
//   at its last hit.
// - A candidate explains at least 2 distinct strings. A run whose hits all lie in a run found at a stride
//   dividing its own (the same table read at twice its stride) is left out.
// - Offsets outside the file are not looked for; fewer than 2 distinct offsets inside it give nothing.
[[nodiscard]] std::vector<PointerTableCandidate> findPointerTables(std::string_view file,
                                                                   std::span<const std::uint64_t> offsets,
                                                                   std::size_t most = 10,
                                                                   const SearchProgress& progress = {});

// The name of a PointerFormat's cells for output, as a template's Format key takes it: "le32", "be16", ...
[[nodiscard]] std::string formatName(const templates::PointerFormat& format);

}  // namespace rq::search
