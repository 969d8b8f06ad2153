// Constant tables on the platform's software device: each Set method writes the registers
// of the constant it names, laid out as the compiled code reads them (a column-major matrix
// a column a register), for vertex or pixel shaders by the table's version; handles and
// names find constants, elements and samplers; damaged tables are refused.
#include <d3dx9.h>
#include <zrqresource.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/d3dx9/ShaderTestSupport.h"
#include "support/TestDevice.h"

using namespace zrq::test;

namespace {

using Registers = std::vector<std::array<float, 4>>;

Registers VertexConstants(IDirect3DDevice9 *device, UINT start, UINT count) {
  Registers r(count);
  EXPECT_EQ(device->GetVertexShaderConstantF(start, r[0].data(), count), D3D_OK);
  return r;
}

Registers PixelConstants(IDirect3DDevice9 *device, UINT start, UINT count) {
  Registers r(count);
  EXPECT_EQ(device->GetPixelShaderConstantF(start, r[0].data(), count), D3D_OK);
  return r;
}

D3DXMATRIX Counting() {
  D3DXMATRIX m;
  for (int i = 0; i < 16; ++i) m.m[i / 4][i % 4] = static_cast<float>(i + 1);
  return m;
}

// Uses every uniform so that each gets its registers.
const char kShader[] = "float f;\n"
                       "float3 v = {1, 2, 3};\n"
                       "float4x4 cm;\n"
                       "row_major float4x3 rm;\n"
                       "float2 a[3];\n"
                       "sampler2D s : register(s3);\n"
                       "struct O { float4 p : POSITION; float4 t : TEXCOORD0; };\n"
                       "O main(float4 p : POSITION) {\n"
                       "  O o;\n"
                       "  o.p = mul(p, cm) + float4(mul(p, rm), 0) + f;\n"
                       "  o.t = float4(v, a[0].x + a[1].y + a[2].x);\n"
                       "  return o;\n"
                       "}\n";

} // namespace

TEST(ConstantTable, SetMethodsWriteTheRegistersOfEachLayout) {
  TestDevice held(16, 16, DepthBuffer::No);
  CComPtr<IDirect3DDevice9> device = held.device;
  ASSERT_NE(device, nullptr);
  const Compiled c = Compile(kShader, "vs_2_0");
  ASSERT_EQ(c.status, D3D_OK) << c.messages;
  ID3DXConstantTable *t = c.table;
  const auto reg = [&](const char *name) {
    D3DXCONSTANT_DESC d{};
    EXPECT_EQ(t->GetConstantDesc(t->GetConstantByName(nullptr, name), &d, nullptr), D3D_OK) << name;
    return d;
  };
  const D3DXMATRIX m = Counting();

  // A column-major matrix: register k holds column k.
  ASSERT_EQ(t->SetMatrix(device, "cm", &m), D3D_OK);
  const Registers cm = VertexConstants(device, reg("cm").RegisterIndex, 4);
  for (int k = 0; k < 4; ++k)
    for (int r = 0; r < 4; ++r) EXPECT_EQ(cm[k][r], m.m[r][k]);
  // SetMatrixTranspose writes the transposed matrix.
  ASSERT_EQ(t->SetMatrixTranspose(device, "cm", &m), D3D_OK);
  const Registers cmt = VertexConstants(device, reg("cm").RegisterIndex, 4);
  for (int k = 0; k < 4; ++k)
    for (int r = 0; r < 4; ++r) EXPECT_EQ(cmt[k][r], m.m[k][r]);

  // A row-major 4x3 matrix: a row a register, its three columns in x, y, z.
  const D3DXCONSTANT_DESC rm = reg("rm");
  EXPECT_EQ(rm.Class, D3DXPC_MATRIX_ROWS);
  EXPECT_EQ(rm.RegisterCount, 4u);
  ASSERT_EQ(t->SetMatrix(device, "rm", &m), D3D_OK);
  const Registers rows = VertexConstants(device, rm.RegisterIndex, 4);
  for (int r = 0; r < 4; ++r)
    EXPECT_EQ(rows[r], (std::array<float, 4>{m.m[r][0], m.m[r][1], m.m[r][2], 0.0f}));

  // Scalars and vectors: the register's first lanes, zeros after.
  ASSERT_EQ(t->SetFloat(device, "f", 2.5f), D3D_OK);
  EXPECT_EQ(VertexConstants(device, reg("f").RegisterIndex, 1)[0],
            (std::array<float, 4>{2.5f, 0, 0, 0}));
  const D3DXVECTOR4 vector(7, 8, 9, 10);
  ASSERT_EQ(t->SetVector(device, "v", &vector), D3D_OK);
  EXPECT_EQ(VertexConstants(device, reg("v").RegisterIndex, 1)[0],
            (std::array<float, 4>{7, 8, 9, 0}));
  const INT ints[3] = {-1, 2, 3};
  ASSERT_EQ(t->SetIntArray(device, "v", ints, 3), D3D_OK);
  EXPECT_EQ(VertexConstants(device, reg("v").RegisterIndex, 1)[0],
            (std::array<float, 4>{-1, 2, 3, 0}));

  // Arrays: an element a register; a float array fills them in order.
  const D3DXCONSTANT_DESC a = reg("a");
  EXPECT_EQ(a.Elements, 3u);
  EXPECT_EQ(a.RegisterCount, 3u);
  EXPECT_EQ(a.Bytes, 24u);
  const float values[6] = {1, 2, 3, 4, 5, 6};
  ASSERT_EQ(t->SetFloatArray(device, "a", values, 6), D3D_OK);
  const Registers elements = VertexConstants(device, a.RegisterIndex, 3);
  for (int e = 0; e < 3; ++e)
    EXPECT_EQ(elements[e], (std::array<float, 4>{values[2 * e], values[2 * e + 1], 0, 0}));
  D3DXHANDLE second = t->GetConstantElement("a", 1);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(t->GetConstantByName(nullptr, "a[1]"), second);
  D3DXCONSTANT_DESC element{};
  ASSERT_EQ(t->GetConstantDesc(second, &element, nullptr), D3D_OK);
  EXPECT_EQ(element.RegisterIndex, a.RegisterIndex + 1);
  EXPECT_EQ(element.Elements, 1u);
  ASSERT_EQ(t->SetFloat(device, second, 9), D3D_OK);
  EXPECT_EQ(VertexConstants(device, a.RegisterIndex + 1, 1)[0], (std::array<float, 4>{9, 0, 0, 0}));
}

