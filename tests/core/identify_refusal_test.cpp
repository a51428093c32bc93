#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <optional>

#include "identify/detectROM.h"
#include "support/catalogue_rows.h"
#include "support/testfiles.h"

namespace rq {
namespace {

using test::hexBytes;
using test::Patch;
using test::validHeader;

constexpr std::uint64_t kLockOnSize = 0x200000;
const char* const kNotValidMegaDrive = "This is not a valid Megadrive ROM.";
const char* const kNotSupportedMegaDrive = "This Megadrive ROM is not supported.";
const char* const kNotSupportedGameGear = "This GameGear ROM is not supported.";
const char* const kNotValid32x = "This is not a valid Megadrive 32X ROM.";
const char* const kNotSupportedGba = "This GameBoy Advance ROM is not supported.";

std::vector<Patch> with(std::vector<Patch> patches, const std::vector<Patch>& more) {
    patches.insert(patches.end(), more.begin(), more.end());
    return patches;
}

// A Mega Drive or Mega-CD header with the given product code.
std::vector<Patch> segaImage(const std::string& code, const std::vector<Patch>& more = {}) {
    return with({{0x100, "SEGA MEGA DRIVE "}, {0x180, "GM " + code}}, more);
}

class Identify : public testing::Test {
  protected:
    // Writes an image under the given file name and identifies it; a failed call is a test failure.
    Identification identify(const std::string& name, const std::vector<Patch>& patches,
                            std::uint64_t size = 0) {
        const auto path = m_dir.file(name);
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        test::writeImage(path, patches, size);
        return identifyPath(path);
    }

    static Identification identifyPath(const std::string& path) {
        auto result = detectGame(path);
        if (!result) {
            ADD_FAILURE() << "detectGame failed: " << result.error();
            return {};
        }
        return std::move(result).value();
    }

    static void expectGame(const Identification& id, const std::string& game) {
        EXPECT_EQ(id.game, game);
        EXPECT_EQ(id.message, "");
        EXPECT_FALSE(id.readFailed);
    }

    static void expectRefused(const Identification& id, const std::string& message) {
        EXPECT_EQ(id.game, "");
        EXPECT_FALSE(id.recognised());
        EXPECT_EQ(id.message, message);
        EXPECT_FALSE(id.readFailed);
    }

