#include "minicad/document.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <set>

#include "minicad/command_line.h"
#include "minicad/entity_geometry.h"

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
    const std::string upper = UpperName(name);
    for (const VarInfo& v : kVariables)
        if (v.name == upper) return &v;
    return nullptr;
}

Variant PointVariant(const Point3& p) {
    return Variant::DoubleArray({p.x, p.y, p.z});
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

bool IdsStrictlyIncreasing(const std::vector<Entity>& list) {
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i].id <= 0) return false;
        if (i > 0 && list[i].id <= list[i - 1].id) return false;
    }
    return true;
}

}  // namespace

std::string UpperName(std::string_view name) {
    std::string s(name);
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    return UpperName(a) == UpperName(b);
}

bool IsValidSymbolName(std::string_view name) {
    if (name.empty() || name.size() > 255) return false;
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 0x20) return false;
        if (std::string_view("<>/\\\":;?*|=`").find(c) != std::string_view::npos) return false;
    }
    return true;
}

Document::Document() : Document(Drawing{}) {}

Document::Document(Drawing drawing) {
    Reset(std::move(drawing));
}

void Document::NormaliseIds() {
    bool ok = IdsStrictlyIncreasing(drawing_.entities);
    std::set<std::int64_t> seen;
    for (const Entity& e : drawing_.entities) seen.insert(e.id);
    for (const Block& b : drawing_.blocks) {
        for (const Entity& e : b.entities) {
            if (!ok) break;
            if (e.id <= 0 || !seen.insert(e.id).second) ok = false;
        }
    }
    std::int64_t maxId = seen.empty() ? 0 : *seen.rbegin();
    if (!ok) {
        std::int64_t next = 1;
        for (Entity& e : drawing_.entities) e.id = next++;
        for (Block& b : drawing_.blocks)
            for (Entity& e : b.entities) e.id = next++;
        maxId = next - 1;
    }
    drawing_.nextId = std::max(drawing_.nextId, maxId + 1);
}

void Document::Reset(Drawing drawing) {
    for (const auto& set : selectionSets_) set->deleted = true;
    selectionSets_.clear();
    previous_.clear();
    drawing_ = std::move(drawing);
    if (!FindLayer("0")) drawing_.layers.insert(drawing_.layers.begin(), Layer{"0"});
    if (!IsAppRegistered("ACAD")) drawing_.appIds.insert(drawing_.appIds.begin(), "ACAD");
    NormaliseIds();
    // A drawing may use layers and applications its tables do not list; a CAD adds them on
    // loading, and so does minicad, so that every saved drawing is consistent.
    auto adopt = [this](Entity& e) {
        if (e.layer.empty()) e.layer = "0";
        if (!FindLayer(e.layer)) AddLayer(e.layer);
        for (const XdataGroup& g : e.xdata) RegisterApp(g.application);
    };
    for (Entity& e : drawing_.entities) adopt(e);
    for (Block& b : drawing_.blocks)
        for (Entity& e : b.entities) adopt(e);
    if (const Layer* current = FindLayer(drawing_.variables.clayer)) {
        drawing_.variables.clayer = current->name;
    } else {
        drawing_.variables.clayer = "0";
    }
    if (!(drawing_.variables.viewsize > 0) || !std::isfinite(drawing_.variables.viewsize))
        ZoomExtents();
    for (DocumentListener* l : listeners_) l->OnReset();
}

Document::Location Document::Locate(std::int64_t id) const {
    auto& self = const_cast<Drawing&>(drawing_);
    auto it = std::lower_bound(self.entities.begin(), self.entities.end(), id,
                               [](const Entity& e, std::int64_t v) { return e.id < v; });
    if (it != self.entities.end() && it->id == id)
        return {&self.entities, static_cast<std::size_t>(it - self.entities.begin()), true};
    for (Block& b : self.blocks) {
        for (std::size_t i = 0; i < b.entities.size(); ++i)
            if (b.entities[i].id == id) return {&b.entities, i, false};
    }
    return {};
}

std::int64_t Document::AddEntity(Entity entity) {
    if (entity.layer.empty()) entity.layer = drawing_.variables.clayer;
    if (!FindLayer(entity.layer)) AddLayer(entity.layer);
    if (const Layer* l = FindLayer(entity.layer)) entity.layer = l->name;
    for (const XdataGroup& g : entity.xdata) RegisterApp(g.application);
    entity.id = drawing_.nextId++;
    drawing_.entities.push_back(std::move(entity));
    for (DocumentListener* l : listeners_) l->OnAdded(drawing_.entities.back());
    return drawing_.entities.back().id;
}

std::int64_t Document::AddBlockEntity(std::string_view blockName, Entity entity) {
    Block* block = nullptr;
    for (Block& b : drawing_.blocks)
        if (SameName(b.name, blockName)) block = &b;
    if (!block) return 0;
    if (entity.layer.empty()) entity.layer = drawing_.variables.clayer;
    if (!FindLayer(entity.layer)) AddLayer(entity.layer);
    if (const Layer* l = FindLayer(entity.layer)) entity.layer = l->name;
    for (const XdataGroup& g : entity.xdata) RegisterApp(g.application);
    entity.id = drawing_.nextId++;
    block->entities.push_back(std::move(entity));
    return block->entities.back().id;
}

const Entity* Document::FindEntity(std::int64_t id) const {
    const Location loc = Locate(id);
    return loc.list ? &(*loc.list)[loc.index] : nullptr;
}

