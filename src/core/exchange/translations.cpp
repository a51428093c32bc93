#include "exchange/translations.h"

#include <charconv>
#include <functional>
#include <optional>

#include "editor/entrytexts.h"
#include "exchange/spreadsheetcells.h"
#include "files/asciitext.h"
#include "files/codepage.h"

namespace rq::exchange {
namespace {

// The texts a translator's file is checked against: as the file holds them now, what a key names (or why
// it names nothing), a text's name in messages, and the texts by their locations.
struct Known {
    std::span<const std::string> texts;
    std::function<Result<std::size_t>(const std::string& key)> resolve;
    std::function<std::string(std::size_t index)> describe;
    std::multimap<std::string, std::size_t, std::less<>> located;
    // Why a text must not change, when it must not; none: every text may.
    std::function<std::optional<std::string>(std::size_t index)> locked = nullptr;
};

std::string locationOf(std::int64_t offset, int length) {
    return "0x" + files::hexText(static_cast<std::uint64_t>(offset)) + ":" + std::to_string(length);
}

// A text in a message: quoted, and cut short when long, so that a list of problems stays readable.
std::string quoted(std::string_view text) {
    constexpr std::size_t kShown = 200;
    std::size_t cut = std::min(text.size(), kShown);
    while (cut < text.size() && cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
        --cut;
    }
    return "\"" + std::string(text.substr(0, cut)) + (cut < text.size() ? "...\"" : "\"");
}

// The check every format shares, made on each translation as the reader hands it over; gives the new texts
// by index.
Result<TakenTexts<std::size_t>> take(const TranslationReader& read, const std::string& name,
                                     const Known& known) {
    TakenTexts<std::size_t> taken;
    ProblemList problems(name);
    std::size_t warned = 0;
    std::vector<bool> seen(known.texts.size());
    std::vector<std::size_t> indices;
    const Status status = read([&](Translation item) -> Status {
        if (!item.problem.empty()) {
            problems.add(std::move(item.problem));
            return success();
        }
        // A translation still to be checked is no text to write yet, and a gone entry's is no one's.
        if (item.obsolete) {
            return success();
        }
        if (item.fuzzy) {
            item.text.clear();
        }
        const auto problem = [&](const std::string& why) {
            problems.add(name + ", " + item.where + ": " + why);
        };
        const auto locate = [&](std::string_view place) {
            const auto [first, last] = known.located.equal_range(place);
            for (auto at = first; at != last; ++at) {
                indices.push_back(at->second);
            }
            return first != last;
        };
        indices.clear();
        if (!item.key.empty()) {
            if (const auto index = known.resolve(item.key)) {
                indices.push_back(*index);
            } else if (!locate(item.key)) {
                problem(index.error());
            }
        } else if (item.locations.empty()) {
            problem("the message has neither a msgctxt nor a \"#:\" location, so it names no text.");
        }
        for (const std::string& place : item.key.empty() ? item.locations : std::vector<std::string>()) {
            if (!locate(place)) {
                problem("no text is at " + place + ", the message's \"#:\" location.");
            }
        }
        // Originals never end in a space, and an empty one is a single space in a PO file.
        const std::string_view original = files::unpadded(item.original);
        const std::string_view text = files::unpadded(item.text);
        for (const std::size_t index : indices) {
            if (seen[index]) {
                problem(known.describe(index) + " is given twice.");
                continue;
            }
            seen[index] = true;
            const std::string_view current = files::unpadded(known.texts[index]);
            // A translation the file already holds was inserted before: the same file may be inserted again.
            const bool inserted = !item.text.empty() && text == current;
            if (original != current && !inserted) {
                problem("the original " + quoted(original) + " is not the text of " + known.describe(index) +
                        ", " + quoted(current) +
                        ": the game file or the template is not as it was at the export.");
                continue;
            }
            // Padding is the save's to add: a translation equal to the text is no change.
            if (item.text.empty() || text == current) {
                continue;
            }
            if (const auto refusal = known.locked ? known.locked(index) : std::nullopt) {
                problem(*refusal);
                continue;
            }
            if (convertedAsNumber(original, text) && warned++ < kListedProblems) {
                taken.warnings.push_back(name + ", " + item.where + ": the translation " + quoted(text) +
                                         " of " + known.describe(index) + " differs from its original " +
                                         quoted(original) +
                                         " only as a spreadsheet's number conversion would; it is taken as "
                                         "given (import every column as text to keep the original's form).");
            }
            taken.texts.emplace(index, item.text);
        }
        return success();
    });
    if (!status) {
        // What the reader could not read past ends the list; alone, it is the reader's own message.
        if (problems.empty()) {
            return status.failure();
        }
        problems.add(status.error());
    }
    if (!problems.empty()) {
        return problems.error();
    }
    if (warned > kListedProblems) {
        taken.warnings.push_back("... and " + std::to_string(warned - kListedProblems) +
                                 " more translations like these in " + name + ".");
    }
    return taken;
}

}  // namespace

void ProblemList::add(std::string message) {
    if (m_listed.size() < kListedProblems) {
        m_listed.push_back(std::move(message));
    }
    ++m_count;
}

Error ProblemList::error() const {
    std::string message;
    for (const std::string& line : m_listed) {
        message += (message.empty() ? "" : "\n") + line;
    }
    if (m_count > 1) {
        message += "\n";
        if (m_count > m_listed.size()) {
            message += "... and " + std::to_string(m_count - m_listed.size()) + " more: ";
        }
        message += m_name + " has " + std::to_string(m_count) + " problems.";
    }
    return Error{message, ErrorKind::Refusal};
}

std::string location(const ExportedEntry& entry) {
    return "0x" + entry.offset + ":" + std::to_string(entry.length);
}

std::string roomNote(const ExportedEntry& entry) {
    if (entry.moveRoom) {
        return "Room for " + std::to_string(entry.bytes) +
               " bytes in place; a longer text moves to free space, whose largest block in its region has " +
               std::to_string(*entry.moveRoom) + " bytes.";
    }
    const std::string limit = std::to_string(entry.limit) + (entry.limit == 1 ? " character" : " characters");
    // A table's characters take different numbers of bytes: the limit is what always fits.
    return entry.bytes > 0 ? "Room for " + std::to_string(entry.bytes) + " bytes: " + limit +
                                 (entry.limit == 1 ? " always fits." : " always fit.")
                           : "Room for " + limit + ".";
}

std::vector<ExportedEntry> exportedEntries(const templates::GameTemplate& gameTemplate,
                                           std::span<const std::string> texts,
                                           std::span<const editor::EntryRoom> rooms,
                                           std::span<const std::optional<std::uint64_t>> moving) {
    std::vector<ExportedEntry> exported;
    exported.reserve(gameTemplate.entries.size());
    for (std::size_t i = 0; i < gameTemplate.entries.size(); ++i) {
        const templates::TemplateEntry& entry = gameTemplate.entries[i];
        const std::string number = std::to_string(entry.number);
        const auto room = i < rooms.size() ? rooms[i] : editor::lengthRoom(entry);
        // A room that Ended says to end always takes the end token a save adds.
        const std::size_t ending =
            room.end.empty() && entry.ended.value_or(false) ? room.addedEnd.size() : room.end.size();
        const int bytes = entry.table ? static_cast<int>(room.size - std::min(room.size, ending)) : 0;
        const int limit =
            entry.table
                ? bytes / static_cast<int>(std::max<std::size_t>(entry.table->mostBytesPerCharacter(), 1))
                : entry.limit();
        exported.push_back(ExportedEntry{"entry " + number,
                                         number,
                                         files::hexText(room.offset),
                                         static_cast<int>(room.size),
                                         limit,
                                         files::bytesToUtf8(entry.comment),
                                         std::string(files::unpadded(texts[i])),
                                         bytes,
                                         i < moving.size() ? moving[i] : std::nullopt,
                                         {},
                                         entry.locked});
    }
    return exported;
}

std::vector<ExportedEntry> exportedRooms(const cutscenes::CutsceneTexts& texts) {
    std::vector<ExportedEntry> exported;
    for (std::size_t i = 0; i < texts.texts.size(); ++i) {
        const auto& room = cutscenes::rooms()[i];
        const auto offset = cutscenes::fileOffset(room, texts.edition);
        if (texts.texts[i] && offset) {
            const std::string key = cutscenes::roomKey(room);
            exported.push_back(ExportedEntry{key,
                                             key,
                                             files::hexText(static_cast<std::uint64_t>(*offset)),
                                             room.size,
                                             room.size,
                                             {},
                                             std::string(files::unpadded(*texts.texts[i])),
                                             0,
                                             std::nullopt});
        }
    }
    return exported;
}

Result<TakenTexts<int>> takeTranslations(const TranslationReader& read, const std::string& name,
                                         const templates::GameTemplate& gameTemplate,
                                         std::span<const std::string> texts,
                                         std::span<const editor::EntryRoom> rooms, LockedTexts locked) {
    const int count = static_cast<int>(gameTemplate.entries.size());
    Known known{texts, nullptr, nullptr, {}};
    known.resolve = [count](const std::string& key) -> Result<std::size_t> {
        std::string_view number = key;
        if (number.starts_with("entry ")) {
            number.remove_prefix(6);
        }
        int entry = 0;
        const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), entry);
        if (error != std::errc{} || end != number.data() + number.size() || entry < 1 || entry > count) {
            return Error{"the template has no entry " + std::string(number) + " (it has " +
                         std::to_string(count) + ")."};
        }
        return static_cast<std::size_t>(entry - 1);
    };
    known.describe = [&gameTemplate](std::size_t index) {
        return templates::entryName(gameTemplate.entries[index]);
    };
    if (locked == LockedTexts::Refused) {
        known.locked = [&gameTemplate](std::size_t index) -> std::optional<std::string> {
            const templates::TemplateEntry& entry = gameTemplate.entries[index];
            return entry.locked ? std::optional(templates::lockedRefusal(entry)) : std::nullopt;
        };
    }
    for (std::size_t i = 0; i < gameTemplate.entries.size(); ++i) {
        const templates::TemplateEntry& entry = gameTemplate.entries[i];
        // As exported: where the string was read (through a pointer), with the room it was read with.
        const auto room = i < rooms.size() ? rooms[i] : editor::lengthRoom(entry);
        known.located.emplace(locationOf(static_cast<std::int64_t>(room.offset), static_cast<int>(room.size)),
                              i);
    }
    auto taken = take(read, name, known);
    if (!taken) {
        return taken.failure();
    }
    auto value = std::move(taken).value();
    TakenTexts<int> byEntry{{}, std::move(value.warnings)};
    for (auto& [index, text] : value.texts) {
        byEntry.texts.emplace(static_cast<int>(index) + 1, std::move(text));
    }
    return byEntry;
}

