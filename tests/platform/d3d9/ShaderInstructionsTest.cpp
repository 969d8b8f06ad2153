// The device's shader instructions against the reference interpreter, on ordinary and edge
// values (NaN, infinities, denormals, zeros of both signs), and the lanes of the vector paths
// against one lane at a time on random programs: the bits must agree.
#include <gtest/gtest.h>

#include "platform/d3d9/ShaderLanes.h"
#include "platform/d3dx9/ShaderInterpreter.h"
#include "platform/d3dx9/ShaderTestSupport.h"

#include <cmath>
#include <limits>
#include <random>

namespace zrq::d3d9 {
namespace {

using test::Float4;

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kEdges[] = {0.0f,    -0.0f, 1.0f,   -1.0f, 0.5f,  3.7f, -2.25f, 1e-40f,
                            -1e-41f, 1e30f, -1e30f, kInf,  -kInf, kNaN, 100.0f, -0.3f};
constexpr int kEdgeCount = static_cast<int>(std::size(kEdges));

ShaderProgram Translate(const std::vector<DWORD> &tokens) {
  ShaderProgram program;
  EXPECT_TRUE(TranslateShader(tokens, &program));
  return program;
}

std::vector<DWORD> AssembleOrFail(const std::string &source) {
  test::Compiled c = test::Assemble(source);
  EXPECT_EQ(c.status, S_OK) << c.messages << source;
  return c.tokens;
}

// Equal as results: the same NaN-ness, the same infinity, or within 1e-5 (relative above 1).
bool Agree(float device, float reference) {
  if (std::isnan(reference) || std::isnan(device))
    return std::isnan(reference) && std::isnan(device);
  if (std::isinf(reference) || std::isinf(device)) return device == reference;
  return std::fabs(device - reference) <= 1e-5f * std::max(1.0f, std::fabs(reference));
}

// One pixel-shader instruction on t0..t2, every edge value in every source position.
// Arguments of the first source beyond `range` are left out (sincos is accurate to its range).
void CheckPixelInstruction(const std::string &line, int sources, uint8_t resultMask = 0xF,
                           float range = kInf) {
  const std::string source =
      "ps_2_0\ndef c10, -1.5500992e-006, -2.1701389e-005, 0.0026041667, 0.00026041668\n"
      "def c11, -0.020833334, -0.125, 1, 0.5\ndcl t0\ndcl t1\ndcl t2\n" +
      line + "\nmov oC0, r0\n";
  const std::vector<DWORD> tokens = AssembleOrFail(source);
  const ShaderProgram program = Translate(tokens);
  test::ShaderInterpreter reference(tokens);
  ASSERT_TRUE(reference.Error().empty()) << reference.Error();
  LaneFile<1> f{};
  float constants[32][4] = {};
  for (const ShaderProgram::Definition &d : program.definitions)
    std::copy(d.value, d.value + 4, constants[d.index]);
  const ShaderEnvironment env{constants, 32, nullptr, false};
  const int combinations = sources == 1 ? kEdgeCount : kEdgeCount * kEdgeCount;
  for (int k = 0; k < combinations; ++k) {
    // The first source takes every value; the others walk the values against it, each
    // component a little apart so that swizzles and dot products see different numbers.
    Float4 in[3];
    for (int s = 0; s < 3; ++s)
      for (int i = 0; i < 4; ++i) {
        const int pick = s == 0 ? k % kEdgeCount : (k / kEdgeCount + s * i) % kEdgeCount;
        in[s][i] = s == 0 && i > 0 ? kEdges[(pick + 3 * i) % kEdgeCount] : kEdges[pick];
      }
    for (int s = 0; s < 3; ++s) {
      reference.SetTexCoord(s, in[s]);
      for (int i = 0; i < 4; ++i) f.r[reg::kTexture + s][i][0] = in[s][i];
    }
    if (std::fabs(in[0][0]) > range && std::isfinite(in[0][0])) continue;
    reference.Run();
    RunLanes<1>(program, env, f);
    const Float4 expected = reference.Read(d3dx9::RegisterType::Temp, 0);
    for (int i = 0; i < 4; ++i) {
      if (!(resultMask & (1u << i))) continue;
      EXPECT_TRUE(Agree(f.r[reg::kTemp][i][0], expected[i]))
          << line << " component " << i << ": device " << f.r[reg::kTemp][i][0] << ", reference "
          << expected[i] << " from (" << in[0][0] << ", " << in[0][1] << ", " << in[0][2] << ", "
          << in[0][3] << "), (" << in[1][0] << ", " << in[1][1] << ", " << in[1][2] << ", "
          << in[1][3] << ")";
    }
  }
}

TEST(ShaderInstructions, ComponentwiseArithmeticMatchesTheReferenceOnEdgeValues) {
  CheckPixelInstruction("mov r0, t0", 1);
  CheckPixelInstruction("add r0, t0, t1", 2);
  CheckPixelInstruction("add r0, t0, -t1.yzwx", 2);
  CheckPixelInstruction("sub r0, t0, t1", 2);
  CheckPixelInstruction("mul r0, t0, t1", 2);
  CheckPixelInstruction("mad r0, t0, t1, t2", 2);
  CheckPixelInstruction("min r0, t0, t1", 2);
  CheckPixelInstruction("max r0, t0, t1", 2);
  CheckPixelInstruction("cmp r0, t0, t1, t2", 2);
  CheckPixelInstruction("lrp r0, t0, t1, t2", 2);
  CheckPixelInstruction("abs r0, t0", 1);
  CheckPixelInstruction("mov_sat r0, t0", 1);
}

TEST(ShaderInstructions, FractionsMatchTheReferenceOnEdgeValues) {
  CheckPixelInstruction("frc r0, t0", 1);
}

TEST(ShaderInstructions, ScalarFunctionsMatchTheReferenceOnEdgeValues) {
  // rcp of 0 is an infinity, rsq of a negative number is that of its magnitude.
  CheckPixelInstruction("rcp r0, t0.x", 1);
  CheckPixelInstruction("rsq r0, t0.x", 1);
  CheckPixelInstruction("exp r0, t0.x", 1);
  CheckPixelInstruction("log r0, t0.x", 1);
  CheckPixelInstruction("pow r0, t0.x, t1.x", 2);
}

TEST(ShaderInstructions, DotProductsMatchTheReferenceOnEdgeValues) {
  CheckPixelInstruction("dp3 r0, t0, t1", 2);
  CheckPixelInstruction("dp4 r0, t0, t1", 2);
  CheckPixelInstruction("dp2add r0, t0, t1, t2.x", 2);
}

TEST(ShaderInstructions, SineAndCosineMatchTheReference) {
  // Beyond the edge values (of which only the modest ones have exact references here), a sweep
  // over several turns in both directions.
  CheckPixelInstruction("sincos r0.xy, t0.x, c10, c11", 1, 0x3, 1e5f);
  const std::vector<DWORD> tokens =
      AssembleOrFail("ps_2_0\ndef c10, 0, 0, 0, 0\ndef c11, 0, 0, 0, 0\ndcl t0\nsincos r0.xy, "
                     "t0.x, c10, c11\nmov oC0, r0\n");
  const ShaderProgram program = Translate(tokens);
  LaneFile<1> f{};
  float constants[32][4] = {};
  const ShaderEnvironment env{constants, 32, nullptr, false};
  for (float x = -40.0f; x <= 40.0f; x += 0.01f) {
    f.r[reg::kTexture][0][0] = x;
    RunLanes<1>(program, env, f);
    ASSERT_NEAR(f.r[reg::kTemp][0][0], std::cos(static_cast<double>(x)), 1e-6) << x;
    ASSERT_NEAR(f.r[reg::kTemp][1][0], std::sin(static_cast<double>(x)), 1e-6) << x;
  }
}

TEST(ShaderInstructions, VertexOnlyInstructionsComputeTheirDefinitions) {
  const std::vector<DWORD> tokens = AssembleOrFail(
      "vs_2_0\ndcl_position v0\ndcl_texcoord0 v1\n"
      "slt oT0, v0, v1\nsge oT1, v0, v1\nsgn oT2, v0, r10, r11\nlit oT3, v1\ndst oT4, v0, v1\n"
      "mova a0.x, v1.x\nmov oT5, c[a0.x + 2]\nmov oPos, v0\n");
  const ShaderProgram program = Translate(tokens);
  LaneFile<1> f{};
  float constants[reg::kConstants][4] = {};
  constants[4][0] = 42.0f;
  const ShaderEnvironment env{constants, reg::kConstants, nullptr, false};
  const float v0[4] = {-2.0f, 0.0f, 3.0f, kNaN}, v1[4] = {2.0f, 0.5f, 3.0f, 2.0f};
  for (int i = 0; i < 4; ++i) f.r[reg::kInput][i][0] = v0[i], f.r[reg::kInput + 1][i][0] = v1[i];
  RunLanes<1>(program, env, f);
  auto r = [&](int n) {
    const float(*o)[1] = f.r[reg::kTexCoordOut + n];
    return Float4{o[0][0], o[1][0], o[2][0], o[3][0]};
  };
  EXPECT_EQ(r(0), (Float4{1, 1, 0, 0}));
  EXPECT_EQ(r(1), (Float4{0, 0, 1, 0}));
  EXPECT_EQ(r(2)[0], -1.0f);
  EXPECT_EQ(r(2)[1], 0.0f);
  EXPECT_EQ(r(2)[2], 1.0f);
  // lit of (2, 0.5, _, 2): (1, 2, 0.5², 1).
  EXPECT_EQ(r(3)[0], 1.0f);
  EXPECT_EQ(r(3)[1], 2.0f);
  EXPECT_NEAR(r(3)[2], 0.25f, 1e-6f);
  EXPECT_EQ(r(3)[3], 1.0f);
  EXPECT_EQ(r(4), (Float4{1, 0, 3, 2}));
  // mova rounds 2.0 to 2: c[2 + 2].
  EXPECT_EQ(r(5)[0], 42.0f);
}

TEST(ShaderInstructions, RelativeAddressingOutsideTheConstantsReadsZero) {
  const std::vector<DWORD> tokens = AssembleOrFail(
      "vs_1_1\ndcl_position v0\nmov a0.x, v0.x\nmov r0, c[a0.x + 250]\nmov oPos, r0\n");
  const ShaderProgram program = Translate(tokens);
  LaneFile<1> f{};
  float constants[reg::kConstants][4];
  std::fill(&constants[0][0], &constants[0][0] + reg::kConstants * 4, 7.0f);
  const ShaderEnvironment env{constants, reg::kConstants, nullptr, false};
  for (const float a : {5.9f, 6.0f, -300.0f, kNaN, kInf}) {
    f.r[reg::kInput][0][0] = a;
    RunLanes<1>(program, env, f);
    // vs_1_1 takes the floor: 5.9 reads c255; 6 and the rest lie outside.
    EXPECT_EQ(f.r[reg::kTemp][0][0], a == 5.9f ? 7.0f : 0.0f) << a;
  }
}

TEST(ShaderInstructions, TokensTheDeviceCannotRunAreRefused) {
  auto refused = [](const std::string &source) {
    ShaderProgram program;
    return !TranslateShader(AssembleOrFail(source), &program);
  };
  EXPECT_FALSE(refused("ps_2_0\ndcl t0\nmov oC0, t0\n"));
  EXPECT_TRUE(refused("ps_2_0\nmov oC0, c40\n"));              // ps_2_0 has 32 constants
  EXPECT_TRUE(refused("ps_2_0\nmov r12, c0\nmov oC0, r12\n")); // and 12 temporaries
  EXPECT_TRUE(refused("vs_1_1\nsincos r0.xy, c0.x, c1, c2\nmov oPos, r0\n")); // 2.0 and later only
  EXPECT_TRUE(refused("vs_2_0\ndcl_position v0\nrep i0\nmov oPos, v0\nendrep\n")); // flow control
  EXPECT_TRUE(refused("vs_3_0\ndcl_position v0\ndcl_position o0\nmov o0, v0\n"));
  // A truncated stream: an instruction whose parameters run into the end token.
  std::vector<DWORD> tokens = AssembleOrFail("ps_2_0\nadd r0, c0, c1\nmov oC0, r0\n");
  tokens.erase(tokens.end() - 5, tokens.end() - 1);
  ShaderProgram program;
  EXPECT_FALSE(TranslateShader(tokens, &program));
}

TEST(ShaderInstructions, DamagedTokensAreRefusedOrRunWithinTheirRegisters) {
  // Random bits flipped in real programs: whatever the translation accepts must run without
  // touching memory outside the registers, constants and texture (the sanitizers watch).
  const std::vector<DWORD> originals[] = {
      AssembleOrFail("ps_2_0\ndef c3, 0.5, 0, 0, 0\ndcl t0.xy\ndcl_2d s0\ntexld r0, t0, s0\nadd "
                     "r1.xy, t0, c1\n"
                     "texld r1, r1, s0\ncmp r0.x, c0.x, r0.x, r1.x\nmov oC0, r0\n"),
      AssembleOrFail(
          "vs_1_1\ndcl_position v0\ndcl_texcoord0 v1\nmov a0.x, v1.x\nm4x4 oPos, v0, c[a0.x + 4]\n"
          "mul r0, v1, c2\nexpp r1, r0.x\nmov oT0, r1\nmov oD0, v1\n"),
  };
  const uint32_t texels[4] = {0xFF102030, 0x80405060, 0x00708090, 0xFFA0B0C0};
  StageSetup samplers[16] = {};
  for (StageSetup &s : samplers) {
    s.hasTexture = true;
    s.texture = {texels, 2, 2, 2, 0};
    s.sampler = {D3DTADDRESS_WRAP, D3DTADDRESS_CLAMP, D3DTEXF_POINT, D3DTEXF_LINEAR, 0};
  }
  float constants[reg::kConstants][4] = {};
  std::mt19937 rng(7);
  int accepted = 0;
  for (int round = 0; round < 4000; ++round) {
    std::vector<DWORD> tokens = originals[round % 2];
    for (int flips = 1 + static_cast<int>(rng() % 3); flips > 0; --flips)
      tokens[1 + rng() % (tokens.size() - 2)] ^= 1u << (rng() % 32);
    ShaderProgram program;
    if (!TranslateShader(tokens, &program)) continue;
    ++accepted;
    const ShaderEnvironment env{constants, program.pixel ? 32 : reg::kConstants, samplers,
                                round % 3 == 0};
    LaneFile<8> f{};
    for (auto &r : f.r)
      for (auto &c : r)
        for (float &x : c) x = static_cast<float>(static_cast<int>(rng() % 2001) - 1000) / 37.0f;
    RunLanes<8>(program, env, f);
  }
  EXPECT_GT(accepted, 0);
}

// A random ps_2_0 program of arithmetic on t0..t3 and c0..c3, every temporary written before
// it is read.
std::string RandomProgram(std::mt19937 &rng) {
  static const char *const kOps[] = {"add", "sub", "mul", "mad",    "min", "max", "cmp",
                                     "lrp", "frc", "abs", "rcp",    "rsq", "exp", "log",
                                     "dp3", "dp4", "pow", "dp2add", "nrm", "crs"};
  static const char *const kSwizzles[] = {"", ".x", ".yzwx", ".wzyx", ".xxyy", ".z"};
  std::string text = "ps_2_0\ndcl t0\ndcl t1\ndcl t2\ndcl t3\n";
  int written = 0;
  auto operand = [&](bool scalar) {
    std::string s = (rng() % 4 == 0) ? "-" : "";
    const int n = static_cast<int>(rng() % (4 + written));
    s += n < 4 ? (rng() % 2 ? "t" : "c") + std::to_string(n) : "r" + std::to_string(n - 4);
    return s + (scalar ? ".x" : kSwizzles[rng() % std::size(kSwizzles)]);
  };
  for (int k = 0; k < 12; ++k) {
    const std::string op = kOps[rng() % std::size(kOps)];
    const int dst = std::min(written, static_cast<int>(rng() % 6));
    const bool scalar = op == "rcp" || op == "rsq" || op == "exp" || op == "log" || op == "pow";
    const int sources = op == "mad" || op == "cmp" || op == "lrp" || op == "dp2add" ? 3
                        : (op == "frc" || op == "abs" || op == "nrm" || (scalar && op != "pow"))
                            ? 1
                            : 2;
    const std::string mask =
        op == "crs" || op == "nrm" ? ".xyz" : (dst == written ? "" : (rng() % 2 ? ".xy" : ""));
    text += op + (rng() % 5 == 0 && op != "crs" ? "_sat" : "") + " r" + std::to_string(dst) + mask;
    for (int s = 0; s < sources; ++s) text += ", " + operand(scalar || (op == "dp2add" && s == 2));
    text += "\n";
    if (dst == written && mask.empty()) ++written;
    if (written == 0) written = 1;
  }
  return text + "mov oC0, r0\n";
}

template <int N>
void RunEachAlone(const ShaderProgram &program, const ShaderEnvironment &env, const LaneFile<N> &in,
                  LaneFile<N> &out) {
  for (int l = 0; l < N; ++l) {
    LaneFile<1> one{};
    for (int r = 0; r < reg::kCount; ++r)
      for (int i = 0; i < 4; ++i) one.r[r][i][0] = in.r[r][i][l];
    RunLanes<1>(program, env, one);
    for (int r = 0; r < reg::kCount; ++r)
      for (int i = 0; i < 4; ++i) out.r[r][i][l] = one.r[r][i][0];
  }
}

template <int N> void CheckLanesAgainstOneAtATime(uint32_t seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> value(-4.0f, 4.0f);
  for (int round = 0; round < 200; ++round) {
    const std::string text = RandomProgram(rng);
    test::Compiled c = test::Assemble(text);
    if (c.status != S_OK) continue; // a random combination the assembler rejects
    ShaderProgram program;
    ASSERT_TRUE(TranslateShader(c.tokens, &program)) << text;
    float constants[32][4];
    for (auto &k : constants)
      for (float &x : k) x = value(rng);
    const ShaderEnvironment env{constants, 32, nullptr, false};
    LaneFile<N> lanes{}, alone{};
    for (int t = 0; t < 4; ++t)
      for (int i = 0; i < 4; ++i)
        for (int l = 0; l < N; ++l) {
          const int pick = static_cast<int>(rng() % 10);
          lanes.r[reg::kTexture + t][i][l] = pick == 0 ? kEdges[rng() % kEdgeCount] : value(rng);
        }
    RunEachAlone<N>(program, env, lanes, alone);
    RunLanes<N>(program, env, lanes);
    for (int r = 0; r < reg::kCount; ++r)
      for (int i = 0; i < 4; ++i)
        for (int l = 0; l < N; ++l) {
          // Which of two NaNs an operation passes on may follow the order of its operands,
          // which a vector instruction may take the other way round: NaNs agree as NaNs.
          const float x = lanes.r[r][i][l], y = alone.r[r][i][l];
          if (std::isnan(x) && std::isnan(y)) continue;
          ASSERT_EQ(shadermath::Word(x), shadermath::Word(y))
              << text << "register " << r << " component " << i << " lane " << l;
        }
  }
}

TEST(ShaderInstructions, BlocksOfLanesGiveTheBitsOfOneAtATime) {
  CheckLanesAgainstOneAtATime<4>(11);
  CheckLanesAgainstOneAtATime<8>(12);
  CheckLanesAgainstOneAtATime<kShaderBlock>(13);
}

} // namespace
} // namespace zrq::d3d9
