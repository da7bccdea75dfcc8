// SPDX-License-Identifier: LGPL-3.0-or-later
#include <QComboBox>
#include <QDate>
#include <QLabel>
#include <QSignalSpy>
#include <QTableWidget>
#include <QtTest>

#include <memory>

#include "daylin.h"

using daylin::CalencerOCX;

namespace {

const QColor kDayText(0, 0, 192);
const QColor kGreyText(160, 160, 160);
const QColor kSelectedBack(0, 0, 128);

int Px(int twips) {
    return qRound(twips / 15.0);
}

// A shown control with handles on its lists and grid and a record of what it
// told its host.
struct Harness {
    Harness() {
        control->show();
        year = control->findChild<QComboBox*>(QStringLiteral("YearCmb"));
        month = control->findChild<QComboBox*>(QStringLiteral("MonthCmb"));
        grid = control->findChild<QTableWidget*>(QStringLiteral("CalenderGrid"));
        QObject::connect(control.get(), &CalencerOCX::Click,
                         [this] { valuesAtClick << control->Value(); });
        QObject::connect(control.get(), &CalencerOCX::PropertyChanged,
                         [this](const QString& name) { changes << name; });
    }
    void Forget() {
        valuesAtClick.clear();
        changes.clear();
    }

    std::unique_ptr<CalencerOCX> control = std::make_unique<CalencerOCX>();
    QComboBox* year = nullptr;
    QComboBox* month = nullptr;
    QTableWidget* grid = nullptr;
    QStringList valuesAtClick;
    QStringList changes;
};

bool IsHighlighted(const QTableWidgetItem* item) {
    return item->background().color() == kSelectedBack && item->foreground().color() == Qt::white;
}

// The cell showing `text`, grey (a neighbouring month's day) or not.
QPoint FindCell(const QTableWidget* grid, const QString& text, bool grey) {
    for (int row = 1; row <= 6; ++row) {
        for (int column = 0; column < 7; ++column) {
            const QTableWidgetItem* item = grid->item(row, column);
            if (item->text() == text && (item->foreground().color() == kGreyText) == grey) {
                return QPoint(column, row);
            }
        }
    }
    return QPoint(-1, -1);
}

void ClickCell(QTableWidget* grid, int row, int column) {
    const QRect rect = grid->visualItemRect(grid->item(row, column));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, rect.center());
}

// Checks that the grid shows `year`/`month` as the calendar has it, greys the
// neighbouring months' days, and highlights exactly day `highlighted` (none
// for 0); the first difference comes back as text.
QString CheckShows(const QTableWidget* grid, int year, int month, int highlighted) {
    static const QStringList weekdays = {
        QStringLiteral("日"), QStringLiteral("月"), QStringLiteral("火"), QStringLiteral("水"),
        QStringLiteral("木"), QStringLiteral("金"), QStringLiteral("土")};
    for (int column = 0; column < 7; ++column) {
        if (grid->item(0, column)->text() != weekdays[column]) {
            return QStringLiteral("header column %1").arg(column);
        }
    }
    const QDate first(year, month, 1);
    const int lead = first.dayOfWeek() % 7;
    int highlightedCells = 0;
    for (int row = 1; row <= 6; ++row) {
        for (int column = 0; column < 7; ++column) {
            const QTableWidgetItem* item = grid->item(row, column);
            const QDate date = first.addDays((row - 1) * 7 + column - lead);
            const bool own = date.month() == month;
            const QString where = QStringLiteral("cell %1,%2: ").arg(row).arg(column);
            if (item->text() != QString::number(date.day())) {
                return where + item->text();
            }
            if (IsHighlighted(item)) {
                ++highlightedCells;
                if (!own || date.day() != highlighted) {
                    return where + QStringLiteral("highlighted");
                }
            } else if (item->foreground().color() != (own ? kDayText : kGreyText) ||
                       item->background().color() != Qt::white) {
                return where + QStringLiteral("colours");
            }
        }
    }
    if (highlightedCells != (highlighted > 0 ? 1 : 0)) {
        return QStringLiteral("%1 cells highlighted").arg(highlightedCells);
    }
    return {};
}

