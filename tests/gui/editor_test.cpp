// The editor window: what it shows as it opens, what it refuses then, its save, and the question when closing
// with unsaved edits.

#include <QTabBar>
#include <QTabWidget>
#include <functional>
#include <ranges>

#include "kit/entryroom.h"
#include "kit/typinglimit.h"
#include "kit/windowtools.h"
#include "support/launcher_fixture.h"

namespace rq::test {

using namespace rq::kit;
namespace {

using Entry = EntryText;

const QString kAsk = askToSave();
const QString kSaved = saved();

// Text format "1" has one byte a code: A to C, a space as "¬", É, a code 7E that shows as several
// characters and a code 7F that shows as nothing; "2" has two bytes a code; "3" names an alphabet older than
// 0.9 where a test writes one. Texts lie at 0x200.
class EditorTest : public LauncherFixture {
  public:
    void SetUp() override {
        LauncherFixture::SetUp();
        folder.writeAlphabet("one.ini",
                             alphabetText(1, "41=A\n42=B\n43=C\n20=\xAC\nC9=\xC9\n7E=[end]\n7F= \n",
                                          "A=41\nB=42\nC=43\n\xAC=20\n\xC9=C9\n"));
        folder.writeAlphabet("two.ini", alphabetText(2, "4100=A\n", "A=4100\n"));
    }
    void writeTemplate(const std::vector<Entry>& entries, const std::string& name = "game.ini") const {
        const TemplateText text{
            entries, {{"1", "one.ini"}, {"2", "two.ini"}, {"3", "old.ini"}}, "Notes=Menus\n"};
        folder.writeTemplate(name, text.str());
    }
    QWidget* open(const std::vector<Entry>& entries, const std::string& texts, bool removeFile = false) {
        writeTemplate(entries);
        return launch(megaDrive("game.bin", {{0x200, texts}}), "go", "editor", removeFile);
    }
    // A message with "{games}" and "{alphabets}" standing for the folders.
    QString withPaths(QString text) const {
        return text.replace("{games}", gamesPath(""))
            .replace("{alphabets}", qs(folder.path("plugins\\alphabets\\")));
    }

