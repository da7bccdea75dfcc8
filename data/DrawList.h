// SPDX-License-Identifier: GPL-3.0-or-later
// Drawing primitives computed by the core and painted by the views. The core
// decides what is drawn where and in which colour; the view only maps the
// coordinates (y up) to pixels and paints the list in order. Keeping the list
// plain data lets tests check a drawing without pixels.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace velmora {

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// Colours by role, shared by the inclined view and the plan map.
inline constexpr Rgb kRoofColour{255, 0, 200};
inline constexpr Rgb kWallColour{0, 150, 255};
inline constexpr Rgb kActiveColour{0, 255, 200};
inline constexpr Rgb kActiveWallColour{255, 100, 0};
inline constexpr Rgb kClickMarkColour{0, 200, 60};
inline constexpr Rgb kRoofRubberColour{0, 130, 40};
inline constexpr Rgb kWallDrawColour{40, 140, 0};
inline constexpr Rgb kHandleColour{255, 255, 255};
inline constexpr Rgb kCaptionColour{128, 128, 128};

inline constexpr double kMarkerRadius = 2;
inline constexpr double kHandleHalfSize = 5;

// Copy replaces the pixels; Xor combines them so that drawing a figure twice
// removes it again.
enum class DrawMode { Copy, Xor };

struct DrawOp {
    // Clear: remove the drawing (never the picture under it).
    // Line: (x1, y1)-(x2, y2). Circle: centre (x1, y1), radius.
    // Box: outline of the rectangle with corners (x1, y1) and (x2, y2).
    // Text: top-left corner at (x1, y1).
    enum class Kind { Clear, Line, Circle, Box, Text };
    Kind kind = Kind::Line;
    DrawMode mode = DrawMode::Copy;
    Rgb colour{};
    double x1 = 0;
    double y1 = 0;
    double x2 = 0;
    double y2 = 0;
    double radius = 0;
    std::string text; // UTF-8
    int pointSize = 0;
    bool bold = false;

    static DrawOp Clear() {
        DrawOp op;
        op.kind = Kind::Clear;
        return op;
    }
    static DrawOp Line(double x1, double y1, double x2, double y2, Rgb c, DrawMode m) {
        DrawOp op;
        op.kind = Kind::Line;
        op.x1 = x1;
        op.y1 = y1;
        op.x2 = x2;
        op.y2 = y2;
        op.colour = c;
        op.mode = m;
        return op;
    }
    static DrawOp Circle(double x, double y, double r, Rgb c, DrawMode m) {
        DrawOp op;
        op.kind = Kind::Circle;
        op.x1 = x;
        op.y1 = y;
        op.radius = r;
        op.colour = c;
        op.mode = m;
        return op;
    }
    static DrawOp Box(double x1, double y1, double x2, double y2, Rgb c, DrawMode m) {
        DrawOp op = Line(x1, y1, x2, y2, c, m);
        op.kind = Kind::Box;
        return op;
    }
    static DrawOp Text(double x, double y, std::string s, int size, bool bold, Rgb c, DrawMode m) {
        DrawOp op;
        op.kind = Kind::Text;
        op.x1 = x;
        op.y1 = y;
        op.text = std::move(s);
        op.pointSize = size;
        op.bold = bold;
        op.colour = c;
        op.mode = m;
        return op;
    }
    friend bool operator==(const DrawOp&, const DrawOp&) = default;
};

using DrawList = std::vector<DrawOp>;

// The box framed by the four selection handles.
struct SelectBox {
    double maxX = -999;
    double minX = 999;
    double maxY = -999;
    double minY = 999;
    void Widen(double x, double y) {
        if (x > maxX)
            maxX = x;
        if (y > maxY)
            maxY = y;
        if (x < minX)
            minX = x;
        if (y < minY)
            minY = y;
    }
    friend bool operator==(const SelectBox&, const SelectBox&) = default;
};

// A handle box edge as the view remembers it (a float). Handles are drawn
// from these values so that drawing them again from the remembered box
// erases them exactly; a plan position times a map rate such as 0.4 would
// otherwise land a pixel away from its float.
inline double RememberedEdge(double v) {
    return std::fabs(v) <= std::numeric_limits<float>::max() ? static_cast<float>(v) : v;
}

// The four 10 x 10 handles at the corners of `box`, in the order
// (maxX, maxY), (minX, maxY), (maxX, minY), (minX, minY).
inline void AppendSelectMarks(DrawList& ops, const SelectBox& box, DrawMode mode) {
    const double maxX = RememberedEdge(box.maxX), minX = RememberedEdge(box.minX);
    const double maxY = RememberedEdge(box.maxY), minY = RememberedEdge(box.minY);
    const double corners[4][2] = {{maxX, maxY}, {minX, maxY}, {maxX, minY}, {minX, minY}};
    for (const auto& c : corners)
        ops.push_back(DrawOp::Box(c[0] + kHandleHalfSize, c[1] + kHandleHalfSize,
                                  c[0] - kHandleHalfSize, c[1] - kHandleHalfSize, kHandleColour,
                                  mode));
}

} // namespace velmora
