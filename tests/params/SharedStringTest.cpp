#include <gtest/gtest.h>

#include "params/SharedString.h"

namespace {

TEST(SharedString, CopiesShareOneStringAndTheLastReleaseFreesIt) {
  SharedString a;
  ASSERT_EQ(SharedString::Create(u"Effect Value", &a), S_OK);
  const BSTR held = a.Get();
  {
    SharedString b = a;
    SharedString c;
    c = b;
    EXPECT_EQ(b.Get(), held);
    EXPECT_EQ(c.Get(), held);
    EXPECT_EQ(a.UseCount(), 3);
  }
  EXPECT_EQ(a.UseCount(), 1);
  EXPECT_EQ(SysStringLen(a.Get()), 12u);
  // ASan reports a double free or a leak if the count is wrong.
}

TEST(SharedString, AbsentEmptyAndEquality) {
  SharedString absent;
  SharedString empty;
  ASSERT_EQ(SharedString::Create(u"", &empty), S_OK);
  EXPECT_TRUE(absent.IsAbsent());
  EXPECT_FALSE(empty.IsAbsent());
  EXPECT_NE(empty.Get(), nullptr) << "an empty string is an allocated BSTR";
  EXPECT_TRUE(empty.IsEmpty());
  EXPECT_FALSE(absent == empty);
  EXPECT_TRUE(absent == SharedString());

  SharedString a, b, lower, longer;
  ASSERT_EQ(SharedString::Create(u"Name", &a), S_OK);
  ASSERT_EQ(SharedString::Create(u"Name", &b), S_OK);
  ASSERT_EQ(SharedString::Create(u"name", &lower), S_OK);
  ASSERT_EQ(SharedString::Create(u"Name\0x", 6, &longer), S_OK);
  EXPECT_TRUE(a == b);
  EXPECT_FALSE(a == lower) << "comparison is case-sensitive";
  EXPECT_FALSE(a == longer) << "embedded NUL and length count";
}

TEST(SharedString, CopyToHandsOutAFreshString) {
  SharedString a;
  ASSERT_EQ(SharedString::Create(u"Desc", &a), S_OK);
  BSTR out = nullptr;
  ASSERT_EQ(a.CopyTo(&out), S_OK);
  EXPECT_NE(out, a.Get());
  EXPECT_EQ(std::u16string(out), u"Desc");
  SysFreeString(out);

  SharedString absent;
  out = reinterpret_cast<BSTR>(1);
  EXPECT_EQ(absent.CopyTo(&out), S_OK);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(a.CopyTo(nullptr), E_POINTER);
}

TEST(SharedString, FromBstrKeepsTheExactBytes) {
  BSTR odd = SysAllocStringByteLen("abc", 3);
  SharedString s;
  ASSERT_EQ(SharedString::FromBstr(odd, &s), S_OK);
  EXPECT_EQ(SysStringByteLen(s.Get()), 3u);
  EXPECT_NE(s.Get(), odd);
  SysFreeString(odd);
  EXPECT_EQ(SharedString::Create(nullptr, 3, &s), E_INVALIDARG);
  EXPECT_EQ(SharedString::Create(u"x", nullptr), E_POINTER);
}

} // namespace
