// CRegKey: an open registry key that closes itself.
#pragma once

#include <string>

#include "winreg.h"

class CRegKey {
public:
  CRegKey() = default;
  CRegKey(const CRegKey &) = delete;
  CRegKey &operator=(const CRegKey &) = delete;
  ~CRegKey() { Close(); }

  operator HKEY() const { return m_hKey; }

  LONG Create(HKEY hKeyParent, LPCWSTR lpszKeyName, LPWSTR lpszClass = nullptr,
              DWORD dwOptions = REG_OPTION_NON_VOLATILE, REGSAM samDesired = KEY_READ | KEY_WRITE,
              LPSECURITY_ATTRIBUTES lpSecAttr = nullptr, LPDWORD lpdwDisposition = nullptr) {
    HKEY key = nullptr;
    const LONG status = RegCreateKeyExW(hKeyParent, lpszKeyName, 0, lpszClass, dwOptions,
                                        samDesired, lpSecAttr, &key, lpdwDisposition);
    if (status == ERROR_SUCCESS) Attach(key);
    return status;
  }
  LONG Open(HKEY hKeyParent, LPCWSTR lpszKeyName, REGSAM samDesired = KEY_READ | KEY_WRITE) {
    HKEY key = nullptr;
    const LONG status = RegOpenKeyExW(hKeyParent, lpszKeyName, 0, samDesired, &key);
    if (status == ERROR_SUCCESS) Attach(key);
    return status;
  }
  LONG Close() {
    if (m_hKey == nullptr) return ERROR_SUCCESS;
    const LONG status = RegCloseKey(m_hKey);
    m_hKey = nullptr;
    return status;
  }
  void Attach(HKEY hKey) {
    Close();
    m_hKey = hKey;
  }
  HKEY Detach() {
    HKEY key = m_hKey;
    m_hKey = nullptr;
    return key;
  }

  LONG SetValue(LPCWSTR pszValueName, DWORD dwType, const void *pValue, ULONG nBytes) {
    return RegSetValueExW(m_hKey, pszValueName, 0, dwType, static_cast<const BYTE *>(pValue),
                          nBytes);
  }
  LONG SetStringValue(LPCWSTR pszValueName, LPCWSTR pszValue, DWORD dwType = REG_SZ) {
    return SetValue(
        pszValueName, dwType, pszValue,
        static_cast<ULONG>((std::char_traits<char16_t>::length(pszValue) + 1) * sizeof(WCHAR)));
  }
  // Ours: a REG_SZ or REG_EXPAND_SZ of any length, without its terminator. ERROR_INVALID_DATA
  // for a value of another type.
  LONG QueryStringValue(LPCWSTR pszValueName, std::u16string *value) const {
    DWORD type = 0, size = 0;
    LONG status = RegQueryValueExW(m_hKey, pszValueName, nullptr, &type, nullptr, &size);
    if (status != ERROR_SUCCESS) return status;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return ERROR_INVALID_DATA;
    std::u16string text(size / sizeof(WCHAR) + 1, u'\0');
    size = static_cast<DWORD>(text.size() * sizeof(WCHAR));
    status = RegQueryValueExW(m_hKey, pszValueName, nullptr, &type,
                              reinterpret_cast<BYTE *>(text.data()), &size);
    if (status != ERROR_SUCCESS) return status;
    text.resize(size / sizeof(WCHAR));
    while (!text.empty() && text.back() == 0) text.pop_back();
    *value = std::move(text);
    return ERROR_SUCCESS;
  }
  LONG DeleteValue(LPCWSTR lpszValue) { return RegDeleteValueW(m_hKey, lpszValue); }
  LONG DeleteSubKey(LPCWSTR lpszSubKey) { return RegDeleteKeyW(m_hKey, lpszSubKey); }
  LONG RecurseDeleteKey(LPCWSTR lpszKey) { return RegDeleteTreeW(m_hKey, lpszKey); }

  HKEY m_hKey = nullptr;
};
