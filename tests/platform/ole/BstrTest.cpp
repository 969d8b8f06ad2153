#include <gtest/gtest.h>
#include <oleauto.h>

#include <cstring>

namespace {

uint32_t PrefixOf(BSTR b) {
  uint32_t n;
  std::memcpy(&n, reinterpret_cast<const char *>(b) - 4, 4);
  return n;
}

TEST(Bstr, LayoutHasBytePrefixAndTerminator) {
  BSTR b = SysAllocString(u"abc");
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(PrefixOf(b), 6u);
  EXPECT_EQ(SysStringLen(b), 3u);
  EXPECT_EQ(SysStringByteLen(b), 6u);
  EXPECT_EQ(b[3], 0);
  EXPECT_EQ(std::u16string_view(b), u"abc");
  SysFreeString(b);
}

TEST(Bstr, NullAndEmpty) {
  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  EXPECT_EQ(SysStringByteLen(nullptr), 0u);
  SysFreeString(nullptr);

  BSTR empty = SysAllocString(u"");
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(SysStringLen(empty), 0u);
  EXPECT_EQ(empty[0], 0);
  SysFreeString(empty);
}

TEST(Bstr, LengthGivenKeepsEmbeddedZerosAndZeroFillsWithoutSource) {
  const OLECHAR text[] = {u'a', 0, u'b'};
  BSTR b = SysAllocStringLen(text, 3);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(SysStringLen(b), 3u);
  EXPECT_EQ(b[2], u'b');
  EXPECT_EQ(b[3], 0);
  SysFreeString(b);

  BSTR blank = SysAllocStringLen(nullptr, 5);
  ASSERT_NE(blank, nullptr);
  for (int i = 0; i <= 5; ++i) EXPECT_EQ(blank[i], 0);
  SysFreeString(blank);
}

TEST(Bstr, OddByteLengthIsKeptAndStillTerminated) {
  BSTR b = SysAllocStringByteLen("abc", 3);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(SysStringByteLen(b), 3u);
  EXPECT_EQ(SysStringLen(b), 1u);
  const auto *bytes = reinterpret_cast<const unsigned char *>(b);
  EXPECT_EQ(std::memcmp(bytes, "abc", 3), 0);
  // The character that the odd byte starts and the one after it read as zero-padded.
  EXPECT_EQ(bytes[3], 0);
  EXPECT_EQ(b[2], 0);
  SysFreeString(b);

  BSTR zeros = SysAllocStringByteLen(nullptr, 7);
  ASSERT_NE(zeros, nullptr);
  for (int i = 0; i < 7; ++i) EXPECT_EQ(reinterpret_cast<const char *>(zeros)[i], 0);
  SysFreeString(zeros);
}

TEST(Bstr, LengthBeyondThePrefixFailsInsteadOfWrapping) {
  EXPECT_EQ(SysAllocStringLen(nullptr, 0x80000000u), nullptr);
  EXPECT_EQ(SysAllocStringLen(nullptr, 0xFFFFFFFFu), nullptr);
}

TEST(Bstr, ReAllocReplacesAndMayReadFromItself) {
  BSTR b = SysAllocString(u"hello world");
  ASSERT_TRUE(SysReAllocString(&b, b + 6));
  EXPECT_EQ(std::u16string_view(b, SysStringLen(b)), u"world");
  ASSERT_TRUE(SysReAllocString(&b, nullptr));
  EXPECT_EQ(b, nullptr);
  EXPECT_FALSE(SysReAllocString(nullptr, u"x"));
}

} // namespace
