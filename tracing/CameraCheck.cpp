// SPDX-License-Identifier: GPL-3.0-or-later
#include "tracing/CameraCheck.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "geometry/CameraModel.h"
#include "geometry/Polygon.h"
#include "tracing/HeightSearch.h"

namespace velmora {

namespace {

// ---- Measuring one vertical ------------------------------------------------

// Directions searched from a roof corner, degrees either side of straight
// down, and the step of the coarse search.
constexpr double kFan = 50.0;
constexpr double kFanStep = 0.5;
// The edge is read from this far below the corner (the corner's own blur
// and the roof's edges lie above) ...
constexpr int kStartBelow = 3;
// ... to at most this far.
constexpr int kLongest = 250;
// Edge pixels across the line are read as the height search reads them
// (heights::EdgeAcross); a corner's edge needs at least its gradient.
constexpr int kMinEdge = 32;
// A run of edge pixels may miss this many in a row (a window, a tree).
constexpr int kGap = 2;
// Shorter runs tell no direction.
constexpr int kShortest = 12;
// The line's first pixels lie at least this far outside the roof: a
// vertical behind the building runs across the roof and is hidden.
constexpr double kOutside = 1.5;
// Edge positions are read this many columns either side of the line.
constexpr int kAcross = 3;
// Residuals beyond this many standard deviations are dropped from a line.
constexpr double kOutlierZ = 3.0;
// The position of a sharp edge read from three gradients is good to about
// this (pixels): the least scatter a line is credited with.
constexpr double kLeastScatter = 0.15;
constexpr int kFewestPixels = 8;
// The edge positions of neighbouring rows are read through the same 5 x 5
// median: their errors are shared, and a line has about one independent
// position per five rows.
constexpr double kRowsPerPosition = 5.0;

// Two readings closer than this across and in direction are one edge.
constexpr double kSameEdge = 2.0;
constexpr double kSameDirection = 0.035; // sin 2 degrees

// ---- Fitting the nadir and deciding ----------------------------------------

// A vertical meets the nadir when it passes within this many of its own
// standard deviations.
constexpr double kInlierZ = 3.0;
// Meeting points are sought among at most this many of the longest verticals.
constexpr int kPairedLines = 40;
// Two verticals closer in direction than this give no meeting point.
constexpr double kParallel = 0.017; // sin 1 degree
// A difference counts when it exceeds this many standard deviations: a
// right camera is called wrong about once in a hundred pictures.
constexpr double kAlarmZ = 2.576;
// The smallest camera error worth catching (a tilt 3 degrees off turns a
// 30 m building's height by several metres), caught nine times in ten:
// a tilt whose uncertainty is above kConcern / (kAlarmZ + kPowerZ) cannot
// tell such a camera from a right one and is not reported.
constexpr double kConcern = 3.0;
constexpr double kPowerZ = 1.282;
// What many verticals cannot average away: a bias the edges of one picture
// share (blur, shading, JPEG blocks). Measured on the tuning half of the
// realistic test pictures, whose cameras are exact: the tilt of the right
// camera's pictures scatters by 0.1 degrees (rms) about the truth.
constexpr double kSharedTiltError = 0.1;

// The alarm level kAlarmZ for a fit over few verticals: the Student t
// quantile (0.995) for `dof` degrees of freedom, since the verticals' own
// scatter sets the uncertainty there.
double AlarmLevel(int dof) {
    static constexpr double kT[] = {63.66, 9.925, 5.841, 4.604, 4.032, 3.707, 3.499, 3.355,
                                    3.250, 3.169, 3.106, 3.055, 3.012, 2.977, 2.947, 2.921,
                                    2.898, 2.878, 2.861, 2.845, 2.831, 2.819, 2.807, 2.797,
                                    2.787, 2.779, 2.771, 2.763, 2.756, 2.750};
    if (dof < 1)
        return kT[0];
    return dof <= 30 ? kT[dof - 1] : kAlarmZ;
}

struct Vec {
    double x = 0;
    double y = 0;
};

double DistanceToOutline(const std::vector<Vec>& poly, Vec p) {
    double best = 1e300;
    for (std::size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
        const Vec a = poly[j], b = poly[i];
        const double ex = b.x - a.x, ey = b.y - a.y, l2 = ex * ex + ey * ey;
        double t = l2 > 0 ? ((p.x - a.x) * ex + (p.y - a.y) * ey) / l2 : 0;
        t = std::clamp(t, 0.0, 1.0);
        best = std::min(best, std::hypot(p.x - a.x - t * ex, p.y - a.y - t * ey));
    }
    return best;
}

// Length of the run of edge pixels from the corner along direction d, gaps
// of up to kGap allowed; 0 when it does not start outside the roof.
int RunAlong(const EdgeField& e, const std::vector<Vec>& roof, Vec corner, Vec d) {
    const Vec probe{corner.x + (kStartBelow + 3) * d.x, corner.y + (kStartBelow + 3) * d.y};
    if (InsidePolygon(roof, probe) || DistanceToOutline(roof, probe) < kOutside)
        return 0;
    int last = 0, missed = 0;
    for (int t = kStartBelow; t <= kLongest; ++t) {
        if (heights::EdgeAcross(e, corner.x + t * d.x, corner.y + t * d.y, -d.y, d.x)) {
            last = t;
            missed = 0;
        } else if (++missed > kGap) {
            break;
        }
    }
    return last > 0 ? last - kStartBelow + 1 : 0;
}

Vec Down(double degrees) {
    const double a = degrees * kDegToRad;
    return {std::sin(a), -std::cos(a)};
}

// The edge's position on each picture row the line crosses, to a fraction
// of a pixel, then the straight line through them.
std::optional<MeasuredVertical> FitLine(const EdgeField& e, Vec corner, Vec d, int run) {
    const int w = e.Width(), h = e.Height();
    const double slope = d.x / d.y; // x change per unit of y
    const Vec n{-d.y, d.x};
    std::vector<Vec> pts;
    // Rows whose centres lie on the read part of the line (the lowest two
    // pixels end in the wall's foot).
    const double yTop = corner.y + kStartBelow * d.y;
    const double yBottom = corner.y + (kStartBelow + run - 3) * d.y;
    for (int row = int(std::ceil(h / 2.0 - yTop - 0.5));
         row <= int(std::floor(h / 2.0 - yBottom - 0.5)); ++row) {
        if (row < 0 || row >= h)
            continue;
        const double yc = h / 2.0 - row - 0.5;
        const double xp = corner.x + (yc - corner.y) * slope;
        const int c0 = int(std::floor(xp + w / 2.0));
        double best = -1;
        int bestC = 0;
        double v[2 * kAcross + 3] = {};
        for (int k = -kAcross - 1; k <= kAcross + 1; ++k) {
            int gx = 0, gy = 0;
            const double xc = c0 + k - w / 2.0 + 0.5;
            double s = 0;
            if (e.Gradient(xc, yc, gx, gy))
                s = std::fabs(gx * n.x + gy * n.y);
            v[k + kAcross + 1] = s;
        }
        for (int k = -kAcross; k <= kAcross; ++k)
            if (v[k + kAcross + 1] > best) {
                best = v[k + kAcross + 1];
                bestC = k;
            }
        if (best < kMinEdge)
            continue;
        const double a = v[bestC + kAcross], b = best, c = v[bestC + kAcross + 2];
        const double denom = a - 2 * b + c;
        const double frac = denom < 0 ? std::clamp(0.5 * (a - c) / denom, -0.5, 0.5) : 0;
        pts.push_back({c0 + bestC + frac - w / 2.0 + 0.5, yc});
    }
    // x = a + b (y - ym), refitted without outliers.
    std::vector<char> keep(pts.size(), 1);
    double a = 0, b = 0, ym = 0, syy = 0, s = 0;
    int used = 0;
    for (int pass = 0; pass < 3; ++pass) {
        double sy = 0, sx = 0;
        used = 0;
        for (std::size_t i = 0; i < pts.size(); ++i)
            if (keep[i]) {
                sy += pts[i].y;
                sx += pts[i].x;
                ++used;
            }
        if (used < kFewestPixels)
            return std::nullopt;
        ym = sy / used;
        a = sx / used;
        double sxy = 0;
        syy = 0;
        for (std::size_t i = 0; i < pts.size(); ++i)
            if (keep[i]) {
                syy += (pts[i].y - ym) * (pts[i].y - ym);
                sxy += (pts[i].y - ym) * (pts[i].x - a);
            }
        if (!(syy > 0))
            return std::nullopt;
        b = sxy / syy;
        double ss = 0;
        for (std::size_t i = 0; i < pts.size(); ++i)
            if (keep[i]) {
                const double r = pts[i].x - a - b * (pts[i].y - ym);
                ss += r * r;
            }
        s = used > 2 ? std::sqrt(ss / (used - 2)) : 0;
        const double limit = kOutlierZ * std::max(s, kLeastScatter);
        bool changed = false;
        for (std::size_t i = 0; i < pts.size(); ++i) {
            const bool in = std::fabs(pts[i].x - a - b * (pts[i].y - ym)) <= limit;
            changed |= bool(keep[i]) != in;
            keep[i] = in;
        }
        if (!changed)
            break;
    }
    double lo = 1e300, hi = -1e300;
    for (std::size_t i = 0; i < pts.size(); ++i)
        if (keep[i]) {
            lo = std::min(lo, pts[i].y);
            hi = std::max(hi, pts[i].y);
        }
    if (used < kFewestPixels || hi - lo < kShortest - 3)
        return std::nullopt;
    const double scatter = std::max(s, kLeastScatter);
    const double norm = std::sqrt(1 + b * b);
    MeasuredVertical m;
    m.x = a;
    m.y = ym;
    m.dx = -b / norm;
    m.dy = -1 / norm;
    m.length = (hi - lo) * norm;
    const double shared = std::sqrt(kRowsPerPosition);
    m.sigmaAngle = shared * scatter / std::sqrt(syy) / (1 + b * b);
    m.sigmaAcross = shared * scatter / std::sqrt(double(used)) / norm;
    return m;
}

// ---- Nadir fit ----------------------------------------------------------------

struct Residual {
    double e = 0;     // distance of the point from the line
    double sigma = 1; // its standard deviation there
    bool ahead = false;
};

Residual ResidualOf(const MeasuredVertical& v, double x, double y) {
    const double rx = x - v.x, ry = y - v.y;
    const double along = rx * v.dx + ry * v.dy;
    Residual r;
    r.e = rx * -v.dy + ry * v.dx;
    r.sigma =
        std::sqrt(v.sigmaAcross * v.sigmaAcross + along * along * v.sigmaAngle * v.sigmaAngle);
    r.ahead = along > 0;
    return r;
}

bool Meets(const MeasuredVertical& v, double x, double y) {
    const Residual r = ResidualOf(v, x, y);
    return r.ahead && std::fabs(r.e) <= kInlierZ * r.sigma;
}

// Weighted least squares over `use`, from the start (x, y); the column
// stays when it is given.
bool Refine(const std::vector<MeasuredVertical>& vs, const std::vector<int>& use,
            std::optional<double> column, double& x, double& y, double& sx, double& sy) {
    const bool both = !column;
    const int dof = int(use.size()) - (both ? 2 : 1);
    if (dof < 0)
        return false;
    for (int it = 0; it < 8; ++it) {
        double a11 = 0, a12 = 0, a22 = 0, b1 = 0, b2 = 0, chi2 = 0;
        for (const int i : use) {
            const MeasuredVertical& v = vs[std::size_t(i)];
            const Residual r = ResidualOf(v, x, y);
            const double nx = -v.dy, ny = v.dx, w = 1 / (r.sigma * r.sigma);
            // e = nx (X - vx) + ny (Y - vy): linear in X, Y.
            a11 += w * nx * nx;
            a12 += w * nx * ny;
            a22 += w * ny * ny;
            b1 -= w * nx * r.e;
            b2 -= w * ny * r.e;
            chi2 += w * r.e * r.e;
        }
        const double scale = dof > 0 ? std::max(1.0, chi2 / dof) : 1.0;
        double dx = 0, dy = 0;
        if (both) {
            const double det = a11 * a22 - a12 * a12;
            if (!(det > 0))
                return false;
            dx = (a22 * b1 - a12 * b2) / det;
            dy = (a11 * b2 - a12 * b1) / det;
            sx = std::sqrt(scale * a22 / det);
            sy = std::sqrt(scale * a11 / det);
        } else {
            if (!(a22 > 0))
                return false;
            dy = b2 / a22;
            sx = 0;
            sy = std::sqrt(scale / a22);
        }
        x += dx;
        y += dy;
        if (std::hypot(dx, dy) < 1e-3)
            break;
    }
    return std::isfinite(x) && std::isfinite(y);
}

} // namespace

std::vector<MeasuredVertical> MeasureVerticals(const std::vector<PicturePoint>& outline,
                                               const EdgeField& edges) {
    std::vector<Vec> roof;
    for (const PicturePoint& p : outline)
        roof.push_back({p.x, p.y});
    if (roof.size() > 1 && roof.front().x == roof.back().x && roof.front().y == roof.back().y)
        roof.pop_back();
    std::vector<MeasuredVertical> out;
    if (roof.size() < 3 || edges.Width() == 0)
        return out;
    for (const Vec& corner : roof) {
        int best = 0;
        double bestAngle = 0;
        for (double a = -kFan; a <= kFan; a += kFanStep) {
            const int run = RunAlong(edges, roof, corner, Down(a));
            if (run > best) {
                best = run;
                bestAngle = a;
            }
        }
        if (best < kShortest)
            continue;
        // The best direction's neighbours often run as long: the middle of
        // the directions that reach the longest run.
        double lo = bestAngle, hi = bestAngle;
        while (lo - kFanStep >= -kFan && RunAlong(edges, roof, corner, Down(lo - kFanStep)) >= best)
            lo -= kFanStep;
        while (hi + kFanStep <= kFan && RunAlong(edges, roof, corner, Down(hi + kFanStep)) >= best)
            hi += kFanStep;
        if (const auto m = FitLine(edges, corner, Down((lo + hi) / 2), best))
            out.push_back(*m);
    }
    // Two corners a few pixels apart find the same edge: it counts once,
    // as its longer reading.
    std::vector<MeasuredVertical> kept;
    for (const MeasuredVertical& m : out) {
        bool same = false;
        for (MeasuredVertical& k : kept) {
            const double across = std::fabs((m.x - k.x) * -k.dy + (m.y - k.y) * k.dx);
            const double turn = std::fabs(m.dx * k.dy - m.dy * k.dx);
            if (across < kSameEdge && turn < kSameDirection) {
                same = true;
                if (m.length > k.length)
                    k = m;
                break;
            }
        }
        if (!same)
            kept.push_back(m);
    }
    return kept;
}

NadirFit FitNadir(const std::vector<MeasuredVertical>& vs, std::optional<double> column) {
    NadirFit best;
    const int n = int(vs.size());
    double bestChi = 1e300;
    auto consider = [&](double x, double y) {
        if (!std::isfinite(x) || !std::isfinite(y))
            return;
        int count = 0;
        double chi = 0;
        for (const MeasuredVertical& v : vs) {
            const Residual r = ResidualOf(v, x, y);
            if (r.ahead && std::fabs(r.e) <= kInlierZ * r.sigma) {
                ++count;
                chi += r.e * r.e / (r.sigma * r.sigma);
            }
        }
        if (count > best.used || (count == best.used && chi < bestChi)) {
            best.used = count;
            best.x = x;
            best.y = y;
            bestChi = chi;
        }
    };
    if (column) {
        // Each vertical meets the column somewhere.
        for (const MeasuredVertical& v : vs)
            if (std::fabs(v.dx) > kParallel)
                consider(*column, v.y + (*column - v.x) / v.dx * v.dy);
    } else {
        // Meeting points of pairs among the longest verticals only: the
        // pairs grow with the square of their number.
        std::vector<int> order(std::size_t(n), 0);
        for (int i = 0; i < n; ++i)
            order[std::size_t(i)] = i;
        std::sort(order.begin(), order.end(), [&](int a, int b) {
            return vs[std::size_t(a)].length > vs[std::size_t(b)].length;
        });
        const int m = std::min(n, kPairedLines);
        for (int oi = 0; oi < m; ++oi)
            for (int oj = oi + 1; oj < m; ++oj) {
                const int i = order[std::size_t(oi)], j = order[std::size_t(oj)];
                const MeasuredVertical &a = vs[std::size_t(i)], &b = vs[std::size_t(j)];
                const double cross = a.dx * b.dy - a.dy * b.dx;
                if (std::fabs(cross) < kParallel)
                    continue;
                const double t = ((b.x - a.x) * b.dy - (b.y - a.y) * b.dx) / cross;
                consider(a.x + t * a.dx, a.y + t * a.dy);
            }
    }
    if (best.used == 0)
        return best;
    double x = best.x, y = best.y, sx = 0, sy = 0;
    std::vector<int> use;
    for (int pass = 0; pass < 3; ++pass) {
        std::vector<int> now;
        for (int i = 0; i < n; ++i)
            if (Meets(vs[std::size_t(i)], x, y))
                now.push_back(i);
        if (now.size() < 2 || (pass > 0 && now == use))
            break;
        use = now;
        double rx = x, ry = y;
        if (!Refine(vs, use, column, rx, ry, sx, sy))
            return NadirFit{};
        x = rx;
        y = ry;
    }
    if (use.empty())
        return NadirFit{};
    best.found = true;
    best.x = x;
    best.y = y;
    best.sigmaX = sx;
    best.sigmaY = sy;
    best.used = int(use.size());
    best.inliers = use;
    return best;
}

double TiltOfNadir(double nadirY, double pictureWidth) {
    return std::atan2(-nadirY, kImageWidthFactor * pictureWidth) * kRadToDeg;
}

double NadirOfTilt(double tiltDeg, double pictureWidth) {
    return -kImageWidthFactor * pictureWidth * std::tan(tiltDeg * kDegToRad);
}

CameraCheck CheckCamera(const std::vector<MeasuredVertical>& verticals, double pictureWidth,
                        double typedTiltDeg) {
    CameraCheck c;
    c.typedTilt = typedTiltDeg;
    c.measured = int(verticals.size());
    const double f = kImageWidthFactor * pictureWidth;
    const NadirFit free = FitNadir(verticals, std::nullopt);
    if (!free.found || free.used < kFewestVerticals) {
        c.verticals = free.found ? free.used : 0;
        c.reason = CameraReason::TooFewVerticals;
        return c;
    }
    c.verticals = free.used;
    c.nadirX = free.x;
    c.nadirXUncertainty = free.sigmaX;
    c.nadirY = free.y;
    if (!(free.y < 0)) {
        c.reason = CameraReason::NadirNotBelow;
        return c;
    }
    // dtheta / dy of theta = atan(-y / f), degrees per picture unit.
    auto tiltSigma = [&](double y, double sy) { return sy * f / (f * f + y * y) * kRadToDeg; };
    auto roofs = [&](const NadirFit& fit) {
        std::vector<int> seen;
        for (const int i : fit.inliers)
            seen.push_back(verticals[std::size_t(i)].roof);
        std::sort(seen.begin(), seen.end());
        return int(std::unique(seen.begin(), seen.end()) - seen.begin());
    };
    const bool offCentre = std::fabs(free.x) > AlarmLevel(roofs(free) - 2) * free.sigmaX;
    double y = free.y, sy = free.sigmaY;
    int dof = roofs(free) - 2;
    c.buildings = roofs(free);
    if (!offCentre) {
        // On the centre column as the model has it: the verticals then
        // tell the nadir's height better.
        const NadirFit onColumn = FitNadir(verticals, 0.0);
        if (onColumn.found && onColumn.used >= kFewestVerticals && onColumn.y < 0) {
            y = onColumn.y;
            sy = onColumn.sigmaY;
            c.verticals = onColumn.used;
            c.nadirY = y;
            dof = roofs(onColumn) - 1;
            c.buildings = roofs(onColumn);
        }
    }
    c.tiltUncertainty = std::hypot(tiltSigma(y, sy), kSharedTiltError);
    const double alarm = AlarmLevel(dof);
    if (c.tiltUncertainty > kConcern / (alarm + kPowerZ)) {
        c.reason = CameraReason::TooUncertain;
        return c;
    }
    c.pictureTilt = TiltOfNadir(y, pictureWidth);
    if (offCentre) {
        c.verdict = CameraVerdict::Disagrees;
        c.reason = CameraReason::NadirOffCentre;
    } else if (std::fabs(*c.pictureTilt - typedTiltDeg) > alarm * c.tiltUncertainty) {
        c.verdict = CameraVerdict::Disagrees;
        c.reason = CameraReason::TiltDiffers;
    } else {
        c.verdict = CameraVerdict::Agrees;
        c.reason = CameraReason::Fits;
    }
    return c;
}

CameraCheck CheckCameraAtRoofs(const std::vector<std::vector<PicturePoint>>& outlines,
                               const EdgeField& edges, double pictureWidth, double typedTiltDeg) {
    std::vector<MeasuredVertical> all;
    for (std::size_t r = 0; r < outlines.size(); ++r)
        for (MeasuredVertical v : MeasureVerticals(outlines[r], edges)) {
            v.roof = int(r);
            all.push_back(v);
        }
    return CheckCamera(all, pictureWidth, typedTiltDeg);
}

const char* VerdictWord(CameraVerdict v) {
    switch (v) {
    case CameraVerdict::Agrees:
        return "agrees";
    case CameraVerdict::Disagrees:
        return "disagrees";
    case CameraVerdict::Unknown:
        break;
    }
    return "unknown";
}

namespace {

std::string Fixed(double v, int decimals) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    std::string s = buf;
    if (s == "-0" || s.rfind("-0.", 0) == 0) {
        bool zero = true;
        for (const char ch : s)
            zero = zero && (ch == '-' || ch == '0' || ch == '.');
        if (zero)
            s.erase(0, 1);
    }
    return s;
}

} // namespace

