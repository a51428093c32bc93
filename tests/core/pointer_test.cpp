#include "editor/entrytexts.h"
#include "editor/freespace.h"
#include "support/testfiles.h"
#include "templates/gametemplate.h"
#include "templates/templatecheck.h"

namespace rq::templates {
namespace {

using namespace std::string_literals;

// Format, Base and Region as a template writes them, a cell's bytes, and the offset it stands for.
using CellRow = std::tuple<const char*, std::string, std::string, std::optional<std::uint64_t>>;

class PointerCells : public testing::TestWithParam<CellRow> {};

// Each format reads its cell and writes the same bytes back for the offset it stands for.
TEST_P(PointerCells, HoldTheOffsetLessTheRegionStartPlusTheBase) {
    const auto& [name, written, cell, offset] = GetParam();
    PointerFormat format;
    const auto keys = files::IniFile::parse("[p]\n" + written);
    ASSERT_TRUE(parsePointerFormat(keys.read("p", "Format", ""), format));
    if (const auto base = keys.value("p", "Base")) {
        format.base = parsePointerBase(*base).value();
    }
    if (const auto region = keys.value("p", "Region")) {
        const auto range = parseByteRange(*region).value();
        format.regionStart = range.start;
        format.regionEnd = range.end;
    }
    ASSERT_EQ(static_cast<std::size_t>(format.size), cell.size());
    const auto read = format.offsetOf(format.value(cell));
    EXPECT_EQ(read, offset);
    if (read) {
        EXPECT_EQ(format.cell(format.valueOf(*read).value()), cell);
    }
}

const std::string kBank = "Format=le16\nBase=8000\nRegion=10000-14000\n";
const CellRow kCells[] = {
    {"Le16", "Format=le16\n", "\x34\x12", 0x1234},
    {"Be16", "Format=BE16\n", "\x12\x34", 0x1234},
    {"Le24", "Format=le24\n", "\x56\x34\x12", 0x123456},
    {"Be24", "Format=be24\n", "\x12\x34\x56", 0x123456},
    {"GbaLe32", "Format=le32\nBase=08000000\n", "\x23\x01\x00\x08"s, 0x123},
    {"MegaDriveBe32", "Format=be32\n", "\x00\x01\x23\x45"s, 0x12345},
    {"BankLe16", kBank, "\x10\x80", 0x10010},
    {"BelowTheBase", "Format=le32\nBase=08000000\n", "\x00\x00\x00\x07"s, std::nullopt},
    {"PastTheRegion", kBank, "\x00\xC0"s, std::nullopt},
    {"AtTheRegionsLastByte", kBank, "\xFF\xBF"s, 0x13FFF},
};
INSTANTIATE_TEST_SUITE_P(Rows, PointerCells, testing::ValuesIn(kCells), test::rowName);

// The phrase each refusal gives is in check's lines below.
TEST(PointerKeys, ValuesOutsideTheirRulesAreRefused) {
    EXPECT_FALSE(parseByteRange("14000-10000"));
    EXPECT_FALSE(parseByteRanges("100-200,300"));
    EXPECT_EQ(parseByteRanges("100-200, 300-400")->size(), 2u);
    EXPECT_FALSE(parseCells("10,80000000"));
    EXPECT_FALSE(parseCellCount("0"));
    EXPECT_FALSE(parseStride("0"));
}

// Two ranges, the higher given first: 80-C0 (a string at 80-88, a 00 byte at 90) and 40-60 (the file ends at
// 58). Each take is (size, region), then the offset it gets, or nothing.
TEST(FreeSpaceMap, HandsOutTheFirstFitOfTheRangesInTheirOrderInsideTheRegion) {
    FreeSpace space{{{0x80, 0xC0}, {0x40, 0x60}}, 0xFF};
    std::string high(0x40, '\xFF');
    high[0x10] = '\0';
    const std::vector<std::string> bytes = {high, std::string(0x18, '\xFF')};
    const std::vector<ByteRange> occupied = {{0x80, 0x88}, {0x200, 0x210}};
    editor::FreeSpaceMap map(space.ranges, space.fill, bytes, occupied);
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
    const std::vector<std::pair<std::vector<ByteRange>, std::vector<ByteRange>>> rows = {
        {{{0x80, 0xC0}, {0x40, 0x60}}, {{0x80, 0xC0}, {0x40, 0x60}}},                    // in their order
        {{{0x80, 0xC0}, {0x40, 0x60}, {0xA0, 0xD0}}, {{0x80, 0xD0}, {0x40, 0x60}}},      // into the first
        {{{0x10, 0x20}, {0x30, 0x40}, {0x18, 0x38}}, {{0x10, 0x40}}},                    // bridging two
        {{{0xC0, 0x400}, {0x100, 0x200}, {0x20, 0x30}}, {{0xC0, 0x100}, {0x20, 0x30}}},  // cut, and gone
    };
    const auto text = [](const std::vector<ByteRange>& ranges) {
        std::string out;
        for (const auto& r : ranges) {
            out += std::to_string(r.start) + "-" + std::to_string(r.end) + " ";
        }
        return out;
    };
    for (const auto& [given, used] : rows) {
        EXPECT_EQ(text(editor::usableRanges(FreeSpace{given, 0xFF}, 0x100)), text(used));
    }
}

// A game of 0x100 bytes of FF: a string "AB" ended by 00 at 0x40, "CD" at 0x50, and pointers to them.
class PointerEntries : public testing::Test {
  protected:
    void SetUp() override {
        m_folder.writeAlphabet("t.tbl", "41=A\n42=B\n43=C\n44=D\n45=E\n/00\n");
        test::writeImage(m_game, {{0, std::string(0x100, '\xFF')},
                                  {0x10, "\x40\x00\x00\x08\x50\x00\x00\x08"s},
                                  {0x20, "\x00\x40"s},
                                  {0x40, "AB\0"s},
                                  {0x50, "CD\0"s}});
    }

