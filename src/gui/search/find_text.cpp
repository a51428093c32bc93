#include "find_text.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "files/asciitext.h"
#include "files/common.h"
#include "files/safewrite.h"
#include "kit/qtcodepage.h"
#include "search/madefiles.h"
#include "search/preview.h"
#include "templates/table.h"

namespace rq::search {
namespace {

const QString kTitle = kit::appTitle();
const QString kTableFilter = QStringLiteral("Tables (*.tbl)|*.tbl|");
const QString kTemplateFilter = QStringLiteral("Templates (*.ini)|*.ini|");
constexpr std::size_t kMostCandidates = 10;
constexpr int kBeforeColumn = 2;
constexpr int kBeforeWidth = 220;

QString hexOffset(std::uint64_t offset) {
    return QStringLiteral("0x") + kit::fromUtf8View(files::hexText(offset));
}

QString layoutName(CodeLayout layout) {
    return layout.width == 1  ? QStringLiteral("8-bit")
           : layout.bigEndian ? QStringLiteral("16-bit big-endian")
                              : QStringLiteral("16-bit little-endian");
}

// The bytes around a hit and the hit, as three cells.
QStringList preview(std::string_view file, std::uint64_t offset, std::uint64_t length, int width,
                    const templates::Table& table) {
    const HitPreview shown = previewHit(file, offset, length, width, table);
    return {QString::fromStdString(shown.before), QString::fromStdString(shown.hit),
            QString::fromStdString(shown.after)};
}

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

// "Hello.tbl" for the word Hello: "?" and separators may not stand in a file name.
QString fileNameOf(const QString& word, const QString& extension) {
    QString name = word;
    for (QChar& ch : name) {
        if (ch == QLatin1Char('?') || ch == QLatin1Char('/') || ch == QLatin1Char('\\')) {
            ch = QLatin1Char('_');
        }
    }
    return name + extension;
}

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

}  // namespace

FindTextWindow::FindTextWindow(kit::LauncherContextPtr context)
    : m_context(std::move(context)), m_path(m_context->state.loadedPath) {
    setObjectName(QStringLiteral("find_text"));
    setWindowFlag(Qt::Window);
    setWindowTitle(tr("Romquill - Find Text - %1").arg(QFileInfo(kit::fromPath(m_path)).fileName()));
    m_job = new kit::BackgroundJob(this, QStringLiteral("searchProgress"));
    m_job->setObjectName(QStringLiteral("searchJob"));
    connect(m_job, &kit::BackgroundJob::runningChanged, this, &FindTextWindow::showButtons);
    buildControls();
    listTables();
    showButtons();
}

FindTextWindow::~FindTextWindow() {
    m_job->cancelAndWait();
}

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
    m_search = new QPushButton(tr("Search"), this);
    m_search->setObjectName(QStringLiteral("search"));
    m_search->setDefault(true);

    m_results = hitList(QStringLiteral("results"),
                        {tr("Offset"), tr("Layout"), tr("Before"), tr("Text"), tr("After")}, this);
    m_results->setItemDelegateForColumn(kBeforeColumn, new BeforeHit(m_results));
    m_makeTable = new QPushButton(tr("Make Table from Hit..."), this);
    m_makeTable->setObjectName(QStringLiteral("makeTable"));
    m_findPointers = new QPushButton(tr("Find Pointers"), this);
    m_findPointers->setObjectName(QStringLiteral("findPointers"));
    m_pointerTables =
        hitList(QStringLiteral("pointerTables"),
                {tr("Format"), tr("Base"), tr("Table"), tr("Stride"), tr("Cells"), tr("Strings")}, this);
    m_pointerTables->setSelectionMode(QAbstractItemView::SingleSelection);
    m_makeTemplate = new QPushButton(tr("Make Template..."), this);
    m_makeTemplate->setObjectName(QStringLiteral("makeTemplate"));

    auto* query = new QHBoxLayout;
    query->addWidget(wordLabel);
    query->addWidget(m_word, 1);
    query->addWidget(modeLabel);
    query->addWidget(m_mode);
    query->addWidget(m_search);
    auto* hitButtons = new QHBoxLayout;
    hitButtons->addWidget(m_makeTable);
    hitButtons->addWidget(m_findPointers);
    hitButtons->addStretch();
    auto* tableButtons = new QHBoxLayout;
    tableButtons->addWidget(m_makeTemplate);
    tableButtons->addStretch();
    auto* all = new QVBoxLayout(this);
    all->addLayout(query);
    all->addWidget(m_results, 3);
    all->addLayout(hitButtons);
    all->addWidget(m_pointerTables, 1);
    all->addLayout(tableButtons);
    resize(760, 520);

