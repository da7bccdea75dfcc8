// SPDX-License-Identifier: GPL-3.0-or-later
// Dense town blocks: rows of buildings standing wall to wall along streets,
// neighbours 5 ... 35 m apart in height and only 8 ... 15 grey levels apart
// on the roof, each roof outlined by a darker parapet band and carrying
// stair houses, tanks or plant rooms of their own 2 ... 4 m. Faces carry
// window grids; the face turned to the sun may be as light as the roof.
// The ground between the rows is light in places (plazas, car parks, white
// vans, zebra crossings, lane marks), trees stand before wall feet and low
// dark-roofed houses fill gaps. Each picture is made from its index alone,
// through the program's camera model, so its answers are exact.
//
// Indices below kDenseTuningCount are for tuning; the ones from there to
// kDensePictureCount are held out and only reported.
#pragma once

#include "tools/realpics/RealisticTown.h"

namespace realpics {

inline constexpr int kDenseTuningCount = 14;
inline constexpr int kDensePictureCount = 28;

// Only roofs the picture shows as one piece of most of the roof are listed;
// their outline is the roof as seen, less whatever a taller neighbour in
// front of it covers.
RealisticPicture PaintDensePicture(int index);

} // namespace realpics
