#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "font/gamefont.h"

// An entry's text as the game shows it: measured, drawn and rewrapped with the game's own font, in its box.
// Texts are UTF-8 as the editors show them: a line break is "\n", a control code its table's label (its
// parameters "<$XX>" after it), a byte without a code "<$XX>" (it takes no pixels).
namespace rq::font {

struct Layout {
    struct Line {
        int width = 0;          // the advances of its characters and control codes, in pixels
        std::size_t begin = 0;  // its bytes in the text
        std::size_t end = 0;
    };
    struct Placed {
        int box = 0;
        int line = 0;
        int x = 0;
        int glyph = 0;
    };
    // Box after box, each at least one line. A last line left empty by a line break, and a last box left
    // empty by a box break, show nothing and are not counted.
    std::vector<std::vector<Line>> boxes;
    std::vector<Placed> placed;  // every glyph drawn, in text order
    std::u32string missing;      // the characters the font has no glyph for, each once, in text order
};
[[nodiscard]] Layout layoutText(const EntryMetrics& metrics, std::string_view text);

// The widest line of a layout: its box and line (0-based) and width; the first of equals.
struct WidestLine {
    int box = 0;
    int line = 0;
    int width = 0;
};
[[nodiscard]] WidestLine widestLine(const Layout& layout);

// A layout drawn as the game draws it: box after box, one below the other, each the box's Width by Lines
// times the glyph height, wider or taller where the text runs past it.
struct Drawing {
    enum Pixel : std::uint8_t { White, Black, Red };  // palette index 0, another index, past the box
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;  // row by row
    std::vector<int> boxTops;          // each box's first row
    int boxWidth = 0;
    int boxHeight = 0;
};
[[nodiscard]] Drawing drawLayout(const EntryMetrics& metrics, const Layout& layout);

// A text rewrapped as a translator would by hand: words (runs between spaces, line breaks and box
// breaks) fill a line up to the box's Width, a full box goes on after its BoxBreak; its own line and box
// breaks are replaced, every other character and control code kept in order. Between words that stay on
// a line, their spaces are kept, or one space where those would not fit and one does. Wrapping a wrapped
// text gives it again.
struct Wrapped {
    std::string text;
    std::vector<std::string> tooWide;  // each word wider than a line, left on a line of its own
};
[[nodiscard]] Wrapped wrapText(const EntryMetrics& metrics, std::string_view text);

}  // namespace rq::font
