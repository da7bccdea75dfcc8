// SPDX-License-Identifier: GPL-3.0-or-later
// Prisms on a base (map data's min_height): a line of sight passing under
// the base is open, one through a wall or in through the underside is
// blocked, the mask still shows the roof; a shadow on the plane starts
// where the base's shadow falls.
#include <QtTest>

#include <cmath>

#include "geometry/ShadeMap.h"
#include "geometry/SkyMask.h"

using namespace velmora;

namespace {

Footprint Box(double x0, double y0, double x1, double y1, double base, double height) {
    Footprint f;
    f.ring = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
    f.base = base;
    f.height = height;
    return f;
}

} // namespace

class RaisedPrismsTest : public QObject {
    Q_OBJECT

  private slots:
    // A block 10 ... 30 m east of the receiver (antenna 1.5 m), 100 m
    // long: a ray eastwards at elevation e stands 1.5 + 10 tan e high at its
    // west wall and 1.5 + 30 tan e at its east wall.
    void lineOfSight_data() {
        QTest::addColumn<double>("base");
        QTest::addColumn<double>("roof");
        QTest::addColumn<double>("azimuth");
        QTest::addColumn<double>("elevation");
        QTest::addColumn<bool>("blocked");
        QTest::newRow("on the ground, 30 deg") << 0.0 << 20.0 << 90.0 << 30.0 << true;
        QTest::newRow("on the ground, 5 deg") << 0.0 << 20.0 << 90.0 << 5.0 << true;
        // 2.4 m at the west wall, 4.1 m at the east one: under the 8 m base.
        QTest::newRow("base 8 m, 5 deg: under it") << 8.0 << 20.0 << 90.0 << 5.0 << false;
        // 4.2 m ... 9.5 m: in through the underside.
        QTest::newRow("base 8 m, 15 deg: through the underside")
            << 8.0 << 20.0 << 90.0 << 15.0 << true;
        QTest::newRow("base 8 m, 45 deg: the west wall") << 8.0 << 20.0 << 90.0 << 45.0 << true;
        QTest::newRow("base 8 m, 60 deg: below the roof") << 8.0 << 20.0 << 90.0 << 60.0 << true;
        // 20.3 m at the west wall: over the roof.
        QTest::newRow("base 8 m, 62 deg: over the roof") << 8.0 << 20.0 << 90.0 << 62.0 << false;
        QTest::newRow("base 8 m, away from it") << 8.0 << 20.0 << 270.0 << 5.0 << false;
        // A base below the antenna leaves no sky below it.
        QTest::newRow("base 1 m, 2 deg") << 1.0 << 20.0 << 90.0 << 2.0 << true;
        // North-east: the ray meets the west wall after 14.1 m, 11.4 m up
        // at 35 deg (under the 12 m base), and the east wall after 42.4 m,
        // 31.2 m up: in through the underside. At 10 deg: 4.0 m and 9.0 m.
        QTest::newRow("base 12 m, north-east, 35 deg") << 12.0 << 40.0 << 45.0 << 35.0 << true;
        QTest::newRow("base 12 m, north-east, 10 deg") << 12.0 << 40.0 << 45.0 << 10.0 << false;
    }
    void lineOfSight() {
        QFETCH(double, base);
        QFETCH(double, roof);
        QFETCH(double, azimuth);
        QFETCH(double, elevation);
        QFETCH(bool, blocked);
        const std::vector<Footprint> prisms{Box(10, -50, 30, 50, base, roof)};
        const SkyScene scene(prisms, {0, 0}, 1.5);
        QCOMPARE(scene.Blocks(azimuth, elevation), blocked);
        QCOMPARE(scene.Covers(azimuth, elevation), blocked);
        // The mask shows the roof, base or not.
        if (azimuth == 90)
            QVERIFY(std::fabs(scene.ElevationAt(90) - std::atan((roof - 1.5) / 10) * 180 / M_PI) <
                    1e-9);
    }

    // The sun due south at 45 degrees over a 10 m square: its shadow on the
    // ground runs from `base` to 10 + `roof` metres north of its south wall.
    void shadowFromTheBase_data() {
        QTest::addColumn<double>("base");
        QTest::addColumn<double>("roof");
        QTest::newRow("on the ground") << 0.0 << 10.0;
        QTest::newRow("base 5 m") << 5.0 << 15.0;
        QTest::newRow("base 12 m: a lit gap north of it") << 12.0 << 20.0;
    }
    void shadowFromTheBase() {
        QFETCH(double, base);
        QFETCH(double, roof);
        const std::vector<Footprint> prisms{Box(0, 0, 10, 10, base, roof)};
        ShadeGrid g;
        g.x0 = -5;
        g.y0 = -5;
        g.cell = 1;
        g.nx = 20;
        g.ny = 60;
        const std::vector<std::uint8_t> cells = ShadowCells(prisms, g, 0, {12, 180, 45});
        for (int j = 0; j < g.ny; ++j) {
            const double y = g.Centre(10, j).y; // x = 5.5
            const bool want = y >= base && y <= 10 + roof;
            QVERIFY2(bool(cells[static_cast<std::size_t>(j * g.nx + 10)]) == want,
                     qPrintable(QString("y %1").arg(y)));
        }
    }
};

QTEST_GUILESS_MAIN(RaisedPrismsTest)
#include "test_raisedprisms.moc"
