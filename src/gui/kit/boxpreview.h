#pragma once

#include <QImage>
#include <QString>
#include <QWidget>
#include <optional>
#include <string_view>
#include <vector>

#include "font/textlayout.h"

class QPushButton;
class QScrollArea;

namespace rq::kit {

// An entry's text drawn as the game draws it, at twice its size: each box's outline at its true size,
// pixels past it red, and beside each line its width against the box's ("151/144 px", red when over). The
// core measures and draws; this only paints its drawing. Hidden for an entry without a box.
class BoxPreview : public QWidget {
    Q_OBJECT
  public:
    explicit BoxPreview(QWidget* parent = nullptr);

    // metrics: the entry's (nothing: no box); text as the editors show it, without padding.
    void showText(const std::optional<font::EntryMetrics>& metrics, std::string_view text);

    // What the counters say, line after line, box after box.
    [[nodiscard]] const QStringList& counters() const { return m_counters; }
    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override { return sizeHint(); }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    struct LineMark {
        int top = 0;  // in the drawing's rows
        bool over = false;
    };
    std::optional<font::EntryMetrics> m_metrics;
    font::Drawing m_drawing;
    QImage m_image;  // over m_drawing's pixels
    QStringList m_counters;
    std::vector<LineMark> m_lines;
    int m_counterWidth = 0;
};

// "7 px" left on a line, or "3 px over".
[[nodiscard]] QString pixelsLeftText(int left);

// A preview under a text box: the preview, scrolled when its boxes are taller than a few lines, and the
// Rewrap button beside it. Hidden together when the windows have no font to measure with.
struct PreviewPane {
    QWidget* pane = nullptr;
    QScrollArea* scroll = nullptr;
    BoxPreview* preview = nullptr;
    QPushButton* rewrap = nullptr;

    explicit PreviewPane(QWidget* parent);
    // Shows the text; Rewrap only for a box. The scroll area is as high as the drawing, up to a limit,
    // unless it was given a height of its own.
    void showText(const std::optional<font::EntryMetrics>& metrics, std::string_view text);
    // As high as one full box of any of these needs, up to the same limit, whatever is shown.
    void fixHeight(const std::vector<font::EntryMetrics>& boxes);

  private:
    bool m_fixed = false;
};

}  // namespace rq::kit
