// Loading libraries and finding modules: a module handle is the base address of the image, as
// the resource functions take it.
#pragma once

#include "wtypes.h"
#include "winerror.h"

#define MAX_PATH 260

// Windows declares it returning INT_PTR; void lets callers cast it to the procedure's real
// type without the compiler taking the cast for a mistake (-Wcast-function-type).
typedef void(WINAPI *FARPROC)(void);

// The image is opened for its resources only; on this platform it is loaded all the same.
#define LOAD_LIBRARY_AS_DATAFILE 0x00000002

// Loads a shared library (a name without a slash is searched on the library path, as the
// system's loader does). On failure: null, with the last error ERROR_MOD_NOT_FOUND (no such
// file, or a library it needs is missing), ERROR_ACCESS_DENIED, ERROR_PROC_NOT_FOUND (a
// symbol it needs is missing) or ERROR_BAD_EXE_FORMAT (not a loadable library);
// ZrqGetLoaderMessage (zrqloader.h) then says what the loader reported. The program itself
// is found without being loaded again.
STDAPI_(HMODULE) LoadLibraryW(LPCWSTR lpLibFileName);
STDAPI_(HMODULE) LoadLibraryExW(LPCWSTR lpLibFileName, HANDLE hFile, DWORD dwFlags);
// Gives up one load of the module; the image goes when its last load is given up.
STDAPI_(BOOL) FreeLibrary(HMODULE hLibModule);
STDAPI_(FARPROC) GetProcAddress(HMODULE hModule, LPCSTR lpProcName);
// Null: the program. Otherwise a loaded module's full path, or its file name alone.
STDAPI_(HMODULE) GetModuleHandleW(LPCWSTR lpModuleName);

// The full path of the module's file (null: the program). The result is the number of
// characters copied without the terminator; a path that does not fit is cut to nSize - 1
// characters and terminated, the result is then nSize and the last error
// ERROR_INSUFFICIENT_BUFFER. A handle that is no loaded module gives 0 and ERROR_MOD_NOT_FOUND.
STDAPI_(DWORD) GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize);
