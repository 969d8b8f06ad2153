#include "host/FrameRenderer.h"

#include "host/DeviceFrameRenderer.h"
#include "host/SoftwareFrameRenderer.h"
#include "host/StatusCode.h"

#include <ZRQDistortion2D.h>
#include <atlcomcli.h>

std::string_view RenderPathName(RenderPath path) {
  switch (path) {
  case RenderPath::Software:
    return "software";
  case RenderPath::Device:
    return "device";
  }
  return "unknown";
}

Result<std::unique_ptr<FrameRenderer>> MakeFrameRenderer(RenderPath path, IUnknown *effect,
                                                         FrameSize size, DeviceCaps caps) {
  switch (path) {
  case RenderPath::Software:
    return SoftwareFrameRenderer::Create(effect, size);
  case RenderPath::Device:
    return DeviceFrameRenderer::Create(effect, size, caps);
  }
  return Error{"unknown render path"};
}

Status StartEffectOnPath(IUnknown *effect) {
  CComPtr<IDeviceEffect> device;
  CComPtr<IEffectParameters> parameters;
  HRESULT hr = effect->QueryInterface(IID_IDeviceEffect, reinterpret_cast<void **>(&device));
  if (SUCCEEDED(hr))
    hr = effect->QueryInterface(IID_IEffectParameters, reinterpret_cast<void **>(&parameters));
  if (FAILED(hr))
    return Status::Fail("the module's effect lacks an interface a host needs (" +
                        StatusCode(hr) + ")");
  // The duration is the clip's on both paths; the software path has no call of its own.
  hr = device->SetDuration(1.0);
  if (FAILED(hr))
    return Status::Fail("the effect refused the clip's duration (" + StatusCode(hr) + ")");
  // An effect that has only waited on the software path has never chosen a renderer, so this
  // always builds: the processor at the size just set, or the renderer attached to the device.
  hr = parameters->ApplyParameters();
  if (FAILED(hr))
    return Status::Fail("the effect cannot make what renders its \"Effect ID\" (" +
                        StatusCode(hr) + ")");
  return Status::Ok();
}
