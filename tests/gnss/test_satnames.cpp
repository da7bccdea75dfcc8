// SPDX-License-Identifier: GPL-3.0-or-later
// Satellite names of element sets mapped to system and number, in the
// forms the usual sources write them, and the names of the test data.
#include <QtTest>

#include <fstream>

#include "gnss/SatelliteNames.h"

using namespace velmora::gnss;

class GnssSatNamesTest : public QObject {
    Q_OBJECT

  private slots:
    void names_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("system");
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("qualifier");
        auto row = [](const char* n, const char* sys, const char* id, const char* q = "") {
            QTest::newRow(n) << QString(n) << QString(sys) << QString(id) << QString(q);
        };
        row("GPS BIIR-2 (PRN 13)", "G", "G13");
        row("GPS BIIF-1  (PRN 25)", "G", "G25");
        row("GPS BIIRM-3 (PRN 12)", "G", "G12");
        row("NAVSTAR 43 (USA 132)", "G", ""); // a launch number, not the PRN
        row("GPS BIIA-10 (PRN 99)", "G", ""); // no such PRN
        row("QZS-1 (MICHIBIKI)", "J", "J01");
        row("QZS-2 (MICHIBIKI-2)", "J", "J02");
        row("QZS-3 (MICHIBIKI-3)", "J", "J07"); // PRN 199
        row("QZS-4 (MICHIBIKI-4)", "J", "J03"); // PRN 195
        row("QZS-1R", "J", "J04");
        row("QZS-9", "J", "");
        row("QZS-1 (QZSS/PRN 193)", "J", "J01");
        row("COSMOS 2425 (716)", "R", ""); // a serial number, not a slot
        row("COSMOS 2475 (732)", "R", "");
        row("BEIDOU-2 G1", "C", ""); // an orbit name, not the PRN
        row("BEIDOU-2 G1 (C01)", "C", "C01");
        row("BEIDOU-3 M1 (C19)", "C", "C19");
        row("GSAT0101 (GALILEO-PRN E11)", "E", "E11");
        row("GSAT0103 (GALILEO 3)", "E", "");
        row("G05", "G", "G05");
        row("R14S", "R", "R14", "S");
        row("R22M", "R", "R22", "M");
        row("C02 # Beidou G6", "C", "C02");
        row("J01", "J", "J01");
        row("E33", "E", "E33");
        row("120", "S", "S120");
        row("G00", "G", "");
        row("ISS (ZARYA)", "", "");
        row("", "", "");
    }
    void names() {
        QFETCH(QString, name);
        QFETCH(QString, system);
        QFETCH(QString, id);
        QFETCH(QString, qualifier);
        const NamedSatellite s = SatelliteFromName(name.toStdString());
        QCOMPARE(s.system ? QString(QChar(s.system)) : QString(), system);
        QCOMPARE(QString::fromStdString(s.Id()), id);
        QCOMPARE(s.qualifier ? QString(QChar(s.qualifier)) : QString(), qualifier);
    }

    // Every name line of the shared element sets (short ids) is understood.
    void testDataNames() {
        std::string path = VELMORA_GNSS_DATA;
        path += "/TLE_GNSS_20121101.txt";
        std::ifstream in(path);
        QVERIFY(in.good());
        std::string line;
        int named = 0;
        while (std::getline(in, line)) {
            if (line.empty() || line[0] == '#' || line.rfind("1 ", 0) == 0 ||
                line.rfind("2 ", 0) == 0)
                continue;
            const NamedSatellite s = SatelliteFromName(line);
            QVERIFY2(s.system != 0 && s.number != 0, line.c_str());
            QCOMPARE(s.Id().substr(s.system == 'S' ? 1 : 0, 3), line.substr(0, 3));
            ++named;
        }
        QVERIFY(named > 60);
    }
};

QTEST_GUILESS_MAIN(GnssSatNamesTest)
#include "test_satnames.moc"
