// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/GreyPicture.h"

#include "tracing/TraceSource.h"

namespace velmora {

namespace {

// One row of 32-bit pixels; the alpha byte is ignored.
void GreyRow(const QRgb* in, std::uint8_t* out, int width) {
    for (int x = 0; x < width; ++x) {
        const QRgb p = in[x];
        out[x] = static_cast<std::uint8_t>(GreyOfRgb(qRed(p), qGreen(p), qBlue(p)));
    }
}

} // namespace

GreyRaster GreyCopyOf(const QImage& picture) {
    const int width = picture.width();
    const int height = picture.height();
    GreyRaster grey(width, height);
    // Straight from the picture's scan lines: a converted copy of a large
    // picture would cost as much memory again and most of the time.
    const QImage::Format format = picture.format();
    const bool direct = format == QImage::Format_RGB32 || format == QImage::Format_ARGB32;
    for (int row = 0; row < height; ++row) {
        std::uint8_t* out = grey.RowData(row);
        if (direct) {
            GreyRow(reinterpret_cast<const QRgb*>(picture.constScanLine(row)), out, width);
        } else if (format == QImage::Format_Grayscale8) {
            const uchar* in = picture.constScanLine(row);
            std::copy(in, in + width, out);
        } else {
            const QImage line =
                picture.copy(0, row, width, 1).convertToFormat(QImage::Format_RGB32);
            GreyRow(reinterpret_cast<const QRgb*>(line.constScanLine(0)), out, width);
        }
    }
    return grey;
}

GreyRaster TraceSourceOf(const QImage& picture) {
    return TracingGreyOf(GreyCopyOf(picture));
}

} // namespace velmora
