// SPDX-License-Identifier: GPL-3.0-or-later
// How well the camera check does on pictures whose camera is known
// exactly: the wider realistic set (its tuning half and its held-out half)
// and pictures of the same generator past its end, which nothing was tuned
// on. Each picture is checked four ways, with every building clicked as
// `velmora-cli camera` and `trace` click it:
//   right   the true altitudes;
//   wrong   a plan altitude that makes the tilt 3 degrees smaller, and one
//           that makes it 3 degrees larger (the inclined altitude kept);
//   cropped 15 % of the picture cut off its left, right, top or bottom
//           side, the true altitudes typed.
// Prints per part: how often a right camera is called wrong, how often a
// wrong one and a cropped picture are caught, how close the measured tilt
// is where one is measured, and the heights off by more than 3 m that a
// wrong camera leaves registered, with and without the check. -v adds a
// line per picture and case.
#include <QGuiApplication>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "data/BuildingData.h"
#include "data/Editing.h"
#include "data/Scenes.h"
#include "geometry/CameraModel.h"
#include "picture/GreyPicture.h"
#include "tools/realpics/RealisticTown.h"
#include "tools/realpics/WideTown.h"
#include "tracing/CameraCheck.h"
#include "tracing/RoofTracer.h"

using namespace velmora;
using realpics::TrueBuilding;

