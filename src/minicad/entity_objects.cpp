// Entities as automation objects: the members every entity has (name, id, layer, erase,
// xdata, move and rotate) and those of lines, circles, arcs, polylines, texts, block
// references and leaders. Every change goes through Document::ModifyEntity so that
// listeners see it.
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <functional>
#include <optional>

#include "geometry/ocs.h"
#include "geometry/primitives.h"
#include "minicad/automation_objects.h"
#include "minicad/entity_names.h"
#include "minicad/placement.h"
#include "minicad/text_metrics.h"
#include "minicad/xdata_codes.h"

namespace tarsel::minicad {
namespace {

using cadlink::Variant;
namespace hresult = cadlink::hresult;

using geometry::kTwoPi;
// What one entity may carry in xdata, as a CAD limits it (bytes, roughly as stored).
constexpr std::size_t kMaxXdataBytes = 16383;
constexpr std::size_t kMaxXdataString = 255;

// A text hung on its alignment point keeps its insertion point (DXF 10) in step.
void Settle(TextData& t) {
    if (!UsesInsertionAsAnchor(t.alignment)) t.insertion = TextInsertionFromAlignment(t);
}

void CheckControlFree(const Call& c, const std::string& text) {
    for (char ch : text)
        if (static_cast<unsigned char>(ch) < 0x20)
            c.Fail(hresult::kInvalidArg, "a text cannot hold control characters");
}

// One xdata value converted to the shape GetXdata hands back for its group code.
Variant XdataValue(const Call& c, std::int16_t code, const Variant& v) {
    const std::optional<XdataKind> kind = XdataKindOfCode(code);
    // Binary chunks are kept from files but not taken from callers: nothing here could give
    // them a meaning.
    if (!kind || *kind == XdataKind::Binary || *kind == XdataKind::Application)
        c.Fail(hresult::kInvalidArg, "unsupported xdata group code " + std::to_string(code));
    switch (*kind) {
        case XdataKind::Text:
        case XdataKind::Control:
        case XdataKind::LayerName:
        case XdataKind::Handle: {
            if (v.IsArray() || v.IsObject())
                c.Fail(hresult::kTypeMismatch, "xdata " + std::to_string(code) + " holds a text");
            const std::string s = v.AsText();
            CheckControlFree(c, s);
            if (s.size() > kMaxXdataString)
                c.Fail(hresult::kInvalidArg, "an xdata string holds at most 255 bytes");
            if (*kind == XdataKind::Control && s != "{" && s != "}")
                c.Fail(hresult::kInvalidArg, "xdata 1002 is \"{\" or \"}\"");
            return Variant(s);
        }
        case XdataKind::Point: return PointVariant(c.PointOf(v));
        case XdataKind::Real: return Variant(c.NumberOf(v));
        case XdataKind::Int16: {
            const double d = c.NumberOf(v);
            if (d != std::floor(d) || d < -32768 || d > 32767)
                c.Fail(hresult::kInvalidArg, "xdata 1070 is a 16-bit integer");
            return Variant(static_cast<std::int16_t>(d));
        }
        case XdataKind::Int32: {
            const double d = c.NumberOf(v);
            if (d != std::floor(d) || d < -2147483648.0 || d > 2147483647.0)
                c.Fail(hresult::kInvalidArg, "xdata 1071 is a 32-bit integer");
            return Variant(static_cast<std::int32_t>(d));
        }
        case XdataKind::Application:
        case XdataKind::Binary: break;
    }
    c.Fail(hresult::kInvalidArg, "unsupported xdata group code " + std::to_string(code));
}

std::size_t XdataBytes(const std::vector<XdataGroup>& groups) {
    std::size_t n = 0;
    for (const XdataGroup& g : groups) {
        n += 2 + g.application.size();
        for (const XdataItem& item : g.items)
            n += 2 + (item.value.IsText() ? item.value.AsText().size() + 1 : 24);
    }
    return n;
}

// The groups SetXdata describes: type codes and values side by side, each group opened by
// 1001 with its application name.
std::vector<XdataGroup> ParseXdata(const Call& c) {
    const Variant& types = c.Arg(0);
    const Variant& values = c.Arg(1);
    if (!types.IsArray() || !values.IsArray())
        c.Fail(hresult::kTypeMismatch, "xdata is an array of group codes and an array of values");
    const auto& t = types.AsArray().items;
    const auto& v = values.AsArray().items;
    if (t.size() != v.size())
        c.Fail(hresult::kInvalidArg, "xdata codes and values differ in length");
    if (t.empty()) c.Fail(hresult::kInvalidArg, "xdata is empty");
    std::vector<XdataGroup> groups;
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (!t[i].IsNumber() || t[i].type() == Variant::Type::Double)
            c.Fail(hresult::kTypeMismatch, "an xdata group code is an integer");
        const std::int32_t code = t[i].AsInt();
        if (XdataKindOfCode(code) == XdataKind::Application) {
            if (v[i].IsArray() || v[i].IsObject())
                c.Fail(hresult::kTypeMismatch, "xdata 1001 holds an application name");
            const std::string app = v[i].AsText();
            if (!IsValidSymbolName(app))
                c.Fail(hresult::kInvalidArg, "invalid application name \"" + app + "\"");
            groups.push_back({app, {}});
            continue;
        }
        if (groups.empty()) c.Fail(hresult::kInvalidArg, "xdata must begin with 1001");
        if (code < 1000 || code > 1071)
            c.Fail(hresult::kInvalidArg, "invalid xdata group code " + std::to_string(code));
        const auto code16 = static_cast<std::int16_t>(code);
        groups.back().items.push_back({code16, XdataValue(c, code16, v[i])});
    }
    return groups;
}

// Points come and go in world coordinates, as a CAD hands them; records keep them in their
// OCS (drawing.h).
Point3 ToWorld(const Point3& extrusion, const Point3& p) {
    return geometry::OcsToWcs(geometry::ArbitraryAxis(extrusion), p);
}
Point3 FromWorld(const Point3& extrusion, const Point3& p) {
    return geometry::WcsToOcs(geometry::ArbitraryAxis(extrusion), p);
}

// A polyline's vertices and bulges as seen in plan. A CAD gives a lightweight polyline's
// vertices in its OCS; here they are the plan's, so that a polyline drawn on the plane seen
// from below is read where it shows (its bulges change sign with it: an arc seen from
// below turns the other way).
double PlanBulgeSign(const PolylineData& pl) {
    return geometry::ArbitraryAxis(pl.extrusion).az.z < 0 ? -1.0 : 1.0;
}

std::vector<double> Flat2D(const PolylineData& pl) {
    const geometry::OcsFrame frame = geometry::ArbitraryAxis(pl.extrusion);
    std::vector<double> out;
    for (const PolylineVertex& v : pl.vertices) {
        const Point3 w = geometry::OcsToWcs(frame, {v.x, v.y, pl.elevation});
        out.push_back(w.x);
        out.push_back(w.y);
    }
    return out;
}

class EntityObject final : public MinicadObject {
public:
    EntityObject(StatePtr state, std::int64_t id) : MinicadObject(std::move(state)), id_(id) {}

protected:
    Variant Dispatch(const Call& c) override {
        const Entity* e = state_->document.FindEntity(id_);
        if (!e) c.Fail(hresult::kFail, "the object was erased");
        if (std::optional<Variant> r = Common(c, *e)) return *r;
        if (const auto* d = DataIf<LineData>(e->data)) return Line(c, *d);
        if (const auto* d = DataIf<CircleData>(e->data)) return Circle(c, *d);
        if (const auto* d = DataIf<ArcData>(e->data)) return Arc(c, *d);
        if (const auto* d = DataIf<PolylineData>(e->data)) return Polyline(c, *d);
        if (const auto* d = DataIf<TextData>(e->data)) return Text(c, *d);
        if (const auto* d = DataIf<InsertData>(e->data)) return Insert(c, *d);
        if (const auto* d = DataIf<LeaderData>(e->data)) return Leader(c, *d);
        Unknown(c);
    }

private:
    template <typename T>
    void Change(const std::function<void(T&)>& change) {
        state_->document.ModifyEntity(id_, [&](Entity& e) {
            if (auto* d = DataIf<T>(e.data)) change(*d);
        });
    }

