// The module's two shaders, compiled from their resources as the renderers compile them: the
// code instruction by instruction, its tokens, the constant tables the renderers set, and what
// the code computes (run by the reference interpreter) against the effects' own formulas.
#include <d3dx9.h>
#include <zrqresource.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/d3dx9/ShaderInterpreter.h"
#include "platform/d3dx9/ShaderRules.h"
#include "platform/d3dx9/ShaderTestSupport.h"

using namespace zrq::test;
using zrq::d3dx9::RegisterType;

namespace {

Compiled FromResource(WORD id, const char *entry, const char *profile, DWORD flags) {
  Compiled out;
  CComPtr<ID3DXBuffer> shader, errors;
  out.status =
      D3DXCompileShaderFromResourceW(ZrqThisModule(), MAKEINTRESOURCEW(id), nullptr, nullptr, entry,
                                     profile, flags, &shader, &errors, &out.table);
  out.tokens = Tokens(shader);
  if (errors) out.messages = static_cast<const char *>(errors->GetBufferPointer());
  return out;
}

Compiled Wave() { return FromResource(201, "Wave", "vs_1_1", 0); }
Compiled ColorShift() { return FromResource(205, "main", "ps_2_0", D3DXSHADER_DEBUG); }

// The same instruction at `at`, by its tokens, anywhere in the shader.
bool Contains(const std::vector<DWORD> &tokens, const std::vector<DWORD> &instruction) {
  return std::search(tokens.begin(), tokens.end(), instruction.begin(), instruction.end()) !=
         tokens.end();
}

const std::vector<std::string> kWaveAssembly = {
    "def c7, 1e-06, 9.424778, 0.15915494, 0.25",
    "def c8, -0.5, -4, 1, -0.004681754",
    "def c9, -3.5988433e-06, 0.00016044118, 0.079692625, -0.6459641",
    "def c10, 1.5707964, 2, 0, 0",
    "dcl_position v0",
    "dcl_texcoord v1",
    // depth = fEffectValue * fWaveHeight, kept in r0.x; one constant register an instruction
    "mov r0.x, c5.x",
    "mul r0.x, c4.x, r0.x",
    // angle = 3 * 3.1415926 / max(fEffectValue, 1e-6)
    "mov r1.x, c7.x",
    "max r1.x, c4.x, r1.x",
    "rcp r1.x, r1.x",
    "mul r1.x, c7.y, r1.x",
    // sin(position.x * angle): the angle in turns, a triangle wave y, then y times a series in y²
    "mul r1.x, v0.x, r1.x",
    "mad r1.x, r1.x, c7.z, c7.w",
    "frc r2.y, r1.x",
    "add r1.x, r2.y, c8.x",
    "max r1.x, r1.x, -r1.x",
    "mad r1.x, r1.x, c8.y, c8.z",
    "mul r2.x, r1.x, r1.x",
    "mad r3.x, r2.x, c9.x, c9.y",
    "mad r3.x, r3.x, r2.x, c8.w",
    "mad r3.x, r3.x, r2.x, c9.z",
    "mad r3.x, r3.x, r2.x, c9.w",
    "mad r2.x, r3.x, r2.x, c10.x",
    "mul r1.x, r2.x, r1.x",
    // offset = depth * sin(...)
    "mul r1.x, r0.x, r1.x",
    // position.y * (fObjectHeight - 2 * depth) / fObjectHeight + offset
    "mul r0.x, c10.y, r0.x",
    "add r0.x, c6.x, -r0.x",
    "mul r0.x, v0.y, r0.x",
    "rcp r2.x, c6.x",
    "mul r0.x, r0.x, r2.x",
    "add r0.x, r0.x, r1.x",
    // mul(position, mWorldViewProj), the matrix a column a register
    "mov r1.xzw, v0",
    "mov r1.y, r0.x",
    "dp4 oPos.x, r1, c0",
    "dp4 oPos.y, r1, c1",
    "dp4 oPos.z, r1, c2",
    "dp4 oPos.w, r1, c3",
    "mov oT0.xy, v1",
};

const std::vector<std::string> kColorShiftAssembly = {
    "def c3, 0.5, 0, 0, 0",
    "dcl t0.xy",
    "dcl_2d s0",
    "texld r0, t0, s0",
    // offset = float2(fOffsetX, fOffsetY); red from t + offset
    "mov r1.x, c1.x",
    "mov r1.y, c2.x",
    "add r2.xy, t0, r1",
    "texld r2, r2, s0",
    // fEffectValue > 0.5 as the sign of 0.5 - fEffectValue
    "mov r3.x, -c0.x",
    "add r3.x, c3.x, r3.x",
    // green from t + offset / 2 where the condition holds, else from t
    "mul r1.xy, r1, c3.x",
    "add r1.xy, t0, r1",
    "texld r1, r1, s0",
    "cmp r1.x, r3.x, r0.y, r1.y",
    // the colour gathered in r2, whose x already holds the red
    "mov r2.y, r1.x",
    "mov r2.zw, r0",
    "mov oC0, r2",
};

D3DXCONSTANT_DESC Desc(ID3DXConstantTable *table, const char *name) {
  D3DXCONSTANT_DESC d{};
  UINT count = 0;
  EXPECT_EQ(table->GetConstantDesc(table->GetConstantByName(nullptr, name), &d, &count), D3D_OK)
      << name;
  EXPECT_EQ(count, 1u);
  return d;
}

void ExpectFloatConstant(ID3DXConstantTable *table, const char *name, UINT reg) {
  const D3DXCONSTANT_DESC d = Desc(table, name);
  EXPECT_STREQ(d.Name, name);
  EXPECT_EQ(d.RegisterSet, D3DXRS_FLOAT4) << name;
  EXPECT_EQ(d.RegisterIndex, reg) << name;
  EXPECT_EQ(d.RegisterCount, 1u) << name;
  EXPECT_EQ(d.Class, D3DXPC_SCALAR) << name;
  EXPECT_EQ(d.Type, D3DXPT_FLOAT) << name;
  EXPECT_EQ(d.Rows * d.Columns * d.Elements, 1u) << name;
  EXPECT_EQ(d.Bytes, 4u) << name;
  EXPECT_EQ(d.DefaultValue, nullptr) << name;
}

} // namespace

