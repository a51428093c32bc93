#include "windowtools.h"

#include <qdrawutil.h>
#include <QFontInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QStyleOptionButton>
#include <QStyleOptionTab>
#include <QStyleOptionTabWidgetFrame>
#include <QStylePainter>
#include <algorithm>
#include <cmath>

namespace rq::kit {

double layoutScale() {
    constexpr double kDefaultPoints = 9;
    const QFont font = QGuiApplication::font();
    const double points = font.pointSizeF() > 0 ? font.pointSizeF() : QFontInfo(font).pointSizeF();
    return std::max(1.0, points / kDefaultPoints);
}

int twips(int value) {
    return static_cast<int>(std::lround(value * layoutScale() / 15.0));
}

QFont designFont(const QString& family, QFont::StyleHint hint, double points) {
    QFont font(family);
    font.setStyleHint(hint);
    font.setPointSizeF(points * layoutScale());
    return font;
}

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

QPushButton* addButton(const QString& name, const QString& caption, const QRect& place, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setGeometry(place);
    return button;
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

namespace {

constexpr int kWrapFlags = Qt::AlignCenter | Qt::TextWordWrap;

// Where a wrapping button's caption is drawn: inside the style's contents, a little clear of its edges.
QRect wrapArea(const QPushButton* button, const QStyleOptionButton& option) {
    return button->style()
        ->subElementRect(QStyle::SE_PushButtonContents, &option, button)
        .adjusted(2, 0, -2, 0);
}

}  // namespace

QSize WrappingButton::sizeHint() const {
    QStyleOptionButton option;
    initStyleOption(&option);
    const QRect area = wrapArea(this, option);
    const int lines =
        fontMetrics().boundingRect(QRect(0, 0, std::max(area.width(), 1), 0), kWrapFlags, text()).height();
    return {width(), lines + height() - area.height()};
}

void WrappingButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    painter.drawText(wrapArea(this, option), kWrapFlags, caption);
}

namespace {

double luminance(const QColor& colour) {
    const auto linear = [](double c) {
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) +
           0.0722 * linear(colour.blueF());
}

}  // namespace

double contrastRatio(const QColor& a, const QColor& b) {
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

void keepLegibleWhenDisabled(QPushButton* button) {
    constexpr double kLegible = 4.5;
    QPalette palette = button->palette();
    const QColor back = palette.color(QPalette::Disabled, QPalette::Button);
    const QColor text = palette.color(QPalette::Active, QPalette::ButtonText);
    QColor chosen =
        contrastRatio(text, back) >= kLegible ? text : (luminance(back) > 0.18 ? Qt::black : Qt::white);
    for (int share = 50; share > 0; share -= 5) {  // of the button's colour in the caption's
        const QColor mixed = QColor::fromRgbF(
            static_cast<float>(chosen.redF() + (back.redF() - chosen.redF()) * share / 100.0),
            static_cast<float>(chosen.greenF() + (back.greenF() - chosen.greenF()) * share / 100.0),
            static_cast<float>(chosen.blueF() + (back.blueF() - chosen.blueF()) * share / 100.0));
        if (contrastRatio(mixed, back) >= kLegible) {
            chosen = mixed;
            break;
        }
    }
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, chosen);
    button->setPalette(palette);
}

namespace {

constexpr int kCaptionFlags = Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic;
constexpr int kCaptionMargin = 3;  // pixels each side of a caption, inside its tab or on its frame's line

}  // namespace

OneRowTabBar::OneRowTabBar(int width) : m_width(width) {
    setUsesScrollButtons(false);
}

void OneRowTabBar::setRowWidth(int width) {
    m_width = width;
    // A caption set again is what makes the bar measure its tabs anew.
    for (int i = 0; i < count(); ++i) {
        setTabText(i, tabText(i));
    }
}

std::vector<int> OneRowTabBar::tabWidths() const {
    const int tabs = count();
    std::vector<int> widths(static_cast<std::size_t>(tabs));
    int total = 0;
    int widest = 0;
    for (int i = 0; i < tabs; ++i) {
        const int width = fontMetrics().size(Qt::TextShowMnemonic, tabText(i)).width() + 2 * kCaptionMargin;
        widths[static_cast<std::size_t>(i)] = width;
        total += width;
        widest = std::max(widest, width);
    }
    if (tabs == 0 || widest <= m_width / tabs) {
        return std::vector<int>(widths.size(), tabs == 0 ? 0 : m_width / tabs);
    }
    for (int& width : widths) {
        width = total <= m_width ? width + (m_width - total) / tabs : width * m_width / total;
    }
    return widths;
}

QSize OneRowTabBar::tabSizeHint(int index) const {
    // One line of caption is in the style's own height; the extra lines of the tallest caption are added,
    // so that every tab of the row has the same height.
    const std::vector<int> widths = tabWidths();
    int lines = 0;
    for (int i = 0; i < count(); ++i) {
        const QRect area(0, 0, widths[static_cast<std::size_t>(i)] - 2 * kCaptionMargin, 0);
        lines = std::max(lines, fontMetrics().boundingRect(area, kCaptionFlags, tabText(i)).height());
    }
    const int extra = std::max(0, lines - fontMetrics().height());
    return {widths[static_cast<std::size_t>(index)], QTabBar::tabSizeHint(index).height() + extra};
}

void OneRowTabBar::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    const auto paintTab = [&](int index) {
        QStyleOptionTab option;
        initStyleOption(&option, index);
        // The style's text area says how high the caption sits (a selected tab is raised); its width is the
        // tab's, as the caption's height was measured.
        const QRect text = style()->subElementRect(QStyle::SE_TabBarTabText, &option, this);
        const QRect area(option.rect.left() + kCaptionMargin, text.top(),
                         option.rect.width() - 2 * kCaptionMargin, text.height());
        const QString caption = option.text;
        option.text.clear();
        painter.drawControl(QStyle::CE_TabBarTab, option);
        painter.setPen(
            palette().color(isTabEnabled(index) && isEnabled() ? QPalette::Active : QPalette::Disabled,
                            QPalette::WindowText));
        painter.drawText(area, kCaptionFlags, caption);
    };
    // The selected tab overlaps its neighbours, so it is drawn last.
    for (int i = 0; i < count(); ++i) {
        if (i != currentIndex()) {
            paintTab(i);
        }
    }
    if (currentIndex() >= 0) {
        paintTab(currentIndex());
    }
}

