// Renders every window offscreen to PNG files, for the README and for review:
//   romquill-screenshots OUTPUT-FOLDER [POINTS]
// It runs against the program folder it was built beside (the build's bin/), and makes its own small
// synthetic game files in a temporary folder.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QProcess>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QWidget>
#include <cstdio>
#include <deque>
#include <utility>
#include <vector>

#include "about/about.h"
#include "cutscenes/cutscenerooms.h"
#include "cutscenes/main_cutscenes.h"
#include "editor/editor.h"
#include "files/common.h"
#include "headers/gbamain.h"
#include "headers/mdmain.h"
#include "kit/backgroundjob.h"
#include "kit/dialogs.h"
#include "kit/qtcodepage.h"
#include "kit/windowtools.h"
#include "launcher/loader.h"
#include "programwindows.h"
#include "script/scriptwindow.h"
#include "search/find_text.h"
#include "templates/template_chooser.h"

namespace {

// Answers every file request from a queue, and renders message boxes instead of waiting on them.
class ShotDialogs final : public rq::kit::Dialogs {
  public:
    explicit ShotDialogs(QDir out) : m_out(std::move(out)) {}

    Answer message(QWidget* parent, const QString& title, const QString& text, Icon, Buttons) override {
        QMessageBox box(parent);
        box.setWindowTitle(title);
        box.setText(text);
        box.show();
        box.grab().save(m_out.filePath(QStringLiteral("message-%1.png").arg(++m_count)));
        return Answer::Ok;
    }
    std::optional<QString> openFile(QWidget*, const FileRequest&) override {
        if (m_files.empty()) {
            return std::nullopt;
        }
        QString file = m_files.front();
        m_files.pop_front();
        return file;
    }
    std::optional<SaveChoice> saveFile(QWidget*, const FileRequest&) override { return std::nullopt; }
    void chooseFile(const QString& path) { m_files.push_back(path); }

  private:
    QDir m_out;
    int m_count = 0;
    std::deque<QString> m_files;
};

// A file with these bytes at these offsets; the gaps are holes.
bool writeSparse(const QString& path, const std::vector<std::pair<qint64, QByteArray>>& patches) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    for (const auto& [offset, bytes] : patches) {
        file.seek(offset);
        file.write(bytes);
    }
    return true;
}

// The (E) executable, every text of the cutscene editor made up and cut to its room; the first
// playable-character message is the one identification looks for.
bool writePcGame(const QString& path) {
    const char* lines[] = {"Hey, what's going on here?",
                           "Wait for me!",
                           "Look out!",
                           "Not so fast!",
                           "What was that noise?",
                           "We have to hurry.",
                           "Leave it to me!",
                           "Is everyone all right?",
                           "Hey!",
                           "Oh no!"};
    std::vector<std::pair<qint64, QByteArray>> patches = {{0, "MZ"}, {0x3C, "0"}};
    const auto rooms = rq::cutscenes::rooms();
    for (std::size_t r = 0; r < rooms.size(); ++r) {
        const auto& room = rooms[r];
        QByteArray text =
            room.group == rq::cutscenes::Group::PlayAs
                ? (room.index == 1 ? QByteArray("Now, you can play with SONIC!")
                                   : QByteArray("Sample message ") + QByteArray::number(room.index))
            : room.group == rq::cutscenes::Group::Tikal
                ? QByteArray("Tikal speaks, part ") + QByteArray::number(room.index + 1)
                : QByteArray(lines[r % std::size(lines)]);
        // A line too long for its room gives way to the first that fits.
        for (std::size_t l = 0; text.size() > room.size && l < std::size(lines); ++l) {
            text = lines[l];
        }
        text = text.left(room.size).leftJustified(room.size, '\0');
        patches.emplace_back(*rq::cutscenes::fileOffset(room, rq::cutscenes::Edition::E), text);
    }
    return writeSparse(path, patches);
}

