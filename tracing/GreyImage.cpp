// SPDX-License-Identifier: GPL-3.0-or-later
#include "tracing/GreyImage.h"

#include <algorithm>
#include <cmath>

namespace velmora {

GreyRaster::GreyRaster(int width, int height, std::uint8_t fill)
    : width_(std::max(width, 0)), height_(std::max(height, 0)),
      grey_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), fill) {}

std::uint8_t* GreyRaster::RowData(int row) {
    if (row < 0 || row >= height_ || width_ == 0)
        return nullptr;
    return grey_.data() + static_cast<std::size_t>(row) * static_cast<std::size_t>(width_);
}

const std::uint8_t* GreyRaster::RowData(int row) const {
    return const_cast<GreyRaster*>(this)->RowData(row);
}

int GreyRaster::At(int column, int row) const {
    if (column < 0 || column >= width_ || row < 0 || row >= height_)
        return kNoPixel;
    return grey_[static_cast<std::size_t>(row) * static_cast<std::size_t>(width_) +
                 static_cast<std::size_t>(column)];
}

void GreyRaster::Set(int column, int row, int grey) {
    if (column < 0 || column >= width_ || row < 0 || row >= height_)
        return;
    grey_[static_cast<std::size_t>(row) * static_cast<std::size_t>(width_) +
          static_cast<std::size_t>(column)] = static_cast<std::uint8_t>(std::clamp(grey, 0, 255));
}

int GreyRaster::Grey(double pictureX, double pictureY) const {
    int column = 0;
    int row = 0;
    if (!PicturePixel(width_, height_, pictureX, pictureY, column, row))
        return kNoPixel;
    return At(column, row);
}

} // namespace velmora
