#include "host/EffectPropertyPage.h"

#include "host/MessageText.h"
#include "host/StatusCode.h"

#include <dlfcn.h>

namespace {

// The module's own DllGetClassObject, found in the library EffectModule opened: dlopen of the
// same file hands back that library, counted once more, without loading it again.
class ModuleClassObjects {
public:
  explicit ModuleClassObjects(const std::string &path) {
    const std::string opened = path.find('/') == std::string::npos ? "./" + path : path;
    library = dlopen(opened.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
    if (library)
      getClassObject = reinterpret_cast<LPFNGETCLASSOBJECT>(dlsym(library, "DllGetClassObject"));
  }
  ~ModuleClassObjects() {
    if (library) dlclose(library);
  }
  ModuleClassObjects(const ModuleClassObjects &) = delete;
  ModuleClassObjects &operator=(const ModuleClassObjects &) = delete;

  LPFNGETCLASSOBJECT getClassObject = nullptr;

private:
  void *library = nullptr;
};

Error Failed(const std::string &what, HRESULT hr) {
  return Error{what + " (" + StatusCode(hr) + ")"};
}

// The class identifier of the effect's page, as the effect names it.
Result<CLSID> PageClass(IUnknown *effect) {
  CComPtr<ISpecifyPropertyPages> pages;
  HRESULT hr = effect->QueryInterface(IID_ISpecifyPropertyPages, reinterpret_cast<void **>(&pages));
  if (FAILED(hr)) return Failed("the effect names no property page", hr);
  CAUUID ids = {0, nullptr};
  hr = pages->GetPages(&ids);
  if (FAILED(hr)) return Failed("the effect names no property page", hr);
  const bool named = ids.cElems > 0 && ids.pElems;
  const CLSID clsid = named ? ids.pElems[0] : CLSID{};
  CoTaskMemFree(ids.pElems);
  if (!named) return Error{"the effect names no property page"};
  return clsid;
}

} // namespace

Result<CComPtr<IPropertyPage>> CreateEffectPropertyPage(const EffectModule &module,
                                                        IUnknown *effect) {
  Result<CLSID> clsid = PageClass(effect);
  ZRQ_RETURN_IF_FAILED(clsid);
  ModuleClassObjects classObjects(module.Path());
  if (!classObjects.getClassObject)
    return Error{"cannot reach the class objects of " + Quoted(module.Path())};
  CComPtr<IClassFactory> factory;
  HRESULT hr = classObjects.getClassObject(clsid.value(), IID_IClassFactory,
                                           reinterpret_cast<void **>(&factory));
  if (FAILED(hr)) return Failed("the module does not make the effect's property page", hr);
  CComPtr<IPropertyPage> page;
  hr = factory->CreateInstance(nullptr, IID_IPropertyPage, reinterpret_cast<void **>(&page));
  if (FAILED(hr)) return Failed("the module could not make the property page", hr);
  return page;
}
