#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class QWidget;

namespace rq::kit {

// A place in a window's design, in twips from the top-left corner of its container.
struct TwipsPlace {
    int left = 0, top = 0, width = 0, height = 0;
};

// What a control needs in pixels to show its text whole; 0 in a direction where it needs nothing.
using Need = std::function<QSize()>;

// The controls of a window placed as it was designed, in twips. At the default font every control lies
// exactly at its design place. Where a text needs more room (a larger font, a longer caption), its control
// grows, and whatever lies right of it or below moves along with it: the design's columns and rows stretch,
// so that what was aligned stays aligned and nothing covers another control. The whole grows with the
// layout scale (layoutScale) and then with what still does not fit.
class GrowingLayout {
  public:
    GrowingLayout(int widthTwips, int heightTwips);

    // A control at its design place. need: what its text takes (textNeed when none is given); a hidden
    // control needs nothing. overlapBelow: the twips at the foot of the place that the design lets lie on
    // the control below (a caption on its box's frame), taken away once the layout is not the design's.
    void add(QWidget* control, const TwipsPlace& place, Need need = {}, int overlapBelow = 0);
    // Room that must hold what need says, with no control of its own (a frame's caption, a row of tabs).
    void reserve(const TwipsPlace& place, Need need);
    // Moves a control to another design place (a button that gives room to another while it is shown).
    void move(QWidget* control, const TwipsPlace& place);

    // The size of the whole in pixels, at least atLeast (a container made larger by its own neighbours).
    QSize solve(QSize atLeast = {});
    // Places every control as the last solve found, in its parent's coordinates: the layout's own, less
    // origin (where the parent lies in the layout's container: a tab's page below its row of tabs).
    void place(QPoint origin = {}) const;
    QSize apply(QSize atLeast = {}, QPoint origin = {}) {
        const QSize size = solve(atLeast);
        place(origin);
        return size;
    }

  private:
    struct Item {
        QWidget* control;
        TwipsPlace place;
        Need need;
        int overlapBelow;
    };
    // One direction's design edges, in twips, and where each lies once solved, in pixels.
    struct Axis {
        std::vector<int> edges;
        std::vector<double> at;
        [[nodiscard]] double operator()(int edge) const;
    };

    int m_width, m_height;
    std::vector<Item> m_items;
    Axis m_x, m_y;
    bool m_designed = true;  // the last solve found the design's own places
};

// What a control needs to show its text whole: a caption on one line (a label, a button, a check box, as
// each is drawn), or wrapped at the control's width (a word-wrapped label, a WrappingButton), and a line of
// text in a text box, as high as its font.
[[nodiscard]] QSize textNeed(const QWidget* control);

// What a control needs to show the widest of texts in its own font and frame: a label whose text changes,
// made wide enough for any of them (or high enough, when it wraps them at its width); a text box for a line
// of characters.
[[nodiscard]] QSize textNeed(const QWidget* control, const QStringList& texts);

// Only the height a control's text needs: a line that elides itself, or that may be cut as at the default
// font.
[[nodiscard]] Need heightOnly(const QWidget* control);

}  // namespace rq::kit
