// SPDX-License-Identifier: GPL-3.0-or-later
// The full redraw of the inclined view as a list of primitives in picture
// coordinates: every roof outline and wall line, the active roof highlighted
// in XOR with its corner circles, wall lines and selection handles.
#pragma once

#include <optional>

#include "data/BuildingData.h"
#include "data/DrawList.h"

namespace velmora {

struct SlopeDrawing {
    DrawList ops;
    DrawMode modeAfter = DrawMode::Copy;
    std::optional<SelectBox> marks; // handles drawn (the view remembers the box)
};

// Redraw with roof `active` highlighted (-1 none). Walls owned by
// `activeMember` (the view's active roof) are left out of the plain walls;
// with wallFlag > -1 those of it are drawn with the highlight.
SlopeDrawing ShowSlopeLineMap(const BuildingData& d, Count active, Count wallFlag,
                              Count activeMember);

// Where the view's caption "傾斜図表示" goes (its top-left corner).
inline constexpr double kSlopeCaptionY = 300;

// Every roof and wall without highlight.
DrawList ShowAllSlopeLines(const BuildingData& d, double captionY = kSlopeCaptionY);

// As ShowAllSlopeLines, but only the walls of the roofs counted so far
// (owner below the roof count): the lines of a scene revealed roof by roof.
DrawList ShowRevealedSlopeLines(const BuildingData& d, double captionY);

} // namespace velmora
