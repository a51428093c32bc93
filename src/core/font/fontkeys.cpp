#include "font/fontkeys.h"

#include <algorithm>
#include <charconv>

#include "files/asciitext.h"

namespace rq::font {
namespace {

constexpr std::string_view kFont = "Font";
constexpr std::string_view kBox = "Box";
constexpr int kLargestGlyph = 64;
constexpr int kMostGlyphs = 65536;
constexpr int kMostPixels = 65535;  // a line's width, a code's

std::optional<int> decimal(std::string_view text, int least, int most) {
    int value = 0;
    const auto [end, fault] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || fault != std::errc{} || end != text.data() + text.size() || value < least ||
        value > most) {
        return std::nullopt;
    }
    return value;
}

std::string between(int least, int most) {
    return "is not a whole number from " + std::to_string(least) + " to " + std::to_string(most);
}

// Reads one section's keys, noting each fault.
class SectionReader {
  public:
    SectionReader(const files::IniFile& ini, std::string section, std::vector<KeyFault>& faults)
        : m_ini(ini), m_section(std::move(section)), m_faults(faults) {}

    [[nodiscard]] bool clean() const { return m_clean; }
    [[nodiscard]] std::optional<std::string> value(std::string_view key) const {
        return m_ini.value(m_section, key);
    }
    void fault(std::string_view key, std::string value, std::string phrase) {
        m_faults.push_back(KeyFault{m_section, std::string(key), std::move(value), std::move(phrase)});
        m_clean = false;
    }

    // A decimal number in a range; fallback when the key is missing (nothing: the key is required).
    int number(std::string_view key, int least, int most, std::optional<int> fallback) {
        const auto given = value(key);
        if (!given) {
            if (!fallback) {
                fault("", "", "has no " + std::string(key));
            }
            return fallback.value_or(0);
        }
        const auto parsed = decimal(*given, least, most);
        if (!parsed) {
            fault(key, *given, between(least, most));
        }
        return parsed.value_or(0);
    }

    std::optional<std::uint32_t> hex(std::string_view key, bool required) {
        const auto given = value(key);
        if (!given) {
            if (required) {
                fault("", "", "has no " + std::string(key));
            }
            return std::nullopt;
        }
        const auto parsed = given->size() <= 8 ? files::parseHex(*given) : std::nullopt;
        if (!parsed) {
            fault(key, *given, "is not one to eight hexadecimal digits");
            return std::nullopt;
        }
        return static_cast<std::uint32_t>(*parsed);
    }

