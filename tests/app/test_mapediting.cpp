// SPDX-License-Identifier: GPL-3.0-or-later
// Double-click edits, roof removal, the plan map with its zoom and height
// dialog, and the north dial, with scripted answers.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QtTest>
#include <cmath>

#include "drawing/FlatMap.h"
#include "geometry/Compass.h"
#include "support/Window.h"

using namespace velmora;
using namespace velmora::testing;

namespace {

InputLineFrm& SlopeWindow(WindowFixture& f) {
    InputLineFrm& w = f.Create();
    f.ShowActive();
    f.SetGoodAltitudes();
    w.Work().PhotoPic->SetOuterGeometry(0, 0, 792, 682);
    w.Work().Picture().SetPictureCoordinates(678, 788);
    w.Editor().Views().SelectSlopeView();
    return w;
}

// The pointer position whose tool tip lies at (x, y): the add and delete
// tools point one unit left of the pointer, the select tool at it.
void DoubleClickAt(InputLineFrm& w, ToolId tool, double x, double y) {
    // The point tools' tip is one unit left of the pointer.
    const double dx = HotSpotPosition(tool, 0, 0).x() == -1 ? 1 : 0;
    emit w.Work().PhotoPic->MouseDown(PictureView::kLeftButton, x + dx, y);
    emit w.Work().PhotoPic->MouseUp(PictureView::kLeftButton, x + dx, y);
    emit w.Work().PhotoPic->DoubleClick();
}

QColor Colour(Rgb c) {
    return QColor(c.r, c.g, c.b);
}

int CountColour(const QImage& s, Rgb c) {
    int n = 0;
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x)
            n += s.pixel(x, y) == qRgb(c.r, c.g, c.b);
    return n;
}

} // namespace

class MapEditingTest : public QObject {
    Q_OBJECT
  private slots:
    void doubleClickEdits_data() {
        QTest::addColumn<ToolId>("tool");
        QTest::addColumn<bool>("preselect");
        QTest::addColumn<QPointF>("at");
        QTest::addColumn<int>("active");
        QTest::addColumn<bool>("menu");
        QTest::addColumn<int>("points");
        QTest::addColumn<int>("walls");
        QTest::addColumn<int>("changes");
        QTest::newRow("select inside")
            << ToolId::Select << false << QPointF(50, 40) << 0 << true << 5 << 1 << 0;
        QTest::newRow("select outside")
            << ToolId::Select << true << QPointF(300, 300) << -1 << false << 5 << 1 << 0;
        QTest::newRow("insert on an edge")
            << ToolId::AddPoint << true << QPointF(50, 2) << 0 << true << 6 << 1 << 1;
        QTest::newRow("delete a corner")
            << ToolId::DeletePoint << true << QPointF(0, 80) << 0 << true << 4 << 1 << 1;
        QTest::newRow("delete a wall end")
            << ToolId::DeletePoint << true << QPointF(105, -10) << 0 << true << 5 << 0 << 1;
        QTest::newRow("delete misses")
            << ToolId::DeletePoint << true << QPointF(300, 300) << -1 << false << 5 << 1 << 0;
    }
    void doubleClickEdits() {
        QFETCH(ToolId, tool);
        QFETCH(bool, preselect);
        QFETCH(QPointF, at);
        QFETCH(int, active);
        QFETCH(bool, menu);
        QFETCH(int, points);
        QFETCH(int, walls);
        QFETCH(int, changes);
        WindowFixture f;
        InputLineFrm& w = SlopeWindow(f);
        AppendTopArea(*f.data, {{0, 0}, {100, 0}, {100, 80}, {0, 80}, {0, 0}});
        AppendWallEdge(*f.data, {100, 80}, {105, -10}, 0);
        if (preselect) {
            DoubleClickAt(w, ToolId::Select, 50, 40);
            QCOMPARE(w.Session().ActiveRoof(), Count(0));
        }
        w.Editor().Tools().InputModeMenu_Click(tool);
        DoubleClickAt(w, tool, at.x(), at.y());
        QCOMPARE(int(w.Session().ActiveRoof()), active);
        QCOMPARE(w.Menus().Edit.Remove1TopAreaMenu->isEnabled(), menu);
        QCOMPARE(int(f.data->gTopAreaPointTotalNumber), points);
        QCOMPARE(int(f.data->gWallEdgeNumber), walls);
        QCOMPARE(int(w.Session().ChangeCount()), changes);
    }

