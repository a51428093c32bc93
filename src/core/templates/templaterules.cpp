#include "templaterules.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <optional>

#include "files/asciitext.h"

namespace rq::templates {
namespace {

// A decimal value with one sign at most: "+-5" is not a number. One too large for 64 bits comes back as the
// nearest 64-bit value, which lies outside every range here.
std::optional<std::int64_t> parseDecimal(std::string_view value) {
    if (value.size() > 1 && value.front() == '+' && value[1] != '-') {
        value.remove_prefix(1);
    }
    std::int64_t number = 0;
    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), number);
    if (value.empty() || end != value.data() + value.size()) {
        return std::nullopt;
    }
    if (ec == std::errc::result_out_of_range) {
        return value.front() == '-' ? INT64_MIN : INT64_MAX;
    }
    if (ec != std::errc()) {
        return std::nullopt;
    }
    return number;
}

Error broken(std::string_view phrase) {
    return Error{std::string(phrase), ErrorKind::Refusal};
}

Result<std::int16_t> shortFromTo(std::string_view value, int low, int high, std::string_view phrase) {
    const auto number = parseDecimal(value);
    if (!number || *number < low || *number > high) {
        return broken(phrase);
    }
    return static_cast<std::int16_t>(*number);
}

}  // namespace

Result<int> parseEntryCount(std::string_view value) {
    const auto count = parseDecimal(value);
    if (!count) {
        return broken("is not a number");
    }
    if (*count < INT16_MIN || *count > kEntrySlots) {
        return broken("is out of range: a count from -32768 to " + std::to_string(kEntrySlots) +
                      " (the editor has room for " + std::to_string(kEntrySlots) + " entries)");
    }
    return static_cast<int>(*count);
}

Result<std::int16_t> parseLength(std::string_view value) {
    return shortFromTo(value, 0, INT16_MAX, "is not a size from 0 to 32767 bytes");
}

Result<std::int32_t> parseHexLocation(std::string_view value) {
    const auto offset = value.size() <= 8 ? files::parseHex(value) : std::nullopt;
    if (!offset || *offset > 0x7FFFFFFFu) {
        return broken("is not a hexadecimal offset from 0 to 7FFFFFFF");
    }
    return static_cast<std::int32_t>(*offset);
}

Result<bool> parseYesOrNo(std::string_view value) {
    const std::string said = files::lowerAscii(value);
    if (said != "yes" && said != "no") {
        return broken("is neither yes nor no");
    }
    return said == "yes";
}

Result<std::int16_t> parseCharLength(std::string_view value) {
    return shortFromTo(value, 0, kMaxCharLength,
                       "is not a number of bytes from 0 to " + std::to_string(kMaxCharLength) +
                           " (a save value holds at most " + std::to_string(2 * kMaxCharLength) + " digits)");
}

Result<std::string> parseSaveCode(std::string_view value, int charLength) {
    std::string bytes;
    for (std::size_t i = 0; i < value.size(); i += 2) {
        const auto byte = files::parseHex(value.substr(i, 2));
        if (!byte || i + 1 == value.size()) {
            return broken("is not a string of hexadecimal digit pairs");
        }
        bytes += static_cast<char>(*byte);
    }
    if (charLength > 0 && bytes.size() != static_cast<std::size_t>(charLength)) {
        return broken("is not " + std::to_string(2 * charLength) + " hexadecimal digits, as CharLength " +
                      std::to_string(charLength) + " asks");
    }
    return bytes;
}

Status checkAlphabetName(std::string_view value) {
    const bool rooted = !value.empty() && (value.front() == '\\' || value.front() == '/');
    const bool drive = value.size() > 1 && value[1] == ':';  // C:x.ini
    bool climbs = false;
    for (std::size_t start = 0; start <= value.size();) {
        const std::size_t end = std::min(value.find_first_of("\\/", start), value.size());
        const std::string_view part = value.substr(start, end - start);
        // Windows drops trailing dots and blanks from a name, so "... " or ". ." may climb as ".." does.
        climbs = climbs || (part.find_first_not_of(". ") == std::string_view::npos &&
                            part.find('.') != part.rfind('.'));
        start = end + 1;
    }
    if (rooted || drive || climbs) {
        return broken("is not a path inside the alphabets folder");
    }
    return success();
}

}  // namespace rq::templates
