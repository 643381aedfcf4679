// Layers, blocks (model space among them) and selection sets as automation objects.
#include <algorithm>
#include <cmath>
#include <set>

#include "minicad/automation_objects.h"

namespace tarsel::minicad {
namespace {

using cadlink::Variant;
namespace hresult = cadlink::hresult;

// Index (0-based) or name, as Item takes it; names compared upper-cased.
template <typename Names>
std::size_t ItemIndex(const Call& c, const Names& names) {
    c.Method(1, 1);
    const Variant& key = c.Arg(0);
    if (key.IsText()) {
        const std::string name = key.AsText();
        for (std::size_t i = 0; i < names.size(); ++i)
            if (text::EqualsIgnoringAsciiCase(names[i], name)) return i;
        c.Fail(hresult::kInvalidArg, "no item named " + name);
    }
    const std::int32_t i = c.IntArg(0);
    if (i < 0 || static_cast<std::size_t>(i) >= names.size())
        c.Fail(hresult::kInvalidArg, "index " + std::to_string(i) + " out of range");
    return static_cast<std::size_t>(i);
}

// Text a TEXT entity can hold and a DXF file can carry: no line breaks or other controls.
void CheckEntityText(const Call& c, const std::string& text) {
    for (char ch : text)
        if (static_cast<unsigned char>(ch) < 0x20)
            c.Fail(hresult::kInvalidArg, "a text cannot hold control characters");
}

class LayerObject final : public MinicadObject {
public:
    LayerObject(StatePtr state, std::string name)
        : MinicadObject(std::move(state)), name_(std::move(name)) {}

protected:
    Variant Dispatch(const Call& c) override {
        Document& doc = state_->document;
        const Layer* layer = doc.FindLayer(name_);
        if (!layer) c.Fail(hresult::kFail, "the layer was deleted");
        if (c.Is("NAME")) {
            c.ReadOnly();
            return Variant(layer->name);
        }
        if (c.Is("DELETE")) {
            c.Method(0, 0);
            if (!doc.DeleteLayer(name_))
                c.Fail(hresult::kFail, "layer " + name_ + " is layer 0, current or in use");
            return {};
        }
        Unknown(c);
    }

private:
    std::string name_;
};

class LayersObject final : public MinicadObject {
public:
    using MinicadObject::MinicadObject;

protected:
    Variant Dispatch(const Call& c) override {
        Document& doc = state_->document;
        const auto& layers = doc.drawing().layers;
        if (c.Is("COUNT")) {
            c.ReadOnly();
            return Variant(static_cast<std::int32_t>(layers.size()));
        }
        if (c.Is("ITEM")) {
            std::vector<std::string> names;
            for (const Layer& l : layers) names.push_back(l.name);
            const std::size_t i = ItemIndex(c, names);
            return Variant(std::make_shared<LayerObject>(state_, names[i]));
        }
        if (c.Is("ADD")) {
            c.Method(1, 1);
            const std::string name = c.TextArg(0);
            if (!IsValidSymbolName(name))
                c.Fail(hresult::kInvalidArg, "invalid layer name \"" + name + "\"");
            const Layer& layer = doc.AddLayer(name);
            return Variant(std::make_shared<LayerObject>(state_, layer.name));
        }
        Unknown(c);
    }
};

// Model space (block empty) or a block definition: both hold entities and add them.
class ContainerObject final : public MinicadObject {
public:
    ContainerObject(StatePtr state, std::optional<std::string> block)
        : MinicadObject(std::move(state)), block_(std::move(block)) {}

protected:
    Variant Dispatch(const Call& c) override {
        Document& doc = state_->document;
        const Block* block = nullptr;
        if (block_) {
            block = doc.FindBlock(*block_);
            if (!block) c.Fail(hresult::kFail, "the block was deleted");
        }
        const std::vector<Entity>& entities = block ? block->entities : doc.Entities();
        if (c.Is("ADDLINE")) {
            c.Method(2, 2);
            return Add(c, LineData{c.PointArg(0), c.PointArg(1)});
        }
        if (c.Is("ADDCIRCLE")) {
            c.Method(2, 2);
            const Point3 center = c.PointArg(0);
            const double r = c.NumberArg(1);
            if (!(r > 0)) c.Fail(hresult::kInvalidArg, "the radius must be positive");
            return Add(c, CircleData{center, r});
        }
        if (c.Is("ADDARC")) {
            c.Method(4, 4);
            const Point3 center = c.PointArg(0);
            const double r = c.NumberArg(1);
            if (!(r > 0)) c.Fail(hresult::kInvalidArg, "the radius must be positive");
            return Add(c, ArcData{center, r, c.NumberArg(2), c.NumberArg(3)});
        }
        if (c.Is("ADDTEXT")) {
            c.Method(3, 3);
            const std::string text = c.TextArg(0);
            CheckEntityText(c, text);
            const Point3 at = c.PointArg(1);
            const double height = c.NumberArg(2);
            if (!(height > 0)) c.Fail(hresult::kInvalidArg, "the text height must be positive");
            TextData t;
            t.text = text;
            t.insertion = at;
            t.alignmentPoint = at;
            t.height = height;
            return Add(c, t);
        }
        if (c.Is("ADDLIGHTWEIGHTPOLYLINE")) {
            c.Method(1, 1);
            const Variant& v = c.Arg(0);
            if (!v.IsArray()) c.Fail(hresult::kTypeMismatch, "vertices are an array of numbers");
            const auto& items = v.AsArray().items;
            if (items.size() < 4 || items.size() % 2 != 0)
                c.Fail(hresult::kInvalidArg, "vertices are x, y pairs, two at least");
            PolylineData pl;
            for (std::size_t i = 0; i < items.size(); i += 2)
                pl.vertices.push_back({c.NumberOf(items[i]), c.NumberOf(items[i + 1]), 0});
            return Add(c, pl);
        }
        if (c.Is("INSERTBLOCK")) {
            c.Method(6, 6);
            InsertData ins;
            ins.insertion = c.PointArg(0);
            ins.block = c.TextArg(1);
            const Block* def = doc.FindBlock(ins.block);
            if (!def) c.Fail(hresult::kInvalidArg, "no block named " + ins.block);
            if (block && text::EqualsIgnoringAsciiCase(def->name, block->name))
                c.Fail(hresult::kInvalidArg, "a block cannot hold a reference to itself");
            ins.block = def->name;
            ins.scaleX = c.NumberArg(2);
            ins.scaleY = c.NumberArg(3);
            ins.scaleZ = c.NumberArg(4);
            ins.rotation = c.NumberArg(5);
            if (ins.scaleX == 0 || ins.scaleY == 0 || ins.scaleZ == 0)
                c.Fail(hresult::kInvalidArg, "a scale factor cannot be 0");
            return Add(c, ins);
        }
        if (c.Is("COUNT")) {
            c.ReadOnly();
            return Variant(static_cast<std::int32_t>(entities.size()));
        }
        if (c.Is("ITEM")) {
            c.Method(1, 1);
            const std::int32_t i = c.IntArg(0);
            if (i < 0 || static_cast<std::size_t>(i) >= entities.size())
                c.Fail(hresult::kInvalidArg, "index " + std::to_string(i) + " out of range");
            return Variant(MakeEntityObject(state_, entities[static_cast<std::size_t>(i)].id));
        }
        if (c.Is("NAME")) {
            c.ReadOnly();
            return Variant(block ? block->name : std::string("*Model_Space"));
        }
        if (c.Is("ORIGIN")) {
            c.ReadOnly();
            return PointVariant(block ? block->base : Point3{});
        }
        if (c.Is("DELETE")) {
            c.Method(0, 0);
            if (!block) c.Fail(hresult::kFail, "model space cannot be deleted");
            const std::string name = block->name;
            if (doc.DeleteBlock(name) == BlockDeleteResult::Referenced)
                c.Fail(hresult::kFail, "block " + name + " is still referenced");
            return {};
        }
        Unknown(c);
    }

private:
    Variant Add(const Call& c, EntityData data) {
        Entity e;
        e.layer.clear();  // the current layer, as a CAD draws new entities
        e.data = std::move(data);
        const std::int64_t id = block_ ? state_->document.AddBlockEntity(*block_, std::move(e))
                                       : state_->document.AddEntity(std::move(e));
        if (id == 0) c.Fail(hresult::kFail, "the block was deleted");
        return Variant(MakeEntityObject(state_, id));
    }

