// dump, insert, check and recover: the verbs that read a game file through a template.

#include <algorithm>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli_fixture.h"

namespace rq {

using namespace rq::editor;
using namespace rq::files;
namespace {

using namespace std::string_literals;
using namespace test;
using test::cli;

TEST_F(CliDemo, DumpPrintsEveryEntryAsTheGoldenFileHoldsAndInsertedBackWritesNothing) {
    // The program names its own folder as the system does: on Windows with a drive and native separators.
    const std::string demoTemplate = pathText(std::filesystem::absolute(fsPath(m_template)));
    const std::string golden = replaced(
        readAll((std::filesystem::path(__FILE__).parent_path() / "golden" / "demo-dump.json").string()),
        {{"\"PROGRAM_FOLDER/plugins/games/demo.ini\"", nlohmann::json(demoTemplate).dump()}});

    // The real program, run where the file lies, finds its program folder by itself.
    const auto run =
        runTool(ROMQUILL_CLI, {"dump", "--template", "demo.ini", "demo.bin"}, m_dir.path().string());
    EXPECT_EQ(std::tuple(run.exitCode, run.err), std::tuple(0, ""));
    EXPECT_EQ(run.out, golden);
    const auto unchanged = insert(run.out);
    EXPECT_EQ(unchanged.out, "Writing complete! 0 entries written.\n") << unchanged.err;
    EXPECT_EQ(readAll(m_demo), m_original);
}

// The export with a translation: in a PO file its msgstr, in a CSV file the cell after its original, in an
// XLIFF file a target after its source.
std::string translated(std::string exported, const std::string& original, const std::string& text) {
    if (exported.starts_with("<?xml")) {
        const std::string source = original + "</source>";
        return exported.insert(exported.find(source) + source.size(), "<target>" + text + "</target>");
    }
    const bool po = exported.starts_with("msgid");
    const auto at = po ? exported.find("msgstr", exported.find(original))
                       : exported.find(',', exported.find(original) + original.size()) + 1;
    return exported.replace(at, po ? 9 : 0, (po ? "msgstr \"" : "\"") + text + "\"");
}

// Export, translate two entries, insert: the file holds what the editor's save writes for the same texts,
// and the same file again finds its translations in place.
TEST_F(CliDemo, ATranslatedPoCsvOrXliffFileWritesWhatTheEditorsSaveWrites) {
    const std::string saved = m_dir.file("saved.bin");
    std::filesystem::copy_file(m_demo, saved);
    auto after = m_texts;
    after[1] = "Go, now!";
    after[5] = "Hi, it's me!";
    ASSERT_TRUE(saveEntryTexts(m_template, saved, m_texts, after));
    for (const std::string format : {"po", "csv", "xliff"}) {
        if (format == "po" && !kBuildReadsPo) {
            continue;
        }
        writeText(m_demo, m_original);
        const std::string texts = m_dir.file(format == "xliff" ? "texts.xlf" : "texts." + format);
        const auto exported = cli({"dump", "--template", "demo.ini", "--format", format, m_demo}).out;
        writeText(texts, translated(translated(exported, "Press Start", "Go, now!"), "Hello, traveller!",
                                    "Hi, it's me!"));
        const auto run = cli({"insert", "--template", "demo.ini", m_demo, texts});
        EXPECT_EQ(run.err + run.out, "Writing complete! 2 entries written.\n") << format;
        EXPECT_EQ(readAll(m_demo), readAll(saved)) << format;
        EXPECT_EQ(cli({"insert", "--template", "demo.ini", m_demo, texts}).out,
                  "Writing complete! 0 entries written.\n");
    }
}

const std::string kNothingWritten = " Nothing was written.\n";

std::vector<std::string> insertInto(const std::string& file, const std::string& texts) {
    return {"insert", "--program-folder", "@FOLDER", "--template", "demo.ini", file, texts};
}

// A refusal of the input or of the game file exits 1 and writes nothing; a save's refusal is named after the
// file in the conventions' rows, the files' in the hostile rows, and the rules themselves are the core's.
INSTANTIATE_TEST_SUITE_P(
    InsertRefusals, CliCommandLine,
    testing::Values(refusal("OverTheSizeLimit", insertInto("@DEMO", "@LARGE"), "",
                            "\"@LARGE\" has 67108865 bytes; files of more than 67108864 bytes are not read." +
                                kNothingWritten),
                    refusal("GameFileMissing", insertInto("@MISSING", "-"), R"({"entries": []})",
                            "\"@MISSING\": ROM not found!\n")),
    rowName);

const std::vector<std::string> kQa = {"qa", "--program-folder", "@FOLDER", "--template", "demo.ini", "@DEMO",
                                      "-"};

// Each output form, with an error (exit 1) or warnings only (exit 0); the checks themselves are the core's.
INSTANTIATE_TEST_SUITE_P(
    Qa, CliCommandLine,
    testing::Values(
        row("PlainWithAnError", kQa, R"({"entries": [{"entry": 1, "text": "ROMQUILL DEMO 2026!"}]})", 1,
            "entry 1: error: too-long: Entry 1 (\"Title screen\") has room for 16 characters, not the "
            "19 of its translation.\nentry 2: warning: untranslated: Entry 2 (\"Start prompt\") is not "
            "translated: its text is its original's.\n"),
        row("JsonWithWarningsOnly",
            {"qa", "--json", "--program-folder", "@FOLDER", "--template", "demo.ini", "@DEMO", "-"},
            R"({"entries": [{"entry": 1, "text": "Hi  you"}]})", 0,
            "[\n  {\n    \"entry\": 1,\n    \"check\": \"spaces\",\n    \"severity\": \"warning\",\n"
            "    \"message\": \"Entry 1 (\\\"Title screen\\\") has double spaces that its original does not "
            "have.\"\n  },\n  {\n    \"entry\": 2,\n")),
    rowName);

// The glossary's checks join the others; a glossary that cannot be read stops qa before any check.
TEST_F(CliDemo, QaChecksTheTranslationAgainstAGlossary) {
    const std::string terms = m_dir.file("terms.csv");
    writeText(terms, "source,target,forbidden\nStart,Inicio,Comienzo\ntraveller,viajero,\n");
    writeText(m_json, R"({"entries": [{"entry": 2, "text": "Comienzo ya"}, {"entry": 6, "text": "Hola!"}]})");
    const auto run = cli({"qa", "--template", "demo.ini", m_demo, m_json, "--glossary", terms});
    std::istringstream lines(run.out);
    std::string line, glossaryLines;
    while (std::getline(lines, line)) {
        glossaryLines += line.find("untranslated") == std::string::npos ? line + "\n" : "";
    }
    EXPECT_EQ(std::tuple(run.exitCode, glossaryLines),
              std::tuple(1,
                         "entry 2: warning: glossary: Entry 2 (\"Start prompt\") has the glossary's term "
                         "\"Start\" in its original, but not its agreed translation \"Inicio\" in its "
                         "translation.\nentry 2: error: forbidden-term: Entry 2 (\"Start prompt\") has "
                         "\"Comienzo\" in its translation, which the glossary forbids for \"Start\".\n"
                         "entry 6: warning: glossary: Entry 6 (\"Greeting\") has the glossary's term "
                         "\"traveller\" in its original, but not its agreed translation \"viajero\" in its "
                         "translation.\n"));
    writeText(terms, "source,target\n");
    EXPECT_EQ(cli({"qa", "--template", "demo.ini", m_demo, m_json, "--glossary", terms}).err,
              "romquill-cli: " + terms +
                  ", row 1: the header row needs the columns source, target and forbidden, separated by "
                  "commas, semicolons or tabs.\n");
}

// A later save is refused until then: the core's, tested there.
TEST_F(CliDemo, RecoverPutsEveryByteOfAnInterruptedInsertBack) {
    setWriteFaults({nullptr, 2, nullptr});
    EXPECT_EQ(insert(R"({"entries": [{"entry": 1, "text": "A"}, {"entry": 2, "text": "B"}]})").exitCode, 1);
    setWriteFaults({});
    EXPECT_NE(readAll(m_demo), m_original);
    EXPECT_EQ(runCli({"recover", m_demo}).exitCode, 0);
    EXPECT_EQ(runCli({"recover", m_demo}).exitCode, 1);  // nothing left to recover
    EXPECT_EQ(readAll(m_demo), m_original);
}

TEST_F(CliDemo, OutputThatCannotBeWrittenFailsTheRun) {
    std::ostream unwritable(nullptr);
    const auto run = cli({"dump", "--template", "demo.ini", m_demo}, &unwritable);
    EXPECT_EQ(std::tuple(run.exitCode, run.err),
              std::tuple(1, "romquill-cli: the output could not be written.\n"));
}

// The real program: texts from standard input, and a dump to a full disk, told with the system's reason.
TEST_F(CliDemo, TheProgramTakesTextsFromStandardInputAndFailsOnAFullDisk) {
    writeText(m_json, R"({"entries": [{"entry": 2, "text": "Push"}]})");
    const auto piped = runTool(ROMQUILL_CLI, {"insert", "--template", "demo.ini", "demo.bin", "-"},
                               m_dir.path().string(), m_json);
    EXPECT_EQ(piped.exitCode, 0) << piped.err;
    EXPECT_EQ(readAll(m_demo).substr(0x210, 5), "\x10\x2F\x2D\x22\x00"s);
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no full device like /dev/full";
#else
    const auto full =
        runTool("sh", {"-c", quotedForShell(ROMQUILL_CLI) + " dump --template demo.ini demo.bin >/dev/full"},
                m_dir.path().string());
    EXPECT_EQ(std::tuple(full.exitCode, full.err),
              std::tuple(1, "romquill-cli: standard output: No space left on device.\n"));
#endif
}

TEST_F(CliOwnFolder, CheckListsEveryProblemOnALineOfItsOwn) {
    write("plugins/alphabets/wide.ini",
          "[AlphabetAndFileInfo]\nCharLength=2\n[save]\nA=123\n_a=0041\nA=ff\n");
    write("plugins/alphabets/old.ini", "[AlphabetAndFileInfo]\n[save]\nA=12\n");
    write("plugins/alphabets/none.ini", "[AlphabetAndFileInfo]\nCharLength=0\n");
    const std::string templatePath = m_dir.file("elsewhere/broken.ini");
    write("elsewhere/broken.ini",
          "[TextFormattingSystem]\nNumberOfEntries=4\nW=wide.ini\nO=old.ini\nM=missing.ini\n"
          "[entry1]\nTextFormat=W\nLength=7\nHexLocation=10\n"
          "[entry2]\nTextFormat=O\nLength=4\nHexLocation=12\n"
          "[entry3]\nTextFormat=M\nLength=4\n[entry4]\nTextFormat=X\nLength=4\nHexLocation=3E\n");
    writeImage(m_game, {}, 0x40);

    const auto checked = run({"check", "--template", templatePath, m_game});

    EXPECT_EQ(checked.exitCode, 1);
    EXPECT_EQ(checked.out,
              R"(F/plugins/alphabets/wide.ini: [save] A = "123" is not a string of hexadecimal digit pairs
F/elsewhere/broken.ini: [entry1] Length = "7" is not a whole multiple of the alphabet's CharLength 2
F/plugins/alphabets/old.ini: [AlphabetAndFileInfo] CharLength is missing, which marks an alphabet older than version 0.9: the editor refuses it
F/elsewhere/broken.ini: [TextFormattingSystem] M = "missing.ini" names the alphabet F/plugins/alphabets/missing.ini, which cannot be read
F/elsewhere/broken.ini: [entry3] HexLocation is missing
F/elsewhere/broken.ini: [entry4] TextFormat = "X" names no key of [TextFormattingSystem], so the entry has no alphabet
F/elsewhere/broken.ini: [entry4] HexLocation = "3E" puts the entry's room (bytes 0x3E to 0x41) past the end of F/game.bin, which has 64 bytes
F/elsewhere/broken.ini: [entry1] HexLocation = "10" puts the entry's room (bytes 0x10 to 0x16) over the room of entry2 (bytes 0x12 to 0x15)
)");
}

// A refused template gives its message, an alphabet with an accented name is found, and insert never writes
// into its own template.
TEST_F(CliOwnFolder, TemplatesAreFoundRefusedAndNeverWritten) {
    write("plugins/alphabets/caf\xC3\xA9.ini",
          "[AlphabetAndFileInfo]\nCharLength=1\n[Load]\n41=A\n[save]\nA=41\n");
    write("plugins/alphabets/old.ini", "[Load]\n41=A\n");
    write("plugins/games/old.ini",
          "[TextFormattingSystem]\nNumberOfEntries=1\nOld=old.ini\n"
          "[entry1]\nTextFormat=Old\nLength=1\nHexLocation=0\n");
    write("plugins/games/self.ini",
          "[TextFormattingSystem]\nNumberOfEntries=1\nOne=caf\xE9.ini\n"
          "[entry1]\nTextFormat=One\nLength=2\nHexLocation=0\n");
    writeImage(m_game, {{0, "AAAA"}});
    write("texts.json", R"({"entries": [{"entry": 1, "text": "A"}]})");
    EXPECT_NE(run({"dump", "--template", "self.ini", m_game}).out.find("\"text\": \"AA\""),
              std::string::npos);
    const std::string self = m_dir.file("plugins/games/self.ini"), before = readAll(self);
    const std::tuple<std::string, std::string, std::string> rows[] = {
        {"old.ini", m_game,
         "romquill-cli: Pre-RQL 0.9 Alphabet file detected, refusing the template to avoid errors. Please "
         "check template F/plugins/alphabets/old.ini for the field 'AlphabetAndFileInfo --> CharLength'.\n"},
        {"self.ini", self,
         "romquill-cli: The template cannot be \"F/plugins/games/self.ini\": that is the file the texts are "
         "written into. Nothing was written.\n"},
    };
    for (const auto& [name, file, err] : rows) {
        const auto refused = run({"insert", "--template", name, file, m_dir.file("texts.json")});
        EXPECT_EQ(std::tuple(refused.exitCode, refused.out, refused.err), std::tuple(1, "", err));
        EXPECT_EQ(readAll(m_game), "AAAA");
    }
    EXPECT_EQ(readAll(self), before);
}

// A pointer table's entries: translators' files carry no limit for them, and a longer text moves.
TEST_F(CliOwnFolder, APointerTemplatesLongerTextMovesAndItsExportsSetNoLimit) {
    write("plugins/alphabets/t.tbl", "41=A\n42=B\n43=C\n44=D\n45=E\n/00\n");
    write("plugins/games/p.ini",
          "[TextFormattingSystem]\nNumberOfEntries=0\n0=t.tbl\n[Pointers]\nFormat=le16\n"
          "[PointerTable1]\nOffset=0\nCount=2\nTextFormat=0\nComment=Line\n[FreeSpace]\nRanges=20-40\n");
    writeTwoStrings();
    const std::string before = readAll(m_game);
    const auto po = run({"dump", "--template", "p.ini", "--format", "po", m_game}).out;
    EXPECT_NE(
        po.find("#. Room for 2 bytes in place; a longer text moves to free space, whose largest block in "
                "its region has 32 bytes.\n#: 0x14:3\nmsgctxt \"entry 2\""),
        std::string::npos)
        << po;
    EXPECT_EQ(po.find("max-length"), std::string::npos);
    EXPECT_NE(
        run({"dump", "--template", "p.ini", "--format", "csv", m_game}).out.find("\r\n2,0x14,3,,Line 2,CD,"),
        std::string::npos);
    EXPECT_NE(run({"dump", "--template", "p.ini", "--format", "xliff", m_game})
                  .out.find("<trans-unit id=\"2\" resname=\"2\" xml:space=\"preserve\">\n"
                            "        <source>CD</source>\n        <note from=\"developer\">Line 2</note>\n"),
              std::string::npos);

    write("texts.json", R"({"entries": [{"entry": 2, "text": "CDEABCDE"}]})");
    EXPECT_EQ(run({"insert", "--template", "p.ini", m_game, m_dir.file("texts.json")}).out,
              "Writing complete! 1 entry written.\n");
    EXPECT_EQ(readAll(m_game),
              std::string(before).replace(2, 2, "\x20\x00"s).replace(0x20, 9, "CDEABCDE\0"s));
    const auto dumped = nlohmann::ordered_json::parse(run({"dump", "--template", "p.ini", m_game}).out);
    EXPECT_EQ(dumped["entries"][1].dump(),
              R"({"entry":2,"comment":"Line 2","offset":"20","length":9,"cells":["2"],"text":"CDEABCDE"})");
}

// A locked table's entries: dumped so, a change refused by insert with nothing written, and qa's error.
TEST_F(CliOwnFolder, ALockedEntryIsDumpedSoAndAChangeToItIsRefused) {
    write("plugins/alphabets/t.tbl", "41=A\n42=B\n43=C\n44=D\n45=E\n/00\n");
    write("plugins/games/p.ini",
          "[TextFormattingSystem]\nNumberOfEntries=0\n0=t.tbl\n[Pointers]\nFormat=le16\n"
          "[PointerTable1]\nOffset=0\nCount=2\nTextFormat=0\nComment=Line\nLock=yes\n");
    writeTwoStrings();
    const std::string before = readAll(m_game);
    const auto dumped = nlohmann::ordered_json::parse(run({"dump", "--template", "p.ini", m_game}).out);
    EXPECT_EQ(
        dumped["entries"][1].dump(),
        R"({"entry":2,"comment":"Line 2","offset":"14","length":3,"cells":["2"],"locked":true,"text":"CD"})");

    write("texts.json", R"({"entries": [{"entry": 1, "text": "AB"}, {"entry": 2, "text": "DC"}]})");
    const std::string texts = m_dir.file("texts.json");
    const auto insert = run({"insert", "--template", "p.ini", m_game, texts});
    EXPECT_EQ(std::tuple(insert.exitCode, insert.out + insert.err),
              std::tuple(1,
                         "romquill-cli: F/texts.json: Entry 2 (\"Line 2\") is locked: its text cannot be "
                         "changed. Nothing was written.\n"));
    EXPECT_EQ(readAll(m_game), before);
    EXPECT_EQ(run({"qa", "--template", "p.ini", m_game, texts}).out,
              "entry 2: error: locked: Entry 2 (\"Line 2\") is locked: its text cannot be changed.\n");
}

}  // namespace
}  // namespace rq
