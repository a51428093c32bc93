#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>

#include "search/searchfile.h"

class QProgressDialog;
class QWidget;

namespace rq::search {

// A search run on a thread of its own, as the launcher's patch jobs run: the window keeps painting, a
// large file shows a progress bar with Cancel, and what the search found is shown on the window's thread.
// One at a time. Closing the window cancels the search and waits for it.
class SearchJob : public QObject {
    Q_OBJECT
  public:
    // Files larger than this show a progress bar.
    static constexpr std::uint64_t kProgressShownAbove = 4u << 20;

    // Runs on the worker; what it returns runs on the window's thread once the worker has ended, unless the
    // search was cancelled.
    using Work = std::function<std::function<void()>(const SearchProgress& progress)>;

    explicit SearchJob(QWidget* window);
    ~SearchJob() override;

    void start(const QString& label, Work work);
    [[nodiscard]] bool running() const { return m_worker.joinable(); }
    // Asks the running search to stop and waits for it; it shows nothing.
    void cancelAndWait();

    // For tests: the search waits at its first progress report until it is cancelled.
    void holdUntilCancelled(bool hold) { m_hold = hold; }

  signals:
    void runningChanged(bool running);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void showProgress();
    void finish(int job);
    void endJob();

    QWidget* m_window;
    std::thread m_worker;
    int m_job = 0;                  // a finish() posted by a search that cancelAndWait() ended finds another
    std::function<void()> m_found;  // written by the worker before it posts finish(); read after the join
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

}  // namespace rq::search
