#include "templatecheck.h"

#include <algorithm>
#include <cstdint>
#include <set>
#include <tuple>

#include "files/asciitext.h"
#include "files/codepage.h"
#include "files/iniReadWriteDelete.h"
#include "files/readwritetext.h"
#include "templates/alphabet.h"
#include "templates/gametemplate.h"
#include "templates/pointercheck.h"
#include "templates/table.h"
#include "templates/templaterules.h"

namespace rq::templates {
namespace {

constexpr std::string_view kFormats = "TextFormattingSystem";
constexpr std::string_view kCharLengthSection = "AlphabetAndFileInfo";

// Where an entry's string lies, for the checks that compare entries with each other and with the file.
struct Room {
    int number = 0;
    std::string offsetValue;
    std::int64_t offset = 0;
    std::int64_t length = 0;

    [[nodiscard]] std::int64_t end() const { return offset + length; }
    [[nodiscard]] std::string bytes() const {
        return "bytes 0x" + files::hexText(offset) + " to 0x" + files::hexText(end() - 1);
    }
};

class Checker {
  public:
    Checker(const std::string& templatePath, const files::IniFile& ini) : m_path(templatePath), m_ini(ini) {}

    void run(const std::optional<std::string>& gameFile) {
        const std::string countValue = m_ini.value(kFormats, "NumberOfEntries").value_or("0");
        const auto count = parseEntryCount(countValue);
        if (!count) {
            add(m_path, kFormats, "NumberOfEntries", countValue, count.error());
        }
        // Without a count the editor accepts, which entries belong to the template is not known yet.
        const int checked = count ? *count : 0;
        checkYesOrNo(kFormats, "Ended");
        for (int number = 1; number <= checked; ++number) {
            checkEntry(number);
            checkYesOrNo("entry" + std::to_string(number), "Ended");
            checkYesOrNo("entry" + std::to_string(number), "Lock");
        }
        for (int table = 1; m_ini.section("PointerTable" + std::to_string(table)) != nullptr; ++table) {
            checkYesOrNo("PointerTable" + std::to_string(table), "Ended");
            checkYesOrNo("PointerTable" + std::to_string(table), "Lock");
        }
        if (gameFile) {
            checkFit(*gameFile);
        }
        checkOverlaps();
        checkPointers(m_path, m_ini, checked, gameFile, m_problems);
    }

    [[nodiscard]] std::vector<TemplateProblem> problems() && { return std::move(m_problems); }

  private:
    void add(const std::string& file, std::string_view section, std::string_view key,
             std::optional<std::string> value, std::string what) {
        m_problems.push_back(
            TemplateProblem{file, std::string(section), std::string(key), std::move(value), std::move(what)});
    }

    void checkYesOrNo(std::string_view section, std::string_view key) {
        if (const auto value = m_ini.value(section, key)) {
            if (const auto said = parseYesOrNo(*value); !said) {
                add(m_path, section, key, *value, said.error());
            }
        }
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
        if (const auto inside = checkAlphabetName(*name); !inside) {
            if (m_formatsRefused.insert(files::lowerAscii(format)).second) {
                add(m_path, kFormats, format, *name, inside.error());
            }
            return 0;
        }
        const std::string path = alphabetPathFor(m_path, m_ini, number).value();
        const bool table = isTableName(*name);
        if (m_alphabetsSeen.insert(path).second) {
            if (table) {
                checkTableFile(path, format, *name);
            } else {
                checkAlphabetFile(path, format, *name);
            }
        }
        return table ? 0 : Alphabet::read(path).charLength();  // a table's codes have no one length
    }

    void checkAlphabetFile(const std::string& path, const std::string& format, const std::string& name) {
        if (!files::loadIniFile(path)) {
            add(m_path, kFormats, format, name, "names the alphabet " + path + ", which cannot be read");
            return;
        }
        for (auto& problem : checkAlphabet(path)) {
            m_problems.push_back(std::move(problem));
        }
    }

    void checkTableFile(const std::string& path, const std::string& format, const std::string& name) {
        auto problems = checkTable(path);
        if (problems.size() == 1 && problems.front().line == 0) {
            add(m_path, kFormats, format, name, "names the table " + path + ", which cannot be read");
            return;
        }
        m_problems.insert(m_problems.end(), problems.begin(), problems.end());
    }

    void checkEntry(int number) {
        const std::string section = "entry" + std::to_string(number);
        const int charLength = checkAlphabetOf(number, section);

        const std::string lengthValue = m_ini.value(section, "Length").value_or("0");
        const auto length = parseLength(lengthValue);
        if (!length) {
            add(m_path, section, "Length", lengthValue, length.error());
        } else if (charLength > 0 && *length % charLength != 0) {
            add(m_path, section, "Length", lengthValue,
                "is not a whole multiple of the alphabet's CharLength " + std::to_string(charLength));
        }

        if (m_ini.value(section, "Pointer")) {
            return;  // its string lies where its cells point: checkPointers
        }
        const auto offsetValue = m_ini.value(section, "HexLocation");
        if (!offsetValue) {
            add(m_path, section, "HexLocation", std::nullopt, "is missing");
            return;
        }
        if (const auto offset = parseHexLocation(*offsetValue); !offset) {
            add(m_path, section, "HexLocation", *offsetValue, offset.error());
        } else if (length && *length > 0) {
            m_rooms.push_back(Room{number, *offsetValue, *offset, *length});
        }
    }

