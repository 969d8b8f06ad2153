// The effect object's render entry: the host's device or frame size, the renderer (or software
// processor) for "Effect ID", and the two steps of every frame.
#include <cmath>

#include "effect/EffectCatalog.h"
#include "effect/EffectParameterTable.h"
#include "effect/RendererFactory.h"
#include "effect/ZRQDistortion2DEffect.h"
#include "render/EffectValue.h"

namespace {

using RenderGuard = std::lock_guard<std::recursive_mutex>;

} // namespace

HRESULT ZRQDistortion2DEffect::ReadEffectId(LONG *effectId) {
  CComVariant value;
  HRESULT hr = GetValue(EffectIdParameter, &value);
  if (FAILED(hr)) return hr;
  // The parameter is a VT_I4; anything else a host managed to store is read as its number.
  hr = value.ChangeType(VT_I4);
  if (FAILED(hr)) return hr;
  *effectId = value.lVal;
  return S_OK;
}

HRESULT ZRQDistortion2DEffect::SelectRenderer(LONG effectId) {
  if (effectId == currentEffectId) return S_OK;
  renderer.reset();
  renderer = CreateRenderer(effectId);
  if (!renderer) {
    currentEffectId = 0;
    return E_OUTOFMEMORY;
  }
  currentEffectId = effectId;
  return S_OK;
}

HRESULT ZRQDistortion2DEffect::Reapply() {
  RenderGuard guard(renderLock);
  LONG effectId = 0;
  if (FAILED(ReadEffectId(&effectId))) return E_FAIL;

  if (softwareMode) {
    softwareProcessor.reset();
    softwareProcessor.reset(new (std::nothrow) SoftwareEffectProcessor(effectId));
    if (!softwareProcessor) return E_OUTOFMEMORY;
    softwareProcessor->SetSize(frameWidth, frameHeight);
    return S_OK;
  }

  if (const HRESULT hr = SelectRenderer(effectId); FAILED(hr)) return hr;
  if (!renderer || !device) return S_OK; // attached by a later Reapply
  if (const HRESULT hr = renderer->Attach(device, aspectRatio); FAILED(hr)) {
    // Half-built buffers or panels must not be drawn: the renderer gives up the device and
    // the next Reapply attaches it afresh.
    renderer->DetachDevice();
    return hr;
  }
  renderer->duration = duration;
  return S_OK;
}

HRESULT ZRQDistortion2DEffect::ApplyParameters() {
  RenderGuard guard(renderLock);
  LONG effectId = 0;
  const HRESULT hr = ReadEffectId(&effectId);
  if (FAILED(hr)) return hr;
  if (effectId != currentEffectId) return Reapply();
  return hr;
}

HRESULT ZRQDistortion2DEffect::RecordFrameSize(LONG width, LONG height) {
  // The aspect divides by the height, and renderers and the processor size pictures by both.
  if (width < 1 || height < 1) return E_INVALIDARG;
  frameWidth = width;
  frameHeight = height;
  aspectRatio = static_cast<float>(width) / static_cast<float>(height);
  return S_OK;
}

HRESULT ZRQDistortion2DEffect::SetDevice(IDirect3DDevice9 *newDevice, LONG width, LONG height) {
  RenderGuard guard(renderLock);
  if (const HRESULT hr = RecordFrameSize(width, height); FAILED(hr)) return hr;
  softwareMode = false;
  device = newDevice; // the new reference is taken before the old one goes
  return S_OK;
}

HRESULT ZRQDistortion2DEffect::ResetDevice(IDirect3DDevice9 *newDevice) {
  RenderGuard guard(renderLock);
  if (softwareMode) return E_FAIL;
  return SetDevice(newDevice, frameWidth, frameHeight);
}

HRESULT ZRQDistortion2DEffect::SetDuration(double newDuration) {
  // Frame times are divided by it; zero, negative or non-finite would poison every value.
  if (!std::isfinite(newDuration) || newDuration <= 0.0) return E_INVALIDARG;
  RenderGuard guard(renderLock);
  duration = newDuration;
  if (renderer) renderer->duration = newDuration;
  return S_OK;
}

