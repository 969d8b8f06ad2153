// The COM core: the task allocator, interlocked counts and GUID text.
#pragma once

#include "unknwn.h"

#ifdef __cplusplus
#define ZRQ_INLINE inline
#else
#define ZRQ_INLINE static inline
#endif

WINOLEAPI_(LPVOID) CoTaskMemAlloc(SIZE_T cb);
WINOLEAPI_(LPVOID) CoTaskMemRealloc(LPVOID pv, SIZE_T cb);
WINOLEAPI_(void) CoTaskMemFree(LPVOID pv);

// The text form of a GUID: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", 38 characters.
#define CHARS_IN_GUID 39
WINOLEAPI_(int) StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax);
WINOLEAPI StringFromCLSID(REFCLSID rclsid, LPOLESTR *lplpsz);
WINOLEAPI StringFromIID(REFIID rclsid, LPOLESTR *lplpsz);
WINOLEAPI CLSIDFromString(LPCOLESTR lpsz, LPCLSID pclsid);
WINOLEAPI IIDFromString(LPCOLESTR lpsz, LPIID lpiid);

ZRQ_INLINE LONG InterlockedIncrement(LONG volatile *addend) {
  return __atomic_add_fetch(addend, 1, __ATOMIC_SEQ_CST);
}
ZRQ_INLINE LONG InterlockedDecrement(LONG volatile *addend) {
  return __atomic_sub_fetch(addend, 1, __ATOMIC_SEQ_CST);
}
ZRQ_INLINE LONG InterlockedExchange(LONG volatile *target, LONG value) {
  return __atomic_exchange_n(target, value, __ATOMIC_SEQ_CST);
}
ZRQ_INLINE LONG InterlockedCompareExchange(LONG volatile *dest, LONG exchange, LONG comparand) {
  __atomic_compare_exchange_n(dest, &comparand, exchange, 0, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
  return comparand;
}

// The entry points of an in-process server, as a host finds them in the module it loads.
STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID *ppv);
STDAPI DllCanUnloadNow(void);
typedef HRESULT(STDAPICALLTYPE *LPFNGETCLASSOBJECT)(REFCLSID, REFIID, LPVOID *);
typedef HRESULT(STDAPICALLTYPE *LPFNCANUNLOADNOW)(void);
#include "combaseapi.h"
