// SPDX-License-Identifier: GPL-3.0-or-later
// YUMA and SEM almanacs: parsing, the week's rollover, broken files, and
// the almanac's orbit against the broadcast ephemerides it was derived
// from, as directions seen from Tokyo.
#include <QtTest>

#include <cmath>
#include <fstream>

#include "gnss/Almanac.h"
#include "gnss/Ephemerides.h"
#include "gnss/Sky.h"
#include "support/GnssData.h"

using namespace velmora;
using namespace velmora::gnss;
using gnsstest::Data;

namespace {

GpsSeconds Gps(int y, int mo, int d, int h, int mi) {
    return double(QDateTime(QDate(y, mo, d), QTime(h, mi), Qt::UTC).toSecsSinceEpoch() -
                  kGpsEpochUnix);
}

const char* kYumaEntry = "******** Week 688 almanac for PRN-%1 ********\n"
                         "ID:                         %1\n"
                         "Health:                     000\n"
                         "Eccentricity:               %2\n"
                         "Time of Applicability(s):  307200.0000\n"
                         "Orbital Inclination(rad):   0.9599897099\n"
                         "Rate of Right Ascen(r/s):  -8.1656974515E-09\n"
                         "SQRT(A)  (m 1/2):           %3\n"
                         "Right Ascen at Week(rad):  2.2931311790E+00\n"
                         "Argument of Perigee(rad):   0.503191166\n"
                         "Mean Anom(rad):            5.8541684789E-03\n"
                         "Af0(s):                     2.8026812288E-04\n"
                         "Af1(s/s):                   1.7053025658E-12\n"
                         "week:                        688\n";

QString Yuma(const char* id, const char* ecc = "1.36E-03", const char* sqrtA = "5153.65") {
    return QString(kYumaEntry).arg(id, ecc, sqrtA);
}

double AngleDeg(const double a[3], const double b[3]) {
    const double dot = a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
    const double cr[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2],
                          a[0] * b[1] - a[1] * b[0]};
    return std::atan2(std::hypot(cr[0], cr[1], cr[2]), dot) * 180 / M_PI;
}

} // namespace

class GnssAlmanacTest : public QObject {
    Q_OBJECT

  private slots:
    void bothForms_data() {
        QTest::addColumn<QString>("file");
        QTest::newRow("YUMA") << QString("gps_2012-10-31.alm");
        QTest::newRow("SEM") << QString("gps_2012-10-31.al3");
    }
    // Both forms of the same almanac give the same entries.
    void bothForms() {
        QFETCH(QString, file);
        const auto yuma = ReadAlmanac(Data("almanac/gps_2012-10-31.alm"));
        const auto got = ReadAlmanac(Data(("almanac/" + file).toUtf8().constData()));
        QCOMPARE(got.size(), std::size_t(30));
        QCOMPARE(got.size(), yuma.size());
        for (std::size_t i = 0; i < got.size(); ++i) {
            QCOMPARE(got[i].system, 'G');
            QCOMPARE(got[i].prn, yuma[i].prn);
            QCOMPARE(got[i].week, 688);
            QCOMPARE(got[i].toa, 307200.0);
            // YUMA prints about ten digits.
            QVERIFY(std::fabs(got[i].inclination - yuma[i].inclination) < 1e-9);
            QVERIFY(std::fabs(got[i].raanAtWeek - yuma[i].raanAtWeek) < 1e-9);
            QVERIFY(std::fabs(got[i].meanAnomaly - yuma[i].meanAnomaly) < 1e-9);
            QVERIFY(std::fabs(got[i].sqrtA - yuma[i].sqrtA) < 1e-6);
        }
        QCOMPARE(got.front().prn, 1);
        QCOMPARE(got.back().prn, 32);
    }

    // QZSS's YUMA almanacs number the satellites from PRN 193.
    void qzssYuma() {
        const auto a = ParseYuma((Yuma("193") + "\n" + Yuma("199")).toStdString(), "q.alm");
        QCOMPARE(a.size(), std::size_t(2));
        QCOMPARE(a[0].system, 'J');
        QCOMPARE(a[0].prn, 1);
        QCOMPARE(a[1].prn, 7);
    }

