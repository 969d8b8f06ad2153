// The distortion module, loaded the way a host on Windows loads an in-process server: the
// library is opened, its exported entry points are looked up, and effects are made by the
// class object DllGetClassObject hands out. Nothing of the module is linked into the host; it
// is reached only through those entry points and the interfaces of <ZRQDistortion2D.h>.
#pragma once

#include "host/EffectNames.h"
#include "host/Status.h"

#include <atlcomcli.h>
#include <objbase.h>

#include <memory>
#include <string>

inline constexpr const char *kModuleFileName = "ZRQDistortion2D9.so";

class EffectModule {
public:
  // The module beside the running program, where the build puts it.
  static std::string DefaultPath();

  // The module a user means: the file named by `path` when there is one; otherwise the module
  // registered for the effect's class, reached through CoCreateInstance as any host would; and
  // when the class is not registered, the one at `fallback` (a host's own default, such as
  // DefaultPath()). A registered module that does not load is passed over for the fallback,
  // and Warning() says why.
  [[nodiscard]] static Result<std::unique_ptr<EffectModule>> Open(const std::string &path,
                                                                  const std::string &fallback);

  // Opens the library at `path` (a bare file name means the file in the current folder, not a
  // search of the library path), finds its entry points and the effect's class object, and
  // reads the effect names from its string table. The message says which step failed.
  [[nodiscard]] static Result<std::unique_ptr<EffectModule>> Load(const std::string &path);

  // Gives up the class object and unloads the library when DllCanUnloadNow allows it. While
  // an object of the module is still alive the library stays loaded, since the object's code
  // is in it.
  ~EffectModule();
  EffectModule(const EffectModule &) = delete;
  EffectModule &operator=(const EffectModule &) = delete;

  // A new effect object (ZRQDistortion2DEffect), as its IUnknown.
  [[nodiscard]] Result<CComPtr<IUnknown>> CreateEffect() const;

  const EffectNames &Names() const { return names; }
  const std::string &Path() const { return path; }
  // How the module was found, for a person: "named by the host", "registered for class
  // {...}, made with CoCreateInstance" or "the default module (...)".
  const std::string &HowFound() const { return howFound; }
  // Why Open passed over the registered module for the fallback; empty when it did not.
  const std::string &Warning() const { return warning; }

private:
  EffectModule(std::string path, void *library, LPFNCANUNLOADNOW canUnloadNow,
               CComPtr<IClassFactory> classFactory, EffectNames names);
  // The registered module, or the status of the attempt (REGDB_E_CLASSNOTREG when the class
  // is not registered).
  static Result<std::unique_ptr<EffectModule>> FromRegistry(HRESULT *status);

  std::string path;
  std::string howFound;
  std::string warning;
  // dlopen's handle of a module opened by file; null for the registered module, which COM
  // loaded and unloads.
  void *library;
  // The thread's COM initialisation, held by a module reached through the registry.
  bool comInitialised = false;
  LPFNCANUNLOADNOW canUnloadNow;
  CComPtr<IClassFactory> classFactory;
  EffectNames names;
};
