// SPDX-License-Identifier: GPL-3.0-or-later
#include "tracing/RoofTracer.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>
#include <vector>

#include "data/Conventions.h"

namespace velmora {

namespace {

// Dominant roof grey: sample rows and columns of the whole picture.
// Clicks farther out than this lie beyond any picture the tracer reads.
constexpr double kFarClick = 1.0e7;
constexpr int kSampleFirstY = -185;
constexpr int kSampleLastY = 155;
constexpr int kSampleStepY = 10;
constexpr int kSampleFirstX = -249;
constexpr int kSampleLastX = 250;
constexpr int kDominantLow = 190;
constexpr int kDominantHigh = 230;
constexpr int kClickTolerance = 10;

// The clicked surface: a 3 x 3 window (of the cleaned copy, where fixtures
// and lines of a pixel or two are gone) whose median lies within the greys
// roofs show, and at least 6 in 10 of its pixels within kSamplingBand of it.
constexpr int kSurfaceHalf = 1;
constexpr int kLightestRoofLow = 150;
constexpr int kLightestRoofHigh = 250;
constexpr int kEvenTenths = 6;

// Roof-grey estimate.
constexpr int kSamplingBand = 10;
constexpr int kRunLimit = 21;
constexpr int kModeWindow = 15;

// Region fill.
constexpr int kRegionBand = 25;
constexpr int kMarkMinX = 2;
constexpr int kMarkMaxX = 495;
constexpr int kMarkMinY = 2;
constexpr int kMarkMaxY = 385;

constexpr double kClosureDistance = 40;

// The roof's own surface (Trace): greys this close to the roof grey, up to
// the roof's own edges, where the picture's gradient (Sobel units, four
// times a sharp step) reaches kEdgeBarrier. A parapet, the step down to a
// face and the step to a neighbour's roof all show such an edge, however
// alike the greys on either side.
constexpr int kSurfaceBand = 8;
constexpr int kEdgeBarrier = 20;
// A grey-band region this many times the surface within the roof's edges
// runs over them.
constexpr double kOverrun = 1.4;
// Spurs and threads of the region thinner than 2 kOpening + 1 pixels are
// no part of a roof.
constexpr int kOpening = 2;

constexpr std::uint8_t kRegion = 1;
constexpr std::uint8_t kBoundary = 3;
constexpr std::uint8_t kFirstTrace = 4;
constexpr std::uint8_t kSecondTrace = 5;

struct Band {
    int lo;
    int hi;
    bool operator()(int g) const { return lo <= g && g <= hi; }
};

int RoundToInt(double v) {
    return static_cast<int>(RoundHalfEven(v));
}

} // namespace

RoofTracer::RoofTracer() : rings_(InitRingTables()) {}

// ---- Frame and pixels ------------------------------------------------------

void RoofTracer::SetLocalFrame(double clickX, double clickY) {
    pLocalOffsetX = kClickLocalX - clickX;
    pLocalOffsetY = RoundToInt(kClickLocalY - clickY);
}

int RoofTracer::GetLocalGrey(int lx, int ly) const {
    if (picture_ == nullptr)
        return 0;
    const int g = picture_->Grey(lx - pLocalOffsetX, static_cast<double>(ly) - pLocalOffsetY);
    return (g >= 0 && g <= 255) ? g : 0;
}

PicturePoint RoofTracer::ToPicture(int lx, int ly) const {
    return {static_cast<float>(lx - pLocalOffsetX),
            static_cast<float>(static_cast<double>(ly) - pLocalOffsetY)};
}

// ---- Walk primitives -------------------------------------------------------

bool RoofTracer::Probe(int wanted, int cx, int cy) const {
    // The walk never looks above local y 390, although the maps reach 400.
    if (cx < 0 || cx > kLocalMaxX || cy < 0 || cy > kSweepMaxY)
        return false;
    return gWorkMap.Get(cx, cy) == wanted;
}

int RoofTracer::RingStep(int wanted, int& q, int& k, int& x, int& y) const {
    if (q < 0 || q >= kRingCount || k < 0 || k >= RingSize(q + 1))
        return 0;
    const StartIndices s = rings_.start[q][k];

    for (int i : rings_.ring1Order) {
        const CellOffset o = rings_.ring[1][i];
        if (Probe(wanted, x + o.dx, y + o.dy)) {
            q = 0;
            k = i;
            x += o.dx;
            y += o.dy;
            return 1;
        }
    }

    const int starts[] = {s.s2, s.s3, s.s4};
    for (int r = 2; r <= kRingCount; ++r) {
        const int n = RingSize(r);
        // Fan out from the start index: s, s-1, s+1, s-2, s+2, ... so the
        // jump keeps as close as possible to the previous direction.
        int f = starts[r - 2];
        int b = (f == 0) ? n - 1 : f - 1;
        for (int p = 0; p < n; ++p) {
            int i = 0;
            if (p % 2 == 0) {
                i = f;
                f = (f + 1 == n) ? 0 : f + 1;
            } else {
                i = b;
                b = (b == 0) ? n - 1 : b - 1;
            }
            const CellOffset o = rings_.ring[r][i];
            if (Probe(wanted, x + o.dx, y + o.dy)) {
                q = r - 1;
                k = i;
                x += o.dx;
                y += o.dy;
                return 1;
            }
        }
    }
    return 0;
}

int RoofTracer::StepDownWallEdge(int x, int y, int& nx, int& ny) const {
    for (int d = 1; d <= kFanRows; ++d) {
        for (int j = 0; j < RingTables::FanSize(d); ++j) {
            const int cx = x + rings_.fan[d][j];
            const int cy = y - d;
            if (LocalMap::Contains(cx, cy) && gWorkMap.Get(cx, cy) == kFirstTrace) {
                nx = cx;
                ny = cy;
                return 1;
            }
        }
    }
    return 0;
}

// ---- The double-click ----------------------------------------------------------

bool RoofTracer::TraceRoof(double clickX, double clickY) {
    // A click that is not a number, or so far out that no picture reaches
    // it, cannot be on a roof (and would overflow the local frame).
    if (!std::isfinite(clickX) || !std::isfinite(clickY) || std::abs(clickX) > kFarClick ||
        std::abs(clickY) > kFarClick)
        return false;
    SetLocalFrame(clickX, clickY);
    if (!ClickOnDominantGrey())
        return false;
    EstimateRoofGrey();
    FillRoofRegion();
    const int n = ExtractRegionBoundary();
    TraceRoofContour(n);
    FindRoofCorners();
    return true;
}

TraceResult RoofTracer::Trace(double clickX, double clickY, const TraceCamera* camera) {
    TraceResult out;
    if (!std::isfinite(clickX) || !std::isfinite(clickY) || std::abs(clickX) > kFarClick ||
        std::abs(clickY) > kFarClick) {
        out.refusal = TraceRefusal::NotOnRoof;
        return out;
    }
    SetLocalFrame(clickX, clickY);
    const int surface = ClickSurfaceGrey();
    if (surface < 0) {
        out.refusal = TraceRefusal::NotOnRoof;
        return out;
    }
    EstimateRoofGrey(surface);
    FillRoofRegion();
    // A surface that reaches the frame's edge has no roof edge around it
    // there (ground, a road, a roof bigger than the frame): its outline
    // would be the frame's, not the roof's.
    auto open = [&] {
        return pRegionMinX <= kMarkMinX || pRegionMaxX >= kMarkMaxX || pRegionMinY <= kMarkMinY ||
               pRegionMaxY >= kMarkMaxY;
    };
    // Where the grey band runs out of the frame (down a face as light as
    // the roof, over neighbours' roofs of nearly its grey), the roof's own
    // edges in the picture's gradients bound it.
    // A grey band that covers much more than the surface within the roof's
    // own edges ran over them: onto a neighbour's roof or down a face.
    bool bounded = false;
    if (edges_ != nullptr) {
        const bool ranOut = open();
        const long band = RegionArea();
        FillRoofSurface();
        bounded = ranOut || (!open() && RegionArea() * kOverrun < band);
        if (!bounded)
            FillRoofRegion();
    }
    if (open()) {
        out.refusal = TraceRefusal::NoClosedEdge;
        return out;
    }
    TraceRoofContour(ExtractRegionBoundary());
    if (bounded)
        BridgeSideNotches();
    FindRoofCorners();
    out.outline = bounded ? FittedRoofOutline() : TracedRoofOutline();
    // An outline without corners is refused, as the roof stages always did.
    if (out.outline.empty()) {
        out.refusal = TraceRefusal::NoOutline;
        out.outline.clear();
        return out;
    }
    FindWall();
    const std::optional<WallLine> staged = LongestWall();
    if (camera == nullptr || edges_ == nullptr)
        return out;
    out.searched = true;
    // The local frame may sit a fraction of a pixel off the picture's grid
    // (a click between pixels), while every pixel it reads is a whole one:
    // the search reads the edges where the traced pixels really lie, so a
    // click a little to one side measures the same roof the same way.
    const double grid = edges_->Width() / 2.0 - pLocalOffsetX;
    const auto shift = static_cast<float>(grid - std::floor(grid));
    std::vector<PicturePoint> onGrid = out.outline;
    for (PicturePoint& p : onGrid)
        p.x -= shift;
    // Crowded: the grey band ran past the roof (neighbours' roofs, faces
    // as light as it), as in a dense block.
    const bool crowded = bounded;
    const ClickHeight settled =
        SettleClickHeight(onGrid, *camera, *edges_, picture_, crowded, staged);
    out.height = settled.height;
    if (settled.wall == WallSource::Staged) {
        out.wall = staged;
    } else if (settled.wall == WallSource::Search) {
        // Drawn from the traced roof corner, in the outline's own frame.
        out.wall = out.height.wall;
        out.wall->top.x += shift;
        out.wall->bottom.x += shift;
    }
    return out;
}

int RoofTracer::ClickSurfaceGrey() const {
    if (picture_ == nullptr ||
        picture_->Grey(kClickLocalX - pLocalOffsetX,
                       static_cast<double>(kClickLocalY) - pLocalOffsetY) == kNoPixel)
        return -1;
    std::array<int, (2 * kSurfaceHalf + 1) * (2 * kSurfaceHalf + 1)> g{};
    std::size_t k = 0;
    for (int dy = -kSurfaceHalf; dy <= kSurfaceHalf; ++dy)
        for (int dx = -kSurfaceHalf; dx <= kSurfaceHalf; ++dx)
            g[k++] = GetLocalGrey(kClickLocalX + dx, kClickLocalY + dy);
    std::nth_element(g.begin(), g.begin() + g.size() / 2, g.end());
    const int median = g[g.size() / 2];
    if (median < kLightestRoofLow || median > kLightestRoofHigh)
        return -1;
    const auto near = std::count_if(g.begin(), g.end(),
                                    [&](int v) { return std::abs(v - median) <= kSamplingBand; });
    // Fixtures and parapet lines may cover part of the window, not most of it.
    if (near * 10 < static_cast<long>(g.size()) * kEvenTenths)
        return -1;
    return median;
}

bool RoofTracer::ClickOnDominantGrey() {
    const int base = FindDominantGrey();
    // Where the picture has no pixel (none loaded, or off its edge) the grey
    // reads 0, which a dark picture's dominant grey 0 would accept: the
    // empty frame would then be traced as one huge roof.
    if (picture_ == nullptr ||
        picture_->Grey(kClickLocalX - pLocalOffsetX,
                       static_cast<double>(kClickLocalY) - pLocalOffsetY) == kNoPixel)
        return false;
    const int g = GetLocalGrey(kClickLocalX, kClickLocalY);
    return std::abs(g - base) < kClickTolerance;
}

int RoofTracer::FindDominantGrey() {
    std::fill(pGreyHistogram.begin(), pGreyHistogram.begin() + 256, 0);
    // A sample outside the picture repeats the grey of the sample before it.
    int previous = 0;
    for (int y = kSampleFirstY; y <= kSampleLastY; y += kSampleStepY) {
        for (int x = kSampleFirstX; x <= kSampleLastX; ++x) {
            int g = picture_ != nullptr ? picture_->Grey(x, y) : kNoPixel;
            if (g < 0 || g > 255)
                g = previous;
            ++pGreyHistogram[g];
            previous = g;
        }
    }
    int best = 0;
    int bestCount = 0;
    for (int g = kDominantLow; g <= kDominantHigh; ++g) {
        if (pGreyHistogram[g] > bestCount) {
            bestCount = pGreyHistogram[g];
            best = g;
        }
    }
    return best;
}

void RoofTracer::EstimateRoofGrey(int seed) {
    std::fill(pGreyHistogram.begin(), pGreyHistogram.begin() + 256, 0);
    const int lx = kClickLocalX;
    const int ly = kClickLocalY;
    const int g0 = seed >= 0 ? seed : GetLocalGrey(lx, ly);
    const Band band{g0 - kSamplingBand, g0 + kSamplingBand};

    // One scan perpendicular to a sweep: counts every pixel it reads, in-band
    // pixels twice unless `inBandOnce`; ends at the first out-of-band pixel
    // after an in-band one, or at the 21st in-band pixel.
    auto scan = [&](int x, int y, int dx, int dy, bool inBandOnce) {
        int inBand = 0;
        for (; x >= 0 && x <= kLocalMaxX && y >= 0 && y <= kSweepMaxY; x += dx, y += dy) {
            const int g = GetLocalGrey(x, y);
            ++pGreyHistogram[g];
            if (band(g)) {
                if (!inBandOnce)
                    ++pGreyHistogram[g];
                if (++inBand == kRunLimit)
                    return;
            } else if (inBand > 0) {
                return;
            }
        }
    };

    for (int x = lx + 1; x <= kLocalMaxX && band(GetLocalGrey(x, ly)); ++x) {
        scan(x, ly + 1, 0, 1, true);
        scan(x, ly, 0, -1, false);
    }
    for (int x = lx; x >= 0 && band(GetLocalGrey(x, ly)); --x) {
        scan(x, ly + 1, 0, 1, true);
        scan(x, ly, 0, -1, false);
    }
    for (int y = ly + 1; y <= kSweepMaxY && band(GetLocalGrey(lx, y)); ++y) {
        scan(lx + 1, y, 1, 0, false);
        scan(lx, y, -1, 0, false);
    }
    for (int y = ly; y >= 0 && band(GetLocalGrey(lx, y)); --y) {
        scan(lx + 1, y, 1, 0, false);
        scan(lx, y, -1, 0, false);
    }

    int best = 0;
    int bestCount = 0;
    for (int g = std::max(0, g0 - kModeWindow); g <= g0 + kModeWindow; ++g) {
        if (pGreyHistogram[g] > bestCount) {
            bestCount = pGreyHistogram[g];
            best = g;
        }
    }
    pRoofGrey = best;
}

void RoofTracer::FillRoofRegion() {
    gWorkMap.Clear();
    gDilatedMap.Clear();
    const Band band{pRoofGrey - kRegionBand, pRoofGrey + kRegionBand};
    pRegionMaxX = -1;
    pRegionMaxY = -1;
    pRegionMinX = 1000;
    pRegionMinY = 1000;

    // Horizontal sweeps first (each column scanned up and down), then
    // vertical ones (each row scanned right and left).
    SweepRegion(true, band.lo, band.hi);
    SweepRegion(false, band.lo, band.hi);

    // Growth by one pixel in all eight directions, within the extremes' box only.
    for (int x = pRegionMinX; x <= pRegionMaxX; ++x) {
        for (int y = pRegionMinY; y <= pRegionMaxY; ++y) {
            if (gWorkMap.Get(std::clamp(x, 0, kLocalMaxX), std::clamp(y, 0, kLocalMaxY)) != kRegion)
                continue;
            for (int dx = -1; dx <= 1; ++dx)
                for (int dy = -1; dy <= 1; ++dy)
                    gDilatedMap.Set(x + dx, y + dy, 1);
        }
    }
}

bool RoofTracer::OnRoofEdge(int lx, int ly) const {
    if (!LocalMap::Contains(lx, ly))
        return true;
    std::uint8_t& known = edgeCache_[std::size_t(lx) * (kLocalMaxY + 1) + std::size_t(ly)];
    if (known == 0) {
        int gx = 0, gy = 0;
        const PicturePoint p = ToPicture(lx, ly);
        const bool edge = edges_ == nullptr || !edges_->Gradient(p.x, p.y, gx, gy) ||
                          gx * gx + gy * gy >= kEdgeBarrier * kEdgeBarrier;
        known = edge ? 2 : 1;
    }
    return known == 2;
}

bool RoofTracer::NearRoofEdge(int lx, int ly) const {
    return OnRoofEdge(lx, ly) || OnRoofEdge(lx + 1, ly) || OnRoofEdge(lx - 1, ly) ||
           OnRoofEdge(lx, ly + 1) || OnRoofEdge(lx, ly - 1);
}

long RoofTracer::RegionArea() const {
    long n = 0;
    for (int x = std::max(pRegionMinX, 0); x <= pRegionMaxX; ++x)
        for (int y = std::max(pRegionMinY, 0); y <= pRegionMaxY; ++y)
            n += gWorkMap.Get(x, y) == kRegion;
    return n;
}

void RoofTracer::FillRoofSurface() {
    gWorkMap.Clear();
    gDilatedMap.Clear();
    pRegionMaxX = -1;
    pRegionMaxY = -1;
    pRegionMinX = 1000;
    pRegionMinY = 1000;
    std::fill(edgeCache_.begin(), edgeCache_.end(), std::uint8_t{0});
    const Band band{pRoofGrey - kSurfaceBand, pRoofGrey + kSurfaceBand};
    auto mark = [&](int x, int y) {
        gWorkMap.Set(x, y, kRegion);
        pRegionMinX = std::min(pRegionMinX, x);
        pRegionMaxX = std::max(pRegionMaxX, x);
        pRegionMinY = std::min(pRegionMinY, y);
        pRegionMaxY = std::max(pRegionMaxY, y);
    };
    // Four-connected growth from the click; a pixel on the frame's inner
    // box is marked but not grown from, so a surface that runs out of the
    // frame shows as one reaching the box.
    std::vector<std::pair<int, int>> open{{kClickLocalX, kClickLocalY}};
    mark(kClickLocalX, kClickLocalY);
    while (!open.empty()) {
        const auto [x, y] = open.back();
        open.pop_back();
        if (x <= kMarkMinX || x >= kMarkMaxX || y <= kMarkMinY || y >= kMarkMaxY)
            continue;
        for (const auto& [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
            const int nx = x + dx, ny = y + dy;
            // A gap of a pixel or two in an edge is no way out.
            if (gWorkMap.Get(nx, ny) == kRegion || !band(GetLocalGrey(nx, ny)) ||
                NearRoofEdge(nx, ny))
                continue;
            mark(nx, ny);
            open.emplace_back(nx, ny);
        }
    }
    FillRegionHoles();
    OpenRegion();
    for (int x = pRegionMinX; x <= pRegionMaxX; ++x)
        for (int y = pRegionMinY; y <= pRegionMaxY; ++y)
            if (gWorkMap.Get(x, y) == kRegion)
                for (int dx = -1; dx <= 1; ++dx)
                    for (int dy = -1; dy <= 1; ++dy)
                        gDilatedMap.Set(x + dx, y + dy, 1);
}

void RoofTracer::OpenRegion() {
    if (pRegionMaxX < 0)
        return;
    // The region's box with a margin, as one 0/1 grid.
    const int r = kOpening;
    const int x0 = pRegionMinX - r, y0 = pRegionMinY - r;
    const int w = pRegionMaxX - pRegionMinX + 1 + 2 * r, h = pRegionMaxY - pRegionMinY + 1 + 2 * r;
    std::vector<std::uint8_t> in(std::size_t(w) * h), tmp(in.size());
    auto cell = [&](std::vector<std::uint8_t>& g, int x, int y) -> std::uint8_t& {
        return g[std::size_t(y) * w + x];
    };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            cell(in, x, y) = gWorkMap.Get(x0 + x, y0 + y) == kRegion;
    // A square of 2r + 1: the minimum (erosion) or maximum (dilation) of
    // each row's window, then of each column's.
    auto pass = [&](bool erode) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                std::uint8_t v = erode ? 1 : 0;
                for (int k = -r; k <= r; ++k) {
                    const int xx = x + k;
                    const std::uint8_t c = xx >= 0 && xx < w ? cell(in, xx, y) : 0;
                    v = erode ? std::min(v, c) : std::max(v, c);
                }
                cell(tmp, x, y) = v;
            }
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                std::uint8_t v = erode ? 1 : 0;
                for (int k = -r; k <= r; ++k) {
                    const int yy = y + k;
                    const std::uint8_t c = yy >= 0 && yy < h ? cell(tmp, x, yy) : 0;
                    v = erode ? std::min(v, c) : std::max(v, c);
                }
                cell(in, x, y) = v;
            }
    };
    pass(true);
    pass(false);
    // Only the part the click is in stays.
    const int cx = kClickLocalX - x0, cy = kClickLocalY - y0;
    if (cx < 0 || cx >= w || cy < 0 || cy >= h || cell(in, cx, cy) != 1)
        return;
    std::vector<std::pair<int, int>> open{{cx, cy}};
    cell(in, cx, cy) = 2;
    while (!open.empty()) {
        const auto [x, y] = open.back();
        open.pop_back();
        for (const auto& [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
            const int nx = x + dx, ny = y + dy;
            if (nx >= 0 && nx < w && ny >= 0 && ny < h && cell(in, nx, ny) == 1) {
                cell(in, nx, ny) = 2;
                open.emplace_back(nx, ny);
            }
        }
    }
    pRegionMaxX = -1;
    pRegionMaxY = -1;
    pRegionMinX = 1000;
    pRegionMinY = 1000;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int lx = x0 + x, ly = y0 + y;
            if (!LocalMap::Contains(lx, ly))
                continue;
            const bool keep = cell(in, x, y) == 2;
            gWorkMap.Set(lx, ly, keep ? kRegion : 0);
            if (keep) {
                pRegionMinX = std::min(pRegionMinX, lx);
                pRegionMaxX = std::max(pRegionMaxX, lx);
                pRegionMinY = std::min(pRegionMinY, ly);
                pRegionMaxY = std::max(pRegionMaxY, ly);
            }
        }
}

