// SPDX-License-Identifier: GPL-3.0-or-later
// The pictures of the demo window's marker panels.
#pragma once

#include <QPixmap>

class QAction;
class QMenu;
class QMenuBar;

namespace velmora {

// The menu bar's first title with its menu opened below it, `item`
// highlighted under a mouse pointer, rendered from the real widgets and cut
// to `size` from the top-left corner.
QPixmap RenderMenuPicture(QMenuBar* bar, QMenu* menu, QAction* item, QSize size);

// An arrow pointing up and to the right.
QPixmap ArrowMarker();
// An ellipse outline filling `size`.
QPixmap EllipseMarker(QSize size);
// A pen whose nib is at the top-left corner.
QPixmap PenMarker(QColor body);
// A mouse pointer whose tip is `tipDrop` pixels below the top-left corner.
QPixmap PointerMarker(int tipDrop);
// An hourglass.
QPixmap BusyMarker();

} // namespace velmora
