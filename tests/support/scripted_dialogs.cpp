#include "scripted_dialogs.h"

namespace rq::test {

using namespace rq::kit;

QString shown(Dialogs::Icon icon, const QString& text, Dialogs::Buttons buttons, const QString& title) {
    static const char* const icons[] = {"None", "Information", "Exclamation", "Critical"};
    static const char* const buttonSets[] = {"Ok", "YesNo", "YesNoCancel"};
    return QStringLiteral("%1 [%2, %3] %4")
        .arg(title, QLatin1String(icons[static_cast<int>(icon)]),
             QLatin1String(buttonSets[static_cast<int>(buttons)]), text);
}

}  // namespace rq::test
