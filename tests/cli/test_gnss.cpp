// SPDX-License-Identifier: GPL-3.0-or-later
// velmora-cli gnss run as a process: the JSON it writes on real ephemerides,
// the warning for roofs without a measured height, and command lines and
// files it refuses, leaving its outputs untouched.
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <nlohmann/json.hpp>

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
// values of sample data 2.
QString WriteTown(const QString& path) {
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
            << QStringList{"--tle", Data("TLE_GNSS_20121101.txt")} << 2 << "either";
        QTest::newRow("plot type") << QStringList{"--plot", "sky.jpg"} << 2 << "--plot";
        QTest::newRow("receiver in a roof")
            << QStringList{"--at", "centroid"} << 1 << "inside roof 0";
        QTest::newRow("nav of another period") << QStringList{"--nav", Data("brdc1820.10n")} << 1
                                               << "brdc1820.10n: covers none of the period";
        QTest::newRow("nav not RINEX") << QStringList{"--nav", Data("README.md")} << 1
                                       << "README.md: line 1: not a RINEX navigation file";
        QTest::newRow("nav missing")
            << QStringList{"--nav", Data("none.12n")} << 1 << "none.12n: cannot read";
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
