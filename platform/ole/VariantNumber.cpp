// Numbers in and out of VARIANTs, with the range rules of each type.
#include "platform/ole/VariantNumber.h"

#include <cfloat>
#include <cmath>
#include <limits>

namespace zrq::ole {

namespace {

constexpr int64_t kCurrencyScale = 10000;
// An I8 takes a real only below 2^62 in magnitude, as the platform's conversion does.
constexpr double kLargestRealForI8 = 4611686018427387904.0;
// An I8 becomes currency only strictly inside +-922337203685477.
constexpr int64_t kCurrencyWholeLimit = std::numeric_limits<int64_t>::max() / kCurrencyScale;
// Dates run from 1 January 100 to 31 December 9999.
constexpr double kFirstDate = -657434.0;
constexpr double kLastDate = 2958465.0;

// Rounds a count of ten-thousandths to whole units, half to even.
int64_t WholeFromCurrency(int64_t units) {
  int64_t whole = units / kCurrencyScale;
  const int64_t rest = units % kCurrencyScale; // same sign as units
  const int64_t twice = 2 * (rest < 0 ? -rest : rest);
  if (twice > kCurrencyScale || (twice == kCurrencyScale && (whole & 1) != 0))
    whole += units < 0 ? -1 : 1;
  return whole;
}

template <class T> HRESULT ToInteger(const Number &n, VARTYPE vt, T *out) {
  using Limits = std::numeric_limits<T>;
  switch (n.kind) {
  case Number::Kind::Signed:
  case Number::Kind::Currency: {
    const int64_t v = n.kind == Number::Kind::Signed ? n.s : WholeFromCurrency(n.s);
    if (v < static_cast<int64_t>(Limits::min())) return DISP_E_OVERFLOW;
    if (v > 0 && static_cast<uint64_t>(v) > static_cast<uint64_t>(Limits::max()))
      return DISP_E_OVERFLOW;
    *out = static_cast<T>(v);
    return S_OK;
  }
  case Number::Kind::Unsigned:
    if (n.u > static_cast<uint64_t>(Limits::max())) return DISP_E_OVERFLOW;
    *out = static_cast<T>(n.u);
    return S_OK;
  case Number::Kind::Real: {
    if (std::isnan(n.r)) return DISP_E_OVERFLOW;
    if (vt == VT_I8 && !(n.r >= -kLargestRealForI8 && n.r < kLargestRealForI8))
      return DISP_E_OVERFLOW;
    const double rounded = RoundHalfToEven(n.r);
    // Both bounds are powers of two, exact in a double; the upper one is max + 1.
    const double upper = std::ldexp(1.0, Limits::digits);
    const double lower = Limits::is_signed ? -upper : 0.0;
    if (!(rounded >= lower && rounded < upper)) return DISP_E_OVERFLOW;
    *out = static_cast<T>(rounded);
    return S_OK;
  }
  }
  return DISP_E_OVERFLOW;
}

HRESULT ToCurrency(const Number &n, int64_t *units) {
  switch (n.kind) {
  case Number::Kind::Currency:
    *units = n.s;
    return S_OK;
  case Number::Kind::Signed:
    if (n.s <= -kCurrencyWholeLimit || n.s >= kCurrencyWholeLimit) return DISP_E_OVERFLOW;
    *units = n.s * kCurrencyScale;
    return S_OK;
  case Number::Kind::Unsigned:
    if (n.u > static_cast<uint64_t>(kCurrencyWholeLimit)) return DISP_E_OVERFLOW;
    *units = static_cast<int64_t>(n.u) * kCurrencyScale;
    return S_OK;
  case Number::Kind::Real:
    return CurrencyFromDouble(n.r, units);
  }
  return DISP_E_OVERFLOW;
}

HRESULT ToFloat(double d, float *out) {
  // Infinity is beyond the range too; NaN passes as it is.
  if (std::fabs(d) > FLT_MAX) return DISP_E_OVERFLOW;
  *out = static_cast<float>(d);
  return S_OK;
}

HRESULT ToDate(double d, DATE *out) {
  if (d <= kFirstDate - 1.0 || d >= kLastDate + 1.0) return DISP_E_OVERFLOW;
  *out = d;
  return S_OK;
}

} // namespace

double Number::AsDouble() const {
  switch (kind) {
  case Kind::Signed:
    return static_cast<double>(s);
  case Kind::Unsigned:
    return static_cast<double>(u);
  case Kind::Real:
    return r;
  case Kind::Currency:
    return static_cast<double>(s) / static_cast<double>(kCurrencyScale);
  }
  return r;
}

bool Number::IsZero() const {
  switch (kind) {
  case Kind::Signed:
  case Kind::Currency:
    return s == 0;
  case Kind::Unsigned:
    return u == 0;
  case Kind::Real:
    return r == 0.0;
  }
  return false;
}

double RoundHalfToEven(double x) {
  double whole = std::floor(x);
  const double fraction = x - whole;
  if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0)) whole += 1.0;
  return whole;
}

