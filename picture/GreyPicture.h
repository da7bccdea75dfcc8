// SPDX-License-Identifier: GPL-3.0-or-later
// The grey copy of a picture, and the cleaned copy that the one-click tracer
// reads.
#pragma once

#include <QImage>

#include "tracing/GreyImage.h"

namespace velmora {

// floor((R + G + B) / 3) of every pixel.
GreyRaster GreyCopyOf(const QImage& picture);

// What every user of the tracer reads: the grey copy, cleaned of texture,
// noise and antialiasing (TracingGreyOf).
GreyRaster TraceSourceOf(const QImage& picture);

} // namespace velmora
