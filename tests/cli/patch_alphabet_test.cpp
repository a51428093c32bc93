// The verbs that make new files (patches, patched files, alphabets), what files say when printed, and "-"
// as standard input and output for every verb that reads or writes files.

#include <sstream>
#include <string>
#include <vector>

#include "cli_fixture.h"
#include "progressline.h"
#include "support/patchdecoder.h"

namespace rq {
namespace {

using namespace std::string_literals;
using test::runCli;

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

// The wiring of the three patch verbs: what each prints, where warnings go, and the exit statuses.
TEST(CliPatch, CreateApplyAndInfoPrintWhatTheyDidAndExitAsTheOtherVerbs) {
    const test::TempDir dir;
    const std::string a = dir.file("a.bin"), b = dir.file("b.bin"), p = dir.file("p.bps"),
                      out = dir.file("out"), ips = dir.file("w.ips");
    test::writeText(a, "ABCDEFGH");
    test::writeText(b, "ABxyEFGHI");
    test::writeText(ips, "PATCH\0\0\4\0\1z\0\0\1\0\1yEOF"s);
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
         "romquill-cli: the format cannot be told from \"" + dir.file("p.x") +
             "\": name it .bps or .ips, or give --format bps|ips.\nUsage: romquill-cli patch "},
        {{"patch", "apply", p, a, out}, 0, "Made \"" + out + "\" (9 bytes) with the BPS patch.\n", ""},
        {{"patch", "apply", p, b, dir.file("again")},
         1,
         "",
         "romquill-cli: \"" + b +
             "\" is already patched: its CRC32 0xDBEB739B is the one the patch makes.\n"},
        {{"patch", "apply", ips, a, dir.file("w")},
         0,
         "Made \"" + dir.file("w") + "\" (8 bytes) with the IPS patch.\n",
         "romquill-cli: warning: \"" + ips +
             "\": Record 2 (offset 0x1) comes before the record ahead of it (out "
             "of order).\n"},
        {{"patch", "info", p},
         0,
         "format: BPS\npatch size: 26 bytes\nsource size: 8 bytes\ntarget size: 9 bytes\nsource CRC32: "
         "68DCB61C\ntarget CRC32: DBEB739B\npatch CRC32: FD3C3A58 (right)\nmetadata: none\nchanged ranges: 2 "
         "(offset, length)\n0x000002 2\n0x000008 1\n",
         ""},
    };
    for (const auto& c : cases) {
        const auto run = runCli(c.args);
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
        "Applying the patch: 75% of 64 MiB\nApplying the patch: 100% of 64 MiB\nromquill-cli: warning: ";
    EXPECT_EQ(applied.err.substr(0, progress.size()), progress);
}

struct StreamRow {
    std::string name;
    std::vector<std::string> args;  // "@A", "@DEMO", ... stand for the files the test makes
    std::string input;              // standard input: a file's bytes for "@A", ...
    int exitCode;
    std::string out;  // a part of standard output, or all of it when the row says so
    std::string err;  // the start of standard error
    bool wholeOut = false;
};

class CliStandardStreams : public test::CliDemoRows<StreamRow> {
  protected:
    [[nodiscard]] std::string path(const std::string& token) const {
        const std::vector<std::pair<std::string, std::string>> files = {{"@A", "a.bin"}, {"@B", "b.bin"},
                                                                        {"@P", "p.bps"}, {"@TBL", "t.tbl"},
                                                                        {"@OUT", "out"}, {"@J", "j.json"}};
        for (const auto& [name, file] : files) {
            if (token == name) {
                return m_dir.file(file);
            }
        }
        return token == "@DEMO" ? m_demo : token == "@FOLDER" ? test::buildProgramFolder() : token;
    }
    [[nodiscard]] std::string filled(std::string text) const {
        for (const std::string token : {"@A", "@B", "@P", "@TBL", "@OUT", "@J", "@DEMO"}) {
            for (auto at = text.find(token); at != std::string::npos; at = text.find(token, at + 1)) {
                text.replace(at, token.size(), path(token));
            }
        }
        return text;
    }
};

// "-" is standard input for every file a verb reads and standard output for every file it makes; a verb that
// fails, or a file written in place, puts nothing on standard output.
TEST_P(CliStandardStreams, StandForTheFilesGivenAsADash) {
    test::writeText(path("@A"), "ABCDEFGH");
    test::writeText(path("@B"), "ABxyEFGHI");
    test::writeText(path("@TBL"), "41=A\n/FF=[END]\n");
    ASSERT_EQ(runCli({"patch", "create", path("@A"), path("@B"), path("@P")}).exitCode, 0);
    const StreamRow& row = GetParam();
    std::vector<std::string> args;
    for (const auto& arg : row.args) {
        args.push_back(path(arg));
    }
    const auto run =
        runCli(args, nullptr, row.input.starts_with('@') ? test::readAll(path(row.input)) : row.input);
    EXPECT_EQ(run.exitCode, row.exitCode) << run.err;
    if (row.wholeOut) {
        EXPECT_EQ(run.out, filled(row.out));
    } else {
        EXPECT_NE(run.out.find(filled(row.out)), std::string::npos) << run.out;
    }
    EXPECT_EQ(run.err.substr(0, filled(row.err).size()), filled(row.err));
}

const std::string kInPlace =
    "romquill-cli: \"-\": standard input cannot be written in place: give FILE as a file's name. Nothing was "
    "written.\n";

INSTANTIATE_TEST_SUITE_P(
    Rows, CliStandardStreams,
    testing::Values(
        // A file is identified by its extension, which standard input has none of.
        StreamRow{"Identify",
                  {"identify", "-"},
                  "@DEMO",
                  1,
                  "-\tThis type of file is not supported by RQL.\n",
                  "",
                  true},
        StreamRow{"Ini", {"ini", "-", "s", "k"}, "[s]\nk=v\n", 0, "v\n", "", true},
        StreamRow{"Dump",
                  {"dump", "--program-folder", "@FOLDER", "--template", "demo.ini", "-"},
                  "@DEMO",
                  0,
                  "  \"file\": \"-\",\n  \"entries\": [\n    {\n      \"entry\": 1,",
                  ""},
        StreamRow{"Check",
                  {"check", "--program-folder", "@FOLDER", "--template", "demo.ini", "-"},
                  "x",
                  1,
                  " past the end of standard input, which has 1 byte",
                  ""},
        StreamRow{"TableIn",
                  {"alphabet", "from-tbl", "-", "@OUT"},
                  "41=A\n",
                  0,
                  "Wrote @OUT: 1 code of 1 byte, 0 lines not carried as they stand.\n",
                  "",
                  true},
        StreamRow{"AlphabetOut",
                  {"alphabet", "from-tbl", "@TBL", "-"},
                  "",
                  0,
                  "[AlphabetAndFileInfo]\nCharLength=1\n",
                  "romquill-cli: warning: @TBL:2: an end token: an alphabet has none\n"},
        StreamRow{"AlphabetIn",
                  {"alphabet", "to-tbl", "-"},
                  "[AlphabetAndFileInfo]\nCharLength=1\n[Load]\n41=A\n[save]\nA=41\n",
                  0,
                  "41=A\n",
                  "",
                  true},
        StreamRow{"AlphabetCheck",
                  {"alphabet", "check", "-"},
                  "[AlphabetAndFileInfo]\nCharLength=1\n[Load]\n4=C\n",
                  1,
                  "standard input: [Load] 4 = \"C\" is not a code of 1 byte",
                  ""},
        StreamRow{"PatchOut", {"patch", "create", "@A", "@B", "-", "--format=bps"}, "", 0, "BPS1", "", false},
        StreamRow{"PatchIn", {"patch", "apply", "-", "@A", "-"}, "@P", 0, "ABxyEFGHI", "", true},
        StreamRow{"FileToPatchIn",
                  {"patch", "apply", "@P", "-", "@OUT"},
                  "@A",
                  0,
                  "Made \"@OUT\" (9 bytes) with the BPS patch.\n",
                  "",
                  true},
        StreamRow{"PatchInfo", {"patch", "info", "-"}, "@P", 0, "format: BPS\npatch size: 26 bytes\n", ""},
        StreamRow{
            "AFailedApplyWritesNothing",
            {"patch", "apply", "@P", "-", "-"},
            "@B",
            1,
            "",
            "romquill-cli: standard input is already patched: its CRC32 0xDBEB739B is the one the patch "
            "makes.\n",
            true},
        StreamRow{"ReadOnce",
                  {"patch", "create", "-", "-", "@OUT", "--format", "ips"},
                  "x",
                  1,
                  "",
                  "romquill-cli: Standard input is given twice as \"-\"; it can be read only once.\n",
                  true},
        StreamRow{
            "InsertInPlace", {"insert", "--template", "demo.ini", "-", "@J"}, "", 1, "", kInPlace, true},
        StreamRow{"CutscenesInPlace", {"cutscenes", "insert", "-", "@J"}, "", 1, "", kInPlace, true}),
    test::rowName<StreamRow>);

}  // namespace
}  // namespace rq
