// SPDX-License-Identifier: GPL-3.0-or-later
#include <QtTest>

#include <cmath>
#include <memory>

#include "data/Scenes.h"
#include "geometry/CameraModel.h"

using namespace velmora;

namespace {

constexpr double kPi = 3.14159265358979323846;

// An independent pinhole camera: tilted by theta from the vertical, its axis
// meeting the ground at the origin at slant range F. World axes: X right, Y
// away from the camera along the ground, Z up. Returns image-plane metres.
struct Camera {
    double theta; // radians
    double f;

    PlanXY Project(double X, double Y, double Z) const {
        const double camY = -f * std::sin(theta);
        const double camZ = f * std::cos(theta);
        const double vx = X, vy = Y - camY, vz = Z - camZ;
        // Optical axis (0, sin, -cos); picture "up" (0, cos, sin).
        const double depth = vy * std::sin(theta) - vz * std::cos(theta);
        const double up = vy * std::cos(theta) + vz * std::sin(theta);
        return {f * vx / depth, f * up / depth};
    }
};

std::unique_ptr<BuildingData> NewRecord() {
    return std::make_unique<BuildingData>();
}

} // namespace

class CameraModelTest : public QObject {
    Q_OBJECT
  private slots:
    void syntheticWall_data() {
        QTest::addColumn<double>("thetaDeg");
        QTest::addColumn<double>("f");
        QTest::addColumn<double>("X");
        QTest::addColumn<double>("Y");
        QTest::addColumn<double>("h");
        QTest::newRow("35 deg, 150 m") << 35.0 << 150.0 << 20.0 << 30.0 << 25.0;
        QTest::newRow("near the camera, left") << 20.0 << 300.0 << -40.0 << -60.0 << 60.0;
        QTest::newRow("steep view, centre line") << 45.0 << 200.0 << 0.0 << 50.0 << 10.0;
        QTest::newRow("sample-like tilt") << 36.51477 << 126.9125 << 15.0 << -5.0 << 26.3;
    }
    // A wall projected through an independent camera is measured back to its
    // height, and both of its ends map back to its plan position.
    void syntheticWall() {
        QFETCH(double, thetaDeg);
        QFETCH(double, f);
        QFETCH(double, X);
        QFETCH(double, Y);
        QFETCH(double, h);
        const Camera cam{thetaDeg * kDegToRad, f};
        const PlanXY top = cam.Project(X, Y, h);
        const PlanXY foot = cam.Project(X, Y, 0);
        const auto height = WallHeight(cam.theta, f, top.y, foot.y);
        QVERIFY(height);
        QVERIFY(std::fabs(*height - h) < 1e-6);
        const auto heightSwapped = WallHeight(cam.theta, f, foot.y, top.y);
        QVERIFY(heightSwapped);
        QCOMPARE(*heightSwapped, *height);
        const auto pTop = PlanPoint(cam.theta, f, top.x, top.y, h);
        const auto pFoot = PlanPoint(cam.theta, f, foot.x, foot.y, 0);
        QVERIFY(pTop && pFoot);
        QVERIFY(std::fabs(pTop->x - X) < 1e-6 && std::fabs(pTop->y - Y) < 1e-6);
        QVERIFY(std::fabs(pFoot->x - X) < 1e-6 && std::fabs(pFoot->y - Y) < 1e-6);
        const auto seen = ImagePoint(cam.theta, f, X, Y, h);
        QVERIFY(seen && std::fabs(seen->x - top.x) < 1e-9 && std::fabs(seen->y - top.y) < 1e-9);
    }

    void impossibleRaysAreSkipped_data() {
        QTest::addColumn<double>("thetaDeg");
        QTest::addColumn<double>("f");
        QTest::addColumn<double>("v");
        QTest::newRow("zero slant range") << 30.0 << 0.0 << 1.0;
        QTest::newRow("ray parallel to the ground") << 45.0 << 100.0 << 100.0;
        QTest::newRow("ray above the horizon") << 60.0 << 100.0 << 80.0;
    }
    void impossibleRaysAreSkipped() {
        QFETCH(double, thetaDeg);
        QFETCH(double, f);
        QFETCH(double, v);
        QVERIFY(!WallHeight(thetaDeg * kDegToRad, f, v, -5.0));
        QVERIFY(!PlanPoint(thetaDeg * kDegToRad, f, 3.0, v, 10.0));
    }

