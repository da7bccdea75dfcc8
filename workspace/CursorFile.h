// SPDX-License-Identifier: GPL-3.0-or-later
// Tool cursors from icon (.ICO) and cursor (.cur) files. An icon used as a
// cursor takes its hot spot at the image centre; a cursor file names its own.
#pragma once

#include <QCursor>
#include <QImage>
#include <QPoint>
#include <QString>
#include <optional>

namespace velmora {

struct CursorImage {
    QImage image;
    QPoint hotSpot;
};

// nullopt when the file is missing or not a readable icon or cursor.
std::optional<CursorImage> ReadCursorFile(const QString& path);
std::optional<QCursor> LoadCursorFile(const QString& path);

} // namespace velmora
