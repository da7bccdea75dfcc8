// SPDX-License-Identifier: GPL-3.0-or-later
// The tracer's cleaned input: the median, the row levels, the edge snap, the
// flat-area rule, and a noisy, antialiased block that traces as the clean one.
#include <QtTest>

#include <algorithm>
#include <memory>
#include <random>

#include "support/Pictures.h"
#include "tracing/TraceSource.h"

using namespace velmora;
using namespace tracetest;

namespace {

GreyRaster Random(int width, int height, unsigned seed, int lo = 0, int hi = 255) {
    GreyRaster p(width, height);
    std::mt19937 g(seed);
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c)
            p.Set(c, r, std::uniform_int_distribution<int>(lo, hi)(g));
    return p;
}

GreyRaster Rows(std::initializer_list<std::vector<int>> rows) {
    GreyRaster p(int(rows.begin()->size()), int(rows.size()));
    int r = 0;
    for (const std::vector<int>& row : rows) {
        for (int c = 0; c < p.Width(); ++c)
            p.Set(c, r, row[std::size_t(c)]);
        ++r;
    }
    return p;
}

std::vector<int> Row(const GreyRaster& p, int r) {
    std::vector<int> out;
    for (int c = 0; c < p.Width(); ++c)
        out.push_back(p.At(c, r));
    return out;
}

// Noise of +-amplitude on every pixel and each edge softened by averaging
// over 2 x 2 pixels, as a scaled-down rendering would.
GreyRaster Roughen(const GreyRaster& clean, int amplitude, bool antialias) {
    GreyRaster out(clean.Width(), clean.Height());
    std::mt19937 g(3);
    for (int r = 0; r < clean.Height(); ++r)
        for (int c = 0; c < clean.Width(); ++c) {
            int v = clean.At(c, r);
            if (antialias && c + 1 < clean.Width() && r + 1 < clean.Height())
                v = (v + clean.At(c + 1, r) + clean.At(c, r + 1) + clean.At(c + 1, r + 1) + 2) / 4;
            out.Set(c, r, v + std::uniform_int_distribution<int>(-amplitude, amplitude)(g));
        }
    return out;
}

} // namespace

