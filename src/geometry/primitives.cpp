#include "geometry/primitives.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tarsel::geometry {

namespace {

constexpr double kAxisSnap = 1e-5;
constexpr double kOnSegmentTolerance = 1e-5;
constexpr double kFlatTriangleTolerance = 1e-5;
constexpr double kParallelLimit = 1e-12;
constexpr double kPerpendicularLength = 1000;
constexpr double kBisectorLength = 100;

// Bound on the rounding error of the orientation determinant computed below in double
// arithmetic, relative to the sum of the magnitudes of its two products. A determinant
// inside this bound cannot be told from zero, so its triangle cannot be told from a line.
constexpr double kOrientationErrorBound =
    (3.0 + 16.0 * std::numeric_limits<double>::epsilon() / 2) *
    (std::numeric_limits<double>::epsilon() / 2);

// True when the three points may be collinear as far as double arithmetic can tell.
// Every triangle whose area is certainly above rounding noise passes, however thin.
bool MayBeCollinear(const TAcadPoint& a, const TAcadPoint& b, const TAcadPoint& c) {
    const double left = (b.x - a.x) * (c.y - a.y);
    const double right = (b.y - a.y) * (c.x - a.x);
    const double det = left - right;
    if (!std::isfinite(det)) return true;
    return std::abs(det) <= kOrientationErrorBound * (std::abs(left) + std::abs(right));
}

// Error-free transformations (Dekker, Knuth): a + b and a * b as an exact pair of doubles.
// They are exact unless a product overflows or underflows, which no drawing coordinate does.
struct Pair {
    double hi;
    double lo;
};

Pair TwoSum(double a, double b) {
    const double s = a + b;
    const double bv = s - a;
    const double av = s - bv;
    return {s, (a - av) + (b - bv)};
}

Pair SplitHalves(double a) {
    constexpr double kSplitter = 134217729.0;  // 2^27 + 1
    const double c = kSplitter * a;
    const double hi = c - (c - a);
    return {hi, a - hi};
}

Pair TwoProduct(double a, double b) {
    const double p = a * b;
    const Pair as = SplitHalves(a);
    const Pair bs = SplitHalves(b);
    const double err = p - as.hi * bs.hi - as.lo * bs.hi - as.hi * bs.lo;
    return {p, as.lo * bs.lo - err};
}

// The sign of (b - a) x (c - a) without rounding. The determinant equals the sum of six
// products of the input coordinates (the a.x * a.y terms cancel); each product is split
// into two doubles and the twelve are accumulated into a non-overlapping expansion, whose
// largest component carries the sign of the exact sum.
int ExactOrientationSign(const TAcadPoint& a, const TAcadPoint& b, const TAcadPoint& c) {
    const Pair products[6] = {
        TwoProduct(a.x, b.y),  TwoProduct(-a.x, c.y), TwoProduct(b.x, c.y),
        TwoProduct(-b.x, a.y), TwoProduct(c.x, a.y),  TwoProduct(-c.x, b.y),
    };
    double expansion[12];
    int length = 0;
    const auto grow = [&](double term) {
        double q = term;
        int kept = 0;
        for (int k = 0; k < length; ++k) {
            const Pair sum = TwoSum(q, expansion[k]);
            if (sum.lo != 0) expansion[kept++] = sum.lo;
            q = sum.hi;
        }
        if (q != 0) expansion[kept++] = q;
        length = kept;
    };
    for (const Pair& p : products) {
        grow(p.lo);
        grow(p.hi);
    }
    if (length == 0) return 0;
    return expansion[length - 1] > 0 ? 1 : -1;
}

}  // namespace

TAcadPoint PolarPoint(const TAcadPoint& base, double angle, double distance) {
    // Exact comparisons on purpose: the axis directions that PointAngle returns must give
    // exact coordinates, without the rounding of cos(pi/2) and friends.
    if (angle == 0) return {base.x + distance, base.y, base.z};
    if (angle == kHalfPi) return {base.x, base.y + distance, base.z};
    if (angle == kPi) return {base.x - distance, base.y, base.z};
    if (angle == kThreeHalfPi) return {base.x, base.y - distance, base.z};
    return {base.x + distance * std::cos(angle), base.y + distance * std::sin(angle), base.z};
}

double PointDistance(const TAcadPoint& a, const TAcadPoint& b) {
    const double dy = a.y - b.y;
    const double dx = a.x - b.x;
    return std::sqrt(dy * dy + dx * dx);
}

double PointAngle(const TAcadPoint& from, const TAcadPoint& to) {
    const double dx = to.x - from.x;
    const double dy = to.y - from.y;
    // The snap is absolute: a nearly vertical or horizontal side gets an exact axis angle,
    // which PolarPoint then turns into exact coordinates.
    if (std::abs(dx) < kAxisSnap) return to.y > from.y ? kHalfPi : kThreeHalfPi;
    if (std::abs(dy) < kAxisSnap) return to.x > from.x ? 0.0 : kPi;
    const double f = std::abs(std::atan(dy / dx));
    if (dx < 0 && dy >= 0) return kPi - f;
    if (dx >= 0 && dy < 0) return kTwoPi - f;
    if (dx < 0 && dy < 0) return kPi + f;
    return f;
}

