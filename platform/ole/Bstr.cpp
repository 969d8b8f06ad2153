// BSTR allocation. A BSTR points at its characters; the four bytes before them hold the
// length in bytes and at least two zero bytes follow, so a BSTR also reads as a terminated
// string. The block comes from the task allocator, so a BSTR freed with anything but
// SysFreeString (or a plain pointer handed to SysFreeString) is a detectable mismatch.
#include <objbase.h>
#include <oleauto.h>

#include <cstring>
#include <string>

namespace {

constexpr size_t kLengthPrefix = sizeof(uint32_t);
// The byte length has to fit the 32-bit prefix; the slack keeps the size sums below from wrapping.
constexpr size_t kMaxByteLength = 0xFFFFFFFFu - 16;

uint32_t StoredByteLength(BSTR bstr) {
  uint32_t bytes;
  std::memcpy(&bytes, reinterpret_cast<const unsigned char *>(bstr) - kLengthPrefix, sizeof bytes);
  return bytes;
}

// Copies byteLength bytes from source (zeros when source is null) into a new BSTR.
BSTR AllocateBytes(const void *source, size_t byteLength) {
  if (byteLength > kMaxByteLength) return nullptr;
  // An odd byte length still needs a whole zero OLECHAR after the last full character.
  const size_t tail = 2 + (byteLength & 1);
  auto *block = static_cast<unsigned char *>(CoTaskMemAlloc(kLengthPrefix + byteLength + tail));
  if (!block) return nullptr;
  const auto stored = static_cast<uint32_t>(byteLength);
  std::memcpy(block, &stored, sizeof stored);
  unsigned char *text = block + kLengthPrefix;
  if (source && byteLength) {
    std::memcpy(text, source, byteLength);
  } else {
    std::memset(text, 0, byteLength);
  }
  std::memset(text + byteLength, 0, tail);
  return reinterpret_cast<BSTR>(text);
}

} // namespace

STDAPI_(BSTR) SysAllocString(const OLECHAR *psz) {
  if (!psz) return nullptr;
  return AllocateBytes(psz, std::char_traits<OLECHAR>::length(psz) * sizeof(OLECHAR));
}

STDAPI_(BSTR) SysAllocStringLen(const OLECHAR *strIn, UINT ui) {
  return AllocateBytes(strIn, size_t{ui} * sizeof(OLECHAR));
}

STDAPI_(BSTR) SysAllocStringByteLen(LPCSTR psz, UINT len) { return AllocateBytes(psz, len); }

STDAPI_(INT) SysReAllocString(BSTR *pbstr, const OLECHAR *psz) {
  if (!pbstr) return FALSE;
  // The new string is made before the old one goes, so psz may point into *pbstr.
  BSTR fresh = nullptr;
  if (psz) {
    fresh = SysAllocString(psz);
    if (!fresh) return FALSE;
  }
  SysFreeString(*pbstr);
  *pbstr = fresh;
  return TRUE;
}

STDAPI_(void) SysFreeString(BSTR bstrString) {
  if (!bstrString) return;
  CoTaskMemFree(reinterpret_cast<unsigned char *>(bstrString) - kLengthPrefix);
}

STDAPI_(UINT) SysStringByteLen(BSTR bstr) { return bstr ? StoredByteLength(bstr) : 0; }

STDAPI_(UINT) SysStringLen(BSTR pbstr) {
  return pbstr ? StoredByteLength(pbstr) / sizeof(OLECHAR) : 0;
}
