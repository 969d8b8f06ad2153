// UTF-8 and UTF-16 both ways, with the Windows calling conventions: an input length of -1
// includes the terminator, an output size of 0 asks for the size, and a malformed sequence
// either fails or becomes U+FFFD.
#include <stringapiset.h>
#include <winbase.h>
#include <zrqutf.h>

#include <string>

namespace {

bool KnownCodePage(UINT codePage) { return codePage == CP_UTF8 || codePage == CP_ACP; }

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
    for (size_t at = 0, length = 0; at < size; at += length) {
      char32_t c = 0;
      if (!ZrqDecodeUtf8(text, size, at, &c, &length)) {
        if (dwFlags & MB_ERR_INVALID_CHARS) {
          SetLastError(ERROR_NO_UNICODE_TRANSLATION);
          return 0;
        }
        // The replacement stands for the lead byte alone; what follows is read again.
        c = kZrqReplacementCharacter;
        length = 1;
      }
      ZrqAppendUtf16(converted, c);
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
    for (size_t i = 0, length = 0; i < size; i += length) {
      char32_t c = 0;
      if (!ZrqDecodeUtf16(lpWideCharStr, size, i, &c, &length)) {
        if (dwFlags & WC_ERR_INVALID_CHARS) {
          SetLastError(ERROR_NO_UNICODE_TRANSLATION);
          return 0;
        }
        c = kZrqReplacementCharacter;
      }
      ZrqAppendUtf8(converted, c);
    }
    return Deliver(converted, lpMultiByteStr, cbMultiByte);
  } catch (...) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
}