    void referencePoints_data() {
        QTest::addColumn<QString>("verFeet");
        QTest::addColumn<QString>("verMetres");
        QTest::addColumn<QString>("incliFeet");
        QTest::addColumn<QString>("incliMetres");
        QTest::addColumn<QString>("flat");
        QTest::addColumn<QString>("angle");
        QTest::newRow("598 / 102") << "1962"
                                   << "598"
                                   << "335"
                                   << "102"
                                   << "126.9125"
                                   << "36.51477";
        QTest::newRow("589 / 134") << "1932"
                                   << "589"
                                   << "440"
                                   << "134"
                                   << "160.1795"
                                   << "33.2212";
    }
    void referencePoints() {
        QFETCH(QString, verFeet);
        QFETCH(QString, verMetres);
        QFETCH(QString, incliFeet);
        QFETCH(QString, incliMetres);
        QFETCH(QString, flat);
        QFETCH(QString, angle);
        auto d = NewRecord();
        UpdateViewGeometry(*d,
                           {verFeet.toStdString(), verMetres.toStdString(), incliFeet.toStdString(),
                            incliMetres.toStdString()},
                           788);
        QCOMPARE(QString::fromStdString(FormatGeneral(d->gFlatHeight)), flat);
        QCOMPARE(QString::fromStdString(FormatGeneral(d->gSlideAngle)), angle);
        QCOMPARE(d->gSourceHeight, verMetres.toFloat());
        QCOMPARE(d->gSlideHeight, incliMetres.toFloat());
        QVERIFY(std::fabs(d->gPhotoMetrePerUnit - flat.toDouble() / (0.85 * 788)) < 1e-6);
        // The ratio alone gives the same tilt, and the slant range rounded as
        // stored in a file gives it back through the altitudes.
        const double r = incliMetres.toDouble() / verMetres.toDouble();
        QVERIFY(std::fabs(TiltFromRatio(*d, r) - angle.toDouble()) < 1e-4);
        const auto back = TiltFromAltitudes(flat.toDouble(), incliMetres.toDouble());
        QVERIFY(back);
        QVERIFY(std::fabs(*back - angle.toDouble()) < 1e-4);
    }

    void tiltTableShape() {
        auto d = NewRecord();
        QVERIFY(d->gTiltRatioTable[0] >= 1.0f);
        for (std::size_t i = 1; i < 32; ++i)
            QVERIFY2(d->gTiltRatioTable[i] < d->gTiltRatioTable[i - 1],
                     qPrintable(QString("slot %1").arg(i)));
        // Tilt grows as the ratio falls, and stays continuous at breakpoints.
        double previous = -1;
        for (double r = 0.995; r > 0.0; r -= 0.005) {
            const double t = TiltFromRatio(*d, r);
            QVERIFY2(t > previous, qPrintable(QString("ratio %1").arg(r)));
            QVERIFY(t - previous < 2.0 || previous < 0);
            previous = t;
        }
    }

    void tiltFromRatioOutside_data() {
        QTest::addColumn<double>("ratio");
        QTest::newRow("0") << 0.0;
        QTest::newRow("1") << 1.0;
        QTest::newRow("negative") << -0.5;
        QTest::newRow("above 1") << 1.5;
        QTest::newRow("nan") << std::nan("");
    }
    void tiltFromRatioOutside() {
        QFETCH(double, ratio);
        auto d = NewRecord();
        QCOMPARE(TiltFromRatio(*d, ratio), -1.0);
    }

    void tiltFromAltitudes_data() {
        QTest::addColumn<double>("f");
        QTest::addColumn<double>("s");
        QTest::addColumn<bool>("defined");
        QTest::newRow("usual") << 200.0 << 150.0 << true;
        QTest::newRow("vertical") << 150.0 << 150.0 << true;
        QTest::newRow("F below S") << 100.0 << 150.0 << false;
        QTest::newRow("S zero") << 100.0 << 0.0 << false;
        QTest::newRow("both zero") << 0.0 << 0.0 << false;
    }
    void tiltFromAltitudes() {
        QFETCH(double, f);
        QFETCH(double, s);
        QFETCH(bool, defined);
        const auto t = TiltFromAltitudes(f, s);
        QCOMPARE(t.has_value(), defined);
        if (defined)
            QVERIFY(std::fabs(*t - std::acos(s / f) * 180.0 / kPi) < 1e-9);
    }

