// SPDX-License-Identifier: GPL-3.0-or-later
// The picture's edges as the height search reads them: the grey gradient of
// the median-filtered picture (5 x 5 median, then 3 x 3 Sobel), built once
// per loaded picture. Gradients, not runs of equal grey: a facade's windows
// add edges of their own but do not hide the building's outline.
#pragma once

#include <cstdint>
#include <memory>

#include "tracing/GreyImage.h"

namespace velmora {

class EdgeField {
  public:
    EdgeField() = default;
    // `median`: the picture after a 5 x 5 median filter.
    explicit EdgeField(const GreyRaster& median);

    int Width() const { return width_; }
    int Height() const { return height_; }
    // True, with the gradient in picture axes (x right, y up; Sobel units,
    // four times the grey step of a sharp edge), at picture position (x, y).
    bool Gradient(double x, double y, int& gx, int& gy) const {
        int column = 0, row = 0;
        if (!PicturePixel(width_, height_, x, y, column, row))
            return false;
        const std::size_t i = static_cast<std::size_t>(row) * width_ + column;
        gx = gx_[i];
        gy = -gy_[i];
        return true;
    }

  private:
    int width_ = 0;
    int height_ = 0;
    std::shared_ptr<std::int16_t[]> gx_;
    std::shared_ptr<std::int16_t[]> gy_; // rows downwards, as stored
};

// What the tracer reads of one picture, built once per load: the cleaned
// grey copy the roof stages walk on, and the edges the height search reads.
struct TraceInput {
    GreyRaster grey;
    EdgeField edges;
};
TraceInput PrepareTraceInput(const GreyRaster& plain);

} // namespace velmora
