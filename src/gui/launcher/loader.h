#pragma once

#include <QMainWindow>
#include <QPointer>
#include <functional>

#include "launcher/launcherstate.h"

class QLabel;
class QPushButton;

namespace rq {

class Dialogs;

// The start-up window and hub: loads and identifies a file, finds its template, opens every other window.
class LoaderWindow : public QMainWindow {
    Q_OBJECT
  public:
    explicit LoaderWindow(Dialogs& dialogs);

    [[nodiscard]] LauncherState& state() { return m_state; }
    [[nodiscard]] const LauncherState& state() const { return m_state; }
    [[nodiscard]] Dialogs& dialogs() { return m_dialogs; }

    // rom_name's text as stored: an ampersand doubled, as in "Sonic && Knuckles".
    [[nodiscard]] const QString& romNameText() const { return m_romNameText; }

    // The template path that stands for a game without a template.
    [[nodiscard]] static QString noTemplatePath();

    // Called by the windows the launcher opens.
    void editorLoaded();     // the template editor's load has finished
    void cutscenesLoaded();  // the cutscene editor's load has finished
    void applyForcedTemplate(const QString& templatePath, const QString& gameName);  // the chooser's choice

    // How the windows opened from here are made; later windows replace the placeholders.
    struct Windows {
        std::function<QWidget*(LoaderWindow&)> editor;
        std::function<QWidget*(LoaderWindow&)> cutscenes;
        std::function<QWidget*(LoaderWindow&)> chooser;
        std::function<QWidget*(LoaderWindow&)> gbaHeader;
        std::function<QWidget*(LoaderWindow&)> mdHeader;
        std::function<QWidget*(LoaderWindow&)> about;
    };
    void setWindows(Windows windows) { m_windows = std::move(windows); }

    void load_Click();
    void go_Click();
    void sadxpc_Click();
    void force_button_Click();
    void mnuFileGBAROMHeader_Click();
    void mnuFileMDROMHeader_Click();
    void mnuHelpAbout_Click();
    void mnuExit_Click();

  private:
    void buildMenus();
    void buildControls();
    void setRomName(const QString& stored);
    void setLaunchButton(QPushButton* button, bool enabled, const QString& caption);
    [[nodiscard]] bool showPicture(const QString& path);
    void showBranch();
    void noNewRom();

    Dialogs& m_dialogs;
    LauncherState m_state;
    Windows m_windows;
    QString m_romNameText;

    QLabel* m_path = nullptr;
    QLabel* m_picture = nullptr;
    QLabel* m_romName = nullptr;
    QPushButton* m_load = nullptr;
    QPushButton* m_force = nullptr;
    QPushButton* m_go = nullptr;
    QPushButton* m_sadxpc = nullptr;

    QPointer<QWidget> m_editor;
    QPointer<QWidget> m_cutscenes;
    QPointer<QWidget> m_chooser;
    QPointer<QWidget> m_gbaHeader;
    QPointer<QWidget> m_mdHeader;
    QPointer<QWidget> m_about;
};

// What a label shows for a stored caption: "&&" is one "&", a lone "&" marks an access key and is not shown.
[[nodiscard]] QString labelText(const QString& stored);

}  // namespace rq
