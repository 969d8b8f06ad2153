#include "params/SharedString.h"

#include <cstring>
#include <new>

SharedString::SharedString(BSTR owned) : bstr(owned, SysFreeString) {}

HRESULT SharedString::Create(LPCOLESTR text, SharedString *out) noexcept {
  if (text == nullptr) return Create(nullptr, 0, out);
  UINT length = 0;
  while (text[length] != 0) ++length;
  return Create(text, length, out);
}

HRESULT SharedString::Create(LPCOLESTR text, UINT length, SharedString *out) noexcept {
  if (out == nullptr) return E_POINTER;
  if (text == nullptr) {
    if (length != 0) return E_INVALIDARG;
    *out = SharedString();
    return S_OK;
  }
  BSTR copy = SysAllocStringLen(text, length);
  if (copy == nullptr) return E_OUTOFMEMORY;
  try {
    *out = SharedString(copy); // the holder frees the copy if it cannot be built
  } catch (const std::bad_alloc &) {
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

HRESULT SharedString::FromBstr(BSTR text, SharedString *out) noexcept {
  if (out == nullptr) return E_POINTER;
  if (text == nullptr) {
    *out = SharedString();
    return S_OK;
  }
  BSTR copy = SysAllocStringByteLen(reinterpret_cast<LPCSTR>(text), SysStringByteLen(text));
  if (copy == nullptr) return E_OUTOFMEMORY;
  try {
    *out = SharedString(copy);
  } catch (const std::bad_alloc &) {
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

HRESULT SharedString::CopyTo(BSTR *out) const noexcept {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (!bstr) return S_OK;
  *out = SysAllocStringByteLen(reinterpret_cast<LPCSTR>(bstr.get()), SysStringByteLen(bstr.get()));
  return *out ? S_OK : E_OUTOFMEMORY;
}

bool operator==(const SharedString &a, const SharedString &b) noexcept {
  if (a.IsAbsent() || b.IsAbsent()) return a.IsAbsent() && b.IsAbsent();
  const UINT bytes = SysStringByteLen(a.Get());
  return bytes == SysStringByteLen(b.Get()) && std::memcmp(a.Get(), b.Get(), bytes) == 0;
}
