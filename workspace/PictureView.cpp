#include "workspace/PictureView.h"

#include <QFontMetrics>

#include <QMouseEvent>
#include <QPainter>
#include <QPen>
#include <algorithm>
#include <cmath>
#include <qdrawutil.h>

namespace velmora {

namespace {

// Surfaces are measured at 96 dots per inch so that a point size gives the
// same pixel size on every screen and in headless runs.
constexpr int kDotsPerMetre96 = 3780;

int ButtonCode(Qt::MouseButton b) {
    switch (b) {
    case Qt::LeftButton:
        return PictureView::kLeftButton;
    case Qt::RightButton:
        return PictureView::kRightButton;
    case Qt::MiddleButton:
        return PictureView::kMiddleButton;
    default:
        return 0;
    }
}

int ButtonsCode(Qt::MouseButtons bs) {
    int code = 0;
    if (bs & Qt::LeftButton)
        code |= PictureView::kLeftButton;
    if (bs & Qt::RightButton)
        code |= PictureView::kRightButton;
    if (bs & Qt::MiddleButton)
        code |= PictureView::kMiddleButton;
    return code;
}

// The centre of the pixel that holds a position: figures run through pixel
// centres, and a pixel read at a position reads the pixel a figure through
// that position has lit.
QPointF PixelCentre(QPointF p) {
    // Far-off coordinates are clamped so a stray value cannot overflow the
    // pixel grid; such figures fall outside the surface anyway.
    auto cell = [](double v) {
        return std::isfinite(v) ? std::floor(std::clamp(v, -1.0e6, 1.0e6)) + 0.5 : -1.0e6;
    };
    return QPointF(cell(p.x()), cell(p.y()));
}

} // namespace

PictureView::PictureView(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    ResizeSurface();
    ResetScale();
}

void PictureView::SetOuterGeometry(int left, int top, int width, int height) {
    setGeometry(left, top, std::max(width, 2 * kBorder + 1), std::max(height, 2 * kBorder + 1));
    // A hidden widget gets its resize event only when shown; the surface
    // must have its size at once.
    ResizeSurface();
    if (!userScale_)
        ResetScale();
}

int PictureView::InnerWidth() const {
    return std::max(width() - 2 * kBorder, 1);
}
int PictureView::InnerHeight() const {
    return std::max(height() - 2 * kBorder, 1);
}

void PictureView::SetScale(double left, double top, double width, double height) {
    userScale_ = true;
    scaleLeft_ = left;
    scaleTop_ = top;
    // A zero extent would make every coordinate infinite: keep the old one.
    if (width != 0)
        scaleWidth_ = width;
    if (height != 0)
        scaleHeight_ = height;
}

void PictureView::ResetScale() {
    userScale_ = false;
    scaleLeft_ = 0;
    scaleTop_ = 0;
    scaleWidth_ = InnerWidth();
    scaleHeight_ = InnerHeight();
}

QPointF PictureView::ToPixel(double x, double y) const {
    return QPointF((x - scaleLeft_) * InnerWidth() / scaleWidth_,
                   (y - scaleTop_) * InnerHeight() / scaleHeight_);
}

QPointF PictureView::ToUser(QPointF pixel) const {
    return QPointF(scaleLeft_ + pixel.x() * scaleWidth_ / InnerWidth(),
                   scaleTop_ + pixel.y() * scaleHeight_ / InnerHeight());
}

void PictureView::SetPicture(const QImage& picture) {
    picture_ = picture.isNull() ? QImage() : picture.convertToFormat(QImage::Format_RGB32);
    Cls();
}

void PictureView::RemovePicture() {
    picture_ = QImage();
    Cls();
}

void PictureView::SizeToPicture() {
    if (picture_.isNull())
        return;
    SetOuterGeometry(x(), y(), picture_.width() + 2 * kBorder, picture_.height() + 2 * kBorder);
}

void PictureView::CopyPictureFrom(const PictureView& other) {
    SetPicture(other.Picture());
}

void PictureView::SetBackColor(QColor c) {
    back_ = c;
    Cls();
}

void PictureView::FillBackground(QImage& img) const {
    img.fill(back_);
    if (!picture_.isNull()) {
        QPainter p(&img);
        p.drawImage(0, 0, picture_);
    }
}

void PictureView::ResizeSurface() {
    const QSize size(InnerWidth(), InnerHeight());
    if (surface_.size() == size)
        return;
    QImage next(size, QImage::Format_RGB32);
    next.setDotsPerMeterX(kDotsPerMetre96);
    next.setDotsPerMeterY(kDotsPerMetre96);
    FillBackground(next);
    // What was drawn stays where it was; new area shows the picture.
    if (!surface_.isNull()) {
        QPainter p(&next);
        p.drawImage(0, 0, surface_);
    }
    surface_ = next;
}

void PictureView::Cls() {
    ResizeSurface();
    FillBackground(surface_);
    update();
}

void PictureView::BeginPaint(QPainter& p, QColor c) const {
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    // A painter kept over several figures must leave XOR again.
    p.setCompositionMode(mode_ == DrawMode::Xor ? QPainter::RasterOp_SourceXorDestination
                                                : QPainter::CompositionMode_SourceOver);
    QPen pen(c);
    pen.setWidth(drawWidth_);
    pen.setCapStyle(Qt::SquareCap);
    pen.setJoinStyle(Qt::MiterJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
}

void PictureView::LineWith(QPainter& p, double x1, double y1, double x2, double y2, QColor c) {
    BeginPaint(p, c);
    const QPointF a = PixelCentre(ToPixel(x1, y1));
    const QPointF b = PixelCentre(ToPixel(x2, y2));
    if (a == b)
        p.drawPoint(a);
    else
        p.drawLine(a, b);
}

void PictureView::CircleWith(QPainter& p, double x, double y, double radius, QColor c) {
    BeginPaint(p, c);
    const QPointF centre = PixelCentre(ToPixel(x, y));
    const double r = std::lround(std::min(std::abs(radius * InnerWidth() / scaleWidth_), 1.0e6));
    p.drawEllipse(centre, r, r);
}

void PictureView::BoxWith(QPainter& p, double x1, double y1, double x2, double y2, QColor c) {
    BeginPaint(p, c);
    const QPointF a = PixelCentre(ToPixel(x1, y1));
    const QPointF b = PixelCentre(ToPixel(x2, y2));
    p.drawRect(QRectF(a, b).normalized());
}

void PictureView::PrintWith(QPainter& p, double x, double y, const QString& text, int pointSize,
                            bool bold, QColor c) {
    BeginPaint(p, c);
    QFont f = font();
    f.setPointSize(pointSize);
    f.setBold(bold);
    f.setStyleStrategy(QFont::NoAntialias);
    p.setFont(f);
    const QPointF topLeft = PixelCentre(ToPixel(x, y)) - QPointF(0.5, 0.5);
    p.drawText(QPointF(topLeft.x(), topLeft.y() + p.fontMetrics().ascent()), text);
}

void PictureView::Line(double x1, double y1, double x2, double y2, QColor c) {
    ResizeSurface();
    QPainter p(&surface_);
    LineWith(p, x1, y1, x2, y2, c);
    update();
}

void PictureView::Circle(double x, double y, double radius, QColor c) {
    ResizeSurface();
    QPainter p(&surface_);
    CircleWith(p, x, y, radius, c);
    update();
}

void PictureView::Box(double x1, double y1, double x2, double y2, QColor c) {
    ResizeSurface();
    QPainter p(&surface_);
    BoxWith(p, x1, y1, x2, y2, c);
    update();
}

void PictureView::Print(double x, double y, const QString& text, int pointSize, bool bold,
                        QColor c) {
    ResizeSurface();
    QPainter p(&surface_);
    PrintWith(p, x, y, text, pointSize, bold, c);
    update();
}

void PictureView::Paint(const DrawList& ops) {
    ResizeSurface();
    // One painter for the whole list: a full redraw at capacity has
    // thousands of figures, and a painter each cost most of its time.
    QPainter p;
    for (const DrawOp& op : ops) {
        if (op.kind == DrawOp::Kind::Clear) {
            if (p.isActive())
                p.end();
            FillBackground(surface_);
            continue;
        }
        mode_ = op.mode;
        if (!p.isActive())
            p.begin(&surface_);
        Draw(p, op);
    }
    if (p.isActive())
        p.end();
    if (!ops.empty())
        update();
}

bool PictureView::ShowSurface(const QImage& drawing, DrawMode mode) {
    ResizeSurface();
    if (drawing.size() != surface_.size() || drawing.format() != surface_.format())
        return false;
    surface_ = drawing;
    mode_ = mode;
    update();
    return true;
}

void PictureView::Draw(QPainter& p, const DrawOp& op) {
    const QColor c(op.colour.r, op.colour.g, op.colour.b);
    switch (op.kind) {
    case DrawOp::Kind::Clear:
        break;
    case DrawOp::Kind::Line:
        LineWith(p, op.x1, op.y1, op.x2, op.y2, c);
        break;
    case DrawOp::Kind::Circle:
        CircleWith(p, op.x1, op.y1, op.radius, c);
        break;
    case DrawOp::Kind::Box:
        BoxWith(p, op.x1, op.y1, op.x2, op.y2, c);
        break;
    case DrawOp::Kind::Text:
        PrintWith(p, op.x1, op.y1, QString::fromStdString(op.text), op.pointSize, op.bold, c);
        break;
    }
}

QRect PictureView::Bounds(const DrawOp& op) const {
    const QRect all(QPoint(0, 0), surface_.size());
    const QPointF a = ToPixel(op.x1, op.y1);
    // Pen width with its square caps, and a pixel for rounding either way.
    const double margin = drawWidth_ + 2;
    QRectF r;
    switch (op.kind) {
    case DrawOp::Kind::Clear:
        return all;
    case DrawOp::Kind::Line:
    case DrawOp::Kind::Box:
        r = QRectF(a, ToPixel(op.x2, op.y2)).normalized();
        break;
    case DrawOp::Kind::Circle: {
        const double radius = std::abs(op.radius * InnerWidth() / scaleWidth_) + 1;
        r = QRectF(a.x() - radius, a.y() - radius, 2 * radius, 2 * radius);
        break;
    }
    case DrawOp::Kind::Text: {
        QFont f = font();
        f.setPointSize(op.pointSize);
        f.setBold(op.bold);
        const QRect t = QFontMetrics(f).boundingRect(QString::fromStdString(op.text));
        r = QRectF(a.x(), a.y(), t.width() + t.height(), 2.0 * t.height());
        break;
    }
    }
    if (!std::isfinite(r.left()) || !std::isfinite(r.right()) || !std::isfinite(r.top()) ||
        !std::isfinite(r.bottom()) || std::abs(r.left()) > 1e7 || std::abs(r.right()) > 1e7 ||
        std::abs(r.top()) > 1e7 || std::abs(r.bottom()) > 1e7)
        return all;
    return r.adjusted(-margin, -margin, margin, margin).toAlignedRect() & all;
}

void PictureView::PaintChanges(const DrawList& before, const QImage& drawnBefore,
                               const DrawList& after) {
    ResizeSurface();
    const auto clears = [](const DrawList& l) {
        return !l.empty() && l.front().kind == DrawOp::Kind::Clear &&
               std::none_of(l.begin() + 1, l.end(),
                            [](const DrawOp& op) { return op.kind == DrawOp::Kind::Clear; });
    };
    if (drawnBefore.size() != surface_.size() || drawnBefore.format() != surface_.format() ||
        !clears(before) || !clears(after)) {
        Paint(after);
        return;
    }
    // Outside the union of the figures that differ (index by index) the two
    // drawings are the same figures in the same order on the same picture.
    QRect dirty;
    for (std::size_t i = 1; i < std::max(before.size(), after.size()); ++i) {
        const bool inBefore = i < before.size();
        const bool inAfter = i < after.size();
        if (inBefore && inAfter && before[i] == after[i])
            continue;
        if (inBefore)
            dirty |= Bounds(before[i]);
        if (inAfter)
            dirty |= Bounds(after[i]);
    }
    // Most of the surface: drawing everything is as quick.
    if (static_cast<double>(dirty.width()) * dirty.height() >
        0.25 * surface_.width() * surface_.height()) {
        Paint(after);
        return;
    }
    surface_ = drawnBefore;
    if (!dirty.isEmpty()) {
        // The changed part drawn anew on a scratch image of the surface's
        // size, with no clip or shift (either changes how the raster engine
        // ends some wide lines): the picture (or background) under it, then
        // every figure that reaches it, in order.
        QImage scratch(surface_.size(), surface_.format());
        {
            QPainter p(&scratch);
            p.setCompositionMode(QPainter::CompositionMode_Source);
            p.fillRect(dirty, back_);
            // As FillBackground lays the picture over the background.
            p.setCompositionMode(QPainter::CompositionMode_SourceOver);
            if (!picture_.isNull())
                p.drawImage(QRectF(dirty), picture_, QRectF(dirty));
            for (std::size_t i = 1; i < after.size(); ++i) {
                if (!Bounds(after[i]).intersects(dirty))
                    continue;
                mode_ = after[i].mode;
                Draw(p, after[i]);
            }
        }
        QPainter p(&surface_);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(dirty.topLeft(), scratch, dirty);
    }
    for (auto it = after.rbegin(); it != after.rend(); ++it) {
        if (it->kind != DrawOp::Kind::Clear) {
            mode_ = it->mode;
            break;
        }
    }
    update();
}

int PictureView::Point(double x, double y) const {
    const QPointF px = ToPixel(x, y);
    if (!std::isfinite(px.x()) || !std::isfinite(px.y()))
        return -1;
    const int ix = static_cast<int>(std::floor(px.x()));
    const int iy = static_cast<int>(std::floor(px.y()));
    if (ix < 0 || iy < 0 || ix >= surface_.width() || iy >= surface_.height())
        return -1;
    const QRgb c = surface_.pixel(ix, iy);
    return qRed(c) + 256 * qGreen(c) + 65536 * qBlue(c);
}

void PictureView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    qDrawShadePanel(&p, rect(), palette(), true, kBorder);
    p.drawImage(kBorder, kBorder, surface_);
}

void PictureView::resizeEvent(QResizeEvent* e) {
    ResizeSurface();
    if (!userScale_)
        ResetScale();
    QWidget::resizeEvent(e);
}

QPointF PictureView::UserAt(const QPointF& widgetPos) const {
    return ToUser(widgetPos - QPointF(kBorder, kBorder));
}

void PictureView::mousePressEvent(QMouseEvent* e) {
    const QPointF u = UserAt(e->position());
    emit MouseDown(ButtonCode(e->button()), u.x(), u.y());
}

void PictureView::mouseMoveEvent(QMouseEvent* e) {
    const QPointF u = UserAt(e->position());
    emit MouseMove(ButtonsCode(e->buttons()), u.x(), u.y());
}

void PictureView::mouseReleaseEvent(QMouseEvent* e) {
    const QPointF u = UserAt(e->position());
    emit MouseUp(ButtonCode(e->button()), u.x(), u.y());
}

void PictureView::mouseDoubleClickEvent(QMouseEvent*) {
    emit DoubleClick();
}

} // namespace velmora
