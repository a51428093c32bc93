#pragma once

// What the qa benchmarks share: a script of 10,000 pointer entries under a table with control codes, a third
// of them sharing their originals, with a JSON translation of every entry; and the same template with the
// game's font and a text box.
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "benchfixture.h"
#include "commands.h"
#include "editor/entrytexts.h"
#include "editor/freespace.h"
#include "files/asciitext.h"
#include "files/common.h"
#include "font/gamefont.h"
#include "qa/checks.h"
#include "templates/gametemplate.h"

namespace rq::bench {

constexpr int kStrings = 10000;
constexpr int kDistinct = 7000;  // string i reads as string i % kDistinct
constexpr std::uint64_t kStringsAt = 0x10000;
constexpr std::uint64_t kFreeAt = 0xA0000;
constexpr std::uint64_t kFontAt = 0xB0000;
constexpr std::uint64_t kFileSize = kFontAt + 0x900;

// A 1-bit font of 256 glyphs with their widths after them, and a dialogue box of one line that a long text
// overruns.
constexpr char kFontSections[] =
    "[Font]\nOffset=B0000\nGlyphs=256\nFormat=1bpp\nWidths=B0800\n"
    "[Box]\nWidth=160\nLines=1\nCodeWidths=<Name>:48,<Color>:0\n";

// Glyph g's rows are g, g+1, ... and its advance 4 to 7 pixels.
inline void writeFont(std::string& game) {
    for (std::size_t glyph = 0; glyph < 256; ++glyph) {
        for (std::size_t row = 0; row < 8; ++row) {
            game[kFontAt + glyph * 8 + row] = static_cast<char>(glyph + row);
        }
        game[kFontAt + 0x800 + glyph] = static_cast<char>(4 + glyph % 4);
    }
}

// "HELLO <Name> THE<Color><$2A> KEY IS ABC." in bytes, a different word, parameter and name for each id.
inline std::string stringBytes(int id) {
    static const char* const kWords[] = {"HELLO", "THE", "KEY", "IS", "UNDER", "MAT", "GO", "NORTH"};
    std::string bytes = std::string(kWords[id % 8]) + " \xF0 " + kWords[(id / 8) % 8] + "\xF1" +
                        static_cast<char>(id % 256) + " " + kWords[(id / 64) % 8] + " ";
    for (int n = id, digit = 0; digit < 3; ++digit, n /= 26) {
        bytes += static_cast<char>('A' + n % 26);
    }
    return bytes + (id % 5 == 0 ? ".\xFE" : ".");
}

// A third kept, a third longer (they move to free space), a third without a control code and with a
// double space.
inline std::string translated(const std::string& text, int i) {
    if (i % 3 == 0) {
        return text;
    }
    if (i % 3 == 1) {
        return text + " OK";
    }
    std::string changed = text;
    if (const auto name = changed.find("<Name>"); name != std::string::npos) {
        changed.replace(name, 6, " ");
    }
    return changed;
}

inline std::string jsonString(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c == '\n'               ? std::string("\\n")
                  : c == '"' || c == '\\' ? std::string("\\") + c
                                          : std::string(1, c);
    }
    return quoted + "\"";
}

struct QaFixture {
    std::filesystem::path folder;
    std::string templatePath;
    std::string fontTemplatePath;  // the same with a font and a box
    std::string gamePath;
    std::string textsPath;

