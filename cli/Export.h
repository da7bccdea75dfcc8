// SPDX-License-Identifier: GPL-3.0-or-later
// velmora-cli export: the building footprints on the map, as GeoJSON
// (RFC 7946) or KML, in WGS84 longitude and latitude.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>
#include <vector>

#include "data/BuildingData.h"
#include "geometry/CameraModel.h"

namespace velmora::cli {

using Ring = std::vector<std::array<double, 2>>;

// One building: closed outer rings, counter-clockwise, [lon, lat] in degrees
// rounded to 7 decimals, the first corner repeated at the end. One ring, or
// one on each side of the antimeridian for a building that straddles it
// (cut at exactly 180 and -180 degrees).
struct BuildingPolygon {
    Count roof = 0;
    std::optional<double> height; // metres; none when it was not measured
    std::vector<Ring> parts;
};

// Roofs that are not exported, and why.
struct LeftOut {
    std::vector<Count> noArea;
    std::vector<Count> crossing; // the outline crosses itself
};

// The north-up footprints placed around the ground point at the picture
// centre (latitude, longitude in degrees) with a transverse Mercator
// projection centred there. Roofs without an area and roofs whose outline
// crosses itself are left out and named in `leftOut`.
std::vector<BuildingPolygon> BuildingPolygons(const BuildingData& d, double latitude,
                                              double longitude, LeftOut* leftOut = nullptr);

// A closed ring cut at the antimeridian: longitudes continuous around the
// origin's (they may run past 180 or -180) in, rings within -180 ... 180 out.
std::vector<Ring> CutAtAntimeridian(const Ring& ring);

// An open line of [lon, lat] points, longitudes continuous around the
// origin's, cut where it crosses the antimeridian (RFC 7946 3.1.9): parts
// within -180 ... 180, one ending and the next starting on the cut. Lines
// that do not cross come back whole.
std::vector<Ring> SplitLineAtAntimeridian(const Ring& line);

// Plan points (metres east and north of that ground point) as [lon, lat]
// in degrees rounded to 7 decimals, placed as the footprints are.
std::vector<std::array<double, 2>> PlanToLonLat(const std::vector<PlanXY>& points, double latitude,
                                                double longitude);

QByteArray GeoJsonText(const std::vector<BuildingPolygon>& buildings);
QByteArray KmlText(const std::vector<BuildingPolygon>& buildings, const QString& name);

int ExportCommand(const QStringList& args);

} // namespace velmora::cli
