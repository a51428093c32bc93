#pragma once

#include <string>
#include <string_view>

namespace rq::exchange {

// What spreadsheets do to the cells of a CSV file they open with their default settings, and how the
// translators' CSV files are kept safe from it.

// A cell as exported: a text that a spreadsheet would take for a formula (its first character one of
// = + - @) gets an apostrophe in front, and so does a text that would otherwise lose its own first
// apostrophe to unprotectedCell. The round trip through unprotectedCell gives the text back exactly.
[[nodiscard]] std::string protectedCell(std::string_view text);

// A cell as read: without the apostrophe protectedCell put in front, that is one followed by = + - @ or
// another apostrophe. Any other cell stays as it is (a translation may begin with an apostrophe).
[[nodiscard]] std::string_view unprotectedCell(std::string_view cell);

// Whether translation differs from original only as a spreadsheet's conversion of a number would change
// it: a "+" sign, leading zeros, trailing decimal zeros or the separator dropped ("007" to "7", "1.50" to
// "1.5", "2,0" to "2"), or a long number in exponent form ("12345678901234" to "1.23457E+13").
[[nodiscard]] bool convertedAsNumber(std::string_view original, std::string_view translation);

}  // namespace rq::exchange
