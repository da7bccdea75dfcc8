// SPDX-License-Identifier: GPL-3.0-or-later
// Shade-time maps: shadows of prisms on a measuring plane, true solar time,
// the minutes a point lies in shade, and the lines of equal shade time.
#include <QtTest>

#include <cmath>
#include <limits>

#include "geometry/ShadeMap.h"
#include "geometry/SkyMask.h"

using namespace velmora;

Q_DECLARE_METATYPE(std::vector<PlanXY>)

namespace {

Footprint Prism(std::vector<PlanXY> ring, double height) {
    Footprint f;
    f.ring = std::move(ring);
    f.height = height;
    return f;
}

// The box -5 ... 5 m east and north.
const std::vector<PlanXY> kBox{{-5, -5}, {5, -5}, {5, 5}, {-5, 5}};
// An L opening to the north-east: its notch faces the sun in the afternoon.
const std::vector<PlanXY> kEll{{-5, -5}, {5, -5}, {5, 0}, {0, 0}, {0, 5}, {-5, 5}};

bool OnGridEdge(const ShadeGrid& g, PlanXY p) {
    const double e = 1e-9;
    return std::fabs(p.x - g.x0) < e || std::fabs(p.x - (g.x0 + g.nx * g.cell)) < e ||
           std::fabs(p.y - g.y0) < e || std::fabs(p.y - (g.y0 + g.ny * g.cell)) < e;
}

} // namespace

class ShadeMapTest : public QObject {
    Q_OBJECT

  private slots:
    // Footprints no town block has (altitudes of 1e30 put corners there):
    // no grid is made around them, however the sides would overflow.
    void gridOutOfRange_data() {
        QTest::addColumn<double>("scale");
        QTest::addColumn<double>("cell");
        QTest::newRow("corners at 1e30 m") << 1e29 << 1.0;
        QTest::newRow("corners 2000 km out") << 2e5 << 1000.0;
        QTest::newRow("sides past an int") << 3e4 << 1e-4;
    }
    void gridOutOfRange() {
        QFETCH(double, scale);
        QFETCH(double, cell);
        std::vector<PlanXY> ring;
        for (const PlanXY& p : kBox)
            ring.push_back({p.x * scale, p.y * scale});
        const std::vector<Footprint> far{Prism(ring, 10)};
        const ShadeGrid g = GridAround(far, 50, cell);
        QVERIFY2(static_cast<double>(g.nx) * g.ny > kMaxShadeCells,
                 qPrintable(QStringLiteral("%1 x %2").arg(g.nx).arg(g.ny)));
        // And nothing computes on it.
        const ShadeInstant sun{12, 180, 30};
        QVERIFY(ShadowCells(far, g, 0, sun).empty());
        const auto map = ComputeShadeMap(far, far, g, 0, std::vector<ShadeInstant>{sun}, 1.0 / 60);
        QVERIFY(map && map->hours.empty());
    }

    // Buildings far outside the grid, or with corners that are not numbers,
    // shade none of its cells, and the others' shadows stay as they were.
    void buildingsOffTheGrid_data() {
        QTest::addColumn<double>("x");
        QTest::newRow("1e20 m east") << 1e20;
        QTest::newRow("1e20 m west") << -1e20;
        QTest::newRow("infinitely far") << std::numeric_limits<double>::infinity();
        QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN();
    }
    void buildingsOffTheGrid() {
        QFETCH(double, x);
        const std::vector<Footprint> near{Prism(kBox, 10)};
        const ShadeGrid g = GridAround(near, 20, 1);
        std::vector<Footprint> both = near;
        both.push_back(Prism({{x, 0}, {x + 10, 0}, {x + 10, 1e20}, {x, 10}}, 1e30));
        const ShadeInstant sun{12, 180, 30};
        QCOMPARE(ShadowCells(both, g, 0, sun), ShadowCells(near, g, 0, sun));
        const std::vector<ShadeInstant> one{sun};
        const auto a = ComputeShadeMap(both, both, g, 0, one, 1.0 / 60);
        const auto b = ComputeShadeMap(near, near, g, 0, one, 1.0 / 60);
        QVERIFY(a && b);
        QCOMPARE(a->hours.size(), b->hours.size());
        for (std::size_t k = 0; k < a->hours.size(); ++k)
            QVERIFY(a->hours[k] == b->hours[k] ||
                    (std::isnan(a->hours[k]) && std::isnan(b->hours[k])));
    }

