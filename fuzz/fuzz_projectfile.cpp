// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target for the project-file reader. Any bytes go to the reader;
// a refused file must leave empty tables. An accepted file is prepared as the
// plan map prepares a save (roof heights, plan points), written, and read
// back: the integer tables must survive unchanged, every value to its
// field's format, and a second save must change nothing at all.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "data/ProjectFile.h"
#include "geometry/CameraModel.h"
#include "geometry/Footprints.h"

using namespace velmora;

namespace {

// The picture view's scale width the plan map uses.
constexpr double kPictureWidth = 788;

[[noreturn]] void Mismatch(const char* what) {
    std::fprintf(stderr, "project file round trip: %s\n", what);
    std::abort();
}

struct Read {
    std::unique_ptr<BuildingData> d = std::make_unique<BuildingData>();
    ViewGeometry view;
    FileResult result;
};

Read ReadText(std::string_view text) {
    Read r;
    r.result = ReadProjectText(*r.d, text, r.view);
    const BuildingData& d = *r.d;
    if (!r.result.ok &&
        (d.gTopAreaPointTotalNumber != 0 || d.gEachTopAreaNumber != 0 || d.gWallEdgeNumber != 0))
        Mismatch("a refused file left tables behind");
    return r;
}

// `step` is the field's rounding step: 0 for 7 significant digits.
bool Near(float read, float written, double step) {
    const double w = written;
    if (!std::isfinite(w))
        return true; // written as 0 by design
    return std::fabs(read - w) <= step + std::fabs(w) * (step == 0 ? 6e-7 : 1.2e-7) + 1e-45;
}

// Every value a project file carries, compared to its format's step; with
// `exact`, bit for bit (== also equates -0 and 0, which the writer merges).
void Compare(const Read& a, const Read& b, bool exact) {
    const auto near = [exact](float x, float y, double step) {
        return exact ? x == y : Near(y, x, step);
    };
    const BuildingData& x = *a.d;
    const BuildingData& y = *b.d;
    if (x.gTopAreaPointTotalNumber != y.gTopAreaPointTotalNumber ||
        x.gEachTopAreaNumber != y.gEachTopAreaNumber || x.gWallEdgeNumber != y.gWallEdgeNumber)
        Mismatch("counts");
    if (!near(x.gNorthAngle, y.gNorthAngle, 0.5) || !near(x.gSourceHeight, y.gSourceHeight, 0) ||
        !near(x.gFlatHeight, y.gFlatHeight, 0) || !near(x.gSlideHeight, y.gSlideHeight, 0) ||
        !near(x.gSlideAngle, y.gSlideAngle, 0))
        Mismatch("view parameters");
    if (!near(a.view.height, b.view.height, 0) || !near(a.view.width, b.view.width, 0) ||
        !near(a.view.top, b.view.top, 0.5) || !near(a.view.left, b.view.left, 0.5))
        Mismatch("view geometry");
    for (std::size_t i = 0; i < static_cast<std::size_t>(x.gTopAreaPointTotalNumber); ++i)
        if (!near(x.gTopAreaX[i], y.gTopAreaX[i], 0.05) ||
            !near(x.gTopAreaY[i], y.gTopAreaY[i], 0.05))
            Mismatch("points");
    for (std::size_t r = 0; r < static_cast<std::size_t>(x.gEachTopAreaNumber); ++r)
        if (x.gEachTopAreaStartNum[r] != y.gEachTopAreaStartNum[r] ||
            x.gEachTopAreaPointNum[r] != y.gEachTopAreaPointNum[r] ||
            x.gEachClosedTopAreaSTS[r] != y.gEachClosedTopAreaSTS[r] ||
            !near(x.gFlatTopHeight[r], y.gFlatTopHeight[r], 0.05))
            Mismatch("roofs");
    for (std::size_t w = 0; w < static_cast<std::size_t>(x.gWallEdgeNumber); ++w)
        if (!near(x.gFirstWallEdgeX[w], y.gFirstWallEdgeX[w], 0.05) ||
            !near(x.gFirstWallEdgeY[w], y.gFirstWallEdgeY[w], 0.05) ||
            !near(x.gSecondWallEdgeX[w], y.gSecondWallEdgeX[w], 0.05) ||
            !near(x.gSecondWallEdgeY[w], y.gSecondWallEdgeY[w], 0.05) ||
            x.gWallEdgefotEachTopArea[w] != y.gWallEdgefotEachTopArea[w])
            Mismatch("wall lines");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Read opened = ReadText(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!opened.result.ok)
        return 0;
    ComputePlanState(*opened.d, kPictureWidth);

    const Read saved = ReadText(ProjectFileText(*opened.d, opened.view));
    if (!saved.result.ok)
        Mismatch(("the written file is refused: " + saved.result.error).c_str());
    Compare(opened, saved, false);

    const Read savedAgain = ReadText(ProjectFileText(*saved.d, saved.view));
    if (!savedAgain.result.ok)
        Mismatch("the file written again is refused");
    Compare(saved, savedAgain, true);
    return 0;
}
