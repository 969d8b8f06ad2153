#include <cstring>
#include <string>

#include <gtest/gtest.h>
#include <winuser.h>
#include <zrqresource.h>

namespace {

std::string Bytes(HMODULE module, HRSRC resource) {
  const auto *data = static_cast<const char *>(LockResource(LoadResource(module, resource)));
  const DWORD size = SizeofResource(module, resource);
  if (data == nullptr) return "<null>";
  EXPECT_EQ(data[size], '\0') << "file resources end in a terminator";
  return std::string(data, size);
}

TEST(FindResource, FindsByIntegerAndNamedTypes) {
  const HMODULE self = ZrqThisModule();
  HRSRC script = FindResourceW(self, MAKEINTRESOURCEW(101), u"REGISTRY");
  ASSERT_NE(script, nullptr);
  EXPECT_EQ(Bytes(self, script), "HKCR\n{\n  NoRemove CLSID\n}\n");

  EXPECT_EQ(FindResourceW(self, u"#101", u"registry"), script) << "names ignore case; #n is id n";
  HRSRC shader = FindResourceW(self, u"Wave", u"hlsl");
  ASSERT_NE(shader, nullptr);
  EXPECT_EQ(Bytes(self, shader), "float4 main() : COLOR { return 0; }");

  HRSRC empty = FindResourceW(self, MAKEINTRESOURCEW(7), u"CUSTOM TYPE");
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(SizeofResource(self, empty), 0u);
}

TEST(FindResource, ReportsWhatIsMissing) {
  const HMODULE self = ZrqThisModule();
  SetLastError(0);
  EXPECT_EQ(FindResourceW(self, MAKEINTRESOURCEW(102), u"REGISTRY"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
  EXPECT_EQ(FindResourceW(self, MAKEINTRESOURCEW(101), u"TYPELIB"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_TYPE_NOT_FOUND));
  EXPECT_EQ(FindResourceW(self, u"#1x", u"REGISTRY"), nullptr) << "not a number";
  EXPECT_EQ(FindResourceW(self, u"WAVE", RT_RCDATA), nullptr);

  // The kernel library itself carries no resources.
  const HMODULE kernel =
      ZrqGetModuleHandleFromAddress(reinterpret_cast<const void *>(&LoadStringW));
  ASSERT_NE(kernel, nullptr);
  ASSERT_NE(kernel, self);
  EXPECT_EQ(FindResourceW(kernel, MAKEINTRESOURCEW(101), u"REGISTRY"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_DATA_NOT_FOUND));

  EXPECT_EQ(FindResourceW(self, nullptr, u"REGISTRY"), nullptr);
  EXPECT_EQ(FindResourceW(self, MAKEINTRESOURCEW(101), nullptr), nullptr);
}

TEST(FindResource, HandlesThatAreNotResourcesAreRefused) {
  ZRQ_RESOURCE_ENTRY forged{};
  const HMODULE self = ZrqThisModule();
  EXPECT_EQ(LoadResource(self, reinterpret_cast<HRSRC>(&forged)), nullptr);
  EXPECT_EQ(SizeofResource(self, reinterpret_cast<HRSRC>(&forged)), 0u);
  EXPECT_EQ(LoadResource(self, nullptr), nullptr);
  HRSRC script = FindResourceW(self, MAKEINTRESOURCEW(101), u"REGISTRY");
  ASSERT_NE(script, nullptr);
  EXPECT_EQ(LoadResource(self, reinterpret_cast<HRSRC>(reinterpret_cast<char *>(script) + 1)),
            nullptr);
}

TEST(ResourceRegistration, RegistersAndUnregistersDirectories) {
  static const char16_t block[] = {0, 3, u'a', u'b', u'c', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  static const ZRQ_RESOURCE_ENTRY entries[] = {{6, nullptr, 1, nullptr, 1033, block, sizeof block}};
  static const ZRQ_RESOURCE_DIRECTORY directory = {entries, 1};
  // Any address works as a key; this one is no image.
  const auto module = reinterpret_cast<HMODULE>(0x10000);
  EXPECT_EQ(ZrqRegisterResources(nullptr, &directory), E_INVALIDARG);
  EXPECT_EQ(ZrqRegisterResources(module, nullptr), E_INVALIDARG);
  const ZRQ_RESOURCE_DIRECTORY broken = {nullptr, 3};
  EXPECT_EQ(ZrqRegisterResources(module, &broken), E_INVALIDARG);

  ASSERT_EQ(ZrqRegisterResources(module, &directory), S_OK);
  WCHAR buffer[8];
  EXPECT_EQ(LoadStringW(module, 1, buffer, 8), 3);
  EXPECT_EQ(std::u16string(buffer), u"abc");
  EXPECT_EQ(ZrqUnregisterResources(module, &directory), S_OK);
  EXPECT_EQ(ZrqUnregisterResources(module, &directory), S_FALSE);
  EXPECT_EQ(LoadStringW(module, 1, buffer, 8), 0);
}

TEST(ResourceRegistration, LengthsPastTheBlockAreNotFollowed) {
  // A block whose second length runs past its end.
  static const char16_t block[] = {1, u'a', 40, u'b'};
  static const ZRQ_RESOURCE_ENTRY entries[] = {{6, nullptr, 1, nullptr, 1033, block, sizeof block}};
  static const ZRQ_RESOURCE_DIRECTORY directory = {entries, 1};
  const auto module = reinterpret_cast<HMODULE>(0x20000);
  ASSERT_EQ(ZrqRegisterResources(module, &directory), S_OK);
  WCHAR buffer[64];
  EXPECT_EQ(LoadStringW(module, 0, buffer, 64), 1);
  EXPECT_EQ(LoadStringW(module, 1, buffer, 64), 0);
  EXPECT_EQ(LoadStringW(module, 5, buffer, 64), 0);
  EXPECT_EQ(ZrqUnregisterResources(module, &directory), S_OK);
}

TEST(ModuleHandle, IsTheImageHoldingTheAddress) {
  EXPECT_EQ(ZrqGetModuleHandleFromAddress(nullptr), nullptr);
  int onTheStack = 0;
  EXPECT_EQ(ZrqGetModuleHandleFromAddress(&onTheStack), nullptr);
  EXPECT_NE(ZrqThisModule(), nullptr);
  EXPECT_EQ(ZrqGetModuleHandleFromAddress(reinterpret_cast<const void *>(&Bytes)), ZrqThisModule());
}

} // namespace