class TraceSourceTest : public QObject {
    Q_OBJECT
  private slots:
    void medianOfEachWindow_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("one pixel") << 1 << 1;
        QTest::newRow("narrower than the window") << 3 << 7;
        QTest::newRow("one row") << 40 << 1;
        QTest::newRow("not a whole number of lanes") << 70 << 9;
    }
    // Against sorting each window, with the edge pixels repeated outwards.
    void medianOfEachWindow() {
        QFETCH(int, width);
        QFETCH(int, height);
        const GreyRaster p = Random(width, height, unsigned(width * 31 + height));
        const GreyRaster m = Median5x5(p);
        for (int r = 0; r < height; ++r)
            for (int c = 0; c < width; ++c) {
                std::vector<int> w;
                for (int dy = -2; dy <= 2; ++dy)
                    for (int dx = -2; dx <= 2; ++dx)
                        w.push_back(p.At(std::clamp(c + dx, 0, width - 1),
                                         std::clamp(r + dy, 0, height - 1)));
                std::nth_element(w.begin(), w.begin() + 12, w.end());
                QCOMPARE(m.At(c, r), w[12]);
            }
    }

    void levelRows_data() {
        QTest::addColumn<std::vector<int>>("in");
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("hold");
        QTest::addColumn<std::vector<int>>("out");
        QTest::newRow("texture becomes one level") << Ints({161, 166, 163, 159, 165, 162}) << 4 << 6
                                                   << Ints({164, 164, 164, 164, 164, 164});
        QTest::newRow("an edge starts a new level at once")
            << Ints({160, 162, 161, 208, 206, 209}) << 4 << 6
            << Ints({160, 160, 160, 208, 208, 208});
        QTest::newRow("a slow slope steps when it leaves the hold")
            << Ints({100, 102, 104, 106, 108, 110, 112}) << 1 << 4
            << Ints({103, 103, 103, 103, 110, 110, 110});
        QTest::newRow("levels stay within 0 ... 255")
            << Ints({254, 255, 255}) << 8 << 6 << Ints({255, 255, 255});
    }
    void levelRows() {
        QFETCH(std::vector<int>, in);
        QFETCH(int, step);
        QFETCH(int, hold);
        QFETCH(std::vector<int>, out);
        GreyRaster p(int(in.size()), 1);
        for (int c = 0; c < p.Width(); ++c)
            p.Set(c, 0, in[std::size_t(c)]);
        LevelRows(p, step, hold);
        QCOMPARE(Row(p, 0), out);
    }

    void snapEdges_data() {
        QTest::addColumn<std::vector<int>>("row");
        QTest::addColumn<std::vector<int>>("snapped");
        QTest::newRow("antialiased step")
            << Ints({60, 60, 100, 170, 200, 200}) << Ints({60, 60, 60, 200, 200, 200});
        QTest::newRow("faint texture stays")
            << Ints({160, 170, 165, 175, 160, 168}) << Ints({160, 170, 165, 175, 160, 168});
    }
    // Three equal rows, so only the horizontal neighbours differ.
    void snapEdges() {
        QFETCH(std::vector<int>, row);
        QFETCH(std::vector<int>, snapped);
        GreyRaster p = Rows({row, row, row});
        SnapEdges(p, TraceSourceSettings{}.edgeContrast);
        QCOMPARE(Row(p, 1), snapped);
    }

    void flatAreasKeepTheirPixels() {
        // A drawn picture: uniform fills with a one-pixel line the median would remove.
        GreyRaster drawn(30, 12, 90);
        FillBox(drawn, -15, 0, 0, 5, 200);
        for (int c = 0; c < 30; ++c)
            drawn.Set(c, 3, 140);
        const GreyRaster noisy = Random(30, 12, 5, 150, 170);
        GreyRaster fromDrawn(30, 12, 7);
        GreyRaster fromNoisy(30, 12, 7);
        KeepFlatAreas(drawn, fromDrawn);
        KeepFlatAreas(noisy, fromNoisy);
        for (int r = 0; r < 12; ++r) {
            QCOMPARE(Row(fromDrawn, r), Row(drawn, r));
            QCOMPARE(Row(fromNoisy, r), std::vector<int>(30, 7));
        }
    }

    void roughBlockTracesAsTheCleanOne_data() {
        QTest::addColumn<int>("noise");
        QTest::addColumn<bool>("antialias");
        QTest::newRow("clean") << 0 << false;
        QTest::newRow("noise +-5") << 5 << false;
        QTest::newRow("antialiased") << 0 << true;
        QTest::newRow("noise +-7, antialiased") << 7 << true;
    }
    void roughBlockTracesAsTheCleanOne() {
        QFETCH(int, noise);
        QFETCH(bool, antialias);
        GreyRaster clean = TexturedGround(640, 480);
        DrawBlock(clean, {-60, 60, 0, 50, 40}, 205, 160);
        FillBox(clean, -249, -209, -200, -180, 205);
        const GreyRaster cleaned = TracingGreyOf(Roughen(clean, noise, antialias));

        auto reference = std::make_unique<RoofTracer>();
        reference->SetPicture(&clean);
        auto t = std::make_unique<RoofTracer>();
        t->SetPicture(&cleaned);
        QVERIFY(reference->TraceRoof(0, 25) && t->TraceRoof(0, 25));
        // Every corner on the roof's true edges (x -60 ... 60, y 0 ... 50).
        for (const PicturePoint& p : t->TracedRoofOutline()) {
            const double dx = std::max({-60 - p.x, p.x - 60, 0.0f});
            const double dy = std::max({0 - p.y, p.y - 50, 0.0f});
            const double inside = std::min({p.x + 60, 60 - p.x, p.y, 50 - p.y});
            const double off = dx > 0 || dy > 0 ? std::hypot(dx, dy) : inside;
            QVERIFY2(off <= 2, qPrintable(QString("corner (%1,%2)").arg(p.x).arg(p.y)));
        }
        reference->FindWall();
        t->FindWall();
        const std::optional<WallLine> want = reference->LongestWall();
        const std::optional<WallLine> got = t->LongestWall();
        QVERIFY(want && got);
        QVERIFY2(std::fabs((got->top.y - got->bottom.y) - (want->top.y - want->bottom.y)) <= 2,
                 qPrintable(QString("wall %1 px, clean %2 px")
                                .arg(got->top.y - got->bottom.y)
                                .arg(want->top.y - want->bottom.y)));
    }
};

QTEST_GUILESS_MAIN(TraceSourceTest)
#include "test_tracesource.moc"
