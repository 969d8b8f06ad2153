#include <dlfcn.h>

#include <string>

#include <gtest/gtest.h>
#include <winuser.h>
#include <zrqresource.h>

namespace {

std::u16string Load(HINSTANCE module, UINT id, int capacity = 256) {
  std::u16string buffer(static_cast<size_t>(capacity), u'#');
  const int n = LoadStringW(module, id, buffer.data(), capacity);
  EXPECT_EQ(buffer[static_cast<size_t>(n)], u'\0') << "result not terminated, id " << id;
  return buffer.substr(0, static_cast<size_t>(n));
}

TEST(LoadString, CopiesTerminatesAndReturnsTheLength) {
  const HINSTANCE self = ZrqThisModule();
  EXPECT_EQ(Load(self, 1), u"Hello");
  EXPECT_EQ(Load(self, 15), u"last of block 0");
  EXPECT_EQ(Load(self, 16), u"first of block 1");
}

TEST(LoadString, DecodesEscapesAndUtf8) {
  EXPECT_EQ(Load(ZrqThisModule(), 17), u"say \"hi\" \\ \u00e9 \u00fc\ttab");
  EXPECT_EQ(Load(ZrqThisModule(), 18), u"\U0001F600");
}

TEST(LoadString, TruncatesToTheBuffer) {
  WCHAR buffer[4] = {u'x', u'x', u'x', u'x'};
  EXPECT_EQ(LoadStringW(ZrqThisModule(), 1, buffer, 3), 2);
  EXPECT_EQ(std::u16string(buffer), u"He");
  EXPECT_EQ(buffer[3], u'x') << "wrote past the buffer";
  EXPECT_EQ(LoadStringW(ZrqThisModule(), 1, buffer, 1), 0);
  EXPECT_EQ(buffer[0], u'\0');
}

TEST(LoadString, ZeroCapacityHandsOutAReadOnlyPointer) {
  const WCHAR *text = nullptr;
  const int n = LoadStringW(ZrqThisModule(), 16, reinterpret_cast<LPWSTR>(&text), 0);
  ASSERT_EQ(n, 16);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(std::u16string(text, static_cast<size_t>(n)), u"first of block 1");
}

TEST(LoadString, MissingStringsGiveZeroAndAnEmptyBuffer) {
  WCHAR buffer[8] = {u'x'};
  SetLastError(0);
  EXPECT_EQ(LoadStringW(ZrqThisModule(), 2, buffer, 8), 0) << "gap inside a block";
  EXPECT_EQ(buffer[0], u'\0');
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
  buffer[0] = u'x';
  SetLastError(0);
  EXPECT_EQ(LoadStringW(ZrqThisModule(), 5000, buffer, 8), 0) << "no such block";
  EXPECT_EQ(buffer[0], u'\0');
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
  const WCHAR *text = nullptr;
  EXPECT_EQ(LoadStringW(ZrqThisModule(), 0, reinterpret_cast<LPWSTR>(&text), 0), 0);
  EXPECT_EQ(text, nullptr);
}

TEST(LoadString, RejectsBadArguments) {
  WCHAR buffer[8] = {u'x'};
  EXPECT_EQ(LoadStringW(ZrqThisModule(), 1, nullptr, 8), 0);
  EXPECT_EQ(LoadStringW(ZrqThisModule(), 1, buffer, -1), 0);
  EXPECT_EQ(buffer[0], u'x');
  EXPECT_EQ(LoadStringW(ZrqThisModule(), 0x10001, buffer, 8), 0) << "ids are 16-bit";
  EXPECT_EQ(LoadStringW(reinterpret_cast<HINSTANCE>(0x1000), 1, buffer, 8), 0) << "not a module";
}

TEST(LoadString, NullInstanceIsTheProgram) { EXPECT_EQ(Load(nullptr, 1), u"Hello"); }

// Strings are found by the image that holds them; unloading the image takes them away.
TEST(LoadString, EachModuleHasItsOwnTable) {
  void *library = dlopen(OTHER_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  auto handleOf = reinterpret_cast<HMODULE (*)()>(dlsym(library, "OtherModuleHandle"));
  ASSERT_NE(handleOf, nullptr);
  const HMODULE other = handleOf();
  ASSERT_NE(other, nullptr);
  EXPECT_NE(other, ZrqThisModule());
  EXPECT_EQ(Load(other, 1), u"Other");
  EXPECT_EQ(Load(other, 2), u"Only here");
  EXPECT_EQ(Load(ZrqThisModule(), 1), u"Hello");
  EXPECT_EQ(Load(ZrqThisModule(), 2), u"");
  EXPECT_EQ(ZrqGetModuleHandleFromAddress(reinterpret_cast<const void *>(handleOf)), other);

  ASSERT_EQ(dlclose(library), 0);
  EXPECT_EQ(Load(other, 1), u"") << "strings of an unloaded module";
}

} // namespace
