// The verbs that work on a game file without a template: identify, ini, the cutscene texts of the PC
// executable, the header editors' fields, and the searches and the files made from them.

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
    ASSERT_EQ(exported.find("entry,offset,length,limit,comment,original,translation\r\nsonic[0],0x"), 0u);
    exported.replace(exported.find("\r\n", exported.find("sonic[1],")), 0, "\"Hi, you\"");
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
        refusal("ATemplateOfAFormatThatIsNot",
                {"template", "new", "--table", "demo-script.tbl", "--pointers", "3F0,4,le8", "@OUT"}, "",
                "--pointers is OFFSET,COUNT,FORMAT[,BASE[,START-END]]")),
    rowName);

}  // namespace
}  // namespace rq
