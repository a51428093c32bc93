#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <string>

class QLabel;
class QListWidget;
class QPushButton;

namespace rq {

class Dialogs;
class LoaderWindow;

// Lists the templates folder, shows the details of a selected template once its version passes, and forces
// the double-clicked file onto the launcher.
class TemplateChooser : public QWidget {
    Q_OBJECT
  public:
    explicit TemplateChooser(LoaderWindow& launcher);

  private:
    void buildControls();
    void Form_Load();
    void templates_Click();
    void templates_DblClick();
    void cancel_Click();

    [[nodiscard]] QString templatePath(const QString& name) const;
    void showDetail(QLabel* label, const std::string& value);

    Dialogs& m_dialogs;
    QPointer<LoaderWindow> m_launcher;
    // GameNameValue's caption as stored (an ampersand doubled), which the launcher takes as the game's name.
    QString m_gameName;

    QListWidget* m_templates = nullptr;
    QLabel* m_gameNameValue = nullptr;
    QLabel* m_authorNameValue = nullptr;
    QLabel* m_versionValue = nullptr;
    QLabel* m_creationDateValue = nullptr;
    QLabel* m_notesInfoValue = nullptr;
    QPushButton* m_cancel = nullptr;
};

// The template chooser, opened by the launcher's "Force load a template".
[[nodiscard]] QWidget* createTemplateChooser(LoaderWindow& launcher);

}  // namespace rq
