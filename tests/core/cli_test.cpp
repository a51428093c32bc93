#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "exchange/jsontexts.h"
#include "files/filehandle.h"
#include "files/safewrite.h"
#include "support/testfiles.h"
#include "support/tool_run.h"

namespace rq {
namespace {

using namespace std::string_literals;
using test::runCli;

// A Mega Drive image with this product code.
std::string megaDrive(const test::TempDir& dir, const std::string& name, const std::string& code) {
    test::writeImage(dir.file(name), {{0x100, "SEGA MEGA DRIVE "}, {0x180, "GM " + code}});
    return dir.file(name);
}

TEST(CliIdentify, PrintsEachGameRefusalOrErrorOnItsOwnLineAndExitsOneWhenAnyIsRefused) {
    const test::TempDir dir;
    std::filesystem::create_directory(dir.file("folder.bin"));
    const std::vector<std::string> files = {
        megaDrive(dir, "known.bin", "00001051-01"), dir.file("missing.bin"), dir.file("folder.bin"),
        megaDrive(dir, "other.bin", "MK-9999 -00"), megaDrive(dir, "sonic1.bin", "00004049-01")};
    const auto run = runCli({"identify", files[0], files[1], files[2], files[3], files[4]});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, files[0] + "\tSonic The Hedgehog 2\n" + files[1] + "\tThe file \"" + files[1] +
                           "\" does not exist.\n" + files[2] + "\t\"" + files[2] +
                           "\" is not a regular file.\n" + files[3] +
                           "\tThis Megadrive ROM is not supported.\n" + files[4] + "\t\n");
    EXPECT_EQ(runCli({"identify", files[0]}).exitCode, 0);
}

// The real program, given names and values outside ASCII and outside code page 1252: Windows passes them in
// the ANSI code page unless the manifest asks for UTF-8.
TEST(CliIdentify, NamesAndValuesOutsideAsciiReachTheProgramAsTyped) {
    const test::TempDir dir;
    const std::string cafe = megaDrive(dir, "caf\xC3\xA9.bin", "00001051-01"),
                      omega = megaDrive(dir, "\xCE\xA9mega.bin", "00001051-01"), ini = dir.file("t.ini");
    const auto identified = test::runTool(ROMQUILL_CLI, {"identify", cafe, omega});
    EXPECT_EQ(identified.err, "");
    EXPECT_EQ(identified.out, cafe + "\tSonic The Hedgehog 2\n" + omega + "\tSonic The Hedgehog 2\n");
    test::writeText(ini, "[s]\n");
    EXPECT_EQ(test::runTool(ROMQUILL_CLI, {"ini", ini, "s", "k",
                                           "d\xC3\xA9"
                                           "faut"})
                  .out,
              "d\xC3\xA9"
              "faut\n");
#ifdef _WIN32
    EXPECT_EQ(GetACP(), static_cast<UINT>(CP_UTF8)) << "the manifest of the test program itself";
#endif
}

// Files whose reads fail: the process's own memory, whose first pages are never mapped.
TEST(CliIdentify, AFileThatCannotBeReadGivesTheReadFailureBeforeTheRefusal) {
#ifdef _WIN32
    GTEST_SKIP() << "needs /proc/self/mem, which opens but cannot be read";
#endif
    const test::TempDir dir;
    const std::string bin = dir.file("locked.bin"), multiBoot = dir.file("locked.mb");
    for (const auto& name : {bin, multiBoot}) {
        std::filesystem::create_symlink("/proc/self/mem", name);
    }
    const auto run = runCli({"identify", bin, multiBoot});
    EXPECT_EQ(run.exitCode, 1);
    // A MultiBoot image has no validity test: its first read is the title.
    EXPECT_EQ(run.out, bin + "\tROM not found! This is not a valid Megadrive ROM.\n" + multiBoot +
                           "\tROM not found! This MultiBoot GameBoy Advance ROM is not supported.\n");
}

// Another program (an emulator) holding the file without sharing it: said so, with the system's reason, in
// place of "ROM not found!" or a missing file.
TEST(CliIdentify, AFileInUseByAnotherProgramSaysSo) {
#ifndef _WIN32
    GTEST_SKIP() << "only Windows lets a program keep others out of a file";
#else
    const test::TempDir dir;
    const std::string gba = dir.file("held.gba");
    test::writeImage(gba, {}, 0x200);
    HANDLE held = CreateFileW(fsPath(gba).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const std::string inUse = "The file \"" + gba +
                              "\" is in use by another program: " + systemReason(ERROR_SHARING_VIOLATION) +
                              ".";
    EXPECT_EQ(runCli({"identify", gba}).out, gba + "\t" + inUse + "\n");
    const std::vector<RoomWrite> rooms = {{0, "x", "one"}};
    const auto written = writeRooms(gba, rooms);
    EXPECT_EQ(written.ok() ? "" : written.error(), inUse + " Nothing was written.");
    CloseHandle(held);
#endif
}

// --- Help and usage ----------------------------------------------------------------------------------------

const std::vector<std::string> kUsages = {"identify FILE...",
                                          "ini FILE SECTION KEY [DEFAULT]",
                                          "dump --template T [--program-folder DIR] FILE",
                                          "insert --template T [--program-folder DIR] FILE TEXTS.json",
                                          "check --template T [--program-folder DIR] [FILE]",
                                          "cutscenes (dump FILE | insert [--force] FILE TEXTS.json)",
                                          "header FILE [--json] [--set CONTROL=TEXT]... [--fix-checksum]"};

TEST(CliHelp, ListsEveryVerbAndEachVerbExplainsItselfWithoutRunning) {
    const auto top = runCli({"--help"});
    EXPECT_EQ(top.exitCode, 0);
    EXPECT_EQ(runCli({"-h"}).out, top.out);
    for (const auto& usage : kUsages) {
        SCOPED_TRACE(usage);
        EXPECT_NE(top.out.find("  romquill-cli " + usage + "\n"), std::string::npos) << top.out;
        // The file does not exist: asking for help must not try to read it.
        const auto help = runCli({usage.substr(0, usage.find(' ')), "/no/such/file.bin", "--help"});
        EXPECT_EQ(help.exitCode, 0);
        EXPECT_EQ(help.out.rfind("Usage: romquill-cli " + usage + "\n", 0), 0u) << help.out;
        EXPECT_EQ(help.out.find("/no/such/file.bin"), std::string::npos);
    }
}

TEST(CliUsage, WrongArgumentsExitTwoWithTheVerbsUsageOnStandardError) {
    const std::vector<std::vector<std::string>> cases = {
        {"frobnicate"},
        {"identify"},
        {"ini", "file.ini", "section", "key", "default", "extra"},
        {"dump", "file.bin"},
        {"dump", "--template"},
        {"insert", "--template", "demo.ini", "file.bin"},
        {"check", "--template", "demo.ini", "--verbose"},
        {"cutscenes", "dump"},
        {"cutscenes", "insert", "sonic.exe", "--all"},
        {"cutscenes", "dump", "--force", "sonic.exe"},
        {"header"},
        {"header", "a.gba", "--set", "romtitle"},
        {"header", "a.gba", "b.gba"},
    };
    for (const auto& args : cases) {
        SCOPED_TRACE(testing::PrintToString(args));
        const auto run = runCli(args);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.out, "");
        std::string usage = "COMMAND [ARGUMENTS]";
        for (const auto& verbUsage : kUsages) {
            usage = verbUsage.starts_with(args[0] + " ") ? verbUsage : usage;
        }
        EXPECT_NE(run.err.find("Usage: romquill-cli " + usage + "\n"), std::string::npos) << run.err;
    }
    const auto unknown = runCli({"check", "--template", "no-such-template.ini"});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_NE(unknown.err.find("no template 'no-such-template.ini'"), std::string::npos) << unknown.err;
}

// --- ini ---------------------------------------------------------------------------------------------------

TEST(CliIni, PrintsTheValueAsUtf8OrElseTheDefault) {
    const test::TempDir dir;
    const auto ini = dir.file("loader.ini");
    test::writeText(ini,
                    "[gamenames]\r\nSonic && Knuckles=sonic-knuckles.ini\r\nCaf\xE9=Caf\xE9 au lait\r\n");
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{ini, "gamenames", "Sonic && Knuckles", "<error>"}, "sonic-knuckles.ini\n"},
        // Code-page bytes come out as UTF-8, and a UTF-8 key finds them.
        {{ini, "gamenames", "Caf\xC3\xA9"}, "Caf\xC3\xA9 au lait\n"},
        {{dir.file("missing.ini"), "gamenames", "Sonic && Knuckles", "0"}, "0\n"},
        {{ini, "gamenames", "Sonic Unknown"}, "\n"},
    };
    for (auto [args, out] : cases) {
        SCOPED_TRACE(testing::PrintToString(args));
        args.insert(args.begin(), "ini");
        const auto run = runCli(args);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.out, out);
    }
}

