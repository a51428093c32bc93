#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "files/result.h"

namespace rq::exchange {

// An inserter script as the classic inserter reads it: "#NAME(arg, ...)" command lines, "//" comment lines
// and blank lines, and every other line text, joined to the next with nothing between (a line break in a
// game's text is its table's own token, never the script's). Numbers are decimal or "$" and hexadecimal,
// either negative ("-5", "$-8000"); strings stand in straight double quotes.

struct ScriptArgument {
    enum class Kind { Number, String, Name };
    Kind kind = Kind::Number;
    std::int64_t number = 0;
    std::string text;  // a string without its quotes, or a name as written
};

struct ScriptCommand {
    int line = 0;
    std::string name;  // upper case, without "#"
    std::vector<ScriptArgument> arguments;
};

struct ScriptText {
    int line = 0;
    std::string text;  // the line as written (UTF-8), without its line ending
};

// The script in line order, as a walk of it (the texts it gives, or the inserter's own placement) reads it.
struct AtlasScript {
    std::vector<std::variant<ScriptCommand, ScriptText>> items;
};

// Refused, every problem listed with its line ("NAME, line 7: ..."), for a command this reader does not know
// or cannot follow (address modes other than LINEAR, string types other than ENDTERM, extensions, pointer
// lists read from files, embedded pointers unless embedded is true: only the inserter's own layout places
// them), arguments of the wrong number or kind, a number past 32 bits and a string without its closing
// quote.
[[nodiscard]] Result<AtlasScript> parseAtlasScript(std::string_view text, const std::string& name,
                                                   bool embedded = false);

}  // namespace rq::exchange
