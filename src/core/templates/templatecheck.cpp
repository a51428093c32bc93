#include "templatecheck.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <set>
#include <tuple>

#include "files/iniReadWriteDelete.h"
#include "files/readwritetext.h"
#include "templates/alphabet.h"
#include "templates/gametemplate.h"

namespace rq {
namespace {

constexpr std::string_view kFormats = "TextFormattingSystem";
constexpr std::string_view kCharLengthSection = "AlphabetAndFileInfo";

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// The editor's reading of HexLocation: one to eight hex digits, no more than 7FFFFFFF.
std::optional<std::int32_t> hexLocation(std::string_view value) {
    if (value.empty() || value.size() > 8 || !std::all_of(value.begin(), value.end(), isHexDigit)) {
        return std::nullopt;
    }
    std::uint32_t number = 0;
    std::from_chars(value.data(), value.data() + value.size(), number, 16);
    if (number > 0x7FFFFFFFu) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(number);
}

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; });
    return text;
}

// Where an entry's string lies, for the checks that compare entries with each other and with the file.
struct Room {
    int number = 0;
    std::string offsetValue;
    std::int64_t offset = 0;
    std::int64_t length = 0;

    [[nodiscard]] std::int64_t end() const { return offset + length; }
    [[nodiscard]] std::string bytes() const {
        return "bytes " + hexLocationText(offset) + " to " + hexLocationText(end() - 1);
    }
};

class Checker {
  public:
    Checker(const std::string& templatePath, const IniFile& ini) : m_path(templatePath), m_ini(ini) {}

    void run(const std::optional<std::string>& gameFile) {
        const std::string countValue = m_ini.value(kFormats, "NumberOfEntries").value_or("0");
        const auto count = parseShort(countValue);
        if (!count) {
            add(m_path, kFormats, "NumberOfEntries", countValue, "is not a number");
        } else if (*count > kEntrySlots) {
            add(m_path, kFormats, "NumberOfEntries", countValue,
                "is more than the " + std::to_string(kEntrySlots) + " entries the editor has room for");
        }
        // Without a count the editor accepts, which entries belong to the template is not known yet.
        const int checked = count && *count <= kEntrySlots ? *count : 0;
        for (int number = 1; number <= checked; ++number) {
            checkEntry(number);
        }
        if (gameFile) {
            checkFit(*gameFile);
        }
        checkOverlaps();
    }

    [[nodiscard]] std::vector<TemplateProblem> problems() && { return std::move(m_problems); }

  private:
    void add(const std::string& file, std::string_view section, std::string_view key,
             std::optional<std::string> value, std::string what) {
        m_problems.push_back(
            TemplateProblem{file, std::string(section), std::string(key), std::move(value), std::move(what)});
    }

    // The CharLength of the entry's alphabet, or 0 when it has none that the editor would use.
    int checkAlphabetOf(int number, const std::string& section) {
        const std::string format = m_ini.value(section, "TextFormat").value_or("0");
        const auto name = m_ini.value(kFormats, format);
        if (!name) {
            add(m_path, section, "TextFormat", format,
                "names no key of [" + std::string(kFormats) + "], so the entry has no alphabet");
            return 0;
        }
        const std::string path = alphabetPathFor(m_path, number);
        if (m_alphabetsSeen.insert(path).second) {
            checkAlphabetFile(path, format, *name);
        }
        const Alphabet alphabet = Alphabet::read(path);
        return alphabet.charLengthIsNumber() && alphabet.charLength() > 0 ? alphabet.charLength() : 0;
    }

    void checkAlphabetFile(const std::string& path, const std::string& format, const std::string& name) {
        const auto ini = loadIniFile(path);
        if (!ini) {
            add(m_path, kFormats, format, name, "names the alphabet " + path + ", which cannot be read");
            return;
        }
        const Alphabet alphabet = Alphabet::read(path);
        const auto charLength = ini->value(kCharLengthSection, "CharLength");
        const std::string refused = ", which marks an alphabet older than version 0.9: the editor refuses it";
        if (!charLength) {
            add(path, kCharLengthSection, "CharLength", std::nullopt, "is missing" + refused);
        } else if (!alphabet.charLengthIsNumber() || alphabet.charLength() < 0) {
            add(path, kCharLengthSection, "CharLength", charLength, "is not a number of bytes");
        } else if (alphabet.charLength() == 0) {
            add(path, kCharLengthSection, "CharLength", charLength, "is 0" + refused);
        }
        const IniFile::Section* save = ini->section("save");
        if (save == nullptr) {
            return;
        }
        std::set<std::string> keys;
        for (const auto& line : save->lines) {
            // Only the first line of a key is ever read.
            if (!line.hasEquals || !keys.insert(lowered(line.key)).second) {
                continue;
            }
            const std::string value = ini->value("save", line.key).value_or("");
            if (value.size() % 2 != 0 || !std::all_of(value.begin(), value.end(), isHexDigit)) {
                add(path, "save", line.key, value, "is not a string of hexadecimal digit pairs");
            }
        }
    }

