// Finding text in a game nobody has described: relative search, search through a table, and the files made
// from what was found.

#include "editor/entrytexts.h"
#include "files/asciitext.h"
#include "files/codepage.h"
#include "search/findsession.h"
#include "search/madefiles.h"
#include "search/pointerfinder.h"
#include "search/preview.h"
#include "search/relative.h"
#include "search/tablesearch.h"
#include "support/testfiles.h"
#include "templates/gametemplate.h"
#include "templates/templatecheck.h"

namespace rq::search {
namespace {

using namespace std::string_literals;

// A word written with A at code base, a at base + 40, 0 at base + 30 and the marks " .,!?'-" from base + 60
// on, one byte a code (or two, in either order), at an offset of zeros.
std::string written(std::string_view word, std::uint32_t base, CodeLayout layout = {}) {
    constexpr std::string_view kMarks = " .,!?'-";
    std::string bytes;
    for (const char ch : word) {
        const std::uint32_t code = ch >= 'a'                        ? base + 0x40 + (ch - 'a')
                                   : ch >= 'A'                      ? base + (ch - 'A')
                                   : kMarks.find(ch) != kMarks.npos ? base + 0x60 + kMarks.find(ch)
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
    const auto found = relativeSearch(file, {*files::decodeUtf8(word)});
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
    {"APhraseRecordsItsSpaceAndPunctuation",
     "Go, go now!",
     {{3, written("Go, go now!", 0x10)}},
     "3 8 G=22 o=94 g=86 n=93 w=102 ,=114  =112 !=115"},
    {"AMarkOnALettersCodeIsNoHit", "AB CD", {{3, written("AB", 0x10) + "\x20" + written("CD", 0x10)}}, ""},
    {"TwoSpacesOfTwoCodesAreNoHit", "A B C", {{3, written("A B", 0x10) + "\x71" + written("C", 0x10)}}, ""},
    {"AQuestionMarkAtTheEndIsOne", "Who?", {{3, written("Who?", 0x10)}}, "3 8 W=38 h=87 o=94 ?=116"},
    {"AQuestionMarkOnALettersCodeIsAnUnknownLetter",
     "Hell?",
     {{3, written("Hello", 0x10)}},
     "3 8 H=23 e=84 l=91"},
    {"AnAccentIsRefused",
     "Caf\xC3\xA9",
     {},
     "holds \"\xC3\xA9\", which is not one of A-Z, a-z, 0-9, a space, ASCII punctuation or ? (write ? for a "
     "character whose code is not known)"},
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

// The table seeded from a hit, against the codes written out by hand, with the marks of a phrase (a backslash
// doubled, as the table's reader takes it) and an end token; then a template made for the pointer tables
// found reads their strings.
TEST(MadeFiles, ATableFromAHitAndATemplateForPointerTablesReadTheGame) {
    const RelativeHit hit{6, {2, false}, {{U'P', 0x12F}, {U'r', 0x161}, {U' ', 0x100}, {U'\\', 0x1FF}}};
    const std::string made = tableFromHit(hit, U"Pr \\", "\xFF\xFF");
    EXPECT_TRUE(
        made.starts_with("# Made by Romquill from the relative search hit for \"Pr \\\" at 0x6 (two bytes a "
                         "code, low byte first).\n2001=A\n2101=B\n"));
    EXPECT_NE(made.find("\n3901=Z\n5001=a\n"), std::string::npos);
    EXPECT_TRUE(made.ends_with("\n6901=z\n0001= \nFF01=\\\\\n/FFFF=<end>\n")) << made;
    const std::pair<std::string, std::string> ends[] = {
        {"\x20", "begins the code 2001 of \"A\" in the hit"},
        {"\x20\x01", "is the code 2001 of \"A\" in the hit"},
        {"\x00\x01\x00"s, "begins with the code 0001 of \" \" in the hit"},
        {"\x00\x02"s, ""}};
    for (const auto& [end, refusal] : ends) {
        const auto fits = checkEndToken(hit, end);
        EXPECT_EQ(fits ? "" : fits.error(), refusal);
    }

    test::ProgramFolder folder;
    folder.writeAlphabet("found.tbl",
                         tableFromHit({0, {1, false}, {{U'A', 0x41}}}, U"A", std::string(1, '\0')));
    // Two cells 8 bytes apart, zeros before them, and a cell of a second table: the first table found
    // starts at its first cell.
    const std::string game = folder.dir().file("game.bin");
    test::writeImage(game,
                     {{0x10, "\0\0\0\x40....\0\0\0\x50\xFF\xFF\xFF\xFF"s},
                      {0x30, "\0\0\0\x46"s},
                      {0x40, "HELLO\0WORLD\0"s},
                      {0x50, "AGAIN\0"s}},
                     0x80);
    const std::vector<std::uint64_t> strings = {0x40, 0x50};
    const auto found = findPointerTables(test::readAll(game), strings);
    ASSERT_FALSE(found.empty());
    const auto& table = found.front();
    TemplatePlan plan{"Found",
                      "found.tbl",
                      {{table.table, static_cast<int>(table.cells), table.format, table.stride},
                       *parsePointerTablePlace("0x30,1,be32,,,0x10")},
                      {{0x60, 0x70}, {0x78, 0x80}},
                      0};
    const auto madeTemplate = templateForPointers(plan);
    ASSERT_TRUE(madeTemplate) << madeTemplate.error();
    EXPECT_NE(madeTemplate->find("[FreeSpace]\nRanges=60-70,78-80\nFill=00\n"), std::string::npos);
    folder.writeTemplate("found.ini", *madeTemplate);
    const auto gameTemplate = templates::readGameTemplate(folder.path("plugins\\games\\found.ini"));
    ASSERT_TRUE(gameTemplate) << gameTemplate.error();
    EXPECT_EQ(editor::readEntryTexts(*gameTemplate, game).texts,
              (std::vector<std::string>{"HELLO", "AGAIN", "WORLD"}));
    EXPECT_TRUE(templates::checkTemplate(folder.path("plugins\\games\\found.ini"), game).empty());

    // Tables of different formats carry their own.
    auto mixed = plan;
    mixed.tables[1] = *parsePointerTablePlace("30,1,le16,8000,4000-8000");
    const auto mixedTemplate = templateForPointers(mixed);
    ASSERT_TRUE(mixedTemplate) << mixedTemplate.error();
    EXPECT_EQ(mixedTemplate->find("[Pointers]"), std::string::npos);
    EXPECT_NE(mixedTemplate->find(
                  "[PointerTable2]\nOffset=30\nCount=1\nFormat=le16\nBase=8000\nRegion=4000-8000\n"),
              std::string::npos);

    plan.freeRanges.push_back({0x7F, 0x90});
    EXPECT_EQ(templateForPointers(plan).error(), "The free ranges 78-80 and 7F-90 overlap.");
    plan.freeRanges.pop_back();
    plan.tables.push_back({0x7FFFFFF0, 5, table.format, 4});
    EXPECT_EQ(templateForPointers(plan).error(),
              "Pointer table 3 at 7FFFFFF0 would have cells past offset 7FFFFFFF.");
}

// A pointer table as --pointers gives it: each field, an empty one keeping its default, and what is not one.
TEST(MadeFiles, APointerTableIsReadAsPointersPrintsIt) {
    const auto place = [](std::string_view text) {
        const auto read = parsePointerTablePlace(text);
        return read ? std::to_string(read->offset) + " " + std::to_string(read->count) + " " +
                          formatName(read->format) + " " + std::to_string(read->format.base) + " " +
                          std::to_string(read->format.regionStart) + "-" +
                          std::to_string(read->format.regionEnd) + " " + std::to_string(read->stride)
                    : std::string("none");
    };
    const std::pair<const char*, std::string> rows[] = {
        {"118,3,le32,08000000,,8", "280 3 le32 134217728 0-18446744073709551615 8"},
        {"0x3F0,4,be16,8000,10000-14000,12", "1008 4 be16 32768 65536-81920 12"},
        {"10,2,le24,,,0x10", "16 2 le24 0 0-18446744073709551615 16"},
        {"10,2,le8", "none"},
        {"10,0,le16", "none"},
        {"10,2,le16,,,0", "none"},
        {"10,2,le16,,,8,9", "none"},
        {"10,2,le16,,20-10", "none"}};
    for (const auto& [text, read] : rows) {
        EXPECT_EQ(place(text), read) << text;
    }
}

// Where a hit's string starts: after the end token before it, in whole codes; and the strings gathered from
// two searches are what the pointer finder looks for.
TEST(FindSession, HitsSnapToTheirStringsAndGatherAcrossSearches) {
    const auto table = templates::Table::parse("41=A\n42=B\n/FF=<end>\n/0000\n");
    const std::string file =
        "\xFF"
        "ABBA\xFF"
        "AB\x00\x00"
        "BAAB"s;
    const std::pair<std::pair<std::uint64_t, int>, std::uint64_t> starts[] = {
        {{3, 1}, 1},
        {{1, 1}, 1},
        {{12, 1}, 10},
        {{12, 2}, 10},
        {{13, 2}, 1}};  // 00 00 ends 3 bytes before 13: not whole codes
    for (const auto& [hit, start] : starts) {
        EXPECT_EQ(stringStart(file, hit.first, table, hit.second), start) << hit.first;
    }
    EXPECT_EQ(stringStart(std::string(kMostSnapBytes + 8, 'A'), kMostSnapBytes + 4, table),
              kMostSnapBytes + 4);

    FindSession session;
    const auto bytes = std::make_shared<const std::string>(file);
    session.take(bytes, {"BA", false, {{3, 2, std::nullopt, {}, 1}, {12, 2, std::nullopt, {}, 10}}, false});
    EXPECT_EQ(session.pointerTargets({0, 1}), (std::vector<std::uint64_t>{1, 10}));
    session.gather({0});
    session.take(bytes, {"B", false, {{13, 1, std::nullopt, {}, 10}}, false});
    session.gather({0});
    session.gather({0});
    EXPECT_EQ(session.pointerTargets({}), (std::vector<std::uint64_t>{1, 10}));
    EXPECT_FALSE(searchFile(file, "AB", "", ""));
}

}  // namespace
}  // namespace rq::search
