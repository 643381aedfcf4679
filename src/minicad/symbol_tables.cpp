#include <algorithm>

#include "minicad/document.h"

namespace tarsel::minicad {

bool IsValidSymbolName(std::string_view name) {
    if (name.empty() || name.size() > 255) return false;
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 0x20) return false;
        if (std::string_view("<>/\\\":;?*|=`").find(c) != std::string_view::npos) return false;
    }
    return true;
}
const Layer* Document::FindLayer(std::string_view name) const {
    for (const Layer& l : drawing_.layers)
        if (text::EqualsIgnoringAsciiCase(l.name, name)) return &l;
    return nullptr;
}

const Layer& Document::AddLayer(std::string_view name) {
    if (const Layer* l = FindLayer(name)) return *l;
    drawing_.layers.push_back(Layer{std::string(name)});
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
    return true;
}

bool Document::IsAppRegistered(std::string_view name) const {
    return std::any_of(drawing_.appIds.begin(), drawing_.appIds.end(), [&](const std::string& a) {
        return text::EqualsIgnoringAsciiCase(a, name);
    });
}

void Document::RegisterApp(std::string_view name) {
    if (!name.empty() && !IsAppRegistered(name)) drawing_.appIds.emplace_back(name);
}

const Block* Document::FindBlock(std::string_view name) const {
    for (const Block& b : drawing_.blocks)
        if (text::EqualsIgnoringAsciiCase(b.name, name)) return &b;
    return nullptr;
}

const Block& Document::AddBlock(std::string_view name, const Point3& base) {
    if (const Block* b = FindBlock(name)) return *b;
    drawing_.blocks.push_back(Block{std::string(name), base, {}});
    return drawing_.blocks.back();
}

bool Document::IsBlockReferenced(std::string_view name) const {
    auto refers = [&](const Entity& e) {
        if (const auto* other = std::get_if<OtherEntityData>(&e.data))
            return text::EqualsIgnoringAsciiCase(other->block, name);
        const auto* ins = std::get_if<InsertData>(&e.data);
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
    auto it = std::find_if(drawing_.blocks.begin(), drawing_.blocks.end(), [&](const Block& b) {
        return text::EqualsIgnoringAsciiCase(b.name, name);
    });
    if (it == drawing_.blocks.end()) return BlockDeleteResult::NotFound;
    if (IsBlockReferenced(name)) return BlockDeleteResult::Referenced;
    drawing_.blocks.erase(it);
    return BlockDeleteResult::Deleted;
}

}  // namespace tarsel::minicad
