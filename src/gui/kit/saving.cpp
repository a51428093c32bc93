#include "saving.h"

#include <QApplication>
#include <QLocale>
#include <QObject>
#include <QPointer>
#include <QPushButton>

#include "files/readwritetext.h"
#include "kit/qtcodepage.h"
#include "templates/gametemplate.h"

namespace rq::kit {

Message templateRefusal(const Error& error, std::string_view consequence) {
    // Core messages are UTF-8, their code-page values converted already.
    if (error.kind == ErrorKind::OldAlphabet) {
        // Not the end of the program: that would lose the edits of every other window.
        return {QString::fromStdString(templates::oldAlphabetMessage(error.subject, consequence)),
                Dialogs::Icon::Critical};
    }
    return {QString::fromStdString(error.message), Dialogs::Icon::Exclamation};
}

Message fontProblem(const Error& error) {
    return Message{
        QObject::tr("%1\n\nThe texts are not measured in pixels: their boxes are neither drawn nor "
                    "checked.")
            .arg(QString::fromStdString(error.message)),
        Dialogs::Icon::Exclamation};
}

std::optional<Message> readProblem(bool readFailed, bool tooMuchText) {
    if (readFailed) {
        return Message{QString::fromLatin1(files::kRomNotFound.data(), files::kRomNotFound.size()),
                       Dialogs::Icon::Critical};
    }
    if (tooMuchText) {
        return Message{QObject::tr("The texts come to more than %1 MiB: the entries past that show nothing "
                                   "and cannot be saved.")
                           .arg(templates::kDecodedTextLimit >> 20),
                       Dialogs::Icon::Exclamation};
    }
    return std::nullopt;
}

Message saveRefusal(const Error& error) {
    return {QString::fromStdString(error.message), saveErrorIcon(error)};
}

Message writingComplete(const QString& more) {
    const QString done = QObject::tr("Writing complete!");
    return {more.isEmpty() ? done : done + QLatin1Char(' ') + more, Dialogs::Icon::Information};
}

QString grouped(std::uint64_t number) {
    return QLocale(QLocale::English).toString(static_cast<qulonglong>(number));
}

bool runSave(Dialogs& dialogs, QWidget* window, QPushButton* button, const QString& busy,
             const std::function<SaveEnd()>& save) {
    const QPointer<QWidget> focused = QApplication::focusWidget();
    const QString caption = button->text();
    button->setEnabled(false);
    button->setText(busy);
    const SaveEnd end = save();
    button->setEnabled(true);
    button->setText(caption);
    if (focused) {
        focused->setFocus(Qt::OtherFocusReason);
    }
    dialogs.inform(window, appTitle(), end.message.text, end.message.icon);
    return end.written;
}

bool runTemplateSave(Dialogs& dialogs, QWidget* window, QPushButton* button, const QString& templatePath,
                     const std::function<Result<Message>(const templates::GameTemplate&)>& save) {
    return runSave(dialogs, window, button, QObject::tr("Saving data..."), [&]() -> SaveEnd {
        const auto gameTemplate = templates::readGameTemplate(toPath(templatePath));
        if (!gameTemplate) {
            return {templateRefusal(gameTemplate.failure(), "stopping the save")};
        }
        auto saved = save(*gameTemplate);
        if (!saved) {
            return {saveRefusal(saved.failure())};
        }
        return {std::move(saved).value(), true};
    });
}

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