    std::optional<Variant> Common(const Call& c, const Entity& e) {
        Document& doc = state_->document;
        if (c.Is("ENTITYNAME") || c.Is("OBJECTNAME")) {
            c.ReadOnly();
            return Variant(std::string(AutomationName(e.data)));
        }
        if (c.Is("OBJECTID")) {
            c.ReadOnly();
            return Variant(e.id);
        }
        if (c.Is("HANDLE")) {
            c.ReadOnly();
            char buf[32];
            auto [end, ec] =
                std::to_chars(buf, buf + sizeof buf, static_cast<std::uint64_t>(e.id), 16);
            std::string hex(buf, ec == std::errc() ? end : buf);
            for (char& ch : hex)
                ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
            return Variant(hex);
        }
        if (c.Is("LAYER")) {
            if (c.IsPut()) {
                const std::string name = c.PutValue().AsText();
                const Layer* layer = doc.FindLayer(name);
                if (!layer) c.Fail(hresult::kInvalidArg, "layer " + name + " does not exist");
                const std::string actual = layer->name;
                doc.ModifyEntity(id_, [&](Entity& x) { x.layer = actual; });
                return Variant();
            }
            c.Get();
            return Variant(e.layer.str());
        }
        if (c.Is("UPDATE")) {
            c.Method(0, 0);
            return Variant();
        }
        if (c.Is("DELETE") || c.Is("ERASE")) {
            c.Method(0, 0);
            doc.EraseEntity(id_);
            return Variant();
        }
        if (c.Is("GETXDATA")) {
            c.Method(3, 3);
            const std::string app = c.TextArg(0);
            std::vector<std::int16_t> codes;
            std::vector<Variant> values;
            for (const XdataGroup& g : e.xdata) {
                if (!app.empty() && !text::EqualsIgnoringAsciiCase(g.application, app)) continue;
                codes.push_back(1001);
                values.emplace_back(g.application);
                for (const XdataItem& item : g.items) {
                    codes.push_back(item.code);
                    values.push_back(item.value);
                }
            }
            // Nothing under that name leaves both out parameters empty, as a CAD does.
            c.args[1] = codes.empty() ? Variant() : Variant::Int16Array(codes);
            c.args[2] = codes.empty() ? Variant() : Variant::VariantArray(std::move(values));
            return Variant();
        }
        if (c.Is("SETXDATA")) {
            c.Method(2, 2);
            std::vector<XdataGroup> merged = e.xdata;
            for (XdataGroup& g : ParseXdata(c)) {
                auto it = std::find_if(merged.begin(), merged.end(), [&](const XdataGroup& m) {
                    return text::EqualsIgnoringAsciiCase(m.application, g.application);
                });
                // A group with nothing after its name removes that application's data.
                if (g.items.empty()) {
                    if (it != merged.end()) merged.erase(it);
                    continue;
                }
                if (it != merged.end()) {
                    it->items = std::move(g.items);
                } else {
                    merged.push_back(std::move(g));
                }
            }
            if (XdataBytes(merged) > kMaxXdataBytes)
                c.Fail(hresult::kInvalidArg, "too much xdata on one entity");
            for (const XdataGroup& g : merged) doc.RegisterApp(g.application);
            doc.ModifyEntity(id_, [&](Entity& x) { x.xdata = merged; });
            return Variant();
        }
        if (c.Is("MOVE")) {
            c.Method(2, 2);
            const Point3 from = c.PointArg(0);
            const Point3 to = c.PointArg(1);
            Placement pl{from, to, 1, 1, 1, 0};
            doc.ModifyEntity(id_, [&](Entity& x) { x = TransformEntity(x, pl); });
            return Variant();
        }
        if (c.Is("ROTATE")) {
            c.Method(2, 2);
            const Point3 base = c.PointArg(0);
            const double angle = c.NumberArg(1);
            Placement pl{base, base, 1, 1, 1, angle};
            doc.ModifyEntity(id_, [&](Entity& x) { x = TransformEntity(x, pl); });
            return Variant();
        }
        return std::nullopt;
    }

