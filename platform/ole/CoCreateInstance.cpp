// Entering and leaving COM, and creating classes through the registry.
#include <zrqboundary.h>
#include <atlcomcli.h>

#include "platform/ole/Apartment.h"
#include "platform/ole/ClassRegistry.h"
#include "platform/ole/InprocServers.h"

using zrq::ole::Apartment;
using zrq::ole::InprocServers;

WINOLEAPI CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit) {
  if (pvReserved != nullptr) return E_INVALIDARG;
  return Apartment::Enter(dwCoInit);
}

WINOLEAPI CoInitialize(LPVOID pvReserved) {
  return CoInitializeEx(pvReserved, COINIT_APARTMENTTHREADED);
}

WINOLEAPI_(void) CoUninitialize(void) {
  if (Apartment::Leave()) CoFreeUnusedLibraries();
}

WINOLEAPI CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, COSERVERINFO *, REFIID riid,
                           LPVOID *ppv) {
  if (ppv == nullptr) return E_INVALIDARG;
  *ppv = nullptr;
  if (!Apartment::MayCreateObjects()) return CO_E_NOTINITIALIZED;
  // Only in-process servers are made here; a class has no other kind of server.
  if ((dwClsContext & CLSCTX_INPROC_SERVER) == 0) return REGDB_E_CLASSNOTREG;
  return ZrqComBoundary([&]() -> HRESULT {
    std::u16string path;
    if (const HRESULT hr = zrq::ole::InprocServerPath(rclsid, &path); FAILED(hr)) return hr;
    return InprocServers::Instance().ClassObject(path, rclsid, riid, ppv);
  });
}

WINOLEAPI CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid,
                           LPVOID *ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  CComPtr<IClassFactory> factory;
  if (const HRESULT hr = CoGetClassObject(rclsid, dwClsContext, nullptr, IID_IClassFactory,
                                          reinterpret_cast<void **>(&factory));
      FAILED(hr))
    return hr;
  return factory->CreateInstance(pUnkOuter, riid, ppv);
}

WINOLEAPI_(void) CoFreeUnusedLibraries(void) {
  try {
    InprocServers::Instance().FreeUnused();
  } catch (...) {
  }
}
