#include "geometry/triangle_assembly.h"

#include <optional>

namespace tarsel::geometry {

namespace {

constexpr double kEndTolerance = 0.001;

struct Corner {
    TAcadPoint shared;  // V
    TAcadPoint farA;    // X
    TAcadPoint farB;    // Y
};

bool Meet(const TAcadPoint& p, const TAcadPoint& q) {
    return PointDistance(p, q) < kEndTolerance;
}

// The four end pairings are tried in a fixed order and a later match overwrites an earlier
// one, so for two segments that meet at both ends (or a zero-length one) the last test decides.
std::optional<Corner> SharedCorner(const TAcadLine& a, const TAcadLine& b) {
    std::optional<Corner> corner;
    if (Meet(a.st, b.st)) corner = Corner{a.st, a.ed, b.ed};
    if (Meet(a.st, b.ed)) corner = Corner{a.st, a.ed, b.st};
    if (Meet(a.ed, b.st)) corner = Corner{a.ed, a.st, b.ed};
    if (Meet(a.ed, b.ed)) corner = Corner{a.ed, a.st, b.st};
    return corner;
}

bool Closes(const Corner& corner, const TAcadLine& c) {
    return (IsSamePoint(corner.farA, c.st, kEndTolerance) &&
            IsSamePoint(corner.farB, c.ed, kEndTolerance)) ||
           (IsSamePoint(corner.farA, c.ed, kEndTolerance) &&
            IsSamePoint(corner.farB, c.st, kEndTolerance));
}

}  // namespace

void PolylineSegments(std::span<const PickedPolyline> polylines,
                      std::vector<TAcadLine>& segmentList) {
    for (const PickedPolyline& polyline : polylines) {
        std::vector<TAcadPoint> vertices = polyline.vertices;
        if (polyline.closed && !vertices.empty()) vertices.push_back(vertices.front());
        for (std::size_t k = 1; k < vertices.size(); ++k) {
            segmentList.push_back({vertices[k - 1], vertices[k]});
        }
    }
}

std::vector<TAcadTriangle> AssembleTriangles(std::span<const TAcadLine> segments) {
    std::vector<TAcadTriangle> triangles;
    const std::size_t n = segments.size();
    if (n < 3) return triangles;
    for (std::size_t a = 0; a + 2 < n; ++a) {
        for (std::size_t b = a + 1; b + 1 < n; ++b) {
            const std::optional<Corner> corner = SharedCorner(segments[a], segments[b]);
            if (!corner) continue;
            for (std::size_t c = b + 1; c < n; ++c) {
                if (Closes(*corner, segments[c])) {
                    triangles.push_back({corner->shared, corner->farA, corner->farB});
                }
            }
        }
    }
    return triangles;
}

}  // namespace tarsel::geometry