// --- dump, insert and check ---------------------------------------------------------------------------

// The build lays plugins/ and gfx/ beside the tool: the program folder it uses by default.
std::string buildProgramFolder() {
    return std::filesystem::path(ROMQUILL_CLI).parent_path().string();
}

// A verb run in-process on the build's program folder.
test::ToolRun cli(std::vector<std::string> args, std::ostream* out = nullptr) {
    args.insert(args.begin() + 1, {"--program-folder", buildProgramFolder()});
    return test::runCli(args, out);
}

const std::string kNothingWritten = " Nothing was written.\n";
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

    test::ToolRun dump() const { return cli({"dump", "--template", "demo.ini", m_demo}); }

    test::ToolRun insert(const std::string& json, const std::string& into = {}) const {
        test::writeText(m_json, json);
        return cli({"insert", "--template", "demo.ini", into.empty() ? m_demo : into, m_json});
    }

    test::TempDir m_dir;
    std::string m_demo = m_dir.file("demo.bin");
    std::string m_json = m_dir.file("texts.json");
    std::string m_original;
};

TEST_F(CliDemo, DumpPrintsEveryEntryAsTheGoldenFileHolds) {
    // A valid Mega Drive image of no known game: the launcher refuses it, and the chooser opens at once.
    EXPECT_EQ(test::runCli({"identify", m_demo}).out, m_demo + "\tThis Megadrive ROM is not supported.\n");
    auto golden =
        test::readAll((std::filesystem::path(__FILE__).parent_path() / "golden" / "demo-dump.json").string());
    std::string demoTemplate = buildProgramFolder() + "/plugins/games/demo.ini";
#ifdef _WIN32
    // The program names its own folder with a drive and native separators, escaped in JSON.
    const std::string native = pathText(std::filesystem::absolute(fsPath(demoTemplate)));
    demoTemplate.clear();
    for (const char c : native) {
        demoTemplate += c == '\\' ? "\\\\" : std::string(1, c);
    }
#endif
    const std::string_view placeholder = "PROGRAM_FOLDER/plugins/games/demo.ini";
    golden.replace(golden.find(placeholder), placeholder.size(), demoTemplate);

    // The real program, run where the file lies, finds its program folder by itself.
    const auto run =
        test::runTool(ROMQUILL_CLI, {"dump", "--template", "demo.ini", "demo.bin"}, m_dir.path().string());
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, golden);
    EXPECT_EQ(cli({"check", "--template", "demo.ini", m_demo}).out, "no problems\n");
}

