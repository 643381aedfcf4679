#include "minicad/boundary_graph.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numeric>

#include "geometry/primitives.h"

namespace tarsel::minicad::detail {

namespace {

using geometry::Cross;
using geometry::Dot;
using geometry::kHalfPi;
using geometry::kPi;
using geometry::kTwoPi;
using geometry::NormalizeAngle;
using geometry::PieceCrossing;
using geometry::SweepOffset;

// Directions leaving a node closer than this (radians) are the same direction; the
// curvature then decides which lies counter-clockwise of the other.
constexpr double kSameDirection = 1e-9;

constexpr std::size_t kNoPoint = std::numeric_limits<std::size_t>::max();

class UnionFind {
public:
    explicit UnionFind(std::size_t n) : parent_(n) { std::iota(parent_.begin(), parent_.end(), 0); }
    std::size_t Find(std::size_t x) {
        while (parent_[x] != x) {
            parent_[x] = parent_[parent_[x]];
            x = parent_[x];
        }
        return x;
    }
    void Unite(std::size_t a, std::size_t b) {
        a = Find(a);
        b = Find(b);
        if (a != b) parent_[std::max(a, b)] = std::min(a, b);
    }

private:
    std::vector<std::size_t> parent_;
};

struct PointRecord {
    PlanarPoint at;
    bool isEnd = false;  // an end of a piece as drawn, rather than a computed crossing
};

struct Split {
    std::size_t piece = 0;
    double t = 0;
    std::size_t point = 0;
};

// One edge of the arrangement between two distinct nodes. Arcs keep their circle; the
// sweep runs from node u to node v.
struct Edge {
    std::size_t u = 0;
    std::size_t v = 0;
    CurveKind kind = CurveKind::Line;
    PlanarPoint center;
    double radius = 0;
    double angleAtU = 0;
    double sweep = 0;
    PlanarPoint mid;
    bool alive = true;
};

struct HalfEdgeDirection {
    double angle = 0;      // direction leaving the node, [0, 2 pi)
    double curvature = 0;  // positive when turning left
    std::size_t halfEdge = 0;
};

class Arrangement {
public:
    Arrangement(std::span<const CurvePiece* const> pieces, double tol)
        : pieces_(pieces), tol_(tol) {}

    void Build() {
        Node();
        Cluster();
        MakeEdges();
        MergeDuplicates();
        PruneDangling();
        OrderAroundNodes();
    }

    [[nodiscard]] bool IsOnEdge(PlanarPoint p) const;
    [[nodiscard]] EnclosingLoop Enclosing(PlanarPoint p) const;

    [[nodiscard]] std::size_t NodeCount() const { return nodes_.size(); }
    [[nodiscard]] std::size_t AliveEdgeCount() const {
        return static_cast<std::size_t>(
            std::count_if(edges_.begin(), edges_.end(), [](const Edge& e) { return e.alive; }));
    }

private:
    void Node();
    void TestPair(std::size_t i, std::size_t j, std::vector<PieceCrossing>& scratch);
    void JoinEnd(std::size_t piece, std::size_t point);
    std::size_t AddPoint(PlanarPoint at, bool isEnd) {
        points_.push_back({at, isEnd});
        return points_.size() - 1;
    }
    void Cluster();
    void MakeEdges();
    void MakeCircleEdges(const CurvePiece& circle, std::span<const Split> sp);
    void AddEdge(std::size_t u, std::size_t v, const CurvePiece& piece, double t0, double t1);
    void MergeDuplicates();
    void PruneDangling();
    void OrderAroundNodes();

    [[nodiscard]] std::size_t Next(std::size_t halfEdge) const;
    [[nodiscard]] std::size_t Origin(std::size_t h) const {
        const Edge& e = edges_[h / 2];
        return h % 2 == 0 ? e.u : e.v;
    }
    [[nodiscard]] double SweepOf(std::size_t h) const {
        const Edge& e = edges_[h / 2];
        return h % 2 == 0 ? e.sweep : -e.sweep;
    }

