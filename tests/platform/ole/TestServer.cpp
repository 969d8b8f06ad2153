// A small in-process server for the activation tests: one class whose live objects keep the
// module from unloading, and nothing else.
#include <atomic>
#include <new>

#include "TestServer.h"

namespace {

std::atomic<LONG> liveObjects{0};

class Object final : public IUnknown {
public:
  Object() { ++liveObjects; }
  STDMETHODIMP QueryInterface(REFIID riid, void **ppv) override {
    if (ppv == nullptr) return E_POINTER;
    *ppv = riid == IID_IUnknown ? static_cast<IUnknown *>(this) : nullptr;
    if (*ppv == nullptr) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++references); }
  STDMETHODIMP_(ULONG) Release() override {
    const LONG left = --references;
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

private:
  ~Object() { --liveObjects; }
  std::atomic<LONG> references{1};
};

class Factory final : public IClassFactory {
public:
  STDMETHODIMP QueryInterface(REFIID riid, void **ppv) override {
    if (ppv == nullptr) return E_POINTER;
    *ppv = (riid == IID_IUnknown || riid == IID_IClassFactory) ? static_cast<IClassFactory *>(this)
                                                               : nullptr;
    return *ppv ? S_OK : E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP CreateInstance(IUnknown *outer, REFIID riid, void **ppv) override {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    Object *object = new (std::nothrow) Object();
    if (object == nullptr) return E_OUTOFMEMORY;
    const HRESULT hr = object->QueryInterface(riid, ppv);
    object->Release();
    return hr;
  }
  STDMETHODIMP LockServer(BOOL lock) override {
    liveObjects += lock ? 1 : -1;
    return S_OK;
  }
};

Factory factory;

} // namespace

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID *ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  if (rclsid != CLSID_TestServerObject) return CLASS_E_CLASSNOTAVAILABLE;
  return factory.QueryInterface(riid, ppv);
}

STDAPI DllCanUnloadNow(void) { return liveObjects == 0 ? S_OK : S_FALSE; }