HRESULT ZRQDistortion2DEffect::EvaluateEffectValue(double *time, double *value) {
  if (*time > duration)
    *time = duration;
  else if (!(*time >= 0.0)) // NaN too
    *time = 0.0;

  ULONG count = 0;
  if (FAILED(GetKeyFrameCount(EffectValueParameter, &count)) || count == 0) return E_FAIL;
  CComVariant percent;
  if (FAILED(GetValueAtTime(*time / duration, EffectValueParameter, &percent)) ||
      percent.vt != VT_R8)
    return E_FAIL;
  *value = ClampEffectValue(percent.dblVal * 0.01);
  return S_OK;
}

HRESULT ZRQDistortion2DEffect::PrepareFrame(double time, float *inputAspects, LONG inputCount) {
  RenderGuard guard(renderLock);
  if (!device) return E_POINTER;
  if (!renderer) return E_FAIL;
  renderer->BeginFrame();
  renderer->SetInputAspects(inputAspects, inputCount);
  double value = 0.0;
  if (FAILED(EvaluateEffectValue(&time, &value))) return E_FAIL;
  renderer->SetEffectValue(&value, sizeof value);
  return renderer->SetTime(time);
}

HRESULT ZRQDistortion2DEffect::RenderFrame(IDirect3DTexture9 **textures, LONG textureCount) {
  RenderGuard guard(renderLock);
  if (!device || !renderer) return E_POINTER;
  if (!textures && textureCount > 0) return E_POINTER;
  // Renderers read the first entry; without inputs they draw untextured.
  IDirect3DTexture9 *none[1] = {nullptr};
  if (!textures || textureCount < 1) {
    textures = none;
    textureCount = 0;
  }
  renderer->textureExtentU = 1.0f;
  renderer->textureExtentV = 1.0f;
  // A failed geometry step leaves the captured state for the next BeginFrame to replace.
  if (const HRESULT hr = renderer->UpdateGeometry(); FAILED(hr)) return hr;
  const HRESULT hr = renderer->Render(textures, textureCount);
  renderer->EndFrame();
  return hr;
}

HRESULT ZRQDistortion2DEffect::ReleaseDevice() {
  RenderGuard guard(renderLock);
  if (softwareMode) return E_FAIL;
  device.Release();
  if (renderer) return renderer->DetachDevice();
  return S_OK;
}

HRESULT ZRQDistortion2DEffect::SetFrameSize(LONG width, LONG height, ULONG_PTR, ULONG_PTR) {
  RenderGuard guard(renderLock);
  if (const HRESULT hr = RecordFrameSize(width, height); FAILED(hr)) return hr;
  softwareMode = true;
  return S_OK;
}

HRESULT ZRQDistortion2DEffect::PrepareSoftwareFrame(double time, ULONG_PTR, ULONG_PTR) {
  RenderGuard guard(renderLock);
  if (!softwareProcessor) return E_FAIL;
  double value = 0.0;
  const HRESULT hr = EvaluateEffectValue(&time, &value);
  if (FAILED(hr)) return hr;
  softwareProcessor->SetEffectValue(&value, sizeof value);
  return hr;
}

HRESULT ZRQDistortion2DEffect::ProcessFrame(BYTE **sources, ULONG_PTR reserved2,
                                            LONG *sourceStrides, ULONG_PTR reserved4,
                                            BYTE *destination, LONG left, LONG top, LONG right,
                                            LONG bottom, LONG destinationStride) {
  // Under renderLock, so that a Reapply on another thread cannot replace the processor while
  // it writes.
  RenderGuard guard(renderLock);
  if (!softwareProcessor) return E_FAIL;
  return softwareProcessor->ProcessFrame(sources, reserved2, sourceStrides, reserved4, destination,
                                         left, top, right, bottom, destinationStride);
}
