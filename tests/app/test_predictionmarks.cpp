// SPDX-License-Identifier: GPL-3.0-or-later
// The plan map while a prediction dialog is open: the roofs' numbers the
// dialogs' texts name, only then; the receiver while it is picked and
// after; and the buildings of a building file in their own colour.
#include <QtTest>

#include <QDoubleSpinBox>
#include <QFile>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>

#include "app/GnssDialog.h"
#include "app/MapDataFiles.h"
#include "app/PredictionMarks.h"
#include "app/ShadeMapDialog.h"
#include "drawing/FlatMap.h"
#include "geometry/Footprints.h"
#include "gis/PlanProjection.h"
#include "support/Window.h"
#include "workspace/PlanMarks.h"
#include "workspace/Prompts.h"
#include "workspace/RibbonGroup.h"

using namespace velmora;
using namespace velmora::testing;

namespace {

// Sample data 2 on a noise picture, in the plan map.
void PlanMap(WindowFixture& f, InputLineFrm& w) {
    f.SetGoodAltitudes();
    w.LoadSampleData(2);
    w.Work().PhotoPic->SetPicture(NoisePicture(784, 653, 5));
    QTest::mouseClick(w.Work().SlopeOrFlatRbn->Button(1), Qt::LeftButton);
}

std::vector<DrawOp> Marks(InputLineFrm& w, DrawOp::Kind kind) {
    std::vector<DrawOp> out;
    for (const DrawOp& op : w.Work().PhotoPic->Marks())
        if (op.kind == kind)
            out.push_back(op);
    return out;
}

QPoint PixelOf(const PictureView& v, double ux, double uy) {
    return {int(std::lround((ux - v.ScaleLeft()) / v.ScaleWidth() * v.InnerWidth())) +
                PictureView::kBorder,
            int(std::lround((uy - v.ScaleTop()) / v.ScaleHeight() * v.InnerHeight())) +
                PictureView::kBorder};
}

// A GeoJSON file of one square building, `side` metres, its south-west
// corner at plan (x, y) of the origin, `height` metres tall.
QString SquareBuilding(const QString& path, double x, double y, double side, double height) {
    gis::PlanProjection projection(35.6812, 139.7671);
    std::vector<std::array<double, 2>> ring{
        {x, y}, {x + side, y}, {x + side, y + side}, {x, y + side}, {x, y}};
    projection.ToLonLat(ring);
    QStringList corners;
    for (const auto& p : ring)
        corners << QStringLiteral("[%1,%2]").arg(p[0], 0, 'f', 9).arg(p[1], 0, 'f', 9);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return {};
    f.write(QStringLiteral("{\"type\":\"FeatureCollection\",\"features\":[{\"type\":\"Feature\","
                           "\"properties\":{\"height\":%1},\"geometry\":{\"type\":\"Polygon\","
                           "\"coordinates\":[[%2]]}}]}")
                .arg(height)
                .arg(corners.join(u','))
                .toUtf8());
    return path;
}

} // namespace

class PredictionMarksTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        QSettings().clear();
    }

    // Numbers stand on the roofs while a dialog is open, and only in the
    // plan map.
    void roofNumbersWhileADialogIsOpen_data() {
        QTest::addColumn<QString>("dialog"); // "", "gnss", "shade"
        QTest::addColumn<bool>("closed");
        QTest::addColumn<bool>("inclined");
        QTest::addColumn<bool>("shown");
        QTest::newRow("no dialog") << "" << false << false << false;
        QTest::newRow("GNSS") << "gnss" << false << false << true;
        QTest::newRow("shade map") << "shade" << false << false << true;
        QTest::newRow("GNSS closed") << "gnss" << true << false << false;
        QTest::newRow("shade map closed") << "shade" << true << false << false;
        QTest::newRow("GNSS, inclined view") << "gnss" << false << true << false;
    }
    void roofNumbersWhileADialogIsOpen() {
        QFETCH(QString, dialog);
        QFETCH(bool, closed);
        QFETCH(bool, inclined);
        QFETCH(bool, shown);
        WindowFixture f;
        InputLineFrm& w = f.Create();
        f.ShowActive();
        PlanMap(f, w);
        QDialog* d = nullptr;
        if (dialog == "gnss")
            d = OpenGnssDialog(w);
        else if (dialog == "shade") {
            w.Menus().ShadeMapMenu->trigger();
            d = w.ShadeMapWindow();
        }
        if (closed)
            d->close();
        if (inclined)
            QTest::mouseClick(w.Work().SlopeOrFlatRbn->Button(0), Qt::LeftButton);
        const std::vector<DrawOp> texts = Marks(w, DrawOp::Kind::Text);
        const int roofs = f.data->gEachTopAreaNumber;
        QVERIFY(roofs > 2);
        QCOMPARE(int(texts.size()), shown ? roofs : 0);
        for (int r = 0; r < int(texts.size()); ++r) {
            QCOMPARE(texts[std::size_t(r)].text, RoofNumberLabel(Count(r)));
            const auto at = LabelPosition(*f.data, Count(r), w.Session().FlatMapRate());
            QVERIFY(at && texts[std::size_t(r)].x1 == at->x);
        }
        // What the view shows has the marks painted in.
        const PictureView& v = *w.Work().PhotoPic;
        QCOMPARE(v.Surface() != v.Base(), shown);
    }

    // The receiver follows the mouse while it is picked and stays where it
    // was clicked, in its own colour; typed values move it too.
    void receiverWhilePickedAndAfter() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        f.ShowActive();
        PlanMap(f, w);
        GnssDialog* d = OpenGnssDialog(w);
        const double rate = w.Session().FlatMapRate();
        d->SetReceiver(-30, 25);
        std::vector<DrawOp> c = Marks(w, DrawOp::Kind::Circle);
        QCOMPARE(c.size(), std::size_t(1));
        PlanXY want = PlanPointOfNorthUp(*f.data, {-30, 25});
        QVERIFY(std::fabs(c[0].x1 - want.x * rate) < 1e-6 &&
                std::fabs(c[0].y1 - want.y * rate) < 1e-6);
        QCOMPARE(c[0].colour, kReceiverColour);

        d->findChild<QPushButton*>("PickReceiver")->click();
        QVERIFY(d->Picking());
        const PictureView& v = *w.Work().PhotoPic;
        const QPoint pixel = PixelOf(v, 40, -20);
        // A move without a button, as the view (which tracks the mouse) gets it.
        QMouseEvent move(QEvent::MouseMove, QPointF(pixel),
                         QPointF(w.Work().PhotoPic->mapToGlobal(pixel)), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(w.Work().PhotoPic, &move);
        c = Marks(w, DrawOp::Kind::Circle);
        QCOMPARE(c.size(), std::size_t(1));
        QCOMPARE(c[0].colour, kPickedReceiverColour);
        QVERIFY2(std::fabs(c[0].x1 - 40) < 1.5 && std::fabs(c[0].y1 + 20) < 1.5,
                 qPrintable(QStringLiteral("%1 %2").arg(c[0].x1).arg(c[0].y1)));

        QTest::mouseClick(w.Work().PhotoPic, Qt::LeftButton, {}, pixel);
        QVERIFY(!d->Picking());
        c = Marks(w, DrawOp::Kind::Circle);
        QCOMPARE(c.size(), std::size_t(1));
        QCOMPARE(c[0].colour, kReceiverColour);
        QVERIFY(std::fabs(c[0].x1 - 40) < 1.5 && std::fabs(c[0].y1 + 20) < 1.5);
        // The boxes hold the same point, north-up.
        const PlanXY boxes{d->findChild<QDoubleSpinBox*>("ReceiverX")->value(),
                           d->findChild<QDoubleSpinBox*>("ReceiverY")->value()};
        want = PlanPointOfNorthUp(*f.data, boxes);
        QVERIFY(std::fabs(c[0].x1 - want.x * rate) < 0.01 &&
                std::fabs(c[0].y1 - want.y * rate) < 0.01);
    }

    // A building file's buildings are drawn in their own colour, beside
    // the traced roofs, by either dialog.
    void mapDataBuildingsDrawn_data() {
        QTest::addColumn<QString>("dialog");
        QTest::newRow("GNSS") << "gnss";
        QTest::newRow("shade map") << "shade";
    }
    void mapDataBuildingsDrawn() {
        QFETCH(QString, dialog);
        WindowFixture f;
        InputLineFrm& w = f.Create();
        f.ShowActive();
        PlanMap(f, w);
        const QString file = SquareBuilding(f.Path("one.geojson"), 60, 40, 12, 20);
        QVERIFY(!file.isEmpty());
        QWidget* d = nullptr;
        if (dialog == "gnss") {
            d = OpenGnssDialog(w);
        } else {
            w.Menus().ShadeMapMenu->trigger();
            d = w.ShadeMapWindow();
        }
        auto countOwn = [&] {
            int n = 0;
            for (const DrawOp& op : Marks(w, DrawOp::Kind::Line))
                n += op.colour == kMapDataBuildingColour;
            return n;
        };
        QCOMPARE(countOwn(), 0);
        f.prompts.AnswerFiles({file});
        d->findChild<QPushButton*>("AddBuildingFiles")->click();
        QCOMPARE(d->findChild<MapDataFiles*>()->Buildings().size(), std::size_t(1));
        QCOMPARE(countOwn(), 4);
        // Where the square is: its first corner, turned as the map is.
        const double rate = w.Session().FlatMapRate();
        const PlanXY corner = PlanPointOfNorthUp(*f.data, {60, 40});
        bool found = false;
        for (const DrawOp& op : Marks(w, DrawOp::Kind::Line))
            found |= op.colour == kMapDataBuildingColour &&
                     std::hypot(op.x1 - corner.x * rate, op.y1 - corner.y * rate) < 0.05 * rate;
        QVERIFY(found);
        d->findChild<MapDataFiles*>()->findChild<QListWidget*>()->setCurrentRow(0);
        d->findChild<QPushButton*>("RemoveBuildingFile")->click();
        QCOMPARE(countOwn(), 0);
    }
};

QTEST_MAIN(PredictionMarksTest)
#include "test_predictionmarks.moc"
