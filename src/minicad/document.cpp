#include "minicad/document.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "minicad/entity_geometry.h"

namespace tarsel::minicad {
namespace {

using cadlink::Variant;

bool IdsStrictlyIncreasing(const std::vector<Entity>& list) {
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i].id <= 0) return false;
        if (i > 0 && list[i].id <= list[i - 1].id) return false;
    }
    return true;
}

// A new object is written from the model: a copy of another one (or of an entity of another
// drawing) must not carry that one's groups and handle into the file.
void ForgetFileGroups(Entity& entity) {
    entity.raw = RawGroups{};
    entity.changed = false;
}

}  // namespace

Document::Document() : Document(Drawing{}) {}

Document::Document(Drawing drawing) {
    Reset(std::move(drawing));
}

Document::~Document() = default;

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
    BlocksChanged();
    IndexBlocks();
    IndexApps();
    if (!IsAppRegistered("ACAD")) {
        drawing_.appIds.insert(drawing_.appIds.begin(), "ACAD");
        appIndex_.insert("ACAD");
    }
    IndexLayers();
    if (!FindLayer("0")) {
        drawing_.layers.insert(drawing_.layers.begin(), Layer{"0"});
        IndexLayers();
    }
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
    ForgetFileGroups(entity);
    drawing_.entities.push_back(std::move(entity));
    for (DocumentListener* l : listeners_) l->OnAdded(drawing_.entities.back());
    return drawing_.entities.back().id;
}

std::int64_t Document::AddBlockEntity(std::string_view blockName, Entity entity) {
    Block* block = FindBlockForChange(blockName);
    if (!block) return 0;
    if (entity.layer.empty()) entity.layer = drawing_.variables.clayer;
    if (!FindLayer(entity.layer)) AddLayer(entity.layer);
    if (const Layer* l = FindLayer(entity.layer)) entity.layer = l->name;
    for (const XdataGroup& g : entity.xdata) RegisterApp(g.application);
    entity.id = drawing_.nextId++;
    ForgetFileGroups(entity);
    block->entities.push_back(std::move(entity));
    BlocksChanged();
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
    if (!loc.modelSpace) BlocksChanged();
    if (!loc.modelSpace || listeners_.empty()) {
        change(target);
        target.id = id;
        target.changed = true;
        return true;
    }
    const Entity before = target;
    change(target);
    target.id = id;
    target.changed = true;
    for (DocumentListener* l : listeners_) l->OnModified(before, target);
    return true;
}

bool Document::EraseEntity(std::int64_t id) {
    const Location loc = Locate(id);
    if (!loc.list) return false;
    if (loc.modelSpace)
        for (DocumentListener* l : listeners_) l->OnErased((*loc.list)[loc.index]);
    else
        BlocksChanged();
    loc.list->erase(loc.list->begin() + static_cast<std::ptrdiff_t>(loc.index));
    return true;
}

std::int64_t Document::LastEntityId() const {
    return drawing_.entities.empty() ? 0 : drawing_.entities.back().id;
}

std::shared_ptr<SelectionSetData> Document::AddSelectionSet(std::string_view name) {
    for (const auto& s : selectionSets_)
        if (text::EqualsIgnoringAsciiCase(s->name, name)) return nullptr;
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
