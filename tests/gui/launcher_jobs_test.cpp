// The launcher's jobs off the window's thread: "Create Patch..." and "Apply Patch..." (the dialogs, the job,
// its cancel and its messages) and "Find Text..." (a search, its hits, and the files made from them). The
// formats' and the searches' rules are the core's and tested there.

#include <QComboBox>
#include <QDir>
#include <QListWidget>
#include <QLocale>
#include <QProgressDialog>
#include <QTreeWidget>

#include "launcher/patchjobs.h"
#include "search/find_text.h"
#include "support/launcher_fixture.h"

namespace rq::test {

using namespace rq::kit;
using namespace std::string_literals;
using namespace rq::launcher;
using namespace rq::patch;
namespace {

using Names = std::vector<std::string>;

class PatchMenuTest : public LauncherFixture {
  protected:
    void SetUp() override {
        LauncherFixture::SetUp();
        writeImage(original, {{0x10, "original"}}, 0x400);
        writeImage(modified, {{0x10, "modified"}, {0x3FF, "!"}}, 0x400);
    }
    // Chooses the files and the place to save in the item's dialogs; fewer files cancel the next dialog.
    void run(const char* name, const QStringList& files, std::optional<Dialogs::SaveChoice> saveAs = {}) {
        dialogs.files = files;
        dialogs.saveAs = std::move(saveAs);
        item(name)->trigger();
    }
    [[nodiscard]] bool jobEnded() const {
        return QTest::qWaitFor([this] { return item("mnuFileCreatePatch")->isEnabled(); }, 20000) &&
               item("mnuFileApplyPatch")->isEnabled();
    }

