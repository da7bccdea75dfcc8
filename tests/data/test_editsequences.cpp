// Random edit sequences on random records, some of them filled up to the
// capacities. After every step the tables must be consistent and agree with
// a plain model of roofs and walls kept in vectors.
#include <QtTest>

#include <cmath>
#include <random>

#include "data/Editing.h"
#include "support/Records.h"

using namespace velmora;
using namespace testsupport;

namespace {

struct ModelRoof {
    Outline points; // closed: the last repeats the first
    float height = 0;
};
struct ModelWall {
    PicturePoint upper, lower;
    int owner = 0;
};

struct Model {
    std::vector<ModelRoof> roofs;
    std::vector<ModelWall> walls;

    int Total() const {
        int n = 0;
        for (const auto& r : roofs)
            n += int(r.points.size());
        return n;
    }
    int Start(int r) const {
        int n = 0;
        for (int i = 0; i < r; ++i)
            n += int(roofs[i].points.size());
        return n;
    }
    bool Valid(int r) const { return r >= 0 && r < int(roofs.size()); }
    void RemoveRoof(int a) {
        roofs.erase(roofs.begin() + a);
        std::vector<ModelWall> kept;
        for (auto w : walls) {
            if (w.owner == a)
                continue;
            if (w.owner > a)
                --w.owner;
            kept.push_back(w);
        }
        walls = kept;
    }
    // Deletes point `idx` of roof a's run; false when the roof went with it.
    bool DeletePoint(int a, int idx) {
        Outline& p = roofs[a].points;
        if (idx == int(p.size()) - 1 && p.size() > 1)
            idx = 0;
        p.erase(p.begin() + idx);
        if (idx == 0 && !p.empty())
            p.back() = p.front();
        if (p.size() >= 4)
            return true;
        RemoveRoof(a);
        return false;
    }
};

Model FromRecord(const BuildingData& d) {
    Model m;
    for (int r = 0; r < d.gEachTopAreaNumber; ++r)
        m.roofs.push_back({RoofPoints(d, r), d.gFlatTopHeight[r]});
    for (int w = 0; w < d.gWallEdgeNumber; ++w)
        m.walls.push_back({{d.gFirstWallEdgeX[w], d.gFirstWallEdgeY[w]},
                           {d.gSecondWallEdgeX[w], d.gSecondWallEdgeY[w]},
                           d.gWallEdgefotEachTopArea[w]});
    return m;
}

// Empty when record and model hold the same roofs and walls.
std::string Difference(const BuildingData& d, const Model& m) {
    if (d.gEachTopAreaNumber != int(m.roofs.size()))
        return "roof count";
    if (d.gWallEdgeNumber != int(m.walls.size()))
        return "wall count";
    if (d.gTopAreaPointTotalNumber != m.Total())
        return "point total";
    int slot = 0;
    for (int r = 0; r < int(m.roofs.size()); ++r) {
        const Outline& points = m.roofs[r].points;
        if (d.gEachTopAreaPointNum[r] != int(points.size()))
            return "point count of roof " + std::to_string(r);
        for (const PicturePoint& p : points) {
            if (d.gTopAreaX[slot] != p.x || d.gTopAreaY[slot] != p.y)
                return "points of roof " + std::to_string(r);
            ++slot;
        }
        if (d.gFlatTopHeight[r] != m.roofs[r].height)
            return "height of roof " + std::to_string(r);
    }
    for (int w = 0; w < int(m.walls.size()); ++w) {
        const ModelWall& e = m.walls[w];
        if (d.gFirstWallEdgeX[w] != e.upper.x || d.gFirstWallEdgeY[w] != e.upper.y ||
            d.gSecondWallEdgeX[w] != e.lower.x || d.gSecondWallEdgeY[w] != e.lower.y ||
            d.gWallEdgefotEachTopArea[w] != e.owner)
            return "wall " + std::to_string(w);
    }
    return {};
}

class Sequence {
  public:
    explicit Sequence(unsigned seed) : rng_(seed) {}

