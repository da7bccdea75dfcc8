// SPDX-License-Identifier: GPL-3.0-or-later
// What a whole redraw of the working area's view is asked to highlight.
#pragma once

#include "data/BuildingData.h"

namespace velmora {

// The inclined view: every outline and wall line, one roof highlighted
// with its corners and selection handles. The walls of the session's active
// roof are left out of the plain ones in any case.
struct InclinedRedraw {
    Count roof = -1;    // -1: none highlighted
    bool walls = false; // the active roof's wall lines highlighted too
};

// The plan map: every footprint with its height, one building highlighted.
struct PlanRedraw {
    Count building = -1; // -1: none highlighted
};

} // namespace velmora
