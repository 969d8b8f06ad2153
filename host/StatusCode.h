// HRESULTs as messages show them.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

// "0x80020005".
inline std::string StatusCode(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", unsigned(hr));
  return text;
}
