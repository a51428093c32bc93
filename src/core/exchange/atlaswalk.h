#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "exchange/atlasencoding.h"
#include "exchange/atlasscript.h"
#include "files/result.h"
#include "templates/pointerformat.h"
#include "templates/table.h"

namespace rq::exchange {

// An inserter script walked as the classic inserter walks it: each text goes where the position stands
// (set by #JMP, moved on by every text), and each pointer command writes, at its cell, the position where
// the next text begins. #AUTOWRITE instead writes a pointer table's next cell when a text ends with the
// given end token, pointing at where that text began.

// A pointer as the inserter computes it: the position less the #HDR in force (for a #CREATEPTR pointer, the
// #HDR in force when it was made), less its offsetting, cut to its size.
struct ScriptPointer {
    int line = 0;
    std::uint64_t cell = 0;  // where it is written
    int size = 2;            // bytes
    bool bigEndian = false;  // #ENDIANSWAP("TRUE")
    std::uint64_t value = 0;
};

// The inserter's pointer value for a position: (position - header - offsetting) cut to size bytes.
[[nodiscard]] std::uint64_t scriptPointerValue(std::uint64_t position, std::int64_t header,
                                               std::int64_t offsetting, int size);

struct ScriptString {
    int line = 0;      // where it begins
    std::string text;  // as the editors show it: UTF-8, "\n" for a line break, raw bytes as "<$XX>"
    std::string end;   // the bytes of the end token that ended it
    std::shared_ptr<const templates::Table> table;
    std::uint64_t place = 0;  // where the inserter puts it
    std::uint64_t size = 0;   // the bytes it takes there, its end token included
    bool fixed = false;       // #FIXEDLENGTH: size is that length
    char fill = 0;            // #FIXEDLENGTH's byte after the text, to its length
    std::string bytes;        // the inserter's bytes for text (scriptTextBytes), its end token apart
    // The end (excluded) of its #JMP's room when that #JMP names its last byte.
    std::optional<std::uint64_t> bound;
    std::vector<ScriptPointer> pointers;
};

struct ScriptLayout {
    std::vector<ScriptString> strings;
    // Each #JMP's room: to its last byte when it names one, else to where its texts end.
    std::vector<templates::ByteRange> rooms;
    // Pointers of #EMBSET and #EMBWRITE (only in the inserter's own layout): each written, at the command
    // that comes second of the two, in the cell #EMBSET kept in the text stream.
    std::vector<ScriptPointer> embedded;
};

// Tables named by #ADDTBL are looked for beside the script (in folder), then among the program folder's
// alphabets. Refused, every problem listed with its line: a name no #VAR made (or made of another kind), a
// table that cannot be read or has lines a read cannot use, text before any #ACTIVETBL, a text that no end
// token of its table ends, a command inside such a text, a pointer whose text never comes (a #JMP or the
// script's end comes first), and a text its table cannot write.
// With ownLayout, as the inserter itself does, every command and the script's end end the text before
// them, and embedded pointers are placed; refused besides: an #EMBSET or #EMBWRITE without its other half
// (the inserter would leave the pointer unwritten) or given twice, one before any #EMBTYPE, and a cell
// past its #JMP's last byte.
[[nodiscard]] Result<ScriptLayout> walkAtlasScript(const AtlasScript& script, const std::string& name,
                                                   const std::string& folder, bool ownLayout = false);

}  // namespace rq::exchange
