#include "platform/memory_hint.h"

#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace tarsel::platform {

void HintLargeRegion(void* data, std::size_t bytes) noexcept {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    // Large pages cover 2 MiB-aligned spans; the hint is given for the whole pages inside.
    constexpr std::uintptr_t kPage = 4096;
    const auto begin = (reinterpret_cast<std::uintptr_t>(data) + kPage - 1) & ~(kPage - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(data) + bytes) & ~(kPage - 1);
    if (end > begin) (void)madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}

}  // namespace tarsel::platform
