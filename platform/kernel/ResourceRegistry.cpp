#include "platform/kernel/ResourceRegistry.h"

#include <algorithm>
#include <mutex>
#include <new>

namespace zrq::kernel {
namespace {

// Resource names compare without regard to case; the compiler stores them upper case.
char16_t Upper(char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c; }

// "#123" names the integer resource 123.
bool ParseNumericName(LPCWSTR text, WORD *id) {
  if (text[0] != u'#' || text[1] == 0) return false;
  DWORD value = 0;
  for (LPCWSTR p = text + 1; *p; ++p) {
    if (*p < u'0' || *p > u'9') return false;
    value = value * 10 + (*p - u'0');
    if (value > 0xFFFF) return false;
  }
  *id = static_cast<WORD>(value);
  return true;
}

bool Matches(WORD entryId, LPCWSTR entryName, LPCWSTR query) {
  if (IS_INTRESOURCE(query))
    return entryName == nullptr && entryId == static_cast<WORD>(reinterpret_cast<ULONG_PTR>(query));
  WORD id = 0;
  if (ParseNumericName(query, &id)) return entryName == nullptr && entryId == id;
  if (entryName == nullptr) return false;
  size_t i = 0;
  for (; query[i] && entryName[i]; ++i) {
    if (Upper(query[i]) != entryName[i]) return false;
  }
  return query[i] == 0 && entryName[i] == 0;
}

} // namespace

ResourceRegistry &ResourceRegistry::Instance() {
  alignas(ResourceRegistry) static unsigned char storage[sizeof(ResourceRegistry)];
  static ResourceRegistry *const instance = new (storage) ResourceRegistry();
  return *instance;
}

HRESULT ResourceRegistry::Register(HMODULE module,
                                   const ZRQ_RESOURCE_DIRECTORY *directory) noexcept {
  if (module == nullptr || directory == nullptr) return E_INVALIDARG;
  if (directory->count != 0 && directory->entries == nullptr) return E_INVALIDARG;
  try {
    std::unique_lock lock(registrationsLock);
    registrations.push_back({module, directory});
    return S_OK;
  } catch (const std::bad_alloc &) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

HRESULT ResourceRegistry::Unregister(HMODULE module,
                                     const ZRQ_RESOURCE_DIRECTORY *directory) noexcept {
  if (module == nullptr || directory == nullptr) return E_INVALIDARG;
  try {
    std::unique_lock lock(registrationsLock);
    const auto found =
        std::find_if(registrations.begin(), registrations.end(), [&](const Registration &r) {
          return r.module == module && r.directory == directory;
        });
    if (found == registrations.end()) return S_FALSE;
    registrations.erase(found);
    // The registry outlives every image but is never destroyed; when the last image has gone
    // it holds no memory, so unloading a module (and this library with it) leaks nothing.
    if (registrations.empty()) std::vector<Registration>().swap(registrations);
    return S_OK;
  } catch (...) {
    return E_FAIL;
  }
}

const ZRQ_RESOURCE_ENTRY *ResourceRegistry::Find(HMODULE module, LPCWSTR name, LPCWSTR type,
                                                 DWORD *error) const {
  std::shared_lock lock(registrationsLock);
  bool anyResources = false;
  bool typeFound = false;
  for (const Registration &r : registrations) {
    if (r.module != module) continue;
    anyResources = true;
    for (ULONG i = 0; i < r.directory->count; ++i) {
      const ZRQ_RESOURCE_ENTRY &entry = r.directory->entries[i];
      if (!Matches(entry.typeId, entry.typeName, type)) continue;
      typeFound = true;
      if (Matches(entry.nameId, entry.nameName, name)) return &entry;
    }
  }
  *error = !anyResources ? ERROR_RESOURCE_DATA_NOT_FOUND
           : !typeFound  ? ERROR_RESOURCE_TYPE_NOT_FOUND
                         : ERROR_RESOURCE_NAME_NOT_FOUND;
  return nullptr;
}

bool ResourceRegistry::Owns(HMODULE module, const ZRQ_RESOURCE_ENTRY *entry) const {
  std::shared_lock lock(registrationsLock);
  const auto address = reinterpret_cast<ULONG_PTR>(entry);
  for (const Registration &r : registrations) {
    if (module != nullptr && r.module != module) continue;
    const auto first = reinterpret_cast<ULONG_PTR>(r.directory->entries);
    const auto end = first + r.directory->count * sizeof(ZRQ_RESOURCE_ENTRY);
    if (address >= first && address < end && (address - first) % sizeof(ZRQ_RESOURCE_ENTRY) == 0)
      return true;
  }
  return false;
}

} // namespace zrq::kernel
