#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "files/filehandle.h"
#include "files/result.h"
#include "patch/patchfiles.h"

// The forms a dump of the right game comes in that a patch does not expect: a copier's 512-byte header in
// front, every 16-bit word byte-swapped, or the interleaved layout of Mega Drive copiers (SMD). A patch that
// knows its source's size and CRC32 can tell which one a refused file is, and the file can be mended.
namespace rq::patch {

enum class BaseForm {
    CopierHeader,  // 512 bytes in front of the file
    ByteSwapped,   // every pair of bytes the other way round
    Interleaved,   // SMD: a 512-byte header, then 16 KiB blocks of the odd bytes and then the even bytes
};

// Which form of the file has the size and CRC32 expected, trying each in turn; nothing when none has.
[[nodiscard]] Result<std::optional<BaseForm>> findBaseForm(const files::FileHandle& file, std::uint64_t size,
                                                           std::uint32_t crc);

// What the file has, said of it: "has a 512-byte copier header", "is byte-swapped (every 16-bit word the
// other way round)", "is in the interleaved SMD layout of Mega Drive copiers".
[[nodiscard]] std::string_view baseFormPhrase(BaseForm form);
// What the mended file is: "without the header", "in the normal byte order", "in the normal layout".
[[nodiscard]] std::string_view mendedPhrase(BaseForm form);

// The refusal of a patch's apply to a file in that form, and what to do: "\"F\" has a 512-byte copier
// header; without it, it is the file this patch was made for. Use --repair (or \"Repair and apply\" in the
// window) to apply it to the file without the header." A window that offers the repair as a button names
// the button instead: "... Press \"Repair and apply\" to apply the patch to the file without the header; the
// file itself stays as it is."
enum class Repair { Option, Button };
[[nodiscard]] std::string baseFormMessage(const std::string& path, BaseForm form,
                                          Repair repair = Repair::Option);

// What else can be said of a file that is in no known form of the patch's source: the game its header names,
// and how its size differs (shorter: perhaps cut short; longer: perhaps overdumped or padded). Each sentence
// starts with a space; empty when there is nothing to say.
[[nodiscard]] std::string otherFileNote(const std::string& path, std::uint64_t size,
                                        std::uint64_t expectedSize);

// A patch applied to the mended form of a file that is in one of these forms: the mended form is written
// first into a temporary file beside outPath that has no name anyone else can reach, and is gone whatever
// happens. A file in none of them is patched as applyPatch does it (and refused as it refuses). The input
// file is never changed; memory stays bounded as for any apply.
struct RepairedApply {
    PatchApplied applied;
    std::optional<BaseForm> mended;  // the form the file was in; nothing when it needed no mending
};
[[nodiscard]] Result<RepairedApply> repairAndApply(const std::string& patchPath, const std::string& file,
                                                   const std::string& outPath,
                                                   const PatchProgress& progress = {});

// The bytes [at, at + count) of the file's mended form (count at most one 16 KiB block, at a multiple of it).
[[nodiscard]] Result<std::string> mendedBlock(const files::FileHandle& file, BaseForm form, std::uint64_t at,
                                              std::size_t count);
// The mended form's size.
[[nodiscard]] std::uint64_t mendedSize(const files::FileHandle& file, BaseForm form);

}  // namespace rq::patch
