#include "revisions/rebase.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>

#include "editor/tablerooms.h"
#include "files/asciitext.h"
#include "revisions/needles.h"
#include "search/cellscan.h"

namespace rq::revisions {
namespace {

using templates::PointerFormat;
using templates::TemplateEntry;

// The most cells a pointer entry is given: more that hold its string's place are chance, not pointers.
constexpr std::size_t kMostCells = 8;

// count bytes from offset, zeros past the file's end, as the editor reads them.
std::string bytesAt(std::string_view file, std::uint64_t offset, std::size_t count) {
    std::string bytes(offset < file.size() ? file.substr(offset, count) : std::string_view());
    bytes.resize(count, '\0');
    return bytes;
}

std::string hex(std::uint64_t value) {
    return "0x" + files::hexText(value);
}

std::string placesText(const std::vector<std::uint64_t>& places, std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < places.size() && i < kListedPlaces; ++i) {
        text += (i == 0 ? "" : ", ") + hex(places[i]);
    }
    if (count > places.size()) {
        text += " and more";
    } else if (count > kListedPlaces) {
        text += " and " + std::to_string(count - kListedPlaces) + " more";
    }
    return text;
}

// Where a pointer entry's cell points in a file, or nothing.
std::optional<std::uint64_t> pointedAt(const TemplateEntry& entry, std::string_view file,
                                       std::uint32_t cell) {
    const auto size = static_cast<std::size_t>(entry.pointer.size);
    if (cell >= file.size() || file.size() - cell < size) {
        return std::nullopt;
    }
    return entry.pointer.offsetOf(entry.pointer.value(file.substr(cell, size)));
}

// An entry's bytes in the old file, or why they cannot be had (a NotFound outcome's reason).
struct Original {
    std::string bytes;
    std::uint64_t offset = 0;
    std::string unreadable;
};

Original originalOf(const TemplateEntry& entry, std::string_view oldFile) {
    Original original;
    if (!entry.cells.empty()) {
        const auto at = pointedAt(entry, oldFile, entry.cells.front());
        if (!at) {
            original.unreadable =
                "its pointer at " + hex(entry.cells.front()) + " leads nowhere in the old file";
            return original;
        }
        original.offset = *at;
    } else {
        original.offset = static_cast<std::uint64_t>(entry.offset);
    }
    if (entry.table && !entry.lengthGiven) {
        const std::size_t left = original.offset < oldFile.size() ? oldFile.size() - original.offset : 0;
        const std::string read =
            bytesAt(oldFile, original.offset, std::min<std::size_t>(left, templates::kLongestEndedRoom));
        const auto room = editor::readTableText(entry, read).room;
        if (!room.known) {
            original.unreadable =
                "no end token ends its string at " + hex(original.offset) + " in the old file";
            return original;
        }
        original.bytes = read.substr(0, room.size);
    } else {
        original.bytes =
            bytesAt(oldFile, original.offset, static_cast<std::size_t>(std::max<int>(entry.length, 0)));
    }
    return original;
}

bool holdsAt(std::string_view file, std::uint64_t offset, std::string_view bytes) {
    return bytesAt(file, offset, bytes.size()) == bytes;
}

// A pointer entry is in place when its cells in the new file all point to one place that holds its bytes.
std::optional<std::uint64_t> pointerInPlace(const TemplateEntry& entry, std::string_view newFile,
                                            std::string_view bytes) {
    std::optional<std::uint64_t> place;
    for (const std::uint32_t cell : entry.cells) {
        const auto at = pointedAt(entry, newFile, cell);
        if (!at || (place && *place != *at)) {
            return std::nullopt;
        }
        place = at;
    }
    return place && holdsAt(newFile, *place, bytes) ? place : std::nullopt;
}

// The pointer tables of the template, after its own entries.
std::vector<TableRebase> tablesOf(const templates::GameTemplate& gameTemplate, const files::IniFile& ini) {
    std::vector<TableRebase> tables;
    std::size_t cells = 0;
    for (int n = 1; ini.section("PointerTable" + std::to_string(n)) != nullptr; ++n) {
        const std::string section = "PointerTable" + std::to_string(n);
        TableRebase table;
        table.number = n;
        const auto count = templates::parseCellCount(ini.read(section, "Count", ""));
        table.count = count ? static_cast<std::size_t>(*count) : 0;
        table.offset = files::parseHex(ini.read(section, "Offset", "")).value_or(0);
        cells += table.count;
        tables.push_back(table);
    }
    std::size_t first = gameTemplate.entries.size() - std::min(cells, gameTemplate.entries.size());
    for (auto& table : tables) {
        table.firstEntry = first;
        first += table.count;
    }
    return tables;
}

// The cells of the new file that hold each wanted place in its entry's format: one pass per cell format.
// Nothing for a place whose value fills far more cells than pointers would.
std::map<std::size_t, std::optional<std::vector<std::uint64_t>>> cellsHolding(
    const templates::GameTemplate& gameTemplate, const std::map<std::size_t, std::uint64_t>& wanted,
    std::string_view newFile) {
    std::map<std::size_t, std::optional<std::vector<std::uint64_t>>> found;
    std::map<std::pair<int, bool>, std::vector<search::cells::Target>> byFormat;
    for (const auto& [index, place] : wanted) {
        const PointerFormat& format = gameTemplate.entries[index].pointer;
        if (const auto value = format.valueOf(place)) {
            byFormat[{format.size, format.bigEndian}].push_back(
                {static_cast<std::uint32_t>(*value), 0, static_cast<std::uint32_t>(index)});
            found[index] = std::vector<std::uint64_t>();
        }
    }
    std::uint64_t done = 0;
    for (auto& [cell, targets] : byFormat) {
        std::sort(targets.begin(), targets.end());
        std::vector<std::vector<search::cells::Hit>> hits(1);
        const std::vector<search::cells::Target> asked = targets;
        (void)search::cells::scanCells({cell.first, cell.second}, newFile, targets, hits, done, 0);
        for (const auto& target : asked) {
            const bool kept = std::any_of(targets.begin(), targets.end(),
                                          [&](const auto& t) { return t.string == target.string; });
            if (!kept) {
                found[target.string] = std::nullopt;
            }
        }
        for (const auto& hit : hits[0]) {
            if (auto& list = found[hit.string]) {
                list->push_back(hit.pos);
            }
        }
    }
    return found;
}

class Rebaser {
  public:
    Rebaser(const templates::GameTemplate& gameTemplate, std::string_view oldFile, std::string_view newFile)
        : m_template(gameTemplate), m_old(oldFile), m_new(newFile) {}

