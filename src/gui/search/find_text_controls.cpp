// The controls of the find window and their layout.

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "find_text.h"

namespace rq::search {
namespace {

// The text before a hit, right-aligned against it: what does not fit goes on the left.
class BeforeHit : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

  protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->textElideMode = Qt::ElideLeft;
        option->displayAlignment = Qt::AlignRight | Qt::AlignVCenter;
    }
};

QTreeWidget* hitList(const QString& name, const QStringList& headings, QWidget* parent) {
    auto* list = new QTreeWidget(parent);
    list->setObjectName(name);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setHeaderLabels(headings);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->header()->setStretchLastSection(true);
    return list;
}

QPushButton* button(const QString& name, const QString& text, QWidget* parent) {
    auto* made = new QPushButton(text, parent);
    made->setObjectName(name);
    return made;
}

}  // namespace

void FindTextWindow::buildControls() {
    auto* wordLabel = new QLabel(tr("&Word:"), this);
    m_word = new QLineEdit(this);
    m_word->setObjectName(QStringLiteral("word"));
    wordLabel->setBuddy(m_word);
    auto* modeLabel = new QLabel(tr("&Mode:"), this);
    m_mode = new QComboBox(this);
    m_mode->setObjectName(QStringLiteral("mode"));
    m_mode->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    modeLabel->setBuddy(m_mode);
    auto* endLabel = new QLabel(tr("&End token:"), this);
    m_end = new QLineEdit(this);
    m_end->setObjectName(QStringLiteral("endToken"));
    m_end->setPlaceholderText(tr("hex, e.g. 00"));
    m_end->setToolTip(
        tr("The bytes that end a string, in hexadecimal: a relative hit's strings start after "
           "them, and a table made from the hit ends its strings with them."));
    m_end->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("hex, e.g. 00MMM")));
    endLabel->setBuddy(m_end);
    m_search = button(QStringLiteral("search"), tr("Search"), this);
    m_search->setDefault(true);

    m_results = hitList(QStringLiteral("results"),
                        {tr("Offset"), tr("Layout"), tr("Before"), tr("Text"), tr("After")}, this);
    m_results->setItemDelegateForColumn(kBefore, new BeforeHit(m_results));
    m_makeTable = button(QStringLiteral("makeTable"), tr("Make Table from Hit..."), this);
    m_gather = button(QStringLiteral("gather"), tr("Add to Strings"), this);
    m_gather->setToolTip(
        tr("Keeps the strings of the selected hits for Find Pointers, while you search for "
           "others."));
    m_findPointers = button(QStringLiteral("findPointers"), tr("Find Pointers"), this);
    m_gathered = new QListWidget(this);
    m_gathered->setObjectName(QStringLiteral("gathered"));
    m_gathered->setFlow(QListView::LeftToRight);
    m_gathered->setWrapping(true);
    m_gathered->setMaximumHeight(fontMetrics().height() * 4);
    m_clearGathered = button(QStringLiteral("clearGathered"), tr("Clear"), this);
    m_pointerTables =
        hitList(QStringLiteral("pointerTables"),
                {tr("Format"), tr("Base"), tr("Table"), tr("Stride"), tr("Cells"), tr("Strings")}, this);
    m_makeTemplate = button(QStringLiteral("makeTemplate"), tr("Make Template..."), this);

    auto* query = new QHBoxLayout;
    for (QWidget* widget :
         {static_cast<QWidget*>(wordLabel), static_cast<QWidget*>(m_word), static_cast<QWidget*>(modeLabel),
          static_cast<QWidget*>(m_mode), static_cast<QWidget*>(endLabel), static_cast<QWidget*>(m_end),
          static_cast<QWidget*>(m_search)}) {
        query->addWidget(widget, widget == m_word ? 1 : 0);
    }
    auto* hitButtons = new QHBoxLayout;
    hitButtons->addWidget(m_makeTable);
    hitButtons->addWidget(m_gather);
    hitButtons->addWidget(m_findPointers);
    hitButtons->addStretch();
    auto* gathered = new QHBoxLayout;
    gathered->addWidget(new QLabel(tr("Gathered strings:"), this));
    gathered->addWidget(m_gathered, 1);
    gathered->addWidget(m_clearGathered, 0, Qt::AlignTop);
    auto* tableButtons = new QHBoxLayout;
    tableButtons->addWidget(m_makeTemplate);
    tableButtons->addStretch();
    auto* all = new QVBoxLayout(this);
    all->addLayout(query);
    all->addWidget(m_results, 3);
    all->addLayout(hitButtons);
    all->addLayout(gathered);
    all->addWidget(m_pointerTables, 1);
    all->addLayout(tableButtons);
    resize(820, 560);

    connect(m_search, &QPushButton::clicked, this, &FindTextWindow::search_Click);
    connect(m_word, &QLineEdit::returnPressed, this, &FindTextWindow::search_Click);
    connect(m_makeTable, &QPushButton::clicked, this, &FindTextWindow::makeTable_Click);
    connect(m_gather, &QPushButton::clicked, this, &FindTextWindow::gather_Click);
    connect(m_clearGathered, &QPushButton::clicked, this, &FindTextWindow::clearGathered_Click);
    connect(m_findPointers, &QPushButton::clicked, this, &FindTextWindow::findPointers_Click);
    connect(m_makeTemplate, &QPushButton::clicked, this, &FindTextWindow::makeTemplate_Click);
    connect(m_results, &QTreeWidget::itemSelectionChanged, this, &FindTextWindow::showButtons);
    connect(m_pointerTables, &QTreeWidget::itemSelectionChanged, this, &FindTextWindow::showButtons);
}

}  // namespace rq::search
