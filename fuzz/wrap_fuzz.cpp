// Any text laid out, drawn and rewrapped in a box of a font whose advances and box the input gives: the
// first 8 bytes are the box's width, its lines and the advances of the space, "A", "B", "." and two more
// glyphs; the rest is the text.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "exchangeinput.h"
#include "font/textlayout.h"

namespace {

using fuzz::require;

// What a text holds but its breaks and spaces: the words and codes a rewrap keeps in order.
std::string kept(std::string_view text, const std::string& boxBreak) {
    std::string out;
    for (std::size_t at = 0; at < text.size();) {
        if (text.substr(at).starts_with(boxBreak)) {
            at += boxBreak.size();
        } else {
            if (text[at] != ' ' && text[at] != '\n') {
                out += text[at];
            }
            ++at;
        }
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 8) {
        return 0;
    }
    rq::font::FontKeys keys;
    keys.glyphs = 6;
    const std::string tiles(6 * 8, '\x5A');
    const std::string widths(reinterpret_cast<const char*>(data) + 2, 6);
    const rq::font::Font font(keys, tiles, widths);
    rq::font::GlyphMap glyphs;
    glyphs.glyphs = {{U' ', 0}, {U'A', 1}, {U'B', 2}, {U'.', 3}, {U'\u00E9', 4}, {U'<', 5}};
    glyphs.labels = {{"<Color>", 1}, {"<Next>", 0}, {"<Name>", 0}};
    rq::font::BoxKeys box;
    box.width = 1 + data[0];
    box.lines = 1 + data[1] % 4;
    box.boxBreak = data[1] & 0x80 ? "" : "<Next>";
    box.codeWidths = {{"<Name>", 20}};
    const rq::font::EntryMetrics metrics{&font, &glyphs, &box};
    const std::string_view text(reinterpret_cast<const char*>(data) + 8, size - 8);

    const auto layout = rq::font::layoutText(metrics, text);
    const auto drawing = rq::font::drawLayout(metrics, layout);
    require(drawing.pixels.size() == static_cast<std::size_t>(drawing.width) * drawing.height);
    const auto once = rq::font::wrapText(metrics, text);
    require(rq::font::wrapText(metrics, once.text).text == once.text);
    require(kept(once.text, box.boxBreak.empty() ? std::string("\n") : box.boxBreak) ==
            kept(text, box.boxBreak.empty() ? std::string("\n") : box.boxBreak));
    return 0;
}