    // At the equinox at true solar noon the sun stands due south (north at
    // a southern latitude) 90 - |latitude| degrees high: the shadow of a
    // box rising 10 m above the plane reaches 10 / tan(90 - |latitude|)
    // beyond its wall (7.002 m at 35 degrees), exactly as wide as the box.
    // Noon at these longitudes falls within an hour of the 2024 March
    // equinox (3:06 UT), when the declination is within 0.02 degrees of 0.
    void boxAtEquinoxNoon_data() {
        QTest::addColumn<double>("latitude");
        QTest::addColumn<double>("longitude");
        QTest::newRow("35 N, 139.7 E") << 35.0 << 139.7;
        QTest::newRow("35 S, 139.7 E") << -35.0 << 139.7;
        QTest::newRow("20 N, 135 E") << 20.0 << 135.0;
    }
    void boxAtEquinoxNoon() {
        QFETCH(double, latitude);
        QFETCH(double, longitude);
        const double away = latitude > 0 ? 1 : -1; // the side the shadow falls on
        const std::vector<Footprint> box{Prism(kBox, 10.5)};
        ShadePeriod p;
        p.year = 2024;
        p.month = 3;
        p.day = 20;
        const ShadeInstant sun = InstantAt(p, SunSite{latitude, longitude}, 12);
        const double length = 10 / std::tan((90 - std::fabs(latitude)) * std::numbers::pi / 180);
        ShadeGrid g;
        g.cell = 0.01;
        g.x0 = -6;
        g.nx = 1200;
        g.y0 = away > 0 ? 4 : -4 - 9.0;
        g.ny = 900;
        const std::vector<std::uint8_t> cells = ShadowCells(box, g, 0.5, sun);
        QCOMPARE(cells.size(), std::size_t(1200 * 900));
        // The far end along the middle, and the width near that end.
        double reach = 0;
        for (int j = 0; j < g.ny; ++j)
            if (cells[static_cast<std::size_t>(j) * g.nx + 600])
                reach = std::max(reach, std::fabs(g.Centre(600, j).y) - 5);
        QVERIFY2(std::fabs(reach - length) < 0.02, qPrintable(QString::number(reach)));
        const int j = static_cast<int>(std::lround((away * (5 + length - 0.2) - g.y0) / g.cell));
        double west = 1e9, east = -1e9;
        for (int i = 0; i < g.nx; ++i)
            if (cells[static_cast<std::size_t>(j) * g.nx + i]) {
                west = std::min(west, g.Centre(i, j).x);
                east = std::max(east, g.Centre(i, j).x);
            }
        QVERIFY2(std::fabs(west + 5) < 0.02 && std::fabs(east - 5) < 0.02,
                 qPrintable(QString("%1 ... %2").arg(west).arg(east)));
    }

