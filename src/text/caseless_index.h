// Where a name stands in a list of names that compare as the CAD's tables do (ASCII letters
// without regard to case). The index keeps positions only, not names: a file of many layers
// costs no copy, no upper-cased key and no allocation per name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace tarsel::text {

// The hash of a name as its ASCII upper case would hash. Seeded once per process, so that
// names made to collide in one run do not collide in another.
[[nodiscard]] std::uint64_t CaselessHash(std::string_view name) noexcept;

class CaselessIndex {
public:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    // The position of name in the list, or kNone; nameOf(i) is the name at position i.
    template <typename NameOf>
    [[nodiscard]] std::size_t Find(std::string_view name, const NameOf& nameOf) const {
        if (slots_.empty()) return kNone;
        const auto hash = static_cast<std::uint32_t>(CaselessHash(name));
        for (std::size_t s = hash & mask_;; s = (s + 1) & mask_) {
            const Slot& slot = slots_[s];
            if (slot.position == 0) return kNone;
            if (slot.hash == hash && Same(nameOf(slot.position - 1), name))
                return slot.position - 1;
        }
    }

    // Adds position to the index under name, unless the index has that name already.
    // Returns where the name stands: position, or the one it had before.
    template <typename NameOf>
    std::size_t Insert(std::string_view name, std::size_t position, const NameOf& nameOf) {
        if ((size_ + 1) * 4 > slots_.size() * 3) Grow(slots_.size() * 2);
        const auto hash = static_cast<std::uint32_t>(CaselessHash(name));
        for (std::size_t s = hash & mask_;; s = (s + 1) & mask_) {
            Slot& slot = slots_[s];
            if (slot.position == 0) {
                slot = {hash, ToSlot(position)};
                ++size_;
                return position;
            }
            if (slot.hash == hash && Same(nameOf(slot.position - 1), name))
                return slot.position - 1;
        }
    }

    // Room for n names without growing.
    void Reserve(std::size_t n);

    [[nodiscard]] std::size_t size() const noexcept { return size_; }

private:
    struct Slot {
        std::uint32_t hash = 0;      // the low half of the name's hash, which picks the slot
        std::uint32_t position = 0;  // position + 1; 0 for an empty slot
    };

    static bool Same(std::string_view a, std::string_view b) noexcept;
    static std::uint32_t ToSlot(std::size_t position);
    void Grow(std::size_t slots);

    std::vector<Slot> slots_;  // a power of two long, at most three quarters full
    std::size_t mask_ = 0;
    std::size_t size_ = 0;
};

}  // namespace tarsel::text
