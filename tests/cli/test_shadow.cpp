// SPDX-License-Identifier: GPL-3.0-or-later
// velmora-cli shadow as a process, on the built-in sample data set 1: the
// grid it writes, GDAL reading its lines, its maps, roofs it must leave out
// and runs it must refuse without touching an output.
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>

#include "cli/CliSupport.h"
#include "data/ProjectFile.h"
#include "data/Scenes.h"
#include "geometry/Footprints.h"
#include "support/Process.h"
#include "support/Records.h"

using namespace velmora;

namespace {

using Run = testing::ProcessRun;

Run Cli(const QStringList& args) {
    return testing::RunProgram(QStringLiteral(VELMORA_CLI), args);
}

QByteArray Slurp(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

// Sample data set 1 as the window loads it; `walls` keeps the wall lines
// whose owner passes; `change` alters the record last.
template <class Keep>
bool WriteSample(const QString& path, Keep walls,
                 const std::function<void(BuildingData&)>& change = {}) {
    BuildingData d;
    const SampleDataValues& v = SampleDataFor(1);
    d.gSourceHeight = v.parameters.sourceHeight;
    d.gFlatHeight = v.parameters.flatHeight;
    d.gSlideHeight = v.parameters.slideHeight;
    d.gSlideAngle = v.parameters.slideAngle;
    if (!LoadSampleDataTables(d, 1))
        return false;
    Count kept = 0;
    for (Count w = 0; w < d.gWallEdgeNumber; ++w) {
        const auto k = static_cast<std::size_t>(w);
        if (!walls(d.gWallEdgefotEachTopArea[k]))
            continue;
        const auto to = static_cast<std::size_t>(kept++);
        d.gFirstWallEdgeX[to] = d.gFirstWallEdgeX[k];
        d.gFirstWallEdgeY[to] = d.gFirstWallEdgeY[k];
        d.gSecondWallEdgeX[to] = d.gSecondWallEdgeX[k];
        d.gSecondWallEdgeY[to] = d.gSecondWallEdgeY[k];
        d.gWallEdgefotEachTopArea[to] = d.gWallEdgefotEachTopArea[k];
    }
    d.gWallEdgeNumber = kept;
    if (change)
        change(d);
    return WriteProjectFile(d, v.view, path.toStdString()).ok;
}

const QStringList kTokyo{"--origin", "35.6812,139.7671", "--date", "2025-12-22"};

} // namespace

class ShadowCliTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    std::map<QString, double> strip_; // shade hours just north of roof 0, per file

    QString Path(const QString& name) const { return dir_.filePath(name); }

  private slots:
    void initTestCase() {
        QVERIFY(WriteSample(Path("sample.dat"), [](Count) { return true; }));
        QVERIFY(WriteSample(Path("roof0bare.dat"), [](Count owner) { return owner != 0; }));
        QVERIFY(WriteSample(Path("bare.dat"), [](Count) { return false; }));
        const auto all = [](Count) { return true; };
        QVERIFY(WriteSample(Path("altitudes.dat"), all, [](BuildingData& d) {
            d.gSourceHeight = d.gFlatHeight = d.gSlideHeight = 1e30f;
        }));
        // Roof 0 without a wall line, with a stored height no roof has.
        QVERIFY(WriteSample(
            Path("tallbare.dat"), [](Count owner) { return owner != 0; },
            [](BuildingData& d) { d.gFlatTopHeight[0] = 1e30f; }));
        // A bow-tie roof with a wall line beside the others.
        QVERIFY(WriteSample(Path("bowtie.dat"), all, [](BuildingData& d) {
            const Count roof = d.gEachTopAreaNumber;
            testsupport::AddRoof(d, {{600, 700}, {700, 800}, {700, 700}, {600, 800}});
            testsupport::AddWall(d, {600, 800}, {600, 900}, roof);
        }));
    }

