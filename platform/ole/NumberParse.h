// Numbers read from text the way OLE Automation reads them, with the C locale's characters
// (a full stop before the fraction, a comma between thousands) whatever the process locale:
// blanks around the number, a sign in front or behind, parentheses for a negative amount,
// thousands separators among the digits, an exponent, and &H / &O for hexadecimal and octal.
// The text ends at its first NUL.
#pragma once

#include <oaidl.h>

#include <cstdint>
#include <string>

namespace zrq::ole {

struct ParsedNumber {
  enum class Radix { Decimal, Hexadecimal, Octal };
  Radix radix = Radix::Decimal;
  bool negative = false;
  // Decimal: the value is digits * 10^exponent, digits without leading or trailing zeros
  // (empty for zero).
  std::string digits;
  int64_t exponent = 0;
  // Hexadecimal and octal: the bits, unless they did not fit 64 bits.
  uint64_t bits = 0;
  bool bitsOverflowed = false;
};

// Reads text (null reads as no number). S_OK, or DISP_E_TYPEMISMATCH when it is not a number.
HRESULT ParseNumberText(const OLECHAR *text, ParsedNumber *out);

// Writes the parsed number as a value of the numeric type vt (not BOOL or DATE): integers
// round half to even from the decimal digits, reals are the nearest value. DISP_E_OVERFLOW
// when it does not fit.
HRESULT StoreParsedNumber(const ParsedNumber &number, VARTYPE vt, VARIANT *out);

// The white space OLE Automation allows around a number.
bool IsNumberSpace(OLECHAR c);

} // namespace zrq::ole
