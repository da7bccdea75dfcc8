// A small baseline JPEG encoder with full-resolution colour (no chroma
// subsampling) and unit quantisation. The Qt writer always halves the colour
// resolution, which tints a flat grey roof wherever it meets a coloured
// lawn; this one keeps each 8 x 8 block to itself, so a block decodes from
// its own coefficients alone.
#pragma once

#include <QByteArray>
#include <QImage>
#include <array>
#include <cstdint>
#include <vector>

namespace samplepics {

class JpegEncoder {
  public:
    explicit JpegEncoder(const QImage& image);

    // Blocks are numbered row by row, BlocksWide() to a row.
    int BlocksWide() const { return (width_ + 7) / 8; }

    // How far a decoded sample may stray from its exact value before the
    // fit counts it: beyond `hard` heavily, beyond `soft` lightly. A sample
    // with neither (both negative) may take any value.
    struct Tolerance {
        std::array<double, 64> hard;
        std::array<double, 64> soft;
    };

    // Chooses the block's whole coefficients, each within two steps of its
    // exact value, so that its samples come back within their tolerances in
    // every colour component. A non-zero seed starts from another rounding.
    // Returns true when no sample is left beyond its hard tolerance.
    bool FitBlock(std::size_t block, const Tolerance& tolerance, std::uint32_t seed);

    QByteArray Encode() const;

  private:
    using Block = std::array<int, 64>;
    int width_ = 0;
    int height_ = 0;
    std::vector<std::array<std::array<double, 64>, 3>> exact_;
    std::vector<std::array<Block, 3>> blocks_;
};

} // namespace samplepics
