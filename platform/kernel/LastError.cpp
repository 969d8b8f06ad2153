// The last error is per thread, as on Windows.
#include <winbase.h>

namespace {
thread_local DWORD lastError = ERROR_SUCCESS;
}

STDAPI_(DWORD) GetLastError(void) { return lastError; }

STDAPI_(void) SetLastError(DWORD dwErrCode) { lastError = dwErrCode; }
