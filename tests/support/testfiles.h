#pragma once

#include <gtest/gtest.h>
#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <future>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "cutscenes/cutscenerooms.h"
#include "files/common.h"
#include "files/safewrite.h"

namespace rq::test {

// A save through the one write path of rooms whose places and bytes are the test's own: any of them may be
// written, and there is nothing to read back but the bytes.
inline Status writeBare(const std::string& path, std::span<const files::RoomWrite> rooms) {
    return files::writeRooms(path, rooms,
                             {files::rangesOf(rooms), "the test's rooms", [] { return success(); }});
}

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    [[nodiscard]] const std::filesystem::path& path() const { return m_path; }
    // UTF-8, as the program takes paths.
    [[nodiscard]] std::string file(std::string_view name) const;

  private:
    std::filesystem::path m_path;
};

// Bytes to place at an absolute offset of a synthetic image.
struct Patch {
    std::uint64_t offset;
    std::string bytes;
};

// Writes an image of the given size (sparse: the gaps are holes) with the patches in place. A size of 0
// makes the file just long enough for its patches.
void writeImage(const std::string& path, const std::vector<Patch>& patches, std::uint64_t size = 0);

// A sparse PC executable ("MZ" first) with the marker at 0x3C and every room the edition places holding
// cutsceneText of its index, a zero byte, then "~" to its size; the more patches are written last.
[[nodiscard]] std::string writeCutsceneExecutable(const TempDir& dir, const std::string& marker,
                                                  cutscenes::Edition edition, std::vector<Patch> more = {});
[[nodiscard]] std::string cutsceneText(std::size_t room);

// Printable and different from each neighbour, so a field read one byte off or one byte short shows.
[[nodiscard]] std::string distinctBytes(std::size_t size);

// Little-endian UTF-16 with its byte order mark, as Windows tools write text.
[[nodiscard]] std::string utf16(std::u16string_view text);

void writeText(const std::string& path, std::string_view text);
[[nodiscard]] std::string readAll(const std::string& path);
// The text with every token replaced by its value, as rows write paths the test makes only when it runs.
[[nodiscard]] std::string replaced(std::string text,
                                   const std::vector<std::pair<std::string, std::string>>& tokens);
// The names in a folder, sorted, so that a test sees any temporary file left behind.
[[nodiscard]] std::vector<std::string> filesIn(const TempDir& dir);

// A row's name as a test's name: letters and digits, any other run becomes one "_". TEST_P rows are named
// with it (INSTANTIATE_TEST_SUITE_P(..., rowName)), so a failing row is reported by its name: a row's field
// name, or the first of a tuple, or the row itself when it is a text.
[[nodiscard]] std::string testName(std::string_view name);
inline constexpr auto rowName = [](const auto& info) {
    if constexpr (requires { info.param.name; }) {
        return testName(info.param.name);
    } else if constexpr (requires { std::get<0>(info.param); }) {
        return testName(std::get<0>(info.param));
    } else {
        return testName(info.param);
    }
};

// One [entryN] section of a template.
struct EntryText {
    std::string format;  // a key of [TextFormattingSystem]
    int length = 0;
    std::uint64_t offset = 0;  // written in hexadecimal, as HexLocation holds it
    std::string comment = {};  // empty: "Entry N"
    std::string keys = {};     // more lines of its section: "Lock=yes\n"
};

// The text of a game template: its version, details, text formats and entries, in the code page.
struct TemplateText {
    std::vector<EntryText> entries;
    std::vector<std::pair<std::string, std::string>> formats;  // key of [TextFormattingSystem] -> alphabet
    std::string details = {};                                  // lines of [GameAndFileInfo]: "Notes=...\n"
    std::string version = "v1.0";

    [[nodiscard]] std::string str() const;
};

// The text of an alphabet: its CharLength, then the lines of [Load] and [save] as given ("41=A\n").
[[nodiscard]] std::string alphabetText(int charLength, std::string_view load, std::string_view save);

// A program folder as the build lays it out: plugins/loader.ini, plugins/games/, plugins/alphabets/, gfx/.
// It becomes the application folder for as long as it lives.
class ProgramFolder {
  public:
    ProgramFolder();
    ~ProgramFolder() { files::setApplicationFolder({}); }

    [[nodiscard]] std::string path(std::string_view relative) const {
        return files::appRelativePath(relative);
    }
    void writeLoaderIni(std::string_view text) const { writeText(path("plugins\\loader.ini"), text); }
    void writeTemplate(std::string_view name, std::string_view text) const {
        writeText(path("plugins\\games\\" + std::string(name)), text);
    }
    void writeAlphabet(std::string_view name, std::string_view text) const {
        writeText(path("plugins\\alphabets\\" + std::string(name)), text);
    }
    [[nodiscard]] const TempDir& dir() const { return m_dir; }

  private:
    TempDir m_dir;
};

// Error numbers whose wording the system gives (systemReason): a missing folder, a full disk.
#ifdef _WIN32
inline constexpr int kPathNotFound = 3;  // ERROR_PATH_NOT_FOUND
inline constexpr int kDiskFull = 112;    // ERROR_DISK_FULL
#else
inline constexpr int kPathNotFound = ENOENT;
inline constexpr int kDiskFull = ENOSPC;
#endif

// A build without libgettextpo (Windows) writes PO files but cannot read them.
#ifdef ROMQUILL_HAS_GETTEXTPO
inline constexpr bool kBuildReadsPo = true;
#else
inline constexpr bool kBuildReadsPo = false;
#endif

[[nodiscard]] bool makeFifo(const std::string& path);

// Runs the operation on its own thread; should it block on the FIFO, opening and closing the FIFO frees it.
template <class Operation>
auto withoutBlocking(const std::string& fifo, Operation operation) {
    auto result = std::async(std::launch::async, operation);
    if (result.wait_for(std::chrono::seconds(3)) != std::future_status::ready) {
        ADD_FAILURE() << "blocked on " << fifo;
#ifndef _WIN32
        ::close(::open(fifo.c_str(), O_RDWR));
#endif
    }
    return result.get();
}

}  // namespace rq::test
