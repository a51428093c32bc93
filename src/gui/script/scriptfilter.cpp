#include "scriptfilter.h"

#include <utility>

namespace rq::script {

ScriptFilter::ScriptFilter(ScriptModel* model, QObject* parent)
    : QSortFilterProxyModel(parent), m_model(model), m_counts(static_cast<std::size_t>(model->rowCount())) {
    setDynamicSortFilter(false);
    setSourceModel(model);
    connect(model, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& first, const QModelIndex& last) {
                if (first.column() <= ScriptModel::Translation && last.column() >= ScriptModel::Translation) {
                    recount(first.row(), last.row());
                }
            });
}

void ScriptFilter::setFilter(ScriptModel::Filter filter) {
    m_filter = filter;
    refilter();
}

void ScriptFilter::setSearch(const QString& text) {
    if (text != m_search) {
        m_search = text;
        refilter();
    }
}

void ScriptFilter::refilter() {
    invalidateFilter();
    sumShown();
}

bool ScriptFilter::filterAcceptsRow(int sourceRow, const QModelIndex& /*sourceParent*/) const {
    return m_model->shows(sourceRow, m_filter) &&
           (m_search.isEmpty() || m_model->original(sourceRow).contains(m_search, Qt::CaseInsensitive) ||
            m_model->translation(sourceRow).contains(m_search, Qt::CaseInsensitive));
}

std::vector<int> ScriptFilter::shownRows() const {
    std::vector<int> rows;
    rows.reserve(static_cast<std::size_t>(rowCount()));
    for (int row = 0; row < rowCount(); ++row) {
        rows.push_back(mapToSource(index(row, 0)).row());
    }
    return rows;
}

std::vector<int> ScriptFilter::matchingRows() const {
    std::vector<int> rows = shownRows();
    std::erase_if(rows, [this](int row) { return m_counts[static_cast<std::size_t>(row)] == 0; });
    return rows;
}

void ScriptFilter::setPattern(FindPattern pattern) {
    m_pattern = std::move(pattern);
    for (int row = 0; row < m_model->rowCount(); ++row) {
        m_counts[static_cast<std::size_t>(row)] = m_pattern.count(m_model->translation(row));
    }
    sumShown();
}

void ScriptFilter::recount(int first, int last) {
    for (int row = first; row <= last; ++row) {
        int& count = m_counts[static_cast<std::size_t>(row)];
        const int now = m_pattern.count(m_model->translation(row));
        if (now != count && mapFromSource(m_model->index(row, 0)).isValid()) {
            m_matches += now - count;
            m_matchingEntries += static_cast<int>(now > 0) - static_cast<int>(count > 0);
        }
        count = now;
    }
    emit matchesChanged();
}

void ScriptFilter::sumShown() {
    m_matches = 0;
    m_matchingEntries = 0;
    for (const int row : shownRows()) {
        const int count = m_counts[static_cast<std::size_t>(row)];
        m_matches += count;
        m_matchingEntries += count > 0 ? 1 : 0;
    }
    emit matchesChanged();
}

}  // namespace rq::script