    void updateViewGeometryPaths_data() {
        QTest::addColumn<QString>("verFeet");
        QTest::addColumn<QString>("verMetres");
        QTest::addColumn<QString>("incliFeet");
        QTest::addColumn<QString>("incliMetres");
        QTest::addColumn<double>("width");
        QTest::addColumn<QString>("expect");
        QTest::newRow("plan altitude in feet only") << "1962"
                                                    << ""
                                                    << "335"
                                                    << "102" << 788.0 << "feetPlan";
        QTest::newRow("inclined altitude in feet only") << "1962"
                                                        << "598"
                                                        << "335"
                                                        << "" << 788.0 << "feetIncli";
        QTest::newRow("picture width 0 keeps the scale") << "1962"
                                                         << "598"
                                                         << "335"
                                                         << "102" << 0.0 << "keepScale";
        QTest::newRow("all boxes empty") << ""
                                         << ""
                                         << ""
                                         << "" << 788.0 << "empty";
    }
    void updateViewGeometryPaths() {
        QFETCH(QString, verFeet);
        QFETCH(QString, verMetres);
        QFETCH(QString, incliFeet);
        QFETCH(QString, incliMetres);
        QFETCH(double, width);
        QFETCH(QString, expect);
        auto d = NewRecord();
        d->gPhotoMetrePerUnit = 0.5f;
        d->gSlideAngle = 12;
        d->gFlatHeight = 77;
        UpdateViewGeometry(*d,
                           {verFeet.toStdString(), verMetres.toStdString(), incliFeet.toStdString(),
                            incliMetres.toStdString()},
                           width);
        if (expect == "feetPlan") {
            const double f = verFeet.toDouble() * kMetresPerFoot;
            QVERIFY(std::fabs(d->gFlatHeight - f) < 1e-3);
            QCOMPARE(d->gSourceHeight, 0.0f);
            QCOMPARE(d->gSlideHeight, 102.0f);
            QVERIFY(std::fabs(d->gSlideAngle - std::acos(102.0 / f) * 180.0 / kPi) < 1e-4);
        } else if (expect == "feetIncli") {
            // No ratio, so no slant range; the tilt step cannot run and the
            // tilt stays at "none".
            QCOMPARE(d->gSlideHeight, static_cast<float>(335 * kMetresPerFoot));
            QCOMPARE(d->gFlatHeight, 0.0f);
            QCOMPARE(d->gSlideAngle, -1.0f);
            QCOMPARE(d->gPhotoMetrePerUnit, 0.0f);
        } else if (expect == "keepScale") {
            QCOMPARE(d->gPhotoMetrePerUnit, 0.5f);
            QCOMPARE(QString::fromStdString(FormatGeneral(d->gFlatHeight)), QString("126.9125"));
        } else {
            QCOMPARE(d->gSourceHeight, 0.0f);
            QCOMPARE(d->gSlideHeight, 0.0f);
            QCOMPARE(d->gFlatHeight, 0.0f);
            QCOMPARE(d->gSlideAngle, -1.0f);
        }
    }

