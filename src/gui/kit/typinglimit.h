#pragma once

#include <QSet>
#include <QString>
#include <QValidator>

class QLineEdit;

namespace rq {

// A text box's character limit for typing only. QLineEdit's maxLength would also cut the text the program
// puts in (a Load value of several characters can make a box hold more than its limit), so the limit is
// kept here instead: an edit that makes the text longer than the limit and longer than it was is cut to fit,
// the way a pasted text is cut, or refused when nothing of it fits. Texts the box has held pass as they are,
// so undo and redo keep working. It installs itself in the box; make it after the program's text is in.
class TypingLimit : public QValidator {
  public:
    TypingLimit(int limit, QLineEdit* box);

    State validate(QString& input, int& pos) const override;

  private:
    void held(const QString& text);

    int m_limit;
    QString m_current;
    QSet<QString> m_heldOverLimit;  // only texts longer than the limit need remembering
};

}  // namespace rq
