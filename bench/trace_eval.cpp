// SPDX-License-Identifier: GPL-3.0-or-later
// How well one-click tracing does on pictures like real screenshots. Traces
// every building of the wider realistic set (its tuning half and its
// held-out half, and the flat-fill pictures among them), of the first
// realistic set and of sample picture 1 the way the main window does it,
// with the same clicks twice: "before", the dominant-grey gate and the wall
// stage's line unchecked; "after", the roof's own grey and the height
// searched in the picture's edges. Prints a table with the refused clicks
// by reason; -v adds one line per building.
#include <QGuiApplication>
#include <QPainter>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "data/Scenes.h"
#include "geometry/CameraModel.h"
#include "geometry/Polygon.h"
#include "picture/GreyPicture.h"
#include "tools/realpics/DenseTown.h"
#include "tools/realpics/RealisticTown.h"
#include "tools/realpics/WideTown.h"
#include "tracing/RoofTracer.h"
#include "tracing/TraceSource.h"
#include "tracing/WholePicture.h"

using namespace velmora;
using realpics::TrueBuilding;

namespace {

struct Tally {
    int buildings = 0;
    int roofs = 0; // every corner within 3 px of the true outline
    int walls = 0; // a wall line registered
    int good = 0;  // height within 1.5 m
    int wrong = 0; // height off by more than 3 m
    double cleanMs = 0;
    std::map<std::string, int> refused; // clicks that traced nothing, by reason
    std::map<std::string, int> noWall;  // traced roofs without a wall, by reason