TEST(ModuleShaders, WaveCompilesToTheExpectedCode) {
  const Compiled c = Wave();
  ASSERT_EQ(c.status, D3D_OK) << c.messages;
  EXPECT_TRUE(c.messages.empty()) << c.messages;
  EXPECT_EQ(InstructionLines(c.tokens), kWaveAssembly);
  EXPECT_EQ(BrokenRules(c.tokens, "vs_1_1"), std::vector<std::string>());
  // Tokens as the format spells them: version, declarations, a dp4 into oPos, the end.
  EXPECT_EQ(c.tokens.front(), 0xFFFE0101u);
  EXPECT_EQ(c.tokens.back(), 0x0000FFFFu);
  EXPECT_TRUE(Contains(c.tokens, {0x0000001F, 0x80000000, 0x900F0000})); // dcl_position v0
  EXPECT_TRUE(Contains(c.tokens, {0x0000001F, 0x80000005, 0x900F0001})); // dcl_texcoord v1
  EXPECT_TRUE(
      Contains(c.tokens, {0x00000009, 0xC0010000, 0x80E40001, 0xA0E40000})); // dp4 oPos.x, r1, c0
  EXPECT_TRUE(Contains(c.tokens,
                       {0x00000013, 0x80020002, 0x80000001})); // frc r2.y, r1.x (no length in 1.x)
  EXPECT_TRUE(Contains(c.tokens, {0x00000001, 0xE0030000, 0x90E40001})); // mov oT0.xy, v1
  // The text assembles back to the same tokens, the constant table apart.
  const Compiled again = Assemble(Disassembly(c.tokens));
  ASSERT_EQ(again.status, D3D_OK) << again.messages;
  EXPECT_EQ(again.tokens, WithoutComments(c.tokens));
}

