// SPDX-License-Identifier: GPL-3.0-or-later
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

// A roof the picture shows that `buildings` leaves out, and why. A search of
// the whole picture that registers one has found neither a building of the
// list nor something that is no building: it is counted apart.
enum class UnlistedWhy {
    MostlyHidden, // a building in front covers much of it, or cuts it in pieces
    AtEdge,       // the picture's edge cuts it
    Low,          // a low house with a dark roof
    Other,        // no click well inside it, or too big for the tracer's frame
};
struct UnlistedRoof {
    std::vector<velmora::PicturePoint> seen; // one piece of the roof as the picture shows it
    UnlistedWhy why = UnlistedWhy::Other;
    double height = 0;
};

struct RealisticPicture {
    QImage image;   // as decoded from the JPEG file (flat-fill pictures: as drawn)
    int preset = 1; // altitude presets of sample picture 1 or 2
    int quality = 0;
    std::vector<TrueBuilding> buildings;
    std::vector<UnlistedRoof> unlisted;
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
    std::string refused;          // why the click traced nothing; empty when it traced
    std::string noWall;           // why no wall was registered with a traced roof
    double searched = 0;          // the height search's best height (0: not run)
    double support = 0;           // and its support
    double rival = 0;             // the other height when two fit
    double groundSupport = 0;     // the support of the faces' feet alone
    double verticalSupport = 0;   // and of the silhouette's verticals alone
    double margin = 0;            // the rival's score as a share of the best one's
};
// The click as the window ran it before the height search: the dominant-grey
// gate, the roof stages, the wall stage's longest line unchecked.
// `grey`: what the tracer reads; `preset` and `width` give the view.
std::vector<TraceOutcome> TraceEach(const velmora::GreyRaster& grey, int preset, int width,
                                    const std::vector<TrueBuilding>& buildings);
// The click as the window runs it now: RoofTracer::Trace with the camera.
std::vector<TraceOutcome> TraceEachChecked(const velmora::TraceInput& input, int preset, int width,
                                           const std::vector<TrueBuilding>& buildings);
// The camera of sample preset `preset` for a picture `width` pixels wide.
velmora::TraceCamera CameraOf(int preset, int width);
// The picture's grey copy as the window makes it, floor((R + G + B) / 3).
velmora::GreyRaster PlainGrey(const QImage& image);

// Distance from p to the closed outline through `corners`.
double DistanceToOutline(const std::vector<velmora::PicturePoint>& corners,
                         velmora::PicturePoint p);

} // namespace realpics