    void Fill() {
        const int variant = Int(0, 9);
        if (variant == 0) { // points and walls near their capacities
            while (d_.gTopAreaPointTotalNumber < 1985)
                AddRandomRoof(Int(3, 12));
            while (d_.gWallEdgeNumber < Int(795, 801))
                AddWall(d_, Point(), Point(), Count(Int(0, d_.gEachTopAreaNumber - 1)));
        } else if (variant == 1) { // roof table near its capacity
            AddRandomRoof(4);
            while (d_.gEachTopAreaNumber < Int(496, 501))
                AddRandomRoof(1);
        } else {
            for (int i = Int(0, 6); i > 0; --i)
                AddRandomRoof(Int(3, 7));
            for (int i = Int(0, 10); i > 0 && d_.gEachTopAreaNumber > 0; --i)
                AddWall(d_, Point(), Point(), Count(Int(0, d_.gEachTopAreaNumber - 1)));
        }
        m_ = FromRecord(d_);
    }

    // One random step; returns a description of the first disagreement.
    std::string Step() {
        const int roofs = d_.gEachTopAreaNumber;
        const int a = Int(-1, roofs); // sometimes no roof, sometimes stale
        const bool valid = m_.Valid(a);
        const int s = valid ? m_.Start(a) : 0;
        const int n = valid ? int(m_.roofs[a].points.size()) : 0;
        const int k = s + Int(-1, n); // sometimes just outside the run
        const int w = Int(-1, int(m_.walls.size()));
        const bool kInRun = valid && k >= s && k < s + n;
        const bool wValid = w >= 0 && w < int(m_.walls.size());
        op_ = Int(0, 9);
        switch (op_) {
        case 0: {
            Outline corners;
            for (int i = Int(1, 8); i > 0; --i)
                corners.push_back(Point());
            Outline closed = corners;
            closed.push_back(corners.front());
            const bool fits = roofs + 1 <= int(kRoofCapacity) &&
                              m_.Total() + int(closed.size()) <= int(kPointCapacity);
            if ((AppendTopArea(d_, closed) == AppendResult::Ok) != fits)
                return "append roof result";
            if (fits)
                m_.roofs.push_back({closed, 0});
            break;
        }
        case 1:
            if (std::string e = DrawOutline(); !e.empty())
                return e;
            break;
        case 2: {
            const WallStart start{1, float(Int(-300, 300)), float(Int(-300, 300))};
            const PicturePoint lower = Point();
            const bool fits = valid && m_.walls.size() + 1 <= kWallCapacity;
            if ((AddWallEdge(d_, Count(a), start, lower.x, lower.y) == EditRefusal::None) != fits)
                return "add wall result";
            if (fits)
                m_.walls.push_back({{start.pWallStartX, start.pWallStartY}, lower, a});
            break;
        }
        case 3: {
            const PicturePoint p = Point();
            const bool ok = kInRun && k > s && m_.Total() + 1 <= int(kPointCapacity);
            if ((InsertTopPoint(d_, Count(a), Count(k), p.x, p.y) == EditRefusal::None) != ok)
                return "insert result";
            if (ok)
                m_.roofs[a].points.insert(m_.roofs[a].points.begin() + (k - s), p);
            break;
        }
        case 4: {
            const int expected = kInRun ? (m_.DeletePoint(a, k - s) ? 1 : 0) : -1;
            if (DeleteTopPoint(d_, Count(a), Count(k)) != expected)
                return "delete point result";
            break;
        }
        case 5: {
            int expected = -1;
            if (kInRun && wValid) {
                m_.walls.erase(m_.walls.begin() + w);
                expected = m_.DeletePoint(a, k - s) ? 1 : 0;
            }
            if (DeleteTopPointAndWall(d_, Count(a), Count(k), Count(w)) != expected)
                return "delete point and wall result";
            break;
        }
        case 6: {
            int expected = -1;
            if (valid && wValid) {
                m_.walls.erase(m_.walls.begin() + w);
                expected = m_.walls.empty() ? 0 : 1;
            }
            if (DeleteWallEdge(d_, Count(a), Count(w)) != expected)
                return "delete wall result";
            break;
        }
        case 7:
            if (RemoveActiveTopArea(d_, Count(a)) != valid)
                return "remove roof result";
            if (valid)
                m_.RemoveRoof(a);
            break;
        case 8: {
            MoveGrab g;
            g.pGrabbed = 1;
            g.pGrabPoint = Count(k);
            const bool top = Int(0, 1) == 1;
            (top ? g.pGrabWallTop : g.pGrabWallBottom) = Count(w);
            const PicturePoint p = Point();
            MoveSlopePoint(d_, Count(a), g, SelectBox{}, p.x, p.y);
            if (!valid)
                break;
            if (kInRun && (top || w < 0)) {
                Outline& pts = m_.roofs[a].points;
                const int idx = (k - s == n - 1 && n > 1) ? 0 : k - s;
                pts[idx] = p;
                if (idx == 0)
                    pts.back() = p;
            }
            if (wValid)
                (top ? m_.walls[w].upper : m_.walls[w].lower) = p;
            break;
        }
        default: {
            // The tools' double-click on or near a stored point: checked for
            // consistency only, the model follows the record.
            const int tool = Int(5, 6);
            PicturePoint p = Point();
            if (d_.gTopAreaPointTotalNumber > 0) {
                const int j = Int(0, d_.gTopAreaPointTotalNumber - 1);
                p = {d_.gTopAreaX[j] + float(Int(-4, 4)), d_.gTopAreaY[j] + float(Int(-4, 4))};
            }
            SlopeDoubleClick(d_, tool, Count(a), p.x, p.y);
            m_ = FromRecord(d_);
            break;
        }
        }
        if (std::string e = InvariantViolation(d_); !e.empty())
            return e;
        return Difference(d_, m_);
    }

