#include "cadlink/drawing_services.h"

#include <algorithm>
#include <charconv>
#include <exception>

#include "text/names.h"

namespace tarsel::cadlink {
namespace {

using text::UpperAscii;

using geometry::TAcadPoint;

// The rest of a table name after a prefix read as a decimal integer; 0 when it is not one.
long long NumberAfterPrefix(std::string_view upperName, std::string_view upperPrefix) {
    if (!upperName.starts_with(upperPrefix)) return -1;
    const std::string_view rest = upperName.substr(upperPrefix.size());
    long long value = 0;
    const auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), value, 10);
    if (rest.empty() || ec != std::errc() || end != rest.data() + rest.size()) return 0;
    return value;
}

// The largest number after the prefix among a collection's item names (0 when none).
long long LargestNumberedName(const ObjectRef& collection, std::string_view prefix) {
    const std::string upperPrefix = UpperAscii(prefix);
    long long n = 0;
    const std::int32_t count = Get(collection, "Count").AsInt();
    for (std::int32_t i = 0; i < count; ++i) {
        const ObjectRef item = Call(collection, "Item", {Variant(i)}).AsObject();
        const std::string u = UpperAscii(Get(item, "Name").AsText());
        n = std::max(n, NumberAfterPrefix(u, upperPrefix));
    }
    return n;
}

// The drawing's last entity through a temporary selection set (mode 4). The set is returned
// with the entity so the caller can delete it when done.
ObjectRef SelectLast(const ObjectRef& ss) {
    Call(ss, "Clear", {});
    const Variant origin = PointToVariant({});
    Call(ss, "Select", {Variant(std::int32_t{4}), origin, origin, Variant(), Variant()});
    if (Get(ss, "Count").AsInt() <= 0) return nullptr;
    return Call(ss, "Item", {Variant(std::int32_t{0})}).AsObject();
}

void DeleteQuietly(const ObjectRef& obj) noexcept {
    if (!obj) return;
    try {
        Call(obj, "Delete", {});
    } catch (...) {
        // A set that cannot be deleted only costs a name; the number grows past it.
    }
}

}  // namespace

Variant PointToVariant(const TAcadPoint& p) {
    return Variant::DoubleArray({p.x, p.y, p.z});
}

TAcadPoint VariantToPoint(const Variant& v, std::string_view member) {
    if (!v.IsArray()) {
        throw AutomationError(std::string(member), hresult::kTypeMismatch,
                              "expected a point, got " + Describe(v));
    }
    const Array& a = v.AsArray();
    if (a.kind == ArrayKind::Int16 || a.items.size() < 2 || a.items.size() > 3) {
        throw AutomationError(std::string(member), hresult::kTypeMismatch,
                              "expected a point, got " + Describe(v));
    }
    TAcadPoint p;
    p.x = a.items[0].AsDouble();
    p.y = a.items[1].AsDouble();
    if (a.items.size() == 3) p.z = a.items[2].AsDouble();
    return p;
}

TAcadPoint GetPoint(const ObjectRef& obj, std::string_view member) {
    return VariantToPoint(Get(obj, member), member);
}

std::vector<TAcadPoint> PolylineVertices(const ObjectRef& polyline) {
    const Variant coords = Get(polyline, "Coordinates");
    if (!coords.IsArray()) {
        throw AutomationError("Coordinates", hresult::kTypeMismatch, "expected an array");
    }
    const auto& items = coords.AsArray().items;
    std::vector<TAcadPoint> vertices;
    for (std::size_t k = 0; 2 * k + 1 < items.size(); ++k) {
        vertices.push_back({items[2 * k].AsDouble(), items[2 * k + 1].AsDouble(), 0});
    }
    return vertices;
}

ObjectRef AddLineOnLayer(const ObjectRef& space, const TAcadPoint& p1, const TAcadPoint& p2,
                         std::string_view layer) {
    const ObjectRef line =
        Call(space, "AddLine", {PointToVariant(p1), PointToVariant(p2)}).AsObject();
    Put(line, "Layer", Variant(layer));
    Call(line, "Update", {});
    return line;
}

