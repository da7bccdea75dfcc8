// SPDX-License-Identifier: GPL-3.0-or-later
// The wall below a traced roof: wall sample, face edges, wall paths, and the
// data side of registering the roof and its wall.
#include <QtTest>

#include <cmath>
#include <memory>

#include "data/Editing.h"
#include "support/Pictures.h"
#include "tracing/RoofTracer.h"

using namespace velmora;
using namespace tracetest;

namespace {

const Frame kAtOrigin{0, 0};

std::unique_ptr<RoofTracer> TracerOn(const GreyImage& picture, int roofGrey) {
    auto t = std::make_unique<RoofTracer>();
    t->SetPicture(&picture);
    t->SetLocalFrame(0, 0);
    t->pRoofGrey = roofGrey;
    return t;
}

// Corners as x, y, flagged (0/1) triples.
void LoadCorners(RoofTracer& t, const std::vector<int>& corners) {
    t.TopPointGrid.Clear();
    for (std::size_t i = 0; i + 2 < corners.size(); i += 3)
        t.TopPointGrid.Append({corners[i], corners[i + 1], corners[i + 2] ? 'B' : kNoFlag});
}

// Vertical runs of wall-face edge cells: x, top y, bottom y; and single cells as x, y, y.
void MarkEdges(RoofTracer& t, const std::vector<int>& runs) {
    for (std::size_t i = 0; i + 2 < runs.size(); i += 3)
        for (int y = runs[i + 1]; y >= runs[i + 2]; --y)
            t.gWorkMap.Set(runs[i], y, 4);
}

} // namespace

