// LoadTypeLib(Ex): the library is read from a type-library file, or from a module's
// "TYPELIB" resource (the module is loaded to reach its resources).
#include <zrqboundary.h>
#include <winbase.h>
#include <zrqtext.h>

#include <fstream>
#include <iterator>
#include <cstring>
#include <vector>

#include "platform/ole/TypeLibrary.h"

using zrq::ole::TypeLibDescription;

namespace {

constexpr size_t kMaxLibrarySize = 64 * 1024 * 1024;

// "path\N" names resource N of the module at path; a plain path, resource 1.
void SplitResourceIndex(std::u16string *path, WORD *index) {
  *index = 1;
  const size_t slash = path->rfind(u'\\');
  if (slash == std::u16string::npos || slash + 1 == path->size() || path->size() - slash > 6)
    return;
  DWORD value = 0;
  for (size_t i = slash + 1; i < path->size(); ++i) {
    if ((*path)[i] < u'0' || (*path)[i] > u'9') return;
    value = value * 10 + ((*path)[i] - u'0');
  }
  if (value == 0 || value > 0xFFFF) return;
  *index = static_cast<WORD>(value);
  path->resize(slash);
}

HRESULT ReadModuleResource(const std::u16string &path, WORD index, std::vector<BYTE> *bytes) {
  const HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (module == nullptr) return TYPE_E_CANTLOADLIBRARY;
  HRESULT hr = TYPE_E_CANTLOADLIBRARY;
  if (HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(index), u"TYPELIB")) {
    const auto *data = static_cast<const BYTE *>(LockResource(LoadResource(module, resource)));
    if (data != nullptr) {
      bytes->assign(data, data + SizeofResource(module, resource));
      hr = S_OK;
    }
  }
  FreeLibrary(module);
  return hr;
}

HRESULT ReadLibraryBytes(std::u16string path, std::vector<BYTE> *bytes) {
  std::string file;
  if (!ZrqWideToUtf8(path, &file)) return TYPE_E_CANTLOADLIBRARY;
  WORD index = 1;
  if (!std::ifstream(file, std::ios::binary)) {
    SplitResourceIndex(&path, &index);
    return ReadModuleResource(path, index, bytes);
  }
  std::ifstream in(file, std::ios::binary);
  char magic[4] = {};
  in.read(magic, 4);
  // A module (an ELF image) carries its library as a resource; anything else is a library file.
  if (in.gcount() == 4 && std::string_view(magic, 4) == "\x7F"
                                                        "ELF")
    return ReadModuleResource(path, index, bytes);
  in.seekg(0);
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (bytes->size() > kMaxLibrarySize) return TYPE_E_INVDATAREAD;
  return S_OK;
}

} // namespace

WINOLEAUTAPI LoadTypeLibEx(LPCOLESTR szFile, REGKIND regkind, ITypeLib **pptlib) {
  if (pptlib == nullptr) return E_INVALIDARG;
  *pptlib = nullptr;
  // A C caller can pass any number as the kind; it is read as the int it is, never as the
  // enumeration, which could not hold it.
  int kind = 0;
  static_assert(sizeof kind == sizeof regkind);
  std::memcpy(&kind, &regkind, sizeof kind);
  if (szFile == nullptr || kind < REGKIND_DEFAULT || kind > REGKIND_NONE) return E_INVALIDARG;
  const bool registering = kind == REGKIND_REGISTER;
  return ZrqComBoundary(
      [&]() -> HRESULT {
        std::vector<BYTE> bytes;
        if (const HRESULT hr = ReadLibraryBytes(szFile, &bytes); FAILED(hr)) return hr;
        TypeLibDescription description;
        if (const HRESULT hr = zrq::ole::ReadTypeLibrary(bytes, &description); FAILED(hr))
          return hr;
        ITypeLib *library = nullptr;
        if (const HRESULT hr = zrq::ole::TypeLibrary::Create(std::move(description), &library);
            FAILED(hr))
          return hr;
        if (registering) {
          if (const HRESULT hr = RegisterTypeLib(library, szFile, nullptr); FAILED(hr)) {
            library->Release();
            return hr;
          }
        }
        *pptlib = library;
        return S_OK;
      },
      TYPE_E_CANTLOADLIBRARY);
}

WINOLEAUTAPI LoadTypeLib(LPCOLESTR szFile, ITypeLib **pptlib) {
  return LoadTypeLibEx(szFile, REGKIND_DEFAULT, pptlib);
}
