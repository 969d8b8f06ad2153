// Each construct of the language subset, compiled for every profile, checked against the rules
// a runtime checks when it creates a shader, and run by the reference interpreter on random
// inputs against the same computation in C++ (to 1e-5, relative to the value's size where it
// exceeds 1).
#include <d3dx9.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>
#include <string>

#include "platform/d3dx9/ShaderInterpreter.h"
#include "platform/d3dx9/ShaderRules.h"
#include "platform/d3dx9/ShaderTestSupport.h"

using namespace zrq::test;

namespace {

struct Inputs {
  Float4 a, b, u;
  float m[4][4]; // the uniform matrix, m[row][column]
};

using Expected = std::function<Float4(const Inputs &)>;

struct Case {
  const char *name;
  const char *helpers; // declarations before the entry point
  const char *body;    // computes float4 r from a, b, u and m
  Expected expected;
};

const char *const kProfiles[] = {"vs_1_1", "vs_2_0", "ps_2_0"};

std::string Source(const char *profile, const Case &c) {
  const std::string common = std::string("float4 u;\nfloat4x4 m;\n") + c.helpers + "\n";
  if (profile[0] == 'p')
    return common +
           "float4 main(float4 a : TEXCOORD0, float4 b : TEXCOORD1) : COLOR {\n  float4 r;\n  " +
           c.body + "\n  return r;\n}\n";
  return common +
         "struct Out { float4 position : POSITION; float4 result : TEXCOORD0; };\n"
         "Out main(float4 a : TEXCOORD0, float4 b : TEXCOORD1) {\n  Out o;\n  o.position = a;\n  "
         "float4 r;\n  " +
         c.body + "\n  o.result = r;\n  return o;\n}\n";
}

UINT RegisterOf(ID3DXConstantTable *table, const char *name) {
  D3DXCONSTANT_DESC d{};
  UINT count = 1;
  if (FAILED(table->GetConstantDesc(table->GetConstantByName(nullptr, name), &d, &count)))
    return ~0u;
  return d.RegisterIndex;
}

// Runs `c` in every profile on a number of random inputs.
void Check(const Case &c, int runs = 24, float range = 2.0f) {
  for (const char *profile : kProfiles) {
    SCOPED_TRACE(std::string(c.name) + " in " + profile);
    const Compiled compiled = Compile(Source(profile, c), profile);
    ASSERT_EQ(compiled.status, D3D_OK) << compiled.messages << Source(profile, c);
    EXPECT_EQ(BrokenRules(compiled.tokens, profile), std::vector<std::string>())
        << Disassembly(compiled.tokens);
    const UINT u = RegisterOf(compiled.table, "u"), m = RegisterOf(compiled.table, "m");
    std::mt19937 random(7);
    std::uniform_real_distribution<float> value(-range, range);
    for (int run = 0; run < runs; ++run) {
      Inputs in;
      for (float *x : {&in.a[0], &in.b[0], &in.u[0]})
        for (int i = 0; i < 4; ++i) x[i] = value(random);
      for (auto &row : in.m)
        for (float &x : row) x = value(random);
      ShaderInterpreter shader(compiled.tokens);
      ASSERT_TRUE(shader.Error().empty()) << shader.Error();
      if (u != ~0u) shader.SetConstant(u, in.u);
      if (m != ~0u)
        for (int k = 0; k < 4; ++k)
          shader.SetConstant(m + k, {in.m[0][k], in.m[1][k], in.m[2][k], in.m[3][k]});
      const bool pixel = profile[0] == 'p';
      if (pixel) {
        shader.SetTexCoord(0, in.a);
        shader.SetTexCoord(1, in.b);
      } else {
        shader.SetInput(D3DDECLUSAGE_TEXCOORD, 0, in.a);
        shader.SetInput(D3DDECLUSAGE_TEXCOORD, 1, in.b);
      }
      ASSERT_TRUE(shader.Run());
      ASSERT_TRUE(shader.Error().empty()) << shader.Error() << "\n" << Disassembly(compiled.tokens);
      const Float4 got = pixel ? shader.ColorOut(0) : shader.TexCoordOut(0);
      const Float4 want = c.expected(in);
      for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(got[i], want[i], 1e-5 * std::max(1.0f, std::fabs(want[i])))
            << "lane " << i << " run " << run << "\n"
            << Disassembly(compiled.tokens);
    }
  }
}

} // namespace