    std::span<const CurvePiece* const> pieces_;
    double tol_;
    std::vector<PointRecord> points_;
    std::vector<std::size_t> startPoint_, endPoint_;
    std::vector<Split> splits_;  // every piece's split points, sorted by piece and t
    std::vector<std::size_t> nodeOfPoint_;
    std::vector<PlanarPoint> nodes_;
    std::vector<Edge> edges_;
    // Half-edges leaving each node, counter-clockwise: node k's run is
    // around_[aroundStart_[k] .. aroundStart_[k + 1]).
    std::vector<HalfEdgeDirection> around_;
    std::vector<std::size_t> aroundStart_;
    std::vector<std::size_t> positionAround_;  // per half-edge, index within its node's run
};

void Arrangement::JoinEnd(std::size_t piece, std::size_t point) {
    if (point == kNoPoint) return;
    const CurvePiece& c = *pieces_[piece];
    const PlanarPoint q = points_[point].at;
    // Ends near the piece's own ends meet through clustering; only an end that touches the
    // piece in between splits it (a T-junction, an overlap, or a gap within tolerance).
    if (!c.IsFullCircle() &&
        (geometry::Distance(q, c.start) <= tol_ || geometry::Distance(q, c.end) <= tol_))
        return;
    const geometry::PieceProjection pr = geometry::Project(c, q);
    if (pr.distance <= tol_) splits_.push_back({piece, pr.t, point});
}

void Arrangement::TestPair(std::size_t i, std::size_t j, std::vector<PieceCrossing>& scratch) {
    const CurvePiece& a = *pieces_[i];
    const CurvePiece& b = *pieces_[j];
    if (!a.box.Expanded(tol_).Intersects(b.box)) return;
    JoinEnd(i, startPoint_[j]);
    JoinEnd(i, endPoint_[j]);
    JoinEnd(j, startPoint_[i]);
    JoinEnd(j, endPoint_[i]);
    scratch.clear();
    geometry::PieceCrossings(a, b, tol_, scratch);
    for (const PieceCrossing& c : scratch) {
        const std::size_t pt = AddPoint(c.at, false);
        splits_.push_back({i, c.ta, pt});
        splits_.push_back({j, c.tb, pt});
    }
}

void Arrangement::Node() {
    const std::size_t n = pieces_.size();
    splits_.reserve(4 * n);
    startPoint_.resize(n);
    endPoint_.resize(n);
    PlanarBox all;
    for (std::size_t i = 0; i < n; ++i) {
        // A circle has no ends: its nodes are only where other pieces meet it.
        if (pieces_[i]->IsFullCircle()) {
            startPoint_[i] = endPoint_[i] = kNoPoint;
        } else {
            startPoint_[i] = AddPoint(pieces_[i]->start, true);
            endPoint_[i] = AddPoint(pieces_[i]->end, true);
            splits_.push_back({i, 0, startPoint_[i]});
            splits_.push_back({i, 1, endPoint_[i]});
        }
        if (i == 0) {
            all = pieces_[i]->box;
        } else {
            all.Include(pieces_[i]->box);
        }
    }
    if (n < 2) return;

    // Candidate pairs from a local grid of about one piece per cell; a pair is tested only
    // in the cell holding the low corner of the overlap of its bounds, so once.
    all = all.Expanded(tol_);
    const double side = std::max(all.maxX - all.minX, all.maxY - all.minY);
    const auto perSide = static_cast<std::int64_t>(
        std::clamp(std::ceil(std::sqrt(static_cast<double>(n))), 1.0, 2048.0));
    const double cell = std::max(side / static_cast<double>(perSide), 1e-300);
    auto cellOf = [&](double v, double origin) {
        return std::clamp(static_cast<std::int64_t>(std::floor((v - origin) / cell)),
                          std::int64_t{0}, perSide - 1);
    };
    constexpr std::int64_t kMaxCells = 64;
    struct Entry {
        std::int64_t cell;
        std::size_t piece;
    };
    std::vector<Entry> grid;
    grid.reserve(2 * n);
    std::vector<std::size_t> wide;
    std::vector<std::uint8_t> isWide(n, 0);
    for (std::size_t i = 0; i < n; ++i) {
        const PlanarBox b = pieces_[i]->box.Expanded(tol_);
        const std::int64_t x0 = cellOf(b.minX, all.minX), x1 = cellOf(b.maxX, all.minX);
        const std::int64_t y0 = cellOf(b.minY, all.minY), y1 = cellOf(b.maxY, all.minY);
        if ((x1 - x0 + 1) * (y1 - y0 + 1) > kMaxCells) {
            wide.push_back(i);
            isWide[i] = 1;
            continue;
        }
        for (std::int64_t x = x0; x <= x1; ++x) {
            for (std::int64_t y = y0; y <= y1; ++y) grid.push_back({x * perSide + y, i});
        }
    }
    std::sort(grid.begin(), grid.end(), [](const Entry& a, const Entry& b) {
        return a.cell != b.cell ? a.cell < b.cell : a.piece < b.piece;
    });
    std::vector<PieceCrossing> scratch;
    for (std::size_t first = 0; first < grid.size();) {
        std::size_t last = first;
        while (last < grid.size() && grid[last].cell == grid[first].cell) ++last;
        const std::int64_t cx = grid[first].cell / perSide, cy = grid[first].cell % perSide;
        for (std::size_t a = first; a < last; ++a) {
            const PlanarBox ba = pieces_[grid[a].piece]->box.Expanded(tol_);
            for (std::size_t b = a + 1; b < last; ++b) {
                const PlanarBox bb = pieces_[grid[b].piece]->box.Expanded(tol_);
                if (!ba.Intersects(bb)) continue;
                const double lowX = std::max(ba.minX, bb.minX);
                const double lowY = std::max(ba.minY, bb.minY);
                if (cellOf(lowX, all.minX) != cx || cellOf(lowY, all.minY) != cy) continue;
                TestPair(grid[a].piece, grid[b].piece, scratch);
            }
        }
        first = last;
    }
    for (std::size_t w : wide) {
        for (std::size_t j = 0; j < n; ++j) {
            if (j == w || (isWide[j] && j < w)) continue;
            TestPair(w, j, scratch);
        }
    }
}

void Arrangement::Cluster() {
    const std::size_t count = points_.size();
    UnionFind uf(count);
    // Cells one tolerance wide: points within tolerance are in neighbouring cells. Sorted
    // by cell, each cell's points are found by binary search, without a hash table.
    auto cellOf = [&](double v) {
        return static_cast<std::int64_t>(std::clamp(std::floor(v / tol_), -4e18, 4e18));
    };
    struct Entry {
        std::int64_t cx, cy;
        std::size_t point;
        bool operator<(const Entry& o) const {
            return cx != o.cx ? cx < o.cx : (cy != o.cy ? cy < o.cy : point < o.point);
        }
    };
    std::vector<Entry> cells(count);
    for (std::size_t i = 0; i < count; ++i) {
        cells[i] = {cellOf(points_[i].at.x), cellOf(points_[i].at.y), i};
    }
    std::sort(cells.begin(), cells.end());
    const double tol2 = tol_ * tol_;
    for (const Entry& e : cells) {
        const PlanarPoint p = points_[e.point].at;
        for (std::int64_t dx = -1; dx <= 1; ++dx) {
            // Neighbours in the column cx + dx with cy - 1 .. cy + 1; each pair once.
            auto it = std::lower_bound(cells.begin(), cells.end(), Entry{e.cx + dx, e.cy - 1, 0});
            for (; it != cells.end() && it->cx == e.cx + dx && it->cy <= e.cy + 1; ++it) {
                if (it->point <= e.point) continue;
                const PlanarPoint q = points_[it->point].at;
                const double ddx = q.x - p.x, ddy = q.y - p.y;
                if (ddx * ddx + ddy * ddy <= tol2) uf.Unite(e.point, it->point);
            }
        }
    }

    // A node sits exactly on an end as drawn when it has one, so traced vertices repeat
    // the drawing's own figures; among several ends (a closed gap) the leftmost, then
    // lowest, wins so that the choice does not depend on the order of the pieces.
    nodeOfPoint_.assign(count, 0);
    std::vector<std::size_t> nodeOfRoot(count, std::numeric_limits<std::size_t>::max());
    std::vector<PlanarPoint> sum;
    std::vector<std::size_t> computedCount;
    std::vector<bool> hasEnd;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t root = uf.Find(i);
        if (nodeOfRoot[root] == std::numeric_limits<std::size_t>::max()) {
            nodeOfRoot[root] = nodes_.size();
            nodes_.push_back(points_[i].at);
            sum.push_back({0, 0});
            computedCount.push_back(0);
            hasEnd.push_back(false);
        }
        const std::size_t node = nodeOfRoot[root];
        nodeOfPoint_[i] = node;
        const PointRecord& rec = points_[i];
        if (rec.isEnd) {
            const PlanarPoint cur = nodes_[node];
            if (!hasEnd[node] || rec.at.x < cur.x || (rec.at.x == cur.x && rec.at.y < cur.y)) {
                nodes_[node] = rec.at;
            }
            hasEnd[node] = true;
        } else {
            sum[node].x += rec.at.x;
            sum[node].y += rec.at.y;
            ++computedCount[node];
        }
    }
    for (std::size_t k = 0; k < nodes_.size(); ++k) {
        if (!hasEnd[k] && computedCount[k] > 0) {
            const double c = static_cast<double>(computedCount[k]);
            nodes_[k] = {sum[k].x / c, sum[k].y / c};
        }
    }
}

void Arrangement::AddEdge(std::size_t u, std::size_t v, const CurvePiece& piece, double t0,
                          double t1) {
    Edge e;
    e.u = u;
    e.v = v;
    e.kind = piece.kind;
    if (piece.kind == CurveKind::Arc) {
        e.center = piece.center;
        e.radius = piece.radius;
        e.angleAtU = piece.startAngle + t0 * piece.sweep;
        e.sweep = (t1 - t0) * piece.sweep;
        const double midAngle = e.angleAtU + e.sweep / 2;
        e.mid = {e.center.x + e.radius * std::cos(midAngle),
                 e.center.y + e.radius * std::sin(midAngle)};
    } else {
        e.mid = {(nodes_[u].x + nodes_[v].x) / 2, (nodes_[u].y + nodes_[v].y) / 2};
    }
    edges_.push_back(e);
}

void Arrangement::MakeCircleEdges(const CurvePiece& circle, std::span<const Split> sp) {
    struct Stop {
        double t;
        std::size_t node;
    };
    std::vector<Stop> stops;
    for (const Split& s : sp) {
        const std::size_t node = nodeOfPoint_[s.point];
        if (stops.empty() || stops.back().node != node) stops.push_back({s.t, node});
    }
    if (stops.size() > 1 && stops.back().node == stops.front().node) stops.pop_back();
    // A circle needs two nodes to be a polyline: untouched, its lowest and highest points;
    // touched once, the point opposite.
    auto addNode = [&](double t) {
        nodes_.push_back(circle.PointAt(t));
        return Stop{t, nodes_.size() - 1};
    };
    if (stops.empty()) {
        stops.push_back(addNode(0));
        stops.push_back(addNode(0.5));
    } else if (stops.size() == 1) {
        const double t = stops.front().t < 0.5 ? stops.front().t + 0.5 : stops.front().t - 0.5;
        stops.push_back(addNode(t));
        if (stops.back().t < stops.front().t) std::swap(stops.front(), stops.back());
    }
    for (std::size_t k = 0; k < stops.size(); ++k) {
        const Stop& from = stops[k];
        const Stop& to = stops[(k + 1) % stops.size()];
        AddEdge(from.node, to.node, circle, from.t, k + 1 < stops.size() ? to.t : to.t + 1);
    }
}

void Arrangement::MakeEdges() {
    std::sort(splits_.begin(), splits_.end(), [](const Split& a, const Split& b) {
        return a.piece != b.piece ? a.piece < b.piece : a.t < b.t;
    });
    std::size_t first = 0;
    for (std::size_t i = 0; i < pieces_.size(); ++i) {
        const CurvePiece& piece = *pieces_[i];
        std::size_t last = first;
        while (last < splits_.size() && splits_[last].piece == i) ++last;
        const std::span<const Split> sp(splits_.data() + first, last - first);
        first = last;
        if (piece.IsFullCircle()) {
            MakeCircleEdges(piece, sp);
            continue;
        }
        std::size_t fromNode = nodeOfPoint_[sp.front().point];
        double fromT = sp.front().t;
        for (std::size_t k = 1; k < sp.size(); ++k) {
            const std::size_t toNode = nodeOfPoint_[sp[k].point];
            const double toT = sp[k].t;
            if (toNode == fromNode) {
                // Back at the same node: a straight piece has shrunk to nothing; an arc that
                // came round (a circle touched once or not at all) gets a node half way so
                // that every edge joins two different nodes.
                const bool cameRound = piece.kind == CurveKind::Arc &&
                                       std::fabs((toT - fromT) * piece.sweep) > kHalfPi;
                if (cameRound && k + 1 == sp.size()) {
                    const double midT = (fromT + toT) / 2;
                    const std::size_t mid = nodes_.size();
                    nodes_.push_back(piece.PointAt(midT));
                    AddEdge(fromNode, mid, piece, fromT, midT);
                    AddEdge(mid, toNode, piece, midT, toT);
                    fromT = toT;
                }
                continue;
            }
            AddEdge(fromNode, toNode, piece, fromT, toT);
            fromNode = toNode;
            fromT = toT;
        }
    }
}

void Arrangement::MergeDuplicates() {
    std::vector<std::size_t> order(edges_.size());
    std::iota(order.begin(), order.end(), 0);
    auto key = [&](std::size_t k) {
        const Edge& e = edges_[k];
        return std::pair{std::min(e.u, e.v), std::max(e.u, e.v)};
    };
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return key(a) < key(b); });
    for (std::size_t a = 0; a < order.size();) {
        std::size_t b = a;
        while (b < order.size() && key(order[b]) == key(order[a])) ++b;
        // Same two nodes and the same course (their middles coincide): one edge drawn twice.
        for (std::size_t i = a; i < b; ++i) {
            if (!edges_[order[i]].alive) continue;
            for (std::size_t j = i + 1; j < b; ++j) {
                Edge& other = edges_[order[j]];
                if (other.alive && geometry::Distance(edges_[order[i]].mid, other.mid) <= tol_) {
                    other.alive = false;
                }
            }
        }
        a = b;
    }
}

