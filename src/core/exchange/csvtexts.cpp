#include "exchange/csvtexts.h"

#include <algorithm>
#include <array>
#include <optional>

#include "exchange/spreadsheetcells.h"

namespace rq::exchange {
namespace {

constexpr std::array<std::string_view, 8> kColumns = {"entry",   "offset",   "length",      "limit",
                                                      "comment", "original", "translation", "previous"};

// An obsolete row's entry cell: its key after the mark, as a PO file marks an obsolete message with "#~".
constexpr std::string_view kObsoleteMark = "~";

// A text cell, protected from being taken for a formula, and quoted when it must be.
void writeField(std::ostream& out, std::string_view text) {
    const std::string field = protectedCell(text);
    if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
        out << field;
        return;
    }
    out << '"';
    for (const char c : field) {
        out << (c == '"' ? "\"\"" : std::string_view(&c, 1));
    }
    out << '"';
}

// Reads records one at a time; a record's line number is where it starts, its row number which record it is
// (as a spreadsheet numbers its rows).
class CsvReader {
  public:
    CsvReader(std::string_view csv, char separator) : m_csv(csv), m_separator(separator) {
        if (m_csv.starts_with("\xEF\xBB\xBF")) {
            m_csv.remove_prefix(3);
        }
    }

    [[nodiscard]] bool atEnd() const { return m_at >= m_csv.size(); }
    [[nodiscard]] std::size_t line() const { return m_line; }

    // Where the next record stands, for messages: "row 3", and its line when that differs.
    [[nodiscard]] std::string where() const {
        const std::size_t number = m_row + 1;
        const std::string row = "row " + std::to_string(number);
        return m_line == number ? row : row + " (line " + std::to_string(m_line) + ")";
    }

    // The next record's fields, or why it cannot be read. The vector is the caller's, reused from record to
    // record so that short rows cost no allocation.
    Status next(std::vector<std::string>& fields) {
        ++m_row;
        fields.resize(1);
        fields.front().clear();
        bool quoted = false;
        bool closed = false;
        while (m_at < m_csv.size()) {
            const char c = m_csv[m_at++];
            if (quoted) {
                if (c == '"' && m_at < m_csv.size() && m_csv[m_at] == '"') {
                    fields.back() += '"';
                    ++m_at;
                } else if (c == '"') {
                    quoted = false;
                    closed = true;
                } else {
                    m_line += c == '\n' ? 1 : 0;
                    fields.back() += c;
                }
            } else if (c == m_separator) {
                fields.emplace_back();
                closed = false;
            } else if (c == '\n' || (c == '\r' && m_at < m_csv.size() && m_csv[m_at] == '\n')) {
                m_at += c == '\r' ? 1 : 0;
                ++m_line;
                return success();
            } else if (closed) {
                return Error{"text follows a closing quote"};
            } else if (c == '"' && fields.back().empty()) {
                quoted = true;
            } else {
                fields.back() += c;
            }
        }
        if (quoted) {
            return Error{"a quote is never closed"};
        }
        return success();
    }

