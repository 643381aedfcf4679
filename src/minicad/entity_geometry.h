// Where minicad's entities are on the plane, for extents and selection: an entity's box,
// its distance from a point, whether a window crosses or holds it. Curves are the curve
// kernel's pieces (geometry/curves.h); texts are their outlines; block references are
// followed through `blocks`.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "geometry/curves.h"
#include "minicad/drawing.h"

namespace tarsel::minicad {

// An axis-aligned box; may be degenerate (a segment or a point), as a crossing window
// given by two corners on one line is.
using Box = geometry::PlanarBox;
[[nodiscard]] Box BoxFromCorners(const Point3& a, const Point3& b);

// An axis-aligned box in space: a block's contents stand in its reference's plane, which
// may be tilted, so the heights matter once the block is placed.
struct Box3 {
    Point3 min, max;
    void Include(const Point3& p);
    void Include(const Box3& b);
};

// Each block definition's box in its own coordinates, computed once however many
// references show it: a reference's box is its block's box under the reference's
// transform (the box of the eight placed corners: exact for turns by right angles,
// mirrors and flips, a little large for other turns). Work is linear in the size of the
// definitions whatever the nesting, with no recursion, and a block that (through others)
// refers to itself counts those references as empty. Holds on to `blocks`, which must not
// change while it is used.
class BlockBoxes {
public:
    explicit BlockBoxes(const std::vector<Block>& blocks);
    // The definition of that name (upper-cased compare); the first of two of one name.
    [[nodiscard]] const Block* Find(std::string_view name) const;
    // In block coordinates; nullopt for a block that shows nothing.
    [[nodiscard]] std::optional<Box3> BlockBox(const Block& block) const;
    struct Placed {
        const Block* block;
        Box3 box;  // in the world
    };
    // The reference's block and box: nullopt for a missing or empty block.
    [[nodiscard]] std::optional<Placed> Place(const InsertData& insert) const;
    // How many entities the definitions hold together.
    [[nodiscard]] std::size_t EntityCount() const { return entityCount_; }

private:
    enum class State : std::uint8_t { Unvisited, Visiting, Done };
    [[nodiscard]] std::optional<std::size_t> IndexOf(std::string_view name) const;
    void Compute(std::size_t root) const;

    const std::vector<Block>* blocks_;
    std::unordered_map<std::string, std::size_t> byName_;  // upper-cased name -> index
    std::size_t entityCount_ = 0;
    mutable std::vector<State> state_;
    mutable std::vector<std::optional<Box3>> boxes_;
};

// How many placed entities of block references one query (a pick, a window selection) may
// look at before the references left are judged by their boxes alone. Nesting multiplies
// what a reference shows: a file of two kilobytes can show 8^15 entities.
class ReferenceBudget {
public:
    explicit ReferenceBudget(std::size_t entities) : left_(entities) {}
    // A budget linear in the drawing's size: generous for any drawing a user makes.
    [[nodiscard]] static ReferenceBudget For(std::size_t modelEntities, const BlockBoxes& blocks);
    // Takes n entities; false (and takes nothing) when fewer are left.
    [[nodiscard]] bool Take(std::size_t n);
    [[nodiscard]] bool Exhausted() const { return exhausted_; }

private:
    std::size_t left_;
    bool exhausted_ = false;
};

// Extents in the plane; nullopt for an entity with nothing to show (an empty polyline, a
// reference to a missing or empty block).
[[nodiscard]] std::optional<Box> EntityBox(const Entity& entity, const BlockBoxes& blocks);
// Plan distance from p to the entity's curve (0 inside a text's outline). A reference
// whose entities the budget no longer covers counts the distance to its box.
[[nodiscard]] double DistanceToEntity(const Entity& entity, const Point3& p,
                                      const BlockBoxes& blocks, ReferenceBudget& budget);
// The window touches the entity's curve (a text: its outline), as a crossing window
// selects. A reference whose entities the budget no longer covers touches when its box does.
[[nodiscard]] bool CrossesBox(const Entity& entity, const Box& box, const BlockBoxes& blocks,
                              ReferenceBudget& budget);
// The entity lies wholly inside the window, as a plain window selects.
[[nodiscard]] bool InsideBox(const Entity& entity, const Box& box, const BlockBoxes& blocks);

// The same for a single query on a drawing's blocks: each call indexes the blocks anew.
[[nodiscard]] std::optional<Box> EntityBox(const Entity& entity, const std::vector<Block>& blocks);
[[nodiscard]] double DistanceToEntity(const Entity& entity, const Point3& p,
                                      const std::vector<Block>& blocks);
[[nodiscard]] bool CrossesBox(const Entity& entity, const Box& box,
                              const std::vector<Block>& blocks);

}  // namespace tarsel::minicad
