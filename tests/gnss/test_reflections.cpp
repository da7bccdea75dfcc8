// SPDX-License-Identifier: GPL-3.0-or-later
// Single reflections off vertical faces: a street canyon against the hand
// computation 2 d cos(el) cos(az - face normal), bounces above the roof and
// legs through other buildings rejected, every reflection found in a random
// block against a direct search for the shortest path over its face, and
// the states of satellites in street canyons against a brute force over
// face points and sampled legs.
#include <QtTest>

#include <cmath>
#include <random>

#include "geometry/SkyMask.h"
#include "gnss/Prediction.h"
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
    if (name.contains("west on a base"))
        s.back().base = name.contains("15 m") ? 15 : 10;
    s.push_back(Box(10, -100, 20, 100, east));
    if (name.contains("kiosk"))
        s.push_back(Box(-7, -2, -3, 2, 12)); // between the receiver and the west face
    if (name.contains("raised kiosk"))
        s.back().base = 10.5;
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

// ---- The brute force: nothing of the mirror image, only points, samples
// and the shortest path (Fermat's principle).

struct Box2 {
    double x0, y0, x1, y1;
};

Box2 Bounds(const Footprint& f) {
    Box2 b{1e300, 1e300, -1e300, -1e300};
    for (const PlanXY& p : f.ring) {
        b.x0 = std::min(b.x0, p.x);
        b.y0 = std::min(b.y0, p.y);
        b.x1 = std::max(b.x1, p.x);
        b.y1 = std::max(b.y1, p.y);
    }
    return b;
}

// True when a point lies strictly inside some prism: inside its outline and
// below its roof.
bool InsideAny(std::span<const Footprint> prisms, std::span<const Box2> boxes, double x, double y,
               double z) {
    for (std::size_t i = 0; i < prisms.size(); ++i) {
        const Box2& b = boxes[i];
        if (x < b.x0 || x > b.x1 || y < b.y0 || y > b.y1 || z >= prisms[i].height ||
            z < prisms[i].base)
            continue;
        if (RingContains(prisms[i].ring, {x, y}))
            return true;
    }
    return false;
}

// Samples every `step` metres along the line from `from` in direction `v`
// (3D, unit) for `length` metres, leaving out `skip` metres at each end.
bool SampledBlocked(std::span<const Footprint> prisms, std::span<const Box2> boxes,
                    const double from[3], const double v[3], double length, double skip) {
    constexpr double step = 0.05;
    for (double t = skip; t <= length - skip; t += step)
        if (InsideAny(prisms, boxes, from[0] + t * v[0], from[1] + t * v[1], from[2] + t * v[2]))
            return true;
    return false;
}

struct Brute {
    SkyState state = SkyState::Visible;
    double extra = 0;
};

