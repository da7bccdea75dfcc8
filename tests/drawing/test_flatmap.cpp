// SPDX-License-Identifier: GPL-3.0-or-later
#include <QtTest>

#include <algorithm>
#include <cmath>

#include "data/Editing.h"
#include "drawing/FlatMap.h"

using namespace velmora;

namespace {

MapScaleTables Tables() {
    MapScaleTables t;
    InitMapScaleTables(t);
    return t;
}

// Appends a roof with these plan corners (metres); the closing point is
// added. Picture points are not needed by the map.
void AddPlanRoof(BuildingData& d, std::vector<PicturePoint> corners, float height) {
    corners.push_back(corners.front());
    const int start = d.gTopAreaPointTotalNumber;
    const int r = d.gEachTopAreaNumber;
    QVERIFY(AppendTopArea(d, corners) == AppendResult::Ok);
    for (std::size_t i = 0; i < corners.size(); ++i) {
        d.gFlatTopAreaX[start + i] = corners[i].x;
        d.gFlatTopAreaY[start + i] = corners[i].y;
    }
    d.gFlatTopHeight[r] = height;
    // A height is measured by a wall line; a roof of height 0 has none.
    if (height != 0)
        d.gWallEdgefotEachTopArea[std::size_t(d.gWallEdgeNumber++)] = r;
}

// Rows for a label test on both plan maps: plain, with roof 1 highlighted,
// and north-up.
void MapRows() {
    QTest::addColumn<bool>("northUp");
    QTest::addColumn<int>("active"); // the highlighted roof, -1 none
    QTest::newRow("plan map") << false << -1;
    QTest::newRow("plan map, roof 1 highlighted") << false << 1;
    QTest::newRow("north-up map") << true << -1;
}

MapDrawing DrawMap(const BuildingData& d, bool northUp, int active) {
    return northUp ? DrawNorthUpFlatMap(d, Tables(), 26)
                   : DrawFlatLineMap(d, Tables(), 26, Count(active));
}

QStringList Texts(const DrawList& ops) {
    QStringList out;
    for (const auto& op : ops)
        if (op.kind == DrawOp::Kind::Text)
            out << QString::fromStdString(op.text);
    return out;
}

// Line ends rounded to 0.01, as text.
QString Lines(const DrawList& ops, Rgb colour) {
    const auto r = [](double v) { return std::round(v * 100) / 100 + 0.0; }; // no "-0"
    QStringList out;
    for (const auto& op : ops)
        if (op.kind == DrawOp::Kind::Line && op.colour == colour)
            out << QString("%1,%2>%3,%4").arg(r(op.x1)).arg(r(op.y1)).arg(r(op.x2)).arg(r(op.y2));
    return out.join(' ');
}

const DrawOp* FindText(const DrawList& ops, const char* text) {
    for (const auto& op : ops)
        if (op.kind == DrawOp::Kind::Text && op.text == text)
            return &op;
    return nullptr;
}

} // namespace

class FlatMapTest : public QObject {
    Q_OBJECT
  private slots:
    void zoomTable_data() {
        QTest::addColumn<int>("level");
        QTest::addColumn<float>("rate");
        QTest::addColumn<float>("length");
        QTest::addColumn<QString>("label");
        QTest::newRow("0") << 0 << 0.01f << 20000.f << "20Km";
        QTest::newRow("1") << 1 << 0.012f << 20000.f << "20Km";
        QTest::newRow("5") << 5 << 0.025f << 10000.f << "10Km";
        QTest::newRow("6") << 6 << 0.03f << 5000.f << "5Km";
        QTest::newRow("14") << 14 << 0.12f << 2000.f << "2Km";
        QTest::newRow("18") << 18 << 0.25f << 1000.f << "1Km";
        QTest::newRow("19") << 19 << 0.3f << 500.f << "500m";
        QTest::newRow("27") << 27 << 1.2f << 200.f << "200m";
        QTest::newRow("28") << 28 << 1.5f << 100.f << "100m";
        QTest::newRow("34") << 34 << 4.0f << 50.f << "50m";
        QTest::newRow("35") << 35 << 5.0f << 20.f << "20m";
        QTest::newRow("40") << 40 << 12.0f << 20.f << "20m";
    }
    void zoomTable() {
        QFETCH(int, level);
        QFETCH(float, rate);
        QFETCH(float, length);
        QFETCH(QString, label);
        const MapScaleTables t = Tables();
        QCOMPARE(t.gMapRate[level], rate);
        QCOMPARE(t.gMapScaleLength[level], length);
        QCOMPARE(QString::fromStdString(t.gMapScaleLabel[level]), label);
    }
    // Rates grow with the level and the bar stays between 100 and 300 pixels.
    void zoomTableShape() {
        const MapScaleTables t = Tables();
        for (int i = 0; i < kMapLevelCount; ++i) {
            const double bar = double(t.gMapScaleLength[i]) * t.gMapRate[i];
            QVERIFY2(bar >= 99.99 && bar <= 300.01, qPrintable(QString::number(i)));
            if (i > 0)
                QVERIFY(t.gMapRate[i] > t.gMapRate[i - 1]);
        }
    }

