// The command line's conventions, shared by every verb: help, usage mistakes, options anywhere and in both
// spellings, "--", the form of every message on standard error, what each verb that makes a file says, text
// from files printed escaped, and a long job's progress.

#include <algorithm>
#include <sstream>

#include "cli_fixture.h"
#include "exchange/jsontexts.h"
#include "progressline.h"
#include "support/patchdecoder.h"

namespace rq {

using namespace std::string_literals;
using namespace test;

void test::CliCommandLine::SetUp() {
    CliDemo::SetUp();
    // Each file is named by its token.
    for (const std::string name : {"A.bin", "B.bin", "P.bps", "U.ups", "IPS.ips", "TBL.tbl", "OUT", "J.json",
                                   "GBA.gba", "MISSING.bin", "LARGE.json", "ENDKEY.tbl", "LINK.bin"}) {
        m_files.emplace_back("@" + name.substr(0, name.find('.')), m_dir.file(name));
    }
    m_files.insert(m_files.end(), {{"@EXE", writeCutsceneExecutable(m_dir, "0", cutscenes::Edition::E)},
                                   {"@DEMO", m_demo},
                                   {"@FOLDER", buildProgramFolder()}});
    writeText(path("@A"), "ABCDEFGH");
    writeText(path("@B"), "ABxyEFGHI");
    writeText(path("@IPS"), "PATCH\0\0\4\0\1z\0\0\1\0\1yEOF"s);
    writeText(path("@TBL"), "41=A\n/FF=[END]\n");
    writeText(path("@ENDKEY"), "41=A\n/FF=<end>\nFF01=*\n");
#ifndef _WIN32
    std::filesystem::create_symlink(path("@A"), path("@LINK"));  // symbolic links need a privilege on Windows
#endif
    writeImage(path("@GBA"), {{0xA0, "AB"}}, 0x100);
    ASSERT_EQ(runCli({"patch", "create", path("@A"), path("@B"), path("@P")}).exitCode, 0);
    ASSERT_EQ(runCli({"patch", "create", path("@A"), path("@B"), path("@U")}).exitCode, 0);
}

namespace {

const std::vector<std::string> kUsages = {
    "identify FILE...",
    "ini FILE SECTION KEY [DEFAULT]",
    "dump --template T [--program-folder DIR] [--format json|po|csv|atlas|xliff] FILE",
    "insert --template T [--program-folder DIR] [--format json|po|csv|atlas|xliff [--layout atlas]] FILE "
    "TEXTS",
    "check --template T [--program-folder DIR] [FILE]",
    "recover [--discard] FILE",
    "cutscenes [--format json|po|csv|xliff] (dump FILE | insert [--force] FILE TEXTS)",
    "header FILE [--json] [--set CONTROL=TEXT]... [--fix-checksum]",
    "alphabet (from-tbl TABLE.tbl OUT.ini | to-tbl ALPHABET.ini | check ALPHABET.ini)",
    "patch (create ORIGINAL MODIFIED OUT [--format bps|ips|ups] [--notes FILE] | apply [--reverse | "
    "--repair] PATCH FILE OUT | info PATCH)",
    "find FILE (--relative WORD [--width 1|2] [--endian little|big] | --table TABLE [--program-folder DIR] "
    "(--text TEXT | TEXT)) [--json]",
    "table from-hit FILE --relative WORD --offset HEX [--width 1|2] [--endian little|big] [--end HEX] "
    "[--force] "
    "OUT.tbl",
    "pointers FILE OFFSET... [--json]",
    "template (new --table TABLE --pointers OFFSET,COUNT,FORMAT[,BASE[,START-END[,STRIDE]]]... [--free "
    "START-END[,START-END...] [--fill HEX]] | from-cartographer COMMANDS.txt [--game FILE]) [--name NAME] "
    "[--program-folder DIR] [--force] OUT.ini | template rebase --template OLD.ini [--program-folder DIR] "
    "[--force] OLD NEW -o NEW.ini",
    "qa --template T [--program-folder DIR] [--format json|po|csv|atlas|xliff [--layout atlas]] FILE TEXTS "
    "[--glossary TERMS] [--json]",
    "help [COMMAND]"};

class CliVerbHelp : public testing::TestWithParam<std::string> {};

// Asked in every way, the help is the same, and nothing runs: the file does not exist.
TEST_P(CliVerbHelp, IsListedAndPrintedWithoutRunning) {
    const std::string& usage = GetParam();
    const std::string verb = usage.substr(0, usage.find(' '));
    EXPECT_NE(runCli({"--help"}).out.find("\n  romquill-cli " + usage + "\n"), std::string::npos);
    const auto help = runCli({"help", verb});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("Usage: romquill-cli " + usage + "\n\n", 0), 0u) << help.out;
    for (const auto& args : {std::vector<std::string>{verb, "/no/such/file.bin", "--help"},
                             std::vector<std::string>{verb, "-h", "/no/such/file.bin"}}) {
        const auto asked = runCli(args);
        EXPECT_EQ(std::tuple(asked.exitCode, asked.out, asked.err), std::tuple(0, help.out, ""));
    }
}

INSTANTIATE_TEST_SUITE_P(EveryVerb, CliVerbHelp, testing::ValuesIn(kUsages),
                         [](const auto& info) { return info.param.substr(0, info.param.find(' ')); });

// Usage mistakes exit 2 with the problem and the usage on standard error; options come anywhere, in both
// spellings; "-" is standard input for every file a verb reads and standard output for every file it makes;
// a verb that fails, or a file written in place, puts nothing on standard output and changes no file.
TEST_P(CliCommandLine, GivesTheStatusAndTheOutputOfItsRow) {
    const CommandRow& row = GetParam();
    if (std::ranges::find(row.args, "@LARGE") != row.args.end()) {
        writeImage(path("@LARGE"), {}, exchange::kJsonTextsByteLimit + 1);
    }
    std::vector<std::string> args;
    for (const auto& arg : row.args) {
        const auto value = arg.find("=@");  // --option=@FILE
        args.push_back(value == std::string::npos ? path(arg)
                                                  : arg.substr(0, value + 1) + path(arg.substr(value + 1)));
    }
    const auto files = [this] {
        std::vector<std::string> held;
        for (const auto& [token, name] : m_files) {
            held.push_back(std::filesystem::is_regular_file(name) ? readAll(name) : "(none)");
        }
        return held;
    };
    const auto before = files();
    const auto run = runCli(args, nullptr, row.input.starts_with('@') ? readAll(path(row.input)) : row.input);
    const std::string out = replaced(row.out, m_files), err = replaced(row.err, m_files);
    EXPECT_EQ(run.exitCode, row.exitCode) << run.err;
    EXPECT_EQ(row.out.empty() ? run.out : run.out.substr(0, out.size()), out);
    EXPECT_EQ(run.err.substr(0, err.size()), err);
    if (row.exitCode != 0) {
        EXPECT_TRUE(files() == before);
    }
}

const std::string kTop = "Usage: romquill-cli [--program-folder DIR] COMMAND [ARGUMENTS]\n";
const std::string kDump = "Usage: romquill-cli " + kUsages[2] + "\n";

INSTANTIATE_TEST_SUITE_P(
    Conventions, CliCommandLine,
    testing::Values(
        mistake("Nothing", {}, kTop),
        mistake("UnknownCommand", {"frobnicate"}, "romquill-cli: unknown command 'frobnicate'\n\n" + kTop),
        mistake("HelpOfAnUnknownCommand", {"help", "frobnicate"},
                "romquill-cli: unknown command 'frobnicate'\n\n"),
        mistake("OneTooMany", {"ini", "f.ini", "s", "k", "d", "extra"},
                "romquill-cli: unexpected argument 'extra'\nUsage: romquill-cli ini FILE SECTION KEY "
                "[DEFAULT]\n"),
        mistake("NoTemplate", {"dump", "file.bin"}, "romquill-cli: --template is required\n" + kDump),
        mistake("NoValue", {"dump", "--template"}, "romquill-cli: --template needs a value\n" + kDump),
        mistake("UnknownFormat", {"dump", "--format=xml", "--template", "demo.ini", "f.bin"},
                "romquill-cli: --format takes json, po, csv, atlas or xliff, not 'xml'\n" + kDump),
        mistake("UnknownLayout", {"insert", "--template", "demo.ini", "--layout", "own", "f.bin", "t.txt"},
                "romquill-cli: --layout takes atlas, not 'own'\nUsage: romquill-cli " + kUsages[3] + "\n"),
        mistake("UnknownOption", {"check", "--template", "demo.ini", "--verbose"},
                "romquill-cli: unknown option '--verbose'\nUsage: romquill-cli check "),
        mistake("OptionOfAnotherWord", {"cutscenes", "dump", "--force", "f.exe"},
                "romquill-cli: unknown option '--force'\nUsage: romquill-cli " + kUsages[6] + "\n"),
        mistake("SetWithoutEquals", {"header", "a.gba", "--set", "romtitle"},
                "romquill-cli: --set takes CONTROL=TEXT, not 'romtitle'\nUsage: romquill-cli " + kUsages[7] +
                    "\n"),
        mistake("PatchFormat", {"patch", "create", "a", "b", "p.x", "--format", "zip"},
                "romquill-cli: --format takes bps, ips or ups, not 'zip'\nUsage: romquill-cli patch "),
        row("ValuesAfterEquals", {"dump", "--template=demo.ini", "--program-folder=@FOLDER", "@DEMO"}, "", 0,
            "{\n"),
        row("ProgramFolderBeforeTheVerb",
            {"--program-folder", "@FOLDER", "check", "--template", "demo.ini", "@DEMO"}, "", 0,
            "no problems\n"),
        row("DoubleDashEndsTheOptions", {"ini", "-", "--", "-s", "-k"}, "[-s]\n-k=v\n", 0, "v\n")),
    rowName);

// What each verb that makes a file says it did, and where its warnings go; a file made over its own source.
INSTANTIATE_TEST_SUITE_P(
    MadeFiles, CliCommandLine,
    testing::Values(
        row("CreateByTheExtension", {"patch", "create", "@A", "@B", "@P"}, "", 0,
            "Made \"@P\": BPS patch of 26 bytes, 2 changed ranges.\n"),
        row("CreateByTheOption", {"patch", "create", "@A", "@B", "@OUT", "--format", "ips"}, "", 0,
            "Made \"@OUT\": IPS patch of 20 bytes, 1 changed range.\n"),
        mistake("CreateWithoutAFormat", {"patch", "create", "@A", "@B", "@OUT"},
                "romquill-cli: the format cannot be told from \"@OUT\": name it .bps, .ips or "
                ".ups, or give --format bps|ips|ups.\nUsage: romquill-cli patch "),
        row("CreateWithNotes", {"patch", "create", "@A", "@B", "@OUT", "--format=bps", "--notes", "@J"}, "",
            0,
            "Made \"@OUT\": BPS patch of 26 bytes, 2 changed ranges.\n\nOriginal: @A\nSize: 8 bytes\n"
            "CRC32: 68DCB61C\nMD5: 4783e784b4fa2fba9e4d6502dbc64f8f\n"),
        row("CreateUps", {"patch", "create", "@A", "@B", "@OUT", "--format=ups"}, "", 0,
            "Made \"@OUT\": UPS patch of 25 bytes, 2 changed ranges.\n"),
        row("ApplyBackward", {"patch", "apply", "--reverse", "@U", "@B", "-"}, "", 0, "ABCDEFGH"),
        row("ApplyRepaired", {"patch", "apply", "--repair", "@P", "-", "@OUT"},
            std::string(512, '\0') + "ABCDEFGH", 0,
            "Made \"@OUT\" (9 bytes) with the BPS patch, from \"-\" without the header.\n"),
        row("ApplyWarnsOnStandardError", {"patch", "apply", "@IPS", "@A", "@OUT"}, "", 0,
            "Made \"@OUT\" (8 bytes) with the IPS patch.\n",
            "romquill-cli: warning: \"@IPS\": Record 2 (offset 0x1) comes before the record "
            "ahead of it (out of order).\n"),
        refusal("AlphabetOverItsTable", {"alphabet", "from-tbl", "@TBL", "@TBL"}, "",
                "The alphabet cannot be saved as \"@TBL\": that is the table it is made from. "
                "Choose another name.\n")),
    rowName);

const std::string kInPlace =
    "romquill-cli: \"-\": standard input cannot be written in place: give FILE as a file's name. Nothing was "
    "written.\n";
const std::string kAlphabet = "[AlphabetAndFileInfo]\nCharLength=1\n[Load]\n41=A\n[save]\nA=41\n";

INSTANTIATE_TEST_SUITE_P(
    StandardStreams, CliCommandLine,
    testing::Values(
        // A file is identified by its extension, which standard input has none of.
        row("Identify", {"identify", "-"}, "@DEMO", 1, "-\tThis type of file is not supported by RQL.\n"),
        // The second demo template reads its Russian texts through a table: pairs, a pause, two-byte codes.
        row("DumpThroughATable",
            {"dump", "--program-folder", "@FOLDER", "--template", "demo-script.ini", "--format=csv", "-"},
            "@DEMO", 0,
            "entry,offset,length,limit,comment,original,translation,locked,previous\r\n"
            "1,0x300,32,15,Greeting,\"Привет, путник!\",,,\r\n"
            "2,0x320,48,23,Hint,\"Ключ и карта лежат\nпод ковриком.\",,,\r\n"
            "3,0x350,32,15,Question,Кто там?<Pause><$3C> Это ты?,,,\r\n"
            "4,0x370,21,10,Farewell,\"«До встречи, друг!»\",,,\r\n"),
        row("Check", {"check", "--program-folder", "@FOLDER", "--template", "demo.ini", "-"}, "@DEMO", 0,
            "no problems\n"),
        row("TableIn", {"alphabet", "from-tbl", "-", "@OUT"}, "41=A\n/FF=[END]\n", 0,
            "standard input:2: an end token: an alphabet has none\nWrote @OUT: 1 code of 1 byte, 1 line not "
            "carried as they stand.\n"),
        row("AlphabetOut", {"alphabet", "from-tbl", "@TBL", "-"}, "", 0,
            "[AlphabetAndFileInfo]\nCharLength=1\n\n[Load]\n41=A\n",
            "romquill-cli: warning: @TBL:2: an end token: an alphabet has none\n"),
        row("AlphabetIn", {"alphabet", "to-tbl", "-"}, kAlphabet, 0, "41=A\n"),
        row("AlphabetCheck", {"alphabet", "check", "-"}, kAlphabet + "4=C\n", 1,
            "standard input: [save] 4 = \"C\""),
        row("TableCheck", {"alphabet", "check", "@TBL"}, "", 0, "no problems\n"),
        row("PatchOut", {"patch", "create", "@A", "@B", "-", "--format=bps"}, "", 0, "BPS1"),
        row("PatchIn", {"patch", "apply", "-", "@A", "-"}, "@P", 0, "ABxyEFGHI"),
        row("FileToPatchIn", {"patch", "apply", "@P", "-", "@OUT"}, "@A", 0, "Made \"@OUT\" (9 bytes)"),
        row("PatchInfo", {"patch", "info", "-"}, "@P", 0,
            "format: BPS\npatch size: 26 bytes\nsource size: 8 bytes\ntarget size: 9 bytes\nsource CRC32: "
            "68DCB61C\ntarget CRC32: DBEB739B\npatch CRC32: FD3C3A58 (right)\nmetadata: none\nchanged "
            "ranges: 2 (offset, length)\n0x000002 2\n0x000008 1\n"),
        row("AFailedApplyWritesNothing", {"patch", "apply", "@P", "-", "-"}, "@B", 1, "",
            "romquill-cli: standard input is already patched: its CRC32 0xDBEB739B is the one the patch"),
        row("ReadOnce", {"patch", "create", "-", "-", "@OUT", "--format", "ips"}, "x", 1, "",
            "romquill-cli: Standard input is given twice as \"-\"; it can be read only once.\n"),
        // PowerShell 5.1's "dump > texts.json" writes UTF-16 LE.
        row("InsertUtf16", {"insert", "--program-folder", "@FOLDER", "--template", "demo.ini", "@DEMO", "-"},
            utf16(u"{\"entries\": [{\"entry\": 2, \"text\": \"Go, now!\"}]}"), 0,
            "Writing complete! 1 entry written.\n"),
        // Every message starts with the program's name and names its file; whatever a file or an argument
        // holds is escaped, and only the message's own line breaks stay (a "\r\n" as a plain one).
        refusal("InsertMessage",
                {"insert", "--program-folder", "@FOLDER", "--template", "demo.ini", "@DEMO", "-"},
                R"({"entries": [{"entry": 2, "text": "caf\u00e9\u001b[2J"}]})",
                "\"@DEMO\": Entry 2 (\"Start prompt\"): The character '\xC3\xA9' in the string "
                "'caf\xC3\xA9\\x1B[2J    ' is invalid. Please replace it with a valid character.\nNote: this "
                "error may not apply to every text string in the game.\n"),
        row("InsertInPlace", {"insert", "--template", "demo.ini", "-", "@J"}, "", 1, "", kInPlace),
        row("CutscenesInPlace", {"cutscenes", "insert", "-", "@J"}, "", 1, "", kInPlace)),
    rowName);

// A header's bytes, a patch's metadata and a file's name come from whoever made the file: printed, they
// can neither command the terminal nor forge a line of the output.
TEST(CliPrinting, TextFromFilesIsPrintedWithItsControlCharactersEscaped) {
    const TempDir dir;
    const std::string gba = dir.file("game.gba"), bps = dir.file("p.bps"),
                      named = dir.file("\x1B[31mred.gba");
    writeImage(gba, {{0xA0, "A\x1B[2J\nB\x81"}}, 0x100);
    writeText(bps, bpsPatch("", "", "", "\x1B]0;owned\x07\nformat: IPS"));
    // The arguments, and a line of the output.
    const std::tuple<std::vector<std::string>, std::string> cases[] = {
        {{"header", gba}, "  romtitle          \"A\\x1B[2J\\nB\\x81\"\n"},
        {{"patch", "info", bps}, "\nmetadata: \\x1B]0;owned\\x07\\nformat: IPS\n"},
        // Joined by hand: on Windows the escape's backslash would start a path of its own.
        {{"identify", named}, dir.file("") + "\\x1B[31mred.gba\t"},
    };
    for (const auto& [args, line] : cases) {
        const auto run = runCli(args);
        EXPECT_NE(run.out.find(line), std::string::npos) << run.out;
        EXPECT_EQ(run.out.find('\x1B'), std::string::npos) << run.out;
    }
}

// On a terminal a long job rewrites one line, whatever the number of reports; elsewhere it writes a line a
// quarter, and a short job shows nothing (the patch rows' standard error holds no progress).
TEST(CliPatch, ALongApplyTellsItsProgressWithoutFlooding) {
    constexpr std::uint64_t kLong = cli::ProgressLine::kShownFrom;  // 64 MiB
    std::ostringstream err;
    cli::ProgressLine line(err, "L", true);
    for (const std::uint64_t done : {std::uint64_t{0}, kLong / 3, kLong / 3, kLong * 2 / 3, kLong}) {
        EXPECT_TRUE(line.tell(done, kLong));
    }
    line.finish();
    EXPECT_EQ(err.str(), "\rL: 0% of 64 MiB\rL: 33% of 64 MiB\rL: 66% of 64 MiB\rL: 100% of 64 MiB\n");

    // An IPS patch of 8 KiB of runs, each over the one before (which it warns of after the progress), that
    // writes 64 MiB.
    const TempDir dir;
    std::string runs = "PATCH";
    for (int i = 0; i < 1030; ++i) {
        runs += "\0\0\0\0\0\xFF\xFFr"s;
    }
    writeText(dir.file("runs.ips"), runs + "EOF");
    writeText(dir.file("a.bin"), "ABCDEFGH");
    const auto applied = runCli({"patch", "apply", dir.file("runs.ips"), dir.file("a.bin"), dir.file("out")});
    EXPECT_EQ(applied.out, "Made \"" + dir.file("out") + "\" (65535 bytes) with the IPS patch.\n");
    const std::string progress =
        "Applying the patch: 25% of 64 MiB\nApplying the patch: 50% of 64 MiB\n"
        "Applying the patch: 75% of 64 MiB\nApplying the patch: 100% of 64 MiB\nromquill-cli: warning: ";
    EXPECT_EQ(applied.err.substr(0, progress.size()), progress);
}

}  // namespace
}  // namespace rq
