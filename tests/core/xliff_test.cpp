// XLIFF 1.2 for translation platforms: what the writer writes, written out by hand here, what the reader
// takes, and a round trip through what a platform does to a file.

#include <map>
#include <sstream>

#include "exchange/xlifftexts.h"
#include "support/demo_fixture.h"

namespace rq {

using namespace rq::exchange;
namespace {

const std::string kHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<xliff version=\"1.2\" xmlns=\"urn:oasis:names:tc:xliff:document:1.2\">\n"
    "  <file original=\"demo\" datatype=\"plaintext\" source-language=\"und\">\n"
    "    <body>\n";
const std::string kTail = "    </body>\n  </file>\n</xliff>\n";

// The unit of entry 2 at 0x210, 12 bytes, its middle lines given.
std::string unit(const std::string& attributes, const std::string& inside, const std::string& room) {
    return "      <trans-unit id=\"2\" resname=\"2\" xml:space=\"preserve\"" + attributes + ">\n" + inside +
           "        <note from=\"developer\">" + room +
           "</note>\n"
           "        <context-group purpose=\"location\">\n"
           "          <context context-type=\"sourcefile\">0x210</context>\n"
           "          <context context-type=\"linenumber\">12</context>\n"
           "        </context-group>\n"
           "      </trans-unit>\n";
}

ExportedEntry entry(std::string original, std::string comment = "Start prompt") {
    return ExportedEntry{"entry 2", "2", "210", 12, 12, std::move(comment), std::move(original)};
}

struct WrittenRow {
    const char* name;
    ExportedEntry entry;
    std::string written;  // the unit, or the refusal
};

ExportedEntry changed(ExportedEntry entry, const std::function<void(ExportedEntry&)>& change) {
    change(entry);
    return entry;
}

const std::string kPrompt = "        <source>Press Start</source>\n";
const std::string kNote = "        <note from=\"developer\">Start prompt</note>\n";

const WrittenRow kWritten[] = {
    {"a box's limit in characters", entry("Press Start"),
     unit(" maxwidth=\"12\" size-unit=\"char\"", kPrompt + kNote, "Room for 12 characters.")},
    {"a table entry's room in bytes",
     changed(entry("Press Start", ""), [](ExportedEntry& e) { e.bytes = 10, e.limit = 5; }),
     unit(" maxwidth=\"10\" size-unit=\"byte\"", kPrompt, "Room for 10 bytes: 5 characters always fit.")},
    {"a pointer entry that may move has no maximum",
     changed(entry("Press Start"), [](ExportedEntry& e) { e.bytes = 12, e.moveRoom = 64; }),
     unit("", kPrompt + kNote,
          "Room for 12 bytes in place; a longer text moves to free space, whose largest block in its region "
          "has 64 bytes.")},
    {"locked", changed(entry("Press Start"), [](ExportedEntry& e) { e.locked = true; }),
     unit(" maxwidth=\"12\" size-unit=\"char\" translate=\"no\"", kPrompt + kNote,
          "Room for 12 characters.")},
    {"translated", changed(entry("Press Start"), [](ExportedEntry& e) { e.translation = "Go & <see>"; }),
     unit(" maxwidth=\"12\" size-unit=\"char\"",
          kPrompt + "        <target state=\"translated\">Go &amp; &lt;see&gt;</target>\n" + kNote,
          "Room for 12 characters.")},
    {"fuzzy translation waits for a translator",
     changed(entry("Press Start"), [](ExportedEntry& e) { e.translation = "Go", e.previous = "Press"; }),
     unit(" maxwidth=\"12\" size-unit=\"char\"",
          kPrompt + "        <target state=\"needs-translation\">Go</target>\n" + kNote,
          "Room for 12 characters.")},
    {"markup, CR, line breaks and tabs", entry("a<b & \"c\" ]]> d\r\n\te", "x\x01y \"z\" \xEF\xBF\xBF"),
     unit(" maxwidth=\"12\" size-unit=\"char\"",
          "        <source>a&lt;b &amp; \"c\" ]]&gt; d&#13;\n\te</source>\n"
          "        <note from=\"developer\">x\xEF\xBF\xBDy \"z\" \xEF\xBF\xBD</note>\n",
          "Room for 12 characters.")},
    {"a control character is refused", entry("Press\x1BStart"),
     "The text of entry 2 holds the control character U+001B, which an XLIFF file cannot carry: dump it as "
     "JSON or CSV."},
    {"U+FFFE in a translation is refused",
     changed(entry("Press Start"), [](ExportedEntry& e) { e.translation = "Go\xEF\xBF\xBE"; }),
     "The translation of entry 2 holds the character U+FFFE, which an XLIFF file cannot carry: dump it as "
     "JSON or CSV."},
};

class XliffWritten : public testing::TestWithParam<WrittenRow> {};

TEST_P(XliffWritten, AsPlatformsReadIt) {
    std::ostringstream out;
    const ExportedEntry entries[] = {GetParam().entry};
    const auto written = writeXliffTexts(out, entries, "demo");
    EXPECT_EQ(written ? out.str() : written.error(),
              written ? kHead + GetParam().written + kTail : GetParam().written);
    EXPECT_TRUE(written || out.str().empty());
}

INSTANTIATE_TEST_SUITE_P(Units, XliffWritten, testing::ValuesIn(kWritten), test::rowName);

std::string xliff(const std::string& units, const std::string& version = "1.2") {
    return "<?xml version=\"1.0\"?>\n<xliff version=\"" + version +
           "\" xmlns=\"urn:oasis:names:tc:xliff:document:1.2\">\n<file original=\"demo\" "
           "datatype=\"plaintext\" source-language=\"und\"><body>\n" +
           units + "</body></file></xliff>\n";
}

std::string given(const std::string& key, const std::string& source, const std::string& target = "",
                  const std::string& attributes = "") {
    return "<trans-unit id=\"u" + key + "\" resname=\"" + key + "\"" + attributes + "><source>" + source +
           "</source>" + target + "</trans-unit>\n";
}

struct ReadRow {
    const char* name;
    std::string input, taken;
};

const ReadRow kRead[] = {
    {"a target is the translation", xliff(given("2", "Press Start", "<target>Go!</target>")), "2=Go!;"},
    {"no target, an empty one or one not translated yet keeps the text",
     xliff(given("2", "Press Start") + given("3", "Options", "<target/>") +
           given("4", "Score = 100", "<target state=\"new\">x</target>") +
           given("5", "Game Over", "<target state=\"needs-translation\">x</target>") +
           given("6", "Hello, traveller!", "<target state=\"needs-adaptation\">x</target>") +
           given("7", "The key is under the mat.", "<target state=\"needs-l10n\">x</target>")),
     ""},
    {"translated states and one waiting for review are taken",
     xliff(
         given("2", "Press Start", "<target state=\"final\">A</target>") +
         given("3", "Options", "<target state=\"needs-review-translation\">B</target>", " approved=\"no\"")),
     "2=A;3=B;"},
    {"the id names the text without a resname",
     xliff("<trans-unit id=\"entry 2\"><source>Press Start</source><target>Go</target></trans-unit>"),
     "2=Go;"},
    {"texts in segments, groups, CDATA; CR kept, CRLF read as LF",
     xliff("<group><group>" +
           given("2", "Press Start",
                 "<target><mrk mtype=\"seg\">G<g id=\"1\">o</g></mrk><![CDATA[<&]]></target>") +
           "</group>" + given("3", "Options", "<target>a&#13;\r\nb</target>") + "</group>"),
     "2=Go<&;3=a\r\nb;"},
    {"an inline code is refused", xliff(given("2", "Press Start", "<target>Go<x id=\"1\"/></target>")),
     "in, line 4: the <target> holds <x>, an inline code that stands for no character of a game text."},
    {"a unit of no text is listed with the rest",
     xliff(given("9", "x", "<target>y</target>") + "<trans-unit><source>Options</source></trans-unit>\n"),
     "in, line 4: the template has no entry 9 (it has 8).\nin, line 5: the trans-unit has neither a resname "
     "nor an id, so it names no text.\nin has 2 problems."},
    {"an original that differs", xliff(given("2", "Press Stort", "<target>Go</target>")),
     "in, line 4: the original \"Press Stort\" is not the text of Entry 2 (\"Start prompt\"), \"Press "
     "Start\": "
     "the game file or the template is not as it was at the export."},
    {"malformed XML by its line", xliff(given("2", "Press Start", "<target>Go</targt>")),
     "in, line 4: it is not well-formed XML: start-end tags mismatch."},
    {"entities declared",
     "<?xml version=\"1.0\"?>\n<!DOCTYPE xliff [<!ENTITY e SYSTEM \"file:///etc/passwd\">]>\n" +
         xliff(given("2", "Press Start", "<target>&e;</target>")).substr(22),
     "in, line 2: its DOCTYPE declares entities, which no XLIFF file needs and which are not expanded."},
    {"not XLIFF", "<?xml version=\"1.0\"?>\n<tmx/>",
     "in is not an XLIFF file: its root element is <tmx>, not <xliff>."},
    {"XLIFF 2", xliff("", "2.0"), "in is XLIFF 2.0, which has other elements: give XLIFF 1.2."},
    {"far larger than a file of these texts", xliff(std::string(5 << 20, ' ')),
     "in is not read: at " + std::to_string(xliff("").size() + (5 << 20)) +
         " bytes it is far larger than an XLIFF file of these texts can be."},
};

class XliffRead : public test::DemoFixture, public testing::WithParamInterface<ReadRow> {
  protected:
    // What insert takes from input, shown as "N=TEXT;", or its refusal.
    std::string taken(const std::string& input) {
        const auto limit = xliffByteLimit(exportedEntries(m_gameTemplate, m_texts));
        const auto taken = takeTranslations(
            [&](const TranslationSink& take) { return readXliffTexts(input, "in", limit, take); }, "in",
            m_gameTemplate, m_texts);
        std::string shown = taken ? "" : taken.error();
        for (const auto& [number, text] : taken ? taken->texts : std::map<int, std::string>{}) {
            shown += std::to_string(number) + "=" + text + ";";
        }
        return shown;
    }
};

TEST_P(XliffRead, OnlyTranslatedTargetsOfTheTextsAsExportedAreTaken) {
    EXPECT_EQ(taken(GetParam().input), GetParam().taken);
}

INSTANTIATE_TEST_SUITE_P(Inputs, XliffRead, testing::ValuesIn(kRead), test::rowName);

// A platform lays the file out anew, adds its own attributes, notes and matches, and fills the targets the
// translators gave; what comes back is those translations and nothing else.
TEST_F(XliffRead, ARoundTripThroughAPlatformGivesOnlyTheTranslations) {
    auto texts = m_texts;
    texts[3] = "a\r\nb\t\"c\" & <d>";
    std::ostringstream out;
    ASSERT_TRUE(writeXliffTexts(out, exportedEntries(m_gameTemplate, texts), "demo"));
    m_texts = texts;
    std::string file = out.str();
    EXPECT_EQ(taken(file), "");
    for (const auto& [from, to] : std::vector<std::pair<std::string, std::string>>{
             {"\n        ", "\n\t\t"},
             {"resname=\"2\"", "resname=\"2\" approved=\"yes\" x-platform:seen=\"1\""},
             {"Press Start</source>",
              "Press Start</source>\n<target state=\"translated\" xml:lang=\"de\">Los!</target>"
              "<alt-trans><source>Press Start</source><target>Start</target></alt-trans>"},
             {"Options</source>", "Options</source><target state=\"needs-translation\">Optionen</target>"},
             {"</context-group>", "</context-group><note from=\"reviewer\">ok</note>"}}) {
        for (auto at = file.find(from); at != std::string::npos; at = file.find(from, at + to.size())) {
            file.replace(at, from.size(), to);
        }
    }
    EXPECT_EQ(taken(file), "2=Los!;");
    // Every original as read, back as it was written.
    const auto read = parseXliffTexts(file, "in");
    ASSERT_TRUE(read);
    ASSERT_EQ(read->size(), texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ((*read)[i].original, files::unpadded(texts[i])) << i;
    }
}

}  // namespace
}  // namespace rq
