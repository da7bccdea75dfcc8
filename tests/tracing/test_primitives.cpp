// SPDX-License-Identifier: GPL-3.0-or-later
// Pixels, the local frame, the neighbourhood tables and the two walk steps.
#include <QtTest>

#include <cmath>
#include <memory>
#include <numbers>
#include <set>

#include "support/Pictures.h"
#include "tracing/RingTables.h"
#include "tracing/RoofTracer.h"

using namespace velmora;
using namespace tracetest;

namespace {

double Angle(CellOffset o) {
    return std::atan2(o.dy, o.dx);
}

double AngleBetween(double a, double b) {
    double d = std::fabs(a - b);
    while (d > std::numbers::pi)
        d = std::fabs(d - 2 * std::numbers::pi);
    return d;
}

} // namespace

class PrimitivesTest : public QObject {
    Q_OBJECT
  private slots:
    void greyOfColour_data() {
        QTest::addColumn<int>("r");
        QTest::addColumn<int>("g");
        QTest::addColumn<int>("b");
        QTest::addColumn<int>("grey");
        QTest::newRow("white") << 255 << 255 << 255 << 255;
        QTest::newRow("pure red") << 255 << 0 << 0 << 85;
        QTest::newRow("floor of 61/3") << 10 << 20 << 31 << 20;
        QTest::newRow("pure blue") << 0 << 0 << 255 << 85;
        QTest::newRow("black") << 0 << 0 << 0 << 0;
    }
    void greyOfColour() {
        QFETCH(int, r);
        QFETCH(int, g);
        QFETCH(int, b);
        QFETCH(int, grey);
        QCOMPARE(GreyOfRgb(r, g, b), grey);
        // The packed colour is taken apart as R + 256 G + 65536 B.
        const auto packed = std::uint32_t(r) + 256u * std::uint32_t(g) + 65536u * std::uint32_t(b);
        QCOMPARE(GreyOfColour(packed), grey);
        GreyRaster picture(4, 2);
        picture.SetRgb(3, 1, r, g, b);
        QCOMPARE(picture.At(3, 1), grey);
    }

