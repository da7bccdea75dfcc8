// SPDX-License-Identifier: GPL-3.0-or-later
// Reduction of an outline to corners, and the corner list handed to the
// registration.
#include <QtTest>

#include <cmath>
#include <memory>

#include "support/Pictures.h"
#include "tracing/RoofTracer.h"

using namespace velmora;
using namespace tracetest;

namespace {

// Loads into LineDataGrid the 8-connected chain of cells along the straight
// pieces from vertex to vertex (x, y pairs), without the first vertex (the
// trace leaves its start out) and without repeating a vertex.
void LoadOutline(RoofTracer& t, const std::vector<int>& xy) {
    t.LineDataGrid.Clear();
    for (std::size_t i = 0; i + 3 < xy.size(); i += 2) {
        const int x0 = xy[i], y0 = xy[i + 1], x1 = xy[i + 2], y1 = xy[i + 3];
        const int steps = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
        for (int s = 1; s <= steps; ++s) {
            const int x = x0 + int(std::lround(double(x1 - x0) * s / steps));
            const int y = y0 + int(std::lround(double(y1 - y0) * s / steps));
            t.LineDataGrid.Append({x, y, kNoFlag});
        }
    }
}

// Loads the 4-connected staircase from (x0, y0) towards (x0 + n, y0 - n):
// right, down, right, down ...
void AppendStaircase(RoofTracer& t, int x0, int y0, int n) {
    int x = x0, y = y0;
    for (int i = 0; i < n; ++i) {
        t.LineDataGrid.Append({++x, y, kNoFlag});
        t.LineDataGrid.Append({x, --y, kNoFlag});
    }
}

double Dist(const FlaggedCellRow& a, int x, int y) {
    return std::hypot(a.x - x, a.y - y);
}

} // namespace

class CornersTest : public QObject {
    Q_OBJECT
  private slots:
    // A structure standing on the roof cuts a notch into a straight side
    // of the traced outline: the side goes on across it. A notch where
    // another building hides part of the roof (a corner, the near side's
    // middle) is the roof as the picture shows it and stays. The outline
    // runs round the rectangle 150 ... 350 by 120 ... 260 (y up: 260 is
    // the far side).
    void bridgeSideNotches_data() {
        QTest::addColumn<std::vector<int>>("points");
        QTest::addColumn<int>("bridged");
        QTest::newRow("a plain rectangle")
            << Ints({150, 120, 350, 120, 350, 260, 150, 260, 150, 120}) << 0;
        QTest::newRow("a stair house cut into the far side")
            << Ints({150, 120, 350, 120, 350, 260, 240, 260, 240, 232, 200, 232, 200, 260, 150, 260,
                     150, 120})
            << 1;
        QTest::newRow("a wide plant room cut into the far side")
            << Ints({150, 120, 350, 120, 350, 260, 330, 260, 330, 235, 170, 235, 170, 260, 150, 260,
                     150, 120})
            << 1;
        QTest::newRow("a tank cut into a lateral side")
            << Ints({150, 120, 350, 120, 350, 170, 325, 170, 325, 205, 350, 205, 350, 260, 150, 260,
                     150, 120})
            << 1;
        QTest::newRow("a building in front hides the near side's middle")
            << Ints({150, 120, 210, 120, 210, 150, 290, 150, 290, 120, 350, 120, 350, 260, 150, 260,
                     150, 120})
            << 0;
        QTest::newRow("a taller neighbour hides a corner")
            << Ints({150, 120, 350, 120, 350, 200, 300, 200, 300, 260, 150, 260, 150, 120}) << 0;
    }
    void bridgeSideNotches() {
        QFETCH(std::vector<int>, points);
        QFETCH(int, bridged);
        auto t = std::make_unique<RoofTracer>();
        LoadOutline(*t, points);
        const int before = t->LineDataGrid.Rows();
        QCOMPARE(t->BridgeSideNotches(), bridged);
        if (bridged == 0) {
            QCOMPARE(t->LineDataGrid.Rows(), before);
            return;
        }
        // Bridged, the outline is the rectangle's: every point on its sides.
        for (const FlaggedCellRow& c : t->LineDataGrid) {
            const int off = std::min({std::abs(c.x - 150), std::abs(c.x - 350), std::abs(c.y - 120),
                                      std::abs(c.y - 260)});
            QVERIFY2(off <= 1, qPrintable(QString("(%1, %2)").arg(c.x).arg(c.y)));
        }
    }

