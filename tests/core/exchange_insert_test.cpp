#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "exchange/csvtexts.h"
#include "exchange/potexts.h"
#include "support/demo_fixture.h"

namespace rq::exchange {

namespace {

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
    std::string input;
    std::string taken;
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

}  // namespace
}  // namespace rq::exchange
