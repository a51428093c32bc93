// The launcher's "Find Text...": a search run through the window, its hits, and the files made from them.
// The searches' rules are the core's and tested there.

#include <QComboBox>
#include <QDir>
#include <QProgressDialog>
#include <QTreeWidget>

#include "search/find_text.h"
#include "support/launcher_fixture.h"

namespace rq {
namespace {

using test::qs;
using test::shown;
using Icon = kit::Dialogs::Icon;

class FindTextTest : public test::LauncherFixture {
  protected:
    // The window on a file holding "Hello" at 0x123 and 0x200, one byte a code (A is 80, a is A0), with
    // the places of their "llo" in big-endian cells at 0x300, among bytes no pointer reads.
    void SetUp() override {
        LauncherFixture::SetUp();
        folder.writeAlphabet("menu.ini", test::alphabetText(1, "41=A\n", "A=41\n"));
        const std::string hello = "\x87\xA4\xAB\xAB\xAE";
        load(megaDrive("hello.bin", {{0x123, hello},
                                     {0x200, hello},
                                     {0x2F0, std::string(0x110, '\xFF')},
                                     {0x300, std::string("\0\0\x01\x25\0\0\x02\x02", 8)}}));
        item("mnuFileFindText")->trigger();
        window = test::openWindow("find_text");
        ASSERT_NE(window, nullptr);
    }
    QTreeWidget* results() const { return child<QTreeWidget>("results"); }
    void search(const QString& word, const QString& mode) {
        paste("word", word);
        child<QComboBox>("mode")->setCurrentText(mode);
        click("search");
        ASSERT_TRUE(QTest::qWaitFor(
            [this] { return !qobject_cast<search::FindTextWindow*>(window.data())->job().running(); }));
        QCoreApplication::processEvents();
    }
    // A hit's offset, layout and its text set off with [ ], two characters before it and one byte after.
    QStringList row(int index) const {
        const QTreeWidgetItem* item = results()->topLevelItem(index);
        return item == nullptr
                   ? QStringList()
                   : QStringList{item->text(0), item->text(1),
                                 item->text(2).right(2) + '[' + item->text(3) + ']' + item->text(4).left(5)};
    }
};

TEST_F(FindTextTest, ASearchedWordMakesATableThatFindsItsText) {
    EXPECT_EQ(child<QComboBox>("mode")->itemText(0), "Relative search");
    search("Hello", "Relative search");
    ASSERT_EQ(results()->topLevelItemCount(), 2);
    EXPECT_EQ(row(0), (QStringList{"0x123", "8-bit", "0>[Hello]<$00>"}));
    EXPECT_FALSE(child<QPushButton>("makeTable")->isEnabled());

    results()->topLevelItem(0)->setSelected(true);
    const std::string made = folder.path("plugins\\alphabets\\Hello.tbl");
    dialogs.saveAs = kit::Dialogs::SaveChoice{qs(made).chopped(4), 1};
    click("makeTable");
    EXPECT_EQ(QDir::fromNativeSeparators(dialogs.saveRequest.proposed), QDir::fromNativeSeparators(qs(made)));
    const std::string table = test::readAll(made);
    for (const char* line :
         {"# Made by Romquill from the relative search hit for \"Hello\" at 0x123 (one byte a "
          "code).\n80=A\n",
          "\n87=H\n", "\n99=Z\nA0=a\n", "\nB9=z\n"}) {
        EXPECT_NE(table.find(line), std::string::npos) << line;
    }
    EXPECT_EQ(table.find("=0"), std::string::npos);  // the word has no digits
    EXPECT_EQ(child<QComboBox>("mode")->currentText(), "Hello.tbl");
    EXPECT_EQ(dialogs.log,
              QStringList{shown(Icon::Information, "Wrote \"Hello.tbl\" from the 8-bit hit at 0x123.")});

    search("llo", "Hello.tbl");
    EXPECT_EQ(row(0), (QStringList{"0x125", "3 bytes", "He[llo]<$00>"}));

    // Both strings selected, their pointer table comes first; a template made for it reads it.
    results()->selectAll();
    click("findPointers");
    ASSERT_TRUE(
        QTest::qWaitFor([this] { return child<QTreeWidget>("pointerTables")->topLevelItemCount() > 0; }));
    QTreeWidgetItem* first = child<QTreeWidget>("pointerTables")->topLevelItem(0);
    EXPECT_EQ((QStringList{first->text(0), first->text(1), first->text(2), first->text(3), first->text(4),
                           first->text(5)}),
              (QStringList{"be32", "0", "0x300", "4", "2", "2 of 2"}));
    first->setSelected(true);
    dialogs.saveAs = kit::Dialogs::SaveChoice{gamesPath("Hello.ini"), 1};
    click("makeTemplate");
    EXPECT_EQ(dialogs.log.last(),
              shown(Icon::Information, "Wrote \"Hello.ini\": 2 entries through Hello.tbl."));
    EXPECT_NE(test::readAll(folder.path("plugins\\games\\Hello.ini"))
                  .find("Text=Hello.tbl\n\n[Pointers]\nFormat=be32\nBase=0\n\n[PointerTable1]\nOffset="
                        "300\nCount=2\n"),
              std::string::npos);
}

// A file over 4 MiB shows a progress bar; a search cancelled from it shows nothing of what it found.
TEST_F(FindTextTest, ACancelledSearchShowsNothing) {
    test::writeImage(games.file("hello.bin"), {{0x123, "\x87\xA4\xAB\xAB\xAE"}}, 5 << 20);
    auto& job = qobject_cast<search::FindTextWindow*>(window.data())->job();
    job.holdUntilCancelled(true);
    paste("word", "Hello");
    click("search");
    QProgressDialog* progress = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        progress = window->findChild<QProgressDialog*>("searchProgress");
        return progress != nullptr && progress->isVisible();
    }));
    QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !job.running(); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(results()->topLevelItemCount(), 0);
    EXPECT_EQ(dialogs.log, QStringList());
}

}  // namespace
}  // namespace rq
