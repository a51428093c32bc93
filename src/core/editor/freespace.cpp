#include "freespace.h"

#include <algorithm>

namespace rq::editor {

FreeSpaceMap::FreeSpaceMap(const templates::FreeSpace& space, std::span<const std::string> rangeBytes,
                           std::span<const templates::ByteRange> occupied) {
    m_blocks.resize(space.ranges.size());
    for (std::size_t r = 0; r < space.ranges.size() && r < rangeBytes.size(); ++r) {
        const std::uint64_t start = space.ranges[r].start;
        const std::string& bytes = rangeBytes[r];
        // A byte is free when it holds the fill byte and no string covers it.
        std::vector<bool> free(bytes.size());
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            free[i] = static_cast<std::uint8_t>(bytes[i]) == space.fill;
        }
        for (const auto& room : occupied) {
            const std::uint64_t from = std::max(room.start, start);
            const std::uint64_t to = std::min(room.end, start + bytes.size());
            for (std::uint64_t at = from; at < to; ++at) {
                free[at - start] = false;
            }
        }
        for (std::size_t i = 0; i < free.size();) {
            if (!free[i]) {
                ++i;
                continue;
            }
            std::size_t end = i;
            while (end < free.size() && free[end]) {
                ++end;
            }
            m_blocks[r].emplace(start + i, start + end);
            i = end;
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

}  // namespace rq::editor
