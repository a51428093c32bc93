// Character tables (.tbl): what each line means, reading game bytes, writing texts in the fewest bytes, and
// tables as alphabets.

#include <algorithm>
#include <random>

#include "exchange/tablefile.h"
#include "files/codepage.h"
#include "support/testfiles.h"
#include "templates/alphabet.h"
#include "templates/table.h"
#include "templates/templatecheck.h"

namespace rq::templates {
namespace {

using namespace rq::exchange;
using namespace rq::files;

using namespace std::string_literals;

// Entries as "line:code=text" ("/" end, "*" line break, "$" control with ",N"), problems as "line: what".
std::string entriesOf(const Table& table) {
    std::string out;
    for (const auto& e : table.entries()) {
        const char* kind[] = {"", "/", "*", "$"};
        out += (out.empty() ? "" : "|") + std::to_string(e.line) + ":" + kind[static_cast<int>(e.kind)] +
               codeKey(e.code) + (e.kind == Table::Kind::LineBreak ? "" : "=" + e.text) +
               (e.kind == Table::Kind::Control ? "," + std::to_string(e.parameters) : "") +
               (e.aliasOf >= 0 ? " as " + std::to_string(table.entries()[e.aliasOf].line) : "");
    }
    return out;
}

std::string problemsOf(const std::vector<TableProblem>& problems) {
    std::string out;
    for (const auto& p : problems) {
        out += (out.empty() ? "" : "|") + std::to_string(p.line) + ": " + (p.warning ? "warning: " : "") +
               p.what;
    }
    return out;
}

// A table file, its entries as entriesOf() writes them, and its problems as problemsOf() does.
using ParseRow = std::tuple<const char*, std::string, std::string, std::string>;

const std::string kNotBytes = "has a key that is not whole bytes of hexadecimal digits";
const std::string kNoCount =
    "is a control code without a count of parameter bytes from 0 to 255: the table is used without it";

const ParseRow kParseRows[] = {
    {"MixedKeyLengthsEitherCase", "41=A\n8140=\xE3\x81\x82\nc3d4e5f6=the end\n",
     "1:41=A|2:8140=\xE3\x81\x82|3:C3D4E5F6=the end", ""},
    {"TextKeepsSpacesAndEquals", "20= \n9A= the \n9B==\n", "1:20= |2:9A= the |3:9B==", ""},
    {"BackslashNIsANewline", "FE=a\\nb\n", "1:FE=a\nb", ""},
    {"EndTokens", "/FF=[END]\n/00\n", "1:/FF=[END]|2:/00=", ""},
    {"LineBreak", "*FE\n", "1:*FE", ""},
    {"ControlLabelUpToTheLastComma", "$F8=<Color>,2\n$F9=<a,b>,0\n", "1:$F8=<Color>,2|2:$F9=<a,b>,0", ""},
    {"CommentsAndBlankLines", "# 41=A\n\n  \n42=B\n", "4:42=B", ""},
    {"Crlf", "41=A\r\n42=B \r\n", "1:41=A|2:42=B ", ""},
    {"Utf8ByteOrderMark",
     "\xEF\xBB\xBF"
     "41=\xD0\x96\n",
     "1:41=\xD0\x96", ""},
    {"Utf16LittleEndian", test::utf16(u"41=\u0416\r\n42=B\r\n"), "1:41=\xD0\x96|2:42=B", ""},
    {"Utf16CutShort", "\xFF\xFE\x34\x00\x31", "",
     "1: begins UTF-16 text that is cut short or has a surrogate without its pair"},
    {"TableSwitchingAndPlaceholders", "!80=x\n@kana\n41=A\n42 \n", "3:41=A",
     "1: switches tables with \"!\", which is not supported|2: warning: is the first of 2 placeholders "
     "(\"@\" lines and keys without \"=\"), skipped"},
    {"SemicolonComments", ";41=B\n41=A\n", "2:41=A",
     "1: warning: is a line beginning with \";\", read as a comment"},
    {"KeysNotWholeBytes", "=A\n4=A\n4G=A\n" + std::string(66, '1') + "=A\n/=x\n", "",
     "1: " + kNotBytes + "|2: " + kNotBytes + "|3: " + kNotBytes +
         "|4: has a key of more than 32 bytes|5: " + kNotBytes},
    {"PhraseKeys", "0102030405060708090A0B0C=Hello there\n", "1:0102030405060708090A0B0C=Hello there", ""},
    {"BackslashTwiceIsOne", "5C=\\\\\nFE=a\\\\nb\n", "1:5C=\\|2:FE=a\\nb", ""},
    {"DuplicateKeysFirstRead", "27=\xE2\x80\x99\n42=B\n27='\n/42\n42=B\n",
     "1:27=\xE2\x80\x99|2:42=B|3:27=' as 1",
     "3: warning: has the same key as line 1, which is read: both texts are written as that key|"
     "4: warning: has the same key as line 2, which is read: this line is left out|"
     "5: warning: has the same key as line 2, which is read: this line is left out"},
    {"ShiftJis", "8140=\x81\x40\n82A0=\x82\xA0\n", "1:8140=\xE3\x80\x80|2:82A0=\xE3\x81\x82",
     "1: warning: is Shift-JIS (code page 932), not UTF-8: the table is read as Shift-JIS"},
    {"NotUtf8NorShiftJis", "41=\xE9\n42=B\n", "2:42=B", "1: is not valid UTF-8 text"},
    {"ControlWithoutCount", "$F8=<Color>\n$F9=<C>,256\n$FA=<C>,x\n$FB=,1\n41=A\n", "5:41=A",
     "1: warning: " + kNoCount + "|2: warning: " + kNoCount + "|3: warning: " + kNoCount +
         "|4: warning: is a control code without a label: the table is used without it"},
};

class TableParse : public testing::TestWithParam<ParseRow> {};

TEST_P(TableParse, ReadsEntriesAndReportsLines) {
    const auto& [name, file, entries, problems] = GetParam();
    const Table table = Table::parse(file);
    EXPECT_EQ(entriesOf(table), entries);
    EXPECT_EQ(problemsOf(table.problems()), problems);
}
INSTANTIATE_TEST_SUITE_P(Rows, TableParse, testing::ValuesIn(kParseRows), test::rowName);

const char kDecodeTable[] =
    "41=A\n42=B\n4142=X\n414243=Y\n/FF=[END]\n/00\n*FE\nFD=\\n\n$F8=<Color>,2\n8140=\xE3\x81\x82\n";

// Bytes read through kDecodeTable: the text they show, how many of them it took, and the end token met.
using DecodeRow = std::tuple<const char*, std::string, std::string, std::size_t, std::string>;

const DecodeRow kDecodeRows[] = {
    {"LongestKeyWins", "\x41\x42\x43\x41\x42\x41", "YXA", 6, ""},
    {"TwoByteCode", "\x81\x40\x41",
     "\xE3\x81\x82"
     "A",
     3, ""},
    {"RawBytes", "\x43\x81\x41\x99", "<$43><$81>A<$99>", 4, ""},
    {"ControlWithParameters", "\xF8\x01\xFF\x41", "<Color><$01><$FF>A", 4, ""},
    {"ControlCutShort", "\x41\xF8\x0A", "A<Color><$0A>", 3, ""},
    {"EndTokenWithText", "\x41\xFF\x42", "A", 2, "\xFF"},
    {"EndTokenWithoutText", "\x41\x00\x42"s, "A", 2, "\x00"s},
    {"NoEndToken", "\x41", "A", 1, ""},
    {"LineBreaks", "\x41\xFE\x42\xFD", "A\nB\n", 4, ""},
};

class TableDecode : public testing::TestWithParam<DecodeRow> {};

TEST_P(TableDecode, ShowsEveryByte) {
    const auto& [name, bytes, text, length, end] = GetParam();
    const auto decoded = Table::parse(kDecodeTable).decode(bytes);
    EXPECT_EQ(std::tuple(decoded.text, decoded.length, decoded.end), std::tuple(text, length, end));
}
INSTANTIATE_TEST_SUITE_P(Rows, TableDecode, testing::ValuesIn(kDecodeRows), test::rowName);

// A table file, a text, and the bytes it writes in hexadecimal or the refusal's phrase.
using EncodeRow = std::tuple<const char*, const char*, std::string, std::string>;

const EncodeRow kEncodeRows[] = {
    {"FewestBytesNotLongestFirst", "61=a\nD3=ab\nD4=bcd\n", "abcd", "61D4"},
    {"ShorterCodeOfTheSameText", "8140=a\n41=a\n", "a", "41"},
    {"TiesToTheEarliestEntry", "10=x\n20=ab\n11=a\n12=b\n30=ab\n", "ab", "20"},
    {"ManyCodesAtOnePoint",
     "61=a\n62=b\n63=c\n64=d\n65=e\n66=f\n67=g\n68=h\n69=i\n6A=j\n6B=k\n6C=l\n6D=m\n6E=n\n6F=o\n80=p\n",
     "pia", "806961"},
    {"RawBytesEitherCase", "61=a\n", "a<$7f><$E3>", "617FE3"},
    {"ControlWithParameters", "$F8=<Color>,2\n61=a\n", "a<Color><$01><$0a>a", "61F8010A61"},
    {"LineBreaks", "*FE\n61=a\nFD=\\n\n", "a\na", "61FE61"},
    {"NoEndTokenWritten", "/FF=a\n/00\n62=b\n", "b", "62"},
    {"MissingCharacter", "61=a\n", "a\xD0\x96\xD0\xAB", "has no code for \"\xD0\x96\" in the table"},
    {"MissingControlCharacterEscaped", "61=a\n", "a\t", "has no code for \"\\t\" in the table"},
    {"LabelWithoutParameters", "$F8=<Color>,2\n61=a\n", "<Color><$01>a",
     "has \"<Color>\" without the 2 parameter bytes it takes, each as \"<$XX>\""},
    {"NoWholeWay", "01=ab\n02=bc\n", "abc", "has no codes that write \"c\" where it stands"},
    {"CodesThatReadAsAnother", "01=A\n02=B\n0102=X\n", "AB", "would read back as \"X\""},
    {"RawByteOfAKey", "41=A\n", "<$41>", "would read back as \"A\""},
    {"RawEndToken", "/FF\n61=a\n", "a<$FF>", "would read back as \"a\""},
    {"NotUtf8", "61=a\n", "a\xFF", "is not valid UTF-8 text"},
    {"PhraseKey", "01=a\n0102030405060708090A0B0C0D= and then\n", "a and then",
     "010102030405060708090A0B0C0D"},
    {"AnExactCodeBeforeASecondLineOfAKey", "27=\xE2\x80\x99\n27='\n41='\n", "'", "41"},
    {"EitherTextOfADuplicateKey", "27=\xE2\x80\x99\n27='\n73=s\n", "'s\xE2\x80\x99", "277327"},
};

class TableEncode : public testing::TestWithParam<EncodeRow> {};

TEST_P(TableEncode, WritesTheFewestBytesThatReadBack) {
    const auto& [name, table, text, bytesOrRefusal] = GetParam();
    const auto written = Table::parse(table).encode(text);
    EXPECT_EQ(written ? codeKey(*written) : written.error(), bytesOrRefusal);
    if (!written) {
        EXPECT_EQ(written.failure().kind, ErrorKind::Refusal);
    }
}
INSTANTIATE_TEST_SUITE_P(Rows, TableEncode, testing::ValuesIn(kEncodeRows), test::rowName);

// A fixed room that spaces cannot fill after the fewest bytes: another way of writing the text that leaves
// what they can fill, or fills the room itself.
TEST(TableEncode, ForARoomTheFewestBytesThatLeaveWhatPaddingFills) {
    const Table table = Table::parse("41=A\n42=B\n8141=A\n8140= \n");
    const std::tuple<std::size_t, std::size_t, std::string> rows[] = {
        {2, 0, "4142"}, {3, 0, "814142"}, {4, 0, "NONE"}, {5, 2, "814142"}, {6, 2, "4142"}, {7, 2, "814142"},
    };
    for (const auto& [room, step, bytes] : rows) {
        const auto written = table.encodeForRoom("AB", room, step);
        EXPECT_EQ(written ? codeKey(*written) : "NONE", bytes) << room << " " << step;
    }
    EXPECT_EQ(table.encodeForRoom("AB", std::size_t{1} << 30, 0), std::nullopt);  // too much to search
}

// Both texts of a key are written as it; it reads as the first.
TEST(TableEncode, ADuplicateKeyReadsAsItsFirstText) {
    const Table table = Table::parse("27=\xE2\x80\x99\n27='\n");
    EXPECT_EQ(table.decode("\x27").text, "\xE2\x80\x99");
    EXPECT_EQ(table.readAs("''"), "\xE2\x80\x99\xE2\x80\x99");
}

TEST(TableEncode, MissingCharactersAreEachNamedOnce) {
    const Table table = Table::parse("61=a\n$F8=<C>,1\n");
    EXPECT_EQ(table.missingCharacters("\xD0\x96"
                                      "a\xD0\xAB\xD0\x96<C>"),
              U"\u0416\u042B<C>");
    EXPECT_EQ(table.missingCharacters("a<C><$01>"), U"");
}

TEST(TableMeasures, RoomsAndSpaceAndReadBack) {
    const Table table =
        Table::parse("20= \n8140= \n41=A\n42=AB\n9A= the \n80=\n8142=\xE3\x81\x82\n$F8=<C>,1\n43=AB\n");
    EXPECT_EQ(table.mostBytesPerCharacter(), 2U);  // 8140 for one space, 8142 for one kana
    EXPECT_EQ(table.mostTextPerByte(), 5U);        // "<$XX>", " the " and "<C><$XX>" are 5 bytes
    EXPECT_EQ(table.spaceCode(), std::optional<std::string>(" "));
    EXPECT_EQ(problemsOf(table.readBackProblems()),
              "2: has a text that is written as other bytes: 20|6: has an empty text, which nothing writes|"
              "9: has a text that is written as other bytes: 42");
    EXPECT_EQ(Table::parse("9A=\xE3\x81\x82\xE3\x81\x82\n").mostTextPerByte(), 6U);
    EXPECT_EQ(Table::parse("$F8=<Colour>,2\n").mostTextPerByte(), 8U);  // the label alone, cut short
    EXPECT_EQ(Table::parse("414243=ab\n").mostBytesPerCharacter(), 2U);
    EXPECT_FALSE(Table::parse("41=A\n").spaceCode());
    EXPECT_FALSE(Table::parse("41=A\n").hasEndTokens());
    EXPECT_EQ(Table{}.decode("A").text, "<$41>");
}

TEST(TableNames, EndInTblInAnyCase) {
    EXPECT_TRUE(isTableName("KANA.TbL") && !isTableName("kana.ini") && !isTableName("tbl"));
}

// The encoder against every encoding there is, on small random tables: Text entries of 1- and 2-byte codes
// over a three-letter alphabet and a newline, and raw bytes. The best has the fewest bytes, ties going to
// the earliest entries (in file order, then a raw byte): its size, its entries and its bytes.
using Choice = std::pair<std::string, std::string>;  // a code and its text
using Encoding = std::tuple<std::size_t, std::vector<std::size_t>, std::string>;

// The best encoding of the text from at on; a size of SIZE_MAX where there is none.
Encoding bruteForce(const std::vector<Choice>& entries, const std::string& text, std::size_t at = 0) {
    Encoding best{at == text.size() ? 0 : SIZE_MAX, {}, {}};
    for (std::size_t n = 0; n <= entries.size() && at < text.size(); ++n) {
        const bool raw = n == entries.size();
        const std::string piece = raw ? text.substr(at, 5) : entries[n].second;
        if (text.compare(at, piece.size(), piece) != 0 || (raw && !piece.starts_with("<$"))) {
            continue;
        }
        const auto [size, ranks, bytes] = bruteForce(entries, text, at + piece.size());
        const std::string code =
            raw ? std::string(1, static_cast<char>(std::stoi(piece.substr(2, 2), nullptr, 16)))
                : entries[n].first;
        std::vector<std::size_t> all = {n};
        all.insert(all.end(), ranks.begin(), ranks.end());
        best = size == SIZE_MAX ? best : std::min(best, Encoding{size + code.size(), all, code + bytes});
    }
    return best;
}

TEST(TableEncodeSearch, FewestBytesAndEarliestEntriesAgainstEveryEncoding) {
    std::mt19937 random(21);
    const std::string letters[] = {"a", "b", "c", "\n", "<$05>"};
    const auto pick = [&random](std::size_t count) {
        return std::uniform_int_distribution<std::size_t>(0, count - 1)(random);
    };
    int agreed = 0;
    for (int round = 0; round < 300; ++round) {
        std::vector<Choice> entries;
        std::string file;
        for (std::size_t n = 3 + pick(6); n > 0; --n) {
            std::string code(1 + pick(2), '\0');
            for (char& byte : code) {
                byte = static_cast<char>(1 + pick(6));
            }
            std::string text, written;
            for (std::size_t length = 1 + pick(3); length > 0; --length) {
                const std::size_t letter = pick(4);
                text += letters[letter];
                written += letter == 3 ? "\\n" : letters[letter];
            }
            if (std::ranges::none_of(entries, [&](const Choice& c) { return c.first == code; })) {
                entries.push_back({code, text});
                file += codeKey(code) + "=" + written + "\n";
            }
        }
        const Table table = Table::parse(file);
        ASSERT_EQ(table.problems().size(), 0U) << file;
        for (int sample = 0; sample < 10; ++sample) {
            std::string text;
            for (std::size_t length = pick(7); length > 0; --length) {
                text += letters[pick(5)];
            }
            const auto [cost, ranks, bytes] = bruteForce(entries, text);
            const auto encoded = table.encode(text);
            SCOPED_TRACE(file + "text: " + text);
            if (cost == SIZE_MAX) {
                EXPECT_FALSE(encoded);
            } else if (table.decode(bytes).text != text) {
                ASSERT_FALSE(encoded);
                EXPECT_EQ(encoded.error().rfind("would read back as ", 0), 0U) << encoded.error();
            } else {
                ASSERT_TRUE(encoded) << encoded.error();
                EXPECT_EQ(codeKey(*encoded), codeKey(bytes));
                ++agreed;
            }
        }
    }
    EXPECT_GT(agreed, 500);
}

// Whatever bytes a game holds read as a text, and that text writes bytes that read as the same text. It may
// be refused: a raw byte written next to bytes it makes a longer code with (81 41 reads "<$81>A", but "A"
// is written 40, and 81 40 reads "あ"), or a control code cut short at the end.
TEST(TableRoundTrip, AnyBytesReadAndWriteBack) {
    const Table table = Table::parse(
        "40=A\n41=A\n42=B\n4142=X\n61=a\n6162=ab\n20= \n8140=\xE3\x81\x82\n*FE\n$F8=<Color>,2\n/FF\n");
    std::mt19937 random(21);
    const char pool[] = "\x40\x41\x42\x61\x62\x20\x81\x40\xFE\xF8\xFF\x01\x90";
    int refused = 0;
    for (int round = 0; round < 2000; ++round) {
        std::string bytes;
        for (auto length = random() % 30; length > 0; --length) {
            bytes.push_back(pool[random() % (sizeof pool - 1)]);
        }
        const auto decoded = table.decode(bytes);
        ASSERT_LE(decoded.length, bytes.size());
        const auto encoded = table.encode(decoded.text);
        SCOPED_TRACE(codeKey(bytes));
        if (!encoded) {
            ++refused;
            EXPECT_TRUE(encoded.error().rfind("would read back as ", 0) == 0 ||
                        encoded.error() ==
                            "has \"<Color>\" without the 2 parameter bytes it takes, each as \"<$XX>\"")
                << encoded.error();
            continue;
        }
        const auto again = table.decode(*encoded);
        EXPECT_EQ(again.text, decoded.text);
        EXPECT_EQ(again.length, encoded->size());
    }
    EXPECT_LT(refused, 300);
}

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
    EXPECT_EQ(std::pair(alphabet->notes[0].line, alphabet->notes[0].what), std::pair(2, note));
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
    // A backslash is written as a table reads it back: "\\" for one.
    test::writeText(ini, "[AlphabetAndFileInfo]\nCharLength=1\n[Load]\n41=A\n5C=\\\n");
    const auto table = tableFromAlphabet(ini);
    EXPECT_EQ(table ? *table : table.error(),
              "# [save] is missing: the alphabet is for reading only, a save writes no character\n41=A\n"
              "5C=\\\\\n");
    EXPECT_EQ(parseTable(*table)->entries.back().text, "\\");
}

}  // namespace
}  // namespace rq::templates
