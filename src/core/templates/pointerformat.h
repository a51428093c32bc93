#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "files/result.h"

namespace rq::templates {

// How a pointer cell holds a string's place: its size and byte order, and the region of the file it reaches.
// A cell holds offset - regionStart + base; a string may lie only inside the region, with its value fitting
// the cell.
struct PointerFormat {
    int size = 4;  // 2, 3 or 4 bytes
    bool bigEndian = false;
    std::uint64_t base = 0;
    std::uint64_t regionStart = 0;
    std::uint64_t regionEnd = UINT64_MAX;  // exclusive; the whole file when not given

    // The cell's value from its bytes (size of them).
    [[nodiscard]] std::uint64_t value(std::string_view cell) const;
    // The bytes of a cell that holds value.
    [[nodiscard]] std::string cell(std::uint64_t value) const;
    // The file offset a value stands for, or nothing when it lies outside the region.
    [[nodiscard]] std::optional<std::uint64_t> offsetOf(std::uint64_t value) const;
    // The value that stands for an offset, or nothing when the offset lies outside the region or its value
    // does not fit the cell.
    [[nodiscard]] std::optional<std::uint64_t> valueOf(std::uint64_t offset) const;
    // Where the offsets a cell can reach end (exclusive): the region's end, or sooner, where the values
    // outgrow the cell.
    [[nodiscard]] std::uint64_t reachEnd() const;
};

// A range of the file, start included, end excluded.
struct ByteRange {
    std::uint64_t start = 0;
    std::uint64_t end = 0;
};

// The values of the pointer keys; each error's message is the phrase said of the value, as in
// templaterules.h.

// Format: le16, be16, le24, be24, le32 or be32 (any case); sets size and byte order.
[[nodiscard]] Status parsePointerFormat(std::string_view value, PointerFormat& format);
// Base: one to eight hexadecimal digits.
[[nodiscard]] Result<std::uint64_t> parsePointerBase(std::string_view value);
// Region and each of Ranges: START-END in hexadecimal, END after START.
[[nodiscard]] Result<ByteRange> parseByteRange(std::string_view value);
// Ranges: one or more ranges, separated by commas.
[[nodiscard]] Result<std::vector<ByteRange>> parseByteRanges(std::string_view value);
// Pointer: the offsets of one or more cells in hexadecimal (at most 7FFFFFFF), separated by commas.
[[nodiscard]] Result<std::vector<std::uint32_t>> parseCells(std::string_view value);
// Count: a decimal number of cells from 1 to kMostTableCells.
inline constexpr int kMostTableCells = 65536;
[[nodiscard]] Result<int> parseCellCount(std::string_view value);
// Stride: one to eight hexadecimal digits, not 0.
[[nodiscard]] Result<std::uint32_t> parseStride(std::string_view value);
// A pointer table's cells: one at its Offset and one every Stride bytes after it, Count of them; refused (the
// phrase is said of Count) when one would lie past offset 7FFFFFFF. The read and the check share it.
[[nodiscard]] Result<std::vector<std::uint32_t>> tableCells(std::uint64_t offset, int count,
                                                            std::uint32_t stride);

}  // namespace rq::templates
