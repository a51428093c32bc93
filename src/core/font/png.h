#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "font/textlayout.h"

// Pictures of a font and of drawn texts, as PNG files.
namespace rq::font {

struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;  // three bytes a pixel, row by row
};

// A drawing as render writes it: white, black and red, each pixel scale x scale.
[[nodiscard]] RgbImage imageOf(const Drawing& drawing, int scale);

// Every glyph of a font, 16 a row, each under its code in hexadecimal and over a bar as long as its
// advance; palette indices as greys from white (0) to black (the format's last).
[[nodiscard]] RgbImage glyphSheet(const Font& font);

// The PNG file of an image.
[[nodiscard]] std::string pngBytes(const RgbImage& image);

}  // namespace rq::font