TEST(ModuleShaders, ColorShiftCompilesToTheExpectedCode) {
  const Compiled c = ColorShift();
  ASSERT_EQ(c.status, D3D_OK) << c.messages;
  EXPECT_EQ(InstructionLines(c.tokens), kColorShiftAssembly);
  EXPECT_EQ(BrokenRules(c.tokens, "ps_2_0"), std::vector<std::string>());
  EXPECT_EQ(c.tokens.front(), 0xFFFF0200u);
  EXPECT_TRUE(Contains(c.tokens, {0x0200001F, 0x80000000, 0xB0030000})); // dcl t0.xy
  EXPECT_TRUE(Contains(c.tokens, {0x0200001F, 0x90000000, 0xA00F0800})); // dcl_2d s0
  EXPECT_TRUE(
      Contains(c.tokens, {0x03000042, 0x800F0000, 0xB0E40000, 0xA0E40800})); // texld r0, t0, s0
  EXPECT_TRUE(
      Contains(c.tokens, {0x04000058, 0x80010001, 0x80000003, 0x80550000, 0x80550001})); // cmp
  EXPECT_TRUE(Contains(c.tokens, {0x02000001, 0x800F0800, 0x80E40002})); // mov oC0, r2
  const Compiled again = Assemble(Disassembly(c.tokens));
  ASSERT_EQ(again.status, D3D_OK) << again.messages;
  EXPECT_EQ(again.tokens, WithoutComments(c.tokens));
}

TEST(ModuleShaders, ConstantTablesNameWhatTheRenderersSet) {
  const Compiled wave = Wave();
  ASSERT_EQ(wave.status, D3D_OK);
  D3DXCONSTANTTABLE_DESC desc{};
  ASSERT_EQ(wave.table->GetDesc(&desc), D3D_OK);
  EXPECT_EQ(desc.Version, D3DVS_VERSION(1, 1));
  EXPECT_EQ(desc.Constants, 4u);
  EXPECT_STREQ(desc.Creator, "ZRQ HLSL compiler 1.0");
  const D3DXCONSTANT_DESC m = Desc(wave.table, "mWorldViewProj");
  EXPECT_EQ(m.RegisterSet, D3DXRS_FLOAT4);
  EXPECT_EQ(m.RegisterIndex, 0u);
  EXPECT_EQ(m.RegisterCount, 4u);
  EXPECT_EQ(m.Class, D3DXPC_MATRIX_COLUMNS);
  EXPECT_EQ(m.Type, D3DXPT_FLOAT);
  EXPECT_EQ(m.Rows, 4u);
  EXPECT_EQ(m.Columns, 4u);
  EXPECT_EQ(m.Bytes, 64u);
  ExpectFloatConstant(wave.table, "fEffectValue", 4);
  ExpectFloatConstant(wave.table, "fWaveHeight", 5);
  ExpectFloatConstant(wave.table, "fObjectHeight", 6);

  const Compiled shift = ColorShift();
  ASSERT_EQ(shift.status, D3D_OK);
  ASSERT_EQ(shift.table->GetDesc(&desc), D3D_OK);
  EXPECT_EQ(desc.Version, D3DPS_VERSION(2, 0));
  EXPECT_EQ(desc.Constants, 4u);
  ExpectFloatConstant(shift.table, "fEffectValue", 0);
  ExpectFloatConstant(shift.table, "fOffsetX", 1);
  ExpectFloatConstant(shift.table, "fOffsetY", 2);
  const D3DXCONSTANT_DESC s = Desc(shift.table, "picture");
  EXPECT_EQ(s.RegisterSet, D3DXRS_SAMPLER);
  EXPECT_EQ(s.RegisterIndex, 0u);
  EXPECT_EQ(s.Class, D3DXPC_OBJECT);
  EXPECT_EQ(s.Type, D3DXPT_SAMPLER2D);
  EXPECT_EQ(shift.table->GetSamplerIndex("picture"), 0u);
}