    Result<GameTemplate> write(const std::string& keys) const {
        m_folder.writeTemplate("p.ini",
                               "[TextFormattingSystem]\nNumberOfEntries=1\n0=t.tbl\n"
                               "[Pointers]\nFormat=le32\nBase=08000000\n"
                               "[entry1]\nTextFormat=0\nPointer=20\nFormat=be16\nBase=0\nComment=one\n" +
                                   keys);
        return readGameTemplate(m_path);
    }
    // The texts after a read saved over it: "" when written, else the refusal.
    std::string save(const GameTemplate& gameTemplate, const editor::EntryTexts& read,
                     const std::vector<std::string>& after) const {
        const auto saved = editor::writeEntryTexts(
            gameTemplate, m_game, gameTemplate.entries.size(),
            editor::changedEntries(gameTemplate, read.texts, after, read.rooms), read.rooms);
        return saved ? "" : saved.error();
    }
    // What check lists for the template and the game, a line a problem, the game's path as GAME.
    std::vector<std::string> checked() const {
        std::vector<std::string> listed;
        for (const auto& problem : checkTemplate(m_path, m_game)) {
            listed.push_back(test::replaced(problemText(problem), {{m_game, "GAME"}}));
        }
        return listed;
    }

    test::ProgramFolder m_folder;
    std::string m_game = m_folder.dir().file("game.bin");
    std::string m_path = m_folder.path("plugins\\games\\p.ini");
};

TEST_F(PointerEntries, AreReadWhereTheirFirstCellPointsAndATableAddsAnEntryACell) {
    const auto gameTemplate = write("[PointerTable1]\nOffset=10\nCount=2\nTextFormat=0\nComment=Line\n");
    ASSERT_TRUE(gameTemplate) << gameTemplate.error();
    const auto read = editor::readEntryTexts(*gameTemplate, m_game);
    std::vector<std::string> seen;
    for (std::size_t i = 0; i < read.texts.size(); ++i) {
        const auto& entry = gameTemplate->entries[i];
        seen.push_back(std::to_string(entry.number) + " " + entry.comment + " " + read.texts[i] + " at " +
                       std::to_string(read.rooms[i].offset));
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"1 one AB at 64", "2 Line 1 AB at 64", "3 Line 2 CD at 80"}));
}

