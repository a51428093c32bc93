#pragma once

#include <cstdint>
#include <string>

#include "files/result.h"
#include "patch/patchfiles.h"

// What release notes say of a file so that a player can check theirs: its size, CRC32, MD5 and SHA-1.
namespace rq::patch {

struct FileHashes {
    std::uint64_t size = 0;
    std::uint32_t crc32 = 0;
    std::string md5;   // lower-case hexadecimal digits
    std::string sha1;  // lower-case hexadecimal digits
};

// The file's hashes, read in blocks: memory does not grow with its size. MD5 and SHA-1 come from the system's
// cryptographic library (nettle; Windows' own on Windows). Cancelled as the patch jobs are.
[[nodiscard]] Result<FileHashes> hashFile(const std::string& path, const PatchProgress& progress = {});

// The lines release notes give for a file: its name, then "Size: N bytes", "CRC32: 8 upper-case digits",
// "MD5: ..." and "SHA-1: ...", each line ended.
[[nodiscard]] std::string hashLines(const std::string& name, const FileHashes& hashes);

}  // namespace rq::patch
