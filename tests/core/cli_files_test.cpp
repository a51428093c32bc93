// The verbs that work on a game file without a template: the cutscene texts of the PC executable and the
// header editors' fields.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "progressline.h"
#include "support/patchdecoder.h"
#include "support/testfiles.h"
#include "support/tool_run.h"

namespace rq {
namespace {

using namespace std::string_literals;
using test::runCli;

const std::string kNothingWritten = " Nothing was written.\n";

// --- cutscenes ---------------------------------------------------------------------------------------------

// Every text goes back as it shows, so no room is rewritten: the bytes after each zero stay. A text given as
// the file shows it is no change either, and "edition" is not read.
TEST(CliCutscenes, ADumpInsertedBackLeavesTheFileAsItWasAndChangedTextsAreWrittenPadded) {
    const test::TempDir dir;
    const std::string exe = test::writeCutsceneExecutable(dir, "0", cutscenes::Edition::E);
    const std::string original = test::readAll(exe), json = dir.file("texts.json");
    const auto dumped = test::runTool(ROMQUILL_CLI, {"cutscenes", "dump", exe});
    EXPECT_EQ(dumped.out.rfind("{\n  \"edition\": \"E\",\n  \"texts\": {\n    \"sonic[0]\": \"t0\",\n", 0),
              0u);
    EXPECT_TRUE(dumped.out.ends_with("\"playas6\": \"t109\"\n  }\n}\n")) << dumped.out;
    test::writeText(json, dumped.out);
    EXPECT_EQ(test::runTool(ROMQUILL_CLI, {"cutscenes", "insert", exe, json}).out,
              "Writing complete! 0 texts written.\n");
    EXPECT_EQ(test::readAll(exe), original);

    test::writeText(json, R"({"edition": "J", "texts": {"sonic[99]": "Hey", "tikaltxt[0]": "t100",
                                                       "playas1": "Now, you can play as AMY!"}})");
    EXPECT_EQ(runCli({"cutscenes", "insert", exe, json}).out, "Writing complete! 2 texts written.\n");
    auto expected = original;
    expected.replace(0x4790B3, 24, "Hey" + std::string(21, ' '));
    expected.replace(0x3E04FD, 29, "Now, you can play as AMY!    ");
    EXPECT_EQ(test::readAll(exe), expected);

    const auto unmarked =
        runCli({"cutscenes", "dump", test::writeCutsceneExecutable(dir, "X", cutscenes::Edition::None)});
    EXPECT_EQ(unmarked.out.rfind("{\n  \"edition\": null,\n", 0), 0u);
    EXPECT_TRUE(unmarked.out.ends_with("\"tikaltxt[3]\": \"t103\"\n  }\n}\n")) << unmarked.out;
}

