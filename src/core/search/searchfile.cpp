#include "search/searchfile.h"

#include "files/asciitext.h"
#include "files/filehandle.h"

namespace rq::search {

Result<std::string> readSearchedFile(const std::string& path) {
    return files::readFileBytes(path, kLargestSearchedFile);
}

std::optional<std::string> hexBytes(std::string_view text, std::size_t most) {
    if (text.starts_with("0x") || text.starts_with("0X")) {
        text.remove_prefix(2);
    }
    if (text.empty() || text.size() % 2 != 0 || text.size() > 2 * most) {
        return std::nullopt;
    }
    std::string bytes;
    for (std::size_t at = 0; at < text.size(); at += 2) {
        const auto byte = files::parseHex(text.substr(at, 2));
        if (!byte) {
            return std::nullopt;
        }
        bytes += static_cast<char>(*byte);
    }
    return bytes;
}

}  // namespace rq::search
