#include "platform/registry/KeyHandles.h"

#include <new>

namespace zrq::registry {
namespace {

bool IsUnkeptRoot(HKEY handle) {
  return handle == HKEY_PERFORMANCE_DATA || handle == HKEY_DYN_DATA;
}

} // namespace

KeyHandles &KeyHandles::Instance() {
  // Never destroyed: keys may be closed from static destructors that run after ours.
  alignas(KeyHandles) static unsigned char storage[sizeof(KeyHandles)];
  static KeyHandles *const instance = new (storage) KeyHandles();
  return *instance;
}

HKEY KeyHandles::Open(KeyPath path) {
  std::lock_guard<std::mutex> guard(handlesLock);
  // Handles are small multiples of four, as on Windows, and never near the roots' values.
  lastHandle += 4;
  const HKEY handle = reinterpret_cast<HKEY>(lastHandle);
  handles.emplace(handle, std::move(path));
  return handle;
}

LSTATUS KeyHandles::Resolve(HKEY handle, KeyPath *path) const {
  for (Root root : kRoots) {
    if (handle == RootHandle(root)) {
      *path = KeyPath{root, {}};
      return ERROR_SUCCESS;
    }
  }
  if (IsUnkeptRoot(handle)) return ERROR_CALL_NOT_IMPLEMENTED;
  std::lock_guard<std::mutex> guard(handlesLock);
  const auto found = handles.find(handle);
  if (found == handles.end()) return ERROR_INVALID_HANDLE;
  *path = found->second;
  return ERROR_SUCCESS;
}

LSTATUS KeyHandles::Close(HKEY handle) {
  for (Root root : kRoots) {
    if (handle == RootHandle(root)) return ERROR_SUCCESS;
  }
  if (IsUnkeptRoot(handle)) return ERROR_SUCCESS;
  std::lock_guard<std::mutex> guard(handlesLock);
  return handles.erase(handle) == 1 ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

} // namespace zrq::registry
