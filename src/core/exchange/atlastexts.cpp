#include "exchange/atlastexts.h"

#include <algorithm>
#include <filesystem>
#include <map>

#include "editor/entrytexts.h"
#include "exchange/atlaswalk.h"
#include "files/asciitext.h"
#include "files/common.h"
#include "files/filehandle.h"

namespace rq::exchange {
namespace {

std::string hex(std::uint64_t value) {
    return "0x" + files::hexText(value);
}

// Whether two tables are one: the same file, or files of the same bytes.
class SameTables {
  public:
    bool operator()(const templates::Table& first, const templates::Table& second) {
        const auto key = std::make_pair(first.path(), second.path());
        if (const auto found = m_known.find(key); found != m_known.end()) {
            return found->second;
        }
        std::error_code failed;
        bool same =
            std::filesystem::equivalent(files::fsPath(first.path()), files::fsPath(second.path()), failed);
        if (!same) {
            const auto one = files::readFileBytes(first.path(), templates::kTableFileLimit);
            const auto other = files::readFileBytes(second.path(), templates::kTableFileLimit);
            same = one && other && *one == *other;
        }
        return m_known[key] = same;
    }

  private:
    std::map<std::pair<std::string, std::string>, bool> m_known;
};

}  // namespace

Result<ScriptTexts> takeScriptTexts(std::string_view script, const std::string& name,
                                    const std::string& folder, const templates::GameTemplate& gameTemplate,
                                    std::span<const std::string> texts,
                                    std::span<const editor::EntryRoom> rooms, LockedTexts locked) {
    const auto parsed = parseAtlasScript(script, name);
    if (!parsed) {
        return parsed.failure();
    }
    auto layout = walkAtlasScript(*parsed, name, folder);
    if (!layout) {
        return layout.failure();
    }
    const auto& entries = gameTemplate.entries;
    std::multimap<std::uint64_t, std::size_t> byCell;
    std::multimap<std::uint64_t, std::size_t> byPlace;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        for (const std::uint32_t cell : entries[i].cells) {
            byCell.emplace(cell, i);
        }
        if (entries[i].cells.empty()) {
            byPlace.emplace(static_cast<std::uint64_t>(entries[i].offset), i);
        }
    }
    ProblemList problems(name);
    ScriptTexts taken{{}, std::move(layout->rooms)};
    std::size_t warned = 0;
    const auto problem = [&](int line, const std::string& why) {
        problems.add(name + ", line " + std::to_string(line) + ": " + why);
    };
    std::map<std::size_t, const ScriptString*> given;
    SameTables sameTables;
    std::vector<std::size_t> matched;
    for (const ScriptString& string : layout->strings) {
        matched.clear();
        const bool byPointers = !string.fixed && !string.pointers.empty();
        for (const ScriptPointer& pointer : byPointers ? string.pointers : std::vector<ScriptPointer>()) {
            const auto [first, last] = byCell.equal_range(pointer.cell);
            if (first == last) {
                problem(pointer.line, "no entry of the template has a pointer cell at " + hex(pointer.cell) +
                                          ", so the text of line " + std::to_string(string.line) +
                                          " has no entry.");
            }
            for (auto at = first; at != last; ++at) {
                matched.push_back(at->second);
            }
        }
        if (!byPointers) {
            const auto [first, last] = byPlace.equal_range(string.place);
            if (first == last) {
                problem(string.line, "no entry of the template lies at " + hex(string.place) +
                                         ", where the text goes (a text without pointers is matched by its "
                                         "place).");
            }
            for (auto at = first; at != last; ++at) {
                matched.push_back(at->second);
            }
        }
        for (const std::size_t index : matched) {
            const templates::TemplateEntry& entry = entries[index];
            if (!entry.table || !sameTables(*entry.table, *string.table)) {
                problem(string.line, "the text is written with the table " + string.table->path() + ", but " +
                                         templates::entryName(entry) + " reads with " +
                                         (entry.table ? "the table " + entry.table->path() : "an alphabet") +
                                         ".");
                continue;
            }
            const auto [earlier, first] = given.emplace(index, &string);
            if (!first && earlier->second != &string && earlier->second->text != string.text) {
                problem(string.line, templates::entryName(entry) + " is given another text on line " +
                                         std::to_string(earlier->second->line) + ".");
            }
            for (const ScriptPointer& pointer : string.pointers) {
                const auto cell = std::ranges::find(entry.cells, pointer.cell);
                const auto value = entry.pointer.valueOf(string.place);
                if (cell == entry.cells.end() ||
                    (value == pointer.value && pointer.size == entry.pointer.size &&
                     pointer.bigEndian == entry.pointer.bigEndian)) {
                    continue;
                }
                if (warned++ < kListedProblems) {
                    taken.taken.warnings.push_back(
                        name + ", line " + std::to_string(pointer.line) + ": the script's pointer at " +
                        hex(pointer.cell) + " is " + std::to_string(pointer.size * 8) + "-bit " +
                        hex(pointer.value) + " for a text at " + hex(string.place) + ", where " +
                        templates::entryName(entry) + "'s template reads " +
                        (value ? hex(*value) : std::string("no value")) +
                        "; the save writes the template's pointers to where it puts the text.");
                }
            }
        }
    }
    for (const auto& [index, string] : given) {
        const auto room = index < rooms.size() ? rooms[index] : editor::lengthRoom(entries[index]);
        if (!editor::entryChanged(entries[index], room, texts[index], string->text)) {
            continue;
        }
        if (entries[index].locked && locked == LockedTexts::Refused) {
            problem(string->line, templates::lockedRefusal(entries[index]));
        }
        taken.taken.texts.emplace(entries[index].number, string->text);
    }
    if (!problems.empty()) {
        return problems.error();
    }
    if (warned > kListedProblems) {
        taken.taken.warnings.push_back("... and " + std::to_string(warned - kListedProblems) +
                                       " more pointers like these in " + name + ".");
    }
    return taken;
}

}  // namespace rq::exchange
