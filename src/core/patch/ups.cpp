// UPS: "UPS1", the source size and the target size, then records up to the last 12 bytes (a number of equal
// bytes to skip, then the XOR of each differing pair, ended by a zero byte that also stands for one equal
// byte), then the CRC32s of the source, the target and the patch up to that last CRC (little-endian). A byte
// past a file's end counts as zero. XOR undoes itself: the same patch turns the target back into the source.
#include <algorithm>

#include "patch/bpsformat.h"

namespace rq::patch {
namespace {

struct UpsHeader {
    std::uint64_t sourceSize = 0;
    std::uint64_t targetSize = 0;
    std::uint64_t recordsStart = 0;
    std::uint32_t sourceCrc = 0;
    std::uint32_t targetCrc = 0;
    std::uint32_t patchCrc = 0;
};

Result<UpsHeader> readHeader(const files::FileHandle& patch) {
    const std::uint64_t size = patch.openedSize();
    if (size < 4 + 2 + 12) {
        return brokenPatch(patch.path(), PatchFormat::Ups, "it is too short");
    }
    Reader reader(patch, 4, size - 12);
    UpsHeader header;
    if (!readNumber(reader, header.sourceSize) || !readNumber(reader, header.targetSize)) {
        return reader.error().empty()
                   ? brokenPatch(patch.path(), PatchFormat::Ups, "its sizes cannot be read")
                   : Error{reader.error()};
    }
    header.recordsStart = reader.position();
    std::string tail;
    if (const auto read = readExactly(patch, size - 12, 12, tail); !read) {
        return read.failure();
    }
    header.sourceCrc = crcAt(std::string_view(tail).substr(0, 4));
    header.targetCrc = crcAt(std::string_view(tail).substr(4, 4));
    header.patchCrc = crcAt(std::string_view(tail).substr(8, 4));
    return header;
}

// Gives the visitor each run of XOR bytes (in pieces of at most a block) at its position, refusing a record
// that reaches past the end of the longer file before the visitor sees it.
template <class Visitor>
Status walkRecords(const files::FileHandle& patch, const UpsHeader& header, Visitor& visit) {
    Reader reader(patch, header.recordsStart, patch.openedSize() - 12);
    const auto invalid = [&](const std::string& why) -> Error {
        return reader.error().empty() ? brokenPatch(patch.path(), PatchFormat::Ups, why)
                                      : Error{reader.error()};
    };
    const std::uint64_t end = std::max(header.sourceSize, header.targetSize);
    const std::string pastEnd =
        "a record reaches past the " + std::to_string(end) + " bytes of the larger file";
    std::uint64_t position = 0;
    std::string run;
    while (reader.remaining() > 0) {
        std::uint64_t skip = 0;
        if (!readNumber(reader, skip)) {
            return invalid("a record is cut short");
        }
        if (position > end || skip > end - position) {
            return invalid(pastEnd);
        }
        position += skip;
        auto until = Reader::Until::Full;
        while (until == Reader::Until::Full) {
            run.clear();
            until = reader.readUntil('\0', kBlock, run);
            if (until == Reader::Until::Ended) {
                return invalid("a record is cut short");
            }
            if (run.size() > end - position) {
                return invalid(pastEnd);
            }
            if (const auto visited = visit.changed(position, run); !visited) {
                return visited;
            }
            position += run.size();
        }
        // The zero byte ending a run stands for an equal byte, or for none past the end.
        ++position;
    }
    return success();
}

// Writes the output in order: the input's bytes (zero past its end) where the patch changes nothing, the
// input XOR the patch where it does, keeping the output's CRC32 on the way.
class Applier {
  public:
    Applier(const files::FileHandle& input, files::NewFile& out, std::uint64_t size, Progress& progress)
        : m_input(input), m_out(out), m_size(size), m_progress(progress) {}

    Status changed(std::uint64_t position, std::string_view xors) {
        if (position >= m_size) {
            return success();
        }
        if (const auto copied = copyTo(position); !copied) {
            return copied;
        }
        const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(xors.size(), m_size - position));
        if (const auto read = readInput(position, count); !read) {
            return read;
        }
        for (std::size_t i = 0; i < count; ++i) {
            m_block[i] = static_cast<char>(m_block[i] ^ xors[i]);
        }
        return append();
    }

    Status finish() { return copyTo(m_size); }
    [[nodiscard]] std::uint32_t crc() { return m_crc.finish(); }

