// UTF-8 and UTF-16 both ways, with the Windows calling conventions: an input length of -1
// includes the terminator, an output size of 0 asks for the size, and a malformed sequence
// either fails or becomes U+FFFD.
#include <stringapiset.h>
#include <winbase.h>

#include <string>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool KnownCodePage(UINT codePage) { return codePage == CP_UTF8 || codePage == CP_ACP; }

// Reads one code point from UTF-8; false for a malformed sequence, which is then skipped by
// one byte, as the replacement stands for that byte.
bool DecodeUtf8(const unsigned char *text, size_t size, size_t *at, char32_t *out) {
  const unsigned char lead = text[*at];
  if (lead < 0x80) {
    *out = lead, ++*at;
    return true;
  }
  size_t extra = 0;
  char32_t c = 0, minimum = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    extra = 1, c = lead & 0x1F, minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    extra = 2, c = lead & 0x0F, minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    extra = 3, c = lead & 0x07, minimum = 0x10000;
  } else {
    ++*at;
    return false;
  }
  if (size - *at <= extra) {
    ++*at;
    return false;
  }
  for (size_t i = 1; i <= extra; ++i) {
    if ((text[*at + i] & 0xC0) != 0x80) {
      ++*at;
      return false;
    }
    c = (c << 6) | (text[*at + i] & 0x3F);
  }
  if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
    ++*at;
    return false;
  }
  *at += extra + 1;
  *out = c;
  return true;
}

void AppendUtf16(std::u16string &out, char32_t c) {
  if (c >= 0x10000) {
    out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
    out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
  } else {
    out += static_cast<char16_t>(c);
  }
}

void AppendUtf8(std::string &out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The common tail: hand back the size, or copy when it fits.
template <typename Unit>
int Deliver(const std::basic_string<Unit> &converted, Unit *out, int capacity) {
  if (converted.size() > 0x7FFFFFFF) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const int size = static_cast<int>(converted.size());
  if (capacity == 0) return size;
  if (size > capacity) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  converted.copy(out, converted.size());
  return size;
}

} // namespace

STDAPI_(int)
MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                    LPWSTR lpWideCharStr, int cchWideChar) {
  if (!KnownCodePage(CodePage) || lpMultiByteStr == nullptr || cbMultiByte == 0 ||
      cbMultiByte < -1 || cchWideChar < 0 || (cchWideChar > 0 && lpWideCharStr == nullptr)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if ((dwFlags & ~static_cast<DWORD>(MB_ERR_INVALID_CHARS)) != 0) {
    SetLastError(ERROR_INVALID_FLAGS);
    return 0;
  }
  try {
    const auto *text = reinterpret_cast<const unsigned char *>(lpMultiByteStr);
    const size_t size = cbMultiByte == -1 ? std::char_traits<char>::length(lpMultiByteStr) + 1
                                          : static_cast<size_t>(cbMultiByte);
    std::u16string converted;
    converted.reserve(size);
    for (size_t at = 0; at < size;) {
      char32_t c = 0;
      if (!DecodeUtf8(text, size, &at, &c)) {
        if (dwFlags & MB_ERR_INVALID_CHARS) {
          SetLastError(ERROR_NO_UNICODE_TRANSLATION);
          return 0;
        }
        c = kReplacement;
      }
      AppendUtf16(converted, c);
    }
    return Deliver(converted, lpWideCharStr, cchWideChar);
  } catch (...) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
}

STDAPI_(int)
WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                    LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar,
                    LPBOOL lpUsedDefaultChar) {
  // UTF-8 has no default character: every character has a form.
  if (!KnownCodePage(CodePage) || lpWideCharStr == nullptr || cchWideChar == 0 ||
      cchWideChar < -1 || cbMultiByte < 0 || (cbMultiByte > 0 && lpMultiByteStr == nullptr) ||
      lpDefaultChar != nullptr || lpUsedDefaultChar != nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if ((dwFlags & ~static_cast<DWORD>(WC_ERR_INVALID_CHARS)) != 0) {
    SetLastError(ERROR_INVALID_FLAGS);
    return 0;
  }
  try {
    const size_t size = cchWideChar == -1 ? std::char_traits<char16_t>::length(lpWideCharStr) + 1
                                          : static_cast<size_t>(cchWideChar);
    std::string converted;
    converted.reserve(size);
    for (size_t i = 0; i < size; ++i) {
      char32_t c = lpWideCharStr[i];
      if (c >= 0xD800 && c <= 0xDBFF && i + 1 < size && lpWideCharStr[i + 1] >= 0xDC00 &&
          lpWideCharStr[i + 1] <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (lpWideCharStr[++i] - 0xDC00);
      } else if (c >= 0xD800 && c <= 0xDFFF) {
        if (dwFlags & WC_ERR_INVALID_CHARS) {
          SetLastError(ERROR_NO_UNICODE_TRANSLATION);
          return 0;
        }
        c = kReplacement;
      }
      AppendUtf8(converted, c);
    }
    return Deliver(converted, lpMultiByteStr, cbMultiByte);
  } catch (...) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
}
