// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/PredictionRunner.h"

#include <QMetaObject>
#include <atomic>

namespace velmora {

// What the worker and the GUI thread share; it outlives whichever ends last.
struct PredictionRunner::Shared : predict::Feedback {
    QPointer<PredictionRunner> runner;
    std::atomic<int> lastPercent{-1};

    void OnProgress(std::size_t done, std::size_t total) override {
        const int percent = total > 0 ? static_cast<int>(100 * done / total) : 100;
        // One queued call per percent, not per step.
        if (lastPercent.exchange(percent) == percent)
            return;
        QPointer<PredictionRunner> to = runner;
        if (!to)
            return;
        QMetaObject::invokeMethod(
            to.data(),
            [to, percent] {
                if (to)
                    emit to->Progress(percent);
            },
            Qt::QueuedConnection);
    }
};

PredictionRunner::PredictionRunner(QObject* parent) : QObject(parent) {}

PredictionRunner::~PredictionRunner() {
    Cancel();
    Join();
}

void PredictionRunner::Join() {
    if (thread_.joinable())
        thread_.join();
}

bool PredictionRunner::Start(Work work) {
    if (running_)
        return false;
    Join(); // the last run's thread has ended: its Finished was delivered
    shared_ = std::make_shared<Shared>();
    shared_->runner = this;
    running_ = true;
    warnings_.clear();
    const std::shared_ptr<Shared> shared = shared_;
    QPointer<PredictionRunner> self(this);
    thread_ = std::thread([shared, self, work = std::move(work)] {
        bool failed = false;
        predict::Error error;
        try {
            work(*shared);
        } catch (const predict::Failure& f) {
            failed = true;
            error = f.error();
        } catch (const std::exception& e) {
            failed = true;
            error.code = predict::ErrorCode::Unexpected;
            error.reason = e.what();
        }
        const bool cancelled = shared->Cancelled();
        if (!self)
            return;
        QMetaObject::invokeMethod(
            self.data(),
            [self, shared, failed, error, cancelled] {
                if (!self || self->shared_ != shared)
                    return;
                self->running_ = false;
                self->warnings_ = shared->Warnings();
                emit self->Finished(failed, error, cancelled && !failed);
            },
            Qt::QueuedConnection);
    });
    return true;
}

void PredictionRunner::Cancel() {
    if (shared_)
        shared_->Cancel();
}

} // namespace velmora
