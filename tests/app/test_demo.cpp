// SPDX-License-Identifier: GPL-3.0-or-later
// The guided demos: the step clock driven tick by tick, the two scenes, the
// window's commands, and the main window's work left exactly as it was.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "demo/DemoSteps.h"
#include "demo/InputDemoLineFrm.h"
#include "support/Window.h"

using namespace velmora;
using namespace velmora::testing;

namespace {

// A demo window on its own flags, introduction shown, clock not running.
struct Demo {
    BuildingData shared;
    ScriptedPrompts prompts;
    std::unique_ptr<InputDemoLineFrm> w;
    explicit Demo(int demo) {
        shared.gDemoRunning = kTrue;
        shared.gDemoNumber = Count(demo);
        w = std::make_unique<InputDemoLineFrm>(shared, prompts, QPixmap());
        w->show();
        w->Form_Activate();
    }
    const InputDemoLineFrm::DemoPanels& P() const { return w->Panels(); }
    void Next() {
        P().NextCmd->click();
        P().ResidentTmr->stop();
        P().Resident2Tmr->stop();
    }
    void Tick(int n = 1) {
        for (int i = 0; i < n; ++i)
            shared.gDemoNumber == 1 ? w->ResidentTmr_Timer() : w->Resident2Tmr_Timer();
    }
    // Ticks until `step` has begun and run `ticks` more ticks.
    void To(int step, int ticks = 0) {
        while (w->State().pStepIndex < step || w->State().pStepTick < 1)
            Tick();
        Tick(ticks);
    }
    QColor At(double x, double y) const { return QColor(PixelAt(*w->Work().PhotoPic, x, y)); }
};

const QColor kRoof(255, 0, 200);
const QColor kWall(0, 150, 255);

QString Str(std::string_view s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

// Texts of the labels a plan-map drawing prints, in order.
QStringList Labels(const DrawList& ops) {
    QStringList out;
    for (const DrawOp& op : ops)
        if (op.kind == DrawOp::Kind::Text)
            out << QString::fromStdString(op.text);
    return out;
}

} // namespace

class DemoTest : public QObject {
    Q_OBJECT
  private slots:
    void stepClock_data() {
        QTest::addColumn<int>("demo");
        QTest::addColumn<int>("ticks");
        QTest::addColumn<QString>("message"); // "-" hidden
        QTest::addColumn<QString>("countdown");
        QTest::addColumn<QString>("note"); // "-" hidden
        const auto& d1 = DemoStepsFor(1);
        const auto& d2 = DemoStepsFor(2);
        QTest::newRow("first tick") << 1 << 1 << Str(d1[0].message) << "2"
                                    << "-";
        QTest::newRow("step 1, fourth tick") << 1 << 8 << Str(d1[1].message) << "2"
                                             << "-";
        QTest::newRow("step 1, fifth tick")
            << 2 << 9 << Str(d2[1].message) << "1" << Str(d2[1].note);
        QTest::newRow("demo 2 step 3 begins") << 2 << 50 << "-"
                                              << "10"
                                              << "-";
        QTest::newRow("demo 2 step 3 note") << 2 << 54 << "-"
                                            << "6" << Str(d2[3].note);
        QTest::newRow("demo 2 step 4") << 2 << 62 << Str(d2[4].message) << "10"
                                       << "-";
    }
    void stepClock() {
        QFETCH(int, demo);
        QFETCH(int, ticks);
        QFETCH(QString, message);
        QFETCH(QString, countdown);
        QFETCH(QString, note);
        Demo d(demo);
        d.Next();
        QCOMPARE(d.P().ResidentTmr->interval() + d.P().Resident2Tmr->interval(), 990);
        d.Tick(ticks);
        QCOMPARE(d.P().MessagePnl->isVisible() ? d.P().MessagePnl->text() : "-", message);
        QCOMPARE(d.P().ResidentTimePnl->text(), countdown);
        QCOMPARE(d.P().FocusPnl->isVisible() ? d.P().FocusPnl->text() : "-", note);
        if (ticks == 1) {
            QVERIFY(d.P().TopMenuPnl->isVisible());
            QCOMPARE(d.P().TopMenuPnl->pos(), QPoint(0, 0));
            QCOMPARE(d.P().TopMenuPnl->size(), QSize(150, 139));
        }
    }

