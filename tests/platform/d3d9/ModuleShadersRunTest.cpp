// The module's wave shader as the device runs it: every mesh vertex lands where the wave's
// formula puts it.
#include <gtest/gtest.h>

#include "platform/d3d9/ShaderLanes.h"
#include "platform/d3dx9/ShaderTestSupport.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace zrq::d3d9 {
namespace {

std::string SourceFile(const std::string &relative) {
  const char *root = std::getenv("ZRQ_SOURCE_DIR");
  std::ifstream in(std::string(root ? root : ".") + "/" + relative);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

UINT RegisterOf(ID3DXConstantTable *table, const char *name) {
  D3DXCONSTANT_DESC desc{};
  UINT count = 1;
  EXPECT_EQ(table->GetConstantDesc(table->GetConstantByName(nullptr, name), &desc, &count), S_OK)
      << name;
  return desc.RegisterIndex;
}

TEST(ModuleShadersRun, WaveVerticesFollowTheWaveFormula) {
  const test::Compiled wave =
      test::Compile(SourceFile("render/shaders/Wave.hlsl"), "vs_1_1", "Wave");
  ASSERT_EQ(wave.status, S_OK) << wave.messages;
  ShaderProgram program;
  ASSERT_TRUE(TranslateShader(wave.tokens, &program));
  // A projection that scales and moves, so that every row of the matrix counts.
  const double matrix[4][4] = {{0.5, 0, 0, 0}, {0, 0.75, 0, 0}, {0, 0, 1, 0}, {0.125, -0.25, 0, 1}};
  const double waveHeight = 0.3, objectHeight = 1.5;
  float constants[reg::kConstants][4] = {};
  const UINT m = RegisterOf(wave.table, "mWorldViewProj");
  // The table's matrices are column-major in the registers: register m + j holds column j.
  for (int j = 0; j < 4; ++j)
    for (int i = 0; i < 4; ++i) constants[m + j][i] = static_cast<float>(matrix[i][j]);
  constants[RegisterOf(wave.table, "fWaveHeight")][0] = static_cast<float>(waveHeight);
  constants[RegisterOf(wave.table, "fObjectHeight")][0] = static_cast<float>(objectHeight);
  const UINT value = RegisterOf(wave.table, "fEffectValue");
  for (const ShaderProgram::Definition &d : program.definitions)
    std::copy(d.value, d.value + 4, constants[d.index]);
  ASSERT_EQ(program.inputs.size(), 2u);
  for (const double v : {0.05, 0.25, 0.5, 0.8, 1.0}) {
    constants[value][0] = static_cast<float>(v);
    const ShaderEnvironment env{constants, reg::kConstants, nullptr, false};
    for (int row = 0; row < 2; ++row)
      for (int k = 0; k < 128; ++k) {
        const float x = k * 0.015748031f - 1.0f, y = row ? 0.75f : -0.75f, u = k * 0.007874016f;
        LaneFile<1> f{};
        for (const ShaderInput &in : program.inputs) {
          const float position[4] = {x, y, 0, 1}, texture[4] = {u, 1.0f - row, 0, 1};
          for (int i = 0; i < 4; ++i)
            f.r[reg::kInput + in.reg][i][0] =
                in.usage == D3DDECLUSAGE_POSITION ? position[i] : texture[i];
        }
        RunLanes<1>(program, env, f);
        const double depth = v * waveHeight, angle = 3.0 * 3.1415926 / v;
        const double waved =
            y * (objectHeight - 2 * depth) / objectHeight + depth * std::sin(x * angle);
        const double p[4] = {x, waved, 0, 1};
        for (int j = 0; j < 4; ++j) {
          const double expected =
              p[0] * matrix[0][j] + p[1] * matrix[1][j] + p[2] * matrix[2][j] + p[3] * matrix[3][j];
          ASSERT_NEAR(f.r[reg::kPosition][j][0], expected, 1e-5)
              << "value " << v << ", row " << row << ", column " << k;
        }
        EXPECT_EQ(f.r[reg::kTexCoordOut][0][0], u);
        EXPECT_EQ(f.r[reg::kTexCoordOut][1][0], 1.0f - row);
      }
  }
}

} // namespace
} // namespace zrq::d3d9
