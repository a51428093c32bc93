#include "scripted_dialogs.h"

namespace rq::test {

using namespace rq::kit;

namespace {
const char* const kIcons[] = {"None", "Information", "Exclamation", "Critical", "Question"};
}  // namespace

QString shown(Dialogs::Icon icon, const QString& text, Dialogs::Buttons buttons, const QString& title) {
    static const char* const buttonSets[] = {"Ok", "YesNo", "YesNoCancel"};
    return QStringLiteral("%1 [%2, %3] %4")
        .arg(title, QLatin1String(kIcons[static_cast<int>(icon)]),
             QLatin1String(buttonSets[static_cast<int>(buttons)]), text);
}

QString offered(Dialogs::Icon icon, const QString& text, const QString& action, const QString& title) {
    return QStringLiteral("%1 [%2, %3|Cancel] %4")
        .arg(title, QLatin1String(kIcons[static_cast<int>(icon)]), action, text);
}

}  // namespace rq::test
