// SPDX-License-Identifier: GPL-3.0-or-later
// What a tool may draw on: the picture view's base drawing and its overlay,
// without the widget behind them.
#pragma once

#include <QColor>

#include "data/DrawList.h"

namespace velmora {

// Mouse buttons as the picture view reports them to the tools.
inline constexpr int kLeftButton = 1;
inline constexpr int kRightButton = 2;
inline constexpr int kMiddleButton = 4;

class DrawingSurface {
  public:
    virtual ~DrawingSurface() = default;
    virtual void SetMode(DrawMode m) = 0;
    virtual DrawMode Mode() const = 0;
    virtual void SetDrawWidth(int w) = 0;
    // Figures drawn for good, in user coordinates, in the current mode.
    virtual void Line(double x1, double y1, double x2, double y2, QColor c) = 0;
    virtual void Circle(double x, double y, double radius, QColor c) = 0;
    // Figures drawn for good, each in its own mode.
    virtual void Paint(const DrawList& ops) = 0;
    // Figures that follow the mouse, shown until replaced.
    virtual void SetOverlay(DrawList ops) = 0;
    virtual void ClearOverlay() = 0;
    // The overlay drawn for good (a rubber band that became an edge).
    virtual void CommitOverlay() = 0;
};

} // namespace velmora
