#include "alphabet.h"

#include <algorithm>

#include "files/asciitext.h"
#include "files/codepage.h"
#include "templates/templaterules.h"

namespace rq {
namespace {

constexpr char kSpaceMark = '\xAC';   // "¬" in the code page
constexpr char kEqualsMark = '\xA6';  // "¦"

}  // namespace

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
    alphabet.m_ini = loadIniFileOrEmpty(path);
    alphabet.m_path = path;
    alphabet.m_charLengthValue = alphabet.m_ini->value("AlphabetAndFileInfo", "CharLength").value_or("0");
    if (const auto charLength = parseCharLength(alphabet.m_charLengthValue)) {
        alphabet.m_charLength = *charLength;
    }
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
            key += hexText(static_cast<unsigned char>(bytes[k]), 2);
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

std::size_t Alphabet::longestText() const {
    std::size_t longest = std::string_view("<error>").size();
    if (const IniFile::Section* load = m_ini->section("Load")) {
        for (const auto& line : load->lines) {
            longest = std::max(longest, bytesToUtf8(load->value(line.key).value_or("")).size());
        }
    }
    return longest;
}

std::optional<std::string> Alphabet::encode(char ch) const {
    const auto value = m_ini->value("save", characterKey(ch));
    if (!value) {
        return std::nullopt;
    }
    auto code = parseSaveCode(*value, m_charLength);
    if (!code) {
        return std::nullopt;
    }
    return std::move(code).value();
}

std::vector<Alphabet::Fault> Alphabet::faults() const {
    std::vector<Fault> faults;
    if (const auto charLength = parseCharLength(m_charLengthValue); !charLength) {
        faults.push_back({"AlphabetAndFileInfo", "CharLength", m_charLengthValue, charLength.error()});
    }
    // A missing section is an alphabet for reading only: a save names the first character it cannot encode.
    const IniFile::Section* save = m_ini->section("save");
    if (save == nullptr) {
        return faults;
    }
    bool anyCode = false;
    for (std::size_t i = 0; i < save->lines.size(); ++i) {
        const std::string& key = save->lines[i].key;
        const auto value = save->value(key);
        // Only the first line of a key is ever read.
        if (save->firstLine.at(lowerAscii(key)) != i || !value) {
            continue;
        }
        anyCode = true;
        if (const auto code = parseSaveCode(*value, m_charLength); !code) {
            faults.push_back({"save", key, *value, code.error()});
        }
    }
    if (!anyCode) {
        faults.push_back({"save", "", std::nullopt, "has no codes, so no character can be saved"});
    }
    return faults;
}

}  // namespace rq
