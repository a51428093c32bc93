// Writes the demo game file: a small Mega Drive image that the launcher accepts as valid but knows no game
// of, holding the texts of the demo templates (and the pointers to the script's texts). The texts go in
// through the program's own save, so they lie exactly where the templates say, encoded in the demo alphabets
// and the demo table.
//
// Usage: romquill-make-demo [PROGRAM_FOLDER] OUTPUT
//   PROGRAM_FOLDER holds plugins/games/demo.ini, plugins/games/demo-script.ini and plugins/alphabets/ (the
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

constexpr std::size_t kImageSize = 0x400;

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
    Field{0x1A0, std::string_view("\0\0\0\0\0\0\x03\xFF\0\xFF\0\0\0\xFF\xFF\xFF", 16)},
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
    const std::string scriptTemplate = rq::files::appRelativePath("plugins\\games\\demo-script.ini");
    for (const auto& path : {demoTemplate, scriptTemplate}) {
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