namespace {

bool verbose = false;
constexpr std::size_t kFewClicks = 3;
// With --residuals: each vertical of the right-camera pictures against the
// true nadir (angle off, in degrees and in its own standard deviations), for
// calibrating the measurement's uncertainty on the tuning half.
bool residuals = false;
std::vector<std::pair<double, double>> lineResiduals; // degrees, z

struct Counts {
    int pictures = 0;
    int agrees = 0;
    int disagrees = 0;
    int unknown = 0;
    void Add(const CameraCheck& c) {
        ++pictures;
        agrees += c.verdict == CameraVerdict::Agrees;
        disagrees += c.verdict == CameraVerdict::Disagrees;
        unknown += c.verdict == CameraVerdict::Unknown;
    }
};

struct Part {
    Counts right, wrong, cropped;
    // Only the first kFewClicks buildings clicked, as early in the window.
    Counts fewRight, fewWrong;
    int measured = 0; // right camera, picture tilt measured
    int within = 0;   // and within 1 degree of the truth
    int croppedMeasured = 0, croppedWithin = 0;
    std::map<std::string, int> unknownWhy;
    // Heights registered under a wrong camera, and those off by more than 3 m;
    // without the check, as the tracer alone leaves them.
    int wrongBuildings = 0, wrongOff = 0, wrongOffUnchecked = 0, wrongHeights = 0,
        wrongHeightsUnchecked = 0;
    // z-scores of the measured tilt against the truth (right camera).
    double sumZ2 = 0;
    int nZ = 0;
};

// The camera of a wrong plan altitude: the tilt `delta` degrees off, the
// inclined view's altitude kept.
TraceCamera Wrong(const TraceCamera& right, double delta, double width) {
    const double altitude = right.slantRange * std::cos(right.thetaRad);
    TraceCamera c;
    c.thetaRad = right.thetaRad + delta * kDegToRad;
    c.slantRange = altitude / std::cos(c.thetaRad);
    c.metresPerUnit = c.slantRange / (kImageWidthFactor * width);
    return c;
}

struct Traced {
    std::vector<std::vector<PicturePoint>> outlines;
    std::vector<std::optional<double>> heights; // per building, under the camera given
};

Traced TraceAll(const TraceInput& input, const std::vector<TrueBuilding>& buildings,
                const TraceCamera& camera) {
    Traced t;
    auto tracer = std::make_unique<RoofTracer>();
    tracer->SetInput(&input);
    auto d = std::make_unique<BuildingData>();
    for (const TrueBuilding& b : buildings) {
        std::optional<double> h;
        if (FindTopAreaAt(*d, b.click.x, b.click.y) < 0) {
            const TraceResult r = tracer->Trace(b.click.x, b.click.y, &camera);
            if (r.refusal == TraceRefusal::None) {
                RegisterTracedRoof(*d, r.outline, nullptr, nullptr);
                t.outlines.push_back(r.outline);
                if (r.wall)
                    h = LineHeight(*r.wall, camera);
            }
        }
        t.heights.push_back(h);
    }
    return t;
}

CameraCheck Check(const TraceInput& input, const Traced& t, double width, double typedTilt) {
    return CheckCameraAtRoofs(t.outlines, input.edges, width, typedTilt);
}

void Print(const char* what, const CameraCheck& c, double trueTilt) {
    if (!verbose)
        return;
    std::printf("    %-14s %-9s typed %5.2f true %5.2f picture %s (+- %.2f) nadir x %s, %d of %d "
                "verticals: %s\n",
                what, VerdictWord(c.verdict), c.typedTilt, trueTilt,
                c.pictureTilt ? QString::number(*c.pictureTilt, 'f', 2).toUtf8().constData()
                              : "none",
                c.tiltUncertainty,
                c.nadirX ? QString::number(*c.nadirX, 'f', 1).toUtf8().constData() : "none",
                c.verticals, c.measured, CameraReasonText(c).c_str());
}

void Note(Part& part, const CameraCheck& c) {
    if (c.verdict == CameraVerdict::Unknown) {
        std::string why = CameraReasonText(c);
        why = why.substr(0, why.find_first_of("(0123456789"));
        ++part.unknownWhy[why];
    }
}

void EvaluatePicture(const realpics::RealisticPicture& p, Part& part) {
    const int w = p.image.width(), h = p.image.height();
    const TraceInput input = PrepareTraceInput(GreyCopyOf(p.image));
    const TraceCamera right = realpics::CameraOf(p.preset, w);
    const double trueTilt = right.thetaRad * kRadToDeg;

    const Traced traced = TraceAll(input, p.buildings, right);
    if (residuals) {
        const double ny = NadirOfTilt(trueTilt, w);
        for (const auto& o : traced.outlines)
            for (const MeasuredVertical& v : MeasureVerticals(o, input.edges)) {
                const double want = std::atan2(0 - v.x, -(ny - v.y));
                const double got = std::atan2(v.dx, -v.dy);
                lineResiduals.push_back({(got - want) * kRadToDeg, (got - want) / v.sigmaAngle});
                if (verbose)
                    std::printf(
                        "      line at (%.0f,%.0f) length %.0f: off %.2f deg, sigma %.2f deg\n",
                        v.x, v.y, v.length, (got - want) * kRadToDeg, v.sigmaAngle * kRadToDeg);
            }
    }
    const CameraCheck rc = Check(input, traced, w, trueTilt);
    part.right.Add(rc);
    Note(part, rc);
    Print("right", rc, trueTilt);
    if (rc.pictureTilt) {
        ++part.measured;
        part.within += std::fabs(*rc.pictureTilt - trueTilt) <= 1.0;
        if (rc.tiltUncertainty > 0) {
            const double z = (*rc.pictureTilt - trueTilt) / rc.tiltUncertainty;
            part.sumZ2 += z * z;
            ++part.nZ;
        }
    }

    for (const double delta : {-3.0, 3.0}) {
        const TraceCamera wrong = Wrong(right, delta, w);
        const Traced t = TraceAll(input, p.buildings, wrong);
        const CameraCheck c = Check(input, t, w, wrong.thetaRad * kRadToDeg);
        part.wrong.Add(c);
        Note(part, c);
        Print(delta < 0 ? "3 deg smaller" : "3 deg larger", c, trueTilt);
        for (std::size_t i = 0; i < p.buildings.size(); ++i) {
            ++part.wrongBuildings;
            const std::optional<double>& height = t.heights[i];
            if (!height)
                continue;
            const bool off = std::fabs(*height - p.buildings[i].height) > 3;
            ++part.wrongHeightsUnchecked;
            part.wrongOffUnchecked += off;
            if (c.verdict != CameraVerdict::Disagrees) {
                ++part.wrongHeights;
                part.wrongOff += off;
            }
        }
    }

    {
        const std::vector<TrueBuilding> few(
            p.buildings.begin(), p.buildings.begin() + std::min(kFewClicks, p.buildings.size()));
        const Traced t = TraceAll(input, few, right);
        const CameraCheck c = Check(input, t, w, trueTilt);
        part.fewRight.Add(c);
        Print("right, 3 clicks", c, trueTilt);
        for (const double delta : {-3.0, 3.0}) {
            const TraceCamera wrong = Wrong(right, delta, w);
            const CameraCheck cw =
                Check(input, TraceAll(input, few, wrong), w, wrong.thetaRad * kRadToDeg);
            part.fewWrong.Add(cw);
            Print("3 deg, 3 clicks", cw, trueTilt);
        }
    }

    // 15 % cut off one side: the picture's centre moves, the typed
    // altitudes stay.
    const char* sides[] = {"cut left", "cut right", "cut top", "cut bottom"};
    for (int side = 0; side < 4; ++side) {
        const bool across = side < 2;
        const int cw = across ? int(std::lround(0.85 * w)) : w;
        const int ch = across ? h : int(std::lround(0.85 * h));
        const int x0 = side == 0 ? w - cw : 0, y0 = side == 2 ? h - ch : 0;
        const QImage cut = p.image.copy(x0, y0, cw, ch);
        // The cut picture's centre in the whole picture's coordinates.
        const double cx = x0 + cw / 2.0 - w / 2.0, cy = h / 2.0 - (y0 + ch / 2.0);
        std::vector<TrueBuilding> inside;
        for (TrueBuilding b : p.buildings) {
            bool keep = true;
            for (PicturePoint& q : b.roof) {
                q = {float(q.x - cx), float(q.y - cy)};
                keep = keep && std::fabs(q.x) < cw / 2.0 - 4 && std::fabs(q.y) < ch / 2.0 - 4;
            }
            b.click = {float(std::round(b.click.x - cx)), float(std::round(b.click.y - cy))};
            if (keep)
                inside.push_back(b);
        }
        const TraceInput cutInput = PrepareTraceInput(GreyCopyOf(cut));
        const TraceCamera typed = realpics::CameraOf(p.preset, cw);
        const Traced t = TraceAll(cutInput, inside, typed);
        const CameraCheck c = Check(cutInput, t, cw, trueTilt);
        part.cropped.Add(c);
        Note(part, c);
        // The tilt the cut picture's verticals truly show in its own units.
        const double nadir = NadirOfTilt(trueTilt, w) - cy;
        const double shown = TiltOfNadir(nadir, cw);
        Print(sides[side], c, shown);
        if (c.pictureTilt) {
            ++part.croppedMeasured;
            part.croppedWithin += std::fabs(*c.pictureTilt - shown) <= 1.0;
        }
    }
}

double Pct(int n, int of) {
    return of > 0 ? 100.0 * n / of : 0.0;
}

void Report(const char* name, const Part& p) {
    std::printf("%s\n", name);
    std::printf(
        "  right camera:   %3d pictures: agrees %3d, unknown %3d, disagrees %3d -> no false "
        "alarm on %.1f %%\n",
        p.right.pictures, p.right.agrees, p.right.unknown, p.right.disagrees,
        Pct(p.right.pictures - p.right.disagrees, p.right.pictures));
    std::printf("  camera 3 deg off: %3d cases: agrees %3d, unknown %3d, disagrees %3d -> flagged "
                "on %.1f %%\n",
                p.wrong.pictures, p.wrong.agrees, p.wrong.unknown, p.wrong.disagrees,
                Pct(p.wrong.disagrees, p.wrong.pictures));
    std::printf("  15 %% cut off:    %3d cases: agrees %3d, unknown %3d, disagrees %3d -> flagged "
                "on %.1f %%\n",
                p.cropped.pictures, p.cropped.agrees, p.cropped.unknown, p.cropped.disagrees,
                Pct(p.cropped.disagrees, p.cropped.pictures));
    std::printf("  tilt measured on %d of %d right-camera pictures, within 1 deg on %d (%.1f %%); "
                "rms z %.2f\n",
                p.measured, p.right.pictures, p.within, Pct(p.within, p.measured),
                p.nZ > 0 ? std::sqrt(p.sumZ2 / p.nZ) : 0.0);
    std::printf("  tilt measured on %d of %d cut pictures, within 1 deg of their own on %d "
                "(%.1f %%)\n",
                p.croppedMeasured, p.cropped.pictures, p.croppedWithin,
                Pct(p.croppedWithin, p.croppedMeasured));
    std::printf("  wrong camera, %d buildings: heights registered %d, off by > 3 m %d (%.1f %% of "
                "the buildings); without the check %d registered, %d off (%.1f %%)\n",
                p.wrongBuildings, p.wrongHeights, p.wrongOff, Pct(p.wrongOff, p.wrongBuildings),
                p.wrongHeightsUnchecked, p.wrongOffUnchecked,
                Pct(p.wrongOffUnchecked, p.wrongBuildings));
    std::printf(
        "  3 clicks only:  right camera %d: agrees %d, unknown %d, disagrees %d; 3 deg off %d: "
        "agrees %d, unknown %d, disagrees %d\n",
        p.fewRight.pictures, p.fewRight.agrees, p.fewRight.unknown, p.fewRight.disagrees,
        p.fewWrong.pictures, p.fewWrong.agrees, p.fewWrong.unknown, p.fewWrong.disagrees);
    for (const auto& [why, n] : p.unknownWhy)
        std::printf("  unknown: %s: %d\n", why.c_str(), n);
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    int fresh = 28;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-v") == 0)
            verbose = true;
        else if (std::strcmp(argv[i], "--residuals") == 0)
            residuals = true;
        else if (std::strcmp(argv[i], "--fresh") == 0 && i + 1 < argc)
            fresh = std::atoi(argv[++i]);
    }
    // Sample picture 1: its buildings' walls follow a real picture's
    // hand-drawn lines, not the model exactly.
    {
        const QImage image(":/samples/sample1.png");
        const DemoScene& scene = SamplePictureScene(1);
        std::vector<TrueBuilding> buildings;
        for (const PicturePoint& c : scene.clickPoints)
            buildings.push_back({{}, c, 0});
        const TraceInput input = PrepareTraceInput(GreyCopyOf(image));
        const TraceCamera right = realpics::CameraOf(1, image.width());
        const double tilt = right.thetaRad * kRadToDeg;
        const Traced t = TraceAll(input, buildings, right);
        const double ny = NadirOfTilt(tilt, image.width());
        for (const auto& o : t.outlines)
            for (const MeasuredVertical& v : MeasureVerticals(o, input.edges)) {
                const double want = std::atan2(0 - v.x, -(ny - v.y));
                const double got = std::atan2(v.dx, -v.dy);
                if (residuals)
                    std::printf("  sample 1 line at (%.0f,%.0f) length %.0f: off %.2f deg, sigma "
                                "%.2f deg\n",
                                v.x, v.y, v.length, (got - want) * kRadToDeg,
                                v.sigmaAngle * kRadToDeg);
            }
        const CameraCheck c = Check(input, t, image.width(), tilt);
        std::printf("sample picture 1, its own altitudes, 7 clicks: %s: %s\n",
                    VerdictWord(c.verdict), CameraReasonText(c).c_str());
        if (residuals)
            return 0;
    }
    Part tuning, heldOut, freshPart;
    for (int i = 0; i < realpics::kWidePictureCount + fresh; ++i) {
        const realpics::RealisticPicture p = realpics::PaintWidePicture(i);
        if (verbose)
            std::printf("  wide picture %d (preset %d, %zu buildings)\n", i + 1, p.preset,
                        p.buildings.size());
        EvaluatePicture(p, i < realpics::kWideTuningCount    ? tuning
                           : i < realpics::kWidePictureCount ? heldOut
                                                             : freshPart);
    }
    if (residuals && !lineResiduals.empty()) {
        std::vector<double> deg, z;
        for (const auto& [d, zz] : lineResiduals) {
            deg.push_back(std::fabs(d));
            z.push_back(std::fabs(zz));
        }
        std::sort(deg.begin(), deg.end());
        std::sort(z.begin(), z.end());
        auto q = [](const std::vector<double>& v, double f) {
            return v[std::size_t(f * (v.size() - 1))];
        };
        std::printf(
            "%zu verticals against the true nadir: |off| median %.2f, 80 %% %.2f, 95 %% %.2f "
            "deg; |z| median %.2f, 80 %% %.2f, 95 %% %.2f\n",
            deg.size(), q(deg, 0.5), q(deg, 0.8), q(deg, 0.95), q(z, 0.5), q(z, 0.8), q(z, 0.95));
    }
    Report("tuning half of the wider set", tuning);
    Report("held-out half of the wider set", heldOut);
    if (fresh > 0)
        Report("fresh pictures past the set's end (held out)", freshPart);
    return 0;
}
