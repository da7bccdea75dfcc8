// SPDX-License-Identifier: GPL-3.0-or-later
// The painter state the picture view keeps over a list of figures.
#pragma once

#include <QFont>
#include <QGlyphRun>
#include <QPainter>
#include <QPen>
#include <QTextLayout>
#include <algorithm>
#include <string>
#include <unordered_map>

#include "data/DrawList.h"

namespace velmora {

// Texts laid out once and kept between paints: a redraw of the plan map
// writes the same few hundred height labels each time, and laying them out
// costs more than drawing them.
class TextCache {
  public:
    struct Entry {
        QList<QGlyphRun> runs; // positions relative to the line's top-left
        // The line's ascent: with glyphs from a fallback font it exceeds
        // the font's own.
        qreal ascent = 0;
    };
    // The text laid out in `font` (the font the painter draws it with).
    const Entry& Get(const std::string& text, const QFont& font) {
        if (font != font_ || texts_.size() >= kMaxTexts) {
            texts_.clear();
            font_ = font;
        }
        auto [it, added] = texts_.try_emplace(text);
        if (added) {
            QTextLayout layout(QString::fromStdString(text), font);
            layout.beginLayout();
            QTextLine line = layout.createLine();
            line.setPosition(QPointF(0, 0));
            layout.endLayout();
            it->second.runs = layout.glyphRuns();
            it->second.ascent = line.ascent();
        }
        return it->second;
    }

  private:
    static constexpr std::size_t kMaxTexts = 4096;
    QFont font_;
    std::unordered_map<std::string, Entry> texts_;
};

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

    // Writes a text in the given size with its top-left corner at `topLeft`.
    void Text(QPointF topLeft, const std::string& text, int pointSize, bool bold,
              TextCache& cache) {
        // The baseline lies the font's ascent below the top, as drawText puts it.
        const int ascent = UseFont(pointSize, bold);
        const TextCache::Entry& e = cache.Get(text, p_.font());
        const QPointF origin = topLeft + QPointF(0, ascent - e.ascent);
        for (const QGlyphRun& run : e.runs)
            p_.drawGlyphRun(origin, run);
    }

  private:
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
