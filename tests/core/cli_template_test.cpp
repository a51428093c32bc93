#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/testfiles.h"
#include "support/tool_run.h"

namespace rq {
namespace {

using namespace std::string_literals;

// The build lays plugins/ and gfx/ beside the tool: the program folder it uses by default.
std::string buildProgramFolder() {
    return std::filesystem::path(ROMQUILL_CLI).parent_path().string();
}

test::ToolRun cli(const std::vector<std::string>& args, const std::string& folder = {}) {
    return test::runTool(ROMQUILL_CLI, args, folder);
}

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

const std::string kInvalidTail =
    "' is invalid. Please replace it with a valid character.\r\n"
    "Note: this error may not apply to every text string in the game.\n";

// The demo file as scripts/make-demo writes it, with the demo template and alphabets of the build.
class CliDemo : public testing::Test {
  protected:
    void SetUp() override {
        const auto made = test::runTool(ROMQUILL_MAKE_DEMO, {buildProgramFolder(), m_demo});
        ASSERT_EQ(made.exitCode, 0) << made.err;
        m_original = test::readAll(m_demo);
        ASSERT_EQ(m_original.size(), 0x400u);
    }

    test::ToolRun insert(const std::string& json) const {
        test::writeText(m_json, json);
        return cli({"insert", "--template", "demo.ini", m_demo, m_json});
    }

    test::TempDir m_dir;
    std::string m_demo = m_dir.file("demo.bin");
    std::string m_json = m_dir.file("texts.json");
    std::string m_original;
};

TEST_F(CliDemo, DemoFileIsAValidMegaDriveImageOfNoKnownGame) {
    // So the launcher refuses it as unsupported and "Force load a template" opens the chooser at once.
    const auto run = cli({"identify", m_demo});
    EXPECT_EQ(run.out, m_demo + "\tThis Megadrive ROM is not supported.\n");
    EXPECT_EQ(m_original.substr(0x100, 15), "SEGA MEGA DRIVE");
}

TEST_F(CliDemo, DumpPrintsEveryEntryAsTheGoldenFileHolds) {
    const auto golden =
        test::readAll((std::filesystem::path(__FILE__).parent_path() / "golden" / "demo-dump.json").string());
    ASSERT_FALSE(golden.empty());

    const auto run = cli({"dump", "--template", "demo.ini", "demo.bin"}, m_dir.path().string());

    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(replaceAll(run.out, buildProgramFolder(), "PROGRAM_FOLDER"), golden);
}

TEST_F(CliDemo, InsertingADumpUnchangedLeavesEveryByte) {
    const auto dump = cli({"dump", "--template", "demo.ini", m_demo});
    ASSERT_EQ(dump.exitCode, 0) << dump.err;

    for (int round = 0; round < 2; ++round) {
        const auto run = insert(dump.out);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, "Writing complete!\n");
        EXPECT_EQ(test::readAll(m_demo), m_original);
    }
}

TEST_F(CliDemo, InsertWritesOnlyTheGivenEntriesPaddedAndDumpShowsThem) {
    const auto run =
        insert(R"({"entries": [{"entry": 2, "text": "Push Start"}, {"entry": 8, "text": "Hi = 2!"}]})");
    ASSERT_EQ(run.exitCode, 0) << run.err;

    // Menu: one byte a character, space 00; dialogue: two bytes, space 8000, "=" 8407.
    auto expected = m_original;
    expected.replace(0x210, 12, "\x10\x2F\x2D\x22\x00\x13\x2E\x1B\x2C\x2E\x00\x00"s);
    std::string farewell = "\x81\x08\x82\x09\x80\x00\x84\x07\x80\x00\x83\x02\x84\x01"s;
    for (int pad = 0; pad < 13; ++pad) {
        farewell += "\x80\x00"s;
    }
    expected.replace(0x2B8, 40, farewell);
    EXPECT_EQ(test::readAll(m_demo), expected);

    const auto dump = cli({"dump", "--template", "demo.ini", m_demo});
    EXPECT_NE(dump.out.find(R"("text": "Push Start  ")"), std::string::npos) << dump.out;
    EXPECT_NE(dump.out.find(R"("text": "Hi = 2!             ")"), std::string::npos) << dump.out;
    EXPECT_NE(dump.out.find(R"("text": "Hello, traveller!       ")"), std::string::npos) << dump.out;
}

TEST_F(CliDemo, EveryRefusalOfInsertLeavesTheFileUntouched) {
    struct Case {
        std::string name;
        std::string json;
        std::string err;  // the whole of standard error, or its start when it ends without a line break
    };
    const std::string& j = m_json;
    const std::string nothing = " Nothing was written.\n";
    const std::vector<Case> cases = {
        {"not JSON", "{\"entries\": [", j + " is not valid JSON: parse error at line 1"},
        {"no entries array", R"({"entries": 3})",
         j + " has no \"entries\" array, as dump writes it." + nothing},
        {"not an object", "[]", j + " has no \"entries\" array, as dump writes it." + nothing},
        {"entry the template lacks", R"({"entries": [{"entry": 9, "text": "x"}]})",
         j + ": the template has no entry 9 (it has 8)." + nothing},
        {"entry zero", R"({"entries": [{"entry": 0, "text": "x"}]})",
         j + ": the template has no entry 0 (it has 8)." + nothing},
        {"entry as text", R"({"entries": [{"entry": "2", "text": "x"}]})",
         j + ": every item of \"entries\" needs a whole number \"entry\" and a string \"text\"." + nothing},
        {"no text", R"({"entries": [{"entry": 2}]})",
         j + ": every item of \"entries\" needs a whole number \"entry\" and a string \"text\"." + nothing},
        {"entry twice", R"({"entries": [{"entry": 2, "text": "A"}, {"entry": 2, "text": "B"}]})",
         j + ": entry 2 is given twice." + nothing},
        {"outside the code page", R"({"entries": [{"entry": 2, "text": "Go → now"}]})",
         j + ": entry 2: The character '→' has no byte in code page 1252." + nothing},
        {"longer than the limit",
         R"({"entries": [{"entry": 2, "text": "Press Start!"}, {"entry": 3, "text": "Options menu!"}]})",
         "Entry 3 (\"Options menu\") has room for 12 characters, not the 13 of its new text." + nothing},
        {"no save code", R"({"entries": [{"entry": 2, "text": "Press Start;"}]})",
         "The character ';' in the string 'Press Start;" + kInvalidTail},
        {"no save code, UTF-8 both ways", R"({"entries": [{"entry": 2, "text": "café"}]})",
         "The character 'é' in the string 'café        " + kInvalidTail},
        {"last entry wrong, first right",
         R"({"entries": [{"entry": 1, "text": "NEW TITLE"}, {"entry": 8, "text": "Grüße"}]})",
         "The character 'ü' in the string 'Grüße               " + kInvalidTail},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto run = insert(c.json);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.out, "");
        if (!c.err.empty() && c.err.back() == '\n') {
            EXPECT_EQ(run.err, c.err);
        } else {
            EXPECT_EQ(run.err.rfind(c.err, 0), 0u) << run.err;
        }
        EXPECT_EQ(test::readAll(m_demo), m_original);
    }

