// The effect object a host creates: one reference count behind six interfaces. The host draws
// through IDeviceEffect (its Direct3D 9 device) or ISoftwareEffect (pixel memory), reaches the
// parameter set through IEffectParameters and IParameterSetXml, and learns the property page
// through ISpecifyPropertyPages.
//
// Locks, always in this order: renderLock here (recursive; every operation on the render state
// below takes it), then a renderer's own lock, then the renderer base's lock, then the
// parameter set's parametersLock. The parameter methods of slots 3 to 18 and SaveParameters
// take only the parameter set's lock.
#pragma once

#include <ocidl.h>

#include <memory>
#include <mutex>

#include <ZRQDistortion2D.h>

#include "params/EffectParameters.h"
#include "render/DistortionRenderer.h"
#include "render/software/SoftwareEffectProcessor.h"

class ZRQDistortion2DEffect : public IZRQDistortion2DEffect,
                              public IDeviceEffect,
                              public ISoftwareEffect,
                              public IParameterSetXml,
                              public EffectParameters,
                              public ISpecifyPropertyPages {
public:
  // The class object's instance creator: a new effect with its four parameters, handed out as
  // riid. Aggregation is refused (CLASS_E_NOAGGREGATION).
  [[nodiscard]] static HRESULT CreateInstance(IUnknown *outer, REFIID riid, void **ppv) noexcept;

  ZRQDistortion2DEffect(const ZRQDistortion2DEffect &) = delete;
  ZRQDistortion2DEffect &operator=(const ZRQDistortion2DEffect &) = delete;

  // IUnknown, shared by every interface.
  STDMETHODIMP QueryInterface(REFIID riid, void **ppvObject) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // IDeviceEffect.
  STDMETHODIMP SetDevice(IDirect3DDevice9 *newDevice, LONG width, LONG height) override;
  STDMETHODIMP PrepareFrame(double time, float *inputAspects, LONG inputCount) override;
  STDMETHODIMP RenderFrame(IDirect3DTexture9 **textures, LONG textureCount) override;
  STDMETHODIMP ReleaseDevice() override;
  STDMETHODIMP ResetDevice(IDirect3DDevice9 *newDevice) override;
  STDMETHODIMP SetDuration(double newDuration) override;
  STDMETHODIMP GetInputCount(LONG *count) override;
  STDMETHODIMP GetInputInfo(ULONG index, LONG *value) override;
  // The reserved slots of both render interfaces: nothing to do.
  STDMETHODIMP Reserved() override { return S_OK; }
  STDMETHODIMP ReservedValue(ULONG_PTR) override { return S_OK; }

  // ISoftwareEffect.
  STDMETHODIMP SetFrameSize(LONG width, LONG height, ULONG_PTR, ULONG_PTR) override;
  STDMETHODIMP PrepareSoftwareFrame(double time, ULONG_PTR, ULONG_PTR) override;
  STDMETHODIMP ProcessFrame(BYTE **sources, ULONG_PTR reserved2, LONG *sourceStrides,
                            ULONG_PTR reserved4, BYTE *destination, LONG left, LONG top, LONG right,
                            LONG bottom, LONG destinationStride) override;
  STDMETHODIMP ReservedPair(ULONG_PTR, ULONG_PTR) override { return S_OK; }

  // IEffectParameters' last three slots, and IParameterSetXml (the same two operations). A load
  // holds renderLock for itself and the Reapply that follows it.
  STDMETHODIMP LoadParameters(IUnknown *node) override;
  STDMETHODIMP SaveParameters(IXMLDOMNode *node) override;
  STDMETHODIMP ApplyParameters() override;

  // ISpecifyPropertyPages: the property page's class identifier, in task-allocator memory.
  STDMETHODIMP GetPages(CAUUID *pages) override;

private:
  ZRQDistortion2DEffect() noexcept;
  ~ZRQDistortion2DEffect() override;

  // Rebuilds or re-attaches the renderer, or replaces the software processor, for "Effect ID".
  HRESULT Reapply();
  // Keeps the renderer when effectId is the current one; otherwise makes the catalogue's.
  HRESULT SelectRenderer(LONG effectId);
  // "Effect ID" as a 32-bit integer.
  HRESULT ReadEffectId(LONG *effectId);
  // Clamps the frame time to 0..duration and evaluates "Effect Value" there, as a renderer
  // takes it (0..1).
  HRESULT EvaluateEffectValue(double *time, double *value);
  // Records a frame size; E_INVALIDARG (nothing recorded) below 1 × 1.
  HRESULT RecordFrameSize(LONG width, LONG height);

  LONG referenceCount = 0;

  // The render state, guarded by renderLock.
  std::recursive_mutex renderLock;
  CComPtr<IDirect3DDevice9> device;
  std::unique_ptr<DistortionRenderer> renderer;
  float aspectRatio;
  LONG frameWidth = 640;
  LONG frameHeight = 480;
  double duration = 10.0;
  LONG currentEffectId = 0;
  bool softwareMode = false;
  std::unique_ptr<SoftwareEffectProcessor> softwareProcessor;
};
