// SPDX-License-Identifier: GPL-3.0-or-later
// Build-time painter of the two sample pictures.
//
//   velmora_samplepics <output folder> [--overlay <folder>]
//
// Writes sample1.png and sample2.png (lossless, so every grey the painter
// set is the grey the program reads), decodes them again and fails when a
// pixel differs from what was painted, a roof or face pixel is not exactly
// its building grey, or any other pixel comes near the roof grey. With
// --overlay it also writes copies with the sample outlines drawn over them,
// for looking at.
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <cstdio>

#include "tools/samplepics/SampleTown.h"

namespace {

int Grey(QRgb c) {
    return (qRed(c) + qGreen(c) + qBlue(c)) / 3;
}

// Compares the decoded picture with what was painted; returns the number of
// faults and prints what it found.
int CheckDecoded(int picture, const samplepics::SamplePicture& painted, const QImage& decoded) {
    const velmora::BuildingGreys greys = velmora::SamplePictureGreys(picture);
    const int w = painted.image.width();
    const int h = painted.image.height();
    if (decoded.size() != painted.image.size()) {
        std::fprintf(stderr, "sample%d: decoded size differs\n", picture);
        return 1;
    }
    long changed = 0, roofOff = 0, wallOff = 0, banned = 0;
    for (int j = 0; j < h; ++j) {
        for (int i = 0; i < w; ++i) {
            const QRgb c = decoded.pixel(i, j);
            const int g = Grey(c);
            changed += (c & 0xFFFFFF) != (painted.image.pixel(i, j) & 0xFFFFFF);
            switch (painted.kinds[static_cast<std::size_t>(j) * w + i]) {
            case samplepics::PixelKind::Roof:
                roofOff += c != qRgb(greys.roof, greys.roof, greys.roof);
                break;
            case samplepics::PixelKind::Wall:
                wallOff += c != qRgb(greys.wall, greys.wall, greys.wall);
                break;
            case samplepics::PixelKind::Ground:
                banned += (g >= 190 && g <= 230) || std::abs(g - greys.roof) <= 30;
                break;
            }
        }
    }
    std::printf("sample%d.png: %dx%d, roof grey %d, wall grey %d; pixels changed by coding %ld, "
                "roof pixels off %ld, face pixels off %ld, other pixels near the roof grey %ld\n",
                picture, w, h, greys.roof, greys.wall, changed, roofOff, wallOff, banned);
    return (changed + roofOff + wallOff + banned) > 0 ? 1 : 0;
}

QImage Overlay(int picture, const QImage& decoded) {
    QImage out = decoded.convertToFormat(QImage::Format_RGB32);
    QPainter p(&out);
    p.translate(out.width() / 2 + 0.5, out.height() / 2 + 0.5);
    p.scale(1, -1);
    const velmora::DemoScene& s = velmora::SamplePictureScene(picture);
    p.setPen(QPen(QColor(255, 0, 200), 1));
    for (const velmora::SceneRoof& r : s.roofs)
        for (int i = r.start; i + 1 < r.start + r.count; ++i)
            p.drawLine(QPointF(s.points[std::size_t(i)].x, s.points[std::size_t(i)].y),
                       QPointF(s.points[std::size_t(i) + 1].x, s.points[std::size_t(i) + 1].y));
    p.setPen(QPen(QColor(0, 150, 255), 1));
    for (const velmora::SceneWall& wl : s.walls)
        p.drawLine(QPointF(wl.upper.x, wl.upper.y), QPointF(wl.lower.x, wl.lower.y));
    return out;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: velmora_samplepics <output folder> [--overlay <folder>]\n");
        return 2;
    }
    const QDir out(args[1]);
    const int overlayAt = static_cast<int>(args.indexOf("--overlay"));
    int faults = 0;
    for (int picture : {1, 2}) {
        const samplepics::SamplePicture painted = samplepics::PaintSamplePicture(picture);
        const QString path = out.filePath(QString("sample%1.png").arg(picture));
        // Colour without alpha keeps the file small and the pixels as painted.
        if (!painted.image.convertToFormat(QImage::Format_RGB888).save(path, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        std::printf("sample%d.png: %lld bytes\n", picture,
                    static_cast<long long>(QFileInfo(path).size()));
        const QImage decoded(path, "PNG");
        faults += CheckDecoded(picture, painted, decoded);
        if (overlayAt > 0 && overlayAt + 1 < args.size())
            Overlay(picture, decoded)
                .save(QDir(args[overlayAt + 1])
                          .filePath(QString("sample%1_overlay.png").arg(picture)));
    }
    return faults > 0 ? 1 : 0;
}
