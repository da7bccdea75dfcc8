// SPDX-License-Identifier: GPL-3.0-or-later
#include <QtTest>

#include <algorithm>
#include <cmath>

#include "data/Editing.h"
#include "drawing/SlopeView.h"
#include "support/Records.h"

using namespace velmora;
using namespace testsupport;

namespace {

// Roof 0 square, roof 1 triangle, roof 2 square of height 12, roof 3 a C
// opening to the right; walls at corners of roofs 0, 1 (two) and 2.
BuildingData Block() {
    BuildingData d;
    AddRoof(d, {{0, 0}, {100, 0}, {100, 100}, {0, 100}}, 10);
    AddRoof(d, {{200, 0}, {300, 0}, {250, 80}}, 11);
    AddRoof(d, {{400, 0}, {500, 0}, {500, 100}, {400, 100}}, 12);
    AddRoof(
        d, {{600, 0}, {700, 0}, {700, 30}, {630, 30}, {630, 70}, {700, 70}, {700, 100}, {600, 100}},
        13);
    AddWall(d, {0, 0}, {-10, -50}, 0);
    AddWall(d, {200, 0}, {190, -40}, 1);
    AddWall(d, {300, 0}, {310, -40}, 1);
    AddWall(d, {400, 0}, {390, -60}, 2);
    return d;
}

// Everything the tables hold, as text, to compare records.
QString Describe(const BuildingData& d) {
    QString s = QString("P%1 R%2 W%3|")
                    .arg(d.gTopAreaPointTotalNumber)
                    .arg(d.gEachTopAreaNumber)
                    .arg(d.gWallEdgeNumber);
    for (int r = 0; r < d.gEachTopAreaNumber; ++r)
        s += QString("%1/%2/%3:%4|")
                 .arg(d.gEachClosedTopAreaSTS[r])
                 .arg(d.gFlatTopHeight[r])
                 .arg(d.gEachTopAreaStartNum[r])
                 .arg(PointsText(RoofPoints(d, r)));
    for (int w = 0; w < d.gWallEdgeNumber; ++w)
        s += QString("%1,%2>%3,%4@%5|")
                 .arg(d.gFirstWallEdgeX[w])
                 .arg(d.gFirstWallEdgeY[w])
                 .arg(d.gSecondWallEdgeX[w])
                 .arg(d.gSecondWallEdgeY[w])
                 .arg(d.gWallEdgefotEachTopArea[w]);
    return s;
}

QString WallOwners(const BuildingData& d) {
    QStringList owners;
    for (int w = 0; w < d.gWallEdgeNumber; ++w)
        owners << QString::number(d.gWallEdgefotEachTopArea[w]);
    return owners.join(',');
}

#define VERIFY_CONSISTENT(d) QCOMPARE(QString::fromStdString(InvariantViolation(d)), QString())

} // namespace

class EditingTest : public QObject {
    Q_OBJECT
  private slots:
    void closing_data() {
        QTest::addColumn<QString>("clicks");
        QTest::addColumn<int>("roofs");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("pending");
        QTest::newRow("closes at 4.2")
            << "0,0;100,0;100,100;3,3" << 1 << "0,0;100,0;100,100;0,0" << 0;
        QTest::newRow("closes at 4.9")
            << "0,0;100,0;100,100;4.9,0" << 1 << "0,0;100,0;100,100;0,0" << 0;
        QTest::newRow("exactly 5 stays open") << "0,0;100,0;100,100;4,3" << 0 << "" << 4;
        QTest::newRow("two points never close") << "0,0;100,0;2,2" << 0 << "" << 3;
        QTest::newRow("closes after a third")
            << "0,0;100,0;2,2;1,1" << 1 << "0,0;100,0;2,2;0,0" << 0;
    }
    void closing() {
        QFETCH(QString, clicks);
        QFETCH(int, roofs);
        QFETCH(QString, stored);
        QFETCH(int, pending);
        BuildingData d;
        AddRoof(d, {{-50, -50}, {-40, -50}, {-40, -40}});
        OutlineBuffer o;
        for (const auto& p : ParsePoints(clicks))
            RoofToolClick(d, o, p.x, p.y);
        QCOMPARE(int(d.gEachTopAreaNumber), 1 + roofs);
        QCOMPARE(int(o.pDrawPointNum), pending);
        if (roofs > 0) {
            QCOMPARE(PointsText(RoofPoints(d, 1)), stored);
            QCOMPARE(int(d.gEachTopAreaStartNum[1]), 4);
        }
        VERIFY_CONSISTENT(d);
    }

