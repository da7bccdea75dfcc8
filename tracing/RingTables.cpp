// SPDX-License-Identifier: GPL-3.0-or-later
#include "tracing/RingTables.h"

#include <iterator>

namespace velmora {

namespace {

// Start indices after a step on ring 2, 3 or 4 whose direction has no exact
// counterpart on the narrower rings. The entries are kept exactly as the
// walk has always used them, irregular ones included (e.g. ring-4 indices
// 27 ... 29 all start ring 2 at 13, and 30, 31 wrap to 0).
constexpr int kRing2ToS3[] = {0, 2, 3, 4, 6, 8, 9, 10, 12, 14, 15, 16, 18, 20, 21, 22};
constexpr int kRing2ToS4[] = {0, 3, 4, 5, 8, 11, 12, 13, 16, 19, 20, 21, 24, 27, 28, 29};
constexpr int kRing3ToS2[] = {0, 0, 1, 2,  3,  4,  4,  4,  5,  6,  7,  8,
                              8, 8, 9, 10, 11, 12, 12, 12, 13, 14, 15, 0};
constexpr int kRing3ToS4[] = {0,  2,  3,  4,  5,  6,  8,  10, 11, 12, 13, 14,
                              16, 18, 19, 20, 21, 22, 24, 26, 27, 28, 29, 30};
constexpr int kRing4ToS2[] = {0, 0, 0, 1, 2,  3,  4,  4,  4,  4,  4,  5,  6,  7,  8, 8,
                              8, 8, 8, 9, 10, 11, 12, 12, 12, 12, 12, 13, 13, 13, 0, 0};
constexpr int kRing4ToS3[] = {0,  0,  1,  2,  3,  4,  5,  6,  6,  6,  7,  8,  9,  10, 11, 12,
                              12, 12, 13, 14, 15, 16, 17, 18, 18, 18, 19, 20, 21, 22, 23, 0};

static_assert(std::size(kRing2ToS3) == 16 && std::size(kRing2ToS4) == 16);
static_assert(std::size(kRing3ToS2) == 24 && std::size(kRing3ToS4) == 24);
static_assert(std::size(kRing4ToS2) == 32 && std::size(kRing4ToS3) == 32);

constexpr CellOffset RingOffset(int r, int i) {
    if (i <= 2 * r)
        return {r - i, r};
    if (i <= 4 * r)
        return {-r, r - (i - 2 * r)};
    if (i <= 6 * r)
        return {-r + (i - 4 * r), -r};
    return {r, -r + (i - 6 * r)};
}

} // namespace

RingTables InitRingTables() {
    RingTables t;
    for (int r = 1; r <= kRingCount; ++r)
        for (int i = 0; i < RingSize(r); ++i)
            t.ring[r][i] = RingOffset(r, i);

    t.ring1Order = {1, 3, 5, 7, 0, 2, 4, 6};

    for (int k = 0; k < RingSize(1); ++k)
        t.start[0][k] = {2 * k, 3 * k, 4 * k};
    for (int k = 0; k < RingSize(2); ++k)
        t.start[1][k] = {k, kRing2ToS3[k], kRing2ToS4[k]};
    for (int k = 0; k < RingSize(3); ++k)
        t.start[2][k] = {kRing3ToS2[k], k, kRing3ToS4[k]};
    for (int k = 0; k < RingSize(4); ++k)
        t.start[3][k] = {kRing4ToS2[k], kRing4ToS3[k], k};

    for (int d = 1; d <= kFanRows; ++d) {
        t.fan[d][0] = 0;
        for (int w = 1; w <= d; ++w) {
            t.fan[d][2 * w - 1] = -w;
            t.fan[d][2 * w] = w;
        }
    }
    return t;
}

} // namespace velmora
