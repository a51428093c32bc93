#include "iniReadWriteDelete.h"

#include <algorithm>
#include <map>

#include "files/asciitext.h"
#include "files/codepage.h"
#include "files/common.h"
#include "files/filehandle.h"

namespace rq::files {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == '\x1a';
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && isBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

std::string_view cutAtNul(std::string_view s) {
    return s.substr(0, s.find('\0'));
}

// Windows understands UTF-16 LE files with a byte-order mark; their characters become code-page bytes.
std::string utf16ToBytes(std::string_view bytes) {
    std::string out;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
        const char32_t unit =
            static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8);
        const auto byte = unicodeToByte(unit);
        out += byte ? static_cast<char>(*byte) : '?';
    }
    return out;
}

std::string unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return std::string(value.substr(0, kIniValueLimit));
}

}  // namespace

IniFile IniFile::parse(std::string_view bytes) {
    std::string converted;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        converted = utf16ToBytes(bytes);
        bytes = converted;
    }

    IniFile ini;
    // Keys of a repeated section go nowhere: only the first section of a name is ever searched.
    Section discarded;
    Section* current = nullptr;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        auto end = bytes.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) {
            end = bytes.size();
        }
        const std::string_view line = trim(bytes.substr(pos, end - pos));
        pos = end + 1;
        if (line.empty()) {
            continue;
        }
        if (line.front() == '[') {
            std::string_view name = line.substr(1);
            name = trim(cutAtNul(name.substr(0, name.find(']'))));
            if (ini.section(name) != nullptr) {
                discarded.lines.clear();
                current = &discarded;
            } else {
                ini.m_firstSection.emplace(lowerAscii(name), ini.m_sections.size());
                ini.m_sections.push_back(Section{std::string(name), {}, {}});
                current = &ini.m_sections.back();
            }
            continue;
        }
        if (current == nullptr || line.front() == ';') {
            continue;
        }
        const auto eq = line.find('=');
        if (eq == std::string_view::npos) {
            current->lines.push_back(Line{std::string(trim(cutAtNul(line))), {}, false});
        } else {
            current->lines.push_back(Line{std::string(trim(cutAtNul(line.substr(0, eq)))),
                                          std::string(trim(cutAtNul(line.substr(eq + 1)))), true});
        }
    }
    for (auto& section : ini.m_sections) {
        for (std::size_t i = 0; i < section.lines.size(); ++i) {
            section.firstLine.emplace(lowerAscii(section.lines[i].key), i);
        }
    }
    return ini;
}

const IniFile::Section* IniFile::section(std::string_view name) const {
    // Names asked for are trimmed as the file's names are: " Ident " finds [Ident].
    const auto it = m_firstSection.find(lowerAscii(trim(name)));
    return it == m_firstSection.end() ? nullptr : &m_sections[it->second];
}

std::optional<std::string> IniFile::Section::value(std::string_view key) const {
    const auto it = firstLine.find(lowerAscii(trim(key)));
    if (it == firstLine.end() || !lines[it->second].hasEquals) {
        return std::nullopt;
    }
    return unquote(lines[it->second].value);
}

std::optional<std::string> IniFile::value(std::string_view sectionName, std::string_view key) const {
    const Section* s = section(sectionName);
    return s == nullptr ? std::nullopt : s->value(key);
}

Result<std::shared_ptr<const IniFile>> readIniFile(const std::string& file) {
    // Reading a small file is cheap, parsing it is the cost: a parse is reused only for the same bytes, so a
    // rewrite is seen whatever the file system's clock says.
    struct Cached {
        std::string bytes;
        std::shared_ptr<const IniFile> ini;
    };
    static std::map<std::string, Cached> cache;

    auto bytes = readFileBytes(file, kIniFileLimit);
    if (!bytes) {
        cache.erase(file);
        return bytes.failure();
    }
    Cached& cached = cache[file];
    if (!cached.ini || cached.bytes != *bytes) {
        cached.ini = std::make_shared<const IniFile>(IniFile::parse(*bytes));
        cached.bytes = std::move(bytes).value();
    }
    return cached.ini;
}

std::shared_ptr<const IniFile> loadIniFile(const std::string& file) {
    auto ini = readIniFile(file);
    return ini ? *ini : nullptr;
}

std::string IniFile::read(std::string_view section, std::string_view key,
                          std::string_view defaultValue) const {
    if (auto found = value(section, key)) {
        return std::move(*found);
    }
    while (!defaultValue.empty() && defaultValue.back() == ' ') {
        defaultValue.remove_suffix(1);
    }
    return std::string(defaultValue.substr(0, kIniValueLimit));
}

std::shared_ptr<const IniFile> loadIniFileOrEmpty(const std::string& file) {
    if (auto ini = loadIniFile(file)) {
        return ini;
    }
    static const auto empty = std::make_shared<const IniFile>();
    return empty;
}

bool writableIniValue(std::string_view value) {
    return std::none_of(value.begin(), value.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

std::string iniRead(const std::string& file, std::string_view section, std::string_view key,
                    std::string_view defaultValue) {
    return loadIniFileOrEmpty(file)->read(section, key, defaultValue);
}

}  // namespace rq::files
