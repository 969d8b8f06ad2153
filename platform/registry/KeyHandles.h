// Open keys. A handle names a key by its path, since the key itself lives in the file and is
// read afresh by each call; the predefined roots are handles of their own.
#pragma once

#include <map>
#include <mutex>

#include "platform/registry/RegistryNames.h"

namespace zrq::registry {

class KeyHandles {
public:
  static KeyHandles &Instance();

  HKEY Open(KeyPath path);
  // The key a handle stands for: ERROR_SUCCESS, ERROR_CALL_NOT_IMPLEMENTED for the roots that
  // are not kept, ERROR_INVALID_HANDLE for anything else.
  LSTATUS Resolve(HKEY handle, KeyPath *path) const;
  LSTATUS Close(HKEY handle);

private:
  KeyHandles() = default;

  mutable std::mutex handlesLock;
  std::map<HKEY, KeyPath> handles; // guarded by handlesLock
  ULONG_PTR lastHandle = 0;        // guarded by handlesLock
};

} // namespace zrq::registry
