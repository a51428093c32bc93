#include "main_cutscenes.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QShortcut>
#include <algorithm>
#include <utility>

#include "cutscenes/cutscenelayout.h"
#include "files/codepage.h"
#include "files/readwritetext.h"
#include "kit/qtcodepage.h"
#include "kit/saving.h"
#include "kit/typinglimit.h"
#include "kit/windowtools.h"

namespace rq::cutscenes {
namespace {

using namespace cutscenelayout;
using cutscenes::Edition;
using cutscenes::Group;

const QString kTitle = kit::appTitle();
const QString kPlaceholder = QStringLiteral("Loading...");
const QString kSaveCaption = QStringLiteral("Save to EXE");

QString editionTitle(Edition edition) {
    switch (edition) {
        case Edition::E:
            return QStringLiteral("Romquill - Sonic Adventure DX (E)");
        case Edition::J:
            return QStringLiteral("Romquill - Sonic Adventure DX (J)");
        case Edition::None:
            break;
    }
    return QStringLiteral("Romquill - SA:DX PC Component");
}

QString boxName(const cutscenes::Room& room) {
    switch (room.group) {
        case Group::Sonic:
            return QStringLiteral("sonic_%1").arg(room.index);
        case Group::Tikal:
            return QStringLiteral("tikaltxt_%1").arg(room.index);
        case Group::PlayAs:
            break;
    }
    return QStringLiteral("playas%1").arg(room.index);
}

QGroupBox* addFrame(const QString& name, const QString& title, const QRect& place, QWidget* page) {
    auto* frame = new kit::CaptionFrame(title, page);
    frame->setObjectName(name);
    frame->setGeometry(place);
    return frame;
}

}  // namespace

CutscenesWindow* CutscenesWindow::open(const kit::LauncherContextPtr& context) {
    auto* window = new CutscenesWindow(context);
    // The edition, and so the place of every text, is decided anew each time the window opens.
    const auto read = cutscenes::readCutsceneTexts(window->m_filePath);
    window->showTexts(read);
    if (read.readFailed) {
        context->dialogs.inform(context->window, kTitle, kit::fromUtf8View(files::kRomNotFound),
                                kit::Dialogs::Icon::Critical);
    }
    context->cutscenesLoaded();
    return window;
}

CutscenesWindow::CutscenesWindow(kit::LauncherContextPtr context)
    : m_context(std::move(context)), m_dialogs(m_context->dialogs), m_filePath(m_context->state.loadedPath) {
    setObjectName(QStringLiteral("main_cutscenes"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(editionTitle(Edition::None));
    kit::makeFixedWindow(this, 9990, 7740);
    // The design's font, for which its boxes and tabs are sized.
    setFont(kit::designFont(QStringLiteral("MS Sans Serif"), QFont::SansSerif, 8.25));
    m_boxes.resize(cutscenes::rooms().size());
    m_counters.resize(cutscenes::rooms().size());
    m_boxRights.resize(cutscenes::rooms().size());
    connect(new QShortcut(QKeySequence::Save, this), &QShortcut::activated, this, &CutscenesWindow::saveAll);

    auto* tabs =
        new kit::OneRowTabs(QStringLiteral("main_cutscenes_tab"), kit::twipsRect(0, 0, 9975, 7695), this);
    for (const StoryTab& story : kStoryTabs) {
        tabs->addTab(new QWidget, QString::fromUtf8(story.caption));
    }
    const QRect page(QPoint(), tabs->pageArea().size());
    buildSonicTab(tabs->widget(0), page);
    for (int t = 1; t < kMiscTab; ++t) {
        auto* label = new QLabel(tr("Coming Soon"), tabs->widget(t));
        label->setObjectName(QString::fromUtf8(kStoryTabs[t].comingSoon));
        label->setAlignment(Qt::AlignCenter);
        QFont large = label->font();
        large.setPointSizeF(large.pointSizeF() * 2);
        label->setFont(large);
        label->setGeometry(page);
    }
    buildMiscTab(tabs->widget(kMiscTab));
    tabs->setCurrentIndex(kMiscTab);
}

void CutscenesWindow::buildSonicTab(QWidget* page, const QRect& area) {
    // The save button stands below sonic_tab, which takes the rest of the page.
    const int buttonHeight = kit::twips(405);
    const QRect button(area.center().x() - kit::twips(2775) / 2,
                       area.bottom() - kit::twips(60) - buttonHeight, kit::twips(2775), buttonHeight);
    auto* sonicTab = new kit::OneRowTabs(QStringLiteral("sonic_tab"),
                                         QRect(kit::twips(60), kit::twips(30), area.width() - kit::twips(120),
                                               button.top() - kit::twips(90) - kit::twips(30)),
                                         page);
    for (const char* caption : kSonicTabs) {
        sonicTab->addTab(new QWidget, QString::fromUtf8(caption));
    }
    std::vector<QGroupBox*> frames = {nullptr};  // by cutscene, from 1
    for (std::size_t f = 0; f < std::size(kCutsceneFrames); ++f) {
        const CutsceneFrame& c = kCutsceneFrames[f];
        frames.push_back(addFrame(QStringLiteral("sonic%1").arg(f + 1), QString::fromUtf8(c.title),
                                  kit::twipsRect(c.left, c.top, c.width, c.height), sonicTab->widget(c.tab)));
    }
    const auto rooms = cutscenes::rooms();
    for (std::size_t r = 0; r < rooms.size(); ++r) {
        if (rooms[r].group == Group::Sonic) {
            const auto cutscene = static_cast<std::size_t>(rooms[r].cutscene);
            addBox(r, frames[cutscene], kCutsceneFrames[cutscene - 1].width,
                   rooms[r].rightColumn ? kRightColumn : kLeftColumn);
        }
    }
    for (const Marker& marker : kMarkers) {
        const cutscenes::Room& room = rooms[marker.box];
        auto* label = new QLabel(m_boxes[marker.box]->parentWidget());
        label->setObjectName(QString::fromUtf8(marker.name));
        label->setGeometry(kit::twipsRect(m_boxRights.at(marker.box) + 60, room.top + 15, marker.width, 255));
        label->setAutoFillBackground(true);
        QPalette palette = label->palette();
        palette.setColor(QPalette::Window, QColor(marker.colour));
        label->setPalette(palette);
        label->setToolTip(tr(marker.toolTip));
    }
    auto* save =
        kit::addButton(QStringLiteral("sonic_write"), tr("Save Sonic's Text to the EXE"), button, page);
    connect(save, &QPushButton::clicked, this, &CutscenesWindow::sonic_write_Click);
}

void CutscenesWindow::buildMiscTab(QWidget* page) {
    const auto frameAt = [page](int column, int row, const char* name, const QString& title) {
        return addFrame(QString::fromUtf8(name), title,
                        kit::twipsRect(240 + column * (kMiscFrameWidth + kMiscFrameGap),
                                       kMiscFrameTop + row * (kMiscFrameHeight + kMiscFrameGap),
                                       kMiscFrameWidth, kMiscFrameHeight),
                        page);
    };
    QGroupBox* playAs = frameAt(0, 0, "Frame13", tr("Now You Can Play With..."));
    QGroupBox* tikal = frameAt(1, 0, "tikal", tr("Tikal Text"));
    QGroupBox* stones = frameAt(0, 1, "stones", tr("Keystones"));
    const auto rooms = cutscenes::rooms();
    for (std::size_t r = 0; r < rooms.size(); ++r) {
        if (rooms[r].group != Group::Sonic) {
            addBox(r, rooms[r].group == Group::Tikal ? tikal : playAs, kMiscFrameWidth, kMiscColumn);
        }
    }
    // The game's keystone texts have no known place in the executable.
    const QString notSupported = tr("Keystone texts are not supported yet.");
    for (int s = 0; s < kKeystones; ++s) {
        auto* box = new QLineEdit(kPlaceholder, stones);
        box->setObjectName(QStringLiteral("stonetxt_%1").arg(s));
        box->setGeometry(kit::twipsRect(kMiscColumn, 240 + 360 * s, kBoxWidth, kBoxHeight));
        box->setEnabled(false);
        box->setToolTip(notSupported);
    }

    const QRect left = kit::twipsRect(120, 2400, 1095, 375);
    const QRect right = kit::twipsRect(1800, 2400, 1095, 375);
    QPushButton* playAsSave = kit::addButton(QStringLiteral("Command1"), kSaveCaption, left, playAs);
    connect(playAsSave, &QPushButton::clicked, this, &CutscenesWindow::Command1_Click);
    QPushButton* tikalSave = kit::addButton(QStringLiteral("tikal_text_click"), kSaveCaption, right, tikal);
    connect(tikalSave, &QPushButton::clicked, this, &CutscenesWindow::tikal_text_click_Click);
    QPushButton* stonesSave =
        kit::addButton(QStringLiteral("stones_text_click"), kSaveCaption, right, stones);
    stonesSave->setEnabled(false);
    stonesSave->setToolTip(notSupported);

    // Beside the keystones, where it is in view as the window opens.
    m_editionUnknown = new QLabel(
        tr("The edition of this file is not known: its byte at 0x3C names neither (E) nor (J). The \"Now You "
           "Can Play With...\" messages cannot be read or saved, and the other texts are read where the (J) "
           "edition keeps them."),
        page);
    m_editionUnknown->setObjectName(QStringLiteral("edition_unknown"));
    m_editionUnknown->setWordWrap(true);
    m_editionUnknown->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_editionUnknown->setFrameStyle(QFrame::Box);
    m_editionUnknown->setMargin(kit::twips(120));
    m_editionUnknown->setGeometry(kit::twipsRect(240 + kMiscFrameWidth + kMiscFrameGap,
                                                 kMiscFrameTop + kMiscFrameHeight + kMiscFrameGap + 105,
                                                 kMiscFrameWidth, kMiscFrameHeight - 105));
    m_editionUnknown->hide();
    orderTabs(findChild<QPushButton*>(QStringLiteral("sonic_write")), playAsSave, tikalSave);
}

void CutscenesWindow::orderTabs(QWidget* sonicSave, QWidget* playAsSave, QWidget* tikalSave) {
    const auto rooms = cutscenes::rooms();
    std::vector<std::size_t> sonic;
    for (std::size_t r = 0; r < rooms.size(); ++r) {
        if (rooms[r].group == Group::Sonic) {
            sonic.push_back(r);
        }
    }
    std::ranges::sort(sonic, {}, [&rooms](std::size_t r) {
        return std::pair(rooms[r].cutscene, cutscenes::roomLine(rooms[r]));
    });
    std::vector<QWidget*> chain;
    for (const std::size_t r : sonic) {
        chain.push_back(m_boxes[r]);
    }
    chain.push_back(sonicSave);
    for (const auto& [group, save] :
         {std::pair(Group::PlayAs, playAsSave), std::pair(Group::Tikal, tikalSave)}) {
        for (std::size_t r = 0; r < rooms.size(); ++r) {
            if (rooms[r].group == group) {
                chain.push_back(m_boxes[r]);
            }
        }
        chain.push_back(save);
    }
    for (std::size_t i = 0; i + 1 < chain.size(); ++i) {
        setTabOrder(chain[i], chain[i + 1]);
    }
}

void CutscenesWindow::addBox(std::size_t room, QWidget* frame, int frameWidth, int left) {
    const cutscenes::Room& r = cutscenes::rooms()[room];
    auto* box = new QLineEdit(kPlaceholder, frame);
    box->setObjectName(boxName(r));
    // The counter follows the box and its marker, if it has one; where the frame ends first, the box gives
    // up the room.
    const auto marker = std::ranges::find(kMarkers, room, &Marker::box);
    const int markerWidth = marker == std::end(kMarkers) ? 0 : marker->width + 60;
    const int boxWidth =
        std::min(kBoxWidth, frameWidth - left - markerWidth - kCounterWidth - 120);  // a gap, and a margin
    box->setGeometry(kit::twipsRect(left, r.top, boxWidth, kBoxHeight));
    auto* counter = new QLabel(frame);
    counter->setObjectName(QStringLiteral("room_left_") + boxName(r));
    counter->setGeometry(kit::twipsRect(left + boxWidth + 60 + markerWidth, r.top + 15, kCounterWidth, 255));
    m_boxes[room] = box;
    m_boxRights.at(room) = left + boxWidth;
    m_counters[room] = counter;
    connect(box, &QLineEdit::textChanged, this, &CutscenesWindow::showEdited);
}

void CutscenesWindow::showTexts(const cutscenes::CutsceneTexts& read) {
    m_edition = read.edition;
    setWindowTitle(editionTitle(m_edition));
    m_editionUnknown->setVisible(m_edition == Edition::None);
    const auto rooms = cutscenes::rooms();
    for (std::size_t r = 0; r < rooms.size(); ++r) {
        if (read.texts[r]) {
            // The padding spaces are the save's to add: shown, they would fill the room and take no typing.
            m_boxes[r]->setText(QString::fromStdString(std::string(files::unpadded(*read.texts[r]))));
            m_boxes[r]->setCursorPosition(0);  // a text wider than its box shows its start
        }
        // A playable-character message of a file without edition has no place: its box keeps its
        // placeholder and takes no typing.
        m_boxes[r]->setEnabled(read.texts[r].has_value());
        m_counters[r]->setVisible(read.texts[r].has_value());
        new kit::TypingLimit(rooms[r].size, m_boxes[r]);  // after the text, as the text read may be longer
        kit::watchCodePageBox(m_boxes[r], m_counters[r], kit::characterCounter(rooms[r].size));
    }
    m_savedTexts = read.texts;
    if (auto* playAsSave = findChild<QPushButton*>(QStringLiteral("Command1"))) {
        playAsSave->setEnabled(m_edition != Edition::None);
    }
    showEdited();
}

void CutscenesWindow::showEdited() {
    setWindowTitle(kit::editedTitle(editionTitle(m_edition), anyEdited()));
}

bool CutscenesWindow::sonic_write_Click() {
    return save({Group::Sonic});
}

bool CutscenesWindow::tikal_text_click_Click() {
    return save({Group::Tikal});
}

bool CutscenesWindow::Command1_Click() {
    if (m_edition == Edition::None) {
        m_dialogs.inform(
            this, kTitle,
            tr("This file is neither the (E) nor the (J) edition of the game, so the places of these "
               "messages are not known. Nothing was written."),
            kit::Dialogs::Icon::Exclamation);
        return false;
    }
    return save({Group::PlayAs});
}

bool CutscenesWindow::edited(std::size_t room) const {
    if (m_savedTexts.size() != m_boxes.size()) {
        return false;  // still being filled
    }
    const std::string text = m_boxes[room]->text().toStdString();
    const auto& saved = m_savedTexts[room];
    // A box whose text was not read holds its placeholder until the user types.
    return saved ? files::textChanged(*saved, text, cutscenes::rooms()[room].size)
                 : text != kPlaceholder.toStdString();
}

bool CutscenesWindow::anyEdited() const {
    for (std::size_t r = 0; r < m_boxes.size(); ++r) {
        if (edited(r)) {
            return true;
        }
    }
    return false;
}

bool CutscenesWindow::save(std::initializer_list<Group> groups) {
    std::vector<std::optional<std::string>> after(m_boxes.size());
    const auto rooms = cutscenes::rooms();
    for (std::size_t r = 0; r < rooms.size(); ++r) {
        if (std::ranges::find(groups, rooms[r].group) != groups.end() && (m_savedTexts[r] || edited(r))) {
            after[r] = m_boxes[r]->text().toStdString();
        }
    }
    // Padded as they are written; the boxes keep showing them without the padding.
    const auto edits = cutscenes::changedRooms(m_savedTexts, after);
    if (edits.empty()) {
        m_dialogs.inform(
            this, kTitle,
            tr("None of these texts has been changed since it was read or last saved, so nothing was "
               "written."));
        return true;
    }
    if (const auto saved = cutscenes::saveCutsceneTexts(m_filePath, m_edition, edits); !saved) {
        m_dialogs.inform(this, kTitle, QString::fromStdString(saved.error()),
                         kit::saveErrorIcon(saved.failure()));
        return false;
    }
    for (const auto& edit : edits) {
        m_savedTexts[edit.room] = edit.text;
    }
    showEdited();
    m_dialogs.inform(this, kTitle, tr("Writing complete!"));
    return true;
}

void CutscenesWindow::closeEvent(QCloseEvent* event) {
    event->setAccepted(kit::mayClose(m_dialogs, this, anyEdited(), [this] { return saveAll(); }));
}

bool CutscenesWindow::saveAll() {
    return save({Group::Sonic, Group::Tikal, Group::PlayAs});
}

QWidget* createCutscenesWindow(const kit::LauncherContextPtr& context) {
    return CutscenesWindow::open(context);
}

}  // namespace rq::cutscenes
