#include "files/textencoding.h"

#include <algorithm>
#include <string_view>

#include "files/codepage.h"

#ifdef _WIN32
#include <windows.h>

#include <climits>
#else
#include <iconv.h>
#endif

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

#ifdef _WIN32
std::optional<std::string> shiftJisToUtf8(std::string_view bytes) {
    if (bytes.empty()) {
        return std::string();
    }
    if (bytes.size() > static_cast<std::size_t>(INT_MAX / 2)) {
        return std::nullopt;
    }
    const int size = static_cast<int>(bytes.size());
    const int units = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0);
    if (units <= 0) {
        return std::nullopt;
    }
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes.data(), size, wide.data(), units);
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, text.data(), length, nullptr, nullptr);
    return text;
}
#else
std::optional<std::string> shiftJisToUtf8(std::string_view bytes) {
    const iconv_t converter = iconv_open("UTF-8", "CP932");
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        return std::nullopt;
    }
    std::string text(bytes.size() * 3 + 4, '\0');  // a Shift-JIS byte is at most 3 bytes of UTF-8
    char* in = const_cast<char*>(bytes.data());    // iconv's signature; it does not write there
    std::size_t inLeft = bytes.size();
    char* out = text.data();
    std::size_t outLeft = text.size();
    const std::size_t converted = iconv(converter, &in, &inLeft, &out, &outLeft);
    iconv_close(converter);
    if (converted == static_cast<std::size_t>(-1) || inLeft != 0) {
        return std::nullopt;
    }
    text.resize(text.size() - outLeft);
    return text;
}
#endif

}  // namespace rq::files
