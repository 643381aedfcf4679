#include "text/caseless_index.h"

#include <algorithm>
#include <cstring>
#include <random>
#include <stdexcept>

#include "text/names.h"

namespace tarsel::text {
namespace {

constexpr std::uint64_t kOnes = 0x0101010101010101ull;

// The eight bytes with ASCII letters upper-cased, all at once: a byte from 'a' to 'z' loses its
// 0x20 bit, every other byte (UTF-8 included) stays.
std::uint64_t UpperWord(std::uint64_t x) noexcept {
    const std::uint64_t low7 = x & (0x7F * kOnes);
    const std::uint64_t atLeastA = low7 + (0x80 - 'a') * kOnes;  // top bit: byte >= 'a'
    const std::uint64_t aboveZ = low7 + (0x7F - 'z') * kOnes;    // top bit: byte > 'z'
    const std::uint64_t lower = atLeastA & ~aboveZ & ~x & (0x80 * kOnes);
    return x ^ (lower >> 2);
}

std::uint64_t Mix(std::uint64_t h) noexcept {
    h ^= h >> 32;
    h *= 0xD6E8FEB86659FD93ull;
    h ^= h >> 32;
    h *= 0xD6E8FEB86659FD93ull;
    return h ^ (h >> 32);
}

std::uint64_t Seed() {
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    return 0;  // a fuzzer's run is repeated only if it takes the same paths each time
#else
    std::random_device device;
    return (std::uint64_t{device()} << 32) ^ device();
#endif
}

}  // namespace

std::uint64_t CaselessHash(std::string_view name) noexcept {
    static const std::uint64_t seed = Seed();
    constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;
    // A multiply for each word folds it in; the mix at the end spreads every word's bits.
    std::uint64_t h = seed ^ (name.size() * kMultiplier);
    const char* p = name.data();
    std::size_t left = name.size();
    for (; left >= 8; p += 8, left -= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        h = (h ^ UpperWord(word)) * kMultiplier;
        h ^= h >> 29;
    }
    if (left > 0) {
        std::uint64_t word = 0;
        std::memcpy(&word, p, left);
        h = (h ^ UpperWord(word)) * kMultiplier;
    }
    return Mix(h);
}

void CaselessIndex::Reserve(std::size_t n) {
    std::size_t slots = 16;
    while (slots * 3 < n * 4) slots *= 2;
    if (slots > slots_.size()) Grow(slots);
}

bool CaselessIndex::Same(std::string_view a, std::string_view b) noexcept {
    return EqualsIgnoringAsciiCase(a, b);
}

std::uint32_t CaselessIndex::ToSlot(std::size_t position) {
    if (position >= UINT32_MAX) throw std::length_error("over four thousand million names");
    return static_cast<std::uint32_t>(position + 1);
}

void CaselessIndex::Grow(std::size_t slots) {
    slots = std::max<std::size_t>(slots, 16);
    std::vector<Slot> old(slots, Slot{});
    old.swap(slots_);
    mask_ = slots - 1;
    for (const Slot& slot : old) {
        if (slot.position == 0) continue;
        std::size_t s = slot.hash & mask_;
        while (slots_[s].position != 0) s = (s + 1) & mask_;
        slots_[s] = slot;
    }
}

}  // namespace tarsel::text
