// SPDX-License-Identifier: GPL-3.0-or-later
// One-click tracing through the main window: double-clicks with the tool
// "ビル屋上" on sample picture 1 and on small synthetic pictures.
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QtTest>
#include <cmath>

#include "data/Conventions.h"
#include "data/Editing.h"
#include "data/Scenes.h"
#include "geometry/CameraModel.h"
#include "support/Pictures.h"
#include "support/Window.h"
#include "workspace/RibbonGroup.h"

using namespace velmora;
using namespace velmora::testing;

namespace {

const QString kAlreadySet = QStringLiteral("この屋上は既にセットされています。");

QString Text(std::string_view s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

// Puts a picture on both views, sized to it, with centred y-up coordinates,
// and the altitudes that go with it.
void SetPicture(InputLineFrm& w, const QImage& picture, const AltitudeTexts& t) {
    w.resize(picture.width() + 400, picture.height() + 200);
    w.Work().PhotoPic->SetPicture(picture);
    w.Work().PhotoPic2->SetPicture(picture);
    w.Work().PhotoPic->SizeToPicture();
    w.Work().PhotoPic2->SizeToPicture();
    w.Work().Picture().SetPictureCoordinates(picture.height(), picture.width());
    w.Work().VerHeightmTxt->setText(Text(t.verHeightm));
    w.Work().IncliHeightmTxt->setText(Text(t.incliHeightm));
    w.Work().VerHeightTxt->setText(Text(t.verHeight));
    w.Work().IncliHeightTxt->setText(Text(t.incliHeight));
}

double DistanceToOutline(const DemoScene& s, int roof, double x, double y) {
    const SceneRoof& r = s.roofs[std::size_t(roof)];
    double best = 1e9;
    for (int i = r.start; i + 1 < r.start + r.count; ++i) {
        const PicturePoint a = s.points[std::size_t(i)], b = s.points[std::size_t(i + 1)];
        const double dx = b.x - a.x, dy = b.y - a.y, len2 = dx * dx + dy * dy;
        const double u =
            len2 > 0 ? std::clamp(((x - a.x) * dx + (y - a.y) * dy) / len2, 0.0, 1.0) : 0;
        best = std::min(best, std::hypot(x - a.x - u * dx, y - a.y - u * dy));
    }
    return best;
}

// A grey picture of background `back` with rectangles (picture-independent
// pixel rectangles: column, row, width, height) of other greys.
struct GreyRect {
    int col, row, width, height, grey;
};
QImage GreyPicture(int w, int h, int back, const std::vector<GreyRect>& rects) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(qRgb(back, back, back));
    for (const GreyRect& r : rects)
        for (int y = r.row; y < r.row + r.height; ++y)
            for (int x = r.col; x < r.col + r.width; ++x)
                img.setPixel(x, y, qRgb(r.grey, r.grey, r.grey));
    return img;
}

// Picture position of the top-left corner of pixel (col, row) in a w x h picture.
PicturePoint PixelPosition(int w, int h, int col, int row) {
    return {float(col - w / 2), float(h / 2 - row)};
}

} // namespace

Q_DECLARE_METATYPE(std::vector<GreyRect>)

class TraceWindowTest : public QObject {
    Q_OBJECT
    QImage sample_;
    int roofs_ = 0;
    int walls_ = 0;

    void ChooseOneClickTool(WindowFixture& f, InputLineFrm& w) {
        f.ShowActive();
        QTest::mouseClick(w.Work().InputModeRbn->Button(Index(ToolId::Trace)), Qt::LeftButton);
        QCOMPARE(w.Session().CurrentTool(), ToolId::Trace);
    }

  private slots:
    void initTestCase() {
        sample_ = QImage(QStringLiteral(":/samples/sample1.png"));
        QVERIFY2(!sample_.isNull(), "sample picture 1 is not among the program's resources");
    }