class WallsTest : public QObject {
    Q_OBJECT
  private slots:
    // Roof grey 200 on a black picture; pixel runs (local y, first x, last x,
    // grey) below corners (x, y, flagged).
    void wallSample_data() {
        QTest::addColumn<std::vector<int>>("corners");
        QTest::addColumn<std::vector<int>>("runs");
        QTest::addColumn<int>("grey");
        QTest::addColumn<int>("a");
        QTest::addColumn<int>("b");
        const auto c = Ints({300, 100, 0});
        QTest::newRow("eleven equal, the eleventh is the sample")
            << c << Ints({99, 290, 300, 155}) << 155 << 300 << 99;
        QTest::newRow("ten equal and a different one")
            << c << Ints({99, 290, 299, 155, 99, 300, 300, 156}) << 0 << -1 << -1;
        QTest::newRow("roof grey - 31, first band")
            << c << Ints({99, 290, 300, 169}) << 169 << 300 << 99;
        QTest::newRow("roof grey - 30 is in neither band")
            << c << Ints({99, 290, 300, 170}) << 0 << -1 << -1;
        QTest::newRow("roof grey - 45, first try")
            << c << Ints({99, 290, 300, 155}) << 155 << 300 << 99;
        QTest::newRow("roof grey - 60 is in neither band")
            << c << Ints({99, 290, 300, 140}) << 0 << -1 << -1;
        QTest::newRow("roof grey - 90, second try")
            << c << Ints({99, 290, 300, 110}) << 110 << 300 << 99;
        QTest::newRow("roof grey - 119, second try")
            << c << Ints({99, 290, 300, 81}) << 81 << 300 << 99;
        QTest::newRow("roof grey - 120 is in neither band")
            << c << Ints({99, 290, 300, 80}) << 0 << -1 << -1;
        QTest::newRow("the first band searches the whole window first")
            << c << Ints({99, 290, 300, 110, 85, 300, 310, 155}) << 155 << 310 << 85;
        QTest::newRow("upper row first")
            << c << Ints({95, 300, 310, 150, 90, 280, 290, 155}) << 150 << 310 << 95;
        QTest::newRow("run in two bands is no run")
            << c << Ints({99, 290, 294, 142, 99, 295, 300, 139}) << 0 << -1 << -1;
        QTest::newRow("a gap keeps the previous grey")
            << c << Ints({99, 285, 289, 155, 99, 291, 300, 155}) << 155 << 300 << 99;
        QTest::newRow("window ends at x + 20")
            << c << Ints({99, 310, 320, 155}) << 155 << 320 << 99;
        QTest::newRow("one past x + 20") << c << Ints({99, 311, 321, 155}) << 0 << -1 << -1;
        QTest::newRow("window starts at x - 20")
            << c << Ints({99, 280, 290, 155}) << 155 << 290 << 99;
        QTest::newRow("one before x - 20") << c << Ints({99, 279, 289, 155}) << 0 << -1 << -1;
        QTest::newRow("lowest row is y - 20") << c << Ints({80, 300, 310, 155}) << 155 << 310 << 80;
        QTest::newRow("y - 21 is outside") << c << Ints({79, 300, 310, 155}) << 0 << -1 << -1;
        QTest::newRow("the corner's row is outside")
            << c << Ints({100, 300, 310, 155}) << 0 << -1 << -1;
        QTest::newRow("corner at x 490: columns end at 498")
            << Ints({490, 100, 0}) << Ints({99, 488, 498, 155}) << 155 << 498 << 99;
        QTest::newRow("corner at x 490: 499 is outside")
            << Ints({490, 100, 0}) << Ints({99, 489, 499, 155}) << 0 << -1 << -1;
        QTest::newRow("corner at x 10: columns start at 2")
            << Ints({10, 100, 0}) << Ints({99, 2, 12, 155}) << 155 << 12 << 99;
        QTest::newRow("corner at x 10: 1 is outside")
            << Ints({10, 100, 0}) << Ints({99, 1, 11, 155}) << 0 << -1 << -1;
        QTest::newRow("low corner: rows end at 2")
            << Ints({300, 15, 0}) << Ints({2, 300, 310, 155}) << 155 << 310 << 2;
        QTest::newRow("low corner: row 1 is outside")
            << Ints({300, 15, 0}) << Ints({1, 300, 310, 155}) << 0 << -1 << -1;
        QTest::newRow("high corner: rows start at 388")
            << Ints({300, 395, 0}) << Ints({388, 300, 310, 155}) << 155 << 310 << 388;
        QTest::newRow("high corner: 389 is outside")
            << Ints({300, 395, 0}) << Ints({389, 300, 310, 155}) << 0 << -1 << -1;
        QTest::newRow("flagged corners are passed over")
            << Ints({200, 150, 0, 300, 100, 1}) << Ints({99, 290, 300, 155}) << 0 << -1 << -1;
        QTest::newRow("of equal lows the first")
            << Ints({200, 150, 0, 100, 150, 0}) << Ints({149, 190, 200, 155}) << 155 << 200 << 149;
        QTest::newRow("of equal lows not the second")
            << Ints({200, 150, 0, 100, 150, 0}) << Ints({149, 90, 100, 155}) << 0 << -1 << -1;
        QTest::newRow("no corners") << Ints({}) << Ints({99, 290, 300, 155}) << 0 << 0 << 0;
    }
    void wallSample() {
        QFETCH(std::vector<int>, corners);
        QFETCH(std::vector<int>, runs);
        QFETCH(int, grey);
        QFETCH(int, a);
        QFETCH(int, b);
        GreyRaster picture(1200, 900, 0);
        for (std::size_t i = 0; i + 3 < runs.size(); i += 4)
            kAtOrigin.FillLocal(picture, runs[i + 1], runs[i + 2], runs[i], runs[i], runs[i + 3]);
        auto t = TracerOn(picture, 200);
        LoadCorners(*t, corners);
        int sa = -1;
        int sb = -1;
        QCOMPARE(t->FindWallSample(sa, sb), grey);
        QCOMPARE(sa, a);
        QCOMPARE(sb, b);
    }

