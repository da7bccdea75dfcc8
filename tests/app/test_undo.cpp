// SPDX-License-Identifier: GPL-3.0-or-later
// Undo and redo through the main window: every kind of edit taken back and
// done again, the menu items, and the question before unsaved edits are
// replaced.
#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QtTest>

#include "data/Scenes.h"
#include "drawing/FlatMap.h"
#include "support/Window.h"

using namespace velmora;
using namespace velmora::testing;

namespace {

// clang-format off
enum Kind { Roof, Trace, Wall, MovePoint, MoveWallEnd, MovePlanPoint, Insert, Delete, Remove,
            ClearAll, Height, NorthTyped, NorthDropped };
// clang-format on

// What an edit may change, compared field by field.
bool SameTables(const BuildingData& a, const BuildingData& b) {
    return a.gNorthAngle == b.gNorthAngle &&
           a.gTopAreaPointTotalNumber == b.gTopAreaPointTotalNumber && a.gTopAreaX == b.gTopAreaX &&
           a.gTopAreaY == b.gTopAreaY && a.gFlatTopAreaX == b.gFlatTopAreaX &&
           a.gFlatTopAreaY == b.gFlatTopAreaY && a.gEachTopAreaNumber == b.gEachTopAreaNumber &&
           a.gEachTopAreaStartNum == b.gEachTopAreaStartNum &&
           a.gEachTopAreaPointNum == b.gEachTopAreaPointNum &&
           a.gEachClosedTopAreaSTS == b.gEachClosedTopAreaSTS &&
           a.gFlatTopHeight == b.gFlatTopHeight && a.gWallEdgeNumber == b.gWallEdgeNumber &&
           a.gFirstWallEdgeX == b.gFirstWallEdgeX && a.gFirstWallEdgeY == b.gFirstWallEdgeY &&
           a.gSecondWallEdgeX == b.gSecondWallEdgeX && a.gSecondWallEdgeY == b.gSecondWallEdgeY &&
           a.gWallEdgefotEachTopArea == b.gWallEdgefotEachTopArea;
}

// The mouse goes where the current tool's tip lands on (x, y).
void Mouse(InputLineFrm& w, int what, QPointF p) {
    const QPointF tip = w.Editor().Tools().HotSpotPosition(p.x(), p.y());
    const double x = 2 * p.x() - tip.x(), y = 2 * p.y() - tip.y();
    PictureView* v = w.Work().PhotoPic;
    if (what == 0)
        emit v->MouseDown(PictureView::kLeftButton, x, y);
    else if (what == 1)
        emit v->MouseMove(PictureView::kLeftButton, x, y);
    else
        emit v->MouseUp(PictureView::kLeftButton, x, y);
}
void Click(InputLineFrm& w, QPointF p) {
    Mouse(w, 0, p);
    Mouse(w, 2, p);
}
void DoubleClick(InputLineFrm& w, ToolId tool, QPointF p) {
    w.Editor().Tools().ChooseTool(tool, ToolEntry::Button);
    Click(w, p);
    emit w.Work().PhotoPic->DoubleClick();
}
void Drag(InputLineFrm& w, QPointF from, QPointF to) {
    w.Editor().Tools().InputModeMenu_Click(ToolId::Move);
    Mouse(w, 0, from);
    Mouse(w, 1, (from + to) / 2);
    Mouse(w, 1, to);
    Mouse(w, 2, to);
}

// Sample picture 1 with two roofs of the test's own, each with a wall.
InputLineFrm& Prepared(WindowFixture& f, bool plan) {
    InputLineFrm& w = f.Create();
    f.ShowActive();
    w.LoadSamplePhoto(1);
    BuildingData& d = *f.data;
    AppendTopArea(d, {{0, 0}, {100, 0}, {100, 80}, {0, 80}, {0, 0}});
    AppendTopArea(d, {{-300, 0}, {-200, 0}, {-200, 80}, {-300, 80}, {-300, 0}});
    AppendWallEdge(d, {100, 80}, {105, -10}, 0);
    AppendWallEdge(d, {-300, 80}, {-300, -20}, 1);
    // The tables filled here are where the edits start.
    w.Editor().StartNewHistory();
    if (plan) {
        w.Editor().Views().SelectFlatView();
        // Plan points of their own: the picture's altitudes place nothing.
        for (std::size_t k = 0; k < 10; ++k) {
            d.gFlatTopAreaX[k] = d.gTopAreaX[k] / 8;
            d.gFlatTopAreaY[k] = d.gTopAreaY[k] / 8;
        }
        d.gFlatTopHeight[0] = 12;
        w.Editor().Views().ShowFlatLineMap({});
        const auto label = LabelPosition(d, 0, w.Session().FlatMapRate());
        DoubleClick(w, ToolId::Select, label ? QPointF(label->x, label->y) : QPointF());
    }
    return w;
}

} // namespace

