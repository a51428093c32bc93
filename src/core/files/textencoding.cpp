#include "files/textencoding.h"

#include <algorithm>
#include <string_view>

#include "files/codepage.h"

namespace rq::files {

Result<std::string> utf8Input(std::string bytes, const std::string& name) {
    const std::string_view mark(bytes.data(), std::min<std::size_t>(bytes.size(), 3));
    if (mark == "\xEF\xBB\xBF") {
        bytes.erase(0, 3);  // in place: the input may be tens of megabytes
        return bytes;
    }
    const bool little = mark.starts_with("\xFF\xFE");
    if (!little && !mark.starts_with("\xFE\xFF")) {
        return bytes;
    }
    if (bytes.size() % 2 != 0) {
        return Error{name + " is UTF-16 text cut short: it has an odd number of bytes.", ErrorKind::Refusal};
    }
    const auto unit = [&bytes, little](std::size_t at) {
        const auto first = static_cast<unsigned char>(bytes[at]);
        const auto second = static_cast<unsigned char>(bytes[at + 1]);
        return static_cast<char32_t>(little ? first | (second << 8) : (first << 8) | second);
    };
    std::string text;
    text.reserve(bytes.size());
    for (std::size_t at = 2; at < bytes.size(); at += 2) {
        char32_t c = unit(at);
        if (c >= 0xD800 && c < 0xDC00 && at + 2 < bytes.size() && unit(at + 2) >= 0xDC00 &&
            unit(at + 2) < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (unit(at + 2) - 0xDC00);
            at += 2;
        } else if (c >= 0xD800 && c < 0xE000) {
            return Error{name + " is not valid UTF-16: a surrogate without its pair at byte " +
                             std::to_string(at) + ".",
                         ErrorKind::Refusal};
        }
        files::appendUtf8(text, c);
    }
    return text;
}

}  // namespace rq::files
