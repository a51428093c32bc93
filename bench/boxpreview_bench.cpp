// One text box of three lines drawn in the preview at twice its size (measured, drawn and painted), against
// measuring and drawing it in the core alone. Target: at most 2 ms a box.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <string>

#include "benchfixture.h"
#include "font/textlayout.h"
#include "kit/boxpreview.h"

namespace {

// A 1bpp font of 96 glyphs of 16x16 from the space, each 8 pixels wide, its tiles a busy pattern, and a box
// of 144 pixels by 3 lines: a dialogue box of a handheld game.
struct BoxFont {
    rq::font::Font font;
    rq::font::GlyphMap glyphs;
    rq::font::BoxKeys box;

    BoxFont() : font(keys(), tiles(), std::string(96, '\x08')) {
        for (char32_t c = 0x20; c < 0x80; ++c) {
            glyphs.glyphs.emplace(c, static_cast<int>(c - 0x20));
        }
        box.width = 144;
        box.lines = 3;
    }
    static rq::font::FontKeys keys() {
        rq::font::FontKeys keys;
        keys.glyphs = 96;
        keys.glyphWidth = 16;
        keys.glyphHeight = 16;
        keys.firstCode = 0x20;
        keys.widths = 0;
        return keys;
    }
    static std::string tiles() {
        std::string bytes(96 * 32, '\0');
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            bytes[i] = static_cast<char>(i * 37 % 251);
        }
        return bytes;
    }
    [[nodiscard]] rq::font::EntryMetrics metrics() const { return {&font, &glyphs, &box}; }
};

const std::string kText = "The quick brown fox\njumps over the lazy\ndog, then once more.";

void BM_Baseline_LayoutAndDraw(benchmark::State& state) {
    const BoxFont f;
    for (auto _ : state) {
        const auto layout = rq::font::layoutText(f.metrics(), kText);
        benchmark::DoNotOptimize(rq::font::drawLayout(f.metrics(), layout));
    }
}
BENCHMARK(BM_Baseline_LayoutAndDraw)->Unit(benchmark::kMillisecond);

// The text shown and the widget painted, as a key typed in the box does.
void BM_DrawBoxInPreview(benchmark::State& state) {
    const BoxFont f;
    rq::kit::BoxPreview preview;
    preview.showText(f.metrics(), kText);
    QImage image(preview.sizeHint(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        preview.showText(f.metrics(), kText);
        preview.render(&image);
    }
}
BENCHMARK(BM_DrawBoxInPreview)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return rq::bench::runAgainst(argc, argv, "BM_Baseline_LayoutAndDraw",
                                 "measuring and drawing in the core");
}
