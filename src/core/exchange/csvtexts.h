#pragma once

#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/translations.h"
#include "files/result.h"
#include "templates/gametemplate.h"

namespace rq {

// The entries as CSV (RFC 4180, UTF-8, CRLF) for spreadsheets: the header row
// entry,offset,length,limit,comment,original,translation, then one row an entry with an empty translation.
void writeCsvTexts(std::ostream& out, const GameTemplate& gameTemplate, std::span<const std::string> texts);

// The translations of such a file, by its "entry", "original" and "translation" columns (found by the
// header row, in any order; other columns are passed over). A BOM, CRLF or LF line ends and quoted fields
// with commas, quotes and line breaks are accepted. Refused, with a message that starts with name: a header
// row without those columns, a quote left open, text after a closing quote, and an entry that is not a
// whole number.
[[nodiscard]] Result<std::vector<Translation>> parseCsvTexts(std::string_view csv, const std::string& name);

}  // namespace rq