// Carries out one step of a scenario as a user or a host would.
bool Step(Harness& h, const QString& step) {
    const QString kind = step.section(u':', 0, 0);
    const QString arg = step.section(u':', 1);
    if (kind == u"day" || kind == u"grey") {
        const QPoint cell = FindCell(h.grid, arg, kind == u"grey");
        if (cell.x() < 0) {
            return false;
        }
        ClickCell(h.grid, cell.y(), cell.x());
    } else if (kind == u"header") {
        ClickCell(h.grid, 0, arg.toInt());
    } else if (kind == u"month" || kind == u"year") {
        QComboBox* list = kind == u"month" ? h.month : h.year;
        const int index = list->findText(arg);
        if (index < 0) {
            return false;
        }
        list->setCurrentIndex(index);
    } else if (kind == u"value") {
        return h.control->setValue(arg);
    } else if (kind == u"visible") {
        h.control->setVisibleFlag(arg == u"1");
    } else {
        return false;
    }
    return true;
}

} // namespace

class CalencerTest : public QObject {
    Q_OBJECT
  private slots:
    void createdWithToday() {
        Harness h;
        const QDate today = QDate::currentDate();
        QCOMPARE(h.control->Value(), today.toString(QStringLiteral("yyyy/MM/dd")));
        QCOMPARE(h.control->pDate1(), h.control->Value());
        QVERIFY(!h.control->Visible());
        QCOMPARE(h.year->currentText(), QString::number(today.year()));
        QCOMPARE(h.month->currentText(), QString::number(today.month()));
        const QString difference = CheckShows(h.grid, today.year(), today.month(), today.day());
        QVERIFY2(difference.isEmpty(), qPrintable(difference));

        // 2001 ... 2010 in order, today's year among them once, and a second
        // set-up adds nothing.
        QList<int> expectedYears;
        for (int y = 2001; y <= 2010; ++y) {
            expectedYears << y;
        }
        if (!expectedYears.contains(today.year())) {
            expectedYears << today.year();
            std::sort(expectedYears.begin(), expectedYears.end());
        }
        for (int pass = 0; pass < 2; ++pass) {
            QCOMPARE(h.year->count(), expectedYears.size());
            for (int i = 0; i < expectedYears.size(); ++i) {
                QCOMPARE(h.year->itemText(i), QString::number(expectedYears[i]));
            }
            QCOMPARE(h.month->count(), 12);
            QCOMPARE(h.month->itemText(0), QStringLiteral("1"));
            QCOMPARE(h.month->itemText(11), QStringLiteral("12"));
            QVERIFY(h.control->SetUpCalender(h.control->Value()));
        }
    }

