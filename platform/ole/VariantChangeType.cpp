// VariantChangeType and the conversions behind it, for the empty and null values, BOOL,
// the integers, R4, R8, CY, DATE, BSTR and ERROR.
#include <oleauto.h>

#include <cstring>

#include "platform/ole/NumberFormat.h"
#include "platform/ole/NumberParse.h"
#include "platform/ole/VarTypeRules.h"
#include "platform/ole/VariantConvert.h"
#include "platform/ole/VariantNumber.h"

namespace zrq::ole {

namespace {

// Reads a by-reference value into a plain VARIANT that borrows what it points at.
HRESULT Dereference(const VARIANT &src, VARIANT *plain) {
  std::memset(static_cast<void *>(plain), 0, sizeof(VARIANT));
  if (!(src.vt & VT_BYREF)) {
    std::memcpy(static_cast<void *>(plain), &src, sizeof(VARIANT));
    return S_OK;
  }
  const VARTYPE base = src.vt & VT_TYPEMASK;
  if (!src.byref) return DISP_E_TYPEMISMATCH;
  if (base == VT_VARIANT) {
    if ((src.pvarVal->vt & VT_BYREF) || FAILED(ValidateVarType(src.pvarVal->vt)))
      return DISP_E_BADVARTYPE;
    std::memcpy(static_cast<void *>(plain), src.pvarVal, sizeof(VARIANT));
    return S_OK;
  }
  size_t size = 0;
  switch (base) {
  case VT_I1:
  case VT_UI1:
    size = 1;
    break;
  case VT_I2:
  case VT_UI2:
  case VT_BOOL:
    size = 2;
    break;
  case VT_I4:
  case VT_UI4:
  case VT_INT:
  case VT_UINT:
  case VT_R4:
  case VT_ERROR:
    size = 4;
    break;
  case VT_I8:
  case VT_UI8:
  case VT_R8:
  case VT_CY:
  case VT_DATE:
    size = 8;
    break;
  case VT_BSTR:
  case VT_UNKNOWN:
  case VT_DISPATCH:
    size = sizeof(void *);
    break;
  default:
    return DISP_E_TYPEMISMATCH;
  }
  std::memcpy(&plain->llVal, src.byref, size);
  plain->vt = base;
  return S_OK;
}

HRESULT ToText(const VARIANT &src, USHORT flags, VARIANT *out) {
  BSTR text = nullptr;
  if (src.vt == VT_EMPTY) {
    text = SysAllocString(u"");
  } else if (src.vt == VT_BOOL && (flags & VARIANT_ALPHABOOL)) {
    text = SysAllocString(src.boolVal ? u"True" : u"False");
  } else if (src.vt == VT_DATE) {
    return DISP_E_TYPEMISMATCH; // dates have no text form here
  } else if (IsNumericType(src.vt)) {
    const HRESULT hr = FormatNumber(src, &text);
    if (FAILED(hr)) return hr;
  } else {
    return DISP_E_TYPEMISMATCH;
  }
  if (!text) return E_OUTOFMEMORY;
  out->vt = VT_BSTR;
  out->bstrVal = text;
  return S_OK;
}

// Whether the NUL-terminated text is word, ignoring the case of ASCII letters.
bool IsWord(const OLECHAR *text, const char *word, bool ignoreCase) {
  for (; *word; ++text, ++word) {
    OLECHAR c = *text;
    if (ignoreCase && c >= u'A' && c <= u'Z') c = static_cast<OLECHAR>(c - u'A' + u'a');
    if (c != static_cast<OLECHAR>(*word)) return false;
  }
  return *text == 0;
}

// A Boolean from text: True or False in any case, the literals #TRUE# and #FALSE#, or a
// number, which is true unless zero.
HRESULT TextToBool(const OLECHAR *text, VARIANT *out) {
  if (text && (IsWord(text, "true", true) || IsWord(text, "#TRUE#", false))) {
    out->boolVal = VARIANT_TRUE;
  } else if (text && (IsWord(text, "false", true) || IsWord(text, "#FALSE#", false))) {
    out->boolVal = VARIANT_FALSE;
  } else {
    ParsedNumber number;
    VARIANT real;
    HRESULT hr = ParseNumberText(text, &number);
    if (SUCCEEDED(hr)) hr = StoreParsedNumber(number, VT_R8, &real);
    if (FAILED(hr)) return hr;
    out->boolVal = real.dblVal != 0.0 ? VARIANT_TRUE : VARIANT_FALSE;
  }
  out->vt = VT_BOOL;
  return S_OK;
}

HRESULT TextToNumber(BSTR text, VARTYPE vt, VARIANT *out) {
  if (vt == VT_DATE) return DISP_E_TYPEMISMATCH; // dates have no text form here
  if (vt == VT_BOOL) return TextToBool(text, out);
  ParsedNumber number;
  const HRESULT hr = ParseNumberText(text, &number);
  if (FAILED(hr)) return hr;
  return StoreParsedNumber(number, vt, out);
}

bool IsUnsignedInteger(VARTYPE vt) {
  return vt == VT_UI1 || vt == VT_UI2 || vt == VT_UI4 || vt == VT_UINT || vt == VT_UI8;
}

// Integers of one width carry their bits over whatever their signs: I1 -1 is UI1 255.
bool SameWidthIntegers(VARTYPE from, VARTYPE to) {
  return IsIntegerType(from) && IsIntegerType(to) && IntegerSize(from) == IntegerSize(to);
}

// The types a conversion may name as its target without DISP_E_BADVARTYPE; those it cannot
// produce (by-reference types, arrays, VARIANT) are a type mismatch instead.
bool IsNameableTarget(VARTYPE vt) {
  if (vt & (VT_VECTOR | VT_RESERVED)) return false;
  const VARTYPE base = vt & VT_TYPEMASK;
  if ((vt & (VT_BYREF | VT_ARRAY)) && base <= VT_NULL) return false;
  return (base < VT_VOID && base != 15) || base == VT_RECORD;
}

} // namespace

HRESULT ConvertVariant(const VARIANT &source, VARTYPE vt, USHORT flags, VARIANT *out) {
  VARIANT src;
  HRESULT hr = Dereference(source, &src);
  if (FAILED(hr)) return hr;

  if (src.vt == vt) {
    VARIANT copy;
    copy.vt = VT_EMPTY;
    hr = VariantCopy(&copy, &src);
    if (SUCCEEDED(hr)) std::memcpy(static_cast<void *>(out), &copy, sizeof(VARIANT));
    return hr;
  }
  // Anything but null and errors can be emptied, and anything but errors nulled.
  if (vt == VT_EMPTY || vt == VT_NULL) {
    if (src.vt == VT_ERROR || (vt == VT_EMPTY && src.vt == VT_NULL)) return DISP_E_TYPEMISMATCH;
    out->vt = vt;
    return S_OK;
  }
  if (src.vt == VT_NULL || src.vt == VT_ERROR || vt == VT_ERROR) return DISP_E_TYPEMISMATCH;
  if (vt == VT_BSTR) return ToText(src, flags, out);
  if (!IsNumericType(vt)) return DISP_E_TYPEMISMATCH;

  if (src.vt == VT_EMPTY) return StoreNumber(Number::FromSigned(0), vt, out);
  if (src.vt == VT_BSTR) return TextToNumber(src.bstrVal, vt, out);
  if (!IsNumericType(src.vt)) return DISP_E_TYPEMISMATCH;
  // A BOOL widens bit for bit into the unsigned types: VARIANT_TRUE is their largest value.
  // Both are sign-extended and cut to the target's width; on this little-endian target the
  // narrower arms of the union are the low bytes of ullVal.
  // Only integers and R8 are held to the calendar on their way to a date; R4 and currency
  // pass as they are.
  if (vt == VT_DATE && (src.vt == VT_R4 || src.vt == VT_CY)) {
    out->vt = VT_DATE;
    out->date = ReadNumber(src).AsDouble();
    return S_OK;
  }
  if (SameWidthIntegers(src.vt, vt) || (src.vt == VT_BOOL && IsUnsignedInteger(vt))) {
    const Number n = ReadNumber(src);
    out->ullVal = n.kind == Number::Kind::Unsigned ? n.u : static_cast<uint64_t>(n.s);
    out->vt = vt;
    return S_OK;
  }
  return StoreNumber(ReadNumber(src), vt, out);
}

} // namespace zrq::ole

STDAPI VariantChangeType(VARIANTARG *pvargDest, const VARIANTARG *pvarSrc, USHORT wFlags,
                         VARTYPE vt) {
  if (!pvargDest || !pvarSrc) return E_INVALIDARG;
  HRESULT hr = zrq::ole::ValidateVarType(pvarSrc->vt);
  if (FAILED(hr)) return hr;
  if (!zrq::ole::IsNameableTarget(vt)) return DISP_E_BADVARTYPE;

  // Converted into a temporary first: the destination may be the source, and a failed
  // conversion leaves the destination as it was.
  VARIANT result;
  std::memset(static_cast<void *>(&result), 0, sizeof result);
  hr = zrq::ole::ConvertVariant(*pvarSrc, vt, wFlags, &result);
  if (FAILED(hr)) return hr;
  hr = VariantClear(pvargDest);
  if (FAILED(hr)) {
    VariantClear(&result);
    return hr;
  }
  std::memcpy(static_cast<void *>(pvargDest), &result, sizeof result);
  return S_OK;
}
