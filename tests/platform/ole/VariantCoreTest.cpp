#include <gtest/gtest.h>
#include <oleauto.h>

#include <cstring>

#include "platform/ole/CountingUnknown.h"

namespace {

VARIANT BstrVariant(const OLECHAR *text) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BSTR;
  v.bstrVal = SysAllocString(text);
  return v;
}

TEST(VariantCore, InitGivesEmpty) {
  VARIANT v;
  std::memset(&v, 0xAB, sizeof v);
  VariantInit(&v);
  EXPECT_EQ(v.vt, VT_EMPTY);
}

TEST(VariantCore, ClearFreesStringAndReleasesInterface) {
  VARIANT s = BstrVariant(u"owned");
  EXPECT_EQ(VariantClear(&s), S_OK); // ASan reports a leak if the string stays
  EXPECT_EQ(s.vt, VT_EMPTY);

  CountingUnknown object;
  VARIANT u;
  VariantInit(&u);
  u.vt = VT_UNKNOWN;
  u.punkVal = &object;
  object.AddRef();
  EXPECT_EQ(VariantClear(&u), S_OK);
  EXPECT_EQ(object.refs, 1);
  EXPECT_EQ(u.vt, VT_EMPTY);
}

TEST(VariantCore, ClearLeavesByReferenceTargetsAlone) {
  BSTR target = SysAllocString(u"not mine");
  VARIANT r;
  VariantInit(&r);
  r.vt = VT_BSTR | VT_BYREF;
  r.pbstrVal = &target;
  EXPECT_EQ(VariantClear(&r), S_OK);
  EXPECT_EQ(std::u16string_view(target), u"not mine");
  SysFreeString(target);
}

TEST(VariantCore, BadTypesAreRefusedAndKept) {
  const VARTYPE bad[] = {15,
                         VT_VOID,
                         VT_RECORD,
                         VT_VARIANT,
                         VT_EMPTY | VT_BYREF,
                         VT_NULL | VT_BYREF,
                         VT_I4 | VT_VECTOR,
                         VT_I4 | VT_ARRAY,
                         0x7F};
  for (VARTYPE vt : bad) {
    VARIANT v;
    VariantInit(&v);
    v.vt = vt;
    EXPECT_EQ(VariantClear(&v), DISP_E_BADVARTYPE) << vt;
    EXPECT_EQ(v.vt, vt);
    VARIANT dest;
    VariantInit(&dest);
    EXPECT_EQ(VariantCopy(&dest, &v), DISP_E_BADVARTYPE) << vt;
    EXPECT_EQ(dest.vt, VT_EMPTY);
  }
  EXPECT_EQ(VariantClear(nullptr), E_INVALIDARG);
}

TEST(VariantCore, CopyDeepCopiesStringKeepingItsByteLength) {
  VARIANT src;
  VariantInit(&src);
  src.vt = VT_BSTR;
  src.bstrVal = SysAllocStringByteLen("abcde", 5);
  VARIANT dest = BstrVariant(u"previous value"); // freed by the copy, or ASan sees a leak
  ASSERT_EQ(VariantCopy(&dest, &src), S_OK);
  EXPECT_EQ(dest.vt, VT_BSTR);
  EXPECT_NE(dest.bstrVal, src.bstrVal);
  EXPECT_EQ(SysStringByteLen(dest.bstrVal), 5u);
  EXPECT_EQ(std::memcmp(dest.bstrVal, "abcde", 5), 0);
  VariantClear(&src);
  VariantClear(&dest); // two independent strings: no double free
}

// As on Windows, a null string copies as an empty one the copy owns.
TEST(VariantCore, CopyOfNullStringIsAnEmptyString) {
  VARIANT src;
  VariantInit(&src);
  src.vt = VT_BSTR;
  src.bstrVal = nullptr;
  VARIANT dest;
  VariantInit(&dest);
  ASSERT_EQ(VariantCopy(&dest, &src), S_OK);
  EXPECT_EQ(dest.vt, VT_BSTR);
  ASSERT_NE(dest.bstrVal, nullptr);
  EXPECT_EQ(SysStringLen(dest.bstrVal), 0u);
  VariantClear(&dest);
}

TEST(VariantCore, CopyOntoItselfKeepsTheString) {
  VARIANT v = BstrVariant(u"self");
  ASSERT_EQ(VariantCopy(&v, &v), S_OK);
  EXPECT_EQ(std::u16string_view(v.bstrVal), u"self");
  VariantClear(&v);
}

TEST(VariantCore, CopyAddsReferenceAndScalarsCopyByValue) {
  CountingUnknown object;
  VARIANT src;
  VariantInit(&src);
  src.vt = VT_UNKNOWN;
  src.punkVal = &object;
  VARIANT dest;
  VariantInit(&dest);
  ASSERT_EQ(VariantCopy(&dest, &src), S_OK);
  EXPECT_EQ(object.refs, 2);
  VariantClear(&dest);
  EXPECT_EQ(object.refs, 1);

  VARIANT r8;
  VariantInit(&r8);
  r8.vt = VT_R8;
  r8.dblVal = 2.5;
  ASSERT_EQ(VariantCopy(&dest, &r8), S_OK);
  EXPECT_EQ(dest.vt, VT_R8);
  EXPECT_EQ(dest.dblVal, 2.5);
  EXPECT_EQ(VariantCopy(nullptr, &r8), E_INVALIDARG);
  EXPECT_EQ(VariantCopy(&dest, nullptr), E_INVALIDARG);
}

} // namespace
