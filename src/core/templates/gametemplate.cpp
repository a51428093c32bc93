#include "gametemplate.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>

#include "files/asciitext.h"
#include "files/codepage.h"
#include "files/common.h"
#include "files/iniReadWriteDelete.h"
#include "templates/entryparts.h"

namespace rq::templates {
namespace {

constexpr std::string_view kError = "<error>";
constexpr std::string_view kFormats = "TextFormattingSystem";

std::string entrySection(int number) {
    return "entry" + std::to_string(number);
}

}  // namespace

TemplateDetails readTemplateDetails(const std::string& path) {
    const auto read = [&path](std::string_view section, std::string_view key) {
        return files::iniRead(path, section, key, kError);
    };
    return TemplateDetails{read("Ident", "RQL_game_plugin"),       read("GameAndFileInfo", "GameName"),
                           read("GameAndFileInfo", "Author"),      read("GameAndFileInfo", "VersionOfFile"),
                           read("GameAndFileInfo", "DateCreated"), read("GameAndFileInfo", "Notes")};
}

int TemplateEntry::limit() const {
    const int charLength = alphabet ? alphabet->charLength() : 0;
    if (charLength <= 0 || length <= 0) {
        return 0;
    }
    return static_cast<int>(std::nearbyint(static_cast<double>(length) / charLength));
}

std::string entryName(const TemplateEntry& entry) {
    return "Entry " + std::to_string(entry.number) + " (\"" + files::bytesToUtf8(entry.comment) + "\")";
}

std::string lockedRefusal(const TemplateEntry& entry) {
    return entryName(entry) + " is locked: its text cannot be changed.";
}

std::string oldAlphabetMessage(const std::string& alphabetPath, std::string_view consequence) {
    return "Pre-RQL 0.9 Alphabet file detected, " + std::string(consequence) +
           " to avoid errors. Please check template " + alphabetPath +
           " for the field 'AlphabetAndFileInfo --> CharLength'.";
}

Result<std::string> alphabetPathFor(const std::string& templatePath, const files::IniFile& ini,
                                    int entryNumber) {
    return alphabetPathIn(templatePath, ini, entrySection(entryNumber));
}

Result<std::string> alphabetPathIn(const std::string& templatePath, const files::IniFile& ini,
                                   std::string_view section) {
    const std::string format = ini.read(section, "TextFormat", "0");
    const std::string name = ini.read(kFormats, format, kError);
    if (const auto inside = checkAlphabetName(name); !inside) {
        return parts::malformed(templatePath, kFormats, format, name, inside.error());
    }
    // The template names its alphabet in the code page; file names are UTF-8 to the file services.
    return files::appRelativePath("plugins\\alphabets\\" + files::bytesToUtf8(name));
}

namespace {

// One read of a template: each alphabet and table checked once, and the most text its entries can decode to.
class TemplateReader {
  public:
    TemplateReader(const std::string& path, const files::IniFile& ini) : m_path(path), m_ini(ini) {}

    Result<GameTemplate> read() {
        GameTemplate result;
        result.path = m_path;
        result.notes = m_ini.read("GameAndFileInfo", "Notes", kError);
        const std::string countValue = m_ini.read(kFormats, "NumberOfEntries", "0");
        const auto count = parseEntryCount(countValue);
        if (!count) {
            return parts::malformed(m_path, kFormats, "NumberOfEntries", countValue, count.error());
        }
        auto fill = parts::fillOf(m_path, m_ini, kFormats, std::nullopt);
        auto ended = parts::yesOrNoOf(m_path, m_ini, kFormats, "Ended", std::nullopt);
        auto pointers = parts::pointerFormatOf(m_path, m_ini, "Pointers", std::nullopt);
        auto freeSpace = parts::readFreeSpace(m_path, m_ini);
        if (!fill || !ended || !pointers || !freeSpace) {
            return !fill       ? fill.failure()
                   : !ended    ? ended.failure()
                   : !pointers ? pointers.failure()
                               : freeSpace.failure();
        }
        auto fontSections = font::readFontSections(m_ini);
        if (!fontSections.faults.empty()) {
            const auto& fault = fontSections.faults.front();
            return parts::malformed(m_path, fault.section, fault.key, fault.value, fault.phrase);
        }
        result.font = fontSections.font;
        result.boxes = std::move(fontSections.boxes);
        m_fill = *fill;
        m_ended = *ended;
        m_pointers = *pointers;
        result.freeSpace = std::move(freeSpace).value();
        for (int number = 1; number <= *count; ++number) {
            auto read = entryIn(entrySection(number), number);
            if (!read) {
                return read.failure();
            }
            TemplateEntry entry = std::move(read).value();
            if (const auto placed = parts::placeEntry(m_path, m_ini, entrySection(number), m_pointers, entry);
                !placed) {
                return placed.failure();
            }
            result.entries.push_back(std::move(entry));
        }
        for (int table = 1; m_ini.section("PointerTable" + std::to_string(table)) != nullptr; ++table) {
            if (const auto added = addPointerTable("PointerTable" + std::to_string(table), result.entries);
                !added) {
                return added.failure();
            }
        }
        if (m_decodedBound > kDecodedTextLimit) {
            return Error{"The template " + m_path + " cannot be used: its " +
                             std::to_string(result.entries.size()) + " entries could decode to " +
                             std::to_string(m_decodedBound) + " bytes of text, more than the " +
                             std::to_string(kDecodedTextLimit) + " bytes (" +
                             std::to_string(kDecodedTextLimit >> 20) + " MiB) allowed.",
                         ErrorKind::Refusal};
        }
        return result;
    }

