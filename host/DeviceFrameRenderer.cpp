#include "host/DeviceFrameRenderer.h"

#include "host/StatusCode.h"

Result<std::unique_ptr<FrameRenderer>> DeviceFrameRenderer::Create(IUnknown *effect, FrameSize size,
                                                                   DeviceCaps caps) {
  CComPtr<IDeviceEffect> device;
  HRESULT hr = effect->QueryInterface(IID_IDeviceEffect, reinterpret_cast<void **>(&device));
  if (FAILED(hr)) return Error{"the module's effect has no device path (" + StatusCode(hr) + ")"};
  Result<std::unique_ptr<DeviceTarget>> target = DeviceTarget::Create(size, caps);
  ZRQ_RETURN_IF_FAILED(target);
  hr = device->SetDevice(target.value()->Device(), size.width, size.height);
  if (FAILED(hr)) return Error{"the effect refused the device (" + StatusCode(hr) + ")"};
  // From here the effect holds the device; the renderer's destructor hands it back.
  std::unique_ptr<FrameRenderer> renderer(
      new DeviceFrameRenderer(std::move(device), std::move(target.value())));
  ZRQ_RETURN_IF_FAILED(StartEffectOnPath(effect));
  return renderer;
}

DeviceFrameRenderer::~DeviceFrameRenderer() { effect->ReleaseDevice(); }

Status DeviceFrameRenderer::Render(const Frame &source, Frame &destination, double time) {
  FrameSize size = target->Size();
  if (source.Size() != size || destination.Size() != size)
    return Status::Fail("the pictures differ in size from the frames the effect was set up for");
  ZRQ_RETURN_IF_FAILED(target->Upload(source.Data()));
  ZRQ_RETURN_IF_FAILED(target->Clear());
  IDirect3DDevice9 *device = target->Device();
  HRESULT hr = device->BeginScene();
  if (FAILED(hr)) return Status::Fail("the device cannot begin a scene (" + StatusCode(hr) + ")");
  float aspect = float(size.width) / float(size.height);
  hr = effect->PrepareFrame(time, &aspect, 1);
  std::string failed = "the effect cannot prepare the frame";
  if (SUCCEEDED(hr)) {
    IDirect3DTexture9 *textures[1] = {target->Texture()};
    hr = effect->RenderFrame(textures, 1);
    failed = "the effect's device path failed";
  }
  device->EndScene();
  if (FAILED(hr)) return Status::Fail(failed + " (" + StatusCode(hr) + ")");
  return target->ReadBack(destination);
}