    // A face of grey 150 at local x 200 ... 260, y 50 ... 99 under a roof of
    // 200; strips beside it as given (first x, last x, grey).
    void faceEdges_data() {
        QTest::addColumn<std::vector<int>>("strips");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("right");
        QTest::newRow("plain face") << Ints({}) << 200 << 260;
        QTest::newRow("band reaches 170") << Ints({261, 265, 170}) << 200 << 265;
        QTest::newRow("171 is outside") << Ints({261, 265, 171}) << 200 << 260;
        QTest::newRow("band reaches 130") << Ints({190, 199, 130}) << 190 << 260;
        QTest::newRow("129 is outside") << Ints({190, 199, 129}) << 200 << 260;
    }
    void faceEdges() {
        QFETCH(std::vector<int>, strips);
        QFETCH(int, left);
        QFETCH(int, right);
        GreyRaster picture(1200, 900, 60);
        kAtOrigin.FillLocal(picture, 150, 300, 100, 150, 200);
        kAtOrigin.FillLocal(picture, 200, 260, 50, 99, 150);
        for (std::size_t i = 0; i + 2 < strips.size(); i += 3)
            kAtOrigin.FillLocal(picture, strips[i], strips[i + 1], 50, 99, strips[i + 2]);
        auto t = TracerOn(picture, 200);
        t->pWallGrey = 150;
        t->gWorkMap.Set(10, 10, 3);
        const int count = t->TraceWallFaceEdges(230, 99);
        QCOMPARE(count, 2 * 50);
        for (int x = 0; x <= 500; ++x) {
            for (int y = 0; y <= 400; ++y) {
                const bool edge = (x == left || x == right) && y >= 50 && y <= 99;
                QCOMPARE(int(t->gWorkMap.Get(x, y)), edge ? 4 : 0);
            }
        }
        // Right edge first, then left, row by row from the sample down.
        QCOMPARE(t->gWallFaceEdgeX[0], right);
        QCOMPARE(t->gWallFaceEdgeX[1], left);
        QCOMPARE(t->gWallFaceEdgeY[0], 99);
        QCOMPARE(t->gWallFaceEdgeY[99], 50);
    }

    // A face leaning right by one column every second row: the centre column
    // follows it, and both edges are found on every row.
    void slantedFace() {
        GreyRaster picture(1200, 900, 60);
        for (int y = 20; y <= 99; ++y) {
            const int shift = (99 - y) / 2;
            kAtOrigin.FillLocal(picture, 200 + shift, 230 + shift, y, y, 150);
        }
        auto t = TracerOn(picture, 200);
        t->pWallGrey = 150;
        QCOMPARE(t->TraceWallFaceEdges(215, 99), 2 * 80);
        for (int y = 20; y <= 99; ++y) {
            const int shift = (99 - y) / 2;
            QCOMPARE(int(t->gWorkMap.Get(200 + shift, y)), 4);
            QCOMPARE(int(t->gWorkMap.Get(230 + shift, y)), 4);
        }
    }

    // Without a sample the edges are traced from local (0, 0) with the band
    // -20 ... 20: beyond the picture's left edge every grey is 0.
    void noSampleTracesFromTheOrigin() {
        GreyRaster picture(700, 480, 100); // left edge at picture x -350
        auto t = std::make_unique<RoofTracer>();
        t->SetPicture(&picture);
        t->SetLocalFrame(-300, 0); // local x 200 is the picture's first column
        t->pRoofGrey = 200;
        t->pWallGrey = 0;
        const int count = t->TraceWallFaceEdges(0, 0);
        QCOMPARE(count, 391);
        for (int y = 0; y <= 390; ++y)
            QCOMPARE(int(t->gWorkMap.Get(199, y)), 4);
        QCOMPARE(int(t->gWorkMap.Get(199, 391)), 0);
    }