QWidget* findWindow(const QString& name) {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->objectName() == name && window->isVisible()) {
            return window;
        }
    }
    return nullptr;
}

bool grab(QWidget* window, const QDir& out, const QString& name) {
    window->show();
    QApplication::processEvents();
    const QString path = out.filePath(name + QStringLiteral(".png"));
    if (!window->grab().save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

// The window with one of its menus dropped down, the menu drawn over the window where it opens.
bool grabMenu(QMainWindow* window, const QString& menuName, const QDir& out, const QString& name) {
    auto* menu = window->findChild<QMenu*>(menuName);
    if (menu == nullptr) {
        return false;
    }
    window->show();
    QApplication::processEvents();
    QImage shot = window->grab().toImage();
    const QPoint below = window->menuBar()->actionGeometry(menu->menuAction()).bottomLeft();
    menu->popup(window->menuBar()->mapToGlobal(below));
    QApplication::processEvents();
    QPainter(&shot).drawPixmap(window->menuBar()->mapTo(window, below), menu->grab());
    menu->hide();
    const QString path = out.filePath(name + QStringLiteral(".png"));
    if (!shot.save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: romquill-screenshots OUTPUT-FOLDER [POINTS]\n");
        return 2;
    }
    if (argc == 3) {
        // The windows at a larger application font, as a user with a larger system font sees them.
        QFont font = QApplication::font();
        font.setPointSizeF(QString::fromLocal8Bit(argv[2]).toDouble());
        QApplication::setFont(font);
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(out.path());
    // The program folder is the build's bin/, beside this tool's folder.
    rq::files::setApplicationFolder(
        rq::kit::toPath(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../bin"))));

    QTemporaryDir games;
    const QString pcGame = games.filePath(QStringLiteral("sonic.exe"));
    const QString mdGame = games.filePath(QStringLiteral("sonic2.bin"));
    writePcGame(pcGame);
    QByteArray header(0x200, '\0');
    header.replace(0x100, 0x100, QByteArray(0x100, ' '));
    header.replace(0x100, 32, "SEGA MEGA DRIVE (C)SEGA 1992.SEP");
    header.replace(0x120, 20, "SONIC THE HEDGEHOG 2");
    header.replace(0x150, 20, "SONIC THE HEDGEHOG 2");
    header.replace(0x180, 14, "GM 00001051-01");
    header.replace(0x18E, 4, QByteArray(2, '\0') + "J6");
    header.replace(0x1F0, 3, "JUE");
    writeSparse(mdGame, {{0, header}});

    ShotDialogs dialogs(out);
    rq::launcher::LoaderWindow launcher(dialogs, rq::programWindows());
    bool ok = grab(&launcher, out, QStringLiteral("loader"));
    ok = grabMenu(&launcher, QStringLiteral("mnuFile"), out, QStringLiteral("loader-file-menu")) && ok;
    dialogs.chooseFile(mdGame);
    launcher.load_Click();
    ok = grab(&launcher, out, QStringLiteral("loader-game")) && ok;
    dialogs.chooseFile(pcGame);
    launcher.load_Click();
    ok = grab(&launcher, out, QStringLiteral("loader-pc")) && ok;

    // The demo file with the demo template forced onto it, as the README walks through.
    const QString demo = games.filePath(QStringLiteral("demo.bin"));
    if (QProcess::execute(
            QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("romquill-make-demo")),
            {QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../bin")), demo}) == 0) {
        dialogs.chooseFile(demo);
        launcher.load_Click();
        launcher.force_button_Click();
        if (auto* chooser = findWindow(QStringLiteral("template_chooser"))) {
            if (auto* list = chooser->findChild<QListWidget*>(QStringLiteral("templates"))) {
                const auto items = list->findItems(QStringLiteral("demo.ini"), Qt::MatchExactly);
                if (!items.isEmpty()) {
                    list->setCurrentItem(items.first());
                }
            }
            ok = grab(chooser, out, QStringLiteral("template_chooser")) && ok;
            chooser->close();
        }
        launcher.applyForcedTemplate(rq::files::appRelativePath("plugins\\games\\demo.ini"), "Romquill Demo");
        ok = grab(&launcher, out, QStringLiteral("loader-demo")) && ok;
        // Launches the editor on the forced template and shows it with text typed over the first entry's,
        // then puts the text back, so that it closes without a question. Launch! brings an editor that is
        // still there forward: the closed one goes first, as the event loop would do it.
        const auto typeInEditor = [&](const QString& typed, const QString& name, const char* first) {
            launcher.go_Click();
            if (auto* editor = findWindow(QStringLiteral("editor"))) {
                if (first != nullptr) {
                    ok = grab(editor, out, QLatin1String(first)) && ok;
                }
                if (auto* box = editor->findChild<QLineEdit*>(QStringLiteral("romtext_0"))) {
                    const QString read = box->text();
                    box->setFocus();
                    box->selectAll();
                    box->insert(typed);
                    ok = grab(editor, out, name) && ok;
                    box->setText(read);
                }
                editor->close();
            }
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        };
        // A translation under way: the room left counting down, and an accent the menu alphabet lacks.
        typeInEditor(QStringLiteral("\u00C9cran titre"), QStringLiteral("editor-translating"), "editor");
        // The second demo template, whose table counts rooms in bytes: a greeting too long for its room is
        // kept, its counter red.
        const QString greeting = QStringLiteral("Здравствуй, дорогой путник! Как дела?");
        launcher.applyForcedTemplate(rq::files::appRelativePath("plugins\\games\\demo-script.ini"),
                                     "Romquill Demo (script)");
        typeInEditor(greeting, QStringLiteral("editor-table"), nullptr);
        // The same greeting through the pointer demo: too long for its string, it will move.
        launcher.applyForcedTemplate(rq::files::appRelativePath("plugins\\games\\demo-pointers.ini"),
                                     "Romquill Demo (pointers)");
        typeInEditor(greeting, QStringLiteral("editor-pointers"), nullptr);

        // The font demo in the editor: the title retyped wider than its menu line, in the pane below the
        // tabs.
        launcher.applyForcedTemplate(rq::files::appRelativePath("plugins\\games\\demo-font.ini"),
                                     "Romquill Demo (font)");
        typeInEditor(QStringLiteral("ROMQUILL DEMO!!"), QStringLiteral("editor-font"), nullptr);

        // The script window on the first demo template: a translation under way, the changed entries shown,
        // one too long for its room and one with letters the dialogue alphabet lacks.
        launcher.applyForcedTemplate(rq::files::appRelativePath("plugins\\games\\demo.ini"), "Romquill Demo");
        launcher.script_Click();
        if (auto* script =
                qobject_cast<rq::script::ScriptWindow*>(findWindow(QStringLiteral("script_window")))) {
            const std::pair<int, const char*> french[] = {{1, "Appuyez sur Start"},
                                                          {3, "Points = 100"},
                                                          {4, "Fin du jeu"},
                                                          {5, "Bonjour, voyageur !"},
                                                          {6, "La cl\u00E9 est sous le tapis."}};
            for (const auto& [row, text] : french) {
                script->model().edit(row, QString::fromUtf8(text));
            }
            script->findChild<QTabBar*>(QStringLiteral("filters"))->setCurrentIndex(1);
            auto* entries = script->findChild<QTableView*>(QStringLiteral("entries"));
            entries->setCurrentIndex(entries->model()->index(4, rq::script::ScriptModel::Translation));
            script->resize(QSize(960, 520) * rq::kit::layoutScale());
            ok = grab(script, out, QStringLiteral("script-window")) && ok;
            script->model().undoStack().setIndex(
                0);  // back to the file's texts: it closes without a question
            script->close();
        }

        // The font demo: the hint translated too long for its first box, drawn in the game's font.
        launcher.applyForcedTemplate(rq::files::appRelativePath("plugins\\games\\demo-font.ini"),
                                     "Romquill Demo (font)");
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // the last script window
        launcher.script_Click();
        if (auto* script =
                qobject_cast<rq::script::ScriptWindow*>(findWindow(QStringLiteral("script_window")))) {
            constexpr int kHint = 6;
            script->model().edit(kHint, QStringLiteral("The key lies under the old mat by the door.\nTake it "
                                                       "tonight!<Next>And mind the dog: it bites!"));
            auto* entries = script->findChild<QTableView*>(QStringLiteral("entries"));
            entries->setCurrentIndex(entries->model()->index(kHint, rq::script::ScriptModel::Translation));
            script->resize(QSize(960, 640) * rq::kit::layoutScale());
            ok = grab(script, out, QStringLiteral("box-preview")) && ok;
            script->model().undoStack().setIndex(0);
            script->close();
        }

        // Find Text... on the demo file: "Hello" searched relatively, its hit in the dialogue selected.
        launcher.mnuFileFindText_Click();
        if (auto* find = qobject_cast<rq::search::FindTextWindow*>(findWindow(QStringLiteral("find_text")))) {
            find->findChild<QLineEdit*>(QStringLiteral("word"))->setText(QStringLiteral("Hello"));
            find->search_Click();
            while (find->job().running()) {
                QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
            }
            QApplication::processEvents();
            if (auto* results = find->findChild<QTreeWidget*>(QStringLiteral("results"));
                results != nullptr && results->topLevelItemCount() > 0) {
                results->topLevelItem(0)->setSelected(true);
            }
            ok = grab(find, out, QStringLiteral("find-text")) && ok;
            find->close();
        }
    }

    launcher.mnuFileGBAROMHeader_Click();
    launcher.mnuFileMDROMHeader_Click();
    // The header editors on small made-up images: a GBA header whose check byte is stale, the Mega Drive
    // image above.
    const QString gbaGame = games.filePath(QStringLiteral("quill.gba"));
    writeSparse(gbaGame,
                {{0xA0, "ROMQUILLDEMOARQE01"}, {0xB2, "\x96"}, {0xBC, "\x01"}, {0xFF, QByteArray(1, '\0')}});
    const std::pair<const char*, QString> headerGames[] = {{"gbamain", gbaGame}, {"mdmain", mdGame}};
    for (const auto& [name, file] : headerGames) {
        if (auto* editor = qobject_cast<rq::headers::HeaderWindow*>(findWindow(QLatin1String(name)))) {
            dialogs.chooseFile(file);
            editor->load_Click();
        }
    }
    launcher.mnuHelpAbout_Click();
    dialogs.chooseFile(pcGame);  // the cutscene editor reads the file loaded last
    launcher.load_Click();
    launcher.sadxpc_Click();
    // Each grab runs the event loop, which deletes the windows closed before: hold them by QPointer.
    QList<QPointer<QWidget>> windowsOpen;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        windowsOpen << window;
    }
    for (const QPointer<QWidget>& window : windowsOpen) {
        if (window && window != &launcher && window->isVisible() && !window->objectName().isEmpty() &&
            window->objectName() != QStringLiteral("editor")) {
            ok = grab(window, out, window->objectName()) && ok;
        }
    }
    // The cutscene editor opens on "Misc Text"; Sonic's story is the other view worth showing.
    if (auto* cutscenes = findWindow(QStringLiteral("main_cutscenes"))) {
        if (auto* tabs = cutscenes->findChild<QTabWidget*>(QStringLiteral("main_cutscenes_tab"))) {
            tabs->setCurrentIndex(0);
            ok = grab(cutscenes, out, QStringLiteral("main_cutscenes-sonic")) && ok;
        }
    }
    return ok ? 0 : 1;
}
