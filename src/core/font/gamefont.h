#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "files/result.h"
#include "font/fontkeys.h"

namespace rq::templates {
struct GameTemplate;
struct TemplateEntry;
}  // namespace rq::templates

namespace rq::font {

// The pixels of one 8x8 tile, row by row, each its palette index, from the tile's bytes in a format.
[[nodiscard]] std::array<std::uint8_t, 64> decodeTile(TileFormat format, std::span<const std::uint8_t> bytes);

// A font decoded: every glyph's pixels (palette indices, row by row) and its advance in pixels.
class Font {
  public:
    // From the bytes of the glyphs' tiles (keys.fontBytes() of them) and of the width table (one a glyph;
    // empty when keys have no Widths).
    Font(const FontKeys& keys, std::string_view tiles, std::string_view widths);

    [[nodiscard]] const FontKeys& keys() const { return m_keys; }
    [[nodiscard]] int glyphs() const { return m_keys.glyphs; }
    [[nodiscard]] int width() const { return m_keys.glyphWidth; }
    [[nodiscard]] int height() const { return m_keys.glyphHeight; }
    // Glyph g's pixels, width() x height() of them.
    [[nodiscard]] std::span<const std::uint8_t> pixels(int glyph) const;
    [[nodiscard]] int advance(int glyph) const { return m_advances[static_cast<std::size_t>(glyph)]; }
    // The code that draws a glyph.
    [[nodiscard]] std::uint64_t codeOf(int glyph) const {
        return m_keys.firstCode + static_cast<std::uint64_t>(glyph);
    }

  private:
    FontKeys m_keys;
    std::vector<std::uint8_t> m_pixels;
    std::vector<int> m_advances;
};

// A glyph's rows as font --json gives them: a hexadecimal digit a pixel, its palette index (two digits for a
// format of 8 bits a pixel).
[[nodiscard]] std::vector<std::string> glyphRows(const Font& font, int glyph);

// Where the font's glyphs or width table run past the end of a file of size bytes, the phrase that says
// so of [Font]; nothing when both lie within it.
[[nodiscard]] std::optional<std::string> pastEndPhrase(const FontKeys& keys, const std::string& gameFile,
                                                       std::uint64_t size);

// The font a template's [Font] describes, read from the game file: refused when its glyphs or its width
// table run past the end of the file, or the file cannot be read.
[[nodiscard]] Result<Font> readFont(const FontKeys& keys, const std::string& gameFile);

// Which glyph draws each character of an entry's texts: that of the character's own one-character code in
// the table or alphabet (the code as a big-endian number, less FirstCode), and the control labels a text
// can hold.
struct GlyphMap {
    std::unordered_map<char32_t, int> glyphs;
    std::vector<std::pair<std::string, int>>
        labels;  // a control label and its parameter bytes, longest first
};

// What measuring, drawing and wrapping an entry's texts take.
struct EntryMetrics {
    const Font* font = nullptr;
    const GlyphMap* glyphs = nullptr;
    const BoxKeys* box = nullptr;
};

// A template's font with the glyph maps of its entries, ready to measure any entry that has a box.
class TemplateFont {
  public:
    // Nothing (a null pointer) when the template has no [Font] or no entry has a box.
    [[nodiscard]] static Result<std::shared_ptr<const TemplateFont>> read(
        const templates::GameTemplate& gameTemplate, const std::string& gameFile);

    [[nodiscard]] const Font& font() const { return m_font; }
    // The entry's metrics; nothing when the entry has no box.
    [[nodiscard]] std::optional<EntryMetrics> metricsOf(const templates::TemplateEntry& entry) const;

    TemplateFont(Font font, std::map<int, BoxKeys> boxes)
        : m_font(std::move(font)), m_boxes(std::move(boxes)) {}

  private:
    Font m_font;
    std::map<int, BoxKeys> m_boxes;
    // By the path of the entry's table or alphabet, so that a template read again finds its maps.
    std::unordered_map<std::string, GlyphMap> m_maps;
};

}  // namespace rq::font
