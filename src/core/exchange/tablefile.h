#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "files/result.h"
#include "templates/templatecheck.h"

namespace rq::exchange {

// The community's character tables (.tbl): one "HEX=TEXT" mapping a line, UTF-8 with or without a BOM,
// LF or CRLF, "#" lines for comments.

// A normal entry: the code's bytes and its text (UTF-8), everything after the first "=".
struct TableEntry {
    int line = 0;
    std::string code;
    std::string text;
};

// A line an alphabet cannot carry, or carries in part, and why (UTF-8).
struct TableNote {
    int line = 0;
    std::string what;
};

struct Table {
    std::vector<TableEntry> entries;
    std::vector<TableNote> notes;  // the lines that are no normal entry: end tokens, control codes, ...
};

// Refused only when the text is not UTF-8 (the line is named).
[[nodiscard]] Result<Table> parseTable(std::string_view text);

// An alphabet made from a table: its file's bytes and, in line order, what it could not carry.
struct TableAlphabet {
    std::string ini;
    std::vector<TableNote> notes;
    int charLength = 0;
    int carried = 0;  // entries written to Load
};

// CharLength from the keys (the most common length), a Load code for every entry an alphabet can hold, a
// save code for the first entry of each one-character text. Refused when no entry can be carried.
[[nodiscard]] Result<TableAlphabet> alphabetFromTable(std::string_view text);

// What check reports for an alphabet file, then the codes that do not read back as themselves; for a table
// file (a name ending in ".tbl"), its lines a read cannot use, then its entries that do not read back.
[[nodiscard]] std::vector<templates::TemplateProblem> alphabetProblems(const std::string& path);

// The alphabet as a UTF-8 table: "#" lines for its problems (which a table cannot say), then each Load code
// that an alphabet can read with the text it reads as. Refused when the file cannot be read.
[[nodiscard]] Result<std::string> tableFromAlphabet(const std::string& path);

}  // namespace rq::exchange
