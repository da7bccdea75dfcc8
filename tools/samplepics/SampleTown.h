// SPDX-License-Identifier: GPL-3.0-or-later
// Paints the two built-in sample pictures: an oblique view of a town block
// whose buildings are the ones of the built-in scene tables.
#pragma once

#include <QImage>
#include <QPointF>
#include <QPolygonF>
#include <vector>

#include "data/Scenes.h"

namespace samplepics {

// The pinhole camera of the scene (tilt, slant range, picture scale), used
// to lay the ground, trees and the other houses of the town in plan metres.
class Camera {
  public:
    Camera(const velmora::DemoScene& scene, double measuringWidth);
    // Picture point (x right, y up, origin at the centre) of the plan point
    // (X, Y) metres lifted h metres above the ground.
    QPointF ToPicture(double planX, double planY, double h) const;

  private:
    double f_, theta_, k_, c_, g_;
};

// One scene building as drawn, in picture coordinates: the roof outline and,
// for each of its corners, the way down to the ground. A corner with a wall
// line goes down that line; the others go down the camera's vertical there,
// bent by the walls' difference from the camera (nearer walls weigh more).
struct SceneBuilding {
    QPolygonF roof;
    std::vector<QPointF> down; // one per roof point
};
std::vector<SceneBuilding> SceneBuildings(const velmora::DemoScene& scene, const Camera& camera);

// Which pixels are roof, wall face or ground after painting; used to check
// the written picture against what was meant.
enum class PixelKind : unsigned char { Ground, Wall, Roof };

struct SamplePicture {
    QImage image;
    std::vector<PixelKind> kinds; // row-major, image width x height
};

SamplePicture PaintSamplePicture(int picture);

} // namespace samplepics
