#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/testfiles.h"
#include "support/tool_run.h"

namespace rq::test {

// The build lays plugins/ and gfx/ beside the tool: the program folder it uses by default.
inline std::string buildProgramFolder() {
    return std::filesystem::path(ROMQUILL_CLI).parent_path().string();
}

// A verb run in-process on the build's program folder, given after the verb.
inline ToolRun cli(std::vector<std::string> args, std::ostream* out = nullptr,
                   const std::string& input = {}) {
    args.insert(args.begin() + 1, {"--program-folder", buildProgramFolder()});
    return runCli(args, out, input);
}

// The demo file as scripts/make-demo writes it, with the demo template and alphabets of the build.
class CliDemo : public testing::Test {
  protected:
    void SetUp() override {
        const auto made = runTool(ROMQUILL_MAKE_DEMO, {buildProgramFolder(), m_demo});
        ASSERT_EQ(made.exitCode, 0) << made.err;
        m_original = readAll(m_demo);
        ASSERT_EQ(m_original.size(), 0x400u);
    }

    [[nodiscard]] ToolRun dump() const { return cli({"dump", "--template", "demo.ini", m_demo}); }

    [[nodiscard]] ToolRun insert(const std::string& json, const std::string& into = {}) const {
        writeText(m_json, json);
        return cli({"insert", "--template", "demo.ini", into.empty() ? m_demo : into, m_json});
    }

    TempDir m_dir;
    std::string m_demo = m_dir.file("demo.bin");
    std::string m_json = m_dir.file("texts.json");
    std::string m_original;
};

// Rows of a table that also runs on the demo file.
template <class Row>
class CliDemoRows : public CliDemo, public testing::WithParamInterface<Row> {};

}  // namespace rq::test