    const auto missing = cli({"insert", "--template", "demo.ini", m_demo, m_dir.file("none.json")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.err, m_dir.file("none.json") + " cannot be read." + nothing);
    EXPECT_EQ(test::readAll(m_demo), m_original);
}

TEST_F(CliDemo, GameFileThatCannotBeReadGivesRomNotFound) {
    test::writeText(m_json, R"({"entries": []})");
    for (const auto& file : {m_dir.file("missing.bin"), m_dir.path().string()}) {
        SCOPED_TRACE(file);
        for (const auto& args :
             {std::vector<std::string>{"dump", "--template", "demo.ini", file},
              std::vector<std::string>{"insert", "--template", "demo.ini", file, m_json}}) {
            const auto run = cli(args);
            EXPECT_EQ(run.exitCode, 1);
            EXPECT_EQ(run.out, "");
            EXPECT_EQ(run.err, "ROM not found!\n");
        }
    }
}

TEST_F(CliDemo, CheckFindsNoProblemInTheDemo) {
    for (const auto& args : {std::vector<std::string>{"check", "--template", "demo.ini"},
                             std::vector<std::string>{"check", "--template", "demo.ini", m_demo}}) {
        const auto run = cli(args);
        EXPECT_EQ(run.exitCode, 0) << run.out;
        EXPECT_EQ(run.out, "no problems\n");
    }
}

// Templates and alphabets of a program folder of the test's own, given with --program-folder.
class CliOwnFolder : public testing::Test {
  protected:
    void write(const std::string& relative, const std::string& text) const {
        test::writeText((m_dir.path() / relative).string(), text);
    }
    [[nodiscard]] std::string folder() const { return m_dir.path().string(); }
    [[nodiscard]] std::string alphabet(const std::string& name) const {
        return (m_dir.path() / "plugins" / "alphabets" / name).string();
    }

