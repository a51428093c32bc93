#include "search/preview.h"

#include <algorithm>

namespace rq::search {

std::string previewText(const templates::Table& table, std::string_view bytes) {
    std::string text;
    while (!bytes.empty()) {
        const auto read = table.decode(bytes);
        for (const char ch : read.text) {
            text += ch == '\n' ? std::string("\u21B5") : std::string(1, ch);
        }
        if (read.length == 0) {
            break;
        }
        bytes.remove_prefix(std::min<std::size_t>(read.length, bytes.size()));
        if (!read.end.empty()) {
            text += "\u00B6";
        }
    }
    return text;
}

HitPreview previewHit(std::string_view file, std::uint64_t offset, std::uint64_t length, int width,
                      const templates::Table& table) {
    const auto codeBytes = static_cast<std::uint64_t>(std::max(width, 1));
    offset = std::min<std::uint64_t>(offset, file.size());
    const std::uint64_t before = std::min(offset, kPreviewBytes) / codeBytes * codeBytes;
    const std::uint64_t end = std::min<std::uint64_t>(offset + length, file.size());
    return {previewText(table, file.substr(offset - before, before)),
            previewText(table, file.substr(offset, end - offset)),
            previewText(table, file.substr(end, std::min<std::uint64_t>(kPreviewBytes, file.size() - end)))};
}

}  // namespace rq::search
