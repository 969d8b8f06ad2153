#include "platform/ole/InprocServers.h"

#include <winbase.h>

#include <new>
#include <vector>

namespace zrq::ole {

InprocServers &InprocServers::Instance() {
  // Never destroyed: the servers stay loaded until the process ends.
  alignas(InprocServers) static unsigned char storage[sizeof(InprocServers)];
  static InprocServers *const instance = new (storage) InprocServers();
  return *instance;
}

HMODULE InprocServers::Load(const std::u16string &path, LPFNGETCLASSOBJECT *getClassObject,
                            HRESULT *hr) {
  {
    std::lock_guard<std::mutex> guard(serversLock);
    if (const auto known = modulePaths.find(path); known != modulePaths.end()) {
      Server &server = servers.at(known->second);
      ++server.callsInProgress;
      *getClassObject = server.getClassObject;
      return known->second;
    }
  }
  // Outside the lock: the module's constructors may create objects themselves.
  const HMODULE module = LoadLibraryW(path.c_str());
  if (module == nullptr) {
    *hr = HRESULT_FROM_WIN32(GetLastError());
    return nullptr;
  }
  Server loaded;
  loaded.getClassObject =
      reinterpret_cast<LPFNGETCLASSOBJECT>(GetProcAddress(module, "DllGetClassObject"));
  loaded.canUnloadNow =
      reinterpret_cast<LPFNCANUNLOADNOW>(GetProcAddress(module, "DllCanUnloadNow"));
  if (loaded.getClassObject == nullptr) {
    FreeLibrary(module);
    *hr = CO_E_ERRORINDLL;
    return nullptr;
  }
  bool loadedTwice = false;
  {
    std::lock_guard<std::mutex> guard(serversLock);
    // Another thread, or another spelling of the path, may have loaded it meanwhile.
    auto [entry, added] = servers.try_emplace(module, loaded);
    loadedTwice = !added;
    modulePaths.emplace(path, module);
    ++entry->second.callsInProgress;
    *getClassObject = entry->second.getClassObject;
  }
  if (loadedTwice) FreeLibrary(module); // one load is enough
  return module;
}

HRESULT InprocServers::ClassObject(const std::u16string &path, REFCLSID clsid, REFIID riid,
                                   void **ppv) {
  LPFNGETCLASSOBJECT getClassObject = nullptr;
  HRESULT hr = E_FAIL;
  // The counted call keeps the module loaded while it answers, outside the lock.
  const HMODULE module = Load(path, &getClassObject, &hr);
  if (module == nullptr) return hr;
  hr = getClassObject(clsid, riid, ppv);
  std::lock_guard<std::mutex> guard(serversLock);
  --servers.at(module).callsInProgress;
  return hr;
}

void InprocServers::FreeUnused() {
  std::vector<HMODULE> unloaded;
  {
    std::lock_guard<std::mutex> guard(serversLock);
    for (auto it = servers.begin(); it != servers.end();) {
      const Server &server = it->second;
      if (server.callsInProgress == 0 && server.canUnloadNow != nullptr &&
          server.canUnloadNow() == S_OK) {
        unloaded.push_back(it->first);
        it = servers.erase(it);
      } else {
        ++it;
      }
    }
    for (auto it = modulePaths.begin(); it != modulePaths.end();) {
      it = servers.count(it->second) ? std::next(it) : modulePaths.erase(it);
    }
  }
  // Outside the lock: a module's destructors may call COM themselves.
  for (HMODULE module : unloaded) FreeLibrary(module);
}

} // namespace zrq::ole
