#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "editor/entrytexts.h"
#include "exchange/csvtexts.h"
#include "exchange/potexts.h"
#include "files/textencoding.h"
#include "support/demo_fixture.h"
#include "support/testfiles.h"
#include "support/tool_run.h"

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

}  // namespace
}  // namespace rq