    // Corners (x, y, flagged) above edge runs (x, top y, bottom y).
    void followWallLines_data() {
        QTest::addColumn<std::vector<int>>("corners");
        QTest::addColumn<std::vector<int>>("edges");
        QTest::addColumn<int>("count");
        QTest::addColumn<std::vector<int>>(
            "candidates");                // top x, top y, bottom x, bottom y, length
        QTest::addColumn<int>("longest"); // row, 0 none
        QTest::newRow("41 beats 40")
            << Ints({100, 200, 0, 300, 200, 0}) << Ints({100, 199, 160, 300, 199, 159}) << 200
            << Ints({100, 200, 100, 160, 40, 300, 200, 300, 159, 41}) << 2;
        QTest::newRow("40 after 41 loses")
            << Ints({100, 200, 0, 300, 200, 0}) << Ints({100, 199, 159, 300, 199, 160}) << 200
            << Ints({100, 200, 100, 159, 41, 300, 200, 300, 160, 40}) << 1;
        QTest::newRow("equal lengths: the first corner")
            << Ints({100, 200, 0, 300, 200, 0}) << Ints({100, 199, 160, 300, 199, 160}) << 200
            << Ints({100, 200, 100, 160, 40, 300, 200, 300, 160, 40}) << 1;
        QTest::newRow("flagged corners start paths too")
            << Ints({100, 200, 1}) << Ints({100, 199, 170}) << 200 << Ints({100, 200, 100, 170, 30})
            << 1;
        QTest::newRow("gaps of up to two rows are bridged")
            << Ints({100, 200, 0}) << Ints({100, 199, 190, 100, 187, 180}) << 200
            << Ints({100, 200, 100, 180, 20}) << 1;
        QTest::newRow("a gap of three rows ends the path")
            << Ints({100, 200, 0}) << Ints({100, 199, 190, 100, 186, 180}) << 200
            << Ints({100, 200, 100, 190, 10}) << 1;
        QTest::newRow("the path runs out of steps: no candidate")
            << Ints({100, 200, 0}) << Ints({100, 199, 160}) << 40 << Ints({}) << 0;
        QTest::newRow("exactly enough steps to fail")
            << Ints({100, 200, 0}) << Ints({100, 199, 160}) << 41 << Ints({100, 200, 100, 160, 40})
            << 1;
        QTest::newRow("no edge below any corner")
            << Ints({100, 200, 0}) << Ints({100, 196, 160}) << 200 << Ints({}) << 0;
        QTest::newRow("a shared edge serves one path only")
            << Ints({100, 200, 0, 101, 200, 0}) << Ints({100, 199, 150}) << 200
            << Ints({100, 200, 100, 150, 50}) << 1;
        QTest::newRow("length is rounded")
            << Ints({100, 200, 0}) << Ints({100, 199, 199, 101, 198, 198}) << 200
            << Ints({100, 200, 101, 198, 2}) << 1;
    }
    void followWallLines() {
        QFETCH(std::vector<int>, corners);
        QFETCH(std::vector<int>, edges);
        QFETCH(int, count);
        QFETCH(std::vector<int>, candidates);
        QFETCH(int, longest);
        auto t = std::make_unique<RoofTracer>();
        LoadCorners(*t, corners);
        MarkEdges(*t, edges);
        // Candidates of an earlier trace never survive.
        t->WallPointGrid.Append({1, 2, 3, 4, 99});
        t->FollowWallLines(count);
        QCOMPARE(t->WallPointGrid.Rows() * 5, int(candidates.size()));
        for (int r = 1; r <= t->WallPointGrid.Rows(); ++r) {
            const WallPointRow& w = t->WallPointGrid[r];
            const int* c = &candidates[std::size_t(r - 1) * 5];
            QCOMPARE(w.topX, c[0]);
            QCOMPARE(w.topY, c[1]);
            QCOMPARE(w.bottomX, c[2]);
            QCOMPARE(w.bottomY, c[3]);
            QCOMPARE(w.length, c[4]);
        }
        t->SetLocalFrame(250, 195); // local and picture coincide
        const std::optional<WallLine> wall = t->LongestWall();
        QCOMPARE(wall.has_value(), longest > 0);
        if (wall) {
            const int* c = &candidates[std::size_t(longest - 1) * 5];
            QCOMPARE(wall->top, (PicturePoint{float(c[0]), float(c[1])}));
            QCOMPARE(wall->bottom, (PicturePoint{float(c[2]), float(c[3])}));
        }
    }

