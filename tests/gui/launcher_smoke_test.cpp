#include <gtest/gtest.h>

#include <QPushButton>

#include "launcher/loader.h"
#include "support/scripted_dialogs.h"
#include "support/testfiles.h"

namespace rq {
namespace {

TEST(LauncherSmoke, OpensWithLaunchDisabled) {
    test::ProgramFolder folder;
    test::ScriptedDialogs dialogs;
    LoaderWindow launcher(dialogs);
    auto* go = launcher.findChild<QPushButton*>(QStringLiteral("go"));
    ASSERT_NE(go, nullptr);
    EXPECT_FALSE(go->isEnabled());
    EXPECT_EQ(launcher.windowTitle(), QStringLiteral("Romquill"));
}

}  // namespace
}  // namespace rq
