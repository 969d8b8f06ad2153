// Kept apart from the tests, so the compiler never sees the replacement new and delete
// inlined into one another.
#include "FailingOperatorNew.h"

#include <cstdlib>
#include <new>

namespace {
thread_local long allocationsUntilFailure = -1;  // -1: never fail
}

void FailAllocationAfter(long n) { allocationsUntilFailure = n; }
void StopFailingAllocations() { allocationsUntilFailure = -1; }

void *operator new(size_t size) {
  if (allocationsUntilFailure == 0) throw std::bad_alloc();
  if (allocationsUntilFailure > 0) --allocationsUntilFailure;
  if (void *p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void *p) noexcept { std::free(p); }
void operator delete(void *p, size_t) noexcept { std::free(p); }