    Variant Line(const Call& c, const LineData& d) {
        if (c.Is("STARTPOINT") || c.Is("ENDPOINT")) {
            const bool start = c.Is("STARTPOINT");
            if (c.IsPut()) {
                const Point3 p = c.PointOf(c.PutValue());
                Change<LineData>([&](LineData& x) { (start ? x.start : x.end) = p; });
                return {};
            }
            c.Get();
            return PointVariant(start ? d.start : d.end);
        }
        if (c.Is("LENGTH")) {
            c.ReadOnly();
            return Variant(
                std::hypot(d.end.x - d.start.x, d.end.y - d.start.y, d.end.z - d.start.z));
        }
        if (c.Is("ANGLE")) {
            c.ReadOnly();
            double a = std::atan2(d.end.y - d.start.y, d.end.x - d.start.x);
            if (a < 0) a += kTwoPi;
            return Variant(a);
        }
        Unknown(c);
    }

    // Circles and arcs share their centre and radius members.
    template <typename T>
    std::optional<Variant> CenterOrRadius(const Call& c, const T& d) {
        if (c.Is("CENTER")) {
            if (c.IsPut()) {
                const Point3 p = c.PointOf(c.PutValue());
                Change<T>([&](T& x) { x.center = FromWorld(x.extrusion, p); });
                return Variant();
            }
            c.Get();
            return PointVariant(ToWorld(d.extrusion, d.center));
        }
        if (c.Is("RADIUS")) {
            if (c.IsPut()) {
                const double r = c.NumberOf(c.PutValue());
                if (!(r > 0)) c.Fail(hresult::kInvalidArg, "the radius must be positive");
                Change<T>([&](T& x) { x.radius = r; });
                return Variant();
            }
            c.Get();
            return Variant(d.radius);
        }
        return std::nullopt;
    }

