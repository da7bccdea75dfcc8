// SPDX-License-Identifier: GPL-3.0-or-later
// The sky of a receiver among the buildings: dilutions of precision of
// geometries worked out by hand, the line of sight against a building's
// prism, which roofs count as measured, and GPS time across leap seconds.
#include <QtTest>

#include <cmath>
#include <numbers>

#include "gnss/Ephemerides.h"
#include "gnss/Sky.h"
#include "support/Records.h"

using namespace velmora;
using namespace velmora::gnss;

Q_DECLARE_METATYPE(std::vector<velmora::gnss::Direction>)

namespace {

// The box 10 ... 20 m east, -5 ... 5 m north, 10 m high.
const std::vector<PlanXY> kBox{{10, -5}, {20, -5}, {20, 5}, {10, 5}};

Footprint Box(double height) {
    Footprint f;
    f.ring = kBox;
    f.height = height;
    return f;
}

double Deg(double rad) {
    return rad * 180 / std::numbers::pi;
}

} // namespace

class GnssSkyTest : public QObject {
    Q_OBJECT

  private slots:
    void dops_data() {
        QTest::addColumn<std::vector<Direction>>("sky");
        QTest::addColumn<double>("mask");
        QTest::addColumn<double>("gdop");
        QTest::addColumn<double>("pdop");
        QTest::addColumn<double>("hdop");
        QTest::addColumn<double>("vdop");
        // The zenith and three at 30 degrees, 120 degrees apart: with rows
        // (cos e sin a, cos e cos a, sin e, 1), H'H is diag(9/8, 9/8) for east
        // and north and [[7/4, 5/2], [5/2, 4]] for up and clock, whose inverse
        // is [[16/3, -10/3], [-10/3, 7/3]].
        const std::vector<Direction> four{{0, 90}, {0, 30}, {120, 30}, {240, 30}};
        const double g4 = std::sqrt(8.0 / 9 + 8.0 / 9 + 16.0 / 3 + 7.0 / 3);
        QTest::newRow("zenith and three at 30 deg")
            << four << 10.0 << g4 << 8.0 / 3 << 4.0 / 3 << std::sqrt(16.0 / 3);
        // The zenith and four at 45 degrees, 90 degrees apart: east and north
        // 1 each; up and clock [[3, 1 + 2 sqrt 2], [1 + 2 sqrt 2, 5]] with the
        // determinant 6 - 4 sqrt 2.
        const std::vector<Direction> five{{0, 90}, {0, 45}, {90, 45}, {180, 45}, {270, 45}};
        const double det = 6 - 4 * std::sqrt(2.0);
        QTest::newRow("zenith and four at 45 deg")
            << five << 10.0 << std::sqrt(2 + 8 / det) << std::sqrt(2 + 5 / det) << std::sqrt(2.0)
            << std::sqrt(5 / det);
        // The same five turned by 30 degrees of azimuth: nothing changes.
        std::vector<Direction> turned = five;
        for (Direction& d : turned)
            d.azimuth += 30;
        QTest::newRow("turned") << turned << 10.0 << std::sqrt(2 + 8 / det)
                                << std::sqrt(2 + 5 / det) << std::sqrt(2.0) << std::sqrt(5 / det);
        // A mask above the ring leaves the zenith alone: no solution.
        QTest::newRow("mask above the ring: three left")
            << five << 50.0 << 0.0 << 0.0 << 0.0 << 0.0;
        QTest::newRow("three satellites") << std::vector<Direction>(four.begin(), four.end() - 1)
                                          << 10.0 << 0.0 << 0.0 << 0.0 << 0.0;
    }
    void dops() {
        QFETCH(std::vector<Direction>, sky);
        QFETCH(double, mask);
        QFETCH(double, gdop);
        const std::optional<Dops> d = DopsOf(sky, mask);
        if (gdop == 0) {
            QVERIFY(!d);
            return;
        }
        QVERIFY(d);
        QFETCH(double, pdop);
        QFETCH(double, hdop);
        QFETCH(double, vdop);
        QVERIFY2(std::fabs(d->gdop - gdop) < 1e-9, qPrintable(QString::number(d->gdop)));
        QVERIFY2(std::fabs(d->pdop - pdop) < 1e-9, qPrintable(QString::number(d->pdop)));
        QVERIFY2(std::fabs(d->hdop - hdop) < 1e-9, qPrintable(QString::number(d->hdop)));
        QVERIFY2(std::fabs(d->vdop - vdop) < 1e-9, qPrintable(QString::number(d->vdop)));
    }

    void lineOfSight_data() {
        QTest::addColumn<double>("height");
        QTest::addColumn<double>("azimuth");
        QTest::addColumn<double>("elevation");
        QTest::addColumn<bool>("blocked");
        // From (0, 0) with the antenna 1.5 m up, the near wall (10 m east)
        // tops out at atan(8.5 / 10) east.
        const double top = Deg(std::atan(8.5 / 10));
        QTest::newRow("east, just below the roof edge") << 10.0 << 90.0 << top - 0.01 << true;
        QTest::newRow("east, just above the roof edge") << 10.0 << 90.0 << top + 0.01 << false;
        // The north-west corner (10, 5) stands at azimuth atan2(10, 5).
        const double corner = Deg(std::atan2(10.0, 5.0));
        QTest::newRow("just behind the corner") << 10.0 << corner + 0.05 << 20.0 << true;
        QTest::newRow("just past the corner") << 10.0 << corner - 0.05 << 20.0 << false;
        // Over the far corner (20, 5) the ray is higher than over the near
        // wall: still blocked just inside it at a low angle.
        QTest::newRow("through the far wall") << 10.0 << 90.0 << 5.0 << true;
        QTest::newRow("behind the receiver") << 10.0 << 270.0 << 5.0 << false;
        QTest::newRow("a roof below the antenna") << 1.0 << 90.0 << 1.0 << false;
        QTest::newRow("zenith") << 10.0 << 90.0 << 90.0 << false;
    }
    void lineOfSight() {
        QFETCH(double, height);
        QFETCH(double, azimuth);
        QFETCH(double, elevation);
        QFETCH(bool, blocked);
        const Footprint box = Box(height);
        QCOMPARE(LineOfSightBlocked({&box, 1}, PlanXY{0, 0}, 1.5, Direction{azimuth, elevation}),
                 blocked);
    }

