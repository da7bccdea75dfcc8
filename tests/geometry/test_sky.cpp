// SPDX-License-Identifier: GPL-3.0-or-later
// The geometry behind velmora-cli: north-up footprints with their areas and
// centroids, the sky mask of prisms, and the sun's position.
#include <QtTest>

#include <cmath>

#include "data/BuildingData.h"
#include "geometry/Footprints.h"
#include "geometry/SkyMask.h"
#include "geometry/SunPosition.h"

using namespace velmora;

namespace {

// A record with one roof of these plan corners (metres; closing repeat added).
std::unique_ptr<BuildingData> PlanRecord(std::vector<PicturePoint> corners, float height,
                                         float north) {
    auto d = std::make_unique<BuildingData>();
    corners.push_back(corners.front());
    if (AppendTopArea(*d, corners) != AppendResult::Ok)
        return nullptr;
    for (std::size_t i = 0; i < corners.size(); ++i) {
        d->gFlatTopAreaX[i] = corners[i].x;
        d->gFlatTopAreaY[i] = corners[i].y;
    }
    d->gFlatTopHeight[0] = height;
    d->gNorthAngle = north;
    return d;
}

// The box 10 ... 20 m east, -5 ... 5 m north, 11.5 m high.
const std::vector<PicturePoint> kBox{{10, -5}, {20, -5}, {20, 5}, {10, 5}};

} // namespace

class SkyTest : public QObject {
    Q_OBJECT

  private slots:
    // An L of 30 m2 given clockwise; its centroid by hand from its two
    // rectangles: (0..4 x 0..2, centre (2,1), 8 m2) and (0..2 x 2..13,
    // centre (1,7.5), 22 m2) -> (38/30, 173/30).
    void footprintAreaAndCentroid_data() {
        QTest::addColumn<float>("north");
        QTest::addColumn<double>("cx");
        QTest::addColumn<double>("cy");
        QTest::newRow("north up") << 0.0f << 38.0 / 30 << 173.0 / 30;
        // North to the right of the picture: the picture's up is west.
        QTest::newRow("north at 90") << 90.0f << -173.0 / 30 << 38.0 / 30;
        QTest::newRow("north at 180") << 180.0f << -38.0 / 30 << -173.0 / 30;
    }
    void footprintAreaAndCentroid() {
        QFETCH(float, north);
        QFETCH(double, cx);
        QFETCH(double, cy);
        const auto d = PlanRecord({{0, 0}, {0, 13}, {2, 13}, {2, 2}, {4, 2}, {4, 0}}, 8, north);
        const std::vector<Footprint> f = NorthUpFootprints(*d);
        QCOMPARE(f.size(), std::size_t(1));
        QCOMPARE(f[0].ring.size(), std::size_t(6)); // the closing repeat dropped
        QVERIFY(std::fabs(SignedArea(f[0].ring) + 30) < 1e-4);
        const PlanXY c = Centroid(f[0].ring);
        QVERIFY2(std::hypot(c.x - cx, c.y - cy) < 1e-4,
                 qPrintable(QString("%1, %2").arg(c.x).arg(c.y)));
    }

