// Writing files safely: rooms written in place through their undo file, and new files made whole.

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

#include <functional>
#include <optional>

#include "files/common.h"
#include "files/filehandle.h"
#include "files/newfile.h"
#include "files/outputname.h"
#include "files/safewrite.h"
#include "support/patchdecoder.h"
#include "support/testfiles.h"

namespace rq::files {

namespace {

namespace fs = std::filesystem;
using test::withoutBlocking;

// A change that puts an undo file as the first version wrote it in the undo file's place: "RQUNDO1\n", the
// game size, the room count, each room's offset, length and old bytes, then the CRC32 of all that (its last
// byte xor damage).
std::function<void(std::string&, const std::string&)> firstFormat(
    const std::vector<std::pair<std::uint64_t, std::string>>& rooms, char damage = 0) {
    std::string out = "RQUNDO1\n" + test::littleEndian(32, 8) + test::littleEndian(rooms.size(), 4);
    for (const auto& [offset, bytes] : rooms) {
        out += test::littleEndian(offset, 8) + test::littleEndian(bytes.size(), 4) + bytes;
    }
    out += test::littleEndian(test::crc32Of(out), 4);
    out.back() ^= damage;
    return [out](std::string& undo, const std::string&) { undo = out; };
}

class SafeWrite : public testing::Test {
  protected:
    void SetUp() override { test::writeText(m_game, m_before); }
    void TearDown() override { setWriteFaults({}); }

    // A save through name whose second room fails: the first is written, the undo file stays.
    void interrupt(const std::string& name) const {
        setWriteFaults({nullptr, 2, nullptr});
        ASSERT_FALSE(test::writeBare(name, m_rooms));
        setWriteFaults({});
        ASSERT_EQ(test::readAll(m_game), "01AB" + m_before.substr(4));
    }

