// SPDX-License-Identifier: GPL-3.0-or-later
// From the click to the ordered outline: dominant grey, roof-grey estimate,
// region fill, boundary and contour trace.
#include <QtTest>

#include <cmath>
#include <memory>
#include <set>

#include "support/Pictures.h"
#include "tracing/RoofTracer.h"

using namespace velmora;
using namespace tracetest;

namespace {

// A picture large enough to hold the whole frame of a click at (0, 0), so
// that local (lx, ly) is the picture pixel (lx - 250, ly - 195).
GreyRaster FramePicture(int grey = 0) {
    return GreyRaster(1200, 900, std::uint8_t(grey));
}

const Frame kAtOrigin{0, 0};

struct Box {
    int x0, x1, y0, y1;
    bool Contains(int x, int y) const { return x >= x0 && x <= x1 && y >= y0 && y <= y1; }
    bool OnBorder(int x, int y) const {
        return Contains(x, y) && (x == x0 || x == x1 || y == y0 || y == y1);
    }
    Box Grown(int d) const { return {x0 - d, x1 + d, y0 - d, y1 + d}; }
};

int Chebyshev(const FlaggedCellRow& a, const FlaggedCellRow& b) {
    return std::max(std::abs(a.x - b.x), std::abs(a.y - b.y));
}

std::unique_ptr<RoofTracer> TracerOn(const GreyImage& picture) {
    auto t = std::make_unique<RoofTracer>();
    t->SetPicture(&picture);
    t->SetLocalFrame(0, 0);
    return t;
}

// Runs the region stages with the roof grey given.
int RegionAndBoundary(RoofTracer& t, int roofGrey) {
    t.pRoofGrey = roofGrey;
    t.FillRoofRegion();
    return t.ExtractRegionBoundary();
}

} // namespace

