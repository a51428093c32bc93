// Finding text in a game nobody has described: relative search, search through a table, and the files made
// from what was found.

#include "editor/entrytexts.h"
#include "files/asciitext.h"
#include "search/madefiles.h"
#include "search/pointerfinder.h"
#include "search/preview.h"
#include "search/relative.h"
#include "search/tablesearch.h"
#include "support/testfiles.h"
#include "templates/gametemplate.h"

namespace rq::search {
namespace {

using namespace std::string_literals;

// A word written with A at code base, one byte a code (or two, in either order), at an offset of zeros.
std::string written(std::string_view word, std::uint32_t base, CodeLayout layout = {}) {
    std::string bytes;
    for (const char ch : word) {
        const std::uint32_t code = ch >= 'a'   ? base + 0x40 + (ch - 'a')
                                   : ch >= 'A' ? base + (ch - 'A')
                                               : base + 0x30 + (ch - '0');
        if (layout.width == 1) {
            bytes += static_cast<char>(code);
        } else {
            const char high = static_cast<char>(code >> 8), low = static_cast<char>(code & 0xFF);
            bytes += layout.bigEndian ? std::string{high, low} : std::string{low, high};
        }
    }
    return bytes;
}

std::string hitsText(const RelativeHits& hits) {
    std::string out;
    for (const auto& hit : hits.hits) {
        out += (out.empty() ? "" : " | ") + std::to_string(hit.offset) +
               (hit.layout.width == 1  ? " 8"
                : hit.layout.bigEndian ? " be"
                                       : " le");
        for (const auto& [ch, code] : hit.codes) {
            out += " " + std::string(1, static_cast<char>(ch)) + "=" + std::to_string(code);
        }
    }
    return out + (hits.more ? " | more" : "");
}

// A word, the bytes planted in a 0x40-byte file of zeros, and the hits as hitsText() writes them or the
// refusal.
using RelativeRow =
    std::tuple<const char*, std::string, std::vector<std::pair<std::uint64_t, std::string>>, std::string>;

class Relative : public testing::TestWithParam<RelativeRow> {};

TEST_P(Relative, FindsWhereTheCodesStepAsTheWordDoes) {
    const auto& [name, word, planted, hits] = GetParam();
    std::string file(0x40, '\0');
    for (const auto& [offset, bytes] : planted) {
        file.replace(offset, bytes.size(), bytes);
    }
    const auto found = relativeSearch(file, {std::u32string(word.begin(), word.end())});
    EXPECT_EQ(found ? hitsText(*found) : found.error(), hits);
}

const std::string kTooFew =
    "has too few letters or digits to mean anything: it needs at least 3, 2 of them of one kind (upper "
    "case, lower case or digits)";
const RelativeRow kRelative[] = {
    {"OneByte", "PRESS", {{5, written("PRESS", 0x10)}}, "5 8 P=31 R=33 E=20 S=34"},
    {"TwoBytesLowFirst", "PRESS", {{6, written("PRESS", 0x120, {2, false})}}, "6 le P=303 R=305 E=292 S=306"},
    {"TwoBytesHighFirst", "PRESS", {{6, written("PRESS", 0x120, {2, true})}}, "6 be P=303 R=305 E=292 S=306"},
    {"AnyOneCode", "PR?SS", {{5, written("PRXSS", 0x10)}}, "5 8 P=31 R=33 S=34"},
    {"TwiceAtTheFilesEnds",
     "GAME",
     {{0, written("GAME", 0x80)}, {0x3C, written("GAME", 0x90)}},
     "0 8 G=134 A=128 M=140 E=132 | 60 8 G=150 A=144 M=156 E=148"},
    {"Digits", "1990", {{20, written("1990", 0x10)}}, "20 8 1=65 9=73 0=64"},
    {"ASpaceIsRefused",
     "Score 10",
     {},
     "holds \" \", which is not one of A-Z, a-z, 0-9 or ? (write ? for a character whose code is not known)"},
    {"LettersOfBothCases", "Press", {{9, "\x05" + written("ress", 0x10)}}, "9 8 P=5 r=97 e=84 s=98"},
    {"OneLetter", "A", {}, kTooFew},
    {"NoTwoOfOneKind", "A1b", {}, kTooFew}};
INSTANTIATE_TEST_SUITE_P(Rows, Relative, testing::ValuesIn(kRelative), test::rowName);

// A table search's hits as "offset:length" each, or its refusal.
std::string spans(const Result<TextHits>& found) {
    std::string out = found ? "" : found.error();
    for (const auto& hit : found ? found->hits : std::vector<TextHit>{}) {
        out += (out.empty() ? "" : " ") + std::to_string(hit.offset) + ":" + std::to_string(hit.length);
    }
    return out;
}

// DTE: "the" written three ways, each found once with its length.
TEST(TableSearch, FindsATextHoweverTheGameWroteItWithATableOrAnAlphabet) {
    std::string table = "7481=th\n";  // tried first at 74 81 20, where it leads nowhere
    for (char ch = 'a'; ch <= 'z'; ++ch) {
        table += files::hexText(static_cast<unsigned char>(ch), 2) + "=" + ch + "\n";
    }
    const auto dte = templates::Table::parse(table + "80=th\n81=he\n/00\n");
    const std::string file =
        "xx the \x80"
        "e \x74\x81 \x80\x81 tha"s;
    EXPECT_EQ(spans(findTableText(file, dte, "the")), "3:3 7:2 10:2");
    EXPECT_FALSE(findTableText(file, dte, std::string(kLongestSearchedText + 1, 't')));

    // Around a hit: line breaks and end tokens shown, and the bytes before taken in whole two-byte codes.
    const auto breaks = templates::Table::parse("41=A\n42=B\n*0A\n/00\n");
    const auto shown = previewHit("AB\nA\0BB"s, 4, 1, 1, breaks);
    EXPECT_EQ(shown.before + "|" + shown.hit + "|" + shown.after, "AB\u21B5A|\u00B6|BB");
    EXPECT_EQ(previewHit("AB\nA\0BB"s, 3, 1, 2, breaks).before, "B\u21B5");

    test::TempDir dir;
    test::writeText(dir.file("a.ini"), test::alphabetText(1, "41=A\n42=B\n43=C\n", "A=41\n"));
    const auto alphabet = readSearchTable(dir.file("a.ini"));
    ASSERT_TRUE(alphabet) << alphabet.error();
    EXPECT_EQ(findTableText("CCABCAB", *alphabet, "CAB")->hits.size(), 2u);
}

// Codes that spell a run of letters in several ways: the first run of codes found, in table order, is the
// hit, and each start is searched without trying the same spellings again and again.
constexpr const char* kLongCodeLater = "41=A\n4141=AAA\n42=B\n";
constexpr const char* kRunsOfA = "41=A\n4141=AA\n414141=AAA\n41414141=AAAA\n42=B\n";
// The progress is asked every so many codes tried, so a search that backtracks without memory asks it
// thousands of times on these rows; the test cancels it there rather than wait for minutes.
constexpr int kMostAsks = 64;

// A table, a file and the text searched, the ask that cancels (0: none), and the hits.
using SpellingRow = std::tuple<const char*, const char*, std::string, std::string, int, const char*>;

class Spellings : public testing::TestWithParam<SpellingRow> {};

TEST_P(Spellings, TheFirstRunOfCodesFoundIsTheHit) {
    const auto& [name, table, file, text, cancelAt, hits] = GetParam();
    int asks = 0;
    const auto found = findTableText(file, templates::Table::parse(table), text,
                                     [&asks, cancel = cancelAt](std::uint64_t, std::uint64_t) {
                                         ++asks;
                                         return asks != cancel && asks < kMostAsks;
                                     });
    EXPECT_EQ(spans(found), hits);
    EXPECT_LT(asks, kMostAsks);
}

const std::string kLongRun = std::string(2000, 'A') + "B";
const std::string kLongText = std::string(999, 'A') + "B";
const SpellingRow kSpellings[] = {
    {"SeveralSpellingsTheFirstInTableOrderWins", kLongCodeLater, "AAA", "AAA", 0, "0:3 1:2"},
    {"AHitThatNeedsTheLaterCode", kLongCodeLater, "AAB", "AAAB", 0, "0:3"},
    {"ARunSpelledInManyWaysThatNeverEnds", kRunsOfA, std::string(64, 'A'), std::string(32, 'A') + "B", 0, ""},
    {"TheOneStartThatReachesTheEnd", kRunsOfA, std::string(64, 'A') + "B", std::string(32, 'A') + "B", 0,
     "32:33"},
    {"TheLongestTextAlongALongRun", kRunsOfA, kLongRun, kLongText, 0, "1001:1000"},
    {"CancelledAtOnce", kLongCodeLater, "AAA", "AAA", 1, ""},
    {"CancelledWhileOneStartIsSearched", kRunsOfA, kLongRun, kLongText, 2, ""}};
INSTANTIATE_TEST_SUITE_P(Rows, Spellings, testing::ValuesIn(kSpellings), test::rowName);

// The table seeded from a hit, against the codes written out by hand; then a template made for the pointer
// table found reads its strings.
TEST(MadeFiles, ATableFromAHitAndATemplateForAPointerTableReadTheGame) {
    const RelativeHit hit{6, {2, false}, {{U'P', 0x12F}, {U'r', 0x161}}};
    const std::string made = tableFromHit(hit, U"Pr");
    EXPECT_TRUE(
        made.starts_with("# Made by Romquill from the relative search hit for \"Pr\" at 0x6 (two bytes a "
                         "code, low byte first).\n2001=A\n2101=B\n"));
    EXPECT_NE(made.find("\n3901=Z\n5001=a\n"), std::string::npos);
    EXPECT_TRUE(made.ends_with("\n6901=z\n"));

    test::ProgramFolder folder;
    folder.writeAlphabet("found.tbl", tableFromHit({0, {1, false}, {{U'A', 0x41}}}, U"A") + "/00\n");
    // Two cells 8 bytes apart, zeros before them: the table found starts at its first cell.
    const std::string game = folder.dir().file("game.bin");
    test::writeImage(game, {{0x10, "\0\0\0\x40....\0\0\0\x50"s}, {0x40, "HELLO\0"s}, {0x50, "WORLD\0"s}},
                     0x60);
    const std::vector<std::uint64_t> strings = {0x40, 0x50};
    const auto found = findPointerTables(test::readAll(game), strings);
    ASSERT_FALSE(found.empty());
    const auto& table = found.front();
    const auto madeTemplate = templateForPointers(
        "Found", "found.tbl", {table.table, static_cast<int>(table.cells), table.format, table.stride});
    ASSERT_TRUE(madeTemplate) << madeTemplate.error();
    folder.writeTemplate("found.ini", *madeTemplate);
    const auto gameTemplate = templates::readGameTemplate(folder.path("plugins\\games\\found.ini"));
    ASSERT_TRUE(gameTemplate) << gameTemplate.error();
    EXPECT_EQ(editor::readEntryTexts(*gameTemplate, game).texts,
              (std::vector<std::string>{"HELLO", "WORLD"}));
}

}  // namespace
}  // namespace rq::search
