#pragma once

// What the IPS, BPS and UPS code share: blocks read from a file, progress with cancel, CRC32, the changed
// ranges.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "files/filehandle.h"
#include "files/newfile.h"
#include "patch/patchfiles.h"

namespace rq::patch {

// Files go through memory in blocks of this size, whatever their own size.
inline constexpr std::size_t kBlock = 1 << 20;

class Progress {
  public:
    Progress(const PatchProgress& callback, std::uint64_t total) : m_callback(callback), m_total(total) {}
    // False once the callback asked to stop.
    [[nodiscard]] bool advance(std::uint64_t bytes);
    [[nodiscard]] static Error cancelled() { return Error{std::string(kPatchCancelled), ErrorKind::Refusal}; }

  private:
    const PatchProgress& m_callback;
    std::uint64_t m_total = 0;
    std::uint64_t m_done = 0;
    std::uint64_t m_told = 0;
};

// A buffered sequential reader over [begin, end) of a file.
class Reader {
  public:
    Reader(const files::FileHandle& file, std::uint64_t begin, std::uint64_t end)
        : m_file(file), m_position(begin), m_end(end) {}
    [[nodiscard]] std::uint64_t position() const { return m_position; }
    [[nodiscard]] std::uint64_t remaining() const { return m_end - m_position; }
    // Exactly count bytes, appended to out; false when the range ends first or a read fails (then error()).
    [[nodiscard]] bool read(std::size_t count, std::string& out);
    [[nodiscard]] bool skip(std::uint64_t count);
    // The bytes before the next stop byte, at most most of them, appended to out; the stop byte is read but
    // not appended. Ended when the range ends first or a read fails (then error()).
    enum class Until { Stopped, Full, Ended };
    [[nodiscard]] Until readUntil(char stop, std::size_t most, std::string& out);
    [[nodiscard]] const std::string& error() const { return m_error; }

  private:
    // The next bytes into an empty buffer; false as read() is.
    [[nodiscard]] bool fill();

    const files::FileHandle& m_file;
    std::uint64_t m_position = 0;
    std::uint64_t m_end = 0;
    std::string m_buffer;
    std::size_t m_used = 0;
    std::string m_error;
};

// Exactly count bytes at offset into bytes (whose memory is kept from one block to the next), or an error
// saying the file changed while it was read.
[[nodiscard]] Status readExactly(const files::FileHandle& file, std::uint64_t offset, std::size_t count,
                                 std::string& bytes);

[[nodiscard]] std::uint32_t crcUpdate(std::uint32_t crc, std::string_view bytes);
// The CRC32 of a concatenation from the CRC32s of its two parts (zlib's crc32_combine).
[[nodiscard]] std::uint32_t crcCombine(std::uint32_t first, std::uint32_t second, std::uint64_t secondLength);
[[nodiscard]] Result<std::uint32_t> crcOfFile(const files::FileHandle& file, std::uint64_t end,
                                              Progress& progress);

// The CRC32 of a whole file, worked out on a thread of its own beside the main work, which it would
// otherwise double; stopped early when the work is given up.
class CrcBeside {
  public:
    CrcBeside(const files::FileHandle& file, std::uint64_t end);
    CrcBeside(const CrcBeside&) = delete;
    CrcBeside& operator=(const CrcBeside&) = delete;
    ~CrcBeside();
    [[nodiscard]] Result<std::uint32_t> get() { return m_result.get(); }

  private:
    std::atomic<bool> m_stop{false};
    PatchProgress m_going;
    std::future<Result<std::uint32_t>> m_result;
};

// The CRC32 of bytes given in order, worked out on a thread of its own; at most a few blocks wait for it.
class CrcPipe {
  public:
    CrcPipe();
    CrcPipe(const CrcPipe&) = delete;
    CrcPipe& operator=(const CrcPipe&) = delete;
    ~CrcPipe();
    void add(std::string_view bytes);
    // The CRC32 of everything added.
    [[nodiscard]] std::uint32_t finish();

  private:
    void hand(std::string block);
    void run();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::string> m_blocks;
    bool m_closed = false;
    std::string m_pending;
    std::uint32_t m_crc = 0;
    std::thread m_worker;
};

// "0x1A2B3C4D"
[[nodiscard]] std::string crcText(std::uint32_t crc);

// Changed ranges given in output order; ranges that touch are told as one.
class RangeJoiner {
  public:
    explicit RangeJoiner(std::function<void(const ChangedRange&)> onRange) : m_onRange(std::move(onRange)) {}
    void add(std::uint64_t offset, std::uint64_t length);
    // Tells the last range; the number of ranges told.
    std::uint64_t finish();

  private:
    std::function<void(const ChangedRange&)> m_onRange;
    ChangedRange m_pending;
    bool m_hasPending = false;
    std::uint64_t m_count = 0;
};

// An error about the patch file itself.
[[nodiscard]] Error brokenPatch(const std::string& patchPath, PatchFormat format, std::string_view why);

// What a BPS or UPS patch records of the file it reads and the file it makes, in the direction it is applied.
struct PatchEnds {
    std::uint64_t inputSize = 0;
    std::uint32_t inputCrc = 0;
    std::uint64_t outputSize = 0;
    std::uint32_t outputCrc = 0;
};

// Refuses a file that is not the one a BPS or UPS patch reads: the file it makes (its size and CRC32 are the
// output's), or another file, naming what the patch expects and what the file has. crc is the file's CRC32,
// known only when its size is the input's or the output's.
[[nodiscard]] Error wrongPatchInput(const files::FileHandle& file, PatchFormat format,
                                    PatchDirection direction, const PatchEnds& ends, std::uint32_t crc);

// What a BPS or UPS patch records of the files it reads and makes (ends: its source as input, its target as
// output), and whether its own CRC32 is right: a warning when not.
[[nodiscard]] Result<PatchInfo> recordedInfo(const files::FileHandle& patch, PatchFormat format,
                                             const PatchEnds& ends, std::uint32_t patchCrc);

// At most this many warnings are kept; the rest are counted.
inline constexpr std::size_t kWarningLimit = 20;
void addWarning(std::vector<std::string>& warnings, std::uint64_t& dropped, std::string warning);
void closeWarnings(std::vector<std::string>& warnings, std::uint64_t dropped);

Result<PatchMade> createIps(const files::FileHandle& original, const files::FileHandle& modified,
                            files::NewFile& out, Progress& progress);
Result<PatchMade> createBps(const files::FileHandle& original, const files::FileHandle& modified,
                            files::NewFile& out, Progress& progress);
Result<PatchApplied> applyIps(const files::FileHandle& patch, const files::FileHandle& file,
                              files::NewFile& out, const PatchProgress& progress);
Result<PatchApplied> applyBps(const files::FileHandle& patch, const files::FileHandle& file,
                              files::NewFile& out, const PatchProgress& progress);
Result<PatchMade> createUps(const files::FileHandle& original, const files::FileHandle& modified,
                            files::NewFile& out, Progress& progress);
Result<PatchApplied> applyUps(const files::FileHandle& patch, const files::FileHandle& file,
                              files::NewFile& out, const PatchProgress& progress, PatchDirection direction);
Result<PatchInfo> upsInfo(const files::FileHandle& patch,
                          const std::function<void(const ChangedRange&)>& onRange);
Result<PatchInfo> ipsInfo(const files::FileHandle& patch,
                          const std::function<void(const ChangedRange&)>& onRange);
Result<PatchInfo> bpsInfo(const files::FileHandle& patch,
                          const std::function<void(const ChangedRange&)>& onRange);

}  // namespace rq::patch
