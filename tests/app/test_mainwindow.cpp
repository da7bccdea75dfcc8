// SPDX-License-Identifier: GPL-3.0-or-later
// Creation and activation of the main window, its view switch, tools,
// cursors, right-click menu, picture hiding and the altitude boxes.
#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QtTest>

#include "support/Window.h"
#include "workspace/CursorFile.h"
#include "workspace/PictureView.h"
#include "workspace/RibbonGroup.h"

using namespace velmora;
using namespace velmora::testing;

namespace {

const QString kMissing = QStringLiteral("平面視と傾斜視の画像高度が設定されていません。");

QStringList Titles(const QList<QAction*>& actions) {
    QStringList out;
    for (QAction* a : actions)
        out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
}

// Which tool buttons are enabled, as a string of 0/1 for buttons 0 ... 7,
// and the same for the seven menu items.
QString ButtonAvailability(InputLineFrm& w) {
    QString s;
    for (int i = 0; i < 8; ++i)
        s += w.Work().InputModeRbn->Button(i)->isEnabled() ? '1' : '0';
    return s;
}
QString MenuAvailability(InputLineFrm& w) {
    QString s;
    for (QAction* a : w.Menus().Edit.InputModeMenu)
        if (a) // the one-click tool has no item
            s += a->isEnabled() ? '1' : '0';
    return s;
}

// The cursor a widget shows: the file it came from, or "" for the default.
QString CursorName(const WindowFixture& f, const QWidget* widget) {
    const QCursor c = widget->cursor();
    if (c.shape() != Qt::BitmapCursor)
        return QString();
    for (const char* name : {"RedPen.ICO", "BluePen.ICO", "MovePen.ICO", "AddPen.ICO", "Remove.ICO",
                             "POINT14.ICO", "ARW10NW2.ICO", "Magnify.cur"}) {
        const auto file = ReadCursorFile(f.IcoFile(QString::fromLatin1(name)));
        if (file && file->hotSpot == c.hotSpot() &&
            c.pixmap().toImage().convertToFormat(QImage::Format_ARGB32) == file->image)
            return QString::fromLatin1(name);
    }
    return QStringLiteral("?");
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void creationSetsUpTheWindow() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        QCOMPARE(QString::fromStdString(f.data->gAppPath), QDir::toNativeSeparators(f.dir.path()));
        QCOMPARE(w.pos(), QPoint(0, 0));
        QCOMPARE(w.Session().ActiveRoof(), Count(-1));
        QCOMPARE(w.State().pFirstActivate, kTrue);
        QCOMPARE(w.Session().ChangeCount(), Count(0));
        QCOMPARE(w.State().pSampleLoaded, kFalse);
        QCOMPARE(w.State().pDataFileName[0], QString("*.dat"));
        QCOMPARE(w.State().pDataFileName[1], QString("LineData5.dat"));
        QCOMPARE(w.State().pDataFileName[2], QString("LineData10.dat"));
        QVERIFY(!w.Menus().Edit.Remove1TopAreaMenu->isEnabled());
        QCOMPARE(w.Session().View(), ViewMode::Inclined);
        // Centred picture coordinates with y up for both views.
        for (PictureView* v : {w.Work().PhotoPic, w.Work().PhotoPic2}) {
            const double iw = v->InnerWidth(), ih = v->InnerHeight();
            QCOMPARE(v->ScaleWidth(), iw);
            QCOMPARE(v->ScaleHeight(), -ih);
            QCOMPARE(v->ScaleLeft(), -iw / 2);
            QCOMPARE(v->ScaleTop(), ih / 2);
        }
        QCOMPARE(w.Work().PhotoPic->DrawWidth(), 2);
        QVERIFY(!w.Work().PhotoPic2->isVisibleTo(&w));
        QCOMPARE(w.Work().AzimusPic->ScaleLeft(), -100.0);
        QCOMPARE(w.Work().AzimusPic->ScaleTop(), 100.0);
        QCOMPARE(w.Work().AzimusPic->ScaleWidth(), 200.0);
        QCOMPARE(w.Work().AzimusPic->ScaleHeight(), -200.0);
        QCOMPARE(w.Work().AzimusTxt->text(), QString("0"));
        for (QLineEdit* e : {w.Work().VerHeightTxt, w.Work().VerHeightmTxt, w.Work().IncliHeightTxt,
                             w.Work().IncliHeightmTxt})
            QVERIFY(e->text().isEmpty());
        // The creation cleared what an earlier window left in the record.
        f.data->gEachTopAreaNumber = 4;
        f.data->gTopAreaPointTotalNumber = 20;
        f.Create();
        QCOMPARE(CountsOf(*f.data), (Counts{0, 0, 0}));
    }

