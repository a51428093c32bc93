// Identification: every game of the catalogue by its exact name, and the refusals of each platform.

#include <map>

#include "identify/detectROM.h"
#include "support/catalogue_rows.h"

namespace rq::identify {

namespace {

using namespace std::string_literals;
using Patches = std::vector<test::Patch>;

// The launcher looks each name up in loader.ini, so every catalogue name must come back character for
// character from an image that carries only its platform header and the game's key fields. A key compared
// on fewer bytes, or at a shifted offset, would still give the name: a changed first or last byte must not.
class IdentifyCatalogue : public testing::TestWithParam<test::CatalogueRow> {};

TEST_P(IdentifyCatalogue, GivesTheExactNameAndLosesItWhenAKeyByteChanges) {
    const auto& row = GetParam();
    const test::TempDir dir;
    const auto result = detectGame(test::writeRowImage(row, dir.path()));
    ASSERT_TRUE(result) << result.error();
    EXPECT_EQ(std::tuple(result->game, result->message, result->readFailed), std::tuple(row.name, "", false));

    ASSERT_FALSE(row.keys.empty());
    for (const auto& key : row.keys) {
        for (const std::size_t at : {std::size_t{0}, key.bytes.size() - 1}) {
            SCOPED_TRACE(testing::Message()
                         << "byte " << at << " of the key at 0x" << std::hex << key.offset);
            auto changed = row;
            changed.patches.push_back(
                {key.offset + at, std::string(1, static_cast<char>(key.bytes[at] ^ 1))});
            const auto lost = detectGame(test::writeRowImage(changed, dir.path()));
            ASSERT_TRUE(lost) << lost.error();
            EXPECT_NE(lost->game, row.name);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryGame, IdentifyCatalogue, testing::ValuesIn(test::catalogueRows()),
                         test::rowName);

// Each platform's file kind, as its two refusals name it.
const std::map<std::string, std::string> kKinds = {
    {"bin", "Megadrive ROM"},       {"iso", "MegaCD ISO"},
    {"sms", "Master System ROM"},   {"gg", "GameGear ROM"},
    {"32x", "Megadrive 32X ROM"},   {"exe", "EXE file"},
    {"gba", "GameBoy Advance ROM"}, {"npc", "NeoGeo Pocket Colour ROM"}};

// What identified() gives for a game, and for each refusal of a platform.
std::string ok(const std::string& game) {
    return game + "||0";
}
std::string notValid(const std::string& extension) {
    return "|This is not a valid " + kKinds.at(extension) + ".|0";
}
std::string notSupported(const std::string& extension) {
    return "|This " + kKinds.at(extension) + " is not supported.|0";
}

Patches with(Patches patches, const Patches& more) {
    patches.insert(patches.end(), more.begin(), more.end());
    return patches;
}

// A Mega Drive or Mega-CD header with the given product code.
Patches sega(const std::string& code, const Patches& more = {}) {
    return with({{0x100, "SEGA MEGA DRIVE "}, {0x180, "GM " + code}}, more);
}

// Identifies "game" + suffix (its extension picks the platform) as "game|message|readFailed".
std::string identified(const test::TempDir& dir, const std::string& suffix, const Patches& patches,
                       std::uint64_t size = 0) {
    const auto path = dir.path() / ("game" + suffix);
    test::writeImage(path.string(), patches, size);
    const auto id = detectGame(path.string());
    return id ? id->game + "|" + id->message + "|" + std::to_string(id->readFailed) : id.error();
}

class IdentifyPlatformRefusal : public testing::TestWithParam<const char*> {};

TEST_P(IdentifyPlatformRefusal, NotValidWithoutEveryHeaderByteAndNotSupportedForAnUnknownGame) {
    const std::string extension = GetParam();
    const test::TempDir dir;
    const auto header = test::validHeader(extension);
    EXPECT_EQ(identified(dir, "." + extension, {}, 0x8000), notValid(extension));
    EXPECT_EQ(identified(dir, "." + extension, header, 0x8000), notSupported(extension));
    for (std::size_t field = 0; field < header.size(); ++field) {
        for (const std::size_t at : {std::size_t{0}, header[field].bytes.size() - 1}) {
            SCOPED_TRACE(testing::Message() << "byte " << at << " of field " << field);
            auto changed = header;
            changed[field].bytes[at] ^= 1;
            EXPECT_EQ(identified(dir, "." + extension, changed, 0x8000), notValid(extension));
        }
    }
}

const char* const kPlatforms[] = {"bin", "iso", "sms", "gg", "32x", "exe", "gba", "npc"};
INSTANTIATE_TEST_SUITE_P(Platforms, IdentifyPlatformRefusal, testing::ValuesIn(kPlatforms), test::rowName);

struct EdgeRow {
    const char* name;
    std::string suffix;  // the file is "game" + suffix: an extension, or more
    Patches patches;
    std::string expected;
    std::uint64_t size = 0;
};

const std::string kLockOn = "MK-1563 -00", kSadx = "Now, you can play with SONIC!";
// An executable with the edition marker and a translated message in a room.
Patches translated(const std::string& marker, std::uint64_t room) {
    return {{0, "MZ"}, {0x3C, marker}, {room, "Jetzt spielst du mit SONIC!  "}};
}
const std::string kS2 = "00001051-01", kGenesis = "SEGA GENESIS   ";
// A perfectly good Mega Drive header: only the extension decides.
const Patches kSonic2 = sega(kS2);
const std::string kUnhandled = "No ROM Loaded|This type of file is not supported by RQL.|0";
Patches on(const char* extension, const Patches& more) {
    return with(test::validHeader(extension), more);
}

const EdgeRow kEdges[] = {
    {"NoExtension", "", kSonic2, kUnhandled},
    {"DotInAFolderName", ".bin/game", kSonic2, kUnhandled},
    {"BackupOfABin", ".bin.bak", kSonic2, kUnhandled},
    {"LongerExtension", ".binx", kSonic2, kUnhandled},
    {"ExtensionInCapitals", ".BIN", kSonic2, ok("Sonic The Hedgehog 2")},
    // "SEGA GENESIS   " stands for "SEGA MEGA DRIVE", exactly and in its place.
    {"GenesisCartridge", ".bin", {{0x100, kGenesis}, {0x183, kS2}}, ok("Sonic The Hedgehog 2")},
    {"GenesisDisc", ".iso", {{0x100, kGenesis}, {0x183, "G-6021  -00"}}, ok("Sonic CD (J)")},
    {"GenesisOtherLastByte", ".bin", {{0x100, "SEGA GENESIS  X"}, {0x183, kS2}}, notValid("bin")},
    {"ConsoleNameOneByteLate", ".bin", {{0x101, "SEGA MEGA DRIVE"}, {0x183, kS2}}, notValid("bin")},
    // The text lies whole at neither of the executable's two places.
    {"ExeTextBetween", ".exe", {{0, "MZ"}, {0x3E0505, kSadx}}, notSupported("exe")},
    {"ExeTranslatedE", ".exe", translated("0", 0x3E04FD), ok("Sonic Adventure DX PC (E)")},
    {"ExeTranslatedJ", ".exe", translated("(", 0x3E050D), ok("Sonic Adventure DX PC (J)")},
    {"ExeTranslatedInTheOtherEditionsRoom", ".exe", translated("0", 0x3E050D), notSupported("exe")},
    {"Sonic1JunkMarkerIsSilent", ".bin", sega("00004049-01", {{0x4FB, "XXXXXXXXX"}}), "||0"},
    {"SonicCdBetaCapitalZ", ".iso", sega("00000000-00", {{0x20B, "Z"}}), notSupported("iso")},
    // The lock-on cartridge stands alone at exactly 2 MB; at any other length it looks for an image
    // attached at 2 MB, whose console name is not tested.
    {"LockOnOneByteShort", ".bin", sega(kLockOn), ok("Sonic && Knuckles with a random Megadrive ROM"),
     0x1FFFFF},
    {"LockOnAttachedAtOddLength", ".bin", sega(kLockOn, {{0x200183, kS2}}), ok("Sonic 2 && Knuckles"),
     0x300001},
    {"LockOnAttachedConsoleName", ".bin",
     sega(kLockOn, {{0x200100, "NOT A CONSOLE"}, {0x200183, "MK-1079 -00"}}), ok("Sonic 3 && Knuckles")},
    // Signatures are tried in order, and the entry whose key passed decides even when its sub-tests fail.
    {"GameGearTitleBeforeCode", ".gg",
     on("gg", {{0, "\x3E\x30\xD3\x05\xC3\xB9"}, {0xC0, "GG TAILS ADVENTURES"}}), ok("Tails' Adventures")},
    {"MasterSystemSonic2OtherVersionStopsTheSearch", ".sms",
     on("sms", {{0xC0, "MS SONIC\xA5THE\xA5HEDGEHOG.2 Ver"}, {0xDB, "3.00 1993/01/01"}, {0x205, "0J!"}}),
     notSupported("sms")},
    {"MasterSystemSonic1BeforeChaos", ".sms", on("sms", {{0xC0, "MS SONIC\xA5" + "CHAOS"s}, {0x1FA, "=2G"}}),
     ok("Sonic The Hedgehog - Master System")},
    {"SignatureNeedsItsNonAsciiByte", ".gg", on("gg", {{0xC0, "GG SONIC CHAOS"}}), notSupported("gg")},
    // Only letters 2 and 3 of the GBA game code and its region letter pick the game.
    {"GbaRegionU", ".gba", on("gba", {{0xAC, "A2NU"}}), notSupported("gba")},
    {"GbaFirstCodeLetterIgnored", ".gba", on("gba", {{0xAC, "BSBJ"}}), ok("Sonic Battle (J)")},
    // MultiBoot images are always valid. A short file reads as the platform rows' files of zeros do.
    {"MultiBootEmpty", ".mb", {}, "|This MultiBoot GameBoy Advance ROM is not supported.|0"},
};

class IdentifyEdge : public testing::TestWithParam<EdgeRow> {};

TEST_P(IdentifyEdge, GivesTheGameOrTheRefusal) {
    const test::TempDir dir;
    EXPECT_EQ(identified(dir, GetParam().suffix, GetParam().patches, GetParam().size), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Files, IdentifyEdge, testing::ValuesIn(kEdges), test::rowName);

}  // namespace
}  // namespace rq::identify
