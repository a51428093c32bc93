#include "scriptmodel.h"

#include <QApplication>
#include <QBrush>
#include <QStyle>
#include <QUndoCommand>
#include <algorithm>
#include <utility>

#include "editor/freespace.h"
#include "font/textlayout.h"
#include "kit/appicon.h"
#include "kit/boxpreview.h"
#include "kit/entryroom.h"
#include "kit/qtcodepage.h"
#include "kit/windowtools.h"

namespace rq::script {
namespace {

// One step of the undo stack. Typing in a row is one step until another row or another kind of change
// comes between.
class TranslationChange : public QUndoCommand {
  public:
    TranslationChange(ScriptModel* model, const QString& what, std::vector<ScriptModel::Change> changes,
                      bool typing)
        : QUndoCommand(what), m_model(model), m_changes(std::move(changes)), m_typing(typing) {}

    // The first redo is the typing itself; a redo after an undo is not.
    void redo() override { m_model->apply(m_changes, false, m_typing && !std::exchange(m_done, true)); }
    void undo() override { m_model->apply(m_changes, true, false); }
    [[nodiscard]] int id() const override { return m_typing ? 1 : -1; }
    bool mergeWith(const QUndoCommand* other) override {
        const auto& next = static_cast<const TranslationChange*>(other)->m_changes.front();
        if (next.row != m_changes.front().row) {
            return false;
        }
        m_changes.front().after = next.after;
        return true;
    }

  private:
    ScriptModel* m_model;
    std::vector<ScriptModel::Change> m_changes;
    bool m_typing;
    bool m_done = false;
};

// The room column's pixels left on the widest line, after the room's own count.
QString withPixels(const QString& room, int pixels) {
    const QString left = kit::pixelsLeftText(pixels);
    return room.isEmpty() ? left : room + QStringLiteral(" \u00B7 ") + left;
}

// How far over its box a line the room column is made wide enough for may be.
constexpr int kWidestPixelsOver = 9999;

// A table shows one line a row: a line break shows as a mark.
QString oneLine(QString text) {
    return text.replace(QLatin1Char('\n'), QChar(0x21B5));
}

// A row's mark: the icon of its gravest problem, and the problems as its tooltip.
QVariant problemMark(const std::vector<qa::Problem>& problems, int role) {
    QStringList messages;
    bool error = false;
    for (const qa::Problem& problem : problems) {
        if (problem.check != "untranslated") {
            messages << QString::fromStdString(problem.message);
            error = error || problem.severity == qa::Severity::Error;
        }
    }
    if (role == Qt::ToolTipRole) {
        return messages.join(QLatin1Char('\n'));
    }
    if (role == Qt::DecorationRole) {
        return QApplication::style()->standardIcon(error ? QStyle::SP_MessageBoxCritical
                                                         : QStyle::SP_MessageBoxWarning);
    }
    return {};
}

// The refusal of a save while changed entries have errors: each named, the first few of many.
Error refusedFor(const std::vector<qa::Problem>& errors) {
    constexpr std::size_t kListed = 10;
    std::string list;
    for (std::size_t i = 0; i < errors.size() && i < kListed; ++i) {
        list += "\n" + errors[i].message;
    }
    if (errors.size() > kListed) {
        list += "\n... and " + std::to_string(errors.size() - kListed) + " more.";
    }
    return refused("The checks find errors in the changed entries:\n" + list +
                   "\n\nCorrect them, then save.");
}

}  // namespace

ScriptModel::ScriptModel(templates::GameTemplate gameTemplate, editor::EntryTexts read,
                         std::vector<std::optional<std::uint64_t>> moving,
                         std::shared_ptr<const font::TemplateFont> font, QObject* parent)
    : QAbstractTableModel(parent),
      m_template(std::move(gameTemplate)),
      m_rooms(std::move(read.rooms)),
      m_moving(std::move(moving)),
      m_font(std::move(font)),
      m_read(std::move(read.texts)) {
    const std::size_t count = m_template.entries.size();
    m_read.resize(count);
    m_rooms.resize(count);
    m_moving.resize(count);
    m_originals.reserve(count);
    m_texts.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const auto shown = editor::shownText(m_template.entries[i], m_rooms[i], m_read[i]);
        m_texts.emplace_back(shown);
        m_originals.push_back(kit::fromUtf8View(shown));
    }
    m_translations = m_originals;
    m_saved = m_read;
    m_changed.assign(count, 0);
    m_checks = ScriptChecks(texts(m_template, m_font.get()));
    m_counts.all = static_cast<int>(count);
    showCounts();
}

