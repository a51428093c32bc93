#include <gtest/gtest.h>

#include "files/common.h"

namespace rq {
namespace {

TEST(AppRelativePath, JoinsFolderAndEitherSeparatorWithNativeOnesAndNeverDoublesOne) {
    const struct {
        const char* folder;
        const char* relative;
        const char* expected;
    } cases[] = {
        {"/opt/romquill", "plugins\\loader.ini", "/opt/romquill/plugins/loader.ini"},
        {"/opt/romquill", "plugins/games/", "/opt/romquill/plugins/games/"},
        {"/opt/romquill", "gfx\\", "/opt/romquill/gfx/"},
        {"/", "gfx\\norom.dat", "/gfx/norom.dat"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.relative);
        setApplicationFolder(c.folder);
        EXPECT_EQ(appRelativePath(c.relative), c.expected);
    }
    setApplicationFolder({});
    EXPECT_EQ(appRelativePath("x").rfind(applicationFolder(), 0), 0u);
}

}  // namespace
}  // namespace rq
