// SPDX-License-Identifier: LGPL-3.0-or-later
#include "MonthGrid.h"

#include <algorithm>
#include <cmath>

namespace daylin {

namespace {

// Leading number of `text`, rounded to the nearest integer with halves to even.
int NumericValue(std::u16string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    // At most four characters ever reach here, so a double holds them exactly.
    double value = 0.0;
    while (i < text.size() && text[i] >= u'0' && text[i] <= u'9') {
        value = value * 10.0 + (text[i] - u'0');
        ++i;
    }
    if (i < text.size() && text[i] == u'.') {
        ++i;
        double scale = 0.1;
        while (i < text.size() && text[i] >= u'0' && text[i] <= u'9') {
            value += (text[i] - u'0') * scale;
            scale /= 10.0;
            ++i;
        }
    }
    const double rounded = std::nearbyint(value); // default rounding: halves to even
    return static_cast<int>(negative ? -rounded : rounded);
}

std::u16string_view Part(std::u16string_view text, std::size_t from, std::size_t count) {
    if (from >= text.size()) {
        return {};
    }
    return text.substr(from, count);
}

void AppendDigits(std::u16string& out, int value, int width) {
    std::u16string digits;
    do {
        digits.insert(digits.begin(), static_cast<char16_t>(u'0' + value % 10));
        value /= 10;
    } while (value > 0);
    while (static_cast<int>(digits.size()) < width) {
        digits.insert(digits.begin(), u'0');
    }
    out += digits;
}

} // namespace

DateParts MonthGrid::ReadDate(std::u16string_view text) {
    DateParts date;
    date.year = NumericValue(Part(text, 0, 4));
    date.month = NumericValue(Part(text, 5, 2));
    date.day = NumericValue(text.size() >= 2 ? text.substr(text.size() - 2) : text);
    return date;
}

bool MonthGrid::IsReadable(const DateParts& date) {
    return date.year >= kMinYear && date.year <= kMaxYear && date.month >= 1 && date.month <= 12 &&
           date.day >= 1 && date.day <= DaysInMonth(date.year, date.month);
}

int MonthGrid::DaysInMonth(int year, int month) {
    const int nextYear = month == 12 ? year + 1 : year;
    const int nextMonth = month == 12 ? 1 : month + 1;
    return static_cast<int>(DaySerial(nextYear, nextMonth, 1) - DaySerial(year, month, 1));
}

long long MonthGrid::DaySerial(int year, int month, int day) {
    // Civil-from-days inverse on a calendar whose year starts in March, so
    // the leap day is the last day of its year.
    const long long y = static_cast<long long>(year) - (month <= 2 ? 1 : 0);
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yearOfEra = y - era * 400;
    const long long monthFromMarch = month > 2 ? month - 3 : month + 9;
    const long long dayOfYear = (153 * monthFromMarch + 2) / 5 + day - 1;
    const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

int MonthGrid::Weekday(int year, int month, int day) {
    // 1970-01-01 was a Thursday (5).
    const long long serial = DaySerial(year, month, day);
    return static_cast<int>(((serial % 7) + 7 + 4) % 7) + 1;
}

std::u16string MonthGrid::FormatDate(const DateParts& date, MonthStyle style) {
    std::u16string text;
    AppendDigits(text, date.year, 4);
    text += u'/';
    AppendDigits(text, date.month, style == MonthStyle::TwoDigits ? 2 : 1);
    text += u'/';
    AppendDigits(text, date.day, 2);
    return text;
}

MonthGrid::MonthGrid(int year, int month)
    : year_(std::clamp(year, kMinYear, kMaxYear)), month_(std::clamp(month, 1, 12)) {
    const int prevYear = month_ == 1 ? year_ - 1 : year_;
    const int prevMonth = month_ == 1 ? 12 : month_ - 1;
    const int nextYear = month_ == 12 ? year_ + 1 : year_;
    const int nextMonth = month_ == 12 ? 1 : month_ + 1;
    const int daysPrev =
        static_cast<int>(DaySerial(year_, month_, 1) - DaySerial(prevYear, prevMonth, 1));
    const int daysCur =
        static_cast<int>(DaySerial(nextYear, nextMonth, 1) - DaySerial(year_, month_, 1));
    const int weekday = Weekday(year_, month_, 1);

    // The first cell shows the day that makes day 1 fall on its weekday
    // column; on a Sunday that is past the previous month's end, so day 1
    // takes the very first cell.
    int n = daysPrev - weekday + 2;
    Phase phase = Phase::Previous;
    for (int row = kFirstRow; row <= kLastRow; ++row) {
        for (int column = 0; column < kColumns; ++column) {
            if (phase == Phase::Previous && n > daysPrev) {
                firstDayRow_ = row;
                firstDayColumn_ = column;
                n = 1;
                phase = Phase::Current;
            } else if (phase == Phase::Current && n > daysCur) {
                nextMonthRow_ = row;
                nextMonthColumn_ = column;
                n = 1;
                phase = Phase::Following;
            }
            days_[row - kFirstRow][column] = n;
            phases_[row - kFirstRow][column] = phase;
            ++n;
        }
    }
}

bool MonthGrid::InGrid(int row, int column) {
    return row >= kFirstRow && row <= kLastRow && column >= 0 && column < kColumns;
}

int MonthGrid::DayAt(int row, int column) const {
    return InGrid(row, column) ? days_[row - kFirstRow][column] : 0;
}

MonthGrid::Phase MonthGrid::PhaseAt(int row, int column) const {
    return InGrid(row, column) ? phases_[row - kFirstRow][column] : Phase::Current;
}

DateParts MonthGrid::DateAt(int row, int column) const {
    DateParts date{year_, month_, DayAt(row, column)};
    switch (PhaseAt(row, column)) {
    case Phase::Previous:
        date.year = month_ == 1 ? year_ - 1 : year_;
        date.month = month_ == 1 ? 12 : month_ - 1;
        break;
    case Phase::Following:
        date.year = month_ == 12 ? year_ + 1 : year_;
        date.month = month_ == 12 ? 1 : month_ + 1;
        break;
    case Phase::Current:
        break;
    }
    return date;
}

int MonthGrid::RowOfDay(int day) const {
    const int offset = firstDayColumn_ + std::clamp(day, 1, DaysInShownMonth()) - 1;
    return firstDayRow_ + offset / kColumns;
}

int MonthGrid::ColumnOfDay(int day) const {
    const int offset = firstDayColumn_ + std::clamp(day, 1, DaysInShownMonth()) - 1;
    return offset % kColumns;
}

} // namespace daylin
