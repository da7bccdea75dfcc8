// SPDX-License-Identifier: GPL-3.0-or-later
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include "workspace/RibbonGroup.h"

using namespace velmora;

namespace {
// Events as "index+" (pressed) / "index-" (released), in order.
QStringList Events(const QSignalSpy& spy) {
    QStringList out;
    for (const auto& e : spy)
        out << QString::number(e[0].toInt()) + (e[1].toBool() ? "+" : "-");
    return out;
}
} // namespace

class RibbonGroupTest : public QObject {
    Q_OBJECT
  private slots:
    void eventsOfStateChanges_data() {
        QTest::addColumn<QString>("start"); // index down first, or -1
        QTest::addColumn<QString>(
            "actions"); // "p2" press 2 from code, "r1" release 1, "c3" click 3
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<int>("down");
        QTest::newRow("press from all up") << "-1"
                                           << "p2" << QStringList{"2+"} << 2;
        QTest::newRow("press releases the one down first") << "1"
                                                           << "p3" << QStringList{"1-", "3+"} << 3;
        QTest::newRow("press of the one down raises it again") << "2"
                                                               << "p2" << QStringList{"2+"} << 2;
        QTest::newRow("release of a button that is up") << "2"
                                                        << "r1" << QStringList{} << 2;
        QTest::newRow("release leaves all up") << "2"
                                               << "r2" << QStringList{"2-"} << -1;
        QTest::newRow("click acts like a press") << "0"
                                                 << "c1" << QStringList{"0-", "1+"} << 1;
        QTest::newRow("click on the one down") << "1"
                                               << "c1" << QStringList{"1+"} << 1;
        QTest::newRow("index out of range") << "1"
                                            << "p9" << QStringList{} << 1;
    }
    void eventsOfStateChanges() {
        QFETCH(QString, start);
        QFETCH(QString, actions);
        QFETCH(QStringList, events);
        QFETCH(int, down);
        QWidget host;
        RibbonGroup g;
        for (int i = 0; i < 4; ++i)
            g.AddButton(QString::number(i), QString(), &host);
        if (start.toInt() >= 0)
            g.SetValue(start.toInt(), true);
        QSignalSpy spy(&g, &RibbonGroup::Click);
        const int index = actions.mid(1).toInt();
        if (actions[0] == 'p')
            g.SetValue(index, true);
        else if (actions[0] == 'r')
            g.SetValue(index, false);
        else
            QTest::mouseClick(g.Button(index), Qt::LeftButton);
        QCOMPARE(Events(spy), events);
        QCOMPARE(g.Down(), down);
        for (int i = 0; i < g.Count(); ++i) {
            QCOMPARE(g.Value(i), i == down);
            QCOMPARE(g.Button(i)->isChecked(), i == down);
        }
    }

    void handlerMayReleaseTheButtonItWasPressedFor() {
        // A check that fails inside the press handler pops the button up
        // again; the group ends with all buttons up.
        QWidget host;
        RibbonGroup g;
        for (int i = 0; i < 3; ++i)
            g.AddButton(QString::number(i), QString(), &host);
        g.SetValue(0, true);
        QSignalSpy spy(&g, &RibbonGroup::Click);
        connect(&g, &RibbonGroup::Click, &g, [&g](int index, bool isDown) {
            if (index == 2 && isDown)
                g.SetValue(2, false);
        });
        QTest::mouseClick(g.Button(2), Qt::LeftButton);
        QCOMPARE(Events(spy), (QStringList{"0-", "2+", "2-"}));
        QCOMPARE(g.Down(), -1);
        QVERIFY(!g.Button(2)->isChecked());
    }

    void disabledButtonIgnoresClicks() {
        QWidget host;
        RibbonGroup g;
        g.AddButton("a", "tip a", &host);
        g.AddButton("b", "tip b", &host)->setEnabled(false);
        QSignalSpy spy(&g, &RibbonGroup::Click);
        QTest::mouseClick(g.Button(1), Qt::LeftButton);
        QCOMPARE(spy.count(), 0);
        QCOMPARE(g.Button(1)->toolTip(), QString("tip b"));
    }
};

QTEST_MAIN(RibbonGroupTest)
#include "test_ribbongroup.moc"
