#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "files/result.h"

namespace rq::files {

// The one message every failed byte-range read gives.
inline constexpr std::string_view kRomNotFound = "ROM not found!";

// Reads count bytes at file offset offset + shift. Bytes past the end of the file come back as zeros, so a
// successful read always gives exactly count bytes. A count of 0 gives the empty text without opening the
// file. A missing or non-regular file, a negative count or a start that is negative or does not fit in 32
// bits fails with kRomNotFound.
[[nodiscard]] Result<std::string> readRange(const std::string& path, std::int32_t offset, std::int16_t count,
                                            std::int16_t shift);

// The size of a regular file; a missing file or anything else (a folder, a FIFO, a device) fails.
[[nodiscard]] Result<std::uint64_t> regularFileSize(const std::string& path);

}  // namespace rq::files
