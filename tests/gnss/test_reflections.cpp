// SPDX-License-Identifier: GPL-3.0-or-later
// Single reflections off vertical faces: a street canyon against the hand
// computation 2 d cos(el) cos(az - face normal), bounces above the roof and
// legs through other buildings rejected, and every reflection found in a
// random block against a direct search for the shortest path over its face.
#include <QtTest>

#include <cmath>
#include <random>

#include "gnss/Reflections.h"

using namespace velmora;
using namespace velmora::gnss;

namespace {

constexpr double kDeg = M_PI / 180;

Footprint Box(double x0, double y0, double x1, double y1, double height, bool clockwise = false) {
    Footprint f;
    f.ring = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
    if (clockwise)
        std::reverse(f.ring.begin(), f.ring.end());
    f.height = height;
    return f;
}

// A north-south street 20 m wide between two 200 m long blocks; the west
// block's east face is at x = -10, the east block's west face at x = 10.
std::vector<Footprint> Scene(const QString& name) {
    std::vector<Footprint> s;
    const double west = name.contains("low west") ? 10 : 30;
    const double east = name.contains("tall east") ? 40 : 30;
    s.push_back(Box(-20, -100, -10, 100, west, name.contains("clockwise")));
    s.back().crossesItself = name.contains("crossing");
    s.push_back(Box(10, -100, 20, 100, east));
    if (name.contains("kiosk"))
        s.push_back(Box(-7, -2, -3, 2, 12)); // between the receiver and the west face
    return s;
}

void Unit(Direction d, double u[3]) {
    u[0] = std::sin(d.azimuth * kDeg) * std::cos(d.elevation * kDeg);
    u[1] = std::cos(d.azimuth * kDeg) * std::cos(d.elevation * kDeg);
    u[2] = std::sin(d.elevation * kDeg);
}

// Path beyond the direct one through a point P of a face: |P - R| - (P - R).u
// for a satellite at infinity.
double Extra(const double p[3], const double r[3], const double u[3]) {
    const double d[3] = {p[0] - r[0], p[1] - r[1], p[2] - r[2]};
    return std::hypot(d[0], d[1], d[2]) - (d[0] * u[0] + d[1] * u[1] + d[2] * u[2]);
}

// The shortest path over the face's rectangle (Fermat's principle), by a
// coarse grid and shrinking refinements: independent of the mirror image.
double ShortestOverFace(const Footprint& f, std::size_t face, const double r[3],
                        const double u[3]) {
    const PlanXY a = f.ring[face], b = f.ring[(face + 1) % f.ring.size()];
    double best = 1e300, bs = 0.5, bh = f.height / 2;
    double spanS = 0.5, spanH = f.height / 2;
    for (int round = 0; round < 40; ++round) {
        const double cs = bs, ch = bh;
        for (int i = -10; i <= 10; ++i)
            for (int j = -10; j <= 10; ++j) {
                const double s = std::clamp(cs + spanS * i / 10, 0.0, 1.0);
                const double h = std::clamp(ch + spanH * j / 10, 0.0, f.height);
                const double p[3] = {a.x + s * (b.x - a.x), a.y + s * (b.y - a.y), h};
                const double e = Extra(p, r, u);
                if (e < best) {
                    best = e;
                    bs = s;
                    bh = h;
                }
            }
        spanS *= 0.5;
        spanH *= 0.5;
    }
    return best;
}

} // namespace

class GnssReflectionsTest : public QObject {
    Q_OBJECT