    void measuredHeights_data() {
        QTest::addColumn<float>("height");
        QTest::addColumn<bool>("wall");
        QTest::addColumn<bool>("measured");
        QTest::newRow("wall and height") << 12.0f << true << true;
        QTest::newRow("height without a wall line") << 12.0f << false << false;
        QTest::newRow("wall line, height 0") << 0.0f << true << false;
        QTest::newRow("wall line, negative height") << -3.0f << true << false;
    }
    void measuredHeights() {
        QFETCH(float, height);
        QFETCH(bool, wall);
        QFETCH(bool, measured);
        BuildingData d;
        testsupport::AddRoof(d, {{10, 10}, {60, 10}, {60, 40}, {10, 40}}, height);
        testsupport::AddRoof(d, {{100, 10}, {160, 10}, {160, 40}, {100, 40}}, 8);
        testsupport::AddWall(d, {100, 40}, {100, 60}, 1);
        if (wall)
            testsupport::AddWall(d, {10, 40}, {10, 60}, 0);
        for (int i = 0; i < d.gTopAreaPointTotalNumber; ++i) {
            d.gFlatTopAreaX[static_cast<std::size_t>(i)] = d.gTopAreaX[static_cast<std::size_t>(i)];
            d.gFlatTopAreaY[static_cast<std::size_t>(i)] = d.gTopAreaY[static_cast<std::size_t>(i)];
        }
        QCOMPARE(HasMeasuredHeight(d, 0), measured);
        QVERIFY(HasMeasuredHeight(d, 1));
        const Buildings b = MeasuredBuildings(d);
        QCOMPARE(b.prisms.size(), measured ? 2u : 1u);
        QCOMPARE(b.unmeasured.size(), measured ? 0u : 1u);
        if (!measured)
            QCOMPARE(b.unmeasured[0], Count(0));
    }

    // A roof whose outline crosses itself has no inside: it blocks nothing
    // and is named, however tall it was measured.
    void crossingRoofLeftOut() {
        BuildingData d;
        testsupport::AddRoof(d, {{10, 10}, {60, 40}, {60, 10}, {10, 40}}, 30); // a bow-tie
        testsupport::AddRoof(d, {{100, 10}, {160, 10}, {160, 40}, {100, 40}}, 8);
        testsupport::AddWall(d, {10, 40}, {10, 60}, 0);
        testsupport::AddWall(d, {100, 40}, {100, 60}, 1);
        for (int i = 0; i < d.gTopAreaPointTotalNumber; ++i) {
            d.gFlatTopAreaX[static_cast<std::size_t>(i)] = d.gTopAreaX[static_cast<std::size_t>(i)];
            d.gFlatTopAreaY[static_cast<std::size_t>(i)] = d.gTopAreaY[static_cast<std::size_t>(i)];
        }
        const Buildings b = MeasuredBuildings(d);
        QCOMPARE(b.prisms.size(), 1u);
        QCOMPARE(b.prisms[0].roof, Count(1));
        QCOMPARE(b.crossing, std::vector<Count>{0});
        QVERIFY(b.unmeasured.empty());
    }

    void leapSeconds_data() {
        QTest::addColumn<QDateTime>("utc");
        QTest::addColumn<double>("gpsMinusUtc");
        QTest::newRow("2010-07-01") << QDateTime(QDate(2010, 7, 1), QTime(1, 0), Qt::UTC) << 15.0;
        QTest::newRow("last second before July 2012")
            << QDateTime(QDate(2012, 6, 30), QTime(23, 59, 59), Qt::UTC) << 15.0;
        QTest::newRow("first second of July 2012")
            << QDateTime(QDate(2012, 7, 1), QTime(0, 0), Qt::UTC) << 16.0;
        QTest::newRow("last second of 2016")
            << QDateTime(QDate(2016, 12, 31), QTime(23, 59, 59), Qt::UTC) << 17.0;
        QTest::newRow("first second of 2017")
            << QDateTime(QDate(2017, 1, 1), QTime(0, 0), Qt::UTC) << 18.0;
    }
    void leapSeconds() {
        QFETCH(QDateTime, utc);
        QFETCH(double, gpsMinusUtc);
        QCOMPARE(GpsMinusUtc(utc.toSecsSinceEpoch()), gpsMinusUtc);
    }

    void receiverPlace() {
        // 1000 m north of a point on the equator at 100 m: the latitude grows
        // by 1000 m over the meridian's radius of curvature there, a(1-e^2).
        const Receiver r = PlaceReceiver(0, 30, 100, {0, 1000}, 2);
        const double a = 6378137.0, e2 = 0.00669437999014;
        const double m = a * (1 - e2) + 102;
        QVERIFY2(std::fabs(r.latitude - Deg(1000 / m)) < 1e-6,
                 qPrintable(QString::number(r.latitude, 'g', 12)));
        QCOMPARE(r.longitude, 30.0);
        QVERIFY(std::fabs(r.height - (102 + 1000.0 * 1000 / (2 * m))) < 0.01);
    }
};

QTEST_APPLESS_MAIN(GnssSkyTest)
#include "test_sky.moc"
