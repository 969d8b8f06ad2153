// A status as the registry tools show it: "0x80070005 (Access is denied.)", followed by what
// was wrong with the registry file when that was the trouble.
#pragma once

#include "host/StatusCode.h"

#include <windows.h>
#include <zrqregistry.h>
#include <zrqtext.h>

#include <string>

inline std::string StatusText(HRESULT hr) {
  std::string text = StatusCode(hr);
  char16_t words[512];
  DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                static_cast<DWORD>(hr), 0, words, 512, nullptr);
  while (length > 0 && (words[length - 1] == u'\r' || words[length - 1] == u'\n')) --length;
  std::string narrow;
  if (length > 0 && ZrqWideToUtf8(std::u16string_view(words, length), &narrow))
    text += " (" + narrow + ")";
  char problem[2048];
  if (ZrqRegGetLastProblem(problem, sizeof problem) > 0) text += std::string(": ") + problem;
  return text;
}
