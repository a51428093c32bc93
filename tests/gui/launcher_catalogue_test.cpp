#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "launcher/loader.h"
#include "support/catalogue_rows.h"
#include "support/gui_helpers.h"
#include "support/scripted_dialogs.h"
#include "support/testfiles.h"

namespace rq {
namespace {

// Every known game, loaded through the window: its name reaches rom_name and the title, and a template
// named for it in the game-name table enables "Launch!".
TEST(LauncherCatalogue, EveryKnownGameIsIdentifiedAndFindsItsTemplate) {
    test::ProgramFolder folder;
    test::TempDir images;
    test::writePicture(folder.path("gfx\\norom.dat"), Qt::black);
    test::writePicture(folder.path("gfx\\pc-sadx-eng.dat"), Qt::blue);
    test::writePicture(folder.path("gfx\\pc-sadx-jap.dat"), Qt::red);
    std::string table = "[gamenames]\n";
    for (const auto& row : test::catalogueRows()) {
        table += row.name + "=" + test::rowId(row) + ".ini\n";
    }
    folder.writeLoaderIni(table);

    test::ScriptedDialogs dialogs;
    LoaderWindow launcher(dialogs);
    auto* load = launcher.findChild<QPushButton*>(QStringLiteral("load"));
    auto* go = launcher.findChild<QPushButton*>(QStringLiteral("go"));
    auto* sadxpc = launcher.findChild<QPushButton*>(QStringLiteral("sadxpc"));
    auto* romName = launcher.findChild<QLabel*>(QStringLiteral("rom_name"));
    int games = 0;
    for (const auto& row : test::catalogueRows()) {
        SCOPED_TRACE(row.name);
        dialogs.chooseFile(QString::fromStdString(test::writeRowImage(row, images.path())));
        QTest::mouseClick(load, Qt::LeftButton);
        const QString name = QString::fromStdString(row.name);
        EXPECT_TRUE(dialogs.messages().empty()) << dialogs.texts().join(QLatin1Char('|')).toStdString();
        dialogs.clear();
        EXPECT_EQ(launcher.state().detectedGame, name);
        EXPECT_EQ(launcher.romNameText(), name);
        EXPECT_EQ(romName->text(), labelText(name));
        EXPECT_EQ(launcher.windowTitle(), QStringLiteral("Romquill - ") + name);
        if (name.startsWith(QStringLiteral("Sonic Adventure DX PC"))) {
            EXPECT_FALSE(sadxpc->isHidden());
        } else {
            EXPECT_TRUE(sadxpc->isHidden());
            EXPECT_TRUE(go->isEnabled());
            EXPECT_EQ(launcher.state().templatePath,
                      QString::fromStdString(folder.path("plugins\\games\\" + test::rowId(row) + ".ini")));
        }
        ++games;
    }
    EXPECT_EQ(games, 77);
}

}  // namespace
}  // namespace rq
