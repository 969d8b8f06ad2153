// Pipeline states on tiny pictures: linear filtering at and between texel centres with each
// addressing mode, every depth comparison, every colour-write mask with and without blending,
// viewport offsets, strips and fans, and which sampler and light states blocks capture.
#include "tests/platform/d3d9/DeviceFixture.h"

#include <algorithm>

namespace zrq::d3d9::test {
namespace {

class PipelineStates : public DeviceFixture {
protected:
  void Flat() {
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
  }
};

TEST_F(PipelineStates, LinearFilteringAtCentresHalfwayAndPastTheEdges) {
  Open(10, 1, false);
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  IDirect3DTexture9 *t = MakeTexture(3, 1, {0xFF000000, 0xFF787878, 0xFFF0F0F0}); // 0, 120, 240
  device->SetTexture(0, t);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  // Pixel i samples texel coordinate −1 + i/2: centres (0.5, 1.5, 2.5), halfway points (1, 2)
  // and beyond both edges.
  struct Case {
    DWORD mode;
    DWORD expected[10];
  } cases[] = {{D3DTADDRESS_CLAMP, {0, 0, 0, 0, 60, 120, 180, 240, 240, 240}},
               {D3DTADDRESS_MIRROR, {60, 0, 0, 0, 60, 120, 180, 240, 240, 240}},
               {D3DTADDRESS_WRAP, {180, 240, 120, 0, 60, 120, 180, 240, 120, 0}}};
  for (const Case &c : cases) {
    device->SetSamplerState(0, D3DSAMP_ADDRESSU, c.mode);
    for (BOOL fast : {FALSE, TRUE}) {
      SetOptions({0, 0, FALSE, 0, !fast});
      ASSERT_EQ(DrawRect(-0.5f, 0, 9.5f, 1, 0xFFFFFFFF, 0.5f, -1.25f / 3, 0.5f, 3.75f / 3, 0.5f),
                D3D_OK);
      const std::vector<DWORD> px = ReadBack();
      for (int i = 0; i < 10; ++i)
        EXPECT_EQ(px[i] & 0xFF, c.expected[i])
            << "mode " << c.mode << " pixel " << i << " fast " << fast;
    }
  }
  device->SetTexture(0, nullptr);
  t->Release();
}

TEST_F(PipelineStates, EachDepthComparisonDecidesAgainstTheStoredDepth) {
  Open(2, 2);
  Flat();
  device->SetRenderState(D3DRS_ZENABLE, TRUE);
  device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
  struct Case {
    DWORD func;
    bool nearer, equal, farther;
  } cases[] = {{D3DCMP_NEVER, false, false, false},      {D3DCMP_LESS, true, false, false},
               {D3DCMP_EQUAL, false, true, false},       {D3DCMP_LESSEQUAL, true, true, false},
               {D3DCMP_GREATER, false, false, true},     {D3DCMP_NOTEQUAL, true, false, true},
               {D3DCMP_GREATEREQUAL, false, true, true}, {D3DCMP_ALWAYS, true, true, true}};
  for (const Case &c : cases) {
    device->SetRenderState(D3DRS_ZFUNC, c.func);
    const float depths[3] = {0.25f, 0.5f, 0.75f};
    const bool drawn[3] = {c.nearer, c.equal, c.farther};
    for (int k = 0; k < 3; ++k) {
      device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 0.5f, 0);
      ASSERT_EQ(DrawRect(0, 0, 2, 2, 0xFFFFFFFF, depths[k]), D3D_OK);
      EXPECT_EQ(Pixel(1, 1), drawn[k] ? 0xFFFFFFFFu : 0xFF000000u)
          << "func " << c.func << " depth " << depths[k];
    }
  }
  // A passing draw with writes off leaves the stored depth: the same draw still compares EQUAL.
  device->SetRenderState(D3DRS_ZFUNC, D3DCMP_ALWAYS);
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 0.5f, 0);
  DrawRect(0, 0, 2, 2, 0xFF0000FF, 0.25f);
  device->SetRenderState(D3DRS_ZFUNC, D3DCMP_EQUAL);
  DrawRect(0, 0, 2, 2, 0xFF00FF00, 0.5f);
  EXPECT_EQ(Pixel(0, 0), 0xFF00FF00u);
}

