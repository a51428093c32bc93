#include "about.h"

#include <QFrame>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <utility>

#include "kit/appicon.h"
#include "kit/windowtools.h"

namespace rq::about {
namespace {

const QString kTitle = kit::appTitle();

const QString kDescription = QStringLiteral(
    "<p>Romquill is a game text editor for ROM images and PC executable files. Every game it knows is "
    "described by a template, so supporting another game takes a new template, not a new program.</p>"
    "<p>Written by the Romquill developer. Greetings to two ROM hacking communities whose work paved the "
    "way, and to the whole fan community. Many thanks to two friends for their contributions.</p>"
    "<p>Updates and other utilities are on the author's web site; the readme tells the program's history "
    "and holds its notes.</p>"
    "<p align=\"right\">The Romquill developer</p>");

const QString kDisclaimer = QStringLiteral(
    "Warning: I take no responsibility for any damage WHATSOEVER that this program causes to your PC. Even "
    "though it shouldn't do. Because I'm that damn 1337. =P");

QLabel* addLabel(const QString& name, const QString& text, const QRect& place, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setGeometry(place);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

}  // namespace

AboutWindow::AboutWindow(kit::Dialogs& dialogs, about::RegistryReader registry)
    : m_dialogs(dialogs), m_registry(std::move(registry)) {
    setObjectName(QStringLiteral("about"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("About ") + kTitle);
    setWindowIcon(kit::appIcon());
    kit::makeFixedWindow(this, 7200, 4680);
    const QFont font = kit::designFont(QStringLiteral("MS Sans Serif"), QFont::SansSerif, 8.25);
    setFont(font);

    auto* icon = addLabel(QStringLiteral("picIcon"), {}, kit::twipsRect(240, 240, 540, 540), this);
    icon->setPixmap(kit::appIcon().pixmap(32, 32));
    icon->setAlignment(Qt::AlignCenter);
    auto* title = addLabel(QStringLiteral("lblTitle"), QString::fromStdString(about::versionTitle()),
                           kit::twipsRect(1050, 240, 5910, 480), this);
    QFont large = font;
    large.setPointSizeF(12 * kit::layoutScale());
    large.setBold(true);
    title->setFont(large);
    title->setTextFormat(Qt::PlainText);
    auto* description =
        addLabel(QStringLiteral("lblDescription"), kDescription, kit::twipsRect(1050, 840, 5910, 2520), this);
    description->setTextFormat(Qt::RichText);

    auto* line = new QFrame(this);
    line->setObjectName(QStringLiteral("Line1"));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);  // a grey line with a white one just below it
    line->setGeometry(kit::twipsRect(120, 3480, 6960, 30));

    addLabel(QStringLiteral("lblDisclaimer"), kDisclaimer, kit::twipsRect(240, 3660, 5280, 1020), this)
        ->setTextFormat(Qt::PlainText);
    auto* ok = kit::addButton(QStringLiteral("cmdOK"), tr("OK"), kit::twipsRect(5700, 3660, 1260, 345), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &AboutWindow::cmdOK_Click);
    connect(kit::addButton(QStringLiteral("cmdSysInfo"), tr("&System Info..."),
                           kit::twipsRect(5700, 4125, 1260, 345), this),
            &QPushButton::clicked, this, &AboutWindow::cmdSysInfo_Click);
}

void AboutWindow::cmdOK_Click() {
    close();
}

void AboutWindow::cmdSysInfo_Click() {
    const auto program = about::findSysInfo(m_registry);
    if (program && QProcess::startDetached(QString::fromStdString(*program), {})) {
        return;
    }
    m_dialogs.inform(this, kTitle,
                     QString::fromUtf8(about::kSysInfoUnavailable.data(), about::kSysInfoUnavailable.size()),
                     kit::Dialogs::Icon::None);
}

QWidget* createAboutWindow(const kit::LauncherContextPtr& context) {
    return new AboutWindow(context->dialogs);
}

}  // namespace rq::about