    void menusInTheirOrder() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        QCOMPARE(Titles(w.menuBar()->actions()),
                 (QStringList{"ファイル(&F)", "編集(&E)", "デモ(&D)", "予測(&P)", "ヘルプ(&H)"}));
        QCOMPARE(Titles(w.Menus().OpenFileMenu->actions()),
                 (QStringList{"画像ファイル読込み(&P)", "サンプル画像", "-", "データ読込み(&D)",
                              "サンプルデータ", "-", "データ保存(&S)"}));
        QCOMPARE(Titles(w.Menus().SamplePhotoMenu->actions()),
                 (QStringList{"サンプル画像1読込み", "サンプル画像2読込み"}));
        QCOMPARE(Titles(w.Menus().SampleDataMenu->actions()),
                 (QStringList{"サンプルデータ1読込み", "サンプルデータ2読込み"}));
        QCOMPARE(Titles(w.Menus().Edit.EditPhotoLineMenu->actions()),
                 (QStringList{"傾斜図表示", "平面図表示", "-", "中止", "-", "選択(&S)",
                              "拡大縮小(&Z)", "屋上ライン(&T)", "側壁ライン(&W)", "移動(&M)",
                              "追加(&A)", "削除(&D)", "-", "建物高さ変更", "1屋根削除(&R)",
                              "全ビル自動トレース", "-", "元に戻す", "やり直し"}));
        QCOMPARE(w.Menus().Edit.UndoMenu->shortcuts(), QList<QKeySequence>{QKeySequence("Ctrl+Z")});
        QCOMPARE(w.Menus().Edit.RedoMenu->shortcuts(),
                 (QList<QKeySequence>{QKeySequence("Ctrl+Shift+Z"), QKeySequence("Ctrl+Y")}));
        QCOMPARE(Titles(w.Menus().StartDemoMenu->actions()),
                 (QStringList{"デモー１(&1)", "デモー２(&2)"}));
        QVERIFY(w.Menus().HelpMenu->menu() == nullptr);
    }

    void controlsCarryTheirCaptions() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        const QStringList captions{"選択",         "拡大縮小",     "屋上ライン",   "側壁ライン",
                                   "ポイント移動", "ポイント追加", "ポイント削除", "ビル屋上"};
        const QStringList tips{"ラインの選択",     "拡大縮小",
                               "屋上ラインの描画", "側壁ラインの描画",
                               "ポイントの移動",   "ポイントの追加",
                               "ポイントの削除",   "１クリックでの屋上、壁ライン描画"};
        for (int i = 0; i < 8; ++i) {
            QCOMPARE(w.Work().InputModeRbn->Button(i)->text(), captions[i]);
            QCOMPARE(w.Work().InputModeRbn->Button(i)->toolTip(), tips[i]);
        }
        QCOMPARE(w.Work().SlopeOrFlatRbn->Button(0)->text(), QString("傾斜図表示"));
        QCOMPARE(w.Work().SlopeOrFlatRbn->Button(1)->text(), QString("平面図表示"));
        QCOMPARE(w.Work().ResetDataCmd->text(), QString("全て消去"));
        QCOMPARE(w.Work().ClearPhotoCmd->text(), QString("画像消去"));
        QCOMPARE(w.Work().CloseCmd->text(), QString("閉じる(&C)"));
        QStringList labels;
        for (QLabel* l : w.findChildren<QLabel*>())
            labels << l->text();
        for (const char* text :
             {"平面視高度(ft)", "傾斜視高度(ft)", "フィート", "Or", "m", "度", "ﾋﾞﾙの高さ（ｍ）"})
            QVERIFY2(labels.contains(QString::fromUtf8(text)), text);
        QStringList frames;
        for (QGroupBox* g : w.findChildren<QGroupBox*>())
            frames << g->title();
        QCOMPARE(frames, (QStringList{"画像高度入力データ", "方向角", "表示設定", "ライン編集"}));
    }

    void firstActivationSelectsTheInclinedViewOnce() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        w.Work().SlopeOrFlatRbn->SetValue(0, false);
        w.Session().SetView(ViewMode::None);
        f.ShowActive();
        QCOMPARE(w.State().pFirstActivate, kFalse);
        QCOMPARE(w.Session().View(), ViewMode::Inclined);
        QVERIFY(w.Work().SlopeOrFlatRbn->Value(0));
        // Later activations do nothing.
        w.Work().SlopeOrFlatRbn->SetValue(0, false);
        w.Form_Activate();
        QVERIFY(!w.Work().SlopeOrFlatRbn->Value(0));
        QCOMPARE(f.prompts.unanswered, 0);
    }

    // ---- View switch ----

    void planMapRefusedWhileAltitudesFail_data() {
        QTest::addColumn<QString>("ver");
        QTest::addColumn<QString>("incli");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("byMenu");
        QTest::newRow("none, button") << ""
                                      << "" << kMissing << false;
        QTest::newRow("none, menu") << ""
                                    << "" << kMissing << true;
        QTest::newRow("too low") << "9"
                                 << "5"
                                 << "画像の高度が低すぎます。" << false;
        QTest::newRow("ratio above 0.9")
            << "1932"
            << "1740"
            << "傾斜画像の高度は平面画像の90％以下でなければなりません。" << true;
    }
    void planMapRefusedWhileAltitudesFail() {
        QFETCH(QString, ver);
        QFETCH(QString, incli);
        QFETCH(QString, message);
        QFETCH(bool, byMenu);
        WindowFixture f;
        InputLineFrm& w = f.Create();
        f.SetAltitudes(ver, incli);
        f.prompts.Clear();
        w.Editor().Tools().InputModeMenu_Click(ToolId::Move); // a tool that must survive
        const QSize size = w.Work().PhotoPic->size();
        if (byMenu)
            w.Menus().Edit.DispFlatMapMenu->trigger();
        else
            QTest::mouseClick(w.Work().SlopeOrFlatRbn->Button(1), Qt::LeftButton);
        QCOMPARE(f.prompts.Texts(), QStringList{message});
        QCOMPARE(w.Session().View(), ViewMode::Inclined);
        QCOMPARE(w.Session().CurrentTool(), ToolId::Move);
        QCOMPARE(w.Work().PhotoPic->size(), size);
        QCOMPARE(w.Work().SlopeOrFlatRbn->Down(), -1);
        // The menu checks its item before the switch runs; the button
        // leaves the marks alone.
        QCOMPARE(w.Menus().Edit.DispFlatMapMenu->isChecked(), byMenu);
        QCOMPARE(w.Menus().Edit.DispSlopeMapMenu->isChecked(), !byMenu);
        QCOMPARE(CursorName(f, w.Work().PhotoPic), QString()); // default pointer
        QCOMPARE(ButtonAvailability(w), QString("10111111"));
    }

    void planMapAndBack() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        f.SetGoodAltitudes();
        w.LoadSampleData(2);
        const QImage picture = NoisePicture(784, 653, 5);
        w.Work().PhotoPic->SetPicture(picture);
        w.Work().PhotoPic2->SetPicture(picture);
        const QSize pictureSize = w.Work().PhotoPic->size();
        const double scale[4] = {w.Work().PhotoPic->ScaleLeft(), w.Work().PhotoPic->ScaleTop(),
                                 w.Work().PhotoPic->ScaleWidth(), w.Work().PhotoPic->ScaleHeight()};
        w.Session().SetActiveRoof(2);
        w.Menus().Edit.ChangeBillHeightMenu->setEnabled(true);
        QTest::mouseClick(w.Work().InputModeRbn->Button(Index(ToolId::Move)), Qt::LeftButton);
        QCOMPARE(w.Session().CurrentTool(), ToolId::Move);

        w.Work().HeightTxt->setText(QStringLiteral("12.5"));
        QTest::mouseClick(w.Work().SlopeOrFlatRbn->Button(1), Qt::LeftButton);
        QCOMPARE(w.Session().View(), ViewMode::Plan);
        // No wall of the map was just measured.
        QCOMPARE(w.Work().HeightTxt->text(), QString());
        QVERIFY(f.prompts.Texts().isEmpty());
        QVERIFY(w.Menus().Edit.DispFlatMapMenu->isChecked());
        QVERIFY(!w.Menus().Edit.DispSlopeMapMenu->isChecked());
        QCOMPARE(ButtonAvailability(w), QString("11001001"));
        QCOMPARE(MenuAvailability(w), QString("1100100"));
        QVERIFY(!w.Menus().Edit.ChangeBillHeightMenu->isEnabled());
        QCOMPARE(w.Session().ActiveRoof(), Count(-1));
        // Releasing the move button while still in the inclined view
        // returned the tool to select.
        QCOMPARE(w.Work().InputModeRbn->Down(), -1);
        QCOMPARE(w.Session().CurrentTool(), ToolId::Select);
        QVERIFY(!w.Work().PhotoPic->HasPicture());
        QCOMPARE(w.Work().PhotoPic->size(), QSize(785, 657));
        QCOMPARE(w.Work().PhotoPic->ScaleLeft(), -380.0);
        QCOMPARE(w.Work().PhotoPic->ScaleTop(), 326.0);
        QCOMPARE(w.Work().PhotoPic->ScaleWidth(), 781.0);
        QCOMPARE(w.Work().PhotoPic->ScaleHeight(), -653.0);
        QCOMPARE(w.Session().FlatMapRate(),
                 w.Session().MapTables().gMapRate[std::size_t(w.Session().MapLevel())]);
        // Heights were measured: every sample roof has wall lines.
        for (int r = 0; r < f.data->gEachTopAreaNumber; ++r)
            QVERIFY(f.data->gFlatTopHeight[std::size_t(r)] > 10);

        QTest::mouseClick(w.Work().InputModeRbn->Button(Index(ToolId::Zoom)), Qt::LeftButton);
        QCOMPARE(w.Session().CurrentTool(), ToolId::Zoom);
        QTest::mouseClick(w.Work().SlopeOrFlatRbn->Button(0), Qt::LeftButton);
        QCOMPARE(w.Session().View(), ViewMode::Inclined);
        QCOMPARE(ButtonAvailability(w), QString("10111111"));
        QCOMPARE(MenuAvailability(w), QString("1011111"));
        // The tool survives the way back; its button is up.
        QCOMPARE(w.Session().CurrentTool(), ToolId::Zoom);
        QCOMPARE(w.Work().InputModeRbn->Down(), -1);
        // The picture, its size and its coordinates are back.
        QCOMPARE(CountDifferences(w.Work().PhotoPic->Picture(),
                                  picture.convertToFormat(QImage::Format_RGB32)),
                 0);
        QCOMPARE(w.Work().PhotoPic->size(), pictureSize);
        QCOMPARE(w.Work().PhotoPic->ScaleLeft(), scale[0]);
        QCOMPARE(w.Work().PhotoPic->ScaleTop(), scale[1]);
        QCOMPARE(w.Work().PhotoPic->ScaleWidth(), scale[2]);
        QCOMPARE(w.Work().PhotoPic->ScaleHeight(), scale[3]);
        QCOMPARE(w.Work().ClearPhotoCmd->text(), QString("画像消去"));
    }

    // The caption names the program and what is open, with a mark for
    // unsaved edits; a picture or project file opened keeps its own caption.
    void captionNamesWhatIsOpen_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("caption");
        QTest::newRow("start") << QStringList{} << "velmora";
        QTest::newRow("an edit") << QStringList{"edit"} << "velmora*";
        QTest::newRow("sample picture")
            << QStringList{"edit", "sample picture"} << "サンプル画像1 - velmora";
        QTest::newRow("sample data") << QStringList{"sample data"} << "サンプルデータ2 - velmora";
        QTest::newRow("edited sample")
            << QStringList{"sample data", "edit"} << "サンプルデータ2* - velmora";
        QTest::newRow("saved") << QStringList{"sample data", "edit", "save"}
                               << "site.dat - velmora";
        QTest::newRow("picture file") << QStringList{"picture"} << "３D写真/town.png";
        QTest::newRow("picture file saved")
            << QStringList{"picture", "edit", "save"} << "３D写真/town.png";
    }
    void captionNamesWhatIsOpen() {
        QFETCH(QStringList, steps);
        QFETCH(QString, caption);
        WindowFixture f;
        InputLineFrm& w = f.Create();
        f.SetGoodAltitudes();
        QVERIFY(NoisePicture(200, 150, 2).save(f.Path("town.png")));
        for (const QString& step : steps) {
            if (step == "edit") {
                w.Work().AzimusTxt->setText(QStringLiteral("10"));
                w.Work().Dial().AzimusTxt_Enter();
            } else if (step == "sample picture") {
                f.prompts.AnswerSave(SaveChoice::Discard);
                w.LoadSamplePhoto(1);
            } else if (step == "sample data") {
                w.LoadSampleData(2);
            } else if (step == "picture") {
                f.prompts.AnswerFile(f.Path("town.png"));
                w.OPenPhotoMenu_Click();
            } else if (step == "save") {
                f.prompts.AnswerFile(f.Path("site.dat"));
                w.SaveDataMenu_Click();
            }
        }
        QCOMPARE(ShownCaption(w), caption);
    }

    // Back from the plan map the picture shows again, unless the user had
    // hidden it: before, or on the map itself, with "画像消去" or "全て消去".
    void pictureAfterThePlanMap_data() {
        QTest::addColumn<bool>("hiddenBefore");
        QTest::addColumn<QString>("onMap"); // "", "button" (画像消去 / 戻す), "reset" (全て消去)
        QTest::addColumn<bool>("shown");
        QTest::newRow("shown") << false << "" << true;
        QTest::newRow("hidden before") << true << "" << false;
        QTest::newRow("hidden on the map") << false << "button" << false;
        QTest::newRow("hidden, then 戻す on the map") << true << "button" << true;
        QTest::newRow("全て消去 on the map") << false << "reset" << false;
    }
    void pictureAfterThePlanMap() {
        QFETCH(bool, hiddenBefore);
        QFETCH(QString, onMap);
        QFETCH(bool, shown);
        WindowFixture f;
        InputLineFrm& w = f.Create();
        w.LoadSamplePhoto(2);
        w.LoadSampleData(2);
        const QImage picture = w.Work().PhotoPic2->Picture();
        QPushButton* button = w.Work().ClearPhotoCmd;
        if (hiddenBefore)
            QTest::mouseClick(button, Qt::LeftButton);
        QTest::mouseClick(w.Work().SlopeOrFlatRbn->Button(1), Qt::LeftButton);
        QCOMPARE(w.Session().View(), ViewMode::Plan);
        if (onMap == "button")
            QTest::mouseClick(button, Qt::LeftButton);
        else if (onMap == "reset")
            QTest::mouseClick(w.Work().ResetDataCmd, Qt::LeftButton);
        if (onMap != "reset")
            QTest::mouseClick(w.Work().SlopeOrFlatRbn->Button(0), Qt::LeftButton);
        QCOMPARE(w.Session().View(), ViewMode::Inclined);
        QCOMPARE(w.Work().PhotoPic->HasPicture(), shown);
        QCOMPARE(button->text(), QString(shown || onMap == "reset" ? "画像消去" : "戻す"));
        if (!shown)
            return;
        QCOMPARE(CountDifferences(w.Work().PhotoPic->Picture(), picture), 0);
        // The outlines lie over it: an edge of roof 0, and a pixel of the
        // picture away from every line.
        QCOMPARE(PixelAt(*w.Work().PhotoPic, 187, -67.5), qRgb(255, 0, 200));
        const QPointF away = w.Work().PhotoPic->ToPixel(-380, -300);
        QCOMPARE(PixelAt(*w.Work().PhotoPic, -380, -300),
                 picture.pixel(int(std::floor(away.x())), int(std::floor(away.y()))));
    }

    void planMapMeasuresWithThePictureWidth() {
        // Entering the plan map again while it is shown, or after coming
        // back, gives the same heights: the canvas width never stands in
        // for the picture's.
        WindowFixture f;
        InputLineFrm& w = f.Create();
        f.SetGoodAltitudes();
        w.LoadSampleData(2);
        w.Work().Picture().SetPictureCoordinates(657, 788);
        w.Editor().Views().SelectFlatView();
        const auto first = f.data->gFlatTopHeight;
        const float firstX = f.data->gFlatTopAreaX[3];
        w.Work().SlopeOrFlatRbn->SetValue(1, true);
        QCOMPARE(f.data->gFlatTopHeight, first);
        w.Editor().Views().SelectSlopeView();
        w.Editor().Views().SelectFlatView();
        QCOMPARE(f.data->gFlatTopHeight, first);
        QCOMPARE(f.data->gFlatTopAreaX[3], firstX);
    }

    void planMapShowsItsCaption() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        f.SetGoodAltitudes();
        w.Editor().Views().SelectFlatView();
        // Without roofs: the caption and the north arrow; a scale bar would
        // measure nothing.
        int grey = 0, bar = 0, arrow = 0;
        const QImage& s = w.Work().PhotoPic->Surface();
        for (int y = 0; y < s.height(); ++y)
            for (int x = 0; x < s.width(); ++x) {
                const QRgb p = s.pixel(x, y);
                grey += p == qRgb(128, 128, 128);
                bar += p == qRgb(0, 0, 200);
                arrow += p == qRgb(0, 176, 0);
            }
        QVERIFY(grey > 30);
        QCOMPARE(bar, 0);
        QVERIFY(arrow >= 100);
        const QPointF at = w.Work().PhotoPic->ToPixel(250, 300);
        QCOMPARE(at, QPointF(630, 26));
    }

    // ---- Tools ----

    void toolButtonsInTheInclinedView_data() {
        QTest::addColumn<ToolId>("tool");
        QTest::addColumn<bool>("altitudesOk");
        QTest::addColumn<ToolId>("mode");
        QTest::addColumn<int>("down");
        QTest::addColumn<QString>("cursor");
        QTest::addColumn<int>("drawPoints");
        QTest::addColumn<int>("wallStart");
        QTest::addColumn<bool>("message");
        // Before each press: tool 4 active, pDrawPointNum 5, pWallStartSet 1.
        QTest::newRow("select") << ToolId::Select << false << ToolId::Select << 0 << "" << 5 << 1
                                << false;
        QTest::newRow("roof") << ToolId::Roof << true << ToolId::Roof << 2 << "RedPen.ICO" << 0 << 1
                              << false;
        QTest::newRow("roof refused")
            << ToolId::Roof << false << ToolId::Select << -1 << "" << 5 << 1 << true;
        QTest::newRow("wall") << ToolId::Wall << true << ToolId::Wall << 3 << "BluePen.ICO" << 5
                              << 0 << false;
        QTest::newRow("wall refused")
            << ToolId::Wall << false << ToolId::Select << -1 << "" << 5 << 1 << true;
        QTest::newRow("move") << ToolId::Move << false << ToolId::Move << 4 << "MovePen.ICO" << 5
                              << 1 << false;
        QTest::newRow("add") << ToolId::AddPoint << false << ToolId::AddPoint << 5 << "AddPen.ICO"
                             << 5 << 1 << false;
        QTest::newRow("delete") << ToolId::DeletePoint << false << ToolId::DeletePoint << 6
                                << "Remove.ICO" << 5 << 1 << false;
        QTest::newRow("one-click")
            << ToolId::Trace << true << ToolId::Trace << 7 << "ARW10NW2.ICO" << 0 << 1 << false;
        QTest::newRow("one-click refused")
            << ToolId::Trace << false << ToolId::Select << -1 << "" << 5 << 1 << true;
    }
    void toolButtonsInTheInclinedView() {
        QFETCH(ToolId, tool);
        QFETCH(bool, altitudesOk);
        QFETCH(ToolId, mode);
        QFETCH(int, down);
        QFETCH(QString, cursor);
        QFETCH(int, drawPoints);
        QFETCH(int, wallStart);
        QFETCH(bool, message);
        WindowFixture f;
        InputLineFrm& w = f.Create();
        if (altitudesOk)
            f.SetGoodAltitudes();
        QTest::mouseClick(w.Work().InputModeRbn->Button(Index(ToolId::Move)), Qt::LeftButton);
        w.Editor().Tools().Roof().Outline().pDrawPointNum = 5;
        w.Editor().Tools().Wall().Start().pWallStartSet = 1;
        w.Session().SetActiveRoof(1);
        f.prompts.Clear();
        QTest::mouseClick(w.Work().InputModeRbn->Button(Index(tool)), Qt::LeftButton);
        QCOMPARE(w.Session().CurrentTool(), mode);
        QCOMPARE(w.Work().InputModeRbn->Down(), down);
        QCOMPARE(CursorName(f, w.Work().PhotoPic), cursor);
        QCOMPARE(CursorName(f, w.Work().BasePic), cursor);
        QCOMPARE(int(w.Editor().Tools().Roof().Outline().pDrawPointNum), drawPoints);
        QCOMPARE(int(w.Editor().Tools().Wall().Start().pWallStartSet), wallStart);
        QCOMPARE(f.prompts.Texts(), message ? QStringList{kMissing} : QStringList{});
        QCOMPARE(w.Session().ActiveRoof(), Count(tool == ToolId::Select ? -1 : 1));
    }

    void toolMenuItemsInTheInclinedView_data() {
        QTest::addColumn<ToolId>("tool");
        QTest::addColumn<ToolId>("mode");
        QTest::addColumn<QString>("cursor");
        QTest::addColumn<int>("drawPoints");
        QTest::addColumn<int>("wallStart");
        // No altitudes: the menu never checks them.
        QTest::newRow("select") << ToolId::Select << ToolId::Select << "" << 5 << 1;
        QTest::newRow("zoom does nothing")
            << ToolId::Zoom << ToolId::DeletePoint << "Remove.ICO" << 5 << 1;
        QTest::newRow("roof") << ToolId::Roof << ToolId::Roof << "RedPen.ICO" << 0 << 1;
        QTest::newRow("wall") << ToolId::Wall << ToolId::Wall << "BluePen.ICO" << 5 << 0;
        QTest::newRow("move") << ToolId::Move << ToolId::Move << "MovePen.ICO" << 5 << 1;
        QTest::newRow("add") << ToolId::AddPoint << ToolId::AddPoint << "AddPen.ICO" << 5 << 1;
        QTest::newRow("delete") << ToolId::DeletePoint << ToolId::DeletePoint << "Remove.ICO" << 5
                                << 1;
    }
    void toolMenuItemsInTheInclinedView() {
        QFETCH(ToolId, tool);
        QFETCH(ToolId, mode);
        QFETCH(QString, cursor);
        QFETCH(int, drawPoints);
        QFETCH(int, wallStart);
        WindowFixture f;
        InputLineFrm& w = f.Create();
        QTest::mouseClick(w.Work().InputModeRbn->Button(Index(ToolId::DeletePoint)),
                          Qt::LeftButton);
        w.Editor().Tools().Roof().Outline().pDrawPointNum = 5;
        w.Editor().Tools().Wall().Start().pWallStartSet = 1;
        f.prompts.Clear();
        w.Menus().Edit.InputModeMenu[std::size_t(Index(tool))]->trigger();
        QCOMPARE(w.Session().CurrentTool(), mode);
        QCOMPARE(CursorName(f, w.Work().PhotoPic), cursor);
        QCOMPARE(int(w.Editor().Tools().Roof().Outline().pDrawPointNum), drawPoints);
        QCOMPARE(int(w.Editor().Tools().Wall().Start().pWallStartSet), wallStart);
        QVERIFY(f.prompts.Texts().isEmpty());
        QCOMPARE(w.Work().InputModeRbn->Down(),
                 Index(ToolId::DeletePoint)); // the buttons are not touched
    }

    void toolsOnThePlanMap_data() {
        QTest::addColumn<bool>("byMenu");
        QTest::addColumn<ToolId>("tool");
        QTest::addColumn<ToolId>("mode");
        QTest::addColumn<QString>("cursor");
        // Before: move tool set from the plan map's button.
        QTest::newRow("button select") << false << ToolId::Select << ToolId::Select << "";
        QTest::newRow("button zoom") << false << ToolId::Zoom << ToolId::Zoom << "Magnify.cur";
        QTest::newRow("button move") << false << ToolId::Move << ToolId::Move << "MovePen.ICO";
        QTest::newRow("button one-click does nothing")
            << false << ToolId::Trace << ToolId::Move << "MovePen.ICO";
        QTest::newRow("menu select") << true << ToolId::Select << ToolId::Select << "";
        QTest::newRow("menu zoom does nothing")
            << true << ToolId::Zoom << ToolId::Move << "MovePen.ICO";
        QTest::newRow("menu move") << true << ToolId::Move << ToolId::Move << "POINT14.ICO";
        QTest::newRow("menu roof does nothing")
            << true << ToolId::Roof << ToolId::Move << "MovePen.ICO";
    }
    void toolsOnThePlanMap() {
        QFETCH(bool, byMenu);
        QFETCH(ToolId, tool);
        QFETCH(ToolId, mode);
        QFETCH(QString, cursor);
        WindowFixture f;
        InputLineFrm& w = f.Create();
        f.SetGoodAltitudes();
        w.Editor().Views().SelectFlatView();
        QTest::mouseClick(w.Work().InputModeRbn->Button(Index(ToolId::Move)), Qt::LeftButton);
        QCOMPARE(CursorName(f, w.Work().PhotoPic), QString("MovePen.ICO"));
        w.Session().SetActiveRoof(0);
        if (byMenu)
            w.Editor().Tools().InputModeMenu_Click(tool);
        else
            w.Work().InputModeRbn->SetValue(Index(tool), true);
        QCOMPARE(w.Session().CurrentTool(), mode);
        QCOMPARE(CursorName(f, w.Work().PhotoPic), cursor);
        QCOMPARE(w.Session().ActiveRoof(), Count(tool == ToolId::Select ? -1 : 0));
    }

    void releasingOnThePlanMapKeepsTheTool() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        f.SetGoodAltitudes();
        w.Editor().Views().SelectFlatView();
        w.Work().InputModeRbn->SetValue(Index(ToolId::Zoom), true);
        w.Work().InputModeRbn->SetValue(Index(ToolId::Zoom), false);
        QCOMPARE(w.Session().CurrentTool(), ToolId::Zoom);
    }

    void oneClickWithoutAltitudesFromMoveTool() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        QTest::mouseClick(w.Work().InputModeRbn->Button(Index(ToolId::Move)), Qt::LeftButton);
        f.prompts.Clear();
        QTest::mouseClick(w.Work().InputModeRbn->Button(Index(ToolId::Trace)), Qt::LeftButton);
        QCOMPARE(f.prompts.Texts(), QStringList{kMissing});
        QCOMPARE(w.Work().InputModeRbn->Down(), -1);
        QCOMPARE(w.Session().CurrentTool(), ToolId::Select);
        QCOMPARE(CursorName(f, w.Work().PhotoPic), QString());
    }

    void missingCursorFileLeavesThePreviousCursor() {
        WindowFixture f(false);
        InputLineFrm& w = f.Create();
        f.SetGoodAltitudes();
        const QCursor custom(Qt::CrossCursor);
        w.Work().PhotoPic->setCursor(custom);
        QTest::mouseClick(w.Work().InputModeRbn->Button(Index(ToolId::Roof)), Qt::LeftButton);
        QCOMPARE(w.Session().CurrentTool(), ToolId::Roof); // the tool is chosen all the same
        QCOMPARE(w.Work().PhotoPic->cursor().shape(), Qt::CrossCursor);
    }

    void cursorFilesBesideTheExecutable() {
        // Started from elsewhere: the files beside the executable are used,
        // else those of the installed data folder (bin/../share/velmora).
        WindowFixture f(false);
        InputLineFrm& w = f.Create();
        const QString rel =
            QStringLiteral("velmora-test-%1/x.txt").arg(QCoreApplication::applicationPid());
        const QString besideExe = QDir(QCoreApplication::applicationDirPath()).filePath(rel);
        const QString installed = QDir::cleanPath(
            QDir(QCoreApplication::applicationDirPath()).filePath("../share/velmora/" + rel));
        QCOMPARE(w.BuiltInFile(rel), QDir::toNativeSeparators(f.Path(rel)));
        QVERIFY(QDir().mkpath(QFileInfo(installed).absolutePath()));
        QFile shared(installed);
        QVERIFY(shared.open(QIODevice::WriteOnly));
        shared.close();
        QCOMPARE(w.BuiltInFile(rel), QDir::toNativeSeparators(installed));
        QVERIFY(QDir().mkpath(QFileInfo(besideExe).absolutePath()));
        QFile file(besideExe);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QCOMPARE(w.BuiltInFile(rel), QDir::toNativeSeparators(besideExe));
        // The program directory wins when it has the file too.
        QVERIFY(QDir().mkpath(QFileInfo(f.Path(rel)).absolutePath()));
        QFile local(f.Path(rel));
        QVERIFY(local.open(QIODevice::WriteOnly));
        local.close();
        QCOMPARE(w.BuiltInFile(rel), QDir::toNativeSeparators(f.Path(rel)));
        QDir(QFileInfo(besideExe).absolutePath()).removeRecursively();
        QDir(QFileInfo(installed).absolutePath()).removeRecursively();
    }

    void stopKeepsEditsAndScreen() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        f.SetGoodAltitudes();
        w.LoadSampleData(2);
        w.State().pSampleLoaded = kFalse;
        QTest::mouseClick(w.Work().InputModeRbn->Button(Index(ToolId::Roof)), Qt::LeftButton);
        w.Session().SetChangeCount(3);
        w.Session().SetActiveRoof(1);
        w.Editor().Tools().Roof().Outline().pDrawPointNum = 2;
        const QImage screen = w.Work().PhotoPic->Surface().copy();
        w.Menus().StopDrawLineMenu->trigger();
        QCOMPARE(w.Session().CurrentTool(), ToolId::Select);
        QCOMPARE(w.Session().ActiveRoof(), Count(-1));
        QCOMPARE(CursorName(f, w.Work().PhotoPic), QString());
        QCOMPARE(w.Work().InputModeRbn->Down(), Index(ToolId::Roof));
        QCOMPARE(w.Editor().Tools().Roof().Outline().pDrawPointNum, Count(2));
        QCOMPARE(CountDifferences(screen, w.Work().PhotoPic->Surface()), 0);
        // Stopping saves nothing: the edits still count as unsaved.
        QCOMPARE(w.Session().ChangeCount(), Count(3));
    }

    void mousePositionsShiftToTheCursorTip_data() {
        QTest::addColumn<ToolId>("tool");
        QTest::addColumn<double>("dx");
        QTest::addColumn<double>("dy");
        QTest::addColumn<bool>("stored");
        QTest::newRow("select") << ToolId::Select << 0.0 << 0.0 << true;
        QTest::newRow("roof") << ToolId::Roof << -14.0 << 14.0 << true;
        QTest::newRow("wall") << ToolId::Wall << -14.0 << 14.0 << true;
        QTest::newRow("move") << ToolId::Move << -13.0 << 13.0 << true;
        QTest::newRow("add") << ToolId::AddPoint << -1.0 << 0.0 << true;
        QTest::newRow("delete") << ToolId::DeletePoint << -1.0 << 0.0 << true;
        QTest::newRow("one-click") << ToolId::Trace << -10.0 << 10.0 << true;
        QTest::newRow("zoom stores nothing") << ToolId::Zoom << 0.0 << 0.0 << false;
    }
    void mousePositionsShiftToTheCursorTip() {
        QFETCH(ToolId, tool);
        QFETCH(double, dx);
        QFETCH(double, dy);
        QFETCH(bool, stored);
        WindowFixture f;
        InputLineFrm& w = f.Create();
        f.ShowActive();
        w.Session().SetTool(tool);
        w.Session().SetDown(1234, 4321);
        const QPoint at(PictureView::kBorder + 500, PictureView::kBorder + 100);
        const QPointF user = w.Work().PhotoPic->ToUser(QPointF(500, 100));
        QTest::mousePress(w.Work().PhotoPic, Qt::LeftButton, {}, at);
        QTest::mouseRelease(w.Work().PhotoPic, Qt::LeftButton, {}, at);
        if (stored) {
            QCOMPARE(double(w.Session().DownX()), user.x() + dx);
            QCOMPARE(double(w.Session().DownY()), user.y() + dy);
        } else {
            QCOMPARE(w.Session().DownX(), 1234.0f);
            QCOMPARE(w.Session().DownY(), 4321.0f);
        }
        // A right button press stores nothing.
        w.Session().SetDown(7, w.Session().DownY());
        QTest::mousePress(w.Work().PhotoPic, Qt::RightButton, {}, at);
        QTest::mouseRelease(w.Work().PhotoPic, Qt::RightButton, {}, at);
        if (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
        QCOMPARE(w.Session().DownX(), 7.0f);
    }

    void rightButtonOpensTheEditMenu_data() {
        QTest::addColumn<ToolId>("tool");
        QTest::addColumn<bool>("planMap");
        QTest::addColumn<bool>("popup");
        QTest::newRow("select") << ToolId::Select << false << true;
        QTest::newRow("zoom") << ToolId::Zoom << false << false;
        QTest::newRow("roof") << ToolId::Roof << false << true;
        QTest::newRow("wall") << ToolId::Wall << false << true;
        QTest::newRow("move") << ToolId::Move << false << true;
        QTest::newRow("add") << ToolId::AddPoint << false << true;
        QTest::newRow("delete") << ToolId::DeletePoint << false << true;
        QTest::newRow("one-click") << ToolId::Trace << false << false;
        QTest::newRow("plan map, zoom") << ToolId::Zoom << true << false;
        QTest::newRow("plan map, move") << ToolId::Move << true << true;
    }
    void rightButtonOpensTheEditMenu() {
        QFETCH(ToolId, tool);
        QFETCH(bool, planMap);
        QFETCH(bool, popup);
        WindowFixture f;
        InputLineFrm& w = f.Create();
        f.ShowActive();
        if (planMap) {
            f.SetGoodAltitudes();
            w.Editor().Views().SelectFlatView();
        }
        w.Session().SetTool(tool);
        // A point well inside the (small, headless) screen.
        const QPoint at = w.Work().PhotoPic->mapFromGlobal(QPoint(200, 150));
        QTest::mousePress(w.Work().PhotoPic, Qt::RightButton, {}, at);
        QTest::mouseRelease(w.Work().PhotoPic, Qt::RightButton, {}, at);
        QWidget* shown = QApplication::activePopupWidget();
        QCOMPARE(shown == w.Menus().Edit.EditPhotoLineMenu, popup);
        if (shown) {
            QVERIFY((shown->pos() - w.Work().PhotoPic->mapToGlobal(at)).manhattanLength() <= 2);
            shown->close();
        }
        // The left button never opens it.
        QTest::mouseClick(w.Work().PhotoPic, Qt::LeftButton, {}, at);
        QVERIFY(QApplication::activePopupWidget() == nullptr);
    }

    // ---- Picture hiding ----

    void clearAndRestoreThePicture() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        const QImage picture = NoisePicture(781, 653, 12);
        w.Work().PhotoPic->SetPicture(picture);
        w.Work().PhotoPic2->SetPicture(picture);
        w.LoadSampleData(2);
        w.Editor().Views().ShowSlopeLineMap({});
        const QImage before = w.Work().PhotoPic->Surface().copy();
        w.Session().SetActiveRoof(0);
        w.Editor().Views().ShowSlopeLineMap(
            {.roof = 0, .walls = true}); // a highlight that must not come back
        QTest::mouseClick(w.Work().InputModeRbn->Button(Index(ToolId::Move)), Qt::LeftButton);

        QTest::mouseClick(w.Work().ClearPhotoCmd, Qt::LeftButton);
        QCOMPARE(w.Work().ClearPhotoCmd->text(), QString("戻す"));
        QVERIFY(!w.Work().PhotoPic->HasPicture());
        QCOMPARE(CursorName(f, w.Work().PhotoPic), QString());
        QCOMPARE(w.Session().CurrentTool(), ToolId::Move);
        // Every outline, roof 0 and its walls included, on the empty box.
        QCOMPARE(PixelAt(*w.Work().PhotoPic, 187, -67.5), qRgb(255, 0, 200));
        QCOMPARE(PixelAt(*w.Work().PhotoPic, 102, -104), qRgb(0, 150, 255));

        w.Session().SetActiveRoof(-1);
        QTest::mouseClick(w.Work().ClearPhotoCmd, Qt::LeftButton);
        QCOMPARE(w.Work().ClearPhotoCmd->text(), QString("画像消去"));
        QCOMPARE(w.Work().PhotoPic->Picture(), w.Work().PhotoPic2->Picture());
        QCOMPARE(CountDifferences(before, w.Work().PhotoPic->Surface()), 0);
    }

    void resetAllClearsEverything() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        f.SetGoodAltitudes();
        w.Work().PhotoPic->SetPicture(NoisePicture(100, 100, 1));
        w.Work().PhotoPic2->SetPicture(NoisePicture(100, 100, 1));
        w.LoadSampleData(2);
        w.Editor().Views().SelectFlatView();
        w.State().pDataFileName[0] = QStringLiteral("site.dat");
        w.Session().SetChangeCount(4);
        QTest::mouseClick(w.Work().InputModeRbn->Button(Index(ToolId::Move)), Qt::LeftButton);
        QTest::mouseClick(w.Work().ResetDataCmd, Qt::LeftButton);
        QCOMPARE(CountsOf(*f.data), (Counts{0, 0, 0}));
        QVERIFY(!w.Work().PhotoPic->HasPicture());
        QVERIFY(w.Work().PhotoPic2->HasPicture());
        QCOMPARE(w.Session().View(), ViewMode::Inclined);
        QVERIFY(w.Work().SlopeOrFlatRbn->Value(0));
        QVERIFY(!w.Work().SlopeOrFlatRbn->Value(1));
        QCOMPARE(w.Session().ChangeCount(), Count(0));
        QCOMPARE(w.State().pSampleLoaded, kFalse);
        QCOMPARE(w.State().pDataFileName[0], QString("*.dat"));
        QCOMPARE(CursorName(f, w.Work().PhotoPic), QString());
    }

    // ---- Demo and help entries ----

    void demoEntriesStartOnlyOneDemo() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        w.Menus().StartDemo2Menu->trigger();
        QCOMPARE(f.data->gDemoRunning, kTrue);
        QCOMPARE(f.data->gDemoNumber, Count(2));
        w.Menus().StartDemo1Menu->trigger();
        QCOMPARE(f.data->gDemoNumber, Count(2));
        f.data->gDemoRunning = kFalse;
        w.Menus().StartDemo1Menu->trigger();
        QCOMPARE(f.data->gDemoNumber, Count(1));
    }

    // ---- Altitude boxes ----

    void typedAltitudeFollowsInTheOtherUnit_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("partner");
        QTest::addColumn<QString>("partnerText");
        QTest::addColumn<QString>("ownText");
        QTest::addColumn<bool>("message");
        QTest::newRow("plan metres") << "VerHeightmTxt"
                                     << "589"
                                     << "VerHeightTxt"
                                     << "1932"
                                     << "589" << false;
        QTest::newRow("inclined feet") << "IncliHeightTxt"
                                       << "440"
                                       << "IncliHeightmTxt"
                                       << "134"
                                       << "440" << false;
        QTest::newRow("metres out of range") << "IncliHeightmTxt"
                                             << "1501"
                                             << "IncliHeightTxt"
                                             << "0"
                                             << "" << true;
        QTest::newRow("feet out of range") << "VerHeightTxt"
                                           << "5001"
                                           << "VerHeightmTxt"
                                           << "0"
                                           << "" << true;
        QTest::newRow("upper bound kept") << "VerHeightmTxt"
                                          << "1500"
                                          << "VerHeightTxt"
                                          << "4921"
                                          << "1500" << false;
    }
    void typedAltitudeFollowsInTheOtherUnit() {
        QFETCH(QString, box);
        QFETCH(QString, typed);
        QFETCH(QString, partner);
        QFETCH(QString, partnerText);
        QFETCH(QString, ownText);
        QFETCH(bool, message);
        WindowFixture f;
        InputLineFrm& w = f.Create();
        f.ShowActive();
        auto* edit = w.findChild<QLineEdit*>(box);
        auto* other = w.findChild<QLineEdit*>(partner);
        QVERIFY(edit && other);
        edit->setFocus();
        QTRY_VERIFY(edit->hasFocus());
        QTest::keyClicks(edit, typed);
        QCOMPARE(edit->text(), ownText);
        QCOMPARE(other->text(), partnerText);
        QCOMPARE(f.prompts.Texts(),
                 message ? QStringList{"入力値が適切ではありません"} : QStringList{});
    }

    void boxesSetFromCodeFollowOnlyTheFocusedUnit() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        // Nothing focused yet: no box writes its partner.
        w.Work().VerHeightmTxt->setText("598");
        QVERIFY(w.Work().VerHeightTxt->text().isEmpty());
        // Metres focused: a metres box drives its feet box, not back.
        w.Work().Altitudes().pHeightUnitFocus = kFocusMetres;
        w.Work().IncliHeightmTxt->setText("102");
        QCOMPARE(w.Work().IncliHeightTxt->text(), QString("335"));
        w.Work().IncliHeightTxt->setText("334");
        QCOMPARE(w.Work().IncliHeightmTxt->text(), QString("102"));
        // Focus on a feet box.
        f.ShowActive();
        w.Work().VerHeightTxt->setFocus();
        QTRY_COMPARE(w.Work().Altitudes().pHeightUnitFocus, kFocusFeet);
        w.Work().VerHeightTxt->setText("1000");
        QCOMPARE(w.Work().VerHeightmTxt->text(), QString("305"));
        w.Work().VerHeightmTxt->setFocus();
        QTRY_COMPARE(w.Work().Altitudes().pHeightUnitFocus, kFocusMetres);
    }

    // ---- Inclined-view redraw ----

    void redrawWithoutRoofsShowsOnlyTheCaption() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        const QImage picture = NoisePicture(781, 653, 30);
        w.Work().PhotoPic->SetPicture(picture);
        w.Editor().Views().ShowSlopeLineMap({});
        const QImage& s = w.Work().PhotoPic->Surface();
        const QPointF corner = w.Work().PhotoPic->ToPixel(250, 300);
        const QPoint caption(int(std::floor(corner.x())), int(std::floor(corner.y())));
        int changed = 0;
        for (int y = 0; y < s.height(); ++y)
            for (int x = 0; x < s.width(); ++x)
                if (s.pixel(x, y) != picture.pixel(x, y)) {
                    ++changed;
                    QVERIFY(s.pixel(x, y) == qRgb(128, 128, 128));
                    QVERIFY(x >= caption.x() && y >= caption.y() && y < caption.y() + 40);
                }
        QVERIFY(changed > 30);
    }

    void redrawHighlightsTheActiveRoof_data() {
        QTest::addColumn<int>("active");
        QTest::addColumn<int>("member");
        QTest::addColumn<bool>("walls");
        QTest::addColumn<QRgb>("roofEdge");  // mid-edge pixel of roof 2
        QTest::addColumn<QRgb>("roof2Wall"); // mid-wall pixel of roof 2's first wall
        QTest::addColumn<QRgb>("roof0Wall"); // mid-wall pixel of roof 0's wall
        // On a black picture XOR shows the pen colour itself.
        const QRgb black = qRgb(0, 0, 0), roof = qRgb(255, 0, 200), wall = qRgb(0, 150, 255);
        const QRgb active = qRgb(0, 255, 200), activeWall = qRgb(255, 100, 0);
        QTest::newRow("none") << -1 << -1 << false << roof << wall << wall;
        QTest::newRow("roof 2 with walls") << 2 << 2 << true << active << activeWall << wall;
        QTest::newRow("roof 2 without walls") << 2 << 2 << false << active << black << wall;
        QTest::newRow("member names roof 2, none active")
            << -1 << 2 << false << roof << black << wall;
    }
    void redrawHighlightsTheActiveRoof() {
        QFETCH(int, active);
        QFETCH(int, member);
        QFETCH(bool, walls);
        QFETCH(QRgb, roofEdge);
        QFETCH(QRgb, roof2Wall);
        QFETCH(QRgb, roof0Wall);
        WindowFixture f;
        InputLineFrm& w = f.Create();
        QImage black(781, 653, QImage::Format_RGB32);
        black.fill(Qt::black);
        w.Work().PhotoPic->SetPicture(black);
        w.LoadSampleData(2);
        w.Work().Picture().SetPictureCoordinates(w.Work().PhotoPic->InnerHeight(),
                                                 w.Work().PhotoPic->InnerWidth());
        w.Session().SetActiveRoof(Count(member));
        w.Editor().Views().ShowSlopeLineMap({.roof = Count(active), .walls = walls});
        auto at = [&](double x, double y) { return PixelAt(*w.Work().PhotoPic, x, y); };
        // Roof 2: (101, 169) - (196, 166); its first wall (101, 169) - (90, 82).
        QCOMPARE(at(148.5, 167.5), roofEdge);
        QCOMPARE(at(95.5, 125.5), roof2Wall);
        // Roof 0's wall (111, -62) - (93, -146).
        QCOMPARE(at(102, -104), roof0Wall);
        QCOMPARE(w.Work().PhotoPic->Mode(), active >= 0 ? DrawMode::Xor : DrawMode::Copy);
        if (active == 2) {
            // Handle box around roof 2's points (and its walls when drawn).
            QCOMPARE(float(w.Session().Marks().maxX), 196.0f);
            QCOMPARE(float(w.Session().Marks().minX), walls ? 62.0f : 68.0f);
            QCOMPARE(float(w.Session().Marks().maxY), 281.0f);
            QCOMPARE(float(w.Session().Marks().minY), walls ? 76.0f : 166.0f);
        }
    }

    void singlePointRoofGivesOnlyItsPointToTheHandles() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        const std::vector<PicturePoint> one{{12, -7}};
        QCOMPARE(AppendTopArea(*f.data, one), AppendResult::Ok);
        const QImage blank = w.Work().PhotoPic->Surface().copy();
        w.Session().SetActiveRoof(0);
        w.Editor().Views().ShowSlopeLineMap({.roof = 0, .walls = true});
        QCOMPARE(float(w.Session().Marks().maxX), 12.0f);
        QCOMPARE(float(w.Session().Marks().minX), 12.0f);
        QCOMPARE(float(w.Session().Marks().maxY), -7.0f);
        QCOMPARE(float(w.Session().Marks().minY), -7.0f);
        w.Session().SetActiveRoof(-1);
        w.Editor().Views().ShowSlopeLineMap({});
        QCOMPARE(CountDifferences(blank, w.Work().PhotoPic->Surface()), 0);
    }

    void handlesDrawnAndErasedLeaveTheViewUnchanged() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        w.Work().PhotoPic->SetPicture(NoisePicture(781, 653, 8));
        w.LoadSampleData(2);
        w.Session().SetActiveRoof(3);
        w.Editor().Views().ShowSlopeLineMap({.roof = 3, .walls = true});
        const QImage selected = w.Work().PhotoPic->Surface().copy();
        w.Editor().Views().EraseSelectMarks();
        QVERIFY(CountDifferences(selected, w.Work().PhotoPic->Surface()) > 0);
        w.Editor().Views().DrawSelectMarks(
            float(w.Session().Marks().maxX), float(w.Session().Marks().minX),
            float(w.Session().Marks().maxY), float(w.Session().Marks().minY));
        QCOMPARE(CountDifferences(selected, w.Work().PhotoPic->Surface()), 0);
        w.Editor().Views().DrawSelectMarks(40, -40, 30, -30);
        w.Editor().Views().EraseSelectMarks();
        QCOMPARE(CountDifferences(selected, w.Work().PhotoPic->Surface()), 0);
    }

    void allLinesWithoutHighlight() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        QImage black(781, 653, QImage::Format_RGB32);
        black.fill(Qt::black);
        w.Work().PhotoPic->SetPicture(black);
        w.LoadSampleData(2);
        w.Work().Picture().SetPictureCoordinates(w.Work().PhotoPic->InnerHeight(),
                                                 w.Work().PhotoPic->InnerWidth());
        w.Session().SetActiveRoof(2);
        w.Editor().Views().ShowAllSlopeLines();
        auto at = [&](double x, double y) { return PixelAt(*w.Work().PhotoPic, x, y); };
        QCOMPARE(at(148.5, 167.5), qRgb(255, 0, 200));
        QCOMPARE(at(95.5, 125.5), qRgb(0, 150, 255));
        QCOMPARE(w.Work().PhotoPic->Mode(), DrawMode::Copy);
    }
};

QTEST_MAIN(MainWindowTest)
#include "test_mainwindow.moc"
