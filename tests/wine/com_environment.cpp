// COM for the test thread, as the palette has it: a single-threaded apartment for the
// whole run of a test executable.
#include <gtest/gtest.h>

#include <optional>

#include "cadlink/com/com_ptr.h"

namespace {

class ComEnvironment : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_NO_THROW(apartment_.emplace()); }
    void TearDown() override { apartment_.reset(); }

private:
    std::optional<tarsel::cadlink::com::ComApartment> apartment_;
};

[[maybe_unused]] const auto* const environment =
    ::testing::AddGlobalTestEnvironment(new ComEnvironment);

}  // namespace
