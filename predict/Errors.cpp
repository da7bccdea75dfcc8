// SPDX-License-Identifier: GPL-3.0-or-later
#include "predict/Errors.h"

#include <cmath>
#include <cstdio>
#include <utility>

#include "predict/Parameters.h"

namespace velmora::predict {

namespace {

struct Wording {
    ErrorCode code;
    const char* english;
    const char* japanese;
};

// {name} is the option as the front end names it ("--cell" or "格子の大きさ"),
// {unit} its unit; {1} ... the arguments.
constexpr Wording kWordings[] = {
    {ErrorCode::OutOfRange, "{name}: expected {unit} within {2} ... {3}",
     "{name}は {2} 〜 {3} {unit}の範囲で入れてください。"},
    {ErrorCode::AtLeast, "{name}: expected at least {2} {unit}",
     "{name}は {2} {unit}以上にしてください。"},
    {ErrorCode::NotANumber, "{name} \"{5}\": expected a number", "{name}は数で入れてください。"},
    {ErrorCode::BadContours, "--contours \"{5}\": expected positive hours, comma-separated",
     "等時間日影線は 2,3,4,5 のように正の時間をコンマで区切って入れてください。"},
    {ErrorCode::BadSystems, "--systems {5}: expected letters among G, R, E, C, J, comma-separated",
     "衛星システムは G, R, E, C, J から選んでください。"},
    {ErrorCode::NoSystems, "--systems: expected at least one system",
     "衛星システムを一つ以上選んでください。"},
    {ErrorCode::EmptyPeriod, "--from and --to: the period must end after it begins",
     "終わりの時刻は始まりの時刻より後にしてください。"},
    {ErrorCode::TooManyEpochs,
     "--hours {1} --step {2}: expected a period above 0 of at most {3} epochs",
     "期間 {1} 時間を {2} 秒ごとに計算すると {3} エポックを超えます。期間を短くするか間隔を"
     "長くしてください。"},
    {ErrorCode::NoEphemerisFiles,
     "give one of --nav FILE (one or more), --tle FILE or --almanac FILE",
     "エフェメリスのファイルを追加してください。"},
    {ErrorCode::NoRoofs, "there are no roof outlines to cast shadows", "屋根がありません。"},
    {ErrorCode::NoHeights,
     "no roof has a measured height (a wall line): there is no shadow to compute",
     "高さの測られた屋根（壁線のある屋根）がありません。"},
    {ErrorCode::SunDown,
     "the sun stays below the horizon all through {1} at {2}, {3} (polar night or a period "
     "outside daylight): no shadows to map",
     "この期間、太陽はずっと地平線の下にあります（極夜など）。"},
    {ErrorCode::GridTooLarge,
     "the grid would have {1} x {2} cells; choose a larger cell or a smaller extent (at most "
     "{3} million cells)",
     "格子が {1} × {2} になり、大きすぎます（{3} 百万まで）。格子の大きさを大きくするか、範囲を"
     "狭めてください。"},
    {ErrorCode::InsideRoof,
     "{file}: the point ({1}, {2}) lies inside roof {3}; a receiver must stand outside the "
     "buildings",
     "受信点が屋根 #{3} の中にあります。建物の外に置いてください。"},
    {ErrorCode::EphemerisFile, "{reason}", "エフェメリスのファイルを読めません: {reason}"},
    {ErrorCode::EphemerisIdle, "{file}: covers none of the period {1} ... {2}",
     "{file}: 期間中（{1} 〜 {2}）に使えるエフェメリスがありません。"},
    {ErrorCode::Cancelled, "the computation was cancelled", "中止しました。"},
    {ErrorCode::WriteFailed, "{reason}", "{file} に書き込めませんでした（{reason}）。"},
    {ErrorCode::DrawFailed, "{file}: the {1} could not be drawn", "{file}: 図を描けませんでした。"},
    {ErrorCode::Projection, "PROJ cannot set up the local projection: {reason}",
     "座標変換を用意できません（PROJ: {reason}）。"},
    {ErrorCode::TooFar, "a footprint lies too far from the origin to be placed",
     "原点から遠すぎて地図上に置けない点があります。"},
    {ErrorCode::Unexpected, "{reason}", "計算できませんでした: {reason}"},
    {ErrorCode::RoofTooFar,
     "roof {1} lies more than {2} km from the origin; check the picture's "
     "altitudes",
     "屋根 #{1} が原点から {2} km より遠くにあります。画像の高度を確かめてください。"},
    {ErrorCode::RoofTooTall,
     "roof {1}: a height of {2} m is not plausible (at most {3} m); check its wall line",
     "屋根 #{1} の高さ {2} m はありえません（{3} m まで）。壁線を確かめてください。"},
    {ErrorCode::BadSettings, "{reason}", "この設定では計算できません: {reason}"},
    {ErrorCode::StdoutTwice, "two outputs go to standard output",
     "標準出力への出力が二つあります。"},
};

const Wording* WordingOf(ErrorCode code) {
    for (const Wording& w : kWordings)
        if (w.code == code)
            return &w;
    return nullptr;
}

void ReplaceAll(std::string& text, const std::string& key, const std::string& value) {
    // One pass from left to right: a value holding "{" is never read again.
    for (std::size_t at = text.find(key); at != std::string::npos;
         at = text.find(key, at + value.size())) {
        text.replace(at, key.size(), value);
    }
}

// The option's own name and unit in the language.
std::pair<std::string, std::string> NameAndUnit(const Error& e, Language language) {
    if (e.args.empty())
        return {};
    const Parameter* p = FindParameter(e.args[0]);
    if (!p)
        return {"--" + e.args[0], std::string()};
    if (language == Language::English)
        return {std::string("--") + p->name, p->unit};
    return {p->label, p->unitJa};
}

} // namespace

bool IsRequestError(ErrorCode code) {
    switch (code) {
    case ErrorCode::OutOfRange:
    case ErrorCode::AtLeast:
    case ErrorCode::NotANumber:
    case ErrorCode::BadContours:
    case ErrorCode::BadSystems:
    case ErrorCode::NoSystems:
    case ErrorCode::EmptyPeriod:
    case ErrorCode::TooManyEpochs:
    case ErrorCode::NoEphemerisFiles:
    case ErrorCode::StdoutTwice:
    case ErrorCode::BadSettings:
        return true;
    default:
        return false;
    }
}

std::string Message(const Error& e, Language language, const std::string& fileText) {
    const Wording* w = WordingOf(e.code);
    if (!w)
        return e.reason;
    std::string text = language == Language::English ? w->english : w->japanese;
    const auto [name, unit] = NameAndUnit(e, language);
    ReplaceAll(text, "{name}", name);
    ReplaceAll(text, "{unit}", unit);
    // The arguments last but one: a file or reason may hold braces.
    for (std::size_t i = e.args.size(); i-- > 0;)
        ReplaceAll(text, "{" + std::to_string(i + 1) + "}", e.args[i]);
    std::string where = fileText;
    if (e.line > 0)
        where += (language == Language::English ? ": line " : ": 行 ") + std::to_string(e.line);
    ReplaceAll(text, "{file}", where);
    ReplaceAll(text, "{reason}", e.reason);
    return text;
}

Failure::Failure(Error e) : error_(std::move(e)) {
    english_ = Message(error_, Language::English, error_.file);
}

std::string FixedText(double v, int decimals) {
    const double scale = std::pow(10.0, decimals);
    if (std::round(v * scale) == 0)
        v = 0;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, v);
    return buffer;
}

std::string NumberText(double v) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15g", v);
    return buffer;
}

} // namespace velmora::predict
