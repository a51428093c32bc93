#include "entryparts.h"

#include <algorithm>
#include <iterator>

#include "files/asciitext.h"
#include "files/codepage.h"
#include "templates/templaterules.h"

namespace rq::templates::parts {
namespace {

constexpr std::size_t kListedTableProblems = 10;

}  // namespace

Error malformed(const std::string& path, std::string_view section, std::string_view key,
                std::string_view value, const std::string& phrase) {
    const std::string where = key.empty() ? "the section [" + files::bytesToUtf8(section) + "] "
                                          : "in section [" + files::bytesToUtf8(section) + "] the key " +
                                                files::bytesToUtf8(key) + " has the value \"" +
                                                files::bytesToUtf8(value) + "\", which ";
    return Error{"The template " + path + " cannot be used: " + where + phrase + ".", ErrorKind::Refusal};
}

Result<std::optional<bool>> yesOrNoOf(const std::string& path, const files::IniFile& ini,
                                      std::string_view section, std::string_view key,
                                      std::optional<bool> otherwise) {
    const auto value = ini.value(section, key);
    if (!value) {
        return otherwise;
    }
    const auto said = parseYesOrNo(*value);
    if (!said) {
        return malformed(path, section, key, *value, said.error());
    }
    return std::optional<bool>(*said);
}

Result<std::optional<std::uint8_t>> fillOf(const std::string& path, const files::IniFile& ini,
                                           std::string_view section, std::optional<std::uint8_t> otherwise) {
    const auto value = ini.value(section, "Fill");
    if (!value) {
        return otherwise;
    }
    const auto byte = value->size() <= 2 ? files::parseHex(*value) : std::nullopt;
    if (!byte) {
        return malformed(path, section, "Fill", *value, "is not one byte in hexadecimal digits");
    }
    return std::optional<std::uint8_t>(static_cast<std::uint8_t>(*byte));
}

Result<std::shared_ptr<const Table>> readTable(const std::string& templatePath,
                                               const std::string& tablePath) {
    auto table = Table::read(tablePath);
    if (!table) {
        return Error{
            "The template " + templatePath + " cannot be used: its table " + tablePath + " cannot be read.",
            ErrorKind::Refusal};
    }
    std::vector<TableProblem> problems;  // a warning's table is used
    std::copy_if(table->problems().begin(), table->problems().end(), std::back_inserter(problems),
                 [](const TableProblem& problem) { return !problem.warning; });
    if (!problems.empty()) {
        std::string listed;
        for (std::size_t i = 0; i < std::min<std::size_t>(problems.size(), kListedTableProblems); ++i) {
            listed +=
                "\n" + tablePath + ": line " + std::to_string(problems[i].line) + ": " + problems[i].what;
        }
        if (problems.size() > kListedTableProblems) {
            listed += "\n... and " + std::to_string(problems.size() - kListedTableProblems) + " more.";
        }
        return Error{"The template " + templatePath + " cannot be used: its table " + tablePath + " has " +
                         std::to_string(problems.size()) + (problems.size() == 1 ? " line" : " lines") +
                         " that cannot be read:" + listed,
                     ErrorKind::Refusal};
    }
    return std::make_shared<const Table>(std::move(table).value());
}

Result<std::optional<PointerFormat>> pointerFormatOf(const std::string& path, const files::IniFile& ini,
                                                     std::string_view section,
                                                     const std::optional<PointerFormat>& inherited) {
    std::optional<PointerFormat> format = inherited;
    if (const auto value = ini.value(section, "Format")) {
        PointerFormat given = format.value_or(PointerFormat{});
        if (const auto parsed = parsePointerFormat(*value, given); !parsed) {
            return malformed(path, section, "Format", *value, parsed.error());
        }
        format = given;
    }
    if (!format) {
        return format;
    }
    if (const auto value = ini.value(section, "Base")) {
        const auto base = parsePointerBase(*value);
        if (!base) {
            return malformed(path, section, "Base", *value, base.error());
        }
        format->base = *base;
    }
    if (const auto value = ini.value(section, "Region")) {
        const auto region = parseByteRange(*value);
        if (!region) {
            return malformed(path, section, "Region", *value, region.error());
        }
        format->regionStart = region->start;
        format->regionEnd = region->end;
    }
    return format;
}

Status placeEntry(const std::string& path, const files::IniFile& ini, std::string_view section,
                  const std::optional<PointerFormat>& templateFormat, TemplateEntry& entry) {
    if (const auto cells = ini.value(section, "Pointer")) {
        const auto parsed = parseCells(*cells);
        if (!parsed) {
            return malformed(path, section, "Pointer", *cells, parsed.error());
        }
        const auto format = pointerFormatOf(path, ini, section, templateFormat);
        if (!format) {
            return format.failure();
        }
        if (!*format) {
            return malformed(path, section, "Pointer", *cells,
                             "has no Format for its cells, in the entry or in [Pointers]");
        }
        entry.cells = *parsed;
        entry.pointer = **format;
        return success();
    }
    const std::string offsetValue = ini.read(section, "HexLocation", "<error>");
    const auto offset = parseHexLocation(offsetValue);
    if (!offset) {
        return malformed(path, section, "HexLocation", offsetValue, offset.error());
    }
    entry.offset = *offset;
    return success();
}

Result<FreeSpace> readFreeSpace(const std::string& path, const files::IniFile& ini) {
    FreeSpace space;
    if (const auto ranges = ini.value("FreeSpace", "Ranges")) {
        auto parsed = parseByteRanges(*ranges);
        if (!parsed) {
            return malformed(path, "FreeSpace", "Ranges", *ranges, parsed.error());
        }
        space.ranges = std::move(parsed).value();
    }
    const auto fill = fillOf(path, ini, "FreeSpace", std::uint8_t{0xFF});
    if (!fill) {
        return fill.failure();
    }
    space.fill = **fill;
    return space;
}

}  // namespace rq::templates::parts
