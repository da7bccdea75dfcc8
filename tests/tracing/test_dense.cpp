// SPDX-License-Identifier: GPL-3.0-or-later
// One click on crowded synthetic blocks drawn through the camera of sample
// preset 1: roofs wall to wall with neighbours of nearly their grey, faces
// as light as the roofs, structures standing on the roof; and the heights
// the grey below a face's foot rules out.
#include <QtTest>

#include <cmath>
#include <memory>
#include <random>

#include "geometry/CameraModel.h"
#include "support/PresetScene.h"
#include "tracing/HeightSearch.h"
#include "tracing/RoofTracer.h"

using namespace velmora;
using namespace tracetest;

namespace {

Plan Ground(const TraceCamera& c, PicturePoint p) {
    const auto g =
        PlanPoint(c.thetaRad, c.slantRange, p.x * c.metresPerUnit, p.y * c.metresPerUnit, 0);
    return {g->x, g->y};
}

GreyRaster Asphalt() {
    GreyRaster p(kWidth, kHeight);
    std::mt19937 random(11);
    for (int row = 0; row < kHeight; ++row)
        for (int col = 0; col < kWidth; ++col)
            p.Set(col, row, std::uniform_int_distribution<int>(90, 110)(random));
    return p;
}

// A box x0 ... x1 by y0 ... y1 metres of the plan, h0 ... h1 metres high.
struct Box {
    double x0 = 0, x1 = 0, y0 = 0, y1 = 0;
    double h0 = 0, h1 = 0;
    int roofGrey = 200;
    int parapetGrey = 0; // 0: no parapet band
    int faceGrey = 150;
    int windowGrey = 0; // 0: a plain face
};

std::vector<Plan> Corners(const Box& b) {
    return {{b.x0, b.y0}, {b.x1, b.y0}, {b.x1, b.y1}, {b.x0, b.y1}};
}

std::vector<PicturePoint> Top(const TraceCamera& c, const Box& b) {
    std::vector<PicturePoint> out;
    for (const Plan& q : Corners(b))
        out.push_back(Seen(c, q, b.h1));
    return out;
}

// Draws the box's seen faces (with window rows and columns) and its roof.
void Draw(GreyRaster& p, const TraceCamera& c, const Box& b) {
    const std::vector<Plan> plan = Corners(b);
    const Plan foot{0, -c.slantRange * std::sin(c.thetaRad)};
    for (std::size_t i = 0; i < plan.size(); ++i) {
        const Plan s = plan[i], e = plan[(i + 1) % plan.size()];
        const double nx = e.y - s.y, ny = s.x - e.x;
        if (nx * (foot.x - (s.x + e.x) / 2) + ny * (foot.y - (s.y + e.y) / 2) <= 0)
            continue;
        FillPolygon(p, {Seen(c, s, b.h1), Seen(c, e, b.h1), Seen(c, e, b.h0), Seen(c, s, b.h0)},
                    b.faceGrey);
        if (b.windowGrey == 0)
            continue;
        const double len = std::hypot(e.x - s.x, e.y - s.y);
        auto at = [&](double t) {
            return Plan{s.x + (e.x - s.x) * t / len, s.y + (e.y - s.y) * t / len};
        };
        for (double z = b.h0 + 1.0; z + 1.5 < b.h1 - 0.6; z += 3.4)
            for (double t = 0.8; t + 1.6 < len - 0.8; t += 3.0)
                FillPolygon(p,
                            {Seen(c, at(t), z + 1.5), Seen(c, at(t + 1.6), z + 1.5),
                             Seen(c, at(t + 1.6), z), Seen(c, at(t), z)},
                            b.windowGrey);
    }
    const std::vector<PicturePoint> roof = Top(c, b);
    if (b.parapetGrey > 0) {
        FillPolygon(p, roof, b.parapetGrey);
        Box inner = b;
        inner.x0 += 0.8;
        inner.x1 -= 0.8;
        inner.y0 += 0.8;
        inner.y1 -= 0.8;
        FillPolygon(p, Top(c, inner), b.roofGrey);
    } else {
        FillPolygon(p, roof, b.roofGrey);
    }
}

// Every traced corner's distance to the true outline, the worst of them.
// How a crowded scene is laid out: the clicked block in the middle of a
// row, its neighbours' heights and greys, what stands on its roof.
struct Row {
    double height = 25;
    double leftHeight = 0;  // 0: no left neighbour
    double rightHeight = 0; // 0: no right neighbour
    int roofGrey = 200;
    int neighbourStep = 10; // the neighbours' roofs this much lighter
    int faceGrey = 140;
    bool stairHouse = false;
};

} // namespace

Q_DECLARE_METATYPE(Row)

class DenseBlockTest : public QObject {
    Q_OBJECT
    TraceCamera camera_ = PresetCamera();

