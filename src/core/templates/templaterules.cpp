#include "templaterules.h"

#include <charconv>
#include <optional>

#include "files/asciitext.h"

namespace rq {
namespace {

// A decimal 16-bit value with one sign at most: "+-5" is not a number.
std::optional<std::int16_t> parseShort(std::string_view value) {
    if (value.size() > 1 && value.front() == '+' && value[1] != '-') {
        value.remove_prefix(1);
    }
    std::int16_t number = 0;
    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), number);
    if (value.empty() || ec != std::errc() || end != value.data() + value.size()) {
        return std::nullopt;
    }
    return number;
}

Error broken(std::string_view phrase) {
    return Error{std::string(phrase), ErrorKind::Refusal};
}

Result<std::int16_t> nonNegativeShort(std::string_view value, std::string_view phrase) {
    const auto number = parseShort(value);
    if (!number || *number < 0) {
        return broken(phrase);
    }
    return *number;
}

}  // namespace

Result<int> parseEntryCount(std::string_view value) {
    const auto count = parseShort(value);
    if (!count) {
        return broken("is not a number");
    }
    if (*count > kEntrySlots) {
        return broken("is more than the " + std::to_string(kEntrySlots) + " entries the editor has room for");
    }
    return int{*count};
}

Result<std::int16_t> parseLength(std::string_view value) {
    return nonNegativeShort(value, "is not a size from 0 to 32767 bytes");
}

Result<std::int32_t> parseHexLocation(std::string_view value) {
    const auto offset = value.size() <= 8 ? parseHex(value) : std::nullopt;
    if (!offset || *offset > 0x7FFFFFFFu) {
        return broken("is not a hexadecimal offset from 0 to 7FFFFFFF");
    }
    return static_cast<std::int32_t>(*offset);
}

Result<std::int16_t> parseCharLength(std::string_view value) {
    return nonNegativeShort(value, "is not a number of bytes");
}

Result<std::string> parseSaveCode(std::string_view value) {
    std::string bytes;
    for (std::size_t i = 0; i < value.size(); i += 2) {
        const auto byte = parseHex(value.substr(i, 2));
        if (!byte || i + 1 == value.size()) {
            return broken("is not a string of hexadecimal digit pairs");
        }
        bytes += static_cast<char>(*byte);
    }
    return bytes;
}

}  // namespace rq