void RoofTracer::FillRegionHoles() {
    if (pRegionMaxX < 0)
        return;
    // What the outside reaches of the region's box (grown by a pixel) from
    // its border; the rest lies inside the roof: stair houses, tanks,
    // fixtures, their shadows.
    const int x0 = std::max(pRegionMinX - 1, 0), x1 = std::min(pRegionMaxX + 1, kLocalMaxX);
    const int y0 = std::max(pRegionMinY - 1, 0), y1 = std::min(pRegionMaxY + 1, kLocalMaxY);
    constexpr std::uint8_t kOutside = 2;
    std::vector<std::pair<int, int>> open;
    auto reach = [&](int x, int y) {
        if (x < x0 || x > x1 || y < y0 || y > y1 || gWorkMap.Get(x, y) != 0)
            return;
        gWorkMap.Set(x, y, kOutside);
        open.emplace_back(x, y);
    };
    for (int x = x0; x <= x1; ++x) {
        reach(x, y0);
        reach(x, y1);
    }
    for (int y = y0; y <= y1; ++y) {
        reach(x0, y);
        reach(x1, y);
    }
    while (!open.empty()) {
        const auto [x, y] = open.back();
        open.pop_back();
        reach(x + 1, y);
        reach(x - 1, y);
        reach(x, y + 1);
        reach(x, y - 1);
    }
    for (int x = x0; x <= x1; ++x)
        for (int y = y0; y <= y1; ++y)
            gWorkMap.Set(x, y, gWorkMap.Get(x, y) == kOutside ? 0 : kRegion);
}

