#include "module/ClassFactory.h"

#include <new>

#include "module/ModuleLockCount.h"

HRESULT ClassFactory::Create(InstanceCreator creator, REFIID riid, void **ppv) noexcept {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  auto *factory = new (std::nothrow) ClassFactory(creator);
  if (!factory) return E_OUTOFMEMORY;
  factory->AddRef();
  const HRESULT hr = factory->QueryInterface(riid, ppv);
  factory->Release();
  return hr;
}

HRESULT ClassFactory::QueryInterface(REFIID riid, void **ppvObject) {
  if (!ppvObject) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IClassFactory) {
    *ppvObject = static_cast<IClassFactory *>(this);
    AddRef();
    return S_OK;
  }
  *ppvObject = nullptr;
  return E_NOINTERFACE;
}

ULONG ClassFactory::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&referenceCount)); }

ULONG ClassFactory::Release() {
  const LONG left = InterlockedDecrement(&referenceCount);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

HRESULT ClassFactory::CreateInstance(IUnknown *outer, REFIID riid, void **ppvObject) {
  if (!ppvObject) return E_POINTER;
  *ppvObject = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  return creator(outer, riid, ppvObject);
}

HRESULT ClassFactory::LockServer(BOOL lock) {
  if (lock)
    ModuleAddLock();
  else
    ModuleReleaseLock();
  return S_OK;
}
