#include "workspace/PictureView.h"

#include <QFontMetrics>

#include <QMouseEvent>
#include <QPainter>
#include <QPen>
#include <algorithm>
#include <cmath>
#include <optional>
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
    // Aside with the picture it was drawn on.
    KeepAside();
    picture_ = picture.isNull() ? QImage() : picture.convertToFormat(QImage::Format_RGB32);
    Cls();
}

void PictureView::RemovePicture() {
    KeepAside();
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
    KeepAside();
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
    KeepAside();
    FillBackground(surface_);
    drawn_.ops.assign(1, DrawOp::Clear());
    RememberDrawn();
    update();
}

namespace {

// The pixel that holds a position, far-off values clamped so that a stray
// value cannot overflow the pixel grid (such figures fall outside anyway).
int Cell(double v) {
    return std::isfinite(v) ? static_cast<int>(std::floor(std::clamp(v, -1.0e6, 1.0e6))) : -1000000;
}

std::uint32_t Ink(Rgb c) {
    return (std::uint32_t{c.r} << 16) | (std::uint32_t{c.g} << 8) | c.b;
}

Rgb RgbOf(QColor c) {
    return Rgb{static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
               static_cast<std::uint8_t>(c.blue())};
}

// Text masks kept at most; the plan map needs a few hundred at capacity.
constexpr std::size_t kTextMasksKept = 4096;
// Changed figures beyond which redrawing them one by one costs more than
// drawing everything.
constexpr std::size_t kMostChangedFigures = 96;
// Figures drawn since the last clear that are kept to compare against;
// past it (a long drag of exclusive-or marks) the next redraw is whole.
constexpr std::size_t kMostRemembered = 20000;
// A whole drawing of this many figures is kept aside when the surface is
// cleared or drawn anew, so that undoing "全て消去" shows it again at once;
// not for surfaces of over 8 million pixels (a huge picture at full size).
constexpr std::size_t kWorthKeeping = 64;
constexpr qint64 kMostKeptPixels = 8'000'000;

} // namespace

PixelBuffer PictureView::Buffer() {
    return PixelBuffer{reinterpret_cast<std::uint32_t*>(surface_.bits()),
                       static_cast<int>(surface_.bytesPerLine() / 4), surface_.width(),
                       surface_.height()};
}

const PictureView::TextMask& PictureView::MaskOf(const QString& text, int pointSize, bool bold) {
    QString key = text;
    key += QChar(0);
    key += QString::number(pointSize);
    key += bold ? u'b' : u'r';
    auto it = textMasks_.find(key);
    if (it != textMasks_.end())
        return it->second;
    QFont f = font();
    f.setPointSize(pointSize);
    f.setBold(bold);
    f.setStyleStrategy(QFont::NoAntialias);
    QImage device(1, 1, QImage::Format_ARGB32_Premultiplied);
    device.setDotsPerMeterX(kDotsPerMetre96);
    device.setDotsPerMeterY(kDotsPerMetre96);
    const QFontMetrics fm(f, &device);
    // Ink may reach past the advance and the line height: a margin round both.
    const QRect ink =
        (fm.boundingRect(text) | QRect(0, -fm.ascent(), fm.horizontalAdvance(text), fm.height()))
            .adjusted(-2, -2, 2, 2);
    TextMask m;
    m.left = ink.left();
    m.top = fm.ascent() + ink.top();
    QImage img(ink.size(), QImage::Format_ARGB32_Premultiplied);
    img.setDotsPerMeterX(kDotsPerMetre96);
    img.setDotsPerMeterY(kDotsPerMetre96);
    img.fill(Qt::transparent);
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setRenderHint(QPainter::TextAntialiasing, false);
        p.setFont(f);
        p.setPen(Qt::black);
        p.drawText(QPointF(-ink.left(), -ink.top()), text);
    }
    std::vector<std::uint8_t> lit(static_cast<std::size_t>(img.width()) *
                                  static_cast<std::size_t>(img.height()));
    for (int y = 0; y < img.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x)
            lit[static_cast<std::size_t>(y) * static_cast<std::size_t>(img.width()) +
                static_cast<std::size_t>(x)] = qAlpha(row[x]) != 0;
    }
    m.pixels = PixelMask::FromBytes(img.width(), img.height(), lit);
    return textMasks_.emplace(std::move(key), std::move(m)).first->second;
}

