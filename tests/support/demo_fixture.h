#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "editor/entrytexts.h"
#include "files/common.h"
#include "support/testfiles.h"
#include "support/tool_run.h"
#include "templates/gametemplate.h"

namespace rq::test {

inline std::string buildProgramFolder() {
    return std::filesystem::path(ROMQUILL_CLI).parent_path().string();
}

// The demo file as scripts/make-demo writes it, its template and the texts the editor shows.
class DemoFixture : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(runTool(ROMQUILL_MAKE_DEMO, {buildProgramFolder(), m_demo}).exitCode, 0);
        files::setApplicationFolder(buildProgramFolder());
        auto read = templates::readGameTemplate(m_template);
        ASSERT_TRUE(read) << read.error();
        m_gameTemplate = std::move(read).value();
        m_texts = editor::readEntryTexts(m_gameTemplate, m_demo).texts;
    }

    void TearDown() override { files::setApplicationFolder(m_folder); }

    const std::string m_folder = files::applicationFolder();
    TempDir m_dir;
    std::string m_demo = m_dir.file("demo.bin");
    std::string m_template = buildProgramFolder() + "/plugins/games/demo.ini";
    templates::GameTemplate m_gameTemplate;
    std::vector<std::string> m_texts;
};

}  // namespace rq::test
