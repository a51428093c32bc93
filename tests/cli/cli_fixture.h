#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/demo_fixture.h"

namespace rq::test {

// A verb run in-process on the build's program folder, given after the verb.
inline ToolRun cli(std::vector<std::string> args, std::ostream* out = nullptr,
                   const std::string& input = {}) {
    args.insert(args.begin() + 1, {"--program-folder", buildProgramFolder()});
    return runCli(args, out, input);
}

// The demo file with the demo template and alphabets of the build, as the CLI reads and writes it.
class CliDemo : public DemoFixture {
  protected:
    void SetUp() override {
        DemoFixture::SetUp();
        m_original = readAll(m_demo);
    }

    [[nodiscard]] ToolRun insert(const std::string& json) const {
        writeText(m_json, json);
        return cli({"insert", "--template", "demo.ini", m_demo, m_json});
    }

    std::string m_json = m_dir.file("texts.json");
    std::string m_original;
};

// A run of the command line: its arguments, standard input, exit status, and what it prints.
struct CommandRow {
    std::string name;
    std::vector<std::string> args;  // "@A", "@DEMO", ... stand for the files the test makes
    std::string input;              // standard input, or a file's bytes for "@A", ...
    int exitCode;
    std::string out;  // the start of standard output, all of it when empty
    std::string err;  // the start of standard error
};

// Rows as calls, so that a table packs as tightly as its texts allow.
inline CommandRow row(std::string name, std::vector<std::string> args, std::string input, int exitCode,
                      std::string out, std::string err = {}) {
    return {std::move(name), std::move(args), std::move(input), exitCode, std::move(out), std::move(err)};
}
inline CommandRow mistake(std::string name, std::vector<std::string> args, std::string err) {
    return row(std::move(name), std::move(args), "", 2, "", std::move(err));
}
// A refusal: exit status 1, nothing on standard output, and this on standard error.
inline CommandRow refusal(std::string name, std::vector<std::string> args, std::string input,
                          const std::string& err) {
    return row(std::move(name), std::move(args), std::move(input), 1, "", "romquill-cli: " + err);
}

// The files the rows name: "@A", "@B", "@P" a patch between them, "@IPS" one whose records are out of order,
// "@TBL", "@OUT", "@J", "@ENDKEY" a table whose end token begins a longer key, "@LINK" a symbolic link to
// "@A" (not on Windows); "@EXE" a cutscene executable, "@GBA" a GBA image, "@MISSING" no file, "@LARGE" (made
// only for a row that names it) a file larger than any texts file read; "@DEMO" the demo file, "@FOLDER" the
// build's program folder. SetUp and the test are in options_test.cpp; the rows sit beside their verbs' tests.
class CliCommandLine : public CliDemo, public testing::WithParamInterface<CommandRow> {
  protected:
    void SetUp() override;
    [[nodiscard]] std::string path(const std::string& token) const {
        const auto file = std::ranges::find(m_files, token, &std::pair<std::string, std::string>::first);
        return file != m_files.end() ? file->second : token;
    }

    std::vector<std::pair<std::string, std::string>> m_files;
};

// Templates and alphabets of a program folder of the test's own, given with --program-folder.
class CliOwnFolder : public testing::Test {
  protected:
    void write(const std::string& relative, const std::string& text) const {
        writeText(m_dir.file(relative), text);
    }
    // The test's folder comes out as "F", so the expected lines read as the tool prints them; they are
    // written with '/', which stands for Windows' '\\' too.
    [[nodiscard]] ToolRun run(std::vector<std::string> args) const {
        args.insert(args.begin() + 1, {"--program-folder", m_dir.file("")});
        auto ran = runCli(args);
        for (std::string* text : {&ran.out, &ran.err}) {
            *text = replaced(*text, {{m_dir.file(""), "F/"}});
#ifdef _WIN32
            std::replace(text->begin(), text->end(), '\\', '/');
#endif
        }
        return ran;
    }

    // Two cells (le16) at 0 to "AB" and "CD", each ended by 00, in 0x40 bytes of FF.
    // The two strings read through a table and a template of their pointer table, for inserter scripts.
    void writeScriptGame() const {
        write("plugins/alphabets/t.tbl", "41=A\n42=B\n43=C\n44=D\n45=E\n/00=<END>\n");
        write("plugins/games/p.ini",
              "[TextFormattingSystem]\nNumberOfEntries=0\n0=t.tbl\n[Pointers]\nFormat=le16\n"
              "[PointerTable1]\nOffset=0\nCount=2\nTextFormat=0\nComment=Line\n");
        writeTwoStrings();
    }

    void writeTwoStrings() const {
        using namespace std::string_literals;
        writeImage(m_game, {{0, std::string(0x40, '\xFF')},
                            {0, "\x10\x00\x14\x00"s},
                            {0x10,
                             "AB\0\xFF"
                             "CD\0"s}});
    }

    TempDir m_dir;
    std::string m_game = m_dir.file("game.bin");
};

}  // namespace rq::test