    void farthestFromChord_data() {
        QTest::addColumn<std::vector<int>>("points");
        QTest::addColumn<int>("i1");
        QTest::addColumn<int>("i2");
        QTest::addColumn<double>("d");
        QTest::addColumn<int>("k");
        QTest::newRow("apex") << Ints({0, 0, 5, 3, 10, 0}) << 1 << 3 << 3.0 << 2;
        QTest::newRow("sloping chord") << Ints({0, 0, 0, 5, 4, 3}) << 1 << 3 << 4.0 << 2;
        QTest::newRow("ties go to the first")
            << Ints({0, 0, 3, 2, 6, -2, 9, 0}) << 1 << 4 << 2.0 << 2;
        QTest::newRow("larger later wins") << Ints({0, 0, 3, 1, 6, -2, 9, 0}) << 1 << 4 << 2.0 << 3;
        QTest::newRow("all on the chord") << Ints({0, 0, 1, 1, 2, 2, 3, 3}) << 1 << 4 << 0.0 << 0;
        QTest::newRow("ends coincide") << Ints({4, 4, 9, 9, 4, 4}) << 1 << 3 << 0.0 << 0;
        QTest::newRow("empty range") << Ints({0, 0, 5, 5, 9, 0}) << 2 << 2 << 0.0 << 0;
        QTest::newRow("reversed range") << Ints({0, 0, 5, 5, 9, 0}) << 3 << 2 << 0.0 << 0;
        QTest::newRow("end point itself is not examined")
            << Ints({0, 0, 0, 1, 10, 0}) << 1 << 3 << 1.0 << 2;
        QTest::newRow("sub-range") << Ints({0, 9, 0, 0, 5, 4, 10, 0, 3, 9}) << 2 << 4 << 4.0 << 3;
    }
    void farthestFromChord() {
        QFETCH(std::vector<int>, points);
        QFETCH(int, i1);
        QFETCH(int, i2);
        QFETCH(double, d);
        QFETCH(int, k);
        auto t = std::make_unique<RoofTracer>();
        for (std::size_t i = 0; i + 1 < points.size(); i += 2)
            t->LineData2Grid.Append({points[i], points[i + 1]});
        const FarthestPoint f = t->FarthestFromChord(i1, i2);
        QCOMPARE(f.k, k);
        QVERIFY(std::fabs(f.d - d) < 1e-9);
    }

    // Axis-parallel rectangles walked from different starts: no side is
    // split and every corner lies within two pixels of a true corner.
    void rectangle_data() {
        QTest::addColumn<std::vector<int>>("walk");
        QTest::addColumn<std::vector<int>>("corners");
        QTest::addColumn<int>("splits");
        QTest::newRow("from the lower left, up first")
            << Ints({100, 100, 100, 150, 200, 150, 200, 100, 101, 100})
            << Ints({100, 100, 100, 150, 200, 150, 200, 100}) << 0;
        // The lower right corner is no extreme point; the split finds it.
        QTest::newRow("from mid bottom, leftwards")
            << Ints({150, 40, 10, 40, 10, 90, 300, 90, 300, 40, 151, 40})
            << Ints({10, 40, 10, 90, 300, 90, 300, 40}) << 1;
        QTest::newRow("small square") << Ints({20, 20, 20, 30, 30, 30, 30, 20, 21, 20})
                                      << Ints({20, 20, 20, 30, 30, 30, 30, 20}) << 0;
    }
    void rectangle() {
        QFETCH(std::vector<int>, walk);
        QFETCH(std::vector<int>, corners);
        QFETCH(int, splits);
        auto t = std::make_unique<RoofTracer>();
        LoadOutline(*t, walk);
        const int n = t->LineDataGrid.Rows();
        t->FindRoofCorners();
        QCOMPARE(t->PointNumGrid.Rows(), 5 + splits);
        for (const PointNumRow& c : t->PointNumGrid)
            QCOMPARE(c.flag, splits == 0 ? 'A' : c.flag);
        // The last corner is the outline point before the last.
        const FlaggedCellRow& last = t->TopPointGrid[t->TopPointGrid.Rows()];
        QCOMPARE(last.x, t->LineDataGrid[n - 1].x);
        QCOMPARE(last.y, t->LineDataGrid[n - 1].y);
        // Every corner lies on the outline (a start in mid-side is kept as a
        // corner on a straight side).
        const int x0 = corners[0], y0 = corners[1], x1 = corners[4], y1 = corners[5];
        for (const FlaggedCellRow& c : t->TopPointGrid)
            QVERIFY(((c.x == x0 || c.x == x1) && c.y >= y0 && c.y <= y1) ||
                    ((c.y == y0 || c.y == y1) && c.x >= x0 && c.x <= x1));
        for (std::size_t i = 0; i + 1 < corners.size(); i += 2) {
            double nearest = 1e9;
            for (const FlaggedCellRow& c : t->TopPointGrid)
                if (c.flag != 'B')
                    nearest = std::min(nearest, Dist(c, corners[i], corners[i + 1]));
            QVERIFY(nearest <= 2);
        }
    }

