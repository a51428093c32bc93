// BPS: "BPS1", the source size, the target size, the metadata size and the metadata, then actions, then the
// CRC32s of the source, the target and the patch up to that last CRC (little-endian).
#include <algorithm>
#include <cstring>
#include <limits>

#include "patch/patchio.h"

namespace rq::patch {
namespace {

enum Action { SourceRead = 0, TargetRead = 1, SourceCopy = 2, TargetCopy = 3 };

// Bytes that must agree before a change gives way to a SourceRead or a TargetCopy: fewer cost more in
// action headers than they save.
constexpr std::size_t kLookahead = 4;
constexpr std::size_t kMaxLiteral = 1 << 16;
constexpr std::size_t kMetadataShown = 1 << 16;
constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();

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

std::uint32_t crcAt(std::string_view bytes) {
    std::uint32_t crc = 0;
    for (int i = 3; i >= 0; --i) {
        crc = (crc << 8) | static_cast<unsigned char>(bytes[static_cast<std::size_t>(i)]);
    }
    return crc;
}

// False when the number is cut short or does not fit 64 bits.
bool readNumber(Reader& reader, std::uint64_t& value) {
    value = 0;
    std::uint64_t shift = 1;
    std::string byte;
    while (true) {
        byte.clear();
        if (!reader.read(1, byte)) {
            return false;
        }
        const std::uint64_t bits = static_cast<unsigned char>(byte[0]) & 0x7F;
        if (bits != 0 && shift > (kMax - value) / bits) {
            return false;
        }
        value += bits * shift;
        if ((static_cast<unsigned char>(byte[0]) & 0x80) != 0) {
            return true;
        }
        if (shift > (kMax >> 7)) {
            return false;
        }
        shift <<= 7;
        if (value > kMax - shift) {
            return false;
        }
        value += shift;
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

struct BpsHeader {
    std::uint64_t sourceSize = 0;
    std::uint64_t targetSize = 0;
    std::uint64_t metadataSize = 0;
    std::uint64_t metadataStart = 0;
    std::uint64_t actionsStart = 0;
    std::uint32_t sourceCrc = 0;
    std::uint32_t targetCrc = 0;
    std::uint32_t patchCrc = 0;
};

Result<BpsHeader> readHeader(const FileHandle& patch) {
    const std::uint64_t size = patch.openedSize();
    if (size < 4 + 3 + 12) {
        return brokenPatch(patch.path(), PatchFormat::Bps, "it is too short");
    }
    Reader reader(patch, 4, size - 12);
    BpsHeader header;
    if (!readNumber(reader, header.sourceSize) || !readNumber(reader, header.targetSize) ||
        !readNumber(reader, header.metadataSize)) {
        return reader.error().empty()
                   ? brokenPatch(patch.path(), PatchFormat::Bps, "its sizes cannot be read")
                   : Error{reader.error()};
    }
    header.metadataStart = reader.position();
    if (!reader.skip(header.metadataSize)) {
        return brokenPatch(patch.path(), PatchFormat::Bps, "its metadata runs past its end");
    }
    header.actionsStart = reader.position();
    std::string tail;
    if (const auto read = readExactly(patch, size - 12, 12, tail); !read) {
        return read.failure();
    }
    header.sourceCrc = crcAt(std::string_view(tail).substr(0, 4));
    header.targetCrc = crcAt(std::string_view(tail).substr(4, 4));
    header.patchCrc = crcAt(std::string_view(tail).substr(8, 4));
    return header;
}

// Reads the actions and refuses any that reads outside the source, reads target bytes not yet written or
// writes past the target's size, before the visitor sees it.
template <class Visitor>
Status walkActions(const FileHandle& patch, const BpsHeader& header, Visitor& visit) {
    Reader reader(patch, header.actionsStart, patch.openedSize() - 12);
    const auto invalid = [&](const std::string& why) -> Error {
        return reader.error().empty() ? brokenPatch(patch.path(), PatchFormat::Bps, why)
                                      : Error{reader.error()};
    };
    std::uint64_t output = 0;
    std::uint64_t sourceCursor = 0;
    std::uint64_t targetCursor = 0;
    while (reader.remaining() > 0) {
        std::uint64_t data = 0;
        if (!readNumber(reader, data)) {
            return invalid("an action is cut short");
        }
        const std::uint64_t length = (data >> 2) + 1;
        if (length > header.targetSize - output) {
            return invalid("an action writes past the target's size of " + std::to_string(header.targetSize) +
                           " bytes");
        }
        Status visited = success();
        switch (data & 3) {
            case SourceRead:
                if (output > header.sourceSize || length > header.sourceSize - output) {
                    return invalid("an action reads past the end of the source");
                }
                visited = visit.source(output, output, length);
                break;
            case TargetRead:
                if (length > reader.remaining()) {
                    return invalid("an action's bytes run past the end of the patch");
                }
                visited = visit.literal(reader, output, length);
                break;
            default: {
                const bool fromSource = (data & 3) == SourceCopy;
                std::uint64_t offset = 0;
                if (!readNumber(reader, offset)) {
                    return invalid("an action is cut short");
                }
                std::uint64_t& cursor = fromSource ? sourceCursor : targetCursor;
                const std::uint64_t distance = offset >> 1;
                if ((offset & 1) != 0 ? distance > cursor : distance > kMax - cursor) {
                    return invalid(fromSource ? "an action reads before the start of the source"
                                              : "an action reads before the start of the target");
                }
                cursor = (offset & 1) != 0 ? cursor - distance : cursor + distance;
                if (fromSource && (cursor > header.sourceSize || length > header.sourceSize - cursor)) {
                    return invalid("an action reads past the end of the source");
                }
                if (!fromSource && cursor >= output) {
                    return invalid("an action reads target bytes not yet written");
                }
                visited =
                    fromSource ? visit.source(output, cursor, length) : visit.target(output, cursor, length);
                cursor += length;
            }
        }
        if (!visited) {
            return visited;
        }
        output += length;
    }
    if (output != header.targetSize) {
        return invalid("its actions end after " + std::to_string(output) + " of the target's " +
                       std::to_string(header.targetSize) + " bytes");
    }
    return success();
}

// Writes the patched file: every byte appended in order, its CRC32 kept on the way.
class Applier {
  public:
    Applier(const FileHandle& source, NewFile& out, Progress& progress)
        : m_source(source), m_out(out), m_progress(progress) {}

    [[nodiscard]] std::uint32_t crc() { return m_crc.finish(); }

    Status source(std::uint64_t, std::uint64_t from, std::uint64_t length) {
        for (std::uint64_t done = 0; done < length;) {
            const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, length - done));
            if (const auto read = readExactly(m_source, from + done, count, m_block); !read) {
                return read;
            }
            done += count;
            if (const auto added = append(m_block); !added) {
                return added;
            }
        }
        return success();
    }

    Status literal(Reader& reader, std::uint64_t, std::uint64_t length) {
        std::string bytes;
        for (std::uint64_t done = 0; done < length;) {
            bytes.clear();
            const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, length - done));
            if (!reader.read(count, bytes)) {
                return Error{reader.error()};
            }
            done += count;
            if (const auto added = append(bytes); !added) {
                return added;
            }
        }
        return success();
    }

