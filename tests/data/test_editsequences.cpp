// SPDX-License-Identifier: GPL-3.0-or-later
// Random edit sequences on random records, some of them filled up to the
// capacities, with undo and redo in between. After every step the tables
// must be consistent and agree with a plain model of roofs and walls kept in
// vectors, and undo and redo must bring back the model of that moment.
#include <QtTest>

#include <cmath>
#include <random>

#include "data/EditHistory.h"
#include "data/Editing.h"
#include "support/Records.h"

using namespace velmora;
using namespace testsupport;

namespace {

struct ModelRoof {
    Outline points; // closed: the last repeats the first
    float height = 0;
    friend bool operator==(const ModelRoof&, const ModelRoof&) = default;
};
struct ModelWall {
    PicturePoint upper, lower;
    int owner = 0;
    friend bool operator==(const ModelWall&, const ModelWall&) = default;
};

struct Model {
    std::vector<ModelRoof> roofs;
    std::vector<ModelWall> walls;
    // North and the plan points, which the plan map's edits change.
    float north = 0;
    std::vector<PicturePoint> plan;
    friend bool operator==(const Model&, const Model&) = default;

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
    m.north = d.gNorthAngle;
    for (int k = 0; k < d.gTopAreaPointTotalNumber; ++k)
        m.plan.push_back({d.gFlatTopAreaX[k], d.gFlatTopAreaY[k]});
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
    if (d.gNorthAngle != m.north)
        return "north";
    for (int k = 0; k < int(m.plan.size()); ++k)
        if (d.gFlatTopAreaX[k] != m.plan[k].x || d.gFlatTopAreaY[k] != m.plan[k].y)
            return "plan point " + std::to_string(k);
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
        history_.Clear(d_, -1);
    }

    // One random step, sometimes an undo or a redo; returns a description of
    // the first disagreement.
    std::string Step() {
        const int travel = Int(0, 5);
        if (travel < 2)
            return Travel(travel == 0);
        const Model before = m_;
        const std::string e = Edit();
        if (!e.empty())
            return e;
        const bool recorded = history_.Commit(d_, -1);
        if (!recorded && !(m_ == before))
            return "edit not recorded";
        if (recorded) {
            undo_.push_back(before);
            if (undo_.size() > EditHistory::kDepth)
                undo_.erase(undo_.begin());
            redo_.clear();
        }
        return Depths();
    }

    int LastOp() const { return op_; }

  private:
    std::string Travel(bool undo) {
        op_ = undo ? -1 : -2;
        std::vector<Model>& from = undo ? undo_ : redo_;
        std::vector<Model>& to = undo ? redo_ : undo_;
        Count active = -1; // the active roof now, as every step was recorded
        unsigned tag = 1;
        const bool done = undo ? history_.Undo(d_, active, tag) : history_.Redo(d_, active, tag);
        if (done != !from.empty())
            return undo ? "undo result" : "redo result";
        if (!done)
            return Difference(d_, m_);
        if (active != -1 || tag != 0)
            return "active roof or tag";
        to.push_back(m_);
        m_ = from.back();
        from.pop_back();
        if (std::string e = InvariantViolation(d_); !e.empty())
            return e;
        if (std::string e = Depths(); !e.empty())
            return e;
        return Difference(d_, m_);
    }

    std::string Depths() const {
        if (history_.UndoSteps() != undo_.size() || history_.RedoSteps() != redo_.size())
            return "steps kept";
        return {};
    }

    std::string Edit() {
        const int roofs = d_.gEachTopAreaNumber;
        const int a = Int(-1, roofs); // sometimes no roof, sometimes stale
        const bool valid = m_.Valid(a);
        const int s = valid ? m_.Start(a) : 0;
        const int n = valid ? int(m_.roofs[a].points.size()) : 0;
        const int k = s + Int(-1, n); // sometimes just outside the run
        const int w = Int(-1, int(m_.walls.size()));
        const bool kInRun = valid && k >= s && k < s + n;
        const bool wValid = w >= 0 && w < int(m_.walls.size());
        op_ = Int(0, 12);
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
        case 10: // north typed or dropped
            d_.gNorthAngle = m_.north = float(Int(0, 359));
            break;
        case 11: // a height from the dialog
            if (valid)
                d_.gFlatTopHeight[a] = m_.roofs[a].height = float(Int(0, 1000)) / 10;
            break;
        case 12: // a plan point dragged
            if (kInRun) {
                const PicturePoint p = Point();
                d_.gFlatTopAreaX[k] = p.x;
                d_.gFlatTopAreaY[k] = p.y;
                m_.plan[k] = p;
            }
            break;
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
        // The tables moved: the plan points follow the record as it is.
        m_.plan = FromRecord(d_).plan;
        if (std::string e = InvariantViolation(d_); !e.empty())
            return e;
        return Difference(d_, m_);
    }

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
    EditHistory history_;
    std::vector<Model> undo_, redo_;
    int op_ = -1;
};

} // namespace

class EditSequencesTest : public QObject {
    Q_OBJECT
  private slots:
    void randomSequences() {
#if defined(__SANITIZE_ADDRESS__)
        // Unoptimised and instrumented, a quarter of the sequences already
        // takes half a minute; they cover the same paths.
        constexpr int kSequences = 625;
#else
        constexpr int kSequences = 2500;
#endif
        constexpr int kSteps = 40;
        // Some sequences run long enough to fill the undo history.
        constexpr int kLongSteps = 400;
        for (int seq = 0; seq < kSequences; ++seq) {
            Sequence s(static_cast<unsigned>(seq));
            s.Fill();
            const int steps = seq % 100 == 0 ? kLongSteps : kSteps;
            for (int step = 0; step < steps; ++step) {
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
