#pragma once

#include <QSortFilterProxyModel>
#include <vector>

#include "script/findpattern.h"
#include "script/scriptmodel.h"

namespace rq::script {

// The rows a script window shows: those of a filter that hold the search text in their original or their
// translation (any case). Rows stay while they are edited, even out of the filter, until the filter or the
// search changes: a row typed in does not vanish under the cursor. It also counts what the replace's
// pattern finds in the translations of the rows shown, following each edit at the cost of the rows it
// touched.
class ScriptFilter : public QSortFilterProxyModel {
    Q_OBJECT
  public:
    explicit ScriptFilter(ScriptModel* model, QObject* parent = nullptr);

    void setFilter(ScriptModel::Filter filter);
    void setSearch(const QString& text);
    // The model's rows shown, in order.
    [[nodiscard]] std::vector<int> shownRows() const;

    void setPattern(FindPattern pattern);
    [[nodiscard]] const FindPattern& pattern() const { return m_pattern; }
    [[nodiscard]] int matches() const { return m_matches; }
    [[nodiscard]] int matchingEntries() const { return m_matchingEntries; }
    // The rows shown in which the pattern finds something.
    [[nodiscard]] std::vector<int> matchingRows() const;

  signals:
    void matchesChanged();

  protected:
    [[nodiscard]] bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

  private:
    void refilter();
    void recount(int first, int last);
    void sumShown();

    ScriptModel* m_model;
    ScriptModel::Filter m_filter = ScriptModel::Filter::All;
    QString m_search;
    FindPattern m_pattern;
    std::vector<int> m_counts;  // what the pattern finds in each row's translation
    int m_matches = 0;
    int m_matchingEntries = 0;
};

}  // namespace rq::script