    void outlineCrossesItself_data() {
        QTest::addColumn<QList<QPointF>>("ring");
        QTest::addColumn<bool>("crosses");
        using L = QList<QPointF>;
        QTest::newRow("square") << L{{0, 0}, {10, 0}, {10, 10}, {0, 10}} << false;
        QTest::newRow("square, clockwise") << L{{0, 0}, {0, 10}, {10, 10}, {10, 0}} << false;
        QTest::newRow("L shape") << L{{0, 0}, {0, 13}, {2, 13}, {2, 2}, {4, 2}, {4, 0}} << false;
        QTest::newRow("corner in line with its neighbours")
            << L{{0, 0}, {5, 0}, {10, 0}, {10, 10}, {0, 10}} << false;
        QTest::newRow("bow-tie") << L{{0, 0}, {10, 10}, {10, 0}, {0, 10}} << true;
        QTest::newRow("pentagram")
            << L{{0, 10}, {5.9, -8.1}, {-9.5, 3.1}, {9.5, 3.1}, {-5.9, -8.1}} << true;
        QTest::newRow("edge doubling back")
            << L{{0, 0}, {10, 0}, {10, 10}, {10, 5}, {0, 10}} << true;
        QTest::newRow("two squares touching at a corner")
            << L{{0, 0}, {10, 0}, {10, 10}, {20, 10}, {20, 20}, {10, 20}, {10, 10}, {0, 10}}
            << true;
        QTest::newRow("corner on another edge")
            << L{{0, 0}, {10, 0}, {10, 10}, {5, 0}, {0, 10}} << true;
        QTest::newRow("triangle") << L{{0, 0}, {10, 0}, {5, 8}} << false;
    }
    void outlineCrossesItself() {
        QFETCH(QList<QPointF>, ring);
        QFETCH(bool, crosses);
        std::vector<PlanXY> plan;
        for (const QPointF& p : ring)
            plan.push_back({p.x(), p.y()});
        QCOMPARE(OutlineCrossesItself(plan), crosses);
        // Where the ring starts does not matter.
        std::rotate(plan.begin(), plan.begin() + 1, plan.end());
        QCOMPARE(OutlineCrossesItself(plan), crosses);
        // Nor does the record it comes from.
        std::vector<PicturePoint> corners;
        for (const QPointF& p : ring)
            corners.push_back({float(p.x()), float(p.y())});
        const auto d = PlanRecord(corners, 10, 0);
        QCOMPARE(RoofOutlineCrossesItself(*d, 0), crosses);
        QCOMPARE(NorthUpFootprints(*d)[0].crossesItself, crosses);
    }

    void roofHeight_data() {
        QTest::addColumn<float>("height");
        QTest::addColumn<int>("wallOwner"); // -1: no wall line
        QTest::addColumn<int>("expected");
        QTest::newRow("wall line, 12 m") << 12.0f << 0 << int(RoofHeight::Measured);
        QTest::newRow("no wall line, 0 m") << 0.0f << -1 << int(RoofHeight::NoWallLine);
        QTest::newRow("no wall line, a height in the file")
            << 12.0f << -1 << int(RoofHeight::NoWallLine);
        QTest::newRow("wall line of another roof") << 12.0f << 1 << int(RoofHeight::NoWallLine);
        QTest::newRow("wall drawn upwards") << -50.0f << 0 << int(RoofHeight::NotAboveGround);
        QTest::newRow("wall of no length") << 0.0f << 0 << int(RoofHeight::NotAboveGround);
        QTest::newRow("not a number") << std::nanf("") << 0 << int(RoofHeight::NotAboveGround);
    }
    void roofHeight() {
        QFETCH(float, height);
        QFETCH(int, wallOwner);
        QFETCH(int, expected);
        auto d = PlanRecord(kBox, height, 0);
        std::vector<PicturePoint> other = kBox;
        other.push_back(other.front());
        QVERIFY(AppendTopArea(*d, other) == AppendResult::Ok);
        if (wallOwner >= 0)
            AppendWallEdge(*d, {15, 5}, {15, -5}, Count(wallOwner));
        QCOMPARE(int(RoofHeightOf(*d, 0)), expected);
        QCOMPARE(int(NorthUpFootprints(*d)[0].heightState), expected);
    }

    void pointInFootprint_data() {
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        QTest::addColumn<bool>("inside");
        QTest::newRow("middle") << 15.0 << 0.0 << true;
        QTest::newRow("on an edge") << 10.0 << 2.0 << true;
        QTest::newRow("a corner") << 20.0 << 5.0 << true;
        QTest::newRow("beside") << 9.9 << 0.0 << false;
        QTest::newRow("in line with an edge") << 25.0 << 5.0 << false;
    }
    void pointInFootprint() {
        QFETCH(double, x);
        QFETCH(double, y);
        QFETCH(bool, inside);
        const auto d = PlanRecord(kBox, 11.5f, 0);
        const std::vector<Footprint> f = NorthUpFootprints(*d);
        QCOMPARE(FootprintAt(f, {x, y}).has_value(), inside);
    }

