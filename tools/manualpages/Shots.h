// SPDX-License-Identifier: GPL-3.0-or-later
// Screenshots of the program for the manual, by name ("main-traced", ...).
#pragma once

#include <QImage>
#include <QMap>
#include <QString>

namespace velmora::manual {

// Drives a main window (and a demo window) offscreen through the states the
// pages show. `icoDir` holds the tool cursor files.
QMap<QString, QImage> TakeShots(const QString& icoDir);

} // namespace velmora::manual
