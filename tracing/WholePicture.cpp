// SPDX-License-Identifier: GPL-3.0-or-later
#include "tracing/WholePicture.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

#include "geometry/CameraModel.h"
#include "geometry/Polygon.h"

namespace velmora {

namespace {

// The greys a roof shows (the tracer refuses any other under a click).
constexpr int kLightLow = 150;
constexpr int kLightHigh = 250;
// A pixel is part of an even surface when its gradient stays below a sharp
// step of this many grey levels (Sobel units: four times the step) ...
constexpr int kEvenGradient = 6 * 4;
// ... and its cleaned grey differs from its right and lower neighbours by
// less than this.
constexpr int kEvenStep = 6;
// A seed lies at least this far (pixels) inside its surface: a van's roof or
// a zebra stripe is too narrow for one, and a trace started closer to an
// edge follows that edge rather than the roof.
constexpr float kSeedDepth = 5.0f;
// Every second pixel of a surface is a seed candidate.
constexpr int kSeedStride = 2;
// A surface is traced from at most this many seeds (adjacent roofs of one
// grey are one surface until their edges split it).
constexpr int kTracesPerSurface = 12;
// A roof whose corner lies this close to the picture's edge is cut by it.
constexpr double kEdgeMargin = 3.0;
// The smallest roof, in picture pixels.
constexpr double kSmallestRoof = 150.0;
// A band narrower than a seed's surface (twice the seed depth across) and
// many times longer than it is wide is an edge band (a parapet, the top of
// a face, the strip between a roof's edge and its face) traced on its own,
// not a roof.
constexpr double kBandWidth = 2 * kSeedDepth;
constexpr double kBandLength = 8.0;
// A candidate more than this share of which is already a roof is that roof.
constexpr double kDuplicateShare = 0.3;
// A face shows below the roof when the height search found its height, or
// when the silhouette's verticals of its best height show an edge over
// kVerticalsShown of their pixels (the faces' foot may be hidden or
// ambiguous: two heights fit). Without a settled height, a "building" lower
// than kLowestUnsettled is more likely a roof traced together with its face.
constexpr double kVerticalsShown = 0.5;
constexpr double kVerticalsOfTwo = 0.4;
constexpr double kLowestUnsettled = 6.0;
// Some of the faces' foot must show then.
constexpr double kFeetShown = 0.05;
// A side runs towards the nadir when it lies within this angle of the
// vertical through its end (sine), and is at least kFaceSide pixels long.
constexpr double kAlongVertical = 0.05;
constexpr double kFaceSide = 10.0;
// Around a seed the tracer found no roof at, this many pixels are given up.
constexpr int kRefusedRadius = 3;

// Picture position <-> pixel of a picture `w` x `h` pixels.
cv::Point2f PixelOf(PicturePoint p, int w, int h) {
    return {p.x + w / 2.0f, h / 2.0f - p.y};
}

std::vector<cv::Point> PixelPolygon(const std::vector<PicturePoint>& outline, int w, int h) {
    std::vector<cv::Point> out;
    // Sub-pixel corners, 4 fraction bits; each pixel's centre decides.
    for (const PicturePoint& p : outline) {
        const cv::Point2f q = PixelOf(p, w, h);
        out.emplace_back(int(std::lround((q.x - 0.5f) * 16)), int(std::lround((q.y - 0.5f) * 16)));
    }
    if (out.size() > 1 && out.front() == out.back())
        out.pop_back();
    return out;
}

double Area(const std::vector<PicturePoint>& o) {
    double a = 0;
    for (std::size_t i = 0; i + 1 < o.size(); ++i)
        a += double(o[i].x) * o[i + 1].y - double(o[i + 1].x) * o[i].y;
    if (!o.empty())
        a += double(o.back().x) * o.front().y - double(o.front().x) * o.back().y;
    return std::fabs(a) / 2;
}

float Top(const std::vector<PicturePoint>& o) {
    float t = -1e30f;
    for (const PicturePoint& p : o)
        t = std::max(t, p.y);
    return t;
}

// The pixels already explained: known and found roofs, and the surfaces
// given up.
class Cover {
  public:
    Cover(int w, int h) : w_(w), h_(h), mask_(h, w, CV_8U, cv::Scalar(0)) {}
    void AddRoof(const std::vector<PicturePoint>& outline) {
        const std::vector<cv::Point> poly = PixelPolygon(outline, w_, h_);
        if (poly.size() >= 3)
            cv::fillPoly(mask_, std::vector<std::vector<cv::Point>>{poly}, cv::Scalar(1),
                         cv::LINE_8, 4);
    }
    void Add(int column, int row) {
        if (column >= 0 && column < w_ && row >= 0 && row < h_)
            mask_.at<std::uint8_t>(row, column) = 1;
    }
    bool At(int column, int row) const {
        return column < 0 || column >= w_ || row < 0 || row >= h_ ||
               mask_.at<std::uint8_t>(row, column) != 0;
    }
    // The share of the outline's pixels already covered.
    double Covered(const std::vector<PicturePoint>& outline) const {
        const std::vector<cv::Point> poly = PixelPolygon(outline, w_, h_);
        if (poly.size() < 3)
            return 1;
        cv::Mat inside(h_, w_, CV_8U, cv::Scalar(0));
        cv::fillPoly(inside, std::vector<std::vector<cv::Point>>{poly}, cv::Scalar(1), cv::LINE_8,
                     4);
        const double all = cv::countNonZero(inside);
        if (all <= 0)
            return 1;
        cv::Mat both;
        cv::bitwise_and(inside, mask_, both);
        return cv::countNonZero(both) / all;
    }

