#pragma once

#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/translations.h"
#include "files/result.h"

namespace rq {

// The texts as CSV (RFC 4180, UTF-8, CRLF) for spreadsheets: the header row
// entry,offset,length,limit,comment,original,translation, then one row a text with an empty translation.
void writeCsvTexts(std::ostream& out, std::span<const ExportedEntry> entries);

// The translations of such a file, by its "entry", "original" and "translation" columns (found by the
// header row, in any order; other columns are passed over), handed to take one by one as they are read.
// Empty rows (every cell empty, as spreadsheets leave them at the end) are passed over. A BOM, CRLF or LF
// line ends and quoted fields with commas, quotes and line breaks are accepted. Refused, with a message that
// starts with name: a header row without those columns, a quote left open and text after a closing quote;
// and whatever take refuses, which ends the reading there.
[[nodiscard]] Status readCsvTexts(std::string_view csv, const std::string& name, const TranslationSink& take);

// All the translations of such a file at once.
[[nodiscard]] Result<std::vector<Translation>> parseCsvTexts(std::string_view csv, const std::string& name);

}  // namespace rq
