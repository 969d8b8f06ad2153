// VarMul and VarAdd. The result type follows from the operand types (the wider of the two,
// with a few fixed pairings); integer results that do not fit move up to the next wider type
// instead of failing, and a null operand makes a null result.
#include <oleauto.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "platform/ole/VarTypeRules.h"
#include "platform/ole/VariantNumber.h"

namespace {

using zrq::ole::Number;

enum class Operation { Multiply, Add };

// The operand types the arithmetic takes; the other integer widths, errors, objects and
// anything by reference or in an array are refused before the null rule applies.
HRESULT CheckOperand(VARTYPE vt) {
  HRESULT hr = zrq::ole::ValidateVarType(vt);
  if (FAILED(hr)) return hr;
  switch (vt) {
    case VT_EMPTY: case VT_NULL: case VT_BOOL: case VT_UI1: case VT_I2: case VT_I4: case VT_I8:
    case VT_R4: case VT_R8: case VT_CY: case VT_DATE: case VT_BSTR:
      return S_OK;
    case VT_I1: case VT_UI2: case VT_UI4: case VT_UI8: case VT_INT: case VT_UINT:
      return DISP_E_BADVARTYPE;
    default:
      return (vt & VT_BYREF) ? DISP_E_BADVARTYPE : DISP_E_TYPEMISMATCH;
  }
}

VARTYPE ResultType(Operation op, VARTYPE left, VARTYPE right) {
  auto either = [&](VARTYPE t) { return left == t || right == t; };
  if (op == Operation::Add && either(VT_DATE)) return VT_DATE;
  if (either(VT_R8) || either(VT_BSTR) || either(VT_DATE)) return VT_R8;
  if (either(VT_R4)) return (either(VT_I4) || either(VT_I8) || either(VT_CY)) ? VT_R8 : VT_R4;
  if (either(VT_CY)) return VT_CY;
  if (either(VT_I8)) return VT_I8;
  if (either(VT_I4)) return VT_I4;
  if (either(VT_I2) || either(VT_BOOL)) return VT_I2;
  if (left == VT_EMPTY && right == VT_EMPTY) return VT_I2;
  return VT_UI1;
}

// The operand as a number; a string is read as one.
HRESULT OperandValue(const VARIANT &v, Number *out) {
  if (v.vt == VT_EMPTY) {
    *out = Number::FromSigned(0);
    return S_OK;
  }
  if (v.vt == VT_BSTR) return zrq::ole::ParseNumber(v.bstrVal, SysStringLen(v.bstrVal), out);
  *out = zrq::ole::ReadNumber(v);
  return S_OK;
}

HRESULT Concatenate(const VARIANT &left, const VARIANT &right, VARIANT *out) {
  const BSTR a = left.vt == VT_BSTR ? left.bstrVal : nullptr;
  const BSTR b = right.vt == VT_BSTR ? right.bstrVal : nullptr;
  const size_t bytesA = SysStringByteLen(a), bytesB = SysStringByteLen(b);
  if (bytesA + bytesB > 0x7FFFFFF0u) return E_OUTOFMEMORY;
  BSTR joined = SysAllocStringByteLen(nullptr, static_cast<UINT>(bytesA + bytesB));
  if (!joined) return E_OUTOFMEMORY;
  if (bytesA) std::memcpy(joined, a, bytesA);
  if (bytesB) std::memcpy(reinterpret_cast<char *>(joined) + bytesA, b, bytesB);
  out->vt = VT_BSTR;
  out->bstrVal = joined;
  return S_OK;
}

// Integer results: UI1, I2, I4 (computed exactly in 64 bits, promoted when they do not fit)
// and I8 (an overflow is an error: there is no wider integer).
HRESULT IntegerResult(Operation op, VARTYPE type, int64_t a, int64_t b, VARIANT *out) {
  int64_t value = 0;
  const bool overflow = op == Operation::Multiply ? __builtin_mul_overflow(a, b, &value)
                                                  : __builtin_add_overflow(a, b, &value);
  if (type == VT_I8) {
    if (overflow) return DISP_E_OVERFLOW;
    out->vt = VT_I8;
    out->llVal = value;
    return S_OK;
  }
  const Number n = Number::FromSigned(value);
  if (type == VT_UI1 && SUCCEEDED(zrq::ole::StoreNumber(n, VT_UI1, out))) return S_OK;
  if (type == VT_UI1 && op == Operation::Add) type = VT_I2;
  if (type == VT_UI1 && op == Operation::Multiply) type = VT_I4;
  if (type == VT_I2 && SUCCEEDED(zrq::ole::StoreNumber(n, VT_I2, out))) return S_OK;
  if (type == VT_I2) type = VT_I4;
  if (SUCCEEDED(zrq::ole::StoreNumber(n, VT_I4, out))) return S_OK;
  out->vt = VT_R8;
  out->dblVal = static_cast<double>(value);
  return S_OK;
}

HRESULT Compute(Operation op, const VARIANT &left, const VARIANT &right, VARIANT *out) {
  HRESULT hr = CheckOperand(left.vt);
  if (SUCCEEDED(hr)) hr = CheckOperand(right.vt);
  if (FAILED(hr)) return hr;
  if (left.vt == VT_NULL || right.vt == VT_NULL) {
    out->vt = VT_NULL;
    return S_OK;
  }
  if (op == Operation::Add && (left.vt == VT_BSTR || right.vt == VT_BSTR) &&
      (left.vt == VT_BSTR || left.vt == VT_EMPTY) && (right.vt == VT_BSTR || right.vt == VT_EMPTY)) {
    return Concatenate(left, right, out);
  }

  const VARTYPE type = ResultType(op, left.vt, right.vt);
  Number a, b;
  hr = OperandValue(left, &a);
  if (SUCCEEDED(hr)) hr = OperandValue(right, &b);
  if (FAILED(hr)) return hr;

  switch (type) {
    case VT_UI1:
    case VT_I2:
    case VT_I4:
    case VT_I8:
      // Operands of these result types are all signed or UI1, so they read exactly as int64.
      return IntegerResult(op, type, a.kind == Number::Kind::Unsigned ? static_cast<int64_t>(a.u) : a.s,
                           b.kind == Number::Kind::Unsigned ? static_cast<int64_t>(b.u) : b.s, out);
    default:
      break;
  }

  const double x = a.AsDouble(), y = b.AsDouble();
  const double value = op == Operation::Multiply ? x * y : x + y;
  // Beyond a double there is nothing wider to move to.
  if (std::isinf(value) && std::isfinite(x) && std::isfinite(y)) return DISP_E_OVERFLOW;
  const Number result = Number::FromReal(value);
  if (type == VT_R4) {
    // An R4 result that outgrows a float is kept as R8.
    if (SUCCEEDED(zrq::ole::StoreNumber(result, VT_R4, out))) return S_OK;
    return zrq::ole::StoreNumber(result, VT_R8, out);
  }
  return zrq::ole::StoreNumber(result, type, out);
}

HRESULT Arithmetic(Operation op, LPVARIANT left, LPVARIANT right, LPVARIANT result) {
  if (!left || !right || !result) return E_INVALIDARG;
  VARIANT value;
  std::memset(static_cast<void *>(&value), 0, sizeof value);
  const HRESULT hr = Compute(op, *left, *right, &value);
  if (FAILED(hr)) return hr;
  // The result is written without clearing what was there, as for any value handed out;
  // when it is one of the operands, that operand is a valid VARIANT and is freed first.
  if (result == left || result == right) VariantClear(result);
  std::memcpy(static_cast<void *>(result), &value, sizeof value);
  return S_OK;
}

}  // namespace

STDAPI VarMul(LPVARIANT pvarLeft, LPVARIANT pvarRight, LPVARIANT pvarResult) {
  return Arithmetic(Operation::Multiply, pvarLeft, pvarRight, pvarResult);
}

STDAPI VarAdd(LPVARIANT pvarLeft, LPVARIANT pvarRight, LPVARIANT pvarResult) {
  return Arithmetic(Operation::Add, pvarLeft, pvarRight, pvarResult);
}