TEST_F(PointerEntries, LockMarksItsEntryOrEveryEntryOfItsTable) {
    for (const auto& [entryLock, tableLock, locked] :
         {std::tuple("Lock=yes\n", "", std::vector<bool>{true, false, false}),
          std::tuple("Lock=no\n", "Lock=Yes\n", std::vector<bool>{false, true, true})}) {
        const auto gameTemplate =
            write(std::string(entryLock) + "[PointerTable1]\nOffset=10\nCount=2\nTextFormat=0\n" + tableLock);
        ASSERT_TRUE(gameTemplate) << gameTemplate.error();
        std::vector<bool> seen;
        for (const auto& entry : gameTemplate->entries) {
            seen.push_back(entry.locked);
        }
        EXPECT_EQ(seen, locked);
    }
}

TEST_F(PointerEntries, ASaveInPlaceWritesWhereThePointerPointsAndNeverWhereNoneDoes) {
    auto gameTemplate = write("");
    ASSERT_TRUE(gameTemplate) << gameTemplate.error();
    const std::string before = test::readAll(m_game);
    EXPECT_EQ(save(*gameTemplate, editor::readEntryTexts(*gameTemplate, m_game), {"E"}), "");
    EXPECT_EQ(test::readAll(m_game), std::string(before).replace(0x40, 2, "E\0"s));

    // A cell that points outside the file's region: no text, and a save refused.
    test::writeImage(m_game, {{0x20, "\xFF\xFF"s}});
    const auto nowhere = editor::readEntryTexts(*gameTemplate, m_game);
    EXPECT_EQ(nowhere.texts, std::vector<std::string>{""});
    const std::string refused = save(*gameTemplate, nowhere, {"E"});
    EXPECT_NE(refused.find("no string where its pointer at 0x20 points"), std::string::npos) << refused;
}

TEST_F(PointerEntries, ACellWithoutAFormatOrATableWithoutACountIsRefused) {
    m_folder.writeTemplate("p.ini",
                           "[TextFormattingSystem]\nNumberOfEntries=1\n0=t.tbl\n"
                           "[entry1]\nTextFormat=0\nPointer=20\n");
    const auto noFormat = readGameTemplate(m_path);
    const auto noCount = write("[PointerTable1]\nOffset=10\nTextFormat=0\n");
    EXPECT_NE((noFormat ? "" : noFormat.error()).find("has no Format for its cells"), std::string::npos);
    EXPECT_NE((noCount ? "" : noCount.error()).find("[PointerTable1] the key Count"), std::string::npos);
}

TEST_F(PointerEntries, ALongerTextMovesToTheFirstFreeBlockWithEveryCellThatReachesIt) {
    // Entry 1 and the table's first entry reach "AB" at 40; the table's second, "CD" at 50.
    const auto gameTemplate = write(
        "[PointerTable1]\nOffset=10\nCount=2\nTextFormat=0\nComment=Line\n"
        "[FreeSpace]\nRanges=40-60,80-100\n");
    ASSERT_TRUE(gameTemplate) << gameTemplate.error();
    const auto read = editor::readEntryTexts(*gameTemplate, m_game);
    const std::string before = test::readAll(m_game);
    ASSERT_EQ(save(*gameTemplate, read, {"ABCDE", "AB", "CDE"}), "");

    // "ABCDE" takes 43-49, the first free bytes of the first range; "CDE" takes 49-4D. Both old rooms lie in
    // free space and are filled.
    std::string expected = before;
    expected.replace(0x10, 8, "\x43\x00\x00\x08\x49\x00\x00\x08"s);
    expected.replace(0x20, 2, "\x00\x43"s);
    expected.replace(0x40, 0x13,
                     "\xFF\xFF\xFF"
                     "ABCDE\0CDE\0"
                     "\xFF\xFF\xFF\xFF\xFF\xFF"s);
    EXPECT_EQ(test::readAll(m_game), expected);
    // The string they share is the first entry's new text for both.
    const auto again = editor::readEntryTexts(*gameTemplate, m_game);
    EXPECT_EQ(again.texts, (std::vector<std::string>{"ABCDE", "ABCDE", "CDE"}));

    // Moved again, past "CDE": the copy it leaves at 43-49 is free space once more.
    ASSERT_EQ(save(*gameTemplate, again, {"ABCDEAB", "ABCDEAB", "CDE"}), "");
    expected.replace(0x10, 4, "\x4D\x00\x00\x08"s);
    expected.replace(0x20, 2, "\x00\x4D"s);
    expected.replace(0x40, 0x15, std::string(9, '\xFF') + "CDE\0ABCDEAB\0"s);
    EXPECT_EQ(test::readAll(m_game), expected);
}

