#include "tracing/TraceSource.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <utility>
#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

namespace velmora {

namespace {

// Horizontal neighbour pairs in a whole 5 x 5 window.
constexpr int kWindowPairs = 20;

} // namespace

GreyRaster Median5x5(const GreyRaster& plain) {
    const int width = plain.Width();
    const int height = plain.Height();
    GreyRaster out(width, height);
    if (width == 0 || height == 0)
        return out;
    // OpenCV's median repeats the edge pixels outwards for this window size.
    const cv::Mat in(height, width, CV_8UC1, const_cast<std::uint8_t*>(plain.RowData(0)));
    cv::Mat result(height, width, CV_8UC1, out.RowData(0));
    cv::medianBlur(in, result, 5);
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
