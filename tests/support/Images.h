// SPDX-License-Identifier: GPL-3.0-or-later
// Picture helpers of the GUI tests.
#pragma once

#include <QImage>

#include "workspace/PictureView.h"

namespace velmora::testing {

// Pixels in which two images differ.
int CountDifferences(const QImage& a, const QImage& b);

// The surface pixel under a position of a view.
QRgb PixelAt(const PictureView& v, double x, double y);

// A picture of random pixels, so that no drawing can pass for the picture
// by accident.
QImage NoisePicture(int w, int h, unsigned seed);

// One data row ("roof N") per roof of sample picture 1, in column "roof".
void AddSampleRoofRows();

} // namespace velmora::testing
