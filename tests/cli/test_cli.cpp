// SPDX-License-Identifier: GPL-3.0-or-later
// velmora-cli as a process: its trace agrees with the main window's, GDAL
// reads what it exports, its sky mask and plot, and bad input that leaves
// every output as it was.
#include <QImage>
#include <QImageWriter>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <cmath>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <nlohmann/json.hpp>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "data/ProjectFile.h"
#include "data/Scenes.h"
#include "geometry/Altitudes.h"
#include "support/Pictures.h"
#include "support/Process.h"
#include "support/Records.h"
#include "support/Window.h"

using namespace velmora;
using namespace velmora::testing;

namespace {

using Run = ProcessRun;

Run Cli(const QStringList& args, const std::function<void()>& inChild = {},
        const QString& stdoutFile = {}) {
    return RunProgram(QStringLiteral(VELMORA_CLI), args, inChild, stdoutFile);
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

// A town of nine boxes drawn exactly through sample picture 1's camera
// (altitudes 589 m and 134 m), written once per run, and its roofs' middles.
const tracetest::BoxTown& Town() {
    static const tracetest::BoxTown town =
        tracetest::DrawBoxTown(tracetest::SampleOneCamera(800), tracetest::TownGrid(), 800, 680);
    return town;
}
QString TownPicture() {
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("town.png"));
    if (!QFile::exists(path)) {
        const velmora::GreyRaster& g = Town().picture;
        QImage image(g.Width(), g.Height(), QImage::Format_RGB32);
        for (int r = 0; r < g.Height(); ++r)
            for (int c = 0; c < g.Width(); ++c)
                image.setPixel(c, r, qRgb(g.At(c, r), g.At(c, r), g.At(c, r)));
        image.save(path, "PNG");
    }
    return path;
}

QByteArray Slurp(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

// A 1000 x 800 picture seen straight down from 861.5 m: a picture unit is
// (861.5 - h) / 850 metres of plan at height h, exactly 1 m at 11.5 m.
// Roof 0: the box 10 ... 20 x -5 ... 5, 11.5 m; roof 1: -30 ... -20 x
// 10 ... 30 in the picture, 20 m high (0.99 m a unit). Straight down, a
// wall line on the picture's middle row measures nothing, so the heights
// stay as written; each roof has one, so its height counts as measured.
// `extra` adds roofs after them.
QString WriteBoxes(const QString& path, float north,
                   const std::function<void(BuildingData&)>& extra = {}) {
    auto d = std::make_unique<BuildingData>();
    testsupport::AddRoof(*d, {{10, -5}, {20, -5}, {20, 5}, {10, 5}}, 11.5f);
    testsupport::AddRoof(*d, {{-30, 10}, {-20, 10}, {-20, 30}, {-30, 30}}, 20);
    testsupport::AddWall(*d, {15, 0}, {15, 0}, 0);
    testsupport::AddWall(*d, {-25, 0}, {-25, 0}, 1);
    if (extra)
        extra(*d);
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

// Every entry of a folder: its kind and, for a file, its bytes.
QMap<QString, QByteArray> Snapshot(const QString& dir) {
    QMap<QString, QByteArray> out;
    for (const QString& name : QDir(dir).entryList(QDir::AllEntries | QDir::System | QDir::Hidden |
                                                   QDir::NoDotAndDotDot)) {
        const QByteArray path = QFile::encodeName(dir + '/' + name);
        struct stat st {};
        ::lstat(path.constData(), &st);
        if (S_ISLNK(st.st_mode))
            out[name] = "link to " + QFile::symLinkTarget(dir + '/' + name).toUtf8();
        else if (S_ISFIFO(st.st_mode))
            out[name] = "fifo";
        else if (S_ISDIR(st.st_mode))
            out[name] = "folder";
        else
            out[name] = Slurp(dir + '/' + name);
    }
    return out;
}

// One roof more, 40 ... 50 x -5 ... 5 in the picture, in the way `kind` says:
// "no wall", "upward wall" (its height below the ground), "bow-tie" (two
// corners swapped).
std::function<void(BuildingData&)> ExtraRoof(const QString& kind) {
    return [kind](BuildingData& d) {
        if (kind == "bow-tie") {
            testsupport::AddRoof(d, {{40, -5}, {50, 5}, {50, -5}, {40, 5}}, 9);
            testsupport::AddWall(d, {45, 0}, {45, 0}, 2);
            return;
        }
        testsupport::AddRoof(d, {{40, -5}, {50, -5}, {50, 5}, {40, 5}},
                             kind == "upward wall" ? -50.0f : 0.0f);
        if (kind == "upward wall")
            testsupport::AddWall(d, {45, 0}, {45, 0}, 2);
    };
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

    // trace --all on sample picture 1: clicks first, then the other
    // buildings, one line each and a count; run again on its own output
    // through --project, nothing is added.
    void traceAll_data() {
        QTest::addColumn<int>("clicks");
        QTest::newRow("no click") << 0;
        QTest::newRow("two clicks first") << 2;
    }
    void traceAll() {
        QFETCH(int, clicks);
        const QStringList common{"--altitudes", "589,134", "--all"};
        QStringList args = QStringList{"trace", SamplePicture(), "-o", Path("all.dat")} + common;
        for (int i = 0; i < clicks; ++i) {
            const PicturePoint c = SamplePictureScene(1).clickPoints[std::size_t(i)];
            args << "--click" << QString("%1,%2").arg(c.x).arg(c.y);
        }
        const Run r = Cli(args);
        QVERIFY2(r.code == 0, qPrintable(r.err));
        const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
        for (int i = 0; i < clicks; ++i)
            QVERIFY2(lines[i].startsWith(QString("click %1 ").arg(i + 1)), qPrintable(lines[i]));
        const int buildings = int(lines
                                      .filter(QRegularExpression("^building \\d+: roof \\d+ "
                                                                 "registered"))
                                      .size());
        QVERIFY2(buildings + clicks >= 5, qPrintable(r.out));
        // The camera check's line, the count, the file's.
        QVERIFY2(lines.size() == clicks + buildings + 3, qPrintable(r.out));
        QVERIFY2(lines[lines.size() - 3].startsWith("camera "), qPrintable(r.out));
        QVERIFY2(lines[lines.size() - 2].startsWith(
                     QString("%1 buildings registered, ").arg(buildings + clicks)),
                 qPrintable(r.out));
        QVERIFY2(lines.last().contains(QString(": %1 roofs, ").arg(buildings + clicks)),
                 qPrintable(lines.last()));

        const Run again = Cli(QStringList{"trace", SamplePicture(), "--project", Path("all.dat"),
                                          "-o", Path("again.dat")} +
                              common);
        QVERIFY2(again.code == 0, qPrintable(again.err));
        QVERIFY2(again.out.contains("\n0 buildings registered, 0 with a height, 0 without\n"),
                 qPrintable(again.out));
        // The same roofs and walls (a height read back from the file may
        // differ in its last digit: the file keeps one decimal).
        QCOMPARE(again.out.split('\n', Qt::SkipEmptyParts).last().section(": ", 1),
                 lines.last().section(": ", 1));
        // --project is an input: never the output.
        const Run over = Cli(QStringList{"trace", SamplePicture(), "--project", Path("all.dat"),
                                         "-o", Path("all.dat")} +
                             common);
        QVERIFY(over.code != 0);
    }

    // The seven click points of sample picture 1's scene, double-clicked in
    // the window (picture opened as a file, altitudes typed in metres) and
    // given to the command line: the same project file, the same heights.
    // The camera checked on the nine roofs of a town drawn through sample
    // picture 1's camera: with its altitudes, and with the other sample's
    // (tilt 3.3 degrees off).
    void cameraCommand_data() {
        QTest::addColumn<QString>("altitudes");
        QTest::addColumn<QString>("verdict");
        QTest::newRow("right camera") << "589,134"
                                      << "agrees";
        QTest::newRow("other sample's altitudes") << "598,102"
                                                  << "disagrees";
    }
    void cameraCommand() {
        QFETCH(QString, altitudes);
        QFETCH(QString, verdict);
        QStringList args{"camera", TownPicture(), "--altitudes", altitudes, "--json"};
        for (const PicturePoint& c : Town().clicks)
            args << "--click" << QString("%1,%2").arg(c.x).arg(c.y);
        const Run r = Cli(args);
        QVERIFY2(r.code == 0, qPrintable(r.err));
        const auto j = nlohmann::json::parse(r.out.toStdString());
        std::vector<std::string> keys;
        for (auto it = j.begin(); it != j.end(); ++it)
            keys.push_back(it.key());
        std::sort(keys.begin(), keys.end());
        QVERIFY((keys == std::vector<std::string>{"nadir_x", "picture_tilt", "reason", "typed_tilt",
                                                  "verdict", "verticals"}));
        const auto [v, s] = std::pair{altitudes.section(',', 0, 0).toDouble(),
                                      altitudes.section(',', 1, 1).toDouble()};
        auto d = std::make_unique<BuildingData>();
        UpdateViewGeometry(*d, {"", std::to_string(int(v)), "", std::to_string(int(s))}, 800);
        QVERIFY(std::fabs(j["typed_tilt"].get<double>() - d->gSlideAngle) < 0.01);
        QCOMPARE(QString::fromStdString(j["verdict"].get<std::string>()), verdict);
        // Whatever was typed, the picture shows its own camera's tilt.
        QVERIFY2(j["picture_tilt"].is_number(), qPrintable(r.out));
        QVERIFY(std::fabs(j["picture_tilt"].get<double>() - 33.2212) < 1);
        QVERIFY(j["verticals"].get<int>() >= 3);
        QVERIFY(std::fabs(j["nadir_x"].get<double>()) < 10);
        QVERIFY(!j["reason"].get<std::string>().empty());
        // The text form says the same.
        args.removeAll("--json");
        const Run text = Cli(args);
        QVERIFY(text.out.contains("verdict: " + verdict));
    }

    // Without a click the camera is checked on every roof the whole-picture
    // search finds: the right camera is never said to disagree, the other
    // sample's altitudes are.
    void cameraWithoutClicks_data() {
        QTest::addColumn<QString>("altitudes");
        QTest::addColumn<bool>("fits");
        QTest::newRow("the picture's own altitudes") << "589,134" << true;
        QTest::newRow("the other sample's") << "598,102" << false;
    }
    void cameraWithoutClicks() {
        QFETCH(QString, altitudes);
        QFETCH(bool, fits);
        const Run r = Cli({"camera", SamplePicture(), "--altitudes", altitudes});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        const QRegularExpressionMatch m =
            QRegularExpression("^whole picture: (\\d+) roofs found\n").match(r.out);
        QVERIFY2(m.hasMatch(), qPrintable(r.out));
        QVERIFY2(m.captured(1).toInt() >= 5, qPrintable(r.out));
        QVERIFY2(r.out.contains(fits ? "verdict: disagrees" : "verdict: agrees") == false,
                 qPrintable(r.out));
        if (!fits)
            QVERIFY2(r.out.contains("verdict: disagrees"), qPrintable(r.out));
    }

    // Under the other sample's altitudes trace registers the roofs and no
    // wall, each with the camera's reason.
    void traceUnderWrongCamera() {
        QStringList args{"trace", TownPicture(), "--altitudes", "598,102", "-o", Path("wrong.dat")};
        for (const PicturePoint& c : Town().clicks)
            args << "--click" << QString("%1,%2").arg(c.x).arg(c.y);
        const Run r = Cli(args);
        QVERIFY2(r.code == 0, qPrintable(r.err));
        const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 11);
        for (int i = 0; i < 9; ++i)
            QVERIFY2(lines[i].contains("registered") &&
                         lines[i].contains("no wall: the camera does not fit the picture: its "
                                           "verticals show a tilt of "),
                     qPrintable(lines[i]));
        QVERIFY2(lines[9].startsWith("camera disagrees: "), qPrintable(lines[9]));
        QVERIFY2(lines[10].endsWith(": 9 roofs, 0 wall lines"), qPrintable(lines[10]));
        auto d = std::make_unique<BuildingData>();
        ViewGeometry view;
        QVERIFY(ReadProjectFile(*d, Path("wrong.dat").toStdString(), view).ok);
        QCOMPARE(int(d->gWallEdgeNumber), 0);
        QCOMPARE(int(d->gEachTopAreaNumber), 9);
    }

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
        // One line a click, each with the height the window showed, then
        // the camera's.
        const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 9);
        // Sample picture 1's walls follow a real picture's hand-drawn lines,
        // not the camera model exactly: never a false alarm.
        QVERIFY2(lines[7].startsWith("camera ") && !lines[7].startsWith("camera disagrees"),
                 qPrintable(lines[7]));
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

    // The usage line names the command however the program was started:
    // by a relative path, as a user in the build folder does, or absolute.
    void helpNamesCommand_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("relative");
        for (const char* c : {"camera", "trace", "gnss", "shadow", "skymask", "export"})
            for (bool relative : {false, true})
                QTest::addRow("%s %s", c, relative ? "relative" : "absolute")
                    << QString::fromLatin1(c) << relative;
    }
    void helpNamesCommand() {
        QFETCH(QString, command);
        QFETCH(bool, relative);
        const QFileInfo program(QStringLiteral(VELMORA_CLI));
        QProcess p;
        p.setWorkingDirectory(program.absolutePath());
        p.start(relative ? QStringLiteral("./") + program.fileName() : program.absoluteFilePath(),
                {command, QStringLiteral("--help")});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitCode(), 0);
        const QString first = QString::fromUtf8(p.readAllStandardOutput()).section('\n', 0, 0);
        QVERIFY2(first.startsWith(QStringLiteral("Usage: velmora-cli ") + command + " [options]"),
                 qPrintable(first));
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
        QFile sjis(Path("sjis.dat"));
        QVERIFY(sjis.open(QIODevice::WriteOnly));
        sjis.write("0\r\n\x82\xa0,784,0,0\r\n");
        sjis.close();
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
        QTest::newRow("huge altitude is not too low")
            << QStringList{"trace",   SamplePicture(), "--altitudes", "1e308,134",
                           "--click", "0,0",           "-o",          Path("old.dat")}
            << "old.dat"
            << "1e+308 m: each altitude must lie within 0 ... 1500 m";
        QTest::newRow("north just past 360")
            << QStringList{"trace",   SamplePicture(), "--altitudes", "598,102",
                           "--north", "360.0000001",   "--click",     "0,0",
                           "-o",      Path("old.dat")}
            << "old.dat"
            << "--north 360.0000001:";
        QTest::newRow("date with a time")
            << QStringList{"skymask",  Path("box.dat"), "--at",         "0,0",
                           "-o",       Path("old.txt"), "--date",       "2024-06-21T10:00",
                           "--origin", "35,139",        "--utc-offset", "9"}
            << "old.txt"
            << "--date 2024-06-21T10:00";
        QTest::newRow("single-valued option twice")
            << QStringList{"export",   Path("box.dat"), "--origin", "35,139",
                           "--origin", "36,139",        "-o",       Path("old.geojson")}
            << "old.geojson"
            << "--origin is given more than once";
        QTest::newRow("output named twice")
            << QStringList{"export", Path("box.dat"), "--origin", "35,139",
                           "-o",     Path("x"),       "--output", Path("old.geojson")}
            << "old.geojson"
            << "-o is given more than once";
        QTest::newRow("missing project file gives the reason")
            << QStringList{"export", Path("none.dat"),   "--origin", "35,139",
                           "-o",     Path("old.geojson")}
            << "old.geojson"
            << "none.dat: cannot open: No such file or directory";
        QTest::newRow("missing picture gives the reason")
            << QStringList{"trace", Path("none.jpg"), "--altitudes", "598,102", "--click", "0,0",
                           "-o",    Path("old.dat")}
            << "old.dat"
            << "none.jpg: cannot open: No such file or directory";
        // A picture followed by a gigabyte of zeros (a sparse file): refused
        // from its header and size, before the bytes are read.
        const QString padded = Path("padded.png");
        QFile::remove(padded);
        QVERIFY(QFile::copy(QStringLiteral(VELMORA_SAMPLE_PICTURE_DIR "/sample1.png"), padded));
        QVERIFY(QFile(padded).resize(qint64(1) << 30));
        QTest::newRow("picture file far larger than its picture")
            << QStringList{"trace",   padded, "--altitudes", "589,134",
                           "--click", "0,0",  "-o",          Path("old.dat")}
            << "old.dat"
            << "padded.png: the file is far larger than the picture it holds";
        QTest::newRow("project file in Shift_JIS is named in English")
            << QStringList{"report", Path("sjis.dat")} << "old.txt"
            << "a byte outside ASCII (0x82)";
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
        // The command line speaks English only.
        QVERIFY2(
            std::none_of(r.err.begin(), r.err.end(), [](QChar c) { return c.unicode() > 0x2FFF; }),
            qPrintable(r.err));
        QCOMPARE(Slurp(Path(output)), QByteArray("old\n"));
    }

    // Targets that are not replaced: pipes (also behind a link), a folder,
    // an input of the run, the same file named twice. Nothing in the folder
    // changes, not even the output that could have been written.
    void refusedOutputs_data() {
        QTest::addColumn<QStringList>("setup"); // name=fifo|text|box|picture|jpeg|folder|link:T
        QTest::addColumn<QStringList>("args");  // @ is the folder
        QTest::addColumn<QString>("message");
        const QStringList sky{"skymask", "@/box.dat", "--at", "0,0"};
        QTest::newRow("export to a FIFO")
            << QStringList{"box.dat=box", "out.geojson=fifo"}
            << QStringList{"export", "@/box.dat", "--origin", "35,139", "-o", "@/out.geojson"}
            << "not a regular file";
        QTest::newRow("export through a link to a FIFO")
            << QStringList{"box.dat=box", "pipe=fifo", "out.kml=link:pipe"}
            << QStringList{"export",   "@/box.dat", "--origin", "35,139",
                           "--format", "kml",       "-o",       "@/out.kml"}
            << "not a regular file";
        QTest::newRow("sky plot to a FIFO, mask written first")
            << QStringList{"box.dat=box", "mask.txt=text", "sky.png=fifo"}
            << sky + QStringList{"-o", "@/mask.txt", "--plot", "@/sky.png"} << "not a regular file";
        QTest::newRow("mask into a folder leaves the plot")
            << QStringList{"box.dat=box", "outdir=folder", "p.png=text"}
            << sky + QStringList{"-o", "@/outdir", "--plot", "@/p.png"} << "is a folder";
        QTest::newRow("mask and plot the same file")
            << QStringList{"box.dat=box", "same.png=text"}
            << sky + QStringList{"-o", "@/same.png", "--plot", "@/same.png"} << "same file";
        QTest::newRow("mask and plot the same new file")
            << QStringList{"box.dat=box"}
            << sky + QStringList{"-o", "@/new.png", "--plot", "@/new.png"} << "same file";
        QTest::newRow("export over its input")
            << QStringList{"box.dat=box"}
            << QStringList{"export", "@/box.dat", "--origin", "35,139", "-o", "@/box.dat"}
            << "is an input";
        QTest::newRow("export over its input through a link")
            << QStringList{"box.dat=box", "alias.dat=link:box.dat"}
            << QStringList{"export", "@/box.dat", "--origin", "35,139", "-o", "@/alias.dat"}
            << "is an input";
        QTest::newRow("sky mask over its input")
            << QStringList{"box.dat=box"} << sky + QStringList{"-o", "@/box.dat"} << "is an input";
        QTest::newRow("trace over its picture")
            << QStringList{"pic.bmp=picture"}
            << QStringList{"trace",   "@/pic.bmp", "--altitudes", "589,134",
                           "--click", "0,0",       "-o",          "@/pic.bmp"}
            << "is an input";
        QTest::newRow("trace of a JPEG named .dat")
            << QStringList{"town.dat=jpeg"}
            << QStringList{"trace", "@/town.dat", "--altitudes", "589,134", "--click", "0,0"}
            << "is an input";
    }
    void refusedOutputs() {
        QFETCH(QStringList, setup);
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        QTemporaryDir tmp;
        const QString dir = tmp.path();
        for (const QString& item : setup) {
            const QString name = dir + '/' + item.section('=', 0, 0);
            const QString kind = item.section('=', 1);
            const QByteArray bytes = QFile::encodeName(name);
            if (kind == "fifo")
                QCOMPARE(::mkfifo(bytes.constData(), 0600), 0);
            else if (kind == "folder")
                QVERIFY(QDir().mkdir(name));
            else if (kind.startsWith("link:"))
                QCOMPARE(::symlink(kind.mid(5).toUtf8().constData(), bytes.constData()), 0);
            else if (kind == "box")
                QVERIFY(QFile::copy(Path("box.dat"), name));
            else if (kind == "picture")
                QVERIFY(QFile::copy(SamplePicture(), name));
            else if (kind == "jpeg")
                QVERIFY(QImage(SamplePicture()).save(name, "JPG"));
            else {
                QFile f(name);
                QVERIFY(f.open(QIODevice::WriteOnly));
                f.write("old\n");
            }
        }
        for (QString& a : args)
            a.replace('@', dir);
        const auto before = Snapshot(dir);
        const Run r = Cli(args);
        QVERIFY2(r.code == 1, qPrintable(r.err));
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QCOMPARE(Snapshot(dir), before);
    }

    // Past a file-size limit (SIGXFSZ ignored, so writes fail with EFBIG)
    // every output fails with the system's reason and the old file stays.
    void writeFailureKeepsOldFile_data() {
        QTest::addColumn<QStringList>("args"); // @ is the old file
        QTest::newRow("geojson") << QStringList{
            "export", Path("box.dat"), "--origin", "35,139", "-o", "@"};
        QTest::newRow("kml") << QStringList{"export",   Path("box.dat"), "--origin", "35,139",
                                            "--format", "kml",           "-o",       "@"};
        QTest::newRow("sky mask") << QStringList{"skymask", Path("box.dat"), "--at", "0,0", "-o",
                                                 "@"};
        QTest::newRow("sky plot") << QStringList{"skymask", Path("box.dat"), "--at",
                                                 "0,0",     "--plot",        "@.png"};
        QTest::newRow("trace") << QStringList{"trace",   SamplePicture(), "--altitudes", "589,134",
                                              "--click", "0,0",           "-o",          "@"};
    }
    void writeFailureKeepsOldFile() {
        QFETCH(QStringList, args);
        QTemporaryDir tmp;
        const QString old = tmp.filePath("old");
        for (const QString& name : {old, old + ".png"}) {
            QFile f(name);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("old\n");
        }
        for (QString& a : args)
            a.replace('@', old);
        const Run r = Cli(args, [] {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{64, 64};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        });
        QVERIFY2(r.code == 1, qPrintable(r.err));
        QVERIFY2(r.err.contains(QString::fromLocal8Bit(std::strerror(EFBIG))), qPrintable(r.err));
        QCOMPARE(r.err.count('\n'), 1);
        QCOMPARE(Slurp(old), QByteArray("old\n"));
        QCOMPARE(Slurp(old + ".png"), QByteArray("old\n"));
        QCOMPARE(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
    }

    // What goes to standard output must arrive: a full device or a closed
    // stream is a failure.
    void standardOutputFailure_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("closed"); // closed instead of /dev/full
        QTest::newRow("report to a full device") << QStringList{"report", Path("box.dat")} << false;
        QTest::newRow("export to a full device")
            << QStringList{"export", Path("box.dat"), "--origin", "35,139"} << false;
        QTest::newRow("trace with standard output closed")
            << QStringList{"trace",   SamplePicture(), "--altitudes", "589,134",
                           "--click", "0,0",           "-o",          Path("closed.dat")}
            << true;
        QTest::newRow("version to a full device") << QStringList{"--version"} << false;
    }
    void standardOutputFailure() {
        QFETCH(QStringList, args);
        QFETCH(bool, closed);
        QFile::remove(Path("closed.dat"));
        const Run r = closed ? Cli(args, [] { ::close(1); }) : Cli(args, {}, "/dev/full");
        QVERIFY2(r.code == 1, qPrintable(r.err));
        QVERIFY2(r.err.contains("standard output"), qPrintable(r.err));
        // Nothing written when its account could not be given.
        QVERIFY(!QFile::exists(Path("closed.dat")));
    }

    // Roofs whose height was not measured, and outlines that cross
    // themselves, in every command.
    void doubtfulRoofs_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("args"); // @ is the project file
        QTest::addColumn<QString>("expected"); // in standard output, or in the file for -o
        QTest::addColumn<QString>("warning");  // the one warning line, empty for none
        const QStringList geojson{"export", "@", "--origin", "35,139"};
        const QStringList kml{"export", "@", "--origin", "35,139", "--format", "kml"};
        const QStringList sky{"skymask", "@", "--at", "60,0"};
        for (const QString kind : {"no wall", "upward wall"}) {
            const QString why = kind == "no wall" ? "(no wall line)" : "(wall line drawn upwards)";
            QTest::addRow("%s: report", qPrintable(kind))
                << kind << QStringList{"report", "@"} << "roof 2: height unknown " + why << "";
            QTest::addRow("%s: report json", qPrintable(kind))
                << kind << QStringList{"report", "@", "--json"} << "\"roof\":2,*\"height\":null"
                << "";
            QTest::addRow("%s: geojson", qPrintable(kind))
                << kind << geojson << "\"roof\":2,\"height\":null,\"min_height\":0"
                << "roof 2: height unknown";
            QTest::addRow("%s: kml", qPrintable(kind))
                << kind << kml << "<name>roof 2 (height unknown)</name>*<extrude>0</extrude>"
                << "roof 2: height unknown";
            // Seen from the east, roof 2 stands in front of roof 0, 40 m
            // away and 10 m above the antenna: atan(10 / 40).
            QTest::addRow("%s: sky mask", qPrintable(kind)) << kind << sky << "\n270 14.04\n"
                                                            << "roof 2: height unknown";
        }
        QTest::newRow("bow-tie: report")
            << "bow-tie" << QStringList{"report", "@"} << "total: 2 roofs"
            << "roof 2: outline crosses itself";
        QTest::newRow("bow-tie: geojson") << "bow-tie" << geojson << "\"roof\":1,*]}}]}"
                                          << "roof 2: outline crosses itself";
        QTest::newRow("bow-tie: sky mask") << "bow-tie" << sky << "\n270 14.04\n"
                                           << "roof 2: outline crosses itself";
        // Roof 0's edge 22 m to the west: atan(10 / 22).
        QTest::newRow("receiver in one half of a bow-tie")
            << "bow-tie" << QStringList{"skymask", "@", "--at", "42,0"} << "\n270 24.44\n"
            << "roof 2: outline crosses itself";
    }
    void doubtfulRoofs() {
        QFETCH(QString, kind);
        QFETCH(QStringList, args);
        QFETCH(QString, expected);
        QFETCH(QString, warning);
        const QString file = Path(kind + ".dat");
        QVERIFY(!WriteBoxes(file, 0, ExtraRoof(kind)).isEmpty());
        for (QString& a : args)
            a.replace('@', file);
        const Run r = Cli(args);
        QVERIFY2(r.code == 0, qPrintable(r.err));
        // The pieces between the stars, in this order.
        qsizetype at = 0;
        for (const QString& piece : expected.split('*')) {
            at = r.out.indexOf(piece, at);
            QVERIFY2(at >= 0, qPrintable(piece + "\n" + r.out.left(3000)));
        }
        if (warning.isEmpty()) {
            QCOMPARE(r.err, QString());
        } else {
            QCOMPARE(r.err.count('\n'), 1);
            QVERIFY2(r.err.contains(warning), qPrintable(r.err));
        }
    }

    // A building straddling the antimeridian: one polygon on each side, cut
    // at exactly 180 and -180 degrees, not a band round the globe.
    void antimeridian_data() {
        QTest::addColumn<QString>("format");
        QTest::newRow("geojson") << "geojson";
        QTest::newRow("kml") << "kml";
    }
    void antimeridian() {
        QFETCH(QString, format);
        // The box lies 10 ... 20 m east of the origin, 0.0001 degrees west of
        // the antimeridian.
        const Run r =
            Cli({"export", Path("box.dat"), "--origin", "-16.8,179.9999", "--format", format});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        std::vector<std::vector<std::pair<double, double>>> rings;
        if (format == "geojson") {
            const auto json = nlohmann::json::parse(r.out.toStdString());
            const auto& box = json["features"][0]["geometry"];
            QCOMPARE(box["type"].get<std::string>(), std::string("MultiPolygon"));
            for (const auto& polygon : box["coordinates"]) {
                rings.emplace_back();
                for (const auto& c : polygon[0])
                    rings.back().push_back({c[0].get<double>(), c[1].get<double>()});
            }
        } else {
            const QString placemark = r.out.section("</Placemark>", 0, 0);
            QVERIFY(placemark.contains("<MultiGeometry>"));
            const QRegularExpression coordinates("<coordinates>([^<]*)</coordinates>");
            for (auto m = coordinates.globalMatch(placemark); m.hasNext();) {
                rings.emplace_back();
                for (const QString& c : m.next().captured(1).split(' '))
                    rings.back().push_back(
                        {c.section(',', 0, 0).toDouble(), c.section(',', 1, 1).toDouble()});
            }
        }
        QCOMPARE(rings.size(), std::size_t(2));
        double width = 0;
        for (const auto& ring : rings) {
            QVERIFY(ring.size() >= 4);
            QCOMPARE(ring.front(), ring.back());
            double west = 1e9, east = -1e9;
            for (const auto& [lon, lat] : ring) {
                QVERIFY(lon >= -180 && lon <= 180);
                west = std::min(west, lon);
                east = std::max(east, lon);
            }
            // Each part touches its edge of the map.
            QVERIFY(east == 180 || west == -180);
            width += east - west;
        }
        // 10 m at 16.8 degrees south, about 0.0000940 degrees in all.
        const auto [lon0, lat0] = LonLat(-16.8, 179.9999, 10, 0);
        const auto [lon1, lat1] = LonLat(-16.8, 179.9999, 20, 0);
        QVERIFY2(std::fabs(width - (lon1 - lon0)) < 2e-7, qPrintable(QString::number(width)));
    }

    // A file name that is not UTF-8 (Shift_JIS bytes from a Windows
    // archive): the command line takes it as the system's bytes.
    void nonUtf8FileNames() {
        const QByteArray name = QFile::encodeName(Path("")) + "\x93\x8c\x8b\x9e.dat"; // 東京
        QVERIFY(::link(QFile::encodeName(Path("box.dat")).constData(), name.constData()) == 0 ||
                errno == EEXIST);
        // The name reaches the program as bytes, through the shell: QProcess
        // would pass Qt's text, which has already lost them.
        QProcess p;
        const QByteArray script = "exec '" VELMORA_CLI "' export \"$(printf '" +
                                  QFile::encodeName(Path("")) +
                                  "\\223\\214\\213\\236.dat')\" --origin 35,139 -o \"$(printf '" +
                                  QFile::encodeName(Path("")) + "\\223\\214\\213\\236.geojson')\"";
        p.start("/bin/sh", {"-c", QString::fromLatin1(script)});
        QVERIFY(p.waitForFinished(60000));
        QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
        struct stat st {};
        QCOMPARE(
            ::stat((QFile::encodeName(Path("")) + "\x93\x8c\x8b\x9e.geojson").constData(), &st), 0);
        QVERIFY(st.st_size > 100);
    }

    // Pictures in the formats users have, read by the window's reader: the
    // same trace as from the BMP.
    void pictureFormats_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("format");
        QTest::newRow("png") << "s.png" << QByteArray("PNG");
        QTest::newRow("tiff") << "s.tif" << QByteArray("TIFF");
        QTest::newRow("png named .jpg") << "s2.jpg" << QByteArray("PNG");
    }
    void pictureFormats() {
        QFETCH(QString, name);
        QFETCH(QByteArray, format);
        if (!QImageWriter::supportedImageFormats().contains(format.toLower()))
            QSKIP("no image plugin for this format (qt6-image-formats-plugins)");
        QVERIFY(QImage(SamplePicture()).save(Path(name), format.constData()));
        const PicturePoint c = SamplePictureScene(1).clickPoints[0];
        const QStringList common{"--altitudes", "589,134", "--click",
                                 QString("%1,%2").arg(c.x).arg(c.y)};
        const Run bmp =
            Cli(QStringList{"trace", SamplePicture(), "-o", Path("from-bmp.dat")} + common);
        QVERIFY2(bmp.code == 0, qPrintable(bmp.err));
        const Run other = Cli(QStringList{"trace", Path(name), "-o", Path("other.dat")} + common);
        QVERIFY2(other.code == 0, qPrintable(other.err));
        QCOMPARE(Slurp(Path("other.dat")), Slurp(Path("from-bmp.dat")));
    }
};

QTEST_MAIN(CliTest)
#include "test_cli.moc"
