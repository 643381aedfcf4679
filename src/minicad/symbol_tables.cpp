#include <algorithm>
#include <memory>

#include "minicad/document.h"
#include "minicad/entity_geometry.h"

namespace tarsel::minicad {

bool IsValidSymbolName(std::string_view name) {
    if (name.empty() || name.size() > 255) return false;
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 0x20) return false;
        if (std::string_view("<>/\\\":;?*|=`").find(c) != std::string_view::npos) return false;
    }
    return true;
}
void Document::IndexLayers() {
    layerIndex_.clear();
    layerIndex_.reserve(drawing_.layers.size());
    for (std::size_t i = 0; i < drawing_.layers.size(); ++i)
        layerIndex_.emplace(text::UpperAscii(drawing_.layers[i].name), i);
}

void Document::IndexBlocks() {
    blockIndex_.clear();
    blockIndex_.reserve(drawing_.blocks.size());
    for (std::size_t i = 0; i < drawing_.blocks.size(); ++i)
        blockIndex_.emplace(text::UpperAscii(drawing_.blocks[i].name), i);
}

void Document::IndexApps() {
    appIndex_.clear();
    appIndex_.reserve(drawing_.appIds.size());
    for (const std::string& a : drawing_.appIds) appIndex_.insert(text::UpperAscii(a));
}

const Layer* Document::FindLayer(std::string_view name) const {
    const auto found = layerIndex_.find(text::UpperAscii(name));
    return found == layerIndex_.end() ? nullptr : &drawing_.layers[found->second];
}

const Layer& Document::AddLayer(std::string_view name) {
    if (const Layer* l = FindLayer(name)) return *l;
    drawing_.layers.push_back(Layer{std::string(name)});
    layerIndex_.emplace(text::UpperAscii(name), drawing_.layers.size() - 1);
    return drawing_.layers.back();
}

bool Document::DeleteLayer(std::string_view name) {
    const Layer* layer = FindLayer(name);
    if (!layer || text::EqualsIgnoringAsciiCase(name, "0") ||
        text::EqualsIgnoringAsciiCase(name, drawing_.variables.clayer))
        return false;
    auto uses = [&](const Entity& e) { return text::EqualsIgnoringAsciiCase(e.layer, name); };
    if (std::any_of(drawing_.entities.begin(), drawing_.entities.end(), uses)) return false;
    for (const Block& b : drawing_.blocks)
        if (std::any_of(b.entities.begin(), b.entities.end(), uses)) return false;
    drawing_.layers.erase(drawing_.layers.begin() + (layer - drawing_.layers.data()));
    IndexLayers();
    return true;
}

bool Document::IsAppRegistered(std::string_view name) const {
    return appIndex_.contains(text::UpperAscii(name));
}

void Document::RegisterApp(std::string_view name) {
    if (name.empty() || !appIndex_.insert(text::UpperAscii(name)).second) return;
    drawing_.appIds.emplace_back(name);
}

const Block* Document::FindBlock(std::string_view name) const {
    const auto found = blockIndex_.find(text::UpperAscii(name));
    return found == blockIndex_.end() ? nullptr : &drawing_.blocks[found->second];
}

Block* Document::FindBlockForChange(std::string_view name) {
    return const_cast<Block*>(FindBlock(name));  // the block is the document's own
}

const Block& Document::AddBlock(std::string_view name, const Point3& base) {
    if (const Block* b = FindBlock(name)) return *b;
    drawing_.blocks.push_back(Block{std::string(name), base, {}});
    blockIndex_.emplace(text::UpperAscii(name), drawing_.blocks.size() - 1);
    // References to a block not yet defined now show it.
    BlocksChanged();
    return drawing_.blocks.back();
}

bool Document::IsBlockReferenced(std::string_view name) const {
    auto refers = [&](const Entity& e) {
        if (const auto* other = DataIf<OtherEntityData>(e.data))
            return text::EqualsIgnoringAsciiCase(other->block, name);
        const auto* ins = DataIf<InsertData>(e.data);
        return ins && text::EqualsIgnoringAsciiCase(ins->block, name);
    };
    if (std::any_of(drawing_.entities.begin(), drawing_.entities.end(), refers)) return true;
    for (const Block& b : drawing_.blocks) {
        if (text::EqualsIgnoringAsciiCase(b.name, name)) continue;
        if (std::any_of(b.entities.begin(), b.entities.end(), refers)) return true;
    }
    return false;
}

BlockDeleteResult Document::DeleteBlock(std::string_view name) {
    const Block* block = FindBlock(name);
    if (!block) return BlockDeleteResult::NotFound;
    if (IsBlockReferenced(name)) return BlockDeleteResult::Referenced;
    drawing_.blocks.erase(drawing_.blocks.begin() + (block - drawing_.blocks.data()));
    IndexBlocks();
    BlocksChanged();
    return BlockDeleteResult::Deleted;
}

void Document::BlocksChanged() {
    blockBoxes_.reset();
}

const BlockBoxes& Document::Blocks() const {
    if (!blockBoxes_) blockBoxes_ = std::make_unique<BlockBoxes>(drawing_.blocks);
    return *blockBoxes_;
}

}  // namespace tarsel::minicad
