// SPDX-License-Identifier: GPL-3.0-or-later
// Draws the tool cursors of the picture view and writes them as icon (.ICO)
// and cursor (.cur) files into the folder given on the command line.
//
// Icons used as cursors take their hot spot at the image centre (16, 16);
// the editing tools shift every mouse position to the tip of the picture,
// so each tip must sit exactly at its tool's offset from the centre:
//   pens (roof, wall)       tip (2, 2)    offset (-14, -14)
//   move pen, plan pointer  tip (3, 3)    offset (-13, -13)
//   add, remove             tip (15, 16)  offset (-1, 0)
//   one-click arrow         tip (6, 6)    offset (-10, -10)
// The magnifier is a cursor file with its own hot spot at the lens centre.
//
// Pictures are rasterised by hand, pixel centre by pixel centre, so the tip
// pixel and the outline do not depend on a painter's antialiasing.
#include <QByteArray>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineF>
#include <QPointF>
#include <QPolygonF>
#include <QString>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <vector>

namespace {

constexpr int kSize = 32;
constexpr double kHalfRoot2 = std::numbers::sqrt2 / 2;

struct Layer {
    QPolygonF shape;
    QColor colour;
};

double DistanceToSegment(QPointF p, QPointF a, QPointF b) {
    const QPointF ab = b - a;
    const double len2 = QPointF::dotProduct(ab, ab);
    double t = len2 > 0 ? QPointF::dotProduct(p - a, ab) / len2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    const QPointF q = a + t * ab;
    return std::hypot(p.x() - q.x(), p.y() - q.y());
}

// A pixel belongs to a shape when its centre lies inside or within half a
// pixel of the outline. Coordinates name pixel centres.
bool Covers(const QPolygonF& shape, QPointF p) {
    if (shape.containsPoint(p, Qt::OddEvenFill))
        return true;
    for (qsizetype i = 0; i < shape.size(); ++i)
        if (DistanceToSegment(p, shape[i], shape[(i + 1) % shape.size()]) <= 0.5)
            return true;
    return false;
}

// Paints the layers in order (later ones on top) and rings the union with a
// one-pixel black outline drawn on its own border pixels.
QImage Rasterise(const std::vector<Layer>& layers) {
    QImage img(kSize, kSize, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
            for (const Layer& l : layers)
                if (Covers(l.shape, QPointF(x, y)))
                    img.setPixelColor(x, y, l.colour);
    QImage out = img;
    auto opaque = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < kSize && y < kSize && qAlpha(img.pixel(x, y)) != 0;
    };
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
            if (opaque(x, y) &&
                (!opaque(x - 1, y) || !opaque(x + 1, y) || !opaque(x, y - 1) || !opaque(x, y + 1)))
                out.setPixelColor(x, y, Qt::black);
    return out;
}

// A pencil lying on the diagonal, its point at `tip`, pointing up-left.
std::vector<Layer> Pencil(QPointF tip, QColor body, QColor lead) {
    const QPointF d(kHalfRoot2, kHalfRoot2);  // along the pencil
    const QPointF n(kHalfRoot2, -kHalfRoot2); // across it
    const double half = 4.2;
    auto at = [&](double u, double v) { return tip + u * d + v * n; };
    std::vector<Layer> layers;
    layers.push_back({QPolygonF({at(8, half), at(29, half), at(29, -half), at(8, -half)}), body});
    layers.push_back({QPolygonF({at(29, half), at(33, half), at(33, -half), at(29, -half)}),
                      QColor(150, 150, 150)});
    layers.push_back({QPolygonF({tip, at(9, half), at(9, -half)}), QColor(238, 206, 150)});
    layers.push_back({QPolygonF({tip, at(3.5, 1.6), at(3.5, -1.6)}), lead});
    return layers;
}

// The classic pointer arrow with its point at `tip`.
QPolygonF Arrow(QPointF tip, double scale) {
    const double pts[][2] = {{0, 0},  {0, 15},   {3.5, 11.5}, {6.5, 18},
                             {9, 17}, {6, 10.5}, {11, 10.5}};
    QPolygonF poly;
    for (const auto& p : pts)
        poly << tip + QPointF(p[0] * scale, p[1] * scale);
    return poly;
}

// Two crossing strokes centred on `centre`, `arm` pixels each way.
std::vector<Layer> Crosshair(QPoint centre, int arm, QColor colour) {
    const QPointF c(centre);
    std::vector<Layer> layers;
    layers.push_back({QPolygonF({c + QPointF(-arm, 0), c + QPointF(arm, 0)}), colour});
    layers.push_back({QPolygonF({c + QPointF(0, -arm), c + QPointF(0, arm)}), colour});
    return layers;
}

// Sets pixels directly (small glyphs where an outline would swamp them).
void Stroke(QImage& img, QPoint a, QPoint b, QColor c) {
    const int steps = std::max(std::abs(b.x() - a.x()), std::abs(b.y() - a.y()));
    for (int i = 0; i <= steps; ++i) {
        const int x = a.x() + (steps ? (b.x() - a.x()) * i / steps : 0);
        const int y = a.y() + (steps ? (b.y() - a.y()) * i / steps : 0);
        if (x >= 0 && y >= 0 && x < kSize && y < kSize)
            img.setPixelColor(x, y, c);
    }
}

void Badge(QImage& img, QRect r, QColor fill) {
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const bool edge = x == r.left() || x == r.right() || y == r.top() || y == r.bottom();
            img.setPixelColor(x, y, edge ? QColor(Qt::black) : fill);
        }
}

