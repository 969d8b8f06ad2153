// Broken sources: each fails with D3DXERR_INVALIDDATA, no tokens, no table, and a message that
// names the file, line and column, the error number and the reason. The limits of each
// profile (registers, instruction slots, dependent reads) are errors of their own.
#include <d3dx9.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/d3dx9/ShaderTestSupport.h"

using namespace zrq::test;

namespace {

struct Broken {
  const char *profile;
  std::string source;
  const char *message; // found in the messages
};

void ExpectFailure(const Broken &b) {
  SCOPED_TRACE(b.source);
  const Compiled c = Compile(b.source, b.profile);
  EXPECT_EQ(c.status, D3DXERR_INVALIDDATA);
  EXPECT_TRUE(c.tokens.empty());
  EXPECT_EQ(c.table, nullptr);
  EXPECT_NE(c.messages.find(b.message), std::string::npos) << c.messages;
}

// n live values at once: n texture reads, all added up only at the end.
std::string ManyLiveValues(int n) {
  std::string s = "sampler2D t;\nfloat4 main(float2 uv : TEXCOORD0) : COLOR {\n";
  for (int i = 0; i < n; ++i)
    s += "  float4 v" + std::to_string(i) + " = tex2D(t, uv * " + std::to_string(i + 1) + ");\n";
  s += "  return v0";
  for (int i = 1; i < n; ++i) s += " * v" + std::to_string(i);
  return s + ";\n}\n";
}

} // namespace

TEST(CompileErrors, LanguageErrorsNameTheirPlace) {
  const Broken cases[] = {
      {"vs_1_1", "float4 main() : POSITION {\n  return x;\n}\n",
       "memory(2,10): error X3004: undeclared identifier 'x'"},
      {"ps_2_0", "float4 main() : COLOR {\n  float4 c = 1\n  return c;\n}\n",
       "memory(3,3): error X3000: syntax error: unexpected 'return', ';' expected"},
      {"ps_2_0", "float4 main() : COLOR {\n  return float3(1, 2);\n}\n",
       "memory(2,10): error X3014: 'float3' needs 3 components, not 2"},
      {"ps_2_0", "float4 main() : COLOR {\n  float4 c;\n  return c;\n}\n",
       "memory(1,8): error X4000: output 'main' (COLOR) is not completely initialized"},
      {"ps_2_0", "float4 k;\nfloat4 main() : COLOR {\n  k = 1;\n  return k;\n}\n",
       "memory(3,3): error X3025: l-value specifies const object 'k'"},
      {"ps_2_0", "float4 main(float4 c : COLOR0) : COLOR {\n  return c.xyzq;\n}\n",
       "memory(2,11): error X3018: invalid subscript 'xyzq' of 'float4'"},
      {"ps_2_0", "float4 main(float4 c) : COLOR {\n  return c;\n}\n",
       "memory(1,20): error X3502: an input of type 'float4' has no semantic"},
      {"vs_1_1", "float4 main(float4 p : POSITION) : TEXCOORD0 {\n  return p;\n}\n",
       "error X3502: the vertex shader must write POSITION"},
      {"ps_2_0", "float4 main(float4 c : POSITION) : COLOR {\n  return c;\n}\n",
       "memory(1,20): error X3503: 'POSITION' is not an input semantic of ps_2_0"},
      {"ps_2_0", "float f(float x) { return f(x); }\nfloat4 main() : COLOR {\n  return f(1);\n}\n",
       "error X3500: recursive calls are not allowed ('f')"},
      {"ps_2_0",
       "float4 main(float4 c : COLOR0) : COLOR {\n  for (int i = 0; i < c.x; i++) c *= 2;\n  "
       "return c;\n}\n",
       "memory(2,21): error X3511: unable to unroll the loop"},
      {"ps_2_0",
       "float4 main(float4 c : COLOR0) : COLOR {\n  float a[2] = {1, 2};\n  return a[2];\n}\n",
       "memory(3,11): error X3018: index 2 is out of bounds for 'float[2]'"},
      {"vs_1_1",
       "sampler2D s;\nfloat4 main(float4 p : POSITION) : POSITION {\n  return tex2D(s, p.xy);\n}\n",
       "memory(3,10): error X4501: 'tex2D' is not available in vs_1_1"},
      {"ps_2_0", "float4 main(float4 c : COLOR0) : COLOR {\n  return c & 1;\n}\n",
       "memory(2,12): error X3532: operator '&' is not supported"},
      {"ps_2_0", "float4 main(float4 c : COLOR0) : COLOR {\n  return mul(c, c.xyz);\n}\n",
       "memory(2,10): error X3013: mul cannot multiply 'float4' by 'float3'"},
      {"ps_2_0", "float4 main() : COLOR {\n  return lerp(1, 2);\n}\n",
       "error X3014: 'lerp' takes 3 arguments, not 2"},
      {"ps_2_0", "float4 main() : COLOR {\n  /* unterminated\n  return 0;\n}\n",
       "memory(2,3): error X1001: unterminated comment"},
  };
  for (const Broken &b : cases) ExpectFailure(b);
}

