#pragma once

// What the editor's tests share: real template and alphabet files, synthetic game files that the launcher
// identifies as "Sonic The Hedgehog 2", and the launcher that opens the editor.

#include <QLineEdit>
#include <QPointer>
#include <QTabWidget>
#include <cstdio>

#include "support/launcher_fixture.h"

namespace rq::test {

// One byte a code: capitals A to C, a and b, "¬" for a space, "¦" for "=", a code 7E that shows as
// several characters and a code 7F whose blank value shows as nothing.
inline const std::string kOneByteAlphabet =
    "[AlphabetAndFileInfo]\r\nCharLength=1\r\n"
    "[Load]\r\n41=A\r\n42=B\r\n43=C\r\n61=a\r\n62=b\r\n20=\xAC\r\n3D=\xA6\r\n7E=[end]\r\n7F= \r\n"
    "[save]\r\nA=41\r\nB=42\r\nC=43\r\n_a=61\r\n_b=62\r\n\xAC=20\r\n\xA6=3D\r\n";

// Two bytes a code, first byte first; a Load key written in lower case.
inline const std::string kTwoByteAlphabet =
    "[AlphabetAndFileInfo]\r\nCharLength=2\r\n"
    "[Load]\r\n8a0b=X\r\n8A0C=Y\r\n0000=\xAC\r\n"
    "[save]\r\nX=8A0B\r\nY=8A0C\r\n\xAC=0000\r\n";

// Where the game files keep their texts.
inline constexpr std::uint64_t kTexts = 0x200;

struct TemplateEntry {
    std::string comment;
    std::string format;  // a key of TextFormattingSystem: "0" is one.ini, "1" two.ini
    int length;
    std::uint64_t offset;
};

// Public, so that the tables of cases can act on it.
class EditorTest : public LauncherFixture {
  public:
    void SetUp() override {
        LauncherFixture::SetUp();
        folder.writeLoaderIni("[gamenames]\r\nSonic The Hedgehog 2=game.ini\r\n");
        writeAlphabet("one.ini", kOneByteAlphabet);
        writeAlphabet("two.ini", kTwoByteAlphabet);
    }

    // A message with "{games}" and "{alphabets}" standing for the program's folders.
    QString withPaths(QString text) const {
        return text.replace("{games}", gamesPath(""))
            .replace("{alphabets}", QString::fromStdString(folder.path("plugins\\alphabets\\")));
    }
    void writeAlphabet(const std::string& name, const std::string& text) const {
        writeText(folder.path("plugins\\alphabets\\" + name), text);
    }
    static std::string templateText(const std::vector<TemplateEntry>& entries,
                                    const std::string& notes = "None") {
        std::string text = "[Ident]\r\nRQL_game_plugin=v1.0\r\n[GameAndFileInfo]\r\nNotes=" + notes +
                           "\r\n[TextFormattingSystem]\r\nNumberOfEntries=" + std::to_string(entries.size()) +
                           "\r\n0=one.ini\r\n1=two.ini\r\n";
        char offset[32];
        for (std::size_t i = 0; i < entries.size(); ++i) {
            std::snprintf(offset, sizeof offset, "%llX", static_cast<unsigned long long>(entries[i].offset));
            text += "[entry" + std::to_string(i + 1) + "]\r\nComment=" + entries[i].comment +
                    "\r\nTextFormat=" + entries[i].format +
                    "\r\nLength=" + std::to_string(entries[i].length) + "\r\nHexLocation=" + offset + "\r\n";
        }
        return text;
    }
    void writeGameTemplate(const std::vector<TemplateEntry>& entries,
                           const std::string& notes = "None") const {
        folder.writeTemplate("game.ini", templateText(entries, notes));
    }
    // A file of 0x400 bytes with the texts in place.
    std::string gameFile(const std::string& name, std::vector<Patch> texts) const {
        return megaDrive(name, "00001051-01", std::move(texts), 0x400);
    }

    // Presses "Launch!" and gives the editor that opened, or nullptr.
    QWidget* launch() {
        press("go");
        editor = openWindow(QStringLiteral("editor"));
        QCoreApplication::processEvents();
        return editor;
    }
    QWidget* loadAndLaunch(const std::string& path) {
        load(path);
        return launch();
    }
    // Entries whose texts do not matter: Length 0 reads nothing.
    QWidget* openWithEmptyEntries(int count) {
        writeGameTemplate(std::vector<TemplateEntry>(count, {"Entry", "0", 0, kTexts}));
        return loadAndLaunch(gameFile("game.bin", {}));
    }

    QPushButton* go() const { return LauncherFixture::button("go"); }
    // The editor's own controls.
    QPushButton* button(const char* name) const {
        return editor->findChild<QPushButton*>(QLatin1String(name));
    }
    QLineEdit* box(int slot) const {
        return editor->findChild<QLineEdit*>(QStringLiteral("romtext_%1").arg(slot));
    }
    QLabel* label(int slot) const {
        return editor->findChild<QLabel*>(QStringLiteral("ident_label_%1").arg(slot));
    }
    QTabWidget* strip(const char* name) const { return editor->findChild<QTabWidget*>(QLatin1String(name)); }
    void click(const char* name) const { QTest::mouseClick(button(name), Qt::LeftButton); }
    // Replaces a box's text as a user does: select all, type (QTest types Latin-1 characters only).
    void type(int slot, const QString& text) const {
        box(slot)->setFocus();
        box(slot)->selectAll();
        QTest::keyClicks(box(slot), text);
    }
    int visibleSlots() const {
        int n = 0;
        for (int s = 0; s < 540; ++s) {
            n += !box(s)->isHidden() && !label(s)->isHidden() ? 1 : 0;
        }
        return n;
    }

    QPointer<QWidget> editor;
};

}  // namespace rq::test
