#pragma once

#include <QPointer>
#include <QPushButton>
#include <QRect>
#include <QString>
#include <QWidget>
#include <functional>

namespace rq {

// Window layouts are designed in twips; 15 twips are one pixel at 96 dots per inch.
[[nodiscard]] constexpr int twips(int value) {
    return (value + 7) / 15;
}
[[nodiscard]] inline QRect twipsRect(int left, int top, int width, int height) {
    return QRect(twips(left), twips(top), twips(width), twips(height));
}

// A fixed-size, centred top-level window without minimise or maximise box.
void makeFixedWindow(QWidget* window, int clientWidthTwips, int clientHeightTwips);
void centreOnScreen(QWidget* window);

// Each window exists once: opening it again only brings it to the front, without running its load again.
// Returns true when a new window was made.
bool showOnce(QPointer<QWidget>& slot, const std::function<QWidget*()>& make);

// A button whose caption wraps onto several lines when it is wider than the button, as long captions such
// as "This ROM currently has no available template." need.
class WrappingButton : public QPushButton {
  public:
    using QPushButton::QPushButton;

  protected:
    void paintEvent(QPaintEvent* event) override;
};

// A path under the program's folder, for the windows.
[[nodiscard]] QString appPath(const QString& relative);

// What a label shows for a stored caption: "&&" is one "&", a lone "&" marks an access key and is not shown.
[[nodiscard]] QString labelText(const QString& stored);

}  // namespace rq
