// The fast path against the general pipeline for the draws video effects make through the
// host's model-space view: lit quads of one colour, depth tested against each other after a
// depth clear, written or blended (the colour-shift passes), rotated, in grids of small quads,
// and strips of thin triangles. Each scene is drawn once through the general pipeline and once
// with the fast path; the target must come out the same, and so must the depth words, which a
// probe draw at each depth the scene used reveals.
#include "tests/platform/d3d9/DeviceFixture.h"

#include "host/common/ModelSpaceView.h"

#include <cmath>
#include <functional>
#include <random>

namespace zrq::d3d9::test {
namespace {

class FastPath : public DeviceFixture {
protected:
  static constexpr UINT kW = 193, kH = 109;

  void SetUp() override {
    Open(kW, kH);
    std::mt19937 rng(7);
    std::vector<DWORD> texels(kW * kH);
    for (DWORD &t : texels) t = static_cast<DWORD>(rng());
    picture = MakeTexture(kW, kH, texels);
    ASSERT_EQ(host::ApplyModelSpaceView(device, kW, kH), D3D_OK);
  }
  void TearDown() override {
    device->SetTexture(0, nullptr);
    if (picture) picture->Release();
    DeviceFixture::TearDown();
  }

  // Lit with every light off, as the shared draw lights its lists: the vertex colour is the
  // material's ambient (times a white ambient light), its alpha the material's diffuse alpha.
  void Material(float r, float g, float b, float a) {
    D3DMATERIAL9 m = {};
    m.Ambient = {r, g, b, 1};
    m.Diffuse = {r, g, b, a};
    m.Emissive = {0, 0, 0, 1};
    device->SetMaterial(&m);
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    device->SetRenderState(D3DRS_AMBIENT, 0xFFFFFFFF);
  }

  // A model-space quad of width w and height h (the picture is 2 wide) centred at (cx, cy),
  // turned by `angle`, at depth z, showing texture coordinates u0..u1 and v0..v1.
  HRESULT Quad(float cx, float cy, float w, float h, float angle = 0, float z = 0, float u0 = 0,
               float v0 = 0, float u1 = 1, float v1 = 1) {
    const float c = std::cos(angle), s = std::sin(angle);
    auto at = [&](float x, float y, float u, float v) {
      return ModelVertex{cx + x * c - y * s, cy + x * s + y * c, z, 0, 0, -1, u, v};
    };
    const ModelVertex tl = at(-w / 2, h / 2, u0, v0), tr = at(w / 2, h / 2, u1, v0);
    const ModelVertex bl = at(-w / 2, -h / 2, u0, v1), br = at(w / 2, -h / 2, u1, v1);
    const ModelVertex v[6] = {tl, tr, bl, tr, br, bl};
    device->SetFVF(0x112);
    return device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, v, sizeof(ModelVertex));
  }

  // The target after `scene`, then the depth words as seen by a probe quad at each of `depths`
  // drawn with LESS and no depth write: pixel p of probe k is set where its depth is below the
  // stored one.
  std::vector<DWORD> Draw(const std::function<void()> &scene, std::initializer_list<float> depths) {
    device->SetTexture(0, picture);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0x40302010,
                  1.0f, 0);
    scene();
    std::vector<DWORD> out = ReadBack();
    device->SetTexture(0, nullptr);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    for (float z : depths) {
      device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
      EXPECT_EQ(DrawRect(0, 0, kW, kH, 0xFFFFFFFF, z), D3D_OK);
      const std::vector<DWORD> probe = ReadBack();
      out.insert(out.end(), probe.begin(), probe.end());
    }
    return out;
  }