void Arrangement::PruneDangling() {
    // Edges by node, flat: node k's edges are incident[start[k] .. start[k + 1]).
    std::vector<std::size_t> degree(nodes_.size(), 0);
    for (const Edge& e : edges_) {
        if (!e.alive) continue;
        ++degree[e.u];
        ++degree[e.v];
    }
    std::vector<std::size_t> start(nodes_.size() + 1, 0);
    for (std::size_t n = 0; n < nodes_.size(); ++n) start[n + 1] = start[n] + degree[n];
    std::vector<std::size_t> incident(start.back());
    std::vector<std::size_t> fill(start.begin(), start.end() - 1);
    for (std::size_t k = 0; k < edges_.size(); ++k) {
        if (!edges_[k].alive) continue;
        incident[fill[edges_[k].u]++] = k;
        incident[fill[edges_[k].v]++] = k;
    }
    std::vector<std::size_t> queue;
    for (std::size_t n = 0; n < nodes_.size(); ++n) {
        if (degree[n] == 1) queue.push_back(n);
    }
    while (!queue.empty()) {
        const std::size_t n = queue.back();
        queue.pop_back();
        if (degree[n] != 1) continue;
        for (std::size_t i = start[n]; i < start[n + 1]; ++i) {
            Edge& e = edges_[incident[i]];
            if (!e.alive) continue;
            e.alive = false;
            const std::size_t other = e.u == n ? e.v : e.u;
            --degree[n];
            --degree[other];
            if (degree[other] == 1) queue.push_back(other);
            break;
        }
    }
}

