// Small RAII holders for the three things that need releasing above the platform: a COM
// reference (CComPtr), a BSTR (CComBSTR) and a VARIANT (CComVariant). Nothing here throws;
// an allocation that fails leaves the holder empty (null or VT_EMPTY), and the operations
// that can fail return their HRESULT.
#pragma once

#include <cassert>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "objbase.h"
#include "oleauto.h"
#include "zrqutf.h"

// UTF-16 to UTF-8. Unpaired surrogates become U+FFFD; a null pointer gives "".
inline std::string ZrqToUtf8(const OLECHAR *text, size_t len) {
  std::string out;
  if (!text) return out;
  out.reserve(len);
  for (size_t i = 0, length = 0; i < len; i += length) {
    char32_t c = 0;
    if (!ZrqDecodeUtf16(text, len, i, &c, &length)) c = kZrqReplacementCharacter;
    ZrqAppendUtf8(out, c);
  }
  return out;
}

// UTF-8 to UTF-16. Each malformed sequence (a lead byte and the continuation bytes after it)
// becomes one U+FFFD.
inline std::u16string ZrqFromUtf8(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  const auto *bytes = reinterpret_cast<const unsigned char *>(text.data());
  for (size_t i = 0, length = 0; i < text.size(); i += length) {
    char32_t c = 0;
    if (!ZrqDecodeUtf8(bytes, text.size(), i, &c, &length)) c = kZrqReplacementCharacter;
    ZrqAppendUtf16(out, c);
  }
  return out;
}

// One reference to a COM object.
template <class T> class CComPtr {
public:
  T *p = nullptr;

  CComPtr() = default;
  CComPtr(std::nullptr_t) {}
  CComPtr(T *lp) : p(lp) {
    if (p) p->AddRef();
  }
  CComPtr(const CComPtr &other) : CComPtr(other.p) {}
  CComPtr(CComPtr &&other) noexcept : p(std::exchange(other.p, nullptr)) {}
  ~CComPtr() { Release(); }

  CComPtr &operator=(T *lp) {
    // The new reference is taken before the old one goes, so assigning a pointer to itself is safe.
    if (lp) lp->AddRef();
    T *old = std::exchange(p, lp);
    if (old) old->Release();
    return *this;
  }
  CComPtr &operator=(const CComPtr &other) { return *this = other.p; }
  CComPtr &operator=(CComPtr &&other) noexcept {
    if (this != std::addressof(other)) Attach(std::exchange(other.p, nullptr));
    return *this;
  }

  operator T *() const { return p; }
  T *operator->() const {
    assert(p && "CComPtr is null");
    return p;
  }
  // For out-parameters: whatever was held is released first so it cannot leak.
  T **operator&() {
    Release();
    return &p;
  }

  void Release() {
    if (T *old = std::exchange(p, nullptr)) old->Release();
  }
  // Takes over a reference the caller already owns.
  void Attach(T *lp) {
    T *old = std::exchange(p, lp);
    if (old) old->Release();
  }
  T *Detach() { return std::exchange(p, nullptr); }
  HRESULT CopyTo(T **ppT) const {
    if (!ppT) return E_POINTER;
    *ppT = p;
    if (p) p->AddRef();
    return S_OK;
  }
  template <class Q> HRESULT QueryInterface(Q **pp) const {
    if (!pp) return E_POINTER;
    *pp = nullptr;
    if (!p) return E_POINTER;
    return p->QueryInterface(ZRQ_IID_OF(Q), reinterpret_cast<void **>(pp));
  }
};

// One owned BSTR.
class CComBSTR {
public:
  BSTR m_str = nullptr;

  CComBSTR() = default;
  CComBSTR(std::nullptr_t) {}
  CComBSTR(const OLECHAR *text) : m_str(SysAllocString(text)) {}
  CComBSTR(std::u16string_view text) : m_str(Allocate(text)) {}
  // From UTF-8 text; a null pointer gives a null BSTR.
  CComBSTR(const char *utf8) {
    if (utf8) m_str = Allocate(ZrqFromUtf8(utf8));
  }
  CComBSTR(const CComBSTR &other) : m_str(other.Copy()) {}
  CComBSTR(CComBSTR &&other) noexcept : m_str(std::exchange(other.m_str, nullptr)) {}
  ~CComBSTR() { Empty(); }

  CComBSTR &operator=(const CComBSTR &other) {
    if (this != std::addressof(other)) Attach(other.Copy());
    return *this;
  }
  CComBSTR &operator=(CComBSTR &&other) noexcept {
    if (this != std::addressof(other)) Attach(std::exchange(other.m_str, nullptr));
    return *this;
  }
  CComBSTR &operator=(const OLECHAR *text) {
    Attach(SysAllocString(text));
    return *this;
  }