    void wallPick_data() {
        QTest::addColumn<int>("active");
        QTest::addColumn<QString>("click");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("start");
        QTest::newRow("5.9 picks the exact corner")
            << 0 << "100,105.9" << int(WallClickKind::StartPicked) << "100,100";
        QTest::newRow("6 does not pick") << 0 << "100,106" << int(WallClickKind::Nothing) << "";
        QTest::newRow("first corner in run order")
            << 0 << "1,1" << int(WallClickKind::StartPicked) << "0,0";
        QTest::newRow("no active roof") << -1 << "100,100" << int(WallClickKind::Nothing) << "";
        QTest::newRow("corner of another roof")
            << 1 << "100,100" << int(WallClickKind::Nothing) << "";
        QTest::newRow("stale active roof") << 9 << "100,100" << int(WallClickKind::Nothing) << "";
    }
    void wallPick() {
        QFETCH(int, active);
        QFETCH(QString, click);
        QFETCH(int, kind);
        QFETCH(QString, start);
        BuildingData d = Block();
        const QString before = Describe(d);
        WallStart s;
        const auto p = ParsePoints(click).front();
        QCOMPARE(int(WallToolClick(d, Count(active), s, p.x, p.y).kind), kind);
        QCOMPARE(Describe(d), before);
        QCOMPARE(s.pWallStartSet != 0, !start.isEmpty());
        if (!start.isEmpty())
            QCOMPARE(PointsText({{s.pWallStartX, s.pWallStartY}}), start);
    }
    void wallAppend() {
        BuildingData d = Block();
        WallStart s;
        QCOMPARE(WallToolClick(d, 2, s, 498, 98).kind, WallClickKind::StartPicked);
        // A lower end cannot lie on a point of the active roof.
        QCOMPARE(WallToolClick(d, 2, s, 400, 100).kind, WallClickKind::Nothing);
        QCOMPARE(WallToolClick(d, 2, s, 505, -40).kind, WallClickKind::WallAdded);
        QCOMPARE(int(d.gWallEdgeNumber), 5);
        QCOMPARE(int(d.gWallEdgefotEachTopArea[4]), 2);
        QCOMPARE(PointsText({{d.gFirstWallEdgeX[4], d.gFirstWallEdgeY[4]},
                             {d.gSecondWallEdgeX[4], d.gSecondWallEdgeY[4]}}),
                 QString("500,100;505,-40"));
        QCOMPARE(int(s.pWallStartSet), 0);
        QCOMPARE(s.pWallStartY, 100.0f);
        VERIFY_CONSISTENT(d);
    }

    void findTopArea_data() {
        QTest::addColumn<float>("x");
        QTest::addColumn<float>("y");
        QTest::addColumn<int>("roof");
        QTest::newRow("square centre") << 50.f << 50.f << 0;
        QTest::newRow("above the square") << 50.f << 150.f << -1;
        QTest::newRow("left edge x counts") << 0.f << 50.f << 0;
        QTest::newRow("right edge x does not") << 100.f << 50.f << -1;
        QTest::newRow("on the top edge") << 50.f << 100.f << 0;
        QTest::newRow("corner") << 0.f << 0.f << 0;
        QTest::newRow("triangle") << 250.f << 40.f << 1;
        QTest::newRow("beside the apex") << 270.f << 60.f << -1;
        QTest::newRow("third roof") << 450.f << 50.f << 2;
        QTest::newRow("C arm, two crossings") << 610.f << 50.f << 3;
        QTest::newRow("C, four crossings") << 650.f << 15.f << -1;
        QTest::newRow("C, in the gap") << 650.f << 50.f << -1;
    }
    void findTopArea() {
        QFETCH(float, x);
        QFETCH(float, y);
        QFETCH(int, roof);
        QCOMPARE(int(FindTopAreaAt(Block(), x, y)), roof);
    }
    void findFlatTopArea_data() {
        QTest::addColumn<float>("rate");
        QTest::addColumn<float>("x");
        QTest::addColumn<float>("y");
        QTest::addColumn<int>("roof");
        QTest::newRow("inside at 4 px/m") << 4.f << 20.f << 20.f << 0;
        QTest::newRow("outside at 4 px/m") << 4.f << 60.f << 20.f << -1;
        QTest::newRow("second roof at 0.5") << 0.5f << 12.f << 2.f << 1;
        QTest::newRow("rate 0") << 0.f << 20.f << 20.f << -1;
    }
    void findFlatTopArea() {
        QFETCH(float, rate);
        QFETCH(float, x);
        QFETCH(float, y);
        QFETCH(int, roof);
        BuildingData d = Block();
        for (int j = 0; j < d.gTopAreaPointTotalNumber; ++j) {
            d.gFlatTopAreaX[j] = d.gTopAreaX[j] / 10;
            d.gFlatTopAreaY[j] = d.gTopAreaY[j] / 10;
        }
        QCOMPARE(int(FindFlatTopAreaAt(d, rate, x, y)), roof);
    }
    void isBetweenEdges_data() {
        QTest::addColumn<QString>("points");
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        QTest::addColumn<int>("result");
        // Edges end at points 1 and 3.
        QTest::newRow("between sloped edges") << "0,0;10,10;0,20;10,30" << 5.0 << 10.0 << 1;
        QTest::newRow("on the lower height") << "0,0;10,10;0,20;10,30" << 5.0 << 5.0 << 1;
        QTest::newRow("below both") << "0,0;10,10;0,20;10,30" << 5.0 << 4.9 << -1;
        QTest::newRow("vertical edge has no height") << "0,0;0,10;0,20;10,30" << 0.0 << 5.0 << -1;
        QTest::newRow("horizontal edges") << "0,3;10,3;0,7;10,7" << 50.0 << 6.0 << 1;
    }
    void isBetweenEdges() {
        QFETCH(QString, points);
        QFETCH(double, x);
        QFETCH(double, y);
        QFETCH(int, result);
        BuildingData d;
        AppendTopArea(d, ParsePoints(points));
        QCOMPARE(IsBetweenEdges(d, PointSpace::Picture, 1, 3, x, y), result);
    }

