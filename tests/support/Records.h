// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers of the data tests: building small records and checking that the
// tables of a record are consistent.
#pragma once

#include <string>
#include <vector>

#include <QString>

#include "data/BuildingData.h"

namespace testsupport {

using velmora::BuildingData;
using velmora::Count;
using velmora::PicturePoint;
using Outline = std::vector<PicturePoint>;

// Empty string when the tables of `d` are consistent: roofs occupy
// consecutive runs from slot 0 and the point total is their sum, every run
// ends on its first point, every roof has status 1, every wall names an
// existing roof, and no count exceeds its capacity. Otherwise the first
// violation found.
std::string InvariantViolation(const BuildingData& d);

// Appends a roof with these corners; the closing point is added.
void AddRoof(BuildingData& d, const Outline& corners, float height = 0);
void AddWall(BuildingData& d, PicturePoint upper, PicturePoint lower, Count owner);

// The stored run of roof r.
Outline RoofPoints(const BuildingData& d, int r);

// "x,y;x,y;..." <-> points.
Outline ParsePoints(const QString& text);
QString PointsText(const Outline& points);

} // namespace testsupport