FigurePixels PictureView::LinePixels(QPointF a, QPointF b) const {
    return FigurePixels::Line(Cell(a.x()), Cell(a.y()), Cell(b.x()), Cell(b.y()), drawWidth_);
}

FigurePixels PictureView::PixelsOf(const DrawOp& op) {
    const QPointF a = ToPixel(op.x1, op.y1);
    switch (op.kind) {
    case DrawOp::Kind::Clear:
        break;
    case DrawOp::Kind::Line:
        return LinePixels(a, ToPixel(op.x2, op.y2));
    case DrawOp::Kind::Box: {
        const QPointF b = ToPixel(op.x2, op.y2);
        return FigurePixels::Frame(Cell(a.x()), Cell(a.y()), Cell(b.x()), Cell(b.y()), drawWidth_);
    }
    case DrawOp::Kind::Circle: {
        const double r = std::abs(op.radius * InnerWidth() / scaleWidth_);
        return FigurePixels::Ring(Cell(a.x()), Cell(a.y()),
                                  std::isfinite(r) ? std::lround(std::min(r, 1.0e6)) : 0,
                                  drawWidth_);
    }
    case DrawOp::Kind::Text: {
        const TextMask& m = MaskOf(QString::fromStdString(op.text), op.pointSize, op.bold);
        return FigurePixels::Mask(Cell(a.x()) + m.left, Cell(a.y()) + m.top, &m.pixels);
    }
    }
    return FigurePixels::Mask(0, 0, nullptr);
}

void PictureView::DrawNow(const DrawOp& op) {
    ResizeSurface();
    const bool shown = DrawnStillShown();
    FillFigure(Buffer(), PixelsOf(op), Ink(op.colour), op.mode == DrawMode::Xor);
    if (shown && drawn_.ops.size() < kMostRemembered)
        drawn_.ops.push_back(op);
    else
        drawn_.ops.clear();
    RememberDrawn();
    update();
}

void PictureView::Line(double x1, double y1, double x2, double y2, QColor c) {
    DrawNow(DrawOp::Line(x1, y1, x2, y2, RgbOf(c), mode_));
}

void PictureView::Circle(double x, double y, double radius, QColor c) {
    DrawNow(DrawOp::Circle(x, y, radius, RgbOf(c), mode_));
}

void PictureView::Box(double x1, double y1, double x2, double y2, QColor c) {
    DrawNow(DrawOp::Box(x1, y1, x2, y2, RgbOf(c), mode_));
}

void PictureView::Print(double x, double y, const QString& text, int pointSize, bool bold,
                        QColor c) {
    DrawNow(DrawOp::Text(x, y, text.toStdString(), pointSize, bold, RgbOf(c), mode_));
}

void PictureView::TrimTextMasks() {
    if (textMasks_.size() > kTextMasksKept)
        textMasks_.clear();
}

bool PictureView::DrawnStillShown() const {
    return !drawn_.ops.empty() && drawn_.surface == surface_.cacheKey() &&
           drawn_.left == scaleLeft_ && drawn_.top == scaleTop_ && drawn_.width == scaleWidth_ &&
           drawn_.height == scaleHeight_ && drawn_.pen == drawWidth_;
}

void PictureView::RememberDrawn() {
    drawn_.surface = surface_.cacheKey();
    drawn_.left = scaleLeft_;
    drawn_.top = scaleTop_;
    drawn_.width = scaleWidth_;
    drawn_.height = scaleHeight_;
    drawn_.pen = drawWidth_;
}

