#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "support/catalogue_rows.h"
#include "support/testfiles.h"

namespace rq {
namespace {

struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string shellQuoted(const std::string& arg) {
    std::string quoted = "'";
    for (const char c : arg) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

// Runs the built command-line tool as a user would, capturing both streams and the exit status. A prefix
// such as a privilege-dropping wrapper goes before the tool.
CliRun runCli(const std::vector<std::string>& args, const std::vector<std::string>& prefix = {}) {
    const test::TempDir scratch;
    const auto errFile = scratch.file("stderr");
    std::string command;
    for (const auto& word : prefix) {
        command += shellQuoted(word) + " ";
    }
    command += shellQuoted(ROMQUILL_CLI);
    for (const auto& arg : args) {
        command += " " + shellQuoted(arg);
    }
    command += " 2>" + shellQuoted(errFile);

    CliRun run;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        ADD_FAILURE() << "cannot start " << command;
        return run;
    }
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        run.out.append(buffer, n);
    }
    const int status = ::pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.err = test::readAll(errFile);
    return run;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        result.push_back(line);
    }
    return result;
}

class CliIdentify : public testing::Test {
  protected:
    std::string image(const std::string& name, const std::vector<test::Patch>& patches,
                      std::uint64_t size = 0) {
        const auto path = m_dir.file(name);
        test::writeImage(path, patches, size);
        return path;
    }

    std::string megaDrive(const std::string& name, const std::string& code,
                          const std::vector<test::Patch>& more = {}) {
        std::vector<test::Patch> patches = {{0x100, "SEGA MEGA DRIVE "}, {0x180, "GM " + code}};
        patches.insert(patches.end(), more.begin(), more.end());
        return image(name, patches);
    }

    test::TempDir m_dir;
};

TEST_F(CliIdentify, PrintsPathTabNameForEachFileInOrderAndExitsZeroWhenAllAreKnown) {
    const auto sonic2 = megaDrive("sonic2.bin", "00001051-01");
    const auto blast =
        image("blast.gg", {{0x7FF0, "TMR SEGA"}, {0xC0, "GG SONIC 96           Ver E3 ROM1996/05/01"}});
    const auto lockOn = megaDrive("s&k.BIN", "MK-1563 -00", {{0x200183, "MK-1079 -00"}});

    const auto run = runCli({"identify", sonic2, blast, lockOn});

    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, sonic2 + "\tSonic The Hedgehog 2\n" + blast + "\tSonic Blast - Game Gear\n" + lockOn +
                           "\tSonic 3 && Knuckles\n");
    EXPECT_EQ(run.err, "");
}

TEST_F(CliIdentify, PrintsTheRefusalAndExitsOneWhenAnyFileIsRefused) {
    const auto known = megaDrive("known.bin", "00001051-01");
    const auto notValid = image("blank.bin", {}, 0x400);
    const auto notSupported = megaDrive("other.bin", "MK-9999 -00");
    const auto unhandled = image("notes.txt", {{0, "hello"}});
    const auto silent = megaDrive("sonic1.bin", "00004049-01", {{0x4FB, "XXXXXXXXX"}});

    const auto run = runCli({"identify", known, notValid, notSupported, unhandled, silent});

    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(lines(run.out), (std::vector<std::string>{
                                  known + "\tSonic The Hedgehog 2",
                                  notValid + "\tThis is not a valid Megadrive ROM.",
                                  notSupported + "\tThis Megadrive ROM is not supported.",
                                  unhandled + "\tThis type of file is not supported by RQL.",
                                  silent + "\t",
                              }));
}

TEST_F(CliIdentify, MissingFileIsReportedOnItsOwnLineAndOthersStillIdentified) {
    const auto missing = m_dir.file("missing.bin");
    const auto known = megaDrive("known.bin", "00001051-01");

    const auto run = runCli({"identify", missing, known});

    EXPECT_EQ(run.exitCode, 1);
    const auto output = lines(run.out);
    ASSERT_EQ(output.size(), 2u);
    EXPECT_EQ(output[0].rfind(missing + "\t", 0), 0u) << output[0];
    EXPECT_GT(output[0].size(), missing.size() + 1);
    EXPECT_EQ(output[1], known + "\tSonic The Hedgehog 2");
}