    void findActiveEdge_data() {
        QTest::addColumn<int>("active");
        QTest::addColumn<float>("x");
        QTest::addColumn<float>("y");
        QTest::addColumn<int>("edge"); // end point within the run, -1 none
        QTest::addColumn<QString>("foot");
        QTest::newRow("3 below the bottom edge") << 0 << 50.f << 3.f << 1 << "50,0";
        QTest::newRow("exactly 5 misses") << 0 << 50.f << 5.f << -1 << "";
        QTest::newRow("near the right edge") << 0 << 98.f << 40.f << 2 << "100,40";
        QTest::newRow("5 beside the right edge") << 0 << 95.f << 40.f << -1 << "";
        QTest::newRow("beside a horizontal edge") << 0 << 150.f << 2.f << -1 << "";
        QTest::newRow("top edge") << 0 << 50.f << 97.f << 3 << "50,100";
        QTest::newRow("sloped edge") << 1 << 275.f << 42.f << 2 << "275,40";
        QTest::newRow("no active roof") << -1 << 50.f << 3.f << -1 << "";
    }
    void findActiveEdge() {
        QFETCH(int, active);
        QFETCH(float, x);
        QFETCH(float, y);
        QFETCH(int, edge);
        QFETCH(QString, foot);
        const BuildingData d = Block();
        const EdgeHit hit = FindActiveEdge(d, Count(active), x, y);
        QCOMPARE(int(hit.edge), edge < 0 ? -1 : d.gEachTopAreaStartNum[active] + edge);
        if (edge >= 0)
            QCOMPARE(PointsText({{hit.x, hit.y}}), foot);
    }

    void pointOrWallEnd_data() {
        QTest::addColumn<int>("active");
        QTest::addColumn<float>("x");
        QTest::addColumn<float>("y");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("point"); // within the run
        QTest::addColumn<int>("wall");
        QTest::addColumn<QString>("at");
        QTest::newRow("corner with a wall") << 1 << 202.f << 1.f << 2 << 0 << 1 << "200,0";
        QTest::newRow("corner only") << 1 << 250.f << 78.f << 1 << 2 << -1 << "250,80";
        QTest::newRow("wall foot") << 1 << 191.f << -38.f << 3 << -1 << 1 << "191,-38";
        QTest::newRow("second wall by its upper end")
            << 1 << 299.f << 1.f << 2 << 1 << 2 << "300,0";
        QTest::newRow("wall of another roof") << 1 << 390.f << -60.f << -1 << -1 << -1 << "390,-60";
        QTest::newRow("nothing") << 1 << 250.f << 40.f << -1 << -1 << -1 << "250,40";
        QTest::newRow("no active roof") << -1 << 200.f << 0.f << -1 << -1 << -1 << "200,0";
    }
    void pointOrWallEnd() {
        QFETCH(int, active);
        QFETCH(float, x);
        QFETCH(float, y);
        QFETCH(int, kind);
        QFETCH(int, point);
        QFETCH(int, wall);
        QFETCH(QString, at);
        const BuildingData d = Block();
        const auto hit = FindActivePointOrWallEnd(d, Count(active), x, y);
        QCOMPARE(hit.kind, kind);
        QCOMPARE(int(hit.point), point < 0 ? -1 : d.gEachTopAreaStartNum[active] + point);
        QCOMPARE(int(hit.wall), wall);
        QCOMPARE(PointsText({{hit.x, hit.y}}), at);
    }

