// SPDX-License-Identifier: GPL-3.0-or-later
#include "tracing/HeightSearch.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "geometry/CameraModel.h"
#include "geometry/Polygon.h"

namespace velmora {

namespace {

// Candidate heights, metres.
constexpr double kLowest = 2.0;
constexpr double kHighest = 200.0;
// Nothing near the camera's own altitude is a building.
constexpr double kHighestShare = 0.8;
constexpr double kStep = 0.25;
// An edge pixel: a gradient across the predicted line of at least this
// (Sobel units, four times a sharp step of 8 grey levels) ...
constexpr int kMinEdge = 32;
// ... pointing across the line within about 30 degrees.
constexpr double kAlignment = 0.87;
// Predicted edges may be off by this many pixels across.
constexpr int kTolerance = 1;
// The ground edges' ends lie near other edges (the corners' verticals, the
// neighbouring faces): only their middle part is read.
constexpr double kEdgeEnds = 0.15;
// The vertical edges start below the roof's own outline.
constexpr double kBelowRoof = 2.0;
// A pixel the picture shows counts +1/2, one it does not -1/2: a height
// scores the longer the edges it predicts are there, and loses where it
// predicts edges the picture lacks.
constexpr double kUnsupportedWeight = 0.5;
// A height is taken only when this share of the pixels it predicts shows an
// edge ...
constexpr double kMinSupport = 0.6;
// ... and no height more than kRivalGap away scores within this share of it
// with at least kRivalSupport of its own pixels shown.
constexpr double kRivalShare = 0.85;
constexpr double kRivalSupport = 0.5;
constexpr double kRivalGap = 3.0;
// A height with less support is still taken when it wins clearly (its rival
// scores at most kClearMargin of it) and both kinds of evidence, the faces'
// feet and the silhouette's verticals, show at least kEachKind each.
constexpr double kLowSupport = 0.5;
constexpr double kClearMargin = 0.5;
constexpr double kEachKind = 0.25;
// The height at which the silhouette's verticals are picked, metres, and
// how far to either side of a vertical the picture is looked at for them.
constexpr double kMiddling = 15.0;
constexpr double kSideStep = 3.0;
// A wall line shorter than this is no measure of a height.
constexpr double kShortestWall = 12.0;
// A silhouette vertical is the building's strongest sign: its pixels weigh
// this much more than a ground edge's ...
constexpr double kVerticalWeight = 2.0;
// ... and where it still shows an edge this many pixels below the predicted
// ground, the building goes on lower: each such pixel counts against the height.
constexpr int kBeyond = 6;
// A building's edge ends at its ground. Where the silhouette's verticals
// still show an edge over this share of their pixels 2 ... kFarBeyond below
// the predicted ground, the height is not a candidate at all: that "ground"
// is a row of windows or a band across the face. A vertical whose face's
// foot runs within kAlongFoot of its direction is not read there: below
// the ground it goes on along that foot.
constexpr double kAlongFoot = 0.82; // cos 35 degrees
// A foot's twin lies kTwinFrom ... kTwinReach pixels further down (past the
// foot's own blur) and shows at least kTwinShare of the foot's edge pixels.
constexpr int kTwinFrom = 5;
constexpr int kTwinReach = 15;
constexpr double kTwinShare = 1.0;
// Heights that could reach no more than this share of the best score are
// left unread: below any rival that counts (kClearMargin, kRivalShare).
constexpr double kUnread = 0.5;
constexpr int kFarBeyond = 10;
// The bands read above and below a foot: kStripFrom ... kStripTo pixels
// from it (past its own blur, within a storey).
constexpr int kStripFrom = 2;
constexpr int kStripTo = 7;
// One surface: means this close and spreads this close (or this share).
constexpr double kSameGrey = 10;
constexpr double kSameSpread = 4;
constexpr double kSpreadShare = 0.5;
// A roof: as light as the lightest roofs the tracer reads, and even.
constexpr double kRoofGreyLow = 150;
constexpr double kRoofSpread = 6;
// A face's pattern of windows spreads its greys at least this much.
constexpr double kPattern = 8;
constexpr double kGoesOn = 0.6;
// Among crowded roofs: the feet that fit score at least this share of the
// best one; the band read below a foot reaches this far down.
constexpr double kFittingShare = 0.5;
constexpr int kUnderTo = 8;
// A street below a face: this much darker than the face, and this uneven.
constexpr double kStreetDarker = 30;
constexpr double kStreetClutter = 15;
// A face shallower than this (pixels, roof edge to foot) is too little
// of it to compare with what lies below.
constexpr double kShallowFace = 20;
// The wall stage's line is kept when its height lies this close (metres)
// to the one the edges support ...
constexpr double kAgreement = 1.5;
// ... and the support the edges must give a height that line agrees with.
constexpr double kConfirmedSupport = 0.4;

} // namespace

std::optional<double> LineHeight(const WallLine& line, const TraceCamera& camera) {
    const double m = camera.metresPerUnit;
    return WallHeight(camera.thetaRad, camera.slantRange, m * line.bottom.y, m * line.top.y);
}

namespace heights {

double Length(Vec v) {
    return std::hypot(v.x, v.y);
}

bool EdgeAcross(const EdgeField& e, double x, double y, double nx, double ny) {
    for (int k = 0; k <= 2 * kTolerance; ++k) {
        const int off = (k + 1) / 2 * (k % 2 ? 1 : -1);
        int gx = 0, gy = 0;
        if (!e.Gradient(x + off * nx, y + off * ny, gx, gy))
            continue;
        const double across = gx * nx + gy * ny;
        const double mag2 = double(gx) * gx + double(gy) * gy;
        if (std::fabs(across) >= kMinEdge && across * across >= kAlignment * kAlignment * mag2)
            return true;
    }
    return false;
}

void Tally::Add(double shownPixels, double allPixels, double weight) {
    shown += shownPixels;
    total += allPixels;
    score += weight * (shownPixels - kUnsupportedWeight * (allPixels - shownPixels));
}

bool HeightCandidate::Continues() const {
    return beyondRead > 0 && beyondShown >= kGoesOn * beyondRead;
}

namespace {

// How many pixels a foot of `len` is read at: its middle part, one a pixel.
int FootPixels(double len) {
    int all = 0;
    for (double t = kEdgeEnds * len; t <= (1 - kEdgeEnds) * len; t += 1)
        ++all;
    return all;
}

// The edge pixels shown along a foot from a in direction d of length len,
// moved `offset` pixels along `shift`.
int FootShown(const EdgeField& edges, Vec a, Vec d, double len, Vec shift = {}, int offset = 0) {
    const double ux = d.x / len, uy = d.y / len;
    int shown = 0;
    for (double t = kEdgeEnds * len; t <= (1 - kEdgeEnds) * len; t += 1)
        shown += EdgeAcross(edges, a.x + ux * t + shift.x * offset, a.y + uy * t + shift.y * offset,
                            -uy, ux);
    return shown;
}

} // namespace

RoofModel::RoofModel(const std::vector<PicturePoint>& outline, const TraceCamera& camera)
    : camera_(camera) {
    for (const PicturePoint& p : outline)
        roof_.push_back({p.x, p.y});
    if (roof_.size() > 1 && roof_.front().x == roof_.back().x && roof_.front().y == roof_.back().y)
        roof_.pop_back();
    valid_ = roof_.size() >= 3 && camera.metresPerUnit > 0;
    highest_ = std::min(kHighest, kHighestShare * camera.slantRange * std::cos(camera.thetaRad));
    plan_.resize(roof_.size());
    base_.resize(roof_.size());
    faceSeen_.resize(roof_.size());
}

std::optional<Vec> RoofModel::Ground(int i, double h, Vec* plan) const {
    const double m = camera_.metresPerUnit;
    const Vec r = roof_[std::size_t(i)];
    const auto p = PlanPoint(camera_.thetaRad, camera_.slantRange, r.x * m, r.y * m, h);
    if (!p)
        return std::nullopt;
    const auto g = ImagePoint(camera_.thetaRad, camera_.slantRange, p->x, p->y, 0);
    if (!g)
        return std::nullopt;
    if (plan != nullptr)
        *plan = {p->x, p->y};
    return Vec{g->x / m, g->y / m};
}

bool RoofModel::Project(double h) {
    const int n = Corners();
    for (int i = 0; i < n; ++i) {
        const auto g = Ground(i, h, &plan_[std::size_t(i)]);
        if (!g)
            return false;
        base_[std::size_t(i)] = *g;
    }
    double area = 0;
    for (int i = 0; i < n; ++i) {
        const Vec a = plan_[std::size_t(i)], b = plan_[std::size_t((i + 1) % n)];
        area += a.x * b.y - b.x * a.y;
    }
    // The camera's foot on the plan: a face is seen when it turns towards it.
    const Vec foot{0, -camera_.slantRange * std::sin(camera_.thetaRad)};
    const double outward = area > 0 ? 1 : -1;
    for (int i = 0; i < n; ++i) {
        const Vec a = plan_[std::size_t(i)], b = plan_[std::size_t((i + 1) % n)];
        const Vec normal{outward * (b.y - a.y), outward * (a.x - b.x)};
        const Vec mid{(a.x + b.x) / 2, (a.y + b.y) / 2};
        faceSeen_[std::size_t(i)] = normal.x * (foot.x - mid.x) + normal.y * (foot.y - mid.y) > 0;
    }
    return true;
}

std::optional<Verticals> ReadVerticals(RoofModel& roof, const EdgeField& edges) {
    const int n = roof.Corners();
    Verticals v;
    v.down.resize(std::size_t(n));
    v.shownBelow.resize(std::size_t(n));
    v.silhouette.assign(std::size_t(n), false);
    for (int i = 0; i < n; ++i) {
        const auto far = roof.Ground(i, roof.Highest());
        if (!far)
            return std::nullopt;
        const Vec r = roof.Corner(i);
        const Vec d = *far - r;
        const double len = std::min(Length(d), 1000.0);
        if (!(len > 0))
            return std::nullopt;
        const Vec u{d.x / Length(d), d.y / Length(d)};
        v.down[std::size_t(i)] = u;
        std::vector<int>& prefix = v.shownBelow[std::size_t(i)];
        prefix.assign(std::size_t(len) + 2, 0);
        for (int t = 1; t < int(prefix.size()); ++t)
            prefix[std::size_t(t)] =
                prefix[std::size_t(t - 1)] +
                (t >= kBelowRoof && EdgeAcross(edges, r.x + t * u.x, r.y + t * u.y, -u.y, u.x));
    }
    // Which verticals lie on the silhouette is settled once, for a
    // middling height: a point a little to either side of the vertical's
    // middle that the roof or a seen face covers on both sides is inside.
    if (!roof.Project(kMiddling))
        return std::nullopt;
    std::vector<std::vector<Vec>> shapes;
    shapes.emplace_back();
    for (int i = 0; i < n; ++i)
        shapes.front().push_back(roof.Corner(i));
    for (int i = 0; i < n; ++i)
        if (roof.FaceSeen(i)) {
            const int j = (i + 1) % n;
            shapes.push_back({roof.Corner(i), roof.Corner(j), roof.Base(j), roof.Base(i)});
        }
    auto covered = [&](Vec p) {
        return std::any_of(shapes.begin(), shapes.end(),
                           [&](const std::vector<Vec>& s) { return InsidePolygon(s, p); });
    };
    for (int i = 0; i < n; ++i) {
        if (!roof.FaceSeen(i) && !roof.FaceSeen((i + n - 1) % n))
            continue;
        const Vec r = roof.Corner(i), g = roof.Base(i);
        const Vec mid{(r.x + g.x) / 2, (r.y + g.y) / 2};
        const Vec u = v.down[std::size_t(i)];
        const Vec left{mid.x - kSideStep * u.y, mid.y + kSideStep * u.x};
        const Vec right{mid.x + kSideStep * u.y, mid.y - kSideStep * u.x};
        v.silhouette[std::size_t(i)] = !(covered(left) && covered(right));
    }
    return v;
}

namespace {

// Whether a seen face's foot through corner i runs close to the corner's
// vertical: below the ground the vertical then goes on along that foot.
bool AlongAFoot(const RoofModel& roof, const Verticals& v, int i) {
    const int n = roof.Corners();
    for (const int face : {(i + n - 1) % n, i}) {
        if (!roof.FaceSeen(face))
            continue;
        const Vec d = roof.Base((face + 1) % n) - roof.Base(face);
        const Vec u = v.down[std::size_t(i)];
        const double len = Length(d);
        if (len > 0 && std::fabs(d.x * u.x + d.y * u.y) >= kAlongFoot * len)
            return true;
    }
    return false;
}

// The verticals' part of one candidate, for the height last projected.
void AddVerticals(HeightCandidate& c, const RoofModel& roof, const Verticals& v) {
    double bestShare = -1;
    for (int i = 0; i < roof.Corners(); ++i) {
        if (!v.silhouette[std::size_t(i)])
            continue;
        const std::vector<int>& prefix = v.shownBelow[std::size_t(i)];
        const double len = Length(roof.Base(i) - roof.Corner(i));
        const int t = std::min(int(len), int(prefix.size()) - 1);
        if (t <= kBelowRoof)
            continue;
        const double total = t - kBelowRoof + 1;
        const double shown = prefix[std::size_t(t)];
        c.tally.Add(shown, total, kVerticalWeight);
        c.vertical.Add(shown, total, 1.0);
        // Where the vertical still shows an edge just below the predicted
        // ground, the building goes on lower.
        const int beyond = std::min(t + kBeyond, int(prefix.size()) - 1);
        c.tally.score -= kVerticalWeight * (prefix[std::size_t(beyond)] - shown);
        if (t + kFarBeyond < int(prefix.size()) && !AlongAFoot(roof, v, i)) {
            c.beyondShown += prefix[std::size_t(t + kFarBeyond)] - prefix[std::size_t(t + 2)];
            c.beyondRead += kFarBeyond - 2;
        }
        if (len >= kShortestWall && shown / total > bestShare) {
            bestShare = shown / total;
            c.bestCorner = i;
            c.bestBottom = roof.Base(i);
        }
    }
}

} // namespace

std::vector<HeightCandidate> ScoreVerticals(RoofModel& roof, const Verticals& v,
                                            const EdgeField& edges) {
    // Taller buildings stand their ground further down the picture: once
    // every ground point lies below its bottom edge, no higher candidate has
    // a pixel left to be read.
    const double bottom = -edges.Height() / 2.0 - kTolerance - 1;
    const int n = roof.Corners();
    std::vector<HeightCandidate> candidates;
    for (double h = kLowest; h <= roof.Highest() + 1e-9; h += kStep) {
        if (!roof.Project(h))
            break;
        if (std::all_of(roof.Bases().begin(), roof.Bases().end(),
                        [&](Vec g) { return g.y < bottom; }))
            break;
        // So low that the predicted ground edges still run along the
        // roof's own outline: no measure of anything.
        double tallest = 0;
        for (int i = 0; i < n; ++i)
            if (v.silhouette[std::size_t(i)])
                tallest = std::max(tallest, Length(roof.Base(i) - roof.Corner(i)));
        if (tallest < kShortestWall)
            continue;
        HeightCandidate c;
        c.height = h;
        roof.ForEachFoot([&](int, Vec, Vec, double len) { c.feetPixels += FootPixels(len); });
        AddVerticals(c, roof, v);
        candidates.push_back(c);
    }
    return candidates;
}

void ReadFeet(std::vector<HeightCandidate>& candidates, RoofModel& roof, const EdgeField& edges) {
    // The faces' feet are most of the reading. A foot adds at most one per
    // pixel, so the heights are read in order of what they could reach at
    // best, and the reading stops where that is below what matters: a
    // fraction kUnread of the best height found so far. What is left
    // unread can be neither the best height nor a rival to it.
    std::vector<std::size_t> order(candidates.size());
    for (std::size_t k = 0; k < order.size(); ++k)
        order[k] = k;
    auto reach = [&](std::size_t k) {
        return candidates[k].tally.Score() + candidates[k].feetPixels;
    };
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return reach(a) > reach(b); });
    double bestSoFar = -std::numeric_limits<double>::infinity();
    for (const std::size_t k : order) {
        if (bestSoFar > 0 && reach(k) < kUnread * bestSoFar)
            break;
        HeightCandidate& c = candidates[k];
        roof.Project(c.height);
        roof.ForEachFoot([&](int, Vec a, Vec d, double len) {
            const int shown = FootShown(edges, a, d, len);
            const int all = FootPixels(len);
            c.tally.Add(shown, all, 1.0);
            c.ground.Add(shown, all, 1.0);
        });
        c.read = true;
        if (!c.Continues())
            bestSoFar = std::max(bestSoFar, c.tally.Score());
    }
}