    void traceSampleRoof_data() { AddSampleRoofRows(); }
    void traceSampleRoof() {
        QFETCH(int, roof);
        const DemoScene& s = SamplePictureScene(1);
        WindowFixture f;
        InputLineFrm& w = f.Create();
        w.LoadSamplePhoto(1);
        QCOMPARE(w.Work().PhotoPic2->Picture().size(), sample_.size());
        ChooseOneClickTool(f, w);
        const QCursor tool = w.Work().PhotoPic->cursor();
        w.Work().HeightTxt->setText(QStringLiteral("999.9"));
        const Count changes = w.Session().ChangeCount();
        const Counts before = CountsOf(*f.data);

        const PicturePoint click = s.clickPoints[std::size_t(roof)];
        DoubleClickAt(w, click);

        const BuildingData& d = *f.data;
        QCOMPARE(d.gEachTopAreaNumber, Count(before.roofs + 1));
        QCOMPARE(w.Session().ChangeCount(), Count(changes + 1));
        QCOMPARE(w.Session().ActiveRoof(), Count(d.gEachTopAreaNumber - 1));
        QCOMPARE(w.Editor().Tools().Wall().Start().pWallStartSet, Count(0));
        QCOMPARE(w.Editor().Tools().Roof().Outline().pDrawPointNum, Count(0));
        QVERIFY(QApplication::overrideCursor() == nullptr);
        QCOMPARE(w.Work().PhotoPic->cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(w.Work().PhotoPic->cursor().hotSpot(), tool.hotSpot());

        const int r = d.gEachTopAreaNumber - 1;
        const int start = d.gEachTopAreaStartNum[std::size_t(r)];
        const int n = d.gEachTopAreaPointNum[std::size_t(r)];
        QVERIFY(n >= 4);
        QCOMPARE(d.gTopAreaX[std::size_t(start)], d.gTopAreaX[std::size_t(start + n - 1)]);
        QCOMPARE(d.gTopAreaY[std::size_t(start)], d.gTopAreaY[std::size_t(start + n - 1)]);
        double worst = 0;
        for (int k = start; k < start + n; ++k)
            worst = std::max(worst, DistanceToOutline(s, roof, d.gTopAreaX[std::size_t(k)],
                                                      d.gTopAreaY[std::size_t(k)]));
        QString report =
            QString("roof %1: %2 corners, worst %3 px").arg(roof).arg(n - 1).arg(worst, 0, 'f', 1);
        QVERIFY2(worst <= 3, qPrintable(report));
        ++roofs_;

        if (d.gWallEdgeNumber > before.walls) {
            QCOMPARE(d.gWallEdgeNumber, Count(before.walls + 1));
            const std::size_t wl = std::size_t(d.gWallEdgeNumber - 1);
            QCOMPARE(d.gWallEdgefotEachTopArea[wl], Count(r));
            bool ok = false;
            const double shown = w.Work().HeightTxt->text().toDouble(&ok);
            QVERIFY2(ok, qPrintable(w.Work().HeightTxt->text()));
            report += QString(", wall (%1,%2)-(%3,%4), shown %5 m")
                          .arg(d.gFirstWallEdgeX[wl])
                          .arg(d.gFirstWallEdgeY[wl])
                          .arg(d.gSecondWallEdgeX[wl])
                          .arg(d.gSecondWallEdgeY[wl])
                          .arg(w.Work().HeightTxt->text());
            const double m = d.gPhotoMetrePerUnit;
            int own = 0;
            for (const SceneWall& sw : s.walls) {
                if (sw.owner != roof)
                    continue;
                const std::optional<double> h = WallHeight(d.gSlideAngle * kDegToRad, d.gFlatHeight,
                                                           m * sw.lower.y, m * sw.upper.y);
                QVERIFY(h.has_value());
                report += QString(", scene wall %1 m").arg(*h, 0, 'f', 1);
                QVERIFY2(std::fabs(shown - *h) <= 1.5, qPrintable(report));
                ++own;
            }
            QVERIFY(own > 0);
            ++walls_;
        } else {
            report += ", no wall";
            QCOMPARE(w.Work().HeightTxt->text(), QString());
        }
        qInfo("%s", qPrintable(report));

        // A second double-click inside the traced roof is refused.
        const Counts after = CountsOf(d);
        const Count active = w.Session().ActiveRoof();
        QVERIFY(f.prompts.asked().empty());
        DoubleClickAt(w, click);
        QCOMPARE(CountsOf(d), after);
        QCOMPARE(w.Session().ActiveRoof(), active);
        QCOMPARE(w.Session().ChangeCount(), Count(changes + 1));
        QCOMPARE(int(f.prompts.asked().size()), 1);
        QCOMPARE(f.prompts.asked()[0].kind, ScriptedPrompts::Kind::Message);
        QCOMPARE(f.prompts.asked()[0].text, kAlreadySet);
    }

    // Clicks on synthetic pictures of 600 x 450 on a background of 250 (a
    // grey in neither wall band, so no wall is found).
    void traceSynthetic_data() {
        QTest::addColumn<std::vector<GreyRect>>("rects");
        QTest::addColumn<int>("col");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("roofsAdded");
        // A roof of grey 200 clicked in its middle: registered, no wall.
        QTest::newRow("roof without wall")
            << std::vector<GreyRect>{{200, 150, 120, 80, 200}} << 260 << 190 << 1;
        // A line one pixel tall of the dominant grey: the outline is empty.
        QTest::newRow("one-pixel line")
            << std::vector<GreyRect>{{20, 20, 100, 60, 200}, {200, 301, 150, 1, 200}} << 270 << 301
            << 0;
        // A click on a grey far from the dominant roof grey.
        QTest::newRow("click on road")
            << std::vector<GreyRect>{{200, 150, 120, 80, 200}, {0, 300, 600, 40, 100}} << 300 << 320
            << 0;
        // The same region but 2 pixels tall: traced.
        QTest::newRow("roof two pixels tall")
            << std::vector<GreyRect>{{20, 20, 100, 60, 200}, {200, 301, 150, 2, 200}} << 270 << 301
            << 1;
    }
    void traceSynthetic() {
        QFETCH(std::vector<GreyRect>, rects);
        QFETCH(int, col);
        QFETCH(int, row);
        QFETCH(int, roofsAdded);
        WindowFixture f;
        InputLineFrm& w = f.Create();
        SetPicture(w, GreyPicture(600, 450, 250, rects), SamplePicturePresets(1));
        ChooseOneClickTool(f, w);
        const QString earlier = QStringLiteral("45.6");
        w.Work().HeightTxt->setText(earlier);
        w.Session().SetActiveRoof(-1);
        const Count changes = w.Session().ChangeCount();
        const Counts before = CountsOf(*f.data);

        DoubleClickAt(w, PixelPosition(600, 450, col, row));

        const Counts after = CountsOf(*f.data);
        QCOMPARE(after.roofs, before.roofs + roofsAdded);
        QCOMPARE(after.walls, before.walls);
        QCOMPARE(w.Session().ChangeCount(), Count(changes + roofsAdded));
        QVERIFY(QApplication::overrideCursor() == nullptr);
        QVERIFY(f.prompts.asked().empty());
        if (roofsAdded) {
            QCOMPARE(w.Session().ActiveRoof(), Count(after.roofs - 1));
            // No wall of this building: the earlier height is not left standing.
            QCOMPARE(w.Work().HeightTxt->text(), QString());
        } else {
            QCOMPARE(after.points, before.points);
            QCOMPARE(w.Session().ActiveRoof(), Count(-1));
            QCOMPARE(w.Work().HeightTxt->text(), earlier);
        }
    }

    // A double-click that registers nothing says why in one line of the
    // status bar, and no box but the one the tool always showed.
    void refusedClickSaysWhy_data() {
        QTest::addColumn<std::vector<GreyRect>>("rects");
        QTest::addColumn<int>("col");
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("twice");
        QTest::addColumn<QString>("status");
        QTest::newRow("click on road")
            << std::vector<GreyRect>{{200, 150, 120, 80, 200}, {0, 300, 600, 40, 100}} << 300 << 320
            << false
            << QStringLiteral(
                   "屋上が見つかりません（クリックした所が一様な明るい面ではありません）。");
        // A light surface wider than the tracer's frame has no edge around the click.
        QTest::newRow("no roof edge around")
            << std::vector<GreyRect>{{0, 0, 600, 450, 205}} << 300 << 225 << false
            << QStringLiteral(
                   "屋上が見つかりません（クリックした所の周りに屋上の縁がありません）。");
        QTest::newRow("roof already set")
            << std::vector<GreyRect>{{200, 150, 120, 80, 200}} << 260 << 190 << true << kAlreadySet;
        QTest::newRow("roof traced")
            << std::vector<GreyRect>{{200, 150, 120, 80, 200}} << 260 << 190 << false << QString();
    }
    void refusedClickSaysWhy() {
        QFETCH(std::vector<GreyRect>, rects);
        QFETCH(int, col);
        QFETCH(int, row);
        QFETCH(bool, twice);
        QFETCH(QString, status);
        WindowFixture f;
        InputLineFrm& w = f.Create();
        SetPicture(w, GreyPicture(600, 450, 250, rects), SamplePicturePresets(1));
        ChooseOneClickTool(f, w);
        w.statusBar()->showMessage(QStringLiteral("earlier"));
        const PicturePoint at = PixelPosition(600, 450, col, row);
        if (twice)
            DoubleClickAt(w, at);
        const Counts before = CountsOf(*f.data);
        DoubleClickAt(w, at);
        QCOMPARE(w.statusBar()->currentMessage(), status);
        if (twice) {
            QCOMPARE(f.prompts.Texts(), QStringList{kAlreadySet});
            QCOMPARE(CountsOf(*f.data).roofs, before.roofs);
        } else {
            QVERIFY(f.prompts.asked().empty());
        }
    }

    // A camera the picture does not confirm: a town drawn through sample
    // picture 1's camera with the other sample's altitudes (tilt 3.3 degrees
    // off). Once the traced roofs show it, roofs are registered without
    // walls, the status bar says why and one message says so, not one per
    // click.
    void wrongCameraRegistersNoHeights() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        const tracetest::BoxTown town = tracetest::DrawBoxTown(tracetest::SampleOneCamera(800),
                                                               tracetest::TownGrid(), 800, 680);
        QImage image(800, 680, QImage::Format_RGB32);
        for (int r = 0; r < 680; ++r)
            for (int c = 0; c < 800; ++c)
                image.setPixel(
                    c, r,
                    qRgb(town.picture.At(c, r), town.picture.At(c, r), town.picture.At(c, r)));
        SetPicture(w, image, SamplePicturePresets(2));
        ChooseOneClickTool(f, w);
        for (const PicturePoint& c : town.clicks)
            DoubleClickAt(w, c);
        const BuildingData& d = *f.data;
        QCOMPARE(int(d.gEachTopAreaNumber), int(town.clicks.size()));
        const QStringList told = f.prompts.Texts();
        QCOMPARE(told.size(), 1);
        QVERIFY2(told[0].startsWith(QStringLiteral("カメラが画像に合いません")),
                 qPrintable(told[0]));
        // The status bar holds the last click's finding.
        QVERIFY2(
            w.statusBar()->currentMessage().startsWith(QStringLiteral("カメラが画像に合いません")),
            qPrintable(w.statusBar()->currentMessage()));
        // The last roof came after the camera was found out: no wall.
        for (int i = 0; i < d.gWallEdgeNumber; ++i)
            QVERIFY(d.gWallEdgefotEachTopArea[std::size_t(i)] != d.gEachTopAreaNumber - 1);
    }

