// SPDX-License-Identifier: GPL-3.0-or-later
#include "workspace/NorthDial.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>
#include <cmath>

#include "data/Conventions.h"
#include "geometry/Compass.h"
#include "workspace/PictureView.h"
#include "workspace/Prompts.h"
#include "workspace/QtText.h"
#include "workspace/Widgets.h"

namespace velmora {

namespace {
constexpr int kDialPixels = 150;
const QString kDragTip = QStringLiteral("ドラッグして北の方向を設定");
} // namespace

NorthDial::NorthDial(Prompts& prompts, QWidget* parent)
    : QGroupBox(QStringLiteral("方向角"), parent), AzimusPic(new PictureView(this)),
      PointImg(new QLabel(AzimusPic)), AzimusTxt(NumberBox("AzimusTxt", this, 64)),
      prompts_(prompts) {
    setObjectName(QStringLiteral("AzimusFlm"));
    auto* row = new QHBoxLayout(this);
    AzimusPic->setObjectName(QStringLiteral("AzimusPic"));
    AzimusPic->setFixedSize(kDialPixels + 2 * PictureView::kBorder,
                            kDialPixels + 2 * PictureView::kBorder);
    AzimusPic->SetBackColor(QColor(250, 250, 246));
    PointImg->setObjectName(QStringLiteral("PointImg"));
    PointImg->setCursor(Qt::OpenHandCursor);
    PointImg->setToolTip(kDragTip);
    row->addWidget(AzimusPic);
    auto* side = new QVBoxLayout();
    side->addStretch(1);
    auto* entry = new QHBoxLayout();
    AzimusTxt->setText(QStringLiteral("0"));
    AzimusTxt->setToolTip(QStringLiteral("北の方向（度）を入力してEnter"));
    entry->addWidget(AzimusTxt);
    entry->addWidget(new QLabel(QStringLiteral("度"), this));
    entry->addStretch(1);
    side->addLayout(entry);
    side->addStretch(1);
    row->addLayout(side, 1);

    // +-100 units, origin at the centre, y up.
    AzimusPic->SetScale(-100, 100, 200, -200);
    DrawCompassDial();
    MovePointImg(PointImgLeft, PointImgTop);

    connect(AzimusTxt, &QLineEdit::returnPressed, this, &NorthDial::AzimusTxt_Enter);
    PointImg->installEventFilter(this);
}

void NorthDial::DrawCompassDial() {
    // The dial face: the circle the point runs on, with the four directions.
    QImage face(AzimusPic->InnerWidth(), AzimusPic->InnerHeight(), QImage::Format_RGB32);
    face.fill(AzimusPic->BackColor());
    QPainter p(&face);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c = AzimusPic->ToPixel(0, 0);
    const double r = AzimusPic->ToPixel(90, 0).x() - c.x();
    p.setPen(QPen(QColor(150, 160, 175), 1));
    p.setBrush(QColor(232, 238, 246));
    p.drawEllipse(c, r, r);
    p.setPen(QPen(QColor(120, 130, 145), 1));
    for (int deg = 0; deg < 360; deg += 30) {
        const double a = deg * 0.0174532925199433;
        const double inner = deg % 90 == 0 ? r - 9 : r - 5;
        p.drawLine(QPointF(c.x() + inner * std::sin(a), c.y() - inner * std::cos(a)),
                   QPointF(c.x() + r * std::sin(a), c.y() - r * std::cos(a)));
    }
    p.drawLine(QPointF(c.x() - 6, c.y()), QPointF(c.x() + 6, c.y()));
    p.drawLine(QPointF(c.x(), c.y() - 6), QPointF(c.x(), c.y() + 6));
    QFont f = font();
    f.setPointSize(8);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(200, 30, 30));
    const double t = r - 19;
    p.drawText(QRectF(c.x() - 10, c.y() - t - 8, 20, 16), Qt::AlignCenter, QStringLiteral("N"));
    p.setPen(QColor(90, 100, 115));
    p.drawText(QRectF(c.x() + t - 10, c.y() - 8, 20, 16), Qt::AlignCenter, QStringLiteral("E"));
    p.drawText(QRectF(c.x() - 10, c.y() + t - 8, 20, 16), Qt::AlignCenter, QStringLiteral("S"));
    p.drawText(QRectF(c.x() - t - 10, c.y() - 8, 20, 16), Qt::AlignCenter, QStringLiteral("W"));
    p.end();
    AzimusPic->SetPicture(face);

