// Realistic test pictures for one-click tracing, with known answers: oblique
// views of a town block through the program's camera model, as a real 3D
// screenshot shows them. Roofs and wall faces carry texture and noise, roofs
// small fixtures; edges are antialiased (painted at three times the size and
// scaled down); the ground is cluttered (roads, grass, trees, cars) and the
// picture goes through JPEG coding. Each picture is made from its index
// alone, so a set is the same on every run and nothing is checked in.
#pragma once

#include <QImage>
#include <optional>
#include <string>
#include <vector>

#include "data/BuildingData.h"
#include "tracing/RoofTracer.h"

namespace realpics {

struct TrueBuilding {
    std::vector<velmora::PicturePoint> roof; // corners in picture coordinates
    velmora::PicturePoint click;             // a double-click well inside the roof
    double height = 0;                       // metres
};

struct RealisticPicture {
    QImage image;   // as decoded from the JPEG file
    int preset = 1; // altitude presets of sample picture 1 or 2
    int quality = 0;
    std::vector<TrueBuilding> buildings;
};

inline constexpr int kRealisticPictureCount = 16;

RealisticPicture PaintRealisticPicture(int index);

// One double-click with the one-click tool at a building's click point, as
// the main window runs it: gate, roof, registration, wall, height.
struct TraceOutcome {
    std::vector<velmora::PicturePoint> outline; // empty: the click was refused
    double worstCorner = -1;                    // px from the true outline; -1 without corners
    std::optional<velmora::WallLine> wall;
    std::optional<double> height; // metres, from the wall
};
// `grey`: what the tracer reads; `preset` and `width` give the view.
std::vector<TraceOutcome> TraceEach(const velmora::GreyRaster& grey, int preset, int width,
                                    const std::vector<TrueBuilding>& buildings);

// Distance from p to the closed outline through `corners`.
double DistanceToOutline(const std::vector<velmora::PicturePoint>& corners,
                         velmora::PicturePoint p);

} // namespace realpics
