// The game's font and text boxes: the font as the template reads it, a text drawn in its boxes, and the
// translations rewrapped to them.
#include <algorithm>
#include <nlohmann/json.hpp>
#include <ostream>
#include <sstream>

#include "editor/entrytexts.h"
#include "files/asciitext.h"
#include "files/codepage.h"
#include "files/common.h"
#include "files/newfile.h"
#include "font/png.h"
#include "font/textlayout.h"
#include "templateverbs.h"

namespace rq::cli {
namespace {

// The largest picture render and font write, in pixels: a few hundred boxes at the largest scale.
constexpr std::uint64_t kMostPicturePixels = 64u << 20;

std::string plural(std::size_t count, std::string_view one, std::string_view many) {
    return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

// The template's font and its boxes' metrics, or nothing once the refusal is said.
std::shared_ptr<const font::TemplateFont> boxedFont(const TemplateAndTexts& opened, Console& console) {
    if (!opened.gameTemplate.font) {
        console.say("The template " + opened.templatePath +
                    " has no [Font]: there is nothing to measure with.");
        return nullptr;
    }
    auto read = font::TemplateFont::read(opened.gameTemplate, opened.gameFile);
    if (!read) {
        console.say(read.error());
        return nullptr;
    }
    if (!*read) {
        console.say("The template " + opened.templatePath +
                    " gives no entry a box: [Box], or [BoxN] with Box=N.");
    }
    return *read;
}

Status writePicture(const std::string& path, const font::RgbImage& image, Console& console) {
    if (static_cast<std::uint64_t>(image.width) * static_cast<std::uint64_t>(image.height) >
        kMostPicturePixels) {
        return Error{"The picture would be " + std::to_string(image.width) + " x " +
                         std::to_string(image.height) + " pixels, more than the " +
                         std::to_string(kMostPicturePixels) + " allowed." + std::string(kNothingWritten),
                     ErrorKind::Refusal};
    }
    const std::string png = font::pngBytes(image);
    if (png.empty()) {
        return Error{"The picture could not be made." + std::string(kNothingWritten), ErrorKind::Refusal};
    }
    auto output = console.output(path);
    if (!output) {
        return output.failure();
    }
    if (auto written = files::writeNewFile(*output, png); !written) {
        return written;
    }
    if (!console.finishOutput()) {
        return Error{"The picture could not be written to standard output."};
    }
    return success();
}

std::string summary(const font::Font& font) {
    const auto& keys = font.keys();
    std::string text = plural(static_cast<std::size_t>(font.glyphs()), "glyph", "glyphs") + " of " +
                       std::to_string(font.width()) + "x" + std::to_string(font.height()) + ", " +
                       std::string(font::formatInfo(keys.format).name) + ", from 0x" +
                       files::hexText(keys.offset) + "; ";
    int least = font.advance(0);
    int most = least;
    for (int glyph = 1; glyph < font.glyphs(); ++glyph) {
        least = std::min(least, font.advance(glyph));
        most = std::max(most, font.advance(glyph));
    }
    if (!keys.widths) {
        return text + "each advances " + plural(static_cast<std::size_t>(most), "pixel", "pixels");
    }
    return text + "widths from 0x" + files::hexText(*keys.widths) + " (" + std::to_string(least) + " to " +
           std::to_string(most) + " pixels)";
}

}  // namespace

int fontCommand(const Given& given, Console& console) {
    const auto opened = readTemplateAndTexts(given, console);
    if (!opened) {
        return kExitRefused;
    }
    if (!opened->gameTemplate.font) {
        console.say("The template " + opened->templatePath + " has no [Font].");
        return kExitRefused;
    }
    const auto font = font::readFont(*opened->gameTemplate.font, opened->gameFile);
    if (!font) {
        console.say(font.error());
        return kExitRefused;
    }
    if (!given.png.empty()) {
        if (const auto written = writePicture(given.png, font::glyphSheet(*font), console); !written) {
            console.say(written.error());
            return kExitRefused;
        }
    }
    if (!given.json) {
        console.out() << summary(*font) << '\n';
        return kExitOk;
    }
    using Json = nlohmann::ordered_json;
    Json glyphs = Json::array();
    for (int glyph = 0; glyph < font->glyphs(); ++glyph) {
        glyphs.push_back({{"index", glyph},
                          {"code", files::hexText(font->codeOf(glyph), 2)},
                          {"advance", font->advance(glyph)},
                          {"rows", font::glyphRows(*font, glyph)}});
    }
    const Json document{{"format", font::formatInfo(font->keys().format).name},
                        {"width", font->width()},
                        {"height", font->height()},
                        {"glyphs", std::move(glyphs)}};
    console.out() << document.dump(2) << '\n';
    return kExitOk;
}

int renderCommand(const Given& given, Console& console) {
    const auto opened = readTemplateAndTexts(given, console);
    if (!opened) {
        return kExitRefused;
    }
    const auto& entries = opened->gameTemplate.entries;
    const auto number = std::ranges::find_if(
        entries, [&](const auto& entry) { return std::to_string(entry.number) == given.entry; });
    if (number == entries.end()) {
        console.say("The template " + opened->templatePath + " has no entry " + given.entry +
                    ": its entries are 1 to " + std::to_string(entries.size()) + ".");
        return kExitRefused;
    }
    const auto index = static_cast<std::size_t>(number - entries.begin());
    const auto templateFont = boxedFont(*opened, console);
    if (!templateFont) {
        return kExitRefused;
    }
    const auto metrics = templateFont->metricsOf(*number);
    if (!metrics) {
        console.say(templates::entryName(*number) +
                    " has no box: [Box], or [BoxN] with Box=N, gives it one.");
        return kExitRefused;
    }
    std::string text = opened->texts[index];
    if (given.textGiven && given.operands.size() > 1) {
        console.say("render draws --text TEXT or the translation in TEXTS, not both.");
        return kExitUsage;
    }
    if (given.operands.size() > 1) {
        const auto taken =
            readGivenTexts(given.operands[1], formatOfPath(given.operands[1]), *opened, console.in());
        if (!taken) {
            console.say(taken.error());
            return kExitRefused;
        }
        if (const auto found = taken->texts.find(number->number); found != taken->texts.end()) {
            text = found->second;
        }
    } else if (given.textGiven) {
        text = given.text;
    }
    const auto layout = font::layoutText(*metrics, editor::shownText(*number, opened->rooms[index], text));
    const auto drawing = font::drawLayout(*metrics, layout);
    if (const auto written = writePicture(given.png, font::imageOf(drawing, given.scale), console);
        !written) {
        console.say(written.error());
        return kExitRefused;
    }
    const auto widest = font::widestLine(layout);
    std::ostream& out = given.png == "-" ? console.err() : console.out();
    out << "entry " << number->number << ": " << plural(layout.boxes.size(), "box", "boxes")
        << "; widest line " << widest.width << " of " << metrics->box->width << " pixels (box "
        << widest.box + 1 << ", line " << widest.line + 1 << ")";
    for (std::size_t box = 0; box < layout.boxes.size(); ++box) {
        if (std::cmp_greater(layout.boxes[box].size(), metrics->box->lines)) {
            out << "; box " << box + 1 << " has " << layout.boxes[box].size() << " lines of "
                << metrics->box->lines;
        }
    }
    if (!layout.missing.empty()) {
        std::string missing;
        for (const char32_t ch : layout.missing) {
            missing += (missing.empty() ? "'" : ", '") + files::escapeControls(files::encodeUtf8(ch)) + "'";
        }
        out << "; no glyph for " << missing;
    }
    out << '\n';
    return kExitOk;
}

int wrapCommand(const Given& given, Console& console) {
    const auto opened = readTemplateAndTexts(given, console);
    if (!opened) {
        return kExitRefused;
    }
    const std::string& textsPath = given.operands[1];
    const TextsFormat format = textsFormat(given.format).value_or(formatOfPath(textsPath));
    const auto taken = readGivenTexts(textsPath, format, *opened, console.in());
    if (!taken) {
        console.say(taken.error());
        return kExitRefused;
    }
    for (const std::string& warning : taken->warnings) {
        console.warn(warning);
    }
    const auto templateFont = boxedFont(*opened, console);
    if (!templateFont) {
        return kExitRefused;
    }
    const auto& entries = opened->gameTemplate.entries;
    std::vector<std::string> translations(entries.size());
    std::size_t wrapped = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto found = taken->texts.find(entries[i].number);
        const auto metrics = templateFont->metricsOf(entries[i]);
        if (found == taken->texts.end()) {
            continue;
        }
        translations[i] = found->second;
        if (!metrics || entries[i].locked) {
            continue;  // a locked text stays as it is
        }
        const std::string shown(editor::shownText(entries[i], opened->rooms[i], found->second));
        auto result = font::wrapText(*metrics, shown);
        for (const std::string& word : result.tooWide) {
            console.warn("entry " + std::to_string(entries[i].number) + ": the word \"" + word +
                         "\" is wider than a line of its box (" + std::to_string(metrics->box->width) +
                         " pixels): it is left on a line of its own.");
        }
        wrapped += result.text != shown ? 1 : 0;
        translations[i] = std::move(result.text);
    }
    std::ostringstream out;
    if (format == TextsFormat::Json) {
        writeDumpJson(out, *opened, given.operands.front(), withGivenTexts(opened->texts, [&] {
                          std::map<int, std::string> texts;
                          for (std::size_t i = 0; i < entries.size(); ++i) {
                              if (taken->texts.contains(entries[i].number)) {
                                  texts[entries[i].number] = translations[i];
                              }
                          }
                          return texts;
                      }()));
    } else {
        auto exported =
            exchange::exportedEntries(opened->gameTemplate, opened->texts, opened->rooms, opened->moving);
        for (std::size_t i = 0; i < exported.size() && i < translations.size(); ++i) {
            exported[i].translation = translations[i];
        }
        if (const auto written = writeTranslatorsFile(
                out, format, exported, files::pathText(files::fsPath(opened->templatePath).stem()));
            !written) {
            console.say(written.error());
            return kExitRefused;
        }
    }
    const std::string outPath = given.outFile.empty() ? "-" : given.outFile;
    if (!console.writeWhole(outPath, out.str())) {
        return kExitRefused;
    }
    if (outPath != "-") {
        console.out() << "Wrote " << outPath << ": " << wrapped << " of "
                      << plural(taken->texts.size(), "text", "texts") << " rewrapped.\n";
    }
    return kExitOk;
}

}  // namespace rq::cli
