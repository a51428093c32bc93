#include "search/madefiles.h"

#include <algorithm>

#include "files/asciitext.h"
#include "files/codepage.h"
#include "files/iniReadWriteDelete.h"
#include "search/pointerfinder.h"
#include "templates/gametemplate.h"

namespace rq::search {
namespace {

// A code as the bytes lie in the file.
std::string bytesOf(std::uint32_t code, CodeLayout layout) {
    std::string bytes;
    if (layout.width == 2 && layout.bigEndian) {
        bytes += static_cast<char>(code >> 8);
    }
    bytes += static_cast<char>(code & 0xFF);
    if (layout.width == 2 && !layout.bigEndian) {
        bytes += static_cast<char>(code >> 8);
    }
    return bytes;
}

std::string keyText(std::string_view bytes) {
    std::string key;
    for (const char byte : bytes) {
        key += files::hexText(static_cast<unsigned char>(byte), 2);
    }
    return key;
}

std::string layoutText(CodeLayout layout) {
    return layout.width == 1
               ? "one byte a code"
               : std::string("two bytes a code, ") + (layout.bigEndian ? "high" : "low") + " byte first";
}

// A character as a table's text: "\n" there is a line break, so a backslash is written doubled.
std::string tableText(char32_t ch) {
    return ch == U'\\' ? "\\\\" : files::encodeUtf8(ch);
}

// The codes of the table made from a hit, each with its character, as the lines are written.
std::vector<std::pair<char32_t, std::uint32_t>> tableCodes(const RelativeHit& hit) {
    auto codes = impliedCodes(hit);
    for (const auto& code : hit.codes) {
        if (std::none_of(codes.begin(), codes.end(),
                         [&](const auto& run) { return run.first == code.first; })) {
            codes.push_back(code);
        }
    }
    return codes;
}

std::string pointerKeys(const templates::PointerFormat& format) {
    std::string keys = "Format=" + formatName(format) + "\nBase=" + files::hexText(format.base) + "\n";
    if (format.regionStart != 0 || format.regionEnd != UINT64_MAX) {
        keys +=
            "Region=" + files::hexText(format.regionStart) + "-" + files::hexText(format.regionEnd) + "\n";
    }
    return keys;
}

bool sameFormat(const templates::PointerFormat& a, const templates::PointerFormat& b) {
    return std::tie(a.size, a.bigEndian, a.base, a.regionStart, a.regionEnd) ==
           std::tie(b.size, b.bigEndian, b.base, b.regionStart, b.regionEnd);
}

bool fitsLength(const std::optional<int>& length) {
    return !length || (*length >= 0 && *length <= INT16_MAX);
}

// The text of a made template, once its plan is known to fit one.
class TemplateWriter {
  public:
    explicit TemplateWriter(const TemplatePlan& plan) : m_plan(plan) {}

    Result<std::string> write() {
        const auto name = value("name", m_plan.name);
        const auto madeFrom = value("origin", m_plan.madeFrom);
        const auto firstTable = textFormat(m_plan.tableName);
        if (!name || !madeFrom || !firstTable) {
            return !name ? name.failure() : !madeFrom ? madeFrom.failure() : firstTable.failure();
        }
        std::string sections;
        for (std::size_t e = 0; e < m_plan.entries.size(); ++e) {
            const EntryPlace& entry = m_plan.entries[e];
            const auto keys = stringKeys(entry.tableName, entry.comment, entry.length);
            if (!keys) {
                return keys.failure();
            }
            sections += "\n[entry" + std::to_string(e + 1) +
                        "]\nHexLocation=" + files::hexText(entry.offset) + "\n" + *keys;
        }
        const auto& tables = m_plan.tables;
        const bool shared = std::all_of(tables.begin(), tables.end(), [&](const PointerTablePlace& p) {
            return sameFormat(p.format, tables.front().format);
        });
        if (shared && !tables.empty()) {
            sections += "\n[Pointers]\n" + pointerKeys(tables.front().format);
        }
        for (std::size_t t = 0; t < tables.size(); ++t) {
            const PointerTablePlace& place = tables[t];
            sections += "\n[PointerTable" + std::to_string(t + 1) +
                        "]\nOffset=" + files::hexText(place.offset) +
                        "\nCount=" + std::to_string(place.count) + "\n";
            if (!shared) {
                sections += pointerKeys(place.format);
            }
            if (place.stride != 0 && place.stride != static_cast<std::uint32_t>(place.format.size)) {
                sections += "Stride=" + files::hexText(place.stride) + "\n";
            }
            const std::string comment = !place.comment.empty() ? place.comment
                                        : tables.size() == 1   ? std::string("Line")
                                                               : "Table " + std::to_string(t + 1) + " line";
            const auto keys = stringKeys(place.tableName, comment, place.length);
            if (!keys) {
                return keys.failure();
            }
            sections += *keys;
        }
        if (!m_plan.freeRanges.empty()) {
            sections += "\n[FreeSpace]\nRanges=";
            for (std::size_t i = 0; i < m_plan.freeRanges.size(); ++i) {
                sections += (i == 0 ? "" : ",") + files::hexText(m_plan.freeRanges[i].start) + "-" +
                            files::hexText(m_plan.freeRanges[i].end);
            }
            sections += "\nFill=" + files::hexText(m_plan.fill.value_or(0xFF), 2) + "\n";
        }
        const std::string origin =
            m_plan.madeFrom.empty()
                ? ": the strings of pointer tables, each read through " + *firstTable + " up to its end token"
                : " from " + *madeFrom;
        return "; Made by Romquill" + origin +
               ".\n\n[Ident]\nRQL_game_plugin=v1.0\n\n[GameAndFileInfo]\nGameName=" + *name +
               "\nAuthor=\nVersionOfFile=1.0\nDateCreated=\nNotes=\n\n[TextFormattingSystem]"
               "\nNumberOfEntries=" +
               std::to_string(m_plan.entries.size()) + "\n" + m_formats + sections;
    }