TEST_F(CliDemo, InsertWritesOnlyTheGivenEntriesPadded) {
    const auto unchanged = insert(dump().out);
    EXPECT_EQ(unchanged.exitCode, 0) << unchanged.err;
    EXPECT_EQ(unchanged.out, "Writing complete! 0 entries written.\n");
    EXPECT_EQ(test::readAll(m_demo), m_original);

    ASSERT_EQ(insert(R"({"entries": [{"entry": 2, "text": "Push Start"}, {"entry": 8, "text": "Hi = 2!"}]})")
                  .exitCode,
              0);
    // Menu: one byte a character, space 00; dialogue: two bytes, space 8000, "=" 8407.
    auto expected = m_original;
    expected.replace(0x210, 12, "\x10\x2F\x2D\x22\x00\x13\x2E\x1B\x2C\x2E\x00\x00"s);
    std::string farewell = "\x81\x08\x82\x09\x80\x00\x84\x07\x80\x00\x83\x02\x84\x01"s;
    for (int pad = 0; pad < 13; ++pad) {
        farewell += "\x80\x00"s;
    }
    expected.replace(0x2B8, 40, farewell);
    EXPECT_EQ(test::readAll(m_demo), expected);
}

TEST_F(CliDemo, EveryRefusalOfInsertLeavesTheFileUntouched) {
    struct Case {
        std::string name;
        std::string json;
        std::string err;      // the whole of standard error, or its start when it ends without a line break
        std::string input{};  // when given, the JSON input in place of a file holding json
    };
    const std::string& j = m_json;
    const std::string fifo = m_dir.file("pipe.json"), big = m_dir.file("big.json");
#ifndef _WIN32
    ASSERT_TRUE(test::makeFifo(fifo));
#endif
    test::writeImage(big, {}, kJsonTextsByteLimit + 1);
    const auto notAFile = [](const std::string& path) { return '"' + path + "\" is not a regular file."; };
    const std::vector<Case> cases = {
        {"no file", "", "The file \"" + j + "\" does not exist." + kNothingWritten, j},
#ifndef _WIN32
        {"FIFO", "", notAFile(fifo) + kNothingWritten, fifo},
#endif
        {"folder", "", notAFile(m_dir.path().string()) + kNothingWritten, m_dir.path().string()},
        {"over the size limit", "",
         '"' + big + "\" has 67108865 bytes; files of more than 67108864 bytes are not read." +
             kNothingWritten,
         big},
        {"number overflow", R"({"entries": [{"entry": 1e999999999, "text": "x"}]})",
         j + " cannot be read: number overflow parsing '1e999999999'." + kNothingWritten},
        {"too many values", "{\"entries\": " + std::string(kJsonTextsValueLimit, '['),
         j + " holds more than 262144 JSON values, more than any template's texts need." + kNothingWritten},
        {"key twice", R"({"entries": [{"entry": 2, "text": "A", "text": "B"}]})",
         j + ": the key \"text\" is given twice in one object." + kNothingWritten},
        {"not JSON", "{\"entries\": [", j + " is not valid JSON: parse error at line 1"},
        {"no entries array", R"({"entries": 3})",
         j + " has no \"entries\" array, as dump writes it." + kNothingWritten},
        {"entry the template lacks", R"({"entries": [{"entry": 9, "text": "x"}]})",
         j + ": the template has no entry 9 (it has 8)." + kNothingWritten},
        {"entry past 64 bits", R"({"entries": [{"entry": 18446744073709551615, "text": "x"}]})",
         j + ": the template has no entry 18446744073709551615 (it has 8)." + kNothingWritten},
        {"entry as text", R"({"entries": [{"entry": "2", "text": "x"}]})",
         j + ": every item of \"entries\" needs a whole number \"entry\" and a string \"text\"." +
             kNothingWritten},
        {"entry twice", R"({"entries": [{"entry": 2, "text": "A"}, {"entry": 2, "text": "B"}]})",
         j + ": entry 2 is given twice." + kNothingWritten},
        {"longer than the limit",
         R"({"entries": [{"entry": 2, "text": "Press Start!"}, {"entry": 3, "text": "Options menu!"}]})",
         "Entry 3 (\"Options menu\") has room for 12 characters, not the 13 of its new text." +
             kNothingWritten},
        // Twelve characters in fourteen bytes: the limit counts characters.
        {"no save code, UTF-8 both ways", R"({"entries": [{"entry": 2, "text": "café au lait"}]})",
         "Entry 2 (\"Start prompt\"): The character 'é' in the string 'café au lait" + kInvalidTail},
        {"game file missing", R"({"entries": []})", "ROM not found!\n"},
        {"texts from the game file", "",
         "The texts cannot be read from \"" + m_demo + "\": that is the file they are written into." +
             kNothingWritten,
         m_demo},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(m_json);
        const bool missingGame = c.name == "game file missing";
        const auto run = test::withoutBlocking(fifo, [&] {
            return !c.input.empty() ? cli({"insert", "--template", "demo.ini", m_demo, c.input})
                                    : insert(c.json, missingGame ? m_dir.path().string() : m_demo);
        });
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err.substr(0, c.err.back() == '\n' ? std::string::npos : c.err.size()), c.err);
        EXPECT_EQ(test::readAll(m_demo), m_original);
    }
    EXPECT_EQ(cli({"dump", "--template", "demo.ini", m_dir.file("missing.bin")}).err, "ROM not found!\n");
}

