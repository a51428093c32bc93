// The script window: its model's replace, undo and identical originals, and the window on the demo file
// opened from the launcher (counts, a filter, a replace, the save, the question when closing).

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTabBar>
#include <QTableView>

#include "editor/entrytexts.h"
#include "script/scriptwindow.h"
#include "support/launcher_fixture.h"
#include "support/tool_run.h"

namespace rq::test {
namespace {

using script::FindPattern;
using script::ScriptModel;

// Four entries of a table, three of them with the same original.
class ScriptModelTest : public LauncherFixture {
  public:
    void SetUp() override {
        LauncherFixture::SetUp();
        makeModel("");
    }
    // The third entry's section ends in thirdKeys.
    void makeModel(const std::string& thirdKeys) {
        folder.writeAlphabet("k.tbl", "41=A\n42=B\n43=C\n61=a\n62=b\n20= \n/00\n");
        folder.writeTemplate(
            "k.ini",
            TemplateText{{{"k", 6, 0x200}, {"k", 6, 0x206}, {"k", 6, 0x20C, "", thirdKeys}, {"k", 6, 0x212}},
                         {{"k", "k.tbl"}}}
                .str());
        const std::string file =
            megaDrive("k.bin", {{0x200, std::string("Ab ab\0C\0\0\0\0\0Ab ab\0Ab ab\0", 24)}});
        auto gameTemplate = templates::readGameTemplate(gamesPath("k.ini").toStdString());
        ASSERT_TRUE(gameTemplate) << gameTemplate.error();
        auto read = editor::readEntryTexts(*gameTemplate, file);
        model = std::make_unique<ScriptModel>(std::move(gameTemplate).value(), std::move(read),
                                              std::vector<std::optional<std::uint64_t>>(4));
    }
    QStringList translations() const {
        QStringList texts;
        for (int row = 0; row < model->rowCount(); ++row) {
            texts << model->translation(row);
        }
        return texts;
    }
    std::unique_ptr<ScriptModel> model;
};

const QStringList kOriginals = {"Ab ab", "C", "Ab ab", "Ab ab"};

// A replace over every row: find, as a regular expression, with case, the replacement; then the matches
// counted before it, the error, the translations after of the rows that had "Ab ab".
using ReplaceRow = std::tuple<const char*, QString, bool, bool, QString, int, bool, QString>;

const ReplaceRow kReplaces[] = {
    {"PlainIgnoringCase", "ab", false, false, "C", 6, false, "C C"},
    {"PlainMatchingCase", "ab", false, true, "C", 3, false, "Ab C"},
    {"PlainTakesADotAsItIs", ".", false, false, "C", 0, false, "Ab ab"},
    {"RegularExpressionWithGroups", "(A)(b)", true, true, "\\2\\1", 3, false, "bA ab"},
    {"RegularExpressionIgnoringCase", "^a", true, false, "C", 3, false, "Cb ab"},
    {"BadRegularExpression", "(", true, false, "C", 0, true, "Ab ab"},
};

class ScriptReplaceTest : public ScriptModelTest, public testing::WithParamInterface<ReplaceRow> {};

TEST_P(ScriptReplaceTest, ReplacesWhatItCountedAndUndoesItInOneStep) {
    const auto& [name, find, regex, matchCase, with, matches, error, after] = GetParam();
    const FindPattern pattern(find, regex, matchCase);
    int counted = 0;
    for (const QString& text : kOriginals) {
        counted += pattern.count(text);
    }
    EXPECT_EQ(counted, matches);
    EXPECT_EQ(pattern.error().isEmpty(), !error);
    const std::vector<int> all = {0, 1, 2, 3};
    EXPECT_EQ(model->replaceAll(all, pattern, with), matches > 0 ? 3 : 0);
    EXPECT_EQ(translations(), QStringList({after, "C", after, after}));
    EXPECT_EQ(model->counts().changed, matches > 0 ? 3 : 0);
    model->undoStack().undo();
    EXPECT_EQ(translations(), kOriginals);
    EXPECT_EQ(model->counts().changed, 0);
}

INSTANTIATE_TEST_SUITE_P(Replaces, ScriptReplaceTest, testing::ValuesIn(kReplaces), rowName);

TEST_F(ScriptModelTest, AppliesATranslationToIdenticalOriginalsInOneStep) {
    EXPECT_EQ(model->identicalOriginals(0), 2);
    EXPECT_EQ(model->identicalOriginals(1), 0);
    // Changed, untranslated and with problems: the same original translated two ways warns in every row.
    const auto counts = [this] {
        const ScriptModel::Counts& c = model->counts();
        return std::tuple(c.changed, c.untranslated, c.problems);
    };
    model->edit(0, "CC");  // typed: the rows that share its original follow once the row is left
    EXPECT_EQ(counts(), std::tuple(1, 3, 0));
    model->checkPending();
    EXPECT_EQ(counts(), std::tuple(1, 3, 3));
    model->applyToIdentical(0);
    EXPECT_EQ(translations(), QStringList({"CC", "C", "CC", "CC"}));
    EXPECT_EQ(counts(), std::tuple(3, 1, 0));
    model->undoStack().undo();
    EXPECT_EQ(translations(), QStringList({"CC", "C", "Ab ab", "Ab ab"}));
    EXPECT_EQ(counts(), std::tuple(1, 3, 3));
}

// A locked row: its translation cell is not editable and its number shows a padlock; a replace, an apply to
// identical originals or a rewrap leave it as it is, and the refusal names it.
TEST_F(ScriptModelTest, ALockedRowTakesNoChangeAndTheRefusalNamesIt) {
    makeModel("Lock=yes\n");
    QSignalSpy refused(model.get(), &ScriptModel::refused);
    const auto editable = [this](int row) {
        return model->flags(model->index(row, ScriptModel::Translation)).testFlag(Qt::ItemIsEditable);
    };
    EXPECT_EQ(std::tuple(editable(0), editable(2)), std::tuple(true, false));
    EXPECT_FALSE(model->data(model->index(2, ScriptModel::Number), Qt::DecorationRole).isNull());
    EXPECT_TRUE(model->data(model->index(0, ScriptModel::Number), Qt::DecorationRole).isNull());
    const std::vector<int> all = {0, 1, 2, 3};
    EXPECT_EQ(model->replaceAll(all, FindPattern("ab", false, true), "C"), 2);
    model->applyToIdentical(0);
    model->replaceText(2, "C", "Rewrap");
    model->edit(2, "B");
    EXPECT_EQ(translations(), QStringList({"Ab C", "C", "Ab ab", "Ab C"}));
    ASSERT_EQ(refused.size(), 4);
    EXPECT_EQ(refused.front().front().toString(),
              "Entry 3 (\"Entry 3\") is locked: its text cannot be changed.");
}

// The window on that template: the box takes no typing in the locked row, whose caption says so, and a
// replace that reaches it tells which entry it left.
TEST_F(ScriptModelTest, TheWindowShowsALockedRowAndARefusedChange) {
    makeModel("Lock=yes\n");
    folder.writeTemplate("game.ini", readAll(folder.path("plugins\\games\\k.ini")));
    ASSERT_NE(launch(megaDrive("game.bin", {{0x200, std::string("Ab ab\0C\0\0\0\0\0Ab ab\0Ab ab\0", 24)}}),
                     "script", "script_window"),
              nullptr);
    auto* view = child<QTableView>("entries");
    view->setCurrentIndex(view->model()->index(2, ScriptModel::Translation));
    EXPECT_TRUE(child<QPlainTextEdit>("translation")->isReadOnly());
    EXPECT_EQ(child<QLabel>("entry")->text(), "Entry 3 (\"Entry 3\"): locked");
    child("find")->setText("ab");
    static_cast<script::ScriptWindow*>(window.data())->showMatches();
    click("replaceAll");
    EXPECT_EQ(dialogs.log,
              QStringList{
                  shown(Icon::Exclamation, "Entry 3 (\"Entry 3\") is locked: its text cannot be changed.")});
}

// The demo file with demo.ini forced on it, as the README walks through, the build's program folder in
// force; the window opened by "Script...".
class ScriptWindowTest : public LauncherFixture {
  public:
    QWidget* openDemo(const std::string& demoTemplate = "demo.ini") {
        loadDemo(demoTemplate);
        if (testing::Test::HasFatalFailure()) {
            return nullptr;
        }
        dialogs.log.clear();
        before = readAll(path);
        press("script");
        return window = openWindow("script_window");
    }
    QString filters() const {
        QStringList captions;
        for (int tab = 0; tab < 4; ++tab) {
            captions << child<QTabBar>("filters")->tabText(tab);
        }
        return captions.join(", ");
    }
    int rowsShown() const { return child<QTableView>("entries")->model()->rowCount(); }
    void replace(const QString& find, const QString& with) const {
        child("find")->setText(find);
        child("replaceWith")->setText(with);
        static_cast<script::ScriptWindow*>(window.data())->showMatches();
    }
};

// The menu alphabet's bytes of a text: A-Z from 01, a-z from 1B, the space 00.
std::string menuBytes(const std::string& text) {
    std::string bytes;
    for (const char c : text) {
        bytes += c == ' ' ? '\0' : static_cast<char>(c >= 'a' ? c - 'a' + 0x1B : c - 'A' + 0x01);
    }
    return bytes;
}

TEST_F(ScriptWindowTest, OpensFromTheLauncherFiltersReplacesAndSavesTheChangedEntries) {
    ASSERT_NE(openDemo(), nullptr);
    EXPECT_TRUE(dialogs.log.isEmpty());
    EXPECT_EQ(window->windowTitle(), "Romquill - Romquill Demo - Script");
    EXPECT_EQ(filters(), "All (8), Changed (0), Untranslated (8), With problems (0)");
    EXPECT_EQ(child<QPlainTextEdit>("translation")->toPlainText() + "|" + child<QLabel>("room_left")->text(),
              "ROMQUILL DEMO|3 left");
    child("search")->setText("OVER");
    EXPECT_EQ(rowsShown(), 1);
    EXPECT_EQ(child<QPlainTextEdit>("translation")->toPlainText(), "Game Over");
    child("search")->clear();

    replace("(s)ta", "$1");  // as a plain text: found nowhere
    EXPECT_EQ(child<QLabel>("matches")->text(), "0 matches in 0 entries");
    child<QCheckBox>("regex")->setChecked(true);
    replace("(s)tart", "\\1pace");
    EXPECT_EQ(child<QLabel>("matches")->text(), "1 match in 1 entry");
    click("replaceAll");
    EXPECT_EQ(filters(), "All (8), Changed (1), Untranslated (7), With problems (0)");
    EXPECT_EQ(window->windowTitle(), "*Romquill - Romquill Demo - Script");
    child<QTabBar>("filters")->setCurrentIndex(1);
    EXPECT_EQ(rowsShown(), 1);
    EXPECT_EQ(child<QPlainTextEdit>("translation")->toPlainText(), "Press Space");

    // An error among the changed entries stops the save; Ctrl+Z takes the typing back.
    auto* box = child<QPlainTextEdit>("translation");
    box->setPlainText(QStringLiteral("Press Spac\u00E9"));
    EXPECT_EQ(filters(), "All (8), Changed (1), Untranslated (7), With problems (1)");
    click("save");
    EXPECT_EQ(dialogs.log,
              QStringList{shown(Dialogs::Icon::Exclamation,
                                "The checks find errors in the changed entries:\n\nEntry 2 (\"Start "
                                "prompt\") has a character that the alphabet file \"demo-menu.ini\" "
                                "lacks: '\u00E9'.\n\nCorrect them, then save. Nothing was written.")});
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(box->toPlainText(), "Press Space");
    dialogs.log.clear();
    click("save");
    EXPECT_EQ(readAll(path), std::string(before).replace(0x210, 12, menuBytes("Press Space ")));
    EXPECT_EQ(filters(), "All (8), Changed (0), Untranslated (7), With problems (0)");
    EXPECT_EQ(window->windowTitle(), "Romquill - Romquill Demo - Script");
    // Saved again with no change, it says so and writes nothing.
    click("save");
    EXPECT_EQ(dialogs.log,
              QStringList({shown(Dialogs::Icon::Information, "Writing complete! 1 entry written."),
                           shown(Dialogs::Icon::Information, "Nothing to save.")}));
    press("script");  // brought forward, not opened again
    EXPECT_EQ(openWindows("script_window").size(), 1);
}

// "Glossary..." takes a file through the dialogs: one it cannot read is refused and changes nothing; then the
// pane lists the current row's terms, and the checks find a forbidden term as they find any error.
TEST_F(ScriptWindowTest, TakesAGlossaryShowsTheCurrentRowsTermsAndChecksThem) {
    ASSERT_NE(openDemo(), nullptr);
    const std::string terms = folder.dir().file("terms.csv");
    writeText(terms, "source,target\n");
    dialogs.files = {QString::fromStdString(terms)};
    click("glossary");
    EXPECT_EQ(dialogs.log, QStringList{shown(Dialogs::Icon::Exclamation,
                                             QString::fromStdString(terms) +
                                                 ", row 1: the header row needs the columns source, target "
                                                 "and forbidden, separated by commas, semicolons or tabs.")});
    EXPECT_TRUE(child<QLabel>("terms")->isHidden());

    writeText(terms, "source,target,forbidden\nDemo,Demostraci\u00F3n,Muestra\nromquill,,\nStart,Inicio,\n");
    dialogs.files = {QString::fromStdString(terms)};
    click("glossary");
    EXPECT_EQ(child<QLabel>("terms")->text(),
              QStringLiteral("Demo \u2192 Demostraci\u00F3n, \u2717 Muestra\nromquill"));
    child<QPlainTextEdit>("translation")->setPlainText("ROMQUILL MUESTRA");
    EXPECT_EQ(
        child<QLabel>("problems")->text(),
        "Warning: Entry 1 (\"Title screen\") has the glossary's term \"Demo\" in its original, but not its "
        "agreed translation \"Demostraci\u00F3n\" in its translation.\nError: Entry 1 (\"Title screen\") has "
        "\"Muestra\" in its translation, which the glossary forbids for \"Demo\".");
    EXPECT_EQ(filters(), "All (8), Changed (1), Untranslated (7), With problems (1)");
    child("search")->setText("Options");
    EXPECT_EQ(child<QLabel>("terms")->text(), "No glossary term in this original.");
}

// Closing after an edit asks first (the answers' rule is the editor's test): Cancel keeps the window, Yes
// saves.
TEST_F(ScriptWindowTest, ClosingAfterAnEditAsksAndCancelKeepsTheWindowOpen) {
    ASSERT_NE(openDemo(), nullptr);
    QTest::keyClicks(child<QPlainTextEdit>("translation"), "S");
    dialogs.answer = Dialogs::Answer::Cancel;
    EXPECT_FALSE(window->close());
    EXPECT_EQ(readAll(path), before);
    dialogs.answer = Dialogs::Answer::Yes;
    EXPECT_TRUE(window->close());
    EXPECT_EQ(dialogs.log,
              QStringList({askToSave(), askToSave(),
                           shown(Dialogs::Icon::Information, "Writing complete! 1 entry written.")}));
    EXPECT_NE(readAll(path), before);
}

// Through pointers: a longer greeting moves to free space (390-3F0, 96 bytes), and the save says so; the
// file reads back the new text at its new place.
TEST_F(ScriptWindowTest, ASaveSaysWhatItWroteAndMovedAndTheFreeSpaceLeft) {
    ASSERT_NE(openDemo("demo-pointers.ini"), nullptr);
    const QString greeting =
        QStringLiteral("Здравствуй, дорогой путник! Как дела?");  // 37 bytes with its end
    EXPECT_EQ(child<QLabel>("room_left")->text(), "0 bytes left here; 96 free elsewhere");
    static_cast<script::ScriptWindow*>(window.data())->model().edit(0, greeting);
    click("save");
    EXPECT_EQ(dialogs.log,
              QStringList{shown(Dialogs::Icon::Information,
                                "Writing complete! 1 entry written, 1 moved; free space left: 59 "
                                "bytes.")});
    const auto read = editor::readEntryTexts(
        *templates::readGameTemplate(files::appRelativePath("plugins\\games\\demo-pointers.ini")), path);
    EXPECT_EQ(read.texts.front(), greeting.toStdString());
    EXPECT_EQ(read.rooms.front().offset, 0x390U);
}

// The keyboard: the first keys typed go into the first translation, Tab leaves the list for the box below,
// Ctrl+F goes to the search box.
TEST_F(ScriptWindowTest, TheKeyboardReachesTheTextsWithoutTheMouse) {
    ASSERT_NE(openDemo(), nullptr);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    auto* box = child<QPlainTextEdit>("translation");
    EXPECT_EQ(QApplication::focusWidget(), box);
    QTest::keyClicks(QApplication::focusWidget(), "!");
    EXPECT_EQ(box->toPlainText(), "ROMQUILL DEMO!");
    child<QTableView>("entries")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), box);
    QTest::keyClick(box, Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(QApplication::focusWidget(), child("search"));
}

}  // namespace
}  // namespace rq::test