    connect(m_search, &QPushButton::clicked, this, &FindTextWindow::search_Click);
    connect(m_word, &QLineEdit::returnPressed, this, &FindTextWindow::search_Click);
    connect(m_makeTable, &QPushButton::clicked, this, &FindTextWindow::makeTable_Click);
    connect(m_findPointers, &QPushButton::clicked, this, &FindTextWindow::findPointers_Click);
    connect(m_makeTemplate, &QPushButton::clicked, this, &FindTextWindow::makeTemplate_Click);
    connect(m_results, &QTreeWidget::itemSelectionChanged, this, &FindTextWindow::showButtons);
    connect(m_pointerTables, &QTreeWidget::itemSelectionChanged, this, &FindTextWindow::showButtons);
}

void FindTextWindow::listTables() {
    m_mode->clear();
    m_mode->addItem(tr("Relative search"), QString());
    const QDir folder(kit::fromPath(files::appRelativePath("plugins\\alphabets")));
    for (const QString& name : folder.entryList({QStringLiteral("*.tbl"), QStringLiteral("*.ini")},
                                                QDir::Files, QDir::Name | QDir::IgnoreCase)) {
        m_mode->addItem(name, folder.filePath(name));
    }
}

void FindTextWindow::selectTable(const QString& path) {
    int index = m_mode->findData(path);
    if (index < 0) {
        m_mode->addItem(QFileInfo(path).fileName(), path);
        index = m_mode->count() - 1;
    }
    m_mode->setCurrentIndex(index);
}

void FindTextWindow::showButtons() {
    const bool idle = !m_job->running();
    const auto selected = m_results->selectedItems();
    const bool oneRelative =
        selected.size() == 1 && m_hits[selected.front()->data(0, Qt::UserRole).toUInt()].relative;
    m_search->setEnabled(idle);
    m_makeTable->setEnabled(idle && oneRelative);
    m_findPointers->setEnabled(idle && selected.size() >= 2);
    m_makeTemplate->setEnabled(idle && !m_pointerTables->selectedItems().isEmpty());
}

void FindTextWindow::tell(const QString& text, kit::Dialogs::Icon icon) {
    m_context->dialogs.inform(this, kTitle, text, icon);
}

