// SPDX-License-Identifier: GPL-3.0-or-later
#include "tracing/HeightSearch.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "geometry/CameraModel.h"

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
constexpr double kGoesOn = 0.6;

struct Vec {
    double x = 0;
    double y = 0;
};

Vec operator-(Vec a, Vec b) {
    return {a.x - b.x, a.y - b.y};
}
double Length(Vec v) {
    return std::hypot(v.x, v.y);
}

// Whether the picture shows an edge across the unit normal (nx, ny) at (x, y).
inline bool Supported(const EdgeField& e, double x, double y, double nx, double ny) {
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

// How many pixels a foot of `len` is read at: its middle part, one a pixel.
int FootPixels(double len) {
    int all = 0;
    for (double t = kEdgeEnds * len; t <= (1 - kEdgeEnds) * len; t += 1)
        ++all;
    return all;
}

struct Tally {
    double shown = 0;
    double total = 0;
    double score = 0;
    void Add(double shownPixels, double allPixels, double weight) {
        shown += shownPixels;
        total += allPixels;
        score += weight * (shownPixels - kUnsupportedWeight * (allPixels - shownPixels));
    }
    double Score() const { return score; }
    double Share() const { return total > 0 ? shown / total : 0; }
};

struct Candidate {
    double height = 0;
    Tally tally;
    Tally ground;
    Tally vertical;
    // Pixels read on the silhouette's verticals below the predicted ground,
    // and those of them that show an edge.
    int feetPixels = 0; // pixels the faces' feet are read at
    bool read = false;  // whether they have been
    int beyondRead = 0;
    int beyondShown = 0;
    bool Continues() const { return beyondRead > 0 && beyondShown >= kGoesOn * beyondRead; }
    int bestCorner = -1;
    Vec bestBottom;
};

} // namespace

std::optional<double> LineHeight(const WallLine& line, const TraceCamera& camera) {
    const double m = camera.metresPerUnit;
    return WallHeight(camera.thetaRad, camera.slantRange, m * line.bottom.y, m * line.top.y);
}

