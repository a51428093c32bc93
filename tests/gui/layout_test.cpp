// The fixed windows' layouts: the design at the default font, every text whole and nothing covered at a
// larger one; and the font that the mark of an unsaveable text leaves alone.

#include <QPlainTextEdit>

#include "headers/headerwindow.h"
#include "kit/growinglayout.h"
#include "kit/typinglimit.h"
#include "kit/windowtools.h"
#include "support/launcher_fixture.h"

namespace rq::test {

using namespace rq::kit;
namespace {

// A caption of design width 600 twips (40 pixels) over a box's frame, and a button right of the caption: at
// the default font, as designed; a caption wider than its place grows, the button moves right by as much, the
// box keeps its left edge and stretches with the column, and the caption now ends where the box begins.
TEST(GrowingLayout, KeepsTheDesignWhereTextsFitAndStretchesItsColumnsWhereOneDoesNot) {
    for (const QString& text :
         {QStringLiteral("Ab"), QStringLiteral("A much longer caption than forty pixels")}) {
        QWidget window;
        auto* caption = new QLabel(text, &window);
        auto* box = new QLineEdit(&window);
        auto* button = new QPushButton(QStringLiteral("OK"), &window);
        GrowingLayout layout(2400, 900);
        layout.add(caption, {120, 120, 600, 255}, {}, 15);
        layout.add(box, {120, 360, 600, 285});
        layout.add(button, {840, 120, 600, 375});
        const int growth = std::max(caption->sizeHint().width() - 40, 0);
        EXPECT_EQ(layout.apply(), QSize(160 + growth, 60));
        EXPECT_EQ(QList<QRect>({caption->geometry(), box->geometry(), button->geometry()}),
                  QList<QRect>({QRect(8, 8, 40 + growth, growth > 0 ? 16 : 17), QRect(8, 24, 40 + growth, 19),
                                QRect(56 + growth, 8, 40, 25)}));
    }
}

// A parent's fixed-width font stays the box's, its widths kept, after a mark comes and goes.
TEST(MarkUnsaveable, LeavesTheBoxsFontAsItWas) {
    QWidget window;
    window.setFont(QFont(QStringLiteral("Monospace")));
    const QList<QWidget*> boxes = {new QLineEdit(&window), new QPlainTextEdit(&window)};
    window.show();
    for (QWidget* box : boxes) {
        const QString family = QFontInfo(box->font()).family();
        for (const std::u32string& marked : {std::u32string(U"\u00E9"), std::u32string()}) {
            markUnsaveable(box, marked, QStringLiteral("here"));
            QApplication::processEvents();
            EXPECT_EQ(QFontInfo(box->font()).family(), family) << box->metaObject()->className();
        }
    }
}

// Every shown caption, button and box of a window: a text that does not fit its control, and a caption that
// lies on a box or a button.
QStringList cutOrCovered(const QWidget* window) {
    QStringList found;
    const auto place = [window](const QWidget* w) { return QRect(w->mapTo(window, QPoint()), w->size()); };
    QWidgetList controls = window->findChildren<QWidget*>();
    controls.removeIf([window](const QWidget* w) { return !w->isVisibleTo(window); });
    for (const QWidget* w : controls) {
        const auto* label = qobject_cast<const QLabel*>(w);
        const auto* box = qobject_cast<const QLineEdit*>(w);
        const QSize need =
            label != nullptr && !label->text().isEmpty() && label->pixmap().isNull()
                ? (label->wordWrap() ? QSize(0, label->heightForWidth(label->width())) : label->sizeHint())
            : qobject_cast<const QPushButton*>(w) != nullptr ? w->sizeHint()
            : box != nullptr
                ? QSize(box->fontMetrics().horizontalAdvance(box->text()), box->fontMetrics().height())
                : QSize();
        if (need.width() > w->width() || need.height() > w->height()) {
            found << w->objectName() + " is cut";
        }
        for (const QWidget* other : controls) {
            const bool control =
                qobject_cast<const QLineEdit*>(other) || qobject_cast<const QPushButton*>(other);
            if (label != nullptr && !label->text().isEmpty() && control &&
                place(other).intersects(place(w))) {
                found << w->objectName() + " covers " + other->objectName();
            }
        }
    }
    return found;
}

using LayoutRow = std::tuple<const char*, double, QSize, const char*>;

class LayoutTest : public LauncherFixture, public testing::WithParamInterface<LayoutRow> {
  public:
    void SetUp() override {
        QFont font = m_font;
        font.setPointSizeF(std::get<1>(GetParam()) > 0 ? std::get<1>(GetParam()) : m_font.pointSizeF());
        QApplication::setFont(font);
        LauncherFixture::SetUp();
    }
    void TearDown() override {
        LauncherFixture::TearDown();
        QApplication::setFont(m_font);
    }
    // The launcher's client area with the demo file loaded, the editor on a demo template, or a header
    // editor with a file loaded (a Mega Drive one whose separator is a space, which shows its note).
    QWidget* open(const std::string& what) {
        if (what == "gbamain" || what == "mdmain") {
            writeImage(games.file("quill.gba"), {{0xA0, "ROMQUILLDEMOARQE01"}}, 0x200);
            dialogs.files = {
                qs(what == "gbamain" ? games.file("quill.gba") : megaDrive("md.bin", {}, "00001051 01"))};
            item(what == "gbamain" ? "mnuFileGBAROMHeader" : "mnuFileMDROMHeader")->trigger();
            static_cast<headers::HeaderWindow*>(openWindow(qs(what)))->load_Click();
            return openWindow(qs(what));
        }
        loadDemo(what == "loader" ? "demo.ini" : what);
        if (what == "loader") {
            return launcher->centralWidget();
        }
        press("go");
        return openWindow("editor");
    }

  private:
    const QFont m_font = QApplication::font();
};

// A window at a font, and the design's size of its client area: the default font (0) keeps it; larger
// fonts keep every text whole.
const LayoutRow kLayouts[] = {
    {"Launcher", 0, {386, 447}, "loader"},
    {"LauncherAt20", 20, {}, "loader"},
    {"Editor", 0, {637, 485}, "demo.ini"},
    {"EditorAt18", 18, {}, "demo.ini"},
    {"PointerEditorAt20", 20, {}, "demo-pointers.ini"},
    {"GbaHeader", 0, {433, 156}, "gbamain"},
    {"GbaHeaderAt16", 16, {}, "gbamain"},
    {"MegaDriveHeader", 0, {528, 311}, "mdmain"},
    {"MegaDriveHeaderAt20", 20, {}, "mdmain"},
};

TEST_P(LayoutTest, KeepsTheDesignAtTheDefaultFontAndEveryTextWholeAtALargerOne) {
    const auto& [name, points, designed, what] = GetParam();
    QWidget* window = open(what);
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
