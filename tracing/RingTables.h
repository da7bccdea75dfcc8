// SPDX-License-Identifier: GPL-3.0-or-later
// Fixed neighbourhood tables of the boundary walk and the wall step: the
// square rings around a cell, the order ring 1 is searched in, the index each
// wider ring starts its search at, and the fans below a cell.
#pragma once

#include <array>

namespace velmora {

struct CellOffset {
    int dx = 0;
    int dy = 0;
    friend bool operator==(const CellOffset&, const CellOffset&) = default;
};

// Where the searches on rings 2, 3 and 4 start after a step with state (q, k).
struct StartIndices {
    int s2 = 0;
    int s3 = 0;
    int s4 = 0;
    friend bool operator==(const StartIndices&, const StartIndices&) = default;
};

inline constexpr int kRingCount = 4;
inline constexpr int kFanRows = 3;

constexpr int RingSize(int r) {
    return 8 * r;
}

struct RingTables {
    // ring[r][i], r = 1 ... 4 (slot 0 unused): the 8r cells at Chebyshev
    // distance r, from (r, r) counter-clockwise (y upwards).
    std::array<std::array<CellOffset, RingSize(kRingCount)>, kRingCount + 1> ring{};
    // Edge neighbours first (above, left, below, right), then the corners.
    std::array<int, 8> ring1Order{};
    // start[q][k]: q = ring of the last step - 1, k = its index on that ring.
    std::array<std::array<StartIndices, RingSize(kRingCount)>, kRingCount> start{};
    // fan[d], d = 1 ... 3 (slot 0 unused): the horizontal offsets tried d rows
    // below a cell, straight down first, then alternately left and right.
    std::array<std::array<int, 2 * kFanRows + 1>, kFanRows + 1> fan{};

    static constexpr int FanSize(int d) { return 2 * d + 1; }
};

// Builds every table; they never change afterwards.
RingTables InitRingTables();

} // namespace velmora
