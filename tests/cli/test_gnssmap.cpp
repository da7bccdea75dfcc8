// SPDX-License-Identifier: GPL-3.0-or-later
// velmora-cli gnss-map run as a process: its cells against gnss --at at
// their centres, the GeoTIFF's place, bands and nodata, tiles run through
// GNU parallel and mosaicked by gdalbuildvrt against one run, and the
// command lines it refuses.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <gdal_priv.h>
#include <memory>
#include <nlohmann/json.hpp>
#include <ogr_spatialref.h>

#include "data/ProjectFile.h"
#include "support/Process.h"
#include "support/Records.h"

using namespace velmora;

namespace {

using Run = testing::ProcessRun;

Run Cli(const QStringList& args) {
    return testing::RunProgram(QStringLiteral(VELMORA_CLI), args);
}

QString Data(const char* name) {
    return QStringLiteral(VELMORA_GNSS_DATA "/") + name;
}

// Five box roofs with wall lines (two rows of blocks and a street), one
// without a wall line.
QString WriteTown(const QString& path) {
    auto d = std::make_unique<BuildingData>();
    d->gSourceHeight = 598;
    d->gFlatHeight = 126.9125f;
    d->gSlideHeight = 102;
    d->gSlideAngle = 36.51477f;
    int roof = 0;
    for (const auto& [x, y, wall] : {std::tuple{-10.0f, 10.0f, 70.0f},
                                     {60.0f, 10.0f, 40.0f},
                                     {-80.0f, 10.0f, 90.0f},
                                     {-10.0f, 80.0f, 30.0f},
                                     {60.0f, 80.0f, 60.0f}}) {
        testsupport::AddRoof(*d, {{x, y}, {x + 44, y}, {x + 44, y + 30}, {x, y + 30}});
        testsupport::AddWall(*d, {x, y}, {x, y - wall}, roof++);
    }
    testsupport::AddRoof(*d, {{-200, 10}, {-150, 10}, {-150, 40}, {-200, 40}}, 30);
    return WriteProjectFile(*d, {804, 1004, 0, 0}, path.toStdString()).ok ? path : QString();
}

QStringList Ephemerides() {
    return {"--nav",   Data("brdc3050.12n"),
            "--nav",   Data("brdc3050.12g"),
            "--nav",   Data("brdc3050.12q"),
            "--start", "2012-10-31T21:00:00Z",
            "--hours", "2",
            "--step",  "600"};
}

QStringList Origin() {
    return {"--origin", "35.6812,139.7671"};
}

struct Raster {
    int columns = 0, rows = 0, bands = 0;
    double transform[6] = {0, 0, 0, 0, 0, 0};
    std::string crs; // as PROJ
    std::vector<std::vector<float>> values;
    std::vector<std::string> descriptions;
    std::vector<double> nodata;
};

struct Closer {
    void operator()(GDALDataset* d) const { GDALClose(d); }
};

std::optional<Raster> ReadRaster(const QString& path) {
    GDALAllRegister();
    std::unique_ptr<GDALDataset, Closer> ds(
        GDALDataset::Open(path.toUtf8().constData(), GDAL_OF_RASTER | GDAL_OF_READONLY));
    if (!ds)
        return std::nullopt;
    Raster r;
    r.columns = ds->GetRasterXSize();
    r.rows = ds->GetRasterYSize();
    r.bands = ds->GetRasterCount();
    if (ds->GetGeoTransform(r.transform) != CE_None)
        return std::nullopt;
    if (const OGRSpatialReference* srs = ds->GetSpatialRef()) {
        char* text = nullptr;
        if (srs->exportToProj4(&text) == OGRERR_NONE && text)
            r.crs = text;
        CPLFree(text);
    }
    for (int b = 1; b <= r.bands; ++b) {
        GDALRasterBand* band = ds->GetRasterBand(b);
        std::vector<float> v(static_cast<std::size_t>(r.columns) * r.rows);
        if (band->RasterIO(GF_Read, 0, 0, r.columns, r.rows, v.data(), r.columns, r.rows,
                           GDT_Float32, 0, 0) != CE_None)
            return std::nullopt;
        r.values.push_back(std::move(v));
        r.descriptions.emplace_back(band->GetDescription());
        int has = 0;
        const double nd = band->GetNoDataValue(&has);
        r.nodata.push_back(has ? nd : NAN);
    }
    return r;
}

// The value of "+name=" in a PROJ string.
double ProjValue(const std::string& proj, const std::string& name) {
    const std::size_t at = proj.find("+" + name + "=");
    return at == std::string::npos ? NAN : std::atof(proj.c_str() + at + name.size() + 2);
}

} // namespace

class GnssMapCliTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString town_;

    QString In(const QString& name) const { return dir_.filePath(name); }

    QStringList Base(const QString& area, const QString& cell) const {
        return QStringList{"gnss-map", town_} + Origin() + Ephemerides() +
               QStringList{"--area", area, "--cell", cell};
    }

  private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        town_ = WriteTown(In("town.dat"));
        QVERIFY(!town_.isEmpty());
    }

    // Each cell against the point command at its centre; cells inside a
    // footprint are nodata and the point command refuses them.
    void cellsAgreeWithGnssAt() {
        const Run run = Cli(Base("-30,-45,30,45", "15") +
                            QStringList{"--geotiff", In("cells.tif"), "--json", In("cells.json")});
        QCOMPARE(run.code, 0);
        QFile f(In("cells.json"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const auto j = nlohmann::json::parse(f.readAll().toStdString());
        const int columns = j["columns"], rows = j["rows"];
        QCOMPARE(columns, 5);
        QCOMPARE(rows, 7);
        const double west = j["west_m"], north = j["north_m"], cell = j["cell_m"];
        int inside = 0, outside = 0;
        for (int row = 0; row < rows; ++row)
            for (int c = 0; c < columns; ++c) {
                const double x = west + c * cell, y = north - row * cell;
                const Run point = Cli(QStringList{"gnss", town_, "--at",
                                                  QStringLiteral("%1,%2").arg(x).arg(y), "--json"} +
                                      Origin() + Ephemerides());
                const auto value = [&](int band) { return j["bands"][band]["rows"][row][c]; };
                const QString where = QStringLiteral("(%1, %2)").arg(x).arg(y);
                if (value(0).is_null()) {
                    QVERIFY2(point.code == 1 && point.err.contains("inside roof"),
                             qPrintable(where + point.err));
                    for (int b = 0; b < 5; ++b)
                        QVERIFY(value(b).is_null());
                    ++inside;
                    continue;
                }
                QVERIFY2(point.code == 0, qPrintable(where + point.err));
                const auto p = nlohmann::json::parse(point.out.toStdString());
                const auto& s = p["summary"];
                QVERIFY2(std::fabs(double(value(0)) - 100 * double(s["share_with_buildings"])) <
                             0.011,
                         qPrintable(where));
                QVERIFY2(std::fabs(double(value(1)) - double(s["mean_visible"])) < 0.0011,
                         qPrintable(where));
                QVERIFY2(std::fabs(double(value(3)) -
                                   double(s["longest_gap_with_buildings_seconds"]) / 60) < 1e-3,
                         qPrintable(where));
                double pdop = 0;
                int n = 0;
                for (const auto& e : p["epochs"])
                    if (!e.contains("missing") && !e["with_buildings"]["pdop"].is_null()) {
                        pdop += double(e["with_buildings"]["pdop"]);
                        ++n;
                    }
                if (n > 0)
                    QVERIFY2(std::fabs(double(value(2)) - pdop / n) <=
                                 1e-3 + 1e-5 * std::fabs(pdop / n),
                             qPrintable(where));
                else
                    QVERIFY(value(2).is_null());
                ++outside;
            }
        QVERIFY(inside > 0);
        QVERIFY(outside > 0);
        QCOMPARE(int(j["cells_inside_footprints"]), inside);
    }

    // The GeoTIFF: the plan projection of the origin, pixels centred on the
    // cells, five described bands with nodata.
    void geoTiffIsPlaced() {
        const Run run = Cli(Base("-30,-45,30,45", "15") + QStringList{"--geotiff", In("p.tif")});
        QCOMPARE(run.code, 0);
        const std::optional<Raster> r = ReadRaster(In("p.tif"));
        QVERIFY(r);
        QCOMPARE(r->columns, 5);
        QCOMPARE(r->rows, 7);
        QCOMPARE(r->bands, 5);
        QCOMPARE(r->transform[0], -30 - 7.5);
        QCOMPARE(r->transform[3], 45 + 7.5);
        QCOMPARE(r->transform[1], 15.0);
        QCOMPARE(r->transform[5], -15.0);
        QVERIFY2(r->crs.find("+proj=tmerc") != std::string::npos, r->crs.c_str());
        QCOMPARE(ProjValue(r->crs, "lat_0"), 35.6812);
        QCOMPARE(ProjValue(r->crs, "lon_0"), 139.7671);
        QCOMPARE(ProjValue(r->crs, "x_0"), 0.0);
        QCOMPARE(ProjValue(r->crs, "k"), 1.0);
        int nodata = 0;
        for (int b = 0; b < 5; ++b) {
            QCOMPARE(r->nodata[static_cast<std::size_t>(b)], -9999.0);
            QVERIFY(!r->descriptions[static_cast<std::size_t>(b)].empty());
        }
        for (float v : r->values[0]) {
            nodata += v == -9999.0f;
            QVERIFY(v == -9999.0f || (v >= 0 && v <= 100));
        }
        QVERIFY(nodata > 0 && nodata < 35);
    }

    // Three tiles (7 rows: not a multiple of three) through GNU parallel,
    // mosaicked by gdalbuildvrt: the single run's grid, cell for cell.
    void tilesThroughParallelMosaicToOneRun() {
        const QString parallel = QStandardPaths::findExecutable(QStringLiteral("parallel"));
        if (parallel.isEmpty())
            QSKIP("GNU parallel is not installed (Debian package parallel): the tiles' run "
                  "through it is not tested");
        const QString vrt = QStandardPaths::findExecutable(QStringLiteral("gdalbuildvrt"));
        QVERIFY2(!vrt.isEmpty(), "gdalbuildvrt (Debian package gdal-bin) is missing");
        const QStringList base = Base("-30,-45,30,45", "15");
        QCOMPARE(Cli(base + QStringList{"--geotiff", In("whole.tif")}).code, 0);
        QStringList args{"--will-cite", "--halt", "now,fail=1",
                         "-j",          "3",      QStringLiteral(VELMORA_CLI)};
        args << base << "--tile"
             << "{}/3"
             << "--geotiff" << In("tile{}.tif") << ":::"
             << "1"
             << "2"
             << "3";
        const Run tiles = testing::RunProgram(parallel, args);
        QVERIFY2(tiles.code == 0, qPrintable(tiles.err));
        const Run mosaic = testing::RunProgram(
            vrt, {In("mosaic.vrt"), In("tile1.tif"), In("tile2.tif"), In("tile3.tif")});
        QVERIFY2(mosaic.code == 0, qPrintable(mosaic.err));
        const std::optional<Raster> whole = ReadRaster(In("whole.tif"));
        const std::optional<Raster> joined = ReadRaster(In("mosaic.vrt"));
        QVERIFY(whole && joined);
        QCOMPARE(joined->columns, whole->columns);
        QCOMPARE(joined->rows, whole->rows);
        QCOMPARE(joined->bands, 5);
        for (int k = 0; k < 6; ++k)
            QCOMPARE(joined->transform[k], whole->transform[k]);
        for (int b = 0; b < 5; ++b)
            for (std::size_t i = 0; i < whole->values[0].size(); ++i)
                QCOMPARE(joined->values[static_cast<std::size_t>(b)][i],
                         whole->values[static_cast<std::size_t>(b)][i]);
        // Each tile holds its own rows only: 2, 2 and 3 of the 7.
        for (const auto& [name, rows] :
             {std::pair{"tile1.tif", 2}, {"tile2.tif", 2}, {"tile3.tif", 3}}) {
            const std::optional<Raster> t = ReadRaster(In(QString::fromLatin1(name)));
            QVERIFY(t);
            QCOMPARE(t->rows, rows);
        }
    }

    void refusals_data() {
        QTest::addColumn<QStringList>("extra");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        const QString tif = QStringLiteral("--geotiff");
        QTest::newRow("tile 0") << QStringList{"--tile", "0/3"} << 2 << "--tile 0/3";
        QTest::newRow("tile past the count") << QStringList{"--tile", "4/3"} << 2 << "--tile 4/3";
        QTest::newRow("no tiles") << QStringList{"--tile", "1/0"} << 2 << "--tile 1/0";
        QTest::newRow("tile words") << QStringList{"--tile", "a/b"} << 2 << "expected I/N";
        QTest::newRow("more tiles than rows") << QStringList{"--tile", "1/8"} << 2 << "only 7 rows";
        QTest::newRow("area of three") << QStringList{"--area", "1,2,3"} << 2 << "four numbers";
        QTest::newRow("area turned") << QStringList{"--area", "30,-45,-30,45"} << 2 << "east edge";
        QTest::newRow("area too far") << QStringList{"--area", "0,0,200000,10"} << 2 << "100000 m";
        QTest::newRow("cell 0") << QStringList{"--cell", "0"} << 2 << "--cell";
        QTest::newRow("three satellites")
            << QStringList{"--min-satellites", "3"} << 2 << "--min-satellites";
        QTest::newRow("png name") << QStringList{"--png", "map.svg"} << 2 << "must end in .png";
        QTest::newRow("no geotiff") << QStringList{tif} << 2 << "--geotiff";
    }
    void refusals() {
        QFETCH(QStringList, extra);
        QFETCH(int, code);
        QFETCH(QString, message);
        QStringList args = Base("-30,-45,30,45", "15");
        // The later option of a pair replaces the base's.
        for (int i = 0; i + 1 < extra.size(); i += 2) {
            const qsizetype at = args.indexOf(extra[i]);
            if (at >= 0)
                args.remove(at, 2);
        }
        const QString out = In("refused.tif");
        QFile::remove(out);
        if (extra != QStringList{"--geotiff"})
            args << "--geotiff" << out;
        if (extra.size() >= 2)
            args << extra;
        const Run run = Cli(args);
        QCOMPARE(run.code, code);
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
        QVERIFY(!QFile::exists(out));
    }
};

QTEST_GUILESS_MAIN(GnssMapCliTest)
#include "test_gnssmap.moc"