    void insertPoint_data() {
        QTest::addColumn<int>("active");
        QTest::addColumn<float>("x");
        QTest::addColumn<float>("y");
        QTest::addColumn<QString>("square");
        QTest::addColumn<int>("newActive");
        QTest::newRow("(50, 3) inserts (50, 0)")
            << 0 << 50.f << 3.f << "0,0;50,0;100,0;100,100;0,100;0,0" << 0;
        QTest::newRow("(50, 5) deselects")
            << 0 << 50.f << 5.f << "0,0;100,0;100,100;0,100;0,0" << -1;
        QTest::newRow("near the vertical edge")
            << 0 << 98.f << 40.f << "0,0;100,0;100,40;100,100;0,100;0,0" << 0;
        QTest::newRow("without active roof selects")
            << -1 << 50.f << 50.f << "0,0;100,0;100,100;0,100;0,0" << 0;
    }
    void insertPoint() {
        QFETCH(int, active);
        QFETCH(float, x);
        QFETCH(float, y);
        QFETCH(QString, square);
        QFETCH(int, newActive);
        BuildingData d = Block();
        const auto others = [](const BuildingData& b) {
            return PointsText(RoofPoints(b, 1)) + PointsText(RoofPoints(b, 3)) + WallOwners(b);
        };
        const QString before = others(d);
        const auto res = SlopeDoubleClick(d, 5, Count(active), x, y);
        QCOMPARE(PointsText(RoofPoints(d, 0)), square);
        QCOMPARE(int(res.active), newActive);
        QCOMPARE(others(d), before);
        VERIFY_CONSISTENT(d);
    }

