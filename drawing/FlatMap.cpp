// SPDX-License-Identifier: GPL-3.0-or-later
#include "drawing/FlatMap.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <utility>

#include "data/Conventions.h"
#include "geometry/CameraModel.h"
#include "geometry/Footprints.h"

namespace velmora {

namespace {

struct LevelRange {
    std::initializer_list<float> rates;
    float length;
    const char* label;
};

bool ValidLevel(Count level) {
    return level >= 0 && level <= kMaxMapLevel;
}

struct Run {
    int start = 0;
    int count = 0;
};

std::optional<Run> RunOf(const BuildingData& d, int r) {
    const int roofs = std::clamp<int>(d.gEachTopAreaNumber, 0, static_cast<int>(kRoofCapacity));
    const int total =
        std::clamp<int>(d.gTopAreaPointTotalNumber, 0, static_cast<int>(kPointCapacity));
    if (r < 0 || r >= roofs)
        return std::nullopt;
    const Run run{d.gEachTopAreaStartNum[r], d.gEachTopAreaPointNum[r]};
    if (run.start < 0 || run.count < 0 || run.start + run.count > total)
        return std::nullopt;
    return run;
}

void AppendCaption(DrawList& ops, double captionY) {
    ops.push_back(DrawOp::Text(250, captionY, "平面図表示", kCaptionPointSize, true, kCaptionColour,
                               DrawMode::Copy));
}

// A roof whose outline crosses itself has no area: its label is red so the
// user sees which one to mend.
Rgb LabelColour(const BuildingData& d, int roof) {
    return RoofOutlineCrossesItself(d, static_cast<Count>(roof)) ? kCrossedOutlineColour
                                                                 : kCaptionColour;
}

void AppendLabel(DrawList& ops, const BuildingData& d, int roof, float rate, DrawMode mode) {
    if (const auto at = LabelPosition(d, static_cast<Count>(roof), rate))
        ops.push_back(DrawOp::Text(at->x, at->y, RoofLabel(d, static_cast<Count>(roof)),
                                   kLabelPointSize, true, LabelColour(d, roof), mode));
}

} // namespace

void InitMapScaleTables(MapScaleTables& t) {
    const LevelRange ranges[] = {
        {{0.01f, 0.012f}, 20000, "20Km"},
        {{0.015f, 0.017f, 0.02f, 0.025f}, 10000, "10Km"},
        {{0.03f, 0.035f, 0.04f}, 5000, "5Km"},
        {{0.05f, 0.06f, 0.07f, 0.08f, 0.1f, 0.12f}, 2000, "2Km"},
        {{0.15f, 0.17f, 0.2f, 0.25f}, 1000, "1Km"},
        {{0.3f, 0.35f, 0.4f}, 500, "500m"},
        {{0.5f, 0.6f, 0.7f, 0.8f, 1.0f, 1.2f}, 200, "200m"},
        {{1.5f, 1.7f, 2.0f, 2.5f}, 100, "100m"},
        {{3.0f, 3.5f, 4.0f}, 50, "50m"},
        {{5.0f, 6.0f, 7.0f, 8.0f, 10.0f, 12.0f}, 20, "20m"},
    };
    std::size_t i = 0;
    for (const auto& range : ranges) {
        for (const float rate : range.rates) {
            if (i >= static_cast<std::size_t>(kMapLevelCount))
                return;
            t.gMapRate[i] = rate;
            t.gMapScaleLength[i] = range.length;
            t.gMapScaleLabel[i] = range.label;
            ++i;
        }
    }
}

Count ChooseFlatMapScale(const BuildingData& d, const MapScaleTables& t) {
    double maxX = -999999;
    double minX = 999999;
    const int total =
        std::clamp<int>(d.gTopAreaPointTotalNumber, 0, static_cast<int>(kPointCapacity));
    for (int j = 0; j < total; ++j) {
        maxX = std::max<double>(maxX, d.gFlatTopAreaX[j]);
        minX = std::min<double>(minX, d.gFlatTopAreaX[j]);
    }
    const double width = std::fabs(maxX - minX);
    for (int i = kMaxMapLevel; i >= 0; --i)
        if (3.0 * t.gMapScaleLength[i] > width)
            return static_cast<Count>(i);
    return 0;
}

Count ZoomLevelAfterClick(Count level, bool leftButton) {
    const int next = leftButton ? level + 1 : level - 1;
    return static_cast<Count>(std::clamp(next, 0, static_cast<int>(kMaxMapLevel)));
}

std::optional<MapPoint> LabelPosition(const BuildingData& d, Count roof, float flatMapRate) {
    const auto run = RunOf(d, roof);
    if (!run || run->count <= 0)
        return std::nullopt;
    double sx = 0;
    double sy = 0;
    for (int j = run->start; j < run->start + run->count; ++j) {
        sx += d.gFlatTopAreaX[j];
        sy += d.gFlatTopAreaY[j];
    }
    return MapPoint{sx / run->count * flatMapRate, sy / run->count * flatMapRate};
}

std::string RoofLabel(const BuildingData& d, Count roof) {
    return RoofHeightOf(d, roof) == RoofHeight::Measured ? HeightLabel(d.gFlatTopHeight[roof])
                                                         : kUnknownHeightLabel;
}

std::string HeightLabel(float height) {
    return FormatWhole(height) + "m";
}

std::optional<Count> MapLevelOfRate(const MapScaleTables& t, float rate) {
    for (int i = 0; i < kMapLevelCount; ++i)
        if (t.gMapRate[static_cast<std::size_t>(i)] == rate)
            return static_cast<Count>(i);
    return std::nullopt;
}

MapDrawing DrawFlatLineMap(const BuildingData& d, const MapScaleTables& t, Count level,
                           Count active, double captionY) {
    MapDrawing m;
    m.ops.push_back(DrawOp::Clear());
    AppendCaption(m.ops, captionY);
    m.flatMapRate = ValidLevel(level) ? t.gMapRate[level] : 0;
    const double rate = m.flatMapRate;
    const int roofs = std::clamp<int>(d.gEachTopAreaNumber, 0, static_cast<int>(kRoofCapacity));
    if (active >= roofs)
        active = -1;
    for (int i = 0; i < roofs; ++i) {
        if (i == active)
            continue;
        const auto run = RunOf(d, i);
        if (!run)
            continue;
        for (int j = run->start + 1; j < run->start + run->count; ++j)
            m.ops.push_back(DrawOp::Line(d.gFlatTopAreaX[j - 1] * rate,
                                         d.gFlatTopAreaY[j - 1] * rate, d.gFlatTopAreaX[j] * rate,
                                         d.gFlatTopAreaY[j] * rate, kRoofColour, DrawMode::Copy));
        AppendLabel(m.ops, d, i, m.flatMapRate, DrawMode::Copy);
    }
    if (active > -1) {
        m.modeAfter = DrawMode::Xor;
        SelectBox box;
        if (const auto run = RunOf(d, active)) {
            for (int j = run->start; j < run->start + run->count; ++j) {
                const double x = d.gFlatTopAreaX[j] * rate;
                const double y = d.gFlatTopAreaY[j] * rate;
                if (j > run->start) {
                    m.ops.push_back(
                        DrawOp::Circle(x, y, kMarkerRadius, kActiveColour, DrawMode::Xor));
                    m.ops.push_back(DrawOp::Line(d.gFlatTopAreaX[j - 1] * rate,
                                                 d.gFlatTopAreaY[j - 1] * rate, x, y, kActiveColour,
                                                 DrawMode::Xor));
                }
                box.Widen(x, y);
            }
        }
        AppendLabel(m.ops, d, active, m.flatMapRate, DrawMode::Xor);
        AppendSelectMarks(m.ops, box, DrawMode::Xor);
        m.marks = box;
    }
    return m;
}

DrawList DrawMapScaleBar(const MapScaleTables& t, Count level, DrawMode mode) {
    DrawList ops;
    if (!ValidLevel(level))
        return ops;
    const double length = static_cast<double>(t.gMapScaleLength[level]) * t.gMapRate[level];
    ops.push_back(DrawOp::Line(-340, -310, -340 + length, -310, kScaleBarColour, mode));
    for (int k = 0; k <= 5; ++k) {
        const double x = -340 + k * length / 5;
        ops.push_back(DrawOp::Line(x, -310, x, -300, kScaleBarColour, mode));
    }
    ops.push_back(DrawOp::Text(-270, -280, t.gMapScaleLabel[level], kLabelPointSize, true,
                               kScaleLabelColour, mode));
    return ops;
}

DrawList DrawNorthArrow(DrawMode mode) {
    const Rgb c = kNorthArrowColour;
    return {
        DrawOp::Line(-330, 280, -330, 180, c, mode),
        DrawOp::Line(-330, 280, -340, 260, c, mode),
        DrawOp::Line(-330, 280, -320, 260, c, mode),
        DrawOp::Line(-360, 230, -300, 230, c, mode),
        DrawOp::Text(-335, 300, "N", kLabelPointSize, true, c, mode),
    };
}

bool MapHasBuildings(const BuildingData& d) {
    return d.gEachTopAreaNumber > 0 && d.gTopAreaPointTotalNumber > 0;
}

FlatMapView ShowFlatLineMap(const BuildingData& d, const MapScaleTables& t, Count active) {
    FlatMapView v;
    v.level = ChooseFlatMapScale(d, t);
    v.drawing = DrawFlatLineMap(d, t, v.level, active);
    const DrawMode mode = v.drawing.modeAfter;
    if (MapHasBuildings(d))
        for (auto& op : DrawMapScaleBar(t, v.level, mode))
            v.drawing.ops.push_back(std::move(op));
    for (auto& op : DrawNorthArrow(mode))
        v.drawing.ops.push_back(std::move(op));
    return v;
}

MapDrawing DrawNorthUpFlatMap(const BuildingData& d, const MapScaleTables& t, Count level) {
    MapDrawing m;
    m.ops.push_back(DrawOp::Clear());
    const int roofs = std::clamp<int>(d.gEachTopAreaNumber, 0, static_cast<int>(kRoofCapacity));
    if (roofs == 0)
        return m;
    m.modeAfter = DrawMode::Copy;
    m.flatMapRate = ValidLevel(level) ? t.gMapRate[level] : 0;
    const double rate = m.flatMapRate;
    const double a = d.gNorthAngle * kDegToRad;
    const double s = std::sin(a);
    const double c = std::cos(a);
    for (int i = 0; i < roofs; ++i) {
        const auto run = RunOf(d, i);
        if (!run)
            continue;
        double sx = 0, sy = 0, px = 0, py = 0;
        for (int j = run->start; j < run->start + run->count; ++j) {
            double x = d.gFlatTopAreaX[j];
            double y = d.gFlatTopAreaY[j];
            RotateAboutPoint(x, y, 0, 0, s, c);
            if (j > run->start)
                m.ops.push_back(DrawOp::Line(px * rate, py * rate, x * rate, y * rate,
                                             kNorthUpRoofColour, DrawMode::Copy));
            px = x;
            py = y;
            sx += x;
            sy += y;
        }
        if (run->count > 0)
            m.ops.push_back(DrawOp::Text(sx / run->count * rate, sy / run->count * rate,
                                         RoofLabel(d, static_cast<Count>(i)), kLabelPointSize, true,
                                         LabelColour(d, i), DrawMode::Copy));
    }
    return m;
}

DrawList UpdateNorthAngleOps(const BuildingData& d, const MapScaleTables& t, Count level,
                             DrawMode currentMode) {
    MapDrawing m = DrawNorthUpFlatMap(d, t, level);
    const bool drew = d.gEachTopAreaNumber > 0;
    const DrawMode mode = drew ? m.modeAfter : currentMode;
    if (MapHasBuildings(d))
        for (auto& op : DrawMapScaleBar(t, level, mode))
            m.ops.push_back(std::move(op));
    for (auto& op : DrawNorthArrow(mode))
        m.ops.push_back(std::move(op));
    return m.ops;
}

} // namespace velmora