bool FootRepeatsBelow(RoofModel& roof, const Verticals& v, const EdgeField& edges, double h) {
    if (!roof.Project(h))
        return false;
    const int n = roof.Corners();
    double foot = 0, twin = 0;
    roof.ForEachFoot([&](int i, Vec a, Vec d, double len) {
        const int j = (i + 1) % n;
        Vec along{v.down[std::size_t(i)].x + v.down[std::size_t(j)].x,
                  v.down[std::size_t(i)].y + v.down[std::size_t(j)].y};
        const double l = Length(along);
        along = {along.x / l, along.y / l};
        foot += FootShown(edges, a, d, len);
        int most = 0;
        for (int offset = kTwinFrom; offset <= kTwinReach; ++offset)
            most = std::max(most, FootShown(edges, a, d, len, along, offset));
        twin += most;
    });
    return foot > 0 && twin >= kTwinShare * foot;
}

HeightChoice ChooseHeight(const std::vector<HeightCandidate>& candidates, RoofModel& roof,
                          const Verticals& v, const EdgeField& edges) {
    HeightChoice out;
    if (candidates.empty())
        return out;
    // Heights whose verticals go on below their ground take no part.
    auto score = [](const HeightCandidate& c) {
        return c.Continues() || !c.read ? -std::numeric_limits<double>::infinity()
                                        : c.tally.Score();
    };
    const auto best = std::max_element(
        candidates.begin(), candidates.end(),
        [&](const HeightCandidate& a, const HeightCandidate& b) { return score(a) < score(b); });
    if (best->Continues())
        return out;
    out.height = best->height;
    out.support = best->tally.Share();
    out.groundSupport = best->ground.Share();
    out.verticalSupport = best->vertical.Share();
    // The strongest height well away from the best one. Unread heights
    // score less than any that matters here.
    const HeightCandidate* rival = nullptr;
    auto raw = [](const HeightCandidate& c) {
        return c.read ? c.tally.Score() : -std::numeric_limits<double>::infinity();
    };
    for (std::size_t k = 0; k < candidates.size(); ++k) {
        const HeightCandidate& c = candidates[k];
        const double s = raw(c);
        // Only a peak of its own, not the slope down from the best one.
        const bool peak = (k == 0 || raw(candidates[k - 1]) <= s) &&
                          (k + 1 == candidates.size() || raw(candidates[k + 1]) <= s);
        if (c.read && peak && !c.Continues() && std::fabs(c.height - best->height) > kRivalGap &&
            (rival == nullptr || s > rival->tally.Score()))
            rival = &c;
    }
    if (rival != nullptr && best->tally.Score() > 0) {
        out.margin = rival->tally.Score() / best->tally.Score();
        out.rivalSupport = rival->tally.Share();
        out.rival = rival->height;
    }
    if (best->tally.Score() <= 0 || best->bestCorner < 0)
        return out;
    const bool clear = out.margin <= kClearMargin && out.groundSupport >= kEachKind &&
                       out.verticalSupport >= kEachKind;
    if (out.support < kMinSupport && !(out.support >= kLowSupport && clear))
        return out;
    if (rival != nullptr && rival->tally.Score() >= kRivalShare * best->tally.Score() &&
        rival->tally.Share() >= kRivalSupport) {
        out.verdict = HeightVerdict::TwoHeights;
        return out;
    }
    if (FootRepeatsBelow(roof, v, edges, best->height))
        return out;
    out.verdict = HeightVerdict::Found;
    const Vec top = roof.Corner(best->bestCorner);
    out.wall = {{float(top.x), float(top.y)},
                {float(best->bestBottom.x), float(best->bestBottom.y)}};
    return out;
}