    void checkFit(const std::string& gameFile) {
        // The byte-range read decides what counts as a readable game file, as it does for the editor.
        const auto size = files::regularFileSize(gameFile);
        if (!size || !files::readRange(gameFile, 0, 1, 0)) {
            add(gameFile, "", "", std::nullopt, std::string(files::kRomNotFound));
            return;
        }
        for (const Room& room : m_rooms) {
            if (static_cast<std::uint64_t>(room.end()) > *size) {
                add(m_path, "entry" + std::to_string(room.number), "HexLocation", room.offsetValue,
                    "puts the entry's room (" + room.bytes() + ") past the end of " + gameFile +
                        ", which has " + std::to_string(*size) + " bytes");
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
    const files::IniFile& m_ini;
    std::set<std::string> m_alphabetsSeen;
    std::set<std::string> m_formatsRefused;  // lower-cased, as INI keys compare
    std::vector<Room> m_rooms;
    std::vector<TemplateProblem> m_problems;
};

}  // namespace

std::vector<TemplateProblem> checkTemplate(const std::string& templatePath,
                                           const std::optional<std::string>& gameFile) {
    const auto ini = files::loadIniFile(templatePath);
    if (!ini) {
        return {TemplateProblem{templatePath, "", "", std::nullopt, "cannot be read"}};
    }
    Checker checker(templatePath, *ini);
    checker.run(gameFile);
    return std::move(checker).problems();
}

std::vector<TemplateProblem> checkAlphabet(const std::string& path) {
    const auto ini = files::loadIniFile(path);
    if (!ini) {
        return {TemplateProblem{path, "", "", std::nullopt, "cannot be read"}};
    }
    std::vector<TemplateProblem> problems;
    const auto add = [&](std::string section, std::string key, std::optional<std::string> value,
                         std::string what) {
        problems.push_back({path, std::move(section), std::move(key), std::move(value), std::move(what)});
    };
    const Alphabet alphabet = Alphabet::read(path);
    const std::string refused = ", which marks an alphabet older than version 0.9: the editor refuses it";
    if (!ini->value(kCharLengthSection, "CharLength")) {
        add(std::string(kCharLengthSection), "CharLength", std::nullopt, "is missing" + refused);
    } else if (alphabet.charLength() == 0 && parseCharLength(alphabet.charLengthValue())) {
        add(std::string(kCharLengthSection), "CharLength", alphabet.charLengthValue(), "is 0" + refused);
    }
    for (auto& fault : alphabet.faults()) {
        add(std::move(fault.section), std::move(fault.key), std::move(fault.value), std::move(fault.phrase));
    }
    return problems;
}

std::vector<TemplateProblem> checkTable(const std::string& path) {
    const auto table = Table::read(path);
    if (!table) {
        return {TemplateProblem{path, "", "", std::nullopt, "cannot be read"}};
    }
    std::vector<TemplateProblem> problems;
    for (const auto& problem : table->problems()) {
        problems.push_back({path, "", "", std::nullopt, problem.what, problem.line, problem.warning});
    }
    for (const auto& [end, key] : table->endTokensInKeys()) {
        const std::string next = files::hexText(static_cast<unsigned char>(key->code[end->code.size()]), 2);
        problems.push_back(
            {path, "", "", std::nullopt,
             "has the end token " + codeKey(end->code) + ", which begins the longer key " +
                 codeKey(key->code) + " of line " + std::to_string(key->line) +
                 ": an end token followed by " + next +
                 " is read as that key, and the text goes on; a save writes another byte after "
                 "an end token where it must",
             end->line, true});
    }
    std::stable_sort(problems.begin(), problems.end(),
                     [](const TemplateProblem& a, const TemplateProblem& b) { return a.line < b.line; });
    return problems;
}

bool anyError(const std::vector<TemplateProblem>& problems) {
    return std::any_of(problems.begin(), problems.end(), [](const TemplateProblem& p) { return !p.warning; });
}

std::string problemText(const TemplateProblem& problem) {
    std::string text = problem.line > 0 ? "line " + std::to_string(problem.line) + ": " : "";
    if (problem.warning) {
        text += "warning: ";
    }
    if (!problem.section.empty()) {
        text += '[' + files::bytesToUtf8(problem.section) + "] ";
        if (!problem.key.empty()) {  // a problem of the section as a whole has no key
            text += files::bytesToUtf8(problem.key) + ' ';
        }
        if (problem.value) {
            text += "= \"" + files::bytesToUtf8(*problem.value) + "\" ";
        }
    }
    return text + problem.what;
}

}  // namespace rq::templates
