#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

#include "kit/backgroundjob.h"
#include "kit/dialogs.h"
#include "patch/baseforms.h"
#include "patch/patchfiles.h"

class QAction;
class QWidget;

namespace rq::launcher {

// The launcher's "Create Patch..." and "Apply Patch...": asks for the files, runs the core's call on a
// thread of its own so that the window keeps painting, shows its progress for large files and what it made.
// One job at a time: the two items are disabled while it runs. Closing the window cancels the job and waits
// for it, so nothing outlives the window half-written.
class PatchJobs : public QObject {
    Q_OBJECT
  public:
    PatchJobs(QWidget* window, kit::Dialogs& dialogs, QAction* createItem, QAction* applyItem);

    void create();
    void apply();
    [[nodiscard]] bool running() const { return m_job->running(); }
    // Asks the running job to stop and waits for it; it shows nothing.
    void cancelAndWait() { m_job->cancelAndWait(); }

    // For tests: the job waits at its first progress report until it is cancelled, so that a cancel lands
    // while it runs.
    void holdUntilCancelled(bool hold) { m_job->holdUntilCancelled(hold); }

  private:
    struct Ending;
    using Work = std::function<Ending(const patch::PatchProgress& progress)>;
    // What a job ends with: a message, and a repair the message offers to run when the refusal has one.
    struct Ending {
        kit::Dialogs::Icon icon = kit::Dialogs::Icon::Information;
        QString text;
        Work repair = {};
    };

    // Asks before a new file takes the place of one that is there.
    [[nodiscard]] bool mayReplace(const QString& path);
    void start(const QString& label, Work work);
    void end(Ending ending);
    // "Patched file made: ..." and the patch's warnings; with the form the file was mended from, if any.
    [[nodiscard]] static Ending patchedEnding(const patch::PatchApplied& applied, const QString& outPath,
                                              const QString& file = {},
                                              std::optional<patch::BaseForm> mended = {});

    QWidget* m_window;
    kit::Dialogs& m_dialogs;
    QPointer<QAction> m_createItem;  // the menu goes before this object when the window is destroyed
    QPointer<QAction> m_applyItem;
    kit::BackgroundJob* m_job;
};

}  // namespace rq::launcher
