// SPDX-License-Identifier: GPL-3.0-or-later
// Buildings read from map data: the GeoPackage export read back gives the
// prisms and the sky mask it was made from, OpenStreetMap's height and
// storeys both raise a prism, the box limits what is read, and every bad
// input is named by file, feature and reason.
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <fstream>

#include "geometry/SkyMask.h"
#include "gis/GeoPackage.h"
#include "gis/GisBuildings.h"
#include "gis/PlanProjection.h"

using namespace velmora;
using namespace velmora::gis;

namespace {

std::string Write(const QTemporaryDir& dir, const QString& name, const std::string& bytes) {
    const std::string path = dir.filePath(name).toStdString();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

Footprint Box(double x0, double y0, double x1, double y1, double height) {
    Footprint f;
    f.ring = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
    f.height = height;
    return f;
}

// Footprints as the exports place them on the map.
std::vector<BuildingPolygon> OnTheMap(const std::vector<Footprint>& footprints, double lat,
                                      double lon) {
    std::vector<BuildingPolygon> out;
    for (std::size_t i = 0; i < footprints.size(); ++i) {
        BuildingPolygon b;
        b.roof = static_cast<Count>(i);
        b.height = footprints[i].height;
        Ring ring = PlanToLonLat(footprints[i].ring, lat, lon);
        ring.push_back(ring.front());
        b.parts = CutAtAntimeridian(ring);
        out.push_back(std::move(b));
    }
    return out;
}

std::vector<Footprint> Prisms(const GisRead& r) {
    std::vector<Footprint> out;
    for (const GisBuilding& b : r.buildings)
        out.push_back(b.footprint);
    return out;
}

// A GeoJSON feature collection of the given features (the text of each).
std::string Collection(const std::vector<std::string>& features) {
    std::string s = R"({"type":"FeatureCollection","features":[)";
    for (std::size_t i = 0; i < features.size(); ++i)
        s += (i ? "," : "") + features[i];
    return s + "]}";
}

std::string Square(const std::string& properties, double lon = 139, double lat = 35) {
    char buf[400];
    std::snprintf(
        buf, sizeof buf,
        R"({"type":"Feature","properties":{%s},"geometry":{"type":"Polygon",)"
        R"("coordinates":[[[%.7f,%.7f],[%.7f,%.7f],[%.7f,%.7f],[%.7f,%.7f],[%.7f,%.7f]]]}})",
        properties.c_str(), lon, lat, lon + 1e-4, lat, lon + 1e-4, lat + 1e-4, lon, lat + 1e-4, lon,
        lat);
    return buf;
}

} // namespace

class TestGisBuildings : public QObject {
    Q_OBJECT

  private slots:
    void exportReadBack_data() {
        QTest::addColumn<double>("lat");
        QTest::addColumn<double>("lon");
        QTest::newRow("Tokyo") << 35.68 << 139.77;
        QTest::newRow("southern hemisphere") << -33.87 << 151.21;
        QTest::newRow("far north") << 69.65 << 18.96;
        QTest::newRow("on the antimeridian") << -16.5 << 179.9995;
    }
    void exportReadBack() {
        QFETCH(double, lat);
        QFETCH(double, lon);
        const std::vector<Footprint> plan{Box(10, -5, 20, 5, 11.5), Box(-30, 10, -20, 30, 20),
                                          Box(-8, -40, 25, -25, 7.25)};
        QTemporaryDir dir;
        const std::string path = Write(dir, "b.gpkg", GeoPackageBytes(OnTheMap(plan, lat, lon)));
        GisReadOptions o;
        o.latitude = lat;
        o.longitude = lon;
        const GisRead r = ReadGisBuildings(path, o);
        QVERIFY2(r.failure.empty(), r.failure.c_str());
        QVERIFY(r.problems.empty());
        // Straddling the antimeridian, a building comes back in two parts.
        std::vector<Footprint> back = Prisms(r);
        QVERIFY(back.size() >= plan.size());
        if (back.size() == plan.size()) {
            for (std::size_t i = 0; i < plan.size(); ++i) {
                QCOMPARE(back[i].height, plan[i].height);
                QCOMPARE(back[i].ring.size(), plan[i].ring.size());
                for (std::size_t k = 0; k < plan[i].ring.size(); ++k) {
                    // The export's 7 decimals: a centimetre.
                    QVERIFY(std::fabs(back[i].ring[k].x - plan[i].ring[k].x) < 0.01);
                    QVERIFY(std::fabs(back[i].ring[k].y - plan[i].ring[k].y) < 0.01);
                }
            }
        }
        // Receivers some 30 m and more from the walls: the export's 7 decimals
        // move a corner by up to half a centimetre.
        for (const PlanXY at : {PlanXY{0.37, 51.3}, PlanXY{-61.1, -7.9}, PlanXY{47.3, -12.6}}) {
            const std::vector<double> a = SkyScene(plan, at, 1.5).Mask(1);
            const std::vector<double> b = SkyScene(back, at, 1.5).Mask(1);
            for (std::size_t k = 0; k < a.size(); ++k)
                QVERIFY2(
                    std::fabs(a[k] - b[k]) < 0.01,
                    qPrintable(
                        QStringLiteral("azimuth %1: %2 against %3").arg(k).arg(b[k]).arg(a[k])));
        }
    }

