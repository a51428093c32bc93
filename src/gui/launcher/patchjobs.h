#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>

#include "kit/dialogs.h"
#include "patch/patchfiles.h"

class QAction;
class QProgressDialog;
class QWidget;

namespace rq::launcher {

// The launcher's "Create Patch..." and "Apply Patch...": asks for the files, runs the core's call on a
// thread of its own so that the window keeps painting, shows its progress for large files and what it made.
// One job at a time: the two items are disabled while it runs. Closing the window cancels the job and waits
// for it, so nothing outlives the window half-written.
class PatchJobs : public QObject {
    Q_OBJECT
  public:
    // Files whose work is larger than this show a progress bar.
    static constexpr std::uint64_t kProgressShownAbove = 4u << 20;

    PatchJobs(QWidget* window, kit::Dialogs& dialogs, QAction* createItem, QAction* applyItem);
    ~PatchJobs() override;

    void create();
    void apply();
    [[nodiscard]] bool running() const { return m_worker.joinable(); }
    // Asks the running job to stop and waits for it; it shows nothing.
    void cancelAndWait();

    // For tests: the job waits at its first progress report until it is cancelled, so that a cancel lands
    // while it runs.
    void holdUntilCancelled(bool hold) { m_hold = hold; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // What a job ends with: a message, or nothing to say.
    struct Ending {
        kit::Dialogs::Icon icon = kit::Dialogs::Icon::Information;
        QString text;
    };
    using Work = std::function<Ending(const patch::PatchProgress& progress)>;

    // Asks before a new file takes the place of one that is there.
    [[nodiscard]] bool mayReplace(const QString& path);
    void start(const QString& label, Work work);
    void showProgress();
    void finish(int job);
    void endJob();

    QWidget* m_window;
    kit::Dialogs& m_dialogs;
    QPointer<QAction> m_createItem;  // the menu goes before this object when the window is destroyed
    QPointer<QAction> m_applyItem;

    std::thread m_worker;
    int m_job = 0;    // a finish() posted by a job that cancelAndWait() ended finds a later job or none
    Ending m_ending;  // written by the worker before it posts finish(); read after the join
    QString m_label;
    QPointer<QProgressDialog> m_progress;
    bool m_inProgressUpdate = false;
    bool m_finishDeferred = false;

    std::atomic<bool> m_cancel = false;
    std::atomic<bool> m_hold = false;
    std::atomic<bool> m_updatePosted = false;
    std::atomic<std::uint64_t> m_done = 0;
    std::atomic<std::uint64_t> m_total = 0;
};

}  // namespace rq::launcher