    QLineEdit* box(int slot) const { return child<QLineEdit>(QStringLiteral("romtext_%1").arg(slot)); }
    QLabel* label(int slot) const { return child<QLabel>(QStringLiteral("ident_label_%1").arg(slot)); }
    // Replaces a box's text as a user does: select all, type (QTest types Latin-1 characters only).
    void type(int slot, const QString& text) const {
        box(slot)->selectAll();
        QTest::keyClicks(box(slot), text);
    }
    long visibleSlots() const {
        return std::ranges::count_if(std::views::iota(0, 540),
                                     [this](int s) { return !box(s)->isHidden() && !label(s)->isHidden(); });
    }
};

TEST_F(EditorTest, RefusesATemplateBeforeReadingTheFileAndShowsTheEntriesOfOneItCanUse) {
    // Told once, before the file is read (it is gone, or "ROM not found!" would follow); no editor opens.
    folder.writeAlphabet("old.ini", "[Load]\n41=A\n");
    for (const auto& [count, format, icon, message] :
         {std::tuple{541, "1", Icon::Exclamation,
                     "The template {games}game.ini cannot be used: in section [TextFormattingSystem] the key "
                     "NumberOfEntries has the value \"541\", which is out of range: a count from -32768 to "
                     "540 (the editor has room for 540 entries)."},
          std::tuple{1, "3", Icon::Critical,
                     "Pre-RQL 0.9 Alphabet file detected, closing the editor to avoid errors. Please check "
                     "template {alphabets}old.ini for the field 'AlphabetAndFileInfo --> CharLength'."}}) {
        dialogs.log.clear();
        EXPECT_EQ(open(std::vector<Entry>(count, {format, 2, 0x200, ""}), "AB", true), nullptr);
        EXPECT_EQ(dialogs.log, QStringList{shown(icon, withPaths(message))});
        EXPECT_EQ(caption(button("go")), "Launch!");
    }

    dialogs.log.clear();
    std::vector<Entry> entries(270, {"2", 0, 0x200, ""});
    entries[0] = {"1", 3, 0x200, "Caption && \xC9"};
    entries[1] = {"2", 10, 0x200, "<b>B</b>"};
    entries[2].length = 5;
    entries[3].length = 7;
    ASSERT_NE(open(entries, "\xC9\x7E\x42"), nullptr);
    EXPECT_TRUE(dialogs.log.isEmpty());
    EXPECT_EQ(window->windowTitle(), "Romquill - Sonic The Hedgehog 2");
    EXPECT_EQ(child<QLabel>("NotesLabel")->text(), "Notes: Menus");
    EXPECT_EQ(label(0)->text(), QStringLiteral("Caption & \u00C9"));  // as in every label, "&&" shows as "&"
    // Text, not markup: the whole of it takes room.
    EXPECT_GE(label(1)->sizeHint().width(), label(1)->fontMetrics().horizontalAdvance("<b>B</b>"));
    EXPECT_EQ(visibleSlots(), 270);
    EXPECT_FALSE(child<QPushButton>("toggle")->isVisibleTo(window));  // no entry lies on tabs 16 to 30
    // The load gave the launcher its button back; launching again only brings this editor forward.
    press("go");
    EXPECT_EQ(openWindows("editor").size(), 1);
    EXPECT_EQ(caption(button("go")), "Launch!");
    // Length over CharLength, halves to even; no Length, no limit.
    const int limits[] = {5, 2, 4, 60};
    for (int s = 1; s <= 4; ++s) {
        type(s, QString(60, QLatin1Char('A')));
        EXPECT_EQ(box(s)->text().size(), limits[s - 1]) << s;
    }
    // The program's text may be longer than the limit, but typing cannot make it longer; a paste is cut.
    QLineEdit* b = box(0);
    EXPECT_EQ(b->text(), QStringLiteral("\u00C9[end]B"));
    b->end(false);
    for (const Qt::Key key : {Qt::Key_C, Qt::Key_Backspace, Qt::Key_C}) {
        QTest::keyClick(b, key);
    }
    EXPECT_EQ(b->text(), QStringLiteral("\u00C9[end]"));
    b->clear();
    QTest::keyClicks(b, "C");
    b->insert(QStringLiteral("BBBBB"));
    EXPECT_EQ(b->text(), "CBB");
}

TEST_F(EditorTest, OpensOnAFileItCannotReadAndLaysItsSlotsOnThirtyTabsThatTheToggleSwitches) {
    ASSERT_NE(open(std::vector<Entry>(540, {"1", 1, 0x200, ""}), "", true), nullptr);
    EXPECT_EQ(dialogs.log, QStringList{shown(Icon::Critical, "ROM not found!")});
    auto* first = child<QTabWidget>("tabstrip");
    auto* second = child<QTabWidget>("tabstrip2");
    EXPECT_EQ(visibleSlots(), 540);
    EXPECT_EQ(first->tabText(0) + first->tabText(14) + second->tabText(0) + second->tabText(14),
              " 1  15  16  30 ");
    // Fifteen narrow tabs, sized alike (no other window has such): one row, all in view.
    EXPECT_EQ(second->tabBar()->tabRect(14).top(), second->tabBar()->tabRect(0).top());
    EXPECT_LE(second->tabBar()->tabRect(14).right(), second->width());
    // tabstrip2 lies over tabstrip's first tab; the toggle shows it, and goes back to the tab selected
    // before. What tabstrip2 covers is out of reach meanwhile.
    EXPECT_EQ(second->parentWidget(), first);
    EXPECT_TRUE(child<QPushButton>("toggle")->isVisible());
    const auto toggled = [&] {
        return QStringList() << child<QPushButton>("toggle")->text() << QString::number(first->currentIndex())
                             << QString::number(second->isVisible())
                             << QString::number(first->tabBar()->isEnabled())
                             << QString::number(box(0)->isEnabled());
    };
    EXPECT_EQ(toggled(), QStringList({"View tab 16 onwards", "0", "0", "1", "1"}));
    first->setCurrentIndex(5);
    click("toggle");
    EXPECT_EQ(toggled(), QStringList({"View tabs 1 to 15", "0", "1", "0", "0"}));
    EXPECT_TRUE(box(270)->isVisible() && box(270)->isEnabled());

    // A slot's strip, tab, and its caption's place there in twips; its box lies 120 right and 240 below.
    const std::tuple<int, QTabWidget*, int, int, int> places[] = {
        {0, first, 0, 360, 480},      {17, first, 0, 4800, 5280}, {18, first, 1, 360, 480},
        {269, first, 14, 4800, 5280}, {270, second, 0, 360, 480}, {539, second, 14, 4800, 5280}};
    const auto at = [](const QWidget* control, const QTabWidget* strip) {
        return std::pair(strip->indexOf(control->parentWidget()),
                         QRect(control->mapTo(strip, QPoint()), control->size()));
    };
    for (const auto& [slot, strip, tab, x, y] : places) {
        // The caption leaves the right of its line to the room left.
        EXPECT_EQ(at(label(slot), strip), std::pair(tab, twipsRect(x, y, 3075, 255))) << slot;
        EXPECT_EQ(at(child<QLabel>(QStringLiteral("room_left_%1").arg(slot)), strip),
                  std::pair(tab, twipsRect(x + 3135, y, 840, 255)))
            << slot;
        EXPECT_EQ(at(box(slot), strip), std::pair(tab, twipsRect(x + 120, y + 240, 3855, 285))) << slot;
    }

    click("toggle");
    EXPECT_EQ(toggled(), QStringList({"View tab 16 onwards", "5", "0", "1", "1"}));
    // A load in the launcher sets the saved tab back to the first.
    click("toggle");
    load(megaDrive("other.bin"));
    click("toggle");
    EXPECT_EQ(first->currentIndex(), 0);
}

// Two entries of five one-byte codes; the first reads "A", as 7F shows as nothing.
const std::vector<Entry> kTwo = {{"1", 5, 0x200, ""}, {"1", 5, 0x205, ""}};
const std::string kTwoTexts = "A\177\177\177\177CCCCC";  // 7F in octal, as a C follows
const QString kInvalidZ =
    shown(Icon::Exclamation,
          "Entry 1 (\"Entry 1\"): The character 'Z' in the string 'Z    ' is invalid. Please replace it with "
          "a valid character.\r\nNote: this error may not apply to every text string in the game.");

TEST_F(EditorTest, SavesPaddedToTheFileItOpenedAndLeavesTheFocusWhereItWas) {
    ASSERT_NE(open(kTwo, kTwoTexts), nullptr);
    // What the launcher loads or forces later is no concern of this editor's.
    load(megaDrive("other.bin", {{0x200, "CCCCCCCCCC"}}));
    writeTemplate({{"1", 5, 0x300, ""}}, "moved.ini");
    launcher->applyForcedTemplate(gamesPath("moved.ini").toStdString(), "Moved");

    type(1, QStringLiteral("C\u00C9"));
    // The button's caption as it is disabled, and as it is enabled again: it was "Saving data..." meanwhile.
    struct CaptionLog : QObject {
        QStringList seen;
        bool eventFilter(QObject* button, QEvent* event) override {
            if (event->type() == QEvent::EnabledChange) {
                seen << caption(static_cast<QPushButton*>(button));
            }
            return false;
        }
    } captions;
    child<QPushButton>("save")->installEventFilter(&captions);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    child<QPushButton>("save")->setFocus();
    click("save");
    EXPECT_EQ(captions.seen, QStringList({"&Save data to file (disabled)", "Saving data..."}));
    EXPECT_EQ(dialogs.log, QStringList{kSaved});
    // The first entry reads back as "A" but was not edited: its bytes stay as they were, unpadded. The
    // saved one is padded in the file, not in its box.
    EXPECT_EQ(box(0)->text() + box(1)->text(), QStringLiteral("AC\u00C9"));
    EXPECT_EQ(readAll(path), std::string(before).replace(0x205, 5, "C\xC9   "));
    // Had the focus moved on, the next key pressed would replace a whole text the user did not mean to touch.
    EXPECT_EQ(QApplication::focusWidget(), child<QPushButton>("save"));
    EXPECT_FALSE(box(0)->hasSelectedText());
    EXPECT_EQ(caption(child<QPushButton>("save")), "&Save data to file");
    dialogs.log.clear();
    EXPECT_TRUE(window->close() && dialogs.log.isEmpty());  // nothing is left unsaved
}

TEST_F(EditorTest, WhileTypingShowsTheRoomLeftMarksWhatCannotBeSavedAndTheTitleMarksEdits) {
    // The first box reads a code shown as several characters: more than its limit, so full, and not what its
    // alphabet saves. The third is padded: the padding is not shown, the room left counts what is, and typing
    // goes on after it.
    ASSERT_NE(open({{"1", 2, 0x200, ""}, {"1", 5, 0x202, ""}, {"1", 5, 0x207, ""}},
                   "\x7E" + std::string("AABBCCAB   ")),
              nullptr);
    const QString title = "Romquill - Sonic The Hedgehog 2";
    EXPECT_EQ(box(2)->text() + "|" + child<QLabel>("room_left_2")->text(), "AB|3 left");
    box(2)->end(false);
    QTest::keyClicks(box(2), "CCCC");
    EXPECT_EQ(box(2)->text(), "ABCCC");
    type(2, "AB");  // as read: no edit, as the first row's title shows
    const QString notInOne = "Cannot be saved: %1 (not in the alphabet file one.ini)";
    struct Row {
        int slot;
        QString typed, left, toolTip, title;
    };
    const Row rows[] = {
        {0, "", "full", notInOne.arg("'[', 'e'"), title},  // as read, a save would refuse it too
        {1, "AB", "3 left", "", "*" + title},
        {1, "A\u00D1b\u00D1C", "full", notInOne.arg("'\u00D1', 'b'"), "*" + title},
        {1, "A\u00D1", "3 left", notInOne.arg("'\u00D1'"), "*" + title},
        {1, "ABBCC", "full", "", title},  // what was read
        {0, "A", "1 left", "", "*" + title},
    };
    for (const auto& [slot, typed, left, toolTip, shownTitle] : rows) {
        if (!typed.isEmpty()) {
            type(slot, typed);
        }
        EXPECT_EQ(QStringList({child<QLabel>(QStringLiteral("room_left_%1").arg(slot))->text(),
                               box(slot)->toolTip(), window->windowTitle()}),
                  QStringList({left, toolTip, shownTitle}))
            << typed.toStdString();
        EXPECT_EQ(box(slot)->styleSheet().contains("red"), !toolTip.isEmpty());
    }
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QTest::keyClick(box(1), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(dialogs.log, QStringList{kSaved});
    EXPECT_EQ(window->windowTitle(), title);
    EXPECT_EQ(readAll(path).substr(0x200, 2), "A ");
}

TEST_F(EditorTest, RefusesAPointerTableOfMoreEntriesThanItHasSlotsPointingToTheScriptWindow) {
    folder.writeAlphabet("k.tbl", "41=A\n/00\n");
    folder.writeTemplate("game.ini",
                         "[TextFormattingSystem]\nNumberOfEntries=0\nk=k.tbl\n"
                         "[PointerTable1]\nFormat=le16\nOffset=0\nCount=541\nTextFormat=k\n");
    EXPECT_EQ(launch(megaDrive("game.bin"), "go", "editor"), nullptr);
    EXPECT_EQ(dialogs.log,
              QStringList{shown(Icon::Exclamation,
                                withPaths("The template {games}game.ini has 541 entries; the editor has "
                                          "room for 540. Use Script... in the launcher, or romquill-cli "
                                          "dump and insert with JSON, PO or CSV files, for a template of "
                                          "this size."))});
}

TEST_F(EditorTest, ATableEntryCountsItsRoomInBytesAndKeepsAnOverlongTextForTheSaveToRefuse) {
    // A two-byte kana, a line break, an end token: the room of 8 bytes holds "A", a line break, "A", its end
    // token, and four bytes kept.
    folder.writeAlphabet("k.tbl", "41=A\n82A0=\xE3\x81\x82\n*0A\n/FF\n");
    folder.writeTemplate("game.ini", TemplateText{{{"k", 8, 0x200, ""}}, {{"k", "k.tbl"}}}.str());
    ASSERT_NE(launch(megaDrive("game.bin", {{0x200, "A\nA\xFF" + std::string("1234")}}), "go", "editor"),
              nullptr);
    EXPECT_EQ(box(0)->text() + "|" + child<QLabel>("room_left_0")->text(), "A\nA|4 bytes left");
    EXPECT_EQ(window->windowTitle(), "Romquill - Sonic The Hedgehog 2");
    box(0)->setText(QString(4, QChar(0x3042)));  // QTest types Latin-1 only
    EXPECT_EQ(child<QLabel>("room_left_0")->text(), "1 byte over");
    click("save");
    EXPECT_EQ(readAll(path), before);
    box(0)->setText(QString(3, QChar(0x3042)));
    dialogs.log.clear();
    click("save");
    EXPECT_EQ(dialogs.log, QStringList{kSaved});
    EXPECT_EQ(readAll(path), std::string(before).replace(0x200, 7, "\x82\xA0\x82\xA0\x82\xA0\xFF"));
}

// A locked entry's box takes no typing and says why with a padlock; a text put in it anyway (no user can) is
// refused by the save, naming the entry.
TEST_F(EditorTest, ALockedEntrysBoxTakesNoTypingAndTheSaveRefusesAChangeToIt) {
    ASSERT_NE(open({{"1", 4, 0x200}, {"1", 4, 0x204, "Password", "Lock=yes\n"}}, "ABCAABC "), nullptr);
    const QString refusal = "Entry 2 (\"Password\") is locked: its text cannot be changed.";
    EXPECT_EQ(std::tuple(box(0)->isReadOnly(), box(1)->isReadOnly()), std::tuple(false, true));
    EXPECT_EQ(box(1)->toolTip() + "|" + child<QLabel>("room_left_1")->text(), refusal + "|locked");
    EXPECT_EQ(box(1)->actions().size(), 1);  // the padlock
    type(1, "CBA");
    EXPECT_EQ(box(1)->text(), "ABC");
    box(1)->setText("CBA");
    click("save");
    EXPECT_EQ(dialogs.log, QStringList{shown(Icon::Exclamation, refusal + " Nothing was written.")});
    EXPECT_EQ(readAll(path), before);
}

// A pointer entry's longer text moves to free space (3C0-400, zeros); the counter says so, and after the save
// the entry's room is where its string went.
TEST_F(EditorTest, APointerEntrysLongerTextMovesAndItsRoomFollowsIt) {
    folder.writeAlphabet("k.tbl", "41=A\n42=B\n43=C\n/FF\n");
    folder.writeTemplate(
        "game.ini",
        "[TextFormattingSystem]\nNumberOfEntries=1\nk=k.tbl\n[Pointers]\nFormat=be32\n"
        "[entry1]\nTextFormat=k\nPointer=300\nComment=Line\n[FreeSpace]\nRanges=3C0-400\nFill=00\n");
    ASSERT_NE(launch(megaDrive("game.bin", {{0x300, std::string("\0\0\x03\x80", 4)}, {0x380, "AB\xFF"}}),
                     "go", "editor"),
              nullptr);
    // Filled, it can still grow by moving: never full.
    QLabel* counter = child<QLabel>("room_left_0");
    EXPECT_EQ(box(0)->text() + "|" + counter->text(), "AB|0 bytes left here; 64 free elsewhere");
    type(0, "ABCAB");
    EXPECT_EQ(counter->text(), "moves: 64 bytes free");
    click("save");
    EXPECT_EQ(dialogs.log, QStringList{kSaved});
    std::string moved = std::string(before).replace(0x303, 1, "\xC0").replace(0x3C0, 6, "ABCAB\xFF");
    EXPECT_EQ(readAll(path), moved);
    EXPECT_EQ(counter->text(), "0 bytes left here; 58 free elsewhere");

    // Shorter now: written where the string lies, not where it was read.
    type(0, "A");
    click("save");
    EXPECT_EQ(readAll(path), moved.replace(0x3C0, 2, "A\xFF"));
    EXPECT_EQ(dialogs.log, QStringList({kSaved, kSaved}));
}

// A save the editor refuses: one message, nothing written, no text padded. What changes after the editor
// opened, and the message as withPaths() writes it. An invalid character is refused as a save on closing is
// (EditorCloseTest).
using SaveRefusal = std::tuple<const char*, std::function<void(EditorTest&)>, QString, Icon>;

const SaveRefusal kSaveRefusals[] = {
    {"EntryCountChanged", [](EditorTest& t) { t.writeTemplate(std::vector(1, kTwo[0])); },
     "The template {games}game.ini now has 1 entries, not the 2 this editor shows. Nothing was written; "
     "close the editor and launch it again.",
     Icon::Exclamation},
    {"AlphabetOlderThan09", [](EditorTest& t) { t.folder.writeAlphabet("one.ini", "[Load]\n41=A\n"); },
     "Pre-RQL 0.9 Alphabet file detected, stopping the save to avoid errors. Please check template "
     "{alphabets}one.ini for the field 'AlphabetAndFileInfo --> CharLength'.",
     Icon::Critical},
};

class EditorSaveRefusalTest : public EditorTest, public ::testing::WithParamInterface<SaveRefusal> {};

TEST_P(EditorSaveRefusalTest, NamesTheCauseAndWritesNothing) {
    const auto& [name, change, message, icon] = GetParam();
    ASSERT_NE(open(kTwo, kTwoTexts), nullptr);
    change(*this);
    click("save");
    EXPECT_EQ(dialogs.log, QStringList{shown(icon, withPaths(message))});
    EXPECT_EQ(readAll(path), before);
    EXPECT_EQ(box(0)->text(), "A");  // not edited, so not padded either
    EXPECT_EQ(caption(child<QPushButton>("save")), "&Save data to file");
}

INSTANTIATE_TEST_SUITE_P(Saves, EditorSaveRefusalTest, ::testing::ValuesIn(kSaveRefusals), rowName);

// The first text typed over with "B", then with the row's text; the answer scripted for a question.
using CloseRow = std::tuple<const char*, QString, Answer, QStringList, bool>;

const CloseRow kCloseRows[] = {
    {"EditedBackToWhatWasRead", "A", Answer::Cancel, QStringList(), true},
    {"AnsweredCancel", "B", Answer::Cancel, QStringList{kAsk}, false},
    {"AnsweredNo", "B", Answer::No, QStringList{kAsk}, true},
    {"AnsweredYes", "B", Answer::Yes, QStringList{kAsk, kSaved}, true},
    {"AnsweredYesButTheSaveFails", "Z", Answer::Yes, QStringList{kAsk, kInvalidZ}, false},
};

class EditorCloseTest : public EditorTest, public ::testing::WithParamInterface<CloseRow> {};

TEST_P(EditorCloseTest, AsksOnlyAboutUnsavedEdits) {
    const auto& [name, typed, answer, messages, closes] = GetParam();
    ASSERT_NE(open(kTwo, kTwoTexts), nullptr);
    type(0, "B");
    type(0, typed);
    dialogs.answer = answer;
    EXPECT_EQ(window->close(), closes);
    EXPECT_EQ(dialogs.log, messages);
    EXPECT_EQ(readAll(path),
              messages.contains(kSaved) ? std::string(before).replace(0x200, 5, "B    ") : before);
}

INSTANTIATE_TEST_SUITE_P(Closing, EditorCloseTest, ::testing::ValuesIn(kCloseRows), rowName);

QString told(const RoomLeft& room) {
    return room.text + (room.over ? " (red)" : "");
}

// A room in bytes is counted in words, one byte apart from many, and goes red only when over.
TEST(ByteCounter, SaysTheBytesLeftOrOver) {
    QStringList said;
    for (const long left : {16L, 1L, 0L, -1L, -5L}) {
        said << told(byteCounter([left](const QString&) { return std::optional(left); })(QString()));
    }
    // A text that can move, in a room of 4 with 8 or 7 bytes free elsewhere: while it fits, how much it can
    // grow here and elsewhere; 4 bytes over, whether the largest free block holds it.
    for (const long left : {1L, 0L, -4L}) {
        for (const std::uint64_t largest : {8U, 7U}) {
            const auto moves = [largest] { return std::optional(MoveRoom{4, largest}); };
            said << told(
                byteCounter([left](const QString&) { return std::optional(left); }, moves)(QString()));
        }
    }
    EXPECT_EQ(said,
              QStringList({"16 bytes left", "1 byte left", "full", "1 byte over (red)", "5 bytes over (red)",
                           "1 byte left here; 8 free elsewhere", "1 byte left here; 7 free elsewhere",
                           "0 bytes left here; 8 free elsewhere", "0 bytes left here; 7 free elsewhere",
                           "moves: 8 bytes free", "moves: 7 bytes free (red)"}));
}

// A table's room that the save could not fill (an odd byte for spaces of two) is no room: the counter says so
// in red, as the save refuses it.
TEST(ByteCounter, SaysARoomTheSaveCannotFillIsNoRoom) {
    ProgramFolder folder;
    folder.writeAlphabet("t.tbl", "41=A\n8140= \n");
    folder.writeTemplate("t.ini",
                         "[TextFormattingSystem]\nNumberOfEntries=1\n0=t.tbl\n[entry1]\nTextFormat=0\n"
                         "HexLocation=0\nLength=6\n");
    const auto gameTemplate = templates::readGameTemplate(folder.path("plugins\\games\\t.ini"));
    ASSERT_TRUE(gameTemplate) << gameTemplate.error();
    const auto& entry = gameTemplate->entries.front();
    QStringList said;
    for (const QString text : {"A", "AA", "AAAAAAA"}) {
        said << told(entryRoomLeft(entry, editor::lengthRoom(entry), std::nullopt, text));
    }
    EXPECT_EQ(said, QStringList({"5 bytes left, unfillable (red)", "4 bytes left", "1 byte over (red)"}));
}

}  // namespace
}  // namespace rq::test
