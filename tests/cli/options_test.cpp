// The command line's conventions, shared by every verb: help, usage mistakes, options anywhere and in both
// spellings, "--", and the form of every message on standard error.

#include <string>
#include <vector>

#include "cli_fixture.h"

namespace rq {
namespace {

using test::runCli;

const std::vector<std::string> kUsages = {
    "identify FILE...",
    "ini FILE SECTION KEY [DEFAULT]",
    "dump --template T [--program-folder DIR] [--format json|po|csv] FILE",
    "insert --template T [--program-folder DIR] [--format json|po|csv] FILE TEXTS",
    "check --template T [--program-folder DIR] [FILE]",
    "recover [--discard] FILE",
    "cutscenes [--format json|po|csv] (dump FILE | insert [--force] FILE TEXTS)",
    "header FILE [--json] [--set CONTROL=TEXT]... [--fix-checksum]",
    "alphabet (from-tbl TABLE.tbl OUT.ini | to-tbl ALPHABET.ini | check ALPHABET.ini)",
    "patch (create ORIGINAL MODIFIED OUT [--format bps|ips] | apply PATCH FILE OUT | info PATCH)",
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

struct UsageRow {
    std::string name;
    std::vector<std::string> args;
    std::string err;  // the start of standard error: the problem, then the usage
};

class CliUsage : public testing::TestWithParam<UsageRow> {};

TEST_P(CliUsage, ExitsTwoWithTheProblemAndTheUsageOnStandardError) {
    const auto run = runCli(GetParam().args);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.substr(0, GetParam().err.size()), GetParam().err);
}

const std::string kTop = "Usage: romquill-cli [--program-folder DIR] COMMAND [ARGUMENTS]\n";
const std::string kDump =
    "Usage: romquill-cli dump --template T [--program-folder DIR] [--format json|po|csv] FILE\n";
const std::string kHeader =
    "Usage: romquill-cli header FILE [--json] [--set CONTROL=TEXT]... [--fix-checksum]\n";
const std::string kCutscenes =
    "Usage: romquill-cli cutscenes [--format json|po|csv] (dump FILE | insert [--force] FILE TEXTS)\n";

INSTANTIATE_TEST_SUITE_P(
    Mistakes, CliUsage,
    testing::Values(
        UsageRow{"Nothing", {}, kTop},
        UsageRow{"UnknownCommand", {"frobnicate"}, "romquill-cli: unknown command 'frobnicate'\n\n" + kTop},
        UsageRow{"HelpOfAnUnknownCommand",
                 {"help", "frobnicate"},
                 "romquill-cli: unknown command 'frobnicate'\n\n"},
        UsageRow{
            "NoFile", {"identify"}, "romquill-cli: FILE is required\nUsage: romquill-cli identify FILE...\n"},
        UsageRow{"OneTooMany",
                 {"ini", "f.ini", "s", "k", "d", "extra"},
                 "romquill-cli: unexpected argument 'extra'\nUsage: romquill-cli ini FILE SECTION KEY "
                 "[DEFAULT]\n"},
        UsageRow{"NoTemplate", {"dump", "file.bin"}, "romquill-cli: --template is required\n" + kDump},
        UsageRow{"NoValue", {"dump", "--template"}, "romquill-cli: --template needs a value\n" + kDump},
        UsageRow{"UnknownFormat",
                 {"dump", "--format=xml", "--template", "demo.ini", "f.bin"},
                 "romquill-cli: --format takes json, po or csv, not 'xml'\n" + kDump},
        UsageRow{"UnknownOption",
                 {"check", "--template", "demo.ini", "--verbose"},
                 "romquill-cli: unknown option '--verbose'\nUsage: romquill-cli check "},
        UsageRow{
            "NoWord", {"cutscenes", "f.exe"}, "romquill-cli: unexpected argument 'f.exe'\n" + kCutscenes},
        UsageRow{"WordWithoutFile", {"cutscenes", "dump"}, "romquill-cli: FILE is required\n" + kCutscenes},
        UsageRow{"OptionOfAnotherWord",
                 {"cutscenes", "dump", "--force", "f.exe"},
                 "romquill-cli: unknown option '--force'\n" + kCutscenes},
        UsageRow{"SetWithoutEquals",
                 {"header", "a.gba", "--set", "romtitle"},
                 "romquill-cli: --set takes CONTROL=TEXT, not 'romtitle'\n" + kHeader},
        UsageRow{"TwoFiles",
                 {"header", "a.gba", "b.gba"},
                 "romquill-cli: unexpected argument 'b.gba'\n" + kHeader},
        UsageRow{"PatchFormat",
                 {"patch", "create", "a", "b", "p.x", "--format", "zip"},
                 "romquill-cli: --format takes bps or ips, not 'zip'\nUsage: romquill-cli patch "}),
    test::rowName<UsageRow>);

struct ConventionRow {
    std::string name;
    std::vector<std::string> args;  // "DEMO", "FOLDER" and "INI" stand for the test's files
    std::string out;                // the start of standard output
};

class CliConventions : public test::CliDemoRows<ConventionRow> {};

TEST_P(CliConventions, AreFollowedByEveryVerb) {
    const std::string ini = m_dir.file("t.ini");
    test::writeText(ini, "[-s]\n-k=v\n");
    std::vector<std::string> args = GetParam().args;
    for (auto& arg : args) {
        for (const auto& [token, path] : {std::pair<std::string, std::string>{"DEMO", m_demo},
                                          {"FOLDER", test::buildProgramFolder()},
                                          {"INI", ini}}) {
            if (arg.ends_with(token)) {
                arg.replace(arg.size() - token.size(), token.size(), path);
            }
        }
    }
    const auto run = runCli(args);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out.substr(0, GetParam().out.size()), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CliConventions,
    testing::Values(ConventionRow{"ValuesAfterEquals",
                                  {"dump", "--template=demo.ini", "--program-folder=FOLDER", "DEMO"},
                                  "{\n"},
                    ConventionRow{"ProgramFolderBeforeTheVerb",
                                  {"--program-folder", "FOLDER", "check", "--template", "demo.ini", "DEMO"},
                                  "no problems\n"},
                    ConventionRow{"ProgramFolderAfterTheFile",
                                  {"check", "--template", "demo.ini", "DEMO", "--program-folder", "FOLDER"},
                                  "no problems\n"},
                    ConventionRow{"DoubleDashEndsTheOptions", {"ini", "INI", "--", "-s", "-k"}, "v\n"}),
    test::rowName<ConventionRow>);

// Every message starts with the program's name and names its file; whatever a file or an argument holds is
// escaped, and only the message's own line breaks stay (a "\r\n" as a plain one).
using CliMessages = test::CliDemo;

TEST_F(CliMessages, NameTheirFileAndEscapeWhatTheyQuote) {
    const std::string missing = m_dir.file("missing.bin");
    EXPECT_EQ(test::cli({"dump", "--template", "demo.ini", missing}).err,
              "romquill-cli: \"" + missing + "\": ROM not found!\n");
    EXPECT_EQ(
        insert(R"({"entries": [{"entry": 2, "text": "caf\u00e9\u001b[2J"}]})").err,
        "romquill-cli: \"" + m_demo +
            "\": Entry 2 (\"Start prompt\"): The character '\xC3\xA9' in the string 'caf\xC3\xA9\\x1B[2J    "
            "' is "
            "invalid. Please replace it with a valid character.\nNote: this error may not apply to every "
            "text string in the game.\n");
    EXPECT_EQ(runCli({"check", "--template", "no\x1B[2J.ini"})
                  .err.rfind("romquill-cli: no template 'no\\x1B[2J", 0),
              0u);
}

}  // namespace
}  // namespace rq
