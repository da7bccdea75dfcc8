// SPDX-License-Identifier: GPL-3.0-or-later
// One-click tracing on pictures like real screenshots (texture, noise,
// antialiased edges, JPEG): on the window's cleaned grey copy the roofs,
// walls and heights come out right, and no height is far off; on the plain
// grey copy no wall is found at all.
#include <QtTest>

#include <cmath>

#include "picture/GreyPicture.h"
#include "tools/realpics/RealisticTown.h"

using namespace velmora;

class TraceRealisticTest : public QObject {
    Q_OBJECT
  private slots:
    void firstPicturesOfTheSet() {
        int buildings = 0, roofs = 0, good = 0, wrong = 0, plainWalls = 0;
        for (int i = 0; i < 4; ++i) {
            const realpics::RealisticPicture p = realpics::PaintRealisticPicture(i);
            const int width = p.image.width();
            const auto cleaned =
                realpics::TraceEach(TraceSourceOf(p.image), p.preset, width, p.buildings);
            const auto plain =
                realpics::TraceEach(GreyCopyOf(p.image), p.preset, width, p.buildings);
            for (std::size_t b = 0; b < p.buildings.size(); ++b) {
                const realpics::TraceOutcome& o = cleaned[b];
                const double truth = p.buildings[b].height;
                ++buildings;
                roofs += o.worstCorner >= 0 && o.worstCorner <= 3;
                good += o.height && std::fabs(*o.height - truth) <= 1.5;
                wrong += o.height && !(std::fabs(*o.height - truth) <= 3);
                plainWalls += plain[b].wall.has_value();
            }
        }
        qInfo(
            "%d buildings: %d roofs within 3 px, %d heights within 1.5 m, %d off by more than 3 m",
            buildings, roofs, good, wrong);
        QVERIFY(buildings >= 20);
        QVERIFY(roofs >= buildings * 9 / 10);
        QVERIFY(good >= buildings * 7 / 10);
        QCOMPARE(wrong, 0);
        QCOMPARE(plainWalls, 0);
    }
};

QTEST_MAIN(TraceRealisticTest)
#include "test_tracerealistic.moc"