    Rebase run(const files::IniFile& ini) {
        m_result.tables = tablesOf(m_template, ini);
        const auto& entries = m_template.entries;
        m_result.entries.resize(entries.size());
        m_inPlace.assign(entries.size(), false);
        std::vector<Original> originals(entries.size());
        std::vector<std::size_t> searched;
        std::vector<std::string_view> needles;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            originals[i] = originalOf(entries[i], m_old);
            EntryRebase& entry = m_result.entries[i];
            entry.oldOffset = entry.newOffset = originals[i].offset;
            const std::string& bytes = originals[i].bytes;
            if (!originals[i].unreadable.empty()) {
                notFound(i, originals[i].unreadable);
            } else if (bytes.empty()) {
                continue;  // nothing is read for it, wherever it is
            } else if (entries[i].cells.empty() ? holdsAt(m_new, entry.oldOffset, bytes)
                                                : pointerInPlace(entries[i], m_new, bytes).has_value()) {
                entry.newOffset =
                    entries[i].cells.empty() ? entry.oldOffset : *pointerInPlace(entries[i], m_new, bytes);
                m_inPlace[i] = true;
            } else {
                searched.push_back(i);
                needles.push_back(bytes);
            }
        }
        const auto places = findNeedles(m_new, needles, 2 * kListedPlaces);
        for (std::size_t k = 0; k < searched.size(); ++k) {
            placeString(searched[k], originals[searched[k]].bytes, places[k]);
        }
        placeCells();
        return std::move(m_result);
    }

  private:
    void notFound(std::size_t i, std::string why) {
        m_result.entries[i].outcome = Outcome::NotFound;
        m_result.entries[i].why = std::move(why);
    }

    // Where the string of an entry that is not in place lies in the new file.
    void placeString(std::size_t i, std::string_view bytes, const NeedlePlaces& found) {
        EntryRebase& entry = m_result.entries[i];
        const bool pointer = !m_template.entries[i].cells.empty();
        if (pointer && holdsAt(m_new, entry.oldOffset, bytes)) {
            m_strings[i] = entry.oldOffset;  // the string stayed; its cells did not
        } else if (found.count == 0) {
            notFound(i, "its bytes, from " + hex(entry.oldOffset) +
                            " in the old file, are nowhere in the new file");
        } else if (found.count > 1) {
            entry.outcome = Outcome::Ambiguous;
            entry.why = "its bytes lie at " + placesText(found.places, found.count) + " in the new file";
        } else if (pointer) {
            m_strings[i] = found.places.front();
        } else {
            entry.outcome = Outcome::Moved;
            entry.newOffset = found.places.front();
        }
    }