TEST_F(PointerEntries, AMovedStringGoesOnlyWhereItsCellCanReach) {
    // Entry 1's be16 cell reaches 0 to FFFF: the first range, past that, is passed over.
    test::writeImage(m_game, {{0, std::string(0x100, '\xFF')},
                              {0x20, "\x00\x40"s},
                              {0x40, "AB\0"s},
                              {0x10000, std::string(0x100, '\xFF')}});
    const auto gameTemplate = write("[FreeSpace]\nRanges=10000-10100,80-100\n");
    ASSERT_TRUE(gameTemplate) << gameTemplate.error();
    ASSERT_EQ(save(*gameTemplate, editor::readEntryTexts(*gameTemplate, m_game), {"ABCDE"}), "");
    EXPECT_EQ(test::readAll(m_game).substr(0x20, 2), "\x00\x80"s);
    EXPECT_EQ(editor::readEntryTexts(*gameTemplate, m_game).texts, std::vector<std::string>{"ABCDE"});
}

TEST_F(PointerEntries, AStringWithoutRoomOrGivenTwoTextsIsRefusedBeforeAnythingIsWritten) {
    const auto gameTemplate =
        write("[PointerTable1]\nOffset=10\nCount=1\nTextFormat=0\n[FreeSpace]\nRanges=80-84\n");
    ASSERT_TRUE(gameTemplate) << gameTemplate.error();
    const auto read = editor::readEntryTexts(*gameTemplate, m_game);
    const std::string before = test::readAll(m_game);
    EXPECT_EQ(
        save(*gameTemplate, read, {"ABCDE", "AB"}),
        "Entry 1 (\"one\") needs 6 bytes; the largest free block in its region has 4 bytes (free space: "
        "80-84). Nothing was written.");
    EXPECT_EQ(
        save(*gameTemplate, read, {"A", "B"}),
        "Entry 1 (\"one\") and Entry 2 (\"<error> 1\") reach one string, and were given different texts. "
        "Nothing was written.");
    EXPECT_EQ(test::readAll(m_game), before);
}

TEST_F(PointerEntries, CheckListsBadValuesCellsThatDisagreeOrLeadNowhereAndOverlappingFreeSpace) {
    m_folder.writeTemplate("p.ini",
                           "[TextFormattingSystem]\nNumberOfEntries=2\n0=t.tbl\n"
                           "[Pointers]\nFormat=le32\nBase=08000000\n"
                           "[entry1]\nTextFormat=0\nPointer=10,14\n"
                           "[entry2]\nTextFormat=0\nPointer=20\nFormat=le8\n"
                           "[PointerTable1]\nOffset=F8\nCount=3\nTextFormat=0\n"
                           "[FreeSpace]\nRanges=80-C0,A0-100\n");
    EXPECT_EQ(checked(),
              (std::vector<std::string>{
                  "[entry2] Format = \"le8\" is not a pointer format: le16, be16, le24, be24, le32 or be32",
                  "[FreeSpace] Ranges = \"80-C0,A0-100\" has ranges that overlap: 80-C0 and A0-100",
                  "[entry1] Pointer = \"10,14\" has a cell at 0x14 that holds 8000050, not the 8000040 of "
                  "the first cell",
                  // The value the rule refuses is left out: [Pointers] gives the format.
                  "[entry2] Pointer = \"20\" has a cell at 0x20 that holds FFFF4000, which points past the "
                  "end of GAME",
                  "[PointerTable1] Offset = \"F8\" has a cell at 0xF8 that holds FFFFFFFF, which points past "
                  "the end of GAME",
                  "[PointerTable1] Offset = \"F8\" has a cell at 0xFC that holds FFFFFFFF, which points past "
                  "the end of GAME",
                  "[PointerTable1] Offset = \"F8\" has a cell at 0x100 past the end of GAME"}));
}