  // The scene through the general pipeline and through the fast path, from the same states.
  void ExpectSameBothWays(const std::function<void()> &scene,
                          std::initializer_list<float> depths = {0.5f}, const char *what = "") {
    std::vector<DWORD> results[2];
    IDirect3DStateBlock9 *start = nullptr;
    ASSERT_EQ(device->CreateStateBlock(D3DSBT_ALL, &start), D3D_OK);
    for (int fast = 0; fast < 2; ++fast) {
      start->Apply();
      SetOptions({0, 0, FALSE, 0, fast ? FALSE : TRUE});
      results[fast] = Draw(scene, depths);
    }
    start->Release();
    ASSERT_EQ(results[0].size(), results[1].size());
    size_t differ = 0, first = 0;
    for (size_t i = results[0].size(); i-- > 0;)
      if (results[0][i] != results[1][i]) ++differ, first = i;
    EXPECT_EQ(differ, 0u) << what << ": first at pixel " << first % (kW * kH) << " of layer "
                          << first / (kW * kH) << std::hex << ", general 0x" << results[0][first]
                          << ", fast 0x" << results[1][first];
  }

  IDirect3DTexture9 *picture = nullptr;
  float height = 2.0f * kH / kW; // the picture's height in model space
};

// The depth probes of a scene at z = 0 in model space: the projection puts it at 0.5.
constexpr float kAtScene = 0.5f;

TEST_F(FastPath, DepthTestedLayersAfterADepthClearWithEveryFunction) {
  // As the shared draw does it: a backdrop under the host's depth state, the depth cleared,
  // then quads at other depths tested against each other and read as plain writes.
  const DWORD funcs[] = {D3DCMP_NEVER,   D3DCMP_LESS,     D3DCMP_EQUAL,        D3DCMP_LESSEQUAL,
                         D3DCMP_GREATER, D3DCMP_NOTEQUAL, D3DCMP_GREATEREQUAL, D3DCMP_ALWAYS};
  for (DWORD func : funcs) {
    for (BOOL write : {TRUE, FALSE}) {
      ExpectSameBothWays(
          [&] {
            Material(1, 1, 1, 1);
            device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
            Quad(0, 0, 2, height);
            device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 0.75f, 0);
            device->SetRenderState(D3DRS_ZFUNC, func);
            device->SetRenderState(D3DRS_ZWRITEENABLE, write);
            device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
            device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
            device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
            Material(0.5f, 1, 0.25f, 1);
            Quad(-0.4f, 0, 1.1f, height * 0.8f, 0, 0, 0.1f, 0.1f, 0.6f, 0.9f);
            Material(0.25f, 0.5f, 1, 1); // the same quad again: tested against its own depth
            Quad(-0.4f, 0, 1.1f, height * 0.8f, 0, 0, 0.1f, 0.1f, 0.6f, 0.9f);
            Quad(0.3f, 0.05f, 1.2f, height * 0.7f, 0, 2.5f, 0.9f, 0, 0.2f, 1);        // nearer
            Quad(0.1f, -0.1f, 0.9f, height * 0.5f, 0, -2.5f, 0.3f, 0.2f, 0.7f, 0.6f); // farther
            Quad(-0.2f, 0.1f, 0.7f, height * 0.6f, 0, 2.5f, 0, 0, 1,
                 1); // level with the nearer one
          },
          {0.3f, 0.375f, 0.5f, 0.625f, 0.7f, 0.75f, 0.8f}, "depth function");
    }
  }
}

