#pragma once

#include <QWidget>
#include <optional>
#include <string>
#include <vector>

#include "kit/backgroundjob.h"
#include "kit/launchercontext.h"
#include "search/findsession.h"

class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTreeWidget;

namespace rq::search {

// The launcher's "Find Text...": searches the loaded file for a word or a phrase, relatively or through a
// table from plugins/alphabets/, lists the hits with the bytes around them decoded, makes a table from a
// relative hit, gathers the strings of hits from several searches, finds their pointer tables and makes a
// template that reads the tables chosen. What it decides is its FindSession's; searches run off the window's
// thread.
class FindTextWindow : public QWidget {
    Q_OBJECT
  public:
    explicit FindTextWindow(kit::LauncherContextPtr context);
    ~FindTextWindow() override;

    void search_Click();
    void makeTable_Click();
    void gather_Click();
    void clearGathered_Click();
    void findPointers_Click();
    void makeTemplate_Click();

    // For tests: the window's searches, and what it holds.
    [[nodiscard]] kit::BackgroundJob& job() { return *m_job; }
    [[nodiscard]] const FindSession& session() const { return m_session; }

  private:
    static constexpr int kBefore = 2;  // the results' column of the text before a hit

    void buildControls();
    void listTables();
    void selectTable(const QString& path);
    void showFound();
    void showGathered();
    void showButtons();
    void tell(const QString& text, kit::Dialogs::Icon icon = kit::Dialogs::Icon::Information);
    // A path from a save dialog with the extension added when none was typed; nothing when the user would
    // not replace a file that is there.
    [[nodiscard]] std::optional<QString> savePath(const QString& title, const QString& filter,
                                                  const QString& proposed, const QString& extension);
    [[nodiscard]] std::vector<std::size_t> selectedHits() const;
    // The end token typed, as bytes; nothing (and a message) when it is not whole bytes of hexadecimal.
    [[nodiscard]] std::optional<std::string> endToken();

    kit::LauncherContextPtr m_context;
    std::string m_path;  // the file loaded when the window opened
    FindSession m_session;

    QLineEdit* m_word = nullptr;
    QComboBox* m_mode = nullptr;
    QLineEdit* m_end = nullptr;
    QPushButton* m_search = nullptr;
    QTreeWidget* m_results = nullptr;
    QPushButton* m_makeTable = nullptr;
    QPushButton* m_gather = nullptr;
    QPushButton* m_findPointers = nullptr;
    QListWidget* m_gathered = nullptr;
    QPushButton* m_clearGathered = nullptr;
    QTreeWidget* m_pointerTables = nullptr;
    QPushButton* m_makeTemplate = nullptr;
    kit::BackgroundJob* m_job = nullptr;
};

// The find window on the launcher's loaded file; nothing without one.
[[nodiscard]] QWidget* createFindTextWindow(const kit::LauncherContextPtr& context);

}  // namespace rq::search
