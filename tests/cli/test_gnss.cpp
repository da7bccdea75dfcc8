// SPDX-License-Identifier: GPL-3.0-or-later
// velmora-cli gnss run as a process: the JSON it writes on real ephemerides,
// the warning for roofs without a measured height, and command lines and
// files it refuses, leaving its outputs untouched.
#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sys/stat.h>

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
        QVERIFY2(r.err.contains("warning") && r.err.contains("roofs 2 "), qPrintable(r.err));
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
        for (const QString option : {"--nav", "--tle"}) {
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
};

QTEST_GUILESS_MAIN(GnssCommandTest)
#include "test_gnss.moc"
