#include "scriptwindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <utility>

#include "editor/entrytexts.h"
#include "editor/freespace.h"
#include "exchange/glossary.h"
#include "font/textlayout.h"
#include "kit/boxpreview.h"
#include "kit/entryroom.h"
#include "kit/qtcodepage.h"
#include "kit/saving.h"
#include "kit/typinglimit.h"
#include "kit/windowtools.h"
#include "templates/gametemplate.h"

namespace rq::script {
namespace {

using Filter = ScriptModel::Filter;

const QString kGlossaryFiles =
    QStringLiteral("Glossaries (*.tbx;*.csv;*.xml)|*.tbx;*.csv;*.xml|All files (*)|*|");

QString counted(std::uint64_t count, const QString& one, const QString& many) {
    return count == 1 ? one : many.arg(kit::grouped(count));
}

}  // namespace

ScriptWindow* ScriptWindow::open(const kit::LauncherContextPtr& context) {
    const std::string templatePath = context->state.templatePath;
    const std::string filePath = context->state.loadedPath;
    auto gameTemplate = templates::readGameTemplate(templatePath);
    if (!gameTemplate) {
        const kit::Message refusal =
            kit::templateRefusal(gameTemplate.failure(), "closing the script window");
        context->dialogs.inform(context->window, kit::appTitle(), refusal.text, refusal.icon);
        return nullptr;
    }
    editor::EntryTexts read = editor::readEntryTexts(*gameTemplate, filePath);
    const auto problem = kit::readProblem(read.readFailed, read.tooMuchText);
    auto moving = editor::movingRooms(*gameTemplate, read.rooms, filePath);
    auto font = font::TemplateFont::read(*gameTemplate, filePath);
    auto* model = new ScriptModel(std::move(gameTemplate).value(), std::move(read), std::move(moving),
                                  font ? *font : nullptr);
    auto* window = new ScriptWindow(context, kit::fromPath(templatePath), kit::fromPath(filePath), model);
    if (problem) {
        context->dialogs.inform(context->window, kit::appTitle(), problem->text, problem->icon);
    }
    if (!font && !problem) {  // a file that cannot be read was told already
        const kit::Message unmeasured = kit::fontProblem(font.failure());
        context->dialogs.inform(context->window, kit::appTitle(), unmeasured.text, unmeasured.icon);
    }
    return window;
}

ScriptWindow::ScriptWindow(kit::LauncherContextPtr context, QString templatePath, QString filePath,
                           ScriptModel* model)
    : m_context(std::move(context)),
      m_dialogs(m_context->dialogs),
      m_templatePath(std::move(templatePath)),
      m_filePath(std::move(filePath)),
      m_title(tr("%1 - Script").arg(QString::fromStdString(m_context->state.title))),
      m_model(model),
      m_filter(new ScriptFilter(model, this)) {
    setObjectName(QStringLiteral("script_window"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_model->setParent(this);
    buildControls();
    showCounts();
    showFound();
    showMatches();
    if (m_filter->rowCount() > 0) {
        m_view->setCurrentIndex(m_filter->index(0, ScriptModel::Translation));
    } else {
        bind(-1);
    }
    // The first keys typed go into the first entry's translation, or, with no entry, into the search.
    (m_box->isEnabled() ? static_cast<QWidget*>(m_box) : m_search)->setFocus(Qt::OtherFocusReason);
}

int ScriptWindow::roomWidth() const {
    // As wide as the widest count any row may show; the rows' numbers differ only in their digits, so the
    // longest text of all stands for the widest.
    QString widest;
    for (int row = 0; row < m_model->rowCount(); ++row) {
        for (const QString& text : m_model->roomLeftTexts(row)) {
            if (text.size() > widest.size()) {
                widest = text;
            }
        }
    }
    return fontMetrics().horizontalAdvance(widest) + 16;
}

bool ScriptWindow::eventFilter(QObject* watched, QEvent* event) {
    // The box has no undo of its own: Ctrl+Z goes on to the window's.
    if (watched == m_box && event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo)) {
            event->ignore();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ScriptWindow::showCounts() {
    const ScriptModel::Counts& counts = m_model->counts();
    m_filters->setTabText(0, tr("All (%1)").arg(counts.all));
    m_filters->setTabText(1, tr("Changed (%1)").arg(counts.changed));
    m_filters->setTabText(2, tr("Untranslated (%1)").arg(counts.untranslated));
    m_filters->setTabText(3, tr("With problems (%1)").arg(counts.problems));
    setWindowTitle(kit::editedTitle(m_title, m_model->edited()));
}

void ScriptWindow::showFound() {
    m_shown->setText(tr("%1 shown").arg(m_filter->rowCount()));
    // The row being edited stays current while it is shown; otherwise the first row shown takes its place.
    const QModelIndex current =
        m_current >= 0 ? m_filter->mapFromSource(m_model->index(m_current, ScriptModel::Translation))
                       : QModelIndex();
    if (current.isValid()) {
        m_view->setCurrentIndex(current);
        m_view->scrollTo(current);
    } else if (m_filter->rowCount() > 0) {
        m_view->setCurrentIndex(m_filter->index(0, ScriptModel::Translation));
    } else {
        bind(-1);
    }
}

void ScriptWindow::showMatches() {
    m_matchTimer->stop();
    m_filter->setPattern(FindPattern(m_find->text(), m_regex->isChecked(), m_matchCase->isChecked()));
}

void ScriptWindow::showPreview() {
    const FindPattern& pattern = m_filter->pattern();
    QString text;
    if (!pattern.error().isEmpty()) {
        text = tr("Not a valid regular expression: %1.").arg(pattern.error());
    } else if (pattern.usable()) {
        text = tr("%1 in %2")
                   .arg(counted(m_filter->matches(), tr("1 match"), tr("%1 matches")),
                        counted(m_filter->matchingEntries(), tr("1 entry"), tr("%1 entries")));
    }
    m_matches->setText(text);
    m_matches->setStyleSheet(pattern.error().isEmpty() ? QString()
                                                       : QStringLiteral("QLabel { color: red; }"));
    m_replaceAll->setEnabled(pattern.usable() && m_filter->matches() > 0);
}

void ScriptWindow::replaceAll_Click() {
    showMatches();  // what the boxes say now, not what they said a moment ago
    if (m_filter->pattern().usable()) {
        (void)m_model->replaceAll(m_filter->matchingRows(), m_filter->pattern(), m_replaceWith->text());
    }
}

void ScriptWindow::applyIdentical_Click() {
    if (m_current >= 0) {
        m_model->applyToIdentical(m_current);
    }
}

void ScriptWindow::glossary_Click() {
    const auto chosen = m_dialogs.openFile(this, {tr("Select a glossary..."), kGlossaryFiles, 1});
    if (!chosen) {
        return;
    }
    auto read = exchange::readGlossaryFile(kit::toPath(*chosen));
    if (!read) {
        m_dialogs.inform(this, kit::appTitle(), QString::fromStdString(read.error()),
                         kit::Dialogs::Icon::Exclamation);
        return;
    }
    m_model->setGlossary(std::make_shared<const qa::TermMatcher>(std::move(read).value()));
    m_glossary->setToolTip(*chosen);
    m_terms->show();
    showCurrent();
}

void ScriptWindow::showTerms() {
    const qa::TermMatcher* glossary = m_model->glossary();
    if (glossary == nullptr) {
        return;
    }
    // A line a term: its source, its agreed translations, and the forbidden ones marked.
    QStringList lines;
    for (const std::size_t term : m_current >= 0 ? m_model->terms(m_current) : std::vector<std::size_t>()) {
        const auto& entry = glossary->glossary().terms[term];
        QStringList targets;
        for (const std::string& target : entry.targets) {
            targets << QString::fromStdString(target);
        }
        for (const std::string& forbidden : entry.forbidden) {
            targets << tr("\u2717 %1").arg(QString::fromStdString(forbidden));
        }
        const QString source = QString::fromStdString(entry.sources.front());
        lines << (targets.isEmpty() ? source : tr("%1 \u2192 %2").arg(source, targets.join(tr(", "))));
    }
    m_terms->setText(lines.isEmpty() ? tr("No glossary term in this original.")
                                     : lines.join(QLatin1Char('\n')));
}

void ScriptWindow::rewrap_Click() {
    const auto metrics = m_current >= 0 ? m_model->metrics(m_current) : std::nullopt;
    if (metrics) {
        const auto wrapped = font::wrapText(*metrics, m_model->measured(m_current, m_box->toPlainText()));
        m_model->replaceText(m_current, QString::fromStdString(wrapped.text), tr("Rewrap"));
    }
}

void ScriptWindow::bind(int row) {
    m_model->checkPending();  // the row typed in is left: the rows that share its original follow
    m_current = row;
    showCurrent();
}

void ScriptWindow::rowsChanged(const QModelIndex& first, const QModelIndex& last) {
    if (m_current >= first.row() && m_current <= last.row()) {
        showCurrent();
    }
}

void ScriptWindow::showCurrent() {
    const bool any = m_current >= 0;
    showTerms();
    m_box->setEnabled(any);
    const QString text = any ? m_model->translation(m_current) : QString();
    if (m_box->toPlainText() != text) {
        // An undo, a replace or another row: not an edit of the box's own.
        const QSignalBlocker quiet(m_box);
        m_box->setPlainText(text);
        m_box->moveCursor(QTextCursor::End);
    }
    const int identical = any ? m_model->identicalOriginals(m_current) : 0;
    m_applyIdentical->setText(identical == 0 ? tr("Apply to identical originals")
                                             : counted(identical, tr("Apply to 1 identical original"),
                                                       tr("Apply to %1 identical originals")));
    m_applyIdentical->setEnabled(identical > 0);
    if (m_model->measures()) {
        m_pane->showText(any ? m_model->metrics(m_current) : std::nullopt,
                         any ? m_model->measured(m_current, text) : std::string());
    }
    if (!any) {
        m_entryName->clear();
        m_roomLeft->clear();
        m_problems->clear();
        kit::markUnsaveable(m_box, {}, QString());
        return;
    }
    QStringList problems;
    for (const qa::Problem& problem : m_model->problems(m_current)) {
        problems << (problem.severity == qa::Severity::Error ? tr("Error: %1") : tr("Warning: %1"))
                        .arg(QString::fromStdString(problem.message));
    }
    m_problems->setText(problems.join(QLatin1Char('\n')));
    const templates::TemplateEntry& entry = m_model->entry(m_current);
    // A locked entry's text stays as read: the box takes no typing and says why.
    m_box->setReadOnly(entry.locked);
    m_pane->rewrap->setEnabled(!entry.locked);
    m_entryName->setText(entry.locked
                             ? tr("%1: locked").arg(QString::fromStdString(templates::entryName(entry)))
                             : QString::fromStdString(templates::entryName(entry)));
    kit::showRoomLeft(m_roomLeft, m_model->roomLeft(m_current, text));
    kit::markUnsaveable(m_box, m_model->unsaveable(m_current, text), kit::missingFrom(entry));
    if (entry.locked) {
        m_box->setToolTip(QString::fromStdString(templates::lockedRefusal(entry)));
    }
}

bool ScriptWindow::save_Click() {
    return kit::runTemplateSave(
        m_dialogs, this, m_save, m_templatePath,
        [this](const templates::GameTemplate& gameTemplate) -> Result<kit::Message> {
            const auto saved = m_model->save(gameTemplate, kit::toPath(m_filePath));
            if (!saved) {
                return saved.failure();
            }
            if (saved->written == 0) {
                return kit::Message{tr("Nothing to save."), kit::Dialogs::Icon::Information};
            }
            QString what = counted(saved->written, tr("1 entry written"), tr("%1 entries written"));
            if (saved->freeLeft) {
                what += tr(", %1 moved; free space left: %2")
                            .arg(kit::grouped(saved->moved),
                                 counted(*saved->freeLeft, tr("1 byte"), tr("%1 bytes")));
            }
            return kit::writingComplete(what + QLatin1Char('.'));
        });
}

void ScriptWindow::closeEvent(QCloseEvent* event) {
    event->setAccepted(kit::mayClose(m_dialogs, this, m_model->edited(), [this] { return save_Click(); }));
}

QWidget* createScriptWindow(const kit::LauncherContextPtr& context) {
    return ScriptWindow::open(context);
}

}  // namespace rq::script
