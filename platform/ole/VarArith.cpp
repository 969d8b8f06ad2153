// VarMul and VarAdd. Each operand type has a rank; the higher-ranked operand names the result
// type, with a few fixed pairings. Both operands are converted to a working type (I8 for the
// integers, R8 for the reals and dates, CY for currency) as VariantChangeType converts them,
// the result is worked out exactly, and an integer result that does not fit its type moves
// up to the next wider one instead of failing. A null operand makes a null result.
#include <oleauto.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

#include "platform/ole/VariantConvert.h"
#include "platform/ole/VariantNumber.h"

namespace {

using zrq::ole::Number;

enum class Operation { Multiply, Add };

// What an operand type counts as, from lowest to highest rank in a sum; Refused marks the
// types the arithmetic does not take (the other integer widths, errors, objects).
enum class Rank { Empty, UI1, I2, I4, I8, Text, R4, R8, CY, Date, Null, Refused };

Rank RankOf(Operation op, VARTYPE vt) {
  switch (vt) {
  case VT_EMPTY:
    return op == Operation::Multiply ? Rank::UI1 : Rank::Empty;
  case VT_NULL:
    return Rank::Null;
  case VT_UI1:
    return Rank::UI1;
  case VT_I2:
  case VT_BOOL:
    return Rank::I2;
  case VT_I4:
    return Rank::I4;
  case VT_I8:
    return Rank::I8;
  case VT_CY:
    return Rank::CY;
  case VT_R4:
    return Rank::R4;
  case VT_R8:
    return Rank::R8;
  // A product treats text and dates as R8.
  case VT_BSTR:
    return op == Operation::Multiply ? Rank::R8 : Rank::Text;
  case VT_DATE:
    return op == Operation::Multiply ? Rank::R8 : Rank::Date;
  default:
    return Rank::Refused;
  }
}

// A product ranks currency below the reals, in the place text has in a sum.
int Order(Operation op, Rank rank) {
  if (op == Operation::Multiply && rank == Rank::CY) return static_cast<int>(Rank::Text);
  return static_cast<int>(rank);
}

VARTYPE TypeOf(Rank rank) {
  switch (rank) {
  case Rank::Empty:
    return VT_EMPTY;
  case Rank::UI1:
    return VT_UI1;
  case Rank::I2:
    return VT_I2;
  case Rank::I4:
    return VT_I4;
  case Rank::I8:
    return VT_I8;
  case Rank::Text:
    return VT_BSTR;
  case Rank::CY:
    return VT_CY;
  case Rank::R4:
    return VT_R4;
  case Rank::R8:
    return VT_R8;
  case Rank::Date:
    return VT_DATE;
  case Rank::Null:
    return VT_NULL;
  case Rank::Refused:
    return VT_ERROR;
  }
  return VT_ERROR;
}

// The result type, or VT_ERROR for a refused operand, VT_NULL for a null result.
VARTYPE ResultType(Operation op, VARTYPE left, VARTYPE right) {
  Rank high = RankOf(op, left), low = RankOf(op, right);
  if (Order(op, low) > Order(op, high)) std::swap(high, low);
  if (high == Rank::Refused || high == Rank::Null) return TypeOf(high);
  if (high == Rank::Text && low != Rank::Empty && low != Rank::Text) return VT_R8;
  if (high == Rank::R4) {
    const bool wide = low == Rank::I4 || low == Rank::I8 || low == Rank::CY || low == Rank::Text;
    if (wide) return VT_R8;
  }
  if (high == Rank::Empty || (left == VT_EMPTY && right == VT_EMPTY)) return VT_I2;
  return TypeOf(high);
}

HRESULT Convert(const VARIANT &v, VARTYPE vt, VARIANT *out) {
  std::memset(static_cast<void *>(out), 0, sizeof(VARIANT));
  return zrq::ole::ConvertVariant(v, vt, 0, out);
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

// Integer results, worked out in I8. One that does not fit its type moves to the next wider
// one (I4 straight to R8); an I8 overflow is an error, as there is no wider integer.
HRESULT IntegerResult(Operation op, VARTYPE type, int64_t a, int64_t b, VARIANT *out) {
  int64_t value = 0;
  const bool overflow = op == Operation::Multiply ? __builtin_mul_overflow(a, b, &value)
                                                  : __builtin_add_overflow(a, b, &value);
  if (overflow) return DISP_E_OVERFLOW;
  const Number n = Number::FromSigned(value);
  if (type == VT_UI1 && SUCCEEDED(zrq::ole::StoreNumber(n, VT_UI1, out))) return S_OK;
  if (type == VT_UI1) type = VT_I2;
  if (type == VT_I2 && SUCCEEDED(zrq::ole::StoreNumber(n, VT_I2, out))) return S_OK;
  if (type == VT_I2) type = VT_I4;
  if (type == VT_I4 && SUCCEEDED(zrq::ole::StoreNumber(n, VT_I4, out))) return S_OK;
  if (type == VT_I4) type = VT_R8;
  return zrq::ole::StoreNumber(n, type, out);
}

// Currency results, exact: a product is rounded half to even to the ten-thousandth.
HRESULT CurrencyResult(Operation op, int64_t a, int64_t b, VARIANT *out) {
  __int128 value =
      op == Operation::Add ? static_cast<__int128>(a) + b : static_cast<__int128>(a) * b;
  if (op == Operation::Multiply) {
    constexpr __int128 kScale = 10000;
    __int128 whole = value / kScale;
    const __int128 rest = value % kScale;
    const __int128 twice = 2 * (rest < 0 ? -rest : rest);
    if (twice > kScale || (twice == kScale && (whole & 1) != 0)) whole += value < 0 ? -1 : 1;
    value = whole;
  }
  if (value > std::numeric_limits<int64_t>::max() || value < std::numeric_limits<int64_t>::min()) {
    return DISP_E_OVERFLOW;
  }
  out->vt = VT_CY;
  out->cyVal.int64 = static_cast<int64_t>(value);
  return S_OK;
}

HRESULT RealResult(Operation op, VARTYPE type, double x, double y, VARIANT *out) {
  const double value = op == Operation::Multiply ? x * y : x + y;
  // Beyond a double there is nothing wider to move to.
  if (std::isinf(value) && std::isfinite(x) && std::isfinite(y)) return DISP_E_OVERFLOW;
  const Number result = Number::FromReal(value);
  // An R4 result that outgrows a float is kept as R8; a date beyond the calendar has no type.
  if (type == VT_R4 && SUCCEEDED(zrq::ole::StoreNumber(result, VT_R4, out))) return S_OK;
  return zrq::ole::StoreNumber(result, type == VT_R4 ? static_cast<VARTYPE>(VT_R8) : type, out);
}

HRESULT Compute(Operation op, const VARIANT &left, const VARIANT &right, VARIANT *out) {
  if ((left.vt & ~VT_TYPEMASK) || (right.vt & ~VT_TYPEMASK)) return DISP_E_BADVARTYPE;
  const VARTYPE type = ResultType(op, left.vt, right.vt);
  if (type == VT_ERROR) return DISP_E_BADVARTYPE;
  if (type == VT_NULL) {
    out->vt = VT_NULL;
    return S_OK;
  }
  if (type == VT_BSTR) return Concatenate(left, right, out);

  VARTYPE working = VT_R8;
  if (type == VT_UI1 || type == VT_I2 || type == VT_I4 || type == VT_I8) working = VT_I8;
  if (type == VT_CY) working = VT_CY;
  VARIANT a, b;
  HRESULT hr = Convert(left, working, &a);
  if (SUCCEEDED(hr)) hr = Convert(right, working, &b);
  if (FAILED(hr)) return hr;
  switch (working) {
  case VT_I8:
    return IntegerResult(op, type, a.llVal, b.llVal, out);
  case VT_CY:
    return CurrencyResult(op, a.cyVal.int64, b.cyVal.int64, out);
  default:
    return RealResult(op, type, a.dblVal, b.dblVal, out);
  }
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

} // namespace

STDAPI VarMul(LPVARIANT pvarLeft, LPVARIANT pvarRight, LPVARIANT pvarResult) {
  return Arithmetic(Operation::Multiply, pvarLeft, pvarRight, pvarResult);
}

STDAPI VarAdd(LPVARIANT pvarLeft, LPVARIANT pvarRight, LPVARIANT pvarResult) {
  return Arithmetic(Operation::Add, pvarLeft, pvarRight, pvarResult);
}
