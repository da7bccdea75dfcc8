// velmora-cli as a process: its trace agrees with the main window's, GDAL
// reads what it exports, its sky mask and plot, and bad input that leaves
// every output as it was.
#include <QImage>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <nlohmann/json.hpp>

#include "data/ProjectFile.h"
#include "data/Scenes.h"
#include "geometry/Altitudes.h"
#include "support/Records.h"
#include "support/Window.h"

using namespace velmora;
using namespace velmora::testing;

namespace {

struct Run {
    int code = -1;
    QString out, err;
};

Run Cli(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(VELMORA_CLI), args);
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

// Sample picture 1 as a BMP file, which both the window and the tool open
// (the built-in copy is a PNG), written once per run.
QString SamplePicture() {
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sample1.bmp"));
    if (!QFile::exists(path))
        QImage(QStringLiteral(VELMORA_SAMPLE_PICTURE_DIR "/sample1.png")).save(path, "BMP");
    return path;
}

QByteArray Slurp(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

// A 1000 x 800 picture seen straight down from 861.5 m: a picture unit is
// (861.5 - h) / 850 metres of plan at height h, exactly 1 m at 11.5 m.
// Roof 0: the box 10 ... 20 x -5 ... 5, 11.5 m; roof 1: -30 ... -20 x
// 10 ... 30 in the picture, 20 m high (0.99 m a unit).
QString WriteBoxes(const QString& path, float north) {
    auto d = std::make_unique<BuildingData>();
    testsupport::AddRoof(*d, {{10, -5}, {20, -5}, {20, 5}, {10, 5}}, 11.5f);
    testsupport::AddRoof(*d, {{-30, 10}, {-20, 10}, {-20, 30}, {-30, 30}}, 20);
    d->gNorthAngle = north;
    d->gFlatHeight = 861.5f;
    const FileResult r = WriteProjectFile(*d, {804, 1004, 0, 0}, path.toStdString());
    return r.ok ? path : QString();
}

// Longitude and latitude of a point east and north of the origin, from the
// WGS84 ellipsoid's radii of curvature (good to 1e-8 degrees within 100 m).
std::pair<double, double> LonLat(double lat0, double lon0, double east, double north) {
    const double a = 6378137, e2 = 0.00669437999014, s = std::sin(lat0 * M_PI / 180);
    const double meridian = a * (1 - e2) / std::pow(1 - e2 * s * s, 1.5);
    const double normal = a / std::sqrt(1 - e2 * s * s);
    return {lon0 + east / (normal * std::cos(lat0 * M_PI / 180)) * 180 / M_PI,
            lat0 + north / meridian * 180 / M_PI};
}

} // namespace

class CliTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

    QString Path(const QString& name) const { return dir_.filePath(name); }

