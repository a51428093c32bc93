#include "appicon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace rq::kit {

QIcon appIcon() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    // A cartridge with a quill across it; packaging/linux/romquill.svg draws the same for the desktop's menu.
    painter.setPen(QPen(QColor(30, 40, 90), 1.5));
    painter.setBrush(QColor(70, 90, 170));
    painter.drawRoundedRect(QRectF(4, 6, 20, 22), 3, 3);
    painter.setBrush(QColor(220, 225, 240));
    painter.drawRect(QRectF(8, 10, 12, 8));
    QPainterPath quill;
    quill.moveTo(29, 2);
    quill.cubicTo(22, 6, 16, 16, 12, 28);
    quill.cubicTo(19, 20, 26, 12, 29, 2);
    painter.setPen(QPen(QColor(120, 60, 10), 1));
    painter.setBrush(QColor(250, 200, 60));
    painter.drawPath(quill);
    painter.end();
    return QIcon(pixmap);
}

}  // namespace rq::kit