TEST_F(PipelineStates, EveryColourWriteMaskWithAndWithoutBlending) {
  Open(8, 2, false);
  IDirect3DTexture9 *t = MakeTexture(1, 1, {0x80C04020});
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  device->SetTexture(0, t);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  const DWORD dst = 0x30609010, src = 0x80C04020;
  DWORD blended = 0;
  for (int i = 0; i < 4; ++i) {
    const DWORD s = (src >> (8 * i)) & 0xFF, d = (dst >> (8 * i)) & 0xFF;
    blended |= (Mul8(s, 0x80) + Mul8(d, 0x7F)) << (8 * i);
  }
  for (DWORD mask = 0; mask < 16; ++mask) {
    DWORD bits = 0;
    if (mask & D3DCOLORWRITEENABLE_RED) bits |= 0x00FF0000;
    if (mask & D3DCOLORWRITEENABLE_GREEN) bits |= 0x0000FF00;
    if (mask & D3DCOLORWRITEENABLE_BLUE) bits |= 0x000000FF;
    if (mask & D3DCOLORWRITEENABLE_ALPHA) bits |= 0xFF000000;
    device->SetRenderState(D3DRS_COLORWRITEENABLE, mask);
    for (BOOL blend : {FALSE, TRUE})
      for (BOOL fast : {FALSE, TRUE}) {
        SetOptions({0, 0, FALSE, 0, !fast});
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, blend);
        device->Clear(0, nullptr, D3DCLEAR_TARGET, dst, 1.0f, 0);
        ASSERT_EQ(DrawRect(0, 0, 8, 2, 0xFFFFFFFF), D3D_OK);
        const DWORD written = blend ? blended : src;
        EXPECT_EQ(Pixel(5, 1), (written & bits) | (dst & ~bits))
            << "mask " << mask << " blend " << blend << " fast " << fast;
      }
  }
  device->SetTexture(0, nullptr);
  t->Release();
}

TEST_F(PipelineStates, ViewportOffsetsPlaceAndClipTheDrawing) {
  Open(8, 6, false);
  Flat();
  const D3DVIEWPORT9 vp = {3, 1, 4, 2, 0, 1};
  const D3DVIEWPORT9 full = {0, 0, 8, 6, 0, 1};
  // Identity transforms: the clip-space square −1…1 is the viewport; −3…3 overhangs it.
  device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
  struct V {
    float x, y, z;
    DWORD c;
  };
  for (float s : {1.0f, 3.0f}) {
    const V quad[4] = {{-s, s, 0.5f, 0xFFFFFFFF},
                       {s, s, 0.5f, 0xFFFFFFFF},
                       {-s, -s, 0.5f, 0xFFFFFFFF},
                       {s, -s, 0.5f, 0xFFFFFFFF}};
    device->SetViewport(&full);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    ASSERT_EQ(device->SetViewport(&vp), D3D_OK);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(V)), D3D_OK);
    const std::vector<DWORD> px = ReadBack();
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 8; ++x) {
        const bool inside = x >= 3 && x < 7 && y >= 1 && y < 3;
        EXPECT_EQ(px[y * 8 + x], inside ? 0xFFFFFFFFu : 0xFF000000u)
            << x << "," << y << " scale " << s;
      }
  }
}

TEST_F(PipelineStates, StripsAndFansDrawEveryTriangleDespiteBackFaceCulling) {
  Open(6, 6, false);
  Flat();
  device->SetFVF(kScreenFVF);
  const DWORD c = 0xFFFFFFFF;
  // A strip zig-zags: its odd triangles wind the other way in vertex order but keep the first's.
  const ScreenVertex strip[6] = {{0, 0, 0, 1, c, 0, 0}, {0, 6, 0, 1, c, 0, 0},
                                 {3, 0, 0, 1, c, 0, 0}, {3, 6, 0, 1, c, 0, 0},
                                 {6, 0, 0, 1, c, 0, 0}, {6, 6, 0, 1, c, 0, 0}};
  // A fan round the centre, clockwise on screen.
  const ScreenVertex fan[6] = {{3, 3, 0, 1, c, 0, 0}, {0, 0, 0, 1, c, 0, 0}, {6, 0, 0, 1, c, 0, 0},
                               {6, 6, 0, 1, c, 0, 0}, {0, 6, 0, 1, c, 0, 0}, {0, 0, 0, 1, c, 0, 0}};
  for (DWORD cull : {DWORD{D3DCULL_CW}, DWORD{D3DCULL_CCW}}) {
    device->SetRenderState(D3DRS_CULLMODE, cull);
    for (int k = 0; k < 2; ++k) {
      device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
      ASSERT_EQ(k == 0
                    ? device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 4, strip, sizeof(ScreenVertex))
                    : device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 4, fan, sizeof(ScreenVertex)),
                D3D_OK);
      // Strip triangles wind counter-clockwise, the fan's clockwise: one cull mode keeps all.
      const bool kept = (k == 0) == (cull == D3DCULL_CW);
      const std::vector<DWORD> px = ReadBack();
      EXPECT_EQ(std::count(px.begin(), px.end(), 0xFFFFFFFFu), kept ? 36 : 0)
          << (k == 0 ? "strip" : "fan") << " cull " << cull;
    }
  }
}