void RoofTracer::SweepRegion(bool columns, int lo, int hi) {
    const Band band{lo, hi};
    // "outer" runs along the sweep, "inner" across it: x and y for the
    // column sweep, y and x for the row sweep.
    const int outerMax = columns ? kLocalMaxX : kSweepMaxY;
    const int innerMax = columns ? kSweepMaxY : kLocalMaxX;
    const int outerStart = columns ? kClickLocalX : kClickLocalY;
    const int innerStart = columns ? kClickLocalY : kClickLocalX;
    int& innerHigh = columns ? pRegionMaxY : pRegionMaxX;
    int& innerLow = columns ? pRegionMinY : pRegionMinX;
    auto inBand = [&](int outer, int inner) {
        return band(columns ? GetLocalGrey(outer, inner) : GetLocalGrey(inner, outer));
    };
    // Marks are clamped into the frame's inner box, and the clamped
    // position is what the extremes see.
    auto mark = [&](int outer, int inner, bool raise) {
        const int cx = std::clamp(columns ? outer : inner, kMarkMinX, kMarkMaxX);
        const int cy = std::clamp(columns ? inner : outer, kMarkMinY, kMarkMaxY);
        gWorkMap.Set(cx, cy, kRegion);
        const int c = columns ? cy : cx;
        if (raise)
            innerHigh = std::max(innerHigh, c);
        else
            innerLow = std::min(innerLow, c);
    };
    // Each line is scanned to both sides of the centre, which then moves to
    // the middle of that line's run so the sweep stays inside a sloping or
    // narrowing roof. `far` keeps the last run's far end from line to line.
    int far = innerStart;
    auto line = [&](int outer, int& centre) {
        int i = centre + 1;
        for (; i <= innerMax; ++i) {
            if (!inBand(outer, i)) {
                far = i - 1;
                break;
            }
            mark(outer, i, true);
        }
        for (i = centre; i >= 0; --i) {
            if (!inBand(outer, i)) {
                centre = RoundToInt((far + i + 1) * 0.5);
                break;
            }
            mark(outer, i, false);
        }
    };
    int centre = innerStart;
    for (int o = outerStart + 1; o <= outerMax && inBand(o, centre); ++o)
        line(o, centre);
    centre = innerStart;
    for (int o = outerStart; o >= 0 && inBand(o, centre); --o)
        line(o, centre);
}

