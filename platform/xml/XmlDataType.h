// The data types an element can carry (the value of its dt:dt attribute) and the text form
// of each: how a VARIANT is written as element text and read back from it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include <oleauto.h>

enum class XmlDataType {
  String,
  Boolean,
  I1,
  I2,
  I4,
  Int,
  I8,
  UI1,
  UI2,
  UI4,
  UI8,
  R4,
  R8,
  Float,
  Number,
};

// The type for a data-type name ("r8", "boolean", ...), matched without regard to case;
// nothing for a name this DOM does not know.
std::optional<XmlDataType> XmlDataTypeFromName(std::string_view name);
// The canonical (lower-case) name.
const char *XmlDataTypeName(XmlDataType type);
// The VARTYPE a value is converted to before it is written.
VARTYPE XmlDataTypeStorageVarType(XmlDataType type);

// The text form of value, which must already have the storage VARTYPE of type: integers in
// decimal, floating point in the shortest form that reads back to the same value (C locale,
// exponent as E+308), boolean as "1" or "0", strings as they are. A NaN or infinite value of
// a float type has no text form: DISP_E_OVERFLOW.
HRESULT XmlFormatTypedText(XmlDataType type, const VARIANT &value, std::string &text);

// Reads text as type into out (which is overwritten, not cleared). Surrounding white space is
// ignored for the non-string types; empty text gives VT_NULL. Text that is not a value of the
// type gives DISP_E_TYPEMISMATCH, a value outside its range DISP_E_OVERFLOW.
HRESULT XmlParseTypedText(XmlDataType type, std::string_view text, VARIANT *out);