TEST(HlslConstructs, ArithmeticSwizzlesAndWriteMasks) {
  Check({"arithmetic", "", "r = a * b + u;", [](const Inputs &i) {
           Float4 r;
           for (int k = 0; k < 4; ++k) r[k] = i.a[k] * i.b[k] + i.u[k];
           return r;
         }});
  Check({"swizzles", "", "r = a.wzyx - b.xxyy * 2;", [](const Inputs &i) {
           return Float4{i.a[3] - i.b[0] * 2, i.a[2] - i.b[0] * 2, i.a[1] - i.b[1] * 2,
                         i.a[0] - i.b[1] * 2};
         }});
  Check({"division and negation", "", "r = -a.yzxw / (abs(b) + 1);", [](const Inputs &i) {
           const Float4 a{-i.a[1], -i.a[2], -i.a[0], -i.a[3]};
           Float4 r;
           for (int k = 0; k < 4; ++k) r[k] = a[k] / (std::fabs(i.b[k]) + 1);
           return r;
         }});
  Check({"write masks", "", "r = 0; r.xz = a.yw; r.w = b.x + u.y; r.y = 3; r.x += 1;",
         [](const Inputs &i) {
           return Float4{i.a[1] + 1, 3, i.a[3], i.b[0] + i.u[1]};
         }});
}

TEST(HlslConstructs, ComparisonsConditionalsAndIfElse) {
  Check({"vector ?:", "", "r = a > b ? a : b;", [](const Inputs &i) {
           Float4 r;
           for (int k = 0; k < 4; ++k) r[k] = i.a[k] > i.b[k] ? i.a[k] : i.b[k];
           return r;
         }});
  Check({"comparisons", "",
         "r = float4(a.x == a.x, a.y != b.y, a.z <= b.z, a.w >= 0) + float4(a.x < 0 && b.x < 0, "
         "a.y < 0 || b.y < 0, !(a.z > 0), 0);",
         [](const Inputs &i) {
           return Float4{1.0f + (i.a[0] < 0 && i.b[0] < 0),
                         (i.a[1] != i.b[1] ? 1.0f : 0.0f) + (i.a[1] < 0 || i.b[1] < 0),
                         (i.a[2] <= i.b[2] ? 1.0f : 0.0f) + !(i.a[2] > 0),
                         i.a[3] >= 0 ? 1.0f : 0.0f};
         }});
  Check({"if and else", "", "if (a.x > 0) r = a; else r = b; if (b.y < u.x) { r.y = 7; r.z *= 2; }",
         [](const Inputs &i) {
           Float4 r = i.a[0] > 0 ? i.a : i.b;
           if (i.b[1] < i.u[0]) {
             r[1] = 7;
             r[2] *= 2;
           }
           return r;
         }});
  Check({"nested if", "",
         "r = 0; if (a.x > 0) { if (a.y > 0) r.x = 1; else r.x = 2; } else if (a.z > 0) r.x = 3; "
         "r.yzw = a.xyz;",
         [](const Inputs &i) {
           const float x = i.a[0] > 0 ? (i.a[1] > 0 ? 1.0f : 2.0f) : (i.a[2] > 0 ? 3.0f : 0.0f);
           return Float4{x, i.a[0], i.a[1], i.a[2]};
         }});
}

TEST(HlslConstructs, LoopsUnrolledWithBreakAndContinue) {
  Check({"for", "", "r = 0; for (int i = 0; i < 4; i++) r += a * i;", [](const Inputs &i) {
           Float4 r{};
           for (int n = 0; n < 4; ++n)
             for (int k = 0; k < 4; ++k) r[k] += i.a[k] * static_cast<float>(n);
           return r;
         }});
  Check({"break", "", "r = 0; for (int i = 0; i < 6; i++) { if (r.x > 2) break; r += abs(a); }",
         [](const Inputs &i) {
           Float4 r{};
           for (int n = 0; n < 6; ++n) {
             if (r[0] > 2) break;
             for (int k = 0; k < 4; ++k) r[k] += std::fabs(i.a[k]);
           }
           return r;
         }});
  Check({"continue and while", "",
         "r = 0; int n = 0; while (n < 4) { n++; if (a[n - 1] < 0) continue; r[n - 1] = a[n - 1] * "
         "n; }",
         [](const Inputs &i) {
           Float4 r{};
           for (int n = 1; n <= 4; ++n)
             if (!(i.a[n - 1] < 0)) r[n - 1] = i.a[n - 1] * static_cast<float>(n);
           return r;
         }});
}

