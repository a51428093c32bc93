#include <gtest/gtest.h>

#include <filesystem>

#include "identify/detectROM.h"
#include "support/catalogue_rows.h"
#include "support/testfiles.h"

namespace rq {
namespace {

using namespace std::string_literals;
using test::Patch;
using test::validHeader;

constexpr std::uint64_t kLockOnSize = 0x200000;
const std::string kNotValidMd = "This is not a valid Megadrive ROM.";
const std::string kNotSupportedMd = "This Megadrive ROM is not supported.";
const std::string kNotSupportedGg = "This GameGear ROM is not supported.";
const std::string kNotSupportedGba = "This GameBoy Advance ROM is not supported.";
const std::string kNotSupportedExe = "This EXE file is not supported.";
const std::string kNotSupportedCd = "This MegaCD ISO is not supported.";
const std::string kNotSupportedMb = "This MultiBoot GameBoy Advance ROM is not supported.";
const std::string kLockOnWithRandom = "Sonic && Knuckles with a random Megadrive ROM";

std::vector<Patch> with(std::vector<Patch> patches, const std::vector<Patch>& more) {
    patches.insert(patches.end(), more.begin(), more.end());
    return patches;
}

// A Mega Drive or Mega-CD header with the given product code.
std::vector<Patch> sega(const std::string& code, const std::vector<Patch>& more = {}) {
    return with({{0x100, "SEGA MEGA DRIVE "}, {0x180, "GM " + code}}, more);
}

// Writes an image under the given name (its extension picks the platform) and identifies it.
Identification identified(const test::TempDir& dir, const std::string& name,
                          const std::vector<Patch>& patches, std::uint64_t size = 0) {
    const auto path = dir.path() / name;
    std::filesystem::create_directories(path.parent_path());
    test::writeImage(path.string(), patches, size);
    auto result = detectGame(path.string());
    if (!result) {
        ADD_FAILURE() << "detectGame failed: " << result.error();
        return {};
    }
    return std::move(result).value();
}

// --- Each platform's two refusals ------------------------------------------------------------------------

// Each platform's file kind, as its two refusals name it: "This is not a valid <kind>." and "This <kind> is
// not supported."; every byte of the header makes it valid.
TEST(IdentifyPlatformRefusal, NotValidWithoutEveryHeaderByteAndNotSupportedForAnUnknownGame) {
    const std::pair<std::string, std::string> platforms[] = {
        {"bin", "Megadrive ROM"},       {"iso", "MegaCD ISO"},
        {"sms", "Master System ROM"},   {"gg", "GameGear ROM"},
        {"32x", "Megadrive 32X ROM"},   {"exe", "EXE file"},
        {"gba", "GameBoy Advance ROM"}, {"npc", "NeoGeo Pocket Colour ROM"}};
    const test::TempDir dir;
    for (const auto& [extension, kind] : platforms) {
        SCOPED_TRACE(extension);
        const std::string notValid = "This is not a valid " + kind + ".";
        const auto expectRefused = [&](const std::vector<Patch>& header, const std::string& message) {
            const auto id = identified(dir, "game." + extension, header, 0x8000);
            EXPECT_EQ(id.game + "|" + id.message + "|" + std::to_string(id.readFailed), "|" + message + "|0");
        };
        expectRefused({}, notValid);
        const auto header = validHeader(extension);
        expectRefused(header, "This " + kind + " is not supported.");
        for (std::size_t field = 0; field < header.size(); ++field) {
            for (const std::size_t at : {std::size_t{0}, header[field].bytes.size() - 1}) {
                SCOPED_TRACE(testing::Message() << "byte " << at << " of field " << field);
                auto changed = header;
                changed[field].bytes[at] ^= 1;
                expectRefused(changed, notValid);
            }
        }
    }
}

// --- Extensions, entry order and fallbacks ----------------------------------------------------------------

// One file: its name, its bytes, and the game and message it gives (both empty: refused without a word).
struct Case {
    std::string id;
    std::string suffix;  // the file is "game" + suffix: an extension, or more
    std::vector<Patch> patches;
    std::string game;
    std::string message;
    std::uint64_t size = 0;
};

void PrintTo(const Case& c, std::ostream* out) {
    *out << c.id;
}

Case game(std::string id, std::string suffix, std::vector<Patch> patches, std::string name,
          std::uint64_t size = 0) {
    return {std::move(id), std::move(suffix), std::move(patches), std::move(name), "", size};
}

Case refused(std::string id, std::string suffix, std::vector<Patch> patches, std::string message) {
    return {std::move(id), std::move(suffix), std::move(patches), "", std::move(message)};
}

std::vector<Case> cases() {
    // A perfectly good Mega Drive header: only the extension decides.
    const auto unhandled = [](std::string id, std::string suffix) {
        return Case{std::move(id), std::move(suffix), sega("00001051-01"), "No ROM Loaded",
                    "This type of file is not supported by RQL."};
    };
    const auto gg = [](const std::vector<Patch>& more) { return with(validHeader("gg"), more); };
    const auto sms = [](const std::vector<Patch>& more) { return with(validHeader("sms"), more); };
    const auto gba = [](const std::string& code, const std::string& title = "ROMQUILLTEST") {
        return with(validHeader("gba"), {{0xA0, title}, {0xAC, code}});
    };
    const std::string sonic2 = "00001051-01";
    const std::string sadx = "Now, you can play with SONIC!";
    const std::string lockOn = "MK-1563 -00";
    return {
        unhandled("NoExtension", ""),
        unhandled("DotInAFolderName", ".bin/game"),
        unhandled("BackupOfABin", ".bin.bak"),
        unhandled("LongerExtension", ".binx"),
        unhandled("OtherMegaDriveExtension", ".md"),
        game("ExtensionInCapitals", ".BIN", sega(sonic2), "Sonic The Hedgehog 2"),

        // "SEGA GENESIS   " stands for "SEGA MEGA DRIVE", exactly and in its place.
        game("GenesisCartridge", ".bin", {{0x100, "SEGA GENESIS   "}, {0x183, sonic2}},
             "Sonic The Hedgehog 2"),
        game("GenesisDisc", ".iso", {{0x100, "SEGA GENESIS   "}, {0x183, "G-6021  -00"}}, "Sonic CD (J)"),
        refused("GenesisWithoutItsSpaces", ".bin", {{0x100, "SEGA GENESIS"}, {0x183, sonic2}}, kNotValidMd),
        refused("GenesisWithAnotherLastByte", ".bin", {{0x100, "SEGA GENESIS  X"}, {0x183, sonic2}},
                kNotValidMd),
        refused("ConsoleNameOneByteLate", ".bin", {{0x101, "SEGA MEGA DRIVE"}, {0x183, sonic2}}, kNotValidMd),

        // The executable's two places are 16 bytes apart and the text is 29 long: a file holds at most one
        // whole copy, and the copy written last, over the other's start or end, decides.
        refused("ExeTextBetweenTheTwoPlaces", ".exe", {{0, "MZ"}, {0x3E0505, sadx}}, kNotSupportedExe),
        game("ExeEnglishWrittenLast", ".exe", {{0, "MZ"}, {0x3E050D, sadx}, {0x3E04FD, sadx}},
             "Sonic Adventure DX PC (E)"),
        game("ExeJapaneseWrittenLast", ".exe", {{0, "MZ"}, {0x3E04FD, sadx}, {0x3E050D, sadx}},
             "Sonic Adventure DX PC (J)"),

        // "00004049-01" without a known marker is refused with no message at all.
        refused("Sonic1JunkMarkerIsSilent", ".bin", sega("00004049-01", {{0x4FB, "XXXXXXXXX"}}), ""),
        refused("Sonic1NearlyBetaMarkerIsSilent", ".bin", sega("00004049-01", {{0x4FB, "R       X"}}), ""),
        game("Sonic1ChecksumCountsOnlyWithBusError", ".bin",
             sega("00004049-01", {{0x4FB, "R        "}, {0x18E, "\xAF\xC7"}}), "Sonic The Hedgehog 2 - Beta"),
        game("Sonic1ChecksumBytesInOrder", ".bin",
             sega("00004049-01", {{0x4FB, "BUS ERROR"}, {0x18E, "\xC7\xAF"}}),
             "Sonic The Hedgehog 1 - Revision 2"),
        refused("SpinballRegionJ", ".bin", sega("MK-1537 -00", {{0x1F0, "J"}}), kNotSupportedMd),
        refused("SonicCdRegionJ", ".iso", sega("MK-4407-00 ", {{0x1F0, "J"}}), kNotSupportedCd),
        refused("SonicCdBetaCapitalZ", ".iso", sega("00000000-00", {{0x20B, "Z"}}), kNotSupportedCd),

        // The lock-on cartridge stands alone at exactly 2 MB; at any other length it looks for an image
        // attached at 2 MB, whose console name is not tested.
        game("LockOnOneByteShort", ".bin", sega(lockOn), kLockOnWithRandom, kLockOnSize - 1),
        game("LockOnOneByteLong", ".bin", sega(lockOn), kLockOnWithRandom, kLockOnSize + 1),
        game("LockOnEndingBeforeTheAttachedCode", ".bin", sega(lockOn), kLockOnWithRandom, 0x200100),
        game("LockOnAttachedAtAnOddLength", ".bin", sega(lockOn, {{0x200183, sonic2}}), "Sonic 2 && Knuckles",
             0x300001),
        game("LockOnAttachedSonic1ChecksumWithoutMarker", ".bin",
             sega(lockOn, {{0x200183, "00004049-01"}, {0x20018E, "\xAF\xC7"}}),
             "Sonic 1 && Knuckles (Sonic 2 Beta)"),
        game("LockOnAttachedSonic1JunkMarker", ".bin",
             sega(lockOn, {{0x200183, "00004049-01"}, {0x2004FB, "XXXXXXXXX"}}),
             "Sonic 1 && Knuckles (Sonic 2 Beta)"),
        game("LockOnAttachedConsoleNameIsNotTested", ".bin",
             sega(lockOn, {{0x200100, "NOT A CONSOLE  "}, {0x200183, "MK-1079 -00"}}), "Sonic 3 && Knuckles"),

        // Signatures are tried in order, and the entry whose key passed decides even when its sub-tests fail.
        game("GameGearTitleBeforeCodeSignature", ".gg",
             gg({{0, "\x3E\x30\xD3\x05\xC3\xB9"}, {0xC0, "GG TAILS ADVENTURES"}}), "Tails' Adventures"),
        refused("GameGearFirstFiveBytesOfDrift", ".gg", gg({{0, "\x3E\x30\xD3\x05\xC3"}, {0x39, "\x73"}}),
                kNotSupportedGg),
        refused("GameGearLabyrinthLastByte", ".gg", gg({{0, "\xF3\xED\x56\xC3\x1C\x02\x00\x01"s}}),
                kNotSupportedGg),
        refused("GameGearSonic1OtherVersion", ".gg", gg({{3, "\xDB\x7E\xFE\xB0\x20"}, {0x39, "\x74"}}),
                kNotSupportedGg),
        refused("MasterSystemSonic2OtherVersionStopsTheSearch", ".sms",
                sms({{0xC0, "MS SONIC\xA5THE\xA5HEDGEHOG.2 Ver"}, {0xDB, "3.00 1993/01/01"}, {0x205, "0J!"}}),
                "This Master System ROM is not supported."),
        game("MasterSystemSonic1BeforeChaos", ".sms",
             sms({{0xC0, "MS SONIC\xA5" + "CHAOS"s}, {0x1FA, "=2G"}}), "Sonic The Hedgehog - Master System"),
        refused("SignatureNeedsItsNonAsciiByte", ".gg", gg({{0xC0, "GG SONIC CHAOS"}}), kNotSupportedGg),

        // Only letters 2 and 3 of the GBA game code and its region letter pick the game; "3S" in region P
        // is told apart by its title.
        refused("Advance3RegionPOtherTitle", ".gba", gba("A3SP", "SONIC ADVANX"), kNotSupportedGba),
        game("Advance3RegionJIgnoresTitle", ".gba", gba("A3SJ", "SONICADVANC3"), "Sonic Advance 3 (J)"),
        game("Advance3RegionEIgnoresTitle", ".gba", gba("A3SE", "ANYTHING    "), "Sonic Advance 3 (U)"),
        refused("GbaRegionU", ".gba", gba("A2NU"), kNotSupportedGba),
        game("GbaFirstCodeLetterIgnored", ".gba", gba("BSBJ"), "Sonic Battle (J)"),

        // MultiBoot images are always valid; files that end early are refused like any other mismatch.
        refused("MultiBootEmpty", ".mb", {}, kNotSupportedMb),
        refused("MultiBootOtherTitle", ".mb", {{0xA0, "CHAO B"}}, kNotSupportedMb),
        refused("EmptyCartridge", ".bin", {}, kNotValidMd),
        refused("CartridgeEndingAfterItsConsoleName", ".bin", {{0x100, "SEGA MEGA DRIVE"}}, kNotSupportedMd),
        refused("EmptyGba", ".gba", {}, "This is not a valid GameBoy Advance ROM."),
        refused("ExeEndingAfterMz", ".exe", {{0, "MZ"}}, kNotSupportedExe),
    };
}

class Identify : public testing::TestWithParam<Case> {};

TEST_P(Identify, GivesTheGameOrTheRefusal) {
    const auto& c = GetParam();
    const test::TempDir dir;
    const auto id = identified(dir, "game" + c.suffix, c.patches, c.size);
    EXPECT_EQ(id.game, c.game);
    EXPECT_EQ(id.message, c.message);
    EXPECT_FALSE(id.readFailed);
}

INSTANTIATE_TEST_SUITE_P(Files, Identify, testing::ValuesIn(cases()),
                         [](const testing::TestParamInfo<Case>& info) { return info.param.id; });

// --- Files that cannot be identified ----------------------------------------------------------------------

TEST(IdentifyError, MissingFileOrFolderIsAnErrorEvenWithARomExtension) {
    const test::TempDir dir;
    std::filesystem::create_directory(dir.path() / "folder.bin");
    for (const std::string name : {"missing.bin", "missing.txt", "folder.bin"}) {
        SCOPED_TRACE(name);
        const auto result = detectGame(dir.file(name));
        ASSERT_FALSE(result);
        EXPECT_FALSE(result.error().empty());
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("missing.bin")));
}

}  // namespace
}  // namespace rq
