#include "windowtools.h"

#include <QGuiApplication>
#include <QScreen>

#include "common.h"
#include "qtcodepage.h"

namespace rq {

void makeFixedWindow(QWidget* window, int clientWidthTwips, int clientHeightTwips) {
    window->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint);
    window->setFixedSize(twips(clientWidthTwips), twips(clientHeightTwips));
}

void centreOnScreen(QWidget* window) {
    const QScreen* screen = window->screen() != nullptr ? window->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

bool showOnce(QPointer<QWidget>& slot, const std::function<QWidget*()>& make) {
    if (slot) {
        slot->show();
        slot->raise();
        slot->activateWindow();
        return false;
    }
    slot = make();
    if (slot) {
        slot->setAttribute(Qt::WA_DeleteOnClose);
        centreOnScreen(slot);
        slot->show();
    }
    return true;
}

QString appPath(const QString& relative) { return fromPath(appRelativePath(toPath(relative))); }

}  // namespace rq
