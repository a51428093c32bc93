#include "exchange/csvtexts.h"

#include <algorithm>
#include <array>
#include <optional>

namespace rq {
namespace {

constexpr std::array<std::string_view, 7> kColumns = {"entry",   "offset",   "length",     "limit",
                                                      "comment", "original", "translation"};

void writeField(std::ostream& out, std::string_view field) {
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

// Reads records one at a time; a record's line number is where it starts.
class CsvReader {
  public:
    explicit CsvReader(std::string_view csv) : m_csv(csv) {
        if (m_csv.starts_with("\xEF\xBB\xBF")) {
            m_csv.remove_prefix(3);
        }
    }

    [[nodiscard]] bool atEnd() const { return m_at >= m_csv.size(); }
    [[nodiscard]] std::size_t line() const { return m_line; }

    // The next record's fields, or why it cannot be read. The vector is the caller's, reused from record to
    // record so that short rows cost no allocation.
    Status next(std::vector<std::string>& fields) {
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
            } else if (c == ',') {
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
    std::size_t m_at = 0;
    std::size_t m_line = 1;
};

}  // namespace

void writeCsvTexts(std::ostream& out, std::span<const ExportedEntry> entries) {
    for (std::size_t k = 0; k < kColumns.size(); ++k) {
        out << (k == 0 ? "" : ",") << kColumns[k];
    }
    out << "\r\n";
    for (const ExportedEntry& entry : entries) {
        writeField(out, entry.key);
        out << ",0x" << entry.offset << ',' << entry.length << ',' << entry.limit << ',';
        writeField(out, entry.comment);
        out << ',';
        writeField(out, entry.original);
        out << ",\r\n";
    }
}

Status readCsvTexts(std::string_view csv, const std::string& name, const TranslationSink& take) {
    CsvReader reader(csv);
    const auto refusal = [&name](std::size_t line, const std::string& why) {
        return Error{name + ", line " + std::to_string(line) + ": " + why + ".", ErrorKind::Refusal};
    };
    std::vector<std::string> header;
    if (auto read = reader.next(header); !read) {
        return refusal(reader.line(), read.error());
    }
    std::array<std::optional<std::size_t>, 3> columns;  // entry, original, translation
    constexpr std::array<std::string_view, 3> kRead = {kColumns[0], kColumns[5], kColumns[6]};
    for (std::size_t k = 0; k < header.size(); ++k) {
        for (std::size_t c = 0; c < kRead.size(); ++c) {
            columns[c] = header[k] == kRead[c] && !columns[c] ? k : columns[c];
        }
    }
    if (!columns[0] || !columns[1] || !columns[2]) {
        return refusal(1, "the header row needs the columns entry, original and translation");
    }
    std::vector<std::string> fields;
    while (!reader.atEnd()) {
        const std::size_t line = reader.line();
        if (auto read = reader.next(fields); !read) {
            return refusal(line, read.error());
        }
        // A row of empty cells says nothing: spreadsheets leave them at the end, as many as they like.
        if (std::all_of(fields.begin(), fields.end(),
                        [](const std::string& field) { return field.empty(); })) {
            continue;
        }
        fields.resize(std::max(fields.size(), header.size()));
        auto taken = take(Translation{std::move(fields[*columns[0]]), "line " + std::to_string(line),
                                      std::move(fields[*columns[1]]), std::move(fields[*columns[2]])});
        if (!taken) {
            return taken;
        }
    }
    return success();
}

Result<std::vector<Translation>> parseCsvTexts(std::string_view csv, const std::string& name) {
    std::vector<Translation> given;
    const Status read = readCsvTexts(csv, name, [&given](Translation item) {
        given.push_back(std::move(item));
        return success();
    });
    if (!read) {
        return read.failure();
    }
    return given;
}

}  // namespace rq
