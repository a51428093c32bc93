#include "growinglayout.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>
#include <algorithm>
#include <cmath>

#include "kit/windowtools.h"

namespace rq::kit {
namespace {

QRect pixels(const TwipsPlace& place) {
    return twipsRect(place.left, place.top, place.width, place.height);
}

// The room a control's frame and margins take around its text, in pixels: its size less its contents'.
QSize around(const QWidget* control) {
    if (const auto* button = qobject_cast<const QPushButton*>(control)) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        const QRect contents =
            button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
        // A wrapping caption keeps a little more from the edges (WrappingButton).
        const int wrapping = dynamic_cast<const WrappingButton*>(control) != nullptr ? 4 : 0;
        return option.rect.size() - contents.size() + QSize(wrapping, 0);
    }
    if (const auto* box = qobject_cast<const QLineEdit*>(control)) {
        QStyleOptionFrame option;
        option.initFrom(box);
        option.lineWidth = box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, box);
        const QRect contents = box->style()->subElementRect(QStyle::SE_LineEditContents, &option, box);
        // QLineEdit keeps two pixels of its contents clear either side of the text.
        return option.rect.size() - contents.size() + QSize(4, 0);
    }
    if (const auto* label = qobject_cast<const QLabel*>(control)) {
        const QMargins margins = label->contentsMargins();
        return {margins.left() + margins.right() + 2 * label->margin(),
                margins.top() + margins.bottom() + 2 * label->margin()};
    }
    return {};
}

}  // namespace

double GrowingLayout::Axis::operator()(int edge) const {
    const auto found = std::lower_bound(edges.begin(), edges.end(), edge);
    return at[static_cast<std::size_t>(found - edges.begin())];
}

GrowingLayout::GrowingLayout(int widthTwips, int heightTwips) : m_width(widthTwips), m_height(heightTwips) {}

void GrowingLayout::add(QWidget* control, const TwipsPlace& place, Need need, int overlapBelow) {
    // Placed at once: what a caption wraps to is measured at its width.
    control->setGeometry(pixels(place));
    m_items.push_back({control, place, std::move(need), overlapBelow});
}

void GrowingLayout::reserve(const TwipsPlace& place, Need need) {
    m_items.push_back({nullptr, place, std::move(need), 0});
}

void GrowingLayout::move(QWidget* control, const TwipsPlace& place) {
    for (Item& item : m_items) {
        if (item.control == control) {
            item.place = place;
        }
    }
}

QSize GrowingLayout::solve(QSize atLeast) {
    // A span of the design that must be at least need pixels long.
    struct Span {
        int from, to;
        int need;
    };
    std::vector<Span> across, down;
    for (const Item& item : m_items) {
        const bool shown = item.control == nullptr || !item.control->isHidden();
        const QSize need = !shown ? QSize() : item.need ? item.need() : textNeed(item.control);
        const TwipsPlace& p = item.place;
        across.push_back({p.left, p.left + p.width, need.width()});
        down.push_back({p.top, p.top + p.height - item.overlapBelow, need.height()});
    }
    const double pixelsPerTwip = layoutScale() / 15.0;
    // Edge by edge in the design's order, each as far from the one before as the design has it, and as far
    // from the start of every span that ends there as the span needs: nothing needs to shrink.
    const auto solveAxis = [pixelsPerTwip](std::vector<Span>& spans, int whole, int wholeNeed) {
        Axis axis;
        axis.edges = {0, whole};
        for (const Span& span : spans) {
            axis.edges.push_back(span.from);
            axis.edges.push_back(span.to);
        }
        spans.push_back({0, whole, wholeNeed});
        std::ranges::sort(axis.edges);
        axis.edges.erase(std::unique(axis.edges.begin(), axis.edges.end()), axis.edges.end());
        std::ranges::sort(spans, {}, &Span::to);
        axis.at.assign(axis.edges.size(), 0.0);
        auto span = spans.begin();
        for (std::size_t e = 0; e < axis.edges.size(); ++e) {
            double at = e == 0 ? axis.edges[0] * pixelsPerTwip
                               : axis.at[e - 1] + (axis.edges[e] - axis.edges[e - 1]) * pixelsPerTwip;
            for (; span != spans.end() && span->to == axis.edges[e]; ++span) {
                // Within half a pixel the design's own place holds it: places are whole pixels.
                const double needed = axis(span->from) + span->need;
                if (span->to > span->from && needed > at + 0.5) {
                    at = needed;
                }
            }
            axis.at[e] = at;
        }
        return axis;
    };
    m_x = solveAxis(across, m_width, atLeast.width());
    m_y = solveAxis(down, m_height, atLeast.height());
    const auto designed = [pixelsPerTwip](const Axis& axis) {
        for (std::size_t e = 0; e < axis.edges.size(); ++e) {
            if (std::abs(axis.at[e] - axis.edges[e] * pixelsPerTwip) > 1e-6) {
                return false;
            }
        }
        return true;
    };
    m_designed = layoutScale() == 1 && designed(m_x) && designed(m_y);
    return {static_cast<int>(std::lround(m_x(m_width))), static_cast<int>(std::lround(m_y(m_height)))};
}

void GrowingLayout::place(QPoint origin) const {
    for (const Item& item : m_items) {
        if (item.control == nullptr) {
            continue;
        }
        const TwipsPlace& p = item.place;
        QRect rect = pixels(p);
        if (!m_designed) {
            const auto round = [](double value) { return static_cast<int>(std::lround(value)); };
            const int bottom = p.top + p.height - item.overlapBelow;
            const int top = round(m_y(p.top));
            // A caption taken off its box's frame ends exactly where the box begins.
            const int height =
                item.overlapBelow > 0 ? round(m_y(bottom)) - top : round(m_y(bottom) - m_y(p.top));
            rect = QRect(round(m_x(p.left)), top, round(m_x(p.left + p.width) - m_x(p.left)), height);
        }
        item.control->setGeometry(rect.translated(-origin));
    }
}

QSize textNeed(const QWidget* control) {
    if (const auto* label = qobject_cast<const QLabel*>(control)) {
        if (label->text().isEmpty() || !label->pixmap().isNull()) {
            return {};
        }
        return label->wordWrap() ? QSize(0, label->heightForWidth(label->width())) : label->sizeHint();
    }
    if (const auto* button = dynamic_cast<const WrappingButton*>(control)) {
        return {0, button->sizeHint().height()};
    }
    if (const auto* button = qobject_cast<const QPushButton*>(control)) {
        return textNeed(control, {button->text()});
    }
    if (const auto* box = qobject_cast<const QLineEdit*>(control)) {
        return {0, box->fontMetrics().height() + around(box).height()};
    }
    return control->sizeHint();
}

QSize textNeed(const QWidget* control, const QStringList& texts) {
    const QSize margins = around(control);
    const auto* label = qobject_cast<const QLabel*>(control);
    const bool wraps = label != nullptr && label->wordWrap();
    QSize widest;
    for (const QString& text : texts) {
        widest = widest.expandedTo(
            wraps
                ? QSize(0, control->fontMetrics()
                               .boundingRect(QRect(0, 0, std::max(control->width() - margins.width(), 1), 0),
                                             Qt::TextWordWrap, text)
                               .height())
                : control->fontMetrics().size(Qt::TextShowMnemonic, text));
    }
    return widest + QSize(wraps ? 0 : margins.width(), margins.height());
}

Need heightOnly(const QWidget* control) {
    return [control] { return QSize(0, textNeed(control).height()); };
}

}  // namespace rq::kit