TEST_F(FastPath, QuadsAtOneDepthWithGapsThenACoverTellingGapsFromQuads) {
  // Narrow quads at one depth, apart and in scattered order (more of them per row than the
  // device notes as runs), then quads over them whose test passes against the cleared depth
  // and fails against theirs, and the other way round.
  for (DWORD func : {D3DCMP_LESS, D3DCMP_GREATER}) {
    ExpectSameBothWays(
        [&] {
          Material(1, 1, 1, 1);
          device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
          device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 0.75f, 0);
          const int order[] = {3, 9, 0, 6, 12, 1, 14, 7, 4, 10, 13, 2, 8, 5, 11};
          auto narrow = [&](int k) {
            Quad(-0.95f + k * 0.13f, 0, 0.08f, height * (0.4f + 0.03f * k), 0, 0, 0, 0, 0.2f, 1);
          };
          for (int k : order) narrow(k);
          // Again at the same depth: LESS fails and LESSEQUAL passes on every pixel of them.
          Material(0, 1, 0, 1);
          for (DWORD again : {D3DCMP_LESS, D3DCMP_LESSEQUAL}) {
            device->SetRenderState(D3DRS_ZFUNC, again);
            narrow(again == D3DCMP_LESS ? 3 : 9);
          }
          device->SetRenderState(D3DRS_ZFUNC, func);
          Material(1, 0, 0.5f, 1);
          Quad(0, 0, 2, height * 0.5f, 0, func == D3DCMP_LESS ? 2.5f : 5.5f);
          Quad(0, 0.3f, 2, height * 0.2f, 0.1f, func == D3DCMP_LESS ? 2.5f : 5.5f, 0.5f, 0.5f, 0.6f,
               0.7f);
        },
        {0.3f, kAtScene, 0.6f, 0.7f, 0.76f, 0.8f}, "quads with gaps");
  }
}

TEST_F(FastPath, SlantedDepthPlanesAndRotatedQuads) {
  // Depth that changes across a quad, and the quad turned at angles between the axes.
  for (float angle : {0.0f, 0.3f, 1.5707964f, 2.2f, 3.1415927f, -0.77f}) {
    ExpectSameBothWays(
        [&] {
          Material(1, 1, 1, 1);
          device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
          device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
          Quad(0.1f, 0, 1.5f, height * 0.9f, angle);
          const ModelVertex tilted[3] = {{-1, -0.5f, -6, 0, 0, -1, 0, 1},
                                         {1, -0.4f, 6, 0, 0, -1, 1, 1},
                                         {0, 0.5f, 0, 0, 0, -1, 0.5f, 0}};
          device->SetFVF(0x112);
          device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, tilted, sizeof(ModelVertex));
          // Slanted depth written by the general path (linear filtering keeps the draw there),
          // then met by a point-sampled draw with EQUAL: every pixel passes only if both paths
          // turn z into the same 24 bits.
          device->SetRenderState(D3DRS_ZFUNC, D3DCMP_ALWAYS);
          device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
          device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
          const ModelVertex steep[3] = {{-0.9f, 0.4f, -9, 0, 0, -1, 0, 0},
                                        {0.8f, 0.5f, 3, 0, 0, -1, 1, 0},
                                        {0.2f, -0.5f, 8.7f, 0, 0, -1, 0.5f, 1}};
          device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, steep, sizeof(ModelVertex));
          device->SetRenderState(D3DRS_ZFUNC, D3DCMP_EQUAL);
          device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
          device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
          Material(0, 0, 1, 1);
          device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, steep, sizeof(ModelVertex));
        },
        {0.3f, 0.45f, 0.5f, 0.55f, 0.7f}, "rotated quad");
  }
}

