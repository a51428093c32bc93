// The pointer finder on a table planted in random bytes, among chance cells holding the same values; and on
// one among zero runs.

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "search/pointerfinder.h"
#include "support/testfiles.h"

namespace rq::search {
namespace {

constexpr std::uint64_t kFileSize = std::uint64_t{1} << 20;
constexpr int kCells = 40;  // the planted table's; every other one is given

struct FinderRow {
    const char* name;
    const char* format;  // the cells as the output names them
    int size;
    bool bigEndian;
    std::uint64_t base, regionStart, regionEnd;
    std::uint64_t table;
    std::uint32_t stride;
    std::uint64_t strings;  // string k lies at strings + 37 k
    int given;              // offsets given: every other string, up to this many
    bool cancel;
};

constexpr std::uint64_t kWhole = UINT64_MAX;
const FinderRow kRows[] = {
    {"GBA", "le32", 4, false, 0x08000000, 0, kWhole, 0x2A000, 4, 0xC0000, 20, false},
    {"GBAPointersBetweenOtherFields", "le32", 4, false, 0x08000000, 0, kWhole, 0x31000, 8, 0x9F000, 20,
     false},
    {"MegaDrive", "be32", 4, true, 0, 0, kWhole, 0x48000, 4, 0x70000, 20, false},
    {"BankOf16KiBAtAnOddOffset", "le16", 2, false, 0x8000, 0x10000, 0x14000, 0x52341, 2, 0x10000, 20, false},
    {"OneOffsetGivesNothing", "le32", 4, false, 0x08000000, 0, kWhole, 0x2A000, 4, 0xC0000, 1, false},
    {"CancelledGivesNothing", "le32", 4, false, 0x08000000, 0, kWhole, 0x2A000, 4, 0xC0000, 20, true},
};

class PointerFinder : public testing::TestWithParam<FinderRow> {};

TEST_P(PointerFinder, RanksThePlantedTableFirst) {
    const FinderRow& row = GetParam();
    std::mt19937 random(23);
    std::string file(kFileSize, '\0');
    for (char& byte : file) {
        byte = static_cast<char>(random() & 0xFF);
    }
    const auto put = [&](std::uint64_t at, std::uint64_t value) {
        for (int i = 0; i < row.size; ++i) {
            file[at + static_cast<std::uint64_t>(row.bigEndian ? row.size - 1 - i : i)] =
                static_cast<char>(value >> (8 * i));
        }
    };
    const auto valueOf = [&](int k) {
        return row.strings + 37u * static_cast<unsigned>(k) - row.regionStart + row.base;
    };
    // Chance cells: string values at random places, and two beside the table past a cell that reaches
    // nowhere.
    for (int k = 0; k < 8; ++k) {
        put(random() % (row.table - 64), valueOf(2 * k));
    }
    put(row.table - 3 * row.stride, valueOf(0));
    put(row.table + (kCells + 2) * row.stride, valueOf(2));
    if (row.stride > static_cast<std::uint32_t>(row.size)) {  // and one in a field between two cells
        put(row.table + 10 * row.stride + static_cast<std::uint64_t>(row.size), valueOf(4));
    }
    put(row.table - row.stride, UINT64_MAX);
    put(row.table + kCells * row.stride, UINT64_MAX);
    std::vector<std::uint64_t> offsets;
    for (int k = 0; k < kCells; ++k) {
        put(row.table + static_cast<std::uint64_t>(k) * row.stride, valueOf(k));
        if (k % 2 == 0 && static_cast<int>(offsets.size()) < row.given) {
            offsets.insert(offsets.begin(), row.strings + 37u * static_cast<unsigned>(k));
        }
    }

    const auto found =
        findPointerTables(file, offsets, 10, [&](std::uint64_t, std::uint64_t) { return !row.cancel; });
    if (row.given < 2 || row.cancel) {
        EXPECT_TRUE(found.empty());
        return;
    }
    ASSERT_FALSE(found.empty());
    const PointerTableCandidate& first = found.front();
    EXPECT_EQ(formatName(first.format), row.format);
    EXPECT_EQ(first.format.base, row.base);
    EXPECT_EQ(first.format.regionStart, row.regionStart);
    EXPECT_EQ(first.format.regionEnd, row.regionEnd);
    EXPECT_EQ(first.table, row.table);
    EXPECT_EQ(first.stride, row.stride);
    EXPECT_EQ(first.cells, static_cast<std::uint32_t>(kCells));
    EXPECT_EQ(first.count, 20u);
}

INSTANTIATE_TEST_SUITE_P(Tables, PointerFinder, testing::ValuesIn(kRows), test::rowName);

// A le32 table among zero runs, to strings from offset 0 on (0x120 apart, so that no cell read a byte aside
// or in the other order holds their values). Under base 0 the string at 0 has the value of every zero cell:
// it is not looked for there, and the table is found from the others, its first cell read as padding.
struct ZeroRunRow {
    const char* name;
    std::uint64_t base;
    std::uint64_t table;  // as found
    std::uint32_t cells, count;
};

constexpr std::uint64_t kZeroTable = 0x80000;
constexpr std::uint32_t kZeroStrings = 32;
const ZeroRunRow kZeroRunRows[] = {
    {"UnderBaseZeroTheStringAtZeroIsLeftOut", 0, kZeroTable + 4, kZeroStrings - 1, kZeroStrings - 1},
    {"UnderTheGbaBaseEveryStringCounts", 0x08000000, kZeroTable, kZeroStrings, kZeroStrings},
};

class PointersAmongZeros : public testing::TestWithParam<ZeroRunRow> {};

TEST_P(PointersAmongZeros, FindTheTableFromTheStringsThatSaySomething) {
    const ZeroRunRow& row = GetParam();
    std::string file(kFileSize, '\0');
    std::vector<std::uint64_t> offsets;
    for (std::uint32_t k = 0; k < kZeroStrings; ++k) {
        const std::uint64_t string = 0x120 * k;
        file.replace(string, 4, "Line");
        const std::uint64_t value = row.base + string;
        for (std::uint64_t i = 0; i < 4; ++i) {
            file[kZeroTable + 4 * k + i] = static_cast<char>(value >> (8 * i));
        }
        offsets.push_back(string);
    }
    const auto found = findPointerTables(file, offsets);
    ASSERT_FALSE(found.empty());
    const PointerTableCandidate& first = found.front();
    EXPECT_EQ(formatName(first.format), "le32");
    EXPECT_EQ(first.format.base, row.base);
    EXPECT_EQ(first.table, row.table);
    EXPECT_EQ(first.stride, 4u);
    EXPECT_EQ(first.cells, row.cells);
    EXPECT_EQ(first.count, row.count);
}

INSTANTIATE_TEST_SUITE_P(Tables, PointersAmongZeros, testing::ValuesIn(kZeroRunRows), test::rowName);

}  // namespace
}  // namespace rq::search
