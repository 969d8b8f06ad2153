#include "params/ValueHandOut.h"

#include <cstring>

void HandOutValue(const VARIANT &stored, VARIANT *out) noexcept {
  std::memcpy(static_cast<void *>(out), &stored, sizeof(VARIANT));
  switch (stored.vt) {
  case VT_BSTR:
    out->bstrVal = stored.bstrVal == nullptr
                       ? nullptr
                       : SysAllocStringByteLen(reinterpret_cast<LPCSTR>(stored.bstrVal),
                                               SysStringByteLen(stored.bstrVal));
    break;
  // The caller releases what it is handed, so it must hold a reference of its own.
  case VT_UNKNOWN:
  case VT_DISPATCH:
    if (stored.punkVal != nullptr) stored.punkVal->AddRef();
    break;
  default:
    break;
  }
}
