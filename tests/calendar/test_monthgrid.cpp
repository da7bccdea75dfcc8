// SPDX-License-Identifier: LGPL-3.0-or-later
#include <QDate>
#include <QtTest>

#include "MonthGrid.h"

using daylin::DateParts;
using daylin::MonthGrid;

namespace {

QString Text(const std::u16string& s) {
    return QString::fromStdU16String(s);
}

// Year of QDate (which has no year 0) on the astronomical count used by the grid.
int AstronomicalYear(const QDate& d) {
    return d.year() < 0 ? d.year() + 1 : d.year();
}

// Compares one month's grid with the calendar as QDate knows it; returns the
// first difference, empty when there is none.
QString CompareWithQDate(int year, int month) {
    const MonthGrid grid(year, month);
    const QDate first(year, month, 1);
    const int lead = first.dayOfWeek() % 7; // Sunday first
    if (grid.DaysInShownMonth() != first.daysInMonth()) {
        return QStringLiteral("length of %1-%2").arg(year).arg(month);
    }
    if (MonthGrid::Weekday(year, month, 1) != lead + 1) {
        return QStringLiteral("weekday of %1-%2-01").arg(year).arg(month);
    }
    int previous = 0;
    int following = 0;
    for (int row = MonthGrid::kFirstRow; row <= MonthGrid::kLastRow; ++row) {
        for (int column = 0; column < MonthGrid::kColumns; ++column) {
            const int index = (row - MonthGrid::kFirstRow) * MonthGrid::kColumns + column;
            const QDate expected = first.addDays(index - lead);
            const DateParts got = grid.DateAt(row, column);
            const MonthGrid::Phase phase = grid.PhaseAt(row, column);
            const MonthGrid::Phase wanted = expected < first ? MonthGrid::Phase::Previous
                                            : expected.month() == month
                                                ? MonthGrid::Phase::Current
                                                : MonthGrid::Phase::Following;
            if (got.year != AstronomicalYear(expected) || got.month != expected.month() ||
                got.day != expected.day() || grid.DayAt(row, column) != expected.day() ||
                phase != wanted) {
                return QStringLiteral("%1-%2 cell %3,%4").arg(year).arg(month).arg(row).arg(column);
            }
            if (expected.day() == 1 && phase == MonthGrid::Phase::Current &&
                (grid.FirstDayRow() != row || grid.FirstDayColumn() != column)) {
                return QStringLiteral("day 1 of %1-%2").arg(year).arg(month);
            }
            if (expected.day() == 1 && phase == MonthGrid::Phase::Following &&
                (grid.NextMonthRow() != row || grid.NextMonthColumn() != column)) {
                return QStringLiteral("next month's day 1 after %1-%2").arg(year).arg(month);
            }
            previous += phase == MonthGrid::Phase::Previous;
            following += phase == MonthGrid::Phase::Following;
        }
    }
    if (previous != lead || following < 5) {
        return QStringLiteral("grey days of %1-%2").arg(year).arg(month);
    }
    return {};
}

} // namespace

