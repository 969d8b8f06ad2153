// The fast textured span against the blend arithmetic: every (source, alpha, destination)
// byte combination for the common factor pairs, and random triangles with random factors and
// operations drawn once through the fast path and once through the general pipeline.
#include "tests/platform/d3d9/DeviceFixture.h"

#include <algorithm>
#include <random>

namespace zrq::d3d9::test {
namespace {

class FastBlend : public DeviceFixture {
protected:
  void TexturedStage(IDirect3DTexture9 *t) {
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetTexture(0, t);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
  }
};

DWORD Channel(DWORD c, int i) { return (c >> (8 * i)) & 0xFF; }

// The factor of one channel (i = 3 is alpha), written out independently of the device.
DWORD Factor(DWORD blend, int i, DWORD src, DWORD dst) {
  switch (blend) {
  case D3DBLEND_ZERO:
    return 0;
  case D3DBLEND_ONE:
    return 255;
  case D3DBLEND_SRCCOLOR:
    return Channel(src, i);
  case D3DBLEND_SRCALPHA:
    return src >> 24;
  case D3DBLEND_INVSRCALPHA:
    return 255 - (src >> 24);
  case D3DBLEND_DESTCOLOR:
    return Channel(dst, i);
  default:
    ADD_FAILURE() << "no reference for factor " << blend;
    return 0;
  }
}

// All 256 × 256 (colour, alpha) texels over all 256 target values, for each pair: the texel
// at (x, y) is colour x with alpha y, and draw k clears red, green and blue of the target to
// k, k + 86 and k + 171, so that 86 draws cover every destination byte in some channel.
TEST_F(FastBlend, CommonFactorPairsGiveExactBytesForEveryCombination) {
  Open(256, 256, false);
  std::vector<DWORD> texels(256 * 256);
  for (DWORD y = 0; y < 256; ++y)
    for (DWORD x = 0; x < 256; ++x) texels[y * 256 + x] = y << 24 | x * 0x010101u;
  IDirect3DTexture9 *t = MakeTexture(256, 256, texels);
  TexturedStage(t);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  const DWORD pairs[][2] = {{D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA},
                            {D3DBLEND_ONE, D3DBLEND_ONE},
                            {D3DBLEND_ZERO, D3DBLEND_SRCCOLOR},
                            {D3DBLEND_DESTCOLOR, D3DBLEND_INVSRCALPHA}};
  for (const auto &pair : pairs) {
    device->SetRenderState(D3DRS_SRCBLEND, pair[0]);
    device->SetRenderState(D3DRS_DESTBLEND, pair[1]);
    int wrong = 0;
    for (DWORD k = 0; k < 86 && wrong < 5; ++k) {
      const DWORD dst = k << 24 | k << 16 | ((k + 86) & 0xFF) << 8 | ((k + 171) & 0xFF);
      ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, dst, 1.0f, 0), D3D_OK);
      ASSERT_EQ(DrawRect(0, 0, 256, 256, 0xFFFFFFFF), D3D_OK);
      const std::vector<DWORD> px = ReadBack();
      for (size_t p = 0; p < px.size() && wrong < 5; ++p) {
        const DWORD src = texels[p];
        DWORD expected = 0;
        for (int i = 0; i < 4; ++i) {
          const DWORD v = Mul8(Channel(src, i), Factor(pair[0], i, src, dst)) +
                          Mul8(Channel(dst, i), Factor(pair[1], i, src, dst));
          expected |= std::min<DWORD>(v, 255) << (8 * i);
        }
        if (px[p] != expected) {
          ++wrong;
          ADD_FAILURE() << std::hex << "factors " << pair[0] << "/" << pair[1] << " texel 0x" << src
                        << " over 0x" << dst << ": 0x" << px[p] << ", expected 0x" << expected;
        }
      }
    }
  }
  device->SetTexture(0, nullptr);
  t->Release();
}