    test::TempDir m_dir;
};

// --- Each platform's two refusals ------------------------------------------------------------------------

struct PlatformMessages {
    std::string extension;
    std::string notValid;
    std::string notSupported;
};

void PrintTo(const PlatformMessages& p, std::ostream* out) {
    *out << '.' << p.extension;
}

class IdentifyPlatformRefusal : public Identify, public testing::WithParamInterface<PlatformMessages> {};

TEST_P(IdentifyPlatformRefusal, AnImageWithoutThePlatformHeaderIsNotValid) {
    const auto& p = GetParam();
    expectRefused(identify("blank." + p.extension, {}, 0x8000), p.notValid);
}

TEST_P(IdentifyPlatformRefusal, AValidImageOfNoKnownGameIsNotSupported) {
    const auto& p = GetParam();
    expectRefused(identify("unknown." + p.extension, validHeader(p.extension), 0x8000), p.notSupported);
}

TEST_P(IdentifyPlatformRefusal, EveryValidityFieldCountsToItsFirstAndLastByte) {
    const auto& p = GetParam();
    const auto header = validHeader(p.extension);
    for (std::size_t field = 0; field < header.size(); ++field) {
        const auto& bytes = header[field].bytes;
        for (const std::size_t at : {std::size_t{0}, bytes.size() - 1}) {
            SCOPED_TRACE(testing::Message() << "byte " << at << " of field " << field);
            auto changed = header;
            changed[field].bytes[at] = static_cast<char>(bytes[at] ^ 0x01);
            expectRefused(identify("changed." + p.extension, changed, 0x8000), p.notValid);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    EveryPlatform, IdentifyPlatformRefusal,
    testing::Values(
        PlatformMessages{"bin", "This is not a valid Megadrive ROM.", "This Megadrive ROM is not supported."},
        PlatformMessages{"iso", "This is not a valid MegaCD ISO.", "This MegaCD ISO is not supported."},
        PlatformMessages{"sms", "This is not a valid Master System ROM.",
                         "This Master System ROM is not supported."},
        PlatformMessages{"gg", "This is not a valid GameGear ROM.", "This GameGear ROM is not supported."},
        PlatformMessages{"32x", "This is not a valid Megadrive 32X ROM.",
                         "This Megadrive 32X ROM is not supported."},
        PlatformMessages{"exe", "This is not a valid EXE file.", "This EXE file is not supported."},
        PlatformMessages{"gba", "This is not a valid GameBoy Advance ROM.",
                         "This GameBoy Advance ROM is not supported."},
        PlatformMessages{"npc", "This is not a valid NeoGeo Pocket Colour ROM.",
                         "This NeoGeo Pocket Colour ROM is not supported."}),
    [](const testing::TestParamInfo<PlatformMessages>& info) { return info.param.extension; });

TEST_F(Identify, MultiBootImagesAreAlwaysValidSoOnlyTheNotSupportedRefusalExists) {
    const std::string notSupported = "This MultiBoot GameBoy Advance ROM is not supported.";
    expectRefused(identify("blank.mb", {}, 0x8000), notSupported);
    expectRefused(identify("empty.mb", {}, 0), notSupported);
    expectRefused(identify("other.mb", {{0xA0, "CHAO B"}}), notSupported);
}

// --- Extension ---------------------------------------------------------------------------------------------

class IdentifyUnhandledExtension : public Identify, public testing::WithParamInterface<std::string> {};

TEST_P(IdentifyUnhandledExtension, GivesNoRomLoadedWhateverTheContent) {
    // A perfectly good Mega Drive header: only the extension decides.
    const auto id = identify(GetParam(), segaImage("00001051-01"));
    EXPECT_EQ(id.game, "No ROM Loaded");
    EXPECT_EQ(id.message, "This type of file is not supported by RQL.");
    EXPECT_FALSE(id.recognised());
    EXPECT_FALSE(id.readFailed);
}

INSTANTIATE_TEST_SUITE_P(Paths, IdentifyUnhandledExtension,
                         testing::Values("sonic2", "sonic2.", "roms.bin/sonic2", "sonic2.txt",
                                         "sonic2.bin.bak", "sonic2.binx", "sonic2.md"),
                         [](const testing::TestParamInfo<std::string>& info) {
                             std::string id;
                             for (const char c : info.param) {
                                 id += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             }
                             return id + "_" + std::to_string(info.index);
                         });

TEST_F(Identify, ExtensionCaseDoesNotMatter) {
    for (const std::string name : {"upper.BIN", "mixed.Bin", "lower.bin"}) {
        SCOPED_TRACE(name);
        expectGame(identify(name, segaImage("00001051-01")), "Sonic The Hedgehog 2");
    }
}

// --- Validity tests ----------------------------------------------------------------------------------------

TEST_F(Identify, GenesisWithThreeSpacesIsAsValidAsMegaDrive) {
    expectGame(identify("genesis.bin", {{0x100, "SEGA GENESIS   "}, {0x183, "00001051-01"}}),
               "Sonic The Hedgehog 2");
    expectGame(identify("genesis.iso", {{0x100, "SEGA GENESIS   "}, {0x183, "G-6021  -00"}}), "Sonic CD (J)");
    expectGame(identify("megadrive.iso", {{0x100, "SEGA MEGA DRIVE"}, {0x183, "MK-4407 -00"}}),
               "Sonic CD (U)");
}

TEST_F(Identify, ConsoleNameMustMatchExactly) {
    const std::string code = "00001051-01";
    expectRefused(identify("a.bin", {{0x100, "SEGA GENESIS  X"}, {0x183, code}}), kNotValidMegaDrive);
    expectRefused(identify("b.bin", {{0x100, "SEGA GENESIS"}, {0x183, code}}), kNotValidMegaDrive);
    expectRefused(identify("c.bin", {{0x100, "SEGA GENESIS\t  "}, {0x183, code}}), kNotValidMegaDrive);
    expectRefused(identify("d.bin", {{0x100, "sega mega drive"}, {0x183, code}}), kNotValidMegaDrive);
    expectRefused(identify("e.bin", {{0x101, "SEGA MEGA DRIVE"}, {0x183, code}}), kNotValidMegaDrive);
}

TEST_F(Identify, ThirtyTwoXNeedsBothConsoleNameAndProductCode) {
    const Patch pal{0x1F0, "A  "};
    expectGame(identify("ok.32x", {{0x100, "SEGA 32X       "}, {0x183, "MK-84503"}, pal}), "Chaotix (PAL)");
    expectRefused(identify("console.32x", {{0x100, "SEGA MEGA DRIVE"}, {0x183, "MK-84503"}, pal}),
                  kNotValid32x);
    expectRefused(identify("spaces.32x", {{0x100, "SEGA 32X      X"}, {0x183, "MK-84503"}, pal}),
                  kNotValid32x);
    expectRefused(identify("code.32x", {{0x100, "SEGA 32X       "}, {0x183, "MK-84504"}, pal}), kNotValid32x);
    expectRefused(identify("nocode.32x", {{0x100, "SEGA 32X       "}, pal}), kNotValid32x);
}

TEST_F(Identify, ThirtyTwoXRegionIsAllThreeBytes) {
    const std::vector<Patch> header = validHeader("32x");
    const std::string notSupported = "This Megadrive 32X ROM is not supported.";
    expectRefused(identify("a.32x", with(header, {{0x1F0, "A"}})), notSupported);
    expectRefused(identify("b.32x", with(header, {{0x1F0, "A X"}})), notSupported);
    expectRefused(identify("c.32x", with(header, {{0x1F0, "U  "}})), notSupported);
}

TEST_F(Identify, ExecutableNeedsMzAndOneOfTheTwoTexts) {
    const Patch english{0x3E04FD, "Now, you can play with SONIC!"};
    expectRefused(identify("nomz.exe", {{0x00, "ZM"}, english}), "This is not a valid EXE file.");
    expectRefused(identify("lower.exe", {{0x00, "mz"}, english}), "This is not a valid EXE file.");
    expectRefused(identify("notext.exe", {{0x00, "MZ"}}, 0x400000), "This EXE file is not supported.");
    expectRefused(identify("between.exe", {{0x00, "MZ"}, {0x3E0505, "Now, you can play with SONIC!"}}),
                  "This EXE file is not supported.");
    expectRefused(identify("shout.exe", {{0x00, "MZ"}, {0x3E04FD, "NOW, YOU CAN PLAY WITH SONIC!"}}),
                  "This EXE file is not supported.");
}

TEST_F(Identify, ExecutableEditionIsWhereTheWholeTextLies) {
    // The two places are 16 bytes apart and the text is 29 long, so a file holds at most one whole copy:
    // the copy written last, over the other's start or end, decides.
    const Patch english{0x3E04FD, "Now, you can play with SONIC!"};
    const Patch japanese{0x3E050D, "Now, you can play with SONIC!"};
    expectGame(identify("e.exe", {{0x00, "MZ"}, japanese, english}), "Sonic Adventure DX PC (E)");
    expectGame(identify("j.exe", {{0x00, "MZ"}, english, japanese}), "Sonic Adventure DX PC (J)");
}

TEST_F(Identify, GbaLogoMustMatchAllItsBytes) {
    std::string logo = test::gbaLogo();
    ASSERT_EQ(logo.size(), 156u);
    const std::vector<Patch> game = {{0xAC, "ASOE"}};
    expectGame(identify("ok.gba", with({{0x04, logo}}, game)), "Sonic Advance (U)");
    logo.back() = '\x08';
    expectRefused(identify("last.gba", with({{0x04, logo}}, game)),
                  "This is not a valid GameBoy Advance ROM.");
}

// --- Mega Drive and Mega-CD catalogue ----------------------------------------------------------------------

TEST_F(Identify, Sonic1WithAnUnknownMarkerIsRefusedSilently) {
    for (const std::string& marker :
         std::vector<std::string>{"XXXXXXXXX", "BUS ERRO ", "R       X", std::string(9, '\0')}) {
        SCOPED_TRACE(marker);
        const auto id = identify("sonic1.bin", segaImage("00004049-01", {{0x4FB, marker}}));
        EXPECT_EQ(id.game, "");
        EXPECT_EQ(id.message, "");
        EXPECT_FALSE(id.readFailed);
        EXPECT_FALSE(id.recognised());
    }
}

TEST_F(Identify, Sonic1ChecksumCountsOnlyWithTheBusErrorMarker) {
    const Patch checksum{0x18E, hexBytes("AF C7")};
    expectGame(identify("beta.bin", segaImage("00004049-01", {{0x4FB, "R        "}, checksum})),
               "Sonic The Hedgehog 2 - Beta");
    expectGame(
        identify("rev2.bin", segaImage("00004049-01", {{0x4FB, "BUS ERROR"}, {0x18E, hexBytes("C7 AF")}})),
        "Sonic The Hedgehog 1 - Revision 2");
}

TEST_F(Identify, SpinballWithAnotherRegionIsNotSupported) {
    for (const std::string& region : std::vector<std::string>{"J", std::string(1, '\0'), "u"}) {
        SCOPED_TRACE(region);
        expectRefused(identify("spinball.bin", segaImage("MK-1537 -00", {{0x1F0, region}})),
                      kNotSupportedMegaDrive);
    }
}

TEST_F(Identify, QuestionMarksAndXsInProductCodesAreNotWildcards) {
    for (const std::string code :
         {"AB-1234 -00", "T-12345 -00", "XXXXXXXX-XY", "12345678-90", "NK-1 3  -00"}) {
        SCOPED_TRACE(code);
        expectRefused(identify("code.bin", segaImage(code)), kNotSupportedMegaDrive);
    }
}

TEST_F(Identify, ProductCodeFieldIsElevenBytesAfterTheTypePrefix) {
    // The code shifted by one byte, or cut by one, is another code.
    expectRefused(identify("shifted.bin", {{0x100, "SEGA MEGA DRIVE"}, {0x184, "00001051-01"}}),
                  kNotSupportedMegaDrive);
    expectRefused(identify("cut.bin", {{0x100, "SEGA MEGA DRIVE"}, {0x183, "00001051-0"}, {0x18D, "X"}}),
                  kNotSupportedMegaDrive);
}

TEST_F(Identify, MegaCdSubTestsThatAllFailAreNotSupported) {
    const std::string notSupported = "This MegaCD ISO is not supported.";
    expectRefused(identify("j.iso", segaImage("MK-4407-00 ", {{0x1F0, "J"}})), notSupported);
    expectRefused(identify("beta.iso", segaImage("00000000-00", {{0x20B, "Z"}})), notSupported);
}

// --- Lock-on cartridge -------------------------------------------------------------------------------------

TEST_F(Identify, LockOnAloneIsExactlyTwoMegabytes) {
    expectGame(identify("sk.bin", segaImage("MK-1563 -00"), kLockOnSize), "Sonic && Knuckles");
}

TEST_F(Identify, LockOnOneByteLongerOrShorterLooksForAnAttachedImage) {
    for (const std::uint64_t size : {kLockOnSize - 1, kLockOnSize + 1}) {
        SCOPED_TRACE(size);
        expectGame(identify("sk.bin", segaImage("MK-1563 -00"), size),
                   "Sonic && Knuckles with a random Megadrive ROM");
    }
}

TEST_F(Identify, LockOnEndingBeforeTheAttachedProductCodeIsWithARandomRom) {
    expectGame(identify("short.bin", segaImage("MK-1563 -00"), 0x200100),
               "Sonic && Knuckles with a random Megadrive ROM");
    expectGame(identify("tiny.bin", segaImage("MK-1563 -00")),
               "Sonic && Knuckles with a random Megadrive ROM");
    // The attached code cut off one byte before its end.
    expectGame(identify("cut.bin", segaImage("MK-1563 -00", {{0x200183, "00001051-0"}})),
               "Sonic && Knuckles with a random Megadrive ROM");
}

TEST_F(Identify, LockOnAttachedImageIsFoundAtAnyOtherLength) {
    const std::vector<Patch> sonic2 = segaImage("MK-1563 -00", {{0x200183, "00001051-01"}});
    expectGame(identify("just.bin", sonic2), "Sonic 2 && Knuckles");
    expectGame(identify("odd.bin", sonic2, 0x300001), "Sonic 2 && Knuckles");
}

TEST_F(Identify, LockOnAttachedSonic1FallsBackToTheBetaWithoutTheBusErrorMarker) {
    // The attached image's own "R" marker is not looked at: anything but "BUS ERROR" is the beta.
    expectGame(identify("check.bin",
                        segaImage("MK-1563 -00", {{0x200183, "00004049-01"}, {0x20018E, hexBytes("AF C7")}})),
               "Sonic 1 && Knuckles (Sonic 2 Beta)");
    expectGame(
        identify("junk.bin", segaImage("MK-1563 -00", {{0x200183, "00004049-01"}, {0x2004FB, "XXXXXXXXX"}})),
        "Sonic 1 && Knuckles (Sonic 2 Beta)");
}

TEST_F(Identify, LockOnAttachedConsoleNameIsNotTested) {
    expectGame(identify("noconsole.bin",
                        segaImage("MK-1563 -00", {{0x200100, "NOT A CONSOLE  "}, {0x200183, "MK-1079 -00"}})),
               "Sonic 3 && Knuckles");
}

// --- Master System and Game Gear signatures ----------------------------------------------------------------

TEST_F(Identify, SonicBlastTitleNamesTheGameAfterTheExtension) {
    const std::vector<Patch> title = {{0xC0, "GG SONIC 96           Ver E3 ROM1996/05/01"}};
    expectGame(identify("blast.sms", with(validHeader("sms"), title)), "Sonic Blast - Master System");
    expectGame(identify("blast.gg", with(validHeader("gg"), title)), "Sonic Blast - Game Gear");
}

TEST_F(Identify, GameGearTitlesAreTestedBeforeCodeSignatures) {
    const Patch tails{0xC0, "GG TAILS ADVENTURES"};
    for (const std::string& start : {hexBytes("3E 30 D3 05 C3 B9"), hexBytes("F3 ED 56 C3 1C 02 00 00"),
                                     hexBytes("C3 9B 00 00 00 00 00 00 E1 E7 E9 00 00 00")}) {
        SCOPED_TRACE(testing::PrintToString(start));
        expectGame(identify("tails.gg", with(validHeader("gg"), {{0x00, start}, tails})),
                   "Tails' Adventures");
    }
}

TEST_F(Identify, GameGearSubTestsThatFailEndTheSearch) {
    // The entry whose key passed decides; a later entry that would match is not tried.
    expectRefused(identify("drift.gg",
                           with(validHeader("gg"), {{0x00, hexBytes("3E 30 D3 05 C3 00")}, {0x39, "\x73"}})),
                  kNotSupportedGameGear);
    expectRefused(
        identify("labyrinth.gg", with(validHeader("gg"), {{0x00, hexBytes("F3 ED 56 C3 1C 02 00 01")}})),
        kNotSupportedGameGear);
    expectRefused(
        identify("sonic1.gg", with(validHeader("gg"), {{0x03, hexBytes("DB 7E FE B0 20")}, {0x39, "\x74"}})),
        kNotSupportedGameGear);
}

TEST_F(Identify, MasterSystemSonic2WithAnotherVersionStopsBeforeLaterSignatures) {
    const std::string key =
        test::joined({"MS SONIC", hexBytes("A5"), "THE", hexBytes("A5"), "HEDGEHOG.2 Ver"});
    // "0J!" alone would be Sonic Spinball; the Sonic 2 key passed first.
    expectGame(identify("spinball.sms", with(validHeader("sms"), {{0x205, "0J!"}})),
               "Sonic Spinball - Master System");
    expectRefused(identify("sonic2.sms", with(validHeader("sms"),
                                              {{0xC0, key}, {0xDB, "3.00 1993/01/01"}, {0x205, "0J!"}})),
                  "This Master System ROM is not supported.");
}

TEST_F(Identify, MasterSystemSignaturesAreTriedInOrder) {
    const std::string chaos = test::joined({"MS SONIC", hexBytes("A5"), "CHAOS"});
    expectGame(identify("both.sms", with(validHeader("sms"), {{0xC0, chaos}, {0x1FA, "=2G"}})),
               "Sonic The Hedgehog - Master System");
}

TEST_F(Identify, SignaturesNeedTheirNonAsciiBytes) {
    expectRefused(identify("chaos.gg", with(validHeader("gg"), {{0xC0, "GG SONIC CHAOS"}})),
                  kNotSupportedGameGear);
}

// --- Game Boy Advance and NeoGeo Pocket Colour ------------------------------------------------------------

TEST_F(Identify, SonicAdvance3EuropeIsToldApartByItsTitle) {
    const auto gba = [](const std::string& title, const std::string& region) {
        return with(validHeader("gba"), {{0xA0, title}, {0xAC, "A3S" + region}});
    };
    expectGame(identify("e.gba", gba("SONIC ADVANC", "P")), "Sonic Advance 3 (E)");
    expectGame(identify("rc.gba", gba("SONICADVANC3", "P")), "Sonic Advance 3 (E) (Release Candidate)");
    expectRefused(identify("other.gba", gba("SONIC ADVANX", "P")), kNotSupportedGba);
    expectRefused(identify("lower.gba", gba("sonic advanc", "P")), kNotSupportedGba);
    // Outside region P the title does not matter.
    expectGame(identify("j.gba", gba("SONICADVANC3", "J")), "Sonic Advance 3 (J)");
    expectGame(identify("u.gba", gba("ANYTHING    ", "E")), "Sonic Advance 3 (U)");
}

TEST_F(Identify, GbaRegionLettersGiveNamesOfTheirMarket) {
    const auto gba = [](const std::string& code) { return with(validHeader("gba"), {{0xAC, code}}); };
    expectGame(identify("u.gba", gba("A2NE")), "Sonic Advance 2 (U)");
    expectGame(identify("e.gba", gba("A2NP")), "Sonic Advance 2 (E)");
    for (const std::string code : {"A2ND", "A2NF", "A2Nj", "A2NU"}) {
        SCOPED_TRACE(code);
        expectRefused(identify("x.gba", gba(code)), kNotSupportedGba);
    }
    // Only characters 2 and 3 of the game code pick the game.
    expectGame(identify("b.gba", gba("BSBJ")), "Sonic Battle (J)");
}

TEST_F(Identify, NeoGeoTitleIsCaseSensitive) {
    expectRefused(identify("pocket.npc", with(validHeader("npc"), {{0x24, "Sonic Pocket"}})),
                  "This NeoGeo Pocket Colour ROM is not supported.");
}

// --- Files that cannot be identified ----------------------------------------------------------------------

TEST_F(Identify, MissingFileIsAnErrorAndNoIdentification) {
    for (const std::string name : {"missing.bin", "missing.txt", "missing"}) {
        SCOPED_TRACE(name);
        const auto result = detectGame(m_dir.file(name));
        ASSERT_FALSE(result);
        EXPECT_FALSE(result.error().empty());
        EXPECT_FALSE(std::filesystem::exists(m_dir.file(name)));
    }
}

TEST_F(Identify, FolderIsAnErrorEvenWithARomExtension) {
    const auto folder = m_dir.file("folder.bin");
    std::filesystem::create_directory(folder);
    const auto result = detectGame(folder);
    ASSERT_FALSE(result);
    EXPECT_FALSE(result.error().empty());
}

// Identifies a file that its owner may not read. Root reads it anyway, so as root the identification runs
// in a child process that has given up root for the unprivileged "nobody" account.
std::optional<Identification> identifyWithoutReadPermission(const std::string& path) {
    if (::access(path.c_str(), R_OK) != 0) {
        auto result = detectGame(path);
        if (!result) {
            ADD_FAILURE() << "detectGame failed: " << result.error();
            return std::nullopt;
        }
        return std::move(result).value();
    }
    if (::geteuid() != 0) {
        return std::nullopt;
    }
    int fds[2];
    if (::pipe(fds) != 0) {
        return std::nullopt;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        constexpr uid_t kNobody = 65534;
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0 ||
            ::access(path.c_str(), R_OK) == 0) {
            ::_exit(3);
        }
        const auto result = detectGame(path);
        if (!result) {
            ::_exit(2);
        }
        const std::string reply =
            result->game + '\0' + result->message + '\0' + (result->readFailed ? '1' : '0');
        const bool written =
            ::write(fds[1], reply.data(), reply.size()) == static_cast<ssize_t>(reply.size());
        ::_exit(written ? 0 : 3);
    }
    ::close(fds[1]);
    std::string reply;
    char buffer[512];
    for (ssize_t n = 0; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;) {
        reply.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fds[0]);
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) == 3) {
        return std::nullopt;
    }
    if (WEXITSTATUS(status) != 0) {
        ADD_FAILURE() << "detectGame failed in the unprivileged process";
        return std::nullopt;
    }
    const auto first = reply.find('\0');
    const auto second = reply.find('\0', first + 1);
    return Identification{.game = reply.substr(0, first),
                          .readFailed = reply.substr(second + 1) == "1",
                          .message = reply.substr(first + 1, second - first - 1)};
}

TEST_F(Identify, UnreadableFileReportsTheFailedReadThenTheRefusal) {
    const auto bin = m_dir.file("locked.bin");
    const auto mb = m_dir.file("locked.mb");
    test::writeImage(bin, segaImage("00001051-01"));
    test::writeImage(mb, {{0xA0, "CHAO A"}});
    ASSERT_EQ(::chmod(bin.c_str(), 0), 0);
    ASSERT_EQ(::chmod(mb.c_str(), 0), 0);

    const auto binId = identifyWithoutReadPermission(bin);
    if (!binId) {
        GTEST_SKIP() << "cannot make a file unreadable for this user";
    }
    EXPECT_EQ(binId->game, "");
    EXPECT_TRUE(binId->readFailed);
    EXPECT_EQ(binId->message, kNotValidMegaDrive);

    // A MultiBoot image has no validity test: its first read is the title.
    const auto mbId = identifyWithoutReadPermission(mb);
    ASSERT_TRUE(mbId);
    EXPECT_EQ(mbId->game, "");
    EXPECT_TRUE(mbId->readFailed);
    EXPECT_EQ(mbId->message, "This MultiBoot GameBoy Advance ROM is not supported.");
}

TEST_F(Identify, TruncatedFilesAreRefusedLikeAnyOtherMismatch) {
    expectRefused(identify("empty.bin", {}, 0), kNotValidMegaDrive);
    expectRefused(identify("header.bin", {{0x100, "SEGA "}}), kNotValidMegaDrive);
    expectRefused(identify("console.bin", {{0x100, "SEGA MEGA DRIVE"}}), kNotSupportedMegaDrive);
    expectRefused(identify("code.bin", {{0x100, "SEGA MEGA DRIVE"}, {0x183, "00001051"}}),
                  kNotSupportedMegaDrive);
    expectRefused(identify("empty.gba", {}, 0), "This is not a valid GameBoy Advance ROM.");
    expectRefused(identify("logo.gba", {{0x04, test::gbaLogo().substr(0, 100)}}),
                  "This is not a valid GameBoy Advance ROM.");
    expectRefused(identify("short.exe", {{0x00, "MZ"}}), "This EXE file is not supported.");
}

}  // namespace
}  // namespace rq