TEST_F(FastPath, ConstantColoursModulateSelectAndAddTheTexel) {
  struct Stage {
    DWORD colorOp, colorArg1, colorArg2, alphaOp, alphaArg1, alphaArg2;
  } stages[] = {
      {D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_MODULATE, D3DTA_TEXTURE,
       D3DTA_DIFFUSE},
      {D3DTOP_MODULATE, D3DTA_CURRENT, D3DTA_TEXTURE, D3DTOP_ADD, D3DTA_TEXTURE, D3DTA_DIFFUSE},
      {D3DTOP_ADD, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE},
      {D3DTOP_SELECTARG2, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG2, D3DTA_DIFFUSE,
       D3DTA_TEXTURE},
      {D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_DISABLE, D3DTA_TEXTURE,
       D3DTA_DIFFUSE},
  };
  const float colours[][4] = {
      {1, 1, 1, 1}, {0, 0, 1, 1}, {1, 0.5f, 0.25f, 0.6f}, {0.3f, 0.9f, 0, 0}};
  for (const Stage &s : stages) {
    for (const auto &c : colours) {
      ExpectSameBothWays(
          [&] {
            device->SetTextureStageState(0, D3DTSS_COLOROP, s.colorOp);
            device->SetTextureStageState(0, D3DTSS_COLORARG1, s.colorArg1);
            device->SetTextureStageState(0, D3DTSS_COLORARG2, s.colorArg2);
            device->SetTextureStageState(0, D3DTSS_ALPHAOP, s.alphaOp);
            device->SetTextureStageState(0, D3DTSS_ALPHAARG1, s.alphaArg1);
            device->SetTextureStageState(0, D3DTSS_ALPHAARG2, s.alphaArg2);
            Material(c[0], c[1], c[2], c[3]);
            device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
            Quad(0, 0, 1.7f, height * 0.8f, 0.1f);
          },
          {kAtScene}, "stage");
    }
  }
}

TEST_F(FastPath, ColourShiftPassesAddOntoTheBackdrop) {
  // A filtered backdrop and an unfiltered strip, then shifted passes added on with ONE and
  // SRCALPHA, their alpha made opaque by ALPHAOP ADD with the material's alpha of one.
  for (float shift : {0.0f, 0.0625f, -0.13f, 0.25f}) {
    ExpectSameBothWays(
        [&] {
          device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
          Material(0, 1, 1, 1);
          Quad(0, 0, 2, height);
          device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
          device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
          Material(1, 1, 1, 1);
          Quad(-1 + 0.125f / 2, 0, 0.125f, height, 0, 0, 0, 0, 0.0625f, 1);
          device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
          device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_SRCALPHA);
          device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
          device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_ADD);
          Material(1, 0, 0, 1);
          Quad(shift, shift / 2, 2, height);
          Material(0, 1, 0, 1);
          Quad(shift / 2, 0, 2, height);
          Material(0.5f, 0.5f, 1, 0.5f); // an alpha below one: the factor is the sum's alpha
          Quad(-shift, 0, 2, height);
        },
        {kAtScene}, "colour shift");
  }
}

TEST_F(FastPath, GridsOfSmallQuadsOneDrawEach) {
  // Replicate's grid: each cell shows the whole picture, so texel columns step by whole
  // numbers and texel centres fall exactly on pixel edges.
  for (int n : {1, 3, 6, 8}) {
    ExpectSameBothWays(
        [&] {
          Material(1, 1, 1, 1);
          device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
          device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
          device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
          const float cw = 2.0f / n, ch = height / n;
          for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j)
              Quad((i - n / 2.0f + 0.5f) * cw, (n / 2.0f - j - 0.5f) * ch, cw, ch, 0, 0, 0, 0, 1,
                   1);
        },
        {kAtScene}, "grid");
  }
}

TEST_F(FastPath, ThinTrianglesOfAWavingStrip) {
  // The wave's mesh: two rows of 128 vertices across the picture, moved up and down, drawn as
  // 254 thin triangles in one indexed draw under the host's depth state.
  const int columns = 128;
  for (float depth : {0.0f, 0.4f, 1.0f}) {
    std::vector<ModelVertex> v;
    for (int r = 0; r < 2; ++r)
      for (int k = 0; k < columns; ++k) {
        const float x = k * 2.0f / (columns - 1) - 1, y = (r - 0.5f) * height * (1 - 0.4f * depth);
        const float offset = depth * height * 0.2f * std::sin(k * 0.3f / (depth + 0.01f));
        v.push_back({x, y + offset, 0, 0, 0, -1, static_cast<float>(k) / (columns - 1), 1.0f - r});
      }
    std::vector<WORD> indices;
    for (int k = 1; k < columns; ++k) {
      const WORD bottom = static_cast<WORD>(k), top = static_cast<WORD>(k + columns);
      for (WORD i : {WORD(bottom - 1), WORD(top - 1), bottom, bottom, WORD(top - 1), top})
        indices.push_back(i);
    }
    ExpectSameBothWays(
        [&] {
          device->SetRenderState(D3DRS_LIGHTING, FALSE);
          device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
          device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 0.0f, 0);
          device->SetFVF(0x112);
          device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, static_cast<UINT>(v.size()),
                                         static_cast<UINT>(indices.size() / 3), indices.data(),
                                         D3DFMT_INDEX16, v.data(), sizeof(ModelVertex));
        },
        {kAtScene}, "wave");
  }
}

