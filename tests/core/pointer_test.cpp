#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "editor/entrytexts.h"
#include "editor/freespace.h"
#include "files/safewrite.h"
#include "support/testfiles.h"
#include "templates/gametemplate.h"
#include "templates/templatecheck.h"

namespace rq::templates {
namespace {

using namespace std::string_literals;

struct CellRow {
    const char* name;
    std::string keys;  // Format, Base, Region as a template writes them
    std::string cell;  // a cell's bytes
    std::optional<std::uint64_t> offset;
};

class PointerCells : public testing::TestWithParam<CellRow> {};

// Each format reads its cell and writes the same bytes back for the offset it stands for.
TEST_P(PointerCells, HoldTheOffsetLessTheRegionStartPlusTheBase) {
    const CellRow& row = GetParam();
    PointerFormat format;
    const auto keys = files::IniFile::parse("[p]\n" + row.keys);
    ASSERT_TRUE(parsePointerFormat(keys.read("p", "Format", ""), format));
    if (const auto base = keys.value("p", "Base")) {
        format.base = parsePointerBase(*base).value();
    }
    if (const auto region = keys.value("p", "Region")) {
        const auto range = parseByteRange(*region).value();
        format.regionStart = range.start;
        format.regionEnd = range.end;
    }
    ASSERT_EQ(static_cast<std::size_t>(format.size), row.cell.size());
    const auto offset = format.offsetOf(format.value(row.cell));
    EXPECT_EQ(offset, row.offset);
    if (offset) {
        EXPECT_EQ(format.cell(format.valueOf(*offset).value()), row.cell);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PointerCells,
    testing::Values(
        CellRow{"Le16", "Format=le16\n", "\x34\x12", 0x1234},
        CellRow{"Be16", "Format=BE16\n", "\x12\x34", 0x1234},
        CellRow{"Le24", "Format=le24\n", "\x56\x34\x12", 0x123456},
        CellRow{"Be24", "Format=be24\n", "\x12\x34\x56", 0x123456},
        CellRow{"GbaLe32", "Format=le32\nBase=08000000\n", "\x23\x01\x00\x08"s, 0x123},
        CellRow{"MegaDriveBe32", "Format=be32\n", "\x00\x01\x23\x45"s, 0x12345},
        CellRow{"BankLe16", "Format=le16\nBase=8000\nRegion=10000-14000\n", "\x10\x80", 0x10010},
        CellRow{"BelowTheBase", "Format=le32\nBase=08000000\n", "\x00\x00\x00\x07"s, std::nullopt},
        CellRow{"PastTheRegion", "Format=le16\nBase=8000\nRegion=10000-14000\n", "\x00\xC0"s, std::nullopt},
        CellRow{"AtTheRegionsLastByte", "Format=le16\nBase=8000\nRegion=10000-14000\n", "\xFF\xBF"s,
                0x13FFF}),
    test::rowName);

TEST(PointerKeys, ValuesOutsideTheirRulesAreRefusedWithTheirPhrase) {
    PointerFormat format;
    EXPECT_EQ(parsePointerFormat("le8", format).error(),
              "is not a pointer format: le16, be16, le24, be24, le32 or be32");
    EXPECT_FALSE(parseByteRange("14000-10000"));
    EXPECT_FALSE(parseByteRanges("100-200,300"));
    EXPECT_EQ(parseByteRanges("100-200, 300-400")->size(), 2u);
    EXPECT_FALSE(parseCells("10,80000000"));
    EXPECT_FALSE(parseCellCount("0"));
    EXPECT_FALSE(parseStride("0"));
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
        return readGameTemplate(m_folder.path("plugins\\games\\p.ini"));
    }

    test::ProgramFolder m_folder;
    std::string m_game = m_folder.dir().file("game.bin");
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

TEST_F(PointerEntries, ASaveInPlaceWritesWhereThePointerPointsAndNeverWhereNoneDoes) {
    auto gameTemplate = write("");
    ASSERT_TRUE(gameTemplate) << gameTemplate.error();
    const auto read = editor::readEntryTexts(*gameTemplate, m_game);
    const std::string before = test::readAll(m_game);
    const std::vector<std::string> after = {"E"};
    ASSERT_TRUE(editor::writeEntryTexts(*gameTemplate, m_game, 1,
                                        editor::changedEntries(*gameTemplate, read.texts, after, read.rooms),
                                        read.rooms));
    EXPECT_EQ(test::readAll(m_game), std::string(before).replace(0x40, 2, "E\0"s));

    // A cell that points outside the file's region: no text, and a save refused.
    test::writeImage(m_game, {{0x20, "\xFF\xFF"s}});
    const auto nowhere = editor::readEntryTexts(*gameTemplate, m_game);
    EXPECT_EQ(nowhere.texts, std::vector<std::string>{""});
    const auto refused = editor::writeEntryTexts(
        *gameTemplate, m_game, 1, editor::changedEntries(*gameTemplate, nowhere.texts, after, nowhere.rooms),
        nowhere.rooms);
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.error().find("no string where its pointer at 0x20 points"), std::string::npos)
        << refused.error();
}

TEST_F(PointerEntries, ACellWithoutAFormatOrATableWithoutACountIsRefused) {
    m_folder.writeTemplate("p.ini",
                           "[TextFormattingSystem]\nNumberOfEntries=1\n0=t.tbl\n"
                           "[entry1]\nTextFormat=0\nPointer=20\n");
    const auto noFormat = readGameTemplate(m_folder.path("plugins\\games\\p.ini"));
    ASSERT_FALSE(noFormat);
    EXPECT_NE(noFormat.error().find("has no Format for its cells"), std::string::npos) << noFormat.error();
    const auto noCount = write("[PointerTable1]\nOffset=10\nTextFormat=0\n");
    ASSERT_FALSE(noCount);
    EXPECT_NE(noCount.error().find("[PointerTable1] the key Count"), std::string::npos) << noCount.error();
}

TEST_F(PointerEntries, ALongerTextMovesToTheFirstFreeBlockWithEveryCellThatReachesIt) {
    // Entry 1 and the table's first entry reach "AB" at 40; the table's second, "CD" at 50.
    const auto gameTemplate = write(
        "[PointerTable1]\nOffset=10\nCount=2\nTextFormat=0\nComment=Line\n"
        "[FreeSpace]\nRanges=40-60,80-100\n");
    ASSERT_TRUE(gameTemplate) << gameTemplate.error();
    const auto read = editor::readEntryTexts(*gameTemplate, m_game);
    const std::string before = test::readAll(m_game);
    const std::vector<std::string> after = {"ABCDE", "AB", "CDE"};
    const auto saved = editor::writeEntryTexts(
        *gameTemplate, m_game, 3, editor::changedEntries(*gameTemplate, read.texts, after, read.rooms),
        read.rooms);
    ASSERT_TRUE(saved) << saved.error();

    // "ABCDE" takes 43-49, the first free bytes of the first range; "CDE" takes 49-4D. Both old rooms lie in
    // free space and are filled.
    std::string expected = before;
    expected.replace(0x10, 8, "\x43\x00\x00\x08\x49\x00\x00\x08"s);
    expected.replace(0x20, 2, "\x00\x43"s);
    expected.replace(0x40, 0x13,
                     "\xFF\xFF\xFF"
                     "ABCDE\0"
                     "CDE\0"
                     "\xFF\xFF\xFF\xFF\xFF\xFF"s);
    EXPECT_EQ(test::readAll(m_game), expected);
    // The string they share is the first entry's new text for both.
    const auto again = editor::readEntryTexts(*gameTemplate, m_game);
    EXPECT_EQ(again.texts, (std::vector<std::string>{"ABCDE", "ABCDE", "CDE"}));

    // Moved again, past "CDE": the copy it leaves at 43-49 is free space once more.
    const std::vector<std::string> longer = {"ABCDEAB", "ABCDEAB", "CDE"};
    ASSERT_TRUE(editor::writeEntryTexts(
        *gameTemplate, m_game, 3, editor::changedEntries(*gameTemplate, again.texts, longer, again.rooms),
        again.rooms));
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
    const auto read = editor::readEntryTexts(*gameTemplate, m_game);
    const std::vector<std::string> after = {"ABCDE"};
    const auto saved = editor::writeEntryTexts(
        *gameTemplate, m_game, 1, editor::changedEntries(*gameTemplate, read.texts, after, read.rooms),
        read.rooms);
    ASSERT_TRUE(saved) << saved.error();
    EXPECT_EQ(test::readAll(m_game).substr(0x20, 2), "\x00\x80"s);
    EXPECT_EQ(editor::readEntryTexts(*gameTemplate, m_game).texts, after);
}

TEST_F(PointerEntries, ASaveThatDoesNotReadBackAsMeantIsUndoneByteForByte) {
    const auto gameTemplate =
        write("[PointerTable1]\nOffset=10\nCount=1\nTextFormat=0\n[FreeSpace]\nRanges=40-60\n");
    ASSERT_TRUE(gameTemplate) << gameTemplate.error();
    const auto read = editor::readEntryTexts(*gameTemplate, m_game);
    const std::string before = test::readAll(m_game);
    // Another program changes the moved string's first byte between the write and the proof.
    files::setWriteFaults({nullptr, 0, [this] {
                               std::fstream file(m_game, std::ios::in | std::ios::out | std::ios::binary);
                               file.seekp(0x43);
                               file.put('E');
                           }});
    const std::vector<std::string> after = {"ABCDE", "AB"};
    const auto saved = editor::writeEntryTexts(
        *gameTemplate, m_game, 2, editor::changedEntries(*gameTemplate, read.texts, after, read.rooms),
        read.rooms);
    files::setWriteFaults({});
    ASSERT_FALSE(saved);
    EXPECT_EQ(saved.error(),
              "Entry 1 (\"one\") read \"EBCDE\" after the save, not \"ABCDE\". Every byte was put back.");
    EXPECT_EQ(test::readAll(m_game), before);
    EXPECT_FALSE(files::hasInterruptedSave(m_game));
}

TEST_F(PointerEntries, AStringWithoutRoomOrGivenTwoTextsIsRefusedBeforeAnythingIsWritten) {
    const auto gameTemplate = write(
        "[PointerTable1]\nOffset=10\nCount=1\nTextFormat=0\n"
        "[FreeSpace]\nRanges=80-84\n");
    ASSERT_TRUE(gameTemplate) << gameTemplate.error();
    const auto read = editor::readEntryTexts(*gameTemplate, m_game);
    const std::string before = test::readAll(m_game);
    const auto save = [&](const std::vector<std::string>& after) {
        const auto saved = editor::writeEntryTexts(
            *gameTemplate, m_game, 2, editor::changedEntries(*gameTemplate, read.texts, after, read.rooms),
            read.rooms);
        return saved ? std::string() : saved.error();
    };
    EXPECT_EQ(
        save({"ABCDE", "AB"}),
        "Entry 1 (\"one\") needs 6 bytes; the largest free block in its region has 4 bytes (free space: "
        "80-84). Nothing was written.");
    EXPECT_EQ(
        save({"A", "B"}),
        "Entry 1 (\"one\") and Entry 2 (\"<error> 1\") reach one string, and were given different texts. "
        "Nothing was written.");
    EXPECT_EQ(test::readAll(m_game), before);
}

TEST_F(PointerEntries, StringsWithoutLengthAreReadOnlyUpToTheTextLimit) {
    // Each string without its end token reads 32767 bytes as 3000 characters each: about 98 MB, past 64 MiB.
    m_folder.writeAlphabet("t.tbl", "41=" + std::string(3000, 'x') + "\n/00\n");
    test::writeImage(m_game, {{0, std::string(0x8000, 'A')}});
    m_folder.writeTemplate("p.ini",
                           "[TextFormattingSystem]\nNumberOfEntries=2\n0=t.tbl\n"
                           "[entry1]\nTextFormat=0\nHexLocation=0\n[entry2]\nTextFormat=0\nHexLocation=0\n");
    const auto gameTemplate = readGameTemplate(m_folder.path("plugins\\games\\p.ini"));
    ASSERT_TRUE(gameTemplate) << gameTemplate.error();
    const auto read = editor::readEntryTexts(*gameTemplate, m_game);
    EXPECT_TRUE(read.tooMuchText);
    EXPECT_EQ(read.texts[0].size(), 0x7FFFu * 3000);
    EXPECT_EQ(read.texts[1], "");
}

TEST_F(PointerEntries, CheckListsBadValuesCellsThatDisagreeOrLeadNowhereAndOverlappingFreeSpace) {
    m_folder.writeTemplate("p.ini",
                           "[TextFormattingSystem]\nNumberOfEntries=2\n0=t.tbl\n"
                           "[Pointers]\nFormat=le32\nBase=08000000\n"
                           "[entry1]\nTextFormat=0\nPointer=10,14\n"
                           "[entry2]\nTextFormat=0\nPointer=20\nFormat=le8\n"
                           "[PointerTable1]\nOffset=F8\nCount=3\nTextFormat=0\n"
                           "[FreeSpace]\nRanges=80-C0,A0-100\n");
    std::vector<std::string> listed;
    for (const auto& problem : checkTemplate(m_folder.path("plugins\\games\\p.ini"), m_game)) {
        listed.push_back(problemText(problem));
    }
    EXPECT_EQ(
        listed,
        (std::vector<std::string>{
            "[entry2] Format = \"le8\" is not a pointer format: le16, be16, le24, be24, le32 or be32",
            "[FreeSpace] Ranges = \"80-C0,A0-100\" has ranges that overlap: 80-C0 and A0-100",
            "[entry1] Pointer = \"10,14\" has a cell at 0x14 that holds 8000050, not the 8000040 of "
            "the first cell",
            // The value the rule refuses is left out: [Pointers] gives the format.
            "[entry2] Pointer = \"20\" has a cell at 0x20 that holds FFFF4000, which points past the end "
            "of " +
                m_game,
            "[PointerTable1] Offset = \"F8\" has a cell at 0xF8 that holds FFFFFFFF, which points "
            "past the end of " +
                m_game,
            "[PointerTable1] Offset = \"F8\" has a cell at 0xFC that holds FFFFFFFF, which points "
            "past the end of " +
                m_game,
            "[PointerTable1] Offset = \"F8\" has a cell at 0x100 past the end of " + m_game}));
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
    m_folder.writeTemplate(
        "p.ini", "[TextFormattingSystem]\nNumberOfEntries=0\n0=t.tbl\n[Pointers]\nFormat=le16\n" + tables);
    const std::string path = m_folder.path("plugins\\games\\p.ini");
    std::vector<std::string> listed;
    for (const auto& problem : checkTemplate(path, m_game)) {
        if (problem.what.find("cell at") == std::string::npos) {
            listed.push_back(problemText(problem));
        }
    }
    EXPECT_EQ(
        listed,
        (std::vector<std::string>{
            "[PointerTable1] Count = \"2\" puts cells past offset 7FFFFFFF, with its Offset and Stride",
            "[PointerTable4] Count = \"65536\" makes the template's entries 196608, more than the "
            "131072 allowed",
            "[FreeSpace] Ranges = \"80-C0,C0-40000000\" has the range C0-40000000, which runs past the end "
            "of " +
                m_game + " (256 bytes): only what lies before it is free space"}));
    const auto refused = readGameTemplate(path);
    EXPECT_EQ(
        refused ? "" : refused.error(),
        "The template " + path +
            " cannot be used: in section [PointerTable1] the key Count has the value \"2\", which puts cells "
            "past offset 7FFFFFFF, with its Offset and Stride.");
    m_folder.writeTemplate("p.ini",
                           "[TextFormattingSystem]\nNumberOfEntries=0\n0=t.tbl\n[Pointers]\nFormat=le16\n" +
                               std::string(tables).replace(tables.find("FFFFFFFF"), 8, "1"));
    const auto tooMany = readGameTemplate(path);
    EXPECT_EQ(tooMany ? "" : tooMany.error(),
              "The template " + path +
                  " cannot be used: with [PointerTable3] it makes 131074 entries, "
                  "more than the 131072 allowed.");
}

TEST_F(PointerEntries, CheckSaysWhichBytesOfTheFreeSpaceNoStringExplains) {
    ASSERT_TRUE(write("[PointerTable1]\nOffset=10\nCount=2\nTextFormat=0\n[FreeSpace]\nRanges=30-60\n"));
    const std::string templatePath = m_folder.path("plugins\\games\\p.ini");
    EXPECT_FALSE(editor::checkFreeSpace(templatePath, m_game));  // 30-60 holds FF and the two strings
    test::writeText(m_game, test::readAll(m_game).replace(0x35, 2, "\x01\x02"));
    const auto problem = editor::checkFreeSpace(templatePath, m_game);
    ASSERT_TRUE(problem);
    EXPECT_EQ(problemText(*problem), "[FreeSpace] Ranges = \"30-60\" holds 2 bytes in " + m_game +
                                         " that no entry's string explains and that are not the fill byte FF "
                                         "(the first at 0x35): they are not free, and perhaps the range is "
                                         "not free space");
}

}  // namespace
}  // namespace rq::templates
