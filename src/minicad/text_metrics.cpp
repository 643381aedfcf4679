#include "minicad/text_metrics.h"

#include <cmath>

#include "platform/codepage.h"

namespace tarsel::minicad {
namespace {

// Characters that a CAD font draws one text height wide: everything outside ASCII except
// the half-width katakana block.
double CharWidthFactor(char32_t c) {
    if (c < 0x80) return 0.7;
    if (c >= 0xFF61 && c <= 0xFF9F) return 0.7;
    return 1.0;
}

// Local outline of a text about its anchor, in its own frame (x along the baseline).
struct LocalBox {
    double x0, x1, y0, y1;
};

LocalBox LocalOutline(const TextData& t, double width) {
    const double h = t.height;
    using A = TextAlignment;
    double x0 = 0, y0 = 0;
    switch (t.alignment) {
        case A::Center:
        case A::TopCenter:
        case A::MiddleCenter:
        case A::BottomCenter:
        case A::Middle: x0 = -width / 2; break;
        case A::Right:
        case A::TopRight:
        case A::MiddleRight:
        case A::BottomRight: x0 = -width; break;
        default: break;
    }
    switch (t.alignment) {
        case A::TopLeft:
        case A::TopCenter:
        case A::TopRight: y0 = -h; break;
        case A::Middle:
        case A::MiddleLeft:
        case A::MiddleCenter:
        case A::MiddleRight: y0 = -h / 2; break;
        default: break;
    }
    return {x0, x0 + width, y0, y0 + h};
}

}  // namespace

double EstimatedTextWidth(const TextData& text) {
    double units = 0;
    for (char32_t cp : platform::Utf8CodePoints(text.text)) units += CharWidthFactor(cp);
    return units * text.height;
}

std::vector<Point3> TextOutline(const TextData& t) {
    double width = EstimatedTextWidth(t);
    double rotation = t.rotation;
    Point3 anchor = t.alignment == TextAlignment::Left ? t.insertion : t.alignmentPoint;
    if (t.alignment == TextAlignment::Aligned || t.alignment == TextAlignment::Fit) {
        anchor = t.insertion;
        const double span =
            std::hypot(t.insertion.x - t.alignmentPoint.x, t.insertion.y - t.alignmentPoint.y);
        if (span > 0) {
            width = span;
            rotation =
                std::atan2(t.alignmentPoint.y - t.insertion.y, t.alignmentPoint.x - t.insertion.x);
        }
    }
    const LocalBox lb = LocalOutline(t, width);
    const double c = std::cos(rotation), s = std::sin(rotation);
    auto place = [&](double x, double y) {
        return Point3{anchor.x + x * c - y * s, anchor.y + x * s + y * c, anchor.z};
    };
    return {place(lb.x0, lb.y0), place(lb.x1, lb.y0), place(lb.x1, lb.y1), place(lb.x0, lb.y1)};
}

bool UsesInsertionAsAnchor(TextAlignment a) {
    return a == TextAlignment::Left || a == TextAlignment::Aligned || a == TextAlignment::Fit;
}

Point3 TextInsertionFromAlignment(const TextData& t) {
    if (UsesInsertionAsAnchor(t.alignment)) return t.insertion;
    const LocalBox lb = LocalOutline(t, EstimatedTextWidth(t));
    const double c = std::cos(t.rotation), s = std::sin(t.rotation);
    const Point3& a = t.alignmentPoint;
    return {a.x + lb.x0 * c - lb.y0 * s, a.y + lb.x0 * s + lb.y0 * c, a.z};
}

}  // namespace tarsel::minicad
