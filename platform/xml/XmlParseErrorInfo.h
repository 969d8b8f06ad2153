// What the last load of a document found wrong, and where, as IXMLDOMParseError tells it.
#pragma once

#include <cstddef>
#include <string>

#include <pugixml.hpp>
#include <winerror.h>
#include <wtypes.h>

// errorCode is S_OK after a load that succeeded. Text that is not a well-formed document
// gives XmlNotWellFormed; a file that cannot be read gives the file system's status.
// Positions count UTF-16 units, as a caller indexing the text in a BSTR would: line and
// linepos from 1, filepos from 0; a byte-order mark is not counted. They are 0 when the
// error has no place in the text (a file that cannot be read).
struct XmlParseErrorInfo {
  HRESULT errorCode = S_OK;
  std::string reason;  // one sentence, UTF-8
  std::string srcText; // the line holding the error, at most kMaxSourceText UTF-16 units
  std::string url;     // the path given to load; empty for loadXML
  LONG line = 0;
  LONG linepos = 0;
  LONG filepos = 0;
};

constexpr HRESULT XmlNotWellFormed = E_FAIL;
// A longer line is shown from a little before the error, so the error stays in view.
constexpr size_t kMaxSourceText = 256;

// Fills the position and source text of info for offset, an offset into pugixml's parse
// buffer of the text (size bytes in encoding; an offset beyond the text means its end).
// pugixml parses UTF-8 in place and converts any other encoding to UTF-8 first, byte-order
// mark included, so the offset is a byte offset into the UTF-8 form of the text.
// With skipSpace, the place is the first character after any white space at offset.
void XmlLocateParseError(const void *text, size_t size, pugi::xml_encoding encoding,
                         ptrdiff_t offset, bool skipSpace, XmlParseErrorInfo &info);

// One sentence saying what a failed pugixml parse found.
const char *XmlParseStatusReason(const pugi::xml_parse_result &result);

// One sentence saying why a file could not be read.
const char *XmlFileErrorReason(HRESULT hr);
