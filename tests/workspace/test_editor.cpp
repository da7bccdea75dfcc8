// SPDX-License-Identifier: GPL-3.0-or-later
// The working area and its editor on their own, as a window other than the
// main one builds them: no menus, no main window.
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "data/BuildingData.h"
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
};

QTEST_MAIN(EditorTest)
#include "test_editor.moc"
