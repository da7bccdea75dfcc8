// SPDX-License-Identifier: GPL-3.0-or-later
// The GNSS plots: satellites' ids spread where they would pile up, and the
// window's plots in Japanese with a key of the systems' colours while the
// command line's stay English.
#include <QtTest>

#include "plots/DopChart.h"
#include "plots/GnssPlots.h"
#include "plots/SkyPlot.h"

using namespace velmora;
using namespace velmora::plots;

namespace {

// Satellites of the given systems, each above the mask at every epoch.
gnss::Prediction Satellites(const std::string& systems) {
    gnss::Prediction p;
    for (std::size_t i = 0; i < systems.size(); ++i) {
        gnss::Satellite s;
        s.system = systems[i];
        s.id = std::string(1, systems[i]) + std::to_string(10 + i);
        p.satellites.push_back(s);
    }
    for (int k = 0; k < 3; ++k) {
        gnss::EpochSky e;
        e.utc = 1351717200 + 60 * k;
        for (std::size_t i = 0; i < systems.size(); ++i) {
            gnss::SatelliteSky v;
            v.satellite = i;
            v.direction.azimuth = 40.0 * double(i) + k;
            v.direction.elevation = 30 + k;
            v.state = gnss::SkyState::Visible;
            e.satellites.push_back(v);
        }
        p.epochs.push_back(e);
    }
    return p;
}

bool Overlap(const std::vector<QRectF>& boxes) {
    for (std::size_t i = 0; i < boxes.size(); ++i)
        for (std::size_t j = i + 1; j < boxes.size(); ++j)
            if (boxes[i].intersects(boxes[j]))
                return true;
    return false;
}

} // namespace

class PlotsTest : public QObject {
    Q_OBJECT

  private slots:
    // Ids rising at one place are spread apart, none far from its point;
    // ids with room keep their usual place.
    void labelsSpread_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<double>("spacing"); // pixels between the anchors
        QTest::addColumn<bool>("moved");
        QTest::newRow("two at one point") << 2 << 0.0 << true;
        QTest::newRow("eight at one point") << 8 << 0.0 << true;
        QTest::newRow("six, 3 px apart") << 6 << 3.0 << true;
        QTest::newRow("five with room") << 5 << 60.0 << false;
    }
    void labelsSpread() {
        QFETCH(int, count);
        QFETCH(double, spacing);
        QFETCH(bool, moved);
        std::vector<QPointF> anchors;
        std::vector<QSizeF> sizes;
        for (int i = 0; i < count; ++i) {
            anchors.emplace_back(300 + spacing * i, 200 + spacing * i * 0.5);
            sizes.emplace_back(24, 13);
        }
        const QPointF offset(4, -15);
        const QRectF bounds(0, 0, 640, 720);
        const std::vector<QRectF> boxes = SpreadLabels(anchors, sizes, offset, bounds);
        QCOMPARE(int(boxes.size()), count);
        QVERIFY(!Overlap(boxes));
        bool anyMoved = false;
        for (int i = 0; i < count; ++i) {
            const QRectF usual(anchors[std::size_t(i)] + offset, sizes[std::size_t(i)]);
            anyMoved |= boxes[std::size_t(i)] != usual;
            QVERIFY(bounds.contains(boxes[std::size_t(i)]));
            QVERIFY(QLineF(boxes[std::size_t(i)].center(), usual.center()).length() < 9 * 13);
        }
        QCOMPARE(anyMoved, moved);
        // The first always keeps its usual place.
        QCOMPARE(boxes[0], QRectF(anchors[0] + offset, sizes[0]));
    }

    // The window's sky plot speaks Japanese and keys the systems it has
    // tracks of; the command line's stays as it was, without a key.
    void skyPlotLanguage_data() {
        QTest::addColumn<bool>("japanese");
        QTest::addColumn<QString>("systems");
        QTest::addColumn<QStringList>("key");
        QTest::newRow("English") << false << "GRJ" << QStringList{};
        QTest::newRow("Japanese, three systems")
            << true << "GRJ" << QStringList{"GPS", "GLONASS", "QZSS"};
        QTest::newRow("Japanese, GPS and Galileo")
            << true << "EGG" << QStringList{"GPS", "Galileo"};
    }
    void skyPlotLanguage() {
        QFETCH(bool, japanese);
        QFETCH(QString, systems);
        QFETCH(QStringList, key);
        const gnss::Prediction p = Satellites(systems.toStdString());
        gnss::PredictionSettings s;
        s.start = p.epochs.front().utc;
        const SkyPlotInput in =
            GnssSkyPlot(p, s, {}, "t", japanese ? PlotLanguage::Japanese : PlotLanguage::English);
        QStringList names;
        for (const LegendEntry& e : in.legend) {
            names << e.label;
            const char letter = e.label == "GLONASS"   ? 'R'
                                : e.label == "Galileo" ? 'E'
                                : e.label == "BeiDou"  ? 'C'
                                : e.label == "QZSS"    ? 'J'
                                                       : 'G';
            QCOMPARE(e.colour, SystemColour(letter));
        }
        QCOMPARE(names, key);
        QCOMPARE(in.trackCaption.startsWith("solid: seen"), !japanese);
        QCOMPARE(in.trackCaption.contains(QStringLiteral("実線")), japanese);
        QCOMPARE(in.cardinal.contains(QStringLiteral("北")), japanese);
        // What is written in the SVG.
        const QByteArray svg = SkyPlotBytes(in, "p.svg");
        QCOMPARE(svg.contains(QStringLiteral("実線").toUtf8()), japanese);
        QCOMPARE(svg.contains("solid: seen"), !japanese);
    }

    void chartLanguage_data() {
        QTest::addColumn<bool>("japanese");
        QTest::newRow("English") << false;
        QTest::newRow("Japanese") << true;
    }
    void chartLanguage() {
        QFETCH(bool, japanese);
        const gnss::Prediction p = Satellites("GR");
        gnss::PredictionSettings s;
        s.start = p.epochs.front().utc;
        s.hours = 1;
        const DopChartInput in =
            GnssChart(p, s, "t", japanese ? PlotLanguage::Japanese : PlotLanguage::English);
        // (The SVG writes Japanese text word by word.)
        const QByteArray svg = DopChartBytes(in, "c.svg");
        QCOMPARE(svg.contains("open sky"), !japanese);
        QCOMPARE(svg.contains("hours from"), !japanese);
        QCOMPARE(svg.contains(QStringLiteral("描画").toUtf8()), japanese);
        QCOMPARE(svg.contains(QStringLiteral("衛星数").toUtf8()), japanese);
    }
};

QTEST_MAIN(PlotsTest)
#include "test_plots.moc"
