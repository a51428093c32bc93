// The editor's pane below its tabs: the text box that has the focus drawn in the game's font, its Rewrap,
// and what the font's checks find in it.
#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "editor.h"
#include "editor/entrytexts.h"
#include "font/textlayout.h"
#include "kit/boxpreview.h"
#include "qa/checks.h"

namespace rq::editor {
namespace {

// What the pane below the tabs tells of a box: the checks of the game's font.
bool measuredInPixels(const qa::Problem& problem) {
    return problem.check == "too-wide" || problem.check == "too-many-lines" || problem.check == "no-glyph";
}

}  // namespace

void EditorWindow::buildPane() {
    m_pane = new kit::PreviewPane(this);
    m_boxProblems = new QLabel(m_pane->pane);
    m_boxProblems->setObjectName(QStringLiteral("problems"));
    m_boxProblems->setTextFormat(Qt::PlainText);
    m_boxProblems->setWordWrap(true);
    auto* column = new QVBoxLayout;
    column->addWidget(m_pane->rewrap, 0, Qt::AlignLeft);
    column->addWidget(m_boxProblems, 1);
    static_cast<QHBoxLayout*>(m_pane->pane->layout())->addLayout(column);
    m_pane->pane->hide();
    connect(m_pane->rewrap, &QPushButton::clicked, this, &EditorWindow::rewrap_Click);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        const auto found = std::ranges::find(m_boxes, now);
        if (found != m_boxes.end() && m_font) {
            m_focused = static_cast<int>(found - m_boxes.begin());
            showBox();
        }
    });
}

void EditorWindow::showBox() {
    if (m_focused >= m_entryCount) {
        return;
    }
    const auto slot = static_cast<std::size_t>(m_focused);
    const templates::TemplateEntry& entry = m_entries[slot];
    const std::string text(shownText(entry, m_rooms[slot], m_boxes[slot]->text().toStdString()));
    m_pane->showText(m_font->metricsOf(entry), text);
    m_pane->rewrap->setEnabled(!entry.locked);
    // The entry's checks as a script of its own, as the script window makes them.
    templates::GameTemplate part;
    part.entries = {entry};
    const std::vector<std::string> originals = {m_savedTexts[slot]};
    const std::vector<std::string> translations = {text};
    const std::vector<EntryRoom> rooms = {m_rooms[slot]};
    QStringList problems;
    for (const qa::Problem& problem :
         qa::checkEntry({&part, originals, translations, rooms, {}, m_font.get()}, 0)) {
        if (measuredInPixels(problem)) {
            problems << tr("Error: %1").arg(QString::fromStdString(problem.message));
        }
    }
    m_boxProblems->setText(problems.join(QLatin1Char('\n')));
}

void EditorWindow::rewrap_Click() {
    const auto slot = static_cast<std::size_t>(m_focused);
    const auto metrics =
        m_font && m_focused < m_entryCount ? m_font->metricsOf(m_entries[slot]) : std::nullopt;
    if (!metrics) {
        return;
    }
    if (m_entries[slot].locked) {
        m_dialogs.inform(this, kit::appTitle(),
                         QString::fromStdString(templates::lockedRefusal(m_entries[slot])),
                         kit::Dialogs::Icon::Exclamation);
        return;
    }
    QLineEdit* box = m_boxes[slot];
    const auto wrapped =
        font::wrapText(*metrics, shownText(m_entries[slot], m_rooms[slot], box->text().toStdString()));
    const QString text = QString::fromStdString(wrapped.text);
    if (text != box->text()) {
        // Selected and typed over: the box's own undo takes it back in one step.
        box->selectAll();
        box->insert(text);
    }
}

}  // namespace rq::editor
