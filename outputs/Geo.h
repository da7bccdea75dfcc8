// SPDX-License-Identifier: GPL-3.0-or-later
// Plan metres around the ground point at the picture centre as WGS84
// longitude and latitude for the output files, through the plan frame's one
// projection (gis/PlanProjection), its failures as predict::Failure.
#pragma once

#include <array>
#include <vector>

#include "geometry/CameraModel.h"
#include "gis/PlanProjection.h"
#include "predict/Errors.h"

namespace velmora {

using gis::Degrees7;
using gis::Ring;

// The projection's failure as the predictions word it (Projection, TooFar).
predict::Failure ProjectionFailure(const gis::ProjectionError& e);

// An open line of [lon, lat] points, longitudes continuous around the
// origin's, cut where it crosses the antimeridian (RFC 7946 3.1.9): parts
// within -180 ... 180, one ending and the next starting on the cut. Lines
// that do not cross come back whole.
std::vector<Ring> SplitLineAtAntimeridian(const Ring& line);

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
