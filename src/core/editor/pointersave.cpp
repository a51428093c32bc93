#include "pointersave.h"

#include <algorithm>
#include <map>

#include "editor/freespace.h"
#include "files/asciitext.h"

namespace rq::editor {
namespace {

std::string bytesText(std::uint64_t count) {
    return std::to_string(count) + (count == 1 ? " byte" : " bytes");
}

}  // namespace

Result<std::vector<files::RoomWrite>> planPointerSave(const templates::GameTemplate& gameTemplate,
                                                      std::span<const EntryEdit> edits,
                                                      std::size_t shownEntries,
                                                      std::span<const EntryRoom> rooms,
                                                      const std::string& gameFile) {
    // Entries without cells, and the count, as an ordinary save plans them.
    std::vector<EntryEdit> placed;
    std::map<std::uint64_t, const EntryEdit*> moved;  // a pointer string's offset -> its edit
    for (const EntryEdit& edit : edits) {
        const bool pointer = edit.index < gameTemplate.entries.size() &&
                             !gameTemplate.entries[edit.index].cells.empty() && edit.index < rooms.size();
        if (!pointer) {
            placed.push_back(edit);
            continue;
        }
        const auto [at, added] = moved.emplace(rooms[edit.index].offset, &edit);
        if (!added && at->second->text != edit.text) {
            return refused(templates::entryName(gameTemplate.entries[at->second->index]) + " and " +
                           templates::entryName(gameTemplate.entries[edit.index]) +
                           " reach one string, and were given different texts.");
        }
    }
    auto planned = planSave(gameTemplate, placed, shownEntries, rooms);
    if (!planned) {
        return planned;
    }
    std::vector<files::RoomWrite> writes = std::move(planned).value();
    auto found =
        freeSpaceIn(gameTemplate, rooms.first(std::min(rooms.size(), gameTemplate.entries.size())), gameFile);
    if (!found) {
        return found.failure();
    }
    FreeSpaceMap freeSpace = std::move(found).value();
    std::map<std::uint64_t, std::vector<std::size_t>> reaching;  // a string's offset -> the entries it is of
    for (std::size_t i = 0; i < gameTemplate.entries.size() && i < rooms.size(); ++i) {
        if (!gameTemplate.entries[i].cells.empty() && rooms[i].known && moved.contains(rooms[i].offset)) {
            reaching[rooms[i].offset].push_back(i);
        }
    }
    for (const auto& [offset, edit] : moved) {
        const templates::TemplateEntry& entry = gameTemplate.entries[edit->index];
        const EntryRoom& room = rooms[edit->index];
        // A string without an end token has no length but its room's; one that fits stays where it is.
        auto encoded = entry.table && !room.end.empty() && room.known ? entry.table->encode(edit->text)
                                                                      : Result<std::string>(std::string());
        if (!encoded) {
            return refused(templates::entryName(entry) + " cannot be saved: the text " + encoded.error() +
                           ".");
        }
        std::string bytes = std::move(encoded).value() + room.end;
        if (room.end.empty() || !room.known || bytes.size() <= room.size) {
            auto inPlace = planSave(gameTemplate, std::span(edit, 1), shownEntries, rooms);
            if (!inPlace) {
                return inPlace;
            }
            writes.insert(writes.end(), inPlace->begin(), inPlace->end());
            continue;
        }
        // Every entry that reaches this string has its cells rewritten; the block must suit each of them.
        const std::vector<std::size_t>& sharers = reaching[offset];
        std::uint64_t regionStart = 0;
        std::uint64_t regionEnd = UINT64_MAX;
        for (const std::size_t i : sharers) {
            regionStart = std::max(regionStart, gameTemplate.entries[i].pointer.regionStart);
            regionEnd = std::min(regionEnd, gameTemplate.entries[i].pointer.reachEnd());
        }
        const auto target = freeSpace.take(bytes.size(), regionStart, regionEnd);
        if (!target) {
            return refused(templates::entryName(entry) + " needs " + bytesText(bytes.size()) +
                           "; the largest free block in its region has " +
                           bytesText(freeSpace.largest(regionStart, regionEnd)) +
                           " (free space: " + rangesText(gameTemplate.freeSpace) + ").");
        }
        for (const std::size_t i : sharers) {
            const auto& sharer = gameTemplate.entries[i];
            const auto value = sharer.pointer.valueOf(*target);
            if (!value) {
                return refused(templates::entryName(sharer) + " cannot point to 0x" +
                               files::hexText(*target) + ": its cells cannot hold that place.");
            }
            for (const std::uint32_t cell : sharer.cells) {
                writes.push_back({cell, sharer.pointer.cell(*value), templates::entryName(sharer)});
            }
        }
        // The old room becomes free space where a range holds it; elsewhere a pointer not known may reach it.
        for (const auto& range : gameTemplate.freeSpace.ranges) {
            const std::uint64_t from = std::max(range.start, offset);
            const std::uint64_t to = std::min(range.end, offset + room.size);
            if (from < to) {
                writes.push_back({from,
                                  std::string(to - from, static_cast<char>(gameTemplate.freeSpace.fill)),
                                  templates::entryName(entry)});
            }
        }
        writes.push_back({*target, std::move(bytes), templates::entryName(entry)});
    }
    return writes;
}

std::function<Status()> pointerSaveProof(const templates::GameTemplate& gameTemplate,
                                         const std::string& gameFile, std::span<const EntryEdit> edits,
                                         std::span<const EntryRoom> rooms) {
    const EntryTexts now = readEntryTexts(gameTemplate, gameFile);
    std::vector<std::string> expected = now.texts;
    std::map<std::uint64_t, std::string> strings;  // a changed pointer string's offset -> its text
    for (const EntryEdit& edit : edits) {
        if (edit.index < expected.size()) {
            expected[edit.index] = edit.text;
            if (!gameTemplate.entries[edit.index].cells.empty() && edit.index < rooms.size()) {
                strings[rooms[edit.index].offset] = edit.text;
            }
        }
    }
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const auto shared = strings.find(now.rooms[i].offset);
        if (!gameTemplate.entries[i].cells.empty() && now.rooms[i].known && shared != strings.end()) {
            expected[i] = shared->second;
        }
    }
    return [&gameTemplate, gameFile, expected = std::move(expected)]() -> Status {
        const EntryTexts again = readEntryTexts(gameTemplate, gameFile);
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const auto& entry = gameTemplate.entries[i];
            if (again.readFailed || i >= again.texts.size() ||
                entryChanged(entry, again.rooms[i], expected[i], again.texts[i])) {
                return Error{templates::entryName(entry) + " read \"" +
                                 (i < again.texts.size() ? again.texts[i] : std::string()) +
                                 "\" after the save, not \"" + expected[i] + "\".",
                             ErrorKind::Refusal};
            }
        }
        return success();
    };
}

}  // namespace rq::editor
