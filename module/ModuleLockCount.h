// The module's lock count: live objects and explicit server locks. The module may be unloaded
// only while it is zero. Changed by interlocked operations only.
#pragma once

#include <windows.h>

// Each returns the count after the change.
LONG ModuleAddLock() noexcept;
LONG ModuleReleaseLock() noexcept;
LONG ModuleLockCount() noexcept;
