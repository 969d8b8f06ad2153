// The test program's allocation functions, which can be told to fail and which count. Every
// form of operator new goes through them (in the module and the platform's libraries too, since
// the program's definitions take the place of the library's): after FailAllocationAfter(n) the
// n-th allocation of this thread from then on (counting from 0) fails, by throwing
// std::bad_alloc or, for the non-throwing forms, by returning null.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

void FailAllocationAfter(long n);
void StopFailingAllocations();

// The allocations this thread has made so far.
long AllocationsOnThisThread();

// Runs `operation` (returning an HRESULT) with its n-th allocation failing, for n = 0, 1, ...
// until it succeeds; `check` sees the outcome of every attempt, which must be S_OK or
// `outOfMemory`. Returns how many attempts failed (0 when the operation allocates nothing).
template <typename Operation, typename Check>
long WithEachAllocationFailing(Operation operation, Check check,
                               HRESULT outOfMemory = E_OUTOFMEMORY, long attempts = 200) {
  for (long n = 0; n < attempts; ++n) {
    FailAllocationAfter(n);
    const HRESULT hr = operation();
    StopFailingAllocations();
    SCOPED_TRACE(n);
    check(hr);
    if (hr == S_OK) return n;
    EXPECT_EQ(hr, outOfMemory);
    if (hr != outOfMemory) return n;
  }
  ADD_FAILURE() << "never succeeded";
  return attempts;
}
