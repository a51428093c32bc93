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
    return text.size() > 2 * most ? std::nullopt : files::parseHexBytes(text);
}

}  // namespace rq::search
