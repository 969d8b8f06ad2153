// GetModuleFileNameW: the image's file as the kernel names it, in UTF-16.
#include <cstring>
#include <string>

#include <winbase.h>
#include <zrqtext.h>

#include "platform/kernel/LoadedImages.h"
#include "platform/kernel/ModuleHandle.h"

STDAPI_(DWORD) GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize) {
  if (lpFilename == nullptr && nSize > 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  try {
    if (hModule == nullptr) hModule = zrq::kernel::ProgramModule();
    const std::string path = zrq::kernel::ImagePath(hModule);
    if (path.empty()) {
      SetLastError(ERROR_MOD_NOT_FOUND);
      return 0;
    }
    // A path that is not UTF-8 has no faithful UTF-16 form; a guessed one would name another file.
    std::u16string wide;
    if (!ZrqUtf8ToWide(path, &wide)) {
      SetLastError(ERROR_NO_UNICODE_TRANSLATION);
      return 0;
    }
    if (nSize == 0) {
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return 0;
    }
    if (wide.size() < nSize) {
      std::memcpy(lpFilename, wide.c_str(), (wide.size() + 1) * sizeof(WCHAR));
      return static_cast<DWORD>(wide.size());
    }
    std::memcpy(lpFilename, wide.data(), (nSize - 1) * sizeof(WCHAR));
    lpFilename[nSize - 1] = 0;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return nSize;
  } catch (...) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
}