Strip FootStrip(RoofModel& roof, const GreyImage& grey, double h, bool below, int from, int to,
                bool frontOnly) {
    Strip out;
    if (!roof.Project(h))
        return out;
    double sum = 0, sum2 = 0;
    roof.ForEachFoot([&](int, Vec a, Vec d, double len) {
        // A foot across the picture belongs to a face turned to the camera.
        if ((std::fabs(d.x) >= std::fabs(d.y)) != frontOnly)
            return;
        const double ux = d.x / len, uy = d.y / len;
        // Down the picture's verticals is close enough to down the face
        // over a few pixels.
        for (double t = kEdgeEnds * len; t <= (1 - kEdgeEnds) * len; t += 1)
            for (int k = from; k <= to; ++k) {
                const int g = grey.Grey(a.x + ux * t, a.y + uy * t + (below ? -k : k));
                if (g == kNoPixel)
                    continue;
                sum += g;
                sum2 += double(g) * g;
                ++out.pixels;
            }
    });
    if (out.pixels > 0) {
        out.mean = sum / out.pixels;
        out.spread = std::sqrt(std::max(0.0, sum2 / out.pixels - out.mean * out.mean));
    }
    return out;
}

Strip FaceStrip(RoofModel& roof, const GreyImage& grey, double h) {
    Strip out;
    if (!roof.Project(h))
        return out;
    const int n = roof.Corners();
    double sum = 0, sum2 = 0;
    roof.ForEachFoot([&](int i, Vec a, Vec d, double len) {
        if (std::fabs(d.x) < std::fabs(d.y))
            return;
        const int j = (i + 1) % n;
        const Vec top = roof.Corner(i), topEnd = roof.Corner(j);
        const double depth = std::min(Length(top - a), Length(topEnd - roof.Base(j)));
        if (depth < 2 * kStripFrom + 2)
            return;
        // Across the face from its foot up to the roof's edge, one pixel a
        // step, between matching points of the two.
        for (double t = kEdgeEnds; t <= 1 - kEdgeEnds; t += 1 / len) {
            const Vec foot{a.x + d.x * t, a.y + d.y * t};
            const Vec edge{top.x + (topEnd.x - top.x) * t, top.y + (topEnd.y - top.y) * t};
            const Vec up = edge - foot;
            for (double k = kStripFrom; k <= depth - kStripFrom; k += 1) {
                const int g = grey.Grey(foot.x + up.x * k / depth, foot.y + up.y * k / depth);
                if (g == kNoPixel)
                    continue;
                sum += g;
                sum2 += double(g) * g;
                ++out.pixels;
            }
        }
    });
    if (out.pixels > 0) {
        out.mean = sum / out.pixels;
        out.spread = std::sqrt(std::max(0.0, sum2 / out.pixels - out.mean * out.mean));
    }
    return out;
}