    const test::TempDir m_dir;
    const std::string m_game = m_dir.file("game.bin");
    const std::string m_before = "0123456789abcdef0123456789abcdef";
    const std::vector<RoomWrite> m_rooms = {{2, "AB", "one"}, {8, "CDE", "two"}, {30, "FG", "three"}};
    const std::string m_after = "01AB4567CDEbcdef0123456789abcdFG";
};

TEST_F(SafeWrite, RefusesWhatItCannotWriteWithoutBlockingAndWritesNothing) {
    const std::string fifo = m_dir.file("pipe.bin");
    std::vector<std::pair<std::string, std::string>> cases = {
        {m_dir.file("missing.bin"), "The file \"" + m_dir.file("missing.bin") + "\" does not exist."}};
#ifdef _WIN32
    // Neither FIFOs nor symbolic links (they need a privilege) here; a folder cannot be opened at all.
    cases.emplace_back(m_dir.file(""), "\"" + m_dir.file("") + "\" is not a regular file.");
#else
    ASSERT_TRUE(test::makeFifo(fifo));
    cases.emplace_back(fifo, "\"" + fifo + "\" is not a regular file.");
    cases.emplace_back(m_dir.path().string(),
                       "The file \"" + m_dir.path().string() + "\" cannot be opened: Is a directory.");
#endif
    for (const auto& [path, message] : cases) {
        const auto written = withoutBlocking(fifo, [&] { return test::writeBare(path, m_rooms); });
        EXPECT_EQ(written.ok() ? "" : written.error(), message + " Nothing was written.");
    }
    EXPECT_FALSE(std::filesystem::exists(m_dir.file("missing.bin")));
}

TEST_F(SafeWrite, AFileCutShortDuringTheSaveIsNeverWrittenLongAgain) {
    setWriteFaults({[&] { std::filesystem::resize_file(m_game, 4); }, 0, nullptr});
    const auto written = test::writeBare(m_game, m_rooms);
    ASSERT_FALSE(written);
    EXPECT_EQ(written.error().substr(0, written.error().find(" Written:")),
              "\"" + m_game + "\" was cut short to 4 bytes while it was saved.");
    EXPECT_EQ(test::readAll(m_game), "01AB");
}

// What recovery then does with the undo file is UndoFile's.
TEST_F(SafeWrite, AWriteFailingPartWayNamesWhatWasWrittenAndKeepsAnUndoFile) {
    setWriteFaults({nullptr, 2, nullptr});
    const auto written = test::writeBare(m_game, m_rooms);
    ASSERT_FALSE(written);
    EXPECT_EQ(
        written.error(),
        "Writing to \"" + m_game + "\" failed: " + systemReason(test::kDiskFull) +
            ". Written: one. Not written: two, three. The bytes these rooms had before this save are kept in "
            "\"" +
            undoPath(m_game) +
            "\": load the file again in the launcher, or run romquill-cli recover on it, to put them back.");
    setWriteFaults({});
    const auto again = test::writeBare(m_game, m_rooms);  // refused while the undo file waits
    EXPECT_EQ(again.ok() ? ErrorKind::Failure : again.failure().kind, ErrorKind::Refusal);
}

// Recovery reads the undo file only under the lock the running save holds.
TEST_F(SafeWrite, WhileASaveRunsNoOtherSaveRecoveryOrDiscardTouchesTheFile) {
    std::optional<Status> second, discarded;
    std::optional<Result<std::string>> recovered;
    setWriteFaults({[&] {
                        second = test::writeBare(m_game, std::vector<RoomWrite>{{0, "XX", "other"}});
                        recovered = recoverInterruptedSave(m_game);
                        discarded = discardInterruptedSave(m_game);
                    },
                    0, nullptr});
    ASSERT_TRUE(test::writeBare(m_game, m_rooms).ok());
    ASSERT_TRUE(second && recovered && discarded);
    EXPECT_EQ(second->ok() ? "" : second->error(),
              "\"" + m_game +
                  "\" is being saved by another window or program. Nothing was written; try again when that "
                  "save is done.");
    const std::string running =
        "\"" + m_game + "\": a save of this file is running. Nothing was done; try again when it is done.";
    EXPECT_EQ(recovered->ok() ? "" : recovered->error(), running);
    EXPECT_EQ(discarded->ok() ? "" : discarded->error(), running);
    EXPECT_EQ(test::readAll(m_game), m_after);
    EXPECT_FALSE(hasInterruptedSave(m_game));
}

TEST_F(SafeWrite, EveryNameOfTheFileFindsItsInterruptedSave) {
#ifdef _WIN32
    GTEST_SKIP() << "symbolic links need a privilege on Windows";
#endif
    const std::vector<std::pair<std::string, std::function<void(const std::string&)>>> links = {
        {"symbolic link", [&](const std::string& link) { fs::create_symlink(m_game, link); }},
        {"hard link", [&](const std::string& link) { fs::create_hard_link(m_game, link); }}};
    for (const auto& [kind, makeLink] : links) {
        SCOPED_TRACE(kind);
        const std::string link = m_dir.file("link.bin");
        makeLink(link);
        interrupt(link);
        const auto later = test::writeBare(m_game, std::vector<RoomWrite>{{20, "later", "later"}});
        EXPECT_EQ(later.ok() ? ErrorKind::Failure : later.failure().kind, ErrorKind::Refusal);
        EXPECT_TRUE(hasInterruptedSave(m_game));
        const auto recovered = recoverInterruptedSave(m_game);
        EXPECT_TRUE(recovered) << recovered.error();
        EXPECT_EQ(test::readAll(m_game), m_before);
        EXPECT_FALSE(hasInterruptedSave(link));
        fs::remove(link);
    }
    EXPECT_EQ(test::filesIn(m_dir), std::vector<std::string>{"game.bin"});
}

// An undo file cut short while it was written is removed: the game file was not touched yet.
// The name, the change to the undo file or the game file, the outcome, and the message; {G} stands for the
// game file, {U} for the undo file.
enum Outcome { Restored, Removed, Kept };
using UndoRow = std::tuple<const char*, std::function<void(std::string& undo, const std::string& game)>,
                           Outcome, std::string>;

const std::string kKept = " Nothing was restored; the undo file \"{U}\" is kept.";
const std::string kIncomplete =
    "The undo file \"{U}\" was incomplete: the save stopped before it changed \"{G}\", which is as it was. "
    "The undo file was removed.";

const std::vector<UndoRow> kUndoRows = {
    {"whole", [](std::string&, const std::string&) {}, Restored,
     "\"{G}\" has the bytes it had before the interrupted save again (3 rooms restored)."},
    {"cut short by one byte", [](std::string& u, const std::string&) { u.pop_back(); }, Removed, kIncomplete},
    {"header cut short", [](std::string& u, const std::string&) { u.resize(20); }, Removed, kIncomplete},
    {"its last byte changed", [](std::string& u, const std::string&) { u.back() ^= 1; }, Kept,
     "The undo file \"{U}\" is damaged: its bytes do not match their CRC32." + kKept},
    {"a byte added", [](std::string& u, const std::string&) { u += '\0'; }, Kept,
     "The undo file \"{U}\" is damaged: it goes on past its end." + kKept},
    {"its game size changed", [](std::string& u, const std::string&) { u[16] ^= 1; }, Kept,
     "The undo file \"{U}\" is damaged: its header does not match its CRC32." + kKept},
    {"another magic", [](std::string& u, const std::string&) { u[0] = 'X'; }, Kept,
     "The undo file \"{U}\" is damaged: it does not begin as an undo file does." + kKept},
    {"first format", firstFormat({{2, "23"}}), Restored,
     "\"{G}\" has the bytes it had before the interrupted save again (1 rooms restored)."},
    {"first format, a room outside the file", firstFormat({{2, "23"}, {0x1000, "xx"}}), Kept,
     "The undo file \"{U}\" is damaged: a room at offset 0x1000, 2 bytes, lies outside the 32 bytes the file "
     "had." +
         kKept},
    {"first format, its last byte changed", firstFormat({{2, "23"}}, 1), Kept,
     "The undo file \"{U}\" is damaged: its bytes do not match their CRC32." + kKept},
    {"game file grown since", [](std::string&, const std::string& g) { fs::resize_file(g, 33); }, Kept,
     "\"{G}\" has 33 bytes, not the 32 it had when the interrupted save began." + kKept},
    {"another file at the name since",
     [](std::string&, const std::string& g) {
         test::writeText(g + ".new", std::string(32, 'o'));
         fs::rename(g + ".new", g);
     },
     Kept,
     "The undo file \"{U}\" was made for another file than the one now at \"{G}\" (it was replaced or moved "
     "since the save was interrupted)." +
         kKept},
    // The undo file of a file gone can still be discarded.
    {"game file gone", [](std::string&, const std::string& g) { fs::remove(g); }, Kept,
     "The file \"{G}\" does not exist. Nothing was done."},
};

class UndoFile : public SafeWrite, public testing::WithParamInterface<UndoRow> {};

TEST_P(UndoFile, IsRestoredRemovedOrKeptWithItsReason) {
    const auto& [name, change, outcome, message] = GetParam();
    const std::string undoName = undoPath(m_game);
    interrupt(m_game);
    std::string undo = test::readAll(undoName);
    change(undo, m_game);
    test::writeText(undoName, undo);
    const std::string game = test::readAll(m_game);

    const auto recovered = recoverInterruptedSave(m_game);
    EXPECT_EQ(recovered ? *recovered : recovered.error(),
              test::replaced(message, {{"{G}", m_game}, {"{U}", undoName}}));
    EXPECT_EQ(recovered.ok(), outcome != Kept);
    EXPECT_EQ(test::readAll(m_game), outcome == Restored ? m_before : game);
    EXPECT_EQ(hasInterruptedSave(m_game), outcome == Kept);
    if (outcome == Kept) {
        EXPECT_EQ(test::readAll(undoName), undo);
        EXPECT_TRUE(discardInterruptedSave(m_game).ok());
    }
}

INSTANTIATE_TEST_SUITE_P(Files, UndoFile, testing::ValuesIn(kUndoRows), test::rowName);

// Before the file is even opened: a room outside what the save may write, and rooms that share bytes but not
// their values; a save without a proof, which is a fault of the program; after the writes, a failed proof.
TEST_F(SafeWrite, RefusesRoomsOutsideTheGuardOrDisagreeingWhereTheyMeetAndPutsBackWhatFailsItsProof) {
    const auto proofless = [] { return success(); };
    const std::vector<std::pair<std::vector<RoomWrite>, std::string>> rows = {
        {{{2, "AB", "one"}, {8, "CDE", "two"}},
         "Two would write bytes 0x8 to 0xA, which lie outside the rooms. Nothing was written."},
        {{{2, "ABC", "one"}, {3, "BX", "two"}},
         "One and two would write different bytes at 0x4: they share bytes of the file. Nothing was "
         "written."},
        {{{2, "ABC", "one"}, {3, "BC", "two"}, {1, "1A", "three"}}, ""}};
    for (const auto& [rooms, refusal] : rows) {
        const auto written = writeRooms(m_game, rooms, {{{1, 5}, {20, 24}}, "the rooms", proofless});
        EXPECT_EQ(written ? "" : written.error(), refusal);
        EXPECT_EQ(test::readAll(m_game), refusal.empty() ? "01ABC56789abcdef0123456789abcdef" : m_before);
    }
    EXPECT_THROW(static_cast<void>(writeRooms(m_game, m_rooms, {rangesOf(m_rooms), "the rooms", {}})),
                 std::logic_error);
    const std::string held = test::readAll(m_game);
    const auto disproved =
        writeRooms(m_game, m_rooms, {rangesOf(m_rooms), "the rooms", [] { return Status(Error{"No."}); }});
    EXPECT_EQ(disproved ? "" : disproved.error(), "No. Every byte was put back.");
    EXPECT_EQ(test::readAll(m_game), held);
    EXPECT_FALSE(hasInterruptedSave(m_game));
}

TEST_F(SafeWrite, ADanglingLinkAtTheUndoNameBlocksSavesUntilDiscarded) {
#ifdef _WIN32
    GTEST_SKIP() << "symbolic links need a privilege on Windows";
#endif
    const std::string undo = undoPath(m_game);
    fs::create_symlink(m_dir.file("nowhere"), undo);
    EXPECT_TRUE(hasInterruptedSave(m_game));
    const auto refused = test::writeBare(m_game, m_rooms);
    EXPECT_NE(refused ? "" : refused.error(), "") << "a save beside the link";
    const auto recovered = recoverInterruptedSave(m_game);
    EXPECT_EQ(recovered ? "" : recovered.error(),
              "The undo file \"" + undo +
                  "\" is a symbolic link, which no save makes. Nothing was restored; the undo file \"" +
                  undo + "\" is kept.");
    EXPECT_TRUE(fs::is_symlink(undo));
    ASSERT_TRUE(discardInterruptedSave(m_game).ok());
    EXPECT_FALSE(fs::is_symlink(undo));
    EXPECT_TRUE(test::writeBare(m_game, m_rooms).ok());
    EXPECT_EQ(test::readAll(m_game), m_after);
}

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
    std::string name(251, 'n');
    name += ".bin";  // 255 bytes, the most most systems take
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
