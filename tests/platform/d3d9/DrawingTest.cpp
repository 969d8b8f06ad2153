// Drawing: exact reproduction through the host's model-space view, the fill rule, culling,
// clipping, texture stages, addressing, filtering and lighting.
#include "tests/platform/d3d9/DeviceFixture.h"

#include "host/common/ModelSpaceView.h"

#include <random>
#include <tuple>

namespace zrq::d3d9::test {
namespace {

class Drawing : public DeviceFixture {};

std::vector<DWORD> Pattern(UINT tw, UINT th) {
  std::vector<DWORD> p(static_cast<size_t>(tw) * th);
  for (UINT y = 0; y < th; ++y)
    for (UINT x = 0; x < tw; ++x)
      p[y * tw + x] =
          0xFF000000u | (x * 37 + y * 11) % 256 << 16 | (x ^ y) % 256 << 8 | (x * y) % 256;
  return p;
}

// The full picture as the renderers lay it out: 2.0 wide, 2.0 / aspect high, y up, v down.
void DrawModelQuad(IDirect3DDevice9 *device, UINT width, UINT height, IDirect3DTexture9 *texture) {
  const float half = 1.0f / (static_cast<float>(width) / height);
  const ModelVertex v[4] = {{-1, half, 0, 0, 0, -1, 0, 0},
                            {1, half, 0, 0, 0, -1, 1, 0},
                            {-1, -half, 0, 0, 0, -1, 0, 1},
                            {1, -half, 0, 0, 0, -1, 1, 1}};
  const WORD indices[6] = {0, 1, 2, 1, 3, 2};
  IDirect3DVertexBuffer9 *vb = nullptr;
  IDirect3DIndexBuffer9 *ib = nullptr;
  ASSERT_EQ(device->CreateVertexBuffer(sizeof v, 0, 0x112, D3DPOOL_DEFAULT, &vb, nullptr), D3D_OK);
  ASSERT_EQ(device->CreateIndexBuffer(sizeof indices, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                                      D3DPOOL_DEFAULT, &ib, nullptr),
            D3D_OK);
  void *p;
  ASSERT_EQ(vb->Lock(0, 0, &p, 0), D3D_OK);
  std::memcpy(p, v, sizeof v);
  vb->Unlock();
  ASSERT_EQ(ib->Lock(0, 0, &p, 0), D3D_OK);
  std::memcpy(p, indices, sizeof indices);
  ib->Unlock();
  ASSERT_EQ(host::ApplyModelSpaceView(device, width, height), D3D_OK);
  D3DMATERIAL9 m = {};
  m.Diffuse = m.Ambient = {1, 1, 1, 1};
  device->SetMaterial(&m);
  device->SetRenderState(D3DRS_LIGHTING, TRUE);
  device->SetRenderState(D3DRS_AMBIENT, 0xFFFFFFFF);
  device->SetTexture(0, texture);
  device->SetFVF(0x112);
  device->SetStreamSource(0, vb, 0, sizeof(ModelVertex));
  device->SetIndices(ib);
  ASSERT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3D_OK);
  device->SetStreamSource(0, nullptr, 0, 0);
  device->SetIndices(nullptr);
  device->SetTexture(0, nullptr);
  vb->Release();
  ib->Release();
}

class Reproduction : public DeviceFixture,
                     public ::testing::WithParamInterface<std::tuple<UINT, UINT, bool>> {};

TEST_P(Reproduction, FullPictureQuadReproducesTheTextureExactly) {
  const auto [width, height, fast] = GetParam();
  Open(width, height);
  SetOptions({0, 0, FALSE, 0, fast ? FALSE : TRUE});
  const std::vector<DWORD> picture = Pattern(width, height);
  IDirect3DTexture9 *t = MakeTexture(width, height, picture);
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x12345678, 1.0f, 0);
  DrawModelQuad(device, width, height, t);
  EXPECT_EQ(ReadBack(), picture);
  t->Release();
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, Reproduction,
    ::testing::Values(std::make_tuple(1u, 1u, true), std::make_tuple(7u, 5u, true),
                      std::make_tuple(64u, 48u, false), std::make_tuple(333u, 217u, true),
                      std::make_tuple(333u, 217u, false), std::make_tuple(1920u, 1080u, true)));

