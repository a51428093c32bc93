#include "support/catalogue_rows.h"

#include <map>
#include <ostream>
#include <stdexcept>

namespace rq::test {

namespace {

using namespace std::string_literals;

// Mega Drive and Mega-CD header fields; a lock-on cartridge's attached image starts at 2 MB.
constexpr std::uint64_t kCode = 0x183;  // the 11-byte product code, after the "GM " type prefix
constexpr std::uint64_t kChecksum = 0x18E;
constexpr std::uint64_t kRegion = 0x1F0;
constexpr std::uint64_t kMarker = 0x4FB;
constexpr std::uint64_t kAttached = 0x200000;

// Keys are the fields whose every byte the identification must test; extra bytes make the image look real
// or fill a field whose value must merely differ from something.
CatalogueRow row(std::string name, const std::string& extension, std::vector<Patch> keys,
                 const std::vector<Patch>& extra = {}, std::uint64_t size = 0) {
    CatalogueRow result{std::move(name), extension, validHeader(extension), std::move(keys), size};
    result.patches.insert(result.patches.end(), extra.begin(), extra.end());
    result.patches.insert(result.patches.end(), result.keys.begin(), result.keys.end());
    return result;
}

Patch code(std::string productCode, std::uint64_t imageStart = 0) {
    if (productCode.size() != 11) {
        throw std::logic_error("product codes are 11 bytes: " + productCode);
    }
    return Patch{imageStart + kCode, std::move(productCode)};
}

Patch prefix(std::uint64_t imageStart = 0) {
    return Patch{imageStart + kCode - 3, "GM "};
}

// A Mega Drive cartridge ("bin") or a Mega-CD disc ("iso") told by its product code and the given keys.
CatalogueRow sega(std::string name, const std::string& extension, std::string productCode,
                  std::vector<Patch> keys = {}, std::vector<Patch> extra = {}) {
    keys.push_back(code(std::move(productCode)));
    extra.push_back(prefix());
    return row(std::move(name), extension, std::move(keys), extra);
}

// A lock-on cartridge with a second image attached at 2 MB; the file is longer than the lock-on alone.
CatalogueRow lockedOn(std::string name, std::string attachedCode, std::vector<Patch> keys = {},
                      std::vector<Patch> extra = {}) {
    keys.push_back(code("MK-1563 -00"));
    keys.push_back(code(std::move(attachedCode), kAttached));
    extra.insert(extra.end(), {prefix(), prefix(kAttached)});
    return row(std::move(name), "bin", std::move(keys), extra, 2 * kAttached);
}

// Game code "A" + code + region at 0xAC; only the code and the region letter pick the game, and the title
// only where it is given.
CatalogueRow gba(std::string name, std::string code, std::string region, std::string title = {}) {
    std::vector<Patch> keys = {{0xAD, std::move(code)}, {0xAF, std::move(region)}};
    std::vector<Patch> extra = {{0xAC, "A"}, {0xB0, "8P"}};
    (title.empty() ? extra : keys).push_back({0xA0, title.empty() ? "ROMQUILLTEST" : title});
    return row(std::move(name), "gba", std::move(keys), extra);
}

// The 156-byte logo bitmap every GBA cartridge header carries at 0x04.
const std::string& gbaLogo() {
    static const std::string logo =
        "\x24\xFF\xAE\x51\x69\x9A\xA2\x21\x3D\x84\x82\x0A\x84\xE4\x09\xAD\x11\x24\x8B\x98\xC0\x81\x7F\x21"
        "\xA3\x52\xBE\x19\x93\x09\xCE\x20\x10\x46\x4A\x4A\xF8\x27\x31\xEC\x58\xC7\xE8\x33\x82\xE3\xCE\xBF"
        "\x85\xF4\xDF\x94\xCE\x4B\x09\xC1\x94\x56\x8A\xC0\x13\x72\xA7\xFC\x9F\x84\x4D\x73\xA3\xCA\x9A\x61"
        "\x58\x97\xA3\x27\xFC\x03\x98\x76\x23\x1D\xC7\x61\x03\x04\xAE\x56\xBF\x38\x84\x00\x40\xA7\x0E\xFD"
        "\xFF\x52\xFE\x03\x6F\x95\x30\xF1\x97\xFB\xC0\x85\x60\xD6\x80\x25\xA9\x63\xBE\x03\x01\x4E\x38\xE2"
        "\xF9\xA2\x34\xFF\xBB\x3E\x03\x44\x78\x00\x90\xCB\x88\x11\x3A\x94\x65\xC0\x7C\x63\x87\xF0\x3C\xAF"
        "\xD6\x25\xE4\x8B\x38\x0A\xAC\x72\x21\xD4\xF8\x07"s;
    return logo;
}

std::vector<CatalogueRow> makeRows() {
    // Built here rather than at namespace scope: test suites read the rows while statics are initialised.
    const std::string a5 = "\xA5";
    const std::string sonicBlast = "GG SONIC 96" + std::string(11, ' ') + "Ver E3 ROM1996/05/01";
    const std::string msSonic2 = "MS SONIC" + a5 + "THE" + a5 + "HEDGEHOG.2 Ver";
    const Patch busError{kMarker, "BUS ERROR"};

    std::vector<CatalogueRow> rows = {
        sega("Sonic The Hedgehog 1 - Revision 0", "bin", "00001009-00"),
        sega("Sonic The Hedgehog 1 - Revision 1", "bin", "00004049-01", {busError, {kChecksum, "\xAF\xC7"}}),
        sega("Sonic The Hedgehog 1 - Revision 2", "bin", "00004049-01", {busError},
             {{kChecksum, "\xAF\xC8"}}),
        sega("Sonic The Hedgehog 2 - Beta", "bin", "00004049-01", {{kMarker, "R" + std::string(8, ' ')}}),
        sega("Sonic The Hedgehog 2", "bin", "00001051-01"),
        sega("Sonic The Hedgehog 3", "bin", "MK-1079 -00"),
        row("Sonic && Knuckles", "bin", {code("MK-1563 -00")}, {prefix()}, kAttached),
        sega("Sonic 3D - Flickies' Island", "bin", "MK-1844 -00"),
        sega("Sonic Eraser", "bin", "00054503-00"),
        sega("Dr Robotnik's Mean Bean Machine", "bin", "MK-1706 -00"),
        sega("Dr Robotnik's Mean Bean Machine - Beta", "bin", "?\?-???? -00"),
        sega("Sonic Crackers", "bin", "XXXXXXXX-XX"),
        sega("Sonic Spinball - Beta", "bin", "T-????? -00"),
        sega("Sonic Compilation", "bin", "MK-1190 -01"),
        sega("Sonic Spinball (J)", "bin", "G-4112  -00"),
        sega("Sonic Spinball (U) - Revision 1", "bin", "MK-1537 -00", {{kRegion, "U"}}),
        sega("Sonic Spinball (E)", "bin", "MK-1537 -00", {{kRegion, "E"}}),
        sega("Sonic Spinball (U) - Revision 0", "bin", "\x4E\x4B\x2D\x31\x01\x33\x01\x20\x2D\x30\x30"),

        // Lock-on cartridge with an attached image.
        lockedOn("Sonic 1 && Knuckles (Revision 0)", "00001009-00"),
        lockedOn("Sonic 1 && Knuckles (Revision 1)", "00004049-01",
                 {{kAttached + kMarker, "BUS ERROR"}, {kAttached + kChecksum, "\xAF\xC7"}}),
        lockedOn("Sonic 1 && Knuckles (Revision 2)", "00004049-01", {{kAttached + kMarker, "BUS ERROR"}},
                 {{kAttached + kChecksum, "\x12\x34"}}),
        lockedOn("Sonic 1 && Knuckles (Sonic 2 Beta)", "00004049-01"),
        lockedOn("Sonic 2 && Knuckles", "00001051-01"),
        lockedOn("Sonic 3 && Knuckles", "MK-1079 -00"),
        // Any other attached code: none of its bytes is a key.
        row("Sonic && Knuckles with a random Megadrive ROM", "bin", {code("MK-1563 -00")},
            {prefix(), prefix(kAttached), code("MK-1706 -00", kAttached)}, 2 * kAttached),

        sega("Sonic CD (J)", "iso", "G-6021  -00"),
        sega("Sonic CD (U)", "iso", "MK-4407 -00"),
        sega("Sonic CD (E)", "iso", "MK-4407-00 ", {{kRegion, "E"}}),
        sega("Sonic CD 920 (Pre-release)", "iso", "MK-4407-00 ", {{kRegion, "U"}}),
        sega("Sonic CD 510 (Beta)", "iso", "00000000-00", {{0x20B, "z"}}),
        sega("Sonic CD 712 (Beta)", "iso", "00000000-00", {{0x20B, "d"}}),

        row("Sonic The Hedgehog - Master System", "sms", {{0x1FA, "=2G"}}),
        row("Sonic The Hedgehog 2 - Master System - Revision 1.00", "sms",
            {{0xC0, msSonic2}, {0xDB, "1.00 1992/09/05"}}),
        row("Sonic The Hedgehog 2 - Master System - Revision 2.20", "sms",
            {{0xC0, msSonic2}, {0xDB, "2.20 1992/12/09"}}),
        row("Sonic Blast - Master System", "sms", {{0xC0, sonicBlast}}),
        row("Sonic Chaos - Master System", "sms", {{0xC0, "MS SONIC" + a5 + "CHAOS"}}),
        row("Sonic Spinball - Master System", "sms", {{0x205, "0J!"}}),
        row("Dr Robotnik's Mean Bean Machine - Master System", "sms", {{0xD0, "RA>"}}),

        row("Tails' Adventures", "gg", {{0xC0, "GG TAILS ADVENTURES"}}),
        row("Sonic Blast - Game Gear", "gg", {{0xC0, sonicBlast}}),
        row("Sonic Chaos - Game Gear", "gg", {{0xC0, "GG SONIC" + a5 + "CHAOS"}}),
        row("Sonic && Tails - Game Gear", "gg", {{0xC0, "GG SONIC & TAILS  < Ver1.01 >   1993/09/07"}}),
        row("Sonic && Tails 2", "gg", {{0xC0, "GG SONIC & TAILS        Ver 1.001994/07/30"}}),
        row("Sonic The Hedgehog 2 - Game Gear", "gg",
            {{0xC0, "GG SONIC" + a5 + "THE" + a5 + "HEDGEHOG.2 Ver1.10 1992/09/12"}}),
        row("Sonic - Triple Trouble", "gg", {{0xC0, "GG SONIC THE HEDGEHOG   Ver 1.001994/08/02"}}),
        row("Sonic Drift", "gg", {{0x00, "\x3E\x30\xD3\x05\xC3\xB9"}}),
        row("Sonic Drift 2", "gg", {{0x00, "\x3E\x30\xD3\x05\xC3\x0E"}}),
        row("Tails' Sky Patrol", "gg", {{0x00, "\xC3\x9B\x00\x00\x00\x00\x00\x00\xE1\xE7\xE9\x00\x00\x00"s}}),
        row("Sonic Labyrinth", "gg", {{0x00, "\xF3\xED\x56\xC3\x1C\x02\x00\x00"s}}),
        row("Sonic Spinball - Game Gear", "gg", {{0x00, "\xF3\xED\x56\xC3\xBA\x02\xFF\x00"s}}),
        row("Dr Robotnik's Mean Bean Machine - Game Gear", "gg",
            {{0x00, "\xF3\xED\x56\x3E\xFF\xD3\x02\x3E"}}),
        row("Sonic The Hedgehog - Game Gear (Prototype)", "gg",
            {{0x03, "\xDB\x7E\xFE\xB0\x20"}, {0x39, "\x76"}}),
        row("Sonic The Hedgehog - Game Gear", "gg", {{0x03, "\xDB\x7E\xFE\xB0\x20"}, {0x39, "\x73"}}),
        row("Sonic The Hedgehog - Game Gear (Revision 1)", "gg",
            {{0x03, "\xDB\x7E\xFE\xB0\x20"}, {0x39, "\x3B"}}),

        row("Chaotix (PAL)", "32x", {{kRegion, "A  "}}),
        row("Chaotix (NTSC)", "32x", {{kRegion, "5  "}}),
        row("Sonic Adventure DX PC (E)", "exe", {{0x3E04FD, "Now, you can play with SONIC!"}}),
        row("Sonic Adventure DX PC (J)", "exe", {{0x3E050D, "Now, you can play with SONIC!"}}),

        row("Sonic Pocket Adventure", "npc", {{0x24, "SONIC POCKET"}}),
        row("Chao Garden (U) (SADX Rip)", "mb", {{0xA0, "CHAO A"}}),
        row("NiGHTS (U) (PSO Rip)", "mb", {{0xA0, "NIGHTS"}}),
    };
    // Game Boy Advance cartridges: the region letter J, E, P gives (J), (U), (E).
    for (const auto& [gameCode, title] :
         {std::pair{"SO", "Sonic Advance"}, std::pair{"2N", "Sonic Advance 2"},
          std::pair{"SB", "Sonic Battle"}, std::pair{"3V", "Sonic Pinball Party"}}) {
        for (const auto& [region, market] :
             {std::pair{"J", " (J)"}, std::pair{"E", " (U)"}, std::pair{"P", " (E)"}}) {
            rows.push_back(gba(title + std::string(market), gameCode, region));
        }
    }
    rows.insert(rows.end(), {gba("Sonic Advance 3 (J)", "3S", "J"), gba("Sonic Advance 3 (U)", "3S", "E"),
                             gba("Sonic Advance 3 (E)", "3S", "P", "SONIC ADVANC"),
                             gba("Sonic Advance 3 (E) (Release Candidate)", "3S", "P", "SONICADVANC3")});
    return rows;
}

}  // namespace

std::vector<Patch> validHeader(std::string_view extension) {
    static const std::map<std::string_view, std::vector<Patch>> headers = {
        {"bin", {{0x100, "SEGA MEGA DRIVE"}}},
        {"iso", {{0x100, "SEGA MEGA DRIVE"}}},
        {"sms", {{0x7FF0, "TMR SEGA"}}},
        {"gg", {{0x7FF0, "TMR SEGA"}}},
        {"32x", {{0x100, "SEGA 32X       "}, {kCode, "MK-84503"}}},
        {"exe", {{0x00, "MZ"}}},
        {"gba", {{0x04, gbaLogo()}}},
        {"npc", {{0x00, "COPYRIGHT BY SNK CORPORATION"}}},
        {"mb", {}},
    };
    return headers.at(extension);
}

const std::vector<CatalogueRow>& catalogueRows() {
    static const std::vector<CatalogueRow> rows = makeRows();
    return rows;
}

void PrintTo(const CatalogueRow& row, std::ostream* out) {
    *out << '"' << row.name << "\" (." << row.extension << ')';
}

std::string writeRowImage(const CatalogueRow& row, const std::filesystem::path& folder) {
    const std::string path = (folder / (testName(row.name) + "." + row.extension)).string();
    writeImage(path, row.patches, row.size);
    return path;
}

}  // namespace rq::test
