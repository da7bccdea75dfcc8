// SPDX-License-Identifier: GPL-3.0-or-later
// The built-in scenes are typed-in tables; these tests check them against
// what else is known about the scenes (the project-file excerpt of sample
// data 2, the demo labels, the sample tables) and against the rules every
// outline and wall line obeys, so that a mistyped number shows up.
#include <QtTest>

#include <cmath>

#include "data/BuildingData.h"
#include "data/Conventions.h"
#include "data/Scenes.h"

using namespace velmora;

namespace {

struct RoofRow {
    int start;
    int count;
    double height;
};

bool InsidePolygon(const DemoScene& s, const SceneRoof& r, double x, double y) {
    bool inside = false;
    for (int i = r.start; i < r.start + r.count - 1; ++i) {
        const auto a = s.points[static_cast<std::size_t>(i)];
        const auto b = s.points[static_cast<std::size_t>(i) + 1];
        if ((a.y > y) != (b.y > y)) {
            const double xc = a.x + (y - a.y) * (b.x - a.x) / (b.y - a.y);
            if (x < xc)
                inside = !inside;
        }
    }
    return inside;
}

void SceneRows() {
    QTest::addColumn<int>("demo");
    QTest::newRow("demo 1") << 1;
    QTest::newRow("demo 2") << 2;
}

} // namespace

class ScenesTest : public QObject {
    Q_OBJECT
  private slots:
    void sampleTables_data() {
        QTest::addColumn<int>("set");
        QTest::addColumn<int>("points");
        QTest::addColumn<QList<int>>("starts");
        QTest::addColumn<QList<int>>("counts");
        QTest::addColumn<QList<double>>("heights");
        QTest::addColumn<QList<int>>("owners");
        QTest::newRow("sample data 1") << 1 << 99 << QList<int>{0, 16, 32, 45, 56, 71, 82}
                                       << QList<int>{16, 16, 13, 11, 15, 11, 17}
                                       << QList<double>{15, 16.2, 16.9, 16.6, 17.5, 16.5, 17.8}
                                       << QList<int>{0, 1, 2, 3, 4, 5, 6};
        QTest::newRow("sample data 2")
            << 2 << 37 << QList<int>{0, 7, 12, 18, 25, 30} << QList<int>{7, 5, 6, 7, 5, 7}
            << QList<double>{26.3, 27.2, 23.2, 27.1, 26.9, 26.9}
            << QList<int>{0, 1, 2, 2, 2, 3, 4, 5, 5, 5};
    }
    void sampleTables() {
        QFETCH(int, set);
        QFETCH(int, points);
        QFETCH(QList<int>, starts);
        QFETCH(QList<int>, counts);
        QFETCH(QList<double>, heights);
        QFETCH(QList<int>, owners);
        BuildingData d;
        QVERIFY(LoadSampleDataTables(d, set));
        QCOMPARE(int(d.gTopAreaPointTotalNumber), points);
        QCOMPARE(int(d.gEachTopAreaNumber), int(starts.size()));
        for (int r = 0; r < starts.size(); ++r) {
            QCOMPARE(int(d.gEachTopAreaStartNum[r]), starts[r]);
            QCOMPARE(int(d.gEachTopAreaPointNum[r]), counts[r]);
            QCOMPARE(int(d.gEachClosedTopAreaSTS[r]), 1);
            QCOMPARE(d.gFlatTopHeight[r], float(heights[r]));
        }
        QCOMPARE(int(d.gWallEdgeNumber), int(owners.size()));
        for (int w = 0; w < owners.size(); ++w)
            QCOMPARE(int(d.gWallEdgefotEachTopArea[w]), owners[w]);
    }

    // Sample data 2 as the record example and the project-file excerpt show it.
    void sampleData2KnownLines() {
        BuildingData d;
        QVERIFY(LoadSampleDataTables(d, 2));
        const QList<QPointF> roof0{{110, 4},   {111, -62}, {263, -73}, {258, -43},
                                   {278, -42}, {272, -8},  {110, 4}};
        for (int i = 0; i < roof0.size(); ++i) {
            QCOMPARE(double(d.gTopAreaX[i]), roof0[i].x());
            QCOMPARE(double(d.gTopAreaY[i]), roof0[i].y());
        }
        QCOMPARE(d.gFirstWallEdgeX[0], 111.0f);
        QCOMPARE(d.gFirstWallEdgeY[0], -62.0f);
        QCOMPARE(d.gSecondWallEdgeX[0], 93.0f);
        QCOMPARE(d.gSecondWallEdgeY[0], -146.0f);
    }

