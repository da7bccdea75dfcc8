// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Export.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QXmlStreamWriter>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <proj.h>

#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "geometry/Footprints.h"

namespace velmora::cli {

namespace {

constexpr double kDegreeScale = 1e7; // 7 decimals

double Degrees7(double v) {
    return std::round(v * kDegreeScale) / kDegreeScale;
}

// Metres east and north of the origin to WGS84 longitude and latitude.
class LocalToWgs84 {
  public:
    LocalToWgs84(double latitude, double longitude) : ctx_(proj_context_create()) {
        proj_log_level(ctx_, PJ_LOG_NONE);
        const QByteArray definition =
            QStringLiteral("+proj=tmerc +lat_0=%1 +lon_0=%2 +k_0=1 +x_0=0 +y_0=0 +ellps=WGS84 "
                           "+units=m")
                .arg(latitude, 0, 'g', 17)
                .arg(longitude, 0, 'g', 17)
                .toLatin1();
        pj_ = proj_create(ctx_, definition.constData());
        if (!pj_)
            throw Failure(
                QStringLiteral("PROJ cannot set up the local projection: ") +
                QString::fromUtf8(proj_context_errno_string(ctx_, proj_context_errno(ctx_))));
    }
    ~LocalToWgs84() {
        if (pj_)
            proj_destroy(pj_);
        proj_context_destroy(ctx_);
    }
    LocalToWgs84(const LocalToWgs84&) = delete;
    LocalToWgs84& operator=(const LocalToWgs84&) = delete;

    // In place: x, y in metres become longitude, latitude in degrees.
    void Convert(std::vector<PJ_COORD>& points) const {
        if (points.empty())
            return;
        proj_trans_array(pj_, PJ_INV, points.size(), points.data());
        for (PJ_COORD& c : points) {
            c.xy.x = proj_todeg(c.lp.lam);
            c.xy.y = proj_todeg(c.lp.phi);
            if (!std::isfinite(c.xy.x) || !std::isfinite(c.xy.y))
                throw Failure(
                    QStringLiteral("a footprint lies too far from the origin to be placed"));
        }
    }

  private:
    PJ_CONTEXT* ctx_;
    PJ* pj_ = nullptr;
};

double RingArea(const Ring& ring) {
    double twice = 0;
    for (std::size_t i = 0; i + 1 < ring.size(); ++i)
        twice += ring[i][0] * ring[i + 1][1] - ring[i + 1][0] * ring[i][1];
    return twice / 2;
}

// The part of a closed ring on one side of the meridian `cut` (keep < 0:
// west of it, > 0: east), as Sutherland and Hodgman clip: corners on the
// cut land on it exactly.
Ring ClipAt(const Ring& ring, double cut, int keep) {
    const auto inside = [&](const std::array<double, 2>& p) {
        return keep < 0 ? p[0] <= cut : p[0] >= cut;
    };
    Ring out;
    for (std::size_t i = 0; i + 1 < ring.size(); ++i) {
        const auto& a = ring[i];
        const auto& b = ring[i + 1];
        if (inside(a))
            out.push_back(a);
        if (inside(a) != inside(b) && a[0] != cut && b[0] != cut) {
            const double t = (cut - a[0]) / (b[0] - a[0]);
            out.push_back({cut, a[1] + t * (b[1] - a[1])});
        }
    }
    if (!out.empty())
        out.push_back(out.front());
    return out;
}

// Rounded to 7 decimals, corners closer than the rounding made one, closed,
// counter-clockwise; empty when no area is left.
Ring Finished(const Ring& raw) {
    Ring ring;
    for (std::size_t i = 0; i + 1 < raw.size(); ++i) {
        const std::array<double, 2> c{Degrees7(raw[i][0]), Degrees7(raw[i][1])};
        if (ring.empty() || ring.back() != c)
            ring.push_back(c);
    }
    while (ring.size() > 1 && ring.back() == ring.front())
        ring.pop_back();
    if (ring.size() < 3)
        return {};
    ring.push_back(ring.front());
    const double area = RingArea(ring);
    if (area == 0)
        return {};
    if (area < 0)
        std::reverse(ring.begin(), ring.end());
    return ring;
}

} // namespace

std::vector<Ring> CutAtAntimeridian(const Ring& ring) {
    bool east = false, west = false;
    for (const auto& c : ring) {
        east = east || c[0] > 180;
        west = west || c[0] < -180;
    }
    if (!east && !west)
        return {ring};
    // A footprint is far smaller than the globe: it crosses one of the two.
    const double cut = east ? 180 : -180;
    const double shift = east ? -360 : 360;
    Ring near = ClipAt(ring, cut, east ? -1 : 1);
    Ring far = ClipAt(ring, cut, east ? 1 : -1);
    for (auto& c : far)
        c[0] += shift;
    std::vector<Ring> out;
    for (Ring* part : {&near, &far})
        if (part->size() >= 4)
            out.push_back(std::move(*part));
    return out;
}

std::vector<Ring> SplitLineAtAntimeridian(const Ring& line) {
    const auto wrap = [](double lon) {
        return lon > 180 ? lon - 360 : lon < -180 ? lon + 360 : lon;
    };
    std::vector<Ring> out(1);
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (i > 0) {
            const auto& a = line[i - 1];
            const auto& b = line[i];
            for (const double cut : {180.0, -180.0}) {
                // Within -180 ... 180 on this side of the cut.
                const auto inside = [cut](double lon) { return cut > 0 ? lon <= cut : lon >= cut; };
                if (inside(a[0]) == inside(b[0]))
                    continue;
                const double lat = Degrees7(a[1] + (cut - a[0]) / (b[0] - a[0]) * (b[1] - a[1]));
                const double end = inside(a[0]) ? cut : -cut;
                out.back().push_back({end, lat});
                out.emplace_back();
                out.back().push_back({-end, lat});
            }
        }
        out.back().push_back({wrap(line[i][0]), line[i][1]});
    }
    std::erase_if(out, [](const Ring& part) { return part.size() < 2; });
    return out;
}

