// Depth-stencil words held without being written (cleared rows, runs of one depth a draw
// filled) as later draws see them: stencil kept through depth-only clears, rectangles cleared
// over held rows, and a depth-stencil surface smaller than the target.
#include "tests/platform/d3d9/DeviceFixture.h"

namespace zrq::d3d9::test {
namespace {

class HeldDepth : public DeviceFixture {
protected:
  void SetUp() override {
    Open(8, 4);
    texture = MakeTexture(1, 1, {0xFF808080});
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
  }
  void TearDown() override {
    device->SetTexture(0, nullptr);
    texture->Release();
    DeviceFixture::TearDown();
  }
  // A textured rectangle (the fast path) or a plain one (the general path).
  HRESULT Rect(float x0, float y0, float x1, float y1, float z, bool textured,
               DWORD colour = 0xFFFFFFFF) {
    device->SetTexture(0, textured ? texture : nullptr);
    return DrawRect(x0, y0, x1, y1, colour, z);
  }
  // Which pixels a full-target rectangle at z passes with `func`, as 0 or 1 per pixel.
  std::vector<int> Passing(DWORD func, float z) {
    device->SetRenderState(D3DRS_ZFUNC, func);
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    EXPECT_EQ(Rect(0, 0, 8, 4, z, false), D3D_OK);
    device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    std::vector<int> out;
    for (DWORD p : ReadBack()) out.push_back(p != 0);
    return out;
  }

  IDirect3DTexture9 *texture = nullptr;
};

TEST_F(HeldDepth, DepthOnlyClearsKeepTheStencilThroughRunsAndSettling) {
  for (bool fast : {true, false}) {
    SetOptions({0, 0, FALSE, 0, fast ? FALSE : TRUE});
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0,
                            1.0f, 7),
              D3D_OK);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 0.5f, 0), D3D_OK);
    // Runs of depth 0.25 in rows 1 and 2, in two pieces; the second meets the first.
    ASSERT_EQ(Rect(1, 1, 4, 3, 0.25f, true), D3D_OK);
    ASSERT_EQ(Rect(4, 1, 6, 3, 0.25f, true), D3D_OK);
    EXPECT_EQ(Passing(D3DCMP_EQUAL, 0.25f), (std::vector<int>{0, 0, 0, 0, 0, 0, 0, 0, //
                                                              0, 1, 1, 1, 1, 1, 0, 0, //
                                                              0, 1, 1, 1, 1, 1, 0, 0, //
                                                              0, 0, 0, 0, 0, 0, 0, 0}))
        << "fast " << fast;
    EXPECT_EQ(Passing(D3DCMP_EQUAL, 0.5f), (std::vector<int>{1, 1, 1, 1, 1, 1, 1, 1, //
                                                             1, 0, 0, 0, 0, 0, 1, 1, //
                                                             1, 0, 0, 0, 0, 0, 1, 1, //
                                                             1, 1, 1, 1, 1, 1, 1, 1}))
        << "fast " << fast;
    // The stencil cleared to 7 is still 7 everywhere.
    device->SetRenderState(D3DRS_STENCILENABLE, TRUE);
    device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_EQUAL);
    device->SetRenderState(D3DRS_STENCILREF, 7);
    EXPECT_EQ(Passing(D3DCMP_ALWAYS, 0.9f), std::vector<int>(32, 1)) << "fast " << fast;
    device->SetRenderState(D3DRS_STENCILENABLE, FALSE);
  }
}

TEST_F(HeldDepth, RectanglesClearedOverHeldRowsAndRuns) {
  for (bool fast : {true, false}) {
    SetOptions({0, 0, FALSE, 0, fast ? FALSE : TRUE});
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3D_OK);
    ASSERT_EQ(Rect(0, 0, 3, 4, 0.75f, true), D3D_OK);
    const D3DRECT r = {2, 1, 5, 3};
    ASSERT_EQ(device->Clear(1, &r, D3DCLEAR_ZBUFFER, 0, 0.25f, 0), D3D_OK);
    // Depth 0.75 at x 0..2 outside the rectangle, 0.25 in it, 1.0 elsewhere.
    EXPECT_EQ(Passing(D3DCMP_LESS, 0.5f), (std::vector<int>{1, 1, 1, 1, 1, 1, 1, 1, //
                                                            1, 1, 0, 0, 0, 1, 1, 1, //
                                                            1, 1, 0, 0, 0, 1, 1, 1, //
                                                            1, 1, 1, 1, 1, 1, 1, 1}))
        << "fast " << fast;
    EXPECT_EQ(Passing(D3DCMP_LESS, 0.8f), (std::vector<int>{0, 0, 0, 1, 1, 1, 1, 1, //
                                                            0, 0, 0, 0, 0, 1, 1, 1, //
                                                            0, 0, 0, 0, 0, 1, 1, 1, //
                                                            0, 0, 0, 1, 1, 1, 1, 1}))
        << "fast " << fast;
    EXPECT_EQ(Passing(D3DCMP_LESS, 0.2f), std::vector<int>(32, 1)) << "fast " << fast;
  }
}

TEST_F(HeldDepth, ADepthSurfaceSmallerThanTheTargetBoundsTheDraw) {
  // Direct3D 9 leaves this undefined; the device draws only where there are depth words, and
  // never past their end.
  IDirect3DSurface9 *small = nullptr;
  ASSERT_EQ(device->CreateDepthStencilSurface(5, 3, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, 0, TRUE,
                                              &small, nullptr),
            D3D_OK);
  IDirect3DSurface9 *automatic = nullptr;
  ASSERT_EQ(device->GetDepthStencilSurface(&automatic), D3D_OK);
  ASSERT_EQ(device->SetDepthStencilSurface(small), D3D_OK);
  for (bool textured : {true, false}) {
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3D_OK);
    ASSERT_EQ(Rect(0, 0, 8, 4, 0.5f, textured, 0xFFFFFFFF), D3D_OK);
    const std::vector<DWORD> px = ReadBack();
    for (UINT y = 0; y < 4; ++y)
      for (UINT x = 0; x < 8; ++x)
        EXPECT_EQ(px[y * 8 + x] != 0, x < 5 && y < 3)
            << "pixel " << x << ", " << y << " textured " << textured;
  }
  // With the depth test off the surface's size does not matter.
  device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
  ASSERT_EQ(Rect(0, 0, 8, 4, 0.5f, true), D3D_OK);
  EXPECT_NE(Pixel(7, 3), 0u);
  device->SetDepthStencilSurface(automatic);
  automatic->Release();
  small->Release();
}

} // namespace
} // namespace zrq::d3d9::test
