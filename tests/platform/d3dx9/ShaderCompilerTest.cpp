// D3DX buffers, and the compiler's entry points: what they hand out and report, from memory
// and from module resources.
#include <d3dx9.h>
#include <zrqresource.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/d3dx9/ShaderTestSupport.h"

using namespace zrq::test;

namespace {

// Out-pointers start as garbage so that clearing them is seen.
LPD3DXBUFFER const kGarbage = reinterpret_cast<LPD3DXBUFFER>(0x1);

struct Outputs {
  LPD3DXBUFFER shader = kGarbage, errors = kGarbage;
  LPD3DXCONSTANTTABLE table = reinterpret_cast<LPD3DXCONSTANTTABLE>(0x1);
  ~Outputs() {
    for (LPD3DXBUFFER b : {shader, errors})
      if (b && b != kGarbage) b->Release();
    if (table && table != reinterpret_cast<LPD3DXCONSTANTTABLE>(0x1)) table->Release();
  }
  std::string Messages() const {
    return errors && errors != kGarbage ? static_cast<const char *>(errors->GetBufferPointer())
                                        : "";
  }
};

HRESULT CompileResource(LPCWSTR resource, Outputs &out, LPCSTR entry = "main",
                        LPCSTR profile = "ps_2_0") {
  return D3DXCompileShaderFromResourceW(ZrqThisModule(), resource, nullptr, nullptr, entry, profile,
                                        0, &out.shader, &out.errors, &out.table);
}

} // namespace

TEST(D3DXBuffer, HoldsZeroedBytesUnderOneCount) {
  LPD3DXBUFFER buffer = nullptr;
  ASSERT_EQ(D3DXCreateBuffer(12, &buffer), D3D_OK);
  EXPECT_EQ(buffer->GetBufferSize(), 12u);
  const auto *bytes = static_cast<const unsigned char *>(buffer->GetBufferPointer());
  for (int i = 0; i < 12; ++i) EXPECT_EQ(bytes[i], 0) << i;
  void *other = &buffer;
  EXPECT_EQ(buffer->QueryInterface(IID_ID3DXConstantTable, &other), E_NOINTERFACE);
  EXPECT_EQ(other, nullptr);
  EXPECT_EQ(buffer->Release(), 0u);
  ASSERT_EQ(D3DXCreateBuffer(0, &buffer), D3D_OK); // empty, still with a pointer to hand out
  EXPECT_NE(buffer->GetBufferPointer(), nullptr);
  buffer->Release();
  EXPECT_EQ(D3DXCreateBuffer(4, nullptr), D3DERR_INVALIDCALL);
}

TEST(ShaderFromResource, CompilesByNumberAndByNameInEveryForm) {
  for (LPCWSTR resource :
       {static_cast<LPCWSTR>(MAKEINTRESOURCEW(7)), static_cast<LPCWSTR>(u"PassThrough")}) {
    Outputs out;
    ASSERT_EQ(CompileResource(resource, out), D3D_OK) << out.Messages();
    ASSERT_NE(out.shader, nullptr);
    EXPECT_EQ(out.errors, nullptr); // no warnings, no buffer
    ASSERT_NE(out.table, nullptr);
    EXPECT_EQ(D3DXGetShaderVersion(static_cast<const DWORD *>(out.shader->GetBufferPointer())),
              D3DPS_VERSION(2, 0));
    EXPECT_EQ(D3DXGetShaderSize(static_cast<const DWORD *>(out.shader->GetBufferPointer())),
              out.shader->GetBufferSize());
  }
  // The narrow and the unsuffixed forms, without a message buffer or a table.
  LPD3DXBUFFER shader = kGarbage;
  ASSERT_EQ(D3DXCompileShaderFromResource(ZrqThisModule(), MAKEINTRESOURCEW(7), nullptr, nullptr,
                                          "main", "ps_2_0", D3DXSHADER_DEBUG, &shader, nullptr,
                                          nullptr),
            D3D_OK);
  shader->Release();
  for (LPCSTR name : {"passthrough", static_cast<LPCSTR>(MAKEINTRESOURCEA(7))}) {
    ASSERT_EQ(D3DXCompileShaderFromResourceA(ZrqThisModule(), name, nullptr, nullptr, "main",
                                             "ps_2_0", 0, &shader, nullptr, nullptr),
              D3D_OK);
    shader->Release();
  }
}