// What the read refuses, check says: cells past 7FFFFFFF (never wrapped around), more entries than a template
// may make; and a free range that runs past the file's end, which a save cuts there.
TEST_F(PointerEntries, CheckSaysWhatTheReadRefusesAndWhereFreeSpaceRunsPastTheFile) {
    const std::string tables =
        "[PointerTable1]\nOffset=7FFFFFF0\nCount=2\nStride=FFFFFFFF\nTextFormat=0\n"
        "[PointerTable2]\nOffset=0\nCount=65536\nStride=1\nTextFormat=0\n"
        "[PointerTable3]\nOffset=0\nCount=65536\nStride=1\nTextFormat=0\n"
        "[PointerTable4]\nOffset=0\nCount=65536\nStride=1\nTextFormat=0\n"
        "[FreeSpace]\nRanges=80-C0,C0-40000000\n";
    const std::string formats =
        "[TextFormattingSystem]\nNumberOfEntries=0\n0=t.tbl\n[Pointers]\nFormat=le16\n";
    m_folder.writeTemplate("p.ini", formats + tables);
    auto listed = checked();
    std::erase_if(listed, [](const std::string& line) { return line.find("cell at") != std::string::npos; });
    EXPECT_EQ(listed,
              (std::vector<std::string>{
                  "[PointerTable1] Count = \"2\" puts cells past offset 7FFFFFFF, with its Offset and Stride",
                  "[PointerTable4] Count = \"65536\" makes the template's entries 196608, more than the "
                  "131072 allowed",
                  "[FreeSpace] Ranges = \"80-C0,C0-40000000\" has the range C0-40000000, which runs past the "
                  "end of "
                  "GAME (256 bytes): only what lies before it is free space"}));
    const auto refused = readGameTemplate(m_path);
    EXPECT_EQ(
        refused ? "" : refused.error(),
        "The template " + m_path +
            " cannot be used: in section [PointerTable1] the key Count has the value \"2\", which puts cells "
            "past offset 7FFFFFFF, with its Offset and Stride.");
    m_folder.writeTemplate("p.ini", formats + std::string(tables).replace(tables.find("FFFFFFFF"), 8, "1"));
    const auto tooMany = readGameTemplate(m_path);
    EXPECT_EQ(tooMany ? "" : tooMany.error(),
              "The template " + m_path +
                  " cannot be used: with [PointerTable3] it makes 131074 entries, "
                  "more than the 131072 allowed.");
}

TEST_F(PointerEntries, CheckSaysWhichBytesOfTheFreeSpaceNoStringExplains) {
    ASSERT_TRUE(write("[PointerTable1]\nOffset=10\nCount=2\nTextFormat=0\n[FreeSpace]\nRanges=30-60\n"));
    EXPECT_FALSE(editor::checkFreeSpace(m_path, m_game));  // 30-60 holds FF and the two strings
    test::writeText(m_game, test::readAll(m_game).replace(0x35, 2, "\x01\x02"));
    const auto problem = editor::checkFreeSpace(m_path, m_game);
    ASSERT_TRUE(problem);
    EXPECT_EQ(problemText(*problem), "[FreeSpace] Ranges = \"30-60\" holds 2 bytes in " + m_game +
                                         " that no entry's string explains and that are not the fill byte FF "
                                         "(the first at 0x35): they are not free, and perhaps the range is "
                                         "not free space");
}

}  // namespace
}  // namespace rq::templates
