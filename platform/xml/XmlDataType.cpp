#include "platform/xml/XmlDataType.h"

#include <atlcomcli.h>

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

namespace {

struct DataTypeEntry {
  XmlDataType type;
  const char *name;
  VARTYPE storage;
};

// "number" is read back as text (its precision is unbounded), as the platform's DOM does;
// "float" and "int" are aliases of r8 and i4.
constexpr std::array<DataTypeEntry, 15> kDataTypes = {{
    {XmlDataType::String, "string", VT_BSTR},
    {XmlDataType::Boolean, "boolean", VT_BOOL},
    {XmlDataType::I1, "i1", VT_I1},
    {XmlDataType::I2, "i2", VT_I2},
    {XmlDataType::I4, "i4", VT_I4},
    {XmlDataType::Int, "int", VT_I4},
    {XmlDataType::I8, "i8", VT_I8},
    {XmlDataType::UI1, "ui1", VT_UI1},
    {XmlDataType::UI2, "ui2", VT_UI2},
    {XmlDataType::UI4, "ui4", VT_UI4},
    {XmlDataType::UI8, "ui8", VT_UI8},
    {XmlDataType::R4, "r4", VT_R4},
    {XmlDataType::R8, "r8", VT_R8},
    {XmlDataType::Float, "float", VT_R8},
    {XmlDataType::Number, "number", VT_R8},
}};

const DataTypeEntry &Entry(XmlDataType type) { return kDataTypes[static_cast<size_t>(type)]; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

std::string_view TrimXmlSpace(std::string_view text) {
  constexpr std::string_view kSpace = " \t\r\n";
  const size_t first = text.find_first_not_of(kSpace);
  if (first == std::string_view::npos) return {};
  const size_t last = text.find_last_not_of(kSpace);
  return text.substr(first, last - first + 1);
}

template <class T> void AppendNumber(std::string &text, T value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof(buffer), value);
  text.append(buffer, result.ptr);
}

// The shortest text that reads back to the same value, with the exponent written as the
// data type documentation writes it (1.7976931348623157E+308). The float types have no
// infinities and no NaN: such a value is refused rather than written in a form no reader
// of the type takes.
template <class T> HRESULT AppendFloating(std::string &text, T value) {
  if (!std::isfinite(value)) return DISP_E_OVERFLOW;
  const size_t start = text.size();
  AppendNumber(text, value);
  const size_t e = text.find('e', start);
  if (e != std::string::npos) text[e] = 'E';
  return S_OK;
}

// An optional sign and decimal digits, nothing else. magnitude saturates; overflowed tells.
bool ParseInteger(std::string_view text, bool &negative, uint64_t &magnitude, bool &overflowed) {
  negative = false;
  overflowed = false;
  magnitude = 0;
  size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == text.size()) return false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return false;
    const uint64_t digit = static_cast<uint64_t>(c - '0');
    if (magnitude > (UINT64_MAX - digit) / 10) {
      overflowed = true;
    } else {
      magnitude = magnitude * 10 + digit;
    }
  }
  return true;
}

HRESULT ParseSigned(std::string_view text, int64_t minimum, int64_t maximum, int64_t &value) {
  bool negative, overflowed;
  uint64_t magnitude;
  if (!ParseInteger(text, negative, magnitude, overflowed)) return DISP_E_TYPEMISMATCH;
  if (overflowed) return DISP_E_OVERFLOW;
  if (negative) {
    if (magnitude > static_cast<uint64_t>(-(minimum + 1)) + 1) return DISP_E_OVERFLOW;
    value = magnitude == 0 ? 0 : -static_cast<int64_t>(magnitude - 1) - 1;
  } else {
    if (magnitude > static_cast<uint64_t>(maximum)) return DISP_E_OVERFLOW;
    value = static_cast<int64_t>(magnitude);
  }
  return S_OK;
}

HRESULT ParseUnsigned(std::string_view text, uint64_t maximum, uint64_t &value) {
  bool negative, overflowed;
  uint64_t magnitude;
  if (!ParseInteger(text, negative, magnitude, overflowed)) return DISP_E_TYPEMISMATCH;
  if (overflowed || magnitude > maximum || (negative && magnitude != 0)) return DISP_E_OVERFLOW;
  value = magnitude;
  return S_OK;
}

// Decimal or exponent notation only: the float types have no INF or NaN, and hexadecimal
// forms are not numbers here. A value too small to represent reads as the nearest one (zero
// or a denormal), a value too large is an overflow.
template <class T> HRESULT ParseFloating(std::string_view text, T &value) {
  if (text.find_first_not_of("0123456789+-.eE") != std::string_view::npos)
    return DISP_E_TYPEMISMATCH;
  // from_chars takes no plus sign; one is allowed in front of an unsigned number.
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (text.empty() || text.front() == '+' || text.front() == '-') return DISP_E_TYPEMISMATCH;
  }
  const char *end = text.data() + text.size();
  const auto result = std::from_chars(text.data(), end, value, std::chars_format::general);
  if (result.ec == std::errc::result_out_of_range && result.ptr == end) {
    // from_chars refuses both directions of range error; tell them apart by the exponent's sign.
    const size_t e = text.find_first_of("eE");
    if (e != std::string_view::npos && e + 1 < text.size() && text[e + 1] == '-') {
      const bool negative = text.front() == '-';
      value = negative ? -T(0) : T(0);
      return S_OK;
    }
    return DISP_E_OVERFLOW;
  }
  if (result.ec != std::errc() || result.ptr != end) return DISP_E_TYPEMISMATCH;
  return S_OK;
}

} // namespace