    void picturePixel_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        QTest::addColumn<int>("column"); // -1: outside
        QTest::addColumn<int>("row");
        QTest::newRow("top-left corner") << 10 << 8 << -5.0 << 4.0 << 0 << 0;
        QTest::newRow("centre") << 10 << 8 << 0.0 << 0.0 << 5 << 4;
        QTest::newRow("last pixel") << 10 << 8 << 4.0 << -3.0 << 9 << 7;
        QTest::newRow("right edge is outside") << 10 << 8 << 5.0 << 0.0 << -1 << -1;
        QTest::newRow("bottom edge is outside") << 10 << 8 << 0.0 << -4.0 << -1 << -1;
        QTest::newRow("left of left edge") << 10 << 8 << -5.5 << 0.0 << -1 << -1;
        QTest::newRow("between centres") << 10 << 8 << 1.7 << 0.2 << 6 << 3;
        QTest::newRow("odd width") << 11 << 8 << -5.5 << 4.0 << 0 << 0;
        QTest::newRow("empty picture") << 0 << 0 << 0.0 << 0.0 << -1 << -1;
    }
    void picturePixel() {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(double, x);
        QFETCH(double, y);
        QFETCH(int, column);
        QFETCH(int, row);
        int c = -7;
        int r = -7;
        const bool inside = PicturePixel(width, height, x, y, c, r);
        QCOMPARE(inside, column >= 0);
        if (inside) {
            QCOMPARE(c, column);
            QCOMPARE(r, row);
        }
    }

    void localFrame_data() {
        QTest::addColumn<double>("clickX");
        QTest::addColumn<double>("clickY");
        QTest::addColumn<double>("offsetX");
        QTest::addColumn<int>("offsetY");
        QTest::newRow("origin") << 0.0 << 0.0 << 250.0 << 195;
        QTest::newRow("integers") << 37.0 << -12.0 << 213.0 << 207;
        QTest::newRow("x is kept fractional") << 10.5 << 3.0 << 239.5 << 192;
        QTest::newRow("y half rounds to even down") << 0.0 << 0.5 << 250.0 << 194;
        QTest::newRow("y half rounds to even up") << 0.0 << -0.5 << 250.0 << 196;
        QTest::newRow("y 1.5") << 0.0 << 1.5 << 250.0 << 194;
        QTest::newRow("y 0.6") << 0.0 << 0.6 << 250.0 << 194;
    }
    void localFrame() {
        QFETCH(double, clickX);
        QFETCH(double, clickY);
        QFETCH(double, offsetX);
        QFETCH(int, offsetY);
        RoofTracer t;
        RecordingImage picture(77);
        t.SetPicture(&picture);
        t.SetLocalFrame(clickX, clickY);
        QCOMPARE(t.pLocalOffsetX, offsetX);
        QCOMPARE(t.pLocalOffsetY, offsetY);

        // Local (0, 0) reads the picture point (Xc - 250, -pLocalOffsetY).
        QCOMPARE(t.GetLocalGrey(0, 0), 77);
        QCOMPARE(picture.lastX, clickX - 250);
        QCOMPARE(picture.lastY, double(-offsetY));
        // And back: a local position maps to the picture position it reads.
        t.GetLocalGrey(250, 195);
        QCOMPARE(double(t.ToPicture(250, 195).x), picture.lastX);
        QCOMPARE(double(t.ToPicture(250, 195).y), picture.lastY);
    }

    void clickedPixelIsLocalCentre() {
        GreyRaster picture = TexturedGround(40, 30, 0, 0);
        FillBox(picture, 3, 3, -2, -2, 211);
        RoofTracer t;
        t.SetPicture(&picture);
        t.SetLocalFrame(3, -2);
        QCOMPARE(t.GetLocalGrey(250, 195), 211);
        QCOMPARE(t.GetLocalGrey(251, 195), 0);
        QCOMPARE(t.GetLocalGrey(250, 196), 0);
    }

    void outsideThePictureIsZero_data() {
        QTest::addColumn<int>("lx");
        QTest::addColumn<int>("ly");
        QTest::newRow("left of the picture") << 0 << 195;
        QTest::newRow("right of the picture") << 500 << 195;
        QTest::newRow("above") << 250 << 400;
        QTest::newRow("below") << 250 << 0;
    }
    void outsideThePictureIsZero() {
        QFETCH(int, lx);
        QFETCH(int, ly);
        GreyRaster picture(20, 20, 200);
        RoofTracer t;
        t.SetPicture(&picture);
        t.SetLocalFrame(0, 0);
        QCOMPARE(t.GetLocalGrey(250, 195), 200);
        QCOMPARE(t.GetLocalGrey(lx, ly), 0);
        t.SetPicture(nullptr);
        QCOMPARE(t.GetLocalGrey(250, 195), 0);
    }

    void ringOneListing() {
        const RingTables t = InitRingTables();
        const CellOffset listed[8] = {{1, 1},   {0, 1},  {-1, 1}, {-1, 0},
                                      {-1, -1}, {0, -1}, {1, -1}, {1, 0}};
        for (int i = 0; i < 8; ++i)
            QCOMPARE(t.ring[1][i], listed[i]);
        const int order[8] = {1, 3, 5, 7, 0, 2, 4, 6};
        for (int i = 0; i < 8; ++i)
            QCOMPARE(t.ring1Order[i], order[i]);
    }

    void ringShape_data() {
        QTest::addColumn<int>("r");
        for (int r = 1; r <= 4; ++r)
            QTest::addRow("ring %d", r) << r;
    }
    void ringShape() {
        QFETCH(int, r);
        const RingTables t = InitRingTables();
        const int n = 8 * r;
        QCOMPARE(t.ring[r][0], (CellOffset{r, r}));
        QCOMPARE(t.ring[r][n - 1], (CellOffset{r, r - 1}));
        QCOMPARE(t.ring[r][2 * r], (CellOffset{-r, r}));
        QCOMPARE(t.ring[r][4 * r], (CellOffset{-r, -r}));
        QCOMPARE(t.ring[r][6 * r], (CellOffset{r, -r}));
        std::set<std::pair<int, int>> seen;
        double turned = 0;
        for (int i = 0; i < n; ++i) {
            const CellOffset o = t.ring[r][i];
            QCOMPARE(std::max(std::abs(o.dx), std::abs(o.dy)), r);
            seen.insert({o.dx, o.dy});
            const CellOffset next = t.ring[r][(i + 1) % n];
            QCOMPARE(std::max(std::abs(next.dx - o.dx), std::abs(next.dy - o.dy)), 1);
            // Counter-clockwise: the angle always grows.
            double step = Angle(next) - Angle(o);
            if (step < 0)
                step += 2 * std::numbers::pi;
            QVERIFY(step > 0 && step < std::numbers::pi / 2);
            turned += step;
        }
        QCOMPARE(int(seen.size()), n);
        QVERIFY(std::fabs(turned - 2 * std::numbers::pi) < 1e-9);
    }

    void startDirectionListing_data() {
        QTest::addColumn<int>("q");
        QTest::addColumn<int>("k");
        QTest::addColumn<int>("s2");
        QTest::addColumn<int>("s3");
        QTest::addColumn<int>("s4");
        QTest::newRow("ring 1 right") << 0 << 7 << 14 << 21 << 28;
        QTest::newRow("ring 1 up") << 0 << 1 << 2 << 3 << 4;
        QTest::newRow("ring 2 index 1") << 1 << 1 << 1 << 2 << 3;
        QTest::newRow("ring 2 index 13") << 1 << 13 << 13 << 20 << 27;
        QTest::newRow("ring 2 last") << 1 << 15 << 15 << 22 << 29;
        QTest::newRow("ring 3 index 1") << 2 << 1 << 0 << 1 << 2;
        QTest::newRow("ring 3 index 7") << 2 << 7 << 4 << 7 << 10;
        QTest::newRow("ring 3 last wraps") << 2 << 23 << 0 << 23 << 30;
        QTest::newRow("ring 4 index 2") << 3 << 2 << 0 << 1 << 2;
        QTest::newRow("ring 4 index 10") << 3 << 10 << 4 << 7 << 10;
        QTest::newRow("ring 4 index 26") << 3 << 26 << 12 << 19 << 26;
        QTest::newRow("ring 4 index 27") << 3 << 27 << 13 << 20 << 27;
        QTest::newRow("ring 4 index 28") << 3 << 28 << 13 << 21 << 28;
        QTest::newRow("ring 4 index 29") << 3 << 29 << 13 << 22 << 29;
        QTest::newRow("ring 4 index 30") << 3 << 30 << 0 << 23 << 30;
        QTest::newRow("ring 4 last") << 3 << 31 << 0 << 0 << 31;
    }
    void startDirectionListing() {
        QFETCH(int, q);
        QFETCH(int, k);
        QFETCH(int, s2);
        QFETCH(int, s3);
        QFETCH(int, s4);
        const RingTables t = InitRingTables();
        QCOMPARE(t.start[q][k], (StartIndices{s2, s3, s4}));
    }

    // Every start index points roughly where the last step went: within 45
    // degrees, the table's irregular entries included.
    void startDirectionsFollowTheStep() {
        const RingTables t = InitRingTables();
        for (int q = 0; q < 4; ++q) {
            for (int k = 0; k < 8 * (q + 1); ++k) {
                const double step = Angle(t.ring[q + 1][k]);
                const StartIndices s = t.start[q][k];
                const int starts[3] = {s.s2, s.s3, s.s4};
                for (int r = 2; r <= 4; ++r) {
                    QVERIFY(starts[r - 2] >= 0 && starts[r - 2] < 8 * r);
                    const double a = Angle(t.ring[r][starts[r - 2]]);
                    QVERIFY2(AngleBetween(a, step) <= std::numbers::pi / 4 + 1e-9,
                             qPrintable(QString("q %1 k %2 ring %3").arg(q).arg(k).arg(r)));
                }
                // A step on ring r starts ring r at its own index.
                if (q > 0)
                    QCOMPARE(starts[q - 1], k);
            }
        }
    }

    // The order in which a ring is probed: remove each found cell and search again.
    void probeOrder_data() {
        QTest::addColumn<int>("q");
        QTest::addColumn<int>("k");
        QTest::addColumn<int>("ring");
        QTest::addColumn<std::vector<int>>("order");
        QTest::newRow("ring 2 from 0")
            << 0 << 0 << 2 << Ints({0, 15, 1, 14, 2, 13, 3, 12, 4, 11, 5, 10, 6, 9, 7, 8});
        QTest::newRow("ring 2 from 14 (last step right)")
            << 0 << 7 << 2 << Ints({14, 13, 15, 12, 0, 11, 1, 10, 2, 9, 3, 8, 4, 7, 5, 6});
        QTest::newRow("ring 3 from 23 (ring-3 step)")
            << 2 << 23 << 3 << Ints({23, 22, 0, 21, 1, 20, 2, 19, 3, 18, 4,  17,
                                     5,  16, 6, 15, 7, 14, 8, 13, 9, 12, 10, 11});
    }
    void probeOrder() {
        QFETCH(int, q);
        QFETCH(int, k);
        QFETCH(int, ring);
        QFETCH(std::vector<int>, order);
        auto t = std::make_unique<RoofTracer>();
        const int cx = 100;
        const int cy = 100;
        for (int i = 0; i < 8 * ring; ++i)
            t->gWorkMap.Set(cx + t->Rings().ring[ring][i].dx, cy + t->Rings().ring[ring][i].dy, 3);
        for (int expected : order) {
            int sq = q, sk = k, x = cx, y = cy;
            QCOMPARE(t->RingStep(3, sq, sk, x, y), 1);
            QCOMPARE(sq, ring - 1);
            QCOMPARE(sk, expected);
            QCOMPARE(x - cx, t->Rings().ring[ring][expected].dx);
            QCOMPARE(y - cy, t->Rings().ring[ring][expected].dy);
            t->gWorkMap.Set(x, y, 0);
        }
        int sq = q, sk = k, x = cx, y = cy;
        QCOMPARE(t->RingStep(3, sq, sk, x, y), 0);
    }

    void ringStep_data() {
        QTest::addColumn<std::vector<int>>("cells"); // dx, dy pairs around (100, 100)
        QTest::addColumn<int>("q");
        QTest::addColumn<int>("k");
        QTest::addColumn<int>("found");
        QTest::addColumn<int>("nq");
        QTest::addColumn<int>("nk");
        QTest::addColumn<int>("dx");
        QTest::addColumn<int>("dy");
        QTest::newRow("up before right") << Ints({1, 0, 0, 1}) << 0 << 0 << 1 << 0 << 1 << 0 << 1;
        QTest::newRow("left before below")
            << Ints({0, -1, -1, 0}) << 0 << 0 << 1 << 0 << 3 << -1 << 0;
        QTest::newRow("edge before corner")
            << Ints({1, 1, 1, 0}) << 0 << 0 << 1 << 0 << 7 << 1 << 0;
        QTest::newRow("upper right corner first")
            << Ints({-1, -1, 1, 1}) << 0 << 0 << 1 << 0 << 0 << 1 << 1;
        QTest::newRow("upper left before lower left")
            << Ints({-1, -1, -1, 1}) << 0 << 0 << 1 << 0 << 2 << -1 << 1;
        QTest::newRow("after a step right, (2,0) before (0,2)")
            << Ints({0, 2, 2, 0}) << 0 << 7 << 1 << 1 << 14 << 2 << 0;
        QTest::newRow("after a step up, (0,2) before (2,0)")
            << Ints({0, 2, 2, 0}) << 0 << 1 << 1 << 1 << 2 << 0 << 2;
        QTest::newRow("ring 1 wins over the step direction")
            << Ints({2, 0, 0, -1}) << 0 << 7 << 1 << 0 << 5 << 0 << -1;
        QTest::newRow("ring 3 jump") << Ints({-3, 1}) << 0 << 0 << 1 << 2 << 8 << -3 << 1;
        QTest::newRow("ring 4 jump") << Ints({4, -4}) << 0 << 0 << 1 << 3 << 24 << 4 << -4;
        QTest::newRow("ring 2 before ring 3")
            << Ints({3, 0, -2, -2}) << 0 << 7 << 1 << 1 << 8 << -2 << -2;
        QTest::newRow("distance 5 is too far")
            << Ints({5, 0, 0, -5}) << 0 << 0 << 0 << 0 << 0 << 0 << 0;
        QTest::newRow("nothing") << Ints({}) << 1 << 5 << 0 << 1 << 5 << 0 << 0;
    }
    void ringStep() {
        QFETCH(std::vector<int>, cells);
        QFETCH(int, q);
        QFETCH(int, k);
        QFETCH(int, found);
        QFETCH(int, nq);
        QFETCH(int, nk);
        QFETCH(int, dx);
        QFETCH(int, dy);
        auto t = std::make_unique<RoofTracer>();
        for (std::size_t i = 0; i + 1 < cells.size(); i += 2)
            t->gWorkMap.Set(100 + cells[i], 100 + cells[i + 1], 4);
        // A cell with another value in the first place searched is never taken.
        if (t->gWorkMap.Get(100, 101) == 0)
            t->gWorkMap.Set(100, 101, 3);
        int x = 100;
        int y = 100;
        QCOMPARE(t->RingStep(4, q, k, x, y), found);
        QCOMPARE(q, nq);
        QCOMPARE(k, nk);
        QCOMPARE(x, 100 + dx);
        QCOMPARE(y, 100 + dy);
    }

    // The walk never looks above local y 390, nor outside x 0 ... 500.
    void ringStepLimits_data() {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("cellX");
        QTest::addColumn<int>("cellY");
        QTest::addColumn<int>("found");
        QTest::newRow("y 390 is searched") << 100 << 389 << 100 << 390 << 1;
        QTest::newRow("y 391 is not") << 100 << 390 << 100 << 391 << 0;
        QTest::newRow("y 394 by a jump is not") << 100 << 390 << 100 << 394 << 0;
        QTest::newRow("y 400 is not") << 100 << 399 << 100 << 400 << 0;
        QTest::newRow("y 0 is searched") << 100 << 1 << 100 << 0 << 1;
        QTest::newRow("x 500 is searched") << 499 << 100 << 500 << 100 << 1;
        QTest::newRow("x 0 is searched") << 3 << 100 << 0 << 100 << 1;
    }
    void ringStepLimits() {
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(int, cellX);
        QFETCH(int, cellY);
        QFETCH(int, found);
        auto t = std::make_unique<RoofTracer>();
        t->gWorkMap.Set(cellX, cellY, 3);
        int q = 0, k = 0, px = x, py = y;
        QCOMPARE(t->RingStep(3, q, k, px, py), found);
        QCOMPARE(px, found ? cellX : x);
        QCOMPARE(py, found ? cellY : y);
        // From the frame's corners nothing outside the maps is probed.
        for (const auto& [cx, cy] : {std::pair{0, 0}, {500, 0}, {0, 400}, {500, 400}}) {
            int a = 0, b = 0, c = cx, d = cy;
            t->RingStep(7, a, b, c, d);
        }
    }

    void stepDownWallEdge_data() {
        QTest::addColumn<std::vector<int>>("cells"); // dx, dy pairs around (x, y)
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("found");
        QTest::addColumn<int>("dx");
        QTest::addColumn<int>("dy");
        QTest::newRow("nearer row first") << Ints({1, -1, 0, -2}) << 100 << 100 << 1 << 1 << -1;
        QTest::newRow("straight down first")
            << Ints({1, -1, 0, -1, -1, -1}) << 100 << 100 << 1 << 0 << -1;
        QTest::newRow("left before right") << Ints({1, -1, -1, -1}) << 100 << 100 << 1 << -1 << -1;
        QTest::newRow("widest fan, left first")
            << Ints({3, -3, -3, -3}) << 100 << 100 << 1 << -3 << -3;
        QTest::newRow("two off in row 1 is outside the fan")
            << Ints({2, -1}) << 100 << 100 << 0 << 0 << 0;
        QTest::newRow("four rows down is not searched")
            << Ints({0, -4}) << 100 << 100 << 0 << 0 << 0;
        QTest::newRow("above is not searched") << Ints({0, 1}) << 100 << 100 << 0 << 0 << 0;
        QTest::newRow("edge at y 395 is found") << Ints({0, -2}) << 100 << 397 << 1 << 0 << -2;
        QTest::newRow("edge at y 400 is found") << Ints({1, -1}) << 100 << 401 << 1 << 1 << -1;
        QTest::newRow("at the left border") << Ints({0, -3}) << 0 << 10 << 1 << 0 << -3;
        QTest::newRow("at the bottom") << Ints({}) << 250 << 1 << 0 << 0 << 0;
    }
    void stepDownWallEdge() {
        QFETCH(std::vector<int>, cells);
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(int, found);
        QFETCH(int, dx);
        QFETCH(int, dy);
        auto t = std::make_unique<RoofTracer>();
        for (std::size_t i = 0; i + 1 < cells.size(); i += 2)
            t->gWorkMap.Set(x + cells[i], y + cells[i + 1], 4);
        // Other values straight below are never taken.
        if (t->gWorkMap.Get(x, y - 1) == 0)
            t->gWorkMap.Set(x, y - 1, 5);
        int nx = -5;
        int ny = -5;
        QCOMPARE(t->StepDownWallEdge(x, y, nx, ny), found);
        QCOMPARE(nx, found ? x + dx : -5);
        QCOMPARE(ny, found ? y + dy : -5);
    }
};

QTEST_APPLESS_MAIN(PrimitivesTest)
#include "test_primitives.moc"
