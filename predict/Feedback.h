// SPDX-License-Identifier: GPL-3.0-or-later
// What an algorithm reports while it runs: progress, whether it is to stop,
// and its warnings, each a code with the roofs it concerns. The command
// line prints the warnings; the window's runner queues the progress back to
// its dialog. Progress and cancel may be called from different threads.
#pragma once

#include <atomic>
#include <cstddef>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "data/BuildingData.h"
#include "predict/Errors.h"

namespace velmora::predict {

enum class WarningCode {
    HeightUnknown,    // roofs without a measured height, left out
    OutlineCrossing,  // roofs whose outline crosses itself, left out
    SunDown,          // value: minutes of the period with the sun down; total: all minutes
    IncompleteEpochs, // value: epochs with satellites lacking an ephemeris
    StaleElements,    // file: the TLE set; ids: its satellites; value: days
};

struct Warning {
    Warning() = default;
    Warning(WarningCode code, std::vector<Count> roofs = {}, double value = 0, double total = 0)
        : code(code), roofs(std::move(roofs)), value(value), total(total) {}

    WarningCode code = WarningCode::HeightUnknown;
    std::vector<Count> roofs;
    double value = 0, total = 0;
    std::string file;             // as the system's bytes
    std::vector<std::string> ids; // satellites
};

// The warning worded in the language, roofs named by their numbers:
// "roofs 2, 5: height unknown (no wall line, or one drawn upwards); left out".
std::string WarningText(const Warning& w, Language language);

class Feedback {
  public:
    virtual ~Feedback() = default;

    // Reports `done` of `total`; false once the run is to stop.
    bool Progress(std::size_t done, std::size_t total);
    void Cancel() { cancelled_.store(true); }
    bool Cancelled() const { return cancelled_.load(); }

    // Roof warnings without roofs are dropped.
    void Warn(Warning w);
    std::vector<Warning> Warnings() const;

  protected:
    // Called by Progress, on the algorithm's thread.
    virtual void OnProgress(std::size_t /*done*/, std::size_t /*total*/) {}

  private:
    std::atomic<bool> cancelled_{false};
    mutable std::mutex mutex_;
    std::vector<Warning> warnings_;
};

} // namespace velmora::predict