bool SameSurface(const Strip& a, const Strip& b) {
    return a.pixels > 0 && b.pixels > 0 && std::fabs(a.mean - b.mean) <= kSameGrey &&
           std::fabs(a.spread - b.spread) <= std::max(kSameSpread, kSpreadShare * a.spread);
}

bool RoofLike(const Strip& s) {
    return s.pixels > 0 && s.mean >= kRoofGreyLow && s.spread <= kRoofSpread;
}

HeightVerdict CheckFeet(RoofModel& roof, const GreyImage& grey, double h, bool crowded) {
    for (const bool front : {true, false}) {
        const Strip face = FootStrip(roof, grey, h, false, kStripFrom, kStripTo, front);
        const Strip under = FootStrip(roof, grey, h, true, kStripFrom, kStripTo, front);
        if (under.pixels == 0)
            continue;
        if (RoofLike(under) && !RoofLike(face))
            return front ? HeightVerdict::FootHidden : HeightVerdict::FootOnRoof;
        // A plain face may stand on ground of its grey; a face's pattern
        // (its windows) going on below the foot is the face itself. Among
        // crowded buildings a band like the face below the foot is
        // always taken for the face: the ground is seldom in sight there.
        if (SameSurface(face, under) &&
            (crowded || (face.spread >= kPattern && under.spread >= kPattern)))
            return HeightVerdict::FaceGoesOn;
    }
    return HeightVerdict::Found;
}

