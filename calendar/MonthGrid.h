// SPDX-License-Identifier: LGPL-3.0-or-later
#pragma once

#include "daylin_export.h"

#include <string>
#include <string_view>

namespace daylin {

// One calendar date as the control reads and writes it.
struct DateParts {
    int year = 0;
    int month = 0;
    int day = 0;
    // Spelt out (not defaulted) so that hosts compiling as C++17, the least
    // Qt 6 asks for, can include this header.
    friend bool operator==(const DateParts& a, const DateParts& b) {
        return a.year == b.year && a.month == b.month && a.day == b.day;
    }
    friend bool operator!=(const DateParts& a, const DateParts& b) { return !(a == b); }
};

// The arithmetic behind the day grid, free of widgets: which day number each
// of the 6 x 7 cells shows, whether it belongs to the previous, the shown or
// the following month, and where day 1 of the shown and of the following
// month lie. Rows are numbered 1 ... 6 as in the grid, whose row 0 is the
// weekday header; column 0 is Sunday. Dates follow the proleptic Gregorian
// calendar.
class DAYLIN_EXPORT MonthGrid {
  public:
    enum class Phase { Previous, Current, Following };
    enum class MonthStyle { TwoDigits, NoLeadingZero };

    static constexpr int kFirstRow = 1;
    static constexpr int kLastRow = 6;
    static constexpr int kColumns = 7;
    static constexpr int kMinYear = 1;
    static constexpr int kMaxYear = 9999;

    // Reads a date string positionally: the year is the numeric value of the
    // first four characters, the month that of characters 6 and 7 (so
    // "2005/3/07" reads as March), the day that of the last two characters.
    // A numeric value is a leading number: blanks skipped, optional sign,
    // digits and "."; anything else ends it; nothing readable is 0.
    static DateParts ReadDate(std::u16string_view text);
    // True when the date exists: year kMinYear ... kMaxYear, month 1 ... 12,
    // day 1 ... the month's length.
    static bool IsReadable(const DateParts& date);
    static int DaysInMonth(int year, int month);
    // Days since 1970-01-01 (negative before it).
    static long long DaySerial(int year, int month, int day);
    // Sunday = 1 ... Saturday = 7.
    static int Weekday(int year, int month, int day);
    // yyyy/mm/dd, or yyyy/m/dd with NoLeadingZero; the year always has four
    // digits and the day two, so the result reads back positionally.
    static std::u16string FormatDate(const DateParts& date, MonthStyle style);

    // The grid of one month; a month outside 1 ... 12 or a year outside
    // kMinYear ... kMaxYear is clamped into range.
    MonthGrid(int year, int month);

    int Year() const { return year_; }
    int Month() const { return month_; }
    int DaysInShownMonth() const { return DaysInMonth(year_, month_); }

    // Cell contents for rows kFirstRow ... kLastRow, columns 0 ... 6; a cell
    // outside that range shows day 0 of the shown month.
    int DayAt(int row, int column) const;
    Phase PhaseAt(int row, int column) const;
    // The full date a cell stands for, the neighbouring months included.
    DateParts DateAt(int row, int column) const;

    int FirstDayRow() const { return firstDayRow_; }
    int FirstDayColumn() const { return firstDayColumn_; }
    int NextMonthRow() const { return nextMonthRow_; }
    int NextMonthColumn() const { return nextMonthColumn_; }

    // The cell showing `day` of the shown month. A day past the month's end
    // (31 in a 30-day month) gives the cell of the month's last day, a day
    // below 1 that of day 1.
    int RowOfDay(int day) const;
    int ColumnOfDay(int day) const;

  private:
    static bool InGrid(int row, int column);

    int year_;
    int month_;
    int days_[kLastRow][kColumns] = {};
    Phase phases_[kLastRow][kColumns] = {};
    int firstDayRow_ = kFirstRow;
    int firstDayColumn_ = 0;
    int nextMonthRow_ = kLastRow;
    int nextMonthColumn_ = 0;
};

} // namespace daylin