    void removingTheMiddleRoofMovesTheLaterOnes() {
        WindowFixture f;
        InputLineFrm& w = SlopeWindow(f);
        for (int r = 0; r < 3; ++r) {
            const float x = -300 + 200 * r;
            AppendTopArea(*f.data, {{x, 0}, {x + 100, 0}, {x + 100, 80}, {x, 80}, {x, 0}});
            AppendWallEdge(*f.data, {x, 80}, {x, -20}, Count(r));
        }
        DoubleClickAt(w, ToolId::Select, -50, 40);
        QCOMPARE(w.Session().ActiveRoof(), Count(1));
        w.Editor().Remove1TopAreaMenu_Click();
        QCOMPARE(CountsOf(*f.data), (Counts{10, 2, 2}));
        QCOMPARE(w.Session().ActiveRoof(), Count(-1));
        QVERIFY(!w.Menus().Edit.Remove1TopAreaMenu->isEnabled());
        QCOMPARE(w.Session().ChangeCount(), Count(1));
        QCOMPARE(f.data->gWallEdgefotEachTopArea[1], Count(1));
        QCOMPARE(f.data->gTopAreaX[5], 100.0f);
        // Nothing selected: nothing removed, nothing counted.
        w.Editor().Remove1TopAreaMenu_Click();
        QCOMPARE(CountsOf(*f.data), (Counts{10, 2, 2}));
        QCOMPARE(w.Session().ChangeCount(), Count(1));
    }

    void moveToolDragsAWallEnd() {
        WindowFixture f;
        InputLineFrm& w = SlopeWindow(f);
        AppendTopArea(*f.data, {{0, 0}, {100, 0}, {100, 80}, {0, 80}, {0, 0}});
        AppendWallEdge(*f.data, {100, 80}, {105, -10}, 0);
        DoubleClickAt(w, ToolId::Select, 50, 40);
        w.Editor().Tools().InputModeMenu_Click(ToolId::Move);
        w.Work().HeightTxt->clear();
        // The move tool points 13 units left of and below the pointer.
        emit w.Work().PhotoPic->MouseDown(PictureView::kLeftButton, 105 + 13, -10 - 13);
        QCOMPARE(w.Editor().Tools().Move().Grab().pGrabbed, Count(1));
        emit w.Work().PhotoPic->MouseMove(PictureView::kLeftButton, 110 + 13, -40 - 13);
        emit w.Work().PhotoPic->MouseUp(PictureView::kLeftButton, 110 + 13, -40 - 13);
        QCOMPARE(w.Editor().Tools().Move().Grab().pGrabbed, Count(-1));
        QCOMPARE(f.data->gSecondWallEdgeX[0], 110.0f);
        QCOMPARE(f.data->gSecondWallEdgeY[0], -40.0f);
        QVERIFY(!w.Work().HeightTxt->text().isEmpty());
        QCOMPARE(w.Session().ChangeCount(), Count(2));
    }

