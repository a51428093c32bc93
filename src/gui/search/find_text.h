#pragma once

#include <QWidget>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "kit/backgroundjob.h"
#include "kit/launchercontext.h"
#include "search/pointerfinder.h"
#include "search/relative.h"
#include "search/tablesearch.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace rq::search {

// The launcher's "Find Text...": searches the loaded file for a word, relatively or through a table from
// plugins/alphabets/, lists the hits with the bytes around them decoded, makes a table from a relative hit,
// finds the pointer tables of the selected hits and makes a template that reads one of them. Searches run
// off the window's thread.
class FindTextWindow : public QWidget {
    Q_OBJECT
  public:
    explicit FindTextWindow(kit::LauncherContextPtr context);
    ~FindTextWindow() override;

    void search_Click();
    void makeTable_Click();
    void findPointers_Click();
    void makeTemplate_Click();

    // For tests: the window's searches.
    [[nodiscard]] kit::BackgroundJob& job() { return *m_job; }

  private:
    // A hit as the window keeps it: where its string lies, and the relative hit it is, if it is one.
    struct Hit {
        std::uint64_t offset = 0;
        std::optional<RelativeHit> relative;
    };

    void buildControls();
    void listTables();
    void selectTable(const QString& path);
    void showButtons();
    void tell(const QString& text, kit::Dialogs::Icon icon = kit::Dialogs::Icon::Information);
    [[nodiscard]] bool mayReplace(const QString& path);
    // A path from a save dialog with the extension added when none was typed; nothing when the user would
    // not replace a file that is there.
    [[nodiscard]] std::optional<QString> savePath(const QString& title, const QString& filter,
                                                  const QString& proposed, const QString& extension);
    [[nodiscard]] std::vector<std::uint64_t> selectedOffsets() const;

    kit::LauncherContextPtr m_context;
    std::string m_path;  // the file loaded when the window opened

    QLineEdit* m_word = nullptr;
    QComboBox* m_mode = nullptr;
    QPushButton* m_search = nullptr;
    QTreeWidget* m_results = nullptr;
    QPushButton* m_makeTable = nullptr;
    QPushButton* m_findPointers = nullptr;
    QTreeWidget* m_pointerTables = nullptr;
    QPushButton* m_makeTemplate = nullptr;
    kit::BackgroundJob* m_job = nullptr;

    // What the last search found, and the file it searched, held for the pointer finder.
    std::shared_ptr<const std::string> m_file;
    std::u32string m_word32;
    std::vector<Hit> m_hits;
    std::vector<PointerTableCandidate> m_candidates;  // for the hits selected when they were found
};

// The find window on the launcher's loaded file; nothing without one.
[[nodiscard]] QWidget* createFindTextWindow(const kit::LauncherContextPtr& context);

}  // namespace rq::search
