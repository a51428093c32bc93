#include "tablefile.h"

#include <algorithm>
#include <map>

#include "files/asciitext.h"
#include "files/codepage.h"
#include "files/iniReadWriteDelete.h"
#include "templates/alphabet.h"
#include "templates/table.h"
#include "templates/templaterules.h"

namespace rq::exchange {
namespace {

std::string quoted(std::string_view utf8) {
    return "\"" + std::string(utf8) + "\"";
}

// What a line that is no normal entry stands for in the dialects that use it.
std::optional<std::string> extension(std::string_view line) {
    switch (line.front()) {
        case '/':
            return "an end token: an alphabet has none";
        case '*':
            return "a line break code: an alphabet has none";
        case '$':
            return "a control code: an alphabet has none";
        case '!':
        case '@':
            return "a table switch: an alphabet has one table";
        default:
            return std::nullopt;
    }
}

// A table's text as it stands for: "\\" is one backslash; nothing when it holds a line break ("\n").
std::optional<std::string> unescaped(std::string_view shown) {
    std::string kept;
    for (std::size_t at = 0; at < shown.size(); ++at) {
        if (shown[at] == '\\' && at + 1 < shown.size() && (shown[at + 1] == '\\' || shown[at + 1] == 'n')) {
            if (shown[++at] == 'n') {
                return std::nullopt;
            }
        }
        kept += shown[at];
    }
    return kept;
}

std::string iniText(int charLength, std::string_view load, std::string_view save) {
    return "[AlphabetAndFileInfo]\nCharLength=" + std::to_string(charLength) + "\n\n[Load]\n" +
           std::string(load) + "\n[save]\n" + std::string(save);
}

// The code's length most keys have; a tie goes to the length seen first.
std::size_t commonLength(const std::vector<TableEntry>& entries, std::string& lengths) {
    std::map<std::size_t, int> count;
    for (const auto& entry : entries) {
        ++count[entry.code.size()];
    }
    std::size_t best = 0;
    for (const auto& entry : entries) {
        if (best == 0 || count[entry.code.size()] > count[best]) {
            best = entry.code.size();
        }
    }
    for (auto it = count.begin(); it != count.end(); ++it) {
        const bool last = std::next(it) == count.end();
        lengths += (it == count.begin() ? "" : last ? " and " : ", ") + std::to_string(it->first);
    }
    return best;
}

// The Load value that reads back as the text, bare or quoted: found by reading it as the editor does.
Result<std::string> loadValue(int charLength, const TableEntry& entry, const std::string& bytes) {
    const std::string key = templates::codeKey(entry.code);
    const auto reads = [&](const std::string& value) {
        return templates::Alphabet::parse(iniText(charLength, key + "=" + value + "\n", ""))
            .decode(entry.code);
    };
    // A space and "=" are written as their stand-ins, the same characters as their save keys.
    std::string value = (bytes == " " || bytes == "=") ? templates::characterKey(bytes.front()) : bytes;
    if (reads(value) != bytes) {
        value = "\"" + value + "\"";
    }
    if (const auto back = reads(value); back != bytes) {
        return Error{bytes.size() > files::kIniValueLimit
                         ? "the text is longer than the " + std::to_string(files::kIniValueLimit) +
                               " characters an INI value holds"
                         : "the text " + quoted(entry.text) + " would read back as " +
                               quoted(files::bytesToUtf8(back))};
    }
    return value;
}

}  // namespace

Result<Table> parseTable(std::string_view fileBytes) {
    std::vector<templates::TableProblem> problems;
    const auto utf8 = templates::tableFileText(fileBytes, problems);
    if (!utf8) {
        return Error{"line 1 " + problems.front().what, ErrorKind::Refusal};
    }
    std::string_view text = *utf8;
    Table table;
    for (const auto& problem : problems) {
        table.notes.push_back({problem.line, problem.what});
    }
    int number = 0;
    while (!text.empty()) {
        ++number;
        const auto end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        if (!files::decodeUtf8(line)) {
            return Error{"line " + std::to_string(number) + " is not UTF-8: convert the table to UTF-8 first",
                         ErrorKind::Refusal};
        }
        if (line.find_first_not_of(" \t") == std::string_view::npos || line.front() == '#') {
            continue;
        }
        if (auto what = extension(line)) {
            table.notes.push_back({number, std::move(*what)});
            continue;
        }
        const auto eq = line.find('=');
        if (eq == std::string_view::npos) {
            table.notes.push_back({number, "not understood: no \"=\""});
            continue;
        }
        const auto code = files::parseHexBytes(line.substr(0, eq));
        const std::string_view shown = line.substr(eq + 1);
        if (!code) {
            table.notes.push_back({number, "not understood: the key " + quoted(line.substr(0, eq)) +
                                               " is not pairs of hexadecimal digits"});
        } else if (auto kept = unescaped(shown)) {
            table.entries.push_back({number, *code, std::move(*kept)});
        } else {
            table.notes.push_back({number, "a line break (\\n): an alphabet's texts have none"});
        }
    }
    return table;
}

Result<TableAlphabet> alphabetFromTable(std::string_view text) {
    auto table = parseTable(text);
    if (!table) {
        return table.failure();
    }
    TableAlphabet out;
    std::vector<TableNote> notes = table->notes;
    std::string lengths;
    const std::size_t length = commonLength(table->entries, lengths);
    if (!templates::parseCharLength(std::to_string(length))) {
        return Error{
            "keys of " + std::to_string(length) + " bytes are longer than an alphabet's codes can be",
            ErrorKind::Refusal};
    }
    out.charLength = static_cast<int>(length);
    std::string load;
    std::string save;
    std::map<std::string, int> codeLines;
    std::map<char, std::pair<int, std::string>> firstCode;  // a one-character text -> its line, its key
    for (const auto& entry : table->entries) {
        const std::string key = templates::codeKey(entry.code);
        const auto note = [&](std::string what) { notes.push_back({entry.line, std::move(what)}); };
        if (entry.code.size() != length) {
            note("the key " + key + " has " + std::to_string(entry.code.size()) +
                 " bytes: an alphabet has one code length, and the keys here have " + lengths +
                 " bytes; those of " + std::to_string(length) + " are carried");
            continue;
        }
        if (const auto seen = codeLines.find(key); seen != codeLines.end()) {
            note("the key " + key + " is already on line " + std::to_string(seen->second) +
                 ": the first wins");
            continue;
        }
        codeLines.emplace(key, entry.line);
        const auto bytes = files::utf8ToBytes(entry.text);
        if (!bytes) {
            note(bytes.error() + " An alphabet holds no other characters.");
            continue;
        }
        const auto value = loadValue(out.charLength, entry, *bytes);
        if (!value) {
            note(value.error());
            continue;
        }
        load += key + "=" + *value + "\n";
        ++out.carried;
        if (bytes->size() != 1) {
            continue;
        }
        const char ch = bytes->front();
        const std::string charKey = templates::characterKey(ch);
        if (const auto first = firstCode.find(ch); first != firstCode.end()) {
            note(quoted(entry.text) + " is also the text of " + first->second.second + " (line " +
                 std::to_string(first->second.first) + "): a save writes " + first->second.second +
                 ", the first");
        } else if (charKey.front() == ';' || charKey.front() == '[') {
            note(quoted(entry.text) + " is read but cannot be saved: an INI key cannot begin with " +
                 quoted(entry.text));
        } else if (templates::Alphabet::parse(iniText(out.charLength, "", save + charKey + "=" + key + "\n"))
                       .encode(ch) !=
                   entry.code) {  // with the keys before it: two keys an INI read takes as one are caught
            note(quoted(entry.text) + " is read but cannot be saved: an INI key cannot hold it");
        } else {
            firstCode.emplace(ch, std::pair{entry.line, key});
            save += charKey + "=" + key + "\n";
        }
    }
    if (out.carried == 0) {
        return Error{"there is no entry an alphabet can carry", ErrorKind::Refusal};
    }
    std::stable_sort(notes.begin(), notes.end(),
                     [](const auto& a, const auto& b) { return a.line < b.line; });
    out.notes = std::move(notes);
    out.ini = iniText(out.charLength, load, save);
    return out;
}

std::vector<templates::TemplateProblem> alphabetProblems(const std::string& path) {
    if (templates::isTableName(path)) {
        auto problems = templates::checkTable(path);
        if (problems.size() == 1 && problems.front().line == 0) {
            return problems;  // it cannot be read
        }
        // Codes that share a text are read all the same; a save writes one of them, as said.
        for (auto& problem : templates::Table::read(path)->readBackProblems()) {
            problems.push_back({path, "", "", std::nullopt, std::move(problem.what), problem.line, true});
        }
        return problems;
    }
    auto problems = templates::checkAlphabet(path);
    if (problems.size() == 1 && problems.front().section.empty()) {
        return problems;  // it cannot be read
    }
    for (auto& fault : templates::Alphabet::read(path).readBackFaults()) {
        problems.push_back({path, std::move(fault.section), std::move(fault.key), std::move(fault.value),
                            std::move(fault.phrase)});
    }
    return problems;
}

Result<std::string> tableFromAlphabet(const std::string& path) {
    const auto problems = alphabetProblems(path);
    if (problems.size() == 1 && problems.front().section.empty()) {
        return Error{path + " " + problems.front().what, ErrorKind::Failure};
    }
    std::string table;
    for (const auto& problem : problems) {
        table += "# " + templates::problemText(problem) + "\n";
    }
    // A table's codes are for writing too.
    if (!files::loadIniFileOrEmpty(path)->section("save")) {
        table += "# [save] is missing: the alphabet is for reading only, a save writes no character\n";
    }
    const templates::Alphabet alphabet = templates::Alphabet::read(path);
    for (const auto& key : alphabet.charLength() > 0 ? alphabet.loadKeys() : std::vector<std::string>{}) {
        if (const auto code = templates::parseSaveCode(key, alphabet.charLength())) {
            std::string text = files::bytesToUtf8(alphabet.decode(*code));
            for (std::size_t at = text.find('\\'); at != std::string::npos; at = text.find('\\', at + 2)) {
                text.insert(at, 1, '\\');  // a table reads "\\" as one backslash
            }
            table += templates::codeKey(*code) + "=" + text + "\n";
        }
    }
    return table;
}

}  // namespace rq::exchange
