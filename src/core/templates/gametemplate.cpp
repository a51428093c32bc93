#include "gametemplate.h"

#include <cmath>
#include <map>

#include "files/codepage.h"
#include "files/common.h"
#include "files/iniReadWriteDelete.h"

namespace rq {
namespace {

constexpr std::string_view kError = "<error>";

std::string entrySection(int number) {
    return "entry" + std::to_string(number);
}

// A value that breaks its rule; the phrase says why, of the value.
Error malformed(const std::string& path, std::string_view section, std::string_view key,
                std::string_view value, const std::string& phrase) {
    return Error{"The template " + path + " cannot be used: in section [" + bytesToUtf8(section) +
                     "] the key " + bytesToUtf8(key) + " has the value \"" + bytesToUtf8(value) +
                     "\", which " + phrase + ".",
                 ErrorKind::Refusal};
}

}  // namespace

TemplateDetails readTemplateDetails(const std::string& path) {
    const auto read = [&path](std::string_view section, std::string_view key) {
        return iniRead(path, section, key, kError);
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
    return "Entry " + std::to_string(entry.number) + " (\"" + bytesToUtf8(entry.comment) + "\")";
}

std::string oldAlphabetMessage(const std::string& alphabetPath, std::string_view consequence) {
    return "Pre-RQL 0.9 Alphabet file detected, " + std::string(consequence) +
           " to avoid errors. Please check template " + alphabetPath +
           " for the field 'AlphabetAndFileInfo --> CharLength'.";
}

static std::string alphabetPathIn(const IniFile& ini, int entryNumber) {
    const std::string format = ini.read(entrySection(entryNumber), "TextFormat", "0");
    // The template names its alphabet in the code page; file names are UTF-8 to the file services.
    return appRelativePath("plugins\\alphabets\\" +
                           bytesToUtf8(ini.read("TextFormattingSystem", format, kError)));
}

std::string alphabetPathFor(const std::string& templatePath, int entryNumber) {
    return alphabetPathIn(*loadIniFileOrEmpty(templatePath), entryNumber);
}

Result<GameTemplate> readGameTemplate(const std::string& path) {
    GameTemplate result;
    result.path = path;
    // One parse serves every value of this read; a change on disk is seen at the next read.
    const auto ini = loadIniFileOrEmpty(path);
    const auto read = [&ini](std::string_view section, std::string_view key, std::string_view fallback) {
        return ini->read(section, key, fallback);
    };
    result.notes = read("GameAndFileInfo", "Notes", kError);

    const std::string countValue = read("TextFormattingSystem", "NumberOfEntries", "0");
    const auto count = parseEntryCount(countValue);
    if (!count) {
        return malformed(path, "TextFormattingSystem", "NumberOfEntries", countValue, count.error());
    }

    // Entries often share an alphabet; each file is checked once.
    std::map<std::string, std::shared_ptr<const Alphabet>> alphabets;
    for (int number = 1; number <= *count; ++number) {
        const std::string section = entrySection(number);
        TemplateEntry entry;
        entry.number = number;

        const std::string alphabetPath = alphabetPathIn(*ini, number);
        auto& alphabet = alphabets[alphabetPath];
        if (!alphabet) {
            alphabet = std::make_shared<const Alphabet>(Alphabet::read(alphabetPath));
            if (const auto charLength = parseCharLength(alphabet->charLengthValue()); !charLength) {
                return malformed(alphabetPath, "AlphabetAndFileInfo", "CharLength",
                                 alphabet->charLengthValue(), charLength.error());
            }
            if (alphabet->charLength() == 0) {
                return Error{oldAlphabetMessage(alphabetPath, "refusing the template"),
                             ErrorKind::OldAlphabet, alphabetPath};
            }
            for (const auto& [key, value] : alphabet->saveValues()) {
                if (const auto code = parseSaveCode(value); !code) {
                    return malformed(alphabetPath, "save", key, value, code.error());
                }
            }
        }
        entry.alphabet = alphabet;

        entry.comment = read(section, "Comment", kError);
        const std::string lengthValue = read(section, "Length", "0");
        const auto length = parseLength(lengthValue);
        if (!length) {
            return malformed(path, section, "Length", lengthValue, length.error());
        }
        entry.length = *length;

        const std::string offsetValue = read(section, "HexLocation", kError);
        const auto offset = parseHexLocation(offsetValue);
        if (!offset) {
            return malformed(path, section, "HexLocation", offsetValue, offset.error());
        }
        entry.offset = *offset;
        result.entries.push_back(std::move(entry));
    }
    return result;
}

}  // namespace rq
