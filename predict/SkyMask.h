// SPDX-License-Identifier: GPL-3.0-or-later
// The sky mask as an algorithm: the elevation the buildings cover at every
// degree of azimuth around a receiver, and with a date the sun's path of
// that day with its minutes of direct and blocked sun.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "geometry/SkyMask.h"
#include "predict/Feedback.h"

namespace velmora::predict {

struct SkyMaskRequest {
    PlanXY at;                    // receiver, plan metres
    double antenna = 1.5;         // above the ground
    std::optional<SunClock> date; // the sun's day, with its UTC offset
    SunSite site;                 // with a date: the origin
};

struct SkyMaskResult {
    std::vector<double> mask;             // degrees, one per degree of azimuth from north
    std::optional<SunDay> day;            // with a date
    std::vector<Count> unknown, crossing; // roofs left out
};

// Throws Failure when a value lies outside its declaration.
void Validate(const SkyMaskRequest& r);

// Only roofs of a measured height whose outline does not cross itself make
// the mask; the others are warned of. Throws Failure (InsideRoof, naming
// `projectFile`) for a receiver inside a roof.
SkyMaskResult RunSkyMask(std::span<const Footprint> plan, const SkyMaskRequest& r,
                         Feedback& feedback, const std::string& projectFile = {});

} // namespace velmora::predict
