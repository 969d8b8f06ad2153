#include "host/EffectSetup.h"

#include "host/StatusCode.h"

#include <ZRQDistortion2D.h>

#include <cmath>

CComVariant KeyFrameValue(double percent) {
  if (std::trunc(percent) == percent && percent >= -32768.0 && percent <= 32767.0)
    return CComVariant(short(percent));
  return CComVariant(percent);
}

Status StartEffectOnPath(IUnknown *effect) {
  CComPtr<IDeviceEffect> device;
  CComPtr<IEffectParameters> parameters;
  HRESULT hr = effect->QueryInterface(IID_IDeviceEffect, reinterpret_cast<void **>(&device));
  if (SUCCEEDED(hr))
    hr = effect->QueryInterface(IID_IEffectParameters, reinterpret_cast<void **>(&parameters));
  if (FAILED(hr))
    return Status::Fail("the module's effect lacks an interface a host needs (" + StatusCode(hr) +
                        ")");
  // The duration is the clip's on both paths; the software path has no call of its own.
  hr = device->SetDuration(1.0);
  if (FAILED(hr))
    return Status::Fail("the effect refused the clip's duration (" + StatusCode(hr) + ")");
  // An effect that has only waited on the software path has never chosen a renderer, so this
  // always builds: the processor at the size just set, or the renderer attached to the device.
  hr = parameters->ApplyParameters();
  if (FAILED(hr))
    return Status::Fail("the effect cannot make what renders its \"Effect ID\" (" + StatusCode(hr) +
                        ")");
  return Status::Ok();
}