std::vector<BuildingPolygon> BuildingPolygons(const BuildingData& d, double latitude,
                                              double longitude, LeftOut* leftOut) {
    const LocalToWgs84 toWgs84(latitude, longitude);
    const std::vector<Footprint> footprints = NorthUpFootprints(d);
    // All corners in one call: PROJ's set-up per call costs more than the work.
    std::vector<PJ_COORD> coords;
    for (const Footprint& f : footprints)
        for (const PlanXY& p : f.ring)
            coords.push_back(proj_coord(p.x, p.y, 0, 0));
    toWgs84.Convert(coords);

    std::vector<BuildingPolygon> out;
    std::size_t next = 0;
    for (const Footprint& f : footprints) {
        Ring raw;
        for (std::size_t i = 0; i < f.ring.size(); ++i, ++next) {
            // Longitudes continuous around the origin's: PROJ wraps them
            // into -180 ... 180, which would tear a building at the
            // antimeridian into a band round the globe.
            double lon = coords[next].xy.x;
            lon = longitude + std::remainder(lon - longitude, 360.0);
            raw.push_back({lon, coords[next].xy.y});
        }
        if (f.crossesItself) {
            if (leftOut)
                leftOut->crossing.push_back(f.roof);
            continue;
        }
        BuildingPolygon b;
        b.roof = f.roof;
        if (f.heightState == RoofHeight::Measured)
            b.height = f.height;
        if (!raw.empty())
            raw.push_back(raw.front());
        for (const Ring& part : CutAtAntimeridian(raw)) {
            Ring ring = Finished(part);
            if (!ring.empty())
                b.parts.push_back(std::move(ring));
        }
        if (b.parts.empty()) {
            if (leftOut)
                leftOut->noArea.push_back(f.roof);
            continue;
        }
        out.push_back(std::move(b));
    }
    return out;
}

std::vector<std::array<double, 2>> PlanToLonLat(const std::vector<PlanXY>& points, double latitude,
                                                double longitude) {
    const LocalToWgs84 toWgs84(latitude, longitude);
    std::vector<PJ_COORD> coords;
    coords.reserve(points.size());
    for (const PlanXY& p : points)
        coords.push_back(proj_coord(p.x, p.y, 0, 0));
    toWgs84.Convert(coords);
    std::vector<std::array<double, 2>> out;
    out.reserve(coords.size());
    for (const PJ_COORD& c : coords)
        out.push_back({Degrees7(c.xy.x), Degrees7(c.xy.y)});
    return out;
}

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
        "as WGS84 polygons: GeoJSON (RFC 7946, properties roof, height, min_height) or KML "
        "(extruded to each building's height, relative to the ground)."));
    p.addPositionalArgument(QStringLiteral("file"), QStringLiteral("project file (.dat)"));
    p.addOption({QStringLiteral("origin"),
                 QStringLiteral("latitude and longitude in degrees (WGS84) of the ground point at "
                                "the picture centre"),
                 QStringLiteral("LAT,LON")});
    p.addOption({QStringLiteral("format"), QStringLiteral("geojson (default) or kml"),
                 QStringLiteral("geojson|kml"), QStringLiteral("geojson")});
    p.addOption({{QStringLiteral("o"), QStringLiteral("output")},
                 QStringLiteral("file to write (default: standard output)"),
                 QStringLiteral("OUT")});
    if (!ParseCommandLine(p, args, 1, 1))
        return 0;
    const QString format = p.value(QStringLiteral("format")).toLower();
    if (format != QStringLiteral("geojson") && format != QStringLiteral("kml"))
        throw UsageError(QStringLiteral("--format \"%1\": expected geojson or kml").arg(format));
    if (!p.isSet(QStringLiteral("origin")))
        throw UsageError(QStringLiteral("--origin LAT,LON is required"));
    const auto [lat, lon] = ParseOrigin(p.value(QStringLiteral("origin")));
    const Project project = ReadProject(p.positionalArguments().at(0));
    LeftOut leftOut;
    const std::vector<BuildingPolygon> buildings =
        BuildingPolygons(*project.data, lat, lon, &leftOut);
    WarnRoofs(project.path, leftOut.noArea, QStringLiteral("no area; left out"));
    WarnRoofs(project.path, leftOut.crossing, kCrossingWarning);
    std::vector<Count> unknown;
    for (const BuildingPolygon& b : buildings)
        if (!b.height)
            unknown.push_back(b.roof);
    WarnRoofs(project.path, unknown,
              QStringLiteral("height unknown (no wall line, or one drawn upwards); exported "
                             "without a height"));
    WriteOutput(p.value(QStringLiteral("output")),
                format == QStringLiteral("kml")
                    ? KmlText(buildings, QFileInfo(project.path).completeBaseName())
                    : GeoJsonText(buildings),
                {project.path});
    return 0;
}

} // namespace velmora::cli
