// How the fixed windows lay themselves out: the design's places at the default font, and at a larger font
// every text whole with nothing covering another control; and what the mark of an unsaveable text leaves
// alone.

#include <QPlainTextEdit>

#include "headers/headerwindow.h"
#include "kit/growinglayout.h"
#include "kit/typinglimit.h"
#include "kit/windowtools.h"
#include "support/launcher_fixture.h"
#include "support/tool_run.h"

namespace rq::test {

using namespace rq::kit;
namespace {

// A caption of design width 600 twips (40 pixels) above a box, and a button right of the caption.
struct Sample {
    QWidget window;
    QLabel* caption = new QLabel(&window);
    QLineEdit* box = new QLineEdit(&window);
    QPushButton* button = new QPushButton(QStringLiteral("OK"), &window);
    GrowingLayout layout{2400, 900};

    explicit Sample(const QString& text) {
        caption->setText(text);
        layout.add(caption, {120, 120, 600, 255}, {}, 15);
        layout.add(box, {120, 360, 600, 285});
        layout.add(button, {840, 120, 600, 375});
    }
};

TEST(GrowingLayout, KeepsTheDesignWhereTextsFitAndStretchesItsColumnsAndRowsWhereOneDoesNot) {
    Sample fits(QStringLiteral("Ab"));
    EXPECT_EQ(fits.layout.apply(), QSize(160, 60));
    // The caption's line lies on the box's frame, as designed.
    EXPECT_EQ(QList<QRect>({fits.caption->geometry(), fits.box->geometry(), fits.button->geometry()}),
              QList<QRect>({twipsRect(120, 120, 600, 255), twipsRect(120, 360, 600, 285),
                            twipsRect(840, 120, 600, 375)}));

    // A caption wider than its place: it grows, the button beside it moves right by as much, the box below
    // keeps its left edge and stretches with the column; the caption now ends where the box begins.
    Sample grows(QStringLiteral("A much longer caption than forty pixels"));
    const int growth = grows.caption->sizeHint().width() - 40;
    ASSERT_GT(growth, 0);
    EXPECT_EQ(grows.layout.apply(), QSize(160 + growth, 60));
    EXPECT_EQ(grows.caption->geometry(), QRect(8, 8, 40 + growth, 16));
    EXPECT_EQ(grows.box->geometry(), QRect(8, 24, 40 + growth, 19));
    EXPECT_EQ(grows.button->geometry(), twipsRect(840, 120, 600, 375).translated(growth, 0));
}

// A parent's font, a fixed-width one, stays the box's after a mark comes and goes: the widths a translator
// goes by are kept exactly while a line is being mended.
TEST(MarkUnsaveable, LeavesTheBoxsFontAsItWas) {
    QWidget window;
    QFont fixed(QStringLiteral("Monospace"));
    fixed.setStyleHint(QFont::Monospace);
    window.setFont(fixed);
    QLineEdit line(&window);
    auto* text = new QPlainTextEdit(&window);
    window.show();
    for (QWidget* box : {static_cast<QWidget*>(&line), static_cast<QWidget*>(text)}) {
        const QString family = QFontInfo(box->font()).family();
        for (const std::u32string& marked : {std::u32string(U"\u00E9"), std::u32string()}) {
            markUnsaveable(box, marked, QStringLiteral("here"));
            QApplication::processEvents();
            EXPECT_EQ(QFontInfo(box->font()).family(), family) << box->metaObject()->className();
        }
    }
}

// Every shown caption, button and box of a window: text that does not fit its control, and a caption that
// lies on a box or a button (a control that covers another exactly, by design, aside).
QStringList cutOrCovered(const QWidget* window) {
    QStringList found;
    const auto shownIn = [window](const QWidget* w) { return w->isVisibleTo(window); };
    const auto place = [window](const QWidget* w) { return QRect(w->mapTo(window, QPoint()), w->size()); };
    const auto controls = window->findChildren<QWidget*>();
    for (const QWidget* w : controls) {
        if (!shownIn(w)) {
            continue;
        }
        const auto* label = qobject_cast<const QLabel*>(w);
        QSize need;
        if (label != nullptr && !label->text().isEmpty() && label->pixmap().isNull()) {
            need = label->wordWrap() ? QSize(0, label->heightForWidth(label->width())) : label->sizeHint();
        } else if (qobject_cast<const QPushButton*>(w) != nullptr) {
            need = w->sizeHint();
        } else if (const auto* box = qobject_cast<const QLineEdit*>(w)) {
            need = {box->fontMetrics().horizontalAdvance(box->text()), box->fontMetrics().height()};
        }
        if (need.width() > w->width() || need.height() > w->height()) {
            found << QStringLiteral("%1 cut: needs %2x%3, has %4x%5")
                         .arg(w->objectName())
                         .arg(need.width())
                         .arg(need.height())
                         .arg(w->width())
                         .arg(w->height());
        }
        if (label == nullptr || label->text().isEmpty()) {
            continue;
        }
        for (const QWidget* other : controls) {
            const bool control = qobject_cast<const QLineEdit*>(other) != nullptr ||
                                 qobject_cast<const QPushButton*>(other) != nullptr;
            if (control && shownIn(other) && place(other) != place(w) && place(other).intersects(place(w))) {
                found << w->objectName() + " covers " + other->objectName();
            }
        }
    }
    return found;
}

// A window at a font, opened as a user opens it: its name, the design's size of its client area in pixels,
// and how to open it.
class LayoutTest;
using Opener = QWidget* (*)(LayoutTest&);
using LayoutRow = std::tuple<const char*, double, QSize, Opener>;

class LayoutTest : public LauncherFixture, public testing::WithParamInterface<LayoutRow> {
  public:
    void SetUp() override {
        if (std::get<1>(GetParam()) > 0) {
            QFont larger = m_font;
            larger.setPointSizeF(std::get<1>(GetParam()));
            QApplication::setFont(larger);
        }
        LauncherFixture::SetUp();
    }
    void TearDown() override {
        LauncherFixture::TearDown();
        QApplication::setFont(m_font);
    }
    // The demo file in the launcher, a demo template forced on it.
    void loadDemo(const std::string& demoTemplate) {
        const std::string program = std::filesystem::path(ROMQUILL_APP).parent_path().string();
        files::setApplicationFolder(program);
        ASSERT_EQ(runTool(ROMQUILL_MAKE_DEMO, {program, games.file("demo.bin")}).exitCode, 0);
        load(games.file("demo.bin"));
        launcher->applyForcedTemplate(program + "/plugins/games/" + demoTemplate, "Romquill Demo");
    }
    QWidget* editor(const std::string& demoTemplate) {
        loadDemo(demoTemplate);
        press("go");
        return openWindow("editor");
    }
    // A header editor with a file loaded: a Mega Drive one whose separator is a space, which shows its note.
    QWidget* header(const char* item, const char* name, const std::string& file) {
        this->item(item)->trigger();
        dialogs.files = {qs(file)};
        static_cast<headers::HeaderWindow*>(openWindow(name))->load_Click();
        return openWindow(name);
    }

