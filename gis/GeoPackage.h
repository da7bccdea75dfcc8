// SPDX-License-Identifier: GPL-3.0-or-later
// The buildings as a GeoPackage (OGC 12-128r18) for GIS: one layer
// "buildings" of multipolygons in EPSG:4326 with the fields roof, height
// (NULL when it was not measured), min_height and self_intersecting.
#pragma once

#include <string>
#include <vector>

#include "gis/PlanProjection.h"

namespace velmora::gis {

// The complete file, built in memory so that the one hardened writer puts
// it in place whole; throws std::runtime_error when GDAL fails.
std::string GeoPackageBytes(const std::vector<BuildingPolygon>& buildings);

} // namespace velmora::gis
