// The script window's controls and their layout, built once when it opens.

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

// How long the replace's preview waits after a key, so that a long script is searched once a word.
constexpr int kPreviewDelayMs = 150;

QLabel* caption(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    return label;
}

template <class T>
T* named(T* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

}  // namespace

void ScriptWindow::buildControls() {
    m_filters = named(new QTabBar(this), "filters");
    for (int tab = 0; tab < 4; ++tab) {
        m_filters->addTab(QString());
    }
    m_filters->setDrawBase(false);
    m_filters->setExpanding(false);
    // Every filter in view, at any font: the window grows to hold them rather than scroll them.
    m_filters->setUsesScrollButtons(false);
    m_search = named(new QLineEdit(this), "search");
    m_search->setPlaceholderText(tr("Search originals and translations"));
    m_search->setClearButtonEnabled(true);
    m_shown = named(caption(QString(), this), "shown");

    m_view = named(new QTableView(this), "entries");
    m_view->setModel(m_filter);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::SelectedClicked);
    m_view->setWordWrap(false);
    m_view->setTabKeyNavigation(false);  // Tab goes on to the box below, as in the rest of the window
    // Rows of one height, columns of set widths: nothing is measured row by row, whatever the count.
    m_view->verticalHeader()->hide();
    m_view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_view->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    QHeaderView* columns = m_view->horizontalHeader();
    columns->setSectionResizeMode(ScriptModel::Original, QHeaderView::Stretch);
    columns->setSectionResizeMode(ScriptModel::Translation, QHeaderView::Stretch);
    columns->resizeSection(ScriptModel::Number,
                           fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 16);
    columns->resizeSection(ScriptModel::Comment, qRound(150 * kit::layoutScale()));
    columns->resizeSection(ScriptModel::Room, roomWidth());

    m_entryName = named(caption(QString(), this), "entry");
    m_roomLeft = named(caption(QString(), this), "room_left");
    m_roomLeft->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_box = named(new QPlainTextEdit(this), "translation");
    m_box->setUndoRedoEnabled(false);  // the window's undo covers the box too
    m_box->setTabChangesFocus(true);
    m_box->setFixedHeight(m_box->fontMetrics().lineSpacing() * 3 + 14);
    m_box->installEventFilter(this);
    m_pane = new kit::PreviewPane(this);
    m_pane->pane->setVisible(m_model->measures());
    m_problems = named(caption(QString(), this), "problems");
    m_problems->setWordWrap(true);
    m_applyIdentical = named(new QPushButton(this), "applyIdentical");
    m_terms = named(caption(QString(), this), "terms");
    m_terms->setWordWrap(true);
    m_terms->hide();  // until there is a glossary
    m_glossary = named(new QPushButton(tr("Glossary..."), this), "glossary");

    m_find = named(new QLineEdit(this), "find");
    m_find->setPlaceholderText(tr("Find in the translations shown"));
    m_replaceWith = named(new QLineEdit(this), "replaceWith");
    m_replaceWith->setPlaceholderText(tr("Replace with"));
    m_regex = named(new QCheckBox(tr("Regular expression"), this), "regex");
    m_matchCase = named(new QCheckBox(tr("Match case"), this), "matchCase");
    m_replaceAll = named(new QPushButton(tr("Replace all"), this), "replaceAll");
    m_matches = named(caption(QString(), this), "matches");
    m_matchTimer = new QTimer(this);
    m_matchTimer->setSingleShot(true);
    m_matchTimer->setInterval(kPreviewDelayMs);

    QUndoStack& undo = m_model->undoStack();
    QAction* undoAction = undo.createUndoAction(this, tr("Undo"));
    undoAction->setShortcut(QKeySequence::Undo);
    QAction* redoAction = undo.createRedoAction(this, tr("Redo"));
    redoAction->setShortcut(QKeySequence::Redo);
    addActions({undoAction, redoAction});
    auto* undoButton = named(new QToolButton(this), "undo");
    undoButton->setDefaultAction(undoAction);
    auto* redoButton = named(new QToolButton(this), "redo");
    redoButton->setDefaultAction(redoAction);
    m_save = named(new QPushButton(tr("&Save data to file"), this), "save");

    auto* top = new QHBoxLayout;
    top->addWidget(m_filters);
    top->addWidget(m_search, 1);
    top->addWidget(m_shown);
    auto* boxCaption = new QHBoxLayout;
    boxCaption->addWidget(m_entryName, 1);
    boxCaption->addWidget(m_roomLeft);
    auto* belowBox = new QHBoxLayout;
    belowBox->addWidget(m_problems, 1);
    belowBox->addWidget(m_applyIdentical);
    auto* terms = new QHBoxLayout;
    terms->addWidget(m_terms, 1);
    terms->addWidget(m_glossary, 0, Qt::AlignTop | Qt::AlignRight);
    auto* replace = new QHBoxLayout;
    replace->addWidget(m_find, 2);
    replace->addWidget(m_replaceWith, 2);
    replace->addWidget(m_regex);
    replace->addWidget(m_matchCase);
    replace->addWidget(m_replaceAll);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_matches, 1);
    bottom->addWidget(undoButton);
    bottom->addWidget(redoButton);
    bottom->addWidget(m_save);
    auto* all = new QVBoxLayout(this);
    all->addLayout(top);
    all->addWidget(m_view, 1);
    all->addLayout(boxCaption);
    all->addWidget(m_box);
    all->addWidget(m_pane->pane);
    all->addLayout(belowBox);
    all->addLayout(terms);
    all->addLayout(replace);
    all->addLayout(bottom);
    resize(QSize(1000, 640) * kit::layoutScale());  // as much more room as the font is larger

    connect(m_filters, &QTabBar::currentChanged, this, [this](int tab) {
        m_model->checkPending();
        m_filter->setFilter(static_cast<Filter>(tab));
        showFound();
    });
    connect(m_search, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_filter->setSearch(text);
        showFound();
    });
    connect(m_view->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { bind(m_filter->mapToSource(current).row()); });
    connect(m_box, &QPlainTextEdit::textChanged, this,
            [this] { m_model->edit(m_current, m_box->toPlainText()); });
    connect(m_pane->rewrap, &QPushButton::clicked, this, &ScriptWindow::rewrap_Click);
    connect(m_model, &QAbstractItemModel::dataChanged, this, &ScriptWindow::rowsChanged);
    connect(m_model, &ScriptModel::countsChanged, this, &ScriptWindow::showCounts);
    connect(m_model, &ScriptModel::refused, this, [this](const QString& message) {
        m_dialogs.inform(this, kit::appTitle(), message, kit::Dialogs::Icon::Exclamation);
    });
    connect(m_filter, &ScriptFilter::matchesChanged, this, &ScriptWindow::showPreview);
    connect(m_find, &QLineEdit::textChanged, m_matchTimer, qOverload<>(&QTimer::start));
    for (QCheckBox* option : {m_regex, m_matchCase}) {
        connect(option, &QCheckBox::toggled, m_matchTimer, qOverload<>(&QTimer::start));
    }
    connect(m_matchTimer, &QTimer::timeout, this, &ScriptWindow::showMatches);
    connect(m_replaceAll, &QPushButton::clicked, this, &ScriptWindow::replaceAll_Click);
    connect(m_applyIdentical, &QPushButton::clicked, this, &ScriptWindow::applyIdentical_Click);
    connect(m_glossary, &QPushButton::clicked, this, &ScriptWindow::glossary_Click);
    connect(m_save, &QPushButton::clicked, this, &ScriptWindow::save_Click);
    connect(new QShortcut(QKeySequence::Save, this), &QShortcut::activated, this, &ScriptWindow::save_Click);
    connect(new QShortcut(QKeySequence::Find, this), &QShortcut::activated, this, [this] {
        m_search->setFocus(Qt::ShortcutFocusReason);
        m_search->selectAll();
    });
}

}  // namespace rq::script
