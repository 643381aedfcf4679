#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "minicad/drawing.h"

namespace tarsel::minicad {

std::string_view RawStore::Add(int code, std::string_view value) {
    Item item;
    item.code = static_cast<std::int16_t>(code);
    if (value.empty()) {
        items_.push_back(item);
        return {};
    }
    // A value that does not fit the page goes to the start of a fresh one, so that no value
    // straddles two allocations; one longer than a page gets pages of its own.
    std::size_t pages = 1;  // the value's
    if (pages_.empty() || value.size() > kPage - used_) {
        pages = (value.size() + kPage - 1) / kPage;
        if (pages_.size() + pages > (std::size_t{1} << (32 - kPageBits)))
            throw std::length_error("over 4 GiB of values");
        blocks_.push_back(std::make_unique_for_overwrite<char[]>(pages * kPage));
        for (std::size_t k = 0; k < pages; ++k) pages_.push_back(blocks_.back().get() + k * kPage);
        used_ = 0;
    }
    const std::size_t first = pages_.size() - pages;
    item.offset = static_cast<std::uint32_t>((first << kPageBits) + used_);
    char* at = pages_[first] + used_;
    std::memcpy(at, value.data(), value.size());
    if (value.size() >= kLong) {
        item.size = kLong;
        long_.emplace_back(static_cast<std::uint32_t>(items_.size()),
                           static_cast<std::uint32_t>(value.size()));
    } else {
        item.size = static_cast<std::uint16_t>(value.size());
    }
    used_ = value.size() > kPage ? kPage : used_ + value.size();
    items_.push_back(item);
    return {at, value.size()};
}

std::string_view RawStore::value(std::size_t i) const {
    const Item& item = items_[i];
    if (item.size == 0) return {};
    std::size_t size = item.size;
    if (item.size == kLong) {
        const auto it = std::lower_bound(long_.begin(), long_.end(), static_cast<std::uint32_t>(i),
                                         [](const std::pair<std::uint32_t, std::uint32_t>& e,
                                            std::uint32_t k) { return e.first < k; });
        size = it->second;
    }
    return {pages_[item.offset >> kPageBits] + (item.offset & (kPage - 1)), size};
}

}  // namespace tarsel::minicad
