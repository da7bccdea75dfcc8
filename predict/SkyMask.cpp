// SPDX-License-Identifier: GPL-3.0-or-later
#include "predict/SkyMask.h"

#include "predict/Parameters.h"

namespace velmora::predict {

void Validate(const SkyMaskRequest& r) {
    CheckValue(ParameterOf(SkyMaskAlgorithm(), "at"), r.at.x);
    CheckValue(ParameterOf(SkyMaskAlgorithm(), "at"), r.at.y);
    CheckValue(kAntennaHeight, r.antenna);
    if (r.date) {
        CheckValue(kUtcOffset, r.date->utcOffset);
        CheckValue(kLatitude, r.site.latitude);
        CheckValue(kLongitude, r.site.longitude);
    }
}

SkyMaskResult RunSkyMask(std::span<const Footprint> plan, const SkyMaskRequest& r,
                         Feedback& feedback, const std::string& projectFile) {
    // Only buildings of a measured height cast a mask: one of unknown height
    // is neither open sky nor a wall of some made-up height.
    SkyMaskResult out;
    std::vector<Footprint> footprints;
    for (const Footprint& f : plan) {
        if (f.crossesItself)
            out.crossing.push_back(f.roof);
        else if (f.heightState != RoofHeight::Measured)
            out.unknown.push_back(f.roof);
        if (!f.crossesItself)
            footprints.push_back(f);
    }
    feedback.Warn({WarningCode::OutlineCrossing, out.crossing});
    feedback.Warn({WarningCode::HeightUnknown, out.unknown});
    if (const std::optional<Count> roof = FootprintAt(footprints, r.at))
        throw Failure({ErrorCode::InsideRoof,
                       {FixedText(r.at.x, 2), FixedText(r.at.y, 2), std::to_string(*roof)},
                       projectFile});
    std::erase_if(footprints,
                  [](const Footprint& f) { return f.heightState != RoofHeight::Measured; });
    const SkyScene scene(footprints, r.at, r.antenna);
    out.mask = scene.Mask(1);
    if (r.date)
        out.day = SunOverDay(scene, *r.date, r.site);
    return out;
}

} // namespace velmora::predict
