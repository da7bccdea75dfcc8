// SPDX-License-Identifier: GPL-3.0-or-later
// The roofs of sample picture 1's scene, filled flat into an in-memory
// picture of that size, traced from the scene's own double-click points.
#include <QtTest>

#include <cmath>
#include <memory>

#include "data/Scenes.h"
#include "support/Pictures.h"
#include "tracing/RoofTracer.h"

using namespace velmora;
using namespace tracetest;

namespace {

bool Inside(std::span<const PicturePoint> polygon, double x, double y) {
    bool in = false;
    for (std::size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
        const PicturePoint a = polygon[i], b = polygon[j];
        if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x)
            in = !in;
    }
    return in;
}

double DistanceToOutline(std::span<const PicturePoint> polygon, PicturePoint p) {
    double best = 1e9;
    for (std::size_t i = 0; i + 1 < polygon.size(); ++i) {
        const double ax = polygon[i].x, ay = polygon[i].y;
        const double dx = polygon[i + 1].x - ax, dy = polygon[i + 1].y - ay;
        const double len2 = dx * dx + dy * dy;
        const double u =
            len2 > 0 ? std::clamp(((p.x - ax) * dx + (p.y - ay) * dy) / len2, 0.0, 1.0) : 0;
        best = std::min(best, std::hypot(p.x - ax - u * dx, p.y - ay - u * dy));
    }
    return best;
}

std::span<const PicturePoint> Roof(const DemoScene& s, std::size_t i) {
    return s.points.subspan(std::size_t(s.roofs[i].start), std::size_t(s.roofs[i].count));
}

} // namespace

class SceneTest : public QObject {
    Q_OBJECT
  private slots:
    void sampleOneRoofs_data() {
        QTest::addColumn<int>("roof");
        for (std::size_t i = 0; i < SamplePictureScene(1).clickPoints.size(); ++i)
            QTest::addRow("roof %d", int(i)) << int(i);
    }
    void sampleOneRoofs() {
        QFETCH(int, roof);
        const DemoScene& scene = SamplePictureScene(1);
        static const GreyRaster picture = [&] {
            const PictureSize size = SamplePictureSize(1);
            GreyRaster p = TexturedGround(size.width, size.height);
            for (std::size_t i = 0; i < scene.roofs.size(); ++i)
                for (int c = 0; c < size.width; ++c)
                    for (int r = 0; r < size.height; ++r)
                        if (Inside(Roof(scene, i), c - size.width / 2 + 0.5,
                                   size.height / 2 - r - 0.5))
                            p.Set(c, r, 205);
            return p;
        }();

        auto t = std::make_unique<RoofTracer>();
        t->SetPicture(&picture);
        const PicturePoint click = scene.clickPoints[std::size_t(roof)];
        QVERIFY(t->TraceRoof(click.x, click.y));
        const std::vector<PicturePoint> outline = t->TracedRoofOutline();
        QVERIFY(outline.size() >= 4);
        for (const PicturePoint& p : outline)
            QVERIFY2(DistanceToOutline(Roof(scene, std::size_t(roof)), p) <= 3,
                     qPrintable(QString("(%1,%2)").arg(p.x).arg(p.y)));
    }
};

QTEST_APPLESS_MAIN(SceneTest)
#include "test_scene.moc"
