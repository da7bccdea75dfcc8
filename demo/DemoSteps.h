// SPDX-License-Identifier: GPL-3.0-or-later
// The narration of the two guided demos: the introduction panel's lines and
// the seven steps, each with its narration line, its note and its length on
// the step clock.
#pragma once

#include <array>
#include <string_view>

#include "data/BuildingData.h"
#include "data/Scenes.h"

namespace velmora {

inline constexpr int kDemoStepCount = 7;
// The step table has 11 slots; slots 7 ... 10 are never used.
inline constexpr int kDemoStepSlots = 11;
inline constexpr int kDemoIntroLines = 7;

struct DemoStep {
    std::string_view message; // narration line (MessagePnl)
    float messageLeft = 0;    // picture coordinates
    float messageWidth = 0;
    Count ticks = 0;       // length on the step clock
    std::string_view note; // FocusPnl, shown in steps 1 to 3
    float noteLeft = 0;
    float noteWidth = 0;
};

// The step table of demo n (1 or 2; any other n gives demo 1's).
const std::array<DemoStep, kDemoStepSlots>& DemoStepsFor(int demo);

// The introduction panel's seven lines of demo n.
const std::array<std::string_view, kDemoIntroLines>& DemoIntroLinesFor(int demo);

// The altitude boxes' texts when a demo shows its picture (both demos).
const AltitudeTexts& DemoPictureTexts();

} // namespace velmora
