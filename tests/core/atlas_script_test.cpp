// Inserter scripts: each command's forms walked as the inserter walks them, each refusal with its line, and
// the texts matched to a template's entries.

#include <gtest/gtest.h>

#include <algorithm>

#include "editor/entrytexts.h"
#include "exchange/atlaslayout.h"
#include "exchange/atlastexts.h"
#include "exchange/atlaswalk.h"
#include "exchange/atlaswriter.h"
#include "files/asciitext.h"
#include "support/testfiles.h"

namespace rq {
namespace {

using namespace std::string_literals;

constexpr std::string_view kTable = "41=A\n42=B\n/FF=<END>\n*FE=<LINE>\n";
const std::string kPrelude = "#VAR(T, TABLE)\n#ADDTBL(\"t.tbl\", T)\n#ACTIVETBL(T)\n";

struct ScriptRow {
    std::string name;
    std::string script;  // after the three lines that make t.tbl the active table
    std::string walked;  // the texts and rooms as walked, or (a part of) the refusal
};

// "@PLACE TEXT +SIZE [CELL:SIZE:VALUE ...]" a text (a line break as "|", "*" for a fixed length), then
// "room START-END" each #JMP room; all in hexadecimal.
std::string walkedOf(const test::TempDir& dir, const std::string& script) {
    const auto parsed = exchange::parseAtlasScript(kPrelude + script, "s.txt");
    const auto layout = parsed ? exchange::walkAtlasScript(*parsed, "s.txt", dir.path().string())
                               : Result<exchange::ScriptLayout>(parsed.failure());
    if (!layout) {
        return layout.error();
    }
    std::string walked;
    const auto hex = [](std::uint64_t value) { return files::hexText(value); };
    for (const auto& string : layout->strings) {
        std::string text = string.text;
        std::ranges::replace(text, '\n', '|');
        walked += "@" + hex(string.place) + " " + text + " +" + hex(string.size) + (string.fixed ? "*" : "");
        for (const auto& pointer : string.pointers) {
            walked += " " + hex(pointer.cell) + ":" + std::to_string(pointer.size) + ":" +
                      hex(pointer.value) + (pointer.bigEndian ? "b" : "");
        }
        walked += "\n";
    }
    for (const auto& room : layout->rooms) {
        walked += "room " + hex(room.start) + "-" + hex(room.end) + "\n";
    }
    return walked;
}

class ScriptCommands : public testing::TestWithParam<ScriptRow> {};

TEST_P(ScriptCommands, WalkedAsTheInserterWalksThem) {
    const test::TempDir dir;
    test::writeText(dir.file("t.tbl"), kTable);
    const std::string walked = walkedOf(dir, GetParam().script);
    EXPECT_NE(walked.find(GetParam().walked), std::string::npos) << walked;
    EXPECT_EQ(GetParam().walked.empty(), walked.empty()) << walked;
}

const std::string kPointer = "#VAR(P, CUSTOMPOINTER)\n#CREATEPTR(P, \"LINEAR\", 0, 16)\n";

INSTANTIATE_TEST_SUITE_P(
    Commands, ScriptCommands,
    testing::Values(
        ScriptRow{"TextToItsEndToken", "#JMP($100)\nAB<END>\n", "@100 AB +3\nroom 100-103\n"},
        ScriptRow{"LinesJoinedLineBreakByLabel", "#JMP($100)\nA<LINE>\nB<END>A<END>\n",
                  "@100 A|B +4\n@104 A +2\nroom 100-106\n"},
        ScriptRow{"RawBytesBothForms", "#JMP(0)\n<$10>($7f)<END>\n", "@0 <$10><$7F> +3\n"},
        ScriptRow{"W16LessTheHeader", "#HDR($10)\n#JMP($100)\n#W16($20)\nA<END>\n", "@100 A +2 20:2:F0\n"},
        ScriptRow{"W16CutToWidth", "#JMP($12345)\n#W16(0)\nA<END>\n", "@12345 A +2 0:2:2345\n"},
        ScriptRow{"W24AndW32", "#JMP($100)\n#W24(0)\n#W32(4)\nA<END>\n", "@100 A +2 0:3:100 4:4:100\n"},
        ScriptRow{"CreatePtrHeaderWhenMadeNegativeOffsettingAdds",
                  "#HDR($10)\n#VAR(P, CUSTOMPOINTER)\n#CREATEPTR(P, \"LINEAR\", $-8000, 16)\n#HDR(0)\n"
                  "#JMP($100)\n#WRITE(P, $20)\nA<END>\n",
                  "@100 A +2 20:2:80F0\n"},
        ScriptRow{"PointerTableWriteAndAutowrite",
                  kPointer + "#VAR(L, POINTERTABLE)\n#PTRTBL(L, $40, 2, P)\n#JMP($100)\n#WRITE(L)\nA<END>\n"
                             "#AUTOWRITE(L, \"<END>\")\nB<END>\n#DISABLE(L, \"<END>\")\nA<END>\n",
                  "@100 A +2 40:2:100\n@102 B +2 42:2:102\n@104 A +2\n"},
        ScriptRow{"EndianSwap", "#ENDIANSWAP(\"TRUE\")\n#JMP($100)\n#W16(0)\nA<END>\n",
                  "@100 A +2 0:2:100b\n"},
        ScriptRow{"FixedLengthThenAlignment",
                  "#FIXEDLENGTH(4, 0)\n#JMP($100)\nA<END>B<END>\n#FIXEDLENGTH(0, 0)\n#STRINGALIGN(4)\n"
                  "A<END>B<END>\n",
                  "@100 A +4*\n@104 B +4*\n@108 A +2\n@10C B +2\nroom 100-110\n"},
        ScriptRow{"JmpWithItsLastByte", "#JMP($100, $1FF)\nA<END>\n", "room 100-200\n"},
        ScriptRow{"CommentsAndBlankLines", "// note\n\n   \n#jmp(256) // there\nA<END>\n", "@100 A +2\n"},
        ScriptRow{"SettingsThatChangeNothing",
                  "#SMA(\"LINEAR\")\n#STRTYPE(\"ENDTERM\")\n#EMBTYPE(\"LINEAR\", 16, 0)\n", ""},
        ScriptRow{"UnknownCommand", "#FOO(1)\n", "s.txt, line 4: #FOO is no command this reader knows"},
        ScriptRow{"SnesAddresses", "#SMA(\"LOROM00\")\n", "line 4: #SMA takes the address mode \"LOROM00\""},
        ScriptRow{"PascalStrings", "#STRTYPE(\"PASCAL16\")\n", "line 4: #STRTYPE takes the string type"},
        ScriptRow{"EmbeddedPointers", "#EMBSET(0)\n", "line 4: #EMBSET places embedded pointers"},
        ScriptRow{"PointerListFromFile", "#VAR(L, POINTERLIST)\n", "line 4: #VAR makes a pointer list"},
        ScriptRow{"Extension", "#VAR(E, EXTENSION)\n", "line 4: #VAR runs an extension"},
        ScriptRow{"OneByteOfAPointer", "#WLB($10)\n", "line 4: #WLB writes one byte"},
        ScriptRow{"WrongArguments", "#JMP(\"A\")\n",
                  "line 4: #JMP takes a number, or a number, a number, not a string"},
        ScriptRow{"CurlyQuotes", "#SMA(\xE2\x80\x9CLINEAR\xE2\x80\x9D)\n", "line 4: #SMA: the string"},
        ScriptRow{"NumberPast32Bits", "#JMP($123456789)\n", "line 4: #JMP: \"$123456789\" is not a number"},
        ScriptRow{"EightBitPointer", "#VAR(P, CUSTOMPOINTER)\n#CREATEPTR(P, \"LINEAR\", 0, 8)\n",
                  "line 5: #CREATEPTR makes pointers of 8 bits"},
        ScriptRow{"NoParentheses", "#JMP $100\n", "line 4: #JMP needs its arguments in parentheses"},
        ScriptRow{"WordsAfterTheCommand", "#JMP($100) x\n", "line 4: #JMP is followed by \"x\""},
        ScriptRow{"PointedTextWithoutEndToken", "#JMP(0)\n#W16($10)\nAB\n",
                  "line 6: the text that begins here has no end token"},
        ScriptRow{"FixedRoomWithoutEndToken", "#JMP(0)\nAB\n#JMP(4)\nB<END>\n", "@0 AB +2"},
        ScriptRow{"CommandInsideAText", "#JMP(0)\nA\n#W16(0)\nB<END>\n",
                  "line 6: #W16 stands inside the text begun on line 5"},
        ScriptRow{"PointerBeforeAJump", "#W16(0)\n#JMP(0)\nA<END>\n",
                  "line 4: the pointer points where no text comes: #JMP on line 5"},
        ScriptRow{"PointerAtTheEnd", "#W16(0)\n",
                  "line 4: the pointer points where no text comes: the script"},
        ScriptRow{"UndeclaredPointer", "#WRITE(P, 0)\n",
                  "line 4: #WRITE names P, which no #VAR(P, CUSTOMPOINTER)"},
        ScriptRow{"AutowriteWithoutItsTable", "#VAR(L, POINTERTABLE)\n#AUTOWRITE(L, \"<END>\")\n",
                  "line 5: #AUTOWRITE names L, which no #PTRTBL made."},
        ScriptRow{"PointerTableOfAPointerNeverMade",
                  "#VAR(L, POINTERTABLE)\n#VAR(P, CUSTOMPOINTER)\n#PTRTBL(L, 0, 2, P)\n",
                  "line 6: #PTRTBL names P, which no #CREATEPTR made."},
        ScriptRow{"MissingTable", "#VAR(U, TABLE)\n#ADDTBL(\"none.tbl\", U)\n",
                  "line 5: the table \"none.tbl\""},
        ScriptRow{"TextTheTableCannotWrite", "#JMP(0)\nAC<END>\n", "line 5: the text has no code for \"C\""},
        ScriptRow{"EveryProblemListed", "#FOO(1)\n#BAR(2)\n", "s.txt has 2 problems."}),
    test::rowName);

// The inserter's own layout in a file of 0x200 bytes: each write as "@OFFSET BYTES" in hexadecimal, in the
// order planned, or (a part of) the refusal. g.tbl writes "ABCD" greedily as AB C D, in three bytes, where
// the fewest bytes are A BCD.
struct LayoutRow {
    std::string name;
    std::string script;  // after the prelude
    std::string planned;
};

class ScriptLayouts : public testing::TestWithParam<LayoutRow> {};

TEST_P(ScriptLayouts, PlacedAsTheInserterPlacesThem) {
    const test::TempDir dir;
    test::writeText(dir.file("t.tbl"), kTable);
    test::writeText(dir.file("g.tbl"), "01=A\n02=AB\n03=BCD\n04=C\n05=D\n/00=<END>\n");
    const auto parsed = exchange::parseAtlasScript(kPrelude + GetParam().script, "s.txt", true);
    ASSERT_TRUE(parsed) << parsed.error();
    const auto layout = exchange::walkAtlasScript(*parsed, "s.txt", dir.path().string(), true);
    const auto plan = layout ? exchange::planAtlasLayout(*layout, 0x200, "s.txt")
                             : Result<exchange::AtlasPlan>(layout.failure());
    std::string planned;
    for (const auto& write : plan ? plan->writes : std::vector<files::RoomWrite>{}) {
        planned += "@" + files::hexText(write.offset);
        for (const char byte : write.bytes) {
            planned += " " + files::hexText(static_cast<unsigned char>(byte), 2);
        }
        planned += "\n";
    }
    const std::string got = plan ? planned : plan.error();
    EXPECT_NE(got.find(GetParam().planned), std::string::npos) << got;
}

const std::string kGreedy = "#VAR(G, TABLE)\n#ADDTBL(\"g.tbl\", G)\n#ACTIVETBL(G)\n";

INSTANTIATE_TEST_SUITE_P(
    Layouts, ScriptLayouts,
    testing::Values(
        LayoutRow{"JmpWithTwoStrings", "#JMP($100)\nAB<END>B<LINE>A<END>\n",
                  "@100 41 42 FF\n@103 42 FE 41 FF\n"},
        LayoutRow{"PointerWrite", "#JMP($100)\n#W16($20)\nA<END>\n", "@100 41 FF\n@20 00 01\n"},
        LayoutRow{"HeaderLessened", "#HDR($80)\n#JMP($100)\n#W16($20)\nB<END>\n", "@100 42 FF\n@20 80 00\n"},
        LayoutRow{"BigEndian", "#ENDIANSWAP(\"TRUE\")\n#JMP($123)\n#W24($20)\nA<END>\n",
                  "@123 41 FF\n@20 00 01 23\n"},
        LayoutRow{"RawByte", "#JMP(0)\n<$10>A<END>\n", "@0 10 41 FF\n"},
        LayoutRow{"GreedyNotFewestBytes", kGreedy + "#JMP($10)\n#W16(0)\nABCD<END>\nA<END>\n",
                  "@10 02 04 05 00\n@0 10 00\n@14 01 00\n"},
        LayoutRow{
            "CutByItsJmpBound", "#JMP($100, $101)\nAB<END>\n",
            "s.txt, line 5: the text needs 3 bytes from $100, and its #JMP's room has 2 left (to $101)"},
        LayoutRow{"PastTheFileEnd", "#JMP($1FF)\nA<END>\n",
                  "line 5: the text needs the bytes $1FF to $200, past the file's end at $200"},
        LayoutRow{"PointerPastTheFileEnd", "#JMP(0)\n#W32($1FE)\nA<END>\n",
                  "line 5: the pointer at $1FE needs the bytes $1FE to $201"},
        LayoutRow{"TwoWritesOverOneByte", "#JMP($100)\n#W16($101)\nAB<END>\n",
                  "line 5: it writes over $101, as line 6 does"},
        LayoutRow{"FixedLengthFilled", "#FIXEDLENGTH(4, $EE)\n#JMP(0)\nA<END>B<END>\n",
                  "@0 41 FF EE EE\n@4 42 FF EE EE\n"},
        LayoutRow{"FixedLengthCut", "#FIXEDLENGTH(2, 0)\n#JMP(0)\nAB<END>\n",
                  "line 6: the text needs 3 bytes, and #FIXEDLENGTH gives it 2"},
        LayoutRow{"CommandInsideATextEndsIt", "#JMP($100)\nA\n#W16(0)\nB<END>\n",
                  "@100 41\n@101 42 FF\n@0 01 01\n"},
        LayoutRow{"EmbeddedSetThenWrite",
                  "#EMBTYPE(\"LINEAR\", 16, 0)\n#JMP($100)\nA\n#EMBSET(0)\nB<END>\n#EMBWRITE(0)\nA<END>\n",
                  "@100 41\n@103 42 FF\n@105 41 FF\n@101 05 01\n"},
        LayoutRow{"EmbeddedWriteThenSetLessHeaderAndOffsetting",
                  "#EMBTYPE(\"LINEAR\", 24, $10)\n#HDR($80)\n#JMP($100)\n#EMBWRITE(1)\nA<END>\n#EMBSET(1)\n",
                  "@100 41 FF\n@102 70 00 00\n"},
        LayoutRow{"EmbeddedWithoutItsWrite", "#EMBTYPE(\"LINEAR\", 16, 0)\n#JMP($100)\n#EMBSET(2)\nA<END>\n",
                  "line 6: #EMBSET(2) has no #EMBWRITE(2): the inserter would leave its pointer unwritten."},
        LayoutRow{"EmbeddedBeforeItsType", "#JMP(0)\n#EMBSET(0)\n",
                  "line 5: #EMBSET comes before any #EMBTYPE gives its pointer's size."},
        LayoutRow{
            "EmbeddedCellPastItsJmpBound",
            "#EMBTYPE(\"LINEAR\", 16, 0)\n#JMP(0, 2)\nAB\n#EMBSET(0)\n#EMBWRITE(0)\n",
            "line 7: the embedded pointer's cell needs 2 bytes from $2, past its #JMP's last byte $2."}),
    test::rowName);

// The plan goes through the safe write path: the file then holds exactly its bytes, and nothing else moves.
TEST(ScriptLayoutWrite, TheFileHoldsThePlannedBytes) {
    const test::TempDir dir;
    test::writeText(dir.file("t.tbl"), kTable);
    const std::string game = dir.file("game.bin");
    test::writeText(game, std::string(8, '\x55'));
    const auto parsed = exchange::parseAtlasScript(kPrelude + "#JMP(4)\n#W16(0)\nAB<END>\n", "s.txt");
    ASSERT_TRUE(parsed);
    const auto layout = exchange::walkAtlasScript(*parsed, "s.txt", dir.path().string());
    ASSERT_TRUE(layout);
    const auto plan = exchange::planAtlasLayout(*layout, 8, "s.txt");
    ASSERT_TRUE(plan);
    ASSERT_TRUE(exchange::writeAtlasLayout(game, *plan));
    EXPECT_EQ(test::readAll(game),
              "\x04\x00\x55\x55"
              "AB\xFF\x55"s);
}

// A game of 0x100 bytes of FF: "AB" ended at 0x40 through a pointer at 0x20, and fixed rooms at 0x60 and at
// 0x80, locked.
struct MatchRow {
    std::string name;
    std::string script;  // after the prelude
    std::string taken;  // "N=text" each, "room START-END" each, then the warnings; or the refusal (its start)
};

class ScriptMatches : public testing::TestWithParam<MatchRow> {};

TEST_P(ScriptMatches, TextsGoToTheEntriesTheyWrite) {
    const test::ProgramFolder folder;
    const test::TempDir dir;
    folder.writeAlphabet("t.tbl", kTable);
    test::writeText(dir.file("t.tbl"), kTable);
    test::writeText(dir.file("u.tbl"), "41=A\n42=B\n/FF=<END>\n");
    folder.writeTemplate("g.ini",
                         "[TextFormattingSystem]\nNumberOfEntries=3\n0=t.tbl\n"
                         "[entry1]\nTextFormat=0\nPointer=20\nFormat=le16\nComment=one\n"
                         "[entry2]\nTextFormat=0\nLength=4\nHexLocation=60\n"
                         "[entry3]\nTextFormat=0\nLength=4\nHexLocation=80\nComment=key\nLock=yes\n");
    const std::string game = dir.file("g.bin");
    test::writeImage(game, {{0, std::string(0x100, '\xFF')},
                            {0x20, "\x40\x00"s},
                            {0x40, "AB\xFF"s},
                            {0x60, "ABAB"s},
                            {0x80, "ABAB"s}});
    const auto gameTemplate = templates::readGameTemplate(folder.path("plugins\\games\\g.ini"));
    ASSERT_TRUE(gameTemplate) << gameTemplate.error();
    const auto read = editor::readEntryTexts(*gameTemplate, game);
    const auto taken = exchange::takeScriptTexts(kPrelude + GetParam().script, "s.txt", dir.path().string(),
                                                 *gameTemplate, read.texts, read.rooms);
    std::string said = taken ? "" : taken.error();
    if (taken) {
        for (const auto& [number, text] : taken->taken.texts) {
            said += std::to_string(number) + "=" + text + "\n";
        }
        for (const auto& room : taken->rooms) {
            said += "room " + files::hexText(room.start) + "-" + files::hexText(room.end) + "\n";
        }
        for (const auto& warning : taken->taken.warnings) {
            said += warning + "\n";
        }
    }
    EXPECT_TRUE(said.starts_with(GetParam().taken)) << said;
}

INSTANTIATE_TEST_SUITE_P(
    Matches, ScriptMatches,
    testing::Values(
        MatchRow{"ByPointerCell", "#JMP($40, $4F)\n#W16($20)\nBA<END>\n", "1=BA\nroom 40-50\n"},
        MatchRow{"FixedLengthByPlace", "#FIXEDLENGTH(4, 0)\n#JMP($60)\nBBBB<END>\n", "2=BBBB\n"},
        MatchRow{"LockedEntryChangedIsRefused", "#FIXEDLENGTH(4, 0)\n#JMP($80)\nBBBB<END>\n",
                 "s.txt, line 6: Entry 3 (\"key\") is locked: its text cannot be changed."},
        MatchRow{"UnchangedLeftOut", "#JMP($40)\n#W16($20)\nAB<END>\n", "room 40-43\n"},
        MatchRow{"NoEntryHasTheCell", "#JMP($40)\n#W16($22)\nBA<END>\n",
                 "s.txt, line 5: no entry of the template has a pointer cell at 0x22"},
        MatchRow{"NoEntryAtThePlace", "#JMP($70)\nBA<END>\n",
                 "s.txt, line 5: no entry of the template lies at 0x70"},
        MatchRow{"AnotherTable",
                 "#VAR(U, TABLE)\n#ADDTBL(\"u.tbl\", U)\n#ACTIVETBL(U)\n#JMP($40)\n#W16($20)\nBA<END>\n",
                 "s.txt, line 9: the text is written with the table"},
        MatchRow{"GivenTwoTexts", "#JMP($40)\n#W16($20)\nBA<END>\n#W16($20)\nAA<END>\n",
                 "s.txt, line 8: Entry 1 (\"one\") is given another text on line 6."},
        MatchRow{"PointerOtherThanTheTemplates", "#HDR(1)\n#JMP($40)\n#W16($20)\nBA<END>\n",
                 "1=BA\nroom 40-43\ns.txt, line 6: the script's pointer at 0x20 is 16-bit 0x3F for a text at "
                 "0x40"}),
    test::rowName);

// The inserter writes a string's position less the offsetting, cut to the cell's width: what the cell holds.
TEST(AtlasScript, TheOffsettingMakesTheInserterWriteWhatACellOfTheFormatHolds) {
    using templates::PointerFormat;
    const std::vector<std::tuple<const char*, PointerFormat, std::uint64_t>> rows = {
        {"BaseAboveTheRegion", {2, false, 0x8000, 0, UINT64_MAX}, 0x10},
        {"RegionAboveTheBase", {3, true, 0, 0x10000, 0x20000}, 0x12345},
        {"GbaRom", {4, false, 0x08000000, 0, UINT64_MAX}, 0x123456},
    };
    for (const auto& [name, format, position] : rows) {
        const auto written = (position - static_cast<std::uint64_t>(exchange::atlasOffsetting(format))) &
                             ((std::uint64_t{1} << (format.size * 8)) - 1);
        EXPECT_EQ(std::optional(written), format.valueOf(position)) << name;
    }
}

TEST(AtlasScript, BigEndianCellsSwapTheInserterBeforeTheirWrites) {
    templates::GameTemplate gameTemplate;
    auto& entry = gameTemplate.entries.emplace_back();
    entry.number = 1;
    entry.table = std::make_shared<const templates::Table>(templates::Table::parse("41=A\n/00\n"));
    entry.cells = {0x20};
    entry.pointer = {3, true, 0, 0x10000, 0x20000};
    editor::EntryRoom room;
    room.size = 2;
    room.end = "\0"s;
    room.offset = 0x10040;
    std::ostringstream out;
    ASSERT_TRUE(
        exchange::writeAtlasScript(out, gameTemplate, std::vector<std::string>{"A"}, std::vector{room}));
    EXPECT_NE(out.str().find("#CREATEPTR(Ptr1, \"LINEAR\", $10000, 24)\n"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("#ENDIANSWAP(\"TRUE\")\n#JMP($10040, $10041)\n#WRITE(Ptr1, $20)\nA<$00>\n"),
              std::string::npos)
        << out.str();
}

}  // namespace
}  // namespace rq
