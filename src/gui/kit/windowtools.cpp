#include "windowtools.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStyleOptionButton>
#include <QStylePainter>

#include "files/common.h"
#include "kit/qtcodepage.h"

namespace rq {

void makeFixedWindow(QWidget* window, int clientWidthTwips, int clientHeightTwips) {
    window->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
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

void WrappingButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);
    const QRect area =
        style()->subElementRect(QStyle::SE_PushButtonContents, &option, this).adjusted(2, 0, -2, 0);
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    painter.drawText(area, Qt::AlignCenter | Qt::TextWordWrap, caption);
}

QString appPath(const QString& relative) {
    return fromPath(appRelativePath(toPath(relative)));
}

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

}  // namespace rq