bool Document::IsInModelSpace(std::int64_t id) const {
    return Locate(id).modelSpace;
}

std::optional<std::string> Document::OwnerBlock(std::int64_t id) const {
    for (const Block& b : drawing_.blocks)
        for (const Entity& e : b.entities)
            if (e.id == id) return b.name;
    return std::nullopt;
}

bool Document::ModifyEntity(std::int64_t id, const std::function<void(Entity&)>& change) {
    const Location loc = Locate(id);
    if (!loc.list) return false;
    Entity& target = (*loc.list)[loc.index];
    if (!loc.modelSpace || listeners_.empty()) {
        change(target);
        target.id = id;
        return true;
    }
    const Entity before = target;
    change(target);
    target.id = id;
    for (DocumentListener* l : listeners_) l->OnModified(before, target);
    return true;
}

bool Document::EraseEntity(std::int64_t id) {
    const Location loc = Locate(id);
    if (!loc.list) return false;
    if (loc.modelSpace)
        for (DocumentListener* l : listeners_) l->OnErased((*loc.list)[loc.index]);
    loc.list->erase(loc.list->begin() + static_cast<std::ptrdiff_t>(loc.index));
    return true;
}

std::int64_t Document::LastEntityId() const {
    return drawing_.entities.empty() ? 0 : drawing_.entities.back().id;
}

const Layer* Document::FindLayer(std::string_view name) const {
    for (const Layer& l : drawing_.layers)
        if (SameName(l.name, name)) return &l;
    return nullptr;
}

const Layer& Document::AddLayer(std::string_view name) {
    if (const Layer* l = FindLayer(name)) return *l;
    drawing_.layers.push_back(Layer{std::string(name)});
    return drawing_.layers.back();
}

bool Document::DeleteLayer(std::string_view name) {
    const Layer* layer = FindLayer(name);
    if (!layer || SameName(name, "0") || SameName(name, drawing_.variables.clayer)) return false;
    auto uses = [&](const Entity& e) { return SameName(e.layer, name); };
    if (std::any_of(drawing_.entities.begin(), drawing_.entities.end(), uses)) return false;
    for (const Block& b : drawing_.blocks)
        if (std::any_of(b.entities.begin(), b.entities.end(), uses)) return false;
    drawing_.layers.erase(drawing_.layers.begin() + (layer - drawing_.layers.data()));
    return true;
}

bool Document::IsAppRegistered(std::string_view name) const {
    return std::any_of(drawing_.appIds.begin(), drawing_.appIds.end(),
                       [&](const std::string& a) { return SameName(a, name); });
}

void Document::RegisterApp(std::string_view name) {
    if (!name.empty() && !IsAppRegistered(name)) drawing_.appIds.emplace_back(name);
}

const Block* Document::FindBlock(std::string_view name) const {
    for (const Block& b : drawing_.blocks)
        if (SameName(b.name, name)) return &b;
    return nullptr;
}

const Block& Document::AddBlock(std::string_view name, const Point3& base) {
    if (const Block* b = FindBlock(name)) return *b;
    drawing_.blocks.push_back(Block{std::string(name), base, {}});
    return drawing_.blocks.back();
}

bool Document::IsBlockReferenced(std::string_view name) const {
    auto refers = [&](const Entity& e) {
        const auto* ins = std::get_if<InsertData>(&e.data);
        return ins && SameName(ins->block, name);
    };
    if (std::any_of(drawing_.entities.begin(), drawing_.entities.end(), refers)) return true;
    for (const Block& b : drawing_.blocks) {
        if (SameName(b.name, name)) continue;
        if (std::any_of(b.entities.begin(), b.entities.end(), refers)) return true;
    }
    return false;
}

BlockDeleteResult Document::DeleteBlock(std::string_view name) {
    auto it = std::find_if(drawing_.blocks.begin(), drawing_.blocks.end(),
                           [&](const Block& b) { return SameName(b.name, name); });
    if (it == drawing_.blocks.end()) return BlockDeleteResult::NotFound;
    if (IsBlockReferenced(name)) return BlockDeleteResult::Referenced;
    drawing_.blocks.erase(it);
    return BlockDeleteResult::Deleted;
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
            const std::string upper = UpperName(bare);
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
            const std::optional<double> d = ParseNumberText(text);
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
        const std::optional<Box> b = EntityBox(e, drawing_.blocks);
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

std::shared_ptr<SelectionSetData> Document::AddSelectionSet(std::string_view name) {
    for (const auto& s : selectionSets_)
        if (SameName(s->name, name)) return nullptr;
    auto set = std::make_shared<SelectionSetData>();
    set->name = std::string(name);
    selectionSets_.push_back(set);
    return set;
}

void Document::DeleteSelectionSet(const std::shared_ptr<SelectionSetData>& set) {
    auto it = std::find(selectionSets_.begin(), selectionSets_.end(), set);
    if (it != selectionSets_.end()) selectionSets_.erase(it);
    if (set) set->deleted = true;
}

void Document::Log(std::string_view text) {
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string line(text.substr(start, end - start));
        line.erase(std::remove(line.begin(), line.end(), '\r'), line.end());
        if (!line.empty()) log_.push_back(std::move(line));
        start = end + 1;
    }
}

void Document::AddListener(DocumentListener* listener) {
    if (listener && std::find(listeners_.begin(), listeners_.end(), listener) == listeners_.end())
        listeners_.push_back(listener);
}

void Document::RemoveListener(DocumentListener* listener) {
    listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener), listeners_.end());
}

}  // namespace tarsel::minicad