// Random triangles, constant colours, factors (with separate alpha) and operations: the fast
// path must leave exactly the bytes the general pipeline leaves.
TEST_F(FastBlend, RandomTrianglesMatchTheGeneralPipeline) {
  Open(97, 61, false);
  std::mt19937 rng(20240601);
  auto real = [&](float lo, float hi) {
    return std::uniform_real_distribution<float>(lo, hi)(rng);
  };
  std::vector<DWORD> texels(41 * 29);
  for (DWORD &v : texels) v = static_cast<DWORD>(rng());
  IDirect3DTexture9 *withAlpha = MakeTexture(41, 29, texels);
  IDirect3DTexture9 *opaque = nullptr;
  ASSERT_EQ(device->CreateTexture(41, 29, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &opaque, nullptr),
            D3D_OK);
  D3DLOCKED_RECT lr;
  ASSERT_EQ(opaque->LockRect(0, &lr, nullptr, 0), D3D_OK);
  for (UINT y = 0; y < 29; ++y)
    std::memcpy(static_cast<BYTE *>(lr.pBits) + y * lr.Pitch, &texels[y * 41], 41 * 4);
  opaque->UnlockRect(0);
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
  device->SetFVF(kScreenFVF);

  for (int round = 0; round < 60; ++round) {
    const bool separate = rng() % 2;
    const DWORD states[] = {D3DRS_SRCBLEND, D3DRS_DESTBLEND, D3DRS_SRCBLENDALPHA,
                            D3DRS_DESTBLENDALPHA};
    DWORD values[6];
    for (int i = 0; i < 4; ++i) values[i] = 1 + rng() % 15; // ZERO … INVBLENDFACTOR
    values[4] = 1 + rng() % 5;                              // ADD … MAX
    values[5] = 1 + rng() % 5;
    // Half the rounds keep texel colours as they are, half multiply them by the vertex colour.
    const DWORD colour = round % 2 ? 0xFFFFFFFFu : static_cast<DWORD>(rng());
    const ScreenVertex tri[3] = {
        {real(-20, 110), real(-20, 80), 0.5f, 1, colour, real(0, 1), real(0, 1)},
        {real(-20, 110), real(-20, 80), 0.5f, 1, colour, real(0, 1), real(0, 1)},
        {real(-20, 110), real(-20, 80), 0.5f, 1, colour, real(0, 1), real(0, 1)}};
    const DWORD clear = static_cast<DWORD>(rng()), factor = static_cast<DWORD>(rng());
    std::vector<DWORD> results[2];
    for (int pass = 0; pass < 2; ++pass) {
      SetOptions({0, 0, FALSE, 0, pass == 1});
      device->SetTexture(0, round % 3 == 2 ? opaque : withAlpha);
      device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
      device->SetRenderState(D3DRS_SEPARATEALPHABLENDENABLE, separate);
      for (int i = 0; i < 4; ++i)
        device->SetRenderState(static_cast<D3DRENDERSTATETYPE>(states[i]), values[i]);
      device->SetRenderState(D3DRS_BLENDOP, values[4]);
      device->SetRenderState(D3DRS_BLENDOPALPHA, values[5]);
      device->SetRenderState(D3DRS_BLENDFACTOR, factor);
      device->Clear(0, nullptr, D3DCLEAR_TARGET, clear, 1.0f, 0);
      ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, tri, sizeof(ScreenVertex)), D3D_OK);
      results[pass] = ReadBack();
    }
    ASSERT_EQ(results[0], results[1])
        << "round " << round << " factors " << values[0] << "/" << values[1] << " alpha "
        << values[2] << "/" << values[3] << " ops " << values[4] << "/" << values[5]
        << (separate ? " separate" : "");
  }
  device->SetTexture(0, nullptr);
  withAlpha->Release();
  opaque->Release();
}

} // namespace
} // namespace zrq::d3d9::test