    void chooseScale_data() {
        QTest::addColumn<double>("extent");
        QTest::addColumn<int>("level");
        QTest::newRow("100 m") << 100.0 << 34;
        QTest::newRow("exactly 60 m") << 60.0 << 34;
        QTest::newRow("59.9 m") << 59.9 << 40;
        QTest::newRow("149 m") << 149.0 << 34;
        QTest::newRow("150 m") << 150.0 << 31;
        QTest::newRow("5999 m") << 5999.0 << 14;
        QTest::newRow("60 km") << 60000.0 << 0;
        QTest::newRow("no points") << -1.0 << 0;
    }
    void chooseScale() {
        QFETCH(double, extent);
        QFETCH(int, level);
        BuildingData d;
        if (extent >= 0) {
            // Only the east-west extent counts; the north-south one is huge.
            AddPlanRoof(d, {{-20, 0}, {float(extent - 20), 0}, {0, 9000}}, 0);
        }
        QCOMPARE(int(ChooseFlatMapScale(d, Tables())), level);
    }
    void zoomTool_data() {
        QTest::addColumn<int>("level");
        QTest::addColumn<bool>("left");
        QTest::addColumn<int>("after");
        QTest::newRow("in at 40") << 40 << true << 40;
        QTest::newRow("out at 0") << 0 << false << 0;
        QTest::newRow("in") << 10 << true << 11;
        QTest::newRow("out") << 10 << false << 9;
    }
    void zoomTool() {
        QFETCH(int, level);
        QFETCH(bool, left);
        QFETCH(int, after);
        QCOMPARE(int(ZoomLevelAfterClick(Count(level), left)), after);
    }

    void scaleBar_data() {
        QTest::addColumn<int>("level");
        QTest::addColumn<double>("length");
        QTest::addColumn<QString>("label");
        QTest::newRow("20Km") << 0 << 200.0 << "20Km";
        QTest::newRow("50m") << 34 << 200.0 << "50m";
        QTest::newRow("20m at 12") << 40 << 240.0 << "20m";
        QTest::newRow("1Km at 0.15") << 15 << 150.0 << "1Km";
    }
    void scaleBar() {
        QFETCH(int, level);
        QFETCH(double, length);
        QFETCH(QString, label);
        const DrawList ops = DrawMapScaleBar(Tables(), Count(level), DrawMode::Xor);
        QCOMPARE(ops.size(), std::size_t(8));
        QVERIFY(std::fabs(ops[0].x2 - ops[0].x1 - length) < 0.01);
        QCOMPARE(ops[0].x1, -340.0);
        QCOMPARE(ops[0].y1, -310.0);
        for (int k = 0; k <= 5; ++k) {
            const DrawOp& tick = ops[1 + k];
            QVERIFY(std::fabs(tick.x1 - (-340 + k * length / 5)) < 0.01);
            QCOMPARE(tick.y1, -310.0);
            QCOMPARE(tick.y2, -300.0);
        }
        QCOMPARE(QString::fromStdString(ops[7].text), label);
        QCOMPARE(ops[7].x1, -270.0);
        QCOMPARE(ops[7].colour, kScaleLabelColour);
        QVERIFY(std::all_of(ops.begin(), ops.end(),
                            [](const DrawOp& o) { return o.mode == DrawMode::Xor; }));
    }

