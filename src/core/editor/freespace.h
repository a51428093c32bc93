#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "editor/tablerooms.h"
#include "files/result.h"
#include "templates/gametemplate.h"
#include "templates/templatecheck.h"

namespace rq::editor {

// The free blocks of a file's free-space ranges, for strings that no longer fit their rooms: the bytes of the
// ranges that hold the fill byte and that no string occupies. Blocks are handed out first fit: the lowest
// block of the first range (in the order the template gives them) that lies inside the asker's region and
// holds it.
class FreeSpaceMap {
  public:
    // ranges as usableRanges gives them; rangeBytes holds each range's bytes as the file has them now;
    // occupied, the rooms of every string the template reads.
    FreeSpaceMap(std::span<const templates::ByteRange> ranges, std::uint8_t fill,
                 std::span<const std::string> rangeBytes, std::span<const templates::ByteRange> occupied);

    // Takes size bytes from the first block that holds them inside [regionStart, regionEnd), and gives their
    // offset; nothing when no block does.
    [[nodiscard]] std::optional<std::uint64_t> take(std::uint64_t size, std::uint64_t regionStart,
                                                    std::uint64_t regionEnd);

    // The largest block inside the region, in bytes: what a refusal names.
    [[nodiscard]] std::uint64_t largest(std::uint64_t regionStart, std::uint64_t regionEnd) const;
    // The free bytes of every block together: what a save leaves of the free space.
    [[nodiscard]] std::uint64_t total() const;

    // The bytes of the ranges that hold something else than the fill byte and that no string explains: how
    // many, and the first. Not free; a range that holds them is perhaps not free space at all.
    [[nodiscard]] std::uint64_t unexplainedBytes() const { return m_unexplained; }
    [[nodiscard]] std::uint64_t firstUnexplained() const { return m_firstUnexplained; }

    // The ranges as given to it.
    [[nodiscard]] const std::vector<templates::ByteRange>& ranges() const { return m_ranges; }

  private:
    std::vector<templates::ByteRange> m_ranges;
    std::vector<std::map<std::uint64_t, std::uint64_t>> m_blocks;  // a map a range: start -> end
    std::uint64_t m_unexplained = 0;
    std::uint64_t m_firstUnexplained = 0;
};

// A template's free ranges as a save hands them out: ranges that overlap merged into one, in the place of the
// first of them (so no byte is handed out twice), and each cut at the file's end (nothing past it is read).
[[nodiscard]] std::vector<templates::ByteRange> usableRanges(const templates::FreeSpace& space,
                                                             std::uint64_t fileSize);

// The free space of a template in a game file, its strings where they were read (rooms, by entry).
[[nodiscard]] Result<FreeSpaceMap> freeSpaceIn(const templates::GameTemplate& gameTemplate,
                                               std::span<const EntryRoom> rooms, const std::string& gameFile);

// For each entry, the largest free block a longer text of it could move to (inside its pointer's region):
// none where the free space cannot be read; nothing for an entry without cells.
[[nodiscard]] std::vector<std::optional<std::uint64_t>> movingRooms(
    const templates::GameTemplate& gameTemplate, std::span<const EntryRoom> rooms,
    const std::string& gameFile);

// After a save through the template: the rooms of the strings that now lie elsewhere (a pointer entry's
// moved string), read again from the file, and each pointer entry's largest free block anew. A string saved
// in place keeps the room it was read with, as an entry without pointers does. False, with nothing changed,
// for a template without pointer entries or a file that cannot be read again.
bool followMovedStrings(const templates::GameTemplate& gameTemplate, const std::string& gameFile,
                        std::vector<EntryRoom>& rooms, std::vector<std::optional<std::uint64_t>>& moving);

// A template's free ranges as a template writes them: "3000-3400, 5000-5100", or "none".
[[nodiscard]] std::string rangesText(const templates::FreeSpace& space);

// What a check of the template against a game file says of its free space: the bytes of its ranges that are
// neither the fill byte nor any entry's string. Nothing when there are none, or the template cannot be read
// (the template's own check says why).
[[nodiscard]] std::optional<templates::TemplateProblem> checkFreeSpace(const std::string& templatePath,
                                                                       const std::string& gameFile);

}  // namespace rq::editor
