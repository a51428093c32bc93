#include "font/gamefont.h"

#include <algorithm>

#include "files/asciitext.h"
#include "files/codepage.h"
#include "files/filehandle.h"
#include "templates/gametemplate.h"

namespace rq::font {
namespace {

// Bit (7 - x) of a byte: the most significant bit is the leftmost pixel.
int bitAt(std::uint8_t byte, int x) {
    return (byte >> (7 - x)) & 1;
}

// One pixel of a tile in each format, in the order of kTileFormats.
int pixelOf(TileFormat format, std::span<const std::uint8_t> b, int x, int y) {
    switch (format) {
        case TileFormat::Bpp1:
            return bitAt(b[y], x);
        case TileFormat::Nes2:
            return bitAt(b[y], x) | bitAt(b[8 + y], x) << 1;
        case TileFormat::Gb2:
            return bitAt(b[2 * y], x) | bitAt(b[2 * y + 1], x) << 1;
        case TileFormat::Ngp2:
            return ((b[2 * y] | b[2 * y + 1] << 8) >> (14 - 2 * x)) & 3;
        case TileFormat::Sms4:
            return bitAt(b[4 * y], x) | bitAt(b[4 * y + 1], x) << 1 | bitAt(b[4 * y + 2], x) << 2 |
                   bitAt(b[4 * y + 3], x) << 3;
        case TileFormat::Snes4:
            return bitAt(b[2 * y], x) | bitAt(b[2 * y + 1], x) << 1 | bitAt(b[16 + 2 * y], x) << 2 |
                   bitAt(b[16 + 2 * y + 1], x) << 3;
        case TileFormat::Md4:
            return x % 2 == 0 ? b[4 * y + x / 2] >> 4 : b[4 * y + x / 2] & 0xF;
        case TileFormat::Gba4:
            return x % 2 == 0 ? b[4 * y + x / 2] & 0xF : b[4 * y + x / 2] >> 4;
        case TileFormat::Gba8:
            return b[8 * y + x];
    }
    return 0;
}

std::span<const std::uint8_t> bytesOf(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// A code's bytes as a big-endian number; nothing past 4 bytes, which no font reaches.
std::optional<std::uint64_t> codeNumber(std::string_view code) {
    if (code.empty() || code.size() > 4) {
        return std::nullopt;
    }
    std::uint64_t number = 0;
    for (const char byte : code) {
        number = number << 8 | static_cast<std::uint8_t>(byte);
    }
    return number;
}

void addGlyph(GlyphMap& map, const FontKeys& keys, char32_t ch, std::string_view code) {
    const auto number = codeNumber(code);
    if (!number || *number < keys.firstCode ||
        *number - keys.firstCode >= static_cast<std::uint64_t>(keys.glyphs)) {
        return;
    }
    map.glyphs.try_emplace(ch, static_cast<int>(*number - keys.firstCode));
}

GlyphMap tableGlyphs(const templates::Table& table, const FontKeys& keys) {
    GlyphMap map;
    for (const auto& entry : table.entries()) {
        if (entry.kind == templates::Table::Kind::Control) {
            map.labels.emplace_back(entry.text, entry.parameters);
            continue;
        }
        const auto characters = files::decodeUtf8(entry.text);
        if (entry.kind == templates::Table::Kind::Text && entry.aliasOf < 0 && characters &&
            characters->size() == 1) {
            addGlyph(map, keys, characters->front(), entry.code);
        }
    }
    std::ranges::stable_sort(map.labels,
                             [](const auto& a, const auto& b) { return a.first.size() > b.first.size(); });
    return map;
}

GlyphMap alphabetGlyphs(const templates::Alphabet& alphabet, const FontKeys& keys) {
    GlyphMap map;
    for (int byte = 0; byte < 256; ++byte) {
        if (const auto code = alphabet.encode(static_cast<char>(byte))) {
            addGlyph(map, keys, files::byteToUnicode(static_cast<std::uint8_t>(byte)), *code);
        }
    }
    return map;
}

const std::string& sourceOf(const templates::TemplateEntry& entry) {
    return entry.table ? entry.table->path() : entry.alphabet->path();
}

const BoxKeys* boxOf(const std::map<int, BoxKeys>& boxes, const templates::TemplateEntry& entry) {
    const auto found = boxes.find(entry.box);
    return found == boxes.end() ? nullptr : &found->second;
}

}  // namespace

std::array<std::uint8_t, 64> decodeTile(TileFormat format, std::span<const std::uint8_t> bytes) {
    std::array<std::uint8_t, 64> pixels{};
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            pixels[static_cast<std::size_t>(y * 8 + x)] =
                static_cast<std::uint8_t>(pixelOf(format, bytes, x, y));
        }
    }
    return pixels;
}

