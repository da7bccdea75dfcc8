// SPDX-License-Identifier: GPL-3.0-or-later
#include "plots/PlotBytes.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>

namespace velmora::plots {

bool IsSvgName(const QString& path) {
    return path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive);
}

QByteArray PictureBytes(QSize size, const QString& path, const QString& title,
                        const std::function<void(QPainter&)>& draw) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (IsSvgName(path)) {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setTitle(title);
        QPainter g(&svg);
        draw(g);
    } else {
        QImage image(size, QImage::Format_RGB32);
        {
            QPainter g(&image);
            draw(g);
        }
        image.save(&buffer, "PNG");
    }
    return bytes;
}

} // namespace velmora::plots
