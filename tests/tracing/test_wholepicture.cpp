// SPDX-License-Identifier: GPL-3.0-or-later
// The whole-picture search on synthetic blocks drawn through the camera of
// sample preset 1: every building found once, roof by roof, and light
// things on the ground (a plaza, a white van) left out.
#include <QtTest>

#include <cmath>
#include <memory>
#include <random>

#include "geometry/CameraModel.h"
#include "support/PresetScene.h"
#include "tracing/WholePicture.h"

using namespace velmora;
using namespace tracetest;

namespace {

// A box standing on the ground: plan rectangle x0 ... x1, y0 ... y1 metres
// (y away from the camera), h metres high; faceGrey 0 draws no faces.
struct Box {
    double x0, x1, y0, y1, h;
    int roofGrey = 210;
    int faceGrey = 150;
};

void Fill(GreyRaster& p, const std::vector<PicturePoint>& poly, int grey,
          GreyRaster* owner = nullptr, int id = 0) {
    float lo = 1e9f, hi = -1e9f;
    for (const PicturePoint& q : poly) {
        lo = std::min(lo, q.y);
        hi = std::max(hi, q.y);
    }
    for (int row = std::max(0, int(kHeight / 2.0 - hi) - 1);
         row < std::min(kHeight, int(kHeight / 2.0 - lo) + 2); ++row)
        for (int col = 0; col < p.Width(); ++col)
            if (InsidePolygon(poly, col - p.Width() / 2.0 + 0.5, p.Height() / 2.0 - row - 0.5)) {
                p.Set(col, row, grey);
                if (owner != nullptr)
                    owner->Set(col, row, id);
            }
}

GreyRaster Ground() {
    GreyRaster p(kWidth, kHeight);
    std::mt19937 random(11);
    for (int row = 0; row < kHeight; ++row)
        for (int col = 0; col < kWidth; ++col)
            p.Set(col, row, std::uniform_int_distribution<int>(85, 105)(random));
    return p;
}

// The plan point seen at picture (x, y) on the ground.
Plan PlanAt(const TraceCamera& c, double x, double y) {
    const auto p = PlanPoint(c.thetaRad, c.slantRange, x * c.metresPerUnit, y * c.metresPerUnit, 0);
    return {p->x, p->y};
}

// Draws the boxes, far ones first; returns each roof outline in the picture.
// `owner`, when given, gets the box's number (from 1, in drawing order)
// where its roof is seen, 0 elsewhere.
std::vector<std::vector<PicturePoint>> Draw(GreyRaster& p, const TraceCamera& c,
                                            std::vector<Box> boxes, GreyRaster* owner = nullptr) {
    std::stable_sort(boxes.begin(), boxes.end(),
                     [](const Box& a, const Box& b) { return a.y0 > b.y0; });
    std::vector<std::vector<PicturePoint>> roofs;
    const Plan foot{0, -c.slantRange * std::sin(c.thetaRad)};
    for (const Box& b : boxes) {
        const std::vector<Plan> plan{{b.x0, b.y0}, {b.x1, b.y0}, {b.x1, b.y1}, {b.x0, b.y1}};
        for (std::size_t i = 0; i < plan.size() && b.faceGrey > 0; ++i) {
            const Plan s = plan[i], e = plan[(i + 1) % plan.size()];
            const double nx = e.y - s.y, ny = s.x - e.x;
            if (nx * (foot.x - (s.x + e.x) / 2) + ny * (foot.y - (s.y + e.y) / 2) <= 0)
                continue;
            Fill(p, {Seen(c, s, b.h), Seen(c, e, b.h), Seen(c, e, 0), Seen(c, s, 0)}, b.faceGrey,
                 owner, 0);
        }
        std::vector<PicturePoint> roof;
        for (const Plan& q : plan)
            roof.push_back(Seen(c, q, b.h));
        roofs.push_back(roof);
        Fill(p, roof, b.roofGrey, owner, int(roofs.size()));
    }
    return roofs;
}

PicturePoint Centre(const std::vector<PicturePoint>& o) {
    PicturePoint m;
    const std::size_t n = o.size() > 1 && o.front().x == o.back().x && o.front().y == o.back().y
                              ? o.size() - 1
                              : o.size();
    for (std::size_t i = 0; i < n; ++i) {
        m.x += o[i].x / float(n);
        m.y += o[i].y / float(n);
    }
    return m;
}

// The found roofs whose centre lies inside `roof`.
int FoundIn(const WholePictureResult& r, const std::vector<PicturePoint>& roof) {
    int n = 0;
    for (const FoundRoof& f : r.roofs)
        n += InsidePolygon(roof, Centre(f.traced.outline).x, Centre(f.traced.outline).y);
    return n;
}

// How far p lies from the edge of the pixels `owner` gives to roof `id`:
// the roof as the picture shows it, less what nearer boxes hide.
double DistanceToSeenEdge(const GreyRaster& owner, int id, PicturePoint p) {
    double best = 1e9;
    for (int row = 0; row < owner.Height(); ++row)
        for (int col = 0; col < owner.Width(); ++col) {
            if (owner.At(col, row) != id)
                continue;
            const bool edge = owner.At(col - 1, row) != id || owner.At(col + 1, row) != id ||
                              owner.At(col, row - 1) != id || owner.At(col, row + 1) != id;
            if (edge)
                best = std::min(best, std::hypot(col + 0.5 - owner.Width() / 2.0 - p.x,
                                                 owner.Height() / 2.0 - row - 0.5 - p.y));
        }
    return best;
}

struct Scene {
    GreyRaster picture;
    GreyRaster owner;                                 // which roof each pixel shows (0: none)
    std::vector<std::vector<PicturePoint>> buildings; // roofs that must be found
    std::vector<std::vector<PicturePoint>> ground;    // light things that must not
};

} // namespace

