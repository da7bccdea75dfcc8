// SPDX-License-Identifier: GPL-3.0-or-later
// The one-click tracing core on the built-in sample picture 1, decoded into
// the cleaned grey copy the window traces on: a trace from each of the scene's double-click
// points finds that roof, and a wall whose height agrees with the scene's.
#include <QtTest>

#include <QImage>
#include <cmath>
#include <memory>

#include "data/Scenes.h"
#include "geometry/CameraModel.h"
#include "picture/GreyPicture.h"
#include "support/Images.h"
#include "tracing/RoofTracer.h"

using namespace velmora;
using namespace velmora::testing;

namespace {

double DistanceToOutline(const DemoScene& s, int roof, PicturePoint p) {
    const SceneRoof& r = s.roofs[std::size_t(roof)];
    double best = 1e9;
    for (int i = r.start; i + 1 < r.start + r.count; ++i) {
        const PicturePoint a = s.points[std::size_t(i)], b = s.points[std::size_t(i + 1)];
        const double dx = b.x - a.x, dy = b.y - a.y, len2 = dx * dx + dy * dy;
        const double u =
            len2 > 0 ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / len2, 0.0, 1.0) : 0;
        best = std::min(best, std::hypot(p.x - a.x - u * dx, p.y - a.y - u * dy));
    }
    return best;
}

} // namespace

class TraceSamplesTest : public QObject {
    Q_OBJECT
    GreyRaster picture_;
    BuildingData view_;
    int walls_ = 0;
    int roofs_ = 0;

    std::optional<double> Height(PicturePoint top, PicturePoint bottom) const {
        const double m = view_.gPhotoMetrePerUnit;
        return WallHeight(view_.gSlideAngle * kDegToRad, view_.gFlatHeight, m * bottom.y,
                          m * top.y);
    }

  private slots:
    void initTestCase() {
        const QImage img(":/samples/sample1.png");
        QVERIFY2(!img.isNull(), "sample picture 1 is not among the program's resources");
        picture_ = TraceSourceOf(img);
        const AltitudeTexts& t = SamplePicturePresets(1);
        UpdateViewGeometry(view_,
                           {std::string(t.verHeight), std::string(t.verHeightm),
                            std::string(t.incliHeight), std::string(t.incliHeightm)},
                           img.width());
        QVERIFY(view_.gPhotoMetrePerUnit > 0);
    }

    void traceEachRoof_data() { AddSampleRoofRows(); }
    void traceEachRoof() {
        QFETCH(int, roof);
        const DemoScene& s = SamplePictureScene(1);
        auto t = std::make_unique<RoofTracer>();
        t->SetPicture(&picture_);
        const PicturePoint click = s.clickPoints[std::size_t(roof)];
        QVERIFY(t->TraceRoof(click.x, click.y));
        const std::vector<PicturePoint> outline = t->TracedRoofOutline();
        QVERIFY(outline.size() >= 4);
        double worst = 0;
        for (const PicturePoint& p : outline)
            worst = std::max(worst, DistanceToOutline(s, roof, p));
        QVERIFY2(worst <= 3, qPrintable(QString("corner %1 px off the outline").arg(worst)));
        ++roofs_;

        t->FindWall();
        const std::optional<WallLine> wall = t->LongestWall();
        QString report = QString("roof %1: %2 corners, worst %3 px")
                             .arg(roof)
                             .arg(outline.size() - 1)
                             .arg(worst, 0, 'f', 1);
        if (wall) {
            const std::optional<double> traced = Height(wall->top, wall->bottom);
            QVERIFY(traced.has_value());
            report += QString(", wall (%1,%2)-(%3,%4) height %5 m")
                          .arg(wall->top.x)
                          .arg(wall->top.y)
                          .arg(wall->bottom.x)
                          .arg(wall->bottom.y)
                          .arg(*traced, 0, 'f', 1);
            for (const SceneWall& w : s.walls) {
                if (w.owner != roof)
                    continue;
                const std::optional<double> own = Height(w.upper, w.lower);
                QVERIFY(own.has_value());
                report += QString(", scene wall %1 m").arg(*own, 0, 'f', 1);
                QVERIFY2(std::fabs(*traced - *own) <= 1.5, qPrintable(report));
            }
            ++walls_;
        } else {
            report += ", no wall";
        }
        qInfo("%s", qPrintable(report));
    }

    void cleanupTestCase() {
        qInfo("%d roofs traced, %d with a wall line", roofs_, walls_);
        if (roofs_ == int(SamplePictureScene(1).clickPoints.size()))
            QVERIFY(walls_ >= 5);
    }
};

QTEST_GUILESS_MAIN(TraceSamplesTest)
#include "test_tracesamples.moc"
