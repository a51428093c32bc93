#include "exchange/csvtexts.h"

#include <algorithm>
#include <array>
#include <optional>

#include "exchange/csvrecords.h"
#include "exchange/spreadsheetcells.h"

namespace rq::exchange {
namespace {

constexpr std::array<std::string_view, 9> kColumns = {
    "entry", "offset", "length", "limit", "comment", "original", "translation", "locked", "previous"};

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

constexpr std::array<std::string_view, 3> kRead = {kColumns[0], kColumns[5], kColumns[6]};
// Read when there, past the last cell when not.
constexpr std::array<std::string_view, 1> kReadOptional = {kColumns[8]};

// A fuzzy translation's previous cell: its former original or, where none is known, the original itself,
// since a filled cell is what says it is fuzzy.
std::string_view previousCell(const ExportedEntry& entry) {
    if (!entry.fuzzy) {
        return {};
    }
    return entry.previous.empty() ? std::string_view(entry.original) : std::string_view(entry.previous);
}

// A row's last cells, after the comma that ends the one before: original, translation, locked, previous.
void writeTexts(std::ostream& out, const ExportedEntry& entry) {
    for (const std::string_view cell : {std::string_view(entry.original), std::string_view(entry.translation),
                                        std::string_view(entry.locked ? "yes" : ""), previousCell(entry)}) {
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
    auto header = readCsvHeader(csv, kRead, kReadOptional);
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