Q_DECLARE_METATYPE(std::vector<Box>)
Q_DECLARE_METATYPE(std::vector<velmora::PicturePoint>)

class WholePictureTest : public QObject {
    Q_OBJECT
    TraceCamera camera_ = PresetCamera();

    // Buildings plus light shapes lying on the ground (height 0, no faces)
    // and low boxes such as vans, which stand too low to show a face.
    Scene Make(const std::vector<Box>& buildings, const std::vector<Box>& ground) {
        Scene s;
        s.picture = Ground();
        s.owner = GreyRaster(kWidth, kHeight);
        s.ground = Draw(s.picture, camera_, ground);
        s.buildings = Draw(s.picture, camera_, buildings, &s.owner);
        return s;
    }

  private slots:
    // Rows of roofs wall to wall, heights 6 ... 18 m apart, roof greys
    // 26 ... 30 levels apart (what the roof stage's band tells apart): each
    // roof on its own, none twice, each outline the roof's own.
    void adjacentRoofs_data() {
        QTest::addColumn<std::vector<Box>>("boxes");
        const Plan c = PlanAt(camera_, 0, -40);
        auto row = [&](std::vector<double> heights, std::vector<int> greys, double width) {
            std::vector<Box> out;
            double x = c.x - width * double(heights.size()) / 2;
            for (std::size_t i = 0; i < heights.size(); ++i, x += width)
                out.push_back(
                    {x, x + width, c.y, c.y + 26, heights[i], greys[i], 120 + 10 * int(i)});
            return out;
        };
        QTest::newRow("three, the middle one tallest") << row({18, 32, 14}, {182, 210, 238}, 30);
        QTest::newRow("three, rising") << row({12, 24, 36}, {236, 208, 180}, 28);
        QTest::newRow("two, the near-side one lower") << row({30, 16}, {190, 220}, 34);
    }
    void adjacentRoofs() {
        QFETCH(std::vector<Box>, boxes);
        const Scene s = Make(boxes, {});
        const TraceInput input = PrepareTraceInput(s.picture);
        auto tracer = std::make_unique<RoofTracer>();
        const WholePictureResult r = FindEveryRoof(*tracer, input, camera_, {});
        QString left;
        for (const LeftCandidate& l : r.leftOut)
            left += QString(" (%1, %2): %3 corners, why %4, verdict %5 vert %6;")
                        .arg(l.seed.x)
                        .arg(l.seed.y)
                        .arg(l.traced.outline.size())
                        .arg(int(l.why))
                        .arg(int(l.traced.height.verdict))
                        .arg(l.traced.height.verticalSupport);
        QVERIFY2(int(r.roofs.size()) == int(s.buildings.size()),
                 qPrintable(QString("refused %1, left out:%2").arg(r.refused).arg(left)));
        for (std::size_t b = 0; b < s.buildings.size(); ++b) {
            const std::vector<PicturePoint>& roof = s.buildings[b];
            QCOMPARE(FoundIn(r, roof), 1);
            for (const FoundRoof& f : r.roofs) {
                if (!InsidePolygon(roof, Centre(f.traced.outline).x, Centre(f.traced.outline).y))
                    continue;
                for (const PicturePoint& q : f.traced.outline)
                    QVERIFY2(DistanceToSeenEdge(s.owner, int(b) + 1, q) <= 3,
                             qPrintable(QString("corner (%1, %2)").arg(q.x).arg(q.y)));
            }
        }
        // Picture order: from the top down.
        for (std::size_t i = 1; i < r.roofs.size(); ++i) {
            auto top = [](const FoundRoof& f) {
                float t = -1e9f;
                for (const PicturePoint& q : f.traced.outline)
                    t = std::max(t, q.y);
                return t;
            };
            QVERIFY(top(r.roofs[i - 1]) >= top(r.roofs[i]));
        }
    }

