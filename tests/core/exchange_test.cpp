#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "editor/entrytexts.h"
#include "exchange/csvtexts.h"
#include "exchange/potexts.h"
#include "exchange/textencoding.h"
#include "files/common.h"
#include "support/testfiles.h"
#include "support/tool_run.h"

namespace rq {
namespace {

using namespace std::string_literals;

std::string buildProgramFolder() {
    return std::filesystem::path(ROMQUILL_CLI).parent_path().string();
}

// The demo file as scripts/make-demo writes it, its template and the texts the editor shows.
class Exchange : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(test::runTool(ROMQUILL_MAKE_DEMO, {buildProgramFolder(), m_demo}).exitCode, 0);
        setApplicationFolder(buildProgramFolder());
        auto read = readGameTemplate(m_template);
        ASSERT_TRUE(read) << read.error();
        m_gameTemplate = std::move(read).value();
        m_texts = readEntryTexts(m_gameTemplate, m_demo).texts;
    }

    void TearDown() override { setApplicationFolder(m_folder); }

    // The translations a PO or CSV text gives, checked as insert checks them while it reads, or the
    // refusal's message.
    [[nodiscard]] std::string taken(const std::string& input, bool po) const {
        const TranslationReader read = [&](const TranslationSink& take) {
            return po ? readPoTexts(input, "in", poByteLimit(exportedEntries(m_gameTemplate, m_texts)), take)
                      : readCsvTexts(input, "in", take);
        };
        const auto texts = takeTranslations(read, "in", m_gameTemplate, m_texts);
        if (!texts) {
            return texts.error();
        }
        std::string shown;
        for (const auto& [entry, text] : texts->texts) {
            shown += std::to_string(entry) + "=" + text + ";";
        }
        for (const auto& warning : texts->warnings) {
            shown += "warning: " + warning;
        }
        return shown;
    }

    const std::string m_folder = applicationFolder();
    test::TempDir m_dir;
    std::string m_demo = m_dir.file("demo.bin");
    std::string m_template = buildProgramFolder() + "/plugins/games/demo.ini";
    GameTemplate m_gameTemplate;
    std::vector<std::string> m_texts;
};