TEST(HlslConstructs, FunctionsInlinedWithOutParametersAndEarlyReturns) {
  Check({"out parameters",
         "void split(float4 v, out float4 lo, out float4 hi) { lo = min(v, 0); hi = max(v, 0); }\n"
         "float twice(float x) { return x * 2; }",
         "float4 lo, hi; split(a, lo, hi); r = hi - lo + twice(b.x);", [](const Inputs &i) {
           Float4 r;
           for (int k = 0; k < 4; ++k)
             r[k] = std::max(i.a[k], 0.0f) - std::min(i.a[k], 0.0f) + i.b[0] * 2;
           return r;
         }});
  Check(
      {"early returns",
       "float sgn(float x) { if (x < 0) return -1; if (x > 0) return 1; return 0; }\n"
       "void clampInPlace(inout float4 v) { v = clamp(v, -1, 1); }",
       "r = float4(sgn(a.x), sgn(a.y), sgn(0), sgn(-b.w)); float4 c = b; clampInPlace(c); r += c;",
       [](const Inputs &i) {
         const auto sgn = [](float x) { return x < 0 ? -1.0f : x > 0 ? 1.0f : 0.0f; };
         const Float4 s{sgn(i.a[0]), sgn(i.a[1]), 0.0f, sgn(-i.b[3])};
         Float4 r;
         for (int k = 0; k < 4; ++k) r[k] = s[k] + std::min(1.0f, std::max(-1.0f, i.b[k]));
         return r;
       }});
  Check({"structs and static const",
         "struct P { float2 q; float k; };\nstatic const float kHalf = 0.5;\n"
         "P make(float4 v) { P p; p.q = v.xy; p.k = kHalf; return p; }",
         "P p = make(a); P z = (P)0; r = float4(p.q * p.k, p.k, 1 + z.k);", [](const Inputs &i) {
           return Float4{i.a[0] * 0.5f, i.a[1] * 0.5f, 0.5f, 1};
         }});
}

TEST(HlslConstructs, MatrixProductsAndVectorIntrinsics) {
  Check({"row vector times matrix", "", "r = mul(a, m);", [](const Inputs &i) {
           Float4 r{};
           for (int c = 0; c < 4; ++c)
             for (int k = 0; k < 4; ++k) r[c] += i.a[k] * i.m[k][c];
           return r;
         }});
  Check({"matrix times column vector", "", "r = mul(m, a) + mul(2, b);", [](const Inputs &i) {
           Float4 r{};
           for (int row = 0; row < 4; ++row) {
             for (int k = 0; k < 4; ++k) r[row] += i.m[row][k] * i.a[k];
             r[row] += 2 * i.b[row];
           }
           return r;
         }});
  Check({"row-major matrix", "row_major float4x4 n;",
         "r = mul(a, (float4x4)m) - mul(a, n) + mul(a.xyz, (float3x3)m).xyzz;",
         [](const Inputs &i) {
           Float4 r{};
           for (int c = 0; c < 4; ++c)
             for (int k = 0; k < 4; ++k) r[c] += i.a[k] * i.m[k][c];
           for (int c = 0; c < 3; ++c) {
             float p = 0;
             for (int k = 0; k < 3; ++k) p += i.a[k] * i.m[k][c];
             r[c] += p;
           }
           float p = 0;
           for (int k = 0; k < 3; ++k) p += i.a[k] * i.m[k][2];
           r[3] += p;
           return r; // n is not set: all zero
         }});
  Check({"dot, length, normalize", "",
         "r = float4(dot(a.xyz, b.xyz), dot(a.xy, b.xy), length(a), 0) + float4(normalize(b.xyz), "
         "0);",
         [](const Inputs &i) {
           const float d3 = i.a[0] * i.b[0] + i.a[1] * i.b[1] + i.a[2] * i.b[2];
           const float d2 = i.a[0] * i.b[0] + i.a[1] * i.b[1];
           const float len =
               std::sqrt(i.a[0] * i.a[0] + i.a[1] * i.a[1] + i.a[2] * i.a[2] + i.a[3] * i.a[3]);
           const float nb = std::sqrt(i.b[0] * i.b[0] + i.b[1] * i.b[1] + i.b[2] * i.b[2]);
           return Float4{d3 + i.b[0] / nb, d2 + i.b[1] / nb, len + i.b[2] / nb, 0};
         }});
  Check({"cross and lerp", "",
         "r = float4(cross(a.xyz, b.xyz), 0) + lerp(a, b, 0.3) + lerp(a, b, u);",
         [](const Inputs &i) {
           Float4 r{i.a[1] * i.b[2] - i.a[2] * i.b[1], i.a[2] * i.b[0] - i.a[0] * i.b[2],
                    i.a[0] * i.b[1] - i.a[1] * i.b[0], 0};
           for (int k = 0; k < 4; ++k)
             r[k] += 2 * i.a[k] + 0.3f * (i.b[k] - i.a[k]) + i.u[k] * (i.b[k] - i.a[k]);
           return r;
         }});
}

