#include "alphabet.h"

#include <algorithm>
#include <array>
#include <unordered_map>

#include "files/asciitext.h"
#include "files/codepage.h"
#include "templates/templaterules.h"

namespace rq::templates {
namespace {

constexpr char kSpaceMark = '\xAC';   // "¬" in the code page
constexpr char kEqualsMark = '\xA6';  // "¦"

}  // namespace

struct Alphabet::Codes {
    std::once_flag made;
    std::unordered_map<std::string, std::string>
        load;                                          // a code's bytes -> its text, marks read as themselves
    std::array<std::optional<std::string>, 256> save;  // a character's code bytes
};

const Alphabet::Codes& Alphabet::codes() const {
    std::call_once(m_codes->made, [this] {
        Codes& codes = *m_codes;
        if (const files::IniFile::Section* load = m_ini->section("Load")) {
            for (const auto& [key, line] : load->firstLine) {
                // Only a key of whole bytes in hexadecimal digits is ever asked for.
                const auto value = load->value(key);
                if (!value || key.empty() || key.size() % 2 != 0 ||
                    key.find_first_not_of("0123456789abcdef") != std::string::npos) {
                    continue;
                }
                std::string bytes;
                for (std::size_t at = 0; at < key.size(); at += 2) {
                    bytes.push_back(static_cast<char>(*files::parseHex(key.substr(at, 2))));
                }
                codes.load.emplace(std::move(bytes), *value == std::string_view(&kSpaceMark, 1)    ? " "
                                                     : *value == std::string_view(&kEqualsMark, 1) ? "="
                                                                                                   : *value);
            }
        }
        for (std::size_t byte = 0; byte < codes.save.size(); ++byte) {
            if (const auto value = m_ini->value("save", characterKey(static_cast<char>(byte)))) {
                if (auto code = parseSaveCode(*value, m_charLength)) {
                    codes.save[byte] = std::move(code).value();
                }
            }
        }
    });
    return *m_codes;
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

std::string codeKey(std::string_view bytes) {
    std::string key;
    for (const char byte : bytes) {
        key += files::hexText(static_cast<unsigned char>(byte), 2);
    }
    return key;
}

Alphabet Alphabet::read(const std::string& path) {
    Alphabet alphabet = fromIni(files::loadIniFileOrEmpty(path));
    alphabet.m_path = path;
    return alphabet;
}

Alphabet Alphabet::parse(std::string_view bytes) {
    return fromIni(std::make_shared<const files::IniFile>(files::IniFile::parse(bytes)));
}

Alphabet Alphabet::fromIni(std::shared_ptr<const files::IniFile> ini) {
    Alphabet alphabet;
    alphabet.m_ini = std::move(ini);
    alphabet.m_codes = std::make_shared<Codes>();
    alphabet.m_charLengthValue = alphabet.m_ini->value("AlphabetAndFileInfo", "CharLength").value_or("0");
    if (const auto charLength = parseCharLength(alphabet.m_charLengthValue)) {
        alphabet.m_charLength = *charLength;
    }
    return alphabet;
}

std::string Alphabet::decode(std::string_view bytes) const {
    std::string text;
    const std::size_t step = m_charLength > 0 ? static_cast<std::size_t>(m_charLength) : 1;
    const auto& load = codes().load;
    std::string code;
    for (std::size_t j = 0; j < bytes.size(); j += step) {
        code.assign(bytes.substr(j, step));
        const auto shown = load.find(code);
        text += shown == load.end() ? std::string_view("<error>") : std::string_view(shown->second);
    }
    return text;
}

std::size_t Alphabet::longestText() const {
    std::size_t longest = std::string_view("<error>").size();
    if (const files::IniFile::Section* load = m_ini->section("Load")) {
        for (const auto& line : load->lines) {
            longest = std::max(longest, files::bytesToUtf8(load->value(line.key).value_or("")).size());
        }
    }
    return longest;
}

std::optional<std::string> Alphabet::encode(char ch) const {
    return codes().save[static_cast<unsigned char>(ch)];
}

std::vector<Alphabet::Fault> Alphabet::faults() const {
    std::vector<Fault> faults;
    if (const auto charLength = parseCharLength(m_charLengthValue); !charLength) {
        faults.push_back({"AlphabetAndFileInfo", "CharLength", m_charLengthValue, charLength.error()});
    }
    // A missing section is an alphabet for reading only: a save names the first character it cannot encode.
    const files::IniFile::Section* save = m_ini->section("save");
    if (save == nullptr) {
        return faults;
    }
    bool anyCode = false;
    for (std::size_t i = 0; i < save->lines.size(); ++i) {
        const std::string& key = save->lines[i].key;
        const auto value = save->value(key);
        // Only the first line of a key is ever read.
        if (save->firstLine.at(files::lowerAscii(key)) != i || !value) {
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

std::vector<std::string> Alphabet::loadKeys() const {
    std::vector<std::string> keys;
    if (const files::IniFile::Section* load = m_ini->section("Load")) {
        for (std::size_t i = 0; i < load->lines.size(); ++i) {
            if (load->firstLine.at(files::lowerAscii(load->lines[i].key)) == i && load->lines[i].hasEquals) {
                keys.push_back(load->lines[i].key);
            }
        }
    }
    return keys;
}

std::vector<Alphabet::Fault> Alphabet::readBackFaults() const {
    std::vector<Fault> faults;
    if (m_charLength <= 0) {
        return faults;
    }
    const bool saves = m_ini->section("save") != nullptr;
    const auto quoted = [](std::string_view text) { return "\"" + files::bytesToUtf8(text) + "\""; };
    for (const auto& key : loadKeys()) {
        const auto value = m_ini->value("Load", key);
        const auto code = parseSaveCode(key, m_charLength);
        if (!code) {
            faults.push_back({"Load", key, value,
                              "is not a code of " + std::to_string(m_charLength) +
                                  (m_charLength == 1 ? " byte" : " bytes") + ", so nothing reads it"});
            continue;
        }
        if (!saves) {
            continue;
        }
        const std::string text = decode(*code);
        std::string written;
        std::string keys;  // the codes a save writes for the text, one a character
        std::optional<char> unsaved;
        for (const char ch : text) {
            const auto saved = encode(ch);
            if (!saved) {
                unsaved = ch;
                break;
            }
            written += *saved;
            keys += (keys.empty() ? "" : " ") + codeKey(*saved);
        }
        if (!unsaved && written == *code) {
            continue;
        }
        std::string phrase = "reads as " + quoted(text);
        if (text.empty()) {
            phrase = "reads as nothing, so a save never writes it";
        } else if (unsaved) {
            phrase += ", and a save has no code for " + quoted(std::string(1, *unsaved));
        } else if (text.size() == 1 && decode(written) == text) {
            phrase += " as " + keys + " does too: a save writes " + keys;
        } else if (text.size() == 1) {
            phrase += ", which a save writes as " + keys;
        } else {
            phrase += ", which a save writes character by character, as " + keys;
        }
        faults.push_back({"Load", key, value, std::move(phrase)});
    }
    for (int byte = 1; saves && byte < 256; ++byte) {
        const char ch = static_cast<char>(byte);
        const auto code = encode(ch);
        const std::string back = code ? decode(*code) : std::string(1, ch);
        // "¬" and a space share one key, so only one of them can read back; the format decides which.
        if (back == std::string(1, ch) || (back.size() == 1 && files::lowerAscii(characterKey(back[0])) ==
                                                                   files::lowerAscii(characterKey(ch)))) {
            continue;
        }
        faults.push_back({"save", characterKey(ch), m_ini->value("save", characterKey(ch)),
                          "writes " + quoted(std::string(1, ch)) + " as " + codeKey(*code) +
                              ", which reads back as " + quoted(back)});
    }
    return faults;
}

}  // namespace rq::templates
