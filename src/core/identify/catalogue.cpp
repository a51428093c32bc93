#include "catalogue.h"

namespace rq::identify {
namespace {

using namespace std::string_view_literals;

constexpr Outcome game(std::string_view name) {
    return Outcome{Outcome::Kind::Game, name, nullptr};
}
constexpr Outcome notSupported() {
    return Outcome{};
}
constexpr Outcome silent() {
    return Outcome{Outcome::Kind::Silent, {}, nullptr};
}
constexpr Outcome identifyBy(const Catalogue& next) {
    return Outcome{Outcome::Kind::Catalogue, {}, &next};
}

constexpr Condition when(std::int32_t offset, std::string_view bytes) {
    return Condition{{FieldTest{offset, bytes}}};
}
constexpr Condition when(FieldTest a, FieldTest b) {
    return Condition{{a, b}};
}
constexpr Condition sizeIs(std::uint64_t size) {
    return Condition{{}, size};
}

constexpr Entry named(FieldTest key, std::string_view name) {
    return Entry{key, {}, game(name)};
}

// Mega Drive and Mega-CD: the product code follows the three-character type prefix at 0x180.
constexpr std::int32_t kProductCode = 0x183;
constexpr std::int32_t kRegion = 0x1F0;
constexpr std::int32_t kChecksum = 0x18E;
constexpr std::int32_t kMarker = 0x4FB;
constexpr std::int32_t kAttached = 0x200000;  // a lock-on cartridge's attached image
constexpr std::uint64_t kLockOnSize = 0x200000;

constexpr FieldTest code(std::string_view product) {
    return FieldTest{kProductCode, product};
}

// --- Mega Drive -----------------------------------------------------------------------------------------

constexpr std::array kAttachedRevision1Rules = {
    Rule{when(FieldTest{kAttached + kMarker, "BUS ERROR"}, FieldTest{kAttached + kChecksum, "\xAF\xC7"sv}),
         game("Sonic 1 && Knuckles (Revision 1)")},
    Rule{when(kAttached + kMarker, "BUS ERROR"), game("Sonic 1 && Knuckles (Revision 2)")},
};

constexpr std::array kAttachedEntries = {
    Entry{FieldTest{kAttached + kProductCode, "00001009-00"}, {}, game("Sonic 1 && Knuckles (Revision 0)")},
    Entry{FieldTest{kAttached + kProductCode, "00004049-01"}, kAttachedRevision1Rules,
          game("Sonic 1 && Knuckles (Sonic 2 Beta)")},
    Entry{FieldTest{kAttached + kProductCode, "00001051-01"}, {}, game("Sonic 2 && Knuckles")},
    Entry{FieldTest{kAttached + kProductCode, "MK-1079 -00"}, {}, game("Sonic 3 && Knuckles")},
};

constexpr Catalogue kAttachedImage{kAttachedEntries, game("Sonic && Knuckles with a random Megadrive ROM")};

constexpr std::array kSonic1Rules = {
    Rule{when(FieldTest{kMarker, "BUS ERROR"}, FieldTest{kChecksum, "\xAF\xC7"sv}),
         game("Sonic The Hedgehog 1 - Revision 1")},
    Rule{when(kMarker, "BUS ERROR"), game("Sonic The Hedgehog 1 - Revision 2")},
    Rule{when(kMarker, "R        "), game("Sonic The Hedgehog 2 - Beta")},
};

constexpr std::array kLockOnRules = {
    Rule{sizeIs(kLockOnSize), game("Sonic && Knuckles")},
};

constexpr std::array kSpinballRules = {
    Rule{when(kRegion, "U"), game("Sonic Spinball (U) - Revision 1")},
    Rule{when(kRegion, "E"), game("Sonic Spinball (E)")},
};

constexpr std::array kMegaDriveEntries = {
    named(code("00001009-00"), "Sonic The Hedgehog 1 - Revision 0"),
    Entry{code("00004049-01"), kSonic1Rules, silent()},
    named(code("00001051-01"), "Sonic The Hedgehog 2"),
    named(code("MK-1079 -00"), "Sonic The Hedgehog 3"),
    Entry{code("MK-1563 -00"), kLockOnRules, identifyBy(kAttachedImage)},
    named(code("MK-1844 -00"), "Sonic 3D - Flickies' Island"),
    named(code("00054503-00"), "Sonic Eraser"),
    named(code("MK-1706 -00"), "Dr Robotnik's Mean Bean Machine"),
    named(code("?\?-?\?\?\? -00"), "Dr Robotnik's Mean Bean Machine - Beta"),
    named(code("XXXXXXXX-XX"), "Sonic Crackers"),
    named(code("T-?\?\?\?\? -00"), "Sonic Spinball - Beta"),
    named(code("MK-1190 -01"), "Sonic Compilation"),
    named(code("G-4112  -00"), "Sonic Spinball (J)"),
    Entry{code("MK-1537 -00"), kSpinballRules, notSupported()},
    named(code("NK-1\x01"
               "3\x01 -00"sv),
          "Sonic Spinball (U) - Revision 0"),
};

constexpr Catalogue kMegaDrive{kMegaDriveEntries, notSupported()};

// --- Mega-CD --------------------------------------------------------------------------------------------

constexpr std::array kSonicCdEuropeRules = {
    Rule{when(kRegion, "E"), game("Sonic CD (E)")},
    Rule{when(kRegion, "U"), game("Sonic CD 920 (Pre-release)")},
};

constexpr std::array kSonicCdBetaRules = {
    Rule{when(0x20B, "z"), game("Sonic CD 510 (Beta)")},
    Rule{when(0x20B, "d"), game("Sonic CD 712 (Beta)")},
};

constexpr std::array kMegaCdEntries = {
    named(code("G-6021  -00"), "Sonic CD (J)"),
    named(code("MK-4407 -00"), "Sonic CD (U)"),
    Entry{code("MK-4407-00 "), kSonicCdEuropeRules, notSupported()},
    Entry{code("00000000-00"), kSonicCdBetaRules, notSupported()},
};

constexpr Catalogue kMegaCd{kMegaCdEntries, notSupported()};

// --- Master System and Game Gear ------------------------------------------------------------------------

constexpr std::string_view kSonicBlastTitle = "GG SONIC 96           Ver E3 ROM1996/05/01";

constexpr std::array kMasterSystemSonic2Rules = {
    Rule{when(0xDB, "1.00 1992/09/05"), game("Sonic The Hedgehog 2 - Master System - Revision 1.00")},
    Rule{when(0xDB, "2.20 1992/12/09"), game("Sonic The Hedgehog 2 - Master System - Revision 2.20")},
};

constexpr std::array kMasterSystemEntries = {
    named(FieldTest{0x1FA, "=2G"}, "Sonic The Hedgehog - Master System"),
    Entry{FieldTest{0xC0,
                    "MS SONIC\xA5"
                    "THE\xA5"
                    "HEDGEHOG.2 Ver"},
          kMasterSystemSonic2Rules, notSupported()},
    named(FieldTest{0xC0, kSonicBlastTitle}, "Sonic Blast - Master System"),
    named(FieldTest{0xC0,
                    "MS SONIC\xA5"
                    "CHAOS"},
          "Sonic Chaos - Master System"),
    named(FieldTest{0x205, "0J!"}, "Sonic Spinball - Master System"),
    named(FieldTest{0xD0, "RA>"}, "Dr Robotnik's Mean Bean Machine - Master System"),
};

constexpr Catalogue kMasterSystem{kMasterSystemEntries, notSupported()};

constexpr std::array kSonicDriftRules = {
    Rule{when(0x05, "\xB9"), game("Sonic Drift")},
    Rule{when(0x05, "\x0E"), game("Sonic Drift 2")},
};

constexpr std::array kLabyrinthRules = {
    Rule{when(0x04, "\x1C\x02\x00\x00"sv), game("Sonic Labyrinth")},
    Rule{when(0x04, "\xBA\x02\xFF\x00"sv), game("Sonic Spinball - Game Gear")},
};

constexpr std::array kGameGearSonic1Rules = {
    Rule{when(0x39, "\x76"), game("Sonic The Hedgehog - Game Gear (Prototype)")},
    Rule{when(0x39, "\x73"), game("Sonic The Hedgehog - Game Gear")},
    Rule{when(0x39, "\x3B"), game("Sonic The Hedgehog - Game Gear (Revision 1)")},
};

constexpr std::array kGameGearEntries = {
    named(FieldTest{0xC0, "GG TAILS ADVENTURES"}, "Tails' Adventures"),
    named(FieldTest{0xC0, kSonicBlastTitle}, "Sonic Blast - Game Gear"),
    named(FieldTest{0xC0,
                    "GG SONIC\xA5"
                    "CHAOS"},
          "Sonic Chaos - Game Gear"),
    named(FieldTest{0xC0, "GG SONIC & TAILS  < Ver1.01 >   1993/09/07"}, "Sonic && Tails - Game Gear"),
    named(FieldTest{0xC0, "GG SONIC & TAILS        Ver 1.001994/07/30"}, "Sonic && Tails 2"),
    named(FieldTest{0xC0,
                    "GG SONIC\xA5"
                    "THE\xA5"
                    "HEDGEHOG.2 Ver1.10 1992/09/12"},
          "Sonic The Hedgehog 2 - Game Gear"),
    named(FieldTest{0xC0, "GG SONIC THE HEDGEHOG   Ver 1.001994/08/02"}, "Sonic - Triple Trouble"),
    Entry{FieldTest{0x00, "\x3E\x30\xD3\x05\xC3"}, kSonicDriftRules, notSupported()},
    named(FieldTest{0x00, "\xC3\x9B\x00\x00\x00\x00\x00\x00\xE1\xE7\xE9\x00\x00\x00"sv}, "Tails' Sky Patrol"),
    Entry{FieldTest{0x00, "\xF3\xED\x56\xC3"}, kLabyrinthRules, notSupported()},
    named(FieldTest{0x00, "\xF3\xED\x56\x3E\xFF\xD3\x02\x3E"}, "Dr Robotnik's Mean Bean Machine - Game Gear"),
    Entry{FieldTest{0x03, "\xDB\x7E\xFE\xB0\x20"}, kGameGearSonic1Rules, notSupported()},
};

constexpr Catalogue kGameGear{kGameGearEntries, notSupported()};

// --- 32X ------------------------------------------------------------------------------------------------

constexpr std::array k32xEntries = {
    named(FieldTest{kRegion, "A  "}, "Chaotix (PAL)"),
    named(FieldTest{kRegion, "5  "}, "Chaotix (NTSC)"),
};

constexpr Catalogue k32x{k32xEntries, notSupported()};

// --- PC executable --------------------------------------------------------------------------------------

// Both editions carry the text; where it lies, 16 bytes apart, tells them apart.
constexpr std::string_view kPcText = "Now, you can play with SONIC!";
constexpr std::int32_t kPcTextE = 0x3E04FD;
constexpr std::int32_t kPcTextJ = 0x3E050D;

// The cutscene editor lets that very text be translated. A file whose text was is still known by the
// edition marker at 0x3C, which no editor writes, with a text in the message's room of that edition: every
// save of the editor leaves one there, without a zero byte, and the marker alone is too common a byte.
constexpr std::array kTranslatedE = {Rule{Condition{{FieldTest{kPcTextE, kPcText, FieldTest::Match::Text}}},
                                          game("Sonic Adventure DX PC (E)")}};
constexpr std::array kTranslatedJ = {Rule{Condition{{FieldTest{kPcTextJ, kPcText, FieldTest::Match::Text}}},
                                          game("Sonic Adventure DX PC (J)")}};

constexpr std::array kPcEntries = {
    named(FieldTest{kPcTextE, kPcText}, "Sonic Adventure DX PC (E)"),
    named(FieldTest{kPcTextJ, kPcText}, "Sonic Adventure DX PC (J)"),
    Entry{FieldTest{0x3C, "0"}, kTranslatedE, notSupported()},
    Entry{FieldTest{0x3C, "("}, kTranslatedJ, notSupported()},
};

constexpr Catalogue kPc{kPcEntries, notSupported()};

// --- Game Boy Advance, MultiBoot, NeoGeo Pocket Colour --------------------------------------------------

constexpr std::int32_t kGbaRegion = 0xAF;
constexpr std::int32_t kGbaTitle = 0xA0;

constexpr std::array<Rule, 3> byRegion(std::string_view j, std::string_view e, std::string_view p) {
    return {Rule{when(kGbaRegion, "J"), game(j)}, Rule{when(kGbaRegion, "E"), game(e)},
            Rule{when(kGbaRegion, "P"), game(p)}};
}

constexpr auto kSonicAdvanceRules = byRegion("Sonic Advance (J)", "Sonic Advance (U)", "Sonic Advance (E)");
constexpr auto kSonicAdvance2Rules =
    byRegion("Sonic Advance 2 (J)", "Sonic Advance 2 (U)", "Sonic Advance 2 (E)");
constexpr auto kSonicBattleRules = byRegion("Sonic Battle (J)", "Sonic Battle (U)", "Sonic Battle (E)");
constexpr auto kPinballPartyRules =
    byRegion("Sonic Pinball Party (J)", "Sonic Pinball Party (U)", "Sonic Pinball Party (E)");

// The European Sonic Advance 3 is told apart from its release candidate by the title.
constexpr std::array kSonicAdvance3Rules = {
    Rule{when(kGbaRegion, "J"), game("Sonic Advance 3 (J)")},
    Rule{when(kGbaRegion, "E"), game("Sonic Advance 3 (U)")},
    Rule{when(FieldTest{kGbaRegion, "P"}, FieldTest{kGbaTitle, "SONIC ADVANC"}), game("Sonic Advance 3 (E)")},
    Rule{when(FieldTest{kGbaRegion, "P"}, FieldTest{kGbaTitle, "SONICADVANC3"}),
         game("Sonic Advance 3 (E) (Release Candidate)")},
};

constexpr std::array kGbaEntries = {
    Entry{FieldTest{0xAD, "SO"}, kSonicAdvanceRules, notSupported()},
    Entry{FieldTest{0xAD, "2N"}, kSonicAdvance2Rules, notSupported()},
    Entry{FieldTest{0xAD, "SB"}, kSonicBattleRules, notSupported()},
    Entry{FieldTest{0xAD, "3V"}, kPinballPartyRules, notSupported()},
    Entry{FieldTest{0xAD, "3S"}, kSonicAdvance3Rules, notSupported()},
};

constexpr Catalogue kGba{kGbaEntries, notSupported()};

constexpr std::array kNeoGeoEntries = {
    named(FieldTest{0x24, "SONIC POCKET"}, "Sonic Pocket Adventure"),
};

constexpr Catalogue kNeoGeo{kNeoGeoEntries, notSupported()};

constexpr std::array kMultiBootEntries = {
    named(FieldTest{kGbaTitle, "CHAO A"}, "Chao Garden (U) (SADX Rip)"),
    named(FieldTest{kGbaTitle, "NIGHTS"}, "NiGHTS (U) (PSO Rip)"),
};

constexpr Catalogue kMultiBoot{kMultiBootEntries, notSupported()};

// --- Platforms ------------------------------------------------------------------------------------------

constexpr std::array kSegaConsole = {
    when(0x100, "SEGA MEGA DRIVE"),
    when(0x100, "SEGA GENESIS   "),
};

constexpr std::array kSegaMasterSystem = {when(0x7FF0, "TMR SEGA")};

constexpr std::array k32xConsole = {when(FieldTest{0x100, "SEGA 32X       "}, FieldTest{0x183, "MK-84503"})};

constexpr std::array kMz = {when(0x00, "MZ")};

// The logo bitmap every GBA cartridge header carries at 0x04.
constexpr std::string_view kNintendoLogo =
    "\x24\xFF\xAE\x51\x69\x9A\xA2\x21\x3D\x84\x82\x0A"
    "\x84\xE4\x09\xAD\x11\x24\x8B\x98\xC0\x81\x7F\x21"
    "\xA3\x52\xBE\x19\x93\x09\xCE\x20\x10\x46\x4A\x4A"
    "\xF8\x27\x31\xEC\x58\xC7\xE8\x33\x82\xE3\xCE\xBF"
    "\x85\xF4\xDF\x94\xCE\x4B\x09\xC1\x94\x56\x8A\xC0"
    "\x13\x72\xA7\xFC\x9F\x84\x4D\x73\xA3\xCA\x9A\x61"
    "\x58\x97\xA3\x27\xFC\x03\x98\x76\x23\x1D\xC7\x61"
    "\x03\x04\xAE\x56\xBF\x38\x84\x00\x40\xA7\x0E\xFD"
    "\xFF\x52\xFE\x03\x6F\x95\x30\xF1\x97\xFB\xC0\x85"
    "\x60\xD6\x80\x25\xA9\x63\xBE\x03\x01\x4E\x38\xE2"
    "\xF9\xA2\x34\xFF\xBB\x3E\x03\x44\x78\x00\x90\xCB"
    "\x88\x11\x3A\x94\x65\xC0\x7C\x63\x87\xF0\x3C\xAF"
    "\xD6\x25\xE4\x8B\x38\x0A\xAC\x72\x21\xD4\xF8\x07"sv;
static_assert(kNintendoLogo.size() == 156);

constexpr std::array kGbaLogo = {when(0x04, kNintendoLogo)};

constexpr std::array kNeoGeoCopyright = {when(0x00, "COPYRIGHT BY SNK CORPORATION")};

constexpr std::array kPlatforms = {
    Platform{"bin", kSegaConsole, "This is not a valid Megadrive ROM.",
             "This Megadrive ROM is not supported.", &kMegaDrive},
    Platform{"iso", kSegaConsole, "This is not a valid MegaCD ISO.", "This MegaCD ISO is not supported.",
             &kMegaCd},
    Platform{"sms", kSegaMasterSystem, "This is not a valid Master System ROM.",
             "This Master System ROM is not supported.", &kMasterSystem},
    Platform{"gg", kSegaMasterSystem, "This is not a valid GameGear ROM.",
             "This GameGear ROM is not supported.", &kGameGear},
    Platform{"32x", k32xConsole, "This is not a valid Megadrive 32X ROM.",
             "This Megadrive 32X ROM is not supported.", &k32x},
    Platform{"exe", kMz, "This is not a valid EXE file.", "This EXE file is not supported.", &kPc},
    Platform{"gba", kGbaLogo, "This is not a valid GameBoy Advance ROM.",
             "This GameBoy Advance ROM is not supported.", &kGba},
    Platform{"npc", kNeoGeoCopyright, "This is not a valid NeoGeo Pocket Colour ROM.",
             "This NeoGeo Pocket Colour ROM is not supported.", &kNeoGeo},
    Platform{"mb", {}, {}, "This MultiBoot GameBoy Advance ROM is not supported.", &kMultiBoot},
};

}  // namespace

std::span<const Platform> platforms() {
    return kPlatforms;
}

}  // namespace rq::identify
