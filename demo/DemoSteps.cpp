// SPDX-License-Identifier: GPL-3.0-or-later
#include "demo/DemoSteps.h"

namespace velmora {

namespace {

struct Place {
    float left, width;
};
struct StepTexts {
    std::string_view message;
    Count ticks;
    std::string_view note;
};

// Positions and widths are the same in both demos.
constexpr Place kMessagePlaces[kDemoStepCount] = {
    {-180, 400}, {-230, 450}, {-250, 470}, {-230, 450}, {-280, 500}, {-330, 550}, {-210, 430}};
constexpr Place kNotePlaces[kDemoStepCount] = {{-230, 413}, {-200, 450}, {-312, 621}, {-330, 653},
                                               {-330, 653}, {-330, 653}, {-330, 653}};

// clang-format off
constexpr StepTexts kDemo1Texts[kDemoStepCount] = {
    {"最初に３D画像を読み込みます。", 2, ""},
    {"平面画像の高度、傾斜画像の高度をセットします。", 5, "必ずこの時、画像の高度を入力してください。"},
    {"ビルの屋上をラインで結びます。", 37, "注意、この時、1つの屋上では、必ず終点は始点と一致させます。"},
    {"ビルの側壁のラインを屋上から地上まで引きます。", 20, "注意、この時必ず屋上の点から地上まで引き、ラインは1本でもOK"},
    {"「画像消去」ボタンで画像を消去し、描いたラインを確認します。", 5, ""},
    {"「平面図表示」ボタンを押すと平面図を表示し、ビルの高さを表示します。", 5, ""},
    {"確認ができたら「閉じる」ボタンを押します。", 5, ""},
};
constexpr StepTexts kDemo2Texts[kDemoStepCount] = {
    {kDemo1Texts[0].message, 2, ""},
    {kDemo1Texts[1].message, 5, kDemo1Texts[1].note},
    {"注意、ビルの屋上でダブルクリックします。", 36, "注意、ビルの屋上でダブルクリックします。"},
    {"", 10, "ここでうまく屋上ラインと壁のラインが描けなかった時は手動で描きます。"},
    {kDemo1Texts[4].message, 10, ""},
    {kDemo1Texts[5].message, 5, ""},
    {kDemo1Texts[6].message, 5, ""},
};
// clang-format on

constexpr std::array<DemoStep, kDemoStepSlots> Steps(const StepTexts (&texts)[kDemoStepCount]) {
    std::array<DemoStep, kDemoStepSlots> steps{};
    for (int i = 0; i < kDemoStepCount; ++i)
        steps[static_cast<std::size_t>(i)] = {
            texts[i].message, kMessagePlaces[i].left, kMessagePlaces[i].width, texts[i].ticks,
            texts[i].note,    kNotePlaces[i].left,    kNotePlaces[i].width};
    return steps;
}

constexpr std::array<DemoStep, kDemoStepSlots> kDemo1Steps = Steps(kDemo1Texts);
constexpr std::array<DemoStep, kDemoStepSlots> kDemo2Steps = Steps(kDemo2Texts);

// clang-format off
constexpr std::array<std::string_view, kDemoIntroLines> kDemo1Intro{
    "このデモはGPS衛星の電波受信状況を周辺障害の影響",
    "を計算して行います。",
    "周辺障害の状況はGoogle Earthの3D画像を用いて作成",
    "します。この3D画像から障害物作成には屋上の輪郭と",
    "壁面の状況を線で結んで作成します。",
    "GPS衛星の電波受信状況は受信可能衛星数と、",
    "衛星の配置によるGDOPを用いて行います。",
};

constexpr std::array<std::string_view, kDemoIntroLines> kDemo2Intro{
    "このデモはデモー１同様にGPS衛星の電波受信状況を",
    "周辺障害の影響を計算して行います。",
    "違いはGoogle Earthの3D画像を用いて作成する",
    "障害物データの作成方法です。この場合はGoogle",
    "Earth 3D画像において屋上の境界がハッキリして",
    "いることが重要です。その他はデモー1と同じです",
    "",
};
// clang-format on

constexpr AltitudeTexts kPictureTexts{"598", "127", "1962", "416"};

} // namespace

const std::array<DemoStep, kDemoStepSlots>& DemoStepsFor(int demo) {
    return demo == 2 ? kDemo2Steps : kDemo1Steps;
}

const std::array<std::string_view, kDemoIntroLines>& DemoIntroLinesFor(int demo) {
    return demo == 2 ? kDemo2Intro : kDemo1Intro;
}

const AltitudeTexts& DemoPictureTexts() {
    return kPictureTexts;
}

} // namespace velmora
