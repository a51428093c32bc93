#include "headerwindow.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <utility>

#include "files/asciitext.h"
#include "files/readwritetext.h"
#include "kit/qtcodepage.h"
#include "kit/saving.h"
#include "kit/typinglimit.h"
#include "kit/windowtools.h"

namespace rq::headers {
namespace {

const QString kNoRom = QStringLiteral("No rom loaded.");

// The font of the path and the field boxes, for which the boxes are sized: a field's width is its count of
// characters, so where the design's font is missing (Wine has none of that name, nor the system's fixed
// font) a fixed-width one that is there stands in.
QFont fieldFont() {
    const QFont design = kit::designFont(QStringLiteral("Lucida Console"), QFont::Monospace, 9.75);
    if (QFontInfo(design).fixedPitch()) {
        return design;
    }
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (!QFontInfo(font).fixedPitch()) {
        const QStringList families = QFontDatabase::families();
        const auto fixed = std::find_if(families.begin(), families.end(), [](const QString& family) {
            return QFontDatabase::isFixedPitch(family);
        });
        if (fixed != families.end()) {
            font = QFont(*fixed);
        }
    }
    font.setPointSizeF(design.pointSizeF());
    return font;
}

QString hex(std::uint32_t value, headers::Kind kind) {
    return QStringLiteral("0x") +
           QString::fromStdString(files::hexText(value, kind == headers::Kind::Gba ? 2 : 4));
}

QString checksumLine(const QString& stored, const QString& computed, bool right) {
    return right
               ? QObject::tr("Checksum: right (%1)").arg(stored)
               : QObject::tr("Checksum: wrong: the header holds %1, the file needs %2").arg(stored, computed);
}

}  // namespace

HeaderWindow::HeaderWindow(kit::LauncherContextPtr context, const Layout& layout)
    : m_layout(layout.width, layout.height),
      m_frameLayout(layout.frame.width, layout.frame.height),
      m_context(std::move(context)),
      m_dialogs(m_context->dialogs),
      m_kind(layout.kind),
      m_title(QString::fromUtf8(layout.title)),
      m_filter(QString::fromUtf8(layout.filter)),
      m_wrongKind(QString::fromUtf8(layout.wrongKind)) {
    setObjectName(QString::fromUtf8(layout.name));
    setWindowTitle(m_title + tr(" - No ROM loaded"));
    kit::makeFixedWindow(this, layout.width, layout.height);
    setFont(kit::designFont(QStringLiteral("MS Sans Serif"), QFont::SansSerif, 8.25));

    m_path = new kit::PathLabel(this);
    m_path->setObjectName(QStringLiteral("path"));
    m_path->setFont(fieldFont());
    m_path->setTextFormat(Qt::PlainText);
    m_path->setPath(kNoRom);
    place(m_path, layout.path, kit::heightOnly(m_path));  // elided in the middle, it never needs more
    m_frame = new kit::CaptionFrame(tr("Rom Details"), this);
    m_frame->setObjectName(QStringLiteral("rom"));
    place(m_frame, layout.frame, [this] { return m_frameLayout.solve(); });

    int firstTop = std::min(layout.load.top, layout.save.top);
    for (const headers::Field& field : headers::fields(m_kind)) {
        const auto boxPlace = std::ranges::find(layout.boxes, field.control, &BoxPlace::control);
        auto* box = new QLineEdit(m_frame);
        box->setObjectName(kit::fromUtf8View(field.control));
        box->setFont(fieldFont());
        box->setToolTip(kit::fromUtf8View(field.toolTip));
        // As wide as the field's characters, in the fixed-width font the box shows them in.
        const QString widest(field.display == Display::HexByte ? 2 : field.size, QLatin1Char('0'));
        place(box, boxPlace->place, [box, widest] { return kit::textNeed(box, {widest}); });
        firstTop = std::min(firstTop, boxPlace->place.top);
        // A field that is never written takes no typing, so that no edit is silently dropped, and is
        // passed over by Tab.
        box->setReadOnly(!field.writable);
        if (!field.writable) {
            box->setFocusPolicy(Qt::ClickFocus);
        }
        new kit::TypingLimit(field.limit, box);
        if (field.writable) {
            kit::watchCodePageBox(box);  // as the editors do: the save would refuse it
        }
        m_boxes.push_back(box);
        m_savedTexts.emplace_back();
    }
    // The frame's caption, above what the frame holds.
    m_frameLayout.reserve({0, 0, layout.frame.width, firstTop},
                          [this] { return QSize(0, m_frame->fontMetrics().height()); });
    connect(addButton("load", tr("Load New ROM"), layout.load, m_frame), &QPushButton::clicked, this,
            &HeaderWindow::load_Click);
    connect(addButton("save", tr("Save To ROM"), layout.save, m_frame), &QPushButton::clicked, this,
            &HeaderWindow::save_Click);

    m_checksum = new QLabel(this);
    m_checksum->setObjectName(QStringLiteral("checksum"));
    m_checksum->setWordWrap(true);
    // Made for the longest line it shows, with wide digits.
    const QString widest = hex(m_kind == headers::Kind::Gba ? 0xDD : 0xDDDD, m_kind);
    place(m_checksum, layout.checksum, [this, widest] {
        return kit::textNeed(m_checksum, {tr("Checksum: unknown"), checksumLine(widest, widest, true),
                                          checksumLine(widest, widest, false)});
    });
    QPushButton* fix = addButton("fixchecksum", tr("Fix Checksum..."), layout.fix, this);
    fix->setToolTip(tr("Computes the header's checksum from the file and writes it, after asking."));
    connect(fix, &QPushButton::clicked, this, &HeaderWindow::fixchecksum_Click);
}

QPushButton* HeaderWindow::addButton(const char* name, const QString& caption, const Twips& place,
                                     QWidget* parent) {
    QPushButton* button = rq::kit::addButton(QString::fromUtf8(name), caption, QRect(), parent);
    this->place(button, place);
    return button;
}

void HeaderWindow::place(QWidget* control, const Twips& place, kit::Need need) {
    (control->parentWidget() == m_frame ? m_frameLayout : m_layout).add(control, place, std::move(need));
}

void HeaderWindow::layOut() {
    setFixedSize(m_layout.apply());
    m_frameLayout.apply(m_frame->size());
}

QLineEdit* HeaderWindow::box(std::string_view control) const {
    return m_boxes[*headers::findField(m_kind, control)];
}

QString HeaderWindow::fieldText(std::string_view control) const {
    return box(control)->text();
}

void HeaderWindow::orderTabs(std::initializer_list<QWidget*> chain) {
    for (auto it = chain.begin(); it + 1 < chain.end(); ++it) {
        setTabOrder(*it, *(it + 1));
    }
}

void HeaderWindow::load_Click() {
    if (!kit::mayClose(
            m_dialogs, this, anyEdited(), [this] { return save_Click(); }, m_title,
            tr("loading another ROM"))) {
        return;
    }
    const auto chosen = m_dialogs.openFile(this, {tr("Select a ROM"), m_filter, 1});
    if (!chosen) {
        m_dialogs.inform(this, m_title, tr("No new ROM loaded."));
        return;
    }
    const std::string path = kit::toPath(*chosen);
    if (headers::kindOf(path) != m_kind) {
        m_dialogs.inform(this, m_title, m_wrongKind);
        return;
    }
    const auto read = headers::readHeader(path, m_kind);
    if (read.readFailed) {
        m_dialogs.inform(this, kit::appTitle(), kit::fromUtf8View(files::kRomNotFound),
                         kit::Dialogs::Icon::Critical);
    }
    showFields(read);
    m_romPath = path;
    m_path->setPath(*chosen);
    setWindowTitle(loadedCaption());
    loaded();
    showChecksum(false);
}

void HeaderWindow::showFields(const headers::HeaderTexts& read) {
    m_savedTexts = read.texts;
    for (std::size_t f = 0; f < m_boxes.size(); ++f) {
        // Padding spaces are the save's to add: shown, they would fill the box and take no typing.
        m_boxes[f]->setText(
            QString::fromStdString(std::string(headers::shownText(m_kind, f, read.texts[f]))));
        m_boxes[f]->setCursorPosition(0);
    }
}

bool HeaderWindow::noRom() {
    if (!m_romPath.empty()) {
        return false;
    }
    m_dialogs.inform(this, m_title, tr("No ROM loaded!"), kit::Dialogs::Icon::Exclamation);
    return true;
}

std::vector<std::optional<std::string>> HeaderWindow::boxTexts() const {
    std::vector<std::optional<std::string>> texts(m_boxes.size());
    for (std::size_t f = 0; f < m_boxes.size(); ++f) {
        if (headers::fields(m_kind)[f].writable) {
            texts[f] = m_boxes[f]->text().toStdString();
        }
    }
    return texts;
}

bool HeaderWindow::anyEdited() const {
    if (m_romPath.empty()) {
        return false;
    }
    // A text the save would refuse is an edit all the same.
    const auto changed = headers::changedFields(m_kind, m_savedTexts, boxTexts());
    return !changed || !changed->empty();
}

bool HeaderWindow::save_Click() {
    if (noRom()) {
        return false;
    }
    const auto edits = headers::changedFields(m_kind, m_savedTexts, boxTexts());
    if (!edits) {
        m_dialogs.inform(this, m_title, QString::fromStdString(edits.error()),
                         kit::saveErrorIcon(edits.failure()));
        return false;
    }
    if (edits->empty()) {
        m_dialogs.inform(
            this, m_title,
            tr("No field has been changed since it was read or last saved, so nothing was written."));
        return true;
    }
    if (const auto saved = headers::saveHeader(m_romPath, m_kind, *edits); !saved) {
        m_dialogs.inform(this, m_title, QString::fromStdString(saved.error()),
                         kit::saveErrorIcon(saved.failure()));
        return false;
    }
    // The boxes show what the file now holds, without the padding.
    const auto reread = headers::readHeader(m_romPath, m_kind);
    for (const auto& edit : *edits) {
        m_savedTexts[edit.field] = reread.readFailed ? edit.text : reread.texts[edit.field];
        if (!reread.readFailed) {
            m_boxes[edit.field]->setText(QString::fromStdString(
                std::string(headers::shownText(m_kind, edit.field, reread.texts[edit.field]))));
        }
    }
    m_dialogs.inform(this, m_title, tr("Writing complete!"));
    showChecksum(true);
    return true;
}

void HeaderWindow::showChecksum(bool afterSave) {
    const auto checksum = headers::readChecksum(m_romPath, m_kind);
    if (!checksum) {
        m_checksumRight = false;
        m_checksum->setText(tr("Checksum: unknown"));
        m_checksum->setToolTip(QString::fromStdString(checksum.error()));
        return;
    }
    const QString stored = hex(checksum->stored, m_kind);
    const QString computed = hex(checksum->computed, m_kind);
    m_checksum->setToolTip(QString());
    m_checksum->setText(checksumLine(stored, computed, checksum->right()));
    if (afterSave && m_checksumRight && !checksum->right()) {
        m_dialogs.inform(
            this, m_title,
            tr("The header's checksum no longer matches the file: it holds %1, the file now needs "
               "%2. \"Fix Checksum...\" writes the right value.")
                .arg(stored, computed),
            kit::Dialogs::Icon::Exclamation);
    }
    m_checksumRight = checksum->right();
}

void HeaderWindow::fixchecksum_Click() {
    if (noRom()) {
        return;
    }
    const auto checksum = headers::readChecksum(m_romPath, m_kind);
    if (!checksum) {
        m_dialogs.inform(this, m_title, QString::fromStdString(checksum.error()),
                         kit::saveErrorIcon(checksum.failure()));
        return;
    }
    const QString computed = hex(checksum->computed, m_kind);
    if (checksum->right()) {
        m_dialogs.inform(this, m_title,
                         tr("The checksum is already right (%1), so nothing was written.").arg(computed));
        showChecksum(false);
        return;
    }
    const auto answer = m_dialogs.message(
        this, m_title,
        tr("The header holds the checksum %1, but the file needs %2. Write %2 into the header?")
            .arg(hex(checksum->stored, m_kind), computed),
        kit::Dialogs::Icon::Exclamation, kit::Dialogs::Buttons::YesNo);
    if (answer != kit::Dialogs::Answer::Yes) {
        return;
    }
    if (const auto fixed = headers::fixChecksum(m_romPath, m_kind); !fixed) {
        m_dialogs.inform(this, m_title, QString::fromStdString(fixed.error()),
                         kit::saveErrorIcon(fixed.failure()));
    } else {
        m_dialogs.inform(this, m_title, tr("Writing complete!"));
    }
    showChecksum(false);
}

void HeaderWindow::closeEvent(QCloseEvent* event) {
    event->setAccepted(kit::mayClose(
        m_dialogs, this, anyEdited(), [this] { return save_Click(); }, m_title));
}

}  // namespace rq::headers
