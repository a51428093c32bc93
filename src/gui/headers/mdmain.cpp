#include "mdmain.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "kit/windowtools.h"

namespace rq::headers {
namespace {

constexpr HeaderWindow::Twips kSeparator = {1800, 1515, 360, 315};

constexpr HeaderWindow::BoxPlace kBoxes[] = {
    {"consolename", {120, 300, 1920, 315}},
    {"copyrightcompany", {2160, 300, 600, 315}},
    {"year", {2880, 300, 600, 315}},
    {"month", {3600, 300, 480, 315}},
    {"domesticname", {120, 705, 5880, 315}},
    {"overseasname", {120, 1110, 5880, 315}},
    {"typeofproduct", {120, 1515, 360, 315}},
    {"productcode", {600, 1515, 1080, 315}},
    {"dash", kSeparator},
    {"versionnumber", {2280, 1515, 360, 315}},
    {"iosupport", {120, 1920, 2040, 315}},
    {"modem", {120, 2325, 1560, 315}},
    {"memo", {120, 2730, 4920, 315}},
    {"region", {120, 3135, 480, 315}},
};

// What the note beside another separator says of it.
QString dashNote(const QString& separator) {
    return separator.isEmpty() ? QObject::tr("Separator: a zero byte, not \"-\"")
                               : QObject::tr("Separator: \"%1\", not \"-\"").arg(separator);
}

}  // namespace

MdHeaderWindow::MdHeaderWindow(kit::LauncherContextPtr context)
    : HeaderWindow(std::move(context),
                   {
                       .kind = headers::Kind::MegaDrive,
                       .name = "mdmain",
                       .title = "Romquill - Megadrive ROM Header Editor",
                       .filter = "Sega Megadrive ROMs (*.BIN)|*.BIN",
                       .wrongKind = "This is not a Megadrive ROM. Please select a Megadrive ROM image.",
                       .width = 7920,
                       .height = 4665,
                       .path = {120, 120, 6120, 255},
                       .frame = {120, 480, 7680, 3615},
                       .load = {6120, 270, 1440, 375},
                       .save = {6120, 3105, 1440, 375},
                       .checksum = {120, 4215, 6000, 255},
                       .fix = {6360, 4170, 1440, 375},
                       .boxes = kBoxes,
                   }) {
    QPushButton* about = addButton("about", tr("About..."), {6360, 60, 1440, 375}, this);
    connect(about, &QPushButton::clicked, this, &MdHeaderWindow::about_Click);
    // The fixed separator, which dash covers when the file holds another.
    m_separator = new QLabel(QStringLiteral("-"), frame());
    m_separator->setObjectName(QStringLiteral("Label1"));
    m_separator->setAlignment(Qt::AlignCenter);
    place(m_separator, kSeparator);
    // Another separator is marked by a frame and named in words beside the version, in the palette's own
    // colours, so that it reads on a light palette and a dark one alike, and a space shows too.
    QLineEdit* dash = box("dash");
    dash->setStyleSheet(QStringLiteral("QLineEdit { border: 2px solid palette(window-text); }"));
    dash->raise();
    dash->hide();
    m_dashNote = new QLabel(frame());
    m_dashNote->setObjectName(QStringLiteral("dash_note"));
    m_dashNote->setTextFormat(Qt::PlainText);
    m_dashNote->hide();
    place(m_dashNote, {2760, kSeparator.top + 30, 3240, 255}, [this] {
        return kit::textNeed(m_dashNote, {dashNote(QString()), dashNote(QStringLiteral("W"))});
    });

    orderTabs({about, box("consolename"), box("copyrightcompany"), box("year"), box("month"),
               findChild<QPushButton*>(QStringLiteral("load")), box("domesticname"), box("overseasname"),
               box("typeofproduct"), box("productcode"), box("versionnumber"), box("iosupport"), box("modem"),
               box("memo"), box("region"), findChild<QPushButton*>(QStringLiteral("save")),
               findChild<QPushButton*>(QStringLiteral("fixchecksum"))});
    layOut();
}

QString MdHeaderWindow::loadedCaption() const {
    return title() + QStringLiteral(" - ") + fieldText("domesticname");
}

void MdHeaderWindow::loaded() {
    QLineEdit* dash = box("dash");
    const bool odd = dash->text() != QStringLiteral("-");
    if (odd) {
        dialogs().inform(this, title(),
                         tr("This ROM does not match Sega's specified format for the product number. Adding "
                            "extra text field."),
                         kit::Dialogs::Icon::Exclamation);
    }
    dash->setVisible(odd);
    m_separator->setVisible(!odd);  // covered by dash, it would only lie under it
    m_dashNote->setText(dashNote(dash->text()));
    m_dashNote->setVisible(odd);
}

void MdHeaderWindow::about_Click() {
    dialogs().inform(
        this, title(),
        tr("Romquill Megadrive ROM Header Editor, version 1.12, written by the author of Romquill in 2004. "
           "Thanks to the two friends who helped along the way, and greetings to the two ROM hacking "
           "communities it grew up with. This is the earlier stand-alone version 1.11, brought into "
           "Romquill; apart from any bugs still to be found, it is considered complete."));
}

QWidget* createMdHeaderWindow(const kit::LauncherContextPtr& context) {
    return new MdHeaderWindow(context);
}

}  // namespace rq::headers
