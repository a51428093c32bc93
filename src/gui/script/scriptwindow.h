#pragma once

#include <QString>
#include <QWidget>

#include "kit/launchercontext.h"
#include "script/scriptfilter.h"
#include "script/scriptmodel.h"

namespace rq::kit {
struct PreviewPane;
}

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabBar;
class QTableView;
class QTimer;

namespace rq::script {

// The launcher's "Script...": every entry of the launcher's template in one list, any count, read from the
// launcher's file when it opens. Filters, search and replace, a box for the current entry, and the save of
// the changed entries through the template's own save. It keeps the template and file paths it opened with.
class ScriptWindow : public QWidget {
    Q_OBJECT
  public:
    // Reads the template and the file now; a template it cannot use is refused with a message, and no window
    // is made (nullptr).
    [[nodiscard]] static ScriptWindow* open(const kit::LauncherContextPtr& context);

    // Shows its own messages; true when everything was written.
    bool save_Click();
    void replaceAll_Click();
    void applyIdentical_Click();
    // The current entry's translation wrapped to its box again: one undo step.
    void rewrap_Click();
    // Asks for a glossary file (TBX or CSV) and checks every entry against it; a file it cannot read is
    // refused with a message, and the glossary in force stays.
    void glossary_Click();
    // The replace's preview now; typing in its boxes shows it a moment after the last key.
    void showMatches();

    [[nodiscard]] ScriptModel& model() { return *m_model; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    ScriptWindow(kit::LauncherContextPtr context, QString templatePath, QString filePath, ScriptModel* model);
    void buildControls();
    // The room column's width, in pixels.
    [[nodiscard]] int roomWidth() const;
    void showCounts();
    void showFound();
    void showPreview();
    // The box below the list shows this row (of the model; -1: none).
    void bind(int row);
    void showCurrent();
    void showTerms();
    void rowsChanged(const QModelIndex& first, const QModelIndex& last);

    kit::LauncherContextPtr m_context;
    kit::Dialogs& m_dialogs;
    const QString m_templatePath;
    const QString m_filePath;
    QString m_title;
    ScriptModel* m_model;
    ScriptFilter* m_filter;
    int m_current = -1;

    QTabBar* m_filters = nullptr;
    QLineEdit* m_search = nullptr;
    QLabel* m_shown = nullptr;
    QTableView* m_view = nullptr;
    QLabel* m_entryName = nullptr;
    QLabel* m_roomLeft = nullptr;
    QPlainTextEdit* m_box = nullptr;
    kit::PreviewPane* m_pane = nullptr;
    QLabel* m_problems = nullptr;
    QLabel* m_terms = nullptr;
    QPushButton* m_glossary = nullptr;
    QPushButton* m_applyIdentical = nullptr;
    QLineEdit* m_find = nullptr;
    QLineEdit* m_replaceWith = nullptr;
    QCheckBox* m_regex = nullptr;
    QCheckBox* m_matchCase = nullptr;
    QLabel* m_matches = nullptr;
    QPushButton* m_replaceAll = nullptr;
    QPushButton* m_save = nullptr;
    QTimer* m_matchTimer = nullptr;
};

// The script window, opened by the launcher's "Script...".
[[nodiscard]] QWidget* createScriptWindow(const kit::LauncherContextPtr& context);

}  // namespace rq::script
