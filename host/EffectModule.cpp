#include "host/EffectModule.h"

#include "host/MessageText.h"
#include "host/StatusCode.h"

#include <ZRQDistortion2D.h>
#include <zrqloader.h>
#include <zrqresource.h>
#include <zrqtext.h>

#include <dlfcn.h>
#include <unistd.h>

#include <climits>

namespace {

// Closes a library that turned out not to be usable before anything of it was used.
struct LibraryCloser {
  void operator()(void *library) const { dlclose(library); }
};

// "{6C5BE355-...}" of a class, for messages.
std::string ClassText(REFCLSID clsid) {
  OLECHAR text[40];
  std::string narrow;
  if (StringFromGUID2(clsid, text, 40) == 0 || !ZrqWideToUtf8(text, &narrow)) return "?";
  return narrow;
}

// The full path of a loaded module, or "" when the loader does not know it.
std::string ModulePath(HMODULE module) {
  OLECHAR wide[PATH_MAX];
  DWORD length = GetModuleFileNameW(module, wide, PATH_MAX);
  std::string narrow;
  if (length == 0 || length >= PATH_MAX ||
      !ZrqWideToUtf8(std::u16string_view(wide, length), &narrow))
    return {};
  return narrow;
}

// Why a registered module did not give its class object: the status and, when the library
// itself did not load, the loader's own words.
std::string RegistryFailure(HRESULT hr) {
  std::string reason = StatusCode(hr);
  char loader[1024];
  if (HRESULT_FACILITY(hr) == FACILITY_WIN32 && ZrqGetLoaderMessage(loader, sizeof loader) > 0)
    reason += std::string(": ") + loader;
  return reason;
}

} // namespace

std::string EffectModule::DefaultPath() {
  char self[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  if (length <= 0) return kModuleFileName;
  std::string program(self, size_t(length));
  size_t slash = program.rfind('/');
  return program.substr(0, slash + 1) + kModuleFileName;
}

EffectModule::EffectModule(std::string path, void *library, LPFNCANUNLOADNOW canUnloadNow,
                           CComPtr<IClassFactory> classFactory, EffectNames names)
    : path(std::move(path)), library(library), canUnloadNow(canUnloadNow),
      classFactory(std::move(classFactory)), names(std::move(names)) {}

Result<std::unique_ptr<EffectModule>> EffectModule::Load(const std::string &path) {
  // dlopen searches the library path for a name without a slash; a user means this folder.
  std::string opened = path.find('/') == std::string::npos ? "./" + path : path;
  std::unique_ptr<void, LibraryCloser> library(dlopen(opened.c_str(), RTLD_NOW | RTLD_LOCAL));
  if (!library) {
    const char *reason = dlerror();
    return Error{"cannot load the effect module " + Quoted(path) + ": " +
                 (reason ? reason : "unknown reason")};
  }
  auto getClassObject =
      reinterpret_cast<LPFNGETCLASSOBJECT>(dlsym(library.get(), "DllGetClassObject"));
  auto canUnloadNow = reinterpret_cast<LPFNCANUNLOADNOW>(dlsym(library.get(), "DllCanUnloadNow"));
  if (!getClassObject || !canUnloadNow)
    return Error{Quoted(path) + " is not an effect module: it does not export " +
                 (getClassObject ? "DllCanUnloadNow" : "DllGetClassObject")};

  CComPtr<IClassFactory> classFactory;
  HRESULT hr = getClassObject(CLSID_ZRQDistortion2DEffect, IID_IClassFactory,
                              reinterpret_cast<void **>(&classFactory));
  if (FAILED(hr) || !classFactory)
    return Error{Quoted(path) + " does not make the distortion effect (DllGetClassObject gave " +
                 StatusCode(hr) + ")"};

  // The module's resources are found by its handle, which is the image holding its code, as
  // a host on Windows would use the handle LoadLibrary gave it.
  HMODULE handle = ZrqGetModuleHandleFromAddress(reinterpret_cast<const void *>(getClassObject));
  EffectNames names = EffectNames::FromStringTable(handle);
  return std::unique_ptr<EffectModule>(new EffectModule(path, library.release(), canUnloadNow,
                                                        std::move(classFactory), std::move(names)));
}

Result<std::unique_ptr<EffectModule>> EffectModule::Open(const std::string &path,
                                                         const std::string &fallback) {
  if (!path.empty()) {
    Result<std::unique_ptr<EffectModule>> named = Load(path);
    if (named.ok()) named.value()->howFound = "named by the host";
    return named;
  }
  HRESULT status = S_OK;
  Result<std::unique_ptr<EffectModule>> registered = FromRegistry(&status);
  if (registered.ok()) return registered;
  Result<std::unique_ptr<EffectModule>> loaded = Load(fallback);
  ZRQ_RETURN_IF_FAILED(loaded);
  EffectModule &module = *loaded.value();
  if (status == REGDB_E_CLASSNOTREG) {
    module.howFound = "the default module (the effect's class is not registered)";
  } else {
    module.howFound = "the default module (the registered module did not load)";
    module.warning = registered.message() + "; using " + Quoted(fallback) + " instead";
  }
  return loaded;
}

Result<std::unique_ptr<EffectModule>> EffectModule::FromRegistry(HRESULT *status) {
  // Each module reached this way holds one initialisation of the thread's COM.
  HRESULT initialised = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  if (FAILED(initialised)) {
    *status = initialised;
    return Error{"COM would not start (" + StatusCode(initialised) + ")"};
  }
  CComPtr<IClassFactory> classFactory;
  *status = CoGetClassObject(CLSID_ZRQDistortion2DEffect, CLSCTX_INPROC_SERVER, nullptr,
                             IID_IClassFactory, reinterpret_cast<void **>(&classFactory));
  if (FAILED(*status) || !classFactory) {
    std::string reason = RegistryFailure(*status);
    CoUninitialize();
    return Error{"the module registered for class " + ClassText(CLSID_ZRQDistortion2DEffect) +
                 " did not give its class object (" + reason + ")"};
  }
  // The class object's table of methods lies in the module's image, so its address finds the
  // module's handle, for its string table and its file name.
  HMODULE handle =
      ZrqGetModuleHandleFromAddress(*reinterpret_cast<const void *const *>(classFactory.p));
  std::unique_ptr<EffectModule> module(new EffectModule(ModulePath(handle), nullptr, nullptr,
                                                        std::move(classFactory),
                                                        EffectNames::FromStringTable(handle)));
  module->comInitialised = true;
  module->howFound = "registered for class " + ClassText(CLSID_ZRQDistortion2DEffect) +
                     ", made with CoCreateInstance";
  return module;
}

EffectModule::~EffectModule() {
  classFactory.Release();
  if (comInitialised) {
    // COM loaded the module; it unloads it once nothing of it is alive.
    CoFreeUnusedLibraries();
    CoUninitialize();
  } else if (canUnloadNow() == S_OK) {
    dlclose(library);
  }
}

Result<CComPtr<IUnknown>> EffectModule::CreateEffect() const {
  CComPtr<IUnknown> effect;
  // A registered class is made as any host makes one; the class object kept meanwhile holds
  // the module loaded between effects.
  HRESULT hr =
      comInitialised
          ? CoCreateInstance(CLSID_ZRQDistortion2DEffect, nullptr, CLSCTX_INPROC_SERVER,
                             IID_IUnknown, reinterpret_cast<void **>(&effect))
          : classFactory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void **>(&effect));
  if (FAILED(hr) || !effect)
    return Error{"the module " + Quoted(path) + " could not make an effect (" + StatusCode(hr) +
                 ")"};
  return effect;
}
