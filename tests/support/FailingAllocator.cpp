// Kept apart from the tests, so the compiler never sees the replacement new and delete inlined
// into one another.
#include "support/FailingAllocator.h"

#include <cstdlib>
#include <new>

namespace {

thread_local long allocationsUntilFailure = -1; // -1: never fail
thread_local long allocations = 0;

// Null when this allocation is the one that fails.
void *Allocate(std::size_t size) noexcept {
  ++allocations;
  if (allocationsUntilFailure == 0) return nullptr;
  if (allocationsUntilFailure > 0) --allocationsUntilFailure;
  return std::malloc(size ? size : 1);
}

void *AllocateOrThrow(std::size_t size) {
  if (void *p = Allocate(size)) return p;
  throw std::bad_alloc();
}

} // namespace

void FailAllocationAfter(long n) { allocationsUntilFailure = n; }
void StopFailingAllocations() { allocationsUntilFailure = -1; }
long AllocationsOnThisThread() { return allocations; }

void *operator new(std::size_t size) { return AllocateOrThrow(size); }
void *operator new[](std::size_t size) { return AllocateOrThrow(size); }
void *operator new(std::size_t size, const std::nothrow_t &) noexcept { return Allocate(size); }
void *operator new[](std::size_t size, const std::nothrow_t &) noexcept { return Allocate(size); }
void operator delete(void *p) noexcept { std::free(p); }
void operator delete[](void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }
void operator delete[](void *p, std::size_t) noexcept { std::free(p); }
void operator delete(void *p, const std::nothrow_t &) noexcept { std::free(p); }
void operator delete[](void *p, const std::nothrow_t &) noexcept { std::free(p); }
