// The program itself, run as a user runs it: what its command line does before any window opens.

#include <gtest/gtest.h>

#include <QByteArray>
#include <algorithm>

#include "support/tool_run.h"

namespace rq {
namespace {

struct AppRow {
    const char* name;
    std::vector<std::string> args;
    const char* platform;  // "none-such": the program cannot start a window, as without a display
    int exitCode;
    std::string out, err;
};

const std::string kUsageLine = "Usage: romquill [OPTION]... [FILE]\n";

const AppRow kRuns[] = {
    {"Version", {"--version"}, "none-such", 0, "romquill " ROMQUILL_VERSION "\n", ""},
    {"Help", {"--help"}, "none-such", 0, kUsageLine, ""},
    {"UnknownOption",
     {"--bogus"},
     "offscreen",
     2,
     "",
     "romquill: unknown option \"--bogus\".\n" + kUsageLine},
};

class AppTest : public ::testing::TestWithParam<AppRow> {};

TEST_P(AppTest, AnswersItsOptionsAndExits) {
    const AppRow& row = GetParam();
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    qputenv("QT_QPA_PLATFORM", row.platform);
    const auto run = test::runTool(ROMQUILL_APP, row.args);
    qputenv("QT_QPA_PLATFORM", platform);
    EXPECT_EQ(run.exitCode, row.exitCode);
    // The help goes on past its usage line; Qt may warn before the program's own words (run as root, without
    // XDG_RUNTIME_DIR).
    EXPECT_EQ(run.out.substr(0, row.out.empty() ? std::string::npos : row.out.size()), row.out);
    EXPECT_EQ(run.err.substr(run.err.size() - std::min(run.err.size(), row.err.size())), row.err);
}

INSTANTIATE_TEST_SUITE_P(Runs, AppTest, ::testing::ValuesIn(kRuns), test::rowName);

}  // namespace
}  // namespace rq
