// The grey copy of a picture that the one-click tracer reads.
#pragma once

#include <QImage>

#include "tracing/GreyImage.h"

namespace velmora {

GreyRaster GreyCopyOf(const QImage& picture);

} // namespace velmora
