// Test support: a drawing as one line of text per entity, so that two drawings compare
// entity by entity and a failure shows what differs.
#pragma once

#include <string>
#include <vector>

#include "minicad/drawing.h"

namespace tarsel::cadlink::com::testing {

[[nodiscard]] std::vector<std::string> Describe(const minicad::Drawing& drawing);

}  // namespace tarsel::cadlink::com::testing