  private:
    const files::IniFile& m_ini;
    std::string m_section;
    std::vector<KeyFault>& m_faults;
    bool m_clean = true;
};

std::optional<FontKeys> readFont(const files::IniFile& ini, std::vector<KeyFault>& faults) {
    if (ini.section(kFont) == nullptr) {
        return std::nullopt;
    }
    SectionReader read(ini, std::string(kFont), faults);
    FontKeys keys;
    keys.offset = read.hex("Offset", true).value_or(0);
    keys.glyphs = read.number("Glyphs", 1, kMostGlyphs, std::nullopt);
    if (const auto format = read.value("Format")) {
        const auto known = std::ranges::find(kTileFormats, files::lowerAscii(*format), &TileFormatInfo::name);
        if (known == kTileFormats.end()) {
            std::string names;
            for (const auto& info : kTileFormats) {
                names += (names.empty() ? "" : ", ") + std::string(info.name);
            }
            read.fault("Format", *format, "is none of " + names);
        } else {
            keys.format = known->format;
        }
    } else {
        read.fault("", "", "has no Format");
    }
    for (auto [key, size] : {std::pair{"GlyphWidth", &keys.glyphWidth}, {"GlyphHeight", &keys.glyphHeight}}) {
        *size = read.number(key, 8, kLargestGlyph, 8);
        if (*size % 8 != 0) {
            read.fault(key, *read.value(key), "is not a multiple of 8");
        }
    }
    if (const auto order = read.value("TileOrder")) {
        const std::string said = files::lowerAscii(*order);
        if (said != "row" && said != "column") {
            read.fault("TileOrder", *order, "is neither row nor column");
        }
        keys.columnOrder = said == "column";
    }
    keys.firstCode = read.hex("FirstCode", false).value_or(0);
    keys.widths = read.hex("Widths", false);
    keys.widthAdd = read.number("WidthAdd", -kLargestGlyph, kLargestGlyph, 0);
    if (read.clean() && keys.fontBytes() / formatInfo(keys.format).bytes * 64 > kMostFontPixels) {
        read.fault("Glyphs", *read.value("Glyphs"),
                   "makes a font of more than " + std::to_string(kMostFontPixels) + " pixels");
    }
    if (!read.clean()) {
        return std::nullopt;
    }
    return keys;
}

std::optional<BoxKeys> readBox(const files::IniFile& ini, const std::string& section,
                               std::vector<KeyFault>& faults) {
    SectionReader read(ini, section, faults);
    BoxKeys box;
    box.width = read.number("Width", 1, kMostPixels, std::nullopt);
    box.lines = read.number("Lines", 1, 255, std::nullopt);
    box.boxBreak = read.value("BoxBreak").value_or("");
    if (const auto widths = read.value("CodeWidths")) {
        std::string_view rest = *widths;
        while (!rest.empty()) {
            const std::size_t comma = rest.find(',');
            const std::string_view item = rest.substr(0, comma);
            const std::size_t colon = item.rfind(':');
            const auto pixels = colon == std::string_view::npos
                                    ? std::nullopt
                                    : decimal(item.substr(colon + 1), 0, kMostPixels);
            if (!pixels || colon == 0) {
                read.fault("CodeWidths", *widths,
                           "is not a list of <Label>:N, N a whole number of pixels from 0 to " +
                               std::to_string(kMostPixels));
                break;
            }
            box.codeWidths.emplace_back(std::string(item.substr(0, colon)), *pixels);
            rest = comma == std::string_view::npos ? std::string_view{} : rest.substr(comma + 1);
        }
    }
    if (!read.clean()) {
        return std::nullopt;
    }
    return box;
}

// N of a section named BoxN, or nothing.
std::optional<int> boxSectionNumber(std::string_view name) {
    if (name.size() <= kBox.size() || files::lowerAscii(name.substr(0, kBox.size())) != "box" ||
        name[kBox.size()] == '0') {
        return std::nullopt;
    }
    return decimal(name.substr(kBox.size()), 1, kMostPixels);
}

}  // namespace

const TileFormatInfo& formatInfo(TileFormat format) {
    return kTileFormats[static_cast<std::size_t>(format)];
}

std::uint64_t FontKeys::glyphBytes() const {
    return static_cast<std::uint64_t>(glyphWidth / 8) * static_cast<std::uint64_t>(glyphHeight / 8) *
           static_cast<std::uint64_t>(formatInfo(format).bytes);
}

int BoxKeys::codeWidth(std::string_view label) const {
    const auto found = std::ranges::find(codeWidths, label, &std::pair<std::string, int>::first);
    return found == codeWidths.end() ? 0 : found->second;
}

FontSections readFontSections(const files::IniFile& ini) {
    FontSections sections;
    sections.font = readFont(ini, sections.faults);
    for (const auto& section : ini.sections()) {
        const bool plain = files::lowerAscii(section.name) == "box";
        const auto number = plain ? std::optional<int>(0) : boxSectionNumber(section.name);
        if (!number) {
            continue;
        }
        if (auto box = readBox(ini, section.name, sections.faults)) {
            sections.boxes.emplace(*number, std::move(*box));
        }
    }
    return sections;
}

Result<int> boxNumberOf(const files::IniFile& ini, std::string_view section) {
    const auto given = ini.value(section, "Box");
    if (!given) {
        return 0;
    }
    const auto number = decimal(*given, 1, kMostPixels);
    if (!number) {
        return Error{between(1, kMostPixels)};
    }
    if (ini.section("Box" + std::to_string(*number)) == nullptr) {
        return Error{"names the section [Box" + std::to_string(*number) + "], which the template lacks"};
    }
    return *number;
}

}  // namespace rq::font
