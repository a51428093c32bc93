#include <cstdio>
#include <optional>
#include <ostream>
#include <vector>

#include "files/codepage.h"
#include "files/safewrite.h"
#include "patch/baseforms.h"
#include "patch/filehashes.h"
#include "patch/patchfiles.h"
#include "progressline.h"
#include "verbs.h"

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

// The path a verb reads for each of its inputs, standard input copied for "-"; nothing when one is refused.
std::optional<std::vector<std::string>> inputs(const std::vector<std::string>& operands, Console& console) {
    std::vector<std::string> paths;
    for (const auto& operand : operands) {
        auto path = console.input(operand);
        if (!path) {
            console.say(path.error());
            return std::nullopt;
        }
        paths.push_back(std::move(path).value());
    }
    return paths;
}

}  // namespace

int patchCreateCommand(const Given& given, Console& console) {
    const std::string& outPath = given.operands[2];
    const auto format = given.format.empty() ? patch::patchFormatForPath(outPath)
                                             : patch::patchFormatForPath("." + given.format);
    if (!format) {
        console.say("the format cannot be told from \"" + outPath +
                    "\": name it .bps, .ips or .ups, or give --format bps|ips|ups.");
        printVerbUsage("patch", console.err());
        return kExitUsage;
    }
    const auto paths = inputs({given.operands[0], given.operands[1]}, console);
    if (!paths) {
        return kExitRefused;
    }
    const auto out = console.output(outPath);
    if (!out) {
        console.say(out.error());
        return kExitRefused;
    }
    const auto made = patch::createPatch((*paths)[0], (*paths)[1], *out, *format);
    if (!made) {
        console.say(made.error());
        return kExitRefused;
    }
    if (!console.finishOutput()) {
        return kExitRefused;
    }
    // What release notes give of both files, so that players can check theirs.
    std::string notes;
    for (const auto& [title, index] : {std::pair{"Original: ", 0}, std::pair{"Modified: ", 1}}) {
        const auto hashes = patch::hashFile((*paths)[index]);
        if (!hashes) {
            console.say(hashes.error());
            return kExitRefused;
        }
        notes += (index == 0 ? "" : "\n") + patch::hashLines(title + given.operands[index], *hashes);
    }
    if (!given.notes.empty()) {
        if (const auto written = files::writeNewFile(given.notes, notes); !written) {
            console.say(written.error());
            return kExitRefused;
        }
    }
    if (outPath != "-") {
        console.out() << "Made \"" << outPath << "\": " << patch::patchFormatName(made->format)
                      << " patch of " << bytes(made->patchSize) << ", " << made->changedRanges
                      << (made->changedRanges == 1 ? " changed range.\n" : " changed ranges.\n") << '\n'
                      << notes;
    }
    return kExitOk;
}

int patchApplyCommand(const Given& given, Console& console) {
    const std::string& outPath = given.operands[2];
    const auto paths = inputs({given.operands[0], given.operands[1]}, console);
    if (!paths) {
        return kExitRefused;
    }
    const auto out = console.output(outPath);
    if (!out) {
        console.say(out.error());
        return kExitRefused;
    }
    if (given.reverse && given.repair) {
        console.say(
            "--reverse and --repair do not go together: a file is mended only to be patched forwards.");
        printVerbUsage("patch", console.err());
        return kExitUsage;
    }
    ProgressLine line(console.err(), "Applying the patch", isTerminalError(console.err()));
    const patch::PatchProgress progress = [&line](std::uint64_t done, std::uint64_t total) {
        return line.tell(done, total);
    };
    // With --repair, a file in another form of the source is mended first; any other file is patched as is.
    const auto applied = [&]() -> Result<patch::RepairedApply> {
        if (given.repair) {
            return patch::repairAndApply((*paths)[0], (*paths)[1], *out, progress);
        }
        auto plain = patch::applyPatch(
            (*paths)[0], (*paths)[1], *out, progress,
            given.reverse ? patch::PatchDirection::Backward : patch::PatchDirection::Forward);
        if (!plain) {
            return plain.failure();
        }
        return patch::RepairedApply{std::move(plain).value(), std::nullopt};
    }();
    line.finish();
    if (!applied) {
        console.say(applied.error());
        return kExitRefused;
    }
    for (const auto& warning : applied->applied.warnings) {
        console.warn("\"" + paths->front() + "\": " + warning);
    }
    // Written out only now, complete: a failure before this point leaves standard output empty.
    if (!console.finishOutput()) {
        return kExitRefused;
    }
    if (outPath != "-") {
        const auto& mended = applied->mended;
        console.out() << "Made \"" << outPath << "\" (" << bytes(applied->applied.outputSize) << ") with the "
                      << patch::patchFormatName(applied->applied.format) << " patch"
                      << (mended ? ", from \"" + given.operands[1] + "\" " +
                                       std::string(patch::mendedPhrase(*mended))
                                 : std::string())
                      << ".\n";
    }
    return kExitOk;
}

int patchInfoCommand(const Given& given, Console& console) {
    const auto path = inputs({given.operands[0]}, console);
    if (!path) {
        return kExitRefused;
    }
    std::vector<patch::ChangedRange> ranges;
    const auto read = patch::readPatchInfo(path->front(), [&](const patch::ChangedRange& range) {
        if (ranges.size() < 100000) {
            ranges.push_back(range);
        }
    });
    if (!read) {
        console.say(read.error());
        return kExitRefused;
    }
    std::ostream& out = console.out();
    out << "format: " << patch::patchFormatName(read->format) << "\npatch size: " << bytes(read->patchSize)
        << '\n';
    if (read->format != patch::PatchFormat::Ips) {
        out << "source size: " << bytes(read->sourceSize) << "\ntarget size: " << bytes(read->targetSize)
            << "\nsource CRC32: " << hex(read->sourceCrc, 8) << "\ntarget CRC32: " << hex(read->targetCrc, 8)
            << "\npatch CRC32: " << hex(read->patchCrc, 8) << (read->patchCrcRight ? " (right)" : " (wrong)")
            << '\n';
    }
    if (read->format == patch::PatchFormat::Bps) {
        out << "metadata: " << (read->metadata.empty() ? "none" : files::escapeControls(read->metadata))
            << '\n';
    } else if (read->truncateTo) {
        out << "cut to: " << bytes(*read->truncateTo) << '\n';
    }
    out << "changed ranges: " << read->changedRanges << " (offset, length)\n";
    for (const auto& range : ranges) {
        out << "0x" << hex(range.offset, 6) << ' ' << range.length << '\n';
    }
    if (ranges.size() < read->changedRanges) {
        out << "... " << read->changedRanges - ranges.size() << " more\n";
    }
    for (const auto& warning : read->warnings) {
        console.warn("\"" + path->front() + "\": " + warning);
    }
    return kExitOk;
}

}  // namespace rq::cli
