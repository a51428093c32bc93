#pragma once

#include <QDialog>

#include "about/aboutinfo.h"
#include "kit/dialogs.h"
#include "kit/launchercontext.h"

class QPushButton;

namespace rq::about {

// The about window: the program's title and version, what it is, a disclaimer, and a button that starts the
// system's information tool. Modeless; OK, Enter and Escape close it.
class AboutWindow : public QDialog {
    Q_OBJECT
  public:
    // The registry is the system's unless a test gives its own.
    explicit AboutWindow(kit::Dialogs& dialogs, about::RegistryReader registry = about::readRegistryValue);

    void cmdOK_Click();
    void cmdSysInfo_Click();

  private:
    kit::Dialogs& m_dialogs;
    about::RegistryReader m_registry;
};

// The about window, opened by the launcher's Help, "About...".
[[nodiscard]] QWidget* createAboutWindow(const kit::LauncherContextPtr& context);

}  // namespace rq::about
