// SPDX-License-Identifier: GPL-3.0-or-later
// The GNSS reception dialog: its menu, the receiver picked on the plan map,
// a run on real ephemerides with its outputs, cancelling, and a bad file.
#include <QtTest>

#include <QSettings>
#include <QStandardPaths>

#include <QDir>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>

#include "app/GnssDialog.h"
#include "drawing/FlatMap.h"
#include "geometry/Footprints.h"
#include "predict/Parameters.h"
#include "support/Window.h"
#include "workspace/Prompts.h"
#include "workspace/RibbonGroup.h"

using namespace velmora;
using namespace velmora::testing;

namespace {

QString Data(const char* name) {
    return QStringLiteral(VELMORA_GNSS_DATA "/") + name;
}

// Sample data 2 on a noise picture, in the plan map.
void PlanMap(WindowFixture& f, InputLineFrm& w) {
    f.SetGoodAltitudes();
    w.LoadSampleData(2);
    w.Work().PhotoPic->SetPicture(NoisePicture(784, 653, 5));
    QTest::mouseClick(w.Work().SlopeOrFlatRbn->Button(1), Qt::LeftButton);
}

GnssDialog* Prepared(WindowFixture& f, InputLineFrm& w, const QStringList& files, double hours,
                     int step) {
    GnssDialog* d = OpenGnssDialog(w);
    for (const QString& file : files) {
        f.prompts.AnswerFile(file);
        d->findChild<QPushButton*>("AddEphemeris")->click();
    }
    d->findChild<QDoubleSpinBox*>("Hours")->setValue(hours);
    d->findChild<QSpinBox*>("Step")->setValue(step);
    // Far from every building of the sample.
    d->SetReceiver(400, 400);
    return d;
}

} // namespace

class GnssDialogTest : public QObject {
    Q_OBJECT

