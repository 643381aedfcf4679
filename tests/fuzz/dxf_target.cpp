// A drawing from anyone: read it, save it, read the saved file. Whatever the reader accepts
// must save, read back to the same objects (or list on the save what it could not keep), and
// save again to the same bytes; read with a second thread lexing ahead, it must be the same.
#include <optional>
#include <string>

#include "minicad/dxf.h"
#include "targets.h"

namespace tarsel::fuzz {
namespace {

std::size_t BlockEntityCount(const minicad::Drawing& d) {
    std::size_t n = 0;
    for (const minicad::Block& b : d.blocks) n += b.entities.size();
    return n;
}

}  // namespace

void FuzzDxf(Input input) {
    // Lexed by a second thread, as a large file is, it is the same drawing or the same error.
    minicad::DxfReadOptions twoThreads;
    twoThreads.lexAheadFromBytes = 0;
    std::optional<minicad::Drawing> ahead;
    std::string aheadError;
    try {
        ahead = minicad::ReadDxf(AsText(input), "fuzz.dxf", nullptr, twoThreads);
    } catch (const minicad::DxfError& e) {
        aheadError = e.what();
    }
    minicad::Drawing first;
    try {
        first = minicad::ReadDxf(AsText(input), "fuzz.dxf");
    } catch (const minicad::DxfError& e) {
        if (ahead)
            Broken("dxf", std::string("it reads with two threads, not with one: ") + e.what());
        if (aheadError != e.what())
            Broken("dxf", "one thread says " + std::string(e.what()) + ", two say " + aheadError);
        return;  // refused with a message naming the line: what a bad file should get
    }
    if (!ahead) Broken("dxf", "it reads with one thread, not with two: " + aheadError);
    std::string saved;
    minicad::DxfNotes dropped;
    try {
        saved = minicad::WriteDxf(first, std::nullopt, &dropped);
    } catch (const minicad::DxfError& e) {
        Broken("dxf", std::string("a drawing that was read cannot be saved: ") + e.what());
    }
    if (minicad::WriteDxf(*ahead) != saved)
        Broken("dxf", "read with two threads, it saves to other bytes");
    minicad::Drawing second;
    try {
        second = minicad::ReadDxf(saved, "saved.dxf");
    } catch (const minicad::DxfError& e) {
        Broken("dxf", std::string("the saved drawing does not read back: ") + e.what());
    }
    const bool same = second.entities.size() == first.entities.size() &&
                      second.blocks.size() == first.blocks.size() &&
                      BlockEntityCount(second) == BlockEntityCount(first);
    if (!same && dropped.empty())
        Broken("dxf", "saving lost or added objects: model space " +
                          std::to_string(first.entities.size()) + " -> " +
                          std::to_string(second.entities.size()) + ", blocks " +
                          std::to_string(first.blocks.size()) + " -> " +
                          std::to_string(second.blocks.size()) + ", their entities " +
                          std::to_string(BlockEntityCount(first)) + " -> " +
                          std::to_string(BlockEntityCount(second)));
    if (!same) return;  // what could not be kept was said; the rest is checked when it is all kept
    for (std::size_t i = 0; i < first.blocks.size(); ++i)
        if (second.blocks[i].name != first.blocks[i].name)
            Broken("dxf", "a block name changed on saving: " + first.blocks[i].name);
    for (const minicad::Layer& layer : first.layers) {
        bool found = false;
        for (const minicad::Layer& l : second.layers) found = found || l.name == layer.name;
        if (!found) Broken("dxf", "a layer name changed on saving: " + layer.name);
    }
    if (minicad::WriteDxf(second) != saved) Broken("dxf", "saving twice gives other bytes");
}

}  // namespace tarsel::fuzz
