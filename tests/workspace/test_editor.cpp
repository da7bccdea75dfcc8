// SPDX-License-Identifier: GPL-3.0-or-later
// The working area and its editor on their own, as a window other than the
// main one builds them: no menus, no main window. The view switch and the
// tools also stand without the editor.
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include "data/BuildingData.h"
#include "support/Images.h"
#include "workspace/EditSession.h"
#include "workspace/PhotoEditor.h"
#include "workspace/PicturePane.h"
#include "workspace/PictureView.h"
#include "workspace/Prompts.h"
#include "workspace/RibbonGroup.h"
#include "workspace/ToolController.h"
#include "workspace/Tools.h"
#include "workspace/ViewController.h"
#include "workspace/WorkingArea.h"

using namespace velmora;
using velmora::testing::CountDifferences;

Q_DECLARE_METATYPE(velmora::ToolId)

namespace {

struct Area {
    BuildingData data;
    ScriptedPrompts prompts;
    WorkingArea work{prompts};
    PhotoEditor editor{work, data, prompts};
    Area() {
        work.PhotoPic->SetOuterGeometry(0, 0, 788 + 2 * PictureView::kBorder,
                                        678 + 2 * PictureView::kBorder);
        work.Picture().SetPictureCoordinates(678, 788);
        work.IncliHeightTxt->setText(QStringLiteral("334"));
        work.VerHeightTxt->setText(QStringLiteral("1961"));
        editor.Views().SelectSlopeView();
    }
    // A press at a drawing position of the current tool.
    void Press(double x, double y) {
        const QPointF tip = editor.Tools().HotSpotPosition(0, 0);
        emit work.PhotoPic->MouseDown(PictureView::kLeftButton, x - tip.x(), y - tip.y());
        emit work.PhotoPic->MouseUp(PictureView::kLeftButton, x - tip.x(), y - tip.y());
    }
};

// An environment that only notes what the tools ask of it.
class NotingEnvironment : public ToolEnvironment {
  public:
    NotingEnvironment(EditSession& s, PictureView& v) : session_(s), view_(v) {}
    QStringList asked;
    EditSession& Session() override { return session_; }
    DrawingSurface& Surface() override { return view_; }
    const QImage& UntouchedPicture() override { return view_.Picture(); }
    void Message(const QString& text) override { asked << "message " + text; }
    void ShowRefusal(EditRefusal r) override { asked << QString("refusal %1").arg(int(r)); }
    void SetToolCursor(const char* file) override {
        asked << QString("cursor ") + (file ? file : "-");
    }
    void ShowSlopeLineMap(InclinedRedraw r) override {
        asked << QString("slope %1 %2").arg(r.roof).arg(r.walls);
    }
    void ShowFlatLineMap(PlanRedraw r) override { asked << QString("plan %1").arg(r.building); }
    void ZoomFlatMap(bool in) override { asked << (in ? "zoom in" : "zoom out"); }
    void ShowWallHeight(float, float) override { asked << "wall height"; }
    void RefreshViewGeometry() override { asked << "geometry"; }
    void ClearHeight() override { asked << "clear height"; }
    void SetRemoveRoofMenu(MenuState m) override { asked << QString("remove menu %1").arg(int(m)); }
    void SetChangeHeightMenu(bool on) override { asked << QString("height menu %1").arg(on); }

  private:
    EditSession& session_;
    PictureView& view_;
};

} // namespace

class EditorTest : public QObject {
    Q_OBJECT
  private slots:
    void drawsARoofAndAWallAndShowsThePlanMap() {
        Area a;
        EditSession& s = a.editor.Session();
        QCOMPARE(s.View(), ViewMode::Inclined);
        QTest::mouseClick(a.work.InputModeRbn->Button(Index(ToolId::Roof)), Qt::LeftButton);
        QCOMPARE(s.CurrentTool(), ToolId::Roof);
        for (const QPointF c : {QPointF(-100, 50), QPointF(0, 50), QPointF(0, 120),
                                QPointF(-100, 120), QPointF(-99, 51)})
            a.Press(c.x(), c.y());
        QCOMPARE(int(a.data.gEachTopAreaNumber), 1);
        QCOMPARE(int(s.ChangeCount()), 1);

        // Select the roof, then a wall from its first corner to the ground.
        QTest::mouseClick(a.work.InputModeRbn->Button(Index(ToolId::Wall)), Qt::LeftButton);
        a.Press(-50, 80);
        emit a.work.PhotoPic->DoubleClick();
        QCOMPARE(int(s.ActiveRoof()), 0);
        a.Press(-100, 50);
        QCOMPARE(int(a.editor.Tools().Wall().Start().pWallStartSet), 1);
        a.Press(-100, -10);
        QCOMPARE(int(a.data.gWallEdgeNumber), 1);
        QVERIFY(!a.work.HeightTxt->text().isEmpty());

        a.editor.Views().SelectFlatView();
        QCOMPARE(s.View(), ViewMode::Plan);
        QVERIFY(a.data.gFlatTopHeight[0] > 0);
        QVERIFY(a.work.Picture().ShowsCanvas());
        a.editor.Views().SelectSlopeView();
        QVERIFY(!a.work.Picture().ShowsCanvas());
        QCOMPARE(a.work.PhotoPic->ScaleWidth(), 788.0);
        QVERIFY(a.prompts.Texts().isEmpty());
    }

