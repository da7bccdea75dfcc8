// SPDX-License-Identifier: GPL-3.0-or-later
// The camera checked against the picture: buildings drawn through a known
// camera, then checked with the right camera, a wrong one and a cropped
// copy of the picture; the verticals measured at one building; the fit of
// the point where lines meet.
#include <QtTest>
#include <algorithm>
#include <cmath>
#include <memory>

#include "geometry/CameraModel.h"
#include "support/Pictures.h"
#include "tracing/CameraCheck.h"
#include "tracing/RoofTracer.h"

using namespace velmora;
using tracetest::BoxTown;
using tracetest::DrawBoxTown;
using tracetest::FillPolygon;
using tracetest::Pt;
using tracetest::TownGrid;

namespace {

constexpr int kW = 800;
constexpr int kH = 680;

using Camera = tracetest::TownCamera;
Camera SampleCamera() {
    return tracetest::SampleOneCamera(kW);
}

// The part of a picture from column x0, row y0, w x h pixels.
GreyRaster Cut(const GreyRaster& g, int x0, int y0, int w, int h) {
    GreyRaster out(w, h);
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c)
            out.Set(c, r, g.At(c + x0, r + y0));
    return out;
}

// The roofs traced at the clicks, then the check.
CameraCheck CheckScene(const GreyRaster& picture, const std::vector<PicturePoint>& clicks,
                       double typedTilt) {
    const TraceInput input = PrepareTraceInput(picture);
    auto tracer = std::make_unique<RoofTracer>();
    tracer->SetInput(&input);
    std::vector<std::vector<PicturePoint>> outlines;
    for (const PicturePoint& c : clicks) {
        const TraceResult r = tracer->Trace(c.x, c.y, nullptr);
        if (r.refusal == TraceRefusal::None)
            outlines.push_back(r.outline);
    }
    return CheckCameraAtRoofs(outlines, input.edges, picture.Width(), typedTilt);
}

MeasuredVertical Line(double x, double y, double towardsX, double towardsY, double sigmaAngle,
                      double sigmaAcross = 0.1) {
    MeasuredVertical v;
    const double l = std::hypot(towardsX - x, towardsY - y);
    v.x = x;
    v.y = y;
    v.dx = (towardsX - x) / l;
    v.dy = (towardsY - y) / l;
    v.length = 40;
    v.sigmaAngle = sigmaAngle;
    v.sigmaAcross = sigmaAcross;
    return v;
}

} // namespace

Q_DECLARE_METATYPE(velmora::CameraVerdict)
Q_DECLARE_METATYPE(velmora::CameraReason)

class CameraCheckTest : public QObject {
    Q_OBJECT

  private slots:
    void tiltAndNadir_data() {
        QTest::addColumn<double>("tilt");
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("nadir");
        // tan theta = -y / (0.85 W).
        QTest::newRow("45 degrees") << 45.0 << 800.0 << -680.0;
        QTest::newRow("sample 1") << 33.2212 << 800.0
                                  << -0.85 * 800 * std::tan(33.2212 * kDegToRad);
        QTest::newRow("straight down") << 0.0 << 1000.0 << 0.0;
    }
    void tiltAndNadir() {
        QFETCH(double, tilt);
        QFETCH(double, width);
        QFETCH(double, nadir);
        QVERIFY(std::fabs(NadirOfTilt(tilt, width) - nadir) < 1e-9);
        QVERIFY(std::fabs(TiltOfNadir(nadir, width) - tilt) < 1e-9);
    }

