// Text to numbers. The grammar is OLE Automation's for VariantChangeType: leading blanks,
// signs, an opening parenthesis; then &H or &O and their digits, or decimal digits with
// thousands separators, a decimal point and an exponent; then trailing blanks, separators,
// a sign or the closing parenthesis. Everything must be used up.
#include "platform/ole/NumberParse.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <limits>

#include <locale.h>

#include "platform/ole/VariantNumber.h"

namespace zrq::ole {

namespace {

constexpr OLECHAR kDecimalPoint = u'.';
constexpr OLECHAR kThousands = u',';
// Exponents are added up no further than this; beyond it every value is zero or too large.
constexpr int64_t kExponentLimit = 100000;

bool IsDigit(OLECHAR c) { return c >= u'0' && c <= u'9'; }

int HexDigit(OLECHAR c) {
  if (IsDigit(c)) return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// The C locale, for strtod: from_chars refuses the values below the smallest double.
locale_t ClassicLocale() {
  static const locale_t classic = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return classic;
}

struct Signs {
  bool leadingPlus = false;
  bool leadingMinus = false;
  bool parenthesis = false;
};

class Parser {
public:
  explicit Parser(const OLECHAR *text) : at(text) {}

  HRESULT Run(ParsedNumber *out) {
    if (!ReadLeading(out)) return DISP_E_TYPEMISMATCH;
    ReadRadix(out);
    while (*at == u'0') ++at, sawZero = true;
    if (!ReadBody(out)) return DISP_E_TYPEMISMATCH;
    ReadTrailing(out);
    // An opening parenthesis needs its closing one (or a minus sign).
    if (signs.parenthesis && !out->negative) return DISP_E_TYPEMISMATCH;
    if (*at != 0 || (!sawDigit && !sawZero)) return DISP_E_TYPEMISMATCH;
    Normalise(out);
    return S_OK;
  }

private:
  // Blanks, one plus, one minus and one opening parenthesis, in any order. A thousands
  // separator before the first digit makes the text no number.
  bool ReadLeading(ParsedNumber *out) {
    for (;;) {
      const OLECHAR c = *at;
      if (IsNumberSpace(c)) {
        ++at;
      } else if (c == kThousands) {
        return false;
      } else if (c == u'+' && !signs.leadingPlus) {
        signs.leadingPlus = true, ++at;
      } else if (c == u'-' && !signs.leadingMinus) {
        signs.leadingMinus = true, out->negative = true, ++at;
      } else if (c == u'(' && !signs.parenthesis) {
        signs.parenthesis = true, ++at;
      } else {
        return true;
      }
    }
  }

  void ReadRadix(ParsedNumber *out) {
    if (at[0] != u'&') return;
    if (at[1] == u'H' || at[1] == u'h') {
      out->radix = ParsedNumber::Radix::Hexadecimal;
    } else if (at[1] == u'O' || at[1] == u'o') {
      out->radix = ParsedNumber::Radix::Octal;
    } else {
      return;
    }
    at += 2;
  }

  void AddBits(ParsedNumber *out, unsigned digit) {
    const unsigned shift = out->radix == ParsedNumber::Radix::Hexadecimal ? 4 : 3;
    if (out->bits >> (64 - shift) != 0) out->bitsOverflowed = true;
    out->bits = (out->bits << shift) | digit;
  }

  bool ReadBody(ParsedNumber *out) {
    const bool decimal = out->radix == ParsedNumber::Radix::Decimal;
    const bool octal = out->radix == ParsedNumber::Radix::Octal;
    bool point = false, exponent = false;
    for (;; ++at) {
      const OLECHAR c = *at;
      const int hex = out->radix == ParsedNumber::Radix::Hexadecimal ? HexDigit(c) : -1;
      if (hex >= 0 || (IsDigit(c) && !(octal && c >= u'8'))) {
        sawDigit = true;
        if (decimal) {
          out->digits += static_cast<char>(c);
          if (point) --out->exponent;
        } else {
          AddBits(out, static_cast<unsigned>(hex >= 0 ? hex : c - u'0'));
        }
      } else if (decimal && c == kThousands) {
        // Separators may stand anywhere among the digits, even after the point.
      } else if (decimal && c == kDecimalPoint && !point && !exponent) {
        point = true;
      } else if (decimal && (c == u'e' || c == u'E') && !exponent) {
        exponent = true;
        if (!ReadExponent(out)) return false;
        --at;
      } else {
        return true;
      }
    }
  }

  // After the E: any plus or minus signs, then at least one digit.
  bool ReadExponent(ParsedNumber *out) {
    ++at;
    bool negative = false;
    for (; *at == u'+' || *at == u'-'; ++at) negative = negative || *at == u'-';
    if (!IsDigit(*at)) return false;
    int64_t value = 0;
    for (; IsDigit(*at); ++at) value = std::min(value * 10 + (*at - u'0'), kExponentLimit);
    out->exponent += negative ? -value : value;
    return true;
  }

  void ReadTrailing(ParsedNumber *out) {
    for (;;) {
      const OLECHAR c = *at;
      if (c == kThousands && out->radix == ParsedNumber::Radix::Decimal) {
        ++at;
      } else if (IsNumberSpace(c)) {
        ++at;
      } else if (c == u'+' && !signs.leadingPlus) {
        ++at;
      } else if (c == u'-' && !signs.leadingMinus) {
        out->negative = true, ++at;
      } else if (c == u')' && signs.parenthesis) {
        out->negative = true, ++at;
      } else {
        return;
      }
    }
  }

  // Strips the zeros around the digits into the exponent.
  static void Normalise(ParsedNumber *out) {
    std::string &digits = out->digits;
    const size_t first = digits.find_first_not_of('0');
    if (first == std::string::npos) {
      digits.clear();
      out->exponent = 0;
      return;
    }
    const size_t last = digits.find_last_not_of('0');
    out->exponent += static_cast<int64_t>(digits.size() - 1 - last);
    digits = digits.substr(first, last - first + 1);
  }

  const OLECHAR *at;
  Signs signs;
  bool sawDigit = false;
  bool sawZero = false;
};

// The decimal number rounded half to even to an integer magnitude; false when it is beyond
// 64 bits.
bool DecimalMagnitude(const ParsedNumber &number, uint64_t *magnitude) {
  const std::string &digits = number.digits;
  const int64_t wholeDigits = static_cast<int64_t>(digits.size()) + number.exponent;
  if (wholeDigits > 20) return false;
  unsigned __int128 value = 0;
  for (int64_t i = 0; i < wholeDigits; ++i) {
    value = value * 10 +
            (i < static_cast<int64_t>(digits.size()) ? digits[static_cast<size_t>(i)] - '0' : 0);
  }
  // The fraction's first digit decides, the rest only break a tie; digits hold no trailing zeros.
  const int64_t firstFraction = std::max<int64_t>(wholeDigits, 0);
  if (wholeDigits >= 0 && firstFraction < static_cast<int64_t>(digits.size())) {
    const char decider = digits[static_cast<size_t>(firstFraction)];
    const bool more = firstFraction + 1 < static_cast<int64_t>(digits.size());
    if (decider > '5' || (decider == '5' && (more || (value & 1) != 0))) ++value;
  }
  if (value > std::numeric_limits<uint64_t>::max()) return false;
  *magnitude = static_cast<uint64_t>(value);
  return true;
}

// The nearest double; DISP_E_OVERFLOW beyond the largest.
HRESULT DecimalToDouble(const ParsedNumber &number, double *out) {
  double value = 0.0;
  if (!number.digits.empty()) {
    const std::string text = number.digits + "e" + std::to_string(number.exponent);
    value = strtod_l(text.c_str(), nullptr, ClassicLocale());
    if (std::isinf(value)) return DISP_E_OVERFLOW;
  }
  *out = number.negative ? -value : value;
  return S_OK;
}

// Hexadecimal and octal numbers are bit patterns: an integer type takes them when they fit
// its width, whatever its sign. A real takes them up to 0x7FFFFFFF as they stand and
// 0x80000000 as the most negative LONG; currency takes none.
HRESULT StoreBits(const ParsedNumber &number, VARTYPE vt, VARIANT *out) {
  if (number.bitsOverflowed) return DISP_E_OVERFLOW;
  const uint64_t bits = number.bits;
  if (IsIntegerType(vt)) {
    const size_t size = IntegerSize(vt);
    if (size < 8 && (bits >> (8 * size)) != 0) return DISP_E_OVERFLOW;
    out->ullVal = bits; // the narrower arms are the low bytes on this little-endian target
    out->vt = vt;
    return S_OK;
  }
  if (vt == VT_R4 || vt == VT_R8) {
    if (bits > 0x80000000u) return DISP_E_OVERFLOW;
    const double value = bits == 0x80000000u ? -2147483648.0 : static_cast<double>(bits);
    return StoreNumber(Number::FromReal(value), vt, out);
  }
  return DISP_E_OVERFLOW;
}

HRESULT StoreDecimal(const ParsedNumber &number, VARTYPE vt, VARIANT *out) {
  if (IsIntegerType(vt)) {
    uint64_t magnitude = 0;
    if (!DecimalMagnitude(number, &magnitude)) return DISP_E_OVERFLOW;
    // Zero is not negative.
    if (!number.negative || magnitude == 0)
      return StoreNumber(Number::FromUnsigned(magnitude), vt, out);
    if (magnitude > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) + 1)
      return DISP_E_OVERFLOW;
    return StoreNumber(Number::FromSigned(static_cast<int64_t>(0 - magnitude)), vt, out);
  }
  double value = 0.0;
  const HRESULT hr = DecimalToDouble(number, &value);
  if (FAILED(hr)) return hr;
  if (vt == VT_R4) {
    // A float takes what rounds to a finite float, but nothing below its smallest normal.
    const float rounded = static_cast<float>(value);
    if (std::isinf(rounded) || (value != 0.0 && std::fabs(value) < FLT_MIN)) return DISP_E_OVERFLOW;
    out->vt = VT_R4;
    out->fltVal = rounded;
    return S_OK;
  }
  return StoreNumber(Number::FromReal(value), vt, out);
}

} // namespace

bool IsNumberSpace(OLECHAR c) {
  return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
         (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
         c == 0x3000;
}

HRESULT ParseNumberText(const OLECHAR *text, ParsedNumber *out) {
  *out = ParsedNumber();
  if (!text) return DISP_E_TYPEMISMATCH;
  return Parser(text).Run(out);
}

HRESULT StoreParsedNumber(const ParsedNumber &number, VARTYPE vt, VARIANT *out) {
  if (number.radix != ParsedNumber::Radix::Decimal) return StoreBits(number, vt, out);
  return StoreDecimal(number, vt, out);
}

} // namespace zrq::ole
