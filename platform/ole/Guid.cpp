// The text form of a GUID: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper-case hex on the
// way out, either case on the way in.
#include <objbase.h>

#include <cstring>

namespace {

constexpr int kGuidTextLength = CHARS_IN_GUID - 1; // without the terminator

// Where each of the 16 bytes' two hex digits start, in the order Data1 (high byte first),
// Data2, Data3, Data4.
constexpr int kDigitOffsets[16] = {1, 3, 5, 7, 10, 12, 15, 17, 20, 22, 25, 27, 29, 31, 33, 35};
constexpr int kDashOffsets[4] = {9, 14, 19, 24};

void GuidBytes(const GUID &guid, uint8_t bytes[16]) {
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(guid.Data1 >> (24 - 8 * i));
  bytes[4] = static_cast<uint8_t>(guid.Data2 >> 8);
  bytes[5] = static_cast<uint8_t>(guid.Data2);
  bytes[6] = static_cast<uint8_t>(guid.Data3 >> 8);
  bytes[7] = static_cast<uint8_t>(guid.Data3);
  std::memcpy(bytes + 8, guid.Data4, 8);
}

GUID GuidFromBytes(const uint8_t bytes[16]) {
  GUID guid{};
  for (int i = 0; i < 4; ++i) guid.Data1 = (guid.Data1 << 8) | bytes[i];
  guid.Data2 = static_cast<uint16_t>(bytes[4] << 8 | bytes[5]);
  guid.Data3 = static_cast<uint16_t>(bytes[6] << 8 | bytes[7]);
  std::memcpy(guid.Data4, bytes + 8, 8);
  return guid;
}

int HexValue(OLECHAR c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

void FormatGuid(const GUID &guid, OLECHAR *out) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  uint8_t bytes[16];
  GuidBytes(guid, bytes);
  out[0] = u'{';
  for (int offset : kDashOffsets) out[offset] = u'-';
  for (int i = 0; i < 16; ++i) {
    out[kDigitOffsets[i]] = static_cast<OLECHAR>(kHex[bytes[i] >> 4]);
    out[kDigitOffsets[i] + 1] = static_cast<OLECHAR>(kHex[bytes[i] & 15]);
  }
  out[37] = u'}';
  out[38] = 0;
}

// True when text is exactly one braced GUID; reads no further than its terminator.
bool ParseGuid(LPCOLESTR text, GUID *guid) {
  for (int i = 0; i < kGuidTextLength; ++i) {
    if (text[i] == 0) return false;
  }
  if (text[kGuidTextLength] != 0 || text[0] != u'{' || text[37] != u'}') return false;
  for (int offset : kDashOffsets) {
    if (text[offset] != u'-') return false;
  }
  uint8_t bytes[16];
  for (int i = 0; i < 16; ++i) {
    const int high = HexValue(text[kDigitOffsets[i]]);
    const int low = HexValue(text[kDigitOffsets[i] + 1]);
    if (high < 0 || low < 0) return false;
    bytes[i] = static_cast<uint8_t>(high << 4 | low);
  }
  *guid = GuidFromBytes(bytes);
  return true;
}

HRESULT StringFromGuidAllocated(REFGUID guid, LPOLESTR *out) {
  if (!out) return E_INVALIDARG;
  *out = static_cast<LPOLESTR>(CoTaskMemAlloc(CHARS_IN_GUID * sizeof(OLECHAR)));
  if (!*out) return E_OUTOFMEMORY;
  FormatGuid(guid, *out);
  return S_OK;
}

// A null string stands for the null GUID, as callers of the Windows functions expect.
HRESULT GuidFromString(LPCOLESTR text, GUID *guid, HRESULT malformed) {
  if (!guid) return E_INVALIDARG;
  if (!text) {
    *guid = GUID_NULL;
    return S_OK;
  }
  return ParseGuid(text, guid) ? S_OK : malformed;
}

} // namespace

STDAPI_(int) StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax) {
  if (!lpsz || cchMax < CHARS_IN_GUID) return 0;
  FormatGuid(rguid, lpsz);
  return CHARS_IN_GUID;
}

STDAPI StringFromCLSID(REFCLSID rclsid, LPOLESTR *lplpsz) {
  return StringFromGuidAllocated(rclsid, lplpsz);
}

STDAPI StringFromIID(REFIID rclsid, LPOLESTR *lplpsz) {
  return StringFromGuidAllocated(rclsid, lplpsz);
}

// Only the braced form is understood; a ProgID would need the registry.
STDAPI CLSIDFromString(LPCOLESTR lpsz, LPCLSID pclsid) {
  return GuidFromString(lpsz, pclsid, CO_E_CLASSSTRING);
}

STDAPI IIDFromString(LPCOLESTR lpsz, LPIID lpiid) {
  return GuidFromString(lpsz, lpiid, E_INVALIDARG);
}
