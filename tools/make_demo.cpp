// Writes the demo game file: a small Mega Drive image that the launcher accepts as valid but knows no game
// of, holding the texts of the demo templates (and the pointers to the script's texts) and the small font
// of demo-font.ini. The texts go in through the program's own save, so they lie exactly where the templates
// say, encoded in the demo alphabets and the demo tables.
//
// Usage: romquill-make-demo [PROGRAM_FOLDER] OUTPUT
//   PROGRAM_FOLDER holds plugins/games/demo.ini, demo-script.ini, demo-font.ini and plugins/alphabets/ (the
//   repository's data/ will do); by default the folder the tool lies in, as installed beside the programs.

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>

#include "editor/entrytexts.h"
#include "files/common.h"
#include "headers/headerfields.h"
#include "templates/gametemplate.h"
#include "templates/table.h"

namespace {

constexpr std::size_t kImageSize = 0x1000;

struct Field {
    std::size_t offset;
    std::string_view text;
};

// The cells through which demo-pointers.ini finds the strings of demo-script.ini: big-endian offsets.
constexpr std::string_view kPointerCells{"\0\0\x03\x00\0\0\x03\x20\0\0\x03\x50\0\0\x03\x70", 16};
constexpr std::size_t kPointerCellsAt = 0x3F0;

// The cartridge header, laid out as the header editor reads it: "(C)", the company code in four, a space,
// the year, "." and the month; the product number "GM XXXXXXXX-VV"; the address ranges of ROM and RAM. The
// product code is no known game's. The checksum at 0x18E is written last, over the finished file.
constexpr std::array kHeader = {
    Field{0x100, "SEGA MEGA DRIVE "},
    Field{0x110, "(C)RQL  2026.DEC"},
    Field{0x120, "ROMQUILL DEMO"},
    Field{0x150, "ROMQUILL DEMO"},
    Field{0x180, "GM RQDEMO01-00"},
    Field{0x190, "J"},
    Field{0x1A0, std::string_view("\0\0\0\0\0\0\x0F\xFF\0\xFF\0\0\0\xFF\xFF\xFF", 16)},
    Field{0x1F0, "JUE"},
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

// One text per entry of demo-script.ini, in entry order: Russian dialogue in the table's script, with its
// pairs written in one byte, a pause with its parameter byte and two-byte guillemets.
constexpr std::array<std::string_view, 4> kScriptTexts = {
    "Привет, путник!",
    "Ключ и карта лежат\nпод ковриком.",
    "Кто там?<Pause><$3C> Это ты?",
    "«До встречи, друг!»",
};

// The dialogue entries of demo-font.ini (6 to 8), in entry order; its entries 1 to 5 are those of demo.ini.
// One nearly fills its window's line; one goes on in a second window.
constexpr std::array<std::string_view, 3> kFontTexts = {
    "Welcome back, <Name>!\nThe gate is open now.",
    "The key is under the mat.\nTake it before nightfall.<Next>And mind the dog: it bites!",
    "Good luck out there!",
};
// Where demo-font.ini's dialogue strings lie; laid out as end tokens, so each reads as empty at first.
constexpr std::size_t kFontTextsAt = 0x400;
constexpr std::size_t kFontTextsEnd = 0x4B0;
constexpr char kFontEndToken = '\xFF';

// The demo font: one glyph a code of demo-menu.ini and demo-font.tbl, in code order from 00. Each glyph is
// its rows from the top, "/" between them ("#" ink), as wide as the glyph; rows left out are blank. Capitals
// and digits stand on row 6, descenders take row 7. A glyph advances its width and one pixel of space.
constexpr std::array<std::string_view, 71> kGlyphs = {
    "../../../../../../..",  // space
    ".##./#..#/#..#/####/#..#/#..#/#..#",
    "###./#..#/#..#/###./#..#/#..#/###.",
    ".##./#..#/#.../#.../#.../#..#/.##.",
    "###./#..#/#..#/#..#/#..#/#..#/###.",
    "####/#.../#.../###./#.../#.../####",
    "####/#.../#.../###./#.../#.../#...",
    ".##./#..#/#.../#.##/#..#/#..#/.###",
    "#..#/#..#/#..#/####/#..#/#..#/#..#",
    "###/.#./.#./.#./.#./.#./###",
    "..##/...#/...#/...#/...#/#..#/.##.",
    "#..#/#..#/#.#./##../#.#./#..#/#..#",
    "#.../#.../#.../#.../#.../#.../####",
    "#...#/##.##/#.#.#/#.#.#/#...#/#...#/#...#",
    "#..#/##.#/##.#/#.##/#.##/#..#/#..#",
    ".##./#..#/#..#/#..#/#..#/#..#/.##.",
    "###./#..#/#..#/###./#.../#.../#...",
    ".##./#..#/#..#/#..#/#..#/#.#./.#.#",
    "###./#..#/#..#/###./#.#./#..#/#..#",
    ".##./#..#/#.../.##./...#/#..#/.##.",
    "#####/..#../..#../..#../..#../..#../..#..",
    "#..#/#..#/#..#/#..#/#..#/#..#/.##.",
    "#...#/#...#/#...#/.#.#./.#.#./..#../..#..",
    "#...#/#...#/#...#/#.#.#/#.#.#/##.##/#...#",
    "#...#/#...#/.#.#./..#../.#.#./#...#/#...#",
    "#...#/#...#/.#.#./..#../..#../..#../..#..",
    "#####/....#/...#./..#../.#.../#..../#####",
    "..../..../.##./...#/.###/#..#/.###",
    "#.../#.../###./#..#/#..#/#..#/###.",
    ".../.../.##/#../#../#../.##",
    "...#/...#/.###/#..#/#..#/#..#/.###",
    "..../..../.##./#..#/####/#.../.##.",
    ".##/#../###/#../#../#../#..",
    "..../..../.###/#..#/#..#/.###/...#/.##.",
    "#.../#.../###./#..#/#..#/#..#/#..#",
    "#/./#/#/#/#/#",
    ".#/../.#/.#/.#/.#/.#/#.",
    "#.../#.../#..#/#.#./##../#.#./#..#",
    "#./#./#./#./#./#./.#",
    "...../...../####./#.#.#/#.#.#/#.#.#/#.#.#",
    "..../..../###./#..#/#..#/#..#/#..#",
    "..../..../.##./#..#/#..#/#..#/.##.",
    "..../..../###./#..#/#..#/###./#.../#...",
    "..../..../.###/#..#/#..#/.###/...#/...#",
    ".../.../#.#/##./#../#../#..",
    "..../..../.###/#.../.##./...#/###.",
    ".#./.#./###/.#./.#./.#./..#",
    "..../..../#..#/#..#/#..#/#..#/.###",
    "...../...../#...#/#...#/.#.#./.#.#./..#..",
    "...../...../#...#/#...#/#.#.#/#.#.#/.#.#.",
    "..../..../#..#/#..#/.##./#..#/#..#",
    "..../..../#..#/#..#/#..#/.###/...#/.##.",
    "..../..../####/..#./.#../#.../####",
    ".##./#..#/#.##/##.#/#..#/#..#/.##.",
    ".#./##./.#./.#./.#./.#./###",
    ".##./#..#/...#/..#./.#../#.../####",
    "###./...#/...#/.##./...#/...#/###.",
    "#..#/#..#/#..#/####/...#/...#/...#",
    "####/#.../#.../###./...#/...#/###.",
    ".##./#.../#.../###./#..#/#..#/.##.",
    "####/...#/...#/..#./..#./.#../.#..",
    ".##./#..#/#..#/.##./#..#/#..#/.##.",
    ".##./#..#/#..#/.###/...#/...#/.##.",
    "#/#/#/#/#/./#",                       // !
    ".##./#..#/...#/..#./.#../..../.#..",  // ?
    "./././././.#",                        // .
    "../../../../../../.#/#.",             // ,
    "#/#",                                 // '
    ".../.../.../###",                     // -
    ".../.../###/.../###",                 // =
    "./././#/././#",                       // :
};
constexpr std::size_t kFontAt = 0x500;
constexpr std::size_t kWidthsAt = 0xE00;
constexpr std::uint8_t kInk = 1;  // the palette colour of a glyph's pixels

// The font in Mega Drive tiles (4 bytes a row, the left pixel in the high nibble) and its width table.
void writeFont(std::string& image) {
    for (std::size_t glyph = 0; glyph < kGlyphs.size(); ++glyph) {
        const std::string_view rows = kGlyphs[glyph];
        std::size_t width = 0;
        std::size_t y = 0;
        for (std::size_t begin = 0; begin <= rows.size(); ++y) {
            const std::size_t end = std::min(rows.find('/', begin), rows.size());
            const std::string_view row = rows.substr(begin, end - begin);
            width = std::max(width, row.size());
            for (std::size_t x = 0; x < row.size(); ++x) {
                if (row[x] == '#') {
                    auto& byte = image[kFontAt + glyph * 32 + y * 4 + x / 2];
                    byte = static_cast<char>(byte | (x % 2 == 0 ? kInk << 4 : kInk));
                }
            }
            begin = end + 1;
        }
        image[kWidthsAt + glyph] = static_cast<char>(width + 1);
    }
}

// Bytes laid out in the blank image before any text is saved.
struct Reserved {
    std::size_t offset;
    std::string bytes;
};

// The save writes an ended string in place of the one it reads there, with the same end token. The blank
// image's zero bytes are the table's end token, so an entry with Length reads as an empty string ended at
// its start and its room is its Length. An entry without Length has the room of the string as read: here
// the end token alone, too small for any text. So its room is laid out first as the table's spaces, as many
// bytes as its text takes, then the end token; the save checks the text against that room and writes it.
rq::Result<std::vector<Reserved>> endedRooms(const rq::templates::GameTemplate& gameTemplate) {
    std::vector<Reserved> rooms;
    for (std::size_t i = 0; i < gameTemplate.entries.size() && i < kScriptTexts.size(); ++i) {
        const auto& entry = gameTemplate.entries[i];
        if (!entry.table || entry.lengthGiven) {
            continue;
        }
        const auto& codes = entry.table->entries();
        const auto end =
            std::ranges::find(codes, rq::templates::Table::Kind::End, &rq::templates::Table::Entry::kind);
        const auto bytes = entry.table->encode(std::string(kScriptTexts[i]));
        const auto space = entry.table->spaceCode();
        if (end == codes.end() || !bytes || !space || space->size() != 1) {
            return rq::Error{"the table " + entry.table->path() + " cannot lay out the room of entry " +
                             std::to_string(entry.number) + "."};
        }
        rooms.push_back(
            {static_cast<std::size_t>(entry.offset), std::string(bytes->size(), space->front()) + end->code});
    }
    return rooms;
}

bool writeBlankImage(const std::string& path, const std::vector<Reserved>& reserved) {
    std::string image(kImageSize, '\0');
    // Unused header bytes are blanks, as in a cartridge header.
    image.replace(0x100, 0x100, 0x100, ' ');
    for (const auto& field : kHeader) {
        image.replace(field.offset, field.text.size(), field.text);
    }
    for (const auto& room : reserved) {
        image.replace(room.offset, room.bytes.size(), room.bytes);
    }
    image.replace(kPointerCellsAt, kPointerCells.size(), kPointerCells);
    image.replace(kFontTextsAt, kFontTextsEnd - kFontTextsAt, kFontTextsEnd - kFontTextsAt, kFontEndToken);
    writeFont(image);
    std::ofstream out(rq::files::fsPath(path), std::ios::binary | std::ios::trunc);
    out.write(image.data(), static_cast<std::streamsize>(image.size()));
    return static_cast<bool>(out.flush());
}

// demo-font.ini's dialogue, saved as the script's is, over the strings as read; its menu texts are
// demo.ini's, already written.
rq::Result<std::vector<rq::editor::EntryEdit>> saveFontTexts(const std::string& fontTemplate,
                                                             const std::string& output) {
    const auto gameTemplate = rq::templates::readGameTemplate(fontTemplate);
    if (!gameTemplate) {
        return gameTemplate.failure();
    }
    const auto read = rq::editor::readEntryTexts(*gameTemplate, output);
    std::vector<std::string> texts(kTexts.begin(), kTexts.begin() + 5);
    texts.insert(texts.end(), kFontTexts.begin(), kFontTexts.end());
    return rq::editor::saveEntryTexts(fontTemplate, output, read.texts, texts, read.rooms);
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
    const std::string scriptTemplate = rq::files::appRelativePath("plugins\\games\\demo-script.ini");
    const std::string fontTemplate = rq::files::appRelativePath("plugins\\games\\demo-font.ini");
    for (const auto& path : {demoTemplate, scriptTemplate, fontTemplate}) {
        std::error_code missing;
        if (!std::filesystem::is_regular_file(rq::files::fsPath(path), missing)) {
            std::cerr << "romquill-make-demo: there is no demo template \"" << path << "\".\n";
            return 1;
        }
    }
    auto script = rq::templates::readGameTemplate(scriptTemplate);
    if (!script) {
        std::cerr << "romquill-make-demo: " << script.error() << '\n';
        return 1;
    }
    const auto reserved = endedRooms(*script);
    if (!reserved) {
        std::cerr << "romquill-make-demo: " << reserved.error() << '\n';
        return 1;
    }
    if (!writeBlankImage(output, *reserved)) {
        std::cerr << "romquill-make-demo: cannot write " << output << '\n';
        return 1;
    }
    const std::vector<std::string> texts(kTexts.begin(), kTexts.end());
    auto saved = rq::editor::saveEntryTexts(demoTemplate, output, {}, texts);
    if (saved) {
        // Saved over the strings as read, each in its room with its end token.
        const auto read = rq::editor::readEntryTexts(*script, output);
        const std::vector<std::string> scriptTexts(kScriptTexts.begin(), kScriptTexts.end());
        saved = rq::editor::saveEntryTexts(scriptTemplate, output, read.texts, scriptTexts, read.rooms);
    }
    if (saved) {
        saved = saveFontTexts(fontTemplate, output);
    }
    if (!saved) {
        std::cerr << "romquill-make-demo: " << saved.error() << '\n';
        return 1;
    }
    if (const auto summed = rq::headers::fixChecksum(output, rq::headers::Kind::MegaDrive); !summed) {
        std::cerr << "romquill-make-demo: " << summed.error() << '\n';
        return 1;
    }
    std::cout << output << '\n';
    return 0;
}
