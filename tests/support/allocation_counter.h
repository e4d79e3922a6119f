// Counts heap allocations made through operator new on the calling thread, so a test can show
// that a per-frame path allocates nothing once it is warm. The test executable replaces the
// global operator new for this; only this one file pair may do so.
#pragma once

#include <cstdint>

namespace shardfall::testing {

// Allocations made on this thread since the process (or the thread) started.
uint64_t allocationsOnThisThread();

// Allocations on this thread since construction (or the last restart()).
class AllocationCounter {
  public:
    AllocationCounter() : start_(allocationsOnThisThread()) {}
    void restart() { start_ = allocationsOnThisThread(); }
    uint64_t count() const { return allocationsOnThisThread() - start_; }

  private:
    uint64_t start_;
};

}  // namespace shardfall::testing
