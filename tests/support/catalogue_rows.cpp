#include "support/catalogue_rows.h"

#include <cctype>
#include <ostream>
#include <stdexcept>

namespace rq::test {
namespace {

// Mega Drive and Mega-CD header fields.
constexpr std::uint64_t kConsole = 0x100;
constexpr std::uint64_t kCodeField = 0x180;  // type prefix, then the product code at 0x183
constexpr std::uint64_t kChecksum = 0x18E;
constexpr std::uint64_t kRegion = 0x1F0;
constexpr std::uint64_t kMarker = 0x4FB;
constexpr std::uint64_t kSecondImage = 0x200000;
constexpr std::uint64_t kLockOnSize = 0x200000;

void append(std::vector<Patch>& to, const std::vector<Patch>& more) {
    to.insert(to.end(), more.begin(), more.end());
}

// Keys are the fields whose every byte the identification must test; extra bytes make the image look real
// or fill a field whose value must merely differ from something.
CatalogueRow row(std::string name, std::string extension, std::vector<Patch> keys,
                 const std::vector<Patch>& extra = {}, std::uint64_t size = 0) {
    CatalogueRow result{std::move(name), extension, validHeader(extension), std::move(keys), size};
    append(result.patches, extra);
    append(result.patches, result.keys);
    return result;
}

// The 11-byte product code at 0x183 of the image starting at imageStart, after its type prefix.
Patch productCode(std::uint64_t imageStart, std::string code) {
    if (code.size() != 11) {
        throw std::logic_error("product codes are 11 bytes: " + code);
    }
    return Patch{imageStart + kCodeField + 3, std::move(code)};
}

Patch typePrefix(std::uint64_t imageStart) {
    return Patch{imageStart + kCodeField, "GM "};
}

CatalogueRow megaDrive(std::string name, std::string code, std::vector<Patch> keys = {},
                       std::vector<Patch> extra = {}) {
    keys.push_back(productCode(0, std::move(code)));
    extra.push_back(typePrefix(0));
    return row(std::move(name), "bin", std::move(keys), extra);
}

// A lock-on cartridge with a second image attached at 2 MB; the file is longer than the lock-on alone.
CatalogueRow lockedOn(std::string name, std::string attachedCode, std::vector<Patch> keys = {},
                      std::vector<Patch> extra = {}) {
    keys.push_back(productCode(0, "MK-1563 -00"));
    keys.push_back(productCode(kSecondImage, std::move(attachedCode)));
    extra.push_back(typePrefix(0));
    extra.push_back(typePrefix(kSecondImage));
    return row(std::move(name), "bin", std::move(keys), extra, 2 * kLockOnSize);
}

CatalogueRow megaCd(std::string name, std::string code, std::vector<Patch> keys = {}) {
    keys.push_back(productCode(0, std::move(code)));
    return row(std::move(name), "iso", std::move(keys), {typePrefix(0)});
}

// Game code "A" + code + region at 0xAC; only the code and the region letter pick the game.
CatalogueRow gba(std::string name, std::string code, std::string region) {
    return row(std::move(name), "gba", {{0xAD, code}, {0xAF, region}},
               {{0xA0, "ROMQUILLTEST"}, {0xAC, "A"}, {0xB0, "8P"}});
}

CatalogueRow gbaByTitle(std::string name, std::string title) {
    return row(std::move(name), "gba", {{0xAD, "3S"}, {0xAF, "P"}, {0xA0, title}},
               {{0xAC, "A"}, {0xB0, "8P"}});
}

std::vector<CatalogueRow> makeRows() {
    // Built here rather than at namespace scope: test suites read the rows while statics are initialised.
    const std::string a5 = hexBytes("A5");
    const std::string sonicBlast = "GG SONIC 96" + std::string(11, ' ') + "Ver E3 ROM1996/05/01";

    std::vector<CatalogueRow> rows;
    const auto add = [&rows](CatalogueRow r) { rows.push_back(std::move(r)); };

    // Mega Drive cartridges.
    add(megaDrive("Sonic The Hedgehog 1 - Revision 0", "00001009-00"));
    add(megaDrive("Sonic The Hedgehog 1 - Revision 1", "00004049-01",
                  {{kMarker, "BUS ERROR"}, {kChecksum, hexBytes("AF C7")}}));
    add(megaDrive("Sonic The Hedgehog 1 - Revision 2", "00004049-01", {{kMarker, "BUS ERROR"}},
                  {{kChecksum, hexBytes("AF C8")}}));
    add(megaDrive("Sonic The Hedgehog 2 - Beta", "00004049-01", {{kMarker, "R" + std::string(8, ' ')}}));
    add(megaDrive("Sonic The Hedgehog 2", "00001051-01"));
    add(megaDrive("Sonic The Hedgehog 3", "MK-1079 -00"));
    add(row("Sonic && Knuckles", "bin", {productCode(0, "MK-1563 -00")}, {typePrefix(0)}, kLockOnSize));
    add(megaDrive("Sonic 3D - Flickies' Island", "MK-1844 -00"));
    add(megaDrive("Sonic Eraser", "00054503-00"));
    add(megaDrive("Dr Robotnik's Mean Bean Machine", "MK-1706 -00"));
    add(megaDrive("Dr Robotnik's Mean Bean Machine - Beta",
                  std::string(2, '?') + "-" + std::string(4, '?') + " -00"));
    add(megaDrive("Sonic Crackers", "XXXXXXXX-XX"));
    add(megaDrive("Sonic Spinball - Beta", "T-????? -00"));
    add(megaDrive("Sonic Compilation", "MK-1190 -01"));
    add(megaDrive("Sonic Spinball (J)", "G-4112  -00"));
    add(megaDrive("Sonic Spinball (U) - Revision 1", "MK-1537 -00", {{kRegion, "U"}}));
    add(megaDrive("Sonic Spinball (E)", "MK-1537 -00", {{kRegion, "E"}}));
    add(megaDrive("Sonic Spinball (U) - Revision 0", hexBytes("4E 4B 2D 31 01 33 01 20 2D 30 30")));

    // Lock-on cartridge with an attached image.
    add(lockedOn("Sonic 1 && Knuckles (Revision 0)", "00001009-00"));
    add(lockedOn("Sonic 1 && Knuckles (Revision 1)", "00004049-01",
                 {{kSecondImage + kMarker, "BUS ERROR"}, {kSecondImage + kChecksum, hexBytes("AF C7")}}));
    add(lockedOn("Sonic 1 && Knuckles (Revision 2)", "00004049-01", {{kSecondImage + kMarker, "BUS ERROR"}},
                 {{kSecondImage + kChecksum, hexBytes("12 34")}}));
    add(lockedOn("Sonic 1 && Knuckles (Sonic 2 Beta)", "00004049-01"));
    add(lockedOn("Sonic 2 && Knuckles", "00001051-01"));
    add(lockedOn("Sonic 3 && Knuckles", "MK-1079 -00"));
    // Any other attached code: none of its bytes is a key.
    add(row("Sonic && Knuckles with a random Megadrive ROM", "bin", {productCode(0, "MK-1563 -00")},
            {typePrefix(0), typePrefix(kSecondImage), productCode(kSecondImage, "MK-1706 -00")},
            2 * kLockOnSize));

    // Mega-CD disc images.
    add(megaCd("Sonic CD (J)", "G-6021  -00"));
    add(megaCd("Sonic CD (U)", "MK-4407 -00"));
    add(megaCd("Sonic CD (E)", "MK-4407-00 ", {{kRegion, "E"}}));
    add(megaCd("Sonic CD 920 (Pre-release)", "MK-4407-00 ", {{kRegion, "U"}}));
    add(megaCd("Sonic CD 510 (Beta)", "00000000-00", {{0x20B, "z"}}));
    add(megaCd("Sonic CD 712 (Beta)", "00000000-00", {{0x20B, "d"}}));

    // Master System cartridges.
    const std::string msSonic2 = joined({"MS SONIC", a5, "THE", a5, "HEDGEHOG.2 Ver"});
    add(row("Sonic The Hedgehog - Master System", "sms", {{0x1FA, "=2G"}}));
    add(row("Sonic The Hedgehog 2 - Master System - Revision 1.00", "sms",
            {{0xC0, msSonic2}, {0xDB, "1.00 1992/09/05"}}));
    add(row("Sonic The Hedgehog 2 - Master System - Revision 2.20", "sms",
            {{0xC0, msSonic2}, {0xDB, "2.20 1992/12/09"}}));
    add(row("Sonic Blast - Master System", "sms", {{0xC0, sonicBlast}}));
    add(row("Sonic Chaos - Master System", "sms", {{0xC0, joined({"MS SONIC", a5, "CHAOS"})}}));
    add(row("Sonic Spinball - Master System", "sms", {{0x205, "0J!"}}));
    add(row("Dr Robotnik's Mean Bean Machine - Master System", "sms", {{0xD0, "RA>"}}));

    // Game Gear cartridges.
    add(row("Tails' Adventures", "gg", {{0xC0, "GG TAILS ADVENTURES"}}));
    add(row("Sonic Blast - Game Gear", "gg", {{0xC0, sonicBlast}}));
    add(row("Sonic Chaos - Game Gear", "gg", {{0xC0, joined({"GG SONIC", a5, "CHAOS"})}}));
    add(row("Sonic && Tails - Game Gear", "gg",
            {{0xC0, "GG SONIC & TAILS" + std::string(2, ' ') + "< Ver1.01 >" + std::string(3, ' ') +
                        "1993/09/07"}}));
    add(row("Sonic && Tails 2", "gg",
            {{0xC0, "GG SONIC & TAILS" + std::string(8, ' ') + "Ver 1.001994/07/30"}}));
    add(row("Sonic The Hedgehog 2 - Game Gear", "gg",
            {{0xC0, joined({"GG SONIC", a5, "THE", a5, "HEDGEHOG.2 Ver1.10 1992/09/12"})}}));
    add(row("Sonic - Triple Trouble", "gg",
            {{0xC0, "GG SONIC THE HEDGEHOG" + std::string(3, ' ') + "Ver 1.001994/08/02"}}));
    add(row("Sonic Drift", "gg", {{0x00, hexBytes("3E 30 D3 05 C3 B9")}}));
    add(row("Sonic Drift 2", "gg", {{0x00, hexBytes("3E 30 D3 05 C3 0E")}}));
    add(row("Tails' Sky Patrol", "gg", {{0x00, hexBytes("C3 9B 00 00 00 00 00 00 E1 E7 E9 00 00 00")}}));
    add(row("Sonic Labyrinth", "gg", {{0x00, hexBytes("F3 ED 56 C3 1C 02 00 00")}}));
    add(row("Sonic Spinball - Game Gear", "gg", {{0x00, hexBytes("F3 ED 56 C3 BA 02 FF 00")}}));
    add(row("Dr Robotnik's Mean Bean Machine - Game Gear", "gg",
            {{0x00, hexBytes("F3 ED 56 3E FF D3 02 3E")}}));
    add(row("Sonic The Hedgehog - Game Gear (Prototype)", "gg",
            {{0x03, hexBytes("DB 7E FE B0 20")}, {0x39, "\x76"}}));
    add(row("Sonic The Hedgehog - Game Gear", "gg", {{0x03, hexBytes("DB 7E FE B0 20")}, {0x39, "\x73"}}));
    add(row("Sonic The Hedgehog - Game Gear (Revision 1)", "gg",
            {{0x03, hexBytes("DB 7E FE B0 20")}, {0x39, "\x3B"}}));

    // 32X cartridges.
    add(row("Chaotix (PAL)", "32x", {{kRegion, "A  "}}));
    add(row("Chaotix (NTSC)", "32x", {{kRegion, "5  "}}));

    // PC executables.
    add(row("Sonic Adventure DX PC (E)", "exe", {{0x3E04FD, "Now, you can play with SONIC!"}}));
    add(row("Sonic Adventure DX PC (J)", "exe", {{0x3E050D, "Now, you can play with SONIC!"}}));

    // Game Boy Advance cartridges: the region letter J, E, P gives (J), (U), (E).
    for (const auto& [code, title] :
         {std::pair{"SO", "Sonic Advance"}, std::pair{"2N", "Sonic Advance 2"},
          std::pair{"SB", "Sonic Battle"}, std::pair{"3V", "Sonic Pinball Party"}}) {
        add(gba(std::string(title) + " (J)", code, "J"));
        add(gba(std::string(title) + " (U)", code, "E"));
        add(gba(std::string(title) + " (E)", code, "P"));
    }
    add(gba("Sonic Advance 3 (J)", "3S", "J"));
    add(gba("Sonic Advance 3 (U)", "3S", "E"));
    add(gbaByTitle("Sonic Advance 3 (E)", "SONIC ADVANC"));
    add(gbaByTitle("Sonic Advance 3 (E) (Release Candidate)", "SONICADVANC3"));

    // NeoGeo Pocket Colour and MultiBoot images.
    add(row("Sonic Pocket Adventure", "npc", {{0x24, "SONIC POCKET"}}));
    add(row("Chao Garden (U) (SADX Rip)", "mb", {{0xA0, "CHAO A"}}));
    add(row("NiGHTS (U) (PSO Rip)", "mb", {{0xA0, "NIGHTS"}}));
    return rows;
}

}  // namespace

std::string hexBytes(std::string_view hex) {
    std::string bytes;
    std::string pair;
    for (const char c : hex) {
        if (c == ' ' || c == '\n') {
            continue;
        }
        if (!std::isxdigit(static_cast<unsigned char>(c))) {
            throw std::logic_error("not a hexadecimal digit in " + std::string(hex));
        }
        pair += c;
        if (pair.size() == 2) {
            bytes += static_cast<char>(std::stoi(pair, nullptr, 16));
            pair.clear();
        }
    }
    if (!pair.empty()) {
        throw std::logic_error("odd number of digits in " + std::string(hex));
    }
    return bytes;
}

std::string joined(std::initializer_list<std::string_view> parts) {
    std::string result;
    for (const auto part : parts) {
        result += part;
    }
    return result;
}

const std::string& gbaLogo() {
    static const std::string logo = hexBytes(
        "24 FF AE 51 69 9A A2 21 3D 84 82 0A"
        "84 E4 09 AD 11 24 8B 98 C0 81 7F 21"
        "A3 52 BE 19 93 09 CE 20 10 46 4A 4A"
        "F8 27 31 EC 58 C7 E8 33 82 E3 CE BF"
        "85 F4 DF 94 CE 4B 09 C1 94 56 8A C0"
        "13 72 A7 FC 9F 84 4D 73 A3 CA 9A 61"
        "58 97 A3 27 FC 03 98 76 23 1D C7 61"
        "03 04 AE 56 BF 38 84 00 40 A7 0E FD"
        "FF 52 FE 03 6F 95 30 F1 97 FB C0 85"
        "60 D6 80 25 A9 63 BE 03 01 4E 38 E2"
        "F9 A2 34 FF BB 3E 03 44 78 00 90 CB"
        "88 11 3A 94 65 C0 7C 63 87 F0 3C AF"
        "D6 25 E4 8B 38 0A AC 72 21 D4 F8 07");
    return logo;
}

std::vector<Patch> validHeader(std::string_view extension) {
    if (extension == "bin" || extension == "iso") {
        return {{kConsole, "SEGA MEGA DRIVE"}};
    }
    if (extension == "sms" || extension == "gg") {
        return {{0x7FF0, "TMR SEGA"}};
    }
    if (extension == "32x") {
        return {{kConsole, "SEGA 32X       "}, {kCodeField + 3, "MK-84503"}};
    }
    if (extension == "exe") {
        return {{0x00, "MZ"}};
    }
    if (extension == "gba") {
        return {{0x04, gbaLogo()}};
    }
    if (extension == "npc") {
        return {{0x00, "COPYRIGHT BY SNK CORPORATION"}};
    }
    if (extension == "mb") {
        return {};
    }
    throw std::logic_error("no platform for ." + std::string(extension));
}

const std::vector<CatalogueRow>& catalogueRows() {
    static const std::vector<CatalogueRow> rows = makeRows();
    return rows;
}

std::string rowId(const CatalogueRow& row) {
    std::string id;
    bool gap = false;
    for (const char c : row.name) {
        if (std::isalnum(static_cast<unsigned char>(c))) {
            if (gap && !id.empty()) {
                id += '_';
            }
            id += c;
            gap = false;
        } else {
            gap = true;
        }
    }
    return id;
}

void PrintTo(const CatalogueRow& row, std::ostream* out) {
    *out << '"' << row.name << "\" (." << row.extension << ')';
}

std::string writeRowImage(const CatalogueRow& row, const std::filesystem::path& folder) {
    const std::string path = (folder / (rowId(row) + "." + row.extension)).string();
    writeImage(path, row.patches, row.size);
    return path;
}

}  // namespace rq::test
