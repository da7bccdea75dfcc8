// SPDX-License-Identifier: GPL-3.0-or-later
// The GNSS map: its cells against the point prediction at their centres,
// nodata inside footprints, tiles that together make the whole grid, the
// same figures on any number of threads, and the refusals of bad areas,
// cells and tiles.
#include <QtTest>
#include <cmath>
#include <functional>

#include "geometry/SkyMask.h"
#include "gnss/Reflections.h"
#include "predict/GnssMap.h"
#include "support/GnssData.h"

using namespace velmora;
using namespace velmora::predict;

namespace {

Footprint Box(Count roof, double x0, double y0, double w, double h, double height,
              RoofHeight state = RoofHeight::Measured) {
    Footprint f;
    f.roof = roof;
    f.ring = {{x0, y0}, {x0 + w, y0}, {x0 + w, y0 + h}, {x0, y0 + h}};
    f.height = height;
    f.heightState = state;
    return f;
}

// A street running north between two tall blocks, a low one at its end,
// and one without a height (nodata, but blocks nothing).
std::vector<Footprint> Street() {
    return {Box(0, -30, -40, 22, 80, 35), Box(1, 8, -40, 22, 80, 28), Box(2, -8, 30, 16, 8, 6),
            Box(3, -6, -36, 4, 4, 0, RoofHeight::NoWallLine)};
}

GnssMapRequest Request() {
    GnssMapRequest r;
    r.gnss.settings = DefaultGnssSettings();
    r.gnss.settings.latitude = 35.6812;
    r.gnss.settings.longitude = 139.7671;
    r.gnss.settings.start = 1351717200; // 2012-10-31T21:00:00Z
    r.gnss.settings.hours = 3;
    r.gnss.settings.step = 300;
    r.gnss.settings.systems = "GRJ";
    r.gnss.nav = {gnsstest::Data("brdc3050.12n"), gnsstest::Data("brdc3050.12g"),
                  gnsstest::Data("brdc3050.12q")};
    r.x0 = -12;
    r.y0 = -39;
    r.x1 = 12;
    r.y1 = 39;
    r.cell = 6;
    return r;
}

ErrorCode CodeOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const Failure& e) {
        return e.error().code;
    }
    return ErrorCode::Unexpected; // nothing thrown
}

class Cancelling : public Feedback {
  protected:
    void OnProgress(std::size_t, std::size_t) override { Cancel(); }
};

} // namespace

Q_DECLARE_METATYPE(velmora::predict::ErrorCode)

class GnssMapTest : public QObject {
    Q_OBJECT

