// Hints to the system about memory the program is about to fill. They change nothing the
// program can observe; a system without such hints ignores them.
#pragma once

#include <cstddef>

namespace tarsel::platform {

// [data, data + bytes) is a large region about to be filled and kept: where the system can,
// it backs the region with large pages, so that filling it costs a few faults rather than one
// per 4 KiB (a drawing of millions of objects touches hundreds of megabytes while it opens).
void HintLargeRegion(void* data, std::size_t bytes) noexcept;

}  // namespace tarsel::platform