    // The box seen from the origin, antenna 1.5 m: its walls rise 10 m above
    // the receiver. Along azimuth a the west wall (x = 10) is 10 / sin a away
    // while the ray meets it within -5 ... 5 north, so the elevation is
    // atan(sin a); the ray at 63 degrees passes north of the corner (5.1 m).
    void maskOfBox_data() {
        QTest::addColumn<double>("azimuth");
        QTest::addColumn<double>("elevation");
        QTest::newRow("east") << 90.0 << 45.0;
        QTest::newRow("70") << 70.0 << 43.2192; // atan(0.939693)
        QTest::newRow("110") << 110.0 << 43.2192;
        QTest::newRow("64") << 64.0 << 41.9490; // atan(0.898794)
        QTest::newRow("63 misses") << 63.0 << 0.0;
        QTest::newRow("north") << 0.0 << 0.0;
        QTest::newRow("west") << 270.0 << 0.0;
    }
    void maskOfBox() {
        QFETCH(double, azimuth);
        QFETCH(double, elevation);
        const auto d = PlanRecord(kBox, 11.5f, 0);
        const std::vector<Footprint> f = NorthUpFootprints(*d);
        const SkyScene scene(f, {0, 0}, 1.5);
        const std::vector<double> mask = scene.Mask(1);
        QCOMPARE(mask.size(), std::size_t(360));
        const double m = mask[std::size_t(azimuth)];
        QVERIFY2(std::fabs(m - elevation) < 1e-3, qPrintable(QString::number(m, 'f', 4)));
        QVERIFY(std::fabs(scene.ElevationAt(azimuth) - m) < 1e-9);
        // A receiver as high as the roof sees open sky all round.
        QCOMPARE(SkyScene(f, {0, 0}, 11.5).ElevationAt(azimuth), 0.0);
    }

    // A footprint whose corners are not numbers covers no azimuth, and a
    // step too fine for any mask makes none.
    void maskOfBrokenFootprint() {
        Footprint broken;
        broken.height = 10;
        broken.ring = {{NAN, 5}, {10, NAN}, {10, 10}};
        const std::vector<Footprint> f{broken};
        const std::vector<double> mask = SkyScene(f, {0, 0}, 1.5).Mask(1);
        QCOMPARE(mask.size(), std::size_t(360));
        for (const double m : mask)
            QVERIFY(std::isfinite(m));
        QVERIFY(SkyScene(f, {0, 0}, 1.5).Mask(1e-300).empty());
    }

    void nearerWallWins() {
        // A low wall 5 m east in front of the box hides less than the box.
        auto d = PlanRecord(kBox, 11.5f, 0);
        QVERIFY(AppendTopArea(*d, {{5, -1}, {6, -1}, {6, 1}, {5, 1}, {5, -1}}) == AppendResult::Ok);
        for (int i = 5; i < 10; ++i) {
            d->gFlatTopAreaX[std::size_t(i)] = d->gTopAreaX[std::size_t(i)];
            d->gFlatTopAreaY[std::size_t(i)] = d->gTopAreaY[std::size_t(i)];
        }
        d->gFlatTopHeight[1] = 3.5; // 2 m above the receiver, 5 m away
        const SkyScene scene(NorthUpFootprints(*d), {0, 0}, 1.5);
        QVERIFY(std::fabs(scene.ElevationAt(90) - 45) < 1e-9);
    }

    // NREL's SPA reference example; Meeus' longitude is good to 0.01 degree.
    void sunPositionAgainstSpa() {
        const SunSite golden{39.742476, -105.1786, 1830.14, 820, 11};
        const SunClock when{2003, 10, 17, 12 + 30 / 60.0 + 30 / 3600.0, -7, 67};
        const SunAngles a = SunPositionAt(when, golden);
        QVERIFY2(std::fabs(a.zenith - 50.11162) < kSunAccuracyDeg,
                 qPrintable(QString::number(a.zenith, 'f', 5)));
        QVERIFY2(std::fabs(a.azimuth - 194.34024) < kSunAccuracyDeg,
                 qPrintable(QString::number(a.azimuth, 'f', 5)));
    }

