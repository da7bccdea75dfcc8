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
#include "tracing/CameraCheck.h"
#include "tracing/RoofTracer.h"

using namespace velmora;

namespace {

constexpr int kW = 800;
constexpr int kH = 680;

struct Camera {
    double theta = 0; // radians
    double f = 0;
    double k = 0; // metres a picture unit
};

// Sample picture 1's camera (altitudes 589 m and 134 m).
Camera SampleCamera(int width = kW) {
    const double theta = 33.2212 * kDegToRad, f = 160.1795;
    return {theta, f, f / (kImageWidthFactor * width)};
}

struct Pt {
    double x = 0;
    double y = 0;
};

struct Box {
    Pt centre; // plan metres
    double w = 24;
    double d = 18;
    double h = 25;
};

bool Seen(const Camera& c, double x, double y, double h, Pt& p) {
    const auto q = ImagePoint(c.theta, c.f, x, y, h);
    if (!q)
        return false;
    p = {q->x / c.k, q->y / c.k};
    return true;
}

bool Inside(const std::vector<Pt>& poly, Pt p) {
    bool in = false;
    for (std::size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++)
        if ((poly[i].y > p.y) != (poly[j].y > p.y) &&
            p.x < (poly[j].x - poly[i].x) * (p.y - poly[i].y) / (poly[j].y - poly[i].y) + poly[i].x)
            in = !in;
    return in;
}

// Fills a picture polygon, each pixel by its centre.
void Fill(GreyRaster& g, const std::vector<Pt>& poly, int grey) {
    double x0 = 1e9, x1 = -1e9, y0 = 1e9, y1 = -1e9;
    for (const Pt& p : poly) {
        x0 = std::min(x0, p.x);
        x1 = std::max(x1, p.x);
        y0 = std::min(y0, p.y);
        y1 = std::max(y1, p.y);
    }
    const int w = g.Width(), h = g.Height();
    for (int r = std::max(0, int(h / 2.0 - y1) - 1); r <= std::min(h - 1, int(h / 2.0 - y0) + 1);
         ++r)
        for (int c = std::max(0, int(x0 + w / 2.0) - 1);
             c <= std::min(w - 1, int(x1 + w / 2.0) + 1); ++c)
            if (Inside(poly, {c - w / 2.0 + 0.5, h / 2.0 - r - 0.5}))
                g.Set(c, r, grey);
}

struct Scene {
    GreyRaster picture;
    std::vector<PicturePoint> clicks;
};

// Boxes on a 3 x 3 grid of picture positions: a noisy dark ground, grey
// faces (the two kinds of face in two greys), light roofs; far ones first.
Scene Draw(const Camera& c, const std::vector<Pt>& at) {
    Scene s;
    s.picture = GreyRaster(kW, kH);
    unsigned noise = 12345;
    for (int r = 0; r < kH; ++r)
        for (int col = 0; col < kW; ++col) {
            noise = noise * 1103515245u + 12345u;
            s.picture.Set(col, r, 60 + int((noise >> 16) % 25));
        }
    std::vector<Box> boxes;
    for (const Pt& p : at) {
        const auto g = PlanPoint(c.theta, c.f, p.x * c.k, p.y * c.k, 0);
        Box b;
        b.centre = {g->x, g->y};
        b.h = 18 + std::fmod(std::fabs(p.x * 0.07 + p.y * 0.05), 20.0);
        boxes.push_back(b);
    }
    std::sort(boxes.begin(), boxes.end(),
              [](const Box& a, const Box& b) { return a.centre.y > b.centre.y; });
    const double footY = -c.f * std::sin(c.theta);
    for (const Box& b : boxes) {
        const std::vector<Pt> plan{{b.centre.x - b.w / 2, b.centre.y - b.d / 2},
                                   {b.centre.x + b.w / 2, b.centre.y - b.d / 2},
                                   {b.centre.x + b.w / 2, b.centre.y + b.d / 2},
                                   {b.centre.x - b.w / 2, b.centre.y + b.d / 2}};
        std::vector<Pt> roof;
        for (std::size_t i = 0; i < plan.size(); ++i) {
            const Pt a = plan[i], e = plan[(i + 1) % plan.size()];
            // Outward normal of a counter-clockwise outline.
            const Pt n{e.y - a.y, a.x - e.x};
            const Pt mid{(a.x + e.x) / 2, (a.y + e.y) / 2};
            Pt r0, r1, g0, g1, top;
            Seen(c, a.x, a.y, b.h, top);
            roof.push_back(top);
            if (n.x * (0 - mid.x) + n.y * (footY - mid.y) <= 0)
                continue;
            if (Seen(c, a.x, a.y, 0, g0) && Seen(c, e.x, e.y, 0, g1) &&
                Seen(c, e.x, e.y, b.h, r1) && Seen(c, a.x, a.y, b.h, r0))
                Fill(s.picture, {g0, g1, r1, r0}, std::fabs(n.x) > std::fabs(n.y) ? 150 : 115);
        }
        Fill(s.picture, roof, 212);
        Pt click;
        Seen(c, b.centre.x, b.centre.y, b.h, click);
        s.clicks.push_back({float(std::round(click.x)), float(std::round(click.y))});
    }
    return s;
}

std::vector<Pt> Grid() {
    std::vector<Pt> at;
    for (const double x : {-250.0, 0.0, 250.0})
        for (const double y : {-170.0, 0.0, 170.0})
            at.push_back({x, y});
    return at;
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
        int i = 0;
        for (const double x : {-300.0, -200.0, -100.0, 120.0, 220.0, 320.0}) {
            tight.push_back(Line(x, 100, 0, -500, 0.003));
            // Each aimed 20 units beside the point, alternately.
            loose.push_back(Line(x, 100, (i++ % 2 ? 20.0 : -20.0), -500, 0.003));
        }
        const NadirFit a = FitNadir(tight, std::nullopt);
        const NadirFit b = FitNadir(loose, std::nullopt);
        QVERIFY(a.found && b.found);
        QVERIFY2(b.sigmaX > 3 * a.sigmaX, qPrintable(QString("%1 %2").arg(a.sigmaX).arg(b.sigmaX)));
    }

    // One box drawn through the camera: the verticals found below its
    // corners run towards the nadir within a fraction of a degree.
    void verticalsOfOneBuilding() {
        const Camera c = SampleCamera();
        const Scene s = Draw(c, {{-220, 60}});
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
        Scene s = Draw(c, Grid());
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

    // One building shows too few verticals to tell anything.
    void oneBuildingIsUnknown() {
        const Camera c = SampleCamera();
        const Scene s = Draw(c, {{-220, 60}});
        const CameraCheck check = CheckScene(s.picture, s.clicks, c.theta * kRadToDeg + 3);
        QCOMPARE(check.verdict, CameraVerdict::Unknown);
        QVERIFY(!check.pictureTilt);
        QVERIFY(!CameraReasonText(check).empty());
    }
};

QTEST_APPLESS_MAIN(CameraCheckTest)
#include "test_cameracheck.moc"
