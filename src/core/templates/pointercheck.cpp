#include "pointercheck.h"

#include <algorithm>

#include "files/asciitext.h"
#include "files/filehandle.h"
#include "files/readwritetext.h"
#include "templates/gametemplate.h"
#include "templates/pointerformat.h"
#include "templates/templaterules.h"

namespace rq::templates {
namespace {

class PointerChecker {
  public:
    PointerChecker(const std::string& path, const files::IniFile& ini, std::vector<TemplateProblem>& problems)
        : m_path(path), m_ini(ini), m_problems(problems) {}

    void run(int entryCount, const std::optional<std::string>& gameFile) {
        m_entryCount = entryCount;
        const auto pointers = formatIn("Pointers", std::nullopt);
        for (int number = 1; number <= entryCount; ++number) {
            const std::string section = "entry" + std::to_string(number);
            if (const auto value = m_ini.value(section, "Pointer")) {
                const auto cells = parseCells(*value);
                const auto format = formatIn(section, pointers);
                if (!cells) {
                    add(section, "Pointer", *value, cells.error());
                } else if (!format) {
                    add(section, "Pointer", *value,
                        "has no Format for its cells, in the entry or in [Pointers]");
                } else {
                    m_cells.push_back({section, "Pointer", *value, *cells, *format});
                }
            }
        }
        for (int table = 1; m_ini.section("PointerTable" + std::to_string(table)) != nullptr; ++table) {
            checkTable("PointerTable" + std::to_string(table), pointers);
        }
        const auto ranges = checkFreeSpace();
        if (gameFile) {
            checkCells(*gameFile);
            checkRangesFit(ranges, *gameFile);
        }
    }

  private:
    struct Cells {
        std::string section;
        std::string key;
        std::string value;
        std::vector<std::uint32_t> offsets;
        PointerFormat format;
        bool table = false;  // a table's cells are entries each, and need not agree
    };

    void add(const std::string& section, std::string_view key, std::optional<std::string> value,
             std::string what) {
        m_problems.push_back({m_path, section, std::string(key), std::move(value), std::move(what)});
    }

    // The format a section gives over the one it inherits, each of its values checked.
    std::optional<PointerFormat> formatIn(const std::string& section, std::optional<PointerFormat> format) {
        if (const auto value = m_ini.value(section, "Format")) {
            PointerFormat given = format.value_or(PointerFormat{});
            if (const auto parsed = parsePointerFormat(*value, given); parsed) {
                format = given;
            } else {
                add(section, "Format", *value, parsed.error());
            }
        }
        if (const auto value = m_ini.value(section, "Base")) {
            if (const auto base = parsePointerBase(*value); !base) {
                add(section, "Base", *value, base.error());
            } else if (format) {
                format->base = *base;
            }
        }
        if (const auto value = m_ini.value(section, "Region")) {
            if (const auto region = parseByteRange(*value); !region) {
                add(section, "Region", *value, region.error());
            } else if (format) {
                format->regionStart = region->start;
                format->regionEnd = region->end;
            }
        }
        return format;
    }

    void checkTable(const std::string& section, const std::optional<PointerFormat>& inherited) {
        const auto format = formatIn(section, inherited);
        const auto offsetValue = m_ini.value(section, "Offset");
        const auto countValue = m_ini.value(section, "Count");
        const auto offset = parseHexLocation(offsetValue.value_or(""));
        const auto count = parseCellCount(countValue.value_or(""));
        if (!offset) {
            add(section, "Offset", offsetValue, offsetValue ? offset.error() : "is missing");
        }
        if (!count) {
            add(section, "Count", countValue, countValue ? count.error() : "is missing");
        }
        std::uint32_t stride = format ? static_cast<std::uint32_t>(format->size) : 4;
        if (const auto value = m_ini.value(section, "Stride")) {
            const auto given = parseStride(*value);
            if (!given) {
                add(section, "Stride", *value, given.error());
                return;
            }
            stride = *given;
        }
        if (!format) {
            add(section, "", std::nullopt, "has no Format, nor has [Pointers]");
            return;
        }
        if (offset && count) {
            auto offsets = tableCells(static_cast<std::uint64_t>(*offset), *count, stride);
            if (!offsets) {
                add(section, "Count", countValue, offsets.error());
                return;
            }
            // Told once, at the table that passes the bound: the tables after it add nothing to say.
            const std::size_t before = m_tableCells + static_cast<std::size_t>(m_entryCount);
            m_tableCells += offsets->size();
            if (m_tableCells + static_cast<std::size_t>(m_entryCount) > kMostEntries) {
                if (before <= kMostEntries) {
                    add(section, "Count", countValue,
                        "makes the template's entries " + std::to_string(m_tableCells + m_entryCount) +
                            ", more than the " + std::to_string(kMostEntries) + " allowed");
                }
                return;
            }
            m_cells.push_back({section, "Offset", *offsetValue, std::move(offsets).value(), *format, true});
        }
    }