    void closesItselfAfterItsLastStep_data() {
        QTest::addColumn<int>("demo");
        QTest::addColumn<int>("ticks");
        QTest::newRow("demo 1") << 1 << 93;
        QTest::newRow("demo 2") << 2 << 87;
    }
    void closesItselfAfterItsLastStep() {
        QFETCH(int, demo);
        QFETCH(int, ticks);
        Demo d(demo);
        d.Next();
        d.Tick(ticks - 1);
        QVERIFY(d.w->isVisible());
        QCOMPARE(d.w->State().pDemoCompleted, kTrue);
        d.Tick();
        QVERIFY(!d.w->isVisible());
        QCOMPARE(d.shared.gDemoRunning, kFalse);
    }

    void closeInEveryStep_data() {
        QTest::addColumn<int>("step");
        for (int s = 0; s < kDemoStepCount; ++s)
            QTest::addRow("step %d", s) << s;
    }
    void closeInEveryStep() {
        QFETCH(int, step);
        Demo d(1);
        d.Next();
        d.To(step);
        d.w->Work().CloseCmd->click();
        QVERIFY(!d.w->isVisible());
        QCOMPARE(d.shared.gDemoRunning, kFalse);
    }

    void resetDuringTheRoofsLeavesTheRestOnABlankView() {
        Demo d(1);
        d.Next();
        d.To(2, 10);
        d.w->Work().ResetDataCmd->click();
        QVERIFY(!d.w->Work().PhotoPic->HasPicture());
        const QImage blank = d.w->Work().PhotoPic->Surface().copy();
        d.Tick(27);
        // The pen has drawn the last outline (roof 5) on the blank view.
        const BuildingData& s = d.w->Scene();
        QCOMPARE(
            d.At((s.gTopAreaX[30] + s.gTopAreaX[31]) / 2, (s.gTopAreaY[30] + s.gTopAreaY[31]) / 2),
            kRoof);
        QVERIFY(CountDifferences(blank, d.w->Work().PhotoPic->Surface()) > 0);
    }

    void roofPenClosesWithinFiveUnits_data() {
        QTest::addColumn<double>("distance");
        QTest::addColumn<int>("open");
        QTest::newRow("4.9 closes") << 4.9 << 0;
        QTest::newRow("5 does not") << 5.0 << 1;
    }
    void roofPenClosesWithinFiveUnits() {
        QFETCH(double, distance);
        QFETCH(int, open);
        Demo d(1);
        BuildingData& s = d.w->Scene();
        const float xs[] = {10, 110, 110, float(10 + distance)};
        const float ys[] = {10, 10, 60, 10};
        for (int i = 0; i < 4; ++i) {
            s.gTopAreaX[i] = xs[i];
            s.gTopAreaY[i] = ys[i];
            d.w->StepDemoRoofPen(i);
        }
        QCOMPARE(int(d.w->Pens().pRoofOpen), open);
        QCOMPARE(d.At(110, 35), kRoof);
    }

    void wallsOnePerTwoTicks() {
        Demo d(1);
        d.Next();
        d.To(3);
        const BuildingData& s = d.w->Scene();
        for (int w = 0; w < 10; ++w) {
            const double mx = (s.gFirstWallEdgeX[w] + s.gSecondWallEdgeX[w]) / 2;
            const double my = (s.gFirstWallEdgeY[w] + s.gSecondWallEdgeY[w]) / 2;
            QVERIFY2(d.At(mx, my) != kWall, qPrintable(QString::number(w)));
            QCOMPARE(int(d.w->Pens().pWallHalf), 1); // the pen rests on the upper end
            d.Tick();
            QCOMPARE(d.At(mx, my), kWall);
            QCOMPARE(int(d.w->Pens().pWallIndex), w + 1);
            d.Tick();
        }
    }

