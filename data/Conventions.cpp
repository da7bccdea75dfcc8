// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/Conventions.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <system_error>

namespace velmora {

namespace {

// What from_chars could not represent: "[-]digits[.digits]" beyond the range
// of a double. from_chars reports underflow the same way as overflow, so a
// number whose whole part is all zeros is a vanishing fraction (signed 0),
// not an infinity that the file reader would refuse as too large.
double OutOfRange(std::string_view number) {
    const bool negative = !number.empty() && number.front() == '-';
    const std::string_view whole = number.substr(0, number.find('.'));
    const bool tiny = whole.find_first_not_of("-0") == std::string_view::npos;
    if (tiny)
        return negative ? -0.0 : 0.0;
    return negative ? -std::numeric_limits<double>::infinity()
                    : std::numeric_limits<double>::infinity();
}

// Collects the leading number of `text` as "[-]digits[.digits]"; returns
// false when no digit was seen.
bool LeadingNumberText(std::string_view text, std::string& out) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::string digits;
    bool seenPoint = false;
    bool seenDigit = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            digits += c;
            seenDigit = true;
        } else if (c == '.' && !seenPoint) {
            seenPoint = true;
            digits += c;
        } else {
            break;
        }
    }
    if (!seenDigit)
        return false;
    if (digits.front() == '.')
        digits.insert(digits.begin(), '0');
    if (digits.back() == '.')
        digits.pop_back();
    out = negative ? "-" + digits : digits;
    return true;
}

// The common shape "[-]digit...[.digit...]" (digits on both sides of any
// point) read straight from the text, without building a copy. Returns
// false when the text needs the general path above.
bool FastLeadingNumber(std::string_view text, double& value) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    std::size_t start = i;
    if (i < text.size() && text[i] == '+')
        start = ++i;
    else if (i < text.size() && text[i] == '-')
        ++i;
    const auto isDigit = [&text](std::size_t k) {
        return k < text.size() && text[k] >= '0' && text[k] <= '9';
    };
    if (!isDigit(i))
        return false;
    while (isDigit(i))
        ++i;
    if (i < text.size() && text[i] == '.') {
        if (!isDigit(i + 1))
            return false;
        ++i;
        while (isDigit(i))
            ++i;
    }
    const std::string_view number = text.substr(start, i - start);
    const auto res = std::from_chars(number.data(), number.data() + number.size(), value,
                                     std::chars_format::fixed);
    if (res.ec == std::errc::result_out_of_range)
        value = OutOfRange(number);
    else if (res.ec != std::errc() || res.ptr != number.data() + number.size())
        return false;
    return true;
}

double ParseDigits(const std::string& s) {
    double v = 0;
    const auto res = std::from_chars(s.data(), s.data() + s.size(), v);
    if (res.ec == std::errc::result_out_of_range)
        return OutOfRange(s);
    return v;
}

std::string ToText(long long v) {
    char buf[32];
    const auto res = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, res.ptr);
}

} // namespace

double ParseLeadingNumber(std::string_view text) {
    double fast = 0;
    if (FastLeadingNumber(text, fast))
        return fast;
    std::string s;
    if (!LeadingNumberText(text, s))
        return 0.0;
    return ParseDigits(s);
}

std::optional<double> ParseLeadingNumberChecked(std::string_view text) {
    double v = 0;
    if (!FastLeadingNumber(text, v)) {
        std::string s;
        if (!LeadingNumberText(text, s))
            return 0.0;
        v = ParseDigits(s);
    }
    if (!std::isfinite(v) || std::fabs(v) > static_cast<double>(FLT_MAX))
        return std::nullopt;
    return v;
}

double RoundHalfEven(double v) {
    if (!std::isfinite(v))
        return v;
    const double f = std::floor(v);
    const double diff = v - f;
    if (diff > 0.5)
        return f + 1.0;
    if (diff < 0.5)
        return f;
    return std::fmod(f, 2.0) == 0.0 ? f : f + 1.0;
}

std::optional<Count> ToCount(double v) {
    const double r = RoundHalfEven(v);
    if (!std::isfinite(r) || r < std::numeric_limits<Count>::min() ||
        r > std::numeric_limits<Count>::max())
        return std::nullopt;
    return static_cast<Count>(r);
}

std::string FormatWhole(double v) {
    if (!std::isfinite(v))
        return "0";
    double r = std::round(v); // halves away from zero
    if (r == 0.0)
        r = 0.0; // no "-0"
    if (std::fabs(r) < 9.0e18)
        return ToText(static_cast<long long>(r));
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, r, std::chars_format::fixed, 0);
    return std::string(buf, res.ptr);
}

void AppendFixed1(std::string& out, double v) {
    if (!std::isfinite(v)) {
        out += "0.0";
        return;
    }
    double tenths = std::round(v * 10.0); // halves away from zero
    if (tenths == 0.0)
        tenths = 0.0;
    if (std::fabs(tenths) < 9.0e18) {
        const long long t = static_cast<long long>(tenths);
        const long long magnitude = t < 0 ? -t : t;
        char buf[32];
        char* p = buf;
        if (t < 0)
            *p++ = '-';
        p = std::to_chars(p, buf + sizeof buf, magnitude / 10).ptr;
        *p++ = '.';
        *p++ = static_cast<char>('0' + magnitude % 10);
        out.append(buf, p);
        return;
    }
    char buf[80];
    const auto res =
        std::to_chars(buf, buf + sizeof buf, tenths / 10.0, std::chars_format::fixed, 1);
    out.append(buf, res.ptr);
}

std::string FormatFixed1(double v) {
    std::string out;
    AppendFixed1(out, v);
    return out;
}

std::string FormatGeneral(float value) {
    const double v = static_cast<double>(value);
    if (!std::isfinite(v))
        return "0";
    if (v == 0.0)
        return "0";
    // Seven significant digits in scientific form, then laid out without an
    // exponent for the magnitudes the program meets.
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 6);
    std::string sci(buf, res.ptr);
    const auto ePos = sci.find('e');
    const int exponent = std::stoi(sci.substr(ePos + 1));
    std::string mant = sci.substr(0, ePos);
    const bool negative = mant.front() == '-';
    if (negative)
        mant.erase(mant.begin());
    std::string digits;
    for (char c : mant)
        if (c != '.')
            digits += c;
    // Never an exponent, even for magnitudes far outside the ordinary: every
    // reader of this text (the file reader, the text boxes, the predictor that
    // takes the project file) stops at an "E", so "1E+16" would read as 1.
    // A float needs at most 39 whole digits or 45 leading zeros.
    std::string out;
    if (exponent < 0) {
        out = "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
    } else {
        const auto intLen = static_cast<std::size_t>(exponent + 1);
        if (digits.size() <= intLen) {
            out = digits + std::string(intLen - digits.size(), '0');
        } else {
            out = digits.substr(0, intLen) + "." + digits.substr(intLen);
        }
    }
    if (out.find('.') != std::string::npos) {
        while (out.back() == '0')
            out.pop_back();
        if (out.back() == '.')
            out.pop_back();
    }
    return (negative ? "-" : "") + out;
}

} // namespace velmora
