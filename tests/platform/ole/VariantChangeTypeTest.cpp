#include <gtest/gtest.h>

#include <cfloat>
#include <clocale>

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
      {VT_I4, -1, VT_UI4, DISP_E_OVERFLOW, 0},
      {VT_I2, -129, VT_I1, DISP_E_OVERFLOW, 0},
      {VT_I2, -128, VT_I1, S_OK, -128},
      {VT_UI4, 4294967295.0, VT_I4, DISP_E_OVERFLOW, 0},
      {VT_UI4, 4294967295.0, VT_I8, S_OK, 4294967295.0},
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
    SCOPED_TRACE(testing::Message() << "from vt " << c.from << " value " << c.value << " to vt " << c.to);
    CComVariant src = Typed(c.from, c.value);
    CComVariant dest = Typed(VT_I4, 424242);
    EXPECT_EQ(VariantChangeType(&dest, &src, 0, c.to), c.expected);
    if (c.expected == S_OK) {
      EXPECT_EQ(dest.vt, c.to);
      if (c.to == VT_UI1) {
        EXPECT_EQ(dest.bVal, c.result);
      } else if (c.to == VT_UI2) {
        EXPECT_EQ(dest.uiVal, c.result);
      } else if (c.to == VT_BOOL) {
        EXPECT_EQ(dest.boolVal, c.result);
      } else {
        EXPECT_EQ(NumberOf(dest), c.result);
      }
    } else {
      EXPECT_EQ(dest.vt, VT_I4);  // a failed conversion leaves the destination alone
      EXPECT_EQ(dest.lVal, 424242);
    }
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
  const Case cases[] = {
      {Typed(VT_R8, 0.1), "0.1"},
      {Typed(VT_R8, 1.0 / 3.0), "0.3333333333333333"},
      {Typed(VT_R8, -2.5), "-2.5"},
      {Typed(VT_R8, 1e21), "1E+21"},
      {Typed(VT_R8, 123456789.0), "123456789"},
      {Typed(VT_R4, 0.1f), "0.1"},
      {Typed(VT_R4, 3.4028235e38f), "3.4028235E+38"},
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

TEST(VariantChangeType, DoubleTextRoundTripsExactly) {
  const double values[] = {0.412, 1e-300, 5e-324, -1.7976931348623157e308, 0.1 + 0.2, 1234.5678e-10};
  for (double value : values) {
    CComVariant v = Typed(VT_R8, value);
    ASSERT_EQ(v.ChangeType(VT_BSTR), S_OK);
    ASSERT_EQ(v.ChangeType(VT_R8), S_OK) << TextOf(v);
    EXPECT_EQ(v.dblVal, value);
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
      {"1,5", VT_R8, DISP_E_TYPEMISMATCH, 0},
      {"+-1", VT_I4, DISP_E_TYPEMISMATCH, 0},
      {"inf", VT_R8, DISP_E_TYPEMISMATCH, 0},
      {"nan", VT_R8, DISP_E_TYPEMISMATCH, 0},
      {"0x10", VT_I4, DISP_E_TYPEMISMATCH, 0},
      {"true", VT_BOOL, S_OK, -1},
      {"False", VT_BOOL, S_OK, 0},
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
  ASSERT_EQ(VariantChangeType(&text, &text, 0, VT_I4), S_OK);  // frees the string it read
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
  ref.vt = VT_EMPTY;  // the holder does not own the pointer
}

TEST(VariantChangeType, EmptyNullAndBadTypes) {
  CComVariant empty, null, dest;
  null.vt = VT_NULL;
  ASSERT_EQ(VariantChangeType(&dest, &empty, 0, VT_BSTR), S_OK);
  EXPECT_EQ(TextOf(dest), "");
  EXPECT_EQ(VariantChangeType(&dest, &null, 0, VT_BSTR), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(VariantChangeType(&dest, &null, 0, VT_BOOL), DISP_E_TYPEMISMATCH);
  ASSERT_EQ(VariantChangeType(&dest, &empty, 0, VT_NULL), S_OK);
  EXPECT_EQ(dest.vt, VT_NULL);
  CComVariant number = Typed(VT_I4, 1);
  EXPECT_EQ(VariantChangeType(&dest, &number, 0, VT_I4 | VT_BYREF), DISP_E_BADVARTYPE);
  EXPECT_EQ(VariantChangeType(&dest, &number, 0, 0x7F), DISP_E_BADVARTYPE);
  EXPECT_EQ(VariantChangeType(nullptr, &number, 0, VT_R8), E_INVALIDARG);
  CComVariant date = Typed(VT_DATE, 1.0);
  EXPECT_EQ(VariantChangeType(&dest, &date, 0, VT_BSTR), DISP_E_TYPEMISMATCH);
}

}  // namespace
