// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/Images.h"

#include <QTest>
#include <cmath>
#include <random>

#include "data/Scenes.h"

namespace velmora::testing {

int CountDifferences(const QImage& a, const QImage& b) {
    if (a.size() != b.size())
        return a.width() * a.height() + b.width() * b.height();
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

QRgb PixelAt(const PictureView& v, double x, double y) {
    const QPointF p = v.ToPixel(x, y);
    return v.Surface().pixel(static_cast<int>(std::floor(p.x())),
                             static_cast<int>(std::floor(p.y())));
}

QImage NoisePicture(int w, int h, unsigned seed) {
    QImage img(w, h, QImage::Format_RGB32);
    std::mt19937 gen(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb(byte(gen), byte(gen), byte(gen)));
    return img;
}

void AddSampleRoofRows() {
    QTest::addColumn<int>("roof");
    for (std::size_t i = 0; i < SamplePictureScene(1).clickPoints.size(); ++i)
        QTest::addRow("roof %d", int(i)) << int(i);
}

} // namespace velmora::testing