    // Projects no map can be made of, and roofs that must not decide it.
    void implausibleProjects_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("like");    // the file whose summary it must match, if any
        QTest::addColumn<QString>("message"); // on stderr
        QTest::newRow("altitudes of 1e30 m") << "altitudes.dat"
                                             << ""
                                             << "km from the origin";
        QTest::newRow("unmeasured roof 1e30 m high") << "tallbare.dat"
                                                     << "roof0bare.dat"
                                                     << "roof 0: height unknown";
        QTest::newRow("self-crossing roof") << "bowtie.dat"
                                            << "sample.dat"
                                            << "outline crosses itself (a corner dragged";
    }
    void implausibleProjects() {
        QFETCH(QString, file);
        QFETCH(QString, like);
        QFETCH(QString, message);
        const QStringList rest = kTokyo + QStringList{"--solar-time", "--cell", "2"};
        const Run r = Cli(QStringList{"shadow", Path(file)} + rest);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        if (like.isEmpty()) {
            QCOMPARE(r.code, 1);
            QCOMPARE(r.err.count('\n'), 1);
            return;
        }
        QVERIFY2(r.code == 0, qPrintable(r.err));
        const Run same = Cli(QStringList{"shadow", Path(like)} + rest);
        QCOMPARE(same.code, 0);
        // The summary names the file first.
        QCOMPARE(r.out.mid(Path(file).size()), same.out.mid(Path(like).size()));
    }

    // Near the antimeridian the lines are cut there, as the footprints'
    // export cuts its rings: every longitude within -180 ... 180 and no
    // segment running round the globe.
    void linesAtTheAntimeridian() {
        const Run r = Cli(QStringList{"shadow", Path("sample.dat"), "--origin", "35.6812,179.9995",
                                      "--date", "2025-12-22", "--solar-time", "--hourly",
                                      "--geojson", Path("date-line.geojson")});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        const auto j = nlohmann::json::parse(Slurp(Path("date-line.geojson")).toStdString());
        int cut = 0, east = 0, west = 0;
        for (const auto& f : j["features"]) {
            const std::string type = f["geometry"]["type"];
            const auto& c = f["geometry"]["coordinates"];
            std::vector<nlohmann::json> lines;
            if (type == "LineString") {
                lines.push_back(c);
            } else {
                QCOMPARE(type, std::string("MultiLineString"));
                ++cut;
                for (const auto& l : c)
                    lines.push_back(l);
            }
            for (const auto& l : lines) {
                QVERIFY(l.size() >= 2);
                for (std::size_t i = 0; i < l.size(); ++i) {
                    const double lon = l[i][0];
                    QVERIFY2(lon >= -180 && lon <= 180, qPrintable(QString::number(lon, 'f', 7)));
                    (lon > 0 ? east : west) += 1;
                    if (i > 0)
                        QVERIFY(std::fabs(lon - l[i - 1][0].get<double>()) < 0.01);
                }
            }
        }
        QVERIFY(cut > 0 && east > 0 && west > 0);
    }

    // The grid: its keys in order, rows of nx values from the south, null
    // exactly where a cell's centre lies in a footprint, shadows to the
    // north of the buildings; a roof without wall lines is named on stderr
    // and stays null without shading.
    void jsonGrid_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("warning");
        QTest::newRow("all measured") << "sample.dat"
                                      << "";
        QTest::newRow("roof 0 without walls")
            << "roof0bare.dat"
            << "roof 0: height unknown (no wall line, or one drawn upwards); left out";
    }
    void jsonGrid() {
        QFETCH(QString, file);
        QFETCH(QString, warning);
        const Run r = Cli(QStringList{"shadow", Path(file)} + kTokyo +
                          QStringList{"--solar-time", "--cell", "2", "--extent", "10",
                                      "--plane-height", "1.5", "--json", Path("grid.json")});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(r.err.contains(warning), true);
        const auto g = nlohmann::ordered_json::parse(Slurp(Path("grid.json")).toStdString());
        std::vector<std::string> keys;
        for (const auto& [k, v] : g.items())
            keys.push_back(k);
        QVERIFY((keys == std::vector<std::string>{"cell", "x0", "y0", "nx", "ny", "plane_height",
                                                  "from", "to", "time", "hours"}));
        QCOMPARE(g["from"].get<std::string>(), std::string("08:00"));
        QCOMPARE(g["time"].get<std::string>(), std::string("solar"));
        const int nx = g["nx"], ny = g["ny"];
        const double c = g["cell"], x0 = g["x0"], y0 = g["y0"];
        QCOMPARE(static_cast<int>(g["hours"].size()), ny);

        const cli::Project project = cli::ReadProject(Path(file));
        const std::vector<Footprint> footprints = NorthUpFootprints(*project.data);
        // North and south of the buildings' middle: the frame follows the
        // shade, so the grid's own middle lies north of them.
        double low = 1e9, high = -1e9;
        for (const Footprint& f : footprints)
            for (const PlanXY& p : f.ring) {
                low = std::min(low, p.y);
                high = std::max(high, p.y);
            }
        const double middle = (low + high) / 2;
        double north = 0, south = 0, roof0 = 0;
        for (int j = 0; j < ny; ++j) {
            QCOMPARE(static_cast<int>(g["hours"][j].size()), nx);
            for (int i = 0; i < nx; ++i) {
                const PlanXY p{x0 + (i + 0.5) * c, y0 + (j + 0.5) * c};
                bool inside = false;
                for (const Footprint& f : footprints) {
                    const bool in = f.ring.size() >= 3 && RingContains(f.ring, p);
                    inside = inside || in;
                    // Shade just north of roof 0 (within 3 m of it).
                    if (f.roof == 0 && !in && RingContains(f.ring, {p.x, p.y - 3}) &&
                        !g["hours"][j][i].is_null())
                        roof0 += g["hours"][j][i].get<double>();
                }
                QCOMPARE(g["hours"][j][i].is_null(), inside);
                if (!inside)
                    (p.y < middle ? south : north) += g["hours"][j][i].get<double>();
            }
        }
        QVERIFY2(north > south, qPrintable(QString("%1 against %2").arg(north).arg(south)));
        strip_[file] = roof0;
    }

    // Without its wall lines roof 0 casts no shadow: the strip north of it
    // gets less shade than with them.
    void unmeasuredRoofCastsNoShadow() {
        QVERIFY(strip_.count("sample.dat") && strip_.count("roof0bare.dat"));
        QVERIFY2(
            strip_["roof0bare.dat"] < strip_["sample.dat"],
            qPrintable(
                QString("%1 against %2").arg(strip_["roof0bare.dat"]).arg(strip_["sample.dat"])));
    }

    // The lines as WGS84 GeoJSON that GDAL reads: contours with their hours,
    // hourly outlines with their time, all within a few hundred metres of
    // the origin; the map as PNG or SVG.
    void linesAndMaps() {
        const QString ogrinfo = QStandardPaths::findExecutable("ogrinfo");
        QVERIFY2(!ogrinfo.isEmpty(), "ogrinfo (gdal-bin) is not installed");
        const Run r = Cli(QStringList{"shadow", Path("sample.dat")} + kTokyo +
                          QStringList{"--utc-offset", "9", "--hourly", "--geojson",
                                      Path("lines.geojson"), "--png", Path("map.png")});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QProcess ogr;
        ogr.start(ogrinfo, {"-ro", "-al", Path("lines.geojson")});
        QVERIFY(ogr.waitForFinished(60000));
        QVERIFY2(ogr.exitCode() == 0, qPrintable(ogr.readAllStandardError()));
        const QString text = QString::fromUtf8(ogr.readAllStandardOutput());
        QVERIFY(text.contains("Geometry: Line String"));
        QVERIFY(text.contains(QRegularExpression(R"(hours \(Real\) = 2\b)")));
        QVERIFY(text.contains(QRegularExpression(R"(time \((String|Time)\) = 12:00)")));
        const QRegularExpression line(R"(LINESTRING \(([^)]*)\))");
        int points = 0;
        for (auto m = line.globalMatch(text); m.hasNext();)
            for (const QString& c : m.next().captured(1).split(',')) {
                const QStringList v = c.trimmed().split(' ');
                QVERIFY(std::fabs(v[0].toDouble() - 139.7671) < 0.003 &&
                        std::fabs(v[1].toDouble() - 35.6812) < 0.003);
                ++points;
            }
        QVERIFY(points > 100);
        const QImage map(Path("map.png"));
        QVERIFY(!map.isNull() && map.width() >= 640);

        const Run svg = Cli(QStringList{"shadow", Path("sample.dat")} + kTokyo +
                            QStringList{"--solar-time", "--svg", Path("map.svg")});
        QVERIFY2(svg.code == 0, qPrintable(svg.err));
        QVERIFY(Slurp(Path("map.svg")).contains("<svg"));
    }

    // Refused runs: a message naming the fault, and an existing output kept.
    void refused_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("polar night") << QStringList{"sample.dat", "--origin",   "80,15",
                                                    "--date",     "2025-12-22", "--solar-time"}
                                     << 1 << "the sun stays below the horizon";
        QTest::newRow("after sunset")
            << (QStringList{"sample.dat"} + kTokyo +
                QStringList{"--from", "18", "--to", "20", "--utc-offset", "9"})
            << 1 << "the sun stays below the horizon";
        QTest::newRow("no wall lines")
            << (QStringList{"bare.dat"} + kTokyo + QStringList{"--solar-time"}) << 1
            << "no roof has a measured height";
        QTest::newRow("no time reckoning")
            << (QStringList{"sample.dat"} + kTokyo) << 2 << "--solar-time or --utc-offset";
        QTest::newRow("period backwards")
            << (QStringList{"sample.dat"} + kTokyo +
                QStringList{"--from", "15", "--to", "9", "--solar-time"})
            << 2 << "must end after it begins";
        QTest::newRow("cell 1e308")
            << (QStringList{"sample.dat"} + kTokyo + QStringList{"--cell", "1e308", "--solar-time"})
            << 2 << "--cell";
        QTest::newRow("minutes past 59")
            << (QStringList{"sample.dat"} + kTokyo + QStringList{"--from", "8:75", "--solar-time"})
            << 2 << "--from";
    }
    void refused() {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, message);
        args[0] = Path(args[0]);
        QFile old(Path("old.json"));
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("kept") == 4);
        old.close();
        const Run r = Cli(QStringList{"shadow"} + args + QStringList{"--json", Path("old.json")});
        QCOMPARE(r.code, code);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QCOMPARE(Slurp(Path("old.json")), QByteArray("kept"));
    }
};

QTEST_GUILESS_MAIN(ShadowCliTest)
#include "test_shadow.moc"
