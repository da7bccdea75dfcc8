// SPDX-License-Identifier: GPL-3.0-or-later
// Screenshots of the program for the manual, by name ("main-traced", ...).
#pragma once

#include <QImage>
#include <QMap>
#include <QString>

namespace velmora::manual {

// Drives a main window (and a demo window and the prediction dialogs)
// offscreen through the states the pages show. `icoDir` holds the tool
// cursor files, `gnssDir` the broadcast ephemerides the GNSS page predicts
// with.
QMap<QString, QImage> TakeShots(const QString& icoDir, const QString& gnssDir);

} // namespace velmora::manual
