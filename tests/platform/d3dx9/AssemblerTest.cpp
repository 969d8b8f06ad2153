// The assembler and the disassembler: the tokens of known instructions, text that round-trips
// to identical tokens in every form the disassembler writes, and the errors of each.
#include <d3dx9.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/d3dx9/ShaderTestSupport.h"

using namespace zrq::test;

namespace {

// Assembles, disassembles, assembles again: the second tokens must equal the first.
void ExpectRoundTrip(const std::string &source) {
  SCOPED_TRACE(source);
  const Compiled first = Assemble(source);
  ASSERT_EQ(first.status, D3D_OK) << first.messages;
  const std::string text = Disassembly(first.tokens);
  ASSERT_FALSE(text.empty());
  const Compiled second = Assemble(text);
  ASSERT_EQ(second.status, D3D_OK) << second.messages << text;
  EXPECT_EQ(second.tokens, first.tokens) << text;
}

} // namespace

TEST(Assembler, WritesTheTokensOfTheFormat) {
  const Compiled vs = Assemble("vs_1_1\n"
                               "def c0, 1, 0.5, -2, 0\n"
                               "dcl_position v0\n"
                               "dcl_texcoord2 v3\n"
                               "dp4 oPos.x, v0, c4   ; a comment\n"
                               "mad r1.xy, -v3.yxzw, c0.x, r0  // another\n"
                               "mov r2, c[a0.x + 5]\n"
                               "mov oD0, r1.xyyy\n");
  ASSERT_EQ(vs.status, D3D_OK) << vs.messages;
  const std::vector<DWORD> expected = {0xFFFE0101, 0x00000051, 0xA00F0000, 0x3F800000, 0x3F000000,
                                       0xC0000000, 0x00000000, 0x0000001F, 0x80000000, 0x900F0000,
                                       0x0000001F, 0x80020005, 0x900F0003, 0x00000009, 0xC0010000,
                                       0x90E40000, 0xA0E40004, 0x00000004, 0x80030001, 0x91E10003,
                                       0xA0000000, 0x80E40000, 0x00000001, 0x800F0002, 0xA0E42005,
                                       0x00000001, 0xD00F0000, 0x80540001, 0x0000FFFF};
  EXPECT_EQ(vs.tokens, expected);

  // From 2.0 instructions carry their length, and relative addresses a token of their own.
  const Compiled ps = Assemble("ps_2_0\n"
                               "dcl t0.xy\n"
                               "dcl_2d s1\n"
                               "texld_pp r0, t0, s1\n"
                               "mul_sat r1.w, r0, c2\n"
                               "mov oC0, r0\n");
  ASSERT_EQ(ps.status, D3D_OK) << ps.messages;
  const std::vector<DWORD> pixel = {0xFFFF0200, 0x0200001F, 0x80000000, 0xB0030000, 0x0200001F,
                                    0x90000000, 0xA00F0801, 0x03000042, 0x802F0000, 0xB0E40000,
                                    0xA0E40801, 0x03000005, 0x80180001, 0x80E40000, 0xA0E40002,
                                    0x02000001, 0x800F0800, 0x80E40000, 0x0000FFFF};
  EXPECT_EQ(ps.tokens, pixel);
  const Compiled relative = Assemble("vs_2_0\nmova a0.x, r0.x\nmov r1, c3[a0.y]\n");
  ASSERT_EQ(relative.status, D3D_OK) << relative.messages;
  EXPECT_EQ(relative.tokens,
            (std::vector<DWORD>{0xFFFE0200, 0x0200002E, 0xB0010000, 0x80000000, 0x03000001,
                                0x800F0001, 0xA0E42003, 0xB0550000, 0x0000FFFF}));
}

TEST(Assembler, EveryFormTheDisassemblerWritesRoundTrips) {
  ExpectRoundTrip("vs_1_1\n"
                  "def c95, 1e-30, -0, 3.4028235e+38, 0.1\n"
                  "dcl_position v0\ndcl_normal1 v1\ndcl_color v2\ndcl_blendweight v3\n"
                  "mov r0, c[a0.x + 7]\nmov a0.x, r0.x\nfrc r1.xy, r0.wzyx\nexpp r2, r0.z\nlogp "
                  "r2.y, r0.w\nlit r3, r0\n"
                  "dst r4, r0, r1\nm4x4 oPos, v0, c0\nm3x3 r5.xyz, v1, c4\nsge r6, r0, -r1\nslt "
                  "r6.w, r0.x, c1.z\n"
                  "mov oFog, r0.x\nmov oPts, r0.y\nmov oT7.xz, r6\nmov oD1, v2\n");
  ExpectRoundTrip("vs_2_0\n"
                  "defi i0, 4, -1, 1, 0\ndefb b3, true\ndef c10, -1.5500992e-06, -2.1701389e-05, "
                  "0.0026041667, 0.00026041668\n"
                  "def c11, -0.020833334, -0.125, 1, 0.5\ndcl_texcoord v0\n"
                  "rep i0\nadd r0, r0, c0\nendrep\nif b3\nsincos r1.xy, r0.x, c10, c11\nelse\nabs "
                  "r1, -r0\nendif\n"
                  "loop aL, i0\nmov r2, c1[aL.x]\nendloop\nif_lt r0.x, r1.y\nbreak\nendif\ncall "
                  "l2\nret\nlabel l2\n"
                  "pow r3.w, r0.x, r1.y\ncrs r4.xyz, r0, r1\nnrm r5.xyz, r4\nlrp r6, r0, r1, "
                  "r2\nsgn r7, r0, r1, r2\nmov oPos, r0\n");
  ExpectRoundTrip("ps_2_0\n"
                  "def c0, 0.5, 0x7f800000, 0xff800000, 0x7fc00000\n"
                  "dcl t0.xy\ndcl t7\ndcl v0.xyz\ndcl v1\ndcl_2d s0\ndcl_cube s1\ndcl_volume s2\n"
                  "texld r0, t0, s0\ntexldp r1, t7, s1\ntexldb_pp r2, r0, s2\ntexkill t7\n"
                  "cmp r3, -r0, c0.x, r1.yzxw\ndp2add r4.x, r0, r1.zxyw, c0.w\nmad_sat r5.xyz, v0, "
                  "r0.wzyx, -c0\n"
                  "rcp r6.x, r0.y\nrsq r6.y, r0.z\nexp r6.z, r0.w\nlog_pp r6.w, r0.x\nfrc r7, "
                  "r5\nmin r8, r0, r1\nmax r9, r8, v1\n"
                  "mov oC0, r9\nmov oC1, r0\nmov oDepth, r6.x\n");
}