TEST_F(CliIdentify, UnreadableFileGivesTheReadFailureBeforeTheRefusal) {
    const auto locked = megaDrive("locked.bin", "00001051-01");
    ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
    // Root reads the file anyway; run the tool as the unprivileged "nobody" account instead.
    std::vector<std::string> asUser;
    if (::access(locked.c_str(), R_OK) == 0) {
        asUser = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
        if (::geteuid() != 0 || std::system((shellQuoted(asUser[0]) + " " + asUser[1] + " " + asUser[2] +
                                             " " + asUser[3] + " test ! -r " + shellQuoted(locked))
                                                .c_str()) != 0) {
            GTEST_SKIP() << "cannot make a file unreadable for this user";
        }
    }
    const auto run = runCli({"identify", locked}, asUser);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, locked + "\tROM not found! This is not a valid Megadrive ROM.\n");
}

TEST_F(CliIdentify, RecognisesEveryCatalogueGame) {
    std::vector<std::string> args = {"identify"};
    std::vector<std::string> expected;
    for (const auto& row : test::catalogueRows()) {
        const auto path = test::writeRowImage(row, m_dir.path());
        args.push_back(path);
        expected.push_back(path + "\t" + row.name);
    }
    ASSERT_EQ(expected.size(), 77u);

    const auto run = runCli(args);

    EXPECT_EQ(run.exitCode, 0);
    const auto output = lines(run.out);
    ASSERT_EQ(output.size(), expected.size()) << run.out;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(output[i], expected[i]);
    }
}

// --- Help and usage ----------------------------------------------------------------------------------------

TEST(CliHelp, TopLevelHelpListsBothVerbs) {
    for (const std::string flag : {"--help", "-h"}) {
        const auto run = runCli({flag});
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_NE(run.out.find("romquill-cli identify FILE..."), std::string::npos) << run.out;
        EXPECT_NE(run.out.find("romquill-cli ini FILE SECTION KEY [DEFAULT]"), std::string::npos) << run.out;
    }
}

TEST(CliHelp, EachVerbExplainsItselfWithoutRunning) {
    // The file does not exist: asking for help must not try to identify it.
    const auto identify = runCli({"identify", "/no/such/file.bin", "--help"});
    EXPECT_EQ(identify.exitCode, 0);
    EXPECT_EQ(identify.out.rfind("Usage: romquill-cli identify FILE...\n", 0), 0u) << identify.out;
    EXPECT_EQ(identify.out.find("/no/such/file.bin"), std::string::npos);

    const auto ini = runCli({"ini", "--help"});
    EXPECT_EQ(ini.exitCode, 0);
    EXPECT_EQ(ini.out.rfind("Usage: romquill-cli ini FILE SECTION KEY [DEFAULT]\n", 0), 0u) << ini.out;
}

TEST(CliUsage, WrongArgumentsExitTwoWithUsageOnStandardError) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"frobnicate"},
        {"identify"},
        {"ini", "file.ini", "section"},
        {"ini", "file.ini", "section", "key", "default", "extra"},
    };
    for (const auto& args : cases) {
        SCOPED_TRACE(testing::PrintToString(args));
        const auto run = runCli(args);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("Usage: romquill-cli"), std::string::npos) << run.err;
    }
}

// --- ini ---------------------------------------------------------------------------------------------------

class CliIni : public testing::Test {
  protected:
    void SetUp() override {
        test::writeText(m_ini,
                        "[gamenames]\r\n"
                        "Sonic && Knuckles=sonic-knuckles.ini\r\n"
                        "Caf\xE9=Caf\xE9 au lait\r\n");
    }

    test::TempDir m_dir;
    std::string m_ini = m_dir.file("loader.ini");
};

TEST_F(CliIni, PrintsTheValueOfAKey) {
    const auto run = runCli({"ini", m_ini, "gamenames", "Sonic && Knuckles", "<error>"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "sonic-knuckles.ini\n");
}

TEST_F(CliIni, CodePageBytesComeOutAsUtf8AndUtf8KeysFindThem) {
    const auto run = runCli({"ini", m_ini, "gamenames", "Caf\xC3\xA9"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "Caf\xC3\xA9 au lait\n");
}

TEST_F(CliIni, PrintsTheDefaultWhenKeySectionOrFileIsMissing) {
    EXPECT_EQ(runCli({"ini", m_ini, "gamenames", "Sonic Unknown", "<error>"}).out, "<error>\n");
    EXPECT_EQ(runCli({"ini", m_ini, "nosuchsection", "Caf\xC3\xA9", "<error>"}).out, "<error>\n");
    EXPECT_EQ(runCli({"ini", m_dir.file("missing.ini"), "gamenames", "Sonic && Knuckles", "0"}).out, "0\n");
    const auto noDefault = runCli({"ini", m_ini, "gamenames", "Sonic Unknown"});
    EXPECT_EQ(noDefault.exitCode, 0);
    EXPECT_EQ(noDefault.out, "\n");
}

}  // namespace
}  // namespace rq
