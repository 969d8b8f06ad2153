// Small VARIANT makers and a holder that clears, for the parameter tests.
#pragma once

#include <oleauto.h>

#include <string>

inline VARIANT I2(SHORT v) {
  VARIANT x;
  VariantInit(&x);
  x.vt = VT_I2;
  x.iVal = v;
  return x;
}
inline VARIANT I4(LONG v) {
  VARIANT x;
  VariantInit(&x);
  x.vt = VT_I4;
  x.lVal = v;
  return x;
}
inline VARIANT R8(double v) {
  VARIANT x;
  VariantInit(&x);
  x.vt = VT_R8;
  x.dblVal = v;
  return x;
}
inline VARIANT UI4(ULONG v) {
  VARIANT x;
  VariantInit(&x);
  x.vt = VT_UI4;
  x.ulVal = v;
  return x;
}
inline VARIANT Empty() {
  VARIANT x;
  VariantInit(&x);
  return x;
}

// Owns what it holds, so a BSTR handed out to a test is freed exactly once.
struct Owned : VARIANT {
  Owned() { VariantInit(this); }
  explicit Owned(const std::u16string &text) {
    VariantInit(this);
    vt = VT_BSTR;
    bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  }
  Owned(const Owned &) = delete;
  Owned &operator=(const Owned &) = delete;
  ~Owned() { VariantClear(this); }
  std::u16string Text() const {
    return bstrVal ? std::u16string(bstrVal, SysStringLen(bstrVal)) : u"<null>";
  }
};

// A VARIANT filled with a marker, to see that a failing operation wrote nothing.
inline VARIANT Untouched() {
  VARIANT x;
  VariantInit(&x);
  x.vt = VT_I4;
  x.lVal = 0x5A5A5A5A;
  return x;
}
inline bool IsUntouched(const VARIANT &x) { return x.vt == VT_I4 && x.lVal == 0x5A5A5A5A; }
