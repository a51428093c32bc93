// The script tools' files: a dumper's command file made a template, an inserter's script dumped and
// inserted, by the template's save and by the inserter's own layout.

#include "cli_fixture.h"

namespace rq {
namespace {

using namespace std::string_literals;
using namespace test;

// A template of every kind of entry the inserter's script carries: a fixed room whose text starts with "#",
// an INI alphabet's entry (left out), and a pointer table of le16 cells above a base, through a table with a
// line break, a control code with a parameter and a labelled end token; and free space.
class CliAtlas : public CliOwnFolder {
  protected:
    void SetUp() override {
        write("plugins/alphabets/t.tbl",
              "41=A\n42=B\n43=C\n44=D\n45=E\n23=#\n*FE\n$F8=<Color>,1\n/00=<end>\n");
        write("plugins/alphabets/a.ini", alphabetText(1, "41=A\n", "A=41\n"));
        write("plugins/games/a.ini",
              "[TextFormattingSystem]\nNumberOfEntries=2\n0=t.tbl\n1=a.ini\n[Pointers]\nFormat=le16\nBase="
              "8000\n"
              "[entry1]\nTextFormat=0\nLength=4\nHexLocation=30\nComment=Title\n"
              "[entry2]\nTextFormat=1\nLength=2\nHexLocation=34\nComment=Menu\n"
              "[PointerTable1]\nOffset=0\nCount=2\nTextFormat=0\nComment=Line\n[FreeSpace]\nRanges=20-30\n");
        writeImage(m_game, {{0, std::string(0x40, '\xFF')},
                            {0, "\x10\x80\x16\x80"s},
                            {0x10,
                             "AB\xFE"
                             "CD\0\xF8\x01"
                             "E\0"s},
                            {0x30, "#ABCAA"s}});
    }
};

TEST_F(CliAtlas, DumpWritesTheScriptTheGoldenFileHolds) {
    const auto run = this->run({"dump", "--template", "a.ini", "--format", "atlas", m_game});
    EXPECT_EQ(
        std::tuple(run.exitCode, run.err),
        std::tuple(
            0,
            "romquill-cli: warning: Entry 2 (\"Menu\") is left out: its text is in an INI alphabet, which "
            "no table file describes.\n"));
    EXPECT_EQ(
        run.out,
        readAll((std::filesystem::path(__FILE__).parent_path() / "golden" / "atlas-dump.txt").string()));
}

TEST_F(CliAtlas, AScriptDumpedAndInsertedBackChangesNothing) {
    const std::string before = readAll(m_game);
    write("texts.txt", replaced(run({"dump", "--template", "a.ini", "--format", "atlas", m_game}).out,
                                {{"F/", m_dir.file("")}}));
    const auto inserted =
        run({"insert", "--template", "a.ini", "--format", "atlas", m_game, m_dir.file("texts.txt")});
    EXPECT_EQ(inserted.exitCode, 0) << inserted.err;
    EXPECT_EQ(readAll(m_game), before);
}

// An inserter script through the same save: a text that fits stays, a longer one moves to the script's #JMP
// room (the template has no free space), every cell rewritten; one it cannot follow writes nothing.
TEST_F(CliOwnFolder, AnInserterScriptsLongerTextMovesToItsJumpRoom) {
    writeScriptGame();
    const std::string before = readAll(m_game);
    const std::string head =
        "#VAR(T, TABLE)\n#ADDTBL(\"t.tbl\", T)\n#ACTIVETBL(T)\n#VAR(P, CUSTOMPOINTER)\n"
        "#CREATEPTR(P, \"LINEAR\", 0, 16)\n#VAR(L, POINTERTABLE)\n#PTRTBL(L, 0, 2, P)\n";
    write("script.txt", head + "#JMP($20, $3F)\n#WRITE(L)\nBA<END>\n#WRITE(L)\nCDEAB\nCDE<END>\n");
    write("embedded.txt", head + "#EMBSET(0)\n");
    const auto insert = [&](const std::string& script) {
        return run({"insert", "--template", "p.ini", "--format", "atlas", m_game, m_dir.file(script)});
    };
    EXPECT_EQ(
        run({"qa", "--template", "p.ini", "--format", "atlas", m_game, m_dir.file("script.txt")}).exitCode,
        0);
    const auto refused = insert("embedded.txt");
    EXPECT_EQ(refused.err,
              "romquill-cli: F/embedded.txt, line 8: #EMBSET places embedded pointers, which only "
              "the inserter's own layout can do; this insert places texts itself Nothing was "
              "written.\n");
    EXPECT_EQ(readAll(m_game), before);
    EXPECT_EQ(insert("script.txt").out, "Writing complete! 2 entries written.\n");
    EXPECT_EQ(readAll(m_game), std::string(before)
                                   .replace(2, 2, "\x20\x00"s)
                                   .replace(0x10, 2, "BA")
                                   .replace(0x20, 9, "CDEABCDE\0"s));
}

// The inserter's own layout: the script's bytes where the inserter puts them, not the template's entries; a
// text its #JMP's room cannot hold, or a layout of texts that are no script, writes nothing.
TEST_F(CliOwnFolder, TheInsertersOwnLayoutWritesTheScriptsBytesAndNothingElse) {
    writeScriptGame();
    const std::string before = readAll(m_game);
    const std::string head = "#VAR(T, TABLE)\n#ADDTBL(\"t.tbl\", T)\n#ACTIVETBL(T)\n";
    write("script.txt", head + "#JMP($20, $3F)\n#W16(0)\nBA<END>\n#W16(2)\nCDE<END>\n");
    write("cut.txt", head + "#JMP($20, $21)\n#W16(0)\nBA<END>\n");
    const auto insert = [&](const std::string& script, const std::string& format) {
        return run({"insert", "--template", "p.ini", "--format", format, "--layout", "atlas", m_game,
                    m_dir.file(script)});
    };
    EXPECT_EQ(insert("cut.txt", "atlas").err,
              "romquill-cli: F/cut.txt, line 6: the text needs 3 bytes from $20, and its #JMP's room has 2 "
              "left (to $21); the inserter would cut it there. Nothing was written.\n");
    EXPECT_EQ(insert("script.txt", "json").exitCode, 1);
    const auto qa = run({"qa", "--template", "p.ini", "--format", "atlas", "--layout", "atlas", m_game,
                         m_dir.file("cut.txt")});
    EXPECT_EQ(std::tuple(qa.exitCode, qa.err.ends_with("cut it there.\n")), std::tuple(1, true)) << qa.err;
    // Past the entries, a locked entry is held by its bytes: here its cells.
    write("plugins/games/locked.ini", readAll(m_dir.file("plugins/games/p.ini")) + "Lock=yes\n");
    const auto locked = run({"insert", "--template", "locked.ini", "--format", "atlas", "--layout", "atlas",
                             m_game, m_dir.file("script.txt")});
    EXPECT_EQ(locked.err,
              "romquill-cli: F/script.txt, line 5 (pointer at $0): Entry 1 (\"Line 1\") is locked: its text "
              "cannot be changed.\nF/script.txt, line 7 (pointer at $2): Entry 2 (\"Line 2\") is locked: its "
              "text cannot be changed.\nF/script.txt has 2 problems. Nothing was written.\n");
    EXPECT_EQ(readAll(m_game), before);
    EXPECT_EQ(insert("script.txt", "atlas").out, "Writing complete! 2 strings and 2 pointers written.\n");
    EXPECT_EQ(readAll(m_game),
              std::string(before).replace(0, 4, "\x20\x00\x23\x00"s).replace(0x20, 7, "BA\0CDE\0"s));
}

// A dumper's command file becomes a template that dumps at once what the dumper dumps: strings through a
// pointer table with a positive base and one with a negative base, a RAW run split after its end tokens,
// fixed strings; its table copied into the program folder, and the blocks it cannot carry listed.
TEST(CliCartographer, ACommandFileBecomesATemplateThatDumpsItsStrings) {
    ProgramFolder folder;
    const auto run = [&folder](std::vector<std::string> args) {
        args.insert(args.begin(), {"--program-folder", folder.dir().file("")});
        return runCli(args);
    };
    const std::string game = folder.dir().file("game.bin");
    writeImage(game,
               {{0x10, "\x20\x00\x26\x00"s},
                {0x18, "\x2C\x01\x00\x08"s},
                {0x120, "HELLO\xFFWORLD\xFFSAVED\xFF"s},
                {0x200, "ONE\xFFTWO\xFFTHREE"s},
                {0x300, "ABCDEFGHIJ"s}},
               0x400);
    writeText(folder.dir().file("game.tbl"),
              "41=A\n42=B\n43=C\n44=D\n45=E\n46=F\n47=G\n48=H\n49=I\n4A=J\n4C=L\n"
              "4E=N\n4F=O\n52=R\n53=S\n54=T\n56=V\n57=W\n/FF=<end>\n");
    const std::string block = "#TABLE: game.tbl\n#COMMENTS: No\n#END BLOCK\n#BLOCK NAME: ";
    writeText(
        folder.dir().file("cmd.txt"),
        "#GAME NAME: Some Game (U)\n#BLOCK NAME: Menu\n#METHOD: POINTER_RELATIVE\n#POINTER ENDIAN: LITTLE\n"
        "#POINTER TABLE START: $10\n#POINTER TABLE STOP: $14\n#POINTER SIZE: 2\n#BASE POINTER: $100\n" +
            block +
            "Far\n#METHOD: POINTER\n#POINTER ENDIAN: LITTLE\n#POINTER TABLE START: $18\n"
            "#POINTER TABLE STOP: $1C\n#POINTER SIZE: 4\n#POINTER SPACE: 0\n#BASE POINTER: $-8000000\n" +
            block + "Raw\n#METHOD: RAW\n#SCRIPT START: $200\n#SCRIPT STOP: $20C\n" + block +
            "Fixed\n#TYPE: FIXED_STRING\n#STRING LENGTH: 4\n#METHOD: RAW\n#SCRIPT START: $300\n"
            "#SCRIPT STOP: 777\n" +
            block + "Past\n#METHOD: RAW\n#SCRIPT START: $3FF\n#SCRIPT STOP: $400\n" + block +
            "Own\n#METHOD: POINTER_RELATIVE_PC\n#TABLE: game.tbl\n#END BLOCK\n");
    const std::string made = folder.dir().file("made.ini");
    EXPECT_EQ(
        run({"template", "from-cartographer", folder.dir().file("cmd.txt"), made}).err,
        "romquill-cli: The block \"Raw\" of line 23 is a RAW one: its strings end where its table's end "
        "tokens stand in the game file, so give the game file with --game FILE. Nothing was written.\n");
    const std::string cmd = folder.dir().file("cmd.txt");
    EXPECT_EQ(
        run({"template", "from-cartographer", cmd, "--game", game, made}).out,
        "Wrote " + made + ": 9 entries of 4 blocks, 2 lines not carried.\nCopied the table into " +
            folder.path("plugins\\alphabets\\game.tbl") + ".\n" + cmd +
            ":42: #SCRIPT STOP 400 lies past the end of the game file, of 1024 bytes; the block \"Past\" "
            "is left out\n" +
            cmd +
            ":47: #METHOD POINTER_RELATIVE_PC: a template reads POINTER, POINTER_RELATIVE and RAW, not "
            "pointers relative to their own place; the block \"Own\" is left out\n");
    std::vector<std::string> texts;
    const auto dumped = nlohmann::json::parse(run({"dump", "--template", made, game}).out);
    for (const auto& entry : dumped["entries"]) {
        texts.push_back(entry["comment"].get<std::string>() + "=" + entry["text"].get<std::string>());
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"Raw 1=ONE", "Raw 2=TWO", "Raw 3=THREE", "Fixed 1=ABCD",
                                               "Fixed 2=EFGH", "Fixed 3=IJ", "Menu 1=HELLO", "Menu 2=WORLD",
                                               "Far 1=SAVED"}));
    // A table of that name with other bytes is never replaced: the blocks that need it are left out.
    folder.writeAlphabet("game.tbl", "41=A\n/FF=<end>\n");
    const auto refused = run({"template", "from-cartographer", cmd, "--game", game, "--force", made});
    EXPECT_NE(refused.err.find(":9: #TABLE game.tbl has other bytes than plugins/alphabets/game.tbl"),
              std::string::npos)
        << refused.err;
    EXPECT_TRUE(refused.err.ends_with(
        "A template needs at least one pointer table or entry. Nothing was written.\n"));
}

}  // namespace
}  // namespace rq