TEST(ConstantTable, DefaultsHandlesAndSamplers) {
  TestDevice held(16, 16, DepthBuffer::No);
  CComPtr<IDirect3DDevice9> device = held.device;
  ASSERT_NE(device, nullptr);
  const Compiled c = Compile(kShader, "vs_2_0");
  ASSERT_EQ(c.status, D3D_OK) << c.messages;
  ID3DXConstantTable *t = c.table;
  D3DXCONSTANTTABLE_DESC desc{};
  ASSERT_EQ(t->GetDesc(&desc), D3D_OK);
  // Constants by name: a, cm, f, rm, v (the sampler is not used, so not listed).
  ASSERT_EQ(desc.Constants, 5u);
  const char *names[] = {"a", "cm", "f", "rm", "v"};
  for (UINT i = 0; i < desc.Constants; ++i) {
    D3DXHANDLE h = t->GetConstant(nullptr, i);
    ASSERT_NE(h, nullptr);
    D3DXCONSTANT_DESC d{};
    ASSERT_EQ(t->GetConstantDesc(h, &d, nullptr), D3D_OK);
    EXPECT_STREQ(d.Name, names[i]);
    EXPECT_EQ(t->GetConstantByName(nullptr, names[i]), h);
  }
  EXPECT_EQ(t->GetConstant(nullptr, desc.Constants), nullptr);
  EXPECT_EQ(t->GetConstantByName(nullptr, "s"), nullptr);
  EXPECT_EQ(t->GetSamplerIndex("f"), static_cast<UINT>(-1));

  // v's initializer is its default, written by SetDefaults.
  D3DXCONSTANT_DESC v{};
  ASSERT_EQ(t->GetConstantDesc("v", &v, nullptr), D3D_OK);
  ASSERT_NE(v.DefaultValue, nullptr);
  EXPECT_EQ(std::memcmp(v.DefaultValue, std::array<float, 4>{1, 2, 3, 0}.data(), 16), 0);
  ASSERT_EQ(t->SetDefaults(device), D3D_OK);
  EXPECT_EQ(VertexConstants(device, v.RegisterIndex, 1)[0], (std::array<float, 4>{1, 2, 3, 0}));

  EXPECT_EQ(t->SetFloat(nullptr, "f", 1), D3DERR_INVALIDCALL);
  EXPECT_EQ(t->SetFloat(device, "nothing", 1), D3DERR_INVALIDCALL);
  EXPECT_EQ(t->SetFloatArray(device, "f", nullptr, 1), D3DERR_INVALIDCALL);
  EXPECT_EQ(t->GetDesc(nullptr), D3DERR_INVALIDCALL);
  void *p = nullptr;
  EXPECT_EQ(t->QueryInterface(IID_ID3DXBuffer, &p), S_OK);
  EXPECT_EQ(p, static_cast<void *>(t));
  t->Release();

  // In a pixel shader the sampler is listed with its register, and Set writes pixel
  // constants.
  const Compiled ps =
      Compile("sampler2D s : register(s3);\nfloat4 k;\n"
              "float4 main(float2 uv : TEXCOORD0) : COLOR { return tex2D(s, uv) * k; }",
              "ps_2_0");
  ASSERT_EQ(ps.status, D3D_OK) << ps.messages;
  EXPECT_EQ(ps.table->GetSamplerIndex("s"), 3u);
  EXPECT_EQ(ps.table->SetFloat(device, "s", 1), D3DERR_INVALIDCALL);
  const D3DXVECTOR4 k(1, 2, 3, 4);
  ASSERT_EQ(ps.table->SetVector(device, "k", &k), D3D_OK);
  EXPECT_EQ(PixelConstants(device, 0, 1)[0], (std::array<float, 4>{1, 2, 3, 4}));
}

