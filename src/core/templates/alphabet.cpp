#include "alphabet.h"

#include <charconv>

namespace rq {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr char kSpaceMark = '\xAC';   // "¬" in the code page
constexpr char kEqualsMark = '\xA6';  // "¦"

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

std::optional<std::string> hexPairs(std::string_view value) {
    if (value.size() % 2 != 0) {
        return std::nullopt;
    }
    std::string bytes;
    bytes.reserve(value.size() / 2);
    for (std::size_t i = 0; i < value.size(); i += 2) {
        const int high = hexValue(value[i]);
        const int low = hexValue(value[i + 1]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        bytes += static_cast<char>(high * 16 + low);
    }
    return bytes;
}

}  // namespace

std::optional<std::int16_t> parseShort(std::string_view value) {
    // One sign at most: "+-5" is not a number.
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

std::string characterKey(char ch) {
    if (ch == ' ') {
        return std::string(1, kSpaceMark);
    }
    if (ch == '=') {
        return std::string(1, kEqualsMark);
    }
    if (ch >= 'a' && ch <= 'z') {
        return std::string("_") + ch;
    }
    return std::string(1, ch);
}

Alphabet Alphabet::read(const std::string& path) {
    Alphabet alphabet;
    alphabet.m_path = path;
    alphabet.m_ini = loadIniFile(path);
    if (!alphabet.m_ini) {
        alphabet.m_ini = std::make_shared<const IniFile>();
    }
    alphabet.m_charLengthValue = alphabet.m_ini->value("AlphabetAndFileInfo", "CharLength").value_or("0");
    const auto number = parseShort(alphabet.m_charLengthValue);
    alphabet.m_charLengthIsNumber = number.has_value();
    alphabet.m_charLength = number.value_or(0);
    return alphabet;
}

std::string Alphabet::decode(std::string_view bytes) const {
    std::string text;
    const std::size_t step = m_charLength > 0 ? static_cast<std::size_t>(m_charLength) : 1;
    const IniFile::Section* load = m_ini->section("Load");
    std::string key;
    for (std::size_t j = 0; j < bytes.size(); j += step) {
        key.clear();
        for (std::size_t k = j; k < j + step && k < bytes.size(); ++k) {
            const auto byte = static_cast<unsigned char>(bytes[k]);
            key += kHexDigits[byte >> 4];
            key += kHexDigits[byte & 0x0F];
        }
        std::optional<std::string> shown = load != nullptr ? load->value(key) : std::nullopt;
        if (!shown) {
            text += "<error>";
        } else if (*shown == std::string_view(&kSpaceMark, 1)) {
            text += ' ';
        } else if (*shown == std::string_view(&kEqualsMark, 1)) {
            text += '=';
        } else {
            text += *shown;
        }
    }
    return text;
}

std::optional<std::string> Alphabet::encode(char ch) const {
    const auto code = m_ini->value("save", characterKey(ch));
    if (!code) {
        return std::nullopt;
    }
    return hexPairs(*code);
}

std::optional<std::pair<std::string, std::string>> Alphabet::malformedSaveValue() const {
    const IniFile::Section* save = m_ini->section("save");
    if (save == nullptr) {
        return std::nullopt;
    }
    for (const auto& line : save->lines) {
        if (!line.hasEquals) {
            continue;
        }
        // Only the first line of a key is ever read.
        const auto value = m_ini->value("save", line.key);
        if (value && !hexPairs(*value)) {
            return std::make_pair(line.key, *value);
        }
    }
    return std::nullopt;
}

}  // namespace rq
