#include "asciitext.h"

namespace rq::files {

std::optional<std::uint64_t> parseHex(std::string_view digits) {
    if (digits.empty() || digits.size() > 16) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (const char c : digits) {
        int digit = 0;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else if (c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else {
            return std::nullopt;
        }
        value = value * 16 + static_cast<std::uint64_t>(digit);
    }
    return value;
}

std::optional<std::string> parseHexBytes(std::string_view digits) {
    if (digits.empty() || digits.size() % 2 != 0) {
        return std::nullopt;
    }
    std::string bytes;
    for (std::size_t at = 0; at < digits.size(); at += 2) {
        const auto byte = parseHex(digits.substr(at, 2));
        if (!byte) {
            return std::nullopt;
        }
        bytes += static_cast<char>(*byte);
    }
    return bytes;
}

std::string hexText(std::uint64_t value, std::size_t minDigits) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    do {
        text.insert(text.begin(), kDigits[value % 16]);
        value /= 16;
    } while (value != 0 || text.size() < minDigits);
    return text;
}

std::string lowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

std::string upperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return out;
}

std::string sentenceStart(std::string_view text) {
    std::string start(text);
    if (!start.empty() && start[0] >= 'a' && start[0] <= 'z') {
        start[0] = static_cast<char>(start[0] - 'a' + 'A');
    }
    return start;
}

}  // namespace rq::files