    // A hand-written OpenStreetMap file: one building by its height, one by
    // its storeys, one without either, and a park that is no building.
    void openStreetMap_data() {
        QTest::addColumn<double>("azimuth");
        QTest::addColumn<double>("height");
        QTest::addColumn<double>("distance");
        QTest::newRow("north: height 15 m") << 0.0 << 15.0 << 20.0;
        QTest::newRow("east: 4 storeys") << 90.0 << 12.0 << 30.0;
        QTest::newRow("south: no height") << 180.0 << 0.0 << 20.0;
        QTest::newRow("west: a park") << 270.0 << 0.0 << 20.0;
    }
    void openStreetMap() {
        QFETCH(double, azimuth);
        QFETCH(double, height);
        QFETCH(double, distance);
        const double lat0 = 35, lon0 = 139;
        // Node coordinates from plan metres through the projection itself.
        std::vector<std::array<double, 2>> corners{
            {-10, 20},  {10, 20},   {10, 40},  {-10, 40},  // north
            {30, -10},  {50, -10},  {50, 10},  {30, 10},   // east
            {-10, -20}, {10, -20},  {10, -40}, {-10, -40}, // south
            {-20, -10}, {-40, -10}, {-40, 10}, {-20, 10}}; // west
        const PlanProjection projection(lat0, lon0);
        projection.ToLonLat(corners);
        std::string xml = "<?xml version='1.0' encoding='UTF-8'?>\n<osm version='0.6'>\n";
        char buf[200];
        for (std::size_t i = 0; i < corners.size(); ++i) {
            std::snprintf(buf, sizeof buf, "<node id='%zu' lat='%.9f' lon='%.9f'/>\n", i + 1,
                          corners[i][1], corners[i][0]);
            xml += buf;
        }
        const char* tags[] = {"<tag k='building' v='yes'/><tag k='height' v='15'/>",
                              "<tag k='building' v='house'/><tag k='building:levels' v='4'/>",
                              "<tag k='building' v='yes'/>", "<tag k='leisure' v='park'/>"};
        for (int w = 0; w < 4; ++w) {
            xml += "<way id='" + std::to_string(100 + w) + "'>";
            for (int k = 0; k < 5; ++k)
                xml += "<nd ref='" + std::to_string(w * 4 + k % 4 + 1) + "'/>";
            xml += std::string(tags[w]) + "</way>\n";
        }
        xml += "</osm>\n";
        QTemporaryDir dir;
        GisReadOptions o;
        o.latitude = lat0;
        o.longitude = lon0;
        const GisRead r = ReadGisBuildings(Write(dir, "town.osm", xml), o);
        QVERIFY2(r.failure.empty(), r.failure.c_str());
        QCOMPARE(r.buildings.size(), std::size_t(2));
        QCOMPARE(r.unmeasured, std::vector<std::string>{"way 102"});
        const std::vector<Footprint> prisms = Prisms(r);
        const double antenna = 1.5;
        const double elevation = SkyScene(prisms, {0, 0}, antenna).ElevationAt(azimuth);
        const double expected =
            height > 0 ? std::atan((height - antenna) / distance) * 180 / M_PI : 0.0;
        QVERIFY2(std::fabs(elevation - expected) < 0.01,
                 qPrintable(QStringLiteral("%1 against %2").arg(elevation).arg(expected)));
    }

