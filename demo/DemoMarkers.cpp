// SPDX-License-Identifier: GPL-3.0-or-later
#include "demo/DemoMarkers.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QStyleOptionMenuItem>

namespace velmora {

namespace {

QPixmap Transparent(QSize size) {
    QPixmap pm(size);
    pm.fill(Qt::transparent);
    return pm;
}

// The standard arrow pointer, tip at (x, y), 12 x 19 pixels.
void DrawPointer(QPainter& p, QPointF tip) {
    QPainterPath path;
    const QPointF pts[] = {{0, 0},    {0, 16},     {4, 12.5},   {7, 19},
                           {9.5, 18}, {6.5, 11.5}, {11.5, 11.5}};
    path.moveTo(tip + pts[0]);
    for (const QPointF& q : pts)
        path.lineTo(tip + q);
    path.closeSubpath();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawPath(path);
}

} // namespace

QPixmap RenderMenuPicture(QMenuBar* bar, QMenu* menu, QAction* item, QSize size) {
    QPixmap out(size);
    out.fill(QColor(240, 240, 240));
    if (!bar || !menu)
        return out;
    QPainter p(&out);
    // The bar with the menu's title pressed, drawn by the bar's own style
    // (asking the bar itself to press it would open the menu).
    const QRect title = bar->actionGeometry(menu->menuAction());
    const int barHeight = title.isValid() ? title.height() : bar->sizeHint().height();
    QStyleOptionMenuItem empty;
    empty.initFrom(bar);
    empty.rect = QRect(0, 0, size.width(), barHeight);
    empty.menuRect = empty.rect;
    bar->style()->drawControl(QStyle::CE_MenuBarEmptyArea, &empty, &p, bar);
    QStyleOptionMenuItem opt;
    opt.initFrom(bar);
    opt.rect = QRect(title.isValid() ? title.left() : 0, 0,
                     title.isValid() ? title.width() : size.width(), barHeight);
    opt.menuRect = empty.rect;
    opt.text = menu->title();
    opt.menuItemType = QStyleOptionMenuItem::Normal;
    opt.state |= QStyle::State_Enabled | QStyle::State_Selected | QStyle::State_Sunken;
    bar->style()->drawControl(QStyle::CE_MenuBarItem, &opt, &p, bar);
    // The opened menu with the item highlighted, as it hangs below its title.
    menu->ensurePolished();
    menu->adjustSize();
    menu->setActiveAction(item);
    const QPixmap opened = menu->grab();
    menu->setActiveAction(nullptr);
    const int left = title.isValid() ? title.left() : 0;
    p.drawPixmap(left, barHeight, opened);
    // The pointer on the highlighted item.
    if (item) {
        const QRect r = menu->actionGeometry(item);
        DrawPointer(p, QPointF(left + r.left() + r.width() * 0.55, barHeight + r.center().y()));
    }
    return out;
}

QPixmap ArrowMarker() {
    QPixmap pm = Transparent(QSize(120, 70));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    // A broad arrow from the lower left to the upper right.
    path.moveTo(4, 58);
    path.lineTo(84, 22);
    path.lineTo(78, 10);
    path.lineTo(116, 12);
    path.lineTo(92, 42);
    path.lineTo(88, 30);
    path.lineTo(10, 68);
    path.closeSubpath();
    p.setPen(QPen(QColor(150, 20, 20), 2));
    p.setBrush(QColor(240, 60, 40));
    p.drawPath(path);
    return pm;
}

QPixmap EllipseMarker(QSize size) {
    QPixmap pm = Transparent(size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(240, 60, 40), 4));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(3, 3, size.width() - 6, size.height() - 6));
    return pm;
}

QPixmap PenMarker(QColor body) {
    QPixmap pm = Transparent(QSize(40, 40));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    // Drawn along the diagonal, nib at the origin.
    p.rotate(45);
    const double len = 50;
    QPainterPath nib;
    nib.moveTo(0, 0);
    nib.lineTo(9, -3.5);
    nib.lineTo(9, 3.5);
    nib.closeSubpath();
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.setBrush(QColor(235, 215, 170));
    p.drawPath(nib);
    p.setBrush(QColor(40, 40, 40));
    p.drawEllipse(QPointF(1.5, 0), 1.3, 1.3);
    p.setBrush(body);
    p.drawRect(QRectF(9, -3.5, len - 20, 7));
    p.setBrush(body.darker(140));
    p.drawRect(QRectF(len - 11, -3.5, 6, 7));
    return pm;
}

QPixmap PointerMarker(int tipDrop) {
    QPixmap pm = Transparent(QSize(14, tipDrop + 21));
    QPainter p(&pm);
    DrawPointer(p, QPointF(0.5, tipDrop + 0.5));
    return pm;
}

QPixmap BusyMarker() {
    QPixmap pm = Transparent(QSize(18, 26));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(30, 30, 30), 1.5));
    p.setBrush(QColor(110, 80, 40));
    p.drawRect(QRectF(1, 1, 16, 3));
    p.drawRect(QRectF(1, 22, 16, 3));
    QPainterPath glass;
    glass.moveTo(3, 4);
    glass.lineTo(15, 4);
    glass.lineTo(9.8, 13);
    glass.lineTo(15, 22);
    glass.lineTo(3, 22);
    glass.lineTo(8.2, 13);
    glass.closeSubpath();
    p.setBrush(QColor(225, 240, 255));
    p.drawPath(glass);
    // The sand, running down.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(220, 170, 60));
    QPainterPath sand;
    sand.moveTo(5.5, 6.5);
    sand.lineTo(12.5, 6.5);
    sand.lineTo(9, 12);
    sand.closeSubpath();
    sand.addRect(QRectF(8.6, 12, 0.8, 7));
    sand.moveTo(4.5, 21);
    sand.lineTo(9, 17);
    sand.lineTo(13.5, 21);
    sand.closeSubpath();
    p.drawPath(sand);
    return pm;
}

} // namespace velmora
