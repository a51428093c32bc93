#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

class QProgressDialog;
class QWidget;

namespace rq::kit {

// Work run on a thread of its own so that the window keeps painting: work on a large file shows a modal
// progress bar with Cancel, and what the work made is shown on the window's thread once the worker has
// ended. One job at a time. Closing the window cancels the job and waits for it, so nothing outlives the
// window half-done.
class BackgroundJob : public QObject {
    Q_OBJECT
  public:
    // Work whose total is larger than this shows a progress bar.
    static constexpr std::uint64_t kProgressShownAbove = 4u << 20;

    // Called by the work on the worker as it goes; false asks it to stop.
    using Progress = std::function<bool(std::uint64_t done, std::uint64_t total)>;
    // Runs on the worker; what it returns runs on the window's thread once the worker has ended, unless
    // cancelAndWait() ended the job. A job the user cancelled from the progress bar still runs it:
    // cancelled() tells.
    using Work = std::function<std::function<void()>(const Progress& progress)>;

    // The progress bar is a child of window named progressName, for tests to find.
    BackgroundJob(QWidget* window, QString progressName, QObject* parent = nullptr);
    ~BackgroundJob() override;

    // Does nothing while a job runs.
    void start(const QString& label, Work work);
    [[nodiscard]] bool running() const { return m_worker.joinable(); }
    // Whether the last job was asked to stop.
    [[nodiscard]] bool cancelled() const { return m_cancel; }
    // Asks the running job to stop and waits for it; what it made is dropped.
    void cancelAndWait();

    // For tests: the job waits at its first progress report until it is cancelled, so that a cancel lands
    // while it runs.
    void holdUntilCancelled(bool hold) { m_hold = hold; }

  signals:
    void runningChanged(bool running);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void showProgress();
    void finish(int job);
    void endJob();
    void askToStop();

    QWidget* m_window;
    QString m_progressName;
    std::thread m_worker;
    int m_job = 0;  // a finish() posted by a job that cancelAndWait() ended finds a later job or none
    std::function<void()> m_made;  // written by the worker before it posts finish(); read after the join
    QString m_label;
    QPointer<QProgressDialog> m_progress;
    bool m_inProgressUpdate = false;
    bool m_finishDeferred = false;

    std::atomic<bool> m_cancel = false;
    std::atomic<bool> m_hold = false;
    // What a held job waits on (std::atomic's wait misses its wake-up in mingw-w64's libstdc++ 12).
    std::mutex m_holdMutex;
    std::condition_variable m_cancelled;
    std::atomic<bool> m_updatePosted = false;
    std::atomic<std::uint64_t> m_done = 0;
    std::atomic<std::uint64_t> m_total = 0;
};

}  // namespace rq::kit
