// Converts any text, and any bits as a number of each type, to every type VariantChangeType
// knows: no conversion reads or writes out of place or overflows (the sanitizers watch), and
// one that succeeds has the type asked for.
#include "fuzz/FuzzCheck.h"

#include <atlcomcli.h>
#include <oleauto.h>
#include <zrqtext.h>

#include <cstring>
#include <string>

namespace {

void Check(bool condition, const char *what) { FuzzCheck(condition, "variant_change_type", what); }

constexpr VARTYPE kTypes[] = {VT_I1,   VT_UI1,     VT_I2,   VT_UI2,   VT_I4,    VT_UI4, VT_I8,
                              VT_UI8,  VT_INT,     VT_UINT, VT_R4,    VT_R8,    VT_CY,  VT_DATE,
                              VT_BOOL, VT_DECIMAL, VT_BSTR, VT_ERROR, VT_EMPTY, VT_NULL};

void ConvertToEveryType(const VARIANT &source) {
  for (VARTYPE type : kTypes) {
    CComVariant result;
    const HRESULT hr = VariantChangeType(&result, &source, 0, type);
    if (SUCCEEDED(hr)) Check(result.vt == type, "a conversion that succeeded gave another type");
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  // The input as text, as a person might type a number.
  const std::string_view bytes(reinterpret_cast<const char *>(data), size);
  std::u16string text;
  if (!ZrqUtf8ToWide(bytes, &text)) text.assign(bytes.begin(), bytes.end());
  CComVariant typed(text.c_str());
  ConvertToEveryType(typed);
  // The first bytes as the bits of a number of each type.
  uint8_t bits[8] = {};
  std::memcpy(bits, data, size < sizeof bits ? size : sizeof bits);
  for (VARTYPE type : kTypes) {
    // A decimal's 16 bytes take in the type field itself, so it is read from text only.
    if (type == VT_BSTR || type == VT_EMPTY || type == VT_NULL || type == VT_DECIMAL) continue;
    VARIANT number;
    VariantInit(&number);
    std::memcpy(&number.llVal, bits, sizeof number.llVal);
    number.vt = type;
    ConvertToEveryType(number);
  }
  return 0;
}
