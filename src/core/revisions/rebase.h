#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "files/iniReadWriteDelete.h"
#include "files/result.h"
#include "templates/gametemplate.h"

// A template carried to another revision of its game: each entry's bytes as the old file holds them, looked
// for in the new file.
namespace rq::revisions {

enum class Outcome {
    InPlace,    // the template reads it right as it stands
    Moved,      // found once elsewhere: its new place (and cells) are known
    NotFound,   // its bytes are nowhere in the new file, or nothing there leads to them
    Ambiguous,  // found at several places, none of them its old one
};

// The most places an ambiguous entry lists.
inline constexpr std::size_t kListedPlaces = 4;

struct EntryRebase {
    Outcome outcome = Outcome::InPlace;
    std::uint64_t oldOffset = 0;       // where its string lay in the old file
    std::uint64_t newOffset = 0;       // where it lies in the new one (in place or moved)
    std::vector<std::uint32_t> cells;  // a moved pointer entry's cells in the new file
    std::string
        why;  // not found or ambiguous, said of the entry, ASCII: "its bytes are nowhere in the new file"
};

// A [PointerTableN] and what became of it: it moves as a whole when every cell found moved by one distance.
struct TableRebase {
    int number = 0;              // N
    std::size_t firstEntry = 0;  // its first cell's entry, among the template's entries
    std::size_t count = 0;       // its cells
    std::uint64_t offset = 0;    // its Offset in the old template
    std::int64_t distance = 0;   // how far it moved
};

struct Rebase {
    std::vector<EntryRebase> entries;  // one per entry of the template, in its order
    std::vector<TableRebase> tables;
    [[nodiscard]] std::size_t count(Outcome outcome) const;
};

// Each entry of the template as the old file holds it (a fixed room's Length bytes; a string without Length
// up to and including its end token; for a pointer entry, where its first cell points), looked for in the new
// file. An entry is in place when its bytes still lie where the template reads them (a pointer entry: where
// its cells in the new file point); else moved when they lie at exactly one other place (a pointer entry's
// string at its old place counts before any other, and its cells are then every cell of its format in the new
// file that holds that place), not found when they lie nowhere (or no cell holds their place), ambiguous when
// they lie at several. Entries with equal bytes that are all in place are in place; moved, they are
// ambiguous. A pointer table moves as a whole when the cells of all its entries that were found moved by one
// distance; otherwise it is kept, and its entries that are not in place are not found. An entry without
// bytes (no Length) is in place. ini is the template's parse (for its pointer tables); the files are whole.
[[nodiscard]] Rebase rebaseEntries(const templates::GameTemplate& gameTemplate, const files::IniFile& ini,
                                   std::string_view oldFile, std::string_view newFile);

// The template's text with the values that changed rewritten (HexLocation, Pointer, a table's Offset) in
// their lines, and a comment line above each section with an entry that was not found or is ambiguous;
// every other byte as it was. Refused for a template in UTF-16, which is not written back as it was.
[[nodiscard]] Result<std::string> rebasedTemplate(std::string_view iniBytes,
                                                  const templates::GameTemplate& gameTemplate,
                                                  const Rebase& rebase);

}  // namespace rq::revisions
