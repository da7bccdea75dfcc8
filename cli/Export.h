// SPDX-License-Identifier: GPL-3.0-or-later
// velmora-cli export: the building footprints on the map, as GeoJSON
// (RFC 7946) or KML, in WGS84 longitude and latitude.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

#include "gis/PlanProjection.h"

namespace velmora::cli {

// The map polygons live in the core; the command line writes them out.
using gis::BuildingPolygon;
using gis::BuildingPolygons;
using gis::CutAtAntimeridian;
using gis::LeftOut;
using gis::PlanToLonLat;
using gis::Ring;

QByteArray GeoJsonText(const std::vector<BuildingPolygon>& buildings);
QByteArray KmlText(const std::vector<BuildingPolygon>& buildings, const QString& name);

int ExportCommand(const QStringList& args);

} // namespace velmora::cli
