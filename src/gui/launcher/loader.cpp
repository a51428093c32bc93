#include "loader.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QPushButton>

#include "files/safewrite.h"
#include "kit/appicon.h"
#include "kit/windowtools.h"
#include "launcher/patchjobs.h"

namespace rq::launcher {
namespace {

const QString kTitle = kit::appTitle();

const QString kOpenFilter = QStringLiteral(
    "All Compatible Files (*.32x;*.bin;*.exe;*.gba;*.gg;*.iso;*.mb;*.npc;*.sms)|"
    "*.32x;*.bin;*.exe;*.gba;*.gg;*.iso;*.mb;*.npc;*.sms|"
    "Megadrive 32X ROMs (*.32x)|*.32x|Megadrive ROMs (*.bin)|*.bin|PC Executables (*.exe)|*.exe|"
    "GameBoy Advance ROMs (*.gba)|*.gba|GameGear ROMs (*.gg)|*.gg|MegaCD ISOs (*.iso)|*.iso|"
    "Streamable GameBoy Advance ROMs (*.mb)|*.mb|NeoGeo Pocket Colour ROMs (*.npc)|*.npc|"
    "Master System ROMs (*.sms)|*.sms|");

QFont buttonFont(double points) {
    return kit::designFont(QStringLiteral("MS Sans Serif"), QFont::SansSerif, points);
}

// go, less the room it gives Script... beside it.
kit::TwipsPlace goPlace(bool scriptShown) {
    return {840, 5520, scriptShown ? 2895 : 4095, 975};
}

void showButton(QPushButton* button, const LaunchButton& shown) {
    button->setEnabled(shown.enabled);
    button->setText(QString::fromStdString(shown.caption));
}

}  // namespace

LoaderWindow::LoaderWindow(kit::Dialogs& dialogs, LauncherWindows windows)
    : m_context(std::make_shared<kit::LauncherContext>(dialogs)),
      m_model(m_context->state),
      m_windows(std::move(windows)) {
    setObjectName(QStringLiteral("loader"));
    setWindowIcon(kit::appIcon());
    buildMenus();
    buildControls();
    showView();

    m_context->window = this;
    m_context->editorLoaded = [this] {
        m_model.launched(LauncherModel::Launch::Editor);
        showView();
    };
    m_context->cutscenesLoaded = [this] {
        m_model.launched(LauncherModel::Launch::Cutscenes);
        showView();
    };
    m_context->applyForcedTemplate = [this](const std::string& templatePath, const std::string& gameName) {
        applyForcedTemplate(templatePath, gameName);
    };

    // The start-up picture has no failure path: without it the box stays empty.
    (void)showPicture(LauncherModel::noRomPicture());
}

LoaderWindow::~LoaderWindow() {
    // Windows that outlive the launcher keep the state, but no longer reach the launcher.
    m_context->editorLoaded = [] {};
    m_context->cutscenesLoaded = [] {};
    m_context->applyForcedTemplate = [](const std::string&, const std::string&) {};
}

QString LoaderWindow::romNameText() const {
    return QString::fromStdString(m_model.view().romName);
}

void LoaderWindow::buildMenus() {
    auto* file = menuBar()->addMenu(tr("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    auto addItem = [this](QMenu* menu, const QString& name, const QString& caption,
                          void (LoaderWindow::*slot)()) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(name);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    addItem(file, QStringLiteral("mnuFileGBAROMHeader"), tr("GBA ROM Header Editor"),
            &LoaderWindow::mnuFileGBAROMHeader_Click);
    addItem(file, QStringLiteral("mnuFileMDROMHeader"), tr("Megadrive ROM Header Editor"),
            &LoaderWindow::mnuFileMDROMHeader_Click);
    QAction* createPatch = addItem(file, QStringLiteral("mnuFileCreatePatch"), tr("Create Patch..."),
                                   &LoaderWindow::mnuFileCreatePatch_Click);
    QAction* applyPatch = addItem(file, QStringLiteral("mnuFileApplyPatch"), tr("Apply Patch..."),
                                  &LoaderWindow::mnuFileApplyPatch_Click);
    m_patchJobs = new PatchJobs(this, m_context->dialogs, createPatch, applyPatch);
    m_findText = addItem(file, QStringLiteral("mnuFileFindText"), tr("Find Text..."),
                         &LoaderWindow::mnuFileFindText_Click);
    m_scriptItem =
        addItem(file, QStringLiteral("mnuFileScript"), tr("Script..."), &LoaderWindow::script_Click);
    addItem(file, QStringLiteral("mnuExit"), tr("Exit"), &LoaderWindow::mnuExit_Click);
    auto* help = menuBar()->addMenu(tr("&Help"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    addItem(help, QStringLiteral("mnuHelpAbout"), tr("About..."), &LoaderWindow::mnuHelpAbout_Click);
}

void LoaderWindow::buildControls() {
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("client"));
    setCentralWidget(m_client);

    // The picture fills its box as designed, and the path elides itself: neither asks for more room.
    m_picture = new QLabel(m_client);
    m_picture->setObjectName(QStringLiteral("romloaded"));
    m_picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_layout.add(m_picture, {480, 720, 4815, 3615}, [] { return QSize(); });

    // One line, elided in the middle: a wrapped path breaks where it likes and loses what no longer fits.
    m_path = new kit::PathLabel(m_client);
    m_path->setObjectName(QStringLiteral("path"));
    m_path->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_path->setTextFormat(Qt::PlainText);
    m_layout.add(m_path, {120, 120, 4335, 495}, kit::heightOnly(m_path));

    m_load = new QPushButton(tr("Load..."), m_client);
    m_load->setObjectName(QStringLiteral("load"));
    m_layout.add(m_load, {4560, 0, 735, 615});

    m_romName = new QLabel(m_client);
    m_romName->setObjectName(QStringLiteral("rom_name"));
    m_romName->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_romName->setTextFormat(Qt::PlainText);
    m_layout.add(m_romName, {480, 4440, 4815, 255});

    m_force = new QPushButton(tr("Force load a template"), m_client);
    m_force->setObjectName(QStringLiteral("force_button"));
    m_layout.add(m_force, {840, 4920, 4095, 375});

    m_go = new kit::WrappingButton(m_client);
    m_go->setObjectName(QStringLiteral("go"));
    m_go->setFont(buttonFont(13.5));
    kit::keepLegibleWhenDisabled(m_go);  // disabled, it carries the launcher's main instruction
    m_layout.add(m_go, goPlace(false));

    // Beside go, which gives it room while it is shown: go's long captions come only without a template.
    m_script = new QPushButton(tr("Script..."), m_client);
    m_script->setObjectName(QStringLiteral("script"));
    m_layout.add(m_script, {3855, 5520, 1080, 975});

    // Covers force_button and go together and lies in front of both.
    m_sadxpc = new QPushButton(m_client);
    m_sadxpc->setObjectName(QStringLiteral("sadxpc"));
    m_sadxpc->setFont(buttonFont(24));
    m_sadxpc->raise();
    m_layout.add(m_sadxpc, {840, 4920, 4095, 1575});

    setTabOrder(m_go, m_script);
    setTabOrder(m_script, m_load);
    setTabOrder(m_load, m_force);
    setTabOrder(m_force, m_sadxpc);

    connect(m_load, &QPushButton::clicked, this, &LoaderWindow::load_Click);
    connect(m_go, &QPushButton::clicked, this, &LoaderWindow::go_Click);
    connect(m_script, &QPushButton::clicked, this, &LoaderWindow::script_Click);
    connect(m_sadxpc, &QPushButton::clicked, this, &LoaderWindow::sadxpc_Click);
    connect(m_force, &QPushButton::clicked, this, &LoaderWindow::force_button_Click);

    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void LoaderWindow::showView() {
    const LauncherView& view = m_model.view();
    setWindowTitle(QString::fromStdString(state().title));
    m_path->setPath(QString::fromStdString(view.pathCaption));
    m_romName->setText(kit::labelText(romNameText()));
    showButton(m_go, view.go);
    m_layout.move(m_go, goPlace(view.scriptShown));
    m_script->setVisible(view.scriptShown);
    m_scriptItem->setEnabled(view.scriptShown);
    showButton(m_sadxpc, view.sadxpc);
    m_sadxpc->setVisible(view.sadxpcShown);
    m_force->setEnabled(view.forceEnabled);
    // It searches the loaded file: without one there is nothing to search.
    m_findText->setEnabled(!state().loadedPath.empty());
    // Captions change with every load: the layout grows where one needs more room.
    m_client->setFixedSize(m_layout.apply());
}

void LoaderWindow::notify(const Notice& notice) {
    m_context->dialogs.inform(this, kTitle, QString::fromStdString(notice.text), notice.icon);
}

void LoaderWindow::offerRecovery(const std::string& path) {
    // Before identification, so that it reads the file as it will be edited.
    if (!files::hasInterruptedSave(path)) {
        return;
    }
    const auto answer = m_context->dialogs.message(
        this, kTitle,
        tr("A save of \"%1\" was interrupted: some of its texts may be written and others not. Put back the "
           "bytes the file had before that save?\n\nYes restores them. No keeps the file as it is now and "
           "forgets the interrupted save.")
            .arg(QString::fromStdString(path)),
        kit::Dialogs::Icon::Exclamation, kit::Dialogs::Buttons::YesNo);
    if (answer == kit::Dialogs::Answer::Yes) {
        const auto recovered = files::recoverInterruptedSave(path);
        notify(recovered ? Notice{*recovered, NoticeIcon::Information}
                         : Notice{recovered.error(), NoticeIcon::Critical});
    } else if (const auto discarded = files::discardInterruptedSave(path); !discarded) {
        notify(Notice{discarded.error(), NoticeIcon::Critical});
    }
}

bool LoaderWindow::showPicture(const std::string& path) {
    // Pictures are recognised by their content; their names end in ".dat".
    QImageReader reader(QString::fromStdString(path));
    reader.setDecideFormatFromContent(true);
    const QImage image = reader.read();
    if (image.isNull()) {
        return false;
    }
    // A picture fills its box as designed, which grows with a larger font.
    const double scale = kit::layoutScale();
    m_picture->setPixmap(QPixmap::fromImage(
        scale == 1 ? image
                   : image.scaled(image.size() * scale, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    return true;
}

void LoaderWindow::load_Click() {
    const auto chosen = m_context->dialogs.openFile(this, {tr("Select a ROM..."), kOpenFilter, 1});
    // Qt's dialog gives "/" on Windows too; the launcher shows the path as the system writes it.
    load(chosen ? std::optional(QDir::toNativeSeparators(*chosen).toStdString()) : std::nullopt);
}

void LoaderWindow::loadFile(const QString& path) {
    // Absolute, as the dialog gives it: the launcher shows the path, and the windows it opens keep it.
    load(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()).toStdString());
}

void LoaderWindow::load(const std::optional<std::string>& chosen) {
    if (chosen) {
        offerRecovery(*chosen);
    }
    const auto loaded = m_model.load(chosen);
    showView();
    for (const Notice& notice : loaded.notices) {
        notify(notice);
    }
    if (loaded.picture && !showPicture(*loaded.picture)) {
        notify(LauncherModel::noNewRom());
    }
}

void LoaderWindow::launch(LauncherModel::Launch which, QPointer<QWidget>& slot,
                          const kit::WindowFactory& make) {
    m_model.launching(which);
    showView();
    // A window that is open already is only brought forward: no load runs to give the button back.
    if (!kit::showOnce(slot, [&] { return make(m_context); })) {
        m_model.launched(which);
        showView();
    }
}

void LoaderWindow::open(QPointer<QWidget>& slot, const kit::WindowFactory& make) {
    kit::showOnce(slot, [&] { return make(m_context); });
}

void LoaderWindow::go_Click() {
    launch(LauncherModel::Launch::Editor, m_editor, m_windows.editor);
}

void LoaderWindow::sadxpc_Click() {
    launch(LauncherModel::Launch::Cutscenes, m_cutscenes, m_windows.cutscenes);
}

void LoaderWindow::force_button_Click() {
    const auto decision = m_model.forceTemplate();
    const QString text = QString::fromStdString(decision.notice.text);
    switch (decision.step) {
        case LauncherModel::ForceStep::Refuse:
            notify(decision.notice);
            return;
        case LauncherModel::ForceStep::Ask:
            if (m_context->dialogs.message(this, kTitle, text, decision.notice.icon,
                                           kit::Dialogs::Buttons::YesNo) != kit::Dialogs::Answer::Yes) {
                return;
            }
            break;
        case LauncherModel::ForceStep::OpenChooser:
            break;
    }
    open(m_chooser, m_windows.chooser);
}

void LoaderWindow::mnuFileGBAROMHeader_Click() {
    open(m_gbaHeader, m_windows.gbaHeader);
}

void LoaderWindow::mnuFileMDROMHeader_Click() {
    open(m_mdHeader, m_windows.mdHeader);
}

void LoaderWindow::mnuFileCreatePatch_Click() {
    m_patchJobs->create();
}

void LoaderWindow::mnuFileApplyPatch_Click() {
    m_patchJobs->apply();
}

void LoaderWindow::mnuFileFindText_Click() {
    open(m_findTextWindow, m_windows.findText);
}

void LoaderWindow::script_Click() {
    open(m_scriptWindow, m_windows.script);
}

void LoaderWindow::mnuHelpAbout_Click() {
    open(m_about, m_windows.about);
}

void LoaderWindow::mnuExit_Click() {
    close();
}

void LoaderWindow::applyForcedTemplate(const std::string& templatePath, const std::string& gameName) {
    const auto pictures = m_model.applyForcedTemplate(templatePath, gameName);
    for (const auto& picture : pictures) {
        if (showPicture(picture)) {
            break;
        }
    }
    showView();
}

}  // namespace rq::launcher
