#include "CaseFormat.h"

#include <charconv>
#include <cstdint>
#include <cstring>

namespace olecheck {

namespace {

template <class T> std::string Number(T value) {
  char buffer[64];
  const auto written = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, written.ptr);
}

std::string Hex(uint64_t value, int digits) {
  char buffer[32];
  const auto written = std::to_chars(buffer, buffer + sizeof buffer, value, 16);
  std::string text(buffer, written.ptr);
  for (char &c : text) {
    if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
  }
  if (static_cast<int>(text.size()) < digits)
    text.insert(0, static_cast<size_t>(digits) - text.size(), '0');
  return "0x" + text;
}

// Currency is a count of ten-thousandths, written with its four decimals.
std::string DescribeCurrency(int64_t units) {
  const bool negative = units < 0;
  const uint64_t magnitude =
      negative ? 0 - static_cast<uint64_t>(units) : static_cast<uint64_t>(units);
  std::string fraction = Number(magnitude % 10000);
  fraction.insert(0, 4 - fraction.size(), '0');
  return (negative ? "-" : "") + Number(magnitude / 10000) + "." + fraction;
}

std::string DescribeText(BSTR text) {
  if (!text) return "null";
  const UINT bytes = SysStringByteLen(text);
  std::string out = QuoteText(text, bytes / 2);
  // The odd byte of an odd length, which no whole character holds.
  if (bytes & 1) out += " +" + Hex(reinterpret_cast<const unsigned char *>(text)[bytes - 1], 2);
  return out;
}

} // namespace

std::string StatusText(HRESULT hr) {
  const char *name = nullptr;
  switch (static_cast<uint32_t>(hr)) {
  case 0x00000000u:
    name = "S_OK";
    break;
  case 0x00000001u:
    name = "S_FALSE";
    break;
  case 0x80004001u:
    name = "E_NOTIMPL";
    break;
  case 0x80004005u:
    name = "E_FAIL";
    break;
  case 0x80070057u:
    name = "E_INVALIDARG";
    break;
  case 0x8007000Eu:
    name = "E_OUTOFMEMORY";
    break;
  case 0x80004003u:
    name = "E_POINTER";
    break;
  case 0x80020005u:
    name = "DISP_E_TYPEMISMATCH";
    break;
  case 0x80020008u:
    name = "DISP_E_BADVARTYPE";
    break;
  case 0x8002000Au:
    name = "DISP_E_OVERFLOW";
    break;
  default:
    break;
  }
  const std::string hex = Hex(static_cast<uint32_t>(hr), 8);
  return name ? hex + " " + name : hex;
}

std::string VarTypeName(VARTYPE vt) {
  static const char *const kNames[] = {
      "EMPTY", "NULL",     "I2",    "I4",   "R4",      "R8",      "CY",      "DATE",
      "BSTR",  "DISPATCH", "ERROR", "BOOL", "VARIANT", "UNKNOWN", "DECIMAL", "15",
      "I1",    "UI1",      "UI2",   "UI4",  "I8",      "UI8",     "INT",     "UINT"};
  const VARTYPE base = vt & VT_TYPEMASK;
  std::string name = base < sizeof kNames / sizeof kNames[0] ? kNames[base] : Number(base);
  if (vt & VT_VECTOR) name += "|VECTOR";
  if (vt & VT_ARRAY) name += "|ARRAY";
  if (vt & VT_BYREF) name += "|BYREF";
  if (vt & VT_RESERVED) name += "|RESERVED";
  return name;
}

std::string DescribeDouble(double value) { return Number(value); }

std::string DescribeFloat(float value) { return Number(value); }

std::string QuoteText(const OLECHAR *text, size_t length) {
  std::string out = "\"";
  for (size_t i = 0; i < length; ++i) {
    const auto c = static_cast<uint16_t>(text[i]);
    if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
      out += static_cast<char>(c);
    } else {
      std::string hex = Hex(c, 4);
      out += "\\u" + hex.substr(2);
    }
  }
  return out + "\"";
}

std::string QuoteText(std::u16string_view text) {
  return QuoteText(reinterpret_cast<const OLECHAR *>(text.data()), text.size());
}

namespace {

// A by-reference value is shown by what it points at (the tables point at 4- and 8-byte
// values and at VARIANTs).
std::string DescribeReference(const VARIANT &v) {
  const std::string type = VarTypeName(V_VT(&v));
  if (!V_BYREF(&v)) return type + " null";
  const VARTYPE base = V_VT(&v) & VT_TYPEMASK;
  if (base == VT_VARIANT)
    return type + " &(" + DescribeVariant(*static_cast<const VARIANT *>(V_BYREF(&v))) + ")";
  VARIANT plain;
  VariantInit(&plain);
  std::memcpy(&V_I8(&plain), V_BYREF(&v), base == VT_I4 || base == VT_R4 ? 4 : 8);
  V_VT(&plain) = base;
  return type + " &" + DescribeVariant(plain).substr(VarTypeName(base).size() + 1);
}

} // namespace

std::string DescribeVariant(const VARIANT &v) {
  if (V_VT(&v) & VT_BYREF) return DescribeReference(v);
  const std::string type = VarTypeName(V_VT(&v));
  // Pointers differ from run to run: arrays and objects are shown by their type alone.
  if (V_VT(&v) & VT_ARRAY) return type;
  if (V_VT(&v) == VT_DISPATCH || V_VT(&v) == VT_UNKNOWN)
    return type + (V_UNKNOWN(&v) ? " object" : " null");
  switch (V_VT(&v)) {
  case VT_EMPTY:
  case VT_NULL:
    return type;
  case VT_I1:
    return type + " " + Number(static_cast<int>(V_I1(&v)));
  case VT_UI1:
    return type + " " + Number(static_cast<unsigned>(V_UI1(&v)));
  case VT_I2:
    return type + " " + Number(V_I2(&v));
  case VT_UI2:
    return type + " " + Number(V_UI2(&v));
  case VT_I4:
    return type + " " + Number(static_cast<int32_t>(V_I4(&v)));
  case VT_UI4:
    return type + " " + Number(static_cast<uint32_t>(V_UI4(&v)));
  case VT_INT:
    return type + " " + Number(static_cast<int32_t>(V_INT(&v)));
  case VT_UINT:
    return type + " " + Number(static_cast<uint32_t>(V_UINT(&v)));
  case VT_I8:
    return type + " " + Number(static_cast<int64_t>(V_I8(&v)));
  case VT_UI8:
    return type + " " + Number(static_cast<uint64_t>(V_UI8(&v)));
  case VT_BOOL:
    return type + " " + Number(V_BOOL(&v));
  case VT_ERROR:
    return type + " " + Hex(static_cast<uint32_t>(V_ERROR(&v)), 8);
  case VT_R4:
    return type + " " + DescribeFloat(V_R4(&v));
  case VT_R8:
    return type + " " + DescribeDouble(V_R8(&v));
  case VT_DATE:
    return type + " " + DescribeDouble(V_DATE(&v));
  case VT_CY:
    return type + " " + DescribeCurrency(V_CY(&v).int64);
  case VT_BSTR:
    return type + " " + DescribeText(V_BSTR(&v));
  default:
    break;
  }
  // Anything else is shown by its raw value bits.
  uint64_t bits = 0;
  std::memcpy(&bits, &V_I8(&v), sizeof bits);
  return type + " " + Hex(bits, 16);
}

BSTR MakeBstr(std::u16string_view text) {
  return SysAllocStringLen(reinterpret_cast<const OLECHAR *>(text.data()),
                           static_cast<UINT>(text.size()));
}

} // namespace olecheck
