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

#include "launcher/readwritetext.h"
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

TEST(ByteRangeRead, CountZeroGivesEmptyTextWithoutTouchingMissingFile) {
    test::TempDir dir;
    const std::string path = dir.file("missing.bin");
    const auto read = readRange(path, 0x100, 0, 0);
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(*read, "");
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(ByteRangeRead, GivesTheBytesAtOffset) {
    test::TempDir dir;
    const std::string path = dir.file("rom.bin");
    test::writeImage(path, {{0x47B0C5, "SONIC\xE9\x80\x00\xFF"s}});
    const auto read = readRange(path, 0x47B0C5, 9, 0);
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(*read, "SONIC\xE9\x80\x00\xFF"s);
}

TEST(ByteRangeRead, ReadPastEndGivesFullCountWithZeroBytes) {
    test::TempDir dir;
    const std::string path = dir.file("rom.bin");
    test::writeText(path, "ABCD");
    const auto straddling = readRange(path, 2, 6, 0);
    ASSERT_TRUE(straddling.ok());
    EXPECT_EQ(*straddling, "CD\0\0\0\0"s);
    const auto beyond = readRange(path, 100, 3, 0);
    ASSERT_TRUE(beyond.ok());
    EXPECT_EQ(*beyond, "\0\0\0"s);
    const auto lastPossibleStart = readRange(path, kInt32Max, 2, 0);
    ASSERT_TRUE(lastPossibleStart.ok());
    EXPECT_EQ(*lastPossibleStart, "\0\0"s);
    EXPECT_EQ(test::readAll(path), "ABCD");
}

TEST(ByteRangeRead, MissingFileFailsWithRomNotFoundAndIsNotCreated) {
    test::TempDir dir;
    const std::string path = dir.file("missing.bin");
    const auto read = readRange(path, 0, 4, 0);
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(read.error(), kRomNotFound);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(ByteRangeRead, ShiftIsAddedToOffset) {
    test::TempDir dir;
    const std::string path = dir.file("sonic.exe");
    test::writeImage(path, {{0, "0123456789ABCDEF"}, {16, "shifted"}});
    const auto plus16 = readRange(path, 0, 7, 16);
    ASSERT_TRUE(plus16.ok());
    EXPECT_EQ(*plus16, "shifted");
    const auto minus4 = readRange(path, 20, 3, -4);
    ASSERT_TRUE(minus4.ok());
    EXPECT_EQ(*minus4, "shi");
}

struct RefusedRange {
    const char* name;
    std::int32_t offset;
    std::int16_t count;
    std::int16_t shift;
};

std::ostream& operator<<(std::ostream& out, const RefusedRange& r) {
    return out << r.name;
}

const RefusedRange kRefusedRanges[] = {
    {"NegativeCount", 0, -1, 0},
    {"MostNegativeCount", 0, std::numeric_limits<std::int16_t>::min(), 0},
    {"StartBeforeFileByShift", 0, 1, -1},
    {"NegativeOffset", -1, 1, 0},
    {"MostNegativeOffset", std::numeric_limits<std::int32_t>::min(), 1, 16},
    {"OffsetPlusShiftOverflows", kInt32Max, 1, 16},
};

class ByteRangeReadRefused : public ::testing::TestWithParam<RefusedRange> {};

TEST_P(ByteRangeReadRefused, FailsWithRomNotFound) {
    const RefusedRange& r = GetParam();
    test::TempDir dir;
    const std::string path = dir.file("rom.bin");
    test::writeText(path, "ABCD");
    const auto read = readRange(path, r.offset, r.count, r.shift);
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(read.error(), kRomNotFound);
}

INSTANTIATE_TEST_SUITE_P(ByteRange, ByteRangeReadRefused, ::testing::ValuesIn(kRefusedRanges),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ByteRangeWrite, StartBeforeFileOrPastOffsetRangeFailsAndWritesNothing) {
    test::TempDir dir;
    const std::string path = dir.file("rom.bin");
    test::writeText(path, "ABCD");
    {
        auto file = OpenFile::open(path);
        ASSERT_TRUE(file.ok()) << file.error();
        for (const auto& r : kRefusedRanges) {
            if (r.count >= 0) {
                EXPECT_FALSE((*file)->write(r.offset, "XY", r.shift).ok()) << r.name;
            }
        }
        EXPECT_TRUE((*file)->close().ok());
    }
    ASSERT_EQ(std::filesystem::file_size(path), 4u);
    EXPECT_EQ(test::readAll(path), "ABCD");
}

TEST(ByteRangeNonRegularFile, FolderIsRefused) {
    test::TempDir dir;
    const auto read = readRange(dir.path().string(), 0, 4, 0);
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(read.error(), kRomNotFound);
    EXPECT_FALSE(OpenFile::open(dir.path().string()).ok());
}

TEST(ByteRangeNonRegularFile, FifoIsRefusedWithoutBlocking) {
    test::TempDir dir;
    const std::string fifo = dir.file("pipe.bin");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);

    const auto readRefused =
        finishesWithoutBlocking<bool>(fifo, [&] { return !readRange(fifo, 0, 4, 0).ok(); });
    ASSERT_TRUE(readRefused.has_value()) << "the read blocked on a FIFO";
    EXPECT_TRUE(*readRefused);

    const auto openRefused = finishesWithoutBlocking<bool>(fifo, [&] { return !OpenFile::open(fifo).ok(); });
    ASSERT_TRUE(openRefused.has_value()) << "the open blocked on a FIFO";
    EXPECT_TRUE(*openRefused);
}

TEST(ByteRangeWrite, EmptyTextChangesNothingEvenPastTheEnd) {
    test::TempDir dir;
    const std::string path = dir.file("rom.bin");
    test::writeText(path, "ABCD");
    {
        auto file = OpenFile::open(path);
        ASSERT_TRUE(file.ok()) << file.error();
        EXPECT_TRUE((*file)->write(1, "", 0).ok());
        EXPECT_TRUE((*file)->write(1000, "", 16).ok());
        EXPECT_TRUE((*file)->close().ok());
    }
    EXPECT_EQ(test::readAll(path), "ABCD");
}

TEST(ByteRangeWrite, WritesAtOffsetPlusShiftAndNowhereElse) {
    test::TempDir dir;
    const std::string path = dir.file("sonic.exe");
    test::writeText(path, std::string(32, '.'));
    {
        auto file = OpenFile::open(path);
        ASSERT_TRUE(file.ok()) << file.error();
        EXPECT_TRUE((*file)->write(0, "AB", 16).ok());
        EXPECT_TRUE((*file)->write(4, "\xE9\x00"s, 0).ok());
        EXPECT_TRUE((*file)->close().ok());
    }
    EXPECT_EQ(test::readAll(path), "....\xE9\x00.........."s + "AB" + std::string(14, '.'));
}

TEST(ByteRangeWrite, WritePastTheEndExtendsTheFile) {
    test::TempDir dir;
    const std::string path = dir.file("rom.bin");
    test::writeText(path, "ABCD");
    {
        auto file = OpenFile::open(path);
        ASSERT_TRUE(file.ok()) << file.error();
        EXPECT_TRUE((*file)->write(6, "XY", 0).ok());
        EXPECT_EQ((*file)->size(), 8u);
        EXPECT_TRUE((*file)->close().ok());
    }
    EXPECT_EQ(test::readAll(path), "ABCD\0\0XY"s);
}

TEST(ByteRangeWrite, OpenOnMissingFileFailsAndCreatesNothing) {
    test::TempDir dir;
    const std::string path = dir.file("missing.bin");
    EXPECT_FALSE(OpenFile::open(path).ok());
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(ByteRangeWrite, OpenWriteAndCloseNeverTruncate) {
    test::TempDir dir;
    const std::string path = dir.file("rom.bin");
    std::string original;
    for (int i = 0; i < 256; ++i) {
        original += static_cast<char>(i);
    }
    test::writeText(path, original);
    {
        auto file = OpenFile::open(path);
        ASSERT_TRUE(file.ok()) << file.error();
        EXPECT_EQ((*file)->size(), 256u);
        EXPECT_TRUE((*file)->close().ok());
    }
    EXPECT_EQ(test::readAll(path), original);
    {
        auto file = OpenFile::open(path);
        ASSERT_TRUE(file.ok()) << file.error();
        EXPECT_TRUE((*file)->write(10, "xy", 0).ok());
    }  // closed by its destructor
    std::string expected = original;
    expected.replace(10, 2, "xy");
    EXPECT_EQ(test::readAll(path), expected);
}

TEST(ByteRangeWrite, ReadAfterCloseSeesWrittenBytes) {
    test::TempDir dir;
    const std::string path = dir.file("rom.bin");
    test::writeText(path, std::string(40, '\0'));
    {
        auto file = OpenFile::open(path);
        ASSERT_TRUE(file.ok()) << file.error();
        EXPECT_TRUE((*file)->write(0x10, "Tails", 16).ok());
        EXPECT_TRUE((*file)->close().ok());
    }
    const auto read = readRange(path, 0x10, 5, 16);
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(*read, "Tails");
}

}  // namespace
}  // namespace rq
