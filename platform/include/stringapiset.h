// Conversions between UTF-16 and 8-bit text. Only UTF-8 is known as a code page here.
#pragma once

#include "wtypes.h"
#include "winerror.h"

#define CP_ACP 0
#define CP_UTF8 65001
#define MB_ERR_INVALID_CHARS 0x00000008
#define WC_ERR_INVALID_CHARS 0x00000080

// As on Windows: cbMultiByte or cchWideChar -1 means the input is terminated and the
// terminator is converted too; an output size of 0 asks for the size needed. With the
// ERR_INVALID_CHARS flag a malformed sequence fails with ERROR_NO_UNICODE_TRANSLATION,
// without it each becomes U+FFFD. CP_ACP is taken as UTF-8.
STDAPI_(int)
MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                    LPWSTR lpWideCharStr, int cchWideChar);
STDAPI_(int)
WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                    LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar,
                    LPBOOL lpUsedDefaultChar);
