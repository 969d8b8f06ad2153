// Strings live in blocks of sixteen: block n (resource n + 1 of type RT_STRING) holds
// strings 16n to 16n + 15, each a length followed by that many UTF-16 code units, without
// terminators. A string of length 0 does not exist.
#include <cstring>

#include <winuser.h>

STDAPI_(int) LoadStringW(HINSTANCE hInstance, UINT uID, LPWSTR lpBuffer, int cchBufferMax) {
  if (lpBuffer == nullptr || cchBufferMax < 0 || uID > 0xFFFF) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  HRSRC block = FindResourceW(hInstance, MAKEINTRESOURCEW((uID >> 4) + 1), RT_STRING);
  const auto *units =
      block ? static_cast<const WCHAR *>(LockResource(LoadResource(hInstance, block))) : nullptr;
  const size_t count = units ? SizeofResource(hInstance, block) / sizeof(WCHAR) : 0;

  // Walk to the wanted string, never past the end of the block.
  size_t at = 0;
  for (UINT i = 0; i < (uID & 15) && at < count; ++i) at += 1 + units[at];
  const size_t length = (at < count && count - at - 1 >= units[at]) ? units[at] : 0;
  if (length == 0) {
    if (cchBufferMax > 0) lpBuffer[0] = 0;
    if (block != nullptr) SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return 0;
  }
  const WCHAR *text = units + at + 1;
  if (cchBufferMax == 0) {
    std::memcpy(static_cast<void *>(lpBuffer), &text, sizeof(text));
    return static_cast<int>(length);
  }
  const size_t copied = length < static_cast<size_t>(cchBufferMax - 1)
                            ? length
                            : static_cast<size_t>(cchBufferMax - 1);
  std::memcpy(lpBuffer, text, copied * sizeof(WCHAR));
  lpBuffer[copied] = 0;
  return static_cast<int>(copied);
}
