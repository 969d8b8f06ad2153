// Small helpers every DOM method uses: strings across the BSTR boundary and XML names. Each
// method runs inside ZrqComBoundary, which keeps exceptions inside the platform.
#pragma once

#include <new>
#include <string>
#include <string_view>

#include <atlcomcli.h>
#include <zrqboundary.h>

// A fresh BSTR of UTF-8 text into *out.
inline HRESULT XmlMakeBstr(std::string_view utf8, BSTR *out) {
  const std::u16string wide = ZrqFromUtf8(utf8);
  if (wide.size() > 0x7FFFFFF0u) return E_OUTOFMEMORY;
  BSTR copy = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
  if (!copy) return E_OUTOFMEMORY;
  *out = copy;
  return S_OK;
}

// The UTF-8 form of a BSTR; a null BSTR reads as "".
inline std::string XmlFromBstr(BSTR text) { return ZrqToUtf8(text, SysStringLen(text)); }

// Whether name can be written as an element or attribute name: not empty, no markup,
// quote, white space or control characters, and not starting with a digit, '-' or '.'.
// Names beyond ASCII are taken as they are.
inline bool XmlIsValidName(std::string_view name) {
  if (name.empty()) return false;
  const char first = name.front();
  if ((first >= '0' && first <= '9') || first == '-' || first == '.' || first == ':') return false;
  for (const char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (u <= 0x20 || u == 0x7F) return false;
    if (std::string_view("<>&\"'/=!?;,()[]{}*+|^`~\\%$#@").find(c) != std::string_view::npos)
      return false;
  }
  return true;
}
