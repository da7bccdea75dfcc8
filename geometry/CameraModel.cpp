// SPDX-License-Identifier: GPL-3.0-or-later
#include "geometry/CameraModel.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <vector>

namespace velmora {

namespace {

bool Finite(double v) {
    return std::isfinite(v);
}

// Fits the record's 32-bit storage.
bool Storable(double v) {
    return std::isfinite(v) && std::fabs(v) <= static_cast<double>(FLT_MAX);
}

// The camera of one view, with its trigonometry worked out once so the
// per-point routines cost a few multiplications.
class Camera {
  public:
    static std::optional<Camera> Make(double thetaRad, double slantRange) {
        if (slantRange == 0.0 || !Finite(slantRange) || !Finite(thetaRad))
            return std::nullopt;
        return Camera(thetaRad, slantRange);
    }

    // Tangent of the angle from the vertical of the ray through image-plane
    // height v, or nullopt for a ray that never meets the ground (parallel
    // to it, or, which no real picture row does, pointing above the horizon).
    std::optional<double> RayTangent(double v) const {
        constexpr double kParallel = 1e-12;
        const double m = v / f_;
        const double denom = 1.0 - m * tan_;
        if (!(denom > kParallel) || !Finite(m))
            return std::nullopt;
        const double t = (tan_ + m) / denom;
        if (!Finite(t))
            return std::nullopt;
        return t;
    }

    std::optional<double> WallHeight(double a, double b) const {
        const auto tu = RayTangent(std::max(a, b));
        const auto tl = RayTangent(std::min(a, b));
        if (!tu || !tl || *tu == 0.0)
            return std::nullopt;
        const double h = c_ * (*tu - *tl) / *tu;
        if (!Finite(h))
            return std::nullopt;
        return h;
    }

    std::optional<PlanXY> PlanPoint(double x, double y, double h) const {
        const auto t = RayTangent(y);
        if (!t || c_ == 0.0)
            return std::nullopt;
        const double dist = c_ * *t - g_;
        const double groundX = x * (f_ + dist * sin_) / f_;
        PlanXY p{groundX * (1.0 - h / c_), dist - h * *t};
        if (!Finite(p.x) || !Finite(p.y))
            return std::nullopt;
        return p;
    }

    std::optional<PlanXY> ImagePoint(double planX, double planY, double h) const {
        // PlanPoint solved for the picture position: the ray must reach the
        // height h above the plan point.
        if (!(c_ - h > 0.0))
            return std::nullopt;
        const double t = (planY + g_) / (c_ - h);
        const double denom = 1.0 + t * tan_;
        const double dist = c_ * t - g_;
        const double spread = f_ + dist * sin_;
        // A point behind the camera (denom <= 0) is seen nowhere.
        if (!(denom > 0.0) || spread == 0.0)
            return std::nullopt;
        PlanXY p{planX / (1.0 - h / c_) * f_ / spread, (t - tan_) / denom * f_};
        if (!Finite(p.x) || !Finite(p.y))
            return std::nullopt;
        return p;
    }

  private:
    Camera(double thetaRad, double slantRange)
        : f_(slantRange), tan_(std::tan(thetaRad)), sin_(std::sin(thetaRad)),
          c_(slantRange * std::cos(thetaRad)), g_(slantRange * sin_) {}