    // The path table: per path the top row "A", its steps with the last one
    // "B", then the separator; a path whose first step fails has no "B".
    void pathRows() {
        auto t = std::make_unique<RoofTracer>();
        LoadCorners(*t, Ints({100, 200, 0, 101, 200, 0}));
        MarkEdges(*t, Ints({100, 199, 197}));
        t->FollowWallLines(100);
        const FlaggedCellRow expected[] = {
            {100, 200, 'A'},       {100, 199, kNoFlag}, {100, 198, kNoFlag},  {100, 197, 'B'},
            {-999, -999, kNoFlag}, {101, 200, 'A'},     {-999, -999, kNoFlag}};
        QCOMPARE(t->LineDataGrid.Rows(), 7);
        for (int r = 1; r <= 7; ++r)
            QCOMPARE(t->LineDataGrid[r], expected[r - 1]);
        QCOMPARE(int(t->gWorkMap.Get(100, 197)), 5);
        QCOMPARE(int(t->gWorkMap.Get(101, 200)), 5);
    }

    // Without a starting corner the outline in LineDataGrid stays.
    void noStartKeepsTheOutline() {
        auto t = std::make_unique<RoofTracer>();
        LoadCorners(*t, Ints({100, 200, 0}));
        t->LineDataGrid.Append({5, 6, kNoFlag});
        t->FollowWallLines(100);
        QCOMPARE(t->LineDataGrid.Rows(), 1);
        QCOMPARE(t->WallPointGrid.Rows(), 0);
    }

    // Corners (x, y, flagged) in local cells of a frame clicked at (10.5, -3):
    // picture = local - (239.5, 198).
    void roofOutline_data() {
        QTest::addColumn<std::vector<int>>("corners");
        QTest::addColumn<std::vector<int>>("outline"); // local x, y pairs
        QTest::newRow("last corner 5 from the first is replaced")
            << Ints({100, 100, 0, 200, 100, 0, 200, 200, 0, 103, 104, 0})
            << Ints({100, 100, 200, 100, 200, 200, 100, 100});
        QTest::newRow("6 apart: the first is appended")
            << Ints({100, 100, 0, 200, 100, 0, 200, 200, 0, 106, 100, 0})
            << Ints({100, 100, 200, 100, 200, 200, 106, 100, 100, 100});
        QTest::newRow("flagged corners are left out")
            << Ints({100, 100, 0, 200, 100, 1, 200, 200, 0, 150, 300, 0})
            << Ints({100, 100, 200, 200, 150, 300, 100, 100});
        QTest::newRow("a flagged last corner near the first replaces the kept one before")
            << Ints({100, 100, 0, 200, 100, 0, 103, 103, 0, 102, 100, 1})
            << Ints({100, 100, 200, 100, 100, 100});
        QTest::newRow("a single corner") << Ints({100, 100, 0, 102, 101, 1}) << Ints({100, 100});
        QTest::newRow("no corners") << Ints({}) << Ints({});
    }
    void roofOutline() {
        QFETCH(std::vector<int>, corners);
        QFETCH(std::vector<int>, outline);
        auto t = std::make_unique<RoofTracer>();
        t->SetLocalFrame(10.5, -3);
        LoadCorners(*t, corners);
        const std::vector<PicturePoint> got = t->TracedRoofOutline();
        QCOMPARE(int(got.size()) * 2, int(outline.size()));
        for (std::size_t i = 0; i < got.size(); ++i) {
            QCOMPARE(got[i].x, float(outline[2 * i] - 239.5));
            QCOMPARE(got[i].y, float(outline[2 * i + 1] - 198));
        }

        BuildingData data;
        AppendTopArea(data, {{1, 1}, {2, 2}, {1, 1}});
        const AppendResult r = RegisterTracedRoof(data, got, nullptr, nullptr).roof;
        QCOMPARE(r == AppendResult::Ok, !got.empty());
        QCOMPARE(int(data.gEachTopAreaNumber), got.empty() ? 1 : 2);
        QCOMPARE(int(data.gTopAreaPointTotalNumber), 3 + int(got.size()));
        if (!got.empty()) {
            QCOMPARE(int(data.gEachTopAreaStartNum[1]), 3);
            QCOMPARE(int(data.gEachTopAreaPointNum[1]), int(got.size()));
            QCOMPARE(int(data.gEachClosedTopAreaSTS[1]), 1);
            for (std::size_t i = 0; i < got.size(); ++i) {
                QCOMPARE(data.gTopAreaX[3 + i], got[i].x);
                QCOMPARE(data.gTopAreaY[3 + i], got[i].y);
            }
        }
    }