TEST_F(Drawing, SubPixelRectanglesCoverThePixelsTheTopLeftRuleGives) {
  Open(8, 8, false);
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
  device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
  struct Case {
    float x0, y0, x1, y1;
    int px0, py0, px1, py1; // covered pixels: px0 <= x < px1
  } cases[] = {
      {1.0f, 1.0f, 3.0f, 3.0f, 1, 1, 3, 3},     // edges on centres: left and top own them
      {1.5f, 1.5f, 3.5f, 3.5f, 2, 2, 4, 4},     // half-pixel shift covers the next centres
      {0.9f, 2.1f, 3.1f, 4.9f, 1, 3, 4, 5},     // fractions round inward to the centres inside
      {2.25f, 2.25f, 2.75f, 2.75f, 0, 0, 0, 0}, // no centre inside: nothing
  };
  for (const Case &c : cases) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    ASSERT_EQ(DrawRect(c.x0, c.y0, c.x1, c.y1, 0xFFFFFFFF), D3D_OK);
    const std::vector<DWORD> px = ReadBack();
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) {
        const bool inside = x >= c.px0 && x < c.px1 && y >= c.py0 && y < c.py1;
        EXPECT_EQ(px[y * 8 + x], inside ? 0xFFFFFFFFu : 0u)
            << "rect " << c.x0 << "," << c.y0 << " pixel " << x << "," << y;
      }
  }
}

TEST_F(Drawing, CullingFollowsTheScreenWinding) {
  Open(4, 4, false);
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  device->SetFVF(kScreenFVF);
  const ScreenVertex cw[3] = {{0, 0, 0, 1, 0xFFFF0000, 0, 0},
                              {4, 0, 0, 1, 0xFFFF0000, 0, 0},
                              {0, 4, 0, 1, 0xFFFF0000, 0, 0}};
  const ScreenVertex ccw[3] = {cw[0], cw[2], cw[1]};
  struct Case {
    DWORD mode;
    bool drawsCw, drawsCcw;
  } cases[] = {{D3DCULL_CCW, true, false}, {D3DCULL_CW, false, true}, {D3DCULL_NONE, true, true}};
  for (const Case &c : cases) {
    device->SetRenderState(D3DRS_CULLMODE, c.mode);
    for (int k = 0; k < 2; ++k) {
      device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
      device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, k == 0 ? cw : ccw, sizeof(ScreenVertex));
      EXPECT_EQ(Pixel(0, 0) != 0, k == 0 ? c.drawsCw : c.drawsCcw)
          << "cull mode " << c.mode << " winding " << k;
    }
  }
}

TEST_F(Drawing, TrianglesCrossingTheNearPlaneAreClippedNotDropped) {
  Open(8, 8, false);
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  // An identity projection: z in 0..1 is visible; the right half lies in front of the near plane.
  struct V {
    float x, y, z;
    DWORD c;
  } v[4] = {{-1, 1, -1, 0xFFFFFFFF},
            {1, 1, 1, 0xFFFFFFFF},
            {-1, -1, -1, 0xFFFFFFFF},
            {1, -1, 1, 0xFFFFFFFF}};
  device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
  ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(V)), D3D_OK);
  const std::vector<DWORD> px = ReadBack();
  // The clipped edge falls on the centres of column 4; columns well to either side are certain.
  for (int x : {0, 1, 2}) EXPECT_EQ(px[3 * 8 + x], 0u) << x;
  for (int x : {5, 6, 7}) EXPECT_EQ(px[3 * 8 + x], 0xFFFFFFFFu) << x;
}