    Variant Circle(const Call& c, const CircleData& d) {
        if (auto v = CenterOrRadius(c, d)) return *v;
        Unknown(c);
    }

    Variant Arc(const Call& c, const ArcData& d) {
        if (auto v = CenterOrRadius(c, d)) return *v;
        if (c.Is("STARTANGLE") || c.Is("ENDANGLE")) {
            const bool start = c.Is("STARTANGLE");
            if (c.IsPut()) {
                const double a = c.NumberOf(c.PutValue());
                Change<ArcData>([&](ArcData& x) { (start ? x.startAngle : x.endAngle) = a; });
                return {};
            }
            c.Get();
            return Variant(start ? d.startAngle : d.endAngle);
        }
        if (c.Is("STARTPOINT") || c.Is("ENDPOINT")) {
            c.ReadOnly();
            const double a = c.Is("STARTPOINT") ? d.startAngle : d.endAngle;
            return PointVariant(
                ToWorld(d.extrusion, {d.center.x + d.radius * std::cos(a),
                                      d.center.y + d.radius * std::sin(a), d.center.z}));
        }
        Unknown(c);
    }

    Variant Polyline(const Call& c, const PolylineData& d) {
        if (c.Is("COORDINATES")) {
            if (c.IsPut()) {
                const Variant& v = c.PutValue();
                if (!v.IsArray())
                    c.Fail(hresult::kTypeMismatch, "coordinates are an array of numbers");
                const auto& items = v.AsArray().items;
                if (items.size() < 4 || items.size() % 2 != 0)
                    c.Fail(hresult::kInvalidArg, "coordinates are x, y pairs, two at least");
                std::vector<double> xy;
                for (const Variant& item : items) xy.push_back(c.NumberOf(item));
                const geometry::OcsFrame frame = geometry::ArbitraryAxis(d.extrusion);
                std::vector<Point3> ocs;
                for (std::size_t i = 0; i < xy.size(); i += 2) {
                    const std::optional<Point3> p =
                        geometry::OcsPointAtPlan(frame, xy[i], xy[i + 1], d.elevation);
                    if (!p)
                        c.Fail(hresult::kFail,
                               "the polyline's plane stands vertical: plan coordinates do not "
                               "place its vertices");
                    ocs.push_back(*p);
                }
                Change<PolylineData>([&](PolylineData& x) {
                    std::vector<PolylineVertex> vs;
                    for (std::size_t i = 0; i < ocs.size(); ++i) {
                        const double bulge = i < x.vertices.size() ? x.vertices[i].bulge : 0;
                        vs.push_back({ocs[i].x, ocs[i].y, bulge});
                    }
                    x.vertices = std::move(vs);
                });
                return {};
            }
            c.Get();
            return Variant::DoubleArray(Flat2D(d));
        }
        if (c.Is("CLOSED")) {
            if (c.IsPut()) {
                const Variant& v = c.PutValue();
                if (v.IsArray() || v.IsObject())
                    c.Fail(hresult::kTypeMismatch, "Closed is a boolean");
                const bool closed = v.AsBool();
                Change<PolylineData>([&](PolylineData& x) { x.closed = closed; });
                return {};
            }
            c.Get();
            return Variant(d.closed);
        }
        if (c.Is("GETBULGE") || c.Is("SETBULGE")) {
            const bool set = c.Is("SETBULGE");
            c.Method(set ? 2 : 1, set ? 2 : 1);
            const std::int32_t i = c.IntArg(0);
            if (i < 0 || static_cast<std::size_t>(i) >= d.vertices.size())
                c.Fail(hresult::kInvalidArg, "vertex index " + std::to_string(i) + " out of range");
            const double sign = PlanBulgeSign(d);
            if (!set) return Variant(sign * d.vertices[static_cast<std::size_t>(i)].bulge);
            const double b = sign * c.NumberArg(1);
            Change<PolylineData>(
                [&](PolylineData& x) { x.vertices[static_cast<std::size_t>(i)].bulge = b; });
            return {};
        }
        Unknown(c);
    }

