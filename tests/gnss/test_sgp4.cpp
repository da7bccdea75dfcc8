// SPDX-License-Identifier: GPL-3.0-or-later
// SGP4/SDP4 against the published verification cases: every case, every
// time step of its run, and the cases that must fail stop where the
// reference stops.
#include <QtTest>

#include <cmath>
#include <fstream>
#include <map>
#include <sstream>

#include "gnss/Sgp4.h"

using namespace velmora::gnss;

namespace {

std::string Data(const char* name) {
    std::string path = VELMORA_GNSS_DATA;
    path += "/sgp4/";
    path += name;
    return path;
}

struct Case {
    std::string line1, line2;
    double start = 0, stop = 0, step = 0;
};

struct Row {
    double t = 0, r[3] = {0, 0, 0}, v[3] = {0, 0, 0};
};

std::vector<Case> ReadCases() {
    std::ifstream in(Data("SGP4-VER.TLE"));
    std::vector<Case> out;
    std::string line, first;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        if (line[0] == '1') {
            first = line;
        } else if (line[0] == '2' && !first.empty()) {
            Case c{first, line.substr(0, 69)};
            std::istringstream run(line.substr(69));
            run >> c.start >> c.stop >> c.step;
            out.push_back(c);
            first.clear();
        }
    }
    return out;
}

// The reference rows of each case in file order (a catalogue number may
// come twice).
std::vector<std::vector<Row>> ReadReference() {
    std::ifstream in(Data("tcppver.out"));
    std::vector<std::vector<Row>> out;
    std::string line;
    while (std::getline(in, line)) {
        if (line.find("xx") != std::string::npos) {
            out.emplace_back();
            continue;
        }
        std::istringstream s(line);
        Row r;
        if (!out.empty() && s >> r.t >> r.r[0] >> r.r[1] >> r.r[2] >> r.v[0] >> r.v[1] >> r.v[2])
            out.back().push_back(r);
    }
    return out;
}

// The times a run asks for: the epoch, then start, start + step, ... and
// the stop time itself (a run from the epoch does not repeat it; one that
// passes through it does).
std::vector<double> RunTimes(const Case& c) {
    std::vector<double> t{0};
    const int n = static_cast<int>(std::floor((c.stop - c.start) / c.step + 1e-9));
    for (int k = 0; k <= n; ++k)
        if (k > 0 || c.start != 0)
            t.push_back(c.start + k * c.step);
    if (t.back() < c.stop - 1e-9)
        t.push_back(c.stop);
    return t;
}

} // namespace

class GnssSgp4Test : public QObject {
    Q_OBJECT

  private slots:
    void verificationCases_data() {
        QTest::addColumn<int>("index");
        const auto cases = ReadCases();
        QVERIFY(cases.size() >= 30);
        std::map<std::string, int> seen;
        for (std::size_t i = 0; i < cases.size(); ++i) {
            std::string name = cases[i].line1.substr(2, 5);
            if (seen[name]++)
                name += " (" + std::to_string(seen[name]) + ")";
            QTest::newRow(name.c_str()) << int(i);
        }
    }
    void verificationCases() {
        QFETCH(int, index);
        const Case c = ReadCases()[index];
        const std::vector<Row> want = ReadReference().at(index);
        QVERIFY(!want.empty());
        const Sgp4 model(ParseTwoLineElements(c.line1, c.line2));
        if (model.error() != Sgp4Error::None) {
            // Elements that fail at their own epoch: the reference prints its
            // epoch line regardless and computes nothing more.
            QCOMPARE(want.size(), std::size_t(1));
            qInfo("%s: fails at epoch with error %d", c.line1.substr(2, 5).c_str(),
                  int(model.error()));
            double r[3], v[3];
            QVERIFY(model.Propagate(60, r, v) != Sgp4Error::None);
            return;
        }
        const std::vector<double> times = RunTimes(c);
        double worstR = 0, worstV = 0;
        QString stop;
        std::size_t k = 0;
        for (; k < times.size(); ++k) {
            double r[3], v[3];
            const Sgp4Error e = model.Propagate(times[k], r, v);
            if (k >= want.size()) {
                // The reference stopped here: the model must fail too.
                QVERIFY2(e != Sgp4Error::None,
                         qPrintable(QString("t=%1 gave a position").arg(times[k])));
                stop = QString(", stops at %1 min with error %2").arg(times[k]).arg(int(e));
                break;
            }
            QVERIFY2(e == Sgp4Error::None,
                     qPrintable(QString("t=%1 failed with %2").arg(times[k]).arg(int(e))));
            QCOMPARE(times[k], want[k].t);
            worstR = std::max(
                worstR, std::hypot(r[0] - want[k].r[0], r[1] - want[k].r[1], r[2] - want[k].r[2]));
            worstV = std::max(
                worstV, std::hypot(v[0] - want[k].v[0], v[1] - want[k].v[1], v[2] - want[k].v[2]));
        }
        // Every reference row was computed.
        QVERIFY(k >= want.size());
        qInfo("%s %s: %zu steps, worst position %.3g km, velocity %.3g km/s%s",
              c.line1.substr(2, 5).c_str(), model.DeepSpace() ? "deep space" : "near Earth",
              want.size(), worstR, worstV, qPrintable(stop));
        QVERIFY2(worstR < 1e-5, qPrintable(QString("position off by %1 km").arg(worstR)));
        QVERIFY2(worstV < 1e-8, qPrintable(QString("velocity off by %1 km/s").arg(worstV)));
    }