  private:
    // A UTF-8 value in the template's code page, or why it cannot be one.
    static Result<std::string> value(std::string_view what, const std::string& text) {
        const auto bytes = files::utf8ToBytes(text);
        if (!files::writableIniValue(text) || !bytes) {
            return Error{"The " + std::string(what) + " \"" + files::escapeControls(text) + "\" holds " +
                             (bytes ? "a line break or another control character"
                                    : "a character the template's code page lacks") +
                             ", which a template cannot hold.",
                         ErrorKind::Refusal};
        }
        return bytes;
    }

    // The key of [TextFormattingSystem] that names a table, each table named once: Text, Text2, ...
    Result<std::string> textFormat(const std::string& tableName) {
        const std::string& table = tableName.empty() ? m_plan.tableName : tableName;
        const auto found = std::find(m_tables.begin(), m_tables.end(), table);
        if (found != m_tables.end()) {
            return keyOf(static_cast<std::size_t>(found - m_tables.begin()));
        }
        const auto bytes = value("table's name", table);
        if (!bytes) {
            return bytes.failure();
        }
        m_tables.push_back(table);
        m_formats += keyOf(m_tables.size() - 1) + "=" + *bytes + "\n";
        return keyOf(m_tables.size() - 1);
    }

    static std::string keyOf(std::size_t index) {
        return index == 0 ? "Text" : "Text" + std::to_string(index + 1);
    }

    // What a string's section says of it besides where it lies.
    Result<std::string> stringKeys(const std::string& tableName, const std::string& comment,
                                   const std::optional<int>& length) {
        const auto format = textFormat(tableName);
        const auto said = value("comment", comment);
        if (!format || !said) {
            return !format ? format.failure() : said.failure();
        }
        return (length ? "Length=" + std::to_string(*length) + "\n" : std::string()) +
               "TextFormat=" + *format + "\nComment=" + *said + "\n";
    }

