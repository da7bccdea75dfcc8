// SPDX-License-Identifier: GPL-3.0-or-later
// One click on synthetic buildings drawn through the camera of sample preset
// 1: the roof is traced whatever its grey, and a wall (with its height) is
// given only where the picture's edges settle the height.
#include <QtTest>

#include <cmath>
#include <memory>
#include <random>

#include "geometry/CameraModel.h"
#include "support/PresetScene.h"
#include "tracing/HeightSearch.h"
#include "tracing/RoofTracer.h"

using namespace velmora;
using namespace tracetest;

namespace {

GreyRaster Ground(int lo, int hi) {
    GreyRaster p(kWidth, kHeight);
    std::mt19937 random(7);
    for (int row = 0; row < kHeight; ++row)
        for (int col = 0; col < kWidth; ++col)
            p.Set(col, row, std::uniform_int_distribution<int>(lo, hi)(random));
    return p;
}

struct Building {
    PicturePoint centre; // picture position of the footprint's centre on the ground
    double width = 36;   // metres
    double depth = 24;   // metres
    double turn = 0;     // degrees
    double height = 20;  // metres
    int roofGrey = 210;
    int faceGrey = 150;     // 0: no faces drawn
    int windowContrast = 0; // per cent darker (negative: lighter)
};

// Draws the building; returns its roof outline in the picture.
std::vector<PicturePoint> Draw(GreyRaster& p, const TraceCamera& c, const Building& b) {
    const auto centre = PlanPoint(c.thetaRad, c.slantRange, b.centre.x * c.metresPerUnit,
                                  b.centre.y * c.metresPerUnit, 0);
    const double a = b.turn * kDegToRad;
    std::vector<Plan> plan;
    for (const auto& [u, v] : {std::pair{-0.5, -0.5}, {0.5, -0.5}, {0.5, 0.5}, {-0.5, 0.5}})
        plan.push_back({centre->x + std::cos(a) * u * b.width - std::sin(a) * v * b.depth,
                        centre->y + std::sin(a) * u * b.width + std::cos(a) * v * b.depth});
    const Plan foot{0, -c.slantRange * std::sin(c.thetaRad)};
    for (std::size_t i = 0; i < plan.size() && b.faceGrey > 0; ++i) {
        const Plan s = plan[i], e = plan[(i + 1) % plan.size()];
        // Counter-clockwise: the outward normal is to the right of the edge.
        const double nx = e.y - s.y, ny = s.x - e.x;
        if (nx * (foot.x - (s.x + e.x) / 2) + ny * (foot.y - (s.y + e.y) / 2) <= 0)
            continue;
        FillPolygon(p, {Seen(c, s, b.height), Seen(c, e, b.height), Seen(c, e, 0), Seen(c, s, 0)},
                    b.faceGrey);
        if (b.windowContrast == 0)
            continue;
        auto at = [&](double t) { return Plan{s.x + (e.x - s.x) * t, s.y + (e.y - s.y) * t}; };
        for (double z = 1.0; z + 1.5 < b.height - 0.8; z += 3.3)
            FillPolygon(p,
                        {Seen(c, at(0.08), z + 1.5), Seen(c, at(0.92), z + 1.5),
                         Seen(c, at(0.92), z), Seen(c, at(0.08), z)},
                        b.faceGrey * (100 - b.windowContrast) / 100);
    }
    std::vector<PicturePoint> roof;
    for (const Plan& q : plan)
        roof.push_back(Seen(c, q, b.height));
    FillPolygon(p, roof, b.roofGrey);
    return roof;
}

} // namespace

Q_DECLARE_METATYPE(Building)

class HeightSearchTest : public QObject {
    Q_OBJECT
    TraceCamera camera_ = PresetCamera();

  private slots:
    // Rows of windows are edges across the face at every storey; the height
    // must still come from the face's foot and corners. Where the face is
    // as dark as the ground, nothing shows its foot: then no wall is the
    // right answer, and a height, if one is given, must be the true one.
    void facadeWithWindowRows_data() {
        QTest::addColumn<Building>("building");
        QTest::addColumn<bool>("footShows");
        auto b = [](double h, double turn, int contrast, int face) {
            Building x;
            x.centre = {0, -60};
            x.height = h;
            x.turn = turn;
            x.windowContrast = contrast;
            x.faceGrey = face;
            return x;
        };
        QTest::newRow("12 m, faint rows") << b(12, 0, 10, 150) << true;
        QTest::newRow("25 m, turned 20 degrees") << b(25, 20, 20, 140) << true;
        QTest::newRow("40 m, strong rows, turned -25 degrees") << b(40, -25, 30, 150) << true;
        QTest::newRow("18 m, dark face") << b(18, 8, 20, 70) << true;
        QTest::newRow("16 m, light bands, face as dark as the ground")
            << b(16, 10, -40, 100) << false;
        QTest::newRow("30 m, light bands, turned 28 degrees, face as dark as the ground")
            << b(30, 28, -35, 110) << false;
        QTest::newRow("22 m, light bands on a light face") << b(22, -12, -25, 160) << true;
    }
    void facadeWithWindowRows() {
        QFETCH(Building, building);
        QFETCH(bool, footShows);
        GreyRaster picture = Ground(85, 105);
        const std::vector<PicturePoint> roof = Draw(picture, camera_, building);
        const TraceInput input = PrepareTraceInput(picture);
        auto tracer = std::make_unique<RoofTracer>();
        tracer->SetInput(&input);
        const TraceResult r = tracer->Trace(Middle(roof).x, Middle(roof).y, &camera_);
        QCOMPARE(r.refusal, TraceRefusal::None);
        if (footShows)
            QVERIFY2(r.wall.has_value(), qPrintable(QString("best %1 m, support %2, rival %3 m")
                                                        .arg(r.height.height)
                                                        .arg(r.height.support)
                                                        .arg(r.height.rival)));
        if (!r.wall)
            return;
        const std::optional<double> h = LineHeight(*r.wall, camera_);
        QVERIFY(h.has_value());
        QVERIFY2(std::fabs(*h - building.height) <= 1.5, qPrintable(QString::number(*h)));
    }

