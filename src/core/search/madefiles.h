#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "files/result.h"
#include "search/relative.h"
#include "templates/pointerformat.h"

// The files a search makes for a game nobody has written them for: a table seeded from a hit, and a
// template that reads a pointer table through it.
namespace rq::search {

// A .tbl file (UTF-8) from a relative hit: the whole run of each kind of character the word holds (A-Z,
// a-z, 0-9) on the codes the hit implies, keys as the bytes lie in the file; codes a run would need outside
// the layout's range are left out. Its first lines say where it came from.
[[nodiscard]] std::string tableFromHit(const RelativeHit& hit, std::u32string_view word);

// Where a template's pointer table lies and how its cells read.
struct PointerTablePlace {
    std::uint64_t offset = 0;  // the first cell
    int count = 0;
    templates::PointerFormat format;
    std::uint32_t stride = 0;  // 0: the cell's size
};

// A template (v1.0 keys and the pointer keys) named name, whose entries are the pointer table's cells, each
// string read through the table file tableName (in plugins/alphabets/) up to its end token. Refused when
// the name or the table's holds a line break or another control character: written into the template, it
// would end its line and start keys and sections of its own.
[[nodiscard]] Result<std::string> templateForPointers(const std::string& name, const std::string& tableName,
                                                      const PointerTablePlace& place);

}  // namespace rq::search
