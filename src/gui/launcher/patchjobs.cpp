#include "patchjobs.h"

#include <QAction>
#include <QFileInfo>
#include <QWidget>

#include "kit/qtcodepage.h"
#include "kit/saving.h"
#include "patch/baseforms.h"

namespace rq::launcher {
namespace {

const QString kTitle = kit::appTitle();
const QString kAnyFile = QStringLiteral("All files (*)|*|");
const QString kPatchFiles = QStringLiteral("Patches (*.bps;*.ips;*.ups)|*.bps;*.ips;*.ups|");
// BPS first: it checks the file it is applied to. A name typed without an extension takes its filter's, in
// this order.
const QString kPatchSaveFilter =
    QStringLiteral("BPS patch (*.bps)|*.bps|IPS patch (*.ips)|*.ips|UPS patch (*.ups)|*.ups|");
constexpr patch::PatchFormat kFilterFormats[] = {patch::PatchFormat::Bps, patch::PatchFormat::Ips,
                                                 patch::PatchFormat::Ups};

// "1,234 bytes", "1 changed range".
QString counted(std::uint64_t count, const QString& one, const QString& many) {
    return QStringLiteral("%1 %2").arg(kit::grouped(count), count == 1 ? one : many);
}

QString fileName(const QString& path) {
    return QFileInfo(path).fileName();
}

}  // namespace

PatchJobs::PatchJobs(QWidget* window, kit::Dialogs& dialogs, QAction* createItem, QAction* applyItem)
    : QObject(window),
      m_window(window),
      m_dialogs(dialogs),
      m_createItem(createItem),
      m_applyItem(applyItem) {
    setObjectName(QStringLiteral("patchJobs"));
    m_job = new kit::BackgroundJob(window, QStringLiteral("patchProgress"), this);
    // One job at a time: the items wait for it.
    connect(m_job, &kit::BackgroundJob::runningChanged, this, [this](bool running) {
        for (QAction* item : {m_createItem.data(), m_applyItem.data()}) {
            if (item != nullptr) {
                item->setEnabled(!running);
            }
        }
    });
}

void PatchJobs::create() {
    if (running()) {
        return;
    }
    const auto original = m_dialogs.openFile(m_window, {tr("Select the original file..."), kAnyFile, 1});
    if (!original) {
        return;
    }
    const auto modified = m_dialogs.openFile(m_window, {tr("Select the modified file..."), kAnyFile, 1});
    if (!modified) {
        return;
    }
    const auto saveAs = m_dialogs.saveFile(m_window, {tr("Save the patch as..."), kPatchSaveFilter, 1});
    if (!saveAs) {
        return;
    }
    // The name's own extension decides; a name without one takes the chosen filter's.
    QString patchPath = saveAs->path;
    auto format = patch::patchFormatForPath(kit::toPath(patchPath));
    if (!format) {
        const int filter = saveAs->filterIndex;
        format = filter >= 1 && filter <= 3 ? kFilterFormats[filter - 1] : patch::PatchFormat::Bps;
        patchPath += QStringLiteral(".") + kit::fromUtf8View(patch::patchFormatName(*format)).toLower();
        // The dialog confirmed replacing the name as typed, not this one.
        if (QFileInfo::exists(patchPath) && !mayReplace(patchPath)) {
            return;
        }
    }
    start(tr("Making the patch..."),
          [original = kit::toPath(*original), modified = kit::toPath(*modified), patchPath,
           format = *format](const patch::PatchProgress& progress) -> Ending {
              const auto made = createPatch(original, modified, kit::toPath(patchPath), format, progress);
              if (!made) {
                  return {kit::Dialogs::Icon::Critical, QString::fromStdString(made.error())};
              }
              return {kit::Dialogs::Icon::Information,
                      tr("Patch made: \"%1\" (%2, %3, %4).")
                          .arg(fileName(patchPath), kit::fromUtf8View(patch::patchFormatName(made->format)),
                               counted(made->patchSize, tr("byte"), tr("bytes")),
                               counted(made->changedRanges, tr("changed range"), tr("changed ranges")))};
          });
}

void PatchJobs::apply() {
    if (running()) {
        return;
    }
    const auto patch = m_dialogs.openFile(m_window, {tr("Select the patch..."), kPatchFiles, 1});
    if (!patch) {
        return;
    }
    const auto file = m_dialogs.openFile(m_window, {tr("Select the file to patch..."), kAnyFile, 1});
    if (!file) {
        return;
    }
    // The name is checked before the question of replacing it: the file patched is there, but may never be
    // the output.
    const auto saveAs =
        m_dialogs.saveFile(m_window, {tr("Save the patched file as..."), kAnyFile, 1,
                                      kit::fromPath(patch::patchedFileName(kit::toPath(*file))), false});
    if (!saveAs) {
        return;
    }
    if (const auto place =
            patch::checkPatchedFilePlace(kit::toPath(*patch), kit::toPath(*file), kit::toPath(saveAs->path));
        !place) {
        m_dialogs.inform(m_window, kTitle, QString::fromStdString(place.error()),
                         kit::Dialogs::Icon::Exclamation);
        return;
    }
    if (QFileInfo::exists(saveAs->path) && !mayReplace(saveAs->path)) {
        return;
    }
    start(tr("Applying the patch..."),
          [patch = kit::toPath(*patch), file = kit::toPath(*file),
           outPath = saveAs->path](const patch::PatchProgress& progress) -> Ending {
              const auto applied = patch::applyPatch(patch, file, kit::toPath(outPath), progress);
              if (applied) {
                  return patchedEnding(*applied, outPath);
              }
              Ending refused{kit::Dialogs::Icon::Critical, QString::fromStdString(applied.error())};
              if (applied.failure().kind == ErrorKind::MendableSource) {
                  // A question, in the words of its button. The same three files, the file's mended form
                  // in its place; written only when the user asks for it.
                  refused.icon = kit::Dialogs::Icon::Question;
                  refused.text = QString::fromStdString(applied.failure().subject);
                  refused.repair = [patch, file, outPath](const patch::PatchProgress& again) -> Ending {
                      const auto repaired = patch::repairAndApply(patch, file, kit::toPath(outPath), again);
                      if (!repaired) {
                          return {kit::Dialogs::Icon::Critical, QString::fromStdString(repaired.error())};
                      }
                      return patchedEnding(repaired->applied, outPath, kit::fromPath(file), repaired->mended);
                  };
              }
              return refused;
          });
}

PatchJobs::Ending PatchJobs::patchedEnding(const patch::PatchApplied& applied, const QString& outPath,
                                           const QString& file, std::optional<patch::BaseForm> mended) {
    const QString made = counted(applied.outputSize, tr("byte"), tr("bytes"));
    QString text = mended ? tr("Patched file made: \"%1\" (%2), from \"%3\" %4.")
                                .arg(fileName(outPath), made, fileName(file),
                                     kit::fromUtf8View(patch::mendedPhrase(*mended)))
                          : tr("Patched file made: \"%1\" (%2).").arg(fileName(outPath), made);
    for (const std::string& warning : applied.warnings) {
        text += QStringLiteral("\n\n") + QString::fromStdString(warning);
    }
    return {applied.warnings.empty() ? kit::Dialogs::Icon::Information : kit::Dialogs::Icon::Exclamation,
            text};
}

bool PatchJobs::mayReplace(const QString& path) {
    return m_dialogs.message(m_window, kTitle, tr("\"%1\" already exists. Replace it?").arg(fileName(path)),
                             kit::Dialogs::Icon::Exclamation,
                             kit::Dialogs::Buttons::YesNo) == kit::Dialogs::Answer::Yes;
}

void PatchJobs::start(const QString& label, Work work) {
    m_job->start(label, [this, work = std::move(work)](const kit::BackgroundJob::Progress& progress) {
        return std::function<void()>([this, ending = work(progress)] { end(ending); });
    });
}

void PatchJobs::end(Ending ending) {
    // The user's own cancel is no error: the core's message says that nothing was written.
    if (m_job->cancelled() && ending.icon == kit::Dialogs::Icon::Critical) {
        ending = {kit::Dialogs::Icon::Information, kit::fromUtf8View(patch::kPatchCancelled)};
    }
    if (m_job->cancelled() || !ending.repair) {
        m_dialogs.inform(m_window, kTitle, ending.text, ending.icon);
        return;
    }
    if (m_dialogs.offer(m_window, kTitle, ending.text, ending.icon, tr("Repair and apply"))) {
        start(tr("Applying the patch..."), std::move(ending.repair));
    }
}

}  // namespace rq::launcher
