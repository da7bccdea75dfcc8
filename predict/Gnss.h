// SPDX-License-Identifier: GPL-3.0-or-later
// The GNSS prediction as an algorithm: the request its parameters declare
// (Parameters.h), its validation, and the run from the ephemeris files over
// the plan footprints.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "gnss/Prediction.h"
#include "predict/Feedback.h"

namespace velmora::predict {

// A day at one-second steps is the most one run computes (each epoch keeps
// every satellite's direction).
using gnss::kMaxEpochs;
// SGP4 places a satellite kilometres off after a few days.
inline constexpr double kTleFreshDays = 3;
// An almanac serves for weeks; a month away, it places a satellite tens of
// kilometres off.
inline constexpr double kAlmanacFreshDays = 28;

struct GnssRequest {
    gnss::PredictionSettings settings;
    std::vector<std::string> nav; // RINEX navigation files, as the system's bytes
    std::string tle;              // or one TLE set
    std::string almanac;          // or one YUMA or SEM almanac
};

// How many of the ephemeris sources (navigation files, TLE set, almanac)
// the request names: exactly one must be.
int EphemerisSources(const GnssRequest& r);

struct GnssRun {
    gnss::PredictionSettings settings;
    gnss::Buildings buildings;
    gnss::Prediction prediction;
    gnss::Summary summary;
};

// The settings with every parameter at its declared default.
gnss::PredictionSettings DefaultGnssSettings();

// "G,R,J" as the letters "GRJ"; throws Failure (BadSystems, NoSystems).
std::string ParseSystems(std::string_view text);

// Throws Failure when a value lies outside its declaration, no system or no
// file is chosen, or the period has no epoch or more than kMaxEpochs.
void Validate(const GnssRequest& r);

// Reads the ephemerides and predicts. Throws Failure: the receiver inside a
// roof (`projectFile` names the record), an unreadable ephemeris file, one
// that covers none of the period. Nothing when the feedback cancels. Warns
// of the roofs left out and of epochs with satellites lacking an ephemeris.
std::optional<GnssRun> RunGnss(std::span<const Footprint> plan, const GnssRequest& r,
                               Feedback& feedback, const std::string& projectFile = {});

// "2012-10-31T21:00:00Z"
std::string UtcTimeText(gnss::UtcSeconds t);

} // namespace velmora::predict
