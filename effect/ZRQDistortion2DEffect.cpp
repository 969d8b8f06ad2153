// The effect object's composition: its interfaces, its lifetime, the parameter set's XML
// operations and the property page it names. Rendering is in ZRQDistortion2DEffectRender.cpp.
#include "effect/ZRQDistortion2DEffect.h"

#include <bit>
#include <new>

#include "effect/EffectParameterTable.h"
#include "module/ModuleLockCount.h"

namespace {

// The aspect a new effect assumes until the host gives a size: 1.333 as a float, not 4/3.
constexpr float kInitialAspect = std::bit_cast<float>(0x3FAA9FBEu);

} // namespace

ZRQDistortion2DEffect::ZRQDistortion2DEffect() noexcept : aspectRatio(kInitialAspect) {
  ModuleAddLock();
}

ZRQDistortion2DEffect::~ZRQDistortion2DEffect() {
  // The renderer drops its device objects before the device reference goes.
  renderer.reset();
  softwareProcessor.reset();
  ModuleReleaseLock();
  device.Release();
}

HRESULT ZRQDistortion2DEffect::CreateInstance(IUnknown *outer, REFIID riid, void **ppv) noexcept {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  auto *effect = new (std::nothrow) ZRQDistortion2DEffect();
  if (!effect) return E_OUTOFMEMORY;
  // The construction reference keeps the object alive through registration and the query.
  effect->AddRef();
  HRESULT hr = RegisterEffectParameters(*effect);
  if (SUCCEEDED(hr)) hr = effect->QueryInterface(riid, ppv);
  effect->Release();
  return hr;
}

HRESULT ZRQDistortion2DEffect::QueryInterface(REFIID riid, void **ppvObject) {
  if (!ppvObject) return E_POINTER;
  // The order a query walks; IUnknown is the first entry.
  if (riid == IID_IUnknown || riid == IID_IZRQDistortion2DEffect) {
    *ppvObject = static_cast<IZRQDistortion2DEffect *>(this);
  } else if (riid == IID_IDeviceEffect) {
    *ppvObject = static_cast<IDeviceEffect *>(this);
  } else if (riid == IID_IEffectParameters) {
    *ppvObject = static_cast<IEffectParameters *>(this);
  } else if (riid == IID_IParameterSetXml) {
    *ppvObject = static_cast<IParameterSetXml *>(this);
  } else if (riid == IID_ISpecifyPropertyPages) {
    *ppvObject = static_cast<ISpecifyPropertyPages *>(this);
  } else if (riid == IID_ISoftwareEffect) {
    *ppvObject = static_cast<ISoftwareEffect *>(this);
  } else {
    // The parameter table is the set's own business, not the host's.
    *ppvObject = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG ZRQDistortion2DEffect::AddRef() {
  return static_cast<ULONG>(InterlockedIncrement(&referenceCount));
}

ULONG ZRQDistortion2DEffect::Release() {
  const LONG left = InterlockedDecrement(&referenceCount);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

HRESULT ZRQDistortion2DEffect::GetInputCount(LONG *count) {
  if (!count) return E_POINTER;
  *count = 1;
  return S_OK;
}

HRESULT ZRQDistortion2DEffect::GetInputInfo(ULONG index, LONG *value) {
  if (!value) return E_POINTER;
  if (index >= 1) return E_INVALIDARG;
  *value = 0;
  return S_OK;
}

HRESULT ZRQDistortion2DEffect::LoadParameters(IUnknown *node) {
  std::lock_guard<std::recursive_mutex> guard(renderLock);
  const HRESULT loaded = EffectParameters::LoadParameters(node);
  if (FAILED(loaded)) return loaded;
  const HRESULT applied = Reapply();
  // S_FALSE says the load passed something over; it is kept unless the Reapply failed.
  return FAILED(applied) ? applied : loaded;
}

HRESULT ZRQDistortion2DEffect::SaveParameters(IXMLDOMNode *node) {
  return EffectParameters::SaveParameters(node);
}

HRESULT ZRQDistortion2DEffect::GetPages(CAUUID *pages) {
  if (!pages) return E_POINTER;
  auto *ids = static_cast<GUID *>(CoTaskMemAlloc(sizeof(GUID)));
  if (!ids) {
    pages->cElems = 0;
    pages->pElems = nullptr;
    return E_OUTOFMEMORY;
  }
  ids[0] = CLSID_ZRQDistortion2DProp;
  pages->cElems = 1;
  pages->pElems = ids;
  return S_OK;
}
