#pragma once

#include <gtest/gtest.h>

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
        ASSERT_EQ(m_original.size(), 0x400u);
    }

    [[nodiscard]] ToolRun dump() const { return cli({"dump", "--template", "demo.ini", m_demo}); }

    [[nodiscard]] ToolRun insert(const std::string& json) const {
        writeText(m_json, json);
        return cli({"insert", "--template", "demo.ini", m_demo, m_json});
    }

    std::string m_json = m_dir.file("texts.json");
    std::string m_original;
};

// Rows of a table that also runs on the demo file.
template <class Row>
class CliDemoRows : public CliDemo, public testing::WithParamInterface<Row> {};

}  // namespace rq::test
