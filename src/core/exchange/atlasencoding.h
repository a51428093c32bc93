#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "files/result.h"
#include "templates/table.h"

// How the text of an inserter's script stands for bytes: the labels it writes otherwise than the editors
// show them, and the inserter's own choice of codes.
namespace rq::exchange {

// What a script's text can say besides characters: a label and what it stands for.
struct ScriptLabel {
    std::string script;
    std::string text;  // what the editors show for it (a line break's "\n")
    std::string end;   // an end token's bytes; empty for a line break
};

[[nodiscard]] bool isHexDigit(char c);

// The labels of a table that a script writes otherwise than the editors show them: end tokens, and line
// breaks (a physical line break in a script means nothing), longest first.
[[nodiscard]] std::vector<ScriptLabel> scriptLabels(const templates::Table& table);

// The bytes the inserter writes for a text: at each place a raw byte "<$XX>" as that byte, else the
// longest text of the table that stands there (the first line of the table among equals). This can differ
// from Table::encode, which writes the fewest bytes, and the inserter's placement follows these bytes.
// Refused, a phrase said of the text, for a character that no text of the table begins with.
[[nodiscard]] Result<std::string> scriptTextBytes(const templates::Table& table, std::string_view text);

}  // namespace rq::exchange