bool EnsureLayer(const ObjectRef& doc, std::string_view name, bool makeCurrent) {
    const ObjectRef layers = GetObject(doc, "Layers");
    const std::string wanted = UpperAscii(name);
    bool found = false;
    const std::int32_t count = Get(layers, "Count").AsInt();
    for (std::int32_t i = 0; i < count && !found; ++i) {
        const ObjectRef layer = Call(layers, "Item", {Variant(i)}).AsObject();
        found = UpperAscii(Get(layer, "Name").AsText()) == wanted;
    }
    if (!found) Call(layers, "Add", {Variant(name)});
    if (makeCurrent) Call(doc, "SetVariable", {Variant("CLAYER"), Variant(name)});
    return found;
}

std::string NextBlockName(const ObjectRef& doc, std::string_view prefix) {
    const long long n = LargestNumberedName(GetObject(doc, "Blocks"), prefix);
    return std::string(prefix) + std::to_string(n + 1);
}

NumberedBlock NewNumberedBlock(const ObjectRef& doc, std::string_view prefix) {
    const std::string name = NextBlockName(doc, prefix);
    const ObjectRef blocks = GetObject(doc, "Blocks");
    NumberedBlock result;
    result.block = Call(blocks, "Add", {PointToVariant({}), Variant(name)}).AsObject();
    result.name = Get(result.block, "Name").AsText();
    return result;
}

bool DeleteBlock(const ObjectRef& doc, std::string_view name) {
    const ObjectRef blocks = GetObject(doc, "Blocks");
    const std::string wanted = UpperAscii(name);
    const std::int32_t count = Get(blocks, "Count").AsInt();
    for (std::int32_t i = 0; i < count; ++i) {
        const ObjectRef block = Call(blocks, "Item", {Variant(i)}).AsObject();
        if (UpperAscii(Get(block, "Name").AsText()) != wanted) continue;
        try {
            Call(block, "Delete", {});
            return true;
        } catch (const AutomationError&) {
            return false;  // still referenced: the definition stays
        }
    }
    return false;
}

ObjectRef NewTempSelectionSet(const ObjectRef& doc) {
    const ObjectRef sets = GetObject(doc, "SelectionSets");
    const long long n = LargestNumberedName(sets, kTempSelectionSetPrefix);
    return Call(sets, "Add",
                {Variant(std::string(kTempSelectionSetPrefix) + std::to_string(n + 1))})
        .AsObject();
}

TempSelectionSetScope::~TempSelectionSetScope() {
    DeleteQuietly(set_);
}

void TempSelectionSetScope::Delete() {
    ObjectRef set = std::move(set_);
    set_.reset();
    if (set) Call(set, "Delete", {});
}

std::optional<TAcadPoint> ExplodeLastInsert(const ObjectRef& doc, std::string_view blockName) {
    ObjectRef ss;
    std::optional<TAcadPoint> result;
    try {
        ss = NewTempSelectionSet(doc);
        const ObjectRef last = SelectLast(ss);
        if (last && Get(last, "EntityName").AsText() == "AcDbBlockReference" &&
            Get(last, "Name").AsText() == blockName) {
            const TAcadPoint insertion = GetPoint(last, "InsertionPoint");
            Call(last, "Explode", {});
            Call(last, "Delete", {});
            result = insertion;
        }
    } catch (const AutomationError&) {
        // Whatever did not happen did not happen; the caller only needs to know whether it did.
    }
    DeleteQuietly(ss);
    return result;
}

std::int64_t LastEntityObjectID(const ObjectRef& doc) {
    ObjectRef ss;
    std::int64_t id = 0;
    try {
        ss = NewTempSelectionSet(doc);
        if (const ObjectRef last = SelectLast(ss)) id = Get(last, "ObjectID").AsInt64();
    } catch (const AutomationError&) {
        id = 0;
    }
    DeleteQuietly(ss);
    return id;
}