int RoofTracer::ExtractRegionBoundary() {
    const int x0 = std::max(pRegionMinX, 0);
    const int x1 = std::min(pRegionMaxX + 2, kLocalMaxX);
    const int y0 = std::max(pRegionMinY, 0);
    const int y1 = std::min(pRegionMaxY + 2, kSweepMaxY);

    // Each scan marks the cell one step into every run of the grown region
    // (the run's own first cell when it starts at the scan's first cell),
    // so the boundary lies one pixel inside the grown region.
    for (int x = x0; x <= x1; ++x) {
        for (int y = y0; y <= y1; ++y)
            if (gDilatedMap.Get(x, y) == 1 && (y == y0 || gDilatedMap.Get(x, y - 1) != 1))
                gWorkMap.Set(x, y == y0 ? y : y + 1, kBoundary);
        for (int y = y1; y >= y0; --y)
            if (gDilatedMap.Get(x, y) == 1 && (y == y1 || gDilatedMap.Get(x, y + 1) != 1))
                gWorkMap.Set(x, y == y1 ? y : y - 1, kBoundary);
    }
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x)
            if (gDilatedMap.Get(x, y) == 1 && (x == x0 || gDilatedMap.Get(x - 1, y) != 1))
                gWorkMap.Set(x == x0 ? x : x + 1, y, kBoundary);
        for (int x = x1; x >= x0; --x)
            if (gDilatedMap.Get(x, y) == 1 && (x == x1 || gDilatedMap.Get(x + 1, y) != 1))
                gWorkMap.Set(x == x1 ? x : x - 1, y, kBoundary);
    }

    // Collected column by column in ascending y, the list is already in
    // ascending x: the walk starts at the lowest point of the leftmost column.
    LineCheckGrid.Clear();
    int points = 0;
    for (int x = x0; x <= x1; ++x) {
        for (int y = y0; y <= y1; ++y) {
            if (gWorkMap.Get(x, y) == kBoundary) {
                ++points;
                LineCheckGrid.Append({x, y});
            }
        }
    }
    return points + 1;
}

