#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <string>

#include "kit/launchercontext.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace rq::templates {

// Lists the templates folder, shows the details of a selected template once its version passes, and forces
// the double-clicked file onto the launcher.
class TemplateChooser : public QWidget {
    Q_OBJECT
  public:
    explicit TemplateChooser(kit::LauncherContextPtr context);

  private:
    void buildControls();
    void Form_Load();
    void templates_Click();
    void templates_DblClick();
    void cancel_Click();

    [[nodiscard]] QString templatePath(const QString& name) const;
    void showDetail(QLabel* label, const std::string& value);

    kit::LauncherContextPtr m_context;
    // GameNameValue's caption as stored (code page, an ampersand doubled): the launcher takes it as the name.
    std::string m_gameName;

    QListWidget* m_templates = nullptr;
    QLabel* m_gameNameValue = nullptr;
    QLabel* m_authorNameValue = nullptr;
    QLabel* m_versionValue = nullptr;
    QLabel* m_creationDateValue = nullptr;
    QLabel* m_notesInfoValue = nullptr;
    QPushButton* m_cancel = nullptr;
};

// The template chooser, opened by the launcher's "Force load a template".
[[nodiscard]] QWidget* createTemplateChooser(const kit::LauncherContextPtr& context);

}  // namespace rq::templates
