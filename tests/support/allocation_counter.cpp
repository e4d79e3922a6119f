#include "support/allocation_counter.h"

#include <cstdlib>
#include <new>

namespace {

// Per thread, so a background thread left running by another test cannot disturb a count.
thread_local uint64_t allocationCount = 0;

void* countedAllocate(std::size_t size) {
    ++allocationCount;
    return std::malloc(size == 0 ? 1 : size);
}

}  // namespace

namespace shardfall::testing {

uint64_t allocationsOnThisThread() {
    return allocationCount;
}

}  // namespace shardfall::testing

// The aligned forms are left to the runtime: they pair with its own aligned delete.
void* operator new(std::size_t size) {
    if (void* p = countedAllocate(size)) {
        return p;
    }
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return countedAllocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return countedAllocate(size);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