    Variant Text(const Call& c, const TextData& d) {
        if (c.Is("TEXTSTRING")) {
            if (c.IsPut()) {
                const std::string s = c.PutValue().AsText();
                CheckControlFree(c, s);
                Change<TextData>([&](TextData& x) {
                    x.text = s;
                    Settle(x);
                });
                return {};
            }
            c.Get();
            return Variant(d.text);
        }
        if (c.Is("INSERTIONPOINT")) {
            if (c.IsPut()) {
                const Point3 p = FromWorld(d.extrusion, c.PointOf(c.PutValue()));
                if (!UsesInsertionAsAnchor(d.alignment))
                    c.Fail(hresult::kFail,
                           "InsertionPoint is read-only for a text aligned on its alignment point");
                Change<TextData>([&](TextData& x) {
                    const Point3 delta{p.x - x.insertion.x, p.y - x.insertion.y,
                                       p.z - x.insertion.z};
                    x.insertion = p;
                    if (x.alignment != TextAlignment::Left) {
                        x.alignmentPoint.x += delta.x;
                        x.alignmentPoint.y += delta.y;
                        x.alignmentPoint.z += delta.z;
                    }
                });
                return {};
            }
            c.Get();
            return PointVariant(ToWorld(d.extrusion, d.insertion));
        }
        if (c.Is("TEXTALIGNMENTPOINT")) {
            if (c.IsPut()) {
                const Point3 p = FromWorld(d.extrusion, c.PointOf(c.PutValue()));
                Change<TextData>([&](TextData& x) {
                    x.alignmentPoint = p;
                    Settle(x);
                });
                return {};
            }
            c.Get();
            return PointVariant(ToWorld(d.extrusion, d.alignmentPoint));
        }
        if (c.Is("ALIGNMENT")) {
            if (c.IsPut()) {
                const Variant& v = c.PutValue();
                if (v.IsArray() || v.IsObject() || v.IsText())
                    c.Fail(hresult::kTypeMismatch, "Alignment is an integer");
                const std::int32_t a = v.AsInt();
                if (a < 0 || a > 14) c.Fail(hresult::kInvalidArg, "Alignment is 0 to 14");
                Change<TextData>([&](TextData& x) {
                    x.alignment = static_cast<TextAlignment>(a);
                    Settle(x);
                });
                return {};
            }
            c.Get();
            return Variant(static_cast<std::int32_t>(d.alignment));
        }
        if (c.Is("ROTATION")) {
            if (c.IsPut()) {
                const double r = c.NumberOf(c.PutValue());
                Change<TextData>([&](TextData& x) {
                    x.rotation = r;
                    Settle(x);
                });
                return {};
            }
            c.Get();
            return Variant(d.rotation);
        }
        if (c.Is("HEIGHT")) {
            if (c.IsPut()) {
                const double h = c.NumberOf(c.PutValue());
                if (!(h > 0)) c.Fail(hresult::kInvalidArg, "the text height must be positive");
                Change<TextData>([&](TextData& x) {
                    x.height = h;
                    Settle(x);
                });
                return {};
            }
            c.Get();
            return Variant(d.height);
        }
        if (c.Is("STYLENAME")) {
            c.ReadOnly();
            return Variant(d.style);
        }
        Unknown(c);
    }

