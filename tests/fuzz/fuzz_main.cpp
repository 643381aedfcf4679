// One libFuzzer executable per target; TARSEL_FUZZ_TARGET names its body.
#include <cstddef>
#include <cstdint>

#include "targets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tarsel::fuzz::TARSEL_FUZZ_TARGET({data, size});
    return 0;
}
