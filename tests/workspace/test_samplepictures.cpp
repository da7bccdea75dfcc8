// SPDX-License-Identifier: GPL-3.0-or-later
// The built-in sample pictures must carry the buildings of their sample data
// sets: the roofs one light grey that nothing else in the picture comes near,
// the wall faces a darker grey, and the data's outlines and wall lines on
// them. The one-click tracer and the demos rely on it.
#include <QtTest>

#include <QImage>
#include <cmath>

#include "data/Scenes.h"

using namespace velmora;

namespace {

QImage Picture(int n) {
    return QImage(QString(":/samples/sample%1.png").arg(n));
}

// Grey value of the pixel at a picture point (origin at the centre, y up).
int GreyAt(const QImage& img, int x, int y) {
    const int px = x + img.width() / 2;
    const int py = img.height() / 2 - y;
    if (px < 0 || py < 0 || px >= img.width() || py >= img.height())
        return -1;
    const QRgb c = img.pixel(px, py);
    return (qRed(c) + qGreen(c) + qBlue(c)) / 3;
}

struct Outline {
    std::vector<QPointF> points; // closed: last equals first
    bool Inside(QPointF p) const {
        bool in = false;
        for (std::size_t i = 0; i + 1 < points.size(); ++i) {
            const QPointF a = points[i];
            const QPointF b = points[i + 1];
            if ((a.y() > p.y()) != (b.y() > p.y()) &&
                p.x() < a.x() + (p.y() - a.y()) * (b.x() - a.x()) / (b.y() - a.y()))
                in = !in;
        }
        return in;
    }
    double Distance(QPointF p) const {
        double best = 1e9;
        for (std::size_t i = 0; i + 1 < points.size(); ++i) {
            const QPointF a = points[i];
            const QPointF d = points[i + 1] - a;
            const double len2 = QPointF::dotProduct(d, d);
            const double t =
                len2 > 0 ? std::clamp(QPointF::dotProduct(p - a, d) / len2, 0.0, 1.0) : 0.0;
            best = std::min(best, std::hypot(p.x() - a.x() - t * d.x(), p.y() - a.y() - t * d.y()));
        }
        return best;
    }
};

std::vector<Outline> Outlines(const DemoScene& s) {
    std::vector<Outline> out;
    for (const SceneRoof& r : s.roofs) {
        Outline o;
        for (int i = r.start; i < r.start + r.count; ++i)
            o.points.emplace_back(s.points[std::size_t(i)].x, s.points[std::size_t(i)].y);
        out.push_back(o);
    }
    return out;
}

void PictureRows() {
    QTest::addColumn<int>("picture");
    QTest::newRow("sample picture 1") << 1;
    QTest::newRow("sample picture 2") << 2;
}

} // namespace

class SamplePicturesTest : public QObject {
    Q_OBJECT
  private slots:
    void size_data() {
        QTest::addColumn<int>("picture");
        QTest::addColumn<QSize>("size");
        QTest::newRow("sample picture 1") << 1 << QSize(780, 678);
        QTest::newRow("sample picture 2") << 2 << QSize(788, 678);
    }
    void size() {
        QFETCH(int, picture);
        QFETCH(QSize, size);
        const QImage img = Picture(picture);
        QVERIFY2(!img.isNull(), "the picture is not among the program's resources");
        QCOMPARE(img.size(), size);
        const PictureSize stated = SamplePictureSize(picture);
        QCOMPARE(QSize(stated.width, stated.height), size);
    }

    // The grey the tracer takes as the roof grey: the most frequent one
    // between 190 and 230 over its sampling rows (ties to the lower grey).
    void dominantGreyIsTheRoofGrey_data() { PictureRows(); }
    void dominantGreyIsTheRoofGrey() {
        QFETCH(int, picture);
        const QImage img = Picture(picture);
        QVERIFY(!img.isNull());
        std::array<int, 256> count{};
        for (int y = -185; y <= 155; y += 10)
            for (int x = -249; x <= 250; ++x)
                ++count[std::size_t(GreyAt(img, x, y))];
        int best = 0;
        for (int g = 190; g <= 230; ++g)
            if (count[std::size_t(g)] > count[std::size_t(best)])
                best = g;
        const BuildingGreys greys = SamplePictureGreys(picture);
        QCOMPARE(best, greys.roof);
        QVERIFY(greys.roof >= 195 && greys.roof <= 225);
        QVERIFY(std::abs(greys.roof - 45 - greys.wall) <= 5);
    }

