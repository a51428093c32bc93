#include "template_chooser.h"

#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>

#include "files/common.h"
#include "kit/dialogs.h"
#include "kit/qtcodepage.h"
#include "kit/windowtools.h"
#include "templates/gametemplate.h"

namespace rq::templates {
namespace {

QLabel* heading(const QString& name, const QString& caption, const QRect& place, QWidget* frame) {
    auto* label = new QLabel(caption, frame);
    label->setObjectName(name);
    label->setGeometry(place);
    QFont font = kit::designFont(QStringLiteral("MS Sans Serif"), QFont::SansSerif, 8.25);
    font.setUnderline(true);
    label->setFont(font);
    return label;
}

QLabel* valueLabel(const QString& name, const QRect& place, QWidget* frame) {
    auto* label = new QLabel(frame);
    label->setObjectName(name);
    label->setGeometry(place);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

}  // namespace

TemplateChooser::TemplateChooser(kit::LauncherContextPtr context) : m_context(std::move(context)) {
    setObjectName(QStringLiteral("template_chooser"));
    setWindowTitle(tr("Romquill - Template Chooser"));
    kit::makeFixedWindow(this, 9555, 6960);
    buildControls();
    Form_Load();
}

void TemplateChooser::buildControls() {
    m_templates = new QListWidget(this);
    m_templates->setObjectName(QStringLiteral("templates"));
    m_templates->setGeometry(kit::twipsRect(120, 360, 5415, 6135));
    m_templates->setSelectionMode(QAbstractItemView::SingleSelection);

    auto* details = new QGroupBox(tr("Template Details"), this);
    details->setObjectName(QStringLiteral("details"));
    details->setGeometry(kit::twipsRect(5760, 360, 3615, 4215));

    heading(QStringLiteral("GameName"), tr("Game Name"), kit::twipsRect(120, 360, 2535, 255), details);
    m_gameNameValue =
        valueLabel(QStringLiteral("GameNameValue"), kit::twipsRect(240, 600, 3255, 255), details);
    heading(QStringLiteral("AuthorName"), tr("Author"), kit::twipsRect(120, 1080, 2535, 255), details);
    m_authorNameValue =
        valueLabel(QStringLiteral("AuthorNameValue"), kit::twipsRect(240, 1320, 3255, 255), details);
    heading(QStringLiteral("version"), tr("Version Of Template"), kit::twipsRect(120, 1800, 2535, 255),
            details);
    m_versionValue =
        valueLabel(QStringLiteral("VersionValue"), kit::twipsRect(240, 2040, 3255, 255), details);
    heading(QStringLiteral("CreationDate"), tr("Date Created"), kit::twipsRect(120, 2520, 2535, 255),
            details);
    m_creationDateValue =
        valueLabel(QStringLiteral("CreationDateValue"), kit::twipsRect(240, 2760, 3255, 255), details);
    heading(QStringLiteral("NotesInfo"), tr("Game Notes"), kit::twipsRect(120, 3240, 2535, 255), details);
    m_notesInfoValue =
        valueLabel(QStringLiteral("NotesInfoValue"), kit::twipsRect(240, 3480, 3255, 615), details);

    m_cancel = new QPushButton(tr("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("cancel"));
    m_cancel->setGeometry(kit::twipsRect(6600, 5760, 2055, 615));

    setTabOrder(m_templates, m_cancel);

    connect(m_templates, &QListWidget::itemSelectionChanged, this, &TemplateChooser::templates_Click);
    connect(m_templates, &QListWidget::itemDoubleClicked, this, &TemplateChooser::templates_DblClick);
    // Enter in the list chooses, as a double-click does; QListWidget's activated signal would also come with
    // some platforms' double-click, choosing twice.
    for (const int key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* enter = new QShortcut(QKeySequence(key), m_templates, nullptr, nullptr, Qt::WidgetShortcut);
        connect(enter, &QShortcut::activated, this, &TemplateChooser::templates_DblClick);
    }
    connect(m_cancel, &QPushButton::clicked, this, &TemplateChooser::cancel_Click);
}

void TemplateChooser::Form_Load() {
    // A missing folder lists nothing; the user can still cancel.
    const QDir folder(kit::fromPath(files::gamesFolder()));
    m_templates->addItems(folder.entryList(QDir::Files, QDir::Name | QDir::IgnoreCase));
    // Without this the list would make its first file current when it gains focus, and the first arrow key
    // would then skip that file; now it selects it.
    m_templates->setCurrentIndex(QModelIndex());
}

QString TemplateChooser::templatePath(const QString& name) const {
    // The name is appended as it stands: a "\" inside a file's name must not lead into another folder.
    return kit::fromPath(files::gameTemplatePath({})) + name;
}

void TemplateChooser::showDetail(QLabel* label, const std::string& value) {
    // As in every label, "&&" shows as one "&".
    label->setText(kit::labelText(kit::fromCodePage(value)));
}

void TemplateChooser::templates_Click() {
    const auto selected = m_templates->selectedItems();
    if (selected.isEmpty()) {
        return;
    }
    const TemplateDetails details = readTemplateDetails(kit::toPath(templatePath(selected.front()->text())));
    if (!details.supported()) {
        m_context->dialogs.inform(
            this, kit::appTitle(),
            tr("Template is either invalid or a newer template version than this version of the "
               "Romquill can support."),
            kit::Dialogs::Icon::Exclamation);
        return;
    }
    m_gameName = details.gameName;
    showDetail(m_gameNameValue, details.gameName);
    showDetail(m_authorNameValue, details.author);
    showDetail(m_versionValue, details.versionOfFile);
    showDetail(m_creationDateValue, details.dateCreated);
    showDetail(m_notesInfoValue, details.notes);
}

void TemplateChooser::templates_DblClick() {
    const auto selected = m_templates->selectedItems();
    if (selected.isEmpty()) {
        return;
    }
    // No check of its own: a file that failed the version check takes the name the details still show.
    m_context->applyForcedTemplate(kit::toPath(templatePath(selected.front()->text())), m_gameName);
    close();
}

void TemplateChooser::cancel_Click() {
    close();
}

QWidget* createTemplateChooser(const kit::LauncherContextPtr& context) {
    return new TemplateChooser(context);
}

}  // namespace rq::templates