Font::Font(const FontKeys& keys, std::string_view tiles, std::string_view widths) : m_keys(keys) {
    const int across = keys.glyphWidth / 8;
    const int down = keys.glyphHeight / 8;
    const auto tileBytes = static_cast<std::size_t>(formatInfo(keys.format).bytes);
    const std::size_t glyphPixels = static_cast<std::size_t>(keys.glyphWidth) * keys.glyphHeight;
    m_pixels.resize(glyphPixels * static_cast<std::size_t>(keys.glyphs));
    m_advances.resize(static_cast<std::size_t>(keys.glyphs), keys.glyphWidth + keys.widthAdd);
    const auto all = bytesOf(tiles);
    for (int glyph = 0; glyph < keys.glyphs; ++glyph) {
        std::uint8_t* out = m_pixels.data() + glyphPixels * static_cast<std::size_t>(glyph);
        for (int tile = 0; tile < across * down; ++tile) {
            const std::size_t at = (static_cast<std::size_t>(glyph) * across * down + tile) * tileBytes;
            if (at + tileBytes > all.size()) {
                break;
            }
            const auto pixels = decodeTile(keys.format, all.subspan(at, tileBytes));
            const int column = keys.columnOrder ? tile / down : tile % across;
            const int row = keys.columnOrder ? tile % down : tile / across;
            for (int y = 0; y < 8; ++y) {
                std::copy_n(pixels.begin() + y * 8, 8,
                            out + static_cast<std::size_t>((row * 8 + y) * keys.glyphWidth + column * 8));
            }
        }
        if (static_cast<std::size_t>(glyph) < widths.size()) {
            m_advances[static_cast<std::size_t>(glyph)] = std::max(
                static_cast<std::uint8_t>(widths[static_cast<std::size_t>(glyph)]) + keys.widthAdd, 0);
        }
    }
}

std::span<const std::uint8_t> Font::pixels(int glyph) const {
    const std::size_t size = static_cast<std::size_t>(m_keys.glyphWidth) * m_keys.glyphHeight;
    return std::span<const std::uint8_t>(m_pixels).subspan(size * static_cast<std::size_t>(glyph), size);
}

std::vector<std::string> glyphRows(const Font& font, int glyph) {
    const std::size_t digits = formatInfo(font.keys().format).bits > 4 ? 2 : 1;
    const auto pixels = font.pixels(glyph);
    std::vector<std::string> rows;
    for (int y = 0; y < font.height(); ++y) {
        std::string& row = rows.emplace_back();
        for (int x = 0; x < font.width(); ++x) {
            row += files::hexText(pixels[static_cast<std::size_t>(y * font.width() + x)], digits);
        }
    }
    return rows;
}

std::optional<std::string> pastEndPhrase(const FontKeys& keys, const std::string& gameFile,
                                         std::uint64_t size) {
    const auto past = [&](std::string_view what, std::uint64_t offset, std::uint64_t bytes) {
        return "puts its " + std::string(what) + " (bytes 0x" + files::hexText(offset) + " to 0x" +
               files::hexText(offset + bytes - 1) + ") past the end of " + gameFile + ", which has " +
               std::to_string(size) + " bytes";
    };
    if (keys.offset + keys.fontBytes() > size) {
        return past("glyphs", keys.offset, keys.fontBytes());
    }
    if (keys.widths && *keys.widths + static_cast<std::uint64_t>(keys.glyphs) > size) {
        return past("widths", *keys.widths, static_cast<std::uint64_t>(keys.glyphs));
    }
    return std::nullopt;
}

Result<Font> readFont(const FontKeys& keys, const std::string& gameFile) {
    auto file = files::FileHandle::open(gameFile, files::FileHandle::Mode::Read);
    if (!file) {
        return file.failure();
    }
    if (auto past = pastEndPhrase(keys, gameFile, file->openedSize())) {
        return Error{"The template's [Font] " + *past + ".", ErrorKind::Refusal};
    }
    auto tiles = file->readAt(keys.offset, keys.fontBytes());
    auto widths = keys.widths ? file->readAt(*keys.widths, static_cast<std::size_t>(keys.glyphs))
                              : Result<std::string>(std::string());
    if (!tiles || !widths) {
        return !tiles ? tiles.failure() : widths.failure();
    }
    return Font(keys, *tiles, *widths);
}

Result<std::shared_ptr<const TemplateFont>> TemplateFont::read(const templates::GameTemplate& gameTemplate,
                                                               const std::string& gameFile) {
    const bool boxed = std::ranges::any_of(gameTemplate.entries, [&](const templates::TemplateEntry& entry) {
        return boxOf(gameTemplate.boxes, entry) != nullptr;
    });
    if (!gameTemplate.font || !boxed) {
        return std::shared_ptr<const TemplateFont>();
    }
    auto font = readFont(*gameTemplate.font, gameFile);
    if (!font) {
        return font.failure();
    }
    auto result = std::make_shared<TemplateFont>(std::move(font).value(), gameTemplate.boxes);
    for (const auto& entry : gameTemplate.entries) {
        const std::string& source = sourceOf(entry);
        if (boxOf(result->m_boxes, entry) == nullptr || result->m_maps.contains(source)) {
            continue;
        }
        result->m_maps.emplace(source, entry.table ? tableGlyphs(*entry.table, result->m_font.keys())
                                                   : alphabetGlyphs(*entry.alphabet, result->m_font.keys()));
    }
    return std::shared_ptr<const TemplateFont>(std::move(result));
}

std::optional<EntryMetrics> TemplateFont::metricsOf(const templates::TemplateEntry& entry) const {
    const BoxKeys* box = boxOf(m_boxes, entry);
    const auto map = m_maps.find(sourceOf(entry));
    if (box == nullptr || map == m_maps.end()) {
        return std::nullopt;
    }
    return EntryMetrics{&m_font, &map->second, box};
}

}  // namespace rq::font
