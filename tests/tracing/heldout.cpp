// SPDX-License-Identifier: GPL-3.0-or-later
// The one-click tracer on the held-out half of the wider realistic picture
// set (pictures no setting was tuned on): roofs, heights and, above all, no
// height far off.
#include <QtTest>

#include <cmath>

#include "tools/realpics/WideTown.h"
#include "tracing/EdgeField.h"

using namespace velmora;

class HeldOutTest : public QObject {
    Q_OBJECT
  private slots:
    void heldOutHalf() {
        int buildings = 0, roofs = 0, good = 0, wrong = 0;
        for (int i = realpics::kWideTuningCount; i < realpics::kWidePictureCount; ++i) {
            const realpics::RealisticPicture p = realpics::PaintWidePicture(i);
            const TraceInput input = PrepareTraceInput(realpics::PlainGrey(p.image));
            const auto outcomes =
                realpics::TraceEachChecked(input, p.preset, p.image.width(), p.buildings);
            for (std::size_t b = 0; b < p.buildings.size(); ++b) {
                const realpics::TraceOutcome& o = outcomes[b];
                const double truth = p.buildings[b].height;
                ++buildings;
                roofs += o.worstCorner >= 0 && o.worstCorner <= 3;
                good += o.height && std::fabs(*o.height - truth) <= 1.5;
                wrong += o.height && !(std::fabs(*o.height - truth) <= 3);
            }
        }
        qInfo("%d buildings: %d roofs within 3 px, %d heights within 1.5 m, %d off by more "
              "than 3 m",
              buildings, roofs, good, wrong);
        QVERIFY(buildings >= 75);
        QVERIFY(roofs * 100 >= buildings * kRoofPercent);
        QVERIFY(good * 100 >= buildings * kGoodPercent);
        QVERIFY(wrong * 100 <= buildings * kWrongPercent);
    }

  private:
    static constexpr int kRoofPercent = 88;
    static constexpr int kGoodPercent = 75;
    static constexpr int kWrongPercent = 1;
};

QTEST_GUILESS_MAIN(HeldOutTest)
#include "heldout.moc"
