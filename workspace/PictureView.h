// SPDX-License-Identifier: GPL-3.0-or-later
// A picture box: a background picture with a drawing on top, measured in a
// user coordinate system (scale left, top, width, height; a negative scale
// height makes y grow upwards). Used for PhotoPic, PhotoPic2 and the compass
// AzimusPic.
//
// Two layers. The base is one RGB32 image the size of the inner area: the
// picture with the committed drawing, painted by one aliased QPainter;
// figures either replace pixels (copy mode) or combine their colour with
// them by exclusive-or (XOR mode, so the same figure drawn twice restores
// every pixel). Over it lies the overlay: figures that follow the mouse
// (rubber bands), painted only when the widget paints. Changing the overlay
// repaints the rectangles it covered and covers, never the base.
#pragma once

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QRect>
#include <QString>
#include <QWidget>
#include <functional>

#include "data/BuildingData.h"
#include "data/DrawList.h"
#include "workspace/DrawingSurface.h"
#include "workspace/FigurePainter.h"

class QPainter;

namespace velmora {

class PictureView : public QWidget, public DrawingSurface {
    Q_OBJECT
  public:
    // Sunken frame width on each side: the outer size is the inner size
    // plus twice this.
    static constexpr int kBorder = kViewBorder;

    // Mouse buttons as the handlers receive them.
    static constexpr int kLeftButton = velmora::kLeftButton;
    static constexpr int kRightButton = velmora::kRightButton;
    static constexpr int kMiddleButton = velmora::kMiddleButton;

    explicit PictureView(QWidget* parent = nullptr);

    // Outer geometry in the parent's pixels.
    int Left() const { return x(); }
    int Top() const { return y(); }
    int Width() const { return width(); }
    int Height() const { return height(); }
    void SetOuterGeometry(int left, int top, int width, int height);
    int InnerWidth() const;
    int InnerHeight() const;

    // User coordinate system of the inner area.
    void SetScale(double left, double top, double width, double height);
    double ScaleLeft() const { return scaleLeft_; }
    double ScaleTop() const { return scaleTop_; }
    double ScaleWidth() const { return scaleWidth_; }
    double ScaleHeight() const { return scaleHeight_; }
    // One unit per pixel, origin at the top-left corner, y down.
    void ResetScale();

    QPointF ToPixel(double x, double y) const;
    QPointF ToUser(QPointF pixel) const;

    // Background picture. Setting it clears the drawing.
    void SetPicture(const QImage& picture);
    void RemovePicture();
    const QImage& Picture() const { return picture_; }
    bool HasPicture() const { return !picture_.isNull(); }
    // Outer size = picture size + the frame.
    void SizeToPicture();
    void CopyPictureFrom(const PictureView& other);

    void SetBackColor(QColor c);
    QColor BackColor() const { return back_; }

    // Drawing state.
    void SetMode(velmora::DrawMode m) override { mode_ = m; }
    velmora::DrawMode Mode() const override { return mode_; }
    void SetDrawWidth(int w) override { drawWidth_ = w < 1 ? 1 : w; }
    int DrawWidth() const { return drawWidth_; }

    // Drawing on the base, in user coordinates, in the current mode.
    // Clearing puts the picture back and drops the overlay.
    void Cls();
    void Line(double x1, double y1, double x2, double y2, QColor c) override;
    // Radius in units of the x axis.
    void Circle(double x, double y, double radius, QColor c) override;
    // Outline of the rectangle with corners (x1, y1) and (x2, y2).
    void Box(double x1, double y1, double x2, double y2, QColor c);
    // Text with its top-left corner at (x, y).
    void Print(double x, double y, const QString& text, int pointSize, bool bold, QColor c);
    // Paints a list of figures onto the base in order, each in its own mode,
    // with one painter; the view is left in the mode of the last one.
    void Paint(const DrawList& ops) override;

    // The overlay: figures shown over the base until replaced, each in its
    // own mode. Erasing one costs a repaint of its rectangle.
    void SetOverlay(velmora::DrawList ops) override;
    void ClearOverlay() override { SetOverlay({}); }
    const velmora::DrawList& Overlay() const { return overlay_; }
    // Draws the overlay into the base for good and empties it (a rubber
    // band that became an edge).
    void CommitOverlay() override;

    // Marks over everything else, asked for at every paint (they follow the
    // state of whoever gives them: the prediction dialogs' receiver and
    // roof numbers). Not part of Point(). Repaint with update() when the
    // state changes.
    using MarkSource = std::function<velmora::DrawList()>;
    void SetMarkSource(MarkSource source);
    velmora::DrawList Marks() const { return marks_ ? marks_() : velmora::DrawList{}; }

    // Colour of the shown pixel (base and overlay) under (x, y) as
    // R + 256 G + 65536 B, or -1 outside the inner area.
    int Point(double x, double y) const;
    // The base alone, and what the view shows (the overlay and the marks
    // painted over it).
    const QImage& Base() const { return base_; }
    QImage Surface() const;
  signals:
    void MouseDown(int button, double x, double y);
    void MouseMove(int buttons, double x, double y);
    void MouseUp(int button, double x, double y);
    void DoubleClick();

  protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void mouseDoubleClickEvent(QMouseEvent*) override;

  private:
    void ResizeSurface();
    void FillBackground(QImage& img) const;
    QPointF UserAt(const QPointF& widgetPos) const;
    // Paints figures with a painter already on its device; `origin` is
    // where the inner area's top-left pixel lies on that device.
    void PaintFigures(QPainter& p, velmora::DrawList::const_iterator first,
                      velmora::DrawList::const_iterator last, QPoint origin);
    // The inner-area pixels the overlay's figures may light (empty: none).
    QRect OverlayRect() const;

    QImage picture_;
    QImage base_;
    velmora::DrawList overlay_;
    TextCache texts_;
    QColor back_{255, 255, 255};
    double scaleLeft_ = 0;
    double scaleTop_ = 0;
    double scaleWidth_ = 1;
    double scaleHeight_ = 1;
    // False while the box is measured in pixels: the scale then follows its size.
    bool userScale_ = false;
    velmora::DrawMode mode_ = velmora::DrawMode::Copy;
    int drawWidth_ = 1;
    MarkSource marks_;
};

} // namespace velmora