    std::optional<std::string> block_;
};

class BlocksObject final : public MinicadObject {
public:
    using MinicadObject::MinicadObject;

protected:
    Variant Dispatch(const Call& c) override {
        Document& doc = state_->document;
        const auto& blocks = doc.drawing().blocks;
        if (c.Is("COUNT")) {
            c.ReadOnly();
            return Variant(static_cast<std::int32_t>(blocks.size()));
        }
        if (c.Is("ITEM")) {
            std::vector<std::string> names;
            for (const Block& b : blocks) names.push_back(b.name);
            const std::size_t i = ItemIndex(c, names);
            return Variant(MakeContainerObject(state_, names[i]));
        }
        if (c.Is("ADD")) {
            c.Method(2, 2);
            const Point3 origin = c.PointArg(0);
            const std::string name = c.TextArg(1);
            if (!IsValidSymbolName(name))
                c.Fail(hresult::kInvalidArg, "invalid block name \"" + name + "\"");
            const Block& b = doc.AddBlock(name, origin);
            return Variant(MakeContainerObject(state_, b.name));
        }
        Unknown(c);
    }
};

class SelectionSetObject final : public MinicadObject {
public:
    SelectionSetObject(StatePtr state, std::shared_ptr<SelectionSetData> set)
        : MinicadObject(std::move(state)), set_(std::move(set)) {}

protected:
    Variant Dispatch(const Call& c) override {
        if (set_->deleted) c.Fail(hresult::kFail, "the selection set was deleted");
        Document& doc = state_->document;
        if (c.Is("NAME")) {
            c.ReadOnly();
            return Variant(set_->name);
        }
        if (c.Is("COUNT")) {
            c.ReadOnly();
            return Variant(static_cast<std::int32_t>(set_->ids.size()));
        }
        if (c.Is("ITEM")) {
            c.Method(1, 1);
            const std::int32_t i = c.IntArg(0);
            if (i < 0 || static_cast<std::size_t>(i) >= set_->ids.size())
                c.Fail(hresult::kInvalidArg, "index " + std::to_string(i) + " out of range");
            return Variant(MakeEntityObject(state_, set_->ids[static_cast<std::size_t>(i)]));
        }
        if (c.Is("CLEAR")) {
            c.Method(0, 0);
            set_->ids.clear();
            return {};
        }
        if (c.Is("DELETE")) {
            c.Method(0, 0);
            doc.DeleteSelectionSet(set_);
            return {};
        }
        if (c.Is("ERASE")) {
            c.Method(0, 0);
            for (std::int64_t id : set_->ids) doc.EraseEntity(id);
            set_->ids.clear();
            return {};
        }
        if (c.Is("SELECT")) {
            c.Method(1, 5);
            const std::int32_t mode = c.IntArg(0);
            const EntityFilter filter = c.FilterArgs(3, 4);
            switch (mode) {
                case 0:  // window: wholly inside
                    Take(SelectInside(doc, c.PointArg(1), c.PointArg(2), filter));
                    break;
                case 1:  // crossing window
                    Take(SelectCrossing(doc, c.PointArg(1), c.PointArg(2), filter));
                    break;
                case 3: {  // previous
                    std::vector<std::int64_t> ids;
                    for (std::int64_t id : doc.PreviousSelection()) {
                        const Entity* e = doc.FindEntity(id);
                        if (e && doc.IsInModelSpace(id) && filter.Matches(*e)) ids.push_back(id);
                    }
                    Take(ids);
                    break;
                }
                case 4:  // last entity
                    if (auto id = SelectLast(doc, filter)) Take({*id});
                    break;
                case 5:  // all
                    Take(SelectEverything(doc, filter));
                    break;
                default:
                    c.Fail(hresult::kInvalidArg,
                           "unsupported selection mode " + std::to_string(mode));
            }
            return {};
        }
        if (c.Is("SELECTONSCREEN")) {
            c.Method(0, 2);
            const EntityFilter filter = c.FilterArgs(0, 1);
            const std::string prompt = "Select objects: ";
            const Answer a = state_->User().Ask(PromptKind::Selection, prompt);
            switch (a.kind) {
                case Answer::Kind::SelectWindow:
                    doc.Log(prompt + "C " + FormatPoint(a.p1) + " " + FormatPoint(a.p2));
                    Take(SelectCrossing(doc, a.p1, a.p2, filter));
                    break;
                case Answer::Kind::SelectAll:
                    doc.Log(prompt + "ALL");
                    Take(SelectEverything(doc, filter));
                    break;
                case Answer::Kind::Point:
                case Answer::Kind::Pick:
                    doc.Log(prompt + FormatPoint(a.p1));
                    if (auto id = FindEntityAt(doc, a.p1, filter)) Take({*id});
                    break;
                default: doc.Log(prompt + "*Cancel*"); FailCancelled(c);
            }
            return {};
        }
        if (c.Is("SELECTATPOINT")) {
            c.Method(1, 3);
            const Point3 p = c.PointArg(0);
            const EntityFilter filter = c.FilterArgs(1, 2);
            if (auto id = FindEntityAt(doc, p, filter)) Take({*id});
            return {};
        }
        Unknown(c);
    }

private:
    // Adds to the set (a selection adds; Clear empties) and makes the set the previous
    // selection, which MOVE's "PRE" takes.
    void Take(const std::vector<std::int64_t>& ids) {
        std::set<std::int64_t> have(set_->ids.begin(), set_->ids.end());
        for (std::int64_t id : ids)
            if (have.insert(id).second) set_->ids.push_back(id);
        if (!ids.empty()) state_->document.SetPreviousSelection(set_->ids);
    }

