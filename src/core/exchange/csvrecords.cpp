#include "exchange/csvrecords.h"

#include <algorithm>
#include <optional>

namespace rq::exchange {

CsvReader::CsvReader(std::string_view csv, char separator) : m_csv(csv), m_separator(separator) {
    if (m_csv.starts_with("\xEF\xBB\xBF")) {
        m_csv.remove_prefix(3);
    }
}

std::string CsvReader::where() const {
    const std::size_t number = m_row + 1;
    const std::string row = "row " + std::to_string(number);
    return m_line == number ? row : row + " (line " + std::to_string(m_line) + ")";
}

Status CsvReader::next(std::vector<std::string>& fields) {
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

Result<std::pair<CsvReader, std::vector<std::size_t>>> readCsvHeader(
    std::string_view csv, std::span<const std::string_view> columns,
    std::span<const std::string_view> optional) {
    std::optional<Error> unreadable;
    std::vector<std::string> header;
    for (const char separator : {',', ';', '\t'}) {
        CsvReader reader(csv, separator);
        if (auto read = reader.next(header); !read) {
            unreadable = unreadable.value_or(read.failure());
            continue;
        }
        std::vector<std::optional<std::size_t>> found(columns.size());
        for (std::size_t k = 0; k < header.size(); ++k) {
            for (std::size_t c = 0; c < columns.size(); ++c) {
                found[c] = header[k] == columns[c] && !found[c] ? k : found[c];
            }
        }
        if (std::ranges::all_of(found, [](const auto& column) { return column.has_value(); })) {
            std::vector<std::size_t> at;
            for (const auto& column : found) {
                at.push_back(*column);
            }
            for (const std::string_view name : optional) {
                const auto column = std::ranges::find(header, name);
                at.push_back(static_cast<std::size_t>(column - header.begin()));
            }
            return std::pair{reader, std::move(at)};
        }
    }
    if (unreadable) {
        return *unreadable;
    }
    std::string names;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        names += (c == 0 ? "" : c + 1 == columns.size() ? " and " : ", ") + std::string(columns[c]);
    }
    return Error{"the header row needs the columns " + names + ", separated by commas, semicolons or tabs"};
}

bool emptyRecord(const std::vector<std::string>& fields) {
    return std::ranges::all_of(fields, [](const std::string& field) { return field.empty(); });
}

}  // namespace rq::exchange