    // Points around a building on the winter solstice in Tokyo, 8:00 to
    // 16:00 clock time: the minutes of shade counted by the map against a
    // ray from the point to the sun at every minute (the sky mask's sun
    // path).
    void minutesInShadeAtPoints_data() {
        QTest::addColumn<std::vector<PlanXY>>("ring");
        QTest::addColumn<double>("height");
        QTest::addColumn<double>("plane");
        QTest::newRow("box, ground") << kBox << 12.0 << 0.0;
        QTest::newRow("box, 4 m plane") << kBox << 12.0 << 4.0;
        QTest::newRow("L, 1.5 m plane") << kEll << 9.0 << 1.5;
    }
    void minutesInShadeAtPoints() {
        QFETCH(std::vector<PlanXY>, ring);
        QFETCH(double, height);
        QFETCH(double, plane);
        const std::vector<Footprint> buildings{Prism(ring, height)};
        const SunSite site{35.68, 139.77};
        ShadePeriod p;
        p.year = 2025;
        p.month = 12;
        p.day = 21;
        p.solarTime = false;
        p.utcOffset = 9;
        const std::vector<ShadeInstant> instants = SampleInstants(p, site);
        QCOMPARE(instants.size(), std::size_t(480));
        ShadeGrid g;
        g.cell = 0.5;
        g.x0 = -40;
        g.y0 = -10;
        g.nx = 160;
        g.ny = 100;
        const std::optional<ShadeMap> map =
            ComputeShadeMap(buildings, buildings, g, plane, instants, 1.0 / 60);
        QVERIFY(map);
        // The sun's path minute by minute as the sky mask works it out; a
        // point is in shade while the buildings stand at least as high as
        // the sun along its azimuth.
        const SunDay path = SunOverDay(SkyScene({}, {0, 0}, 0),
                                       SunClock{p.year, p.month, p.day, 0, p.utcOffset}, site);
        int shaded = 0;
        // Every fifth cell each way, and all cells within 2 m north of the
        // wall, where the shade runs longest.
        for (int j = 0; j < g.ny; ++j)
            for (int i = 0; i < g.nx; ++i) {
                const PlanXY c = g.Centre(i, j);
                const bool nearWall = c.y > 5 && c.y < 7 && std::fabs(c.x) < 8;
                if (!nearWall && (i % 5 != 0 || j % 5 != 0))
                    continue;
                if (FootprintAt(buildings, c)) {
                    QVERIFY(std::isnan(map->At(i, j)));
                    continue;
                }
                const SkyScene scene(buildings, c, plane);
                int minutes = 0;
                for (const SunMinute& m : path.minutes)
                    minutes += m.hours >= p.fromHours && m.hours < p.toHours &&
                               m.elevation <= scene.ElevationAt(m.azimuth);
                const double got = map->At(i, j) * 60;
                QVERIFY2(std::fabs(got - minutes) < 1.5,
                         qPrintable(QString("(%1, %2): %3 min against %4 min")
                                        .arg(c.x)
                                        .arg(c.y)
                                        .arg(got)
                                        .arg(minutes)));
                shaded += minutes > 0;
            }
        QVERIFY(shaded > 20);
    }

    // Only the part of a building above the plane shades it.
    void planeAboveBuilding_data() {
        QTest::addColumn<double>("plane");
        QTest::addColumn<bool>("shade");
        QTest::newRow("plane well below") << 1.5 << true;
        QTest::newRow("plane just below") << 6.4 << true;
        QTest::newRow("plane at the roof") << 6.5 << false;
        QTest::newRow("plane above") << 10.0 << false;
    }
    void planeAboveBuilding() {
        QFETCH(double, plane);
        QFETCH(bool, shade);
        const std::vector<Footprint> box{Prism(kBox, 6.5)};
        ShadePeriod p;
        p.year = 2025;
        p.month = 12;
        p.day = 22;
        const std::vector<ShadeInstant> instants = SampleInstants(p, {35.68, 139.77});
        const ShadeGrid g = GridAround(box, 20, 1);
        const std::optional<ShadeMap> map = ComputeShadeMap(box, box, g, plane, instants, 1.0 / 60);
        QVERIFY(map);
        double most = 0;
        int nulls = 0;
        for (const double h : map->hours) {
            if (std::isnan(h))
                ++nulls;
            else
                most = std::max(most, h);
        }
        QCOMPARE(nulls, 100); // the box's own cells
        QCOMPARE(most > 0, shade);
    }

