#include <gtest/gtest.h>

#ifdef _WIN32
#include <fstream>
#else
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "files/common.h"
#include "files/filehandle.h"
#include "files/newfile.h"
#include "files/outputname.h"
#include "files/safewrite.h"
#include "support/testfiles.h"

namespace rq::files {

namespace {

namespace fs = std::filesystem;

fs::file_type typeOf(const std::string& path) {
    return fs::symlink_status(fsPath(path)).type();
}

// What the row makes at the name "out" ("aim" for a link to lead to), false when the system cannot make it
// here; and the refusal after the quoted name, {aim} standing for aim's full path. None: the file is written.
using Name = const std::string&;
using NameRow = std::tuple<const char*, bool (*)(Name out, Name aim), std::string>;

const std::string kNotRegular = ", not a regular file: nothing is written in its place.";
const NameRow kNames[] = {
    {"nothing", [](Name, Name) { return true; }, ""},
    {"a regular file", [](Name out, Name) { return test::writeText(out, "old"), true; }, ""},
    {"a folder", [](Name out, Name) { return fs::create_directory(fsPath(out)); },
     "is a folder" + kNotRegular},
#ifndef _WIN32
    {"a link to a file",
     [](Name out, Name aim) { return test::writeText(aim, "old"), fs::create_symlink("aim", out), true; },
     ""},
    {"a link leading nowhere", [](Name out, Name) { return fs::create_symlink("gone", out), true; },
     "is a symbolic link to \"gone\", which does not exist: nothing is written through it."},
    {"a FIFO", [](Name out, Name) { return test::makeFifo(out); }, "is a named pipe (FIFO)" + kNotRegular},
    {"a link to a FIFO",
     [](Name out, Name aim) { return test::makeFifo(aim) && (fs::create_symlink("aim", out), true); },
     "leads to \"{aim}\", a named pipe (FIFO)" + kNotRegular},
    // The stand-in for /dev/null, made where only the test looks: mknod needs root.
    {"a device", [](Name out, Name) { return ::mknod(out.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0; },
     "is a device" + kNotRegular},
#endif
};

class NewFileName : public testing::TestWithParam<NameRow> {};

// Nothing or a regular file at the name is replaced; a link is kept and the file it leads to replaced;
// anything else is refused and stays what it was, with no temporary file left beside it.
TEST_P(NewFileName, WhatStandsThereIsLookedAtBeforeAnythingIsWritten) {
    const test::TempDir dir;
    const std::string out = dir.file("out");
    const auto& [name, make, refusal] = GetParam();
    if (!make(out, dir.file("aim"))) {
        GTEST_SKIP() << "not made here (needs root)";
    }
    const auto before = typeOf(out);
    auto expected = test::filesIn(dir);
    const auto written = writeNewFile(out, "new");
    if (refusal.empty()) {
        ASSERT_TRUE(written) << written.error();
        EXPECT_EQ(test::readAll(out), "new");
        EXPECT_EQ(typeOf(out), before == fs::file_type::not_found ? fs::file_type::regular : before);
        expected = before == fs::file_type::not_found ? std::vector<std::string>{"out"} : expected;
    } else {
        const std::string aim = pathText(fs::canonical(dir.path()) / "aim");
        EXPECT_EQ(written ? "" : written.error(),
                  "\"" + out + "\" " + test::replaced(refusal, {{"{aim}", aim}}) + " Choose another name.");
        EXPECT_EQ(typeOf(out), before);
    }
    EXPECT_EQ(test::filesIn(dir), expected);
}

INSTANTIATE_TEST_SUITE_P(Names, NewFileName, testing::ValuesIn(kNames), test::rowName);

// A writer killed mid-way leaves nothing that outlives the next new file written in its folder. A leftover
// whose writer still holds it, and a file of the user's own of a like name, stay.
TEST(NewFile, ACrashedWritersLeftoverGoesWithTheNextNewFileInItsFolder) {
    const test::TempDir dir;
    const std::string stale = dir.file(".romquill-0123ABCD.tmp"), held = dir.file(".romquill-89abcdef.tmp"),
                      own = dir.file(".romquill-mine.tmp");
    for (const auto& path : {stale, held, own}) {
        test::writeText(path, "left");
        // Windows takes for stale only what was not written for a while.
        fs::last_write_time(fsPath(path), fs::file_time_type::clock::now() - std::chrono::hours(1));
    }
    // A running writer holds its temporary file as long as it writes.
#ifdef _WIN32
    const std::ifstream holding(fsPath(held));
#else
    const int holding = ::open(held.c_str(), O_RDONLY);
    ASSERT_EQ(::flock(holding, LOCK_EX), 0);
    // As kill -9 does, while it writes.
    const pid_t child = ::fork();
    if (child == 0) {
        auto created = NewFile::create(dir.file("killed"));
        if (created) {
            NewFile file = std::move(created).value();
            static_cast<void>(file.append(std::string(3 << 20, 'x')));
            ::kill(::getpid(), SIGKILL);
        }
        ::_exit(1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
#endif
    ASSERT_TRUE(writeNewFile(dir.file("out"), "new"));
    EXPECT_EQ(test::filesIn(dir),
              (std::vector<std::string>{".romquill-89abcdef.tmp", ".romquill-mine.tmp", "out"}));
#ifndef _WIN32
    ::close(holding);
#endif
}

TEST(NewFile, ANewFileHasTheModeTheUmaskLeavesAndAReplacedFileKeepsItsOwn) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows files have no mode bits";
#else
    const test::TempDir dir;
    const std::string fresh = dir.file("new"), kept = dir.file("kept");
    test::writeText(kept, "old");
    fs::permissions(kept, static_cast<fs::perms>(0751));
    const mode_t saved = ::umask(027);
    const bool written = writeNewFile(fresh, "x") && writeNewFile(kept, "x");
    ::umask(saved);
    ASSERT_TRUE(written);
    EXPECT_EQ(fs::status(fresh).permissions(), static_cast<fs::perms>(0640));
    EXPECT_EQ(fs::status(kept).permissions(), static_cast<fs::perms>(0751));
#endif
}

// A folder that is not there is told with the system's reason.
TEST(NewFile, AnyNameTheFileSystemTakesWorks) {
    const test::TempDir dir;
    const std::string name = std::string(251, 'n') + ".bin";  // 255 bytes, the most most systems take
    const auto written = writeNewFile(dir.file(name), "x");
    ASSERT_TRUE(written) << written.error();
    EXPECT_EQ(test::filesIn(dir), std::vector{name});
    const auto refused = writeNewFile(dir.file("none/out"), "x");
    EXPECT_EQ(refused ? "" : refused.error(), "\"" + dir.file("none/out") + "\" cannot be written: " +
                                                  systemReason(test::kPathNotFound) + ".");
}

TEST(OutputName, AnOutputIsOneOfTheInputsWhateverNameItGoesBy) {
    const test::TempDir dir;
    const std::string in = dir.file("in"), other = dir.file("other");
    test::writeText(in, "in");
    test::writeText(other, "other");
    fs::create_hard_link(fsPath(in), fsPath(dir.file("hard")));
    const std::tuple<std::string, std::string, bool> rows[] = {
        {"another spelling", pathText(dir.path() / "." / "in"), true},
        {"a hard link", dir.file("hard"), true},
#ifndef _WIN32
        {"a symbolic link", (fs::create_symlink("in", dir.file("soft")), dir.file("soft")), true},
#endif
        {"another file", other, false},
        {"no file yet", dir.file("new"), false},
    };
    for (const auto& [name, output, isInput] : rows) {
        EXPECT_EQ(inputAtOutput(output, {"-", in}), isInput ? std::optional(in) : std::nullopt) << name;
    }
}

}  // namespace
}  // namespace rq::files
