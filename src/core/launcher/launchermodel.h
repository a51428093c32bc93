#pragma once

#include <optional>
#include <string>
#include <vector>

#include "files/common.h"
#include "files/notice.h"

namespace rq::launcher {

// What the launcher owns and the windows it opens read. Paths and the title are UTF-8; the game name is
// code-page bytes, as the game-name table keys it.
struct LauncherState {
    std::string loadedPath;    // written only by the launcher's load
    std::string detectedGame;  // by identification, or by a template forced in the chooser
    std::string templatePath;  // the template in force; the games folder + "<error>" when the game has none
    std::string title{files::kAppTitle};  // the launcher's title, which the template editor takes as its own
    int editorSavedTab = 0;
};

struct LaunchButton {
    bool enabled = false;
    std::string caption = "Launch!";

    friend bool operator==(const LaunchButton&, const LaunchButton&) = default;
};

// What the launcher shows besides its state; texts in UTF-8.
struct LauncherView {
    std::string pathCaption = "No ROM Loaded";
    std::string romName = "No ROM Loaded";  // as stored: "&&" stands for one "&"
    LaunchButton go;
    LaunchButton sadxpc{true};
    bool sadxpcShown = false;
    bool forceEnabled = true;
    bool scriptShown = false;  // "Script...": a file is loaded with a template in force
};

// The launcher's decisions without the window: each kind of load, the forced template choice and the two
// launch buttons. The window shows the view, the notices and the pictures it is given.
class LauncherModel {
  public:
    enum class Launch { Editor, Cutscenes };
    enum class ForceStep { OpenChooser, Ask, Refuse };
    struct ForceDecision {
        ForceStep step = ForceStep::OpenChooser;
        Notice notice;  // the question for Ask, the refusal for Refuse
    };
    // What a load leaves to the window: the messages in order, then the picture to show, if any. A picture
    // that cannot be shown ends the load with noNewRom(), the picture before staying.
    struct Load {
        std::vector<Notice> notices;
        std::optional<std::string> picture;
    };

    explicit LauncherModel(LauncherState& state) : m_state(state) {}

    [[nodiscard]] const LauncherView& view() const { return m_view; }

    // The file chosen in the load's dialog, or nothing when the dialog was cancelled.
    [[nodiscard]] Load load(const std::optional<std::string>& chosen);

    [[nodiscard]] ForceDecision forceTemplate() const;

    // A template chosen in the chooser, with the game name it gives (code page). Gives the pictures to try in
    // order: the template's own, then the no-ROM picture.
    [[nodiscard]] std::vector<std::string> applyForcedTemplate(const std::string& templatePath,
                                                               const std::string& gameName);

    // The button is pressed; its window will call launched() when its load is done, or it was open already.
    void launching(Launch which);
    void launched(Launch which);

    [[nodiscard]] static std::string noTemplatePath();
    [[nodiscard]] static std::string noRomPicture();
    [[nodiscard]] static Notice noNewRom();

  private:
    [[nodiscard]] std::string showGame();
    [[nodiscard]] LaunchButton& button(Launch which);

    LauncherState& m_state;
    LauncherView m_view;
};

}  // namespace rq::launcher
