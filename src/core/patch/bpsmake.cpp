// Making a BPS patch: a "linear" one, read side by side from the two files in blocks.
#include <algorithm>
#include <cstring>
#include <optional>

#include "patch/bpsformat.h"

namespace rq::patch {
namespace {

// Bytes that must agree before a change gives way to a SourceRead or a TargetCopy: fewer cost more in
// action headers than they save.
constexpr std::size_t kLookahead = 4;
constexpr std::size_t kMaxLiteral = 1 << 16;

// The CRC32 of a target as long as its source, from the source's CRC32 and the spans where they differ.
// CRC32 is linear: crc(S) ^ crc(T) is the CRC of S ^ T without its start and end values, and S ^ T is zero
// outside the changes, so the target is not worked through a second time.
class SameSizeTargetCrc {
  public:
    // The count bytes of source and target at offset; blocks in order.
    void block(std::uint64_t offset, const char* source, const char* target, std::size_t count) {
        std::size_t at = 0;
        while ((at += equalPrefix(source + at, target + at, count - at)) < count) {
            // A span ends where a quiet stretch of equal bytes begins, so that a few equal bytes amid a
            // change do not each cost a span.
            std::size_t end = at;
            while (end < count) {
                while (end < count && source[end] != target[end]) {
                    ++end;
                }
                const std::size_t quiet = std::min(kQuiet, count - end);
                const std::size_t same = equalPrefix(source + end, target + end, quiet);
                if (same == quiet) {
                    break;
                }
                end += same;
            }
            const std::uint32_t change = crcUpdate(0, std::string_view(source + at, end - at)) ^
                                         crcUpdate(0, std::string_view(target + at, end - at));
            m_difference =
                crcCombine(crcCombine(m_difference, 0, offset + at - m_position), change, end - at);
            m_position = offset + end;
            at = end;
        }
    }
    [[nodiscard]] std::uint32_t finish(std::uint32_t sourceCrc, std::uint64_t size) const {
        return sourceCrc ^ crcCombine(m_difference, 0, size - m_position);
    }

  private:
    static constexpr std::size_t kQuiet = 64;
    std::uint32_t m_difference = 0;  // of S ^ T up to m_position
    std::uint64_t m_position = 0;
};

// The patch being written, with the CRC32 of every byte so far.
class PatchWriter {
  public:
    explicit PatchWriter(files::NewFile& out) : m_out(out) {}
    [[nodiscard]] std::uint32_t crc() const { return m_crc; }
    Status put(std::string_view bytes) {
        m_crc = crcUpdate(m_crc, bytes);
        return m_out.append(bytes);
    }
    Status action(Action kind, std::uint64_t length, std::string_view tail = {}) {
        std::string bytes;
        putNumber(bytes, ((length - 1) << 2) | kind);
        bytes += tail;
        return put(bytes);
    }

  private:
    files::NewFile& m_out;
    std::uint32_t m_crc = 0;
};

// A "linear" patch: SourceRead for bytes equal to the source's at the same offset, TargetCopy of the byte
// before for runs, TargetRead for the rest.
class LinearMaker {
  public:
    LinearMaker(PatchWriter& writer, RangeJoiner& ranges) : m_writer(writer), m_ranges(ranges) {}

    // The bytes of one block at offset; the views reach up to kLookahead bytes past count where the
    // files go on.
    Status block(std::uint64_t offset, std::string_view source, std::string_view target, std::size_t count,
                 std::uint64_t sourceSize, std::uint64_t targetSize) {
        std::size_t at = 0;
        while (at < count) {
            if (m_mode == Mode::Same) {
                const std::size_t end = std::min(count, source.size());
                const std::size_t equal =
                    at < end ? equalPrefix(source.data() + at, target.data() + at, end - at) : 0;
                m_length += equal;
                at += equal;
                if (at < count) {
                    if (const auto done = endMode(); !done) {
                        return done;
                    }
                }
                continue;
            }
            if (m_mode == Mode::Run) {
                while (at < count && target[at] == m_runByte) {
                    ++at;
                    ++m_length;
                }
                if (at < count) {
                    if (const auto done = endMode(); !done) {
                        return done;
                    }
                }
                continue;
            }
            const std::uint64_t position = offset + at;
            const auto ahead =
                static_cast<std::size_t>(std::min<std::uint64_t>(kLookahead, targetSize - position));
            const char previous = at > 0 ? target[at - 1] : m_last;
            const std::size_t comparable =
                position < sourceSize
                    ? static_cast<std::size_t>(std::min<std::uint64_t>(ahead, sourceSize - position))
                    : 0;
            const std::size_t equal = equalPrefix(source.data() + at, target.data() + at, comparable);
            // Right after a SourceRead or a run, even one equal byte is cheaper read from the source.
            if (equal == ahead || (m_literal.empty() && equal > 0)) {
                if (const auto flushed = flushLiteral(); !flushed) {
                    return flushed;
                }
                m_mode = Mode::Same;
                m_length = 0;
                continue;
            }
            if (position > 0 && std::all_of(target.begin() + static_cast<std::ptrdiff_t>(at),
                                            target.begin() + static_cast<std::ptrdiff_t>(at + ahead),
                                            [&](char byte) { return byte == previous; })) {
                if (const auto flushed = flushLiteral(); !flushed) {
                    return flushed;
                }
                m_mode = Mode::Run;
                m_runByte = previous;
                m_start = position;
                m_length = 0;
                continue;
            }
            if (m_literal.empty()) {
                m_literalStart = position;
            }
            m_literal += target[at++];
            if (m_literal.size() == kMaxLiteral) {
                if (const auto flushed = flushLiteral(); !flushed) {
                    return flushed;
                }
            }
        }
        if (count > 0) {
            m_last = target[count - 1];
        }
        return success();
    }

