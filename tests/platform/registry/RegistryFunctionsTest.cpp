// The Win32 registry calls: keys and values made, read, listed and deleted, with the
// statuses Windows gives.
#include <cstring>
#include <vector>

#include "platform/registry/RegistryTestSupport.h"

namespace {

class RegistryFunctions : public ::testing::Test {
protected:
  // Makes a key below HKCR and keeps it open.
  HKEY Create(const char16_t *path) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    opened.push_back(key);
    return key;
  }
  void TearDown() override {
    for (HKEY key : opened) RegCloseKey(key);
  }

  TemporaryRegistry registry;
  std::vector<HKEY> opened;
};

TEST_F(RegistryFunctions, CreatesNestedKeysOnceAndOpensThemInAnyCase) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, u"Alpha\\Beta\\Gamma", 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
  RegCloseKey(key);
  ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, u"ALPHA\\beta\\", 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
  RegCloseKey(key);

  ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, u"alpha\\BETA\\gamma", 0, KEY_READ, &key),
            ERROR_SUCCESS);
  RegCloseKey(key);
  // The case the key was made with is kept.
  ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, u"alpha", 0, KEY_READ, &key), ERROR_SUCCESS);
  char16_t name[16];
  DWORD length = 16;
  ASSERT_EQ(RegEnumKeyExW(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(std::u16string(name), u"Beta");
  EXPECT_EQ(length, 4u);
  RegCloseKey(key);
  EXPECT_NE(registry.Text().find("[HKEY_CLASSES_ROOT\\Alpha\\Beta\\Gamma]"), std::string::npos);
}

TEST_F(RegistryFunctions, RefusesBadNamesHandlesAndRoots) {
  HKEY key = reinterpret_cast<HKEY>(0x1);
  EXPECT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, u"Missing", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(key, nullptr);
  EXPECT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, u"\\Lead", 0, nullptr, 0, 0, nullptr, &key, nullptr),
            ERROR_BAD_PATHNAME);
  EXPECT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, u"a\\\\b", 0, nullptr, 0, 0, nullptr, &key, nullptr),
            ERROR_BAD_PATHNAME);
  EXPECT_EQ(
      RegCreateKeyExW(HKEY_CLASSES_ROOT, u"line\nbreak", 0, nullptr, 0, 0, nullptr, &key, nullptr),
      ERROR_INVALID_NAME);
  const std::u16string tooLong(256, u'x');
  EXPECT_EQ(
      RegCreateKeyExW(HKEY_CLASSES_ROOT, tooLong.c_str(), 0, nullptr, 0, 0, nullptr, &key, nullptr),
      ERROR_INVALID_PARAMETER);
  std::u16string deep;
  for (int i = 0; i < 513; ++i) deep += u"k\\";
  EXPECT_EQ(
      RegCreateKeyExW(HKEY_CLASSES_ROOT, deep.c_str(), 0, nullptr, 0, 0, nullptr, &key, nullptr),
      ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegOpenKeyExW(HKEY_PERFORMANCE_DATA, u"x", 0, KEY_READ, &key),
            ERROR_CALL_NOT_IMPLEMENTED);
  EXPECT_EQ(RegOpenKeyExW(HKEY_DYN_DATA, u"x", 0, KEY_READ, &key), ERROR_CALL_NOT_IMPLEMENTED);
  EXPECT_EQ(RegOpenKeyExW(reinterpret_cast<HKEY>(0x12345), u"x", 0, KEY_READ, &key),
            ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCloseKey(reinterpret_cast<HKEY>(0x12345)), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegDeleteKeyW(HKEY_CLASSES_ROOT, u""), ERROR_ACCESS_DENIED) << "a root stays";
  // Nothing of this reached the file.
  EXPECT_EQ(registry.Text(), "");
}

