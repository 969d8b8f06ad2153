#include "host/MessageText.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// The length of the well-formed UTF-8 sequence at the start of `text` that is printable (no
// C1 control), or 0.
size_t PrintableSequence(std::string_view text) {
  const unsigned char lead = static_cast<unsigned char>(text[0]);
  size_t length = 0;
  unsigned first = 0x80, last = 0xBF; // the range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) first = 0xA0; // no overlong forms
    if (lead == 0xED) last = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) first = 0x90;
    if (lead == 0xF4) last = 0x8F; // nothing past U+10FFFF
  }
  if (length == 0 || text.size() < length) return 0;
  for (size_t i = 1; i < length; ++i) {
    const unsigned char next = static_cast<unsigned char>(text[i]);
    if (next < (i == 1 ? first : 0x80) || next > (i == 1 ? last : 0xBF)) return 0;
  }
  // U+0080..U+009F are the C1 controls, which some terminals obey.
  if (lead == 0xC2 && static_cast<unsigned char>(text[1]) <= 0x9F) return 0;
  return length;
}

} // namespace

std::string Printable(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
      ++i;
      continue;
    }
    if (const size_t length = c >= 0x80 ? PrintableSequence(text.substr(i)) : 0; length > 0) {
      out.append(text.substr(i, length));
      i += length;
      continue;
    }
    switch (c) {
    case '\n':
      out += "\\n";
      break;
    case '\r':
      out += "\\r";
      break;
    case '\t':
      out += "\\t";
      break;
    default: {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02X", c);
      out += escape;
    }
    }
    ++i;
  }
  return out;
}

std::string Quoted(std::string_view name) { return "'" + Printable(name) + "'"; }

std::string NumberText(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", value);
  return text;
}

std::string SystemReason(int error) {
  switch (error) {
  case ENOSPC:
    return "no space is left on the device";
  case EDQUOT:
    return "the disk quota is used up";
  case EFBIG:
    return "the file would be larger than the file system allows";
  case EACCES:
  case EPERM:
    return "permission denied";
  case ENOENT:
    return "no such file or folder";
  case ENOTDIR:
    return "a folder on the way is not a folder";
  case EISDIR:
    return "it is a folder";
  case ENAMETOOLONG:
    return "the name is too long";
  case EROFS:
    return "the file system is read-only";
  case ELOOP:
    return "too many symbolic links";
  case EPIPE:
    return "the reader closed the pipe (broken pipe)";
  case EIO:
    return "an input/output error on the device";
  case ENXIO:
    return "no device or reader is there";
  case ENOMEM:
    return "out of memory";
  default:
    return std::strerror(error);
  }
}
