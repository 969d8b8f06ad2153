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

HMODULE InprocServers::Load(const std::u16string &path, HRESULT *hr) {
  if (const auto known = modulePaths.find(path); known != modulePaths.end()) return known->second;
  const HMODULE module = LoadLibraryW(path.c_str());
  if (module == nullptr) {
    *hr = HRESULT_FROM_WIN32(GetLastError());
    return nullptr;
  }
  if (servers.count(module) != 0) {
    FreeLibrary(module);  // the same module by another path: one load is enough
  } else {
    Server server;
    server.getClassObject = reinterpret_cast<LPFNGETCLASSOBJECT>(GetProcAddress(module, "DllGetClassObject"));
    server.canUnloadNow = reinterpret_cast<LPFNCANUNLOADNOW>(GetProcAddress(module, "DllCanUnloadNow"));
    if (server.getClassObject == nullptr) {
      FreeLibrary(module);
      *hr = CO_E_ERRORINDLL;
      return nullptr;
    }
    servers.emplace(module, server);
  }
  modulePaths.emplace(path, module);
  return module;
}

HRESULT InprocServers::ClassObject(const std::u16string &path, REFCLSID clsid, REFIID riid, void **ppv) {
  LPFNGETCLASSOBJECT getClassObject = nullptr;
  HMODULE module = nullptr;
  {
    std::lock_guard<std::mutex> guard(serversLock);
    HRESULT hr = E_FAIL;
    module = Load(path, &hr);
    if (module == nullptr) return hr;
    Server &server = servers.at(module);
    ++server.callsInProgress;  // keeps it loaded while it answers, outside the lock
    getClassObject = server.getClassObject;
  }
  const HRESULT hr = getClassObject(clsid, riid, ppv);
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
      if (server.callsInProgress == 0 && server.canUnloadNow != nullptr && server.canUnloadNow() == S_OK) {
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

}  // namespace zrq::ole