    // Published times: NREL's SPA (the example day's sunrise; its online
    // calculator for 1 January 2018, quoted to the second) and the sunrise
    // table of Astronomy Answers for 2002 at longitude 0 (to the minute).
    void sunriseSunset_data() {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("day");
        QTest::addColumn<double>("latitude");
        QTest::addColumn<double>("longitude");
        QTest::addColumn<double>("utcOffset");
        QTest::addColumn<double>("sunrise");
        QTest::addColumn<double>("sunset");    // -1: not published
        QTest::addColumn<double>("tolerance"); // hours
        const double second = 1 / 3600.0, minute = 1 / 60.0;
        QTest::newRow("SPA example") << 2003 << 10 << 17 << 39.742476 << -105.1786 << -7.0
                                     << 6 + 12 * minute + 43 * second << -1.0 << 5 * second;
        QTest::newRow("SPA 2018-01-01")
            << 2018 << 1 << 1 << 39.743 << -105.178 << -7.0 << 7.364246 << 16.785242 << 5 * second;
        QTest::newRow("40 S") << 2002 << 1 << 1 << -40.0 << 0.0 << 0.0 << 4 + 35 * minute << -1.0
                              << minute;
        QTest::newRow("equator") << 2002 << 1 << 1 << 0.0 << 0.0 << 0.0 << 6.0 << -1.0 << minute;
        QTest::newRow("40 N") << 2002 << 1 << 1 << 40.0 << 0.0 << 0.0 << 7 + 22 * minute << -1.0
                              << minute;
    }
    void sunriseSunset() {
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(int, day);
        QFETCH(double, latitude);
        QFETCH(double, longitude);
        QFETCH(double, utcOffset);
        QFETCH(double, sunrise);
        QFETCH(double, sunset);
        QFETCH(double, tolerance);
        const SunEvents e =
            SunriseSunset({year, month, day, 0, utcOffset, 67}, {latitude, longitude, 0, 1013, 12});
        QVERIFY(e.sunrise && e.sunset);
        QVERIFY2(std::fabs(*e.sunrise - sunrise) <= tolerance,
                 qPrintable(QString::number(*e.sunrise, 'f', 6)));
        if (sunset >= 0)
            QVERIFY2(std::fabs(*e.sunset - sunset) <= tolerance,
                     qPrintable(QString::number(*e.sunset, 'f', 6)));
    }

    void sunOverDay() {
        // Midsummer in Tokyo: the box east of the receiver blocks morning
        // sun only.
        const auto d = PlanRecord(kBox, 11.5f, 0);
        const SkyScene open(std::vector<Footprint>{}, {0, 0}, 1.5);
        const SkyScene boxed(NorthUpFootprints(*d), {0, 0}, 1.5);
        const SunClock date{2024, 6, 21, 0, 9, 69};
        const SunSite tokyo{35.68, 139.77, 0, 1013, 12};
        const SunDay free = SunOverDay(open, date, tokyo);
        const SunDay shaded = SunOverDay(boxed, date, tokyo);
        QCOMPARE(free.blockedMinutes, 0);
        // Between sunrise and sunset, less the minutes the centre spends
        // below the horizon with the upper limb above it.
        const double daylight = (*free.events.sunset - *free.events.sunrise) * 60;
        QVERIFY2(std::fabs(free.directMinutes - daylight) < 8,
                 qPrintable(QString::number(daylight)));
        QCOMPARE(shaded.directMinutes + shaded.blockedMinutes, free.directMinutes);
        QVERIFY(shaded.blockedMinutes > 0);
        for (const SunMinute& m : shaded.minutes)
            if (m.blocked)
                QVERIFY(m.hours < 12 && m.azimuth > 45 && m.azimuth < 135);
    }
};

QTEST_GUILESS_MAIN(SkyTest)
#include "test_sky.moc"