    void checkEntry(int number) {
        const std::string section = "entry" + std::to_string(number);
        const int charLength = checkAlphabetOf(number, section);

        const std::string lengthValue = m_ini.value(section, "Length").value_or("0");
        const auto length = parseShort(lengthValue);
        if (!length || *length < 0) {
            add(m_path, section, "Length", lengthValue, "is not a size from 0 to 32767 bytes");
        } else if (charLength > 0 && *length % charLength != 0) {
            add(m_path, section, "Length", lengthValue,
                "is not a whole multiple of the alphabet's CharLength " + std::to_string(charLength));
        }

        const auto offsetValue = m_ini.value(section, "HexLocation");
        const auto offset = offsetValue ? hexLocation(*offsetValue) : std::nullopt;
        if (!offsetValue) {
            add(m_path, section, "HexLocation", std::nullopt, "is missing");
        } else if (!offset) {
            add(m_path, section, "HexLocation", *offsetValue,
                "is not a hexadecimal offset from 0 to 7FFFFFFF");
        }
        if (offset && length && *length > 0) {
            m_rooms.push_back(Room{number, *offsetValue, *offset, *length});
        }
    }

    void checkFit(const std::string& gameFile) {
        // The byte-range read decides what counts as a readable game file, as it does for the editor.
        const auto size = regularFileSize(gameFile);
        if (!size || !readRange(gameFile, 0, 1, 0)) {
            add(gameFile, "", "", std::nullopt, std::string(kRomNotFound));
            return;
        }
        for (const Room& room : m_rooms) {
            if (static_cast<std::uint64_t>(room.end()) > *size) {
                add(m_path, "entry" + std::to_string(room.number), "HexLocation", room.offsetValue,
                    "puts the entry's room (" + room.bytes() + ") past the end of " + gameFile +
                        ", which has " + hexLocationText(*size) + " (hex) bytes");
            }
        }
    }

    void checkOverlaps() {
        std::vector<Room> byOffset = m_rooms;
        std::sort(byOffset.begin(), byOffset.end(), [](const Room& a, const Room& b) {
            return std::tie(a.offset, a.number) < std::tie(b.offset, b.number);
        });
        std::vector<std::pair<const Room*, const Room*>> pairs;
        for (std::size_t i = 0; i < byOffset.size(); ++i) {
            for (std::size_t j = i + 1; j < byOffset.size() && byOffset[j].offset < byOffset[i].end(); ++j) {
                const Room* a = &byOffset[i];
                const Room* b = &byOffset[j];
                pairs.emplace_back(a->number < b->number ? a : b, a->number < b->number ? b : a);
            }
        }
        std::sort(pairs.begin(), pairs.end(), [](const auto& x, const auto& y) {
            return std::tie(x.first->number, x.second->number) < std::tie(y.first->number, y.second->number);
        });
        for (const auto& [first, second] : pairs) {
            add(m_path, "entry" + std::to_string(first->number), "HexLocation", first->offsetValue,
                "puts the entry's room (" + first->bytes() + ") over the room of entry" +
                    std::to_string(second->number) + " (" + second->bytes() + ")");
        }
    }

    const std::string& m_path;
    const IniFile& m_ini;
    std::set<std::string> m_alphabetsSeen;
    std::vector<Room> m_rooms;
    std::vector<TemplateProblem> m_problems;
};

}  // namespace

std::string hexLocationText(std::uint64_t offset) {
    char buffer[20];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, offset, 16).ptr;
    std::string text(buffer, end);
    std::transform(text.begin(), text.end(), text.begin(), [](char c) { return c >= 'a' ? c - 32 : c; });
    return text;
}

std::vector<TemplateProblem> checkTemplate(const std::string& templatePath,
                                           const std::optional<std::string>& gameFile) {
    const auto ini = loadIniFile(templatePath);
    if (!ini) {
        return {TemplateProblem{templatePath, "", "", std::nullopt, "cannot be read"}};
    }
    Checker checker(templatePath, *ini);
    checker.run(gameFile);
    return std::move(checker).problems();
}

}  // namespace rq
