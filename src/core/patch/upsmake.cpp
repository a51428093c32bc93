// Making a UPS patch: the two files read side by side in blocks up to the end of the longer one (a byte past
// a file's end counts as zero), each run of differing bytes stored as XOR.
#include <algorithm>

#include "patch/bpsformat.h"

namespace rq::patch {
namespace {

// The patch being written, with the CRC32 of every byte so far; bytes are gathered into blocks first.
class PatchWriter {
  public:
    explicit PatchWriter(files::NewFile& out) : m_out(out) {}
    std::string& bytes() { return m_pending; }
    Status flushSome() { return m_pending.size() >= kFlush ? flush() : success(); }
    Status flush() {
        m_crc = crcUpdate(m_crc, m_pending);
        const auto written = m_out.append(m_pending);
        m_pending.clear();
        return written;
    }
    [[nodiscard]] std::uint32_t crc() const { return m_crc; }

  private:
    static constexpr std::size_t kFlush = 1 << 16;
    files::NewFile& m_out;
    std::string m_pending;
    std::uint32_t m_crc = 0;
};

}  // namespace

Result<PatchMade> createUps(const files::FileHandle& original, const files::FileHandle& modified,
                            files::NewFile& out, Progress& progress) {
    const std::uint64_t sourceSize = original.openedSize();
    const std::uint64_t targetSize = modified.openedSize();
    const std::uint64_t end = std::max(sourceSize, targetSize);
    PatchWriter writer(out);
    std::string& patch = writer.bytes();
    patch = "UPS1";
    putNumber(patch, sourceSize);
    putNumber(patch, targetSize);
    CrcPipe sourceCrc;
    CrcPipe targetCrc;
    RangeJoiner ranges({});
    // Where the equal bytes before the next change begin, and where the run of changes being written began.
    std::uint64_t equalFrom = 0;
    std::uint64_t runFrom = 0;
    bool inRun = false;
    const auto endRun = [&](std::uint64_t at) {
        patch += '\0';
        if (runFrom < targetSize) {
            ranges.add(runFrom, std::min(at, targetSize) - runFrom);
        }
        inRun = false;
        equalFrom = at + 1;
    };
    std::string source;
    std::string target;
    for (std::uint64_t at = 0; at < end; at += kBlock) {
        const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, end - at));
        const auto span = [&](std::uint64_t size) {
            return static_cast<std::size_t>(at < size ? std::min<std::uint64_t>(count, size - at) : 0);
        };
        if (const auto read = readExactly(original, at, span(sourceSize), source); !read) {
            return read.failure();
        }
        if (const auto read = readExactly(modified, at, span(targetSize), target); !read) {
            return read.failure();
        }
        sourceCrc.add(source);
        targetCrc.add(target);
        const std::size_t told = source.size() + target.size();
        source.resize(count, '\0');
        target.resize(count, '\0');
        for (std::size_t i = 0; i < count;) {
            if (!inRun) {
                i += equalPrefix(source.data() + i, target.data() + i, count - i);
                if (i == count) {
                    break;
                }
                runFrom = at + i;
                inRun = true;
                putNumber(patch, at + i - equalFrom);
            }
            for (; i < count && source[i] != target[i]; ++i) {
                patch += static_cast<char>(source[i] ^ target[i]);
            }
            // The zero byte ending the run stands for the equal byte after it.
            if (i < count) {
                endRun(at + i);
                ++i;
            }
            if (const auto flushed = writer.flushSome(); !flushed) {
                return flushed.failure();
            }
        }
        if (!progress.advance(told)) {
            return Progress::cancelled();
        }
    }
    // At the end, the zero byte stands for a position past it.
    if (inRun) {
        endRun(end);
    }
    putCrc(patch, sourceCrc.finish());
    putCrc(patch, targetCrc.finish());
    if (const auto flushed = writer.flush(); !flushed) {
        return flushed.failure();
    }
    putCrc(patch, writer.crc());
    if (const auto flushed = out.append(patch); !flushed) {
        return flushed.failure();
    }
    return PatchMade{PatchFormat::Ups, out.size(), ranges.finish()};
}

}  // namespace rq::patch
