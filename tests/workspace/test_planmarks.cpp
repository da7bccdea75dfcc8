// SPDX-License-Identifier: GPL-3.0-or-later
// The prediction dialogs' marks on the plan map: where the receiver, the
// roofs' numbers and the map data's buildings land in canvas units.
#include <QtTest>

#include <cmath>

#include "data/Editing.h"
#include "drawing/FlatMap.h"
#include "geometry/Footprints.h"
#include "workspace/PlanMarks.h"

using namespace velmora;

namespace {

// A roof with these plan corners (metres), the closing point added.
void AddPlanRoof(BuildingData& d, std::vector<PicturePoint> corners) {
    corners.push_back(corners.front());
    const int start = d.gTopAreaPointTotalNumber;
    QVERIFY(AppendTopArea(d, corners) == AppendResult::Ok);
    for (std::size_t i = 0; i < corners.size(); ++i) {
        d.gFlatTopAreaX[std::size_t(start) + i] = corners[i].x;
        d.gFlatTopAreaY[std::size_t(start) + i] = corners[i].y;
    }
}

std::vector<DrawOp> OfKind(const DrawList& ops, DrawOp::Kind kind) {
    std::vector<DrawOp> out;
    for (const DrawOp& op : ops)
        if (op.kind == kind)
            out.push_back(op);
    return out;
}

} // namespace

class PlanMarksTest : public QObject {
    Q_OBJECT

  private slots:
    // The receiver given north-up lands where the plan map draws the plan
    // point that NorthUpPoint turns into it.
    void receiverWhereTheMapDrawsIt_data() {
        QTest::addColumn<float>("north");
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        QTest::addColumn<float>("rate");
        QTest::newRow("north up") << 0.0f << 12.0 << -7.5 << 2.5f;
        QTest::newRow("north at 30") << 30.0f << 12.0 << -7.5 << 2.5f;
        QTest::newRow("north at -135") << -135.0f << -40.0 << 3.0 << 0.8f;
        QTest::newRow("north at 270") << 270.0f << 5.0 << 60.0 << 6.0f;
    }
    void receiverWhereTheMapDrawsIt() {
        QFETCH(float, north);
        QFETCH(double, x);
        QFETCH(double, y);
        QFETCH(float, rate);
        BuildingData d;
        d.gNorthAngle = north;
        const PlanXY plan = PlanPointOfNorthUp(d, {x, y});
        const PlanXY back = NorthUpPoint(d, plan.x, plan.y);
        QVERIFY(std::fabs(back.x - x) < 1e-9 && std::fabs(back.y - y) < 1e-9);
        PlanMarkState s;
        s.receiver = PlanXY{x, y};
        const std::vector<DrawOp> circles = OfKind(PlanMarkOps(d, rate, s), DrawOp::Kind::Circle);
        QCOMPARE(circles.size(), std::size_t(1));
        QVERIFY(std::fabs(circles[0].x1 - plan.x * rate) < 1e-6);
        QVERIFY(std::fabs(circles[0].y1 - plan.y * rate) < 1e-6);
        QCOMPARE(circles[0].colour, kReceiverColour);
        s.picking = true;
        QCOMPARE(OfKind(PlanMarkOps(d, rate, s), DrawOp::Kind::Circle)[0].colour,
                 kPickedReceiverColour);
    }

    // One number per roof with an outline, at its label's place, raised
    // above the height label; nothing asked, nothing drawn.
    void roofNumbers_data() {
        QTest::addColumn<int>("roofs");
        QTest::addColumn<bool>("asked");
        QTest::newRow("three roofs") << 3 << true;
        QTest::newRow("one roof") << 1 << true;
        QTest::newRow("not asked") << 3 << false;
        QTest::newRow("no roofs") << 0 << true;
    }
    void roofNumbers() {
        QFETCH(int, roofs);
        QFETCH(bool, asked);
        BuildingData d;
        for (int r = 0; r < roofs; ++r) {
            const float x = 30.0f * float(r);
            AddPlanRoof(d, {{x, 0}, {x + 10, 0}, {x + 10, 8}, {x, 8}});
        }
        PlanMarkState s;
        s.roofNumbers = asked;
        const float rate = 2;
        const std::vector<DrawOp> texts = OfKind(PlanMarkOps(d, rate, s), DrawOp::Kind::Text);
        QCOMPARE(int(texts.size()), asked ? roofs : 0);
        for (std::size_t i = 0; i < texts.size(); ++i) {
            QCOMPARE(texts[i].text, "#" + std::to_string(i));
            const auto at = LabelPosition(d, Count(i), rate);
            QVERIFY(at);
            QCOMPARE(texts[i].x1, at->x);
            QVERIFY(texts[i].y1 > at->y); // above: y grows upwards
            QCOMPARE(texts[i].colour, kRoofNumberColour);
        }
    }

    // Map data's outlines: one closed line run each, in their own colour,
    // turned like the roofs.
    void mapDataOutlines_data() {
        QTest::addColumn<float>("north");
        QTest::addColumn<int>("corners");
        QTest::newRow("square, north up") << 0.0f << 4;
        QTest::newRow("triangle, north at 45") << 45.0f << 3;
        QTest::newRow("hexagon, north at 200") << 200.0f << 6;
    }
    void mapDataOutlines() {
        QFETCH(float, north);
        QFETCH(int, corners);
        BuildingData d;
        d.gNorthAngle = north;
        std::vector<PlanXY> ring;
        for (int i = 0; i < corners; ++i) {
            const double a = 2 * M_PI * i / corners;
            ring.push_back({20 + 5 * std::cos(a), -10 + 5 * std::sin(a)});
        }
        PlanMarkState s;
        s.mapDataRings = {ring};
        const float rate = 3;
        const std::vector<DrawOp> lines = OfKind(PlanMarkOps(d, rate, s), DrawOp::Kind::Line);
        QCOMPARE(int(lines.size()), corners);
        for (int i = 0; i < corners; ++i) {
            const PlanXY p = PlanPointOfNorthUp(d, ring[std::size_t(i)]);
            QVERIFY(std::fabs(lines[std::size_t(i)].x1 - p.x * rate) < 1e-9);
            QVERIFY(std::fabs(lines[std::size_t(i)].y1 - p.y * rate) < 1e-9);
            // Each edge ends where the next begins; the last closes the ring.
            const DrawOp& next = lines[std::size_t((i + 1) % corners)];
            QCOMPARE(lines[std::size_t(i)].x2, next.x1);
            QCOMPARE(lines[std::size_t(i)].colour, kMapDataBuildingColour);
        }
    }

    void nothingWithoutARate_data() {
        QTest::addColumn<float>("rate");
        QTest::newRow("zero") << 0.0f;
        QTest::newRow("negative") << -1.0f;
        QTest::newRow("not a number") << std::nanf("");
    }
    void nothingWithoutARate() {
        QFETCH(float, rate);
        BuildingData d;
        AddPlanRoof(d, {{0, 0}, {10, 0}, {10, 8}});
        PlanMarkState s;
        s.roofNumbers = true;
        s.receiver = PlanXY{1, 1};
        QVERIFY(PlanMarkOps(d, rate, s).empty());
    }
};

QTEST_GUILESS_MAIN(PlanMarksTest)
#include "test_planmarks.moc"