    void sampleValues_data() {
        QTest::addColumn<int>("set");
        QTest::addColumn<int>("demo");
        QTest::addColumn<QList<float>>("geometry");
        QTest::addColumn<QList<float>>("parameters");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("sample data 1") << 1 << 2 << QList<float>{657, 788, -13, 1}
                                       << QList<float>{589, 160.1795f, 134, 33.2212f}
                                       << QStringList{"589", "134", "1932", "526"};
        QTest::newRow("sample data 2") << 2 << 1 << QList<float>{657, 788, -13, -3}
                                       << QList<float>{598, 126.9125f, 102, 36.51477f}
                                       << QStringList{"598", "102", "1962", "416"};
    }
    void sampleValues() {
        QFETCH(int, set);
        QFETCH(int, demo);
        QFETCH(QList<float>, geometry);
        QFETCH(QList<float>, parameters);
        QFETCH(QStringList, texts);
        const SampleDataValues& v = SampleDataFor(set);
        QCOMPARE(v.scene, &DemoSceneFor(demo));
        QCOMPARE(v.northAngle, 0.0f);
        QCOMPARE(v.view, (ViewGeometry{geometry[0], geometry[1], geometry[2], geometry[3]}));
        QCOMPARE(v.parameters.sourceHeight, parameters[0]);
        QCOMPARE(v.parameters.flatHeight, parameters[1]);
        QCOMPARE(v.parameters.slideHeight, parameters[2]);
        QCOMPARE(v.parameters.slideAngle, parameters[3]);
        const QStringList got{
            QString::fromUtf8(v.texts.verHeightm), QString::fromUtf8(v.texts.incliHeightm),
            QString::fromUtf8(v.texts.verHeight), QString::fromUtf8(v.texts.incliHeight)};
        QCOMPARE(got, texts);
        // The metre boxes show the two altitudes as plain numbers.
        QCOMPARE(got[0], QString::fromStdString(FormatPlain(v.parameters.sourceHeight)));
        QCOMPARE(got[1], QString::fromStdString(FormatPlain(v.parameters.slideHeight)));
        // The demo showing the same scene uses the same view parameters.
        const DemoScene& s = DemoSceneFor(demo);
        QCOMPARE(s.view.flatHeight, v.parameters.flatHeight);
        QCOMPARE(s.view.slideAngle, v.parameters.slideAngle);
        QCOMPARE(QString::fromUtf8(s.demoTexts.incliHeight), texts[3]);
    }

    void demoValues_data() {
        QTest::addColumn<int>("demo");
        QTest::addColumn<QList<int>>("counts");
        QTest::addColumn<QList<float>>("geometry");
        QTest::addColumn<int>("clicks");
        QTest::newRow("demo 1") << 1 << QList<int>{37, 6, 10} << QList<float>{657, 784, -13, -3}
                                << 0;
        QTest::newRow("demo 2") << 2 << QList<int>{99, 7, 7} << QList<float>{657, 784, -13, 1} << 7;
    }
    void demoValues() {
        QFETCH(int, demo);
        QFETCH(QList<int>, counts);
        QFETCH(QList<float>, geometry);
        QFETCH(int, clicks);
        const DemoScene& s = DemoSceneFor(demo);
        QCOMPARE(int(s.points.size()), counts[0]);
        QCOMPARE(int(s.planPoints.size()), counts[0]);
        QCOMPARE(int(s.roofs.size()), counts[1]);
        QCOMPARE(int(s.walls.size()), counts[2]);
        QCOMPARE(int(s.clickPoints.size()), clicks);
        QCOMPARE(s.demoView, (ViewGeometry{geometry[0], geometry[1], geometry[2], geometry[3]}));
        QCOMPARE(s.flatMapRate, 4.0f);
    }

    // The plan map of each demo labels its roofs with the whole-metre heights.
    void demoHeightLabels_data() {
        QTest::addColumn<int>("demo");
        QTest::addColumn<QStringList>("labels");
        QTest::newRow("demo 1") << 1 << QStringList{"26m", "27m", "23m", "27m", "27m", "27m"};
        QTest::newRow("demo 2") << 2
                                << QStringList{"15m", "16m", "17m", "17m", "18m", "17m", "18m"};
    }
    void demoHeightLabels() {
        QFETCH(int, demo);
        QFETCH(QStringList, labels);
        QStringList got;
        for (const SceneRoof& r : DemoSceneFor(demo).roofs)
            got << QString::fromStdString(FormatWhole(r.height) + "m");
        QCOMPARE(got, labels);
    }

