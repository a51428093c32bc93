#pragma once

#include <QRegularExpression>
#include <QString>

namespace rq::script {

// What a search and replace looks for in a translation: a plain text or a regular expression (Unicode
// aware), with or without case. Matches do not overlap, counted as the replace takes them.
class FindPattern {
  public:
    FindPattern() = default;  // looks for nothing
    FindPattern(const QString& find, bool regex, bool matchCase);

    // Something to look for, and no error in it.
    [[nodiscard]] bool usable() const { return !m_find.isEmpty() && m_error.isEmpty(); }
    // A regular expression's error, as the user reads it; empty for a sound one.
    [[nodiscard]] const QString& error() const { return m_error; }

    [[nodiscard]] int count(const QString& text) const;
    // The text with every match replaced; a regular expression's replacement may name its groups (\1).
    [[nodiscard]] QString replaced(QString text, const QString& with) const;

  private:
    QString m_find;
    QRegularExpression m_expression;
    QString m_error;
};

}  // namespace rq::script