    test::TempDir m_dir;
};

TEST_F(CliOwnFolder, CheckListsEveryProblemOnALineOfItsOwn) {
    write("plugins/alphabets/wide.ini",
          "[AlphabetAndFileInfo]\nCharLength=2\n[save]\nA=123\nB=zz\n_a=0041\nA=ff\n");
    write("plugins/alphabets/old.ini", "[AlphabetAndFileInfo]\n[save]\nA=12\n");
    write("plugins/alphabets/none.ini", "[AlphabetAndFileInfo]\nCharLength=0\n");
    const std::string templatePath = (m_dir.path() / "elsewhere" / "broken.ini").string();
    write("elsewhere/broken.ini",
          "[TextFormattingSystem]\nNumberOfEntries=6\nW=wide.ini\nO=old.ini\nM=missing.ini\n"
          "[entry1]\nTextFormat=W\nLength=7\nHexLocation=10\n"
          "[entry2]\nTextFormat=W\nLength=-1\nHexLocation=zz\n"
          "[entry3]\nTextFormat=O\nLength=4\nHexLocation=12\n"
          "[entry4]\nTextFormat=M\nLength=4\n"
          "[entry5]\nTextFormat=X\nLength=4\nHexLocation=3E\n"
          "[entry6]\nTextFormat=W\nLength=2\nHexLocation=100000000\n");
    const std::string game = m_dir.file("game.bin");
    test::writeImage(game, {}, 0x40);

    const auto run = cli({"check", "--program-folder", folder(), "--template", templatePath, game});

    EXPECT_EQ(run.exitCode, 1);
    const std::string t = templatePath + ": ";
    EXPECT_EQ(
        run.out,
        alphabet("wide.ini") + ": [save] A = \"123\" is not a string of hexadecimal digit pairs\n" +
            alphabet("wide.ini") + ": [save] B = \"zz\" is not a string of hexadecimal digit pairs\n" + t +
            "[entry1] Length = \"7\" is not a whole multiple of the alphabet's CharLength 2\n" + t +
            "[entry2] Length = \"-1\" is not a size from 0 to 32767 bytes\n" + t +
            "[entry2] HexLocation = \"zz\" is not a hexadecimal offset from 0 to 7FFFFFFF\n" +
            alphabet("old.ini") +
            ": [AlphabetAndFileInfo] CharLength is missing, which marks an alphabet older than version "
            "0.9: the editor refuses it\n" +
            t + "[TextFormattingSystem] M = \"missing.ini\" names the alphabet " + alphabet("missing.ini") +
            ", which cannot be read\n" + t + "[entry4] HexLocation is missing\n" + t +
            "[entry5] TextFormat = \"X\" names no key of [TextFormattingSystem], so the entry has no "
            "alphabet\n" +
            t + "[entry6] HexLocation = \"100000000\" is not a hexadecimal offset from 0 to 7FFFFFFF\n" + t +
            "[entry5] HexLocation = \"3E\" puts the entry's room (bytes 3E to 41) past the end of " + game +
            ", which has 40 (hex) bytes\n" + t +
            "[entry1] HexLocation = \"10\" puts the entry's room (bytes 10 to 16) over the room of entry3 "
            "(bytes 12 to 15)\n");

    write("elsewhere/broken.ini", "[TextFormattingSystem]\nNumberOfEntries=541\n");
    EXPECT_EQ(
        cli({"check", "--program-folder", folder(), "--template", templatePath}).out,
        t + "[TextFormattingSystem] NumberOfEntries = \"541\" is more than the 540 entries the editor has "
            "room for\n");
    write("elsewhere/broken.ini", "[TextFormattingSystem]\nNumberOfEntries=many\n");
    EXPECT_EQ(cli({"check", "--program-folder", folder(), "--template", templatePath}).out,
              t + "[TextFormattingSystem] NumberOfEntries = \"many\" is not a number\n");
}

TEST_F(CliOwnFolder, DumpAndInsertRefuseABrokenTemplateWithItsMessage) {
    write("plugins/alphabets/one.ini", "[AlphabetAndFileInfo]\nCharLength=1\n[Load]\n41=A\n[save]\nA=41\n");
    write("plugins/alphabets/old.ini", "[Load]\n41=A\n");
    write("plugins/games/malformed.ini",
          "[TextFormattingSystem]\nNumberOfEntries=1\nOne=one.ini\n[entry1]\nTextFormat=One\nLength=ten\n"
          "HexLocation=0\n");
    write("plugins/games/old.ini",
          "[TextFormattingSystem]\nNumberOfEntries=1\nOld=old.ini\n[entry1]\nTextFormat=Old\nLength=1\n"
          "HexLocation=0\n");
    const std::string game = m_dir.file("game.bin");
    test::writeImage(game, {{0, "AAAA"}});
    const std::string json = m_dir.file("texts.json");
    test::writeText(json, R"({"entries": []})");

    for (const auto& verb : {"dump", "insert"}) {
        SCOPED_TRACE(verb);
        std::vector<std::string> args = {verb,         "--program-folder", folder(),
                                         "--template", "malformed.ini",    game};
        if (std::string(verb) == "insert") {
            args.push_back(json);
        }
        const auto malformed = cli(args);
        EXPECT_EQ(malformed.exitCode, 1);
        EXPECT_EQ(malformed.out, "");
        EXPECT_NE(malformed.err.find("malformed.ini"), std::string::npos) << malformed.err;
        EXPECT_NE(malformed.err.find("[entry1]"), std::string::npos) << malformed.err;
        EXPECT_NE(malformed.err.find("Length"), std::string::npos) << malformed.err;
        EXPECT_NE(malformed.err.find("\"ten\""), std::string::npos) << malformed.err;

        args[4] = "old.ini";
        const auto old = cli(args);
        EXPECT_EQ(old.exitCode, 1);
        EXPECT_EQ(old.out, "");
        EXPECT_EQ(old.err.rfind("Pre-RQL 0.9 Alphabet file detected, ", 0), 0u) << old.err;
        EXPECT_NE(
            old.err.find(alphabet("old.ini") + " for the field 'AlphabetAndFileInfo --> CharLength'.\n"),
            std::string::npos)
            << old.err;
        EXPECT_EQ(test::readAll(game), "AAAA");
    }
}

TEST_F(CliOwnFolder, InsertRefusesAnEntryPastTheEndOfTheFileAndWritesNothing) {
    write("plugins/alphabets/one.ini",
          "[AlphabetAndFileInfo]\nCharLength=1\n[Load]\n41=A\n42=B\n[save]\nA=41\nB=42\n\xAC=41\n");
    write("plugins/games/t.ini",
          "[TextFormattingSystem]\nNumberOfEntries=2\nOne=one.ini\n"
          "[entry1]\nTextFormat=One\nComment=First\nLength=2\nHexLocation=0\n"
          "[entry2]\nTextFormat=One\nComment=Second\nLength=2\nHexLocation=3\n");
    const std::string game = m_dir.file("game.bin");
    test::writeImage(game, {{0, "AAAA"}});
    const std::string json = m_dir.file("texts.json");
    test::writeText(json, R"({"entries": [{"entry": 1, "text": "BB"}, {"entry": 2, "text": "BB"}]})");

    // Reading past the end gives zeros, as the editor shows; writing there would grow the file.
    const auto run = cli({"insert", "--program-folder", folder(), "--template", "t.ini", game, json});

    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err.rfind("Entry 2 (\"Second\") lies past the end of the file", 0), 0u) << run.err;
    EXPECT_EQ(test::readAll(game), "AAAA");
}