    // The cells of the pointer entries whose strings were placed: an entry's own, a table's as a whole.
    void placeCells() {
        const auto holding = cellsHolding(m_template, m_strings, m_new);
        std::set<std::size_t> inTables;
        for (const TableRebase& table : m_result.tables) {
            for (std::size_t i = table.firstEntry; i < table.firstEntry + table.count; ++i) {
                inTables.insert(i);
            }
        }
        for (const auto& [i, place] : m_strings) {
            m_result.entries[i].newOffset = place;
            const auto it = holding.find(i);
            if (it == holding.end()) {
                notFound(i,
                         "its place in the new file, " + hex(place) + ", lies outside its pointers' reach");
            } else if (!it->second) {
                ambiguous(i, "its place in the new file, " + hex(place) +
                                 ", is held by far more cells than pointers");
            } else if (it->second->empty()) {
                notFound(i,
                         "its bytes lie at " + hex(place) + " in the new file, but no cell holds that place");
            } else if (inTables.count(i) == 0) {
                if (it->second->size() > kMostCells) {
                    ambiguous(i, "its place in the new file, " + hex(place) + ", is held by cells at " +
                                     placesText(*it->second, it->second->size()));
                } else {
                    m_result.entries[i].outcome = Outcome::Moved;
                    for (const std::uint64_t cell : *it->second) {
                        m_result.entries[i].cells.push_back(static_cast<std::uint32_t>(cell));
                    }
                }
            }
        }
        for (TableRebase& table : m_result.tables) {
            placeTable(table, holding);
        }
    }

    void ambiguous(std::size_t i, std::string why) {
        m_result.entries[i].outcome = Outcome::Ambiguous;
        m_result.entries[i].why = std::move(why);
    }

    // The distances by which a table's cells may have moved: those that every entry found agrees with (an
    // entry in place with 0 only).
    void placeTable(TableRebase& table,
                    const std::map<std::size_t, std::optional<std::vector<std::uint64_t>>>& holding) {
        std::optional<std::set<std::int64_t>> common;
        std::vector<std::size_t> voters;
        for (std::size_t i = table.firstEntry; i < table.firstEntry + table.count; ++i) {
            std::set<std::int64_t> distances;
            const auto cell = static_cast<std::int64_t>(m_template.entries[i].cells.front());
            if (m_inPlace[i]) {
                distances.insert(0);
            } else if (const auto it = holding.find(i);
                       it != holding.end() && it->second && !it->second->empty()) {
                for (const std::uint64_t at : *it->second) {
                    distances.insert(static_cast<std::int64_t>(at) - cell);
                }
                voters.push_back(i);
            } else {
                continue;
            }
            if (!common) {
                common = std::move(distances);
            } else {
                std::set<std::int64_t> both;
                std::set_intersection(common->begin(), common->end(), distances.begin(), distances.end(),
                                      std::inserter(both, both.begin()));
                common = std::move(both);
            }
        }
        // A voter is not in place, so 0 is never the one distance they share.
        if (voters.empty()) {
            return;
        }
        if (common->size() == 1) {
            table.distance = *common->begin();
            for (const std::size_t i : voters) {
                m_result.entries[i].outcome = Outcome::Moved;
                m_result.entries[i].cells = {static_cast<std::uint32_t>(
                    static_cast<std::int64_t>(m_template.entries[i].cells.front()) + table.distance)};
            }
            return;
        }
        for (const std::size_t i : voters) {
            if (common->empty()) {
                notFound(i,
                         "the cells of its table moved by different distances: the table is kept as it was");
            } else {
                std::vector<std::uint64_t> offsets;
                for (const std::int64_t distance : *common) {
                    offsets.push_back(
                        static_cast<std::uint64_t>(static_cast<std::int64_t>(table.offset) + distance));
                }
                ambiguous(i, "its table fits at " + placesText(offsets, offsets.size()) + " in the new file");
            }
        }
    }

    const templates::GameTemplate& m_template;
    std::string_view m_old;
    std::string_view m_new;
    Rebase m_result;
    std::map<std::size_t, std::uint64_t> m_strings;  // pointer entries: their strings' places in the new file
    std::vector<bool> m_inPlace;                     // read right as the template stands
};

}  // namespace

std::size_t Rebase::count(Outcome outcome) const {
    return static_cast<std::size_t>(std::count_if(entries.begin(), entries.end(),
                                                  [outcome](const auto& e) { return e.outcome == outcome; }));
}

Rebase rebaseEntries(const templates::GameTemplate& gameTemplate, const files::IniFile& ini,
                     std::string_view oldFile, std::string_view newFile) {
    return Rebaser(gameTemplate, oldFile, newFile).run(ini);
}

}  // namespace rq::revisions
