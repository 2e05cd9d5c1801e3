// Every test runs with the program's search hooks installed, as the engine
// itself does at start-up: searches called directly print their thinking
// and information lines and handle the input that arrives meanwhile.
#include <gtest/gtest.h>

#include "driver/search_hooks_setup.h"

namespace {

class SearchHooksEnvironment : public ::testing::Environment {
public:
    void SetUp() override { InstallSearchHooks(); }
};

// Registered before main runs; GoogleTest owns the environment.
[[maybe_unused]] ::testing::Environment* const Registered =
    ::testing::AddGlobalTestEnvironment(new SearchHooksEnvironment);

}  // namespace
