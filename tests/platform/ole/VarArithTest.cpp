#include <gtest/gtest.h>

#include <limits>

#include "platform/ole/VariantTestSupport.h"

namespace {

using ArithFunction = HRESULT (*)(LPVARIANT, LPVARIANT, LPVARIANT);

struct Case {
  CComVariant left;
  CComVariant right;
  HRESULT expected;
  VARTYPE type;
  double value;
};

void Check(ArithFunction function, const char *name, const Case &c, int line) {
  SCOPED_TRACE(testing::Message() << name << " case at line " << line << ": vt " << c.left.vt
                                  << " with vt " << c.right.vt);
  CComVariant left = c.left, right = c.right;
  VARIANT result;
  VariantInit(&result);
  EXPECT_EQ(function(&left, &right, &result), c.expected);
  if (c.expected != S_OK) return;
  EXPECT_EQ(result.vt, c.type);
  if (c.type != VT_NULL) {
    EXPECT_EQ(NumberOf(result), c.value);
  }
  VariantClear(&result);
}

#define MUL_CASE(l, r, hr, vt, v) Check(VarMul, "VarMul", Case{l, r, hr, vt, v}, __LINE__)
#define ADD_CASE(l, r, hr, vt, v) Check(VarAdd, "VarAdd", Case{l, r, hr, vt, v}, __LINE__)

CComVariant Null() {
  CComVariant v;
  v.vt = VT_NULL;
  return v;
}

TEST(VarMul, ResultTypeTable) {
  MUL_CASE(Typed(VT_I2, 7), Typed(VT_R4, 0.5), S_OK, VT_R4, 3.5);
  MUL_CASE(Typed(VT_R4, 0.5), Typed(VT_I4, 5), S_OK, VT_R8, 2.5);
  MUL_CASE(Typed(VT_R4, 0.5), Typed(VT_I8, 5), S_OK, VT_R8, 2.5);
  MUL_CASE(Typed(VT_I2, 3), Typed(VT_R8, 0.5), S_OK, VT_R8, 1.5);
  MUL_CASE(Text("12"), Typed(VT_BOOL, 1), S_OK, VT_R8, -12);
  MUL_CASE(Text("12"), Typed(VT_I2, 2), S_OK, VT_R8, 24);
  MUL_CASE(Typed(VT_I4, 6), Typed(VT_I2, 7), S_OK, VT_I4, 42);
  MUL_CASE(Typed(VT_I8, 6), Typed(VT_I4, 7), S_OK, VT_I8, 42);
  MUL_CASE(Typed(VT_I2, 6), Typed(VT_BOOL, 1), S_OK, VT_I2, -6);
  MUL_CASE(Typed(VT_BOOL, 1), Typed(VT_BOOL, 1), S_OK, VT_I2, 1);
  MUL_CASE(Typed(VT_UI1, 6), Typed(VT_UI1, 7), S_OK, VT_UI1, 42);
  MUL_CASE(Typed(VT_UI1, 6), CComVariant(), S_OK, VT_UI1, 0);
  MUL_CASE(CComVariant(), CComVariant(), S_OK, VT_I2, 0);
  MUL_CASE(CComVariant(), Typed(VT_R4, 2), S_OK, VT_R4, 0);
  MUL_CASE(Typed(VT_DATE, 2), Typed(VT_I2, 3), S_OK, VT_R8, 6);
  // The render path's own product: the key-framed I2 value scaled to 0..1.
  MUL_CASE(Typed(VT_I2, 50), Typed(VT_R8, 0.01), S_OK, VT_R8, 50 * 0.01);
}

TEST(VarMul, OverflowMovesToAWiderType) {
  MUL_CASE(Typed(VT_UI1, 16), Typed(VT_UI1, 16), S_OK, VT_I2, 256);
  MUL_CASE(Typed(VT_UI1, 200), Typed(VT_UI1, 200), S_OK, VT_I4, 40000);
  MUL_CASE(Typed(VT_I2, 300), Typed(VT_I2, 300), S_OK, VT_I4, 90000);
  MUL_CASE(Typed(VT_I2, -32768), Typed(VT_BOOL, 1), S_OK, VT_I4, 32768);
  MUL_CASE(Typed(VT_I4, 65536), Typed(VT_I4, 65536), S_OK, VT_R8, 4294967296.0);
  MUL_CASE(Typed(VT_R4, 3e38), Typed(VT_R4, 10), S_OK, VT_R8, static_cast<double>(3e38f) * 10);
  MUL_CASE(Typed(VT_I8, 4294967296.0 * 4), Typed(VT_I8, 4294967296.0 * 4), DISP_E_OVERFLOW,
           VT_EMPTY, 0);
  MUL_CASE(Typed(VT_R8, 1e200), Typed(VT_R8, 1e200), DISP_E_OVERFLOW, VT_EMPTY, 0);
}

TEST(VarMul, NullPropagatesAfterTheTypeCheck) {
  MUL_CASE(Null(), Typed(VT_I4, 3), S_OK, VT_NULL, 0);
  MUL_CASE(Typed(VT_R8, 3), Null(), S_OK, VT_NULL, 0);
  MUL_CASE(Text("not a number"), Null(), S_OK, VT_NULL, 0);
  for (VARTYPE unsupported : {VT_I1, VT_UI2, VT_UI4, VT_UI8, VT_INT, VT_UINT}) {
    MUL_CASE(Null(), Typed(unsupported, 1), DISP_E_BADVARTYPE, VT_EMPTY, 0);
    MUL_CASE(Typed(unsupported, 1), Typed(VT_I4, 1), DISP_E_BADVARTYPE, VT_EMPTY, 0);
  }
  MUL_CASE(Typed(VT_ERROR, 1), Typed(VT_I4, 1), DISP_E_BADVARTYPE, VT_EMPTY, 0);
  MUL_CASE(Null(), Typed(VT_ERROR, 1), DISP_E_BADVARTYPE, VT_EMPTY, 0);
  MUL_CASE(Text("abc"), Typed(VT_I4, 1), DISP_E_TYPEMISMATCH, VT_EMPTY, 0);
}

// Currency is worked out exactly, and what cannot be currency is an overflow.
TEST(VarMul, CurrencyStaysExact) {
  CComVariant largest;
  largest.vt = VT_CY;
  largest.cyVal.int64 = std::numeric_limits<LONGLONG>::max();
  CComVariant minusOne = Typed(VT_BOOL, 1), result;
  ASSERT_EQ(VarMul(&largest, &minusOne, &result), S_OK);
  ASSERT_EQ(result.vt, VT_CY);
  EXPECT_EQ(result.cyVal.int64, -std::numeric_limits<LONGLONG>::max());
  CComVariant one = Typed(VT_I2, -1);
  ASSERT_EQ(VarAdd(&largest, &one, &result), S_OK);
  EXPECT_EQ(result.cyVal.int64, std::numeric_limits<LONGLONG>::max() - 10000);
  CComVariant big = Typed(VT_I8, 1e15);
  EXPECT_EQ(VarMul(&largest, &big, &result), DISP_E_OVERFLOW);
  EXPECT_EQ(VarAdd(&largest, &largest, &result), DISP_E_OVERFLOW);
}

TEST(VarAdd, ResultTypeTable) {
  ADD_CASE(Typed(VT_I2, 7), Typed(VT_R4, 0.5), S_OK, VT_R4, 7.5);
  ADD_CASE(Typed(VT_R4, 0.5), Typed(VT_I4, 5), S_OK, VT_R8, 5.5);
  ADD_CASE(Typed(VT_I4, 5), Typed(VT_I2, -7), S_OK, VT_I4, -2);
  ADD_CASE(Typed(VT_BOOL, 1), Typed(VT_BOOL, 1), S_OK, VT_I2, -2);
  ADD_CASE(Typed(VT_UI1, 200), Typed(VT_UI1, 55), S_OK, VT_UI1, 255);
  ADD_CASE(Typed(VT_DATE, 2), Typed(VT_I2, 3), S_OK, VT_DATE, 5);
  ADD_CASE(Text("1.5"), Typed(VT_I4, 2), S_OK, VT_R8, 3.5);
  // A sum ranks currency above the reals and text, below dates.
  ADD_CASE(Typed(VT_R8, 0.25), Typed(VT_CY, 1.5), S_OK, VT_CY, 1.75);
  ADD_CASE(Text("12"), Typed(VT_CY, 1.5), S_OK, VT_CY, 13.5);
  ADD_CASE(Typed(VT_DATE, 2), Text("&H10"), S_OK, VT_DATE, 18);
  ADD_CASE(Null(), Text("x"), S_OK, VT_NULL, 0);
  ADD_CASE(CComVariant(), CComVariant(), S_OK, VT_I2, 0);
}

TEST(VarAdd, OverflowMovesToAWiderType) {
  ADD_CASE(Typed(VT_UI1, 200), Typed(VT_UI1, 100), S_OK, VT_I2, 300);
  ADD_CASE(Typed(VT_I2, 32767), Typed(VT_I2, 1), S_OK, VT_I4, 32768);
  ADD_CASE(Typed(VT_I4, 2147483647), Typed(VT_I4, 1), S_OK, VT_R8, 2147483648.0);
  ADD_CASE(Typed(VT_I8, 9.2e18), Typed(VT_I8, 9.2e18), DISP_E_OVERFLOW, VT_EMPTY, 0);
  ADD_CASE(Typed(VT_R8, 1e308), Typed(VT_R8, 1e308), DISP_E_OVERFLOW, VT_EMPTY, 0);
  // A date beyond the calendar has no type to move to.
  ADD_CASE(Typed(VT_DATE, 2958465), Typed(VT_I2, 1), DISP_E_OVERFLOW, VT_EMPTY, 0);
}

TEST(VarAdd, StringsConcatenate) {
  CComVariant a = Text("Effect "), b = Text("Value"), empty, result;
  ASSERT_EQ(VarAdd(&a, &b, &result), S_OK);
  EXPECT_EQ(TextOf(result), "Effect Value");
  CComVariant alone;
  ASSERT_EQ(VarAdd(&empty, &b, &alone), S_OK);
  EXPECT_EQ(TextOf(alone), "Value");
  EXPECT_NE(alone.bstrVal, b.bstrVal);
}

TEST(VarArith, ResultMayBeAnOperand) {
  CComVariant text = Text("ab");
  ASSERT_EQ(VarAdd(&text, &text, &text), S_OK); // the old string is freed, not leaked
  EXPECT_EQ(TextOf(text), "abab");
  CComVariant number = Text("4");
  CComVariant two = Typed(VT_I2, 2);
  ASSERT_EQ(VarMul(&number, &two, &number), S_OK);
  EXPECT_EQ(number.vt, VT_R8);
  EXPECT_EQ(number.dblVal, 8.0);
  EXPECT_EQ(VarMul(nullptr, &two, &number), E_INVALIDARG);
  EXPECT_EQ(VarAdd(&two, &two, nullptr), E_INVALIDARG);
}

TEST(VarArith, ByReferenceAndArrayOperandsAreRefused) {
  LONG value = 3;
  CComVariant ref;
  ref.vt = VT_I4 | VT_BYREF;
  ref.plVal = &value;
  CComVariant one = Typed(VT_I4, 1), result;
  EXPECT_EQ(VarMul(&ref, &one, &result), DISP_E_BADVARTYPE);
  EXPECT_EQ(VarAdd(&one, &ref, &result), DISP_E_BADVARTYPE);
  ref.vt = VT_EMPTY;
}

} // namespace
