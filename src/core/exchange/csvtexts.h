#pragma once

#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/translations.h"
#include "files/result.h"

namespace rq::exchange {

// The texts as CSV (RFC 4180, UTF-8, CRLF) for spreadsheets: the header row
// entry,offset,length,limit,comment,original,translation,locked,previous, then one row a text with its
// translation (empty: none yet), its locked cell "yes" for a locked entry and empty otherwise. A cell a
// spreadsheet would take for a formula gets an apostrophe in front (protectedCell). A fuzzy translation,
// carried from another revision and still to be checked, has its former original in previous (the original
// itself where none is known): a filled previous cell is what marks it. The translations of entries gone
// (obsolete) follow, their entry cell "~" and the key.
void writeCsvTexts(std::ostream& out, std::span<const ExportedEntry> entries,
                   std::span<const ExportedEntry> obsolete = {});

// The translations of such a file, by its "entry", "original" and "translation" columns (found by the
// header row, in any order; other columns are passed over) and, where there is one, "previous": a row with
// a previous cell is fuzzy, one whose entry is "~KEY" obsolete. They are handed to take one by one as read,
// each without the apostrophe its export put in front, and placed by its row ("row 3", "row 3 (line 5)"
// when a cell before it holds a line break). The separator is the one the header row uses: a comma, a
// semicolon or a tab. Empty rows (every cell empty, as spreadsheets leave them at the end) are passed over.
// A BOM, CRLF or LF line ends and quoted fields with separators, quotes and line breaks are accepted.
// Refused, with a message that starts with name: a header row without those columns, a quote left open and
// text after a closing quote, which end the reading there; and whatever take refuses.
[[nodiscard]] Status readCsvTexts(std::string_view csv, const std::string& name, const TranslationSink& take);

// All the translations of such a file at once.
[[nodiscard]] Result<std::vector<Translation>> parseCsvTexts(std::string_view csv, const std::string& name);

}  // namespace rq::exchange