Status refuseLockedTexts(const std::map<int, std::string>& given, const std::string& name,
                         const templates::GameTemplate& gameTemplate, std::span<const std::string> texts,
                         std::span<const editor::EntryRoom> rooms) {
    ProblemList problems(name);
    for (const auto& [number, text] : given) {
        const auto index = static_cast<std::size_t>(number - 1);
        const templates::TemplateEntry& entry = gameTemplate.entries.at(index);
        const auto room = index < rooms.size() ? rooms[index] : editor::lengthRoom(entry);
        if (entry.locked && editor::entryChanged(entry, room, texts[index], text)) {
            problems.add(name + ": " + templates::lockedRefusal(entry));
        }
    }
    if (!problems.empty()) {
        return problems.error();
    }
    return success();
}

Result<TakenTexts<std::string>> takeRoomTranslations(const TranslationReader& read, const std::string& name,
                                                     const cutscenes::CutsceneTexts& texts) {
    std::vector<std::string> current;
    current.reserve(texts.texts.size());
    for (const auto& text : texts.texts) {
        current.push_back(text.value_or(std::string()));
    }
    Known known{current, nullptr, nullptr, {}};
    known.resolve = [](const std::string& key) -> Result<std::size_t> {
        if (const auto room = cutscenes::findRoom(key)) {
            return *room;
        }
        return Error{"\"" + key + "\" names no cutscene text."};
    };
    known.describe = [](std::size_t index) { return cutscenes::roomKey(cutscenes::rooms()[index]); };
    for (std::size_t i = 0; i < texts.texts.size(); ++i) {
        const auto offset = cutscenes::fileOffset(cutscenes::rooms()[i], texts.edition);
        if (texts.texts[i] && offset) {
            known.located.emplace(locationOf(*offset, cutscenes::rooms()[i].size), i);
        }
    }
    auto taken = take(read, name, known);
    if (!taken) {
        return taken.failure();
    }
    auto value = std::move(taken).value();
    TakenTexts<std::string> byKey{{}, std::move(value.warnings)};
    for (auto& [index, text] : value.texts) {
        byKey.texts.emplace(cutscenes::roomKey(cutscenes::rooms()[index]), std::move(text));
    }
    return byKey;
}

Result<std::vector<Translation>> collectTranslations(const TranslationReader& read) {
    std::vector<Translation> given;
    const Status status = read([&given](Translation item) {
        given.push_back(std::move(item));
        return success();
    });
    if (!status) {
        return status.failure();
    }
    return given;
}

}  // namespace rq::exchange
