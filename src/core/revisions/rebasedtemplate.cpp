// The rebased template's text: the old template's bytes, with only the values that changed rewritten and a
// comment above each section whose entry was kept without being found.

#include <map>
#include <set>

#include "files/asciitext.h"
#include "revisions/rebase.h"

namespace rq::revisions {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// The span of a line without the blanks at its ends, as the INI read trims it (and cut at a NUL).
std::pair<std::size_t, std::size_t> trimmed(std::string_view line, std::size_t from, std::size_t to) {
    to = std::min(to, line.find('\0', from) == std::string_view::npos ? to : line.find('\0', from));
    while (from < to && isBlank(line[from])) {
        ++from;
    }
    while (to > from && isBlank(line[to - 1])) {
        --to;
    }
    return {from, to};
}

// A hexadecimal value written as the old one was: at least as many digits, lower case where it was.
std::string hexLike(std::uint64_t value, std::string_view old) {
    std::string text = files::hexText(value, old.size());
    if (old.find_first_of("abcdef") != std::string_view::npos &&
        old.find_first_of("ABCDEF") == std::string_view::npos) {
        text = files::lowerAscii(text);
    }
    return text;
}

// What changes in one section: a value by key (lower case), and the comments above it.
struct SectionChanges {
    std::map<std::string, std::string> values;
    std::map<std::string, std::uint64_t> hexValues;  // values written in the old ones' digits
    std::vector<std::string> comments;
};

std::string outcomeWords(Outcome outcome) {
    return outcome == Outcome::NotFound ? "not found in the new file" : "ambiguous in the new file";
}

std::map<std::string, SectionChanges> changesOf(const templates::GameTemplate& gameTemplate,
                                                const Rebase& rebase) {
    std::map<std::string, SectionChanges> changes;
    std::vector<const TableRebase*> tableOf(rebase.entries.size(), nullptr);
    for (const TableRebase& table : rebase.tables) {
        for (std::size_t i = table.firstEntry; i < table.firstEntry + table.count && i < tableOf.size();
             ++i) {
            tableOf[i] = &table;
        }
        if (table.distance != 0) {
            changes["pointertable" + std::to_string(table.number)].hexValues["offset"] =
                static_cast<std::uint64_t>(static_cast<std::int64_t>(table.offset) + table.distance);
        }
    }
    for (std::size_t i = 0; i < rebase.entries.size(); ++i) {
        const EntryRebase& entry = rebase.entries[i];
        const TableRebase* table = tableOf[i];
        const std::string section = table ? "pointertable" + std::to_string(table->number)
                                          : "entry" + std::to_string(gameTemplate.entries[i].number);
        if (entry.outcome == Outcome::NotFound || entry.outcome == Outcome::Ambiguous) {
            // ASCII only: the comment is written into a template of any code page.
            changes[section].comments.push_back(
                table ? "; Cell " + std::to_string(i - table->firstEntry + 1) + " of this table (entry " +
                            std::to_string(gameTemplate.entries[i].number) + ") " +
                            outcomeWords(entry.outcome) + ", kept in the table: " + entry.why + "."
                      : "; " + std::string(entry.outcome == Outcome::NotFound ? "Not found" : "Ambiguous") +
                            " in the new file, kept as it was: " + entry.why + ".");
        } else if (entry.outcome == Outcome::Moved && !table) {
            if (entry.cells.empty()) {
                changes[section].hexValues["hexlocation"] = entry.newOffset;
            } else {
                std::string cells;
                for (const std::uint32_t cell : entry.cells) {
                    cells += (cells.empty() ? "" : ",") + files::hexText(cell);
                }
                changes[section].values["pointer"] = cells;
            }
        }
    }
    return changes;
}

}  // namespace

Result<std::string> rebasedTemplate(std::string_view iniBytes, const templates::GameTemplate& gameTemplate,
                                    const Rebase& rebase) {
    if (iniBytes.size() >= 2 && static_cast<unsigned char>(iniBytes[0]) == 0xFF &&
        static_cast<unsigned char>(iniBytes[1]) == 0xFE) {
        return Error{
            "The template " + gameTemplate.path +
                " is UTF-16 text: a rebase writes 8-bit templates only, and would not keep it as it is.",
            ErrorKind::Refusal};
    }
    auto changes = changesOf(gameTemplate, rebase);
    const std::string lineEnd = iniBytes.find("\r\n") != std::string_view::npos ? "\r\n" : "\n";
    std::string out;
    out.reserve(iniBytes.size() + 256);
    std::set<std::string> seen;
    SectionChanges* current = nullptr;
    std::set<std::string> keysDone;
    // Lines as the INI read splits them: at every CR or LF, each of which stays as it was.
    for (std::size_t pos = 0; pos <= iniBytes.size();) {
        const std::size_t end = std::min(iniBytes.find_first_of("\r\n", pos), iniBytes.size());
        const std::string_view line = iniBytes.substr(pos, end - pos);
        const auto [from, to] = trimmed(line, 0, line.size());
        std::string rewritten(line);
        if (from < to && line[from] == '[') {
            const auto close = line.find(']', from);
            const auto [nameFrom, nameTo] =
                trimmed(line, from + 1, close == std::string_view::npos ? to : close);
            const std::string name = files::lowerAscii(line.substr(nameFrom, nameTo - nameFrom));
            current = nullptr;
            if (seen.insert(name).second) {
                const auto it = changes.find(name);
                current = it == changes.end() ? nullptr : &it->second;
                keysDone.clear();
                for (const std::string& comment : current ? current->comments : std::vector<std::string>()) {
                    out += comment + lineEnd;
                }
            }
        } else if (current && from < to && line[from] != ';' &&
                   line.find('=', from) != std::string_view::npos) {
            const std::size_t eq = line.find('=', from);
            const auto [keyFrom, keyTo] = trimmed(line, from, eq);
            const std::string key = files::lowerAscii(line.substr(keyFrom, keyTo - keyFrom));
            if (keysDone.insert(key).second) {
                const auto [valueFrom, valueTo] = trimmed(line, eq + 1, line.size());
                const std::string_view old = line.substr(valueFrom, valueTo - valueFrom);
                std::optional<std::string> value;
                if (const auto it = current->values.find(key); it != current->values.end()) {
                    value = it->second;
                } else if (const auto hex = current->hexValues.find(key); hex != current->hexValues.end()) {
                    value = hexLike(hex->second, old);
                }
                if (value) {
                    rewritten =
                        std::string(line.substr(0, valueFrom)) + *value + std::string(line.substr(valueTo));
                }
            }
        } else if (current && from < to && line[from] != ';') {
            keysDone.insert(files::lowerAscii(line.substr(from, to - from)));
        }
        out += rewritten;
        if (end < iniBytes.size()) {
            out += iniBytes[end];
        }
        pos = end + 1;
    }
    return out;
}

}  // namespace rq::revisions
