// SPDX-License-Identifier: GPL-3.0-or-later
// velmora-cli gnss run as a process: the JSON it writes on real ephemerides,
// the warning for roofs without a measured height, and command lines and
// files it refuses, leaving its outputs untouched.
#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <array>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sys/stat.h>

#include <cstdio>

#include "data/ProjectFile.h"
#include "support/Process.h"
#include "support/Records.h"

using namespace velmora;

namespace {

using Run = testing::ProcessRun;

Run Cli(const QStringList& args) {
    return testing::RunProgram(QStringLiteral(VELMORA_CLI), args);
}

QString Data(const char* name) {
    return QStringLiteral(VELMORA_GNSS_DATA "/") + name;
}

// Two box roofs with a wall line each and a third without one; the view
// values of sample data 2. With `bowTie` a fourth roof, with a wall line,
// whose outline crosses itself.
QString WriteTown(const QString& path, bool bowTie = false) {
    auto d = std::make_unique<BuildingData>();
    d->gSourceHeight = 598;
    d->gFlatHeight = 126.9125f;
    d->gSlideHeight = 102;
    d->gSlideAngle = 36.51477f;
    testsupport::AddRoof(*d, {{-10, 10}, {34, 10}, {34, 40}, {-10, 40}});
    testsupport::AddWall(*d, {-10, 10}, {-10, -60}, 0);
    testsupport::AddRoof(*d, {{60, 10}, {104, 10}, {104, 40}, {60, 40}});
    testsupport::AddWall(*d, {60, 10}, {60, -30}, 1);
    testsupport::AddRoof(*d, {{-200, 10}, {-150, 10}, {-150, 40}, {-200, 40}}, 30);
    if (bowTie) {
        testsupport::AddRoof(*d, {{120, 10}, {160, 40}, {160, 10}, {120, 40}});
        testsupport::AddWall(*d, {120, 40}, {120, -80}, 3);
    }
    return WriteProjectFile(*d, {804, 1004, 0, 0}, path.toStdString()).ok ? path : QString();
}

QStringList Base(const QString& town) {
    return {"gnss",     town,
            "--at",     "5,-20",
            "--origin", "35.6812,139.7671",
            "--height", "40",
            "--nav",    Data("brdc3050.12n"),
            "--nav",    Data("brdc3050.12g"),
            "--nav",    Data("brdc3050.12q"),
            "--start",  "2012-10-31T21:00:00Z",
            "--hours",  "0.25",
            "--step",   "300"};
}

// The command line of Base without ephemerides: one GPS file follows.
QStringList BaseWithout(const QString& town) {
    return {"gnss",      town,
            "--at",      "5,-20",
            "--origin",  "35.6812,139.7671",
            "--start",   "2012-10-31T21:00:00Z",
            "--hours",   "0.25",
            "--step",    "300",
            "--systems", "G",
            "--json"};
}

// A name written with \ooo octal escapes for bytes that are not UTF-8.
std::string NameBytes(const QString& name) {
    const QByteArray utf8 = name.toUtf8();
    std::string out;
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        if (utf8[i] == '\\' && i + 3 < utf8.size()) {
            out += static_cast<char>(utf8.mid(i + 1, 3).toInt(nullptr, 8));
            i += 3;
        } else {
            out += utf8[i];
        }
    }
    return out;
}

// Every file below `dir` (bytes of its path) with its content.
std::map<std::string, std::string> Tree(const std::string& dir) {
    std::map<std::string, std::string> out;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir)) {
        std::string content;
        if (e.is_regular_file()) {
            std::ifstream in(e.path(), std::ios::binary);
            content.assign(std::istreambuf_iterator<char>(in), {});
        }
        out[e.path().string()] = e.is_directory() ? "(folder)" : content;
    }
    return out;
}

// A TLE row's first 68 characters with their checksum.
QByteArray WithChecksum(const QByteArray& row) {
    int sum = 0;
    for (const char c : row.left(68))
        sum += c >= '0' && c <= '9' ? c - '0' : c == '-' ? 1 : 0;
    return row.left(68) + QByteArray::number(sum % 10);
}