TEST_F(Drawing, TextureStageOperationsCombineTextureAndDiffuse) {
  Open(2, 2, false);
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  IDirect3DTexture9 *t = MakeTexture(1, 1, {0x80C04020});
  device->SetTexture(0, t);
  const DWORD diffuse = 0x40608090;
  auto ch = [](DWORD c, int i) { return (c >> (8 * i)) & 0xFF; };
  auto each = [&](auto f) {
    DWORD out = 0;
    for (int i = 0; i < 4; ++i) out |= (f(ch(0x80C04020, i), ch(diffuse, i)) & 0xFF) << (8 * i);
    return out;
  };
  struct Case {
    DWORD op, arg1, arg2, expected;
  } cases[] = {
      {D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE, 0x80C04020},
      {D3DTOP_SELECTARG2, D3DTA_TEXTURE, D3DTA_DIFFUSE, diffuse},
      {D3DTOP_SELECTARG1, D3DTA_CURRENT, D3DTA_TEXTURE,
       diffuse}, // stage 0's current is the diffuse colour
      {D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_CURRENT,
       each([](DWORD a, DWORD b) { return Mul8(a, b); })},
      {D3DTOP_ADD, D3DTA_TEXTURE, D3DTA_DIFFUSE,
       each([](DWORD a, DWORD b) { return a + b > 255 ? 255 : a + b; })},
  };
  for (const Case &c : cases) {
    device->SetTextureStageState(0, D3DTSS_COLOROP, c.op);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, c.arg1);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, c.arg2);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, c.op);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, c.arg1);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG2, c.arg2);
    ASSERT_EQ(DrawRect(0, 0, 2, 2, diffuse), D3D_OK);
    EXPECT_EQ(Pixel(1, 1), c.expected) << "op " << c.op;
  }
  // DISABLE on stage 0 turns texturing off: the diffuse colour shows.
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_DISABLE);
  ASSERT_EQ(DrawRect(0, 0, 2, 2, diffuse), D3D_OK);
  EXPECT_EQ(Pixel(1, 1), diffuse);
  device->SetTexture(0, nullptr);
  t->Release();
}

TEST_F(Drawing, AddressingModesRepeatMirrorOrClampTheTexture) {
  Open(6, 1, false);
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  const DWORD a = 0xFF0000FF, b = 0xFF00FF00;
  IDirect3DTexture9 *t = MakeTexture(2, 1, {a, b});
  device->SetTexture(0, t);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  // u runs from −1 to 2 across six pixels: texel coordinates −1.5 … 3.5 at the centres.
  struct Case {
    DWORD mode;
    std::vector<DWORD> expected;
  } cases[] = {{D3DTADDRESS_WRAP, {a, b, a, b, a, b}},
               {D3DTADDRESS_MIRROR, {b, a, a, b, b, a}},
               {D3DTADDRESS_CLAMP, {a, a, a, b, b, b}}};
  for (const Case &c : cases) {
    device->SetSamplerState(0, D3DSAMP_ADDRESSU, c.mode);
    for (BOOL fast : {FALSE, TRUE}) {
      SetOptions({0, 0, FALSE, 0, !fast});
      ASSERT_EQ(DrawRect(0, 0, 6, 1, 0xFFFFFFFF, 0.5f, -1.0f, 0.5f, 2.0f, 0.5f), D3D_OK);
      EXPECT_EQ(ReadBack(), c.expected) << "mode " << c.mode << " fast " << fast;
    }
  }
  device->SetTexture(0, nullptr);
  t->Release();
}

TEST_F(Drawing, LinearFilteringBlendsTheNearestTexelCentres) {
  Open(4, 1, false);
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  IDirect3DTexture9 *t = MakeTexture(2, 1, {0xFF000000, 0xFFFFFFFF});
  device->SetTexture(0, t);
  device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
  // Shifted half a pixel so that pixel centres sit at u = (i + 0.5) / 4.
  ASSERT_EQ(DrawRect(-0.5f, 0, 3.5f, 1, 0xFFFFFFFF, 0.5f, 0, 0.5f, 1, 0.5f), D3D_OK);
  // Centres at texel coordinates 0.25, 0.75, 1.25, 1.75: weights 0, 1/4, 3/4 and 1 of white.
  const std::vector<DWORD> px = ReadBack();
  const DWORD grey[4] = {0, 64, 191, 255};
  for (int x = 0; x < 4; ++x) EXPECT_EQ(px[x] & 0xFF, grey[x]) << x;
  device->SetTexture(0, nullptr);
  t->Release();
}

TEST_F(Drawing, LightingAddsAmbientEmissiveAndDirectionalDiffuse) {
  Open(2, 2, false);
  device->SetRenderState(D3DRS_AMBIENT, 0xFF404040);
  D3DMATERIAL9 m = {};
  m.Ambient = {1, 0.5f, 0, 1};
  m.Diffuse = {0, 0, 1, 0.5f};
  m.Emissive = {0.25f, 0, 0, 0};
  device->SetMaterial(&m);
  D3DLIGHT9 light = {};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Diffuse = {1, 1, 1, 1};
  light.Direction = {0, 0, 1}; // shining away from the viewer onto a face whose normal looks back
  device->SetLight(0, &light);
  device->LightEnable(0, TRUE);
  const ModelVertex v[3] = {
      {-1, 1, 0.5f, 0, 0, -1, 0, 0}, {3, 1, 0.5f, 0, 0, -1, 0, 0}, {-1, -3, 0.5f, 0, 0, -1, 0, 0}};
  device->SetFVF(0x112);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
  ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, v, sizeof(ModelVertex)), D3D_OK);
  // r = 0.25 + 1 × 0.25, g = 0.5 × 0.25, b = 1 × 1 (full light), alpha from the diffuse.
  const DWORD p = Pixel(0, 0);
  EXPECT_EQ(p >> 24, 128u);
  EXPECT_NEAR(static_cast<int>((p >> 16) & 0xFF), 128, 1);
  EXPECT_NEAR(static_cast<int>((p >> 8) & 0xFF), 32, 1);
  EXPECT_EQ(p & 0xFF, 255u);
}

