#include "workspace/GreyPicture.h"

namespace velmora {

GreyRaster GreyCopyOf(const QImage& picture) {
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    GreyRaster grey(rgb.width(), rgb.height());
    for (int row = 0; row < rgb.height(); ++row) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(row));
        for (int col = 0; col < rgb.width(); ++col)
            grey.SetRgb(col, row, qRed(line[col]), qGreen(line[col]), qBlue(line[col]));
    }
    return grey;
}

} // namespace velmora