    void brokenFiles_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("YUMA without its week") << Yuma("01").section('\n', 0, -3) + "\n"
                                               << "no \"WEEK\" line";
        QTest::newRow("YUMA field twice") << Yuma("01") + "ID: 02\n"
                                          << "a second \"ID\"";
        QTest::newRow("YUMA bad number") << Yuma("01", "1.3x") << "is not a number";
        QTest::newRow("YUMA eccentricity") << Yuma("01", "0.9") << "eccentricity";
        QTest::newRow("YUMA not a PRN") << Yuma("40") << "not a GPS or QZSS PRN";
        QTest::newRow("YUMA huge PRN") << Yuma("1e300") << "not a GPS or QZSS PRN";
        QTest::newRow("YUMA health")
            << Yuma("01").replace("Health:                     000", "Health: 1e300")
            << "not a byte";
        QTest::newRow("YUMA tiny orbit") << Yuma("01", "0.01", "1.0") << "SQRT(A)";
        QTest::newRow("YUMA unknown field") << Yuma("01") + "Colour: 3\n"
                                            << "unknown";
        QTest::newRow("YUMA stray line") << Yuma("01") + "stray\n"
                                         << "line 15: not a line";
        const QString sem = "1 CURRENT.ALM\n688 307200\n\n1\n63\n0\n"
                            " 1.3E-03 5.5E-03 -2.5E-09\n 5.15E+03 7.2E-01 1.6E-01\n"
                            " 1.8E-03 2.8E-04 1.7E-12\n0\n11\n";
        QTest::newRow("SEM more records than counted")
            << sem + "2\n63\n0\n 0 0 0\n 5150 0 0\n 0 0 0\n0\n11\n"
            << "more records";
        QTest::newRow("SEM cut short") << sem.left(sem.size() - 5) << "ends before";
        QTest::newRow("SEM QZSS") << QString(sem).replace("\n\n1\n", "\n\n193\n")
                                  << "not a GPS PRN";
        QTest::newRow("SEM count")
            << QString(sem).replace("1 CURRENT", "0 CURRENT") << "number of records";
        QTest::newRow("neither") << "GPS almanac\n"
                                 << "neither a YUMA nor a SEM";
    }
    void brokenFiles() {
        QFETCH(QString, text);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const std::string path = (dir.path() + "/a.alm").toStdString();
        std::ofstream(path) << text.toStdString();
        try {
            ReadAlmanac(path);
            QFAIL("read without an error");
        } catch (const InputError& e) {
            QVERIFY2(QString(e.what()).contains(message), e.what());
            QVERIFY2(QString(e.what()).startsWith(QString::fromStdString(path)), e.what());
        }
    }

    void rollover_data() {
        QTest::addColumn<int>("week");
        QTest::addColumn<double>("toa");
        QTest::addColumn<double>("near");
        QTest::addColumn<int>("full");
        QTest::newRow("2012, third cycle") << 688 << 307200.0 << Gps(2012, 10, 31, 12, 0) << 1712;
        QTest::newRow("1993, first cycle") << 688 << 307200.0 << Gps(1993, 3, 10, 0, 0) << 688;
        QTest::newRow("2032, fourth cycle") << 688 << 307200.0 << Gps(2032, 6, 2, 0, 0) << 2736;
        QTest::newRow("full week in the file")
            << 1712 << 307200.0 << Gps(2012, 11, 2, 0, 0) << 1712;
        // An almanac of the last week before a rollover used just after it,
        // and one of the first week after it used just before.
        QTest::newRow("1999 rollover, before")
            << 1023 << 589824.0 << Gps(1999, 8, 22, 1, 0) << 1023;
        QTest::newRow("1999 rollover, after") << 0 << 61440.0 << Gps(1999, 8, 21, 20, 0) << 1024;
        QTest::newRow("2019 rollover, before") << 1023 << 589824.0 << Gps(2019, 4, 7, 6, 0) << 2047;
        QTest::newRow("2019 rollover, after") << 0 << 61440.0 << Gps(2019, 4, 6, 18, 0) << 2048;
        QTest::newRow("weeks ahead") << 700 << 0.0 << Gps(2013, 1, 20, 0, 0) << 1724;
    }
    void rollover() {
        QFETCH(int, week);
        QFETCH(double, toa);
        QFETCH(double, near);
        QFETCH(int, full);
        QCOMPARE(ResolveWeek(week, toa, near), full);
    }

    void againstBroadcast_data() {
        QTest::addColumn<QString>("file");
        QTest::newRow("YUMA") << QString("almanac/gps_2012-10-31.alm");
        QTest::newRow("SEM") << QString("almanac/gps_2012-10-31.al3");
    }
    // The almanac against the ephemerides it came from, over the day they
    // cover: directions from Tokyo to the satellites above the horizon.
    void againstBroadcast() {
        QFETCH(QString, file);
        const auto almanac = ReadAlmanac(Data(file.toUtf8().constData()));
        const Ephemerides nav = Ephemerides::FromNav({Data("brdc3050.12n")});
        const Receiver rx = PlaceReceiver(35.6812, 139.7671, 40, PlanXY{0, 0}, 0);
        const GpsSeconds day = Gps(2012, 10, 31, 0, 0);
        double worst = 0, sum = 0;
        int n = 0, worstPrn = 0;
        for (const AlmanacEntry& a : almanac) {
            Satellite s;
            s.id = QString("G%1").arg(a.prn, 2, 10, QChar('0')).toStdString();
            s.system = 'G';
            s.number = a.prn;
            const int week = ResolveWeek(a.week, a.toa, day);
            QCOMPARE(week, 1712);
            for (int m = 0; m < 24 * 60; m += 5) {
                const GpsSeconds t = day + m * 60;
                double rb[3], ra[3];
                if (nav.Position(s, kGpsEpochUnix + std::int64_t(t), 0, rb) !=
                    Ephemerides::Fix::Position)
                    continue;
                AlmanacPosition(a, week, t, ra);
                if (DirectionTo(rx, rb).elevation < 0)
                    continue;
                const double db[3] = {rb[0] - rx.ecef[0], rb[1] - rx.ecef[1], rb[2] - rx.ecef[2]};
                const double da[3] = {ra[0] - rx.ecef[0], ra[1] - rx.ecef[1], ra[2] - rx.ecef[2]};
                const double d = AngleDeg(da, db);
                sum += d;
                ++n;
                if (d > worst) {
                    worst = d;
                    worstPrn = a.prn;
                }
            }
        }
        QVERIFY(n > 2000);
        qInfo("%d directions above the horizon: mean %.5f deg, worst %.5f deg (G%02d)", n, sum / n,
              worst, worstPrn);
        QVERIFY2(worst < 0.02, qPrintable(QString("worst %1 deg").arg(worst)));
    }
};

QTEST_GUILESS_MAIN(GnssAlmanacTest)
#include "test_almanac.moc"