    // The point: a 20 x 20 unit marker.
    const QPointF corner = AzimusPic->ToPixel(0, 0);
    const int side = static_cast<int>(std::lround(AzimusPic->ToPixel(20, 0).x() - corner.x()));
    QPixmap dot(side, side);
    dot.fill(Qt::transparent);
    QPainter d(&dot);
    d.setRenderHint(QPainter::Antialiasing);
    d.setPen(QPen(QColor(120, 0, 0), 1));
    d.setBrush(QColor(230, 40, 40));
    d.drawEllipse(QRectF(1.5, 1.5, side - 3, side - 3));
    d.end();
    PointImg->setPixmap(dot);
    PointImg->resize(side, side);
}

void NorthDial::MovePointImg(float left, float top) {
    PointImgLeft = left;
    PointImgTop = top;
    const QPointF px = AzimusPic->ToPixel(left, top);
    PointImg->move(static_cast<int>(std::lround(px.x())) + PictureView::kBorder,
                   static_cast<int>(std::lround(px.y())) + PictureView::kBorder);
}

void NorthDial::ShowBearing(float northAngle) {
    const CompassPoint point = PlaceCompassPoint(northAngle);
    MovePointImg(point.left, point.top);
    AzimusTxt->setText(QString::fromStdString(FormatPlain(northAngle)));
}

void NorthDial::ShowNoBearing() {
    const CompassPoint north = NorthCompassPoint();
    MovePointImg(north.left, north.top);
    AzimusTxt->setText(QString());
}

void NorthDial::SetDisplayOnly(bool on) {
    displayOnly_ = on;
    AzimusTxt->setReadOnly(on);
    PointImg->setCursor(on ? Qt::ArrowCursor : Qt::OpenHandCursor);
    PointImg->setToolTip(on ? QString() : kDragTip);
}

void NorthDial::AzimusTxt_Enter() {
    if (displayOnly_)
        return;
    const TypedBearing t = EnterTypedBearing(AzimusTxt->text().toStdString());
    if (!t.message.empty())
        prompts_.Message(window(), Text(t.message));
    if (t.replaceText)
        AzimusTxt->setText(QString::fromStdString(t.text));
    MovePointImg(t.point.left, t.point.top);
    emit NorthSet(t.northAngle, t.updateNorth);
}

void NorthDial::PointImg_MouseMove(int buttons, double x, double y) {
    if (!(buttons & PictureView::kLeftButton))
        return;
    const CompassPoint p =
        DragCompassPoint({PointImgLeft, PointImgTop}, static_cast<float>(x), static_cast<float>(y));
    MovePointImg(p.left, p.top);
}

void NorthDial::PointImg_MouseUp(int button, double, double) {
    if (button != PictureView::kLeftButton)
        return;
    const CompassDrop d = DropCompassPoint({PointImgLeft, PointImgTop});
    AzimusTxt->setText(QString::fromStdString(d.text));
    MovePointImg(d.point.left, d.point.top);
    emit NorthSet(static_cast<float>(d.bearing), true);
}

bool NorthDial::eventFilter(QObject* watched, QEvent* e) {
    if (watched == PointImg && !displayOnly_ &&
        (e->type() == QEvent::MouseMove || e->type() == QEvent::MouseButtonRelease)) {
        // Positions relative to the point's top-left corner in dial units,
        // x to the right and y downwards (the way the drag formula reads them).
        const auto* me = static_cast<QMouseEvent*>(e);
        const double ux = std::abs(AzimusPic->ScaleWidth()) / AzimusPic->InnerWidth();
        const double uy = std::abs(AzimusPic->ScaleHeight()) / AzimusPic->InnerHeight();
        const double x = me->position().x() * ux;
        const double y = me->position().y() * uy;
        if (e->type() == QEvent::MouseMove) {
            int buttons = 0;
            if (me->buttons() & Qt::LeftButton)
                buttons |= PictureView::kLeftButton;
            if (me->buttons() & Qt::RightButton)
                buttons |= PictureView::kRightButton;
            PointImg_MouseMove(buttons, x, y);
        } else {
            const int button = me->button() == Qt::LeftButton    ? PictureView::kLeftButton
                               : me->button() == Qt::RightButton ? PictureView::kRightButton
                                                                 : 0;
            PointImg_MouseUp(button, x, y);
        }
    }
    return QGroupBox::eventFilter(watched, e);
}

} // namespace velmora