void PictureView::PaintAll(DrawList::const_iterator first, DrawList::const_iterator last) {
    PixelBuffer buffer;
    for (auto it = first; it != last; ++it) {
        if (it->kind == DrawOp::Kind::Clear) {
            FillBackground(surface_);
            buffer = PixelBuffer{};
            continue;
        }
        if (!buffer.bits)
            buffer = Buffer();
        FillFigure(buffer, PixelsOf(*it), Ink(it->colour), it->mode == DrawMode::Xor);
    }
}

void PictureView::Paint(const DrawList& ops) {
    ResizeSurface();
    TrimTextMasks();
    if (ops.empty())
        return;
    const auto clear = std::find_if(ops.rbegin(), ops.rend(), [](const DrawOp& op) {
                           return op.kind == DrawOp::Kind::Clear;
                       }).base();
    if (clear != ops.begin()) {
        // Nothing before the last clear shows.
        DrawList shown(clear - 1, ops.end());
        if (!DrawnStillShown() || !PaintChanges(drawn_.ops, shown)) {
            if (!TakeBackAside(shown)) {
                KeepAside();
                PaintAll(shown.begin(), shown.end());
            }
        }
        drawn_.ops = std::move(shown);
    } else {
        const bool wasShown = DrawnStillShown();
        PaintAll(ops.begin(), ops.end());
        if (wasShown && drawn_.ops.size() + ops.size() <= kMostRemembered)
            drawn_.ops.insert(drawn_.ops.end(), ops.begin(), ops.end());
        else
            drawn_.ops.clear();
    }
    RememberDrawn();
    for (auto it = ops.rbegin(); it != ops.rend(); ++it) {
        if (it->kind != DrawOp::Kind::Clear) {
            mode_ = it->mode;
            break;
        }
    }
    update();
}

void PictureView::KeepAside() {
    const bool worth = drawn_.ops.size() >= kWorthKeeping && DrawnStillShown() &&
                       static_cast<qint64>(surface_.width()) * surface_.height() <= kMostKeptPixels;
    if (!worth)
        return;
    aside_.drawn = drawn_;
    aside_.surface = surface_;
    aside_.picture = picture_;
    aside_.back = back_.rgb();
    // The surface is drawn afresh on a new image (every caller clears it
    // first), the kept one untouched.
    QImage next(surface_.size(), surface_.format());
    next.setDotsPerMeterX(kDotsPerMetre96);
    next.setDotsPerMeterY(kDotsPerMetre96);
    surface_ = next;
}

bool PictureView::TakeBackAside(const DrawList& ops) {
    Aside& a = aside_;
    if (a.surface.isNull() || a.surface.size() != surface_.size() || a.back != back_.rgb() ||
        a.drawn.pen != drawWidth_ || a.drawn.left != scaleLeft_ || a.drawn.top != scaleTop_ ||
        a.drawn.width != scaleWidth_ || a.drawn.height != scaleHeight_ || a.drawn.ops != ops ||
        a.picture != picture_)
        return false;
    // What is shown now goes aside in turn: a step back and forth costs nothing.
    const bool keepShown = drawn_.ops.size() >= kWorthKeeping && DrawnStillShown();
    std::swap(surface_, a.surface);
    std::swap(drawn_, a.drawn);
    if (keepShown)
        a.picture = picture_;
    else
        a = Aside{};
    return true;
}