void FindTextWindow::search_Click() {
    if (m_job->running()) {
        return;
    }
    const QString word = m_word->text();
    const QString tablePath = m_mode->currentData().toString();
    // The worker owns what it reads; what it found comes back to this thread whole.
    struct Found {
        std::shared_ptr<const std::string> file;
        std::vector<Hit> hits;
        QList<QStringList> rows;
        bool more = false;
        QString refusal;
    };
    m_job->start(tr("Searching..."), [this, word, tablePath, path = m_path](const SearchProgress& progress) {
        auto found = std::make_shared<Found>();
        const auto deliver = [this, found, word] {
            if (m_job->cancelled()) {
                return;
            }
            if (!found->refusal.isEmpty()) {
                tell(found->refusal, kit::Dialogs::Icon::Exclamation);
                return;
            }
            m_file = found->file;
            m_word32 = word.toStdU32String();
            m_hits = found->hits;
            m_results->clear();
            m_pointerTables->clear();
            m_candidates.clear();
            for (int row = 0; row < found->rows.size(); ++row) {
                auto* item = new QTreeWidgetItem(m_results, found->rows[row]);
                item->setData(0, Qt::UserRole, row);
            }
            for (const int column : {0, 1, kBeforeColumn + 1}) {
                m_results->resizeColumnToContents(column);
            }
            m_results->setColumnWidth(kBeforeColumn, kBeforeWidth);
            if (found->hits.empty()) {
                tell(tr("\"%1\" was not found.").arg(word));
            } else if (found->more) {
                tell(tr("There are more; only the first %1 are listed.").arg(found->hits.size()));
            }
            showButtons();
        };
        auto bytes = readSearchedFile(path);
        if (!bytes) {
            found->refusal = QString::fromStdString(bytes.error());
            return std::function<void()>(deliver);
        }
        found->file = std::make_shared<const std::string>(std::move(bytes).value());
        const std::string_view file = *found->file;
        if (tablePath.isEmpty()) {
            const auto hits = relativeSearch(file, {word.toStdU32String()}, progress);
            if (!hits) {
                found->refusal = tr("The word \"%1\" %2.").arg(word, QString::fromStdString(hits.error()));
                return std::function<void()>(deliver);
            }
            found->more = hits->more;
            for (const RelativeHit& hit : hits->hits) {
                const auto table = templates::Table::parse(tableFromHit(hit, word.toStdU32String()));
                const std::uint64_t length = word.toStdU32String().size() * hit.layout.width;
                found->hits.push_back({hit.offset, hit});
                found->rows.push_back(QStringList{hexOffset(hit.offset), layoutName(hit.layout)} +
                                      preview(file, hit.offset, length, hit.layout.width, table));
            }
        } else {
            const auto table = readSearchTable(kit::toPath(tablePath));
            const auto hits = table ? findTableText(file, *table, word.toStdString(), progress)
                                    : Result<TextHits>(table.failure());
            if (!hits) {
                found->refusal = QString::fromStdString(hits.error());
                return std::function<void()>(deliver);
            }
            found->more = hits->more;
            for (const TextHit& hit : hits->hits) {
                found->hits.push_back({hit.offset, std::nullopt});
                found->rows.push_back(
                    QStringList{hexOffset(hit.offset),
                                hit.length == 1 ? tr("1 byte") : tr("%1 bytes").arg(hit.length)} +
                    preview(file, hit.offset, hit.length, 1, *table));
            }
        }
        return std::function<void()>(deliver);
    });
}

bool FindTextWindow::mayReplace(const QString& path) {
    return m_context->dialogs.message(
               this, kTitle, tr("\"%1\" already exists. Replace it?").arg(QFileInfo(path).fileName()),
               kit::Dialogs::Icon::Exclamation, kit::Dialogs::Buttons::YesNo) == kit::Dialogs::Answer::Yes;
}

std::optional<QString> FindTextWindow::savePath(const QString& title, const QString& filter,
                                                const QString& proposed, const QString& extension) {
    const auto chosen = m_context->dialogs.saveFile(this, {title, filter, 1, proposed, false});
    if (!chosen) {
        return std::nullopt;
    }
    QString path = chosen->path;
    if (QFileInfo(path).suffix().isEmpty()) {
        path += extension;
    }
    if (QFileInfo::exists(path) && !mayReplace(path)) {
        return std::nullopt;
    }
    return path;
}

void FindTextWindow::makeTable_Click() {
    const auto selected = m_results->selectedItems();
    if (selected.size() != 1) {
        return;
    }
    const Hit& hit = m_hits[selected.front()->data(0, Qt::UserRole).toUInt()];
    if (!hit.relative) {
        return;
    }
    const QString word = QString::fromStdU32String(m_word32);
    const QString folder = kit::fromPath(files::appRelativePath("plugins\\alphabets"));
    const auto path =
        savePath(tr("Save the table as..."), kTableFilter,
                 QDir(folder).filePath(fileNameOf(word, QStringLiteral(".tbl"))), QStringLiteral(".tbl"));
    if (!path) {
        return;
    }
    if (const auto written = files::writeNewFile(kit::toPath(*path), tableFromHit(*hit.relative, m_word32));
        !written) {
        tell(QString::fromStdString(written.error()), kit::Dialogs::Icon::Critical);
        return;
    }
    selectTable(QDir::cleanPath(*path));
    tell(tr("Wrote \"%1\" from the %2 hit at %3.")
             .arg(QFileInfo(*path).fileName(), layoutName(hit.relative->layout), hexOffset(hit.offset)));
}

std::vector<std::uint64_t> FindTextWindow::selectedOffsets() const {
    std::vector<std::uint64_t> offsets;
    for (const QTreeWidgetItem* item : m_results->selectedItems()) {
        offsets.push_back(m_hits[item->data(0, Qt::UserRole).toUInt()].offset);
    }
    std::sort(offsets.begin(), offsets.end());
    offsets.erase(std::unique(offsets.begin(), offsets.end()), offsets.end());
    return offsets;
}

