#pragma once

#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRect>
#include <QString>
#include <QTabBar>
#include <QTabWidget>
#include <QWidget>
#include <functional>
#include <vector>

namespace rq::kit {

// How much the fixed layouts grow with the application's font: 1 at the platforms' default of 9 points or
// less, in proportion above it, so that captions still fit at a larger system font.
[[nodiscard]] double layoutScale();

// Window layouts are designed in twips; 15 twips are one pixel at 96 dots per inch, at the default font.
[[nodiscard]] int twips(int value);
[[nodiscard]] inline QRect twipsRect(int left, int top, int width, int height) {
    return QRect(twips(left), twips(top), twips(width), twips(height));
}

// A font a layout was designed for ("MS Sans Serif" 8.25 points), grown with it.
[[nodiscard]] QFont designFont(const QString& family, QFont::StyleHint hint, double points);

// A fixed-size, centred top-level window without minimise or maximise box.
void makeFixedWindow(QWidget* window, int clientWidthTwips, int clientHeightTwips);
void centreOnScreen(QWidget* window);

// A push button with its design name, placed in pixels.
QPushButton* addButton(const QString& name, const QString& caption, const QRect& place, QWidget* parent);

// Each window exists once: opening it again only brings it to the front, without running its load again.
// Returns true when a new window was made.
bool showOnce(QPointer<QWidget>& slot, const std::function<QWidget*()>& make);

// A button whose caption wraps onto several lines when it is wider than the button, as long captions such
// as "This ROM currently has no available template." need.
class WrappingButton : public QPushButton {
  public:
    using QPushButton::QPushButton;

    // As wide as the button is, and as high as its caption wraps there.
    [[nodiscard]] QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
};

// The contrast ratio of two colours as the web's accessibility guidelines measure it, from 1 to 21.
[[nodiscard]] double contrastRatio(const QColor& a, const QColor& b);

// Gives a button a disabled caption colour that still reads (4.5:1 on the button), nearer the button's
// colour than its enabled caption as far as that allows, so it still looks disabled.
void keepLegibleWhenDisabled(QPushButton* button);

// One row of tabs that share the container's width, all in view. Tabs are as wide as each other when every
// caption fits so; otherwise each gets its caption's width and an even share of the rest, and when the
// captions are wider than the row together, a share of the row in proportion to its caption, which wraps
// onto more lines; the row grows to hold them. "&&" shows as one "&".
class OneRowTabBar : public QTabBar {
  public:
    explicit OneRowTabBar(int width);
    // The row's width, when its container has grown.
    void setRowWidth(int width);

  protected:
    [[nodiscard]] QSize tabSizeHint(int index) const override;
    void paintEvent(QPaintEvent* event) override;

  private:
    [[nodiscard]] std::vector<int> tabWidths() const;

    int m_width;
};

// A tab container with its tabs in one row (OneRowTabBar), named and placed in pixels.
class OneRowTabs : public QTabWidget {
  public:
    OneRowTabs(const QString& name, const QRect& place, QWidget* parent);

    // Where the pages lie in the container, below the tab row and inside the frame; the tab row's height
    // depends on the captions, so ask once the tabs are in.
    [[nodiscard]] QRect pageArea() const;

  protected:
    // The row of tabs is as wide as the container, which grows with a larger font.
    void resizeEvent(QResizeEvent* event) override;
};

// A frame in the platform's manner: its caption sits on the top line, so that the controls inside, placed
// from the frame's top-left corner, clear it. "&&" shows as one "&".
class CaptionFrame : public QGroupBox {
  public:
    using QGroupBox::QGroupBox;

  protected:
    void paintEvent(QPaintEvent* event) override;
};

// A path as it fits in width pixels on one line: whole, or elided in the middle, the file name kept whole as
// long as it fits.
[[nodiscard]] QString elidedPath(const QFontMetrics& metrics, const QString& path, int width);

// A label that shows a path (or a caption in its place) on one line, elided by elidedPath, with the full
// text as its tooltip when it is elided.
class PathLabel : public QLabel {
  public:
    using QLabel::QLabel;
    void setPath(const QString& path);
    [[nodiscard]] const QString& path() const { return m_path; }

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void elide();

    QString m_path;
};

// What a label shows for a stored caption: "&&" is one "&", a lone "&" marks an access key and is not shown.
[[nodiscard]] QString labelText(const QString& stored);

}  // namespace rq::kit