    void planMapDrawsRoofsAndZooms_data() {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("level");
        QTest::newRow("in") << 20 << int(PictureView::kLeftButton) << 21;
        QTest::newRow("out") << 20 << int(PictureView::kRightButton) << 19;
        QTest::newRow("in at the top") << 40 << int(PictureView::kLeftButton) << 40;
        QTest::newRow("out at the bottom") << 0 << int(PictureView::kRightButton) << 0;
    }
    void planMapDrawsRoofsAndZooms() {
        QFETCH(int, start);
        QFETCH(int, button);
        QFETCH(int, level);
        WindowFixture f;
        InputLineFrm& w = SlopeWindow(f);
        w.LoadSampleData(2);
        w.Work().Picture().SetPictureCoordinates(678, 788);
        w.Editor().Views().SelectFlatView();
        QCOMPARE(w.Session().View(), ViewMode::Plan);
        const QImage& s = w.Work().PhotoPic->Surface();
        QVERIFY(CountColour(s, kCaptionColour) > 30);
        QVERIFY(CountColour(s, kRoofColour) > 0);
        // Midway along roof 0's first edge lies roof colour.
        const int j = f.data->gEachTopAreaStartNum[0];
        const double mx = (f.data->gFlatTopAreaX[j] + f.data->gFlatTopAreaX[j + 1]) / 2;
        const double my = (f.data->gFlatTopAreaY[j] + f.data->gFlatTopAreaY[j + 1]) / 2;
        QCOMPARE(QColor(PixelAt(*w.Work().PhotoPic, mx * w.Session().FlatMapRate(),
                                my * w.Session().FlatMapRate())),
                 Colour(kRoofColour));

        w.Editor().Tools().InputModeRbn_Click(ToolId::Zoom, true);
        QCOMPARE(w.Session().CurrentTool(), ToolId::Zoom);
        w.Session().SetMapLevel(Count(start));
        emit w.Work().PhotoPic->MouseDown(button, 0, 0);
        QCOMPARE(int(w.Session().MapLevel()), level);
        QCOMPARE(w.Session().FlatMapRate(), w.Session().MapTables().gMapRate[std::size_t(level)]);
    }

    // On the plan map the handles sit at plan positions times a rate that
    // binary floats do not hold exactly; drawing them again from the
    // remembered box (as every drag step does) must remove them entirely.
    void planMapHandlesEraseWithoutTrace_data() {
        QTest::addColumn<float>("wide"); // east-west extent in metres
        QTest::addColumn<int>("level");
        QTest::newRow("0.4 px/m") << 700.f << 21;
        QTest::newRow("1.2 px/m") << 400.f << 27;
    }
    void planMapHandlesEraseWithoutTrace() {
        QFETCH(float, wide);
        QFETCH(int, level);
        WindowFixture f;
        InputLineFrm& w = SlopeWindow(f);
        QCOMPARE(AppendTopArea(*f.data, {{0, 0}, {100, 0}, {100, 80}, {0, 80}, {0, 0}}),
                 AppendResult::Ok);
        w.Editor().Views().SelectFlatView();
        const float plan[5][2] = {{0, 20}, {wide, 20}, {wide, 60}, {0, 60}, {0, 20}};
        for (int j = 0; j < 5; ++j) {
            f.data->gFlatTopAreaX[std::size_t(j)] = plan[j][0];
            f.data->gFlatTopAreaY[std::size_t(j)] = plan[j][1];
        }
        w.Session().SetActiveRoof(0);
        w.Editor().Views().ShowFlatLineMap({.building = 0});
        QCOMPARE(int(w.Session().MapLevel()), level);
        // White handles XOR the white canvas: black, and nothing else is.
        const Rgb black{0, 0, 0};
        QVERIFY(CountColour(w.Work().PhotoPic->Surface(), black) > 0);
        w.Editor().Views().EraseSelectMarks();
        QCOMPARE(CountColour(w.Work().PhotoPic->Surface(), black), 0);
    }

    void heightDialog_data() {
        QTest::addColumn<double>("answer"); // NaN: cancelled
        QTest::addColumn<double>("height");
        QTest::addColumn<int>("changes");
        QTest::newRow("one decimal kept") << 12.34 << 12.3 << 1;
        QTest::newRow("zero") << 0.0 << 0.0 << 1;
        QTest::newRow("too high") << 1000.5 << -1.0 << 0;
        QTest::newRow("negative") << -1.0 << -1.0 << 0;
        QTest::newRow("cancelled") << qQNaN() << -1.0 << 0;
    }
    void heightDialog() {
        QFETCH(double, answer);
        QFETCH(double, height);
        QFETCH(int, changes);
        WindowFixture f;
        InputLineFrm& w = SlopeWindow(f);
        w.LoadSampleData(2);
        w.Session().SetChangeCount(0);
        w.Editor().Views().SelectFlatView();
        const auto label = LabelPosition(*f.data, 0, w.Session().FlatMapRate());
        QVERIFY(label.has_value());
        emit w.Work().PhotoPic->MouseDown(PictureView::kLeftButton, label->x, label->y);
        emit w.Work().PhotoPic->DoubleClick();
        QCOMPARE(w.Session().ActiveRoof(), Count(0));
        QVERIFY(w.Menus().Edit.ChangeBillHeightMenu->isEnabled());
        const float before = f.data->gFlatTopHeight[0];
        QString asked;
        w.Editor().AskBuildingHeight = [&](QWidget*, const QString& text,
                                           double current) -> std::optional<double> {
            asked = text;
            if (current != double(before))
                return std::nullopt;
            return std::isnan(answer) ? std::nullopt : std::optional<double>(answer);
        };
        w.Editor().ChangeBillHeightMenu_Click();
        QVERIFY(asked.contains(QStringLiteral("側壁ライン")));
        QCOMPARE(f.data->gFlatTopHeight[0], height < 0 ? before : float(height));
        QCOMPARE(int(w.Session().ChangeCount()), changes);
    }

