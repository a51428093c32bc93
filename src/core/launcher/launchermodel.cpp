#include "launchermodel.h"

#include "files/codepage.h"
#include "files/common.h"
#include "files/iniReadWriteDelete.h"
#include "files/readwritetext.h"
#include "identify/detectROM.h"

namespace rq::launcher {
namespace {

constexpr std::string_view kLaunch = "Launch!";
constexpr std::string_view kPcEnglish = "Sonic Adventure DX PC (E)";
constexpr std::string_view kPcJapanese = "Sonic Adventure DX PC (J)";

std::string titleFor(const std::string& game) {
    return std::string(files::kAppTitle) + " - " + files::bytesToUtf8(game);
}

std::string templatePicture(const std::string& templatePath) {
    return files::appRelativePath("gfx\\" + files::bytesToUtf8(files::iniRead(templatePath, "GameAndFileInfo",
                                                                              "Picture", "norom.dat")));
}

}  // namespace

std::string LauncherModel::noTemplatePath() {
    return files::gameTemplatePath("<error>");
}

std::string LauncherModel::noRomPicture() {
    return files::appRelativePath("gfx\\norom.dat");
}

Notice LauncherModel::noNewRom() {
    return {"No new ROM loaded.", NoticeIcon::Information};
}

LauncherModel::Load LauncherModel::load(const std::optional<std::string>& chosen) {
    m_state.editorSavedTab = 0;
    if (!chosen) {
        return {{noNewRom()}, std::nullopt};
    }
    const auto identified = identify::detectGame(*chosen);
    if (!identified) {
        // Nothing changes: the new file must never be paired with the template of the file before.
        return {{noNewRom()}, std::nullopt};
    }
    Load result;
    if (identified->readFailed) {
        result.notices.push_back({std::string(files::kRomNotFound), NoticeIcon::Critical});
    }
    if (!identified->message.empty()) {
        result.notices.push_back({identified->message, NoticeIcon::None});
    }
    m_state.loadedPath = *chosen;
    m_view.pathCaption = *chosen;
    m_state.detectedGame = identified->game;
    m_view.romName = files::bytesToUtf8(identified->game);
    result.picture = showGame();
    return result;
}

std::string LauncherModel::showGame() {
    const std::string& game = m_state.detectedGame;
    if (game == kPcEnglish || game == kPcJapanese) {
        // go and force_button lie behind sadxpc, and must be out of reach of the keyboard too; the template
        // of an earlier file must not open on the executable.
        m_state.title = titleFor(game);
        m_state.templatePath.clear();
        m_view.go.enabled = false;
        m_view.forceEnabled = false;
        m_view.scriptShown = false;
        m_view.sadxpc = {true, std::string(kLaunch)};
        m_view.sadxpcShown = true;
        return files::appRelativePath(game == kPcJapanese ? "gfx\\pc-sadx-jap.dat" : "gfx\\pc-sadx-eng.dat");
    }
    m_view.sadxpcShown = false;
    m_view.forceEnabled = true;
    m_view.scriptShown = false;
    if (game.empty()) {
        m_state.title = std::string(files::kAppTitle);
        m_view.go = {false, "Non-Sonic ROM, please load a template."};
        m_state.templatePath.clear();
        return noRomPicture();
    }
    if (game == identify::kNoRomLoaded) {
        // The template path keeps its value.
        m_state.title = std::string(identify::kNoRomLoaded);
        m_view.go = {false, std::string(kLaunch)};
        return noRomPicture();
    }
    m_state.title = titleFor(game);
    const std::string file =
        files::iniRead(files::appRelativePath("plugins\\loader.ini"), "gamenames", game, "<error>");
    m_state.templatePath = files::gameTemplatePath(files::bytesToUtf8(file));
    if (m_state.templatePath == noTemplatePath()) {
        m_view.go = {false, "This ROM currently has no available template."};
        return noRomPicture();
    }
    m_view.go = {true, std::string(kLaunch)};
    m_view.scriptShown = true;
    return templatePicture(m_state.templatePath);
}

LauncherModel::ForceDecision LauncherModel::forceTemplate() const {
    if (m_state.templatePath == noTemplatePath()) {
        return {};
    }
    if (m_view.romName == identify::kNoRomLoaded) {
        return {ForceStep::Refuse, {"Please choose a file.", NoticeIcon::Information}};
    }
    if (!m_view.romName.empty()) {
        return {ForceStep::Ask,
                {"A template has already been selected for this file. Really choose a different one?",
                 NoticeIcon::Exclamation}};
    }
    return {};
}

std::vector<std::string> LauncherModel::applyForcedTemplate(const std::string& templatePath,
                                                            const std::string& gameName) {
    m_state.templatePath = templatePath;
    m_state.detectedGame = gameName;
    m_state.title = titleFor(gameName);
    m_view.romName = files::bytesToUtf8(gameName);
    // Behind the PC executable's own button, "Launch!" must stay out of reach.
    m_view.go = {!m_view.sadxpcShown, std::string(kLaunch)};
    m_view.scriptShown = !m_view.sadxpcShown;
    // The template is applied whatever its picture: one that cannot be shown gives way to the no-ROM picture.
    return {templatePicture(templatePath), noRomPicture()};
}

LaunchButton& LauncherModel::button(Launch which) {
    return which == Launch::Editor ? m_view.go : m_view.sadxpc;
}

void LauncherModel::launching(Launch which) {
    button(which) = {false, "Loading..."};
}

void LauncherModel::launched(Launch which) {
    button(which) = {true, std::string(kLaunch)};
}

}  // namespace rq::launcher
