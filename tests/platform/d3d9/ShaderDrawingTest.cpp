// Draws through shaders on the device: pixel shaders over interpolated coordinates and texture
// reads, vertex shaders feeding the fixed-function pixel stages, and the vector path's pixels
// against those of one pixel at a time.
#include "platform/d3d9/ShaderDrawingFixture.h"

#include <random>

namespace zrq::d3d9::test {
namespace {

TEST_F(ShaderDrawing, APixelShaderWritesItsColourForEveryPixel) {
  Open(8, 4);
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  IDirect3DPixelShader9 *ps =
      PixelShader("ps_2_0\ndef c1, 0.25, 0.5, 1, 0\nadd r0, c0, c1\nmov oC0, r0\n");
  const float c0[4] = {0.0f, 0.0f, -1.0f, 1.0f};
  device->SetPixelShaderConstantF(0, c0, 1);
  device->SetPixelShader(ps);
  ASSERT_EQ(DrawRect(0, 0, 8, 4, 0xFFFFFFFF), D3D_OK);
  device->SetPixelShader(nullptr);
  for (DWORD p : ReadBack()) EXPECT_EQ(p, 0xFF408000u); // (0.25, 0.5, 0, 1)
  ps->Release();
}

TEST_F(ShaderDrawing, StateBlocksCaptureShaderConstantsAndShaders) {
  Open(4, 4);
  IDirect3DPixelShader9 *ps = PixelShader("ps_2_0\nmov oC0, c3\n");
  const float first[4] = {1, 0, 0, 1}, second[4] = {0, 1, 0, 1},
              vertex[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  device->SetPixelShaderConstantF(3, first, 1);
  device->SetVertexShaderConstantF(250, vertex, 2);
  device->SetPixelShader(ps);
  IDirect3DStateBlock9 *saved = nullptr;
  ASSERT_EQ(device->CreateStateBlock(D3DSBT_ALL, &saved), D3D_OK);
  device->SetPixelShaderConstantF(3, second, 1);
  const float zeros[8] = {};
  device->SetVertexShaderConstantF(250, zeros, 2);
  device->SetPixelShader(nullptr);
  ASSERT_EQ(saved->Apply(), D3D_OK);
  float read[8];
  ASSERT_EQ(device->GetPixelShaderConstantF(3, read, 1), D3D_OK);
  EXPECT_EQ(std::vector<float>(read, read + 4), std::vector<float>(first, first + 4));
  ASSERT_EQ(device->GetVertexShaderConstantF(250, read, 2), D3D_OK);
  EXPECT_EQ(std::vector<float>(read, read + 8), std::vector<float>(vertex, vertex + 8));
  IDirect3DPixelShader9 *bound = nullptr;
  ASSERT_EQ(device->GetPixelShader(&bound), D3D_OK);
  EXPECT_EQ(bound, ps);
  // Constants past the end are refused, and change nothing.
  EXPECT_EQ(device->SetPixelShaderConstantF(223, second, 2), D3DERR_INVALIDCALL);
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  ASSERT_EQ(DrawRect(0, 0, 4, 4, 0xFFFFFFFF), D3D_OK);
  EXPECT_EQ(Pixel(2, 2), 0xFFFF0000u);
  device->SetPixelShader(nullptr);
  bound->Release();
  saved->Release();
  ps->Release();
}

TEST_F(ShaderDrawing, TexldPointSampledReproducesTheTexture) {
  Open(16, 8);
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  IDirect3DTexture9 *t = Pattern(16, 8, 3);
  IDirect3DPixelShader9 *ps =
      PixelShader("ps_2_0\ndcl t0.xy\ndcl_2d s0\ntexld r0, t0, s0\nmov oC0, r0\n");
  device->SetTexture(0, t);
  device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
  device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
  device->SetPixelShader(ps);
  ASSERT_EQ(DrawRect(-0.5f, -0.5f, 15.5f, 7.5f, 0xFFFFFFFF), D3D_OK);
  device->SetPixelShader(nullptr);
  device->SetTexture(0, nullptr);
  D3DLOCKED_RECT lr;
  ASSERT_EQ(t->LockRect(0, &lr, nullptr, D3DLOCK_READONLY), D3D_OK);
  const std::vector<DWORD> pixels = ReadBack();
  for (UINT y = 0; y < 8; ++y)
    for (UINT x = 0; x < 16; ++x)
      EXPECT_EQ(pixels[y * 16 + x], static_cast<const DWORD *>(lr.pBits)[y * lr.Pitch / 4 + x])
          << x << ", " << y;
  t->UnlockRect(0);
  ps->Release();
  t->Release();
}

TEST_F(ShaderDrawing, TexkillLeavesThePixelsItDiscards) {
  Open(8, 1);
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  // t0.x runs from 0 to 1 across the row: the left half goes negative and is discarded.
  IDirect3DPixelShader9 *ps = PixelShader("ps_2_0\ndef c0, -0.5, 0, 0, 0\ndef c1, 1, 1, 1, 1\ndcl "
                                          "t0.xy\nadd r0, t0.xxxx, c0.x\ntexkill r0\n"
                                          "mov oC0, c1\n");
  device->SetPixelShader(ps);
  ASSERT_EQ(DrawRect(0, 0, 8, 1, 0xFFFFFFFF), D3D_OK);
  device->SetPixelShader(nullptr);
  const std::vector<DWORD> pixels = ReadBack();
  for (int x = 0; x < 8; ++x) EXPECT_EQ(pixels[x], x < 4 ? 0xFF000000u : 0xFFFFFFFFu) << x;
  ps->Release();
}

TEST_F(ShaderDrawing, AVertexShaderFeedsTheTextureStages) {
  // A quad in model space through m4x4 with the transposed projection the test gives it, drawn
  // once with fixed-function processing and once through the shader: the same pixels.
  Open(16, 16, false);
  IDirect3DTexture9 *t = Pattern(4, 4, 5);
  device->SetTexture(0, t);
  device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
  device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  const ModelVertex quad[4] = {{-0.75f, -0.75f, 0.5f, 0, 0, 1, 0, 1},
                               {-0.75f, 0.75f, 0.5f, 0, 0, 1, 0, 0},
                               {0.75f, -0.75f, 0.5f, 0, 0, 1, 1, 1},
                               {0.75f, 0.75f, 0.5f, 0, 0, 1, 1, 0}};
  const D3DMATRIX projection = {{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0.125f, 0, 0, 1}}};
  device->SetTransform(D3DTS_PROJECTION, &projection);
  device->SetFVF(0x112);
  ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ModelVertex)), D3D_OK);
  const std::vector<DWORD> fixed = ReadBack();

  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
  IDirect3DVertexShader9 *vs =
      VertexShader("vs_1_1\ndcl_position v0\ndcl_texcoord0 v1\nm4x4 oPos, v0, c0\nmov oT0, v1\n");
  float transposed[16];
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) transposed[4 * r + c] = projection.m[c][r];
  device->SetVertexShaderConstantF(0, transposed, 4);
  device->SetVertexShader(vs);
  ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ModelVertex)), D3D_OK);
  device->SetVertexShader(nullptr);
  device->SetTexture(0, nullptr);
  EXPECT_EQ(ReadBack(), fixed);
  vs->Release();
  t->Release();
}

