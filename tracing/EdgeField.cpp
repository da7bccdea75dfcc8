// SPDX-License-Identifier: GPL-3.0-or-later
#include "tracing/EdgeField.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "tracing/TraceSource.h"

namespace velmora {

EdgeField::EdgeField(const GreyRaster& median) : width_(median.Width()), height_(median.Height()) {
    if (width_ == 0 || height_ == 0)
        return;
    const cv::Mat in(height_, width_, CV_8UC1, const_cast<std::uint8_t*>(median.RowData(0)));
    gx_.resize(static_cast<std::size_t>(width_) * height_);
    gy_.resize(gx_.size());
    cv::Mat gx(height_, width_, CV_16SC1, gx_.data());
    cv::Mat gy(height_, width_, CV_16SC1, gy_.data());
    cv::Sobel(in, gx, CV_16S, 1, 0, 3, 1, 0, cv::BORDER_REPLICATE);
    cv::Sobel(in, gy, CV_16S, 0, 1, 3, 1, 0, cv::BORDER_REPLICATE);
}

bool EdgeField::Gradient(double x, double y, int& gx, int& gy) const {
    int column = 0, row = 0;
    if (!PicturePixel(width_, height_, x, y, column, row))
        return false;
    const std::size_t i = static_cast<std::size_t>(row) * width_ + column;
    gx = gx_[i];
    gy = -gy_[i];
    return true;
}

TraceInput PrepareTraceInput(const GreyRaster& plain) {
    TraceInput out;
    GreyRaster median = Median5x5(plain);
    out.edges = EdgeField(median);
    out.grey = CleanedFromMedian(plain, std::move(median));
    return out;
}

} // namespace velmora
