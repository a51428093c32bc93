#include "gametemplate.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>

#include "files/asciitext.h"
#include "files/codepage.h"
#include "files/common.h"
#include "files/iniReadWriteDelete.h"

namespace rq::templates {
namespace {

constexpr std::string_view kError = "<error>";
constexpr std::string_view kFormats = "TextFormattingSystem";
constexpr std::size_t kListedTableProblems = 10;

std::string entrySection(int number) {
    return "entry" + std::to_string(number);
}

// A value that breaks its rule; the phrase says why, of the value (of the section, when there is no key).
Error malformed(const std::string& path, std::string_view section, std::string_view key,
                std::string_view value, const std::string& phrase) {
    const std::string where = key.empty() ? "the section [" + files::bytesToUtf8(section) + "] "
                                          : "in section [" + files::bytesToUtf8(section) + "] the key " +
                                                files::bytesToUtf8(key) + " has the value \"" +
                                                files::bytesToUtf8(value) + "\", which ";
    return Error{"The template " + path + " cannot be used: " + where + phrase + ".", ErrorKind::Refusal};
}

// Fill in the section, or else the given default: one byte in hexadecimal digits.
Result<std::optional<std::uint8_t>> fillOf(const std::string& path, const files::IniFile& ini,
                                           std::string_view section, std::optional<std::uint8_t> otherwise) {
    const auto value = ini.value(section, "Fill");
    if (!value) {
        return otherwise;
    }
    const auto byte = value->size() <= 2 ? files::parseHex(*value) : std::nullopt;
    if (!byte) {
        return malformed(path, section, "Fill", *value, "is not one byte in hexadecimal digits");
    }
    return std::optional<std::uint8_t>(static_cast<std::uint8_t>(*byte));
}

// A table file as entries use it: refused when it cannot be read or has lines a read cannot use.
Result<std::shared_ptr<const Table>> readTable(const std::string& templatePath,
                                               const std::string& tablePath) {
    auto table = Table::read(tablePath);
    if (!table) {
        return Error{
            "The template " + templatePath + " cannot be used: its table " + tablePath + " cannot be read.",
            ErrorKind::Refusal};
    }
    const auto& problems = table->problems();
    if (!problems.empty()) {
        std::string listed;
        for (std::size_t i = 0; i < std::min<std::size_t>(problems.size(), kListedTableProblems); ++i) {
            listed +=
                "\n" + tablePath + ": line " + std::to_string(problems[i].line) + ": " + problems[i].what;
        }
        if (problems.size() > kListedTableProblems) {
            listed += "\n... and " + std::to_string(problems.size() - kListedTableProblems) + " more.";
        }
        return Error{"The template " + templatePath + " cannot be used: its table " + tablePath + " has " +
                         std::to_string(problems.size()) + (problems.size() == 1 ? " line" : " lines") +
                         " that cannot be read:" + listed,
                     ErrorKind::Refusal};
    }
    return std::make_shared<const Table>(std::move(table).value());
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

std::string oldAlphabetMessage(const std::string& alphabetPath, std::string_view consequence) {
    return "Pre-RQL 0.9 Alphabet file detected, " + std::string(consequence) +
           " to avoid errors. Please check template " + alphabetPath +
           " for the field 'AlphabetAndFileInfo --> CharLength'.";
}

Result<std::string> alphabetPathFor(const std::string& templatePath, const files::IniFile& ini,
                                    int entryNumber) {
    const std::string format = ini.read(entrySection(entryNumber), "TextFormat", "0");
    const std::string name = ini.read("TextFormattingSystem", format, kError);
    if (const auto inside = checkAlphabetName(name); !inside) {
        return malformed(templatePath, "TextFormattingSystem", format, name, inside.error());
    }
    // The template names its alphabet in the code page; file names are UTF-8 to the file services.
    return files::appRelativePath("plugins\\alphabets\\" + files::bytesToUtf8(name));
}

Result<GameTemplate> readGameTemplate(const std::string& path) {
    GameTemplate result;
    result.path = path;
    // One parse serves every value of this read; a change on disk is seen at the next read.
    // A missing template reads as an empty one, as any INI file does; one that is there but cannot be read
    // (too large, not a regular file, a read error) is refused with the reason.
    const auto loaded = files::readIniFile(path);
    std::error_code ec;
    if (!loaded && std::filesystem::exists(files::fsPath(path), ec)) {
        return Error{"The template " + path + " cannot be used: " + loaded.error(), ErrorKind::Refusal};
    }
    const auto ini = loaded ? *loaded : files::loadIniFileOrEmpty(path);
    const auto read = [&ini](std::string_view section, std::string_view key, std::string_view fallback) {
        return ini->read(section, key, fallback);
    };
    result.notes = read("GameAndFileInfo", "Notes", kError);

    const std::string countValue = read("TextFormattingSystem", "NumberOfEntries", "0");
    const auto count = parseEntryCount(countValue);
    if (!count) {
        return malformed(path, "TextFormattingSystem", "NumberOfEntries", countValue, count.error());
    }

    // Entries often share an alphabet; each file is checked once, and its longest text found once.
    std::map<std::string, std::pair<std::shared_ptr<const Alphabet>, std::uint64_t>> alphabets;
    std::map<std::string, std::shared_ptr<const Table>> tables;
    const auto fill = fillOf(path, *ini, kFormats, std::nullopt);
    if (!fill) {
        return fill.failure();
    }
    std::uint64_t decodedBound = 0;
    for (int number = 1; number <= *count; ++number) {
        const std::string section = entrySection(number);
        TemplateEntry entry;
        entry.number = number;

        const auto alphabetPath = alphabetPathFor(path, *ini, number);
        if (!alphabetPath) {
            return alphabetPath.failure();
        }
        const auto lengthValue = ini->value(section, "Length");
        if (isTableName(*alphabetPath)) {
            auto& table = tables[*alphabetPath];
            if (!table) {
                auto read = readTable(path, *alphabetPath);
                if (!read) {
                    return read.failure();
                }
                table = std::move(read).value();
            }
            auto filled = fillOf(path, *ini, section, *fill);
            if (!filled) {
                return filled.failure();
            }
            entry.table = table;
            entry.fill = *filled;
            entry.lengthGiven = lengthValue || !table->hasEndTokens();
        } else {
            auto& [alphabet, longestText] = alphabets[*alphabetPath];
            if (!alphabet) {
                alphabet = std::make_shared<const Alphabet>(Alphabet::read(*alphabetPath));
                if (alphabet->charLength() == 0 && parseCharLength(alphabet->charLengthValue())) {
                    return Error{oldAlphabetMessage(*alphabetPath, "refusing the template"),
                                 ErrorKind::OldAlphabet, *alphabetPath};
                }
                if (const auto faults = alphabet->faults(); !faults.empty()) {
                    const auto& fault = faults.front();
                    return malformed(*alphabetPath, fault.section, fault.key, fault.value.value_or(""),
                                     fault.phrase);
                }
                longestText = alphabet->longestText();
            }
            entry.alphabet = alphabet;
        }

        entry.comment = read(section, "Comment", kError);
        if (entry.lengthGiven) {
            const auto length = parseLength(lengthValue.value_or("0"));
            if (!length) {
                return malformed(path, section, "Length", lengthValue.value_or("0"), length.error());
            }
            entry.length = *length;
        }
        if (entry.table) {
            // Read up to its end token when Length is left out.
            const std::int16_t room = entry.lengthGiven ? entry.length : kLongestEndedRoom;
            decodedBound += static_cast<std::uint64_t>(room) * entry.table->mostTextPerByte();
        } else {
            // A last code cut short by Length is still decoded.
            const int charLength = entry.alphabet->charLength();
            const std::uint64_t codes = (entry.length + charLength - 1) / charLength;
            decodedBound += codes * alphabets[*alphabetPath].second;
        }

        const std::string offsetValue = read(section, "HexLocation", kError);
        const auto offset = parseHexLocation(offsetValue);
        if (!offset) {
            return malformed(path, section, "HexLocation", offsetValue, offset.error());
        }
        entry.offset = *offset;
        result.entries.push_back(std::move(entry));
    }
    if (decodedBound > kDecodedTextLimit) {
        return Error{"The template " + path + " cannot be used: its " + std::to_string(*count) +
                         " entries could decode to " + std::to_string(decodedBound) +
                         " bytes of text, more than the " + std::to_string(kDecodedTextLimit) + " bytes (" +
                         std::to_string(kDecodedTextLimit >> 20) + " MiB) allowed.",
                     ErrorKind::Refusal};
    }
    return result;
}

}  // namespace rq::templates
