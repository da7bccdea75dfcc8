// SPDX-License-Identifier: GPL-3.0-or-later
#include "workspace/PictureView.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPen>
#include <algorithm>
#include <cmath>
#include <iterator>
#include <qdrawutil.h>
#include <vector>

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

// Far-off coordinates are clamped so that a stray value cannot overflow the
// pixel grid; such figures fall outside the surface anyway.
double Cell(double v) {
    return std::isfinite(v) ? std::floor(std::clamp(v, -1.0e6, 1.0e6)) : -1.0e6;
}

// The centre of the pixel that holds a position: figures run through pixel
// centres, and a pixel read at a position reads the pixel a figure through
// that position has lit.
QPointF PixelCentre(QPointF p) {
    return QPointF(Cell(p.x()) + 0.5, Cell(p.y()) + 0.5);
}

Rgb RgbOf(QColor c) {
    return Rgb{static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
               static_cast<std::uint8_t>(c.blue())};
}

QImage NewSurface(QSize size) {
    QImage img(size, QImage::Format_RGB32);
    img.setDotsPerMeterX(kDotsPerMetre96);
    img.setDotsPerMeterY(kDotsPerMetre96);
    return img;
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
    // A hidden widget gets its resize event only when shown; the base must
    // have its size at once.
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
    if (base_.size() == size)
        return;
    QImage next = NewSurface(size);
    FillBackground(next);
    // What was drawn stays where it was; new area shows the picture.
    if (!base_.isNull()) {
        QPainter p(&next);
        p.drawImage(0, 0, base_);
    }
    base_ = next;
}

void PictureView::Cls() {
    ResizeSurface();
    FillBackground(base_);
    overlay_.clear();
    update();
}

void PictureView::PaintFigures(QPainter& p, DrawList::const_iterator first,
                               DrawList::const_iterator last, QPoint origin) {
    FigurePainter fp(p, drawWidth_, font());
    const QPointF shift(origin);
    // Opaque lines of one colour in a row go to the painter together: a
    // redraw at capacity is mostly such runs. Exclusive-or lines are drawn
    // one by one, so that where two of them cross both still combine.
    std::vector<QLineF> run;
    const auto flush = [&] {
        if (!run.empty())
            p.drawLines(run.data(), static_cast<int>(run.size()));
        run.clear();
    };
    for (auto it = first; it != last; ++it) {
        const DrawOp& op = *it;
        if (op.kind == DrawOp::Kind::Clear)
            continue;
        const QPointF a = PixelCentre(ToPixel(op.x1, op.y1)) + shift;
        if (op.kind == DrawOp::Kind::Line && op.mode == DrawMode::Copy && !run.empty() &&
            it != first && std::prev(it)->kind == DrawOp::Kind::Line &&
            std::prev(it)->mode == DrawMode::Copy && std::prev(it)->colour == op.colour) {
            const QPointF b = PixelCentre(ToPixel(op.x2, op.y2)) + shift;
            if (a != b) {
                run.emplace_back(a, b);
                continue;
            }
        }
        flush();
        fp.Use(op);
        switch (op.kind) {
        case DrawOp::Kind::Clear:
            break;
        case DrawOp::Kind::Line: {
            const QPointF b = PixelCentre(ToPixel(op.x2, op.y2)) + shift;
            if (a == b)
                p.drawPoint(a);
            else if (op.mode == DrawMode::Copy)
                run.emplace_back(a, b);
            else
                p.drawLine(a, b);
            break;
        }
        case DrawOp::Kind::Circle: {
            const double r = std::abs(op.radius * InnerWidth() / scaleWidth_);
            const double rr = std::isfinite(r) ? std::round(std::min(r, 1.0e6)) : 0.0;
            p.drawEllipse(a, rr, rr);
            break;
        }
        case DrawOp::Kind::Box: {
            const QPointF b = PixelCentre(ToPixel(op.x2, op.y2)) + shift;
            p.drawRect(QRectF(a, b).normalized());
            break;
        }
        case DrawOp::Kind::Text:
            fp.Text(a - QPointF(0.5, 0.5), op.text, op.pointSize, op.bold, texts_);
            break;
        }
    }
    flush();
}

void PictureView::Line(double x1, double y1, double x2, double y2, QColor c) {
    Paint({DrawOp::Line(x1, y1, x2, y2, RgbOf(c), mode_)});
}

void PictureView::Circle(double x, double y, double radius, QColor c) {
    Paint({DrawOp::Circle(x, y, radius, RgbOf(c), mode_)});
}

void PictureView::Box(double x1, double y1, double x2, double y2, QColor c) {
    Paint({DrawOp::Box(x1, y1, x2, y2, RgbOf(c), mode_)});
}

