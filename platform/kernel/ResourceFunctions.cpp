// FindResourceW and friends over the registered resource directories. A resource handle is
// the address of its directory entry; a loaded resource is the address of its bytes, which
// live in the image itself, so there is nothing to free.
#include <winbase.h>
#include <zrqresource.h>

#include "platform/kernel/ModuleHandle.h"
#include "platform/kernel/ResourceRegistry.h"

using zrq::kernel::ResourceRegistry;

namespace {

const ZRQ_RESOURCE_ENTRY *OwnedEntry(HMODULE module, HRSRC handle) {
  const auto *entry = reinterpret_cast<const ZRQ_RESOURCE_ENTRY *>(handle);
  if (entry == nullptr || !ResourceRegistry::Instance().Owns(module, entry)) return nullptr;
  return entry;
}

} // namespace

STDAPI ZrqRegisterResources(HMODULE hModule, const ZRQ_RESOURCE_DIRECTORY *directory) {
  return ResourceRegistry::Instance().Register(hModule, directory);
}

STDAPI ZrqUnregisterResources(HMODULE hModule, const ZRQ_RESOURCE_DIRECTORY *directory) {
  return ResourceRegistry::Instance().Unregister(hModule, directory);
}

STDAPI_(HRSRC) FindResourceW(HMODULE hModule, LPCWSTR lpName, LPCWSTR lpType) {
  if (lpName == nullptr || lpType == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  try {
    if (hModule == nullptr) hModule = zrq::kernel::ProgramModule();
    DWORD error = ERROR_SUCCESS;
    const ZRQ_RESOURCE_ENTRY *entry =
        ResourceRegistry::Instance().Find(hModule, lpName, lpType, &error);
    if (entry == nullptr) SetLastError(error);
    return reinterpret_cast<HRSRC>(const_cast<ZRQ_RESOURCE_ENTRY *>(entry));
  } catch (...) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
}

STDAPI_(HGLOBAL) LoadResource(HMODULE hModule, HRSRC hResInfo) {
  try {
    const ZRQ_RESOURCE_ENTRY *entry = OwnedEntry(hModule, hResInfo);
    if (entry == nullptr) {
      SetLastError(ERROR_INVALID_HANDLE);
      return nullptr;
    }
    return const_cast<void *>(entry->data);
  } catch (...) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
}

STDAPI_(DWORD) SizeofResource(HMODULE hModule, HRSRC hResInfo) {
  try {
    const ZRQ_RESOURCE_ENTRY *entry = OwnedEntry(hModule, hResInfo);
    if (entry == nullptr) {
      SetLastError(ERROR_INVALID_HANDLE);
      return 0;
    }
    return entry->size;
  } catch (...) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
}

STDAPI_(LPVOID) LockResource(HGLOBAL hResData) { return hResData; }

STDAPI_(BOOL) FreeResource(HGLOBAL) { return FALSE; }