void Arrangement::OrderAroundNodes() {
    aroundStart_.assign(nodes_.size() + 1, 0);
    for (const Edge& e : edges_) {
        if (!e.alive) continue;
        ++aroundStart_[e.u + 1];
        ++aroundStart_[e.v + 1];
    }
    for (std::size_t n = 0; n < nodes_.size(); ++n) aroundStart_[n + 1] += aroundStart_[n];
    around_.assign(aroundStart_.back(), {});
    std::vector<std::size_t> fill(aroundStart_.begin(), aroundStart_.end() - 1);
    positionAround_.assign(edges_.size() * 2, 0);
    for (std::size_t k = 0; k < edges_.size(); ++k) {
        const Edge& e = edges_[k];
        if (!e.alive) continue;
        for (int side = 0; side < 2; ++side) {
            const std::size_t h = 2 * k + static_cast<std::size_t>(side);
            const std::size_t from = side == 0 ? e.u : e.v;
            const std::size_t to = side == 0 ? e.v : e.u;
            HalfEdgeDirection d;
            d.halfEdge = h;
            if (e.kind == CurveKind::Line) {
                d.angle = NormalizeAngle(
                    std::atan2(nodes_[to].y - nodes_[from].y, nodes_[to].x - nodes_[from].x));
            } else {
                const double sweep = side == 0 ? e.sweep : -e.sweep;
                const double at = side == 0 ? e.angleAtU : e.angleAtU + e.sweep;
                d.angle = NormalizeAngle(at + (sweep > 0 ? kHalfPi : -kHalfPi));
                d.curvature = (sweep > 0 ? 1.0 : -1.0) / e.radius;
            }
            around_[fill[from]++] = d;
        }
    }
    for (std::size_t node = 0; node < nodes_.size(); ++node) {
        const std::span<HalfEdgeDirection> list(around_.data() + aroundStart_[node],
                                                aroundStart_[node + 1] - aroundStart_[node]);
        std::sort(list.begin(), list.end(),
                  [](const HalfEdgeDirection& a, const HalfEdgeDirection& b) {
                      return a.angle < b.angle;
                  });
        // Directions just below 2 pi belong with those just above 0.
        std::size_t wrap = list.size();
        while (wrap > 0 && list[wrap - 1].angle > kTwoPi - kSameDirection) --wrap;
        if (wrap < list.size()) {
            for (std::size_t i = wrap; i < list.size(); ++i) list[i].angle -= kTwoPi;
            std::rotate(list.begin(), list.begin() + static_cast<std::ptrdiff_t>(wrap), list.end());
        }
        // Curves leaving in one direction: the one turning more to the left lies
        // counter-clockwise of the other (a line along a circle it touches, tangent arcs).
        for (std::size_t a = 0; a < list.size();) {
            std::size_t b = a + 1;
            while (b < list.size() && list[b].angle - list[b - 1].angle < kSameDirection) ++b;
            if (b - a > 1) {
                std::sort(list.begin() + static_cast<std::ptrdiff_t>(a),
                          list.begin() + static_cast<std::ptrdiff_t>(b),
                          [](const HalfEdgeDirection& x, const HalfEdgeDirection& y) {
                              return x.curvature < y.curvature;
                          });
            }
            a = b;
        }
        for (std::size_t i = 0; i < list.size(); ++i) positionAround_[list[i].halfEdge] = i;
    }
}

