// SPDX-License-Identifier: GPL-3.0-or-later
// The building's height read from the picture through the camera model.
// For an assumed height the model says where each roof corner's vertical
// edge runs (towards the nadir) and where the roof outline lands on the
// ground; the picture's gradients either show edges there or not. Every
// candidate height is scored that way, and one is taken only when it wins
// clearly over every other height and over "no building here".
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "data/PicturePoint.h"
#include "tracing/EdgeField.h"
#include "tracing/GreyImage.h"

namespace velmora {

// The inclined view's camera: tilt, slant range (metres) and the image
// plane's metres per picture unit.
struct TraceCamera {
    double thetaRad = 0;
    double slantRange = 0;
    double metresPerUnit = 0;
};

struct WallLine {
    PicturePoint top;
    PicturePoint bottom;
};

enum class HeightVerdict {
    Found,      // one height clearly best
    TooWeak,    // no height has enough edge evidence
    TwoHeights, // two heights far apart fit about equally well
    FaceGoesOn, // below the best height's feet the face goes on, grey and pattern alike
    FootOnRoof, // the feet stand on another roof, not on the ground
    FootHidden, // the face's foot lies behind a building in front
};

// Why no height was given, in words for the user; empty for Found.
std::string HeightVerdictReason(HeightVerdict v);

struct HeightChoice {
    HeightVerdict verdict = HeightVerdict::TooWeak;
    double height = 0;  // the best-supported height, metres
    double support = 0; // share of the predicted edge pixels the picture shows, 0 ... 1
    // The strongest other height more than 3 m away (0: none), its score
    // as a share of the best one's, and its support. TwoHeights when it
    // comes close.
    double rival = 0;
    double margin = 0;
    double rivalSupport = 0;
    // The support of the best height's two kinds of evidence alone: the
    // faces' feet on the ground and the silhouette's vertical edges.
    double groundSupport = 0;
    double verticalSupport = 0;
    // Found: the vertical edge at the best-supported corner, from the roof
    // corner down to the ground at `height`.
    WallLine wall;
};

// `outline`: the roof's corners in picture coordinates (a closing point equal
// to the first is ignored).
// `grey`: the picture the roof was traced on; with it, what lies below the
// feet is looked at too (the face going on, another roof, a building in
// front), and where two heights fit, what lies between their feet decides.
// `crowded`: the roof stands among others of nearly its grey (wall to wall).
HeightChoice SearchHeight(const std::vector<PicturePoint>& outline, const TraceCamera& camera,
                          const EdgeField& edges, const GreyImage* grey = nullptr,
                          bool crowded = false);

// The height a wall line measures (nothing when the camera cannot measure it).
std::optional<double> LineHeight(const WallLine& line, const TraceCamera& camera);

// Which wall line a click registers with its roof.
enum class WallSource {
    None,   // no height is sure
    Search, // the height search's own line (HeightChoice::wall)
    Staged, // the wall stage's line, which agrees with the search
};

struct ClickHeight {
    HeightChoice height;
    WallSource wall = WallSource::None;
};

// One click's height: the search in the picture's edges, checked against
// the wall stage's own line `staged` (if it found one) and, among crowded
// roofs, against the grey below the feet.
ClickHeight SettleClickHeight(const std::vector<PicturePoint>& outline, const TraceCamera& camera,
                              const EdgeField& edges, const GreyImage* grey, bool crowded,
                              const std::optional<WallLine>& staged);

// ---- The search's stages, in order --------------------------------------
// SearchHeight runs them one after the other; each can be run alone.
namespace heights {

struct Vec {
    double x = 0;
    double y = 0;
};
inline Vec operator-(Vec a, Vec b) {
    return {a.x - b.x, a.y - b.y};
}
double Length(Vec v);

// Whether the picture shows an edge across the unit normal (nx, ny) at
// (x, y), allowing the predicted line to be a pixel off.
bool EdgeAcross(const EdgeField& e, double x, double y, double nx, double ny);

// The roof's corners seen through the camera and, for an assumed height,
// where they stand on the ground and which faces the camera sees.
class RoofModel {
  public:
    RoofModel(const std::vector<PicturePoint>& outline, const TraceCamera& camera);
    // At least three corners and a camera that measures.
    bool Valid() const { return valid_; }
    int Corners() const { return static_cast<int>(roof_.size()); }
    Vec Corner(int i) const { return roof_[std::size_t(i)]; }
    // The tallest height searched: well below the camera's own altitude.
    double Highest() const { return highest_; }
    // Where corner i, assumed h metres high, stands on the ground (picture
    // units), and its plan point.
    std::optional<Vec> Ground(int i, double h, Vec* plan = nullptr) const;
    // The ground points and seen faces for height h; false when the camera
    // cannot place a corner.
    bool Project(double h);
    // For the last height projected: corner i's ground point, and whether
    // the face from corner i to corner i + 1 is seen.
    Vec Base(int i) const { return base_[std::size_t(i)]; }
    const std::vector<Vec>& Bases() const { return base_; }
    bool FaceSeen(int i) const { return faceSeen_[std::size_t(i)]; }
    // The seen faces' feet of the last height projected that are long
    // enough to read: start, direction and length in picture units.
    template <class Visit> void ForEachFoot(Visit&& visit) const {
        const int n = Corners();
        for (int i = 0; i < n; ++i) {
            if (!FaceSeen(i))
                continue;
            const Vec a = Base(i), d = Base((i + 1) % n) - a;
            const double len = Length(d);
            if (len >= 4)
                visit(i, a, d, len);
        }
    }