std::string_view CadStateMember(std::string_view targetProgId) {
    const std::string u = UpperAscii(targetProgId);
    if (u.find("GCAD") != std::string::npos) {
        const auto dot = u.rfind('.');
        const std::string_view version =
            dot == std::string::npos ? std::string_view{} : std::string_view(u).substr(dot + 1);
        long long v = 0;
        const auto [end, ec] =
            std::from_chars(version.data(), version.data() + version.size(), v, 10);
        if (version.empty() || ec != std::errc() || end != version.data() + version.size()) v = 0;
        return v >= 24 ? "GetAcadState" : "GetGcadState";
    }
    if (u.find("ZWCAD") != std::string::npos) return "GetZcadState";
    return "GetAcadState";
}

void WaitForCadIdle(const ObjectRef& app, std::string_view targetProgId, platform::Desktop& desktop,
                    std::uint32_t intervalMs) {
    desktop.Sleep(intervalMs);
    const std::string_view member = CadStateMember(targetProgId);
    while (true) {
        const ObjectRef state = Call(app, member, {}).AsObject();
        if (Get(state, "IsQuiescent").AsBool()) break;
        desktop.Sleep(intervalMs);
    }
    desktop.Sleep(intervalMs);
}

std::optional<PickedSegment> PickedPolylineSegment(const ObjectRef& doc, const ObjectRef& polyline,
                                                   const TAcadPoint& pickPoint) {
    const TAcadPoint extMin =
        VariantToPoint(Call(doc, "GetVariable", {Variant("EXTMIN")}), "EXTMIN");
    const TAcadPoint extMax =
        VariantToPoint(Call(doc, "GetVariable", {Variant("EXTMAX")}), "EXTMAX");
    double best = geometry::PointDistance(extMin, extMax);

    const std::vector<TAcadPoint> vertices = PolylineVertices(polyline);
    if (vertices.size() <= 2) return std::nullopt;

    std::optional<PickedSegment> result;
    auto test = [&](const TAcadPoint& p, const TAcadPoint& q) {
        const geometry::FootResult f = geometry::PerpendicularFoot(pickPoint, p, q, true);
        if (!f.ok || !f.foot) return;
        const double d = geometry::PointDistance(pickPoint, *f.foot);
        if (d < best) {
            best = d;
            result = PickedSegment{*f.foot, p, q};
        }
    };
    for (std::size_t i = 0; i + 1 < vertices.size(); ++i) test(vertices[i], vertices[i + 1]);
    if (Get(polyline, "Closed").AsBool()) test(vertices.front(), vertices.back());
    return result;
}

AngleSettings ReadAngleSettings(const ObjectRef& doc) {
    const std::int32_t aunits = Call(doc, "GetVariable", {Variant("AUNITS")}).AsInt();
    // AUNITS goes back even when a read fails: a drawing left in decimal degrees would show
    // every later angle prompt in the wrong unit.
    struct Restore {
        const ObjectRef& doc;
        std::int32_t value;
        bool active = false;
        ~Restore() {
            if (!active) return;
            try {
                Call(doc, "SetVariable", {Variant("AUNITS"), Variant(value)});
            } catch (...) {
                // Only reached while a failure is already ending the command.
            }
        }
    } restore{doc, aunits};
    Call(doc, "SetVariable", {Variant("AUNITS"), Variant(std::int32_t{0})});
    restore.active = aunits >= 0 && aunits <= 4;
    AngleSettings s;
    s.angleBase = Call(doc, "GetVariable", {Variant("ANGBASE")}).AsDouble() * geometry::kDegToRad;
    s.angleDirection = Call(doc, "GetVariable", {Variant("ANGDIR")}).AsInt();
    if (restore.active) {
        restore.active = false;
        Call(doc, "SetVariable", {Variant("AUNITS"), Variant(aunits)});
    }
    return s;
}

SnapOffScope::SnapOffScope(ObjectRef doc) : doc_(std::move(doc)) {
    saved_ = Call(doc_, "GetVariable", {Variant("SNAPMODE")}).AsInt();
    Call(doc_, "SetVariable", {Variant("SNAPMODE"), Variant(std::int32_t{0})});
}

SnapOffScope::~SnapOffScope() {
    try {
        Call(doc_, "SetVariable", {Variant("SNAPMODE"), Variant(saved_)});
    } catch (...) {
        // The command is already ending; a CAD that refuses the write cannot be helped here.
    }
}

}  // namespace tarsel::cadlink
