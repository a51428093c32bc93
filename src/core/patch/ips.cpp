// Applying and reading an IPS patch.
#include <optional>

#include "files/asciitext.h"
#include "patch/ipsformat.h"
#include "patch/patchio.h"

namespace rq::patch {
namespace {

std::uint64_t bigEndian(std::string_view bytes) {
    std::uint64_t value = 0;
    for (const char byte : bytes) {
        value = (value << 8) | static_cast<unsigned char>(byte);
    }
    return value;
}

struct IpsEnd {
    std::optional<std::uint64_t> truncateTo;
};

// Reads every record, telling each to onRecord, and refuses a patch that ends inside a record, lacks its
// "EOF" marker or has stray bytes after it. Records out of order or overlapping go into warnings.
template <class OnRecord>
Result<IpsEnd> walkIps(const files::FileHandle& patch, std::vector<std::string>& warnings,
                       OnRecord&& onRecord) {
    Reader reader(patch, 5, patch.openedSize());
    const auto broken = [&](std::string_view why) -> Error {
        if (!reader.error().empty()) {
            return Error{reader.error()};
        }
        return brokenPatch(patch.path(), PatchFormat::Ips, why);
    };
    std::uint64_t dropped = 0;
    std::uint64_t index = 0;
    std::uint64_t previousOffset = 0;
    std::uint64_t previousEnd = 0;
    std::string head;
    Record record;
    while (true) {
        head.clear();
        if (!reader.read(3, head)) {
            return broken("it ends without its \"EOF\" marker (the file is cut short)");
        }
        if (head == "EOF") {
            break;
        }
        record.offset = bigEndian(head);
        record.bytes.clear();
        head.clear();
        if (!reader.read(2, head)) {
            return broken("it ends inside a record (the file is cut short)");
        }
        const std::uint64_t size = bigEndian(head);
        if (size == 0) {
            head.clear();
            if (!reader.read(3, head)) {
                return broken("it ends inside a record (the file is cut short)");
            }
            record.runLength = bigEndian(head.substr(0, 2));
            record.runByte = head[2];
            if (record.runLength == 0) {
                addWarning(warnings, dropped,
                           "Record " + std::to_string(index + 1) + " (offset 0x" +
                               files::hexText(record.offset) + ") is a run of zero bytes.");
            }
        } else if (!reader.read(static_cast<std::size_t>(size), record.bytes)) {
            return broken("it ends inside a record (the file is cut short)");
        }
        if (index > 0 && record.offset < previousOffset) {
            addWarning(warnings, dropped,
                       "Record " + std::to_string(index + 1) + " (offset 0x" + files::hexText(record.offset) +
                           ") comes before the record ahead of it (out of order).");
        } else if (index > 0 && record.offset < previousEnd) {
            addWarning(warnings, dropped,
                       "Record " + std::to_string(index + 1) + " (offset 0x" + files::hexText(record.offset) +
                           ") overlaps the record ahead of it.");
        }
        if (const auto done = onRecord(record, reader.position()); !done) {
            return done.failure();
        }
        previousOffset = record.offset;
        previousEnd = record.end();
        ++index;
    }
    closeWarnings(warnings, dropped);
    IpsEnd end;
    if (reader.remaining() == 3) {
        head.clear();
        if (!reader.read(3, head)) {
            return broken("its truncate field cannot be read");
        }
        end.truncateTo = bigEndian(head);
    } else if (reader.remaining() != 0) {
        return broken("it has " + std::to_string(reader.remaining()) +
                      " stray bytes after its \"EOF\" marker");
    }
    return end;
}

}  // namespace

Result<PatchApplied> applyIps(const files::FileHandle& patch, const files::FileHandle& file,
                              files::NewFile& out, const PatchProgress& callback) {
    // The work is the copy and every byte the records write: a short patch of long runs writes many times
    // its own size. Counting it first also refuses a broken patch before anything is written.
    std::uint64_t recordBytes = 0;
    std::vector<std::string> counted;
    const auto count = [&](const Record& record, std::uint64_t) -> Status {
        recordBytes += record.length();
        return success();
    };
    if (const auto walked = walkIps(patch, counted, count); !walked) {
        return walked.failure();
    }
    Progress progress(callback, file.openedSize() + recordBytes);
    std::string block;
    for (std::uint64_t at = 0; at < file.openedSize(); at += kBlock) {
        const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, file.openedSize() - at));
        if (const auto read = readExactly(file, at, count, block); !read) {
            return read.failure();
        }
        if (const auto written = out.append(block); !written) {
            return written.failure();
        }
        if (!progress.advance(count)) {
            return Progress::cancelled();
        }
    }
    PatchApplied applied{PatchFormat::Ips, 0, {}};
    const auto end = walkIps(patch, applied.warnings, [&](const Record& record, std::uint64_t) -> Status {
        const auto written =
            record.bytes.empty()
                ? out.writeAt(record.offset,
                              std::string(static_cast<std::size_t>(record.runLength), record.runByte))
                : out.writeAt(record.offset, record.bytes);
        if (!written) {
            return written;
        }
        if (!progress.advance(record.length())) {
            return Progress::cancelled();
        }
        return success();
    });
    if (!end) {
        return end.failure();
    }
    if (end->truncateTo) {
        if (const auto cut = out.resize(*end->truncateTo); !cut) {
            return cut.failure();
        }
    }
    applied.outputSize = out.size();
    return applied;
}

Result<PatchInfo> ipsInfo(const files::FileHandle& patch,
                          const std::function<void(const ChangedRange&)>& onRange) {
    PatchInfo info;
    info.format = PatchFormat::Ips;
    info.patchSize = patch.openedSize();
    RangeJoiner ranges(onRange);
    const auto end = walkIps(patch, info.warnings, [&](const Record& record, std::uint64_t) -> Status {
        if (record.length() > 0) {
            ranges.add(record.offset, record.length());
        }
        return success();
    });
    if (!end) {
        return end.failure();
    }
    info.truncateTo = end->truncateTo;
    info.changedRanges = ranges.finish();
    return info;
}

}  // namespace rq::patch