HRESULT CurrencyFromDouble(double d, int64_t *units) {
  if (!std::isfinite(d)) return DISP_E_OVERFLOW;
  if (d == 0.0) {
    *units = 0;
    return S_OK;
  }
  // d is mantissa * 2^exponent exactly; ten thousand times it is worked out in 128 bits.
  int exponent = 0;
  const double fraction = std::frexp(std::fabs(d), &exponent);
  const auto mantissa = static_cast<unsigned __int128>(std::ldexp(fraction, 53));
  exponent -= 53;
  if (exponent > 12) return DISP_E_OVERFLOW; // at least 2^65 ten-thousandths
  unsigned __int128 scaled = mantissa * kCurrencyScale;
  if (exponent >= 0) {
    scaled <<= exponent;
  } else if (exponent > -120) {
    const int shift = -exponent;
    const unsigned __int128 rest = scaled & ((static_cast<unsigned __int128>(1) << shift) - 1);
    const unsigned __int128 half = static_cast<unsigned __int128>(1) << (shift - 1);
    scaled >>= shift;
    if (rest > half || (rest == half && (scaled & 1) != 0)) ++scaled;
  } else {
    scaled = 0;
  }
  const bool negative = d < 0.0;
  const auto limit =
      static_cast<unsigned __int128>(std::numeric_limits<int64_t>::max()) + (negative ? 1 : 0);
  if (scaled > limit) return DISP_E_OVERFLOW;
  *units = negative ? static_cast<int64_t>(0 - static_cast<uint64_t>(scaled))
                    : static_cast<int64_t>(scaled);
  return S_OK;
}

bool IsIntegerType(VARTYPE vt) {
  switch (vt) {
  case VT_I1:
  case VT_UI1:
  case VT_I2:
  case VT_UI2:
  case VT_I4:
  case VT_UI4:
  case VT_INT:
  case VT_UINT:
  case VT_I8:
  case VT_UI8:
    return true;
  default:
    return false;
  }
}

size_t IntegerSize(VARTYPE vt) {
  switch (vt) {
  case VT_I1:
  case VT_UI1:
    return 1;
  case VT_I2:
  case VT_UI2:
    return 2;
  case VT_I4:
  case VT_UI4:
  case VT_INT:
  case VT_UINT:
    return 4;
  case VT_I8:
  case VT_UI8:
    return 8;
  default:
    return 0;
  }
}

bool IsNumericType(VARTYPE vt) {
  return IsIntegerType(vt) || vt == VT_BOOL || vt == VT_R4 || vt == VT_R8 || vt == VT_CY ||
         vt == VT_DATE;
}

Number ReadNumber(const VARIANT &v) {
  switch (v.vt) {
  case VT_BOOL:
    return Number::FromSigned(v.boolVal);
  case VT_I1:
    return Number::FromSigned(v.cVal);
  case VT_I2:
    return Number::FromSigned(v.iVal);
  case VT_I4:
    return Number::FromSigned(v.lVal);
  case VT_INT:
    return Number::FromSigned(v.intVal);
  case VT_I8:
    return Number::FromSigned(v.llVal);
  case VT_UI1:
    return Number::FromUnsigned(v.bVal);
  case VT_UI2:
    return Number::FromUnsigned(v.uiVal);
  case VT_UI4:
    return Number::FromUnsigned(v.ulVal);
  case VT_UINT:
    return Number::FromUnsigned(v.uintVal);
  case VT_UI8:
    return Number::FromUnsigned(v.ullVal);
  case VT_R4:
    return Number::FromReal(v.fltVal);
  case VT_R8:
    return Number::FromReal(v.dblVal);
  case VT_DATE:
    return Number::FromReal(v.date);
  case VT_CY:
    return Number::FromCurrency(v.cyVal.int64);
  default:
    return Number::FromSigned(0);
  }
}

HRESULT StoreNumber(const Number &n, VARTYPE vt, VARIANT *out) {
  HRESULT hr = DISP_E_TYPEMISMATCH;
  switch (vt) {
  case VT_I1:
    hr = ToInteger(n, vt, &out->cVal);
    break;
  case VT_UI1:
    hr = ToInteger(n, vt, &out->bVal);
    break;
  case VT_I2:
    hr = ToInteger(n, vt, &out->iVal);
    break;
  case VT_UI2:
    hr = ToInteger(n, vt, &out->uiVal);
    break;
  case VT_I4:
    hr = ToInteger(n, vt, &out->lVal);
    break;
  case VT_UI4:
    hr = ToInteger(n, vt, &out->ulVal);
    break;
  case VT_INT:
    hr = ToInteger(n, vt, &out->intVal);
    break;
  case VT_UINT:
    hr = ToInteger(n, vt, &out->uintVal);
    break;
  case VT_I8:
    hr = ToInteger(n, vt, &out->llVal);
    break;
  case VT_UI8:
    hr = ToInteger(n, vt, &out->ullVal);
    break;
  case VT_R4:
    hr = ToFloat(n.AsDouble(), &out->fltVal);
    break;
  case VT_R8:
    out->dblVal = n.AsDouble(), hr = S_OK;
    break;
  case VT_DATE:
    hr = ToDate(n.AsDouble(), &out->date);
    break;
  case VT_CY:
    hr = ToCurrency(n, &out->cyVal.int64);
    break;
  case VT_BOOL:
    out->boolVal = n.IsZero() ? VARIANT_FALSE : VARIANT_TRUE;
    hr = S_OK;
    break;
  default:
    break;
  }
  if (SUCCEEDED(hr)) out->vt = vt;
  return hr;
}

} // namespace zrq::ole