    QaFixture() {
        folder = std::filesystem::temp_directory_path() / ("romquill-qa-bench-" + std::to_string(::getpid()));
        std::string table = "20= \n2E=.\n/00\n$F0=<Name>,0\n$F1=<Color>,1\n*FE\n";
        for (char letter = 'A'; letter <= 'Z'; ++letter) {
            table += rq::files::hexText(static_cast<unsigned char>(letter), 2) + "=" + letter + "\n";
        }
        rq::bench::writeFile(folder / "plugins/alphabets/q.tbl", table);
        const std::string plain =
            "[TextFormattingSystem]\nNumberOfEntries=0\n0=q.tbl\n[Pointers]\nFormat=le32\n"
            "[PointerTable1]\nOffset=0\nCount=" +
            std::to_string(kStrings) +
            "\nTextFormat=0\nComment=Line\n[FreeSpace]\nRanges=" + rq::files::hexText(kFreeAt) + "-" +
            rq::files::hexText(kFontAt) + "\n";
        rq::bench::writeFile(folder / "plugins/games/q.ini", plain);
        rq::bench::writeFile(folder / "plugins/games/qf.ini", plain + kFontSections);
        std::string game(kFileSize, '\xFF');
        writeFont(game);
        std::uint64_t at = kStringsAt;
        for (int i = 0; i < kStrings; ++i) {
            const std::string bytes = stringBytes(i % kDistinct) + '\0';
            for (int b = 0; b < 4; ++b) {
                game[static_cast<std::size_t>(i) * 4 + b] = static_cast<char>((at >> (8 * b)) & 0xFF);
            }
            game.replace(at, bytes.size(), bytes);
            at += bytes.size();
        }
        gamePath = (folder / "game.bin").string();
        rq::bench::writeFile(gamePath, game);
        rq::files::setApplicationFolder(folder.string());
        templatePath = rq::files::gameTemplatePath("q.ini");
        fontTemplatePath = rq::files::gameTemplatePath("qf.ini");

        const auto gameTemplate = rq::templates::readGameTemplate(templatePath);
        const auto read = rq::editor::readEntryTexts(*gameTemplate, gamePath);
        std::string json = "{\"entries\": [";
        for (int i = 0; i < kStrings; ++i) {
            json += (i == 0 ? "\n" : ",\n") + std::string("{\"entry\": ") + std::to_string(i + 1) +
                    ", \"text\": " + jsonString(translated(read.texts[static_cast<std::size_t>(i)], i)) + "}";
        }
        textsPath = (folder / "texts.json").string();
        rq::bench::writeFile(textsPath, json + "\n]}\n");
    }
    ~QaFixture() {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
};

inline QaFixture& qaFixture() {
    static QaFixture f;
    return f;
}

inline void runVerb(benchmark::State& state, const std::vector<std::string>& args, int expected) {
    for (auto _ : state) {
        std::ostringstream out, err;
        if (rq::cli::run(args, {out, err}) != expected) {
            state.SkipWithError(err.str().c_str());
            return;
        }
        benchmark::DoNotOptimize(out.str());
    }
}

// The qa verb on the fixture's game file and translation, under a template: errors found, as the texts hold.
inline void runQa(benchmark::State& state, const std::string& templatePath) {
    const auto& f = qaFixture();
    runVerb(state, {"qa", "--template", templatePath, f.gamePath, f.textsPath, "--json"},
            rq::cli::kExitRefused);
}

// The checks alone on texts already read, the template's font (if any) read once.
inline void runCheckScript(benchmark::State& state, const std::string& templatePath) {
    const auto& f = qaFixture();
    const auto gameTemplate = rq::templates::readGameTemplate(templatePath);
    const auto read = rq::editor::readEntryTexts(*gameTemplate, f.gamePath);
    const auto moving = rq::editor::movingRooms(*gameTemplate, read.rooms, f.gamePath);
    const auto font = rq::font::TemplateFont::read(*gameTemplate, f.gamePath);
    std::vector<std::string> translations;
    for (std::size_t i = 0; i < read.texts.size(); ++i) {
        translations.push_back(translated(read.texts[i], static_cast<int>(i)));
    }
    std::size_t problems = 0;
    for (auto _ : state) {
        problems =
            rq::qa::checkScript({&*gameTemplate, read.texts, translations, read.rooms, moving, font->get()})
                .size();
        benchmark::DoNotOptimize(problems);
    }
    state.counters["problems"] = static_cast<double>(problems);
}

}  // namespace rq::bench
