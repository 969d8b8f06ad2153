#include "host/EffectModule.h"

#include "host/MessageText.h"
#include "host/StatusCode.h"

#include <ZRQDistortion2D.h>
#include <zrqresource.h>

#include <dlfcn.h>
#include <unistd.h>

#include <climits>

namespace {

// Closes a library that turned out not to be usable before anything of it was used.
struct LibraryCloser {
  void operator()(void *library) const { dlclose(library); }
};

} // namespace

std::string EffectModule::DefaultPath() {
  char self[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  if (length <= 0)
    return kModuleFileName;
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
  return std::unique_ptr<EffectModule>(new EffectModule(
      path, library.release(), canUnloadNow, std::move(classFactory), std::move(names)));
}

EffectModule::~EffectModule() {
  classFactory.Release();
  if (canUnloadNow() == S_OK)
    dlclose(library);
}

Result<CComPtr<IUnknown>> EffectModule::CreateEffect() const {
  CComPtr<IUnknown> effect;
  HRESULT hr =
      classFactory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void **>(&effect));
  if (FAILED(hr) || !effect)
    return Error{"the module " + Quoted(path) + " could not make an effect (" + StatusCode(hr) +
                 ")"};
  return effect;
}