    // Runs back to back from 0; every outline closed by repeating its first
    // point, and no earlier point within the 5 units that close an outline
    // while the roof pen draws it.
    void sceneRunsAndClosure_data() { SceneRows(); }
    void sceneRunsAndClosure() {
        QFETCH(int, demo);
        const DemoScene& s = DemoSceneFor(demo);
        int next = 0;
        for (const SceneRoof& r : s.roofs) {
            QCOMPARE(int(r.start), next);
            QVERIFY(r.count >= 4);
            next += r.count;
            const auto first = s.points[std::size_t(r.start)];
            const auto last = s.points[std::size_t(r.start + r.count - 1)];
            QCOMPARE(last, first);
            const auto planFirst = s.planPoints[std::size_t(r.start)];
            QCOMPARE(s.planPoints[std::size_t(r.start + r.count - 1)], planFirst);
            for (int i = r.start + 1; i < r.start + r.count - 1; ++i) {
                const auto p = s.points[std::size_t(i)];
                QVERIFY2(std::hypot(p.x - first.x, p.y - first.y) >= 5,
                         qPrintable(QString("point %1").arg(i)));
            }
        }
        QCOMPARE(next, int(s.points.size()));
    }

    // A wall line hangs from a corner of its own roof down to the ground.
    void sceneWalls_data() { SceneRows(); }
    void sceneWalls() {
        QFETCH(int, demo);
        const DemoScene& s = DemoSceneFor(demo);
        for (std::size_t w = 0; w < s.walls.size(); ++w) {
            const SceneWall& wall = s.walls[w];
            QVERIFY(wall.owner >= 0 && std::size_t(wall.owner) < s.roofs.size());
            const SceneRoof& r = s.roofs[std::size_t(wall.owner)];
            bool corner = false;
            for (int i = r.start; i < r.start + r.count; ++i)
                corner = corner || s.points[std::size_t(i)] == wall.upper;
            QVERIFY2(corner, qPrintable(QString("wall %1").arg(w)));
            QVERIFY2(wall.lower.y < wall.upper.y, qPrintable(QString("wall %1").arg(w)));
        }
        // Owners never decrease: walls are listed roof by roof.
        for (std::size_t w = 1; w < s.walls.size(); ++w)
            QVERIFY(s.walls[w].owner >= s.walls[w - 1].owner);
    }

    // The stored heights and plan corners were measured on the scene's
    // picture with the pinhole camera of the plan projection; recomputing
    // them from the picture coordinates must give the stored values back to
    // their rounding. A mistyped corner, wall end or height breaks this.
    void sceneMeasurements_data() {
        QTest::addColumn<int>("demo");
        QTest::addColumn<int>("picture");
        QTest::newRow("demo 1") << 1 << 2;
        QTest::newRow("demo 2") << 2 << 1;
    }
    void sceneMeasurements() {
        QFETCH(int, demo);
        QFETCH(int, picture);
        const DemoScene& s = DemoSceneFor(demo);
        QCOMPARE(&s, &SamplePictureScene(picture));
        // The demo view (784) or the main window's sample view (788).
        const double viewWidth = SceneMeasuringWidth(picture);
        QVERIFY(viewWidth == s.demoView.width || viewWidth == SampleDataFor(picture).view.width);
        const double f = s.view.flatHeight;
        const double theta = s.view.slideAngle * 0.0174532925199433;
        const double k = f / (0.85 * viewWidth);
        const double c = f * std::cos(theta);
        const double g = f * std::sin(theta);
        auto rayTan = [&](double v) {
            const double m = v / f;
            return (std::tan(theta) + m) / (1 - m * std::tan(theta));
        };
        for (std::size_t r = 0; r < s.roofs.size(); ++r) {
            double sum = 0;
            int n = 0;
            for (const SceneWall& w : s.walls) {
                if (std::size_t(w.owner) != r)
                    continue;
                const double tu = rayTan(k * w.upper.y);
                sum += c * (tu - rayTan(k * w.lower.y)) / tu;
                ++n;
            }
            QVERIFY(n > 0);
            const double h = s.roofs[r].height;
            QVERIFY2(std::abs(sum / n - h) < 0.1,
                     qPrintable(QString("roof %1 measures %2").arg(r).arg(sum / n)));
            for (int i = s.roofs[r].start; i < s.roofs[r].start + s.roofs[r].count; ++i) {
                const double x = k * s.points[std::size_t(i)].x;
                const double y = k * s.points[std::size_t(i)].y;
                const double d = c * rayTan(y) - g;
                const double planX = x * (f + d * std::sin(theta)) / f * (1 - h / c);
                const double planY = d - h * rayTan(y);
                const auto stored = s.planPoints[std::size_t(i)];
                QVERIFY2(
                    std::abs(planX - stored.x) < 0.15 && std::abs(planY - stored.y) < 0.15,
                    qPrintable(QString("point %1 gives (%2, %3)").arg(i).arg(planX).arg(planY)));
            }
        }
    }

