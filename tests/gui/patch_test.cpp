// The launcher's "Create Patch..." and "Apply Patch...": the dialogs, the job off the window's thread, its
// cancel and its messages. The formats' rules are the core's and tested there.

#include <QLocale>
#include <QProgressDialog>

#include "launcher/patchjobs.h"
#include "support/launcher_fixture.h"

namespace rq {

using namespace rq::kit;
using namespace rq::launcher;
using namespace rq::patch;
namespace {

using test::qs;
using test::shown;
using Icon = Dialogs::Icon;
using Names = std::vector<std::string>;

class PatchMenuTest : public test::LauncherFixture {
  protected:
    void SetUp() override {
        LauncherFixture::SetUp();
        test::writeImage(original, {{0x10, "original"}}, 0x400);
        test::writeImage(modified, {{0x10, "modified"}, {0x3FF, "!"}}, 0x400);
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
    EXPECT_EQ(test::readAll(patch).substr(0, 3), format == std::string("IPS") ? "PAT" : format);
    const QString size = QLocale(QLocale::English).toString(qulonglong(std::filesystem::file_size(patch)));
    const QString told =
        shown(Icon::Information,
              QStringLiteral("Patch made: \"%1\" (%2, %3 bytes, 2 changed ranges).").arg(made, format, size));

    run("mnuFileApplyPatch", {qs(patch), qs(original)}, Dialogs::SaveChoice{qs(games.file("out.bin")), 1});
    ASSERT_TRUE(jobEnded());
    EXPECT_EQ(dialogs.log,
              (QStringList{told, shown(Icon::Information, "Patched file made: \"out.bin\" (1,024 bytes).")}));
    EXPECT_EQ(test::readAll(games.file("out.bin")), test::readAll(modified));
}

INSTANTIATE_TEST_SUITE_P(Formats, PatchRoundTripTest, ::testing::ValuesIn(kRoundTrips), test::rowName);

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
    test::writeText(games.file("p.bps"), "kept");
    run("mnuFileCreatePatch", files, Dialogs::SaveChoice{qs(games.file("p")), 1});
    EXPECT_EQ(dialogs.log, QStringList{shown(Icon::Exclamation, "\"p.bps\" already exists. Replace it?",
                                             Dialogs::Buttons::YesNo)});
    EXPECT_TRUE(item("mnuFileCreatePatch")->isEnabled());
    EXPECT_EQ(test::filesIn(games), Names({"modified.bin", "original.bin", "p.bps"}));
    EXPECT_EQ(test::readAll(games.file("p.bps")), "kept");
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
    EXPECT_EQ(test::filesIn(games), Names({"modified.bin", "original.bin", "p.bps"}));

    dialogs.log.clear();
    const std::string other = games.file("other.bin");
    test::writeImage(other, {{0x10, "another"}}, 0x400);
    const std::string out = games.file("out.bin");
    run("mnuFileApplyPatch", {qs(patch), qs(other)}, Dialogs::SaveChoice{qs(out), 1});
    ASSERT_TRUE(jobEnded());
    const auto direct = applyPatch(patch, other, out);
    ASSERT_FALSE(direct);
    EXPECT_EQ(dialogs.log, QStringList{shown(Icon::Critical, qs(direct.error()))});
    EXPECT_EQ(test::filesIn(games), Names({"modified.bin", "original.bin", "other.bin", "p.bps"}));
}

// A file with a copier's header in front of the patch's source: the refusal offers the repair; chosen, it
// makes the target from the file without the header and leaves the file as it was; Cancel writes nothing.
TEST_F(PatchMenuTest, ARefusedFileInAMendableFormIsRepairedAndAppliedWhenAsked) {
    const std::string patch = games.file("p.bps");
    ASSERT_TRUE(createPatch(original, modified, patch, PatchFormat::Bps));
    const std::string headered = games.file("headered.smc");
    test::writeText(headered, std::string(512, '\0') + test::readAll(original));
    const std::string out = games.file("out.bin");
    const auto refused = applyPatch(patch, headered, out);
    ASSERT_FALSE(refused);
    const QString offer = test::offered(Icon::Critical, qs(refused.error()), "Repair and apply");
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
    EXPECT_EQ(test::readAll(out), test::readAll(modified));
    EXPECT_EQ(test::readAll(headered), std::string(512, '\0') + test::readAll(original));
}

// Files over 4 MiB show a progress bar. The job is held at its first report until it is cancelled, by the
// bar's Cancel or by closing the launcher; a job that ran on would write the patch.
TEST_F(PatchMenuTest, ACancelledJobLeavesNothingBehind) {
    test::writeImage(original, {{0x10, "original"}}, 5 << 20);
    test::writeImage(modified, {{0x10, "modified"}}, 5 << 20);
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
        EXPECT_EQ(test::filesIn(games), Names({"modified.bin", "original.bin"})) << byClosing;
    }
    EXPECT_EQ(dialogs.log, QStringList{shown(Icon::Information, "Cancelled: nothing was written.")});
}

}  // namespace
}  // namespace rq
