// SPDX-License-Identifier: GPL-3.0-or-later
// velmora_realpics_write FOLDER: the realistic test pictures as JPEG files,
// with the true roof outlines and click points drawn on PNG copies.
#include <QDir>
#include <QGuiApplication>
#include <QPainter>
#include <cstdio>

#include "tools/realpics/RealisticTown.h"

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: velmora_realpics_write FOLDER\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(dir.path())) {
        std::fprintf(stderr, "%s: cannot create the folder\n", argv[1]);
        return 1;
    }
    for (int i = 0; i < realpics::kRealisticPictureCount; ++i) {
        const realpics::RealisticPicture p = realpics::PaintRealisticPicture(i);
        const QString name = QString("real%1").arg(i + 1, 2, 10, QChar('0'));
        if (!p.image.save(dir.filePath(name + ".jpg"), "JPG", p.quality))
            return 1;
        QImage marked = p.image.convertToFormat(QImage::Format_RGB32);
        QPainter painter(&marked);
        painter.translate(marked.width() / 2.0, marked.height() / 2.0);
        painter.scale(1, -1);
        painter.setPen(Qt::red);
        for (const realpics::TrueBuilding& b : p.buildings) {
            QPolygonF roof;
            for (const velmora::PicturePoint& c : b.roof)
                roof << QPointF(c.x, c.y);
            painter.drawPolygon(roof);
            painter.drawEllipse(QPointF(b.click.x, b.click.y), 2, 2);
        }
        painter.end();
        marked.save(dir.filePath(name + "_outlines.png"));
        std::printf("%s: %zu buildings, preset %d, quality %d\n", qPrintable(name),
                    p.buildings.size(), p.preset, p.quality);
    }
    return 0;
}