    Status finish() {
        if (const auto done = endMode(); !done) {
            return done;
        }
        return flushLiteral();
    }

  private:
    enum class Mode { Decide, Same, Run };

    Status endMode() {
        const Mode mode = std::exchange(m_mode, Mode::Decide);
        if (mode == Mode::Same && m_length > 0) {
            return m_writer.action(SourceRead, m_length);
        }
        if (mode == Mode::Run && m_length > 0) {
            // The copy starts at the byte before the run and may overlap what it writes.
            const std::uint64_t from = m_start - 1;
            std::string offset;
            putNumber(offset, from >= m_targetCursor ? (from - m_targetCursor) << 1
                                                     : ((m_targetCursor - from) << 1) | 1);
            m_targetCursor = from + m_length;
            m_ranges.add(m_start, m_length);
            return m_writer.action(TargetCopy, m_length, offset);
        }
        return success();
    }

    Status flushLiteral() {
        if (m_literal.empty()) {
            return success();
        }
        m_ranges.add(m_literalStart, m_literal.size());
        const auto written = m_writer.action(TargetRead, m_literal.size(), m_literal);
        m_literal.clear();
        return written;
    }

    PatchWriter& m_writer;
    RangeJoiner& m_ranges;
    Mode m_mode = Mode::Decide;
    std::uint64_t m_length = 0;  // of the SourceRead or run being made
    std::uint64_t m_start = 0;   // of the run
    char m_runByte = 0;
    char m_last = 0;  // the block before's last byte
    std::uint64_t m_targetCursor = 0;
    std::string m_literal;
    std::uint64_t m_literalStart = 0;
};

}  // namespace

void putNumber(std::string& out, std::uint64_t value) {
    while (true) {
        const auto low = static_cast<char>(value & 0x7F);
        value >>= 7;
        if (value == 0) {
            out += static_cast<char>(0x80 | low);
            return;
        }
        out += low;
        --value;
    }
}

void putCrc(std::string& out, std::uint32_t crc) {
    for (int i = 0; i < 4; ++i) {
        out += static_cast<char>((crc >> (8 * i)) & 0xFF);
    }
}

std::size_t equalPrefix(const char* a, const char* b, std::size_t count) {
    std::size_t at = 0;
    for (std::uint64_t x = 0, y = 0; at + 8 <= count; at += 8) {
        std::memcpy(&x, a + at, 8);
        std::memcpy(&y, b + at, 8);
        if (x != y) {
            break;
        }
    }
    while (at < count && a[at] == b[at]) {
        ++at;
    }
    return at;
}

Result<PatchMade> createBps(const files::FileHandle& original, const files::FileHandle& modified,
                            files::NewFile& out, Progress& progress) {
    const std::uint64_t sourceSize = original.openedSize();
    const std::uint64_t targetSize = modified.openedSize();
    PatchWriter writer(out);
    std::string header = "BPS1";
    putNumber(header, sourceSize);
    putNumber(header, targetSize);
    putNumber(header, 0);
    if (const auto written = writer.put(header); !written) {
        return written.failure();
    }
    RangeJoiner ranges({});
    LinearMaker maker(writer, ranges);
    CrcBeside sourceCrc(original, sourceSize);
    // A target of another size is worked through on a thread of its own.
    const bool sameSize = sourceSize == targetSize;
    std::optional<CrcBeside> targetCrc;
    if (!sameSize) {
        targetCrc.emplace(modified, targetSize);
    }
    SameSizeTargetCrc sameSizeCrc;
    std::string source;
    std::string target;
    const auto span = [](std::uint64_t at, std::uint64_t size, std::uint64_t most) {
        return static_cast<std::size_t>(at < size ? std::min(most, size - at) : 0);
    };
    for (std::uint64_t at = 0; at < std::max(sourceSize, targetSize); at += kBlock) {
        if (const auto read = readExactly(original, at, span(at, sourceSize, kBlock + kLookahead), source);
            !read) {
            return read.failure();
        }
        if (const auto read = readExactly(modified, at, span(at, targetSize, kBlock + kLookahead), target);
            !read) {
            return read.failure();
        }
        const std::size_t sourceCount = span(at, sourceSize, kBlock);
        const std::size_t targetCount = span(at, targetSize, kBlock);
        if (const auto made = maker.block(at, source, target, targetCount, sourceSize, targetSize); !made) {
            return made.failure();
        }
        if (sameSize) {
            sameSizeCrc.block(at, source.data(), target.data(), targetCount);
        }
        if (!progress.advance(sourceCount + targetCount)) {
            return Progress::cancelled();
        }
    }
    if (const auto finished = maker.finish(); !finished) {
        return finished.failure();
    }
    const auto crc = sourceCrc.get();
    if (!crc) {
        return crc.failure();
    }
    const auto crc2 =
        sameSize ? Result<std::uint32_t>(sameSizeCrc.finish(*crc, targetSize)) : targetCrc->get();
    if (!crc2) {
        return crc2.failure();
    }
    std::string tail;
    putCrc(tail, *crc);
    putCrc(tail, *crc2);
    if (const auto written = writer.put(tail); !written) {
        return written.failure();
    }
    tail.clear();
    putCrc(tail, writer.crc());
    if (const auto written = out.append(tail); !written) {
        return written.failure();
    }
    return PatchMade{PatchFormat::Bps, out.size(), ranges.finish()};
}

}  // namespace rq::patch