    void demo2RevealsEachRoofFourTicksAfterItsPointer() {
        Demo d(2);
        d.Next();
        d.To(2);
        const BuildingData& s = d.w->Scene();
        const DemoScene& scene = DemoSceneFor(2);
        for (int r = 0; r < 7; ++r) {
            const int j = s.gEachTopAreaStartNum[r];
            const double ex = (s.gTopAreaX[j] + s.gTopAreaX[j + 1]) / 2;
            const double ey = (s.gTopAreaY[j] + s.gTopAreaY[j + 1]) / 2;
            const SceneWall& wall = scene.walls[std::size_t(r)];
            const double wx = (wall.upper.x + wall.lower.x) / 2,
                         wy = (wall.upper.y + wall.lower.y) / 2;
            // Phase 0 ran in the last tick: the pointer is up.
            QVERIFY(d.P().BillTopPen->isVisible());
            d.Tick(2);
            QVERIFY(d.P().BusyPnl->isVisible());
            QVERIFY(!d.P().BillTopPen->isVisible());
            QVERIFY(d.At(ex, ey) != kRoof);
            QVERIFY(d.At(wx, wy) != kWall);
            d.Tick(2);
            QCOMPARE(d.At(ex, ey), kRoof);
            QCOMPARE(d.At(wx, wy), kWall);
            QVERIFY(!d.P().BusyPnl->isVisible());
            d.Tick();
        }
    }

    void stepFourShowsEveryLineOnABlankView_data() {
        QTest::addColumn<int>("demo");
        QTest::newRow("1") << 1;
        QTest::newRow("2") << 2;
    }
    void stepFourShowsEveryLineOnABlankView() {
        QFETCH(int, demo);
        Demo d(demo);
        d.Next();
        d.To(4);
        QVERIFY(!d.w->Work().PhotoPic->HasPicture());
        const BuildingData& s = d.w->Scene();
        for (int r = 0; r < s.gEachTopAreaNumber; ++r) {
            const int j = s.gEachTopAreaStartNum[r];
            QCOMPARE(d.At((s.gTopAreaX[j] + s.gTopAreaX[j + 1]) / 2,
                          (s.gTopAreaY[j] + s.gTopAreaY[j + 1]) / 2),
                     kRoof);
        }
    }

    void planMapLabels_data() {
        QTest::addColumn<int>("demo");
        QTest::addColumn<QStringList>("labels");
        QTest::newRow("1") << 1 << QStringList{"26m", "27m", "23m", "27m", "27m", "27m"};
        QTest::newRow("2") << 2 << QStringList{"15m", "16m", "17m", "17m", "18m", "17m", "18m"};
    }
    void planMapLabels() {
        QFETCH(int, demo);
        QFETCH(QStringList, labels);
        Demo d(demo);
        d.Next();
        d.To(5);
        const DrawList ops = d.w->DemoFlatMapOps();
        QStringList want = QStringList{"平面図表示"} + labels + QStringList{"50m", "N"};
        QCOMPARE(Labels(ops), want);
        QCOMPARE(ops[1].y1, 320.0);
        // The 50 m bar: 200 pixels at 4 pixels a metre.
        const auto bar = std::find_if(ops.begin(), ops.end(), [](const DrawOp& op) {
            return op.kind == DrawOp::Kind::Line && op.y1 == -310 && op.y2 == -310;
        });
        QVERIFY(bar != ops.end());
        QCOMPARE(bar->x2 - bar->x1, 200.0);
    }

    void viewSelectorAndInertCommands() {
        Demo d(1);
        d.Next();
        d.To(2, 3);
        WorkingArea& a = d.w->Work();
        a.ClearPhotoCmd->click();
        QTest::mouseClick(a.InputModeRbn->Button(Index(ToolId::Roof)), Qt::LeftButton);
        QCOMPARE(a.ClearPhotoCmd->text(), QString("画像消去"));
        QVERIFY(a.PhotoPic->HasPicture());
        QTest::mouseClick(a.SlopeOrFlatRbn->Button(1), Qt::LeftButton);
        QVERIFY(!a.PhotoPic->HasPicture());
        QVERIFY(a.InputModeRbn->Button(Index(ToolId::Zoom))->isEnabled());
        QVERIFY(!a.InputModeRbn->Button(Index(ToolId::Roof))->isEnabled());
        QTest::mouseClick(a.SlopeOrFlatRbn->Button(0), Qt::LeftButton);
        QVERIFY(!a.InputModeRbn->Button(Index(ToolId::Zoom))->isEnabled());
        QVERIFY(a.InputModeRbn->Button(Index(ToolId::Roof))->isEnabled());
        // The clock goes on: the pen keeps walking.
        const int at = d.w->Pens().pPenPointIndex;
        d.Tick();
        QCOMPARE(int(d.w->Pens().pPenPointIndex), at + 1);
    }

