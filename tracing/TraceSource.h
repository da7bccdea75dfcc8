// SPDX-License-Identifier: GPL-3.0-or-later
// The picture the one-click tracer reads. Real screenshots carry texture,
// noise of a few grey levels, antialiased edges and JPEG blocks; the tracing
// stages look for runs of equal grey and for bands around one grey, so they
// read a copy in which each surface is flattened while the edges between
// surfaces stay where they were. Built once per loaded picture.
#pragma once

#include "tracing/GreyImage.h"

namespace velmora {

// Each pixel replaced by the median of the 5 x 5 pixels around it (the
// picture's edge pixels repeated outwards): removes noise, texture and
// fixtures smaller than about 3 x 3 pixels and keeps straight edges in place.
GreyRaster Median5x5(const GreyRaster& plain);

// Each row cut into runs: a pixel joins the run before it while it lies
// within `hold` grey levels of that run's mean, otherwise it starts a new
// run; every pixel of a run takes the run's mean rounded to a multiple of
// `step`. A textured surface so becomes runs of one grey (what the wall
// stage samples), and an edge, a jump of more than `hold`, ends a run at once.
void LevelRows(GreyRaster& picture, int step, int hold);

// Where the 3 x 3 pixels around a pixel span at least `contrast` grey
// levels (an edge), the pixel takes the nearer of their darkest and lightest
// grey: the in-between greys of an antialiased edge go to one side or the
// other, so an edge no longer shows as a line of its own grey.
void SnapEdges(GreyRaster& picture, int contrast);

// `smooth` where the plain picture is textured or noisy, the plain picture
// where it is flat: where at least kFlatPairs of the 20 horizontally
// neighbouring pixel pairs of the 5 x 5 window around a pixel (the same
// share of a window cut by the picture's edge) are exactly equal, as in
// drawn or rendered fills. Thin details of such pictures (a
// sliver of a wall face, a one-pixel outline) so stay as they were.
inline constexpr int kFlatPairs = 8;
void KeepFlatAreas(const GreyRaster& plain, GreyRaster& smooth);

// The tracer's input, built once per loaded picture: Median5x5, SnapEdges,
// KeepFlatAreas, then LevelRows. The settings are the measured choice; other
// values are for measuring.
struct TraceSourceSettings {
    int edgeContrast = 24;
    int levelStep = 4;
    int levelHold = 6;
};
GreyRaster TracingGreyOf(const GreyRaster& plain, const TraceSourceSettings& settings = {});
// The same from the plain picture and its Median5x5 already made.
GreyRaster CleanedFromMedian(const GreyRaster& plain, GreyRaster median,
                             const TraceSourceSettings& settings = {});

} // namespace velmora