double SettleBetweenFeet(RoofModel& roof, const GreyImage& grey, double low, double high) {
    // The face just above the lower foot, and the band from there down
    // towards the higher foot.
    const Strip face = FootStrip(roof, grey, low, false, kStripFrom, kStripTo, true);
    const Strip between = FootStrip(roof, grey, low, true, kStripFrom, kStripTo, true);
    if (face.pixels == 0 || between.pixels == 0) {
        const Strip sideFace = FootStrip(roof, grey, low, false, kStripFrom, kStripTo, false);
        const Strip sideBetween = FootStrip(roof, grey, low, true, kStripFrom, kStripTo, false);
        return SameSurface(sideFace, sideBetween) ? high : low;
    }
    return SameSurface(face, between) ? high : low;
}

std::vector<std::size_t> FittingFeet(const std::vector<HeightCandidate>& candidates) {
    auto raw = [&](std::size_t k) {
        const HeightCandidate& c = candidates[k];
        return c.read && !c.Continues() ? c.tally.Score()
                                        : -std::numeric_limits<double>::infinity();
    };
    double best = 0;
    for (std::size_t k = 0; k < candidates.size(); ++k)
        best = std::max(best, raw(k));
    std::vector<std::size_t> out;
    if (best <= 0)
        return out;
    for (std::size_t k = 0; k < candidates.size(); ++k) {
        const double s = raw(k);
        const bool peak =
            (k == 0 || raw(k - 1) <= s) && (k + 1 == candidates.size() || raw(k + 1) < s);
        if (peak && s >= kFittingShare * best && candidates[k].tally.Share() >= kLowSupport &&
            candidates[k].bestCorner >= 0)
            out.push_back(k);
    }
    return out;
}