  private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        QVERIFY(QFile::exists(SamplePicture()));
        QVERIFY(!WriteBoxes(Path("box.dat"), 0).isEmpty());
        QVERIFY(!WriteBoxes(Path("box90.dat"), 90).isEmpty());
    }

    // The seven click points of sample picture 1's scene, double-clicked in
    // the window (picture opened as a file, altitudes typed in metres) and
    // given to the command line: the same project file, the same heights.
    void traceMatchesWindow() {
        const AltitudeTexts& t = SamplePicturePresets(1);
        const std::string verM(t.verHeightm), incliM(t.incliHeightm);
        const auto verFt =
            AltitudeBoxChanged(AltitudeBox::VerMetres, verM, kFocusMetres).partnerText;
        const auto incliFt =
            AltitudeBoxChanged(AltitudeBox::IncliMetres, incliM, kFocusMetres).partnerText;
        QVERIFY(verFt && incliFt);

        WindowFixture f;
        InputLineFrm& w = f.Create();
        f.ShowActive();
        f.prompts.AnswerFile(SamplePicture());
        w.OPenPhotoMenu_Click();
        w.Work().VerHeightmTxt->setText(QString::fromStdString(verM));
        w.Work().IncliHeightmTxt->setText(QString::fromStdString(incliM));
        w.Work().VerHeightTxt->setText(QString::fromStdString(*verFt));
        w.Work().IncliHeightTxt->setText(QString::fromStdString(*incliFt));
        QTest::mouseClick(w.Work().InputModeRbn->Button(Index(ToolId::Trace)), Qt::LeftButton);
        QCOMPARE(w.Session().CurrentTool(), ToolId::Trace);

        QStringList args{"trace",       SamplePicture(),
                         "--altitudes", QString::fromStdString(verM + "," + incliM),
                         "-o",          Path("cli.dat")};
        QStringList shown;
        for (const PicturePoint& c : SamplePictureScene(1).clickPoints) {
            DoubleClickAt(w, c);
            args << "--click" << QString("%1,%2").arg(w.Session().DownX()).arg(w.Session().DownY());
            shown << w.Work().HeightTxt->text();
        }
        f.prompts.AnswerFile(Path("window.dat"));
        w.SaveDataMenu_Click();
        QVERIFY(f.data->gEachTopAreaNumber == 7);

        const Run r = Cli(args);
        QVERIFY2(r.code == 0, qPrintable(r.err));
        const QStringList mine = QString::fromLatin1(Slurp(Path("cli.dat"))).split("\r\n");
        const QStringList theirs = QString::fromLatin1(Slurp(Path("window.dat"))).split("\r\n");
        QCOMPARE(mine.size(), theirs.size());
        for (qsizetype i = 0; i < mine.size(); ++i) {
            // Line 2's view offsets depend on the window's size.
            if (i == 1)
                QCOMPARE(mine[i].section(',', 0, 1), theirs[i].section(',', 0, 1));
            else
                QCOMPARE(mine[i], theirs[i]);
        }
        // One line a click, each with the height the window showed.
        const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 8);
        for (int i = 0; i < 7; ++i) {
            QVERIFY2(lines[i].contains("registered"), qPrintable(lines[i]));
            if (!shown[i].isEmpty())
                QVERIFY2(lines[i].contains("height " + shown[i] + " m"), qPrintable(lines[i]));
            else
                QVERIFY2(lines[i].contains("no wall"), qPrintable(lines[i]));
        }
        qInfo("%s", qPrintable(r.out));
    }

    void exportReadByOgr_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("file");
        QTest::addColumn<double>("east"); // the box's corner (20, 5) north-up
        QTest::addColumn<double>("north");
        QTest::newRow("geojson") << "geojson"
                                 << "box.dat" << 20.0 << 5.0;
        QTest::newRow("kml") << "kml"
                             << "box.dat" << 20.0 << 5.0;
        // North to the picture's right: its up is west.
        QTest::newRow("geojson, north at 90") << "geojson"
                                              << "box90.dat" << -5.0 << 20.0;
        QTest::newRow("kml, north at 90") << "kml"
                                          << "box90.dat" << -5.0 << 20.0;
    }
    void exportReadByOgr() {
        QFETCH(QString, format);
        QFETCH(QString, file);
        QFETCH(double, east);
        QFETCH(double, north);
        const QString ogrinfo = QStandardPaths::findExecutable("ogrinfo");
        QVERIFY2(!ogrinfo.isEmpty(), "ogrinfo (gdal-bin) is not installed");
        const QString out = Path(QString("%1.%2").arg(file, format));
        const Run r =
            Cli({"export", Path(file), "--origin", "35,139", "--format", format, "-o", out});
        QVERIFY2(r.code == 0, qPrintable(r.err));

        QProcess ogr;
        ogr.start(ogrinfo, {"-ro", "-al", out});
        QVERIFY(ogr.waitForFinished(60000));
        const QString text = QString::fromUtf8(ogr.readAllStandardOutput());
        QVERIFY2(ogr.exitCode() == 0, qPrintable(ogr.readAllStandardError()));
        const QRegularExpression polygon(R"(POLYGON[^(]*\(\(([^)]*)\)\))");
        std::vector<std::pair<double, double>> corners;
        int polygons = 0;
        for (auto m = polygon.globalMatch(text); m.hasNext(); ++polygons)
            for (const QString& c : m.next().captured(1).split(',')) {
                const QStringList v = c.trimmed().split(' ');
                corners.push_back({v[0].toDouble(), v[1].toDouble()});
            }
        QCOMPARE(polygons, 2);
        const auto [lon, lat] = LonLat(35, 139, east, north);
        const bool found = std::any_of(corners.begin(), corners.end(), [&](auto c) {
            return std::fabs(c.first - lon) < 1e-6 && std::fabs(c.second - lat) < 1e-6;
        });
        QVERIFY2(found, qPrintable(text));
        if (format == "kml") {
            QVERIFY(Slurp(out).contains("<altitudeMode>relativeToGround</altitudeMode>"));
            return;
        }
        // RFC 7946: closed rings, counter-clockwise, 7 decimals at most.
        const auto json = nlohmann::json::parse(Slurp(out).toStdString());
        QCOMPARE(json["features"].size(), std::size_t(2));
        for (const auto& feature : json["features"]) {
            QCOMPARE(feature["properties"]["min_height"].get<double>(), 0.0);
            const auto& ring = feature["geometry"]["coordinates"][0];
            QVERIFY(ring.size() >= 4);
            QCOMPARE(ring.front(), ring.back());
            double twice = 0;
            for (std::size_t i = 0; i + 1 < ring.size(); ++i) {
                twice += ring[i][0].get<double>() * ring[i + 1][1].get<double>() -
                         ring[i + 1][0].get<double>() * ring[i][1].get<double>();
                for (const auto& v : ring[i])
                    QVERIFY(std::fabs(v.get<double>() * 1e7 - std::round(v.get<double>() * 1e7)) <
                            1e-3);
            }
            QVERIFY(twice > 0);
        }
        QCOMPARE(json["features"][1]["properties"]["height"].get<double>(), 20.0);
    }

    // Two files: per-file and overall totals; the box is 10 x 10 m, the
    // other 10 x 20 units at 0.99 m a unit.
    void reportTotals() {
        const Run r = Cli({"report", Path("box.dat"), Path("box90.dat"), "--json"});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        const auto json = nlohmann::json::parse(r.out.toStdString());
        QCOMPARE(json["totals"]["roofs"].get<int>(), 4);
        QVERIFY(std::fabs(json["totals"]["area"].get<double>() - 2 * (100 + 196.02)) < 0.02);
        const auto& box = json["files"][1]["roofs"][0];
        QCOMPARE(box["corners"].size(), std::size_t(4));
        QVERIFY(std::fabs(box["centroid"][0].get<double>() - 0) < 0.01); // north-up: (0, 15)
        QVERIFY(std::fabs(box["centroid"][1].get<double>() - 15) < 0.01);
    }

    void skyMaskAndPlot_data() {
        QTest::addColumn<QString>("plot");
        QTest::newRow("png") << "sky.png";
        QTest::newRow("svg") << "sky.svg";
    }
    void skyMaskAndPlot() {
        QFETCH(QString, plot);
        const Run r = Cli({"skymask", Path("box.dat"), "--at", "0,0", "-o", Path("mask.txt"),
                           "--plot", Path(plot), "--date", "2024-06-21", "--origin", "35.68,139.77",
                           "--utc-offset", "9"});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        const QStringList lines =
            QString::fromUtf8(Slurp(Path("mask.txt"))).split('\n', Qt::SkipEmptyParts);
        const QStringList data = lines.filter(QRegularExpression("^\\d"));
        QCOMPARE(data.size(), 360);
        QCOMPARE(data[90], QString("90 45.00"));
        QCOMPARE(data[270], QString("270 0.00"));
        QVERIFY(lines[0].startsWith('%'));
        QVERIFY2(lines.filter(QRegularExpression("^% sun on .*direct sun \\d+ min")).size() == 1,
                 qPrintable(lines.join('\n')));
        if (plot.endsWith(".png"))
            QCOMPARE(QImage(Path(plot)).size(), QSize(640, 720));
        else
            QVERIFY(Slurp(Path(plot)).contains("<svg"));
    }

    void badInput_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("output"); // must stay as it was
        QTest::addColumn<QString>("message");
        QFile bad(Path("bad.dat"));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("0\r\n682,784,0,0\r\n598,100,80,30\r\n3\r\n1.0,2.0\r\n");
        bad.close();
        QTest::newRow("malformed project file")
            << QStringList{"export", Path("bad.dat"),    "--origin", "35,139",
                           "-o",     Path("old.geojson")}
            << "old.geojson"
            << "bad.dat: line 6";
        QTest::newRow("missing picture")
            << QStringList{"trace", Path("none.jpg"), "--altitudes", "598,102", "--click", "0,0",
                           "-o",    Path("old.dat")}
            << "old.dat"
            << "none.jpg";
        QTest::newRow("click outside the picture")
            << QStringList{"trace",   SamplePicture(), "--altitudes", "598,102",
                           "--click", "390,0",         "-o",          Path("old.dat")}
            << "old.dat"
            << "outside the picture";
        QTest::newRow("origin out of range")
            << QStringList{"export", Path("box.dat"),    "--origin", "91,139",
                           "-o",     Path("old.geojson")}
            << "old.geojson"
            << "--origin 91,139";
        QTest::newRow("receiver inside a building")
            << QStringList{"skymask", Path("box.dat"), "--at", "15,0", "-o", Path("old.txt")}
            << "old.txt"
            << "inside roof 0";
        QTest::newRow("unknown option")
            << QStringList{"report", Path("box.dat"), "--colour"} << "old.txt"
            << "colour";
    }
    void badInput() {
        QFETCH(QStringList, args);
        QFETCH(QString, output);
        QFETCH(QString, message);
        QFile old(Path(output));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old\n");
        old.close();
        const Run r = Cli(args);
        QVERIFY(r.code != 0);
        QVERIFY(r.out.isEmpty());
        QVERIFY2(r.err.startsWith("velmora-cli: ") && r.err.contains(message), qPrintable(r.err));
        QCOMPARE(r.err.count('\n'), 1);
        QCOMPARE(Slurp(Path(output)), QByteArray("old\n"));
    }
};

QTEST_MAIN(CliTest)
#include "test_cli.moc"