    void deletePoint_data() {
        QTest::addColumn<int>("active");
        QTest::addColumn<float>("x");
        QTest::addColumn<float>("y");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("roofsAfter"); // outlines of roofs 0 ... 2 after
        QTest::addColumn<QString>("owners");
        const QString sq = "0,0;100,0;100,100;0,100;0,0";
        const QString tri = "200,0;300,0;250,80;200,0";
        const QString sq2 = "400,0;500,0;500,100;400,100;400,0";
        QTest::newRow("triangle corner with wall") << 1 << 200.f << 0.f << 0 << sq + "|" + sq2 + "|"
                                                   << "0,1";
        QTest::newRow("triangle apex") << 1 << 250.f << 80.f << 0 << sq + "|" + sq2 + "|"
                                       << "0,1";
        QTest::newRow("triangle second corner") << 1 << 300.f << 0.f << 0 << sq + "|" + sq2 + "|"
                                                << "0,1";
        QTest::newRow("first corner of 5-point roof")
            << 0 << 0.f << 0.f << 1 << "100,0;100,100;0,100;100,0|" + tri + "|" + sq2 << "1,1,2";
        QTest::newRow("other corner of 5-point roof")
            << 0 << 100.f << 100.f << 1 << "0,0;100,0;0,100;0,0|" + tri + "|" + sq2 << "0,1,1,2";
        QTest::newRow("wall foot deletes the wall")
            << 2 << 390.f << -60.f << 1 << sq + "|" + tri + "|" + sq2 << "0,1,1";
    }
    void deletePoint() {
        QFETCH(int, active);
        QFETCH(float, x);
        QFETCH(float, y);
        QFETCH(int, result);
        QFETCH(QString, roofsAfter);
        QFETCH(QString, owners);
        BuildingData d = Block();
        const QString cShape = PointsText(RoofPoints(d, 3));
        const auto res = SlopeDoubleClick(d, 6, Count(active), x, y);
        QVERIFY(res.changed);
        QCOMPARE(int(res.active), result == 0 ? -1 : active);
        QCOMPARE(PointsText(RoofPoints(d, 0)) + "|" + PointsText(RoofPoints(d, 1)) + "|" +
                     PointsText(RoofPoints(d, 2)),
                 roofsAfter.endsWith('|') ? roofsAfter + cShape : roofsAfter);
        QCOMPARE(WallOwners(d), owners);
        VERIFY_CONSISTENT(d);
    }
    void deleteOnlyRoof() {
        BuildingData d;
        AddRoof(d, {{0, 0}, {10, 0}, {5, 8}});
        AddWall(d, {0, 0}, {0, -5}, 0);
        QCOMPARE(DeleteTopPoint(d, 0, 2), 0);
        QCOMPARE(Describe(d), QString("P0 R0 W0|"));
        QCOMPARE(DeleteTopPoint(d, 0, 0), -1);
    }
    void removeMiddleRoof() {
        BuildingData d;
        AddRoof(d, {{0, 0}, {10, 0}, {10, 10}}, 5);
        AddRoof(d, {{20, 0}, {30, 0}, {30, 10}, {20, 10}}, 6);
        AddRoof(d, {{40, 0}, {50, 0}, {45, 9}}, 7);
        AddWall(d, {40, 0}, {40, -9}, 2);
        AddWall(d, {20, 0}, {20, -9}, 1);
        AddWall(d, {0, 0}, {0, -9}, 0);
        const Outline third = RoofPoints(d, 2);
        QVERIFY(RemoveActiveTopArea(d, 1));
        QCOMPARE(int(d.gEachTopAreaNumber), 2);
        QCOMPARE(PointsText(RoofPoints(d, 1)), PointsText(third));
        QCOMPARE(int(d.gEachTopAreaStartNum[1]), 4);
        QCOMPARE(int(d.gEachClosedTopAreaSTS[1]), 1);
        QCOMPARE(d.gFlatTopHeight[1], 7.0f);
        QCOMPARE(WallOwners(d), QString("1,0"));
        QCOMPARE(d.gFirstWallEdgeX[0], 40.0f);
        VERIFY_CONSISTENT(d);
        QVERIFY(RemoveActiveTopArea(d, 1)); // the last roof
        QVERIFY(!RemoveActiveTopArea(d, 1));
        QVERIFY(!RemoveActiveTopArea(d, -1));
        QCOMPARE(Describe(d), QString("P4 R1 W1|1/5/0:0,0;10,0;10,10;0,0|0,0>0,-9@0|"));
    }

    void doubleClickTable_data() {
        QTest::addColumn<int>("tool");
        QTest::addColumn<int>("active");
        QTest::addColumn<float>("x");
        QTest::addColumn<float>("y");
        QTest::addColumn<int>("newActive");
        QTest::addColumn<QString>("redraw"); // "active,wallFlag" or ""
        QTest::addColumn<int>("menu");
        QTest::addColumn<bool>("changed");
        const int keep = int(MenuState::Keep), on = int(MenuState::Enable),
                  off = int(MenuState::Disable);
        QTest::newRow("select hits") << 0 << -1 << 50.f << 50.f << 0 << "0,0" << on << false;
        QTest::newRow("wall tool hits other roof")
            << 3 << 0 << 450.f << 50.f << 2 << "2,0" << on << false;
        QTest::newRow("move tool misses")
            << 4 << 0 << 50.f << 150.f << -1 << "-1,-1" << off << false;
        QTest::newRow("add, no roof, hits") << 5 << -1 << 50.f << 50.f << 0 << "0,0" << on << false;
        QTest::newRow("add, no roof, misses")
            << 5 << -1 << 50.f << 150.f << -1 << "" << off << false;
        QTest::newRow("add on an edge") << 5 << 0 << 50.f << 3.f << 0 << "0,-1" << keep << true;
        QTest::newRow("add off the edges") << 5 << 0 << 50.f << 50.f << -1 << "" << off << false;
        QTest::newRow("delete, no roof, hits")
            << 6 << -1 << 450.f << 50.f << 2 << "2,0" << keep << false;
        QTest::newRow("delete, no roof, misses")
            << 6 << -1 << 50.f << 150.f << -1 << "" << off << false;
        QTest::newRow("delete a corner") << 6 << 0 << 100.f << 100.f << 0 << "0,0" << keep << true;
        QTest::newRow("delete removes the roof")
            << 6 << 1 << 250.f << 80.f << -1 << "-1,-1" << keep << true;
        QTest::newRow("delete a wall") << 6 << 2 << 390.f << -60.f << 2 << "2,0" << keep << true;
        QTest::newRow("delete misses") << 6 << 0 << 50.f << 50.f << -1 << "" << off << false;
        QTest::newRow("zoom does nothing") << 1 << 0 << 50.f << 50.f << 0 << "" << keep << false;
        QTest::newRow("one-click not here") << 7 << 0 << 50.f << 50.f << 0 << "" << keep << false;
    }
    void doubleClickTable() {
        QFETCH(int, tool);
        QFETCH(int, active);
        QFETCH(float, x);
        QFETCH(float, y);
        QFETCH(int, newActive);
        QFETCH(QString, redraw);
        QFETCH(int, menu);
        QFETCH(bool, changed);
        BuildingData d = Block();
        const QString before = Describe(d);
        const auto res = SlopeDoubleClick(d, tool, Count(active), x, y);
        QCOMPARE(int(res.active), newActive);
        QCOMPARE(res.redraw.needed
                     ? QString("%1,%2").arg(res.redraw.active).arg(res.redraw.wallFlag)
                     : QString(),
                 redraw);
        QCOMPARE(int(res.removeRoofMenu), menu);
        QCOMPARE(res.changed, changed);
        QCOMPARE(Describe(d) != before, changed);
    }

