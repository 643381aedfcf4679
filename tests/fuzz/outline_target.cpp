// An outline from a text file, then the split the palette makes of it: every split either
// fails cleanly or is sound, its triangles made of outline vertices and covering exactly the
// outline's area.
#include <algorithm>
#include <cmath>
#include <string>

#include "geometry/outline_text.h"
#include "geometry/outline_triangulation.h"
#include "targets.h"

namespace tarsel::fuzz {
namespace {

using geometry::TAcadPoint;

// The split is quadratic and more in the vertices; parcels have tens of them.
constexpr std::size_t kMaxVertices = 48;

long double TwiceArea(const TAcadPoint& a, const TAcadPoint& b, const TAcadPoint& c) {
    return (static_cast<long double>(b.x) - a.x) * (static_cast<long double>(c.y) - a.y) -
           (static_cast<long double>(b.y) - a.y) * (static_cast<long double>(c.x) - a.x);
}

}  // namespace

void FuzzOutline(Input input) {
    const geometry::ParsedOutline parsed = geometry::ParseOutlineText(AsText(input));
    if (!parsed.Ok()) {
        if (!parsed.vertices.empty()) Broken("outline", "an error that leaves vertices");
        return;
    }
    const auto& outline = parsed.vertices;
    if (outline.size() > kMaxVertices) return;
    double scale = 0;
    for (const TAcadPoint& p : outline) scale = std::max({scale, std::abs(p.x), std::abs(p.y)});
    const double viewSize = scale > 0 ? 20 * scale : 1;

    for (geometry::SplitMode mode : {geometry::SplitMode::Completed, geometry::SplitMode::Plain}) {
        const geometry::OutlineSplit split = geometry::TriangulateOutline(
            outline, viewSize, [](auto&, auto&) {}, mode);
        if (!split.success || mode == geometry::SplitMode::Plain) continue;
        long double outlineArea = 0;
        for (std::size_t i = 0; i < outline.size(); ++i)
            outlineArea += TwiceArea({0, 0, 0}, outline[i], outline[(i + 1) % outline.size()]);
        long double triangles = 0;
        for (const geometry::TAcadTriangle& t : split.triangles) {
            for (const TAcadPoint& p : {t.p1, t.p2, t.p3})
                if (std::find(outline.begin(), outline.end(), p) == outline.end())
                    Broken("outline", "a triangle corner that is not an outline vertex");
            triangles += std::abs(TwiceArea(t.p1, t.p2, t.p3));
        }
        const long double tolerance = 1e-9L * (static_cast<long double>(scale) * scale + 1) *
                                      static_cast<long double>(outline.size());
        if (std::isfinite(static_cast<double>(tolerance)) &&
            std::abs(triangles - std::abs(outlineArea)) > tolerance)
            Broken("outline", "the triangles do not add up to the outline's area");
    }
}

}  // namespace tarsel::fuzz