TEST_F(RegistryFunctions, ValuesOfEveryTypeReadBackWithTheMoreDataProtocol) {
  HKEY key = Create(u"Values");
  const DWORD number = 0x2A;
  const ULONGLONG wide = 0x1122334455667788ull;
  const BYTE binary[] = {0, 1, 0xFE, 0xFF};
  const char16_t multi[] = u"one\0two\0";
  ASSERT_EQ(SetString(key, nullptr, u"default"), ERROR_SUCCESS);
  ASSERT_EQ(SetString(key, u"Text", u"quote \" and \\ backslash"), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(key, u"Expand", 0, REG_EXPAND_SZ,
                           reinterpret_cast<const BYTE *>(u"%HOME%"), 14),
            ERROR_SUCCESS);
  ASSERT_EQ(
      RegSetValueExW(key, u"Number", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&number), 4),
      ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(key, u"Wide", 0, REG_QWORD, reinterpret_cast<const BYTE *>(&wide), 8),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(key, u"Binary", 0, REG_BINARY, binary, 4), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(key, u"Multi", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE *>(multi),
                           sizeof multi),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(key, u"Empty", 0, REG_BINARY, nullptr, 0), ERROR_SUCCESS);

  DWORD type = 0, size = 0;
  ASSERT_EQ(RegQueryValueExW(key, u"text", nullptr, &type, nullptr, &size), ERROR_SUCCESS)
      << "value names ignore case";
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(size, 48u);
  BYTE small[8];
  size = sizeof small;
  EXPECT_EQ(RegQueryValueExW(key, u"Text", nullptr, nullptr, small, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 48u);
  BYTE data[64];
  size = sizeof data;
  ASSERT_EQ(RegQueryValueExW(key, u"Wide", nullptr, &type, data, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_QWORD));
  EXPECT_EQ(size, 8u);
  EXPECT_EQ(std::memcmp(data, &wide, 8), 0);
  size = sizeof data;
  ASSERT_EQ(RegQueryValueExW(key, u"Multi", nullptr, &type, data, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, sizeof multi);
  EXPECT_EQ(std::memcmp(data, multi, sizeof multi), 0);
  EXPECT_EQ(RegQueryValueExW(key, u"Absent", nullptr, nullptr, nullptr, nullptr),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegQueryValueExW(key, u"Text", nullptr, nullptr, data, nullptr),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(GetString(HKEY_CLASSES_ROOT, u"Values", nullptr), u"default");

  // Values list in the order they were first set; replacing one keeps its place.
  ASSERT_EQ(SetString(key, u"TEXT", u"again"), ERROR_SUCCESS);
  std::vector<std::u16string> names;
  char16_t name[32];
  for (DWORD i = 0;; ++i) {
    DWORD length = 32;
    const LSTATUS status = RegEnumValueW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) break;
    ASSERT_EQ(status, ERROR_SUCCESS);
    names.emplace_back(name, length);
  }
  EXPECT_EQ(names, (std::vector<std::u16string>{u"", u"Text", u"Expand", u"Number", u"Wide",
                                                u"Binary", u"Multi", u"Empty"}));
  DWORD shortName = 3;
  EXPECT_EQ(RegEnumValueW(key, 1, name, &shortName, nullptr, nullptr, nullptr, nullptr),
            ERROR_MORE_DATA);
  size = 2;
  DWORD length = 32;
  EXPECT_EQ(RegEnumValueW(key, 1, name, &length, nullptr, &type, data, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 12u);
}

TEST_F(RegistryFunctions, DeletesKeysValuesAndTrees) {
  HKEY top = Create(u"Top");
  Create(u"Top\\Middle\\Bottom");
  ASSERT_EQ(SetString(top, u"name", u"value"), ERROR_SUCCESS);

  EXPECT_EQ(RegDeleteKeyW(HKEY_CLASSES_ROOT, u"Top\\Middle"), ERROR_ACCESS_DENIED)
      << "it still has a subkey";
  EXPECT_EQ(RegDeleteKeyW(top, u"Middle\\Bottom"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyW(top, u"Middle\\Bottom"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteValueW(top, u"NAME"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueW(top, u"name"), ERROR_FILE_NOT_FOUND);

  Create(u"Top\\A\\B\\C");
  ASSERT_EQ(SetString(top, u"kept", u"by the key"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteTreeW(HKEY_CLASSES_ROOT, u"Top\\A"), ERROR_SUCCESS);
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExW(top, u"A", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteTreeW(HKEY_CLASSES_ROOT, u"Top\\A"), ERROR_FILE_NOT_FOUND);
  // Without a subkey the tree below the key goes and the key stays.
  Create(u"Top\\X");
  EXPECT_EQ(RegDeleteTreeW(top, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(RegEnumKeyExW(top, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
            ERROR_INVALID_PARAMETER);
  char16_t name[8];
  DWORD length = 8;
  EXPECT_EQ(RegEnumKeyExW(top, 0, name, &length, nullptr, nullptr, nullptr, nullptr),
            ERROR_NO_MORE_ITEMS);
  EXPECT_FALSE(GetString(HKEY_CLASSES_ROOT, u"Top", u"kept"));

  // A key deleted while open says so.
  EXPECT_EQ(RegDeleteKeyW(HKEY_CLASSES_ROOT, u"Top"), ERROR_SUCCESS);
  EXPECT_EQ(SetString(top, u"late", u"x"), ERROR_KEY_DELETED);
  EXPECT_EQ(RegOpenKeyExW(top, u"", 0, KEY_READ, &key), ERROR_KEY_DELETED);
}

TEST_F(RegistryFunctions, SubkeysListInNameOrderWithoutRegardToCase) {
  for (const char16_t *name : {u"Keys\\delta", u"Keys\\Alpha", u"Keys\\charlie", u"Keys\\Bravo"})
    Create(name);
  HKEY keys = Create(u"Keys");
  std::vector<std::u16string> names;
  char16_t name[16];
  for (DWORD i = 0;; ++i) {
    DWORD length = 16;
    FILETIME time{1, 1};
    const LSTATUS status = RegEnumKeyExW(keys, i, name, &length, nullptr, nullptr, nullptr, &time);
    if (status == ERROR_NO_MORE_ITEMS) break;
    ASSERT_EQ(status, ERROR_SUCCESS);
    names.emplace_back(name, length);
  }
  EXPECT_EQ(names, (std::vector<std::u16string>{u"Alpha", u"Bravo", u"charlie", u"delta"}));
  DWORD length = 5;
  EXPECT_EQ(RegEnumKeyExW(keys, 0, name, &length, nullptr, nullptr, nullptr, nullptr),
            ERROR_MORE_DATA)
      << "five characters and the terminator do not fit in five";
}

TEST_F(RegistryFunctions, NamesAreDataAndNeverPaths) {
  // What a file system would read as a way out of a folder is just a name here.
  HKEY dots = Create(u"Sandbox\\..");
  ASSERT_EQ(SetString(dots, u"..\\..\\escape", u"stays"), ERROR_SUCCESS);
  EXPECT_EQ(GetString(HKEY_CLASSES_ROOT, u"Sandbox\\..", u"..\\..\\escape"), u"stays");
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, u"escape", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, u"Sandbox", 0, KEY_READ, &key), ERROR_SUCCESS);
  char16_t name[8];
  DWORD length = 8;
  ASSERT_EQ(RegEnumKeyExW(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(std::u16string(name), u"..");
  RegCloseKey(key);
  // A value name cannot break a line of the file.
  EXPECT_EQ(SetString(dots, u"a\nb", u"x"), ERROR_INVALID_NAME);
  // The file holds exactly what was made, and nothing outside the registry changed.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(registry.Folder()), {}), 2)
      << "the registry file and its lock file";
}

TEST_F(RegistryFunctions, ValueSizesAreLimitedAndChecked) {
  HKEY key = Create(u"Sizes");
  std::vector<BYTE> big(1024 * 1024 + 1);
  EXPECT_EQ(RegSetValueExW(key, u"big", 0, REG_BINARY, big.data(), static_cast<DWORD>(big.size())),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegSetValueExW(key, u"null", 0, REG_BINARY, nullptr, 4), ERROR_NOACCESS);
  EXPECT_EQ(RegSetValueExW(key, u"big", 0, REG_BINARY, big.data(), 1024 * 1024), ERROR_SUCCESS);
}

} // namespace