    std::string original = games.file("original.bin");
    std::string modified = games.file("modified.bin");
};

// The name, as saved, by the filter; the patch's name, given an extension when the one typed has none, and
// the format it is in, told by its first bytes.
using RoundTripRow = std::tuple<const char*, QString, int, const char*, const char*>;

const RoundTripRow kRoundTrips[] = {
    {"BpsByTheFilter", "shared", 1, "shared.bps", "BPS"},
    {"IpsByTheFilter", "shared", 2, "shared.ips", "IPS"},
    {"UpsByTheFilter", "shared", 3, "shared.ups", "UPS"},
    {"TheExtensionOverTheFilter", "shared.ips", 1, "shared.ips", "IPS"},
};

class PatchRoundTripTest : public PatchMenuTest, public ::testing::WithParamInterface<RoundTripRow> {};

TEST_P(PatchRoundTripTest, APatchMadeThroughTheMenuAppliedThroughTheMenuGivesTheModifiedFile) {
    const auto& [name, savedAs, filterIndex, made, format] = GetParam();
    const std::string patch = games.file(made);
    run("mnuFileCreatePatch", {qs(original), qs(modified)},
        Dialogs::SaveChoice{qs(games.file("")) + savedAs, filterIndex});
    EXPECT_EQ(dialogs.saveRequest.filter,
              "BPS patch (*.bps)|*.bps|IPS patch (*.ips)|*.ips|UPS patch (*.ups)|*.ups|");
    ASSERT_TRUE(jobEnded());
    ASSERT_TRUE(std::filesystem::exists(patch));
    EXPECT_EQ(readAll(patch).substr(0, 3), format == std::string("IPS") ? "PAT" : format);
    const QString size = QLocale(QLocale::English).toString(qulonglong(std::filesystem::file_size(patch)));
    const QString told =
        shown(Icon::Information,
              QStringLiteral("Patch made: \"%1\" (%2, %3 bytes, 2 changed ranges).").arg(made, format, size));

    run("mnuFileApplyPatch", {qs(patch), qs(original)}, Dialogs::SaveChoice{qs(games.file("out.bin")), 1});
    ASSERT_TRUE(jobEnded());
    EXPECT_EQ(dialogs.log,
              (QStringList{told, shown(Icon::Information, "Patched file made: \"out.bin\" (1,024 bytes).")}));
    EXPECT_EQ(readAll(games.file("out.bin")), readAll(modified));
}

INSTANTIATE_TEST_SUITE_P(Formats, PatchRoundTripTest, ::testing::ValuesIn(kRoundTrips), rowName);

TEST_F(PatchMenuTest, ACancelledDialogEndsQuietly) {
    const QStringList files = {qs(original), qs(modified)};
    for (const char* name : {"mnuFileCreatePatch", "mnuFileApplyPatch"}) {
        for (int answered = 0; answered <= 2; ++answered) {
            run(name, files.mid(0, answered));
            EXPECT_TRUE(item(name)->isEnabled()) << name << answered;
        }
    }
    EXPECT_EQ(dialogs.log, QStringList());
    // The extension added to a name typed without one makes the name of a file that is there: No keeps it.
    writeText(games.file("p.bps"), "kept");
    run("mnuFileCreatePatch", files, Dialogs::SaveChoice{qs(games.file("p")), 1});
    EXPECT_EQ(dialogs.log, QStringList{shown(Icon::Exclamation, "\"p.bps\" already exists. Replace it?",
                                             Dialogs::Buttons::YesNo)});
    EXPECT_TRUE(item("mnuFileCreatePatch")->isEnabled());
    EXPECT_EQ(filesIn(games), Names({"modified.bin", "original.bin", "p.bps"}));
    EXPECT_EQ(readAll(games.file("p.bps")), "kept");
}

// The patched file is offered as "NAME (patched).EXT" beside the file; the file itself, or the patch, is
// refused before any question of replacing it, and another file that is there is asked about. A failed apply
// shows the core's message and leaves no file.
TEST_F(PatchMenuTest, ApplyProposesANameRefusesItsOwnInputsBeforeAskingToReplaceAndTellsAFailure) {
    const std::string patch = games.file("p.bps");
    ASSERT_TRUE(createPatch(original, modified, patch, PatchFormat::Bps));
    const QString inPlace =
        "The patched file cannot be saved as \"%1\": a patch is never applied in place. Choose another name.";
    run("mnuFileApplyPatch", {qs(patch), qs(original)}, Dialogs::SaveChoice{qs(original), 1});
    EXPECT_EQ(dialogs.saveRequest.proposed, qs(games.file("original (patched).bin")));
    EXPECT_FALSE(dialogs.saveRequest.confirmReplace);
    EXPECT_EQ(dialogs.log, QStringList{shown(Icon::Exclamation, inPlace.arg(qs(original)))});
    dialogs.log.clear();
    run("mnuFileApplyPatch", {qs(patch), qs(original)}, Dialogs::SaveChoice{qs(modified), 1});
    EXPECT_EQ(dialogs.log,
              QStringList{shown(Icon::Exclamation, "\"modified.bin\" already exists. Replace it?",
                                Dialogs::Buttons::YesNo)});
    EXPECT_TRUE(item("mnuFileApplyPatch")->isEnabled());
    EXPECT_EQ(filesIn(games), Names({"modified.bin", "original.bin", "p.bps"}));

    dialogs.log.clear();
    const std::string other = games.file("other.bin");
    writeImage(other, {{0x10, "another"}}, 0x400);
    const std::string out = games.file("out.bin");
    run("mnuFileApplyPatch", {qs(patch), qs(other)}, Dialogs::SaveChoice{qs(out), 1});
    ASSERT_TRUE(jobEnded());
    const auto direct = applyPatch(patch, other, out);
    ASSERT_FALSE(direct);
    EXPECT_EQ(dialogs.log, QStringList{shown(Icon::Critical, qs(direct.error()))});
    EXPECT_EQ(filesIn(games), Names({"modified.bin", "original.bin", "other.bin", "p.bps"}));
}

// A file with a copier's header in front of the patch's source: the refusal offers the repair; chosen, it
// makes the target from the file without the header and leaves the file as it was; Cancel writes nothing.
TEST_F(PatchMenuTest, ARefusedFileInAMendableFormIsRepairedAndAppliedWhenAsked) {
    const std::string patch = games.file("p.bps");
    ASSERT_TRUE(createPatch(original, modified, patch, PatchFormat::Bps));
    const std::string headered = games.file("headered.smc");
    writeText(headered, std::string(512, '\0') + readAll(original));
    const std::string out = games.file("out.bin");
    ASSERT_FALSE(applyPatch(patch, headered, out));
    // A question in the words of the window's button; the command line's option is no concern of its.
    const QString offer =
        offered(Icon::Question,
                "\"" + qs(headered) +
                    "\" has a 512-byte copier header; without it, it is the file this patch "
                    "was made for. Press \"Repair and apply\" to apply the patch to the file "
                    "without the header; the file itself stays as it is.",
                "Repair and apply");
    run("mnuFileApplyPatch", {qs(patch), qs(headered)}, Dialogs::SaveChoice{qs(out), 1});
    ASSERT_TRUE(jobEnded());
    EXPECT_EQ(dialogs.log, QStringList{offer});
    EXPECT_FALSE(std::filesystem::exists(out));

    dialogs.log.clear();
    dialogs.answer = Dialogs::Answer::Yes;
    run("mnuFileApplyPatch", {qs(patch), qs(headered)}, Dialogs::SaveChoice{qs(out), 1});
    ASSERT_TRUE(jobEnded());
    EXPECT_EQ(dialogs.log, (QStringList{offer, shown(Icon::Information,
                                                     "Patched file made: \"out.bin\" (1,024 bytes), from "
                                                     "\"headered.smc\" without the header.")}));
    EXPECT_EQ(readAll(out), readAll(modified));
    EXPECT_EQ(readAll(headered), std::string(512, '\0') + readAll(original));
}

// Files over 4 MiB show a progress bar. The job is held at its first report until it is cancelled, by the
// bar's Cancel or by closing the launcher; a job that ran on would write the patch.
TEST_F(PatchMenuTest, ACancelledJobLeavesNothingBehind) {
    writeImage(original, {{0x10, "original"}}, 5 << 20);
    writeImage(modified, {{0x10, "modified"}}, 5 << 20);
    launcher->findChild<PatchJobs*>()->holdUntilCancelled(true);
    for (const bool byClosing : {false, true}) {
        run("mnuFileCreatePatch", {qs(original), qs(modified)},
            Dialogs::SaveChoice{qs(games.file("p.bps")), 1});
        QProgressDialog* progress = nullptr;
        ASSERT_TRUE(QTest::qWaitFor([&] {
            progress = launcher->findChild<QProgressDialog*>("patchProgress");
            return progress != nullptr && progress->isVisible();
        }));
        EXPECT_EQ(progress->windowModality(), Qt::WindowModal);
        EXPECT_FALSE(item("mnuFileCreatePatch")->isEnabled() || item("mnuFileApplyPatch")->isEnabled());
        if (byClosing) {
            launcher->close();
        } else {
            QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton);
        }
        ASSERT_TRUE(jobEnded());
        EXPECT_EQ(filesIn(games), Names({"modified.bin", "original.bin"})) << byClosing;
    }
    EXPECT_EQ(dialogs.log, QStringList{shown(Icon::Information, "Cancelled: nothing was written.")});
}

// "Find Text...": a search run through the window, its hits, and the files made from them.
class FindTextTest : public LauncherFixture {
  protected:
    // The window on a file holding "Hello" at 0x123 and 0x200, one byte a code (A is 80, a is A0), with
    // the places of their "llo" in big-endian cells at 0x300, among bytes no pointer reads.
    void SetUp() override {
        LauncherFixture::SetUp();
        folder.writeAlphabet("menu.ini", alphabetText(1, "41=A\n", "A=41\n"));
        const std::string hello = "\x87\xA4\xAB\xAB\xAE";
        load(megaDrive("hello.bin", {{0x123, hello},
                                     {0x200, hello},
                                     {0x2F0, std::string(0x110, '\xFF')},
                                     {0x300, std::string("\0\0\x01\x25\0\0\x02\x02", 8)}}));
        item("mnuFileFindText")->trigger();
        window = openWindow("find_text");
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
    const std::string table = readAll(made);
    for (const char* line :
         {"# Made by Romquill from the relative search hit for \"Hello\" at 0x123 (one byte a code).\n80=A\n",
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
    EXPECT_NE(readAll(folder.path("plugins\\games\\Hello.ini"))
                  .find("Text=Hello.tbl\n\n[Pointers]\nFormat=be32\nBase=0\n\n[PointerTable1]\nOffset="
                        "300\nCount=2\n"),
              std::string::npos);
}

// Phrases ended by 00: a hit inside a string stands for the string's start, the strings of two searches are
// gathered for Find Pointers, and the table made from a phrase's hit holds its marks and the end token.
TEST_F(FindTextTest, HitsOfSeveralSearchesAreGatheredByTheirStringsStarts) {
    // "Go, Bob!" and "Bob, go.", A at 80, a at A0, the space and ",!." from 60 on; their cells at 0x300.
    writeImage(games.file("hello.bin"),
               {{0x41, "\x86\xAE\x61\x60\x81\xAE\xA1\x62\0\x81\xAE\xA1\x61\x60\xA6\xAE\x63"s},
                {0x2F0, std::string(0x110, '\xFF')},
                {0x300, "\0\0\0\x41\0\0\0\x4A"s}},
               0x400);
    paste("endToken", "00");
    search("Bob!", "Relative search");
    ASSERT_EQ(results()->topLevelItemCount(), 2);
    EXPECT_EQ(results()->topLevelItem(0)->toolTip(0), "Its string starts at 0x41.");
    results()->topLevelItem(0)->setSelected(true);
    click("gather");
    dialogs.saveAs = kit::Dialogs::SaveChoice{qs(folder.path("plugins\\alphabets\\Bob.tbl")), 1};
    click("makeTable");
    const std::string table = readAll(folder.path("plugins\\alphabets\\Bob.tbl"));
    EXPECT_TRUE(table.ends_with("\nB9=z\n62=!\n/00=<end>\n")) << table;

    search("Bob, go", "Relative search");
    ASSERT_EQ(results()->topLevelItemCount(), 1);
    EXPECT_FALSE(child<QPushButton>("findPointers")->isEnabled());
    results()->topLevelItem(0)->setSelected(true);
    click("gather");
    const auto* gathered = child<QListWidget>("gathered");
    ASSERT_EQ(gathered->count(), 2);
    EXPECT_EQ(gathered->item(0)->text() + " " + gathered->item(1)->text(), "0x41 0x4A");
    results()->clearSelection();
    click("findPointers");
    ASSERT_TRUE(
        QTest::qWaitFor([this] { return child<QTreeWidget>("pointerTables")->topLevelItemCount() > 0; }));
    const QTreeWidgetItem* first = child<QTreeWidget>("pointerTables")->topLevelItem(0);
    EXPECT_EQ(first->text(2) + " " + first->text(5), "0x300 2 of 2");
    click("clearGathered");
    EXPECT_EQ(gathered->count(), 0);
}

// A file over 4 MiB shows a progress bar; a search cancelled from it shows nothing of what it found.
TEST_F(FindTextTest, ACancelledSearchShowsNothing) {
    writeImage(games.file("hello.bin"), {{0x123, "\x87\xA4\xAB\xAB\xAE"}}, 5 << 20);
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
}  // namespace rq::test
