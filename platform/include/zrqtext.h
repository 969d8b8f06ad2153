// Strict UTF-8 and UTF-16 conversions for C++ callers, over MultiByteToWideChar and
// WideCharToMultiByte: text that is not well formed is refused, never guessed at.
#pragma once

#include <string>
#include <string_view>

#include "stringapiset.h"

// False (with the last error ERROR_NO_UNICODE_TRANSLATION) when `in` is not UTF-8.
inline bool ZrqUtf8ToWide(std::string_view in, std::u16string *out) {
  out->clear();
  if (in.empty()) return true;
  if (in.size() > 0x7FFFFFFF) return false;
  const int size = static_cast<int>(in.size());
  const int needed =
      MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, in.data(), size, nullptr, 0);
  if (needed <= 0) return false;
  out->resize(static_cast<size_t>(needed));
  return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, in.data(), size, out->data(), needed) ==
         needed;
}

// False when `in` holds an unpaired surrogate.
inline bool ZrqWideToUtf8(std::u16string_view in, std::string *out) {
  out->clear();
  if (in.empty()) return true;
  if (in.size() > 0x7FFFFFFF) return false;
  const int size = static_cast<int>(in.size());
  const int needed = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, in.data(), size, nullptr, 0,
                                         nullptr, nullptr);
  if (needed <= 0) return false;
  out->resize(static_cast<size_t>(needed));
  return WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, in.data(), size, out->data(), needed,
                             nullptr, nullptr) == needed;
}
