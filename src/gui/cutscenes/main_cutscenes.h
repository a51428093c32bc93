#pragma once

#include <QWidget>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "cutscenes/cutscenerooms.h"
#include "kit/dialogs.h"
#include "kit/launchercontext.h"

class QLabel;
class QLineEdit;

namespace rq::cutscenes {

// The cutscene editor for the PC executable: Sonic's subtitles, Tikal's texts and the playable-character
// messages at the places the core's table gives, for the edition the file's marker names. It works on the
// copy of the launcher's file path it took when it opened.
class CutscenesWindow : public QWidget {
    Q_OBJECT
  public:
    // Form_Load: reads every text now, tells once if the file could not be read, and gives the launcher its
    // "Launch!" back.
    [[nodiscard]] static CutscenesWindow* open(const kit::LauncherContextPtr& context);

    // Each shows its own messages and gives true when everything edited was written.
    bool sonic_write_Click();
    bool tikal_text_click_Click();
    bool Command1_Click();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    explicit CutscenesWindow(kit::LauncherContextPtr context);
    void buildSonicTab(QWidget* page, const QRect& area);
    void buildMiscTab(QWidget* page);
    void addBox(std::size_t room, QWidget* frame, int frameWidth, int left);
    // Tab goes down each frame as its lines run, then to the frame's save button.
    void orderTabs(QWidget* sonicSave, QWidget* playAsSave, QWidget* tikalSave);
    void showTexts(const cutscenes::CutsceneTexts& read);
    bool save(std::initializer_list<cutscenes::Group> groups);
    // What Ctrl+S and closing save: every group.
    bool saveAll();
    // The title's marker of texts that differ from those read or last saved.
    void showEdited();
    [[nodiscard]] bool edited(std::size_t room) const;
    [[nodiscard]] bool anyEdited() const;

    kit::LauncherContextPtr m_context;
    kit::Dialogs& m_dialogs;
    const std::string m_filePath;  // the window file path
    cutscenes::Edition m_edition = cutscenes::Edition::None;

    std::vector<QLineEdit*> m_boxes;  // one a room, in the core table's order
    std::vector<QLabel*> m_counters;  // the room left in each box
    std::vector<int> m_boxRights;     // in twips from the frame: where markers and counters follow
    // As read or last saved (nothing: not read, the box keeps its placeholder): what closing without a
    // question keeps.
    std::vector<std::optional<std::string>> m_savedTexts;
    QLabel* m_editionUnknown = nullptr;
};

// The cutscene editor, opened by the launcher's "Launch!" for the PC executable.
[[nodiscard]] QWidget* createCutscenesWindow(const kit::LauncherContextPtr& context);

}  // namespace rq::cutscenes
