// The prepared steps of a pixel shader (at the width ZRQ_D3D9_SHADER_LANES chooses) against the
// interpreter one pixel at a time: random programs with values the same for every pixel (worked
// out once), swizzles that read what the same instruction writes, texture reads outside the
// texture in every address mode, depth tests the held depth decides, and colours packed
// straight from the texels.
#include "platform/d3d9/ShaderDrawingFixture.h"
#include "platform/d3d9/ShaderSpanLanes.h"

namespace zrq::d3d9::test {
namespace {

// A ps_2_0 program on t0 and c0..c3 (c3 defined in it): arithmetic, some of it on constants
// alone, texture reads at computed coordinates, and cmp on a constant condition. Temporaries are
// written whole before anything reads them.
std::string RandomPixelProgram(std::mt19937 &rng) {
  static const char *const kBinary[] = {"add", "sub", "mul", "min", "max", "dp3", "dp4"};
  static const char *const kUnary[] = {"mov", "frc", "abs", "rcp", "rsq", "exp", "nrm"};
  static const char *const kTernary[] = {"mad", "lrp", "cmp", "dp2add"};
  static const char *const kSwizzles[] = {"", ".x", ".yzxw", ".wzyx", ".yyyy", ".z"};
  static const char *const kMasks[] = {"", ".x", ".xy", ".y", ".zw", ".xyz"};
  std::string text = "ps_2_0\ndef c3, 0.5, -0.25, 2, 1\ndcl t0.xy\ndcl_2d s0\n";
  int written = 0; // r0 .. r(written − 1) hold values
  auto pick = [&](auto &list) { return std::string(list[rng() % std::size(list)]); };
  auto operand = [&](bool constantOnly) {
    std::string s = rng() % 4 == 0 ? "-" : "";
    const int n = static_cast<int>(rng() % (constantOnly ? 4 : 5 + written));
    if (n < 4)
      s += "c" + std::to_string(n);
    else if (n == 4)
      s += "t0";
    else
      s += "r" + std::to_string(n - 5);
    return s + pick(kSwizzles);
  };
  auto destination = [&](std::string &line) {
    const int dst = static_cast<int>(rng() % (written + 1));
    line += (rng() % 5 == 0 ? "_sat r" : " r") + std::to_string(dst);
    if (dst == written) {
      ++written;
    } else {
      line += pick(kMasks);
    }
  };
  text += "texld r0, t0, s0\n";
  written = 1;
  for (int k = 0; k < 10; ++k) {
    const int kind = static_cast<int>(rng() % 6);
    const bool constantOnly = rng() % 3 == 0;
    std::string line;
    if (kind == 0 && written < 6) {
      // Coordinates moved from t0, often outside the texture.
      const std::string r = "r" + std::to_string(written);
      text += "mad " + r + ", t0, " + operand(true) + ", " + operand(true) + "\n";
      text += "texld " + r + ", " + r + ", s0\n";
      ++written;
      continue;
    }
    if (kind == 1) {
      line = pick(kUnary);
      const bool whole = line == "nrm";
      destination(line);
      if (whole && line.find('.') != std::string::npos) line = line.substr(0, line.find('.'));
      if (whole) line += ".xyz";
      line += ", " + operand(constantOnly);
    } else if (kind == 2) {
      line = "cmp";
      destination(line);
      line += ", " + operand(true) + ", " + operand(false) + ", " + operand(false);
    } else if (kind == 3) {
      line = pick(kTernary);
      const bool scalarLast = line == "dp2add";
      destination(line);
      line += ", " + operand(constantOnly) + ", " + operand(constantOnly) + ", " +
              (scalarLast ? "c3.x" : operand(constantOnly));
    } else {
      line = pick(kBinary);
      destination(line);
      line += ", " + operand(constantOnly) + ", " + operand(constantOnly);
    }
    text += line + "\n";
  }
  return text + "mov oC0, r" + std::to_string(rng() % written) + "\n";
}

TEST_F(ShaderDrawing, StepsDrawTheInterpretersPixelsOnRandomPrograms) {
  Open(45, 11);
  IDirect3DTexture9 *t = Pattern(13, 7, 5);
  device->SetTexture(0, t);
  std::mt19937 rng(33);
  std::uniform_real_distribution<float> value(-2.0f, 2.0f);
  static const DWORD kModes[] = {D3DTADDRESS_WRAP, D3DTADDRESS_MIRROR, D3DTADDRESS_CLAMP,
                                 D3DTADDRESS_BORDER, D3DTADDRESS_MIRRORONCE};
  int drawn = 0;
  for (int round = 0; round < 120; ++round) {
    const std::string text = RandomPixelProgram(rng);
    const zrq::test::Compiled c = zrq::test::Assemble(text);
    if (c.status != S_OK) continue; // a combination the assembler refuses
    IDirect3DPixelShader9 *ps = nullptr;
    ASSERT_EQ(device->CreatePixelShader(c.tokens.data(), &ps), D3D_OK) << text;
    ++drawn;
    float constants[12];
    for (float &k : constants) k = value(rng);
    device->SetPixelShaderConstantF(0, constants, 3);
    device->SetSamplerState(0, D3DSAMP_ADDRESSU, kModes[rng() % 5]);
    device->SetSamplerState(0, D3DSAMP_ADDRESSV, kModes[rng() % 5]);
    device->SetSamplerState(0, D3DSAMP_BORDERCOLOR, rng());
    const DWORD filter = rng() % 4 == 0 ? D3DTEXF_LINEAR : D3DTEXF_POINT;
    device->SetSamplerState(0, D3DSAMP_MINFILTER, filter);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, filter);
    // Depth tested after a clear (decided from the held words), tested against words in
    // memory, or off.
    const int depth = static_cast<int>(rng() % 3);
    device->SetRenderState(D3DRS_ZENABLE, depth != 2);
    const bool perspective = rng() % 2 != 0;
    const float z = 0.25f + 0.5f * static_cast<float>(rng() % 2);
    const float far = perspective ? 0.5f : 1.0f;
    const ScreenVertex quad[4] = {{-0.5f, -0.5f, z, 1, 0, -1.3f, -0.7f},
                                  {44.5f, -0.5f, z, far, 0, 2.2f, -0.7f},
                                  {-0.5f, 10.5f, z, 1, 0, -1.3f, 1.9f},
                                  {44.5f, 10.5f, z, far, 0, 2.2f, 1.9f}};
    std::vector<DWORD> pictures[2];
    for (int scalar = 0; scalar < 2; ++scalar) {
      SetOptions({D3DVS_VERSION(1, 1), D3DPS_VERSION(2, 0), FALSE, 0, scalar});
      device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x80402010, 1.0f, 0);
      if (depth == 1) {
        // Words in memory, half of them nearer than the quad.
        device->SetPixelShader(nullptr);
        device->SetTexture(0, nullptr);
        ASSERT_EQ(DrawRect(0, 0, 23, 11, 0xFF00FF00, 0.5f), D3D_OK);
        device->SetTexture(0, t);
      }
      device->SetPixelShader(ps);
      device->SetFVF(kScreenFVF);
      ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ScreenVertex)),
                D3D_OK);
      // The depth the shader's pixels wrote decides where a later quad lands.
      device->SetPixelShader(nullptr);
      device->SetTexture(0, nullptr);
      ASSERT_EQ(DrawRect(10, 2, 40, 9, 0xFF0000FF, 0.5f), D3D_OK);
      device->SetTexture(0, t);
      pictures[scalar] = ReadBack();
    }
    EXPECT_EQ(pictures[0], pictures[1]) << text;
    ps->Release();
  }
  EXPECT_GT(drawn, 60);
  device->SetTexture(0, nullptr);
  t->Release();
}