TEST_F(Exchange, EveryTextComesBackAsExportedAndThePoFileSatisfiesGettext) {
#ifdef _WIN32
    const bool gettextTools = false;
#else
    const bool gettextTools = std::system(
                                  "msgfmt --version >/dev/null 2>&1 && msgcat --version >/dev/null && "
                                  "msgmerge --version >/dev/null") == 0;
#endif
    for (const std::string text :
         {"plain", "say \"hi\", twice", "back\\slash", "two\nlines\n", "tab\there\r\n",
          "7 controls "
          "\x01\x02\x03\x05\x06\a\b\v\f\x0E\x0F\x10\x11\x12\x13\x14\x15\x16\x17\x18\x19\x1A\x1B\x1C\x1D\x1E"
          "\x1F\x7F"
          "7",
          "trailing   ", "", "   ", "é ü €", "'=x"}) {
        SCOPED_TRACE(text);
        auto texts = m_texts;
        texts[0] = text;
        std::ostringstream po, csv;
        ASSERT_TRUE(writePoTexts(po, exportedEntries(m_gameTemplate, texts), "demo"));
        writeCsvTexts(csv, exportedEntries(m_gameTemplate, texts));
        const std::string original(unpadded(text));
        std::vector<Result<std::vector<Translation>>> read = {parseCsvTexts(csv.str(), "csv")};
        if (test::kBuildReadsPo) {
            read.push_back(parsePoTexts(po.str(), "po"));
        }
        for (const auto& given : read) {
            ASSERT_TRUE(given) << given.error();
            ASSERT_EQ(given->size(), 8u);
            EXPECT_EQ(given->front().key, given->front().where.starts_with("line") ? "entry 1" : "1");
            EXPECT_EQ(unpadded(given->front().original), original);
            EXPECT_EQ(given->back().original, "See you soon!");
        }
#ifndef _WIN32
        if (gettextTools) {
            const auto file = m_dir.file("texts.po");
            test::writeText(file, po.str());
            const auto quoted = test::quotedForShell(file);
            EXPECT_EQ(std::system(("msgfmt --check-format -o /dev/null " + quoted + " 2>/dev/null").c_str()),
                      0);
            EXPECT_EQ(std::system(("msgcat -o /dev/null " + quoted).c_str()), 0);
        }
#endif
    }
#ifndef _WIN32
    // A translated file merged with a new export where entry 1 is empty: the entry stays untranslated (an
    // empty msgid would take the header as its translation), and the limits stay stated.
    if (gettextTools) {
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
#endif
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

TEST_F(Exchange, OnlyTranslationsOfTheTextsAsExportedAreTaken) {
    const auto message = [](const std::string& entry, const std::string& id, const std::string& str,
                            const std::string& flags = "") {
        return flags + "msgctxt \"entry " + entry + "\"\nmsgid \"" + id + "\"\nmsgstr " + str + "\n\n";
    };
    const std::string header = "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n\n";
    const std::string csvHead = "entry,offset,length,limit,comment,original,translation\n";
    std::string many = csvHead, manyListed;
    for (int row = 2; row < 152; ++row) {
        many += "x,,,,,,\n";
        manyListed +=
            row < 102 ? "in, row " + std::to_string(row) + ": the template has no entry x (it has 8).\n" : "";
    }
    manyListed += "... and 50 more: in has 150 problems.";
    struct Case {
        std::string name;
        bool po;
        std::string input;
        std::string taken;
    };
    const std::vector<Case> cases = {
        {"po translated, escapes and continuations", true,
         header + message("2", "Press Start", "\"A\\\"B\\\\\"\n\"C\\n\"") + message("3", "Options", "\"\""),
         "2=A\"B\\C\n;"},
        {"po empty, fuzzy or unchanged keeps the text", true,
         header + message("2", "Press Start", "\"\"") +
             message("3", "Options", "\"Optionen\"", "#, fuzzy\n") +
             message("5", "Game Over", "\"Game Over  \""),
         ""},
        {"po msgid changed since the export, every problem listed with its line", true,
         header + message("2", "Press Stort", "\"Go\"") + message("9", "x", "\"y\"") +
             message("2", "Press Start", "\"Go\""),
         "in, line 4: the original \"Press Stort\" is not the text of Entry 2 (\"Start prompt\"), \"Press "
         "Start\": the game file or the template is not as it was at the export.\nin, line 8: the template "
         "has no entry 9 (it has 8).\n"
         "in, line 12: Entry 2 (\"Start prompt\") is given twice.\nin has 3 problems."},
        {"po without msgctxt, by its location (po2csv and csv2po)", true,
         header + "#: 0x210:12\nmsgid \"Press Start\"\nmsgstr \"Go\"\n", "2=Go;"},
        {"po msgctxt a location (csv2po, a repeated text)", true,
         header + "#: 0x21C:12\nmsgctxt \"0x21C:12\"\nmsgid \"Options\"\nmsgstr \"Optionen\"\n",
         "3=Optionen;"},
        {"po location of no text", true, header + "#: 0x210:13\nmsgid \"Press Start\"\nmsgstr \"Go\"\n",
         "in, line 5: no text is at 0x210:13, the message's \"#:\" location."},
        {"po in another charset", true,
         "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=ISO-8859-1\\n\"\n",
         "in is not a PO file that can be read: its charset is iso-8859-1; save it as UTF-8."},
        {"po NUL escaped in msgstr", true, header + message("2", "Press Start", "\"Push\\000Start\""),
         "in, line 6: a string holds a NUL character, which a PO file cannot carry: give this text as JSON "
         "or CSV."},
        {"po NUL as a hex escape on a continuation line", true,
         header + message("2", "Press Start", "\"\"\n\"Push\\x00\""),
         "in, line 7: a string holds a NUL character, which a PO file cannot carry: give this text as JSON "
         "or CSV."},
        {"po escaped backslash before 000", true, header + message("2", "Press Start", "\"a\\\\000\""),
         "2=a\\000;"},
        {"po plural message", true,
         header + "msgctxt \"entry 2\"\nmsgid \"Press Start\"\nmsgid_plural \"Press Starts\"\n"
                  "msgstr[0] \"Go\"\nmsgstr[1] \"Go\"\n",
         "in, line 4: the message has plural forms (msgid_plural), which no game text has."},
        {"po far larger than a file of these texts", true, header + std::string(3 << 20, '#') + "\n",
         "in is not read: at " + std::to_string(header.size() + (3 << 20) + 1) +
             " bytes it is far larger than a PO file of these texts can be."},
        {"po syntax error", true, header + "msgctxt \"entry 2\"\nmsgid \"Press Start\nmsgstr \"\"\n",
         "in, line 6: end-of-line within string."},
        {"csv with BOM, CRLF and quoted fields", false,
         "\xEF\xBB\xBF" + csvHead +
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
        {"csv apostrophe before a formula's sign taken off, another kept", false,
         csvHead + "2,,,,,Press Start,'=1+1\n3,,,,,Options,'Twas\n", "2==1+1;3='Twas;"},
        {"csv every problem listed by its row, the line after a line break", false,
         csvHead + "two,,,,,Press Start,\"G\no\"\n2,,,,,Press Stort,Go\n2,,,,,Press Start,B\n9,,,,,x,y\n",
         "in, row 2: the template has no entry two (it has 8).\nin, row 3 (line 4): the original \"Press "
         "Stort\" is not the text of Entry 2 (\"Start prompt\"), \"Press Start\": the game file or the "
         "template is not as it was at the export.\n"
         "in, row 4 (line 5): Entry 2 (\"Start prompt\") is given twice.\n"
         "in, row 5 (line 6): the template has no entry 9 (it has 8).\nin has 4 problems."},
        {"csv quote left open ends the list", false, csvHead + "x,,,,,,\n2,,,,,Press Start,\"Go\n",
         "in, row 2: the template has no entry x (it has 8).\nin, row 3: a quote is never closed.\n"
         "in has 2 problems."},
        {"csv trailing empty rows", false,
         csvHead + "2,,,,,Press Start,Go\r\n,,,,,,\r\n\"\",,\r\n\r\n,,,,,,\r\n", "2=Go;"},
        {"csv problems listed up to a hundred, the rest counted", false, many, manyListed},
    };
    for (const auto& c : cases) {
        if (c.po && !test::kBuildReadsPo) {
            continue;
        }
        EXPECT_EQ(taken(c.input, c.po), c.taken) << c.name;
    }
    if (!test::kBuildReadsPo) {
        EXPECT_EQ(taken(header, true),
                  "in cannot be read: this build of Romquill reads no PO files (it was "
                  "built without libgettextpo). Give the texts as JSON or CSV.");
    }
}

// A translation a spreadsheet changed as a number is taken, and insert says so.
TEST_F(Exchange, ATranslationChangedAsANumberIsTakenWithAWarning) {
    const std::string copy = m_dir.file("copy.bin"), csv = m_dir.file("texts.csv");
    std::filesystem::copy_file(m_demo, copy);
    auto edited = m_texts;
    edited[2] = "007";
    ASSERT_TRUE(saveEntryTexts(m_template, copy, m_texts, edited));
    test::writeText(csv, "entry,original,translation\n3,007,7\n");
    const auto run = test::runCli(
        {"insert", "--program-folder", buildProgramFolder(), "--template", "demo.ini", copy, csv});
    EXPECT_EQ(run.err, "romquill-cli: warning: " + csv +
                           ", row 2: the translation \"7\" of Entry 3 (\"Options menu\") differs from its "
                           "original \"007\" only as a spreadsheet's number conversion would; it is taken as "
                           "given (import every column as text to keep the original's form).\n");
    EXPECT_EQ(run.out, "Writing complete! 1 entry written.\n");
}

// Export, translate two entries, insert: the file holds exactly what the editor's save writes for the
// same texts, and the other entries keep their bytes.
TEST_F(Exchange, ARoundTripWritesWhatTheEditorsSaveWrites) {
    const std::string saved = m_dir.file("saved.bin");
    std::filesystem::copy_file(m_demo, saved);
    auto after = m_texts;
    after[1] = "Go, now!";
    after[5] = "Hi, it's me!";
    const auto written = saveEntryTexts(m_template, saved, m_texts, after);
    ASSERT_TRUE(written) << written.error();
    ASSERT_EQ(written->size(), 2u);
    const std::string original = test::readAll(m_demo);
    for (const std::string format : {"po", "csv"}) {
        if (format == "po" && !test::kBuildReadsPo) {
            continue;
        }
        SCOPED_TRACE(format);
        const std::string copy = m_dir.file("copy.bin"), texts = m_dir.file("texts." + format);
        std::filesystem::copy_file(m_demo, copy, std::filesystem::copy_options::overwrite_existing);
        const std::vector<std::string> common = {"--program-folder", buildProgramFolder(), "--template",
                                                 "demo.ini"};
        auto args = common;
        args.insert(args.begin(), "dump");
        args.insert(args.end(), {"--format", format, copy});
        std::string exported = test::runCli(args).out;
        if (format == "po") {
            exported.replace(exported.find("msgstr", exported.find("Press Start")), 9, "msgstr \"Go, now!\"");
            exported.replace(exported.find("msgstr", exported.find("Hello, traveller!")), 9,
                             "msgstr \"\"\n\"Hi, \"\n\"it's me!\"");
        } else {
            exported.replace(exported.find("\r\n", exported.find("Press Start")), 0, "\"Go, now!\"");
            exported.replace(exported.find("\r\n", exported.find("Hello, traveller!\"")), 0,
                             "\"Hi, it's me!\"");
        }
        test::writeText(texts, exported);
        args = common;
        args.insert(args.begin(), "insert");
        args.insert(args.end(), {copy, texts});
        const auto run = test::runCli(args);
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.out, "Writing complete! 2 entries written.\n");
        EXPECT_EQ(test::readAll(copy), test::readAll(saved));
        EXPECT_NE(test::readAll(copy), original);
        // The same file again finds its translations in place and changes nothing.
        EXPECT_EQ(test::runCli(args).out, "Writing complete! 0 entries written.\n");
    }
    EXPECT_EQ(test::runCli({"dump", "--format", "xml", "--template", "demo.ini", m_demo}).exitCode, 2);
}

// What Windows tools write (PowerShell 5.1's "dump > texts.json" is UTF-16 LE): UTF-8 with or without its
// mark and UTF-16 either way round with its mark all insert the same text, in every format read.
TEST_F(Exchange, EveryEncodingOfTheInputInsertsTheSame) {
    const auto utf16 = [](std::u16string_view text, bool little) {
        std::string bytes = little ? "\xFF\xFE" : "\xFE\xFF";
        for (const char16_t c : text) {
            const char low = static_cast<char>(c & 0xFF), high = static_cast<char>(c >> 8);
            bytes += little ? std::string{low, high} : std::string{high, low};
        }
        return bytes;
    };
    const std::vector<std::pair<std::string, std::u16string>> inputs = {
        {"json", u"{\"entries\": [{\"entry\": 2, \"text\": \"Go, now!\"}]}"},
        {"csv", u"entry,original,translation\r\n2,Press Start,\"Go, now!\"\r\n"},
        {"po", u"msgctxt \"entry 2\"\nmsgid \"Press Start\"\nmsgstr \"Go, now!\"\n"}};
    std::optional<std::string> inserted;
    for (const auto& [format, text] : inputs) {
        if (format == "po" && !test::kBuildReadsPo) {
            continue;
        }
        const std::string ascii(text.begin(), text.end());
        for (const auto& [encoding, bytes] :
             std::vector<std::pair<std::string, std::string>>{{"UTF-8", ascii},
                                                              {"UTF-8 with BOM", "\xEF\xBB\xBF" + ascii},
                                                              {"UTF-16 LE", utf16(text, true)},
                                                              {"UTF-16 BE", utf16(text, false)}}) {
            SCOPED_TRACE(format + " in " + encoding);
            const std::string copy = m_dir.file("copy.bin"), texts = m_dir.file("texts." + format);
            // Removed first: MinGW's copy_file refuses to overwrite whatever the options say.
            std::filesystem::remove(copy);
            std::filesystem::copy_file(m_demo, copy);
            test::writeText(texts, bytes);
            const auto run = test::runCli(
                {"insert", "--program-folder", buildProgramFolder(), "--template", "demo.ini", copy, texts});
            EXPECT_EQ(run.err, "");
            EXPECT_EQ(run.exitCode, 0);
            inserted = inserted.value_or(test::readAll(copy));
            EXPECT_EQ(test::readAll(copy), *inserted);
        }
    }
    EXPECT_NE(inserted, test::readAll(m_demo));
    const std::vector<std::pair<std::string, std::string>> decoded = {
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

// The cutscene texts go out and back the same way, by their keys.
TEST(ExchangeCutscenes, ATranslatedCsvFileWritesWhatTheCutsceneEditorsSaveWrites) {
    const test::TempDir dir;
    const std::string exe = test::writeCutsceneExecutable(dir, "0", cutscenes::Edition::E);
    const std::string saved = dir.file("saved.exe"), texts = dir.file("texts.csv");
    std::filesystem::copy_file(exe, saved);
    ASSERT_TRUE(cutscenes::saveCutsceneTexts(saved, cutscenes::Edition::E, {{{1, "Hi, you"}}}));
    std::string exported = test::runCli({"cutscenes", "dump", "--format", "csv", exe}).out;
    ASSERT_EQ(exported.find("entry,offset,length,limit,comment,original,translation\r\nsonic[0],0x"), 0u);
    exported.replace(exported.find("\r\n", exported.find("sonic[1],")), 0, "\"Hi, you\"");
    test::writeText(texts, exported + ",,,,,,\r\n,,,,,,\r\n");  // as a spreadsheet saves it
    const auto run = test::runCli({"cutscenes", "insert", exe, texts});
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, "Writing complete! 1 text written.\n");
    EXPECT_EQ(test::readAll(exe), test::readAll(saved));
    const std::string po = test::runCli({"cutscenes", "--format", "po", "dump", exe}).out;
    EXPECT_NE(po.find("msgctxt \"sonic[1]\"\nmsgid \"Hi, you\"\n"), std::string::npos);
    if (test::kBuildReadsPo) {
        test::writeText(dir.file("texts.po"), po);
        EXPECT_EQ(test::runCli({"cutscenes", "insert", exe, dir.file("texts.po")}).out,
                  "Writing complete! 0 texts written.\n");
    }
    // U+0004 has no form in a PO file: the dump names the text and writes nothing.
    const auto offset = cutscenes::fileOffset(cutscenes::rooms()[1], cutscenes::Edition::E);
    const test::TempDir other;
    const std::string marked = test::writeCutsceneExecutable(
        other, "0", cutscenes::Edition::E, {{static_cast<std::uint64_t>(*offset), "a\x04!"s}});
    const auto refused = test::runCli({"cutscenes", "--format", "po", "dump", marked});
    EXPECT_EQ(refused.err,
              "romquill-cli: The text of sonic[1] holds the control character U+0004, which a PO file cannot "
              "carry: dump it "
              "as JSON or CSV.\n");
    EXPECT_EQ(refused.out, "");
}

}  // namespace
}  // namespace rq
