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

}  // namespace rq::test
