// SPDX-License-Identifier: GPL-3.0-or-later
// A drawing as PNG or SVG bytes, by the extension of the file it is meant for.
#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>
#include <functional>

class QPainter;

namespace velmora::plots {

bool IsSvgName(const QString& path);
QByteArray PictureBytes(QSize size, const QString& path, const QString& title,
                        const std::function<void(QPainter&)>& draw);

} // namespace velmora::plots