TEST_F(CliDemo, AnInterruptedInsertIsRefusedUntilRecoverPutsEveryByteBack) {
    setWriteFaults({nullptr, 2});
    const std::string json = R"({"entries": [{"entry": 1, "text": "A"}, {"entry": 2, "text": "B"}]})";
    EXPECT_EQ(insert(json).exitCode, 1);
    setWriteFaults({});
    const auto refused = insert(json);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("was interrupted"), std::string::npos) << refused.err;
    EXPECT_NE(test::readAll(m_demo), m_original);
    const std::string undo = test::readAll(undoPath(m_demo));
    test::writeText(undoPath(m_demo), undo + "x");
    const auto damaged = test::runCli({"recover", m_demo});
    EXPECT_EQ(damaged.exitCode, 1);
    EXPECT_NE(damaged.err.find("is damaged"), std::string::npos) << damaged.err;
    test::writeText(undoPath(m_demo), undo);

    const std::vector<std::pair<std::vector<std::string>, int>> runs = {
        {{"recover", m_demo}, 0}, {{"recover", m_demo}, 1}, {{"recover", "--discard"}, 2}};
    for (const auto& [args, exitCode] : runs) {
        EXPECT_EQ(test::runCli(args).exitCode, exitCode) << args.back();
    }
    EXPECT_EQ(test::readAll(m_demo), m_original);
}