    // A click lands anywhere within a pixel; the pixels traced are the same,
    // so the height found and the wall's foot must be too.
    void clickBetweenPixels_data() {
        QTest::addColumn<double>("fraction");
        QTest::addColumn<double>("turn");
        for (const double f : {0.25, 0.5, 0.8, 0.99})
            for (const double turn : {0.0, 12.0})
                QTest::addRow("%.2f px, turned %.0f degrees", f, turn) << f << turn;
    }
    void clickBetweenPixels() {
        QFETCH(double, fraction);
        QFETCH(double, turn);
        Building b;
        b.centre = {0, -60};
        b.height = 18;
        b.turn = turn;
        b.windowContrast = 20;
        b.faceGrey = 140;
        GreyRaster picture = Ground(85, 105);
        const std::vector<PicturePoint> roof = Draw(picture, camera_, b);
        const TraceInput input = PrepareTraceInput(picture);
        auto tracer = std::make_unique<RoofTracer>();
        tracer->SetInput(&input);
        const PicturePoint click = Middle(roof);
        const TraceResult whole = tracer->Trace(click.x, click.y, &camera_);
        const TraceResult between = tracer->Trace(click.x + fraction, click.y, &camera_);
        QCOMPARE(between.refusal, TraceRefusal::None);
        QCOMPARE(between.height.verdict, whole.height.verdict);
        QVERIFY2(std::fabs(between.height.height - whole.height.height) < 0.01 &&
                     std::fabs(between.height.support - whole.height.support) < 0.005,
                 qPrintable(QString("%1 m, support %2 against %3 m, support %4")
                                .arg(between.height.height)
                                .arg(between.height.support)
                                .arg(whole.height.height)
                                .arg(whole.height.support)));
        QCOMPARE(between.wall.has_value(), whole.wall.has_value());
        if (between.wall) {
            QVERIFY(std::fabs(between.wall->bottom.y - whole.wall->bottom.y) < 0.01);
            // The wall starts at a corner of the outline it was traced with.
            QVERIFY(std::any_of(
                between.outline.begin(), between.outline.end(), [&](const PicturePoint& q) {
                    return std::hypot(q.x - between.wall->top.x, q.y - between.wall->top.y) < 0.01;
                }));
        }
    }

    // Each roof is traced from its own grey, not the picture's most common one.
    void roofsOfDifferentGreys_data() {
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("right");
        QTest::newRow("200 and 215") << 200 << 215;
        QTest::newRow("215 and 200") << 215 << 200;
        QTest::newRow("188 and 203") << 188 << 203;
        QTest::newRow("212 and 227") << 212 << 227;
    }
    void roofsOfDifferentGreys() {
        QFETCH(int, left);
        QFETCH(int, right);
        GreyRaster picture = Ground(85, 105);
        Building a;
        a.centre = {-180, -40};
        a.roofGrey = left;
        a.windowContrast = 15;
        Building b = a;
        b.centre = {180, -40};
        b.roofGrey = right;
        b.turn = 15;
        const std::vector<PicturePoint> roofA = Draw(picture, camera_, a);
        const std::vector<PicturePoint> roofB = Draw(picture, camera_, b);
        // A third roof of the first grey makes that grey the commoner one.
        Building c = a;
        c.centre = {0, 200};
        c.width = 50;
        Draw(picture, camera_, c);
        const TraceInput input = PrepareTraceInput(picture);
        auto tracer = std::make_unique<RoofTracer>();
        tracer->SetInput(&input);
        for (const auto& roof : {roofA, roofB}) {
            const TraceResult r = tracer->Trace(Middle(roof).x, Middle(roof).y, &camera_);
            QCOMPARE(r.refusal, TraceRefusal::None);
            QVERIFY(r.outline.size() >= 5);
            QVERIFY2(WorstCorner(r.outline, roof) <= 3,
                     qPrintable(QString::number(WorstCorner(r.outline, roof))));
        }
    }

    // A roof with nothing below it that could tell its height: registered
    // without a wall.
    void noHeightFits_data() {
        QTest::addColumn<int>("lo");
        QTest::addColumn<int>("hi");
        QTest::addColumn<bool>("withCamera");
        QTest::newRow("even ground") << 95 << 95 << true;
        QTest::newRow("noisy ground") << 80 << 110 << true;
        QTest::newRow("no camera") << 80 << 110 << false;
    }
    void noHeightFits() {
        QFETCH(int, lo);
        QFETCH(int, hi);
        QFETCH(bool, withCamera);
        GreyRaster picture = Ground(lo, hi);
        Building b;
        b.centre = {0, -60};
        b.faceGrey = 0;
        const std::vector<PicturePoint> roof = Draw(picture, camera_, b);
        const TraceInput input = PrepareTraceInput(picture);
        auto tracer = std::make_unique<RoofTracer>();
        tracer->SetInput(&input);
        const TraceResult r =
            tracer->Trace(Middle(roof).x, Middle(roof).y, withCamera ? &camera_ : nullptr);
        QCOMPARE(r.refusal, TraceRefusal::None);
        QVERIFY(WorstCorner(r.outline, roof) <= 3);
        QVERIFY(!r.wall.has_value());
        QCOMPARE(r.searched, withCamera);
        QVERIFY(r.height.verdict != HeightVerdict::Found);
    }
};

QTEST_APPLESS_MAIN(HeightSearchTest)
#include "test_heightsearch.moc"
