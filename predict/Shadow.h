// SPDX-License-Identifier: GPL-3.0-or-later
// The shade-time map as an algorithm: the request its parameters declare
// (Parameters.h), its validation, and the run over the plan footprints.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "geometry/ShadeMap.h"
#include "predict/Feedback.h"

namespace velmora::predict {

// No building is taller: a measured height above it is a mistaken wall line.
inline constexpr double kMaxRoofHeight = 1000;

struct ShadowRequest {
    ShadePeriod period;
    SunSite site;           // latitude and longitude of the ground point at the picture centre
    double planeHeight = 4; // metres above the ground
    double cell = 1;        // metres
    double extent = 50;     // metres around the buildings
    std::vector<double> contours{2, 3, 4, 5};
    bool hourly = false;
};

struct ShadowResult {
    ShadeMap map;
    std::vector<Footprint> footprints; // every roof with an outline
    std::vector<bool> measured;        // per footprint
    std::vector<Count> unmeasured;     // roofs left out: no measured height
    std::vector<Count> crossing;       // roofs left out: the outline crosses itself
    std::vector<ShadeLevelLines> contours;
    std::vector<ShadeOutline> hourly;
};

// The request with every parameter at its declared default (the date and
// the place are the caller's).
ShadowRequest DefaultShadowRequest();

// "2,3,4,5" as ascending distinct positive hours; throws Failure
// (BadContours).
std::vector<double> ParseContours(std::string_view text);

// Throws Failure when a value lies outside its declaration or the period
// ends before it begins.
void Validate(const ShadowRequest& r);

// The whole map; throws Failure when there is nothing to map (no roofs, no
// roof with a measured height, the sun below the horizon all period, a grid
// too large, a measured roof above kMaxRoofHeight or beyond kMaxShadeReach).
// Roofs whose outline crosses itself are left out, as are unmeasured roofs
// out of that reach; only measured roofs decide the grid. Nothing when the
// feedback cancels. Warns of the roofs left out and of the minutes with the
// sun down.
std::optional<ShadowResult> RunShadow(std::span<const Footprint> plan, const ShadowRequest& r,
                                      Feedback& feedback);

// "08:00" for 8 hours.
std::string ClockText(double hours);
// "2025-12-22"
std::string DateText(const ShadePeriod& p);
// "2025-12-22 08:00-16:00 true solar time" or "... UTC+9".
std::string PeriodText(const ShadePeriod& p);

} // namespace velmora::predict
