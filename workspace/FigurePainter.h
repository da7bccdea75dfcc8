// SPDX-License-Identifier: GPL-3.0-or-later
// The painter state the picture view keeps over a list of figures.
#pragma once

#include <QFont>
#include <QPainter>
#include <QPen>
#include <algorithm>

#include "data/DrawList.h"

namespace velmora {

// One painter's state over a list of figures: mode, pen and font are set
// only when a figure needs other ones, which keeps a redraw of thousands
// of figures cheap.
class FigurePainter {
  public:
    FigurePainter(QPainter& p, int penWidth, const QFont& base)
        : p_(p), penWidth_(penWidth), baseFont_(base) {
        p_.setRenderHint(QPainter::Antialiasing, false);
        p_.setRenderHint(QPainter::TextAntialiasing, false);
        p_.setBrush(Qt::NoBrush);
    }

    void Use(const DrawOp& op) {
        if (!modeSet_ || op.mode != mode_) {
            p_.setCompositionMode(op.mode == DrawMode::Xor ? QPainter::RasterOp_SourceXorDestination
                                                           : QPainter::CompositionMode_SourceOver);
            mode_ = op.mode;
            modeSet_ = true;
        }
        if (!penSet_ || !(op.colour == colour_)) {
            QPen pen(QColor(op.colour.r, op.colour.g, op.colour.b));
            pen.setWidth(penWidth_);
            pen.setCapStyle(Qt::SquareCap);
            pen.setJoinStyle(Qt::MiterJoin);
            p_.setPen(pen);
            colour_ = op.colour;
            penSet_ = true;
        }
    }

    // The ascent of the font now set.
    int UseFont(int pointSize, bool bold) {
        if (!fontSet_ || pointSize != pointSize_ || bold != bold_) {
            QFont f = baseFont_;
            f.setPointSize(std::max(pointSize, 1));
            f.setBold(bold);
            f.setStyleStrategy(QFont::NoAntialias);
            p_.setFont(f);
            ascent_ = p_.fontMetrics().ascent();
            pointSize_ = pointSize;
            bold_ = bold;
            fontSet_ = true;
        }
        return ascent_;
    }

    QPainter& Painter() { return p_; }

  private:
    QPainter& p_;
    int penWidth_;
    QFont baseFont_;
    bool modeSet_ = false, penSet_ = false, fontSet_ = false;
    DrawMode mode_ = DrawMode::Copy;
    Rgb colour_{};
    int pointSize_ = 0;
    bool bold_ = false;
    int ascent_ = 0;
};

} // namespace velmora
