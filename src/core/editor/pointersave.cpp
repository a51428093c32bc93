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

// The bytes of a moved string's old room that become free space: those a free range holds (elsewhere a
// pointer not known may reach them) and no other string lies on (an entry may point into its middle).
std::vector<templates::ByteRange> freedBytes(const templates::GameTemplate& gameTemplate,
                                             std::span<const EntryRoom> rooms,
                                             const std::vector<std::size_t>& sharers, const EntryRoom& room,
                                             const std::vector<templates::ByteRange>& ranges) {
    const std::uint64_t start = room.offset;
    const std::uint64_t end = room.offset + room.size;
    std::vector<bool> kept(room.size, true);
    for (const auto& range : ranges) {
        for (std::uint64_t at = std::max(range.start, start); at < std::min(range.end, end); ++at) {
            kept[at - start] = false;
        }
    }
    for (std::size_t i = 0; i < rooms.size() && i < gameTemplate.entries.size(); ++i) {
        const EntryRoom& other = rooms[i];
        if (other.unread || std::find(sharers.begin(), sharers.end(), i) != sharers.end()) {
            continue;
        }
        for (std::uint64_t at = std::max(other.offset, start); at < std::min(other.offset + other.size, end);
             ++at) {
            kept[at - start] = true;
        }
    }
    std::vector<templates::ByteRange> freed;
    for (std::uint64_t at = start; at < end; ++at) {
        if (kept[at - start]) {
            continue;
        }
        if (!freed.empty() && freed.back().end == at) {
            ++freed.back().end;
        } else {
            freed.push_back({at, at + 1});
        }
    }
    return freed;
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
        // A string that cannot move, or that no string could hold, is planned in place, which refuses it
        // when it does not fit; one that fits stays where it is.
        // (Its length alone says when it is far too long to encode at all.)
        const std::size_t perByte =
            canMove(entry, room) ? std::max<std::size_t>(entry.table->mostTextPerByte(), 1) : 0;
        bool movable = perByte > 0 && edit->text.size() / perByte <= kLongestMovedString;
        auto encoded = movable ? entry.table->encode(edit->text) : Result<std::string>(std::string());
        if (!encoded) {
            return refused(templates::entryName(entry) + " cannot be saved: the text " + encoded.error() +
                           ".");
        }
        std::string bytes = std::move(encoded).value() + room.end;
        movable = movable && bytes.size() <= kLongestMovedString;
        if (!movable || bytes.size() <= room.size) {
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
        for (const templates::ByteRange& freed :
             freedBytes(gameTemplate, rooms, sharers, room, freeSpace.ranges())) {
            writes.push_back(
                {freed.start,
                 std::string(freed.end - freed.start, static_cast<char>(gameTemplate.freeSpace.fill)),
                 templates::entryName(entry)});
        }
        writes.push_back({*target, std::move(bytes), templates::entryName(entry)});
    }
    return writes;
}

}  // namespace rq::editor
