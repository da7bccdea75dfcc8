// SPDX-License-Identifier: GPL-3.0-or-later
// The shade-map dialog of "予測(&P)": modeless, computes the map of the
// buildings shown, saves it, can be cancelled, and says why there is none.
#include <QAction>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
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

        // Cancelled while it runs in the background.
        QSignalSpy finished(d, &ShadeMapDialog::Finished);
        QVERIFY(d->Compute());
        QVERIFY(d->Running() && !d->ComputeCmd->isEnabled());
        QVERIFY(!d->Compute()); // one run at a time
        d->CancelCmd->click();
        QVERIFY(finished.wait(60000));
        QVERIFY(!d->HasMap());
        QVERIFY(d->Status->text().contains(QStringLiteral("中止")));

        QVERIFY(d->Compute());
        QVERIFY(finished.wait(60000));
        QVERIFY(d->HasMap() && !d->MapView->pixmap().isNull());
        QCOMPARE(d->Result()->unmeasured.size(), std::size_t(0));
        f.prompts.AnswerFile(f.Path("map.svg"));
        d->SaveCmd->click();
        QFile svg(f.Path("map.svg"));
        QVERIFY(svg.open(QIODevice::ReadOnly) && svg.readAll().contains("<svg"));
        QVERIFY(d->SaveTo(f.Path("lines.geojson")));
        QFile lines(f.Path("lines.geojson"));
        QVERIFY(lines.open(QIODevice::ReadOnly) && lines.readAll().contains("LineString"));
        // ".json" is the grid of hours, as velmora-cli shadow --json writes it.
        QVERIFY(d->SaveTo(f.Path("grid.json")));
        QFile grid(f.Path("grid.json"));
        QVERIFY(grid.open(QIODevice::ReadOnly) && grid.readAll().startsWith("{\"cell\":"));
        // The record itself is left as it was.
        QCOMPARE(f.data->gEachTopAreaNumber, 7);
    }

    // The settings refused by the declarations never start a run, and the
    // message names the box.
    void refusedSettings() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        w.LoadSampleData(1);
        w.Menus().ShadeMapMenu->trigger();
        ShadeMapDialog* d = w.ShadeMapWindow();
        d->PlaneBox->setCurrentText(QStringLiteral("-1"));
        QVERIFY(!d->Compute());
        QVERIFY(!d->Running());
        QVERIFY2(f.prompts.Texts().join(' ').contains(QStringLiteral("測定面の高さは 0 〜 1000")),
                 qPrintable(f.prompts.Texts().join(' ')));
        d->PlaneBox->setCurrentText(QStringLiteral("4"));
        d->ContoursBox->setText(QStringLiteral("2,x"));
        QVERIFY(!d->Compute());
        QVERIFY(f.prompts.Texts().join(' ').contains(QStringLiteral("等時間日影線は")));
    }

    // Closing the dialog while it computes destroys it (it deletes itself
    // on close) without waiting for the map and without touching it after.
    void closeWhileComputing() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        f.ShowActive();
        w.LoadSampleData(1);
        w.Menus().ShadeMapMenu->trigger();
        QPointer<ShadeMapDialog> d = w.ShadeMapWindow();
        d->CellBox->setValue(0.1); // a long run
        QVERIFY(d->Compute());
        QVERIFY(d->Running());
        d->close();
        QTRY_VERIFY_WITH_TIMEOUT(d.isNull(), 30000);
        // The window goes on, and a new dialog computes.
        w.Menus().ShadeMapMenu->trigger();
        ShadeMapDialog* again = w.ShadeMapWindow();
        QVERIFY(again && again != nullptr);
        QSignalSpy finished(again, &ShadeMapDialog::Finished);
        QVERIFY(again->Compute());
        QVERIFY(finished.wait(60000));
        QVERIFY(again->HasMap());
    }

    void noRoofsSaysSo() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        f.ShowActive();
        w.Menus().ShadeMapMenu->trigger();
        ShadeMapDialog* d = w.ShadeMapWindow();
        QVERIFY(d);
        QSignalSpy finished(d, &ShadeMapDialog::Finished);
        QVERIFY(d->Compute());
        QVERIFY(finished.wait(60000));
        QVERIFY(!d->HasMap());
        QVERIFY(!d->SaveCmd->isEnabled());
        QVERIFY(f.prompts.Texts().join(' ').contains(QStringLiteral("屋根がありません")));
    }
};

QTEST_MAIN(ShadeMapDialogTest)
#include "test_shademapdialog.moc"
