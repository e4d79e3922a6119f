#include "support/allocation_counter.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

namespace shardfall::testing {
namespace {

// The zero-allocation tests elsewhere mean something only if the counter sees allocations.
TEST(AllocationCounter, SeesAllocationsOfThisThreadOnly) {
    AllocationCounter counter;
    auto one = std::make_unique<int>(1);
    std::vector<int> two(100);
    EXPECT_EQ(counter.count(), 2u);

    counter.restart();
    std::thread([] { auto elsewhere = std::make_unique<std::vector<int>>(1000); }).join();
    // Starting the thread allocates its state here; what the thread allocates does not count.
    const uint64_t afterThread = counter.count();
    counter.restart();
    std::thread([] {
        for (int i = 0; i < 50; ++i) {
            auto elsewhere = std::make_unique<int>(i);
        }
    }).join();
    EXPECT_EQ(counter.count(), afterThread);
}

}  // namespace
}  // namespace shardfall::testing