    // The copy may overlap what it writes: then the output repeats the distance's bytes, which are read
    // once and repeated in memory.
    Status target(std::uint64_t output, std::uint64_t from, std::uint64_t length) {
        const std::uint64_t distance = output - from;
        if (distance < length && distance < kBlock) {
            auto pattern = m_out.readAt(from, static_cast<std::size_t>(distance));
            if (!pattern) {
                return pattern.failure();
            }
            std::string repeated;
            const std::uint64_t copies =
                std::max<std::uint64_t>(1, std::min(length, std::uint64_t{kBlock}) / distance);
            for (std::uint64_t i = 0; i < copies; ++i) {
                repeated += *pattern;
            }
            for (std::uint64_t done = 0; done < length;) {
                const auto count =
                    static_cast<std::size_t>(std::min<std::uint64_t>(repeated.size(), length - done));
                if (const auto added = append(std::string_view(repeated).substr(0, count)); !added) {
                    return added;
                }
                done += count;
            }
            return success();
        }
        for (std::uint64_t done = 0; done < length;) {
            const auto count =
                static_cast<std::size_t>(std::min({std::uint64_t{kBlock}, length - done, distance}));
            auto bytes = m_out.readAt(from + done, count);
            if (!bytes) {
                return bytes.failure();
            }
            if (bytes->size() != count) {
                return Error{"\"" + m_out.path() + "\" cannot be read back while it is written."};
            }
            done += count;
            if (const auto added = append(*bytes); !added) {
                return added;
            }
        }
        return success();
    }

  private:
    Status append(std::string_view bytes) {
        m_crc.add(bytes);
        if (const auto written = m_out.append(bytes); !written) {
            return written;
        }
        return m_progress.advance(bytes.size()) ? success() : Status(Progress::cancelled());
    }

    const FileHandle& m_source;
    NewFile& m_out;
    Progress& m_progress;
    CrcPipe m_crc;
    std::string m_block;
};

// Tells the ranges of the output that do not come from the same place in the source.
class RangeTeller {
  public:
    explicit RangeTeller(RangeJoiner& ranges) : m_ranges(ranges) {}
    Status source(std::uint64_t output, std::uint64_t from, std::uint64_t length) {
        if (from != output) {
            m_ranges.add(output, length);
        }
        return success();
    }
    Status literal(Reader& reader, std::uint64_t output, std::uint64_t length) {
        m_ranges.add(output, length);
        return reader.skip(length) ? success() : Status(Error{reader.error()});
    }
    Status target(std::uint64_t output, std::uint64_t, std::uint64_t length) {
        m_ranges.add(output, length);
        return success();
    }

  private:
    RangeJoiner& m_ranges;
};

