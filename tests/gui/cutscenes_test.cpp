// The cutscene editor: what it shows for each edition, its save buttons, and the question when closing with
// unsaved edits. The rooms, reading and the save plan are the core's, tested there.

#include <QGroupBox>
#include <QTabBar>
#include <QTabWidget>

#include "files/codepage.h"
#include "kit/windowtools.h"
#include "support/launcher_fixture.h"

namespace rq::test {

using namespace rq::cutscenes;
using namespace rq::files;
using namespace rq::kit;
namespace {

const std::string kSentence = "Now, you can play with SONIC!";  // where identification looks for it
const QString kSaved = saved();

class CutscenesTest : public LauncherFixture {
  public:
    QWidget* open(const std::string& marker, Edition edition, std::uint64_t identifiedAt = 0x3E04FD,
                  bool removeFile = false, std::vector<Patch> more = {}) {
        if (window) {  // opened before: it goes first, as the event loop would let it
            window->close();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        more.push_back({identifiedAt, kSentence});
        return launch(writeCutsceneExecutable(games, marker, edition, more), "sadxpc", "main_cutscenes",
                      removeFile);
    }
    QString text(const QString& box) const { return child(box)->text(); }
};

QString tabs(const QTabWidget* tabs) {
    QStringList captions;
    for (int t = 0; t < tabs->count(); ++t) {
        captions << tabs->tabText(t);
    }
    // One row, all in view.
    const QTabBar* bar = tabs->tabBar();
    EXPECT_EQ(bar->tabRect(tabs->count() - 1).top(), bar->tabRect(0).top());
    EXPECT_LE(bar->tabRect(tabs->count() - 1).right(), tabs->width());
    return QStringLiteral("%1: ").arg(tabs->currentIndex()) + captions.join('|');
}

TEST_F(CutscenesTest, OpensOnMiscTextWithItsTabsFramesMarkersAndBoxesInPlace) {
    ASSERT_NE(open("0", Edition::E), nullptr);
    auto* main = child<QTabWidget>("main_cutscenes_tab");
    EXPECT_EQ(tabs(main),
              "7: Sonic's Story|Tails' Story|Knuckles' Story|Amy's Story|E-102 Gamma's Story|Big's "
              "Story|Super Sonic's Story|Misc Text");
    EXPECT_EQ(tabs(child<QTabWidget>("sonic_tab")),
              "0: 1 && 2|3|4|5|6 && 7|8 && 9|10, 11, 12|Tab 7|Tab 8|Tab 9|Tab 10|Tab 11|Tab 12|Tab 13|Tab "
              "14|Tab 15");
    int t = 0;
    for (const char* name : {"tails_comingsoon", "Knux_comingsoon", "amy_comingsoon", "e102_comingsoon",
                             "nbig_comingsoon", "supersonic_comingsoon"}) {
        auto* label = child<QLabel>(name);
        EXPECT_EQ(QStringLiteral("%1 %2").arg(main->indexOf(label->parentWidget())).arg(label->text()),
                  QStringLiteral("%1 Coming Soon").arg(++t));
    }

    // Each frame's title and how many boxes it holds.
    QStringList frames;
    for (const QString name : {"sonic1", "sonic2", "sonic3", "sonic4", "sonic5", "sonic6", "sonic7", "sonic8",
                               "sonic9", "sonic10", "sonic11", "sonic12", "Frame13", "tikal", "stones"}) {
        const auto* frame = child<QGroupBox>(name);
        frames << frame->title() + QStringLiteral(": %1").arg(frame->findChildren<QLineEdit*>().size());
    }
    EXPECT_EQ(frames,
              QStringList({"Cutscene 1 - Sonic's Intro: 10", "Cutscene 2 - Tail's Plane Crash: 11",
                           "Cutscene 3 - Tails' Emerald: 30", "Cutscene 4 - Enter Robotnik: 20",
                           "Cutscene 5 - Chaos Absorbs An Emerald: 29",
                           "Cutscene 6 - Sonic && Tails Get Ambushed: 0",
                           "Cutscene 7 - Coming Round From The Gas: 0", "Cutscene 8 - Enter Knuckles: 0",
                           "Cutscene 9 - Chaos 4: 0", "Cutscene 10 - Enter The Egg Carrier: 0",
                           "Cutscene 11 - Tornado Launch!: 0", "Cutscene 12 - Sonic Crashes Back To Earth: 0",
                           "Now You Can Play With...: 6", "Tikal Text: 4", "Keystones: 5"}));
    // A control, its frame, and its place there in twips.
    const QString tails = "This piece of text is also in Tails' story.";
    const std::tuple<QString, QString, QRect, QString> places[] = {
        {"sonic_0", "sonic1", twipsRect(240, 360, 2775, 285), ""},
        {"sonic_99", "sonic5", twipsRect(3960, 4920, 2775, 285), ""},
        {"tikaltxt_3", "tikal", twipsRect(120, 1320, 2775, 285), ""},
        {"room_left_tikaltxt_3", "tikal", twipsRect(2955, 1335, 555, 255), ""},
        {"playas6", "Frame13", twipsRect(120, 2040, 2775, 285), ""},
        {"room_left_sonic_55", "sonic4", twipsRect(3390, 1695, 555, 255), ""},
        {"Label1", "sonic4", twipsRect(3075, 1695, 255, 255), tails},
        {"Label2", "sonic4", twipsRect(3075, 2055, 255, 255), tails},
        {"sonic_92", "sonic5", twipsRect(3960, 2400, 2775, 285), ""},
        {"Label3", "sonic5", twipsRect(6795, 2415, 255, 255), tails},
        {"Label4", "sonic2", twipsRect(3075, 2055, 135, 255), "Used somewhere elsewhere too"},
    };
    for (const auto& [name, frame, place, toolTip] : places) {
        const auto* control = child<QWidget>(name);
        EXPECT_EQ(std::tuple(control->parentWidget()->objectName(), control->geometry(), control->toolTip()),
                  std::tuple(frame, place, toolTip))
            << name.toStdString();
    }
    // Tab goes down each frame as its lines run (box 7 stands last), then to the frame's save button.
    QStringList stops;
    for (QWidget* w = window->nextInFocusChain(); w != window; w = w->nextInFocusChain()) {
        const QString frame = w->parentWidget()->objectName();
        if ((w->focusPolicy() & Qt::TabFocus) != 0 &&
            (frame == "sonic1" || frame == "Frame13" || frame == "tikal" ||
             w->objectName() == "sonic_write")) {
            stops << w->objectName();
        }
    }
    EXPECT_EQ(stops.join(' '),
              "sonic_0 sonic_1 sonic_2 sonic_3 sonic_4 sonic_5 sonic_6 sonic_8 sonic_9 sonic_7 sonic_write "
              "playas1 playas2 playas3 playas4 playas5 playas6 Command1 tikaltxt_0 tikaltxt_1 tikaltxt_2 "
              "tikaltxt_3 tikal_text_click");
    QStringList buttons;
    for (const QString name : {"sonic_write", "Command1", "tikal_text_click", "stones_text_click"}) {
        buttons << caption(child<QPushButton>(name)) + " " + child<QPushButton>(name)->toolTip();
    }
    const QString notYet = "Keystone texts are not supported yet.";
    EXPECT_EQ(buttons, QStringList({"Save Sonic's Text to the EXE ", "Save to EXE ", "Save to EXE ",
                                    "Save to EXE (disabled) " + notYet}));
    EXPECT_EQ(text("stonetxt_4") + child("stonetxt_4")->toolTip(), "Loading..." + notYet);
    EXPECT_FALSE(child("stonetxt_4")->isEnabled());
    // The load gave the launcher its button back.
    EXPECT_EQ(caption(button("sadxpc")), "Launch!");
}

// The marker is read each time the window opens: nothing of an earlier opening carries over.
TEST_F(CutscenesTest, ReadsTheEditionsOwnTextsEachTimeItOpens) {
    const std::tuple<const char*, std::string, Edition, std::uint64_t, QString> rows[] = {
        {"E", "0", Edition::E, 0x3E04FD, "Romquill - Sonic Adventure DX (E)"},
        {"J after E", "(", Edition::J, 0x3E050D, "Romquill - Sonic Adventure DX (J)"},
        {"unmarked after E", "X", Edition::None, 0x3E04FD, "Romquill - SA:DX PC Component"}};
    for (const auto& [name, marker, edition, identifiedAt, title] : rows) {
        ASSERT_NE(open(marker, edition, identifiedAt), nullptr) << name;
        // Without an edition the playable-character messages have no place: they keep their placeholder,
        // and the window says why.
        const bool placed = edition != Edition::None;
        EXPECT_EQ(QStringList({window->windowTitle(), text("sonic_0"), text("sonic_99"), text("tikaltxt_3"),
                               text("playas1"), text("playas6"),
                               QString::number(child<QLabel>("edition_unknown")->isVisibleTo(window))}),
                  QStringList({title, "t0", "t99", "t103", placed ? qs(kSentence) : "Loading...",
                               placed ? "t109" : "Loading...", placed ? "0" : "1"}))
            << name;
    }
    EXPECT_TRUE(dialogs.log.isEmpty());
    // ... nor can they be typed in or saved.
    EXPECT_FALSE(child("playas1")->isEnabled() || child<QPushButton>("Command1")->isEnabled());
    static_cast<CutscenesWindow*>(window.data())->Command1_Click();
    EXPECT_EQ(dialogs.log,
              QStringList{shown(Icon::Exclamation,
                                "This file is neither the (E) nor the (J) edition of the game, so the places "
                                "of these messages are not known. Nothing was written.")});
    EXPECT_EQ(readAll(path), before);
    dialogs.log.clear();

    // A file that cannot be read is told once, and the window opens all the same.
    ASSERT_NE(open("0", Edition::E, 0x3E04FD, true), nullptr);
    EXPECT_EQ(dialogs.log, QStringList{shown(Icon::Critical, "ROM not found!")});
    EXPECT_EQ(text("sonic_0") + window->windowTitle(), "Romquill - SA:DX PC Component");
}

// The padding spaces are not shown: the room left counts what is, and typing goes on after it.
TEST_F(CutscenesTest, EachButtonCtrlSOrClosingWritesOnlyEditedBoxesPaddedAndTheFocusStays) {
    ASSERT_NE(open("0", Edition::E, 0x3E04FD, false, {{0x4790B3, "Hey" + std::string(21, ' ')}}), nullptr);
    EXPECT_EQ(text("sonic_99") + "|" + child<QLabel>("room_left_sonic_99")->text(), "Hey|21 left");
    child("sonic_99")->end(false);
    QTest::keyClicks(child("sonic_99"), QString(30, '!'));  // typing stops at the room's size
    EXPECT_EQ(text("sonic_99"), "Hey" + QString(21, '!'));
    paste("sonic_99", "Hey");  // as read: no edit
    EXPECT_EQ(window->windowTitle(), "Romquill - Sonic Adventure DX (E)");
    const QString unchanged = shown(
        Icon::Information,
        "None of these texts has been changed since it was read or last saved, so nothing was written.");
    click("sonic_write");
    EXPECT_EQ(dialogs.log, QStringList{unchanged});

    load(megaDrive("other.bin"));  // what the launcher loads later is no concern of this window's
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    std::string expected = readAll(path);
    // A box, the text typed, the button that saves it, and its room.
    const std::tuple<QString, QString, QString, std::uint64_t, int> saves[] = {
        {"sonic_99", "Hey you", "sonic_write", 0x4790B3, 24},
        {"tikaltxt_0", QStringLiteral("Tikal\u00E9"), "tikal_text_click", 0x3E8B1D, 20},
        {"playas1", "Jetzt spielst du mit SONIC!", "Command1", 0x3E04FD, 29}};
    for (const auto& [box, typed, button, offset, size] : saves) {
        dialogs.log.clear();
        paste(box, typed);
        child<QPushButton>(button)->setFocus();
        click(button);
        EXPECT_EQ(dialogs.log, QStringList{kSaved});
        EXPECT_EQ(text(box), typed);
        expected.replace(offset, size, *utf8ToBytes(typed.leftJustified(size).toStdString()));
        EXPECT_EQ(readAll(path), expected) << button.toStdString();
        EXPECT_EQ(QApplication::focusWidget(), child<QPushButton>(button));
        EXPECT_EQ(window->windowTitle(), "Romquill - Sonic Adventure DX (E)");
    }
    // A refused save writes nothing; the text stays in its box.
    dialogs.log.clear();
    paste("tikaltxt_0", QStringLiteral("\u4E2D"));
    EXPECT_EQ(QStringList({child<QLabel>("room_left_tikaltxt_0")->text(), child("tikaltxt_0")->toolTip(),
                           window->windowTitle()}),
              QStringList({"19 left", QStringLiteral("Cannot be saved: '\u4E2D' (no byte in code page 1252)"),
                           "*Romquill - Sonic Adventure DX (E)"}));
    click("tikal_text_click");
    EXPECT_EQ(dialogs.log,
              QStringList{
                  shown(Icon::Exclamation, QStringLiteral("Tikal Text, line 1: The character '\u4E2D' has no "
                                                          "byte in code page 1252. Nothing was written."))});
    EXPECT_EQ(text("tikaltxt_0"), QStringLiteral("\u4E2D"));
    EXPECT_EQ(readAll(path), expected);
    paste("tikaltxt_0", "Tikal");
    dialogs.log.clear();
    QTest::keyClick(child("tikaltxt_0"), Qt::Key_S, Qt::ControlModifier);  // saves every part
    click("sonic_write");
    EXPECT_EQ(dialogs.log, QStringList({kSaved, unchanged}));
    expected.replace(0x3E8B1D, 20, std::string("Tikal").append(15, ' '));
    EXPECT_EQ(readAll(path), expected);
    // The first message translated, the file is still known for what it is, and opens again.
    load(path);
    EXPECT_EQ(launcher->state().detectedGame, "Sonic Adventure DX PC (E)");

    // Closing with edits in two parts asks once, and Yes saves them all.
    paste("sonic_0", "Hey");
    paste("tikaltxt_0", "Tik");
    dialogs.log.clear();
    dialogs.answer = Answer::Yes;
    EXPECT_TRUE(window->close());
    EXPECT_EQ(dialogs.log, QStringList({askToSave(), kSaved}));
    EXPECT_EQ(readAll(path), expected.replace(0x47B0D5, 29, "Hey" + std::string(26, ' '))
                                 .replace(0x3E8B1D, 20, "Tik" + std::string(17, ' ')));
}

}  // namespace
}  // namespace rq::test