double FaceDepth(RoofModel& roof, double h) {
    if (!roof.Project(h))
        return 0;
    double deepest = 0;
    roof.ForEachFoot([&](int i, Vec a, Vec, double) {
        deepest = std::max(deepest, Length(roof.Corner(i) - a));
    });
    return deepest;
}

HeightVerdict FaceEndsAt(RoofModel& roof, const GreyImage& grey, double h) {
    const Strip face = FaceStrip(roof, grey, h);
    const Strip under = FootStrip(roof, grey, h, true, kStripFrom, kUnderTo, true);
    if (face.pixels == 0 || under.pixels == 0) {
        // No face turned to the camera: its side faces' feet alone.
        const Strip side = FootStrip(roof, grey, h, false, kStripFrom, kStripTo, false);
        const Strip sideUnder = FootStrip(roof, grey, h, true, kStripFrom, kUnderTo, false);
        if (SameSurface(side, sideUnder))
            return HeightVerdict::FaceGoesOn;
        return RoofLike(sideUnder) ? HeightVerdict::FootOnRoof : HeightVerdict::Found;
    }
    // The band below is a few pixels of a face of windows: its spread
    // depends on where it falls between their rows, its mean much less.
    if (std::fabs(face.mean - under.mean) <= kSameGrey)
        return HeightVerdict::FaceGoesOn;
    if (RoofLike(under))
        return HeightVerdict::FootHidden;
    // The ground at a crowded face's foot is a street: darker than the
    // face and cluttered (cars, marks, shadows). Anything else there (a
    // light plaza, a grey band that is neither face nor roof) leaves the
    // foot unsure.
    if (face.mean - under.mean >= kStreetDarker && under.spread >= kStreetClutter)
        return HeightVerdict::Found;
    return HeightVerdict::TooWeak;
}