    // Lines through a known point, one of them a stray: the stray is left
    // out and the point found; given the column, only its height is fitted.
    void fitFindsMeetingPoint_data() {
        QTest::addColumn<double>("nx");
        QTest::addColumn<double>("ny");
        QTest::addColumn<bool>("stray");
        QTest::newRow("centre column") << 0.0 << -500.0 << false;
        QTest::newRow("off centre, with a stray") << 60.0 << -450.0 << true;
    }
    void fitFindsMeetingPoint() {
        QFETCH(double, nx);
        QFETCH(double, ny);
        QFETCH(bool, stray);
        std::vector<MeasuredVertical> lines;
        for (const double x : {-300.0, -150.0, 100.0, 280.0})
            lines.push_back(Line(x, 100, nx, ny, 0.002));
        if (stray)
            lines.push_back(Line(0, 200, 300, -200, 0.002));
        const NadirFit fit = FitNadir(lines, std::nullopt);
        QVERIFY(fit.found);
        QCOMPARE(fit.used, 4);
        QVERIFY2(std::hypot(fit.x - nx, fit.y - ny) < 0.5,
                 qPrintable(QString("%1, %2").arg(fit.x).arg(fit.y)));
        QVERIFY(fit.sigmaX > 0 && fit.sigmaY > 0);
        const NadirFit onColumn = FitNadir(lines, nx);
        QVERIFY(onColumn.found);
        QCOMPARE(onColumn.x, nx);
        QVERIFY(std::fabs(onColumn.y - ny) < 0.5);
    }

    // Lines that scatter more than their own uncertainty says widen the
    // nadir's uncertainty: the scale follows the scatter.
    void scatterWidensUncertainty() {
        std::vector<MeasuredVertical> tight, loose;
        const double xs[] = {-300, -200, -100, 120, 220, 320};
        const double beside[] = {-6, 4, -2, 7, -5, 3};
        for (int i = 0; i < 6; ++i) {
            tight.push_back(Line(xs[i], 100, 0, -500, 0.004));
            loose.push_back(Line(xs[i], 100, beside[i], -500, 0.004));
        }
        const NadirFit a = FitNadir(tight, std::nullopt);
        const NadirFit b = FitNadir(loose, std::nullopt);
        QVERIFY(a.found && b.found);
        QCOMPARE(b.used, 6);
        QVERIFY2(b.sigmaX > 2 * a.sigmaX, qPrintable(QString("%1 %2").arg(a.sigmaX).arg(b.sigmaX)));
    }

    // One box drawn through the camera: the verticals found below its
    // corners run towards the nadir within a fraction of a degree.
    void verticalsOfOneBuilding() {
        const Camera c = SampleCamera();
        const BoxTown s = DrawBoxTown(c, {{-220, 60}}, kW, kH);
        const TraceInput input = PrepareTraceInput(s.picture);
        auto tracer = std::make_unique<RoofTracer>();
        tracer->SetInput(&input);
        const TraceResult r = tracer->Trace(s.clicks[0].x, s.clicks[0].y, nullptr);
        QCOMPARE(r.refusal, TraceRefusal::None);
        const std::vector<MeasuredVertical> v = MeasureVerticals(r.outline, input.edges);
        // Left silhouette, the corner between the two faces, right silhouette.
        QCOMPARE(int(v.size()), 3);
        const double ny = NadirOfTilt(c.theta * kRadToDeg, kW);
        for (const MeasuredVertical& m : v) {
            const double want = std::atan2(0 - m.x, -(ny - m.y));
            const double got = std::atan2(m.dx, -m.dy);
            QVERIFY2(std::fabs(got - want) * kRadToDeg < 0.5,
                     qPrintable(QString("%1 vs %2").arg(got * kRadToDeg).arg(want * kRadToDeg)));
            QVERIFY(m.sigmaAngle > 0 && m.sigmaAngle * kRadToDeg < 1);
        }
    }

