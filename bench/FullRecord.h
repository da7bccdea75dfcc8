// SPDX-License-Identifier: GPL-3.0-or-later
// A record filled to every capacity, shared by the benchmarks: 500 roofs of
// 4 points and one of 1 fill the 2001 points and 501 roofs; 801 wall lines
// fill the wall table. View values are those of sample data 2.
#pragma once

#include <memory>
#include <random>
#include <vector>

#include "data/BuildingData.h"

namespace velmora::bench {

inline std::unique_ptr<BuildingData> FullRecord(unsigned seed) {
    auto d = std::make_unique<BuildingData>();
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> x(-394.0f, 394.0f);
    std::uniform_real_distribution<float> y(-328.0f, 328.0f);
    for (int r = 0; r < 501; ++r) {
        std::vector<PicturePoint> outline;
        const int n = r < 500 ? 4 : 1;
        for (int i = 0; i < n; ++i)
            outline.push_back({x(rng), y(rng)});
        if (AppendTopArea(*d, outline) != AppendResult::Ok)
            return nullptr;
        d->gFlatTopHeight[static_cast<std::size_t>(r)] = 26.3f;
    }
    for (int w = 0; w < 801; ++w) {
        const float top = y(rng);
        if (AppendWallEdge(*d, {x(rng), top}, {x(rng), top - 60}, static_cast<Count>(w % 501)) !=
            AppendResult::Ok)
            return nullptr;
    }
    d->gSourceHeight = 598;
    d->gFlatHeight = 126.9125f;
    d->gSlideHeight = 102;
    d->gSlideAngle = 36.51477f;
    return d;
}

} // namespace velmora::bench
