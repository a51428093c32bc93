#pragma once

#include "headers/headerwindow.h"

namespace rq::headers {

// The GBA ROM header editor: the title, short name, region and maker code of a .gba file, the device type
// and version shown locked, the maker-code list and the checksum byte.
class GbaHeaderWindow : public HeaderWindow {
    Q_OBJECT
  public:
    explicit GbaHeaderWindow(kit::LauncherContextPtr context);

    void about_Click();
    // The maker codes, six boxes one after another.
    void makercodes_Click();

  protected:
    [[nodiscard]] QString loadedCaption() const override;
};

// Opened by the launcher's File menu, "GBA ROM Header Editor".
[[nodiscard]] QWidget* createGbaHeaderWindow(const kit::LauncherContextPtr& context);

}  // namespace rq::headers
