// COM for the test thread, as the palette has it: a single-threaded apartment for the
// whole run of a test executable.
#include <gtest/gtest.h>

#include "cadlink/com/windows_headers.h"

namespace {

class ComEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    }
    void TearDown() override { CoUninitialize(); }
};

[[maybe_unused]] const auto* const environment =
    ::testing::AddGlobalTestEnvironment(new ComEnvironment);

}  // namespace