  private:
    Status copyTo(std::uint64_t position) {
        while (m_written < position) {
            const auto count =
                static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, position - m_written));
            if (const auto read = readInput(m_written, count); !read) {
                return read;
            }
            if (const auto added = append(); !added) {
                return added;
            }
        }
        return success();
    }

    Status readInput(std::uint64_t at, std::size_t count) {
        const std::uint64_t size = m_input.openedSize();
        const auto real = static_cast<std::size_t>(at < size ? std::min<std::uint64_t>(count, size - at) : 0);
        if (const auto read = readExactly(m_input, at, real, m_block); !read) {
            return read;
        }
        m_block.resize(count, '\0');
        return success();
    }

    Status append() {
        m_crc.add(m_block);
        if (const auto written = m_out.append(m_block); !written) {
            return written;
        }
        m_written += m_block.size();
        return m_progress.advance(m_block.size()) ? success() : Status(Progress::cancelled());
    }

    const files::FileHandle& m_input;
    files::NewFile& m_out;
    std::uint64_t m_size = 0;
    Progress& m_progress;
    std::uint64_t m_written = 0;
    CrcPipe m_crc;
    std::string m_block;
};

// Tells the changed ranges of the target.
class RangeTeller {
  public:
    RangeTeller(RangeJoiner& ranges, std::uint64_t targetSize) : m_ranges(ranges), m_size(targetSize) {}
    Status changed(std::uint64_t position, std::string_view xors) {
        if (position < m_size && !xors.empty()) {
            m_ranges.add(position, std::min<std::uint64_t>(xors.size(), m_size - position));
        }
        return success();
    }

  private:
    RangeJoiner& m_ranges;
    std::uint64_t m_size = 0;
};

}  // namespace

Result<PatchApplied> applyUps(const files::FileHandle& patch, const files::FileHandle& file,
                              files::NewFile& out, const PatchProgress& callback, PatchDirection direction) {
    const auto header = readHeader(patch);
    if (!header) {
        return header.failure();
    }
    const PatchEnds ends =
        direction == PatchDirection::Backward
            ? PatchEnds{header->targetSize, header->targetCrc, header->sourceSize, header->sourceCrc}
            : PatchEnds{header->sourceSize, header->sourceCrc, header->targetSize, header->targetCrc};
    Progress progress(callback, patch.openedSize() + ends.outputSize);
    if (const auto right = checkPatchCrc(patch, header->patchCrc, progress); !right) {
        return right.failure();
    }
    const std::uint64_t size = file.openedSize();
    if (size != ends.inputSize) {
        std::uint32_t crc = 0;
        if (size == ends.outputSize) {
            const auto found = crcOfFile(file, size, progress);
            if (!found) {
                return found.failure();
            }
            crc = *found;
        }
        return wrongPatchInput(file, PatchFormat::Ups, direction, ends, crc);
    }
    if (const auto space = checkOutputSpace(patch, out, ends.outputSize); !space) {
        return space.failure();
    }
    // As for BPS: the input's CRC is worked out while the output is written, and checked first.
    CrcBeside inputCrc(file, size);
    Applier applier(file, out, ends.outputSize, progress);
    auto walked = walkRecords(patch, *header, applier);
    if (walked) {
        walked = applier.finish();
    }
    if (!walked && walked.error() == kPatchCancelled) {
        return walked.failure();
    }
    const auto crc = inputCrc.get();
    if (!crc) {
        return crc.failure();
    }
    if (*crc != ends.inputCrc) {
        return wrongPatchInput(file, PatchFormat::Ups, direction, ends, *crc);
    }
    if (!walked) {
        return walked.failure();
    }
    if (const std::uint32_t made = applier.crc(); made != ends.outputCrc) {
        return Error{"\"" + patch.path() + "\" is not a valid UPS patch: the bytes it makes have CRC32 " +
                         crcText(made) + ", not the " + crcText(ends.outputCrc) + " it records.",
                     ErrorKind::Refusal};
    }
    return PatchApplied{PatchFormat::Ups, out.size(), {}};
}

Result<PatchInfo> upsInfo(const files::FileHandle& patch,
                          const std::function<void(const ChangedRange&)>& onRange) {
    const auto header = readHeader(patch);
    if (!header) {
        return header.failure();
    }
    auto recorded = recordedInfo(
        patch, PatchFormat::Ups,
        {header->sourceSize, header->sourceCrc, header->targetSize, header->targetCrc}, header->patchCrc);
    if (!recorded) {
        return recorded.failure();
    }
    PatchInfo info = std::move(recorded).value();
    RangeJoiner ranges(onRange);
    RangeTeller teller(ranges, header->targetSize);
    if (const auto walked = walkRecords(patch, *header, teller); !walked) {
        return walked.failure();
    }
    info.changedRanges = ranges.finish();
    return info;
}

}  // namespace rq::patch
