// SPDX-License-Identifier: GPL-3.0-or-later
// Draws the 600 x 455 title picture of the start-up window: an oblique view
// of a town block with roof outlines and wall lines marked the way the
// program marks them, and the program's name. Written as JPEG to the path
// given on the command line.
//
//   velmora_splashgen <output.jpg>
//   velmora_splashgen --icons <folder>
//
// The second form draws the program's icon, one marked building of the same
// picture on a sky tile, as <folder>/<N>x<N>/apps/velmora.png in the sizes
// of the desktop's icon theme.
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kWidth = 600;
constexpr int kHeight = 455;

// Oblique projection of the ground: x to the right, depth into the picture,
// heights upwards, all in metres; the horizon lies above the picture.
QPointF Project(double x, double depth, double h) {
    const double scale = 2.3 * 300.0 / (300.0 + depth * 1.5);
    return QPointF(300 + x * scale, 472 - depth * 0.9 * scale - h * scale);
}

struct Building {
    double x, depth, w, d, h;
    QColor roof;
};

void DrawBuilding(QPainter& p, const Building& b, bool marked) {
    auto at = [&](double dx, double dd, double h) { return Project(b.x + dx, b.depth + dd, h); };
    const QPolygonF front({at(0, 0, 0), at(b.w, 0, 0), at(b.w, 0, b.h), at(0, 0, b.h)});
    const QPolygonF side({at(b.w, 0, 0), at(b.w, b.d, 0), at(b.w, b.d, b.h), at(b.w, 0, b.h)});
    const QPolygonF roof({at(0, 0, b.h), at(b.w, 0, b.h), at(b.w, b.d, b.h), at(0, b.d, b.h)});
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(118, 124, 134));
    p.drawPolygon(front);
    p.setBrush(QColor(92, 98, 110));
    p.drawPolygon(side);
    // Window rows on the front.
    p.setBrush(QColor(168, 190, 210));
    const int floors = std::max(1, static_cast<int>(b.h / 4.5));
    for (int f = 0; f < floors; ++f)
        for (double wx = 1.5; wx + 2 < b.w; wx += 4) {
            const double h0 = 1.5 + f * 4.5;
            if (h0 + 2 > b.h)
                break;
            p.drawPolygon(QPolygonF(
                {at(wx, 0, h0), at(wx + 2, 0, h0), at(wx + 2, 0, h0 + 2), at(wx, 0, h0 + 2)}));
        }
    p.setBrush(b.roof);
    p.drawPolygon(roof);
    if (!marked)
        return;
    // The program's overlay: roof outline and one wall line down a corner.
    QPen roofPen(QColor(255, 0, 200), 2);
    p.setPen(roofPen);
    p.setBrush(Qt::NoBrush);
    p.drawPolygon(roof);
    QPen wallPen(QColor(0, 150, 255), 2);
    p.setPen(wallPen);
    p.drawLine(at(0, 0, b.h), at(0, 0, 0));
    p.setBrush(QColor(255, 100, 0));
    p.setPen(Qt::NoPen);
    p.drawEllipse(at(0, 0, b.h), 3, 3);
    p.drawEllipse(at(0, 0, 0), 3, 3);
}

