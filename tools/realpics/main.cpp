// SPDX-License-Identifier: GPL-3.0-or-later
// velmora_realpics_write FOLDER [--wide | --dense]: the realistic test
// pictures (or the wider set, or the dense town blocks) as JPEG files, with the true roof outlines
// and click points drawn on PNG copies.
#include <QDir>
#include <QGuiApplication>
#include <QPainter>
#include <cstdio>

#include "tools/realpics/DenseTown.h"
#include "tools/realpics/RealisticTown.h"
#include "tools/realpics/WideTown.h"

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const bool wide = argc == 3 && QByteArray(argv[2]) == "--wide";
    const bool dense = argc == 3 && QByteArray(argv[2]) == "--dense";
    if (argc != 2 && !wide && !dense) {
        std::fprintf(stderr, "usage: velmora_realpics_write FOLDER [--wide | --dense]\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(dir.path())) {
        std::fprintf(stderr, "%s: cannot create the folder\n", argv[1]);
        return 1;
    }
    const int count = wide    ? realpics::kWidePictureCount
                      : dense ? realpics::kDensePictureCount
                              : realpics::kRealisticPictureCount;
    for (int i = 0; i < count; ++i) {
        const realpics::RealisticPicture p = wide    ? realpics::PaintWidePicture(i)
                                             : dense ? realpics::PaintDensePicture(i)
                                                     : realpics::PaintRealisticPicture(i);
        const QString name = QString(wide    ? "wide%1"
                                     : dense ? "dense%1"
                                             : "real%1")
                                 .arg(i + 1, 2, 10, QChar('0'));
        // Flat-fill pictures have no JPEG quality: they are kept lossless.
        if (!p.image.save(dir.filePath(name + (p.quality > 0 ? ".jpg" : ".png")),
                          p.quality > 0 ? "JPG" : "PNG", p.quality > 0 ? p.quality : -1))
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