TEST_F(ShaderDrawing, RandomShadersDrawTheSamePixelsOnePixelAtATime) {
  // The widest path the processor runs against one pixel at a time: texture reads at shifted
  // coordinates (some outside the texture, wrapping), arithmetic, and a blend onto the target.
  Open(37, 9, false);
  IDirect3DTexture9 *t = Pattern(13, 7, 9);
  device->SetTexture(0, t);
  device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
  device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
  std::mt19937 rng(21);
  static const char *const kArithmetic[] = {"add", "sub", "mul", "min", "max"};
  for (int round = 0; round < 40; ++round) {
    std::string text =
        "ps_2_0\ndcl t0.xy\ndcl_2d s0\nmad r1, t0, c0, c1\ntexld r0, r1, s0\ntexld r2, t0, s0\n";
    for (int k = 0; k < 4; ++k)
      text += std::string(kArithmetic[rng() % 5]) + " r" + std::to_string(rng() % 3) + ", r" +
              std::to_string(rng() % 3) + (rng() % 2 ? ".yzxw" : "") + ", r" +
              std::to_string(rng() % 3) + "\n";
    text +=
        round % 2 ? "cmp r0, r1.x, r0, r2\nmov oC0, r0\n" : "lrp r0, c0.z, r0, r2\nmov oC0, r0\n";
    IDirect3DPixelShader9 *ps = PixelShader(text);
    const float constants[8] = {std::uniform_real_distribution<float>(-2, 2)(rng), 1.5f, 0.25f, 1,
                                std::uniform_real_distribution<float>(-1, 1)(rng), 0.1f, 0,     0};
    device->SetPixelShaderConstantF(0, constants, 2);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, round % 3 == 0);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    std::vector<DWORD> pictures[2];
    for (int scalar = 0; scalar < 2; ++scalar) {
      SetOptions({D3DVS_VERSION(1, 1), D3DPS_VERSION(2, 0), FALSE, 0, scalar});
      device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x80402010, 1.0f, 0);
      device->SetPixelShader(ps);
      // A perspective triangle pair: w differs between the corners.
      const ScreenVertex v[4] = {{0, 0, 0.5f, 1, 0, 0, 0},
                                 {37, 0, 0.5f, 0.5f, 0, 1, 0},
                                 {0, 9, 0.5f, 0.25f, 0, 0, 1},
                                 {37, 9, 0.5f, 1, 0, 1, 1}};
      device->SetFVF(kScreenFVF);
      ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(ScreenVertex)), D3D_OK);
      device->SetPixelShader(nullptr);
      pictures[scalar] = ReadBack();
    }
    EXPECT_EQ(pictures[0], pictures[1]) << text;
    ps->Release();
  }
  device->SetTexture(0, nullptr);
  t->Release();
}

} // namespace
} // namespace zrq::d3d9::test
