// A software device of a given size, and helpers to draw and read back tiny pictures.
#pragma once

#include <d3d9.h>
#include <zrqd3d9ext.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace zrq::d3d9::test {

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
    d3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    D3DPRESENT_PARAMETERS pp = {};
    pp.BackBufferWidth = width;
    pp.BackBufferHeight = height;
    pp.BackBufferFormat = D3DFMT_A8R8G8B8;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = depth;
    pp.AutoDepthStencilFormat = D3DFMT_D24S8;
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                                &pp, &device),
              D3D_OK);
    w = width;
    h = height;
  }
  void TearDown() override {
    if (device) {
      EXPECT_EQ(device->Release(), 0u) << "references left on the device";
    }
    if (d3d) {
      EXPECT_EQ(d3d->Release(), 0u);
    }
  }
  void SetOptions(const ZRQ_D3D9_DEVICE_OPTIONS &o) {
    ASSERT_EQ(ZrqD3D9SetDeviceOptions(device, &o), D3D_OK);
  }

  IDirect3DTexture9 *MakeTexture(UINT tw, UINT th, const std::vector<DWORD> &texels,
                                 D3DPOOL pool = D3DPOOL_MANAGED) {
    IDirect3DTexture9 *t = nullptr;
    EXPECT_EQ(device->CreateTexture(tw, th, 1, 0, D3DFMT_A8R8G8B8, pool, &t, nullptr), D3D_OK);
    if (!t) return nullptr;
    D3DLOCKED_RECT lr;
    EXPECT_EQ(t->LockRect(0, &lr, nullptr, 0), D3D_OK);
    for (UINT y = 0; y < th; ++y)
      std::memcpy(static_cast<BYTE *>(lr.pBits) + y * lr.Pitch, &texels[y * tw], tw * 4);
    EXPECT_EQ(t->UnlockRect(0), D3D_OK);
    return t;
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
  std::vector<DWORD> ReadBack() {
    std::vector<DWORD> out(static_cast<size_t>(w) * h);
    IDirect3DSurface9 *rt = nullptr, *sys = nullptr;
    EXPECT_EQ(device->GetRenderTarget(0, &rt), D3D_OK);
    EXPECT_EQ(device->CreateOffscreenPlainSurface(w, h, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &sys,
                                                  nullptr),
              D3D_OK);
    EXPECT_EQ(device->GetRenderTargetData(rt, sys), D3D_OK);
    D3DLOCKED_RECT lr;
    EXPECT_EQ(sys->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    for (UINT y = 0; y < h; ++y)
      std::memcpy(&out[y * w], static_cast<BYTE *>(lr.pBits) + y * lr.Pitch, w * 4);
    sys->UnlockRect();
    sys->Release();
    rt->Release();
    return out;
  }
  DWORD Pixel(UINT x, UINT y) { return ReadBack()[y * w + x]; }

  IDirect3D9 *d3d = nullptr;
  IDirect3DDevice9 *device = nullptr;
  UINT w = 0, h = 0;
};

// round(a × b ÷ 255), the device's 8-bit product.
inline DWORD Mul8(DWORD a, DWORD b) { return (a * b + 127) / 255; }

} // namespace zrq::d3d9::test
