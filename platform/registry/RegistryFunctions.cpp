// The Win32 registry calls over the registry file. Reads look at the file as it is now;
// every change is one read-modify-write of the file under the writers' lock.
#include <algorithm>
#include <cstring>

#include "platform/registry/KeyHandles.h"
#include "platform/registry/RegistryCall.h"
#include "platform/registry/RegistryStore.h"

using namespace zrq::registry;

namespace {

// The key a handle stands for, and the key below it at `subKey`.
LSTATUS Resolve(HKEY handle, LPCWSTR subKey, KeyPath *base, KeyPath *path) {
  if (const LSTATUS status = KeyHandles::Instance().Resolve(handle, base); status != ERROR_SUCCESS)
    return status;
  *path = *base;
  return AppendSubKey(subKey, path);
}

KeyPath Parent(const KeyPath &path) {
  return {path.root, {path.names.begin(), path.names.end() - 1}};
}

// A key the caller holds open but that is gone from the file.
LSTATUS Missing(const RegistryTree &tree, const KeyPath &base) {
  return tree.Find(base) == nullptr ? ERROR_KEY_DELETED : ERROR_FILE_NOT_FOUND;
}

// Copies a name for the Enum calls: ERROR_MORE_DATA when *count (characters, with the
// terminator) is too small.
LSTATUS CopyName(std::u16string_view name, LPWSTR out, LPDWORD count) {
  if (*count <= name.size()) return ERROR_MORE_DATA;
  std::copy(name.begin(), name.end(), out);
  out[name.size()] = 0;
  *count = static_cast<DWORD>(name.size());
  return ERROR_SUCCESS;
}

// The ERROR_MORE_DATA protocol of the value calls.
LSTATUS CopyData(const RegistryValue &value, LPDWORD type, LPBYTE data, LPDWORD size) {
  if (type != nullptr) *type = value.type;
  if (size == nullptr) return ERROR_SUCCESS;
  const auto needed = static_cast<DWORD>(value.data.size());
  if (data != nullptr && *size < needed) {
    *size = needed;
    return ERROR_MORE_DATA;
  }
  if (data != nullptr && needed > 0) std::memcpy(data, value.data.data(), needed);
  *size = needed;
  return ERROR_SUCCESS;
}

std::u16string_view ValueName(LPCWSTR name) {
  return name ? std::u16string_view(name) : std::u16string_view();
}

} // namespace

STDAPI_(LSTATUS)
RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, LPWSTR, DWORD dwOptions, REGSAM,
                const LPSECURITY_ATTRIBUTES, PHKEY phkResult, LPDWORD lpdwDisposition) {
  return RegistryCall([&]() -> LSTATUS {
    if (phkResult == nullptr || lpSubKey == nullptr) return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    // Volatile keys are kept like the others; links are not made here.
    if ((dwOptions & ~static_cast<DWORD>(REG_OPTION_VOLATILE)) != 0) return ERROR_INVALID_PARAMETER;
    KeyPath base, path;
    if (const LSTATUS status = Resolve(hKey, lpSubKey, &base, &path); status != ERROR_SUCCESS)
      return status;

    std::shared_ptr<const RegistryTree> tree;
    if (const LSTATUS status = RegistryStore::Read(&tree); status != ERROR_SUCCESS) return status;
    DWORD disposition = REG_OPENED_EXISTING_KEY;
    if (tree->Find(path) == nullptr) {
      const LSTATUS status =
          RegistryStore::Modify([&](RegistryTree &current, bool *changed) -> LSTATUS {
            RegistryKey *key = current.Find(base);
            if (key == nullptr) return ERROR_KEY_DELETED;
            for (size_t i = base.names.size(); i < path.names.size(); ++i) {
              bool created = false;
              key = &key->AddChild(path.names[i], &created);
              *changed |= created;
            }
            disposition = *changed ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
            return ERROR_SUCCESS;
          });
      if (status != ERROR_SUCCESS) return status;
    }
    *phkResult = path.names.empty() ? hKey : KeyHandles::Instance().Open(std::move(path));
    if (lpdwDisposition != nullptr) *lpdwDisposition = disposition;
    return ERROR_SUCCESS;
  });
}