    double f_;   // slant range
    double tan_; // tan theta
    double sin_; // sin theta
    double c_;   // camera altitude F cos theta
    double g_;   // horizontal distance camera foot to centre ground point
};

// Slots of a table that a reader may visit: the count clamped to capacity.
std::size_t Used(Count n, std::size_t capacity) {
    if (n <= 0)
        return 0;
    return std::min(static_cast<std::size_t>(n), capacity);
}

// F, theta and the scale k shared by the two roof routines. The scale is
// refreshed from W unless W is 0, in which case the stored one stays.
struct ViewState {
    double slantRange;
    double thetaRad;
    double scale;
};

ViewState RefreshScale(BuildingData& d, double pictureWidth) {
    const double f = d.gFlatHeight;
    const double k = f / (kImageWidthFactor * pictureWidth);
    if (Storable(k))
        d.gPhotoMetrePerUnit = static_cast<float>(k);
    return {f, d.gSlideAngle * kDegToRad, d.gPhotoMetrePerUnit};
}

} // namespace

double TiltFromRatio(const BuildingData& d, double ratio) {
    if (!(ratio > 0.0 && ratio < 1.0))
        return -1;
    constexpr std::size_t kSearched = 32;
    for (std::size_t i = 0; i < kSearched; ++i) {
        if (d.gTiltRatioTable[i] < ratio) {
            if (i == 0)
                return d.gTiltAngleTable[0];
            const double r0 = d.gTiltRatioTable[i - 1];
            const double r1 = d.gTiltRatioTable[i];
            const double a0 = d.gTiltAngleTable[i - 1];
            const double a1 = d.gTiltAngleTable[i];
            if (r1 == r0)
                return a0;
            return a0 + (ratio - r0) / (r1 - r0) * (a1 - a0);
        }
    }
    return -1;
}

std::optional<double> TiltFromAltitudes(double slantRange, double altitude) {
    if (altitude == 0.0)
        return std::nullopt;
    const double q = slantRange / altitude;
    const double under = q * q - 1.0;
    if (!(under >= 0.0) || !Finite(under))
        return std::nullopt;
    return std::atan(std::sqrt(under)) * kRadToDeg;
}

void UpdateViewGeometry(BuildingData& d, const AltitudeBoxTexts& boxes, double pictureWidth) {
    const double v = ParseLeadingNumber(boxes.verMetres);
    const double vF = ParseLeadingNumber(boxes.verFeet);
    const double iM = ParseLeadingNumber(boxes.incliMetres);
    const double iF = ParseLeadingNumber(boxes.incliFeet);
    if (Storable(v))
        d.gSourceHeight = static_cast<float>(v);

    // Tilt from the altitude ratio; -1 stands for "none" and is kept as such.
    const double t = v == 0.0 ? -1.0 : TiltFromRatio(d, iM / v);
    const double f0 = iM / std::cos(t * kDegToRad);
    d.gSlideAngle = static_cast<float>(t);

    const double f = (vF > 0 && v == 0) ? vF * kMetresPerFoot : f0;
    if (Storable(f))
        d.gFlatHeight = static_cast<float>(f);

    const double s = (iM == 0 && iF > 0) ? iF * kMetresPerFoot : iM;
    if (Storable(s))
        d.gSlideHeight = static_cast<float>(s);

    const double k = d.gFlatHeight / (kImageWidthFactor * pictureWidth);
    if (Storable(k))
        d.gPhotoMetrePerUnit = static_cast<float>(k);

    if (const auto tilt = TiltFromAltitudes(d.gFlatHeight, d.gSlideHeight))
        d.gSlideAngle = static_cast<float>(*tilt);
}

std::optional<double> WallHeight(double thetaRad, double slantRange, double a, double b) {
    const auto cam = Camera::Make(thetaRad, slantRange);
    if (!cam)
        return std::nullopt;
    return cam->WallHeight(a, b);
}

std::optional<PlanXY> PlanPoint(double thetaRad, double slantRange, double x, double y, double h) {
    const auto cam = Camera::Make(thetaRad, slantRange);
    if (!cam)
        return std::nullopt;
    return cam->PlanPoint(x, y, h);
}

std::optional<PlanXY> ImagePoint(double thetaRad, double slantRange, double planX, double planY,
                                 double h) {
    const auto cam = Camera::Make(thetaRad, slantRange);
    if (!cam)
        return std::nullopt;
    return cam->ImagePoint(planX, planY, h);
}

void ComputeRoofHeights(BuildingData& d, double pictureWidth) {
    const std::size_t roofs = Used(d.gEachTopAreaNumber, kRoofCapacity);
    if (roofs == 0)
        return;
    const ViewState vs = RefreshScale(d, pictureWidth);
    const auto cam = Camera::Make(vs.thetaRad, vs.slantRange);
    if (!cam)
        return;
    // One pass over the walls, summing per owner in wall order.
    std::vector<double> sum(roofs, 0.0);
    std::vector<int> n(roofs, 0);
    const std::size_t walls = Used(d.gWallEdgeNumber, kWallCapacity);
    for (std::size_t w = 0; w < walls; ++w) {
        const Count owner = d.gWallEdgefotEachTopArea[w];
        if (owner < 0 || static_cast<std::size_t>(owner) >= roofs)
            continue;
        const auto h =
            cam->WallHeight(vs.scale * d.gFirstWallEdgeY[w], vs.scale * d.gSecondWallEdgeY[w]);
        if (!h)
            continue;
        sum[static_cast<std::size_t>(owner)] += *h;
        ++n[static_cast<std::size_t>(owner)];
    }
    for (std::size_t r = 0; r < roofs; ++r) {
        if (n[r] == 0)
            continue;
        const double mean = sum[r] / n[r];
        if (Storable(mean))
            d.gFlatTopHeight[r] = static_cast<float>(mean);
    }
}

void ComputeRoofPlanPoints(BuildingData& d, double pictureWidth) {
    const std::size_t roofs = Used(d.gEachTopAreaNumber, kRoofCapacity);
    if (roofs == 0)
        return;
    const ViewState vs = RefreshScale(d, pictureWidth);
    const auto cam = Camera::Make(vs.thetaRad, vs.slantRange);
    if (!cam)
        return;
    const std::size_t points = Used(d.gTopAreaPointTotalNumber, kPointCapacity);
    for (std::size_t r = 0; r < roofs; ++r) {
        const double h = d.gFlatTopHeight[r];
        const int start = d.gEachTopAreaStartNum[r];
        const int count = d.gEachTopAreaPointNum[r];
        if (start < 0 || count <= 0)
            continue;
        const std::size_t end = std::min(static_cast<std::size_t>(start + count), points);
        for (std::size_t i = static_cast<std::size_t>(start); i < end; ++i) {
            const auto p = cam->PlanPoint(vs.scale * d.gTopAreaX[i], vs.scale * d.gTopAreaY[i], h);
            if (!p || !Storable(p->x) || !Storable(p->y))
                continue;
            d.gFlatTopAreaX[i] = static_cast<float>(p->x);
            d.gFlatTopAreaY[i] = static_cast<float>(p->y);
        }
    }
}

void RotateAboutPoint(double& x, double& y, double cx, double cy, double sinA, double cosA) {
    const double nx = cx + x * cosA - y * sinA;
    const double ny = cy + x * sinA + y * cosA;
    x = nx;
    y = ny;
}

} // namespace velmora