    void slopeRedraw_data() {
        QTest::addColumn<int>("active");
        QTest::addColumn<int>("wallFlag");
        QTest::addColumn<int>("member");
        QTest::addColumn<QString>("counts"); // roof, wall, active, active-wall lines; handles
        QTest::newRow("no highlight") << -1 << -1 << -1 << "19 4 0 0 0";
        QTest::newRow("triangle with its walls") << 1 << 0 << 1 << "16 2 3 2 4";
        QTest::newRow("highlight without walls") << 2 << -1 << 2 << "15 3 4 0 4";
        QTest::newRow("member hides walls") << -1 << -1 << 2 << "19 3 0 0 0";
        QTest::newRow("stale roof index") << 9 << 0 << 9 << "19 4 0 0 0";
    }
    void slopeRedraw() {
        QFETCH(int, active);
        QFETCH(int, wallFlag);
        QFETCH(int, member);
        QFETCH(QString, counts);
        const auto s = ShowSlopeLineMap(Block(), Count(active), Count(wallFlag), Count(member));
        const auto count = [&](DrawOp::Kind kind, Rgb c) {
            return std::count_if(s.ops.begin(), s.ops.end(), [&](const DrawOp& o) {
                return o.kind == kind && (kind == DrawOp::Kind::Box || o.colour == c);
            });
        };
        QCOMPARE(QString("%1 %2 %3 %4 %5")
                     .arg(count(DrawOp::Kind::Line, kRoofColour))
                     .arg(count(DrawOp::Kind::Line, kWallColour))
                     .arg(count(DrawOp::Kind::Line, kActiveColour))
                     .arg(count(DrawOp::Kind::Line, kActiveWallColour))
                     .arg(count(DrawOp::Kind::Box, kHandleColour)),
                 counts);
        QCOMPARE(s.marks.has_value(), counts.endsWith('4'));
        QCOMPARE(s.ops[1].text, std::string("傾斜図表示"));
    }
    void slopeRedrawEdgeCases() {
        BuildingData d;
        QCOMPARE(ShowSlopeLineMap(d, -1, -1, -1).ops.size(), std::size_t(2)); // clear, caption
        AppendTopArea(d, {{7, 8}});
        const auto s = ShowSlopeLineMap(d, 0, 0, 0);
        QCOMPARE(*s.marks, (SelectBox{7, 7, 8, 8}));
        QCOMPARE(ShowAllSlopeLines(Block()).size(), std::size_t(2 + 19 + 4));
    }

