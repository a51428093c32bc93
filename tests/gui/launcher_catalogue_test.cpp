#include "support/catalogue_rows.h"
#include "support/launcher_fixture.h"

namespace rq {
namespace {

using LauncherCatalogue = test::LauncherFixture;

// Every known game, loaded through the window: its name reaches rom_name and the title, and a template
// named for it in the game-name table enables "Launch!".
TEST_F(LauncherCatalogue, EveryKnownGameIsIdentifiedAndFindsItsTemplate) {
    std::string table = "[gamenames]\n";
    for (const auto& row : test::catalogueRows()) {
        table += row.name + "=" + test::rowId(row) + ".ini\n";
    }
    folder.writeLoaderIni(table);

    int games = 0;
    for (const auto& row : test::catalogueRows()) {
        SCOPED_TRACE(row.name);
        load(test::writeRowImage(row, this->games.path()));
        const QString name = QString::fromStdString(row.name);
        EXPECT_TRUE(dialogs.messages().empty()) << dialogs.texts().join(QLatin1Char('|')).toStdString();
        dialogs.clear();
        EXPECT_EQ(test::qs(launcher->state().detectedGame), name);
        EXPECT_EQ(launcher->romNameText(), name);
        EXPECT_EQ(label("rom_name")->text(), QString(name).replace("&&", "&"));
        EXPECT_EQ(launcher->windowTitle(), QStringLiteral("Romquill - ") + name);
        if (name.startsWith(QStringLiteral("Sonic Adventure DX PC"))) {
            EXPECT_FALSE(button("sadxpc")->isHidden());
        } else {
            EXPECT_TRUE(button("sadxpc")->isHidden());
            EXPECT_TRUE(button("go")->isEnabled());
            EXPECT_EQ(test::qs(launcher->state().templatePath), gamesPath(test::rowId(row) + ".ini"));
        }
        ++games;
    }
    EXPECT_EQ(games, 77);
}

}  // namespace
}  // namespace rq
