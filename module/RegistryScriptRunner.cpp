#include "module/RegistryScriptRunner.h"

#include <atlbase.h>

namespace {

HRESULT Failure(LONG status) { return HRESULT_FROM_WIN32(status); }

bool HasSubkeys(HKEY key) {
  WCHAR name[256];
  DWORD length = 256;
  return RegEnumKeyExW(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) !=
         ERROR_NO_MORE_ITEMS;
}

LONG SetValue(HKEY key, const char16_t *name, const ScriptValue &value) {
  return RegSetValueExW(key, name, 0, value.type, value.data.data(),
                        static_cast<DWORD>(value.data.size()));
}

HRESULT Register(HKEY parent, const std::vector<ScriptClause> &body);
HRESULT Unregister(HKEY parent, const std::vector<ScriptClause> &body);

HRESULT RegisterKey(HKEY parent, const ScriptKey &clause) {
  if (clause.flag == KeyFlag::ForceRemove || clause.flag == KeyFlag::Delete) {
    const LONG status = RegDeleteTreeW(parent, clause.name.c_str());
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) return Failure(status);
    if (clause.flag == KeyFlag::Delete) return S_OK;
  }
  CRegKey key;
  if (const LONG status = key.Create(parent, clause.name.c_str()); status != ERROR_SUCCESS)
    return Failure(status);
  if (clause.defaultValue) {
    if (const LONG status = SetValue(key, nullptr, *clause.defaultValue); status != ERROR_SUCCESS)
      return Failure(status);
  }
  return Register(key, clause.body);
}

HRESULT UnregisterKey(HKEY parent, const ScriptKey &clause) {
  CRegKey key;
  if (const LONG status = key.Open(parent, clause.name.c_str()); status != ERROR_SUCCESS)
    return status == ERROR_FILE_NOT_FOUND ? S_OK : Failure(status);
  if (const HRESULT hr = Unregister(key, clause.body); FAILED(hr)) return hr;
  if (clause.flag == KeyFlag::NoRemove) return S_OK;
  // A key that still holds something the script does not name (another server's keys) stays,
  // unless the script owns it whole.
  if (clause.flag != KeyFlag::ForceRemove && HasSubkeys(key)) return S_OK;
  key.Close();
  const LONG status = RegDeleteTreeW(parent, clause.name.c_str());
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND ? S_OK : Failure(status);
}

HRESULT Register(HKEY parent, const std::vector<ScriptClause> &body) {
  for (const ScriptClause &clause : body) {
    if (const auto *key = std::get_if<ScriptKey>(&clause.content)) {
      if (const HRESULT hr = RegisterKey(parent, *key); FAILED(hr)) return hr;
    } else {
      const auto &value = std::get<ScriptNamedValue>(clause.content);
      if (const LONG status = SetValue(parent, value.name.c_str(), value.value);
          status != ERROR_SUCCESS)
        return Failure(status);
    }
  }
  return S_OK;
}

HRESULT Unregister(HKEY parent, const std::vector<ScriptClause> &body) {
  for (const ScriptClause &clause : body) {
    if (const auto *key = std::get_if<ScriptKey>(&clause.content)) {
      if (const HRESULT hr = UnregisterKey(parent, *key); FAILED(hr)) return hr;
    } else {
      const LONG status =
          RegDeleteValueW(parent, std::get<ScriptNamedValue>(clause.content).name.c_str());
      if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) return Failure(status);
    }
  }
  return S_OK;
}

} // namespace

HRESULT RunRegistryScript(const RegistryScript &script, ScriptMode mode) {
  try {
    for (const ScriptRoot &root : script.roots) {
      const HRESULT hr = mode == ScriptMode::Register ? Register(root.root, root.body)
                                                      : Unregister(root.root, root.body);
      if (FAILED(hr)) return hr;
    }
    return S_OK;
  } catch (const std::bad_alloc &) {
    return E_OUTOFMEMORY;
  }
}
