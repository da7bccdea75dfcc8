// SPDX-License-Identifier: GPL-3.0-or-later
// Read access to the grey values of the untouched inclined picture, addressed
// in picture coordinates (origin at the picture centre, x to the right, y
// upwards, one unit per pixel). The tracer never sees the drawing surface.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

namespace velmora {

// Returned by GreyImage::Grey where no pixel of the picture lies.
inline constexpr int kNoPixel = -1;

// floor((R + G + B) / 3) of one pixel, 0 ... 255.
constexpr int GreyOfRgb(int r, int g, int b) {
    return (r + g + b) / 3;
}

// A colour packed as R + 256 G + 65536 B.
constexpr int GreyOfColour(std::uint32_t c) {
    return GreyOfRgb(static_cast<int>(c % 256), static_cast<int>((c / 256) % 256),
                     static_cast<int>((c / 65536) % 256));
}

// The pixel a picture position falls on, for a picture of width x height
// pixels whose left edge is x = -width/2 and top edge y = +height/2: column
// floor(x + width/2), row floor(height/2 - y). Integer positions therefore
// pick the pixel whose top-left corner they are, which is the pixel under
// the mouse position they came from. False when the position lies outside.
// Inline: the height search asks this for every pixel it reads.
inline bool PicturePixel(int width, int height, double x, double y, int& column, int& row) {
    if (width <= 0 || height <= 0 || !std::isfinite(x) || !std::isfinite(y))
        return false;
    const double c = std::floor(x + width / 2.0);
    const double r = std::floor(height / 2.0 - y);
    if (c < 0 || c >= width || r < 0 || r >= height)
        return false;
    column = static_cast<int>(c);
    row = static_cast<int>(r);
    return true;
}

class GreyImage {
  public:
    virtual ~GreyImage() = default;
    // Grey value 0 ... 255 at the picture position, or kNoPixel outside the picture.
    virtual int Grey(double pictureX, double pictureY) const = 0;
};

// The picture held in memory as one grey byte per pixel (row 0 at the top).
class GreyRaster final : public GreyImage {
  public:
    GreyRaster() = default;
    GreyRaster(int width, int height, std::uint8_t fill = 0);

    int Width() const { return width_; }
    int Height() const { return height_; }

    // Pixel access by column and row; reads outside give kNoPixel, writes outside are ignored.
    int At(int column, int row) const;
    void Set(int column, int row, int grey);
    // The row's Width() bytes, for filling a whole picture quickly; nullptr
    // outside.
    std::uint8_t* RowData(int row);
    const std::uint8_t* RowData(int row) const;
    void SetRgb(int column, int row, int r, int g, int b) { Set(column, row, GreyOfRgb(r, g, b)); }

    int Grey(double pictureX, double pictureY) const override;

  private:
    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint8_t> grey_;
};

} // namespace velmora
