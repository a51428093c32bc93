#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "support/cli_run.h"
#include "support/testfiles.h"

namespace rq {
namespace {

using test::runCli;

std::string image(const test::TempDir& dir, const std::string& name, const std::vector<test::Patch>& patches,
                  std::uint64_t size = 0) {
    test::writeImage(dir.file(name), patches, size);
    return dir.file(name);
}

std::vector<test::Patch> megaDrive(const std::string& code, const std::vector<test::Patch>& more = {}) {
    std::vector<test::Patch> patches = {{0x100, "SEGA MEGA DRIVE "}, {0x180, "GM " + code}};
    patches.insert(patches.end(), more.begin(), more.end());
    return patches;
}

TEST(CliIdentify, PrintsEachGameRefusalOrErrorOnItsOwnLineAndExitsOneWhenAnyIsRefused) {
    const test::TempDir dir;
    const std::vector<std::string> files = {image(dir, "known.bin", megaDrive("00001051-01")),
                                            dir.file("missing.bin"),
                                            image(dir, "other.bin", megaDrive("MK-9999 -00")),
                                            image(dir, "sonic1.bin", megaDrive("00004049-01"))};
    const auto run = runCli({"identify", files[0], files[1], files[2], files[3]});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, files[0] + "\tSonic The Hedgehog 2\n" + files[1] + "\tThe file \"" + files[1] +
                           "\" does not exist.\n" + files[2] + "\tThis Megadrive ROM is not supported.\n" +
                           files[3] + "\t\n");
    EXPECT_EQ(runCli({"identify", files[0]}).exitCode, 0);
}

// The real program, as a user runs it: the path as given, the exit status of the process.
TEST(CliIdentify, UnreadableFileGivesTheReadFailureBeforeTheRefusal) {
    const test::TempDir dir;
    image(dir, "locked.bin", megaDrive("00001051-01"));
    // A MultiBoot image has no validity test: its first read is the title.
    image(dir, "locked.mb", {{0xA0, "CHAO A"}});
    ASSERT_EQ(::chmod(dir.file("locked.bin").c_str(), 0), 0);
    ASSERT_EQ(::chmod(dir.file("locked.mb").c_str(), 0), 0);
    std::string program = ROMQUILL_CLI;
    std::vector<std::string> args = {"identify", "locked.bin", "locked.mb"};
    // Root reads the files anyway; run the tool as the unprivileged "nobody" account instead.
    if (::access(dir.file("locked.bin").c_str(), R_OK) == 0) {
        std::vector<std::string> asNobody = {"--reuid=65534", "--regid=65534", "--clear-groups"};
        auto probe = asNobody;
        probe.insert(probe.end(), {"test", "!", "-r", dir.file("locked.bin")});
        if (::geteuid() != 0 || test::runTool("setpriv", probe).exitCode != 0) {
            GTEST_SKIP() << "cannot make a file unreadable for this user";
        }
        ::chmod(dir.path().c_str(), 0755);
        asNobody.push_back(program);
        args.insert(args.begin(), asNobody.begin(), asNobody.end());
        program = "setpriv";
    }
    const auto run = test::runTool(program, args, dir.path().string());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out,
              "locked.bin\tROM not found! This is not a valid Megadrive ROM.\n"
              "locked.mb\tROM not found! This MultiBoot GameBoy Advance ROM is not supported.\n");
}

// --- Help and usage ----------------------------------------------------------------------------------------

const std::vector<std::string> kUsages = {"identify FILE...", "ini FILE SECTION KEY [DEFAULT]",
                                          "dump --template T [--program-folder DIR] FILE",
                                          "insert --template T [--program-folder DIR] FILE TEXTS.json",
                                          "check --template T [--program-folder DIR] [FILE]"};

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

// The real program without arguments: its usage, and the exit status a script sees.
TEST(CliUsage, TheProgramWithoutArgumentsExitsTwo) {
    const auto run = test::runTool(ROMQUILL_CLI, {});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err.rfind("Usage: romquill-cli COMMAND [ARGUMENTS]\n", 0), 0u) << run.err;
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

}  // namespace
}  // namespace rq
