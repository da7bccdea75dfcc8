// SPDX-License-Identifier: GPL-3.0-or-later
// Camera altitudes of the plan and the inclined picture: the rules by which a
// feet box and its metres box follow each other, and the check run before the
// plan map or a drawing tool is used. Pure functions; the window owns the
// boxes and shows the messages.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "data/Conventions.h"

namespace velmora {

inline constexpr double kFeetPerMetre = 3.28083989501312;
inline constexpr double kMetresPerFoot = 0.3048;

inline constexpr const char* kAltitudeOutOfRangeMessage = "入力値が適切ではありません";
inline constexpr const char* kAltitudesMissingMessage =
    "平面視と傾斜視の画像高度が設定されていません。";
inline constexpr const char* kAltitudeTooLowMessage = "画像の高度が低すぎます。";
inline constexpr const char* kAltitudeTooHighMessage = "画像の高度が高すぎます。";
inline constexpr const char* kAltitudeRatioMessage =
    "傾斜画像の高度は平面画像の90％以下でなければなりません。";

// pHeightUnitFocus: which unit the user last focused.
inline constexpr Count kFocusNone = 0;
inline constexpr Count kFocusMetres = 1;
inline constexpr Count kFocusFeet = 2;

enum class AltitudeBox { VerFeet, VerMetres, IncliFeet, IncliMetres };

// The box of the same altitude in the other unit.
AltitudeBox PartnerBox(AltitudeBox box);
bool IsMetresBox(AltitudeBox box);

struct AltitudeBoxChange {
    // Show kAltitudeOutOfRangeMessage and set the changed box to "". Clearing
    // it raises its change once more (with empty text), which then drives
    // the partner to "0" when the user is typing in that box.
    bool rejected = false;
    // New text of PartnerBox(box), when the partner is to follow.
    std::optional<std::string> partnerText;
};

// What follows a change of `box` to `text` given pHeightUnitFocus: a value
// outside 0 ... 1500 m / 0 ... 5000 ft is rejected; otherwise, when the
// focus names this box's unit, the partner gets the converted value as a
// whole number ("###0").
AltitudeBoxChange AltitudeBoxChanged(AltitudeBox box, std::string_view text, Count heightUnitFocus);

struct AltitudeValidation {
    Count result = 1;    // 1 usable, -1 not
    std::string message; // the message to show when result is -1
};

// Checks the two feet boxes (plan, inclined); the first failing rule decides.
AltitudeValidation ValidateAltitudes(std::string_view feetVerText, std::string_view feetIncliText);

} // namespace velmora