Brute BruteForce(std::span<const Footprint> prisms, PlanXY at, double antenna, Direction d) {
    std::vector<Box2> boxes;
    double top = 0;
    for (const Footprint& f : prisms) {
        boxes.push_back(Bounds(f));
        top = std::max(top, f.height);
    }
    double u[3];
    Unit(d, u);
    const double rx[3] = {at.x, at.y, antenna};
    // Far enough along u to climb above every roof.
    const double skyLength = (top - antenna) / u[2] + 0.1;
    if (!SampledBlocked(prisms, boxes, rx, u, skyLength, 0))
        return {SkyState::Visible, 0};
    Brute best{SkyState::Blocked, 1e300};
    for (const Footprint& f : prisms) {
        if (f.crossesItself)
            continue;
        const std::size_t n = f.ring.size();
        for (std::size_t i = 0; i < n; ++i) {
            const PlanXY a = f.ring[i], b = f.ring[(i + 1) % n];
            const double len = std::hypot(b.x - a.x, b.y - a.y);
            // The face's outside: the side of its middle the outline does
            // not hold.
            double nx = -(b.y - a.y) / len, ny = (b.x - a.x) / len;
            const PlanXY mid{(a.x + b.x) / 2, (a.y + b.y) / 2};
            if (RingContains(f.ring, {mid.x + 1e-4 * nx, mid.y + 1e-4 * ny})) {
                nx = -nx;
                ny = -ny;
            }
            if ((at.x - a.x) * nx + (at.y - a.y) * ny <= 0 || u[0] * nx + u[1] * ny <= 0)
                continue;
            // The shortest path over the face's rectangle (base to roof); at
            // its edge the plane's shortest lies off the face: no reflection
            // here.
            const double lo = f.base;
            double bs = 0.5, bh = (lo + f.height) / 2, spanS = 0.5, spanH = (f.height - lo) / 2,
                   e = 1e300;
            for (int round = 0; round < 34; ++round) {
                const double cs = bs, ch = bh;
                for (int p = -5; p <= 5; ++p)
                    for (int q = -5; q <= 5; ++q) {
                        const double s = std::clamp(cs + spanS * p / 5, 0.0, 1.0);
                        const double h = std::clamp(ch + spanH * q / 5, lo, f.height);
                        const double pt[3] = {a.x + s * (b.x - a.x), a.y + s * (b.y - a.y), h};
                        const double v = Extra(pt, rx, u);
                        if (v < e) {
                            e = v;
                            bs = s;
                            bh = h;
                        }
                    }
                spanS *= 0.6;
                spanH *= 0.6;
            }
            if (bs <= 1e-9 || bs >= 1 - 1e-9 || bh <= lo + 1e-9 || bh >= f.height - 1e-9)
                continue;
            if (e >= best.extra)
                continue;
            const double p[3] = {a.x + bs * (b.x - a.x), a.y + bs * (b.y - a.y), bh};
            double back[3] = {rx[0] - p[0], rx[1] - p[1], rx[2] - p[2]};
            const double backLength = std::hypot(back[0], back[1], back[2]);
            for (double& c : back)
                c /= backLength;
            // Points off the face by less than a sample are the bounce.
            if (SampledBlocked(prisms, boxes, p, back, backLength, 0.06) ||
                SampledBlocked(prisms, boxes, p, u, (top - p[2]) / u[2] + 0.1, 0.06))
                continue;
            best = {SkyState::Reflected, e};
        }
    }
    return best.state == SkyState::Reflected ? best : Brute{SkyState::Blocked, 0};
}