    std::shared_ptr<SelectionSetData> set_;
};

class SelectionSetsObject final : public MinicadObject {
public:
    using MinicadObject::MinicadObject;

protected:
    Variant Dispatch(const Call& c) override {
        Document& doc = state_->document;
        const auto& sets = doc.SelectionSets();
        if (c.Is("COUNT")) {
            c.ReadOnly();
            return Variant(static_cast<std::int32_t>(sets.size()));
        }
        if (c.Is("ITEM")) {
            std::vector<std::string> names;
            for (const auto& s : sets) names.push_back(s->name);
            const std::size_t i = ItemIndex(c, names);
            return Variant(std::make_shared<SelectionSetObject>(state_, sets[i]));
        }
        if (c.Is("ADD")) {
            c.Method(1, 1);
            const std::string name = c.TextArg(0);
            if (!IsValidSymbolName(name))
                c.Fail(hresult::kInvalidArg, "invalid selection set name \"" + name + "\"");
            auto set = doc.AddSelectionSet(name);
            if (!set)
                c.Fail(hresult::kInvalidArg, "Duplicate key: selection set " + name + " exists");
            return Variant(std::make_shared<SelectionSetObject>(state_, set));
        }
        Unknown(c);
    }
};

}  // namespace

cadlink::ObjectRef MakeLayersObject(StatePtr state) {
    return std::make_shared<LayersObject>(std::move(state));
}
cadlink::ObjectRef MakeBlocksObject(StatePtr state) {
    return std::make_shared<BlocksObject>(std::move(state));
}
cadlink::ObjectRef MakeSelectionSetsObject(StatePtr state) {
    return std::make_shared<SelectionSetsObject>(std::move(state));
}
cadlink::ObjectRef MakeContainerObject(StatePtr state, std::optional<std::string> block) {
    return std::make_shared<ContainerObject>(std::move(state), std::move(block));
}

}  // namespace tarsel::minicad
