#include <cstdio>
#include <optional>
#include <ostream>
#include <vector>

#include "commands.h"
#include "files/codepage.h"
#include "patch/patchfiles.h"
#include "progressline.h"

namespace rq::cli {
namespace {

std::string hex(std::uint64_t value, int digits) {
    char text[24];
    std::snprintf(text, sizeof text, "%0*llX", digits, static_cast<unsigned long long>(value));
    return text;
}

std::string bytes(std::uint64_t count) {
    return std::to_string(count) + (count == 1 ? " byte" : " bytes");
}

int usage(Streams io, std::string_view why = {}) {
    if (!why.empty()) {
        io.err << "romquill-cli patch: " << why << "\n";
    }
    printVerbUsage("patch", io.err);
    return kExitUsage;
}

int create(Arguments args, Streams io) {
    std::vector<std::string> paths;
    std::optional<PatchFormat> format;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] != "--format") {
            paths.push_back(args[i]);
            continue;
        }
        format = i + 1 < args.size() ? patchFormatForPath("." + args[++i]) : std::nullopt;
        if (!format) {
            return usage(io, "--format takes ips or bps.");
        }
    }
    if (paths.size() != 3) {
        return usage(io);
    }
    if (!format) {
        format = patchFormatForPath(paths[2]);
    }
    if (!format) {
        return usage(io, "the format cannot be told from \"" + paths[2] +
                             "\": name it .bps or .ips, or give --format bps|ips.");
    }
    const auto made = createPatch(paths[0], paths[1], paths[2], *format);
    if (!made) {
        io.err << made.error() << '\n';
        return kExitRefused;
    }
    io.out << "Made \"" << paths[2] << "\": " << patchFormatName(made->format) << " patch of "
           << bytes(made->patchSize) << ", " << made->changedRanges
           << (made->changedRanges == 1 ? " changed range.\n" : " changed ranges.\n");
    return kExitOk;
}

int apply(Arguments args, Streams io) {
    if (args.size() != 3) {
        return usage(io);
    }
    ProgressLine line(io.err, "Applying the patch", isTerminalError(io.err));
    const auto applied =
        applyPatch(args[0], args[1], args[2],
                   [&line](std::uint64_t done, std::uint64_t total) { return line.tell(done, total); });
    line.finish();
    if (!applied) {
        io.err << applied.error() << '\n';
        return kExitRefused;
    }
    for (const auto& warning : applied->warnings) {
        io.err << "warning: " << warning << '\n';
    }
    io.out << "Made \"" << args[2] << "\" (" << bytes(applied->outputSize) << ") with the "
           << patchFormatName(applied->format) << " patch.\n";
    return kExitOk;
}

int info(Arguments args, Streams io) {
    if (args.size() != 1) {
        return usage(io);
    }
    std::vector<ChangedRange> ranges;
    const auto read = readPatchInfo(args[0], [&](const ChangedRange& range) {
        if (ranges.size() < 100000) {
            ranges.push_back(range);
        }
    });
    if (!read) {
        io.err << read.error() << '\n';
        return kExitRefused;
    }
    io.out << "format: " << patchFormatName(read->format) << "\npatch size: " << bytes(read->patchSize)
           << '\n';
    if (read->format == PatchFormat::Bps) {
        io.out << "source size: " << bytes(read->sourceSize) << "\ntarget size: " << bytes(read->targetSize)
               << "\nsource CRC32: " << hex(read->sourceCrc, 8)
               << "\ntarget CRC32: " << hex(read->targetCrc, 8) << "\npatch CRC32: " << hex(read->patchCrc, 8)
               << (read->patchCrcRight ? " (right)" : " (wrong)")
               << "\nmetadata: " << (read->metadata.empty() ? "none" : escapeControls(read->metadata))
               << '\n';
    } else if (read->truncateTo) {
        io.out << "cut to: " << bytes(*read->truncateTo) << '\n';
    }
    io.out << "changed ranges: " << read->changedRanges << " (offset, length)\n";
    for (const auto& range : ranges) {
        io.out << "0x" << hex(range.offset, 6) << ' ' << range.length << '\n';
    }
    if (ranges.size() < read->changedRanges) {
        io.out << "... " << read->changedRanges - ranges.size() << " more\n";
    }
    for (const auto& warning : read->warnings) {
        io.err << "warning: " << warning << '\n';
    }
    return kExitOk;
}

}  // namespace

int patchCommand(Arguments args, Streams io) {
    const std::string verb = args.empty() ? std::string() : args[0];
    const Arguments rest = args.empty() ? args : args.subspan(1);
    if (verb == "create") {
        return create(rest, io);
    }
    if (verb == "apply") {
        return apply(rest, io);
    }
    if (verb == "info") {
        return info(rest, io);
    }
    return usage(io);
}

}  // namespace rq::cli
