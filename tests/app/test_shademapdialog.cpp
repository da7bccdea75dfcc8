// SPDX-License-Identifier: GPL-3.0-or-later
// The shade-map dialog of "予測(&P)": modeless, computes the map of the
// buildings shown, saves it, can be cancelled, and says why there is none.
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "app/ShadeMapDialog.h"
#include "support/Window.h"

using namespace velmora;
using namespace velmora::testing;

class ShadeMapDialogTest : public QObject {
    Q_OBJECT

  private slots:
    void nextDecemberSolstice_data() {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QDate>("solstice");
        // The solstice in 2024: 21 Dec 09:20 UT (18:20 in Japan); 2025:
        // 21 Dec 15:03 UT and 2026: 21 Dec 20:50 UT, both the 22nd in Japan,
        // the day whose noon sun stands lowest there.
        QTest::newRow("before, 2024") << QDate(2024, 6, 1) << QDate(2024, 12, 21);
        QTest::newRow("the day before, 2025") << QDate(2025, 12, 21) << QDate(2025, 12, 22);
        QTest::newRow("that day, 2025") << QDate(2025, 12, 22) << QDate(2025, 12, 22);
        QTest::newRow("after, into 2026") << QDate(2025, 12, 23) << QDate(2026, 12, 22);
    }
    void nextDecemberSolstice() {
        QFETCH(QDate, today);
        QFETCH(QDate, solstice);
        QCOMPARE(NextDecemberSolstice(today), solstice);
    }

    void computeSaveAndCancel() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        f.ShowActive();
        w.LoadSampleData(1);
        w.Menus().ShadeMapMenu->trigger();
        ShadeMapDialog* d = w.ShadeMapWindow();
        QVERIFY(d && d->isVisible() && !d->isModal());

        // Cancelled from the progress it shows.
        QTimer::singleShot(0, d->CancelCmd, [d] { d->CancelCmd->click(); });
        QVERIFY(!d->Compute());
        QVERIFY(!d->HasMap());
        QVERIFY(d->Status->text().contains(QStringLiteral("中止")));

        QVERIFY(d->Compute());
        QVERIFY(d->HasMap() && !d->MapView->pixmap().isNull());
        QCOMPARE(d->Result()->unmeasured.size(), std::size_t(0));
        f.prompts.AnswerFile(f.Path("map.svg"));
        d->SaveCmd->click();
        QFile svg(f.Path("map.svg"));
        QVERIFY(svg.open(QIODevice::ReadOnly) && svg.readAll().contains("<svg"));
        QVERIFY(d->SaveTo(f.Path("lines.geojson")));
        QFile lines(f.Path("lines.geojson"));
        QVERIFY(lines.open(QIODevice::ReadOnly) && lines.readAll().contains("LineString"));
        // The record itself is left as it was.
        QCOMPARE(f.data->gEachTopAreaNumber, 7);
    }

    void noRoofsSaysSo() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        f.ShowActive();
        w.Menus().ShadeMapMenu->trigger();
        ShadeMapDialog* d = w.ShadeMapWindow();
        QVERIFY(d);
        QVERIFY(!d->Compute());
        QVERIFY(!d->SaveCmd->isEnabled());
        QVERIFY(f.prompts.Texts().join(' ').contains(QStringLiteral("屋根がありません")));
    }
};

QTEST_MAIN(ShadeMapDialogTest)
#include "test_shademapdialog.moc"
