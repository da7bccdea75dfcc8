// SPDX-License-Identifier: GPL-3.0-or-later
// velmora-cli with map data: its own exports read back with --buildings give
// the project's sky mask and satellite states, the GeoPackage export opens in
// ogrinfo with NULL for an unmeasured height, and bad building files are
// named by file, feature and reason.
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

#include "data/ProjectFile.h"
#include "support/Process.h"
#include "support/Records.h"

using namespace velmora;
using namespace velmora::testing;

namespace {

ProcessRun Cli(const QStringList& args) {
    return RunProgram(QStringLiteral(VELMORA_CLI), args);
}

QString Data(const char* name) {
    return QStringLiteral(VELMORA_GNSS_DATA "/") + QString::fromLatin1(name);
}

// A plan picture seen straight down from 861.5 m (1 m a picture unit at
// 11.5 m): two boxes with wall lines (11.5 m and 20 m) and, with `unmeasured`,
// a third without one.
QString WriteTown(const QString& path, float north, bool unmeasured) {
    auto d = std::make_unique<BuildingData>();
    testsupport::AddRoof(*d, {{10, -5}, {20, -5}, {20, 5}, {10, 5}}, 11.5f);
    testsupport::AddRoof(*d, {{-30, 10}, {-20, 10}, {-20, 30}, {-30, 30}}, 20);
    testsupport::AddWall(*d, {15, 0}, {15, 0}, 0);
    testsupport::AddWall(*d, {-25, 0}, {-25, 0}, 1);
    if (unmeasured)
        testsupport::AddRoof(*d, {{40, -5}, {50, -5}, {50, 5}, {40, 5}}, 8);
    d->gNorthAngle = north;
    d->gFlatHeight = 861.5f;
    const FileResult r = WriteProjectFile(*d, {804, 1004, 0, 0}, path.toStdString());
    return r.ok ? path : QString();
}

// "azimuth elevation" lines of a mask file.
std::vector<double> MaskValues(const QString& text) {
    std::vector<double> out;
    for (const QString& line : text.split(u'\n'))
        if (!line.startsWith(u'%') && !line.isEmpty())
            out.push_back(line.section(u' ', 1, 1).toDouble());
    return out;
}

} // namespace

class TestCliGis : public QObject {
    Q_OBJECT

