#include "backgroundjob.h"

#include <QEvent>
#include <QProgressDialog>
#include <QWidget>

#include "kit/dialogs.h"

namespace rq::kit {
namespace {

constexpr int kProgressSteps = 1000;

}  // namespace

BackgroundJob::BackgroundJob(QWidget* window, QString progressName, QObject* parent)
    : QObject(parent != nullptr ? parent : window),
      m_window(window),
      m_progressName(std::move(progressName)) {
    window->installEventFilter(this);
}

BackgroundJob::~BackgroundJob() {
    // The window is half destroyed by now: it hears nothing more.
    blockSignals(true);
    cancelAndWait();
}

void BackgroundJob::start(const QString& label, Work work) {
    if (running()) {
        return;
    }
    m_label = label;
    m_made = {};
    m_cancel = false;
    m_updatePosted = false;
    m_done = 0;
    m_total = 0;
    const int job = ++m_job;
    emit runningChanged(true);
    m_worker = std::thread([this, job, work = std::move(work)] {
        // Runs on the worker: it only stores numbers and posts to the window's thread.
        const Progress progress = [this](std::uint64_t done, std::uint64_t total) {
            m_done = done;
            m_total = total;
            if (!m_updatePosted.exchange(true)) {
                QMetaObject::invokeMethod(this, &BackgroundJob::showProgress, Qt::QueuedConnection);
            }
            if (m_hold) {
                std::unique_lock lock(m_holdMutex);
                m_cancelled.wait(lock, [this] { return m_cancel.load(); });
            }
            return !m_cancel;
        };
        m_made = work(progress);
        QMetaObject::invokeMethod(
            this, [this, job] { finish(job); }, Qt::QueuedConnection);
    });
}

void BackgroundJob::showProgress() {
    m_updatePosted = false;
    const std::uint64_t total = m_total;
    if (!running() || m_inProgressUpdate || total <= kProgressShownAbove) {
        return;
    }
    if (!m_progress) {
        m_progress = new QProgressDialog(m_label, tr("Cancel"), 0, kProgressSteps, m_window);
        m_progress->setObjectName(m_progressName);
        m_progress->setWindowTitle(appTitle());
        m_progress->setWindowModality(Qt::WindowModal);
        m_progress->setAutoReset(false);
        m_progress->setAutoClose(false);
        connect(m_progress, &QProgressDialog::canceled, this, &BackgroundJob::askToStop);
        m_progress->show();
    }
    if (m_progress->wasCanceled()) {
        return;
    }
    // A modal progress dialog runs the event loop inside setValue: a job ending meanwhile waits for it.
    m_inProgressUpdate = true;
    m_progress->setValue(
        static_cast<int>(static_cast<double>(m_done) / static_cast<double>(total) * kProgressSteps));
    m_inProgressUpdate = false;
    if (m_finishDeferred) {
        m_finishDeferred = false;
        finish(m_job);
    }
}

void BackgroundJob::finish(int job) {
    if (job != m_job || !running()) {
        return;  // ended by cancelAndWait() already
    }
    if (m_inProgressUpdate) {
        m_finishDeferred = true;
        return;
    }
    endJob();
    if (const auto made = std::exchange(m_made, {})) {
        made();
    }
}

void BackgroundJob::askToStop() {
    {
        const std::lock_guard lock(m_holdMutex);
        m_cancel = true;
    }
    m_cancelled.notify_all();
}

void BackgroundJob::cancelAndWait() {
    if (!running()) {
        return;
    }
    askToStop();
    endJob();
    m_made = {};
}

void BackgroundJob::endJob() {
    m_worker.join();
    m_finishDeferred = false;
    if (m_progress) {
        // Not deleted here: this may run inside the dialog's own setValue.
        m_progress->hide();
        m_progress->deleteLater();
        m_progress = nullptr;
    }
    emit runningChanged(false);
}

bool BackgroundJob::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_window && event->type() == QEvent::Close) {
        cancelAndWait();
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace rq::kit
