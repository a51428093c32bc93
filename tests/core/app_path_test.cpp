#include <gtest/gtest.h>

#include "launcher/common.h"

namespace rq {
namespace {

struct FolderGuard {
    explicit FolderGuard(std::string folder) { setApplicationFolder(std::move(folder)); }
    ~FolderGuard() { setApplicationFolder({}); }
};

TEST(AppRelativePath, JoinsFolderAndRelativePathWithNativeSeparators) {
    FolderGuard guard("/opt/romquill");
    EXPECT_EQ(appRelativePath("plugins\\loader.ini"), "/opt/romquill/plugins/loader.ini");
    EXPECT_EQ(appRelativePath("plugins/games/"), "/opt/romquill/plugins/games/");
    EXPECT_EQ(appRelativePath("gfx\\"), "/opt/romquill/gfx/");
}

TEST(AppRelativePath, RootFolderGetsNoDoubledSeparator) {
    FolderGuard guard("/");
    EXPECT_EQ(appRelativePath("gfx\\norom.dat"), "/gfx/norom.dat");
}

TEST(AppRelativePath, DefaultsToTheExecutablesFolder) {
    setApplicationFolder({});
    EXPECT_FALSE(applicationFolder().empty());
    EXPECT_EQ(appRelativePath("x").substr(0, applicationFolder().size()), applicationFolder());
}

TEST(PathExtension, IsTheTextAfterTheLastDotOfTheWholePathLowerCased) {
    EXPECT_EQ(pathExtension("/roms/Sonic.BIN"), "bin");
    EXPECT_EQ(pathExtension("/roms/Sonic.Bin"), "bin");
    EXPECT_EQ(pathExtension("/roms/sonic"), "");
    EXPECT_EQ(pathExtension("/roms/sonic."), "");
    EXPECT_EQ(pathExtension("/roms.old/sonic"), "old/sonic");
}

}  // namespace
}  // namespace rq
