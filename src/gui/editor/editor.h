#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "editor/slotlayout.h"
#include "editor/tablerooms.h"
#include "font/gamefont.h"
#include "kit/dialogs.h"
#include "kit/growinglayout.h"
#include "kit/launchercontext.h"
#include "kit/saving.h"
#include "templates/gametemplate.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

namespace rq::templates {
struct GameTemplate;
}

namespace rq::kit {
struct PreviewPane;
}

namespace rq::editor {

// The template text editor: every entry of the launcher's template, read from the launcher's
// file and decoded through its alphabet, on up to thirty tabs; "Save data to file" writes them all back, or
// nothing. It works on copies of the launcher's template and file paths taken when it opens.
class EditorWindow : public QWidget {
    Q_OBJECT
  public:
    // Form_Load: reads the template and the file now. A template it cannot use is refused with a message
    // before anything is read from the file, and no window is made (nullptr). Either way the launcher gets
    // its "Launch!" back.
    [[nodiscard]] static EditorWindow* open(const kit::LauncherContextPtr& context);

    void toggle_Click();
    // The text box that has the focus, or had it last, wrapped to its entry's box again: one undo step.
    void rewrap_Click();
    // Shows its own messages; true when everything was written.
    bool save_Click();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    EditorWindow(kit::LauncherContextPtr context, QString templatePath, QString filePath);
    void buildControls();
    void buildSlots();
    void buildPane();
    // A shown slot's places in the layout: its counter this wide, in twips, for texts as wide as counts.
    void placeSlot(int slot, int counterWidth, const QStringList& counts);
    // The design's places, grown where a text needs more room.
    void layOut();
    void showEntries(const templates::GameTemplate& gameTemplate);
    [[nodiscard]] Status saveTexts(const templates::GameTemplate& gameTemplate);
    [[nodiscard]] std::vector<std::string> texts() const;
    // Whether a box holds a text that differs from the one read or last saved, as the save plans it.
    [[nodiscard]] bool edited() const;
    // The title's marker of texts that differ from those read or last saved.
    void showEdited();
    // The pane below the tabs: the box of the text box that has the focus, and what the font finds in it.
    void showBox();

    kit::LauncherContextPtr m_context;
    kit::Dialogs& m_dialogs;
    const QString m_templatePath;  // the window template path
    const QString m_filePath;      // the window file path
    QString m_title;
    int m_entryCount = 0;
    int m_toggleState = 0;
    // The texts as read or last saved, padding and all: what closing without a question keeps.
    std::vector<std::string> m_savedTexts;
    std::vector<templates::TemplateEntry> m_entries;  // as shown, for what counts as an edit
    std::vector<EntryRoom> m_rooms;                   // each entry's room as read, or where a save moved it
    std::vector<std::optional<std::uint64_t>> m_moving;  // a pointer entry's largest free block (movingRooms)
    std::vector<std::function<void()>> m_showRooms;      // the counters shown again
    std::shared_ptr<const font::TemplateFont> m_font;    // none: nothing measured, no pane
    int m_focused = 0;                                   // the slot the pane shows

    kit::GrowingLayout m_layout{9555, 7275};
    kit::GrowingLayout m_slotLayout{9250, 6135};  // in the tab containers, tab row included
    QLabel* m_notes = nullptr;
    QTabWidget* m_tabstrip = nullptr;
    QTabWidget* m_tabstrip2 = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_toggle = nullptr;
    kit::PreviewPane* m_pane = nullptr;
    QLabel* m_boxProblems = nullptr;
    std::array<QLabel*, slotlayout::kCount> m_labels{};
    std::array<QLabel*, slotlayout::kCount> m_counters{};  // the room left in each box
    std::array<QLineEdit*, slotlayout::kCount> m_boxes{};
};

// The template text editor, opened by the launcher's "Launch!".
[[nodiscard]] QWidget* createEditorWindow(const kit::LauncherContextPtr& context);

}  // namespace rq::editor