    void bearingBoxEmptyWithThePointAtNorth_data() {
        QTest::addColumn<int>("demo");
        QTest::newRow("1") << 1;
        QTest::newRow("2") << 2;
    }
    void bearingBoxEmptyWithThePointAtNorth() {
        QFETCH(int, demo);
        Demo d(demo);
        d.Next();
        d.To(2);
        QCOMPARE(d.w->Work().AzimusTxt->text(), QString());
        QCOMPARE(d.w->Work().Dial().PointImgLeft, -10.0f);
        QCOMPARE(d.w->Work().Dial().PointImgTop, 100.0f);
        // The dial only shows: a drag moves nothing.
        QTest::mouseMove(d.w->Work().PointImg, QPoint(30, 30));
        QTest::mouseRelease(d.w->Work().PointImg, Qt::LeftButton, {}, QPoint(30, 30));
        QCOMPARE(d.w->Work().Dial().PointImgLeft, -10.0f);
        QVERIFY(d.w->Work().VerHeightTxt->isReadOnly());
    }

    // Through the main window: one demo at a time, the entries working again
    // after any close, and the main window's work exactly as before.
    void mainWindowKeepsItsWork() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        f.ShowActive();
        w.LoadSampleData(2);
        w.Work().AzimusTxt->setText(QStringLiteral("30"));
        w.Work().Dial().AzimusTxt_Enter();
        w.Session().SetActiveRoof(2);
        const QString before = f.Path(QStringLiteral("before.dat"));
        const QString after = f.Path(QStringLiteral("after.dat"));
        const ViewGeometry view = w.Work().Picture().PictureGeometry();
        QVERIFY(WriteProjectFile(*f.data, view, before.toStdString()).ok);
        const auto boxes = [&w] {
            return QStringList{w.Work().VerHeightTxt->text(),
                               w.Work().VerHeightmTxt->text(),
                               w.Work().IncliHeightTxt->text(),
                               w.Work().IncliHeightmTxt->text(),
                               w.Work().AzimusTxt->text(),
                               QString::number(w.Work().Dial().PointImgLeft),
                               QString::number(w.Session().ChangeCount()),
                               QString::number(w.Session().ActiveRoof()),
                               QString::number(int(w.Session().View()))};
        };
        const QStringList boxesBefore = boxes();

        for (QAction* entry : {w.Menus().StartDemo1Menu, w.Menus().StartDemo2Menu}) {
            entry->trigger();
            QPointer<InputDemoLineFrm> demo = w.DemoWindow();
            QVERIFY(demo);
            QCOMPARE(demo->parentWidget(), &w);
            w.Menus().StartDemo1Menu->trigger(); // does nothing while one is open
            QCOMPARE(w.DemoWindow(), demo.data());
            demo->Form_Activate();
            demo->Panels().NextCmd->click();
            for (int i = 0; i < 93 && demo && demo->isVisible(); ++i)
                demo->Panels().ResidentTmr->isActive() ? demo->ResidentTmr_Timer()
                                                       : demo->Resident2Tmr_Timer();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QVERIFY(!demo);
            QCOMPARE(f.data->gDemoRunning, kFalse);
        }
        // Cancelled on its introduction panel: the entries work again.
        w.Menus().StartDemo2Menu->trigger();
        w.DemoWindow()->Panels().CancelCmd->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!w.DemoWindow());
        w.Menus().StartDemo1Menu->trigger();
        QVERIFY(w.DemoWindow());
        w.DemoWindow()->close();

        QVERIFY(WriteProjectFile(*f.data, w.Work().Picture().PictureGeometry(), after.toStdString())
                    .ok);
        QFile a(before), b(after);
        QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        QCOMPARE(b.readAll(), a.readAll());
        QCOMPARE(boxes(), boxesBefore);
    }
};

QTEST_MAIN(DemoTest)
#include "test_demo.moc"
