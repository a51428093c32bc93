#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "files/filehandle.h"
#include "files/result.h"

namespace rq::patch {

// The formats translations are shared in. BPS and UPS name their source by size and CRC32; IPS names
// nothing. UPS stores the differences as XOR, so it also turns the target back into the source.
enum class PatchFormat { Ips, Bps, Ups };

// Which way a patch is applied: backwards turns a UPS patch's target back into its source.
enum class PatchDirection { Forward, Backward };

// "IPS", "BPS" or "UPS".
[[nodiscard]] std::string_view patchFormatName(PatchFormat format);

// The format a file name asks for by its extension (".ips", ".bps", ".ups", any case), or nothing.
[[nodiscard]] std::optional<PatchFormat> patchFormatForPath(const std::string& path);

// Told now and then how many of all the bytes to go through are done; returning false cancels the work, and
// the call then fails with kPatchCancelled, leaving nothing behind.
using PatchProgress = std::function<bool(std::uint64_t done, std::uint64_t total)>;
inline constexpr std::string_view kPatchCancelled = "Cancelled: nothing was written.";

struct ChangedRange {
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
};

struct PatchMade {
    PatchFormat format = PatchFormat::Bps;
    std::uint64_t patchSize = 0;
    std::uint64_t changedRanges = 0;
};

struct PatchApplied {
    PatchFormat format = PatchFormat::Bps;
    std::uint64_t outputSize = 0;
    // What was applied although the common patchers flag it (IPS records out of order or overlapping).
    std::vector<std::string> warnings;
};

struct PatchInfo {
    PatchFormat format = PatchFormat::Bps;
    std::uint64_t patchSize = 0;
    // BPS and UPS: the sizes and CRC32s the patch carries, whether its own CRC is right; BPS: its metadata.
    std::uint64_t sourceSize = 0;
    std::uint64_t targetSize = 0;
    std::uint32_t sourceCrc = 0;
    std::uint32_t targetCrc = 0;
    std::uint32_t patchCrc = 0;
    bool patchCrcRight = false;
    std::string metadata;
    // IPS: the length the output is cut to, when the patch has the truncate field.
    std::optional<std::uint64_t> truncateTo;
    std::uint64_t changedRanges = 0;
    std::vector<std::string> warnings;
};

// Writes a patch that turns original into modified, through a NewFile at patchPath (never one of the two).
// IPS refuses a modified file past 16 MiB (or of 16 MiB, cut from a larger one). The files are streamed:
// memory does not grow with their size.
[[nodiscard]] Result<PatchMade> createPatch(const std::string& original, const std::string& modified,
                                            const std::string& patchPath, PatchFormat format,
                                            const PatchProgress& progress = {});

// The name a patched copy of file is offered under, beside it: "NAME (patched).EXT".
[[nodiscard]] std::string patchedFileName(const std::string& file);

// Refuses an outPath that is the file patched or the patch: a patch is never applied in place. Asked before
// anything else, so that a dialog can refuse such a name before it asks to replace the file.
[[nodiscard]] Status checkPatchedFilePlace(const std::string& patchPath, const std::string& file,
                                           const std::string& outPath);

// Applies a patch (format from its first bytes) to file, writing outPath through a NewFile; outPath must be
// neither file nor the patch (checkPatchedFilePlace). A broken or refused patch leaves no output behind. BPS
// and UPS check the patch's CRC, the source's size and CRC (naming what it expected and found, or saying the
// source is already patched), that the target they declare fits in the free space of outPath's folder, and
// the written target's CRC. Backward applies only UPS, from its target to its source, with the same checks.
[[nodiscard]] Result<PatchApplied> applyPatch(const std::string& patchPath, const std::string& file,
                                              const std::string& outPath, const PatchProgress& progress = {},
                                              PatchDirection direction = PatchDirection::Forward);
// The same to a file already open (one made only to be patched, which has no name to open it by).
[[nodiscard]] Result<PatchApplied> applyPatchTo(const std::string& patchPath, const files::FileHandle& source,
                                                const std::string& outPath,
                                                const PatchProgress& progress = {},
                                                PatchDirection direction = PatchDirection::Forward);

// What a patch holds. onRange is given the changed ranges of the output in the order the patch writes them
// (ascending in any well-formed patch; an IPS patch out of order says so in its warnings).
[[nodiscard]] Result<PatchInfo> readPatchInfo(const std::string& patchPath,
                                              const std::function<void(const ChangedRange&)>& onRange = {});

}  // namespace rq::patch
