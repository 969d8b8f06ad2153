// The software device as a host makes one (Direct3DCreate9, then CreateDevice with a W x H
// A8R8G8B8 back buffer and, unless asked not to, an automatic D24S8 depth-stencil), with
// pictures in and out of it, for every test that draws. A call that fails fails the test and
// gives an empty answer instead of a crash; at the end no reference may be left on the device.
#pragma once

#include <atlcomcli.h>
#include <d3d9.h>
#include <zrqd3d9ext.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace zrq::test {

enum class DepthBuffer { Yes, No };

class TestDevice {
public:
  TestDevice(UINT w, UINT h, DepthBuffer depth = DepthBuffer::Yes) : width(w), height(h) {
    d3d.Attach(Direct3DCreate9(D3D_SDK_VERSION));
    if (!d3d) {
      ADD_FAILURE() << "Direct3DCreate9 failed";
      return;
    }
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = w;
    pp.BackBufferHeight = h;
    pp.BackBufferFormat = D3DFMT_A8R8G8B8;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = depth == DepthBuffer::Yes;
    pp.AutoDepthStencilFormat = D3DFMT_D24S8;
    EXPECT_EQ(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                                D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &device),
              D3D_OK);
  }

  // Whatever the test still holds has been released by now (declared after the device, it
  // goes first), so the last references must be these.
  ~TestDevice() {
    if (device) {
      EXPECT_EQ(device.Detach()->Release(), 0u) << "references left on the device";
    }
    if (d3d) {
      EXPECT_EQ(d3d.Detach()->Release(), 0u) << "references left on Direct3D";
    }
  }

  TestDevice(const TestDevice &) = delete;
  TestDevice &operator=(const TestDevice &) = delete;

  bool ok() const { return device != nullptr; }

  void SetOptions(const ZRQ_D3D9_DEVICE_OPTIONS &options) {
    EXPECT_EQ(ZrqD3D9SetDeviceOptions(device, &options), D3D_OK);
  }

  // Turns the call recorder on or off, every other option at its default.
  void Record(bool on) {
    ZRQ_D3D9_DEVICE_OPTIONS options{};
    options.RecordCalls = on ? TRUE : FALSE;
    SetOptions(options);
  }

  std::vector<ZRQ_D3D9_CALL> Calls() {
    UINT count = 0;
    EXPECT_EQ(ZrqD3D9GetRecordedCalls(device, nullptr, 0, &count), D3D_OK);
    std::vector<ZRQ_D3D9_CALL> calls(count);
    EXPECT_EQ(ZrqD3D9GetRecordedCalls(device, calls.data(), count, &count), D3D_OK);
    calls.resize(count);
    return calls;
  }

  // A W x H texture holding `pixels` (A8R8G8B8, rows top to bottom); null when it cannot be
  // made.
  CComPtr<IDirect3DTexture9> Texture(UINT w, UINT h, const std::vector<uint32_t> &pixels,
                                     D3DPOOL pool = D3DPOOL_MANAGED) {
    CComPtr<IDirect3DTexture9> texture;
    if (!device || pixels.size() < size_t{w} * h) {
      ADD_FAILURE() << "no device, or too few texels for " << w << " x " << h;
      return texture;
    }
    EXPECT_EQ(device->CreateTexture(w, h, 1, 0, D3DFMT_A8R8G8B8, pool, &texture, nullptr), D3D_OK);
    if (!texture) return texture;
    D3DLOCKED_RECT locked{};
    EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    if (!locked.pBits) return {};
    for (UINT y = 0; y < h; ++y)
      std::memcpy(static_cast<uint8_t *>(locked.pBits) + y * locked.Pitch, &pixels[y * w], w * 4);
    EXPECT_EQ(texture->UnlockRect(0), D3D_OK);
    return texture;
  }

  // The render target read back through a system-memory surface, as a host reads it; empty
  // (and the test failed) when a step fails.
  std::vector<uint32_t> ReadBack() {
    std::vector<uint32_t> out;
    CComPtr<IDirect3DSurface9> target, copy;
    if (!device) return out;
    EXPECT_EQ(device->GetRenderTarget(0, &target), D3D_OK);
    if (!target) return out;
    EXPECT_EQ(device->CreateOffscreenPlainSurface(width, height, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM,
                                                  &copy, nullptr),
              D3D_OK);
    if (!copy) return out;
    const HRESULT copied = device->GetRenderTargetData(target, copy);
    EXPECT_EQ(copied, D3D_OK);
    D3DLOCKED_RECT locked{};
    if (FAILED(copied) || FAILED(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
      ADD_FAILURE() << "the render target could not be read back";
      return out;
    }
    out.resize(size_t{width} * height);
    for (UINT y = 0; y < height; ++y)
      std::memcpy(&out[y * width], static_cast<const uint8_t *>(locked.pBits) + y * locked.Pitch,
                  width * 4);
    copy->UnlockRect();
    return out;
  }

  // One pixel of the render target; 0 (and the test failed) when it cannot be read.
  uint32_t Pixel(UINT x, UINT y) {
    const std::vector<uint32_t> pixels = ReadBack();
    if (x >= width || y >= height || pixels.empty()) {
      ADD_FAILURE() << "no pixel at " << x << ", " << y;
      return 0;
    }
    return pixels[size_t{y} * width + x];
  }

  UINT width, height;
  CComPtr<IDirect3D9> d3d;
  CComPtr<IDirect3DDevice9> device;
};

} // namespace zrq::test
