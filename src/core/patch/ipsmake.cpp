// Making an IPS patch: the changed spans of two files as records, in ascending order.
#include <algorithm>
#include <optional>

#include "files/asciitext.h"
#include "patch/ipsformat.h"
#include "patch/patchio.h"

namespace rq::patch {
namespace {

// A record starting here would read as the "EOF" marker.
constexpr std::uint64_t kEofOffset = 0x454F46;
constexpr std::uint64_t kMaxRecord = 0xFFFF;
// Unchanged bytes between two changes that cost less inside one record than a record header would.
constexpr std::size_t kGapMerged = 4;

void putBigEndian(std::string& out, std::uint64_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) {
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

// Takes records in ascending order without overlaps and writes them, moving a record that would start at
// the "EOF" offset one byte earlier. The last record is held back: it may have to give up its last byte.
class RecordSink {
  public:
    RecordSink(files::NewFile& out, const files::FileHandle& modified, RangeJoiner& ranges)
        : m_out(out), m_modified(modified), m_ranges(ranges) {}

    [[nodiscard]] Status add(Record record) {
        if (record.offset != kEofOffset) {
            return hold(std::move(record));
        }
        const char first = record.first();
        record.dropFirst();
        char before = 0;
        if (m_pending && m_pending->end() == kEofOffset) {
            before = m_pending->last();
            m_pending->dropLast();
            if (m_pending->length() == 0) {
                m_pending.reset();
            }
        } else {
            std::string byte;
            if (const auto read = readExactly(m_modified, kEofOffset - 1, 1, byte); !read) {
                return read;
            }
            before = byte.front();
        }
        if (const auto held = hold(Record{kEofOffset - 1, std::string{before, first}}); !held) {
            return held;
        }
        return record.length() > 0 ? hold(std::move(record)) : success();
    }

    [[nodiscard]] Status finish() { return hold(std::nullopt); }

  private:
    Status hold(std::optional<Record> record) {
        if (m_pending) {
            std::string bytes;
            putBigEndian(bytes, m_pending->offset, 3);
            if (m_pending->bytes.empty()) {
                putBigEndian(bytes, 0, 2);
                putBigEndian(bytes, m_pending->runLength, 2);
                bytes += m_pending->runByte;
            } else {
                putBigEndian(bytes, m_pending->bytes.size(), 2);
                bytes += m_pending->bytes;
            }
            m_ranges.add(m_pending->offset, m_pending->length());
            if (const auto written = m_out.append(bytes); !written) {
                return written;
            }
        }
        m_pending = std::move(record);
        return success();
    }

    files::NewFile& m_out;
    const files::FileHandle& m_modified;
    RangeJoiner& m_ranges;
    std::optional<Record> m_pending;
};

// Turns one span of changed bytes into records: literal records of at most 65,535 bytes, and run records
// for runs of one byte where a run record is shorter than the bytes it stands for (with the record
// headers a run in the middle of a span costs).
class SpanWriter {
  public:
    explicit SpanWriter(RecordSink& sink) : m_sink(sink) {}

    [[nodiscard]] Status byte(std::uint64_t offset, char value) {
        if (m_runLength > 0 && value == m_runByte && offset == m_runStart + m_runLength) {
            ++m_runLength;
            return success();
        }
        if (const auto closed = closeRun(false); !closed) {
            return closed;
        }
        m_runByte = value;
        m_runStart = offset;
        m_runLength = 1;
        return success();
    }

    [[nodiscard]] Status endSpan() {
        if (const auto closed = closeRun(true); !closed) {
            return closed;
        }
        return flushLiteral();
    }

  private:
    Status closeRun(bool atSpanEnd) {
        const std::uint64_t worthIt = 3 + (m_literal.empty() ? 0 : 5) + (atSpanEnd ? 0 : 5);
        std::uint64_t length = std::exchange(m_runLength, 0);
        if (length > worthIt) {
            if (const auto flushed = flushLiteral(); !flushed) {
                return flushed;
            }
            for (std::uint64_t at = m_runStart; length > 0;) {
                const std::uint64_t piece = std::min(length, kMaxRecord);
                if (const auto added = m_sink.add(Record{at, {}, piece, m_runByte}); !added) {
                    return added;
                }
                at += piece;
                length -= piece;
            }
            return success();
        }
        for (std::uint64_t at = m_runStart; length > 0;) {
            if (m_literal.empty()) {
                m_literalStart = at;
            }
            const std::uint64_t piece = std::min(length, kMaxRecord - m_literal.size());
            m_literal.append(static_cast<std::size_t>(piece), m_runByte);
            at += piece;
            length -= piece;
            if (m_literal.size() == kMaxRecord) {
                if (const auto flushed = flushLiteral(); !flushed) {
                    return flushed;
                }
            }
        }
        return success();
    }

    Status flushLiteral() {
        if (m_literal.empty()) {
            return success();
        }
        return m_sink.add(Record{m_literalStart, std::exchange(m_literal, {})});
    }

    RecordSink& m_sink;
    std::string m_literal;
    std::uint64_t m_literalStart = 0;
    char m_runByte = 0;
    std::uint64_t m_runStart = 0;
    std::uint64_t m_runLength = 0;
};

// Unchanged source bytes are skipped; past the source's end, zero bytes are skipped (a patcher fills a gap
// with zeros) except the last, which must be written for the output to reach its size.
std::size_t unchangedPrefix(std::string_view source, std::string_view target, std::size_t from,
                            bool lastIsEnd) {
    std::size_t at = from;
    const std::size_t common = std::min(source.size(), target.size());
    while (at < common && source[at] == target[at]) {
        ++at;
    }
    if (at < common) {
        return at;
    }
    const std::size_t limit = lastIsEnd ? target.size() - 1 : target.size();
    while (at < limit && target[at] == 0) {
        ++at;
    }
    return at;
}

}  // namespace

Result<PatchMade> createIps(const files::FileHandle& original, const files::FileHandle& modified,
                            files::NewFile& out, Progress& progress) {
    const std::uint64_t sourceSize = original.openedSize();
    const std::uint64_t targetSize = modified.openedSize();
    if (const auto started = out.append("PATCH"); !started) {
        return started.failure();
    }
    RangeJoiner ranges({});
    RecordSink sink(out, modified, ranges);
    SpanWriter span(sink);
    bool inSpan = false;
    std::string gap;  // unchanged bytes inside a span, kept when a change follows soon enough
    std::string source;
    std::string target;
    for (std::uint64_t block = 0; block < targetSize; block += kBlock) {
        const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, targetSize - block));
        const auto sourceCount = static_cast<std::size_t>(
            block < sourceSize ? std::min<std::uint64_t>(count, sourceSize - block) : 0);
        if (const auto read = readExactly(modified, block, count, target); !read) {
            return read.failure();
        }
        if (const auto read = readExactly(original, block, sourceCount, source); !read) {
            return read.failure();
        }
        const bool lastBlock = block + count == targetSize;
        std::size_t at = 0;
        while (at < count) {
            if (!inSpan) {
                at = unchangedPrefix(source, target, at, lastBlock);
                inSpan = at < count;
                continue;
            }
            const bool changed = at < sourceCount ? source[at] != target[at]
                                                  : (target[at] != 0 || block + at + 1 == targetSize);
            if (!changed && gap.size() < kGapMerged) {
                gap += target[at++];
                continue;
            }
            if (!changed) {
                if (const auto ended = span.endSpan(); !ended) {
                    return ended.failure();
                }
                gap.clear();
                inSpan = false;
                continue;
            }
            const std::uint64_t position = block + at;
            for (std::size_t i = 0; i < gap.size(); ++i) {
                if (const auto added = span.byte(position - gap.size() + i, gap[i]); !added) {
                    return added.failure();
                }
            }
            gap.clear();
            if (const auto added = span.byte(position, target[at]); !added) {
                return added.failure();
            }
            ++at;
        }
        if (!progress.advance(count + sourceCount)) {
            return Progress::cancelled();
        }
    }
    if (const auto ended = span.endSpan(); !ended) {
        return ended.failure();
    }
    if (const auto finished = sink.finish(); !finished) {
        return finished.failure();
    }
    std::string tail = "EOF";
    if (targetSize < sourceSize) {
        putBigEndian(tail, targetSize, 3);
    }
    if (const auto written = out.append(tail); !written) {
        return written.failure();
    }
    return PatchMade{PatchFormat::Ips, out.size(), ranges.finish()};
}

}  // namespace rq::patch