STDAPI_(LSTATUS) RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, REGSAM, PHKEY phkResult) {
  return RegistryCall([&]() -> LSTATUS {
    if (phkResult == nullptr) return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    KeyPath base, path;
    if (const LSTATUS status = Resolve(hKey, lpSubKey, &base, &path); status != ERROR_SUCCESS)
      return status;
    std::shared_ptr<const RegistryTree> tree;
    if (const LSTATUS status = RegistryStore::Read(&tree); status != ERROR_SUCCESS) return status;
    if (tree->Find(path) == nullptr) return Missing(*tree, base);
    *phkResult = path.names.empty() ? hKey : KeyHandles::Instance().Open(std::move(path));
    return ERROR_SUCCESS;
  });
}

STDAPI_(LSTATUS) RegCloseKey(HKEY hKey) {
  return RegistryCall([&]() -> LSTATUS { return KeyHandles::Instance().Close(hKey); });
}

STDAPI_(LSTATUS)
RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE *lpData,
               DWORD cbData) {
  return RegistryCall([&]() -> LSTATUS {
    if (Reserved != 0 || cbData > kMaxValueSize) return ERROR_INVALID_PARAMETER;
    if (lpData == nullptr && cbData > 0) return ERROR_NOACCESS;
    const std::u16string_view name = ValueName(lpValueName);
    if (const LSTATUS status = CheckValueName(name); status != ERROR_SUCCESS) return status;
    KeyPath path;
    if (const LSTATUS status = KeyHandles::Instance().Resolve(hKey, &path); status != ERROR_SUCCESS)
      return status;
    std::vector<BYTE> data(lpData, lpData + cbData);
    return RegistryStore::Modify([&](RegistryTree &tree, bool *changed) -> LSTATUS {
      RegistryKey *key = tree.Find(path);
      if (key == nullptr) return ERROR_KEY_DELETED;
      *changed = key->SetValue(name, dwType, data);
      return ERROR_SUCCESS;
    });
  });
}

STDAPI_(LSTATUS)
RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                 LPDWORD lpcbData) {
  return RegistryCall([&]() -> LSTATUS {
    if (lpReserved != nullptr || (lpData != nullptr && lpcbData == nullptr))
      return ERROR_INVALID_PARAMETER;
    KeyPath path;
    if (const LSTATUS status = KeyHandles::Instance().Resolve(hKey, &path); status != ERROR_SUCCESS)
      return status;
    std::shared_ptr<const RegistryTree> tree;
    if (const LSTATUS status = RegistryStore::Read(&tree); status != ERROR_SUCCESS) return status;
    const RegistryKey *key = tree->Find(path);
    if (key == nullptr) return ERROR_KEY_DELETED;
    const RegistryValue *value = key->Value(ValueName(lpValueName));
    if (value == nullptr) return ERROR_FILE_NOT_FOUND;
    return CopyData(*value, lpType, lpData, lpcbData);
  });
}

STDAPI_(LSTATUS) RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName) {
  return RegistryCall([&]() -> LSTATUS {
    KeyPath path;
    if (const LSTATUS status = KeyHandles::Instance().Resolve(hKey, &path); status != ERROR_SUCCESS)
      return status;
    const std::u16string_view name = ValueName(lpValueName);
    return RegistryStore::Modify([&](RegistryTree &tree, bool *changed) -> LSTATUS {
      RegistryKey *key = tree.Find(path);
      if (key == nullptr) return ERROR_KEY_DELETED;
      *changed = key->RemoveValue(name);
      return *changed ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    });
  });
}

STDAPI_(LSTATUS) RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey) {
  return RegistryCall([&]() -> LSTATUS {
    if (lpSubKey == nullptr) return ERROR_INVALID_PARAMETER;
    KeyPath base, path;
    if (const LSTATUS status = Resolve(hKey, lpSubKey, &base, &path); status != ERROR_SUCCESS)
      return status;
    if (path.names.empty()) return ERROR_ACCESS_DENIED; // a root stays
    return RegistryStore::Modify([&](RegistryTree &tree, bool *changed) -> LSTATUS {
      RegistryKey *parent = tree.Find(Parent(path));
      const RegistryKey *key = parent ? parent->Child(path.names.back()) : nullptr;
      if (key == nullptr) return Missing(tree, base);
      if (!key->Subkeys().empty()) return ERROR_ACCESS_DENIED;
      *changed = parent->RemoveChild(path.names.back());
      return ERROR_SUCCESS;
    });
  });
}