  private:
    std::string_view m_csv;
    char m_separator;
    std::size_t m_at = 0;
    std::size_t m_line = 1;
    std::size_t m_row = 0;
};

constexpr std::array<std::string_view, 4> kRead = {kColumns[0], kColumns[5], kColumns[6], kColumns[7]};
// entry, original, translation and, when there is one, previous (past the last cell when not)
using ReadColumns = std::array<std::size_t, kRead.size()>;

// The reader past the header row, and where the columns read stand: the header row names its separator,
// a comma, a semicolon or a tab, as spreadsheets write them in different languages.
Result<std::pair<CsvReader, ReadColumns>> readHeader(std::string_view csv) {
    std::optional<Error> unreadable;
    std::vector<std::string> header;
    for (const char separator : {',', ';', '\t'}) {
        CsvReader reader(csv, separator);
        if (auto read = reader.next(header); !read) {
            unreadable = unreadable.value_or(read.failure());
            continue;
        }
        std::array<std::optional<std::size_t>, kRead.size()> columns;
        for (std::size_t k = 0; k < header.size(); ++k) {
            for (std::size_t c = 0; c < kRead.size(); ++c) {
                columns[c] = header[k] == kRead[c] && !columns[c] ? k : columns[c];
            }
        }
        if (columns[0] && columns[1] && columns[2]) {
            return std::pair{reader, ReadColumns{*columns[0], *columns[1], *columns[2],
                                                 columns[3].value_or(header.size())}};
        }
    }
    return unreadable.value_or(
        Error{"the header row needs the columns entry, original and translation, "
              "separated by commas, semicolons or tabs"});
}

// A fuzzy translation's previous cell: its former original or, where none is known, the original itself,
// since a filled cell is what says it is fuzzy.
std::string_view previousCell(const ExportedEntry& entry) {
    if (!entry.fuzzy) {
        return {};
    }
    return entry.previous.empty() ? std::string_view(entry.original) : std::string_view(entry.previous);
}

// A row's last cells, after the comma that ends the one before: original, translation, previous.
void writeTexts(std::ostream& out, const ExportedEntry& entry) {
    for (const std::string_view cell :
         {std::string_view(entry.original), std::string_view(entry.translation), previousCell(entry)}) {
        out << ',';
        writeField(out, cell);
    }
    out << "\r\n";
}

}  // namespace

void writeCsvTexts(std::ostream& out, std::span<const ExportedEntry> entries,
                   std::span<const ExportedEntry> obsolete) {
    for (std::size_t k = 0; k < kColumns.size(); ++k) {
        out << (k == 0 ? "" : ",") << kColumns[k];
    }
    out << "\r\n";
    for (const ExportedEntry& entry : entries) {
        writeField(out, entry.key);
        // A pointer entry's text has no limit: a longer one moves.
        out << ",0x" << entry.offset << ',' << entry.length << ','
            << (entry.moveRoom ? std::string() : std::to_string(entry.limit)) << ',';
        writeField(out, entry.comment);
        writeTexts(out, entry);
    }
    for (const ExportedEntry& entry : obsolete) {
        writeField(out, std::string(kObsoleteMark) + entry.key);
        out << ",,,,";
        writeTexts(out, entry);
    }
}

Status readCsvTexts(std::string_view csv, const std::string& name, const TranslationSink& take) {
    const auto refusal = [&name](const std::string& where, const std::string& why) {
        return Error{name + ", " + where + ": " + why + ".", ErrorKind::Refusal};
    };
    auto header = readHeader(csv);
    if (!header) {
        return refusal("row 1", header.error());
    }
    auto [reader, columns] = std::move(header).value();
    std::vector<std::string> fields;
    while (!reader.atEnd()) {
        std::string where = reader.where();
        if (auto read = reader.next(fields); !read) {
            return refusal(where, read.error());
        }
        // A row of empty cells says nothing: spreadsheets leave them at the end, as many as they like.
        if (std::all_of(fields.begin(), fields.end(),
                        [](const std::string& field) { return field.empty(); })) {
            continue;
        }
        fields.resize(std::max(fields.size(), *std::max_element(columns.begin(), columns.end()) + 1));
        const auto cell = [&fields](std::size_t column) {
            return std::string(unprotectedCell(fields[column]));
        };
        Translation item{cell(columns[0]), std::move(where), cell(columns[1]), cell(columns[2]), {}, {}};
        item.previous = cell(columns[3]);
        item.fuzzy = !item.previous.empty();
        item.obsolete = item.key.starts_with(kObsoleteMark);
        item.key.erase(0, item.obsolete ? kObsoleteMark.size() : 0);
        auto taken = take(std::move(item));
        if (!taken) {
            return taken;
        }
    }
    return success();
}

Result<std::vector<Translation>> parseCsvTexts(std::string_view csv, const std::string& name) {
    return collectTranslations(
        [csv, &name](const TranslationSink& take) { return readCsvTexts(csv, name, take); });
}

}  // namespace rq::exchange