qa::ScriptTexts ScriptModel::texts(const templates::GameTemplate& gameTemplate,
                                   const font::TemplateFont* font) const {
    return {&gameTemplate, m_read, m_texts, m_rooms, m_moving, font, m_glossary.get()};
}

void ScriptModel::setGlossary(std::shared_ptr<const qa::TermMatcher> glossary) {
    m_glossary = std::move(glossary);
    m_checks = ScriptChecks(texts(m_template, m_font.get()));
    showCounts();
    if (m_counts.all > 0) {
        emit dataChanged(index(0, 0), index(m_counts.all - 1, ColumnCount - 1));
    }
    emit countsChanged();
}

std::vector<std::size_t> ScriptModel::terms(int row) const {
    if (!m_glossary) {
        return {};
    }
    const auto r = static_cast<std::size_t>(row);
    return m_glossary->termsIn(qa::foldText(editor::shownText(m_template.entries[r], m_rooms[r], m_read[r])));
}

void ScriptModel::showCounts() {
    m_counts.untranslated = m_checks.untranslatedCount();
    m_counts.problems = m_checks.flaggedCount();
}

int ScriptModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_counts.all;
}

int ScriptModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

const templates::TemplateEntry& ScriptModel::entry(int row) const {
    return m_template.entries[static_cast<std::size_t>(row)];
}

QVariant ScriptModel::data(const QModelIndex& index, int role) const {
    const int row = index.row();
    if (!index.isValid() || row >= m_counts.all) {
        return {};
    }
    const auto r = static_cast<std::size_t>(row);
    switch (index.column()) {
        case Number:
            if (role == Qt::DisplayRole) {
                return entry(row).number;
            }
            if (m_checks.flagged(r)) {
                return problemMark(m_checks.problems(r), role);
            }
            if (entry(row).locked && (role == Qt::DecorationRole || role == Qt::ToolTipRole)) {
                return role == Qt::DecorationRole
                           ? QVariant(kit::lockIcon())
                           : QVariant(QString::fromStdString(templates::lockedRefusal(entry(row))));
            }
            return {};
        case Comment:
            return role == Qt::DisplayRole ? kit::labelText(kit::fromCodePage(entry(row).comment))
                                           : QVariant();
        case Original:
        case Translation: {
            const QString& text = index.column() == Original ? m_originals[r] : m_translations[r];
            if (role == Qt::DisplayRole) {
                return oneLine(text);
            }
            return role == Qt::EditRole || role == Qt::ToolTipRole ? QVariant(text) : QVariant();
        }
        case Room:
            if (role == Qt::DisplayRole || role == Qt::ForegroundRole) {
                const kit::RoomLeft left = roomLeft(row, m_translations[r]);
                if (role == Qt::DisplayRole) {
                    return left.text;
                }
                return left.over ? QVariant(QBrush(Qt::red)) : QVariant();
            }
            return {};
        default:
            return {};
    }
}

QVariant ScriptModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    const QString captions[] = {tr("#"), tr("Comment"), tr("Original"), tr("Translation"), tr("Room")};
    return section >= 0 && section < ColumnCount ? captions[section] : QString();
}

Qt::ItemFlags ScriptModel::flags(const QModelIndex& index) const {
    const Qt::ItemFlags base = QAbstractTableModel::flags(index);
    const bool editable =
        index.column() == Translation && index.row() < m_counts.all && !entry(index.row()).locked;
    return editable ? base | Qt::ItemIsEditable : base;
}

bool ScriptModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || index.column() != Translation || role != Qt::EditRole) {
        return false;
    }
    edit(index.row(), value.toString());
    return true;
}