class UndoTest : public QObject {
    Q_OBJECT
  private slots:
    void everyEditUndoneAndRedone_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("plan");
        QTest::addColumn<bool>("select");
        const char* names[] = {"roof drawn",     "roof and wall traced", "wall drawn",
                               "point moved",    "wall end moved",       "plan point moved",
                               "point inserted", "point deleted",        "roof removed",
                               "all cleared",    "height changed",       "north typed",
                               "north dropped"};
        for (int k = Roof; k <= NorthDropped; ++k)
            QTest::newRow(names[k]) << k << (k == MovePlanPoint || k >= Height)
                                    << (k >= Wall && k <= Remove && k != MovePlanPoint);
    }
    void everyEditUndoneAndRedone() {
        QFETCH(int, kind);
        QFETCH(bool, plan);
        QFETCH(bool, select);
        WindowFixture f;
        InputLineFrm& w = Prepared(f, plan);
        BuildingData& d = *f.data;
        if (select)
            DoubleClick(w, ToolId::Select, {50, 40});
        QCOMPARE(w.Session().ActiveRoof(), Count(plan || select ? 0 : -1));
        w.Editor().Views().RedrawCurrentView();
        const BuildingData before = d;
        const Count active = w.Session().ActiveRoof();
        const QImage drawnBefore = w.Work().PhotoPic->Surface();
        const float rate = w.Session().FlatMapRate();
        w.Editor().AskBuildingHeight = [](QWidget*, const QString&, double) { return 33.0; };
        switch (Kind(kind)) {
        case Roof:
            w.Editor().Tools().InputModeMenu_Click(ToolId::Roof);
            for (QPointF p : {QPointF(200, -200), {260, -200}, {260, -150}, {201, -199}})
                Click(w, p);
            break;
        case Trace: {
            const PicturePoint p = SamplePictureScene(1).clickPoints[0];
            DoubleClick(w, ToolId::Trace, {p.x, p.y});
            QCOMPARE(d.gWallEdgeNumber, Count(3)); // the roof came with its wall
            break;
        }
        case Wall:
            w.Editor().Tools().InputModeMenu_Click(ToolId::Wall);
            Click(w, {0, 0});
            Click(w, {0, -60});
            break;
        case MovePoint:
            Drag(w, {0, 0}, {-20, -10});
            break;
        case MoveWallEnd:
            Drag(w, {105, -10}, {110, -40});
            break;
        case MovePlanPoint:
            Drag(w, QPointF(d.gFlatTopAreaX[0], d.gFlatTopAreaY[0]) * rate,
                 QPointF(d.gFlatTopAreaX[0] - 5, d.gFlatTopAreaY[0] + 5) * rate);
            break;
        case Insert:
            DoubleClick(w, ToolId::AddPoint, {50, 0});
            break;
        case Delete:
            DoubleClick(w, ToolId::DeletePoint, {0, 80});
            break;
        case Remove:
            w.Editor().Remove1TopAreaMenu_Click();
            break;
        case ClearAll:
            w.ResetDataCmd_Click();
            break;
        case Height:
            w.Editor().ChangeBillHeightMenu_Click();
            break;
        case NorthTyped:
            w.Work().AzimusTxt->setText(QStringLiteral("45"));
            w.Work().Dial().AzimusTxt_Enter();
            break;
        case NorthDropped:
            w.Work().Dial().MovePointImg(50, -50);
            w.Work().Dial().PointImg_MouseUp(PictureView::kLeftButton, 0, 0);
            break;
        }
        QVERIFY(!SameTables(d, before));
        const BuildingData after = d;
        const Count activeAfter = w.Session().ActiveRoof();
        w.Editor().Views().RedrawCurrentView();
        const QImage drawnAfter = w.Work().PhotoPic->Surface();
        const Count changes = w.Session().ChangeCount();

        QVERIFY(w.Menus().Edit.UndoMenu->isEnabled());
        w.Work().HeightTxt->setText(QStringLiteral("12.5"));
        w.Menus().Edit.UndoMenu->trigger();
        QVERIFY(SameTables(d, before));
        // The wall last measured may be gone: no height is shown.
        QCOMPARE(w.Work().HeightTxt->text(), QString());
        QCOMPARE(w.Session().ActiveRoof(), active);
        QCOMPARE(CountDifferences(w.Work().PhotoPic->Surface(), drawnBefore), 0);
        QCOMPARE(w.Session().ChangeCount(), Count(changes + 1));
        QVERIFY(!w.Menus().Edit.UndoMenu->isEnabled());

        w.Menus().Edit.RedoMenu->trigger();
        QVERIFY(SameTables(d, after));
        QCOMPARE(w.Session().ActiveRoof(), activeAfter);
        QCOMPARE(CountDifferences(w.Work().PhotoPic->Surface(), drawnAfter), 0);
        QVERIFY(!w.Menus().Edit.RedoMenu->isEnabled());

        // Back and forth again: now from the drawings kept the first time.
        w.Menus().Edit.UndoMenu->trigger();
        QVERIFY(SameTables(d, before));
        QCOMPARE(CountDifferences(w.Work().PhotoPic->Surface(), drawnBefore), 0);
        w.Menus().Edit.RedoMenu->trigger();
        QCOMPARE(CountDifferences(w.Work().PhotoPic->Surface(), drawnAfter), 0);
    }

    // Only an outline being drawn goes on the first undo; a new edit drops
    // the redo steps; the keys reach the items; a new picture starts anew.
    void itemsFollowTheHistory() {
        WindowFixture f;
        InputLineFrm& w = Prepared(f, false);
        QAction* undo = w.Menus().Edit.UndoMenu;
        QAction* redo = w.Menus().Edit.RedoMenu;
        QVERIFY(!undo->isEnabled() && !redo->isEnabled());
        auto north = [&](const char* typed) {
            w.Work().AzimusTxt->setText(QString::fromLatin1(typed));
            w.Work().Dial().AzimusTxt_Enter();
        };
        auto key = [&](int k, Qt::KeyboardModifiers m) {
            QTest::keyClick(w.Work().PhotoPic, Qt::Key(k), m);
            return f.data->gNorthAngle;
        };
        north("45");
        w.Editor().Tools().InputModeMenu_Click(ToolId::Roof);
        Click(w, {200, -200});
        const BuildingData drawing = *f.data;
        QCOMPARE(key(Qt::Key_Z, Qt::ControlModifier), 45.0f);
        QCOMPARE(w.Editor().Tools().Roof().Outline().pDrawPointNum, Count(0));
        QVERIFY(SameTables(*f.data, drawing) && !redo->isEnabled());
        north("90");
        QCOMPARE(key(Qt::Key_Z, Qt::ControlModifier), 45.0f);
        QVERIFY(undo->isEnabled() && redo->isEnabled());
        QCOMPARE(key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier), 90.0f);
        QVERIFY(!redo->isEnabled());
        QCOMPARE(key(Qt::Key_Z, Qt::ControlModifier), 45.0f);
        QCOMPARE(key(Qt::Key_Y, Qt::ControlModifier), 90.0f);
        QCOMPARE(key(Qt::Key_Z, Qt::ControlModifier), 45.0f);
        north("10");
        QVERIFY(!redo->isEnabled());
        QCOMPARE(key(Qt::Key_Z, Qt::ControlModifier), 45.0f);
        QCOMPARE(key(Qt::Key_Z, Qt::ControlModifier), 0.0f);
        QVERIFY(!undo->isEnabled());
        // A new picture is one more step.
        w.LoadSamplePhoto(2);
        QVERIFY(undo->isEnabled() && !redo->isEnabled());
    }

    // A picture load is one step: undo brings back the record, the picture
    // with its size and coordinates, the altitude boxes, the caption and
    // the sample flag; redo loads it again.
    void pictureLoadIsOneStep_data() {
        QTest::addColumn<bool>("file");   // a picture file, else sample picture 2
        QTest::addColumn<bool>("plan");   // undone on the plan map
        QTest::addColumn<bool>("hidden"); // the old picture hidden with "画像消去" first
        QTest::newRow("picture file") << true << false << false;
        QTest::newRow("sample picture") << false << false << false;
        QTest::newRow("undone on the plan map") << false << true << false;
        QTest::newRow("old picture hidden") << true << false << true;
    }
    void pictureLoadIsOneStep() {
        QFETCH(bool, file);
        QFETCH(bool, plan);
        QFETCH(bool, hidden);
        WindowFixture f;
        InputLineFrm& w = Prepared(f, false);
        PictureView& view = *w.Work().PhotoPic;
        PictureView& copy = *w.Work().PhotoPic2;
        if (hidden)
            QTest::mouseClick(w.Work().ClearPhotoCmd, Qt::LeftButton);
        const BuildingData before = *f.data;
        const QImage oldPicture = copy.Picture();
        const QSize oldSize = copy.size();
        const double oldScale[2] = {copy.ScaleLeft(), copy.ScaleTop()};
        const QString oldBoxes =
            w.Work().VerHeightmTxt->text() + "," + w.Work().IncliHeightmTxt->text() + "," +
            w.Work().VerHeightTxt->text() + "," + w.Work().IncliHeightTxt->text();
        const QString oldTitle = w.windowTitle();
        const QString oldButton = w.Work().ClearPhotoCmd->text();
        if (file) {
            QVERIFY(NoisePicture(300, 200, 3).save(f.Path("new.png")));
            f.prompts.AnswerFile(f.Path("new.png"));
            w.OPenPhotoMenu_Click();
        } else {
            w.LoadSamplePhoto(2);
        }
        QCOMPARE(CountsOf(*f.data), (Counts{0, 0, 0}));
        const QImage newPicture = copy.Picture();
        const QString newTitle = w.windowTitle();
        QVERIFY(newPicture.size() != oldPicture.size());
        if (plan) {
            w.Editor().Views().SelectFlatView();
            QCOMPARE(w.Session().View(), ViewMode::Plan);
        }
        QSignalSpy ready(&w.Editor(), &PhotoEditor::PictureReady);

        w.Menus().Edit.UndoMenu->trigger();
        QVERIFY(SameTables(*f.data, before));
        QCOMPARE(CountDifferences(copy.Picture(), oldPicture), 0);
        QCOMPARE(copy.size(), oldSize);
        QCOMPARE(copy.ScaleLeft(), oldScale[0]);
        QCOMPARE(copy.ScaleTop(), oldScale[1]);
        QCOMPARE(w.Work().VerHeightmTxt->text() + "," + w.Work().IncliHeightmTxt->text() + "," +
                     w.Work().VerHeightTxt->text() + "," + w.Work().IncliHeightTxt->text(),
                 oldBoxes);
        QCOMPARE(w.windowTitle(), oldTitle);
        QCOMPARE(w.State().pSampleLoaded, kTrue);
        QCOMPARE(w.Work().ClearPhotoCmd->text(), oldButton);
        // The tracer reads the picture that came back.
        QCOMPARE(ready.count(), 1);
        if (plan)
            w.Editor().Views().SelectSlopeView();
        QCOMPARE(view.size(), oldSize);
        QCOMPARE(view.HasPicture(), !hidden);
        if (!hidden)
            QCOMPARE(CountDifferences(view.Picture(), oldPicture), 0);
        // Undone edits are unsaved ones.
        QVERIFY(w.isWindowModified());

        w.Menus().Edit.RedoMenu->trigger();
        QCOMPARE(CountsOf(*f.data), (Counts{0, 0, 0}));
        QCOMPARE(CountDifferences(copy.Picture(), newPicture), 0);
        QCOMPARE(CountDifferences(view.Picture(), newPicture), 0);
        QCOMPARE(w.windowTitle(), newTitle);
        QCOMPARE(w.State().pSampleLoaded, file ? kFalse : kTrue);
    }

    void closingAfterAnUndoAsksToSave() {
        WindowFixture f;
        InputLineFrm& w = Prepared(f, false);
        w.State().pSampleLoaded = kFalse;
        DoubleClick(w, ToolId::Select, {50, 40});
        w.Editor().Remove1TopAreaMenu_Click();
        f.prompts.AnswerFile(f.Path(QStringLiteral("saved.dat")));
        w.SaveDataMenu_Click();
        QCOMPARE(w.Session().ChangeCount(), Count(0));
        w.Menus().Edit.UndoMenu->trigger();
        QCOMPARE(f.data->gEachTopAreaNumber, Count(2));
        f.prompts.Clear();
        f.prompts.AnswerSave(SaveChoice::Discard);
        w.CloseCmd_Click();
        QCOMPARE(f.prompts.Texts(), QStringList{QStringLiteral("変更を保存しますか？")});
    }

    // Loading over unsaved edits asks first: "保存しない" loads, "キャンセル"
    // keeps everything, "保存する" loads once the save wrote the file.
    void unsavedEditsAskBeforeALoad_data() {
        QTest::addColumn<int>("load"); // picture file, sample picture, project file, sample data
        QTest::addColumn<int>("changes");
        QTest::addColumn<bool>("sample");
        QTest::addColumn<int>("answer");   // -1 nothing asked, else a SaveChoice
        QTest::addColumn<bool>("written"); // the save dialog gets a file name
        QTest::addColumn<QString>("asked");
        QTest::addColumn<bool>("kept");
        const char* loads[] = {"picture file", "sample picture", "project file", "sample data"};
        const int save = int(SaveChoice::Save), discard = int(SaveChoice::Discard),
                  cancel = int(SaveChoice::Cancel);
        for (int l = 0; l < 4; ++l) {
            // A load with a file dialog: the dialog is cancelled.
            const bool dialog = l == 0 || l == 2;
            QTest::addRow("%s, not saved", loads[l])
                << l << 1 << false << discard << false << (dialog ? "QO" : "Q") << dialog;
            QTest::addRow("%s, cancelled", loads[l])
                << l << 1 << false << cancel << false << "Q" << true;
            QTest::addRow("%s, save cancelled", loads[l])
                << l << 3 << false << save << false << "QS" << true;
            QTest::addRow("%s, saved", loads[l])
                << l << 3 << false << save << true << (dialog ? "QSO" : "QS") << dialog;
        }
        QTest::newRow("nothing changed") << 1 << 0 << false << -1 << false << "" << false;
        QTest::newRow("a sample loaded") << 3 << 2 << true << -1 << false << "" << false;
    }
    void unsavedEditsAskBeforeALoad() {
        QFETCH(int, load);
        QFETCH(int, changes);
        QFETCH(bool, sample);
        QFETCH(int, answer);
        QFETCH(bool, written);
        QFETCH(QString, asked);
        QFETCH(bool, kept);
        WindowFixture f;
        InputLineFrm& w = f.Create();
        f.ShowActive();
        f.SetGoodAltitudes();
        AppendTopArea(*f.data, {{0, 0}, {100, 0}, {100, 80}, {0, 0}});
        w.Session().SetChangeCount(Count(changes));
        w.State().pSampleLoaded = sample ? kTrue : kFalse;
        if (answer >= 0)
            f.prompts.AnswerSave(SaveChoice(answer));
        if (written)
            f.prompts.AnswerFile(f.Path("saved.dat"));
        f.prompts.AnswerFile(std::nullopt); // a file dialog is cancelled
        if (load == 0)
            w.OPenPhotoMenu_Click();
        else if (load == 1)
            w.LoadSamplePhoto(1);
        else if (load == 2)
            w.OpenDataMenu_Click();
        else
            w.LoadSampleData(1);
        QString kinds;
        for (const auto& a : f.prompts.asked())
            kinds += QStringLiteral("MQOS").at(int(a.kind));
        QCOMPARE(kinds, asked);
        QCOMPARE(CountsOf(*f.data) == (Counts{4, 1, 0}), kept);
        QCOMPARE(QFileInfo::exists(f.Path("saved.dat")), written);
    }
};

QTEST_MAIN(UndoTest)
#include "test_undo.moc"
