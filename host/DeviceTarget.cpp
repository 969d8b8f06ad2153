#include "host/DeviceTarget.h"

#include <zrqd3d9ext.h>

#include "host/StatusCode.h"
#include "host/common/ModelSpaceView.h"

#include <cstring>

namespace {

std::string SizeText(FrameSize size) {
  return std::to_string(size.width) + "x" + std::to_string(size.height);
}

} // namespace

Result<std::unique_ptr<DeviceTarget>> DeviceTarget::Create(FrameSize size, DeviceCaps caps) {
  ZRQ_RETURN_IF_FAILED(CheckFrameSize(size));
  std::unique_ptr<DeviceTarget> target(new DeviceTarget);
  target->size = size;
  target->direct3d.Attach(Direct3DCreate9(D3D_SDK_VERSION));
  if (!target->direct3d)
    return Error{"the Direct3D 9 device cannot be made (Direct3DCreate9 failed)"};

  D3DPRESENT_PARAMETERS present{};
  present.BackBufferWidth = UINT(size.width);
  present.BackBufferHeight = UINT(size.height);
  present.BackBufferFormat = D3DFMT_A8R8G8B8;
  present.BackBufferCount = 1;
  present.SwapEffect = D3DSWAPEFFECT_DISCARD;
  present.Windowed = TRUE;
  present.EnableAutoDepthStencil = TRUE;
  present.AutoDepthStencilFormat = D3DFMT_D24S8;
  HRESULT hr = target->direct3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                                              D3DCREATE_SOFTWARE_VERTEXPROCESSING, &present,
                                              &target->device);
  if (FAILED(hr))
    return Error{"the Direct3D 9 device cannot be made for " + SizeText(size) + " (" +
                 StatusCode(hr) + ")"};
  if (caps == DeviceCaps::None) {
    ZRQ_D3D9_DEVICE_OPTIONS options{}; // no shader versions reported
    hr = ZrqD3D9SetDeviceOptions(target->device, &options);
    if (FAILED(hr))
      return Error{"the Direct3D 9 device's options cannot be set (" + StatusCode(hr) + ")"};
  }
  hr = zrq::host::ApplyModelSpaceView(target->device, UINT(size.width), UINT(size.height));
  // Pictures are drawn unlit: the renderers that light their panels set up and undo their own
  // lights, and the wave draws with the host's state, on vertices that carry no normal.
  if (SUCCEEDED(hr)) hr = target->device->SetRenderState(D3DRS_LIGHTING, FALSE);
  if (SUCCEEDED(hr))
    hr = target->device->CreateTexture(UINT(size.width), UINT(size.height), 1, 0, D3DFMT_A8R8G8B8,
                                       D3DPOOL_MANAGED, &target->texture, nullptr);
  if (SUCCEEDED(hr)) hr = target->device->GetRenderTarget(0, &target->renderTarget);
  if (SUCCEEDED(hr))
    hr = target->device->CreateOffscreenPlainSurface(UINT(size.width), UINT(size.height),
                                                     D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM,
                                                     &target->readBack, nullptr);
  if (FAILED(hr))
    return Error{"the Direct3D 9 device cannot hold " + SizeText(size) + " pictures (" +
                 StatusCode(hr) + ")"};
  return target;
}

Status DeviceTarget::Upload(const BYTE *pixels) {
  D3DLOCKED_RECT locked{};
  HRESULT hr = texture->LockRect(0, &locked, nullptr, 0);
  if (FAILED(hr))
    return Status::Fail("the picture cannot be uploaded to the device (" + StatusCode(hr) + ")");
  const size_t rowBytes = size_t(4) * size_t(size.width);
  for (int y = 0; y < size.height; ++y)
    std::memcpy(static_cast<BYTE *>(locked.pBits) + size_t(y) * size_t(locked.Pitch),
                pixels + rowBytes * size_t(size.height - 1 - y), rowBytes);
  texture->UnlockRect(0);
  return Status::Ok();
}

Status DeviceTarget::Clear() {
  HRESULT hr = device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL,
                             D3DCOLOR_ARGB(0, 0, 0, 0), 1.0f, 0);
  if (FAILED(hr))
    return Status::Fail("the device's target cannot be cleared (" + StatusCode(hr) + ")");
  return Status::Ok();
}

Status DeviceTarget::ReadBack(Frame &destination) {
  if (destination.Size() != size)
    return Status::Fail("the picture differs in size from the device's target");
  HRESULT hr = device->GetRenderTargetData(renderTarget, readBack);
  D3DLOCKED_RECT locked{};
  if (SUCCEEDED(hr)) hr = readBack->LockRect(&locked, nullptr, D3DLOCK_READONLY);
  if (FAILED(hr))
    return Status::Fail("the device's picture cannot be read back (" + StatusCode(hr) + ")");
  for (int y = 0; y < size.height; ++y)
    std::memcpy(destination.ViewRow(y),
                static_cast<const BYTE *>(locked.pBits) + size_t(y) * size_t(locked.Pitch),
                destination.RowBytes());
  readBack->UnlockRect();
  return Status::Ok();
}