    void Add(const Tally& t) {
        buildings += t.buildings;
        roofs += t.roofs;
        walls += t.walls;
        good += t.good;
        wrong += t.wrong;
        cleanMs = std::max(cleanMs, t.cleanMs);
        for (const auto& [why, n] : t.refused)
            refused[why] += n;
        for (const auto& [why, n] : t.noWall)
            noWall[why] += n;
    }
};

bool verbose = false;
// With --draw FOLDER: each picture with the true outlines (red), the traced
// ones (blue) and the wall lines (green), for looking at failures.
QString drawFolder;
// With --first N: the first set's pictures N ... N + 15 instead of 0 ... 15.
// With --count N: only the wider set's first N pictures.
int firstPicture = 0;
int pictureCount = 0;
// With --fresh N: also N pictures of the wider set past its end (indices 28
// on), which nobody tuned on or looked at: a second held-out set.
int freshCount = 0;
// With --wide-only: the wider set and sample picture 1 only; with
// --dense-only: the dense town blocks only.
bool wideOnly = false;
bool denseOnly = false;
int drawn = 0;
// With --settings EDGE,STEP,HOLD: other cleaning settings, for comparison.
TraceSourceSettings settings;

QPointF Pixel(const QImage& image, PicturePoint p) {
    return {p.x + image.width() / 2.0, image.height() / 2.0 - p.y};
}

// With --true-roofs: the "after" heights are searched from each building's
// true roof outline instead of the traced one, so that the height stage is
// measured on its own (among crowded roofs, from the same click's trace;
// without the wall stage's line, which needs the traced region).
bool trueRoofs = false;
// With --after-only: the "before" path is not run.
bool afterOnly = false;

std::string RefusalText(TraceRefusal r) {
    switch (r) {
    case TraceRefusal::None:
        return {};
    case TraceRefusal::NotOnRoof:
        return "not an even roof surface";
    case TraceRefusal::NoClosedEdge:
        return "no closed roof edge";
    case TraceRefusal::NoOutline:
        return "no outline";
    }
    return {};
}

// The clicks one after the other as in the window.
std::vector<realpics::TraceOutcome> TraceInTurn(const TraceInput& input, int preset, int width,
                                                const std::vector<TrueBuilding>& buildings,
                                                bool crowdedSet) {
    const TraceCamera camera = realpics::CameraOf(preset, width);
    auto tracer = std::make_unique<RoofTracer>();
    tracer->SetInput(&input);
    std::vector<realpics::TraceOutcome> out;
    for (const TrueBuilding& b : buildings) {
        realpics::TraceOutcome o;
        const TraceResult r = tracer->Trace(b.click.x, b.click.y, &camera);
        o.refused = RefusalText(r.refusal);
        o.outline = r.outline;
        if (o.outline.size() >= 4) {
            o.worstCorner = 0;
            for (const PicturePoint& q : o.outline)
                o.worstCorner = std::max(o.worstCorner, realpics::DistanceToOutline(b.roof, q));
        }
        HeightChoice height = r.height;
        std::optional<WallLine> wall = r.wall;
        if (trueRoofs) {
            std::vector<PicturePoint> outline = b.roof;
            outline.push_back(b.roof.front());
            const ClickHeight c = SettleClickHeight(outline, camera, input.edges, &input.grey,
                                                    crowdedSet, std::nullopt);
            height = c.height;
            wall.reset();
            if (c.wall == WallSource::Search)
                wall = c.height.wall;
        }
        o.searched = height.height;
        o.support = height.support;
        o.rival = height.rival;
        o.groundSupport = height.groundSupport;
        o.verticalSupport = height.verticalSupport;
        o.margin = height.margin;
        if (wall) {
            o.wall = wall;
            o.height = LineHeight(*wall, camera);
        } else if (trueRoofs || r.refusal == TraceRefusal::None) {
            o.noWall = HeightVerdictReason(height.verdict);
        }
        out.push_back(std::move(o));
    }
    return out;
}

// `after`: the window's path now; otherwise the path before the height search.
// `crowdedSet`: a dense block, for --true-roofs.
Tally Evaluate(const QImage& image, int preset, const std::vector<TrueBuilding>& buildings,
               bool after, bool crowdedSet = false) {
    Tally t;
    const GreyRaster plain = GreyCopyOf(image);
    const auto start = std::chrono::steady_clock::now();
    std::vector<realpics::TraceOutcome> outcomes;
    if (after) {
        const TraceInput input = PrepareTraceInput(plain);
        t.cleanMs =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        outcomes = TraceInTurn(input, preset, image.width(), buildings, crowdedSet);
    } else {
        outcomes =
            realpics::TraceEach(TracingGreyOf(plain, settings), preset, image.width(), buildings);
    }
    QImage canvas = image.convertToFormat(QImage::Format_RGB32);
    QPainter painter;
    if (!drawFolder.isEmpty())
        painter.begin(&canvas);
    for (std::size_t i = 0; i < buildings.size(); ++i) {
        const TrueBuilding& b = buildings[i];
        const realpics::TraceOutcome& o = outcomes[i];
        ++t.buildings;
        if (!o.refused.empty())
            ++t.refused[o.refused];
        if (!o.noWall.empty())
            ++t.noWall[o.noWall];
        t.roofs += o.worstCorner >= 0 && o.worstCorner <= 3;
        t.walls += o.wall.has_value();
        t.good += o.height && std::fabs(*o.height - b.height) <= 1.5;
        t.wrong += o.height && !(std::fabs(*o.height - b.height) <= 3);
        if (painter.isActive()) {
            painter.setPen(Qt::blue);
            for (std::size_t k = 0; k + 1 < o.outline.size(); ++k)
                painter.drawLine(Pixel(image, o.outline[k]), Pixel(image, o.outline[k + 1]));
            painter.setPen(Qt::green);
            if (o.wall)
                painter.drawLine(Pixel(image, o.wall->top), Pixel(image, o.wall->bottom));
            painter.setPen(Qt::red);
            painter.drawEllipse(Pixel(image, b.click), 2, 2);
            for (std::size_t k = 0; k < b.roof.size(); ++k)
                painter.drawLine(Pixel(image, b.roof[k]),
                                 Pixel(image, b.roof[(k + 1) % b.roof.size()]));
            painter.drawText(
                Pixel(image, b.click) + QPointF(4, 0),
                QString("%1/%2").arg(b.height, 0, 'f', 1).arg(o.height.value_or(0), 0, 'f', 1));
        }
        if (verbose) {
            const QString roof =
                o.worstCorner < 0 ? "none" : QString("%1 px").arg(o.worstCorner, 0, 'f', 1);
            const QString wall = o.wall ? QString("wall (%1,%2)-(%3,%4) %5 m")
                                              .arg(o.wall->top.x)
                                              .arg(o.wall->top.y)
                                              .arg(o.wall->bottom.x)
                                              .arg(o.wall->bottom.y)
                                              .arg(o.height.value_or(0), 0, 'f', 1)
                                        : QString("no wall");
            std::printf("    click (%4.0f,%4.0f) true height %5.1f m: roof %s, %s%s%s%s%s"
                        " (search %.1f m, support %.2f (feet %.2f, verticals %.2f), rival %.1f m "
                        "at %.2f)\n",
                        b.click.x, b.click.y, b.height, qPrintable(roof), qPrintable(wall),
                        o.refused.empty() ? "" : ", refused: ", o.refused.c_str(),
                        o.noWall.empty() ? "" : ", ", o.noWall.c_str(), o.searched, o.support,
                        o.groundSupport, o.verticalSupport, o.rival, o.margin);
        }
    }
    if (painter.isActive()) {
        painter.end();
        canvas.save(QString("%1/%2%3.png")
                        .arg(drawFolder)
                        .arg(after ? "after" : "before")
                        .arg(++drawn, 2, 10, QChar('0')));
    }
    return t;
}

std::vector<TrueBuilding> SampleBuildings(int picture) {
    const DemoScene& s = SamplePictureScene(picture);
    std::vector<TrueBuilding> out;
    for (std::size_t r = 0; r < s.roofs.size() && r < s.clickPoints.size(); ++r) {
        TrueBuilding b;
        for (int i = s.roofs[r].start; i + 1 < s.roofs[r].start + s.roofs[r].count; ++i)
            b.roof.push_back(s.points[std::size_t(i)]);
        b.click = s.clickPoints[r];
        b.height = s.roofs[r].height;
        out.push_back(b);
    }
    return out;
}

void Row(const char* name, const Tally& t) {
    auto pct = [&](int n) { return t.buildings ? 100.0 * n / t.buildings : 0.0; };
    std::printf("%-26s %9d %5d (%5.1f%%) %5d (%5.1f%%) %5d (%5.1f%%) %5d (%5.1f%%)\n", name,
                t.buildings, t.roofs, pct(t.roofs), t.walls, pct(t.walls), t.good, pct(t.good),
                t.wrong, pct(t.wrong));
    std::string why;
    for (const auto& [reason, n] : t.refused)
        why += "  " + reason + ": " + std::to_string(n);
    if (!why.empty())
        std::printf("%-26s   refused:%s\n", "", why.c_str());
    why.clear();
    for (const auto& [reason, n] : t.noWall)
        why += "  " + reason + ": " + std::to_string(n);
    if (!why.empty())
        std::printf("%-26s   no wall:%s\n", "", why.c_str());
}

// The whole-picture search on one set: every building found without a
// click, matched to the true buildings by the found roof's centre.
struct WholeTally {
    int buildings = 0;
    int registered = 0;
    int exact = 0;      // matched, every corner within 3 px of the true outline
    int good = 0;       // matched, height within 1.5 m
    int wrong = 0;      // matched, height off by more than 3 m
    int heights = 0;    // matched with a height
    int falses = 0;     // matching no building
    int duplicates = 0; // a building registered more than once (the extra ones)
    // Matching a roof the truth list leaves out (by realpics::UnlistedWhy):
    // real, but not to be registered either where mostly hidden or cut.
    int unlisted[4] = {};
    double slowestMs = 0;
    void Add(const WholeTally& t) {
        for (int k = 0; k < 4; ++k)
            unlisted[k] += t.unlisted[k];
        buildings += t.buildings;
        registered += t.registered;
        exact += t.exact;
        good += t.good;
        wrong += t.wrong;
        heights += t.heights;
        falses += t.falses;
        duplicates += t.duplicates;
        slowestMs = std::max(slowestMs, t.slowestMs);
    }
};

// Longest extent over the width across its deepest point.
double Elongation(const std::vector<PicturePoint>& o) {
    double longest = 0;
    for (const PicturePoint& a : o)
        for (const PicturePoint& b : o)
            longest = std::max(longest, double(std::hypot(a.x - b.x, a.y - b.y)));
    return longest / std::max(1e-9, 2 * RoofThickness(o));
}

PicturePoint Centre(const std::vector<PicturePoint>& outline) {
    // The area centroid: a thin L's vertex mean may lie outside it.
    double a = 0, cx = 0, cy = 0;
    const std::size_t n = outline.size() - 1; // ends on its first point
    for (std::size_t i = 0; i < n; ++i) {
        const PicturePoint p = outline[i], q = outline[i + 1];
        const double c = double(p.x) * q.y - double(q.x) * p.y;
        a += c;
        cx += (p.x + q.x) * c;
        cy += (p.y + q.y) * c;
    }
    if (std::fabs(a) < 1e-9)
        return outline.front();
    return {float(cx / (3 * a)), float(cy / (3 * a))};
}

// `tuning`: details are printed with -v only for tuning pictures.
WholeTally EvaluateWhole(const realpics::RealisticPicture& p, bool tuning) {
    const bool verbose = ::verbose && tuning;
    WholeTally t;
    const TraceInput input = PrepareTraceInput(GreyCopyOf(p.image));
    const TraceCamera camera = realpics::CameraOf(p.preset, p.image.width());
    auto tracer = std::make_unique<RoofTracer>();
    const auto start = std::chrono::steady_clock::now();
    const WholePictureResult found = FindEveryRoof(*tracer, input, camera, {});
    t.slowestMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    t.buildings = int(p.buildings.size());
    t.registered = int(found.roofs.size());
    std::vector<int> hits(p.buildings.size(), 0);
    if (verbose)
        for (const realpics::UnlistedRoof& u : p.unlisted) {
            std::printf("    unlisted (%d) %.1f m:", int(u.why), u.height);
            for (const PicturePoint& q : u.seen)
                std::printf(" (%.0f,%.0f)", q.x, q.y);
            std::printf("\n");
        }
    for (const FoundRoof& f : found.roofs) {
        const PicturePoint c = Centre(f.traced.outline);
        std::size_t match = p.buildings.size();
        for (std::size_t b = 0; b < p.buildings.size(); ++b)
            if (InsidePolygon(p.buildings[b].roof, c))
                match = b;
        if (match == p.buildings.size()) {
            const auto u = std::find_if(
                p.unlisted.begin(), p.unlisted.end(),
                [&](const realpics::UnlistedRoof& r) { return InsidePolygon(r.seen, c); });
            if (u != p.unlisted.end()) {
                ++t.unlisted[int(u->why)];
                if (verbose)
                    std::printf("    unlisted roof (%d) at (%.0f, %.0f), %.1f m\n", int(u->why),
                                c.x, c.y, u->height);
                continue;
            }
            ++t.falses;
            if (verbose)
                std::printf("    false roof at (%.0f, %.0f), %zu corners (%.1f m, vert %.2f feet "
                            "%.2f, %s, %.1f px thick, %.1f long)\n",
                            c.x, c.y, f.traced.outline.size() - 1, f.traced.height.height,
                            f.traced.height.verticalSupport, f.traced.height.groundSupport,
                            f.traced.height.verdict == HeightVerdict::Found ? "found" : "not found",
                            RoofThickness(f.traced.outline), Elongation(f.traced.outline));
            continue;
        }
        if (++hits[match] > 1) {
            ++t.duplicates;
            continue;
        }
        const TrueBuilding& b = p.buildings[match];
        double worst = 0;
        for (const PicturePoint& q : f.traced.outline)
            worst = std::max(worst, realpics::DistanceToOutline(b.roof, q));
        t.exact += worst <= 3;
        if (verbose)
            std::printf("    building roof at (%.0f, %.0f), %zu corners (%.1f m, vert %.2f feet "
                        "%.2f, %s, %.1f px thick, %.1f long)\n",
                        c.x, c.y, f.traced.outline.size() - 1, f.traced.height.height,
                        f.traced.height.verticalSupport, f.traced.height.groundSupport,
                        f.traced.height.verdict == HeightVerdict::Found ? "found" : "not found",
                        RoofThickness(f.traced.outline), Elongation(f.traced.outline));
        if (f.traced.wall) {
            const std::optional<double> h = LineHeight(*f.traced.wall, camera);
            ++t.heights;
            t.good += h && std::fabs(*h - b.height) <= 1.5;
            t.wrong += h && !(std::fabs(*h - b.height) <= 3);
        }
    }
    if (!drawFolder.isEmpty()) {
        QImage canvas = p.image.convertToFormat(QImage::Format_RGB32);
        QPainter painter(&canvas);
        for (const TrueBuilding& b : p.buildings) {
            painter.setPen(Qt::red);
            for (std::size_t k = 0; k < b.roof.size(); ++k)
                painter.drawLine(Pixel(p.image, b.roof[k]),
                                 Pixel(p.image, b.roof[(k + 1) % b.roof.size()]));
        }
        for (const FoundRoof& f : found.roofs) {
            painter.setPen(Qt::blue);
            const std::vector<PicturePoint>& o = f.traced.outline;
            for (std::size_t k = 0; k + 1 < o.size(); ++k)
                painter.drawLine(Pixel(p.image, o[k]), Pixel(p.image, o[k + 1]));
            painter.setPen(Qt::green);
            if (f.traced.wall)
                painter.drawLine(Pixel(p.image, f.traced.wall->top),
                                 Pixel(p.image, f.traced.wall->bottom));
        }
        painter.end();
        canvas.save(QString("%1/whole%2.png").arg(drawFolder).arg(++drawn, 2, 10, QChar('0')));
    }
    if (verbose)
        for (std::size_t b = 0; b < p.buildings.size(); ++b) {
            if (hits[b] != 0)
                continue;
            std::printf("    missed (%.0f, %.0f) %.1f m:", p.buildings[b].click.x,
                        p.buildings[b].click.y, p.buildings[b].height);
            static const char* const kWhy[] = {"no face",   "at the edge", "duplicate",
                                               "too small", "a face",      "a band"};
            for (const LeftCandidate& l : found.leftOut)
                if (InsidePolygon(p.buildings[b].roof, l.seed))
                    std::printf(" %s (%s %.1f m, vert %.2f feet %.2f)", kWhy[int(l.why)],
                                l.traced.height.verdict == HeightVerdict::Found     ? "found"
                                : l.traced.height.verdict == HeightVerdict::TooWeak ? "weak"
                                                                                    : "two",
                                l.traced.height.height, l.traced.height.verticalSupport,
                                l.traced.height.groundSupport);
            std::printf("\n");
        }
    return t;
}

void WholeRow(const char* name, const WholeTally& t) {
    auto pct = [](int n, int of) { return of ? 100.0 * n / of : 0.0; };
    std::printf(
        "%-22s %9d %10d %5d (%5.1f%%) %5d (%5.1f%%) %5d (%5.1f%%) %5d (%5.1f%%) %5d %6d %4d "
        "%4d %5d\n",
        name, t.buildings, t.registered, t.exact, pct(t.exact, t.buildings), t.good,
        pct(t.good, t.buildings), t.wrong, pct(t.wrong, t.buildings), t.falses,
        pct(t.falses, t.registered), t.duplicates, t.unlisted[0], t.unlisted[1], t.unlisted[2],
        t.unlisted[3]);
}

// --whole: the whole-picture search on the wider set's halves.
void WholeSearch() {
    // The last four columns: registered roofs the truth list leaves out,
    // mostly hidden, at the edge, low dark houses, others.
    std::printf("%-22s %9s %10s %14s %14s %14s %14s %5s %6s %4s %4s %5s\n", "whole picture",
                "buildings", "registered", "exact roofs", "height <=1.5 m", "off >3 m", "false",
                "twice", "hidden", "edge", "low", "other");
    WholeTally halves[2];
    for (int i = 0; i < realpics::kWidePictureCount; ++i) {
        if (verbose && i < realpics::kWideTuningCount)
            std::printf("  wide picture %d\n", i + 1);
        const bool tuning = i < realpics::kWideTuningCount;
        halves[tuning ? 0 : 1].Add(EvaluateWhole(realpics::PaintWidePicture(i), tuning));
    }
    WholeRow("isolated, tuning", halves[0]);
    WholeRow("isolated, held out", halves[1]);
    WholeTally dense[2];
    for (int i = 0; i < realpics::kDensePictureCount; ++i) {
        const bool tuning = i < realpics::kDenseTuningCount;
        if (verbose && tuning)
            std::printf("  dense picture %d\n", i + 1);
        dense[tuning ? 0 : 1].Add(EvaluateWhole(realpics::PaintDensePicture(i), tuning));
    }
    WholeRow("dense, tuning", dense[0]);
    WholeRow("dense, held out", dense[1]);
    halves[0].Add(dense[0]);
    halves[1].Add(dense[1]);
    std::printf("slowest search of one picture: %.0f ms\n",
                std::max(halves[0].slowestMs, halves[1].slowestMs));
}

} // namespace

