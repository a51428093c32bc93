#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "templates/table.h"

// What a list of hits shows of each: the bytes around it, read through a table.
namespace rq::search {

// Bytes as a table reads them, every string of them: a line break shows as "↵", an end token as "¶". UTF-8.
[[nodiscard]] std::string previewText(const templates::Table& table, std::string_view bytes);

// The bytes before a hit (up to kPreviewBytes), the hit (length bytes) and the bytes after it (up to
// kPreviewBytes), each read through the table. The bytes before start a whole number of codes of width
// bytes before the hit, so that two-byte codes keep their pairs.
struct HitPreview {
    std::string before;
    std::string hit;
    std::string after;
};
inline constexpr std::uint64_t kPreviewBytes = 30;
[[nodiscard]] HitPreview previewHit(std::string_view file, std::uint64_t offset, std::uint64_t length,
                                    int width, const templates::Table& table);

}  // namespace rq::search