  private:
    const QFont m_font = QApplication::font();
};

QWidget* launcherWithDemo(LayoutTest& t) {
    t.loadDemo("demo.ini");
    return t.launcher->centralWidget();
}
QWidget* alphabetEditor(LayoutTest& t) {
    return t.editor("demo.ini");
}
QWidget* pointerEditor(LayoutTest& t) {
    return t.editor("demo-pointers.ini");
}
QWidget* gbaHeader(LayoutTest& t) {
    writeImage(t.games.file("quill.gba"), {{0xA0, "ROMQUILLDEMOARQE01"}}, 0x200);
    return t.header("mnuFileGBAROMHeader", "gbamain", t.games.file("quill.gba"));
}
QWidget* mdHeader(LayoutTest& t) {
    return t.header("mnuFileMDROMHeader", "mdmain", t.megaDrive("md.bin", {}, "00001051 01"));
}

// The default font (0) keeps the design's size; larger fonts keep every text whole.
const LayoutRow kLayouts[] = {
    {"Launcher", 0, {386, 447}, launcherWithDemo}, {"LauncherAt16", 16, {}, launcherWithDemo},
    {"LauncherAt20", 20, {}, launcherWithDemo},    {"Editor", 0, {637, 485}, alphabetEditor},
    {"EditorAt18", 18, {}, alphabetEditor},        {"PointerEditorAt20", 20, {}, pointerEditor},
    {"GbaHeader", 0, {433, 156}, gbaHeader},       {"GbaHeaderAt16", 16, {}, gbaHeader},
    {"MegaDriveHeader", 0, {528, 311}, mdHeader},  {"MegaDriveHeaderAt20", 20, {}, mdHeader},
};

TEST_P(LayoutTest, KeepsTheDesignAtTheDefaultFontAndEveryTextWholeAtALargerOne) {
    const auto& [name, points, designed, open] = GetParam();
    QWidget* window = open(*this);
    ASSERT_NE(window, nullptr);
    window->show();
    QApplication::processEvents();
    if (points == 0) {
        EXPECT_EQ(window->size(), designed);
    } else {
        EXPECT_EQ(cutOrCovered(window), QStringList());
    }
}

INSTANTIATE_TEST_SUITE_P(Windows, LayoutTest, testing::ValuesIn(kLayouts), rowName);

}  // namespace
}  // namespace rq::test
