#include "module/ModuleLockCount.h"

namespace {

LONG lockCount = 0;

} // namespace

LONG ModuleAddLock() noexcept { return InterlockedIncrement(&lockCount); }

LONG ModuleReleaseLock() noexcept { return InterlockedDecrement(&lockCount); }

LONG ModuleLockCount() noexcept { return __atomic_load_n(&lockCount, __ATOMIC_SEQ_CST); }