    const TemplatePlan& m_plan;
    std::vector<std::string> m_tables;
    std::string m_formats;  // the lines of [TextFormattingSystem] that name the tables
};

}  // namespace

std::string tableFromHit(const RelativeHit& hit, std::u32string_view word, std::string_view end) {
    std::string made = "# Made by Romquill from the relative search hit for \"";
    for (const char32_t ch : word) {
        made += files::encodeUtf8(ch);
    }
    made += "\" at 0x" + files::hexText(hit.offset) + " (" + layoutText(hit.layout) + ").\n";
    for (const auto& [ch, code] : tableCodes(hit)) {
        made += keyText(bytesOf(code, hit.layout)) + "=" + tableText(ch) + "\n";
    }
    if (!end.empty()) {
        made += "/" + keyText(end) + "=<end>\n";
    }
    return made;
}

Status checkEndToken(const RelativeHit& hit, std::string_view end) {
    if (end.empty()) {
        return success();
    }
    for (const auto& [ch, code] : tableCodes(hit)) {
        const std::string key = bytesOf(code, hit.layout);
        const std::string_view shorter = key.size() < end.size() ? std::string_view(key) : end;
        const std::string_view longer = key.size() < end.size() ? end : std::string_view(key);
        if (longer.starts_with(shorter)) {
            const std::string what = key == end ? "is" : key.size() < end.size() ? "begins with" : "begins";
            return Error{
                what + " the code " + keyText(key) + " of \"" + files::encodeUtf8(ch) + "\" in the hit",
                ErrorKind::Refusal};
        }
    }
    return success();
}

std::optional<PointerTablePlace> parsePointerTablePlace(std::string_view text) {
    std::vector<std::string_view> fields;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t end = std::min(text.find(',', start), text.size());
        fields.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    const auto hex = [](std::string_view field) -> std::optional<std::uint64_t> {
        if (field.starts_with("0x") || field.starts_with("0X")) {
            field.remove_prefix(2);
        }
        return !field.empty() && field.size() <= 16 ? files::parseHex(field) : std::nullopt;
    };
    const auto field = [&fields](std::size_t i) {
        return i < fields.size() ? fields[i] : std::string_view();
    };
    PointerTablePlace place;
    const auto offset = hex(field(0));
    const auto count = templates::parseCellCount(field(1));
    if (fields.size() > 6 || !offset || !count || !templates::parsePointerFormat(field(2), place.format)) {
        return std::nullopt;
    }
    place.offset = *offset;
    place.count = *count;
    if (!field(3).empty()) {
        const auto base = templates::parsePointerBase(field(3));
        if (!base) {
            return std::nullopt;
        }
        place.format.base = *base;
    }
    if (!field(4).empty()) {
        const auto region = templates::parseByteRange(field(4));
        if (!region) {
            return std::nullopt;
        }
        place.format.regionStart = region->start;
        place.format.regionEnd = region->end;
    }
    if (const std::string_view stride = field(5); !stride.empty()) {
        const bool inHex = stride.starts_with("0x") || stride.starts_with("0X");
        std::optional<std::uint64_t> value = inHex ? hex(stride) : std::nullopt;
        if (!inHex && stride.size() <= 10 &&
            stride.find_first_not_of("0123456789") == std::string_view::npos) {
            value = std::stoull(std::string(stride));
        }
        if (!value || *value == 0 || *value > 0xFFFFFFFF) {
            return std::nullopt;
        }
        place.stride = static_cast<std::uint32_t>(*value);
    }
    return place;
}

Result<std::string> templateForPointers(const TemplatePlan& plan) {
    if (plan.tables.empty() && plan.entries.empty()) {
        return Error{"A template needs at least one pointer table or entry.", ErrorKind::Refusal};
    }
    if (plan.entries.size() > static_cast<std::size_t>(templates::kEntrySlots)) {
        return Error{"The " + std::to_string(plan.entries.size()) + " entries are more than the " +
                         std::to_string(templates::kEntrySlots) + " the editor has room for.",
                     ErrorKind::Refusal};
    }
    std::uint64_t entries = plan.entries.size();
    for (std::size_t e = 0; e < plan.entries.size(); ++e) {
        const EntryPlace& entry = plan.entries[e];
        if (entry.offset > 0x7FFFFFFF || !fitsLength(entry.length)) {
            return Error{"Entry " + std::to_string(e + 1) + " at " + files::hexText(entry.offset) +
                             (entry.offset > 0x7FFFFFFF ? " lies past offset 7FFFFFFF."
                                                        : " has a length past 32767 bytes."),
                         ErrorKind::Refusal};
        }
    }
    for (std::size_t t = 0; t < plan.tables.size(); ++t) {
        const PointerTablePlace& place = plan.tables[t];
        const std::uint32_t stride =
            place.stride != 0 ? place.stride : static_cast<std::uint32_t>(place.format.size);
        if (!templates::tableCells(place.offset, place.count, stride) || !fitsLength(place.length)) {
            return Error{"Pointer table " + std::to_string(t + 1) + " at " + files::hexText(place.offset) +
                             (fitsLength(place.length) ? " would have cells past offset 7FFFFFFF."
                                                       : " has a length past 32767 bytes."),
                         ErrorKind::Refusal};
        }
        entries += static_cast<std::uint64_t>(place.count);
    }
    if (entries > templates::kMostEntries) {
        return Error{"The pointer tables make " + std::to_string(entries) + " entries, more than the " +
                         std::to_string(templates::kMostEntries) + " a template may make.",
                     ErrorKind::Refusal};
    }
    auto ranges = plan.freeRanges;
    std::sort(ranges.begin(), ranges.end(), [](const auto& a, const auto& b) { return a.start < b.start; });
    for (std::size_t i = 1; i < ranges.size(); ++i) {
        if (ranges[i].start < ranges[i - 1].end) {
            return Error{"The free ranges " + files::hexText(ranges[i - 1].start) + "-" +
                             files::hexText(ranges[i - 1].end) + " and " + files::hexText(ranges[i].start) +
                             "-" + files::hexText(ranges[i].end) + " overlap.",
                         ErrorKind::Refusal};
        }
    }
    return TemplateWriter(plan).write();
}

Result<std::string> templateForPointers(const std::string& name, const std::string& tableName,
                                        const PointerTablePlace& place) {
    return templateForPointers(TemplatePlan{name, tableName, {place}, {}, std::nullopt});
}

}  // namespace rq::search
