// The registry: keys below predefined roots, each with named values of a few types. Key names
// compare without regard to case and keep the case they were created with.
#pragma once

#include "wtypes.h"
#include "winerror.h"

typedef LONG LSTATUS;
typedef DWORD REGSAM;
typedef HKEY *PHKEY;
typedef struct _SECURITY_ATTRIBUTES *LPSECURITY_ATTRIBUTES;

#ifndef _FILETIME_
#define _FILETIME_
typedef struct _FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
} FILETIME, *PFILETIME, *LPFILETIME;
#endif

// The roots, with their Windows values (sign-extended, as on 64-bit Windows).
#define HKEY_CLASSES_ROOT ((HKEY)(ULONG_PTR)((LONG)0x80000000))
#define HKEY_CURRENT_USER ((HKEY)(ULONG_PTR)((LONG)0x80000001))
#define HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)((LONG)0x80000002))
#define HKEY_USERS ((HKEY)(ULONG_PTR)((LONG)0x80000003))
#define HKEY_PERFORMANCE_DATA ((HKEY)(ULONG_PTR)((LONG)0x80000004))
#define HKEY_CURRENT_CONFIG ((HKEY)(ULONG_PTR)((LONG)0x80000005))
#define HKEY_DYN_DATA ((HKEY)(ULONG_PTR)((LONG)0x80000006))

// Value types.
#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_DWORD_LITTLE_ENDIAN 4
#define REG_DWORD_BIG_ENDIAN 5
#define REG_LINK 6
#define REG_MULTI_SZ 7
#define REG_QWORD 11
#define REG_QWORD_LITTLE_ENDIAN 11

// Access rights and options. Every key is open for everything here; the rights are accepted
// and not checked.
#define DELETE 0x00010000L
#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_ENUMERATE_SUB_KEYS 0x0008
#define KEY_NOTIFY 0x0010
#define KEY_CREATE_LINK 0x0020
#define KEY_WOW64_64KEY 0x0100
#define KEY_WOW64_32KEY 0x0200
#define KEY_READ 0x20019
#define KEY_WRITE 0x20006
#define KEY_EXECUTE KEY_READ
#define KEY_ALL_ACCESS 0xF003F
#define REG_OPTION_RESERVED 0x00000000L
#define REG_OPTION_NON_VOLATILE 0x00000000L
#define REG_OPTION_VOLATILE 0x00000001L
#define REG_CREATED_NEW_KEY 0x00000001L
#define REG_OPENED_EXISTING_KEY 0x00000002L

// The Win32 calls, with their Windows error codes. HKEY_PERFORMANCE_DATA and HKEY_DYN_DATA
// answer ERROR_CALL_NOT_IMPLEMENTED; a handle that is neither a root nor open answers
// ERROR_INVALID_HANDLE; a key deleted while open answers ERROR_KEY_DELETED. A registry file
// that cannot be read answers ERROR_BADDB (damaged or foreign: ZrqRegGetLastProblem in
// zrqregistry.h says where), ERROR_ACCESS_DENIED or ERROR_CANTREAD; one that cannot be
// written, ERROR_CANTWRITE. A failed call changes nothing.
STDAPI_(LSTATUS)
RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD Reserved, LPWSTR lpClass, DWORD dwOptions,
                REGSAM samDesired, const LPSECURITY_ATTRIBUTES lpSecurityAttributes,
                PHKEY phkResult, LPDWORD lpdwDisposition);
STDAPI_(LSTATUS)
RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD ulOptions, REGSAM samDesired, PHKEY phkResult);
STDAPI_(LSTATUS) RegCloseKey(HKEY hKey);
STDAPI_(LSTATUS)
RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE *lpData,
               DWORD cbData);
// ERROR_MORE_DATA with the size needed in *lpcbData when lpData is too small; with lpData
// null, the size alone.
STDAPI_(LSTATUS)
RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                 LPDWORD lpcbData);
STDAPI_(LSTATUS) RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName);
// A key that still has subkeys is not deleted: ERROR_ACCESS_DENIED.
STDAPI_(LSTATUS) RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey);
// lpSubKey null: the key's subkeys and values go, the key stays.
STDAPI_(LSTATUS) RegDeleteTreeW(HKEY hKey, LPCWSTR lpSubKey);
// Subkeys in the order of their names (without regard to case), values in the order they
// were first set. The last-write time is not kept: it reads as zero.
STDAPI_(LSTATUS)
RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved,
              LPWSTR lpClass, LPDWORD lpcchClass, PFILETIME lpftLastWriteTime);
STDAPI_(LSTATUS)
RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName, LPDWORD lpcchValueName,
              LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData);