// Output lost to a full disk or a closed pipe is a failure, for a verb's output and the program's own alike.
TEST_F(CliDemo, OutputThatCannotBeWrittenFailsTheRun) {
    std::ostream unwritable(nullptr);
    for (const auto& run : {cli({"dump", "--template", "demo.ini", m_demo}, &unwritable),
                            test::runCli({"--version"}, &unwritable)}) {
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.err, "romquill-cli: the output could not be written.\n");
    }
}

// The real program: texts piped to "-", and a dump to a full disk, told with the system's reason.
TEST_F(CliDemo, TheProgramTakesTextsFromStandardInputAndFailsOnAFullDisk) {
    test::writeText(m_json, R"({"entries": [{"entry": 2, "text": "Push"}]})");
#ifdef _WIN32
    const auto piped = test::runTool(ROMQUILL_CLI, {"insert", "--template", "demo.ini", "demo.bin", "-"},
                                     m_dir.file(""), m_json);
#else
    const std::string program = test::quotedForShell(ROMQUILL_CLI), folder = m_dir.path().string();
    const auto piped = test::runTool(
        "sh", {"-c", "cat texts.json | " + program + " insert --template demo.ini demo.bin -"}, folder);
#endif
    EXPECT_EQ(piped.exitCode, 0) << piped.err;
    EXPECT_EQ(test::readAll(m_demo).substr(0x210, 5), "\x10\x2F\x2D\x22\x00"s);
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no full device like /dev/full";
#else
    const auto full =
        test::runTool("sh", {"-c", program + " dump --template demo.ini demo.bin >/dev/full"}, folder);
    EXPECT_EQ(full.exitCode, 1);
    EXPECT_EQ(full.err, "romquill-cli: standard output: No space left on device.\n");
#endif
}