TEST(CompileErrors, EntryPointAndProfileAreChecked) {
  const Compiled entry =
      Compile("float4 main() : COLOR { return 0; }\nfloat4 Main();", "ps_2_0", "Main");
  EXPECT_EQ(entry.status, D3DXERR_INVALIDDATA);
  EXPECT_NE(entry.messages.find("error X3501: 'Main': entrypoint not found"), std::string::npos)
      << entry.messages;
  for (const char *profile : {"ps_1_1", "vs_3_0", "ps_3_0", "fx_2_0", ""}) {
    const Compiled c = Compile("float4 main() : COLOR { return 0; }", profile);
    EXPECT_EQ(c.status, D3DXERR_INVALIDDATA) << profile;
    EXPECT_NE(c.messages.find("error X4500: invalid target"), std::string::npos) << c.messages;
  }
}

TEST(CompileErrors, RegisterLimitsOfEachProfile) {
  // Temporaries: twelve live values fit, thirteen do not.
  EXPECT_EQ(Compile(ManyLiveValues(12), "ps_2_0").status, D3D_OK);
  ExpectFailure(
      {"ps_2_0", ManyLiveValues(13),
       "memory(2,8): error X5001: the shader needs 13 temporary registers; ps_2_0 has 12"});
  // Constants: 32 in ps_2_0, 96 in vs_1_1, a bound register beyond them.
  const std::string array =
      "float4 k[40];\nfloat4 main(float4 p : POSITION) : POSITION {\n  float4 s = 0;\n"
      "  for (int i = 0; i < 40; i++) s += k[i];\n  return s * p;\n}\n";
  ExpectFailure({"ps_2_0", "float4 k[40];\nfloat4 main() : COLOR {\n  return k[39];\n}\n",
                 "error X5002: the shader needs more than the 32 constant registers of ps_2_0"});
  EXPECT_EQ(Compile(array, "vs_1_1").status, D3D_OK);
  ExpectFailure({"ps_2_0", "float4 k : register(c40);\nfloat4 main() : COLOR {\n  return k;\n}\n",
                 "memory(1,8): error X5004: 'k' is bound to c40, beyond the 32 constant registers "
                 "of ps_2_0"});
  ExpectFailure({"ps_2_0",
                 "float4 a : register(c1);\nfloat4 b : register(c1);\nfloat4 main() : COLOR {\n  "
                 "return a + b;\n}\n",
                 "memory(2,8): error X5004: 'b' is bound to c1, which another uniform has"});
  ExpectFailure({"ps_2_0",
                 "sampler2D s : register(s16);\nfloat4 main(float2 t : TEXCOORD0) : COLOR {\n  "
                 "return tex2D(s, t);\n}\n",
                 "memory(1,11): error X5004: 's' cannot be bound to s16"});
  // Inputs: texture coordinates t0 to t7 only.
  ExpectFailure({"ps_2_0", "float4 main(float4 t : TEXCOORD8) : COLOR {\n  return t;\n}\n",
                 "'TEXCOORD8' is not an input semantic of ps_2_0"});
}

TEST(CompileErrors, InstructionSlotsAndDependentReads) {
  const auto sines = [](int n) {
    return "float4 main(float4 c : TEXCOORD0) : COLOR {\n  for (int i = 0; i < " +
           std::to_string(n) + "; i++) c = sin(c);\n  return c;\n}\n";
  };
  EXPECT_EQ(Compile(sines(1), "ps_2_0").status, D3D_OK);
  ExpectFailure({"ps_2_0", sines(4), "error X5005: the shader needs"});
  ExpectFailure({"ps_2_0", sines(4), "arithmetic instruction slots; ps_2_0 has 64"});
  const auto chain = [](int n) {
    std::string s =
        "sampler2D t;\nfloat4 main(float2 uv : TEXCOORD0) : COLOR {\n  float4 c = tex2D(t, uv);\n";
    for (int i = 1; i < n; ++i) s += "  c = tex2D(t, c.xy);\n";
    return s + "  return c;\n}\n";
  };
  EXPECT_EQ(Compile(chain(4), "ps_2_0").status, D3D_OK);
  ExpectFailure(
      {"ps_2_0", chain(5),
       "memory(7,7): error X5007: texture reads depend on texture reads more than 4 deep"});
}

TEST(CompileErrors, CallsInsideReturnsAndLongChains) {
  // A return whose value calls a function that itself lacks a return value.
  ExpectFailure(
      {"vs_1_1",
       "float f(float x) { }\nfloat4 main(float4 p : POSITION) : POSITION { return f(p.x); }\n",
       "memory(1,7): error X3080: 'f': function must return a value"});
  std::string chain = "float4 main(float4 p : POSITION) : POSITION { return p";
  for (int i = 0; i < 1200; ++i) chain += " + p";
  ExpectFailure({"vs_1_1", chain + "; }\n", "error X3058: the expression nests too deeply"});
}
