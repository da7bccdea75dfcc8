// SPDX-License-Identifier: GPL-3.0-or-later
// Number conventions shared by every part of velmora: how text becomes a
// number, how numbers are rounded and how they are printed. Independent of
// the C locale: "." is always the decimal point.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

// Counts and indices are 16-bit signed integers.
using Count = std::int16_t;

// Booleans kept in the record and in window members: -1 true, 0 false.
using VBool = std::int16_t;
inline constexpr VBool kTrue = -1;
inline constexpr VBool kFalse = 0;
inline constexpr VBool ToVBool(bool b) {
    return b ? kTrue : kFalse;
}
inline constexpr bool IsTrue(VBool v) {
    return v != 0;
}

// Leading-number parse: blanks skipped, optional sign, digits with an
// optional "." fraction; the first other character ends the number; empty or
// non-numeric text is 0. A fraction too small for a double reads as 0.
double ParseLeadingNumber(std::string_view text);

// Strict variant for file reading: the same leading-number rules, but reports
// when the digits present do not fit a 32-bit float (e.g. 40 digits).
std::optional<double> ParseLeadingNumberChecked(std::string_view text);

// Round to the nearest integer, halves to even (2.5 -> 2, 3.5 -> 4).
double RoundHalfEven(double v);

// Round half-even into a 16-bit count; nullopt when out of range or not finite.
std::optional<Count> ToCount(double v);

// "##0" / "###0": whole number, halves away from zero, at least one digit.
std::string FormatWhole(double v);

// "####0.0": one decimal, halves away from zero (-62 -> "-62.0", 7 -> "7.0").
std::string FormatFixed1(double v);

// The same as FormatFixed1, appended to `out` (for writers of many numbers).
void AppendFixed1(std::string& out, double v);

// General format of a 32-bit float: 7 significant digits, trailing zeros and
// a trailing "." removed, never an exponent (ParseLeadingNumber reads every
// value back to those 7 digits, however large or small).
std::string FormatGeneral(float v);

// Plain number text as a text box shows a stored value (same as general).
inline std::string FormatPlain(float v) {
    return FormatGeneral(v);
}

} // namespace velmora