    // Light things with no face below them: nothing registered there, the
    // building beside them found.
    void lightGroundLeftOut_data() {
        QTest::addColumn<std::vector<Box>>("ground");
        const Plan c = PlanAt(camera_, 0, -40);
        QTest::newRow("a light concrete plaza")
            << std::vector<Box>{{c.x - 60, c.x - 25, c.y - 8, c.y + 22, 0, 205, 0}};
        QTest::newRow("a white van")
            << std::vector<Box>{{c.x - 40, c.x - 34.5, c.y + 4, c.y + 5.9, 2.2, 238, 198}};
        QTest::newRow("a car park of light lines")
            << std::vector<Box>{{c.x - 60, c.x - 58.6, c.y, c.y + 14, 0, 225, 0},
                                {c.x - 56, c.x - 54.6, c.y, c.y + 14, 0, 225, 0},
                                {c.x - 52, c.x - 50.6, c.y, c.y + 14, 0, 225, 0}};
        QTest::newRow("a plaza as light as the roofs beside a van")
            << std::vector<Box>{{c.x - 70, c.x - 30, c.y + 2, c.y + 30, 0, 212, 0},
                                {c.x - 20, c.x - 14.5, c.y - 6, c.y - 4.1, 2.2, 240, 200}};
    }
    void lightGroundLeftOut() {
        QFETCH(std::vector<Box>, ground);
        const Plan c = PlanAt(camera_, 0, -40);
        const Scene s = Make({{c.x + 10, c.x + 40, c.y, c.y + 24, 22, 208, 140}}, ground);
        const TraceInput input = PrepareTraceInput(s.picture);
        auto tracer = std::make_unique<RoofTracer>();
        const WholePictureResult r = FindEveryRoof(*tracer, input, camera_, {});
        QCOMPARE(FoundIn(r, s.buildings.front()), 1);
        QCOMPARE(int(r.roofs.size()), 1);
        for (const std::vector<PicturePoint>& g : s.ground)
            QCOMPARE(FoundIn(r, g), 0);
    }

    // Run again with what the first run found as the record's roofs: nothing
    // new, and nothing traced on them.
    void secondRunAddsNothing_data() {
        QTest::addColumn<std::vector<Box>>("boxes");
        const Plan c = PlanAt(camera_, 0, -40);
        QTest::newRow("one building") << std::vector<Box>{{c.x, c.x + 30, c.y, c.y + 24, 20}};
        QTest::newRow("two apart")
            << std::vector<Box>{{c.x - 50, c.x - 20, c.y, c.y + 24, 20, 200, 140},
                                {c.x + 10, c.x + 40, c.y + 40, c.y + 64, 28, 216, 150}};
        QTest::newRow("two wall to wall")
            << std::vector<Box>{{c.x - 30, c.x, c.y, c.y + 24, 16, 186, 140},
                                {c.x, c.x + 30, c.y, c.y + 24, 30, 216, 150}};
    }
    void secondRunAddsNothing() {
        QFETCH(std::vector<Box>, boxes);
        const Scene s = Make(boxes, {});
        const TraceInput input = PrepareTraceInput(s.picture);
        auto tracer = std::make_unique<RoofTracer>();
        const WholePictureResult first = FindEveryRoof(*tracer, input, camera_, {});
        QCOMPARE(int(first.roofs.size()), int(boxes.size()));
        std::vector<std::vector<PicturePoint>> known;
        for (const FoundRoof& f : first.roofs)
            known.push_back(f.traced.outline);
        const WholePictureResult second = FindEveryRoof(*tracer, input, camera_, known);
        QCOMPARE(int(second.roofs.size()), 0);
        // A roof the user drew, a little off the traced one, is just as known.
        std::vector<std::vector<PicturePoint>> drawn = s.buildings;
        for (std::vector<PicturePoint>& o : drawn)
            for (PicturePoint& q : o)
                q.x += 1.5f;
        QCOMPARE(int(FindEveryRoof(*tracer, input, camera_, drawn).roofs.size()), 0);
    }

