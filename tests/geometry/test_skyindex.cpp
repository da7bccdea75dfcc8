// SPDX-License-Identifier: GPL-3.0-or-later
// The sky scene's azimuth bins: the highest covered elevation at whole
// degrees equals the mask, which scans every edge, and Blocks agrees with
// ElevationAt at any azimuth and elevation, on random blocks of buildings.
#include <QtTest>
#include <random>

#include "geometry/SkyMask.h"

using namespace velmora;

class SkyIndexTest : public QObject {
    Q_OBJECT

  private slots:
    void binsMissNoEdge_data() {
        QTest::addColumn<int>("seed");
        QTest::addColumn<int>("buildings");
        QTest::newRow("few") << 1 << 3;
        QTest::newRow("a block") << 2 << 40;
        QTest::newRow("dense") << 3 << 120;
        QTest::newRow("close walls") << 4 << 60;
    }
    void binsMissNoEdge() {
        QFETCH(int, seed);
        QFETCH(int, buildings);
        std::mt19937 rng(static_cast<unsigned>(seed));
        std::uniform_real_distribution<double> place(-60, 60), size(1, 15), height(0.5, 40),
            turn(0, 6.283185307179586);
        std::vector<Footprint> plan;
        for (int k = 0; k < buildings; ++k) {
            const double cx = place(rng), cy = place(rng), w = size(rng), h = size(rng),
                         a = turn(rng);
            Footprint f;
            f.roof = static_cast<Count>(k);
            for (const auto& [u, v] : {std::pair{-w, -h}, {w, -h}, {w, h}, {-w, h}})
                f.ring.push_back({cx + u / 2 * std::cos(a) - v / 2 * std::sin(a),
                                  cy + u / 2 * std::sin(a) + v / 2 * std::cos(a)});
            f.height = height(rng);
            plan.push_back(f);
        }
        std::uniform_real_distribution<double> az(0, 360), el(-2, 89);
        int receivers = 0, blocked = 0;
        for (int trial = 0; trial < 60; ++trial) {
            const PlanXY at{place(rng), place(rng)};
            if (FootprintAt(plan, at))
                continue;
            ++receivers;
            const SkyScene scene(plan, at, 1.5);
            const std::vector<double> mask = scene.Mask(1);
            for (int k = 0; k < 360; ++k)
                QVERIFY(std::fabs(scene.ElevationAt(k) - mask[static_cast<std::size_t>(k)]) < 1e-9);
            for (int q = 0; q < 400; ++q) {
                const double a = az(rng), e = el(rng);
                const bool b = scene.Blocks(a, e);
                QCOMPARE(b, e < 90 && e < scene.ElevationAt(a));
                blocked += b;
            }
        }
        QVERIFY(receivers > 10);
        QVERIFY(blocked > 0);
    }
};

QTEST_GUILESS_MAIN(SkyIndexTest)
#include "test_skyindex.moc"