namespace {

constexpr int kTabFrameRoom = 4;  // the row's room for the frame's edges

}  // namespace

OneRowTabs::OneRowTabs(const QString& name, const QRect& place, QWidget* parent) : QTabWidget(parent) {
    setObjectName(name);
    setGeometry(place);
    setTabBar(new OneRowTabBar(place.width() - kTabFrameRoom));
}

void OneRowTabs::resizeEvent(QResizeEvent* event) {
    static_cast<OneRowTabBar*>(tabBar())->setRowWidth(width() - kTabFrameRoom);
    QTabWidget::resizeEvent(event);
}

QRect OneRowTabs::pageArea() const {
    QStyleOptionTabWidgetFrame option;
    initStyleOption(&option);
    return style()->subElementRect(QStyle::SE_TabWidgetTabContents, &option, this);
}

void CaptionFrame::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    const QFontMetrics metrics = fontMetrics();
    const QRect caption(kCaptionMargin, 0,
                        metrics.size(Qt::TextShowMnemonic, title()).width() + 2 * kCaptionMargin,
                        metrics.height());
    // An etched line, stopping either side of the caption. The styles' own group-box frames lie below the
    // caption, where the controls inside would cover them.
    painter.setClipRegion(QRegion(rect()).subtracted(caption));
    qDrawShadeRect(&painter, rect().adjusted(0, metrics.height() / 2, 0, 0), palette(), true, 1);
    painter.setClipping(false);
    painter.drawText(caption, Qt::AlignCenter | Qt::TextShowMnemonic, title());
}

QString elidedPath(const QFontMetrics& metrics, const QString& path, int width) {
    if (metrics.horizontalAdvance(path) <= width) {
        return path;
    }
    const qsizetype nameStart =
        std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\'))) + 1;
    const QString name = path.mid(nameStart);
    const int nameWidth = metrics.horizontalAdvance(name);
    const int ellipsis = metrics.horizontalAdvance(QChar(0x2026));
    if (nameStart > 0 && nameWidth + ellipsis <= width) {
        return metrics.elidedText(path.left(nameStart), Qt::ElideMiddle, width - nameWidth) + name;
    }
    return metrics.elidedText(path, Qt::ElideMiddle, width);
}

void PathLabel::setPath(const QString& path) {
    m_path = path;
    elide();
}

void PathLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    elide();
}

void PathLabel::elide() {
    const int width = contentsRect().width() - 2 * margin() - 2 * std::max(indent(), 0);
    const QString shown = elidedPath(fontMetrics(), m_path, width);
    setText(shown);
    setToolTip(shown == m_path ? QString() : m_path);
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

}  // namespace rq::kit
