// SPDX-License-Identifier: GPL-3.0-or-later
// Whole traces on synthetic scenes: blocks with a light uniform roof and a
// darker wall face below it, on a textured ground.
#include <QtTest>

#include <cmath>
#include <limits>
#include <memory>

#include "data/Editing.h"
#include "support/Pictures.h"
#include "tracing/RoofTracer.h"

using namespace velmora;
using namespace tracetest;

namespace {

std::vector<PicturePoint> Points(const std::vector<int>& xy) {
    std::vector<PicturePoint> p;
    for (std::size_t i = 0; i + 1 < xy.size(); i += 2)
        p.push_back({float(xy[i]), float(xy[i + 1])});
    return p;
}

constexpr int kRoof = 205;
constexpr int kWall = 160;

} // namespace

class TraceTest : public QObject {
    Q_OBJECT
  private slots:
    void traceBlock_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<std::vector<int>>("block");   // x0, x1, y0, y1, wall height
        QTest::addColumn<std::vector<int>>("extra");   // more roof boxes x0, x1, y0, y1
        QTest::addColumn<std::vector<int>>("click");   // x, y
        QTest::addColumn<std::vector<int>>("corners"); // true corners, x y pairs
        QTest::addColumn<int>("wallBottom");           // picture y of the wall's lower end; 0 none
        QTest::newRow("rectangle, centre click")
            << 640 << Ints({-60, 60, 0, 50, 40}) << Ints({}) << Ints({0, 25})
            << Ints({-60, 0, 60, 0, 60, 50, -60, 50}) << -40;
        QTest::newRow("rectangle, click near a corner")
            << 640 << Ints({-60, 60, 0, 50, 40}) << Ints({}) << Ints({55, 3})
            << Ints({-60, 0, 60, 0, 60, 50, -60, 50}) << -40;
        QTest::newRow("rectangle off the picture centre")
            << 640 << Ints({100, 220, -150, -60, 25}) << Ints({}) << Ints({130, -100})
            << Ints({100, -150, 220, -150, 220, -60, 100, -60}) << -175;
        QTest::newRow("small rectangle")
            << 640 << Ints({-12, 12, 0, 16, 12}) << Ints({}) << Ints({0, 8})
            << Ints({-12, 0, 12, 0, 12, 16, -12, 16}) << -12;
        QTest::newRow("L, wing up on the left, click in the base")
            << 640 << Ints({-80, 80, 0, 40, 30}) << Ints({-80, -40, 41, 120}) << Ints({40, 20})
            << Ints({-80, 0, 80, 0, 80, 40, -40, 40, -40, 120, -80, 120}) << -30;
        QTest::newRow("L, click in the wing")
            << 640 << Ints({-80, 80, 0, 40, 30}) << Ints({-80, -40, 41, 120}) << Ints({-60, 90})
            << Ints({-80, 0, 80, 0, 80, 40, -40, 40, -40, 120, -80, 120}) << -30;
        QTest::newRow("L, wing up on the right")
            << 640 << Ints({-80, 80, 0, 40, 30}) << Ints({40, 80, 41, 120}) << Ints({-40, 20})
            << Ints({-80, 0, 80, 0, 80, 120, 40, 120, 40, 40, -80, 40}) << -30;
        QTest::newRow("roof at the picture's left edge")
            << 640 << Ints({-320, -220, 0, 60, 30}) << Ints({}) << Ints({-270, 30})
            << Ints({-320, 0, -220, 0, -220, 60, -320, 60}) << -30;
        QTest::newRow("roof at the picture's top edge")
            << 640 << Ints({-50, 50, 180, 239, 30}) << Ints({}) << Ints({0, 230})
            << Ints({-50, 180, 50, 180, 50, 239, -50, 239}) << 150;
        // Wider than the frame: the outline follows the frame's clamps
        // (local x 2 and 495), and the face's edges lie beyond the frame.
        QTest::newRow("roof wider than the frame")
            << 1000 << Ints({-400, 400, 0, 60, 40}) << Ints({}) << Ints({0, 30})
            << Ints({-248, 0, 245, 0, 245, 60, -248, 60}) << 0;
    }
    void traceBlock() {
        QFETCH(int, width);
        QFETCH(std::vector<int>, block);
        QFETCH(std::vector<int>, extra);
        QFETCH(std::vector<int>, click);
        QFETCH(std::vector<int>, corners);
        QFETCH(int, wallBottom);
        GreyRaster picture = TexturedGround(width, 480);
        DrawBlock(picture, {block[0], block[1], block[2], block[3], block[4]}, kRoof, kWall);
        for (std::size_t i = 0; i + 3 < extra.size(); i += 4)
            FillBox(picture, extra[i], extra[i + 1], extra[i + 2], extra[i + 3], kRoof);
        // Another roof on a sample row far away keeps the roof grey dominant.
        FillBox(picture, -249, -209, -200, -180, kRoof);

        auto t = std::make_unique<RoofTracer>();
        t->SetPicture(&picture);
        QVERIFY(t->TraceRoof(click[0], click[1]));
        QCOMPARE(t->pRoofGrey, kRoof);

        const std::vector<PicturePoint> outline = t->TracedRoofOutline();
        const std::vector<PicturePoint> truth = Points(corners);
        QVERIFY(outline.size() >= truth.size() + 1);
        QCOMPARE(outline.front(), outline.back());
        for (const PicturePoint& p : outline)
            QVERIFY2(NearestDistance(p, truth) <= 2,
                     qPrintable(QString("(%1,%2)").arg(p.x).arg(p.y)));
        for (const PicturePoint& c : truth)
            QVERIFY2(NearestDistance(c, outline) <= 2,
                     qPrintable(QString("(%1,%2)").arg(c.x).arg(c.y)));

        t->FindWall();
        const std::optional<WallLine> wall = t->LongestWall();
        QCOMPARE(wall.has_value(), wallBottom != 0);
        if (wall) {
            QCOMPARE(t->pWallGrey, kWall);
            // From a lower roof corner straight down the face to its foot.
            QVERIFY(NearestDistance(wall->top, outline) <= 0.5);
            QVERIFY(std::fabs(wall->top.y - block[2]) <= 2);
            QVERIFY(std::fabs(wall->bottom.y - wallBottom) <= 2);
            QVERIFY(std::fabs(wall->bottom.x - wall->top.x) <= 2);
        }

        // Registered as the next roof with its wall.
        BuildingData data;
        AppendTopArea(data, {{0, 0}, {1, 0}, {0, 0}});
        const TracedRegistration added = RegisterTracedRoof(
            data, outline, wall ? &wall->top : nullptr, wall ? &wall->bottom : nullptr);
        QCOMPARE(added.roof, AppendResult::Ok);
        QCOMPARE(int(data.gEachTopAreaNumber), 2);
        QCOMPARE(int(data.gEachTopAreaPointNum[1]), int(outline.size()));
        QCOMPARE(added.wall == AppendResult::Ok, wall.has_value());
        QCOMPARE(int(data.gWallEdgeNumber), wall ? 1 : 0);
        if (wall) {
            QCOMPARE(data.gFirstWallEdgeY[0], wall->top.y);
            QCOMPARE(int(data.gWallEdgefotEachTopArea[0]), 1);
        }
    }

    // Clicks that are not on a roof of the dominant grey trace nothing; nor
    // do clicks that are not numbers or lie far beyond any picture.
    void refusedClicks_data() {
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        const double inf = std::numeric_limits<double>::infinity();
        QTest::newRow("on the ground") << -200.0 << -100.0;
        QTest::newRow("on the wall face") << 0.0 << -20.0;
        QTest::newRow("off the picture") << 400.0 << 0.0;
        QTest::newRow("x not a number") << std::nan("") << 25.0;
        QTest::newRow("y infinite") << 0.0 << -inf;
        QTest::newRow("far beyond") << 1.0e300 << 25.0;
    }
    void refusedClicks() {
        QFETCH(double, x);
        QFETCH(double, y);
        GreyRaster picture = TexturedGround(640, 480);
        DrawBlock(picture, {-60, 60, 0, 50, 40}, kRoof, kWall);
        auto t = std::make_unique<RoofTracer>();
        t->SetPicture(&picture);
        QVERIFY(t->TraceRoof(0, 25));
        const int outlineRows = t->LineDataGrid.Rows();
        const int corners = t->TopPointGrid.Rows();
        QVERIFY(!t->TraceRoof(x, y));
        QCOMPARE(t->LineDataGrid.Rows(), outlineRows);
        QCOMPARE(t->TopPointGrid.Rows(), corners);
    }

    // Two traces in a row: the second starts from clean maps and tables.
    void tracesAreIndependent() {
        GreyRaster picture = TexturedGround(640, 480);
        DrawBlock(picture, {-200, -100, 0, 50, 40}, kRoof, kWall);
        DrawBlock(picture, {100, 180, 60, 100, 0}, kRoof, kWall);
        auto reused = std::make_unique<RoofTracer>();
        reused->SetPicture(&picture);
        QVERIFY(reused->TraceRoof(-150, 25));
        reused->FindWall();
        QVERIFY(reused->LongestWall().has_value());
        QVERIFY(reused->TraceRoof(140, 80));
        reused->FindWall();

        auto fresh = std::make_unique<RoofTracer>();
        fresh->SetPicture(&picture);
        QVERIFY(fresh->TraceRoof(140, 80));
        fresh->FindWall();
        QCOMPARE(reused->TracedRoofOutline(), fresh->TracedRoofOutline());
        // The second block has no face below it: no wall, whatever the first had.
        QVERIFY(!reused->LongestWall().has_value());
        QVERIFY(!fresh->LongestWall().has_value());
    }
};

QTEST_APPLESS_MAIN(TraceTest)
#include "test_trace.moc"