    // What a file without usable data says: the file-level failure, or one
    // line naming the feature and the reason.
    void badInput_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("problem");
        QTest::newRow("missing") << "" << QByteArray() << "not a regular file"
                                 << "";
        QTest::newRow("folder") << "." << QByteArray() << "not a regular file"
                                << "";
        QTest::newRow("virtual file system")
            << "/vsimem/x.geojson" << QByteArray() << "not a regular file"
            << "";
        QTest::newRow("connection string") << "PG:dbname=x" << QByteArray() << "not a regular file"
                                           << "";
        QTest::newRow("not map data")
            << "notes.txt" << QByteArray("just some words\n") << "GDAL cannot read it as map data"
            << "";
        QTest::newRow("points only")
            << "points.geojson"
            << QByteArray(R"({"type":"FeatureCollection","features":[{"type":"Feature",)"
                          R"("properties":{"height":3},"geometry":{"type":"Point",)"
                          R"("coordinates":[139,35]}}]})")
            << "no polygons"
            << "";
        QTest::newRow("height not a number")
            << "b.geojson" << QByteArray::fromStdString(Collection({Square(R"("height":"tall")")}))
            << ""
            << "feature 0: height \"tall\" is not a number";
        QTest::newRow("negative height")
            << "b.geojson" << QByteArray::fromStdString(Collection({Square(R"("height":-4)")}))
            << ""
            << "feature 0: height -4 is negative";
        QTest::newRow("height over 1000 m")
            << "b.geojson"
            << QByteArray::fromStdString(Collection({Square(R"("height":"1200 m")")})) << ""
            << "feature 0: height 1200 m is over 1000 m";
        QTest::newRow("base above the top")
            << "b.geojson"
            << QByteArray::fromStdString(Collection({Square(R"("height":10,"min_height":12)")}))
            << ""
            << "feature 0: min_height 12 is not below the height 10";
        QTest::newRow("flat outline")
            << "b.geojson"
            << QByteArray(R"({"type":"FeatureCollection","features":[{"type":"Feature",)"
                          R"("properties":{"height":3},"geometry":{"type":"Polygon",)"
                          R"("coordinates":[[[139,35],[139,35.0001],[139,35.0002],[139,35]]]}}]})")
            << ""
            << "feature 0: the outline has no area";
        QTest::newRow("projected, no coordinate system")
            << "b.geojson"
            << QByteArray(R"({"type":"FeatureCollection","features":[{"type":"Feature",)"
                          R"("properties":{"height":3},"geometry":{"type":"Polygon",)"
                          R"("coordinates":[[[500000,4000000],[500010,4000000],)"
                          R"([500010,4000010],[500000,4000000]]]}}]})")
            << ""
            << "feature 0: its corners are not longitude and latitude";
    }
    void badInput() {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QString, failure);
        QFETCH(QString, problem);
        QTemporaryDir dir;
        std::string path = name.toStdString();
        if (!content.isEmpty())
            path = Write(dir, name, content.toStdString());
        else if (name.isEmpty())
            path = dir.filePath(QStringLiteral("absent.geojson")).toStdString();
        GisReadOptions o;
        o.latitude = 35;
        o.longitude = 139;
        const GisRead r = ReadGisBuildings(path, o);
        QVERIFY2(QString::fromStdString(r.failure).contains(failure),
                 r.failure.empty() ? "(no failure)" : r.failure.c_str());
        if (!failure.isEmpty()) {
            QVERIFY(r.buildings.empty());
            return;
        }
        QVERIFY(r.buildings.empty());
        QCOMPARE(r.problems.size(), std::size_t(1));
        QVERIFY2(QString::fromStdString(r.problems[0]).startsWith(problem), r.problems[0].c_str());
    }

    // Features without a height are named, the others kept, and the field's
    // name follows the option.
    void heightField_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("kept");
        QTest::addColumn<QString>("unmeasured");
        QTest::newRow("height") << "height" << 2 << "feature 2";
        QTest::newRow("other field") << "roof_top" << 1 << "feature 0, feature 2";
        QTest::newRow("no such field") << "z" << 0 << "feature 0, feature 1, feature 2";
    }
    void heightField() {
        QFETCH(QString, field);
        QFETCH(int, kept);
        QFETCH(QString, unmeasured);
        QTemporaryDir dir;
        const std::string path =
            Write(dir, "b.geojson",
                  Collection({Square(R"("height":12)", 139),
                              Square(R"("height":" 8.5 ","roof_top":9)", 139.001),
                              Square(R"("height":null)", 139.002)}));
        GisReadOptions o;
        o.latitude = 35;
        o.longitude = 139;
        o.heightField = field.toStdString();
        const GisRead r = ReadGisBuildings(path, o);
        QVERIFY(r.failure.empty());
        QVERIFY(r.problems.empty());
        QCOMPARE(static_cast<int>(r.buildings.size()), kept);
        QStringList names;
        for (const std::string& n : r.unmeasured)
            names << QString::fromStdString(n);
        QCOMPARE(names.join(QStringLiteral(", ")), unmeasured);
    }

    // Only features whose extent meets the box are read.
    void box_data() {
        QTest::addColumn<double>("margin");
        QTest::addColumn<int>("kept");
        QTest::newRow("around the first") << 20.0 << 1;
        QTest::newRow("around both") << 120.0 << 2;
    }
    void box() {
        QFETCH(double, margin);
        QFETCH(int, kept);
        QTemporaryDir dir;
        // The second square lies some 91 m east of the first.
        const std::string path =
            Write(dir, "b.geojson",
                  Collection({Square(R"("height":12)", 139), Square(R"("height":9)", 139.001)}));
        GisReadOptions o;
        o.latitude = 35;
        o.longitude = 139;
        const std::vector<PlanXY> at{{0, 0}};
        o.bbox = BoxAround(at, margin, o.latitude, o.longitude);
        const GisRead r = ReadGisBuildings(path, o);
        QVERIFY(r.failure.empty());
        QCOMPARE(static_cast<int>(r.buildings.size()), kept);
    }

    void heightText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("metres");
        QTest::addColumn<QString>("problem");
        QTest::newRow("plain") << "12.5" << 12.5 << "";
        QTest::newRow("with unit") << "12 m" << 12.0 << "";
        QTest::newRow("unit without space") << "7m" << 7.0 << "";
        QTest::newRow("feet") << "40 ft" << 0.0 << "\"40 ft\" is not a number";
        QTest::newRow("decimal comma") << "12,5" << 0.0 << "\"12,5\" is not a number";
        QTest::newRow("negative") << "-1" << 0.0 << "-1 is negative";
        QTest::newRow("too tall") << "1000.5" << 0.0 << "1000.5 is over 1000 m";
        QTest::newRow("infinite") << "inf" << 0.0 << "\"inf\" is not a number";
        QTest::newRow("the tallest allowed") << "1000" << 1000.0 << "";
    }
    void heightText() {
        QFETCH(QString, text);
        QFETCH(double, metres);
        QFETCH(QString, problem);
        double m = 0;
        const std::optional<std::string> why = HeightProblem(text.toStdString(), m);
        QCOMPARE(QString::fromStdString(why.value_or("")), problem);
        if (!why)
            QCOMPARE(m, metres);
    }
};

QTEST_APPLESS_MAIN(TestGisBuildings)
#include "test_gisbuildings.moc"