// The face on the left of h continues along the half-edge that leaves h's end next
// clockwise from the way back.
std::size_t Arrangement::Next(std::size_t h) const {
    const std::size_t twin = h ^ 1;
    const std::size_t at = Origin(twin);
    const std::size_t begin = aroundStart_[at];
    const std::size_t count = aroundStart_[at + 1] - begin;
    const std::size_t pos = positionAround_[twin];
    return around_[begin + (pos + count - 1) % count].halfEdge;
}

bool Arrangement::IsOnEdge(PlanarPoint p) const {
    const double tol2 = tol_ * tol_;
    for (const Edge& e : edges_) {
        if (!e.alive) continue;
        const PlanarPoint a = nodes_[e.u], b = nodes_[e.v];
        if (e.kind == CurveKind::Line) {
            const PlanarPoint d = b - a;
            const double len2 = Dot(d, d);
            const double t = len2 > 0 ? std::clamp(Dot(p - a, d) / len2, 0.0, 1.0) : 0.0;
            const PlanarPoint q{a.x + t * d.x - p.x, a.y + t * d.y - p.y};
            if (Dot(q, q) <= tol2) return true;
            continue;
        }
        if (std::fabs(geometry::Distance(p, e.center) - e.radius) > tol_) continue;
        const double off =
            SweepOffset(e.angleAtU, std::atan2(p.y - e.center.y, p.x - e.center.x), e.sweep);
        if (off <= std::fabs(e.sweep) || geometry::Distance(p, a) <= tol_ ||
            geometry::Distance(p, b) <= tol_)
            return true;
    }
    return false;
}

