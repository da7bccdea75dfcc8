// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Export.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QXmlStreamWriter>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "geometry/Footprints.h"
#include "gis/GeoPackage.h"
#include "outputs/Geo.h"

namespace velmora::cli {

QByteArray GeoJsonText(const std::vector<BuildingPolygon>& buildings) {
    using json = nlohmann::ordered_json;
    json features = json::array();
    for (const BuildingPolygon& b : buildings) {
        json polygons = json::array();
        for (const Ring& part : b.parts) {
            json ring = json::array();
            for (const auto& c : part)
                ring.push_back({c[0], c[1]});
            polygons.push_back(json::array({ring}));
        }
        // A height that was not measured is null, which RFC 7946 allows.
        const json height = b.height ? json(std::round(*b.height * 100) / 100) : json();
        const json geometry = polygons.size() == 1
                                  ? json{{"type", "Polygon"}, {"coordinates", polygons[0]}}
                                  : json{{"type", "MultiPolygon"}, {"coordinates", polygons}};
        features.push_back(
            {{"type", "Feature"},
             {"properties", {{"roof", b.roof}, {"height", height}, {"min_height", 0}}},
             {"geometry", geometry}});
    }
    const json collection = {{"type", "FeatureCollection"}, {"features", features}};
    return QByteArray::fromStdString(collection.dump() + "\n");
}

QByteArray KmlText(const std::vector<BuildingPolygon>& buildings, const QString& name) {
    QByteArray bytes;
    QXmlStreamWriter x(&bytes);
    x.setAutoFormatting(true);
    x.writeStartDocument();
    x.writeStartElement(QStringLiteral("kml"));
    x.writeDefaultNamespace(QStringLiteral("http://www.opengis.net/kml/2.2"));
    x.writeStartElement(QStringLiteral("Document"));
    x.writeTextElement(QStringLiteral("name"), name);
    for (const BuildingPolygon& b : buildings) {
        // A building of unknown height lies flat on the ground.
        const QString height = b.height ? Fixed(*b.height, 2) : QStringLiteral("unknown");
        const QString z = b.height ? height : QStringLiteral("0");
        x.writeStartElement(QStringLiteral("Placemark"));
        x.writeTextElement(QStringLiteral("name"),
                           b.height ? QStringLiteral("roof %1").arg(b.roof)
                                    : QStringLiteral("roof %1 (height unknown)").arg(b.roof));
        x.writeStartElement(QStringLiteral("ExtendedData"));
        for (const auto& [key, value] : {std::pair{QStringLiteral("roof"), QString::number(b.roof)},
                                         std::pair{QStringLiteral("height"), height}}) {
            x.writeStartElement(QStringLiteral("Data"));
            x.writeAttribute(QStringLiteral("name"), key);
            x.writeTextElement(QStringLiteral("value"), value);
            x.writeEndElement();
        }
        x.writeEndElement();
        if (b.parts.size() > 1)
            x.writeStartElement(QStringLiteral("MultiGeometry"));
        for (const Ring& part : b.parts) {
            x.writeStartElement(QStringLiteral("Polygon"));
            x.writeTextElement(QStringLiteral("extrude"),
                               b.height ? QStringLiteral("1") : QStringLiteral("0"));
            x.writeTextElement(QStringLiteral("altitudeMode"),
                               b.height ? QStringLiteral("relativeToGround")
                                        : QStringLiteral("clampToGround"));
            x.writeStartElement(QStringLiteral("outerBoundaryIs"));
            x.writeStartElement(QStringLiteral("LinearRing"));
            QString coordinates;
            for (const auto& c : part)
                coordinates +=
                    QStringLiteral("%1,%2,%3 ")
                        .arg(QString::number(c[0], 'f', 7), QString::number(c[1], 'f', 7), z);
            coordinates.chop(1);
            x.writeTextElement(QStringLiteral("coordinates"), coordinates);
            x.writeEndElement(); // LinearRing
            x.writeEndElement(); // outerBoundaryIs
            x.writeEndElement(); // Polygon
        }
        if (b.parts.size() > 1)
            x.writeEndElement(); // MultiGeometry
        x.writeEndElement();     // Placemark
    }
    x.writeEndElement(); // Document
    x.writeEndElement(); // kml
    x.writeEndDocument();
    return bytes;
}

int ExportCommand(const QStringList& args) {
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Exports the plan footprints of a project file, turned north-up with its north angle, "
        "as WGS84 polygons: GeoJSON (RFC 7946, properties roof, height, min_height), KML "
        "(extruded to each building's height, relative to the ground) or GeoPackage (layer "
        "buildings in EPSG:4326, fields roof, height (NULL when not measured), min_height and "
        "self_intersecting; needs -o)."));
    p.addPositionalArgument(QStringLiteral("file"), QStringLiteral("project file (.dat)"));
    p.addOption({QStringLiteral("origin"),
                 QStringLiteral("latitude and longitude in degrees (WGS84) of the ground point at "
                                "the picture centre"),
                 QStringLiteral("LAT,LON")});
    p.addOption({QStringLiteral("format"), QStringLiteral("geojson (default), kml or gpkg"),
                 QStringLiteral("geojson|kml|gpkg"), QStringLiteral("geojson")});
    p.addOption({{QStringLiteral("o"), QStringLiteral("output")},
                 QStringLiteral("file to write (default: standard output)"),
                 QStringLiteral("OUT")});
    if (!ParseCommandLine(p, args, 1, 1))
        return 0;
    const QString format = p.value(QStringLiteral("format")).toLower();
    const bool gpkg = format == QStringLiteral("gpkg");
    if (format != QStringLiteral("geojson") && format != QStringLiteral("kml") && !gpkg)
        throw UsageError(
            QStringLiteral("--format \"%1\": expected geojson, kml or gpkg").arg(format));
    const QString output = p.value(QStringLiteral("output"));
    if (gpkg && (output.isEmpty() || output == QStringLiteral("-")))
        throw UsageError(QStringLiteral("--format gpkg writes a file: -o OUT.gpkg is required"));
    if (!p.isSet(QStringLiteral("origin")))
        throw UsageError(QStringLiteral("--origin LAT,LON is required"));
    const auto [lat, lon] = ParseOrigin(p.value(QStringLiteral("origin")));
    const Project project = ReadProject(p.positionalArguments().at(0));
    LeftOut leftOut;
    // GIS keeps a crossing outline, marked, for its user to mend.
    std::vector<BuildingPolygon> buildings;
    try {
        buildings = BuildingPolygons(*project.data, lat, lon, &leftOut, gpkg);
    } catch (const gis::ProjectionError& e) {
        throw ProjectionFailure(e);
    }
    WarnRoofs(project.path, leftOut.noArea, QStringLiteral("no area; left out"));
    WarnRoofs(project.path, leftOut.crossing, kCrossingWarning);
    std::vector<Count> unknown, crossing;
    for (const BuildingPolygon& b : buildings) {
        if (!b.height)
            unknown.push_back(b.roof);
        if (b.selfIntersecting)
            crossing.push_back(b.roof);
    }
    WarnRoofs(project.path, crossing,
              QStringLiteral("outline crosses itself; exported with self_intersecting set"));
    WarnRoofs(project.path, unknown,
              QStringLiteral("height unknown (no wall line, or one drawn upwards); exported "
                             "without a height"));
    QByteArray bytes;
    if (gpkg)
        bytes = QByteArray::fromStdString(gis::GeoPackageBytes(buildings));
    else if (format == QStringLiteral("kml"))
        bytes = KmlText(buildings, QFileInfo(project.path).completeBaseName());
    else
        bytes = GeoJsonText(buildings);
    WriteOutput(output, bytes, {project.path});
    return 0;
}

} // namespace velmora::cli