    void dragFirstPointKeepsOutlineClosed() {
        BuildingData d = Block();
        const auto hit = FindActivePointOrWallEnd(d, 0, 2, 2);
        const MoveGrab g = GrabFromHit(hit);
        QCOMPARE(int(g.pGrabPoint), 0);
        QCOMPARE(int(g.pGrabWallTop), 0); // the wall standing on that corner
        const auto shown = ShowSlopeLineMap(d, 0, 0, 0);
        const DragStep step = MoveSlopePoint(d, 0, g, *shown.marks, -5, -6);
        QVERIFY(step.moved);
        QCOMPARE(PointsText(RoofPoints(d, 0)), QString("-5,-6;100,0;100,100;0,100;-5,-6"));
        QCOMPARE(PointsText({{d.gFirstWallEdgeX[0], d.gFirstWallEdgeY[0]}}), QString("-5,-6"));
        QCOMPARE(step.box, (SelectBox{100, -10, 100, -50}));
        VERIFY_CONSISTENT(d);
    }
    void dragWallEnds_data() {
        QTest::addColumn<float>("x");
        QTest::addColumn<float>("y");
        QTest::addColumn<QString>("wall"); // wall 0 after the drag to (-20, -70)
        QTest::newRow("foot") << -10.f << -50.f << "0,0;-20,-70";
        QTest::newRow("top with the corner") << 1.f << 1.f << "-20,-70;-10,-50";
    }
    void dragWallEnds() {
        QFETCH(float, x);
        QFETCH(float, y);
        QFETCH(QString, wall);
        BuildingData d = Block();
        const MoveGrab g = GrabFromHit(FindActivePointOrWallEnd(d, 0, x, y));
        QCOMPARE(int(g.pGrabbed), 1);
        MoveSlopePoint(d, 0, g, SelectBox{}, -20, -70);
        QCOMPARE(PointsText({{d.gFirstWallEdgeX[0], d.gFirstWallEdgeY[0]},
                             {d.gSecondWallEdgeX[0], d.gSecondWallEdgeY[0]}}),
                 wall);
        VERIFY_CONSISTENT(d);
    }
    // Each drag step erases exactly what the highlight redraw or the previous
    // step drew: the same figures, drawn again in XOR.
    void dragErasesWhatWasDrawn() {
        BuildingData d = Block();
        const auto shown = ShowSlopeLineMap(d, 1, 0, 1);
        const MoveGrab g = GrabFromHit(FindActivePointOrWallEnd(d, 1, 250, 80));
        QCOMPARE(g.pGrabPoint, Count(d.gEachTopAreaStartNum[1] + 2));
        const DragStep first = MoveSlopePoint(d, 1, g, *shown.marks, 260, 90);
        const DragStep second = MoveSlopePoint(d, 1, g, first.box, 270, 100);
        const auto same = [](const DrawOp& a, const DrawOp& b) {
            return a.kind == b.kind && a.colour == b.colour && a.x1 == b.x1 && a.y1 == b.y1 &&
                   a.x2 == b.x2 && a.y2 == b.y2 && a.radius == b.radius;
        };
        const auto contains = [&](const DrawList& list, const DrawOp& op) {
            return std::any_of(list.begin(), list.end(),
                               [&](const DrawOp& o) { return same(o, op); });
        };
        const std::size_t half = first.ops.size() / 2;
        QCOMPARE(first.ops.size(), second.ops.size());
        const DrawList drawnByFirst(first.ops.begin() + long(half), first.ops.end());
        for (std::size_t i = 0; i < half; ++i) {
            QCOMPARE(first.ops[i].mode, DrawMode::Xor);
            QVERIFY2(contains(shown.ops, first.ops[i]), qPrintable(QString("op %1").arg(i)));
            QVERIFY2(contains(drawnByFirst, second.ops[i]), qPrintable(QString("op %1").arg(i)));
            if (drawnByFirst[i].kind != DrawOp::Kind::Box) // handles may stay put
                QVERIFY(!contains(shown.ops, drawnByFirst[i]));
        }
    }
    void dragFlatPoint() {
        BuildingData d = Block();
        for (int j = 0; j < d.gTopAreaPointTotalNumber; ++j) {
            d.gFlatTopAreaX[j] = d.gTopAreaX[j] / 10;
            d.gFlatTopAreaY[j] = d.gTopAreaY[j] / 10;
        }
        const Count k = FindFlatPoint(d, 0, 2, 19, 1); // (10, 0) m drawn at (20, 0)
        QCOMPARE(int(k), 1);
        QCOMPARE(int(FindFlatPoint(d, 0, 2, 20, 6)), -1);
        const QString picture = PointsText(RoofPoints(d, 0));
        const DragStep step = MoveFlatPoint(d, 0, 2, k, SelectBox{}, 30, 4);
        QCOMPARE(d.gFlatTopAreaX[1], 15.0f);
        QCOMPARE(d.gFlatTopAreaY[1], 2.0f);
        QCOMPARE(step.box, (SelectBox{30, 0, 20, 0}));
        QCOMPARE(PointsText(RoofPoints(d, 0)), picture); // picture points stay
        QVERIFY(!MoveFlatPoint(d, 0, 0, k, SelectBox{}, 30, 4).moved);
    }