  private slots:
    void exportReadBack_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<double>("north");
        QTest::addColumn<QString>("origin");
        QTest::addColumn<QString>("at");
        QTest::newRow("geojson") << "geojson" << 0.0 << "35.6812,139.7671"
                                 << "0.3,-31.7";
        QTest::newRow("geojson, north at 33") << "geojson" << 33.0 << "35.6812,139.7671"
                                              << "31.2,-27.9";
        QTest::newRow("geojson, south") << "geojson" << 0.0 << "-33.87,151.21"
                                        << "-60.5,-33.3";
        QTest::newRow("gpkg") << "gpkg" << 12.0 << "35.6812,139.7671"
                              << "0.3,-31.7";
    }
    void exportReadBack() {
        QFETCH(QString, format);
        QFETCH(double, north);
        QFETCH(QString, origin);
        QFETCH(QString, at);
        QTemporaryDir dir;
        const QString town = WriteTown(dir.filePath("town.dat"), static_cast<float>(north), true);
        QVERIFY(!town.isEmpty());
        const QString map = dir.filePath("town." + format);
        const ProcessRun e =
            Cli({"export", town, "--origin", origin, "--format", format, "-o", map});
        QVERIFY2(e.code == 0, qPrintable(e.err));
        const ProcessRun a = Cli({"skymask", town, "--at", at});
        QVERIFY2(a.code == 0, qPrintable(a.err));
        const ProcessRun b = Cli({"skymask", "--buildings", map, "--at", at, "--origin", origin});
        QVERIFY2(b.code == 0, qPrintable(b.err));
        // The unmeasured roof is named once, by its feature.
        QCOMPARE(b.err.count("without a usable height"), 1);
        const std::vector<double> ma = MaskValues(a.out), mb = MaskValues(b.out);
        QCOMPARE(mb.size(), std::size_t(360));
        QCOMPARE(ma.size(), mb.size());
        double covered = 0;
        for (std::size_t k = 0; k < ma.size(); ++k) {
            QVERIFY2(std::fabs(ma[k] - mb[k]) <= 0.01 + 1e-9,
                     qPrintable(
                         QStringLiteral("azimuth %1: %2 against %3").arg(k).arg(mb[k]).arg(ma[k])));
            covered = std::max(covered, ma[k]);
        }
        QVERIFY(covered > 5);
    }

    // The satellites' states, epoch by epoch, from the project file and from
    // its export.
    void gnssReadBack() {
        QTemporaryDir dir;
        const QString town = WriteTown(dir.filePath("town.dat"), 20, false);
        const QString map = dir.filePath("town.geojson");
        const QString origin = "35.6812,139.7671";
        QCOMPARE(Cli({"export", town, "--origin", origin, "-o", map}).code, 0);
        const QStringList common{"--at",     "5,-20",
                                 "--origin", origin,
                                 "--nav",    Data("brdc3050.12n"),
                                 "--start",  "2012-10-31T21:00:00Z",
                                 "--hours",  "2",
                                 "--step",   "300",
                                 "--json"};
        const ProcessRun a = Cli(QStringList{"gnss", town} + common);
        QVERIFY2(a.code == 0, qPrintable(a.err));
        const ProcessRun b = Cli(QStringList{"gnss", "--buildings", map} + common);
        QVERIFY2(b.code == 0, qPrintable(b.err));
        const QJsonObject ja = QJsonDocument::fromJson(a.out.toUtf8()).object();
        const QJsonObject jb = QJsonDocument::fromJson(b.out.toUtf8()).object();
        QVERIFY(!ja.isEmpty());
        QVERIFY(ja.contains("epochs"));
        // The same states and DOPs; the extra path of a reflection moves
        // with the export's rounding of the corners (a few millimetres).
        const QJsonArray ea = ja.value("epochs").toArray(), eb = jb.value("epochs").toArray();
        QCOMPARE(eb.size(), ea.size());
        int reflected = 0;
        for (qsizetype k = 0; k < ea.size(); ++k) {
            QJsonObject a = ea[k].toObject(), b = eb[k].toObject();
            QJsonArray sa = a.take("satellites").toArray(), sb = b.take("satellites").toArray();
            QCOMPARE(b, a);
            QCOMPARE(sb.size(), sa.size());
            for (qsizetype i = 0; i < sa.size(); ++i) {
                QJsonObject x = sa[i].toObject(), y = sb[i].toObject();
                const double px = x.take("extra_path_m").toDouble(-1);
                const double py = y.take("extra_path_m").toDouble(-1);
                QCOMPARE(y, x);
                QVERIFY2(std::fabs(px - py) < 0.01, qPrintable(QString("%1 %2").arg(px).arg(py)));
                reflected += px >= 0;
            }
        }
        qInfo("%d reflected satellites among the epochs", reflected);
    }

    // The shade-time map, cell by cell, from the project file and from its
    // export: the same grid, and each cell within a minute.
    void shadeReadBack() {
        QTemporaryDir dir;
        const QString town = WriteTown(dir.filePath("town.dat"), 25, false);
        const QString map = dir.filePath("town.geojson");
        const QString origin = "35.6812,139.7671";
        QCOMPARE(Cli({"export", town, "--origin", origin, "-o", map}).code, 0);
        const QStringList common{"--origin", origin, "--date",   "2024-12-21", "--solar-time",
                                 "--cell",   "1.5",  "--extent", "25"};
        const QString ja = dir.filePath("a.json"), jb = dir.filePath("b.json");
        const ProcessRun a = Cli(QStringList{"shadow", town, "--json", ja} + common);
        QVERIFY2(a.code == 0, qPrintable(a.err));
        const ProcessRun b = Cli(QStringList{"shadow", "--buildings", map, "--bbox",
                                             "139.76,35.67,139.78,35.69", "--json", jb} +
                                 common);
        QVERIFY2(b.code == 0, qPrintable(b.err));
        const auto read = [](const QString& path) {
            QFile f(path);
            return f.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(f.readAll()).object()
                                               : QJsonObject();
        };
        const QJsonObject ga = read(ja), gb = read(jb);
        for (const char* key : {"nx", "ny", "x0", "y0", "cell"})
            QCOMPARE(gb.value(key), ga.value(key));
        // Row by row.
        const auto cells = [](const QJsonObject& g) {
            QJsonArray out;
            for (const QJsonValue row : g.value("hours").toArray())
                for (const QJsonValue v : row.toArray())
                    out.append(v);
            return out;
        };
        const QJsonArray ha = cells(ga), hb = cells(gb);
        QVERIFY(!ha.isEmpty());
        QCOMPARE(hb.size(), ha.size());
        int shaded = 0;
        for (qsizetype i = 0; i < ha.size(); ++i) {
            QCOMPARE(hb[i].isNull(), ha[i].isNull());
            QVERIFY2(std::fabs(hb[i].toDouble() - ha[i].toDouble()) <=
                         1.0 / 60 + 1e-4, // a minute, and the file's 4 decimals
                     qPrintable(QStringLiteral("cell %1: %2 h against %3 h")
                                    .arg(i)
                                    .arg(hb[i].toDouble())
                                    .arg(ha[i].toDouble())));
            shaded += ha[i].toDouble() > 0;
        }
        QVERIFY(shaded > 10);
    }

    void geoPackage() {
        const QString ogrinfo = QStandardPaths::findExecutable("ogrinfo");
        QVERIFY2(!ogrinfo.isEmpty(), "ogrinfo (gdal-bin) is not installed");
        QTemporaryDir dir;
        const QString town = WriteTown(dir.filePath("town.dat"), 0, true);
        const QString out = dir.filePath("town.gpkg");
        const ProcessRun e =
            Cli({"export", town, "--origin", "35,139", "--format", "gpkg", "-o", out});
        QVERIFY2(e.code == 0, qPrintable(e.err));
        // Nothing but the file: the GeoPackage was built in memory.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2);
        QProcess ogr;
        ogr.start(ogrinfo, {"-ro", "-al", out});
        QVERIFY(ogr.waitForFinished(30000));
        QCOMPARE(ogr.exitCode(), 0);
        const QString info = QString::fromUtf8(ogr.readAllStandardOutput());
        QVERIFY2(info.contains("Layer name: buildings"), qPrintable(info));
        QVERIFY(info.contains("Feature Count: 3"));
        QVERIFY(info.contains("ID[\"EPSG\",4326]"));
        for (const char* field : {"roof: Integer", "height: Real", "min_height: Real",
                                  "self_intersecting: Integer(Boolean)"})
            QVERIFY2(info.contains(field), field);
        // The third roof has no wall line: its height is NULL, not 0.
        const qsizetype third = info.indexOf("roof (Integer) = 2");
        QVERIFY(third > 0);
        QVERIFY2(info.mid(third, 120).contains("height (Real) = (null)"),
                 qPrintable(info.mid(third, 120)));
        QVERIFY(info.contains("height (Real) = 20"));
        QCOMPARE(Cli({"export", town, "--origin", "35,139", "--format", "gpkg"}).code, 2);
    }

    // A building file that leaves nothing: exit status 2 and one line naming
    // file, feature and reason; nothing written.
    void badFiles_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("line");
        const QByteArray head =
            R"({"type":"FeatureCollection","features":[{"type":"Feature","properties":)";
        const QByteArray square =
            R"(,"geometry":{"type":"Polygon","coordinates":[[[139.0003,35],[139.0004,35],)"
            R"([139.0004,35.0001],[139.0003,35.0001],[139.0003,35]]]}}]})";
        QTest::newRow("not map data")
            << QByteArray("hello\n") << 2 << "b.geojson: GDAL cannot read it as map data";
        QTest::newRow("points only")
            << QByteArray(head +
                          R"({"height":3},"geometry":{"type":"Point","coordinates":[139,35]}}]})")
            << 2 << "b.geojson: layer b: no polygons";
        QTest::newRow("not a number") << head + R"({"height":"x"})" + square << 2
                                      << "b.geojson: feature 0: height \"x\" is not a number";
        QTest::newRow("negative") << head + R"({"height":-2})" + square << 2
                                  << "b.geojson: feature 0: height -2 is negative";
        QTest::newRow("too tall") << head + R"({"height":1001})" + square << 2
                                  << "b.geojson: feature 0: height 1001 is over 1000 m";
        QTest::newRow("usable") << head + R"({"height":12})" + square << 0 << "";
    }
    void badFiles() {
        QFETCH(QByteArray, content);
        QFETCH(int, code);
        QFETCH(QString, line);
        QTemporaryDir dir;
        const QString file = dir.filePath("b.geojson");
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
        f.close();
        const QString mask = dir.filePath("mask.txt");
        const ProcessRun r =
            Cli({"skymask", "--buildings", file, "--at", "0,0", "--origin", "35,139", "-o", mask});
        QCOMPARE(r.code, code);
        QCOMPARE(QFile::exists(mask), code == 0);
        if (line.isEmpty())
            return;
        const QStringList lines = r.err.split(u'\n', Qt::SkipEmptyParts);
        QVERIFY2(lines.size() == 2, qPrintable(r.err)); // the line, then "no building left"
        QVERIFY2(lines[0].contains(line), qPrintable(lines[0]));
    }

    // Names that are not plain files, and a receiver inside a building.
    void refused_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        const QStringList sky{"skymask", "--at", "0,0", "--origin", "35,139", "--buildings"};
        QTest::newRow("virtual file system")
            << sky + QStringList{"/vsicurl/http://localhost/x.geojson"} << 2
            << "not a regular file";
        QTest::newRow("connection string")
            << sky + QStringList{"PG:dbname=x"} << 2 << "not a regular file";
        QTest::newRow("folder") << sky + QStringList{"/tmp"} << 2 << "not a regular file";
        QTest::newRow("no origin") << QStringList{"skymask", "--at", "0,0", "--buildings", "x"} << 2
                                   << "--buildings needs --origin";
        QTest::newRow("neither") << QStringList{"skymask", "--at", "0,0"} << 2
                                 << "give a project file, --buildings FILE, or both";
        QTest::newRow("bad box") << sky + QStringList{"x", "--bbox", "139,35,138,36"} << 2
                                 << "--bbox";
        QTest::newRow("box without building files")
            << QStringList{"skymask", "x.dat", "--at", "0,0", "--bbox", "138,35,139,36"} << 2
            << "--bbox and --height-field go with --buildings";
        QTest::newRow("shade map without a box")
            << QStringList{"shadow", "--buildings", "x",          "--origin",
                           "35,139", "--date",      "2024-12-21", "--solar-time"}
            << 2 << "needs --bbox";
    }
    void refused() {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, message);
        const ProcessRun r = Cli(args);
        QCOMPARE(r.code, code);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
    }

    // A polygon with a courtyard is read filled, with one warning naming
    // it; a receiver in the courtyard stands inside the building.
    void courtyard_data() {
        QTest::addColumn<QString>("at");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("outside") << "0,0" << 0
                                 << "b.geojson: 1 polygon with inner rings (courtyards) kept "
                                    "filled; a point in a courtyard counts as inside the "
                                    "building: feature 0";
        QTest::newRow("in the courtyard") << "45,0" << 1 << "inside feature 0";
    }
    void courtyard() {
        QFETCH(QString, at);
        QFETCH(int, code);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString file = dir.filePath("b.geojson");
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        // 30 ... 60 m east, 30 m square, with a 10 m courtyard in its middle
        // (at 35 degrees north a metre east is 1.1e-5 degrees).
        auto corner = [](double x, double y) {
            return QString("[%1,%2]")
                .arg(139 + x / 91290.0, 0, 'f', 9)
                .arg(35 + y / 110950.0, 0, 'f', 9);
        };
        auto ring = [&](double x0, double y0, double x1, double y1) {
            return "[" + corner(x0, y0) + "," + corner(x1, y0) + "," + corner(x1, y1) + "," +
                   corner(x0, y1) + "," + corner(x0, y0) + "]";
        };
        f.write(QString(R"({"type":"FeatureCollection","features":[{"type":"Feature",)"
                        R"("properties":{"height":12},"geometry":{"type":"Polygon",)"
                        R"("coordinates":[%1,%2]}}]})")
                    .arg(ring(30, -15, 60, 15), ring(40, -5, 50, 5))
                    .toUtf8());
        f.close();
        const ProcessRun r =
            Cli({"skymask", "--buildings", file, "--at", at, "--origin", "35,139"});
        QCOMPARE(r.code, code);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
    }

    // Every prediction takes the building-file options, from the same
    // declarations, with the same placeholder and default.
    void options_data() {
        QTest::addColumn<QString>("command");
        for (const char* c : {"skymask", "gnss", "shadow"})
            QTest::newRow(c) << QString::fromLatin1(c);
    }
    void options() {
        QFETCH(QString, command);
        const ProcessRun r = Cli({command, "--help"});
        QCOMPARE(r.code, 0);
        for (const char* option :
             {"--buildings <FILE>", "--height-field <NAME>", "--bbox <WEST,SOUTH,EAST,NORTH>"})
            QVERIFY2(r.out.contains(QLatin1String(option)), option);
        QVERIFY2(r.out.simplified().contains("(default height)"), qPrintable(r.out));
    }
};

QTEST_GUILESS_MAIN(TestCliGis)
#include "test_gis.moc"
