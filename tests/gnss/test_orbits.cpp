// SPDX-License-Identifier: GPL-3.0-or-later
// Orbits from real files: broadcast ephemerides against two-line elements
// for Tokyo, and files or rows that cannot be used.
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "gnss/Ephemerides.h"
#include "gnss/Prediction.h"
#include "support/GnssData.h"

using namespace velmora;
using namespace velmora::gnss;
using gnsstest::Data;

namespace {

UtcSeconds Utc(int y, int mo, int d, int h, int mi) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi), Qt::UTC).toSecsSinceEpoch();
}

PredictionSettings Tokyo(UtcSeconds at) {
    PredictionSettings s;
    s.latitude = 35.6812;
    s.longitude = 139.7671;
    s.groundHeight = 40;
    s.start = at;
    s.hours = 0;
    s.step = 30;
    s.hours = 1.0 / 3600; // one epoch
    s.systems = "GRJ";
    return s;
}

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// A TLE row of 68 characters with its checksum appended.
QString WithChecksum(const QString& row) {
    int sum = 0;
    for (const QChar c : row.left(68))
        sum += c.isDigit() ? c.digitValue() : c == u'-' ? 1 : 0;
    return row.left(68) + QString::number(sum % 10);
}

const QString kLine1 = "1 20959U 90103A   12305.07451262 -.00000021  00000-0  10000-3 0  7565";
const QString kLine2 = "2 20959  54.4624 233.1521 0118917 330.7963  28.5681  2.00577377160619";

// G32's elements with line 1 changed from column `at` on (0-based).
std::string OneSatellite(qsizetype at = 0, const QString& text = {}) {
    QString l1 = kLine1;
    l1.replace(at, text.size(), text);
    return ("G32\n" + WithChecksum(l1) + "\n" + kLine2 + "\n").toStdString();
}

} // namespace

class GnssOrbitsTest : public QObject {
    Q_OBJECT

  private slots:
    void broadcastAgainstTle_data() {
        QTest::addColumn<qint64>("utc");
        // 2012-11-01 in Tokyo (UTC+9): 06:00 and 08:30 local time.
        QTest::newRow("06:00 JST") << qint64(Utc(2012, 10, 31, 21, 0));
        QTest::newRow("08:30 JST") << qint64(Utc(2012, 10, 31, 23, 30));
        QTest::newRow("01:00 JST") << qint64(Utc(2012, 10, 31, 16, 0));
    }
    void broadcastAgainstTle() {
        QFETCH(qint64, utc);
        const Ephemerides nav = Ephemerides::FromNav(
            {Data("brdc3050.12n"), Data("brdc3050.12g"), Data("brdc3050.12q")});
        const Ephemerides tle = Ephemerides::FromTle(Data("TLE_GNSS_20121101.txt"));
        const PredictionSettings s = Tokyo(utc);
        const Prediction a = Predict(nav, {}, s);
        const Prediction b = Predict(tle, {}, s);
        QCOMPARE(a.epochs.size(), 1u);
        QCOMPARE(b.epochs.size(), 1u);
        std::map<std::string, Direction> fromTle;
        for (const SatelliteSky& v : b.epochs[0].satellites)
            fromTle[b.satellites[v.satellite].id] = v.direction;
        // SGP4 from elements a day old places a GNSS satellite within a few
        // kilometres, a few hundredths of a degree as seen from the ground:
        // every satellite agrees within 0.2 degrees, and the counts above the
        // mask may differ only by satellites that close to it.
        int nearMask = 0, above = 0, aboveTle = 0;
        for (const SatelliteSky& v : a.epochs[0].satellites) {
            const std::string& id = a.satellites[v.satellite].id;
            const auto t = fromTle.find(id);
            QVERIFY2(t != fromTle.end(), id.c_str());
            const double del = std::fabs(t->second.elevation - v.direction.elevation);
            double daz = std::fabs(t->second.azimuth - v.direction.azimuth);
            daz =
                std::min(daz, 360 - daz) * std::cos(v.direction.elevation * std::numbers::pi / 180);
            QVERIFY2(del < 0.2 && daz < 0.2,
                     qPrintable(QStringLiteral("%1: %2 %3").arg(id.c_str()).arg(del).arg(daz)));
            nearMask += std::fabs(v.direction.elevation - s.mask) < 0.2;
            above += v.state != SkyState::BelowMask;
            aboveTle += t->second.elevation >= s.mask;
        }
        QCOMPARE(a.epochs[0].aboveMask, above);
        QVERIFY(above >= 8);
        QVERIFY2(std::abs(above - aboveTle) <= nearMask,
                 qPrintable(QStringLiteral("%1 %2").arg(above).arg(aboveTle)));
        qInfo("%d above the mask (TLE %d)", above, aboveTle);
    }