    void capacity_data() {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("refusal");
        QTest::newRow("100 corners, one more") << "outline100"
                                               << "roofclick" << int(EditRefusal::OutlineFull);
        QTest::newRow("roof table full") << "roofs501"
                                         << "roofclick" << int(EditRefusal::RoofTableFull);
        QTest::newRow("store keeps the closing slot")
            << "points1997+3"
            << "roofclick" << int(EditRefusal::PointStoreFull);
        QTest::newRow("last point that fits") << "points1997+2"
                                              << "roofclick" << int(EditRefusal::None);
        QTest::newRow("insert into a full store") << "points2001"
                                                  << "insert" << int(EditRefusal::PointStoreFull);
        QTest::newRow("add tool into a full store")
            << "points2001"
            << "addtool" << int(EditRefusal::PointStoreFull);
        QTest::newRow("wall table full at the pick")
            << "walls801"
            << "wallpick" << int(EditRefusal::WallTableFull);
        QTest::newRow("wall table filled meanwhile")
            << "walls800"
            << "wallplace" << int(EditRefusal::WallTableFull);
    }
    void capacity() {
        QFETCH(QString, setup);
        QFETCH(QString, action);
        QFETCH(int, refusal);
        BuildingData d;
        OutlineBuffer o;
        const int corners = setup == "points2001"            ? 2000
                            : setup.startsWith("points1997") ? 1996
                                                             : 4;
        Outline ring;
        for (int i = 0; i < corners; ++i)
            ring.push_back({float(1000 * std::cos(i * 6.283 / corners)),
                            float(1000 * std::sin(i * 6.283 / corners))});
        AddRoof(d, ring);
        if (setup == "roofs501")
            while (d.gEachTopAreaNumber < 501)
                AddRoof(d, {{-1, -1}});
        if (setup.startsWith("walls"))
            while (d.gWallEdgeNumber < setup.mid(5).toInt())
                AddWall(d, {0, 0}, {0, -1}, 0);
        const int buffered = setup == "outline100"             ? 100
                             : setup.startsWith("points1997+") ? setup.right(1).toInt()
                                                               : 0;
        for (int i = 0; i < buffered; ++i)
            QCOMPARE(RoofToolClick(d, o, float(3000 + 10 * i), float(i % 2)).kind,
                     RoofClickKind::PointAdded);
        QString before = Describe(d);
        EditRefusal got = EditRefusal::BadIndex;
        if (action == "roofclick") {
            const auto res = RoofToolClick(d, o, 5000, 5000);
            got = res.refusal;
            QCOMPARE(int(o.pDrawPointNum), buffered + (got == EditRefusal::None ? 1 : 0));
        } else if (action == "insert") {
            got = InsertTopPoint(d, 0, 1, 1, 1);
        } else if (action == "addtool") {
            const auto res = SlopeDoubleClick(d, 5, 0, d.gTopAreaX[0], d.gTopAreaY[0] + 1);
            got = res.refusal;
            QCOMPARE(int(res.active), 0);
            QVERIFY(!res.changed);
        } else {
            WallStart s;
            if (action == "wallplace") {
                QCOMPARE(WallToolClick(d, 0, s, 1000, 0).kind, WallClickKind::StartPicked);
                AddWall(d, {0, 0}, {0, -1}, 0);
            }
            const QString mid = Describe(d);
            before = mid;
            const auto res = WallToolClick(d, 0, s, action == "wallpick" ? 1000 : 0, 0);
            got = res.refusal;
            QCOMPARE(int(s.pWallStartSet), 0);
            QCOMPARE(Describe(d), mid);
        }
        QCOMPARE(int(got), refusal);
        if (got != EditRefusal::None) {
            QCOMPARE(Describe(d), before);
            QVERIFY(!RefusalMessage(got).empty());
        }
        VERIFY_CONSISTENT(d);
        if (setup == "outline100" || setup == "points1997+2") {
            // The outline can still be closed on its first point.
            QCOMPARE(RoofToolClick(d, o, o.pDrawX[0], o.pDrawY[0]).kind, RoofClickKind::RoofClosed);
            QCOMPARE(int(d.gEachTopAreaPointNum[1]), buffered + (setup == "outline100" ? 1 : 2));
            VERIFY_CONSISTENT(d);
        }
    }
};

QTEST_APPLESS_MAIN(EditingTest)
#include "test_editing.moc"
