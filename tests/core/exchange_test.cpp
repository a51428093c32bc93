// Translators' files out and back: every text through PO and CSV, gettext's tools, the CLI's round trips in
// every encoding a Windows tool writes, and the cutscene texts.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "editor/entrytexts.h"
#include "exchange/csvtexts.h"
#include "exchange/potexts.h"
#include "exchange/textencoding.h"
#include "files/common.h"
#include "support/demo_fixture.h"
#include "support/testfiles.h"
#include "support/tool_run.h"

namespace rq {
namespace {

using namespace std::string_literals;

using Exchange = test::DemoFixture;

bool gettextTools() {
#ifdef _WIN32
    return false;
#else
    return std::system(
               "msgfmt --version >/dev/null 2>&1 && msgcat --version >/dev/null && "
               "msgmerge --version >/dev/null") == 0;
#endif
}

struct TextRow {
    const char* name;
    std::string text;
};

const TextRow kTexts[] = {
    {"plain", "plain"},
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
    {"spaces only", "   "},
    {"accents", "é ü €"},
    {"a formula's sign", "'=x"},
};

class ExchangeText : public Exchange, public testing::WithParamInterface<TextRow> {};

// The first entry's text exported as PO and CSV comes back as it was (less its padding), and gettext's
// tools take the PO file.
TEST_P(ExchangeText, ComesBackAsExportedAndThePoFileSatisfiesGettext) {
    auto texts = m_texts;
    texts[0] = GetParam().text;
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
#ifndef _WIN32
    if (gettextTools()) {
        const auto file = m_dir.file("texts.po");
        test::writeText(file, po.str());
        const auto quoted = test::quotedForShell(file);
        EXPECT_EQ(std::system(("msgfmt --check-format -o /dev/null " + quoted + " 2>/dev/null").c_str()), 0);
        EXPECT_EQ(std::system(("msgcat -o /dev/null " + quoted).c_str()), 0);
    }
#endif
}

INSTANTIATE_TEST_SUITE_P(Texts, ExchangeText, testing::ValuesIn(kTexts), test::rowName);

TEST_F(Exchange, APoFileKeepsItsHeaderAndLimitsThroughGettextAndRefusesWhatItCannotCarry) {
#ifndef _WIN32
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
        const auto cli = [](std::vector<std::string> args) {
            args.insert(args.begin() + 1,
                        {"--program-folder", test::buildProgramFolder(), "--template", "demo.ini"});
            return test::runCli(args);
        };
        std::string exported = cli({"dump", "--format", format, copy}).out;
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
        const auto run = cli({"insert", copy, texts});
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.out, "Writing complete! 2 entries written.\n");
        EXPECT_EQ(test::readAll(copy), test::readAll(saved));
        EXPECT_NE(test::readAll(copy), original);
        // The same file again finds its translations in place and changes nothing.
        EXPECT_EQ(cli({"insert", copy, texts}).out, "Writing complete! 0 entries written.\n");
    }
    EXPECT_EQ(test::runCli({"dump", "--format", "xml", "--template", "demo.ini", m_demo}).exitCode, 2);
}

// What Windows tools write (PowerShell 5.1's "dump > texts.json" is UTF-16 LE) inserts in every format read:
// the first insert writes the text, the others find it there. The encodings themselves are utf8Input's.
TEST_F(Exchange, EveryEncodingOfTheInputInsertsTheSame) {
    const std::string copy = m_dir.file("copy.bin");
    std::filesystem::copy_file(m_demo, copy);
    const std::pair<std::string, std::u16string> inputs[] = {
        {"json", u"{\"entries\": [{\"entry\": 2, \"text\": \"Go, now!\"}]}"},
        {"csv", u"entry,original,translation\r\n2,Press Start,\"Go, now!\"\r\n"},
        {"po", u"msgctxt \"entry 2\"\nmsgid \"Press Start\"\nmsgstr \"Go, now!\"\n"}};
    for (const auto& [format, text] : inputs) {
        if (format == "po" && !test::kBuildReadsPo) {
            continue;
        }
        SCOPED_TRACE(format);
        std::string bytes = "\xFF\xFE";
        for (const char16_t c : text) {
            bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
        }
        test::writeText(m_dir.file("texts." + format), bytes);
        const auto run = test::runCli({"insert", "--program-folder", test::buildProgramFolder(), "--template",
                                       "demo.ini", copy, m_dir.file("texts." + format)});
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.out, format == "json" ? "Writing complete! 1 entry written.\n"
                                            : "Writing complete! 0 entries written.\n");
    }
    const std::pair<std::string, std::string> decoded[] = {
        {"\xEF\xBB\xBF"
         "abc",
         "abc"},
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

// The cutscene texts go out and back the same way, by their keys (what a PO file cannot carry is refused as
// for the entries).
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
}

}  // namespace
}  // namespace rq