    // The clicked block's box: 30 x 22 m on the ground below picture (0, -40).
    Box Clicked(const Row& r) const {
        const Plan centre = Ground(camera_, {0, -40});
        Box b{centre.x - 15, centre.x + 15, centre.y - 11, centre.y + 11, 0, r.height};
        b.roofGrey = r.roofGrey;
        b.parapetGrey = r.roofGrey - 25;
        b.faceGrey = r.faceGrey;
        b.windowGrey = r.faceGrey - 35;
        return b;
    }

  private slots:
    // The roof's outline is its own whatever stands beside or on it: a
    // taller neighbour, a lower one, a face as light as the roof, a stair
    // house. A height, if one is given, is the true one.
    void roofAmongNeighbours_data() {
        QTest::addColumn<Row>("row");
        auto row = [](double left, double right, int face, bool stair) {
            Row r;
            r.leftHeight = left;
            r.rightHeight = right;
            r.faceGrey = face;
            r.stairHouse = stair;
            return r;
        };
        QTest::newRow("alone") << row(0, 0, 140, false);
        QTest::newRow("wall to wall, a taller and a lower neighbour") << row(45, 12, 140, false);
        QTest::newRow("wall to wall, a lower and a taller neighbour") << row(15, 40, 140, false);
        QTest::newRow("a sunlit face as light as the roof") << row(0, 0, 200, false);
        QTest::newRow("a sunlit face, wall to wall") << row(40, 14, 200, false);
        QTest::newRow("a stair house on the roof") << row(0, 0, 140, true);
        QTest::newRow("a stair house, wall to wall") << row(38, 10, 140, true);
    }
    void roofAmongNeighbours() {
        QFETCH(Row, row);
        GreyRaster picture = Asphalt();
        const Box b = Clicked(row);
        auto neighbour = [&](double x0, double x1, double h) {
            Box n = b;
            n.x0 = x0;
            n.x1 = x1;
            n.h1 = h;
            n.roofGrey = b.roofGrey + row.neighbourStep;
            n.parapetGrey = n.roofGrey - 25;
            return n;
        };
        // Farther from the camera's foot first, so nearer ones cover them.
        std::vector<Box> boxes;
        if (row.leftHeight > 0)
            boxes.push_back(neighbour(b.x0 - 24, b.x0, row.leftHeight));
        if (row.rightHeight > 0)
            boxes.push_back(neighbour(b.x1, b.x1 + 24, row.rightHeight));
        std::sort(boxes.begin(), boxes.end(), [](const Box& p, const Box& q) {
            return std::fabs(p.x0 + p.x1) > std::fabs(q.x0 + q.x1);
        });
        for (const Box& n : boxes)
            if (std::fabs(n.x0 + n.x1) > std::fabs(b.x0 + b.x1))
                Draw(picture, camera_, n);
        Draw(picture, camera_, b);
        for (const Box& n : boxes)
            if (std::fabs(n.x0 + n.x1) <= std::fabs(b.x0 + b.x1))
                Draw(picture, camera_, n);
        std::vector<PicturePoint> roof = Top(camera_, b);
        const PicturePoint click = Middle(roof);
        if (row.stairHouse) {
            Box s{b.x0 + 4, b.x0 + 9, b.y1 - 9, b.y1 - 4, b.h1, b.h1 + 3.5};
            s.roofGrey = b.roofGrey + 20;
            s.faceGrey = b.roofGrey - 70;
            Draw(picture, camera_, s);
        }
        // The lower neighbour's roof line is no edge of this roof, but a
        // taller neighbour nearer the camera's foot hides a strip of it:
        // the outline is what the picture shows.
        const TraceInput input = PrepareTraceInput(picture);
        auto tracer = std::make_unique<RoofTracer>();
        tracer->SetInput(&input);
        const TraceResult r = tracer->Trace(click.x, click.y, &camera_);
        QCOMPARE(r.refusal, TraceRefusal::None);
        const bool hidden = std::any_of(boxes.begin(), boxes.end(), [&](const Box& n) {
            return n.h1 > b.h1 && std::fabs(n.x0 + n.x1) < std::fabs(b.x0 + b.x1);
        });
        if (!hidden) {
            const double worst = WorstCorner(r.outline, roof);
            QVERIFY2(worst <= 3, qPrintable(QString("worst corner %1 px").arg(worst)));
        }
        // Never a neighbour's roof with this one: every corner lies within
        // this roof's picture box, a few pixels out at most.
        float x0 = 1e9f, x1 = -1e9f;
        for (const PicturePoint& q : roof) {
            x0 = std::min(x0, q.x);
            x1 = std::max(x1, q.x);
        }
        for (const PicturePoint& q : r.outline)
            QVERIFY2(q.x >= x0 - 4 && q.x <= x1 + 4, qPrintable(QString::number(q.x)));
        if (r.wall) {
            const std::optional<double> h = LineHeight(*r.wall, camera_);
            QVERIFY(h.has_value());
            QVERIFY2(std::fabs(*h - b.h1) <= 1.5, qPrintable(QString::number(*h)));
        }
    }