// Templates and alphabets of a program folder of the test's own, given with --program-folder.
class CliOwnFolder : public testing::Test {
  protected:
    void write(const std::string& relative, const std::string& text) const {
        test::writeText(m_dir.file(relative), text);
    }
    [[nodiscard]] test::ToolRun run(std::vector<std::string> args) const {
        args.insert(args.begin() + 1, {"--program-folder", m_dir.file("")});
        auto ran = test::runCli(args);
        ran.out = shortened(ran.out);
        ran.err = shortened(ran.err);
        return ran;
    }
    // The test's folder as "F", so the expected lines read as the tool prints them; they are written with
    // '/', which stands for Windows' '\\' too.
    [[nodiscard]] std::string shortened(std::string text) const {
        const std::string folder = m_dir.file("");
        for (auto at = text.find(folder); at != std::string::npos; at = text.find(folder, at)) {
            text.replace(at, folder.size(), "F/");
        }
#ifdef _WIN32
        std::replace(text.begin(), text.end(), '\\', '/');
#endif
        return text;
    }

    test::TempDir m_dir;
    std::string m_game = m_dir.file("game.bin");
};

TEST_F(CliOwnFolder, AnAlphabetWithAnAccentedNameIsFound) {
    write("plugins/alphabets/caf\xC3\xA9.ini", "[AlphabetAndFileInfo]\nCharLength=1\n[Load]\n41=A\n");
    write("plugins/games/t.ini",
          "[TextFormattingSystem]\nNumberOfEntries=1\nOne=caf\xE9.ini\n"
          "[entry1]\nTextFormat=One\nLength=2\nHexLocation=0\n");
    test::writeImage(m_game, {{0, "AA"}});
    const auto dumped = run({"dump", "--template", "t.ini", m_game});
    EXPECT_EQ(dumped.exitCode, 0) << dumped.err;
    EXPECT_NE(dumped.out.find("\"text\": \"AA\""), std::string::npos) << dumped.out;
}

TEST_F(CliOwnFolder, CheckListsEveryProblemOnALineOfItsOwn) {
    write("plugins/alphabets/wide.ini",
          "[AlphabetAndFileInfo]\nCharLength=2\n[save]\nA=123\n_a=0041\nA=ff\n");
    write("plugins/alphabets/old.ini", "[AlphabetAndFileInfo]\n[save]\nA=12\n");
    write("plugins/alphabets/none.ini", "[AlphabetAndFileInfo]\nCharLength=0\n");
    const std::string templatePath = m_dir.file("elsewhere/broken.ini");
    write("elsewhere/broken.ini",
          "[TextFormattingSystem]\nNumberOfEntries=5\nW=wide.ini\nO=old.ini\nM=missing.ini\n"
          "[entry1]\nTextFormat=W\nLength=7\nHexLocation=10\n"
          "[entry2]\nTextFormat=W\nLength=-1\nHexLocation=zz\n"
          "[entry3]\nTextFormat=O\nLength=4\nHexLocation=12\n"
          "[entry4]\nTextFormat=M\nLength=4\n"
          "[entry5]\nTextFormat=X\nLength=4\nHexLocation=3E\n");
    test::writeImage(m_game, {}, 0x40);

    const auto checked = run({"check", "--template", templatePath, m_game});

    EXPECT_EQ(checked.exitCode, 1);
    EXPECT_EQ(checked.out,
              R"(F/plugins/alphabets/wide.ini: [save] A = "123" is not a string of hexadecimal digit pairs
F/elsewhere/broken.ini: [entry1] Length = "7" is not a whole multiple of the alphabet's CharLength 2
F/elsewhere/broken.ini: [entry2] Length = "-1" is not a size from 0 to 32767 bytes
F/elsewhere/broken.ini: [entry2] HexLocation = "zz" is not a hexadecimal offset from 0 to 7FFFFFFF
F/plugins/alphabets/old.ini: [AlphabetAndFileInfo] CharLength is missing, which marks an alphabet older than version 0.9: the editor refuses it
F/elsewhere/broken.ini: [TextFormattingSystem] M = "missing.ini" names the alphabet F/plugins/alphabets/missing.ini, which cannot be read
F/elsewhere/broken.ini: [entry4] HexLocation is missing
F/elsewhere/broken.ini: [entry5] TextFormat = "X" names no key of [TextFormattingSystem], so the entry has no alphabet
F/elsewhere/broken.ini: [entry5] HexLocation = "3E" puts the entry's room (bytes 0x3E to 0x41) past the end of F/game.bin, which has 64 bytes
F/elsewhere/broken.ini: [entry1] HexLocation = "10" puts the entry's room (bytes 0x10 to 0x16) over the room of entry3 (bytes 0x12 to 0x15)
)");
}

