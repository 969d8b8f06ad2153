// VariantInit, VariantClear and VariantCopy: the ownership rules of a VARIANT. A VT_BSTR
// owns its string and a VT_UNKNOWN or VT_DISPATCH holds one reference; by-reference values
// own nothing.
#include <oleauto.h>

#include <cstring>

#include "platform/ole/VarTypeRules.h"

namespace zrq::ole {

HRESULT ValidateVarType(VARTYPE vt) {
  if (vt & (VT_VECTOR | VT_RESERVED | VT_ARRAY)) return DISP_E_BADVARTYPE;
  const VARTYPE base = vt & VT_TYPEMASK;
  const bool byRef = (vt & VT_BYREF) != 0;
  if (byRef && base <= VT_NULL) return DISP_E_BADVARTYPE;
  if (base == VT_VARIANT) return byRef ? S_OK : DISP_E_BADVARTYPE;
  if (base <= VT_DECIMAL) return S_OK;
  if (base >= VT_I1 && base <= VT_UINT) return S_OK;
  return DISP_E_BADVARTYPE;
}

} // namespace zrq::ole

STDAPI_(void) VariantInit(VARIANTARG *pvarg) {
  if (!pvarg) return;
  // The whole record is zeroed, not only vt, so a stray read of the value is at least defined.
  std::memset(static_cast<void *>(pvarg), 0, sizeof(VARIANT));
  pvarg->vt = VT_EMPTY;
}

STDAPI VariantClear(VARIANTARG *pvarg) {
  if (!pvarg) return E_INVALIDARG;
  const HRESULT hr = zrq::ole::ValidateVarType(pvarg->vt);
  if (FAILED(hr)) return hr;
  if (!(pvarg->vt & VT_BYREF)) {
    switch (pvarg->vt) {
    case VT_BSTR:
      SysFreeString(pvarg->bstrVal);
      break;
    case VT_UNKNOWN:
    case VT_DISPATCH:
      // IDispatch derives from IUnknown and shares the arm, so Release is the same slot.
      if (pvarg->punkVal) pvarg->punkVal->Release();
      break;
    default:
      break;
    }
  }
  pvarg->vt = VT_EMPTY;
  return S_OK;
}

STDAPI VariantCopy(VARIANTARG *pvargDest, const VARIANTARG *pvargSrc) {
  if (!pvargDest || !pvargSrc) return E_INVALIDARG;
  HRESULT hr = zrq::ole::ValidateVarType(pvargSrc->vt);
  if (FAILED(hr)) return hr;
  // Clearing the destination first would free the source's own string.
  if (pvargDest == pvargSrc) return S_OK;

  // The copy is complete before the destination is cleared, so a failed allocation leaves
  // the destination as it was.
  VARIANT copy;
  std::memcpy(static_cast<void *>(&copy), pvargSrc, sizeof(VARIANT));
  if (!(copy.vt & VT_BYREF)) {
    if (copy.vt == VT_BSTR) {
      // A null string copies as an empty one, byte for byte otherwise (odd lengths too).
      copy.bstrVal = SysAllocStringByteLen(reinterpret_cast<LPCSTR>(pvargSrc->bstrVal),
                                           SysStringByteLen(pvargSrc->bstrVal));
      if (!copy.bstrVal) return E_OUTOFMEMORY;
    } else if ((copy.vt == VT_UNKNOWN || copy.vt == VT_DISPATCH) && copy.punkVal) {
      copy.punkVal->AddRef();
    }
  }
  hr = VariantClear(pvargDest);
  if (FAILED(hr)) {
    VariantClear(&copy);
    return hr;
  }
  std::memcpy(static_cast<void *>(pvargDest), &copy, sizeof(VARIANT));
  return S_OK;
}
