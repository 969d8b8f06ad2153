#include "host/frei0r/Frei0rValues.h"

#include "effect/EffectCatalog.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string_view>

double PercentOfFraction(double fraction) {
  if (!(fraction > 0.0)) // also not-a-number
    return 0.0;
  if (fraction >= 1.0) return 100.0;
  // The shortest digits that read back as the fraction, in the form d.ddde-XX; moving the
  // decimal point two places is adding 2 to the exponent, and reading the digits back rounds
  // once, to the double nearest the decimal percentage.
  char text[64];
  std::to_chars_result written =
      std::to_chars(text, text + sizeof text, fraction, std::chars_format::scientific);
  std::string_view digits(text, size_t(written.ptr - text));
  size_t e = digits.find('e');
  int exponent = 0;
  std::from_chars(digits.data() + e + 1 + (digits[e + 1] == '+'), digits.data() + digits.size(),
                  exponent);
  char shifted[80];
  int length =
      std::snprintf(shifted, sizeof shifted, "%.*se%d", int(e), digits.data(), exponent + 2);
  double percent = 0.0;
  std::from_chars(shifted, shifted + length, percent);
  return percent;
}

EffectId EffectOfFraction(double fraction) {
  if (!(fraction > 0.0)) return EffectId(FirstEffectId);
  // The tenths are read on the decimal digits too, so no fraction a user types at the start
  // of a tenth lands a hair short of it.
  double tenth = std::floor(PercentOfFraction(fraction) / 10.0);
  return EffectId(FirstEffectId + std::min(LONG(tenth), LONG(LastEffectId - FirstEffectId)));
}

double FractionOfEffect(EffectId id) { return double(id - FirstEffectId) / 10.0; }
