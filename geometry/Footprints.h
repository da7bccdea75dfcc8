// The buildings as plan footprints in the north-up plan frame: metres on the
// ground from the point seen at the picture centre, x to the east, y to the
// north. The frame is the plan map turned by gNorthAngle exactly as the
// north-up plan map draws it, so a footprint here lies where that map shows it.
#pragma once

#include <span>
#include <vector>

#include "data/BuildingData.h"
#include "geometry/CameraModel.h"

namespace velmora {

struct Footprint {
    Count roof = 0;           // index in the roof table
    std::vector<PlanXY> ring; // corners in file order, no closing repeat
    double height = 0;        // gFlatTopHeight, metres
};

// A plan point (gFlatTopAreaX/Y) turned north-up.
PlanXY NorthUpPoint(const BuildingData& d, double x, double y);

// One footprint per roof of the table whose point run lies inside the point
// store; runs of fewer than three distinct corners give an empty ring.
// Repeated corners (the closing repeat among them) are dropped.
std::vector<Footprint> NorthUpFootprints(const BuildingData& d);

// Shoelace area in square metres: positive for a counter-clockwise ring (y up).
double SignedArea(std::span<const PlanXY> ring);

// Area centroid; the mean of the corners for a ring without area.
PlanXY Centroid(std::span<const PlanXY> ring);

// True for a point inside the ring or on its boundary (even-odd rule).
bool RingContains(std::span<const PlanXY> ring, PlanXY p);

} // namespace velmora