    void typedBearing_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("north");
        QTest::addColumn<double>("bearing"); // where the point goes
        QTest::newRow("45") << "45"
                            << ""
                            << "45" << 45.0 << 45.0;
        QTest::newRow("270") << "270"
                             << ""
                             << "270" << 270.0 << 270.0;
        QTest::newRow("below") << "-5"
                               << "設定範囲を下まわっています。"
                               << "0" << 0.0 << 0.0;
        QTest::newRow("above") << "400"
                               << "設定範囲を超えています。"
                               << "360" << 0.0 << 0.0;
    }
    void typedBearing() {
        QFETCH(QString, typed);
        QFETCH(QString, message);
        QFETCH(QString, text);
        QFETCH(double, north);
        QFETCH(double, bearing);
        WindowFixture f;
        InputLineFrm& w = SlopeWindow(f);
        f.prompts.Clear();
        w.Work().AzimusTxt->setText(typed);
        w.Work().Dial().AzimusTxt_Enter();
        QCOMPARE(f.prompts.Texts(), message.isEmpty() ? QStringList{} : QStringList{message});
        QCOMPARE(w.Work().AzimusTxt->text(), text);
        QCOMPARE(double(f.data->gNorthAngle), north);
        // Centre on the circle of radius 90 in the bearing's direction.
        const double a = (90 - bearing) * M_PI / 180;
        QVERIFY(std::abs(w.Work().Dial().PointImgLeft + 10 - 90 * std::cos(a)) < 1e-3);
        QVERIFY(std::abs(w.Work().Dial().PointImgTop - 10 - 90 * std::sin(a)) < 1e-3);
    }

    // Real mouse events on the point: moves with the left button held carry
    // it (2 % of the pointer's offset per move), other moves leave it, and
    // the release snaps it onto the circle with the bearing of where it was.
    void draggedPointFollowsThePointer_data() {
        QTest::addColumn<int>("px"); // pointer offset from the point, pixels
        QTest::addColumn<int>("py");
        QTest::addColumn<int>("steps");
        QTest::addColumn<int>("buttons");
        QTest::addColumn<double>("lo"); // bearing range after the drop
        QTest::addColumn<double>("hi");
        QTest::newRow("east") << 40 << 40 << 60 << int(Qt::LeftButton) << 45.0 << 135.0;
        QTest::newRow("south-west") << -40 << 60 << 80 << int(Qt::LeftButton) << 180.0 << 270.0;
        QTest::newRow("north-west") << -40 << 0 << 60 << int(Qt::LeftButton) << 270.0 << 360.0;
        QTest::newRow("no button") << 40 << 40 << 60 << int(Qt::NoButton) << 0.0 << 0.0;
        QTest::newRow("right button") << 40 << 40 << 60 << int(Qt::RightButton) << 0.0 << 0.0;
    }
    void draggedPointFollowsThePointer() {
        QFETCH(int, px);
        QFETCH(int, py);
        QFETCH(int, steps);
        QFETCH(int, buttons);
        QFETCH(double, lo);
        QFETCH(double, hi);
        WindowFixture f;
        InputLineFrm& w = SlopeWindow(f);
        w.LoadSampleData(2);
        w.Editor().Views().SelectFlatView();
        w.Work().Dial().MovePointImg(-10, 100); // north
        const QImage northUp = w.Work().PhotoPic->Surface();
        const int changes = w.Session().ChangeCount();
        const auto held = Qt::MouseButtons(buttons);
        for (int i = 0; i < steps; ++i) {
            const QPointF at(px, py);
            QMouseEvent move(QEvent::MouseMove, at, w.Work().PointImg->mapToGlobal(at),
                             Qt::NoButton, held, Qt::NoModifier);
            QApplication::sendEvent(w.Work().PointImg, &move);
        }
        const bool drags = held & Qt::LeftButton;
        const double cx = w.Work().Dial().PointImgLeft + kCompassPointHalf;
        const double cy = w.Work().Dial().PointImgTop - kCompassPointHalf;
        if (!drags) {
            QCOMPARE(cx, 0.0);
            QCOMPARE(cy, kCompassRadius);
        } else {
            // The point went the pointer's way: right for px > 0, down for py > 0.
            QCOMPARE(cx > 0, px > 0);
            QCOMPARE(cy<kCompassRadius, py> 0);
        }
        // The label sits where the point is.
        const QPointF pixel =
            w.Work().AzimusPic->ToPixel(w.Work().Dial().PointImgLeft, w.Work().Dial().PointImgTop);
        QVERIFY(std::abs(w.Work().PointImg->x() - PictureView::kBorder - pixel.x()) <= 0.5);
        QVERIFY(std::abs(w.Work().PointImg->y() - PictureView::kBorder - pixel.y()) <= 0.5);
        QCOMPARE(int(w.Session().ChangeCount()), changes); // moving alone changes nothing
        QCOMPARE(CountDifferences(w.Work().PhotoPic->Surface(), northUp), 0);

        const Qt::MouseButton released = drags ? Qt::LeftButton : Qt::RightButton;
        QMouseEvent up(QEvent::MouseButtonRelease, QPointF(0, 0),
                       w.Work().PointImg->mapToGlobal(QPointF()), released, Qt::NoButton,
                       Qt::NoModifier);
        QApplication::sendEvent(w.Work().PointImg, &up);
        if (!drags) {
            QCOMPARE(int(w.Session().ChangeCount()), changes);
            QCOMPARE(double(f.data->gNorthAngle), 0.0);
            return;
        }
        double bearing = 90 - std::atan2(cy, cx) * 180 / M_PI;
        if (bearing < 0)
            bearing += 360;
        QVERIFY2(bearing > lo && bearing < hi, qPrintable(QString::number(bearing)));
        QVERIFY(std::abs(f.data->gNorthAngle - bearing) < 1e-3);
        QCOMPARE(w.Work().AzimusTxt->text(), QString::number(std::lround(bearing)));
        const double ncx = w.Work().Dial().PointImgLeft + kCompassPointHalf;
        const double ncy = w.Work().Dial().PointImgTop - kCompassPointHalf;
        QVERIFY(std::abs(std::hypot(ncx, ncy) - kCompassRadius) < 1e-3);
        QVERIFY(std::abs(std::atan2(ncy, ncx) - std::atan2(cy, cx)) < 1e-6);
        QCOMPARE(int(w.Session().ChangeCount()), changes + 1);
        QVERIFY(CountDifferences(w.Work().PhotoPic->Surface(), northUp) > 0); // the map turned
    }

    void droppedPointSnapsAndTurnsTheMap() {
        WindowFixture f;
        InputLineFrm& w = SlopeWindow(f);
        w.LoadSampleData(2);
        w.Editor().Views().SelectFlatView();
        w.Work().Dial().MovePointImg(50, -50); // centre (60, -60)
        w.Work().Dial().PointImg_MouseUp(PictureView::kLeftButton, 0, 0);
        QCOMPARE(w.Work().AzimusTxt->text(), QStringLiteral("135"));
        QVERIFY(std::abs(f.data->gNorthAngle - 135) < 1e-3);
        QVERIFY(std::abs(w.Work().Dial().PointImgLeft + 10 - 63.64) < 0.01);
        QVERIFY(std::abs(w.Work().Dial().PointImgTop - 10 + 63.64) < 0.01);
        QVERIFY(CountColour(w.Work().PhotoPic->Surface(), kNorthUpRoofColour) > 0);
        QVERIFY(CountColour(w.Work().PhotoPic->Surface(), kRoofColour) == 0);
    }
};

QTEST_MAIN(MapEditingTest)
#include "test_mapediting.moc"