QImage Title() {
    QImage img(kWidth, kHeight, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    QLinearGradient sky(0, 0, 0, kHeight);
    sky.setColorAt(0.0, QColor(18, 40, 84));
    sky.setColorAt(0.55, QColor(58, 104, 160));
    sky.setColorAt(1.0, QColor(150, 182, 205));
    p.fillRect(img.rect(), sky);

    // Ground plate with streets.
    const QPolygonF ground(
        {Project(-220, -10, 0), Project(220, -10, 0), Project(220, 140, 0), Project(-220, 140, 0)});
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(96, 112, 92));
    p.drawPolygon(ground);
    p.setPen(QPen(QColor(150, 150, 142), 5));
    for (double d = 10; d < 140; d += 42)
        p.drawLine(Project(-220, d, 0), Project(220, d, 0));
    for (double x = -120; x <= 120; x += 60)
        p.drawLine(Project(x, -10, 0), Project(x, 140, 0));

    std::vector<Building> buildings = {{-110, 105, 40, 25, 26, QColor(205, 205, 200)},
                                       {-45, 108, 30, 22, 38, QColor(214, 212, 206)},
                                       {20, 100, 42, 30, 22, QColor(200, 204, 206)},
                                       {80, 104, 34, 26, 30, QColor(210, 206, 198)},
                                       {-100, 60, 36, 28, 18, QColor(208, 206, 200)},
                                       {-30, 58, 44, 24, 30, QColor(216, 214, 210)},
                                       {35, 62, 30, 26, 42, QColor(204, 206, 210)},
                                       {85, 56, 30, 30, 16, QColor(212, 208, 200)},
                                       {-115, 16, 42, 24, 22, QColor(210, 208, 204)},
                                       {-45, 20, 34, 26, 34, QColor(206, 210, 212)},
                                       {15, 14, 46, 22, 26, QColor(214, 210, 204)},
                                       {82, 18, 32, 24, 20, QColor(208, 208, 208)}};
    // Far buildings first.
    std::sort(buildings.begin(), buildings.end(),
              [](const Building& a, const Building& b) { return a.depth > b.depth; });
    for (std::size_t i = 0; i < buildings.size(); ++i)
        DrawBuilding(p, buildings[i], i % 3 != 1);

    // Title band.
    QLinearGradient band(0, 0, 0, 150);
    band.setColorAt(0, QColor(8, 20, 48, 230));
    band.setColorAt(1, QColor(8, 20, 48, 0));
    p.fillRect(QRect(0, 0, kWidth, 150), band);
    QFont title(QStringLiteral("Noto Sans"), 1);
    title.setPixelSize(64);
    title.setBold(true);
    title.setLetterSpacing(QFont::AbsoluteSpacing, 2);
    p.setFont(title);
    p.setPen(QColor(255, 255, 255));
    p.drawText(QRect(36, 18, 540, 80), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("velmora"));
    QFont sub(QStringLiteral("Noto Sans CJK JP"), 1);
    sub.setPixelSize(20);
    p.setFont(sub);
    p.setPen(QColor(222, 232, 245));
    p.drawText(QRect(40, 96, 540, 30), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("斜め航空写真から建物の高さと平面図を作成"));
    sub.setPixelSize(13);
    p.setFont(sub);
    p.setPen(QColor(190, 206, 228));
    p.drawText(QRect(40, 124, 540, 20), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Building heights and footprints from oblique aerial pictures"));
    p.end();
    return img;
}

QImage Icon(int size) {
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = size / 64.0;
    QLinearGradient sky(0, 0, 0, size);
    sky.setColorAt(0.0, QColor(18, 40, 84));
    sky.setColorAt(1.0, QColor(96, 140, 190));
    p.setPen(Qt::NoPen);
    p.setBrush(sky);
    p.drawRoundedRect(QRectF(2 * s, 2 * s, 60 * s, 60 * s), 10 * s, 10 * s);
    // The building seen from the title's camera, fitted into the tile.
    const Building b{-14, 4, 22, 18, 24, QColor(214, 212, 206)};
    const QRectF box = QPolygonF({Project(b.x, b.depth, 0), Project(b.x + b.w, b.depth + b.d, 0),
                                  Project(b.x, b.depth + b.d, b.h), Project(b.x + b.w, 0, b.h)})
                           .boundingRect()
                           .adjusted(-4, -4, 4, 4);
    const double scale = 44 * s / std::max(box.width(), box.height());
    p.translate(32 * s - box.center().x() * scale, 33 * s - box.center().y() * scale);
    p.scale(scale, scale);
    DrawBuilding(p, b, true);
    p.end();
    return img;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--icons") {
        const QDir out(QString::fromLocal8Bit(argv[2]));
        for (int size : {16, 24, 32, 48, 64, 128, 256}) {
            const QString dir = QStringLiteral("%1x%1/apps").arg(size);
            if (!out.mkpath(dir) ||
                !Icon(size).save(out.filePath(dir + QStringLiteral("/velmora.png")), "PNG")) {
                std::fprintf(stderr, "cannot write the %d pixel icon below %s\n", size, argv[2]);
                return 1;
            }
        }
        return 0;
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output.jpg> | --icons <folder>\n", argv[0]);
        return 2;
    }
    const QImage img = Title();
    if (!img.save(QString::fromLocal8Bit(argv[1]), "JPG", 92)) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