    void emptyMap() {
        const FlatMapView v = ShowFlatLineMap(BuildingData(), Tables(), -1);
        QCOMPARE(int(v.level), 0);
        QCOMPARE(v.drawing.ops.front().kind, DrawOp::Kind::Clear);
        // Nothing to measure: no scale bar.
        QCOMPARE(Texts(v.drawing.ops), QStringList({"平面図表示", "N"}));
        QCOMPARE(Lines(v.drawing.ops, kScaleBarColour), QString());
        QCOMPARE(
            Lines(v.drawing.ops, kNorthArrowColour),
            QString("-330,280>-330,180 -330,280>-340,260 -330,280>-320,260 -360,230>-300,230"));
        QVERIFY(!v.drawing.marks);
    }

    void labelPosition_data() {
        QTest::addColumn<int>("level");
        QTest::addColumn<float>("offset"); // of the 10 m square from the origin
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        // The mean includes the closing point, so the first corner counts twice.
        QTest::newRow("square 0-10 m at 4 px/m") << 34 << 0.f << 16.0 << 16.0;
        QTest::newRow("square 0-10 m at 1 px/m") << 26 << 0.f << 4.0 << 4.0;
        QTest::newRow("square 10-20 m at 1 px/m") << 26 << 10.f << 14.0 << 14.0;
    }
    void labelPosition() {
        QFETCH(int, level);
        QFETCH(float, offset);
        QFETCH(double, x);
        QFETCH(double, y);
        BuildingData d;
        const float o = offset;
        AddPlanRoof(d, {{o, o}, {o + 10, o}, {o + 10, o + 10}, {o, o + 10}}, 26.5f);
        const MapDrawing m = DrawFlatLineMap(d, Tables(), Count(level), -1);
        const DrawOp* label = FindText(m.ops, "27m");
        QVERIFY(label);
        QCOMPARE(label->x1, x);
        QCOMPARE(label->y1, y);
    }

    // A roof whose outline crosses itself has its label in red, in both
    // plan maps; a sound one beside it keeps the usual colour.
    void crossedOutlineLabel_data() { MapRows(); }
    void crossedOutlineLabel() {
        QFETCH(bool, northUp);
        QFETCH(int, active);
        BuildingData d;
        AddPlanRoof(d, {{0, 0}, {10, 0}, {10, 10}, {0, 10}}, 12);
        AddPlanRoof(d, {{20, 0}, {30, 10}, {30, 0}, {20, 10}}, 8); // a bow-tie
        const MapDrawing m = DrawMap(d, northUp, active);
        QVERIFY(FindText(m.ops, "12m") && FindText(m.ops, "8m"));
        QCOMPARE(FindText(m.ops, "12m")->colour, kCaptionColour);
        QCOMPARE(FindText(m.ops, "8m")->colour, kCrossedOutlineColour);
    }

    // A roof without a measured height shows no number on either map: "0m"
    // would read as a measured height. A wall line drawn upwards measures
    // none either.
    void unknownHeightLabel_data() { MapRows(); }
    void unknownHeightLabel() {
        QFETCH(bool, northUp);
        QFETCH(int, active);
        BuildingData d;
        AddPlanRoof(d, {{0, 0}, {10, 0}, {10, 10}, {0, 10}}, 12);
        AddPlanRoof(d, {{20, 0}, {30, 0}, {30, 10}, {20, 10}}, 0);
        AddPlanRoof(d, {{40, 0}, {50, 0}, {50, 10}, {40, 10}}, -7); // wall drawn upwards
        const QStringList texts = Texts(DrawMap(d, northUp, active).ops);
        QCOMPARE(texts.count("12m"), 1);
        QCOMPARE(texts.count(QString::fromUtf8(kUnknownHeightLabel)), 2);
        QVERIFY(!texts.contains("0m") && !texts.contains("-7m"));
    }

