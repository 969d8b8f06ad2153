// The UTF-8 and UTF-16 forms of a code point, for every conversion of the platform: the
// Windows calls MultiByteToWideChar and WideCharToMultiByte and the holders' own helpers.
#pragma once

#include <cstddef>
#include <string>

inline constexpr char32_t kZrqReplacementCharacter = 0xFFFD;

// Reads one code point of UTF-8 at text[at]. *length is the bytes it takes; for a malformed
// sequence (bad lead byte, missing continuation, overlong form, encoded surrogate, beyond
// U+10FFFF) false, with *length the lead and the continuation bytes after it, at least 1.
inline bool ZrqDecodeUtf8(const unsigned char *text, size_t size, size_t at, char32_t *out,
                          size_t *length) {
  const unsigned char lead = text[at];
  *length = 1;
  if (lead < 0x80) {
    *out = lead;
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
    return false;
  }
  while (*length <= extra && at + *length < size && (text[at + *length] & 0xC0) == 0x80) {
    c = (c << 6) | (text[at + *length] & 0x3F);
    ++*length;
  }
  if (*length != extra + 1 || c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
    return false;
  *out = c;
  return true;
}

// Reads one code point of UTF-16 at text[i], a surrogate pair as one; false for an unpaired
// surrogate. *length is the units it takes.
inline bool ZrqDecodeUtf16(const char16_t *text, size_t size, size_t i, char32_t *out,
                           size_t *length) {
  const char32_t c = text[i];
  *length = 1;
  if (c >= 0xD800 && c <= 0xDBFF && i + 1 < size && text[i + 1] >= 0xDC00 &&
      text[i + 1] <= 0xDFFF) {
    *out = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
    *length = 2;
    return true;
  }
  *out = c;
  return c < 0xD800 || c > 0xDFFF;
}

inline void ZrqAppendUtf16(std::u16string &out, char32_t c) {
  if (c >= 0x10000) {
    out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
    out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
  } else {
    out += static_cast<char16_t>(c);
  }
}

inline void ZrqAppendUtf8(std::string &out, char32_t c) {
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