    // The frame holds the box and the shadows it casts, each followed at
    // most `reach` metres, widened by the margin; nothing where no shadow
    // falls.
    void gridAroundShadows_data() {
        QTest::addColumn<double>("azimuth");
        QTest::addColumn<double>("elevation");
        QTest::addColumn<double>("reach");
        QTest::addColumn<QList<double>>("bounds"); // x0, y0, x1, y1
        // 20 m above the plane at 45 degrees: a shadow 20 m long.
        QTest::newRow("sun in the south") << 180.0 << 45.0 << 100.0 << QList<double>{-7, -7, 7, 27};
        QTest::newRow("sun in the east") << 90.0 << 45.0 << 100.0 << QList<double>{-27, -7, 7, 7};
        QTest::newRow("low sun, followed to the reach")
            << 180.0 << 1.0 << 60.0 << QList<double>{-7, -7, 7, 67};
        QTest::newRow("sun down") << 180.0 << -3.0 << 100.0 << QList<double>{-7, -7, 7, 7};
    }
    void gridAroundShadows() {
        QFETCH(double, azimuth);
        QFETCH(double, elevation);
        QFETCH(double, reach);
        QFETCH(QList<double>, bounds);
        const std::vector<Footprint> box{Prism(kBox, 21.5)};
        const std::vector<ShadeInstant> instants{{12, azimuth, elevation}};
        const ShadeGrid g = GridAroundShadows(box, box, 1.5, instants, reach, 2, 1);
        QCOMPARE(g.x0, bounds[0]);
        QCOMPARE(g.y0, bounds[1]);
        QCOMPARE(g.x0 + g.nx * g.cell, bounds[2]);
        QCOMPARE(g.y0 + g.ny * g.cell, bounds[3]);
    }

    // Apparent solar time = clock time + (longitude - zone meridian) * 4
    // min/deg + equation of time. Published equation-of-time values: Meeus,
    // example 28.b (1992 Oct 13.0: +13m 42.7s), and the year's extremes.
    void solarTimeAgainstClockTime_data() {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<double>("longitude");
        QTest::addColumn<double>("eotMinutes");
        QTest::newRow("1992-10-13, 135 E") << QDate(1992, 10, 13) << 135.0 << 13.712;
        QTest::newRow("2025-11-03, 139.77 E") << QDate(2025, 11, 3) << 139.77 << 16.43;
        QTest::newRow("2025-02-11, 2.35 E") << QDate(2025, 2, 11) << 2.35 << -14.23;
        QTest::newRow("2025-07-26, 74 W") << QDate(2025, 7, 26) << -74.0 << -6.54;
    }
    void solarTimeAgainstClockTime() {
        QFETCH(QDate, date);
        QFETCH(double, longitude);
        QFETCH(double, eotMinutes);
        QVERIFY2(
            std::fabs(EquationOfTimeMinutes(JulianDay(date.year(), date.month(), date.day(), 0)) -
                      eotMinutes) < 0.25,
            "equation of time");
        // True solar noon in UT, and the sun due south there.
        const double ut = SolarToUtHours(date.year(), date.month(), date.day(), 12, longitude);
        const double expected = 12 - longitude / 15 - eotMinutes / 60;
        QVERIFY2(std::fabs(ut - expected) * 60 < 0.3,
                 qPrintable(QString("%1 h UT against %2").arg(ut).arg(expected)));
        ShadePeriod p;
        p.year = date.year();
        p.month = date.month();
        p.day = date.day();
        const ShadeInstant noon = InstantAt(p, {45, longitude}, 12);
        QVERIFY2(std::fabs(noon.azimuth - 180) < 0.05, qPrintable(QString::number(noon.azimuth)));
        // The same moment in clock time of a zone nine hours ahead of UT.
        p.solarTime = false;
        p.utcOffset = 9;
        const ShadeInstant clock = InstantAt(p, {45, longitude}, ut + 9);
        QVERIFY(std::fabs(clock.azimuth - noon.azimuth) < 1e-6);
    }