TEST(Assembler, ErrorsNameLineAndColumn) {
  struct Case {
    std::string source;
    const char *message;
  } cases[] = {
      {"vs_1_1\nmov r0, c0\nfoo r0, c0\n", "memory(3,1): error X2001: unknown instruction 'foo'"},
      {"vs_1_1\nmov q0, c0\n", "memory(2,5): error X2002: 'q0' is not a register"},
      {"vs_1_1\nmov r0.yx, c0\n", "memory(2,8): error X2002: 'yx' is not a write mask"},
      {"vs_1_1\nadd r0, c0\n", "error X2002: ',' expected at the end of the line"},
      {"vs_1_1\nmov r0, c0, c1\n", "memory(2,11): error X2000: unexpected ','"},
      {"ps_2_0\ndcl_2d s0\nmov r0, v2_abz\n",
       "memory(3,9): error X2002: unknown source modifier '_abz'"},
      {"ps_2_0\ndcl_2d t0\n", "memory(2,1): error X2002: 'dcl_2d' cannot declare t0"},
      {"ps_2_0\ndcl_texcoord t0\n", "memory(2,1): error X2002: 'dcl_texcoord' cannot declare t0"},
      {"vs_1_1\ndcl_texcoord2 s3\n", "memory(2,1): error X2002: 'dcl_texcoord2' cannot declare s3"},
      {"mov r0, c0\n", "memory(1,1): error X2003: shader version expected"},
      {"ps_1_1\nmov r0, v0\n",
       "memory(1,1): error X2003: pixel shaders before 2.0 are not supported"},
      {"vs_1_1\ndef c0, 1, 2, x, 4\n", "memory(2,15): error X2002: 'x' is not a number"},
      {"", "error X2003: shader version expected"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.source);
    const Compiled out = Assemble(c.source);
    EXPECT_EQ(out.status, D3DXERR_INVALIDDATA);
    EXPECT_TRUE(out.tokens.empty());
    EXPECT_NE(out.messages.find(c.message), std::string::npos) << out.messages;
  }
}

TEST(Disassembler, DamagedTokensAreInvalidDataAndTheCommentsHeadTheText) {
  CComPtr<ID3DXBuffer> text;
  const DWORD unknown[] = {0xFFFE0101, 0x00000077, 0x0000FFFF};
  EXPECT_EQ(D3DXDisassembleShader(unknown, FALSE, nullptr, &text), D3DXERR_INVALIDDATA);
  EXPECT_EQ(text, nullptr);
  const DWORD notAShader[] = {0x12345678, 0x0000FFFF};
  EXPECT_EQ(D3DXDisassembleShader(notAShader, FALSE, nullptr, &text), D3DXERR_INVALIDDATA);
  // A 2.0 mov whose length leaves out its source. (The functions take no length, so they
  // trust the lengths to find the end: damage that hides the end token cannot be caught.)
  const DWORD shortened[] = {0xFFFF0200, 0x01000001, 0x800F0000, 0x0000FFFF};
  EXPECT_EQ(D3DXGetShaderSize(shortened), 16u);
  EXPECT_EQ(D3DXDisassembleShader(shortened, FALSE, nullptr, &text), D3DXERR_INVALIDDATA);
  EXPECT_EQ(D3DXDisassembleShader(nullptr, FALSE, nullptr, &text), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXGetShaderVersion(nullptr), 0u);

  const DWORD nop[] = {0xFFFE0101, 0x00000000, 0x0000FFFF};
  ASSERT_EQ(D3DXDisassembleShader(nop, TRUE, "first\nsecond", &text), D3D_OK);
  const std::string disassembly = static_cast<const char *>(text->GetBufferPointer());
  EXPECT_EQ(disassembly.rfind("// first\n// second\n    vs_1_1\n    nop\n", 0), 0u) << disassembly;
}
