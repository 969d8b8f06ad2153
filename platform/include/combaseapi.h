// Creating objects through the registry: apartments, ProgIDs and in-process servers. The
// SDK declares these in combaseapi.h; objbase.h includes this file.
#pragma once

#include "unknwn.h"

typedef enum tagCLSCTX {
  CLSCTX_INPROC_SERVER = 0x1,
  CLSCTX_INPROC_HANDLER = 0x2,
  CLSCTX_LOCAL_SERVER = 0x4,
  CLSCTX_REMOTE_SERVER = 0x10
} CLSCTX;
#define CLSCTX_INPROC (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER)
#define CLSCTX_SERVER (CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER)
#define CLSCTX_ALL                                                                                 \
  (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER)

typedef enum tagCOINIT {
  COINIT_MULTITHREADED = 0x0,
  COINIT_APARTMENTTHREADED = 0x2,
  COINIT_DISABLE_OLE1DDE = 0x4,
  COINIT_SPEED_OVER_MEMORY = 0x8
} COINIT;

typedef struct _COSERVERINFO COSERVERINFO;

// S_OK for a thread's first call, S_FALSE for each further one (each needs its
// CoUninitialize), RPC_E_CHANGED_MODE when the thread was set up with the other threading
// model. Objects are called directly from any thread: there is no marshalling here.
WINOLEAPI CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit);
WINOLEAPI CoInitialize(LPVOID pvReserved);
// When the last thread leaves COM, the servers that can be unloaded are unloaded.
WINOLEAPI_(void) CoUninitialize(void);

// The class of a ProgID (HKEY_CLASSES_ROOT\ProgID\CLSID), following CurVer to the current
// version when there is one. CO_E_CLASSSTRING for a ProgID that is not registered.
WINOLEAPI CLSIDFromProgID(LPCOLESTR lpszProgID, LPCLSID lpclsid);
// The ProgID of a class, in memory from CoTaskMemAlloc. REGDB_E_CLASSNOTREG without one.
WINOLEAPI ProgIDFromCLSID(REFCLSID clsid, LPOLESTR *lplpszProgID);

// In-process servers only: the module named by HKEY_CLASSES_ROOT\CLSID\{clsid}\InprocServer32
// is loaded once per process and asked for the class object through DllGetClassObject.
// REGDB_E_CLASSNOTREG when the class (or its in-process server) is not registered,
// CO_E_NOTINITIALIZED before CoInitializeEx, the loader's failure (such as
// HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND), with its words in ZrqGetLoaderMessage) when the
// module does not load, CO_E_ERRORINDLL when it has no DllGetClassObject.
WINOLEAPI CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, COSERVERINFO *pServerInfo,
                           REFIID riid, LPVOID *ppv);
WINOLEAPI CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid,
                           LPVOID *ppv);
// Unloads each loaded server whose DllCanUnloadNow answers S_OK.
WINOLEAPI_(void) CoFreeUnusedLibraries(void);