// The folding itself, so that the comparison above does not pass on a program left as it was.
TEST(ShaderStepsFolding, ConstantWorkIsDoneOnceAndAConstantConditionPicksItsSource) {
  const zrq::test::Compiled c =
      zrq::test::Assemble("ps_2_0\ndef c3, 0.5, 0, 0, 0\ndcl t0.xy\nmov r0, -c0\n"
                          "add r0.x, c3.x, r0.x\nmul r1, c1, c3.x\nadd r2, t0, r1\n"
                          "cmp r3, r0.x, t0, r2\nmov oC0, r3\n");
  ASSERT_EQ(c.status, S_OK) << c.messages;
  ShaderProgram program;
  ASSERT_TRUE(TranslateShader(c.tokens, &program));
  float constants[32][4] = {};
  for (const ShaderProgram::Definition &d : program.definitions)
    std::copy(d.value, d.value + 4, constants[d.index]);
  constants[1][0] = 0.125f;
  for (const float condition : {0.75f, 0.25f}) {
    constants[0][0] = condition; // 0.5 − c0.x ≥ 0 picks t0
    ShaderSteps steps;
    FoldUniforms(program, constants, &steps);
    // add r2 reads r1 as a constant; the cmp is the mov it picks, straight into oC0's source.
    ASSERT_FALSE(steps.code.empty());
    for (const ShaderInstruction &in : steps.code) {
      EXPECT_NE(in.op, ShaderOp::Cmp);
      EXPECT_NE(in.op, ShaderOp::Mul);
    }
    const bool picksT0 = condition <= 0.5f;
    EXPECT_EQ(steps.code.size(), picksT0 ? 2u : 3u);
    if (!picksT0) {
      const ShaderInstruction &add = steps.code[0];
      ASSERT_EQ(add.op, ShaderOp::Add);
      ASSERT_TRUE(add.src[1].constant);
      EXPECT_EQ(steps.constants[4 * add.src[1].index], 0.0625f);
    }
  }
}