class OutlineTest : public QObject {
    Q_OBJECT
  private slots:
    void dominantGrey_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("layout");
        QTest::addColumn<int>("expected");
        QTest::newRow("uniform roof grey") << 600 << "all 205" << 205;
        QTest::newRow("nothing between 190 and 230") << 600 << "all 100" << 0;
        QTest::newRow("just below the range") << 600 << "all 189" << 0;
        QTest::newRow("just above the range") << 600 << "all 231" << 0;
        QTest::newRow("equal counts go to the lower grey") << 600 << "200 | 210 at x 1" << 200;
        QTest::newRow("equal counts, sides swapped") << 600 << "210 | 200 at x 1" << 200;
        QTest::newRow("two more samples win") << 600 << "200 | 210 at x 2" << 200;
        QTest::newRow("two fewer samples lose") << 600 << "200 | 210 at x 0" << 210;
        QTest::newRow("outside repeats the sample before") << 200 << "195 | 225 at x 0" << 225;
        QTest::newRow("only every tenth row is sampled") << 600 << "rows" << 200;
        QTest::newRow("columns -249 to 250") << 600 << "columns" << 190;
    }
    void dominantGrey() {
        QFETCH(int, width);
        QFETCH(QString, layout);
        QFETCH(int, expected);
        GreyRaster picture(width, 400, 100);
        const int half = width / 2;
        if (layout.startsWith("all "))
            FillBox(picture, -half, half - 1, -200, 199, layout.mid(4).toInt());
        if (layout.contains('|')) {
            // "left | right at x s": left grey up to x = s - 1, right grey from s.
            const QStringList w = layout.split(' ');
            const int split = w.last().toInt();
            FillBox(picture, -half, split - 1, -200, 199, w[0].toInt());
            FillBox(picture, split, half - 1, -200, 199, w[2].toInt());
        }
        if (layout == "rows") {
            // 200 on one sample row, 220 on the nine rows above it and on rows
            // beyond the sampled range.
            FillBox(picture, -half, half - 1, -185, -185, 200);
            FillBox(picture, -half, half - 1, -184, -176, 220);
            FillBox(picture, -half, half - 1, 156, 164, 220);
            FillBox(picture, -half, half - 1, -195, -186, 220);
        }
        if (layout == "columns") {
            FillBox(picture, -250, -250, -200, 199, 230);
            FillBox(picture, 251, 251, -200, 199, 230);
            FillBox(picture, 250, 250, -200, 199, 190);
        }
        RoofTracer t;
        t.SetPicture(&picture);
        QCOMPARE(t.FindDominantGrey(), expected);
    }

    void clickGate_data() {
        QTest::addColumn<int>("background");
        QTest::addColumn<int>("click");
        QTest::addColumn<bool>("traced");
        QTest::newRow("9 darker") << 205 << 196 << true;
        QTest::newRow("10 darker") << 205 << 195 << false;
        QTest::newRow("9 lighter") << 205 << 214 << true;
        QTest::newRow("10 lighter") << 205 << 215 << false;
        QTest::newRow("no roof grey, click 9") << 100 << 9 << true;
        QTest::newRow("no roof grey, click 10") << 100 << 10 << false;
        QTest::newRow("no roof grey, ground click") << 100 << 100 << false;
    }
    void clickGate() {
        QFETCH(int, background);
        QFETCH(int, click);
        QFETCH(bool, traced);
        GreyRaster picture(600, 400, std::uint8_t(background));
        FillBox(picture, 30, 30, 0, 0, click);
        RoofTracer t;
        t.SetPicture(&picture);
        t.gWorkMap.Set(7, 7, 9);
        t.LineDataGrid.Append({1, 2, 'A'});
        QCOMPARE(t.TraceRoof(30, 0), traced);
        QCOMPARE(t.GetLocalGrey(250, 195), click);
        if (!traced) {
            // A refused click leaves the previous trace as it was.
            QCOMPARE(int(t.gWorkMap.Get(7, 7)), 9);
            QCOMPARE(t.LineDataGrid.Rows(), 1);
        }
    }

    // A click where the picture has no pixel is on no roof, even though such
    // positions read as grey 0 and a dark picture has no dominant grey (0).
    void clickOffThePicture_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        QTest::addColumn<bool>("traced");
        QTest::newRow("dark picture, click on it") << 600 << 30.0 << 0.0 << true;
        QTest::newRow("dark picture, top row") << 600 << 30.0 << 200.0 << true;
        QTest::newRow("dark picture, one past the right edge") << 600 << 300.0 << 0.0 << false;
        QTest::newRow("dark picture, one above the top") << 600 << 30.0 << 201.0 << false;
        QTest::newRow("no picture loaded") << 0 << 30.0 << 0.0 << false;
    }
    void clickOffThePicture() {
        QFETCH(int, width);
        QFETCH(double, x);
        QFETCH(double, y);
        QFETCH(bool, traced);
        GreyRaster picture(width, width == 0 ? 0 : 400, 5);
        RoofTracer t;
        t.SetPicture(&picture);
        QCOMPARE(t.TraceRoof(x, y), traced);
        QCOMPARE(t.TopPointGrid.Empty(), !traced);
        RoofTracer none;
        QVERIFY(!none.TraceRoof(x, y));
    }

    // Click grey 200 on black with one or two more pixels next to the click;
    // every scan and sweep adds its counts to the histogram.
    void roofGreyEstimate_data() {
        QTest::addColumn<std::vector<int>>("pixels"); // dx, dy, grey
        QTest::addColumn<int>("expected");
        QTest::addColumn<int>("clickCount");
        QTest::addColumn<int>("otherCount");
        QTest::newRow("left 190 ties and wins as the lower") << Ints({-1, 0, 190}) << 190 << 4 << 4;
        QTest::newRow("left 210 ties and loses") << Ints({-1, 0, 210}) << 200 << 4 << 4;
        QTest::newRow("right 190 ties") << Ints({1, 0, 190}) << 190 << 4 << 4;
        QTest::newRow("below 190 ties") << Ints({0, -1, 190}) << 190 << 4 << 4;
        QTest::newRow("above counts once in the upward scan") << Ints({0, 1, 190}) << 200 << 4 << 3;
        QTest::newRow("above right, rightward sweep's upward scan")
            << Ints({1, 0, 200, 1, 1, 190}) << 200 << 8 << 1;
        QTest::newRow("outside the band is counted once") << Ints({-1, 0, 189}) << 200 << 4 << 1;
    }
    void roofGreyEstimate() {
        QFETCH(std::vector<int>, pixels);
        QFETCH(int, expected);
        QFETCH(int, clickCount);
        QFETCH(int, otherCount);
        GreyRaster picture = FramePicture();
        kAtOrigin.FillLocal(picture, 250, 250, 195, 195, 200);
        for (std::size_t i = 0; i + 2 < pixels.size(); i += 3)
            kAtOrigin.FillLocal(picture, 250 + pixels[i], 250 + pixels[i], 195 + pixels[i + 1],
                                195 + pixels[i + 1], pixels[i + 2]);
        auto t = TracerOn(picture);
        t->EstimateRoofGrey();
        QCOMPARE(t->pRoofGrey, expected);
        QCOMPARE(t->pGreyHistogram[200], clickCount);
        QCOMPARE(t->pGreyHistogram[pixels[pixels.size() - 1]], otherCount);
    }

    // A lone click pixel: the black the scans read before any in-band pixel
    // is counted up to their limits, local y 390 and x 500.
    void roofGreyScanLimits() {
        GreyRaster picture = FramePicture();
        kAtOrigin.FillLocal(picture, 250, 250, 195, 195, 200);
        auto t = TracerOn(picture);
        t->EstimateRoofGrey();
        const int upTo390 = 390 - 196 + 1;
        const int rightTo500 = 500 - 251 + 1;
        const int endOfClickScans = 2;
        QCOMPARE(t->pGreyHistogram[0], upTo390 + rightTo500 + endOfClickScans);
        QCOMPARE(t->pGreyHistogram[200], 4);
        QCOMPARE(t->pRoofGrey, 200);
        for (int g = 256; g < kHistogramSlots; ++g)
            QCOMPARE(t->pGreyHistogram[std::size_t(g)], 0);
    }

    // The mode window spans the click grey +-15 and sees every grey the scans read.
    void roofGreyModeWindow_data() {
        QTest::addColumn<int>("click");
        QTest::addColumn<int>("expected");
        QTest::newRow("black ground inside the window") << 15 << 0;
        QTest::newRow("black ground just outside") << 16 << 16;
    }
    void roofGreyModeWindow() {
        QFETCH(int, click);
        QFETCH(int, expected);
        GreyRaster picture = FramePicture();
        kAtOrigin.FillLocal(picture, 250, 250, 195, 195, click);
        auto t = TracerOn(picture);
        t->EstimateRoofGrey();
        QCOMPARE(t->pRoofGrey, expected);
    }

    // Below the click, `a` pixels of 200 and then `b` of 199: the downward scan
    // of the leftward sweep stops at its 21st in-band pixel.
    void roofGreyRunLimit_data() {
        QTest::addColumn<int>("a");
        QTest::addColumn<int>("b");
        QTest::addColumn<int>("expected");
        QTest::newRow("20 + 38") << 20 << 38 << 200;
        QTest::newRow("20 + 39 ties") << 20 << 39 << 199;
    }
    void roofGreyRunLimit() {
        QFETCH(int, a);
        QFETCH(int, b);
        QFETCH(int, expected);
        GreyRaster picture = FramePicture();
        kAtOrigin.FillLocal(picture, 250, 250, 196 - a, 195, 200);
        kAtOrigin.FillLocal(picture, 250, 250, 196 - a - b, 195 - a, 199);
        auto t = TracerOn(picture);
        t->EstimateRoofGrey();
        QCOMPARE(t->pRoofGrey, expected);
    }

    // A column of roof grey up to local y 400: the upward sweep stops at 390,
    // the leftward sweep's upward scan after 21 pixels counted once.
    void roofGreyCountsUpTo390() {
        GreyRaster picture = FramePicture();
        kAtOrigin.FillLocal(picture, 250, 250, 195, 400, 205);
        auto t = TracerOn(picture);
        t->EstimateRoofGrey();
        const int upwardScan = 21;
        const int clickTwice = 2 + 2;
        const int rows196To390 = 2 * (390 - 196 + 1);
        QCOMPARE(t->pGreyHistogram[205], upwardScan + clickTwice + rows196To390);
        QCOMPARE(t->pRoofGrey, 205);
    }

    void rectangle_data() {
        QTest::addColumn<int>("x0");
        QTest::addColumn<int>("x1");
        QTest::addColumn<int>("y0");
        QTest::addColumn<int>("y1");
        QTest::addColumn<int>("clickDx");
        QTest::addColumn<int>("clickDy");
        QTest::newRow("centred") << 200 << 300 << 150 << 240 << 0 << 0;
        QTest::newRow("click off centre") << 100 << 260 << 190 << 300 << 0 << 0;
        QTest::newRow("small") << 245 << 252 << 193 << 197 << 0 << 0;
        QTest::newRow("thin") << 150 << 350 << 194 << 196 << 0 << 0;
        QTest::newRow("tall") << 248 << 251 << 20 << 380 << 0 << 0;
        QTest::newRow("at the clamps") << 2 << 495 << 2 << 385 << 0 << 0;
    }
    void rectangle() {
        QFETCH(int, x0);
        QFETCH(int, x1);
        QFETCH(int, y0);
        QFETCH(int, y1);
        const Box roof{x0, x1, y0, y1};
        GreyRaster picture = FramePicture(100);
        kAtOrigin.FillLocal(picture, x0, x1, y0, y1, 200);
        auto t = TracerOn(picture);
        t->EstimateRoofGrey();
        QCOMPARE(t->pRoofGrey, 200);
        const int n = RegionAndBoundary(*t, 200);

        QCOMPARE(t->pRegionMinX, x0);
        QCOMPARE(t->pRegionMaxX, x1);
        QCOMPARE(t->pRegionMinY, y0);
        QCOMPARE(t->pRegionMaxY, y1);
        int threes = 0;
        for (int x = 0; x <= 500; ++x) {
            for (int y = 0; y <= 400; ++y) {
                const int w = t->gWorkMap.Get(x, y);
                QCOMPARE(int(t->gDilatedMap.Get(x, y)), roof.Grown(1).Contains(x, y) ? 1 : 0);
                if (roof.OnBorder(x, y))
                    QCOMPARE(w, 3);
                else if (roof.Contains(x, y))
                    QCOMPARE(w, 1);
                if (w == 3) {
                    ++threes;
                    QVERIFY(roof.Grown(1).Contains(x, y));
                } else if (w != 1) {
                    QCOMPARE(w, 0);
                }
            }
        }
        QCOMPARE(n, threes + 1);
        QCOMPARE(t->LineCheckGrid.Rows(), threes);
        QCOMPARE(t->LineCheckGrid[1], (CellRow{x0, y0}));
        for (int r = 2; r <= t->LineCheckGrid.Rows(); ++r)
            QVERIFY(t->LineCheckGrid[r - 1].x <= t->LineCheckGrid[r].x);

        t->TraceRoofContour(n);
        const WorkTable<FlaggedCellRow>& outline = t->LineDataGrid;
        QVERIFY(outline.Rows() >= 2 * (x1 - x0 + y1 - y0) - 1);
        // Closed: it ends within 40 of its start, no step jumps further than
        // ring 4, no cell comes twice, and the whole border is walked.
        const FlaggedCellRow start{x0, y0, kNoFlag};
        const FlaggedCellRow last = outline[outline.Rows()];
        QVERIFY(std::hypot(last.x - start.x, last.y - start.y) <= 40);
        std::set<std::pair<int, int>> seen{{x0, y0}};
        for (int r = 1; r <= outline.Rows(); ++r) {
            QVERIFY(Chebyshev(outline[r], r == 1 ? start : outline[r - 1]) <= 4);
            QVERIFY(seen.insert({outline[r].x, outline[r].y}).second);
        }
        for (int x = x0; x <= x1; ++x)
            QVERIFY(seen.count({x, y0}) && seen.count({x, y1}));
        for (int y = y0; y <= y1; ++y)
            QVERIFY(seen.count({x0, y}) && seen.count({x1, y}));
    }

    void degenerateRegions_data() {
        QTest::addColumn<int>("x0");
        QTest::addColumn<int>("x1");
        QTest::addColumn<int>("y0");
        QTest::addColumn<int>("y1");
        QTest::addColumn<bool>("outline");
        QTest::newRow("single pixel") << 250 << 250 << 195 << 195 << false;
        QTest::newRow("line one pixel tall") << 200 << 300 << 195 << 195 << false;
        QTest::newRow("line one pixel wide") << 250 << 250 << 150 << 250 << false;
        QTest::newRow("2 tall, 10 wide, clicked in the top row")
            << 245 << 254 << 194 << 195 << true;
        QTest::newRow("2 tall, clicked in the bottom row") << 245 << 254 << 195 << 196 << true;
        QTest::newRow("2 wide, 10 tall") << 250 << 251 << 190 << 199 << true;
    }
    void degenerateRegions() {
        QFETCH(int, x0);
        QFETCH(int, x1);
        QFETCH(int, y0);
        QFETCH(int, y1);
        QFETCH(bool, outline);
        GreyRaster picture = FramePicture(100);
        kAtOrigin.FillLocal(picture, x0, x1, y0, y1, 200);
        auto t = TracerOn(picture);
        const int n = RegionAndBoundary(*t, 200);
        // The fill marks the whole line even when nothing is traced.
        for (int x = x0; x <= x1; ++x)
            for (int y = y0; y <= y1; ++y)
                QVERIFY(t->gWorkMap.Get(x, y) == 1 || t->gWorkMap.Get(x, y) == 3);
        QCOMPARE(t->pRegionMinX, x0);
        QCOMPARE(t->pRegionMinY, y0);
        t->TraceRoofContour(n);
        QCOMPARE(t->LineDataGrid.Rows() > 0, outline);
        if (!outline) {
            QVERIFY(t->pRegionMaxX == -1 || t->pRegionMaxY == -1);
            QCOMPARE(n, 1);
        } else {
            // The outline covers the whole little roof.
            QCOMPARE(t->pRegionMaxX, x1);
            QCOMPARE(t->pRegionMaxY, y1);
            for (int x = x0; x <= x1; ++x)
                for (int y = y0; y <= y1; ++y)
                    QVERIFY(t->gWorkMap.Get(x, y) >= 4);
        }
        t->FindRoofCorners();
        QCOMPARE(t->TopPointGrid.Rows() > 0, outline);
        QCOMPARE(t->TracedRoofOutline().empty(), !outline);
    }

    // Marks never leave x 2 ... 495, y 2 ... 385, whatever lies beyond.
    void roofWiderThanTheFrame_data() {
        QTest::addColumn<int>("x0");
        QTest::addColumn<int>("x1");
        QTest::addColumn<int>("y0");
        QTest::addColumn<int>("y1");
        QTest::addColumn<int>("minX");
        QTest::addColumn<int>("maxX");
        QTest::addColumn<int>("minY");
        QTest::addColumn<int>("maxY");
        QTest::newRow("everything") << -100 << 700 << -100 << 500 << 2 << 495 << 2 << 385;
        QTest::newRow("past the right") << 200 << 700 << 150 << 250 << 200 << 495 << 150 << 250;
        QTest::newRow("past the left") << -50 << 300 << 150 << 250 << 2 << 300 << 150 << 250;
        QTest::newRow("past the top (391 to 400 too)")
            << 200 << 300 << 150 << 400 << 200 << 300 << 150 << 385;
        QTest::newRow("up to 390") << 200 << 300 << 150 << 390 << 200 << 300 << 150 << 385;
        QTest::newRow("past the bottom") << 200 << 300 << -20 << 250 << 200 << 300 << 2 << 250;
        QTest::newRow("one short of the clamps") << 3 << 494 << 3 << 384 << 3 << 494 << 3 << 384;
    }
    void roofWiderThanTheFrame() {
        QFETCH(int, x0);
        QFETCH(int, x1);
        QFETCH(int, y0);
        QFETCH(int, y1);
        QFETCH(int, minX);
        QFETCH(int, maxX);
        QFETCH(int, minY);
        QFETCH(int, maxY);
        GreyRaster picture = FramePicture(100);
        kAtOrigin.FillLocal(picture, x0, x1, y0, y1, 200);
        auto t = TracerOn(picture);
        const int n = RegionAndBoundary(*t, 200);
        QCOMPARE(t->pRegionMinX, minX);
        QCOMPARE(t->pRegionMaxX, maxX);
        QCOMPARE(t->pRegionMinY, minY);
        QCOMPARE(t->pRegionMaxY, maxY);
        for (int x = 0; x <= 500; ++x)
            for (int y = 0; y <= 400; ++y)
                if (t->gWorkMap.Get(x, y) == 1)
                    QVERIFY(x >= 2 && x <= 495 && y >= 2 && y <= 385);
        t->TraceRoofContour(n);
        const auto& outline = t->LineDataGrid;
        QVERIFY(outline.Rows() > 0);
        const CellRow s = t->LineCheckGrid[1];
        const FlaggedCellRow last = outline[outline.Rows()];
        QVERIFY(std::hypot(last.x - s.x, last.y - s.y) <= 40);
        for (const FlaggedCellRow& p : outline)
            QVERIFY(p.x >= minX && p.x <= maxX + 1 && p.y >= minY && p.y <= maxY + 1);
    }

    // A one-pixel spur sticks out of the top side, far from the start: the
    // first trace runs up it into a dead end, the second goes round the other
    // way and the outline leaves the spur out.
    void spur_data() {
        QTest::addColumn<int>("spurX");
        QTest::addColumn<int>("spurLength");
        QTest::newRow("spur near the right end") << 280 << 30;
        QTest::newRow("spur in the middle") << 250 << 60;
        QTest::newRow("short spur") << 270 << 10;
    }
    void spur() {
        QFETCH(int, spurX);
        QFETCH(int, spurLength);
        const Box roof{180, 300, 150, 220};
        GreyRaster picture = FramePicture(100);
        kAtOrigin.FillLocal(picture, roof.x0, roof.x1, roof.y0, roof.y1, 200);
        kAtOrigin.FillLocal(picture, spurX, spurX, roof.y1 + 1, roof.y1 + spurLength, 200);
        auto t = TracerOn(picture);
        const int n = RegionAndBoundary(*t, 200);
        QCOMPARE(t->pRegionMaxY, roof.y1 + spurLength);
        t->TraceRoofContour(n);

        // The first trace went up the spur to its end.
        QCOMPARE(int(t->gWorkMap.Get(spurX, roof.y1 + spurLength)), 4);
        QVERIFY(t->LineData2Grid.Rows() > 0);
        const auto& outline = t->LineDataGrid;
        for (const FlaggedCellRow& p : outline)
            QVERIFY2(p.y <= roof.y1 + 2, qPrintable(QString("(%1,%2)").arg(p.x).arg(p.y)));
        // Still a closed walk round the roof: every corner region is passed.
        const CellRow s = t->LineCheckGrid[1];
        const FlaggedCellRow last = outline[outline.Rows()];
        QVERIFY(std::hypot(last.x - s.x, last.y - s.y) <= 40);
        for (const auto& [cx, cy] :
             {std::pair{roof.x0, roof.y1}, {roof.x1, roof.y1}, {roof.x1, roof.y0}}) {
            bool near = false;
            for (const FlaggedCellRow& p : outline)
                near = near || std::max(std::abs(p.x - cx), std::abs(p.y - cy)) <= 1;
            QVERIFY(near);
        }
        for (int r = 2; r <= outline.Rows(); ++r)
            QVERIFY(Chebyshev(outline[r - 1], outline[r]) <= 4);
    }

    // A comb whose boundary is far longer than the listing holds: the
    // listing stops at 2999 points, the count goes on, and the outline stays
    // within n - 1 rows.
    void longBoundary() {
        GreyRaster picture = FramePicture(100);
        kAtOrigin.FillLocal(picture, 10, 490, 180, 210, 200);
        for (int x = 10; x <= 486; x += 8)
            kAtOrigin.FillLocal(picture, x, x + 2, 20, 370, 200);
        auto t = TracerOn(picture);
        const int n = RegionAndBoundary(*t, 200);
        QCOMPARE(t->LineCheckGrid.Rows(), 2999);
        QCOMPARE(t->LineCheckGrid.Capacity(), 2999);
        int threes = 0;
        for (int x = 0; x <= 500; ++x)
            for (int y = 0; y <= 400; ++y)
                threes += t->gWorkMap.Get(x, y) == 3;
        QCOMPARE(n, threes + 1);
        QVERIFY(n > 10000);
        t->TraceRoofContour(n);
        QVERIFY(t->LineDataGrid.Rows() > 2999);
        QVERIFY(t->LineDataGrid.Rows() <= n - 1);
        t->FindRoofCorners();
        QVERIFY(t->TopPointGrid.Rows() >= 2);
        QVERIFY(t->TopPointGrid.Rows() <= 17);
    }
};

QTEST_APPLESS_MAIN(OutlineTest)
#include "test_outline.moc"
