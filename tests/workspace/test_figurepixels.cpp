#include <QtTest>

#include <random>
#include <vector>

#include "workspace/FigurePixels.h"

using namespace velmora;

namespace {

constexpr int kSide = 40;

struct Grid {
    std::vector<std::uint32_t> px = std::vector<std::uint32_t>(kSide * kSide, 0xff000000u);
    PixelBuffer Buffer() { return {px.data(), kSide, kSide, kSide}; }
    bool Lit(int x, int y) const {
        return px[static_cast<std::size_t>(y * kSide + x)] != 0xff000000u;
    }
};

FigurePixels RandomFigure(std::mt19937& rng) {
    std::uniform_int_distribution<int> at(-6, kSide + 5), width(1, 3), kind(0, 5);
    switch (kind(rng)) {
    case 0:
        return FigurePixels::Ring(at(rng), at(rng), std::uniform_int_distribution<int>(0, 12)(rng),
                                  width(rng));
    case 1:
        return FigurePixels::Frame(at(rng), at(rng), at(rng), at(rng), width(rng));
    default:
        return FigurePixels::Line(at(rng), at(rng), at(rng), at(rng), width(rng));
    }
}

} // namespace

class FigurePixelsTest : public QObject {
    Q_OBJECT
  private slots:
    // The look of the raster engine's aliased 2-pixel pens: the stroke
    // keeps its high edges and leaves out its low ones.
    void shapes_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QVector<int>>("args");
        QTest::addColumn<QStringList>("rows");
        const QStringList level{"........", ".#####..", ".#####..", "........"};
        QTest::newRow("level line") << 0 << QVector<int>{1, 0, 4, 0, 2} << level;
        QTest::newRow("same line drawn the other way") << 0 << QVector<int>{4, 0, 1, 0, 2} << level;
        QTest::newRow("point") << 0 << QVector<int>{3, 1, 3, 1, 2}
                               << QStringList{"........", "........", "...##...", "...##..."};
        QTest::newRow("thin line") << 0 << QVector<int>{1, 1, 5, 1, 1}
                                   << QStringList{"........", "........", ".#####..", "........"};
        QTest::newRow("upright line")
            << 0 << QVector<int>{2, -1, 2, 1, 2}
            << QStringList{"..##....", "..##....", "..##....", "..##...."};
        QTest::newRow("box") << 1 << QVector<int>{1, 0, 6, 3, 2}
                             << QStringList{"........", ".#######", ".#######", ".##...##"};
        QTest::newRow("marker") << 2 << QVector<int>{3, 1, 2, 2}
                                << QStringList{".#####..", ".##.##..", "##...##.", ".##.##.."};
    }
    void shapes() {
        QFETCH(int, kind);
        QFETCH(QVector<int>, args);
        QFETCH(QStringList, rows);
        // Rows -1 .. 2 of the figure, columns 0 .. 7.
        const FigurePixels f =
            kind == 0   ? FigurePixels::Line(args[0], args[1], args[2], args[3], args[4])
            : kind == 1 ? FigurePixels::Frame(args[0], args[1], args[2], args[3], args[4])
                        : FigurePixels::Ring(args[0], args[1], args[2], args[3]);
        QStringList drawn;
        for (int y = -1; y <= 2; ++y) {
            QString row(8, '.');
            f.ForRuns(y, [&](int x0, int x1) {
                for (int x = std::max(x0, 0); x < std::min(x1, 8); ++x)
                    row[x] = '#';
            });
            drawn << row;
        }
        QCOMPARE(drawn, rows);
    }

    // Whatever two figures both light lies in the rows said to be shared.
    void sharedRowsHoldEveryCommonPixel() {
        std::mt19937 rng(11);
        int meeting = 0;
        for (int n = 0; n < 3000; ++n) {
            const FigurePixels a = RandomFigure(rng), b = RandomFigure(rng);
            Grid g;
            FillFigure(g.Buffer(), a, 1, true);
            FillFigure(g.Buffer(), b, 2, true);
            const auto rows = SharedRows(a, b);
            for (int y = 0; y < kSide; ++y)
                for (int x = 0; x < kSide; ++x) {
                    if ((g.px[static_cast<std::size_t>(y * kSide + x)] & 3) != 3)
                        continue;
                    QVERIFY2(rows && rows->first <= y && y <= rows->second,
                             qPrintable(QString("pair %1, pixel %2,%3").arg(n).arg(x).arg(y)));
                }
            meeting += rows.has_value();
        }
        // Random figures on a small grid meet often; apart ones are told apart.
        QVERIFY(meeting > 300 && meeting < 2900);
    }

    // A figure drawn only within a region lights exactly the region's part
    // of what it lights drawn whole.
    void partDrawnAloneMatchesTheWhole() {
        std::mt19937 rng(5);
        for (int n = 0; n < 500; ++n) {
            const FigurePixels f = RandomFigure(rng);
            PixelRegion region(kSide, kSide);
            Grid inRegion;
            for (int k = 0; k < 3; ++k) {
                const FigurePixels part = RandomFigure(rng);
                region.Add(part);
                FillFigure(inRegion.Buffer(), part, 1, false);
            }
            region.Seal();
            Grid whole, part;
            FillFigure(whole.Buffer(), f, 0x123456, false);
            FillFigureWithin(part.Buffer(), f, 0x123456, false, region, -1000, 1000);
            for (int y = 0; y < kSide; ++y)
                for (int x = 0; x < kSide; ++x)
                    QCOMPARE(part.Lit(x, y), whole.Lit(x, y) && inRegion.Lit(x, y));
        }
    }
};

QTEST_MAIN(FigurePixelsTest)
#include "test_figurepixels.moc"