    // Each click point of the one-click demo lies on its own roof only.
    void clickPointsOnTheirRoofs() {
        const DemoScene& s = DemoSceneFor(2);
        QCOMPARE(s.clickPoints.size(), s.roofs.size());
        for (std::size_t c = 0; c < s.clickPoints.size(); ++c) {
            for (std::size_t r = 0; r < s.roofs.size(); ++r) {
                const bool inside =
                    InsidePolygon(s, s.roofs[r], s.clickPoints[c].x, s.clickPoints[c].y);
                QVERIFY2(inside == (r == c), qPrintable(QString("click %1 roof %2").arg(c).arg(r)));
            }
        }
    }

    // Outlines and walls lie inside the picture that shows the scene.
    void scenesFitTheirPictures_data() {
        QTest::addColumn<int>("picture");
        QTest::addColumn<int>("width");
        QTest::newRow("picture 1") << 1 << 780;
        QTest::newRow("picture 2") << 2 << 788;
    }
    void scenesFitTheirPictures() {
        QFETCH(int, picture);
        QFETCH(int, width);
        const PictureSize size = SamplePictureSize(picture);
        QCOMPARE(size.width, width);
        QCOMPARE(size.height, 678);
        const DemoScene& s = SamplePictureScene(picture);
        QCOMPARE(&s, SampleDataFor(picture).scene);
        auto inside = [&](PicturePoint p) {
            return std::abs(p.x) < size.width / 2.0 && std::abs(p.y) < size.height / 2.0;
        };
        for (auto p : s.points)
            QVERIFY(inside(p));
        for (const auto& w : s.walls)
            QVERIFY(inside(w.upper) && inside(w.lower));
    }

    void picturePresets_data() {
        QTest::addColumn<int>("picture");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("picture 1") << 1 << QStringList{"589", "134", "1932", "440"};
        QTest::newRow("picture 2") << 2 << QStringList{"598", "102", "1961", "334"};
    }
    void picturePresets() {
        QFETCH(int, picture);
        QFETCH(QStringList, texts);
        const AltitudeTexts& t = SamplePicturePresets(picture);
        const QStringList got{QString::fromUtf8(t.verHeightm), QString::fromUtf8(t.incliHeightm),
                              QString::fromUtf8(t.verHeight), QString::fromUtf8(t.incliHeight)};
        QCOMPARE(got, texts);
    }

    // The loader writes counts and the used slots only; the rest of the
    // record, view parameters included, keeps what it held.
    void loaderLeavesTheRestAlone() {
        BuildingData d;
        d.gTopAreaX.fill(-7);
        d.gFlatTopAreaX.fill(-7);
        d.gFlatTopAreaY.fill(-7);
        d.gFlatTopHeight.fill(-7);
        d.gEachClosedTopAreaSTS.fill(9);
        d.gFirstWallEdgeX.fill(-7);
        d.gWallEdgefotEachTopArea.fill(9);
        d.gSourceHeight = 1234;
        d.gNorthAngle = 90;
        QVERIFY(LoadSampleDataTables(d, 2));
        QCOMPARE(d.gTopAreaX[37], -7.0f);
        QCOMPARE(d.gFlatTopAreaX[36], 0.0f);
        QCOMPARE(d.gFlatTopAreaY[0], 0.0f);
        QCOMPARE(d.gFlatTopAreaX[37], -7.0f);
        QCOMPARE(d.gFlatTopHeight[6], -7.0f);
        QCOMPARE(int(d.gEachClosedTopAreaSTS[6]), 9);
        QCOMPARE(d.gFirstWallEdgeX[10], -7.0f);
        QCOMPARE(int(d.gWallEdgefotEachTopArea[10]), 9);
        QCOMPARE(d.gSourceHeight, 1234.0f);
        QCOMPARE(d.gNorthAngle, 90.0f);

        // Loading the larger set over it overwrites those slots.
        QVERIFY(LoadSampleDataTables(d, 1));
        QCOMPARE(int(d.gTopAreaPointTotalNumber), 99);
        QCOMPARE(d.gFlatTopAreaX[37], 0.0f);
        QCOMPARE(int(d.gEachClosedTopAreaSTS[6]), 1);
        QCOMPARE(d.gTopAreaX[99], -7.0f);
    }

    void loaderRefusesUnknownSets_data() {
        QTest::addColumn<int>("set");
        QTest::newRow("0") << 0;
        QTest::newRow("3") << 3;
        QTest::newRow("-1") << -1;
    }
    void loaderRefusesUnknownSets() {
        QFETCH(int, set);
        BuildingData d;
        QVERIFY(!LoadSampleDataTables(d, set));
        QCOMPARE(int(d.gTopAreaPointTotalNumber), 0);
        QCOMPARE(int(d.gEachTopAreaNumber), 0);
        QCOMPARE(int(d.gWallEdgeNumber), 0);
        QCOMPARE(d.gTopAreaX[0], 0.0f);
    }
};

QTEST_APPLESS_MAIN(ScenesTest)
#include "test_scenes.moc"