// A strip of `columns` thin quads across the picture, waved, as a triangle list with vertices
// of its own for each quad: quad k at depth z(k), showing texture columns u0 .. u1.
struct Strip {
  int columns = 96;
  float u0 = 0, u1 = 1, wave = 0.15f;
  std::function<float(int)> z = [](int) { return 0.0f; };

  std::vector<ModelVertex> Vertices(float height) const {
    std::vector<ModelVertex> v;
    auto at = [&](int k, int r) {
      const float x = k * 2.0f / columns - 1, y = (r - 0.5f) * height * 0.8f;
      return ModelVertex{x,  y + wave * height * std::sin(k * 0.7f),           0,       0, 0,
                         -1, u0 + (u1 - u0) * static_cast<float>(k) / columns, 1.0f - r};
    };
    for (int k = 0; k < columns; ++k) {
      ModelVertex q[4] = {at(k, 0), at(k, 1), at(k + 1, 0), at(k + 1, 1)};
      for (ModelVertex &c : q) c.z = z(k);
      for (int i : {0, 1, 2, 2, 1, 3}) v.push_back(q[i]);
    }
    return v;
  }
};

TEST_F(FastPath, SpansOfThinTrianglesDrawnSideBySide) {
  // A row's spans of a strip are drawn as one run across the triangles' borders. Each case
  // below takes a way out of that: texels past the picture in the middle of a run, a second
  // strip over the first in the same draw, triangles given right to left, quads at other
  // depths, depth words a draw left in memory, a depth test that fails, and triangles of
  // another colour among them.
  auto draw = [&](const std::vector<ModelVertex> &v) {
    device->SetFVF(0x112);
    return device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, static_cast<UINT>(v.size() / 3), v.data(),
                                   sizeof(ModelVertex));
  };
  auto plain = [&] {
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
  };
  const std::vector<ModelVertex> strip = Strip{}.Vertices(height);

  for (DWORD address : {D3DTADDRESS_WRAP, D3DTADDRESS_CLAMP, D3DTADDRESS_MIRROR}) {
    Strip past;
    past.u0 = -0.35f, past.u1 = 1.3f;
    ExpectSameBothWays(
        [&] {
          plain();
          device->SetSamplerState(0, D3DSAMP_ADDRESSU, address);
          device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
          EXPECT_EQ(draw(past.Vertices(height)), D3D_OK);
        },
        {0.45f, kAtScene, 0.55f}, "texels past the picture");
  }

  ExpectSameBothWays(
      [&] {
        plain();
        std::vector<ModelVertex> twice = strip;
        Strip over;
        over.columns = 41, over.wave = -0.3f, over.u0 = 0.2f, over.u1 = 0.7f;
        const std::vector<ModelVertex> second = over.Vertices(height);
        twice.insert(twice.end(), second.begin(), second.end());
        device->SetRenderState(D3DRS_ZFUNC, D3DCMP_ALWAYS);
        EXPECT_EQ(draw(twice), D3D_OK);
      },
      {kAtScene}, "a strip over a strip");

  ExpectSameBothWays(
      [&] {
        plain();
        std::vector<ModelVertex> reversed;
        for (size_t t = strip.size() / 3; t-- > 0;)
          reversed.insert(reversed.end(), strip.begin() + 3 * t, strip.begin() + 3 * t + 3);
        EXPECT_EQ(draw(reversed), D3D_OK);
      },
      {kAtScene}, "right to left");

  ExpectSameBothWays(
      [&] {
        plain();
        Strip steps;
        steps.z = [](int k) { return 0.1f * static_cast<float>(k % 5) - 0.2f; };
        EXPECT_EQ(draw(steps.Vertices(height)), D3D_OK);
      },
      {0.3f, 0.45f, kAtScene, 0.55f, 0.7f}, "quads at several depths");

  for (DWORD func : {D3DCMP_LESS, D3DCMP_GREATER, D3DCMP_EQUAL}) {
    ExpectSameBothWays(
        [&] {
          plain();
          // A quad sloping away leaves depth words of every kind in memory over the middle of
          // the picture; the strip tests against them there, and against the cleared words
          // elsewhere.
          device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
          const float h = height * 0.3f;
          const ModelVertex slope[6] = {
              {-0.5f, h, -0.4f, 0, 0, -1, 0, 0},  {0.5f, h, 0.4f, 0, 0, -1, 1, 0},
              {-0.5f, -h, -0.4f, 0, 0, -1, 0, 1}, {0.5f, h, 0.4f, 0, 0, -1, 1, 0},
              {0.5f, -h, 0.4f, 0, 0, -1, 1, 1},   {-0.5f, -h, -0.4f, 0, 0, -1, 0, 1}};
          EXPECT_EQ(draw({slope, slope + 6}), D3D_OK);
          device->SetRenderState(D3DRS_ZFUNC, func);
          EXPECT_EQ(draw(strip), D3D_OK);
        },
        {0.4f, kAtScene, 0.6f}, "depth words in memory");
  }

  ExpectSameBothWays(
      [&] {
        plain();
        // Every seventh triangle is tinted: those are shaded, drawn on their own among the
        // others.
        struct Coloured {
          float x, y, z;
          DWORD colour;
          float u, v;
        };
        std::vector<Coloured> tinted;
        for (size_t i = 0; i < strip.size(); ++i) {
          const ModelVertex &m = strip[i];
          tinted.push_back({m.x, m.y, m.z, i / 3 % 7 == 3 ? 0xFF80C0FFu : 0xFFFFFFFFu, m.u, m.v});
        }
        device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
        device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1);
        EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, static_cast<UINT>(tinted.size() / 3),
                                          tinted.data(), sizeof(Coloured)),
                  D3D_OK);
      },
      {0.45f, kAtScene}, "other colours among them");
}