    void layout_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("top");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<QString>("text");
        QTest::newRow("frame") << "CalnderFlm" << 0 << 0 << 3405 << 2715 << "";
        QTest::newRow("year list") << "YearCmb" << 240 << 300 << 1095 << -1 << "";
        QTest::newRow("year label") << "YearLbl" << 1320 << 360 << -1 << -1 << "年";
        QTest::newRow("month list") << "MonthCmb" << 2040 << 300 << 735 << -1 << "";
        QTest::newRow("month label") << "MonthLbl" << 2820 << 360 << -1 << -1 << "月";
        QTest::newRow("grid") << "CalenderGrid" << 120 << 780 << 3135 << 1815 << "";
    }
    void layout() {
        QFETCH(QString, name);
        QFETCH(int, left);
        QFETCH(int, top);
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(QString, text);
        CalencerOCX control;
        const QWidget* child = control.findChild<QWidget*>(name);
        QVERIFY(child != nullptr);
        QCOMPARE(child->pos(), QPoint(Px(left), Px(top)));
        if (width >= 0) {
            QCOMPARE(child->width(), Px(width));
        }
        if (height >= 0) {
            QCOMPARE(child->height(), Px(height));
        }
        if (auto* label = qobject_cast<const QLabel*>(child)) {
            QCOMPARE(label->text(), text);
        }
        if (auto* grid = qobject_cast<const QTableWidget*>(child)) {
            QCOMPARE(grid->rowCount(), 7);
            QCOMPARE(grid->columnCount(), 7);
            for (int column = 0; column < 7; ++column) {
                QCOMPARE(grid->columnWidth(column), Px(430));
            }
        }
    }

    // A start date written to Value, then user and host steps; afterwards the
    // stored date, the Click count, the lists, the grid and the notifications.
    void scenario_data() {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("clicks");
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("highlighted");
        QTest::addColumn<QStringList>("changes");
        const QStringList none;
        QTest::newRow("may 2005 starts on sunday") << "2005/05/10"
                                                   << ""
                                                   << "2005/05/10" << 0 << 2005 << 5 << 10 << none;
        QTest::newRow("february 2004") << "2004/02/29"
                                       << ""
                                       << "2004/02/29" << 0 << 2004 << 2 << 29 << none;
        QTest::newRow("february 2005") << "2005/02/14"
                                       << ""
                                       << "2005/02/14" << 0 << 2005 << 2 << 14 << none;
        QTest::newRow("month 4 chosen") << "2005/03/07"
                                        << "month:4"
                                        << "2005/03/07" << 0 << 2005 << 4 << 7 << none;
        QTest::newRow("year chosen") << "2005/03/07"
                                     << "year:2008"
                                     << "2005/03/07" << 0 << 2008 << 3 << 7 << none;
        QTest::newRow("day 31 into a 30-day month") << "2005/03/31"
                                                    << "month:4"
                                                    << "2005/03/31" << 0 << 2005 << 4 << 30 << none;
        QTest::newRow("day 31 survives a 30-day month")
            << "2005/03/31"
            << "month:4 month:5"
            << "2005/03/31" << 0 << 2005 << 5 << 31 << none;
        QTest::newRow("day 31 then a click") << "2005/03/31"
                                             << "month:4 day:12"
                                             << "2005/04/12" << 1 << 2005 << 4 << 12 << none;
        QTest::newRow("day of the shown month") << "2005/03/07"
                                                << "day:15"
                                                << "2005/03/15" << 1 << 2005 << 3 << 15 << none;
        QTest::newRow("grey 28 before march 2005") << "2005/03/07"
                                                   << "grey:28"
                                                   << "2005/02/28" << 1 << 2005 << 2 << 28 << none;
        QTest::newRow("grey 3 after december 2005") << "2005/12/10"
                                                    << "grey:3"
                                                    << "2006/1/03" << 1 << 2006 << 1 << 3 << none;
        QTest::newRow("past the last listed year") << "2010/12/15"
                                                   << "grey:5"
                                                   << "2011/1/05" << 1 << 2011 << 1 << 5 << none;
        QTest::newRow("before the first listed year")
            << "2001/01/20"
            << "grey:31"
            << "2000/12/31" << 1 << 2000 << 12 << 31 << none;
        QTest::newRow("shown day after leaving the listed years")
            << "2010/12/15"
            << "grey:5 day:20"
            << "2011/01/20" << 2 << 2011 << 1 << 20 << none;
        QTest::newRow("today's december into january")
            << "2026/12/09"
            << "grey:2"
            << "2027/1/02" << 1 << 2027 << 1 << 2 << none;
        QTest::newRow("shown day after a write of Value")
            << "2005/03/07"
            << "value:2007/08/15 day:10"
            << "2007/08/10" << 1 << 2007 << 8 << 10 << QStringList{"Value"};
        QTest::newRow("header click") << "2005/03/07"
                                      << "header:3"
                                      << "2005/03/07" << 0 << 2005 << 3 << 7 << none;
        QTest::newRow("visible true")
            << "2005/03/07"
            << "visible:1"
            << "2005/03/07" << 0 << 2005 << 3 << 0 << QStringList{"Visible"};
        QTest::newRow("visible false")
            << "2005/03/07"
            << "visible:1 visible:0"
            << "2005/03/07" << 0 << 2005 << 3 << 7 << QStringList{"Visible", "Visible"};
        QTest::newRow("visible false goes back to the date")
            << "2005/03/07"
            << "month:4 visible:0"
            << "2005/03/07" << 0 << 2005 << 3 << 7 << QStringList{"Visible"};
    }
    void scenario() {
        QFETCH(QString, start);
        QFETCH(QString, steps);
        QFETCH(QString, value);
        QFETCH(int, clicks);
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(int, highlighted);
        QFETCH(QStringList, changes);
        Harness h;
        QVERIFY(QTest::qWaitForWindowExposed(h.control.get()));
        QVERIFY(h.control->setValue(start));
        h.Forget();
        for (const QString& step : steps.split(u' ', Qt::SkipEmptyParts)) {
            QVERIFY2(Step(h, step), qPrintable(step));
        }
        QCOMPARE(h.control->Value(), value);
        QCOMPARE(h.valuesAtClick.size(), clicks);
        if (clicks > 0) {
            QCOMPARE(h.valuesAtClick.last(), value); // stored before Click is raised
        }
        QCOMPARE(h.year->currentText(), QString::number(year));
        QCOMPARE(h.month->currentText(), QString::number(month));
        const QString difference = CheckShows(h.grid, year, month, highlighted);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
        QCOMPARE(h.changes, changes);
    }

    void valueWrite_data() {
        QTest::addColumn<QString>("written");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("day");
        QTest::newRow("one-digit month kept as written") << "2005/3/09" << true << 2005 << 3 << 9;
        QTest::newRow("leap day") << "2004/02/29" << true << 2004 << 2 << 29;
        QTest::newRow("year before the list") << "1999/07/04" << true << 1999 << 7 << 4;
        QTest::newRow("april 31") << "2005/04/31" << false << 2005 << 3 << 7;
        QTest::newRow("empty") << "" << false << 2005 << 3 << 7;
        QTest::newRow("text") << "tomorrow" << false << 2005 << 3 << 7;
        QTest::newRow("month 13") << "2005/13/01" << false << 2005 << 3 << 7;
        QTest::newRow("year 0") << "0000/05/05" << false << 2005 << 3 << 7;
    }
    void valueWrite() {
        QFETCH(QString, written);
        QFETCH(bool, accepted);
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(int, day);
        Harness h;
        QVERIFY(h.control->setValue(QStringLiteral("2005/03/07")));
        h.Forget();
        QCOMPARE(h.control->setValue(written), accepted);
        QCOMPARE(h.control->Value(), accepted ? written : QStringLiteral("2005/03/07"));
        QCOMPARE(h.control->property("Value").toString(), h.control->Value());
        QCOMPARE(h.changes, accepted ? QStringList{"Value"} : QStringList{});
        QCOMPARE(h.year->currentText(), QString::number(year));
        const QString difference = CheckShows(h.grid, year, month, day);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }

    void directWriteOfDate() {
        Harness h;
        QVERIFY(h.control->setValue(QStringLiteral("2005/03/07")));
        h.Forget();
        QVERIFY(h.control->setProperty("pDate1", QStringLiteral("2007/08/15")));
        QCOMPARE(h.control->Value(), QStringLiteral("2007/08/15"));
        QVERIFY(h.changes.isEmpty());
        const QString difference = CheckShows(h.grid, 2005, 3, 7);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }

    void setUpByHost_data() {
        QTest::addColumn<QString>("date1");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::newRow("listed year") << "2007/08/15" << true << 2007 << 8;
        QTest::newRow("unlisted year") << "2042/02/01" << true << 2042 << 2;
        QTest::newRow("unreadable") << "soon" << false << 2005 << 3;
    }
    void setUpByHost() {
        QFETCH(QString, date1);
        QFETCH(bool, ok);
        QFETCH(int, year);
        QFETCH(int, month);
        Harness h;
        QVERIFY(h.control->setValue(QStringLiteral("2005/03/07")));
        h.Forget();
        QCOMPARE(h.control->SetUpCalender(date1), ok);
        QCOMPARE(h.control->Value(), QStringLiteral("2005/03/07"));
        QCOMPARE(h.year->currentText(), QString::number(year));
        QCOMPARE(h.month->currentText(), QString::number(month));
        const QString difference = CheckShows(h.grid, year, month, 7);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
        QVERIFY(h.valuesAtClick.isEmpty());
    }
};

QTEST_MAIN(CalencerTest)
#include "test_calencer.moc"