    void meanOfWalls_data() {
        QTest::addColumn<double>("h1");
        QTest::addColumn<double>("h2");
        QTest::newRow("26.0 and 26.6") << 26.0 << 26.6;
        QTest::newRow("10 and 50") << 10.0 << 50.0;
    }
    // Walls of known heights drawn in picture units: the roof gets their
    // mean, and every roof corner its plan position lifted by that height.
    void meanOfWalls() {
        QFETCH(double, h1);
        QFETCH(double, h2);
        const double width = 788;
        auto d = NewRecord();
        d->gFlatHeight = 126.9125f;
        d->gSlideAngle = 36.51477f;
        const Camera cam{d->gSlideAngle * kDegToRad, d->gFlatHeight};
        const double k = cam.f / (0.85 * width);
        const double mean = (h1 + h2) / 2;
        // A square roof at the mean height, corners 20 m apart.
        const double corners[5][2] = {{-10, 40}, {10, 40}, {10, 60}, {-10, 60}, {-10, 40}};
        std::vector<PicturePoint> outline;
        for (const auto& c : corners) {
            const PlanXY p = cam.Project(c[0], c[1], mean);
            outline.push_back({static_cast<float>(p.x / k), static_cast<float>(p.y / k)});
        }
        // A roof without walls, before it, keeps its height.
        QCOMPARE(AppendTopArea(*d, {{0, 0}, {5, 0}, {0, 0}}), AppendResult::Ok);
        d->gFlatTopHeight[0] = 42;
        QCOMPARE(AppendTopArea(*d, outline), AppendResult::Ok);
        const double wallAt[2][3] = {{30, 10, h1}, {-30, 20, h2}};
        for (const auto& w : wallAt) {
            const PlanXY top = cam.Project(w[0], w[1], w[2]);
            const PlanXY foot = cam.Project(w[0], w[1], 0);
            QCOMPARE(
                AppendWallEdge(*d, {static_cast<float>(top.x / k), static_cast<float>(top.y / k)},
                               {static_cast<float>(foot.x / k), static_cast<float>(foot.y / k)}, 1),
                AppendResult::Ok);
        }
        ComputeRoofHeights(*d, width);
        QCOMPARE(d->gFlatTopHeight[0], 42.0f);
        QVERIFY2(std::fabs(d->gFlatTopHeight[1] - mean) < 0.01,
                 qPrintable(QString::number(d->gFlatTopHeight[1])));
        QVERIFY(std::fabs(d->gPhotoMetrePerUnit - k) < 1e-7);
        ComputeRoofPlanPoints(*d, width);
        for (std::size_t i = 0; i < 5; ++i) {
            const std::size_t slot = 3 + i;
            QVERIFY2(std::fabs(d->gFlatTopAreaX[slot] - corners[i][0]) < 0.02 &&
                         std::fabs(d->gFlatTopAreaY[slot] - corners[i][1]) < 0.02,
                     qPrintable(QString("corner %1: %2, %3")
                                    .arg(i)
                                    .arg(d->gFlatTopAreaX[slot])
                                    .arg(d->gFlatTopAreaY[slot])));
        }
    }

    void sampleHeights_data() {
        QTest::addColumn<int>("set");
        QTest::addColumn<double>("width");
        QTest::newRow("sample data 2, width 788") << 2 << 788.0;
    }
    // The stored heights of a built-in sample are what its wall lines
    // measure, both from its stored view values and from its altitude boxes.
    void sampleHeights() {
        QFETCH(int, set);
        QFETCH(double, width);
        const SampleDataValues& sample = SampleDataFor(set);
        for (const bool fromBoxes : {false, true}) {
            auto d = NewRecord();
            QVERIFY(LoadSampleDataTables(*d, set));
            if (fromBoxes) {
                UpdateViewGeometry(
                    *d,
                    {std::string(sample.texts.verHeight), std::string(sample.texts.verHeightm),
                     std::string(sample.texts.incliHeight), std::string(sample.texts.incliHeightm)},
                    width);
            } else {
                d->gFlatHeight = sample.parameters.flatHeight;
                d->gSlideAngle = sample.parameters.slideAngle;
            }
            std::vector<float> stored;
            for (int r = 0; r < d->gEachTopAreaNumber; ++r) {
                stored.push_back(d->gFlatTopHeight[static_cast<std::size_t>(r)]);
                d->gFlatTopHeight[static_cast<std::size_t>(r)] = -1;
            }
            QVERIFY(!stored.empty());
            ComputeRoofHeights(*d, width);
            for (std::size_t r = 0; r < stored.size(); ++r)
                QVERIFY2(std::fabs(d->gFlatTopHeight[r] - stored[r]) <= 0.1,
                         qPrintable(QString("roof %1: %2 against %3 (%4)")
                                        .arg(r)
                                        .arg(d->gFlatTopHeight[r])
                                        .arg(stored[r])
                                        .arg(fromBoxes ? "boxes" : "stored view")));
        }
    }

