#include "gbamain.h"

#include <QLineEdit>
#include <QPushButton>

#include "kit/qtcodepage.h"

namespace rq::headers {
namespace {

constexpr HeaderWindow::BoxPlace kBoxes[] = {
    {"romtitle", {120, 300, 1650, 315}},   {"shortname", {1890, 300, 495, 315}},
    {"region", {120, 735, 375, 315}},      {"maker", {615, 735, 495, 315}},
    {"devicetype", {1230, 735, 495, 315}}, {"version", {1845, 735, 495, 315}},
};

}  // namespace

GbaHeaderWindow::GbaHeaderWindow(kit::LauncherContextPtr context)
    : HeaderWindow(std::move(context),
                   {
                       .kind = headers::Kind::Gba,
                       .name = "gbamain",
                       .title = "Romquill - GBA ROM Header Editor",
                       .filter = "Nintendo GameBoy Advance ROMs (*.GBA)|*.GBA",
                       .wrongKind = "This is not a GBA ROM. Please select a GBA ROM image.",
                       .width = 6495,
                       .height = 2340,
                       .path = {120, 120, 6255, 255},
                       .frame = {120, 480, 4200, 1215},
                       .load = {2640, 270, 1440, 375},
                       .save = {2640, 705, 1440, 375},
                       .checksum = {120, 1800, 4200, 420},
                       .fix = {4440, 1815, 1935, 375},
                       .boxes = kBoxes,
                   }) {
    QPushButton* about = addButton("about", tr("About..."), {4440, 555, 1935, 375}, this);
    connect(about, &QPushButton::clicked, this, &GbaHeaderWindow::about_Click);
    QPushButton* makerCodes =
        addButton("makercodes", tr("Game Maker Codes..."), {4440, 1050, 1935, 375}, this);
    connect(makerCodes, &QPushButton::clicked, this, &GbaHeaderWindow::makercodes_Click);
    // The frame row by row, then the buttons beside it and below; the locked boxes are no tab stops.
    orderTabs({box("romtitle"), box("shortname"), findChild<QPushButton*>(QStringLiteral("load")),
               box("region"), box("maker"), findChild<QPushButton*>(QStringLiteral("save")), about,
               makerCodes, findChild<QPushButton*>(QStringLiteral("fixchecksum"))});
    layOut();
}

QString GbaHeaderWindow::loadedCaption() const {
    return title() + QStringLiteral(" - ") + fieldText("romtitle") + QStringLiteral(" (") +
           fieldText("shortname") + QStringLiteral(")");
}

void GbaHeaderWindow::about_Click() {
    dialogs().inform(
        this, title(),
        tr("Romquill GBA ROM Header Editor, version 1.01, written by the author of Romquill in 2004. Many "
           "thanks to the two friends whose help and testing made it possible, and greetings to the two "
           "ROM hacking communities it grew up with. Showing the maker codes in six message boxes one after "
           "another is clumsy; a later release will tidy that up."));
}

void GbaHeaderWindow::makercodes_Click() {
    for (const headers::MakerCodeBox& box : headers::makerCodeBoxes()) {
        QStringList lines;
        for (const std::string_view line : box.lines) {
            lines << kit::fromUtf8View(line);
        }
        dialogs().inform(this, kit::fromUtf8View(box.title), lines.join('\n'));
    }
}

QWidget* createGbaHeaderWindow(const kit::LauncherContextPtr& context) {
    return new GbaHeaderWindow(context);
}

}  // namespace rq::headers
