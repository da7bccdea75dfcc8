// SPDX-License-Identifier: GPL-3.0-or-later
// A wider set of realistic test pictures: buildings turned up to 30 degrees
// from the picture's axes, each roof its own grey (185 ... 230, a building
// and the one placed before it differing by 10 or more), faces with rows or
// grids of windows of 10 ... 30 % contrast, the sun anywhere within 70
// degrees of the camera's side (dark faces, shadows beside the buildings),
// parapet lines and fixtures on the roofs, L, U and cut-corner outlines, soft
// edges and JPEG coding of quality 70 ... 90; every seventh picture is drawn
// in flat fills like the sample pictures. Made from the index alone.
//
// The set is split by index: the first half is for tuning, the second is
// held out and only reported.
#pragma once

#include "tools/realpics/RealisticTown.h"

namespace realpics {

inline constexpr int kWidePictureCount = 28;
inline constexpr int kWideTuningCount = kWidePictureCount / 2;

bool IsFlatFillPicture(int index);
RealisticPicture PaintWidePicture(int index);

} // namespace realpics
