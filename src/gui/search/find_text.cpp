#include "find_text.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <algorithm>

#include "files/asciitext.h"
#include "files/common.h"
#include "files/safewrite.h"
#include "kit/qtcodepage.h"
#include "templates/table.h"

namespace rq::search {
namespace {

const QString kTitle = kit::appTitle();
const QString kTableFilter = QStringLiteral("Tables (*.tbl)|*.tbl|");
const QString kTemplateFilter = QStringLiteral("Templates (*.ini)|*.ini|");
constexpr std::size_t kMostCandidates = 10;
constexpr int kBeforeWidth = 220;

QString hexOffset(std::uint64_t offset) {
    return QStringLiteral("0x") + kit::fromUtf8View(files::hexText(offset));
}

QString layoutName(CodeLayout layout) {
    return layout.width == 1  ? QStringLiteral("8-bit")
           : layout.bigEndian ? QStringLiteral("16-bit big-endian")
                              : QStringLiteral("16-bit little-endian");
}

// "Hello.tbl" for the word Hello: "?", separators and the characters Windows keeps out of file names may
// not stand in one.
QString fileNameOf(const QString& word, const QString& extension) {
    QString name = word.trimmed();
    for (QChar& ch : name) {
        if (QStringLiteral("?/\\:*\"<>|").contains(ch)) {
            ch = QLatin1Char('_');
        }
    }
    return name + extension;
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
    const auto selected = selectedHits();
    const auto& hits = m_session.found().hits;
    m_search->setEnabled(idle);
    m_makeTable->setEnabled(idle && selected.size() == 1 && hits[selected.front()].relative);
    m_gather->setEnabled(idle && !selected.empty());
    m_clearGathered->setEnabled(!m_session.gathered().empty());
    m_findPointers->setEnabled(idle && m_session.pointerTargets(selected).size() >= 2);
    m_makeTemplate->setEnabled(idle && !m_pointerTables->selectedItems().isEmpty());
}

void FindTextWindow::tell(const QString& text, kit::Dialogs::Icon icon) {
    m_context->dialogs.inform(this, kTitle, text, icon);
}

std::optional<std::string> FindTextWindow::endToken() {
    const QString digits = m_end->text().remove(QLatin1Char(' '));
    auto bytes = digits.isEmpty() ? std::optional<std::string>("") : hexBytes(digits.toStdString(), 4);
    if (!bytes) {
        tell(tr("The end token is 1 to 4 bytes in hexadecimal as they lie in the file (00, FF or FFFF), not "
                "\"%1\".")
                 .arg(m_end->text()),
             kit::Dialogs::Icon::Exclamation);
    }
    return bytes;
}

void FindTextWindow::search_Click() {
    const auto end = endToken();
    if (m_job->running() || !end) {
        return;
    }
    const std::string word = m_word->text().toStdString();
    const std::string tablePath = kit::toPath(m_mode->currentData().toString());
    // The worker owns what it reads; what it found comes back to this thread whole.
    m_job->start(tr("Searching..."), [this, word, tablePath, end = *end,
                                      path = m_path](const SearchProgress& progress) {
        auto bytes = readSearchedFile(path);
        auto file = bytes ? std::make_shared<const std::string>(std::move(bytes).value()) : nullptr;
        auto found = std::make_shared<Result<FoundHits>>(
            file ? searchFile(*file, word, tablePath, end, progress) : Result<FoundHits>(bytes.failure()));
        return std::function<void()>([this, file, found, word] {
            if (m_job->cancelled()) {
                return;
            }
            if (!*found) {
                tell(QString::fromStdString(found->error()), kit::Dialogs::Icon::Exclamation);
                return;
            }
            m_session.take(file, std::move(*found).value());
            showFound();
            const auto& hits = m_session.found().hits;
            if (hits.empty()) {
                tell(tr("\"%1\" was not found.").arg(QString::fromStdString(word)));
            } else if (m_session.found().more) {
                tell(tr("There are more; only the first %1 are listed.").arg(hits.size()));
            }
        });
    });
}

void FindTextWindow::showFound() {
    m_results->clear();
    m_pointerTables->clear();
    const auto& hits = m_session.found().hits;
    for (std::size_t row = 0; row < hits.size(); ++row) {
        const FoundHit& hit = hits[row];
        const QString layout = hit.relative      ? layoutName(hit.relative->layout)
                               : hit.length == 1 ? tr("1 byte")
                                                 : tr("%1 bytes").arg(hit.length);
        auto* item = new QTreeWidgetItem(
            m_results, {hexOffset(hit.offset), layout, QString::fromStdString(hit.preview.before),
                        QString::fromStdString(hit.preview.hit), QString::fromStdString(hit.preview.after)});
        item->setData(0, Qt::UserRole, static_cast<qulonglong>(row));
        if (hit.start != hit.offset) {
            item->setToolTip(0, tr("Its string starts at %1.").arg(hexOffset(hit.start)));
        }
    }
    for (const int column : {0, 1, kBefore + 1}) {
        m_results->resizeColumnToContents(column);
    }
    m_results->setColumnWidth(kBefore, kBeforeWidth);
    showButtons();
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
    if (QFileInfo::exists(path) &&
        m_context->dialogs.message(
            this, kTitle, tr("\"%1\" already exists. Replace it?").arg(QFileInfo(path).fileName()),
            kit::Dialogs::Icon::Exclamation, kit::Dialogs::Buttons::YesNo) != kit::Dialogs::Answer::Yes) {
        return std::nullopt;
    }
    return path;
}

void FindTextWindow::makeTable_Click() {
    const auto selected = selectedHits();
    const auto end = endToken();
    if (selected.size() != 1 || !end) {
        return;
    }
    const FoundHit& hit = m_session.found().hits[selected.front()];
    const auto made = m_session.tableFor(selected.front(), *end);
    if (!hit.relative || !made) {
        tell(QString::fromStdString(made ? std::string() : made.error()), kit::Dialogs::Icon::Exclamation);
        return;
    }
    const QString folder = kit::fromPath(files::appRelativePath("plugins\\alphabets"));
    const QString word = QString::fromStdString(m_session.found().word);
    const auto path =
        savePath(tr("Save the table as..."), kTableFilter,
                 QDir(folder).filePath(fileNameOf(word, QStringLiteral(".tbl"))), QStringLiteral(".tbl"));
    if (!path) {
        return;
    }
    if (const auto written = files::writeNewFile(kit::toPath(*path), *made); !written) {
        tell(QString::fromStdString(written.error()), kit::Dialogs::Icon::Critical);
        return;
    }
    selectTable(QDir::cleanPath(*path));
    tell(tr("Wrote \"%1\" from the %2 hit at %3.")
             .arg(QFileInfo(*path).fileName(), layoutName(hit.relative->layout), hexOffset(hit.offset)));
}

std::vector<std::size_t> FindTextWindow::selectedHits() const {
    std::vector<std::size_t> hits;
    for (const QTreeWidgetItem* item : m_results->selectedItems()) {
        hits.push_back(item->data(0, Qt::UserRole).toULongLong());
    }
    std::sort(hits.begin(), hits.end());
    return hits;
}

void FindTextWindow::gather_Click() {
    m_session.gather(selectedHits());
    showGathered();
}

void FindTextWindow::clearGathered_Click() {
    m_session.clearGathered();
    showGathered();
}

void FindTextWindow::showGathered() {
    m_gathered->clear();
    for (const std::uint64_t start : m_session.gathered()) {
        m_gathered->addItem(hexOffset(start));
    }
    showButtons();
}

void FindTextWindow::findPointers_Click() {
    const auto targets = m_session.pointerTargets(selectedHits());
    if (m_job->running() || targets.size() < 2 || !m_session.file()) {
        return;
    }
    m_job->start(tr("Finding pointers..."), [this, targets,
                                             file = m_session.file()](const SearchProgress& progress) {
        auto found = std::make_shared<std::vector<PointerTableCandidate>>(
            findPointerTables(*file, targets, kMostCandidates, progress));
        return std::function<void()>([this, found, strings = targets.size()] {
            if (m_job->cancelled()) {
                return;
            }
            m_session.setCandidates(std::move(*found));
            m_pointerTables->clear();
            for (const PointerTableCandidate& candidate : m_session.candidates()) {
                const auto& format = candidate.format;
                QString base = kit::fromUtf8View(files::hexText(format.base));
                if (format.regionStart != 0 || format.regionEnd != UINT64_MAX) {
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
            if (m_session.candidates().empty()) {
                tell(tr("No pointer table explains where these strings lie."));
            }
            showButtons();
        });
    });
}

void FindTextWindow::makeTemplate_Click() {
    std::vector<std::size_t> chosen;
    for (QTreeWidgetItem* item : m_pointerTables->selectedItems()) {
        chosen.push_back(static_cast<std::size_t>(m_pointerTables->indexOfTopLevelItem(item)));
    }
    std::sort(chosen.begin(), chosen.end());
    if (chosen.empty()) {
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
    const auto made = m_session.templateFor(chosen, QFileInfo(*path).completeBaseName().toStdString(),
                                            table.fileName().toStdString());
    if (!made) {
        tell(QString::fromStdString(made.error()), kit::Dialogs::Icon::Exclamation);
        return;
    }
    if (const auto written = files::writeNewFile(kit::toPath(*path), *made); !written) {
        tell(QString::fromStdString(written.error()), kit::Dialogs::Icon::Critical);
        return;
    }
    std::uint32_t cells = 0;
    for (const std::size_t index : chosen) {
        cells += m_session.candidates()[index].cells;
    }
    QString text = tr("Wrote \"%1\": %2 through %3.")
                       .arg(QFileInfo(*path).fileName(),
                            cells == 1 ? tr("1 entry") : tr("%1 entries").arg(cells), table.fileName());
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
