#pragma once

#include <QApplication>
#include <QColor>
#include <QImage>
#include <QLabel>
#include <QString>
#include <QWidget>
#include <string>

namespace rq::test {

// A picture under a ".dat" name, one colour all over, so a test can tell which one a window shows.
inline void writePicture(const std::string& path, const QColor& colour, QSize size = QSize(40, 30)) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    image.save(QString::fromStdString(path), "PNG");
}

inline QColor shownColour(const QLabel* picture) {
    const QPixmap pixmap = picture->pixmap();
    return pixmap.isNull() ? QColor() : pixmap.toImage().pixelColor(0, 0);
}

// The visible top-level window of that name, or nullptr.
inline QWidget* openWindow(const QString& objectName) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == objectName && w->isVisible()) {
            return w;
        }
    }
    return nullptr;
}

inline int countWindows(const QString& objectName) {
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        n += (w->objectName() == objectName && w->isVisible()) ? 1 : 0;
    }
    return n;
}

// Closes every top-level window and lets deferred deletes run, so tests start from nothing.
inline void closeAllWindows() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        w->close();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace rq::test