TEST(CliTemplateUsage, EachVerbExplainsItselfAndRefusesWrongArguments) {
    for (const std::string verb : {"dump", "insert", "check"}) {
        const auto help = cli({verb, "--help"});
        EXPECT_EQ(help.exitCode, 0);
        EXPECT_EQ(help.out.rfind("Usage: romquill-cli " + verb + " --template T [--program-folder DIR] ", 0),
                  0u)
            << help.out;
        EXPECT_NE(cli({"--help"}).out.find("romquill-cli " + verb + " --template T"), std::string::npos);
    }
    const std::vector<std::vector<std::string>> wrong = {
        {"dump", "file.bin"},
        {"dump", "--template", "demo.ini"},
        {"dump", "--template", "demo.ini", "a.bin", "b.bin"},
        {"dump", "--template"},
        {"insert", "--template", "demo.ini", "file.bin"},
        {"check", "--template", "demo.ini", "--verbose"},
        {"check", "--template", "demo.ini", "a.bin", "b.bin"},
    };
    for (const auto& args : wrong) {
        SCOPED_TRACE(testing::PrintToString(args));
        const auto run = cli(args);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("Usage: romquill-cli " + args[0] + " --template T"), std::string::npos)
            << run.err;
    }
    const auto unknown = cli({"check", "--template", "no-such-template.ini"});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_NE(unknown.err.find("no template 'no-such-template.ini'"), std::string::npos) << unknown.err;
}

}  // namespace
}  // namespace rq
