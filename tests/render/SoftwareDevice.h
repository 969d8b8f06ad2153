// A device made the way a host makes one (Direct3DCreate9, then CreateDevice with a W × H
// A8R8G8B8 back buffer and an automatic depth-stencil), with pictures in and out of it.
#pragma once

#include <atlcomcli.h>
#include <d3d9.h>
#include <zrqd3d9ext.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace zrq::test {

struct SoftwareDevice {
  SoftwareDevice(UINT w, UINT h) : width(w), height(h) {
    d3d.Attach(Direct3DCreate9(D3D_SDK_VERSION));
    if (!d3d) return;
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = w;
    pp.BackBufferHeight = h;
    pp.BackBufferFormat = D3DFMT_A8R8G8B8;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D24S8;
    d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                      D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &device);
  }

  void Record(bool on) {
    ZRQ_D3D9_DEVICE_OPTIONS options{};
    options.RecordCalls = on ? TRUE : FALSE;
    ZrqD3D9SetDeviceOptions(device, &options);
  }

  std::vector<ZRQ_D3D9_CALL> Calls() {
    UINT count = 0;
    ZrqD3D9GetRecordedCalls(device, nullptr, 0, &count);
    std::vector<ZRQ_D3D9_CALL> calls(count);
    ZrqD3D9GetRecordedCalls(device, calls.data(), count, &count);
    calls.resize(count);
    return calls;
  }

  // A managed W × H texture holding `pixels` (A8R8G8B8, rows top to bottom).
  CComPtr<IDirect3DTexture9> Texture(UINT w, UINT h, const std::vector<uint32_t> &pixels) {
    CComPtr<IDirect3DTexture9> texture;
    if (FAILED(
            device->CreateTexture(w, h, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr)))
      return {};
    D3DLOCKED_RECT locked{};
    if (FAILED(texture->LockRect(0, &locked, nullptr, 0))) return {};
    for (UINT y = 0; y < h; ++y)
      std::memcpy(static_cast<uint8_t *>(locked.pBits) + y * locked.Pitch, &pixels[y * w], w * 4);
    texture->UnlockRect(0);
    return texture;
  }

  // The render target read back through a system-memory surface, as a host reads it.
  std::vector<uint32_t> ReadBack() {
    std::vector<uint32_t> out;
    CComPtr<IDirect3DSurface9> target, copy;
    if (FAILED(device->GetRenderTarget(0, &target))) return out;
    if (FAILED(device->CreateOffscreenPlainSurface(width, height, D3DFMT_A8R8G8B8,
                                                   D3DPOOL_SYSTEMMEM, &copy, nullptr)))
      return out;
    if (FAILED(device->GetRenderTargetData(target, copy))) return out;
    D3DLOCKED_RECT locked{};
    if (FAILED(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY))) return out;
    out.resize(size_t{width} * height);
    for (UINT y = 0; y < height; ++y)
      std::memcpy(&out[y * width], static_cast<const uint8_t *>(locked.pBits) + y * locked.Pitch,
                  width * 4);
    copy->UnlockRect();
    return out;
  }

  UINT width, height;
  CComPtr<IDirect3D9> d3d;
  CComPtr<IDirect3DDevice9> device;
};

} // namespace zrq::test
