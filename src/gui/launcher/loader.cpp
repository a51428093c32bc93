#include "loader.h"

#include <QImageReader>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QPushButton>

#include "kit/appicon.h"
#include "kit/dialogs.h"
#include "editor/editor.h"
#include "identify/detectROM.h"
#include "files/iniReadWriteDelete.h"
#include "kit/placeholder.h"
#include "kit/qtcodepage.h"
#include "files/readwritetext.h"
#include "templates/template_chooser.h"
#include "kit/windowtools.h"

namespace rq {
namespace {

const QString kTitle = QStringLiteral("Romquill");
const QString kLaunch = QStringLiteral("Launch!");
const QString kLoading = QStringLiteral("Loading...");
const QString kNoRomLoadedText = QStringLiteral("No ROM Loaded");
const QString kNoRomPicture = QStringLiteral("gfx\\norom.dat");

const QString kOpenFilter = QStringLiteral(
    "All Compatible Files (*.32x;*.bin;*.exe;*.gba;*.gg;*.iso;*.mb;*.npc;*.sms)|"
    "*.32x;*.bin;*.exe;*.gba;*.gg;*.iso;*.mb;*.npc;*.sms|"
    "Megadrive 32X ROMs (*.32x)|*.32x|Megadrive ROMs (*.bin)|*.bin|PC Executables (*.exe)|*.exe|"
    "GameBoy Advance ROMs (*.gba)|*.gba|GameGear ROMs (*.gg)|*.gg|MegaCD ISOs (*.iso)|*.iso|"
    "Streamable GameBoy Advance ROMs (*.mb)|*.mb|NeoGeo Pocket Colour ROMs (*.npc)|*.npc|"
    "Master System ROMs (*.sms)|*.sms|");

const QString kPcEnglish = QStringLiteral("Sonic Adventure DX PC (E)");
const QString kPcJapanese = QStringLiteral("Sonic Adventure DX PC (J)");

// Names and INI values are code-page bytes in the files.
std::string bytesOf(const QString& text) {
    return toCodePage(text).value_or(std::string());
}

QFont buttonFont(double points) {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    return font;
}

QWidget* placeholder(const QString& name, const QString& title) {
    return new PlaceholderWindow(name, title);
}

}  // namespace

QString labelText(const QString& stored) {
    QString shown;
    for (qsizetype i = 0; i < stored.size(); ++i) {
        if (stored[i] == QLatin1Char('&') && i + 1 < stored.size()) {
            ++i;
        }
        shown += stored[i];
    }
    return shown;
}

QString LoaderWindow::noTemplatePath() {
    return appPath(QStringLiteral("plugins\\games\\<error>"));
}

LoaderWindow::LoaderWindow(Dialogs& dialogs) : m_dialogs(dialogs) {
    setObjectName(QStringLiteral("loader"));
    setWindowTitle(kTitle);
    setWindowIcon(appIcon());
    buildMenus();
    buildControls();

    m_windows.editor = createEditorWindow;
    m_windows.cutscenes = [](LoaderWindow& launcher) -> QWidget* {
        return new PlaceholderWindow(QStringLiteral("main_cutscenes"),
                                     QStringLiteral("Romquill - Cutscene Editor"),
                                     [&launcher] { launcher.cutscenesLoaded(); });
    };
    m_windows.chooser = createTemplateChooser;
    m_windows.gbaHeader = [](LoaderWindow&) {
        return placeholder(QStringLiteral("gbamain"), QStringLiteral("Romquill - GBA ROM Header Editor"));
    };
    m_windows.mdHeader = [](LoaderWindow&) {
        return placeholder(QStringLiteral("mdmain"),
                           QStringLiteral("Romquill - Megadrive ROM Header Editor - No ROM loaded"));
    };
    m_windows.about = [](LoaderWindow&) {
        return placeholder(QStringLiteral("about"), QStringLiteral("About Romquill"));
    };

    // The start-up picture has no failure path: without it the box stays empty.
    (void)showPicture(appPath(kNoRomPicture));
}

void LoaderWindow::buildMenus() {
    auto* file = menuBar()->addMenu(tr("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    auto addItem = [this](QMenu* menu, const QString& name, const QString& caption,
                          void (LoaderWindow::*slot)()) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(name);
        connect(action, &QAction::triggered, this, slot);
    };
    addItem(file, QStringLiteral("mnuFileGBAROMHeader"), tr("GBA ROM Header Editor"),
            &LoaderWindow::mnuFileGBAROMHeader_Click);
    addItem(file, QStringLiteral("mnuFileMDROMHeader"), tr("Megadrive ROM Header Editor"),
            &LoaderWindow::mnuFileMDROMHeader_Click);
    addItem(file, QStringLiteral("mnuExit"), tr("Exit"), &LoaderWindow::mnuExit_Click);
    auto* help = menuBar()->addMenu(tr("&Help"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    addItem(help, QStringLiteral("mnuHelpAbout"), tr("About..."), &LoaderWindow::mnuHelpAbout_Click);
}

void LoaderWindow::buildControls() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(twips(5790), twips(6705));
    setCentralWidget(client);

    m_picture = new QLabel(client);
    m_picture->setObjectName(QStringLiteral("romloaded"));
    m_picture->setGeometry(twipsRect(480, 720, 4815, 3615));
    m_picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    m_path = new QLabel(kNoRomLoadedText, client);
    m_path->setObjectName(QStringLiteral("path"));
    m_path->setGeometry(twipsRect(120, 120, 4335, 495));
    m_path->setWordWrap(true);
    m_path->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_path->setTextFormat(Qt::PlainText);

    m_load = new QPushButton(tr("Load..."), client);
    m_load->setObjectName(QStringLiteral("load"));
    m_load->setGeometry(twipsRect(4560, 0, 735, 615));

    m_romName = new QLabel(client);
    m_romName->setObjectName(QStringLiteral("rom_name"));
    m_romName->setGeometry(twipsRect(480, 4440, 4815, 255));
    m_romName->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_romName->setTextFormat(Qt::PlainText);
    setRomName(kNoRomLoadedText);

    m_force = new QPushButton(tr("Force load a template"), client);
    m_force->setObjectName(QStringLiteral("force_button"));
    m_force->setGeometry(twipsRect(840, 4920, 4095, 375));

    m_go = new WrappingButton(kLaunch, client);
    m_go->setObjectName(QStringLiteral("go"));
    m_go->setGeometry(twipsRect(840, 5520, 4095, 975));
    m_go->setFont(buttonFont(13.5));
    m_go->setEnabled(false);

    // Covers force_button and go together and lies in front of both.
    m_sadxpc = new QPushButton(kLaunch, client);
    m_sadxpc->setObjectName(QStringLiteral("sadxpc"));
    m_sadxpc->setGeometry(twipsRect(840, 4920, 4095, 1575));
    m_sadxpc->setFont(buttonFont(24));
    m_sadxpc->hide();
    m_sadxpc->raise();

    setTabOrder(m_go, m_load);
    setTabOrder(m_load, m_force);
    setTabOrder(m_force, m_sadxpc);

    connect(m_load, &QPushButton::clicked, this, &LoaderWindow::load_Click);
    connect(m_go, &QPushButton::clicked, this, &LoaderWindow::go_Click);
    connect(m_sadxpc, &QPushButton::clicked, this, &LoaderWindow::sadxpc_Click);
    connect(m_force, &QPushButton::clicked, this, &LoaderWindow::force_button_Click);

    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void LoaderWindow::setRomName(const QString& stored) {
    m_romNameText = stored;
    m_romName->setText(labelText(stored));
}

void LoaderWindow::setLaunchButton(QPushButton* button, bool enabled, const QString& caption) {
    button->setEnabled(enabled);
    button->setText(caption);
}

bool LoaderWindow::showPicture(const QString& path) {
    // Pictures are recognised by their content; their names end in ".dat".
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    const QImage image = reader.read();
    if (image.isNull()) {
        return false;
    }
    m_picture->setPixmap(QPixmap::fromImage(image));
    return true;
}

void LoaderWindow::noNewRom() {
    m_dialogs.inform(this, kTitle, tr("No new ROM loaded."), Dialogs::Icon::Information);
}

void LoaderWindow::load_Click() {
    m_state.editorSavedTab = 0;
    const auto chosen = m_dialogs.openFile(this, {tr("Select a ROM..."), kOpenFilter, 1});
    if (!chosen) {
        noNewRom();
        return;
    }

    const QString previousPath = m_state.loadedPath;
    const QString previousCaption = m_path->text();
    const QString previousGame = m_state.detectedGame;
    m_state.loadedPath = *chosen;
    m_path->setText(*chosen);

    const auto identified = detectGame(toPath(*chosen));
    if (!identified) {
        // Never pair the new file with the template of the file loaded before.
        m_state.loadedPath = previousPath;
        m_path->setText(previousCaption);
        m_state.detectedGame = previousGame;
        noNewRom();
        return;
    }
    if (identified->readFailed) {
        m_dialogs.inform(this, kTitle, QString::fromLatin1(kRomNotFound.data(), kRomNotFound.size()),
                         Dialogs::Icon::Critical);
    }
    if (!identified->message.empty()) {
        m_dialogs.inform(this, kTitle, QString::fromStdString(identified->message), Dialogs::Icon::None);
    }
    m_state.detectedGame = fromCodePage(identified->game);
    setRomName(m_state.detectedGame);
    showBranch();
}

void LoaderWindow::showBranch() {
    const QString& game = m_state.detectedGame;
    QString picture = appPath(kNoRomPicture);
    if (game == kPcEnglish || game == kPcJapanese) {
        // go and force_button lie behind sadxpc and must be out of reach of the keyboard too.
        setWindowTitle(QStringLiteral("Romquill - ") + game);
        m_state.templatePath.clear();
        m_go->setEnabled(false);
        m_force->setEnabled(false);
        setLaunchButton(m_sadxpc, true, kLaunch);
        m_sadxpc->show();
        picture = appPath(game == kPcJapanese ? QStringLiteral("gfx\\pc-sadx-jap.dat")
                                              : QStringLiteral("gfx\\pc-sadx-eng.dat"));
    } else {
        m_sadxpc->hide();
        m_force->setEnabled(true);
        if (game.isEmpty()) {
            setWindowTitle(kTitle);
            setLaunchButton(m_go, false, tr("Non-Sonic ROM, please load a template."));
            m_state.templatePath.clear();
        } else if (game == kNoRomLoadedText) {
            setWindowTitle(kNoRomLoadedText);
            setLaunchButton(m_go, false, kLaunch);
        } else {
            setWindowTitle(QStringLiteral("Romquill - ") + game);
            const std::string file = iniRead(toPath(appPath(QStringLiteral("plugins\\loader.ini"))),
                                             "gamenames", bytesOf(game), "<error>");
            m_state.templatePath = appPath(QStringLiteral("plugins\\games\\") + fromCodePage(file));
            if (m_state.templatePath == noTemplatePath()) {
                setLaunchButton(m_go, false, tr("This ROM currently has no available template."));
            } else {
                setLaunchButton(m_go, true, kLaunch);
                const std::string name =
                    iniRead(toPath(m_state.templatePath), "GameAndFileInfo", "Picture", "norom.dat");
                picture = appPath(QStringLiteral("gfx\\") + fromCodePage(name));
            }
        }
    }
    if (!showPicture(picture)) {
        noNewRom();
    }
}

void LoaderWindow::go_Click() {
    setLaunchButton(m_go, false, kLoading);
    showOnce(m_editor, [this] { return m_windows.editor(*this); });
}

void LoaderWindow::sadxpc_Click() {
    setLaunchButton(m_sadxpc, false, kLoading);
    showOnce(m_cutscenes, [this] { return m_windows.cutscenes(*this); });
}

void LoaderWindow::force_button_Click() {
    if (m_state.templatePath != noTemplatePath()) {
        if (m_romNameText == kNoRomLoadedText) {
            m_dialogs.inform(this, kTitle, tr("Please choose a file."), Dialogs::Icon::Information);
            return;
        }
        if (!m_romNameText.isEmpty() &&
            m_dialogs.message(
                this, kTitle,
                tr("A template has already been selected for this file. Really choose a different one?"),
                Dialogs::Icon::Exclamation, Dialogs::Buttons::YesNo) != Dialogs::Answer::Yes) {
            return;
        }
    }
    showOnce(m_chooser, [this] { return m_windows.chooser(*this); });
}

void LoaderWindow::mnuFileGBAROMHeader_Click() {
    showOnce(m_gbaHeader, [this] { return m_windows.gbaHeader(*this); });
}

void LoaderWindow::mnuFileMDROMHeader_Click() {
    showOnce(m_mdHeader, [this] { return m_windows.mdHeader(*this); });
}

void LoaderWindow::mnuHelpAbout_Click() {
    showOnce(m_about, [this] { return m_windows.about(*this); });
}

void LoaderWindow::mnuExit_Click() {
    close();
}

void LoaderWindow::editorLoaded() {
    setLaunchButton(m_go, true, kLaunch);
}

void LoaderWindow::cutscenesLoaded() {
    setLaunchButton(m_sadxpc, true, kLaunch);
}

void LoaderWindow::applyForcedTemplate(const QString& templatePath, const QString& gameName) {
    m_state.templatePath = templatePath;
    m_state.detectedGame = gameName;
    const std::string name = iniRead(toPath(templatePath), "GameAndFileInfo", "Picture", "norom.dat");
    // The template is applied whatever its picture: one that cannot be shown gives way to the no-ROM picture.
    if (!showPicture(appPath(QStringLiteral("gfx\\") + fromCodePage(name)))) {
        (void)showPicture(appPath(kNoRomPicture));
    }
    setRomName(gameName);
    setWindowTitle(QStringLiteral("Romquill - ") + gameName);
    // Behind the PC executable's own button, "Launch!" must stay out of reach.
    setLaunchButton(m_go, m_sadxpc->isHidden(), kLaunch);
}

}  // namespace rq
