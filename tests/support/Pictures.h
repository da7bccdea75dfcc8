// SPDX-License-Identifier: GPL-3.0-or-later
// Synthetic grey pictures for the tracing tests: a textured ground, roofs of
// uniform light grey and darker wall faces, all placed in picture
// coordinates (pixel (x, y) = the pixel whose top-left corner is the picture
// position (x, y), y upwards).
#pragma once

#include <QMetaType>
#include <initializer_list>
#include <vector>

#include "tracing/GreyImage.h"
#include "tracing/RoofTracer.h"

namespace tracetest {

// A short list for a data row.
inline std::vector<int> Ints(std::initializer_list<int> v) {
    return v;
}

// Ground of deterministic noise with greys lo ... hi.
velmora::GreyRaster TexturedGround(int width, int height, int lo = 40, int hi = 120,
                                   unsigned seed = 7);

// Fills the pixels x0 ... x1, y0 ... y1 (inclusive picture positions).
void FillBox(velmora::GreyRaster& picture, int x0, int x1, int y0, int y1, int grey);

// A block seen obliquely: roof x0 ... x1, y0 ... y1 and, directly below it,
// a wall face of the same width and `wallHeight` rows.
struct Block {
    int x0, x1, y0, y1;
    int wallHeight;
};
void DrawBlock(velmora::GreyRaster& picture, const Block& b, int roofGrey, int wallGrey);

// Records the positions asked for and answers with one grey value.
class RecordingImage : public velmora::GreyImage {
  public:
    explicit RecordingImage(int grey) : grey_(grey) {}
    int Grey(double x, double y) const override {
        lastX = x;
        lastY = y;
        return grey_;
    }
    mutable double lastX = 0;
    mutable double lastY = 0;

  private:
    int grey_;
};

// Local frame helpers for a trace clicked at picture (clickX, clickY):
// local (lx, ly) is picture (lx - 250 + clickX, ly - 195 + clickY).
struct Frame {
    int clickX = 0;
    int clickY = 0;
    int PictureX(int lx) const { return lx - 250 + clickX; }
    int PictureY(int ly) const { return ly - 195 + clickY; }
    void FillLocal(velmora::GreyRaster& picture, int lx0, int lx1, int ly0, int ly1,
                   int grey) const {
        FillBox(picture, PictureX(lx0), PictureX(lx1), PictureY(ly0), PictureY(ly1), grey);
    }
};

// A town of boxes drawn exactly through a camera, for the camera check:
// a noisy dark ground, grey faces (two greys by the face's direction) and
// light roofs, far ones first.
struct TownCamera {
    double theta = 0; // radians
    double f = 0;     // slant range, metres
    double k = 0;     // image-plane metres a picture unit
};
// Sample picture 1's camera (altitudes 589 m and 134 m) for a picture
// `width` pixels wide.
TownCamera SampleOneCamera(int width);
struct Pt {
    double x = 0;
    double y = 0;
};
// Fills a picture polygon, each pixel by its centre.
void FillPolygon(velmora::GreyRaster& g, const std::vector<Pt>& poly, int grey);
struct BoxTown {
    velmora::GreyRaster picture;
    std::vector<velmora::PicturePoint> clicks; // the roofs' middles, far ones first
};
// One 24 x 18 m box (18 ... 38 m high) standing at each picture position.
BoxTown DrawBoxTown(const TownCamera& c, const std::vector<Pt>& at, int width, int height);
// Nine positions spread over an 800 x 680 picture.
std::vector<Pt> TownGrid();

// Euclidean distance between two picture points.
double Distance(velmora::PicturePoint a, velmora::PicturePoint b);

// Smallest distance from p to any of the points.
double NearestDistance(velmora::PicturePoint p, const std::vector<velmora::PicturePoint>& points);

// Sets gWorkMap cells of a tracer.
void MarkCells(velmora::RoofTracer& t, const std::vector<velmora::CellRow>& cells,
               std::uint8_t value);

} // namespace tracetest

Q_DECLARE_METATYPE(std::vector<int>)