void RoofTracer::TraceRoofContour(int n) {
    LineDataGrid.Clear(n - 1);
    if (LineCheckGrid.Empty())
        return;
    const CellRow s = LineCheckGrid[1];
    gWorkMap.Set(s.x, s.y, kFirstTrace);

    int q = 0;
    int k = 0;
    int x = s.x;
    int y = s.y;
    for (int i = 0; i < n; ++i) {
        if (!RingStep(kBoundary, q, k, x, y))
            break;
        LineDataGrid.Append({x, y, kNoFlag});
        gWorkMap.Set(x, y, kFirstTrace);
    }
    const int m = LineDataGrid.Rows();
    if (std::hypot(x - s.x, y - s.y) <= kClosureDistance)
        return;

    // The first trace ran into a dead end: walk the other way round from the
    // start until this second trace meets the first one.
    LineData2Grid.Clear(n - 1);
    q = 0;
    k = 0;
    x = s.x;
    y = s.y;
    bool junction = false;
    if (RingStep(kBoundary, q, k, x, y)) {
        LineData2Grid.Append({x, y});
        gWorkMap.Set(x, y, kSecondTrace);
        for (int i = 0; i < n; ++i) {
            if (RingStep(kBoundary, q, k, x, y)) {
                LineData2Grid.Append({x, y});
                gWorkMap.Set(x, y, kSecondTrace);
                continue;
            }
            junction = RingStep(kFirstTrace, q, k, x, y) == 1;
            break;
        }
    }
    if (!junction || LineData2Grid.Empty())
        return;

    // Keep the first trace up to the junction (none of it when the junction
    // is the start itself) and come back along the second trace reversed.
    int keep = 0;
    for (int row = 1; row <= m; ++row) {
        if (LineDataGrid[row].x == x && LineDataGrid[row].y == y) {
            keep = row;
            break;
        }
    }
    LineDataGrid.Truncate(keep);
    for (int row = LineData2Grid.Rows(); row >= 1; --row)
        LineDataGrid.Append({LineData2Grid[row].x, LineData2Grid[row].y, kNoFlag});
}

} // namespace velmora
