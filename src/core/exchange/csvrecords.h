#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "files/result.h"

namespace rq::exchange {

// Reads CSV records (RFC 4180: quoted fields with separators, quotes and line breaks; CRLF or LF) one at a
// time; a record's line number is where it starts, its row number which record it is (as a spreadsheet
// numbers its rows). A BOM in front is passed over.
class CsvReader {
  public:
    CsvReader(std::string_view csv, char separator);

    [[nodiscard]] bool atEnd() const { return m_at >= m_csv.size(); }

    // Where the next record stands, for messages: "row 3", and its line when that differs.
    [[nodiscard]] std::string where() const;

    // The next record's fields, or why it cannot be read: a quote left open, text after a closing quote.
    // The vector is the caller's, reused from record to record so that short rows cost no allocation.
    Status next(std::vector<std::string>& fields);

  private:
    std::string_view m_csv;
    char m_separator;
    std::size_t m_at = 0;
    std::size_t m_line = 1;
    std::size_t m_row = 0;
};

// The reader past the header row, and where the named columns stand in it (in the order asked; other
// columns are passed over). The header row names its separator, a comma, a semicolon or a tab, as
// spreadsheets write them in different languages. Refused with why, as a phrase ("the header row needs
// ..."), when no separator gives all the columns. The optional columns follow the columns asked for; one
// the header lacks stands past its last cell, where every row reads it empty.
[[nodiscard]] Result<std::pair<CsvReader, std::vector<std::size_t>>> readCsvHeader(
    std::string_view csv, std::span<const std::string_view> columns,
    std::span<const std::string_view> optional = {});

// True for a record of empty cells, which spreadsheets leave at the end, as many as they like.
[[nodiscard]] bool emptyRecord(const std::vector<std::string>& fields);

}  // namespace rq::exchange