STDAPI_(LSTATUS) RegDeleteTreeW(HKEY hKey, LPCWSTR lpSubKey) {
  return RegistryCall([&]() -> LSTATUS {
    KeyPath base, path;
    if (const LSTATUS status = Resolve(hKey, lpSubKey, &base, &path); status != ERROR_SUCCESS)
      return status;
    const bool contentsOnly = path.names.size() == base.names.size();
    return RegistryStore::Modify([&](RegistryTree &tree, bool *changed) -> LSTATUS {
      if (contentsOnly) {
        RegistryKey *key = tree.Find(path);
        if (key == nullptr) return ERROR_KEY_DELETED;
        *changed = key->Clear();
        return ERROR_SUCCESS;
      }
      RegistryKey *parent = tree.Find(Parent(path));
      if (parent == nullptr || !parent->RemoveChild(path.names.back())) return Missing(tree, base);
      *changed = true;
      return ERROR_SUCCESS;
    });
  });
}

STDAPI_(LSTATUS)
RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved,
              LPWSTR lpClass, LPDWORD lpcchClass, PFILETIME lpftLastWriteTime) {
  return RegistryCall([&]() -> LSTATUS {
    if (lpName == nullptr || lpcchName == nullptr || lpReserved != nullptr ||
        (lpClass && !lpcchClass))
      return ERROR_INVALID_PARAMETER;
    KeyPath path;
    if (const LSTATUS status = KeyHandles::Instance().Resolve(hKey, &path); status != ERROR_SUCCESS)
      return status;
    std::shared_ptr<const RegistryTree> tree;
    if (const LSTATUS status = RegistryStore::Read(&tree); status != ERROR_SUCCESS) return status;
    const RegistryKey *key = tree->Find(path);
    if (key == nullptr) return ERROR_KEY_DELETED;
    if (dwIndex >= key->Subkeys().size()) return ERROR_NO_MORE_ITEMS;
    const RegistryKey &child = *std::next(key->Subkeys().begin(), dwIndex)->second;
    if (const LSTATUS status = CopyName(child.Name(), lpName, lpcchName); status != ERROR_SUCCESS)
      return status;
    // Keys have no class here.
    if (lpClass != nullptr) {
      if (*lpcchClass > 0) lpClass[0] = 0;
      *lpcchClass = 0;
    }
    if (lpftLastWriteTime != nullptr) *lpftLastWriteTime = FILETIME{0, 0};
    return ERROR_SUCCESS;
  });
}

STDAPI_(LSTATUS)
RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName, LPDWORD lpcchValueName,
              LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
  return RegistryCall([&]() -> LSTATUS {
    if (lpValueName == nullptr || lpcchValueName == nullptr || lpReserved != nullptr ||
        (lpData != nullptr && lpcbData == nullptr))
      return ERROR_INVALID_PARAMETER;
    KeyPath path;
    if (const LSTATUS status = KeyHandles::Instance().Resolve(hKey, &path); status != ERROR_SUCCESS)
      return status;
    std::shared_ptr<const RegistryTree> tree;
    if (const LSTATUS status = RegistryStore::Read(&tree); status != ERROR_SUCCESS) return status;
    const RegistryKey *key = tree->Find(path);
    if (key == nullptr) return ERROR_KEY_DELETED;
    if (dwIndex >= key->Values().size()) return ERROR_NO_MORE_ITEMS;
    const RegistryValue &value = key->Values()[dwIndex];
    if (const LSTATUS status = CopyName(value.name, lpValueName, lpcchValueName);
        status != ERROR_SUCCESS)
      return status;
    return CopyData(value, lpType, lpData, lpcbData);
  });
}
