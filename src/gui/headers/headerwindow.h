#pragma once

#include <QRect>
#include <QWidget>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "headers/headerfields.h"
#include "kit/dialogs.h"
#include "kit/growinglayout.h"
#include "kit/launchercontext.h"
#include "kit/windowtools.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace rq::headers {

// What the two header editors share: the path label, the frame with a text box for each of the core's
// fields, loading through the file-open dialog, saving the edited fields, and the checksum line with its fix.
// Each editor keeps a path of its own and never reads or changes the launcher's state.
class HeaderWindow : public QWidget {
    Q_OBJECT
  public:
    // A control's place in twips, from the window, or from the frame for what the frame holds.
    using Twips = kit::TwipsPlace;
    struct BoxPlace {
        std::string_view control;
        Twips place;
    };
    struct Layout {
        headers::Kind kind;
        const char* name;       // the window's object name
        const char* title;      // titles every message of the window, and begins its caption
        const char* filter;     // of the file-open dialog
        const char* wrongKind;  // a file of another extension is refused with this
        int width, height;      // the client area
        Twips path, frame, load, save, checksum, fix;
        std::span<const BoxPlace> boxes;  // one a field of the core's table
    };

    void load_Click();
    // Shows its own messages; gives true when every edited field was written.
    bool save_Click();
    void fixchecksum_Click();

  protected:
    HeaderWindow(kit::LauncherContextPtr context, const Layout& layout);

    // The caption after a load, from the texts now shown.
    [[nodiscard]] virtual QString loadedCaption() const = 0;
    // After a load has shown its fields.
    virtual void loaded() {}

    [[nodiscard]] QLineEdit* box(std::string_view control) const;
    [[nodiscard]] QString fieldText(std::string_view control) const;
    [[nodiscard]] QString title() const { return m_title; }
    [[nodiscard]] kit::Dialogs& dialogs() const { return m_dialogs; }
    [[nodiscard]] QGroupBox* frame() const { return m_frame; }
    // A button, or another control, at its design place in the window or in the frame (its parent).
    QPushButton* addButton(const char* name, const QString& caption, const Twips& place, QWidget* parent);
    void place(QWidget* control, const Twips& place, kit::Need need = {});
    // The design's places, grown where a text needs more room: once every control is in.
    void layOut();

    void closeEvent(QCloseEvent* event) override;

    // Tab goes from control to control as the window shows them, from first to last.
    void orderTabs(std::initializer_list<QWidget*> chain);

  private:
    void showFields(const headers::HeaderTexts& read);
    void showChecksum(bool afterSave);
    [[nodiscard]] bool noRom();
    // The texts of the boxes that are written; the others are not given.
    [[nodiscard]] std::vector<std::optional<std::string>> boxTexts() const;
    [[nodiscard]] bool anyEdited() const;

    kit::GrowingLayout m_layout;
    kit::GrowingLayout m_frameLayout;  // from the frame's top-left corner
    kit::LauncherContextPtr m_context;
    kit::Dialogs& m_dialogs;
    const headers::Kind m_kind;
    const QString m_title;
    const QString m_filter;
    const QString m_wrongKind;
    std::string m_romPath;  // the loaded ROM path; empty before an accepted load
    bool m_checksumRight = false;

    kit::PathLabel* m_path = nullptr;
    QGroupBox* m_frame = nullptr;
    QLabel* m_checksum = nullptr;
    std::vector<QLineEdit*> m_boxes;  // in the core table's order
    // As read or last saved, padding and all: what closing without a question keeps.
    std::vector<std::string> m_savedTexts;
};

}  // namespace rq::headers
