// The holes a save of texts must not fall into, whatever planned it: each row is refused with the file as it
// was, or written, read back and compared with the whole file.

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "editor/entrytexts.h"
#include "editor/freespace.h"
#include "files/safewrite.h"
#include "support/testfiles.h"
#include "templates/gametemplate.h"

namespace rq::editor {
namespace {

using namespace std::string_literals;

// The end token FF begins the longer key FF01, as in tables where FF is the end and FF01 a symbol.
constexpr std::string_view kTable = "41=A\n42=B\n43=C\n20= \n/FF=<end>\nFF01=*\n";

struct GuardRow {
    const char* name;
    std::string entries;            // the template after its [TextFormattingSystem] lines
    std::vector<test::Patch> game;  // over 0x100 bytes of EE
    std::vector<std::pair<std::size_t, std::string>> edits;  // entry index, new text
    std::vector<test::Patch> after;                          // the bytes that change, all of them
    std::string refusal;                                     // a part of it; then the file is unchanged
    std::vector<std::string> texts;                          // every entry read again after the save
};

void PrintTo(const GuardRow& row, std::ostream* out) {
    *out << row.name;
}

class SaveGuard : public testing::TestWithParam<GuardRow> {};

TEST_P(SaveGuard, RefusesOrWritesOnlyWhatItMeansAndReadsItBack) {
    const GuardRow& row = GetParam();
    test::ProgramFolder folder;
    folder.writeAlphabet("t.tbl", kTable);
    std::size_t count = 0;
    for (std::size_t at = row.entries.find("[entry"); at != std::string::npos;
         at = row.entries.find("[entry", at + 1)) {
        ++count;
    }
    folder.writeTemplate("t.ini", "[TextFormattingSystem]\nNumberOfEntries=" + std::to_string(count) +
                                      "\n0=t.tbl\n" + row.entries);
    const std::string path = folder.path("plugins\\games\\t.ini");
    const std::string game = folder.dir().file("game.bin");
    std::vector<test::Patch> bytes = {{0, std::string(0x100, '\xEE')}};
    bytes.insert(bytes.end(), row.game.begin(), row.game.end());
    test::writeImage(game, bytes);
    const auto gameTemplate = templates::readGameTemplate(path);
    ASSERT_TRUE(gameTemplate) << gameTemplate.error();
    const auto read = readEntryTexts(*gameTemplate, game);
    auto texts = read.texts;
    for (const auto& [index, text] : row.edits) {
        texts.at(index) = text;
    }
    const std::string before = test::readAll(game);
    const auto saved = saveEntryTexts(path, game, read.texts, texts, read.rooms);
    if (!row.refusal.empty()) {
        ASSERT_FALSE(saved);
        EXPECT_NE(saved.error().find(row.refusal), std::string::npos) << saved.error();
        EXPECT_EQ(test::readAll(game), before);
        return;
    }
    ASSERT_TRUE(saved) << saved.error();
    std::string expected = before;
    for (const auto& [offset, changed] : row.after) {
        expected.replace(offset, changed.size(), changed);
    }
    EXPECT_EQ(test::readAll(game), expected);
    EXPECT_EQ(readEntryTexts(*gameTemplate, game).texts, row.texts);
}

// A pointer table at 0x20 (le16 cells), its strings at 0x40 and on, and free space at 0x80.
std::string pointers(int count, const std::string& freeSpace, const std::string& keys = "") {
    return "[PointerTable1]\nOffset=20\nCount=" + std::to_string(count) +
           "\nFormat=le16\nTextFormat=0\nComment=p\n" + keys + "[FreeSpace]\nRanges=" + freeSpace + "\n";
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SaveGuard,
    testing::Values(
        // "AB<$01>C": a shorter text's end token would meet the old 01 and read on as FF01.
        GuardRow{"EndTokenIsFollowedByAByteThatEndsIt",
                 "[entry1]\nTextFormat=0\nHexLocation=0\n[entry2]\nTextFormat=0\nHexLocation=5\n",
                 {{0,
                   "AB\x01"
                   "C\xFF"
                   "BB\xFF"}},
                 {{0, "A"}},
                 {{0, "A\xFF\xFF"}},
                 "",
                 {"A", "BB"}},
        GuardRow{"AFillThatJoinsTheEndTokenIsRefused",
                 "[entry1]\nTextFormat=0\nHexLocation=0\nLength=5\nFill=01\n",
                 {{0, "ABCA\xFF"}},
                 {{0, "A"}},
                 {},
                 "its end token would be read together with the byte after it",
                 {}},
        GuardRow{"TwoRoomsSharingBytesTakeOneTextOnly",
                 "[entry1]\nTextFormat=0\nHexLocation=10\nLength=4\n"
                 "[entry2]\nTextFormat=0\nHexLocation=12\nLength=4\n",
                 {{0x10, "ABCABC"}},
                 {{0, "BBBB"}, {1, "CCCC"}},
                 {},
                 "would write different bytes at 0x12: they share bytes of the file",
                 {}},
        GuardRow{"TwoRoomsSharingBytesMayTakeTextsThatAgree",
                 "[entry1]\nTextFormat=0\nHexLocation=10\nLength=4\n"
                 "[entry2]\nTextFormat=0\nHexLocation=12\nLength=4\n",
                 {{0x10, "ABCABC"}},
                 {{0, "AAAA"}, {1, "AAAA"}},
                 {{0x10, "AAAAAA"}},
                 "",
                 {"AAAA", "AAAA"}},
        GuardRow{"ARoomWithoutItsEndTokenIsNamedWhereItLies",
                 "[entry1]\nTextFormat=0\nHexLocation=30\n",
                 {},
                 {{0, "A"}},
                 {},
                 "no end token was found in the 208 bytes from 0x30",
                 {}},
        // Overlapping ranges are one range: the second string goes after the first, not into it.
        GuardRow{"OverlappingFreeRangesHandOutEachByteOnce",
                 pointers(2, "80-B0,A0-C0"),
                 {{0x20, "\x40\x00\x50\x00"s},
                  {0x40, "A\xFF"},
                  {0x50, "B\xFF"},
                  {0x80, std::string(0x40, '\xFF')}},
                 {{0, std::string(0x26, 'A')}, {1, std::string(0x10, 'B')}},
                 {{0x20, "\x80\x00\xA7\x00"s},
                  {0x80, std::string(0x26, 'A') + "\xFF" + std::string(0x10, 'B') + "\xFF"}},
                 "",
                 {std::string(0x26, 'A'), std::string(0x10, 'B')}},
        // The second entry points into the middle of the first: the moved string's old room keeps it.
        GuardRow{"AMovedStringsOldRoomKeepsAStringInsideIt",
                 pointers(2, "40-50,80-C0"),
                 {{0x20, "\x40\x00\x43\x00"s}, {0x40, "ABCAB\xFF"}, {0x80, std::string(0x40, '\xFF')}},
                 {{0, "ABCABCABC"}},
                 {{0x20, "\x80\x00"s}, {0x40, "\xFF\xFF\xFF"}, {0x80, "ABCABCABC\xFF"}},
                 "",
                 {"ABCABCABC", "AB"}},
        GuardRow{"AMovedStringsCellsKeepTheirBase",
                 pointers(1, "80-C0", "Base=8000\n"),
                 {{0x20, "\x40\x80"s}, {0x40, "A\xFF"}, {0x80, std::string(0x40, '\xFF')}},
                 {{0, "ABCABC"}},
                 {{0x20, "\x80\x80"s}, {0x80, "ABCABC\xFF"}},
                 "",
                 {"ABCABC"}},
        // A fixed room without an end token has no length but its own: written in place, or refused.
        GuardRow{"APointerEntryWithoutAnEndTokenDoesNotMove",
                 "[entry1]\nTextFormat=0\nLength=4\nPointer=20\nFormat=le16\n[FreeSpace]\nRanges=80-C0\n",
                 {{0x20, "\x40\x00"s}, {0x40, "ABCA"}, {0x80, std::string(0x40, '\xFF')}},
                 {{0, "ABCABC"}},
                 {},
                 "needs 6 bytes, but its room is 4 bytes",
                 {}}),
    test::rowName);

struct FaultRow {
    const char* name;
    test::Patch damage;   // made between the writes and the proof
    std::string refusal;  // the whole message
    bool stays;           // outside what the save wrote, the damage is not the save's to put back
};

void PrintTo(const FaultRow& row, std::ostream* out) {
    *out << row.name;
}

class SaveProof : public testing::TestWithParam<FaultRow> {};

// Entry 1 reaches its string through two cells, entry 2 is a fixed room filled after its end token, entry 3
// is not edited. Whatever changes between the writes and the proof is found, and every byte put back.
TEST_P(SaveProof, ReadsEveryEntryThroughEveryCellAndEveryByteWritten) {
    const FaultRow& row = GetParam();
    test::ProgramFolder folder;
    folder.writeAlphabet("t.tbl", kTable);
    folder.writeTemplate("t.ini",
                         "[TextFormattingSystem]\nNumberOfEntries=3\n0=t.tbl\n"
                         "[entry1]\nTextFormat=0\nPointer=20,22\nFormat=le16\nComment=one\n"
                         "[entry2]\nTextFormat=0\nHexLocation=50\nLength=6\nFill=00\nComment=two\n"
                         "[entry3]\nTextFormat=0\nHexLocation=60\nComment=three\n");
    const std::string game = folder.dir().file("game.bin");
    test::writeImage(game, {{0, std::string(0x100, '\xEE')},
                            {0x20, "\x40\x00\x40\x00"s},
                            {0x40, "ABC\xFF"},
                            {0x50, "CBA\xFF\x00\x00"s},
                            {0x60, "AAA\xFF"}});
    const auto gameTemplate = templates::readGameTemplate(folder.path("plugins\\games\\t.ini"));
    ASSERT_TRUE(gameTemplate) << gameTemplate.error();
    const auto read = readEntryTexts(*gameTemplate, game);
    const std::string before = test::readAll(game);
    files::setWriteFaults({nullptr, 0, [&] {
                               std::fstream file(game, std::ios::in | std::ios::out | std::ios::binary);
                               file.seekp(static_cast<std::streamoff>(row.damage.offset));
                               file.write(row.damage.bytes.data(),
                                          static_cast<std::streamsize>(row.damage.bytes.size()));
                           }});
    const std::vector<EntryEdit> edits = {{0, "B"}, {1, "A"}};
    const auto saved = writeEntryTexts(*gameTemplate, game, 3, edits, read.rooms);
    files::setWriteFaults({});
    ASSERT_FALSE(saved);
    EXPECT_EQ(saved.error(), row.refusal);
    EXPECT_EQ(test::readAll(game),
              row.stays
                  ? std::string(before).replace(row.damage.offset, row.damage.bytes.size(), row.damage.bytes)
                  : before);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SaveProof,
    testing::Values(
        FaultRow{"TheSecondCellOfAnEntry",
                 {0x22, "\x60\x00"s},
                 "Entry 1 (\"one\") read \"AAA\" through its cell at 0x22 after the save, not \"B\". Every "
                 "byte was "
                 "put back.",
                 true},
        FaultRow{"TheLastEntry",
                 {0x61, "B"},
                 "Entry 3 (\"three\") read \"ABA\" after the save, not \"AAA\". Every byte was put back.",
                 true},
        FaultRow{"ABytePastTheEndTokenThatNoTextReads",
                 {0x55, "\x01"s},
                 "Entry 2 (\"two\") read back other bytes than were written. Every byte was put back.",
                 false}),
    test::rowName);

// What the checks and counters are told a text may move to is what the save moves: a pointer entry with an
// end token under a table, and nothing else.
TEST(SaveGuardRooms, OnlyWhatTheSaveMovesIsOfferedFreeSpace) {
    test::ProgramFolder folder;
    folder.writeAlphabet("t.tbl", kTable);
    folder.writeAlphabet("a.ini", test::alphabetText(1, "41=A\n", "A=41\n"));
    folder.writeTemplate(
        "t.ini",
        "[TextFormattingSystem]\nNumberOfEntries=4\n0=t.tbl\n1=a.ini\n[Pointers]\nFormat=le16\n"
        "[entry1]\nTextFormat=0\nPointer=20\n[entry2]\nTextFormat=0\nPointer=22\nLength=4\n"
        "[entry3]\nTextFormat=1\nPointer=24\nLength=4\n[entry4]\nTextFormat=0\nPointer=26\n"
        "[FreeSpace]\nRanges=80-C0\n");
    const std::string game = folder.dir().file("game.bin");
    test::writeImage(game, {{0, std::string(0x100, '\xFF')},
                            {0x20, "\x40\x00\x50\x00\x60\x00\x70\x00"s},
                            {0x40, "AB\xFF"},
                            {0x50, "ABCA"},
                            {0x60, "AAAA"},
                            {0x70, std::string(0x10, 'A')}});
    const auto gameTemplate = templates::readGameTemplate(folder.path("plugins\\games\\t.ini"));
    ASSERT_TRUE(gameTemplate) << gameTemplate.error();
    const auto read = readEntryTexts(*gameTemplate, game);
    const auto moving = movingRooms(*gameTemplate, read.rooms, game);
    // Entry 4's string runs into the free space's FF bytes: ended there, it reads to 0x80 and moves.
    EXPECT_EQ(moving, (std::vector<std::optional<std::uint64_t>>{0x3F, std::nullopt, std::nullopt, 0x3F}));
}

// Past the bound on the texts read, an entry has neither text nor room: an edit of it is refused, never
// written at the offset 0 of a room nobody read.
TEST(SaveGuardRooms, AnEntryPastTheBoundOnTextsReadCannotBeWritten) {
    test::ProgramFolder folder;
    // Each byte 00 reads as 300 letters: seven strings of 32767 bytes come to more than 64 MiB.
    folder.writeAlphabet("t.tbl", "00=" + std::string(300, 'x') + "\n/FF\n");
    folder.writeAlphabet("a.ini", test::alphabetText(1, "41=A\n42=B\n", "A=41\nB=42\n"));
    std::string entries;
    for (int n = 1; n <= 11; ++n) {
        entries += "[entry" + std::to_string(n) + "]\nTextFormat=0\nHexLocation=100\n";
    }
    folder.writeTemplate("t.ini", "[TextFormattingSystem]\nNumberOfEntries=12\n0=t.tbl\n1=a.ini\n" + entries +
                                      "[entry12]\nTextFormat=1\nHexLocation=10\nLength=2\n");
    const std::string game = folder.dir().file("game.bin");
    test::writeImage(game, {{0, "BBBB"}, {0x10, "AA"}}, 0x100 + 32767);
    const auto gameTemplate = templates::readGameTemplate(folder.path("plugins\\games\\t.ini"));
    ASSERT_TRUE(gameTemplate) << gameTemplate.error();
    const auto read = readEntryTexts(*gameTemplate, game);
    ASSERT_TRUE(read.tooMuchText);
    ASSERT_TRUE(read.rooms.back().unread);
    const std::string before = test::readAll(game);
    const EntryEdit edit{11, "BB"};
    const auto saved = writeEntryTexts(*gameTemplate, game, 12, {&edit, 1}, read.rooms);
    ASSERT_FALSE(saved);
    EXPECT_EQ(
        saved.error(),
        "Entry 12 (\"<error>\") was not read, so nothing can be written to it: the template's texts come "
        "to more than 64 MiB, and nothing past that is read. Nothing was written.");
    EXPECT_EQ(test::readAll(game), before);
}

}  // namespace
}  // namespace rq::editor