std::optional<TAcadPoint> LineIntersection(const TAcadPoint& p1, const TAcadPoint& p2,
                                           const TAcadPoint& p3, const TAcadPoint& p4,
                                           bool segmentsOnly) {
    const double d = (p4.x - p3.x) * (p2.y - p1.y) - (p2.x - p1.x) * (p4.y - p3.y);
    if (!(std::abs(d) > kParallelLimit)) return std::nullopt;  // parallel, or NaN input
    const double t = ((p4.x - p3.x) * (p3.y - p1.y) - (p4.y - p3.y) * (p3.x - p1.x)) / d;
    const double u = ((p2.x - p1.x) * (p3.y - p1.y) - (p2.y - p1.y) * (p3.x - p1.x)) / d;
    // The range is asymmetric on purpose: a meeting at p1 or p3 is not found, a meeting at
    // p2 or p4 is. The inside test of the outline split relies on it to count a vertex once.
    if (segmentsOnly) {
        const bool tInside = t >= kParallelLimit && t <= 1;
        const bool uInside = u >= kParallelLimit && u <= 1;
        if (!tInside || !uInside) return std::nullopt;
    }
    return TAcadPoint{p1.x + t * (p2.x - p1.x), p1.y + t * (p2.y - p1.y), p1.z};
}

double AreaFromSides(double a, double b, double c) {
    const double s = (a + b + c) / 2;
    const double r = s * (s - a) * (s - b) * (s - c);
    return r > 0 ? std::sqrt(r) : 0.0;
}

FootResult PerpendicularFoot(const TAcadPoint& p, const TAcadPoint& a, const TAcadPoint& b,
                             bool onSegmentOnly) {
    const TAcadPoint q = PolarPoint(p, PointAngle(a, b) + kHalfPi, kPerpendicularLength);
    FootResult result;
    result.foot = LineIntersection(p, q, a, b, false);
    if (!result.foot) return result;
    result.ok = onSegmentOnly ? IsPointOnSegment(*result.foot, a, b) : true;
    return result;
}

bool IsPointOnSegment(const TAcadPoint& p, const TAcadPoint& a, const TAcadPoint& b) {
    return std::abs(PointDistance(a, b) - PointDistance(p, a) - PointDistance(p, b)) <
           kOnSegmentTolerance;
}

bool IsSamePoint(const TAcadPoint& p, const TAcadPoint& q, double tolerance) {
    return std::abs(p.x - q.x) < tolerance && std::abs(p.y - q.y) < tolerance;
}

double VertexAngle(const TAcadPoint& p, const TAcadPoint& v, const TAcadPoint& q) {
    // Unsigned: a reflex corner reads as its convex complement.
    const double d = std::abs(PointAngle(v, p) - PointAngle(v, q));
    return d > kPi ? kTwoPi - d : d;
}

Turn Orientation(const TAcadPoint& a, const TAcadPoint& b, const TAcadPoint& c) {
    const double left = (b.x - a.x) * (c.y - a.y);
    const double right = (b.y - a.y) * (c.x - a.x);
    const double det = left - right;
    if (!std::isfinite(det)) return Turn::Collinear;
    if (std::abs(det) > kOrientationErrorBound * (std::abs(left) + std::abs(right))) {
        return det > 0 ? Turn::CounterClockwise : Turn::Clockwise;
    }
    return static_cast<Turn>(ExactOrientationSign(a, b, c));
}

ApexResult TriangleApex(const TAcadPoint& p1, double a, const TAcadPoint& p2, double b) {
    ApexResult result;
    const double c = PointDistance(p1, p2);
    const double g = PointAngle(p1, p2);
    const double s = (c + a + b) / 2;
    // Hero's radicand (the squared area) decides, not the area itself.
    if (s * (s - c) * (s - a) * (s - b) > kFlatTriangleTolerance) {
        // Rounding can push the cosine of a very flat but accepted triangle a hair past 1;
        // clamping keeps the apex on the base line instead of turning it into NaN.
        const double cosine = std::clamp((a * a + c * c - b * b) / (2 * a * c), -1.0, 1.0);
        const double lambda = std::acos(cosine);
        result.result = 2;
        result.apex1 = PolarPoint(p1, g + lambda, a);
        result.apex2 = PolarPoint(p1, g - lambda, a);
        return result;
    }
    result.result = std::abs(c - (a + b)) < kFlatTriangleTolerance ? 1 : 0;
    return result;
}

std::optional<TAcadPoint> TriangleIncenter(const TAcadPoint& a, const TAcadPoint& b,
                                           const TAcadPoint& c) {
    // A collinear triple can still give bisector lines that meet (one of them across the
    // line), at a point on the line that means nothing; such a triple has no label point.
    if (MayBeCollinear(a, b, c)) return std::nullopt;
    // The plain mean of two directions is the inner bisector or its opposite; both lie on
    // the same unbounded line, so no wrap-around correction is needed.
    const TAcadPoint aBisector =
        PolarPoint(a, (PointAngle(a, b) + PointAngle(a, c)) / 2, kBisectorLength);
    const TAcadPoint cBisector =
        PolarPoint(c, (PointAngle(c, a) + PointAngle(c, b)) / 2, kBisectorLength);
    return LineIntersection(a, aBisector, c, cBisector, false);
}

TAcadPoint MidPoint(const TAcadPoint& a, const TAcadPoint& b) {
    return {(a.x + b.x) / 2, (a.y + b.y) / 2, (a.z + b.z) / 2};
}

bool LineListContains(const TAcadPoint& a, const TAcadPoint& b, const std::vector<TAcadLine>& lines,
                      int count, double tolerance) {
    // A count beyond the list is a caller's slip; look only at what is there.
    const auto n = std::min(static_cast<std::size_t>(std::max(count, 0)), lines.size());
    for (std::size_t k = 0; k < n; ++k) {
        const TAcadLine& line = lines[k];
        if ((IsSamePoint(a, line.st, tolerance) && IsSamePoint(b, line.ed, tolerance)) ||
            (IsSamePoint(a, line.ed, tolerance) && IsSamePoint(b, line.st, tolerance))) {
            return true;
        }
    }
    return false;
}

}  // namespace tarsel::geometry
