#pragma once

#include <QMainWindow>
#include <QPointer>

#include "kit/growinglayout.h"
#include "kit/launchercontext.h"
#include "launcher/launchermodel.h"

class QAction;
class QLabel;
class QPushButton;

namespace rq::kit {
class PathLabel;
}

namespace rq::launcher {

class PatchJobs;

// How the windows opened from the launcher are made.
struct LauncherWindows {
    kit::WindowFactory editor;
    kit::WindowFactory cutscenes;
    kit::WindowFactory chooser;
    kit::WindowFactory gbaHeader;
    kit::WindowFactory mdHeader;
    kit::WindowFactory about;
    kit::WindowFactory findText;
    kit::WindowFactory script;
};

// The start-up window and hub: loads and identifies a file, finds its template, opens every other window.
// Its decisions are the model's; it shows what the model returns.
class LoaderWindow : public QMainWindow {
    Q_OBJECT
  public:
    LoaderWindow(kit::Dialogs& dialogs, LauncherWindows windows);
    ~LoaderWindow() override;

    [[nodiscard]] LauncherState& state() { return m_context->state; }
    [[nodiscard]] const LauncherState& state() const { return m_context->state; }

    // rom_name's text as stored: an ampersand doubled, as in "Sonic && Knuckles".
    [[nodiscard]] QString romNameText() const;

    void applyForcedTemplate(const std::string& templatePath, const std::string& gameName);

    // Loads the file as Load... does when the file is picked in its dialog (a file named on the command
    // line).
    void loadFile(const QString& path);

    void load_Click();
    void go_Click();
    void sadxpc_Click();
    void force_button_Click();
    void mnuFileGBAROMHeader_Click();
    void mnuFileMDROMHeader_Click();
    void mnuFileCreatePatch_Click();
    void mnuFileApplyPatch_Click();
    void mnuFileFindText_Click();
    void script_Click();
    void mnuHelpAbout_Click();
    void mnuExit_Click();

  private:
    void buildMenus();
    void buildControls();
    void showView();
    void notify(const Notice& notice);
    void offerRecovery(const std::string& path);
    void load(const std::optional<std::string>& chosen);
    [[nodiscard]] bool showPicture(const std::string& path);
    void launch(LauncherModel::Launch which, QPointer<QWidget>& slot, const kit::WindowFactory& make);
    void open(QPointer<QWidget>& slot, const kit::WindowFactory& make);

    kit::LauncherContextPtr m_context;
    LauncherModel m_model;
    LauncherWindows m_windows;

    kit::GrowingLayout m_layout{5790, 6705};
    QWidget* m_client = nullptr;
    kit::PathLabel* m_path = nullptr;
    QLabel* m_picture = nullptr;
    QLabel* m_romName = nullptr;
    QPushButton* m_load = nullptr;
    QPushButton* m_force = nullptr;
    QPushButton* m_go = nullptr;
    QPushButton* m_sadxpc = nullptr;
    QPushButton* m_script = nullptr;
    PatchJobs* m_patchJobs = nullptr;
    QAction* m_findText = nullptr;
    QAction* m_scriptItem = nullptr;

    QPointer<QWidget> m_editor;
    QPointer<QWidget> m_cutscenes;
    QPointer<QWidget> m_chooser;
    QPointer<QWidget> m_gbaHeader;
    QPointer<QWidget> m_mdHeader;
    QPointer<QWidget> m_about;
    QPointer<QWidget> m_findTextWindow;
    QPointer<QWidget> m_scriptWindow;
};

}  // namespace rq::launcher
