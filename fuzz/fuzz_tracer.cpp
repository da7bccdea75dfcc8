// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target for one-click tracing on small pictures. The input's
// first bytes give the picture's size and the click, the rest its greys
// (repeated to fill it). The trace reads the cleaned copy, as the window
// does, and whatever is traced must register within the record's
// capacities and leave its tables consistent.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "data/BuildingData.h"
#include "data/Editing.h"
#include "tracing/RoofTracer.h"
#include "tracing/TraceSource.h"

using namespace velmora;

namespace {

void Check(bool ok) {
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 5)
        return 0;
    const int width = 4 + data[0] % 200;
    const int height = 4 + data[1] % 160;
    // The click anywhere in the picture or a little beyond, in picture
    // coordinates (origin at the centre, y up).
    const double x = (data[2] / 255.0 - 0.5) * width * 1.2;
    const double y = (data[3] / 255.0 - 0.5) * height * 1.2;
    GreyRaster picture(width, height);
    const std::uint8_t* greys = data + 4;
    const std::size_t count = size - 4;
    for (int row = 0; row < height; ++row)
        for (int col = 0; col < width; ++col)
            picture.Set(col, row,
                        greys[(static_cast<std::size_t>(row) * static_cast<std::size_t>(width) +
                               static_cast<std::size_t>(col)) %
                              count]);

    const GreyRaster source = TracingGreyOf(picture);
    Check(source.Width() == width && source.Height() == height);

    static auto tracer = std::make_unique<RoofTracer>();
    static auto record = std::make_unique<BuildingData>();
    tracer->SetPicture(&source);
    ResetAllDataBuildingData(*record);
    if (tracer->TraceRoof(x, y)) {
        (void)tracer->CornerPreview();
        tracer->FindWall();
        const auto wall = tracer->LongestWall();
        const TracedRegistration added =
            RegisterTracedRoof(*record, tracer->TracedRoofOutline(), wall ? &wall->top : nullptr,
                               wall ? &wall->bottom : nullptr);
        if (added.roof == AppendResult::Ok) {
            const BuildingData& d = *record;
            Check(d.gEachTopAreaNumber == 1);
            Check(d.gTopAreaPointTotalNumber == d.gEachTopAreaPointNum[0]);
            Check(d.gTopAreaPointTotalNumber <= static_cast<int>(kPointCapacity));
            if (added.wall == AppendResult::Ok) {
                Check(d.gWallEdgeNumber == 1);
                Check(d.gWallEdgefotEachTopArea[0] == 0);
            }
        }
    }
    tracer->SetPicture(nullptr);
    return 0;
}