    void highlightedMap() {
        BuildingData d;
        AddPlanRoof(d, {{0, 0}, {10, 0}, {10, 10}, {0, 10}}, 9.6f);
        AddPlanRoof(d, {{70, 0}, {80, 0}, {75, 8}}, 0);
        const FlatMapView v = ShowFlatLineMap(d, Tables(), 1);
        QCOMPARE(int(v.level), 34); // 80 m wide
        QCOMPARE(v.drawing.flatMapRate, 4.0f);
        QCOMPARE(Lines(v.drawing.ops, kRoofColour),
                 QString("0,0>40,0 40,0>40,40 40,40>0,40 0,40>0,0"));
        QCOMPARE(Lines(v.drawing.ops, kActiveColour),
                 QString("280,0>320,0 320,0>300,32 300,32>280,0"));
        QCOMPARE(Texts(v.drawing.ops), QStringList({"平面図表示", "10m", "不明", "50m", "N"}));
        QVERIFY(v.drawing.marks);
        QCOMPARE(*v.drawing.marks, (SelectBox{320, 280, 32, 0}));
        QCOMPARE(v.drawing.modeAfter, DrawMode::Xor);
        QCOMPARE(FindText(v.drawing.ops, "不明")->mode, DrawMode::Xor);
        QCOMPARE(FindText(v.drawing.ops, "N")->mode, DrawMode::Xor);
        QCOMPARE(FindText(v.drawing.ops, "10m")->mode, DrawMode::Copy);
        const auto circles =
            std::count_if(v.drawing.ops.begin(), v.drawing.ops.end(),
                          [](const DrawOp& o) { return o.kind == DrawOp::Kind::Circle; });
        QCOMPARE(int(circles), 3);
    }

    // The view keeps the handle box in floats and erases the handles from
    // it: the handles must be drawn at exactly those values, also when the
    // rate (0.4 here) makes the plan positions fall between floats.
    void handlesDrawnWhereTheViewRemembersThem() {
        BuildingData d;
        AddPlanRoof(d, {{0, 20}, {700, 20}, {700, 60}, {0, 60}}, 0);
        const MapDrawing m = DrawFlatLineMap(d, Tables(), 21, 0);
        QVERIFY(m.marks);
        const SelectBox& b = *m.marks;
        QVERIFY(b.maxY != double(float(b.maxY))); // 60 x 0.4f is no float
        const double kept[4][2] = {{float(b.maxX), float(b.maxY)},
                                   {float(b.minX), float(b.maxY)},
                                   {float(b.maxX), float(b.minY)},
                                   {float(b.minX), float(b.minY)}};
        int k = 0;
        for (const auto& op : m.ops) {
            if (op.kind != DrawOp::Kind::Box)
                continue;
            QVERIFY(k < 4);
            QCOMPARE((op.x1 + op.x2) / 2, kept[k][0]);
            QCOMPARE((op.y1 + op.y2) / 2, kept[k][1]);
            ++k;
        }
        QCOMPARE(k, 4);
    }

    // Dragging a corner on the map: each step erases in XOR what the step
    // before drew, so both must use the same positions, also when the
    // stored plan value (position / 0.35) times the rate is no longer the
    // pointer position.
    void dragStepErasesWhatTheLastStepDrew_data() {
        QTest::addColumn<int>("corner");
        QTest::newRow("second corner") << 1;
        QTest::newRow("first corner, with the closing point") << 0;
    }
    void dragStepErasesWhatTheLastStepDrew() {
        QFETCH(int, corner);
        BuildingData d;
        AddPlanRoof(d, {{0, 0}, {40, 0}, {40, 40}, {0, 40}}, 0);
        const float rate = Tables().gMapRate[20]; // 0.35
        const DragStep first = MoveFlatPoint(d, 0, rate, Count(corner), SelectBox{}, 7, 7);
        const DragStep second = MoveFlatPoint(d, 0, rate, Count(corner), first.box, 10, 10);
        // Each step: 4 handles erased, two old edges and the old circle,
        // two new edges and the new circle, 4 handles drawn.
        QCOMPARE(int(first.ops.size()), 14);
        QCOMPARE(int(second.ops.size()), 14);
        auto same = [](const DrawOp& a, const DrawOp& b) {
            return a.kind == b.kind && a.x1 == b.x1 && a.y1 == b.y1 && a.x2 == b.x2 && a.y2 == b.y2;
        };
        for (std::size_t i = 0; i < 3; ++i) // figures drawn, then erased
            QVERIFY2(same(first.ops[7 + i], second.ops[4 + i]), qPrintable(QString::number(i)));
        for (std::size_t i = 0; i < 4; ++i) // handles drawn, then erased
            QVERIFY(same(first.ops[10 + i], second.ops[i]));
    }