HeightChoice WalkDownTheFace(const std::vector<HeightCandidate>& candidates, RoofModel& roof,
                             const GreyImage& grey) {
    HeightChoice out;
    const std::vector<std::size_t> feet = FittingFeet(candidates);
    if (feet.empty())
        return out;
    // From the highest foot in the picture (the lowest height) down: past
    // each foot below which the face goes on, to the first below which
    // something else lies.
    out.verdict = HeightVerdict::FaceGoesOn;
    for (std::size_t k : feet) {
        if (FaceDepth(roof, candidates[k].height) < kShallowFace)
            continue;
        // A foot's edge may show twice (its shadow, a kerb): the best
        // height just past the first one that fits is the foot.
        for (std::size_t j = k + 1;
             j < candidates.size() && candidates[j].height <= candidates[k].height + kRivalGap; ++j)
            if (candidates[j].read && !candidates[j].Continues() && candidates[j].bestCorner >= 0 &&
                candidates[j].tally.Score() > candidates[k].tally.Score())
                k = j;
        const HeightCandidate& c = candidates[k];
        out.height = c.height;
        out.support = c.tally.Share();
        out.groundSupport = c.ground.Share();
        out.verticalSupport = c.vertical.Share();
        const HeightVerdict end = FaceEndsAt(roof, grey, c.height);
        if (end == HeightVerdict::FaceGoesOn)
            continue;
        out.verdict = end;
        if (end == HeightVerdict::Found) {
            const Vec top = roof.Corner(c.bestCorner);
            out.wall = {{float(top.x), float(top.y)},
                        {float(c.bestBottom.x), float(c.bestBottom.y)}};
        }
        break;
    }
    return out;
}

} // namespace heights