// Removes a folder whose names QTemporaryDir cannot (bytes that are not
// UTF-8).
struct RemoveTree {
    std::string path;
    ~RemoveTree() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

// velmora-cli run in `dir` with the file `name` (escapes as for NameBytes)
// as the value of `option`: the shell turns the escapes into bytes, so that
// names that are not UTF-8 reach the program as they are.
Run CliWithFile(const QString& dir, const QString& option, const QString& name,
                const QStringList& args) {
    return testing::RunProgram(
        "/bin/sh",
        QStringList{"-c", "cd \"$1\" && f=$(printf '%b' \"$2\") && shift 2 && exec \"$@\" \"$f\"",
                    "sh", dir, name, VELMORA_CLI}
            << args << option);
}

// A copy of the almanac `name` with its weeks written `from` -> `to` (YUMA:
// the header and the "week:" lines; SEM: the second line).
QString AlmanacCopy(const QString& dir, const QString& name, int from, int to) {
    QFile in(Data(("almanac/" + name).toUtf8().constData()));
    if (!in.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> lines = in.readAll().split('\n');
    const QByteArray f = QByteArray::number(from), t = QByteArray::number(to);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray& l = lines[i];
        if (l.startsWith("week:") || l.startsWith("********"))
            l.replace(" " + f, " " + t);
        else if (i == 1 && l.startsWith(f + " "))
            l = t + l.mid(f.size());
    }
    const QString out = QDir(dir).filePath(name);
    QFile file(out);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write(lines.join('\n'));
    return out;
}

// The angle in degrees between two directions given as azimuth and
// elevation in degrees.
double Separation(double az1, double el1, double az2, double el2) {
    const double d = M_PI / 180;
    const double c = std::sin(el1 * d) * std::sin(el2 * d) +
                     std::cos(el1 * d) * std::cos(el2 * d) * std::cos((az1 - az2) * d);
    return std::acos(std::clamp(c, -1.0, 1.0)) / d;
}

// GeoJSON of boxes (plan metres x0, y0, x1, y1, a height and a
// min_height, left out where 0) around the origin, placed by the ellipsoid's radii of curvature
// there: within a millimetre of any plan projection over a few hundred metres.
QByteArray BoxesGeoJson(double lat0, double lon0, const std::vector<std::array<double, 6>>& boxes) {
    const double a = 6378137, e2 = 6.69437999014e-3, phi = lat0 * M_PI / 180;
    const double w = 1 - e2 * std::sin(phi) * std::sin(phi);
    const double m = a * (1 - e2) / std::pow(w, 1.5), n = a / std::sqrt(w);
    auto lonlat = [&](double x, double y) {
        return QStringLiteral("[%1,%2]")
            .arg(lon0 + x / (n * std::cos(phi)) * 180 / M_PI, 0, 'f', 12)
            .arg(lat0 + y / m * 180 / M_PI, 0, 'f', 12);
    };
    QStringList features;
    for (const auto& b : boxes)
        features << QStringLiteral("{\"type\":\"Feature\",\"properties\":{\"height\":%1%6},"
                                   "\"geometry\":{\"type\":\"Polygon\",\"coordinates\":[[%2,%3,"
                                   "%4,%5,%2]]}}")
                        .arg(b[4])
                        .arg(lonlat(b[0], b[1]), lonlat(b[2], b[1]), lonlat(b[2], b[3]),
                             lonlat(b[0], b[3]),
                             b[5] > 0 ? QStringLiteral(",\"min_height\":%1").arg(b[5]) : QString());
    return QStringLiteral("{\"type\":\"FeatureCollection\",\"features\":[%1]}")
        .arg(features.join(u','))
        .toUtf8();
}

// A north-south street between a west block (x -20 ... -10) and an east
// block (x 10 ... 20), both 200 m long: what a satellite in direction
// (az, el) is to a receiver at (x, y), antenna 1.5 m up, by hand. The wall
// facing the satellite is mirrored: the bounce lies s = d / u.n along the
// direction from the receiver's image, at 1.5 + s sin(el) up, and the leg
// on to the satellite crosses the street. `margin` comes back as the
// nearest any height or end came to deciding otherwise (metres).
struct HandSight {
    std::string state;
    double extra = 0;
    double margin = 1e9;
};
HandSight CanyonByHand(double x, double y, double westH, double eastH, double az, double el,
                       double mask) {
    HandSight h;
    const double d = M_PI / 180;
    const double ux = std::sin(az * d) * std::cos(el * d), uy = std::cos(az * d) * std::cos(el * d),
                 uz = std::sin(el * d);
    if (el < mask) {
        h.state = "below_mask";
        h.margin = mask - el;
        return h;
    }
    // The wall the direction goes to and the one behind the receiver.
    const bool east = ux > 0;
    const double wall = east ? 10 : -10, back = east ? -10 : 10;
    const double wallH = east ? eastH : westH, backH = east ? westH : eastH;
    auto note = [&](double m) { h.margin = std::min(h.margin, std::fabs(m)); };
    if (ux == 0) {
        h.state = "visible";
        return h;
    }
    // Direct line: meets the wall plane after t along u.
    const double t = (wall - x) / ux;
    const double zAt = 1.5 + t * uz, yAt = y + t * uy;
    note(zAt - wallH);
    note(std::fabs(yAt) - 100);
    if (!(zAt < wallH && std::fabs(yAt) <= 100)) {
        h.state = "visible";
        return h;
    }
    // The face behind the receiver turns towards the satellite.
    const double dist = std::fabs(x - back), un = std::fabs(ux);
    const double s = dist / un;
    const double by = y + s * uy, bz = 1.5 + s * uz;
    note(std::fabs(by) - 100);
    note(bz - backH);
    h.state = "blocked";
    if (std::fabs(by) > 100 || bz > backH)
        return h;
    // On to the satellite: across the street to the far wall.
    const double t2 = 20 / un;
    const double z2 = bz + t2 * uz, y2 = by + t2 * uy;
    note(z2 - wallH);
    note(std::fabs(y2) - 100);
    if (z2 < wallH && std::fabs(y2) <= 100)
        return h;
    h.state = "reflected";
    h.extra = 2 * dist * un;
    return h;
}

} // namespace

