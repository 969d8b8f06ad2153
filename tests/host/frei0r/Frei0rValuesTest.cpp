// frei0r's 0..1 numbers become the percentages and effects a user meant.
#include "host/frei0r/Frei0rValues.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <random>
#include <string>

namespace {

TEST(Frei0rValues, AFractionTypedInDecimalIsThePercentageTypedInDecimal) {
  // Every whole percentage, including those whose fraction times 100 misses it (0.29, 0.57).
  for (int k = 0; k <= 100; ++k) EXPECT_EQ(PercentOfFraction(k / 100.0), double(k)) << k;
  // Decimals with up to six places: the percentage is the double read from the same digits
  // with the point moved.
  std::mt19937 random(7);
  for (int i = 0; i < 20000; ++i) {
    const size_t places = 1 + random() % 6;
    std::string digits;
    for (size_t d = 0; d < places; ++d) digits += char('0' + random() % 10);
    const std::string fraction = "0." + digits;
    digits.resize(std::max<size_t>(places, 2), '0');
    const std::string percent = digits.substr(0, 2) + "." + digits.substr(2);
    double typed = 0.0, expected = 0.0;
    std::from_chars(fraction.data(), fraction.data() + fraction.size(), typed);
    std::from_chars(percent.data(), percent.data() + percent.size(), expected);
    ASSERT_EQ(PercentOfFraction(typed), expected) << fraction << " -> " << percent;
  }
}

TEST(Frei0rValues, PercentagesStayWithinRangeWhateverTheHostSends) {
  EXPECT_EQ(PercentOfFraction(-0.5), 0.0);
  EXPECT_EQ(PercentOfFraction(1.5), 100.0);
  EXPECT_EQ(PercentOfFraction(std::numeric_limits<double>::quiet_NaN()), 0.0);
  EXPECT_EQ(PercentOfFraction(std::numeric_limits<double>::infinity()), 100.0);
  EXPECT_EQ(PercentOfFraction(-std::numeric_limits<double>::infinity()), 0.0);
  EXPECT_EQ(PercentOfFraction(1e-300), 1e-298);
}

TEST(Frei0rValues, EachEffectOwnsATenthInIdentifierOrder) {
  for (LONG id = WaveEffectId; id <= PanelRotateEffectId; ++id) {
    const double start = FractionOfEffect(EffectId(id));
    EXPECT_EQ(EffectOfFraction(start), id) << start;
    EXPECT_EQ(EffectOfFraction(start + 0.05), id) << start;
    EXPECT_EQ(EffectOfFraction(start + 0.0999), id) << start;
  }
  EXPECT_EQ(EffectOfFraction(1.0), PanelRotateEffectId);
  EXPECT_EQ(EffectOfFraction(7.0), PanelRotateEffectId);
  EXPECT_EQ(EffectOfFraction(-1.0), WaveEffectId);
  EXPECT_EQ(EffectOfFraction(std::numeric_limits<double>::quiet_NaN()), WaveEffectId);
}

} // namespace