TEST(CliCutscenes, EveryRefusalOfInsertLeavesTheFileUntouched) {
    const test::TempDir dir;
    const std::string exe = test::writeCutsceneExecutable(dir, "0", cutscenes::Edition::E);
    const std::string unmarked = test::writeCutsceneExecutable(dir, "X", cutscenes::Edition::None);
    const std::string cut = dir.file("cut.exe"), gba = dir.file("game.gba"), j = dir.file("texts.json");
    test::writeImage(cut, {{0, "MZ"}, {0x3C, "0"}}, 0x47B000);  // (E), ending before sonic[0]
    test::writeImage(gba, {{0x3C, "0"}}, 0x480000);
    const std::string force = " To write it all the same, give --force.\n";
    const struct {
        std::string name, file, json;
        std::string err;  // the whole of standard error, or its start when it ends without a line break
        bool force = false;
    } cases[] = {
        {"not an executable", gba, R"({"texts": {"sonic[0]": "x"}})",
         "\"" + gba +
             "\" is not a PC executable (it does not start with \"MZ\"), so it holds no cutscene texts." +
             " Nothing was written." + force},
        {"neither edition", unmarked, R"({"texts": {"sonic[1]": "ok"}})",
         "\"" + unmarked +
             "\" is neither the (E) nor the (J) edition of the game (its byte at 0x3C is 0x58), so the "
             "places of "
             "its texts are not known. Nothing was written." +
             force},
        {"not JSON", exe, R"({"texts": {)", j + " is not valid JSON: parse error at line 1"},
        {"no texts object", exe, R"({"entries": []})",
         j + " has no \"texts\" object, as cutscenes dump writes it." + kNothingWritten},
        {"text not a string", exe, R"({"texts": {"sonic[1]": "ok", "sonic[0]": null}})",
         j + ": the text of \"sonic[0]\" is not a string." + kNothingWritten},
        {"unknown key", exe, R"({"texts": {"sonic[1]": "ok", "sonic[100]": "x"}})",
         j + ": the key \"sonic[100]\" names no cutscene text." + kNothingWritten},
        {"playas without an edition", unmarked, R"({"texts": {"sonic[1]": "ok", "playas1": "x"}})",
         "Now You Can Play With..., line 1 has no place in a file that names neither edition." +
             kNothingWritten,
         true},
        {"past the end of the file", cut, R"({"texts": {"tikaltxt[0]": "ok", "sonic[0]": "x"}})",
         "Cutscene 1, line 1 lies past the end of the file ("},
        {"file missing", dir.file("missing.exe"), R"({"texts": {}})", "ROM not found!\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string before = test::readAll(c.file);
        test::writeText(j, c.json);
        const auto run = c.force ? runCli({"cutscenes", "insert", "--force", c.file, j})
                                 : runCli({"cutscenes", "insert", c.file, j});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err.substr(0, c.err.back() == '\n' ? std::string::npos : c.err.size()), c.err);
        EXPECT_EQ(test::readAll(c.file), before);
    }
    EXPECT_EQ(runCli({"cutscenes", "dump", dir.file("missing.exe")}).err, "ROM not found!\n");
    const std::string before = test::readAll(exe);
    EXPECT_EQ(runCli({"cutscenes", "insert", exe, exe}).err,
              "The texts cannot be read from \"" + exe + "\": that is the file they are written into." +
                  kNothingWritten);
    EXPECT_EQ(test::readAll(exe), before);

    test::writeText(j, R"({"texts": {"sonic[0]": "x"}})");
    EXPECT_EQ(runCli({"cutscenes", "insert", gba, j, "--force"}).out, "Writing complete! 1 text written.\n");
    EXPECT_EQ(test::readAll(gba).substr(0x47B0D5, 29), "x" + std::string(28, ' '));
}

// --- header ------------------------------------------------------------------------------------------------

// A GBA header whose title is shown short, by a zero byte. Its check byte, 0x00, is wrong: the bytes at
// 0xA0..0xBC sum to 0x5B1 ("AB" 0x83, "CDEFGHIJK" 0x27F, "AXYE" 0x137, "01" 0x61, 0x96, 0x80, 0x01), and
// -(0x5B1 + 0x19) = 0x36 (mod 256); with the maker "99" (0x72) the sum is 0x5C2 and the byte 0x25.
std::string writeGbaHeader(const test::TempDir& dir) {
    test::writeImage(dir.file("game.gba"),
                     {{0xA0, "AB\0CDEFGHIJKAXYE01\x96\0\x80"s}, {0xBC, "\x01\0"s}, {0xBE, "\xEE"}}, 0x100);
    return dir.file("game.gba");
}

// A text given as the file shows it is no change: the title's bytes after its zero stay.
TEST(CliHeader, PrintsTheFieldsAndChecksumAsJsonAndWritesOnlyChangedFieldsThenTheChecksum) {
    const test::TempDir dir;
    const std::string gba = writeGbaHeader(dir);
    std::string expected = test::readAll(gba);
    auto shown = test::runTool(ROMQUILL_CLI, {"header", gba, "--json"}).out;
    std::erase(shown, '\n');
    EXPECT_EQ(shown,
              R"({  "kind": "gba",  "fields": {    "romtitle": "AB",    "shortname": "XY",    "region": "E",)"
              R"(    "maker": "01",    "devicetype": "80",    "version": "01"  },)"
              R"(  "checksum": {    "stored": 0,    "computed": 54,    "right": false  }})");
    const auto fixed = test::runTool(
        ROMQUILL_CLI, {"header", gba, "--set", "romtitle=AB", "--set", "maker=99", "--fix-checksum"});
    EXPECT_EQ(fixed.out.rfind("Writing complete! 1 field written.\nGBA header of " + gba + "\n", 0), 0u);
    EXPECT_TRUE(fixed.out.ends_with("\n  checksum          stored 0x25, computed 0x25: right\n"))
        << fixed.out;
    expected.replace(0xB0, 2, "99")[0xBD] = '\x25';
    EXPECT_EQ(test::readAll(gba), expected);
}