void FindTextWindow::findPointers_Click() {
    const auto offsets = selectedOffsets();
    if (m_job->running() || offsets.size() < 2 || !m_file) {
        return;
    }
    m_job->start(tr("Finding pointers..."), [this, offsets, file = m_file](const SearchProgress& progress) {
        auto found = std::make_shared<std::vector<PointerTableCandidate>>(
            findPointerTables(*file, offsets, kMostCandidates, progress));
        return std::function<void()>([this, found, strings = offsets.size()] {
            if (m_job->cancelled()) {
                return;
            }
            m_candidates = std::move(*found);
            m_pointerTables->clear();
            for (const PointerTableCandidate& candidate : m_candidates) {
                const auto& format = candidate.format;
                QString base = kit::fromUtf8View(files::hexText(format.base));
                if (format.regionStart != 0) {
                    base += tr(" (%1-%2)")
                                .arg(kit::fromUtf8View(files::hexText(format.regionStart)),
                                     kit::fromUtf8View(files::hexText(format.regionEnd)));
                }
                new QTreeWidgetItem(m_pointerTables,
                                    {kit::fromUtf8View(formatName(format)), base, hexOffset(candidate.table),
                                     QString::number(candidate.stride), QString::number(candidate.cells),
                                     tr("%1 of %2").arg(candidate.count).arg(strings)});
            }
            for (int column = 0; column < m_pointerTables->columnCount(); ++column) {
                m_pointerTables->resizeColumnToContents(column);
            }
            if (m_candidates.empty()) {
                tell(tr("No pointer table explains where these strings lie."));
            }
            showButtons();
        });
    });
}

void FindTextWindow::makeTemplate_Click() {
    const auto selected = m_pointerTables->selectedItems();
    const int row = selected.isEmpty() ? -1 : m_pointerTables->indexOfTopLevelItem(selected.front());
    if (row < 0 || static_cast<std::size_t>(row) >= m_candidates.size()) {
        return;
    }
    const QString tablePath = m_mode->currentData().toString();
    if (!templates::isTableName(kit::toPath(tablePath))) {
        tell(tr("Choose the table (.tbl) that reads the strings in Mode first: the template reads them "
                "through it."),
             kit::Dialogs::Icon::Exclamation);
        return;
    }
    const QFileInfo table(tablePath);
    const QString folder = kit::fromPath(files::gamesFolder());
    const auto path = savePath(tr("Save the template as..."), kTemplateFilter,
                               QDir(folder).filePath(table.completeBaseName() + QStringLiteral(".ini")),
                               QStringLiteral(".ini"));
    if (!path) {
        return;
    }
    const PointerTableCandidate& candidate = m_candidates[static_cast<std::size_t>(row)];
    const PointerTablePlace place{candidate.table, static_cast<int>(candidate.cells), candidate.format,
                                  candidate.stride};
    const auto made = templateForPointers(QFileInfo(*path).completeBaseName().toStdString(),
                                          table.fileName().toStdString(), place);
    if (!made) {
        tell(QString::fromStdString(made.error()), kit::Dialogs::Icon::Exclamation);
        return;
    }
    if (const auto written = files::writeNewFile(kit::toPath(*path), *made); !written) {
        tell(QString::fromStdString(written.error()), kit::Dialogs::Icon::Critical);
        return;
    }
    QString text = tr("Wrote \"%1\": %2 through %3.")
                       .arg(QFileInfo(*path).fileName(),
                            candidate.cells == 1 ? tr("1 entry") : tr("%1 entries").arg(candidate.cells),
                            table.fileName());
    // A template names its table by file name, and reads it from the program folder's alphabets.
    const QString inFolder =
        kit::fromPath(files::appRelativePath("plugins\\alphabets\\" + table.fileName().toStdString()));
    if (QDir::cleanPath(inFolder) != QDir::cleanPath(tablePath)) {
        text +=
            QStringLiteral("\n\n") +
            tr("The template reads %1 from plugins/alphabets/ in the program folder, where it is not: copy "
               "it there.")
                .arg(table.fileName());
    }
    tell(text);
}

QWidget* createFindTextWindow(const kit::LauncherContextPtr& context) {
    if (context->state.loadedPath.empty()) {
        return nullptr;
    }
    return new FindTextWindow(context);
}

}  // namespace rq::search