    void badFiles_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("not RINEX") << "nav"
                                   << "hello\n"
                                   << "line 1: not a RINEX navigation file";
        QTest::newRow("observation file")
            << "nav"
            << "     2.11           OBSERVATION DATA    M (MIXED)           RINEX VERSION / TYPE\n"
            << "line 1: not a RINEX navigation file";
        QTest::newRow("header only")
            << "nav"
            << "     2.10           N: GPS NAV DATA                         RINEX VERSION / TYPE\n"
               "                                                            END OF HEADER\n"
            << "no ephemeris could be read";
        const QString l1 = "1 20959U 90103A   12305.07451262 -.00000021  00000-0  10000-3 0  7565";
        const QString l2 = "2 20959  54.4624 233.1521 0118917 330.7963  28.5681  2.00577377160619";
        QString broken = l2;
        broken[27] = broken[27] == u'5' ? u'6' : u'5';
        QTest::newRow("TLE checksum") << "tle"
                                      << "# set\nG32\n" + l1 + "\n" + broken + "\n"
                                      << "line 4: TLE line 2";
        QTest::newRow("TLE line 2 missing") << "tle"
                                            << "G32\n" + l1 + "\nG26\n"
                                            << "line 3: expected TLE line 2";
        QTest::newRow("TLE line 2 alone") << "tle"
                                          << "G32\n" + l2 + "\n"
                                          << "line 2: a TLE line 2 without";
        QTest::newRow("TLE cut short") << "tle"
                                       << "G32\n" + l1.left(40) + "\n"
                                       << "line 2: TLE line 1 is short";
        QTest::newRow("TLE other satellite")
            << "tle"
            << "G32\n" + l1 + "\n" + QString(l2).replace("20959", "20958").replace(68, 1, "8") +
                   "\n"
            << "line 3: the catalog number differs";
        QTest::newRow("no elements") << "tle"
                                     << "# nothing\n"
                                     << "no two-line elements";
        // RTKLIB copies a TLE line of over 256 characters onto itself.
        QTest::newRow("TLE line too long") << "tle"
                                           << "G32\n" + QString(300, u'A') + "\n" + l1 + "\n" + l2
                                           << "line 2: longer than 128 characters";
        QTest::newRow("RINEX line too long") << "nav"
                                             << "     2.10           N: GPS NAV DATA               "
                                                "          RINEX VERSION / TYPE\n" +
                                                    QString(1000, u' ') + "\n"
                                             << "line 2: longer than 256 characters";
        QTest::newRow("NUL byte") << "nav"
                                  << QString("     2.10           N: GPS NAV DATA     ") +
                                         QChar(0) + "\n"
                                  << "line 1: a NUL byte";
        QTest::newRow("gzip") << "nav" << QString::fromLatin1("\x1f\x8b\x08\x00rest")
                              << "compressed files are not read";
        QTest::newRow("Hatanaka")
            << "nav"
            << "1.0                 COMPACT RINEX FORMAT                    CRINEX VERS   / TYPE\n"
            << "compressed files are not read";
        QTest::newRow("empty") << "nav"
                               << ""
                               << "the file is empty";
    }
    void badFiles() {
        QFETCH(QString, kind);
        QFETCH(QString, text);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const std::string path = (dir.path() + "/bad.txt").toStdString();
        std::ofstream(path, std::ios::binary) << text.toLatin1().toStdString();
        try {
            if (kind == "nav")
                Ephemerides::FromNav({path});
            else
                Ephemerides::FromTle(path);
            QFAIL("no error");
        } catch (const InputError& e) {
            const QString what = QString::fromStdString(e.what());
            QVERIFY2(what.startsWith(QString::fromStdString(path) + ": ") && what.contains(message),
                     qPrintable(what));
        }
    }

    // Files that are not read at all: a pipe would block, a device or a
    // sparse giant would be read without end.
    void specialFiles_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("pipe") << "fifo"
                              << "not a regular file";
        QTest::newRow("folder") << "folder"
                                << "is a folder";
        QTest::newRow("device") << "device"
                                << "not a regular file";
        QTest::newRow("too large") << "sparse"
                                   << "the file is too large";
    }
    void specialFiles() {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        QTemporaryDir dir;
        std::string path = (dir.path() + "/input").toStdString();
        if (kind == "fifo")
            QCOMPARE(::mkfifo(path.c_str(), 0600), 0);
        else if (kind == "folder")
            QVERIFY(std::filesystem::create_directory(path));
        else if (kind == "device")
            path = "/dev/zero";
        else {
            std::ofstream(path) << "     2.10           N: GPS NAV DATA";
            std::filesystem::resize_file(path, kMaxNavBytes + 1);
        }
        for (const bool tle : {false, true}) {
            try {
                if (tle)
                    Ephemerides::FromTle(path);
                else
                    Ephemerides::FromNav({path});
                QFAIL("no error");
            } catch (const InputError& e) {
                QVERIFY2(QString(e.what()).contains(message), e.what());
            }
        }
    }

    // Names RTKLIB would take for wildcards or compressed files: the file is
    // read as it is, under its own name.
    void anyName_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("wildcard") << "brdc*.12n";
        QTest::newRow("percent") << "brdc%Y.12n";
        QTest::newRow("Hatanaka name") << "brdc3050.12d";
        QTest::newRow("gzip name") << "brdc3050.12n.gz";
    }
    void anyName() {
        QFETCH(QString, name);
        QTemporaryDir dir;
        const std::string path = (dir.path() + "/" + name).toStdString();
        std::filesystem::copy_file(Data("brdc3050.12n"), path);
        const UtcSeconds from = Utc(2012, 10, 31, 21, 0);
        const auto read = Ephemerides::FromNav({path}).SatellitesDuring(from, from + 600, 300);
        const auto direct =
            Ephemerides::FromNav({Data("brdc3050.12n")}).SatellitesDuring(from, from + 600, 300);
        QVERIFY(read.size() >= 20);
        QCOMPARE(read.size(), direct.size());
        QCOMPARE(Slurp(path), Slurp(Data("brdc3050.12n")));
    }

    // A corrupt GLONASS ephemeris placing R03 at 1e99 m, and elements whose
    // drag term makes SGP4 fail: no ephemeris, the epoch marked, never a
    // satellite in some made-up direction.
    void positionsOutOfOrbit_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("GLONASS at 1e99 m") << "nav";
        QTest::newRow("TLE propagation fails") << "tle";
    }
    void positionsOutOfOrbit() {
        QFETCH(QString, kind);
        std::optional<Ephemerides> orbits;
        UtcSeconds at = 0;
        std::string id;
        if (kind == "nav") {
            std::string text = Slurp(Data("brdc3050.12g"));
            const std::string x = "   -2.380982128906D+04";
            const std::size_t where = text.find(x);
            QVERIFY(where != std::string::npos);
            text.replace(where, x.size(), "    0.100000000000D+97");
            orbits.emplace(Ephemerides::FromNavText({{"corrupt.12g", text}}));
            at = Utc(2012, 10, 31, 0, 15);
            id = "R03";
        } else {
            orbits.emplace(Ephemerides::FromTleText("drag.tle", OneSatellite(54, "99999+9")));
            at = Utc(2012, 10, 31, 21, 0);
            id = "G32";
        }
        const std::vector<Satellite> sats = orbits->SatellitesDuring(at - 3600, at + 3600, 60);
        const auto sat =
            std::find_if(sats.begin(), sats.end(), [&](const Satellite& s) { return s.id == id; });
        QVERIFY(sat != sats.end());
        double rs[3];
        const auto gpst = at + static_cast<std::int64_t>(GpsMinusUtc(at));
        QCOMPARE(orbits->Position(*sat, gpst, 0, rs), Ephemerides::Fix::NoEphemeris);
        // From the bad instant on to one with a good position, so that the
        // satellite belongs to the set.
        PredictionSettings s = Tokyo(at);
        s.systems = "GRJ";
        s.step = 1800;
        s.hours = 0.5;
        const Prediction p = Predict(*orbits, {}, s);
        QCOMPARE(p.epochs.size(), 2u);
        for (const SatelliteSky& v : p.epochs[0].satellites) {
            QVERIFY(std::isfinite(v.direction.azimuth) && std::isfinite(v.direction.elevation));
            QVERIFY2(p.satellites[v.satellite].id != id, id.c_str());
        }
        // The next GLONASS ephemeris places R03 again; the elements never do.
        const auto& next = p.epochs[1].satellites;
        QCOMPARE(
            std::any_of(next.begin(), next.end(),
                        [&](const SatelliteSky& v) { return p.satellites[v.satellite].id == id; }),
            kind == "nav");
        const auto& missing = p.epochs[0].missing;
        QVERIFY(std::any_of(missing.begin(), missing.end(),
                            [&](std::size_t i) { return p.satellites[i].id == id; }));
        QCOMPARE(Summarise(p, s.step).incompleteEpochs, kind == "nav" ? 1u : 2u);
    }

    // TLE epochs: impossible ones refused with the line, far ones named.
    void tleEpochs_data() {
        QTest::addColumn<QString>("epoch");
        QTest::addColumn<QString>("outcome"); // near, far or refused
        QTest::newRow("the day before") << "12305.07451262"
                                        << "near";
        QTest::newRow("day 366 of a leap year") << "12366.50000000"
                                                << "far";
        QTest::newRow("1957, after the first satellite") << "57300.00000000"
                                                         << "far";
        QTest::newRow("2056") << "56100.00000000"
                              << "far";
        QTest::newRow("day 999") << "12999.00000000"
                                 << "refused";
        QTest::newRow("day 0") << "12000.50000000"
                               << "refused";
        QTest::newRow("day 366 of 2013") << "13366.50000000"
                                         << "refused";
        QTest::newRow("nan") << "nan           "
                             << "refused";
        QTest::newRow("day nan") << "12nan.0000000 "
                                 << "refused";
        QTest::newRow("before the first satellite") << "57100.00000000"
                                                    << "refused";
    }
    void tleEpochs() {
        QFETCH(QString, epoch);
        QFETCH(QString, outcome);
        const std::string text = OneSatellite(18, epoch);
        if (outcome == "refused") {
            try {
                Ephemerides::FromTleText("set.tle", text);
                QFAIL("no error");
            } catch (const InputError& e) {
                QVERIFY2(QString(e.what()).startsWith("set.tle: line 2: the epoch") &&
                             QString(e.what()).contains("is no date"),
                         e.what());
            }
            return;
        }
        const Ephemerides tle = Ephemerides::FromTleText("set.tle", text);
        const std::vector<std::string> far =
            tle.ElementsFarFrom(Utc(2012, 10, 31, 21, 0), Utc(2012, 11, 1, 0, 0), 3);
        QCOMPARE(far.size(), outcome == "far" ? 1u : 0u);
        if (!far.empty())
            QCOMPARE(far[0], std::string("G32"));
    }

    // Settings no run can compute are refused by the prediction itself, so
    // the window's dialog gets the same answer as the command line.
    void impossibleSettings_data() {
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("hours");
        QTest::addColumn<QString>("message");
        QTest::newRow("receiver at 1e300") << 1e300 << 0.25 << "receiver";
        QTest::newRow("receiver beyond 100 km") << 100001.0 << 0.25 << "receiver";
        QTest::newRow("1e16 hours") << 0.0 << 1e16 << "epochs";
        QTest::newRow("infinite hours") << 0.0 << HUGE_VAL << "epochs";
        QTest::newRow("48 hours of seconds") << 0.0 << 48.0 << "epochs";
    }
    void impossibleSettings() {
        QFETCH(double, x);
        QFETCH(double, hours);
        QFETCH(QString, message);
        PredictionSettings s = Tokyo(Utc(2012, 10, 31, 21, 0));
        s.at = {x, 0};
        s.hours = hours;
        s.step = 1;
        QVERIFY(EpochCount(s) > 0);
        QVERIFY2(QString::fromStdString(SettingsProblem(s)).contains(message),
                 SettingsProblem(s).c_str());
        const Ephemerides tle = Ephemerides::FromTleText("set.tle", OneSatellite());
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, Predict(tle, {}, s));
    }

    void coverage() {
        const Ephemerides nav = Ephemerides::FromNav({Data("brdc3050.12n"), Data("brdc1820.10n")});
        const std::vector<std::string> none =
            nav.FilesCoveringNone(Utc(2012, 10, 31, 6, 0), Utc(2012, 10, 31, 7, 0), 30);
        QCOMPARE(none.size(), 1u);
        QCOMPARE(none[0], Data("brdc1820.10n"));
        QCOMPARE(nav.FilesCoveringNone(Utc(2010, 7, 1, 6, 0), Utc(2010, 7, 1, 7, 0), 30).at(0),
                 Data("brdc3050.12n"));
        // Past the last ephemeris's validity nothing is covered any more.
        QCOMPARE(nav.FilesCoveringNone(Utc(2012, 11, 2, 6, 0), Utc(2012, 11, 2, 7, 0), 30).size(),
                 2u);
    }
};

QTEST_APPLESS_MAIN(GnssOrbitsTest)
#include "test_orbits.moc"
