// SPDX-License-Identifier: GPL-3.0-or-later
// The window's prediction dialogs and velmora-cli on one record: the same
// request gives the same files, byte for byte, and a range declared once
// shows in the dialog's box and in the command line's refusal alike.
#include <QDateTimeEdit>
#include <QDoubleSpinBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QtTest>

#include "app/GnssDialog.h"
#include "app/ShadeMapDialog.h"
#include "cli/CliSupport.h"
#include "geometry/Footprints.h"
#include "gis/PlanProjection.h"
#include "outputs/GnssFiles.h"
#include "predict/Parameters.h"
#include "support/Process.h"
#include "support/Window.h"
#include "workspace/RibbonGroup.h"

using namespace velmora;
using namespace velmora::testing;

namespace {

const QString kOrigin = QStringLiteral("35.6812,139.7671");

QByteArray Slurp(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

ProcessRun Cli(const QStringList& args) {
    return RunProgram(QStringLiteral(VELMORA_CLI), args);
}

// Sample data 2 on a noise picture, in the plan map, saved as a project
// file.
QString PlanMapSaved(WindowFixture& f, InputLineFrm& w) {
    f.SetGoodAltitudes();
    w.LoadSampleData(2);
    w.Work().PhotoPic->SetPicture(NoisePicture(784, 653, 5));
    QTest::mouseClick(w.Work().SlopeOrFlatRbn->Button(1), Qt::LeftButton);
    const QString file = f.Path("town.dat");
    f.prompts.AnswerFile(file);
    w.SaveDataMenu_Click();
    return file;
}

// A GeoJSON file of one square building, `side` metres, its south-west
// corner at plan (x, y) of kOrigin, `height` metres tall.
QString SquareBuilding(const QString& path, double x, double y, double side, double height) {
    gis::PlanProjection projection(35.6812, 139.7671);
    std::vector<std::array<double, 2>> ring{
        {x, y}, {x + side, y}, {x + side, y + side}, {x, y + side}, {x, y}};
    projection.ToLonLat(ring);
    QStringList corners;
    for (const auto& c : ring)
        corners << QStringLiteral("[%1,%2]").arg(c[0], 0, 'f', 9).arg(c[1], 0, 'f', 9);
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

class DialogsAgreeTest : public QObject {
    Q_OBJECT

  private slots:
    void shadeMapGrid() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        f.ShowActive();
        const QString file = PlanMapSaved(f, w);
        w.Menus().ShadeMapMenu->trigger();
        ShadeMapDialog* d = w.ShadeMapWindow();
        d->DateBox->setDate(QDate(2025, 12, 22));
        d->LatitudeBox->setValue(35.6812);
        d->LongitudeBox->setValue(139.7671);
        QSignalSpy finished(d, &ShadeMapDialog::Finished);
        QVERIFY(d->Compute());
        QVERIFY(finished.wait(60000));
        QVERIFY2(d->HasMap(), qPrintable(f.prompts.Texts().join('|')));
        QVERIFY(d->SaveTo(f.Path("dialog.json")));
        QVERIFY(d->SaveTo(f.Path("dialog.geojson")));

        const ProcessRun r =
            Cli({"shadow", file, "--origin", kOrigin, "--date", "2025-12-22", "--solar-time",
                 "--hourly", "--json", f.Path("cli.json"), "--geojson", f.Path("cli.geojson")});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QVERIFY(Slurp(f.Path("cli.json")).size() > 100);
        QCOMPARE(Slurp(f.Path("dialog.json")), Slurp(f.Path("cli.json")));
        QCOMPARE(Slurp(f.Path("dialog.geojson")), Slurp(f.Path("cli.geojson")));
    }

    void gnssTable() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        f.ShowActive();
        const QString file = PlanMapSaved(f, w);
        const QString nav = QStringLiteral(VELMORA_GNSS_DATA "/brdc3050.12n");
        GnssDialog* d = OpenGnssDialog(w);
        f.prompts.AnswerFile(nav);
        d->findChild<QPushButton*>("AddEphemeris")->click();
        d->findChild<QDoubleSpinBox*>("OriginLatitude")->setValue(35.6812);
        d->findChild<QDoubleSpinBox*>("OriginLongitude")->setValue(139.7671);
        d->findChild<QDoubleSpinBox*>("GroundHeight")->setValue(40);
        d->findChild<QDoubleSpinBox*>("utc-offset")->setValue(0);
        d->findChild<QDateTimeEdit*>("StartTime")
            ->setDateTime(QDateTime(QDate(2012, 10, 31), QTime(21, 0)));
        d->findChild<QDoubleSpinBox*>("Hours")->setValue(1);
        d->findChild<QSpinBox*>("Step")->setValue(60);
        // Beside the westernmost corner, where buildings block some of the
        // sky.
        PlanXY at{1e9, 0};
        for (const Footprint& fp : NorthUpFootprints(*cli::ReadProject(file).data))
            for (const PlanXY& c : fp.ring)
                if (c.x < at.x)
                    at = c;
        at.x -= 2;
        const QString atText = QStringLiteral("%1,%2").arg(at.x, 0, 'f', 2).arg(at.y, 0, 'f', 2);
        at = {std::round(at.x * 100) / 100, std::round(at.y * 100) / 100};
        d->SetReceiver(at.x, at.y);
        QSignalSpy done(d, &GnssDialog::Finished);
        d->Start();
        QVERIFY(done.wait(60000));
        QVERIFY2(d->Run(), qPrintable(f.prompts.Texts().join('|')));

        const ProcessRun r = Cli({"gnss", file, "--at", atText, "--origin", kOrigin, "--height",
                                  "40", "--nav", nav, "--start", "2012-10-31T21:00:00Z", "--hours",
                                  "1", "--step", "60", "--json", "-o", f.Path("cli.json")});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        const QByteArray cli = Slurp(f.Path("cli.json"));
        QVERIFY(cli.contains("\"blocked\""));
        QCOMPARE(GnssJson(*d->Run()), cli);
    }

    // A building file beside the record: the dialog and velmora-cli
    // --buildings give the same table, and the building changes it.
    void gnssWithBuildingFile_data() {
        QTest::addColumn<double>("height");
        QTest::newRow("30 m") << 30.0;
        QTest::newRow("80 m") << 80.0;
    }
    void gnssWithBuildingFile() {
        QFETCH(double, height);
        WindowFixture f;
        InputLineFrm& w = f.Create();
        f.ShowActive();
        const QString file = PlanMapSaved(f, w);
        const QString nav = QStringLiteral(VELMORA_GNSS_DATA "/brdc3050.12n");
        const PlanXY at{-200, 150};
        // Just south-east of the receiver, tall enough to block satellites.
        const QString map = SquareBuilding(f.Path("one.geojson"), at.x + 3, at.y - 23, 20, height);
        QVERIFY(!map.isEmpty());
        GnssDialog* d = OpenGnssDialog(w);
        f.prompts.AnswerFile(nav);
        d->findChild<QPushButton*>("AddEphemeris")->click();
        f.prompts.AnswerFiles({map});
        d->findChild<QPushButton*>("AddBuildingFiles")->click();
        d->findChild<QDoubleSpinBox*>("OriginLatitude")->setValue(35.6812);
        d->findChild<QDoubleSpinBox*>("OriginLongitude")->setValue(139.7671);
        d->findChild<QDoubleSpinBox*>("GroundHeight")->setValue(40);
        d->findChild<QDoubleSpinBox*>("utc-offset")->setValue(0);
        d->findChild<QDateTimeEdit*>("StartTime")
            ->setDateTime(QDateTime(QDate(2012, 10, 31), QTime(21, 0)));
        d->findChild<QDoubleSpinBox*>("Hours")->setValue(1);
        d->findChild<QSpinBox*>("Step")->setValue(60);
        d->SetReceiver(at.x, at.y);
        QSignalSpy done(d, &GnssDialog::Finished);
        d->Start();
        QVERIFY(done.wait(60000));
        QVERIFY2(d->Run(), qPrintable(f.prompts.Texts().join('|')));

        const QStringList base{
            "gnss",  file, "--at",    "-200.00,150.00",       "--origin", kOrigin, "--height", "40",
            "--nav", nav,  "--start", "2012-10-31T21:00:00Z", "--hours",  "1",     "--step",   "60",
            "--json"};
        const ProcessRun with =
            Cli(base + QStringList{"--buildings", map, "-o", f.Path("with.json")});
        QVERIFY2(with.code == 0, qPrintable(with.err));
        const ProcessRun without = Cli(base + QStringList{"-o", f.Path("without.json")});
        QVERIFY2(without.code == 0, qPrintable(without.err));
        QCOMPARE(GnssJson(*d->Run()), Slurp(f.Path("with.json")));
        QVERIFY(Slurp(f.Path("with.json")) != Slurp(f.Path("without.json")));
    }

    // One declaration, two front ends: the dialog's box spans the declared
    // range, and the command line takes its ends and refuses beyond them
    // with the same numbers.
    void oneDeclaration_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("box");
        for (const char* n : {"cell", "extent"})
            QTest::newRow(n) << n << (QString(n) == "cell" ? "CellBox" : "ExtentBox");
    }
    void oneDeclaration() {
        QFETCH(QString, name);
        QFETCH(QString, box);
        const predict::Parameter& p =
            predict::ParameterOf(predict::ShadowAlgorithm(), name.toStdString());
        WindowFixture f;
        InputLineFrm& w = f.Create();
        const QString file = PlanMapSaved(f, w);
        w.Menus().ShadeMapMenu->trigger();
        ShadeMapDialog* d = w.ShadeMapWindow();
        const QDoubleSpinBox* b = box == "CellBox" ? d->CellBox : d->ExtentBox;
        QCOMPARE(b->minimum(), p.min);
        QCOMPARE(b->maximum(), p.max);
        QCOMPARE(b->value(), predict::DefaultValue(p));

        const QStringList base{"shadow",       file,     "--origin",
                               kOrigin,        "--date", "2025-12-22",
                               "--solar-time", "--json", f.Path("grid.json")};
        const ProcessRun over =
            Cli(base + QStringList{"--" + name, QString::number(p.max * 1.01 + 0.01)});
        QCOMPARE(over.code, 2);
        const QString said = QStringLiteral("--%1: expected metres within %2 ... %3")
                                 .arg(name)
                                 .arg(p.min)
                                 .arg(p.max);
        QVERIFY2(over.err.contains(said), qPrintable(over.err));
        const ProcessRun under =
            Cli(base + QStringList{"--" + name, QString::number(p.min - 0.01)});
        QCOMPARE(under.code, 2);
        const ProcessRun atEnd = Cli(base + QStringList{"--" + name, QString::number(p.max)});
        // The end itself is taken (a large cell or a wide extent still maps).
        QVERIFY2(atEnd.code == 0 || atEnd.err.contains("cells"), qPrintable(atEnd.err));
    }
};

QTEST_MAIN(DialogsAgreeTest)
#include "test_dialogsagree.moc"