std::string CameraReasonText(const CameraCheck& c) {
    switch (c.reason) {
    case CameraReason::TooFewVerticals:
        return "too few building verticals meet at one point (" + std::to_string(c.verticals) +
               " of " + std::to_string(c.measured) + " measured; at least " +
               std::to_string(kFewestVerticals) + " needed)";
    case CameraReason::NadirNotBelow:
        return "the verticals meet above the picture's centre, which no tilt of the camera model "
               "gives";
    case CameraReason::TooUncertain:
        return "the verticals of " + std::to_string(c.buildings) +
               " buildings leave the tilt uncertain by " + Fixed(c.tiltUncertainty, 1) +
               " degrees, too much to tell a camera 3 degrees off from so few buildings";
    case CameraReason::Fits:
        return "its verticals show a tilt of " + Fixed(*c.pictureTilt, 1) + " +- " +
               Fixed(c.tiltUncertainty, 1) + " degrees, the altitudes give " +
               Fixed(c.typedTilt, 1) + " degrees";
    case CameraReason::TiltDiffers:
    case CameraReason::NadirOffCentre:
        return CameraMisfitText(c);
    }
    return {};
}

std::string CameraMisfitText(const CameraCheck& c) {
    if (c.reason == CameraReason::NadirOffCentre && c.nadirX)
        return "the camera does not fit the picture: its verticals meet below column " +
               Fixed(*c.nadirX, 0) +
               ", not below the picture's centre; the picture seems cropped or shifted";
    return "the camera does not fit the picture: its verticals show a tilt of " +
           Fixed(c.pictureTilt.value_or(0), 1) + "°, the altitudes give " + Fixed(c.typedTilt, 1) +
           "°";
}

} // namespace velmora
