#include "exchange/glossary.h"
#include "qa/checks.h"
#include "support/testfiles.h"

namespace rq::qa {
namespace {

// A fixed room of 8 bytes, two ended strings of 6 bytes (end token FF), the first through a pointer, and two
// alphabet's boxes of 6, the second locked.
constexpr std::string_view kTemplate =
    "[TextFormattingSystem]\nNumberOfEntries=5\n0=t.tbl\n1=a.ini\n"
    "[entry1]\nTextFormat=0\nLength=8\nHexLocation=0\nComment=fixed\n"
    "[entry2]\nTextFormat=0\nPointer=40\nFormat=le16\nComment=ended\n"
    "[entry3]\nTextFormat=0\nHexLocation=20\nComment=also ended\n"
    "[entry4]\nTextFormat=1\nLength=6\nHexLocation=30\nComment=alpha\n"
    "[entry5]\nTextFormat=1\nLength=6\nHexLocation=38\nComment=password\nLock=yes\n";

struct Row {
    const char* name;
    std::vector<std::string> originals, translations;
    std::optional<std::uint64_t> moving;  // entry 2's largest free block
    std::vector<std::string> problems;    // "severity check: message"
};

// One entry's texts; the others are blank.
Row one(const char* name, std::size_t entry, std::string original, std::string translation,
        std::vector<std::string> problems, std::optional<std::uint64_t> moving = std::nullopt) {
    Row row{name, std::vector<std::string>(5), std::vector<std::string>(5), moving, std::move(problems)};
    row.originals[entry - 1] = std::move(original);
    row.translations[entry - 1] = std::move(translation);
    return row;
}

class Checks : public testing::TestWithParam<Row> {};

TEST_P(Checks, EachCheckNamesTheEntryAndWhatIsWrong) {
    test::ProgramFolder folder;
    folder.writeAlphabet("t.tbl", "41=A\n42=B\n43=C\n48=H\n49=I\n20= \n/FF\n$F0=<Color>,1\n$F1=<Name>,0\n");
    folder.writeAlphabet("a.ini", test::alphabetText(1, "41=A\n42=B\n48=H\n49=I\n20= \n",
                                                     "A=41\nB=42\nH=48\nI=49\n\xAC=20\n"));
    folder.writeTemplate("t.ini", kTemplate);
    const auto gameTemplate = templates::readGameTemplate(folder.path("plugins\\games\\t.ini"));
    ASSERT_TRUE(gameTemplate) << gameTemplate.error();
    const Row& row = GetParam();
    std::vector<editor::EntryRoom> rooms;
    for (const auto& entry : gameTemplate->entries) {
        rooms.push_back(editor::lengthRoom(entry));
    }
    for (const std::size_t ended : {1, 2}) {
        rooms[ended].size = 6;
        rooms[ended].end = "\xFF";
        rooms[ended].offset = 0x10 * (ended + 1);
    }
    const std::vector<std::optional<std::uint64_t>> moving = {std::nullopt, row.moving, std::nullopt,
                                                              std::nullopt};
    // Its words are no row's but those of the glossary's rows.
    const auto glossary =
        exchange::parseGlossary("source,target,forbidden\nBAH,HAB;HA HA,BIB\n,,ABBA\n", "g");
    ASSERT_TRUE(glossary) << glossary.error();
    const TermMatcher terms(*glossary);
    std::vector<std::string> found;
    for (const Problem& problem :
         checkScript({&*gameTemplate, row.originals, row.translations, rooms, moving, nullptr, &terms})) {
        found.push_back(std::string(severityName(problem.severity)) + " " + problem.check + ": " +
                        problem.message);
    }
    EXPECT_EQ(found, row.problems);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Checks,
    testing::Values(
        one("alphabet too long", 4, "ABABAB", "ABABABA",
            {"error too-long: Entry 4 (\"alpha\") has room for 6 characters, not the 7 of its translation."}),
        one("fixed room too long", 1, "ABC     ", "ABCABCABC",
            {"error too-long: Entry 1 (\"fixed\") needs 9 bytes, but its room is 8 bytes."}),
        one("pointer entry too long to move", 2, "HI", "ABCABCAB",
            {"error too-long: Entry 2 (\"ended\") needs 9 bytes with its end token, but its room is 6 bytes "
             "and the largest free block in its region has 7 bytes."},
            7),
        one("pointer entry that moves", 2, "HI", "ABCABCAB", {}, 9),
        one("table lacks characters", 2, "HI", "HI\xD0\xB6\xD1\x91",
            {"error missing-character: Entry 2 (\"ended\") has characters that the table file \"t.tbl\" "
             "lacks: '\xD0\xB6', '\xD1\x91'."}),
        one("alphabet lacks a character", 4, "ABABAB", "CAB",
            {"error missing-character: Entry 4 (\"alpha\") has a character that the alphabet file "
             "\"a.ini\" lacks: 'C'."}),
        one("control codes", 2, "HI<Name><Color><$02>", "<Color><$03>IH<$05>",
            {"error control-codes: Entry 2 (\"ended\") lacks its original's control codes <Name>, <$02>, and "
             "has the control codes <$03>, <$05>, which its original does not."}),
        one("control codes moved", 2, "HI<Name><Color><$02>", "<Color><$02>IH<Name>", {}),
        one("untranslated", 1, "ABC     ", "ABC",
            {"warning untranslated: Entry 1 (\"fixed\") is not translated: its text is its original's."}),
        one("blank original", 1, "        ", "", {}),
        one("locked and changed", 5, "ABAB  ", "BABA",
            {"error locked: Entry 5 (\"password\") is locked: its text cannot be changed."}),
        one("locked and kept is not untranslated", 5, "ABAB  ", "ABAB", {}),
        one("kept text read longer than the box", 4, "AB<error>", "AB<error>",
            {"warning untranslated: Entry 4 (\"alpha\") is not translated: its text is its original's."}),
        one("spaces", 2, "HI", " HI  ",
            {"warning spaces: Entry 2 (\"ended\") has leading, trailing and double spaces that its original "
             "does not have."}),
        one("padding is no space", 4, "ABABAB", "BA    ", {}),
        one("spaces the original has", 2, " HI ", " IH ", {}),
        one("a control code added", 2, "HI<Name>", "<Name>IH<Color><$01>",
            {"error control-codes: Entry 2 (\"ended\") has the control codes <Color>, <$01>, which its "
             "original does not."}),
        // Far too long for any room, it is told so and nothing more, before anything costs its length.
        one("a text far too long", 2, "HI", std::string(1 << 20, 'A').append("\xD0\xB6"),
            {"error too-long: Entry 2 (\"ended\") needs at least 149798 bytes with its end token, but its "
             "room is 6 bytes."}),
        one("glossary term missing", 1, "HI BAH  ", "IH BA",
            {"warning glossary: Entry 1 (\"fixed\") has the glossary's term \"BAH\" in its original, but not "
             "one of its agreed translations \"HAB\" or \"HA HA\" in its translation."}),
        one("agreed term", 1, "HI BAH  ", "HA HA IH", {}),
        one("forbidden term", 1, "BAH     ", "HAB BIB",
            {"error forbidden-term: Entry 1 (\"fixed\") has \"BIB\" in its translation, which the glossary "
             "forbids for \"BAH\"."}),
        one("a term forbidden where its source is not", 1, "HI      ", "BIB", {}),
        one("a term forbidden everywhere", 1, "HI      ", "HI ABBA",
            {"error forbidden-term: Entry 1 (\"fixed\") has \"ABBA\" in its translation, which the glossary "
             "forbids."}),
        one("untranslated term", 1, "BAH BIB ", "BAH BIB",
            {"warning untranslated: Entry 1 (\"fixed\") is not translated: its text is its original's."}),
        Row{"inconsistent",
            {"HI", "HI", "HI", "HI    "},
            {"IH", "IH", "CH", "IH    "},
            std::nullopt,
            {"warning inconsistent: Entry 1 (\"fixed\") has the same original as entry 3, which is "
             "translated differently.",
             "warning inconsistent: Entry 2 (\"ended\") has the same original as entry 3, which is "
             "translated differently.",
             "warning inconsistent: Entry 3 (\"also ended\") has the same original as entries 1, 2 and 4, "
             "which are translated differently.",
             "warning inconsistent: Entry 4 (\"alpha\") has the same original as entry 3, which is "
             "translated differently."}}),
    test::rowName);

}  // namespace
}  // namespace rq::qa
