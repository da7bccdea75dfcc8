// SPDX-License-Identifier: GPL-3.0-or-later
#include <QtTest>

#include <cmath>
#include <limits>

#include "geometry/Compass.h"

using namespace velmora;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

bool Near(double a, double b) {
    return std::fabs(a - b) < 0.05;
}

} // namespace

class CompassTest : public QObject {
    Q_OBJECT
  private slots:
    void place_data() {
        QTest::addColumn<double>("bearing");
        QTest::addColumn<double>("cx");
        QTest::addColumn<double>("cy");
        QTest::newRow("45") << 45.0 << 63.64 << 63.64;
        QTest::newRow("90") << 90.0 << 90.0 << 0.0;
        QTest::newRow("135") << 135.0 << 63.64 << -63.64;
        QTest::newRow("180") << 180.0 << 0.0 << -90.0;
        QTest::newRow("200") << 200.0 << -30.78 << -84.57;
        QTest::newRow("270") << 270.0 << -90.0 << 0.0;
        QTest::newRow("300") << 300.0 << -77.94 << 45.0;
        QTest::newRow("360 is north") << 360.0 << 0.0 << 90.0;
        QTest::newRow("0") << 0.0 << 0.0 << 90.0;
        QTest::newRow("-90 from a file") << -90.0 << -90.0 << 0.0;
        QTest::newRow("450 from a file") << 450.0 << 90.0 << 0.0;
        QTest::newRow("not a number") << kNaN << 0.0 << 90.0;
    }
    void place() {
        QFETCH(double, bearing);
        QFETCH(double, cx);
        QFETCH(double, cy);
        const CompassPoint p = PlaceCompassPoint(bearing);
        QVERIFY2(Near(p.CentreX(), cx) && Near(p.CentreY(), cy),
                 qPrintable(QString("%1, %2").arg(p.CentreX()).arg(p.CentreY())));
        QVERIFY(Near(p.left, cx - 10) && Near(p.top, cy + 10));
    }
    // Every whole bearing lies on the circle in its clockwise direction.
    void placeFollowsTheCircle() {
        for (int b = 0; b <= 360; ++b) {
            const CompassPoint p = PlaceCompassPoint(b);
            const double r = b * 0.0174532925199433;
            QVERIFY2(Near(p.CentreX(), 90 * std::sin(r)) && Near(p.CentreY(), 90 * std::cos(r)),
                     qPrintable(QString::number(b)));
        }
    }

    void typed_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("boxText"); // empty: box left alone
        QTest::addColumn<float>("angle");
        QTest::addColumn<bool>("update");
        QTest::addColumn<double>("cx");
        QTest::addColumn<double>("cy");
        QTest::newRow("45") << "45"
                            << ""
                            << "" << 45.f << true << 63.64 << 63.64;
        QTest::newRow("-5") << "-5"
                            << "設定範囲を下まわっています。"
                            << "0" << 0.f << false << 0.0 << 90.0;
        QTest::newRow("400") << "400"
                             << "設定範囲を超えています。"
                             << "360" << 0.f << false << 0.0 << 90.0;
        QTest::newRow("360") << "360"
                             << ""
                             << "" << 360.f << true << 0.0 << 90.0;
        QTest::newRow("360.5") << "360.5"
                               << "設定範囲を超えています。"
                               << "360" << 0.f << false << 0.0 << 90.0;
        QTest::newRow("not numeric reads 0") << "abc"
                                             << ""
                                             << "" << 0.f << true << 0.0 << 90.0;
        QTest::newRow("leading number") << " 90度"
                                        << ""
                                        << "" << 90.f << true << 90.0 << 0.0;
    }
    void typed() {
        QFETCH(QString, text);
        QFETCH(QString, message);
        QFETCH(QString, boxText);
        QFETCH(float, angle);
        QFETCH(bool, update);
        QFETCH(double, cx);
        QFETCH(double, cy);
        const TypedBearing t = EnterTypedBearing(text.toStdString());
        QCOMPARE(QString::fromUtf8(t.message.data(), qsizetype(t.message.size())), message);
        QCOMPARE(t.replaceText, !boxText.isEmpty());
        QCOMPARE(QString::fromStdString(t.text), boxText);
        QCOMPARE(t.northAngle, angle);
        QCOMPARE(t.updateNorth, update);
        QVERIFY(Near(t.point.CentreX(), cx) && Near(t.point.CentreY(), cy));
    }

    void drop_data() {
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        QTest::addColumn<double>("bearing");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("cx");
        QTest::addColumn<double>("cy");
        QTest::newRow("(60, -60)") << 60.0 << -60.0 << 135.0 << "135" << 63.64 << -63.64;
        QTest::newRow("(-30, 40)") << -30.0 << 40.0 << 323.13 << "323" << -54.0 << 72.0;
        QTest::newRow("(-30, -40)") << -30.0 << -40.0 << 216.87 << "217" << -54.0 << -72.0;
        QTest::newRow("(30, 40)") << 30.0 << 40.0 << 36.87 << "37" << 54.0 << 72.0;
        QTest::newRow("right") << 50.0 << 0.0 << 90.0 << "90" << 90.0 << 0.0;
        QTest::newRow("left") << -50.0 << 0.0 << 270.0 << "270" << -90.0 << 0.0;
        QTest::newRow("straight below") << 0.0 << -50.0 << 180.0 << "180" << 0.0 << -90.0;
        QTest::newRow("straight above") << 0.0 << 20.0 << 0.0 << "0" << 0.0 << 90.0;
        QTest::newRow("centre") << 0.0 << 0.0 << 0.0 << "0" << 0.0 << 0.0;
    }
    void drop() {
        QFETCH(double, x);
        QFETCH(double, y);
        QFETCH(double, bearing);
        QFETCH(QString, text);
        QFETCH(double, cx);
        QFETCH(double, cy);
        const CompassDrop d = DropCompassPoint(CompassPointAt(x, y));
        QVERIFY2(std::fabs(d.bearing - bearing) < 0.01, qPrintable(QString::number(d.bearing)));
        QCOMPARE(QString::fromStdString(d.text), text);
        QVERIFY(Near(d.point.CentreX(), cx) && Near(d.point.CentreY(), cy));
        // The dropped point sits where its bearing places it.
        if (cx != 0 || cy != 0) {
            const CompassPoint placed = PlaceCompassPoint(d.bearing);
            QVERIFY(Near(placed.left, d.point.left) && Near(placed.top, d.point.top));
        }
    }
    void dragFollowsSlowly() {
        const CompassPoint p = DragCompassPoint({-10, 100}, 50, -100);
        QCOMPARE(p.left, -9.0f);
        QCOMPARE(p.top, 102.0f);
    }
};

QTEST_APPLESS_MAIN(CompassTest)
#include "test_compass.moc"