// The wave's vertex positions: the code against the formula computed in C++, over the mesh
// the renderer builds and across effect values, to 1e-5.
TEST(ModuleShaders, WaveComputesTheWaveFormula) {
  const Compiled c = Wave();
  ASSERT_EQ(c.status, D3D_OK);
  std::mt19937 random(11);
  std::uniform_real_distribution<float> entry(-1.0f, 1.0f);
  D3DXMATRIX m;
  for (int i = 0; i < 16; ++i) m.m[i / 4][i % 4] = entry(random);
  const float s = 1.5f, height = 0.2f * s;
  for (float v : {0.0f, 0.05f, 0.25f, 0.5f, 0.75f, 1.0f}) {
    ShaderInterpreter shader(c.tokens);
    ASSERT_TRUE(shader.Error().empty()) << shader.Error();
    for (int k = 0; k < 4; ++k) shader.SetConstant(k, {m.m[0][k], m.m[1][k], m.m[2][k], m.m[3][k]});
    shader.SetConstant(4, {v, 0, 0, 0});
    shader.SetConstant(5, {height, 0, 0, 0});
    shader.SetConstant(6, {s, 0, 0, 0});
    for (int r = 0; r < 2; ++r)
      for (int k = 0; k < 128; ++k) {
        const float x = k * 0.015748031f - 1.0f, y = r * s - s / 2, u = k * 0.007874016f,
                    tv = 1.0f - r;
        shader.SetInput(D3DDECLUSAGE_POSITION, 0, {x, y, 0.0f, 1.0f});
        shader.SetInput(D3DDECLUSAGE_TEXCOORD, 0, {u, tv, 0, 0});
        ASSERT_TRUE(shader.Run());
        const float depth = v * height;
        const float angle = 9.42477798f / std::max(v, 1.0e-6f);
        const double offset = depth * std::sin(static_cast<double>(x * angle));
        const double waved = y * (s - 2.0 * depth) / s + offset;
        const double position[4] = {x, waved, 0.0, 1.0};
        const Float4 out = shader.Position();
        for (int j = 0; j < 4; ++j) {
          double expected = 0;
          for (int i = 0; i < 4; ++i) expected += position[i] * m.m[i][j];
          EXPECT_NEAR(out[j], expected, 1e-5)
              << "v " << v << " row " << r << " column " << k << " lane " << j;
        }
        const Float4 t = shader.TexCoordOut(0);
        EXPECT_EQ(t[0], u);
        EXPECT_EQ(t[1], tv);
      }
  }
}

// Each colour shift on a small picture with point sampling: red (and above half strength
// green) from the displaced spot, the rest from the spot itself, exactly.
TEST(ModuleShaders, ColorShiftSamplesTheShiftedChannels) {
  const Compiled c = ColorShift();
  ASSERT_EQ(c.status, D3D_OK);
  constexpr int kSize = 8;
  std::mt19937 random(205);
  std::vector<Float4> texels(kSize * kSize);
  for (Float4 &t : texels)
    for (float &x : t) x = static_cast<float>(random() % 256) / 255.0f;
  const auto point = [&](const Float4 &uv) {
    const auto clamp = [](float f) {
      return std::min(kSize - 1, std::max(0, static_cast<int>(std::floor(f * kSize))));
    };
    return texels[clamp(uv[1]) * kSize + clamp(uv[0])];
  };
  for (float v : {0.0f, 0.25f, 0.5f, 0.6f, 0.75f, 1.0f}) {
    const float b = v <= 0.25f   ? -0.25f * v
                    : v <= 0.5f  ? -0.25f * (0.5f - v)
                    : v <= 0.75f ? 0.25f * (v - 0.5f)
                                 : 0.25f * (1.0f - v);
    for (const Float4 offset : {Float4{b, 0, 0, 0}, Float4{0, b, 0, 0}, Float4{b, b, 0, 0}}) {
      ShaderInterpreter shader(c.tokens);
      shader.sample = [&](UINT sampler, const Float4 &uv) {
        EXPECT_EQ(sampler, 0u);
        return point(uv);
      };
      shader.SetConstant(0, {v, 0, 0, 0});
      shader.SetConstant(1, {offset[0], 0, 0, 0});
      shader.SetConstant(2, {offset[1], 0, 0, 0});
      for (int py = 0; py < kSize; ++py)
        for (int px = 0; px < kSize; ++px) {
          const float tu = (px + 0.5f) / kSize, tv = (py + 0.5f) / kSize;
          shader.SetTexCoord(0, {tu, tv, 0, 0});
          ASSERT_TRUE(shader.Run());
          Float4 expected = point({tu, tv, 0, 0});
          expected[0] = point({tu + offset[0], tv + offset[1], 0, 0})[0];
          if (v > 0.5f)
            expected[1] = point({tu + offset[0] * 0.5f, tv + offset[1] * 0.5f, 0, 0})[1];
          EXPECT_EQ(shader.ColorOut(0), expected) << "v " << v << " pixel " << px << "," << py;
        }
    }
  }
}
