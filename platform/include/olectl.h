// The self-registration entry points of an in-process server, as a registering tool finds
// them in the module it loads.
#pragma once

#include "objbase.h"

STDAPI DllRegisterServer(void);
STDAPI DllUnregisterServer(void);
typedef HRESULT(STDAPICALLTYPE *LPFNDLLREGISTERSERVER)(void);
typedef HRESULT(STDAPICALLTYPE *LPFNDLLUNREGISTERSERVER)(void);