void PictureView::Print(double x, double y, const QString& text, int pointSize, bool bold,
                        QColor c) {
    Paint({DrawOp::Text(x, y, text.toStdString(), pointSize, bold, RgbOf(c), mode_)});
}

void PictureView::Paint(const DrawList& ops) {
    ResizeSurface();
    if (ops.empty())
        return;
    // Nothing before the last clear shows.
    auto first = std::find_if(ops.rbegin(), ops.rend(), [](const DrawOp& op) {
                     return op.kind == DrawOp::Kind::Clear;
                 }).base();
    if (first != ops.begin()) {
        FillBackground(base_);
        overlay_.clear();
    }
    if (first != ops.end()) {
        QPainter p(&base_);
        PaintFigures(p, first, ops.end(), QPoint(0, 0));
        mode_ = ops.back().mode;
    }
    update();
}

QRect PictureView::OverlayRect() const {
    QRectF r;
    // Reach of a wide pen's square caps, a circle's radius and a text's
    // extent round the figure's points.
    const double pen = drawWidth_ + 2.0;
    for (const DrawOp& op : overlay_) {
        if (op.kind == DrawOp::Kind::Clear)
            continue;
        const QPointF a = PixelCentre(ToPixel(op.x1, op.y1));
        QRectF f(a, a);
        if (op.kind == DrawOp::Kind::Line || op.kind == DrawOp::Kind::Box)
            f = QRectF(a, PixelCentre(ToPixel(op.x2, op.y2))).normalized();
        double reach = pen;
        if (op.kind == DrawOp::Kind::Circle)
            reach += std::min(std::abs(op.radius * InnerWidth() / scaleWidth_), 1.0e6);
        if (op.kind == DrawOp::Kind::Text) {
            QFont font = this->font();
            font.setPointSize(std::max(op.pointSize, 1));
            font.setBold(op.bold);
            const QFontMetrics fm(font);
            f.setWidth(fm.horizontalAdvance(QString::fromStdString(op.text)));
            f.setHeight(fm.height());
        }
        r |= f.adjusted(-reach, -reach, reach, reach);
    }
    return r.toAlignedRect() & QRect(QPoint(0, 0), base_.size());
}

void PictureView::SetOverlay(DrawList ops) {
    const QRect before = OverlayRect();
    overlay_ = std::move(ops);
    const QRect after = OverlayRect();
    const QPoint frame(kBorder, kBorder);
    if (!before.isEmpty())
        update(before.translated(frame));
    if (!after.isEmpty())
        update(after.translated(frame));
}

void PictureView::CommitOverlay() {
    DrawList ops;
    ops.swap(overlay_);
    if (ops.empty())
        return;
    const DrawMode mode = mode_;
    Paint(ops);
    mode_ = mode;
}

QImage PictureView::Surface() const {
    const DrawList marks = Marks();
    if (overlay_.empty() && marks.empty())
        return base_;
    QImage shown = base_.copy();
    QPainter p(&shown);
    auto* self = const_cast<PictureView*>(this);
    self->PaintFigures(p, overlay_.begin(), overlay_.end(), QPoint(0, 0));
    self->PaintFigures(p, marks.begin(), marks.end(), QPoint(0, 0));
    return shown;
}

void PictureView::SetMarkSource(MarkSource source) {
    marks_ = std::move(source);
    update();
}

int PictureView::Point(double x, double y) const {
    const QPointF px = ToPixel(x, y);
    if (!std::isfinite(px.x()) || !std::isfinite(px.y()))
        return -1;
    const int ix = static_cast<int>(std::floor(px.x()));
    const int iy = static_cast<int>(std::floor(px.y()));
    if (ix < 0 || iy < 0 || ix >= base_.width() || iy >= base_.height())
        return -1;
    const QRgb c = overlay_.empty() ? base_.pixel(ix, iy) : Surface().pixel(ix, iy);
    return qRed(c) + 256 * qGreen(c) + 65536 * qBlue(c);
}

void PictureView::paintEvent(QPaintEvent* e) {
    QPainter p(this);
    qDrawShadePanel(&p, rect(), palette(), true, kBorder);
    p.drawImage(kBorder, kBorder, base_);
    const DrawList marks = Marks();
    if (overlay_.empty() && marks.empty())
        return;
    p.setClipRect(QRect(QPoint(kBorder, kBorder), base_.size()) & e->rect());
    PaintFigures(p, overlay_.begin(), overlay_.end(), QPoint(kBorder, kBorder));
    PaintFigures(p, marks.begin(), marks.end(), QPoint(kBorder, kBorder));
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