TEST_F(CliOwnFolder, InsertNeverWritesIntoItsTemplate) {
    write("plugins/alphabets/one.ini", "[AlphabetAndFileInfo]\nCharLength=1\n[Load]\n41=A\n[save]\nA=41\n");
    write("plugins/games/self.ini",
          "[TextFormattingSystem]\nNumberOfEntries=1\nOne=one.ini\n"
          "[entry1]\nTextFormat=One\nLength=1\nHexLocation=0\n");
    write("texts.json", R"({"entries": [{"entry": 1, "text": "A"}]})");
    const std::string self = m_dir.file("plugins/games/self.ini"), before = test::readAll(self);
    const auto refused = run({"insert", "--template", "self.ini", self, m_dir.file("texts.json")});
    EXPECT_EQ(refused.err,
              "The template cannot be \"F/plugins/games/self.ini\": that is the file the texts are "
              "written into. Nothing was written.\n");
    EXPECT_EQ(test::readAll(self), before);
}

TEST_F(CliOwnFolder, DumpAndInsertRefuseABrokenTemplateWithItsMessageAndWriteNothing) {
    write("plugins/alphabets/one.ini", "[AlphabetAndFileInfo]\nCharLength=1\n[Load]\n41=A\n[save]\nA=41\n");
    write("plugins/alphabets/old.ini", "[Load]\n41=A\n");
    write("plugins/games/old.ini",
          "[TextFormattingSystem]\nNumberOfEntries=1\nOld=old.ini\n"
          "[entry1]\nTextFormat=Old\nLength=1\nHexLocation=0\n");
    // A UTF-8 path beside a code-page value: both must come out as UTF-8.
    write("plugins/games/caf\xC3\xA9.ini",
          "[TextFormattingSystem]\nNumberOfEntries=1\nOne=one.ini\n"
          "[entry1]\nTextFormat=One\nLength=t\xE9n\nHexLocation=0\n");
    test::writeImage(m_game, {{0, "AAAA"}});
    write("texts.json", R"({"entries": []})");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"caf\xC3\xA9.ini",
         "The template F/plugins/games/caf\xC3\xA9.ini cannot be used: in section [entry1] the key Length "
         "has the value \"t\xC3\xA9n\", which is not a size from 0 to 32767 bytes.\n"},
        {"old.ini",
         "Pre-RQL 0.9 Alphabet file detected, refusing the template to avoid errors. Please check template "
         "F/plugins/alphabets/old.ini for the field 'AlphabetAndFileInfo --> CharLength'.\n"},
    };
    for (const auto& [name, err] : cases) {
        for (const auto& args :
             {std::vector<std::string>{"dump", "--template", name, m_game},
              std::vector<std::string>{"insert", "--template", name, m_game, m_dir.file("texts.json")}}) {
            SCOPED_TRACE(args[0] + " " + name);
            const auto refused = run(args);
            EXPECT_EQ(refused.exitCode, 1);
            EXPECT_EQ(refused.out, "");
            EXPECT_EQ(refused.err, err);
            EXPECT_EQ(test::readAll(m_game), "AAAA");
        }
    }
}

}  // namespace
}  // namespace rq
