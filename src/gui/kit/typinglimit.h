#pragma once

#include <QSet>
#include <QString>
#include <QValidator>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class QLabel;
class QLineEdit;
class QWidget;

namespace rq::kit {

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

// The room left in a box of this limit, counted as TypingLimit counts: "3 left", or "full".
[[nodiscard]] QString roomLeftText(int limit, const QString& text);

// The tooltip of a box holding characters a save would refuse: which, and why ("not in the alphabet file
// x.ini", say).
[[nodiscard]] QString unsaveableToolTip(const std::u32string& characters, const QString& where);

// What a room's counter shows of a text, and whether the text is over the room (the counter goes red).
struct RoomLeft {
    QString text;
    bool over = false;
};
using RoomCounter = std::function<RoomLeft(const QString&)>;
// A room of limit characters: roomLeftText, never over (the box's TypingLimit keeps it in); with overShown,
// where nothing keeps it in, a longer text shows "3 over" and goes red.
[[nodiscard]] RoomCounter characterCounter(int limit, bool overShown = false);
// A text that outgrows its room can move: the room's size in bytes, and the largest free block it may go to.
struct MoveRoom {
    long room = 0;
    std::uint64_t largestFree = 0;
};
// A room in bytes, given the bytes a text leaves (negative: over; nothing: not known): "5 bytes left",
// "full", "3 bytes over" or "?". A room the text can leave (move gives its largest free block) is never full:
// "7 bytes left here; 96 free elsewhere" while the text fits, "moves: 96 bytes free" once it is over, red
// when the largest free block is too small for it.
[[nodiscard]] RoomCounter byteCounter(std::function<std::optional<long>(const QString&)> bytesLeft,
                                      std::function<std::optional<MoveRoom>()> move = {});

// A room's counter as it shows a count: red when over.
void showRoomLeft(QLabel* counter, const RoomLeft& left);

// The mark of a text box holding characters a save would refuse (characters, none: no mark): a red frame
// and unsaveableToolTip.
void markUnsaveable(QWidget* box, const std::u32string& characters, const QString& where);

// What an editor shows of a text box as it is typed in: the room left in counter, and while unsaveable
// (which gives the characters of a text that cannot be saved) finds any, a red frame and a tooltip naming
// them. The box's own limit and the save's rules stay as they are.
// Gives what shows it again, for when the room changes under the same text.
std::function<void()> watchTextBox(QLineEdit* box, QLabel* counter, RoomCounter count,
                                   std::function<std::u32string(const QString&)> unsaveable,
                                   const QString& where);

// watchTextBox for a box saved one code-page byte a character: what has no byte there is marked.
void watchCodePageBox(QLineEdit* box, QLabel* counter = nullptr, RoomCounter count = {});

}  // namespace rq::kit