    int LastOp() const { return op_; }

  private:
    int Int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    PicturePoint Point() { return {float(Int(-300, 300)), float(Int(-300, 300))}; }

    void AddRandomRoof(int corners) {
        Outline c;
        for (int i = 0; i < corners; ++i)
            c.push_back(Point());
        AddRoof(d_, c, float(Int(0, 40)));
    }

    // Clicks a short outline with the roof tool and closes it on its first
    // point; the model takes the roof exactly when the tool reports it.
    std::string DrawOutline() {
        OutlineBuffer o;
        Outline clicked;
        const PicturePoint first = Point();
        for (int i = Int(1, 5); i >= 0; --i) {
            const PicturePoint p = clicked.size() >= 3 && i == 0
                                       ? PicturePoint{first.x + 1, first.y + 1}
                                       : (clicked.empty() ? first : Point());
            const bool closes =
                clicked.size() >= 3 && std::hypot(p.x - first.x, p.y - first.y) < kCloseDistance;
            const RoofClickResult r = RoofToolClick(d_, o, p.x, p.y);
            if (closes) {
                Outline closed = clicked;
                closed.push_back(first);
                const bool fits = m_.roofs.size() + 1 <= kRoofCapacity &&
                                  m_.Total() + int(closed.size()) <= int(kPointCapacity);
                if ((r.kind == RoofClickKind::RoofClosed) != fits || o.pDrawPointNum != 0)
                    return "closing click";
                if (fits)
                    m_.roofs.push_back({closed, 0});
                break;
            }
            const bool room = m_.roofs.size() + 1 <= kRoofCapacity &&
                              m_.Total() + int(clicked.size()) + 2 <= int(kPointCapacity);
            if ((r.kind == RoofClickKind::PointAdded) != room)
                return "outline click";
            if (room)
                clicked.push_back(p);
        }
        return {};
    }

    std::mt19937 rng_;
    BuildingData d_;
    Model m_;
    int op_ = -1;
};

} // namespace

class EditSequencesTest : public QObject {
    Q_OBJECT
  private slots:
    void randomSequences() {
        constexpr int kSequences = 2500;
        constexpr int kSteps = 40;
        for (int seq = 0; seq < kSequences; ++seq) {
            Sequence s(static_cast<unsigned>(seq));
            s.Fill();
            for (int step = 0; step < kSteps; ++step) {
                const std::string e = s.Step();
                if (!e.empty())
                    QFAIL(qPrintable(QString("sequence %1 step %2 op %3: %4")
                                         .arg(seq)
                                         .arg(step)
                                         .arg(s.LastOp())
                                         .arg(QString::fromStdString(e))));
            }
        }
    }
};

QTEST_APPLESS_MAIN(EditSequencesTest)
#include "test_editsequences.moc"