    // A triangle whose hypotenuse is a one-pixel staircase: it strays less
    // than 2 from its chord and is not split.
    void staircaseIsNotSplit() {
        auto t = std::make_unique<RoofTracer>();
        LoadOutline(*t, Ints({100, 100, 100, 200}));
        AppendStaircase(*t, 100, 200, 100);
        for (int i = 1; i <= 99; ++i)
            t->LineDataGrid.Append({200 - i, 100, kNoFlag});
        t->FindRoofCorners();
        for (const PointNumRow& c : t->PointNumGrid)
            QCOMPARE(c.flag, 'A');
        for (const FlaggedCellRow& c : t->TopPointGrid)
            QVERIFY(Dist(c, 100, 100) <= 2 || Dist(c, 100, 200) <= 2 || Dist(c, 200, 100) <= 2);
    }

    // The first of the largest x is also the first of the largest y: one
    // corner there, four initial corners in all.
    void duplicateCandidate() {
        auto t = std::make_unique<RoofTracer>();
        LoadOutline(*t, Ints({100, 100, 200, 200, 200, 100, 101, 100}));
        t->FindRoofCorners();
        QCOMPARE(t->PointNumGrid.Rows(), 4);
        QCOMPARE(t->TopPointGrid.Rows(), 4);
        QCOMPARE(t->TopPointGrid[2], (FlaggedCellRow{200, 200, kNoFlag}));
        const std::vector<PicturePoint> outline = t->TracedRoofOutline();
        QCOMPARE(int(outline.size()), 4);
    }

    // A roof only 4 pixels tall: the corners at the short sides are 3 and 4
    // away from the corner kept before them and are flagged; the preview
    // skips them.
    void shortSidesFlagged() {
        auto t = std::make_unique<RoofTracer>();
        LoadOutline(*t, Ints({100, 100, 100, 104, 200, 104, 200, 100, 101, 100}));
        t->FindRoofCorners();
        const FlaggedCellRow expected[] = {{100, 101, kNoFlag},
                                           {100, 104, 'B'},
                                           {200, 104, kNoFlag},
                                           {200, 100, 'B'},
                                           {102, 100, kNoFlag}};
        QCOMPARE(t->TopPointGrid.Rows(), 5);
        for (int j = 1; j <= 5; ++j)
            QCOMPARE(t->TopPointGrid[j], expected[j - 1]);
        t->SetLocalFrame(0, 0); // local = picture + (250, 195)
        const std::vector<PreviewLine> preview = t->CornerPreview();
        QCOMPARE(int(preview.size()), 3);
        QCOMPARE(preview[0].from, (PicturePoint{-150, -94}));
        QCOMPARE(preview[0].to, (PicturePoint{-50, -91}));
        QCOMPARE(preview[1].to, (PicturePoint{-148, -95}));
        QCOMPARE(preview[2].from, (PicturePoint{-148, -95}));
        QCOMPARE(preview[2].to, (PicturePoint{-150, -94}));
    }