TEST_F(FastPath, TexelsPastTheTextureAndScissoredTargets) {
  // Coordinates running past the picture (wrapped, clamped or mirrored by the general path),
  // and a scissor rectangle clipping the spans.
  for (DWORD address : {D3DTADDRESS_WRAP, D3DTADDRESS_CLAMP, D3DTADDRESS_MIRROR}) {
    ExpectSameBothWays(
        [&] {
          device->SetSamplerState(0, D3DSAMP_ADDRESSU, address);
          device->SetSamplerState(0, D3DSAMP_ADDRESSV, address);
          Material(1, 1, 1, 1);
          device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
          Quad(0, 0, 2, height, 0.2f, 0, -0.3f, -0.2f, 1.4f, 1.1f);
          const RECT scissor = {17, 9, 150, 90};
          device->SetScissorRect(&scissor);
          device->SetRenderState(D3DRS_SCISSORTESTENABLE, TRUE);
          Material(0.5f, 0.5f, 0.5f, 1);
          Quad(0.2f, 0, 1.3f, height, -0.4f, 1, 1.2f, 0, -0.1f, 1);
          device->SetRenderState(D3DRS_SCISSORTESTENABLE, FALSE);
        },
        {0.45f, kAtScene, 0.55f}, "addressing");
  }
}

} // namespace
} // namespace zrq::d3d9::test
