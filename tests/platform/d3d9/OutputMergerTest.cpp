// Blending, stencil, depth, colour-write masks and Clear, on tiny pictures with exact pixels.
#include "tests/platform/d3d9/DeviceFixture.h"

#include <algorithm>

namespace zrq::d3d9::test {
namespace {

class OutputMerger : public DeviceFixture {
protected:
  void SetUp() override {
    Open(2, 2);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
  }
};

DWORD Channel(DWORD c, int i) { return (c >> (8 * i)) & 0xFF; }

TEST_F(OutputMerger, EachBlendFactorGivesTheExpectedBytes) {
  const DWORD src = 0x60A04020, dst = 0xC0306090;
  auto factor = [&](DWORD blend, int i) -> DWORD {
    switch (blend) {
    case D3DBLEND_ZERO:
      return 0;
    case D3DBLEND_ONE:
      return 255;
    case D3DBLEND_SRCCOLOR:
      return Channel(src, i);
    case D3DBLEND_INVSRCCOLOR:
      return 255 - Channel(src, i);
    case D3DBLEND_SRCALPHA:
      return src >> 24;
    case D3DBLEND_INVSRCALPHA:
      return 255 - (src >> 24);
    case D3DBLEND_DESTALPHA:
      return dst >> 24;
    case D3DBLEND_INVDESTALPHA:
      return 255 - (dst >> 24);
    case D3DBLEND_DESTCOLOR:
      return Channel(dst, i);
    case D3DBLEND_INVDESTCOLOR:
      return 255 - Channel(dst, i);
    default:
      return 0;
    }
  };
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  for (DWORD blend = D3DBLEND_ZERO; blend <= D3DBLEND_INVDESTCOLOR; ++blend) {
    for (const bool asSource : {true, false}) {
      const DWORD sb = asSource ? blend : DWORD{D3DBLEND_ONE},
                  db = asSource ? DWORD{D3DBLEND_ZERO} : blend;
      device->SetRenderState(D3DRS_SRCBLEND, sb);
      device->SetRenderState(D3DRS_DESTBLEND, db);
      device->Clear(0, nullptr, D3DCLEAR_TARGET, dst, 1.0f, 0);
      ASSERT_EQ(DrawRect(0, 0, 2, 2, src), D3D_OK);
      DWORD expected = 0;
      for (int i = 0; i < 4; ++i) {
        const DWORD v = Mul8(Channel(src, i), factor(sb, i)) + Mul8(Channel(dst, i), factor(db, i));
        expected |= std::min<DWORD>(v, 255) << (8 * i);
      }
      EXPECT_EQ(Pixel(1, 1), expected)
          << "factor " << blend << (asSource ? " as source" : " as destination");
    }
  }
}

TEST_F(OutputMerger, EachStencilOperationWritesTheExpectedValue) {
  struct Case {
    DWORD op;
    DWORD expected; // from a stored 5 with reference 9
  } cases[] = {{D3DSTENCILOP_KEEP, 5},    {D3DSTENCILOP_ZERO, 0},    {D3DSTENCILOP_REPLACE, 9},
               {D3DSTENCILOP_INCRSAT, 6}, {D3DSTENCILOP_DECRSAT, 4}, {D3DSTENCILOP_INVERT, 250},
               {D3DSTENCILOP_INCR, 6},    {D3DSTENCILOP_DECR, 4}};
  device->SetRenderState(D3DRS_STENCILENABLE, TRUE);
  for (const Case &c : cases) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_STENCIL, 0, 1.0f, 5);
    device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
    device->SetRenderState(D3DRS_STENCILREF, 9);
    device->SetRenderState(D3DRS_STENCILPASS, c.op);
    ASSERT_EQ(DrawRect(0, 0, 2, 2, 0xFF000000), D3D_OK);
    // Read the stencil back by drawing only where it equals the expected value.
    device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
    device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_EQUAL);
    device->SetRenderState(D3DRS_STENCILREF, c.expected);
    ASSERT_EQ(DrawRect(0, 0, 2, 2, 0xFFFFFFFF), D3D_OK);
    EXPECT_EQ(Pixel(0, 0), 0xFFFFFFFFu) << "operation " << c.op;
  }
  // Saturation and wrapping at the ends of the range.
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_STENCIL, 0, 1.0f, 255);
  device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
  device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_INCR);
  DrawRect(0, 0, 2, 2, 0xFF000000);
  device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
  device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_EQUAL);
  device->SetRenderState(D3DRS_STENCILREF, 0);
  DrawRect(0, 0, 2, 2, 0xFFFFFFFF);
  EXPECT_EQ(Pixel(1, 1), 0xFFFFFFFFu) << "INCR wraps 255 to 0";
}

