// SPDX-License-Identifier: GPL-3.0-or-later
// Pieces both picture generators paint with: the camera of a sample preset,
// plan outlines, projection helpers, the cluttered ground and the noise.
#pragma once

#include <QImage>
#include <QPainter>
#include <QPolygonF>
#include <optional>
#include <random>
#include <vector>

#include "geometry/CameraModel.h"

namespace realpics::parts {

inline constexpr int kWidth = 800;
inline constexpr int kHeight = 680;
// Painted at this many times the size, then scaled down: antialiased edges.
inline constexpr int kOversample = 3;

class Random {
  public:
    explicit Random(unsigned seed) : engine_(seed) {}
    double Uniform(double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(engine_);
    }
    int Int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(engine_); }

  private:
    std::mt19937 engine_;
};

struct View {
    double theta = 0;
    double f = 0;
    double m = 1; // metres per picture unit at the image plane

    // Picture position of the plan point (x, y) lifted h metres.
    std::optional<QPointF> Seen(double x, double y, double h) const {
        const auto p = velmora::ImagePoint(theta, f, x, y, h);
        if (!p)
            return std::nullopt;
        return QPointF(p->x / m, p->y / m);
    }
    // Plan position of the ground seen at picture position p.
    QPointF Ground(QPointF p) const {
        const auto g = velmora::PlanPoint(theta, f, p.x() * m, p.y() * m, 0);
        return g ? QPointF(g->x, g->y) : QPointF();
    }
};

// The camera of sample preset `preset` for a picture `width` pixels wide.
View ViewOf(int preset, int width);
QColor Grey(int g, int tint = 0);
// Counter-clockwise plan outline of a building with `corners` corners
// (4 box, 5 cut corner, 6 L, 7 L with a cut corner, 8 U), w x d metres.
std::vector<QPointF> Footprint(int corners, double w, double d);
// Empty when a point lies behind the camera.
QPolygonF Picture(const View& v, const std::vector<QPointF>& plan, double h);
double EdgeDistance(const QPolygonF& poly, QPointF p);
// The inside point farthest from the outline.
QPointF DeepestPoint(const QPolygonF& poly);
// Painter in picture coordinates (y up) on the oversampled canvas.
void UsePictureCoordinates(QPainter& p);
void PaintGround(QPainter& p, const View& v, Random& r);
void AddNoise(QImage& image, Random& r);
// Soft edges: a Gaussian blur of `sigma` pixels.
QImage Blurred(const QImage& in, double sigma);
// The picture as it reads back after JPEG coding at `quality`.
QImage JpegRoundTrip(const QImage& picture, int quality);

} // namespace realpics::parts