  private:
    int w_, h_;
    cv::Mat mask_;
};

} // namespace

double RoofThickness(const std::vector<PicturePoint>& outline) {
    std::vector<PicturePoint> ring = outline;
    if (ring.size() > 1 && ring.front().x == ring.back().x && ring.front().y == ring.back().y)
        ring.pop_back();
    if (ring.size() < 3)
        return 0;
    float x0 = 1e30f, y0 = 1e30f, x1 = -1e30f, y1 = -1e30f;
    for (const PicturePoint& p : ring) {
        x0 = std::min(x0, p.x);
        y0 = std::min(y0, p.y);
        x1 = std::max(x1, p.x);
        y1 = std::max(y1, p.y);
    }
    // The outline in a frame of its own with a pixel of room around it.
    const int w = int(std::ceil(x1 - x0)) + 4, h = int(std::ceil(y1 - y0)) + 4;
    if (w > 4000 || h > 4000)
        return 0;
    std::vector<cv::Point> poly;
    for (const PicturePoint& p : ring)
        poly.emplace_back(int(std::lround((p.x - x0 + 2) * 16)),
                          int(std::lround((y1 - p.y + 2) * 16)));
    cv::Mat inside(h, w, CV_8U, cv::Scalar(0));
    cv::fillPoly(inside, std::vector<std::vector<cv::Point>>{poly}, cv::Scalar(255), cv::LINE_8, 4);
    cv::Mat depth;
    cv::distanceTransform(inside, depth, cv::DIST_L2, 3);
    double deepest = 0;
    cv::minMaxLoc(depth, nullptr, &deepest);
    return deepest;
}

bool IsBand(const std::vector<PicturePoint>& outline) {
    const double thickness = RoofThickness(outline);
    if (thickness >= kBandWidth)
        return false;
    double longest = 0;
    for (std::size_t i = 0; i < outline.size(); ++i)
        for (std::size_t j = i + 1; j < outline.size(); ++j)
            longest = std::max(longest, double(std::hypot(outline[i].x - outline[j].x,
                                                          outline[i].y - outline[j].y)));
    return longest > kBandLength * 2 * thickness;
}

bool ShowsFace(const TraceResult& t) {
    if (!t.searched)
        return false;
    switch (t.height.verdict) {
    case HeightVerdict::Found:
        return true;
    case HeightVerdict::TwoHeights:
    case HeightVerdict::FaceGoesOn:
    case HeightVerdict::FootOnRoof:
    case HeightVerdict::FootHidden:
        // A face is there; only its foot is not settled.
        return t.height.verticalSupport >= kVerticalsOfTwo;
    case HeightVerdict::TooWeak:
        break;
    }
    return t.height.height >= kLowestUnsettled && t.height.verticalSupport >= kVerticalsShown &&
           t.height.groundSupport >= kFeetShown;
}

bool SidesRunToNadir(const std::vector<PicturePoint>& outline, const TraceCamera& c) {
    std::vector<PicturePoint> ring = outline;
    if (ring.size() > 1 && ring.front().x == ring.back().x && ring.front().y == ring.back().y)
        ring.pop_back();
    const double m = c.metresPerUnit;
    if (ring.size() < 3 || !(m > 0))
        return false;
    // The vertical through a picture point: where it would stand on the
    // ground were it a roof corner 10 m up.
    auto down = [&](PicturePoint p, double& dx, double& dy) {
        const auto plan = PlanPoint(c.thetaRad, c.slantRange, p.x * m, p.y * m, 10.0);
        if (!plan)
            return false;
        const auto g = ImagePoint(c.thetaRad, c.slantRange, plan->x, plan->y, 0);
        if (!g)
            return false;
        dx = g->x / m - p.x;
        dy = g->y / m - p.y;
        const double len = std::hypot(dx, dy);
        if (!(len > 0))
            return false;
        dx /= len;
        dy /= len;
        return true;
    };
    int vertical = 0;
    for (std::size_t i = 0; i < ring.size(); ++i) {
        const PicturePoint a = ring[i], b = ring[(i + 1) % ring.size()];
        const double ex = b.x - a.x, ey = b.y - a.y, len = std::hypot(ex, ey);
        double dx = 0, dy = 0;
        if (len < kFaceSide || !down({(a.x + b.x) / 2, (a.y + b.y) / 2}, dx, dy))
            continue;
        vertical += std::fabs(ex * dy - ey * dx) <= kAlongVertical * len;
    }
    return vertical >= 2;
}

std::vector<SearchSeed> SearchSeeds(const TraceInput& input) {
    const GreyRaster& g = input.grey;
    const int w = g.Width(), h = g.Height();
    std::vector<SearchSeed> out;
    if (w < 3 || h < 3)
        return out;
    cv::Mat even(h, w, CV_8U, cv::Scalar(0));
    for (int row = 0; row < h; ++row) {
        const std::uint8_t* line = g.RowData(row);
        const std::uint8_t* below = row + 1 < h ? g.RowData(row + 1) : line;
        auto* m = even.ptr<std::uint8_t>(row);
        for (int col = 0; col < w; ++col) {
            const int v = line[col];
            if (v < kLightLow || v > kLightHigh)
                continue;
            if (col + 1 < w && std::abs(v - line[col + 1]) >= kEvenStep)
                continue;
            if (std::abs(v - below[col]) >= kEvenStep)
                continue;
            int gx = 0, gy = 0;
            const double x = col - w / 2.0, y = h / 2.0 - row;
            if (input.edges.Gradient(x, y, gx, gy) &&
                std::abs(gx) + std::abs(gy) >= 2 * kEvenGradient)
                continue;
            m[col] = 255;
        }
    }
    // The picture's edge ends every surface.
    cv::rectangle(even, cv::Rect(0, 0, w, h), cv::Scalar(0), 1);
    cv::Mat depth;
    cv::distanceTransform(even, depth, cv::DIST_L2, 3);
    cv::Mat deep = depth >= kSeedDepth;
    cv::Mat labels;
    const int surfaces = cv::connectedComponents(deep, labels, 8, CV_32S);
    (void)surfaces;
    for (int row = 1; row < h - 1; row += kSeedStride) {
        const float* d = depth.ptr<float>(row);
        const int* l = labels.ptr<int>(row);
        for (int col = 1; col < w - 1; col += kSeedStride)
            if (l[col] > 0)
                out.push_back({{float(col - w / 2.0), float(h / 2.0 - row)}, l[col], d[col]});
    }
    // Surface by surface, each from its deepest point down.
    std::sort(out.begin(), out.end(), [](const SearchSeed& a, const SearchSeed& b) {
        if (a.surface != b.surface)
            return a.surface < b.surface;
        return a.depth > b.depth;
    });
    return out;
}

WholePictureResult FindEveryRoof(RoofTracer& tracer, const TraceInput& input,
                                 const TraceCamera& camera,
                                 const std::vector<std::vector<PicturePoint>>& known,
                                 const WholePictureProgress& progress) {
    WholePictureResult out;
    tracer.SetInput(&input);
    const int w = input.grey.Width(), h = input.grey.Height();
    if (w <= 0 || h <= 0)
        return out;
    Cover cover(w, h);
    for (const std::vector<PicturePoint>& k : known)
        cover.AddRoof(k);
    const std::vector<SearchSeed> seeds = SearchSeeds(input);
    int total = 0;
    for (std::size_t i = 0; i < seeds.size(); ++i)
        total += i == 0 || seeds[i].surface != seeds[i - 1].surface;
    int done = 0;
    int tracesHere = 0;
    std::vector<FoundRoof> found;
    for (std::size_t i = 0; i < seeds.size(); ++i) {
        const SearchSeed& s = seeds[i];
        const bool last = i + 1 == seeds.size() || seeds[i + 1].surface != s.surface;
        if (i == 0 || seeds[i - 1].surface != s.surface)
            tracesHere = 0;
        const cv::Point2f px = PixelOf(s.at, w, h);
        const int column = int(std::floor(px.x)), row = int(std::floor(px.y));
        if (tracesHere < kTracesPerSurface && !cover.At(column, row)) {
            ++tracesHere;
            ++out.seeds;
            TraceResult r = tracer.Trace(s.at.x, s.at.y, &camera);
            const bool filled = r.refusal == TraceRefusal::NoClosedEdge ||
                                r.refusal == TraceRefusal::NoOutline ||
                                r.refusal == TraceRefusal::None;
            if (r.refusal != TraceRefusal::None) {
                ++out.refused;
            } else {
                std::vector<PicturePoint> ring = r.outline;
                if (ring.size() > 1 && ring.front().x == ring.back().x &&
                    ring.front().y == ring.back().y)
                    ring.pop_back();
                const bool atEdge = std::any_of(ring.begin(), ring.end(), [&](PicturePoint p) {
                    const cv::Point2f q = PixelOf(p, w, h);
                    return q.x < kEdgeMargin || q.y < kEdgeMargin || q.x > w - kEdgeMargin ||
                           q.y > h - kEdgeMargin;
                });
                std::optional<LeftOut> why;
                if (ring.size() < 3 || !InsidePolygon(ring, s.at.x, s.at.y) ||
                    cover.Covered(ring) > kDuplicateShare)
                    why = LeftOut::Duplicate, ++out.duplicates;
                else if (Area(ring) < kSmallestRoof)
                    why = LeftOut::TooSmall, ++out.tooSmall;
                else if (IsBand(ring))
                    why = LeftOut::Band, ++out.bands;
                else if (atEdge)
                    why = LeftOut::AtEdge, ++out.atEdge;
                else if (SidesRunToNadir(ring, camera))
                    why = LeftOut::IsAFace, ++out.faces;
                else if (!ShowsFace(r))
                    why = LeftOut::NoFace, ++out.noFace;
                if (why) {
                    out.leftOut.push_back({s.at, std::move(r), *why});
                } else {
                    cover.AddRoof(ring);
                    found.push_back({s.at, std::move(r)});
                }
            }
            // Whatever the trace gave, the surface it filled is explained:
            // no later seed starts on it again.
            if (filled) {
                for (int lx = std::max(0, tracer.pRegionMinX - 1);
                     lx <= std::min(kLocalMaxX, tracer.pRegionMaxX + 1); ++lx)
                    for (int ly = std::max(0, tracer.pRegionMinY - 1);
                         ly <= std::min(kLocalMaxY, tracer.pRegionMaxY + 1); ++ly)
                        if (tracer.gDilatedMap.Get(lx, ly) != 0) {
                            const PicturePoint p = tracer.ToPicture(lx, ly);
                            int c = 0, rr = 0;
                            if (PicturePixel(w, h, p.x, p.y, c, rr))
                                cover.Add(c, rr);
                        }
            }
            for (int dy = -kRefusedRadius; dy <= kRefusedRadius; ++dy)
                for (int dx = -kRefusedRadius; dx <= kRefusedRadius; ++dx)
                    cover.Add(column + dx, row + dy);
        }
        if (last) {
            ++done;
            if (progress && !progress(done, total)) {
                out.cancelled = true;
                return out;
            }
        }
    }
    std::stable_sort(found.begin(), found.end(), [](const FoundRoof& a, const FoundRoof& b) {
        const float ta = Top(a.traced.outline), tb = Top(b.traced.outline);
        if (ta != tb)
            return ta > tb;
        return a.traced.outline.front().x < b.traced.outline.front().x;
    });
    out.roofs = std::move(found);
    return out;
}

} // namespace velmora