// Colours made of texel channels moved on unchanged are packed from the texel words: a channel
// read as 0..1 and written back as a byte must be the byte it was, and the pictures the same.
TEST(ShaderStepsPacking, ATexelChannelWrittenBackIsTheByteItWas) {
  for (uint32_t b = 0; b < 256; ++b) EXPECT_EQ(ShaderByte(ChannelValue(b << 8, 8)), b);
}

TEST_F(ShaderDrawing, ColoursOfTexelChannelsArePackedFromTheTexels) {
  Open(29, 7);
  IDirect3DTexture9 *t = Pattern(11, 5, 8);
  device->SetTexture(0, t);
  device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_MIRROR);
  const char *const programs[] = {
      "ps_2_0\ndcl t0.xy\ndcl_2d s0\ntexld r0, t0, s0\nmov oC0, r0\n",
      "ps_2_0\ndcl t0.xy\ndcl_2d s0\ntexld r0, t0, s0\nmul r1.xy, t0, c0\n"
      "texld r1, r1, s0\nmov r2, r0.wzyx\nmov r2.y, r1.x\nmov oC0, r2\n",
      // Not all channels from texels: the general packing.
      "ps_2_0\ndcl t0.xy\ndcl_2d s0\ntexld r0, t0, s0\nmov r0.y, c0.x\nmov oC0, r0\n",
      "ps_2_0\ndcl t0.xy\ndcl_2d s0\ntexld_sat r0, t0, s0\nmov oC0, -r0\n"};
  const float c0[4] = {1.7f, -0.6f, 0, 0};
  device->SetPixelShaderConstantF(0, c0, 1);
  int packed = 0;
  for (const char *text : programs) {
    const zrq::test::Compiled c = zrq::test::Assemble(text);
    if (c.status != S_OK) continue; // texld_sat and a negated colour are not ps_2_0 everywhere
    ShaderProgram program;
    ASSERT_TRUE(TranslateShader(c.tokens, &program));
    ShaderSteps steps;
    float constants[32][4] = {};
    FoldUniforms(program, constants, &steps);
    PackTexelsWhereTheColourIsThem(&steps, 8);
    packed += steps.packsTexels;
    IDirect3DPixelShader9 *ps = PixelShader(text);
    std::vector<DWORD> pictures[2];
    for (int scalar = 0; scalar < 2; ++scalar) {
      SetOptions({D3DVS_VERSION(1, 1), D3DPS_VERSION(2, 0), FALSE, 0, scalar});
      device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
      device->SetPixelShader(ps);
      EXPECT_EQ(DrawRect(0, 0, 29, 7, 0xFFFFFFFF, 0.5f, -0.4f, 0.1f, 1.3f, 0.9f), D3D_OK);
      device->SetPixelShader(nullptr);
      pictures[scalar] = ReadBack();
    }
    EXPECT_EQ(pictures[0], pictures[1]) << text;
    ps->Release();
  }
  EXPECT_EQ(packed, 2);
  device->SetTexture(0, nullptr);
  t->Release();
}

} // namespace
} // namespace zrq::d3d9::test
