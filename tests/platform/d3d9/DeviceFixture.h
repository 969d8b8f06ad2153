// A software device of a given size, and helpers to draw and read back tiny pictures.
#pragma once

#include <d3d9.h>
#include <zrqd3d9ext.h>

#include <gtest/gtest.h>

#include "support/TestDevice.h"

#include <optional>
#include <vector>

namespace zrq::d3d9::test {

using zrq::test::DepthBuffer;
using zrq::test::TestDevice;

struct ScreenVertex { // D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1
  float x, y, z, rhw;
  DWORD colour;
  float u, v;
};
inline constexpr DWORD kScreenFVF = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

struct ModelVertex { // 0x112
  float x, y, z, nx, ny, nz, u, v;
};

class DeviceFixture : public ::testing::Test {
protected:
  void Open(UINT width, UINT height, bool depth = true) {
    held.emplace(width, height, depth ? DepthBuffer::Yes : DepthBuffer::No);
    ASSERT_TRUE(held->ok());
    d3d = held->d3d;
    device = held->device;
    w = width;
    h = height;
  }
  // The device checks that no reference is left on it.
  void TearDown() override { held.reset(); }
  void SetOptions(const ZRQ_D3D9_DEVICE_OPTIONS &o) { held->SetOptions(o); }

  // A texture the caller releases.
  IDirect3DTexture9 *MakeTexture(UINT tw, UINT th, const std::vector<DWORD> &texels,
                                 D3DPOOL pool = D3DPOOL_MANAGED) {
    return held->Texture(tw, th, texels, pool).Detach();
  }

  // Draws a screen-space rectangle as two clockwise triangles.
  HRESULT DrawRect(float x0, float y0, float x1, float y1, DWORD colour, float z = 0.5f,
                   float u0 = 0, float v0 = 0, float u1 = 1, float v1 = 1) {
    const ScreenVertex v[6] = {{x0, y0, z, 1, colour, u0, v0}, {x1, y0, z, 1, colour, u1, v0},
                               {x0, y1, z, 1, colour, u0, v1}, {x1, y0, z, 1, colour, u1, v0},
                               {x1, y1, z, 1, colour, u1, v1}, {x0, y1, z, 1, colour, u0, v1}};
    device->SetFVF(kScreenFVF);
    return device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, v, sizeof(ScreenVertex));
  }

  // The render target read back through an off-screen plain surface, as a host reads it.
  std::vector<DWORD> ReadBack() { return held->ReadBack(); }
  DWORD Pixel(UINT x, UINT y) { return held->Pixel(x, y); }

  std::optional<TestDevice> held;
  IDirect3D9 *d3d = nullptr;
  IDirect3DDevice9 *device = nullptr;
  UINT w = 0, h = 0;
};

// round(a × b ÷ 255), the device's 8-bit product.
inline DWORD Mul8(DWORD a, DWORD b) { return (a * b + 127) / 255; }

} // namespace zrq::d3d9::test