  private:
    std::vector<Vec> roof_;
    TraceCamera camera_;
    double highest_ = 0;
    bool valid_ = false;
    std::vector<Vec> plan_;
    std::vector<Vec> base_;
    std::vector<bool> faceSeen_;
};

// Each corner's vertical edge runs towards the nadir whatever the height;
// its pixels are read once. Only verticals on the building's silhouette
// count: one between two seen faces, or behind a face, shows no edge.
struct Verticals {
    std::vector<Vec> down;                    // unit direction, per corner
    std::vector<std::vector<int>> shownBelow; // prefix counts of edge pixels
    std::vector<bool> silhouette;
};
// Nothing when a corner's vertical cannot be placed.
std::optional<Verticals> ReadVerticals(RoofModel& roof, const EdgeField& edges);

struct Tally {
    double shown = 0;
    double total = 0;
    double score = 0;
    void Add(double shownPixels, double allPixels, double weight);
    double Score() const { return score; }
    double Share() const { return total > 0 ? shown / total : 0; }
};

struct HeightCandidate {
    double height = 0;
    Tally tally;        // everything
    Tally ground;       // the faces' feet alone
    Tally vertical;     // the silhouette's verticals alone
    int feetPixels = 0; // pixels the faces' feet are read at
    bool read = false;  // whether they have been
    // Pixels read on the silhouette's verticals past the predicted ground,
    // and those of them that show an edge.
    int beyondRead = 0;
    int beyondShown = 0;
    // Whether the verticals go on below this height's ground.
    bool Continues() const;
    int bestCorner = -1;
    Vec bestBottom;
};

// Every height from low to high scored on the silhouette's verticals.
std::vector<HeightCandidate> ScoreVerticals(RoofModel& roof, const Verticals& v,
                                            const EdgeField& edges);
// Adds the faces' feet to the candidates that could still matter.
void ReadFeet(std::vector<HeightCandidate>& candidates, RoofModel& roof, const EdgeField& edges);
// Whether the faces' feet at height h have a twin a little further down:
// then that "foot" is one of a face's repeated bands.
bool FootRepeatsBelow(RoofModel& roof, const Verticals& v, const EdgeField& edges, double h);
// The best candidate, its rival and the verdict.
HeightChoice ChooseHeight(const std::vector<HeightCandidate>& candidates, RoofModel& roof,
                          const Verticals& v, const EdgeField& edges);

// The grey of a band along the seen faces' feet: its mean and spread.
struct Strip {
    double mean = 0;
    double spread = 0;
    int pixels = 0;
};
// What lies just above (from `from` to `to` pixels up, on the face) or
// below (down, past the foot) the seen faces' feet at height h. `frontOnly`:
// only the feet that run across the picture (the faces turned to the
// camera); otherwise only the others.
Strip FootStrip(RoofModel& roof, const GreyImage& grey, double h, bool below, int from, int to,
                bool frontOnly);
// The seen faces turned to the camera (their feet across the picture) as
// they stand between the roof's edge and their feet at height h, their
// top and bottom few pixels left out.
Strip FaceStrip(RoofModel& roof, const GreyImage& grey, double h);
// How deep (pixels, roof edge to foot) the deepest seen face at height h is.
double FaceDepth(RoofModel& roof, double h);
// What ends the faces at height h's feet: Found when they end on a street
// (clearly darker than the face, and uneven); FaceGoesOn when what lies
// below the feet is of the whole face's grey; FootHidden or FootOnRoof
// when it is a roof (a building in front of a face turned to the camera,
// another roof below a side face); TooWeak when it is none of these.
HeightVerdict FaceEndsAt(RoofModel& roof, const GreyImage& grey, double h);
// The heights whose feet fit among crowded roofs, from low to high: peaks
// of their own that score at least half the best and show at least half
// their pixels.
std::vector<std::size_t> FittingFeet(const std::vector<HeightCandidate>& candidates);
// Down the face from foot to fitting foot: the first height below whose
// feet the face does not go on, with FaceEndsAt's verdict (TooWeak: none
// fits; FaceGoesOn: the face goes on below every one).
HeightChoice WalkDownTheFace(const std::vector<HeightCandidate>& candidates, RoofModel& roof,
                             const GreyImage& grey);
// Whether two strips show one surface: alike in grey and in pattern.
bool SameSurface(const Strip& a, const Strip& b);
// Whether a strip is an even, light surface as a roof shows.
bool RoofLike(const Strip& s);
// What the grey below the feet says of height h: Found when the face ends
// there on something else than a roof, or the verdict against it.
// `crowded`: any band like the face below the foot counts as the face.
HeightVerdict CheckFeet(RoofModel& roof, const GreyImage& grey, double h, bool crowded);
// Where two heights fit: the lower one when what lies between their feet
// is not the face going on, the higher one when it is.
double SettleBetweenFeet(RoofModel& roof, const GreyImage& grey, double low, double high);

} // namespace heights

} // namespace velmora