    // The ranges as given, for the check against a game file.
    std::vector<ByteRange> checkFreeSpace() {
        const auto value = m_ini.value("FreeSpace", "Ranges");
        if (const auto fill = m_ini.value("FreeSpace", "Fill");
            fill && (fill->size() > 2 || !files::parseHex(*fill))) {
            add("FreeSpace", "Fill", *fill, "is not one byte in hexadecimal digits");
        }
        if (!value) {
            return {};
        }
        const auto parsed = parseByteRanges(*value);
        if (!parsed) {
            add("FreeSpace", "Ranges", *value, parsed.error());
            return {};
        }
        std::vector<ByteRange> ranges = *parsed;
        std::sort(ranges.begin(), ranges.end(),
                  [](const ByteRange& a, const ByteRange& b) { return a.start < b.start; });
        for (std::size_t i = 1; i < ranges.size(); ++i) {
            if (ranges[i].start < ranges[i - 1].end) {
                add("FreeSpace", "Ranges", *value,
                    "has ranges that overlap: " + range(ranges[i - 1]) + " and " + range(ranges[i]));
            }
        }
        return *parsed;
    }

    // A save uses a range only up to the file's end: what lies past it is said, so that the author sees the
    // range is not what was meant.
    void checkRangesFit(const std::vector<ByteRange>& ranges, const std::string& gameFile) {
        const auto size = files::regularFileSize(gameFile);
        const auto value = m_ini.value("FreeSpace", "Ranges");
        for (const ByteRange& bytes : size&& value ? ranges : std::vector<ByteRange>{}) {
            if (bytes.end > *size) {
                add("FreeSpace", "Ranges", *value,
                    "has the range " + range(bytes) + ", which runs past the end of " + gameFile + " (" +
                        std::to_string(*size) + " bytes): only what lies before it is free space");
            }
        }
    }

    static std::string range(const ByteRange& bytes) {
        return files::hexText(bytes.start) + "-" + files::hexText(bytes.end);
    }

    void checkCells(const std::string& gameFile) {
        const auto file = files::FileHandle::open(gameFile, files::FileHandle::Mode::Read);
        if (!file) {
            return;  // the template check names a file it cannot read
        }
        const std::optional<std::uint64_t> size = file->openedSize();
        for (const Cells& cells : m_cells) {
            std::optional<std::uint64_t> first;
            for (const std::uint32_t offset : cells.offsets) {
                const std::string at = "0x" + files::hexText(offset);
                if (offset + static_cast<std::uint64_t>(cells.format.size) > *size) {
                    add(cells.section, cells.key, cells.value,
                        "has a cell at " + at + " past the end of " + gameFile);
                    continue;
                }
                const auto bytes = file->readAt(offset, static_cast<std::size_t>(cells.format.size));
                const std::uint64_t value = cells.format.value(bytes ? *bytes : std::string());
                const auto points = cells.format.offsetOf(value);
                if (!points || *points >= *size) {
                    add(cells.section, cells.key, cells.value,
                        "has a cell at " + at + " that holds " + files::hexText(value) + ", which points " +
                            (points ? "past the end of " + gameFile : std::string("outside its region")));
                } else if (!cells.table && first && *first != value) {
                    add(cells.section, cells.key, cells.value,
                        "has a cell at " + at + " that holds " + files::hexText(value) + ", not the " +
                            files::hexText(*first) + " of the first cell");
                }
                first = first.value_or(value);
            }
        }
    }

    const std::string& m_path;
    const files::IniFile& m_ini;
    std::vector<TemplateProblem>& m_problems;
    std::vector<Cells> m_cells;
    int m_entryCount = 0;
    std::size_t m_tableCells = 0;
};

}  // namespace

void checkPointers(const std::string& templatePath, const files::IniFile& ini, int entryCount,
                   const std::optional<std::string>& gameFile, std::vector<TemplateProblem>& problems) {
    PointerChecker(templatePath, ini, problems).run(entryCount, gameFile);
}

}  // namespace rq::templates