TEST(CliHeader, EveryRefusalExitsOneWithItsMessageAndWritesNothing) {
    const test::TempDir dir;
    const std::string gba = writeGbaHeader(dir), cut = dir.file("cut.bin"), gb = dir.file("game.gb");
    const std::string missing = dir.file("missing.gba");
    test::writeImage(cut, {}, 0x100);
    test::writeImage(gb, {}, 0x100);
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {gba, "title=X", "A GBA header has no field \"title\"."},
        {gba, "devicetype=80", "The device type is shown only and cannot be written."},  // even as it shows
        {gba, "region=EU", "The region has room for 1 character, not the 2 of its new text."},
        {gba, "romtitle=\xE4\xB8\xAD",
         "The title: The character '\xE4\xB8\xAD' has no byte in code page 1252."},
        {gba, "romtitle=A\x1B[2J",
         "The title: The control character '\\x1B' cannot be written into a header."},
        {cut, "region=E", "\"" + cut + "\" has 256 bytes, too few to hold the checksum at 0x18E."},
        {gb, "", "\"" + gb + "\" is neither a GBA ROM (.gba) nor a Mega Drive ROM (.bin)."},
        {missing, "", "The file \"" + missing + "\" does not exist."},
    };
    // Beside each refusal a field that could be written and the checksum's fix: neither may be.
    for (const auto& [file, set, err] : cases) {
        const std::string before = test::readAll(file);
        std::vector<std::string> args = {"header", file, "--set", "maker=77", "--fix-checksum"};
        if (!set.empty()) {
            args.insert(args.end(), {"--set", set});
        }
        const auto run = runCli(args);
        EXPECT_EQ(std::tuple(run.exitCode, run.out, run.err),
                  std::tuple(1, "", err + " Nothing was written.\n"));
        EXPECT_EQ(test::readAll(file), before);
    }
}

// --- what files say, printed ---------------------------------------------------------------------------

// A header's bytes, a patch's metadata and a file's name come from whoever made the file: printed, they
// can neither command the terminal nor forge a line of the output.
TEST(CliPrinting, TextFromFilesIsPrintedWithItsControlCharactersEscaped) {
    const test::TempDir dir;
    const std::string gba = dir.file("game.gba"), bps = dir.file("p.bps"),
                      named = dir.file("\x1B[31mred.gba");
    test::writeImage(gba, {{0xA0, "A\x1B[2J\nB\x81"}}, 0x100);
    test::writeText(bps, test::bpsPatch("", "", "", "\x1B]0;owned\x07\nformat: IPS"));
    const struct {
        std::vector<std::string> args;
        std::string line;  // a line of the output
    } cases[] = {
        {{"header", gba}, "  romtitle          \"A\\x1B[2J\\nB\\x81\"\n"},
        {{"patch", "info", bps}, "\nmetadata: \\x1B]0;owned\\x07\\nformat: IPS\n"},
        // Joined by hand: on Windows the escape's backslash would start a path of its own.
        {{"identify", named}, dir.file("") + "\\x1B[31mred.gba\t"},
    };
    for (const auto& c : cases) {
        const auto run = runCli(c.args);
        EXPECT_NE(run.out.find(c.line), std::string::npos) << run.out;
        EXPECT_EQ(run.out.find('\x1B'), std::string::npos) << run.out;
    }
}

// --- patch -------------------------------------------------------------------------------------------------