  private slots:
    void canyon_data() {
        QTest::addColumn<QString>("scene");
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        QTest::addColumn<double>("az");
        QTest::addColumn<double>("el");
        QTest::addColumn<double>("extra"); // by hand; < 0: no reflection
        // From the centre line, d = 10 m to the west face, whose normal
        // points east (azimuth 90).
        const double c50 = std::cos(50 * kDeg);
        QTest::newRow("east sky, centre") << "canyon" << 0.0 << 0.0 << 90.0 << 50.0 << 20 * c50;
        QTest::newRow("east sky, clockwise ring")
            << "canyon clockwise" << 0.0 << 0.0 << 90.0 << 50.0 << 20 * c50;
        QTest::newRow("20 deg off the normal")
            << "canyon" << 0.0 << 0.0 << 70.0 << 50.0 << 20 * c50 * std::cos(20 * kDeg);
        QTest::newRow("south-east sky")
            << "canyon" << 0.0 << 0.0 << 110.0 << 50.0 << 20 * c50 * std::cos(20 * kDeg);
        QTest::newRow("receiver 4 m east") << "canyon" << 4.0 << 0.0 << 90.0 << 50.0 << 28 * c50;
        // Too low: the reflected ray still hits the east block.
        QTest::newRow("east sky at 30 deg") << "canyon" << 0.0 << 0.0 << 90.0 << 30.0 << -1.0;
        // The bounce would be 13.4 m up a 10 m face: above its roof.
        QTest::newRow("bounce above the roof")
            << "canyon low west" << 0.0 << 0.0 << 90.0 << 50.0 << -1.0;
        // The leg to the satellite passes the east block at 37.3 m.
        QTest::newRow("satellite leg blocked")
            << "canyon tall east" << 0.0 << 0.0 << 90.0 << 50.0 << -1.0;
        // The leg from the face to the receiver passes the kiosk at 7.5 m.
        QTest::newRow("receiver leg blocked")
            << "canyon kiosk" << 0.0 << 0.0 << 90.0 << 50.0 << -1.0;
        QTest::newRow("west outline crossing itself")
            << "canyon crossing" << 0.0 << 0.0 << 90.0 << 50.0 << -1.0;
        QTest::newRow("beside the kiosk")
            << "canyon kiosk" << 0.0 << 10.0 << 90.0 << 50.0 << 20 * c50;
        // Along the street, in view: no face turns towards it.
        QTest::newRow("north sky") << "canyon" << 0.0 << 0.0 << 0.0 << 20.0 << -1.0;
        QTest::newRow("below the horizon") << "canyon" << 0.0 << 0.0 << 90.0 << -5.0 << -1.0;
    }
    void canyon() {
        QFETCH(QString, scene);
        QFETCH(double, x);
        QFETCH(double, y);
        QFETCH(double, az);
        QFETCH(double, el);
        QFETCH(double, extra);
        const auto prisms = Scene(scene);
        const double antenna = 1.5;
        const Direction d{az, el};
        // Every row but the one along the street is a satellite hidden
        // from it.
        if (el > 0)
            QCOMPARE(LineOfSightBlocked(prisms, {x, y}, antenna, d), az != 0);
        const auto r = ShortestReflection(prisms, {x, y}, antenna, d);
        if (extra < 0) {
            QVERIFY2(!r, r ? qPrintable(QString("found %1 m").arg(r->extraPath)) : "");
            return;
        }
        QVERIFY(r);
        QVERIFY2(std::fabs(r->extraPath - extra) < 1e-9,
                 qPrintable(QString("%1 m, by hand %2 m").arg(r->extraPath).arg(extra)));
        QCOMPARE(r->prism, std::size_t(0));
        QCOMPARE(r->bounce.x, -10.0);
        QVERIFY(r->bounceHeight > 0 && r->bounceHeight < prisms[0].height);
        // The bounce lies where the two legs obey the law of reflection.
        double u[3];
        Unit(d, u);
        const double rx[3] = {x, y, antenna};
        const double p[3] = {r->bounce.x, r->bounce.y, r->bounceHeight};
        QVERIFY(std::fabs(Extra(p, rx, u) - extra) < 1e-9);
    }

    // Random blocks: every reflection reported has the shortest path over
    // its face, found by direct search, and the shortest comes first.
    void randomBlock() {
        std::mt19937 rng(7);
        std::uniform_real_distribution<double> pos(-60, 60), size(4, 20), height(3, 40), az(0, 360),
            el(5, 85);
        int checked = 0;
        double worstAll = 0;
        for (int scene = 0; scene < 20; ++scene) {
            std::vector<Footprint> prisms;
            for (int k = 0; k < 12; ++k) {
                const double x = pos(rng), y = pos(rng);
                const double w = size(rng), h = size(rng);
                if (std::hypot(x + w / 2, y + h / 2) < 8)
                    continue; // keep the receiver in the open
                prisms.push_back(Box(x, y, x + w, y + h, height(rng), k % 2));
            }
            double worst = 0;
            for (int s = 0; s < 30; ++s) {
                const Direction d{az(rng), el(rng)};
                double u[3];
                Unit(d, u);
                const double rx[3] = {0, 0, 1.5};
                const auto all = SpecularReflections(prisms, {0, 0}, 1.5, d);
                for (std::size_t i = 0; i < all.size(); ++i) {
                    if (i > 0)
                        QVERIFY(all[i - 1].extraPath <= all[i].extraPath);
                    const Reflection& r = all[i];
                    const double found = ShortestOverFace(prisms[r.prism], r.face, rx, u);
                    worst = std::max(worst, std::fabs(found - r.extraPath));
                    ++checked;
                }
            }
            QVERIFY2(worst < 1e-6, qPrintable(QString("off by %1 m").arg(worst)));
            worstAll = std::max(worstAll, worst);
        }
        qInfo("%d reflections, extra path within %.3g m of the direct search", checked, worstAll);
        QVERIFY2(checked > 50, qPrintable(QString("only %1 reflections").arg(checked)));
    }
};

QTEST_GUILESS_MAIN(GnssReflectionsTest)
#include "test_reflections.moc"