    // Every sample roof outline encloses exactly the roof grey, up to its
    // edge (the pictures are stored losslessly). A nearer building painted
    // over a roof the data shows would break this.
    void roofsAreRoofGrey_data() { PictureRows(); }
    void roofsAreRoofGrey() {
        QFETCH(int, picture);
        const QImage img = Picture(picture);
        QVERIFY(!img.isNull());
        const int roof = SamplePictureGreys(picture).roof;
        const std::vector<Outline> outlines = Outlines(SamplePictureScene(picture));
        for (std::size_t r = 0; r < outlines.size(); ++r) {
            int inner = 0;
            for (int y = -img.height() / 2 + 1; y <= img.height() / 2; ++y) {
                for (int x = -img.width() / 2; x < img.width() / 2; ++x) {
                    const QPointF p(x, y);
                    if (!outlines[r].Inside(p))
                        continue;
                    const int g = GreyAt(img, x, y);
                    const bool deep = outlines[r].Distance(p) >= 3;
                    inner += deep;
                    QVERIFY2(
                        g == roof,
                        qPrintable(
                            QString("roof %1 at (%2, %3): grey %4").arg(r).arg(x).arg(y).arg(g)));
                }
            }
            QVERIFY2(inner > 20, qPrintable(QString("roof %1 has no inside").arg(r)));
        }
    }

    // Each wall line hangs from its roof corner down a wall face to the
    // ground: wall grey from just below the corner all the way down,
    // and ground a little beyond its lower end.
    void wallLinesLieOnWallFaces_data() { PictureRows(); }
    void wallLinesLieOnWallFaces() {
        QFETCH(int, picture);
        const QImage img = Picture(picture);
        QVERIFY(!img.isNull());
        const int wall = SamplePictureGreys(picture).wall;
        const DemoScene& s = SamplePictureScene(picture);
        for (std::size_t w = 0; w < s.walls.size(); ++w) {
            const QPointF a(s.walls[w].upper.x, s.walls[w].upper.y);
            const QPointF b(s.walls[w].lower.x, s.walls[w].lower.y);
            const double len = std::hypot(b.x() - a.x(), b.y() - a.y());
            const QPointF step = (b - a) / len;
            auto grey = [&](double t) {
                const QPointF p = a + step * t;
                return GreyAt(img, int(std::lround(p.x())), int(std::lround(p.y())));
            };
            const QString where = QString("wall %1").arg(w);
            for (double t = 3; t <= std::max(8.0, len - 8); t += 1)
                QVERIFY2(grey(t) == wall,
                         qPrintable(where + QString(" at %1: %2").arg(t).arg(grey(t))));
            bool ground = false;
            for (double t = len; t <= len + 12 && !ground; t += 1)
                ground = grey(t) < wall - 20;
            QVERIFY2(ground, qPrintable(where + " does not reach the ground"));
        }
    }

    // Outside the roofs no pixel has a grey from 190 to 230 or within 30 of
    // the roof grey, so a roof region never leaks into its surroundings.
    void nothingElseNearTheRoofGrey_data() { PictureRows(); }
    void nothingElseNearTheRoofGrey() {
        QFETCH(int, picture);
        const QImage img = Picture(picture);
        QVERIFY(!img.isNull());
        const int roof = SamplePictureGreys(picture).roof;
        const std::vector<Outline> outlines = Outlines(SamplePictureScene(picture));
        int outside = 0;
        for (int y = -img.height() / 2 + 1; y <= img.height() / 2; ++y) {
            for (int x = -img.width() / 2; x < img.width() / 2; ++x) {
                const QPointF p(x, y);
                bool onRoof = false;
                for (const Outline& o : outlines)
                    onRoof = onRoof || o.Inside(p) || o.Distance(p) < 0.5;
                if (onRoof)
                    continue;
                ++outside;
                const int g = GreyAt(img, x, y);
                QVERIFY2(!(g >= 190 && g <= 230) && std::abs(g - roof) > 30,
                         qPrintable(QString("(%1, %2): grey %3").arg(x).arg(y).arg(g)));
            }
        }
        QVERIFY(outside > img.width() * img.height() / 2);
    }
};

QTEST_GUILESS_MAIN(SamplePicturesTest)
#include "test_samplepictures.moc"
