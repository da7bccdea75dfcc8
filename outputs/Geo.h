// SPDX-License-Identifier: GPL-3.0-or-later
// Plan metres around the ground point at the picture centre as WGS84
// longitude and latitude, through a transverse Mercator projection centred
// there (PROJ).
#pragma once

#include <array>
#include <vector>

#include "geometry/CameraModel.h"

namespace velmora {

double Degrees7(double v);

// Plan points as [lon, lat] in degrees as PROJ gives them (longitudes
// within -180 ... 180, not rounded); all in one call, as PROJ's set-up per
// call costs more than the work.
std::vector<std::array<double, 2>> PlanToLonLatExact(const std::vector<PlanXY>& points,
                                                     double latitude, double longitude);

// Plan points (metres east and north of that ground point) as [lon, lat]
// in degrees rounded to 7 decimals. Throws predict::Failure (Projection,
// TooFar).
std::vector<std::array<double, 2>> PlanToLonLat(const std::vector<PlanXY>& points, double latitude,
                                                double longitude);

} // namespace velmora