    // When no extreme lies at row 1, each corner is its own outline point and
    // the stretch before the first corner is never examined.
    void firstCornerAfterRowOne() {
        auto t = std::make_unique<RoofTracer>();
        // Diamond, started in the middle of its lower left side, walked up.
        LoadOutline(*t, Ints({125, 125, 100, 150, 150, 200, 200, 150, 150, 100, 126, 124}));
        t->FindRoofCorners();
        QVERIFY(t->PointNumGrid[1].index > 1);
        const int m = t->TopPointGrid.Rows();
        for (int j = 1; j < m; ++j) {
            const FlaggedCellRow& p = t->LineDataGrid[t->PointNumGrid[j].index];
            QCOMPARE(t->TopPointGrid[j].x, p.x);
            QCOMPARE(t->TopPointGrid[j].y, p.y);
        }
        for (const auto& [x, y] : {std::pair{100, 150}, {150, 200}, {200, 150}, {150, 100}}) {
            bool near = false;
            for (const FlaggedCellRow& c : t->TopPointGrid)
                near = near || Dist(c, x, y) <= 2;
            QVERIFY(near);
        }
    }

    // A large disc needs both split passes on every side: 5 + 4 + 8 corners.
    void discUsesBothPasses() {
        const int radius = 120;
        GreyRaster picture(800, 700, 90);
        for (int x = -radius; x <= radius; ++x)
            for (int y = -radius; y <= radius; ++y)
                if (x * x + y * y <= radius * radius)
                    FillBox(picture, x, x, y, y, 205);
        auto t = std::make_unique<RoofTracer>();
        t->SetPicture(&picture);
        QVERIFY(t->TraceRoof(0, 0));
        QCOMPARE(t->TopPointGrid.Rows(), 17);
        for (const FlaggedCellRow& c : t->TopPointGrid) {
            const PicturePoint p = t->ToPicture(c.x, c.y);
            QVERIFY(std::fabs(std::hypot(p.x, p.y) - radius) <= 2);
        }
    }

    // A rectangle 100 ... 300 x 100 ... 200 walked from its lower left corner,
    // whose top side has V-shaped dips of depth 10 at the x listed: the first
    // pass splits at the deepest point, the second at most once more on each
    // half, and no further (most teeth of the saw stay unsplit).
    void splitPasses_data() {
        QTest::addColumn<std::vector<int>>("dips");
        QTest::addColumn<int>("candidates");
        QTest::addColumn<std::vector<int>>("found"); // x, y pairs among the corners
        QTest::newRow("straight top") << Ints({}) << 5 << Ints({});
        QTest::newRow("one dip") << Ints({200}) << 8 << Ints({200, 190, 190, 200, 210, 200});
        QTest::newRow("sawtooth") << Ints({110, 130, 150, 170, 190, 210, 230, 250, 270, 290}) << 7
                                  << Ints({110, 190, 120, 200});
    }
    void splitPasses() {
        QFETCH(std::vector<int>, dips);
        QFETCH(int, candidates);
        QFETCH(std::vector<int>, found);
        std::vector<int> walk = {100, 100, 100, 200};
        for (int x : dips) {
            walk.insert(walk.end(), {x - 10, 200, x, 190, x + 10, 200});
        }
        walk.insert(walk.end(), {300, 200, 300, 100, 101, 100});
        auto t = std::make_unique<RoofTracer>();
        LoadOutline(*t, walk);
        t->FindRoofCorners();
        QCOMPARE(t->PointNumGrid.Rows(), candidates);
        for (std::size_t i = 0; i + 1 < found.size(); i += 2) {
            bool there = false;
            for (const FlaggedCellRow& c : t->TopPointGrid)
                there = there || (c.x == found[i] && c.y == found[i + 1]);
            QVERIFY(there);
        }
    }

    void outlineTooShort_data() {
        QTest::addColumn<std::vector<int>>("walk");
        QTest::addColumn<int>("corners");
        QTest::newRow("empty") << Ints({}) << 0;
        QTest::newRow("one point") << Ints({5, 5, 6, 5}) << 0;
        QTest::newRow("two points") << Ints({5, 5, 7, 5}) << 2;
    }
    void outlineTooShort() {
        QFETCH(std::vector<int>, walk);
        QFETCH(int, corners);
        auto t = std::make_unique<RoofTracer>();
        // Leftovers of an earlier trace must not survive.
        t->TopPointGrid.Append({1, 1, kNoFlag});
        t->PointNumGrid.Append({1, 'A'});
        LoadOutline(*t, walk);
        t->FindRoofCorners();
        QCOMPARE(t->TopPointGrid.Rows(), corners);
        QCOMPARE(t->TracedRoofOutline().empty(), corners == 0);
        QCOMPARE(t->CornerPreview().empty(), corners == 0);
    }
};

QTEST_APPLESS_MAIN(CornersTest)
#include "test_corners.moc"