class GnssCommandTest : public QObject {
    Q_OBJECT

  private slots:
    void json() {
        QTemporaryDir dir;
        const QString town = WriteTown(dir.filePath("town.dat"));
        QVERIFY(!town.isEmpty());
        const Run r = Cli(Base(town) << "--json"
                                     << "--systems"
                                     << "G,R,J");
        QVERIFY2(r.code == 0, qPrintable(r.err));
        // The roof without a wall line is left out, with a warning.
        QVERIFY2(r.err.contains("roof 2: height unknown"), qPrintable(r.err));
        const auto j = nlohmann::json::parse(r.out.toStdString());
        for (const char* k : {"latitude", "longitude", "height", "x", "y"})
            QVERIFY2(j["receiver"].contains(k), k);
        QCOMPARE(j["receiver"]["x"].get<double>(), 5.0);
        QCOMPARE(j["elevation_mask"].get<double>(), 10.0);
        QCOMPARE(j["epochs"].size(), 4u);
        QCOMPARE(j["epochs"][0]["time"].get<std::string>(), std::string("2012-10-31T21:00:00Z"));
        QCOMPARE(j["epochs"][3]["time"].get<std::string>(), std::string("2012-10-31T21:15:00Z"));
        QCOMPARE(j["summary"]["roofs_without_height"], nlohmann::json::array({2}));
        for (const auto& e : j["epochs"]) {
            int above = 0, visible = 0;
            for (const auto& s : e["satellites"]) {
                const std::string id = s["id"], state = s["state"];
                QVERIFY(id.size() == 3 && std::string("GRJ").find(id[0]) != std::string::npos);
                QVERIFY(s["elevation"].get<double>() >= 0 && s["azimuth"].get<double>() >= 0 &&
                        s["azimuth"].get<double>() < 360);
                QVERIFY(state == "visible" || state == "blocked" || state == "below_mask");
                QCOMPARE(state == "below_mask", s["elevation"].get<double>() < 10);
                above += state != "below_mask";
                visible += state == "visible";
            }
            QCOMPARE(e["open"]["count"].get<int>(), above);
            QCOMPARE(e["with_buildings"]["count"].get<int>(), visible);
            QVERIFY(above >= 12);
            for (const char* k : {"gdop", "pdop", "hdop", "vdop"})
                QCOMPARE(e["with_buildings"][k].is_null(), visible < 4);
            QVERIFY(e["open"]["pdop"].get<double>() <= e["open"]["gdop"].get<double>());
        }
    }

