#include "exchange/csvtexts.h"

#include <algorithm>
#include <array>

#include "exchange/csvrecords.h"
#include "exchange/spreadsheetcells.h"

namespace rq::exchange {
namespace {

constexpr std::array<std::string_view, 8> kColumns = {"entry",   "offset",   "length",      "limit",
                                                      "comment", "original", "translation", "locked"};

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

constexpr std::array<std::string_view, 3> kRead = {kColumns[0], kColumns[5], kColumns[6]};

}  // namespace

void writeCsvTexts(std::ostream& out, std::span<const ExportedEntry> entries) {
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
        out << ',';
        writeField(out, entry.original);
        out << ',';
        writeField(out, entry.translation);
        out << ',' << (entry.locked ? "yes" : "") << "\r\n";
    }
}

Status readCsvTexts(std::string_view csv, const std::string& name, const TranslationSink& take) {
    const auto refusal = [&name](const std::string& where, const std::string& why) {
        return Error{name + ", " + where + ": " + why + ".", ErrorKind::Refusal};
    };
    auto header = readCsvHeader(csv, kRead);
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
        if (emptyRecord(fields)) {
            continue;
        }
        fields.resize(std::max(fields.size(), *std::max_element(columns.begin(), columns.end()) + 1));
        const auto cell = [&fields](std::size_t column) {
            return std::string(unprotectedCell(fields[column]));
        };
        auto taken =
            take(Translation{cell(columns[0]), std::move(where), cell(columns[1]), cell(columns[2]), {}, {}});
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
