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

double RingArea(const std::vector<std::array<double, 2>>& ring) {
    double twice = 0;
    for (std::size_t i = 0; i + 1 < ring.size(); ++i)
        twice += ring[i][0] * ring[i + 1][1] - ring[i + 1][0] * ring[i][1];
    return twice / 2;
}

} // namespace

std::vector<BuildingPolygon> BuildingPolygons(const BuildingData& d, double latitude,
                                              double longitude, std::vector<Count>* skipped) {
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
        BuildingPolygon b;
        b.roof = f.roof;
        b.height = f.height;
        for (std::size_t i = 0; i < f.ring.size(); ++i, ++next) {
            const std::array<double, 2> c{Degrees7(coords[next].xy.x), Degrees7(coords[next].xy.y)};
            // Corners closer than the rounding become one.
            if (b.ring.empty() || b.ring.back() != c)
                b.ring.push_back(c);
        }
        while (b.ring.size() > 1 && b.ring.back() == b.ring.front())
            b.ring.pop_back();
        if (b.ring.size() < 3) {
            if (skipped)
                skipped->push_back(f.roof);
            continue;
        }
        b.ring.push_back(b.ring.front());
        const double area = RingArea(b.ring);
        if (area == 0) {
            if (skipped)
                skipped->push_back(f.roof);
            continue;
        }
        if (area < 0)
            std::reverse(b.ring.begin(), b.ring.end());
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
        json ring = json::array();
        for (const auto& c : b.ring)
            ring.push_back({c[0], c[1]});
        features.push_back(
            {{"type", "Feature"},
             {"properties",
              {{"roof", b.roof}, {"height", std::round(b.height * 100) / 100}, {"min_height", 0}}},
             {"geometry", {{"type", "Polygon"}, {"coordinates", json::array({ring})}}}});
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
        const QString height = Fixed(b.height, 2);
        x.writeStartElement(QStringLiteral("Placemark"));
        x.writeTextElement(QStringLiteral("name"), QStringLiteral("roof %1").arg(b.roof));
        x.writeStartElement(QStringLiteral("ExtendedData"));
        for (const auto& [key, value] : {std::pair{QStringLiteral("roof"), QString::number(b.roof)},
                                         std::pair{QStringLiteral("height"), height}}) {
            x.writeStartElement(QStringLiteral("Data"));
            x.writeAttribute(QStringLiteral("name"), key);
            x.writeTextElement(QStringLiteral("value"), value);
            x.writeEndElement();
        }
        x.writeEndElement();
        x.writeStartElement(QStringLiteral("Polygon"));
        x.writeTextElement(QStringLiteral("extrude"), QStringLiteral("1"));
        x.writeTextElement(QStringLiteral("altitudeMode"), QStringLiteral("relativeToGround"));
        x.writeStartElement(QStringLiteral("outerBoundaryIs"));
        x.writeStartElement(QStringLiteral("LinearRing"));
        QString coordinates;
        for (const auto& c : b.ring)
            coordinates +=
                QStringLiteral("%1,%2,%3 ")
                    .arg(QString::number(c[0], 'f', 7), QString::number(c[1], 'f', 7), height);
        coordinates.chop(1);
        x.writeTextElement(QStringLiteral("coordinates"), coordinates);
        x.writeEndElement(); // LinearRing
        x.writeEndElement(); // outerBoundaryIs
        x.writeEndElement(); // Polygon
        x.writeEndElement(); // Placemark
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
    std::vector<Count> skipped;
    const std::vector<BuildingPolygon> buildings =
        BuildingPolygons(*project.data, lat, lon, &skipped);
    for (const Count roof : skipped)
        std::fprintf(stderr, "velmora-cli: %s: roof %d has no area and is left out\n",
                     qPrintable(project.path), roof);
    WriteOutput(p.value(QStringLiteral("output")),
                format == QStringLiteral("kml")
                    ? KmlText(buildings, QFileInfo(project.path).completeBaseName())
                    : GeoJsonText(buildings));
    return 0;
}

} // namespace velmora::cli
