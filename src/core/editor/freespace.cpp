#include "freespace.h"

#include <algorithm>

#include "editor/entrytexts.h"
#include "files/asciitext.h"
#include "files/filehandle.h"

namespace rq::editor {

std::vector<templates::ByteRange> usableRanges(const templates::FreeSpace& space, std::uint64_t fileSize) {
    const auto overlap = [](const templates::ByteRange& a, const templates::ByteRange& b) {
        return a.start < b.end && b.start < a.end;
    };
    std::vector<templates::ByteRange> merged;
    for (const auto& range : space.ranges) {
        const templates::ByteRange cut{range.start, std::min(range.end, fileSize)};
        if (cut.start >= cut.end) {
            continue;
        }
        const auto into = std::find_if(merged.begin(), merged.end(),
                                       [&](const templates::ByteRange& r) { return overlap(r, cut); });
        if (into == merged.end()) {
            merged.push_back(cut);
            continue;
        }
        std::size_t kept = static_cast<std::size_t>(into - merged.begin());
        merged[kept] = {std::min(into->start, cut.start), std::max(into->end, cut.end)};
        // Grown, it may reach ranges after it too: they join it.
        for (std::size_t i = 0; i < merged.size();) {
            if (i != kept && overlap(merged[i], merged[kept])) {
                merged[kept] = {std::min(merged[i].start, merged[kept].start),
                                std::max(merged[i].end, merged[kept].end)};
                merged.erase(merged.begin() + static_cast<std::ptrdiff_t>(i));
                kept -= i < kept ? 1 : 0;
                i = 0;
                continue;
            }
            ++i;
        }
    }
    return merged;
}

FreeSpaceMap::FreeSpaceMap(std::span<const templates::ByteRange> ranges, std::uint8_t fill,
                           std::span<const std::string> rangeBytes,
                           std::span<const templates::ByteRange> occupied)
    : m_ranges(ranges.begin(), ranges.end()) {
    m_blocks.resize(ranges.size());
    for (std::size_t r = 0; r < ranges.size() && r < rangeBytes.size(); ++r) {
        const std::uint64_t start = ranges[r].start;
        const std::string& bytes = rangeBytes[r];
        std::vector<bool> taken(bytes.size());
        for (const auto& room : occupied) {
            const std::uint64_t from = std::max(room.start, start);
            const std::uint64_t to = std::min(room.end, start + bytes.size());
            for (std::uint64_t at = from; at < to; ++at) {
                taken[at - start] = true;
            }
        }
        // A byte is free when it holds the fill byte and no string covers it.
        std::size_t blockStart = 0;
        for (std::size_t i = 0; i <= bytes.size(); ++i) {
            const bool free = i < bytes.size() && !taken[i] && static_cast<std::uint8_t>(bytes[i]) == fill;
            if (i < bytes.size() && !taken[i] && !free) {
                m_firstUnexplained = m_unexplained == 0 ? start + i : std::min(m_firstUnexplained, start + i);
                ++m_unexplained;
            }
            if (free) {
                continue;
            }
            if (blockStart < i) {
                m_blocks[r].emplace(start + blockStart, start + i);
            }
            blockStart = i + 1;
        }
    }
}

std::optional<std::uint64_t> FreeSpaceMap::take(std::uint64_t size, std::uint64_t regionStart,
                                                std::uint64_t regionEnd) {
    for (auto& blocks : m_blocks) {
        for (auto it = blocks.begin(); it != blocks.end(); ++it) {
            const std::uint64_t from = std::max(it->first, regionStart);
            const std::uint64_t to = std::min(it->second, regionEnd);
            if (from >= to || to - from < size) {
                continue;
            }
            const auto [blockStart, blockEnd] = *it;
            blocks.erase(it);
            // What is left on either side stays free.
            if (blockStart < from) {
                blocks.emplace(blockStart, from);
            }
            if (from + size < blockEnd) {
                blocks.emplace(from + size, blockEnd);
            }
            return from;
        }
    }
    return std::nullopt;
}

std::uint64_t FreeSpaceMap::largest(std::uint64_t regionStart, std::uint64_t regionEnd) const {
    std::uint64_t most = 0;
    for (const auto& blocks : m_blocks) {
        for (const auto& [start, end] : blocks) {
            const std::uint64_t from = std::max(start, regionStart);
            const std::uint64_t to = std::min(end, regionEnd);
            most = std::max(most, to > from ? to - from : 0);
        }
    }
    return most;
}

std::uint64_t FreeSpaceMap::total() const {
    std::uint64_t bytes = 0;
    for (const auto& blocks : m_blocks) {
        for (const auto& [start, end] : blocks) {
            bytes += end - start;
        }
    }
    return bytes;
}

Result<FreeSpaceMap> freeSpaceIn(const templates::GameTemplate& gameTemplate,
                                 std::span<const EntryRoom> rooms, const std::string& gameFile) {
    const templates::FreeSpace& space = gameTemplate.freeSpace;
    std::vector<templates::ByteRange> ranges;
    std::vector<std::string> rangeBytes;
    if (!space.ranges.empty()) {
        const auto file = files::FileHandle::open(gameFile, files::FileHandle::Mode::Read);
        if (!file) {
            return file.failure();
        }
        ranges = usableRanges(space, file->openedSize());
        for (const auto& range : ranges) {
            auto read = file->readAt(range.start, static_cast<std::size_t>(range.end - range.start));
            if (!read) {
                return read.failure();
            }
            rangeBytes.push_back(std::move(read).value());
        }
    }
    std::vector<templates::ByteRange> occupied;
    occupied.reserve(rooms.size());
    for (const EntryRoom& room : rooms) {
        if (!room.unread) {
            occupied.push_back({room.offset, room.offset + room.size});
        }
    }
    return FreeSpaceMap(ranges, space.fill, rangeBytes, occupied);
}

std::vector<std::optional<std::uint64_t>> movingRooms(const templates::GameTemplate& gameTemplate,
                                                      std::span<const EntryRoom> rooms,
                                                      const std::string& gameFile) {
    const auto found = freeSpaceIn(gameTemplate, rooms, gameFile);
    const FreeSpaceMap freeSpace = found ? *found : FreeSpaceMap({}, 0, {}, {});
    std::vector<std::optional<std::uint64_t>> largest;
    largest.reserve(gameTemplate.entries.size());
    for (std::size_t i = 0; i < gameTemplate.entries.size(); ++i) {
        const auto& entry = gameTemplate.entries[i];
        // Only what the save moves is offered a block: the counters and checks promise what it does.
        const bool moves = i < rooms.size() && canMove(entry, rooms[i]);
        largest.push_back(
            moves ? std::optional(freeSpace.largest(entry.pointer.regionStart, entry.pointer.reachEnd()))
                  : std::nullopt);
    }
    return largest;
}

bool followMovedStrings(const templates::GameTemplate& gameTemplate, const std::string& gameFile,
                        std::vector<EntryRoom>& rooms, std::vector<std::optional<std::uint64_t>>& moving) {
    if (std::none_of(moving.begin(), moving.end(), [](const auto& free) { return free.has_value(); })) {
        return false;
    }
    const EntryTexts again = readEntryTexts(gameTemplate, gameFile);
    if (again.readFailed || again.rooms.size() != rooms.size()) {
        return false;
    }
    for (std::size_t i = 0; i < rooms.size(); ++i) {
        if (again.rooms[i].offset != rooms[i].offset) {
            rooms[i] = again.rooms[i];
        }
    }
    moving = movingRooms(gameTemplate, rooms, gameFile);
    return true;
}

std::string rangesText(const templates::FreeSpace& space) {
    std::string text;
    for (const auto& range : space.ranges) {
        text += (text.empty() ? "" : ", ") + files::hexText(range.start) + "-" + files::hexText(range.end);
    }
    return text.empty() ? "none" : text;
}

std::optional<templates::TemplateProblem> checkFreeSpace(const std::string& templatePath,
                                                         const std::string& gameFile) {
    const auto gameTemplate = templates::readGameTemplate(templatePath);
    if (!gameTemplate || gameTemplate->freeSpace.ranges.empty()) {
        return std::nullopt;
    }
    const EntryTexts read = readEntryTexts(*gameTemplate, gameFile);
    const auto freeSpace = freeSpaceIn(*gameTemplate, read.rooms, gameFile);
    if (read.readFailed || !freeSpace || freeSpace->unexplainedBytes() == 0) {
        return std::nullopt;
    }
    const std::uint64_t count = freeSpace->unexplainedBytes();
    const std::string fill = files::hexText(gameTemplate->freeSpace.fill);
    return templates::TemplateProblem{
        templatePath, "FreeSpace", "Ranges", rangesText(gameTemplate->freeSpace),
        "holds " + std::to_string(count) + (count == 1 ? " byte" : " bytes") + " in " + gameFile +
            " that no entry's string explains and that are not the fill byte " +
            (fill.size() < 2 ? "0" : "") + fill + " (the first at 0x" +
            files::hexText(freeSpace->firstUnexplained()) +
            "): they are not free, and perhaps the range is not free space"};
}

}  // namespace rq::editor
