// Texture reads that walk the texture (ShaderTexelWalk.h): the proof of a span's texel line
// against every lane computed as the general path computes it, near the edges of texels where
// the roundings decide; which programs take the walk; and pictures drawn through it against the
// interpreter one pixel at a time.
#include "platform/d3d9/ShaderDrawingFixture.h"
#include "platform/d3d9/ShaderSpanLanes.h"

namespace zrq::d3d9::test {
namespace {

using Coordinate = ShaderSteps::Coordinate;

// A lane's texel coordinate as the interpolation, the add step and SampleLanes make it.
int64_t LaneTexel(const TriangleGradients &g, const Coordinate &c, int y, int x, int size) {
  const double base = g.v0[c.varying] + g.dvdy[c.varying] * (y - g.refY);
  float u = static_cast<float>(base + g.dvdx[c.varying] * (x - g.refX));
  if (c.offset) u = u + c.constant;
  return static_cast<int64_t>(shadermath::Floor(u * static_cast<float>(size)));
}

TEST(ShaderTexelWalk, AProvenLineIsEveryLanesTexelEvenAtTheEdgesOfTexels) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  const Coordinate offset{TexCoordVarying(0), true, 0.0f}, plain{TexCoordVarying(0), false, 0.0f};
  int proven = 0, provenMiddle = 0, middle = 0;
  for (int round = 0; round < 20000; ++round) {
    TriangleGradients g{};
    const int size = 1 + static_cast<int>(rng() % 4096);
    const int k = static_cast<int>(rng() % 7) - 3;
    // Steps a whole number of texels a pixel, or off one by a little.
    const double d = k + (rng() % 2 ? 0.0 : (unit(rng) - 0.5) * 1e-5);
    g.refX = unit(rng) * 100.0 - 50.0;
    g.refY = unit(rng) * 100.0 - 50.0;
    const int v = TexCoordVarying(0);
    g.dvdx[v] = d / size;
    g.dvdy[v] = (unit(rng) - 0.5) * 0.1;
    Coordinate c = rng() % 2 ? offset : plain;
    if (c.offset) c.constant = static_cast<float>(unit(rng) * 4.0 - 2.0);
    const int y = static_cast<int>(rng() % 1200), x0 = static_cast<int>(rng() % 2000);
    const int count = 1 + static_cast<int>(rng() % 400);
    // The span's first product: a whole number plus a fraction anywhere, or within a few
    // roundings of either whole number.
    const bool nearEdge = rng() % 2 != 0;
    double fraction = unit(rng);
    if (nearEdge) {
      fraction = std::ldexp(unit(rng), -10 - static_cast<int>(rng() % 14));
      if (rng() % 2) fraction = 1.0 - fraction;
    }
    const double r0 = std::floor(unit(rng) * 3.0 * size - size) + fraction;
    g.v0[v] = r0 / size - (c.offset ? c.constant : 0.0) - g.dvdy[v] * (y - g.refY) -
              g.dvdx[v] * (x0 - g.refX);
    TexelLine line{};
    const bool ok = ProveTexelLine(g, c, y, x0, count, size, &line);
    const bool wellInside = !nearEdge && fraction > 0.25 && fraction < 0.75 && d == k;
    middle += wellInside;
    proven += ok;
    provenMiddle += ok && wellInside;
    if (!ok) continue;
    for (int l = 0; l < count; ++l)
      ASSERT_EQ(LaneTexel(g, c, y, x0 + l, size), line.first + line.step * l)
          << "round " << round << " lane " << l;
  }
  // The proof is no mere refusal: where the roundings leave room it holds.
  EXPECT_EQ(provenMiddle, middle);
  EXPECT_GT(proven, 8000);
}

TEST(ShaderTexelWalk, NoLineThroughValuesThatAreNotNumbers) {
  TriangleGradients g{};
  const Coordinate c{TexCoordVarying(0), false, 0.0f};
  TexelLine line{};
  for (const double bad : {std::nan(""), HUGE_VAL, 1e30}) {
    g.v0[c.varying] = 0.5;
    g.dvdx[c.varying] = bad;
    EXPECT_FALSE(ProveTexelLine(g, c, 0, 0, 8, 16, &line));
    g.v0[c.varying] = bad;
    g.dvdx[c.varying] = 1.0 / 16;
    EXPECT_FALSE(ProveTexelLine(g, c, 0, 0, 8, 16, &line));
  }
}

// The reads each program's walk plans, or none.
std::vector<ShaderSteps::WalkedRead> Walks(const std::string &text, const float c0[4]) {
  const zrq::test::Compiled c = zrq::test::Assemble(text);
  EXPECT_EQ(c.status, S_OK) << c.messages;
  ShaderProgram program;
  EXPECT_TRUE(TranslateShader(c.tokens, &program));
  float constants[32][4] = {};
  std::copy(c0, c0 + 4, constants[0]);
  ShaderSteps steps;
  FoldUniforms(program, constants, &steps);
  PackTexelsWhereTheColourIsThem(&steps, 8);
  PlanTexelWalks(program, &steps, 8);
  return steps.walks;
}

// Three reads, at t0, t0 + c0 and t0 + c1 (or t0 − c1), whose channels make the colour.
const char *const kShiftPrograms[] = {
    "ps_2_0\ndcl t0.xy\ndcl_2d s0\ntexld r0, t0, s0\nadd r1.xy, t0, c0\ntexld r1, r1, s0\n"
    "add r2.xy, c1, t0\ntexld r2, r2, s0\nmov r0.x, r1.x\nmov r0.y, r2.y\nmov oC0, r0\n",
    "ps_2_0\ndcl t0.xy\ndcl_2d s0\nmov r3.xy, t0.yx\ntexld r0, r3, s0\nsub r1.xy, t0, c1\n"
    "texld r1, r1, s0\nmov r0.z, r1.x\nmov oC0, r0\n",
    "ps_2_0\ndcl t0.xy\ndcl_2d s0\nadd r1.xy, t0, -c0.yx\ntexld r1, r1, s0\nmov oC0, r1.wzyx\n",
};

TEST(ShaderTexelWalk, OnlyProgramsOfTexelsReadAtShiftedCoordinatesWalk) {
  const float c0[4] = {0.25f, -0.5f, 0, 0};
  const std::vector<ShaderSteps::WalkedRead> shift = Walks(kShiftPrograms[0], c0);
  ASSERT_EQ(shift.size(), 3u);
  EXPECT_FALSE(shift[0].u.offset);
  EXPECT_EQ(shift[1].u.constant, 0.25f);
  EXPECT_EQ(shift[1].v.constant, -0.5f);
  EXPECT_EQ(shift[1].v.varying, TexCoordVarying(0) + 1);
  // Swizzled coordinates, and a subtraction as the addition of the negated constant.
  const std::vector<ShaderSteps::WalkedRead> swapped = Walks(kShiftPrograms[1], c0);
  ASSERT_EQ(swapped.size(), 2u);
  EXPECT_EQ(swapped[0].u.varying, TexCoordVarying(0) + 1);
  EXPECT_EQ(swapped[0].v.varying, TexCoordVarying(0));
  const std::vector<ShaderSteps::WalkedRead> negated = Walks(kShiftPrograms[2], c0);
  ASSERT_EQ(negated.size(), 1u);
  EXPECT_EQ(negated[0].u.constant, 0.5f);
  EXPECT_EQ(negated[0].v.constant, -0.25f);
  const char *const kept[] = {
      // Scaled coordinates, two constants added, a colour not only of texels, a discard.
      "ps_2_0\ndcl t0.xy\ndcl_2d s0\nmul r1.xy, t0, c0\ntexld r1, r1, s0\nmov oC0, r1\n",
      "ps_2_0\ndcl t0.xy\ndcl_2d s0\nadd r1.xy, t0, c0\nadd r1.xy, r1, c0\ntexld r1, r1, s0\n"
      "mov oC0, r1\n",
      "ps_2_0\ndcl t0.xy\ndcl_2d s0\ntexld r0, t0, s0\nmov r0.y, c0.x\nmov oC0, r0\n",
      "ps_2_0\ndcl t0.xy\ndcl_2d s0\ntexkill t0\ntexld r0, t0, s0\nmov oC0, r0\n",
      // A texel read at coordinates made from another texel.
      "ps_2_0\ndcl t0.xy\ndcl_2d s0\ntexld r0, t0, s0\ntexld r1, r0, s0\nmov oC0, r1\n",
  };
  for (const char *text : kept) EXPECT_TRUE(Walks(text, c0).empty()) << text;
}

// An X8R8G8B8 texture of noise, the unused byte too.
IDirect3DTexture9 *OpaqueNoise(IDirect3DDevice9 *device, UINT tw, UINT th, uint32_t seed) {
  std::mt19937 rng(seed);
  IDirect3DTexture9 *t = nullptr;
  EXPECT_EQ(device->CreateTexture(tw, th, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &t, nullptr),
            D3D_OK);
  D3DLOCKED_RECT locked{};
  EXPECT_EQ(t->LockRect(0, &locked, nullptr, 0), D3D_OK);
  for (UINT y = 0; y < th; ++y)
    for (UINT x = 0; x < tw; ++x)
      static_cast<uint32_t *>(locked.pBits)[y * static_cast<UINT>(locked.Pitch) / 4 + x] = rng();
  t->UnlockRect(0);
  return t;
}

// Quads whose texture coordinates step a whole number of texels a pixel (or none) along x and
// y, offsets that move the reads partly or wholly outside the texture, every address mode, and
// filters that leave the walk; the pictures as the interpreter draws them.
TEST_F(ShaderDrawing, TexelWalksDrawTheInterpretersPixels) {
  constexpr UINT kW = 70, kH = 9;
  Open(kW, kH, false);
  std::mt19937 rng(21);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  static const DWORD kModes[] = {D3DTADDRESS_WRAP, D3DTADDRESS_MIRROR, D3DTADDRESS_CLAMP,
                                 D3DTADDRESS_BORDER, D3DTADDRESS_MIRRORONCE};
  static const int kSteps[] = {1, 1, 1, 0, -1, 2};
  std::vector<IDirect3DPixelShader9 *> shaders;
  for (const char *text : kShiftPrograms) shaders.push_back(PixelShader(text));
  for (int round = 0; round < 150; ++round) {
    const UINT tw = 1 + rng() % 100, th = 1 + rng() % 20;
    // Some without alpha, whose texels read as opaque whatever their top byte holds.
    IDirect3DTexture9 *t = round % 3 ? Pattern(tw, th, static_cast<uint32_t>(round))
                                     : OpaqueNoise(device, tw, th, static_cast<uint32_t>(round));
    device->SetTexture(0, t);
    device->SetSamplerState(0, D3DSAMP_ADDRESSU, kModes[rng() % 5]);
    device->SetSamplerState(0, D3DSAMP_ADDRESSV, kModes[rng() % 5]);
    device->SetSamplerState(0, D3DSAMP_BORDERCOLOR, rng());
    const DWORD filter = rng() % 8 == 0 ? D3DTEXF_LINEAR : D3DTEXF_POINT;
    device->SetSamplerState(0, D3DSAMP_MINFILTER, filter);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, filter);
    // Offsets of whole texels and a fraction, or anywhere.
    float constants[8];
    for (int i = 0; i < 8; ++i) {
      const float size = static_cast<float>(i % 2 ? th : tw);
      constants[i] = rng() % 2 ? (static_cast<float>(static_cast<int>(rng() % 60) - 30) +
                                  0.1f * static_cast<float>(rng() % 10)) /
                                     size
                               : unit(rng) * 4.0f - 2.0f;
    }
    device->SetPixelShaderConstantF(0, constants, 2);
    // The texel coordinates of pixel x, y: u·tw = u0 + ku·x' + su·y', v·th = v0 + kv·x' + sv·y',
    // where x' = x + 0.5, y' = y + 0.5. A fraction of 0.5 in u0 or v0 puts the pixel centres on
    // texel edges, where the roundings decide (and no line is proven).
    static const float kFractions[] = {0.0f, 0.5f, 0.25f, -1.0f};
    auto start = [&](UINT size) {
      const float fraction = kFractions[rng() % 4];
      return static_cast<float>(static_cast<int>(rng() % (3 * size)) - static_cast<int>(size)) +
             (fraction < 0.0f ? unit(rng) : fraction);
    };
    const float u0 = start(tw), v0 = start(th);
    const int ku = kSteps[rng() % 6], su = static_cast<int>(rng() % 2);
    const int kv = static_cast<int>(rng() % 3 == 0), sv = kSteps[rng() % 6];
    auto corner = [&](float x, float y) {
      return ScreenVertex{
          x - 0.5f,
          y - 0.5f,
          0.5f,
          1.0f,
          0xFFFFFFFF,
          (u0 + static_cast<float>(ku) * x + static_cast<float>(su) * y) / static_cast<float>(tw),
          (v0 + static_cast<float>(kv) * x + static_cast<float>(sv) * y) / static_cast<float>(th)};
    };
    const ScreenVertex quad[4] = {corner(0, 0), corner(kW, 0), corner(0, kH), corner(kW, kH)};
    IDirect3DPixelShader9 *ps = shaders[rng() % shaders.size()];
    std::vector<DWORD> pictures[2];
    for (int scalar = 0; scalar < 2; ++scalar) {
      SetOptions({D3DVS_VERSION(1, 1), D3DPS_VERSION(2, 0), FALSE, 0, scalar});
      device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x80402010, 1.0f, 0);
      device->SetPixelShader(ps);
      device->SetFVF(kScreenFVF);
      ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ScreenVertex)),
                D3D_OK);
      device->SetPixelShader(nullptr);
      pictures[scalar] = ReadBack();
    }
    ASSERT_EQ(pictures[0], pictures[1]) << "round " << round;
    device->SetTexture(0, nullptr);
    t->Release();
  }
  for (IDirect3DPixelShader9 *ps : shaders) ps->Release();
}

} // namespace
} // namespace zrq::d3d9::test
