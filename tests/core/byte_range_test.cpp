#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <future>
#include <limits>
#include <optional>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "files/readwritetext.h"
#include "support/testfiles.h"

namespace rq {
namespace {

using namespace std::string_literals;

constexpr std::int32_t kInt32Max = std::numeric_limits<std::int32_t>::max();

// Runs an operation that must not block on a FIFO. Should it block, the FIFO's other end is opened so the
// thread can finish, and the test fails instead of hanging.
template <class T>
std::optional<T> finishesWithoutBlocking(const std::string& fifo, std::function<T()> operation) {
    std::packaged_task<T()> task(std::move(operation));
    auto result = task.get_future();
    std::thread worker(std::move(task));
    if (result.wait_for(std::chrono::seconds(3)) != std::future_status::ready) {
        const int readEnd = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
        const int writeEnd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        ::close(writeEnd);
        ::close(readEnd);
        worker.join();
        return std::nullopt;
    }
    worker.join();
    return result.get();
}

TEST(ByteRange, MissingFileIsRomNotFoundAndNeverCreatedButCountZeroDoesNotLookAtIt) {
    const test::TempDir dir;
    const std::string path = dir.file("missing.bin");
    const auto nothing = readRange(path, 0x100, 0, 0);
    ASSERT_TRUE(nothing.ok());
    EXPECT_EQ(*nothing, "");
    const auto read = readRange(path, 0, 4, 0);
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(read.error(), "ROM not found!");
    EXPECT_FALSE(OpenFile::open(path).ok());
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(ByteRange, ReadGivesCountBytesAtOffsetPlusShiftWithZerosPastTheEnd) {
    const test::TempDir dir;
    const std::string path = dir.file("rom.bin");
    test::writeImage(path, {{0, "0123456789ABCDEFshifted"}, {0x47B0C5, "SONIC\xE9\x80\x00\xFF"s}});
    const struct {
        const char* name;
        std::int32_t offset;
        std::int16_t count;
        std::int16_t shift;
        std::string expected;
    } reads[] = {
        {"far offset", 0x47B0C5, 9, 0, "SONIC\xE9\x80\x00\xFF"s},
        {"shift 16 reads offset 16", 0, 7, 16, "shifted"},
        {"negative shift", 20, 3, -4, "shi"},
        {"straddling the end", 0x47B0CC, 6, 0, "\x00\xFF\0\0\0\0"s},
        {"wholly past the end", 0x500000, 3, 0, "\0\0\0"s},
        {"last possible start", kInt32Max, 2, 0, "\0\0"s},
    };
    for (const auto& r : reads) {
        SCOPED_TRACE(r.name);
        const auto read = readRange(path, r.offset, r.count, r.shift);
        ASSERT_TRUE(read.ok()) << read.error();
        EXPECT_EQ(*read, r.expected);
    }
    EXPECT_EQ(std::filesystem::file_size(path), 0x47B0CEu);
}

TEST(ByteRange, NegativeCountOrStartAndOverflowAreRefusedWritingNothing) {
    const test::TempDir dir;
    const std::string path = dir.file("rom.bin");
    test::writeText(path, "ABCD");
    const struct {
        const char* name;
        std::int32_t offset;
        std::int16_t count;
        std::int16_t shift;
    } refused[] = {
        {"negative count", 0, -1, 0},
        {"most negative count", 0, std::numeric_limits<std::int16_t>::min(), 0},
        {"start before the file by the shift", 0, 1, -1},
        {"negative offset", -1, 1, 0},
        {"most negative offset", std::numeric_limits<std::int32_t>::min(), 1, 16},
        {"offset plus shift overflows", kInt32Max, 1, 16},
    };
    for (const auto& r : refused) {
        SCOPED_TRACE(r.name);
        const auto read = readRange(path, r.offset, r.count, r.shift);
        ASSERT_FALSE(read.ok());
        EXPECT_EQ(read.error(), "ROM not found!");
        if (r.count >= 0) {
            auto file = OpenFile::open(path);
            ASSERT_TRUE(file.ok()) << file.error();
            EXPECT_FALSE((*file)->write(r.offset, "XY", r.shift).ok());
            EXPECT_TRUE((*file)->close().ok());
        }
    }
    EXPECT_EQ(test::readAll(path), "ABCD");
}

TEST(ByteRange, FolderOrFifoIsRefusedWithoutBlocking) {
    const test::TempDir dir;
    const std::string fifo = dir.file("pipe.bin");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const auto& path : {dir.path().string(), fifo}) {
        SCOPED_TRACE(path);
        const auto read = finishesWithoutBlocking<std::string>(fifo, [&] {
            const auto r = readRange(path, 0, 4, 0);
            return r.ok() ? "read " + *r : r.error();
        });
        ASSERT_TRUE(read.has_value()) << "the read blocked";
        EXPECT_EQ(*read, "ROM not found!");
        const auto opened = finishesWithoutBlocking<bool>(fifo, [&] { return OpenFile::open(path).ok(); });
        ASSERT_TRUE(opened.has_value()) << "the open blocked";
        EXPECT_FALSE(*opened);
    }
}

TEST(ByteRangeWrite, WritesAtOffsetPlusShiftNowhereElseAndNeverTruncates) {
    const test::TempDir dir;
    const std::string path = dir.file("sonic.exe");
    test::writeText(path, std::string(32, '.'));
    {
        auto file = OpenFile::open(path);
        ASSERT_TRUE(file.ok()) << file.error();
        EXPECT_TRUE((*file)->write(0, "AB", 16).ok());
        EXPECT_TRUE((*file)->write(4, "\xE9\x00"s, 0).ok());
        // The empty text writes nothing, even past the end.
        EXPECT_TRUE((*file)->write(1, "", 0).ok());
        EXPECT_TRUE((*file)->write(1000, "", 16).ok());
        EXPECT_TRUE((*file)->close().ok());
    }
    const std::string written = "....\xE9\x00.........."s + "AB" + std::string(14, '.');
    EXPECT_EQ(test::readAll(path), written);
    {
        auto file = OpenFile::open(path);
        ASSERT_TRUE(file.ok()) << file.error();
        EXPECT_TRUE((*file)->write(34, "XY", 0).ok());
    }  // closed by its destructor
    EXPECT_EQ(test::readAll(path), written + "\0\0XY"s);
}

}  // namespace
}  // namespace rq
