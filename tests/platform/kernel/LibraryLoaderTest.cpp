// Libraries loaded and freed by path, their exports, their file names, and the loader's
// failures in Windows terms.
#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <winbase.h>
#include <zrqloader.h>
#include <zrqresource.h>
#include <zrqtext.h>

namespace {

std::u16string Wide(const std::string &text) {
  std::u16string wide;
  EXPECT_TRUE(ZrqUtf8ToWide(text, &wide));
  return wide;
}

std::string Narrow(const char16_t *text) {
  std::string narrow;
  EXPECT_TRUE(ZrqWideToUtf8(text, &narrow));
  return narrow;
}

std::string LoaderMessage() {
  char text[512];
  ZrqGetLoaderMessage(text, sizeof text);
  return text;
}

std::string Canonical(const std::string &path) { return std::filesystem::canonical(path).string(); }

TEST(LibraryLoader, LoadsFindsAndFreesALibrary) {
  const HMODULE other = LoadLibraryW(Wide(OTHER_MODULE_PATH).c_str());
  ASSERT_NE(other, nullptr) << LoaderMessage();
  // The handle is the image's base, as the resource functions take it.
  const auto handleOf = reinterpret_cast<HMODULE (*)()>(GetProcAddress(other, "OtherModuleHandle"));
  ASSERT_NE(handleOf, nullptr);
  EXPECT_EQ(handleOf(), other);
  EXPECT_EQ(LoadLibraryW(Wide(OTHER_MODULE_PATH).c_str()), other) << "loaded once";
  EXPECT_EQ(GetModuleHandleW(Wide(Canonical(OTHER_MODULE_PATH)).c_str()), other);
  const std::string fileName = std::filesystem::path(OTHER_MODULE_PATH).filename().string();
  EXPECT_EQ(GetModuleHandleW(Wide(fileName).c_str()), other);

  SetLastError(0);
  EXPECT_EQ(GetProcAddress(other, "NoSuchExport"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
  // What the library merely links against is not its own export.
  EXPECT_EQ(GetProcAddress(other, "FindResourceW"), nullptr);

  EXPECT_TRUE(FreeLibrary(other));
  EXPECT_NE(GetModuleHandleW(Wide(fileName).c_str()), nullptr) << "one load is left";
  EXPECT_TRUE(FreeLibrary(other));
  EXPECT_FALSE(FreeLibrary(other));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

TEST(LibraryLoader, FailuresSayWhyInWindowsTerms) {
  SetLastError(0);
  EXPECT_EQ(LoadLibraryW(u"/nonexistent/folder/library.so"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  EXPECT_NE(LoaderMessage().find("No such file"), std::string::npos) << LoaderMessage();

  char self[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  ASSERT_GT(length, 0);
  self[length] = 0;
  // The program is there already, not loaded a second time.
  EXPECT_EQ(LoadLibraryW(Wide(self).c_str()), GetModuleHandleW(nullptr));

  const std::string notALibrary =
      std::string(std::getenv("ZRQ_SOURCE_DIR")) + "/tests/platform/kernel/OtherModule.rc";
  EXPECT_EQ(LoadLibraryW(Wide(notALibrary).c_str()), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_EXE_FORMAT));
  EXPECT_FALSE(LoaderMessage().empty());
  EXPECT_EQ(LoadLibraryW(nullptr), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(ModuleFileName, NamesTheProgramAndLibrariesInFull) {
  char16_t name[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, name, MAX_PATH);
  ASSERT_GT(length, 0u);
  EXPECT_EQ(Narrow(name), std::filesystem::canonical("/proc/self/exe").string());
  EXPECT_EQ(GetModuleFileNameW(ZrqThisModule(), name, MAX_PATH), length);

  const HMODULE other = LoadLibraryW(Wide(OTHER_MODULE_PATH).c_str());
  ASSERT_NE(other, nullptr);
  ASSERT_GT(GetModuleFileNameW(other, name, MAX_PATH), 0u);
  EXPECT_EQ(Narrow(name), Canonical(OTHER_MODULE_PATH));
  FreeLibrary(other);

  SetLastError(0);
  EXPECT_EQ(GetModuleFileNameW(reinterpret_cast<HMODULE>(name), name, MAX_PATH), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

TEST(ModuleFileName, APathThatDoesNotFitIsCutAndSaysSo) {
  char16_t name[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, name, MAX_PATH);
  ASSERT_GT(length, 4u);
  // Exactly the path and its terminator fit.
  SetLastError(0);
  EXPECT_EQ(GetModuleFileNameW(nullptr, name, length + 1), length);
  EXPECT_EQ(GetLastError(), 0u);
  // One less: the buffer is filled, terminated, and the result is its size.
  char16_t cut[MAX_PATH];
  EXPECT_EQ(GetModuleFileNameW(nullptr, cut, length), length);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(std::u16string(cut), std::u16string(name, length - 1));
  EXPECT_EQ(GetModuleFileNameW(nullptr, cut, 0), 0u);
}

TEST(TextConversion, FollowsTheWindowsSizeRules) {
  const char text[] = "h\xC3\xA9llo \xF0\x9F\x98\x80"; // é and an emoji outside the basic plane
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0), 9) << "with the terminator";
  char16_t wide[16];
  ASSERT_EQ(MultiByteToWideChar(CP_UTF8, 0, text, -1, wide, 16), 9);
  EXPECT_EQ(std::u16string(wide), u"héllo 😀");
  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, text, -1, wide, 8), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));

  const char bad[] = {'a', '\xC0', '\xAF', 'b'}; // an overlong slash
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bad, 4, wide, 16), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
  ASSERT_EQ(MultiByteToWideChar(CP_UTF8, 0, bad, 4, wide, 16), 4);
  EXPECT_EQ(std::u16string(wide, 4), u"a\uFFFD\uFFFDb");

  char narrow[16];
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"héllo 😀", -1, narrow, 16, nullptr, nullptr), 12);
  EXPECT_STREQ(narrow, text);
  const char16_t lone[] = {u'a', 0xD800, u'b'};
  EXPECT_EQ(
      WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, lone, 3, narrow, 16, nullptr, nullptr), 0);
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"x", 1, narrow, 16, "?", nullptr), 0)
      << "UTF-8 has no default";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(SystemMessages, HaveTheWindowsWords) {
  char16_t text[256];
  const DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
  ASSERT_GT(FormatMessageW(flags, nullptr, ERROR_ACCESS_DENIED, 0, text, 256, nullptr), 0u);
  EXPECT_EQ(std::u16string(text), u"Access is denied.\r\n");
  ASSERT_GT(FormatMessageW(flags, nullptr, static_cast<DWORD>(HRESULT_FROM_WIN32(ERROR_BADDB)), 0,
                           text, 256, nullptr),
            0u);
  EXPECT_EQ(std::u16string(text), u"The configuration registry database is corrupt.\r\n");
  ASSERT_GT(FormatMessageW(flags, nullptr, static_cast<DWORD>(REGDB_E_CLASSNOTREG), 0, text, 256,
                           nullptr),
            0u);
  EXPECT_EQ(std::u16string(text), u"Class not registered\r\n");
  EXPECT_EQ(FormatMessageW(flags, nullptr, 0x12345678, 0, text, 256, nullptr), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MR_MID_NOT_FOUND));
  EXPECT_EQ(FormatMessageW(flags, nullptr, ERROR_ACCESS_DENIED, 0, text, 5, nullptr), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

} // namespace