  private slots:
    void tileRowsCoverTheGrid_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("tiles");
        QTest::newRow("even") << 12 << 3;
        QTest::newRow("ten in three") << 10 << 3;
        QTest::newRow("101 in three") << 101 << 3;
        QTest::newRow("one row each") << 7 << 7;
        QTest::newRow("one tile") << 5 << 1;
        QTest::newRow("100 in 7") << 100 << 7;
    }
    void tileRowsCoverTheGrid() {
        QFETCH(int, rows);
        QFETCH(int, tiles);
        int next = 0, smallest = rows, largest = 0;
        for (int t = 1; t <= tiles; ++t) {
            const auto [first, last] = TileRows(rows, t, tiles);
            QCOMPARE(first, next);
            QVERIFY(last > first);
            smallest = std::min(smallest, last - first);
            largest = std::max(largest, last - first);
            next = last;
        }
        QCOMPARE(next, rows);
        QVERIFY(largest - smallest <= 1);
    }

    void badRequests_data() {
        QTest::addColumn<std::function<void(GnssMapRequest&)>>("change");
        QTest::addColumn<ErrorCode>("code");
        using F = std::function<void(GnssMapRequest&)>;
        QTest::newRow("east edge west")
            << F([](GnssMapRequest& r) { r.x1 = r.x0 - 1; }) << ErrorCode::BadSettings;
        QTest::newRow("north edge south")
            << F([](GnssMapRequest& r) { r.y1 = r.y0 - 0.5; }) << ErrorCode::BadSettings;
        QTest::newRow("far east") << F([](GnssMapRequest& r) { r.x1 = 2e5; })
                                  << ErrorCode::BadSettings;
        QTest::newRow("no number")
            << F([](GnssMapRequest& r) { r.y0 = NAN; }) << ErrorCode::BadSettings;
        QTest::newRow("cell 0") << F([](GnssMapRequest& r) { r.cell = 0; })
                                << ErrorCode::OutOfRange;
        QTest::newRow("cell endless")
            << F([](GnssMapRequest& r) { r.cell = INFINITY; }) << ErrorCode::OutOfRange;
        QTest::newRow("tile 0") << F([](GnssMapRequest& r) { r.tile = 0, r.tiles = 3; })
                                << ErrorCode::BadSettings;
        QTest::newRow("tile past")
            << F([](GnssMapRequest& r) { r.tile = 4, r.tiles = 3; }) << ErrorCode::BadSettings;
        QTest::newRow("more tiles than rows")
            << F([](GnssMapRequest& r) { r.tile = 1, r.tiles = 15; }) << ErrorCode::BadSettings;
        QTest::newRow("three satellites")
            << F([](GnssMapRequest& r) { r.minSatellites = 3; }) << ErrorCode::OutOfRange;
        QTest::newRow("pdop 0") << F([](GnssMapRequest& r) { r.maxPdop = 0; })
                                << ErrorCode::OutOfRange;
        QTest::newRow("too many cells")
            << F([](GnssMapRequest& r) { r.x0 = r.y0 = -9e4, r.x1 = r.y1 = 9e4, r.cell = 0.5; })
            << ErrorCode::GridTooLarge;
        QTest::newRow("no ephemeris")
            << F([](GnssMapRequest& r) { r.gnss.nav.clear(); }) << ErrorCode::NoEphemerisFiles;
    }
    void badRequests() {
        QFETCH(std::function<void(GnssMapRequest&)>, change);
        QFETCH(ErrorCode, code);
        GnssMapRequest r = Request();
        QCOMPARE(CodeOf([&] { Validate(r); }), ErrorCode::Unexpected);
        change(r);
        QCOMPARE(CodeOf([&] { Validate(r); }), code);
        Feedback f;
        QCOMPARE(CodeOf([&] { RunGnssMap(Street(), r, f); }), code);
    }

    void parsesAreaAndTile_data() {
        QTest::addColumn<QString>("area");
        QTest::addColumn<QString>("tile");
        QTest::addColumn<bool>("areaGood");
        QTest::addColumn<bool>("tileGood");
        QTest::newRow("good") << "-100,-100,100,100"
                              << "2/3" << true << true;
        QTest::newRow("spaces") << " -1, 2 ,3,4"
                                << "1/1" << true << true;
        QTest::newRow("three numbers") << "1,2,3"
                                       << "3/2" << false << false;
        QTest::newRow("five numbers") << "1,2,3,4,5"
                                      << "0/2" << false << false;
        QTest::newRow("words") << "a,b,c,d"
                               << "x/y" << false << false;
        QTest::newRow("empty item") << "1,,3,4"
                                    << "2/" << false << false;
        QTest::newRow("trailing text") << "1,2,3,4m"
                                       << "1/2/3" << false << false;
        QTest::newRow("infinite") << "1,2,3,inf"
                                  << "-1/2" << false << false;
    }
    void parsesAreaAndTile() {
        QFETCH(QString, area);
        QFETCH(QString, tile);
        QFETCH(bool, areaGood);
        QFETCH(bool, tileGood);
        QCOMPARE(CodeOf([&] { ParseArea(area.toStdString()); }),
                 areaGood ? ErrorCode::Unexpected : ErrorCode::BadSettings);
        QCOMPARE(CodeOf([&] { ParseTile(tile.toStdString()); }),
                 tileGood ? ErrorCode::Unexpected : ErrorCode::BadSettings);
        if (areaGood) {
            const auto v = ParseArea(area.toStdString());
            const QStringList parts = area.split(',');
            for (int i = 0; i < 4; ++i)
                QCOMPARE(v[static_cast<std::size_t>(i)], parts[i].trimmed().toDouble());
        }
    }

    // Every cell holds what the point prediction finds at its centre; the
    // cells inside footprints and only they are nodata.
    void cellsAgreeWithThePointPrediction() {
        const std::vector<Footprint> plan = Street();
        const GnssMapRequest r = Request();
        Feedback feedback;
        const std::optional<GnssMap> map = RunGnssMap(plan, r, feedback);
        QVERIFY(map);
        QCOMPARE(map->grid.columns, 5);
        QCOMPARE(map->grid.rows, 14);
        int compared = 0, reflectedSomewhere = 0, outageSomewhere = 0;
        for (int row = 0; row < map->grid.rows; ++row)
            for (int c = 0; c < map->grid.columns; ++c) {
                const PlanXY at{map->grid.X(c), map->grid.Y(row)};
                if (FootprintAt(plan, at)) {
                    for (int b = 0; b < kMapBands; ++b)
                        QCOMPARE(map->At(b, row, c), kMapNodata);
                    continue;
                }
                GnssRequest point = r.gnss;
                point.settings.at = at;
                Feedback f;
                const std::optional<GnssRun> run = RunGnss(plan, point, f);
                QVERIFY(run);
                const gnss::Summary& s = run->summary;
                QVERIFY(s.epochs - s.incompleteEpochs > 0);
                double pdop = 0, reflected = 0;
                int withDops = 0;
                for (const gnss::EpochSky& e : run->prediction.epochs) {
                    if (!e.missing.empty())
                        continue;
                    if (e.withBuildings) {
                        pdop += e.withBuildings->pdop;
                        ++withDops;
                    }
                    // The point prediction's own reflected state.
                    for (const gnss::SatelliteSky& v : e.satellites)
                        if (v.state == gnss::SkyState::Reflected)
                            ++reflected;
                }
                const double n = static_cast<double>(s.epochs - s.incompleteEpochs);
                const QString where = QStringLiteral("(%1, %2)").arg(at.x).arg(at.y);
                QVERIFY2(std::fabs(map->At(0, row, c) - 100 * s.shareWithBuildings) < 1e-3,
                         qPrintable(where));
                QVERIFY2(std::fabs(map->At(1, row, c) - s.meanVisible) < 1e-4, qPrintable(where));
                if (withDops > 0) {
                    QVERIFY2(std::fabs(map->At(2, row, c) - pdop / withDops) <=
                                 1e-5 * std::max(1.0, pdop / withDops),
                             qPrintable(where));
                } else
                    QCOMPARE(map->At(2, row, c), kMapNodata);
                QVERIFY2(std::fabs(map->At(3, row, c) - s.longestGapWithBuildings / 60) < 1e-4,
                         qPrintable(where));
                QVERIFY2(std::fabs(map->At(4, row, c) - reflected / n) < 1e-4, qPrintable(where));
                reflectedSomewhere += reflected > 0;
                outageSomewhere += s.longestGapWithBuildings > 0;
                ++compared;
            }
        // The street is open enough to compare, and deep enough for
        // reflections and outages.
        QVERIFY(compared >= 10);
        QVERIFY(reflectedSomewhere > 0);
        QVERIFY(outageSomewhere > 0);
        QCOMPARE(map->insideCells,
                 static_cast<std::size_t>(map->grid.rows * map->grid.columns - compared));
        QVERIFY(map->insideCells > 0);
    }

    // Tiles computed alone hold the whole run's rows; any number of threads
    // gives the same figures.
    void tilesAndThreadsGiveTheWholeGrid_data() {
        QTest::addColumn<int>("tiles");
        QTest::addColumn<unsigned>("threads");
        QTest::newRow("three tiles, one thread") << 3 << 1u;
        QTest::newRow("four tiles, three threads") << 4 << 3u;
        QTest::newRow("fourteen tiles") << 14 << 2u;
    }
    void tilesAndThreadsGiveTheWholeGrid() {
        QFETCH(int, tiles);
        QFETCH(unsigned, threads);
        const std::vector<Footprint> plan = Street();
        GnssMapRequest r = Request();
        r.gnss.settings.hours = 1;
        Feedback f;
        const std::optional<GnssMap> whole = RunGnssMap(plan, r, f, 2);
        QVERIFY(whole);
        r.tiles = tiles;
        int rows = 0;
        for (r.tile = 1; r.tile <= tiles; ++r.tile) {
            const std::optional<GnssMap> part = RunGnssMap(plan, r, f, threads);
            QVERIFY(part);
            QCOMPARE(part->grid.columns, whole->grid.columns);
            QCOMPARE(part->grid.north, whole->grid.north);
            QCOMPARE(part->grid.firstRow, rows);
            for (int row = part->grid.firstRow; row < part->grid.lastRow; ++row)
                for (int c = 0; c < part->grid.columns; ++c)
                    for (int b = 0; b < kMapBands; ++b)
                        QCOMPARE(part->At(b, row, c), whole->At(b, row, c));
            rows = part->grid.lastRow;
        }
        QCOMPARE(rows, whole->grid.rows);
    }

    void cancels() {
        Cancelling f;
        QVERIFY(!RunGnssMap(Street(), Request(), f));
    }
};

QTEST_GUILESS_MAIN(GnssMapTest)
#include "test_gnssmap.moc"