    void registrationRefusedWhenFull_data() {
        QTest::addColumn<int>("roofs");
        QTest::addColumn<int>("points");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("room left") << 500 << 1997 << true;
        QTest::newRow("roof table full") << 501 << 100 << false;
        QTest::newRow("point store full") << 10 << 1998 << false;
    }
    void registrationRefusedWhenFull() {
        QFETCH(int, roofs);
        QFETCH(int, points);
        QFETCH(bool, accepted);
        auto t = std::make_unique<RoofTracer>();
        LoadCorners(*t, Ints({100, 100, 0, 200, 100, 0, 200, 200, 0, 102, 101, 0}));
        QCOMPARE(t->TracedRoofOutline().size(), std::size_t(4));
        BuildingData data;
        data.gEachTopAreaNumber = Count(roofs);
        data.gTopAreaPointTotalNumber = Count(points);
        QCOMPARE(RegisterTracedRoof(data, t->TracedRoofOutline(), nullptr, nullptr).roof ==
                     AppendResult::Ok,
                 accepted);
        QCOMPARE(int(data.gEachTopAreaNumber), roofs + (accepted ? 1 : 0));
        QCOMPARE(int(data.gTopAreaPointTotalNumber), points + (accepted ? 4 : 0));
    }

    void registerWallWithRoof_data() {
        QTest::addColumn<int>("walls");
        QTest::addColumn<bool>("candidate");
        QTest::addColumn<bool>("registered");
        QTest::newRow("registered") << 3 << true << true;
        QTest::newRow("last free slot") << 800 << true << true;
        QTest::newRow("wall table full") << 801 << true << false;
        QTest::newRow("no candidate") << 3 << false << false;
    }
    void registerWallWithRoof() {
        QFETCH(int, walls);
        QFETCH(bool, candidate);
        QFETCH(bool, registered);
        auto t = std::make_unique<RoofTracer>();
        t->SetLocalFrame(0, 0);
        if (candidate) {
            t->WallPointGrid.Append({260, 195, 262, 150, 45});
            t->WallPointGrid.Append({300, 195, 300, 140, 55});
        }
        BuildingData data;
        data.gWallEdgeNumber = Count(walls);
        // Seven roofs before it: the traced one becomes roof 7.
        data.gEachTopAreaNumber = 7;
        const std::optional<WallLine> wall = t->LongestWall();
        QCOMPARE(wall.has_value(), candidate);
        const TracedRegistration r =
            RegisterTracedRoof(data, {{40, 0}, {60, 0}, {60, 10}, {40, 0}},
                               wall ? &wall->top : nullptr, wall ? &wall->bottom : nullptr);
        QCOMPARE(r.roof, AppendResult::Ok);
        QCOMPARE(r.wall == AppendResult::Ok, registered);
        QCOMPARE(int(data.gWallEdgeNumber), walls + (registered ? 1 : 0));
        if (registered) {
            QCOMPARE(wall->top, (PicturePoint{50, 0}));
            QCOMPARE(wall->bottom, (PicturePoint{50, -55}));
            QCOMPARE(data.gFirstWallEdgeX[std::size_t(walls)], 50.0f);
            QCOMPARE(data.gFirstWallEdgeY[std::size_t(walls)], 0.0f);
            QCOMPARE(data.gSecondWallEdgeX[std::size_t(walls)], 50.0f);
            QCOMPARE(data.gSecondWallEdgeY[std::size_t(walls)], -55.0f);
            QCOMPARE(int(data.gWallEdgefotEachTopArea[std::size_t(walls)]), 7);
        }
    }
};

QTEST_APPLESS_MAIN(WallsTest)
#include "test_walls.moc"
