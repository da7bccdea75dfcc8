// SPDX-License-Identifier: GPL-3.0-or-later
// The GNSS prediction's table with reflected satellites: the summary's
// shares over epochs of given states, and the CSV's and JSON's columns for
// the reflected ones and their DOP set.
#include <QtTest>

#include <nlohmann/json.hpp>

#include "outputs/GnssFiles.h"

using namespace velmora;
using gnss::SkyState;

namespace {

// Satellites spread over the sky: the n-th at n golden angles of azimuth
// and an elevation that changes with it, so that the first four already
// stand all round.
gnss::Direction Spread(int n) {
    return {std::fmod(137.5 * n, 360), 15.0 + 10.0 * (n % 5)};
}

// One epoch a word: "V" visible, "R" reflected, "B" blocked, "M" below the
// mask; the n-th letter is the n-th satellite.
predict::GnssRun RunOf(const QStringList& epochs) {
    predict::GnssRun run;
    run.settings.step = 60;
    run.settings.mask = 10;
    gnss::Prediction& p = run.prediction;
    for (int n = 0; n < 7; ++n) {
        gnss::Satellite s;
        s.id = QStringLiteral("G%1").arg(n + 1, 2, 10, QChar('0')).toStdString();
        s.system = 'G';
        p.satellites.push_back(s);
    }
    gnss::UtcSeconds t = 1351717200;
    for (const QString& word : epochs) {
        gnss::EpochSky e;
        e.utc = t;
        t += 60;
        std::vector<gnss::Direction> open, seen, heard;
        for (int n = 0; n < word.size(); ++n) {
            gnss::SatelliteSky v{static_cast<std::size_t>(n), Spread(n), SkyState::BelowMask};
            const QChar c = word[n];
            v.state = c == 'V'   ? SkyState::Visible
                      : c == 'R' ? SkyState::Reflected
                      : c == 'B' ? SkyState::Blocked
                                 : SkyState::BelowMask;
            if (v.state == SkyState::BelowMask)
                v.direction.elevation = 5;
            else
                open.push_back(v.direction);
            if (v.state == SkyState::Visible)
                seen.push_back(v.direction);
            if (v.state == SkyState::Visible || v.state == SkyState::Reflected)
                heard.push_back(v.direction);
            if (v.state == SkyState::Reflected)
                v.extraPath = 1.25 * (n + 1);
            e.aboveMask += v.state != SkyState::BelowMask;
            e.visible += v.state == SkyState::Visible;
            e.reflected += v.state == SkyState::Reflected;
            e.satellites.push_back(v);
        }
        e.open = gnss::DopsOf(open, 10);
        e.withBuildings = gnss::DopsOf(seen, 10);
        e.withReflected = gnss::DopsOf(heard, 10);
        p.epochs.push_back(e);
    }
    run.summary = gnss::Summarise(p, 60);
    return run;
}

} // namespace

class GnssFilesTest : public QObject {
    Q_OBJECT

  private slots:
    void reflectedShares_data() {
        QTest::addColumn<QStringList>("epochs");
        QTest::addColumn<double>("withReflected"); // epochs with a position counting them
        QTest::addColumn<double>("inUse");         // of those, with a reflected one in it
        QTest::addColumn<double>("meanReflected");
        QTest::newRow("none reflected") << QStringList{"VVVVB", "VVVVV"} << 1.0 << 0.0 << 0.0;
        // Three seen and one reflected: a position only with the reflection.
        QTest::newRow("the fourth reflected") << QStringList{"VVVRB", "VVVBB"} << 0.5 << 0.5 << 0.5;
        QTest::newRow("reflected but too few")
            << QStringList{"VVRBB", "VVVVR"} << 0.5 << 0.5 << 1.0;
        QTest::newRow("below the mask is no reflection")
            << QStringList{"VVVMM", "RRRRM"} << 0.5 << 0.5 << 2.0;
    }
    void reflectedShares() {
        QFETCH(QStringList, epochs);
        QFETCH(double, withReflected);
        QFETCH(double, inUse);
        QFETCH(double, meanReflected);
        const predict::GnssRun run = RunOf(epochs);
        QCOMPARE(run.summary.shareWithReflected, withReflected);
        QCOMPARE(run.summary.shareReflectedInUse, inUse);
        QCOMPARE(run.summary.meanReflected, meanReflected);
    }

    // Each epoch's CSV row and JSON entry carry the reflected satellites,
    // their extra paths and the DOP set that counts them.
    void reflectedColumns_data() {
        QTest::addColumn<QString>("epoch");
        QTest::newRow("one reflected") << "VVVRB";
        QTest::newRow("two reflected") << "VVRVRB";
        QTest::newRow("none") << "VVVVB";
        QTest::newRow("only reflected") << "RRRRR";
    }
    void reflectedColumns() {
        QFETCH(QString, epoch);
        const predict::GnssRun run = RunOf({epoch});
        const gnss::EpochSky& e = run.prediction.epochs.front();
        const QList<QByteArray> csv = GnssCsv(run).split('\n');
        const QList<QByteArray> header = csv[0].trimmed().split(',');
        const QList<QByteArray> row = csv[1].trimmed().split(',');
        QCOMPARE(row.size(), header.size());
        const auto cell = [&](const char* name) {
            return QString::fromUtf8(row.value(header.indexOf(name)));
        };
        QCOMPARE(cell("visible").toInt(), int(epoch.count('V')));
        QCOMPARE(cell("reflected").toInt(), int(epoch.count('R')));
        QCOMPARE(cell("pdop_with_reflected").isEmpty(), !e.withReflected);
        if (e.withReflected)
            QCOMPARE(cell("pdop_with_reflected").toDouble(),
                     std::round(e.withReflected->pdop * 1000) / 1000);
        QStringList paths;
        for (int n = 0; n < epoch.size(); ++n)
            if (epoch[n] == 'R')
                paths << QStringLiteral("G%1:%2")
                             .arg(n + 1, 2, 10, QChar('0'))
                             .arg(1.25 * (n + 1), 0, 'f', 3);
        QCOMPARE(cell("reflected_extra_path_m"), paths.join(' '));

        const auto j = nlohmann::json::parse(GnssJson(run).toStdString());
        const auto& je = j["epochs"][0];
        QCOMPARE(je["with_reflected"]["count"].get<int>(),
                 int(epoch.count('V') + epoch.count('R')));
        QCOMPARE(je["with_reflected"]["pdop"].is_null(), !e.withReflected);
        for (int n = 0; n < epoch.size(); ++n) {
            const auto& s = je["satellites"][static_cast<std::size_t>(n)];
            const std::string state = s["state"];
            QCOMPARE(state == "reflected", epoch[n] == 'R');
            QCOMPARE(s.contains("extra_path_m"), epoch[n] == 'R');
            if (epoch[n] == 'R')
                QCOMPARE(s["extra_path_m"].get<double>(), 1.25 * (n + 1));
        }
    }
};

QTEST_GUILESS_MAIN(GnssFilesTest)
#include "test_gnssfiles.moc"