  private:
    // An entry's text format, Comment, Length and Fill, from its section; where it lies is not read here.
    Result<TemplateEntry> entryIn(const std::string& section, int number) {
        TemplateEntry entry;
        entry.number = number;
        entry.comment = m_ini.read(section, "Comment", kError);
        if (auto box = font::boxNumberOf(m_ini, section); !box) {
            return parts::malformed(m_path, section, "Box", m_ini.read(section, "Box", ""), box.error());
        } else {
            entry.box = *box;
        }
        // A pointer table's Lock is each of its entries'.
        if (auto locked = parts::yesOrNoOf(m_path, m_ini, section, "Lock", false); !locked) {
            return locked.failure();
        } else {
            entry.locked = **locked;
        }
        const auto alphabetPath = alphabetPathIn(m_path, m_ini, section);
        if (!alphabetPath) {
            return alphabetPath.failure();
        }
        const auto lengthValue = m_ini.value(section, "Length");
        if (isTableName(*alphabetPath)) {
            auto& table = m_tables[*alphabetPath];
            if (!table) {
                auto read = parts::readTable(m_path, *alphabetPath);
                if (!read) {
                    return read.failure();
                }
                table = std::move(read).value();
            }
            auto fill = parts::fillOf(m_path, m_ini, section, m_fill);
            auto ended = parts::yesOrNoOf(m_path, m_ini, section, "Ended", m_ended);
            if (!fill || !ended) {
                return !fill ? fill.failure() : ended.failure();
            }
            if (ended->value_or(false) && !table->hasEndTokens()) {
                return parts::malformed(m_path, section, "Ended", m_ini.read(section, "Ended", "yes"),
                                        "is yes, but the table " + *alphabetPath + " has no end token");
            }
            entry.fill = *fill;
            entry.ended = *ended;
            entry.table = table;
            entry.lengthGiven = lengthValue || !table->hasEndTokens();
        } else if (auto alphabet = alphabetAt(*alphabetPath); !alphabet) {
            return alphabet.failure();
        } else {
            entry.alphabet = *alphabet;
        }
        if (entry.lengthGiven) {
            const auto length = parseLength(lengthValue.value_or("0"));
            if (!length) {
                return parts::malformed(m_path, section, "Length", lengthValue.value_or("0"), length.error());
            }
            entry.length = *length;
        }
        m_decodedBound += decodedBound(entry);
        return entry;
    }

    Result<std::shared_ptr<const Alphabet>> alphabetAt(const std::string& path) {
        auto& [alphabet, longestText] = m_alphabets[path];
        if (!alphabet) {
            alphabet = std::make_shared<const Alphabet>(Alphabet::read(path));
            if (alphabet->charLength() == 0 && parseCharLength(alphabet->charLengthValue())) {
                return Error{oldAlphabetMessage(path, "refusing the template"), ErrorKind::OldAlphabet, path};
            }
            if (const auto faults = alphabet->faults(); !faults.empty()) {
                const auto& fault = faults.front();
                return parts::malformed(path, fault.section, fault.key, fault.value.value_or(""),
                                        fault.phrase);
            }
            longestText = alphabet->longestText();
        }
        return alphabet;
    }