TEST(HlslConstructs, ScalarIntrinsics) {
  Check({"sin and cos", "", "r = float4(sin(a.xy * 10), cos(a.zw * 10));", [](const Inputs &i) {
           return Float4{std::sin(i.a[0] * 10), std::sin(i.a[1] * 10), std::cos(i.a[2] * 10),
                         std::cos(i.a[3] * 10)};
         }});
  Check({"sin and cos of large angles", "", "r = float4(sin(a.xy * 100), cos(a.zw * 100)) * 0.01;",
         [](const Inputs &i) {
           return Float4{std::sin(i.a[0] * 100) * 0.01f, std::sin(i.a[1] * 100) * 0.01f,
                         std::cos(i.a[2] * 100) * 0.01f, std::cos(i.a[3] * 100) * 0.01f};
         }});
  Check({"frac, abs, floor, ceil", "", "r = frac(a * 3.7) + abs(b) + floor(a) - ceil(b);",
         [](const Inputs &i) {
           Float4 r;
           for (int k = 0; k < 4; ++k) {
             const float x = i.a[k] * 3.7f;
             r[k] =
                 (x - std::floor(x)) + std::fabs(i.b[k]) + std::floor(i.a[k]) - std::ceil(i.b[k]);
           }
           return r;
         }});
  Check({"min, max, saturate, clamp", "",
         "r = min(a, b) + max(a, u) + saturate(b) + clamp(a, -0.5, 0.5);", [](const Inputs &i) {
           Float4 r;
           for (int k = 0; k < 4; ++k)
             r[k] = std::min(i.a[k], i.b[k]) + std::max(i.a[k], i.u[k]) +
                    std::min(1.0f, std::max(0.0f, i.b[k])) +
                    std::min(0.5f, std::max(-0.5f, i.a[k]));
           return r;
         }});
  Check({"rsqrt, sqrt, pow, exp2, log2", "",
         "r = rsqrt(abs(a) + 1) + sqrt(abs(b)) + pow(abs(a) + 0.5, 1.5) + exp2(b) * 0.1 + "
         "log2(abs(u) + 1);",
         [](const Inputs &i) {
           Float4 r;
           for (int k = 0; k < 4; ++k)
             r[k] = 1 / std::sqrt(std::fabs(i.a[k]) + 1) + std::sqrt(std::fabs(i.b[k])) +
                    std::pow(std::fabs(i.a[k]) + 0.5f, 1.5f) + std::exp2(i.b[k]) * 0.1f +
                    std::log2(std::fabs(i.u[k]) + 1);
           return r;
         }});
}

TEST(HlslConstructs, IntegersAreWholeNumbers) {
  Check({"int conversions and division", "",
         "int i = (int)(a.x * 3); int j = a.y * 5; r = float4(i, j, 7 / 2 + -7 / 2, 7 % 3 + "
         "(int)b.z / 2);",
         [](const Inputs &i) {
           const int x = static_cast<int>(i.a[0] * 3), y = static_cast<int>(i.a[1] * 5);
           const int z = static_cast<int>(i.b[2]);
           return Float4{static_cast<float>(x), static_cast<float>(y), 0,
                         static_cast<float>(1 + z / 2)};
         }});
}

TEST(HlslConstructs, TextureReadsAndDiscardInPixelShaders) {
  const char *source = "sampler2D s;\n"
                       "float4 main(float4 a : TEXCOORD0, float2 b : TEXCOORD1) : COLOR {\n"
                       "  clip(a.w);\n"
                       "  float4 c = tex2D(s, a.xy) + tex2D(s, b * 0.5);\n"
                       "  if (a.z < 0) discard;\n"
                       "  return c;\n"
                       "}\n";
  const Compiled compiled = Compile(source, "ps_2_0");
  ASSERT_EQ(compiled.status, D3D_OK) << compiled.messages;
  EXPECT_EQ(BrokenRules(compiled.tokens, "ps_2_0"), std::vector<std::string>());
  const auto texel = [](const Float4 &uv) { return Float4{uv[0], uv[1], uv[0] * uv[1], 1}; };
  std::mt19937 random(3);
  std::uniform_real_distribution<float> value(-1.0f, 1.0f);
  for (int run = 0; run < 32; ++run) {
    const Float4 a{value(random), value(random), value(random), value(random)};
    const Float4 b{value(random), value(random), 0, 0};
    ShaderInterpreter shader(compiled.tokens);
    shader.sample = [&](UINT, const Float4 &uv) { return texel(uv); };
    shader.SetTexCoord(0, a);
    shader.SetTexCoord(1, b);
    const bool kept = shader.Run();
    EXPECT_EQ(kept, !(a[3] < 0) && !(a[2] < 0)) << run;
    if (!kept) continue;
    const Float4 t0 = texel(a), t1 = texel({b[0] * 0.5f, b[1] * 0.5f, 0, 0});
    for (int k = 0; k < 4; ++k) EXPECT_FLOAT_EQ(shader.ColorOut(0)[k], t0[k] + t1[k]) << run;
  }
}