TEST(ShaderFromResource, MissingSourceIsInvalidDataAndMissingArgumentsAnInvalidCall) {
  // Only RCDATA holds shader source: the same file under a type of its own is not found.
  for (LPCWSTR resource :
       {static_cast<LPCWSTR>(MAKEINTRESOURCEW(8)), static_cast<LPCWSTR>(MAKEINTRESOURCEW(99)),
        static_cast<LPCWSTR>(u"NOSUCH")}) {
    Outputs out;
    EXPECT_EQ(CompileResource(resource, out), D3DXERR_INVALIDDATA);
    EXPECT_EQ(out.shader, nullptr);
    EXPECT_EQ(out.errors, nullptr);
    EXPECT_EQ(out.table, nullptr);
  }
  Outputs out;
  EXPECT_EQ(CompileResource(nullptr, out), D3DERR_INVALIDCALL);
  EXPECT_EQ(out.errors, nullptr);
  EXPECT_EQ(CompileResource(MAKEINTRESOURCEW(7), out, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(CompileResource(MAKEINTRESOURCEW(7), out, "main", nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXCompileShaderFromResourceW(ZrqThisModule(), MAKEINTRESOURCEW(7), nullptr, nullptr,
                                           "main", "ps_2_0", 0, nullptr, &out.errors, nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(out.errors, nullptr);
  EXPECT_EQ(D3DXCompileShaderFromResourceA(ZrqThisModule(), "PASS\xC3\x9FTHROUGH", nullptr, nullptr,
                                           "main", "ps_2_0", 0, &out.shader, nullptr, nullptr),
            D3DXERR_INVALIDDATA);
}

TEST(ShaderFromResource, BrokenSourceFailsWithMessagesNamingTheResource) {
  Outputs out;
  EXPECT_EQ(CompileResource(MAKEINTRESOURCEW(9), out), D3DXERR_INVALIDDATA);
  EXPECT_EQ(out.shader, nullptr);
  EXPECT_EQ(out.table, nullptr);
  EXPECT_NE(out.Messages().find("#9(3,21): error X3004: undeclared identifier 'undefinedFactor'"),
            std::string::npos)
      << out.Messages();
  // The wrong profile or entry point for good source fails the same way.
  Outputs wrongEntry;
  EXPECT_EQ(CompileResource(MAKEINTRESOURCEW(7), wrongEntry, "Main"), D3DXERR_INVALIDDATA);
  EXPECT_NE(wrongEntry.Messages().find("error X3501: 'Main': entrypoint not found"),
            std::string::npos);
  Outputs wrongProfile;
  EXPECT_EQ(CompileResource(MAKEINTRESOURCEW(7), wrongProfile, "main", "ps_3_0"),
            D3DXERR_INVALIDDATA);
  EXPECT_NE(wrongProfile.Messages().find("invalid target 'ps_3_0'"), std::string::npos);
}

TEST(CompileShader, WarningsComeWithSuccessAndContradictingFlagsAreAnInvalidCall) {
  const Compiled truncated =
      Compile("float4 main(float4 c : COLOR0) : COLOR { float2 t = c; return t.xyxy; }", "ps_2_0");
  EXPECT_EQ(truncated.status, D3D_OK);
  EXPECT_FALSE(truncated.tokens.empty());
  EXPECT_NE(
      truncated.messages.find("memory(1,53): warning X3206: implicit truncation of vector type"),
      std::string::npos)
      << truncated.messages;
  EXPECT_EQ(Compile("float4 main() : COLOR { return 0; }", "ps_2_0", "main",
                    D3DXSHADER_PACKMATRIX_ROWMAJOR | D3DXSHADER_PACKMATRIX_COLUMNMAJOR)
                .status,
            D3DERR_INVALIDCALL);
  LPD3DXBUFFER shader = kGarbage;
  EXPECT_EQ(D3DXCompileShader(nullptr, 0, nullptr, nullptr, "main", "vs_1_1", 0, &shader, nullptr,
                              nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(shader, nullptr);
}

TEST(CompileShader, TheTableCameFromTheTokensAndReadsBackFromThem) {
  const Compiled c =
      Compile("float4 k; float4 main(float4 c : COLOR0) : COLOR { return c * k; }", "ps_2_0");
  ASSERT_EQ(c.status, D3D_OK) << c.messages;
  CComPtr<ID3DXConstantTable> fromTokens;
  ASSERT_EQ(D3DXGetShaderConstantTable(c.tokens.data(), &fromTokens), D3D_OK);
  ASSERT_EQ(fromTokens->GetBufferSize(), c.table->GetBufferSize());
  EXPECT_EQ(std::memcmp(fromTokens->GetBufferPointer(), c.table->GetBufferPointer(),
                        c.table->GetBufferSize()),
            0);
  // Assembled code has no table.
  const Compiled assembled = Assemble("ps_2_0\nmov oC0, c0\n");
  ASSERT_EQ(assembled.status, D3D_OK);
  CComPtr<ID3DXConstantTable> none;
  EXPECT_EQ(D3DXGetShaderConstantTable(assembled.tokens.data(), &none), D3DXERR_INVALIDDATA);
  EXPECT_EQ(none, nullptr);
}

TEST(CompileShader, PackingFlagsAndKeywordsChooseTheMatrixLayout) {
  const std::string source =
      "float4x4 a;\ncolumn_major float4x4 b;\nrow_major float4x4 c;\n"
      "float4 main(float4 p : POSITION) : POSITION { return mul(p, a) + mul(p, b) + mul(p, c); }";
  const auto layout = [](ID3DXConstantTable *t, const char *name) {
    D3DXCONSTANT_DESC d{};
    t->GetConstantDesc(name, &d, nullptr);
    return d.Class;
  };
  const Compiled byDefault = Compile(source, "vs_1_1");
  ASSERT_EQ(byDefault.status, D3D_OK) << byDefault.messages;
  EXPECT_EQ(layout(byDefault.table, "a"), D3DXPC_MATRIX_COLUMNS);
  EXPECT_EQ(layout(byDefault.table, "b"), D3DXPC_MATRIX_COLUMNS);
  EXPECT_EQ(layout(byDefault.table, "c"), D3DXPC_MATRIX_ROWS);
  const Compiled rows = Compile(source, "vs_1_1", "main", D3DXSHADER_PACKMATRIX_ROWMAJOR);
  ASSERT_EQ(rows.status, D3D_OK) << rows.messages;
  EXPECT_EQ(layout(rows.table, "a"), D3DXPC_MATRIX_ROWS);
  EXPECT_EQ(layout(rows.table, "b"), D3DXPC_MATRIX_COLUMNS);
  EXPECT_EQ(layout(rows.table, "c"), D3DXPC_MATRIX_ROWS);
  // A row-major matrix is read a row a register: multiply-adds instead of dot products.
  const std::vector<std::string> lines = InstructionLines(rows.tokens);
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::string &l) { return l.rfind("dp4", 0) == 0; }),
            4);
}
