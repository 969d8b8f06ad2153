// The module's exported entry points. The module state (the class table, the lock that
// serialises the making of class objects) lives as long as the image; unloading releases the
// class objects it made.
#include <olectl.h>

#include <mutex>

#include "module/ClassTable.h"
#include "module/ModuleLockCount.h"
#include "module/ModuleRegistration.h"

namespace {

class ModuleState {
public:
  ~ModuleState() {
    for (ClassEntry &entry : ClassTable()) {
      if (entry.cachedClassObject) entry.cachedClassObject->Release();
      entry.cachedClassObject = nullptr;
    }
  }

  // The entry's class object, made once.
  HRESULT ClassObject(ClassEntry &entry, IUnknown **object) {
    IUnknown *cached = __atomic_load_n(&entry.cachedClassObject, __ATOMIC_ACQUIRE);
    if (!cached) {
      std::lock_guard<std::mutex> guard(classObjectLock);
      cached = entry.cachedClassObject;
      if (!cached) {
        void *made = nullptr;
        const HRESULT hr = entry.classObjectCreator(entry.instanceCreator, IID_IUnknown, &made);
        if (FAILED(hr)) return hr;
        cached = static_cast<IUnknown *>(made);
        __atomic_store_n(&entry.cachedClassObject, cached, __ATOMIC_RELEASE);
      }
    }
    *object = cached;
    return S_OK;
  }

private:
  std::mutex classObjectLock;
};

ModuleState moduleState;

} // namespace

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID *ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  for (ClassEntry &entry : ClassTable()) {
    if (*entry.clsid != rclsid || !entry.classObjectCreator) continue;
    IUnknown *classObject = nullptr;
    if (const HRESULT hr = moduleState.ClassObject(entry, &classObject); FAILED(hr)) return hr;
    const HRESULT hr = classObject->QueryInterface(riid, ppv);
    if (SUCCEEDED(hr) && !*ppv) return CLASS_E_CLASSNOTAVAILABLE;
    return hr;
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow(void) { return ModuleLockCount() == 0 ? S_OK : S_FALSE; }

STDAPI DllRegisterServer(void) { return ModuleRegistration::RegisterServer(); }

STDAPI DllUnregisterServer(void) { return ModuleRegistration::UnregisterServer(); }