  unsigned int Length() const { return SysStringLen(m_str); }
  operator BSTR() const { return m_str; }
  // For out-parameters: the string held so far is freed first so it cannot leak.
  BSTR *operator&() {
    Empty();
    return &m_str;
  }
  BSTR Detach() { return std::exchange(m_str, nullptr); }
  void Attach(BSTR src) {
    BSTR old = std::exchange(m_str, src);
    if (old != src) SysFreeString(old);
  }
  // A fresh copy keeping the byte length (embedded zeros and an odd length survive), or null.
  BSTR Copy() const {
    if (!m_str) return nullptr;
    return SysAllocStringByteLen(reinterpret_cast<LPCSTR>(m_str), SysStringByteLen(m_str));
  }
  void Empty() { SysFreeString(std::exchange(m_str, nullptr)); }

private:
  static BSTR Allocate(std::u16string_view text) {
    if (text.size() > 0x7FFFFFF0u) return nullptr;
    return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  }
};

// An owned VARIANT.
class CComVariant : public VARIANT {
public:
  CComVariant() { VariantInit(this); }
  CComVariant(const VARIANT &src) {
    VariantInit(this);
    VariantCopy(this, &src);
  }
  CComVariant(const CComVariant &src) : CComVariant(static_cast<const VARIANT &>(src)) {}
  CComVariant(CComVariant &&src) noexcept {
    std::memcpy(static_cast<VARIANT *>(this), static_cast<VARIANT *>(&src), sizeof(VARIANT));
    VariantInit(&src);
  }
  CComVariant(short value) : CComVariant() { vt = VT_I2, iVal = value; }
  CComVariant(int value) : CComVariant() { vt = VT_I4, lVal = value; }
  // long is 64-bit here while VT_I4 is 32: a value that does not fit is kept whole as VT_I8.
  CComVariant(long value) : CComVariant() {
    if (value >= INT32_MIN && value <= INT32_MAX) {
      vt = VT_I4, lVal = static_cast<LONG>(value);
    } else {
      vt = VT_I8, llVal = value;
    }
  }
  CComVariant(BYTE value) : CComVariant() { vt = VT_UI1, bVal = value; }
  CComVariant(double value) : CComVariant() { vt = VT_R8, dblVal = value; }
  CComVariant(float value) : CComVariant() { vt = VT_R4, fltVal = value; }
  CComVariant(bool value) : CComVariant() {
    vt = VT_BOOL, boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  }
  // A null pointer gives VT_BSTR with a null string, which reads as "".
  CComVariant(const OLECHAR *text) : CComVariant() {
    vt = VT_BSTR;
    bstrVal = SysAllocString(text);
    if (text && !bstrVal) vt = VT_EMPTY;
  }
  // From UTF-8 text, as VT_BSTR; without this a string literal would turn into VT_BOOL.
  CComVariant(const char *utf8) : CComVariant() {
    if (!utf8) {
      vt = VT_BSTR;
      return;
    }
    const std::u16string text = ZrqFromUtf8(utf8);
    if (text.size() > 0x7FFFFFF0u) return;
    bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (bstrVal) vt = VT_BSTR;
  }
  ~CComVariant() { VariantClear(this); }

  CComVariant &operator=(const CComVariant &src) {
    Copy(&src);
    return *this;
  }
  CComVariant &operator=(const VARIANT &src) {
    Copy(&src);
    return *this;
  }
  CComVariant &operator=(CComVariant &&src) noexcept {
    if (this != std::addressof(src)) {
      VariantClear(this);
      std::memcpy(static_cast<VARIANT *>(this), static_cast<VARIANT *>(&src), sizeof(VARIANT));
      VariantInit(&src);
    }
    return *this;
  }

  HRESULT Clear() { return VariantClear(this); }
  HRESULT Copy(const VARIANT *src) { return VariantCopy(this, src); }
  // Hands the value over to dest, which must hold nothing that needs freeing (it is cleared
  // first); this holder is left VT_EMPTY.
  HRESULT Detach(VARIANT *dest) {
    if (!dest) return E_POINTER;
    const HRESULT hr = VariantClear(dest);
    if (FAILED(hr)) return hr;
    std::memcpy(static_cast<void *>(dest), static_cast<VARIANT *>(this), sizeof(VARIANT));
    vt = VT_EMPTY;
    return S_OK;
  }
  // Converts in place, or converts src into this holder when src is given.
  HRESULT ChangeType(VARTYPE vtNew, const VARIANT *src = nullptr) {
    return VariantChangeType(this, src ? src : this, 0, vtNew);
  }
};