    // Times the model cannot serve come back as an error, not as a hang in
    // the resonance integration.
    void timeOutOfRange_data() {
        QTest::addColumn<double>("minutes");
        QTest::newRow("not a number") << std::nan("");
        QTest::newRow("infinite") << HUGE_VAL;
        QTest::newRow("25 years on") << 25 * 366 * 1440.0;
        QTest::newRow("25 years before") << -25 * 366 * 1440.0;
    }
    void timeOutOfRange() {
        QFETCH(double, minutes);
        // A geosynchronous orbit: the 24-hour resonance.
        const Sgp4 geo(ParseTwoLineElements(
            "1 26900U 01039A   06106.74503247  .00000045  00000-0  10000-3 0  8290",
            "2 26900   0.0164 266.5378 0003319  86.1794 182.2590  1.00273847 16981"));
        double r[3], v[3];
        QCOMPARE(geo.Propagate(minutes, r, v), Sgp4Error::TimeOutOfRange);
        QCOMPARE(geo.Propagate(minutes > 0 ? 5 * 366 * 1440.0 : -1440, r, v), Sgp4Error::None);
    }

    void brokenLines_data() {
        QTest::addColumn<QString>("line1");
        QTest::addColumn<QString>("line2");
        QTest::addColumn<QString>("message");
        const QString l1 = "1 00005U 58002B   00179.78495062  .00000023  00000-0  28098-4 0  4753";
        const QString l2 = "2 00005  34.2682 348.7242 1859667 331.7664  19.3264 10.82419157413667";
        QTest::newRow("short line 2") << l1 << l2.left(60) << "shorter than 63";
        QTest::newRow("swapped") << l2 << l1 << "lines 1 and 2";
        QTest::newRow("other satellite")
            << l1 << QString(l2).replace(2, 5, "00006") << "different satellites";
        QTest::newRow("letter in the inclination")
            << l1 << QString(l2).replace(9, 7, "34.2x82") << "not a number";
        QTest::newRow("drag exponent")
            << QString(l1).replace(53, 8, " 28098-X") << l2 << "not a number";
        QTest::newRow("day of the year")
            << QString(l1).replace(20, 3, "400") << l2 << "day of the year";
        QTest::newRow("no mean motion")
            << l1 << QString(l2).replace(52, 11, " 0.00000000") << "mean motion";
        QTest::newRow("huge ndot")
            << QString(l1).replace(33, 10, "1e999     ") << l2 << "out of range";
    }
    void brokenLines() {
        QFETCH(QString, line1);
        QFETCH(QString, line2);
        QFETCH(QString, message);
        try {
            ParseTwoLineElements(line1.toStdString(), line2.toStdString());
            QFAIL("parsed");
        } catch (const std::invalid_argument& e) {
            QVERIFY2(QString(e.what()).contains(message), e.what());
        }
    }
};

QTEST_GUILESS_MAIN(GnssSgp4Test)
#include "test_sgp4.moc"