TEST_F(Drawing, FastPathMatchesTheGeneralPipeline) {
  Open(61, 37, false);
  const std::vector<DWORD> picture = [] {
    std::vector<DWORD> p = Pattern(23, 19);
    for (size_t i = 0; i < p.size(); ++i)
      p[i] = (p[i] & 0x00FFFFFF) | static_cast<DWORD>((i * 53) % 256) << 24;
    return p;
  }();
  IDirect3DTexture9 *t = MakeTexture(23, 19, picture);
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  device->SetTexture(0, t);
  device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  std::vector<DWORD> results[2];
  for (int pass = 0; pass < 2; ++pass) {
    SetOptions({0, 0, FALSE, 0, pass == 1});
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x80406080, 1.0f, 0);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    ASSERT_EQ(DrawRect(3.3f, 2.7f, 40.2f, 30.9f, 0xC080FF40, 0.5f, 0.01f, 0.02f, 0.97f, 0.99f),
              D3D_OK);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    ASSERT_EQ(DrawRect(20.1f, 10.6f, 60.0f, 36.2f, 0xFFFFFFFF, 0.5f, 0.0f, 0.0f, 1.0f, 1.0f),
              D3D_OK);
    results[pass] = ReadBack();
  }
  EXPECT_EQ(results[0], results[1]);
  device->SetTexture(0, nullptr);
  t->Release();
}

// A draw's triangles are drawn a band of rows at a time, all of them in each band: every pixel
// must still see them in the order given. Many overlapping triangles (more than the device holds
// at once), tall and short, blended over each other and depth tested, drawn in one draw and then
// one draw each.
TEST_F(Drawing, OneDrawOfManyTrianglesEqualsDrawingThemOneByOne) {
  Open(71, 97);
  std::mt19937 rng(99);
  auto real = [&](float lo, float hi) {
    return std::uniform_real_distribution<float>(lo, hi)(rng);
  };
  std::vector<ScreenVertex> tris;
  for (int i = 0; i < 3 * 700; ++i) {
    const float z = i % 3 == 0 ? real(0.1f, 0.9f) : tris.back().z; // flat or slanted, per triangle
    tris.push_back({real(-10, 80), real(-10, 107), i % 2 ? z : real(0.1f, 0.9f), 1,
                    static_cast<DWORD>(rng()) | 0x20000000u, real(0, 1), real(0, 1)});
  }
  const std::vector<DWORD> picture = Pattern(13, 11);
  IDirect3DTexture9 *t = MakeTexture(13, 11, picture);
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP,
                               D3DTOP_MODULATE); // the vertex alphas, for blending
  device->SetFVF(kScreenFVF);
  for (IDirect3DTexture9 *texture : {t, static_cast<IDirect3DTexture9 *>(nullptr)}) {
    device->SetTexture(0, texture);
    std::vector<DWORD> results[2];
    for (int oneByOne = 0; oneByOne < 2; ++oneByOne) {
      device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF102030, 1.0f, 0);
      if (oneByOne) {
        for (size_t i = 0; i < tris.size(); i += 3)
          ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, &tris[i], sizeof(ScreenVertex)),
                    D3D_OK);
      } else {
        ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, static_cast<UINT>(tris.size() / 3),
                                          tris.data(), sizeof(ScreenVertex)),
                  D3D_OK);
      }
      results[oneByOne] = ReadBack();
    }
    EXPECT_EQ(results[0], results[1]) << (texture ? "textured" : "untextured");
  }
  device->SetTexture(0, nullptr);
  t->Release();
}

} // namespace
} // namespace zrq::d3d9::test
