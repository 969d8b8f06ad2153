#include "platform/ole/NumberFormat.h"

#include <oleauto.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "platform/ole/VariantNumber.h"

namespace zrq::ole {

namespace {

constexpr int kSingleDigits = 7;
constexpr int kDoubleDigits = 15;

template <class T> std::string Decimal(T value) {
  char buffer[32];
  const auto written = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, written.ptr);
}

void StripFractionZeros(std::string &text) {
  if (text.find('.') == std::string::npos) return;
  text.erase(text.find_last_not_of('0') + 1);
  if (text.back() == '.') text.pop_back();
}

// Ten-thousandths as a decimal number with no more decimals than it needs.
std::string FormatCurrency(int64_t units) {
  const bool negative = units < 0;
  const uint64_t magnitude =
      negative ? 0 - static_cast<uint64_t>(units) : static_cast<uint64_t>(units);
  std::string fraction = Decimal(magnitude % 10000);
  fraction.insert(0, 4 - fraction.size(), '0');
  std::string text = (negative ? "-" : "") + Decimal(magnitude / 10000) + "." + fraction;
  StripFractionZeros(text);
  return text;
}

BSTR AllocateAscii(const std::string &text) {
  BSTR out = SysAllocStringLen(nullptr, static_cast<UINT>(text.size()));
  if (!out) return nullptr;
  for (size_t i = 0; i < text.size(); ++i) out[i] = static_cast<OLECHAR>(text[i]);
  return out;
}

} // namespace

std::string FormatReal(double value, int precision) {
  // Non-finite values keep the spelling they have always had here.
  if (!std::isfinite(value)) return std::isnan(value) ? "nan" : value < 0 ? "-inf" : "inf";
  if (value == 0.0) return "0";
  // The digits correctly rounded, in exponent form: d.ddddde+XX.
  char buffer[64];
  const auto written = std::to_chars(buffer, buffer + sizeof buffer, value,
                                     std::chars_format::scientific, precision - 1);
  std::string scientific(buffer, written.ptr);
  const size_t e = scientific.find('e');
  const int exponent = std::atoi(scientific.c_str() + e + 1);
  std::string mantissa = scientific.substr(0, e);
  if (exponent < -4 || exponent >= precision) {
    StripFractionZeros(mantissa);
    std::string digits = Decimal(std::abs(exponent));
    if (digits.size() < 2) digits.insert(0, 1, '0');
    return mantissa + (exponent < 0 ? "E-" : "E+") + digits;
  }
  // Fixed form with precision significant digits: move the point exponent places.
  const bool negative = mantissa[0] == '-';
  std::string digits;
  for (char c : mantissa) {
    if (c >= '0' && c <= '9') digits += c;
  }
  std::string text;
  if (exponent >= 0) {
    text = digits.substr(0, static_cast<size_t>(exponent) + 1) + "." +
           digits.substr(static_cast<size_t>(exponent) + 1);
  } else {
    text = "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
  }
  StripFractionZeros(text);
  return (negative ? "-" : "") + text;
}

HRESULT FormatNumber(const VARIANT &v, BSTR *out) {
  std::string text;
  const Number n = ReadNumber(v);
  switch (n.kind) {
  case Number::Kind::Signed:
    text = Decimal(n.s);
    break;
  case Number::Kind::Unsigned:
    text = Decimal(n.u);
    break;
  case Number::Kind::Currency:
    text = FormatCurrency(n.s);
    break;
  case Number::Kind::Real:
    text = FormatReal(n.r, v.vt == VT_R4 ? kSingleDigits : kDoubleDigits);
    break;
  }
  *out = AllocateAscii(text);
  return *out ? S_OK : E_OUTOFMEMORY;
}

} // namespace zrq::ole
