// The verbs that work on a game file without a template: identify, ini, the cutscene texts of the PC
// executable, the header editors' fields, and the searches and the files made from them.

#include <nlohmann/json.hpp>
#include "cli_fixture.h"
#include "files/filehandle.h"

namespace rq {

namespace {

using namespace std::string_literals;
using namespace test;

const std::string kNothingWritten = " Nothing was written.\n";

std::string megaDrive(const TempDir& dir, const std::string& name, const std::string& code) {
    writeImage(dir.file(name), {{0x100, "SEGA MEGA DRIVE "}, {0x180, "GM " + code}});
    return dir.file(name);
}

// The real program, given names outside ASCII and outside code page 1252: Windows passes arguments in the
// ANSI code page unless the manifest asks for UTF-8.
TEST(CliIdentify, PrintsEachGameRefusalOrErrorOnItsOwnLineAndExitsOneWhenAnyIsRefused) {
    const TempDir dir;
    std::filesystem::create_directory(dir.file("folder.bin"));
    const std::vector<std::string> files = {
        megaDrive(dir, "caf\xC3\xA9.bin", "00001051-01"), dir.file("missing.bin"), dir.file("folder.bin"),
        megaDrive(dir, "other.bin", "MK-9999 -00"), megaDrive(dir, "\xCE\xA9mega.bin", "00004049-01")};
    const auto run = runTool(ROMQUILL_CLI, {"identify", files[0], files[1], files[2], files[3], files[4]});
    EXPECT_EQ(std::tuple(run.exitCode, run.err), std::tuple(1, ""));
    EXPECT_EQ(run.out, files[0] + "\tSonic The Hedgehog 2\n" + files[1] + "\tThe file \"" + files[1] +
                           "\" does not exist.\n" + files[2] + "\t\"" + files[2] +
                           "\" is not a regular file.\n" + files[3] +
                           "\tThis Megadrive ROM is not supported.\n" + files[4] + "\t\n");
    EXPECT_EQ(runCli({"identify", files[0]}).exitCode, 0);
#ifdef _WIN32
    EXPECT_EQ(GetACP(), static_cast<UINT>(CP_UTF8)) << "the manifest of the test program itself";
#endif
}

// Files whose reads fail: the process's own memory, whose first pages are never mapped.
TEST(CliIdentify, AFileThatCannotBeReadGivesTheReadFailureBeforeTheRefusal) {
#ifdef _WIN32
    GTEST_SKIP() << "needs /proc/self/mem, which opens but cannot be read";
#endif
    const TempDir dir;
    const std::string bin = dir.file("locked.bin"), multiBoot = dir.file("locked.mb");
    for (const auto& name : {bin, multiBoot}) {
        std::filesystem::create_symlink("/proc/self/mem", name);
    }
    const auto run = runCli({"identify", bin, multiBoot});
    EXPECT_EQ(run.exitCode, 1);
    // A MultiBoot image has no validity test: its first read is the title.
    EXPECT_EQ(run.out, bin + "\tROM not found! This is not a valid Megadrive ROM.\n" + multiBoot +
                           "\tROM not found! This MultiBoot GameBoy Advance ROM is not supported.\n");
}

// Another program (an emulator) holding the file without sharing it: said so, with the system's reason, in
// place of "ROM not found!" or a missing file.
TEST(CliIdentify, AFileInUseByAnotherProgramSaysSo) {
#ifndef _WIN32
    GTEST_SKIP() << "only Windows lets a program keep others out of a file";
#else
    const TempDir dir;
    const std::string gba = dir.file("held.gba");
    writeImage(gba, {}, 0x200);
    HANDLE held =
        CreateFileW(files::fsPath(gba).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const std::string inUse = "The file \"" + gba + "\" is in use by another program: " +
                              files::systemReason(ERROR_SHARING_VIOLATION) + ".";
    EXPECT_EQ(runCli({"identify", gba}).out, gba + "\t" + inUse + "\n");
    const std::vector<files::RoomWrite> rooms = {{0, "x", "one"}};
    const auto written = test::writeBare(gba, rooms);
    EXPECT_EQ(written.ok() ? "" : written.error(), inUse + " Nothing was written.");
    CloseHandle(held);
#endif
}

// Every text goes back as it shows, so no room is rewritten: the bytes after each zero stay, and "edition" is
// not read. A translated CSV file, as a spreadsheet saves it, writes what the cutscene editor's save writes;
// the PO file of the result finds it in place.
TEST(CliCutscenes, ADumpInsertedBackIsNoChangeAndATranslationWritesWhatTheEditorsSaveWrites) {
    const TempDir dir;
    const std::string exe = writeCutsceneExecutable(dir, "0", cutscenes::Edition::E);
    const std::string saved = dir.file("saved.exe");
    std::filesystem::copy_file(exe, saved);
    const auto dumped = runTool(ROMQUILL_CLI, {"cutscenes", "dump", exe});
    EXPECT_EQ(dumped.out.rfind("{\n  \"edition\": \"E\",\n  \"texts\": {\n    \"sonic[0]\": \"t0\",\n", 0),
              0u);
    EXPECT_TRUE(dumped.out.ends_with("\"playas6\": \"t109\"\n  }\n}\n")) << dumped.out;
    writeText(dir.file("texts.json"), replaced(dumped.out, {{"\"E\"", "\"J\""}}));
    EXPECT_EQ(runTool(ROMQUILL_CLI, {"cutscenes", "insert", exe, dir.file("texts.json")}).out,
              "Writing complete! 0 texts written.\n");
    EXPECT_EQ(readAll(exe), readAll(saved));

    ASSERT_TRUE(cutscenes::saveCutsceneTexts(saved, cutscenes::Edition::E, {{{1, "Hi, you"}}}));
    std::string exported = runCli({"cutscenes", "dump", "--format", "csv", exe}).out;
    ASSERT_EQ(exported.find(
                  "entry,offset,length,limit,comment,original,translation,locked,previous\r\nsonic[0],0x"),
              0u);
    exported.replace(exported.find(",t1,", exported.find("sonic[1],")) + 4, 0, "\"Hi, you\"");
    writeText(dir.file("texts.csv"), exported + ",,,,,,\r\n,,,,,,\r\n");
    const auto run = runCli({"cutscenes", "insert", exe, dir.file("texts.csv")});
    EXPECT_EQ(run.err + run.out, "Writing complete! 1 text written.\n");
    EXPECT_EQ(readAll(exe), readAll(saved));
    const std::string po = runCli({"cutscenes", "--format", "po", "dump", exe}).out;
    EXPECT_NE(po.find("msgctxt \"sonic[1]\"\nmsgid \"Hi, you\"\n"), std::string::npos);
    if (kBuildReadsPo) {
        writeText(dir.file("texts.po"), po);
        EXPECT_EQ(runCli({"cutscenes", "insert", exe, dir.file("texts.po")}).out,
                  "Writing complete! 0 texts written.\n");
    }
    // XLIFF by its keys: the second text translated back, as the editor's save writes it.
    std::string xliff = runCli({"cutscenes", "--format", "xliff", "dump", exe}).out;
    const std::string unit = "resname=\"sonic[1]\"";
    ASSERT_NE(xliff.find(unit), std::string::npos) << xliff;
    xliff.insert(xliff.find("</source>", xliff.find(unit)) + 9, "<target>t1</target>");
    writeText(dir.file("texts.xliff"), xliff);
    EXPECT_EQ(runCli({"cutscenes", "insert", exe, dir.file("texts.xliff")}).out,
              "Writing complete! 1 text written.\n");
    ASSERT_TRUE(cutscenes::saveCutsceneTexts(saved, cutscenes::Edition::E, {{{1, "t1"}}}));
    EXPECT_EQ(readAll(exe), readAll(saved));

    const auto unmarked =
        runCli({"cutscenes", "dump", writeCutsceneExecutable(dir, "X", cutscenes::Edition::None)});
    EXPECT_EQ(unmarked.out.rfind("{\n  \"edition\": null,\n", 0), 0u);
    EXPECT_TRUE(unmarked.out.ends_with("\"tikaltxt[3]\": \"t103\"\n  }\n}\n")) << unmarked.out;
}

INSTANTIATE_TEST_SUITE_P(
    IniAndCutscenes, CliCommandLine,
    testing::Values(
        // Code-page bytes come out as UTF-8, and a UTF-8 key finds them.
        row("CodePageBytes", {"ini", "-", "gamenames", "Caf\xC3\xA9"},
            "[gamenames]\r\nCaf\xE9=Caf\xE9 au lait\r\n", 0, "Caf\xC3\xA9 au lait\n"),
        row("Default", {"ini", "@MISSING", "gamenames", "Sonic && Knuckles", "0"}, "", 0, "0\n"),
        // Each refusal of insert writes nothing; --force opens a file that is no executable to its texts.
        refusal("NotAnExecutable", {"cutscenes", "insert", "@A", "-"}, R"({"texts": {"sonic[0]": "x"}})",
                "\"@A\" is not a PC executable (it does not start with \"MZ\"), so it holds no cutscene "
                "texts. Nothing was written. To write it all the same, give --force.\n"),
        refusal("ForcedPastTheEnd", {"cutscenes", "insert", "--force", "@A", "-"},
                R"({"texts": {"sonic[0]": "x"}})",
                "\"@A\": Cutscene 1, line 1 lies past the end of the file (offset 0x47B0C5, 29 bytes; the "
                "file has 8 bytes)." +
                    kNothingWritten),
        // A key is quoted as given, escaped.
        refusal("UnknownKey", {"cutscenes", "insert", "@EXE", "-"},
                R"({"texts": {"sonic[1]": "ok", "sonic\u001b[100]": "x"}})",
                "standard input: the key \"sonic\\x1B[100]\" names no cutscene text." + kNothingWritten),
        refusal("FileMissing", {"cutscenes", "insert", "@MISSING", "-"}, R"({"texts": {}})",
                "\"@MISSING\": ROM not found!\n")),
    rowName);

// A GBA header whose title is shown short, by a zero byte. Its check byte, 0x00, is wrong: the bytes at
// 0xA0..0xBC sum to 0x5B1 ("AB" 0x83, "CDEFGHIJK" 0x27F, "AXYE" 0x137, "01" 0x61, 0x96, 0x80, 0x01), and
// -(0x5B1 + 0x19) = 0x36 (mod 256); with the maker "99" (0x72) the sum is 0x5C2 and the byte 0x25.
// A text given as the file shows it is no change: the title's bytes after its zero stay.
TEST(CliHeader, PrintsTheFieldsAndChecksumAsJsonAndWritesOnlyChangedFieldsThenTheChecksum) {
    const TempDir dir;
    const std::string gba = dir.file("game.gba");
    writeImage(gba, {{0xA0, "AB\0CDEFGHIJKAXYE01\x96\0\x80"s}, {0xBC, "\x01\0"s}, {0xBE, "\xEE"}}, 0x100);
    std::string expected = readAll(gba);
    auto shown = runTool(ROMQUILL_CLI, {"header", gba, "--json"}).out;
    std::erase(shown, '\n');
    EXPECT_EQ(shown,
              R"({  "kind": "gba",  "fields": {    "romtitle": "AB",    "shortname": "XY",    "region": "E",)"
              R"(    "maker": "01",    "devicetype": "80",    "version": "01"  },)"
              R"(  "checksum": {    "stored": 0,    "computed": 54,    "right": false  }})");
    const auto fixed =
        runTool(ROMQUILL_CLI, {"header", gba, "--set", "romtitle=AB", "--set=maker=99", "--fix-checksum"});
    EXPECT_EQ(fixed.out.rfind("Writing complete! 1 field written.\nGBA header of " + gba + "\n", 0), 0u);
    EXPECT_TRUE(fixed.out.ends_with("\n  checksum          stored 0x25, computed 0x25: right\n"))
        << fixed.out;
    expected.replace(0xB0, 2, "99")[0xBD] = '\x25';
    EXPECT_EQ(readAll(gba), expected);
}

// Beside each refusal a field that could be written and the checksum's fix: neither may be.
INSTANTIATE_TEST_SUITE_P(
    HeaderRefusals, CliCommandLine,
    testing::Values(
        refusal("NoSuchField", {"header", "@GBA", "--set", "maker=77", "--fix-checksum", "--set", "title=X"},
                "", "\"@GBA\": A GBA header has no field \"title\"." + kNothingWritten),
        refusal("TooShort", {"header", "@A", "--set", "maker=77", "--fix-checksum"}, "",
                "\"@A\" has 8 bytes, too few to hold the checksum at 0x18E." + kNothingWritten),
        refusal("NeitherKind", {"header", "@TBL", "--set", "maker=77", "--fix-checksum"}, "",
                "\"@TBL\" is neither a GBA ROM (.gba) nor a Mega Drive ROM (.bin)." + kNothingWritten)),
    rowName);

// find, table from-hit, pointers and template new on the demo file: each output form once, and their
// refusals. What they find and make is the core's, tested there.
INSTANTIATE_TEST_SUITE_P(
    Search, CliCommandLine,
    testing::Values(
        row("RelativeHits", {"find", "@DEMO", "--relative", "Press"}, "", 0,
            "0x210 8-bit: P=10 r=2C e=1F s=2D\n"),
        row("APhrase", {"find", "@DEMO", "--relative", "Press Start"}, "", 0,
            "0x210 8-bit: P=10 r=2C e=1F s=2D S=13 t=2E a=1B space=00\n"),
        row("RelativeHitsAsJson", {"find", "--json", "@DEMO", "--relative=Press", "--width", "1"}, "", 0,
            "{\n  \"hits\": [\n    {\n      \"offset\": 528,\n      \"width\": 1,\n      \"endian\": null,\n"
            "      \"codes\": {\n        \"P\": \"10\",\n"),
        row("TableHits",
            {"find", "--program-folder", "@FOLDER", "@DEMO", "--table", "demo-menu.ini", "Start"}, "", 0,
            "0x216 (5 bytes)\n"),
        row("TableHitsAsJson", {"find", "@DEMO", "--table", "@TBL", "--text", "AA", "--json"}, "", 0,
            "{\n  \"hits\": [],\n  \"more\": false\n}\n"),
        mistake(
            "NeitherModeNorBoth", {"find", "@DEMO"},
            "romquill-cli: find takes one of --relative WORD and --table TABLE.\nUsage: romquill-cli find"),
        refusal("AWordTooShort", {"find", "@DEMO", "--relative", "AB"}, "",
                "The word \"AB\" has too few letters or digits to mean anything"),
        row("ATableFromAHit",
            {"table", "from-hit", "@DEMO", "--relative", "Press", "--offset", "0x210", "@OUT"}, "", 0,
            "Wrote @OUT from the 8-bit hit at 0x210.\n"),
        row("ATableFromAPhraseWithItsEndToken",
            {"table", "from-hit", "@DEMO", "--relative", "Press Start", "--offset", "210", "--end", "FF",
             "@OUT"},
            "", 0, "Wrote @OUT from the 8-bit hit at 0x210.\n"),
        refusal("AnEndTokenThatIsACode",
                {"table", "from-hit", "@DEMO", "--relative", "Press Start", "--offset", "210", "--end",
                 "0x00", "@OUT"},
                "", "The end token 0x00 is the code 00 of \" \" in the hit. Nothing was written.\n"),
        refusal(
            "AnEndTokenOfHalfAByte",
            {"table", "from-hit", "@DEMO", "--relative", "Press", "--offset", "210", "--end", "F", "@OUT"},
            "", "--end is the end token's 1 to 4 bytes in hexadecimal, as they lie in the file, not \"F\"."),
        refusal("NoHitThere",
                {"table", "from-hit", "@DEMO", "--relative", "Press", "--offset", "211", "@OUT"}, "",
                "The word \"Press\" does not match at 0x211. Nothing was written.\n"),
        row("PointerTables", {"pointers", "@DEMO", "300", "0x320", "350", "370"}, "", 0,
            "be32 base 0: table at 0x3F0, stride 4, 4 cells, 4 of the 4 strings\n"),
        row("PointerTablesAsJson", {"pointers", "--json", "@DEMO", "300", "320"}, "", 0,
            "[\n  {\n    \"format\": \"be32\",\n    \"base\": 0,\n    \"table\": 1008,\n"),
        refusal("OnePointer", {"pointers", "@DEMO", "300"}, "",
                "pointers needs the offsets of at least 2 strings.\n"),
        row("ATemplate",
            {"template", "new", "--program-folder", "@FOLDER", "--table", "demo-script.tbl", "--pointers",
             "3F0,4,be32", "@OUT"},
            "", 0, "Wrote @OUT: 4 entries through demo-script.tbl.\n"),
        row("ATemplateOfTwoTablesWithFreeSpace",
            {"template", "new", "--program-folder", "@FOLDER", "--table", "demo-script.tbl", "--pointers",
             "3F0,2,be32", "--free", "390-3C0,3D0-3F0", "--pointers", "3F8,2,be32,,,4", "--fill", "00",
             "@OUT"},
            "", 0, "Wrote @OUT: 4 entries through demo-script.tbl.\n"),
        refusal(
            "FreeSpaceThatIsNoRange",
            {"template", "new", "--table", "demo-script.tbl", "--pointers", "3F0,4,be32", "--free", "3F0-390",
             "@OUT"},
            "",
            "--free \"3F0-390\" is not a list of ranges START-END of hexadecimal offsets, each end after its "
            "start. Nothing was written.\n"),
        refusal("AFillWithoutFreeSpace",
                {"template", "new", "--table", "demo-script.tbl", "--pointers", "3F0,4,be32", "--fill", "00",
                 "@OUT"},
                "", "--fill is the fill byte of the free space that --free gives. Nothing was written.\n"),
        refusal("ATemplateOfAFormatThatIsNot",
                {"template", "new", "--table", "demo-script.tbl", "--pointers", "3F0,4,le8", "@OUT"}, "",
                "--pointers is OFFSET,COUNT,FORMAT[,BASE[,START-END]]")),
    rowName);

// A GBA image laid out as a compiler lays out its data: six menu strings through an array of pointers, four
// items through an array of records {name, price} (stride 8), three lines through another array of
// pointers, each string ended by 00 and aligned to 4 bytes, and free space of FF at the end. Its codes:
// A-Z from 0A, a-z from 24, the space and ".,!?'-" from 50.
std::string compiledGame(std::vector<std::uint64_t>& items, std::vector<std::uint64_t>& lines) {
    std::string rom(0x1000, '\0');
    rom.replace(0x800, 0x800, std::string(0x800, '\xFF'));
    std::uint64_t at = 0x200;
    const auto put = [&rom](std::uint64_t offset, std::uint32_t value) {
        for (std::uint64_t i = 0; i < 4; ++i) {
            rom[offset + i] = static_cast<char>(value >> (8 * i));
        }
    };
    const auto string = [&](std::string_view text) {
        const std::uint64_t offset = at;
        for (const char ch : text) {
            const auto mark = std::string_view(" .,!?'-").find(ch);
            rom[at++] = static_cast<char>(ch >= 'a'   ? 0x24 + ch - 'a'
                                          : ch >= 'A' ? 0x0A + ch - 'A'
                                                      : 0x50 + mark);
        }
        at = (at + 4) & ~std::uint64_t{3};
        return offset;
    };
    std::uint32_t cell = 0x100;
    for (const char* text : {"New game", "Continue", "Options", "Sound test", "Credits", "Quit"}) {
        put(cell, 0x08000000 + static_cast<std::uint32_t>(string(text)));
        cell += 4;
    }
    for (const char* text :
         {"Potion, heals. Nice!", "Ether, mana. Good!", "Elixir, all. Rare!", "Tent, rest. Cheap!"}) {
        items.push_back(string(text));
        put(cell, 0x08000000 + static_cast<std::uint32_t>(items.back()));
        put(cell + 4, 50 * cell);
        cell += 8;
    }
    for (const char* text : {"Hello there.", "Who's that?", "Bye-bye!"}) {
        lines.push_back(string(text));
        put(cell, 0x08000000 + static_cast<std::uint32_t>(lines.back()));
        cell += 4;
    }
    return rom;
}

// From a phrase seen on the screen to a template that writes longer texts, with no hand edit: the table made
// from the phrase's hit reads every string the phrase's letters and marks spell, the pointer tables found
// from the strings it finds go into the template as pointers prints them, check passes, and an insert moves
// the longer texts into the free space and reads them back.
TEST(CliSearchWalk, APhraseBecomesATemplateThatWritesLongerTexts) {
    ProgramFolder folder;
    const auto cli = [&folder](std::vector<std::string> args) {
        args.insert(args.begin(), {"--program-folder", folder.dir().file("")});
        return runCli(args);
    };
    std::vector<std::uint64_t> items, lines;
    const std::string game = folder.dir().file("game.gba");
    writeText(game, compiledGame(items, lines));
    const std::string original = readAll(game);

    const auto found = cli({"find", game, "--relative", "Ether, mana. Good!"});
    ASSERT_EQ(found.out.substr(0, 18), "0x254 8-bit: E=0E ") << found.out;
    const std::string table = folder.path("plugins\\alphabets\\found.tbl");
    EXPECT_EQ(cli({"table", "from-hit", game, "--relative", "Ether, mana. Good!", "--offset", "254", "--end",
                   "00", table})
                  .exitCode,
              0);
    std::vector<std::string> offsets = {"pointers", game};
    for (const char* word : {"Potion, heals.", "Ether", "Elixir", "Tent, rest."}) {
        const auto hit = cli({"find", game, "--table", "found.tbl", word});
        offsets.push_back(hit.out.substr(2, hit.out.find(' ') - 2));
    }
    EXPECT_EQ(offsets, (std::vector<std::string>{"pointers", game, "23C", "254", "268", "27C"}));
    EXPECT_EQ(cli({"find", game, "--table", "found.tbl", "mana."}).out,
              "0x25B (5 bytes), in the string at 0x254\n");
    EXPECT_EQ(cli(offsets).out.substr(0, 73),
              "le32 base 8000000: table at 0x118, stride 8, 4 cells, 4 of the 4 strings\n");
    EXPECT_EQ(cli({"pointers", game, "290", "2A0", "2AC"}).out.substr(0, 73),
              "le32 base 8000000: table at 0x138, stride 4, 3 cells, 3 of the 3 strings\n");

    const std::string made = folder.path("plugins\\games\\found.ini");
    EXPECT_EQ(cli({"template", "new", "--table", "found.tbl", "--pointers", "118,4,le32,8000000,,8",
                   "--pointers", "0x138,3,le32,8000000", "--free", "800-1000", "--fill", "FF", made})
                  .out,
              "Wrote " + made + ": 7 entries through found.tbl.\n");
    EXPECT_EQ(cli({"check", "--template", "found.ini", game}).out, "no problems\n");
    writeText(folder.dir().file("texts.json"),
              R"({"entries": [{"entry": 2, "text": "Ether, heals all. Rare, good!"},
                              {"entry": 5, "text": "Hello there, traveller."}]})");
    EXPECT_EQ(cli({"insert", "--template", "found.ini", game, folder.dir().file("texts.json")}).out,
              "Writing complete! 2 entries written.\n");
    const auto dumped = nlohmann::json::parse(cli({"dump", "--template", "found.ini", game}).out)["entries"];
    EXPECT_EQ(std::tuple(dumped[1]["offset"], dumped[1]["text"], dumped[4]["offset"], dumped[4]["text"],
                         dumped[5]["text"]),
              std::tuple("800", "Ether, heals all. Rare, good!", "81E", "Hello there, traveller.",
                         "Who<$55>s that<$54>"));
    EXPECT_EQ(readAll(game).substr(0, 0x118), original.substr(0, 0x118));
}

}  // namespace
}  // namespace rq