// Blocks along both sides of an east-west street (y -w/2 ... w/2), with
// cross streets between them; some turned a few degrees, some on a base, a
// kiosk in the street.
std::vector<Footprint> RandomCanyon(std::mt19937& rng, double width) {
    std::uniform_real_distribution<double> len(15, 60), gap(0, 12), depth(8, 25), height(6, 60),
        turn(-4, 4), unit(0, 1);
    std::vector<Footprint> s;
    for (const double side : {-1.0, 1.0}) {
        double x = -150;
        while (x < 150) {
            const double l = len(rng), dp = depth(rng);
            const double y0 = side > 0 ? width / 2 : -width / 2 - dp;
            Footprint f = Box(x, y0, x + l, y0 + dp, height(rng), unit(rng) < 0.5);
            // Some stand on a base (an arcade, a bridge), up to half their
            // height.
            if (unit(rng) < 0.3)
                f.base = f.height * unit(rng) / 2;
            const double a = turn(rng) * kDeg, cx = x + l / 2, cy = side * width / 2;
            if (unit(rng) < 0.3)
                for (PlanXY& p : f.ring) {
                    const double dx = p.x - cx, dy = p.y - cy;
                    p = {cx + dx * std::cos(a) - dy * std::sin(a),
                         cy + dx * std::sin(a) + dy * std::cos(a) + side * 0.6};
                }
            s.push_back(f);
            x += l + gap(rng);
        }
    }
    if (unit(rng) < 0.5)
        s.push_back(Box(-20, -2, -16, 1, 3.5));
    return s;
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
        // The bounce 13.4 m up: on the face above a 10 m base, below a 15 m
        // one. The leg to the receiver passes the kiosk from 9.8 m down to
        // 5.1 m up: under it when it stands on a 10.5 m base.
        QTest::newRow("west on a base of 10 m")
            << "canyon west on a base 10 m" << 0.0 << 0.0 << 90.0 << 50.0 << 20 * c50;
        QTest::newRow("west on a base of 15 m")
            << "canyon west on a base 15 m" << 0.0 << 0.0 << 90.0 << 50.0 << -1.0;
        QTest::newRow("under a raised kiosk")
            << "canyon raised kiosk" << 0.0 << 0.0 << 90.0 << 50.0 << 20 * c50;
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

    // Street canyons of random blocks: the states the prediction gives
    // (visible, blocked, reflected with the shortest extra path) against the
    // brute force. The two may differ only where a ray grazes an edge or a
    // roof: there a turn of the direction by 0.1 degree makes the brute
    // force agree.
    void statesAgainstBruteForce_data() {
        QTest::addColumn<double>("width");
        QTest::addColumn<int>("seed");
        QTest::newRow("narrow street, 12 m") << 12.0 << 1;
        QTest::newRow("street of 20 m") << 20.0 << 2;
        QTest::newRow("avenue of 36 m") << 36.0 << 3;
    }
    void statesAgainstBruteForce() {
        QFETCH(double, width);
        QFETCH(int, seed);
        std::mt19937 rng(static_cast<unsigned>(seed));
        std::uniform_real_distribution<double> az(0, 360), el(10, 85), along(-100, 100),
            across(-0.45, 0.45), antenna(0.5, 3);
        int cases = 0, differing = 0, reflected = 0;
        double worstExtra = 0;
        for (int scene = 0; scene < 8; ++scene) {
            const std::vector<Footprint> prisms = RandomCanyon(rng, width);
            for (int k = 0; k < 60; ++k) {
                const PlanXY at{along(rng), across(rng) * width};
                if (FootprintAt(prisms, at))
                    continue;
                const double h = antenna(rng);
                const SkyScene sceneAt(prisms, at, h);
                const Direction d{az(rng), el(rng)};
                const Sight got = SightOf(sceneAt, prisms, at, h, d);
                const Brute want = BruteForce(prisms, at, h, d);
                ++cases;
                reflected += want.state == SkyState::Reflected;
                const bool same =
                    got.state == want.state && (got.state != SkyState::Reflected ||
                                                std::fabs(got.extraPath - want.extra) < 0.1);
                if (same) {
                    if (got.state == SkyState::Reflected)
                        worstExtra = std::max(worstExtra, std::fabs(got.extraPath - want.extra));
                    continue;
                }
                ++differing;
                bool grazing = false;
                for (const Direction near : {Direction{d.azimuth + 0.1, d.elevation},
                                             Direction{d.azimuth - 0.1, d.elevation},
                                             Direction{d.azimuth, d.elevation + 0.1},
                                             Direction{d.azimuth, d.elevation - 0.1}})
                    grazing = grazing || BruteForce(prisms, at, h, near).state == got.state;
                QVERIFY2(grazing, qPrintable(QString("(%1, %2) towards %3/%4: state %5 (%6 m), "
                                                     "brute force %7 (%8 m)")
                                                 .arg(at.x)
                                                 .arg(at.y)
                                                 .arg(d.azimuth)
                                                 .arg(d.elevation)
                                                 .arg(int(got.state))
                                                 .arg(got.extraPath)
                                                 .arg(int(want.state))
                                                 .arg(want.extra)));
            }
        }
        qInfo("%d directions, %d reflected by the brute force, %d differing (%.2f%%), extra path "
              "within %.2g m",
              cases, reflected, differing, 100.0 * differing / cases, worstExtra);
        QVERIFY(cases > 400);
        QVERIFY2(reflected * 10 > cases, qPrintable(QString::number(reflected)));
        QVERIFY(differing * 200 <= cases);
        QVERIFY(worstExtra < 0.1);
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
