// SPDX-License-Identifier: GPL-3.0-or-later
// Satellites over a period, epoch by epoch: above the elevation mask, and
// visible, reflected (blocked, but reaching the receiver off a wall) or
// blocked among the buildings, with the dilutions of precision of the open
// sky, of the sky the buildings leave, and of that sky with the reflected
// signals counted.
#pragma once

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "geometry/SkyMask.h"
#include "gnss/Ephemerides.h"
#include "gnss/Sky.h"

namespace velmora::gnss {

struct PredictionSettings {
    double latitude = 0, longitude = 0; // origin, degrees
    double groundHeight = 0;            // ellipsoidal, metres
    PlanXY at;                          // receiver, plan metres
    double antenna = 1.5;
    UtcSeconds start = 0;
    double hours = 24;
    int step = 30; // seconds
    double mask = 10;
    std::string systems = "GRECJ"; // letters of the systems counted
};

// Reflected: the direct line is blocked, but a single specular reflection
// off a building's vertical face reaches the receiver (a signal a receiver
// tracks with a range that is too long).
enum class SkyState { Visible, Blocked, BelowMask, Reflected };

struct SatelliteSky {
    std::size_t satellite = 0; // index into Prediction::satellites
    Direction direction;
    SkyState state = SkyState::BelowMask;
    double extraPath = 0; // metres, the shortest reflection's (Reflected only)
};

struct EpochSky {
    UtcSeconds utc = 0;
    std::vector<SatelliteSky> satellites; // those above the horizon
    int aboveMask = 0, visible = 0, reflected = 0;
    // withReflected: the visible and the reflected satellites together.
    std::optional<Dops> open, withBuildings, withReflected;
    // Satellites of the set with no valid ephemeris at this epoch: their
    // place is unknown, so the counts may be short.
    std::vector<std::size_t> missing;
};

struct Prediction {
    Receiver receiver;
    std::vector<Satellite> satellites;
    std::vector<EpochSky> epochs;
    bool cancelled = false;
};

// What a satellite above the mask in direction `d` is to the receiver of
// the settings among the prisms: Visible when the scene (built for that
// receiver) does not block it, else Reflected with the shortest single
// reflection's extra path where there is one, else Blocked.
struct Sight {
    SkyState state = SkyState::Visible;
    double extraPath = 0;
};
Sight SightOf(const SkyScene& scene, std::span<const Footprint> prisms, PlanXY at, double antenna,
              Direction d);

// A day at one-second steps is the most one run computes.
inline constexpr std::size_t kMaxEpochs = 86401;
// The receiver stands among the buildings of one picture: within this many
// metres of the origin, east and north.
inline constexpr double kMaxPlanOffset = 100000;

// The number of epochs of the settings' period: start, start + step, ...
// up to start + hours. A count beyond any run (an endless period) comes back
// as the largest std::size_t.
std::size_t EpochCount(const PredictionSettings& s);
// The instant of the last of them.
UtcSeconds LastEpoch(const PredictionSettings& s);

// Why the settings cannot be computed, in English (the receiver's place,
// the period, the mask); empty when they can.
std::string SettingsProblem(const PredictionSettings& s);

// `progress(done, total)` is called now and then; returning false stops the
// run, which comes back with `cancelled` set and the epochs done so far.
// Settings with a SettingsProblem throw std::invalid_argument.
Prediction Predict(const Ephemerides& orbits, std::span<const Footprint> prisms,
                   const PredictionSettings& s,
                   const std::function<bool(std::size_t, std::size_t)>& progress = {});

// An epoch gives a position when at least four satellites are seen and the
// PDOP is at most 6.
bool GivesPosition(const std::optional<Dops>& d, int count);

// Over the epochs without missing satellites only.
struct Summary {
    std::size_t epochs = 0;                       // all, incompleteEpochs among them
    double shareOpen = 0, shareWithBuildings = 0; // of epochs giving a position
    double meanAboveMask = 0, meanVisible = 0;
    double longestGapOpen = 0, longestGapWithBuildings = 0; // seconds without a position
    std::size_t incompleteEpochs = 0;
    // With the reflected satellites counted: the share of epochs giving a
    // position, and the share of epochs whose position uses at least one
    // reflected satellite (a fix whose ranges are metres too long).
    double shareWithReflected = 0, shareReflectedInUse = 0;
    double meanReflected = 0;
};
Summary Summarise(const Prediction& p, int step);

} // namespace velmora::gnss
