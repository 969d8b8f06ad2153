// Type libraries: the binary library read back, damage refused, and the registry keys that
// registration writes and removes.
#include <gtest/gtest.h>

#include <atlbase.h>
#include <atlcomcli.h>
#include <zrqtext.h>

#include <fstream>
#include <iterator>
#include <random>
#include <vector>

#include "platform/ole/TypeLibReader.h"
#include "platform/registry/RegistryTestSupport.h"

namespace {

// {293D54B9-AC9E-435D-97B0-B6CF78EC8CD4}
const GUID kLibraryId = {
    0x293D54B9, 0xAC9E, 0x435D, {0x97, 0xB0, 0xB6, 0xCF, 0x78, 0xEC, 0x8C, 0xD4}};

std::vector<BYTE> LibraryBytes() {
  std::ifstream in(TYPELIB_PATH, std::ios::binary);
  return std::vector<BYTE>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::u16string Wide(const std::string &text) {
  std::u16string wide;
  ZrqUtf8ToWide(text, &wide);
  return wide;
}

CComPtr<ITypeLib> Load() {
  CComPtr<ITypeLib> library;
  EXPECT_EQ(LoadTypeLibEx(Wide(TYPELIB_PATH).c_str(), REGKIND_NONE, &library), S_OK);
  return library;
}

TEST(TypeLibrary, ReadsTheCompiledLibrary) {
  CComPtr<ITypeLib> library = Load();
  ASSERT_TRUE(library);
  TLIBATTR *attributes = nullptr;
  ASSERT_EQ(library->GetLibAttr(&attributes), S_OK);
  EXPECT_EQ(attributes->guid, kLibraryId);
  EXPECT_EQ(attributes->wMajorVerNum, 1);
  EXPECT_EQ(attributes->wMinorVerNum, 0);
  EXPECT_EQ(attributes->lcid, 0u);
  EXPECT_EQ(attributes->syskind, SYS_WIN64);
  library->ReleaseTLibAttr(attributes);

  CComBSTR name, doc, helpFile;
  DWORD context = 1;
  ASSERT_EQ(library->GetDocumentation(-1, &name, &doc, &context, &helpFile), S_OK);
  EXPECT_EQ(std::u16string(name), u"IZRQDistortion2DLib");
  EXPECT_EQ(std::u16string(doc), u"ZRQDistortion2D 1.0 Type Library");
  EXPECT_EQ(helpFile.m_str, nullptr);

  // Its types, whatever order the compiler put them in.
  std::map<std::u16string, std::pair<TYPEKIND, std::u16string>> types;
  for (UINT i = 0; i < library->GetTypeInfoCount(); ++i) {
    TYPEKIND kind = TKIND_MAX;
    CComBSTR typeName, typeDoc;
    ASSERT_EQ(library->GetTypeInfoType(i, &kind), S_OK);
    ASSERT_EQ(library->GetDocumentation(static_cast<INT>(i), &typeName, &typeDoc, nullptr, nullptr),
              S_OK);
    types[std::u16string(typeName)] = {kind, typeDoc.m_str ? std::u16string(typeDoc) : u""};
  }
  EXPECT_EQ(types[u"ZRQDistortion2DEffect"],
            std::make_pair(TKIND_COCLASS, std::u16string(u"ZRQDistortion2DEffect Class")));
  EXPECT_EQ(types[u"ZRQDistortion2DProp"],
            std::make_pair(TKIND_COCLASS, std::u16string(u"ZRQDistortion2DProp Class")));
  EXPECT_EQ(types[u"IZRQDistortion2DEffect"],
            std::make_pair(TKIND_INTERFACE, std::u16string(u"IZRQDistortion2DEffect Interface")));
  TYPEKIND kind;
  EXPECT_EQ(library->GetTypeInfoType(library->GetTypeInfoCount(), &kind), TYPE_E_ELEMENTNOTFOUND);
  EXPECT_EQ(library->GetDocumentation(-2, &name, nullptr, nullptr, nullptr),
            TYPE_E_ELEMENTNOTFOUND);
}

TEST(TypeLibrary, RefusesDamageAndOtherFiles) {
  const std::vector<BYTE> bytes = LibraryBytes();
  ASSERT_GT(bytes.size(), 0x100u);
  zrq::ole::TypeLibDescription description;
  for (size_t length = 0; length < bytes.size(); ++length) {
    const HRESULT hr = zrq::ole::ReadTypeLibrary(std::span(bytes.data(), length), &description);
    // A library may end with parts nothing points into; what it reads is whole.
    if (SUCCEEDED(hr)) continue;
    ASSERT_TRUE(hr == TYPE_E_INVDATAREAD || hr == TYPE_E_UNSUPFORMAT) << length;
  }
  // Offsets bent anywhere are caught, never followed out of the file.
  std::mt19937 random(7);
  for (int i = 0; i < 2000; ++i) {
    std::vector<BYTE> damaged = bytes;
    for (int j = 0; j < 4; ++j) damaged[random() % damaged.size()] = static_cast<BYTE>(random());
    (void)zrq::ole::ReadTypeLibrary(damaged, &description);
  }
  const BYTE text[] = "not a type library at all";
  EXPECT_EQ(zrq::ole::ReadTypeLibrary(std::span(text, sizeof text), &description),
            TYPE_E_UNSUPFORMAT);

  CComPtr<ITypeLib> library;
  EXPECT_EQ(LoadTypeLibEx(u"/nonexistent/library.tlb", REGKIND_NONE, &library),
            TYPE_E_CANTLOADLIBRARY);
  EXPECT_EQ(LoadTypeLibEx(Wide(TYPELIB_PATH).c_str(), static_cast<REGKIND>(7), &library),
            E_INVALIDARG);
  EXPECT_EQ(LoadTypeLibEx(nullptr, REGKIND_NONE, &library), E_INVALIDARG);
}

TEST(TypeLibrary, RegistrationWritesAndRemovesItsKeys) {
  TemporaryRegistry registry;
  CComPtr<ITypeLib> library = Load();
  ASSERT_TRUE(library);
  const char16_t *version = u"TypeLib\\{293D54B9-AC9E-435D-97B0-B6CF78EC8CD4}\\1.0";
  ASSERT_EQ(RegisterTypeLib(library, u"/opt/x/module.so", u"/opt/x"), S_OK);
  EXPECT_EQ(GetString(HKEY_CLASSES_ROOT, version, nullptr), u"ZRQDistortion2D 1.0 Type Library");
  EXPECT_EQ(
      GetString(HKEY_CLASSES_ROOT, (std::u16string(version) + u"\\0\\win64").c_str(), nullptr),
      u"/opt/x/module.so");
  EXPECT_EQ(GetString(HKEY_CLASSES_ROOT, (std::u16string(version) + u"\\FLAGS").c_str(), nullptr),
            u"0");
  EXPECT_EQ(GetString(HKEY_CLASSES_ROOT, (std::u16string(version) + u"\\HELPDIR").c_str(), nullptr),
            u"/opt/x");

  // Another system's registration of the same version keeps the version key alive.
  {
    CRegKey other;
    ASSERT_EQ(other.Create(HKEY_CLASSES_ROOT, (std::u16string(version) + u"\\0\\win32").c_str()),
              ERROR_SUCCESS);
  }
  ASSERT_EQ(UnRegisterTypeLib(kLibraryId, 1, 0, 0, SYS_WIN64), S_OK);
  EXPECT_FALSE(
      GetString(HKEY_CLASSES_ROOT, (std::u16string(version) + u"\\0\\win64").c_str(), nullptr));
  EXPECT_TRUE(GetString(HKEY_CLASSES_ROOT, version, nullptr));
  ASSERT_EQ(UnRegisterTypeLib(kLibraryId, 1, 0, 0, SYS_WIN32), S_OK);
  CRegKey key;
  EXPECT_EQ(key.Open(HKEY_CLASSES_ROOT, u"TypeLib\\{293D54B9-AC9E-435D-97B0-B6CF78EC8CD4}"),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(UnRegisterTypeLib(kLibraryId, 1, 0, 0, SYS_WIN64), TYPE_E_REGISTRYACCESS)
      << "not registered";
  EXPECT_EQ(RegisterTypeLib(nullptr, u"/x", nullptr), E_INVALIDARG);

  registry.Write("damaged");
  EXPECT_EQ(RegisterTypeLib(library, u"/opt/x/module.so", nullptr), TYPE_E_REGISTRYACCESS);
  EXPECT_EQ(registry.Text(), "damaged");
}

} // namespace