TEST_F(OutputMerger, StencilFailAndDepthFailOperationsAndWriteMask) {
  device->SetRenderState(D3DRS_STENCILENABLE, TRUE);
  device->SetRenderState(D3DRS_ZENABLE, TRUE);
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_STENCIL | D3DCLEAR_ZBUFFER, 0, 0.25f, 0x0F);
  device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
  device->SetRenderState(D3DRS_STENCILZFAIL, D3DSTENCILOP_INVERT);
  device->SetRenderState(D3DRS_STENCILWRITEMASK, 0x3C);
  ASSERT_EQ(DrawRect(0, 0, 2, 2, 0xFFFFFFFF, 0.5f), D3D_OK); // behind the cleared depth
  EXPECT_EQ(Pixel(0, 0), 0u) << "the depth test hides the pixel";
  // Inverted through the mask: 0x0F → (0x0F & ~0x3C) | (0xF0 & 0x3C) = 0x33.
  device->SetRenderState(D3DRS_ZENABLE, FALSE);
  device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_EQUAL);
  device->SetRenderState(D3DRS_STENCILREF, 0x33);
  ASSERT_EQ(DrawRect(0, 0, 2, 2, 0xFF00FF00), D3D_OK);
  EXPECT_EQ(Pixel(0, 0), 0xFF00FF00u);
}

TEST_F(OutputMerger, DepthTestKeepsTheNearerSurface) {
  device->SetRenderState(D3DRS_ZENABLE, TRUE);
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  DrawRect(0, 0, 2, 2, 0xFFFF0000, 0.3f);
  DrawRect(0, 0, 2, 2, 0xFF00FF00, 0.6f);
  EXPECT_EQ(Pixel(0, 0), 0xFFFF0000u);
  device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
  DrawRect(0, 0, 2, 2, 0xFF0000FF, 0.1f);
  DrawRect(0, 0, 2, 2, 0xFF00FF00, 0.2f); // still nearer than the stored 0.3
  EXPECT_EQ(Pixel(0, 0), 0xFF00FF00u);
}

TEST_F(OutputMerger, ColourWriteMaskKeepsMaskedChannels) {
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x11223344, 1.0f, 0);
  device->SetRenderState(D3DRS_COLORWRITEENABLE,
                         D3DCOLORWRITEENABLE_RED | D3DCOLORWRITEENABLE_ALPHA);
  DrawRect(0, 0, 2, 2, 0xAABBCCDD);
  EXPECT_EQ(Pixel(0, 0), 0xAABB3344u);
}

TEST_F(OutputMerger, ClearHonoursRectanglesAndTheViewport) {
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  const D3DRECT r = {1, 0, 2, 1};
  ASSERT_EQ(device->Clear(1, &r, D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0), D3D_OK);
  std::vector<DWORD> px = ReadBack();
  EXPECT_EQ(px, (std::vector<DWORD>{0xFF000000, 0xFFFFFFFF, 0xFF000000, 0xFF000000}));
  const D3DVIEWPORT9 vp = {0, 1, 2, 1, 0, 1};
  ASSERT_EQ(device->SetViewport(&vp), D3D_OK);
  ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0), D3D_OK);
  px = ReadBack();
  EXPECT_EQ(px, (std::vector<DWORD>{0xFF000000, 0xFFFFFFFF, 0xFF0000FF, 0xFF0000FF}));
  EXPECT_EQ(device->Clear(1, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3DERR_INVALIDCALL);
}

} // namespace
} // namespace zrq::d3d9::test
