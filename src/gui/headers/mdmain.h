#pragma once

#include "headers/headerwindow.h"

namespace rq::headers {

// The Mega Drive ROM header editor: the thirteen text fields of a .bin file's header, the separator of the
// product number shown framed and named when it is not "-", and the checksum word.
class MdHeaderWindow : public HeaderWindow {
    Q_OBJECT
  public:
    explicit MdHeaderWindow(kit::LauncherContextPtr context);

    void about_Click();

  protected:
    [[nodiscard]] QString loadedCaption() const override;
    void loaded() override;

  private:
    QLabel* m_separator = nullptr;  // the fixed "-", which dash takes the place of
    QLabel* m_dashNote = nullptr;   // says what the separator holds, beside the product number
};

// Opened by the launcher's File menu, "Megadrive ROM Header Editor".
[[nodiscard]] QWidget* createMdHeaderWindow(const kit::LauncherContextPtr& context);

}  // namespace rq::headers
