// SPDX-License-Identifier: GPL-3.0-or-later
#include <QLabel>
#include <QTimer>
#include <QtTest>

#include "app/StartUpFrm.h"

using namespace velmora;

class StartUpTest : public QObject {
    Q_OBJECT
  private slots:
    void showsPictureAndVersion() {
        StartUpFrm s({});
        QCOMPARE(s.VersionLbl->text(), QString("Ver. 8.1"));
        QVERIFY(!s.Image1->pixmap().isNull());
        QCOMPARE(s.Image1->pixmap().size(), QSize(600, 455));
        QCOMPARE(s.size(), QSize(600, 455));
        QCOMPARE(s.pTickCount, 0);
        QVERIFY(!s.Timer1->isActive());
    }

    void showingStartsTheClock() {
        StartUpFrm s({});
        s.show();
        QVERIFY(s.Timer1->isActive());
        QCOMPARE(s.Timer1->interval(), 400);
        // A later activation does not restart the count.
        s.pTickCount = 3;
        s.Form_Activate();
        QCOMPARE(s.pTickCount, 3);
    }

    void mainWindowAfterTheSeventhTick_data() {
        QTest::addColumn<int>("ticks");
        QTest::addColumn<bool>("ended");
        QTest::newRow("one") << 1 << false;
        QTest::newRow("six") << 6 << false;
        QTest::newRow("seven") << 7 << true;
    }
    void mainWindowAfterTheSeventhTick() {
        QFETCH(int, ticks);
        QFETCH(bool, ended);
        int shown = 0;
        StartUpFrm s([&shown] { ++shown; });
        s.show();
        for (int i = 0; i < ticks; ++i)
            s.Timer1_Timer();
        QCOMPARE(shown, ended ? 1 : 0);
        QCOMPARE(s.isVisible(), !ended);
        QCOMPARE(s.Timer1->isActive(), !ended);
        QCOMPARE(s.pTickCount, ticks);
    }

    void realClockEndsAfterAboutTwoPointEightSeconds() {
        int shown = 0;
        QElapsedTimer clock;
        StartUpFrm s([&shown] { ++shown; });
        clock.start();
        s.show();
        QTRY_COMPARE_WITH_TIMEOUT(shown, 1, 15000);
        QVERIFY2(clock.elapsed() >= 7 * 400 - 20, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(s.pTickCount, 7);
    }
};

QTEST_MAIN(StartUpTest)
#include "test_startup.moc"
