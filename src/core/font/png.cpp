#include "font/png.h"

#include <algorithm>
#include <array>

#include "files/asciitext.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STBI_WRITE_NO_STDIO
#include <stb/stb_image_write.h>

namespace rq::font {
namespace {

using Rgb = std::array<std::uint8_t, 3>;
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kCell{232, 240, 255};
constexpr Rgb kLabel{30, 60, 150};
constexpr Rgb kAdvance{220, 60, 60};

// Hexadecimal digits of 3x5 pixels for the sheet's codes, a row a number of 3 bits, leftmost the highest.
constexpr std::array<std::array<std::uint8_t, 5>, 16> kDigits = {{
    {7, 5, 5, 5, 7},
    {2, 6, 2, 2, 7},
    {7, 1, 7, 4, 7},
    {7, 1, 3, 1, 7},
    {5, 5, 7, 1, 1},
    {7, 4, 7, 1, 7},
    {7, 4, 7, 5, 7},
    {7, 1, 1, 2, 2},
    {7, 5, 7, 5, 7},
    {7, 5, 7, 1, 7},
    {2, 5, 7, 5, 5},
    {6, 5, 6, 5, 6},
    {3, 4, 4, 4, 3},
    {6, 5, 5, 5, 6},
    {7, 4, 6, 4, 7},
    {7, 4, 6, 4, 4},
}};

void put(RgbImage& image, int x, int y, Rgb colour) {
    if (x < 0 || y < 0 || x >= image.width || y >= image.height) {
        return;
    }
    std::copy(colour.begin(), colour.end(),
              image.rgb.begin() + (static_cast<std::ptrdiff_t>(y) * image.width + x) * 3);
}

RgbImage blank(int width, int height) {
    return RgbImage{width, height,
                    std::vector<std::uint8_t>(
                        static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3, 255)};
}

}  // namespace

RgbImage imageOf(const Drawing& drawing, int scale) {
    RgbImage image = blank(drawing.width * scale, drawing.height * scale);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const auto pixel =
                drawing.pixels[static_cast<std::size_t>(y / scale) * drawing.width + x / scale];
            put(image, x, y,
                pixel == Drawing::Black ? Rgb{0, 0, 0}
                : pixel == Drawing::Red ? Rgb{255, 0, 0}
                                        : kWhite);
        }
    }
    return image;
}

RgbImage glyphSheet(const Font& font) {
    constexpr int kAcross = 16;
    constexpr int kScale = 2;
    const std::uint64_t lastCode = font.codeOf(font.glyphs() - 1);
    const int digits = lastCode > 0xFFFFFF ? 8 : lastCode > 0xFFFF ? 6 : lastCode > 0xFF ? 4 : 2;
    const int cellWidth = std::max(font.width(), digits * 4) + 3;
    const int cellHeight = 6 + font.height() + 4;
    const int rows = (font.glyphs() + kAcross - 1) / kAcross;
    RgbImage sheet = blank(cellWidth * kAcross + 1, cellHeight * rows + 1);
    const int most = (1 << formatInfo(font.keys().format).bits) - 1;
    for (int glyph = 0; glyph < font.glyphs(); ++glyph) {
        const int left = glyph % kAcross * cellWidth + 2;
        const int top = glyph / kAcross * cellHeight + 1;
        const std::string code = files::hexText(font.codeOf(glyph), static_cast<std::size_t>(digits));
        for (std::size_t d = 0; d < code.size(); ++d) {
            const auto& bits =
                kDigits[static_cast<std::size_t>(code[d] <= '9' ? code[d] - '0' : code[d] - 'A' + 10)];
            for (int y = 0; y < 5; ++y) {
                for (int x = 0; x < 3; ++x) {
                    if ((bits[static_cast<std::size_t>(y)] >> (2 - x) & 1) != 0) {
                        put(sheet, left + static_cast<int>(d) * 4 + x, top + y, kLabel);
                    }
                }
            }
        }
        const auto pixels = font.pixels(glyph);
        for (int y = 0; y < font.height(); ++y) {
            for (int x = 0; x < font.width(); ++x) {
                const int index = pixels[static_cast<std::size_t>(y * font.width() + x)];
                const auto grey = static_cast<std::uint8_t>(255 - 255 * std::min(index, most) / most);
                put(sheet, left + x, top + 6 + y, index == 0 ? kCell : Rgb{grey, grey, grey});
            }
        }
        for (int x = 0; x < font.advance(glyph); ++x) {
            put(sheet, left + x, top + 7 + font.height(), kAdvance);
        }
    }
    RgbImage scaled = blank(sheet.width * kScale, sheet.height * kScale);
    for (int y = 0; y < scaled.height; ++y) {
        for (int x = 0; x < scaled.width; ++x) {
            const auto at = (static_cast<std::size_t>(y / kScale) * sheet.width + x / kScale) * 3;
            put(scaled, x, y, Rgb{sheet.rgb[at], sheet.rgb[at + 1], sheet.rgb[at + 2]});
        }
    }
    return scaled;
}

std::string pngBytes(const RgbImage& image) {
    std::string bytes;
    stbi_write_png_to_func(
        [](void* context, void* data, int size) {
            static_cast<std::string*>(context)->append(static_cast<const char*>(data),
                                                       static_cast<std::size_t>(size));
        },
        &bytes, image.width, image.height, 3, image.rgb.data(), image.width * 3);
    return bytes;
}

}  // namespace rq::font
