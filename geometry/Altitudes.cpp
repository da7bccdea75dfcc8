// SPDX-License-Identifier: GPL-3.0-or-later
#include "geometry/Altitudes.h"

namespace velmora {

namespace {

constexpr double kMaxMetres = 1500;
constexpr double kMaxFeet = 5000;
constexpr double kMinFeet = 10;
constexpr double kMaxRatio = 0.9;

} // namespace

AltitudeBox PartnerBox(AltitudeBox box) {
    switch (box) {
    case AltitudeBox::VerFeet:
        return AltitudeBox::VerMetres;
    case AltitudeBox::VerMetres:
        return AltitudeBox::VerFeet;
    case AltitudeBox::IncliFeet:
        return AltitudeBox::IncliMetres;
    case AltitudeBox::IncliMetres:
        break;
    }
    return AltitudeBox::IncliFeet;
}

bool IsMetresBox(AltitudeBox box) {
    return box == AltitudeBox::VerMetres || box == AltitudeBox::IncliMetres;
}

AltitudeBoxChange AltitudeBoxChanged(AltitudeBox box, std::string_view text,
                                     Count heightUnitFocus) {
    AltitudeBoxChange out;
    const double v = ParseLeadingNumber(text);
    const bool metres = IsMetresBox(box);
    const double limit = metres ? kMaxMetres : kMaxFeet;
    if (v > limit || v < 0) {
        out.rejected = true;
        return out;
    }
    // Only the box the user is typing in drives its partner, so the partner's
    // own change does not write back.
    if (heightUnitFocus == (metres ? kFocusMetres : kFocusFeet))
        out.partnerText = FormatWhole(v * (metres ? kFeetPerMetre : kMetresPerFoot));
    return out;
}

AltitudeValidation ValidateAltitudes(std::string_view feetVerText, std::string_view feetIncliText) {
    const double ver = ParseLeadingNumber(feetVerText);
    const double incli = ParseLeadingNumber(feetIncliText);
    AltitudeValidation out;
    out.result = -1;
    if (ver == 0 && incli == 0)
        out.message = kAltitudesMissingMessage;
    else if (ver < kMinFeet || incli < kMinFeet)
        out.message = kAltitudeTooLowMessage;
    else if (ver > kMaxFeet || incli > kMaxFeet)
        out.message = kAltitudeTooHighMessage;
    else if (incli / ver > kMaxRatio)
        out.message = kAltitudeRatioMessage;
    else
        out.result = 1;
    return out;
}

} // namespace velmora
