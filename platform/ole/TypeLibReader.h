// Reads a binary type library (the "MSFT" format that MIDL and widl write): the library's
// attributes and documentation, and each type's kind, identifier, name and help string.
// Every offset in the file is checked before it is followed; a damaged library is refused.
#pragma once

#include <span>
#include <string>
#include <vector>

#include <oleauto.h>

namespace zrq::ole {

struct TypeDescription {
  TYPEKIND kind = TKIND_MAX;
  GUID guid{};
  std::u16string name;
  std::u16string docString;
  DWORD helpContext = 0;
};

struct TypeLibDescription {
  TLIBATTR attributes{};
  std::u16string name;
  std::u16string docString;
  std::u16string helpFile;
  DWORD helpContext = 0;
  std::vector<TypeDescription> types;
};

// S_OK, TYPE_E_UNSUPFORMAT for another format (an old-style or text library),
// TYPE_E_INVDATAREAD for a library whose parts do not lie where it says.
[[nodiscard]] HRESULT ReadTypeLibrary(std::span<const BYTE> bytes, TypeLibDescription *description);

} // namespace zrq::ole