    // What lies below a face's foot: open ground, the face going on with
    // its windows, another roof, a lower building in front hiding the foot.
    void groundBelowTheFoot_data() {
        QTest::addColumn<int>("below");
        QTest::addColumn<int>("verdict");
        // below: 0 asphalt, 1 the face goes on, 2 a light roof in front.
        QTest::newRow("asphalt") << 0 << int(HeightVerdict::Found);
        QTest::newRow("the face goes on") << 1 << int(HeightVerdict::FaceGoesOn);
        QTest::newRow("a lower building in front") << 2 << int(HeightVerdict::FootHidden);
    }
    void groundBelowTheFoot() {
        QFETCH(int, below);
        QFETCH(int, verdict);
        GreyRaster picture = Asphalt();
        Row row;
        row.height = 30;
        Box b = Clicked(row);
        // The height tried: 10 m less than the building's.
        const double tried = 20;
        if (below == 1) {
            Draw(picture, camera_, b);
        } else {
            Box upper = b;
            upper.h0 = b.h1 - tried;
            // Its face ends where the tried height puts its foot.
            Draw(picture, camera_, upper);
            if (below == 2) {
                Box front{b.x0 - 5, b.x1 + 5, b.y0 - 30, b.y0 - 0.5, 0, 0};
                // The front block's roof line meets the face at the tried
                // foot (a pixel or two above it).
                const PicturePoint foot = Seen(camera_, {b.x0, b.y0}, b.h1 - tried);
                double h = 1;
                while (h < 40 && Seen(camera_, {b.x0, b.y0 - 0.5}, h).y < foot.y + 3)
                    h += 0.05;
                front.h1 = h;
                front.roofGrey = 205;
                Draw(picture, camera_, front);
            }
        }
        const std::vector<PicturePoint> roof = Top(camera_, b);
        heights::RoofModel model(roof, camera_);
        QVERIFY(model.Valid());
        QCOMPARE(int(heights::CheckFeet(model, picture, tried, true)), verdict);
    }

    // What ends a crowded face at a tried foot: a dark, cluttered street
    // gives the height; the face going on, or a light roof in front, none.
    void faceEnds_data() {
        QTest::addColumn<int>("below");
        QTest::addColumn<int>("verdict");
        // below: 0 a street, 1 the face goes on, 2 a light roof in front.
        QTest::newRow("a street") << 0 << int(HeightVerdict::Found);
        QTest::newRow("the face goes on") << 1 << int(HeightVerdict::FaceGoesOn);
        QTest::newRow("a lower building in front") << 2 << int(HeightVerdict::FootHidden);
    }
    void faceEnds() {
        QFETCH(int, below);
        QFETCH(int, verdict);
        // A street: dark asphalt with light marks and cars on it.
        GreyRaster picture(kWidth, kHeight);
        std::mt19937 random(5);
        for (int row = 0; row < kHeight; ++row)
            for (int col = 0; col < kWidth; ++col)
                picture.Set(col, row,
                            (col / 7 + row / 5) % 3 == 0
                                ? std::uniform_int_distribution<int>(120, 140)(random)
                                : std::uniform_int_distribution<int>(40, 60)(random));
        Row row;
        row.height = 30;
        Box b = Clicked(row);
        const double tried = 20;
        if (below == 1) {
            Draw(picture, camera_, b);
        } else {
            Box upper = b;
            upper.h0 = b.h1 - tried;
            Draw(picture, camera_, upper);
            if (below == 2) {
                Box front{b.x0 - 5, b.x1 + 5, b.y0 - 30, b.y0 - 0.5, 0, 0};
                const PicturePoint foot = Seen(camera_, {b.x0, b.y0}, b.h1 - tried);
                double h = 1;
                while (h < 40 && Seen(camera_, {b.x0, b.y0 - 0.5}, h).y < foot.y + 3)
                    h += 0.05;
                front.h1 = h;
                front.roofGrey = 205;
                Draw(picture, camera_, front);
            }
        }
        heights::RoofModel model(Top(camera_, b), camera_);
        QVERIFY(model.Valid());
        QVERIFY(heights::FaceDepth(model, tried) > 20);
        QCOMPARE(int(heights::FaceEndsAt(model, picture, tried)), verdict);
    }

    // Two heights fit: the foot of the lower one and, further down, the
    // foot of the higher one. What lies between them decides.
    void betweenTwoFeet_data() {
        QTest::addColumn<bool>("faceBetween");
        QTest::addColumn<double>("expected");
        QTest::newRow("ground between: the lower height") << false << 18.0;
        QTest::newRow("the face between: the higher height") << true << 30.0;
    }
    void betweenTwoFeet() {
        QFETCH(bool, faceBetween);
        QFETCH(double, expected);
        GreyRaster picture = Asphalt();
        Row row;
        row.height = 30;
        Box b = Clicked(row);
        if (!faceBetween)
            b.h0 = 12; // the building's foot at 18 m below its roof
        Draw(picture, camera_, b);
        heights::RoofModel model(Top(camera_, b), camera_);
        QCOMPARE(heights::SettleBetweenFeet(model, picture, 18, 30), expected);
    }
};

QTEST_GUILESS_MAIN(DenseBlockTest)
#include "test_dense.moc"
