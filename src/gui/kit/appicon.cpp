#include "appicon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace rq::kit {
namespace {

// A square of this many pixels to draw an icon on: transparent, its painter smoothing every edge.
class IconCanvas {
  public:
    explicit IconCanvas(int size) : m_pixmap(size, size) {
        m_pixmap.fill(Qt::transparent);
        m_painter.begin(&m_pixmap);
        m_painter.setRenderHint(QPainter::Antialiasing);
    }
    [[nodiscard]] QPainter& painter() { return m_painter; }
    [[nodiscard]] QIcon icon() {
        m_painter.end();
        return QIcon(m_pixmap);
    }

  private:
    QPixmap m_pixmap;
    QPainter m_painter;
};

}  // namespace

QIcon appIcon() {
    IconCanvas canvas(32);
    QPainter& painter = canvas.painter();
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
    return canvas.icon();
}

QIcon lockIcon() {
    IconCanvas canvas(16);
    QPainter& painter = canvas.painter();
    painter.setPen(QPen(QColor(90, 90, 100), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(4.5, 1.5, 7, 10), 3.5, 3.5);  // the shackle; the body hides its foot
    painter.setPen(QPen(QColor(120, 80, 0), 1));
    painter.setBrush(QColor(230, 180, 40));
    painter.drawRoundedRect(QRectF(2.5, 6.5, 11, 8.5), 1.5, 1.5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(90, 60, 0));
    painter.drawEllipse(QPointF(8, 10), 1.5, 1.5);
    return canvas.icon();
}

}  // namespace rq::kit
