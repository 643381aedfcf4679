#include <cstdio>
#include <cstdlib>

#include "targets.h"

namespace tarsel::fuzz {

void Broken(std::string_view target, std::string_view what) {
    std::fprintf(stderr, "fuzz target %.*s: %.*s\n", static_cast<int>(target.size()), target.data(),
                 static_cast<int>(what.size()), what.data());
    std::abort();
}

}  // namespace tarsel::fuzz