TEST(ConstantTable, DamagedTablesAreRefused) {
  const Compiled c = Compile(kShader, "vs_2_0");
  ASSERT_EQ(c.status, D3D_OK);
  // The table is the first comment: its size word follows the tag.
  std::vector<DWORD> tokens = c.tokens;
  ASSERT_EQ(tokens[1] & 0xFFFF, 0xFFFEu);
  ASSERT_EQ(tokens[2], 0x42415443u);
  const size_t words = (tokens[1] >> 16) - 1;
  const auto refused = [&](size_t word, DWORD value) {
    std::vector<DWORD> damaged = tokens;
    damaged[3 + word] = value;
    CComPtr<ID3DXConstantTable> table;
    return D3DXGetShaderConstantTable(damaged.data(), &table) == D3DXERR_INVALIDDATA && !table;
  };
  EXPECT_TRUE(refused(0, 27));                            // header size
  EXPECT_TRUE(refused(1, static_cast<DWORD>(words * 4))); // creator past the end
  EXPECT_TRUE(refused(3, 0x10000));                       // more constants than could fit
  EXPECT_TRUE(refused(4, 0xFFFFFFF0));                    // descriptions past the end
  CComPtr<ID3DXConstantTable> table;
  EXPECT_EQ(D3DXGetShaderConstantTable(tokens.data(), &table), D3D_OK);
}

// What the wave and colour-shift renderers set reaches the registers their code reads.
TEST(ConstantTable, TheRenderersSettersReachTheDeviceRegisters) {
  TestDevice held(16, 16, DepthBuffer::No);
  CComPtr<IDirect3DDevice9> device = held.device;
  ASSERT_NE(device, nullptr);
  CComPtr<ID3DXBuffer> shader;
  CComPtr<ID3DXConstantTable> wave, shift;
  ASSERT_EQ(D3DXCompileShaderFromResourceW(ZrqThisModule(), MAKEINTRESOURCEW(201), nullptr, nullptr,
                                           "Wave", "vs_1_1", 0, &shader, nullptr, &wave),
            D3D_OK);
  shader.Release();
  ASSERT_EQ(D3DXCompileShaderFromResourceW(ZrqThisModule(), MAKEINTRESOURCEW(205), nullptr, nullptr,
                                           "main", "ps_2_0", D3DXSHADER_DEBUG, &shader, nullptr,
                                           &shift),
            D3D_OK);
  const D3DXMATRIX m = Counting();
  ASSERT_EQ(wave->SetMatrix(device, "mWorldViewProj", &m), D3D_OK);
  ASSERT_EQ(wave->SetFloat(device, "fEffectValue", 0.5f), D3D_OK);
  ASSERT_EQ(wave->SetFloat(device, "fWaveHeight", 0.3f), D3D_OK);
  ASSERT_EQ(wave->SetFloat(device, "fObjectHeight", 1.5f), D3D_OK);
  const Registers c = VertexConstants(device, 0, 7);
  for (int k = 0; k < 4; ++k)
    for (int r = 0; r < 4; ++r) EXPECT_EQ(c[k][r], m.m[r][k]);
  EXPECT_EQ(c[4], (std::array<float, 4>{0.5f, 0, 0, 0}));
  EXPECT_EQ(c[5], (std::array<float, 4>{0.3f, 0, 0, 0}));
  EXPECT_EQ(c[6], (std::array<float, 4>{1.5f, 0, 0, 0}));
  ASSERT_EQ(shift->SetFloat(device, "fEffectValue", 0.75f), D3D_OK);
  ASSERT_EQ(shift->SetFloat(device, "fOffsetX", 0.0625f), D3D_OK);
  ASSERT_EQ(shift->SetFloat(device, "fOffsetY", -0.0625f), D3D_OK);
  const Registers p = PixelConstants(device, 0, 3);
  EXPECT_EQ(p[0][0], 0.75f);
  EXPECT_EQ(p[1][0], 0.0625f);
  EXPECT_EQ(p[2][0], -0.0625f);
}