    // Lines of equal shade time around two buildings, on a grid that cuts
    // through their shadows: each line is closed or ends on the grid's edge,
    // and the cells on either side straddle its level.
    void linesClosedOrOnEdge_data() {
        QTest::addColumn<double>("west");
        QTest::addColumn<double>("north");
        QTest::newRow("whole shadows") << -60.0 << 60.0;
        QTest::newRow("cut on the west") << -12.0 << 60.0;
        QTest::newRow("cut on the north") << -60.0 << 14.0;
    }
    void linesClosedOrOnEdge() {
        QFETCH(double, west);
        QFETCH(double, north);
        std::vector<Footprint> buildings{Prism(kBox, 15), Prism(kEll, 9)};
        for (PlanXY& c : buildings[1].ring)
            c.x += 14;
        ShadePeriod p;
        p.year = 2025;
        p.month = 12;
        p.day = 22;
        const std::vector<ShadeInstant> instants = SampleInstants(p, {35.68, 139.77});
        ShadeGrid g;
        g.cell = 1;
        g.x0 = west;
        g.y0 = -15;
        g.nx = static_cast<int>(std::lround(70 - west));
        g.ny = static_cast<int>(std::lround(north + 15));
        const std::optional<ShadeMap> map =
            ComputeShadeMap(buildings, buildings, g, 1.5, instants, 1.0 / 60);
        QVERIFY(map);
        int lines = 0;
        for (const double level : {1.0, 2.0, 3.0, 4.0}) {
            for (const PlanLine& line : LevelLines(map->hours, g, level)) {
                ++lines;
                QVERIFY(line.points.size() >= 2);
                const PlanXY a = line.points.front(), b = line.points.back();
                if (line.closed)
                    QVERIFY(a.x == b.x && a.y == b.y);
                else
                    QVERIFY2(OnGridEdge(g, a) && OnGridEdge(g, b),
                             qPrintable(QString("%1 h: (%2, %3) ... (%4, %5)")
                                            .arg(level)
                                            .arg(a.x)
                                            .arg(a.y)
                                            .arg(b.x)
                                            .arg(b.y)));
                // Each point lies between two neighbouring cell centres (or
                // a centre and the grid's edge) where the shade time taken
                // linearly between them equals the level, wherever neither
                // is null; consecutive points lie within one square of
                // centres.
                for (std::size_t n = 0; n < line.points.size(); ++n) {
                    const PlanXY q = line.points[n];
                    if (n > 0) {
                        const PlanXY r = line.points[n - 1];
                        QVERIFY(std::hypot(q.x - r.x, q.y - r.y) <= g.cell * std::sqrt(2.0) + 1e-9);
                    }
                    const double u = (q.x - g.x0) / g.cell - 0.5, v = (q.y - g.y0) / g.cell - 0.5;
                    auto onLattice = [](double w, int count) {
                        return std::fabs(w - std::round(w)) < 1e-9 || w < 1e-9 ||
                               w > count - 1 - 1e-9;
                    };
                    const bool column = onLattice(u, g.nx);
                    QVERIFY(column || onLattice(v, g.ny));
                    const double along = column ? v : u;
                    const int fixed = std::clamp(static_cast<int>(std::lround(column ? u : v)), 0,
                                                 (column ? g.nx : g.ny) - 1);
                    const int count = column ? g.ny : g.nx;
                    const int ka = std::clamp(static_cast<int>(std::floor(along)), 0, count - 1);
                    const int kb =
                        std::clamp(static_cast<int>(std::floor(along)) + 1, 0, count - 1);
                    if (ka == kb)
                        continue;
                    const double va = column ? map->At(fixed, ka) : map->At(ka, fixed);
                    const double vb = column ? map->At(fixed, kb) : map->At(kb, fixed);
                    if (std::isnan(va) || std::isnan(vb))
                        continue;
                    const double t = along - std::floor(along);
                    QVERIFY2(std::fabs(va + t * (vb - va) - level) < 1e-6,
                             qPrintable(QString("%1 h line at (%2, %3) between %4 and %5")
                                            .arg(level)
                                            .arg(q.x)
                                            .arg(q.y)
                                            .arg(va)
                                            .arg(vb)));
                }
            }
        }
        QVERIFY(lines >= 4);
    }

    // A cancelled computation gives no map.
    void cancelStops() {
        const std::vector<Footprint> box{Prism(kBox, 10)};
        const std::vector<ShadeInstant> instants = SampleInstants(ShadePeriod{}, {35.68, 139.77});
        int calls = 0;
        const auto map = ComputeShadeMap(box, box, GridAround(box, 10, 1), 0, instants, 1.0 / 60,
                                         [&](int done, int) {
                                             ++calls;
                                             return done < 5;
                                         });
        QVERIFY(!map);
        QCOMPARE(calls, 5);
    }
};

QTEST_GUILESS_MAIN(ShadeMapTest)
#include "test_shademap.moc"