    void nothingChangesWithoutRoofs() {
        auto d = NewRecord();
        d->gFlatHeight = 126.9125f;
        d->gSlideAngle = 36.51477f;
        d->gPhotoMetrePerUnit = 3;
        d->gTopAreaPointTotalNumber = 3;
        d->gTopAreaY[1] = 40;
        d->gFlatTopAreaX[1] = 7;
        d->gFlatTopHeight[0] = 9;
        QCOMPARE(AppendWallEdge(*d, {0, 10}, {0, -10}, 0), AppendResult::Ok);
        ComputeRoofHeights(*d, 788);
        ComputeRoofPlanPoints(*d, 788);
        QCOMPARE(d->gPhotoMetrePerUnit, 3.0f);
        QCOMPARE(d->gFlatTopHeight[0], 9.0f);
        QCOMPARE(d->gFlatTopAreaX[1], 7.0f);
    }

    // With no slant range nothing can be measured: heights and plan points
    // keep their values and nothing becomes NaN.
    void unmeasurableKeepsValues() {
        auto d = NewRecord();
        QCOMPARE(AppendTopArea(*d, {{0, 0}, {10, 10}, {0, 0}}), AppendResult::Ok);
        QCOMPARE(AppendWallEdge(*d, {0, 0}, {0, -30}, 0), AppendResult::Ok);
        d->gFlatTopHeight[0] = 11;
        d->gFlatTopAreaX[1] = 5;
        d->gFlatTopAreaY[1] = 6;
        ComputeRoofHeights(*d, 788);
        ComputeRoofPlanPoints(*d, 788);
        QCOMPARE(d->gFlatTopHeight[0], 11.0f);
        QCOMPARE(d->gFlatTopAreaX[1], 5.0f);
        QCOMPARE(d->gFlatTopAreaY[1], 6.0f);
    }

    void wallHeightSymmetric_data() {
        QTest::addColumn<double>("a");
        QTest::addColumn<double>("b");
        QTest::newRow("top above foot") << 12.5 << -20.0;
        QTest::newRow("both above centre") << 30.0 << 4.0;
        QTest::newRow("both below centre") << -4.0 << -33.0;
        QTest::newRow("equal ends") << 5.0 << 5.0;
    }
    void wallHeightSymmetric() {
        QFETCH(double, a);
        QFETCH(double, b);
        const double theta = 36.51477 * kDegToRad;
        const auto ab = WallHeight(theta, 126.9125, a, b);
        const auto ba = WallHeight(theta, 126.9125, b, a);
        QVERIFY(ab && ba);
        QCOMPARE(*ab, *ba);
        QVERIFY(*ab >= 0);
        QCOMPARE(*ab == 0.0, a == b);
    }

    void rotateAboutPoint_data() {
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        QTest::addColumn<double>("deg");
        QTest::addColumn<double>("cx");
        QTest::addColumn<double>("cy");
        QTest::addColumn<double>("ex");
        QTest::addColumn<double>("ey");
        QTest::newRow("quarter turn") << 1.0 << 0.0 << 90.0 << 0.0 << 0.0 << 0.0 << 1.0;
        QTest::newRow("half turn shifted") << 2.0 << 3.0 << 180.0 << 10.0 << -1.0 << 8.0 << -4.0;
        QTest::newRow("no turn shifts") << 2.0 << 3.0 << 0.0 << 1.0 << 1.0 << 3.0 << 4.0;
        QTest::newRow("eighth turn") << 1.0 << 1.0 << 45.0 << 0.0 << 0.0 << 0.0 << std::sqrt(2.0);
    }
    void rotateAboutPoint() {
        QFETCH(double, x);
        QFETCH(double, y);
        QFETCH(double, deg);
        QFETCH(double, cx);
        QFETCH(double, cy);
        QFETCH(double, ex);
        QFETCH(double, ey);
        RotateAboutPoint(x, y, cx, cy, std::sin(deg * kDegToRad), std::cos(deg * kDegToRad));
        QVERIFY(std::fabs(x - ex) < 1e-9);
        QVERIFY(std::fabs(y - ey) < 1e-9);
    }
};

QTEST_APPLESS_MAIN(CameraModelTest)
#include "test_cameramodel.moc"