    // Stopped by its progress: nothing found is handed back, however far it
    // had come; the progress counts up to its total.
    void cancelInTheMiddle_data() {
        QTest::addColumn<int>("stopAfter");
        QTest::newRow("after the first surface") << 1;
        QTest::newRow("after the second") << 2;
        QTest::newRow("at the last") << -1;
    }
    void cancelInTheMiddle() {
        QFETCH(int, stopAfter);
        const Plan c = PlanAt(camera_, 0, -40);
        const Scene s = Make({{c.x - 50, c.x - 20, c.y, c.y + 24, 20, 200, 140},
                              {c.x + 10, c.x + 40, c.y + 40, c.y + 64, 28, 216, 150},
                              {c.x - 10, c.x + 20, c.y - 50, c.y - 26, 14, 206, 130}},
                             {});
        const TraceInput input = PrepareTraceInput(s.picture);
        auto tracer = std::make_unique<RoofTracer>();
        int calls = 0, lastDone = 0, total = 0;
        const WholePictureResult r =
            FindEveryRoof(*tracer, input, camera_, {}, [&](int done, int all) {
                ++calls;
                lastDone = done;
                total = all;
                return stopAfter < 0 ? done < all : done < stopAfter;
            });
        QVERIFY(r.cancelled);
        QVERIFY(r.roofs.empty());
        QCOMPARE(lastDone, stopAfter < 0 ? total : stopAfter);
        QCOMPARE(calls, lastDone);
        // Not stopped: all three.
        QCOMPARE(int(FindEveryRoof(*tracer, input, camera_, {}).roofs.size()), 3);
    }

    // How far the deepest point of an outline lies from its edge, and which
    // outlines are narrow bands many times longer than wide: the strip
    // between a roof's edge and its face traced on its own, a parapet, a lane
    // mark; small or long roofs of some width are none.
    void bandsAndThickness_data() {
        QTest::addColumn<std::vector<PicturePoint>>("outline");
        QTest::addColumn<double>("thickness"); // pixels, within one
        QTest::addColumn<bool>("band");
        QTest::newRow("a square roof 40 px")
            << std::vector<PicturePoint>{{-20, -20}, {20, -20}, {20, 20}, {-20, 20}} << 20.0
            << false;
        QTest::newRow("a small roof 14 px, closed")
            << std::vector<PicturePoint>{{0, 0}, {14, 0}, {14, 14}, {0, 14}, {0, 0}} << 7.0
            << false;
        QTest::newRow("a long roof 200 x 40 px")
            << std::vector<PicturePoint>{{-100, 0}, {100, 0}, {100, 40}, {-100, 40}} << 20.0
            << false;
        QTest::newRow("a strip 200 x 10 px")
            << std::vector<PicturePoint>{{-100, 0}, {100, 0}, {100, 10}, {-100, 10}} << 5.0 << true;
        QTest::newRow("a turned strip 240 x 12 px")
            << std::vector<PicturePoint>{{0, 0}, {208, 120}, {202, 130.4f}, {-6, 10.4f}} << 6.0
            << true;
        // A triangle of 240 x 16 px: its deepest point lies 2 A / P in.
        QTest::newRow("a sliver triangle")
            << std::vector<PicturePoint>{{-120, 0}, {120, 0}, {120, 16}} << 7.7 << true;
        QTest::newRow("a triangle roof 60 px")
            << std::vector<PicturePoint>{{-30, 0}, {30, 0}, {0, 52}} << 17.3 << false;
    }
    void bandsAndThickness() {
        QFETCH(std::vector<PicturePoint>, outline);
        QFETCH(double, thickness);
        QFETCH(bool, band);
        const double t = RoofThickness(outline);
        QVERIFY2(std::fabs(t - thickness) <= 1.0, qPrintable(QString::number(t)));
        QCOMPARE(IsBand(outline), band);
    }

    // The sides of a lit wall face run towards the nadir; a roof's do not.
    void facesTellTheirSides_data() {
        QTest::addColumn<double>("turn");
        QTest::newRow("square to the picture") << 0.0;
        QTest::newRow("turned 20 degrees") << 20.0;
        QTest::newRow("turned -30 degrees") << -30.0;
    }
    void facesTellTheirSides() {
        QFETCH(double, turn);
        const Plan c = PlanAt(camera_, 120, -100);
        const double a = turn * kDegToRad;
        std::vector<Plan> plan;
        for (const auto& [u, v] :
             {std::pair{-15.0, -12.0}, {15.0, -12.0}, {15.0, 12.0}, {-15.0, 12.0}})
            plan.push_back(
                {c.x + std::cos(a) * u - std::sin(a) * v, c.y + std::sin(a) * u + std::cos(a) * v});
        std::vector<PicturePoint> roof;
        for (const Plan& q : plan)
            roof.push_back(Seen(camera_, q, 25));
        QVERIFY(!SidesRunToNadir(roof, camera_));
        const std::vector<PicturePoint> face{Seen(camera_, plan[0], 25), Seen(camera_, plan[1], 25),
                                             Seen(camera_, plan[1], 0), Seen(camera_, plan[0], 0)};
        QVERIFY(SidesRunToNadir(face, camera_));
    }
};

QTEST_APPLESS_MAIN(WholePictureTest)
#include "test_wholepicture.moc"