    void northUp_data() {
        QTest::addColumn<float>("angle");
        QTest::addColumn<QString>("lines");
        QTest::addColumn<double>("lx");
        QTest::addColumn<double>("ly");
        QTest::newRow("0") << 0.f << "0,0>10,0 10,0>10,10 10,10>0,10 0,10>0,0" << 4.0 << 4.0;
        QTest::newRow("90") << 90.f << "0,0>0,10 0,10>-10,10 -10,10>-10,0 -10,0>0,0" << -4.0 << 4.0;
        QTest::newRow("45") << 45.f
                            << "0,0>7.07,7.07 7.07,7.07>0,14.14 0,14.14>-7.07,7.07 -7.07,7.07>0,0"
                            << 0.0 << 5.66;
        QTest::newRow("180") << 180.f << "0,0>-10,0 -10,0>-10,-10 -10,-10>0,-10 0,-10>0,0" << -4.0
                             << -4.0;
    }
    void northUp() {
        QFETCH(float, angle);
        QFETCH(QString, lines);
        QFETCH(double, lx);
        QFETCH(double, ly);
        BuildingData d;
        AddPlanRoof(d, {{0, 0}, {10, 0}, {10, 10}, {0, 10}}, 30);
        d.gNorthAngle = angle;
        const float before = d.gFlatTopAreaX[1];
        const MapDrawing m = DrawNorthUpFlatMap(d, Tables(), 26); // 1 px per metre
        QCOMPARE(Lines(m.ops, kNorthUpRoofColour), lines);
        const DrawOp* label = FindText(m.ops, "30m");
        QVERIFY(label);
        QVERIFY(std::fabs(label->x1 - lx) < 0.01 && std::fabs(label->y1 - ly) < 0.01);
        QVERIFY(!FindText(m.ops, "平面図表示"));
        QCOMPARE(d.gFlatTopAreaX[1], before);
    }
    void northUpDecorationsFollowTheMode_data() {
        QTest::addColumn<bool>("roofs");
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("expected");
        QTest::newRow("roofs: opaque") << true << int(DrawMode::Xor) << int(DrawMode::Copy);
        QTest::newRow("no roofs: mode kept") << false << int(DrawMode::Xor) << int(DrawMode::Xor);
    }
    void northUpDecorationsFollowTheMode() {
        QFETCH(bool, roofs);
        QFETCH(int, current);
        QFETCH(int, expected);
        BuildingData d;
        if (roofs)
            AddPlanRoof(d, {{0, 0}, {10, 0}, {10, 10}}, 3);
        const DrawList ops = UpdateNorthAngleOps(d, Tables(), 12, DrawMode(current));
        QCOMPARE(ops.front().kind, DrawOp::Kind::Clear);
        QCOMPARE(int(FindText(ops, "N")->mode), expected);
        // Without roofs there is nothing to measure: no scale bar.
        if (roofs)
            QCOMPARE(int(FindText(ops, "2Km")->mode), expected);
        else
            QVERIFY(!FindText(ops, "2Km"));
        QCOMPARE(Texts(ops).size(), roofs ? 3 : 1);
    }
    void canvasToPixel() {
        const PixelPoint corner = CanvasToPixel(-380, 326);
        const PixelPoint origin = CanvasToPixel(0, 0);
        QCOMPARE(corner.x, 0.0);
        QCOMPARE(corner.y, 0.0);
        QCOMPARE(origin.x, 380.0);
        QCOMPARE(origin.y, 326.0);
    }
};

QTEST_APPLESS_MAIN(FlatMapTest)
#include "test_flatmap.moc"
