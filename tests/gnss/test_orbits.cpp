// SPDX-License-Identifier: GPL-3.0-or-later
// Orbits from real files: broadcast ephemerides against two-line elements
// for Tokyo, and files or rows that cannot be used.
#include <QtTest>

#include <cmath>
#include <fstream>
#include <map>

#include "gnss/Ephemerides.h"
#include "gnss/Prediction.h"

using namespace velmora;
using namespace velmora::gnss;

namespace {

std::string Data(const char* name) {
    // Appended in place: GCC 12 warns falsely (-Warray-bounds) on the
    // temporaries of `string + "/" + name` here.
    std::string path = VELMORA_GNSS_DATA;
    path += '/';
    path += name;
    return path;
}

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
    }
    void badFiles() {
        QFETCH(QString, kind);
        QFETCH(QString, text);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const std::string path = (dir.path() + "/bad.txt").toStdString();
        std::ofstream(path) << text.toStdString();
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

    void refusedNames_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("gzip") << "brdc3050.12n.gz";
        QTest::newRow("unix compress") << "brdc3050.12n.Z";
        QTest::newRow("Hatanaka") << "brdc3050.12d";
        QTest::newRow("wildcard") << "brdc*.12n";
    }
    void refusedNames() {
        QFETCH(QString, name);
        QTemporaryDir dir;
        const std::string path = (dir.path() + "/" + name).toStdString();
        std::ofstream(path) << "x";
        QVERIFY_THROWS_EXCEPTION(InputError, Ephemerides::FromNav({path}));
    }

    void coverage() {
        const Ephemerides nav = Ephemerides::FromNav({Data("brdc3050.12n"), Data("brdc1820.10n")});
        const std::vector<std::string> none =
            nav.FilesCoveringNone(Utc(2012, 10, 31, 6, 0), Utc(2012, 10, 31, 7, 0));
        QCOMPARE(none.size(), 1u);
        QCOMPARE(none[0], Data("brdc1820.10n"));
        QCOMPARE(nav.FilesCoveringNone(Utc(2010, 7, 1, 6, 0), Utc(2010, 7, 1, 7, 0)).at(0),
                 Data("brdc3050.12n"));
        // Past the last ephemeris's validity nothing is covered any more.
        QCOMPARE(nav.FilesCoveringNone(Utc(2012, 11, 2, 6, 0), Utc(2012, 11, 2, 7, 0)).size(), 2u);
    }
};

QTEST_APPLESS_MAIN(GnssOrbitsTest)
#include "test_orbits.moc"
