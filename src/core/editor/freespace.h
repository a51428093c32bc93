#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "templates/gametemplate.h"

namespace rq::editor {

// The free blocks of a file's free-space ranges, for strings that no longer fit their rooms: the bytes of the
// ranges that hold the fill byte and that no string occupies. Blocks are handed out first fit: the lowest
// block of the first range (in the order the template gives them) that lies inside the asker's region and
// holds it.
class FreeSpaceMap {
  public:
    // rangeBytes holds each range's bytes as the file has them now (shorter where the file ends first);
    // occupied, the rooms of every string the template reads.
    FreeSpaceMap(const templates::FreeSpace& space, std::span<const std::string> rangeBytes,
                 std::span<const templates::ByteRange> occupied);

    // Takes size bytes from the first block that holds them inside [regionStart, regionEnd), and gives their
    // offset; nothing when no block does.
    [[nodiscard]] std::optional<std::uint64_t> take(std::uint64_t size, std::uint64_t regionStart,
                                                    std::uint64_t regionEnd);

    // The largest block inside the region, in bytes: what a refusal names.
    [[nodiscard]] std::uint64_t largest(std::uint64_t regionStart, std::uint64_t regionEnd) const;

  private:
    std::vector<std::map<std::uint64_t, std::uint64_t>> m_blocks;  // a map a range: start -> end
};

}  // namespace rq::editor
