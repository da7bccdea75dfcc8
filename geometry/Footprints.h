// SPDX-License-Identifier: GPL-3.0-or-later
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

// Whether a roof's height was measured. Only a wall line measures a
// height: a roof without one has none (not 0 m), and a wall line drawn
// upwards gives a height below the ground, which is no height either.
enum class RoofHeight {
    Measured,
    NoWallLine,
    NotAboveGround, // 0 m or less: the wall line runs upwards or has no length
};

// The one decision every output makes before it uses gFlatTopHeight.
RoofHeight RoofHeightOf(const BuildingData& d, Count roof);

struct Footprint {
    Count roof = 0;           // index in the roof table
    std::vector<PlanXY> ring; // corners in file order, no closing repeat
    double height = 0;        // gFlatTopHeight, metres
    // Where the prism starts above the ground (map data's min_height: a
    // bridge, an overhang); 0 for traced buildings. Rays and sunlight pass
    // beneath it.
    double base = 0;
    RoofHeight heightState = RoofHeight::Measured;
    bool crossesItself = false; // see OutlineCrossesItself
};

// A plan point (gFlatTopAreaX/Y) turned north-up.
PlanXY NorthUpPoint(const BuildingData& d, double x, double y);

// One footprint per roof of the table whose point run lies inside the point
// store; runs of fewer than three distinct corners give an empty ring.
// Repeated corners (the closing repeat among them) are dropped.
std::vector<Footprint> NorthUpFootprints(const BuildingData& d);

// The plan state of a record as the plan map shows it: heights from the
// wall lines, then the roofs' plan positions (gFlatTop*), for a picture
// `pictureWidth` pixels wide (the view less its border).
void ComputePlanState(BuildingData& d, double pictureWidth);
// The north-up footprints, with their heights and height states, of a copy
// of the record brought to that state; the record itself is not changed.
std::vector<Footprint> PlanFootprints(const BuildingData& record, double pictureWidth);

// Shoelace area in square metres: positive for a counter-clockwise ring (y up).
double SignedArea(std::span<const PlanXY> ring);

// Area centroid; the mean of the corners for a ring without area.
PlanXY Centroid(std::span<const PlanXY> ring);

// True when two edges of the closed ring meet anywhere but at the corner
// they share (a bow-tie, a pentagram, an edge doubling back on the one
// before): such an outline has no area of its own.
bool OutlineCrossesItself(std::span<const PlanXY> ring);

// The same for a roof's plan outline (gFlatTopAreaX/Y, as the plan map draws
// it); false for a roof whose run is not in the point store.
bool RoofOutlineCrossesItself(const BuildingData& d, Count roof);

// True for a point inside the ring or on its boundary (even-odd rule).
bool RingContains(std::span<const PlanXY> ring, PlanXY p);

} // namespace velmora
