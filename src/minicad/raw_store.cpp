#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "minicad/drawing.h"
#include "platform/memory_hint.h"

namespace tarsel::minicad {

namespace {

// The offset space is 32 bits wide, as the checkpoints are.
constexpr std::size_t kMaxPages = std::size_t{1} << 12;

}  // namespace

std::string_view RawStore::Add(int code, std::string_view value) {
    const auto code16 = static_cast<std::int16_t>(code);
    const auto key = static_cast<std::uint16_t>(code16);
    if (!headerOfCode_) {
        headerOfCode_ = std::make_unique<std::uint8_t[]>(std::size_t{1} << 16);
        std::fill_n(headerOfCode_.get(), std::size_t{1} << 16, kEscape);
    }
    std::uint8_t head = headerOfCode_[key];
    if (head == kEscape && dictionary_ < kDictionary) {
        head = static_cast<std::uint8_t>(dictionary_);
        codes_[dictionary_++] = code16;
        headerOfCode_[key] = head;
    }
    unsigned char header[16];
    std::size_t n = 0;
    header[n++] = head;
    if (head == kEscape) {
        header[n++] = static_cast<unsigned char>(key & 0xFF);
        header[n++] = static_cast<unsigned char>(key >> 8);
    }
    for (std::size_t size = value.size();;) {
        const auto low = static_cast<unsigned char>(size & 0x7F);
        size >>= 7;
        if (size == 0) {
            header[n++] = low;
            break;
        }
        header[n++] = low | 0x80;
    }

    // A record that does not fit the rest of the page goes to the start of a fresh one (the
    // rest marked empty), so that no value straddles two allocations; one longer than a page
    // gets pages of its own, and the record after it a fresh page.
    const std::size_t record = n + value.size();
    std::size_t pages = 1;  // the record's
    if (record > kPage - used_) {
        if (used_ < kPage) pages_.back()[used_] = static_cast<char>(kPageEnd);
        pages = (record + kPage - 1) / kPage;
        if (pages_.size() + pages > kMaxPages) throw std::length_error("over 4 GiB of values");
        if (pages == 1 && spares_ > 0) {
            pages_.push_back(spare_);
            spare_ += kPage;
            --spares_;
        } else if (pages == 1) {
            // A large file's pages come several to a block, in large pages where the system
            // has them: filling them then costs a few faults instead of one per 4 KiB.
            const std::size_t block = std::clamp<std::size_t>(pages_.size(), 1, kBlockPages);
            blocks_.push_back(std::make_unique_for_overwrite<char[]>(block * kPage));
            char* first = blocks_.back().get();
            if (block == kBlockPages) platform::HintLargeRegion(first, block * kPage);
            pages_.push_back(first);
            spare_ = first + kPage;
            spares_ = block - 1;
        } else {
            blocks_.push_back(std::make_unique_for_overwrite<char[]>(pages * kPage));
            for (std::size_t k = 0; k < pages; ++k)
                pages_.push_back(blocks_.back().get() + k * kPage);
        }
        used_ = 0;
    }
    const std::size_t first = pages_.size() - pages;
    if ((count_ & ((std::size_t{1} << kCheckpointBits) - 1)) == 0)
        checkpoints_.push_back(static_cast<std::uint32_t>((first << kPageBits) + used_));
    char* at = pages_[first] + used_;
    std::memcpy(at, header, n);
    if (!value.empty()) std::memcpy(at + n, value.data(), value.size());
    used_ = record > kPage ? kPage : used_ + record;
    ++count_;
    if (value.empty()) return {};
    return {at + n, value.size()};
}

void RawStore::Reserve(std::size_t groups) {
    checkpoints_.reserve((groups >> kCheckpointBits) + 1);
}

std::size_t RawStore::Decode(std::size_t offset, Group& group) const {
    const char* p = pages_[offset >> kPageBits] + (offset & (kPage - 1));
    if (static_cast<std::uint8_t>(*p) == kPageEnd) {
        offset = ((offset >> kPageBits) + 1) << kPageBits;
        p = pages_[offset >> kPageBits];
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(p);
    std::size_t at = 1;
    if (bytes[0] == kEscape) {
        group.code = static_cast<std::int16_t>(bytes[1] | bytes[2] << 8);
        at = 3;
    } else {
        group.code = codes_[bytes[0]];
    }
    std::size_t size = 0;
    for (unsigned shift = 0;; shift += 7) {
        const unsigned char b = bytes[at++];
        size |= std::size_t{b & 0x7Fu} << shift;
        if (!(b & 0x80)) break;
    }
    group.value = size == 0 ? std::string_view() : std::string_view(p + at, size);
    const std::size_t end = (offset & (kPage - 1)) + at + size;
    const std::size_t next = offset + at + size;
    // Past its page: a record in pages of its own, after which a fresh page starts.
    return end > kPage ? (next + kPage - 1) & ~(kPage - 1) : next;
}

std::size_t RawStore::Seek(std::size_t i) const {
    std::size_t offset = checkpoints_[i >> kCheckpointBits];
    Group skipped;
    for (std::size_t k = i & ((std::size_t{1} << kCheckpointBits) - 1); k > 0; --k)
        offset = Decode(offset, skipped);
    return offset;
}

int RawStore::code(std::size_t i) const {
    Group g;
    Decode(Seek(i), g);
    return g.code;
}

std::string_view RawStore::value(std::size_t i) const {
    Group g;
    Decode(Seek(i), g);
    return g.value;
}

RawStore::Iterator RawStore::Walk(std::size_t begin, std::size_t end) const {
    Iterator it;
    it.store_ = this;
    it.index_ = static_cast<std::uint32_t>(begin);
    it.end_ = static_cast<std::uint32_t>(end);
    if (begin < end) it.next_ = Decode(Seek(begin), it.group_);
    return it;
}

RawGroups::RawGroups(std::shared_ptr<const RawStore> store, std::size_t begin, std::size_t end)
    : store_(std::move(store)) {
    if (end < begin || end > std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("over 4 G groups");
    begin_ = static_cast<std::uint32_t>(begin);
    count_ = static_cast<std::uint32_t>(end - begin);
}

}  // namespace tarsel::minicad
