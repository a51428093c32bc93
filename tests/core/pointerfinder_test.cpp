// The pointer finder on a table planted in random bytes, among chance cells holding the same values; and on
// one among zero runs.

#include <random>

#include "files/asciitext.h"
#include "search/pointerfinder.h"
#include "support/testfiles.h"

namespace rq::search {
namespace {

constexpr std::uint64_t kFileSize = std::uint64_t{1} << 20;
constexpr int kCells = 40;  // the planted table's; every other one is given

// The cells as the output names them, their size and byte order, base and region; the table and its stride;
// where the strings lie (string k at strings + 37 k), how many offsets are given (every other string, up to
// this many), and whether the search is cancelled.
using FinderRow = std::tuple<const char*, const char*, int, bool, std::uint64_t, std::uint64_t, std::uint64_t,
                             std::uint64_t, std::uint32_t, std::uint64_t, int, bool>;

constexpr std::uint64_t kWhole = UINT64_MAX;
const FinderRow kRows[] = {
    {"GBA", "le32", 4, false, 0x08000000, 0, kWhole, 0x2A000, 4, 0xC0000, 20, false},
    {"GBAPointersBetweenOtherFields", "le32", 4, false, 0x08000000, 0, kWhole, 0x31000, 8, 0x9F000, 20,
     false},
    {"MegaDrive", "be32", 4, true, 0, 0, kWhole, 0x48000, 4, 0x70000, 20, false},
    {"BankOf16KiBAtAnOddOffset", "le16", 2, false, 0x8000, 0x10000, 0x14000, 0x52341, 2, 0x10000, 20, false},
    {"BankCountedFromTheEndOfACopierHeader", "le16", 2, false, 0x8000, 0x10200, 0x14200, 0x52341, 2, 0x10200,
     20, false},
    {"UpperBankAfterACartridgeHeader", "be16", 2, true, 0xC000, 0x4010, 0x8010, 0x30001, 4, 0x4010, 20,
     false},
    {"OneOffsetGivesNothing", "le32", 4, false, 0x08000000, 0, kWhole, 0x2A000, 4, 0xC0000, 1, false},
    {"CancelledGivesNothing", "le32", 4, false, 0x08000000, 0, kWhole, 0x2A000, 4, 0xC0000, 20, true},
};

class PointerFinder : public testing::TestWithParam<FinderRow> {};

TEST_P(PointerFinder, RanksThePlantedTableFirst) {
    const auto& [name, format, size, bigEndian, base, regionStart, regionEnd, table, stride, strings, given,
                 cancel] = GetParam();
    std::mt19937 random(23);
    std::string file(kFileSize, '\0');
    for (char& byte : file) {
        byte = static_cast<char>(random() & 0xFF);
    }
    const auto put = [&file, size = size, big = bigEndian](std::uint64_t at, std::uint64_t value) {
        for (int i = 0; i < size; ++i) {
            file[at + static_cast<std::uint64_t>(big ? size - 1 - i : i)] =
                static_cast<char>(value >> (8 * i));
        }
    };
    const auto valueOf = [offset = strings - regionStart + base](int k) {
        return offset + 37u * static_cast<unsigned>(k);
    };
    // Chance cells: string values at random places, and two beside the table past a cell that reaches
    // nowhere.
    for (int k = 0; k < 8; ++k) {
        put(random() % (table - 64), valueOf(2 * k));
    }
    put(table - 3 * stride, valueOf(0));
    put(table + (kCells + 2) * stride, valueOf(2));
    if (stride > static_cast<std::uint32_t>(size)) {  // and one in a field between two cells
        put(table + 10 * stride + static_cast<std::uint64_t>(size), valueOf(4));
    }
    put(table - stride, base - 1);
    put(table + kCells * stride, base - 1);
    std::vector<std::uint64_t> offsets;
    for (int k = 0; k < kCells; ++k) {
        put(table + static_cast<std::uint64_t>(k) * stride, valueOf(k));
        if (k % 2 == 0 && static_cast<int>(offsets.size()) < given) {
            offsets.insert(offsets.begin(), strings + 37u * static_cast<unsigned>(k));
        }
    }

    const auto found =
        findPointerTables(file, offsets, 10, [stop = cancel](std::uint64_t, std::uint64_t) { return !stop; });
    if (given < 2 || cancel) {
        EXPECT_TRUE(found.empty());
        return;
    }
    ASSERT_FALSE(found.empty());
    const PointerTableCandidate& first = found.front();
    EXPECT_EQ(std::tuple(formatName(first.format), first.format.base, first.format.regionStart,
                         first.format.regionEnd, first.table, first.stride, first.cells, first.count),
              std::tuple(std::string(format), base, regionStart, regionEnd, table, stride,
                         std::uint32_t{kCells}, 20u));
}

INSTANTIATE_TEST_SUITE_P(Tables, PointerFinder, testing::ValuesIn(kRows), test::rowName);

// A le32 table among zero runs, to strings from offset 0 on (0x120 apart, so that no cell read a byte aside
// or in the other order holds their values). Under base 0 the string at 0 has the value of every zero cell:
// it is not looked for there, and the table is found from the others, its first cell read as padding.
// The base, and the table as found: where, its cells and how many strings it explains.
using ZeroRunRow = std::tuple<const char*, std::uint64_t, std::uint64_t, std::uint32_t, std::uint32_t>;

constexpr std::uint64_t kZeroTable = 0x80000;
constexpr std::uint32_t kZeroStrings = 32;
const ZeroRunRow kZeroRunRows[] = {
    {"UnderBaseZeroTheStringAtZeroIsLeftOut", 0, kZeroTable + 4, kZeroStrings - 1, kZeroStrings - 1},
    {"UnderTheGbaBaseEveryStringCounts", 0x08000000, kZeroTable, kZeroStrings, kZeroStrings},
};

class PointersAmongZeros : public testing::TestWithParam<ZeroRunRow> {};

TEST_P(PointersAmongZeros, FindTheTableFromTheStringsThatSaySomething) {
    const auto& [name, base, table, cells, count] = GetParam();
    std::string file(kFileSize, '\0');
    std::vector<std::uint64_t> offsets;
    for (std::uint32_t k = 0; k < kZeroStrings; ++k) {
        const std::uint64_t string = 0x120 * k;
        file.replace(string, 4, "Line");
        const std::uint64_t value = base + string;
        for (std::uint64_t i = 0; i < 4; ++i) {
            file[kZeroTable + 4 * k + i] = static_cast<char>(value >> (8 * i));
        }
        offsets.push_back(string);
    }
    const auto found = findPointerTables(file, offsets);
    ASSERT_FALSE(found.empty());
    const PointerTableCandidate& first = found.front();
    EXPECT_EQ(std::tuple(formatName(first.format), first.format.base, first.table, first.stride, first.cells,
                         first.count),
              std::tuple(std::string("le32"), base, table, 4u, cells, count));
}

INSTANTIATE_TEST_SUITE_P(Tables, PointersAmongZeros, testing::ValuesIn(kZeroRunRows), test::rowName);

// Arrays laid out one after another, as a compiler does: six pointers, then four records of a pointer and a
// second field (a price, or a second pointer), then zeros. Given the strings of one array, the run that
// starts at it and ends with it comes first, and a run of records reaches back only over records like its
// own. The second field, which strings are given, and the GBA candidates in their order, as "table/stride x
// cells".
using ArraysRow = std::tuple<const char*, bool, bool, const char*>;
const ArraysRow kArraysRows[] = {
    {"RecordsOfAPointerAndAPrice", false, false, "118/8x4"},
    {"RecordsOfTwoPointersReadAsOneArray", true, false, "118/4x8, 100/4x14"},
    {"TheArrayBeforeRecords", false, true, "100/4x6, 100/4x7"},
};

class ArraysOneAfterAnother : public testing::TestWithParam<ArraysRow> {};

TEST_P(ArraysOneAfterAnother, TheRunThatStartsAtTheGivenStringsComesFirst) {
    const auto& [name, twoPointers, givenArray, tables] = GetParam();
    std::string file(0x1000, '\0');
    const auto put = [&file](std::uint64_t at, std::uint32_t value) {
        for (int i = 0; i < 4; ++i) {
            file[at + static_cast<std::uint64_t>(i)] = static_cast<char>(value >> (8 * i));
        }
    };
    std::vector<std::uint64_t> strings;
    for (std::uint32_t k = 0; k < 6; ++k) {
        put(0x100 + 4 * k, 0x08000000 + 0x200 + 0x10 * k);
        if (givenArray) {
            strings.push_back(0x200 + 0x10 * k);
        }
    }
    for (std::uint32_t k = 0; k < 4; ++k) {
        if (!givenArray) {
            strings.push_back(0x300 + 0x20 * k);
        }
        put(0x118 + 8 * k, 0x08000000 + 0x300 + 0x20 * k);
        put(0x11C + 8 * k, twoPointers ? 0x08000000 + 0x310 + 0x20 * k : 100 * (k + 1));
    }
    std::string gba;
    for (const auto& found : findPointerTables(file, strings)) {
        if (formatName(found.format) == "le32" && found.format.base == 0x08000000) {
            gba += (gba.empty() ? "" : ", ") + files::hexText(found.table) + "/" +
                   std::to_string(found.stride) + "x" + std::to_string(found.cells);
        }
    }
    EXPECT_EQ(gba, tables);
}

INSTANTIATE_TEST_SUITE_P(Tables, ArraysOneAfterAnother, testing::ValuesIn(kArraysRows), test::rowName);

}  // namespace
}  // namespace rq::search
