// Numbers in and out of VARIANTs. Text is read and written with from_chars and to_chars,
// which ignore the process locale: "1.5" means one and a half wherever we run.
#include "platform/ole/VariantNumber.h"

#include <oleauto.h>

#include <cfloat>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

#include <locale.h>

namespace zrq::ole {

namespace {

constexpr double kCurrencyScale = 10000.0;

template <class T>
HRESULT ToInteger(const Number &n, T *out) {
  using Limits = std::numeric_limits<T>;
  switch (n.kind) {
    case Number::Kind::Signed:
      if (n.s < static_cast<int64_t>(Limits::min())) return DISP_E_OVERFLOW;
      if (n.s > 0 && static_cast<uint64_t>(n.s) > static_cast<uint64_t>(Limits::max())) return DISP_E_OVERFLOW;
      *out = static_cast<T>(n.s);
      return S_OK;
    case Number::Kind::Unsigned:
      if (n.u > static_cast<uint64_t>(Limits::max())) return DISP_E_OVERFLOW;
      *out = static_cast<T>(n.u);
      return S_OK;
    case Number::Kind::Real: {
      if (std::isnan(n.r)) return DISP_E_OVERFLOW;
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

HRESULT ToFloat(double d, float *out) {
  if (std::isfinite(d) && std::fabs(d) > FLT_MAX) return DISP_E_OVERFLOW;
  *out = static_cast<float>(d);
  return S_OK;
}

bool IsBlank(OLECHAR c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f'; }

// The C locale, for the one case from_chars leaves to strtod: a number too small for a double.
locale_t ClassicLocale() {
  static const locale_t classic = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return classic;
}

BSTR AllocateAscii(const char *text, size_t length) {
  BSTR out = SysAllocStringLen(nullptr, static_cast<UINT>(length));
  if (!out) return nullptr;
  for (size_t i = 0; i < length; ++i) out[i] = static_cast<OLECHAR>(text[i]);
  return out;
}

}  // namespace

double Number::AsDouble() const {
  switch (kind) {
    case Kind::Signed:
      return static_cast<double>(s);
    case Kind::Unsigned:
      return static_cast<double>(u);
    case Kind::Real:
      return r;
  }
  return r;
}

double RoundHalfToEven(double x) {
  double whole = std::floor(x);
  const double fraction = x - whole;
  if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0)) whole += 1.0;
  return whole;
}

bool IsNumericType(VARTYPE vt) {
  switch (vt) {
    case VT_BOOL: case VT_I1: case VT_UI1: case VT_I2: case VT_UI2: case VT_I4: case VT_UI4:
    case VT_INT: case VT_UINT: case VT_I8: case VT_UI8: case VT_R4: case VT_R8: case VT_CY:
    case VT_DATE:
      return true;
    default:
      return false;
  }
}

Number ReadNumber(const VARIANT &v) {
  switch (v.vt) {
    case VT_BOOL: return Number::FromSigned(v.boolVal);
    case VT_I1: return Number::FromSigned(v.cVal);
    case VT_I2: return Number::FromSigned(v.iVal);
    case VT_I4: return Number::FromSigned(v.lVal);
    case VT_INT: return Number::FromSigned(v.intVal);
    case VT_I8: return Number::FromSigned(v.llVal);
    case VT_UI1: return Number::FromUnsigned(v.bVal);
    case VT_UI2: return Number::FromUnsigned(v.uiVal);
    case VT_UI4: return Number::FromUnsigned(v.ulVal);
    case VT_UINT: return Number::FromUnsigned(v.uintVal);
    case VT_UI8: return Number::FromUnsigned(v.ullVal);
    case VT_R4: return Number::FromReal(v.fltVal);
    case VT_R8: return Number::FromReal(v.dblVal);
    case VT_DATE: return Number::FromReal(v.date);
    case VT_CY: return Number::FromReal(static_cast<double>(v.cyVal.int64) / kCurrencyScale);
    default: return Number::FromSigned(0);
  }
}

HRESULT StoreNumber(const Number &n, VARTYPE vt, VARIANT *out) {
  HRESULT hr = DISP_E_TYPEMISMATCH;
  switch (vt) {
    case VT_I1: hr = ToInteger(n, &out->cVal); break;
    case VT_UI1: hr = ToInteger(n, &out->bVal); break;
    case VT_I2: hr = ToInteger(n, &out->iVal); break;
    case VT_UI2: hr = ToInteger(n, &out->uiVal); break;
    case VT_I4: hr = ToInteger(n, &out->lVal); break;
    case VT_UI4: hr = ToInteger(n, &out->ulVal); break;
    case VT_INT: hr = ToInteger(n, &out->intVal); break;
    case VT_UINT: hr = ToInteger(n, &out->uintVal); break;
    case VT_I8: hr = ToInteger(n, &out->llVal); break;
    case VT_UI8: hr = ToInteger(n, &out->ullVal); break;
    case VT_R4: hr = ToFloat(n.AsDouble(), &out->fltVal); break;
    case VT_R8: out->dblVal = n.AsDouble(), hr = S_OK; break;
    case VT_DATE: out->date = n.AsDouble(), hr = S_OK; break;
    case VT_BOOL:
      out->boolVal = (n.kind == Number::Kind::Real ? n.r != 0.0 : (n.s != 0 || n.u != 0)) ? VARIANT_TRUE : VARIANT_FALSE;
      hr = S_OK;
      break;
    case VT_CY: {
      Number scaled = n;
      if (n.kind != Number::Kind::Real) scaled = Number::FromReal(n.AsDouble());
      scaled.r *= kCurrencyScale;
      hr = ToInteger(scaled, &out->cyVal.int64);
      break;
    }
    default: break;
  }
  if (SUCCEEDED(hr)) out->vt = vt;
  return hr;
}

HRESULT ParseNumber(const OLECHAR *text, size_t length, Number *out) {
  if (!text) return DISP_E_TYPEMISMATCH;
  size_t begin = 0;
  size_t end = length;
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  if (begin == end) return DISP_E_TYPEMISMATCH;

  std::string ascii;
  ascii.reserve(end - begin);
  for (size_t i = begin; i < end; ++i) {
    if (text[i] > 0x7F) return DISP_E_TYPEMISMATCH;
    ascii += static_cast<char>(text[i]);
  }
  // from_chars takes no plus sign; one is allowed in front of the digits.
  if (ascii[0] == '+') {
    if (ascii.size() == 1 || ascii[1] == '-' || ascii[1] == '+') return DISP_E_TYPEMISMATCH;
    ascii.erase(0, 1);
  }
  const char *first = ascii.data();
  const char *last = first + ascii.size();

  int64_t whole = 0;
  auto [wholeEnd, wholeError] = std::from_chars(first, last, whole);
  if (wholeEnd == last && wholeError == std::errc()) {
    *out = Number::FromSigned(whole);
    return S_OK;
  }
  if (wholeEnd == last && wholeError == std::errc::result_out_of_range && ascii[0] != '-') {
    uint64_t big = 0;
    auto [bigEnd, bigError] = std::from_chars(first, last, big);
    if (bigEnd == last && bigError == std::errc()) {
      *out = Number::FromUnsigned(big);
      return S_OK;
    }
  }

  // Only decimal text: no "inf", "nan" or hexadecimal floats.
  for (char c : ascii) {
    if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == 'e' || c == 'E' || c == '+')) return DISP_E_TYPEMISMATCH;
  }
  double real = 0.0;
  auto [realEnd, realError] = std::from_chars(first, last, real, std::chars_format::general);
  if (realEnd != last) return DISP_E_TYPEMISMATCH;
  if (realError == std::errc::result_out_of_range) {
    // Out of range is either beyond a double (overflow) or below its smallest value, which
    // strtod in the C locale turns into zero or a subnormal.
    real = strtod_l(ascii.c_str(), nullptr, ClassicLocale());
    if (std::isinf(real)) return DISP_E_OVERFLOW;
  } else if (realError != std::errc()) {
    return DISP_E_TYPEMISMATCH;
  }
  *out = Number::FromReal(real);
  return S_OK;
}

HRESULT FormatNumber(const VARIANT &v, BSTR *out) {
  char buffer[64];
  std::to_chars_result written{};
  const Number n = ReadNumber(v);
  if (v.vt == VT_R4) {
    written = std::to_chars(buffer, buffer + sizeof buffer, v.fltVal);
  } else if (n.kind == Number::Kind::Real) {
    written = std::to_chars(buffer, buffer + sizeof buffer, n.r);
  } else if (n.kind == Number::Kind::Signed) {
    written = std::to_chars(buffer, buffer + sizeof buffer, n.s);
  } else {
    written = std::to_chars(buffer, buffer + sizeof buffer, n.u);
  }
  if (written.ec != std::errc()) return E_FAIL;
  for (char *c = buffer; c != written.ptr; ++c) {
    if (*c == 'e') *c = 'E';
  }
  *out = AllocateAscii(buffer, static_cast<size_t>(written.ptr - buffer));
  return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace zrq::ole
