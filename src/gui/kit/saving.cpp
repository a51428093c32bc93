#include "saving.h"

#include <QObject>

namespace rq::kit {

Dialogs::Icon saveErrorIcon(const Error& error) {
    return error.kind == ErrorKind::Failure ? Dialogs::Icon::Critical : Dialogs::Icon::Exclamation;
}

bool mayClose(Dialogs& dialogs, QWidget* window, bool edited, const std::function<bool()>& save,
              const QString& title, const QString& doing) {
    if (!edited) {
        return true;
    }
    const auto answer = dialogs.message(
        window, title,
        QObject::tr("Some texts have been edited but not saved. Save them to the file before %1?").arg(doing),
        Dialogs::Icon::Exclamation, Dialogs::Buttons::YesNoCancel);
    return answer == Dialogs::Answer::No || (answer == Dialogs::Answer::Yes && save());
}

QString editedTitle(const QString& title, bool edited) {
    return edited ? QLatin1Char('*') + title : title;
}

}  // namespace rq::kit
