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

#include "support_window.h"
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
        s += w.InputModeRbn->Button(i)->isEnabled() ? '1' : '0';
    return s;
}
QString MenuAvailability(InputLineFrm& w) {
    QString s;
    for (QAction* a : w.InputModeMenu)
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
        QCOMPARE(w.pActiveTopArea, Count(-1));
        QCOMPARE(w.pFirstActivate, kTrue);
        QCOMPARE(w.pChangeCount, Count(0));
        QCOMPARE(w.pSampleLoaded, kFalse);
        QCOMPARE(w.pDataFileName[0], QString("*.dat"));
        QCOMPARE(w.pDataFileName[1], QString("LineData5.dat"));
        QCOMPARE(w.pDataFileName[2], QString("LineData10.dat"));
        QVERIFY(!w.Remove1TopAreaMenu->isEnabled());
        QCOMPARE(w.pViewMode, Count(1));
        // Centred picture coordinates with y up for both views.
        for (PictureView* v : {w.PhotoPic, w.PhotoPic2}) {
            const double iw = v->InnerWidth(), ih = v->InnerHeight();
            QCOMPARE(v->ScaleWidth(), iw);
            QCOMPARE(v->ScaleHeight(), -ih);
            QCOMPARE(v->ScaleLeft(), -iw / 2);
            QCOMPARE(v->ScaleTop(), ih / 2);
        }
        QCOMPARE(w.PhotoPic->DrawWidth(), 2);
        QVERIFY(!w.PhotoPic2->isVisibleTo(&w));
        QCOMPARE(w.AzimusPic->ScaleLeft(), -100.0);
        QCOMPARE(w.AzimusPic->ScaleTop(), 100.0);
        QCOMPARE(w.AzimusPic->ScaleWidth(), 200.0);
        QCOMPARE(w.AzimusPic->ScaleHeight(), -200.0);
        QCOMPARE(w.AzimusTxt->text(), QString("0"));
        for (QLineEdit* e : {w.VerHeightTxt, w.VerHeightmTxt, w.IncliHeightTxt, w.IncliHeightmTxt})
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
                 (QStringList{"ファイル(&F)", "編集(&E)", "デモ(&D)", "ヘルプ(&H)"}));
        QCOMPARE(Titles(w.OpenFileMenu->actions()),
                 (QStringList{"画像ファイル読込み(&P)", "サンプル画像", "-", "データ読込み(&D)",
                              "サンプルデータ", "-", "データ保存(&S)"}));
        QCOMPARE(Titles(w.SamplePhotoMenu->actions()),
                 (QStringList{"サンプル画像1読込み", "サンプル画像2読込み"}));
        QCOMPARE(Titles(w.SampleDataMenu->actions()),
                 (QStringList{"サンプルデータ1読込み", "サンプルデータ2読込み"}));
        QCOMPARE(Titles(w.EditPhotoLineMenu->actions()),
                 (QStringList{"傾斜図表示", "平面図表示", "-", "中止", "-", "選択(&S)",
                              "拡大縮小(&Z)", "屋上ライン(&T)", "側壁ライン(&W)", "移動(&M)",
                              "追加(&A)", "削除(&D)", "-", "建物高さ変更", "1屋根削除(&R)"}));
        QCOMPARE(Titles(w.StartDemoMenu->actions()), (QStringList{"デモー１(&1)", "デモー２(&2)"}));
        QVERIFY(w.HelpMenu->menu() == nullptr);
    }

    void controlsCarryTheirCaptions() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        const QStringList captions{"選択",         "拡大縮小",     "屋上ライン",   "側壁ライン",
                                   "ポイント移動", "ポイント追加", "ポイント削除", "ビル屋上"};
        const QStringList tips{"ラインの選択",     "拡大縮小",       "屋上ラインの描画",
                               "側壁ラインの描画", "ポイントの移動", "ポイントの追加",
                               "ポイントの削除",   "ポイントの削除"};
        for (int i = 0; i < 8; ++i) {
            QCOMPARE(w.InputModeRbn->Button(i)->text(), captions[i]);
            QCOMPARE(w.InputModeRbn->Button(i)->toolTip(), tips[i]);
        }
        QCOMPARE(w.SlopeOrFlatRbn->Button(0)->text(), QString("傾斜図表示"));
        QCOMPARE(w.SlopeOrFlatRbn->Button(1)->text(), QString("平面図表示"));
        QCOMPARE(w.ResetDataCmd->text(), QString("全て消去"));
        QCOMPARE(w.ClearPhotoCmd->text(), QString("画像消去"));
        QCOMPARE(w.CloseCmd->text(), QString("閉じる(&C)"));
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
        w.SlopeOrFlatRbn->SetValue(0, false);
        w.pViewMode = 0;
        f.ShowActive();
        QCOMPARE(w.pFirstActivate, kFalse);
        QCOMPARE(w.pViewMode, Count(1));
        QVERIFY(w.SlopeOrFlatRbn->Value(0));
        // Later activations do nothing.
        w.SlopeOrFlatRbn->SetValue(0, false);
        w.Form_Activate();
        QVERIFY(!w.SlopeOrFlatRbn->Value(0));
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
        w.InputModeMenu_Click(4); // a tool that must survive
        const QSize size = w.PhotoPic->size();
        if (byMenu)
            w.DispFlatMapMenu->trigger();
        else
            QTest::mouseClick(w.SlopeOrFlatRbn->Button(1), Qt::LeftButton);
        QCOMPARE(f.prompts.Texts(), QStringList{message});
        QCOMPARE(w.pViewMode, Count(1));
        QCOMPARE(w.pInputMode, Count(4));
        QCOMPARE(w.PhotoPic->size(), size);
        QCOMPARE(w.SlopeOrFlatRbn->Down(), -1);
        // The menu checks its item before the switch runs; the button
        // leaves the marks alone.
        QCOMPARE(w.DispFlatMapMenu->isChecked(), byMenu);
        QCOMPARE(w.DispSlopeMapMenu->isChecked(), !byMenu);
        QCOMPARE(CursorName(f, w.PhotoPic), QString()); // default pointer
        QCOMPARE(ButtonAvailability(w), QString("10111111"));
    }

    void planMapAndBack() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        f.SetGoodAltitudes();
        w.LoadSampleData(2);
        const QImage picture = NoisePicture(784, 653, 5);
        w.PhotoPic->SetPicture(picture);
        const QSize pictureSize = w.PhotoPic->size();
        const double scale[4] = {w.PhotoPic->ScaleLeft(), w.PhotoPic->ScaleTop(),
                                 w.PhotoPic->ScaleWidth(), w.PhotoPic->ScaleHeight()};
        w.pActiveTopArea = 2;
        w.ChangeBillHeightMenu->setEnabled(true);
        QTest::mouseClick(w.InputModeRbn->Button(4), Qt::LeftButton);
        QCOMPARE(w.pInputMode, Count(4));

        QTest::mouseClick(w.SlopeOrFlatRbn->Button(1), Qt::LeftButton);
        QCOMPARE(w.pViewMode, Count(2));
        QVERIFY(f.prompts.Texts().isEmpty());
        QVERIFY(w.DispFlatMapMenu->isChecked());
        QVERIFY(!w.DispSlopeMapMenu->isChecked());
        QCOMPARE(ButtonAvailability(w), QString("11001001"));
        QCOMPARE(MenuAvailability(w), QString("1100100"));
        QVERIFY(!w.ChangeBillHeightMenu->isEnabled());
        QCOMPARE(w.pActiveTopArea, Count(-1));
        // Releasing the move button while still in the inclined view
        // returned the tool to select.
        QCOMPARE(w.InputModeRbn->Down(), -1);
        QCOMPARE(w.pInputMode, Count(0));
        QVERIFY(!w.PhotoPic->HasPicture());
        QCOMPARE(w.PhotoPic->size(), QSize(785, 657));
        QCOMPARE(w.PhotoPic->ScaleLeft(), -380.0);
        QCOMPARE(w.PhotoPic->ScaleTop(), 326.0);
        QCOMPARE(w.PhotoPic->ScaleWidth(), 781.0);
        QCOMPARE(w.PhotoPic->ScaleHeight(), -653.0);
        QCOMPARE(w.pFlatMapRate, w.MapTables.gMapRate[std::size_t(w.gMapScaleIndex)]);
        // Heights were measured: every sample roof has wall lines.
        for (int r = 0; r < f.data->gEachTopAreaNumber; ++r)
            QVERIFY(f.data->gFlatTopHeight[std::size_t(r)] > 10);

        QTest::mouseClick(w.InputModeRbn->Button(1), Qt::LeftButton);
        QCOMPARE(w.pInputMode, Count(1));
        QTest::mouseClick(w.SlopeOrFlatRbn->Button(0), Qt::LeftButton);
        QCOMPARE(w.pViewMode, Count(1));
        QCOMPARE(ButtonAvailability(w), QString("10111111"));
        QCOMPARE(MenuAvailability(w), QString("1011111"));
        // The tool survives the way back; its button is up.
        QCOMPARE(w.pInputMode, Count(1));
        QCOMPARE(w.InputModeRbn->Down(), -1);
        // The picture stays hidden, but size and coordinates are the
        // picture's again.
        QVERIFY(!w.PhotoPic->HasPicture());
        QCOMPARE(w.PhotoPic->size(), pictureSize);
        QCOMPARE(w.PhotoPic->ScaleLeft(), scale[0]);
        QCOMPARE(w.PhotoPic->ScaleTop(), scale[1]);
        QCOMPARE(w.PhotoPic->ScaleWidth(), scale[2]);
        QCOMPARE(w.PhotoPic->ScaleHeight(), scale[3]);
        QCOMPARE(w.ClearPhotoCmd->text(), QString("画像消去"));
    }

    void planMapMeasuresWithThePictureWidth() {
        // Entering the plan map again while it is shown, or after coming
        // back, gives the same heights: the canvas width never stands in
        // for the picture's.
        WindowFixture f;
        InputLineFrm& w = f.Create();
        f.SetGoodAltitudes();
        w.LoadSampleData(2);
        w.SetPictureCoordinates(657, 788);
        w.SelectFlatView();
        const auto first = f.data->gFlatTopHeight;
        const float firstX = f.data->gFlatTopAreaX[3];
        w.SlopeOrFlatRbn->SetValue(1, true);
        QCOMPARE(f.data->gFlatTopHeight, first);
        w.SelectSlopeView();
        w.SelectFlatView();
        QCOMPARE(f.data->gFlatTopHeight, first);
        QCOMPARE(f.data->gFlatTopAreaX[3], firstX);
    }

    void planMapShowsItsCaption() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        f.SetGoodAltitudes();
        w.SelectFlatView();
        // Without roofs: the caption, the scale bar and the north arrow.
        int grey = 0, bar = 0, arrow = 0;
        const QImage& s = w.PhotoPic->Surface();
        for (int y = 0; y < s.height(); ++y)
            for (int x = 0; x < s.width(); ++x) {
                const QRgb p = s.pixel(x, y);
                grey += p == qRgb(128, 128, 128);
                bar += p == qRgb(0, 0, 200);
                arrow += p == qRgb(0, 176, 0);
            }
        QVERIFY(grey > 30);
        QVERIFY(bar >= 200);
        QVERIFY(arrow >= 100);
        const QPointF at = w.PhotoPic->ToPixel(250, 300);
        QCOMPARE(at, QPointF(630, 26));
    }

    // ---- Tools ----

    void toolButtonsInTheInclinedView_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("altitudesOk");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("down");
        QTest::addColumn<QString>("cursor");
        QTest::addColumn<int>("drawPoints");
        QTest::addColumn<int>("wallStart");
        QTest::addColumn<bool>("message");
        // Before each press: tool 4 active, pDrawPointNum 5, pWallStartSet 1.
        QTest::newRow("select") << 0 << false << 0 << 0 << "" << 5 << 1 << false;
        QTest::newRow("roof") << 2 << true << 2 << 2 << "RedPen.ICO" << 0 << 1 << false;
        QTest::newRow("roof refused") << 2 << false << 0 << -1 << "" << 5 << 1 << true;
        QTest::newRow("wall") << 3 << true << 3 << 3 << "BluePen.ICO" << 5 << 0 << false;
        QTest::newRow("wall refused") << 3 << false << 0 << -1 << "" << 5 << 1 << true;
        QTest::newRow("move") << 4 << false << 4 << 4 << "MovePen.ICO" << 5 << 1 << false;
        QTest::newRow("add") << 5 << false << 5 << 5 << "AddPen.ICO" << 5 << 1 << false;
        QTest::newRow("delete") << 6 << false << 6 << 6 << "Remove.ICO" << 5 << 1 << false;
        QTest::newRow("one-click") << 7 << true << 7 << 7 << "ARW10NW2.ICO" << 0 << 1 << false;
        QTest::newRow("one-click refused") << 7 << false << 0 << -1 << "" << 5 << 1 << true;
    }
    void toolButtonsInTheInclinedView() {
        QFETCH(int, index);
        QFETCH(bool, altitudesOk);
        QFETCH(int, mode);
        QFETCH(int, down);
        QFETCH(QString, cursor);
        QFETCH(int, drawPoints);
        QFETCH(int, wallStart);
        QFETCH(bool, message);
        WindowFixture f;
        InputLineFrm& w = f.Create();
        if (altitudesOk)
            f.SetGoodAltitudes();
        QTest::mouseClick(w.InputModeRbn->Button(4), Qt::LeftButton);
        w.pDrawPointNum = 5;
        w.pWallStartSet = 1;
        w.pActiveTopArea = 1;
        f.prompts.Clear();
        QTest::mouseClick(w.InputModeRbn->Button(index), Qt::LeftButton);
        QCOMPARE(int(w.pInputMode), mode);
        QCOMPARE(w.InputModeRbn->Down(), down);
        QCOMPARE(CursorName(f, w.PhotoPic), cursor);
        QCOMPARE(CursorName(f, w.BasePic), cursor);
        QCOMPARE(int(w.pDrawPointNum), drawPoints);
        QCOMPARE(int(w.pWallStartSet), wallStart);
        QCOMPARE(f.prompts.Texts(), message ? QStringList{kMissing} : QStringList{});
        QCOMPARE(w.pActiveTopArea, Count(index == 0 ? -1 : 1));
    }

    void toolMenuItemsInTheInclinedView_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("cursor");
        QTest::addColumn<int>("drawPoints");
        QTest::addColumn<int>("wallStart");
        // No altitudes: the menu never checks them.
        QTest::newRow("select") << 0 << 0 << "" << 5 << 1;
        QTest::newRow("zoom does nothing") << 1 << 6 << "Remove.ICO" << 5 << 1;
        QTest::newRow("roof") << 2 << 2 << "RedPen.ICO" << 0 << 1;
        QTest::newRow("wall") << 3 << 3 << "BluePen.ICO" << 5 << 0;
        QTest::newRow("move") << 4 << 4 << "MovePen.ICO" << 5 << 1;
        QTest::newRow("add") << 5 << 5 << "AddPen.ICO" << 5 << 1;
        QTest::newRow("delete") << 6 << 6 << "Remove.ICO" << 5 << 1;
    }
    void toolMenuItemsInTheInclinedView() {
        QFETCH(int, index);
        QFETCH(int, mode);
        QFETCH(QString, cursor);
        QFETCH(int, drawPoints);
        QFETCH(int, wallStart);
        WindowFixture f;
        InputLineFrm& w = f.Create();
        QTest::mouseClick(w.InputModeRbn->Button(6), Qt::LeftButton);
        w.pDrawPointNum = 5;
        w.pWallStartSet = 1;
        f.prompts.Clear();
        w.InputModeMenu[std::size_t(index)]->trigger();
        QCOMPARE(int(w.pInputMode), mode);
        QCOMPARE(CursorName(f, w.PhotoPic), cursor);
        QCOMPARE(int(w.pDrawPointNum), drawPoints);
        QCOMPARE(int(w.pWallStartSet), wallStart);
        QVERIFY(f.prompts.Texts().isEmpty());
        QCOMPARE(w.InputModeRbn->Down(), 6); // the buttons are not touched
    }

    void toolsOnThePlanMap_data() {
        QTest::addColumn<bool>("byMenu");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("cursor");
        // Before: move tool set from the plan map's button.
        QTest::newRow("button select") << false << 0 << 0 << "";
        QTest::newRow("button zoom") << false << 1 << 1 << "Magnify.cur";
        QTest::newRow("button move") << false << 4 << 4 << "MovePen.ICO";
        QTest::newRow("button one-click does nothing") << false << 7 << 4 << "MovePen.ICO";
        QTest::newRow("menu select") << true << 0 << 0 << "";
        QTest::newRow("menu zoom does nothing") << true << 1 << 4 << "MovePen.ICO";
        QTest::newRow("menu move") << true << 4 << 4 << "POINT14.ICO";
        QTest::newRow("menu roof does nothing") << true << 2 << 4 << "MovePen.ICO";
    }
    void toolsOnThePlanMap() {
        QFETCH(bool, byMenu);
        QFETCH(int, index);
        QFETCH(int, mode);
        QFETCH(QString, cursor);
        WindowFixture f;
        InputLineFrm& w = f.Create();
        f.SetGoodAltitudes();
        w.SelectFlatView();
        QTest::mouseClick(w.InputModeRbn->Button(4), Qt::LeftButton);
        QCOMPARE(CursorName(f, w.PhotoPic), QString("MovePen.ICO"));
        w.pActiveTopArea = 0;
        if (byMenu)
            w.InputModeMenu_Click(index);
        else
            w.InputModeRbn->SetValue(index, true);
        QCOMPARE(int(w.pInputMode), mode);
        QCOMPARE(CursorName(f, w.PhotoPic), cursor);
        QCOMPARE(w.pActiveTopArea, Count(index == 0 ? -1 : 0));
    }

    void releasingOnThePlanMapKeepsTheTool() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        f.SetGoodAltitudes();
        w.SelectFlatView();
        w.InputModeRbn->SetValue(1, true);
        w.InputModeRbn->SetValue(1, false);
        QCOMPARE(w.pInputMode, Count(1));
    }

    void oneClickWithoutAltitudesFromMoveTool() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        QTest::mouseClick(w.InputModeRbn->Button(4), Qt::LeftButton);
        f.prompts.Clear();
        QTest::mouseClick(w.InputModeRbn->Button(7), Qt::LeftButton);
        QCOMPARE(f.prompts.Texts(), QStringList{kMissing});
        QCOMPARE(w.InputModeRbn->Down(), -1);
        QCOMPARE(w.pInputMode, Count(0));
        QCOMPARE(CursorName(f, w.PhotoPic), QString());
    }

    void missingCursorFileLeavesThePreviousCursor() {
        WindowFixture f(false);
        InputLineFrm& w = f.Create();
        f.SetGoodAltitudes();
        const QCursor custom(Qt::CrossCursor);
        w.PhotoPic->setCursor(custom);
        QTest::mouseClick(w.InputModeRbn->Button(2), Qt::LeftButton);
        QCOMPARE(w.pInputMode, Count(2)); // the tool is chosen all the same
        QCOMPARE(w.PhotoPic->cursor().shape(), Qt::CrossCursor);
    }

    void cursorFilesBesideTheExecutable() {
        // Started from elsewhere: the files beside the executable are used.
        WindowFixture f(false);
        InputLineFrm& w = f.Create();
        const QString rel =
            QStringLiteral("velmora-test-%1/x.txt").arg(QCoreApplication::applicationPid());
        const QString besideExe = QDir(QCoreApplication::applicationDirPath()).filePath(rel);
        QCOMPARE(w.BuiltInFile(rel), QDir::toNativeSeparators(f.Path(rel)));
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
    }

    void stopKeepsEditsAndScreen() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        f.SetGoodAltitudes();
        w.LoadSampleData(2);
        w.pSampleLoaded = kFalse;
        QTest::mouseClick(w.InputModeRbn->Button(2), Qt::LeftButton);
        w.pChangeCount = 3;
        w.pActiveTopArea = 1;
        w.pDrawPointNum = 2;
        const QImage screen = w.PhotoPic->Surface().copy();
        w.StopDrawLineMenu->trigger();
        QCOMPARE(w.pInputMode, Count(0));
        QCOMPARE(w.pActiveTopArea, Count(-1));
        QCOMPARE(CursorName(f, w.PhotoPic), QString());
        QCOMPARE(w.InputModeRbn->Down(), 2);
        QCOMPARE(w.pDrawPointNum, Count(2));
        QCOMPARE(CountDifferences(screen, w.PhotoPic->Surface()), 0);
        // Stopping saves nothing: the edits still count as unsaved.
        QCOMPARE(w.pChangeCount, Count(3));
    }

    void mousePositionsShiftToTheCursorTip_data() {
        QTest::addColumn<int>("tool");
        QTest::addColumn<double>("dx");
        QTest::addColumn<double>("dy");
        QTest::addColumn<bool>("stored");
        QTest::newRow("select") << 0 << 0.0 << 0.0 << true;
        QTest::newRow("roof") << 2 << -14.0 << 14.0 << true;
        QTest::newRow("wall") << 3 << -14.0 << 14.0 << true;
        QTest::newRow("move") << 4 << -13.0 << 13.0 << true;
        QTest::newRow("add") << 5 << -1.0 << 0.0 << true;
        QTest::newRow("delete") << 6 << -1.0 << 0.0 << true;
        QTest::newRow("one-click") << 7 << -10.0 << 10.0 << true;
        QTest::newRow("zoom stores nothing") << 1 << 0.0 << 0.0 << false;
    }
    void mousePositionsShiftToTheCursorTip() {
        QFETCH(int, tool);
        QFETCH(double, dx);
        QFETCH(double, dy);
        QFETCH(bool, stored);
        WindowFixture f;
        InputLineFrm& w = f.Create();
        f.ShowActive();
        w.pInputMode = Count(tool);
        w.pDownX = 1234;
        w.pDownY = 4321;
        const QPoint at(PictureView::kBorder + 500, PictureView::kBorder + 100);
        const QPointF user = w.PhotoPic->ToUser(QPointF(500, 100));
        QTest::mousePress(w.PhotoPic, Qt::LeftButton, {}, at);
        QTest::mouseRelease(w.PhotoPic, Qt::LeftButton, {}, at);
        if (stored) {
            QCOMPARE(double(w.pDownX), user.x() + dx);
            QCOMPARE(double(w.pDownY), user.y() + dy);
        } else {
            QCOMPARE(w.pDownX, 1234.0f);
            QCOMPARE(w.pDownY, 4321.0f);
        }
        // A right button press stores nothing.
        w.pDownX = 7;
        QTest::mousePress(w.PhotoPic, Qt::RightButton, {}, at);
        QTest::mouseRelease(w.PhotoPic, Qt::RightButton, {}, at);
        if (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
        QCOMPARE(w.pDownX, 7.0f);
    }

    void rightButtonOpensTheEditMenu_data() {
        QTest::addColumn<int>("tool");
        QTest::addColumn<bool>("planMap");
        QTest::addColumn<bool>("popup");
        for (int t = 0; t <= 7; ++t)
            QTest::addRow("tool %d", t) << t << false << (t != 1 && t != 7);
        QTest::newRow("plan map, zoom") << 1 << true << false;
        QTest::newRow("plan map, move") << 4 << true << true;
    }
    void rightButtonOpensTheEditMenu() {
        QFETCH(int, tool);
        QFETCH(bool, planMap);
        QFETCH(bool, popup);
        WindowFixture f;
        InputLineFrm& w = f.Create();
        f.ShowActive();
        if (planMap) {
            f.SetGoodAltitudes();
            w.SelectFlatView();
        }
        w.pInputMode = Count(tool);
        // A point well inside the (small, headless) screen.
        const QPoint at = w.PhotoPic->mapFromGlobal(QPoint(200, 150));
        QTest::mousePress(w.PhotoPic, Qt::RightButton, {}, at);
        QTest::mouseRelease(w.PhotoPic, Qt::RightButton, {}, at);
        QWidget* shown = QApplication::activePopupWidget();
        QCOMPARE(shown == w.EditPhotoLineMenu, popup);
        if (shown) {
            QVERIFY((shown->pos() - w.PhotoPic->mapToGlobal(at)).manhattanLength() <= 2);
            shown->close();
        }
        // The left button never opens it.
        QTest::mouseClick(w.PhotoPic, Qt::LeftButton, {}, at);
        QVERIFY(QApplication::activePopupWidget() == nullptr);
    }

    // ---- Picture hiding ----

    void clearAndRestoreThePicture() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        const QImage picture = NoisePicture(781, 653, 12);
        w.PhotoPic->SetPicture(picture);
        w.PhotoPic2->SetPicture(picture);
        w.LoadSampleData(2);
        w.ShowSlopeLineMap(-1, -1);
        const QImage before = w.PhotoPic->Surface().copy();
        w.pActiveTopArea = 0;
        w.ShowSlopeLineMap(0, 0); // a highlight that must not come back
        QTest::mouseClick(w.InputModeRbn->Button(4), Qt::LeftButton);

        QTest::mouseClick(w.ClearPhotoCmd, Qt::LeftButton);
        QCOMPARE(w.ClearPhotoCmd->text(), QString("戻す"));
        QVERIFY(!w.PhotoPic->HasPicture());
        QCOMPARE(CursorName(f, w.PhotoPic), QString());
        QCOMPARE(w.pInputMode, Count(4));
        // Every outline, roof 0 and its walls included, on the empty box.
        QCOMPARE(PixelAt(*w.PhotoPic, 187, -67.5), qRgb(255, 0, 200));
        QCOMPARE(PixelAt(*w.PhotoPic, 102, -104), qRgb(0, 150, 255));

        w.pActiveTopArea = -1;
        QTest::mouseClick(w.ClearPhotoCmd, Qt::LeftButton);
        QCOMPARE(w.ClearPhotoCmd->text(), QString("画像消去"));
        QCOMPARE(w.PhotoPic->Picture(), w.PhotoPic2->Picture());
        QCOMPARE(CountDifferences(before, w.PhotoPic->Surface()), 0);
    }

    void resetAllClearsEverything() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        f.SetGoodAltitudes();
        w.PhotoPic->SetPicture(NoisePicture(100, 100, 1));
        w.PhotoPic2->SetPicture(NoisePicture(100, 100, 1));
        w.LoadSampleData(2);
        w.SelectFlatView();
        w.pDataFileName[0] = QStringLiteral("site.dat");
        w.pChangeCount = 4;
        QTest::mouseClick(w.InputModeRbn->Button(4), Qt::LeftButton);
        QTest::mouseClick(w.ResetDataCmd, Qt::LeftButton);
        QCOMPARE(CountsOf(*f.data), (Counts{0, 0, 0}));
        QVERIFY(!w.PhotoPic->HasPicture());
        QVERIFY(w.PhotoPic2->HasPicture());
        QCOMPARE(w.pViewMode, Count(1));
        QVERIFY(w.SlopeOrFlatRbn->Value(0));
        QVERIFY(!w.SlopeOrFlatRbn->Value(1));
        QCOMPARE(w.pChangeCount, Count(0));
        QCOMPARE(w.pSampleLoaded, kFalse);
        QCOMPARE(w.pDataFileName[0], QString("*.dat"));
        QCOMPARE(CursorName(f, w.PhotoPic), QString());
    }

    // ---- Demo and help entries ----

    void demoEntriesStartOnlyOneDemo() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        w.StartDemo2Menu->trigger();
        QCOMPARE(f.data->gDemoRunning, kTrue);
        QCOMPARE(f.data->gDemoNumber, Count(2));
        w.StartDemo1Menu->trigger();
        QCOMPARE(f.data->gDemoNumber, Count(2));
        f.data->gDemoRunning = kFalse;
        w.StartDemo1Menu->trigger();
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
        w.VerHeightmTxt->setText("598");
        QVERIFY(w.VerHeightTxt->text().isEmpty());
        // Metres focused: a metres box drives its feet box, not back.
        w.pHeightUnitFocus = kFocusMetres;
        w.IncliHeightmTxt->setText("102");
        QCOMPARE(w.IncliHeightTxt->text(), QString("335"));
        w.IncliHeightTxt->setText("334");
        QCOMPARE(w.IncliHeightmTxt->text(), QString("102"));
        // Focus on a feet box.
        f.ShowActive();
        w.VerHeightTxt->setFocus();
        QTRY_COMPARE(w.pHeightUnitFocus, kFocusFeet);
        w.VerHeightTxt->setText("1000");
        QCOMPARE(w.VerHeightmTxt->text(), QString("305"));
        w.VerHeightmTxt->setFocus();
        QTRY_COMPARE(w.pHeightUnitFocus, kFocusMetres);
    }

    // ---- Inclined-view redraw ----

    void redrawWithoutRoofsShowsOnlyTheCaption() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        const QImage picture = NoisePicture(781, 653, 30);
        w.PhotoPic->SetPicture(picture);
        w.ShowSlopeLineMap(-1, -1);
        const QImage& s = w.PhotoPic->Surface();
        const QPointF corner = w.PhotoPic->ToPixel(250, 300);
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
        QTest::addColumn<int>("wallFlag");
        QTest::addColumn<QRgb>("roofEdge");  // mid-edge pixel of roof 2
        QTest::addColumn<QRgb>("roof2Wall"); // mid-wall pixel of roof 2's first wall
        QTest::addColumn<QRgb>("roof0Wall"); // mid-wall pixel of roof 0's wall
        // On a black picture XOR shows the pen colour itself.
        const QRgb black = qRgb(0, 0, 0), roof = qRgb(255, 0, 200), wall = qRgb(0, 150, 255);
        const QRgb active = qRgb(0, 255, 200), activeWall = qRgb(255, 100, 0);
        QTest::newRow("none") << -1 << -1 << -1 << roof << wall << wall;
        QTest::newRow("roof 2 with walls") << 2 << 2 << 0 << active << activeWall << wall;
        QTest::newRow("roof 2 without walls") << 2 << 2 << -1 << active << black << wall;
        QTest::newRow("member names roof 2, none active") << -1 << 2 << -1 << roof << black << wall;
    }
    void redrawHighlightsTheActiveRoof() {
        QFETCH(int, active);
        QFETCH(int, member);
        QFETCH(int, wallFlag);
        QFETCH(QRgb, roofEdge);
        QFETCH(QRgb, roof2Wall);
        QFETCH(QRgb, roof0Wall);
        WindowFixture f;
        InputLineFrm& w = f.Create();
        QImage black(781, 653, QImage::Format_RGB32);
        black.fill(Qt::black);
        w.PhotoPic->SetPicture(black);
        w.LoadSampleData(2);
        w.SetPictureCoordinates(w.PhotoPic->InnerHeight(), w.PhotoPic->InnerWidth());
        w.pActiveTopArea = Count(member);
        w.ShowSlopeLineMap(active, wallFlag);
        auto at = [&](double x, double y) { return PixelAt(*w.PhotoPic, x, y); };
        // Roof 2: (101, 169) - (196, 166); its first wall (101, 169) - (90, 82).
        QCOMPARE(at(148.5, 167.5), roofEdge);
        QCOMPARE(at(95.5, 125.5), roof2Wall);
        // Roof 0's wall (111, -62) - (93, -146).
        QCOMPARE(at(102, -104), roof0Wall);
        QCOMPARE(w.PhotoPic->Mode(), active >= 0 ? DrawMode::Xor : DrawMode::Copy);
        if (active == 2) {
            // Handle box around roof 2's points (and its walls when drawn).
            QCOMPARE(w.pMarkMaxX, 196.0f);
            QCOMPARE(w.pMarkMinX, wallFlag >= 0 ? 62.0f : 68.0f);
            QCOMPARE(w.pMarkMaxY, 281.0f);
            QCOMPARE(w.pMarkMinY, wallFlag >= 0 ? 76.0f : 166.0f);
        }
    }

    void singlePointRoofGivesOnlyItsPointToTheHandles() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        const std::vector<PicturePoint> one{{12, -7}};
        QCOMPARE(AppendTopArea(*f.data, one), AppendResult::Ok);
        const QImage blank = w.PhotoPic->Surface().copy();
        w.pActiveTopArea = 0;
        w.ShowSlopeLineMap(0, 0);
        QCOMPARE(w.pMarkMaxX, 12.0f);
        QCOMPARE(w.pMarkMinX, 12.0f);
        QCOMPARE(w.pMarkMaxY, -7.0f);
        QCOMPARE(w.pMarkMinY, -7.0f);
        w.pActiveTopArea = -1;
        w.ShowSlopeLineMap(-1, -1);
        QCOMPARE(CountDifferences(blank, w.PhotoPic->Surface()), 0);
    }

    void handlesDrawnAndErasedLeaveTheViewUnchanged() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        w.PhotoPic->SetPicture(NoisePicture(781, 653, 8));
        w.LoadSampleData(2);
        w.pActiveTopArea = 3;
        w.ShowSlopeLineMap(3, 0);
        const QImage selected = w.PhotoPic->Surface().copy();
        w.EraseSelectMarks();
        QVERIFY(CountDifferences(selected, w.PhotoPic->Surface()) > 0);
        w.DrawSelectMarks(w.pMarkMaxX, w.pMarkMinX, w.pMarkMaxY, w.pMarkMinY);
        QCOMPARE(CountDifferences(selected, w.PhotoPic->Surface()), 0);
        w.DrawSelectMarks(40, -40, 30, -30);
        w.EraseSelectMarks();
        QCOMPARE(CountDifferences(selected, w.PhotoPic->Surface()), 0);
    }

    void allLinesWithoutHighlight() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        QImage black(781, 653, QImage::Format_RGB32);
        black.fill(Qt::black);
        w.PhotoPic->SetPicture(black);
        w.LoadSampleData(2);
        w.SetPictureCoordinates(w.PhotoPic->InnerHeight(), w.PhotoPic->InnerWidth());
        w.pActiveTopArea = 2;
        w.ShowAllSlopeLines();
        auto at = [&](double x, double y) { return PixelAt(*w.PhotoPic, x, y); };
        QCOMPARE(at(148.5, 167.5), qRgb(255, 0, 200));
        QCOMPARE(at(95.5, 125.5), qRgb(0, 150, 255));
        QCOMPARE(w.PhotoPic->Mode(), DrawMode::Copy);
    }
};

QTEST_MAIN(MainWindowTest)
#include "test_mainwindow.moc"
