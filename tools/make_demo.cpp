// Writes the demo game file: a small Mega Drive image that the launcher accepts as valid but knows no game
// of, holding the texts of the demo template. The texts go in through the program's own save, so they lie
// exactly where the template says, encoded in the demo alphabets.
//
// Usage: romquill-make-demo [PROGRAM_FOLDER] OUTPUT
//   PROGRAM_FOLDER holds plugins/games/demo.ini and plugins/alphabets/ (the repository's data/ will do); by
//   default the folder the tool lies in, as installed beside the programs.

#include <array>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>

#include "editor/entrytexts.h"
#include "files/common.h"

namespace {

constexpr std::size_t kImageSize = 0x400;

struct Field {
    std::size_t offset;
    std::string_view text;
};

// The header fields identification and the header editor read; the product code is no known game's.
constexpr std::array kHeader = {
    Field{0x100, "SEGA MEGA DRIVE "}, Field{0x110, "(C)RQL 2026.DEC "}, Field{0x120, "ROMQUILL DEMO"},
    Field{0x150, "ROMQUILL DEMO"},    Field{0x180, "GM RQDEMO01-00"},   Field{0x1F0, "JUE"},
};

// One text per entry of demo.ini, in entry order.
constexpr std::array<std::string_view, 8> kTexts = {
    "ROMQUILL DEMO",
    "Press Start",
    "Options",
    "Score = 100",
    "Game Over",
    "Hello, traveller!",
    "The key is under the mat.",
    "See you soon!",
};

bool writeBlankImage(const std::string& path) {
    std::string image(kImageSize, '\0');
    // Unused header bytes are blanks, as in a cartridge header.
    image.replace(0x100, 0x100, 0x100, ' ');
    for (const auto& field : kHeader) {
        image.replace(field.offset, field.text.size(), field.text);
    }
    std::ofstream out(rq::files::fsPath(path), std::ios::binary | std::ios::trunc);
    out.write(image.data(), static_cast<std::streamsize>(image.size()));
    return static_cast<bool>(out.flush());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::cerr << "Usage: romquill-make-demo [PROGRAM_FOLDER] OUTPUT\n";
        return 2;
    }
    const std::string output = argv[argc - 1];
    if (argc == 3) {
        rq::files::setApplicationFolder(argv[1]);
    }
    // Looked for first, so that a wrong folder leaves no blank image behind.
    const std::string demoTemplate = rq::files::appRelativePath("plugins\\games\\demo.ini");
    std::error_code missing;
    if (!std::filesystem::is_regular_file(rq::files::fsPath(demoTemplate), missing)) {
        std::cerr << "romquill-make-demo: there is no demo template \"" << demoTemplate << "\".\n";
        return 1;
    }
    if (!writeBlankImage(output)) {
        std::cerr << "romquill-make-demo: cannot write " << output << '\n';
        return 1;
    }
    const std::vector<std::string> texts(kTexts.begin(), kTexts.end());
    const auto saved = rq::editor::saveEntryTexts(demoTemplate, output, {}, texts);
    if (!saved) {
        std::cerr << "romquill-make-demo: " << saved.error() << '\n';
        return 1;
    }
    std::cout << output << '\n';
    return 0;
}
