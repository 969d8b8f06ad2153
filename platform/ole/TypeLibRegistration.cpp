// RegisterTypeLib and UnRegisterTypeLib: the keys under HKEY_CLASSES_ROOT\TypeLib that let a
// client find a library by its identifier and version.
#include <zrqboundary.h>
#include <atlbase.h>
#include <atlcomcli.h>
#include <winbase.h>

#include <cstdio>
#include <string>

namespace {

// Every registry failure is reported as one, as Windows does.
constexpr HRESULT kRegistryFailure = TYPE_E_REGISTRYACCESS;

std::u16string Ascii(const char *text) {
  return std::u16string(text, text + std::char_traits<char>::length(text));
}

std::u16string Hex(unsigned value) {
  char text[16];
  std::snprintf(text, sizeof text, "%x", value);
  return Ascii(text);
}

// "TypeLib\{libid}\major.minor", the numbers in hexadecimal.
std::u16string VersionKeyName(REFGUID libid, WORD major, WORD minor) {
  OLECHAR guid[CHARS_IN_GUID];
  StringFromGUID2(libid, guid, CHARS_IN_GUID);
  return u"TypeLib\\" + std::u16string(guid) + u"\\" + Hex(major) + u"." + Hex(minor);
}

const char16_t *SysKindName(SYSKIND syskind) {
  switch (syskind) {
  case SYS_WIN16:
    return u"win16";
  case SYS_WIN32:
    return u"win32";
  case SYS_WIN64:
    return u"win64";
  case SYS_MAC:
    return u"mac";
  }
  return nullptr;
}

bool HasSubkeys(HKEY key) {
  char16_t name[256];
  DWORD length = 256;
  return RegEnumKeyExW(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) !=
         ERROR_NO_MORE_ITEMS;
}

// Whether the version key holds anything but its FLAGS and HELPDIR: another locale or system.
bool HoldsOtherRegistrations(HKEY version) {
  char16_t name[256];
  for (DWORD i = 0;; ++i) {
    DWORD length = 256;
    const LSTATUS status =
        RegEnumKeyExW(version, i, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) return false;
    const std::u16string key(name, length);
    if (status != ERROR_SUCCESS || (key != u"FLAGS" && key != u"HELPDIR")) return true;
  }
}

HRESULT WriteKeys(const TLIBATTR &attributes, const CComBSTR &name, const CComBSTR &doc,
                  const CComBSTR &helpFile, LPCOLESTR fullPath, LPCOLESTR helpDir) {
  const char16_t *system = SysKindName(attributes.syskind);
  if (system == nullptr) return E_INVALIDARG;
  CRegKey version, path, flags, help;
  const std::u16string text =
      doc.Length() > 0 ? std::u16string(doc) : (name.m_str ? std::u16string(name) : u"");
  const std::u16string pathKey = Hex(attributes.lcid) + u"\\" + system;
  if (version.Create(HKEY_CLASSES_ROOT, VersionKeyName(attributes.guid, attributes.wMajorVerNum,
                                                       attributes.wMinorVerNum)
                                            .c_str()) != ERROR_SUCCESS ||
      version.SetStringValue(nullptr, text.c_str()) != ERROR_SUCCESS ||
      path.Create(version, pathKey.c_str()) != ERROR_SUCCESS ||
      path.SetStringValue(nullptr, fullPath) != ERROR_SUCCESS ||
      flags.Create(version, u"FLAGS") != ERROR_SUCCESS ||
      flags.SetStringValue(nullptr, Ascii(std::to_string(attributes.wLibFlags).c_str()).c_str()) !=
          ERROR_SUCCESS)
    return kRegistryFailure;
  // Without a help folder of the caller's, the one that holds the library's help file.
  std::u16string folder = helpDir ? std::u16string(helpDir) : std::u16string();
  if (!helpDir && helpFile.Length() > 0) {
    const std::u16string file(helpFile);
    const size_t slash = file.find_last_of(u"/\\");
    if (slash != std::u16string::npos) folder = file.substr(0, slash);
  }
  if (helpDir || !folder.empty()) {
    if (help.Create(version, u"HELPDIR") != ERROR_SUCCESS ||
        help.SetStringValue(nullptr, folder.c_str()) != ERROR_SUCCESS)
      return kRegistryFailure;
  }
  return S_OK;
}

} // namespace

WINOLEAUTAPI RegisterTypeLib(ITypeLib *ptlib, LPCOLESTR szFullPath, LPCOLESTR szHelpDir) {
  if (ptlib == nullptr || szFullPath == nullptr) return E_INVALIDARG;
  return ZrqComBoundary([&]() -> HRESULT {
    TLIBATTR *attributes = nullptr;
    if (const HRESULT hr = ptlib->GetLibAttr(&attributes); FAILED(hr)) return hr;
    CComBSTR name, doc, helpFile;
    HRESULT hr = ptlib->GetDocumentation(-1, &name, &doc, nullptr, &helpFile);
    if (SUCCEEDED(hr)) hr = WriteKeys(*attributes, name, doc, helpFile, szFullPath, szHelpDir);
    ptlib->ReleaseTLibAttr(attributes);
    return hr;
  });
}

WINOLEAUTAPI UnRegisterTypeLib(REFGUID libID, WORD wVerMajor, WORD wVerMinor, LCID lcid,
                               SYSKIND syskind) {
  const char16_t *system = SysKindName(syskind);
  if (system == nullptr) return E_INVALIDARG;
  return ZrqComBoundary([&]() -> HRESULT {
    const std::u16string versionName = VersionKeyName(libID, wVerMajor, wVerMinor);
    CRegKey version;
    if (version.Open(HKEY_CLASSES_ROOT, versionName.c_str()) != ERROR_SUCCESS)
      return kRegistryFailure;
    CRegKey locale;
    const std::u16string localeName = Hex(lcid);
    if (locale.Open(version, localeName.c_str()) == ERROR_SUCCESS) {
      const LSTATUS status = locale.RecurseDeleteKey(system);
      if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) return kRegistryFailure;
      const bool empty = !HasSubkeys(locale);
      locale.Close();
      if (empty && version.RecurseDeleteKey(localeName.c_str()) != ERROR_SUCCESS)
        return kRegistryFailure;
    }
    if (HoldsOtherRegistrations(version)) return S_OK;
    version.Close();
    if (RegDeleteTreeW(HKEY_CLASSES_ROOT, versionName.c_str()) != ERROR_SUCCESS)
      return kRegistryFailure;
    // The library's own key goes with its last version.
    const std::u16string libraryName = versionName.substr(0, versionName.rfind(u'\\'));
    CRegKey library;
    if (library.Open(HKEY_CLASSES_ROOT, libraryName.c_str()) == ERROR_SUCCESS &&
        !HasSubkeys(library)) {
      library.Close();
      if (RegDeleteKeyW(HKEY_CLASSES_ROOT, libraryName.c_str()) != ERROR_SUCCESS)
        return kRegistryFailure;
    }
    return S_OK;
  });
}
