#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "files/result.h"
#include "search/relative.h"
#include "templates/pointerformat.h"

// The files a search makes for a game nobody has written them for: a table seeded from a hit, and a
// template that reads pointer tables through it.
namespace rq::search {

// A .tbl file (UTF-8) from a relative hit: the whole run of each kind of character the word holds (A-Z,
// a-z, 0-9) on the codes the hit implies, keys as the bytes lie in the file (codes a run would need outside
// the layout's range are left out), then the space and the punctuation the hit recorded, then the end token
// `end` (bytes as they lie in the file; none when empty) as "/HEX=<end>". A backslash in a text is written
// "\\", as the table's reader takes it. Its first lines say where it came from.
[[nodiscard]] std::string tableFromHit(const RelativeHit& hit, std::u32string_view word,
                                       std::string_view end = {});

// Whether `end` (1 to 4 bytes) can be the end token of the table made from the hit: refused, with a phrase
// said of the token ("is the code of "a" in the hit"), when it is one of the table's codes, or begins one,
// or one begins it: the game's strings would then read on, or stop, where they do not.
[[nodiscard]] Status checkEndToken(const RelativeHit& hit, std::string_view end);

// Where a template's pointer table lies and how its cells read.
struct PointerTablePlace {
    std::uint64_t offset = 0;  // the first cell
    int count = 0;
    templates::PointerFormat format;
    std::uint32_t stride = 0;        // 0: the cell's size
    std::string comment = {};        // UTF-8; empty: "Line", or "Table N line" among several tables
    std::string tableName = {};      // empty: the plan's
    std::optional<int> length = {};  // each string's room in bytes; none: up to its end token
};

// A string at a place of its own, as [entryN] gives it.
struct EntryPlace {
    std::uint64_t offset = 0;
    std::optional<int> length;  // none: up to its end token
    std::string comment;        // UTF-8
    std::string tableName;      // empty: the plan's
};

// A pointer table as `pointers` prints it and `template new` takes it: OFFSET,COUNT,FORMAT[,BASE[,START-END
// [,STRIDE]]]: the first cell in hexadecimal ("0x" allowed), the cells in decimal, le16 to be32, the base and
// the region in hexadecimal, the bytes from one cell to the next in decimal ("0x" for hexadecimal). An empty
// BASE, region or STRIDE keeps its default: 0, the whole file, the cell's size. Nothing when it is not one.
[[nodiscard]] std::optional<PointerTablePlace> parsePointerTablePlace(std::string_view text);

// What a made template holds: its game name, the table file (in plugins/alphabets/) that reads every string
// up to its end token, the pointer tables in order, and the free space moved strings may take; and the
// strings at places of their own, each table and entry maybe through a table of its own.
struct TemplatePlan {
    std::string name;
    std::string tableName;
    std::vector<PointerTablePlace> tables;
    std::vector<templates::ByteRange> freeRanges;
    std::optional<std::uint8_t> fill;  // the free space's fill byte; FF when not given
    std::vector<EntryPlace> entries = {};
    std::string madeFrom = {};  // what the first line says it was made from; empty: pointer tables
};

// A template (v1.0 keys and the pointer keys): [entryN] for each entry, [Pointers] with the cells' format
// when every table shares it, else each [PointerTableN] with its own; [FreeSpace] when there are free
// ranges; each table file named once in [TextFormattingSystem]. Names, comments and table names are UTF-8,
// written in the template's code page. Refused (a sentence) when one of them holds a line break or another
// control character (written into the template, it would end its line and start keys and sections of its
// own) or a character the code page lacks, when there is neither a table nor an entry, an entry or a
// table's cells would lie past offset 7FFFFFFF, a length is not one a template can give, there are more
// entries than the editor has room for, the whole makes more entries than a template may, or free ranges
// overlap.
[[nodiscard]] Result<std::string> templateForPointers(const TemplatePlan& plan);
// The same for one pointer table and no free space.
[[nodiscard]] Result<std::string> templateForPointers(const std::string& name, const std::string& tableName,
                                                      const PointerTablePlace& place);

}  // namespace rq::search
