// velmora-cli export: the building footprints on the map, as GeoJSON
// (RFC 7946) or KML, in WGS84 longitude and latitude.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <vector>

#include "data/BuildingData.h"
#include "geometry/CameraModel.h"

namespace velmora::cli {

// One building: its closed outer ring, counter-clockwise, [lon, lat] in
// degrees rounded to 7 decimals, the first corner repeated at the end.
struct BuildingPolygon {
    Count roof = 0;
    double height = 0; // metres
    std::vector<std::array<double, 2>> ring;
};

// The north-up footprints placed around the ground point at the picture
// centre (latitude, longitude in degrees) with a transverse Mercator
// projection centred there. Roofs without an area are left out and named
// in `skipped`.
std::vector<BuildingPolygon> BuildingPolygons(const BuildingData& d, double latitude,
                                              double longitude,
                                              std::vector<Count>* skipped = nullptr);

// Plan points (metres east and north of that ground point) as [lon, lat]
// in degrees rounded to 7 decimals, placed as the footprints are.
std::vector<std::array<double, 2>> PlanToLonLat(const std::vector<PlanXY>& points, double latitude,
                                                double longitude);

QByteArray GeoJsonText(const std::vector<BuildingPolygon>& buildings);
QByteArray KmlText(const std::vector<BuildingPolygon>& buildings, const QString& name);

int ExportCommand(const QStringList& args);

} // namespace velmora::cli
