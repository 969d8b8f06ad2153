// What the page's number fields read and write.
#include <gtest/gtest.h>

#include "proppage/FieldNumber.h"
#include "proppage/NearestInteger.h"

namespace {

TEST(FieldNumber, ReadsTheLeadingDecimalInteger) {
  EXPECT_EQ(ReadFieldNumber(u"42"), 42);
  EXPECT_EQ(ReadFieldNumber(u"7x"), 7);
  EXPECT_EQ(ReadFieldNumber(u" \t-12 apples"), -12);
  EXPECT_EQ(ReadFieldNumber(u"+5"), 5);
  EXPECT_EQ(ReadFieldNumber(u"007"), 7);
}

TEST(FieldNumber, TextWithoutANumberReadsNothing) {
  EXPECT_EQ(ReadFieldNumber(u""), std::nullopt);
  EXPECT_EQ(ReadFieldNumber(u"abc"), std::nullopt);
  EXPECT_EQ(ReadFieldNumber(u"-"), std::nullopt);
  EXPECT_EQ(ReadFieldNumber(u"- 5"), std::nullopt);
  EXPECT_EQ(ReadFieldNumber(u"x7"), std::nullopt);
}

TEST(FieldNumber, NumbersBeyondThirtyTwoBitsAreRefused) {
  EXPECT_EQ(ReadFieldNumber(u"2147483647"), INT32_MAX);
  EXPECT_EQ(ReadFieldNumber(u"-2147483648"), INT32_MIN);
  EXPECT_EQ(ReadFieldNumber(u"2147483648"), std::nullopt);
  EXPECT_EQ(ReadFieldNumber(u"-2147483649"), std::nullopt);
  EXPECT_EQ(ReadFieldNumber(u"99999999999999999999999999999"), std::nullopt);
}

TEST(FieldNumber, WritesUnsignedUnlessAskedForASign) {
  EXPECT_EQ(FieldNumberText(80, false), u"80");
  EXPECT_EQ(FieldNumberText(-1, true), u"-1");
  EXPECT_EQ(FieldNumberText(-1, false), u"4294967295");
}

TEST(NearestInteger, HalvesGoAwayFromZero) {
  EXPECT_EQ(NearestInteger(12.5), 13);
  EXPECT_EQ(NearestInteger(12.4), 12);
  EXPECT_EQ(NearestInteger(0.125 * 100.0), 13);
  EXPECT_EQ(NearestInteger(0.124 * 100.0), 12);
  EXPECT_EQ(NearestInteger(0.29 * 100.0), 29); // 28.999999999999996
  EXPECT_EQ(NearestInteger(-12.5), -13);
  EXPECT_EQ(NearestInteger(-12.4), -12);
  EXPECT_EQ(NearestInteger(0.0), 0);
}

TEST(NearestInteger, ValuesOutsideThirtyTwoBitsSaturate) {
  EXPECT_EQ(NearestInteger(1e300), INT32_MAX);
  EXPECT_EQ(NearestInteger(-1e300), INT32_MIN);
  EXPECT_EQ(NearestInteger(std::numeric_limits<double>::infinity()), INT32_MAX);
  EXPECT_EQ(NearestInteger(std::numeric_limits<double>::quiet_NaN()), 0);
}

} // namespace
