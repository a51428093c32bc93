// BPS: "BPS1", the source size, the target size, the metadata size and the metadata, then actions, then the
// CRC32s of the source, the target and the patch up to that last CRC (little-endian).
#include <algorithm>
#include <cstring>
#include <limits>

#include "patch/bpsformat.h"

namespace rq::patch {
namespace {

constexpr std::size_t kMetadataShown = 1 << 16;
constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();

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

Result<BpsHeader> readHeader(const files::FileHandle& patch) {
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
Status walkActions(const files::FileHandle& patch, const BpsHeader& header, Visitor& visit) {
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
    Applier(const files::FileHandle& source, files::NewFile& out, Progress& progress)
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

    const files::FileHandle& m_source;
    files::NewFile& m_out;
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

}  // namespace

std::uint32_t crcAt(std::string_view bytes) {
    std::uint32_t crc = 0;
    for (int i = 3; i >= 0; --i) {
        crc = (crc << 8) | static_cast<unsigned char>(bytes[static_cast<std::size_t>(i)]);
    }
    return crc;
}

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

Status checkPatchCrc(const files::FileHandle& patch, std::uint32_t recorded, Progress& progress) {
    const auto crc = crcOfFile(patch, patch.openedSize() - 4, progress);
    if (!crc) {
        return crc.failure();
    }
    if (*crc != recorded) {
        return Error{"\"" + patch.path() + "\" is damaged: its CRC32 is " + crcText(*crc) + ", not the " +
                         crcText(recorded) + " it records. Get the patch again.",
                     ErrorKind::Refusal};
    }
    return success();
}

Status checkOutputSpace(const files::FileHandle& patch, const files::NewFile& out, std::uint64_t size) {
    if (const auto space = out.spaceLeft(); space && *space < size) {
        return refused("\"" + patch.path() + "\" makes a file of " + std::to_string(size) +
                       " bytes, but the folder of \"" + out.path() + "\" has only " + std::to_string(*space) +
                       " bytes free.");
    }
    return success();
}

Result<PatchApplied> applyBps(const files::FileHandle& patch, const files::FileHandle& file,
                              files::NewFile& out, const PatchProgress& callback) {
    const auto header = readHeader(patch);
    if (!header) {
        return header.failure();
    }
    Progress progress(callback, patch.openedSize() + header->targetSize);
    if (const auto right = checkPatchCrc(patch, header->patchCrc, progress); !right) {
        return right.failure();
    }
    const std::uint64_t size = file.openedSize();
    const auto wrongSource = [&](std::uint32_t crc) {
        return wrongPatchInput(file, PatchFormat::Bps, PatchDirection::Forward,
                               {header->sourceSize, header->sourceCrc, header->targetSize, header->targetCrc},
                               crc);
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
    if (const auto space = checkOutputSpace(patch, out, header->targetSize); !space) {
        return space.failure();
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

Result<PatchInfo> bpsInfo(const files::FileHandle& patch,
                          const std::function<void(const ChangedRange&)>& onRange) {
    const auto header = readHeader(patch);
    if (!header) {
        return header.failure();
    }
    auto recorded = recordedInfo(
        patch, PatchFormat::Bps,
        {header->sourceSize, header->sourceCrc, header->targetSize, header->targetCrc}, header->patchCrc);
    if (!recorded) {
        return recorded.failure();
    }
    PatchInfo info = std::move(recorded).value();
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