    void northFromTheDialReachesTheRecord() {
        Area a;
        a.work.AzimusTxt->setText(QStringLiteral("45"));
        emit a.work.AzimusTxt->returnPressed();
        QCOMPARE(a.data.gNorthAngle, 45.0f);
        QCOMPARE(int(a.editor.Session().ChangeCount()), 1);
    }

    void clearPictureAndRestore() {
        Area a;
        QImage picture(788, 678, QImage::Format_RGB32);
        picture.fill(qRgb(10, 200, 30));
        a.work.Picture().ShowPicture(picture);
        a.work.ClearPhotoCmd->click();
        QVERIFY(!a.work.PhotoPic->HasPicture());
        QCOMPARE(a.work.ClearPhotoCmd->text(), QString("戻す"));
        a.work.ClearPhotoCmd->click();
        QVERIFY(a.work.PhotoPic->HasPicture());
        QCOMPARE(a.work.ClearPhotoCmd->text(), QString("画像消去"));
    }

    // The view switch as the demo window uses it: without the editor, with
    // or without the altitude check and the record's drawing.
    void viewSwitchStandsAlone_data() {
        QTest::addColumn<bool>("allowed");
        QTest::addColumn<bool>("drawsRecord");
        QTest::newRow("plan map entered and drawn") << true << true;
        QTest::newRow("plan map refused") << false << true;
        QTest::newRow("plan map left to the window") << true << false;
    }
    void viewSwitchStandsAlone() {
        QFETCH(bool, allowed);
        QFETCH(bool, drawsRecord);
        BuildingData data;
        ScriptedPrompts prompts;
        WorkingArea work{prompts};
        work.PhotoPic->SetOuterGeometry(0, 0, 300, 200);
        EditSession session(data);
        ViewController views(work, session);
        views.MayEnterPlan = [allowed] { return allowed; };
        views.DrawsRecord = drawsRecord;
        QImage picture(296, 196, QImage::Format_RGB32);
        picture.fill(qRgb(10, 200, 30));
        work.Picture().ShowPicture(picture);
        views.SelectSlopeView();
        QSignalSpy entered(&views, &ViewController::Entered);

        QTest::mouseClick(work.SlopeOrFlatRbn->Button(1), Qt::LeftButton);
        const bool plan = allowed;
        QCOMPARE(session.View(), plan ? ViewMode::Plan : ViewMode::Inclined);
        // A refusal releases the plan map's button again.
        QCOMPARE(work.SlopeOrFlatRbn->Down(), plan ? 1 : -1);
        QCOMPARE(entered.count(), plan ? 1 : 0);
        QCOMPARE(work.PhotoPic->HasPicture(), !plan);
        QCOMPARE(work.InputModeRbn->Button(Index(ToolId::Zoom))->isEnabled(), plan);
        QCOMPARE(work.InputModeRbn->Button(Index(ToolId::Roof))->isEnabled(), !plan);
        // The record's plan map goes on its canvas; a window drawing its own
        // scene gets an empty view.
        QCOMPARE(work.Picture().ShowsCanvas(), plan && drawsRecord);
        const QImage& base = work.PhotoPic->Base();
        QImage blank(base.size(), base.format());
        blank.fill(work.PhotoPic->BackColor());
        if (plan)
            QCOMPARE(CountDifferences(blank, base) > 0, drawsRecord);
    }

    // The tools ask their environment for redraws and zooms; they never
    // reach the view controller or the menus themselves.
    void toolsAskOnlyTheirEnvironment_data() {
        QTest::addColumn<ToolId>("tool");
        QTest::addColumn<bool>("plan");
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("asked");
        QTest::newRow("zoom in") << ToolId::Zoom << true << int(PictureView::kLeftButton)
                                 << "cursor Magnify.cur|zoom in";
        QTest::newRow("zoom out") << ToolId::Zoom << true << int(PictureView::kRightButton)
                                  << "cursor Magnify.cur|zoom out";
        QTest::newRow("select on the plan map")
            << ToolId::Select << true << int(PictureView::kLeftButton) << "cursor -|plan -1";
        QTest::newRow("select in the inclined view")
            << ToolId::Select << false << int(PictureView::kLeftButton) << "cursor -|slope -1 0";
    }
    void toolsAskOnlyTheirEnvironment() {
        QFETCH(ToolId, tool);
        QFETCH(bool, plan);
        QFETCH(int, button);
        QFETCH(QString, asked);
        BuildingData data;
        ScriptedPrompts prompts;
        WorkingArea work{prompts};
        work.PhotoPic->SetOuterGeometry(0, 0, 300, 200);
        EditSession session(data);
        session.SetView(plan ? ViewMode::Plan : ViewMode::Inclined);
        NotingEnvironment env(session, *work.PhotoPic);
        ToolController tools(work, env);
        // The zoom tool has no menu item.
        tools.ChooseTool(tool, tool == ToolId::Zoom ? ToolEntry::Button : ToolEntry::Menu);
        QCOMPARE(session.CurrentTool(), tool);
        emit work.PhotoPic->MouseDown(button, 10, 10);
        emit work.PhotoPic->MouseUp(button, 10, 10);
        QCOMPARE(env.asked.join('|'), asked);
    }
};

QTEST_MAIN(EditorTest)
#include "test_editor.moc"