  private slots:
    // The remembered folder and boxes stay out of the user's settings.
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        QSettings().clear();
    }

    void menu() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        QStringList titles;
        for (QAction* a : w.menuBar()->actions())
            titles << a->text();
        QCOMPARE(titles.indexOf("予測(&P)") + 1, titles.indexOf("ヘルプ(&H)"));
        QCOMPARE(w.Menus().GnssMenu->text(), QString("GNSS受信予測(&G)..."));
        w.Menus().GnssMenu->trigger();
        auto* d = w.findChild<GnssDialog*>("GnssDialog");
        QVERIFY(d && d->isVisible() && !d->isModal());
        w.Menus().GnssMenu->trigger();
        QCOMPARE(w.findChildren<GnssDialog*>().size(), 1);
    }

    void pickOnPlanMap_data() {
        QTest::addColumn<int>("roof");
        QTest::newRow("roof 0") << 0;
        QTest::newRow("roof 3") << 3;
    }
    void pickOnPlanMap() {
        QFETCH(int, roof);
        WindowFixture f;
        InputLineFrm& w = f.Create();
        f.ShowActive();
        PlanMap(f, w);
        GnssDialog* d = OpenGnssDialog(w);
        d->findChild<QPushButton*>("PickReceiver")->click();
        // The map draws a roof's first corner at its plan point times the
        // map rate; a click there gives the corner turned north-up.
        const PictureView* v = w.Work().PhotoPic;
        const double rate = w.Session().FlatMapRate();
        const int first = f.data->gEachTopAreaStartNum[std::size_t(roof)];
        const double ux = f.data->gFlatTopAreaX[std::size_t(first)] * rate;
        const double uy = f.data->gFlatTopAreaY[std::size_t(first)] * rate;
        const QPoint pixel(
            int(std::lround((ux - v->ScaleLeft()) / v->ScaleWidth() * v->InnerWidth())) +
                PictureView::kBorder,
            int(std::lround((uy - v->ScaleTop()) / v->ScaleHeight() * v->InnerHeight())) +
                PictureView::kBorder);
        QTest::mouseClick(w.Work().PhotoPic, Qt::LeftButton, {}, pixel);
        const PlanXY want = NorthUpFootprints(*f.data)[std::size_t(roof)].ring[0];
        const double tolerance = 1.5 / rate; // a pixel and a half
        QVERIFY2(std::fabs(d->findChild<QDoubleSpinBox*>("ReceiverX")->value() - want.x) <
                     tolerance,
                 qPrintable(QString::number(d->findChild<QDoubleSpinBox*>("ReceiverX")->value())));
        QVERIFY(std::fabs(d->findChild<QDoubleSpinBox*>("ReceiverY")->value() - want.y) <
                tolerance);
        // One click only: the next goes to the map again.
        const double x = d->findChild<QDoubleSpinBox*>("ReceiverX")->value();
        QTest::mouseClick(w.Work().PhotoPic, Qt::LeftButton, {}, pixel + QPoint(30, 30));
        QCOMPARE(d->findChild<QDoubleSpinBox*>("ReceiverX")->value(), x);
    }

    // From the inclined view, picking switches to the plan map (no message
    // box to dismiss first).
    void pickFromInclinedView() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        f.ShowActive();
        PlanMap(f, w);
        QTest::mouseClick(w.Work().SlopeOrFlatRbn->Button(0), Qt::LeftButton);
        QCOMPARE(w.Session().View(), ViewMode::Inclined);
        GnssDialog* d = OpenGnssDialog(w);
        d->findChild<QPushButton*>("PickReceiver")->click();
        QCOMPARE(w.Session().View(), ViewMode::Plan);
        QVERIFY(f.prompts.Texts().isEmpty());
    }

    // The file dialog lists the navigation files with its first filter (Qt
    // takes patterns apart at spaces).
    void fileDialogFilter_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("listed");
        QTest::newRow("GPS") << "brdc3050.12n" << true;
        QTest::newRow("GLONASS") << "brdc3050.12g" << true;
        QTest::newRow("QZSS") << "brdc3050.12q" << true;
        QTest::newRow("Galileo") << "brdc3050.12l" << true;
        QTest::newRow("RINEX 3") << "BRDC00IGS_R_20123050000_01D_MN.rnx" << true;
        QTest::newRow("observations") << "site3050.12o" << false;
        QTest::newRow("project file") << "town.dat" << false;
    }
    void fileDialogFilter() {
        QFETCH(QString, name);
        QFETCH(bool, listed);
        WindowFixture f;
        InputLineFrm& w = f.Create();
        GnssDialog* d = OpenGnssDialog(w);
        d->findChild<QPushButton*>("AddEphemeris")->click(); // unanswered: cancelled
        QCOMPARE(f.prompts.asked().size(), std::size_t(1));
        QCOMPARE(f.prompts.asked()[0].kind, ScriptedPrompts::Kind::OpenMany);
        const QStringList filters = DialogNameFilters(f.prompts.asked()[0].text);
        QVERIFY(!filters.isEmpty());
        QFile file(f.Path(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        const QStringList shown =
            QDir(f.dir.path()).entryList(NameFilterPatterns(filters.front()), QDir::Files);
        QCOMPARE(shown.contains(name), listed);
        QCOMPARE(d->findChild<QListWidget*>("EphemerisFiles")->count(), 0);
    }

    // Several files at once, each listed once; the dialog opens again in
    // the folder of the files chosen last.
    void severalFilesAtOnce() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        GnssDialog* d = OpenGnssDialog(w);
        const QStringList chosen{Data("brdc3050.12n"), Data("brdc3050.12g")};
        f.prompts.AnswerFiles(chosen);
        d->findChild<QPushButton*>("AddEphemeris")->click();
        f.prompts.AnswerFiles({Data("brdc3050.12g"), Data("brdc3050.12q")});
        d->findChild<QPushButton*>("AddEphemeris")->click();
        const auto* list = d->findChild<QListWidget*>("EphemerisFiles");
        QStringList listed;
        for (int i = 0; i < list->count(); ++i)
            listed << list->item(i)->text();
        QCOMPARE(listed,
                 (QStringList{Data("brdc3050.12n"), Data("brdc3050.12g"), Data("brdc3050.12q")}));
        QCOMPARE(f.prompts.asked().size(), std::size_t(2));
        QCOMPARE(QDir(f.prompts.asked()[1].initialName),
                 QDir(QFileInfo(Data("brdc3050.12n")).absolutePath()));
        QCOMPARE(f.prompts.unanswered, 0);
    }

    // Beside the plan map: never wider than the main window at its size,
    // with a button that closes it.
    void fitsTheWindow() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        w.resize(1280, 768);
        GnssDialog* d = OpenGnssDialog(w);
        QVERIFY2(d->sizeHint().width() <= w.width(),
                 qPrintable(QString::number(d->sizeHint().width())));
        QVERIFY(d->width() <= w.width());
        QPointer<GnssDialog> alive = d;
        d->findChild<QPushButton*>("CloseGnss")->click();
        QTRY_VERIFY(alive.isNull());
    }

    void runAndSave() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        PlanMap(f, w);
        GnssDialog* d = Prepared(
            f, w, {Data("brdc3050.12n"), Data("brdc3050.12g"), Data("brdc3050.12q")}, 1, 60);
        QSignalSpy done(d, &GnssDialog::Finished);
        d->Start();
        QVERIFY(done.wait(60000));
        QVERIFY2(d->Result(), qPrintable(f.prompts.Texts().join("|")));
        QCOMPARE(d->Result()->epochs.size(), 61u);
        QVERIFY(!d->findChild<QLabel*>("SkyPlot")->pixmap().isNull());
        QVERIFY(!d->findChild<QLabel*>("DopChart")->pixmap().isNull());

        const QString csv = f.Path("gnss.csv");
        f.prompts.AnswerFile(csv);
        d->findChild<QPushButton*>("SaveTable")->click();
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().split('\n');
        QCOMPARE(lines.size(), 63); // header, 61 epochs, the last line's end
        QVERIFY(lines[1].startsWith("2012-10-31T21:00:00Z,"));
        const QString svg = f.Path("sky.svg");
        f.prompts.AnswerFile(svg);
        d->findChild<QPushButton*>("SaveSkyPlot")->click();
        QFile sky(svg);
        QVERIFY(sky.open(QIODevice::ReadOnly));
        QVERIFY(sky.readAll().contains("<svg"));
    }

    // A receiver inside a roof: the message names the roof by the number
    // the plan map shows on it.
    void insideRoofNamedAsTheMapLabelsIt_data() {
        QTest::addColumn<int>("roof");
        QTest::newRow("roof 0") << 0;
        QTest::newRow("roof 2") << 2;
    }
    void insideRoofNamedAsTheMapLabelsIt() {
        QFETCH(int, roof);
        WindowFixture f;
        InputLineFrm& w = f.Create();
        f.ShowActive();
        PlanMap(f, w);
        GnssDialog* d = Prepared(f, w, {Data("brdc3050.12n")}, 1, 60);
        const Footprint fp = NorthUpFootprints(*f.data)[std::size_t(roof)];
        const PlanXY c = Centroid(fp.ring);
        QVERIFY(RingContains(fp.ring, c));
        d->SetReceiver(std::round(c.x * 100) / 100, std::round(c.y * 100) / 100);
        const auto at = LabelPosition(*f.data, Count(roof), w.Session().FlatMapRate());
        QVERIFY(at);
        QString label;
        for (const DrawOp& op : w.Work().PhotoPic->Marks())
            if (op.kind == DrawOp::Kind::Text && op.x1 == at->x)
                label = QString::fromStdString(op.text);
        QVERIFY(!label.isEmpty());
        QSignalSpy done(d, &GnssDialog::Finished);
        d->Start();
        QVERIFY(done.wait(60000));
        QVERIFY(!d->Result());
        const QString said = f.prompts.Texts().last();
        QVERIFY2(said.contains(QStringLiteral("屋根 ") + label + QStringLiteral(" の中")),
                 qPrintable(said + " / " + label));
    }

    void cancel() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        PlanMap(f, w);
        GnssDialog* d = Prepared(f, w, {Data("brdc3050.12n")}, 24, 1);
        QSignalSpy done(d, &GnssDialog::Finished);
        d->Start();
        QVERIFY(d->Running());
        d->Cancel();
        QVERIFY(done.wait(60000));
        QVERIFY(!d->Result());
        QCOMPARE(d->findChild<QLabel*>("GnssStatus")->text(), QString("中止しました。"));
    }

    void badFile() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        PlanMap(f, w);
        QFile bad(f.Path("bad.12n"));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("not a navigation file\n");
        bad.close();
        GnssDialog* d = Prepared(f, w, {bad.fileName()}, 1, 60);
        QSignalSpy done(d, &GnssDialog::Finished);
        d->Start();
        QVERIFY(done.wait(60000));
        QVERIFY(!d->Result());
        // In Japanese, the file and line named as the reader found them.
        const QString said = f.prompts.Texts().last();
        QVERIFY2(said.startsWith(QStringLiteral("エフェメリスのファイルを読めません")) &&
                     said.contains(bad.fileName() + ": line 1:"),
                 qPrintable(f.prompts.Texts().join("|")));
    }

    // Closed while it predicts, the dialog is destroyed at once; the work
    // stops and nothing reaches the dialog afterwards.
    void closeWhileRunning() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        PlanMap(f, w);
        QPointer<GnssDialog> d = Prepared(f, w, {Data("brdc3050.12n")}, 24, 1);
        d->Start();
        QVERIFY(d->Running());
        d->close();
        QTRY_VERIFY_WITH_TIMEOUT(d.isNull(), 30000);
        QCoreApplication::processEvents();
        QVERIFY(w.findChildren<GnssDialog*>().isEmpty());
    }

    // The ranges of the boxes are the parameters' declarations.
    void boxesFromDeclarations_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("parameter");
        QTest::newRow("ground height") << "GroundHeight"
                                       << "height";
        QTest::newRow("hours") << "Hours"
                               << "hours";
        QTest::newRow("antenna") << "antenna-height"
                                 << "antenna-height";
        QTest::newRow("mask") << "elevation-mask"
                              << "elevation-mask";
        QTest::newRow("latitude") << "OriginLatitude"
                                  << "latitude";
    }
    void boxesFromDeclarations() {
        QFETCH(QString, box);
        QFETCH(QString, parameter);
        WindowFixture f;
        InputLineFrm& w = f.Create();
        GnssDialog* d = OpenGnssDialog(w);
        const auto* b = d->findChild<QDoubleSpinBox*>(box);
        QVERIFY(b);
        const predict::Parameter* p = predict::FindParameter(parameter.toStdString());
        QVERIFY(p);
        QCOMPARE(b->minimum(), predict::LowestValue(*p));
        QCOMPARE(b->maximum(), predict::HighestValue(*p));
        const auto* step = d->findChild<QSpinBox*>("Step");
        const predict::Parameter& s = predict::ParameterOf(predict::GnssAlgorithm(), "step");
        QCOMPARE(step->maximum(), static_cast<int>(s.max));
    }
};

QTEST_MAIN(GnssDialogTest)
#include "test_gnssdialog.moc"
