// A picture box: a background picture with a drawing surface on top, measured
// in a user coordinate system (scale left, top, width, height; a negative
// scale height makes y grow upwards). Used for PhotoPic, PhotoPic2 and the
// compass AzimusPic.
//
// The surface is one RGB32 image the size of the inner area. Clearing it puts
// the picture back; drawing either replaces pixels (copy mode) or combines
// the pen colour with them by exclusive-or (XOR mode). The view lights the
// pixels itself (FigurePixels), never antialiased, so drawing the same
// figure twice in XOR mode restores every pixel, and a part of a drawing
// drawn again alone matches the whole.
#pragma once

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QString>
#include <QWidget>

#include <unordered_map>
#include <vector>

#include "data/DrawList.h"
#include "workspace/FigurePixels.h"

namespace velmora {

class PictureView : public QWidget {
    Q_OBJECT
  public:
    // Sunken frame width on each side: the outer size is the inner size + 4.
    static constexpr int kBorder = 2;

    // Mouse buttons as the handlers receive them.
    static constexpr int kLeftButton = 1;
    static constexpr int kRightButton = 2;
    static constexpr int kMiddleButton = 4;

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
    void SetMode(velmora::DrawMode m) { mode_ = m; }
    velmora::DrawMode Mode() const { return mode_; }
    void SetDrawWidth(int w) { drawWidth_ = w < 1 ? 1 : w; }
    int DrawWidth() const { return drawWidth_; }

    // Drawing, in user coordinates, in the current mode.
    void Cls();
    void Line(double x1, double y1, double x2, double y2, QColor c);
    // Radius in units of the x axis.
    void Circle(double x, double y, double radius, QColor c);
    // Outline of the rectangle with corners (x1, y1) and (x2, y2).
    void Box(double x1, double y1, double x2, double y2, QColor c);
    // Text with its top-left corner at (x, y).
    void Print(double x, double y, const QString& text, int pointSize, bool bold, QColor c);
    // Paints a list of primitives in order, each in its own mode; the view
    // is left in the mode of the last one. A list that clears first and
    // differs in a few figures from what the surface shows (nothing else
    // drawn since, same scale and pen) is drawn only where those figures
    // light pixels: undo and redo at capacity stay well under a
    // millisecond.
    void Paint(const DrawList& ops);

    // Colour of the surface pixel under (x, y) as R + 256 G + 65536 B, or -1
    // outside the inner area.
    int Point(double x, double y) const;
    const QImage& Surface() const { return surface_; }
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
    void changeEvent(QEvent*) override;

  private:
    void ResizeSurface();
    void FillBackground(QImage& img) const;
    QPointF UserAt(const QPointF& widgetPos) const;
    // The pixels of a figure on the surface as it is scaled now.
    FigurePixels PixelsOf(const velmora::DrawOp& op);
    // A line between two points in surface pixels.
    FigurePixels LinePixels(QPointF a, QPointF b) const;
    PixelBuffer Buffer();
    // Draws one figure in its own mode straight onto the surface.
    void DrawNow(const velmora::DrawOp& op);
    void TrimTextMasks();
    void PaintAll(velmora::DrawList::const_iterator first, velmora::DrawList::const_iterator last);
    // Draws `after` over the surface showing `before` (both clear first)
    // where they differ; false, drawing nothing, when most would change.
    bool PaintChanges(const velmora::DrawList& before, const velmora::DrawList& after);

    // What the surface shows: these figures since a clear, on this scale
    // and pen, while the surface keeps this cache key.
    struct Drawn {
        velmora::DrawList ops;
        qint64 surface = 0;
        double left = 0, top = 0, width = 0, height = 0;
        int pen = 0;
    };
    Drawn drawn_;
    bool DrawnStillShown() const;
    void RememberDrawn();
    // The last whole drawing replaced, with the picture and background it
    // was made on.
    struct Aside {
        Drawn drawn;
        QImage surface;
        QImage picture;
        QRgb back = 0;
    };
    Aside aside_;
    // Before the surface is cleared or drawn anew: keeps what it shows aside
    // when that is worth keeping, and gives the surface a new image.
    void KeepAside();
    // Shows the drawing kept aside when it is `ops` on this very view.
    bool TakeBackAside(const velmora::DrawList& ops);

    // A text's lit pixels from its top-left corner, kept by text and size:
    // the plan map repeats the same height labels hundreds of times.
    struct TextMask {
        int left = 0;
        int top = 0;
        PixelMask pixels;
    };
    const TextMask& MaskOf(const QString& text, int pointSize, bool bold);
    std::unordered_map<QString, TextMask> textMasks_;

    QImage picture_;
    QImage surface_;
    QColor back_{255, 255, 255};
    double scaleLeft_ = 0;
    double scaleTop_ = 0;
    double scaleWidth_ = 1;
    double scaleHeight_ = 1;
    // False while the box is measured in pixels: the scale then follows its size.
    bool userScale_ = false;
    velmora::DrawMode mode_ = velmora::DrawMode::Copy;
    int drawWidth_ = 1;
};

} // namespace velmora
