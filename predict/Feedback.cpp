// SPDX-License-Identifier: GPL-3.0-or-later
#include "predict/Feedback.h"

#include <utility>

namespace velmora::predict {

namespace {

// `mark` before each number: the window's plan map labels roof 4 "#4".
std::string RoofList(const std::vector<Count>& roofs, const char* mark) {
    std::string out;
    for (const Count r : roofs)
        out += (out.empty() ? "" : ", ") + std::string(mark) + std::to_string(r);
    return out;
}

std::string RoofWarning(const Warning& w, Language language, const char* english,
                        const char* japanese) {
    if (language == Language::English)
        return (w.roofs.size() == 1 ? "roof " : "roofs ") + RoofList(w.roofs, "") + ": " + english;
    const std::string list = RoofList(w.roofs, "#");
    // A count where a count is meant, then the roofs by their numbers.
    return std::string(japanese) + " " + std::to_string(w.roofs.size()) + " 棟（屋根 " + list +
           "）を除外しました。";
}

} // namespace

std::string WarningText(const Warning& w, Language language) {
    const bool en = language == Language::English;
    switch (w.code) {
    case WarningCode::HeightUnknown:
        return RoofWarning(w, language,
                           "height unknown (no wall line, or one drawn upwards); left out",
                           "高さの測られていない屋根");
    case WarningCode::OutlineCrossing:
        return RoofWarning(w, language,
                           "outline crosses itself (a corner dragged across the roof); left out",
                           "輪郭が交差している屋根");
    case WarningCode::SunDown:
        return en ? "the sun is below the horizon for " + NumberText(w.value) + " of the " +
                        NumberText(w.total) +
                        " minutes of the period; those minutes count as no shade"
                  : "太陽が地平線の下にある " + NumberText(w.value) + " 分は日影に数えていません。";
    case WarningCode::StaleElements: {
        std::string ids;
        for (const std::string& id : w.ids)
            ids += (ids.empty() ? "" : ", ") + id;
        return en ? w.file + ": the elements of " + ids + " lie more than " + NumberText(w.value) +
                        " days from the period; their positions may be kilometres off"
                  : w.file + ": 衛星 " + ids + " の軌道要素は期間から " + NumberText(w.value) +
                        " 日以上離れています。位置が数 km ずれることがあります。";
    }
    case WarningCode::IncompleteEpochs:
        return en ? "at " + NumberText(w.value) +
                        " epochs some satellites have no valid ephemeris; those epochs are "
                        "marked and left out of the summary"
                  : "エフェメリスのない衛星がある " + NumberText(w.value) +
                        " エポックは集計から除外しました。";
    }
    return {};
}

bool Feedback::Progress(std::size_t done, std::size_t total) {
    OnProgress(done, total);
    return !Cancelled();
}

void Feedback::Warn(Warning w) {
    const bool aboutRoofs =
        w.code == WarningCode::HeightUnknown || w.code == WarningCode::OutlineCrossing;
    if (aboutRoofs && w.roofs.empty())
        return;
    const std::lock_guard lock(mutex_);
    warnings_.push_back(std::move(w));
}

std::vector<Warning> Feedback::Warnings() const {
    const std::lock_guard lock(mutex_);
    return warnings_;
}

} // namespace velmora::predict
