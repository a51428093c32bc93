#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/freespace.h"

namespace rq::editor {
namespace {

// Two ranges, the higher given first: 80-C0 (a string at 80-88, a 00 byte at 90) and 40-60 (the file ends at
// 58). Each take is (size, region), then the offset it gets, or nothing.
TEST(FreeSpaceMap, HandsOutTheFirstFitOfTheRangesInTheirOrderInsideTheRegion) {
    templates::FreeSpace space{{{0x80, 0xC0}, {0x40, 0x60}}, 0xFF};
    std::string high(0x40, '\xFF');
    high[0x10] = '\0';
    const std::vector<std::string> bytes = {high, std::string(0x18, '\xFF')};
    const std::vector<templates::ByteRange> occupied = {{0x80, 0x88}, {0x200, 0x210}};
    FreeSpaceMap map(space.ranges, space.fill, bytes, occupied);
    EXPECT_EQ(map.unexplainedBytes(), 1u);  // the 00 byte: the string's bytes are explained
    EXPECT_EQ(map.firstUnexplained(), 0x90u);

    struct Take {
        std::uint64_t size, regionStart, regionEnd;
        std::optional<std::uint64_t> offset;
    };
    const Take takes[] = {
        {8, 0, UINT64_MAX, 0x88},             // after the string, before the 00 byte
        {8, 0, UINT64_MAX, 0x91},             // 88-90 is taken now
        {0x30, 0, UINT64_MAX, std::nullopt},  // 99-C0 holds 0x27; 40-58 holds 0x18
        {0x20, 0, UINT64_MAX, 0x99},          // the first range still comes first
        {4, 0x40, 0x80, 0x40},                // a region that reaches only the second range
        {0x15, 0x40, 0x80, std::nullopt},     // 44-58 holds 0x14: the file ends at 58
    };
    for (const Take& take : takes) {
        EXPECT_EQ(map.take(take.size, take.regionStart, take.regionEnd), take.offset) << take.size;
    }
    EXPECT_EQ(map.largest(0x40, 0x80), 0x14u);
    EXPECT_EQ(map.largest(0, UINT64_MAX), 0x14u);  // B9-C0 holds 7
}

// Each row: the ranges as a template gives them, and as a save hands them out in a file of 0x100 bytes.
TEST(FreeSpaceRanges, OverlapsAreMergedIntoTheFirstAndTheFileEndCutsThem) {
    const std::vector<std::pair<std::vector<templates::ByteRange>, std::vector<templates::ByteRange>>> rows =
        {
            {{{0x80, 0xC0}, {0x40, 0x60}}, {{0x80, 0xC0}, {0x40, 0x60}}},                    // in their order
            {{{0x80, 0xC0}, {0x40, 0x60}, {0xA0, 0xD0}}, {{0x80, 0xD0}, {0x40, 0x60}}},      // into the first
            {{{0x10, 0x20}, {0x30, 0x40}, {0x18, 0x38}}, {{0x10, 0x40}}},                    // bridging two
            {{{0xC0, 0x400}, {0x100, 0x200}, {0x20, 0x30}}, {{0xC0, 0x100}, {0x20, 0x30}}},  // cut, and gone
        };
    for (const auto& [given, used] : rows) {
        const auto ranges = usableRanges(templates::FreeSpace{given, 0xFF}, 0x100);
        std::vector<std::pair<std::uint64_t, std::uint64_t>> got, expected;
        for (const auto& r : ranges) {
            got.emplace_back(r.start, r.end);
        }
        for (const auto& r : used) {
            expected.emplace_back(r.start, r.end);
        }
        EXPECT_EQ(got, expected);
    }
}

}  // namespace
}  // namespace rq::editor