// The grey copy and the cleaned one of a sample picture, side by side.
// "s1", "s2": a sample picture; "r1" ... a realistic one.
void Dump(const char* which, const char* file) {
    const int n = std::atoi(which + 1);
    const QImage image = which[0] == 'r'   ? realpics::PaintRealisticPicture(n - 1).image
                         : which[0] == 'w' ? realpics::PaintWidePicture(n - 1).image
                                           : QImage(QString(":/samples/sample%1.png").arg(n));
    const GreyRaster plain = GreyCopyOf(image);
    const GreyRaster clean = TracingGreyOf(plain);
    QImage out(plain.Width() * 2, plain.Height(), QImage::Format_Grayscale8);
    for (int r = 0; r < plain.Height(); ++r)
        for (int c = 0; c < plain.Width(); ++c) {
            out.scanLine(r)[c] = uchar(plain.At(c, r));
            out.scanLine(r)[c + plain.Width()] = uchar(clean.At(c, r));
        }
    out.save(file);
}

// The tracer's local frame after a trace at (x, y) of picture `which`: the
// grey it read, face edges yellow, followed wall paths red, corners blue.
void Debug(const char* which, double x, double y, const char* file) {
    const int n = std::atoi(which + 1);
    const QImage image = which[0] == 'r'   ? realpics::PaintRealisticPicture(n - 1).image
                         : which[0] == 'w' ? realpics::PaintWidePicture(n - 1).image
                         : which[0] == 'd' ? realpics::PaintDensePicture(n - 1).image
                                           : QImage(QString(":/samples/sample%1.png").arg(n));
    const TraceInput input = PrepareTraceInput(GreyCopyOf(image));
    auto t = std::make_unique<RoofTracer>();
    t->SetInput(&input);
    const TraceCamera camera = realpics::CameraOf(which[0] == 's' ? n : 2 - n % 2, image.width());
    const TraceResult r = t->Trace(x, y, &camera);
    if (r.refusal != TraceRefusal::None) {
        std::printf("refused\n");
        return;
    }
    std::printf("outline");
    for (const PicturePoint& p : r.outline)
        std::printf(" (%.1f,%.1f)", p.x, p.y);
    std::printf("\nroof grey %d, wall grey %d, corners", t->pRoofGrey, t->pWallGrey);
    // The wall stages reuse the maps: the region again, to draw it.
    t->FillRoofSurface();
    std::printf(" (region %d ... %d x %d ... %d)", t->pRegionMinX, t->pRegionMaxX, t->pRegionMinY,
                t->pRegionMaxY);
    for (const FlaggedCellRow& c : t->TopPointGrid)
        std::printf(" (%d,%d%s)", c.x, c.y, c.flag == 'B' ? " B" : "");
    std::printf("\nwall candidates:");
    for (const WallPointRow& w : t->WallPointGrid)
        std::printf(" (%d,%d)-(%d,%d)", w.topX, w.topY, w.bottomX, w.bottomY);
    std::printf("\n");
    QImage out(kLocalMaxX + 1, kLocalMaxY + 1, QImage::Format_RGB32);
    for (int ly = 0; ly <= kLocalMaxY; ++ly)
        for (int lx = 0; lx <= kLocalMaxX; ++lx) {
            const int g = t->GetLocalGrey(lx, ly);
            QRgb c = qRgb(g, g, g);
            if (t->gWorkMap.Get(lx, ly) == 1)
                c = qRgb(g / 2, g / 2, 255);
            else if (t->gWorkMap.Get(lx, ly) == 4)
                c = qRgb(255, 255, 0);
            else if (t->gWorkMap.Get(lx, ly) == 5)
                c = qRgb(255, 0, 0);
            out.setPixel(lx, kLocalMaxY - ly, c);
        }
    for (const FlaggedCellRow& c : t->TopPointGrid)
        out.setPixel(c.x, kLocalMaxY - c.y, qRgb(0, 0, 255));
    out.scaled(out.size() * 2).save(file);
}

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc == 6 && std::strcmp(argv[1], "--debug") == 0) {
        Debug(argv[2], std::atof(argv[3]), std::atof(argv[4]), argv[5]);
        return 0;
    }
    if (argc == 4 && std::strcmp(argv[1], "--dump") == 0) {
        Dump(argv[2], argv[3]);
        return 0;
    }
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-v") == 0)
            verbose = true;
        else if (std::strcmp(argv[i], "--settings") == 0 && i + 1 < argc)
            std::sscanf(argv[++i], "%d,%d,%d", &settings.edgeContrast, &settings.levelStep,
                        &settings.levelHold);
        else if (std::strcmp(argv[i], "--count") == 0 && i + 1 < argc)
            pictureCount = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--fresh") == 0 && i + 1 < argc)
            freshCount = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--first") == 0 && i + 1 < argc)
            firstPicture = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--wide-only") == 0)
            wideOnly = true;
        else if (std::strcmp(argv[i], "--dense-only") == 0)
            denseOnly = true;
        else if (std::strcmp(argv[i], "--true-roofs") == 0)
            trueRoofs = true;
        else if (std::strcmp(argv[i], "--after-only") == 0)
            afterOnly = true;
        else if (std::strcmp(argv[i], "--draw") == 0 && i + 1 < argc)
            drawFolder = QString::fromLocal8Bit(argv[++i]);
    }
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--whole") == 0) {
            WholeSearch();
            return 0;
        }
    std::printf("%-26s %9s %14s %14s %14s %14s\n", "", "buildings", "roof <=3 px", "wall",
                "height <=1.5 m", "off >3 m");
    if (trueRoofs)
        std::printf("(\"after\" heights from the true roof outlines)\n");
    const int wideCount = denseOnly          ? 0
                          : pictureCount > 0 ? std::min(pictureCount, realpics::kWidePictureCount)
                                             : realpics::kWidePictureCount;
    for (const bool after : {false, true}) {
        if (afterOnly && !after)
            continue;
        const char* when = after ? "after" : "before";
        Tally halves[2], flat;
        for (int i = 0; i < wideCount; ++i) {
            const realpics::RealisticPicture p = realpics::PaintWidePicture(i);
            if (verbose)
                std::printf("  wide picture %d (preset %d, JPEG quality %d)\n", i + 1, p.preset,
                            p.quality);
            const Tally t = Evaluate(p.image, p.preset, p.buildings, after);
            halves[i < realpics::kWideTuningCount ? 0 : 1].Add(t);
            if (realpics::IsFlatFillPicture(i))
                flat.Add(t);
        }
        if (wideCount > 0) {
            Row(QString("tuning half, %1").arg(when).toUtf8().constData(), halves[0]);
            Row(QString("held-out half, %1").arg(when).toUtf8().constData(), halves[1]);
            Row(QString("  flat fills, %1").arg(when).toUtf8().constData(), flat);
        }
        if (!wideOnly) {
            Tally dense[2];
            // Painted once, traced before and after.
            static std::vector<realpics::RealisticPicture> pictures;
            for (int i = int(pictures.size()); i < realpics::kDensePictureCount; ++i)
                pictures.push_back(realpics::PaintDensePicture(i));
            for (int i = 0; i < realpics::kDensePictureCount; ++i) {
                const realpics::RealisticPicture& p = pictures[std::size_t(i)];
                if (verbose)
                    std::printf("  dense picture %d (preset %d, JPEG quality %d)\n", i + 1,
                                p.preset, p.quality);
                dense[i < realpics::kDenseTuningCount ? 0 : 1].Add(
                    Evaluate(p.image, p.preset, p.buildings, after, true));
            }
            Row(QString("dense tuning, %1").arg(when).toUtf8().constData(), dense[0]);
            Row(QString("dense held-out, %1").arg(when).toUtf8().constData(), dense[1]);
        }
        if (denseOnly)
            continue;
        if (freshCount > 0) {
            Tally fresh;
            for (int i = realpics::kWidePictureCount; i < realpics::kWidePictureCount + freshCount;
                 ++i) {
                const realpics::RealisticPicture p = realpics::PaintWidePicture(i);
                fresh.Add(Evaluate(p.image, p.preset, p.buildings, after));
            }
            Row(QString("fresh pictures, %1").arg(when).toUtf8().constData(), fresh);
        }
        if (!wideOnly) {
            Tally first;
            for (int i = 0; i < realpics::kRealisticPictureCount; ++i) {
                const realpics::RealisticPicture p =
                    realpics::PaintRealisticPicture(firstPicture + i);
                first.Add(Evaluate(p.image, p.preset, p.buildings, after));
            }
            Row(QString("first set, %1").arg(when).toUtf8().constData(), first);
        }
        // Sample picture 2's scene has no double-click points.
        const QImage image(":/samples/sample1.png");
        Row(QString("sample 1, %1").arg(when).toUtf8().constData(),
            Evaluate(image, 1, SampleBuildings(1), after));
        if (after)
            std::printf("slowest preparation (cleaned copy and edges) of one picture: %.1f ms\n",
                        std::max(halves[0].cleanMs, halves[1].cleanMs));
    }
    return 0;
}
