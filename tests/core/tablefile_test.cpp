#include "exchange/tablefile.h"

#include <gtest/gtest.h>

#include "files/codepage.h"
#include "support/testfiles.h"
#include "templates/alphabet.h"
#include "templates/templatecheck.h"

namespace rq {

using namespace rq::exchange;
using namespace rq::files;
using namespace rq::templates;
namespace {

// A table of "41=A" and one more line, and the one note on that second line.
using NoteRow = std::tuple<const char*, std::string, std::string>;  // the name, the line, the note

const NoteRow kNotes[] = {
    {"other length", "8140=X",
     "the key 8140 has 2 bytes: an alphabet has one code length, and the keys here have 1 and 2 bytes; those "
     "of 1 are carried"},
    {"end token", "/FF=[END]", "an end token: an alphabet has none"},
    {"end without bytes", "/<END>", "an end token: an alphabet has none"},
    {"line break code", "*FE", "a line break code: an alphabet has none"},
    {"line break text", "FE=[line]\\n", "a line break (\\n): an alphabet's texts have none"},
    {"control code", "$F8=<Color>,2", "a control code: an alphabet has none"},
    {"table switch", "!80=kana", "a table switch: an alphabet has one table"},
    {"table id", "@main", "a table switch: an alphabet has one table"},
    {"outside the code page", "42=\u4E00",
     "The character '\u4E00' has no byte in code page 1252. An alphabet holds no other characters."},
    {"semicolon key", "3B=;", "\";\" is read but cannot be saved: an INI key cannot begin with \";\""},
    {"bracket key", "5B=[", "\"[\" is read but cannot be saved: an INI key cannot begin with \"[\""},
    {"stand-in text", "AC=\u00AC", "the text \"\u00AC\" would read back as \" \""},
    {"duplicate key", "41=B", "the key 41 is already on line 1: the first wins"},
    {"two keys, one text", "c1=A", "\"A\" is also the text of 41 (line 1): a save writes 41, the first"},
    {"not hexadecimal", "4G=A", "not understood: the key \"4G\" is not pairs of hexadecimal digits"},
    {"no equals", "41", "not understood: no \"=\""},
};

class TableLine : public testing::TestWithParam<NoteRow> {};

TEST_P(TableLine, AnAlphabetCannotCarryIsNamedByItsLine) {
    const auto& [name, line, note] = GetParam();
    const auto alphabet = alphabetFromTable("41=A\n" + line + "\n");
    ASSERT_TRUE(alphabet);
    ASSERT_EQ(alphabet->notes.size(), 1u);
    EXPECT_EQ(alphabet->notes[0].line, 2);
    EXPECT_EQ(alphabet->notes[0].what, note);
}

INSTANTIATE_TEST_SUITE_P(Lines, TableLine, testing::ValuesIn(kNotes), test::rowName);

TEST(TableFile, KeysAnIniReadTakesAsOneAreNamed) {
    // Keys an INI read takes as one: both blanks trim to nothing.
    const auto blanks = alphabetFromTable("09=\t\n0B=\v\n");
    ASSERT_EQ(blanks->notes.size(), 1u);
    EXPECT_EQ(blanks->notes[0].what, "\"\v\" is read but cannot be saved: an INI key cannot hold it");
}

// The second 42 is not carried either: a duplicate key is never the one that wins.
TEST(TableFile, ATableThatIsNotUtf8OrCarriesNothingIsRefused) {
    EXPECT_EQ(alphabetFromTable("41=A\n42=\xE9\n").error(),
              "line 2 is not UTF-8: convert the table to UTF-8 first");
    EXPECT_EQ(alphabetFromTable("# none\n/FF=[END]\n42=\u4E00\n42=B\n").error(),
              "there is no entry an alphabet can carry");
}

// A BOM, CRLF, lower-case hex, stand-ins, texts a read would trim or unquote, empty and dictionary texts.
TEST(TableFile, AnAlphabetFromATableReadsAndWritesWhatTheTableSaysAndGivesItBack) {
    const test::TempDir dir;
    const std::string table =
        "\xEF\xBB\xBF"
        "# codes\r\n8141=A\r\n8161=a\r\n8120= \r\n813d==\r\n819A= the\r\n8180=\r\n8122=\"q\"\r\n"
        "81e9=\u00E9\r\n8142=A\r\n";
    const auto made = alphabetFromTable(table);
    ASSERT_TRUE(made);
    EXPECT_EQ(made->charLength, 2);
    EXPECT_EQ(made->notes.size(), 1u);  // 8142, whose text has a code already
    test::writeText(dir.file("a.ini"), made->ini);
    const Alphabet alphabet = Alphabet::read(dir.file("a.ini"));
    std::string normal;
    const auto parsed = parseTable(table);
    for (const auto& entry : parsed->entries) {
        normal += codeKey(entry.code) + "=" + entry.text + "\n";
        EXPECT_EQ(bytesToUtf8(alphabet.decode(entry.code)), entry.text) << entry.line;
        if (characterCount(entry.text) == 1 && entry.code != "\x81\x42") {
            EXPECT_EQ(alphabet.encode(*utf8ToBytes(entry.text)->begin()), entry.code) << entry.line;
        }
    }
    EXPECT_EQ(alphabet.encode('A'), "\x81\x41");  // the first of two codes
    const auto back = tableFromAlphabet(dir.file("a.ini"));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->substr(back->find("\n8141=") + 1), normal);
    EXPECT_EQ(back->substr(0, back->find("\n8141=") + 1),
              "# [Load] 819A = \" the\" reads as \" the\", and a save has no code for \"t\"\n"
              "# [Load] 8180 = \"\" reads as nothing, so a save never writes it\n"
              "# [Load] 8122 = \"\"q\"\" reads as \"\"q\"\", and a save has no code for \"\"\"\n"
              "# [Load] 8142 = \"A\" reads as \"A\" as 8141 does too: a save writes 8141\n");
}

TEST(TableFile, AnAlphabetsProblemsAreListedAndAReadOnlyOneIsSaidToBeSo) {
    const test::TempDir dir;
    const std::string ini = dir.file("a.ini");
    test::writeText(
        ini, "[AlphabetAndFileInfo]\nCharLength=1\n[Load]\n41=A\n42=A\n4=C\n[save]\nA=42\nB=41\nC=4\n");
    std::string listed;
    for (const auto& problem : alphabetProblems(ini)) {
        listed += problemText(problem) + "\n";
    }
    EXPECT_EQ(listed,
              "[save] C = \"4\" is not a string of hexadecimal digit pairs\n"
              "[Load] 41 = \"A\" reads as \"A\" as 42 does too: a save writes 42\n"
              "[Load] 4 = \"C\" is not a code of 1 byte, so nothing reads it\n"
              "[save] B = \"41\" writes \"B\" as 41, which reads back as \"A\"\n");
    test::writeText(ini, "[AlphabetAndFileInfo]\nCharLength=1\n[Load]\n41=A\n");
    const auto table = tableFromAlphabet(ini);
    EXPECT_EQ(table ? *table : table.error(),
              "# [save] is missing: the alphabet is for reading only, a save writes no character\n41=A\n");
}

}  // namespace
}  // namespace rq
