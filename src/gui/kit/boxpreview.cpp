#include "boxpreview.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <algorithm>

namespace rq::kit {
namespace {

constexpr int kScale = 2;
constexpr int kMargin = 2;      // room for the outline around the pixels
constexpr int kCounterGap = 8;  // between the drawing and its counters
// Taller drawings scroll: a long text's many boxes would push the rest of the window away.
constexpr int kMostPaneHeight = 200;

const QColor kOutline(0, 120, 215);

}  // namespace

QString pixelsLeftText(int left) {
    return left >= 0 ? QObject::tr("%1 px").arg(left) : QObject::tr("%1 px over").arg(-left);
}

BoxPreview::BoxPreview(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("box_preview"));
    hide();
}

void BoxPreview::showText(const std::optional<font::EntryMetrics>& metrics, std::string_view text) {
    m_metrics = metrics;
    m_counters.clear();
    m_lines.clear();
    m_counterWidth = 0;
    if (!metrics) {
        m_drawing = {};
        m_image = QImage();
        hide();
        return;
    }
    const font::Layout layout = font::layoutText(*metrics, text);
    m_drawing = font::drawLayout(*metrics, layout);
    m_image = m_drawing.width > 0 && m_drawing.height > 0
                  ? QImage(m_drawing.pixels.data(), m_drawing.width, m_drawing.height, m_drawing.width,
                           QImage::Format_Indexed8)
                  : QImage();
    m_image.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0), qRgb(230, 0, 0)});
    const int width = metrics->box->width;
    const QFontMetrics fm = fontMetrics();
    for (std::size_t box = 0; box < layout.boxes.size() && box < m_drawing.boxTops.size(); ++box) {
        const auto& lines = layout.boxes[box];
        for (std::size_t line = 0; line < lines.size(); ++line) {
            const bool past = line >= static_cast<std::size_t>(metrics->box->lines);
            m_counters << QStringLiteral("%1/%2 px").arg(lines[line].width).arg(width);
            m_lines.push_back({m_drawing.boxTops[box] + static_cast<int>(line) * metrics->font->height(),
                               past || lines[line].width > width});
            m_counterWidth = std::max(m_counterWidth, fm.horizontalAdvance(m_counters.back()));
        }
    }
    show();
    updateGeometry();
    resize(sizeHint());
    update();
}

QSize BoxPreview::sizeHint() const {
    if (!m_metrics) {
        return {0, 0};
    }
    const int lineHeight = m_metrics->font->height() * kScale;
    const int counterBottom =
        m_lines.empty() ? 0 : m_lines.back().top * kScale + std::max(lineHeight, fontMetrics().height());
    return {m_counterWidth + kCounterGap + 2 * kMargin + m_drawing.width * kScale,
            2 * kMargin + std::max(m_drawing.height * kScale, counterBottom)};
}

void BoxPreview::paintEvent(QPaintEvent*) {
    if (!m_metrics) {
        return;
    }
    // The counters first, so that a line far too long scrolls its tail out of view, not its counter.
    QPainter painter(this);
    const int lineHeight = std::max(m_metrics->font->height() * kScale, fontMetrics().height());
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        painter.setPen(m_lines[i].over ? QColor(Qt::red) : palette().color(QPalette::WindowText));
        painter.drawText(QRect(0, kMargin + m_lines[i].top * kScale, m_counterWidth, lineHeight),
                         Qt::AlignRight | Qt::AlignVCenter, m_counters[static_cast<qsizetype>(i)]);
    }
    const int left = m_counterWidth + kCounterGap + kMargin;
    if (!m_image.isNull()) {
        painter.drawImage(QRect(left, kMargin, m_drawing.width * kScale, m_drawing.height * kScale), m_image);
    }
    // The outline lies just outside the box's own pixels, so that it covers none of them.
    painter.setPen(kOutline);
    for (const int top : m_drawing.boxTops) {
        painter.drawRect(left - 1, kMargin + top * kScale - 1, m_drawing.boxWidth * kScale + 1,
                         m_drawing.boxHeight * kScale + 1);
    }
}

PreviewPane::PreviewPane(QWidget* parent)
    : pane(new QWidget(parent)),
      scroll(new QScrollArea(pane)),
      preview(new BoxPreview),
      rewrap(new QPushButton(QObject::tr("Rewrap"), pane)) {
    pane->setObjectName(QStringLiteral("box_pane"));
    scroll->setWidget(preview);
    scroll->setWidgetResizable(false);
    scroll->setBackgroundRole(QPalette::Window);
    rewrap->setObjectName(QStringLiteral("rewrap"));
    rewrap->setToolTip(QObject::tr("Wraps the text again to fill each line and box, as one undo step"));
    auto* row = new QHBoxLayout(pane);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(scroll, 1);
    row->addWidget(rewrap, 0, Qt::AlignTop);
    scroll->hide();
    rewrap->setEnabled(false);
}

void PreviewPane::showText(const std::optional<font::EntryMetrics>& metrics, std::string_view text) {
    preview->showText(metrics, text);
    rewrap->setEnabled(metrics.has_value());
    scroll->setVisible(metrics.has_value());
    if (!metrics || m_fixed) {
        return;
    }
    // A drawing wider than the window scrolls across, its counters in view at the left, the bar below it.
    const QSize need = preview->sizeHint();
    const int bar = need.width() > scroll->width() - 2 * scroll->frameWidth()
                        ? scroll->horizontalScrollBar()->sizeHint().height()
                        : 0;
    scroll->setFixedHeight(std::min(need.height(), kMostPaneHeight) + 2 * scroll->frameWidth() + bar);
}

void PreviewPane::fixHeight(const std::vector<font::EntryMetrics>& boxes) {
    int most = 0;
    for (const font::EntryMetrics& metrics : boxes) {
        most = std::max(most, 2 * kMargin + metrics.box->lines * metrics.font->height() * kScale);
    }
    m_fixed = true;
    scroll->setFixedHeight(std::min(std::max(most, preview->fontMetrics().height()), kMostPaneHeight) +
                           2 * scroll->frameWidth() + scroll->horizontalScrollBar()->sizeHint().height());
}

}  // namespace rq::kit
