// SPDX-License-Identifier: GPL-3.0-or-later
// A position in the inclined picture: origin at the picture's centre, x to
// the right, y upwards, one unit a pixel.
#pragma once

namespace velmora {

struct PicturePoint {
    float x = 0;
    float y = 0;
    friend bool operator==(const PicturePoint&, const PicturePoint&) = default;
};

} // namespace velmora
