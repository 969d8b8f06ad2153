// The test program's operator new, which can be told to fail.
#pragma once

// The n-th allocation of this thread from now on (counting from 0) throws std::bad_alloc.
void FailAllocationAfter(long n);
void StopFailingAllocations();