    // The most text the entry's room can decode to: a table's most text a byte over the room (as long as it
    // can be read for), an alphabet's longest text a code (a last code cut short by Length still decodes).
    std::uint64_t decodedBound(const TemplateEntry& entry) {
        if (entry.table && !entry.lengthGiven) {
            return 0;  // read up to its end token: bounded as the texts are read (readEntryTexts)
        }
        if (entry.table) {
            return static_cast<std::uint64_t>(entry.length) * entry.table->mostTextPerByte();
        }
        const int charLength = entry.alphabet->charLength();
        const std::uint64_t codes = (entry.length + charLength - 1) / charLength;
        return codes * m_alphabets[entry.alphabet->path()].second;
    }

    // A pointer table's entries, one a cell, numbered on from the last entry.
    Status addPointerTable(const std::string& section, std::vector<TemplateEntry>& entries) {
        const auto format = parts::pointerFormatOf(m_path, m_ini, section, m_pointers);
        if (!format) {
            return format.failure();
        }
        const std::string offsetValue = m_ini.read(section, "Offset", kError);
        const std::string countValue = m_ini.read(section, "Count", kError);
        const auto offset = parseHexLocation(offsetValue);
        const auto count = parseCellCount(countValue);
        if (!*format || !offset || !count) {
            return !*format  ? parts::malformed(m_path, section, "", "", "has no Format, nor has [Pointers]")
                   : !offset ? parts::malformed(m_path, section, "Offset", offsetValue, offset.error())
                             : parts::malformed(m_path, section, "Count", countValue, count.error());
        }
        const std::string strideValue =
            m_ini.read(section, "Stride", files::hexText(static_cast<std::uint64_t>((*format)->size)));
        const auto stride = parseStride(strideValue);
        if (!stride) {
            return parts::malformed(m_path, section, "Stride", strideValue, stride.error());
        }
        const auto cells = tableCells(static_cast<std::uint64_t>(*offset), *count, *stride);
        if (!cells) {
            return parts::malformed(m_path, section, "Count", countValue, cells.error());
        }
        if (entries.size() + cells->size() > kMostEntries) {
            return Error{"The template " + m_path + " cannot be used: with [" + section + "] it makes " +
                             std::to_string(entries.size() + cells->size()) + " entries, more than the " +
                             std::to_string(kMostEntries) + " allowed.",
                         ErrorKind::Refusal};
        }
        auto first = entryIn(section, static_cast<int>(entries.size()) + 1);
        if (!first) {
            return first.failure();
        }
        const std::string comment = first->comment;
        for (std::size_t i = 0; i < cells->size(); ++i) {
            TemplateEntry entry = *first;
            entry.number = static_cast<int>(entries.size()) + 1;
            entry.comment = comment + " " + std::to_string(i + 1);
            entry.cells = {(*cells)[i]};
            entry.pointer = **format;
            if (i > 0) {
                m_decodedBound += decodedBound(entry);
            }
            entries.push_back(std::move(entry));
        }
        return success();
    }

    const std::string& m_path;
    const files::IniFile& m_ini;
    std::optional<std::uint8_t> m_fill;
    std::optional<bool> m_ended;
    std::optional<PointerFormat> m_pointers;
    std::map<std::string, std::pair<std::shared_ptr<const Alphabet>, std::uint64_t>> m_alphabets;
    std::map<std::string, std::shared_ptr<const Table>> m_tables;
    std::uint64_t m_decodedBound = 0;
};

}  // namespace

Result<GameTemplate> readGameTemplate(const std::string& path) {
    // One parse serves every value of this read; a change on disk is seen at the next read.
    // A missing template reads as an empty one, as any INI file does; one that is there but cannot be read
    // (too large, not a regular file, a read error) is refused with the reason.
    const auto loaded = files::readIniFile(path);
    std::error_code ec;
    if (!loaded && std::filesystem::exists(files::fsPath(path), ec)) {
        return Error{"The template " + path + " cannot be used: " + loaded.error(), ErrorKind::Refusal};
    }
    const auto ini = loaded ? *loaded : files::loadIniFileOrEmpty(path);
    return TemplateReader(path, *ini).read();
}

}  // namespace rq::templates