bool PictureView::PaintChanges(const DrawList& before, const DrawList& after) {
    // The figures between a common head and a common tail differ (when
    // the two stretches are as long, only those that differ index by index).
    // A pixel none of them (before or after) lights is lit by the same
    // figures in the same order in both drawings, on the same picture: only
    // the pixels they light are drawn again.
    const std::size_t nb = before.size(), na = after.size();
    std::size_t head = 1;
    while (head < nb && head < na && before[head] == after[head])
        ++head;
    std::size_t tail = 0;
    while (tail < nb - head && tail < na - head && before[nb - 1 - tail] == after[na - 1 - tail])
        ++tail;
    std::vector<const DrawOp*> differing;
    const bool sameLength = nb == na;
    for (std::size_t i = head; i < nb - tail || i < na - tail; ++i) {
        const bool inBefore = i < nb - tail, inAfter = i < na - tail;
        if (sameLength && before[i] == after[i])
            continue;
        if (inBefore)
            differing.push_back(&before[i]);
        if (inAfter)
            differing.push_back(&after[i]);
        if (differing.size() > kMostChangedFigures)
            return false;
    }
    PixelRegion region(surface_.width(), surface_.height());
    std::vector<FigurePixels> changed;
    changed.reserve(differing.size());
    for (const DrawOp* op : differing) {
        changed.push_back(PixelsOf(*op));
        region.Add(changed.back());
    }
    region.Seal();
    if (static_cast<double>(region.PixelCount()) > 0.25 * surface_.width() * surface_.height())
        return false;
    if (region.PixelCount() == 0)
        return true;
    const PixelBuffer buffer = Buffer();
    // The picture (or background) under the changed pixels.
    const auto back = static_cast<std::uint32_t>(back_.rgb());
    for (int y = 0; y < buffer.height; ++y) {
        const auto [runs, count] = region.Runs(y);
        std::uint32_t* row = buffer.bits + static_cast<std::ptrdiff_t>(y) * buffer.stride;
        const auto* pic = y < picture_.height()
                              ? reinterpret_cast<const std::uint32_t*>(picture_.constScanLine(y))
                              : nullptr;
        const int picWidth = pic ? picture_.width() : 0;
        for (std::size_t i = 0; i < count; ++i)
            for (int x = runs[i].x0; x < runs[i].x1; ++x)
                row[x] = x < picWidth ? pic[x] : back;
    }
    // Every figure again in order, in the rows where it meets a changed one.
    std::vector<std::pair<int, int>> rows;
    const double reach = drawWidth_ + 1.0;
    for (std::size_t i = 1; i < na; ++i) {
        const DrawOp& op = after[i];
        std::optional<FigurePixels> line;
        if (op.kind == DrawOp::Kind::Line) {
            // Most lines are nowhere near: a box round the ends tells.
            const QPointF a = ToPixel(op.x1, op.y1), b = ToPixel(op.x2, op.y2);
            const double x0 = std::min(a.x(), b.x()) - reach, x1 = std::max(a.x(), b.x()) + reach;
            const double y0 = std::min(a.y(), b.y()) - reach, y1 = std::max(a.y(), b.y()) + reach;
            if (std::none_of(changed.begin(), changed.end(),
                             [&](const FigurePixels& c) { return c.MayMeet(x0, y0, x1, y1); }))
                continue;
            line = LinePixels(a, b);
        }
        const FigurePixels f = line ? *line : PixelsOf(op);
        rows.clear();
        for (const FigurePixels& c : changed)
            if (const auto r = SharedRows(f, c))
                rows.push_back(*r);
        if (rows.empty())
            continue;
        std::sort(rows.begin(), rows.end());
        // Merged, so that no pixel is combined twice by an exclusive-or figure.
        std::size_t kept = 0;
        for (std::size_t k = 1; k < rows.size(); ++k) {
            if (rows[k].first <= rows[kept].second + 1)
                rows[kept].second = std::max(rows[kept].second, rows[k].second);
            else
                rows[++kept] = rows[k];
        }
        rows.resize(kept + 1);
        for (const auto& [first, last] : rows)
            FillFigureWithin(buffer, f, Ink(op.colour), op.mode == DrawMode::Xor, region, first,
                             last);
    }
    return true;
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

void PictureView::changeEvent(QEvent* e) {
    // Text masks are drawn in the view's font.
    if (e->type() == QEvent::FontChange) {
        textMasks_.clear();
        drawn_.ops.clear();
        aside_ = Aside{};
    }
    QWidget::changeEvent(e);
}

} // namespace velmora
