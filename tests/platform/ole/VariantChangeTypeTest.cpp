#include <gtest/gtest.h>

#include <cfloat>
#include <clocale>
#include <cmath>
#include <limits>

#include "platform/ole/VariantTestSupport.h"

namespace {

struct NumericCase {
  VARTYPE from;
  double value;
  VARTYPE to;
  HRESULT expected;
  double result;
};

TEST(VariantChangeType, NumericTable) {
  const NumericCase cases[] = {
      // Rounding to integers is half to even, in both signs.
      {VT_R8, 0.5, VT_I4, S_OK, 0},
      {VT_R8, 1.5, VT_I4, S_OK, 2},
      {VT_R8, 2.5, VT_I2, S_OK, 2},
      {VT_R8, -1.5, VT_I4, S_OK, -2},
      {VT_R8, -2.5, VT_I8, S_OK, -2},
      {VT_R8, 2.4999, VT_I4, S_OK, 2},
      {VT_R8, -0.4, VT_UI1, S_OK, 0},
      {VT_R4, 3.5f, VT_UI1, S_OK, 4},
      // Range edges after rounding.
      {VT_R8, -32768.5, VT_I2, S_OK, -32768},
      {VT_R8, 32767.5, VT_I2, DISP_E_OVERFLOW, 0},
      {VT_R8, 32767.4, VT_I2, S_OK, 32767},
      {VT_R8, 255.5, VT_UI1, DISP_E_OVERFLOW, 0},
      {VT_R8, -0.6, VT_UI1, DISP_E_OVERFLOW, 0},
      {VT_R8, 2147483647.0, VT_I4, S_OK, 2147483647.0},
      {VT_R8, 2147483648.0, VT_I4, DISP_E_OVERFLOW, 0},
      {VT_R8, 9223372036854775808.0, VT_I8, DISP_E_OVERFLOW, 0},
      {VT_R8, 1e300, VT_R4, DISP_E_OVERFLOW, 0},
      {VT_I4, 70000, VT_I2, DISP_E_OVERFLOW, 0},
      {VT_I4, -1, VT_UI2, DISP_E_OVERFLOW, 0},
      {VT_I2, -129, VT_I1, DISP_E_OVERFLOW, 0},
      {VT_I2, -128, VT_I1, S_OK, -128},
      {VT_UI4, 4294967295.0, VT_I8, S_OK, 4294967295.0},
      // Integers of one width carry their bits over whatever their signs.
      {VT_I1, -1, VT_UI1, S_OK, 255},
      {VT_UI2, 65535, VT_I2, S_OK, -1},
      {VT_I4, -1, VT_UI4, S_OK, 4294967295.0},
      {VT_UI4, 4294967295.0, VT_I4, S_OK, -1},
      // A real beyond a float overflows, infinity included; NaN fits no integer.
      {VT_R8, std::numeric_limits<double>::infinity(), VT_R4, DISP_E_OVERFLOW, 0},
      {VT_R8, std::numeric_limits<double>::quiet_NaN(), VT_I4, DISP_E_OVERFLOW, 0},
      // I8 takes reals below 2^62 only; dates run from the year 100 to 9999.
      {VT_R8, 4611686018427387904.0, VT_I8, DISP_E_OVERFLOW, 0},
      {VT_R8, -4611686018427387904.0, VT_I8, S_OK, -4611686018427387904.0},
      {VT_R8, 2958465.9, VT_DATE, S_OK, 2958465.9},
      {VT_R8, 2958466.0, VT_DATE, DISP_E_OVERFLOW, 0},
      {VT_I4, -657435, VT_DATE, DISP_E_OVERFLOW, 0},
      // Widening is exact; BOOL reads as -1 and 0.
      {VT_I2, -7, VT_R8, S_OK, -7},
      {VT_R4, 0.1f, VT_R8, S_OK, static_cast<double>(0.1f)},
      {VT_BOOL, 1, VT_R8, S_OK, -1},
      {VT_BOOL, 1, VT_I2, S_OK, -1},
      {VT_BOOL, 0, VT_I4, S_OK, 0},
      {VT_BOOL, 1, VT_UI1, S_OK, 255},
      {VT_BOOL, 1, VT_UI2, S_OK, 65535},
      {VT_I4, 5, VT_BOOL, S_OK, -1},
      {VT_R8, 0.25, VT_BOOL, S_OK, -1},
      {VT_R8, 0.0, VT_BOOL, S_OK, 0},
      // Empty is zero of the target; null and errors are not numbers.
      {VT_EMPTY, 0, VT_R8, S_OK, 0},
      {VT_EMPTY, 0, VT_I2, S_OK, 0},
      {VT_NULL, 0, VT_I4, DISP_E_TYPEMISMATCH, 0},
      {VT_ERROR, 5, VT_I4, DISP_E_TYPEMISMATCH, 0},
      {VT_I4, 5, VT_ERROR, DISP_E_TYPEMISMATCH, 0},
  };
  for (const NumericCase &c : cases) {
    SCOPED_TRACE(testing::Message()
                 << "from vt " << c.from << " value " << c.value << " to vt " << c.to);
    CComVariant src = Typed(c.from, c.value);
    CComVariant dest = Typed(VT_I4, 424242);
    EXPECT_EQ(VariantChangeType(&dest, &src, 0, c.to), c.expected);
    if (c.expected == S_OK) {
      EXPECT_EQ(dest.vt, c.to);
      if (c.to == VT_UI1) {
        EXPECT_EQ(dest.bVal, c.result);
      } else if (c.to == VT_UI2) {
        EXPECT_EQ(dest.uiVal, c.result);
      } else if (c.to == VT_UI4) {
        EXPECT_EQ(dest.ulVal, c.result);
      } else if (c.to == VT_BOOL) {
        EXPECT_EQ(dest.boolVal, c.result);
      } else {
        EXPECT_EQ(NumberOf(dest), c.result);
      }
    } else {
      EXPECT_EQ(dest.vt, VT_I4); // a failed conversion leaves the destination alone
      EXPECT_EQ(dest.lVal, 424242);
    }
  }
}

CComVariant Currency(LONGLONG units) {
  CComVariant v;
  v.vt = VT_CY;
  v.cyVal.int64 = units;
  return v;
}

TEST(VariantChangeType, CurrencyConvertsExactly) {
  // I8 becomes currency strictly inside +-922337203685477, to the last digit.
  CComVariant i8, cy;
  i8.vt = VT_I8;
  i8.llVal = 922337203685476;
  ASSERT_EQ(VariantChangeType(&cy, &i8, 0, VT_CY), S_OK);
  EXPECT_EQ(cy.cyVal.int64, 9223372036854760000);
  i8.llVal = 922337203685477;
  EXPECT_EQ(VariantChangeType(&cy, &i8, 0, VT_CY), DISP_E_OVERFLOW);
  // A double's exact value, rounded half to even at the ten-thousandth.
  CComVariant half = Typed(VT_R8, 922337203685477.5);
  ASSERT_EQ(VariantChangeType(&cy, &half, 0, VT_CY), S_OK);
  EXPECT_EQ(cy.cyVal.int64, 9223372036854775000);
  CComVariant tie = Typed(VT_R8, 0.00005); // a little above the tie in binary
  ASSERT_EQ(VariantChangeType(&cy, &tie, 0, VT_CY), S_OK);
  EXPECT_EQ(cy.cyVal.int64, 1);
  // Back to integers half to even, negative amounts too.
  for (const auto &[units, whole] :
       {std::pair{LONGLONG{-25000}, LONGLONG{-2}}, std::pair{LONGLONG{-15000}, LONGLONG{-2}},
        std::pair{LONGLONG{-10000}, LONGLONG{-1}}, std::pair{LONGLONG{5001}, LONGLONG{1}}}) {
    CComVariant amount = Currency(units), integer;
    ASSERT_EQ(VariantChangeType(&integer, &amount, 0, VT_I8), S_OK);
    EXPECT_EQ(integer.llVal, whole) << units;
  }
}

CComVariant MaxUi8() {
  CComVariant v;
  v.vt = VT_UI8;
  v.ullVal = UINT64_MAX;
  return v;
}

TEST(VariantChangeType, NumbersToText) {
  struct Case {
    CComVariant value;
    const char *text;
  };
  // R8 with 15 significant digits and R4 with 7, in exponent form when the exponent is
  // below -4 or reaches the precision; never a negative zero.
  const Case cases[] = {
      {Typed(VT_R8, 0.1), "0.1"},
      {Typed(VT_R8, 1.0 / 3.0), "0.333333333333333"},
      {Typed(VT_R8, 0.1 + 0.2), "0.3"},
      {Typed(VT_R8, -2.5), "-2.5"},
      {Typed(VT_R8, 1e21), "1E+21"},
      {Typed(VT_R8, 123456789012345.0), "123456789012345"},
      {Typed(VT_R8, 1234567890123456.0), "1.23456789012346E+15"},
      {Typed(VT_R8, 0.0001), "0.0001"},
      {Typed(VT_R8, 0.00001), "1E-05"},
      {Typed(VT_R8, -0.0), "0"},
      {Typed(VT_R4, 0.1f), "0.1"},
      {Typed(VT_R4, 16777216.0f), "1.677722E+07"},
      {Typed(VT_R4, 2147483648.0f), "2.147484E+09"},
      {Typed(VT_R4, 3.4028235e38f), "3.402823E+38"},
      {Currency(15000), "1.5"},
      {Currency(1), "0.0001"},
      {Currency(std::numeric_limits<LONGLONG>::min()), "-922337203685477.5808"},
      {Typed(VT_I4, -2147483648.0), "-2147483648"},
      {MaxUi8(), "18446744073709551615"},
      {Typed(VT_BOOL, 1), "-1"},
      {Typed(VT_BOOL, 0), "0"},
      {CComVariant(), ""},
  };
  for (const Case &c : cases) {
    CComVariant text;
    ASSERT_EQ(VariantChangeType(&text, &c.value, 0, VT_BSTR), S_OK) << c.text;
    EXPECT_EQ(TextOf(text), c.text);
  }
  CComVariant alpha;
  CComVariant yes = Typed(VT_BOOL, 1);
  ASSERT_EQ(VariantChangeType(&alpha, &yes, VARIANT_ALPHABOOL, VT_BSTR), S_OK);
  EXPECT_EQ(TextOf(alpha), "True");
}

// Text reads to the double nearest its decimal value, denormals included.
TEST(VariantChangeType, DecimalTextReadsToTheNearestDouble) {
  const struct {
    const char *text;
    double value;
  } cases[] = {{"0.412", 0.412},
               {"1e-300", 1e-300},
               {"5e-324", 5e-324},
               {"-1.7976931348623157e308", -1.7976931348623157e308},
               {"0.30000000000000004", 0.1 + 0.2},
               {"1234.5678e-10", 1234.5678e-10},
               {"9007199254740993", 9007199254740992.0}};
  for (const auto &c : cases) {
    CComVariant v = Text(c.text);
    ASSERT_EQ(v.ChangeType(VT_R8), S_OK) << c.text;
    EXPECT_EQ(v.dblVal, c.value) << c.text;
  }
}

TEST(VariantChangeType, TextToNumbers) {
  struct Case {
    const char *text;
    VARTYPE to;
    HRESULT expected;
    double result;
  };
  const Case cases[] = {
      {"12", VT_I4, S_OK, 12},
      {"  -7  ", VT_I2, S_OK, -7},
      {"+3", VT_I4, S_OK, 3},
      {"2.5", VT_I4, S_OK, 2},
      {"3.5", VT_I4, S_OK, 4},
      {"1e3", VT_R8, S_OK, 1000},
      {"0.412", VT_R8, S_OK, 0.412},
      {".5", VT_R8, S_OK, 0.5},
      {"1e-400", VT_R8, S_OK, 0},
      {"9223372036854775807", VT_I8, S_OK, 9223372036854775807.0},
      {"18446744073709551615", VT_UI8, S_OK, 18446744073709551615.0},
      {"40000", VT_I2, DISP_E_OVERFLOW, 0},
      {"-1", VT_UI1, DISP_E_OVERFLOW, 0},
      {"1e400", VT_R8, DISP_E_OVERFLOW, 0},
      {"", VT_I4, DISP_E_TYPEMISMATCH, 0},
      {"   ", VT_R8, DISP_E_TYPEMISMATCH, 0},
      {"abc", VT_I4, DISP_E_TYPEMISMATCH, 0},
      {"12abc", VT_I4, DISP_E_TYPEMISMATCH, 0},
      {"inf", VT_R8, DISP_E_TYPEMISMATCH, 0},
      {"nan", VT_R8, DISP_E_TYPEMISMATCH, 0},
      {"0x10", VT_I4, DISP_E_TYPEMISMATCH, 0},
      // The comma separates thousands, anywhere among the digits: it is never a decimal point.
      {"1,000", VT_I4, S_OK, 1000},
      {"1,5", VT_R8, S_OK, 15},
      {",5", VT_R8, DISP_E_TYPEMISMATCH, 0},
      // Hexadecimal and octal are bit patterns of the target's width.
      {"&H10", VT_I4, S_OK, 16},
      {"&h1F", VT_I2, S_OK, 31},
      {"&O17", VT_UI1, S_OK, 15},
      {"&HFF", VT_I1, S_OK, -1},
      {"&HFFFF", VT_UI1, DISP_E_OVERFLOW, 0},
      {"&O8", VT_I4, DISP_E_TYPEMISMATCH, 0},
      {"&H10", VT_CY, DISP_E_OVERFLOW, 0},
      // Accounting negatives: parentheses and a trailing minus.
      {"(12)", VT_I4, S_OK, -12},
      {"( 12 )", VT_R8, S_OK, -12},
      {"12-", VT_I4, S_OK, -12},
      {"+-1", VT_I4, S_OK, -1},
      {"(12", VT_I4, DISP_E_TYPEMISMATCH, 0},
      {"12)", VT_I4, DISP_E_TYPEMISMATCH, 0},
      {"-1-", VT_I4, DISP_E_TYPEMISMATCH, 0},
      // Unicode blanks count as blanks.
      {"\u00A012\u3000", VT_I4, S_OK, 12},
      {"true", VT_BOOL, S_OK, -1},
      {"False", VT_BOOL, S_OK, 0},
      {"#TRUE#", VT_BOOL, S_OK, -1},
      {"#FALSE#", VT_BOOL, S_OK, 0},
      {"#true#", VT_BOOL, DISP_E_TYPEMISMATCH, 0},
      {" true ", VT_BOOL, DISP_E_TYPEMISMATCH, 0},
      {"2", VT_BOOL, S_OK, -1},
      {"0", VT_BOOL, S_OK, 0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.text);
    CComVariant src = Text(c.text);
    CComVariant dest;
    EXPECT_EQ(VariantChangeType(&dest, &src, 0, c.to), c.expected);
    if (c.expected == S_OK) {
      EXPECT_EQ(dest.vt, c.to);
      if (c.to == VT_BOOL) {
        EXPECT_EQ(dest.boolVal, c.result);
      } else if (c.to == VT_UI8) {
        EXPECT_EQ(dest.ullVal, 18446744073709551615ull);
      } else if (c.to == VT_I8) {
        EXPECT_EQ(dest.llVal, 9223372036854775807ll);
      } else {
        EXPECT_EQ(NumberOf(dest), c.result);
      }
    }
  }
  // A null BSTR reads as empty text.
  CComVariant nullText;
  nullText.vt = VT_BSTR;
  CComVariant dest;
  EXPECT_EQ(VariantChangeType(&dest, &nullText, 0, VT_I4), DISP_E_TYPEMISMATCH);
}

// Text ends at its first NUL, also when that is the terminator after an odd byte length.
TEST(VariantChangeType, TextEndsAtItsFirstNul) {
  CComVariant embedded;
  embedded.vt = VT_BSTR;
  embedded.bstrVal = SysAllocStringLen(u"1\0"
                                       u"2",
                                       3);
  CComVariant dest;
  ASSERT_EQ(VariantChangeType(&dest, &embedded, 0, VT_I4), S_OK);
  EXPECT_EQ(dest.lVal, 1);
  const char digits[] = {'1', 0, '2', 0, '3'};
  CComVariant odd;
  odd.vt = VT_BSTR;
  odd.bstrVal = SysAllocStringByteLen(digits, sizeof digits);
  ASSERT_EQ(VariantChangeType(&dest, &odd, 0, VT_I4), S_OK);
  EXPECT_EQ(dest.lVal, 123);
}

TEST(VariantChangeType, IgnoresTheProcessLocale) {
  const char *previous = std::setlocale(LC_ALL, nullptr);
  const std::string saved = previous ? previous : "C";
  // Any locale with a decimal comma will do; the test still runs in C when none is installed.
  for (const char *name : {"de_DE.UTF-8", "fr_FR.UTF-8", "de_DE", "C"}) {
    if (std::setlocale(LC_ALL, name)) break;
  }
  CComVariant v = Typed(VT_R8, 1.5);
  EXPECT_EQ(v.ChangeType(VT_BSTR), S_OK);
  EXPECT_EQ(TextOf(v), "1.5");
  CComVariant back = Text("0.25");
  EXPECT_EQ(back.ChangeType(VT_R8), S_OK);
  EXPECT_EQ(back.dblVal, 0.25);
  CComVariant tiny = Text("2.5e-320");
  EXPECT_EQ(tiny.ChangeType(VT_R8), S_OK);
  EXPECT_EQ(tiny.dblVal, 2.5e-320);
  std::setlocale(LC_ALL, saved.c_str());
}

TEST(VariantChangeType, SameTypeCopiesAndInPlaceConversionOwnsTheResult) {
  CComVariant text = Text("42");
  CComVariant copy;
  ASSERT_EQ(VariantChangeType(&copy, &text, 0, VT_BSTR), S_OK);
  EXPECT_NE(copy.bstrVal, text.bstrVal);
  ASSERT_EQ(VariantChangeType(&text, &text, 0, VT_I4), S_OK); // frees the string it read
  EXPECT_EQ(text.vt, VT_I4);
  EXPECT_EQ(text.lVal, 42);
  ASSERT_EQ(VariantChangeType(&text, &text, 0, VT_BSTR), S_OK);
  EXPECT_EQ(TextOf(text), "42");
}

TEST(VariantChangeType, ByReferenceSourcesAreRead) {
  SHORT value = 300;
  CComVariant ref;
  ref.vt = VT_I2 | VT_BYREF;
  ref.piVal = &value;
  CComVariant dest;
  ASSERT_EQ(VariantChangeType(&dest, &ref, 0, VT_R8), S_OK);
  EXPECT_EQ(dest.dblVal, 300.0);
  EXPECT_EQ(VariantChangeType(&dest, &ref, 0, VT_UI1), DISP_E_OVERFLOW);
  ref.piVal = nullptr;
  EXPECT_EQ(VariantChangeType(&dest, &ref, 0, VT_R8), DISP_E_TYPEMISMATCH);
  ref.vt = VT_EMPTY; // the holder does not own the pointer
}

TEST(VariantChangeType, EmptyNullAndBadTypes) {
  CComVariant empty, null, error = Typed(VT_ERROR, 0), dest;
  null.vt = VT_NULL;
  ASSERT_EQ(VariantChangeType(&dest, &empty, 0, VT_BSTR), S_OK);
  EXPECT_EQ(TextOf(dest), "");
  EXPECT_EQ(VariantChangeType(&dest, &null, 0, VT_BSTR), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(VariantChangeType(&dest, &null, 0, VT_BOOL), DISP_E_TYPEMISMATCH);
  ASSERT_EQ(VariantChangeType(&dest, &empty, 0, VT_NULL), S_OK);
  EXPECT_EQ(dest.vt, VT_NULL);
  // Any value but an error can be nulled; anything but null and errors emptied.
  CComVariant number = Typed(VT_I4, 1), yes = Typed(VT_BOOL, 1);
  ASSERT_EQ(VariantChangeType(&dest, &yes, 0, VT_NULL), S_OK);
  EXPECT_EQ(dest.vt, VT_NULL);
  ASSERT_EQ(VariantChangeType(&dest, &number, 0, VT_EMPTY), S_OK);
  EXPECT_EQ(dest.vt, VT_EMPTY);
  EXPECT_EQ(VariantChangeType(&dest, &error, 0, VT_NULL), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(VariantChangeType(&dest, &null, 0, VT_EMPTY), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(VariantChangeType(&dest, &error, 0, VT_EMPTY), DISP_E_TYPEMISMATCH);
  // Types nothing converts to are a mismatch; names that are no type are a bad type.
  EXPECT_EQ(VariantChangeType(&dest, &number, 0, VT_I4 | VT_BYREF), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(VariantChangeType(&dest, &number, 0, VT_I4 | VT_ARRAY), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(VariantChangeType(&dest, &number, 0, 0x7F), DISP_E_BADVARTYPE);
  EXPECT_EQ(VariantChangeType(&dest, &number, 0, VT_I4 | VT_VECTOR), DISP_E_BADVARTYPE);
  EXPECT_EQ(VariantChangeType(nullptr, &number, 0, VT_R8), E_INVALIDARG);
  CComVariant date = Typed(VT_DATE, 1.0);
  EXPECT_EQ(VariantChangeType(&dest, &date, 0, VT_BSTR), DISP_E_TYPEMISMATCH);
}

} // namespace

namespace {

// Every short text over the characters the number grammar knows: no conversion reads past the
// text (the sanitizers watch), and the integer, real and Boolean readings of a decimal number
// agree.
TEST(VariantChangeType, ShortTextsReadConsistently) {
  const char16_t alphabet[] = u" -+().,eE&HO019";
  const size_t letters = sizeof alphabet / sizeof alphabet[0] - 1;
  std::u16string text;
  size_t numbers = 0;
  for (size_t code = 0; code < letters * letters * letters * letters; ++code) {
    text.clear();
    for (size_t rest = code; text.size() < 4; rest /= letters) text += alphabet[rest % letters];
    CComVariant source;
    source.vt = VT_BSTR;
    source.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    CComVariant real, integer, flag;
    const HRESULT realStatus = VariantChangeType(&real, &source, 0, VT_R8);
    const HRESULT integerStatus = VariantChangeType(&integer, &source, 0, VT_I8);
    const HRESULT flagStatus = VariantChangeType(&flag, &source, 0, VT_BOOL);
    if (text.find(u'&') != std::u16string::npos) continue; // bit patterns read otherwise
    // Whatever reads as an integer reads as a real (not the other way: 1e90 is no I8).
    if (integerStatus != S_OK) continue;
    ASSERT_EQ(realStatus, S_OK) << TextOf(source);
    ++numbers;
    EXPECT_LE(std::fabs(real.dblVal - static_cast<double>(integer.llVal)), 0.5) << TextOf(source);
    ASSERT_EQ(flagStatus, S_OK) << TextOf(source);
    EXPECT_EQ(flag.boolVal != 0, real.dblVal != 0.0) << TextOf(source);
  }
  EXPECT_GT(numbers, 1000u); // the alphabet does make numbers
}

} // namespace