std::optional<XmlDataType> XmlDataTypeFromName(std::string_view name) {
  for (const DataTypeEntry &entry : kDataTypes) {
    if (EqualsIgnoringCase(name, entry.name)) return entry.type;
  }
  return std::nullopt;
}

const char *XmlDataTypeName(XmlDataType type) { return Entry(type).name; }

VARTYPE XmlDataTypeStorageVarType(XmlDataType type) { return Entry(type).storage; }

HRESULT XmlFormatTypedText(XmlDataType type, const VARIANT &value, std::string &text) {
  text.clear();
  if (value.vt != XmlDataTypeStorageVarType(type)) return DISP_E_TYPEMISMATCH;
  switch (type) {
  case XmlDataType::String:
    text = ZrqToUtf8(value.bstrVal, SysStringLen(value.bstrVal));
    return S_OK;
  case XmlDataType::Boolean:
    text = value.boolVal ? "1" : "0";
    return S_OK;
  case XmlDataType::I1:
    AppendNumber(text, static_cast<int>(value.cVal));
    return S_OK;
  case XmlDataType::I2:
    AppendNumber(text, value.iVal);
    return S_OK;
  case XmlDataType::I4:
  case XmlDataType::Int:
    AppendNumber(text, value.lVal);
    return S_OK;
  case XmlDataType::I8:
    AppendNumber(text, value.llVal);
    return S_OK;
  case XmlDataType::UI1:
    AppendNumber(text, static_cast<unsigned>(value.bVal));
    return S_OK;
  case XmlDataType::UI2:
    AppendNumber(text, value.uiVal);
    return S_OK;
  case XmlDataType::UI4:
    AppendNumber(text, value.ulVal);
    return S_OK;
  case XmlDataType::UI8:
    AppendNumber(text, value.ullVal);
    return S_OK;
  case XmlDataType::R4:
    return AppendFloating(text, value.fltVal);
  case XmlDataType::R8:
  case XmlDataType::Float:
  case XmlDataType::Number:
    return AppendFloating(text, value.dblVal);
  }
  return E_UNEXPECTED;
}

HRESULT XmlParseTypedText(XmlDataType type, std::string_view text, VARIANT *out) {
  if (type == XmlDataType::String || type == XmlDataType::Number) {
    const std::u16string wide = ZrqFromUtf8(text);
    if (wide.size() > 0x7FFFFFF0u) return E_OUTOFMEMORY;
    BSTR copy = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    if (!copy) return E_OUTOFMEMORY;
    out->vt = VT_BSTR;
    out->bstrVal = copy;
    return S_OK;
  }
  text = TrimXmlSpace(text);
  if (text.empty()) {
    out->vt = VT_NULL;
    return S_OK;
  }
  HRESULT hr = S_OK;
  int64_t s = 0;
  uint64_t u = 0;
  switch (type) {
  case XmlDataType::String:
  case XmlDataType::Number:
    return E_UNEXPECTED;
  case XmlDataType::Boolean:
    if (text == "1" || text == "true") {
      out->vt = VT_BOOL, out->boolVal = VARIANT_TRUE;
    } else if (text == "0" || text == "false") {
      out->vt = VT_BOOL, out->boolVal = VARIANT_FALSE;
    } else {
      return DISP_E_TYPEMISMATCH;
    }
    return S_OK;
  case XmlDataType::I1:
    if (FAILED(hr = ParseSigned(text, INT8_MIN, INT8_MAX, s))) return hr;
    out->vt = VT_I1, out->cVal = static_cast<CHAR>(s);
    return S_OK;
  case XmlDataType::I2:
    if (FAILED(hr = ParseSigned(text, INT16_MIN, INT16_MAX, s))) return hr;
    out->vt = VT_I2, out->iVal = static_cast<SHORT>(s);
    return S_OK;
  case XmlDataType::I4:
  case XmlDataType::Int:
    if (FAILED(hr = ParseSigned(text, INT32_MIN, INT32_MAX, s))) return hr;
    out->vt = VT_I4, out->lVal = static_cast<LONG>(s);
    return S_OK;
  case XmlDataType::I8:
    if (FAILED(hr = ParseSigned(text, INT64_MIN, INT64_MAX, s))) return hr;
    out->vt = VT_I8, out->llVal = s;
    return S_OK;
  case XmlDataType::UI1:
    if (FAILED(hr = ParseUnsigned(text, UINT8_MAX, u))) return hr;
    out->vt = VT_UI1, out->bVal = static_cast<BYTE>(u);
    return S_OK;
  case XmlDataType::UI2:
    if (FAILED(hr = ParseUnsigned(text, UINT16_MAX, u))) return hr;
    out->vt = VT_UI2, out->uiVal = static_cast<USHORT>(u);
    return S_OK;
  case XmlDataType::UI4:
    if (FAILED(hr = ParseUnsigned(text, UINT32_MAX, u))) return hr;
    out->vt = VT_UI4, out->ulVal = static_cast<ULONG>(u);
    return S_OK;
  case XmlDataType::UI8:
    if (FAILED(hr = ParseUnsigned(text, UINT64_MAX, u))) return hr;
    out->vt = VT_UI8, out->ullVal = u;
    return S_OK;
  case XmlDataType::R4: {
    float f = 0;
    if (FAILED(hr = ParseFloating(text, f))) return hr;
    out->vt = VT_R4, out->fltVal = f;
    return S_OK;
  }
  case XmlDataType::R8:
  case XmlDataType::Float: {
    double d = 0;
    if (FAILED(hr = ParseFloating(text, d))) return hr;
    out->vt = VT_R8, out->dblVal = d;
    return S_OK;
  }
  }
  return E_UNEXPECTED;
}
