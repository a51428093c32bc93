// Translators' files: texts written as PO and CSV come back as exported, and what insert takes from PO, CSV
// and JSON files.

#include <map>
#include <optional>
#include <sstream>

#include "editor/entrytexts.h"
#include "exchange/csvtexts.h"
#include "exchange/jsontexts.h"
#include "exchange/potexts.h"
#include "exchange/spreadsheetcells.h"
#include "files/textencoding.h"
#include "support/demo_fixture.h"

namespace rq {

using namespace rq::exchange;
using namespace rq::files;
namespace {

using namespace std::string_literals;

using Exchange = test::DemoFixture;

bool gettextTools() {
#ifdef _WIN32
    return false;
#else
    return std::system(
               "msgfmt --version >/dev/null 2>&1 && msgcat --version >/dev/null && msgmerge --version "
               ">/dev/null") == 0;
#endif
}

using TextRow = std::tuple<const char*, std::string>;

const TextRow kTexts[] = {
    {"quotes", "say \"hi\", twice"},
    {"backslash", "back\\slash"},
    {"line breaks", "two\nlines\n"},
    {"tab and CRLF", "tab\there\r\n"},
    {"controls",
     "7 controls \x01\x02\x03\x05\x06\a\b\v\f\x0E\x0F\x10\x11\x12\x13\x14\x15\x16\x17\x18\x19"
     "\x1A\x1B\x1C\x1D\x1E\x1F\x7F"
     "7"},
    {"trailing spaces", "trailing   "},
    {"empty", ""},
    {"accents", "é ü €"},
    {"a formula's sign", "'=x"},
};

class ExchangeText : public Exchange, public testing::WithParamInterface<TextRow> {};

// The row's text is the first entry's; it comes back less its padding.
TEST_P(ExchangeText, ComesBackAsExportedAndThePoFileSatisfiesGettext) {
    auto texts = m_texts;
    texts[0] = std::get<1>(GetParam());
    std::ostringstream po, csv;
    ASSERT_TRUE(writePoTexts(po, exportedEntries(m_gameTemplate, texts), "demo"));
    writeCsvTexts(csv, exportedEntries(m_gameTemplate, texts));
    std::vector<Result<std::vector<Translation>>> read = {parseCsvTexts(csv.str(), "csv")};
    if (test::kBuildReadsPo) {
        read.push_back(parsePoTexts(po.str(), "po"));
    }
    for (const auto& given : read) {
        ASSERT_TRUE(given) << given.error();
        ASSERT_EQ(given->size(), 8u);
        EXPECT_EQ(given->front().key, given->front().where.starts_with("line") ? "entry 1" : "1");
        EXPECT_EQ(unpadded(given->front().original), unpadded(texts[0]));
        EXPECT_EQ(given->back().original, "See you soon!");
    }
    if (gettextTools()) {
        const auto file = m_dir.file("texts.po");
        test::writeText(file, po.str());
        EXPECT_EQ(test::runTool("msgfmt", {"--check-format", "-o", "/dev/null", file}).exitCode, 0);
        EXPECT_EQ(test::runTool("msgcat", {"-o", "/dev/null", file}).exitCode, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, ExchangeText, testing::ValuesIn(kTexts), test::rowName);

TEST_F(Exchange, APoFileKeepsItsHeaderAndLimitsThroughGettextAndRefusesWhatItCannotCarry) {
    // A translated file merged with a new export where entry 1 is empty: the entry stays untranslated (an
    // empty msgid would take the header as its translation), and the limits stay stated.
    if (gettextTools()) {
        auto texts = m_texts;
        texts[0] = "Title here";
        std::ostringstream translated, exported;
        ASSERT_TRUE(writePoTexts(translated, exportedEntries(m_gameTemplate, texts), "demo"));
        texts[0] = "";
        ASSERT_TRUE(writePoTexts(exported, exportedEntries(m_gameTemplate, texts), "demo"));
        std::string old = translated.str();
        test::writeText(m_dir.file("old.po"),
                        old.replace(old.find("msgstr", old.find("Title here")), 9, "msgstr \"Titel\""));
        test::writeText(m_dir.file("new.pot"), exported.str());
        const std::string merged =
            test::runTool("msgmerge", {"-q", m_dir.file("old.po"), m_dir.file("new.pot")}).out;
        EXPECT_EQ(merged.find("Project-Id-Version"), merged.rfind("Project-Id-Version"));
        EXPECT_NE(merged.find("#. Title screen\n#. Room for 16 characters.\n"), std::string::npos);
    }
    std::ostringstream po;
    ASSERT_TRUE(writePoTexts(po, exportedEntries(m_gameTemplate, m_texts), "demo"));
    EXPECT_NE(po.str().find("\n#. Start prompt\n#. Room for 12 characters.\n#: 0x210:12\n#, max-length:12\n"
                            "msgctxt \"entry 2\"\nmsgid \"Press Start\"\nmsgstr \"\"\n"),
              std::string::npos);
    // gettext ends a string at NUL and refuses U+0004 in any form: no PO file carries them.
    for (const auto& [text, character] : std::vector<std::pair<std::string, std::string>>{
             {"a\0b"s, "a NUL character"}, {"a\x04!", "the control character U+0004"}}) {
        auto refused = m_texts;
        refused[2] = text;
        std::ostringstream out;
        EXPECT_EQ(writePoTexts(out, exportedEntries(m_gameTemplate, refused), "demo").error(),
                  "The text of entry 3 holds " + character +
                      ", which a PO file cannot carry: dump it as JSON or CSV.");
        EXPECT_EQ(out.str(), "");
    }
    // The bound on a PO file's size admits these texts translated to every last character, each at four
    // bytes, with a note of the translator's on each, several times over.
    const auto entries = exportedEntries(m_gameTemplate, m_texts);
    std::size_t translated = po.str().size();
    for (const ExportedEntry& entry : entries) {
        translated += 4 * static_cast<std::size_t>(entry.limit) + 200;
    }
    EXPECT_GT(poByteLimit(entries), 4 * translated);
}

// What Windows tools write (PowerShell 5.1's "dump > texts.json" is UTF-16 LE) reads as UTF-8.
TEST(ExchangeInput, AByteOrderMarkGivesTheEncoding) {
    const std::pair<std::string, std::string> decoded[] = {
        {"\xEF\xBB\xBFxyz", "xyz"},  // "x" ends the escape, as no hexadecimal digit
        {"\xFE\xFF\0a\0b"s, "ab"},
        {"\xFF\xFE\x3D\xD8\x00\xDE"s, "\xF0\x9F\x98\x80"},  // a surrogate pair
        {"\xFF\xFE\x41"s, "in is UTF-16 text cut short: it has an odd number of bytes."},
        {"\xFE\xFF\xD8\x00\x00\x41"s, "in is not valid UTF-16: a surrogate without its pair at byte 2."},
        {"\xFF\xFE\x00\xDC"s, "in is not valid UTF-16: a surrogate without its pair at byte 2."},
    };
    for (const auto& [bytes, text] : decoded) {
        const auto given = utf8Input(bytes, "in");
        EXPECT_EQ(given ? *given : given.error(), text);
    }
}

// What a spreadsheet would change: a cell it takes for a formula is exported behind an apostrophe that
// reading takes off again, and a translation that is its original after a number conversion is seen.
TEST(SpreadsheetCells, AFormulaIsExportedBehindAnApostropheThatReadingTakesOff) {
    const std::vector<std::pair<std::string, std::string>> cells = {
        {"=1+1", "'=1+1"}, {"+49", "'+49"},    {"-", "'-"}, {"@home", "'@home"}, {"'=x", "''=x"},
        {"''", "'''"},     {"'Twas", "'Twas"}, {"'", "'"},  {"a=b", "a=b"},      {"", ""}};
    for (const auto& [text, cell] : cells) {
        EXPECT_EQ(protectedCell(text), cell) << text;
        EXPECT_EQ(unprotectedCell(cell), text) << cell;
    }
}

TEST(SpreadsheetCells, ANumberAsASpreadsheetWritesItBackIsSeen) {
    const std::vector<std::pair<std::string, std::string>> converted = {
        {"007", "7"}, {"1.50", "1.5"}, {"1,50", "1,5"}, {"+5", "5"},
        {"2.", "2"},  {".5", "0.5"},   {"-0", "0"},     {"12345678901234", "1.23457E+13"}};
    const std::vector<std::pair<std::string, std::string>> notConverted = {
        {"12345678901234", "1.3E+13"}, {"1.50", "1,50"}, {"7", "007"}, {"-5", "5"},
        {"Level 07", "Level 7"},       {"1.5", "1.5"}};
    for (const auto& [original, translation] : converted) {
        EXPECT_TRUE(convertedAsNumber(original, translation)) << original << " as " << translation;
    }
    for (const auto& [original, translation] : notConverted) {
        EXPECT_FALSE(convertedAsNumber(original, translation)) << original << " as " << translation;
    }
}

std::string message(const std::string& entry, const std::string& id, const std::string& str,
                    const std::string& flags = "") {
    return flags + "msgctxt \"entry " + entry + "\"\nmsgid \"" + id + "\"\nmsgstr " + str + "\n\n";
}
const std::string kPoHeader = "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n\n";
const std::string kCsvHead = "entry,offset,length,limit,comment,original,translation\n";

// A PO or CSV text and the translations insert takes from it, or its refusal.
struct TakenRow {
    const char* name;
    bool po;
    std::string input, taken;
    std::optional<std::string> options = {};  // the text of entry 3, when not the demo's
};

// 150 rows naming no entry: the first hundred listed, the rest counted.
TakenRow manyProblems() {
    TakenRow row{"csv problems listed up to a hundred, the rest counted", false, kCsvHead, ""};
    for (int n = 2; n < 152; ++n) {
        row.input += "x,,,,,,\n";
        row.taken +=
            n < 102 ? "in, row " + std::to_string(n) + ": the template has no entry x (it has 8).\n" : "";
    }
    row.taken += "... and 50 more: in has 150 problems.";
    return row;
}

const TakenRow kTaken[] = {
    {"po translated, escapes and continuations", true,
     kPoHeader + message("2", "Press Start", "\"A\\\"B\\\\\"\n\"C\\n\"") + message("3", "Options", "\"\""),
     "2=A\"B\\C\n;"},
    {"po empty, fuzzy or unchanged keeps the text", true,
     kPoHeader + message("2", "Press Start", "\"\"") + message("3", "Options", "\"Optionen\"", "#, fuzzy\n") +
         message("5", "Game Over", "\"Game Over  \""),
     ""},
    // The checks all formats share are the CSV rows'; a PO file names the line of each problem.
    {"po problem named by its line", true,
     kPoHeader + message("3", "Options", "\"\"") + message("9", "x", "\"y\""),
     "in, line 8: the template has no entry 9 (it has 8)."},
    {"po without msgctxt, by its location (po2csv and csv2po)", true,
     kPoHeader + "#: 0x210:12\nmsgid \"Press Start\"\nmsgstr \"Go\"\n", "2=Go;"},
    {"po msgctxt a location (csv2po, a repeated text)", true,
     kPoHeader + "#: 0x21C:12\nmsgctxt \"0x21C:12\"\nmsgid \"Options\"\nmsgstr \"Optionen\"\n",
     "3=Optionen;"},
    {"po location of no text", true, kPoHeader + "#: 0x210:13\nmsgid \"Press Start\"\nmsgstr \"Go\"\n",
     "in, line 5: no text is at 0x210:13, the message's \"#:\" location."},
    {"po in another charset", true,
     "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=ISO-8859-1\\n\"\n",
     "in is not a PO file that can be read: its charset is iso-8859-1; save it as UTF-8."},
    {"po NUL escaped in msgstr", true, kPoHeader + message("2", "Press Start", "\"Push\\000Start\""),
     "in, line 6: a string holds a NUL character, which a PO file cannot carry: give this text as JSON or "
     "CSV."},
    {"po NUL as a hex escape on a continuation line", true,
     kPoHeader + message("2", "Press Start", "\"\"\n\"Push\\x00\""),
     "in, line 7: a string holds a NUL character, which a PO file cannot carry: give this text as JSON or "
     "CSV."},
    {"po obsolete message passed over", true,
     kPoHeader + message("2", "Press Start", "\"Go\"") +
         "#~ msgctxt \"entry 2\"\n#~ msgid \"Press Start!\"\n#~ msgstr \"Old\"\n",
     "2=Go;"},
    {"po escaped backslash before 000", true, kPoHeader + message("2", "Press Start", "\"a\\\\000\""),
     "2=a\\000;"},
    {"po plural message", true,
     kPoHeader + "msgctxt \"entry 2\"\nmsgid \"Press Start\"\nmsgid_plural \"Press Starts\"\n"
                 "msgstr[0] \"Go\"\nmsgstr[1] \"Go\"\n",
     "in, line 4: the message has plural forms (msgid_plural), which no game text has."},
    {"po far larger than a file of these texts", true, kPoHeader + std::string(3 << 20, '#') + "\n",
     "in is not read: at " + std::to_string(kPoHeader.size() + (3 << 20) + 1) +
         " bytes it is far larger than a PO file of these texts can be."},
    {"po syntax error", true, kPoHeader + "msgctxt \"entry 2\"\nmsgid \"Press Start\nmsgstr \"\"\n",
     "in, line 6: end-of-line within string."},
    {"csv with BOM, CRLF and quoted fields", false,
     "\xEF\xBB\xBF" + kCsvHead +
         "2,,,,,Press Start,\"a, \"\"b\"\"\r\nc\"\r\n7,,,,,The key is under the mat.,\r\n",
     "2=a, \"b\"\r\nc;"},
    {"csv columns in any order", false, "translation,entry,original\nGo,2,Press Start\n", "2=Go;"},
    {"csv separated by semicolons", false, "entry;original;translation\n2;Press Start;Go, now\n",
     "2=Go, now;"},
    {"csv separated by tabs", false, "\"entry\"\toriginal\ttranslation\n2\tPress Start\tGo; now\n",
     "2=Go; now;"},
    {"csv without the translation column", false, "entry,original\n2,x\n",
     "in, row 1: the header row needs the columns entry, original and translation, separated by commas, "
     "semicolons or tabs."},
    {"csv every problem listed by its row, the line after a line break", false,
     kCsvHead + "two,,,,,Press Start,\"G\no\"\n2,,,,,Press Stort,Go\n2,,,,,Press Start,B\n9,,,,,x,y\n",
     "in, row 2: the template has no entry two (it has 8).\nin, row 3 (line 4): the original \"Press Stort\" "
     "is not the text of Entry 2 (\"Start prompt\"), \"Press Start\": the game file or the template is not "
     "as it was at the export.\n"
     "in, row 4 (line 5): Entry 2 (\"Start prompt\") is given twice.\n"
     "in, row 5 (line 6): the template has no entry 9 (it has 8).\nin has 4 problems."},
    {"csv quote left open ends the list", false, kCsvHead + "x,,,,,,\n2,,,,,Press Start,\"Go\n",
     "in, row 2: the template has no entry x (it has 8).\nin, row 3: a quote is never closed.\n"
     "in has 2 problems."},
    {"csv previous (fuzzy) and obsolete rows passed over", false,
     "entry,original,translation,previous\n2,Press Start,Go,Press Start!\n~2,Press Start,Old,\n", ""},
    {"csv trailing empty rows", false,
     kCsvHead + "2,,,,,Press Start,Go\r\n,,,,,,\r\n\"\",,\r\n\r\n,,,,,,\r\n", "2=Go;"},
    manyProblems(),
    // Taken as given, with a word: the user may have imported the column as numbers.
    {"csv translation a spreadsheet changed as a number", false, kCsvHead + "3,,,,,007,7\n",
     "3=7;warning: in, row 2: the translation \"7\" of Entry 3 (\"Options menu\") differs from its original "
     "\"007\" only as a spreadsheet's number conversion would; it is taken as given (import every column as "
     "text to keep the original's form).",
     "007"},
};

class ExchangeTaken : public test::DemoFixture, public testing::WithParamInterface<TakenRow> {};

TEST_P(ExchangeTaken, OnlyTranslationsOfTheTextsAsExportedAreTaken) {
    const TakenRow& row = GetParam();
    auto texts = m_texts;
    texts[2] = row.options.value_or(texts[2]);
    const auto taken = takeTranslations(
        [&](const TranslationSink& take) {
            return row.po ? readPoTexts(row.input, "in", poByteLimit(exportedEntries(m_gameTemplate, texts)),
                                        take)
                          : readCsvTexts(row.input, "in", take);
        },
        "in", m_gameTemplate, texts);
    std::string shown = taken ? "" : taken.error();
    for (const auto& [entry, text] : taken ? taken->texts : std::map<int, std::string>{}) {
        shown += std::to_string(entry) + "=" + text + ";";
    }
    for (const auto& warning : taken ? taken->warnings : std::vector<std::string>{}) {
        shown += "warning: " + warning;
    }
    EXPECT_EQ(shown, row.po && !test::kBuildReadsPo
                         ? "in cannot be read: this build of Romquill reads no PO files (it was built "
                           "without libgettextpo). Give the texts as JSON or CSV."
                         : row.taken);
}

INSTANTIATE_TEST_SUITE_P(Inputs, ExchangeTaken, testing::ValuesIn(kTaken), test::rowName);

template <class Key>
std::string shown(const Result<std::map<Key, std::string>>& texts) {
    std::ostringstream given;
    for (const auto& [key, text] : texts ? *texts : std::map<Key, std::string>{}) {
        given << key << "=" << text << ";";
    }
    return texts ? given.str() : texts.error();
}

// Entry 3 locked: what a PO, CSV or JSON input gives of it, or the refusal, every problem listed.
using LockedRow = std::tuple<const char*, char, std::string, std::string>;  // 'p'o, 'c'sv or 'j'son

const LockedRow kLocked[] = {
    {"PoChangeListedWithTheOtherProblems", 'p',
     kPoHeader + message("3", "Options", "\"Optionen\"") + message("9", "x", "\"y\""),
     "in, line 4: Entry 3 (\"Options menu\") is locked: its text cannot be changed.\n"
     "in, line 8: the template has no entry 9 (it has 8).\nin has 2 problems."},
    {"PoItsOwnTextIsNoChange", 'p',
     kPoHeader + message("3", "Options", "\"Options\"") + message("2", "Press Start", "\"Go\""), "2=Go;"},
    {"CsvChangeRefused", 'c', kCsvHead + "3,,,,,Options,Optionen\n",
     "in, row 2: Entry 3 (\"Options menu\") is locked: its text cannot be changed."},
    {"CsvPaddingIsNoChange", 'c', kCsvHead + "3,,,,,Options,Options   \n2,,,,,Press Start,Go\n", "2=Go;"},
    {"JsonChangeRefused", 'j',
     R"({"entries": [{"entry": 2, "text": "Go"}, {"entry": 3, "text": "Optionen"}]})",
     "in: Entry 3 (\"Options menu\") is locked: its text cannot be changed."},
    {"JsonItsOwnTextTaken", 'j', R"({"entries": [{"entry": 3, "text": "Options"}]})", "3=Options;"},
};

class LockedTaken : public test::DemoFixture, public testing::WithParamInterface<LockedRow> {};

TEST_P(LockedTaken, AChangeToALockedEntryIsRefused) {
    const auto& [name, format, input, expected] = GetParam();
    if (format == 'p' && !test::kBuildReadsPo) {
        GTEST_SKIP() << "no PO files in this build";
    }
    m_gameTemplate.entries[2].locked = true;
    Result<std::map<int, std::string>> taken = std::map<int, std::string>{};
    if (format == 'j') {
        taken = parseJsonTexts(input, "in", 8);
        if (const auto refused = refuseLockedTexts(*taken, "in", m_gameTemplate, m_texts); !refused) {
            taken = refused.failure();
        }
    } else {
        auto read = takeTranslations(
            [&](const TranslationSink& take) {
                return format == 'p' ? readPoTexts(input, "in", poByteLimit({}), take)
                                     : readCsvTexts(input, "in", take);
            },
            "in", m_gameTemplate, m_texts);
        taken = read ? Result<std::map<int, std::string>>(read->texts) : read.failure();
    }
    EXPECT_EQ(shown(taken), expected);
}

INSTANTIATE_TEST_SUITE_P(Inputs, LockedTaken, testing::ValuesIn(kLocked), test::rowName);

// A locked entry is read-only on one line of flags with its limit, as Weblate reads them; alone where a
// pointer entry has no limit. The CSV file says it in its last column, which reading passes over.
TEST_F(Exchange, ALockedEntryIsExportedReadOnly) {
    m_gameTemplate.entries[1].locked = true;
    auto exported = exportedEntries(m_gameTemplate, m_texts);
    exported[2].locked = true;
    exported[2].moveRoom = 96;
    std::ostringstream po, csv;
    ASSERT_TRUE(writePoTexts(po, exported, "demo"));
    writeCsvTexts(csv, exported);
    EXPECT_NE(po.str().find("#: 0x210:12\n#, max-length:12, read-only\nmsgctxt \"entry 2\""),
              std::string::npos);
    EXPECT_NE(po.str().find("#: 0x21C:12\n#, read-only\nmsgctxt \"entry 3\""), std::string::npos);
    EXPECT_NE(po.str().find("#: 0x228:16\n#, max-length:16\nmsgctxt \"entry 4\""), std::string::npos);
    EXPECT_TRUE(
        csv.str().starts_with("entry,offset,length,limit,comment,original,translation,locked,previous\r\n"));
    EXPECT_NE(csv.str().find("\r\n2,0x210,12,12,Start prompt,Press Start,,yes,\r\n"
                             "3,0x21C,12,,Options menu,Options,,yes,\r\n4,0x228,16,16,"),
              std::string::npos)
        << csv.str();
    const auto read = parseCsvTexts(csv.str(), "csv");
    ASSERT_TRUE(read) << read.error();
    EXPECT_EQ(read->at(1).original, "Press Start");
    if (gettextTools()) {
        const auto file = m_dir.file("locked.po");
        test::writeText(file, po.str());
        EXPECT_EQ(test::runTool("msgfmt", {"--check", "-o", "/dev/null", file}).exitCode, 0);
    }
}

// A document, read as entries of a template of 8 (or keyed), and the texts it gives or its refusal.
using JsonRow = std::tuple<const char*, bool, std::string, std::string>;

const JsonRow kJson[] = {
    {"EntriesByNumberOtherKeysPassedOver", false,
     R"({"v": [1], "entries": [{"entry": 8, "text": "A", "x": 0}]})", "8=A;"},
    {"NumberOverflow", false, R"({"entries": [{"entry": 1e999999999, "text": "x"}]})",
     "in cannot be read: number overflow parsing '1e999999999'."},
    {"TooManyValues", false, "{\"entries\": " + std::string(kJsonTextsValueLimit, '['),
     "in holds more than 262144 JSON values, more than any template's texts need."},
    {"KeyTwice", false, R"({"entries": [{"entry": 2, "text": "A", "text": "B"}]})",
     "in: the key \"text\" is given twice in one object."},
    {"NotJson", false, "{\"entries\": [",
     "in is not valid JSON: parse error at line 1, column 14: syntax error while parsing value - unexpected "
     "end of input; expected '[', '{', or a literal."},
    {"NoEntriesArray", false, R"({"entries": 3})", "in has no \"entries\" array, as dump writes it."},
    {"EntryTheTemplateLacks", false, R"({"entries": [{"entry": 9, "text": "x"}]})",
     "in: the template has no entry 9 (it has 8)."},
    {"EntryPast64Bits", false, R"({"entries": [{"entry": 18446744073709551615, "text": "x"}]})",
     "in: the template has no entry 18446744073709551615 (it has 8)."},
    {"EntryAsText", false, R"({"entries": [{"entry": "2", "text": "x"}]})",
     "in: every item of \"entries\" needs a whole number \"entry\" and a string \"text\"."},
    {"FuzzyItemGivesNoTextObsoletePassedOver", false,
     R"({"entries": [{"entry": 2, "text": "A", "fuzzy": true}, {"entry": 3, "original": "x", "text": "B"}],
         "obsolete": [{"text": "C"}]})",
     "3=B;"},
    {"EntryTwice", false, R"({"entries": [{"entry": 2, "text": "A"}, {"entry": 2, "text": "B"}]})",
     "in: entry 2 is given twice."},
    {"TextsByKey", true, R"({"edition": "J", "texts": {"b": "x", "a": ""}})", "a=;b=x;"},
    {"NoTextsObject", true, R"({"entries": []})", "in has no \"texts\" object, as cutscenes dump writes it."},
    {"TextNotAString", true, R"({"texts": {"b": "ok", "a": null}})",
     "in: the text of \"a\" is not a string."},
};

class JsonTexts : public testing::TestWithParam<JsonRow> {};

TEST_P(JsonTexts, GiveTheTextsOrTheFirstProblem) {
    const auto& [name, keyed, json, given] = GetParam();
    EXPECT_EQ(keyed ? shown(parseJsonKeyedTexts(json, "in")) : shown(parseJsonTexts(json, "in", 8)), given);
}

INSTANTIATE_TEST_SUITE_P(Documents, JsonTexts, testing::ValuesIn(kJson), test::rowName);

}  // namespace
}  // namespace rq
