#include <algorithm>
#include <array>
#include <cmath>

#include "minicad/command_line.h"
#include "minicad/document.h"
#include "minicad/entity_geometry.h"
#include "text/numbers.h"

namespace tarsel::minicad {
namespace {

using cadlink::Variant;

// The view a user sees is wider than high; zooming to extents fits the drawing into it.
constexpr double kViewAspect = 1.6;
// VIEWSIZE of a new metric drawing before anything is drawn (an A-size sheet's height).
constexpr double kDefaultViewSize = 297.0;

enum class VarKind { Int, Real, Text, Point };

struct VarInfo {
    std::string_view name;
    VarKind kind;
    bool readOnly;
};

constexpr std::array<VarInfo, 12> kVariables{{
    {"AUNITS", VarKind::Int, false},
    {"ANGBASE", VarKind::Real, false},
    {"ANGDIR", VarKind::Int, false},
    {"SNAPMODE", VarKind::Int, false},
    {"CLAYER", VarKind::Text, false},
    {"VIEWSIZE", VarKind::Real, true},
    {"EXTMIN", VarKind::Point, true},
    {"EXTMAX", VarKind::Point, true},
    {"LASTPOINT", VarKind::Point, false},
    {"DIMASZ", VarKind::Real, false},
    {"DIMLDRBLK", VarKind::Text, false},
    {"DIMSCALE", VarKind::Real, false},
}};

// Arrowheads a CAD knows by name without a block in the drawing.
constexpr std::array<std::string_view, 19> kArrowNames{
    "CLOSEDBLANK", "CLOSED",     "DOT",         "ARCHTICK", "OBLIQUE",  "OPEN",  "ORIGIN",
    "ORIGIN2",     "OPEN90",     "OPEN30",      "DOTSMALL", "DOTBLANK", "SMALL", "BOXBLANK",
    "BOXFILLED",   "DATUMBLANK", "DATUMFILLED", "INTEGRAL", "NONE"};

const VarInfo* FindVar(std::string_view name) {
    const std::string upper = text::UpperAscii(name);
    for (const VarInfo& v : kVariables)
        if (v.name == upper) return &v;
    return nullptr;
}

// A point as a CAD takes it: an array (of doubles or of numeric variants) of three.
std::optional<Point3> PointFromVariant(const Variant& v) {
    if (!v.IsArray()) return std::nullopt;
    const cadlink::Array& a = v.AsArray();
    if (a.items.size() != 3) return std::nullopt;
    double c[3];
    for (std::size_t i = 0; i < 3; ++i) {
        if (!a.items[i].IsNumber()) return std::nullopt;
        c[i] = a.items[i].AsDouble();
        if (!std::isfinite(c[i])) return std::nullopt;
    }
    return Point3{c[0], c[1], c[2]};
}

}  // namespace

Variant PointVariant(const Point3& p) {
    return Variant::DoubleArray({p.x, p.y, p.z});
}

bool Document::IsKnownVariable(std::string_view name) {
    return FindVar(name) != nullptr;
}

std::string_view Document::VariableErrorText(VariableError error) {
    switch (error) {
        case VariableError::None: return "";
        case VariableError::UnknownName: return "unknown system variable";
        case VariableError::ReadOnly: return "system variable is read-only";
        case VariableError::TypeMismatch: return "value of the wrong type for this variable";
        case VariableError::BadValue: return "value out of range for this variable";
    }
    return "";
}

std::optional<Variant> Document::GetVariable(std::string_view name) const {
    const VarInfo* info = FindVar(name);
    if (!info) return std::nullopt;
    const Variables& v = drawing_.variables;
    const std::string_view n = info->name;
    if (n == "AUNITS") return Variant(static_cast<std::int16_t>(v.aunits));
    if (n == "ANGBASE") return Variant(v.angbase);
    if (n == "ANGDIR") return Variant(static_cast<std::int16_t>(v.angdir));
    if (n == "SNAPMODE") return Variant(static_cast<std::int16_t>(v.snapmode));
    if (n == "CLAYER") return Variant(v.clayer);
    if (n == "VIEWSIZE") return Variant(v.viewsize);
    if (n == "EXTMIN") return PointVariant(ComputeExtents().min);
    if (n == "EXTMAX") return PointVariant(ComputeExtents().max);
    if (n == "LASTPOINT") return PointVariant(v.lastpoint);
    if (n == "DIMASZ") return Variant(v.dimasz);
    if (n == "DIMLDRBLK") return Variant(v.dimldrblk);
    if (n == "DIMSCALE") return Variant(v.dimscale);
    return std::nullopt;
}

VariableError Document::SetVariable(std::string_view name, const Variant& value) {
    const VarInfo* info = FindVar(name);
    if (!info) return VariableError::UnknownName;
    if (info->readOnly) return VariableError::ReadOnly;
    Variables& v = drawing_.variables;
    const std::string_view n = info->name;
    switch (info->kind) {
        case VarKind::Int: {
            if (!value.IsNumber()) return VariableError::TypeMismatch;
            const double d = value.AsDouble();
            if (d != std::floor(d)) return VariableError::BadValue;
            const int maxValue = n == "AUNITS" ? 4 : 1;
            if (d < 0 || d > maxValue) return VariableError::BadValue;
            const auto i = static_cast<std::int32_t>(d);
            if (n == "AUNITS") v.aunits = i;
            if (n == "ANGDIR") v.angdir = i;
            if (n == "SNAPMODE") v.snapmode = i;
            return VariableError::None;
        }
        case VarKind::Real: {
            if (!value.IsNumber()) return VariableError::TypeMismatch;
            const double d = value.AsDouble();
            if (!std::isfinite(d)) return VariableError::BadValue;
            if (n == "ANGBASE") {
                double a = std::fmod(d, 360.0);
                if (a < 0) a += 360.0;
                v.angbase = a;
            } else {
                if (d < 0) return VariableError::BadValue;
                if (n == "DIMASZ") v.dimasz = d;
                if (n == "DIMSCALE") v.dimscale = d;
            }
            return VariableError::None;
        }
        case VarKind::Text: {
            if (!value.IsText()) return VariableError::TypeMismatch;
            const std::string text = value.AsText();
            if (n == "CLAYER") {
                const Layer* layer = FindLayer(text);
                if (!layer) return VariableError::BadValue;
                v.clayer = layer->name;
                return VariableError::None;
            }
            // DIMLDRBLK: "." (or nothing) is the default arrow; otherwise a named arrowhead
            // or a block of the drawing.
            if (text.empty() || text == ".") {
                v.dimldrblk.clear();
                return VariableError::None;
            }
            std::string_view bare = text;
            if (bare.front() == '_') bare.remove_prefix(1);
            const std::string upper = text::UpperAscii(bare);
            const bool known =
                std::find(kArrowNames.begin(), kArrowNames.end(), upper) != kArrowNames.end();
            if (!known && !FindBlock(text)) return VariableError::BadValue;
            v.dimldrblk = text;
            return VariableError::None;
        }
        case VarKind::Point: {
            const std::optional<Point3> p = PointFromVariant(value);
            if (!p) return VariableError::TypeMismatch;
            v.lastpoint = *p;
            return VariableError::None;
        }
    }
    return VariableError::UnknownName;
}

VariableError Document::ParseVariableText(std::string_view name, std::string_view text,
                                          Variant& out) const {
    const VarInfo* info = FindVar(name);
    if (!info) return VariableError::UnknownName;
    if (info->readOnly) return VariableError::ReadOnly;
    switch (info->kind) {
        case VarKind::Int:
        case VarKind::Real: {
            const std::optional<double> d = tarsel::text::ParseDecimal(text);
            if (!d) return VariableError::TypeMismatch;
            out = info->kind == VarKind::Int
                      ? Variant(static_cast<std::int32_t>(std::clamp(*d, -1e9, 1e9)))
                      : Variant(*d);
            if (info->kind == VarKind::Int && *d != std::floor(*d)) return VariableError::BadValue;
            return VariableError::None;
        }
        case VarKind::Text: out = Variant(std::string(text)); return VariableError::None;
        case VarKind::Point: {
            const std::optional<Point3> p = ParsePointText(text);
            if (!p) return VariableError::TypeMismatch;
            out = PointVariant(*p);
            return VariableError::None;
        }
    }
    return VariableError::UnknownName;
}

Extents Document::ComputeExtents() const {
    Extents ext;
    for (const Entity& e : drawing_.entities) {
        const std::optional<Box> b = EntityBox(e, Blocks());
        if (!b) continue;
        ext.min.x = std::min(ext.min.x, b->minX);
        ext.min.y = std::min(ext.min.y, b->minY);
        ext.max.x = std::max(ext.max.x, b->maxX);
        ext.max.y = std::max(ext.max.y, b->maxY);
    }
    if (!ext.IsEmpty()) {
        ext.min.z = 0;
        ext.max.z = 0;
    }
    return ext;
}

void Document::ZoomExtents() {
    const Extents ext = ComputeExtents();
    double height = kDefaultViewSize;
    if (!ext.IsEmpty()) {
        const double h = ext.max.y - ext.min.y;
        const double w = ext.max.x - ext.min.x;
        const double fit = std::max(h, w / kViewAspect);
        if (fit > 0 && std::isfinite(fit)) height = fit;
    }
    drawing_.variables.viewsize = height;
}

void Document::SetViewSize(double height) {
    if (height > 0 && std::isfinite(height)) drawing_.variables.viewsize = height;
}

}  // namespace tarsel::minicad