// The wiring of the three patch verbs: what each prints, where warnings go, and the exit statuses.
TEST(CliPatch, CreateApplyAndInfoPrintWhatTheyDidAndExitAsTheOtherVerbs) {
    const test::TempDir dir;
    const std::string a = dir.file("a.bin"), b = dir.file("b.bin"), p = dir.file("p.bps"),
                      out = dir.file("out");
    test::writeText(a, "ABCDEFGH");
    test::writeText(b, "ABxyEFGHI");
    test::writeText(dir.file("w.ips"), "PATCH\0\0\4\0\1z\0\0\1\0\1yEOF"s);
    const struct {
        std::vector<std::string> args;
        int exitCode;
        std::string out, err;
    } cases[] = {
        {{"patch", "create", a, b, p},
         0,
         "Made \"" + p + "\": BPS patch of 26 bytes, 2 changed ranges.\n",
         ""},
        {{"patch", "create", a, b, dir.file("p.x"), "--format", "ips"},
         0,
         "Made \"" + dir.file("p.x") + "\": IPS patch of 20 bytes, 1 changed range.\n",
         ""},
        {{"patch", "create", a, b, dir.file("p.x")},
         2,
         "",
         "romquill-cli patch: the format cannot be told from \"" + dir.file("p.x") +
             "\": name it .bps or .ips, or give --format bps|ips.\n"},
        {{"patch", "apply", p, a, out}, 0, "Made \"" + out + "\" (9 bytes) with the BPS patch.\n", ""},
        {{"patch", "apply", p, b, dir.file("again")},
         1,
         "",
         "\"" + b + "\" is already patched: its CRC32 0xDBEB739B is the one the patch makes.\n"},
        {{"patch", "apply", dir.file("w.ips"), a, dir.file("w")},
         0,
         "Made \"" + dir.file("w") + "\" (8 bytes) with the IPS patch.\n",
         "warning: Record 2 (offset 0x1) comes before the record ahead of it (out of order).\n"},
        {{"patch", "info", p},
         0,
         "format: BPS\npatch size: 26 bytes\nsource size: 8 bytes\ntarget size: 9 bytes\nsource CRC32: "
         "68DCB61C\ntarget CRC32: DBEB739B\npatch CRC32: FD3C3A58 (right)\nmetadata: none\nchanged ranges: 2 "
         "(offset, length)\n0x000002 2\n0x000008 1\n",
         ""},
    };
    for (const auto& c : cases) {
        const auto run = runCli(c.args);
        // The usage error goes on with the verb's synopsis.
        EXPECT_EQ(std::tuple(run.exitCode, run.out, run.err.substr(0, c.err.size())),
                  std::tuple(c.exitCode, c.out, c.err))
            << c.args[1];
    }
    EXPECT_EQ(test::readAll(out), "ABxyEFGHI");
    EXPECT_EQ(test::readAll(dir.file("w")), "AyCDzFGH");
}

// A short job shows nothing; a long one rewrites one line on a terminal and writes a line a quarter
// elsewhere, whatever the number of reports.
TEST(CliPatch, ALongApplyTellsItsProgressWithoutFlooding) {
    constexpr std::uint64_t kLong = cli::ProgressLine::kShownFrom;  // 64 MiB
    const struct {
        std::string name;
        bool terminal;
        std::uint64_t total;
        std::string err;
    } rows[] = {
        {"short", true, kLong - 1, ""},
        {"terminal", true, kLong,
         "\rL: 0% of 64 MiB\rL: 33% of 64 MiB\rL: 66% of 64 MiB\rL: 100% of 64 MiB\n"},
        {"log", false, kLong, "L: 25% of 64 MiB\nL: 50% of 64 MiB\nL: 100% of 64 MiB\n"},
    };
    for (const auto& row : rows) {
        std::ostringstream err;
        cli::ProgressLine line(err, "L", row.terminal);
        for (const std::uint64_t done :
             {std::uint64_t{0}, row.total / 3, row.total / 3, row.total * 2 / 3, row.total}) {
            EXPECT_TRUE(line.tell(done, row.total));
        }
        line.finish();
        EXPECT_EQ(err.str(), row.err) << row.name;
    }

    // An IPS patch of 8 KiB of runs, each over the one before (which it warns of after the progress), that
    // writes 64 MiB.
    const test::TempDir dir;
    std::string runs = "PATCH";
    for (int i = 0; i < 1030; ++i) {
        runs += "\0\0\0\0\0\xFF\xFFr"s;
    }
    test::writeText(dir.file("runs.ips"), runs + "EOF");
    test::writeText(dir.file("a.bin"), "ABCDEFGH");
    const auto applied = runCli({"patch", "apply", dir.file("runs.ips"), dir.file("a.bin"), dir.file("out")});
    EXPECT_EQ(applied.out, "Made \"" + dir.file("out") + "\" (65535 bytes) with the IPS patch.\n");
    const std::string progress =
        "Applying the patch: 25% of 64 MiB\nApplying the patch: 50% of 64 MiB\n"
        "Applying the patch: 75% of 64 MiB\nApplying the patch: 100% of 64 MiB\nwarning: ";
    EXPECT_EQ(applied.err.substr(0, progress.size()), progress);
}

}  // namespace
}  // namespace rq