    // The almanac through the command line against the broadcast
    // ephemerides it was derived from (directions from Tokyo over the
    // day); the weeks given modulo 1024 (688) or whole (1712) resolve alike.
    void almanac_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("week");
        QTest::newRow("YUMA, week 688") << "gps_2012-10-31.alm" << 688;
        QTest::newRow("SEM, week 688") << "gps_2012-10-31.al3" << 688;
        QTest::newRow("YUMA, week 1712") << "gps_2012-10-31.alm" << 1712;
        QTest::newRow("SEM, week 1712") << "gps_2012-10-31.al3" << 1712;
        // Written 1024 weeks early: a period of 2012 still takes 1712.
        QTest::newRow("SEM, week 2736 (one cycle late)") << "gps_2012-10-31.al3" << 2736;
    }
    void almanac() {
        QFETCH(QString, file);
        QFETCH(int, week);
        QTemporaryDir dir;
        const QString town = WriteTown(dir.filePath("town.dat"));
        const QString almanac = AlmanacCopy(dir.path(), file, 688, week);
        QVERIFY(!almanac.isEmpty());
        QStringList args = BaseWithout(town);
        args[args.indexOf("--start") + 1] = "2012-10-31T00:00:00Z";
        args[args.indexOf("--hours") + 1] = "24";
        args[args.indexOf("--step") + 1] = "1800";
        const Run nav = Cli(QStringList(args) << "--nav" << Data("brdc3050.12n"));
        const Run alm = Cli(QStringList(args) << "--almanac" << almanac);
        QVERIFY2(nav.code == 0, qPrintable(nav.err));
        QVERIFY2(alm.code == 0, qPrintable(alm.err));
        const auto jn = nlohmann::json::parse(nav.out.toStdString());
        const auto ja = nlohmann::json::parse(alm.out.toStdString());
        QCOMPARE(ja["epochs"].size(), jn["epochs"].size());
        double worst = 0;
        int compared = 0;
        for (std::size_t k = 0; k < jn["epochs"].size(); ++k) {
            std::map<std::string, std::pair<double, double>> fromAlmanac;
            for (const auto& s : ja["epochs"][k]["satellites"])
                fromAlmanac[s["id"]] = {s["azimuth"], s["elevation"]};
            for (const auto& s : jn["epochs"][k]["satellites"]) {
                const std::string id = s["id"];
                const double el = s["elevation"];
                const auto it = fromAlmanac.find(id);
                // At the horizon one of the two may not count it risen yet.
                if (it == fromAlmanac.end()) {
                    QVERIFY2(el < 0.05, id.c_str());
                    continue;
                }
                worst = std::max(worst,
                                 Separation(s["azimuth"], el, it->second.first, it->second.second));
                ++compared;
            }
        }
        qInfo("%d directions, the almanac's within %.4f deg of the broadcast ephemerides'",
              compared, worst);
        QVERIFY(compared > 300);
        QVERIFY2(worst < 0.005, qPrintable(QString::number(worst)));
    }

    // A satellite hidden by a block and reached off the wall behind the
    // receiver is "reflected" with the extra path the hand computation
    // gives; the JSON, its DOP set with the reflected ones and the text
    // agree.
    void canyon_data() {
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        QTest::addColumn<double>("westH");
        QTest::addColumn<double>("eastH");
        QTest::newRow("centre line, 30 m blocks") << 0.0 << 0.0 << 30.0 << 30.0;
        QTest::newRow("near the east wall") << 7.0 << 20.0 << 30.0 << 30.0;
        QTest::newRow("tall east, low west") << -3.0 << -40.0 << 12.0 << 60.0;
        QTest::newRow("near the street's end") << 2.0 << 90.0 << 25.0 << 45.0;
    }
    void canyon() {
        QFETCH(double, x);
        QFETCH(double, y);
        QFETCH(double, westH);
        QFETCH(double, eastH);
        QTemporaryDir dir;
        const QString map = dir.filePath("street.geojson");
        {
            QFile f(map);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(BoxesGeoJson(35.6812, 139.7671,
                                 {{-20, -100, -10, 100, westH, 0}, {10, -100, 20, 100, eastH, 0}}));
        }
        const QStringList args{"gnss",
                               "--buildings",
                               map,
                               "--at",
                               QString("%1,%2").arg(x).arg(y),
                               "--origin",
                               "35.6812,139.7671",
                               "--height",
                               "40",
                               "--nav",
                               Data("brdc3050.12n"),
                               "--nav",
                               Data("brdc3050.12g"),
                               "--nav",
                               Data("brdc3050.12q"),
                               "--start",
                               "2012-10-31T21:00:00Z",
                               "--hours",
                               "3",
                               "--step",
                               "600",
                               "--systems",
                               "G,R,J"};
        const Run json = Cli(QStringList(args) << "--json");
        const Run text = Cli(args);
        QVERIFY2(json.code == 0, qPrintable(json.err));
        QVERIFY2(text.code == 0, qPrintable(text.err));
        const auto j = nlohmann::json::parse(json.out.toStdString());
        const QStringList lines = text.out.split('\n');
        int reflected = 0, grazing = 0, compared = 0;
        double worst = 0;
        std::size_t k = 0;
        for (const auto& e : j["epochs"]) {
            int visible = 0, heard = 0;
            QStringList ids;
            for (const auto& s : e["satellites"]) {
                const std::string state = s["state"];
                const HandSight h =
                    CanyonByHand(x, y, westH, eastH, s["azimuth"], s["elevation"], 10);
                QCOMPARE(s.contains("extra_path_m"), state == "reflected");
                visible += state == "visible";
                heard += state == "visible" || state == "reflected";
                if (state == "reflected") {
                    ++reflected;
                    ids << QString::fromStdString(s["id"].get<std::string>()) + " +";
                }
                // The azimuth and elevation are printed to 1e-4 degrees.
                if (h.margin < 0.05) {
                    ++grazing;
                    continue;
                }
                ++compared;
                QVERIFY2(state == h.state, qPrintable(QString("%1 at %2/%3: %4, by hand %5")
                                                          .arg(QString::fromStdString(s["id"]))
                                                          .arg(s["azimuth"].get<double>())
                                                          .arg(s["elevation"].get<double>())
                                                          .arg(QString::fromStdString(state))
                                                          .arg(QString::fromStdString(h.state))));
                if (state == "reflected")
                    worst = std::max(worst, std::fabs(s["extra_path_m"].get<double>() - h.extra));
            }
            QCOMPARE(e["with_buildings"]["count"].get<int>(), visible);
            QCOMPARE(e["with_reflected"]["count"].get<int>(), heard);
            // More satellites never make the geometry worse.
            if (visible >= 4 && heard > visible)
                QVERIFY(e["with_reflected"]["pdop"].get<double>() <=
                        e["with_buildings"]["pdop"].get<double>());
            QCOMPARE(e["with_reflected"]["pdop"].is_null(), heard < 4);
            // The text's line of the epoch names the same satellites.
            const QString line = lines.value(static_cast<qsizetype>(2 + k++));
            QVERIFY2(line.startsWith(QString::fromStdString(e["time"])), qPrintable(line));
            QCOMPARE(line.contains(" reflected: "), !ids.isEmpty());
            for (const QString& id : ids)
                QVERIFY2(line.section(" reflected: ", 1).contains(id), qPrintable(line));
        }
        qInfo("%d satellites compared with the hand computation (%d at grazing geometry left "
              "out), %d reflected, extra path within %.4f m",
              compared, grazing, reflected, worst);
        QVERIFY(reflected >= 3);
        QVERIFY(worst < 0.05);
        QVERIFY(grazing * 20 < compared);
        const double share = j["summary"]["share_reflected_in_use"];
        QVERIFY(share > 0 && share <= j["summary"]["share_with_reflected"].get<double>());
        QVERIFY(text.out.contains("with a reflected satellite in use " +
                                  QString::number(share * 100, 'f', 1) + "%"));
    }

    // A block on a base (min_height) 5 ... 200 m east of the receiver: a
    // satellite whose line passes under the base, or over the roof, is in
    // view; one whose line meets the block between base and roof, at its
    // west wall or in through its underside, is blocked.
    void raisedBlock_data() {
        QTest::addColumn<double>("base");
        QTest::addColumn<double>("roof");
        QTest::newRow("on the ground") << 0.0 << 40.0;
        QTest::newRow("base 25 m") << 25.0 << 60.0;
        QTest::newRow("base 60 m, a bridge") << 60.0 << 90.0;
    }
    void raisedBlock() {
        QFETCH(double, base);
        QFETCH(double, roof);
        QTemporaryDir dir;
        const QString map = dir.filePath("block.geojson");
        {
            QFile f(map);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(BoxesGeoJson(35.6812, 139.7671, {{5, -200, 200, 200, roof, base}}));
        }
        const Run r = Cli({"gnss",
                           "--buildings",
                           map,
                           "--at",
                           "0,0",
                           "--origin",
                           "35.6812,139.7671",
                           "--nav",
                           Data("brdc3050.12n"),
                           "--nav",
                           Data("brdc3050.12g"),
                           "--start",
                           "2012-10-31T21:00:00Z",
                           "--hours",
                           "6",
                           "--step",
                           "900",
                           "--systems",
                           "G,R",
                           "--elevation-mask",
                           "0",
                           "--json"});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        const auto j = nlohmann::json::parse(r.out.toStdString());
        int blocked = 0, under = 0, compared = 0;
        for (const auto& e : j["epochs"])
            for (const auto& s : e["satellites"]) {
                const double az = s["azimuth"].get<double>() * M_PI / 180;
                const double tanEl = std::tan(s["elevation"].get<double>() * M_PI / 180);
                const std::string state = s["state"];
                // Plan distances along the azimuth where the line enters
                // (west wall) and leaves (east wall or an end) the block.
                bool want = false;
                double margin = 1e9;
                if (std::sin(az) > 1e-9) {
                    const double in = 5 / std::sin(az);
                    const double out = std::min(200 / std::sin(az), 200 / std::fabs(std::cos(az)));
                    const double zIn = 1.5 + in * tanEl, zOut = 1.5 + out * tanEl;
                    if (in < out) {
                        want = zIn < roof && zOut > base;
                        margin = std::min(std::fabs(zIn - roof), std::fabs(zOut - base));
                        under += zOut <= base;
                    }
                }
                if (margin < 0.05)
                    continue;
                ++compared;
                blocked += want;
                QVERIFY2((state == "blocked") == want && (state == "visible") == !want,
                         qPrintable(QString("%1 at %2/%3: %4")
                                        .arg(QString::fromStdString(s["id"]))
                                        .arg(s["azimuth"].get<double>())
                                        .arg(s["elevation"].get<double>())
                                        .arg(QString::fromStdString(state))));
            }
        QVERIFY(compared > 100);
        QVERIFY(blocked > 5);
        // Under a raised block some lines pass beneath.
        QVERIFY(base == 0 || under > 5);
    }

    // Names RTKLIB would hand to a shell to unpack, or use to name a file it
    // writes and removes: the file is read under its own name, no command
    // runs, and every other file stays as it was.
    void hostileNames_data() {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("canaries");
        QTest::newRow("extension of four letters") << "--nav"
                                                   << "keep.12dx" << QStringList{"keep.12ox"};
        QTest::newRow("command in a long extension")
            << "--nav"
            << "n.12dx$(touch PWNED)" << QStringList{"n.12ox$(touch PWNED)"};
        QTest::newRow("dot in a folder name") << "--nav"
                                              << "a.12d/brdc" << QStringList{"a.12o/brdc"};
        QTest::newRow("command in a folder name")
            << "--nav"
            << "e.12d$(touch PWNED2)/nav" << QStringList{"e.12o$(touch PWNED2)/nav"};
        QTest::newRow("crx") << "--nav"
                             << "brdc.crx" << QStringList{"brdc.cro", "brdc.rnx"};
        QTest::newRow("backticks") << "--nav"
                                   << "`touch PWNED3`.12d" << QStringList{"`touch PWNED3`.12o"};
        QTest::newRow("quote and dollar")
            << "--nav"
            << "q\"$(touch PWNED4)\".12d" << QStringList{"q\"$(touch PWNED4)\".12o"};
        QTest::newRow("leading dash") << "--nav"
                                      << "-brdc.12n" << QStringList{"canary"};
        QTest::newRow("not UTF-8") << "--nav"
                                   << "\\377\\376.12n" << QStringList{"canary"};
        QTest::newRow("wildcard") << "--nav"
                                  << "brdc*.12n" << QStringList{"brdc1.12n"};
        QTest::newRow("TLE, command in a long extension")
            << "--tle"
            << "t.12dx$(touch PWNED5)" << QStringList{"t.12ox$(touch PWNED5)"};
        QTest::newRow("TLE, leading dash and not UTF-8") << "--tle"
                                                         << "-\\351t.txt" << QStringList{"canary"};
    }
    void hostileNames() {
        QFETCH(QString, option);
        QFETCH(QString, name);
        QFETCH(QStringList, canaries);
        QTemporaryDir dir;
        const RemoveTree cleanup{dir.path().toStdString()};
        const QString town = WriteTown(dir.filePath("town.dat"));
        const std::string root = dir.path().toStdString() + "/";
        const char* data = option == "--nav" ? "brdc3050.12n" : "TLE_GNSS_20121101.txt";
        const std::filesystem::path file = root + NameBytes(name);
        std::filesystem::create_directories(file.parent_path());
        std::filesystem::copy_file(Data(data).toStdString(), file);
        for (const QString& c : canaries) {
            const std::filesystem::path path = root + NameBytes(c);
            std::filesystem::create_directories(path.parent_path());
            std::ofstream(path) << "precious\n";
        }
        const auto before = Tree(dir.path().toStdString());
        const Run r = CliWithFile(dir.path(), option, name, BaseWithout(town));
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(Tree(dir.path().toStdString()), before);
        const Run direct = Cli(BaseWithout(town) << option << Data(data));
        QCOMPARE(direct.code, 0);
        QVERIFY(nlohmann::json::parse(r.out.toStdString())["epochs"].size() == 4);
        QCOMPARE(r.out, direct.out);
    }

    // Files that are not read: a pipe would block for ever, a device or a
    // sparse giant be read without end, an overlong TLE line overrun
    // RTKLIB's buffer.
    void refusedFiles_data() {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        for (const QString option : {"--nav", "--tle", "--almanac"}) {
            const QByteArray o = option.toUtf8();
            QTest::addRow("%s pipe", o.data()) << option << "pipe"
                                               << "not a regular file";
            QTest::addRow("%s /dev/zero", o.data()) << option << "/dev/zero"
                                                    << "not a regular file";
            QTest::addRow("%s folder", o.data()) << option << "folder"
                                                 << "is a folder";
            QTest::addRow("%s 2 GB sparse", o.data()) << option << "sparse"
                                                      << "the file is too large";
        }
        QTest::newRow("--tle line of 300") << "--tle"
                                           << "long line"
                                           << "line 3: longer than 128";
        QTest::newRow("--tle epoch day 999") << "--tle"
                                             << "day 999"
                                             << "is no date";
    }
    void refusedFiles() {
        QFETCH(QString, option);
        QFETCH(QString, kind);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString town = WriteTown(dir.filePath("town.dat"));
        QString file = dir.filePath("input");
        const std::string bytes = file.toStdString();
        if (kind == "pipe") {
            QCOMPARE(::mkfifo(bytes.c_str(), 0600), 0);
        } else if (kind == "folder") {
            QVERIFY(QDir(dir.path()).mkdir("input"));
        } else if (kind == "sparse") {
            std::ofstream(bytes) << "x";
            std::filesystem::resize_file(bytes, std::uintmax_t(2) << 30);
        } else if (kind.startsWith("/")) {
            file = kind;
        } else {
            QFile in(Data("TLE_GNSS_20121101.txt"));
            QVERIFY(in.open(QIODevice::ReadOnly));
            QList<QByteArray> lines = in.readAll().split('\n');
            if (kind == "long line")
                lines[2] = QByteArray(300, '#');
            else
                lines[5] = WithChecksum(lines[5].left(18) + "12999" + lines[5].mid(23)); // G32's
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(lines.join('\n'));
        }
        const QString output = dir.filePath("out.json");
        const Run r = Cli(BaseWithout(town) << option << file << "-o" << output);
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(message) && r.err.count('\n') == 1, qPrintable(r.err));
        QVERIFY(!QFile::exists(output));
    }

    // Runs that go through with a warning on stderr.
    void warnings_data() {
        QTest::addColumn<QStringList>("change"); // option, value, ... replaced
        QTest::addColumn<QString>("warning");
        QTest::newRow("self-crossing roof")
            << QStringList{"town", "bow-tie"} << "roof 3: outline crosses itself";
        QTest::newRow("elements two months from the period")
            << QStringList{"--start", "2012-12-31T21:00:00Z"} << "the elements of G32, G26, G27";
        QTest::newRow("propagation fails")
            << QStringList{"elements", "drag"} << "some satellites have no valid ephemeris";
        // Few epochs over ten years: work by the epochs, not by the years.
        QTest::newRow("ten years, one epoch a day")
            << QStringList{"--hours", "87600", "--step", "86400"}
            << "some satellites have no valid ephemeris";
    }
    void warnings() {
        QFETCH(QStringList, change);
        QFETCH(QString, warning);
        QTemporaryDir dir;
        const QString town = WriteTown(dir.filePath("town.dat"), change[1] == "bow-tie");
        QStringList args = BaseWithout(town);
        QString elements = Data("TLE_GNSS_20121101.txt");
        if (change[1] == "drag") {
            // G32's drag term so large that SGP4 gives up.
            QFile in(elements);
            QVERIFY(in.open(QIODevice::ReadOnly));
            QList<QByteArray> lines = in.readAll().split('\n');
            lines[5] = WithChecksum(lines[5].left(54) + "99999+9" + lines[5].mid(61));
            elements = dir.filePath("drag.tle");
            QFile out(elements);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(lines.join('\n'));
        }
        for (qsizetype i = 0; i + 1 < change.size(); i += 2)
            if (const qsizetype at = args.indexOf(change[i]); at >= 0)
                args[at + 1] = change[i + 1];
        const bool tle = change[0] != "town" && change[0] != "--hours";
        args << (tle ? "--tle" : "--nav") << (tle ? elements : Data("brdc3050.12n"));
        const Run r = Cli(args);
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QVERIFY2(r.err.contains(warning), qPrintable(r.err));
        const auto j = nlohmann::json::parse(r.out.toStdString());
        for (const auto& e : j["epochs"])
            for (const auto& s : e["satellites"])
                QVERIFY(s["elevation"].is_number() && s["azimuth"].is_number());
        if (change[1] == "drag") {
            for (const auto& e : j["epochs"])
                QCOMPARE(e["missing"], nlohmann::json::array({"G32"}));
        }
        if (change[0] == "--hours")
            QCOMPARE(j["epochs"].size(), 3651u);
    }

    void refused_data() {
        QTest::addColumn<QStringList>("change"); // option, value, ...: replaced or added
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("start not UTC")
            << QStringList{"--start", "2012-10-31T21:00:00"} << 2 << "--start";
        QTest::newRow("start not a date")
            << QStringList{"--start", "2012-13-31T21:00:00Z"} << 2 << "--start";
        QTest::newRow("step 0") << QStringList{"--step", "0"} << 2 << "--step";
        QTest::newRow("step fraction") << QStringList{"--step", "1.5"} << 2 << "--step";
        QTest::newRow("hours 0") << QStringList{"--hours", "0"} << 2 << "--hours";
        QTest::newRow("too many epochs")
            << QStringList{"--hours", "48", "--step", "1"} << 2 << "epochs";
        QTest::newRow("mask 90") << QStringList{"--elevation-mask", "90"} << 2
                                 << "--elevation-mask";
        QTest::newRow("system S") << QStringList{"--systems", "G,S"} << 2 << "--systems";
        QTest::newRow("nav and tle")
            << QStringList{"--tle", Data("TLE_GNSS_20121101.txt")} << 2 << "give one of --nav";
        QTest::newRow("nav and almanac")
            << QStringList{"--almanac", Data("almanac/gps_2012-10-31.alm")} << 2
            << "give one of --nav";
        QTest::newRow("plot type") << QStringList{"--plot", "sky.jpg"} << 2 << "--plot";
        QTest::newRow("receiver in a roof")
            << QStringList{"--at", "centroid"} << 1 << "inside roof 0";
        QTest::newRow("nav of another period") << QStringList{"--nav", Data("brdc1820.10n")} << 1
                                               << "brdc1820.10n: covers none of the period";
        QTest::newRow("nav not RINEX") << QStringList{"--nav", Data("README.md")} << 1
                                       << "README.md: line 1: not a RINEX navigation file";
        QTest::newRow("nav missing")
            << QStringList{"--nav", Data("none.12n")} << 1 << "none.12n: cannot read";
        QTest::newRow("receiver at 1e300") << QStringList{"--at", "1e300,1e300"} << 2 << "--at";
        QTest::newRow("hours 1e16")
            << QStringList{"--hours", "1e16", "--step", "1"} << 2 << "epochs";
    }
    void refused() {
        QFETCH(QStringList, change);
        QFETCH(int, code);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString town = WriteTown(dir.filePath("town.dat"));
        QStringList args = Base(town);
        if (change[1] == "centroid") {
            // Roof 0's centroid as the report places it.
            const auto j = nlohmann::json::parse(Cli({"report", town, "--json"}).out.toStdString());
            const auto c = j["files"][0]["roofs"][0]["centroid"];
            change[1] = QString("%1,%2").arg(c[0].get<double>()).arg(c[1].get<double>());
        }
        for (qsizetype i = 0; i + 1 < change.size(); i += 2) {
            const qsizetype at = args.indexOf(change[i]);
            if (at >= 0 && change[i] != "--nav")
                args[at + 1] = change[i + 1];
            else
                args << change[i] << change[i + 1];
        }
        const QString out = dir.filePath("out.txt");
        QFile keep(out);
        QVERIFY(keep.open(QIODevice::WriteOnly));
        keep.write("before");
        keep.close();
        const Run r = Cli(args << "-o" << out << "--chart" << dir.filePath("dop.png"));
        QCOMPARE(r.code, code);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        if (code == 1)
            QCOMPARE(r.err.count('\n'), 1);
        QVERIFY(keep.open(QIODevice::ReadOnly));
        QCOMPARE(keep.readAll(), QByteArray("before"));
        QVERIFY(!QFile::exists(dir.filePath("dop.png")));
    }

    // A navigation file whose name is not UTF-8 (Shift_JIS bytes) is read
    // by its bytes; the name reaches the program through the shell, as
    // QProcess would pass Qt's text, which has lost them.
    void nonUtf8NavName() {
        QTemporaryDir dir;
        const QString town = WriteTown(dir.filePath("town.dat"));
        const QByteArray folder = QFile::encodeName(dir.path()) + "/";
        const QByteArray name = folder + "\x93\x8c\x8b\x9e.12n"; // 東京
        QVERIFY(QFile::copy(Data("brdc3050.12n"), QFile::decodeName(folder + "plain.12n")));
        QVERIFY(::rename((folder + "plain.12n").constData(), name.constData()) == 0);
        QByteArray script = "exec '" VELMORA_CLI "'";
        QStringList args = Base(town);
        for (qsizetype i = args.indexOf("--nav"); i >= 0; i = args.indexOf("--nav"))
            args.remove(i, 2);
        for (const QString& a : args)
            script += " '" + QFile::encodeName(a) + "'";
        script += " --nav \"$(printf '" + folder + "\\223\\214\\213\\236.12n')\"";
        QProcess p;
        p.start("/bin/sh", {"-c", QString::fromLatin1(script)});
        QVERIFY(p.waitForFinished(60000));
        QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
        QVERIFY(p.readAllStandardOutput().contains("summary:"));
    }
};

QTEST_GUILESS_MAIN(GnssCommandTest)
#include "test_gnss.moc"