HeightChoice SearchHeight(const std::vector<PicturePoint>& outline, const TraceCamera& camera,
                          const EdgeField& edges) {
    HeightChoice out;
    std::vector<Vec> roof;
    for (const PicturePoint& p : outline)
        roof.push_back({p.x, p.y});
    if (roof.size() > 1 && roof.front().x == roof.back().x && roof.front().y == roof.back().y)
        roof.pop_back();
    const int n = static_cast<int>(roof.size());
    const double m = camera.metresPerUnit;
    if (n < 3 || !(m > 0))
        return out;
    // Where a roof corner at height h stands on the ground, in picture units.
    auto ground = [&](Vec r, double h, Vec& plan) -> std::optional<Vec> {
        const auto p = PlanPoint(camera.thetaRad, camera.slantRange, r.x * m, r.y * m, h);
        if (!p)
            return std::nullopt;
        const auto g = ImagePoint(camera.thetaRad, camera.slantRange, p->x, p->y, 0);
        if (!g)
            return std::nullopt;
        plan = {p->x, p->y};
        return Vec{g->x / m, g->y / m};
    };

    const double highest =
        std::min(kHighest, kHighestShare * camera.slantRange * std::cos(camera.thetaRad));
    // Each corner's vertical runs from the roof corner towards the nadir,
    // whatever the height: its pixels are read once, then summed per height.
    const std::size_t count = roof.size();
    std::vector<Vec> down(count);
    std::vector<std::vector<int>> shownBelow(count); // prefix counts
    for (int i = 0; i < n; ++i) {
        Vec plan;
        const auto far = ground(roof[std::size_t(i)], highest, plan);
        if (!far)
            return out;
        const Vec d = *far - roof[std::size_t(i)];
        const double len = std::min(Length(d), 1000.0);
        if (!(len > 0))
            return out;
        down[std::size_t(i)] = {d.x / Length(d), d.y / Length(d)};
        const Vec u = down[std::size_t(i)];
        std::vector<int>& prefix = shownBelow[std::size_t(i)];
        prefix.assign(std::size_t(len) + 2, 0);
        for (int t = 1; t < int(prefix.size()); ++t)
            prefix[std::size_t(t)] =
                prefix[std::size_t(t - 1)] +
                (t >= kBelowRoof && Supported(edges, roof[std::size_t(i)].x + t * u.x,
                                              roof[std::size_t(i)].y + t * u.y, -u.y, u.x));
    }

    // The camera's foot on the plan: a face is seen when it turns towards it.
    const Vec foot{0, -camera.slantRange * std::sin(camera.thetaRad)};
    std::vector<Vec> plan(count), base(count);
    std::vector<bool> faceSeen(count);
    // Ground points and seen faces for height h; false when the camera
    // cannot place a corner.
    auto project = [&](double h) {
        for (int i = 0; i < n; ++i) {
            const auto g = ground(roof[std::size_t(i)], h, plan[std::size_t(i)]);
            if (!g)
                return false;
            base[std::size_t(i)] = *g;
        }
        double area = 0;
        for (int i = 0; i < n; ++i) {
            const Vec a = plan[std::size_t(i)], b = plan[std::size_t((i + 1) % n)];
            area += a.x * b.y - b.x * a.y;
        }
        const double outward = area > 0 ? 1 : -1;
        for (int i = 0; i < n; ++i) {
            const Vec a = plan[std::size_t(i)], b = plan[std::size_t((i + 1) % n)];
            const Vec normal{outward * (b.y - a.y), outward * (a.x - b.x)};
            const Vec mid{(a.x + b.x) / 2, (a.y + b.y) / 2};
            faceSeen[std::size_t(i)] =
                normal.x * (foot.x - mid.x) + normal.y * (foot.y - mid.y) > 0;
        }
        return true;
    };

    // The seen faces' feet for the last height projected: start, direction
    // and length in picture units.
    auto ForEachFoot = [&](auto&& visit) {
        for (int i = 0; i < n; ++i) {
            if (!faceSeen[std::size_t(i)])
                continue;
            const Vec ga = base[std::size_t(i)], d = base[std::size_t((i + 1) % n)] - ga;
            const double len = Length(d);
            if (len >= 4)
                visit(ga, d, len);
        }
    };

    // Only the verticals on the building's silhouette are read: one between
    // two seen faces of about the same shade, or one behind a face, shows no
    // edge whatever the height. Which they are is settled once, for a
    // middling height.
    std::vector<bool> silhouette(count, false);
    if (!project(kMiddling))
        return out;
    {
        auto inside = [](const std::vector<Vec>& poly, Vec p) {
            bool in = false;
            for (std::size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++)
                if ((poly[i].y > p.y) != (poly[j].y > p.y) &&
                    p.x < (poly[j].x - poly[i].x) * (p.y - poly[i].y) / (poly[j].y - poly[i].y) +
                              poly[i].x)
                    in = !in;
            return in;
        };
        std::vector<std::vector<Vec>> shapes{roof};
        for (int i = 0; i < n; ++i)
            if (faceSeen[std::size_t(i)]) {
                const int j = (i + 1) % n;
                shapes.push_back({roof[std::size_t(i)], roof[std::size_t(j)], base[std::size_t(j)],
                                  base[std::size_t(i)]});
            }
        auto covered = [&](Vec p) {
            return std::any_of(shapes.begin(), shapes.end(),
                               [&](const std::vector<Vec>& s) { return inside(s, p); });
        };
        for (int i = 0; i < n; ++i) {
            if (!faceSeen[std::size_t(i)] && !faceSeen[std::size_t((i + n - 1) % n)])
                continue;
            const Vec r = roof[std::size_t(i)], g = base[std::size_t(i)];
            const Vec mid{(r.x + g.x) / 2, (r.y + g.y) / 2};
            const Vec u = down[std::size_t(i)];
            const Vec left{mid.x - kSideStep * u.y, mid.y + kSideStep * u.x};
            const Vec right{mid.x + kSideStep * u.y, mid.y - kSideStep * u.x};
            silhouette[std::size_t(i)] = !(covered(left) && covered(right));
        }
    }

    // Whether the faces' feet at height h have a twin: an edge as plain as
    // the foot itself, parallel to it and a little further down. Then the
    // "foot" is one of a face's repeated bands and the face goes on below
    // it, however faint its real foot may be.
    auto FootRepeatsBelow = [&](double h) {
        if (!project(h))
            return false;
        double foot = 0, twin = 0;
        for (int i = 0; i < n; ++i) {
            if (!faceSeen[std::size_t(i)])
                continue;
            const int j = (i + 1) % n;
            const Vec ga = base[std::size_t(i)], d = base[std::size_t(j)] - ga;
            const double len = Length(d);
            if (len < 4)
                continue;
            const Vec u{d.x / len, d.y / len};
            Vec along{down[std::size_t(i)].x + down[std::size_t(j)].x,
                      down[std::size_t(i)].y + down[std::size_t(j)].y};
            const double a = Length(along);
            along = {along.x / a, along.y / a};
            auto shown = [&](int offset) {
                int count = 0;
                for (double t = kEdgeEnds * len; t <= (1 - kEdgeEnds) * len; t += 1)
                    count += Supported(edges, ga.x + u.x * t + along.x * offset,
                                       ga.y + u.y * t + along.y * offset, -u.y, u.x);
                return count;
            };
            foot += shown(0);
            int most = 0;
            for (int offset = kTwinFrom; offset <= kTwinReach; ++offset)
                most = std::max(most, shown(offset));
            twin += most;
        }
        return foot > 0 && twin >= kTwinShare * foot;
    };

    // Taller buildings stand their ground further down the picture: once
    // every ground point lies below its bottom edge, no higher candidate has
    // a pixel left to be read.
    const double bottom = -edges.Height() / 2.0 - kTolerance - 1;
    std::vector<Candidate> candidates;
    for (double h = kLowest; h <= highest + 1e-9; h += kStep) {
        if (!project(h))
            break;
        if (std::all_of(base.begin(), base.end(), [&](Vec g) { return g.y < bottom; }))
            break;
        // So low that the predicted ground edges still run along the
        // roof's own outline: no measure of anything.
        double tallest = 0;
        for (int i = 0; i < n; ++i)
            if (silhouette[std::size_t(i)])
                tallest = std::max(tallest, Length(base[std::size_t(i)] - roof[std::size_t(i)]));
        if (tallest < kShortestWall)
            continue;
        Candidate c;
        c.height = h;
        ForEachFoot([&](Vec, Vec, double len) { c.feetPixels += FootPixels(len); });
        // Whether a seen face's foot through corner i runs close to the
        // corner's vertical.
        auto AlongAFoot = [&](int i) {
            for (const int face : {(i + n - 1) % n, i}) {
                if (!faceSeen[std::size_t(face)])
                    continue;
                const Vec d = base[std::size_t((face + 1) % n)] - base[std::size_t(face)];
                const Vec u = down[std::size_t(i)];
                const double len = Length(d);
                if (len > 0 && std::fabs(d.x * u.x + d.y * u.y) >= kAlongFoot * len)
                    return true;
            }
            return false;
        };
        double bestShare = -1;
        for (int i = 0; i < n; ++i) {
            if (!silhouette[std::size_t(i)])
                continue;
            const std::vector<int>& prefix = shownBelow[std::size_t(i)];
            const double len = Length(base[std::size_t(i)] - roof[std::size_t(i)]);
            const int t = std::min(int(len), int(prefix.size()) - 1);
            if (t <= kBelowRoof)
                continue;
            const double total = t - kBelowRoof + 1;
            const double shown = prefix[std::size_t(t)];
            c.tally.Add(shown, total, kVerticalWeight);
            c.vertical.Add(shown, total, 1.0);
            const int beyond = std::min(t + kBeyond, int(prefix.size()) - 1);
            c.tally.score -= kVerticalWeight * (prefix[std::size_t(beyond)] - shown);
            if (t + kFarBeyond < int(prefix.size()) && !AlongAFoot(i)) {
                c.beyondShown += prefix[std::size_t(t + kFarBeyond)] - prefix[std::size_t(t + 2)];
                c.beyondRead += kFarBeyond - 2;
            }
            if (len >= kShortestWall && shown / total > bestShare) {
                bestShare = shown / total;
                c.bestCorner = i;
                c.bestBottom = base[std::size_t(i)];
            }
        }
        candidates.push_back(c);
    }
    if (candidates.empty())
        return out;

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
        Candidate& c = candidates[k];
        project(c.height);
        ForEachFoot([&](Vec ga, Vec d, double len) {
            const double ux = d.x / len, uy = d.y / len;
            int shown = 0, all = 0;
            for (double t = kEdgeEnds * len; t <= (1 - kEdgeEnds) * len; t += 1) {
                ++all;
                shown += Supported(edges, ga.x + ux * t, ga.y + uy * t, -uy, ux);
            }
            c.tally.Add(shown, all, 1.0);
            c.ground.Add(shown, all, 1.0);
        });
        c.read = true;
        if (!c.Continues())
            bestSoFar = std::max(bestSoFar, c.tally.Score());
    }

    // Heights whose verticals go on below their ground take no part.
    auto score = [](const Candidate& c) {
        return c.Continues() || !c.read ? -std::numeric_limits<double>::infinity()
                                        : c.tally.Score();
    };
    const auto best = std::max_element(
        candidates.begin(), candidates.end(),
        [&](const Candidate& a, const Candidate& b) { return score(a) < score(b); });
    if (best->Continues())
        return out;
    out.height = best->height;
    out.support = best->tally.Share();
    out.groundSupport = best->ground.Share();
    out.verticalSupport = best->vertical.Share();
    // The strongest height well away from the best one.
    const Candidate* rival = nullptr;
    // Unread heights score less than any that matters here.
    auto raw = [](const Candidate& c) {
        return c.read ? c.tally.Score() : -std::numeric_limits<double>::infinity();
    };
    for (std::size_t k = 0; k < candidates.size(); ++k) {
        const Candidate& c = candidates[k];
        const double score = raw(c);
        // Only a peak of its own, not the slope down from the best one.
        const bool peak = (k == 0 || raw(candidates[k - 1]) <= score) &&
                          (k + 1 == candidates.size() || raw(candidates[k + 1]) <= score);
        if (c.read && peak && !c.Continues() && std::fabs(c.height - best->height) > kRivalGap &&
            (rival == nullptr || score > rival->tally.Score()))
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
    if (FootRepeatsBelow(best->height)) {
        out.verdict = HeightVerdict::TooWeak;
        return out;
    }
    out.verdict = HeightVerdict::Found;
    const Vec top = roof[std::size_t(best->bestCorner)];
    out.wall = {{float(top.x), float(top.y)},
                {float(best->bestBottom.x), float(best->bestBottom.y)}};
    return out;
}

} // namespace velmora
