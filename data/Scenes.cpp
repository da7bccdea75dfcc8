// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/Scenes.h"

namespace velmora {

namespace {

// Scene of sample picture 2 (demo 1, sample data 2): six office blocks drawn
// by hand; heights in metres, plan corners in metres from the ground point
// seen at the picture centre. Each outline ends with a copy of its first point.
// clang-format off
constexpr PicturePoint kDemo1Points[] = {
    {110, 4}, {111, -62}, {263, -73}, {258, -43}, {278, -42}, {272, -8}, {110, 4},
    {109, 70}, {112, 12}, {262, 1}, {252, 63}, {109, 70},
    {68, 195}, {101, 169}, {196, 166}, {189, 275}, {73, 281}, {68, 195},
    {-161, 260}, {-165, 249}, {-141, 248}, {-159, 196}, {-124, 195}, {-108, 260}, {-161, 260},
    {-203, 243}, {-221, 197}, {-166, 195}, {-151, 241}, {-203, 243},
    {-327, -13}, {-195, -21}, {-174, 47}, {-106, 43}, {-140, -109}, {-365, -94}, {-327, -13},
};
constexpr PicturePoint kDemo1PlanPoints[] = {
    {15.5f, -18.8f}, {14.6f, -29.6f}, {34.2f, -31.3f}, {34.6f, -26.7f}, {37.3f, -26.5f},
        {37.9f, -20.9f},
        {15.5f, -18.8f},
    {16.4f, -7.1f}, {15.8f, -18.1f}, {36.4f, -20}, {37.6f, -8.5f}, {16.4f, -7.1f},
    {12.7f, 28.1f}, {18.2f, 20.6f}, {35.1f, 19.8f}, {39.7f, 54.7f}, {15.5f, 57}, {12.7f, 28.1f},
    {-31.4f, 43.1f}, {-31.7f, 39.4f}, {-27, 39.1f}, {-28.2f, 23.3f}, {-22, 23}, {-21.1f, 43.1f},
        {-31.4f, 43.1f},
    {-38.7f, 37.8f}, {-39.4f, 23.9f}, {-29.5f, 23.3f}, {-28.7f, 37.2f}, {-38.7f, 37.8f},
    {-45, -22.1f}, {-26.6f, -23.5f}, {-25.6f, -11.3f}, {-15.5f, -12.1f}, {-17.4f, -36.8f},
        {-46.1f, -34.7f},
        {-45, -22.1f},
};
constexpr SceneRoof kDemo1Roofs[] = {
    {0, 7, 26.3f},
    {7, 5, 27.2f},
    {12, 6, 23.2f},
    {18, 7, 27.1f},
    {25, 5, 26.9f},
    {30, 7, 26.9f},
};
constexpr SceneWall kDemo1Walls[] = {
    {{111, -62}, {93, -146}, 0},
    {{109, 70}, {92, -31}, 1},
    {{101, 169}, {90, 82}, 2},
    {{68, 195}, {62, 104}, 2},
    {{196, 166}, {170, 76}, 2},
    {{-124, 195}, {-105, 88}, 3},
    {{-221, 197}, {-188, 91}, 4},
    {{-140, -109}, {-110, -191}, 5},
    {{-106, 43}, {-88, -52}, 5},
    {{-365, -94}, {-295, -175}, 5},
};
// clang-format on

// Scene of sample picture 1 (demo 2, sample data 1): seven blocks as the
// one-click tracer outlines them, with the double-click point of each roof.
// clang-format off
constexpr PicturePoint kDemo2Points[] = {
    {83, 116}, {83, 127}, {83, 129}, {85, 131}, {86, 139}, {108, 131},
        {230, 124}, {236, 116}, {241, 116}, {234, 114}, {239, 109}, {236, 100},
        {225, 100}, {223, 100}, {213, 103}, {83, 116},
    {-106, 120}, {-106, 126}, {-106, 128}, {-97, 150}, {-76, 145}, {-61, 143},
        {49, 133}, {61, 133}, {59, 130}, {58, 114}, {50, 115}, {47, 106},
        {32, 106}, {30, 106}, {28, 108}, {-106, 120},
    {-303, 163}, {-294, 176}, {-290, 174}, {-137, 159}, {-132, 164}, {-114, 161},
        {-114, 157}, {-115, 154}, {-123, 136}, {-143, 136}, {-295, 152}, {-300, 153},
        {-303, 163},
    {-298, 68}, {-286, 84}, {-173, 53}, {-161, 47}, {-153, 54}, {-131, 47},
        {-151, 13}, {-156, 13}, {-293, 55}, {-291, 64}, {-298, 68},
    {-116, 15}, {-116, 24}, {-116, 26}, {-111, 33}, {-97, 31}, {35, 24},
        {47, 28}, {76, 26}, {76, -7}, {76, -9}, {76, -11}, {63, -9},
        {-104, -1}, {-102, 12}, {-116, 15},
    {-354, -65}, {-339, -43}, {-156, -101}, {-145, -109}, {-140, -100}, {-113, -110},
        {-136, -156}, {-142, -156}, {-349, -83}, {-344, -70}, {-354, -65},
    {-74, -167}, {-68, -139}, {-70, -132}, {-65, -126}, {-64, -118}, {-41, -119},
        {-28, -127}, {-7, -127}, {209, -150}, {209, -172}, {209, -174}, {193, -174},
        {182, -197}, {128, -189}, {-23, -175}, {-27, -172}, {-74, -167},
};
constexpr PicturePoint kDemo2PlanPoints[] = {
    {20, 23.6f}, {20.2f, 27.2f}, {20.3f, 27.8f}, {20.8f, 28.5f}, {21.2f, 31.2f}, {26.4f, 28.5f},
        {55.8f, 26.2f}, {56.8f, 23.6f}, {58, 23.6f}, {56.2f, 22.9f}, {57.1f, 21.3f}, {55.8f, 18.5f},
        {53.2f, 18.5f}, {52.7f, 18.5f}, {50.5f, 19.4f}, {20, 23.6f},
    {-25.4f, 23.7f}, {-25.5f, 25.7f}, {-25.6f, 26.4f}, {-24, 33.8f}, {-18.7f, 32.1f}, {-15, 31.4f},
        {11.9f, 28}, {14.8f, 28}, {14.3f, 27}, {13.8f, 21.8f}, {11.9f, 22.1f}, {11.1f, 19.3f},
        {7.5f, 19.3f}, {7.1f, 19.3f}, {6.6f, 19.9f}, {-25.4f, 23.7f},
    {-75.7f, 37.6f}, {-74.6f, 42.3f}, {-73.4f, 41.6f}, {-34.1f, 36.2f}, {-33, 38}, {-28.4f, 36.9f},
        {-28.3f, 35.5f}, {-28.4f, 34.5f}, {-29.8f, 28.3f}, {-34.6f, 28.3f}, {-72.8f, 33.8f},
        {-74.1f, 34.1f},
        {-75.7f, 37.6f},
    {-67.2f, 7.5f}, {-65.6f, 12.2f}, {-38.4f, 3.2f}, {-35.5f, 1.5f}, {-34, 3.5f}, {-28.9f, 1.5f},
        {-32.2f, -7.5f}, {-33.2f, -7.5f}, {-65.2f, 3.8f}, {-65.3f, 6.3f}, {-67.2f, 7.5f},
    {-24.6f, -7.7f}, {-24.8f, -5.3f}, {-24.8f, -4.8f}, {-23.9f, -2.9f}, {-20.9f, -3.5f},
        {7.5f, -5.3f},
        {10.1f, -4.3f}, {16.3f, -4.8f}, {15.8f, -13.2f}, {15.7f, -13.7f}, {15.7f, -14.2f},
        {13, -13.7f},
        {-21.7f, -11.7f}, {-21.5f, -8.4f}, {-24.6f, -7.7f},
    {-70.1f, -26.2f}, {-68.5f, -21.2f}, {-29.9f, -33.9f}, {-27.6f, -35.6f}, {-26.8f, -33.7f},
        {-21.5f, -35.8f},
        {-24.8f, -44.8f}, {-25.9f, -44.8f}, {-67.9f, -30.1f}, {-67.8f, -27.3f}, {-70.1f, -26.2f},
    {-13.2f, -47.4f}, {-12.5f, -42.1f}, {-12.9f, -40.7f}, {-12, -39.6f}, {-11.9f, -38},
        {-7.6f, -38.2f},
        {-5.2f, -39.8f}, {-1.3f, -39.8f}, {37.9f, -44.2f}, {37.2f, -48.3f}, {37.2f, -48.6f},
        {34.3f, -48.6f},
        {31.7f, -52.7f}, {22.5f, -51.3f}, {-4.1f, -48.8f}, {-4.8f, -48.3f}, {-13.2f, -47.4f},
};
constexpr SceneRoof kDemo2Roofs[] = {
    {0, 16, 15},
    {16, 16, 16.2f},
    {32, 13, 16.9f},
    {45, 11, 16.6f},
    {56, 15, 17.5f},
    {71, 11, 16.5f},
    {82, 17, 17.8f},
};
constexpr SceneWall kDemo2Walls[] = {
    {{83, 116}, {76, 76}, 0},
    {{47, 106}, {43, 63}, 1},
    {{-123, 136}, {-116, 90}, 2},
    {{-293, 55}, {-276, 13}, 3},
    {{76, -9}, {70, -50}, 4},
    {{-349, -83}, {-324, -117}, 5},
    {{-74, -167}, {-74, -197}, 6},
};
constexpr PicturePoint kDemo2Clicks[] = {
    {150, 113}, {-11, 120}, {-183, 149}, {-208, 41}, {1, 7}, {-183, -118}, {96, -162},
};
// clang-format on

constexpr DemoScene kScene1{
    kDemo1Points,
    kDemo1PlanPoints,
    kDemo1Roofs,
    kDemo1Walls,
    {},
    {657, 784, -13, -3},
    {598, 126.9125f, 102, 36.51477f},
    {"598", "102", "1962", "416"},
    4.0f,
};

constexpr DemoScene kScene2{
    kDemo2Points,
    kDemo2PlanPoints,
    kDemo2Roofs,
    kDemo2Walls,
    kDemo2Clicks,
    {657, 784, -13, 1},
    {589, 160.1795f, 134, 33.2212f},
    {"589", "134", "1932", "526"},
    4.0f,
};

// Sample data 1 is the scene of demo 2, sample data 2 that of demo 1.
constexpr SampleDataValues kSampleData1{
    0, {657, 788, -13, 1}, {589, 160.1795f, 134, 33.2212f}, {"589", "134", "1932", "526"}, &kScene2,
};
constexpr SampleDataValues kSampleData2{
    0,        {657, 788, -13, -3}, {598, 126.9125f, 102, 36.51477f}, {"598", "102", "1962", "416"},
    &kScene1,
};

constexpr AltitudeTexts kPicturePresets1{"589", "134", "1932", "440"};
constexpr AltitudeTexts kPicturePresets2{"598", "102", "1961", "334"};

} // namespace

const DemoScene& DemoSceneFor(int demo) {
    return demo == 2 ? kScene2 : kScene1;
}

const SampleDataValues& SampleDataFor(int set) {
    return set == 2 ? kSampleData2 : kSampleData1;
}

const AltitudeTexts& SamplePicturePresets(int picture) {
    return picture == 2 ? kPicturePresets2 : kPicturePresets1;
}

PictureSize SamplePictureSize(int picture) {
    return picture == 2 ? PictureSize{788, 678} : PictureSize{780, 678};
}

const DemoScene& SamplePictureScene(int picture) {
    return *SampleDataFor(picture == 2 ? 2 : 1).scene;
}

BuildingGreys SamplePictureGreys(int picture) {
    return picture == 2 ? BuildingGreys{214, 169} : BuildingGreys{208, 163};
}

float SceneMeasuringWidth(int picture) {
    return picture == 2 ? 788.0f : 784.0f;
}

bool LoadSceneTables(BuildingData& d, const DemoScene& s, bool withPlanPoints) {
    // The scenes are far below every capacity; the checks keep it that way.
    if (s.points.size() > kPointCapacity || s.roofs.size() > kRoofCapacity ||
        s.walls.size() > kWallCapacity)
        return false;

    d.gTopAreaPointTotalNumber = static_cast<Count>(s.points.size());
    for (std::size_t i = 0; i < s.points.size(); ++i) {
        const bool plan = withPlanPoints && i < s.planPoints.size();
        d.gTopAreaX[i] = s.points[i].x;
        d.gTopAreaY[i] = s.points[i].y;
        d.gFlatTopAreaX[i] = plan ? s.planPoints[i].x : 0;
        d.gFlatTopAreaY[i] = plan ? s.planPoints[i].y : 0;
    }
    d.gEachTopAreaNumber = static_cast<Count>(s.roofs.size());
    for (std::size_t r = 0; r < s.roofs.size(); ++r) {
        d.gEachTopAreaStartNum[r] = s.roofs[r].start;
        d.gEachTopAreaPointNum[r] = s.roofs[r].count;
        d.gEachClosedTopAreaSTS[r] = 1;
        d.gFlatTopHeight[r] = s.roofs[r].height;
    }
    d.gWallEdgeNumber = static_cast<Count>(s.walls.size());
    for (std::size_t w = 0; w < s.walls.size(); ++w) {
        d.gFirstWallEdgeX[w] = s.walls[w].upper.x;
        d.gFirstWallEdgeY[w] = s.walls[w].upper.y;
        d.gSecondWallEdgeX[w] = s.walls[w].lower.x;
        d.gSecondWallEdgeY[w] = s.walls[w].lower.y;
        d.gWallEdgefotEachTopArea[w] = s.walls[w].owner;
    }
    return true;
}

bool LoadSampleDataTables(BuildingData& d, int set) {
    if (set != 1 && set != 2)
        return false;
    return LoadSceneTables(d, *SampleDataFor(set).scene, false);
}

} // namespace velmora
