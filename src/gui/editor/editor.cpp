#include "editor.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTabBar>
#include <QTabWidget>
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "editor/entrytexts.h"
#include "editor/freespace.h"
#include "files/codepage.h"
#include "files/readwritetext.h"
#include "kit/appicon.h"
#include "kit/boxpreview.h"
#include "kit/entryroom.h"
#include "kit/growinglayout.h"
#include "kit/qtcodepage.h"
#include "kit/saving.h"
#include "kit/typinglimit.h"
#include "kit/windowtools.h"
#include "templates/gametemplate.h"

namespace rq::editor {
namespace {

const QString kTitle = kit::appTitle();
const QString kSaveCaption = QStringLiteral("&Save data to file");
const QString kToTabs16 = QStringLiteral("View tab 16 onwards");
const QString kToTabs1 = QStringLiteral("View tabs 1 to 15");

QFont slotFont() {
    return kit::designFont(QStringLiteral("Lucida Console"), QFont::Monospace, 8.25);
}

// A tab container of fifteen numbered tabs. Slots are laid out in twips from the container's own top-left
// corner, tab row included, as on the platform's tab control; Qt's pages lie below the tab row and inside
// the frame, so a page's offset in the container is taken off.
class SlotTabs : public kit::OneRowTabs {
  public:
    SlotTabs(const QString& name, int firstTab, const QRect& place, QWidget* parent)
        : OneRowTabs(name, place, parent) {
        const QFont font = slotFont();
        for (int t = 0; t < slotlayout::kTabsPerStrip; ++t) {
            auto* page = new QWidget;
            page->setFont(font);  // the slots inherit it, which is cheaper than setting it 1080 times
            addTab(page, QStringLiteral(" %1 ").arg(firstTab + t));
        }
    }
};

// The window and its tab containers, in twips.
constexpr kit::TwipsPlace kTabstrip = {120, 480, 9250, 6135};

// The counter stands at the right end of the caption line, above the box's right edge; the caption gives it
// room.
constexpr int kCounterWidth = 840;
constexpr int kCounterGap = 60;
// A count in bytes ("16 bytes left") is longer than one in characters: its counter takes this much more of
// the caption's line.
constexpr int kByteCounterExtra = 1080;
// And one that can move ("moves: 96 bytes free"), or a fixed room's ("5 bytes left, unfillable"), more still.
constexpr int kMovingCounterExtra = 720;
// The slots' first captions lie this far below the row of tabs, in pixels, at the default font.
constexpr int kBelowTabs = 4;

// Its room, below the design's own.
constexpr int kPaneMargin = 8;

// A caption needs its line's height; a comment too long for its place is cut, at any font as at the default.
kit::Need captionNeed(const QLabel* label, int widthTwips) {
    return [label, widthTwips] {
        const QSize text = kit::textNeed(label);
        return QSize(std::min(text.width(), kit::twips(widthTwips)), text.height());
    };
}

}  // namespace

EditorWindow* EditorWindow::open(const kit::LauncherContextPtr& context) {
    // Form_Load, step 1: the window's own copies, used for its whole life.
    const QString templatePath = kit::fromPath(context->state.templatePath);
    const QString filePath = kit::fromPath(context->state.loadedPath);
    const auto gameTemplate = templates::readGameTemplate(kit::toPath(templatePath));
    if (!gameTemplate) {
        // Refused before anything is read from the file; the editor closes itself, and only itself.
        const kit::Message refusal = kit::templateRefusal(gameTemplate.failure(), "closing the editor");
        context->dialogs.inform(context->window, kTitle, refusal.text, refusal.icon);
        context->editorLoaded();
        return nullptr;
    }
    if (gameTemplate->entries.size() > static_cast<std::size_t>(slotlayout::kCount)) {
        // Pointer tables can describe a whole script; the editor's slots are fixed.
        context->dialogs.inform(context->window, kTitle,
                                tr("The template %1 has %2 entries; the editor has room for %3. Use "
                                   "Script... in the launcher, or romquill-cli dump and insert with JSON, "
                                   "PO or CSV files, for a template of this size.")
                                    .arg(templatePath)
                                    .arg(gameTemplate->entries.size())
                                    .arg(slotlayout::kCount),
                                kit::Dialogs::Icon::Exclamation);
        context->editorLoaded();
        return nullptr;
    }
    auto* window = new EditorWindow(context, templatePath, filePath);
    window->showEntries(*gameTemplate);
    context->editorLoaded();
    return window;
}

EditorWindow::EditorWindow(kit::LauncherContextPtr context, QString templatePath, QString filePath)
    : m_context(std::move(context)),
      m_dialogs(m_context->dialogs),
      m_templatePath(std::move(templatePath)),
      m_filePath(std::move(filePath)) {
    setObjectName(QStringLiteral("editor"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_title = QString::fromStdString(m_context->state.title);
    setWindowTitle(m_title);
    kit::makeFixedWindow(this, 9555, 7275);
    buildControls();
    buildSlots();
}

void EditorWindow::layOut() {
    QSize size = m_layout.apply();
    if (m_font) {
        // Below the design, which keeps its own places: the window grows downwards by the pane.
        const int height = m_pane->pane->sizeHint().height();
        m_pane->pane->setGeometry(kPaneMargin, size.height(), size.width() - 2 * kPaneMargin, height);
        size.rheight() += height + kPaneMargin;
    }
    setFixedSize(size);
    // tabstrip2 covers tabstrip, tab row included.
    m_tabstrip2->setGeometry(QRect(QPoint(), m_tabstrip->size()));
    m_slotLayout.apply(m_tabstrip->size(), static_cast<SlotTabs*>(m_tabstrip)->pageArea().topLeft());
}

void EditorWindow::buildControls() {
    m_notes = new QLabel(tr("Notes: None for this title."), this);
    m_notes->setObjectName(QStringLiteral("NotesLabel"));
    m_notes->setTextFormat(Qt::PlainText);
    // Notes too long for their line are cut, at any font as at the default.
    m_layout.add(m_notes, {120, 120, 9135, 255}, kit::heightOnly(m_notes));

    const QRect strip = kit::twipsRect(kTabstrip.left, kTabstrip.top, kTabstrip.width, kTabstrip.height);
    m_tabstrip = new SlotTabs(QStringLiteral("tabstrip"), 1, strip, this);
    m_layout.add(m_tabstrip, kTabstrip, [this] { return m_slotLayout.solve(); });
    // tabstrip2 lies on tab " 1 " of tabstrip and covers it, tab row included; the toggle shows it.
    m_tabstrip2 = new SlotTabs(QStringLiteral("tabstrip2"), 16, QRect(QPoint(), strip.size()), m_tabstrip);
    m_tabstrip2->hide();
    m_tabstrip2->raise();
    m_slotLayout.reserve({0, 0, kTabstrip.width, slotlayout::label(0).top}, [this] {
        return QSize(0, static_cast<SlotTabs*>(m_tabstrip)->pageArea().top() + kBelowTabs);
    });

    m_save = new QPushButton(kSaveCaption, this);
    m_save->setObjectName(QStringLiteral("save"));
    m_layout.add(m_save, {3840, 6720, 1815, 495});
    connect(m_save, &QPushButton::clicked, this, &EditorWindow::save_Click);
    connect(new QShortcut(QKeySequence::Save, this), &QShortcut::activated, this, &EditorWindow::save_Click);

    m_toggle = new QPushButton(kToTabs16, this);
    m_toggle->setObjectName(QStringLiteral("toggle"));
    m_layout.add(m_toggle, {7200, 6720, 2175, 495});
    m_toggle->hide();
    connect(m_toggle, &QPushButton::clicked, this, &EditorWindow::toggle_Click);
    buildPane();
}

void EditorWindow::buildSlots() {
    for (int s = 0; s < slotlayout::kCount; ++s) {
        QWidget* page = (slotlayout::strip(s) == 0 ? m_tabstrip : m_tabstrip2)->widget(slotlayout::tab(s));

        auto* label = new QLabel(page);
        label->setObjectName(QStringLiteral("ident_label_%1").arg(s));
        label->setTextFormat(Qt::PlainText);  // a Comment of "<error>" is text, not markup
        label->hide();
        m_labels[static_cast<std::size_t>(s)] = label;

        auto* counter = new QLabel(page);
        counter->setObjectName(QStringLiteral("room_left_%1").arg(s));
        counter->setAlignment(Qt::AlignRight | Qt::AlignTop);
        counter->hide();
        m_counters[static_cast<std::size_t>(s)] = counter;

        auto* text = new QLineEdit(page);
        text->setObjectName(QStringLiteral("romtext_%1").arg(s));
        text->hide();
        connect(text, &QLineEdit::textChanged, this, &EditorWindow::showEdited);
        connect(text, &QLineEdit::textChanged, this, [this, s] {
            if (s == m_focused && m_font) {
                showBox();
            }
        });
        m_boxes[static_cast<std::size_t>(s)] = text;
    }
}

void EditorWindow::placeSlot(int s, int counterWidth, const QStringList& counts) {
    const auto slot = static_cast<std::size_t>(s);
    const slotlayout::TwipsRect caption = slotlayout::label(s);
    const slotlayout::TwipsRect box = slotlayout::textBox(s);
    // The caption's line ends a little over the box's frame.
    const int overlap = caption.top + caption.height - box.top;
    const kit::TwipsPlace counterPlace{box.left + box.width - counterWidth, caption.top, counterWidth,
                                       caption.height};
    const kit::TwipsPlace captionPlace{caption.left, caption.top,
                                       counterPlace.left - kCounterGap - caption.left, caption.height};
    QLabel* counter = m_counters[slot];
    m_slotLayout.add(m_labels[slot], captionPlace, captionNeed(m_labels[slot], captionPlace.width), overlap);
    m_slotLayout.add(
        counter, counterPlace, [counter, counts] { return kit::textNeed(counter, counts); }, overlap);
    m_slotLayout.add(m_boxes[slot], {box.left, box.top, box.width, box.height});
}

void EditorWindow::showEntries(const templates::GameTemplate& gameTemplate) {
    m_notes->setText(kit::labelText(QStringLiteral("Notes: ") + kit::fromCodePage(gameTemplate.notes)));
    m_entryCount = static_cast<int>(gameTemplate.entries.size());
    m_toggleState = 0;
    m_toggle->setVisible(m_entryCount > slotlayout::kPerStrip);

    const EntryTexts read = readEntryTexts(gameTemplate, kit::toPath(m_filePath));
    m_savedTexts = read.texts;
    m_rooms = read.rooms;
    m_moving = movingRooms(gameTemplate, read.rooms, kit::toPath(m_filePath));
    m_entries = gameTemplate.entries;
    m_showRooms.clear();
    auto font = font::TemplateFont::read(gameTemplate, kit::toPath(m_filePath));
    m_font = font ? *font : nullptr;
    for (int s = 0; s < m_entryCount; ++s) {
        const auto slot = static_cast<std::size_t>(s);
        const templates::TemplateEntry& entry = gameTemplate.entries[slot];
        QLabel* label = m_labels[slot];
        label->setText(kit::labelText(kit::fromCodePage(entry.comment)));
        label->show();
        QLineEdit* box = m_boxes[slot];
        // The padding spaces are the save's to add: shown, they would fill the room and take no typing.
        box->setText(kit::fromUtf8View(shownText(entry, read.rooms[slot], read.texts[slot])));
        QLabel* counter = m_counters[slot];
        const auto unsaveable = [entry](const QString& text) {
            return unsaveableCharacters(entry, text.toStdString());
        };
        const auto count = [this, entry, slot](const QString& text) {
            return kit::entryRoomLeft(entry, m_rooms[slot], m_moving[slot], text);
        };
        const QStringList counts = kit::roomLeftTexts(entry, m_rooms[slot], m_moving[slot]);
        if (entry.locked) {
            // Its text stays as read: no typing, no paste; the padlock and the counter say why.
            box->setReadOnly(true);
            box->setToolTip(QString::fromStdString(templates::lockedRefusal(entry)));
            box->addAction(kit::lockIcon(), QLineEdit::TrailingPosition);
            counter->setText(tr("locked"));
            placeSlot(s, kCounterWidth, {counter->text()});
            counter->show();
        } else if (entry.table) {
            placeSlot(s,
                      kCounterWidth + kByteCounterExtra +
                          (m_moving[slot] || m_rooms[slot].end.empty() ? kMovingCounterExtra : 0),
                      counts);
            // A room in bytes has no typing limit: an over-long text stays, marked, and the save refuses it.
            m_showRooms.push_back(
                kit::watchTextBox(box, counter, count, unsaveable, kit::missingFrom(entry)));
            counter->show();
        } else {
            placeSlot(s, kCounterWidth, counts);
            if (entry.limit() > 0) {
                new kit::TypingLimit(entry.limit(), box);  // after the text: the program's text may be longer
                kit::watchTextBox(box, counter, count, unsaveable, kit::missingFrom(entry));
                counter->show();
            }
        }
        box->show();
    }
    if (m_font) {
        std::vector<font::EntryMetrics> boxes;
        for (const auto& entry : m_entries) {
            if (const auto metrics = m_font->metricsOf(entry)) {
                boxes.push_back(*metrics);
            }
        }
        m_pane->fixHeight(boxes);
        m_pane->pane->show();
        m_focused = 0;
        showBox();
    }
    layOut();
    showEdited();
    if (const auto problem = kit::readProblem(read.readFailed, read.tooMuchText)) {
        m_dialogs.inform(m_context->window, kTitle, problem->text, problem->icon);
    } else if (!font) {
        const kit::Message unmeasured = kit::fontProblem(font.failure());
        m_dialogs.inform(m_context->window, kTitle, unmeasured.text, unmeasured.icon);
    }
}

void EditorWindow::toggle_Click() {
    // The saved tab index belongs to the launcher, whose loads set it to 0.
    int& savedTab = m_context->state.editorSavedTab;
    const bool toSecond = m_toggleState == 0;
    if (toSecond) {
        savedTab = m_tabstrip->currentIndex();
        m_tabstrip->setCurrentIndex(0);
    }
    m_tabstrip2->setVisible(toSecond);
    // What tabstrip2 covers is out of reach of the keyboard as well as the mouse.
    m_tabstrip->tabBar()->setEnabled(!toSecond);
    m_tabstrip->widget(0)->setEnabled(!toSecond);
    m_toggle->setText(toSecond ? kToTabs1 : kToTabs16);
    if (!toSecond) {
        m_tabstrip->setCurrentIndex(savedTab);
    }
    m_toggleState = toSecond ? 1 : 0;
}

bool EditorWindow::save_Click() {
    return kit::runTemplateSave(m_dialogs, this, m_save, m_templatePath,
                                [this](const templates::GameTemplate& gameTemplate) -> Result<kit::Message> {
                                    if (auto saved = saveTexts(gameTemplate); !saved) {
                                        return saved.failure();
                                    }
                                    return kit::writingComplete();
                                });
}

Status EditorWindow::saveTexts(const templates::GameTemplate& gameTemplate) {
    // Only edited texts are saved, padded; the boxes keep showing them without the padding.
    const auto edits = changedEntries(gameTemplate, m_savedTexts, texts(), m_rooms);
    if (auto written =
            writeEntryTexts(gameTemplate, kit::toPath(m_filePath), m_savedTexts.size(), edits, m_rooms);
        !written) {
        return written;
    }
    for (const auto& edit : edits) {
        m_savedTexts[edit.index] = edit.text;
    }
    if (followMovedStrings(gameTemplate, kit::toPath(m_filePath), m_rooms, m_moving)) {
        for (const auto& show : m_showRooms) {
            show();
        }
    }
    showEdited();
    return success();
}

std::vector<std::string> EditorWindow::texts() const {
    std::vector<std::string> list;
    list.reserve(static_cast<std::size_t>(m_entryCount));
    for (int s = 0; s < m_entryCount; ++s) {
        list.push_back(m_boxes[static_cast<std::size_t>(s)]->text().toStdString());
    }
    return list;
}

bool EditorWindow::edited() const {
    if (m_entries.size() != static_cast<std::size_t>(m_entryCount) || m_rooms.size() != m_entries.size()) {
        return false;  // still being filled
    }
    for (std::size_t s = 0; s < m_savedTexts.size(); ++s) {
        if (entryChanged(m_entries[s], m_rooms[s], m_savedTexts[s], m_boxes[s]->text().toStdString())) {
            return true;
        }
    }
    return false;
}

void EditorWindow::showEdited() {
    setWindowTitle(kit::editedTitle(m_title, edited()));
}

void EditorWindow::closeEvent(QCloseEvent* event) {
    event->setAccepted(kit::mayClose(m_dialogs, this, edited(), [this] { return save_Click(); }));
}

QWidget* createEditorWindow(const kit::LauncherContextPtr& context) {
    return EditorWindow::open(context);
}

}  // namespace rq::editor
