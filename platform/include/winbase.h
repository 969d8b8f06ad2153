// Module resources and the per-thread last error, as kernel32 offers them.
#pragma once

#include "wtypes.h"
#include "winerror.h"

typedef struct HRSRC__ *HRSRC;
typedef HANDLE HGLOBAL;

// A resource type or name is either a string or a 16-bit integer carried in the pointer.
#define IS_INTRESOURCE(r) ((((ULONG_PTR)(r)) >> 16) == 0)
#define MAKEINTRESOURCEW(i) ((LPWSTR)((ULONG_PTR)((WORD)(i))))
#define MAKEINTRESOURCEA(i) ((LPSTR)((ULONG_PTR)((WORD)(i))))

STDAPI_(DWORD) GetLastError(void);
STDAPI_(void) SetLastError(DWORD dwErrCode);

// The image a module handle names is the module's base address. A null module means the
// program's own image.
STDAPI_(HRSRC) FindResourceW(HMODULE hModule, LPCWSTR lpName, LPCWSTR lpType);
STDAPI_(HGLOBAL) LoadResource(HMODULE hModule, HRSRC hResInfo);
STDAPI_(DWORD) SizeofResource(HMODULE hModule, HRSRC hResInfo);
STDAPI_(LPVOID) LockResource(HGLOBAL hResData);
STDAPI_(BOOL) FreeResource(HGLOBAL hResData);