EnclosingLoop Arrangement::Enclosing(PlanarPoint p) const {
    EnclosingLoop best;
    best.nodes = nodes_.size();
    best.edges = AliveEdgeCount();
    const std::size_t halfCount = edges_.size() * 2;
    std::vector<bool> visited(halfCount, false);
    std::vector<std::size_t> walk;
    std::vector<std::size_t> stack;
    constexpr std::size_t kUnseen = std::numeric_limits<std::size_t>::max();
    std::vector<std::size_t> depthOf(nodes_.size(), kUnseen);  // node -> stack size when reached
    std::vector<std::size_t> loop;

    auto consider = [&](const std::vector<std::size_t>& halves) {
        double area2 = 0;  // twice the area of the chords
        double arcs = 0;
        PlanarBox box{p.x, p.y, p.x, p.y};
        bool firstBox = true;
        double winding = 0;
        for (std::size_t h : halves) {
            const PlanarPoint a = nodes_[Origin(h)];
            const PlanarPoint b = nodes_[Origin(h ^ 1)];
            // Taken about p: survey coordinates far from the origin would cancel digits.
            area2 += Cross(a - p, b - p);
            const Edge& e = edges_[h / 2];
            PlanarBox eb;
            double sweep = 0;
            if (e.kind == CurveKind::Arc) {
                sweep = SweepOf(h);
                arcs += e.radius * e.radius / 2 * (sweep - std::sin(sweep));
                eb = MakeArcPiece(e.center, e.radius, e.angleAtU, e.sweep).box;
                eb.Include(a);
                eb.Include(b);
            } else {
                eb = {a.x, a.y, a.x, a.y};
                eb.Include(b);
            }
            if (firstBox) {
                box = eb;
                firstBox = false;
            } else {
                box.Include(eb);
            }
            // Angle that the side sweeps as seen from p; an arc adds a full turn when p
            // lies between it and its chord.
            const PlanarPoint pa = a - p, pb = b - p;
            const double cross = Cross(pa, pb), dot = Dot(pa, pb);
            if (e.kind == CurveKind::Arc && dot < 0 &&
                std::fabs(cross) <= 1e-12 * std::hypot(pa.x, pa.y) * std::hypot(pb.x, pb.y)) {
                // p on the chord (the centre of a half circle): either side of it gives half
                // a turn in the arc's own direction.
                winding += sweep > 0 ? kPi : -kPi;
                continue;
            }
            winding += std::atan2(cross, dot);
            if (e.kind == CurveKind::Arc && geometry::Distance(p, e.center) < e.radius) {
                const double side = Cross(b - a, p - a);
                if (sweep > 0 && side < 0) winding += kTwoPi;
                if (sweep < 0 && side > 0) winding -= kTwoPi;
            }
        }
        const double area = area2 / 2 + arcs;
        if (!(area > tol_ * tol_)) return;
        if (!box.Contains(p)) return;
        if (std::lround(winding / kTwoPi) != 1) return;
        if (best.status == LoopStatus::Found && area >= best.area) return;
        best.status = LoopStatus::Found;
        best.area = area;
        best.box = box;
        best.vertices.clear();
        for (std::size_t h : halves) {
            const PlanarPoint a = nodes_[Origin(h)];
            const Edge& e = edges_[h / 2];
            const double bulge = e.kind == CurveKind::Arc ? std::tan(SweepOf(h) / 4) : 0.0;
            best.vertices.push_back({a.x, a.y, bulge});
        }
    };

    for (std::size_t start = 0; start < halfCount; ++start) {
        if (!edges_[start / 2].alive || visited[start]) continue;
        walk.clear();
        std::size_t h = start;
        do {
            visited[h] = true;
            walk.push_back(h);
            h = Next(h);
        } while (h != start);

        // A face's walk passes a node twice where a hole or a pocket touches its outline;
        // cutting it there gives simple loops, among them the outline itself.
        stack.clear();
        const std::size_t startNode = Origin(walk.front());
        depthOf[startNode] = 0;
        for (std::size_t step : walk) {
            stack.push_back(step);
            const std::size_t to = Origin(step ^ 1);
            if (depthOf[to] == kUnseen) {
                depthOf[to] = stack.size();
                continue;
            }
            const std::size_t from = depthOf[to];
            loop.assign(stack.begin() + static_cast<std::ptrdiff_t>(from), stack.end());
            for (std::size_t k = from + 1; k < stack.size(); ++k) {
                depthOf[Origin(stack[k])] = kUnseen;
            }
            stack.resize(from);
            consider(loop);
        }
        // The walk ends where it began: every other node was released with its loop.
        depthOf[startNode] = kUnseen;
    }

    if (best.status != LoopStatus::Found) return best;
    // Start at the lowest vertex; heights within the tolerance count as level.
    double lowY = best.vertices.front().y;
    for (const auto& v : best.vertices) lowY = std::min(lowY, v.y);
    std::size_t first = best.vertices.size();
    for (std::size_t k = 0; k < best.vertices.size(); ++k) {
        const auto& v = best.vertices[k];
        if (v.y > lowY + tol_) continue;
        if (first == best.vertices.size() || v.x < best.vertices[first].x ||
            (v.x == best.vertices[first].x && v.y < best.vertices[first].y)) {
            first = k;
        }
    }
    std::rotate(best.vertices.begin(), best.vertices.begin() + static_cast<std::ptrdiff_t>(first),
                best.vertices.end());
    return best;
}

}  // namespace

EnclosingLoop FindEnclosingLoop(std::span<const CurvePiece* const> pieces, PlanarPoint p,
                                double tolerance) {
    Arrangement arrangement(pieces, tolerance);
    arrangement.Build();
    if (arrangement.IsOnEdge(p)) {
        EnclosingLoop onEdge;
        onEdge.status = LoopStatus::OnBoundary;
        onEdge.nodes = arrangement.NodeCount();
        onEdge.edges = arrangement.AliveEdgeCount();
        return onEdge;
    }
    return arrangement.Enclosing(p);
}

}  // namespace tarsel::minicad::detail
