// SPDX-License-Identifier: GPL-3.0-or-later
// The one background runner of the prediction dialogs: the work runs on its
// own thread with a feedback object; progress is queued back to the GUI
// thread, Cancel() asks the work to stop, and the dialog that owns the
// runner may be destroyed at any time: the destructor cancels and waits for
// the thread, and nothing queued reaches a dialog that is gone. No nested
// event loop.
#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <thread>

#include "predict/Errors.h"
#include "predict/Feedback.h"

namespace velmora {

class PredictionRunner : public QObject {
    Q_OBJECT
  public:
    explicit PredictionRunner(QObject* parent = nullptr);
    ~PredictionRunner() override;

    // The work, run on the worker thread; it throws predict::Failure (or
    // any std::exception) to fail and reports through the feedback.
    using Work = std::function<void(predict::Feedback&)>;
    // Starts the work; false while another one runs.
    bool Start(Work work);
    void Cancel();
    bool Running() const { return running_; }
    // The last run's warnings (after Finished).
    const std::vector<predict::Warning>& Warnings() const { return warnings_; }

  signals:
    // Percent done, on the GUI thread.
    void Progress(int percent);
    // On the GUI thread after the work ended: `failed` with the error, or
    // `cancelled`, or done.
    void Finished(bool failed, const predict::Error& error, bool cancelled);

  private:
    struct Shared;
    void Join();

    std::shared_ptr<Shared> shared_;
    std::thread thread_;
    bool running_ = false;
    std::vector<predict::Warning> warnings_;
};

} // namespace velmora
