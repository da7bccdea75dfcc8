// SPDX-License-Identifier: GPL-3.0-or-later
// Debian's RTKLIB comes without its header, so gnss/ declares the few
// functions it calls and reads the record counts at the start of nav_t and
// tle_t itself. These checks fail, and say why, on a library whose records
// are laid out otherwise: the counts read must be those of the files.
#include <QFile>
#include <QtTest>
#include <cstdlib>
#include <memory>

#include "gnss/Ephemerides.h"
#include "gnss/Rtklib.h"

using namespace velmora;

namespace {

QString Data(const char* name) {
    return QStringLiteral(VELMORA_GNSS_DATA "/") + name;
}

// Records of a RINEX 2 navigation file: lines after the header, so many a
// record.
int RinexRecords(const QString& path, int linesPerRecord) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    bool body = false;
    int lines = 0;
    while (!f.atEnd()) {
        const QByteArray line = f.readLine();
        if (body && !line.trimmed().isEmpty())
            ++lines;
        body = body || line.contains("END OF HEADER");
    }
    return lines / linesPerRecord;
}

struct Buffer {
    void* p;
    explicit Buffer(std::size_t n) : p(std::calloc(1, n)) {}
    ~Buffer() { std::free(p); }
};

} // namespace

class RtkLayoutTest : public QObject {
    Q_OBJECT

  private slots:
    void navCounts_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("linesPerRecord");
        QTest::addColumn<int>("countAt"); // index of the int holding the count
        QTest::newRow("GPS: nav_t.n") << "brdc3050.12n" << 8 << 0;
        QTest::newRow("GLONASS: nav_t.ng") << "brdc3050.12g" << 4 << 2;
    }
    void navCounts() {
        QFETCH(QString, file);
        QFETCH(int, linesPerRecord);
        QFETCH(int, countAt);
        const int expected = RinexRecords(Data(file.toLatin1().constData()), linesPerRecord);
        QVERIFY(expected > 0);
        Buffer nav(32u << 20), obs(1u << 20), sta(1u << 20);
        const rtk::gtime_t none{0, 0};
        const QByteArray path = QFile::encodeName(Data(file.toLatin1().constData()));
        QVERIFY(rtk::readrnxt(path.constData(), 1, none, none, 0, "", obs.p, nav.p, sta.p) > 0);
        const int* counts = static_cast<const int*>(nav.p);
        QVERIFY2(counts[countAt] == expected,
                 qPrintable(QStringLiteral("RTKLIB's nav_t does not start with the record counts "
                                           "gnss/ reads (n, nmax, ng, ngmax): %1 records read, "
                                           "%2 in the file")
                                .arg(counts[countAt])
                                .arg(expected)));
        QVERIFY(counts[countAt + 1] >= counts[countAt]); // the capacity after the count
        rtk::freenav(nav.p, 0xFF);
        // The files' day, 2012-10-31, had 16 leap seconds (and gnss/'s
        // stand-ins for RTKLIB's callbacks are linked).
        QCOMPARE(gnss::GpsMinusUtc(1351717200), 16.0);
    }

    void tleCount() {
        QFile f(Data("TLE_GNSS_20121101.txt"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        int lines2 = 0;
        while (!f.atEnd())
            lines2 += f.readLine().startsWith("2 ");
        QVERIFY(lines2 > 0);
        struct Tle {
            int n, nmax;
            void* data;
        } tle{0, 0, nullptr};
        const QByteArray path = QFile::encodeName(Data("TLE_GNSS_20121101.txt"));
        QVERIFY(rtk::tle_read(path.constData(), &tle));
        QVERIFY2(tle.n == lines2 && tle.nmax >= tle.n && tle.data,
                 qPrintable(QStringLiteral("RTKLIB's tle_t is not { int n, nmax; tled_t* data; }: "
                                           "%1 entries read, %2 in the file")
                                .arg(tle.n)
                                .arg(lines2)));
        std::free(tle.data);
    }
};

QTEST_APPLESS_MAIN(RtkLayoutTest)
#include "test_rtklayout.moc"