    void verdicts_data() {
        QTest::addColumn<double>("typedOff"); // degrees added to the true tilt
        QTest::addColumn<int>("cut");         // 0 none, 1 left, 2 right, 3 top, 4 bottom
        QTest::addColumn<CameraVerdict>("verdict");
        QTest::addColumn<CameraReason>("reason");
        QTest::newRow("right camera") << 0.0 << 0 << CameraVerdict::Agrees << CameraReason::Fits;
        QTest::newRow("tilt 3 degrees smaller")
            << -3.0 << 0 << CameraVerdict::Disagrees << CameraReason::TiltDiffers;
        QTest::newRow("tilt 3 degrees larger")
            << 3.0 << 0 << CameraVerdict::Disagrees << CameraReason::TiltDiffers;
        // A side cut off moves the centre column off the nadir.
        QTest::newRow("15 % cut off the left")
            << 0.0 << 1 << CameraVerdict::Disagrees << CameraReason::NadirOffCentre;
        QTest::newRow("15 % cut off the right")
            << 0.0 << 2 << CameraVerdict::Disagrees << CameraReason::NadirOffCentre;
        // The top or bottom cut off moves the centre row: another tilt.
        QTest::newRow("15 % cut off the top")
            << 0.0 << 3 << CameraVerdict::Disagrees << CameraReason::TiltDiffers;
        QTest::newRow("15 % cut off the bottom")
            << 0.0 << 4 << CameraVerdict::Disagrees << CameraReason::TiltDiffers;
    }
    void verdicts() {
        QFETCH(double, typedOff);
        QFETCH(int, cut);
        QFETCH(CameraVerdict, verdict);
        QFETCH(CameraReason, reason);
        const Camera c = SampleCamera();
        const double tilt = c.theta * kRadToDeg;
        BoxTown s = DrawBoxTown(c, TownGrid(), kW, kH);
        if (cut > 0) {
            const int w = cut <= 2 ? int(0.85 * kW) : kW, h = cut <= 2 ? kH : int(0.85 * kH);
            const int x0 = cut == 1 ? kW - w : 0, y0 = cut == 3 ? kH - h : 0;
            const double cx = x0 + w / 2.0 - kW / 2.0, cy = kH / 2.0 - (y0 + h / 2.0);
            s.picture = Cut(s.picture, x0, y0, w, h);
            std::vector<PicturePoint> kept;
            for (const PicturePoint& p : s.clicks)
                if (std::fabs(p.x - cx) < w / 2.0 - 60 && std::fabs(p.y - cy) < h / 2.0 - 60)
                    kept.push_back({float(p.x - cx), float(p.y - cy)});
            s.clicks = kept;
        }
        const CameraCheck check = CheckScene(s.picture, s.clicks, tilt + typedOff);
        const QString text = QString::fromStdString(CameraReasonText(check));
        QCOMPARE(check.verdict, verdict);
        QVERIFY2(check.reason == reason, qPrintable(text));
        QVERIFY(check.verticals >= kFewestVerticals);
        QVERIFY(check.nadirX.has_value());
        if (cut == 0) {
            // Uncut: the picture's own tilt whatever was typed.
            QVERIFY(check.pictureTilt);
            QVERIFY2(std::fabs(*check.pictureTilt - tilt) < 0.5, qPrintable(text));
            QVERIFY(std::fabs(*check.nadirX) < 3 * check.nadirXUncertainty + 1);
        }
        if (check.verdict == CameraVerdict::Disagrees)
            QVERIFY2(CameraMisfitText(check).rfind("the camera does not fit the picture: ", 0) == 0,
                     qPrintable(text));
    }

    // A roof without walls below it (a flat light patch on the noisy
    // ground) shows no verticals that meet: nothing can be told.
    void noVerticalsIsUnknown() {
        const Camera c = SampleCamera();
        BoxTown s = DrawBoxTown(c, {}, kW, kH);
        FillPolygon(s.picture, {{-100, 0}, {40, 0}, {40, 80}, {-100, 80}}, 212);
        const CameraCheck check = CheckScene(s.picture, {{-30, 40}}, c.theta * kRadToDeg + 3);
        QCOMPARE(check.verdict, CameraVerdict::Unknown);
        QCOMPARE(check.reason, CameraReason::TooFewVerticals);
        QVERIFY(check.verticals < kFewestVerticals);
        QVERIFY(!check.pictureTilt);
    }
};

QTEST_APPLESS_MAIN(CameraCheckTest)
#include "test_cameracheck.moc"
