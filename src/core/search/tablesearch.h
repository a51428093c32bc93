#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "files/result.h"
#include "search/searchfile.h"
#include "templates/table.h"

// Finding a text through a table: every place whose bytes stand for it, however the game wrote it.
namespace rq::search {

struct TextHit {
    std::uint64_t offset = 0;
    std::uint64_t length = 0;  // bytes
};
struct TextHits {
    std::vector<TextHit> hits;  // by offset
    bool more = false;          // there were more than kMostTextHits
};
inline constexpr std::size_t kMostTextHits = 1000;
// The longest text searched for, in UTF-8 bytes: a search follows the text code by code.
inline constexpr std::size_t kLongestSearchedText = 1000;

// The table a search reads: a .tbl file as it is, or an INI alphabet's Load codes as a table's texts.
// Refused when the file cannot be read or holds nothing a search can use.
[[nodiscard]] Result<templates::Table> readSearchTable(const std::string& path);

// Every offset where a run of the table's codes (texts and line breaks) spells the UTF-8 text exactly: one
// hit an offset, whichever codes the game chose (a pair as one DTE code, or as two codes): the first run of
// codes found, trying them in table order. Refused for an empty text or one longer than kLongestSearchedText;
// nothing when progress cancels. However many ways the table spells the text, the work stays within the
// file's size times the text's (times the codes that start at a byte), and progress is asked during it.
[[nodiscard]] Result<TextHits> findTableText(std::string_view file, const templates::Table& table,
                                             std::string_view text, const SearchProgress& progress = {});

}  // namespace rq::search