    Variant Insert(const Call& c, const InsertData& d) {
        Document& doc = state_->document;
        if (c.Is("NAME")) {
            c.ReadOnly();
            return Variant(d.block);
        }
        if (c.Is("INSERTIONPOINT")) {
            if (c.IsPut()) {
                const Point3 p = c.PointOf(c.PutValue());
                Change<InsertData>([&](InsertData& x) { x.insertion = FromWorld(x.extrusion, p); });
                return {};
            }
            c.Get();
            return PointVariant(ToWorld(d.extrusion, d.insertion));
        }
        if (c.Is("ROTATION")) {
            if (c.IsPut()) {
                const double r = c.NumberOf(c.PutValue());
                Change<InsertData>([&](InsertData& x) { x.rotation = r; });
                return {};
            }
            c.Get();
            return Variant(d.rotation);
        }
        if (c.Is("XSCALEFACTOR") || c.Is("YSCALEFACTOR") || c.Is("ZSCALEFACTOR")) {
            const char axis = c.name[0];
            if (c.IsPut()) {
                const double s = c.NumberOf(c.PutValue());
                if (s == 0) c.Fail(hresult::kInvalidArg, "a scale factor cannot be 0");
                Change<InsertData>([&](InsertData& x) {
                    (axis == 'X' ? x.scaleX : axis == 'Y' ? x.scaleY : x.scaleZ) = s;
                });
                return {};
            }
            c.Get();
            return Variant(axis == 'X' ? d.scaleX : axis == 'Y' ? d.scaleY : d.scaleZ);
        }
        if (c.Is("EXPLODE")) {
            c.Method(0, 0);
            if (!doc.FindBlock(d.block))
                c.Fail(hresult::kFail, "block " + d.block + " does not exist");
            std::optional<std::vector<Entity>> parts = ExplodeInsert(d, doc.drawing().blocks);
            if (!parts)
                c.Fail(hresult::kFail,
                       "a reference scaled unevenly or mirrored cannot be exploded");
            // The reference stays; the caller deletes it when it wants only the pieces.
            std::vector<Variant> created;
            for (Entity& part : *parts)
                created.emplace_back(MakeEntityObject(state_, doc.AddEntity(std::move(part))));
            return Variant::VariantArray(std::move(created));
        }
        Unknown(c);
    }

    Variant Leader(const Call& c, const LeaderData& d) {
        if (c.Is("COORDINATES")) {
            if (c.IsPut()) {
                const Variant& v = c.PutValue();
                if (!v.IsArray())
                    c.Fail(hresult::kTypeMismatch, "coordinates are an array of numbers");
                const auto& items = v.AsArray().items;
                if (items.size() < 6 || items.size() % 3 != 0)
                    c.Fail(hresult::kInvalidArg, "coordinates are x, y, z triples, two at least");
                std::vector<Point3> pts;
                for (std::size_t i = 0; i < items.size(); i += 3)
                    pts.push_back(
                        {c.NumberOf(items[i]), c.NumberOf(items[i + 1]), c.NumberOf(items[i + 2])});
                Change<LeaderData>([&](LeaderData& x) { x.vertices = pts; });
                return {};
            }
            c.Get();
            std::vector<double> flat;
            for (const Point3& p : d.vertices) {
                flat.push_back(p.x);
                flat.push_back(p.y);
                flat.push_back(p.z);
            }
            return Variant::DoubleArray(flat);
        }
        Unknown(c);
    }

    std::int64_t id_;
};

}  // namespace

cadlink::ObjectRef MakeEntityObject(StatePtr state, std::int64_t id) {
    return std::make_shared<EntityObject>(std::move(state), id);
}

}  // namespace tarsel::minicad