// The patch being written, with the CRC32 of every byte so far.
class PatchWriter {
  public:
    explicit PatchWriter(NewFile& out) : m_out(out) {}
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
    NewFile& m_out;
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

Result<PatchMade> createBps(const FileHandle& original, const FileHandle& modified, NewFile& out,
                            Progress& progress) {
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
    CrcBeside targetCrc(modified, targetSize);
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
    const auto crc2 = targetCrc.get();
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

Result<PatchApplied> applyBps(const FileHandle& patch, const FileHandle& file, NewFile& out,
                              const PatchProgress& callback) {
    const auto header = readHeader(patch);
    if (!header) {
        return header.failure();
    }
    Progress progress(callback, patch.openedSize() + header->targetSize);
    const auto patchCrc = crcOfFile(patch, patch.openedSize() - 4, progress);
    if (!patchCrc) {
        return patchCrc.failure();
    }
    if (*patchCrc != header->patchCrc) {
        return Error{"\"" + patch.path() + "\" is damaged: its CRC32 is " + crcText(*patchCrc) +
                         ", not the " + crcText(header->patchCrc) + " it records. Get the patch again.",
                     ErrorKind::Refusal};
    }
    const std::uint64_t size = file.openedSize();
    const auto wrongSource = [&](std::uint32_t crc) -> Error {
        if (size == header->targetSize && crc == header->targetCrc) {
            return Error{"\"" + file.path() + "\" is already patched: its CRC32 " + crcText(crc) +
                             " is the one the patch makes.",
                         ErrorKind::Refusal};
        }
        const std::string wrong = "\"" + file.path() + "\" is not the file this patch was made for: ";
        if (size != header->sourceSize) {
            return Error{wrong + "it has " + std::to_string(size) + " bytes, the patch expects " +
                             std::to_string(header->sourceSize) + " bytes with CRC32 " +
                             crcText(header->sourceCrc) + ".",
                         ErrorKind::Refusal};
        }
        return Error{wrong + "its CRC32 is " + crcText(crc) + ", the patch expects " +
                         crcText(header->sourceCrc) + ".",
                     ErrorKind::Refusal};
    };
    if (size != header->sourceSize) {
        std::uint32_t crc = 0;
        if (size == header->targetSize) {
            const auto found = crcOfFile(file, size, progress);
            if (!found) {
                return found.failure();
            }
            crc = *found;
        }
        return wrongSource(crc);
    }
    // The source's CRC is checked before anything else is reported, but worked out while the output is
    // written: a wrong source costs only a temporary file, removed again.
    CrcBeside sourceCrc(file, size);
    Applier applier(file, out, progress);
    const auto walked = walkActions(patch, *header, applier);
    if (!walked && walked.error() == kPatchCancelled) {
        return walked.failure();
    }
    const auto crc = sourceCrc.get();
    if (!crc) {
        return crc.failure();
    }
    if (*crc != header->sourceCrc) {
        return wrongSource(*crc);
    }
    if (!walked) {
        return walked.failure();
    }
    if (const std::uint32_t made = applier.crc(); made != header->targetCrc) {
        return Error{"\"" + patch.path() + "\" is not a valid BPS patch: the bytes it makes have CRC32 " +
                         crcText(made) + ", not the " + crcText(header->targetCrc) + " it records.",
                     ErrorKind::Refusal};
    }
    return PatchApplied{PatchFormat::Bps, out.size(), {}};
}

Result<PatchInfo> bpsInfo(const FileHandle& patch, const std::function<void(const ChangedRange&)>& onRange) {
    const auto header = readHeader(patch);
    if (!header) {
        return header.failure();
    }
    PatchInfo info;
    info.format = PatchFormat::Bps;
    info.patchSize = patch.openedSize();
    info.sourceSize = header->sourceSize;
    info.targetSize = header->targetSize;
    info.sourceCrc = header->sourceCrc;
    info.targetCrc = header->targetCrc;
    info.patchCrc = header->patchCrc;
    const PatchProgress quiet;
    Progress progress(quiet, 0);
    const auto patchCrc = crcOfFile(patch, patch.openedSize() - 4, progress);
    if (!patchCrc) {
        return patchCrc.failure();
    }
    info.patchCrcRight = *patchCrc == header->patchCrc;
    if (!info.patchCrcRight) {
        info.warnings.push_back("The patch is damaged: its CRC32 is " + crcText(*patchCrc) + ", not the " +
                                crcText(header->patchCrc) + " it records.");
    }
    const auto shown =
        static_cast<std::size_t>(std::min<std::uint64_t>(header->metadataSize, kMetadataShown));
    if (const auto read = readExactly(patch, header->metadataStart, shown, info.metadata); !read) {
        return read.failure();
    }
    if (shown < header->metadataSize) {
        info.warnings.push_back("Only the first " + std::to_string(shown) + " of the metadata's " +
                                std::to_string(header->metadataSize) + " bytes are shown.");
    }
    RangeJoiner ranges(onRange);
    RangeTeller teller(ranges);
    if (const auto walked = walkActions(patch, *header, teller); !walked) {
        return walked.failure();
    }
    info.changedRanges = ranges.finish();
    return info;
}

}  // namespace rq::patch