// A crosshair for the point tools: black strokes in a white halo so they
// show on dark and light roofs alike, with a badge saying what they do.
QImage PointTool(bool add) {
    const QPoint tip(15, 16);
    std::vector<Layer> halo;
    for (const Layer& l : Crosshair(tip, 8, Qt::white)) {
        // Widen each stroke to three pixels for the halo.
        const QPointF a = l.shape[0], b = l.shape[1];
        const QPointF side = a.y() == b.y() ? QPointF(0, 1) : QPointF(1, 0);
        halo.push_back({QPolygonF({a - side, b - side, b + side, a + side}), Qt::white});
    }
    QImage img(kSize, kSize, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
            for (const Layer& l : halo)
                if (Covers(l.shape, QPointF(x, y)))
                    img.setPixelColor(x, y, Qt::white);
    Stroke(img, tip - QPoint(8, 0), tip + QPoint(8, 0), Qt::black);
    Stroke(img, tip - QPoint(0, 8), tip + QPoint(0, 8), Qt::black);
    const QRect badge(21, 1, 10, 10);
    Badge(img, badge, add ? QColor(40, 170, 60) : QColor(220, 40, 40));
    const QPoint c = badge.center();
    if (add) {
        Stroke(img, c + QPoint(-3, 0), c + QPoint(3, 0), Qt::white);
        Stroke(img, c + QPoint(0, -3), c + QPoint(0, 3), Qt::white);
    } else {
        Stroke(img, c + QPoint(-3, -3), c + QPoint(3, 3), Qt::white);
        Stroke(img, c + QPoint(-3, 3), c + QPoint(3, -3), Qt::white);
    }
    return img;
}

QImage MovePen() {
    QImage img = Rasterise(Pencil(QPointF(3, 3), QColor(90, 90, 100), QColor(30, 30, 30)));
    // Four-way arrows in the free corner: the point can be dragged.
    const QPoint c(8, 24);
    const QColor ink(20, 20, 20);
    Stroke(img, c + QPoint(-5, 0), c + QPoint(5, 0), ink);
    Stroke(img, c + QPoint(0, -5), c + QPoint(0, 5), ink);
    for (int k = 1; k <= 2; ++k) {
        Stroke(img, c + QPoint(-5 + k, -k), c + QPoint(-5 + k, k), ink);
        Stroke(img, c + QPoint(5 - k, -k), c + QPoint(5 - k, k), ink);
        Stroke(img, c + QPoint(-k, -5 + k), c + QPoint(k, -5 + k), ink);
        Stroke(img, c + QPoint(-k, 5 - k), c + QPoint(k, 5 - k), ink);
    }
    return img;
}

QImage PlanPointer() {
    std::vector<Layer> layers;
    layers.push_back({Arrow(QPointF(3, 3), 1.0), Qt::white});
    QImage img = Rasterise(layers);
    // A small plan-point square beside the arrow.
    Badge(img, QRect(18, 20, 7, 7), QColor(0, 255, 200));
    return img;
}

QImage OneClickArrow() {
    std::vector<Layer> layers;
    layers.push_back({Arrow(QPointF(6, 6), 1.0), Qt::white});
    QImage img = Rasterise(layers);
    // A little building: roof outline in the roof colour over a grey wall.
    Badge(img, QRect(19, 18, 10, 11), QColor(200, 200, 200));
    Stroke(img, QPoint(19, 18), QPoint(28, 18), QColor(255, 0, 200));
    Stroke(img, QPoint(19, 19), QPoint(28, 19), QColor(255, 0, 200));
    Stroke(img, QPoint(21, 22), QPoint(21, 28), QColor(0, 150, 255));
    return img;
}

QImage Magnifier(QPoint centre, int radius) {
    QImage img(kSize, kSize, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            const double r = std::hypot(x - centre.x(), y - centre.y());
            if (std::abs(r - radius) <= 0.75)
                img.setPixelColor(x, y, Qt::black);
            else if (std::abs(r - radius) <= 1.75 && r < radius)
                img.setPixelColor(x, y, QColor(120, 120, 120));
            else if (r < radius - 1.75)
                img.setPixelColor(x, y, QColor(200, 230, 255, 90));
        }
    // The handle, on the diagonal away from the lens.
    const QPointF d(kHalfRoot2, kHalfRoot2), n(kHalfRoot2, -kHalfRoot2);
    const QPointF a = QPointF(centre) + (radius + 1.5) * d;
    const QPointF b = QPointF(centre) + (radius + 11.0) * d;
    const QPolygonF handle({a + 2.2 * n, b + 2.2 * n, b - 2.2 * n, a - 2.2 * n});
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
            if (Covers(handle, QPointF(x, y)))
                img.setPixelColor(x, y, QColor(60, 40, 20));
    // The exact point the zoom acts on.
    img.setPixelColor(centre, Qt::black);
    return img;
}

void PutU16(QByteArray& b, int v) {
    char c[2];
    qToLittleEndian<quint16>(static_cast<quint16>(v), c);
    b.append(c, 2);
}
void PutU32(QByteArray& b, quint32 v) {
    char c[4];
    qToLittleEndian<quint32>(v, c);
    b.append(c, 4);
}

// One-image icon (type 1) or cursor (type 2, with hot spot) holding a
// 32-bit BGRA bitmap and its AND mask.
QByteArray IconFile(const QImage& image, bool cursor, QPoint hotSpot) {
    const QImage img = image.convertToFormat(QImage::Format_ARGB32);
    const int w = img.width(), h = img.height();
    const int maskStride = ((w + 31) / 32) * 4;
    QByteArray dib;
    PutU32(dib, 40);
    PutU32(dib, static_cast<quint32>(w));
    PutU32(dib, static_cast<quint32>(2 * h)); // colour rows + mask rows
    PutU16(dib, 1);
    PutU16(dib, 32);
    PutU32(dib, 0);
    PutU32(dib, static_cast<quint32>(w * h * 4 + maskStride * h));
    PutU32(dib, 0);
    PutU32(dib, 0);
    PutU32(dib, 0);
    PutU32(dib, 0);
    for (int y = h - 1; y >= 0; --y) // bottom-up
        for (int x = 0; x < w; ++x) {
            const QRgb p = img.pixel(x, y);
            dib.append(static_cast<char>(qBlue(p)));
            dib.append(static_cast<char>(qGreen(p)));
            dib.append(static_cast<char>(qRed(p)));
            dib.append(static_cast<char>(qAlpha(p)));
        }
    for (int y = h - 1; y >= 0; --y) {
        QByteArray row(maskStride, '\0');
        for (int x = 0; x < w; ++x)
            if (qAlpha(img.pixel(x, y)) == 0)
                row[x / 8] = static_cast<char>(row[x / 8] | (0x80 >> (x % 8)));
        dib.append(row);
    }
    QByteArray file;
    PutU16(file, 0);
    PutU16(file, cursor ? 2 : 1);
    PutU16(file, 1);
    file.append(static_cast<char>(w >= 256 ? 0 : w));
    file.append(static_cast<char>(h >= 256 ? 0 : h));
    file.append('\0');                       // colour count
    file.append('\0');                       // reserved
    PutU16(file, cursor ? hotSpot.x() : 1);  // planes, or hot spot x
    PutU16(file, cursor ? hotSpot.y() : 32); // bit count, or hot spot y
    PutU32(file, static_cast<quint32>(dib.size()));
    PutU32(file, 6 + 16);
    file.append(dib);
    return file;
}

bool Write(const QDir& dir, const QString& name, const QByteArray& bytes) {
    QFile f(dir.filePath(name));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(f.fileName()));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    const QColor roof(255, 0, 200), wall(0, 150, 255);
    bool ok = true;
    ok &= Write(dir, QStringLiteral("RedPen.ICO"),
                IconFile(Rasterise(Pencil(QPointF(2, 2), roof, roof.darker(160))), false, {}));
    ok &= Write(dir, QStringLiteral("BluePen.ICO"),
                IconFile(Rasterise(Pencil(QPointF(2, 2), wall, wall.darker(160))), false, {}));
    ok &= Write(dir, QStringLiteral("MovePen.ICO"), IconFile(MovePen(), false, {}));
    ok &= Write(dir, QStringLiteral("AddPen.ICO"), IconFile(PointTool(true), false, {}));
    ok &= Write(dir, QStringLiteral("Remove.ICO"), IconFile(PointTool(false), false, {}));
    ok &= Write(dir, QStringLiteral("POINT14.ICO"), IconFile(PlanPointer(), false, {}));
    ok &= Write(dir, QStringLiteral("ARW10NW2.ICO"), IconFile(OneClickArrow(), false, {}));
    const QPoint lens(12, 12);
    ok &= Write(dir, QStringLiteral("Magnify.cur"), IconFile(Magnifier(lens, 8), true, lens));
    return ok ? 0 : 1;
}
