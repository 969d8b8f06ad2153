#include "platform/xml/XmlParseErrorInfo.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string_view>

namespace {

void AppendUtf8(std::string &out, uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | ((code >> 18) & 0x07));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

uint32_t ReadUnit(const unsigned char *p, size_t width, bool bigEndian) {
  uint32_t value = 0;
  for (size_t i = 0; i < width; ++i) value |= uint32_t{p[bigEndian ? width - 1 - i : i]} << (8 * i);
  return value;
}

// The UTF-8 form of text as pugixml makes it before parsing: unpaired surrogates and a
// trailing partial unit are dropped, as pugixml drops them, so offsets line up.
std::string ConvertToUtf8(const unsigned char *text, size_t size, pugi::xml_encoding encoding) {
  std::string out;
  bool bigEndian = false;
  switch (encoding) {
  case pugi::encoding_latin1:
    for (size_t i = 0; i < size; ++i) AppendUtf8(out, text[i]);
    return out;
  case pugi::encoding_utf32_be:
    bigEndian = true;
    [[fallthrough]];
  case pugi::encoding_utf32_le:
  case pugi::encoding_utf32:
  case pugi::encoding_wchar:
    for (size_t i = 0; i + 4 <= size; i += 4) AppendUtf8(out, ReadUnit(text + i, 4, bigEndian));
    return out;
  case pugi::encoding_utf16_be:
    bigEndian = true;
    [[fallthrough]];
  case pugi::encoding_utf16_le:
  case pugi::encoding_utf16:
    for (size_t i = 0; i + 2 <= size; i += 2) {
      const uint32_t unit = ReadUnit(text + i, 2, bigEndian);
      if (unit >= 0xD800 && unit < 0xDC00 && i + 4 <= size) {
        const uint32_t next = ReadUnit(text + i + 2, 2, bigEndian);
        if (next >= 0xDC00 && next < 0xE000) {
          AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
          i += 2;
        }
      } else if (unit < 0xD800 || unit >= 0xE000) {
        AppendUtf8(out, unit);
      }
    }
    return out;
  case pugi::encoding_auto:
  case pugi::encoding_utf8:
    break;
  }
  out.assign(reinterpret_cast<const char *>(text), size);
  return out;
}

// The byte after the character starting at i.
size_t NextCharacter(std::string_view text, size_t i) {
  ++i;
  while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++i;
  return i;
}

// How many UTF-16 units the character starting at i takes.
size_t UnitsOf(std::string_view text, size_t i) {
  return static_cast<unsigned char>(text[i]) >= 0xF0 ? 2 : 1;
}

bool IsLineBreak(std::string_view text, size_t i) {
  return text[i] == '\n' || (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'));
}

LONG Saturated(size_t value) {
  constexpr auto kMost = std::numeric_limits<LONG>::max();
  return value >= static_cast<size_t>(kMost) ? kMost : static_cast<LONG>(value);
}

} // namespace

void XmlLocateParseError(const void *text, size_t size, pugi::xml_encoding encoding,
                         ptrdiff_t offset, bool skipSpace, XmlParseErrorInfo &info) {
  const auto *bytes = static_cast<const unsigned char *>(text);
  std::string converted;
  std::string_view utf8(reinterpret_cast<const char *>(bytes), size);
  if (encoding != pugi::encoding_utf8 && encoding != pugi::encoding_auto) {
    converted = ConvertToUtf8(bytes, size, encoding);
    utf8 = converted;
  }
  const size_t start = utf8.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
  size_t at = offset < 0 ? utf8.size() : std::min(static_cast<size_t>(offset), utf8.size());
  if (at < start) at = start;
  while (skipSpace && at < utf8.size() &&
         (utf8[at] == ' ' || utf8[at] == '\t' || utf8[at] == '\r' || utf8[at] == '\n')) {
    ++at;
  }

  size_t line = 1, filepos = 0, column = 0, lineStart = start;
  for (size_t i = start; i < at; i = NextCharacter(utf8, i)) {
    filepos += UnitsOf(utf8, i);
    if (IsLineBreak(utf8, i)) {
      ++line;
      column = 0;
      lineStart = i + 1;
    } else {
      column += UnitsOf(utf8, i);
    }
  }
  info.line = Saturated(line);
  info.linepos = Saturated(column + 1);
  info.filepos = Saturated(filepos);

  // Keep the error in view on a long line: show it with some of what comes before it.
  constexpr size_t kLeadIn = kMaxSourceText - 56;
  size_t from = lineStart;
  for (size_t skipped = 0; column > kLeadIn && skipped < column - kLeadIn && from < at;) {
    skipped += UnitsOf(utf8, from);
    from = NextCharacter(utf8, from);
  }
  size_t to = from;
  for (size_t units = 0; to < utf8.size() && utf8[to] != '\n' && utf8[to] != '\r';) {
    units += UnitsOf(utf8, to);
    if (units > kMaxSourceText) break;
    to = NextCharacter(utf8, to);
  }
  info.srcText.assign(utf8.substr(from, to - from));
}

const char *XmlParseStatusReason(const pugi::xml_parse_result &result) {
  switch (result.status) {
  case pugi::status_ok:
    return "";
  case pugi::status_file_not_found:
    return "The file was not found.";
  case pugi::status_io_error:
    return "The file could not be read.";
  case pugi::status_out_of_memory:
    return "There was not enough memory to parse the document.";
  case pugi::status_internal_error:
    return "The parser failed on this text.";
  case pugi::status_unrecognized_tag:
    return "This is not a tag the parser knows.";
  case pugi::status_bad_pi:
    return "A declaration or processing instruction is malformed.";
  case pugi::status_bad_comment:
    return "A comment is malformed.";
  case pugi::status_bad_cdata:
    return "A CDATA section is malformed.";
  case pugi::status_bad_doctype:
    return "The document type declaration is malformed.";
  case pugi::status_bad_pcdata:
    return "Text content is malformed.";
  case pugi::status_bad_start_element:
    return "A start tag is malformed or not closed.";
  case pugi::status_bad_attribute:
    return "An attribute is malformed.";
  case pugi::status_bad_end_element:
    return "An end tag is malformed.";
  case pugi::status_end_element_mismatch:
    return "The end tag does not match the start tag.";
  case pugi::status_append_invalid_root:
    return "The parser could not add a node to the document.";
  case pugi::status_no_document_element:
    return "The document has no element.";
  }
  return result.description();
}

const char *XmlFileErrorReason(HRESULT hr) {
  if (hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)) return "The file was not found.";
  if (hr == HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND))
    return "The folder of the file was not found.";
  if (hr == HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED))
    return "The file could not be opened: access denied.";
  return "The file could not be read.";
}
