#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "search/cellscan.h"
#include "templates/pointerformat.h"

// The pointer finder's runs: cells at a regular stride around the cells that hold the strings' values.
namespace rq::search::runs {

// One base and region of a cell format: which cells are plausible pointers.
struct Context {
    templates::PointerFormat format;
    std::uint64_t reach = 0;  // a cell is plausible when base <= value < base + reach
};

// A cell holding the value of a string (its index among the strings looked for).
using Hit = cells::Hit;

// A run with its hits' span, before runs are compared across strides.
struct Run {
    std::uint64_t table, first, last;  // its first cell, its first and last hits
    std::uint32_t stride, cells, count;
};

// A cell's value from its bytes.
[[nodiscard]] std::uint32_t cellValue(const unsigned char* at, int size, bool bigEndian);

// The runs of one context at one stride, made of its hits.
class RunWalker {
  public:
    RunWalker(std::string_view file, const Context& context, std::size_t strings);

    // Each run around the hits (by position, one residue of the stride at a time), appended to runs in the
    // order of residue, then table. A run reaches out from its hits over plausible cells, up to the distance
    // at which chance hits come; where it does not start at a hit, the run that does follows it, and where
    // every cell from its first hit to its last is a hit and it goes on after them, the run that ends there
    // too, so that a table laid out beside another is found as it is.
    void walk(std::vector<Hit> hits, std::uint32_t stride, std::vector<Run>& runs);

  private:
    [[nodiscard]] bool plausible(std::uint64_t pos) const;
    [[nodiscard]] bool padding(std::uint64_t pos) const;
    // Which of the cells between one of the run and the next are plausible pointers, a bit each: the layout
    // of one element of an array of records, which another array beside it does not share.
    [[nodiscard]] std::uint32_t layoutAt(std::uint64_t pos) const;
    std::size_t walkRun(const std::vector<Hit>& hits, std::size_t i, std::size_t end, std::uint64_t& floor,
                        std::vector<Run>& runs);
    std::uint32_t mark(std::uint32_t string);

    const unsigned char* m_bytes;
    std::uint64_t m_size;
    const Context& m_context;
    std::vector<std::uint32_t> m_seen;  // the generation of the run that last counted each string
    std::uint32_t m_generation = 0;
    std::uint32_t m_stride = 1;
    std::uint64_t m_maxGap = 1;
};

}  // namespace rq::search::runs
