// The in-process servers this process has loaded for COM: each module once, however its
// path is spelled, kept until it says it may go.
#pragma once

#include <map>
#include <mutex>
#include <string>

#include <objbase.h>

namespace zrq::ole {

class InprocServers {
public:
  static InprocServers &Instance();

  // Loads the server at `path` if it is not loaded yet and asks it for the class object.
  [[nodiscard]] HRESULT ClassObject(const std::u16string &path, REFCLSID clsid, REFIID riid,
                                    void **ppv);

  // Unloads every server that is not in a call from here and whose DllCanUnloadNow says S_OK.
  void FreeUnused();

private:
  struct Server {
    LPFNGETCLASSOBJECT getClassObject = nullptr;
    LPFNCANUNLOADNOW canUnloadNow = nullptr; // null: the server never goes
    unsigned callsInProgress = 0;
  };

  InprocServers() = default;
  // The loaded server of that path, loading it when needed, with a call counted on it; null
  // with the failure in *hr. Takes serversLock itself, and not while the module loads.
  HMODULE Load(const std::u16string &path, LPFNGETCLASSOBJECT *getClassObject, HRESULT *hr);

  std::mutex serversLock;
  std::map<HMODULE, Server> servers;             // guarded by serversLock
  std::map<std::u16string, HMODULE> modulePaths; // guarded by serversLock
};

} // namespace zrq::ole
