// Build-time painter of the two sample pictures.
//
//   velmora_samplepics <output folder> [--overlay <folder>]
//
// Writes sample1.jpg and sample2.jpg, decodes them again and fails when the
// JPEG coding disturbed the building greys: roof pixels away from the roof's
// edge and the face pixels along the wall lines must come back exactly, all
// other roof and face pixels within one level, and no other pixel may come
// near the roof grey. With --overlay it also writes PNG copies, plain and
// with the sample outlines drawn over them, for looking at.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <cstdio>

#include "tools/samplepics/JpegWriter.h"
#include "tools/samplepics/SampleTown.h"

namespace {

int Grey(QRgb c) {
    return (qRed(c) + qGreen(c) + qBlue(c)) / 3;
}

// Sampling factors of the luminance and chroma components, read from the
// frame header, e.g. "1x1 1x1 1x1" for full-resolution colour.
QString SamplingOf(const QByteArray& jpeg) {
    for (int i = 2; i + 9 < jpeg.size(); ++i) {
        const auto m = static_cast<unsigned char>(jpeg[i + 1]);
        if (static_cast<unsigned char>(jpeg[i]) == 0xFF && (m == 0xC0 || m == 0xC1 || m == 0xC2)) {
            const int components = static_cast<unsigned char>(jpeg[i + 9]);
            QStringList parts;
            for (int c = 0; c < components && i + 11 + 3 * c < jpeg.size(); ++c) {
                const auto f = static_cast<unsigned char>(jpeg[i + 11 + 3 * c]);
                parts << QString("%1x%2").arg(f >> 4).arg(f & 15);
            }
            return parts.join(' ');
        }
    }
    return "?";
}

// A pixel within two pixels of a pixel of another kind: the edge band in
// which JPEG coding may leave a level of difference.
bool AtEdge(const samplepics::SamplePicture& painted, int i, int j) {
    const int w = painted.image.width();
    const int h = painted.image.height();
    const auto kind = painted.kinds[static_cast<std::size_t>(j) * w + i];
    for (int dj = -2; dj <= 2; ++dj)
        for (int di = -2; di <= 2; ++di) {
            const int x = std::clamp(i + di, 0, w - 1);
            const int y = std::clamp(j + dj, 0, h - 1);
            if (painted.kinds[static_cast<std::size_t>(y) * w + x] != kind)
                return true;
        }
    return false;
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
    long roofOff = 0, roofEdgeOff = 0, wallOff = 0, wallEdgeOff = 0, wallLineOff = 0, wallFar = 0,
         banned = 0, changed = 0;
    int maxDiff = 0;
    for (int j = 0; j < h; ++j) {
        for (int i = 0; i < w; ++i) {
            const int g = Grey(decoded.pixel(i, j));
            const int d = std::abs(g - Grey(painted.image.pixel(i, j)));
            maxDiff = std::max(maxDiff, d);
            changed += d != 0;
            switch (painted.kinds[static_cast<std::size_t>(j) * w + i]) {
            case samplepics::PixelKind::Roof:
                if (AtEdge(painted, i, j))
                    roofEdgeOff += g != greys.roof;
                else
                    roofOff += g != greys.roof;
                break;
            case samplepics::PixelKind::Wall:
                if (AtEdge(painted, i, j))
                    wallEdgeOff += g != greys.wall;
                else
                    wallOff += g != greys.wall;
                wallFar += std::abs(g - greys.wall) > 1;
                wallLineOff +=
                    g != greys.wall && painted.onWallLine[static_cast<std::size_t>(j) * w + i];
                break;
            case samplepics::PixelKind::Ground:
                banned += (g >= 190 && g <= 230) || std::abs(g - greys.roof) <= 30;
                break;
            }
        }
    }
    std::printf("sample%d.jpg: %dx%d, roof grey %d, wall grey %d; decoded greys differ from "
                "painted at %ld pixels (at most %d); roof pixels off %ld inside, %ld on the edge; "
                "face pixels off %ld inside, %ld on the edge (by more "
                "than one level %ld, on wall lines %ld); other pixels near the roof grey %ld\n",
                picture, w, h, greys.roof, greys.wall, changed, maxDiff, roofOff, roofEdgeOff,
                wallOff, wallEdgeOff, wallFar, wallLineOff, banned);
    return (roofOff + wallFar + wallLineOff + banned) > 0 ? 1 : 0;
}

// Codes the picture, then codes again every block in which a roof or face
// pixel did not decode to its grey, until all do (or the rounds run out; the
// check afterwards reports what is left). Whole faces are held exact for the
// first rounds only: a block with many exact samples and few free ones may
// have no coding that brings them all back.
constexpr int kFaceRounds = 8;
constexpr int kMaxRounds = 30;

std::pair<QByteArray, int> EncodeExact(int picture, const samplepics::SamplePicture& painted) {
    const velmora::BuildingGreys greys = velmora::SamplePictureGreys(picture);
    const int w = painted.image.width();
    const int h = painted.image.height();
    samplepics::JpegEncoder encoder(painted.image);
    for (int round = 1;; ++round) {
        const QByteArray bytes = encoder.Encode();
        const QImage decoded = QImage::fromData(bytes, "jpeg");
        if (decoded.size() != painted.image.size() || round == kMaxRounds)
            return {bytes, round};
        int faulty = 0;
        for (int by = 0; by * 8 < h; ++by) {
            for (int bx = 0; bx * 8 < w; ++bx) {
                bool bad = false;
                samplepics::JpegEncoder::Tolerance tolerance;
                tolerance.hard.fill(-1);
                tolerance.soft.fill(-1);
                for (int y = 0; y < 8; ++y) {
                    for (int x = 0; x < 8; ++x) {
                        const int i = std::min(w - 1, bx * 8 + x);
                        const int j = std::min(h - 1, by * 8 + y);
                        const std::size_t at = static_cast<std::size_t>(j) * w + i;
                        const auto kind = painted.kinds[at];
                        const int g = Grey(decoded.pixel(i, j));
                        // Roofs exactly, and the faces along the wall lines;
                        // the rest of the faces too while rounds last for it;
                        // in the edge band a level off will do.
                        const bool edge = AtEdge(painted, i, j);
                        const bool roofEdge = kind == samplepics::PixelKind::Roof && edge;
                        const bool strict =
                            (kind == samplepics::PixelKind::Roof && !edge) ||
                            (kind == samplepics::PixelKind::Wall &&
                             (painted.onWallLine[at] || (!edge && round <= kFaceRounds)));
                        if (strict) {
                            tolerance.hard[y * 8 + x] = 0.38;
                            bad = bad || g != (kind == samplepics::PixelKind::Roof ? greys.roof
                                                                                   : greys.wall);
                        } else if (kind != samplepics::PixelKind::Ground) {
                            tolerance.hard[y * 8 + x] = 1.38;
                            tolerance.soft[y * 8 + x] = 0.38;
                            bad = bad || std::abs(g - (roofEdge ? greys.roof : greys.wall)) > 1;
                        }
                    }
                }
                if (bad) {
                    ++faulty;
                    encoder.FitBlock(static_cast<std::size_t>(by) * encoder.BlocksWide() + bx,
                                     tolerance,
                                     round == 1 ? 0u : static_cast<std::uint32_t>(round));
                }
            }
        }
        if (faulty == 0)
            return {bytes, round};
    }
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
        const QString path = out.filePath(QString("sample%1.jpg").arg(picture));
        const auto [bytes, rounds] = EncodeExact(picture, painted);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        file.close();
        std::printf("sample%d.jpg: %lld bytes, sampling %s, %d coding rounds\n", picture,
                    static_cast<long long>(bytes.size()), qPrintable(SamplingOf(bytes)), rounds);
        const QImage decoded = QImage::fromData(bytes, "jpeg");
        faults += CheckDecoded(picture, painted, decoded);
        if (overlayAt > 0 && overlayAt + 1 < args.size()) {
            const QDir dir(args[overlayAt + 1]);
            Overlay(picture, decoded)
                .save(dir.filePath(QString("sample%1_overlay.png").arg(picture)));
            decoded.save(dir.filePath(QString("sample%1.png").arg(picture)));
        }
    }
    return faults > 0 ? 1 : 0;
}
