// SPDX-License-Identifier: GPL-3.0-or-later
#include "tracing/TraceSource.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <utility>
#include <vector>

namespace velmora {

namespace {

// The 25 window pixels go into a sorting network for 32 values whose other
// 7 inputs are 3 blacks and 4 whites, so the window's median (its 13th
// value) comes out 16th of the 32.
constexpr int kWindow = 25;
constexpr int kPadded = 32;
constexpr int kBlackPads = 3;
constexpr int kMedianSlot = kBlackPads + kWindow / 2;
// Pixels filtered side by side: each compare-exchange of the network runs
// over this many lanes at once, which the compiler turns into vector min/max.
constexpr int kLanes = 32;
// Horizontal neighbour pairs in a whole 5 x 5 window.
constexpr int kWindowPairs = 20;

using Comparator = std::pair<std::uint8_t, std::uint8_t>;

struct MedianNetwork {
    std::vector<Comparator> comparators; // on the 25 window slots
    int median = 0;                      // the slot that ends up holding the median
};

// Batcher's odd-even merge sort of 32 values, worked out on the known pads
// (a compare-exchange with a black below or a white above does nothing; one
// with them the other way round only swaps which slot holds what), then cut
// to the compare-exchanges that the median depends on.
MedianNetwork MakeMedianNetwork() {
    std::vector<Comparator> all;
    for (int p = 1; p < kPadded; p *= 2)
        for (int k = p; k >= 1; k /= 2)
            for (int j = k % p; j + k < kPadded; j += 2 * k)
                for (int i = 0; i < std::min(k, kPadded - j - k); ++i)
                    if ((i + j) / (2 * p) == (i + j + k) / (2 * p))
                        all.emplace_back(std::uint8_t(i + j), std::uint8_t(i + j + k));
    enum Kind { Pixel, Black, White };
    std::array<int, kPadded> slot{}; // where each network position's value is kept
    std::array<Kind, kPadded> kind{};
    for (int i = 0; i < kPadded; ++i) {
        slot[i] = i;
        kind[i] = i < kWindow ? Pixel : i < kWindow + kBlackPads ? Black : White;
    }
    std::vector<Comparator> pixels;
    for (const auto& [i, j] : all) {
        if (kind[i] == Black || kind[j] == White)
            continue;
        if (kind[i] == White || kind[j] == Black) {
            std::swap(slot[i], slot[j]);
            std::swap(kind[i], kind[j]);
            continue;
        }
        pixels.emplace_back(std::uint8_t(slot[i]), std::uint8_t(slot[j]));
    }
    MedianNetwork net;
    net.median = slot[kMedianSlot];
    std::array<bool, kWindow> needed{};
    needed[std::size_t(net.median)] = true;
    for (auto it = pixels.rbegin(); it != pixels.rend(); ++it) {
        if (needed[it->first] || needed[it->second]) {
            needed[it->first] = needed[it->second] = true;
            net.comparators.push_back(*it);
        }
    }
    std::reverse(net.comparators.begin(), net.comparators.end());
    return net;
}

const MedianNetwork& Network() {
    static const MedianNetwork network = MakeMedianNetwork();
    return network;
}

// The compare-exchanges over one block of lanes; built for AVX2 too where
// the processor has it (one 32-byte vector a value).
__attribute__((target_clones("avx2", "default"))) void
SortLanes(std::uint8_t (&v)[kWindow][kLanes], const Comparator* network, std::size_t count) {
    for (std::size_t k = 0; k < count; ++k) {
        std::uint8_t* __restrict a = v[network[k].first];
        std::uint8_t* __restrict b = v[network[k].second];
        for (int l = 0; l < kLanes; ++l) {
            const std::uint8_t lo = std::min(a[l], b[l]);
            const std::uint8_t hi = std::max(a[l], b[l]);
            a[l] = lo;
            b[l] = hi;
        }
    }
}

} // namespace

GreyRaster Median5x5(const GreyRaster& plain) {
    const int width = plain.Width();
    const int height = plain.Height();
    GreyRaster out(width, height);
    if (width == 0 || height == 0)
        return out;
    const MedianNetwork& network = Network();
    // Each source row widened by two repeated pixels on either side.
    const int padded = width + 4;
    std::vector<std::uint8_t> rows(static_cast<std::size_t>(padded) * 5);
    alignas(32) std::uint8_t v[kWindow][kLanes];

    for (int row = 0; row < height; ++row) {
        for (int dy = 0; dy < 5; ++dy) {
            const std::uint8_t* src = plain.RowData(std::clamp(row + dy - 2, 0, height - 1));
            std::uint8_t* dst = rows.data() + static_cast<std::size_t>(dy) * padded;
            std::copy(src, src + width, dst + 2);
            dst[0] = dst[1] = src[0];
            dst[width + 2] = dst[width + 3] = src[width - 1];
        }
        std::uint8_t* result = out.RowData(row);
        for (int x0 = 0; x0 < width; x0 += kLanes) {
            const int lanes = std::min(kLanes, width - x0);
            for (int dy = 0; dy < 5; ++dy) {
                const std::uint8_t* r = rows.data() + static_cast<std::size_t>(dy) * padded + x0;
                for (int dx = 0; dx < 5; ++dx) {
                    std::uint8_t* lane = v[dy * 5 + dx];
                    std::copy(r + dx, r + dx + lanes, lane);
                    std::fill(lane + lanes, lane + kLanes, std::uint8_t(0));
                }
            }
            SortLanes(v, network.comparators.data(), network.comparators.size());
            std::copy(v[network.median], v[network.median] + lanes, result + x0);
        }
    }
    return out;
}

void LevelRows(GreyRaster& picture, int step, int hold) {
    const int width = picture.Width();
    step = std::max(step, 1);
    hold = std::max(hold, 0);
    for (int row = 0; row < picture.Height(); ++row) {
        std::uint8_t* line = picture.RowData(row);
        for (int start = 0; start < width;) {
            // A run grows while each next pixel lies within `hold` of the
            // run's mean (compared as sums to stay in integers); it is read
            // whole before it is overwritten.
            int sum = line[start];
            int n = 1;
            int end = start + 1;
            while (end < width && std::abs(line[end] * n - sum) <= hold * n) {
                sum += line[end];
                ++n;
                ++end;
            }
            const int mean = (2 * sum + n) / (2 * n);
            const int level = std::clamp((mean + step / 2) / step * step, 0, 255);
            std::fill(line + start, line + end, static_cast<std::uint8_t>(level));
            start = end;
        }
    }
}

void SnapEdges(GreyRaster& picture, int contrast) {
    const int width = picture.Width();
    const int height = picture.Height();
    if (width == 0 || height == 0)
        return;
    // Minimum and maximum over three columns of the rows above, at and
    // below the current one, taken before the current row is overwritten.
    std::vector<std::uint8_t> lo(static_cast<std::size_t>(width) * 3);
    std::vector<std::uint8_t> hi(lo.size());
    auto spread = [&](int row, int slot) {
        const std::uint8_t* in = picture.RowData(std::clamp(row, 0, height - 1));
        std::uint8_t* l = lo.data() + static_cast<std::size_t>(slot) * width;
        std::uint8_t* h = hi.data() + static_cast<std::size_t>(slot) * width;
        for (int x = 0; x < width; ++x) {
            const std::uint8_t a = in[std::max(x - 1, 0)];
            const std::uint8_t b = in[x];
            const std::uint8_t c = in[std::min(x + 1, width - 1)];
            l[x] = std::min({a, b, c});
            h[x] = std::max({a, b, c});
        }
    };
    spread(-1, 0);
    spread(0, 1);
    for (int row = 0; row < height; ++row) {
        spread(row + 1, (row + 2) % 3);
        const std::size_t up = static_cast<std::size_t>(row % 3) * width;
        const std::size_t mid = static_cast<std::size_t>((row + 1) % 3) * width;
        const std::size_t down = static_cast<std::size_t>((row + 2) % 3) * width;
        std::uint8_t* line = picture.RowData(row);
        for (int x = 0; x < width; ++x) {
            const int l = std::min({lo[up + x], lo[mid + x], lo[down + x]});
            const int h = std::max({hi[up + x], hi[mid + x], hi[down + x]});
            if (h - l >= contrast)
                line[x] = static_cast<std::uint8_t>(line[x] - l <= h - line[x] ? l : h);
        }
    }
}

void KeepFlatAreas(const GreyRaster& plain, GreyRaster& smooth) {
    const int width = plain.Width();
    const int height = plain.Height();
    if (width < 2 || height == 0 || smooth.Width() != width || smooth.Height() != height)
        return;
    // equal[x]: how many of the 5 rows around the current one have pixel x
    // equal to pixel x + 1; summed over 4 neighbouring columns that gives the
    // window's equal pairs.
    std::vector<int> equal(static_cast<std::size_t>(width), 0);
    auto addRow = [&](int row, int sign) {
        if (row < 0 || row >= height)
            return;
        const std::uint8_t* in = plain.RowData(row);
        for (int x = 0; x + 1 < width; ++x)
            equal[static_cast<std::size_t>(x)] += sign * (in[x] == in[x + 1]);
    };
    for (int row = 0; row < 2 && row < height; ++row)
        addRow(row, 1);
    for (int row = 0; row < height; ++row) {
        addRow(row + 2, 1);
        addRow(row - 3, -1);
        const std::uint8_t* in = plain.RowData(row);
        std::uint8_t* result = smooth.RowData(row);
        // Pair columns x - 2 ... x + 1 of the window around pixel x; near the
        // picture's edges the window holds fewer pairs, and the share counts.
        const int rows = std::min(row + 2, height - 1) - std::max(row - 2, 0) + 1;
        int pairs = equal[0];
        for (int x = 0; x < width; ++x) {
            if (x + 1 < width - 1)
                pairs += equal[static_cast<std::size_t>(x + 1)];
            const int columns = std::min(x + 1, width - 2) - std::max(x - 2, 0) + 1;
            if (pairs * kWindowPairs >= kFlatPairs * rows * columns)
                result[x] = in[x];
            if (x - 2 >= 0)
                pairs -= equal[static_cast<std::size_t>(x - 2)];
        }
    }
}

GreyRaster TracingGreyOf(const GreyRaster& plain, const TraceSourceSettings& settings) {
    return CleanedFromMedian(plain, Median5x5(plain), settings);
}

GreyRaster CleanedFromMedian(const GreyRaster& plain, GreyRaster median,
                             const TraceSourceSettings& settings) {
    // Every step after the median works in place.
    GreyRaster out = std::move(median);
    SnapEdges(out, settings.edgeContrast);
    KeepFlatAreas(plain, out);
    LevelRows(out, settings.levelStep, settings.levelHold);
    return out;
}

} // namespace velmora