class MonthGridTest : public QObject {
    Q_OBJECT
  private slots:
    void readDate_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("day");
        QTest::newRow("two-digit month") << "2005/03/07" << 2005 << 3 << 7;
        QTest::newRow("one-digit month") << "2006/1/03" << 2006 << 1 << 3;
        QTest::newRow("one-digit day reads the slash") << "2005/03/7" << 2005 << 3 << 0;
        QTest::newRow("empty") << "" << 0 << 0 << 0;
        QTest::newRow("short") << "7" << 7 << 0 << 7;
        QTest::newRow("letters") << "abcd/ef/gh" << 0 << 0 << 0;
        QTest::newRow("leading blank shifts every part") << " 2005/03/07" << 200 << 0 << 7;
        QTest::newRow("fraction rounds half to even") << "2.5/03/07" << 2 << 3 << 7;
    }
    void readDate() {
        QFETCH(QString, text);
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(int, day);
        const DateParts read = MonthGrid::ReadDate(text.toStdU16String());
        QCOMPARE(read.year, year);
        QCOMPARE(read.month, month);
        QCOMPARE(read.day, day);
    }

    void isReadable_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("readable");
        QTest::newRow("ordinary") << "2005/03/07" << true;
        QTest::newRow("leap day 2004") << "2004/02/29" << true;
        QTest::newRow("no leap day 2005") << "2005/02/29" << false;
        QTest::newRow("no leap day 1900") << "1900/02/29" << false;
        QTest::newRow("leap day 2000") << "2000/02/29" << true;
        QTest::newRow("april 31") << "2005/04/31" << false;
        QTest::newRow("month 13") << "2005/13/01" << false;
        QTest::newRow("day 0") << "2005/03/00" << false;
        QTest::newRow("year 0") << "0000/01/01" << false;
        QTest::newRow("last supported") << "9999/12/31" << true;
        QTest::newRow("garbage") << "today" << false;
    }
    void isReadable() {
        QFETCH(QString, text);
        QFETCH(bool, readable);
        QCOMPARE(MonthGrid::IsReadable(MonthGrid::ReadDate(text.toStdU16String())), readable);
    }

    void formatDate_data() {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("day");
        QTest::addColumn<bool>("twoDigitMonth");
        QTest::addColumn<QString>("text");
        QTest::newRow("two digits") << 2006 << 1 << 3 << true << "2006/01/03";
        QTest::newRow("no leading zero") << 2006 << 1 << 3 << false << "2006/1/03";
        QTest::newRow("october either way") << 2011 << 10 << 3 << false << "2011/10/03";
        QTest::newRow("short year padded") << 999 << 12 << 31 << true << "0999/12/31";
    }
    void formatDate() {
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(int, day);
        QFETCH(bool, twoDigitMonth);
        QFETCH(QString, text);
        const DateParts date{year, month, day};
        const auto style =
            twoDigitMonth ? MonthGrid::MonthStyle::TwoDigits : MonthGrid::MonthStyle::NoLeadingZero;
        QCOMPARE(Text(MonthGrid::FormatDate(date, style)), text);
        QCOMPARE(MonthGrid::ReadDate(MonthGrid::FormatDate(date, style)), date);
    }

    void agreesWithQDate_data() {
        QTest::addColumn<int>("fromYear");
        QTest::addColumn<int>("toYear");
        QTest::newRow("1890-2110") << 1890 << 2110;
        QTest::newRow("first years") << 1 << 3;
        QTest::newRow("last years") << 9997 << 9999;
    }
    void agreesWithQDate() {
        QFETCH(int, fromYear);
        QFETCH(int, toYear);
        for (int year = fromYear; year <= toYear; ++year) {
            for (int month = 1; month <= 12; ++month) {
                const QString difference = CompareWithQDate(year, month);
                QVERIFY2(difference.isEmpty(), qPrintable(difference));
            }
        }
    }

    // A day the month lacks lands on the month's last day, one below 1 on day 1.
    void dayCellClamps_data() {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("day");
        QTest::addColumn<int>("shown");
        QTest::newRow("31 in april") << 2005 << 4 << 31 << 30;
        QTest::newRow("31 in february 2005") << 2005 << 2 << 31 << 28;
        QTest::newRow("30 in february 2004") << 2004 << 2 << 30 << 29;
        QTest::newRow("31 in may") << 2005 << 5 << 31 << 31;
        QTest::newRow("0") << 2005 << 5 << 0 << 1;
    }
    void dayCellClamps() {
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(int, day);
        QFETCH(int, shown);
        const MonthGrid grid(year, month);
        const int row = grid.RowOfDay(day);
        const int column = grid.ColumnOfDay(day);
        QCOMPARE(grid.DayAt(row, column), shown);
        QCOMPARE(grid.PhaseAt(row, column), MonthGrid::Phase::Current);
    }
};

QTEST_APPLESS_MAIN(MonthGridTest)
#include "test_monthgrid.moc"