TEST_F(PipelineStates, StateBlocksCaptureSamplersAndLightsByType) {
  Open(4, 4);
  D3DLIGHT9 light = {};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Direction = {0, 0, 1};
  light.Diffuse = {1, 0, 0, 1};
  ASSERT_EQ(device->SetLight(2, &light), D3D_OK);
  device->LightEnable(2, TRUE);
  IDirect3DStateBlock9 *pixel = nullptr, *vertex = nullptr, *recorded = nullptr;
  ASSERT_EQ(device->CreateStateBlock(D3DSBT_PIXELSTATE, &pixel), D3D_OK);
  ASSERT_EQ(device->CreateStateBlock(D3DSBT_VERTEXSTATE, &vertex), D3D_OK);
  ASSERT_EQ(device->BeginStateBlock(), D3D_OK);
  device->SetSamplerState(1, D3DSAMP_ADDRESSV, D3DTADDRESS_MIRROR);
  device->LightEnable(2, FALSE);
  ASSERT_EQ(device->EndStateBlock(&recorded), D3D_OK);

  auto sampler = [&](DWORD s, D3DSAMPLERSTATETYPE type) {
    DWORD v = 0;
    device->GetSamplerState(s, type, &v);
    return v;
  };
  auto enabled = [&] {
    BOOL on = FALSE;
    device->GetLightEnable(2, &on);
    return on;
  };
  auto diffuseRed = [&] {
    D3DLIGHT9 l = {};
    device->GetLight(2, &l);
    return l.Diffuse.r;
  };
  device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  light.Diffuse = {0, 0, 1, 1};
  device->SetLight(2, &light);
  device->LightEnable(2, FALSE);
  ASSERT_EQ(pixel->Apply(), D3D_OK);
  EXPECT_EQ(sampler(0, D3DSAMP_MINFILTER), static_cast<DWORD>(D3DTEXF_POINT))
      << "pixel blocks hold samplers";
  EXPECT_FALSE(enabled()) << "pixel blocks hold no lights";
  EXPECT_EQ(diffuseRed(), 0.0f);

  device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  ASSERT_EQ(vertex->Apply(), D3D_OK);
  EXPECT_TRUE(enabled()) << "vertex blocks hold the lights there were";
  EXPECT_EQ(diffuseRed(), 1.0f);
  EXPECT_EQ(sampler(0, D3DSAMP_MINFILTER), static_cast<DWORD>(D3DTEXF_LINEAR))
      << "vertex blocks hold no filters";

  ASSERT_EQ(recorded->Apply(), D3D_OK);
  EXPECT_EQ(sampler(1, D3DSAMP_ADDRESSV), static_cast<DWORD>(D3DTADDRESS_MIRROR));
  EXPECT_FALSE(enabled());
  EXPECT_EQ(diffuseRed(), 1.0f) << "recording an enable keeps the light it enables";
  // Capture refreshes only what was recorded.
  device->SetSamplerState(1, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
  device->SetSamplerState(1, D3DSAMP_ADDRESSU, D3DTADDRESS_BORDER);
  ASSERT_EQ(recorded->Capture(), D3D_OK);
  device->SetSamplerState(1, D3DSAMP_ADDRESSV, D3DTADDRESS_WRAP);
  device->SetSamplerState(1, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
  recorded->Apply();
  EXPECT_EQ(sampler(1, D3DSAMP_ADDRESSV), static_cast<DWORD>(D3DTADDRESS_CLAMP));
  EXPECT_EQ(sampler(1, D3DSAMP_ADDRESSU), static_cast<DWORD>(D3DTADDRESS_WRAP));
  pixel->Release();
  vertex->Release();
  recorded->Release();
}

} // namespace
} // namespace zrq::d3d9::test
