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

#include "libloaderapi.h"
#include "stringapiset.h"

// System messages: the text of a Win32 error code or an HRESULT.
#define FORMAT_MESSAGE_IGNORE_INSERTS 0x00000200
#define FORMAT_MESSAGE_FROM_SYSTEM 0x00001000
#define FORMAT_MESSAGE_MAX_WIDTH_MASK 0x000000FF

// Only FORMAT_MESSAGE_FROM_SYSTEM with FORMAT_MESSAGE_IGNORE_INSERTS and a caller's buffer:
// copies the message of dwMessageId (with its closing line break) into lpBuffer and returns
// its length; a code without a message gives 0 and ERROR_MR_MID_NOT_FOUND, a short buffer 0
// and ERROR_INSUFFICIENT_BUFFER.
#define ERROR_MR_MID_NOT_FOUND 317L
STDAPI_(DWORD)
FormatMessageW(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId,
               LPWSTR lpBuffer, DWORD nSize, void *Arguments);