bool ScriptModel::shows(int row, Filter filter) const {
    switch (filter) {
        case Filter::Changed:
            return m_changed[static_cast<std::size_t>(row)] != 0;
        case Filter::Untranslated:
            return m_checks.untranslated(static_cast<std::size_t>(row));
        case Filter::Problems:
            return m_checks.flagged(static_cast<std::size_t>(row));
        case Filter::All:
            break;
    }
    return true;
}

kit::RoomLeft ScriptModel::roomLeft(int row, const QString& text) const {
    const auto r = static_cast<std::size_t>(row);
    // Nothing stops a longer text here, so a room of characters says how far it is over too.
    kit::RoomLeft left = kit::entryRoomLeft(entry(row), m_rooms[r], m_moving[r], text, true);
    if (const auto metrics = this->metrics(row)) {
        const int pixels =
            metrics->box->width - font::widestLine(font::layoutText(*metrics, measured(row, text))).width;
        left.text = withPixels(left.text, pixels);
        left.over = left.over || pixels < 0;
    }
    return left;
}

QStringList ScriptModel::roomLeftTexts(int row) const {
    const auto r = static_cast<std::size_t>(row);
    QStringList texts = kit::roomLeftTexts(entry(row), m_rooms[r], m_moving[r], true);
    if (const auto metrics = this->metrics(row)) {
        QStringList measured;
        for (const QString& text : texts.isEmpty() ? QStringList{QString()} : texts) {
            measured << withPixels(text, metrics->box->width) << withPixels(text, -kWidestPixelsOver);
        }
        texts = measured;
    }
    return texts;
}

std::u32string ScriptModel::unsaveable(int row, const QString& text) const {
    return editor::unsaveableCharacters(entry(row), text.toStdString());
}

std::optional<font::EntryMetrics> ScriptModel::metrics(int row) const {
    return m_font ? m_font->metricsOf(entry(row)) : std::nullopt;
}

std::string ScriptModel::measured(int row, const QString& text) const {
    return std::string(
        editor::shownText(entry(row), m_rooms[static_cast<std::size_t>(row)], text.toStdString()));
}

void ScriptModel::edit(int row, const QString& text) {
    if (row >= 0 && row < m_counts.all && text != m_translations[static_cast<std::size_t>(row)]) {
        push(tr("Typing"), {{row, m_translations[static_cast<std::size_t>(row)], text}}, true);
    }
}

int ScriptModel::push(const QString& what, std::vector<Change> changes, bool typing) {
    constexpr std::size_t kListed = 10;
    QStringList refusals;
    std::size_t locked = 0;
    std::erase_if(changes, [&](const Change& change) {
        const templates::TemplateEntry& entry = this->entry(change.row);
        if (entry.locked && locked++ < kListed) {
            refusals << QString::fromStdString(templates::lockedRefusal(entry));
        }
        return entry.locked;
    });
    if (locked > kListed) {
        refusals << tr("... and %1 more.").arg(locked - kListed);
    }
    const auto pushed = static_cast<int>(changes.size());
    if (!changes.empty()) {
        m_undo.push(new TranslationChange(this, what, std::move(changes), typing));
    }
    if (!refusals.isEmpty()) {
        emit refused(refusals.join(QLatin1Char('\n')));
    }
    return pushed;
}

int ScriptModel::replaceAll(std::span<const int> rows, const FindPattern& pattern, const QString& with) {
    std::vector<Change> changes;
    for (const int row : rows) {
        const QString& before = m_translations[static_cast<std::size_t>(row)];
        QString after = pattern.replaced(before, with);
        if (after != before) {
            changes.push_back({row, before, std::move(after)});
        }
    }
    return push(tr("Replace all"), std::move(changes));
}

int ScriptModel::identicalOriginals(int row) const {
    const auto same = m_checks.sameOriginal(static_cast<std::size_t>(row));
    return same.empty() ? 0 : static_cast<int>(same.size()) - 1;
}

void ScriptModel::applyToIdentical(int row) {
    const QString& text = m_translations[static_cast<std::size_t>(row)];
    std::vector<Change> changes;
    for (const std::size_t other : m_checks.sameOriginal(static_cast<std::size_t>(row))) {
        if (m_translations[other] != text) {
            changes.push_back({static_cast<int>(other), m_translations[other], text});
        }
    }
    push(tr("Apply to identical originals"), std::move(changes));
}