    // The grey copy follows the picture: a roof traced on one picture and a
    // new picture without it in the same window.
    void traceReadsTheCurrentPicture() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        const std::vector<GreyRect> roof{{200, 150, 120, 80, 200}};
        SetPicture(w, GreyPicture(600, 450, 250, roof), SamplePicturePresets(1));
        ChooseOneClickTool(f, w);
        DoubleClickAt(w, PixelPosition(600, 450, 260, 190));
        QCOMPARE(f.data->gEachTopAreaNumber, Count(1));
        // A picture without roofs at the same place gives nothing.
        ResetAllDataBuildingData(*f.data);
        SetPicture(w, GreyPicture(600, 450, 90, {}), SamplePicturePresets(1));
        DoubleClickAt(w, PixelPosition(600, 450, 260, 190));
        QCOMPARE(f.data->gEachTopAreaNumber, Count(0));
    }

    // The analysis reads the hidden copy of the picture, not what the
    // visible view shows.
    void traceReadsTheHiddenCopy() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        SetPicture(w, GreyPicture(600, 450, 90, {}), SamplePicturePresets(1));
        w.Work().PhotoPic2->SetPicture(GreyPicture(600, 450, 250, {{200, 150, 120, 80, 200}}));
        ChooseOneClickTool(f, w);
        DoubleClickAt(w, PixelPosition(600, 450, 260, 190));
        QCOMPARE(f.data->gEachTopAreaNumber, Count(1));
    }

    // Only the inclined view traces.
    void planMapDoubleClickDoesNothing() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        SetPicture(w, GreyPicture(600, 450, 250, {{200, 150, 120, 80, 200}}),
                   SamplePicturePresets(1));
        ChooseOneClickTool(f, w);
        w.Editor().Views().SelectFlatView();
        w.Session().SetTool(ToolId::Trace);
        emit w.Work().PhotoPic->DoubleClick();
        QCOMPARE(f.data->gEachTopAreaNumber, Count(0));
        QVERIFY(f.prompts.asked().empty());
    }

    // Without a picture every position reads as grey 0, which a picture
    // without roof greys would accept: nothing may be traced there.
    void noPictureTracesNothing() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        const AltitudeTexts& t = SamplePicturePresets(1);
        w.Work().VerHeightmTxt->setText(Text(t.verHeightm));
        w.Work().IncliHeightmTxt->setText(Text(t.incliHeightm));
        w.Work().VerHeightTxt->setText(Text(t.verHeight));
        w.Work().IncliHeightTxt->setText(Text(t.incliHeight));
        QVERIFY(!w.Work().PhotoPic2->HasPicture());
        ChooseOneClickTool(f, w);
        DoubleClickAt(w, {0, 0});
        QCOMPARE(CountsOf(*f.data), (Counts{0, 0, 0}));
        QCOMPARE(w.Session().ChangeCount(), Count(0));
        QVERIFY(f.prompts.asked().empty());
        QVERIFY(QApplication::overrideCursor() == nullptr);
    }

    // A full record: the trace registers what still fits, leaves no preview
    // of a refused roof behind and says why, as the drawing tools do.
    void fullRecord_data() {
        QTest::addColumn<int>("roofs");      // single-point roofs already stored
        QTest::addColumn<int>("points");     // points of the last of them
        QTest::addColumn<int>("walls");      // wall lines already stored
        QTest::addColumn<int>("refusal");    // EditRefusal, None when all fits
        QTest::addColumn<int>("roofsAdded"); // and walls added the same
        QTest::newRow("room left") << 1 << 1 << 0 << int(EditRefusal::None) << 1;
        QTest::newRow("roof table full") << 501 << 1 << 0 << int(EditRefusal::RoofTableFull) << 0;
        QTest::newRow("point store full")
            << 1 << 1998 << 0 << int(EditRefusal::PointStoreFull) << 0;
        QTest::newRow("wall table full") << 1 << 1 << 801 << int(EditRefusal::WallTableFull) << 1;
    }
    void fullRecord() {
        QFETCH(int, roofs);
        QFETCH(int, points);
        QFETCH(int, walls);
        QFETCH(int, refusal);
        QFETCH(int, roofsAdded);
        WindowFixture f;
        InputLineFrm& w = f.Create();
        // A roof of grey 200 with a wall face of grey 160 below it.
        SetPicture(w,
                   GreyPicture(600, 450, 250, {{200, 150, 120, 80, 200}, {200, 230, 120, 40, 160}}),
                   SamplePicturePresets(1));
        const PicturePoint away{-290, -215};
        for (int r = 0; r < roofs; ++r)
            QCOMPARE(AppendTopArea(*f.data, std::vector<PicturePoint>(
                                                std::size_t(r + 1 < roofs ? 1 : points), away)),
                     AppendResult::Ok);
        for (int i = 0; i < walls; ++i)
            QCOMPARE(AppendWallEdge(*f.data, away, {away.x, away.y - 5}, 0), AppendResult::Ok);
        ChooseOneClickTool(f, w);
        w.Editor().Views().ShowSlopeLineMap({});
        const QImage shown = w.Work().PhotoPic->Surface().copy();
        const Counts before = CountsOf(*f.data);

        DoubleClickAt(w, PixelPosition(600, 450, 260, 190));

        const Counts after = CountsOf(*f.data);
        QCOMPARE(after.roofs, before.roofs + roofsAdded);
        const bool wallFits = refusal != int(EditRefusal::WallTableFull);
        QCOMPARE(after.walls, before.walls + (wallFits ? roofsAdded : 0));
        QVERIFY(QApplication::overrideCursor() == nullptr);
        const std::string_view text = RefusalMessage(EditRefusal(refusal));
        if (text.empty()) {
            QVERIFY(f.prompts.asked().empty());
        } else {
            QCOMPARE(f.prompts.Texts(), QStringList{Text(text)});
        }
        // A refused roof leaves the view as it was before the double-click.
        if (!roofsAdded)
            QCOMPARE(CountDifferences(w.Work().PhotoPic->Surface(), shown), 0);
    }

    void cleanupTestCase() {
        qInfo("%d roofs traced through the window, %d with a wall line", roofs_, walls_);
        if (roofs_ == int(SamplePictureScene(1).clickPoints.size()))
            QVERIFY(walls_ >= 5);
    }
};

QTEST_MAIN(TraceWindowTest)
#include "test_trace.moc"