std::string HeightVerdictReason(HeightVerdict v) {
    switch (v) {
    case HeightVerdict::Found:
        return {};
    case HeightVerdict::TooWeak:
        return "evidence too weak";
    case HeightVerdict::TwoHeights:
        return "two heights fit";
    case HeightVerdict::FaceGoesOn:
        return "the face goes on below its foot";
    case HeightVerdict::FootOnRoof:
        return "the foot stands on another roof";
    case HeightVerdict::FootHidden:
        return "the foot is hidden behind a building in front";
    }
    return {};
}

ClickHeight SettleClickHeight(const std::vector<PicturePoint>& outline, const TraceCamera& camera,
                              const EdgeField& edges, const GreyImage* grey, bool crowded,
                              const std::optional<WallLine>& staged) {
    ClickHeight out;
    out.height = SearchHeight(outline, camera, edges, grey, crowded);
    HeightChoice& h = out.height;
    const std::optional<double> stagedHeight = staged ? LineHeight(*staged, camera) : std::nullopt;
    const bool agreed = stagedHeight && std::fabs(*stagedHeight - h.height) <= kAgreement;
    // Two measures that agree, the wall stage's line and the edges' best
    // height, need less support than the edges alone. Not among crowded
    // roofs: there both are fooled alike by a window row or a neighbour's
    // roof line, and what lies below the feet has already spoken.
    if (h.verdict == HeightVerdict::TooWeak && agreed && h.support >= kConfirmedSupport &&
        !(crowded && grey != nullptr)) {
        h.verdict = HeightVerdict::Found;
        h.height = *stagedHeight;
        out.wall = WallSource::Staged;
        return out;
    }
    if (h.verdict != HeightVerdict::Found)
        return out;
    // The wall stage's own line stays where the picture's edges agree
    // with its height: it is where that stage saw the wall.
    out.wall = agreed ? WallSource::Staged : WallSource::Search;
    return out;
}

HeightChoice SearchHeight(const std::vector<PicturePoint>& outline, const TraceCamera& camera,
                          const EdgeField& edges, const GreyImage* grey, bool crowded) {
    using namespace heights;
    RoofModel roof(outline, camera);
    if (!roof.Valid())
        return {};
    const std::optional<Verticals> v = ReadVerticals(roof, edges);
    if (!v)
        return {};
    std::vector<HeightCandidate> candidates = ScoreVerticals(roof, *v, edges);
    ReadFeet(candidates, roof, edges);
    // A building standing alone shows its feet on open ground, which the
    // edges alone settle well; among crowded ones the feet are as often a
    // window row or a neighbour's roof line, and what lies below each
    // fitting foot decides.
    if (grey == nullptr)
        return ChooseHeight(candidates, roof, *v, edges);
    if (!crowded)
        return ChooseHeight(candidates, roof, *v, edges);
    HeightChoice out = WalkDownTheFace(candidates, roof, *grey);
    return out;
}

} // namespace velmora