void ScriptModel::replaceText(int row, const QString& text, const QString& what) {
    if (text != m_translations[static_cast<std::size_t>(row)]) {
        push(what, {{row, m_translations[static_cast<std::size_t>(row)], text}});
    }
}

void ScriptModel::apply(const std::vector<Change>& changes, bool undoing, bool typed) {
    if (changes.empty()) {
        return;
    }
    int first = changes.front().row;
    int last = first;
    std::vector<std::size_t> rows;
    rows.reserve(changes.size());
    for (const Change& change : changes) {
        setTranslation(change.row, undoing ? change.before : change.after);
        first = std::min(first, change.row);
        last = std::max(last, change.row);
        rows.push_back(static_cast<std::size_t>(change.row));
    }
    m_checks.recheck(texts(m_template, m_font.get()), rows, typed);
    showCounts();
    emit dataChanged(index(first, 0), index(last, ColumnCount - 1));
    emit countsChanged();
}

void ScriptModel::checkPending() {
    if (const auto range = m_checks.checkPending(texts(m_template, m_font.get()))) {
        showCounts();
        emit dataChanged(index(static_cast<int>(range->first), Number),
                         index(static_cast<int>(range->second), Number));
        emit countsChanged();
    }
}

bool ScriptModel::changed(int row) const {
    const auto r = static_cast<std::size_t>(row);
    return editor::entryChanged(entry(row), m_rooms[r], m_saved[r], m_texts[r]);
}

void ScriptModel::setTranslation(int row, const QString& text) {
    const auto r = static_cast<std::size_t>(row);
    m_translations[r] = text;
    m_texts[r] = text.toStdString();
    const char nowChanged = changed(row) ? 1 : 0;
    m_counts.changed += nowChanged - m_changed[r];
    m_changed[r] = nowChanged;
}

Result<ScriptModel::Saved> ScriptModel::save(const templates::GameTemplate& gameTemplate,
                                             const std::string& gameFile) {
    const auto edits = editor::changedEntries(gameTemplate, m_saved, m_texts, m_rooms);
    if (edits.empty()) {
        return Saved{};
    }
    if (gameTemplate.entries.size() == m_read.size()) {  // otherwise the save names the count it now has
        std::vector<std::size_t> rows;
        for (const auto& edit : edits) {
            rows.push_back(edit.index);
        }
        // The font as the template reads now; one that cannot be read was told when the window opened.
        const auto font = font::TemplateFont::read(gameTemplate, gameFile);
        const font::TemplateFont* measuring = font ? font->get() : nullptr;
        if (const auto errors = saveErrors(texts(gameTemplate, measuring), rows); !errors.empty()) {
            return refusedFor(errors);
        }
    }
    if (auto written = editor::writeEntryTexts(gameTemplate, gameFile, m_saved.size(), edits, m_rooms);
        !written) {
        return written.failure();
    }
    for (const auto& edit : edits) {
        m_saved[edit.index] = edit.text;
        m_counts.changed -= m_changed[edit.index];
        m_changed[edit.index] = 0;
    }
    Saved saved;
    saved.written = edits.size();
    const std::vector<editor::EntryRoom> before = m_rooms;
    if (editor::followMovedStrings(gameTemplate, gameFile, m_rooms, m_moving)) {
        m_checks = ScriptChecks(
            texts(m_template, m_font.get()));  // rooms and free space are new: too long is measured anew
        showCounts();
        saved.moved = static_cast<std::size_t>(std::ranges::count_if(edits, [&](const auto& edit) {
            return m_rooms[edit.index].offset != before[edit.index].offset;
        }));
    }
    if (!gameTemplate.freeSpace.ranges.empty()) {
        if (const auto space = editor::freeSpaceIn(gameTemplate, m_rooms, gameFile)) {
            saved.freeLeft = space->total();
        }
    }
    if (m_counts.all > 0) {
        emit dataChanged(index(0, Room), index(m_counts.all - 1, Room));
    }
    emit countsChanged();
    return saved;
}

}  // namespace rq::script
