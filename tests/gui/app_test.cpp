// The program itself, run as a user runs it: what its command line does before any window opens.

#include <gtest/gtest.h>

#include <QByteArray>
#include <algorithm>

#include "support/tool_run.h"

namespace rq {
namespace {

// The name, the argument, the platform ("none-such": the program cannot start a window, as without a
// display), the exit status, the start of standard output (all of it when empty), the end of standard error.
using AppRow = std::tuple<const char*, const char*, const char*, int, std::string, std::string>;

const std::string kUsageLine = "Usage: romquill [OPTION]... [FILE]\n";

const AppRow kRuns[] = {
    {"Version", "--version", "none-such", 0, "romquill " ROMQUILL_VERSION "\n", ""},
    {"Help", "--help", "none-such", 0, kUsageLine, ""},
    {"UnknownOption", "--bogus", "offscreen", 2, "", "romquill: unknown option \"--bogus\".\n" + kUsageLine},
};

class AppTest : public ::testing::TestWithParam<AppRow> {};

TEST_P(AppTest, AnswersItsOptionsAndExits) {
    const auto& [name, arg, platform, exitCode, out, err] = GetParam();
    const QByteArray was = qgetenv("QT_QPA_PLATFORM");
    qputenv("QT_QPA_PLATFORM", platform);
    const auto run = test::runTool(ROMQUILL_APP, {arg});
    qputenv("QT_QPA_PLATFORM", was);
    EXPECT_EQ(run.exitCode, exitCode);
    // The help goes on past its usage line; Qt may warn before the program's own words (run as root, without
    // XDG_RUNTIME_DIR).
    EXPECT_EQ(run.out.substr(0, out.empty() ? std::string::npos : out.size()), out);
    EXPECT_EQ(run.err.substr(run.err.size() - std::min(run.err.size(), err.size())), err);
}

INSTANTIATE_TEST_SUITE_P(Runs, AppTest, ::testing::ValuesIn(kRuns), test::rowName);

}  // namespace
}  // namespace rq
